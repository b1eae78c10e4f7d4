// Review tests of instruction execution: each family of both variants with its
// result, flags, skips, branches and cycles; two-word forms; indirect and
// banked data addresses; the simulated timer and interrupt entry.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "engine/review_spec_table.h"

namespace kyvor {
namespace {

constexpr int W = 41, BSR = 42, ST = 43;
constexpr uint8_t Zf = 0x01, OVf = 0x02, Nf = 0x04, DCf = 0x08, Cf = 0x10;

class ReviewExecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    Chip().ChipRomWords = 16384;
    Chip().StackDepth = 8;
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
    variant_ = 0;
  }
  void TearDown() override {
    up_.reset();
    ResetModes();
    ResetChipConfig();
  }
  void useK08B() {
    up_->LoadInstructionTableReduced();
    variant_ = 1;
  }
  uint16_t e(const char* m, int a = 0, int b = 0, int c = 0) {
    const uint16_t w = review::Enc(variant_, m, a, b, c);
    EXPECT_NE(w, 0xFFFF) << m;
    return w;
  }
  void at(uint32_t address, std::initializer_list<uint16_t> words) {
    uint32_t a = address;
    for (uint16_t w : words) ASSERT_TRUE(up_->StoreProgramWord(uint16_t(a++), w, 1, 0));
    up_->SetProgramCounter(address);
  }
  uint8_t R(int a) { return up_->ReadRegister(a); }
  void S(int a, uint8_t v) { up_->WriteRegisterModel(a, v); }
  uint32_t cycles() {
    uint16_t h = 0, l = 0;
    up_->GetCycleCounter(h, l);
    return (uint32_t(h) << 16) | l;
  }
  // Executes one instruction (both words of a two-word one); the cycles it took.
  uint32_t step() {
    const uint32_t before = cycles();
    up_->Core().ExecuteOne();
    return cycles() - before;
  }
  // One instruction at 0x100 on a fresh status.
  uint32_t one(uint16_t word, uint8_t status = 0) {
    S(ST, status);
    at(0x100, {word});
    return step();
  }
  uint8_t flags() { return R(ST) & 0x1F; }

  std::unique_ptr<TKy_UP> up_;
  int variant_ = 0;
};

// ---- arithmetic ---------------------------------------------------------------

TEST_F(ReviewExecTest, AddfToWSetsAllFlags) {
  S(W, 0x7F);
  S(0x50, 0x01);
  S(BSR, 3);  // ignored: bank bit 0 with an address above 14
  EXPECT_EQ(one(e("ADDF", 0x50, 0, 0)), 1u);
  EXPECT_EQ(R(W), 0x80);
  EXPECT_EQ(R(0x50), 0x01);
  EXPECT_EQ(flags(), Nf | OVf | DCf);
  EXPECT_EQ(up_->GetPC(), 0x101u);
}

TEST_F(ReviewExecTest, AddfToFileWithCarry) {
  S(W, 0xF0);
  S(0x50, 0x20);
  one(e("ADDF", 0x50, 1, 0), Zf | Nf | OVf | DCf);
  EXPECT_EQ(R(0x50), 0x10);
  EXPECT_EQ(R(W), 0xF0);
  EXPECT_EQ(flags(), Cf);
}

TEST_F(ReviewExecTest, SubfEqualOperands) {
  S(W, 0x40);
  S(0x60, 0x40);
  one(e("SUBF", 0x60, 0, 0));
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Zf | Cf | DCf);
}

TEST_F(ReviewExecTest, SubfBorrowAndSignedOverflow) {
  S(W, 0x20);
  S(0x60, 0x10);
  one(e("SUBF", 0x60, 1, 0));
  EXPECT_EQ(R(0x60), 0xF0);
  EXPECT_EQ(flags(), Nf | DCf);  // borrow: C = 0
  S(W, 0x01);
  S(0x60, 0x80);
  one(e("SUBF", 0x60, 1, 0));
  EXPECT_EQ(R(0x60), 0x7F);
  EXPECT_EQ(flags(), Cf | OVf);
}

TEST_F(ReviewExecTest, DcfEdges) {
  S(0x70, 0x00);
  one(e("DCF", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0xFF);
  EXPECT_EQ(flags(), Nf);
  S(0x70, 0x01);
  one(e("DCF", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Zf | Cf | DCf);
  S(0x70, 0x80);
  one(e("DCF", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0x7F);
  EXPECT_EQ(flags(), Cf | OVf);
}

TEST_F(ReviewExecTest, InfEdges) {
  S(0x70, 0x7F);
  one(e("INF", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0x80);
  EXPECT_EQ(flags(), Nf | OVf | DCf);
  S(0x70, 0xFF);
  one(e("INF", 0x70, 0, 0));
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(R(0x70), 0xFF);
  EXPECT_EQ(flags(), Zf | Cf | DCf);
}

TEST_F(ReviewExecTest, AddcAddsTheCarry) {
  S(W, 0x0F);
  S(0x70, 0x00);
  one(e("ADDC", 0x70, 0, 0), Cf);
  EXPECT_EQ(R(W), 0x10);
  EXPECT_EQ(flags(), DCf);
  S(W, 0xFF);
  one(e("ADDC", 0x70, 0, 0), Cf);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Zf | Cf | DCf);
  S(W, 0x3F);
  S(0x70, 0x40);
  one(e("ADDC", 0x70, 1, 0), Cf);
  EXPECT_EQ(R(0x70), 0x80);
  EXPECT_EQ(flags(), Nf | OVf | DCf);
}

TEST_F(ReviewExecTest, SubcUsesTheCarryAsNotBorrow) {
  S(W, 0x10);
  S(0x70, 0x10);
  one(e("SUBC", 0x70, 0, 0), 0);
  EXPECT_EQ(R(W), 0xFF);
  EXPECT_EQ(flags(), Nf);
  S(W, 0x10);
  one(e("SUBC", 0x70, 0, 0), Cf);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Zf | Cf | DCf);
}

TEST_F(ReviewExecTest, LiteralArithmetic) {
  S(W, 0x7F);
  EXPECT_EQ(one(e("ADDL", 0x01)), 1u);
  EXPECT_EQ(R(W), 0x80);
  EXPECT_EQ(flags(), Nf | OVf | DCf);
  S(W, 0x40);
  one(e("SUBL", 0x40));
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Zf | Cf | DCf);
  S(W, 0x41);
  one(e("SUBL", 0x40));  // 0x40 - 0x41
  EXPECT_EQ(R(W), 0xFF);
  EXPECT_EQ(flags(), Nf);
}

TEST_F(ReviewExecTest, LiteralLogicAndMove) {
  S(W, 0xF0);
  one(e("ANDL", 0x0F), Cf | OVf | DCf);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Zf | Cf | OVf | DCf);  // Z, N only
  S(W, 0x70);
  one(e("IORL", 0x81), Zf);
  EXPECT_EQ(R(W), 0xF1);
  EXPECT_EQ(flags(), Nf);
  S(W, 0xAA);
  one(e("XORL", 0xAA));
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Zf);
  one(e("MVL", 0x00), Nf | Cf);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Nf | Cf);  // no flags
}

