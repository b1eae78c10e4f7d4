// Debugging on the emulator pod in the whole program offscreen, with the
// virtual pod as the first device of the pod search and the USB interface:
// F4 opens and locks the pod, checks the chip id, downloads and verifies the
// program and the information block and enters debug mode; trace, step over,
// step out, run, stop, reset and breakpoints run on the pod and the views show
// the state read back, the same as in the simulator; the watchdog ends debug
// mode when the pod is unplugged.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <vector>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "link/pod_protocol.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/startup.h"
#include "shell/source/source_view.h"
#include "support/fake_clock.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"
#include "support/virtual_pod_rig.h"

namespace kyvor {
namespace {

constexpr int kCount = 0x80;
const char kConnectError[] = "KyVor-IDE Connect Error , Please check !!";

// What a step leaves behind, on either target.
struct TSnapshot {
  uint32_t pc = 0;
  uint32_t cycles = 0;
  std::vector<uint8_t> registers;
  bool operator==(const TSnapshot&) const = default;
};

class EmulatorDebugging : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
    ThePod().PodLinkClose();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
    prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog->Start({}));
    Modes().IceInterfaceIndex = 4;
    ASSERT_TRUE(main().OpenSourceFile(source));
    dialogs.clear();
  }
  void TearDown() override {
    prog.reset();
    test::ResetProgramState();
  }

  TKYMAIN& main() { return prog->Main(); }
  TKy_UP& up() { return prog->Up(); }
  void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    clock.advance(std::chrono::milliseconds(100));
    test::PressInWindow(main(), key, mods);
  }
  bool waitRunStopped(int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (main().RunTimerActive() && t.elapsed() < ms) QApplication::processEvents();
    return !main().RunTimerActive();
  }
  // Emulation chosen and F4 pressed.
  void enterOnThePod() {
    main().MM_EmulatorClick();
    ASSERT_EQ(main().ConnectText(), "ICE Connect");
    pod.ClearLog();
    press(Qt::Key_F4);
    ASSERT_EQ(Modes().DebugMode, 1) << (dialogs.messages().empty() ? std::string()
                                                                 : dialogs.messages()[0].text);
  }
  TSnapshot model() {
    TSnapshot s;
    s.pc = up().GetPC();
    uint16_t hi, lo;
    up().GetCycleCounter(hi, lo);
    s.cycles = uint32_t(hi) << 16 | lo;
    for (int a = 0; a < 0x100; ++a) s.registers.push_back(up().ReadRegister(a));
    return s;
  }
  TSnapshot onThePod() {
    TSnapshot s;
    s.pc = pod.Target().GetPC();
    s.cycles = pod.Target().Cycles();
    for (int a = 0; a < 0x100; ++a) s.registers.push_back(pod.Target().ReadRegister(a));
    return s;
  }
  bool sent(const std::string& packet) const {
    const auto p = pod.HostPackets();
    return std::find(p.begin(), p.end(), packet) != p.end();
  }
  int count(const std::string& prefix) const {
    int n = 0;
    for (const auto& p : pod.HostPackets()) n += p.rfind(prefix, 0) == 0;
    return n;
  }

  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
  test::TProgramVirtualPod programPod;
  test::TVirtualPod& pod = programPod.Pod;
  QTemporaryDir dir;
  std::string source;
  std::unique_ptr<TKyProgram> prog;
};

TEST_F(EmulatorDebugging, F4LoadsThePodAndEntersDebugMode) {
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_TRUE(sent("F9 0C 01")) << "the pod taken for the host";
  EXPECT_TRUE(sent("A4 40 20 CB 00 00 02")) << "the chip id";
  EXPECT_GT(count("A2 40"), 0) << "block downloads";
  // The program as the model holds it is in the pod's program memory.
  for (uint32_t a = 0; a < 16; ++a) EXPECT_EQ(pod.ProgramWord(a), up().GetOpcode(a)) << a;
  // The information block is in the pod.
  const uint32_t info = Chip().DeviceKind3 != 0 ? 0x4000 : 0x2800;
  const auto& block = up().Info.Layout(Chip());
  for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(pod.ProgramWord(info + i), block[i]) << i;
  EXPECT_TRUE(main().windowTitle().startsWith("KyvorIDE - Emulation")) << main().windowTitle().toStdString();
  EXPECT_TRUE(main().WatchdogRunning());
  EXPECT_EQ(up().TimerInterval(), 100);
  EXPECT_EQ(up().GetPC(), 0u);
  EXPECT_EQ(main().Forms().source()->PCLine(), 15);
  EXPECT_EQ(Modes().PodState, 0);
  EXPECT_TRUE(pod.Violations.empty()) << pod.Violations[0];
}

