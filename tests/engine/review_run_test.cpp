// Review tests of run control: trace, animated step, step over, step out,
// runs with breakpoints, run ranges, stack-overflow stop, interrupts during a
// run, step back, resets and the breakpoint tables.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "engine/review_pod.h"
#include "engine/review_spec_table.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class ReviewRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    Chip().ChipRomWords = 8192;
    Chip().StackDepth = 8;
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
  uint16_t e(const char* m, int a = 0, int b = 0, int c = 0) {
    return review::Enc(variant_, m, a, b, c);
  }
  void at(uint32_t address, std::initializer_list<uint16_t> words) {
    uint32_t a = address;
    for (uint16_t w : words) {
      ASSERT_TRUE(up_->StoreProgramWord(uint16_t(a), w, uint16_t(a + 1), 0));
      ++a;
    }
  }
  uint8_t R(int a) { return up_->ReadRegister(a); }
  uint32_t cycles() {
    uint16_t h = 0, l = 0;
    up_->GetCycleCounter(h, l);
    return (uint32_t(h) << 16) | l;
  }
  TRunStop run() {
    up_->RunProgram();
    return up_->RunToStop(1000, 2000000);
  }
  // A main loop: NOPs from 0 to 0x2F, RJ back to 0 at 0x30.
  void loopProgram() { at(0x30, {e("RJ", (0 - 0x31) & 0x7FF)}); }

  std::unique_ptr<TKy_UP> up_;
  int variant_ = 0;
  int stopped_ = 0;
  int traced_ = 0;
};

// ---- runs and breakpoints -------------------------------------------------------------------

TEST_F(ReviewRunTest, RunStopsBeforeASourceLineBreakpoint) {
  loopProgram();
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 2, true, 1, 33));
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x20u);
  EXPECT_EQ(cycles(), 0x20u);  // 0x00..0x1F executed, 0x20 not
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(Modes().TargetRunning, 0);
  EXPECT_FALSE(up_->TimerEnabled());
  const TBreakpointRecord b = up_->BreakpointRecordAt(1);
  EXPECT_EQ(b.Address, 0x20);
  EXPECT_EQ(b.Page, 1);
  EXPECT_EQ(b.Line, 33);
  EXPECT_EQ(b.Kind, 2);
}

TEST_F(ReviewRunTest, RunFromABreakpointGoesRoundTheLoop) {
  loopProgram();
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  up_->SetProgramCounter(0x20);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x20u);
  EXPECT_EQ(cycles(), 16u + 2u + 32u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(ReviewRunTest, ClearedBreakpointNoLongerStops) {
  loopProgram();
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, false));
  EXPECT_EQ(up_->BreakpointCount(), 1);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0x20);
  EXPECT_EQ(up_->GetBreakpointFlag(0x10, 1), 0);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x20u);
}

TEST_F(ReviewRunTest, InterruptDuringARun) {
  // RJ to itself at 0x10; the simulated timer raises flag 0x08 after 256
  // executed words; the interrupt goes to 4 where a breakpoint waits.
  at(0x10, {e("RJ", 0x7FF)});
  ASSERT_TRUE(up_->SetBreakpoint(4, 1, true));
  up_->SetProgramCounter(0x10);
  up_->WriteRegisterModel(65, 0x80);
  up_->WriteRegisterModel(35, 0x88);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 4u);
  EXPECT_EQ(cycles(), 256u * 2u + 4u);
  EXPECT_EQ(up_->GetStackEntry(1), 0x10u);
  EXPECT_EQ(R(35), 0x08);
  EXPECT_EQ(R(38) & 0x08, 0x08);
}

TEST_F(ReviewRunTest, StackOverflowStopsTheRunWhenAsked) {
  at(0x10, {e("RCALL", 0x7FF)});  // calls itself
  up_->SetProgramCounter(0x10);
  up_->Settings.StopOnStackOverflow = true;
  int shown = 0;
  up_->Hooks.ShowStackStatus = [&] { ++shown; };
  EXPECT_EQ(run(), TRunStop::StackOverflow);
  EXPECT_EQ(R(24), 0x88);  // stopped at the push that filled the stack
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(Modes().TargetRunning, 0);
}

TEST_F(ReviewRunTest, StackOverflowDoesNotStopWithoutTheOption) {
  at(0x10, {e("RCALL", 0x7FF)});
  up_->SetProgramCounter(0x10);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(50), TRunStop::Running);
  EXPECT_EQ(R(24), 0xA8);
  up_->StopProgram(0);
  EXPECT_FALSE(up_->TimerEnabled());
}

