#include <gtest/gtest.h>

#include <vector>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/asm_helper.h"
#include "engine/ky_up.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

using test::Encode;
using test::Load;

class RunControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    Chip().ChipRomWords = 8192;
    clock_.install();
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
    up_->OnRunStopped = [this](TKy_UP&) { ++stopped_; };
    up_->OnTraceStep = [this](TKy_UP&) { ++traced_; };
  }
  void TearDown() override {
    up_.reset();
    ResetModes();
    ResetChipConfig();
  }
  TKy_UP& up() { return *up_; }
  const TInstructionTable& t() { return up_->Instructions(); }
  uint16_t enc(const char* m, int a = 0, int b = 0, int c = 0) { return Encode(t(), m, a, b, c); }
  TRunStop run() {
    up().RunProgram();
    return up().RunToStop(1000, 1000000);
  }

  test::FakeClock clock_;
  std::unique_ptr<TKy_UP> up_;
  int stopped_ = 0;
  int traced_ = 0;
};

TEST_F(RunControlTest, RunStopsBeforeABreakpoint) {
  // NOPs from 0 (empty memory); a source-line breakpoint at 0x20.
  ASSERT_TRUE(up().SetBreakpoint(0x20, 2, true, 1, 12));
  EXPECT_EQ(up().GetBreakpointFlag(0x20, 2), 1);
  EXPECT_EQ(up().BreakpointRecordAt(1).Line, 12);
  int running = -1;
  up().Hooks.TargetRunningChanged = [&](int r) { running = r; };
  up().RunProgram();
  EXPECT_TRUE(up().TimerEnabled());
  EXPECT_EQ(running, 1);
  EXPECT_EQ(Modes().TargetRunning, 1);
  EXPECT_EQ(up().RunToStop(7, 100000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x20u);
  EXPECT_EQ(up().State().Cycles(), 0x20u);  // nothing at 0x20 executed
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(running, 0);
  EXPECT_FALSE(up().TimerEnabled());
  EXPECT_EQ(up().runSlice(10), TRunStop::NotRunning);
  // Running again from the breakpoint leaves it and stops at the next one.
  up().SetBreakpoint(0x25, 1, true);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x25u);
}

TEST_F(RunControlTest, RunSliceReturnsRunningUntilStopped) {
  Load(up(), 0, {enc("ADDL", 1), enc("RJ", 0x7FE)});  // loop: ADDL; RJ -2
  up().RunProgram();
  EXPECT_EQ(up().runSlice(1000), TRunStop::Running);
  EXPECT_EQ(up().State().Cycles(), 1500u);  // 500 x (1 + 2)
  EXPECT_EQ(up().runSlice(1000), TRunStop::Running);
  up().StopProgram(0);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up().runSlice(10), TRunStop::NotRunning);
  EXPECT_EQ(Modes().TargetRunning, 0);
  // Stop from a pump between slices, as the GUI's Stop button does.
  clock_.onPump([this] { up().StopProgram(0); });
  up().RunProgram();
  EXPECT_EQ(up().RunToStop(100, 100000), TRunStop::NotRunning);
  EXPECT_EQ(clock_.pumpCount(), 1);
}

TEST_F(RunControlTest, StepOverACallStopsOnReturnAndLeavesNoStopBehind) {
  // 0x10: CALL 0x100 (two words); 0x12: RJ back to 0x10.
  Load(up(), 0x10, {enc("CALL", 0x00, 0), enc("NOPF", 0x100), enc("RJ", 0x7FD)});
  // Subroutine: NOP, NOP, RET; a breakpoint inside.
  Load(up(), 0x100, {0, 0, enc("RET", 0)});
  up().SetBreakpoint(0x101, 1, true);
  up().SetProgramCounter(0x10);
  up().StepOver();
  EXPECT_EQ(up().RunToStop(1000, 100000), TRunStop::StopAddress);
  EXPECT_EQ(up().GetPC(), 0x11u);  // the second word of the call
  EXPECT_EQ(stopped_, 1);
  EXPECT_FALSE(up().StopAddressActive());
  EXPECT_EQ(up().PodStopArmed(), 0);
  EXPECT_EQ(up().PodStopAddress(), 0x101u);
  // A later run stops only at the real breakpoint, not at the old stop address.
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x101u);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x101u);
}

