// The built-in EEPROM emulation of the emulator: the access step, read and
// write requests, and the sites that stop and continue a run.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/cpu_fixture.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class EepromEmulationTest : public test::CpuFixture {
 protected:
  void SetUp() override {
    CpuFixture::SetUp();
    UseEmulator();
    Chip().SelfEromMode = 1;
    Chip().SelfEromRegister = 0x50;
    Chip().SelfEromStatusAddress = 0x51;
    Chip().SelfEromWords = {0x52, 0x53, 0x54, 0x55};
    Chip().DeviceKind3 = 0;
    up_->Settings.PodChipId = 0x8024;
    // The access: MVF 50h, 1, 0 (W into the EEPROM register) at 0x20.
    access_ = e("MVF", 0x50, 1, 0);
    at(0x20, {access_, 0x1111, 0x2222, 0x3333, 0x4444});
    for (uint32_t i = 0; i < 5; ++i) pod_.program[0x20 + i] = up_->ReadProgramWord(0x20 + i);
    pod_.pc = 0x20;
    up_->SetProgramCounter(0x20);
    // Registers in pod and model alike.
    setBoth(42, 0x03);
    setBoth(35, 0x85);
    setBoth(41, 0x99);
    setBoth(0x53, 0x07);  // EEPROM pointer
    setBoth(0x54, 0x12);
    setBoth(0x55, 0x34);
    setBoth(30, 0x10);
  }
  void setBoth(int a, uint8_t v) {
    setReg(a, v);
    pod_.memory[uint32_t(a)] = v;
  }
  uint16_t access_ = 0;
};

class EepromStepTest : public test::CpuFixture {
 protected:
  void SetUp() override {
    CpuFixture::SetUp();
    UseEmulator();
    Chip().SelfEromMode = 1;
    Chip().SelfEromRegister = 0x70;
    Chip().SelfEromStatusAddress = 0x71;
    Chip().SelfEromWords = {0x72, 0x73, 0x74, 0x75};
    up().Settings.PodChipId = 0x8024;
    at(0x10, {enc("BSF", 0x70, 0, 0), enc("MVL", 1), enc("MVL", 2), enc("MVL", 3),
                      enc("MVL", 4)});
    up().SetProgramCounter(0x10);
    pod_.pc = 0x10;
  }
  void setBoth(int a, uint8_t v) {
    up().WriteRegisterModel(a, v);
    pod_.memory[uint32_t(a)] = v;
  }
};

TEST_F(EepromEmulationTest, ReadRequestLoadsTheTableDataAndAdvances) {
  pod_.memory[0x51] = 0x01;  // read request
  up_->TraceStep();
  // The access ran once with bit 8 set, then the word was put back.
  const int planted = pod_.indexOf("PodWriteProgramWord 20=" + test::FakePod::hex(access_ | 0x100));
  const int step1 = pod_.indexOf("PodStep 1");
  ASSERT_GE(planted, 0);
  ASSERT_GE(step1, 0);
  EXPECT_LT(planted, step1);
  // The five loader words at PC: MVL 17h, MVF 1Fh W, MVL 07h, MVF 20h W, RJ -5.
  const int l1 = pod_.indexOf("PodWriteProgramWord 20=" + test::FakePod::hex(e("MVL", 0x17)));
  const int l2 = pod_.indexOf("PodWriteProgramWord 21=" + test::FakePod::hex(e("MVF", 31, 1, 0)));
  const int l3 = pod_.indexOf("PodWriteProgramWord 22=" + test::FakePod::hex(e("MVL", 0x07)));
  const int l4 = pod_.indexOf("PodWriteProgramWord 23=" + test::FakePod::hex(e("MVF", 32, 1, 0)));
  const int l5 = pod_.indexOf("PodWriteProgramWord 24=" + test::FakePod::hex(e("RJ", 0x7FB)));
  const int step5 = pod_.indexOf("PodStep 5");
  ASSERT_GE(l1, 0);
  ASSERT_GE(l2, 0);
  ASSERT_GE(l3, 0);
  ASSERT_GE(l4, 0);
  ASSERT_GE(l5, 0);
  ASSERT_GE(step5, 0);
  EXPECT_LT(l5, step5);
  // The saved words go back afterwards.
  bool restored = false;
  for (size_t i = size_t(step5); i < pod_.calls.size(); ++i)
    restored = restored || pod_.calls[i] == "PodWriteProgramWord 24=4444";
  EXPECT_TRUE(restored);
  EXPECT_EQ(pod_.program[0x20], access_);
  EXPECT_EQ(pod_.program[0x24], 0x4444);
  // W, the interrupt enable and the bank select are as before.
  EXPECT_EQ(pod_.memory[41], 0x99);
  EXPECT_EQ(pod_.memory[35], 0x85);
  EXPECT_EQ(pod_.memory[42], 0x03);
  // The request bit is cleared and the pointer advanced, in pod and model.
  EXPECT_EQ(pod_.memory[0x51], 0x00);
  EXPECT_EQ(pod_.memory[0x53], 0x08);
  EXPECT_EQ(regAt(0x51), 0x00);
  EXPECT_EQ(regAt(0x53), 0x08);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up_->StepReady, 1);
}

