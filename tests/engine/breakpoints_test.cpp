// Breakpoints: setting, clearing, eviction and refusal, the cell flags, the
// hardware list and the pod stop address, and runs that stop at them.
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

class BreakpointsTest : public test::CpuFixture {};

// A PC beyond program memory has no cell, so it meets no breakpoint: the
// breakpoint at 0x10 must not be found again at 0x8010 or 0x10010.
TEST_F(BreakpointsTest, RunBeyondProgramMemoryMeetsNoBreakpoint) {
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  up_->SetProgramCounter(0x800F);  // beyond the 8,192 words: empty (NOP) cells
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 0x800Fu + 100u);
  up_->StopProgram(0);
  // The same through the tick-by-tick loop (taken while the stack-overflow
  // stop is on) and past 0x10010.
  Options().STPOVSTAK = 1;
  up_->SetProgramCounter(0x1000F);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), 0x1000Fu + 100u);
  up_->StopProgram(0);
}

// Within program memory, below the end of a smaller chip, a flag still stops.
TEST_F(BreakpointsTest, BreakpointNearTheEndOfProgramMemoryStillStops) {
  ASSERT_TRUE(up_->SetBreakpoint(8191, 2, true, 1, 5));
  up_->SetProgramCounter(8100);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(1000), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 8191u);
}

// With no breakpoint the pod's list holds only the unused marker 0xFFFFF; a
// runaway simulator run passes that address without reporting a breakpoint.
TEST_F(BreakpointsTest, RunThroughTheUnusedMarkerAddress) {
  ASSERT_EQ(up_->PodStopAddress(), 0xFFFFFu);
  up_->SetProgramCounter(0xFFFF0);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), (0xFFFF0u + 100u) & 0xFFFFFu);
  up_->StopProgram(0);
  EXPECT_EQ(stopped_, 1);  // the stop only
  // The tick-by-tick loop too.
  Options().STPOVSTAK = 1;
  up_->SetProgramCounter(0xFFFF0);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(100), TRunStop::Running);
  EXPECT_EQ(up_->GetPC(), (0xFFFF0u + 100u) & 0xFFFFFu);
  up_->StopProgram(0);
  EXPECT_EQ(up_->PodStopAddress(), 0xFFFFFu);  // the pod-facing value is kept
}

