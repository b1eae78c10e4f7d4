// Skip and branch conditions on both paths that decide them: the simulator
// (the next word is skipped or the branch taken, one more cycle) and the
// emulator's step analysis (the pod steps two words instead of one). The
// expectations are written out here by hand at the edges of each comparison.
#include <gtest/gtest.h>

#include <vector>

#include "support/cpu_fixture.h"

namespace kyvor {
namespace {

constexpr int kFile = 0x60;  // the tested byte (no indirect access, bank bit 0)

struct SkipCase {
  const char* mnemonic;
  int bit;  // bit number of BTSZ and BTSS, else unused
  uint8_t f;
  uint8_t w;
  bool taken;
};

const std::vector<SkipCase>& SkipCases() {
  static const std::vector<SkipCase> cases = {
      {"INSZ", 0, 0xFF, 0, true},   {"INSZ", 0, 0xFE, 0, false},  {"INSZ", 0, 0x00, 0, false},
      {"DCSZ", 0, 0x01, 0, true},   {"DCSZ", 0, 0x00, 0, false},  {"DCSZ", 0, 0x02, 0, false},
      {"INSUZ", 0, 0xFF, 0, false}, {"INSUZ", 0, 0xFE, 0, true},  {"INSUZ", 0, 0x00, 0, true},
      {"DCSUZ", 0, 0x01, 0, false}, {"DCSUZ", 0, 0x00, 0, true},  {"DCSUZ", 0, 0x02, 0, true},
      {"BTSZ", 7, 0x7F, 0, true},   {"BTSZ", 7, 0x80, 0, false},  {"BTSZ", 0, 0xFE, 0, true},
      {"BTSZ", 0, 0x01, 0, false},  {"BTSZ", 3, 0xF7, 0, true},   {"BTSZ", 3, 0x08, 0, false},
      {"BTSS", 7, 0x80, 0, true},   {"BTSS", 7, 0x7F, 0, false},  {"BTSS", 0, 0x01, 0, true},
      {"BTSS", 0, 0xFE, 0, false},  {"BTSS", 4, 0x10, 0, true},   {"BTSS", 4, 0xEF, 0, false},
      {"TFSZ", 0, 0x00, 0, true},   {"TFSZ", 0, 0x01, 0, false},  {"TFSZ", 0, 0x80, 0, false},
      {"CPSG", 0, 0x06, 5, true},   {"CPSG", 0, 0x05, 5, false},  {"CPSG", 0, 0x04, 5, false},
      {"CPSG", 0, 0x80, 0x7F, true},  // unsigned: 0x80 is above 0x7F
      {"CPSL", 0, 0x04, 5, true},   {"CPSL", 0, 0x05, 5, false},  {"CPSL", 0, 0x06, 5, false},
      {"CPSL", 0, 0x7F, 0x80, true},
      {"CPSE", 0, 0x05, 5, true},   {"CPSE", 0, 0x04, 5, false},  {"CPSE", 0, 0x06, 5, false},
      {"CPSE", 0, 0x00, 0, true},
  };
  return cases;
}

struct BranchCase {
  const char* mnemonic;
  uint8_t status;
  bool taken;
};

// Each branch with only its own bit set and with every other bit set.
const std::vector<BranchCase>& BranchCases() {
  static const std::vector<BranchCase> cases = {
      {"JZ", 0x01, true},   {"JZ", 0x1E, false},  {"JNZ", 0x01, false}, {"JNZ", 0x1E, true},
      {"JC", 0x10, true},   {"JC", 0x0F, false},  {"JNC", 0x10, false}, {"JNC", 0x0F, true},
      {"JN", 0x04, true},   {"JN", 0x1B, false},  {"JNN", 0x04, false}, {"JNN", 0x1B, true},
      {"JO", 0x02, true},   {"JO", 0x1D, false},  {"JNO", 0x02, false}, {"JNO", 0x1D, true},
  };
  return cases;
}

class SkipRulesTest : public test::CpuFixture {
 protected:
  uint16_t skipWord(const SkipCase& c) {
    const std::string m = c.mnemonic;
    if (m == "BTSZ" || m == "BTSS") return enc(m, kFile, c.bit, 0);
    if (m == "TFSZ" || m == "CPSG" || m == "CPSL" || m == "CPSE") return enc(m, kFile, 0);
    return enc(m, kFile, 0, 0);  // result to W: the tested byte stays
  }
  void setUpState(uint8_t f, uint8_t w, uint8_t status) {
    setReg(kFile, f);
    setReg(reg::W, w);
    setReg(reg::STATUS, status);
    setReg(reg::BSR, 0);
  }
  // Emulator: the number of words the pod is asked to step for `word` at 0x100.
  int podSteps(uint16_t word) {
    load(0x100, {word});
    up().SetProgramCounter(0x100);
    pod_.steps.clear();
    up().TraceStep();
    return pod_.steps.size() == 1 ? pod_.steps[0] : -1;
  }
};

TEST_F(SkipRulesTest, SimulatorSkipsTheNextWordWhenTheConditionHolds) {
  for (const SkipCase& c : SkipCases()) {
    SCOPED_TRACE(::testing::Message() << c.mnemonic << " f=" << int(c.f) << " w=" << int(c.w)
                                      << " bit=" << c.bit);
    setUpState(c.f, c.w, 0);
    const uint32_t before = cycles();
    ASSERT_TRUE(exec(0x100, skipWord(c)));
    EXPECT_EQ(pc(), c.taken ? 0x102u : 0x101u);
    EXPECT_EQ(cycles() - before, c.taken ? 2u : 1u);
  }
}

TEST_F(SkipRulesTest, EmulatorStepsTwoWordsWhenTheSkipHolds) {
  UseEmulator();
  for (const SkipCase& c : SkipCases()) {
    SCOPED_TRACE(::testing::Message() << c.mnemonic << " f=" << int(c.f) << " w=" << int(c.w)
                                      << " bit=" << c.bit);
    setUpState(c.f, c.w, 0);
    EXPECT_EQ(podSteps(skipWord(c)), c.taken ? 2 : 1);
  }
}

TEST_F(SkipRulesTest, SimulatorBranchesWhenTheStatusConditionHolds) {
  for (const BranchCase& c : BranchCases()) {
    SCOPED_TRACE(::testing::Message() << c.mnemonic << " status=" << int(c.status));
    setUpState(0, 0, c.status);
    const uint32_t before = cycles();
    ASSERT_TRUE(exec(0x100, enc(c.mnemonic, 4)));
    EXPECT_EQ(pc(), c.taken ? 0x105u : 0x101u);
    EXPECT_EQ(cycles() - before, c.taken ? 2u : 1u);
  }
}

TEST_F(SkipRulesTest, EmulatorStepsTwoWordsWhenTheBranchIsTaken) {
  UseEmulator();
  for (const BranchCase& c : BranchCases()) {
    SCOPED_TRACE(::testing::Message() << c.mnemonic << " status=" << int(c.status));
    setUpState(0, 0, c.status);
    EXPECT_EQ(podSteps(enc(c.mnemonic, 4)), c.taken ? 2 : 1);
  }
}

// The words without a condition: never a second step, whatever the state.
TEST_F(SkipRulesTest, EmulatorStepsOneWordForUnconditionalInstructions) {
  UseEmulator();
  setUpState(0xFF, 0xFF, 0x1F);
  for (uint16_t word : {enc("ADDF", kFile, 0, 0), enc("BSF", kFile, 3, 0), enc("MVL", 1),
                        enc("NOP"), enc("CALL", 1, 0), enc("JMP", 1)}) {
    SCOPED_TRACE(word);
    setUpState(0xFF, 0xFF, 0x1F);
    EXPECT_EQ(podSteps(word), 1);
  }
}

}  // namespace
}  // namespace kyvor
