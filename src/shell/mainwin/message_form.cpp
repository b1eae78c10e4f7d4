#include "shell/mainwin/message_form.h"

namespace kyvor {

TKy_Message::TKy_Message(QWidget* parent) : TKyChildForm("Ky_Message", "Message", parent) {}

}  // namespace kyvor
