// Review tests of edges: the deepest stack, program sizes that are not whole
// pages, slices of a run, reset of the simulated timer, and the emulator's
// built-in EEPROM accesses.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "engine/review_pod.h"
#include "engine/review_spec_table.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class ReviewEdgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    Chip().ChipRomWords = 8192;
    Chip().StackDepth = 8;
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
    up_->OnRunStopped = [this](TKy_UP&) { ++stopped_; };
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
  void S(int a, uint8_t v) { up_->WriteRegisterModel(a, v); }

  std::unique_ptr<TKy_UP> up_;
  int variant_ = 0;
  int stopped_ = 0;
};

TEST_F(ReviewEdgeTest, ProgramSizeRoundsDownToWholePages) {
  Chip().ChipRomWords = 1000;  // 3 pages of 256
  up_->ApplyChipConfig();
  EXPECT_TRUE(up_->StoreProgramWord(767, 0x1111, 1, 0));
  EXPECT_FALSE(up_->StoreProgramWord(768, 0x2222, 1, 0));
  EXPECT_EQ(up_->ReadProgramWord(768), 0);
  EXPECT_FALSE(up_->SetBreakpoint(768, 1, true));
  EXPECT_TRUE(up_->SetBreakpoint(767, 1, true));
}

// With the deepest stack (31 levels) the count must not carry into the
// "OVER" bit: an overflowing push overwrites the top entry.
TEST_F(ReviewEdgeTest, DeepestStackOverflowOverwritesTheTop) {
  Chip().StackDepth = 31;
  up_->ApplyChipConfig();
  for (uint32_t i = 1; i <= 30; ++i) up_->PushStack(i);
  EXPECT_EQ(R(24), 30);
  up_->PushStack(31);
  EXPECT_EQ(R(24), 0x80 | 31);
  EXPECT_EQ(up_->GetStackEntry(31), 31u);
  up_->PushStack(32);  // overflow: the top entry is overwritten
  EXPECT_EQ(R(24) & 0x1F, 31);
  EXPECT_EQ(R(24) & 0xA0, 0xA0);
  EXPECT_EQ(R(24), 0xBF);
  EXPECT_EQ(up_->GetStackEntry(31), 32u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);
  up_->PushStack(33);  // a second overflow: still no underflow mark, no wrap
  EXPECT_EQ(R(24), 0xBF);
  EXPECT_EQ(up_->GetStackEntry(31), 33u);
  EXPECT_EQ(up_->GetStackEntry(30), 30u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);
  EXPECT_EQ(up_->PopStack(true), 33u);
  EXPECT_EQ(R(24) & 0x1F, 30);
  EXPECT_EQ(up_->PopStack(true), 30u);
}

// A count written above the depth (through the register) overflows on the
// next push instead of wrapping to entry 0.
TEST_F(ReviewEdgeTest, PushWithACountAboveTheDepthOverflows) {
  S(24, 0x1F);  // count 31 with a depth of 8
  up_->PushStack(0x44);
  EXPECT_EQ(R(24), 0x28);
  EXPECT_EQ(up_->GetStackEntry(8), 0x44u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);
}

// A PC beyond program memory has no cell, so it meets no breakpoint: the
// breakpoint at 0x10 must not be found again at 0x8010 or 0x10010.
TEST_F(ReviewEdgeTest, RunBeyondProgramMemoryMeetsNoBreakpoint) {
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  up_->SetProgramCounter(0x800F);  // beyond the 8,192 words: empty (NOP) cells
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 0x800Fu + 100u);
  up_->StopProgram(0);
  // The same through the tick-by-tick loop (taken while the stack-overflow
  // stop is on) and past 0x10010.
  up_->Settings.StopOnStackOverflow = true;
  up_->SetProgramCounter(0x1000F);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 0x1000Fu + 100u);
  up_->StopProgram(0);
}

// Within program memory, below the end of a smaller chip, a flag still stops.
TEST_F(ReviewEdgeTest, BreakpointNearTheEndOfProgramMemoryStillStops) {
  ASSERT_TRUE(up_->SetBreakpoint(8191, 2, true, 1, 5));
  up_->SetProgramCounter(8100);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(1000), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 8191u);
}

