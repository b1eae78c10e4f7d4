// Arithmetic, logic, rotate, move, bit and multiply instructions: results, flags
// and cycles, in both instruction sets.
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

class ArithmeticLogicTest : public test::CpuFixture {
 protected:
  // `word` at 0x100 from a cleared model with W, the byte at 0x60 and the
  // status (its shadow too, for the returns that restore it) prepared.
  void runFrom(uint8_t status, uint8_t f, uint8_t w, uint16_t word) {
    state().ClearRegisters();
    state().ClearStack();
    state().ClearTwoWordState();
    state().SleepFlag = 0;
    state().IdleFlag = 0;
    setReg(reg::W, w);
    setReg(0x60, f);
    setReg(reg::STATUS, status);
    setReg(reg::SHADOW_STATUS, status);
    setReg(reg::SHADOW_W, w);
    exec(word);
  }
};

// The result and the five flags as an instruction's text gives them, for the
// rows that update the status (result: to W, or the product's low byte).
struct StatusOutcome {
  uint32_t result = 0;
  unsigned flags = 0;
};

unsigned ZeroAndSign(uint32_t r) {
  return ((r & 0xFF) == 0 ? patterns::kZ : 0) | ((r & 0x80) ? patterns::kN : 0);
}

// x + y + carry-in with every flag.
StatusOutcome Sum(uint32_t x, uint32_t y, uint32_t cin) {
  const uint32_t r = x + y + cin;
  unsigned ov = 0;
  if (!((x ^ y) & 0x80)) ov = (((x & 0x80) ? ~r : r) & 0x80) ? patterns::kOV : 0;
  const unsigned dc = ((x & 15) + (y & 15) + cin) > 15 ? patterns::kDC : 0;
  return {r & 0xFF, ZeroAndSign(r) | (r > 255 ? patterns::kC : 0) | ov | dc};
}

StatusOutcome Result(uint32_t r, unsigned extra = 0) { return {r & 0xFF, ZeroAndSign(r) | extra}; }

// f the data byte, k the literal, c the carry before.
StatusOutcome Expected(const std::string& m, uint32_t f, uint32_t w, uint32_t k, uint32_t c) {
  using patterns::kC;
  using patterns::kOV;
  const uint32_t nw = 255 - w;
  if (m == "ADDF") return Sum(w, f, 0);
  if (m == "INF") return Sum(f, 1, 0);
  if (m == "DCF") return Sum(f, 255, 0);
  if (m == "SUBF") return Sum(nw, f, 1);
  if (m == "ADDC") return Sum(w, f, c);
  if (m == "SUBC") return Sum(nw, f, c);
  if (m == "ADDL") return Sum(w, k, 0);
  if (m == "SUBL") return Sum(nw, k, 1);
  if (m == "COMF") return Result(255 - f);
  if (m == "ANDF") return Result(f & w);
  if (m == "IORF") return Result(f | w);
  if (m == "XORF") return Result(f ^ w);
  if (m == "ANDL") return Result(k & w);
  if (m == "IORL") return Result(k | w);
  if (m == "XORL") return Result(k ^ w);
  if (m == "RLF") return Result((f << 1) | (f >> 7));
  if (m == "RRF") return Result((f >> 1) | ((f & 1) << 7));
  if (m == "RRFC") return Result((c << 7) | (f >> 1), (f & 1) ? kC : 0);
  if (m == "RLFC") return Result((f << 1) | c, (f & 0x80) ? kC : 0);
  if (m == "ARRC") return Result((f & 0x80) | (f >> 1), (f & 1) ? kC : 0);
  if (m == "ARLC") {
    const uint32_t r = ((f << 1) | c) & 0xFF;
    return Result(r, ((f ^ r) & 0x80 ? kOV : 0) | ((f & 0x80) ? kC : 0));
  }
  if (m == "MULF") {
    const uint32_t p = (f * w) & 0xFF;
    return {p, p == 0 ? patterns::kZ : 0u};
  }
  ADD_FAILURE() << "no outcome written for " << m;
  return {};
}

