// How instructions reach data memory: banked and unbanked access, the indirect
// pointers and their post-updates, writes to the status register and to
// "PCLATL" (computed jumps), and table reads of program memory.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
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

class DataAccessTest : public test::CpuFixture {};

TEST_F(DataAccessTest, BitSetOnPclatlJumpsWithinTheCurrentPage) {
  at(0x100, {e("BSF", 27, 7, 0)});
  up_->SetProgramCounter(0x100);  // mirrors 0x01 into 26
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x181u);  // 27 held 0x01 (the advanced PC) before the bit was set
}

// A skip instruction whose result goes to "PCLATL": the skip is made first,
// then the write latches the computed jump, which wins.
TEST_F(DataAccessTest, SkipOnPclatlLetsTheComputedJumpWin) {
  at(0x100, {e("DCSZ", 27, 1, 0)});
  up_->SetProgramCounter(0x100);  // 26 = 0x01; the fetch leaves 27 = 0x01
  uint16_t h0 = 0, l0 = 0, h1 = 0, l1 = 0;
  up_->GetCycleCounter(h0, l0);
  up_->Core().ExecuteOne();
  up_->GetCycleCounter(h1, l1);
  EXPECT_EQ(up_->GetPC(), 0x100u);  // 25:26:27 after writing 0 to 27
  EXPECT_EQ(regAt(27), 0);
  EXPECT_EQ(l1 - l0, 2);  // the skip still costs its cycle
}

TEST_F(DataAccessTest, IncrementSkipsOnPclatlLatchTheWrittenByte) {
  // INSUZ: 27 = 0x01 after the fetch, the result 0x02 is not 0 -> skip, then
  // the write jumps to 0x0102.
  at(0x100, {e("INSUZ", 27, 1, 0)});
  up_->SetProgramCounter(0x100);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x102u);
  EXPECT_EQ(regAt(27), 0x02);
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
  EXPECT_EQ(regAt(41), 0);
  // Skips on other registers are unchanged.
  setReg(0x60, 0xFF);
  at(0x500, {e("INSZ", 0x60, 1, 1), e("NOP"), e("NOP")});
  setReg(42, 0);
  up_->SetProgramCounter(0x500);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x502u);
  EXPECT_EQ(regAt(0x60), 0);
}

TEST_F(DataAccessTest, ClrfSetfUseOperandTwoAsBankBit) {
  useRomWords(16384);
  setReg(reg::BSR, 2);
  setReg(0x230, 0x55);
  setReg(0x30, 0x66);
  one(e("CLRF", 0x30, 1), sf::N);
  EXPECT_EQ(regAt(0x230), 0x00);
  EXPECT_EQ(regAt(0x30), 0x66);
  EXPECT_EQ(flags(), sf::N);  // no flags
  one(e("SETF", 0x30, 0));
  EXPECT_EQ(regAt(0x30), 0xFF);
  one(e("SETF", 0x31, 1));
  EXPECT_EQ(regAt(0x231), 0xFF);
}

TEST_F(DataAccessTest, BankedAccessUsesTheBankRegister) {
  useRomWords(16384);
  setReg(reg::BSR, 0x0B);
  setReg(reg::W, 0x01);
  setReg(0xB10, 0x41);
  setReg(0x10, 0x99);
  one(e("ADDF", 0x10, 1, 1));
  EXPECT_EQ(regAt(0xB10), 0x42);
  EXPECT_EQ(regAt(0x10), 0x99);
}

TEST_F(DataAccessTest, TableReadWithAndWithoutIncrement) {
  useRomWords(16384);
  up_->StoreProgramWord(0x1FF, 0xBEEF, 0, 0);
  setReg(28, 0x00);
  setReg(29, 0x01);
  setReg(30, 0xFF);
  EXPECT_EQ(one(e("TBLR", 0)), 2u);
  EXPECT_EQ(regAt(31), 0xBE);
  EXPECT_EQ(regAt(32), 0xEF);
  EXPECT_EQ(regAt(30), 0xFF);
  one(e("TBLR", 1));
  EXPECT_EQ(regAt(31), 0xBE);
  EXPECT_EQ(regAt(28), 0x00);
  EXPECT_EQ(regAt(29), 0x02);
  EXPECT_EQ(regAt(30), 0x00);
}

TEST_F(DataAccessTest, WriteToPclatlIsAComputedJump) {
  useRomWords(16384);
  setReg(reg::W, 0x40);
  place(0x300, {e("MVF", 27, 1, 0)});
  EXPECT_EQ(regAt(26), 0x03);  // setting the PC mirrors bits 8-15 into 26
  setReg(25, 0x01);
  setReg(26, 0x01);
  step();
  EXPECT_EQ(up_->GetPC(), 0x10140u);
}

