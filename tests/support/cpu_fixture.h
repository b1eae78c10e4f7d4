#pragma once
// The CPU model on a fresh chip configuration (8,192 program words, a stack
// of 8), in simulator mode, with the callbacks counted. `UseEmulator` puts it
// in emulator mode on the fake pod. Words are built from the model's own
// instruction table; tests that must not trust the table build them from
// their own hand-written patterns instead.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/fake_pod.h"

namespace kyvor::test {

class CpuFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    Chip().ChipRomWords = 8192;
    Chip().StackDepth = 8;
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
    up_->OnRunStopped = [this](TKy_UP&) { ++stopped_; };
    up_->OnTraceStep = [this](TKy_UP&) { ++traced_; };
  }
  void TearDown() override {
    up_.reset();
    ResetModes();
    ResetChipConfig();
  }

  // Emulator mode on the fake pod.
  void UseEmulator() {
    Modes().SimulatorMode = 0;
    up_->SetPod(&pod_);
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
  // Words into program memory from `address` (source line = address + 1).
  void load(uint32_t address, std::initializer_list<uint16_t> words) {
    uint32_t a = address;
    for (uint16_t w : words) {
      ASSERT_TRUE(up_->StoreProgramWord(uint16_t(a), w, uint16_t(a + 1), 0));
      ++a;
    }
  }
  // One instruction placed at `address` and executed by the core.
  bool exec(uint32_t address, uint16_t word) {
    up_->StoreProgramWord(uint16_t(address), word, 1, 0);
    up_->State().SetProgramCounter(address);
    return up_->Core().ExecuteOne();
  }

  uint8_t reg(int address) const { return up_->ReadRegister(address); }
  void setReg(int address, uint8_t value) { up_->WriteRegisterModel(address, value); }
  uint32_t cycles() const { return up_->State().Cycles(); }
  uint32_t pc() const { return up_->GetPC(); }

  std::unique_ptr<TKy_UP> up_;
  FakePod pod_;
  int stopped_ = 0;  // OnRunStopped calls
  int traced_ = 0;   // OnTraceStep calls
};

}  // namespace kyvor::test