// Every row of both instruction sets, from a status with every flag clear
// and from one with every flag set, over operands that give each flag it
// updates both values: those flags follow the instruction's text, and every
// other flag keeps its prepared value (so a flag written by mistake shows in
// one of the two runs).
TEST_F(ArithmeticLogicTest, EveryRowUpdatesExactlyTheFlagsOfItsText) {
  useRomWords(16384);
  const uint8_t values[] = {0x00, 0x01, 0x0F, 0x7F, 0x80, 0xFF};
  for (const int variant : {kCoreK08A, kCoreK08B}) {
    if (variant == kCoreK08B) useK08B();
    for (const patterns::PatternRow& row : patterns::PatternRows()) {
      if (!patterns::PatternOf(row, variant)) continue;
      SCOPED_TRACE(std::string(row.mnemonic) + (variant == kCoreK08B ? " K08B" : " K08A"));
      const unsigned updated =
          variant == kCoreK08B ? row.status & (patterns::kZ | patterns::kC) : row.status;
      unsigned seenSet = 0, seenClear = 0;
      for (const uint8_t prepared : {uint8_t(0x00), uint8_t(patterns::kAllStatus)}) {
        for (const uint8_t f : values) {
          for (const uint8_t w : values) {
            // Data rows name register 0x60 (bank bit 0, result to W); the
            // literal forms take f as their literal.
            runFrom(prepared, f, w, e(row.mnemonic, row.noRegister ? f : 0x60, 0, 0));
            const unsigned after = flags();
            SCOPED_TRACE("status " + std::to_string(prepared) + " f " + std::to_string(f) +
                         " W " + std::to_string(w));
            EXPECT_EQ(after & ~updated, prepared & ~updated) << "a flag outside the text changed";
            if (!updated) continue;
            const StatusOutcome want =
                Expected(row.mnemonic, f, w, f, (prepared & patterns::kC) ? 1 : 0);
            EXPECT_EQ(after & updated, want.flags & updated);
            const int resultAt = row.kind == ik::MULF ? reg::PRODL : reg::W;
            EXPECT_EQ(regAt(resultAt), want.result);
            seenSet |= after & updated;
            seenClear |= ~after & updated;
          }
        }
      }
      EXPECT_EQ(seenSet, updated) << "each updated flag was seen set";
      EXPECT_EQ(seenClear, updated) << "each updated flag was seen cleared";
    }
  }
}

TEST_F(ArithmeticLogicTest, AddfToWSetsAllFlags) {
  useRomWords(16384);
  setReg(reg::W, 0x7F);
  setReg(0x50, 0x01);
  setReg(reg::BSR, 3);  // ignored: bank bit 0 with an address above 14
  EXPECT_EQ(one(e("ADDF", 0x50, 0, 0)), 1u);
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(regAt(0x50), 0x01);
  EXPECT_EQ(flags(), sf::N | sf::OV | sf::DC);
  EXPECT_EQ(up_->GetPC(), 0x101u);
}

TEST_F(ArithmeticLogicTest, AddfToFileWithCarry) {
  useRomWords(16384);
  setReg(reg::W, 0xF0);
  setReg(0x50, 0x20);
  one(e("ADDF", 0x50, 1, 0), sf::Z | sf::N | sf::OV | sf::DC);
  EXPECT_EQ(regAt(0x50), 0x10);
  EXPECT_EQ(regAt(reg::W), 0xF0);
  EXPECT_EQ(flags(), sf::C);
}

