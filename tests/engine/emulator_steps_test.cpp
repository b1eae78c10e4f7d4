// Run control in emulator mode: steps, runs, stops and resets on the pod, and
// the state read back after them.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/cpu_fixture.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class EmulatorStepsTest : public test::CpuFixture {};

// The animated trace checks the pod's chip after each step as the single
// step does: a sleeping chip (ID 0) stops the animation and hands over to Run.
TEST_F(EmulatorStepsTest, EmulatorAnimatedStepChecksTheChipToo) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  test::ScriptedDialogs dialogs;
  int sleeping = 0, traced = 0;
  up_->Hooks.SleepingChip = [&] { ++sleeping; };
  up_->OnTraceStep = [&](TKy_UP&) { ++traced; };
  pod.chipIdResult = 1;
  pod.chipId = 0;
  up_->StepReady = 0;  // as the animation timer leaves it
  up_->AnimateStep();
  EXPECT_EQ(pod.count("PodReadChipId"), 1);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text,
            "Sleep mode has already been activated, please push button to awake, or reset IC");
  EXPECT_EQ(sleeping, 1);
  EXPECT_EQ(traced, 1);
  EXPECT_EQ(up_->StepReady, 1);  // nothing waits for this step any more
  up_->SetPod(nullptr);
}

TEST_F(EmulatorStepsTest, EmulatorAnimatedStepReportsALostChip) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  test::ScriptedDialogs dialogs;
  int sleeping = 0;
  up_->Hooks.SleepingChip = [&] { ++sleeping; };
  pod.chipIdResult = 1;
  pod.chipId = 0x1234;
  up_->StepReady = 0;
  up_->AnimateStep();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "ICE chip comes off, please check!!");
  EXPECT_EQ(sleeping, 0);
  EXPECT_EQ(up_->StepReady, 1);
  // A chip that answers as expected: no message.
  pod.chipIdResult = 0;
  up_->AnimateStep();
  EXPECT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(pod.count("PodReadChipId"), 2);
  up_->SetPod(nullptr);
}

TEST_F(EmulatorStepsTest, EmulatorStepSendsTheCyclesFirst) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  up_->SetCycleCounter(0x0001, 0x2345);
  up_->TraceStep();
  const int wcy = pod.indexOf("PodWriteCycles 1,2345");
  ASSERT_GE(wcy, 0);
  EXPECT_LT(wcy, pod.indexOf("PodStep 1"));
  EXPECT_GE(pod.indexOf("PodWriteWatch 0,0,0"), 0);
}

// The chip watch of the options goes to the pod before every step.
TEST_F(EmulatorStepsTest, EmulatorStepSendsTheChipWatchOfTheOptions) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  Options().WatchBitMask = 0x81;
  Options().WatchData = 0x5A;
  Options().WatchAddress = 0x0123;
  up_->TraceStep();
  const int watch = pod.indexOf("PodWriteWatch " + test::FakePod::hex(0x81) + "," +
                                test::FakePod::hex(0x5A) + "," + test::FakePod::hex(0x123));
  ASSERT_GE(watch, 0);
  EXPECT_LT(watch, pod.indexOf("PodStep 1"));
}

TEST_F(EmulatorStepsTest, EmulatorStepOverLeavesNoArmedStop) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  at(0x10, {e("RCALL", 0x20)});
  up_->SetProgramCounter(0x10);
  pod.pc = 0x10;
  pod.halted = false;
  up_->StepOver();
  EXPECT_EQ(pod.breakpoints[0], 0x11u);
  EXPECT_EQ(pod.count("PodRunWithBreakpoints"), 1);
  pod.halted = true;
  pod.pc = 0x11;
  up_->TimerTimer();
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(up_->PodStopArmed(), 0);
  EXPECT_EQ(pod.breakpoints[0], 0xFFFFFu);
  pod.calls.clear();
  up_->RunProgram();  // no breakpoints: a free run
  EXPECT_EQ(pod.count("PodRunFree"), 1);
  up_->StopProgram(0);
}

