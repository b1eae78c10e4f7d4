#pragma once
// The debug windows the program creates at start-up.
#include <string>

#include "debugwin/debugform.h"
#include "debugwin/kybp.h"
#include "debugwin/kypopsel.h"
#include "debugwin/kyram.h"
#include "debugwin/kyreg2.h"
#include "debugwin/kystk.h"
#include "debugwin/kywatch.h"
#include "guicommon/childform.h"

namespace kyvor {

// The SRAM record: created at start-up, not yet shown by any command.
class TSRAMRecord : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TSRAMRecord(QWidget* parent = nullptr);
};

}  // namespace kyvor
