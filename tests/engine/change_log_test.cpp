// The register write path: the change log of user writes, the read-back rules
// and the writes that go to the pod in emulator mode.
#include "engine/reg_record.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/cpu_fixture.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class ChangeLogTest : public test::CpuFixture {
 protected:
  void SetUp() override {
    CpuFixture::SetUp();
    up().Hooks.RegisterWritten = [this](int a) { refreshed_.push_back(a); };
  }
  std::vector<int> refreshed_;
};

TEST_F(ChangeLogTest, EmulatorWriteWithoutAPodLeavesZeroInTheModel) {
  Modes().SimulatorMode = 0;  // the default pod: every access fails
  setReg(0x80, 0x11);
  up_->WriteRegisterThrough(0x80, 0x55);
  EXPECT_EQ(regAt(0x80), 0x00);
}

TEST_F(ChangeLogTest, LogUpdatesTheEntryOfTheSameAddress) {
  useRomWords(4096);
  Options().ChContinue = 0;
  up_->LogRegisterChange(0x80, 0x12);
  up_->LogRegisterChange(0x80, 0x34);
  ASSERT_EQ(up_->RegRecord.Count(), 1);
  const TRegChange* c = up_->RegRecord.Item(1);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Address, 0x80);
  EXPECT_EQ(c->NewValue, 0x34);
  EXPECT_EQ(c->OldValue, 0x12);
  EXPECT_EQ(regAt(0x80), 0x34);
  up_->LogRegisterChange(0x81, 0x01);
  up_->LogRegisterChange(0x80, 0x56);
  ASSERT_EQ(up_->RegRecord.Count(), 2);
  EXPECT_EQ(up_->RegRecord.Item(1)->NewValue, 0x56);
  EXPECT_EQ(up_->RegRecord.Item(1)->OldValue, 0x34);
  EXPECT_EQ(up_->RegRecord.Item(2)->Address, 0x81);
}

TEST_F(ChangeLogTest, ContinueAppendsEveryWrite) {
  useRomWords(4096);
  Options().ChContinue = 1;
  up_->LogRegisterChange(0x80, 0x12);
  up_->LogRegisterChange(0x80, 0x34);
  ASSERT_EQ(up_->RegRecord.Count(), 2);
  EXPECT_EQ(up_->RegRecord.Item(1)->NewValue, 0x12);
  EXPECT_EQ(up_->RegRecord.Item(1)->OldValue, 0x00);
  EXPECT_EQ(up_->RegRecord.Item(2)->NewValue, 0x34);
  EXPECT_EQ(up_->RegRecord.Item(2)->OldValue, 0x12);
}

TEST_F(ChangeLogTest, LogEntryCarriesTheSymbolName) {
  useRomWords(4096);
  up_->AddSymbol("PORTA", 0x90, 0, 'C');
  up_->LogRegisterChange(0x90, 0x01);
  up_->LogRegisterChange(0x91, 0x02);
  EXPECT_EQ(up_->RegRecord.Item(1)->Name, "PORTA");
  EXPECT_EQ(up_->RegRecord.Item(2)->Name, "");
}

TEST_F(ChangeLogTest, LogHoldsAtMost1024Entries) {
  useRomWords(4096);
  Options().ChContinue = 1;
  for (int i = 0; i < 1024; ++i) up_->LogRegisterChange(0x100, uint8_t(i));
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
  up_->LogRegisterChange(0x101, 0x77);  // the 1,025th
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
  EXPECT_EQ(up_->RegRecord.Item(1024)->NewValue, 0xFF);
  EXPECT_EQ(regAt(0x101), 0x77);  // the write itself still happens
  EXPECT_EQ(up_->RegRecord.Item(0), nullptr);
  EXPECT_EQ(up_->RegRecord.Item(1025), nullptr);
}

TEST_F(ChangeLogTest, FullLogStillUpdatesAnExistingAddress) {
  useRomWords(4096);
  Options().ChContinue = 0;
  for (int i = 0; i < 1024; ++i) up_->LogRegisterChange(i, 1);
  ASSERT_EQ(up_->RegRecord.Count(), 1024);
  up_->LogRegisterChange(5, 9);
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
  EXPECT_EQ(up_->RegRecord.Item(6)->NewValue, 9);
  EXPECT_EQ(up_->RegRecord.Item(6)->OldValue, 1);
  up_->LogRegisterChange(2000, 3);
  EXPECT_EQ(up_->RegRecord.Count(), 1024);
}