TEST_F(EmulatorStepsTest, EmulatorStepOutArmsTheReturnAddressFromThePodStack) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  setReg(24, 0x02);
  pod.stack = {0x0123, 0x0456};
  pod.halted = false;
  up_->StepOut();
  EXPECT_EQ(pod.breakpoints[0], 0x456u);
  EXPECT_EQ(pod.count("PodRunWithBreakpoints"), 1);
  EXPECT_TRUE(up_->TimerEnabled());
  pod.halted = true;
  pod.pc = 0x456;
  up_->TimerTimer();
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(up_->GetPC(), 0x456u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(EmulatorStepsTest, EmulatorRestartGivesUpWhenThePodDoesNotHalt) {
  test::FakeClock clock;
  clock.install();
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  Chip().DeviceKind3 = 0;
  pod.pc = 5120;  // the first address out of range
  pod.halted = false;
  EXPECT_FALSE(up_->RestartIfOutOfRange(8192));
  EXPECT_EQ(pod.count("PodWritePC"), 0);
  EXPECT_GE(pod.count("PodIsHalted"), 2);
  pod.pc = 5119;  // in range: nothing to do
  pod.calls.clear();
  EXPECT_TRUE(up_->RestartIfOutOfRange(8192));
  EXPECT_EQ(pod.count("PodRunWithBreakpoints"), 0);
  pod.pc = 7000;  // out of range, and the pod halts
  pod.halted = true;
  up_->SetProgramCounter(0x1B58);
  EXPECT_TRUE(up_->RestartIfOutOfRange(8192));
  EXPECT_EQ(pod.count("PodWritePC 0"), 1);
  EXPECT_EQ(up_->GetPC(), 0u);
}

TEST_F(EmulatorStepsTest, EmulatorStopReadsTheStateBack) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  pod.halted = false;
  up_->RunProgram();
  pod.pc = 0x0321;
  pod.cyclesHigh = 0x0001;
  pod.cyclesLow = 0x0002;
  pod.memory[0x90] = 0x5A;
  pod.calls.clear();
  up_->StopProgram(1);
  EXPECT_EQ(pod.indexOf("PodStopTarget"), 0);
  EXPECT_EQ(up_->GetPC(), 0x321u);
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(l, 2);
  EXPECT_EQ(regAt(0x90), 0x5A);
  EXPECT_EQ(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 0);
}

TEST_F(EmulatorStepsTest, EmulatorStepBackReadsThePodHistory) {
  UseEmulator();
  pod_.memory[4144] = 0x00;
  pod_.memory[4145] = 0x12;
  pod_.memory[4146] = 0x34;
  pod_.memory[4147] = 0x01;
  pod_.memory[4148] = 0x05;
  pod_.memory[4149] = 0x67;
  EXPECT_EQ(up_->PopPcHistory(), 0x1234u);
  EXPECT_EQ(up_->PopPcHistory(), 0x10567u);
}

TEST_F(EmulatorStepsTest, EmulatorHaltEndsTheRun) {
  UseEmulator();
  pod_.halted = false;
  up_->RunProgram();
  EXPECT_TRUE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 1);
  up_->TimerTimer();
  EXPECT_TRUE(up_->TimerEnabled());
  EXPECT_EQ(stopped_, 0);
  pod_.halted = true;
  up_->TimerTimer();
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 0);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(EmulatorStepsTest, EmulatorLostPodDuringARun) {
  UseEmulator();
  Modes().PodState = 0;
  pod_.halted = false;
  up_->RunProgram();
  pod_.statusFails = true;
  up_->TimerTimer();
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().PodState, 255);
}

TEST_F(EmulatorStepsTest, EmulatorRunRangeArmsThePodAtItsHighBound) {
  UseEmulator();
  up_->SetRunRange(0x20, 0x28);
  EXPECT_TRUE(up_->RunRangeActive());
  EXPECT_EQ(up_->PodStopAddress(), 0x28u);
  EXPECT_EQ(up_->PodStopArmed(), 1);
  EXPECT_EQ(pod_.breakpoints[0], 0x28u);
}

TEST_F(EmulatorStepsTest, EmulatorTraceRestartsAProgramCounterOutOfRange) {
  UseEmulator();
  Chip().DeviceKind3 = 0;
  pod_.pc = 6000;  // above 5120
  up_->TraceStep();
  const int wpc = pod_.indexOf("PodWritePC 0");
  const int step = pod_.indexOf("PodStep 1");
  ASSERT_GE(wpc, 0);
  ASSERT_GE(step, 0);
  EXPECT_LT(wpc, step);
  EXPECT_GE(pod_.indexOf("PodWriteCycles 0,0"), 0);
  EXPECT_LT(pod_.indexOf("PodRunWithBreakpoints"), wpc);
}

TEST_F(EmulatorStepsTest, EmulatorTraceChecksTheChip) {
  UseEmulator();
  test::ScriptedDialogs dialogs;
  int sleeping = 0;
  up_->Hooks.SleepingChip = [&] { ++sleeping; };
  pod_.chipIdResult = 1;
  pod_.chipId = 0;
  up_->TraceStep();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text,
            "Sleep mode has already been activated, please push button to awake, or reset IC");
  EXPECT_EQ(sleeping, 1);
  dialogs.clear();
  pod_.chipId = 0x4321;
  up_->TraceStep();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "ICE chip comes off, please check!!");
  EXPECT_EQ(sleeping, 1);
  dialogs.clear();
  pod_.chipIdResult = 0;
  up_->TraceStep();
  EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(EmulatorStepsTest, EmulatorTraceDisarmsThePodStop) {
  UseEmulator();
  up_->SetPodStopAddress(0x345, 1);
  up_->TraceStep();
  EXPECT_EQ(up_->PodStopArmed(), 0);
  EXPECT_NE(pod_.breakpoints[0], 0x345u);
}