TEST_F(ReviewRunTest, RunRangeStopsOnLeavingAndIgnoresBreakpoints) {
  loopProgram();
  ASSERT_TRUE(up_->SetBreakpoint(0x22, 1, true));
  up_->SetProgramCounter(0x21);
  up_->SetRunRange(0x20, 0x25);
  EXPECT_EQ(run(), TRunStop::RunRange);
  EXPECT_EQ(up_->GetPC(), 0x25u);
  EXPECT_FALSE(up_->RunRangeActive());
  EXPECT_EQ(stopped_, 1);
  // The next run obeys the breakpoints again.
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x22u);
}

TEST_F(ReviewRunTest, RunRangeStopsAtTheLowBound) {
  at(0x24, {e("RJ", (0x20 - 0x25) & 0x7FF)});
  up_->SetProgramCounter(0x22);
  up_->SetRunRange(0x20, 0x30);
  EXPECT_EQ(run(), TRunStop::RunRange);
  EXPECT_EQ(up_->GetPC(), 0x20u);
}

TEST_F(ReviewRunTest, StopProgramEndsAnArmedRun) {
  loopProgram();
  up_->SetRunRange(0x00, 0x7F);
  up_->RunProgram();
  EXPECT_TRUE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 1);
  EXPECT_EQ(up_->runSlice(10), TRunStop::Running);
  up_->StopProgram(1);
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 0);
  EXPECT_FALSE(up_->RunRangeActive());
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up_->runSlice(10), TRunStop::NotRunning);
}

// ---- trace and animated step -------------------------------------------------------------------