TEST_F(ArithmeticLogicTest, SubfEqualOperands) {
  useRomWords(16384);
  setReg(reg::W, 0x40);
  setReg(0x60, 0x40);
  one(e("SUBF", 0x60, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::DC);
}

TEST_F(ArithmeticLogicTest, SubfBorrowAndSignedOverflow) {
  useRomWords(16384);
  setReg(reg::W, 0x20);
  setReg(0x60, 0x10);
  one(e("SUBF", 0x60, 1, 0));
  EXPECT_EQ(regAt(0x60), 0xF0);
  EXPECT_EQ(flags(), sf::N | sf::DC);  // borrow: C = 0
  setReg(reg::W, 0x01);
  setReg(0x60, 0x80);
  one(e("SUBF", 0x60, 1, 0));
  EXPECT_EQ(regAt(0x60), 0x7F);
  EXPECT_EQ(flags(), sf::C | sf::OV);
}

TEST_F(ArithmeticLogicTest, DcfEdges) {
  useRomWords(16384);
  setReg(0x70, 0x00);
  one(e("DCF", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0xFF);
  EXPECT_EQ(flags(), sf::N);
  setReg(0x70, 0x01);
  one(e("DCF", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::DC);
  setReg(0x70, 0x80);
  one(e("DCF", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0x7F);
  EXPECT_EQ(flags(), sf::C | sf::OV);
}

TEST_F(ArithmeticLogicTest, InfEdges) {
  useRomWords(16384);
  setReg(0x70, 0x7F);
  one(e("INF", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0x80);
  EXPECT_EQ(flags(), sf::N | sf::OV | sf::DC);
  setReg(0x70, 0xFF);
  one(e("INF", 0x70, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(regAt(0x70), 0xFF);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::DC);
}

TEST_F(ArithmeticLogicTest, AddcAddsTheCarry) {
  useRomWords(16384);
  setReg(reg::W, 0x0F);
  setReg(0x70, 0x00);
  one(e("ADDC", 0x70, 0, 0), sf::C);
  EXPECT_EQ(regAt(reg::W), 0x10);
  EXPECT_EQ(flags(), sf::DC);
  setReg(reg::W, 0xFF);
  one(e("ADDC", 0x70, 0, 0), sf::C);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::DC);
  setReg(reg::W, 0x3F);
  setReg(0x70, 0x40);
  one(e("ADDC", 0x70, 1, 0), sf::C);
  EXPECT_EQ(regAt(0x70), 0x80);
  EXPECT_EQ(flags(), sf::N | sf::OV | sf::DC);
}

TEST_F(ArithmeticLogicTest, SubcUsesTheCarryAsNotBorrow) {
  useRomWords(16384);
  setReg(reg::W, 0x10);
  setReg(0x70, 0x10);
  one(e("SUBC", 0x70, 0, 0), 0);
  EXPECT_EQ(regAt(reg::W), 0xFF);
  EXPECT_EQ(flags(), sf::N);
  setReg(reg::W, 0x10);
  one(e("SUBC", 0x70, 0, 0), sf::C);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::DC);
}

TEST_F(ArithmeticLogicTest, LiteralArithmetic) {
  useRomWords(16384);
  setReg(reg::W, 0x7F);
  EXPECT_EQ(one(e("ADDL", 0x01)), 1u);
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(flags(), sf::N | sf::OV | sf::DC);
  setReg(reg::W, 0x40);
  one(e("SUBL", 0x40));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::DC);
  setReg(reg::W, 0x41);
  one(e("SUBL", 0x40));  // 0x40 - 0x41
  EXPECT_EQ(regAt(reg::W), 0xFF);
  EXPECT_EQ(flags(), sf::N);
}

TEST_F(ArithmeticLogicTest, LiteralLogicAndMove) {
  useRomWords(16384);
  setReg(reg::W, 0xF0);
  one(e("ANDL", 0x0F), sf::C | sf::OV | sf::DC);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::OV | sf::DC);  // Z, N only
  setReg(reg::W, 0x70);
  one(e("IORL", 0x81), sf::Z);
  EXPECT_EQ(regAt(reg::W), 0xF1);
  EXPECT_EQ(flags(), sf::N);
  setReg(reg::W, 0xAA);
  one(e("XORL", 0xAA));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::Z);
  one(e("MVL", 0x00), sf::N | sf::C);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::N | sf::C);  // no flags
}

TEST_F(ArithmeticLogicTest, ComfSetsOnlyZAndN) {
  useRomWords(16384);
  setReg(0x70, 0xFF);
  one(e("COMF", 0x70, 1, 0), sf::C | sf::OV | sf::DC | sf::N);
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C | sf::OV | sf::DC);
  setReg(0x70, 0x0F);
  one(e("COMF", 0x70, 0, 0), sf::Z);
  EXPECT_EQ(regAt(reg::W), 0xF0);
  EXPECT_EQ(regAt(0x70), 0x0F);
  EXPECT_EQ(flags(), sf::N);
}