TEST_F(EmulatorStepsTest, TraceStepsThePodOnce) {
  UseEmulator();
  at(0, {e("NOP")});
  pod_.program[0] = e("NOP");
  pod_.calls.clear();
  up_->TraceStep();
  ASSERT_EQ(pod_.steps.size(), 1u);
  EXPECT_EQ(pod_.steps[0], 1);
  EXPECT_GE(pod_.indexOf("PodSetStopBit"), 0);
  EXPECT_LT(pod_.indexOf("PodSetStopBit"), pod_.indexOf("PodStep 1"));
  EXPECT_GT(pod_.indexOf("PodStopTarget"), pod_.indexOf("PodStep 1"));
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(EmulatorStepsTest, EmulatorDoesNotMirrorTheProgramCounter) {
  useRomWords(4096);
  Modes().SimulatorMode = 0;
  up_->WriteRegisterModel(26, 0x11);
  up_->WriteRegisterModel(27, 0x22);
  up_->SetProgramCounter(0x345);
  up_->AdvancePC(1);
  EXPECT_EQ(up_->GetPC(), 0x346u);
  EXPECT_EQ(regAt(26), 0x11);
  EXPECT_EQ(regAt(27), 0x22);
}

TEST_F(EmulatorStepsTest, SimulatorModeNeverTouchesThePod) {
  UseEmulator();
  Modes().SimulatorMode = 1;
  at(0, {enc("MVL", 1), 0, 0});
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

TEST_F(EmulatorStepsTest, TraceStepGoesToThePodAndReadsBack) {
  UseEmulator();
  at(0, {enc("MVFF", 0x80), enc("NOPF", 0x81), enc("MVL", 1)});
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

TEST_F(EmulatorStepsTest, ChipComingOffIsReported) {
  UseEmulator();
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

TEST_F(EmulatorStepsTest, RunPollsUntilThePodHalts) {
  UseEmulator();
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

TEST_F(EmulatorStepsTest, RestartWhenThePodPcIsOutOfRange) {
  UseEmulator();
  pod_.pc = 6000;  // above 5119 on a chip of the other kind
  up().RunProgram();
  EXPECT_EQ(pod_.pc, 0u);
  EXPECT_EQ(up().GetPC(), 0u);
  EXPECT_EQ(pod_.count("PodWritePC 0"), 1);
  EXPECT_GE(pod_.count("PodWriteCycles 0,0"), 1);
  EXPECT_EQ(up().PodStopAddress(), 0xFFFFFFFFu);  // armed at an address that never matches
}

TEST_F(EmulatorStepsTest, StepOutReadsTheReturnAddressFromThePod) {
  UseEmulator();
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

TEST_F(EmulatorStepsTest, ChangePcWritesThePod) {
  UseEmulator();
  up().ChangePC(0x456);
  EXPECT_EQ(pod_.pc, 0x456u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(EmulatorStepsTest, StepBackReadsThePodHistory) {
  UseEmulator();
  pod_.memory[4144] = 0;
  pod_.memory[4145] = 0x12;
  pod_.memory[4146] = 0x34;
  pod_.memory[4147] = 0;
  pod_.memory[4148] = 0x56;
  pod_.memory[4149] = 0x78;
  EXPECT_EQ(up().PopPcHistory(), 0x1234u);
  EXPECT_EQ(up().PopPcHistory(), 0x5678u);
}

TEST_F(EmulatorStepsTest, ResetDuringAStepOverDisarmsThePodStop) {
  UseEmulator();
  at(0x10, {e("CALL", 0, 0), e("NOPF", 0x20)});
  pod_.program[0x10] = up().ReadProgramWord(0x10);
  pod_.pc = 0x10;
  up().SetProgramCounter(0x10);
  pod_.halted = false;
  up().StepOver();
  ASSERT_TRUE(up().StopAddressActive());
  ASSERT_EQ(up().PodStopArmed(), 1);
  up().ResetDebugTarget();
  EXPECT_FALSE(up().StopAddressActive());
  EXPECT_EQ(up().PodStopArmed(), 0);
  EXPECT_EQ(pod_.breakpoints[0], 0xFFFFFu);  // the pod's list holds no stop any more
}

}  // namespace
}  // namespace kyvor
