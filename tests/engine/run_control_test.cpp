// Run control in simulator mode: runs, slices, trace and animated steps, step
// over, step out, run ranges, step back and resets.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/cpu_fixture.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class RunControlTest : public test::CpuFixture {};

// A step out whose return address is 0xFFFFF still stops there: that stop
// address is the step's own, not the pod's marker.
TEST_F(RunControlTest, StepOutToTheLastAddressStillStops) {
  up_->PushStack(0xFFFFF);
  up_->SetProgramCounter(0xFFFF0);  // empty (NOP) words up to it
  up_->StepOut();
  EXPECT_EQ(up_->RunToStop(100, 1000), TRunStop::StopAddress);
  EXPECT_EQ(up_->GetPC(), 0xFFFFFu);
}

TEST_F(RunControlTest, RunSliceRunsAtMostItsBudget) {
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(5), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 5u);
  EXPECT_EQ(up_->runSlice(7), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 12u);
  EXPECT_EQ(stopped_, 0);
  up_->StopProgram(0);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(RunControlTest, TraceOfAnUndecodableWord) {
  at(0, {0xC3AB});
  up_->TraceStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(stopped_, 1);
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(l, 0);
}

// The simulator's animated step has no chip to ask.
TEST_F(RunControlTest, SimulatorAnimatedStepAsksNoChip) {
  test::FakePod pod;
  up_->SetPod(&pod);
  test::ScriptedDialogs dialogs;
  pod.chipIdResult = 1;
  pod.chipId = 0;
  up_->AnimateStep();
  EXPECT_EQ(pod.count("PodReadChipId"), 0);
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(up_->GetPC(), 1u);
  up_->SetPod(nullptr);
}

// The fast run loop and the tick-by-tick run give the same target state on
// random programs and random register images (both variants).
TEST(RunLoops, SliceAndTicksAgreeOnRandomPrograms) {
  for (int variant = 0; variant < 2; ++variant) {
    for (uint32_t seed = 1; seed <= 16; ++seed) {
      SCOPED_TRACE("variant " + std::to_string(variant) + " seed " + std::to_string(seed));
      ResetModes();
      ResetChipConfig();
      Chip().ChipRomWords = 4096;
      TKy_UP a, b;
      for (TKy_UP* u : {&a, &b}) {
        u->ApplyChipConfig();
        if (variant == 1) u->LoadInstructionTableReduced();
      }
      uint32_t x = seed * 2654435761u;
      auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
      };
      for (uint32_t addr = 0; addr < 4096; ++addr) {
        const uint16_t w = uint16_t(next());
        a.StoreProgramWord(uint16_t(addr), w, 0, 0);
        b.StoreProgramWord(uint16_t(addr), w, 0, 0);
      }
      for (int r = 0; r < 4096; ++r) {
        const uint8_t v = uint8_t(next());
        a.WriteRegisterModel(r, v);
        b.WriteRegisterModel(r, v);
      }
      for (TKy_UP* u : {&a, &b}) {
        u->WriteRegisterModel(24, 0);
        u->WriteRegisterModel(65, 0x80);
        u->SetProgramCounter(0);
      }
      a.RunProgram();
      const TRunStop ra = a.runSlice(5000);
      b.RunProgram();
      int ticks = 0;
      while (b.TimerEnabled() && ticks < 5000) {
        b.TimerTimer();
        ++ticks;
      }
      const TRunStop rb = b.TimerEnabled() ? TRunStop::Running : b.LastStop();
      EXPECT_EQ(ra, rb);
      EXPECT_EQ(a.GetPC(), b.GetPC());
      uint16_t ah, al, bh, bl;
      a.GetCycleCounter(ah, al);
      b.GetCycleCounter(bh, bl);
      EXPECT_EQ(ah, bh);
      EXPECT_EQ(al, bl);
      EXPECT_GT((uint32_t(ah) << 16) | al, 20u);  // the programs really ran
      int diffs = 0;
      for (int r = 0; r < 4096 && diffs < 5; ++r)
        if (a.ReadRegister(r) != b.ReadRegister(r)) {
          ++diffs;
          ADD_FAILURE() << "register " << r << ": " << int(a.ReadRegister(r)) << " vs "
                        << int(b.ReadRegister(r));
        }
      for (int i = 0; i <= 8; ++i) EXPECT_EQ(a.GetStackEntry(i), b.GetStackEntry(i)) << i;
      for (int i = 0; i < 16; ++i) EXPECT_EQ(a.PopPcHistory(), b.PopPcHistory()) << i;
      EXPECT_EQ(a.State().SleepFlag, b.State().SleepFlag);
      EXPECT_EQ(a.State().IdleFlag, b.State().IdleFlag);
      a.StopProgram(0);
      b.StopProgram(0);
    }
  }
  ResetModes();
  ResetChipConfig();
}

