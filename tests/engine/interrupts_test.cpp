// Interrupts, sleep and idle: entry, conditions, return, and waking a
// sleeping core in steps and runs.
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
#include "support/cpu_fixture.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class InterruptsTest : public test::CpuFixture {};

TEST_F(InterruptsTest, SleepingRunWakesOnAnInterruptInEitherRunLoop) {
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "plain run" : "run with the stack stop option");
    up_->CpuReset();
    Options().STPOVSTAK = pass == 1 ? 1 : 0;
    at(0, {e("SLP"), e("NOP")});
    at(4, {e("NOP")});
    ASSERT_TRUE(up_->SetBreakpoint(4, 1, true));
    setReg(35, 0x81);
    up_->RunProgram();
    EXPECT_EQ(up_->runSlice(50), TRunStop::Running);
    EXPECT_EQ(up_->GetPC(), 1u);
    EXPECT_EQ(up_->State().SleepFlag, 1);
    setReg(38, 0x01);
    EXPECT_EQ(up_->runSlice(50), TRunStop::Breakpoint);
    EXPECT_EQ(up_->GetPC(), 4u);
    EXPECT_EQ(up_->State().SleepFlag, 0);
    EXPECT_EQ(up_->GetStackEntry(1), 1u);
    ASSERT_TRUE(up_->SetBreakpoint(4, 1, false));
  }
}

TEST_F(InterruptsTest, RetiEnablesInterruptsAgain) {
  useRomWords(16384);
  up_->PushStack(0x321);
  setReg(35, 0x05);
  setReg(reg::W, 0x77);
  setReg(509, 0x12);
  EXPECT_EQ(one(e("RETI", 0)), 2u);
  EXPECT_EQ(up_->GetPC(), 0x321u);
  EXPECT_EQ(regAt(35), 0x85);
  EXPECT_EQ(regAt(reg::W), 0x77);
  up_->PushStack(0x321);
  setReg(35, 0x05);
  one(e("RETI", 1));
  EXPECT_EQ(regAt(reg::W), 0x12);
  EXPECT_EQ(regAt(35), 0x85);
}