TEST_F(EepromEmulationTest, WriteRequestMergesIntoTheEepromWord) {
  pod_.memory[0x51] = 0x02;  // write request
  pod_.program[0x1707] = 0xFF0F;
  up_->TraceStep();
  EXPECT_EQ(pod_.program[0x1707], 0x1204);  // 0x1234 AND the old word (mode 1)
  EXPECT_EQ(pod_.memory[0x51], 0x00);
  EXPECT_EQ(pod_.memory[0x53], 0x08);
  EXPECT_EQ(regAt(0x53), 0x08);
  EXPECT_EQ(pod_.count("PodStep 5"), 0);
}

TEST_F(EepromEmulationTest, WriteRequestAtTheEndOfTheBlockWarns) {
  test::ScriptedDialogs dialogs;
  setBoth(0x53, 0x3F);
  pod_.memory[0x51] = 0x02;
  pod_.program[0x173F] = 0xFFFF;
  up_->TraceStep();
  EXPECT_EQ(pod_.program[0x173F], 0x1234);
  EXPECT_EQ(regAt(0x53), 0x00);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text,
            "Warning: BIE Pointer overflow, May cap the previous data!!");
}

TEST_F(EepromEmulationTest, WriteRequestIgnoredWhenTablePointerIsHigh) {
  setBoth(30, 0x40);
  pod_.memory[0x51] = 0x02;
  pod_.program[0x1707] = 0xFFFF;
  up_->TraceStep();
  EXPECT_EQ(pod_.program[0x1707], 0xFFFF);
  EXPECT_EQ(pod_.memory[0x51], 0x00);  // the request bit is cleared all the same
  EXPECT_EQ(regAt(0x53), 0x07);
}

TEST_F(EepromEmulationTest, OtherInstructionsStepNormallyWithTheEepromChip) {
  at(0x20, {e("MVF", 0x51, 1, 0)});
  pod_.program[0x20] = e("MVF", 0x51, 1, 0);
  up_->TraceStep();
  EXPECT_EQ(pod_.count("PodWriteProgramWord "), 0);
  EXPECT_EQ(pod_.count("PodStep 1"), 1);
}

TEST_F(EepromEmulationTest, BankedAccessIsNotAnEepromAccess) {
  at(0x20, {e("MVF", 0x50, 1, 1)});
  pod_.program[0x20] = e("MVF", 0x50, 1, 1);
  up_->TraceStep();
  EXPECT_EQ(pod_.count("PodWriteProgramWord "), 0);
}

TEST_F(EepromEmulationTest, RestartPlantsAWordAtTheEndOfProgramMemory) {
  Chip().DeviceKind3 = 1;
  pod_.pc = 9000;  // beyond 8192
  pod_.program[8192] = 0xABCD;
  up_->TraceStep();
  const int plant = pod_.indexOf("PodWriteProgramWord 2000=783F");
  const int back = pod_.indexOf("PodWriteProgramWord 2000=ABCD");
  ASSERT_GE(plant, 0);
  ASSERT_GE(back, 0);
  EXPECT_LT(plant, back);
  EXPECT_GE(pod_.indexOf("PodWritePC 0"), 0);
}

