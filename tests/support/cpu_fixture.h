#pragma once
// The CPU model on a fresh chip configuration (8,192 program words, a stack
// of 8), in simulator mode, on the fake clock, with the callbacks counted.
// `UseEmulator` puts it in emulator mode on the fake pod. `enc` builds words
// from the model's own instruction table; `e` builds them from the
// hand-written patterns, for the tests that must not trust the table.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"

namespace kyvor::test {

class CpuFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetOptions();
    ResetChipConfig();
    Chip().ChipRomWords = 8192;
    Chip().StackDepth = 8;
    clock_.install();
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
    up_->OnRunStopped = [this](TKy_UP&) { ++stopped_; };
    up_->OnTraceStep = [this](TKy_UP&) { ++traced_; };
  }
  void TearDown() override {
    up_.reset();
    ResetModes();
    ResetOptions();
    ResetChipConfig();
  }

  // Emulator mode on the fake pod.
  void UseEmulator() {
    Modes().SimulatorMode = 0;
    up_->SetPod(&pod_);
  }
  // Another program-memory size.
  void useRomWords(int words) {
    Chip().ChipRomWords = uint32_t(words);
    up_->ApplyChipConfig();
  }
  // The K08B instruction set (for `enc` and `e` alike).
  void useK08B() {
    up_->LoadInstructionTableReduced();
    variant_ = kCoreK08B;
  }

  TKy_UP& up() { return *up_; }
  TTargetState& state() { return up_->State(); }
  const TInstructionTable& table() const { return up_->Instructions(); }

  // The word of `mnemonic` with its operands, from the model's table.
  uint16_t enc(const std::string& mnemonic, int op1 = 0, int op2 = 0, int op3 = 0) const {
    const TInstructionDescriptor* d = table().FindByMnemonic(mnemonic);
    if (!d) throw std::runtime_error("no instruction " + mnemonic);
    return TInstructionTable::Encode(*d, op1, op2, op3);
  }
  // The same from the hand-written patterns of the current variant (0xFFFF:
  // the variant lacks it).
  uint16_t e(const char* mnemonic, int op1 = 0, int op2 = 0, int op3 = 0) {
    const uint16_t w = patterns::Enc(variant_, mnemonic, op1, op2, op3);
    EXPECT_NE(w, 0xFFFF) << mnemonic;
    return w;
  }

  // Words into program memory from `address` (source line = address + 1).
  void at(uint32_t address, std::initializer_list<uint16_t> words) {
    uint32_t a = address;
    for (uint16_t w : words) {
      ASSERT_TRUE(up_->StoreProgramWord(uint16_t(a), w, uint16_t(a + 1), 0));
      ++a;
    }
  }
  // Words from `address` (source line 1), and the PC there.
  void place(uint32_t address, std::initializer_list<uint16_t> words) {
    uint32_t a = address;
    for (uint16_t w : words) ASSERT_TRUE(up_->StoreProgramWord(uint16_t(a++), w, 1, 0));
    up_->SetProgramCounter(address);
  }
  // One instruction placed at `address` (0x100) and executed by the core.
  bool exec(uint32_t address, uint16_t word) {
    up_->StoreProgramWord(uint16_t(address), word, 1, 0);
    up_->State().SetProgramCounter(address);
    return up_->Core().ExecuteOne();
  }
  bool exec(uint16_t word) { return exec(0x100, word); }
  // The instruction at PC executed by the core; the cycles it took.
  uint32_t step() {
    const uint32_t before = cycles();
    up_->Core().ExecuteOne();
    return cycles() - before;
  }
  // `word` at 0x100 executed with the status register set first; its cycles.
  uint32_t one(uint16_t word, uint8_t status = 0) {
    setReg(reg::STATUS, status);
    place(0x100, {word});
    return step();
  }
  // An armed run driven to its stop.
  TRunStop run(uint64_t maxTicks = 2000000) {
    up_->RunProgram();
    return up_->RunToStop(1000, maxTicks);
  }
  // A jump to itself at 0x30.
  void loopProgram() { at(0x30, {e("RJ", (0 - 0x31) & 0x7FF)}); }

  uint8_t regAt(int address) const { return up_->ReadRegister(address); }
  void setReg(int address, uint8_t value) { up_->WriteRegisterModel(address, value); }
  uint8_t status() const { return regAt(reg::STATUS); }
  uint8_t flags() const { return regAt(reg::STATUS) & 0x1F; }
  uint32_t cycles() const { return up_->State().Cycles(); }
  uint32_t pc() const { return up_->GetPC(); }

  FakeClock clock_;
  std::unique_ptr<TKy_UP> up_;
  FakePod pod_;
  int variant_ = kCoreK08A;
  int stopped_ = 0;  // OnRunStopped calls
  int traced_ = 0;   // OnTraceStep calls
};

}  // namespace kyvor::test
