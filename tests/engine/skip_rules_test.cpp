// Skip and branch conditions on both paths that decide them: the simulator
// (the next word is skipped or the branch taken, one more cycle) and the
// emulator's step analysis (the pod steps two words instead of one). The
// expectations are written out here by hand at the edges of each comparison.
#include <gtest/gtest.h>

#include <vector>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "support/cpu_fixture.h"
#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/cpu_core.h"
#include "engine/ky_up.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

constexpr int kFile = 0x60;  // the tested byte (no indirect access, bank bit 0)

struct SkipRule {
  const char* mnemonic;
  int bit;  // bit number of BTSZ and BTSS, else unused
  uint8_t f;
  uint8_t w;
  bool taken;
};

const std::vector<SkipRule>& SkipRules() {
  static const std::vector<SkipRule> cases = {
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

struct BranchRule {
  const char* mnemonic;
  uint8_t status;
  bool taken;
};

// Each branch with only its own bit set and with every other bit set.
const std::vector<BranchRule>& BranchRules() {
  static const std::vector<BranchRule> cases = {
      {"JZ", 0x01, true},   {"JZ", 0x1E, false},  {"JNZ", 0x01, false}, {"JNZ", 0x1E, true},
      {"JC", 0x10, true},   {"JC", 0x0F, false},  {"JNC", 0x10, false}, {"JNC", 0x0F, true},
      {"JN", 0x04, true},   {"JN", 0x1B, false},  {"JNN", 0x04, false}, {"JNN", 0x1B, true},
      {"JO", 0x02, true},   {"JO", 0x1D, false},  {"JNO", 0x02, false}, {"JNO", 0x1D, true},
  };
  return cases;
}

class SkipRulesTest : public test::CpuFixture {
 protected:
  uint16_t skipWord(const SkipRule& c) {
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
    at(0x100, {word});
    up().SetProgramCounter(0x100);
    pod_.steps.clear();
    up().TraceStep();
    return pod_.steps.size() == 1 ? pod_.steps[0] : -1;
  }
};

TEST_F(SkipRulesTest, SimulatorSkipsTheNextWordWhenTheConditionHolds) {
  for (const SkipRule& c : SkipRules()) {
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
  for (const SkipRule& c : SkipRules()) {
    SCOPED_TRACE(::testing::Message() << c.mnemonic << " f=" << int(c.f) << " w=" << int(c.w)
                                      << " bit=" << c.bit);
    setUpState(c.f, c.w, 0);
    EXPECT_EQ(podSteps(skipWord(c)), c.taken ? 2 : 1);
  }
}

TEST_F(SkipRulesTest, SimulatorBranchesWhenTheStatusConditionHolds) {
  for (const BranchRule& c : BranchRules()) {
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
  for (const BranchRule& c : BranchRules()) {
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

TEST_F(SkipRulesTest, EmulatorRelativeJumpsStepTwiceOnKind3Chips) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  at(0, {e("RJ", 5)});
  Chip().DeviceKind3 = 1;
  up_->TraceStep();
  Chip().DeviceKind3 = 0;
  up_->SetProgramCounter(0);
  up_->TraceStep();
  ASSERT_EQ(pod.steps.size(), 2u);
  EXPECT_EQ(pod.steps[0], 2);
  EXPECT_EQ(pod.steps[1], 1);
}
TEST_F(SkipRulesTest, EmulatorSkipTestReadsTheBankedByte) {
  test::FakePod pod;
  Modes().SimulatorMode = 0;
  up_->SetPod(&pod);
  struct Case {
    uint16_t word;
    uint8_t lastBank;
    int steps;
  };
  // Model bytes: 0x060 = 0x05, 0x260 = 0x00; bank select 0x12 (low nibble 2); W = 0.
  const Case cases[] = {
      {e("TFSZ", 0x60, 1), 3, 2},       // banked byte 0x260 = 0: skips
      {e("TFSZ", 0x60, 1), 1, 1},       // bank 2 above the last RAM bank: byte 0x060
      {e("TFSZ", 0x60, 0), 3, 1},       // unbanked: byte 0x060
      {e("BTSZ", 0x60, 0, 1), 3, 2},    // bit 0 of 0x260 is 0
      {e("BTSZ", 0x60, 0, 0), 3, 1},    // bit 0 of 0x060 is 1
      {e("INSUZ", 0x60, 1, 1), 3, 2},   // 0x00 + 1 is not 0
      {e("DCSUZ", 0x60, 1, 1), 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    Chip().LastRamBank = c.lastBank;
    at(0, {c.word});
    up_->SetProgramCounter(0);
    setReg(0x060, 0x05);
    setReg(0x260, 0x00);
    setReg(42, 0x12);
    setReg(41, 0x00);
    pod.steps.clear();
    up_->TraceStep();
    ASSERT_EQ(pod.steps.size(), 1u);
    EXPECT_EQ(pod.steps[0], c.steps);
  }
}
struct SkipCase {
  const char* m;
  int b;        // bit number or destination
  uint8_t f;    // the file byte
  uint8_t w;
  bool skips;
};
TEST_F(SkipRulesTest, SkipsAndTheirCycles) {
  useRomWords(16384);
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
    setReg(0x70, c.f);
    setReg(reg::W, c.w);
    const bool twoOps = std::string(c.m).rfind("CPS", 0) == 0 || std::string(c.m) == "TFSZ";
    const uint16_t word = twoOps ? e(c.m, 0x70, 0) : e(c.m, 0x70, c.b, 0);
    const uint32_t n = one(word, 0);
    EXPECT_EQ(up_->GetPC(), c.skips ? 0x102u : 0x101u);
    EXPECT_EQ(n, c.skips ? 2u : 1u);
    EXPECT_EQ(flags(), 0);  // skips set no flags
  }
}
TEST_F(SkipRulesTest, IncrementAndDecrementSkipsWriteTheirResult) {
  useRomWords(16384);
  setReg(0x70, 0xFF);
  one(e("INSZ", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0x00);
  setReg(0x70, 0x01);
  one(e("DCSZ", 0x70, 0, 0));
  EXPECT_EQ(regAt(reg::W), 0x00);
  EXPECT_EQ(regAt(0x70), 0x01);
  setReg(0x70, 0x10);
  one(e("INSUZ", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0x11);
  setReg(0x70, 0x00);
  one(e("DCSUZ", 0x70, 1, 0));
  EXPECT_EQ(regAt(0x70), 0xFF);
  EXPECT_EQ(up_->GetPC(), 0x102u);
}
TEST_F(SkipRulesTest, TwoWordAndTakenBranchWordsStepTwice) {
  UseEmulator();
  struct Case {
    uint16_t word;
    uint8_t status;
    int steps;
  };
  const Case cases[] = {
      {e("MVLP", 1), 0, 2},   {e("LDPR", 1), 0, 2},  {e("MVFF", 0x50), 0, 2},
      {e("JZ", 4), 0x01, 2},  {e("JZ", 4), 0x00, 1}, {e("JNC", 4), 0x00, 2},
      {e("JNC", 4), 0x10, 1}, {e("MVF", 27, 1, 0), 0, 2}, {e("NOP"), 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    at(0, {c.word});
    pod_.program[0] = c.word;
    pod_.pc = 0;
    pod_.memory[43] = c.status;
    up_->SetProgramCounter(0);
    up_->WriteRegisterModel(43, c.status);
    pod_.steps.clear();
    up_->TraceStep();
    ASSERT_EQ(pod_.steps.size(), 1u);
    EXPECT_EQ(pod_.steps[0], c.steps);
  }
}
TEST_F(SkipRulesTest, SkipWordsStepTwiceWhenTheSkipHolds) {
  UseEmulator();
  struct Case {
    const char* m;
    int b;
    uint8_t f;
    int steps;
  };
  const Case cases[] = {{"BTSS", 1, 0x02, 2}, {"BTSS", 1, 0x00, 1}, {"BTSZ", 1, 0x00, 2},
                        {"INSZ", 1, 0xFF, 2}, {"DCSZ", 1, 0x05, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m);
    const uint16_t w = e(c.m, 0x60, c.b, 0);
    at(0, {w});
    pod_.program[0] = w;
    pod_.pc = 0;
    pod_.memory[0x60] = c.f;
    up_->SetProgramCounter(0);
    up_->WriteRegisterModel(0x60, c.f);
    pod_.steps.clear();
    up_->TraceStep();
    ASSERT_EQ(pod_.steps.size(), 1u);
    EXPECT_EQ(pod_.steps[0], c.steps);
  }
}
TEST_F(SkipRulesTest, SkipsCostOneMoreCycle) {
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
    setReg(0x80, c.f);
    setReg(reg::W, c.w);
    up().State().SetCycleCounter(0, 0);
    uint16_t w;
    if (c.bit >= 0)
      w = enc(c.m, 0x80, c.bit, 1);
    else if (c.bit == -2)
      w = enc(c.m, 0x80, 1);  // a, d
    else
      w = enc(c.m, 0x80, 1, 1);  // a, destination F, d
    exec(w);
    EXPECT_EQ(up().GetPC(), c.skip ? 0x102u : 0x101u) << c.m << " " << int(c.f);
    EXPECT_EQ(cycles(), c.skip ? 2u : 1u) << c.m;
    EXPECT_EQ(regAt(0x80), c.after) << c.m;
  }
}

}  // namespace
}  // namespace kyvor
