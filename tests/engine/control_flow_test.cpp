// Branches, jumps, calls, returns, POP, undecodable words, the PC history and
// the cycle counter.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/cpu_core.h"
#include "engine/ky_up.h"
#include "support/cpu_fixture.h"
#include "support/instruction_patterns.h"

namespace kyvor {
namespace {

class ControlFlowTest : public test::CpuFixture {};

struct BranchCase {
  const char* m;
  uint8_t takenWhen;  // status that makes it branch
  uint8_t notWhen;
};

TEST_F(ControlFlowTest, ConditionalBranchesTakenAndNotTaken) {
  useRomWords(16384);
  const BranchCase cases[] = {
      {"JZ", sf::Z, 0},  {"JC", sf::C, 0},  {"JN", sf::N, 0},  {"JO", sf::OV, 0},
      {"JNC", 0, sf::C}, {"JNZ", 0, sf::Z}, {"JNN", 0, sf::N}, {"JNO", 0, sf::OV},
  };
  for (const BranchCase& c : cases) {
    SCOPED_TRACE(c.m);
    EXPECT_EQ(one(e(c.m, 0xFE), c.takenWhen), 2u);
    EXPECT_EQ(up_->GetPC(), 0x0FFu);
    EXPECT_EQ(one(e(c.m, 0x05), c.takenWhen), 2u);
    EXPECT_EQ(up_->GetPC(), 0x106u);
    EXPECT_EQ(one(e(c.m, 0xFE), c.notWhen), 1u);
    EXPECT_EQ(up_->GetPC(), 0x101u);
    EXPECT_EQ(flags(), c.notWhen);
  }
}

TEST_F(ControlFlowTest, RelativeJumpAndCallBothDirections) {
  useRomWords(16384);
  EXPECT_EQ(one(e("RJ", 0x7FE)), 2u);
  EXPECT_EQ(up_->GetPC(), 0x0FFu);
  EXPECT_EQ(one(e("RJ", 0x400)), 2u);  // -1024
  EXPECT_EQ(up_->GetPC(), (0x101u - 1024u) & 0xFFFFFu);  // 20-bit wrap
  place(0x500, {e("RJ", 0x3FF)});
  step();
  EXPECT_EQ(up_->GetPC(), 0x501u + 1023u);
  EXPECT_EQ(up_->ReadRegister(24) & 0x1F, 0);
  place(0x100, {e("RCALL", 0x010)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x111u);
  EXPECT_EQ(regAt(24) & 0x1F, 1);
  EXPECT_EQ(up_->GetStackEntry(1), 0x101u);
  EXPECT_EQ(regAt(21), 0x00);
  EXPECT_EQ(regAt(22), 0x01);
  EXPECT_EQ(regAt(23), 0x01);
}

TEST_F(ControlFlowTest, RetlReturnsWithALiteral) {
  useRomWords(16384);
  up_->PushStack(0x123);
  EXPECT_EQ(one(e("RETL", 0x55)), 2u);
  EXPECT_EQ(regAt(reg::W), 0x55);
  EXPECT_EQ(up_->GetPC(), 0x123u);
  EXPECT_EQ(regAt(24) & 0x1F, 0);
}

TEST_F(ControlFlowTest, RetLoadsTheNewTopAndRestoresShadowOnRequest) {
  useRomWords(16384);
  up_->PushStack(0x200);
  up_->PushStack(0x345);
  setReg(509, 0x11);
  setReg(510, 0x02);
  setReg(511, 0x1F);
  setReg(reg::W, 0x99);
  setReg(reg::BSR, 0x05);
  EXPECT_EQ(one(e("RET", 0), 0x04), 2u);
  EXPECT_EQ(up_->GetPC(), 0x345u);
  EXPECT_EQ(regAt(21), 0x00);
  EXPECT_EQ(regAt(22), 0x02);
  EXPECT_EQ(regAt(23), 0x00);
  EXPECT_EQ(regAt(reg::W), 0x99);  // no shadow restore with operand 0
  EXPECT_EQ(regAt(reg::STATUS), 0x04);
  EXPECT_EQ(one(e("RET", 1), 0x04), 2u);
  EXPECT_EQ(up_->GetPC(), 0x200u);
  EXPECT_EQ(regAt(reg::W), 0x11);
  EXPECT_EQ(regAt(reg::BSR), 0x02);
  EXPECT_EQ(regAt(reg::STATUS), 0x1F);
}

TEST_F(ControlFlowTest, PopDropsTheTopEntry) {
  useRomWords(16384);
  up_->PushStack(0x10203);
  up_->PushStack(0x456);
  EXPECT_EQ(one(e("POP")), 1u);
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(regAt(24) & 0x1F, 1);
  EXPECT_EQ(regAt(21), 0x01);
  EXPECT_EQ(regAt(22), 0x02);
  EXPECT_EQ(regAt(23), 0x03);
}

TEST_F(ControlFlowTest, UndecodableWordOnlyAdvances) {
  useRomWords(16384);
  setReg(reg::W, 0x12);
  const uint16_t h0 = up_->State().PcHistoryAt(0);
  EXPECT_EQ(one(0xC3AB, sf::Z), 0u);
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(regAt(reg::W), 0x12);
  EXPECT_EQ(flags(), sf::Z);
  EXPECT_EQ(up_->State().PcHistoryAt(0), h0);
}

TEST_F(ControlFlowTest, HistoryRecordsEachExecutedWord) {
  useRomWords(16384);
  place(0x30, {e("NOP"), e("NOP"), e("MVL", 1)});
  step();
  step();
  step();
  EXPECT_EQ(up_->State().PcHistoryAt(0), 0x32);
  EXPECT_EQ(up_->State().PcHistoryAt(1), 0x31);
  EXPECT_EQ(up_->State().PcHistoryAt(2), 0x30);
}

TEST_F(ControlFlowTest, CycleCounterCarriesIntoTheHighHalf) {
  useRomWords(16384);
  up_->SetCycleCounter(0x0001, 0xFFFF);
  place(0x10, {e("NOP")});
  step();
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(h, 0x0002);
  EXPECT_EQ(l, 0x0000);
}

TEST_F(ControlFlowTest, ConditionalBranches) {
  setReg(reg::STATUS, sf::Z);
  exec(0x100, enc("JZ", 0xFE));
  EXPECT_EQ(up().GetPC(), 0xFFu);
  EXPECT_EQ(cycles(), 2u);
  setReg(reg::STATUS, 0);
  up().State().SetCycleCounter(0, 0);
  exec(0x100, enc("JZ", 0xFE));
  EXPECT_EQ(up().GetPC(), 0x101u);
  EXPECT_EQ(cycles(), 1u);

  struct B {
    const char* m;
    uint8_t flag;
    bool onSet;
  };
  const B bs[] = {{"JC", sf::C, true},   {"JN", sf::N, true},   {"JO", sf::OV, true},
                  {"JNC", sf::C, false}, {"JNZ", sf::Z, false}, {"JNN", sf::N, false},
                  {"JNO", sf::OV, false}};
  for (const B& b : bs) {
    setReg(reg::STATUS, b.flag);
    exec(0x100, enc(b.m, 0x10));
    EXPECT_EQ(up().GetPC(), b.onSet ? 0x111u : 0x101u) << b.m;
    setReg(reg::STATUS, 0);
    exec(0x100, enc(b.m, 0x10));
    EXPECT_EQ(up().GetPC(), b.onSet ? 0x101u : 0x111u) << b.m;
  }
}

TEST_F(ControlFlowTest, RelativeJumpAndCall) {
  exec(0x100, enc("RJ", 0x7FF));  // -1: to itself
  EXPECT_EQ(up().GetPC(), 0x100u);
  EXPECT_EQ(cycles(), 2u);
  exec(0x100, enc("RJ", 0x400));  // -1024
  EXPECT_EQ(up().GetPC(), (0x101u - 1024u) & 0xFFFFFu);  // wraps within 20 bits
  exec(0x200, enc("RCALL", 0x010));
  EXPECT_EQ(up().GetPC(), 0x211u);
  EXPECT_EQ(regAt(reg::STKPTR) & 0x1F, 1);
  EXPECT_EQ(up().GetStackEntry(1), 0x201u);
  EXPECT_EQ(regAt(reg::TOSH), 0x02);
  EXPECT_EQ(regAt(reg::TOSL), 0x01);
  // RET back, then RETL with a literal.
  exec(0x211, enc("RET", 0));
  EXPECT_EQ(up().GetPC(), 0x201u);
  EXPECT_EQ(regAt(reg::STKPTR) & 0x1F, 0);
  exec(0x200, enc("RCALL", 0x010));
  exec(0x211, enc("RETL", 0x42));
  EXPECT_EQ(up().GetPC(), 0x201u);
  EXPECT_EQ(regAt(reg::W), 0x42);
}

TEST_F(ControlFlowTest, UndecodableWordOnlyAdvancesPc) {
  setReg(reg::W, 0x12);
  EXPECT_FALSE(exec(0x100, 0x0004));
  EXPECT_EQ(up().GetPC(), 0x101u);
  EXPECT_EQ(cycles(), 0u);
  EXPECT_EQ(up().State().PcHistoryAt(0), 0);
  EXPECT_EQ(regAt(reg::W), 0x12);
}

TEST_F(ControlFlowTest, K08BVariant) {
  up().LoadInstructionTableReduced();
  // One-word CALL with an 11-bit address.
  exec(0x100, enc("CALL", 0x345));
  EXPECT_EQ(up().GetPC(), 0x345u);
  EXPECT_EQ(up().GetStackEntry(1), 0x101u);
  EXPECT_EQ(cycles(), 1u);
  exec(0x100, enc("JMP", 0x7FF));
  EXPECT_EQ(up().GetPC(), 0x7FFu);
  // Only Z and C are updated.
  setReg(reg::STATUS, 0);
  setReg(reg::W, 0x7F);
  setReg(0x80, 0x01);
  exec(enc("ADDF", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(status(), 0);
  // Indirect access through pointers 0 and 1 only, no post-update.
  setReg(reg::PTR1H, 0x01);
  setReg(reg::PTR1L, 0x20);
  setReg(reg::W, 0x66);
  exec(enc("MVF", 5, 1, 0));
  EXPECT_EQ(regAt(0x120), 0x66);
  EXPECT_EQ(regAt(reg::PTR1L), 0x20);
  exec(enc("MVF", 1, 1, 0));
  EXPECT_EQ(regAt(0x01), 0x66);
  // RET without operand.
  exec(0x345, enc("RET"));
  EXPECT_EQ(up().GetPC(), 0x101u);
}

}  // namespace
}  // namespace kyvor
