// The hardware stack: push, pop, full, overflow and underflow, its register,
// the shadow copies, and the stop on a full stack.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/cpu_core.h"
#include "engine/ky_up.h"
#include "engine/target_state.h"
#include "support/cpu_fixture.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class StackTest : public test::CpuFixture {};

// With the deepest stack (31 levels) the count must not carry into the
// "OVER" bit: an overflowing push overwrites the top entry.
TEST_F(StackTest, DeepestStackOverflowOverwritesTheTop) {
  Chip().StackDepth = 31;
  up_->ApplyChipConfig();
  for (uint32_t i = 1; i <= 30; ++i) up_->PushStack(i);
  EXPECT_EQ(regAt(24), 30);
  up_->PushStack(31);
  EXPECT_EQ(regAt(24), 0x80 | 31);
  EXPECT_EQ(up_->GetStackEntry(31), 31u);
  up_->PushStack(32);  // overflow: the top entry is overwritten
  EXPECT_EQ(regAt(24) & 0x1F, 31);
  EXPECT_EQ(regAt(24) & 0xA0, 0xA0);
  EXPECT_EQ(regAt(24), 0xBF);
  EXPECT_EQ(up_->GetStackEntry(31), 32u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);
  up_->PushStack(33);  // a second overflow: still no underflow mark, no wrap
  EXPECT_EQ(regAt(24), 0xBF);
  EXPECT_EQ(up_->GetStackEntry(31), 33u);
  EXPECT_EQ(up_->GetStackEntry(30), 30u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);
  EXPECT_EQ(up_->PopStack(true), 33u);
  EXPECT_EQ(regAt(24) & 0x1F, 30);
  EXPECT_EQ(up_->PopStack(true), 30u);
}

// A count written above the depth (through the register) overflows on the
// next push instead of wrapping to entry 0.
TEST_F(StackTest, PushWithACountAboveTheDepthOverflows) {
  setReg(24, 0x1F);  // count 31 with a depth of 8
  up_->PushStack(0x44);
  EXPECT_EQ(regAt(24), 0x28);
  EXPECT_EQ(up_->GetStackEntry(8), 0x44u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);
}

TEST_F(StackTest, StackPointerRegisterKeepsItsCount) {
  useRomWords(16384);
  setReg(24, 0xA3);
  one(e("BCF", 24, 5, 0));
  EXPECT_EQ(regAt(24), 0x03);  // bits 5 and 7 cleared together
  setReg(24, 0xA3);
  one(e("BCF", 24, 7, 0));
  EXPECT_EQ(regAt(24), 0x03);
  setReg(24, 0x43);
  one(e("BCF", 24, 6, 0));
  EXPECT_EQ(regAt(24), 0x03);
  setReg(24, 0x45);
  one(e("CLRF", 24, 0));
  EXPECT_EQ(regAt(24), 0x05);
  setReg(24, 0x02);
  one(e("SETF", 24, 0));
  EXPECT_EQ(regAt(24), 0xE2);
  setReg(24, 0x02);
  one(e("BSF", 24, 0, 0));
  EXPECT_EQ(regAt(24), 0x02);  // the count bits are not written
}

TEST_F(StackTest, RetToAnEmptyStackLoadsEntryZeroAsTheTop) {
  up_->SetStackEntry(0, 0x0A0B0C);
  up_->PushStack(0x222);
  at(0x50, {e("RET", 0)});
  up_->SetProgramCounter(0x50);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x222u);
  EXPECT_EQ(regAt(24), 0x00);
  EXPECT_EQ(regAt(21), 0x0A);
  EXPECT_EQ(regAt(22), 0x0B);
  EXPECT_EQ(regAt(23), 0x0C);
}

TEST_F(StackTest, ReturnWithNothingOnTheStackMarksUnderflow) {
  at(0x50, {e("RETL", 0x12)});
  up_->SetProgramCounter(0x50);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0u);
  EXPECT_EQ(regAt(24), 0x40);
  EXPECT_EQ(regAt(41), 0x12);
  at(0x00, {e("POP")});
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(24), 0x40);
}