TEST_F(ChangeLogTest, RegRecordItemsAndClear) {
  useRomWords(4096);
  TRegRecord r;
  EXPECT_EQ(r.Item(0), nullptr);
  EXPECT_EQ(r.Item(1), nullptr);
  EXPECT_EQ(r.Add("A", 1, 2, 3), 0);
  EXPECT_EQ(r.Count(), 1);
  EXPECT_NE(r.Item(1), nullptr);
  EXPECT_EQ(r.Item(2), nullptr);
  EXPECT_EQ(r.Item(-1), nullptr);
  for (int i = 1; i < 1024; ++i) r.Add("", i, 0, 0);
  EXPECT_EQ(r.Count(), 1024);
  r.Add("X", 5000, 0, 0);
  EXPECT_EQ(r.Count(), 1024);
  r.Clear();
  EXPECT_EQ(r.Count(), 0);
  EXPECT_EQ(r.Item(1), nullptr);
}

struct QuirkCase {
  int flag;
  int address;
  uint8_t written;
  uint8_t kept;
};

TEST_F(ChangeLogTest, ReadBackRulesInTheModel) {
  useRomWords(4096);
  const QuirkCase cases[] = {
      {0, 61, 0xFF, 0xEF}, {1, 61, 0xFF, 0xDF}, {2, 48, 0x00, 0x60}, {3, 60, 0x08, 0x18},
      {3, 60, 0x10, 0x18}, {3, 60, 0x00, 0x00}, {4, 60, 0xFF, 0xBF}, {5, 60, 0xFF, 0xDF},
  };
  for (const QuirkCase& c : cases) {
    SCOPED_TRACE("flag " + std::to_string(c.flag) + " address " + std::to_string(c.address) +
                 " value " + std::to_string(c.written));
    Chip().RegisterQuirkFlags.fill(0);
    Chip().RegisterQuirkFlags[size_t(c.flag)] = 1;
    up_->WriteRegisterThrough(c.address, c.written);
    EXPECT_EQ(regAt(c.address), c.kept);
  }
  // Without the flag nothing changes; a rule touches only its own address.
  Chip().RegisterQuirkFlags.fill(0);
  up_->WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(regAt(61), 0xFF);
  Chip().RegisterQuirkFlags[0] = 1;
  up_->WriteRegisterThrough(60, 0xFF);
  EXPECT_EQ(regAt(60), 0xFF);
}

TEST_F(ChangeLogTest, WriteThroughRefreshesTheWindows) {
  useRomWords(4096);
  int refreshed = -1, times = 0;
  up_->Hooks.RegisterWritten = [&](int a) {
    refreshed = a;
    ++times;
  };
  up_->WriteRegisterThrough(0x123, 0x45);
  EXPECT_EQ(refreshed, 0x123);
  EXPECT_EQ(times, 1);
  EXPECT_EQ(up_->RegRecord.Count(), 0);  // not logged
  up_->LogRegisterChange(0x124, 0x46);
  EXPECT_EQ(refreshed, 0x124);
  EXPECT_EQ(up_->RegRecord.Count(), 1);
}

TEST_F(ChangeLogTest, SimulatorWritesDoNotTouchThePod) {
  useRomWords(4096);
  up_->SetPod(&pod_);
  up_->LogRegisterChange(0x80, 0x12);
  up_->WriteRegisterThrough(0x81, 0x13);
  EXPECT_EQ(regAt(0x80), 0x12);
  EXPECT_EQ(regAt(0x81), 0x13);
  EXPECT_EQ(pod_.count("PodWriteRegister "), 0);
  EXPECT_EQ(pod_.count("PodReadControl") + pod_.count("PodReadCycles"), 0);
}

TEST_F(ChangeLogTest, EmulatorWriteKeepsTheTableDataRegisters) {
  useRomWords(4096);
  UseEmulator();
  pod_.memory[31] = 0xA1;
  pod_.memory[32] = 0xB2;
  pod_.writeMask[0x80] = 0x0F;  // the pod keeps only the low nibble
  up_->WriteRegisterThrough(0x80, 0x5C);
  EXPECT_EQ(regAt(0x80), 0x0C);  // the model takes the byte read back
  const int r31 = pod_.indexOf("PodReadRegister 1F"), r32 = pod_.indexOf("PodReadRegister 20");
  const int w = pod_.indexOf("PodWriteRegister 80=5C");
  const int w31 = pod_.indexOf("PodWriteRegister 1F=A1"), w32 = pod_.indexOf("PodWriteRegister 20=B2");
  ASSERT_GE(r31, 0);
  ASSERT_GE(r32, 0);
  ASSERT_GE(w, 0);
  ASSERT_GE(w31, 0);
  ASSERT_GE(w32, 0);
  EXPECT_LT(r31, w);
  EXPECT_LT(r32, w);
  EXPECT_GT(w31, w);
  EXPECT_GT(w32, w);
}