TEST_F(RunControlTest, StepOverWithoutBreakpointsLeavesNoStop) {
  Load(up(), 0x10, {enc("RCALL", 0x0F0), enc("RJ", 0x7FE)});  // RCALL 0x101; loop
  Load(up(), 0x101, {enc("RET", 0)});
  up().SetProgramCounter(0x10);
  up().StepOver();
  EXPECT_EQ(up().RunToStop(1000, 100000), TRunStop::StopAddress);
  EXPECT_EQ(up().GetPC(), 0x11u);
  EXPECT_EQ(up().PodStopAddress(), 0xFFFFFu);
  // The loop runs through 0x11 again and again: no stop there now.
  up().RunProgram();
  EXPECT_EQ(up().RunToStop(1000, 5000), TRunStop::Running);
  up().StopProgram(0);
}

TEST_F(RunControlTest, StepOverAnOrdinaryInstructionIsATrace) {
  Load(up(), 0, {enc("MVL", 7), enc("MVL", 8)});
  up().StepOver();
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(up().ReadRegister(reg::W), 7);
  EXPECT_FALSE(up().TimerEnabled());
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up().StepReady, 1);
}

TEST_F(RunControlTest, StepOutStopsAtTheReturnAddress) {
  // main 0x10: RCALL a (0x40); a: RCALL b (0x80); b: NOPs, RET; a: RET.
  Load(up(), 0x10, {enc("RCALL", 0x2F)});
  Load(up(), 0x40, {enc("RCALL", 0x3F), enc("RET", 0)});
  Load(up(), 0x80, {0, 0, 0, enc("RET", 0)});
  up().SetProgramCounter(0x10);
  up().TraceStep();
  up().TraceStep();
  ASSERT_EQ(up().GetPC(), 0x80u);
  ASSERT_EQ(up().ReadRegister(reg::STKPTR) & 0x1F, 2);
  // A breakpoint in b does not stop a step out.
  up().SetBreakpoint(0x82, 1, true);
  up().StepOut();
  EXPECT_EQ(up().RunToStop(1000, 100000), TRunStop::StopAddress);
  EXPECT_EQ(up().GetPC(), 0x41u);  // stack entry 2
  EXPECT_EQ(up().PodStopArmed(), 0);
}

TEST_F(RunControlTest, StepOutWithEmptyStackRunsToBreakpoint) {
  up().SetBreakpoint(0x30, 1, true);
  up().SetBreakpoint(0x20, 1, true);
  up().StepOut();
  EXPECT_EQ(up().RunToStop(1000, 100000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x20u);
}

TEST_F(RunControlTest, RunRangeStopsWhenLeavingTheLine) {
  Load(up(), 0x10, {0, 0, 0, 0});
  up().SetProgramCounter(0x10);
  up().SetBreakpoint(0x12, 1, true);  // inside the range: not tested
  up().SetRunRange(0x0F, 0x13);
  EXPECT_TRUE(up().RunRangeActive());
  up().RunProgram();
  EXPECT_EQ(up().RunToStop(1000, 100000), TRunStop::RunRange);
  EXPECT_EQ(up().GetPC(), 0x13u);
  EXPECT_FALSE(up().RunRangeActive());
}

TEST_F(RunControlTest, StackOverflowStop) {
  // Endless recursion: RCALL to itself.
  Load(up(), 0, {enc("RCALL", 0x7FF)});
  int shown = 0;
  up().Hooks.ShowStackStatus = [&] { ++shown; };
  up().Settings.StopOnStackOverflow = true;
  EXPECT_EQ(run(), TRunStop::StackOverflow);
  EXPECT_EQ(up().ReadRegister(reg::STKPTR), 0x88);
  EXPECT_EQ(shown, 1);
  up().Settings.StopOnStackOverflow = false;
  up().RunProgram();
  EXPECT_EQ(up().RunToStop(100, 1000), TRunStop::Running);
  EXPECT_EQ(up().ReadRegister(reg::STKPTR), 0xA8);
  up().StopProgram(0);
}

TEST_F(RunControlTest, InterruptDuringRunReachesTheVector) {
  // Timer interrupt: enable, then loop; the vector at 4 has a breakpoint.
  Load(up(), 0, {enc("RJ", 0x010)});  // to 0x11
  Load(up(), 0x11, {enc("RJ", 0x7FF)});  // loop on itself
  up().SetBreakpoint(4, 1, true);
  up().WriteRegisterModel(reg::TMRCTL, 0x80);
  up().WriteRegisterModel(reg::INTE0, 0x88);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 4u);
  EXPECT_EQ(up().GetStackEntry(1), 0x11u);
  EXPECT_EQ(up().ReadRegister(reg::INTE0), 0x08);
}