// With no breakpoint the pod's list holds only the unused marker 0xFFFFF; a
// runaway simulator run passes that address without reporting a breakpoint.
TEST_F(ReviewEdgeTest, RunThroughTheUnusedMarkerAddress) {
  ASSERT_EQ(up_->PodStopAddress(), 0xFFFFFu);
  up_->SetProgramCounter(0xFFFF0);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), (0xFFFF0u + 100u) & 0xFFFFFu);
  up_->StopProgram(0);
  EXPECT_EQ(stopped_, 1);  // the stop only
  // The tick-by-tick loop too.
  up_->Settings.StopOnStackOverflow = true;
  up_->SetProgramCounter(0xFFFF0);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), (0xFFFF0u + 100u) & 0xFFFFFu);
  up_->StopProgram(0);
  EXPECT_EQ(up_->PodStopAddress(), 0xFFFFFu);  // the pod-facing value is kept
}

// A breakpoint set and cleared again leaves the marker behind, which still
// stops nothing; a breakpoint that is set stops as before.
TEST_F(ReviewEdgeTest, ClearedBreakpointLeavesNoStopAtTheMarker) {
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  EXPECT_EQ(up_->PodStopAddress(), 0x20u);
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, false));
  EXPECT_EQ(up_->PodStopAddress(), 0xFFFFFu);
  up_->SetProgramCounter(0xFFFFA);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(10), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 4u);
  up_->StopProgram(0);
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 2, true, 1, 7));
  up_->SetProgramCounter(0xFFFFA);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x20u);
}

// A step out whose return address is 0xFFFFF still stops there: that stop
// address is the step's own, not the pod's marker.
TEST_F(ReviewEdgeTest, StepOutToTheLastAddressStillStops) {
  up_->PushStack(0xFFFFF);
  up_->SetProgramCounter(0xFFFF0);  // empty (NOP) words up to it
  up_->StepOut();
  EXPECT_EQ(up_->RunToStop(100, 1000), TRunStop::StopAddress);
  EXPECT_EQ(up_->GetPC(), 0xFFFFFu);
}

TEST_F(ReviewEdgeTest, RunSliceRunsAtMostItsBudget) {
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(5), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 5u);
  EXPECT_EQ(up_->runSlice(7), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 12u);
  EXPECT_EQ(stopped_, 0);
  up_->StopProgram(0);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(ReviewEdgeTest, CpuResetClearsTheSimulatedTimer) {
  S(65, 0x80);
  up_->State().TimerPrescaleCount = 200;
  up_->State().TimerEdgeFlag = 1;
  up_->CpuReset();
  EXPECT_EQ(up_->State().TimerPrescaleCount, 0);
  EXPECT_EQ(up_->State().TimerEdgeFlag, 0);
  EXPECT_EQ(R(65), 0);
}

TEST_F(ReviewEdgeTest, TraceOfAnUndecodableWord) {
  at(0, {0xC3AB});
  up_->TraceStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(stopped_, 1);
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(l, 0);
}

// ---- appended: ordering of computed jumps, sleeping runs, emulator steps ----------------------

TEST_F(ReviewEdgeTest, BitSetOnPclatlJumpsWithinTheCurrentPage) {
  at(0x100, {e("BSF", 27, 7, 0)});
  up_->SetProgramCounter(0x100);  // mirrors 0x01 into 26
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x181u);  // 27 held 0x01 (the advanced PC) before the bit was set
}

// The animated trace checks the pod's chip after each step as the single
// step does: a sleeping chip (ID 0) stops the animation and hands over to Run.
TEST_F(ReviewEdgeTest, EmulatorAnimatedStepChecksTheChipToo) {
  review::RecordingPod pod;
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
  EXPECT_EQ(pod.count("ChipId"), 1);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text,
            "Sleep mode has already been activated, please push button to awake, or reset IC");
  EXPECT_EQ(sleeping, 1);
  EXPECT_EQ(traced, 1);
  EXPECT_EQ(up_->StepReady, 1);  // nothing waits for this step any more
  up_->SetPod(nullptr);
}