TEST_F(ArithmeticLogicTest, FileLogic) {
  useRomWords(16384);
  setReg(reg::W, 0xF0);
  setReg(0x70, 0x0F);
  one(e("ANDF", 0x70, 1, 0), sf::C);
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C);
  setReg(0x70, 0x0F);
  one(e("IORF", 0x70, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0xFF);
  EXPECT_EQ(flags(), sf::N);
  setReg(reg::W, 0xAA);
  setReg(0x70, 0xAA);
  one(e("XORF", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::Z);
}

TEST_F(ArithmeticLogicTest, MvfDirectionFollowsTheDestinationBit) {
  useRomWords(16384);
  setReg(reg::W, 0x5A);
  setReg(0x70, 0x11);
  one(e("MVF", 0x70, 1, 0), sf::Z | sf::C);
  EXPECT_EQ(regAt(0x70), 0x5A);  // 1: reg::W -> F
  EXPECT_EQ(flags(), sf::Z | sf::C);
  setReg(0x70, 0x00);
  one(e("MVF", 0x70, 0, 0), sf::N);
  EXPECT_EQ(regAt(reg::W), 0x00);  // 0: f -> reg::W, no flags
  EXPECT_EQ(flags(), sf::N);
}

TEST_F(ArithmeticLogicTest, RotatesWithoutCarry) {
  useRomWords(16384);
  setReg(0x70, 0x81);
  one(e("RLF", 0x70, 1, 0), sf::C);
  EXPECT_EQ(regAt(0x70), 0x03);
  EXPECT_EQ(flags(), sf::C);  // C untouched
  setReg(0x70, 0x40);
  one(e("RLF", 0x70, 0, 0), 0);
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(flags(), sf::N);
  setReg(0x70, 0x01);
  one(e("RRF", 0x70, 1, 0), 0);
  EXPECT_EQ(regAt(0x70), 0x80);
  EXPECT_EQ(flags(), sf::N);
  setReg(0x70, 0x00);
  one(e("RRF", 0x70, 1, 0), sf::C);
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C);
}

TEST_F(ArithmeticLogicTest, RotatesThroughCarry) {
  useRomWords(16384);
  setReg(0x70, 0x02);
  one(e("RRFC", 0x70, 1, 0), sf::C);
  EXPECT_EQ(regAt(0x70), 0x81);
  EXPECT_EQ(flags(), sf::N);  // C := old bit 0 = 0
  setReg(0x70, 0x01);
  one(e("RRFC", 0x70, 1, 0), 0);
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C);
  setReg(0x70, 0x80);
  one(e("RLFC", 0x70, 1, 0), sf::C);
  EXPECT_EQ(regAt(0x70), 0x01);
  EXPECT_EQ(flags(), sf::C);
  setReg(0x70, 0x40);
  one(e("RLFC", 0x70, 0, 0), 0);
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(regAt(0x70), 0x40);
  EXPECT_EQ(flags(), sf::N);
}

TEST_F(ArithmeticLogicTest, ArithmeticRotates) {
  useRomWords(16384);
  setReg(0x70, 0x40);
  one(e("ARLC", 0x70, 1, 0), 0);
  EXPECT_EQ(regAt(0x70), 0x80);
  EXPECT_EQ(flags(), sf::N | sf::OV);  // bit 7 changed
  setReg(0x70, 0x80);
  one(e("ARLC", 0x70, 1, 0), sf::C);
  EXPECT_EQ(regAt(0x70), 0x01);
  EXPECT_EQ(flags(), sf::C | sf::OV);
  setReg(0x70, 0xC0);
  one(e("ARLC", 0x70, 1, 0), 0);
  EXPECT_EQ(regAt(0x70), 0x80);
  EXPECT_EQ(flags(), sf::C | sf::N);  // bit 7 kept: no OV
  setReg(0x70, 0x81);
  one(e("ARRC", 0x70, 1, 0), 0);
  EXPECT_EQ(regAt(0x70), 0xC0);
  EXPECT_EQ(flags(), sf::C | sf::N);
  setReg(0x70, 0x01);
  one(e("ARRC", 0x70, 0, 0), 0);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C);
}

