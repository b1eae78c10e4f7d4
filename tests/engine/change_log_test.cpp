#include "engine/reg_record.h"

#include <gtest/gtest.h>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/fake_pod.h"

namespace kyvor {
namespace {

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

class ChangeLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    up_ = std::make_unique<TKy_UP>();
    up_->Hooks.RegisterWritten = [this](int a) { refreshed_.push_back(a); };
  }
  void TearDown() override {
    up_.reset();
    ResetModes();
    ResetChipConfig();
  }
  TKy_UP& up() { return *up_; }
  std::unique_ptr<TKy_UP> up_;
  std::vector<int> refreshed_;
};

TEST_F(ChangeLogTest, WithoutContinueTheEntryOfAnAddressIsUpdated) {
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
  up().Settings.ContinueLog = true;
  up().LogRegisterChange(0x80, 0x12);
  up().LogRegisterChange(0x80, 0x34);
  ASSERT_EQ(up().RegRecord.Count(), 2);
  EXPECT_EQ(up().RegRecord.Item(1)->NewValue, 0x12);
  EXPECT_EQ(up().RegRecord.Item(1)->OldValue, 0x00);
  EXPECT_EQ(up().RegRecord.Item(2)->NewValue, 0x34);
  EXPECT_EQ(up().RegRecord.Item(2)->OldValue, 0x12);
}

TEST_F(ChangeLogTest, FullLogStillWritesTheRegister) {
  up().Settings.ContinueLog = true;
  for (int i = 0; i < 1025; ++i) up().LogRegisterChange(0x100 + (i % 50), uint8_t(i));
  EXPECT_EQ(up().RegRecord.Count(), 1024);
  EXPECT_EQ(up().ReadRegister(0x100 + (1024 % 50)), uint8_t(1024));
  // Out-of-range addresses are neither logged nor written.
  up().Settings.ContinueLog = false;
  up().RegRecord.Clear();
  up().LogRegisterChange(4096, 1);
  up().LogRegisterChange(-1, 1);
  EXPECT_EQ(up().RegRecord.Count(), 0);
}

TEST_F(ChangeLogTest, ReadBackRulesInTheSimulator) {
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

class EmulatorWriteTest : public ChangeLogTest {
 protected:
  void SetUp() override {
    ChangeLogTest::SetUp();
    Modes().SimulatorMode = 0;
    up().SetPod(&pod_);
  }
  test::FakePod pod_;
};

TEST_F(EmulatorWriteTest, WriteGoesToThePodAndTakesItsReadBack) {
  pod_.writeMask[0x90] = 0x0F;  // the pod's register keeps only the low nibble
  pod_.memory[31] = 0xAA;
  pod_.memory[32] = 0xBB;
  up().WriteRegisterThrough(0x90, 0xFF);
  EXPECT_EQ(up().ReadRegister(0x90), 0x0F);
  // The table-data registers were kept and written back.
  EXPECT_EQ(pod_.count("PodWriteRegister 1F=AA"), 1);
  EXPECT_EQ(pod_.count("PodWriteRegister 20=BB"), 1);
}

TEST_F(EmulatorWriteTest, TableDataRegistersAreNotSavedAroundThemselves) {
  up().WriteRegisterThrough(31, 0x12);
  EXPECT_EQ(pod_.count("PodReadRegister 20"), 0);
  EXPECT_EQ(pod_.count("PodWriteRegister"), 1);
  EXPECT_EQ(pod_.memory[31], 0x12);
}

TEST_F(EmulatorWriteTest, ReadBackRuleWritesThePodAgain) {
  Chip().RegisterQuirkFlags[0] = 1;
  up().WriteRegisterThrough(61, 0xFF);
  EXPECT_EQ(up().ReadRegister(61), 0xEF);
  EXPECT_EQ(pod_.count("PodWriteRegister 3D=FF"), 1);
  EXPECT_EQ(pod_.count("PodWriteRegister 3D=EF"), 1);
  EXPECT_EQ(pod_.memory[61], 0xEF);
}

TEST_F(EmulatorWriteTest, LoggedWriteKeepsThePodControlRegister) {
  pod_.control = 0x5A;
  up().LogRegisterChange(0x80, 0x01);
  EXPECT_EQ(pod_.calls.front(), "PodReadControl");
  EXPECT_EQ(pod_.calls.back(), "PodWriteControl 5A");
  EXPECT_EQ(up().RegRecord.Count(), 1);
}

}  // namespace
}  // namespace kyvor