// A breakpoint set and cleared again leaves the marker behind, which still
// stops nothing; a breakpoint that is set stops as before.
TEST_F(BreakpointsTest, ClearedBreakpointLeavesNoStopAtTheMarker) {
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

TEST_F(BreakpointsTest, NoBreakpointWhenTheSitesTakeEveryPlace) {
  Modes().SimulatorMode = 0;
  test::FakePod pod;
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

TEST_F(BreakpointsTest, BreakpointMarksFollowSetClearAndEviction) {
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

TEST_F(BreakpointsTest, AnimatedStepOntoAnAddressBreakpointReportsAStop) {
  at(0, {e("NOP"), e("NOP"), e("NOP")});
  ASSERT_TRUE(up_->SetBreakpoint(1, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(2, 2, true, 1, 3));
  up_->AnimateStep();
  EXPECT_EQ(traced_, 1);
  EXPECT_EQ(stopped_, 1);  // Kind 1 at the new PC
  up_->AnimateStep();
  EXPECT_EQ(traced_, 2);
  EXPECT_EQ(stopped_, 1);  // Kind 2 does not count here
}

TEST_F(BreakpointsTest, EepromSitesCountTowardsTheFourteenRecords) {
  UseEmulator();
  Chip().SelfEromMode = 1;
  up_->Settings.PodChipId = 0x8024;
  up_->Settings.EepromBreakCount = 2;
  ASSERT_TRUE(up_->AddBreakpointRecord(0x700, 0, 1, 0, 0));
  ASSERT_TRUE(up_->AddBreakpointRecord(0x710, 0, 2, 0, 0));
  for (int i = 0; i < 13; ++i) ASSERT_TRUE(up_->SetBreakpoint(0x100 + i, 1, true));
  // BreakpointCount >= 14 removes the first record after the sites.
  EXPECT_EQ(up_->BreakpointCount(), 14);
  EXPECT_EQ(up_->BreakpointRecordAt(1).Kind, 0);
  EXPECT_EQ(up_->BreakpointRecordAt(2).Kind, 0);
  EXPECT_EQ(up_->BreakpointAddressAt(3), 0x101);
  EXPECT_EQ(up_->BreakpointAddressAt(14), 0x10C);
  EXPECT_EQ(up_->GetBreakpointFlag(0x100, 1), 0);
  // Every record reaches the pod's 16-address list.
  bool newestSent = false;
  for (uint32_t a : pod_.breakpoints) newestSent = newestSent || a == 0x10C;
  EXPECT_TRUE(newestSent);
}

TEST_F(BreakpointsTest, RunStopsBeforeASourceLineBreakpoint) {
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

TEST_F(BreakpointsTest, RunFromABreakpointGoesRoundTheLoop) {
  loopProgram();
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  up_->SetProgramCounter(0x20);
  EXPECT_EQ(run(), TRunStop::Breakpoint);
  EXPECT_EQ(up_->GetPC(), 0x20u);
  EXPECT_EQ(cycles(), 16u + 2u + 32u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(BreakpointsTest, ClearedBreakpointNoLongerStops) {
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

TEST_F(BreakpointsTest, BreakpointOnTheSecondWordMovesToTheFirst) {
  at(0x40, {e("CALL", 0, 0), e("NOPF", 0x100)});
  ASSERT_TRUE(up_->SetBreakpoint(0x41, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 1);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0x40);
  EXPECT_EQ(up_->GetBreakpointFlag(0x40, 1), 1);
  EXPECT_EQ(up_->GetBreakpointFlag(0x41, 1), 0);
}

TEST_F(BreakpointsTest, FifteenthBreakpointReplacesTheOldest) {
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

TEST_F(BreakpointsTest, SettingTheSameBreakpointTwiceKeepsOneRecordAndFlag) {
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

TEST_F(BreakpointsTest, ClearingMovesLaterRecordsDown) {
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

TEST_F(BreakpointsTest, BreakpointRefusedOutsideProgramMemory) {
  EXPECT_FALSE(up_->SetBreakpoint(0xFFFFF, 1, true));
  EXPECT_FALSE(up_->SetBreakpoint(0x100000, 1, true));
  EXPECT_FALSE(up_->SetBreakpoint(8192, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_TRUE(up_->SetBreakpoint(8191, 1, true));
}

TEST_F(BreakpointsTest, BreakpointAfterAPclatlWriteIsRefused) {
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

// MVFF names its destination in its second word: a move into "PCLATL" is a
// computed jump like the one-word writes, directly or through a pointer.
TEST_F(BreakpointsTest, BreakpointAfterAMoveIntoPclatlIsRefused) {
  test::ScriptedDialogs dialogs;
  at(0x30, {e("MVFF", 0x80), e("NOPF", 27), e("NOP")});
  EXPECT_FALSE(up_->SetBreakpoint(0x32, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x32, 1), 0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Can not be setup breakpoint after operation PCLATL!!");

  // Through pointer 0 (destination operand 0) when it holds 27.
  at(0x40, {e("MVFF", 0x80), e("NOPF", 0), e("NOP")});
  setReg(reg::PTR0H, 0);
  setReg(reg::PTR0L, 27);
  EXPECT_FALSE(up_->SetBreakpoint(0x42, 1, true));
  setReg(reg::PTR0L, 28);
  EXPECT_TRUE(up_->SetBreakpoint(0x42, 1, true));

  // A move into another register, or out of "PCLATL", is no computed jump.
  at(0x50, {e("MVFF", 0x80), e("NOPF", 26), e("NOP")});
  EXPECT_TRUE(up_->SetBreakpoint(0x52, 1, true));
  at(0x60, {e("MVFF", 27), e("NOPF", 0x80), e("NOP")});
  EXPECT_TRUE(up_->SetBreakpoint(0x62, 1, true));
  EXPECT_EQ(up_->BreakpointCount(), 3);
  EXPECT_EQ(dialogs.messages().size(), 2u);
}

TEST_F(BreakpointsTest, WhichWordsWritePclatl) {
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

TEST_F(BreakpointsTest, HardwareListFollowsTheRecords) {
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

TEST_F(BreakpointsTest, PodStopAddressArmAndDisarm) {
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

TEST_F(BreakpointsTest, BuiltInSiteRecordsSetNoFlag) {
  EXPECT_TRUE(up_->AddBreakpointRecord(0x70, 0, 1, 0, 0));
  EXPECT_EQ(up_->BreakpointCount(), 1);
  EXPECT_EQ(up_->BreakpointRecordAt(1).Kind, 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x70, 0), 0);
  EXPECT_EQ(up_->HardwareBreakpoints()[0], 0x70u);
  EXPECT_FALSE(up_->AddBreakpointRecord(0x71, 0, 11, 0, 0));  // slot above 10
  EXPECT_EQ(up_->BreakpointCount(), 1);
}

TEST_F(BreakpointsTest, ClearBreakpointsEmptiesTheTables) {
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x11, 2, true, 1, 1));
  up_->State().PendingTwoWordKind = 44;
  up_->ClearBreakpoints();
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_EQ(up_->BreakpointAddressAt(1), 0xFFFFF);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(up_->HardwareBreakpoints()[size_t(i)], 0xFFFFFu) << i;
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

TEST_F(BreakpointsTest, BreakpointsGoToThePod) {
  UseEmulator();
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x20, 1, true));
  EXPECT_EQ(pod_.breakpoints[0], 0x10u);
  EXPECT_EQ(pod_.breakpoints[1], 0x10u);
  EXPECT_EQ(pod_.breakpoints[2], 0x20u);
  EXPECT_EQ(pod_.breakpoints[15], 0x20u);
}

TEST_F(BreakpointsTest, RunWithBreakpointsUsesTheBreakpointRun) {
  UseEmulator();
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  pod_.calls.clear();
  up_->RunProgram();
  EXPECT_EQ(pod_.count("PodRunWithBreakpoints"), 1);
  EXPECT_EQ(pod_.count("PodRunFree"), 0);
  up_->StopProgram(0);
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, false));
  pod_.calls.clear();
  up_->RunProgram();
  EXPECT_EQ(pod_.count("PodRunFree"), 1);
  up_->StopProgram(0);
}

TEST_F(BreakpointsTest, BreakpointFlagKinds) {
  useRomWords(4096);
  ASSERT_TRUE(up_->SetBreakpoint(0x30, 1, true));
  ASSERT_TRUE(up_->SetBreakpoint(0x40, 2, true, 1, 5));
  EXPECT_EQ(up_->GetBreakpointFlag(0x30, 0), 1);
  EXPECT_EQ(up_->GetBreakpointFlag(0x30, 1), 1);
  EXPECT_EQ(up_->GetBreakpointFlag(0x30, 2), 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x40, 0), 1);
  EXPECT_EQ(up_->GetBreakpointFlag(0x40, 2), 1);
  EXPECT_EQ(up_->GetBreakpointFlag(0x40, 1), 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x40, 3), 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x5000, 0), 0);
}

TEST_F(BreakpointsTest, RunStopsBeforeABreakpoint) {
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
  EXPECT_EQ(run(1000000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x25u);
}

TEST_F(BreakpointsTest, BreakpointOnSecondWordMovesToTheFirst) {
  at(0x40, {enc("CALL", 0, 0), enc("NOPF", 0x200)});
  EXPECT_TRUE(up().SetBreakpoint(0x41, 1, true));
  EXPECT_EQ(up().BreakpointAddressAt(1), 0x40);
  EXPECT_EQ(up().GetBreakpointFlag(0x40, 1), 1);
  EXPECT_EQ(up().GetBreakpointFlag(0x41, 1), 0);
  // Clearing at the same place removes it.
  EXPECT_TRUE(up().SetBreakpoint(0x41, 1, false));
  EXPECT_EQ(up().BreakpointCount(), 0);
  EXPECT_EQ(up().GetBreakpointFlag(0x40, 1), 0);
}

TEST_F(BreakpointsTest, FifteenthBreakpointEvictsTheOldestWithItsFlag) {
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
  EXPECT_EQ(run(1000000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 0x101u);
  // The hardware list follows the records.
  EXPECT_EQ(up().HardwareBreakpointCount(), 14);
  EXPECT_EQ(up().HardwareBreakpoints()[0], 0x101u);
  EXPECT_EQ(up().HardwareBreakpoints()[13], 0x200u);
  EXPECT_EQ(up().HardwareBreakpoints()[14], 0x200u);
}

TEST_F(BreakpointsTest, SettingTheSameBreakpointTwiceKeepsOneRecord) {
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

TEST_F(BreakpointsTest, BreakpointRefusals) {
  test::ScriptedDialogs dialogs;
  SetDialogs(&dialogs);
  EXPECT_FALSE(up().SetBreakpoint(0xFFFFF, 1, true));
  EXPECT_FALSE(up().SetBreakpoint(8192, 1, true));  // beyond program memory
  EXPECT_FALSE(up().SetBreakpoint(-1, 1, true));
  at(0x50, {enc("MVF", reg::PCLATL, 1, 0), 0});
  EXPECT_FALSE(up().SetBreakpoint(0x51, 1, true));
  ASSERT_EQ(dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(dialogs.messageTexts()[0], "Can not be setup breakpoint after operation PCLATL!!");
  EXPECT_EQ(up().BreakpointCount(), 0);
  // Writes of 27 through W or with a bank do not count.
  at(0x60, {enc("MVF", reg::PCLATL, 0, 0), 0, enc("MVF", reg::PCLATL, 1, 1), 0});
  EXPECT_TRUE(up().SetBreakpoint(0x61, 1, true));
  EXPECT_TRUE(up().SetBreakpoint(0x63, 1, true));
  EXPECT_TRUE(up().WritesPclatl(enc("CLRF", reg::PCLATL, 0)));
  EXPECT_TRUE(up().WritesPclatl(enc("BSF", reg::PCLATL, 3, 0)));
  EXPECT_FALSE(up().WritesPclatl(enc("BTSS", reg::PCLATL, 3, 0)));
  EXPECT_FALSE(up().WritesPclatl(enc("ADDF", reg::PCLATH, 1, 0)));
  SetDialogs(nullptr);
}

TEST_F(BreakpointsTest, ClearBreakpointsAndResets) {
  up().SetBreakpoint(0x10, 1, true);
  up().SetBreakpoint(0x11, 2, true, 1, 2);
  up().State().PendingTwoWordKind = ik::MVFF;
  up().ClearBreakpoints();
  EXPECT_EQ(up().BreakpointCount(), 0);
  EXPECT_EQ(up().GetBreakpointFlag(0x10, 0), 0);
  EXPECT_EQ(up().GetBreakpointFlag(0x11, 0), 0);
  EXPECT_EQ(up().HardwareBreakpoints()[0], 0xFFFFFu);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
  EXPECT_EQ(run(1000000), TRunStop::Running);  // nothing to stop at within the tick limit
  up().StopProgram(0);

  at(0, {enc("MVL", 5)});
  up().TraceStep();
  up().ResetDebugTarget();
  EXPECT_EQ(up().GetPC(), 0u);
  EXPECT_EQ(up().ReadRegister(reg::W), 0);
  EXPECT_EQ(up().State().Cycles(), 0u);
}

TEST_F(BreakpointsTest, EepromSitesComeFirstAndStayOutOfCells) {
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

}  // namespace
}  // namespace kyvor