TEST_F(EepromEmulationTest, HaltAtASiteStepsItAndRunsOn) {
  ASSERT_TRUE(up_->AddBreakpointRecord(0x20, 0, 1, 0, 0));
  up_->Settings.EepromBreakCount = 1;
  pod_.memory[0x51] = 0x00;  // no request
  pod_.halted = false;
  up_->RunProgram();
  pod_.halted = true;
  pod_.pc = 0x20;
  pod_.calls.clear();
  up_->TimerTimer();
  EXPECT_TRUE(up_->TimerEnabled());  // the run continues
  EXPECT_GE(pod_.count("PodStep 1"), 1);
  EXPECT_GE(pod_.indexOf("PodWriteRegister 23=5"), 0);  // interrupts masked for the step
  EXPECT_EQ(pod_.memory[35], 0x85);        // and restored
}

TEST_F(EepromEmulationTest, HaltAtZeroAsksForAReset) {
  int resets = 0;
  up_->Hooks.ResetRequested = [&] { ++resets; };
  pod_.halted = false;
  up_->RunProgram();
  pod_.halted = true;
  pod_.pc = 0;
  up_->TimerTimer();
  EXPECT_EQ(resets, 1);
}

TEST_F(EepromStepTest, ReadRequestPlantsTheLoaderAndAdvancesThePointer) {
  setBoth(0x71, 0x01);  // read request
  setBoth(0x73, 0x05);
  setBoth(reg::INTE0, 0x80);
  setBoth(reg::W, 0x99);
  up().TraceStep();
  EXPECT_EQ(pod_.steps, (std::vector<int>{1, 5}));
  const auto& p = pod_.program;
  // The original words are back in place.
  EXPECT_EQ(p.at(0x10), enc("BSF", 0x70, 0, 0));
  EXPECT_EQ(p.at(0x14), enc("MVL", 4));
  EXPECT_EQ(pod_.count("PodWriteProgramWord 10=" + [] {
              char b[8];
              std::snprintf(b, sizeof b, "%X", 0x9170 | 0x0100);
              return std::string(b);
            }()),
            1);
  EXPECT_EQ(pod_.count("PodWriteProgramWord 10=617"), 1);  // MVL 17h
  EXPECT_EQ(pod_.count("PodWriteProgramWord 14=7FFB"), 1);  // RJ -5
  EXPECT_EQ(pod_.memory[0x73], 0x06);
  EXPECT_EQ(pod_.memory[0x71], 0x00);
  EXPECT_EQ(pod_.memory[reg::W], 0x99);
  EXPECT_EQ(pod_.memory[reg::INTE0], 0x80);
  EXPECT_EQ(stopped_, 1);
  EXPECT_EQ(up().StepReady, 1);
}

TEST_F(EepromStepTest, WriteRequestMergesIntoTheEmulatedEeprom) {
  setBoth(0x71, 0x02);  // write request
  setBoth(0x73, 0x3F);
  setBoth(0x74, 0x12);
  setBoth(0x75, 0x34);
  pod_.program[0x173F] = 0xFF0F;
  test::ScriptedDialogs dialogs;
  SetDialogs(&dialogs);
  up().TraceStep();
  EXPECT_EQ(pod_.program.at(0x173F), 0x1204);  // ANDed with the old word in mode 1
  EXPECT_EQ(pod_.memory[0x73], 0x00);           // pointer wraps within 64
  ASSERT_EQ(dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(dialogs.messageTexts()[0], "Warning: BIE Pointer overflow, May cap the previous data!!");
  EXPECT_EQ(pod_.memory[0x71], 0x00);
  SetDialogs(nullptr);
}

TEST_F(EepromStepTest, OtherInstructionsStepNormally) {
  up().SetProgramCounter(0x11);
  pod_.pc = 0x11;
  up().TraceStep();
  EXPECT_EQ(pod_.steps, (std::vector<int>{1}));
  EXPECT_EQ(pod_.count("PodWriteProgramWord"), 0);
}

}  // namespace
}  // namespace kyvor