TEST_F(ChangeLogTest, EmulatorWriteOfTableDataIsNotSaved) {
  useRomWords(4096);
  UseEmulator();
  pod_.memory[32] = 0xB2;
  up_->WriteRegisterThrough(31, 0x77);
  EXPECT_EQ(pod_.count("PodReadRegister 20"), 0);
  EXPECT_EQ(pod_.count("PodWriteRegister 20="), 0);
  EXPECT_EQ(pod_.count("PodWriteRegister 1F=77"), 1);
  EXPECT_EQ(pod_.memory[31], 0x77);
  EXPECT_EQ(regAt(31), 0x77);
}

TEST_F(ChangeLogTest, EmulatorReadBackRuleIsWrittenAgain) {
  useRomWords(4096);
  UseEmulator();
  Chip().RegisterQuirkFlags[0] = 1;
  up_->WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(regAt(61), 0xEF);
  EXPECT_EQ(pod_.count("PodWriteRegister 3D=FF"), 1);
  EXPECT_EQ(pod_.count("PodWriteRegister 3D=EF"), 1);
  EXPECT_LT(pod_.indexOf("PodWriteRegister 3D=FF"), pod_.indexOf("PodWriteRegister 3D=EF"));
}

TEST_F(ChangeLogTest, EmulatorLogKeepsTheControlRegister) {
  useRomWords(4096);
  UseEmulator();
  pod_.control = 0x5A;
  up_->LogRegisterChange(0x90, 0x01);
  const int rc = pod_.indexOf("PodReadControl"), w = pod_.indexOf("PodWriteRegister 90=1"), wc = pod_.indexOf("PodWriteControl 5A");
  ASSERT_GE(rc, 0);
  ASSERT_GE(w, 0);
  ASSERT_GE(wc, 0);
  EXPECT_LT(rc, w);
  EXPECT_GT(wc, w);
  EXPECT_EQ(up_->RegRecord.Count(), 1);
}

TEST(RegRecord, AddItemClearAndLimit) {
  TRegRecord log;
  EXPECT_EQ(log.Item(0), nullptr);
  EXPECT_EQ(log.Item(1), nullptr);
  EXPECT_EQ(log.Add("COUNT", 0x80, 1, 0), 0);
  EXPECT_EQ(log.Count(), 1);
  EXPECT_EQ(log.Item(1)->Name, "COUNT");
  EXPECT_EQ(log.Item(2), nullptr);
  for (int i = 1; i < 1024; ++i) EXPECT_EQ(log.Add("", i, uint8_t(i), 0), 0);
  EXPECT_EQ(log.Count(), 1024);
  EXPECT_EQ(log.Add("", 7, 7, 7), 1);  // the 1,025th is not stored
  EXPECT_EQ(log.Count(), 1024);
  EXPECT_EQ(log.Item(1024)->Address, 1023);
  EXPECT_EQ(log.Item(1025), nullptr);
  log.Clear();
  EXPECT_EQ(log.Count(), 0);
  EXPECT_EQ(log.Add(std::string(40, 'N'), 1, 1, 1), 0);
  EXPECT_EQ(log.Item(1)->Name.size(), 32u);
}

TEST_F(ChangeLogTest, WithoutContinueTheEntryOfAnAddressIsUpdated) {
  useRomWords(4096);
  up().AddSymbol("COUNT", 0x80, 0, 'D');
  up().LogRegisterChange(0x80, 0x12);
  up().LogRegisterChange(0x80, 0x34);
  ASSERT_EQ(up().RegRecord.Count(), 1);
  const TRegChange* c = up().RegRecord.Item(1);
  EXPECT_EQ(c->Name, "COUNT");
  EXPECT_EQ(c->Address, 0x80);
  EXPECT_EQ(c->NewValue, 0x34);
  EXPECT_EQ(c->OldValue, 0x12);
  EXPECT_EQ(up().ReadRegister(0x80), 0x34);
  up().LogRegisterChange(0x81, 0x01);
  EXPECT_EQ(up().RegRecord.Count(), 2);
  EXPECT_EQ(up().RegRecord.Item(2)->Name, "");
  EXPECT_EQ(refreshed_, (std::vector<int>{0x80, 0x80, 0x81}));
}