TEST_F(ArithmeticLogicTest, SwpfSwapsNibblesWithoutFlags) {
  useRomWords(16384);
  setReg(0x70, 0x12);
  one(e("SWPF", 0x70, 1, 0), sf::Z);
  EXPECT_EQ(regAt(0x70), 0x21);
  EXPECT_EQ(flags(), sf::Z);
  one(e("SWPF", 0x70, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x12);
}

TEST_F(ArithmeticLogicTest, BitSetClearToggle) {
  useRomWords(16384);
  setReg(0x70, 0xFF);
  one(e("BCF", 0x70, 3, 0), sf::Z);
  EXPECT_EQ(regAt(0x70), 0xF7);
  EXPECT_EQ(flags(), sf::Z);
  one(e("BSF", 0x70, 3, 0));
  EXPECT_EQ(regAt(0x70), 0xFF);
  one(e("BTGF", 0x70, 7, 0));
  EXPECT_EQ(regAt(0x70), 0x7F);
  one(e("BTGF", 0x70, 7, 0));
  EXPECT_EQ(regAt(0x70), 0xFF);
  setReg(reg::BSR, 1);
  setReg(0x170, 0x00);
  one(e("BSF", 0x70, 0, 1));
  EXPECT_EQ(regAt(0x170), 0x01);
}

TEST_F(ArithmeticLogicTest, Multiplies) {
  useRomWords(16384);
  setReg(reg::W, 0x10);
  setReg(0x70, 0x12);
  EXPECT_EQ(one(e("MULF", 0x70, 0), sf::C | sf::Z), 2u);
  EXPECT_EQ(regAt(33), 0x01);
  EXPECT_EQ(regAt(34), 0x20);
  EXPECT_EQ(regAt(reg::W), 0x10);
  EXPECT_EQ(regAt(0x70), 0x12);
  EXPECT_EQ(flags(), sf::C);  // Z from the low byte, others kept
  setReg(0x70, 0x10);
  one(e("MULF", 0x70, 0), 0);
  EXPECT_EQ(regAt(33), 0x01);
  EXPECT_EQ(regAt(34), 0x00);
  EXPECT_EQ(flags(), sf::Z);
  setReg(reg::W, 0xFF);
  EXPECT_EQ(one(e("MULL", 0xFF), sf::N), 2u);
  EXPECT_EQ(regAt(33), 0xFE);
  EXPECT_EQ(regAt(34), 0x01);
  EXPECT_EQ(flags(), sf::N);  // MULL sets no flags
}

TEST_F(ArithmeticLogicTest, K08BUpdatesOnlyZeroAndCarry) {
  useRomWords(16384);
  useK08B();
  setReg(reg::W, 0x7F);
  setReg(0x70, 0x01);
  one(e("ADDF", 0x70, 0, 0), 0);
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(flags(), 0);
  setReg(reg::W, 0xFF);
  one(e("ADDF", 0x70, 0, 0), sf::N | sf::OV);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::N | sf::OV | sf::Z | sf::C);
  setReg(reg::W, 0x40);
  setReg(0x70, 0x40);
  one(e("SUBF", 0x70, 1, 0), sf::DC);
  EXPECT_EQ(flags(), sf::DC | sf::Z | sf::C);
}