TEST_F(ReviewEdgeTest, EmulatorAnimatedStepReportsALostChip) {
  review::RecordingPod pod;
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
  EXPECT_EQ(pod.count("ChipId"), 2);
  up_->SetPod(nullptr);
}

// The simulator's animated step has no chip to ask.
TEST_F(ReviewEdgeTest, SimulatorAnimatedStepAsksNoChip) {
  review::RecordingPod pod;
  up_->SetPod(&pod);
  test::ScriptedDialogs dialogs;
  pod.chipIdResult = 1;
  pod.chipId = 0;
  up_->AnimateStep();
  EXPECT_EQ(pod.count("ChipId"), 0);
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(up_->GetPC(), 1u);
  up_->SetPod(nullptr);
}

// A skip instruction whose result goes to "PCLATL": the skip is made first,
// then the write latches the computed jump, which wins.
TEST_F(ReviewEdgeTest, SkipOnPclatlLetsTheComputedJumpWin) {
  at(0x100, {e("DCSZ", 27, 1, 0)});
  up_->SetProgramCounter(0x100);  // 26 = 0x01; the fetch leaves 27 = 0x01
  uint16_t h0 = 0, l0 = 0, h1 = 0, l1 = 0;
  up_->GetCycleCounter(h0, l0);
  up_->Core().ExecuteOne();
  up_->GetCycleCounter(h1, l1);
  EXPECT_EQ(up_->GetPC(), 0x100u);  // 25:26:27 after writing 0 to 27
  EXPECT_EQ(R(27), 0);
  EXPECT_EQ(l1 - l0, 2);  // the skip still costs its cycle
}

TEST_F(ReviewEdgeTest, IncrementSkipsOnPclatlLatchTheWrittenByte) {
  // INSUZ: 27 = 0x01 after the fetch, the result 0x02 is not 0 -> skip, then
  // the write jumps to 0x0102.
  at(0x100, {e("INSUZ", 27, 1, 0)});
  up_->SetProgramCounter(0x100);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x102u);
  EXPECT_EQ(R(27), 0x02);
  // INSZ at 0x2FF: 27 = 0x00 after the fetch (PC 0x300), f + 1 = 1, no skip;
  // the write latches 25:26:27 = 0x00:0x02:0x01.
  at(0x2FF, {e("INSZ", 27, 1, 0)});
  up_->SetProgramCounter(0x2FF);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x201u);
  // DCSUZ with the result to W: an ordinary skip, no jump.
  at(0x400, {e("DCSUZ", 27, 0, 0)});
  up_->SetProgramCounter(0x400);
  up_->Core().ExecuteOne();  // 27 = 0x01 after the fetch, result 0 -> no skip
  EXPECT_EQ(up_->GetPC(), 0x401u);
  EXPECT_EQ(R(41), 0);
  // Skips on other registers are unchanged.
  S(0x60, 0xFF);
  at(0x500, {e("INSZ", 0x60, 1, 1), e("NOP"), e("NOP")});
  S(42, 0);
  up_->SetProgramCounter(0x500);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x502u);
  EXPECT_EQ(R(0x60), 0);
}

TEST_F(ReviewEdgeTest, SleepingRunWakesOnAnInterruptInEitherRunLoop) {
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "plain run" : "run with the stack stop option");
    up_->CpuReset();
    up_->Settings.StopOnStackOverflow = pass == 1;
    at(0, {e("SLP"), e("NOP")});
    at(4, {e("NOP")});
    ASSERT_TRUE(up_->SetBreakpoint(4, 1, true));
    S(35, 0x81);
    up_->RunProgram();
    EXPECT_EQ(up_->runSlice(50), TRunStop::Running);
    EXPECT_EQ(up_->GetPC(), 1u);
    EXPECT_EQ(up_->State().SleepFlag, 1);
    S(38, 0x01);
    EXPECT_EQ(up_->runSlice(50), TRunStop::Breakpoint);
    EXPECT_EQ(up_->GetPC(), 4u);
    EXPECT_EQ(up_->State().SleepFlag, 0);
    EXPECT_EQ(up_->GetStackEntry(1), 1u);
    ASSERT_TRUE(up_->SetBreakpoint(4, 1, false));
  }
}