TEST_F(ReviewRunTest, TraceExecutesOneInstruction) {
  at(0, {e("MVL", 0x42), e("MVL", 0x43)});
  up_->StepReady = 0;
  up_->TraceStep();
  EXPECT_EQ(R(41), 0x42);
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(traced_, 0);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(ReviewRunTest, TraceTakesAPendingInterruptFirst) {
  at(4, {e("MVL", 0x55)});
  at(0x40, {e("MVL", 0x66)});
  up_->SetProgramCounter(0x40);
  up_->WriteRegisterModel(35, 0x81);
  up_->WriteRegisterModel(38, 0x01);
  up_->TraceStep();
  EXPECT_EQ(R(41), 0x55);
  EXPECT_EQ(up_->GetPC(), 5u);
  EXPECT_EQ(up_->GetStackEntry(1), 0x40u);
  EXPECT_EQ(cycles(), 5u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(ReviewRunTest, TraceWhileAsleepDoesNothing) {
  at(0, {e("SLP"), e("MVL", 0x11)});
  up_->TraceStep();
  ASSERT_EQ(up_->State().SleepFlag, 1);
  stopped_ = 0;
  const uint32_t c = cycles();
  up_->StepReady = 0;
  up_->TraceStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(cycles(), c);
  EXPECT_EQ(R(41), 0);
  EXPECT_EQ(stopped_, 0);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(ReviewRunTest, InterruptWakesASleepingCore) {
  at(0, {e("SLP"), e("MVL", 0x11)});
  at(4, {e("MVL", 0x77)});
  up_->TraceStep();
  ASSERT_EQ(up_->State().SleepFlag, 1);
  up_->WriteRegisterModel(35, 0x82);
  up_->WriteRegisterModel(38, 0x02);
  up_->TraceStep();
  EXPECT_EQ(up_->State().SleepFlag, 0);
  EXPECT_EQ(R(41), 0x77);
  EXPECT_EQ(up_->GetPC(), 5u);
  EXPECT_EQ(up_->GetStackEntry(1), 1u);
}

TEST_F(ReviewRunTest, AnimatedStepReportsThroughTheTraceCallback) {
  at(0, {e("NOP"), e("NOP"), e("NOP")});
  up_->AnimateStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(traced_, 1);
  EXPECT_EQ(up_->StepReady, 1);
}

// ---- step over and step out ---------------------------------------------------------------------

TEST_F(ReviewRunTest, StepOverLongCallStopsOnReturn) {
  // 0x10: CALL 0x080 (two words); 0x080: NOP, NOP, RET.
  at(0x10, {e("CALL", 0, 0), e("NOPF", 0x080)});
  at(0x80, {e("NOP"), e("NOP"), e("RET")});
  ASSERT_TRUE(up_->SetBreakpoint(0x81, 1, true));  // does not stop the step over
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(R(24) & 0x1F, 0);
  EXPECT_GE(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 0);
  EXPECT_FALSE(up_->StopAddressActive());
}

TEST_F(ReviewRunTest, StepOverRelativeCall) {
  at(0x10, {e("RCALL", 0x20)});  // to 0x31
  at(0x31, {e("NOP"), e("RET")});
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(cycles(), 2u + 1u + 2u);
}

TEST_F(ReviewRunTest, StepOverAnythingElseIsATrace) {
  at(0x10, {e("MVL", 0x12), e("NOP")});
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(R(41), 0x12);
  EXPECT_EQ(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
}

TEST_F(ReviewRunTest, StepOverLeavesNoStopBehind) {
  // Main loop through a call: 0x00..0x0F NOPs, 0x10 CALL 0x080, 0x12..0x2F
  // NOPs, 0x30 RJ 0; subroutine 0x80: NOP, RET.
  loopProgram();
  at(0x10, {e("CALL", 0, 0), e("NOPF", 0x080)});
  at(0x80, {e("NOP"), e("RET")});
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  up_->RunToStop(1000, 100000);
  ASSERT_EQ(up_->GetPC(), 0x11u);
  ASSERT_TRUE(up_->SetBreakpoint(0x25, 1, true));
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x25u);
  // Round the loop again, through the call and back past 0x11.
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x25u);
  EXPECT_EQ(up_->PodStopArmed(), 0);
}

TEST_F(ReviewRunTest, StepOutStopsAtTheReturnAddress) {
  // 0x00 CALL 0x040; 0x040 CALL 0x060; 0x060 NOP NOP RET; 0x042 NOP, RET.
  at(0x00, {e("CALL", 0, 0), e("NOPF", 0x040)});
  at(0x40, {e("CALL", 0, 0), e("NOPF", 0x060), e("NOP"), e("RET")});
  at(0x60, {e("NOP"), e("NOP"), e("RET")});
  up_->TraceStep();
  up_->TraceStep();
  ASSERT_EQ(up_->GetPC(), 0x60u);
  ASSERT_EQ(R(24) & 0x1F, 2);
  ASSERT_EQ(up_->GetStackEntry(2), 0x41u);
  stopped_ = 0;
  up_->StepOut();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->GetPC(), 0x41u);
  EXPECT_EQ(R(24) & 0x1F, 1);
  EXPECT_GE(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
}

TEST_F(ReviewRunTest, StepOutLeavesNoStopBehind) {
  loopProgram();
  at(0x10, {e("CALL", 0, 0), e("NOPF", 0x080)});
  at(0x80, {e("NOP"), e("NOP"), e("RET")});
  up_->SetProgramCounter(0x10);
  up_->TraceStep();
  ASSERT_EQ(up_->GetPC(), 0x80u);
  up_->StepOut();
  up_->RunToStop(1000, 100000);
  ASSERT_EQ(up_->GetPC(), 0x11u);
  ASSERT_TRUE(up_->SetBreakpoint(0x2A, 1, true));
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x2Au);
  EXPECT_EQ(run(), TRunStop::Breakpoint);  // passes 0x11 again without stopping
  EXPECT_EQ(up_->GetPC(), 0x2Au);
}

// ---- step back ------------------------------------------------------------------------------------

TEST_F(ReviewRunTest, StepBackShowsEarlierAddressesWithoutChangingState) {
  at(0, {e("NOP"), e("NOP"), e("MVL", 3), e("NOP")});
  for (int i = 0; i < 4; ++i) up_->TraceStep();
  uint32_t shown = 0xFFFFFFFF;
  up_->Hooks.ShowAddress = [&](uint32_t a) { shown = a; };
  const uint32_t pc = up_->GetPC();
  up_->ShowPreviousPC();
  EXPECT_EQ(shown, 3u);
  up_->ShowPreviousPC();
  EXPECT_EQ(shown, 2u);
  up_->ShowPreviousPC();
  EXPECT_EQ(shown, 1u);
  EXPECT_EQ(up_->GetPC(), pc);
  EXPECT_EQ(R(41), 3);
  // A trace starts from the newest entry again.
  up_->TraceStep();
  up_->ShowPreviousPC();
  EXPECT_EQ(shown, 4u);
}

// ---- resets ----------------------------------------------------------------------------------------

TEST_F(ReviewRunTest, CpuResetClearsTheTarget) {
  at(0, {e("MVL", 1), e("SLP")});
  up_->TraceStep();
  up_->TraceStep();
  up_->WriteRegisterModel(4095, 0x55);
  up_->PushStack(0x123);
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  up_->CpuReset();
  for (int a = 0; a < 4096; ++a) ASSERT_EQ(R(a), 0) << a;
  EXPECT_EQ(up_->GetPC(), 0u);
  EXPECT_EQ(cycles(), 0u);
  EXPECT_EQ(up_->GetStackEntry(1), 0u);
  EXPECT_EQ(up_->State().SleepFlag, 0);
  EXPECT_EQ(up_->State().IdleFlag, 0);
  EXPECT_EQ(up_->HardwareBreakpointCount(), 0);
  EXPECT_EQ(up_->PopPcHistory(), 0u);
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 0);
}

TEST_F(ReviewRunTest, ResetDebugTargetClearsAPendingTwoWordInstruction) {
  up_->State().PendingTwoWordKind = 25;
  up_->State().TwoWordOperand = 7;
  up_->State().PointerSelect = 2;
  up_->ResetDebugTarget();
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
  EXPECT_EQ(up_->State().TwoWordOperand, 0);
  EXPECT_EQ(up_->State().PointerSelect, 0);
  EXPECT_EQ(up_->GetPC(), 0u);
}

// ---- breakpoint tables ---------------------------------------------------------------------------

TEST_F(ReviewRunTest, BreakpointOnTheSecondWordMovesToTheFirst) {
  at(0x40, {e("CALL", 0, 0), e("NOPF", 0x100)});
  ASSERT_TRUE(up_->SetBreakpoint(0x41, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 1);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0x40);
  EXPECT_EQ(up_->GetBreakpointFlag(0x40, 1), 1);
  EXPECT_EQ(up_->GetBreakpointFlag(0x41, 1), 0);
}

TEST_F(ReviewRunTest, FifteenthBreakpointReplacesTheOldest) {
  for (int i = 0; i < 15; ++i) ASSERT_TRUE(up_->SetBreakpoint(0x100 + i, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 14);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0x101);
  EXPECT_EQ(up_->BreakpointAddressAt(14), 0x10E);
  EXPECT_EQ(up_->GetBreakpointFlag(0x100, 0), 0);  // no flag left behind
  EXPECT_EQ(up_->GetBreakpointFlag(0x10E, 1), 1);
  // The evicted one no longer stops a run.
  at(0xF0, {e("NOP")});
  up_->SetProgramCounter(0xF0);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x101u);
}