// ---- logic, moves, rotates ----------------------------------------------------

TEST_F(ReviewExecTest, ComfSetsOnlyZAndN) {
  S(0x70, 0xFF);
  one(e("COMF", 0x70, 1, 0), Cf | OVf | DCf | Nf);
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Zf | Cf | OVf | DCf);
  S(0x70, 0x0F);
  one(e("COMF", 0x70, 0, 0), Zf);
  EXPECT_EQ(R(W), 0xF0);
  EXPECT_EQ(R(0x70), 0x0F);
  EXPECT_EQ(flags(), Nf);
}

TEST_F(ReviewExecTest, FileLogic) {
  S(W, 0xF0);
  S(0x70, 0x0F);
  one(e("ANDF", 0x70, 1, 0), Cf);
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Zf | Cf);
  S(0x70, 0x0F);
  one(e("IORF", 0x70, 0, 0));
  EXPECT_EQ(R(W), 0xFF);
  EXPECT_EQ(flags(), Nf);
  S(W, 0xAA);
  S(0x70, 0xAA);
  one(e("XORF", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Zf);
}

TEST_F(ReviewExecTest, MvfDirectionFollowsTheDestinationBit) {
  S(W, 0x5A);
  S(0x70, 0x11);
  one(e("MVF", 0x70, 1, 0), Zf | Cf);
  EXPECT_EQ(R(0x70), 0x5A);  // 1: W -> F
  EXPECT_EQ(flags(), Zf | Cf);
  S(0x70, 0x00);
  one(e("MVF", 0x70, 0, 0), Nf);
  EXPECT_EQ(R(W), 0x00);  // 0: f -> W, no flags
  EXPECT_EQ(flags(), Nf);
}

TEST_F(ReviewExecTest, RotatesWithoutCarry) {
  S(0x70, 0x81);
  one(e("RLF", 0x70, 1, 0), Cf);
  EXPECT_EQ(R(0x70), 0x03);
  EXPECT_EQ(flags(), Cf);  // C untouched
  S(0x70, 0x40);
  one(e("RLF", 0x70, 0, 0), 0);
  EXPECT_EQ(R(W), 0x80);
  EXPECT_EQ(flags(), Nf);
  S(0x70, 0x01);
  one(e("RRF", 0x70, 1, 0), 0);
  EXPECT_EQ(R(0x70), 0x80);
  EXPECT_EQ(flags(), Nf);
  S(0x70, 0x00);
  one(e("RRF", 0x70, 1, 0), Cf);
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Zf | Cf);
}

TEST_F(ReviewExecTest, RotatesThroughCarry) {
  S(0x70, 0x02);
  one(e("RRFC", 0x70, 1, 0), Cf);
  EXPECT_EQ(R(0x70), 0x81);
  EXPECT_EQ(flags(), Nf);  // C := old bit 0 = 0
  S(0x70, 0x01);
  one(e("RRFC", 0x70, 1, 0), 0);
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Zf | Cf);
  S(0x70, 0x80);
  one(e("RLFC", 0x70, 1, 0), Cf);
  EXPECT_EQ(R(0x70), 0x01);
  EXPECT_EQ(flags(), Cf);
  S(0x70, 0x40);
  one(e("RLFC", 0x70, 0, 0), 0);
  EXPECT_EQ(R(W), 0x80);
  EXPECT_EQ(R(0x70), 0x40);
  EXPECT_EQ(flags(), Nf);
}

TEST_F(ReviewExecTest, ArithmeticRotates) {
  S(0x70, 0x40);
  one(e("ARLC", 0x70, 1, 0), 0);
  EXPECT_EQ(R(0x70), 0x80);
  EXPECT_EQ(flags(), Nf | OVf);  // bit 7 changed
  S(0x70, 0x80);
  one(e("ARLC", 0x70, 1, 0), Cf);
  EXPECT_EQ(R(0x70), 0x01);
  EXPECT_EQ(flags(), Cf | OVf);
  S(0x70, 0xC0);
  one(e("ARLC", 0x70, 1, 0), 0);
  EXPECT_EQ(R(0x70), 0x80);
  EXPECT_EQ(flags(), Cf | Nf);  // bit 7 kept: no OV
  S(0x70, 0x81);
  one(e("ARRC", 0x70, 1, 0), 0);
  EXPECT_EQ(R(0x70), 0xC0);
  EXPECT_EQ(flags(), Cf | Nf);
  S(0x70, 0x01);
  one(e("ARRC", 0x70, 0, 0), 0);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Zf | Cf);
}