TEST_F(InterruptsTest, PowerAndNoOperandKinds) {
  useRomWords(16384);
  setReg(44, 0x01);
  EXPECT_EQ(one(e("IDLE")), 1u);
  EXPECT_EQ(up_->State().IdleFlag, 1);
  EXPECT_EQ(regAt(44), 0x21);
  EXPECT_EQ(one(e("SLP")), 1u);
  EXPECT_EQ(up_->State().SleepFlag, 1);
  EXPECT_EQ(regAt(44), 0x61);
  EXPECT_EQ(one(e("CWDT"), sf::Z), 1u);
  EXPECT_EQ(flags(), sf::Z);
  EXPECT_EQ(one(e("NOP")), 1u);
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(one(e("LBSR", 0x9)), 1u);
  EXPECT_EQ(regAt(reg::BSR), 0x09);
  EXPECT_EQ(one(e("NOPF", 0x123)), 1u);  // alone: nothing
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

TEST_F(InterruptsTest, K08BRetiRestoresNoShadow) {
  useRomWords(16384);
  useK08B();
  up_->PushStack(0x55);
  setReg(reg::W, 0x01);
  setReg(509, 0x99);
  setReg(35, 0x00);
  one(e("RETI"));
  EXPECT_EQ(up_->GetPC(), 0x55u);
  EXPECT_EQ(regAt(35), 0x80);
  EXPECT_EQ(regAt(reg::W), 0x01);
}

TEST_F(InterruptsTest, InterruptEntrySavesAndVectors) {
  useRomWords(16384);
  setReg(35, 0x88);
  setReg(38, 0x08);
  setReg(reg::W, 0x5A);
  setReg(reg::STATUS, 0x13);
  setReg(reg::BSR, 0x02);
  setReg(21, 0xAA);
  setReg(22, 0xBB);
  setReg(23, 0xCC);
  up_->SetProgramCounter(0x333);
  up_->SetCycleCounter(0, 10);
  up_->State().SleepFlag = 1;
  up_->State().IdleFlag = 1;
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(up_->GetPC(), 4u);
  EXPECT_EQ(cycles(), 14u);
  EXPECT_EQ(regAt(35), 0x08);
  EXPECT_EQ(regAt(509), 0x5A);
  EXPECT_EQ(regAt(511), 0x13);
  EXPECT_EQ(regAt(510), 0x02);
  EXPECT_EQ(up_->GetStackEntry(1), 0x333u);
  EXPECT_EQ(regAt(24) & 0x1F, 1);
  EXPECT_EQ(regAt(21), 0xAA);  // top-of-stack registers not written
  EXPECT_EQ(regAt(22), 0xBB);
  EXPECT_EQ(regAt(23), 0xCC);
  EXPECT_EQ(up_->State().SleepFlag, 0);
  EXPECT_EQ(up_->State().IdleFlag, 0);
  EXPECT_EQ(regAt(27), 4);  // simulator mirrors the PC
  EXPECT_EQ(regAt(26), 0);
}

TEST_F(InterruptsTest, InterruptConditions) {
  useRomWords(16384);
  up_->SetProgramCounter(0x50);
  setReg(35, 0x08);
  setReg(38, 0x08);
  EXPECT_FALSE(up_->Core().CheckInterrupt());  // global enable off
  EXPECT_EQ(up_->GetPC(), 0x50u);
  setReg(35, 0x81);
  setReg(38, 0x80);  // flag bit 7 is not a source
  EXPECT_FALSE(up_->Core().CheckInterrupt());
  setReg(38, 0x00);
  setReg(36, 0x04);
  setReg(39, 0x02);
  EXPECT_FALSE(up_->Core().CheckInterrupt());
  setReg(39, 0x06);
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(up_->GetPC(), 4u);
  EXPECT_EQ(regAt(35), 0x01);
  up_->SetProgramCounter(0x60);
  setReg(35, 0x80);
  setReg(36, 0);
  setReg(37, 0x40);
  setReg(40, 0x40);
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(up_->GetStackEntry(2), 0x60u);
}

TEST_F(InterruptsTest, TraceWhileIdleDoesNothing) {
  at(0, {e("IDLE"), e("MVL", 0x11)});
  up_->TraceStep();
  ASSERT_EQ(up_->State().IdleFlag, 1);
  EXPECT_EQ(regAt(44) & 0x20, 0x20);
  stopped_ = 0;
  up_->TraceStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(regAt(41), 0);
  EXPECT_EQ(stopped_, 0);
}

TEST_F(InterruptsTest, InterruptDuringARun) {
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
  EXPECT_EQ(regAt(35), 0x08);
  EXPECT_EQ(regAt(38) & 0x08, 0x08);
}

TEST_F(InterruptsTest, TraceTakesAPendingInterruptFirst) {
  at(4, {e("MVL", 0x55)});
  at(0x40, {e("MVL", 0x66)});
  up_->SetProgramCounter(0x40);
  up_->WriteRegisterModel(35, 0x81);
  up_->WriteRegisterModel(38, 0x01);
  up_->TraceStep();
  EXPECT_EQ(regAt(41), 0x55);
  EXPECT_EQ(up_->GetPC(), 5u);
  EXPECT_EQ(up_->GetStackEntry(1), 0x40u);
  EXPECT_EQ(cycles(), 5u);
  EXPECT_EQ(stopped_, 1);
}

TEST_F(InterruptsTest, TraceWhileAsleepDoesNothing) {
  at(0, {e("SLP"), e("MVL", 0x11)});
  up_->TraceStep();
  ASSERT_EQ(up_->State().SleepFlag, 1);
  stopped_ = 0;
  const uint32_t c = cycles();
  up_->StepReady = 0;
  up_->TraceStep();
  EXPECT_EQ(up_->GetPC(), 1u);
  EXPECT_EQ(cycles(), c);
  EXPECT_EQ(regAt(41), 0);
  EXPECT_EQ(stopped_, 0);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(InterruptsTest, InterruptWakesASleepingCore) {
  at(0, {e("SLP"), e("MVL", 0x11)});
  at(4, {e("MVL", 0x77)});
  up_->TraceStep();
  ASSERT_EQ(up_->State().SleepFlag, 1);
  up_->WriteRegisterModel(35, 0x82);
  up_->WriteRegisterModel(38, 0x02);
  up_->TraceStep();
  EXPECT_EQ(up_->State().SleepFlag, 0);
  EXPECT_EQ(regAt(41), 0x77);
  EXPECT_EQ(up_->GetPC(), 5u);
  EXPECT_EQ(up_->GetStackEntry(1), 1u);
}

TEST_F(InterruptsTest, PopSleepIdle) {
  up().PushStack(0x111);
  up().PushStack(0x222);
  exec(enc("POP"));
  EXPECT_EQ(regAt(reg::STKPTR) & 0x1F, 1);
  EXPECT_EQ(regAt(reg::TOSH), 0x01);
  EXPECT_EQ(regAt(reg::TOSL), 0x11);
  exec(enc("SLP"));
  EXPECT_EQ(up().State().SleepFlag, 1);
  EXPECT_EQ(regAt(reg::PWRSTAT) & 0x40, 0x40);
  exec(enc("IDLE"));
  EXPECT_EQ(up().State().IdleFlag, 1);
  EXPECT_EQ(regAt(reg::PWRSTAT) & 0x20, 0x20);
  // An interrupt wakes the core.
  setReg(reg::INTE0, 0x88);
  setReg(reg::INTF0, 0x08);
  EXPECT_TRUE(up().Core().CheckInterrupt());
  EXPECT_EQ(up().State().SleepFlag, 0);
  EXPECT_EQ(up().State().IdleFlag, 0);
}

TEST_F(InterruptsTest, InterruptEntry) {
  setReg(reg::W, 0x21);
  setReg(reg::STATUS, 0x05);
  setReg(reg::BSR, 0x03);
  up().State().SetProgramCounter(0x345);
  setReg(reg::INTE0, 0x08);
  setReg(reg::INTF0, 0x08);
  EXPECT_FALSE(up().Core().CheckInterrupt());
  EXPECT_EQ(up().GetPC(), 0x345u);
  setReg(reg::INTE0, 0x88);
  const uint32_t before = cycles();
  EXPECT_TRUE(up().Core().CheckInterrupt());
  EXPECT_EQ(up().GetPC(), 4u);
  EXPECT_EQ(cycles() - before, 4u);
  EXPECT_EQ(regAt(reg::INTE0), 0x08);
  EXPECT_EQ(regAt(reg::SHADOW_W), 0x21);
  EXPECT_EQ(regAt(reg::SHADOW_STATUS), 0x05);
  EXPECT_EQ(regAt(reg::SHADOW_BSR), 0x03);
  EXPECT_EQ(up().GetStackEntry(1), 0x345u);
  EXPECT_EQ(regAt(reg::TOSL), 0);  // the entry only
  // Flags 1 and 2 with their enables.
  setReg(reg::INTE0, 0x80);
  setReg(reg::INTF0, 0x00);
  setReg(reg::INTF1, 0x02);
  setReg(reg::INTE1, 0x01);
  EXPECT_FALSE(up().Core().CheckInterrupt());
  setReg(reg::INTE1, 0x02);
  EXPECT_TRUE(up().Core().CheckInterrupt());
  setReg(reg::INTE0, 0x80);
  setReg(reg::INTF1, 0);
  setReg(reg::INTF2, 0x40);
  setReg(reg::INTE2, 0x40);
  EXPECT_TRUE(up().Core().CheckInterrupt());
}

TEST_F(InterruptsTest, InterruptDuringRunReachesTheVector) {
  // Timer interrupt: enable, then loop; the vector at 4 has a breakpoint.
  at(0, {enc("RJ", 0x010)});  // to 0x11
  at(0x11, {enc("RJ", 0x7FF)});  // loop on itself
  up().SetBreakpoint(4, 1, true);
  up().WriteRegisterModel(reg::TMRCTL, 0x80);
  up().WriteRegisterModel(reg::INTE0, 0x88);
  EXPECT_EQ(run(1000000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 4u);
  EXPECT_EQ(up().GetStackEntry(1), 0x11u);
  EXPECT_EQ(up().ReadRegister(reg::INTE0), 0x08);
}

TEST_F(InterruptsTest, SleepingRunWakesOnAnInterrupt) {
  at(0, {enc("SLP"), 0, 0});
  at(4, {enc("RETI", 0)});
  up().SetBreakpoint(2, 1, true);
  up().RunProgram();
  EXPECT_EQ(up().runSlice(1000), TRunStop::Running);  // asleep at 1
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(up().State().Cycles(), 1u);
  up().StopProgram(0);
  // A flag set while stopped wakes the core on the next run.
  up().WriteRegisterModel(reg::INTE0, 0x81);
  up().WriteRegisterModel(reg::INTF0, 0x01);
  up().WriteRegisterModel(reg::INTF0, 0x01);
  up().RunProgram();
  up().runSlice(1);
  EXPECT_EQ(up().State().SleepFlag, 0);
  EXPECT_EQ(up().GetPC(), 4u);
  up().WriteRegisterModel(reg::INTF0, 0x00);
  EXPECT_EQ(up().RunToStop(100, 10000), TRunStop::Breakpoint);
  EXPECT_EQ(up().GetPC(), 2u);
}

TEST_F(InterruptsTest, TraceWhileAsleepChangesNothing) {
  at(0, {enc("SLP"), enc("MVL", 9)});
  up().TraceStep();
  ASSERT_EQ(up().State().SleepFlag, 1);
  stopped_ = 0;
  up().StepReady = 0;
  up().TraceStep();
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(up().ReadRegister(reg::W), 0);
  EXPECT_EQ(stopped_, 0);
  EXPECT_EQ(up().StepReady, 1);
  // A pending interrupt wakes it and the step runs at the vector.
  up().WriteRegisterModel(reg::INTE0, 0x81);
  up().WriteRegisterModel(reg::INTF0, 0x01);
  up().TraceStep();
  EXPECT_EQ(up().State().SleepFlag, 0);
  EXPECT_EQ(up().GetPC(), 5u);
  EXPECT_EQ(stopped_, 1);
}

}  // namespace
}  // namespace kyvor