TEST_F(StackTest, InterruptOnAFullStackOverwritesTheTop) {
  for (uint32_t i = 1; i <= 8; ++i) up_->PushStack(i);
  ASSERT_EQ(regAt(24), 0x88);
  up_->SetProgramCounter(0x77);
  setReg(35, 0x81);
  setReg(38, 0x01);
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(regAt(24), 0xA8);
  EXPECT_EQ(up_->GetStackEntry(8), 0x77u);
}

TEST_F(StackTest, CallOnAFullStackOverwritesTheTop) {
  for (uint32_t i = 1; i <= 8; ++i) up_->PushStack(i);
  at(0x30, {e("RCALL", 0x10)});
  up_->SetProgramCounter(0x30);
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(24), 0xA8);
  EXPECT_EQ(up_->GetStackEntry(8), 0x31u);
  EXPECT_EQ(regAt(23), 0x31);
}

TEST_F(StackTest, StackOverflowStopsTheRunWhenAsked) {
  at(0x10, {e("RCALL", 0x7FF)});  // calls itself
  up_->SetProgramCounter(0x10);
  Options().STPOVSTAK = 1;
  int shown = 0;
  up_->Hooks.ShowStackStatus = [&] { ++shown; };
  EXPECT_EQ(run(), TRunStop::StackOverflow);
  EXPECT_EQ(regAt(24), 0x88);  // stopped at the push that filled the stack
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(Modes().TargetRunning, 0);
}

TEST_F(StackTest, StackOverflowDoesNotStopWithoutTheOption) {
  at(0x10, {e("RCALL", 0x7FF)});
  up_->SetProgramCounter(0x10);
  up_->RunProgram();
  EXPECT_EQ(up_->runSlice(50), TRunStop::Running);
  EXPECT_EQ(regAt(24), 0xA8);
  up_->StopProgram(0);
  EXPECT_FALSE(up_->TimerEnabled());
}

TEST_F(StackTest, PushToFullThenOverflow) {
  useRomWords(4096);
  for (uint32_t i = 1; i <= 7; ++i) up_->PushStack(0x100 + i);
  EXPECT_EQ(regAt(24), 0x07);
  up_->PushStack(0x108);
  EXPECT_EQ(regAt(24), 0x88);  // count 8, FULL
  EXPECT_EQ(up_->GetStackEntry(8), 0x108u);
  up_->PushStack(0x109);
  EXPECT_EQ(regAt(24), 0xA8);  // FULL, OVER, count 8
  EXPECT_EQ(up_->GetStackEntry(8), 0x109u);
  EXPECT_EQ(up_->GetStackEntry(7), 0x107u);
  EXPECT_EQ(up_->GetStackEntry(0), 0u);  // index 0 never written by a push
}

TEST_F(StackTest, PopFollowsTheCount) {
  useRomWords(4096);
  up_->PushStack(0x11);
  up_->PushStack(0x22);
  EXPECT_EQ(up_->PopStack(true), 0x22u);
  EXPECT_EQ(regAt(24), 0x01);
  EXPECT_EQ(up_->PopStack(true), 0x11u);
  EXPECT_EQ(regAt(24), 0x00);
  EXPECT_EQ(up_->PopStack(true), 0u);  // underflow
  EXPECT_EQ(regAt(24), 0x40);
  EXPECT_EQ(up_->PopStack(false), 0u);
  EXPECT_EQ(regAt(24), 0x40);
  up_->PushStack(0x33);  // the underflow mark stays, the count restarts
  EXPECT_EQ(regAt(24), 0x41);
  EXPECT_EQ(up_->GetStackEntry(1), 0x33u);
}

