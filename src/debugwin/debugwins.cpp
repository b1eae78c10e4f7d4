#include "debugwin/debugwins.h"

namespace kyvor {

TSRAMRecord::TSRAMRecord(QWidget* parent)
    : TKyChildForm("SRAMRecord", "SRAM&Register Modify Record", parent) {}

}  // namespace kyvor