TEST_F(ArithmeticLogicTest, K08BFamiliesWithZeroAndCarryOnly) {
  useRomWords(16384);
  useK08B();
  // Literals: ADDL 0x7F + 1 sets no N, OV or DC under K08B.
  setReg(reg::W, 0x7F);
  EXPECT_EQ(one(e("ADDL", 0x01), 0), 1u);
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(flags(), 0);
  setReg(reg::W, 0x40);
  one(e("SUBL", 0x40), sf::N);
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(flags(), sf::N | sf::Z | sf::C);
  setReg(reg::W, 0x0F);
  one(e("ANDL", 0xF0), sf::OV);
  EXPECT_EQ(flags(), sf::OV | sf::Z);
  one(e("IORL", 0x80), sf::Z);
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(flags(), 0);  // Z cleared, N not set
  // File logic and rotates.
  setReg(0x70, 0xFF);
  one(e("COMF", 0x70, 1, 0), sf::N);
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::N | sf::Z);
  setReg(0x70, 0x40);
  one(e("RLF", 0x70, 1, 0), 0);
  EXPECT_EQ(regAt(0x70), 0x80);
  EXPECT_EQ(flags(), 0);
  setReg(0x70, 0x81);
  one(e("RRF", 0x70, 0, 0), 0);
  EXPECT_EQ(regAt(reg::W), 0xC0);
  setReg(0x70, 0x12);
  one(e("SWPF", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0x21);
  setReg(0x70, 0x01);
  one(e("DCF", 0x70, 1, 0), 0);
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(flags(), sf::Z | sf::C);
  // Bits, clear and set with the bank.
  setReg(reg::BSR, 3);
  one(e("SETF", 0x20, 1));
  EXPECT_EQ(regAt(0x320), 0xFF);
  one(e("BCF", 0x20, 4, 1));
  EXPECT_EQ(regAt(0x320), 0xEF);
  one(e("BTGF", 0x20, 0, 1));
  EXPECT_EQ(regAt(0x320), 0xEE);
  one(e("CLRF", 0x20, 1));
  EXPECT_EQ(regAt(0x320), 0x00);
  // Skips and compares.
  setReg(0x70, 0x00);
  EXPECT_EQ(one(e("TFSZ", 0x70, 0)), 2u);
  EXPECT_EQ(up_->GetPC(), 0x102u);
  setReg(0x70, 0x08);
  EXPECT_EQ(one(e("BTSS", 0x70, 3, 0)), 2u);
  EXPECT_EQ(one(e("BTSZ", 0x70, 3, 0)), 1u);
  setReg(reg::W, 0x08);
  EXPECT_EQ(one(e("CPSE", 0x70, 0)), 2u);
  EXPECT_EQ(one(e("CPSG", 0x70, 0)), 1u);
  setReg(0x70, 0xFF);
  EXPECT_EQ(one(e("INSZ", 0x70, 1, 0)), 2u);
  EXPECT_EQ(regAt(0x70), 0x00);
  EXPECT_EQ(one(e("DCSUZ", 0x70, 1, 0)), 2u);
  EXPECT_EQ(regAt(0x70), 0xFF);
  // Returns.
  up_->PushStack(0x345);
  EXPECT_EQ(one(e("RETL", 0x66)), 2u);
  EXPECT_EQ(regAt(reg::W), 0x66);
  EXPECT_EQ(up_->GetPC(), 0x345u);
  // Power kinds.
  EXPECT_EQ(one(e("SLP")), 1u);
  EXPECT_EQ(up_->State().SleepFlag, 1);
}

TEST_F(ArithmeticLogicTest, K08BRotatesThroughCarryLeaveN) {
  up_->LoadInstructionTableReduced();
  variant_ = 1;
  setReg(0x70, 0x02);
  setReg(43, 0x10);  // C = 1
  at(0x10, {e("RRFC", 0x70, 1, 0), e("RLFC", 0x70, 1, 0)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(0x70), 0x81);
  EXPECT_EQ(regAt(43) & 0x1F, 0x00);  // C := 0, N not updated under K08B
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(0x70), 0x02);
  EXPECT_EQ(regAt(43) & 0x1F, 0x10);
}

TEST_F(ArithmeticLogicTest, AddfOverflowAndDigitCarry) {
  setReg(reg::W, 0x7F);
  setReg(reg::BSR, 0);
  setReg(0x80, 0x01);
  EXPECT_TRUE(exec(enc("ADDF", 0x80, 0, 1)));  // destination W, banked
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(status(), sf::N | sf::OV | sf::DC);
  EXPECT_EQ(regAt(0x80), 0x01);
  EXPECT_EQ(cycles(), 1u);
  EXPECT_EQ(up().GetPC(), 0x101u);

  setReg(reg::W, 0xFF);
  setReg(0x80, 0x01);
  exec(enc("ADDF", 0x80, 1, 1));  // destination F
  EXPECT_EQ(regAt(0x80), 0x00);
  EXPECT_EQ(regAt(reg::W), 0xFF);
  EXPECT_EQ(status(), sf::Z | sf::C | sf::DC);
}