TEST_F(ReviewEdgeTest, EmulatorStepSendsTheCyclesFirst) {
  review::RecordingPod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  up_->SetCycleCounter(0x0001, 0x2345);
  up_->TraceStep();
  const int wcy = pod.indexOf("WCY 1:2345");
  ASSERT_GE(wcy, 0);
  EXPECT_LT(wcy, pod.indexOf("Step 1"));
  EXPECT_GE(pod.indexOf("Watch"), 0);
}

TEST_F(ReviewEdgeTest, EmulatorRelativeJumpsStepTwiceOnKind3Chips) {
  review::RecordingPod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  at(0, {e("RJ", 5)});
  Chip().DeviceKind3 = 1;
  up_->TraceStep();
  Chip().DeviceKind3 = 0;
  up_->SetProgramCounter(0);
  up_->TraceStep();
  ASSERT_EQ(pod.steps.size(), 2u);
  EXPECT_EQ(pod.steps[0], 2);
  EXPECT_EQ(pod.steps[1], 1);
}

TEST_F(ReviewEdgeTest, EmulatorStepOverLeavesNoArmedStop) {
  review::RecordingPod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  at(0x10, {e("RCALL", 0x20)});
  up_->SetProgramCounter(0x10);
  pod.pc = 0x10;
  pod.halted = false;
  up_->StepOver();
  EXPECT_EQ(pod.breakpoints[0], 0x11u);
  EXPECT_EQ(pod.count("RunBP"), 1);
  pod.halted = true;
  pod.pc = 0x11;
  up_->TimerTimer();
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(up_->GetPC(), 0x11u);
  EXPECT_EQ(up_->PodStopArmed(), 0);
  EXPECT_EQ(pod.breakpoints[0], 0xFFFFFu);
  pod.calls.clear();
  up_->RunProgram();  // no breakpoints: a free run
  EXPECT_EQ(pod.count("RunFree"), 1);
  up_->StopProgram(0);
}

TEST_F(ReviewEdgeTest, EmulatorSkipTestReadsTheBankedByte) {
  review::RecordingPod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  struct Case {
    uint16_t word;
    uint8_t lastBank;
    int steps;
  };
  // Model bytes: 0x060 = 0x05, 0x260 = 0x00; bank select 0x12 (low nibble 2); W = 0.
  const Case cases[] = {
      {e("TFSZ", 0x60, 1), 3, 2},       // banked byte 0x260 = 0: skips
      {e("TFSZ", 0x60, 1), 1, 1},       // bank 2 above the last RAM bank: byte 0x060
      {e("TFSZ", 0x60, 0), 3, 1},       // unbanked: byte 0x060
      {e("BTSZ", 0x60, 0, 1), 3, 2},    // bit 0 of 0x260 is 0
      {e("BTSZ", 0x60, 0, 0), 3, 1},    // bit 0 of 0x060 is 1
      {e("INSUZ", 0x60, 1, 1), 3, 2},   // 0x00 + 1 is not 0
      {e("DCSUZ", 0x60, 1, 1), 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    Chip().LastRamBank = c.lastBank;
    at(0, {c.word});
    up_->SetProgramCounter(0);
    S(0x060, 0x05);
    S(0x260, 0x00);
    S(42, 0x12);
    S(41, 0x00);
    pod.steps.clear();
    up_->TraceStep();
    ASSERT_EQ(pod.steps.size(), 1u);
    EXPECT_EQ(pod.steps[0], c.steps);
  }
}

TEST_F(ReviewEdgeTest, NoBreakpointWhenTheSitesTakeEveryPlace) {
  Modes().SimulatorMode = 0;
  review::RecordingPod pod;
  up_->SetPod(&pod);
  Chip().SelfEromMode = 1;
  up_->Settings.PodChipId = 0x8024;
  up_->Settings.EepromBreakCount = 14;  // limit 14 - 14 = 0
  up_->SetBreakpoint(0x30, 1, true);
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x30, 1), 0);
  EXPECT_FALSE(up_->AddBreakpointRecord(0x40, 0, 1, 0, 0));
  up_->Settings.EepromBreakCount = 13;  // limit 1
  EXPECT_TRUE(up_->SetBreakpoint(0x30, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 1);
}