TEST_F(ReviewRunTest, SettingTheSameBreakpointTwiceKeepsOneRecord) {
  ASSERT_TRUE(up_->SetBreakpoint(0x30, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x31, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x30, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 2);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0x31);
  EXPECT_EQ(up_->BreakpointAddressAt(2), 0x30);
  EXPECT_EQ(up_->GetBreakpointFlag(0x30, 1), 1);
  // A source-line breakpoint at the same address is a separate record.
  ASSERT_TRUE(up_->SetBreakpoint(0x30, 2, true, 2, 7));
  EXPECT_EQ(up_->BreakpointCount(), 3);
}

TEST_F(ReviewRunTest, ClearingMovesLaterRecordsDown) {
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(up_->SetBreakpoint(0x50 + i, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x51, 1, false));
  EXPECT_EQ(up_->BreakpointCount(), 3);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0x50);
  EXPECT_EQ(up_->BreakpointAddressAt(2), 0x52);
  EXPECT_EQ(up_->BreakpointAddressAt(3), 0x53);
  EXPECT_EQ(up_->BreakpointAddressAt(4), 0xFFFFF);
  EXPECT_EQ(up_->GetBreakpointFlag(0x51, 1), 0);
  // Clearing with the other kind leaves it.
  ASSERT_TRUE(up_->SetBreakpoint(0x52, 2, false));
  EXPECT_EQ(up_->BreakpointCount(), 3);
  EXPECT_EQ(up_->GetBreakpointFlag(0x52, 1), 1);
}

