#include "base/dialogs.h"

namespace kyvor {

MsgResult SilentDialogService::messageBox(const std::string&, const std::string&, MsgIcon,
                                          unsigned buttons) {
  if (buttons & MbOk) return MsgResult::Ok;
  if (buttons & MbYes) return MsgResult::Yes;
  return MsgResult::Cancel;
}

namespace {
SilentDialogService g_silent;
IDialogService* g_dialogs = &g_silent;
}  // namespace

IDialogService& Dialogs() { return *g_dialogs; }
void SetDialogs(IDialogService* service) { g_dialogs = service ? service : &g_silent; }

}  // namespace kyvor