// Every run and step command goes to the pod; the model shows the state
// the pod reports back.
TEST_F(EmulatorDebugging, RunAndStepCommandsRunOnThePod) {
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  TKy_Source* src = main().Forms().source();
  press(Qt::Key_F7);  // CLRF COUNT
  EXPECT_EQ(pod.Target().GetPC(), 1u);
  EXPECT_EQ(model(), onThePod());
  EXPECT_EQ(src->PCLine(), 16);
  press(Qt::Key_F7);  // CLRF PORTB
  press(Qt::Key_F8);  // CALL DELAY stepped over on the pod
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 3u);
  EXPECT_EQ(pod.Target().GetPC(), 3u);
  EXPECT_EQ(model(), onThePod());
  EXPECT_EQ(src->PCLine(), 17);
  press(Qt::Key_F7);  // the CALL's second word
  press(Qt::Key_F7);  // INF COUNT
  EXPECT_EQ(up().ReadRegister(kCount), 1);
  EXPECT_EQ(pod.Target().ReadRegister(kCount), 1);

  // Into the subroutine, then Stack Out (F10) back to the caller.
  for (int i = 0; i < 5 && up().GetPC() != 2; ++i) press(Qt::Key_F7);
  ASSERT_EQ(up().GetPC(), 2u) << "round the loop to the CALL";
  press(Qt::Key_F7);
  press(Qt::Key_F7);
  EXPECT_GE(up().GetPC(), 8u) << "in DELAY";
  press(Qt::Key_F10);
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 3u) << "the return lands on the CALL's second word";
  EXPECT_EQ(model(), onThePod());

  // Run and stop: the pod runs the loop until F12.
  press(Qt::Key_F5);
  EXPECT_TRUE(main().RunTimerActive());
  EXPECT_TRUE(pod.Running());
  EXPECT_TRUE(main().Action(TMenuItem::SMenu_Stop)->isEnabled());
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  press(Qt::Key_F12);
  EXPECT_FALSE(pod.Running());
  EXPECT_FALSE(main().RunTimerActive());
  EXPECT_EQ(model(), onThePod());
  EXPECT_GT(up().ReadRegister(kCount), 1) << "the loop went round on the pod";
  EXPECT_EQ(src->LastPC(), up().GetPC());
  EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;

  // Reset (F6): PC 0 on the pod and in the model.
  press(Qt::Key_F6);
  EXPECT_EQ(up().GetPC(), 0u);
  EXPECT_EQ(pod.Target().GetPC(), 0u);
  EXPECT_EQ(src->PCLine(), 15);

  // A breakpoint on a source line (F2) stops the run on the pod.
  src->SelectRow(19);  // line 20: BTGF
  press(Qt::Key_F2);
  EXPECT_EQ(up().BreakpointCount(), 1);
  EXPECT_EQ(pod.Breakpoints()[0], 7u) << "the pod's breakpoint list";
  press(Qt::Key_F5);
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 7u);
  EXPECT_EQ(pod.Target().GetPC(), 7u);
  EXPECT_EQ(src->PCLine(), 20);
  EXPECT_EQ(model(), onThePod());
  press(Qt::Key_F2);
  EXPECT_EQ(up().BreakpointCount(), 0);
  EXPECT_EQ(pod.Breakpoints()[0], 0xFFFFFu);

  // Ctrl+F11: edit mode; the watchdog has nothing to watch.
  press(Qt::Key_F11, Qt::ControlModifier);
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(main().windowTitle().startsWith("KYIDE HID - Mode:[Edit] "));
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_TRUE(pod.Violations.empty()) << pod.Violations[0];
}

