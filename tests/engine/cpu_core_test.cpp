#include "engine/cpu_core.h"

#include <gtest/gtest.h>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/asm_helper.h"
#include "engine/ky_up.h"

namespace kyvor {
namespace {

using test::Encode;

class CpuCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    Chip().ChipRomWords = 8192;
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
  }
  void TearDown() override {
    up_.reset();
    ResetModes();
    ResetChipConfig();
  }
  TKy_UP& up() { return *up_; }
  const TInstructionTable& t() { return up_->Instructions(); }
  uint8_t r(int a) { return up_->ReadRegister(a); }
  void set(int a, uint8_t v) { up_->WriteRegisterModel(a, v); }
  uint32_t cycles() { return up_->State().Cycles(); }
  // Places one instruction at `at` and executes it.
  bool exec(uint32_t at, uint16_t word) {
    up_->StoreProgramWord(uint16_t(at), word, 1, 0);
    up_->State().SetProgramCounter(at);
    return up_->Core().ExecuteOne();
  }
  bool exec(uint16_t word) { return exec(0x100, word); }
  uint8_t status() { return r(reg::STATUS); }

  std::unique_ptr<TKy_UP> up_;
};

TEST_F(CpuCoreTest, AddfOverflowAndDigitCarry) {
  set(reg::W, 0x7F);
  set(reg::BSR, 0);
  set(0x80, 0x01);
  EXPECT_TRUE(exec(Encode(t(), "ADDF", 0x80, 0, 1)));  // destination W, banked
  EXPECT_EQ(r(reg::W), 0x80);
  EXPECT_EQ(status(), sf::N | sf::OV | sf::DC);
  EXPECT_EQ(r(0x80), 0x01);
  EXPECT_EQ(cycles(), 1u);
  EXPECT_EQ(up().GetPC(), 0x101u);

  set(reg::W, 0xFF);
  set(0x80, 0x01);
  exec(Encode(t(), "ADDF", 0x80, 1, 1));  // destination F
  EXPECT_EQ(r(0x80), 0x00);
  EXPECT_EQ(r(reg::W), 0xFF);
  EXPECT_EQ(status(), sf::Z | sf::C | sf::DC);
}