TEST_F(ReviewEdgeTest, BreakpointMarksFollowSetClearAndEviction) {
  std::vector<std::pair<int32_t, bool>> marks;
  up_->Hooks.BreakpointChanged = [&](const TBreakpointRecord& b, bool set) {
    marks.emplace_back(b.Address, set);
  };
  for (int i = 0; i < 14; ++i) ASSERT_TRUE(up_->SetBreakpoint(0x200 + i, 2, true, 1, 10 + i));
  marks.clear();
  ASSERT_TRUE(up_->SetBreakpoint(0x300, 2, true, 1, 99));  // evicts 0x200
  ASSERT_TRUE(up_->SetBreakpoint(0x205, 2, false));
  const std::vector<std::pair<int32_t, bool>> want = {{0x200, false}, {0x300, true}, {0x205, false}};
  EXPECT_EQ(marks, want);
  EXPECT_EQ(up_->BreakpointRecordAt(13).Line, 99);
  EXPECT_EQ(up_->BreakpointRecordAt(13).Page, 1);
  EXPECT_EQ(up_->BreakpointCount(), 13);
}

TEST_F(ReviewEdgeTest, EmulatorStepOutArmsTheReturnAddressFromThePodStack) {
  review::RecordingPod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  S(24, 0x02);
  pod.stack = {0x0123, 0x0456};
  pod.halted = false;
  up_->StepOut();
  EXPECT_EQ(pod.breakpoints[0], 0x456u);
  EXPECT_EQ(pod.count("RunBP"), 1);
  EXPECT_TRUE(up_->TimerEnabled());
  pod.halted = true;
  pod.pc = 0x456;
  up_->TimerTimer();
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(up_->GetPC(), 0x456u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(ReviewEdgeTest, EmulatorWriteWithoutAPodLeavesZeroInTheModel) {
  Modes().SimulatorMode = 0;  // the default pod: every access fails
  S(0x80, 0x11);
  up_->WriteRegisterThrough(0x80, 0x55);
  EXPECT_EQ(R(0x80), 0x00);
}

TEST_F(ReviewEdgeTest, EmulatorRestartGivesUpWhenThePodDoesNotHalt) {
  test::FakeClock clock;
  clock.install();
  review::RecordingPod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  Chip().DeviceKind3 = 0;
  pod.pc = 5120;  // the first address out of range
  pod.halted = false;
  EXPECT_FALSE(up_->RestartIfOutOfRange(8192));
  EXPECT_EQ(pod.count("WPC"), 0);
  EXPECT_GE(pod.count("Halted?"), 2);
  pod.pc = 5119;  // in range: nothing to do
  pod.calls.clear();
  EXPECT_TRUE(up_->RestartIfOutOfRange(8192));
  EXPECT_EQ(pod.count("RunBP"), 0);
  pod.pc = 7000;  // out of range, and the pod halts
  pod.halted = true;
  up_->SetProgramCounter(0x1B58);
  EXPECT_TRUE(up_->RestartIfOutOfRange(8192));
  EXPECT_EQ(pod.count("WPC 0"), 1);
  EXPECT_EQ(up_->GetPC(), 0u);
}

TEST_F(ReviewEdgeTest, EmulatorStopReadsTheStateBack) {
  review::RecordingPod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  pod.halted = false;
  up_->RunProgram();
  pod.pc = 0x0321;
  pod.cyclesHigh = 0x0001;
  pod.cyclesLow = 0x0002;
  pod.mem[0x90] = 0x5A;
  pod.calls.clear();
  up_->StopProgram(1);
  EXPECT_EQ(pod.indexOf("Stop"), 0);
  EXPECT_EQ(up_->GetPC(), 0x321u);
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(l, 2);
  EXPECT_EQ(R(0x90), 0x5A);
  EXPECT_EQ(stopped_, 1);
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().TargetRunning, 0);
}

// ---- emulator: built-in EEPROM -----------------------------------------------------------------

class ReviewEepromTest : public ReviewEdgeTest {
 protected:
  void SetUp() override {
    ReviewEdgeTest::SetUp();
    Modes().SimulatorMode = 0;
    up_->SetPod(&pod_);
    Chip().SelfEromMode = 1;
    Chip().SelfEromRegister = 0x50;
    Chip().SelfEromStatusAddress = 0x51;
    Chip().SelfEromWords = {0x52, 0x53, 0x54, 0x55};
    Chip().DeviceKind3 = 0;
    up_->Settings.PodChipId = 0x8024;
    // The access: MVF 50h, 1, 0 (W into the EEPROM register) at 0x20.
    access_ = e("MVF", 0x50, 1, 0);
    at(0x20, {access_, 0x1111, 0x2222, 0x3333, 0x4444});
    for (uint32_t i = 0; i < 5; ++i) pod_.prog[0x20 + i] = up_->ReadProgramWord(0x20 + i);
    pod_.pc = 0x20;
    up_->SetProgramCounter(0x20);
    // Registers in pod and model alike.
    set(42, 0x03);
    set(35, 0x85);
    set(41, 0x99);
    set(0x53, 0x07);  // EEPROM pointer
    set(0x54, 0x12);
    set(0x55, 0x34);
    set(30, 0x10);
  }
  void set(int a, uint8_t v) {
    S(a, v);
    pod_.mem[uint32_t(a)] = v;
  }
  review::RecordingPod pod_;
  uint16_t access_ = 0;
};

TEST_F(ReviewEepromTest, ReadRequestLoadsTheTableDataAndAdvances) {
  pod_.mem[0x51] = 0x01;  // read request
  up_->TraceStep();
  // The access ran once with bit 8 set, then the word was put back.
  const int planted = pod_.indexOf("WP 20=" + review::RecordingPod::hex(access_ | 0x100));
  const int step1 = pod_.indexOf("Step 1");
  ASSERT_GE(planted, 0);
  ASSERT_GE(step1, 0);
  EXPECT_LT(planted, step1);
  // The five loader words at PC: MVL 17h, MVF 1Fh W, MVL 07h, MVF 20h W, RJ -5.
  const int l1 = pod_.indexOf("WP 20=" + review::RecordingPod::hex(e("MVL", 0x17)));
  const int l2 = pod_.indexOf("WP 21=" + review::RecordingPod::hex(e("MVF", 31, 1, 0)));
  const int l3 = pod_.indexOf("WP 22=" + review::RecordingPod::hex(e("MVL", 0x07)));
  const int l4 = pod_.indexOf("WP 23=" + review::RecordingPod::hex(e("MVF", 32, 1, 0)));
  const int l5 = pod_.indexOf("WP 24=" + review::RecordingPod::hex(e("RJ", 0x7FB)));
  const int step5 = pod_.indexOf("Step 5");
  ASSERT_GE(l1, 0);
  ASSERT_GE(l2, 0);
  ASSERT_GE(l3, 0);
  ASSERT_GE(l4, 0);
  ASSERT_GE(l5, 0);
  ASSERT_GE(step5, 0);
  EXPECT_LT(l5, step5);
  // The saved words go back afterwards.
  bool restored = false;
  for (size_t i = size_t(step5); i < pod_.calls.size(); ++i)
    restored = restored || pod_.calls[i] == "WP 24=4444";
  EXPECT_TRUE(restored);
  EXPECT_EQ(pod_.prog[0x20], access_);
  EXPECT_EQ(pod_.prog[0x24], 0x4444);
  // W, the interrupt enable and the bank select are as before.
  EXPECT_EQ(pod_.mem[41], 0x99);
  EXPECT_EQ(pod_.mem[35], 0x85);
  EXPECT_EQ(pod_.mem[42], 0x03);
  // The request bit is cleared and the pointer advanced, in pod and model.
  EXPECT_EQ(pod_.mem[0x51], 0x00);
  EXPECT_EQ(pod_.mem[0x53], 0x08);
  EXPECT_EQ(R(0x51), 0x00);
  EXPECT_EQ(R(0x53), 0x08);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(ReviewEepromTest, WriteRequestMergesIntoTheEepromWord) {
  pod_.mem[0x51] = 0x02;  // write request
  pod_.prog[0x1707] = 0xFF0F;
  up_->TraceStep();
  EXPECT_EQ(pod_.prog[0x1707], 0x1204);  // 0x1234 AND the old word (mode 1)
  EXPECT_EQ(pod_.mem[0x51], 0x00);
  EXPECT_EQ(pod_.mem[0x53], 0x08);
  EXPECT_EQ(R(0x53), 0x08);
  EXPECT_EQ(pod_.count("Step 5"), 0);
}

TEST_F(ReviewEepromTest, WriteRequestAtTheEndOfTheBlockWarns) {
  test::ScriptedDialogs dialogs;
  set(0x53, 0x3F);
  pod_.mem[0x51] = 0x02;
  pod_.prog[0x173F] = 0xFFFF;
  up_->TraceStep();
  EXPECT_EQ(pod_.prog[0x173F], 0x1234);
  EXPECT_EQ(R(0x53), 0x00);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text,
            "Warning: BIE Pointer overflow, May cap the previous data!!");
}

TEST_F(ReviewEepromTest, WriteRequestIgnoredWhenTablePointerIsHigh) {
  set(30, 0x40);
  pod_.mem[0x51] = 0x02;
  pod_.prog[0x1707] = 0xFFFF;
  up_->TraceStep();
  EXPECT_EQ(pod_.prog[0x1707], 0xFFFF);
  EXPECT_EQ(pod_.mem[0x51], 0x00);  // the request bit is cleared all the same
  EXPECT_EQ(R(0x53), 0x07);
}

TEST_F(ReviewEepromTest, OtherInstructionsStepNormally) {
  at(0x20, {e("MVF", 0x51, 1, 0)});
  pod_.prog[0x20] = e("MVF", 0x51, 1, 0);
  up_->TraceStep();
  EXPECT_EQ(pod_.count("WP "), 0);
  EXPECT_EQ(pod_.count("Step 1"), 1);
}

TEST_F(ReviewEepromTest, BankedAccessIsNotAnEepromAccess) {
  at(0x20, {e("MVF", 0x50, 1, 1)});
  pod_.prog[0x20] = e("MVF", 0x50, 1, 1);
  up_->TraceStep();
  EXPECT_EQ(pod_.count("WP "), 0);
}

TEST_F(ReviewEepromTest, RestartPlantsAWordAtTheEndOfProgramMemory) {
  Chip().DeviceKind3 = 1;
  pod_.pc = 9000;  // beyond 8192
  pod_.prog[8192] = 0xABCD;
  up_->TraceStep();
  const int plant = pod_.indexOf("WP 2000=783F");
  const int back = pod_.indexOf("WP 2000=ABCD");
  ASSERT_GE(plant, 0);
  ASSERT_GE(back, 0);
  EXPECT_LT(plant, back);
  EXPECT_GE(pod_.indexOf("WPC 0"), 0);
}

TEST_F(ReviewEepromTest, HaltAtASiteStepsItAndRunsOn) {
  ASSERT_TRUE(up_->AddBreakpointRecord(0x20, 0, 1, 0, 0));
  up_->Settings.EepromBreakCount = 1;
  pod_.mem[0x51] = 0x00;  // no request
  pod_.halted = false;
  up_->RunProgram();
  pod_.halted = true;
  pod_.pc = 0x20;
  pod_.calls.clear();
  up_->TimerTimer();
  EXPECT_TRUE(up_->TimerEnabled());  // the run continues
  EXPECT_GE(pod_.count("Step 1"), 1);
  EXPECT_GE(pod_.indexOf("W 23=5"), 0);  // interrupts masked for the step
  EXPECT_EQ(pod_.mem[35], 0x85);        // and restored
}

TEST_F(ReviewEepromTest, HaltAtZeroAsksForAReset) {
  int resets = 0;
  up_->Hooks.ResetRequested = [&] { ++resets; };
  pod_.halted = false;
  up_->RunProgram();
  pod_.halted = true;
  pod_.pc = 0;
  up_->TimerTimer();
  EXPECT_EQ(resets, 1);
}

}  // namespace
}  // namespace kyvor

namespace kyvor {
namespace {

// The fast run loop and the tick-by-tick run give the same target state on
// random programs and random register images (both variants).
TEST(ReviewRunLoops, SliceAndTicksAgreeOnRandomPrograms) {
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

}  // namespace
}  // namespace kyvor
