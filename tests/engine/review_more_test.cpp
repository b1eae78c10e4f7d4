// Review tests of the less travelled paths: stack edges met by instructions,
// timer counting of two-word instructions, skips onto a second word, K08B
// flags of rotates, idle, animated steps at breakpoints, and the emulator's
// history, restart, halt polling and chip checks.
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

class ReviewMoreTest : public ::testing::Test {
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
  void emulator() {
    Modes().SimulatorMode = 0;
    up_->SetPod(&pod_);
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
  review::RecordingPod pod_;
  int variant_ = 0;
  int stopped_ = 0;
  int traced_ = 0;
};

// ---- stack edges through instructions ------------------------------------------------------

TEST_F(ReviewMoreTest, RetToAnEmptyStackLoadsEntryZeroAsTheTop) {
  up_->SetStackEntry(0, 0x0A0B0C);
  up_->PushStack(0x222);
  at(0x50, {e("RET", 0)});
  up_->SetProgramCounter(0x50);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x222u);
  EXPECT_EQ(R(24), 0x00);
  EXPECT_EQ(R(21), 0x0A);
  EXPECT_EQ(R(22), 0x0B);
  EXPECT_EQ(R(23), 0x0C);
}

TEST_F(ReviewMoreTest, ReturnWithNothingOnTheStackMarksUnderflow) {
  at(0x50, {e("RETL", 0x12)});
  up_->SetProgramCounter(0x50);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0u);
  EXPECT_EQ(R(24), 0x40);
  EXPECT_EQ(R(41), 0x12);
  at(0x00, {e("POP")});
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(24), 0x40);
}

TEST_F(ReviewMoreTest, InterruptOnAFullStackOverwritesTheTop) {
  for (uint32_t i = 1; i <= 8; ++i) up_->PushStack(i);
  ASSERT_EQ(R(24), 0x88);
  up_->SetProgramCounter(0x77);
  S(35, 0x81);
  S(38, 0x01);
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(R(24), 0xA8);
  EXPECT_EQ(up_->GetStackEntry(8), 0x77u);
}

TEST_F(ReviewMoreTest, CallOnAFullStackOverwritesTheTop) {
  for (uint32_t i = 1; i <= 8; ++i) up_->PushStack(i);
  at(0x30, {e("RCALL", 0x10)});
  up_->SetProgramCounter(0x30);
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(24), 0xA8);
  EXPECT_EQ(up_->GetStackEntry(8), 0x31u);
  EXPECT_EQ(R(23), 0x31);
}

// ---- timer, skips and pointers ----------------------------------------------------------------