TEST_F(CpuCoreTest, SubtractionsAndCarryForms) {
  set(reg::W, 0x40);
  set(0x80, 0x40);
  exec(Encode(t(), "SUBF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0);
  EXPECT_EQ(status(), sf::Z | sf::C | sf::DC);

  // SUBF with a borrow: 0x10 - 0x20 = 0xF0, C clear, N set.
  set(reg::W, 0x20);
  set(0x80, 0x10);
  exec(Encode(t(), "SUBF", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0xF0);
  EXPECT_EQ(status() & (sf::C | sf::N | sf::Z), sf::N);

  // SUBC uses C in place of the +1: with C clear, f - W - 1.
  set(reg::STATUS, 0);
  set(reg::W, 0x01);
  set(0x80, 0x05);
  exec(Encode(t(), "SUBC", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0x03);
  set(reg::STATUS, sf::C);
  set(reg::W, 0x01);
  exec(Encode(t(), "SUBC", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0x04);

  // ADDC adds C.
  set(reg::STATUS, sf::C);
  set(reg::W, 0x0F);
  set(0x80, 0x00);
  exec(Encode(t(), "ADDC", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0x10);
  EXPECT_EQ(status() & sf::DC, sf::DC);

  // SUBL: k - W.
  set(reg::W, 0x03);
  exec(Encode(t(), "SUBL", 0x10));
  EXPECT_EQ(r(reg::W), 0x0D);
  EXPECT_EQ(status() & sf::C, sf::C);
  // ADDL.
  set(reg::W, 0x80);
  exec(Encode(t(), "ADDL", 0x80));
  EXPECT_EQ(r(reg::W), 0x00);
  EXPECT_EQ(status(), sf::Z | sf::C | sf::OV);
}

TEST_F(CpuCoreTest, IncrementDecrement) {
  set(0x80, 0x00);
  exec(Encode(t(), "DCF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0xFF);
  EXPECT_EQ(status() & (sf::C | sf::Z | sf::N), sf::N);
  set(0x80, 0x01);
  exec(Encode(t(), "DCF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x00);
  EXPECT_EQ(status() & (sf::C | sf::Z), sf::Z | sf::C);
  set(0x80, 0x7F);
  exec(Encode(t(), "INF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x80);
  EXPECT_EQ(status(), sf::N | sf::OV | sf::DC);
  set(0x80, 0xFF);
  exec(Encode(t(), "INF", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0x00);
  EXPECT_EQ(r(0x80), 0xFF);
  EXPECT_EQ(status() & (sf::Z | sf::C), sf::Z | sf::C);
}

TEST_F(CpuCoreTest, StatusAsDataAddressKeepsWrittenFlags) {
  // The status register is register 43 of bank 0.
  set(reg::BSR, 0);
  set(reg::STATUS, 0x0F);
  exec(Encode(t(), "INF", reg::STATUS, 1, 1));
  EXPECT_EQ(status(), 0x10);  // the write stands, no flag update over it
  set(reg::STATUS, 0x00);
  exec(Encode(t(), "CLRF", reg::STATUS, 1));
  EXPECT_EQ(status(), 0x00);
  set(reg::W, 0xFF);
  set(reg::STATUS, sf::C);
  exec(Encode(t(), "ADDF", reg::STATUS, 0, 1));  // into W, address 43: flags untouched
  EXPECT_EQ(r(reg::W), 0x0F);
  EXPECT_EQ(status(), sf::C);
}

TEST_F(CpuCoreTest, LogicRotateAndMoves) {
  set(reg::W, 0x0F);
  set(0x80, 0xF0);
  exec(Encode(t(), "ANDF", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0);
  EXPECT_EQ(status() & (sf::Z | sf::N), sf::Z);
  set(reg::W, 0x0F);
  exec(Encode(t(), "IORF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0xFF);
  EXPECT_EQ(status() & (sf::Z | sf::N), sf::N);
  exec(Encode(t(), "XORF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0xF0);
  exec(Encode(t(), "COMF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x0F);
  exec(Encode(t(), "SWPF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0xF0);
  set(0x80, 0x81);
  exec(Encode(t(), "RLF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x03);
  exec(Encode(t(), "RRF", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x81);
  // Through carry.
  set(reg::STATUS, 0);
  exec(Encode(t(), "RLFC", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x02);
  EXPECT_EQ(status() & sf::C, sf::C);
  exec(Encode(t(), "RRFC", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x81);
  EXPECT_EQ(status() & sf::C, 0);
  // Arithmetic rotates.
  set(reg::STATUS, 0);
  set(0x80, 0x40);
  exec(Encode(t(), "ARLC", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x80);
  EXPECT_EQ(status() & (sf::OV | sf::N | sf::C), sf::OV | sf::N);
  exec(Encode(t(), "ARRC", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0xC0);
  EXPECT_EQ(status() & sf::C, 0);
  // Literals and moves.
  exec(Encode(t(), "MVL", 0x5A));
  EXPECT_EQ(r(reg::W), 0x5A);
  exec(Encode(t(), "MVF", 0x81, 1, 1));  // W -> f
  EXPECT_EQ(r(0x81), 0x5A);
  set(0x82, 0x33);
  exec(Encode(t(), "MVF", 0x82, 0, 1));  // f -> W
  EXPECT_EQ(r(reg::W), 0x33);
  exec(Encode(t(), "ANDL", 0x0F));
  EXPECT_EQ(r(reg::W), 0x03);
  exec(Encode(t(), "IORL", 0x30));
  EXPECT_EQ(r(reg::W), 0x33);
  exec(Encode(t(), "XORL", 0x33));
  EXPECT_EQ(r(reg::W), 0x00);
  EXPECT_EQ(status() & sf::Z, sf::Z);
  exec(Encode(t(), "SETF", 0x83, 1));
  EXPECT_EQ(r(0x83), 0xFF);
  exec(Encode(t(), "CLRF", 0x83, 1));
  EXPECT_EQ(r(0x83), 0x00);
  exec(Encode(t(), "BSF", 0x83, 3, 1));
  EXPECT_EQ(r(0x83), 0x08);
  exec(Encode(t(), "BTGF", 0x83, 0, 1));
  EXPECT_EQ(r(0x83), 0x09);
  exec(Encode(t(), "BCF", 0x83, 3, 1));
  EXPECT_EQ(r(0x83), 0x01);
}

TEST_F(CpuCoreTest, MultiplyAndTableRead) {
  set(reg::W, 0x10);
  set(0x80, 0x20);
  exec(Encode(t(), "MULF", 0x80, 1));
  EXPECT_EQ(r(reg::PRODH), 0x02);
  EXPECT_EQ(r(reg::PRODL), 0x00);
  EXPECT_EQ(status() & sf::Z, sf::Z);
  EXPECT_EQ(cycles(), 2u);
  exec(Encode(t(), "MULL", 0xFF));
  EXPECT_EQ(r(reg::PRODH), 0x0F);
  EXPECT_EQ(r(reg::PRODL), 0xF0);

  up().StoreProgramWord(0x1FF, 0xBEEF, 0, 0);
  set(reg::TBLPTRU, 0);
  set(reg::TBLPTRH, 0x01);
  set(reg::TBLPTRL, 0xFF);
  const uint32_t before = cycles();
  exec(Encode(t(), "TBLR", 1));
  EXPECT_EQ(r(reg::TBLDH), 0xBE);
  EXPECT_EQ(r(reg::TBLDL), 0xEF);
  EXPECT_EQ(r(reg::TBLPTRH), 0x02);
  EXPECT_EQ(r(reg::TBLPTRL), 0x00);
  EXPECT_EQ(cycles() - before, 2u);
  exec(Encode(t(), "TBLR", 0));
  EXPECT_EQ(r(reg::TBLPTRL), 0x00);
}

TEST_F(CpuCoreTest, SkipsCostOneMoreCycle) {
  struct Case {
    const char* m;
    int bit;
    uint8_t f;
    uint8_t w;
    bool skip;
    uint8_t after;
  };
  const Case cases[] = {
      {"INSZ", -1, 0xFF, 0, true, 0x00},  {"INSZ", -1, 0x10, 0, false, 0x11},
      {"DCSZ", -1, 0x01, 0, true, 0x00},  {"DCSZ", -1, 0x00, 0, false, 0xFF},
      {"INSUZ", -1, 0x10, 0, true, 0x11}, {"INSUZ", -1, 0xFF, 0, false, 0x00},
      {"DCSUZ", -1, 0x10, 0, true, 0x0F}, {"DCSUZ", -1, 0x01, 0, false, 0x00},
      {"BTSZ", 2, 0xFB, 0, true, 0xFB},   {"BTSZ", 2, 0x04, 0, false, 0x04},
      {"BTSS", 2, 0x04, 0, true, 0x04},   {"BTSS", 2, 0xFB, 0, false, 0xFB},
      {"CPSG", -2, 0x10, 0x05, true, 0x10}, {"CPSG", -2, 0x05, 0x05, false, 0x05},
      {"CPSL", -2, 0x04, 0x05, true, 0x04}, {"CPSL", -2, 0x06, 0x05, false, 0x06},
      {"CPSE", -2, 0x05, 0x05, true, 0x05}, {"CPSE", -2, 0x06, 0x05, false, 0x06},
      {"TFSZ", -2, 0x00, 0, true, 0x00},  {"TFSZ", -2, 0x01, 0, false, 0x01},
  };
  for (const Case& c : cases) {
    set(0x80, c.f);
    set(reg::W, c.w);
    up().State().SetCycleCounter(0, 0);
    uint16_t w;
    if (c.bit >= 0)
      w = Encode(t(), c.m, 0x80, c.bit, 1);
    else if (c.bit == -2)
      w = Encode(t(), c.m, 0x80, 1);  // a, d
    else
      w = Encode(t(), c.m, 0x80, 1, 1);  // a, destination F, d
    exec(w);
    EXPECT_EQ(up().GetPC(), c.skip ? 0x102u : 0x101u) << c.m << " " << int(c.f);
    EXPECT_EQ(cycles(), c.skip ? 2u : 1u) << c.m;
    EXPECT_EQ(r(0x80), c.after) << c.m;
  }
}

TEST_F(CpuCoreTest, ConditionalBranches) {
  set(reg::STATUS, sf::Z);
  exec(0x100, Encode(t(), "JZ", 0xFE));
  EXPECT_EQ(up().GetPC(), 0xFFu);
  EXPECT_EQ(cycles(), 2u);
  set(reg::STATUS, 0);
  up().State().SetCycleCounter(0, 0);
  exec(0x100, Encode(t(), "JZ", 0xFE));
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
    set(reg::STATUS, b.flag);
    exec(0x100, Encode(t(), b.m, 0x10));
    EXPECT_EQ(up().GetPC(), b.onSet ? 0x111u : 0x101u) << b.m;
    set(reg::STATUS, 0);
    exec(0x100, Encode(t(), b.m, 0x10));
    EXPECT_EQ(up().GetPC(), b.onSet ? 0x101u : 0x111u) << b.m;
  }
}

TEST_F(CpuCoreTest, RelativeJumpAndCall) {
  exec(0x100, Encode(t(), "RJ", 0x7FF));  // -1: to itself
  EXPECT_EQ(up().GetPC(), 0x100u);
  EXPECT_EQ(cycles(), 2u);
  exec(0x100, Encode(t(), "RJ", 0x400));  // -1024
  EXPECT_EQ(up().GetPC(), (0x101u - 1024u) & 0xFFFFFu);  // wraps within 20 bits
  exec(0x200, Encode(t(), "RCALL", 0x010));
  EXPECT_EQ(up().GetPC(), 0x211u);
  EXPECT_EQ(r(reg::STKPTR) & 0x1F, 1);
  EXPECT_EQ(up().GetStackEntry(1), 0x201u);
  EXPECT_EQ(r(reg::TOSH), 0x02);
  EXPECT_EQ(r(reg::TOSL), 0x01);
  // RET back, then RETL with a literal.
  exec(0x211, Encode(t(), "RET", 0));
  EXPECT_EQ(up().GetPC(), 0x201u);
  EXPECT_EQ(r(reg::STKPTR) & 0x1F, 0);
  exec(0x200, Encode(t(), "RCALL", 0x010));
  exec(0x211, Encode(t(), "RETL", 0x42));
  EXPECT_EQ(up().GetPC(), 0x201u);
  EXPECT_EQ(r(reg::W), 0x42);
}

TEST_F(CpuCoreTest, TwoWordCall) {
  up().StoreProgramWord(0x10, Encode(t(), "CALL", 0x01, 0), 1, 0);
  up().StoreProgramWord(0x11, Encode(t(), "NOPF", 0x234), 1, 0);
  up().State().SetProgramCounter(0x10);
  EXPECT_TRUE(up().Core().ExecuteOne());
  EXPECT_EQ(up().GetPC(), 0x1234u);
  EXPECT_EQ(up().GetStackEntry(r(reg::STKPTR) & 0x1F), 0x11u);
  EXPECT_EQ(cycles(), 2u);
  EXPECT_EQ(up().State().PcHistoryAt(0), 0x11);
  EXPECT_EQ(up().State().PcHistoryAt(1), 0x10);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
}

TEST_F(CpuCoreTest, CallWithShadowAndReturnRestoring) {
  set(reg::W, 0x11);
  set(reg::STATUS, 0x03);
  set(reg::BSR, 0x02);
  up().StoreProgramWord(0x10, Encode(t(), "CALL", 0x00, 1), 1, 0);
  up().StoreProgramWord(0x11, Encode(t(), "NOPF", 0x300), 1, 0);
  up().State().SetProgramCounter(0x10);
  up().Core().ExecuteOne();
  EXPECT_EQ(r(reg::SHADOW_W), 0x11);
  EXPECT_EQ(r(reg::SHADOW_STATUS), 0x03);
  EXPECT_EQ(r(reg::SHADOW_BSR), 0x02);
  set(reg::W, 0);
  set(reg::STATUS, 0);
  set(reg::BSR, 0);
  exec(0x300, Encode(t(), "RETI", 1));
  EXPECT_EQ(up().GetPC(), 0x11u);
  EXPECT_EQ(r(reg::W), 0x11);
  EXPECT_EQ(r(reg::BSR), 0x02);
  EXPECT_EQ(r(reg::INTE0) & 0x80, 0x80);
}

TEST_F(CpuCoreTest, TwoWordJumpMovesAndLoads) {
  // JMP
  up().StoreProgramWord(0x20, Encode(t(), "JMP", 0x02), 1, 0);
  up().StoreProgramWord(0x21, Encode(t(), "NOPF", 0x345), 1, 0);
  up().State().SetProgramCounter(0x20);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x2345u);
  // MVLP: table pointer 0x0A:0xBC:0xDE from k = 0xAB and n = 0xCDE.
  up().StoreProgramWord(0x30, Encode(t(), "MVLP", 0xAB), 1, 0);
  up().StoreProgramWord(0x31, Encode(t(), "NOPF", 0xCDE), 1, 0);
  up().State().SetProgramCounter(0x30);
  up().Core().ExecuteOne();
  EXPECT_EQ(r(reg::TBLPTRU), 0x0A);
  EXPECT_EQ(r(reg::TBLPTRH), 0xBC);
  EXPECT_EQ(r(reg::TBLPTRL), 0xDE);
  // LDPR pointer 2 := 0x0123.
  up().StoreProgramWord(0x40, Encode(t(), "LDPR", 2), 1, 0);
  up().StoreProgramWord(0x41, Encode(t(), "NOPF", 0x123), 1, 0);
  up().State().SetProgramCounter(0x40);
  up().Core().ExecuteOne();
  EXPECT_EQ(r(reg::PTR2H), 0x01);
  EXPECT_EQ(r(reg::PTR2L), 0x23);
  EXPECT_EQ(up().GetPC(), 0x42u);
  // LDPR selector 3 loads nothing.
  up().StoreProgramWord(0x40, Encode(t(), "LDPR", 3), 1, 0);
  up().State().SetProgramCounter(0x40);
  up().Core().ExecuteOne();
  EXPECT_EQ(r(reg::PTR0H), 0x00);
  EXPECT_EQ(r(reg::PTR0L), 0x00);
  // MVFF 0x123 -> 0x456.
  set(0x123, 0x77);
  up().StoreProgramWord(0x50, Encode(t(), "MVFF", 0x123), 1, 0);
  up().StoreProgramWord(0x51, Encode(t(), "NOPF", 0x456), 1, 0);
  up().State().SetCycleCounter(0, 0);
  up().State().SetProgramCounter(0x50);
  up().Core().ExecuteOne();
  EXPECT_EQ(r(0x456), 0x77);
  EXPECT_EQ(cycles(), 2u);
  EXPECT_EQ(up().GetPC(), 0x52u);
}

TEST_F(CpuCoreTest, SecondWordThatIsNoContinuationDoesNotHang) {
  // CALL followed by an ordinary instruction: that word runs as itself, the
  // call is dropped, and the pending state is cleared.
  up().StoreProgramWord(0x10, Encode(t(), "JMP", 0x01), 1, 0);
  up().StoreProgramWord(0x11, Encode(t(), "MVL", 0x55), 1, 0);
  up().StoreProgramWord(0x12, Encode(t(), "MVL", 0x66), 1, 0);
  up().State().SetProgramCounter(0x10);
  EXPECT_TRUE(up().Core().ExecuteOne());
  EXPECT_EQ(r(reg::W), 0x55);
  EXPECT_EQ(up().GetPC(), 0x12u);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
  // Two first words in a row: the second is executed once, then it stops.
  up().StoreProgramWord(0x20, Encode(t(), "LDPR", 0), 1, 0);
  up().StoreProgramWord(0x21, Encode(t(), "LDPR", 1), 1, 0);
  up().StoreProgramWord(0x22, Encode(t(), "NOPF", 0x111), 1, 0);
  up().State().SetProgramCounter(0x20);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x22u);
  EXPECT_EQ(up().State().PendingTwoWordKind, 0);
  // The trailing NOPF alone does nothing.
  up().Core().ExecuteOne();
  EXPECT_EQ(r(reg::PTR1H), 0);
  EXPECT_EQ(r(reg::PTR1L), 0);
  EXPECT_EQ(up().GetPC(), 0x23u);
}

TEST_F(CpuCoreTest, UndecodableWordOnlyAdvancesPc) {
  set(reg::W, 0x12);
  EXPECT_FALSE(exec(0x100, 0x0004));
  EXPECT_EQ(up().GetPC(), 0x101u);
  EXPECT_EQ(cycles(), 0u);
  EXPECT_EQ(up().State().PcHistoryAt(0), 0);
  EXPECT_EQ(r(reg::W), 0x12);
}

TEST_F(CpuCoreTest, IndirectAccessAndPostUpdates) {
  // Address 1 with bank bit 0: through pointer 0, then pointer 0 + 1.
  set(reg::PTR0H, 0x00);
  set(reg::PTR0L, 0xFF);
  set(0xFF, 0x41);
  exec(Encode(t(), "MVF", 1, 0, 0));
  EXPECT_EQ(r(reg::W), 0x41);
  EXPECT_EQ(r(reg::PTR0H), 0x01);
  EXPECT_EQ(r(reg::PTR0L), 0x00);
  // Address 7: pointer 1, then -1 with borrow.
  set(reg::PTR1H, 0x02);
  set(reg::PTR1L, 0x00);
  set(reg::W, 0x99);
  exec(Encode(t(), "MVF", 7, 1, 0));
  EXPECT_EQ(r(0x200), 0x99);
  EXPECT_EQ(r(reg::PTR1H), 0x01);
  EXPECT_EQ(r(reg::PTR1L), 0xFF);
  // Address 13: pointer 2 + 1, then pointer 2 + 1.
  set(reg::PTR2H, 0x03);
  set(reg::PTR2L, 0x10);
  set(0x311, 0x5C);
  exec(Encode(t(), "MVF", 13, 0, 0));
  EXPECT_EQ(r(reg::W), 0x5C);
  EXPECT_EQ(r(reg::PTR2L), 0x11);
  // Address 4: pointer 0 + W (signed), then pointer 0 += W.
  set(reg::PTR0H, 0x01);
  set(reg::PTR0L, 0x10);
  set(reg::W, 0xF0);  // -16
  set(0x100, 0x3C);
  exec(Encode(t(), "MVF", 4, 0, 0));
  EXPECT_EQ(r(reg::W), 0x3C);
  EXPECT_EQ(r(reg::PTR0H), 0x01);
  EXPECT_EQ(r(reg::PTR0L), 0x00);
  // Address 0: pointer only, no update.
  exec(Encode(t(), "CLRF", 0, 0));
  EXPECT_EQ(r(0x100), 0x00);
  EXPECT_EQ(r(reg::PTR0L), 0x00);
  // Bank bit 1: register 42 supplies the bank.
  set(reg::BSR, 2);
  exec(Encode(t(), "SETF", 0x05, 1));
  EXPECT_EQ(r(0x205), 0xFF);
  // Bank bit 0 and an address above 14: the plain address.
  exec(Encode(t(), "SETF", 0x30, 0));
  EXPECT_EQ(r(0x30), 0xFF);
  exec(Encode(t(), "LBSR", 0x3));
  EXPECT_EQ(r(reg::BSR), 3);
}

TEST_F(CpuCoreTest, StackRegisterWritesKeepTheCount) {
  set(reg::STKPTR, 0xA3);
  exec(Encode(t(), "BCF", reg::STKPTR, 5, 0));
  EXPECT_EQ(r(reg::STKPTR), 0x03);  // bits 5 and 7 cleared together
  set(reg::STKPTR, 0x83);
  exec(Encode(t(), "CLRF", reg::STKPTR, 0));
  EXPECT_EQ(r(reg::STKPTR), 0x03);
  exec(Encode(t(), "SETF", reg::STKPTR, 0));
  EXPECT_EQ(r(reg::STKPTR), 0xE3);
}

TEST_F(CpuCoreTest, PclatlWriteIsAComputedJump) {
  up().StoreProgramWord(0x100, Encode(t(), "MVF", reg::PCLATL, 1, 0), 1, 0);
  up().State().SetProgramCounter(0x100);  // mirrors into 26 and 27
  EXPECT_EQ(r(reg::PCLATH), 0x01);
  set(reg::PCLATU, 0);
  set(reg::PCLATH, 0x12);
  set(reg::W, 0x34);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x1234u);

  // The upper byte takes part, and the run loop goes on from the new PC.
  up().StoreProgramWord(0x1234, Encode(t(), "MVF", reg::PCLATL, 1, 0), 1, 0);
  up().State().SetProgramCounter(0x1234);
  set(reg::PCLATU, 0x01);
  set(reg::PCLATH, 0x00);
  set(reg::W, 0x40);
  up().Core().ExecuteOne();
  EXPECT_EQ(up().GetPC(), 0x10040u);
  EXPECT_EQ(up().State().PcHistoryAt(0), 0x1234u);
}

TEST_F(CpuCoreTest, PopSleepIdle) {
  up().PushStack(0x111);
  up().PushStack(0x222);
  exec(Encode(t(), "POP"));
  EXPECT_EQ(r(reg::STKPTR) & 0x1F, 1);
  EXPECT_EQ(r(reg::TOSH), 0x01);
  EXPECT_EQ(r(reg::TOSL), 0x11);
  exec(Encode(t(), "SLP"));
  EXPECT_EQ(up().State().SleepFlag, 1);
  EXPECT_EQ(r(reg::PWRSTAT) & 0x40, 0x40);
  exec(Encode(t(), "IDLE"));
  EXPECT_EQ(up().State().IdleFlag, 1);
  EXPECT_EQ(r(reg::PWRSTAT) & 0x20, 0x20);
  // An interrupt wakes the core.
  set(reg::INTE0, 0x88);
  set(reg::INTF0, 0x08);
  EXPECT_TRUE(up().Core().CheckInterrupt());
  EXPECT_EQ(up().State().SleepFlag, 0);
  EXPECT_EQ(up().State().IdleFlag, 0);
}

TEST_F(CpuCoreTest, InterruptEntry) {
  set(reg::W, 0x21);
  set(reg::STATUS, 0x05);
  set(reg::BSR, 0x03);
  up().State().SetProgramCounter(0x345);
  set(reg::INTE0, 0x08);
  set(reg::INTF0, 0x08);
  EXPECT_FALSE(up().Core().CheckInterrupt());
  EXPECT_EQ(up().GetPC(), 0x345u);
  set(reg::INTE0, 0x88);
  const uint32_t before = cycles();
  EXPECT_TRUE(up().Core().CheckInterrupt());
  EXPECT_EQ(up().GetPC(), 4u);
  EXPECT_EQ(cycles() - before, 4u);
  EXPECT_EQ(r(reg::INTE0), 0x08);
  EXPECT_EQ(r(reg::SHADOW_W), 0x21);
  EXPECT_EQ(r(reg::SHADOW_STATUS), 0x05);
  EXPECT_EQ(r(reg::SHADOW_BSR), 0x03);
  EXPECT_EQ(up().GetStackEntry(1), 0x345u);
  EXPECT_EQ(r(reg::TOSL), 0);  // the entry only
  // Flags 1 and 2 with their enables.
  set(reg::INTE0, 0x80);
  set(reg::INTF0, 0x00);
  set(reg::INTF1, 0x02);
  set(reg::INTE1, 0x01);
  EXPECT_FALSE(up().Core().CheckInterrupt());
  set(reg::INTE1, 0x02);
  EXPECT_TRUE(up().Core().CheckInterrupt());
  set(reg::INTE0, 0x80);
  set(reg::INTF1, 0);
  set(reg::INTF2, 0x40);
  set(reg::INTE2, 0x40);
  EXPECT_TRUE(up().Core().CheckInterrupt());
}

TEST_F(CpuCoreTest, SimulatedTimerRaisesItsFlagOnTheEdge) {
  set(reg::TMRCTL, 0x80);  // enabled, bit 0 of the counter
  for (int i = 0; i < 255; ++i) exec(0);
  EXPECT_EQ(r(reg::TMRCNT), 0);
  exec(0);  // the 256th instruction ticks the counter
  EXPECT_EQ(r(reg::TMRCNT), 1);
  EXPECT_EQ(r(reg::INTF0) & 0x08, 0x08);
  set(reg::INTF0, 0);
  for (int i = 0; i < 256; ++i) exec(0);
  EXPECT_EQ(r(reg::TMRCNT), 2);
  EXPECT_EQ(r(reg::INTF0) & 0x08, 0);  // bit 0 is 0: edge memory cleared
  for (int i = 0; i < 256; ++i) exec(0);
  EXPECT_EQ(r(reg::INTF0) & 0x08, 0x08);
  set(reg::TMRCTL, 0x00);
  for (int i = 0; i < 600; ++i) exec(0);
  EXPECT_EQ(r(reg::TMRCNT), 3);
}

TEST_F(CpuCoreTest, K08BVariant) {
  up().LoadInstructionTableReduced();
  // One-word CALL with an 11-bit address.
  exec(0x100, Encode(t(), "CALL", 0x345));
  EXPECT_EQ(up().GetPC(), 0x345u);
  EXPECT_EQ(up().GetStackEntry(1), 0x101u);
  EXPECT_EQ(cycles(), 1u);
  exec(0x100, Encode(t(), "JMP", 0x7FF));
  EXPECT_EQ(up().GetPC(), 0x7FFu);
  // Only Z and C are updated.
  set(reg::STATUS, 0);
  set(reg::W, 0x7F);
  set(0x80, 0x01);
  exec(Encode(t(), "ADDF", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0x80);
  EXPECT_EQ(status(), 0);
  // Indirect access through pointers 0 and 1 only, no post-update.
  set(reg::PTR1H, 0x01);
  set(reg::PTR1L, 0x20);
  set(reg::W, 0x66);
  exec(Encode(t(), "MVF", 5, 1, 0));
  EXPECT_EQ(r(0x120), 0x66);
  EXPECT_EQ(r(reg::PTR1L), 0x20);
  exec(Encode(t(), "MVF", 1, 1, 0));
  EXPECT_EQ(r(0x01), 0x66);
  // RET without operand.
  exec(0x345, Encode(t(), "RET"));
  EXPECT_EQ(up().GetPC(), 0x101u);
}

TEST_F(CpuCoreTest, K08BFamiliesKeepOnlyZeroAndCarry) {
  up().LoadInstructionTableReduced();
  // Logic: Z only (no N).
  set(reg::STATUS, 0);
  set(reg::W, 0x80);
  set(0x80, 0x80);
  exec(Encode(t(), "IORF", 0x80, 0, 1));
  EXPECT_EQ(r(reg::W), 0x80);
  EXPECT_EQ(status(), 0);
  exec(Encode(t(), "XORF", 0x80, 0, 1));
  EXPECT_EQ(status(), sf::Z);
  // Subtraction: C and Z, no DC.
  set(reg::STATUS, 0);
  set(reg::W, 0x01);
  set(0x80, 0x01);
  exec(Encode(t(), "SUBF", 0x80, 0, 1));
  EXPECT_EQ(status(), sf::Z | sf::C);
  // Rotates through carry.
  set(reg::STATUS, sf::C);
  set(0x80, 0x80);
  exec(Encode(t(), "RLFC", 0x80, 1, 1));
  EXPECT_EQ(r(0x80), 0x01);
  EXPECT_EQ(status(), sf::C);
  // Skips and bit operations behave as under K08A.
  set(0x80, 0xFF);
  up().State().SetCycleCounter(0, 0);
  exec(Encode(t(), "INSZ", 0x80, 1, 1));
  EXPECT_EQ(up().GetPC(), 0x102u);
  EXPECT_EQ(cycles(), 2u);
  exec(Encode(t(), "BTGF", 0x80, 7, 1));
  EXPECT_EQ(r(0x80), 0x80);
  set(reg::W, 0x10);
  exec(Encode(t(), "CPSE", 0x81, 1));
  EXPECT_EQ(up().GetPC(), 0x101u);
  // RETI has no shadow restore and sets the global enable.
  up().PushStack(0x222);
  set(reg::SHADOW_W, 0x55);
  exec(Encode(t(), "RETI"));
  EXPECT_EQ(up().GetPC(), 0x222u);
  EXPECT_EQ(r(reg::W), 0x10);
  EXPECT_EQ(r(reg::INTE0) & 0x80, 0x80);
  // Words of the K08A-only instructions decode to nothing here.
  up().State().SetCycleCounter(0, 0);
  EXPECT_FALSE(exec(0xF123));
  EXPECT_EQ(cycles(), 0u);
}

}  // namespace
}  // namespace kyvor