TEST_F(StackTest, PopFromFullKeepsTheStatusBits) {
  useRomWords(4096);
  for (uint32_t i = 1; i <= 9; ++i) up_->PushStack(i);
  ASSERT_EQ(regAt(24), 0xA8);
  EXPECT_EQ(up_->PopStack(true), 9u);
  EXPECT_EQ(regAt(24), 0xA7);  // register 24 := p - 1
}

TEST_F(StackTest, SmallerStackDepth) {
  useRomWords(4096);
  Chip().StackDepth = 4;
  up_->ApplyChipConfig();
  for (uint32_t i = 1; i <= 4; ++i) up_->PushStack(i);
  EXPECT_EQ(regAt(24), 0x84);
  up_->PushStack(5);
  EXPECT_EQ(regAt(24), 0xA4);
  EXPECT_EQ(up_->GetStackEntry(4), 5u);
  up_->SetStackEntry(5, 0x55);  // beyond the depth: ignored
  EXPECT_EQ(up_->GetStackEntry(5), 0u);
}

TEST_F(StackTest, StackEntryAccessBounds) {
  useRomWords(4096);
  up_->SetStackEntry(0, 0x10);
  up_->SetStackEntry(8, 0x80);
  up_->SetStackEntry(9, 0x90);
  up_->SetStackEntry(-1, 0x99);
  EXPECT_EQ(up_->GetStackEntry(0), 0x10u);
  EXPECT_EQ(up_->GetStackEntry(8), 0x80u);
  EXPECT_EQ(up_->GetStackEntry(9), 0u);
  EXPECT_EQ(up_->GetStackEntry(-1), 0u);
}

TEST_F(StackTest, ShadowCopiesThroughTheModel) {
  useRomWords(4096);
  up_->WriteRegisterModel(41, 0x11);
  up_->WriteRegisterModel(42, 0x22);
  up_->WriteRegisterModel(43, 0x33);
  up_->SaveShadow();
  EXPECT_EQ(regAt(509), 0x11);
  EXPECT_EQ(regAt(510), 0x22);
  EXPECT_EQ(regAt(511), 0x33);
  up_->WriteRegisterModel(41, 0);
  up_->WriteRegisterModel(42, 0);
  up_->WriteRegisterModel(43, 0);
  up_->RestoreShadow();
  EXPECT_EQ(regAt(41), 0x11);
  EXPECT_EQ(regAt(42), 0x22);
  EXPECT_EQ(regAt(43), 0x33);
}

TEST_F(StackTest, StackRegisterWritesKeepTheCount) {
  setReg(reg::STKPTR, 0xA3);
  exec(enc("BCF", reg::STKPTR, 5, 0));
  EXPECT_EQ(regAt(reg::STKPTR), 0x03);  // bits 5 and 7 cleared together
  setReg(reg::STKPTR, 0x83);
  exec(enc("CLRF", reg::STKPTR, 0));
  EXPECT_EQ(regAt(reg::STKPTR), 0x03);
  exec(enc("SETF", reg::STKPTR, 0));
  EXPECT_EQ(regAt(reg::STKPTR), 0xE3);
}

TEST_F(StackTest, StackOverflowStop) {
  // Endless recursion: RCALL to itself.
  at(0, {enc("RCALL", 0x7FF)});
  int shown = 0;
  up().Hooks.ShowStackStatus = [&] { ++shown; };
  Options().STPOVSTAK = 1;
  EXPECT_EQ(run(1000000), TRunStop::StackOverflow);
  EXPECT_EQ(up().ReadRegister(reg::STKPTR), 0x88);
  EXPECT_EQ(shown, 1);
  Options().STPOVSTAK = 0;
  up().RunProgram();
  EXPECT_EQ(up().RunToStop(100, 1000), TRunStop::Running);
  EXPECT_EQ(up().ReadRegister(reg::STKPTR), 0xA8);
  up().StopProgram(0);
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

}  // namespace
}  // namespace kyvor