TEST_F(ReviewExecTest, SwpfSwapsNibblesWithoutFlags) {
  S(0x70, 0x12);
  one(e("SWPF", 0x70, 1, 0), Zf);
  EXPECT_EQ(R(0x70), 0x21);
  EXPECT_EQ(flags(), Zf);
  one(e("SWPF", 0x70, 0, 0));
  EXPECT_EQ(R(W), 0x12);
}

TEST_F(ReviewExecTest, ClrfSetfUseOperandTwoAsBankBit) {
  S(BSR, 2);
  S(0x230, 0x55);
  S(0x30, 0x66);
  one(e("CLRF", 0x30, 1), Nf);
  EXPECT_EQ(R(0x230), 0x00);
  EXPECT_EQ(R(0x30), 0x66);
  EXPECT_EQ(flags(), Nf);  // no flags
  one(e("SETF", 0x30, 0));
  EXPECT_EQ(R(0x30), 0xFF);
  one(e("SETF", 0x31, 1));
  EXPECT_EQ(R(0x231), 0xFF);
}

TEST_F(ReviewExecTest, BankedAccessUsesTheBankRegister) {
  S(BSR, 0x0B);
  S(W, 0x01);
  S(0xB10, 0x41);
  S(0x10, 0x99);
  one(e("ADDF", 0x10, 1, 1));
  EXPECT_EQ(R(0xB10), 0x42);
  EXPECT_EQ(R(0x10), 0x99);
}

// ---- bits, skips, compares ------------------------------------------------------

TEST_F(ReviewExecTest, BitSetClearToggle) {
  S(0x70, 0xFF);
  one(e("BCF", 0x70, 3, 0), Zf);
  EXPECT_EQ(R(0x70), 0xF7);
  EXPECT_EQ(flags(), Zf);
  one(e("BSF", 0x70, 3, 0));
  EXPECT_EQ(R(0x70), 0xFF);
  one(e("BTGF", 0x70, 7, 0));
  EXPECT_EQ(R(0x70), 0x7F);
  one(e("BTGF", 0x70, 7, 0));
  EXPECT_EQ(R(0x70), 0xFF);
  S(BSR, 1);
  S(0x170, 0x00);
  one(e("BSF", 0x70, 0, 1));
  EXPECT_EQ(R(0x170), 0x01);
}

TEST_F(ReviewExecTest, StackPointerRegisterKeepsItsCount) {
  S(24, 0xA3);
  one(e("BCF", 24, 5, 0));
  EXPECT_EQ(R(24), 0x03);  // bits 5 and 7 cleared together
  S(24, 0xA3);
  one(e("BCF", 24, 7, 0));
  EXPECT_EQ(R(24), 0x03);
  S(24, 0x43);
  one(e("BCF", 24, 6, 0));
  EXPECT_EQ(R(24), 0x03);
  S(24, 0x45);
  one(e("CLRF", 24, 0));
  EXPECT_EQ(R(24), 0x05);
  S(24, 0x02);
  one(e("SETF", 24, 0));
  EXPECT_EQ(R(24), 0xE2);
  S(24, 0x02);
  one(e("BSF", 24, 0, 0));
  EXPECT_EQ(R(24), 0x02);  // the count bits are not written
}

struct SkipCase {
  const char* m;
  int b;        // bit number or destination
  uint8_t f;    // the file byte
  uint8_t w;
  bool skips;
};

TEST_F(ReviewExecTest, SkipsAndTheirCycles) {
  const SkipCase cases[] = {
      {"BTSZ", 2, 0xFB, 0, true},   {"BTSZ", 2, 0x04, 0, false},
      {"BTSS", 2, 0x04, 0, true},   {"BTSS", 2, 0xFB, 0, false},
      {"INSZ", 1, 0xFF, 0, true},   {"INSZ", 1, 0x10, 0, false},
      {"DCSZ", 1, 0x01, 0, true},   {"DCSZ", 1, 0x00, 0, false},
      {"INSUZ", 1, 0x10, 0, true},  {"INSUZ", 1, 0xFF, 0, false},
      {"DCSUZ", 1, 0x05, 0, true},  {"DCSUZ", 1, 0x01, 0, false},
      {"CPSG", 0, 0x20, 0x10, true}, {"CPSG", 0, 0x10, 0x10, false},
      {"CPSL", 0, 0x10, 0x20, true}, {"CPSL", 0, 0x20, 0x10, false},
      {"CPSE", 0, 0x33, 0x33, true}, {"CPSE", 0, 0x33, 0x34, false},
      {"TFSZ", 0, 0x00, 0, true},   {"TFSZ", 0, 0x01, 0, false},
  };
  for (const SkipCase& c : cases) {
    SCOPED_TRACE(std::string(c.m) + " f=" + std::to_string(c.f) + " w=" + std::to_string(c.w));
    S(0x70, c.f);
    S(W, c.w);
    const bool twoOps = std::string(c.m).rfind("CPS", 0) == 0 || std::string(c.m) == "TFSZ";
    const uint16_t word = twoOps ? e(c.m, 0x70, 0) : e(c.m, 0x70, c.b, 0);
    const uint32_t n = one(word, 0);
    EXPECT_EQ(up_->GetPC(), c.skips ? 0x102u : 0x101u);
    EXPECT_EQ(n, c.skips ? 2u : 1u);
    EXPECT_EQ(flags(), 0);  // skips set no flags
  }
}

