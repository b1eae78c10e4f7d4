// The simulated timer: prescaler, counter, edge of the selected bit and reset.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/cpu_core.h"
#include "engine/ky_up.h"
#include "support/cpu_fixture.h"
#include "support/fake_clock.h"
#include "support/fake_pod.h"
#include "support/instruction_patterns.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

class TimerTest : public test::CpuFixture {};

TEST_F(TimerTest, CpuResetClearsTheSimulatedTimer) {
  setReg(65, 0x80);
  up_->State().TimerPrescaleCount = 200;
  up_->State().TimerEdgeFlag = 1;
  up_->CpuReset();
  EXPECT_EQ(up_->State().TimerPrescaleCount, 0);
  EXPECT_EQ(up_->State().TimerEdgeFlag, 0);
  EXPECT_EQ(regAt(65), 0);
}

TEST_F(TimerTest, SimulatedTimerCountsEvery256Instructions) {
  useRomWords(16384);
  setReg(65, 0x80);  // on, n = 0
  up_->SetProgramCounter(0);
  for (int i = 0; i < 255; ++i) up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(3897), 0);
  EXPECT_EQ(regAt(38), 0);
  up_->Core().ExecuteOne();  // the 256th
  EXPECT_EQ(regAt(3897), 1);
  EXPECT_EQ(regAt(38), 0x08);
  setReg(38, 0);
  for (int i = 0; i < 256; ++i) up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(3897), 2);
  EXPECT_EQ(regAt(38), 0);
  for (int i = 0; i < 256; ++i) up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(3897), 3);
  EXPECT_EQ(regAt(38), 0x08);
}

TEST_F(TimerTest, SimulatedTimerWatchesTheSelectedBit) {
  useRomWords(16384);
  setReg(65, 0x80 | 0x10);  // n = 1
  setReg(3897, 0x01);
  up_->State().TimerPrescaleCount = 255;
  up_->SetProgramCounter(0);
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(3897), 2);
  EXPECT_EQ(regAt(38), 0x08);
  setReg(65, 0x00);  // off
  setReg(38, 0);
  setReg(3897, 0);
  up_->State().TimerPrescaleCount = 255;
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(3897), 0);
}

TEST_F(TimerTest, SimulatedTimerCounterWrapsAt8Bits) {
  useRomWords(16384);
  setReg(65, 0x80);
  setReg(3897, 0xFF);
  up_->State().TimerPrescaleCount = 255;
  up_->SetProgramCounter(0);
  up_->Core().ExecuteOne();
  EXPECT_EQ(regAt(3897), 0x00);
}

TEST_F(TimerTest, TimerCountsBothWordsOfATwoWordInstruction) {
  setReg(65, 0x80);
  up_->State().TimerPrescaleCount = 254;
  at(0x10, {e("JMP", 0), e("NOPF", 0x100)});
  up_->SetProgramCounter(0x10);
  up_->Core().ExecuteOne();
  EXPECT_EQ(up_->GetPC(), 0x100u);
  EXPECT_EQ(regAt(3897), 1);  // 254 + 2 words passes 255
  EXPECT_EQ(up_->State().TimerPrescaleCount, 0);
}

TEST_F(TimerTest, SimulatedTimerRaisesItsFlagOnTheEdge) {
  setReg(reg::TMRCTL, 0x80);  // enabled, bit 0 of the counter
  for (int i = 0; i < 255; ++i) exec(0);
  EXPECT_EQ(regAt(reg::TMRCNT), 0);
  exec(0);  // the 256th instruction ticks the counter
  EXPECT_EQ(regAt(reg::TMRCNT), 1);
  EXPECT_EQ(regAt(reg::INTF0) & 0x08, 0x08);
  setReg(reg::INTF0, 0);
  for (int i = 0; i < 256; ++i) exec(0);
  EXPECT_EQ(regAt(reg::TMRCNT), 2);
  EXPECT_EQ(regAt(reg::INTF0) & 0x08, 0);  // bit 0 is 0: edge memory cleared
  for (int i = 0; i < 256; ++i) exec(0);
  EXPECT_EQ(regAt(reg::INTF0) & 0x08, 0x08);
  setReg(reg::TMRCTL, 0x00);
  for (int i = 0; i < 600; ++i) exec(0);
  EXPECT_EQ(regAt(reg::TMRCNT), 3);
}

}  // namespace
}  // namespace kyvor