TEST_F(RunControlTest, HistoryCursorRestartsOnEveryRun) {
  at(0x30, {e("RJ", (0 - 0x31) & 0x7FF)});
  ASSERT_TRUE(up_->SetBreakpoint(0x08, 1, true));
  up_->RunProgram();
  up_->RunToStop(1000, 100000);
  ASSERT_EQ(up_->GetPC(), 0x08u);
  EXPECT_EQ(up_->PopPcHistory(), 7u);
  EXPECT_EQ(up_->PopPcHistory(), 6u);
  up_->SetProgramCounter(0x09);
  up_->RunProgram();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->PopPcHistory(), 7u);
}

TEST_F(RunControlTest, RunRangeStopsOnLeavingAndIgnoresBreakpoints) {
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

TEST_F(RunControlTest, RunRangeStopsAtTheLowBound) {
  at(0x24, {e("RJ", (0x20 - 0x25) & 0x7FF)});
  up_->SetProgramCounter(0x22);
  up_->SetRunRange(0x20, 0x30);
  EXPECT_EQ(run(), TRunStop::RunRange);
  EXPECT_EQ(up_->GetPC(), 0x20u);
}

TEST_F(RunControlTest, StopProgramEndsAnArmedRun) {
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

TEST_F(RunControlTest, TraceExecutesOneInstruction) {
  at(0, {e("MVL", 0x42), e("MVL", 0x43)});
  up_->StepReady = 0;
  up_->TraceStep();
  EXPECT_EQ(regAt(41), 0x42);
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(traced_, 0);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(RunControlTest, AnimatedStepReportsThroughTheTraceCallback) {
  at(0, {e("NOP"), e("NOP"), e("NOP")});
  up_->AnimateStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(traced_, 1);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(RunControlTest, StepOverLongCallStopsOnReturn) {
  // 0x10: CALL 0x080 (two words); 0x080: NOP, NOP, RET.
  at(0x10, {e("CALL", 0, 0), e("NOPF", 0x080)});
  at(0x80, {e("NOP"), e("NOP"), e("RET")});
  ASSERT_TRUE(up_->SetBreakpoint(0x81, 1, true));  // does not stop the step over
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(regAt(24) & 0x1F, 0);
  EXPECT_GE(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 0);
  EXPECT_FALSE(up_->StopAddressActive());
}

TEST_F(RunControlTest, StepOverRelativeCall) {
  at(0x10, {e("RCALL", 0x20)});  // to 0x31
  at(0x31, {e("NOP"), e("RET")});
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(cycles(), 2u + 1u + 2u);
}

TEST_F(RunControlTest, StepOverAnythingElseIsATrace) {
  at(0x10, {e("MVL", 0x12), e("NOP")});
  up_->SetProgramCounter(0x10);
  up_->StepOver();
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(regAt(41), 0x12);
  EXPECT_EQ(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
}

TEST_F(RunControlTest, StepOverLeavesNoStopBehind) {
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

TEST_F(RunControlTest, StepOutStopsAtTheStackTopAddress) {
  // 0x00 CALL 0x040; 0x040 CALL 0x060; 0x060 NOP NOP RET; 0x042 NOP, RET.
  at(0x00, {e("CALL", 0, 0), e("NOPF", 0x040)});
  at(0x40, {e("CALL", 0, 0), e("NOPF", 0x060), e("NOP"), e("RET")});
  at(0x60, {e("NOP"), e("NOP"), e("RET")});
  up_->TraceStep();
  up_->TraceStep();
  ASSERT_EQ(up_->GetPC(), 0x60u);
  ASSERT_EQ(regAt(24) & 0x1F, 2);
  ASSERT_EQ(up_->GetStackEntry(2), 0x41u);
  stopped_ = 0;
  up_->StepOut();
  up_->RunToStop(1000, 100000);
  EXPECT_EQ(up_->GetPC(), 0x41u);
  EXPECT_EQ(regAt(24) & 0x1F, 1);
  EXPECT_GE(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
}

TEST_F(RunControlTest, StepOutLeavesNoStopBehind) {
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

TEST_F(RunControlTest, StepBackShowsEarlierAddressesWithoutChangingState) {
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
  EXPECT_EQ(regAt(41), 3);
  // A trace starts from the newest entry again.
  up_->TraceStep();
  up_->ShowPreviousPC();
  EXPECT_EQ(shown, 4u);
}

TEST_F(RunControlTest, CpuResetClearsTheTarget) {
  at(0, {e("MVL", 1), e("SLP")});
  up_->TraceStep();
  up_->TraceStep();
  up_->WriteRegisterModel(4095, 0x55);
  up_->PushStack(0x123);
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  up_->CpuReset();
  for (int a = 0; a < 4096; ++a) ASSERT_EQ(regAt(a), 0) << a;
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

TEST_F(RunControlTest, ResetDebugTargetClearsAPendingTwoWordInstruction) {
  up_->State().PendingTwoWordKind = 25;
  up_->State().TwoWordOperand = 7;
  up_->State().PointerSelect = 2;
  up_->ResetDebugTarget();
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
  EXPECT_EQ(up_->State().TwoWordOperand, 0);
  EXPECT_EQ(up_->State().PointerSelect, 0);
  EXPECT_EQ(up_->GetPC(), 0u);
}

TEST_F(RunControlTest, K08BStepOverOneWordCall) {
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

TEST_F(RunControlTest, RunSliceReturnsRunningUntilStopped) {
  at(0, {enc("ADDL", 1), enc("RJ", 0x7FE)});  // loop: ADDL; RJ -2
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
  at(0x10, {enc("CALL", 0x00, 0), enc("NOPF", 0x100), enc("RJ", 0x7FD)});
  // Subroutine: NOP, NOP, RET; a breakpoint inside.
  at(0x100, {0, 0, enc("RET", 0)});
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
  EXPECT_EQ(run(1000000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x101u);
  EXPECT_EQ(run(1000000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x101u);
}

TEST_F(RunControlTest, StepOverWithoutBreakpointsLeavesNoStop) {
  at(0x10, {enc("RCALL", 0x0F0), enc("RJ", 0x7FE)});  // RCALL 0x101; loop
  at(0x101, {enc("RET", 0)});
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
  at(0, {enc("MVL", 7), enc("MVL", 8)});
  up().StepOver();
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(up().ReadRegister(reg::W), 7);
  EXPECT_FALSE(up().TimerEnabled());
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up().StepReady, 1);
}

TEST_F(RunControlTest, StepOutStopsAtTheReturnAddress) {
  // main 0x10: RCALL a (0x40); a: RCALL b (0x80); b: NOPs, RET; a: RET.
  at(0x10, {enc("RCALL", 0x2F)});
  at(0x40, {enc("RCALL", 0x3F), enc("RET", 0)});
  at(0x80, {0, 0, 0, enc("RET", 0)});
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
  at(0x10, {0, 0, 0, 0});
  up().SetProgramCounter(0x10);
  up().SetBreakpoint(0x12, 1, true);  // inside the range: not tested
  up().SetRunRange(0x0F, 0x13);
  EXPECT_TRUE(up().RunRangeActive());
  up().RunProgram();
  EXPECT_EQ(up().RunToStop(1000, 100000), TRunStop::RunRange);
  EXPECT_EQ(up().GetPC(), 0x13u);
  EXPECT_FALSE(up().RunRangeActive());
}

TEST_F(RunControlTest, TraceAndAnimateSteps) {
  at(0, {enc("MVL", 1), enc("MVL", 2), enc("MVL", 3)});
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

TEST_F(RunControlTest, StepBackShowsHistoryWithoutChangingState) {
  at(0, {0, 0, 0, 0});
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

// A step over whose run is cut short by a reset or by clearing the
// breakpoints leaves no stop behind: the next run stops at its breakpoint,
// not at the old return address.
TEST_F(RunControlTest, ResetOrClearDuringAStepOverLeavesNoStopBehind) {
  // 0x00: jump to the loop; 0x10: CALL 0x20 (two words), NOP, back to 0x10;
  // 0x20: RET.
  const auto program = [&] {
    at(0x00, {e("RJ", 0x0F)});
    at(0x10, {e("CALL", 0, 0), e("NOPF", 0x20), e("NOP"), e("RJ", 0x7FC)});
    at(0x20, {e("RET")});
  };
  const std::function<void()> interruptions[] = {
      [&] { up().CpuReset(); },
      [&] { up().ResetDebugTarget(); },
      [&] { up().ClearBreakpoints(); },
  };
  for (const auto& interrupt : interruptions) {
    program();
    up().SetProgramCounter(0x10);
    up().StepOver();  // armed: a stop at 0x12, the return address
    ASSERT_TRUE(up().StopAddressActive());
    interrupt();
    EXPECT_FALSE(up().StopAddressActive());
    EXPECT_EQ(up().PodStopArmed(), 0);
    up().SetProgramCounter(0x00);
    ASSERT_TRUE(up().SetBreakpoint(0x13, 1, true));
    EXPECT_EQ(run(100000), TRunStop::Breakpoint);
    EXPECT_EQ(pc(), 0x13u);
    up().ClearBreakpoints();
  }
}

// The run loop is compiled apart from the single step: from the same random
// program and registers, a run of N ticks leaves the whole state as N single
// steps (each with its interrupt check) do, with the PC mirrored or not, on
// both instruction sets, and stops where the steps first reach a breakpoint.
class RunLoopAgreementTest : public test::CpuFixture {
 protected:
  static constexpr uint32_t kWords = 256;
  static constexpr uint64_t kTicks = 3000;

  // Random words over the first page and random bytes over the registers the
  // instructions use (the timer and its interrupt included); PC at 0.
  static void fill(TKy_UP& up, std::mt19937& rng) {
    up.CpuReset();
    for (uint32_t a = 0; a < kWords; ++a)
      up.StoreProgramWord(uint16_t(a), uint16_t(rng()), uint16_t(a + 1), 0);
    for (int a = 0; a < 0x60; ++a) up.WriteRegisterModel(a, uint8_t(rng()));
    up.WriteRegisterModel(reg::STKPTR, 0);
    up.WriteRegisterModel(reg::TMRCTL, uint8_t(0x80 | (rng() & 0x70)));
    up.State().SetProgramCounter(0);
  }
  // One tick as the run loop takes it, executed by the single step.
  static void tick(TKy_UP& up) {
    if (!(up.State().SleepFlag | up.State().IdleFlag)) up.Core().ExecuteOne();
    up.Core().CheckInterrupt();
  }
  static void expectSameState(const TTargetState& a, const TTargetState& b) {
    EXPECT_EQ(a.GetPC(), b.GetPC());
    EXPECT_EQ(a.Cycles(), b.Cycles());
    for (int i = 0; i < TTargetState::kRegisterCount; ++i)
      ASSERT_EQ(a.ReadRegister(i), b.ReadRegister(i)) << "register " << i;
    for (int i = 0; i < TTargetState::kStackSlots; ++i)
      EXPECT_EQ(a.GetStackEntry(i), b.GetStackEntry(i)) << "stack entry " << i;
    for (int i = 0; i < TTargetState::kHistoryDepth; ++i)
      EXPECT_EQ(a.PcHistoryAt(i), b.PcHistoryAt(i)) << "history entry " << i;
    EXPECT_EQ(a.SleepFlag, b.SleepFlag);
    EXPECT_EQ(a.IdleFlag, b.IdleFlag);
    EXPECT_EQ(a.PendingTwoWordKind, b.PendingTwoWordKind);
    EXPECT_EQ(a.TimerPrescaleCount, b.TimerPrescaleCount);
  }
  void compare(bool k08b, bool mirror, bool breakpoints) {
    TKy_UP stepped;
    stepped.ApplyChipConfig();
    if (k08b) {
      up().LoadInstructionTableReduced();
      stepped.LoadInstructionTableReduced();
    }
    for (unsigned seed = 1; seed <= 40; ++seed) {
      SCOPED_TRACE(testing::Message() << "seed " << seed);
      std::mt19937 rng(seed), same(seed);
      fill(up(), rng);
      fill(stepped, same);
      std::vector<uint32_t> flagged;
      for (int i = 0; breakpoints && i < 6; ++i) {
        const uint32_t a = rng() % kWords;
        up().State().SetBreakpointFlag(a, 1, 1);
        flagged.push_back(a);
      }
      up().State().SetMirrorPc(mirror);
      stepped.State().SetMirrorPc(mirror);
      bool stopped = false;
      const uint64_t ticks = up().Core().RunUntilBreak(kTicks, ~0u, stopped);
      uint64_t n = 0;
      bool reached = false;
      while (n < kTicks && !reached) {
        tick(stepped);
        ++n;
        for (uint32_t a : flagged) reached |= stepped.GetPC() == a;
      }
      EXPECT_EQ(stopped, reached);
      EXPECT_EQ(ticks, n);
      expectSameState(up().State(), stepped.State());
      for (uint32_t a : flagged) up().State().SetBreakpointFlag(a, 1, 0);
    }
  }
};

TEST_F(RunLoopAgreementTest, K08AMirrored) { compare(false, true, false); }
TEST_F(RunLoopAgreementTest, K08ANotMirrored) { compare(false, false, false); }
TEST_F(RunLoopAgreementTest, K08BMirrored) { compare(true, true, false); }
TEST_F(RunLoopAgreementTest, K08AWithBreakpoints) { compare(false, true, true); }
TEST_F(RunLoopAgreementTest, K08BWithBreakpoints) { compare(true, true, true); }

}  // namespace
}  // namespace kyvor