TEST_F(ReviewMoreTest, TimerCountsBothWordsOfATwoWordInstruction) {
  S(65, 0x80);
  up_->State().TimerPrescaleCount = 254;
  at(0x10, {e("JMP", 0), e("NOPF", 0x100)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x100u);
  EXPECT_EQ(R(3897), 1);  // 254 + 2 words passes 255
  EXPECT_EQ(up_->State().TimerPrescaleCount, 0);
}

TEST_F(ReviewMoreTest, SkipOntoTheSecondWordRunsItAsANop) {
  S(0x60, 0x01);
  at(0x10, {e("BTSS", 0x60, 0, 0), e("CALL", 0x01, 0), e("NOPF", 0x234), e("MVL", 0x99)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x12u);
  up_->Core().ExecuteOne();  // the NOPF word alone
  EXPECT_EQ(up_->GetPC(), 0x13u);
  EXPECT_EQ(R(24), 0);
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(41), 0x99);
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

TEST_F(ReviewMoreTest, PointerOutsideTheRegisterFileReadsZero) {
  S(15, 0x20);
  S(16, 0x00);  // pointer 0 = 0x2000
  S(41, 0x55);
  at(0x10, {e("MVF", 0, 0, 0), e("MVF", 0, 1, 0)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(41), 0x00);
  S(41, 0x66);
  up_->Core().ExecuteOne();  // a write outside is dropped
  for (int a = 0; a < 4096; ++a) {
    if (a != 41 && a != 15 && a != 27 && a != 26) {
      ASSERT_EQ(R(a), 0) << a;
    }
  }
}

TEST_F(ReviewMoreTest, TableReadBeyondProgramMemoryGivesZero) {
  S(28, 0x01);  // 0x010000, beyond 8,192 words
  S(31, 0xAA);
  S(32, 0xBB);
  at(0x10, {e("TBLR", 0)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(31), 0);
  EXPECT_EQ(R(32), 0);
}

TEST_F(ReviewMoreTest, K08BRotatesThroughCarryLeaveN) {
  up_->LoadInstructionTableReduced();
  variant_ = 1;
  S(0x70, 0x02);
  S(43, 0x10);  // C = 1
  at(0x10, {e("RRFC", 0x70, 1, 0), e("RLFC", 0x70, 1, 0)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(0x70), 0x81);
  EXPECT_EQ(R(43) & 0x1F, 0x00);  // C := 0, N not updated under K08B
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(0x70), 0x02);
  EXPECT_EQ(R(43) & 0x1F, 0x10);
}

// ---- run control odds --------------------------------------------------------------------------

TEST_F(ReviewMoreTest, TraceWhileIdleDoesNothing) {
  at(0, {e("IDLE"), e("MVL", 0x11)});
  up_->TraceStep();
  ASSERT_EQ(up_->State().IdleFlag, 1);
  EXPECT_EQ(R(44) & 0x20, 0x20);
  stopped_ = 0;
  up_->TraceStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(R(41), 0);
  EXPECT_EQ(stopped_, 0);
}

TEST_F(ReviewMoreTest, AnimatedStepOntoAnAddressBreakpointReportsAStop) {
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

TEST_F(ReviewMoreTest, HistoryCursorRestartsOnEveryRun) {
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

// ---- breakpoints with built-in EEPROM sites -----------------------------------------------------

TEST_F(ReviewMoreTest, EepromSitesCountTowardsTheFourteenRecords) {
  emulator();
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

// ---- emulator paths -----------------------------------------------------------------------------

TEST_F(ReviewMoreTest, EmulatorStepBackReadsThePodHistory) {
  emulator();
  pod_.mem[4144] = 0x00;
  pod_.mem[4145] = 0x12;
  pod_.mem[4146] = 0x34;
  pod_.mem[4147] = 0x01;
  pod_.mem[4148] = 0x05;
  pod_.mem[4149] = 0x67;
  EXPECT_EQ(up_->PopPcHistory(), 0x1234u);
  EXPECT_EQ(up_->PopPcHistory(), 0x10567u);
}

TEST_F(ReviewMoreTest, EmulatorHaltEndsTheRun) {
  emulator();
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

TEST_F(ReviewMoreTest, EmulatorLostPodDuringARun) {
  emulator();
  Modes().PodState = 0;
  pod_.halted = false;
  up_->RunProgram();
  pod_.statusFails = true;
  up_->TimerTimer();
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(Modes().PodState, 255);
}

TEST_F(ReviewMoreTest, EmulatorRunRangeArmsThePodAtItsHighBound) {
  emulator();
  up_->SetRunRange(0x20, 0x28);
  EXPECT_TRUE(up_->RunRangeActive());
  EXPECT_EQ(up_->PodStopAddress(), 0x28u);
  EXPECT_EQ(up_->PodStopArmed(), 1);
  EXPECT_EQ(pod_.breakpoints[0], 0x28u);
}

TEST_F(ReviewMoreTest, EmulatorTraceRestartsAProgramCounterOutOfRange) {
  emulator();
  Chip().DeviceKind3 = 0;
  pod_.pc = 6000;  // above 5120
  up_->TraceStep();
  const int wpc = pod_.indexOf("WPC 0");
  const int step = pod_.indexOf("Step 1");
  ASSERT_GE(wpc, 0);
  ASSERT_GE(step, 0);
  EXPECT_LT(wpc, step);
  EXPECT_GE(pod_.indexOf("WCY 0:0"), 0);
  EXPECT_LT(pod_.indexOf("RunBP"), wpc);
}

TEST_F(ReviewMoreTest, EmulatorTraceChecksTheChip) {
  emulator();
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

TEST_F(ReviewMoreTest, EmulatorTraceDisarmsThePodStop) {
  emulator();
  up_->SetPodStopAddress(0x345, 1);
  up_->TraceStep();
  EXPECT_EQ(up_->PodStopArmed(), 0);
  EXPECT_NE(pod_.breakpoints[0], 0x345u);
}

}  // namespace
}  // namespace kyvor
