#include "shell/asmlink.h"

#include <QCoreApplication>
#include <algorithm>

#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "shell/kyerr.h"
#include "shell/kymain.h"
#include "shell/kyviews.h"

namespace kyvor {

namespace {
constexpr uint16_t kEepromPodChipId = 0x8024;
}

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

void TShellAsmHost::showChecksum(const std::string& text) { main_.SetCheckSumText(text); }

bool TShellAsmHost::loadSourceFile(const std::string& path) {
  if (!main_.Forms().source()) return true;
  return main_.Forms().source()->LoadSourceFile(path);
}

void TShellAsmHost::setLineInfo(int page, int line, int32_t value, int slot) {
  if (main_.Forms().source() && slot == 0) main_.Forms().source()->SetLineAddress(page, line, value);
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
