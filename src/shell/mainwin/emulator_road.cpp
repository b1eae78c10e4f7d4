// The main window's side of the emulator pod: the pod detection of the
// connection panel, the pod checks and the pod road of a build (the program
// and information block downloaded and verified before debug mode), the
// pod's last step of the debug entry, the watchdog that ends debug mode when
// the pod is lost, and the pod memory self-test.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "base/dialogs.h"
#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "engine/programmer.h"
#include "link/pod_protocol.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/options/options_dialog.h"
#include "shell/programmer/programmer_commands.h"

namespace kyvor {

namespace {

const char kPodBusy[] = "VO-RIV Buzy !!";
const char kSbmRunError[] = "RUN  SBM  ERROR !!!";

void ErrorBox(const std::string& text) {
  Dialogs().messageBox(text, "Error", MsgIcon::Error, MbCancel);
}

std::string HexDigits(uint32_t v, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s(size_t(digits), '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) s[size_t(i)] = kDigits[v & 15];
  return s;
}

}  // namespace

void TKYMAIN::podDisplay(const std::string& text) {
  if (forms_.up) forms_.up->PodLcdWriteText(0, DisplayText(text));
}

// ---------------------------------------------------------------------------
// Pod detection
// ---------------------------------------------------------------------------

void TKYMAIN::PConnectClick() {
  if (Modes().IceInterfaceIndex == 4) {
    Modes().PodState = ThePod().PodUsbOpen();
    if (Modes().PodState == 255) {
      showConnectError();
      setConnectLook(TConnectLook::NotConnected);
      return;
    }
  }
  if (!Options().PICE()) {
    // The programmer layout: the chip in the programmer's socket.
    uint16_t id = 0, status = 0;
    const bool read = forms_.up && forms_.up->ReadChipIdWords(id, status);
    const bool onBoard = read && id == Chip().ChipId;
    setConnectLook(onBoard ? TConnectLook::BodyOnBoard : TConnectLook::BodyNotOnBoard);
    podDisplay(onBoard ? "Body on board" : "Body not on board!!");
    return;
  }
  uint16_t id = 0;
  const int result = ThePod().PodReadChipId(id);
  if (forms_.up) forms_.up->Settings.PodChipId = id;
  if (result == 0) {
    setConnectLook(TConnectLook::Connected);
    podDisplay("Vo-RIV ICE Connect");
    return;
  }
  setConnectLook(TConnectLook::NotConnected);
  if (Modes().DebugMode == 1) SMenu_EditModeClick();
  podDisplay("ICE Chip ID Error!!");
}

bool TKYMAIN::connectPodForBuild() {
  if (Modes().IceInterfaceIndex == 4 && Modes().PodState != 0) {
    Modes().PodState = ThePod().PodUsbOpen();
    if (Modes().PodState == 255) {
      showConnectError();
      setConnectLook(TConnectLook::NotConnected);
      return false;
    }
  }
  if (!Options().PICE()) return true;
  uint16_t id = 0;
  const int result = ThePod().PodReadChipId(id);
  if (forms_.up) forms_.up->Settings.PodChipId = id;
  Shell().IceConnected = result == 0 ? 1 : 0;
  if (result == 0) {
    setConnectLook(TConnectLook::Connected);
    podDisplay("Vo-RIV ICE Connect");
    return true;
  }
  setConnectLook(TConnectLook::NotConnected);
  const std::string text = result == 1 ? "ICE Chip ID Error!!" : LangTextUtf8(lt::ChipIdNotFound);
  ErrorBox(text);
  podDisplay(result == 1 ? "ICE Chip ID Error!!" : "Can not be found Chip ID!!");
  return false;
}

// ---------------------------------------------------------------------------
// The pod road of a build
// ---------------------------------------------------------------------------

bool TKYMAIN::podRoad(uint32_t infoAddress, bool withSbm) {
  TKy_UP* up = forms_.up;
  TPodProtocol& pod = ThePod();
  const TChipConfig& c = Chip();
  auto fail = [this](const std::string& message, const std::string& display) {
    ErrorBox(message);
    if (!display.empty()) podDisplay(display);
    return false;
  };
  if (!up->PodLock(1)) return fail(kPodBusy, "");
  pod.PodPing();
  uint8_t variant = 0xFF;
  if (!pod.PodWriteCoreVariant(c.CoreVariant) || !pod.PodReadCoreVariant(variant) ||
      variant != c.CoreVariant)
    return fail(LangTextUtf8(lt::CantSelectCore), "Can not Select K08A or K08B!!  ");
  if (!up->IceDownloadInfoBlock(infoAddress))
    return fail(LangTextUtf8(lt::ProgramMemoryAccessError), "");
  if (withSbm) up->IceDownloadSbm(0x2E00, 0, 0, up->EEBar(), 256);
  // The target stops without a refresh of the views of an earlier session.
  up->OnRunStopped = nullptr;
  up->OnTraceStep = nullptr;
  up->StopProgram(0);
  pod.PodEnterReset();
  DelayMilliseconds(100);
  pod.PodInitSpecialRegisters();
  DelayMilliseconds(100);
  if (!CheckIceInterface()) return false;
  if (!up->RestartIfOutOfRange(c.DeviceKind3 == 0 ? 0x1400 : 0x2000)) {
    if (TKy_ERR* err = forms_.err()) {
      ShowView(ViewErr, 1);
      err->ClearErrors();
      err->AddError(" ", 0, kSbmRunError);
    }
    podDisplay(kSbmRunError);
    if (Dialogs().messageBox("SMB RUN Error!! OK --> Continue , Cancel --> Out ", "Error",
                             MsgIcon::Error, MbOk | MbCancel) == MsgResult::Cancel)
      return false;
  }
  uint32_t address = 0;
  switch (up->IceSelfTest(false, address)) {
    case selftest::Passed: break;
    case selftest::ProgramMemory:
      return fail(LangTextUtf8(lt::ProgramMemoryAccessError), "Program memory accessed error!  ");
    case selftest::DataMemory: return fail(LangTextUtf8(lt::RamAccessError), "Ram accessed error!");
    default: return false;  // the pod is gone: the connect error was shown
  }
  if (up->IceResetTarget(1)) return true;
  if (!up->CheckUpperProgramMemory())
    return fail(LangTextUtf8(lt::ProgramMemoryAccessError), "Program memory accessed error!  ");
  // Built for a bigger chip: said, and debugging goes on.
  ErrorBox(LangTextUtf8(lt::ProgramMemorySizeError));
  podDisplay("size error of program memory!   ");
  return true;
}

bool TKYMAIN::podDebugEntry() {
  if (Modes().SimulatorMode != 0 || Modes().IceInterfaceIndex != 4) return true;
  if (ThePod().PodQueryIdentity() != 0) {
    timer1_->start();
    return true;
  }
  // The pod stopped answering: its link is closed, so the next build opens it again.
  Modes().PodState = 255;
  ThePod().PodLinkClose();
  timer1_->stop();
  showConnectError();
  setConnectLook(TConnectLook::NotConnected);
  showNormal();
  EditModePro(1);
  if (forms_.up) forms_.up->SetTimerEnabled(false);
  return false;
}

// ---------------------------------------------------------------------------
// The watchdog and the self-test
// ---------------------------------------------------------------------------

bool TKYMAIN::WatchdogRunning() const { return timer1_->isActive(); }

void TKYMAIN::Timer1Timer() {
  const TModes& m = Modes();
  if (m.SimulatorMode != 0 || m.IceInterfaceIndex != 4 || m.PodlessMode != 0 || m.DebugMode != 1)
    return;
  if (m.PodState != 255) return;
  // One loss, one message: the watchdog stops before it speaks. PodState
  // stays 255, so the next build opens the pod again.
  timer1_->stop();
  showConnectError();
  setConnectLook(TConnectLook::NotConnected);
  showNormal();
  EditModePro(1);
  runTimer_->stop();
  timer2_->stop();
  if (TKy_UP* up = forms_.up) {
    up->SetTimerEnabled(false);
    up->StepReady = 1;
  }
}

void TKYMAIN::SMenu_ICE_TestClick() {
  if (!CheckIceInterface() || !forms_.up) return;
  uint32_t address = 0;
  const int result = forms_.up->IceSelfTest(true, address);
  if (result == selftest::ProgramMemory) {
    ErrorBox(LangTextUtf8(lt::ProgramMemoryError) + HexDigits(address, 3) + "h)!");
  } else if (result == selftest::DataMemory) {
    ErrorBox(LangTextUtf8(lt::DataMemoryError) + HexDigits(address, 4) + "h)!");
  } else if (result == selftest::Passed) {
    Dialogs().messageBox(LangTextUtf8(lt::MemoryCheckedOk), "Kyvor-IDE", MsgIcon::Information,
                         MbOk);
  }
  // A lost pod has said so already.
}

}  // namespace kyvor
