#include "shell/mainwin/build_link.h"

#include <QCoreApplication>
#include <algorithm>

#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/source/source_view.h"

namespace kyvor {

TShellAsmHost::TShellAsmHost(TKYMAIN& main) : main_(main), lastPump_(Clock().now()) {}

void TShellAsmHost::lineStep() {
  const auto now = Clock().now();
  if (now - lastPump_ < std::chrono::milliseconds(kPumpIntervalMs)) return;
  lastPump_ = now;
  ++pumps_;
  main_.Timer3Timer();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TShellAsmHost::clearErrors() {
  if (main_.Forms().err()) main_.Forms().err()->ClearErrors();
}

void TShellAsmHost::addError(const std::string& path, int line, const std::string& text) {
  if (main_.Forms().err()) main_.Forms().err()->AddError(path, line, text);
}

void TShellAsmHost::showErrorView() {
  if (main_.Forms().err()) main_.ShowView(ViewErr, 1);
}

void TShellAsmHost::showChecksum(const std::string& text) {
  Shell().CodeChecksumShown = !text.empty();
  main_.SetCheckSumText(text);
}

// The source view keeps the pages and line tables of the build; without
// one the build still succeeds.
void TShellAsmHost::clearAddrMacroIndex() {
  if (TKy_Source* src = main_.Forms().source()) src->ClearAddrMacroIndex();
}

bool TShellAsmHost::loadSourceFile(const std::string& path) {
  TKy_Source* src = main_.Forms().source();
  return !src || src->LoadSourceFile(path);
}

bool TShellAsmHost::createMacroTable() {
  TKy_Source* src = main_.Forms().source();
  return !src || src->CreateMacroTable();
}

void TShellAsmHost::setLineInfo(int page, int line, int32_t value, int slot) {
  if (TKy_Source* src = main_.Forms().source()) src->SetLineInfo(page, line, value, slot);
}

bool TShellAsmHost::setAddrMacroIndex(int32_t address, int32_t recNo) {
  TKy_Source* src = main_.Forms().source();
  return !src || src->SetAddrMacroIndex(address, recNo);
}

void TShellAsmHost::putMacroRecord(int recNo, const TMacroExpansionRecord& record) {
  if (TKy_Source* src = main_.Forms().source()) src->PutMacroRecord(recNo, record);
}

void TShellAsmTarget::setEepromSites(const std::vector<int>& addresses,
                                     const std::vector<int>& files, const std::vector<int>& lines,
                                     int count) {
  sites_.Addresses = addresses;
  sites_.Files = files;
  sites_.Lines = lines;
  sites_.Count = count < 0 ? 0 : count;
}

bool ApplyEepromSites(TKy_UP& up, const TEepromSites& sites) {
  // Only the sites whose address, file and line were all recorded.
  const size_t recorded =
      std::min({sites.Addresses.size(), sites.Files.size(), sites.Lines.size()});
  const int kept = std::min<int>(sites.Count, static_cast<int>(recorded));
  up.Settings.EepromBreakCount = kept;
  if (Chip().SelfEromMode == 0 || up.Settings.PodChipId != kEepromPodChipId) return false;
  if (kept > 0) TKyUpTarget(up).setEepromSites(sites.Addresses, sites.Files, sites.Lines, kept);
  up.WriteRegisterThrough(Chip().SelfEromStatusAddress, 8);
  return true;
}

}  // namespace kyvor
