// Review tests of the CPU model state, the register write path and the
// change log.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "engine/review_pod.h"

namespace kyvor {
namespace {

class ReviewStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    Chip().ChipRomWords = 4096;
    Chip().StackDepth = 8;
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
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
  uint8_t R(int a) { return up_->ReadRegister(a); }
  std::unique_ptr<TKy_UP> up_;
  review::RecordingPod pod_;
};

// ---- register image -----------------------------------------------------------------

TEST_F(ReviewStateTest, RegisterImageBounds) {
  up_->WriteRegisterModel(0, 0x11);
  up_->WriteRegisterModel(4095, 0x22);
  up_->WriteRegisterModel(4096, 0x33);
  up_->WriteRegisterModel(-1, 0x44);
  EXPECT_EQ(R(0), 0x11);
  EXPECT_EQ(R(4095), 0x22);
  EXPECT_EQ(R(4096), 0);
  EXPECT_EQ(R(-1), 0);
  EXPECT_EQ(R(100000), 0);
}

TEST_F(ReviewStateTest, NewModelStartsCleared) {
  for (int a = 0; a < 1024; ++a) ASSERT_EQ(R(a), 0) << a;
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(up_->GetPC(), 0u);
  EXPECT_EQ(up_->RegRecord.Count(), 0);
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_EQ(up_->IndirectHighBitPos()[0], 7);
  EXPECT_EQ(up_->IndirectHighBitPos()[1], 6);
  EXPECT_EQ(up_->IndirectHighBitPos()[2], 5);
}

// ---- program counter and cycles ---------------------------------------------------------

TEST_F(ReviewStateTest, ProgramCounterIsTwentyBitsAndMirroredInSimulator) {
  up_->SetProgramCounter(0x12345678);
  EXPECT_EQ(up_->GetPC(), 0x45678u);
  EXPECT_EQ(R(27), 0x78);
  EXPECT_EQ(R(26), 0x56);
  up_->WriteRegisterModel(26, 0xAB);
  up_->AdvancePC(0x10);
  EXPECT_EQ(up_->GetPC(), 0x45688u);
  EXPECT_EQ(R(27), 0x88);
  EXPECT_EQ(R(26), 0xAB);  // AdvancePC writes the low byte only
  up_->SetProgramCounter(0xFFFFF);
  up_->AdvancePC(2);
  EXPECT_EQ(up_->GetPC(), 0x00001u);
  EXPECT_EQ(R(27), 0x01);
}

TEST_F(ReviewStateTest, EmulatorDoesNotMirrorTheProgramCounter) {
  Modes().SimulatorMode = 0;
  up_->WriteRegisterModel(26, 0x11);
  up_->WriteRegisterModel(27, 0x22);
  up_->SetProgramCounter(0x345);
  up_->AdvancePC(1);
  EXPECT_EQ(up_->GetPC(), 0x346u);
  EXPECT_EQ(R(26), 0x11);
  EXPECT_EQ(R(27), 0x22);
}

TEST_F(ReviewStateTest, LatchOnlyForPclatl) {
  up_->SetProgramCounter(0x10);
  up_->WriteRegisterModel(25, 0x01);
  up_->WriteRegisterModel(26, 0x02);
  up_->WriteRegisterModel(27, 0x03);
  up_->LatchPcFromRegisters(26);
  EXPECT_EQ(up_->GetPC(), 0x10u);
  up_->LatchPcFromRegisters(27);
  EXPECT_EQ(up_->GetPC(), 0x10203u);
}

TEST_F(ReviewStateTest, CycleCounterHalves) {
  up_->SetCycleCounter(0x1234, 0xFFFE);
  up_->AddCycles(3);
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(h, 0x1235);
  EXPECT_EQ(l, 0x0001);
}

// ---- stack ---------------------------------------------------------------------------------

TEST_F(ReviewStateTest, PushToFullThenOverflow) {
  for (uint32_t i = 1; i <= 7; ++i) up_->PushStack(0x100 + i);
  EXPECT_EQ(R(24), 0x07);
  up_->PushStack(0x108);
  EXPECT_EQ(R(24), 0x88);  // count 8, FULL
  EXPECT_EQ(up_->GetStackEntry(8), 0x108u);
  up_->PushStack(0x109);
  EXPECT_EQ(R(24), 0xA8);  // FULL, OVER, count 8
  EXPECT_EQ(up_->GetStackEntry(8), 0x109u);
  EXPECT_EQ(up_->GetStackEntry(7), 0x107u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);  // index 0 never written by a push
}

TEST_F(ReviewStateTest, PopFollowsTheCount) {
  up_->PushStack(0x11);
  up_->PushStack(0x22);
  EXPECT_EQ(up_->PopStack(true), 0x22u);
  EXPECT_EQ(R(24), 0x01);
  EXPECT_EQ(up_->PopStack(true), 0x11u);
  EXPECT_EQ(R(24), 0x00);
  EXPECT_EQ(up_->PopStack(true), 0u);  // underflow
  EXPECT_EQ(R(24), 0x40);
  EXPECT_EQ(up_->PopStack(false), 0u);
  EXPECT_EQ(R(24), 0x40);
  up_->PushStack(0x33);  // the underflow mark stays, the count restarts
  EXPECT_EQ(R(24), 0x41);
  EXPECT_EQ(up_->GetStackEntry(1), 0x33u);
}

TEST_F(ReviewStateTest, PopFromFullKeepsTheStatusBits) {
  for (uint32_t i = 1; i <= 9; ++i) up_->PushStack(i);
  ASSERT_EQ(R(24), 0xA8);
  EXPECT_EQ(up_->PopStack(true), 9u);
  EXPECT_EQ(R(24), 0xA7);  // register 24 := p - 1
}

TEST_F(ReviewStateTest, SmallerStackDepth) {
  Chip().StackDepth = 4;
  up_->ApplyChipConfig();
  for (uint32_t i = 1; i <= 4; ++i) up_->PushStack(i);
  EXPECT_EQ(R(24), 0x84);
  up_->PushStack(5);
  EXPECT_EQ(R(24), 0xA4);
  EXPECT_EQ(up_->GetStackEntry(4), 5u);
  up_->SetStackEntry(5, 0x55);  // beyond the depth: ignored
  EXPECT_EQ(up_->GetStackEntry(5), 0u);
}

TEST_F(ReviewStateTest, StackEntryAccessBounds) {
  up_->SetStackEntry(0, 0x10);
  up_->SetStackEntry(8, 0x80);
  up_->SetStackEntry(9, 0x90);
  up_->SetStackEntry(-1, 0x99);
  EXPECT_EQ(up_->GetStackEntry(0), 0x10u);
  EXPECT_EQ(up_->GetStackEntry(8), 0x80u);
  EXPECT_EQ(up_->GetStackEntry(9), 0u);
  EXPECT_EQ(up_->GetStackEntry(-1), 0u);
}

TEST_F(ReviewStateTest, ShadowCopies) {
  up_->WriteRegisterModel(41, 0x11);
  up_->WriteRegisterModel(42, 0x22);
  up_->WriteRegisterModel(43, 0x33);
  up_->SaveShadow();
  EXPECT_EQ(R(509), 0x11);
  EXPECT_EQ(R(510), 0x22);
  EXPECT_EQ(R(511), 0x33);
  up_->WriteRegisterModel(41, 0);
  up_->WriteRegisterModel(42, 0);
  up_->WriteRegisterModel(43, 0);
  up_->RestoreShadow();
  EXPECT_EQ(R(41), 0x11);
  EXPECT_EQ(R(42), 0x22);
  EXPECT_EQ(R(43), 0x33);
}

// ---- program memory --------------------------------------------------------------------------

TEST_F(ReviewStateTest, ProgramMemoryBound) {
  EXPECT_TRUE(up_->StoreProgramWord(4095, 0x1234, 7, 2));
  EXPECT_EQ(up_->ReadProgramWord(4095), 0x1234);
  EXPECT_EQ(up_->GetSourceLine(4095), 7);
  EXPECT_EQ(up_->GetSourceFileIndex(4095), 2);
  EXPECT_FALSE(up_->StoreProgramWord(4096, 0x5678, 9, 3));
  EXPECT_EQ(up_->ReadProgramWord(4096), 0);
  EXPECT_EQ(up_->GetSourceLine(4096), 0);
  EXPECT_EQ(up_->GetSourceFileIndex(4096), 0);
  EXPECT_EQ(up_->GetOpcode(4096), 0);  // nothing was stored there
}

TEST_F(ReviewStateTest, ClearProgramMemoryAndListingWords) {
  up_->StoreProgramWord(0x10, 0xAAAA, 3, 1);
  ASSERT_TRUE(up_->SetBreakpoint(0x10, 1, true));
  up_->ClearProgramMemory();
  EXPECT_EQ(up_->ReadProgramWord(0x10), 0);
  EXPECT_EQ(up_->GetSourceLine(0x10), 0);
  EXPECT_EQ(up_->GetBreakpointFlag(0x10, 1), 0);
  up_->SetListingWordOf(0x20, 0xBEEF);
  EXPECT_EQ(up_->ProgramWordOf(0x20), 0xBEEF);
  EXPECT_EQ(up_->GetSourceLine(0x20), 0x21);
  EXPECT_EQ(up_->GetSourceFileIndex(0x20), 0);
}

TEST_F(ReviewStateTest, BreakpointFlagKinds) {
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

// ---- history -----------------------------------------------------------------------------------

TEST_F(ReviewStateTest, PopPcHistoryWalksBackAndStopsAtTheOldest) {
  for (uint32_t i = 0; i < 16; ++i) up_->PushPcHistory(0x100 + i);  // newest 0x10F
  uint32_t got[20];
  for (int i = 0; i < 20; ++i) got[i] = up_->PopPcHistory();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(got[i], 0x10Fu - uint32_t(i)) << i;
  for (int i = 16; i < 20; ++i) EXPECT_EQ(got[i], 0x100u) << i;
  up_->ClearPcHistory();  // entries 0 and the cursor back to the newest
  up_->PushPcHistory(0x77);
  EXPECT_EQ(up_->PopPcHistory(), 0x77u);
  EXPECT_EQ(up_->PopPcHistory(), 0u);
  EXPECT_EQ(up_->PopPcHistory(), 0u);
}

TEST_F(ReviewStateTest, HistoryDropsTheOldest) {
  for (uint32_t i = 0; i < 17; ++i) up_->PushPcHistory(i);
  uint32_t last = 0;
  for (int i = 0; i < 16; ++i) last = up_->PopPcHistory();
  EXPECT_EQ(last, 1u);  // entry 0 (value 0) has gone
}

// ---- symbols ----------------------------------------------------------------------------------

TEST_F(ReviewStateTest, SymbolLookups) {
  EXPECT_TRUE(up_->AddSymbol("Start", 0x10, 0, 'L'));
  EXPECT_TRUE(up_->AddSymbol("PORTA", 0x80, 0, 'C'));
  EXPECT_TRUE(up_->AddSymbol("ALIAS", 0x80, 0, 'C'));
  EXPECT_TRUE(up_->AddSymbol("NEG", -5, 0, 'V'));
  EXPECT_EQ(up_->SymbolCount(), 4);
  EXPECT_EQ(up_->SymbolAddress("Start"), 0x10);
  EXPECT_EQ(up_->SymbolAddress("START"), -1);  // case-sensitive
  EXPECT_EQ(up_->SymbolAddress("none"), -1);
  EXPECT_EQ(up_->SymbolAtAddress(0x80), "PORTA");
  EXPECT_EQ(up_->SymbolAtAddress(0x81), "");
  EXPECT_EQ(up_->SymbolAtAddress(-5), "");  // negative values never match
  ASSERT_NE(up_->SymbolAt(1), nullptr);
  EXPECT_FALSE(up_->AddSymbol("Start", 0x20, 0, 'L'));  // a label redefined
  EXPECT_EQ(up_->SymbolAddress("Start"), 0x10);
  up_->ClearSymbols();
  EXPECT_EQ(up_->SymbolCount(), 0);
  EXPECT_EQ(up_->SymbolAddress("Start"), -1);
}

// ---- change log --------------------------------------------------------------------------------

TEST_F(ReviewStateTest, LogUpdatesTheEntryOfTheSameAddress) {
  up_->Settings.ContinueLog = false;
  up_->LogRegisterChange(0x80, 0x12);
  up_->LogRegisterChange(0x80, 0x34);
  ASSERT_EQ(up_->RegRecord.Count(), 1);
  const TRegChange* c = up_->RegRecord.Item(1);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Address, 0x80);
  EXPECT_EQ(c->NewValue, 0x34);
  EXPECT_EQ(c->OldValue, 0x12);
  EXPECT_EQ(R(0x80), 0x34);
  up_->LogRegisterChange(0x81, 0x01);
  up_->LogRegisterChange(0x80, 0x56);
  ASSERT_EQ(up_->RegRecord.Count(), 2);
  EXPECT_EQ(up_->RegRecord.Item(1)->NewValue, 0x56);
  EXPECT_EQ(up_->RegRecord.Item(1)->OldValue, 0x34);
  EXPECT_EQ(up_->RegRecord.Item(2)->Address, 0x81);
}

TEST_F(ReviewStateTest, ContinueAppendsEveryWrite) {
  up_->Settings.ContinueLog = true;
  up_->LogRegisterChange(0x80, 0x12);
  up_->LogRegisterChange(0x80, 0x34);
  ASSERT_EQ(up_->RegRecord.Count(), 2);
  EXPECT_EQ(up_->RegRecord.Item(1)->NewValue, 0x12);
  EXPECT_EQ(up_->RegRecord.Item(1)->OldValue, 0x00);
  EXPECT_EQ(up_->RegRecord.Item(2)->NewValue, 0x34);
  EXPECT_EQ(up_->RegRecord.Item(2)->OldValue, 0x12);
}

TEST_F(ReviewStateTest, LogEntryCarriesTheSymbolName) {
  up_->AddSymbol("PORTA", 0x90, 0, 'C');
  up_->LogRegisterChange(0x90, 0x01);
  up_->LogRegisterChange(0x91, 0x02);
  EXPECT_EQ(up_->RegRecord.Item(1)->Name, "PORTA");
  EXPECT_EQ(up_->RegRecord.Item(2)->Name, "");
}

TEST_F(ReviewStateTest, LogHoldsAtMost1024Entries) {
  up_->Settings.ContinueLog = true;
  for (int i = 0; i < 1024; ++i) up_->LogRegisterChange(0x100, uint8_t(i));
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
  up_->LogRegisterChange(0x101, 0x77);  // the 1,025th
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
  EXPECT_EQ(up_->RegRecord.Item(1024)->NewValue, 0xFF);
  EXPECT_EQ(R(0x101), 0x77);  // the write itself still happens
  EXPECT_EQ(up_->RegRecord.Item(0), nullptr);
  EXPECT_EQ(up_->RegRecord.Item(1025), nullptr);
}

TEST_F(ReviewStateTest, FullLogStillUpdatesAnExistingAddress) {
  up_->Settings.ContinueLog = false;
  for (int i = 0; i < 1024; ++i) up_->LogRegisterChange(i, 1);
  ASSERT_EQ(up_->RegRecord.Count(), 1024);
  up_->LogRegisterChange(5, 9);
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
  EXPECT_EQ(up_->RegRecord.Item(6)->NewValue, 9);
  EXPECT_EQ(up_->RegRecord.Item(6)->OldValue, 1);
  up_->LogRegisterChange(2000, 3);
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
}

TEST_F(ReviewStateTest, RegRecordItemsAndClear) {
  TRegRecord r;
  EXPECT_EQ(r.Item(0), nullptr);
  EXPECT_EQ(r.Item(1), nullptr);
  EXPECT_EQ(r.Add("A", 1, 2, 3), 0);
  EXPECT_EQ(r.Count(), 1);
  EXPECT_NE(r.Item(1), nullptr);
  EXPECT_EQ(r.Item(2), nullptr);
  EXPECT_EQ(r.Item(-1), nullptr);
  for (int i = 1; i < 1024; ++i) r.Add("", i, 0, 0);
  EXPECT_EQ(r.Count(), 1024);
  r.Add("X", 5000, 0, 0);
  EXPECT_EQ(r.Count(), 1024);
  r.Clear();
  EXPECT_EQ(r.Count(), 0);
  EXPECT_EQ(r.Item(1), nullptr);
}

// ---- read-back rules ------------------------------------------------------------------------------

struct QuirkCase {
  int flag;
  int address;
  uint8_t written;
  uint8_t kept;
};

TEST_F(ReviewStateTest, ReadBackRulesInTheModel) {
  const QuirkCase cases[] = {
      {0, 61, 0xFF, 0xEF}, {1, 61, 0xFF, 0xDF}, {2, 48, 0x00, 0x60}, {3, 60, 0x08, 0x18},
      {3, 60, 0x10, 0x18}, {3, 60, 0x00, 0x00}, {4, 60, 0xFF, 0xBF}, {5, 60, 0xFF, 0xDF},
  };
  for (const QuirkCase& c : cases) {
    SCOPED_TRACE("flag " + std::to_string(c.flag) + " address " + std::to_string(c.address) +
                 " value " + std::to_string(c.written));
    Chip().RegisterQuirkFlags.fill(0);
    Chip().RegisterQuirkFlags[size_t(c.flag)] = 1;
    up_->WriteRegisterThrough(c.address, c.written);
    EXPECT_EQ(R(c.address), c.kept);
  }
  // Without the flag nothing changes; a rule touches only its own address.
  Chip().RegisterQuirkFlags.fill(0);
  up_->WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(R(61), 0xFF);
  Chip().RegisterQuirkFlags[0] = 1;
  up_->WriteRegisterThrough(60, 0xFF);
  EXPECT_EQ(R(60), 0xFF);
}

TEST_F(ReviewStateTest, WriteThroughRefreshesTheWindows) {
  int refreshed = -1, times = 0;
  up_->Hooks.RegisterWritten = [&](int a) {
    refreshed = a;
    ++times;
  };
  up_->WriteRegisterThrough(0x123, 0x45);
  EXPECT_EQ(refreshed, 0x123);
  EXPECT_EQ(times, 1);
  EXPECT_EQ(up_->RegRecord.Count(), 0);  // not logged
  up_->LogRegisterChange(0x124, 0x46);
  EXPECT_EQ(refreshed, 0x124);
  EXPECT_EQ(up_->RegRecord.Count(), 1);
}

TEST_F(ReviewStateTest, SimulatorWritesDoNotTouchThePod) {
  up_->SetPod(&pod_);
  up_->LogRegisterChange(0x80, 0x12);
  up_->WriteRegisterThrough(0x81, 0x13);
  EXPECT_EQ(R(0x80), 0x12);
  EXPECT_EQ(R(0x81), 0x13);
  EXPECT_EQ(pod_.count("W "), 0);
  EXPECT_EQ(pod_.count("RC"), 0);
}

// ---- emulator write path ----------------------------------------------------------------------------

TEST_F(ReviewStateTest, EmulatorWriteKeepsTheTableDataRegisters) {
  emulator();
  pod_.mem[31] = 0xA1;
  pod_.mem[32] = 0xB2;
  pod_.keepMask[0x80] = 0x0F;  // the pod keeps only the low nibble
  up_->WriteRegisterThrough(0x80, 0x5C);
  EXPECT_EQ(R(0x80), 0x0C);  // the model takes the byte read back
  const int r31 = pod_.indexOf("R 1F"), r32 = pod_.indexOf("R 20");
  const int w = pod_.indexOf("W 80=5C");
  const int w31 = pod_.indexOf("W 1F=A1"), w32 = pod_.indexOf("W 20=B2");
  ASSERT_GE(r31, 0);
  ASSERT_GE(r32, 0);
  ASSERT_GE(w, 0);
  ASSERT_GE(w31, 0);
  ASSERT_GE(w32, 0);
  EXPECT_LT(r31, w);
  EXPECT_LT(r32, w);
  EXPECT_GT(w31, w);
  EXPECT_GT(w32, w);
}

TEST_F(ReviewStateTest, EmulatorWriteOfTableDataIsNotSaved) {
  emulator();
  pod_.mem[32] = 0xB2;
  up_->WriteRegisterThrough(31, 0x77);
  EXPECT_EQ(pod_.count("R 20"), 0);
  EXPECT_EQ(pod_.count("W 20="), 0);
  EXPECT_EQ(pod_.count("W 1F=77"), 1);
  EXPECT_EQ(pod_.mem[31], 0x77);
  EXPECT_EQ(R(31), 0x77);
}

TEST_F(ReviewStateTest, EmulatorReadBackRuleIsWrittenAgain) {
  emulator();
  Chip().RegisterQuirkFlags[0] = 1;
  up_->WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(R(61), 0xEF);
  EXPECT_EQ(pod_.count("W 3D=FF"), 1);
  EXPECT_EQ(pod_.count("W 3D=EF"), 1);
  EXPECT_LT(pod_.indexOf("W 3D=FF"), pod_.indexOf("W 3D=EF"));
}

TEST_F(ReviewStateTest, EmulatorLogKeepsTheControlRegister) {
  emulator();
  pod_.control = 0x5A;
  up_->LogRegisterChange(0x90, 0x01);
  const int rc = pod_.indexOf("RC"), w = pod_.indexOf("W 90=1"), wc = pod_.indexOf("WC 5A");
  ASSERT_GE(rc, 0);
  ASSERT_GE(w, 0);
  ASSERT_GE(wc, 0);
  EXPECT_LT(rc, w);
  EXPECT_GT(wc, w);
  EXPECT_EQ(up_->RegRecord.Count(), 1);
}

TEST_F(ReviewStateTest, ChangePcInformsAndWritesThePod) {
  int stops = 0;
  up_->OnRunStopped = [&](TKy_UP&) { ++stops; };
  up_->ChangePC(0x1234);
  EXPECT_EQ(up_->GetPC(), 0x1234u);
  EXPECT_EQ(R(27), 0x34);
  EXPECT_EQ(R(26), 0x12);
  EXPECT_EQ(stops, 1);
  emulator();
  up_->ChangePC(0x2345);
  EXPECT_EQ(up_->GetPC(), 0x2345u);
  EXPECT_EQ(pod_.count("WPC 2345"), 1);
  EXPECT_EQ(stops, 2);
}

}  // namespace
}  // namespace kyvor
