// Run control over the protocol: the control values of reset, run, halt and
// step (with the stop-on-overflow bit), the step counter, the step by a
// temporary breakpoint, and the virtual pod running, halting and stepping.
#include <algorithm>

#include "engine/instruction_table.h"
#include "engine/ky_up.h"
#include "link/link_fixture.h"

namespace kyvor::test {
namespace {

class RunControlTest : public FramingTest {
 protected:
  void SetUp() override {
    FramingTest::SetUp();
    open();
    table_.LoadFull();
  }
  uint16_t enc(const char* m, int a = 0, int b = 0, int c = 0) { return table_.Encode(m, a, b, c); }
  TInstructionTable table_;
};

TEST_P(RunControlTest, RunHaltAndResetWriteTheirControlValues) {
  ASSERT_TRUE(link().PodLeaveReset());
  ASSERT_TRUE(link().PodRunFree());
  ASSERT_TRUE(link().PodHalt());
  ASSERT_TRUE(link().PodRunWithBreakpoints());
  ASSERT_TRUE(link().PodStopTarget());
  ASSERT_TRUE(link().PodEnterReset());
  EXPECT_EQ(sent(), (std::vector<std::string>{
                        "A7", "A6 02 00",              // leave reset: 00 OR 02
                        "A7", "A6 12 00", "A6 16 00",  // run free
                        "A7", "A6 1A 00",              // halt: (16 AND FB) OR 1A
                        "A7", "A6 1A 00", "A6 56 00",  // run with breakpoints
                        "A7", "A6 5A 00",              // halt: (56 AND FB) OR 1A
                        "A7", "A6 58 00",              // enter reset: 5A AND FD
                    }));
}

TEST_P(RunControlTest, StopOnStackOverflowSetsBit7InEveryRunStepAndHalt) {
  Options().STPOVSTAK = 1;
  ASSERT_TRUE(link().PodLeaveReset());
  ASSERT_TRUE(link().PodRunFree());
  ASSERT_TRUE(link().PodHalt());
  ASSERT_TRUE(link().PodRunWithBreakpoints());
  ASSERT_TRUE(link().PodHalt());
  ASSERT_TRUE(link().PodStep(1));
  const std::vector<std::string> p = sent();
  EXPECT_EQ(p[4], "A6 96 00");
  EXPECT_EQ(p[6], "A6 9A 00");
  EXPECT_EQ(p[9], "A6 D6 00");
  EXPECT_EQ(p[11], "A6 DA 00");
  EXPECT_EQ(p.back(), "A6 F6 00");
  // Cleared again when the option is off.
  Options().STPOVSTAK = 0;
  ASSERT_TRUE(link().PodHalt());
  EXPECT_EQ(sent().back(), "A6 7A 00");
}

// The bit follows the stop code of the chip watch page ("STOP When OV Stack"),
// not the build option that the start-up words carry.
TEST_P(RunControlTest, TheBuildOptionStackOverflowStopLeavesBit7Clear) {
  Options().STKOVSTOP = 1;
  ASSERT_TRUE(link().PodLeaveReset());
  ASSERT_TRUE(link().PodRunFree());
  ASSERT_TRUE(link().PodHalt());
  EXPECT_EQ(sent()[4], "A6 16 00");
  EXPECT_EQ(sent().back(), "A6 1A 00");
}

TEST_P(RunControlTest, StepWritesTheStepCounterPlusCountThenTheStepValue) {
  ASSERT_TRUE(link().PodLeaveReset());
  pod().Target().SetCycleCounter(0, 0x00FF);
  pod().ClearLog();
  ASSERT_TRUE(link().PodStep(1));
  EXPECT_EQ(sent(), (std::vector<std::string>{
                        "A7", "A6 0A 00", "A4 40 20 C9 00 00 01",     // the step counter 0x1064
                        "A7", "A6 0A 00", "A4 40 20 C0 00 00 01 00",  // FF + 1 wraps to 00
                        "A7", "A6 1A 00", "A6 76 00"}));
  EXPECT_EQ(pod().Target().Cycles(), 0x0100u);  // one NOP
  bool failed = true;
  EXPECT_TRUE(link().PodIsHalted(failed));
  EXPECT_FALSE(failed);
}

TEST_P(RunControlTest, AFreeRunRunsUntilStoppedAndABreakpointRunHaltsThere) {
  // 0: ADDL 1; 1: RJ -2 (a loop that never ends).
  pod().LoadProgram(0, {enc("ADDL", 1), enc("RJ", 0x7FE), enc("NOP"), enc("NOP")});
  ASSERT_TRUE(link().PodLeaveReset());
  ASSERT_TRUE(link().PodRunFree());
  bool failed = false;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(link().PodIsHalted(failed));
  EXPECT_GT(pod().InstructionsExecuted(), 4000u);
  ASSERT_TRUE(link().PodHalt());
  EXPECT_TRUE(link().PodIsHalted(failed));
  const uint32_t executed = pod().InstructionsExecuted();
  EXPECT_TRUE(link().PodIsHalted(failed));
  EXPECT_EQ(pod().InstructionsExecuted(), executed);  // a halted target stays put
  // The same loop with a breakpoint on the jump: the run halts before it.
  std::array<uint32_t, 16> list;
  list.fill(0xFFFFF);
  list[3] = 1;
  ASSERT_TRUE(link().PodWriteBreakpoints(list));
  ASSERT_TRUE(link().PodRunWithBreakpoints());
  EXPECT_TRUE(link().PodIsHalted(failed));
  bool ok = false;
  EXPECT_EQ(link().PodReadPC(ok), 1u);
}

TEST_P(RunControlTest, SleepHaltsTheRunAndTheSleepingChipGivesIdZero) {
  pod().LoadProgram(0, {enc("NOP"), enc("SLP"), enc("NOP")});
  Chip().SimIcList[0] = pod().ChipId;
  Chip().SimIcCount = 1;
  ASSERT_TRUE(link().PodLeaveReset());
  ASSERT_TRUE(link().PodRunFree());
  bool failed = false;
  EXPECT_TRUE(link().PodIsHalted(failed));
  bool ok = false;
  EXPECT_EQ(link().PodReadPC(ok), 2u);
  uint16_t id = 0xFFFF;
  EXPECT_EQ(link().PodReadChipId(id), 1);
  EXPECT_EQ(id, 0);
}

TEST_P(RunControlTest, ResetPutsTheTargetBackToItsStart) {
  pod().LoadProgram(0, {enc("MVL", 0x55), enc("MVF", 0x80, 1, 0), enc("NOP")});
  ASSERT_TRUE(link().PodLeaveReset());
  ASSERT_TRUE(link().PodStep(1));
  ASSERT_TRUE(link().PodStep(1));
  EXPECT_EQ(pod().DataByte(0x80), 0x55);
  ASSERT_TRUE(link().PodEnterReset());
  EXPECT_EQ(pod().DataByte(0x80), 0x00);
  EXPECT_EQ(pod().Target().GetPC(), 0u);
  EXPECT_EQ(pod().Target().Cycles(), 0u);
}

TEST_P(RunControlTest, ThirdKindChipsStepByATemporaryBreakpointAndPutTheListBack) {
  Chip().DeviceKind3 = 1;
  pod().LoadProgram(0x10, {enc("MVFF", 0x80, 0), enc("NOPF", 0x81), enc("NOP")});
  std::array<uint32_t, 16> list;
  list.fill(0xFFFFF);
  list[1] = 0x123;
  ASSERT_TRUE(link().PodWriteBreakpoints(list));
  ASSERT_TRUE(link().PodLeaveReset());
  ASSERT_TRUE(link().PodWritePC(0x10));
  link().PodSetStepByBreakpoint(true);
  pod().ClearLog();
  ASSERT_TRUE(link().PodStep(1));
  EXPECT_EQ(link().StepByBreakpoint, 0);
  bool ok = false;
  EXPECT_EQ(link().PodReadPC(ok), 0x12u);
  EXPECT_EQ(pod().Breakpoints(), list);  // the temporary breakpoint is gone
  const std::vector<std::string> p = sent();
  std::string temporary = "A4 40 20 00 00 00 30 00 00 12 00 01 23";
  for (int k = 2; k < 16; ++k) temporary += " 0F FF FF";
  EXPECT_EQ(p[5], temporary);
  EXPECT_EQ(p[7], "A6 1A 00");  // run with breakpoints: control OR 10 ...
  EXPECT_EQ(p[8], "A6 56 00");  // ... then 56
}

TEST_P(RunControlTest, AStepByBreakpointThatNeverHaltsGivesUpAfterHalfASecond) {
  Chip().DeviceKind3 = 1;
  // 0: RJ -1, a jump to itself: the breakpoint two words on is never reached.
  pod().LoadProgram(0, {enc("RJ", 0x7FF)});
  ASSERT_TRUE(link().PodLeaveReset());
  link().PodSetStepByBreakpoint(true);
  const auto start = clock_.now();
  EXPECT_FALSE(link().PodStep(1));
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(clock_.now() - start);
  EXPECT_GE(waited.count(), 500);
  EXPECT_LT(waited.count(), 600);
  EXPECT_TRUE(pod().Running());  // left running, the link kept
  EXPECT_EQ(link().PodLink.IsOpen, 1);
  EXPECT_EQ(link().StepByBreakpoint, 1);
}

// The CPU model chooses the step: on a third-kind chip MVFF goes by the
// temporary breakpoint, an ordinary word by the step counter.
TEST_P(RunControlTest, TheModelStepsMvffByBreakpointOnThirdKindChips) {
  Chip().DeviceKind3 = 1;
  Chip().SimIcList[0] = pod().ChipId;
  Chip().SimIcCount = 1;
  TKy_UP up;
  up.ApplyChipConfig();
  rig_->Install(up);
  Modes().SimulatorMode = 0;
  const std::vector<uint16_t> words = {enc("MVFF", 0x80, 0), enc("NOPF", 0x81), enc("NOP")};
  pod().LoadProgram(0, words);
  for (size_t i = 0; i < words.size(); ++i) up.StoreProgramWord(uint16_t(i), words[i], 1, 0);
  ASSERT_TRUE(link().PodLeaveReset());
  pod().ClearLog();
  up.TraceStep();
  EXPECT_EQ(up.GetPC(), 2u);
  std::vector<std::string> p = sent();
  const std::string temporary = "A4 40 20 00 00 00 30 00 00 02";
  EXPECT_NE(std::find_if(p.begin(), p.end(),
                         [&](const std::string& x) { return x.rfind(temporary, 0) == 0; }),
            p.end());
  EXPECT_NE(std::find(p.begin(), p.end(), "A6 56 00"), p.end());
  pod().ClearLog();
  up.TraceStep();  // NOP: the step counter
  EXPECT_EQ(up.GetPC(), 3u);
  p = sent();
  EXPECT_NE(std::find(p.begin(), p.end(), "A6 76 00"), p.end());
  EXPECT_EQ(std::find(p.begin(), p.end(), "A6 56 00"), p.end());
}

TEST_P(RunControlTest, AFailedControlReadAbortsWithoutWritingAControlValue) {
  ASSERT_TRUE(link().PodLeaveReset());
  pod().ClearLog();
  pod().Faults.WrongAckFromPacket = pod().HostPacketCount() + 1;  // the A7 reply
  EXPECT_FALSE(link().PodRunFree());
  EXPECT_EQ(sent(), std::vector<std::string>{"A7"});  // no A6 built from a failure code
  EXPECT_EQ(pod().Control(), 0x02);
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(link().PodLink.IsOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(BothFramings, RunControlTest,
                         ::testing::Values(TFraming::Bulk, TFraming::Hid), FramingName);

}  // namespace
}  // namespace kyvor::test