TEST_F(RunControlTest, SleepingRunWakesOnAnInterrupt) {
  Load(up(), 0, {enc("SLP"), 0, 0});
  Load(up(), 4, {enc("RETI", 0)});
  up().SetBreakpoint(2, 1, true);
  up().RunProgram();
  EXPECT_EQ(up().runSlice(1000), TRunStop::Running);  // asleep at 1
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(up().State().Cycles(), 1u);
  up().StopProgram(0);
  // A flag set while stopped wakes the core on the next run.
  up().WriteRegisterModel(reg::INTE0, 0x81);
  up().WriteRegisterModel(reg::INTF0, 0x01);
  up().WriteRegisterModel(reg::INTF0, 0x01);
  up().RunProgram();
  up().runSlice(1);
  EXPECT_EQ(up().State().SleepFlag, 0);
  EXPECT_EQ(up().GetPC(), 4u);
  up().WriteRegisterModel(reg::INTF0, 0x00);
  EXPECT_EQ(up().RunToStop(100, 10000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 2u);
}

TEST_F(RunControlTest, TraceAndAnimateSteps) {
  Load(up(), 0, {enc("MVL", 1), enc("MVL", 2), enc("MVL", 3)});
  up().StepReady = 0;
  up().TraceStep();
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up().StepReady, 1);
  up().SetBreakpoint(2, 1, true);
  up().AnimateStep();
  EXPECT_EQ(traced_, 1);
  EXPECT_EQ(stopped_, 2);  // landed on a breakpoint
  up().AnimateStep();
  EXPECT_EQ(traced_, 2);
  EXPECT_EQ(stopped_, 2);
  EXPECT_EQ(up().ReadRegister(reg::W), 3);
}

