// The target state: register image, program counter, cycles, program memory,
// history, symbols and the model after creation.
#include "engine/target_state.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
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

class TargetStateTest : public test::CpuFixture {};

class KyUpStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
  }
  void TearDown() override {
    ResetModes();
    ResetChipConfig();
  }
};

TEST_F(TargetStateTest, ProgramSizeRoundsDownToWholePages) {
  Chip().ChipRomWords = 1000;  // 3 pages of 256
  up_->ApplyChipConfig();
  EXPECT_TRUE(up_->StoreProgramWord(767, 0x1111, 1, 0));
  EXPECT_FALSE(up_->StoreProgramWord(768, 0x2222, 1, 0));
  EXPECT_EQ(up_->ReadProgramWord(768), 0);
  EXPECT_FALSE(up_->SetBreakpoint(768, 1, true));
  EXPECT_TRUE(up_->SetBreakpoint(767, 1, true));
}

TEST_F(TargetStateTest, RegisterImageBounds) {
  useRomWords(4096);
  up_->WriteRegisterModel(0, 0x11);
  up_->WriteRegisterModel(4095, 0x22);
  up_->WriteRegisterModel(4096, 0x33);
  up_->WriteRegisterModel(-1, 0x44);
  EXPECT_EQ(regAt(0), 0x11);
  EXPECT_EQ(regAt(4095), 0x22);
  EXPECT_EQ(regAt(4096), 0);
  EXPECT_EQ(regAt(-1), 0);
  EXPECT_EQ(regAt(100000), 0);
}

TEST_F(TargetStateTest, NewModelStartsCleared) {
  useRomWords(4096);
  for (int a = 0; a < 1024; ++a) ASSERT_EQ(regAt(a), 0) << a;
  EXPECT_FALSE(up_->TimerEnabled());
  EXPECT_EQ(up_->GetPC(), 0u);
  EXPECT_EQ(up_->RegRecord.Count(), 0);
  EXPECT_EQ(up_->BreakpointCount(), 0);
  EXPECT_EQ(up_->IndirectHighBitPos()[0], 7);
  EXPECT_EQ(up_->IndirectHighBitPos()[1], 6);
  EXPECT_EQ(up_->IndirectHighBitPos()[2], 5);
}

TEST_F(TargetStateTest, ProgramCounterIsTwentyBitsAndMirroredInSimulator) {
  useRomWords(4096);
  up_->SetProgramCounter(0x12345678);
  EXPECT_EQ(up_->GetPC(), 0x45678u);
  EXPECT_EQ(regAt(27), 0x78);
  EXPECT_EQ(regAt(26), 0x56);
  up_->WriteRegisterModel(26, 0xAB);
  up_->AdvancePC(0x10);
  EXPECT_EQ(up_->GetPC(), 0x45688u);
  EXPECT_EQ(regAt(27), 0x88);
  EXPECT_EQ(regAt(26), 0xAB);  // AdvancePC writes the low byte only
  up_->SetProgramCounter(0xFFFFF);
  up_->AdvancePC(2);
  EXPECT_EQ(up_->GetPC(), 0x00001u);
  EXPECT_EQ(regAt(27), 0x01);
}

TEST_F(TargetStateTest, LatchOnlyForPclatl) {
  useRomWords(4096);
  up_->SetProgramCounter(0x10);
  up_->WriteRegisterModel(25, 0x01);
  up_->WriteRegisterModel(26, 0x02);
  up_->WriteRegisterModel(27, 0x03);
  up_->LatchPcFromRegisters(26);
  EXPECT_EQ(up_->GetPC(), 0x10u);
  up_->LatchPcFromRegisters(27);
  EXPECT_EQ(up_->GetPC(), 0x10203u);
}

TEST_F(TargetStateTest, CycleCounterHalves) {
  useRomWords(4096);
  up_->SetCycleCounter(0x1234, 0xFFFE);
  up_->AddCycles(3);
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(h, 0x1235);
  EXPECT_EQ(l, 0x0001);
}