TEST_F(DataAccessTest, WriteToStatusKeepsTheWrittenFlags) {
  useRomWords(16384);
  setReg(reg::W, 0x01);
  one(e("ADDF", reg::STATUS, 1, 0), 0x1F);
  EXPECT_EQ(regAt(reg::STATUS), 0x20);  // 0x1F + 1, no flag update on top
  setReg(reg::W, 0xFF);
  one(e("ADDF", reg::STATUS, 0, 0), 0x01);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(regAt(reg::STATUS), 0x01);  // the operand is the status: flags untouched
  one(e("COMF", reg::STATUS, 1, 0), 0x00);
  EXPECT_EQ(regAt(reg::STATUS), 0xFF);
}

TEST_F(DataAccessTest, PostIncrementCarriesIntoTheHighByte) {
  useRomWords(16384);
  setReg(15, 0x00);
  setReg(16, 0xFF);
  setReg(0xFF, 0x05);
  one(e("MVF", 1, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x05);
  EXPECT_EQ(regAt(15), 0x01);
  EXPECT_EQ(regAt(16), 0x00);
}

TEST_F(DataAccessTest, IndirectModesOfEachPointer) {
  useRomWords(16384);
  // Pointer 1 (17:18) = 0x0100.
  setReg(17, 0x01);
  setReg(18, 0x00);
  setReg(0x0FF, 0xA1);
  setReg(0x100, 0xA2);
  setReg(0x101, 0xA3);
  one(e("MVF", 5, 0, 0));  // plain
  EXPECT_EQ(regAt(reg::W), 0xA2);
  EXPECT_EQ(regAt(18), 0x00);
  one(e("MVF", 7, 0, 0));  // then -1
  EXPECT_EQ(regAt(reg::W), 0xA2);
  EXPECT_EQ(regAt(17), 0x00);
  EXPECT_EQ(regAt(18), 0xFF);
  one(e("MVF", 8, 0, 0));  // pointer + 1, then +1
  EXPECT_EQ(regAt(reg::W), 0xA2);
  EXPECT_EQ(regAt(17), 0x01);
  EXPECT_EQ(regAt(18), 0x00);
  // Pointer 2 (19:20) = 0x0300 with reg::W = -2: address 0x2FE, then pointer += -2.
  setReg(19, 0x03);
  setReg(20, 0x00);
  setReg(0x2FE, 0x0B);
  setReg(reg::W, 0xFE);
  one(e("ADDF", 14, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x09);  // 0xFE + 0x0B
  EXPECT_EQ(regAt(19), 0x02);
  EXPECT_EQ(regAt(20), 0xFE);  // the saved reg::W (-2), not the new reg::W
  // Pointer 0 plain write.
  setReg(15, 0x04);
  setReg(16, 0x44);
  one(e("SETF", 0, 0));
  EXPECT_EQ(regAt(0x444), 0xFF);
  EXPECT_EQ(regAt(16), 0x44);
}

TEST_F(DataAccessTest, BankBitOneBypassesThePointers) {
  useRomWords(16384);
  setReg(reg::BSR, 0);
  setReg(15, 0x02);
  setReg(16, 0x00);
  setReg(0x001, 0x66);
  one(e("MVF", 1, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0x66);
  EXPECT_EQ(regAt(16), 0x00);  // no post-update
}

TEST_F(DataAccessTest, K08BIndirectThroughZeroAndFiveOnly) {
  useRomWords(16384);
  useK08B();
  setReg(15, 0x01);
  setReg(16, 0x23);
  setReg(17, 0x04);
  setReg(18, 0x56);
  setReg(0x123, 0x11);
  setReg(0x456, 0x22);
  setReg(0x001, 0x33);
  one(e("MVF", 0, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x11);
  EXPECT_EQ(regAt(16), 0x23);  // no post-update
  one(e("MVF", 5, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x22);
  one(e("MVF", 1, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x33);  // register 1 itself
  EXPECT_EQ(regAt(16), 0x23);
}

TEST_F(DataAccessTest, PointerOutsideTheRegisterFileReadsZero) {
  setReg(15, 0x20);
  setReg(16, 0x00);  // pointer 0 = 0x2000
  setReg(41, 0x55);
  at(0x10, {e("MVF", 0, 0, 0), e("MVF", 0, 1, 0)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(41), 0x00);
  setReg(41, 0x66);
  up_->Core().ExecuteOne();  // a write outside is dropped
  for (int a = 0; a < 4096; ++a) {
    if (a != 41 && a != 15 && a != 27 && a != 26) {
      ASSERT_EQ(regAt(a), 0) << a;
    }
  }
}

TEST_F(DataAccessTest, TableReadBeyondProgramMemoryGivesZero) {
  setReg(28, 0x01);  // 0x010000, beyond 8,192 words
  setReg(31, 0xAA);
  setReg(32, 0xBB);
  at(0x10, {e("TBLR", 0)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(31), 0);
  EXPECT_EQ(regAt(32), 0);
}

TEST_F(DataAccessTest, StatusAsDataAddressKeepsWrittenFlags) {
  // The status register is register 43 of bank 0.
  setReg(reg::BSR, 0);
  setReg(reg::STATUS, 0x0F);
  exec(enc("INF", reg::STATUS, 1, 1));
  EXPECT_EQ(status(), 0x10);  // the write stands, no flag update over it
  setReg(reg::STATUS, 0x00);
  exec(enc("CLRF", reg::STATUS, 1));
  EXPECT_EQ(status(), 0x00);
  setReg(reg::W, 0xFF);
  setReg(reg::STATUS, sf::C);
  exec(enc("ADDF", reg::STATUS, 0, 1));  // into W, address 43: flags untouched
  EXPECT_EQ(regAt(reg::W), 0x0F);
  EXPECT_EQ(status(), sf::C);
}

TEST_F(DataAccessTest, IndirectAccessAndPostUpdates) {
  // Address 1 with bank bit 0: through pointer 0, then pointer 0 + 1.
  setReg(reg::PTR0H, 0x00);
  setReg(reg::PTR0L, 0xFF);
  setReg(0xFF, 0x41);
  exec(enc("MVF", 1, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x41);
  EXPECT_EQ(regAt(reg::PTR0H), 0x01);
  EXPECT_EQ(regAt(reg::PTR0L), 0x00);
  // Address 7: pointer 1, then -1 with borrow.
  setReg(reg::PTR1H, 0x02);
  setReg(reg::PTR1L, 0x00);
  setReg(reg::W, 0x99);
  exec(enc("MVF", 7, 1, 0));
  EXPECT_EQ(regAt(0x200), 0x99);
  EXPECT_EQ(regAt(reg::PTR1H), 0x01);
  EXPECT_EQ(regAt(reg::PTR1L), 0xFF);
  // Address 13: pointer 2 + 1, then pointer 2 + 1.
  setReg(reg::PTR2H, 0x03);
  setReg(reg::PTR2L, 0x10);
  setReg(0x311, 0x5C);
  exec(enc("MVF", 13, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x5C);
  EXPECT_EQ(regAt(reg::PTR2L), 0x11);
  // Address 4: pointer 0 + W (signed), then pointer 0 += W.
  setReg(reg::PTR0H, 0x01);
  setReg(reg::PTR0L, 0x10);
  setReg(reg::W, 0xF0);  // -16
  setReg(0x100, 0x3C);
  exec(enc("MVF", 4, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x3C);
  EXPECT_EQ(regAt(reg::PTR0H), 0x01);
  EXPECT_EQ(regAt(reg::PTR0L), 0x00);
  // Address 0: pointer only, no update.
  exec(enc("CLRF", 0, 0));
  EXPECT_EQ(regAt(0x100), 0x00);
  EXPECT_EQ(regAt(reg::PTR0L), 0x00);
  // Bank bit 1: register 42 supplies the bank.
  setReg(reg::BSR, 2);
  exec(enc("SETF", 0x05, 1));
  EXPECT_EQ(regAt(0x205), 0xFF);
  // Bank bit 0 and an address above 14: the plain address.
  exec(enc("SETF", 0x30, 0));
  EXPECT_EQ(regAt(0x30), 0xFF);
  exec(enc("LBSR", 0x3));
  EXPECT_EQ(regAt(reg::BSR), 3);
}

TEST_F(DataAccessTest, PclatlWriteIsAComputedJump) {
  up().StoreProgramWord(0x100, enc("MVF", reg::PCLATL, 1, 0), 1, 0);
  up().State().SetProgramCounter(0x100);  // mirrors into 26 and 27
  EXPECT_EQ(regAt(reg::PCLATH), 0x01);
  setReg(reg::PCLATU, 0);
  setReg(reg::PCLATH, 0x12);
  setReg(reg::W, 0x34);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x1234u);

  // The upper byte takes part, and the run loop goes on from the new PC.
  up().StoreProgramWord(0x1234, enc("MVF", reg::PCLATL, 1, 0), 1, 0);
  up().State().SetProgramCounter(0x1234);
  setReg(reg::PCLATU, 0x01);
  setReg(reg::PCLATH, 0x00);
  setReg(reg::W, 0x40);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x10040u);
  EXPECT_EQ(up().State().PcHistoryAt(0), 0x1234u);
}

}  // namespace
}  // namespace kyvor
