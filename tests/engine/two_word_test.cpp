// Two-word instructions: long call and jump, table and pointer loads, MVFF,
// and second words that are no continuation.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/cpu_core.h"
#include "engine/ky_up.h"
#include "support/cpu_fixture.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class TwoWordTest : public test::CpuFixture {};

TEST_F(TwoWordTest, LongCallPushesAndJumps) {
  useRomWords(16384);
  setReg(reg::W, 0x31);
  place(0x10, {e("CALL", 0x01, 0), e("NOPF", 0x234)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x01234u);
  EXPECT_EQ(regAt(24) & 0x1F, 1);
  EXPECT_EQ(up_->GetStackEntry(1), 0x11u);
  EXPECT_EQ(regAt(21), 0x00);
  EXPECT_EQ(regAt(22), 0x00);
  EXPECT_EQ(regAt(23), 0x11);
  EXPECT_EQ(up_->State().PcHistoryAt(0), 0x11);
  EXPECT_EQ(up_->State().PcHistoryAt(1), 0x10);
  EXPECT_EQ(regAt(509), 0x00);  // no shadow copy with operand 2 = 0
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

TEST_F(TwoWordTest, LongCallWithShadow) {
  useRomWords(16384);
  setReg(reg::W, 0x31);
  setReg(reg::STATUS, 0x05);
  setReg(reg::BSR, 0x02);
  place(0x40, {e("CALL", 0x00, 1), e("NOPF", 0x080)});
  step();
  EXPECT_EQ(up_->GetPC(), 0x080u);
  EXPECT_EQ(regAt(509), 0x31);
  EXPECT_EQ(regAt(510), 0x02);
  EXPECT_EQ(regAt(511), 0x05);
}

TEST_F(TwoWordTest, LongJump) {
  useRomWords(16384);
  place(0x20, {e("JMP", 0x02), e("NOPF", 0x345)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x2345u);
  EXPECT_EQ(regAt(24) & 0x1F, 0);
}

TEST_F(TwoWordTest, TablePointerLoad) {
  useRomWords(16384);
  place(0x20, {e("MVLP", 0xAB), e("NOPF", 0x3CD)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(regAt(28), 0x0A);
  EXPECT_EQ(regAt(29), 0xB3);
  EXPECT_EQ(regAt(30), 0xCD);
  EXPECT_EQ(up_->GetPC(), 0x22u);
}

TEST_F(TwoWordTest, PointerLoad) {
  useRomWords(16384);
  place(0x20, {e("LDPR", 1), e("NOPF", 0x345), e("LDPR", 2), e("NOPF", 0xFED), e("LDPR", 0),
            e("NOPF", 0x001), e("LDPR", 3), e("NOPF", 0x777)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(regAt(17), 0x03);
  EXPECT_EQ(regAt(18), 0x45);
  step();
  EXPECT_EQ(regAt(19), 0x0F);
  EXPECT_EQ(regAt(20), 0xED);
  step();
  EXPECT_EQ(regAt(15), 0x00);
  EXPECT_EQ(regAt(16), 0x01);
  step();  // selector 3 loads nothing
  EXPECT_EQ(regAt(15), 0x00);
  EXPECT_EQ(regAt(16), 0x01);
  EXPECT_EQ(regAt(17), 0x03);
  EXPECT_EQ(regAt(19), 0x0F);
  EXPECT_EQ(up_->GetPC(), 0x28u);
}

TEST_F(TwoWordTest, FileToFileMove) {
  useRomWords(16384);
  setReg(0x345, 0x5C);
  place(0x20, {e("MVFF", 0x345), e("NOPF", 0x060)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(regAt(0x060), 0x5C);
  EXPECT_EQ(up_->GetPC(), 0x22u);
}

TEST_F(TwoWordTest, FileToFileMoveThroughPointers) {
  useRomWords(16384);
  setReg(15, 0x01);
  setReg(16, 0x80);  // pointer 0 = 0x180
  setReg(17, 0x02);
  setReg(18, 0x00);  // pointer 1 = 0x200
  setReg(0x180, 0x77);
  place(0x20, {e("MVFF", 1), e("NOPF", 6)});  // pointer 0 then +1; pointer 1 then +1
  step();
  EXPECT_EQ(regAt(0x200), 0x77);
  EXPECT_EQ(regAt(16), 0x81);
  EXPECT_EQ(regAt(18), 0x01);
}

TEST_F(TwoWordTest, FileToFileMoveIntoPclatlJumps) {
  useRomWords(16384);
  setReg(0x50, 0x34);
  place(0x20, {e("MVFF", 0x050), e("NOPF", 27)});
  setReg(25, 0x00);
  setReg(26, 0x02);  // after the PC was set (setting it mirrors into 26 and 27)
  step();
  EXPECT_EQ(up_->GetPC(), 0x0234u);
}

TEST_F(TwoWordTest, TwoWordInstructionWithoutItsSecondWordDoesNotHang) {
  useRomWords(16384);
  // The word after the CALL is an ordinary instruction: one following word
  // is executed and the pending state is cleared.
  place(0x10, {e("CALL", 0x01, 0), e("MVL", 0x42), e("MVL", 0x43)});
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
  EXPECT_EQ(regAt(reg::W), 0x42);
  EXPECT_EQ(up_->GetPC(), 0x12u);
}

TEST_F(TwoWordTest, K08BCallAndJumpAreOneWord) {
  useRomWords(16384);
  useK08B();
  place(0x20, {e("CALL", 0x123)});
  EXPECT_EQ(step(), 1u);
  EXPECT_EQ(up_->GetPC(), 0x123u);
  EXPECT_EQ(up_->GetStackEntry(1), 0x21u);
  EXPECT_EQ(regAt(24) & 0x1F, 1);
  EXPECT_EQ(regAt(23), 0x21);
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
  place(0x30, {e("JMP", 0x7FF)});
  EXPECT_EQ(step(), 1u);
  EXPECT_EQ(up_->GetPC(), 0x7FFu);
  place(0x40, {e("RET")});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x21u);
}

TEST_F(TwoWordTest, SkipOntoTheSecondWordRunsItAsANop) {
  setReg(0x60, 0x01);
  at(0x10, {e("BTSS", 0x60, 0, 0), e("CALL", 0x01, 0), e("NOPF", 0x234), e("MVL", 0x99)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x12u);
  up_->Core().ExecuteOne();  // the NOPF word alone
  EXPECT_EQ(up_->GetPC(), 0x13u);
  EXPECT_EQ(regAt(24), 0);
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(41), 0x99);
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

TEST_F(TwoWordTest, TwoWordCall) {
  up().StoreProgramWord(0x10, enc("CALL", 0x01, 0), 1, 0);
  up().StoreProgramWord(0x11, enc("NOPF", 0x234), 1, 0);
  up().State().SetProgramCounter(0x10);
  EXPECT_TRUE(up().Core().ExecuteOne());
  EXPECT_EQ(up().GetPC(), 0x1234u);
  EXPECT_EQ(up().GetStackEntry(regAt(reg::STKPTR) & 0x1F), 0x11u);
  EXPECT_EQ(cycles(), 2u);
  EXPECT_EQ(up().State().PcHistoryAt(0), 0x11);
  EXPECT_EQ(up().State().PcHistoryAt(1), 0x10);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
}

TEST_F(TwoWordTest, CallWithShadowAndReturnRestoring) {
  setReg(reg::W, 0x11);
  setReg(reg::STATUS, 0x03);
  setReg(reg::BSR, 0x02);
  up().StoreProgramWord(0x10, enc("CALL", 0x00, 1), 1, 0);
  up().StoreProgramWord(0x11, enc("NOPF", 0x300), 1, 0);
  up().State().SetProgramCounter(0x10);
  up().Core().ExecuteOne();
  EXPECT_EQ(regAt(reg::SHADOW_W), 0x11);
  EXPECT_EQ(regAt(reg::SHADOW_STATUS), 0x03);
  EXPECT_EQ(regAt(reg::SHADOW_BSR), 0x02);
  setReg(reg::W, 0);
  setReg(reg::STATUS, 0);
  setReg(reg::BSR, 0);
  exec(0x300, enc("RETI", 1));
  EXPECT_EQ(up().GetPC(), 0x11u);
  EXPECT_EQ(regAt(reg::W), 0x11);
  EXPECT_EQ(regAt(reg::BSR), 0x02);
  EXPECT_EQ(regAt(reg::INTE0) & 0x80, 0x80);
}

TEST_F(TwoWordTest, TwoWordJumpMovesAndLoads) {
  // JMP
  up().StoreProgramWord(0x20, enc("JMP", 0x02), 1, 0);
  up().StoreProgramWord(0x21, enc("NOPF", 0x345), 1, 0);
  up().State().SetProgramCounter(0x20);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x2345u);
  // MVLP: table pointer 0x0A:0xBC:0xDE from k = 0xAB and n = 0xCDE.
  up().StoreProgramWord(0x30, enc("MVLP", 0xAB), 1, 0);
  up().StoreProgramWord(0x31, enc("NOPF", 0xCDE), 1, 0);
  up().State().SetProgramCounter(0x30);
  up().Core().ExecuteOne();
  EXPECT_EQ(regAt(reg::TBLPTRU), 0x0A);
  EXPECT_EQ(regAt(reg::TBLPTRH), 0xBC);
  EXPECT_EQ(regAt(reg::TBLPTRL), 0xDE);
  // LDPR pointer 2 := 0x0123.
  up().StoreProgramWord(0x40, enc("LDPR", 2), 1, 0);
  up().StoreProgramWord(0x41, enc("NOPF", 0x123), 1, 0);
  up().State().SetProgramCounter(0x40);
  up().Core().ExecuteOne();
  EXPECT_EQ(regAt(reg::PTR2H), 0x01);
  EXPECT_EQ(regAt(reg::PTR2L), 0x23);
  EXPECT_EQ(up().GetPC(), 0x42u);
  // LDPR selector 3 loads nothing.
  up().StoreProgramWord(0x40, enc("LDPR", 3), 1, 0);
  up().State().SetProgramCounter(0x40);
  up().Core().ExecuteOne();
  EXPECT_EQ(regAt(reg::PTR0H), 0x00);
  EXPECT_EQ(regAt(reg::PTR0L), 0x00);
  // MVFF 0x123 -> 0x456.
  setReg(0x123, 0x77);
  up().StoreProgramWord(0x50, enc("MVFF", 0x123), 1, 0);
  up().StoreProgramWord(0x51, enc("NOPF", 0x456), 1, 0);
  up().State().SetCycleCounter(0, 0);
  up().State().SetProgramCounter(0x50);
  up().Core().ExecuteOne();
  EXPECT_EQ(regAt(0x456), 0x77);
  EXPECT_EQ(cycles(), 2u);
  EXPECT_EQ(up().GetPC(), 0x52u);
}

TEST_F(TwoWordTest, SecondWordThatIsNoContinuationDoesNotHang) {
  // CALL followed by an ordinary instruction: that word runs as itself, the
  // call is dropped, and the pending state is cleared.
  up().StoreProgramWord(0x10, enc("JMP", 0x01), 1, 0);
  up().StoreProgramWord(0x11, enc("MVL", 0x55), 1, 0);
  up().StoreProgramWord(0x12, enc("MVL", 0x66), 1, 0);
  up().State().SetProgramCounter(0x10);
  EXPECT_TRUE(up().Core().ExecuteOne());
  EXPECT_EQ(regAt(reg::W), 0x55);
  EXPECT_EQ(up().GetPC(), 0x12u);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
  // Two first words in a row: the second is executed once, then it stops.
  up().StoreProgramWord(0x20, enc("LDPR", 0), 1, 0);
  up().StoreProgramWord(0x21, enc("LDPR", 1), 1, 0);
  up().StoreProgramWord(0x22, enc("NOPF", 0x111), 1, 0);
  up().State().SetProgramCounter(0x20);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x22u);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
  // The trailing NOPF alone does nothing.
  up().Core().ExecuteOne();
  EXPECT_EQ(regAt(reg::PTR1H), 0);
  EXPECT_EQ(regAt(reg::PTR1L), 0);
  EXPECT_EQ(up().GetPC(), 0x23u);
}

}  // namespace
}  // namespace kyvor