// The same program and the same commands give the same PC, registers and
// cycles in the simulator and on the pod.
TEST_F(EmulatorDebugging, ThePodAndTheSimulatorAgreeStepByStep) {
  const int keys[] = {Qt::Key_F7, Qt::Key_F7, Qt::Key_F8, Qt::Key_F7, Qt::Key_F7, Qt::Key_F7,
                      Qt::Key_F7, Qt::Key_F7, Qt::Key_F7, Qt::Key_F7, Qt::Key_F7, Qt::Key_F7};
  auto steps = [&] {
    std::vector<TSnapshot> seen;
    for (int key : keys) {
      press(key);
      EXPECT_TRUE(waitRunStopped());
      seen.push_back(model());
    }
    return seen;
  };
  press(Qt::Key_F4);
  ASSERT_EQ(Modes().DebugMode, 1);
  const std::vector<TSnapshot> simulated = steps();
  press(Qt::Key_F11, Qt::ControlModifier);
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  const std::vector<TSnapshot> emulated = steps();
  ASSERT_EQ(simulated.size(), emulated.size());
  for (size_t i = 0; i < simulated.size(); ++i) {
    EXPECT_EQ(emulated[i].pc, simulated[i].pc) << "step " << i;
    EXPECT_EQ(emulated[i].cycles, simulated[i].cycles) << "step " << i;
    EXPECT_EQ(emulated[i].registers, simulated[i].registers) << "step " << i;
  }
  EXPECT_TRUE(pod.Violations.empty());
}

// Unplugged during a run: the watchdog ends debug mode once with the connect
// error and leaves PodState at 255, so the next F4 opens the pod again.
TEST_F(EmulatorDebugging, UnpluggedDuringARunTheWatchdogEndsDebugMode) {
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  press(Qt::Key_F5);
  ASSERT_TRUE(main().RunTimerActive());
  pod.Faults.Unplugged = true;
  ASSERT_TRUE(waitRunStopped()) << "the poll fails and the run ends";
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(Modes().DebugMode, 1) << "until the watchdog's next tick";
  main().Timer1Timer();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text.rfind(kConnectError, 0), 0u) << dialogs.messages()[0].text;
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_EQ(main().ConnectText(), "ICE not Connect");
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_FALSE(main().WatchdogRunning());
  EXPECT_FALSE(up().TimerEnabled());
  EXPECT_EQ(up().StepReady, 1);
  EXPECT_TRUE(main().Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  main().Timer1Timer();
  EXPECT_EQ(dialogs.messages().size(), 1u) << "one loss, one message";

  // Plugged in again: F4 opens the pod and debugging goes on.
  pod.Faults.Unplugged = false;
  dialogs.clear();
  press(Qt::Key_F4);
  EXPECT_EQ(Modes().DebugMode, 1);
  EXPECT_EQ(Modes().PodState, 0);
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_TRUE(main().WatchdogRunning());
}

// The watchdog acts only while debugging on the emulator over USB with a pod.
TEST_F(EmulatorDebugging, TheWatchdogWatchesOnlyTheEmulatorOverUsb) {
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  Modes().PodState = 255;
  for (auto change : {+[] { Modes().PodlessMode = 1; }, +[] { Modes().IceInterfaceIndex = 1; },
                      +[] { Modes().SimulatorMode = 1; }}) {
    const TModes kept = Modes();
    change();
    main().Timer1Timer();
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(Modes().DebugMode, 1);
    Modes() = kept;
  }
  main().Timer1Timer();
  EXPECT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(Modes().DebugMode, 0);
}

// A pod that stops answering at the end of the debug entry: the link is
// closed, PodState 255, edit mode with the build commands and the status back.
TEST_F(EmulatorDebugging, APodLostAtDebugEntryClosesTheLink) {
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  // The identity query is the last packet of the entry.
  const auto first = pod.HostPackets();
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.back(), "F9 AC");
  press(Qt::Key_F11, Qt::ControlModifier);
  pod.ClearLog();
  const int start = pod.HostPacketCount();
  pod.Faults.SilentFromPacket = start + int(first.size());
  dialogs.clear();
  press(Qt::Key_F4);
  EXPECT_EQ(Modes().DebugMode, 0);
  ASSERT_FALSE(dialogs.messages().empty());
  EXPECT_EQ(dialogs.messages().back().text.rfind(kConnectError, 0), 0u);
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(ThePod().PodLink.IsOpen, 0);
  EXPECT_FALSE(main().WatchdogRunning());
  EXPECT_EQ(main().ConnectText(), "ICE not Connect");
  EXPECT_TRUE(main().Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_TRUE(main().Button(TToolButton::TBtK_F10)->isEnabled());
  EXPECT_EQ(main().StatusText(), " main: " + source);
}

