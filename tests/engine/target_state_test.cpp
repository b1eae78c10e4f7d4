#include "engine/target_state.h"

#include <gtest/gtest.h>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"

namespace kyvor {
namespace {

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

TEST(TargetState, StackFullOverflowAndUnderflow) {
  TTargetState s;
  ASSERT_EQ(s.StackDepth(), 8);
  for (uint32_t i = 1; i <= 7; ++i) s.PushStack(0x100 + i);
  EXPECT_EQ(s.ReadRegister(reg::STKPTR), 7);
  s.PushStack(0x108);
  EXPECT_EQ(s.ReadRegister(reg::STKPTR), 0x88);  // count 8, "FULL"
  s.PushStack(0x109);                              // overflow overwrites entry 8
  EXPECT_EQ(s.ReadRegister(reg::STKPTR), 0xA8);
  EXPECT_EQ(s.GetStackEntry(8), 0x109u);
  EXPECT_EQ(s.GetStackEntry(7), 0x107u);
  EXPECT_EQ(s.PopStack(true), 0x109u);
  EXPECT_EQ(s.ReadRegister(reg::STKPTR), 0xA7);

  TTargetState e;
  EXPECT_EQ(e.PopStack(true), 0u);
  EXPECT_EQ(e.ReadRegister(reg::STKPTR), 0x40);  // "UNDER"
  TTargetState f;
  EXPECT_EQ(f.PopStack(false), 0u);
  EXPECT_EQ(f.ReadRegister(reg::STKPTR), 0x00);
}

TEST(TargetState, StackEntryBounds) {
  TTargetState s;
  s.SetStackDepth(4);
  s.SetStackEntry(0, 5);
  s.SetStackEntry(4, 6);
  s.SetStackEntry(5, 7);
  s.SetStackEntry(-1, 8);
  EXPECT_EQ(s.GetStackEntry(0), 5u);
  EXPECT_EQ(s.GetStackEntry(4), 6u);
  EXPECT_EQ(s.GetStackEntry(5), 0u);
  EXPECT_EQ(s.GetStackEntry(-1), 0u);
}

TEST(TargetState, ShadowCopies) {
  TTargetState s;
  s.WriteRegisterModel(reg::W, 1);
  s.WriteRegisterModel(reg::BSR, 2);
  s.WriteRegisterModel(reg::STATUS, 3);
  s.SaveShadow();
  EXPECT_EQ(s.ReadRegister(509), 1);
  EXPECT_EQ(s.ReadRegister(510), 2);
  EXPECT_EQ(s.ReadRegister(511), 3);
  s.WriteRegisterModel(reg::W, 0);
  s.WriteRegisterModel(reg::BSR, 0);
  s.WriteRegisterModel(reg::STATUS, 0);
  s.RestoreShadow();
  EXPECT_EQ(s.ReadRegister(reg::W), 1);
  EXPECT_EQ(s.ReadRegister(reg::BSR), 2);
  EXPECT_EQ(s.ReadRegister(reg::STATUS), 3);
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