TEST_F(ArithmeticLogicTest, SubtractionsAndCarryForms) {
  setReg(reg::W, 0x40);
  setReg(0x80, 0x40);
  exec(enc("SUBF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0);
  EXPECT_EQ(status(), sf::Z | sf::C | sf::DC);

  // SUBF with a borrow: 0x10 - 0x20 = 0xF0, C clear, N set.
  setReg(reg::W, 0x20);
  setReg(0x80, 0x10);
  exec(enc("SUBF", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0xF0);
  EXPECT_EQ(status() & (sf::C | sf::N | sf::Z), sf::N);

  // SUBC uses C in place of the +1: with C clear, f - W - 1.
  setReg(reg::STATUS, 0);
  setReg(reg::W, 0x01);
  setReg(0x80, 0x05);
  exec(enc("SUBC", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0x03);
  setReg(reg::STATUS, sf::C);
  setReg(reg::W, 0x01);
  exec(enc("SUBC", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0x04);

  // ADDC adds C.
  setReg(reg::STATUS, sf::C);
  setReg(reg::W, 0x0F);
  setReg(0x80, 0x00);
  exec(enc("ADDC", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0x10);
  EXPECT_EQ(status() & sf::DC, sf::DC);

  // SUBL: k - W.
  setReg(reg::W, 0x03);
  exec(enc("SUBL", 0x10));
  EXPECT_EQ(regAt(reg::W), 0x0D);
  EXPECT_EQ(status() & sf::C, sf::C);
  // ADDL.
  setReg(reg::W, 0x80);
  exec(enc("ADDL", 0x80));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(status(), sf::Z | sf::C | sf::OV);
}

TEST_F(ArithmeticLogicTest, IncrementDecrement) {
  setReg(0x80, 0x00);
  exec(enc("DCF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0xFF);
  EXPECT_EQ(status() & (sf::C | sf::Z | sf::N), sf::N);
  setReg(0x80, 0x01);
  exec(enc("DCF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x00);
  EXPECT_EQ(status() & (sf::C | sf::Z), sf::Z | sf::C);
  setReg(0x80, 0x7F);
  exec(enc("INF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x80);
  EXPECT_EQ(status(), sf::N | sf::OV | sf::DC);
  setReg(0x80, 0xFF);
  exec(enc("INF", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(regAt(0x80), 0xFF);
  EXPECT_EQ(status() & (sf::Z | sf::C), sf::Z | sf::C);
}

TEST_F(ArithmeticLogicTest, LogicRotateAndMoves) {
  setReg(reg::W, 0x0F);
  setReg(0x80, 0xF0);
  exec(enc("ANDF", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0);
  EXPECT_EQ(status() & (sf::Z | sf::N), sf::Z);
  setReg(reg::W, 0x0F);
  exec(enc("IORF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0xFF);
  EXPECT_EQ(status() & (sf::Z | sf::N), sf::N);
  exec(enc("XORF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0xF0);
  exec(enc("COMF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x0F);
  exec(enc("SWPF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0xF0);
  setReg(0x80, 0x81);
  exec(enc("RLF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x03);
  exec(enc("RRF", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x81);
  // Through carry.
  setReg(reg::STATUS, 0);
  exec(enc("RLFC", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x02);
  EXPECT_EQ(status() & sf::C, sf::C);
  exec(enc("RRFC", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x81);
  EXPECT_EQ(status() & sf::C, 0);
  // Arithmetic rotates.
  setReg(reg::STATUS, 0);
  setReg(0x80, 0x40);
  exec(enc("ARLC", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x80);
  EXPECT_EQ(status() & (sf::OV | sf::N | sf::C), sf::OV | sf::N);
  exec(enc("ARRC", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0xC0);
  EXPECT_EQ(status() & sf::C, 0);
  // Literals and moves.
  exec(enc("MVL", 0x5A));
  EXPECT_EQ(regAt(reg::W), 0x5A);
  exec(enc("MVF", 0x81, 1, 1));  // W -> f
  EXPECT_EQ(regAt(0x81), 0x5A);
  setReg(0x82, 0x33);
  exec(enc("MVF", 0x82, 0, 1));  // f -> W
  EXPECT_EQ(regAt(reg::W), 0x33);
  exec(enc("ANDL", 0x0F));
  EXPECT_EQ(regAt(reg::W), 0x03);
  exec(enc("IORL", 0x30));
  EXPECT_EQ(regAt(reg::W), 0x33);
  exec(enc("XORL", 0x33));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(status() & sf::Z, sf::Z);
  exec(enc("SETF", 0x83, 1));
  EXPECT_EQ(regAt(0x83), 0xFF);
  exec(enc("CLRF", 0x83, 1));
  EXPECT_EQ(regAt(0x83), 0x00);
  exec(enc("BSF", 0x83, 3, 1));
  EXPECT_EQ(regAt(0x83), 0x08);
  exec(enc("BTGF", 0x83, 0, 1));
  EXPECT_EQ(regAt(0x83), 0x09);
  exec(enc("BCF", 0x83, 3, 1));
  EXPECT_EQ(regAt(0x83), 0x01);
}

TEST_F(ArithmeticLogicTest, MultiplyAndTableRead) {
  setReg(reg::W, 0x10);
  setReg(0x80, 0x20);
  exec(enc("MULF", 0x80, 1));
  EXPECT_EQ(regAt(reg::PRODH), 0x02);
  EXPECT_EQ(regAt(reg::PRODL), 0x00);
  EXPECT_EQ(status() & sf::Z, sf::Z);
  EXPECT_EQ(cycles(), 2u);
  exec(enc("MULL", 0xFF));
  EXPECT_EQ(regAt(reg::PRODH), 0x0F);
  EXPECT_EQ(regAt(reg::PRODL), 0xF0);

  up().StoreProgramWord(0x1FF, 0xBEEF, 0, 0);
  setReg(reg::TBLPTRU, 0);
  setReg(reg::TBLPTRH, 0x01);
  setReg(reg::TBLPTRL, 0xFF);
  const uint32_t before = cycles();
  exec(enc("TBLR", 1));
  EXPECT_EQ(regAt(reg::TBLDH), 0xBE);
  EXPECT_EQ(regAt(reg::TBLDL), 0xEF);
  EXPECT_EQ(regAt(reg::TBLPTRH), 0x02);
  EXPECT_EQ(regAt(reg::TBLPTRL), 0x00);
  EXPECT_EQ(cycles() - before, 2u);
  exec(enc("TBLR", 0));
  EXPECT_EQ(regAt(reg::TBLPTRL), 0x00);
}

TEST_F(ArithmeticLogicTest, K08BFamiliesKeepOnlyZeroAndCarry) {
  up().LoadInstructionTableReduced();
  // Logic: Z only (no N).
  setReg(reg::STATUS, 0);
  setReg(reg::W, 0x80);
  setReg(0x80, 0x80);
  exec(enc("IORF", 0x80, 0, 1));
  EXPECT_EQ(regAt(reg::W), 0x80);
  EXPECT_EQ(status(), 0);
  exec(enc("XORF", 0x80, 0, 1));
  EXPECT_EQ(status(), sf::Z);
  // Subtraction: C and Z, no DC.
  setReg(reg::STATUS, 0);
  setReg(reg::W, 0x01);
  setReg(0x80, 0x01);
  exec(enc("SUBF", 0x80, 0, 1));
  EXPECT_EQ(status(), sf::Z | sf::C);
  // Rotates through carry.
  setReg(reg::STATUS, sf::C);
  setReg(0x80, 0x80);
  exec(enc("RLFC", 0x80, 1, 1));
  EXPECT_EQ(regAt(0x80), 0x01);
  EXPECT_EQ(status(), sf::C);
  // Skips and bit operations behave as under K08A.
  setReg(0x80, 0xFF);
  up().State().SetCycleCounter(0, 0);
  exec(enc("INSZ", 0x80, 1, 1));
  EXPECT_EQ(up().GetPC(), 0x102u);
  EXPECT_EQ(cycles(), 2u);
  exec(enc("BTGF", 0x80, 7, 1));
  EXPECT_EQ(regAt(0x80), 0x80);
  setReg(reg::W, 0x10);
  exec(enc("CPSE", 0x81, 1));
  EXPECT_EQ(up().GetPC(), 0x101u);
  // RETI has no shadow restore and sets the global enable.
  up().PushStack(0x222);
  setReg(reg::SHADOW_W, 0x55);
  exec(enc("RETI"));
  EXPECT_EQ(up().GetPC(), 0x222u);
  EXPECT_EQ(regAt(reg::W), 0x10);
  EXPECT_EQ(regAt(reg::INTE0) & 0x80, 0x80);
  // Words of the K08A-only instructions decode to nothing here.
  up().State().SetCycleCounter(0, 0);
  EXPECT_FALSE(exec(0xF123));
  EXPECT_EQ(cycles(), 0u);
}

}  // namespace
}  // namespace kyvor