TEST_F(ReviewRunTest, BreakpointRefusedOutsideProgramMemory) {
  EXPECT_FALSE(up_->SetBreakpoint(0xFFFFF, 1, true));
  EXPECT_FALSE(up_->SetBreakpoint(0x100000, 1, true));
  EXPECT_FALSE(up_->SetBreakpoint(8192, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_TRUE(up_->SetBreakpoint(8191, 1, true));
}

TEST_F(ReviewRunTest, BreakpointAfterAPclatlWriteIsRefused) {
  test::ScriptedDialogs dialogs;
  at(0x30, {e("MVF", 27, 1, 0), e("NOP")});
  up_->SetBreakpoint(0x31, 1, true);
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x31, 1), 0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Can not be setup breakpoint after operation PCLATL!!");
  // A read of PCLATL into W does not count.
  at(0x40, {e("MVF", 27, 0, 0), e("NOP")});
  EXPECT_TRUE(up_->SetBreakpoint(0x41, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 1);
}

TEST_F(ReviewRunTest, WhichWordsWritePclatl) {
  EXPECT_TRUE(up_->WritesPclatl(e("MVF", 27, 1, 0)));
  EXPECT_FALSE(up_->WritesPclatl(e("MVF", 27, 0, 0)));
  EXPECT_FALSE(up_->WritesPclatl(e("MVF", 27, 1, 1)));  // banked
  EXPECT_TRUE(up_->WritesPclatl(e("ADDF", 27, 1, 0)));
  EXPECT_TRUE(up_->WritesPclatl(e("INSUZ", 27, 1, 0)));
  EXPECT_TRUE(up_->WritesPclatl(e("ARRC", 27, 1, 0)));
  EXPECT_TRUE(up_->WritesPclatl(e("CLRF", 27, 0)));
  EXPECT_FALSE(up_->WritesPclatl(e("CLRF", 27, 1)));
  EXPECT_TRUE(up_->WritesPclatl(e("BSF", 27, 3, 0)));
  EXPECT_TRUE(up_->WritesPclatl(e("BCF", 27, 0, 0)));
  EXPECT_FALSE(up_->WritesPclatl(e("BSF", 27, 3, 1)));
  EXPECT_FALSE(up_->WritesPclatl(e("ADDF", 26, 1, 0)));
  EXPECT_FALSE(up_->WritesPclatl(e("MVL", 27)));
  // Through pointer 0 holding 27.
  up_->WriteRegisterModel(15, 0);
  up_->WriteRegisterModel(16, 27);
  EXPECT_TRUE(up_->WritesPclatl(e("SWPF", 0, 1, 0)));
}

TEST_F(ReviewRunTest, HardwareListFollowsTheRecords) {
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 2, true, 1, 4));
  EXPECT_EQ(up_->HardwareBreakpointCount(), 2);
  EXPECT_EQ(up_->HardwareBreakpoints()[0], 0x10u);
  EXPECT_EQ(up_->HardwareBreakpoints()[1], 0x20u);
  for (int i = 2; i < 15; ++i) EXPECT_EQ(up_->HardwareBreakpoints()[size_t(i)], 0x20u) << i;
  EXPECT_EQ(up_->PodStopAddress(), 0x10u);
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, false));
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 2, false));
  EXPECT_EQ(up_->HardwareBreakpointCount(), 0);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(up_->HardwareBreakpoints()[size_t(i)], 0xFFFFFu) << i;
  EXPECT_EQ(up_->PodStopAddress(), 0xFFFFFu);
}

TEST_F(ReviewRunTest, PodStopAddressArmAndDisarm) {
  up_->SetPodStopAddress(0x123, 1);
  EXPECT_EQ(up_->PodStopAddress(), 0x123u);
  EXPECT_EQ(up_->PodStopArmed(), 1);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(up_->HardwareBreakpoints()[size_t(i)], 0x123u) << i;
  ASSERT_TRUE(up_->SetBreakpoint(0x40, 1, true));
  up_->SetPodStopAddress(0x200, 1);
  EXPECT_EQ(up_->HardwareBreakpoints()[0], 0x40u);  // records in use: list kept
  up_->SetPodStopAddress(0, 0);
  EXPECT_EQ(up_->PodStopAddress(), 0x40u);
  EXPECT_EQ(up_->PodStopArmed(), 0);
}

TEST_F(ReviewRunTest, BuiltInSiteRecordsSetNoFlag) {
  EXPECT_TRUE(up_->AddBreakpointRecord(0x70, 0, 1, 0, 0));
  EXPECT_EQ(up_->BreakpointCount(), 1);
  EXPECT_EQ(up_->BreakpointRecordAt(1).Kind, 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x70, 0), 0);
  EXPECT_EQ(up_->HardwareBreakpoints()[0], 0x70u);
  EXPECT_FALSE(up_->AddBreakpointRecord(0x71, 0, 11, 0, 0));  // slot above 10
  EXPECT_EQ(up_->BreakpointCount(), 1);
}