TEST_F(ReviewExecTest, IncrementAndDecrementSkipsWriteTheirResult) {
  S(0x70, 0xFF);
  one(e("INSZ", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0x00);
  S(0x70, 0x01);
  one(e("DCSZ", 0x70, 0, 0));
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(R(0x70), 0x01);
  S(0x70, 0x10);
  one(e("INSUZ", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0x11);
  S(0x70, 0x00);
  one(e("DCSUZ", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0xFF);
  EXPECT_EQ(up_->GetPC(), 0x102u);
}

// ---- branches ---------------------------------------------------------------------

struct BranchCase {
  const char* m;
  uint8_t takenWhen;  // status that makes it branch
  uint8_t notWhen;
};

TEST_F(ReviewExecTest, ConditionalBranches) {
  const BranchCase cases[] = {
      {"JZ", Zf, 0},  {"JC", Cf, 0},  {"JN", Nf, 0},  {"JO", OVf, 0},
      {"JNC", 0, Cf}, {"JNZ", 0, Zf}, {"JNN", 0, Nf}, {"JNO", 0, OVf},
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

TEST_F(ReviewExecTest, RelativeJumpAndCall) {
  EXPECT_EQ(one(e("RJ", 0x7FE)), 2u);
  EXPECT_EQ(up_->GetPC(), 0x0FFu);
  EXPECT_EQ(one(e("RJ", 0x400)), 2u);  // -1024
  EXPECT_EQ(up_->GetPC(), (0x101u - 1024u) & 0xFFFFFu);  // 20-bit wrap
  at(0x500, {e("RJ", 0x3FF)});
  step();
  EXPECT_EQ(up_->GetPC(), 0x501u + 1023u);
  EXPECT_EQ(up_->ReadRegister(24) & 0x1F, 0);
  at(0x100, {e("RCALL", 0x010)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x111u);
  EXPECT_EQ(R(24) & 0x1F, 1);
  EXPECT_EQ(up_->GetStackEntry(1), 0x101u);
  EXPECT_EQ(R(21), 0x00);
  EXPECT_EQ(R(22), 0x01);
  EXPECT_EQ(R(23), 0x01);
}

// ---- returns and stack instructions ------------------------------------------------

TEST_F(ReviewExecTest, RetlReturnsWithALiteral) {
  up_->PushStack(0x123);
  EXPECT_EQ(one(e("RETL", 0x55)), 2u);
  EXPECT_EQ(R(W), 0x55);
  EXPECT_EQ(up_->GetPC(), 0x123u);
  EXPECT_EQ(R(24) & 0x1F, 0);
}

TEST_F(ReviewExecTest, RetLoadsTheNewTopAndRestoresShadowOnRequest) {
  up_->PushStack(0x200);
  up_->PushStack(0x345);
  S(509, 0x11);
  S(510, 0x02);
  S(511, 0x1F);
  S(W, 0x99);
  S(BSR, 0x05);
  EXPECT_EQ(one(e("RET", 0), 0x04), 2u);
  EXPECT_EQ(up_->GetPC(), 0x345u);
  EXPECT_EQ(R(21), 0x00);
  EXPECT_EQ(R(22), 0x02);
  EXPECT_EQ(R(23), 0x00);
  EXPECT_EQ(R(W), 0x99);  // no shadow restore with operand 0
  EXPECT_EQ(R(ST), 0x04);
  EXPECT_EQ(one(e("RET", 1), 0x04), 2u);
  EXPECT_EQ(up_->GetPC(), 0x200u);
  EXPECT_EQ(R(W), 0x11);
  EXPECT_EQ(R(BSR), 0x02);
  EXPECT_EQ(R(ST), 0x1F);
}

TEST_F(ReviewExecTest, RetiEnablesInterruptsAgain) {
  up_->PushStack(0x321);
  S(35, 0x05);
  S(W, 0x77);
  S(509, 0x12);
  EXPECT_EQ(one(e("RETI", 0)), 2u);
  EXPECT_EQ(up_->GetPC(), 0x321u);
  EXPECT_EQ(R(35), 0x85);
  EXPECT_EQ(R(W), 0x77);
  up_->PushStack(0x321);
  S(35, 0x05);
  one(e("RETI", 1));
  EXPECT_EQ(R(W), 0x12);
  EXPECT_EQ(R(35), 0x85);
}

TEST_F(ReviewExecTest, PopDropsTheTopEntry) {
  up_->PushStack(0x10203);
  up_->PushStack(0x456);
  EXPECT_EQ(one(e("POP")), 1u);
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(R(24) & 0x1F, 1);
  EXPECT_EQ(R(21), 0x01);
  EXPECT_EQ(R(22), 0x02);
  EXPECT_EQ(R(23), 0x03);
}

TEST_F(ReviewExecTest, PowerAndNoOperandKinds) {
  S(44, 0x01);
  EXPECT_EQ(one(e("IDLE")), 1u);
  EXPECT_EQ(up_->State().IdleFlag, 1);
  EXPECT_EQ(R(44), 0x21);
  EXPECT_EQ(one(e("SLP")), 1u);
  EXPECT_EQ(up_->State().SleepFlag, 1);
  EXPECT_EQ(R(44), 0x61);
  EXPECT_EQ(one(e("CWDT"), Zf), 1u);
  EXPECT_EQ(flags(), Zf);
  EXPECT_EQ(one(e("NOP")), 1u);
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(one(e("LBSR", 0x9)), 1u);
  EXPECT_EQ(R(BSR), 0x09);
  EXPECT_EQ(one(e("NOPF", 0x123)), 1u);  // alone: nothing
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

// ---- multiply and table read -----------------------------------------------------------

TEST_F(ReviewExecTest, Multiplies) {
  S(W, 0x10);
  S(0x70, 0x12);
  EXPECT_EQ(one(e("MULF", 0x70, 0), Cf | Zf), 2u);
  EXPECT_EQ(R(33), 0x01);
  EXPECT_EQ(R(34), 0x20);
  EXPECT_EQ(R(W), 0x10);
  EXPECT_EQ(R(0x70), 0x12);
  EXPECT_EQ(flags(), Cf);  // Z from the low byte, others kept
  S(0x70, 0x10);
  one(e("MULF", 0x70, 0), 0);
  EXPECT_EQ(R(33), 0x01);
  EXPECT_EQ(R(34), 0x00);
  EXPECT_EQ(flags(), Zf);
  S(W, 0xFF);
  EXPECT_EQ(one(e("MULL", 0xFF), Nf), 2u);
  EXPECT_EQ(R(33), 0xFE);
  EXPECT_EQ(R(34), 0x01);
  EXPECT_EQ(flags(), Nf);  // MULL sets no flags
}

TEST_F(ReviewExecTest, TableReadWithAndWithoutIncrement) {
  up_->StoreProgramWord(0x1FF, 0xBEEF, 0, 0);
  S(28, 0x00);
  S(29, 0x01);
  S(30, 0xFF);
  EXPECT_EQ(one(e("TBLR", 0)), 2u);
  EXPECT_EQ(R(31), 0xBE);
  EXPECT_EQ(R(32), 0xEF);
  EXPECT_EQ(R(30), 0xFF);
  one(e("TBLR", 1));
  EXPECT_EQ(R(31), 0xBE);
  EXPECT_EQ(R(28), 0x00);
  EXPECT_EQ(R(29), 0x02);
  EXPECT_EQ(R(30), 0x00);
}

// ---- two-word instructions ------------------------------------------------------------

TEST_F(ReviewExecTest, LongCallPushesAndJumps) {
  S(W, 0x31);
  at(0x10, {e("CALL", 0x01, 0), e("NOPF", 0x234)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x01234u);
  EXPECT_EQ(R(24) & 0x1F, 1);
  EXPECT_EQ(up_->GetStackEntry(1), 0x11u);
  EXPECT_EQ(R(21), 0x00);
  EXPECT_EQ(R(22), 0x00);
  EXPECT_EQ(R(23), 0x11);
  EXPECT_EQ(up_->State().PcHistoryAt(0), 0x11);
  EXPECT_EQ(up_->State().PcHistoryAt(1), 0x10);
  EXPECT_EQ(R(509), 0x00);  // no shadow copy with operand 2 = 0
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
}

TEST_F(ReviewExecTest, LongCallWithShadow) {
  S(W, 0x31);
  S(ST, 0x05);
  S(BSR, 0x02);
  at(0x40, {e("CALL", 0x00, 1), e("NOPF", 0x080)});
  step();
  EXPECT_EQ(up_->GetPC(), 0x080u);
  EXPECT_EQ(R(509), 0x31);
  EXPECT_EQ(R(510), 0x02);
  EXPECT_EQ(R(511), 0x05);
}

TEST_F(ReviewExecTest, LongJump) {
  at(0x20, {e("JMP", 0x02), e("NOPF", 0x345)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x2345u);
  EXPECT_EQ(R(24) & 0x1F, 0);
}

TEST_F(ReviewExecTest, TablePointerLoad) {
  at(0x20, {e("MVLP", 0xAB), e("NOPF", 0x3CD)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(R(28), 0x0A);
  EXPECT_EQ(R(29), 0xB3);
  EXPECT_EQ(R(30), 0xCD);
  EXPECT_EQ(up_->GetPC(), 0x22u);
}

TEST_F(ReviewExecTest, PointerLoad) {
  at(0x20, {e("LDPR", 1), e("NOPF", 0x345), e("LDPR", 2), e("NOPF", 0xFED), e("LDPR", 0),
            e("NOPF", 0x001), e("LDPR", 3), e("NOPF", 0x777)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(R(17), 0x03);
  EXPECT_EQ(R(18), 0x45);
  step();
  EXPECT_EQ(R(19), 0x0F);
  EXPECT_EQ(R(20), 0xED);
  step();
  EXPECT_EQ(R(15), 0x00);
  EXPECT_EQ(R(16), 0x01);
  step();  // selector 3 loads nothing
  EXPECT_EQ(R(15), 0x00);
  EXPECT_EQ(R(16), 0x01);
  EXPECT_EQ(R(17), 0x03);
  EXPECT_EQ(R(19), 0x0F);
  EXPECT_EQ(up_->GetPC(), 0x28u);
}

TEST_F(ReviewExecTest, FileToFileMove) {
  S(0x345, 0x5C);
  at(0x20, {e("MVFF", 0x345), e("NOPF", 0x060)});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(R(0x060), 0x5C);
  EXPECT_EQ(up_->GetPC(), 0x22u);
}

TEST_F(ReviewExecTest, FileToFileMoveThroughPointers) {
  S(15, 0x01);
  S(16, 0x80);  // pointer 0 = 0x180
  S(17, 0x02);
  S(18, 0x00);  // pointer 1 = 0x200
  S(0x180, 0x77);
  at(0x20, {e("MVFF", 1), e("NOPF", 6)});  // pointer 0 then +1; pointer 1 then +1
  step();
  EXPECT_EQ(R(0x200), 0x77);
  EXPECT_EQ(R(16), 0x81);
  EXPECT_EQ(R(18), 0x01);
}

TEST_F(ReviewExecTest, FileToFileMoveIntoPclatlJumps) {
  S(0x50, 0x34);
  at(0x20, {e("MVFF", 0x050), e("NOPF", 27)});
  S(25, 0x00);
  S(26, 0x02);  // after the PC was set (setting it mirrors into 26 and 27)
  step();
  EXPECT_EQ(up_->GetPC(), 0x0234u);
}

TEST_F(ReviewExecTest, WriteToPclatlIsAComputedJump) {
  S(W, 0x40);
  at(0x300, {e("MVF", 27, 1, 0)});
  EXPECT_EQ(R(26), 0x03);  // setting the PC mirrors bits 8-15 into 26
  S(25, 0x01);
  S(26, 0x01);
  step();
  EXPECT_EQ(up_->GetPC(), 0x10140u);
}

TEST_F(ReviewExecTest, TwoWordInstructionWithoutItsSecondWordDoesNotHang) {
  // The word after the CALL is an ordinary instruction: one following word
  // is executed and the pending state is cleared.
  at(0x10, {e("CALL", 0x01, 0), e("MVL", 0x42), e("MVL", 0x43)});
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
  EXPECT_EQ(R(W), 0x42);
  EXPECT_EQ(up_->GetPC(), 0x12u);
}

TEST_F(ReviewExecTest, UndecodableWordOnlyAdvances) {
  S(W, 0x12);
  const uint16_t h0 = up_->State().PcHistoryAt(0);
  EXPECT_EQ(one(0xC3AB, Zf), 0u);
  EXPECT_EQ(up_->GetPC(), 0x101u);
  EXPECT_EQ(R(W), 0x12);
  EXPECT_EQ(flags(), Zf);
  EXPECT_EQ(up_->State().PcHistoryAt(0), h0);
}

TEST_F(ReviewExecTest, HistoryRecordsEachExecutedWord) {
  at(0x30, {e("NOP"), e("NOP"), e("MVL", 1)});
  step();
  step();
  step();
  EXPECT_EQ(up_->State().PcHistoryAt(0), 0x32);
  EXPECT_EQ(up_->State().PcHistoryAt(1), 0x31);
  EXPECT_EQ(up_->State().PcHistoryAt(2), 0x30);
}

// ---- the status register as operand ------------------------------------------------------

TEST_F(ReviewExecTest, WriteToStatusKeepsTheWrittenFlags) {
  S(W, 0x01);
  one(e("ADDF", ST, 1, 0), 0x1F);
  EXPECT_EQ(R(ST), 0x20);  // 0x1F + 1, no flag update on top
  S(W, 0xFF);
  one(e("ADDF", ST, 0, 0), 0x01);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(R(ST), 0x01);  // the operand is the status: flags untouched
  one(e("COMF", ST, 1, 0), 0x00);
  EXPECT_EQ(R(ST), 0xFF);
}

// ---- indirect addressing (K08A) ---------------------------------------------------------

TEST_F(ReviewExecTest, PostIncrementCarriesIntoTheHighByte) {
  S(15, 0x00);
  S(16, 0xFF);
  S(0xFF, 0x05);
  one(e("MVF", 1, 0, 0));
  EXPECT_EQ(R(W), 0x05);
  EXPECT_EQ(R(15), 0x01);
  EXPECT_EQ(R(16), 0x00);
}

TEST_F(ReviewExecTest, IndirectModesOfEachPointer) {
  // Pointer 1 (17:18) = 0x0100.
  S(17, 0x01);
  S(18, 0x00);
  S(0x0FF, 0xA1);
  S(0x100, 0xA2);
  S(0x101, 0xA3);
  one(e("MVF", 5, 0, 0));  // plain
  EXPECT_EQ(R(W), 0xA2);
  EXPECT_EQ(R(18), 0x00);
  one(e("MVF", 7, 0, 0));  // then -1
  EXPECT_EQ(R(W), 0xA2);
  EXPECT_EQ(R(17), 0x00);
  EXPECT_EQ(R(18), 0xFF);
  one(e("MVF", 8, 0, 0));  // pointer + 1, then +1
  EXPECT_EQ(R(W), 0xA2);
  EXPECT_EQ(R(17), 0x01);
  EXPECT_EQ(R(18), 0x00);
  // Pointer 2 (19:20) = 0x0300 with W = -2: address 0x2FE, then pointer += -2.
  S(19, 0x03);
  S(20, 0x00);
  S(0x2FE, 0x0B);
  S(W, 0xFE);
  one(e("ADDF", 14, 0, 0));
  EXPECT_EQ(R(W), 0x09);  // 0xFE + 0x0B
  EXPECT_EQ(R(19), 0x02);
  EXPECT_EQ(R(20), 0xFE);  // the saved W (-2), not the new W
  // Pointer 0 plain write.
  S(15, 0x04);
  S(16, 0x44);
  one(e("SETF", 0, 0));
  EXPECT_EQ(R(0x444), 0xFF);
  EXPECT_EQ(R(16), 0x44);
}

TEST_F(ReviewExecTest, BankBitOneBypassesThePointers) {
  S(BSR, 0);
  S(15, 0x02);
  S(16, 0x00);
  S(0x001, 0x66);
  one(e("MVF", 1, 0, 1));
  EXPECT_EQ(R(W), 0x66);
  EXPECT_EQ(R(16), 0x00);  // no post-update
}

// ---- K08B ------------------------------------------------------------------------------------

TEST_F(ReviewExecTest, K08BUpdatesOnlyZeroAndCarry) {
  useK08B();
  S(W, 0x7F);
  S(0x70, 0x01);
  one(e("ADDF", 0x70, 0, 0), 0);
  EXPECT_EQ(R(W), 0x80);
  EXPECT_EQ(flags(), 0);
  S(W, 0xFF);
  one(e("ADDF", 0x70, 0, 0), Nf | OVf);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Nf | OVf | Zf | Cf);
  S(W, 0x40);
  S(0x70, 0x40);
  one(e("SUBF", 0x70, 1, 0), DCf);
  EXPECT_EQ(flags(), DCf | Zf | Cf);
}

TEST_F(ReviewExecTest, K08BCallAndJumpAreOneWord) {
  useK08B();
  at(0x20, {e("CALL", 0x123)});
  EXPECT_EQ(step(), 1u);
  EXPECT_EQ(up_->GetPC(), 0x123u);
  EXPECT_EQ(up_->GetStackEntry(1), 0x21u);
  EXPECT_EQ(R(24) & 0x1F, 1);
  EXPECT_EQ(R(23), 0x21);
  EXPECT_EQ(up_->State().PendingTwoWordKind, 0);
  at(0x30, {e("JMP", 0x7FF)});
  EXPECT_EQ(step(), 1u);
  EXPECT_EQ(up_->GetPC(), 0x7FFu);
  at(0x40, {e("RET")});
  EXPECT_EQ(step(), 2u);
  EXPECT_EQ(up_->GetPC(), 0x21u);
}

TEST_F(ReviewExecTest, K08BRetiRestoresNoShadow) {
  useK08B();
  up_->PushStack(0x55);
  S(W, 0x01);
  S(509, 0x99);
  S(35, 0x00);
  one(e("RETI"));
  EXPECT_EQ(up_->GetPC(), 0x55u);
  EXPECT_EQ(R(35), 0x80);
  EXPECT_EQ(R(W), 0x01);
}

TEST_F(ReviewExecTest, K08BIndirectThroughZeroAndFiveOnly) {
  useK08B();
  S(15, 0x01);
  S(16, 0x23);
  S(17, 0x04);
  S(18, 0x56);
  S(0x123, 0x11);
  S(0x456, 0x22);
  S(0x001, 0x33);
  one(e("MVF", 0, 0, 0));
  EXPECT_EQ(R(W), 0x11);
  EXPECT_EQ(R(16), 0x23);  // no post-update
  one(e("MVF", 5, 0, 0));
  EXPECT_EQ(R(W), 0x22);
  one(e("MVF", 1, 0, 0));
  EXPECT_EQ(R(W), 0x33);  // register 1 itself
  EXPECT_EQ(R(16), 0x23);
}

TEST_F(ReviewExecTest, K08BFamiliesWithZeroAndCarryOnly) {
  useK08B();
  // Literals: ADDL 0x7F + 1 sets no N, OV or DC under K08B.
  S(W, 0x7F);
  EXPECT_EQ(one(e("ADDL", 0x01), 0), 1u);
  EXPECT_EQ(R(W), 0x80);
  EXPECT_EQ(flags(), 0);
  S(W, 0x40);
  one(e("SUBL", 0x40), Nf);
  EXPECT_EQ(R(W), 0x00);
  EXPECT_EQ(flags(), Nf | Zf | Cf);
  S(W, 0x0F);
  one(e("ANDL", 0xF0), OVf);
  EXPECT_EQ(flags(), OVf | Zf);
  one(e("IORL", 0x80), Zf);
  EXPECT_EQ(R(W), 0x80);
  EXPECT_EQ(flags(), 0);  // Z cleared, N not set
  // File logic and rotates.
  S(0x70, 0xFF);
  one(e("COMF", 0x70, 1, 0), Nf);
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Nf | Zf);
  S(0x70, 0x40);
  one(e("RLF", 0x70, 1, 0), 0);
  EXPECT_EQ(R(0x70), 0x80);
  EXPECT_EQ(flags(), 0);
  S(0x70, 0x81);
  one(e("RRF", 0x70, 0, 0), 0);
  EXPECT_EQ(R(W), 0xC0);
  S(0x70, 0x12);
  one(e("SWPF", 0x70, 1, 0));
  EXPECT_EQ(R(0x70), 0x21);
  S(0x70, 0x01);
  one(e("DCF", 0x70, 1, 0), 0);
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(flags(), Zf | Cf);
  // Bits, clear and set with the bank.
  S(BSR, 3);
  one(e("SETF", 0x20, 1));
  EXPECT_EQ(R(0x320), 0xFF);
  one(e("BCF", 0x20, 4, 1));
  EXPECT_EQ(R(0x320), 0xEF);
  one(e("BTGF", 0x20, 0, 1));
  EXPECT_EQ(R(0x320), 0xEE);
  one(e("CLRF", 0x20, 1));
  EXPECT_EQ(R(0x320), 0x00);
  // Skips and compares.
  S(0x70, 0x00);
  EXPECT_EQ(one(e("TFSZ", 0x70, 0)), 2u);
  EXPECT_EQ(up_->GetPC(), 0x102u);
  S(0x70, 0x08);
  EXPECT_EQ(one(e("BTSS", 0x70, 3, 0)), 2u);
  EXPECT_EQ(one(e("BTSZ", 0x70, 3, 0)), 1u);
  S(W, 0x08);
  EXPECT_EQ(one(e("CPSE", 0x70, 0)), 2u);
  EXPECT_EQ(one(e("CPSG", 0x70, 0)), 1u);
  S(0x70, 0xFF);
  EXPECT_EQ(one(e("INSZ", 0x70, 1, 0)), 2u);
  EXPECT_EQ(R(0x70), 0x00);
  EXPECT_EQ(one(e("DCSUZ", 0x70, 1, 0)), 2u);
  EXPECT_EQ(R(0x70), 0xFF);
  // Returns.
  up_->PushStack(0x345);
  EXPECT_EQ(one(e("RETL", 0x66)), 2u);
  EXPECT_EQ(R(W), 0x66);
  EXPECT_EQ(up_->GetPC(), 0x345u);
  // Power kinds.
  EXPECT_EQ(one(e("SLP")), 1u);
  EXPECT_EQ(up_->State().SleepFlag, 1);
}

// ---- simulated timer ---------------------------------------------------------------------------

TEST_F(ReviewExecTest, SimulatedTimerCountsEvery256Instructions) {
  S(65, 0x80);  // on, n = 0
  up_->SetProgramCounter(0);
  for (int i = 0; i < 255; ++i) up_->Core().ExecuteOne();
  EXPECT_EQ(R(3897), 0);
  EXPECT_EQ(R(38), 0);
  up_->Core().ExecuteOne();  // the 256th
  EXPECT_EQ(R(3897), 1);
  EXPECT_EQ(R(38), 0x08);
  S(38, 0);
  for (int i = 0; i < 256; ++i) up_->Core().ExecuteOne();
  EXPECT_EQ(R(3897), 2);
  EXPECT_EQ(R(38), 0);
  for (int i = 0; i < 256; ++i) up_->Core().ExecuteOne();
  EXPECT_EQ(R(3897), 3);
  EXPECT_EQ(R(38), 0x08);
}

TEST_F(ReviewExecTest, SimulatedTimerWatchesTheSelectedBit) {
  S(65, 0x80 | 0x10);  // n = 1
  S(3897, 0x01);
  up_->State().TimerPrescaleCount = 255;
  up_->SetProgramCounter(0);
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(3897), 2);
  EXPECT_EQ(R(38), 0x08);
  S(65, 0x00);  // off
  S(38, 0);
  S(3897, 0);
  up_->State().TimerPrescaleCount = 255;
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(3897), 0);
}

TEST_F(ReviewExecTest, SimulatedTimerCounterWrapsAt8Bits) {
  S(65, 0x80);
  S(3897, 0xFF);
  up_->State().TimerPrescaleCount = 255;
  up_->SetProgramCounter(0);
  up_->Core().ExecuteOne();
  EXPECT_EQ(R(3897), 0x00);
}

// ---- interrupts -------------------------------------------------------------------------------

TEST_F(ReviewExecTest, InterruptEntry) {
  S(35, 0x88);
  S(38, 0x08);
  S(W, 0x5A);
  S(ST, 0x13);
  S(BSR, 0x02);
  S(21, 0xAA);
  S(22, 0xBB);
  S(23, 0xCC);
  up_->SetProgramCounter(0x333);
  up_->SetCycleCounter(0, 10);
  up_->State().SleepFlag = 1;
  up_->State().IdleFlag = 1;
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(up_->GetPC(), 4u);
  EXPECT_EQ(cycles(), 14u);
  EXPECT_EQ(R(35), 0x08);
  EXPECT_EQ(R(509), 0x5A);
  EXPECT_EQ(R(511), 0x13);
  EXPECT_EQ(R(510), 0x02);
  EXPECT_EQ(up_->GetStackEntry(1), 0x333u);
  EXPECT_EQ(R(24) & 0x1F, 1);
  EXPECT_EQ(R(21), 0xAA);  // top-of-stack registers not written
  EXPECT_EQ(R(22), 0xBB);
  EXPECT_EQ(R(23), 0xCC);
  EXPECT_EQ(up_->State().SleepFlag, 0);
  EXPECT_EQ(up_->State().IdleFlag, 0);
  EXPECT_EQ(R(27), 4);  // simulator mirrors the PC
  EXPECT_EQ(R(26), 0);
}

TEST_F(ReviewExecTest, InterruptConditions) {
  up_->SetProgramCounter(0x50);
  S(35, 0x08);
  S(38, 0x08);
  EXPECT_FALSE(up_->Core().CheckInterrupt());  // global enable off
  EXPECT_EQ(up_->GetPC(), 0x50u);
  S(35, 0x81);
  S(38, 0x80);  // flag bit 7 is not a source
  EXPECT_FALSE(up_->Core().CheckInterrupt());
  S(38, 0x00);
  S(36, 0x04);
  S(39, 0x02);
  EXPECT_FALSE(up_->Core().CheckInterrupt());
  S(39, 0x06);
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(up_->GetPC(), 4u);
  EXPECT_EQ(R(35), 0x01);
  up_->SetProgramCounter(0x60);
  S(35, 0x80);
  S(36, 0);
  S(37, 0x40);
  S(40, 0x40);
  EXPECT_TRUE(up_->Core().CheckInterrupt());
  EXPECT_EQ(up_->GetStackEntry(2), 0x60u);
}

TEST_F(ReviewExecTest, CycleCounterCarriesIntoTheHighHalf) {
  up_->SetCycleCounter(0x0001, 0xFFFF);
  at(0x10, {e("NOP")});
  step();
  uint16_t h = 0, l = 0;
  up_->GetCycleCounter(h, l);
  EXPECT_EQ(h, 0x0002);
  EXPECT_EQ(l, 0x0000);
}

}  // namespace
}  // namespace kyvor