TEST_F(TargetStateTest, ProgramMemoryBound) {
  useRomWords(4096);
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

TEST_F(TargetStateTest, ClearProgramMemoryAndListingWords) {
  useRomWords(4096);
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

TEST_F(TargetStateTest, PopPcHistoryWalksBackAndStopsAtTheOldest) {
  useRomWords(4096);
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

TEST_F(TargetStateTest, HistoryDropsTheOldest) {
  useRomWords(4096);
  for (uint32_t i = 0; i < 17; ++i) up_->PushPcHistory(i);
  uint32_t last = 0;
  for (int i = 0; i < 16; ++i) last = up_->PopPcHistory();
  EXPECT_EQ(last, 1u);  // entry 0 (value 0) has gone
}

TEST_F(TargetStateTest, SymbolLookups) {
  useRomWords(4096);
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

TEST_F(TargetStateTest, ChangePcInformsAndWritesThePod) {
  useRomWords(4096);
  int stops = 0;
  up_->OnRunStopped = [&](TKy_UP&) { ++stops; };
  up_->ChangePC(0x1234);
  EXPECT_EQ(up_->GetPC(), 0x1234u);
  EXPECT_EQ(regAt(27), 0x34);
  EXPECT_EQ(regAt(26), 0x12);
  EXPECT_EQ(stops, 1);
  UseEmulator();
  up_->ChangePC(0x2345);
  EXPECT_EQ(up_->GetPC(), 0x2345u);
  EXPECT_EQ(pod_.count("PodWritePC 2345"), 1);
  EXPECT_EQ(stops, 2);
}

TEST(TargetState, RegisterBounds) {
  TTargetState s;
  s.WriteRegisterModel(0, 1);
  s.WriteRegisterModel(4095, 2);
  s.WriteRegisterModel(4096, 3);
  s.WriteRegisterModel(-1, 4);
  EXPECT_EQ(s.ReadRegister(0), 1);
  EXPECT_EQ(s.ReadRegister(4095), 2);
  EXPECT_EQ(s.ReadRegister(4096), 0);
  EXPECT_EQ(s.ReadRegister(-1), 0);
}

TEST(TargetState, ProgramCounterMirrorsIntoLatchRegisters) {
  TTargetState s;
  s.SetProgramCounter(0x123456);
  EXPECT_EQ(s.GetPC(), 0x23456u);
  EXPECT_EQ(s.ReadRegister(reg::PCLATL), 0x56);
  EXPECT_EQ(s.ReadRegister(reg::PCLATH), 0x34);
  s.AdvancePC(0xFFFFF);
  EXPECT_EQ(s.GetPC(), 0x23455u);
  EXPECT_EQ(s.ReadRegister(reg::PCLATL), 0x55);
  s.SetMirrorPc(false);
  s.SetProgramCounter(0x10);
  EXPECT_EQ(s.ReadRegister(reg::PCLATL), 0x55);
  // A write to 27 takes the PC from 25:26:27; other addresses do nothing.
  s.WriteRegisterModel(reg::PCLATU, 0x01);
  s.WriteRegisterModel(reg::PCLATH, 0x02);
  s.WriteRegisterModel(reg::PCLATL, 0x03);
  s.LatchPcFromRegisters(26);
  EXPECT_EQ(s.GetPC(), 0x10u);
  s.LatchPcFromRegisters(27);
  EXPECT_EQ(s.GetPC(), 0x10203u);
}

TEST(TargetState, CycleCounterCarries) {
  TTargetState s;
  s.SetCycleCounter(0x0001, 0xFFFF);
  s.AddCycles(2);
  uint16_t h, l;
  s.GetCycleCounter(h, l);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(l, 1);
  s.SetCycleCounter(0xFFFF, 0xFFFF);
  s.AddCycles(1);
  EXPECT_EQ(s.Cycles(), 0u);
}

TEST(TargetState, PcHistoryPopsNewestToOldestAndStops) {
  TTargetState s;
  for (uint32_t i = 0; i < 20; ++i) s.PushPcHistory(0x100 + i);  // 0x113 newest
  for (int i = 0; i < 16; ++i) EXPECT_EQ(s.PopPcHistory(), 0x113 - i) << i;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(s.PopPcHistory(), 0x104);
  s.SetPcHistoryCursor(0);
  EXPECT_EQ(s.PopPcHistory(), 0x113);
  s.ClearPcHistory();
  EXPECT_EQ(s.PopPcHistory(), 0);
  EXPECT_EQ(s.PcHistoryCursor(), 1);
}

TEST(TargetState, ProgramMemoryBounds) {
  TTargetState s;
  s.SetProgramWords(16 * 256);
  EXPECT_TRUE(s.StoreProgramWord(4095, 0x1234, 7, 2));
  EXPECT_FALSE(s.StoreProgramWord(4096, 0x5678, 8, 3));
  EXPECT_EQ(s.ReadProgramWord(4095), 0x1234);
  EXPECT_EQ(s.GetSourceLine(4095), 7);
  EXPECT_EQ(s.GetSourceFileIndex(4095), 2);
  EXPECT_EQ(s.ReadProgramWord(4096), 0);
  EXPECT_EQ(s.GetSourceLine(4096), 0);
  EXPECT_EQ(s.Cell(4096).Opcode, 0);  // nothing stored beyond the bound
  s.SetBreakpointFlag(4095, 1, 1);
  s.SetBreakpointFlag(4096, 1, 1);
  EXPECT_EQ(s.GetBreakpointFlag(4095, 0), 1);
  EXPECT_EQ(s.GetBreakpointFlag(4095, 1), 1);
  EXPECT_EQ(s.GetBreakpointFlag(4095, 2), 0);
  EXPECT_EQ(s.GetBreakpointFlag(4095, 3), 0);
  EXPECT_EQ(s.GetBreakpointFlag(4096, 0), 0);
  s.SetListingWordOf(9, 0xABCD);
  EXPECT_EQ(s.GetOpcode(9), 0xABCD);
  EXPECT_EQ(s.GetSourceLine(9), 10);
  s.ClearProgramMemory();
  EXPECT_EQ(s.ReadProgramWord(4095), 0);
  EXPECT_EQ(s.GetBreakpointFlag(4095, 1), 0);
}

TEST_F(KyUpStateTest, CreationState) {
  Chip().ChipRomWords = 4096;
  TKy_UP up;
  EXPECT_EQ(up.State().StackDepth(), 8);
  EXPECT_EQ(up.State().ProgramWords(), 4096);
  EXPECT_FALSE(up.TimerEnabled());
  EXPECT_EQ(up.Instructions().Count(), 67);
  EXPECT_EQ(up.RegRecord.Count(), 0);
  EXPECT_EQ(up.SymbolCount(), 0);
  EXPECT_FALSE(up.StoreProgramWord(4096, 1, 1, 0));
  Chip().ChipRomWords = 8192;
  Chip().StackDepth = 16;
  up.ApplyChipConfig();
  EXPECT_TRUE(up.StoreProgramWord(4096, 1, 1, 0));
  EXPECT_EQ(up.State().StackDepth(), 16);
}

TEST_F(KyUpStateTest, Symbols) {
  TKy_UP up;
  EXPECT_TRUE(up.AddSymbol("START", 0x10, 0, 'L'));
  EXPECT_TRUE(up.AddSymbol("COUNT", 0x80, 0, 'D'));
  EXPECT_FALSE(up.AddSymbol("START", 0x20, 0, 'L'));  // a label is not redefined
  EXPECT_EQ(up.SymbolCount(), 2);
  EXPECT_EQ(up.SymbolAt(1)->Text, "START");
  EXPECT_EQ(up.SymbolAddress("START"), 0x10);
  EXPECT_EQ(up.SymbolAddress("start"), -1);
  EXPECT_EQ(up.SymbolAddress("NONE"), -1);
  EXPECT_EQ(up.SymbolAtAddress(0x80), "COUNT");
  EXPECT_EQ(up.SymbolAtAddress(0x81), "");
  EXPECT_EQ(up.SymbolAtAddress(-1), "");
  up.ClearSymbols();
  EXPECT_EQ(up.SymbolCount(), 0);
}

TEST_F(KyUpStateTest, CpuResetClearsTargetState) {
  TKy_UP up;
  up.WriteRegisterModel(100, 5);
  up.PushStack(0x33);
  up.SetCycleCounter(1, 2);
  up.SetProgramCounter(0x44);
  up.PushPcHistory(0x43);
  up.State().SleepFlag = 1;
  up.State().PendingTwoWordKind = ik::CALL;
  up.CpuReset();
  EXPECT_EQ(up.ReadRegister(100), 0);
  EXPECT_EQ(up.ReadRegister(reg::STKPTR), 0);
  EXPECT_EQ(up.GetStackEntry(1), 0u);
  EXPECT_EQ(up.State().Cycles(), 0u);
  EXPECT_EQ(up.GetPC(), 0u);
  EXPECT_EQ(up.State().PcHistoryAt(0), 0);
  EXPECT_EQ(up.State().SleepFlag, 0);
  EXPECT_EQ(up.State().PendingTwoWordKind, 0);
  EXPECT_EQ(Modes().TargetRunning, 0);
}

}  // namespace
}  // namespace kyvor