TEST_F(ChangeLogTest, WithContinueEveryWriteAppends) {
  useRomWords(4096);
  Options().ChContinue = 1;
  up().LogRegisterChange(0x80, 0x12);
  up().LogRegisterChange(0x80, 0x34);
  ASSERT_EQ(up().RegRecord.Count(), 2);
  EXPECT_EQ(up().RegRecord.Item(1)->NewValue, 0x12);
  EXPECT_EQ(up().RegRecord.Item(1)->OldValue, 0x00);
  EXPECT_EQ(up().RegRecord.Item(2)->NewValue, 0x34);
  EXPECT_EQ(up().RegRecord.Item(2)->OldValue, 0x12);
}

TEST_F(ChangeLogTest, FullLogStillWritesTheRegister) {
  useRomWords(4096);
  Options().ChContinue = 1;
  for (int i = 0; i < 1025; ++i) up().LogRegisterChange(0x100 + (i % 50), uint8_t(i));
  EXPECT_EQ(up().RegRecord.Count(), 1024);
  EXPECT_EQ(up().ReadRegister(0x100 + (1024 % 50)), uint8_t(1024));
  // Out-of-range addresses are neither logged nor written.
  Options().ChContinue = 0;
  up().RegRecord.Clear();
  up().LogRegisterChange(4096, 1);
  up().LogRegisterChange(-1, 1);
  EXPECT_EQ(up().RegRecord.Count(), 0);
}

TEST_F(ChangeLogTest, ReadBackRulesInTheSimulator) {
  useRomWords(4096);
  Chip().RegisterQuirkFlags = {1, 1, 1, 1, 1, 1};
  up().WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(up().ReadRegister(61), 0xCF);  // bits 4 and 5 cleared
  up().WriteRegisterThrough(60, 0x08);
  EXPECT_EQ(up().ReadRegister(60), 0x18);  // bit 3 brings bit 4
  up().WriteRegisterThrough(60, 0x60);
  EXPECT_EQ(up().ReadRegister(60), 0x00);
  up().WriteRegisterThrough(48, 0x00);
  EXPECT_EQ(up().ReadRegister(48), 0x60);
  Chip().RegisterQuirkFlags = {};
  up().WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(up().ReadRegister(61), 0xFF);
}

TEST_F(ChangeLogTest, WriteGoesToThePodAndTakesItsReadBack) {
  useRomWords(4096);
  UseEmulator();
  pod_.writeMask[0x90] = 0x0F;  // the pod's register keeps only the low nibble
  pod_.memory[31] = 0xAA;
  pod_.memory[32] = 0xBB;
  up().WriteRegisterThrough(0x90, 0xFF);
  EXPECT_EQ(up().ReadRegister(0x90), 0x0F);
  // The table-data registers were kept and written back.
  EXPECT_EQ(pod_.count("PodWriteRegister 1F=AA"), 1);
  EXPECT_EQ(pod_.count("PodWriteRegister 20=BB"), 1);
}

TEST_F(ChangeLogTest, TableDataRegistersAreNotSavedAroundThemselves) {
  useRomWords(4096);
  UseEmulator();
  up().WriteRegisterThrough(31, 0x12);
  EXPECT_EQ(pod_.count("PodReadRegister 20"), 0);
  EXPECT_EQ(pod_.count("PodWriteRegister"), 1);
  EXPECT_EQ(pod_.memory[31], 0x12);
}

TEST_F(ChangeLogTest, ReadBackRuleWritesThePodAgain) {
  useRomWords(4096);
  UseEmulator();
  Chip().RegisterQuirkFlags[0] = 1;
  up().WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(up().ReadRegister(61), 0xEF);
  EXPECT_EQ(pod_.count("PodWriteRegister 3D=FF"), 1);
  EXPECT_EQ(pod_.count("PodWriteRegister 3D=EF"), 1);
  EXPECT_EQ(pod_.memory[61], 0xEF);
}

TEST_F(ChangeLogTest, LoggedWriteKeepsThePodControlRegister) {
  useRomWords(4096);
  UseEmulator();
  pod_.control = 0x5A;
  up().LogRegisterChange(0x80, 0x01);
  EXPECT_EQ(pod_.calls.front(), "PodReadControl");
  EXPECT_EQ(pod_.calls.back(), "PodWriteControl 5A");
  EXPECT_EQ(up().RegRecord.Count(), 1);
}

}  // namespace
}  // namespace kyvor