TEST_F(ReviewRunTest, ClearBreakpointsEmptiesTheTables) {
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x11, 2, true, 1, 1));
  up_->State().PendingTwoWordKind = 44;
  up_->ClearBreakpoints();
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0xFFFFF);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(up_->HardwareBreakpoints()[size_t(i)], 0xFFFFFu) << i;
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

// ---- K08B runs ----------------------------------------------------------------------------------

TEST_F(ReviewRunTest, K08BStepOverOneWordCall) {
  up_->LoadInstructionTableReduced();
  variant_ = 1;
  at(0x10, {e("CALL", 0x080), e("NOP")});
  at(0x80, {e("NOP"), e("RET")});
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(cycles(), 1u + 1u + 2u);
}

// ---- emulator stepping ----------------------------------------------------------------------------

class ReviewEmuTest : public ReviewRunTest {
 protected:
  void SetUp() override {
    ReviewRunTest::SetUp();
    Modes().SimulatorMode = 0;
    up_->SetPod(&pod_);
  }
  review::RecordingPod pod_;
};

TEST_F(ReviewEmuTest, TraceStepsThePodOnce) {
  at(0, {e("NOP")});
  pod_.prog[0] = e("NOP");
  pod_.calls.clear();
  up_->TraceStep();
  ASSERT_EQ(pod_.steps.size(), 1u);
  EXPECT_EQ(pod_.steps[0], 1);
  EXPECT_GE(pod_.indexOf("StopBit"), 0);
  EXPECT_LT(pod_.indexOf("StopBit"), pod_.indexOf("Step 1"));
  EXPECT_GT(pod_.indexOf("Stop"), pod_.indexOf("Step 1"));
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(ReviewEmuTest, TwoWordAndTakenBranchWordsStepTwice) {
  struct Case {
    uint16_t word;
    uint8_t status;
    int steps;
  };
  const Case cases[] = {
      {e("MVLP", 1), 0, 2},   {e("LDPR", 1), 0, 2},  {e("MVFF", 0x50), 0, 2},
      {e("JZ", 4), 0x01, 2},  {e("JZ", 4), 0x00, 1}, {e("JNC", 4), 0x00, 2},
      {e("JNC", 4), 0x10, 1}, {e("MVF", 27, 1, 0), 0, 2}, {e("NOP"), 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    at(0, {c.word});
    pod_.prog[0] = c.word;
    pod_.pc = 0;
    pod_.mem[43] = c.status;
    up_->SetProgramCounter(0);
    up_->WriteRegisterModel(43, c.status);
    pod_.steps.clear();
    up_->TraceStep();
    ASSERT_EQ(pod_.steps.size(), 1u);
    EXPECT_EQ(pod_.steps[0], c.steps);
  }
}

TEST_F(ReviewEmuTest, SkipWordsStepTwiceWhenTheSkipHolds) {
  struct Case {
    const char* m;
    int b;
    uint8_t f;
    int steps;
  };
  const Case cases[] = {{"BTSS", 1, 0x02, 2}, {"BTSS", 1, 0x00, 1}, {"BTSZ", 1, 0x00, 2},
                        {"INSZ", 1, 0xFF, 2}, {"DCSZ", 1, 0x05, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m);
    const uint16_t w = e(c.m, 0x60, c.b, 0);
    at(0, {w});
    pod_.prog[0] = w;
    pod_.pc = 0;
    pod_.mem[0x60] = c.f;
    up_->SetProgramCounter(0);
    up_->WriteRegisterModel(0x60, c.f);
    pod_.steps.clear();
    up_->TraceStep();
    ASSERT_EQ(pod_.steps.size(), 1u);
    EXPECT_EQ(pod_.steps[0], c.steps);
  }
}

TEST_F(ReviewEmuTest, BreakpointsGoToThePod) {
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  EXPECT_EQ(pod_.breakpoints[0], 0x10u);
  EXPECT_EQ(pod_.breakpoints[1], 0x10u);
  EXPECT_EQ(pod_.breakpoints[2], 0x20u);
  EXPECT_EQ(pod_.breakpoints[15], 0x20u);
}

TEST_F(ReviewEmuTest, RunWithBreakpointsUsesTheBreakpointRun) {
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  pod_.calls.clear();
  up_->RunProgram();
  EXPECT_EQ(pod_.count("RunBP"), 1);
  EXPECT_EQ(pod_.count("RunFree"), 0);
  up_->StopProgram(0);
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, false));
  pod_.calls.clear();
  up_->RunProgram();
  EXPECT_EQ(pod_.count("RunFree"), 1);
  up_->StopProgram(0);
}

}  // namespace
}  // namespace kyvor