TEST_F(RunControlTest, TraceWhileAsleepChangesNothing) {
  Load(up(), 0, {enc("SLP"), enc("MVL", 9)});
  up().TraceStep();
  ASSERT_EQ(up().State().SleepFlag, 1);
  stopped_ = 0;
  up().StepReady = 0;
  up().TraceStep();
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(up().ReadRegister(reg::W), 0);
  EXPECT_EQ(stopped_, 0);
  EXPECT_EQ(up().StepReady, 1);
  // A pending interrupt wakes it and the step runs at the vector.
  up().WriteRegisterModel(reg::INTE0, 0x81);
  up().WriteRegisterModel(reg::INTF0, 0x01);
  up().TraceStep();
  EXPECT_EQ(up().State().SleepFlag, 0);
  EXPECT_EQ(up().GetPC(), 5u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(RunControlTest, StepBackShowsHistoryWithoutChangingState) {
  Load(up(), 0, {0, 0, 0, 0});
  for (int i = 0; i < 4; ++i) up().TraceStep();
  std::vector<uint32_t> shown;
  up().Hooks.ShowAddress = [&](uint32_t a) { shown.push_back(a); };
  up().ShowPreviousPC();
  up().ShowPreviousPC();
  EXPECT_EQ(shown, (std::vector<uint32_t>{3, 2}));
  EXPECT_EQ(up().GetPC(), 4u);
  up().TraceStep();  // every step starts the history walk again
  up().ShowPreviousPC();
  EXPECT_EQ(shown.back(), 4u);
}

TEST_F(RunControlTest, ChangePcCallsRunStopped) {
  up().ChangePC(0x123);
  EXPECT_EQ(up().GetPC(), 0x123u);
  EXPECT_EQ(up().ReadRegister(reg::PCLATL), 0x23);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(RunControlTest, BreakpointOnSecondWordMovesToTheFirst) {
  Load(up(), 0x40, {enc("CALL", 0, 0), enc("NOPF", 0x200)});
  EXPECT_TRUE(up().SetBreakpoint(0x41, 1, true));
  EXPECT_EQ(up().BreakpointAddressAt(1), 0x40);
  EXPECT_EQ(up().GetBreakpointFlag(0x40, 1), 1);
  EXPECT_EQ(up().GetBreakpointFlag(0x41, 1), 0);
  // Clearing at the same place removes it.
  EXPECT_TRUE(up().SetBreakpoint(0x41, 1, false));
  EXPECT_EQ(up().BreakpointCount(), 0);
  EXPECT_EQ(up().GetBreakpointFlag(0x40, 1), 0);
}

TEST_F(RunControlTest, FifteenthBreakpointEvictsTheOldestWithItsFlag) {
  std::vector<std::pair<int32_t, bool>> marks;
  up().Hooks.BreakpointChanged = [&](const TBreakpointRecord& r, bool set) {
    marks.emplace_back(r.Address, set);
  };
  for (int i = 0; i < 14; ++i) ASSERT_TRUE(up().SetBreakpoint(0x100 + i, 1, true));
  EXPECT_EQ(up().BreakpointCount(), 14);
  ASSERT_TRUE(up().SetBreakpoint(0x200, 1, true));
  EXPECT_EQ(up().BreakpointCount(), 14);
  EXPECT_EQ(up().BreakpointAddressAt(1), 0x101);
  EXPECT_EQ(up().BreakpointAddressAt(14), 0x200);
  EXPECT_EQ(up().GetBreakpointFlag(0x100, 0), 0);  // the evicted one leaves no flag
  EXPECT_EQ(marks[14], std::make_pair(int32_t(0x100), false));
  // A run from 0 passes 0x100 and stops at 0x101.
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x101u);
  // The hardware list follows the records.
  EXPECT_EQ(up().HardwareBreakpointCount(), 14);
  EXPECT_EQ(up().HardwareBreakpoints()[0], 0x101u);
  EXPECT_EQ(up().HardwareBreakpoints()[13], 0x200u);
  EXPECT_EQ(up().HardwareBreakpoints()[14], 0x200u);
}

TEST_F(RunControlTest, SettingTheSameBreakpointTwiceKeepsOneRecord) {
  up().SetBreakpoint(0x10, 1, true);
  up().SetBreakpoint(0x10, 2, true, 1, 5);
  up().SetBreakpoint(0x10, 1, true);
  EXPECT_EQ(up().BreakpointCount(), 2);
  EXPECT_EQ(up().BreakpointRecordAt(1).Kind, 2);
  EXPECT_EQ(up().BreakpointRecordAt(2).Kind, 1);
  up().SetBreakpoint(0x10, 1, false);
  EXPECT_EQ(up().GetBreakpointFlag(0x10, 1), 0);
  EXPECT_EQ(up().GetBreakpointFlag(0x10, 2), 1);
  EXPECT_EQ(up().GetBreakpointFlag(0x10, 0), 1);
}

TEST_F(RunControlTest, BreakpointRefusals) {
  test::ScriptedDialogs dialogs;
  SetDialogs(&dialogs);
  EXPECT_FALSE(up().SetBreakpoint(0xFFFFF, 1, true));
  EXPECT_FALSE(up().SetBreakpoint(8192, 1, true));  // beyond program memory
  EXPECT_FALSE(up().SetBreakpoint(-1, 1, true));
  Load(up(), 0x50, {enc("MVF", reg::PCLATL, 1, 0), 0});
  EXPECT_FALSE(up().SetBreakpoint(0x51, 1, true));
  ASSERT_EQ(dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(dialogs.messageTexts()[0], "Can not be setup breakpoint after operation PCLATL!!");
  EXPECT_EQ(up().BreakpointCount(), 0);
  // Writes of 27 through W or with a bank do not count.
  Load(up(), 0x60, {enc("MVF", reg::PCLATL, 0, 0), 0, enc("MVF", reg::PCLATL, 1, 1), 0});
  EXPECT_TRUE(up().SetBreakpoint(0x61, 1, true));
  EXPECT_TRUE(up().SetBreakpoint(0x63, 1, true));
  EXPECT_TRUE(up().WritesPclatl(enc("CLRF", reg::PCLATL, 0)));
  EXPECT_TRUE(up().WritesPclatl(enc("BSF", reg::PCLATL, 3, 0)));
  EXPECT_FALSE(up().WritesPclatl(enc("BTSS", reg::PCLATL, 3, 0)));
  EXPECT_FALSE(up().WritesPclatl(enc("ADDF", reg::PCLATH, 1, 0)));
  SetDialogs(nullptr);
}

TEST_F(RunControlTest, ClearBreakpointsAndResets) {
  up().SetBreakpoint(0x10, 1, true);
  up().SetBreakpoint(0x11, 2, true, 1, 2);
  up().State().PendingTwoWordKind = ik::MVFF;
  up().ClearBreakpoints();
  EXPECT_EQ(up().BreakpointCount(), 0);
  EXPECT_EQ(up().GetBreakpointFlag(0x10, 0), 0);
  EXPECT_EQ(up().GetBreakpointFlag(0x11, 0), 0);
  EXPECT_EQ(up().HardwareBreakpoints()[0], 0xFFFFFu);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
  EXPECT_EQ(run(), TRunStop::Running);  // nothing to stop at within the tick limit
  up().StopProgram(0);

  Load(up(), 0, {enc("MVL", 5)});
  up().TraceStep();
  up().ResetDebugTarget();
  EXPECT_EQ(up().GetPC(), 0u);
  EXPECT_EQ(up().ReadRegister(reg::W), 0);
  EXPECT_EQ(up().State().Cycles(), 0u);
}

TEST_F(RunControlTest, EepromSitesComeFirstAndStayOutOfCells) {
  EXPECT_TRUE(up().AddBreakpointRecord(0x300, 0, 1, 0, 0));
  EXPECT_FALSE(up().AddBreakpointRecord(0x301, 0, 11, 0, 0));
  EXPECT_EQ(up().BreakpointCount(), 1);
  EXPECT_EQ(up().GetBreakpointFlag(0x300, 0), 0);
  // The site takes one of the 14 places: 13 user breakpoints remain.
  for (int i = 0; i < 14; ++i) up().SetBreakpoint(0x100 + i, 1, true);
  EXPECT_EQ(up().BreakpointRecordAt(1).Kind, 0);  // the site is never evicted
  EXPECT_EQ(up().BreakpointAddressAt(2), 0x101);
  EXPECT_EQ(up().BreakpointCount(), 14);
  EXPECT_EQ(up().GetBreakpointFlag(0x100, 0), 0);
}

// ---------------------------------------------------------------------------
// Emulator mode through the pod seam
// ---------------------------------------------------------------------------

class EmulatorRunTest : public RunControlTest {
 protected:
  void SetUp() override {
    RunControlTest::SetUp();
    Modes().SimulatorMode = 0;
    up().SetPod(&pod_);
  }
  test::FakePod pod_;
};

TEST_F(EmulatorRunTest, SimulatorModeNeverTouchesThePod) {
  Modes().SimulatorMode = 1;
  Load(up(), 0, {enc("MVL", 1), 0, 0});
  up().SetBreakpoint(2, 1, true);
  up().TraceStep();
  up().RunProgram();
  up().RunToStop();
  up().StepOver();
  up().ChangePC(0);
  up().LogRegisterChange(0x80, 1);
  up().WriteRegisterThrough(0x81, 1);
  EXPECT_TRUE(pod_.calls.empty()) << pod_.calls.front();
}

TEST_F(EmulatorRunTest, TraceStepGoesToThePodAndReadsBack) {
  Load(up(), 0, {enc("MVFF", 0x80), enc("NOPF", 0x81), enc("MVL", 1)});
  pod_.onStep = [this](int n) {
    pod_.pc += uint32_t(n);
    pod_.cyclesLow = uint16_t(pod_.cyclesLow + n);
  };
  pod_.stack = {0x123};
  pod_.memory[reg::W] = 0x44;
  up().TraceStep();
  ASSERT_EQ(pod_.steps.size(), 1u);
  EXPECT_EQ(pod_.steps[0], 2);  // MVFF is stepped as two words
  EXPECT_EQ(up().GetPC(), 2u);
  EXPECT_EQ(up().State().Cycles(), 2u);
  EXPECT_EQ(up().GetStackEntry(1), 0x123u);
  EXPECT_EQ(up().ReadRegister(reg::W), 0x44);
  EXPECT_EQ(stopped_, 1);
  EXPECT_GE(pod_.count("PodStopTarget"), 1);
  up().TraceStep();
  EXPECT_EQ(pod_.steps.back(), 1);
}

TEST_F(EmulatorRunTest, ChipComingOffIsReported) {
  test::ScriptedDialogs dialogs;
  SetDialogs(&dialogs);
  int slept = 0;
  up().Hooks.SleepingChip = [&] { ++slept; };
  pod_.chipIdResult = 1;
  pod_.chipId = 0;
  up().StepReady = 0;
  up().TraceStep();
  EXPECT_EQ(slept, 1);
  EXPECT_EQ(up().StepReady, 0);
  pod_.chipId = 0x1111;
  up().TraceStep();
  ASSERT_EQ(dialogs.messageTexts().size(), 2u);
  EXPECT_EQ(dialogs.messageTexts()[0],
            "Sleep mode has already been activated, please push button to awake, or reset IC");
  EXPECT_EQ(dialogs.messageTexts()[1], "ICE chip comes off, please check!!");
  EXPECT_EQ(up().StepReady, 1);
  SetDialogs(nullptr);
}

TEST_F(EmulatorRunTest, RunPollsUntilThePodHalts) {
  up().RunProgram();
  EXPECT_EQ(pod_.count("PodRunFree"), 1);
  pod_.haltAnswers = {false, false, true};
  pod_.pc = 0x33;
  EXPECT_EQ(up().runSlice(1), TRunStop::Running);
  up().TimerTimer();
  EXPECT_TRUE(up().TimerEnabled());
  up().TimerTimer();
  EXPECT_FALSE(up().TimerEnabled());
  EXPECT_EQ(up().LastStop(), TRunStop::PodHalted);
  EXPECT_EQ(up().GetPC(), 0x33u);
  EXPECT_EQ(stopped_, 1);
  // With breakpoints the pod runs with its list armed.
  up().SetBreakpoint(0x20, 1, true);
  EXPECT_EQ(pod_.breakpoints[0], 0x20u);
  EXPECT_EQ(pod_.breakpoints[1], 0x20u);
  EXPECT_EQ(pod_.breakpoints[15], 0x20u);
  up().RunProgram();
  EXPECT_EQ(pod_.count("PodRunWithBreakpoints"), 1);
  // A failed status read marks the pod lost.
  pod_.statusFails = true;
  up().TimerTimer();
  EXPECT_FALSE(up().TimerEnabled());
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(up().LastStop(), TRunStop::PodLost);
}

TEST_F(EmulatorRunTest, RestartWhenThePodPcIsOutOfRange) {
  pod_.pc = 6000;  // above 5119 on a chip of the other kind
  up().RunProgram();
  EXPECT_EQ(pod_.pc, 0u);
  EXPECT_EQ(up().GetPC(), 0u);
  EXPECT_EQ(pod_.count("PodWritePC 0"), 1);
  EXPECT_GE(pod_.count("PodWriteCycles 0,0"), 1);
  EXPECT_EQ(up().PodStopAddress(), 0xFFFFFFFFu);  // armed at an address that never matches
}

TEST_F(EmulatorRunTest, StepOutReadsTheReturnAddressFromThePod) {
  up().WriteRegisterModel(reg::STKPTR, 2);
  pod_.stack = {0x111, 0x222};
  up().StepOut();
  EXPECT_EQ(up().PodStopAddress(), 0x222u);
  EXPECT_EQ(pod_.breakpoints[0], 0x222u);
  EXPECT_EQ(pod_.count("PodRunWithBreakpoints"), 1);
  pod_.pc = 0x222;
  up().TimerTimer();
  EXPECT_FALSE(up().TimerEnabled());
  EXPECT_EQ(up().PodStopArmed(), 0);
  EXPECT_EQ(pod_.breakpoints[0], 0xFFFFFu);  // nothing armed is left in the pod
}

TEST_F(EmulatorRunTest, ChangePcWritesThePod) {
  up().ChangePC(0x456);
  EXPECT_EQ(pod_.pc, 0x456u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(EmulatorRunTest, StepBackReadsThePodHistory) {
  pod_.memory[4144] = 0;
  pod_.memory[4145] = 0x12;
  pod_.memory[4146] = 0x34;
  pod_.memory[4147] = 0;
  pod_.memory[4148] = 0x56;
  pod_.memory[4149] = 0x78;
  EXPECT_EQ(up().PopPcHistory(), 0x1234u);
  EXPECT_EQ(up().PopPcHistory(), 0x5678u);
}

}  // namespace
}  // namespace kyvor

namespace kyvor {
namespace {

class EepromStepTest : public EmulatorRunTest {
 protected:
  void SetUp() override {
    EmulatorRunTest::SetUp();
    Chip().SelfEromMode = 1;
    Chip().SelfEromRegister = 0x70;
    Chip().SelfEromStatusAddress = 0x71;
    Chip().SelfEromWords = {0x72, 0x73, 0x74, 0x75};
    up().Settings.PodChipId = 0x8024;
    Load(up(), 0x10, {enc("BSF", 0x70, 0, 0), enc("MVL", 1), enc("MVL", 2), enc("MVL", 3),
                      enc("MVL", 4)});
    up().SetProgramCounter(0x10);
    pod_.pc = 0x10;
  }
  void setBoth(int a, uint8_t v) {
    up().WriteRegisterModel(a, v);
    pod_.memory[uint32_t(a)] = v;
  }
};

TEST_F(EepromStepTest, ReadRequestPlantsTheLoaderAndAdvancesThePointer) {
  setBoth(0x71, 0x01);  // read request
  setBoth(0x73, 0x05);
  setBoth(reg::INTE0, 0x80);
  setBoth(reg::W, 0x99);
  up().TraceStep();
  EXPECT_EQ(pod_.steps, (std::vector<int>{1, 5}));
  const auto& p = pod_.program;
  // The original words are back in place.
  EXPECT_EQ(p.at(0x10), enc("BSF", 0x70, 0, 0));
  EXPECT_EQ(p.at(0x14), enc("MVL", 4));
  EXPECT_EQ(pod_.count("PodWriteProgramWord 10=" + [] {
              char b[8];
              std::snprintf(b, sizeof b, "%X", 0x9170 | 0x0100);
              return std::string(b);
            }()),
            1);
  EXPECT_EQ(pod_.count("PodWriteProgramWord 10=617"), 1);  // MVL 17h
  EXPECT_EQ(pod_.count("PodWriteProgramWord 14=7FFB"), 1);  // RJ -5
  EXPECT_EQ(pod_.memory[0x73], 0x06);
  EXPECT_EQ(pod_.memory[0x71], 0x00);
  EXPECT_EQ(pod_.memory[reg::W], 0x99);
  EXPECT_EQ(pod_.memory[reg::INTE0], 0x80);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up().StepReady, 1);
}

TEST_F(EepromStepTest, WriteRequestMergesIntoTheEmulatedEeprom) {
  setBoth(0x71, 0x02);  // write request
  setBoth(0x73, 0x3F);
  setBoth(0x74, 0x12);
  setBoth(0x75, 0x34);
  pod_.program[0x173F] = 0xFF0F;
  test::ScriptedDialogs dialogs;
  SetDialogs(&dialogs);
  up().TraceStep();
  EXPECT_EQ(pod_.program.at(0x173F), 0x1204);  // ANDed with the old word in mode 1
  EXPECT_EQ(pod_.memory[0x73], 0x00);           // pointer wraps within 64
  ASSERT_EQ(dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(dialogs.messageTexts()[0], "Warning: BIE Pointer overflow, May cap the previous data!!");
  EXPECT_EQ(pod_.memory[0x71], 0x00);
  SetDialogs(nullptr);
}

TEST_F(EepromStepTest, OtherInstructionsStepNormally) {
  up().SetProgramCounter(0x11);
  pod_.pc = 0x11;
  up().TraceStep();
  EXPECT_EQ(pod_.steps, (std::vector<int>{1}));
  EXPECT_EQ(pod_.count("PodWriteProgramWord"), 0);
}

}  // namespace
}  // namespace kyvor