// The Go button in edit mode: the programmer's blank-check mode goes to the
// pod before the build (and is read back) and once more after it.
TEST_F(EmulatorDebugging, GoSendsTheKeyModeAroundTheBuild) {
  main().MM_EmulatorClick();
  Options().RBKOFF = 1;
  pod.ClearLog();
  main().Button(TToolButton::TBtK_F10)->click();
  ASSERT_EQ(Modes().DebugMode, 1);
  const auto p = pod.HostPackets();
  ASSERT_GE(p.size(), 3u);
  EXPECT_EQ(p[0], "F9 0D AA");
  EXPECT_EQ(p[1], "F9 0E");
  EXPECT_EQ(p.back(), "F9 0D AA");
  EXPECT_EQ(Options().RBKOFF, 1);
  // Without a pod the choice stays as it was.
  ThePod().PodLinkClose();
  Modes().SimulatorMode = 1;
  press(Qt::Key_F11, Qt::ControlModifier);
  main().Button(TToolButton::TBtK_F10)->click();
  EXPECT_EQ(Options().RBKOFF, 1);
}

TEST_F(EmulatorDebugging, TheIceTestSaysTheMemoryIsGood) {
  main().MM_EmulatorClick();
  main().SMenu_ICE_TestClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Memory checked OK!");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Information);
  // Without an interface the check says so and tests nothing.
  Modes().IceInterfaceIndex = 0;
  dialogs.clear();
  pod.ClearLog();
  main().SMenu_ICE_TestClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Please set address of LPT!");
  EXPECT_TRUE(pod.HostPackets().empty());
}

TEST_F(EmulatorDebugging, ExitClosesTheOpenLinkOnceAndAClosedOneNever) {
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  pod.ClearLog();
  main().close();
  EXPECT_EQ(count("F9 01 FF FF"), 1);
  EXPECT_EQ(pod.HostPackets().back(), "F9 01 FF FF");
  prog.reset();
  // A closed link: nothing at all.
  test::ResetProgramState();
  ThePod().PodLinkClose();
  prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog->Start({}));
  pod.ClearLog();
  main().close();
  EXPECT_TRUE(pod.HostPackets().empty());
}

// The source view on the pod: the PC line in blue; Ctrl+F9 stops and checks
// the program memory, then the model starts again at 0; ReLoad-ROM reads the
// pod's program back.
TEST_F(EmulatorDebugging, TheSourceViewsCheckAndReLoadRom) {
  ASSERT_NO_FATAL_FAILURE(enterOnThePod());
  TKy_Source* src = main().Forms().source();
  EXPECT_EQ(src->CellLook(1, src->PCLine() - 1, 1).background, QColor(0x00, 0x00, 0xFF));
  press(Qt::Key_F7);
  ASSERT_EQ(up().GetPC(), 1u);
  dialogs.clear();
  test::Key(src->Grid(), Qt::Key_F9, Qt::ControlModifier);
  ASSERT_FALSE(dialogs.messages().empty());
  EXPECT_EQ(dialogs.messages().back().text, "Memory checked OK!");
  EXPECT_EQ(up().GetPC(), 0u);
  EXPECT_EQ(src->PCLine(), 15);
  EXPECT_EQ(Modes().DebugMode, 1);
  // The pod's program as it is now becomes the model's program.
  pod.SetProgramWord(5, 0x0000);
  main().ReLoadROM1Click();
  EXPECT_EQ(up().GetOpcode(5), 0x0000);
  // Go back to edit mode: the pod's display says so.
  main().Button(TToolButton::TBtK_F10)->click();
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_EQ(pod.Writer.DisplayLine(0), "Kyvor-IDE ICE Ed");
  EXPECT_TRUE(pod.Violations.empty()) << pod.Violations[0];
}

}  // namespace
}  // namespace kyvor
