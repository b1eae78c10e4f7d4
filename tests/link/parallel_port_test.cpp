// The parallel port: the framing on the control and status lines against a
// recording lines fake, the four tries, failures reported (never stale data),
// the pod operations in their parallel form, and the port's opening.
#include <chrono>

#include "link/link_fixture.h"
#include "support/recording_lines.h"

namespace kyvor::test {
namespace {

std::vector<std::string> Ops(std::initializer_list<const char*> l) {
  return std::vector<std::string>(l.begin(), l.end());
}

class ParallelPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.install();
    port_.SetLines(&lines_);
    ASSERT_EQ(port_.OpenParallelDriver(), 1);
    lines_.Clear();
  }
  FakeClock clock_;
  RecordingLines lines_;
  TParallelPort port_;
};

TEST_F(ParallelPortTest, FrameStartPulsesTheFrameLineWithDataLow) {
  ASSERT_TRUE(port_.FrameStart());
  EXPECT_EQ(lines_.ops, Ops({"C=06", "C=04"}));
}

TEST_F(ParallelPortTest, ClockOutByteSendsEachBitMostSignificantFirstWithAClockPulse) {
  ASSERT_TRUE(port_.ClockOutByte(0x81));
  ASSERT_EQ(lines_.ops.size(), 24u);
  EXPECT_EQ(std::vector<std::string>(lines_.ops.begin(), lines_.ops.begin() + 6),
            Ops({"C=05", "C=0D", "C=05", "C=04", "C=0C", "C=04"}));
  EXPECT_EQ(lines_.ClockedOutBits(), "10000001");
}

TEST_F(ParallelPortTest, FrameEndIsTwoClockPulsesThenTheFrameLineHigh) {
  ASSERT_TRUE(port_.FrameEnd());
  EXPECT_EQ(lines_.ops, Ops({"C=0C", "C=04", "C=0C", "C=04", "C=06"}));
}

TEST_F(ParallelPortTest, WriteFramedByteIsAFramePulseTwoZeroClocksTheByteAndTheFrameEnd) {
  ASSERT_TRUE(port_.WriteFramedByte(0xA5));
  EXPECT_EQ(std::vector<std::string>(lines_.ops.begin(), lines_.ops.begin() + 6),
            Ops({"C=06", "C=04", "C=0C", "C=04", "C=0C", "C=04"}));
  EXPECT_EQ(lines_.ClockedOutBits(),
            "00"
            "10100101"
            "11");
  EXPECT_EQ(lines_.ops.back(), "C=07");
}

TEST_F(ParallelPortTest, ReadFramedByteSamplesStatusBit6AtEachClock) {
  lines_.bits = {true, false, true, true, false, false, true, false};
  uint8_t v = 0;
  ASSERT_TRUE(port_.ReadFramedByte(v));
  EXPECT_EQ(v, 0xB2);
  EXPECT_EQ(std::vector<std::string>(lines_.ops.begin(), lines_.ops.begin() + 10),
            Ops({"C=06", "C=04", "C=05", "C=0D", "C=05", "C=04", "C=0C", "C=04", "C=0C", "S"}));
  EXPECT_EQ(lines_.ClockedOutBits().substr(0, 2), "10");
}

TEST_F(ParallelPortTest, WordsAndExchangesGoSixteenBitsMostSignificantFirst) {
  ASSERT_TRUE(port_.ClockOutWord(0x8001));
  EXPECT_EQ(lines_.ClockedOutBits(), "1000000000000001");
  lines_.Clear();
  for (int i = 0; i < 16; ++i) lines_.bits.push_back(i % 4 == 0);
  uint16_t in = 0;
  ASSERT_TRUE(port_.ExchangeWord(0x00FF, in));
  EXPECT_EQ(in, 0x8888);
  EXPECT_EQ(lines_.ClockedOutBits(), "0000000011111111");
}

TEST_F(ParallelPortTest, AnAccessThatFailsIsTriedAgain) {
  lines_.failures = 1;
  ASSERT_TRUE(port_.WriteFramedByte(0x3C));
  EXPECT_EQ(lines_.ops.front(), "fail");
  EXPECT_EQ(lines_.ClockedOutBits(),
            "00"
            "00111100"
            "00");
}

TEST_F(ParallelPortTest, FourFailedTriesReportFailure) {
  lines_.failures = 4;
  EXPECT_FALSE(port_.WriteFramedByte(0x3C));
  EXPECT_EQ(lines_.ops, Ops({"fail", "fail", "fail", "fail"}));
  lines_.failures = -1;
  uint8_t v = 0x77;
  EXPECT_FALSE(port_.ReadFramedByte(v));
  EXPECT_FALSE(port_.PortWriteByte(0, 1));
  uint8_t s = 0;
  EXPECT_FALSE(port_.ReadPodStatus(s));
}

TEST_F(ParallelPortTest, TheFlashCommandsOfTheSessionCarryTheirHeaderAndCommand) {
  ASSERT_TRUE(port_.SendFlashCommand(2));
  EXPECT_EQ(lines_.ClockedOutBytes(), (std::vector<uint8_t>{0x41, 0x2A, 0x20}));
  lines_.Clear();
  ASSERT_TRUE(port_.SendFlashCommand(1));
  EXPECT_EQ(lines_.ClockedOutBytes(), (std::vector<uint8_t>{0x40, 0xAA, 0xA0}));
  EXPECT_FALSE(port_.SendFlashCommand(4));
}

TEST_F(ParallelPortTest, OpeningTwiceGivesZeroAndARefusedPortTwo) {
  EXPECT_EQ(port_.OpenParallelDriver(), 0);
  port_.CloseParallelDriver();
  lines_.refuseOpen = true;
  EXPECT_EQ(port_.OpenParallelDriver(), 2);
  EXPECT_FALSE(port_.InitParallelPort());
  EXPECT_FALSE(port_.FrameEnd());  // nothing runs on a closed port
}

TEST_F(ParallelPortTest, InitPreparesOnlyTheKnownPortBases) {
  port_.CloseParallelDriver();
  port_.SetBaseAddress(0x378);
  lines_.control = 0xFF;
  ASSERT_TRUE(port_.InitParallelPort());
  EXPECT_EQ(lines_.openedBase, 0x378);
  EXPECT_EQ(lines_.ops, Ops({"RC", "M", "D=00", "RC", "C=D6"}));
  port_.CloseParallelDriver();
  lines_.Clear();
  port_.SetBaseAddress(0x300);
  ASSERT_TRUE(port_.InitParallelPort());
  EXPECT_EQ(lines_.ops, Ops({"RC"}));  // opened, registers untouched
}

TEST(PpdevLines, NoPortOnThisMachineOpensNothingAndSaysWhy) {
  TParallelPort port;
  port.SetBaseAddress(0x3BC);
  if (port.Lines().Open(0x3BC)) GTEST_SKIP() << "this machine has a parallel port";
  EXPECT_EQ(port.OpenParallelDriver(), 2);
  EXPECT_FALSE(port.Lines().OpenProblem().empty());
}

// The pod operations in their parallel form.
class ParallelPodTest : public BulkTest {
 protected:
  void SetUp() override {
    BulkTest::SetUp();
    Modes().IceInterfaceIndex = 1;
    link().Parallel().SetLines(&lines_);
    ASSERT_EQ(link().Parallel().OpenParallelDriver(), 1);
    lines_.Clear();
  }
  void TearDown() override {
    link().Parallel().SetLines(nullptr);
    BulkTest::TearDown();
  }
  void script(uint8_t byte) {
    for (int b = 7; b >= 0; --b) lines_.bits.push_back((byte >> b) & 1);
  }
  RecordingLines lines_;
};

TEST_F(ParallelPodTest, ControlAndStatusAreFramedBytesAndTheStatusLines) {
  script(0x5A);
  bool ok = false;
  EXPECT_EQ(link().PodReadControl(ok), 0x5A);
  EXPECT_TRUE(ok);
  ASSERT_TRUE(link().PodWriteControl(0x16));
  lines_.status = 0x47;
  uint8_t s = 0;
  ASSERT_TRUE(link().PodReadStatus(s));
  EXPECT_EQ(s, 0x04);
  bool failed = true;
  EXPECT_FALSE(link().PodIsHalted(failed));  // status bit 2: running
  EXPECT_FALSE(failed);
}

TEST_F(ParallelPodTest, AFailedRequestReportsFailureNotStaleData) {
  lines_.failures = -1;
  bool ok = true;
  EXPECT_EQ(link().PodReadControl(ok), 255);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Modes().PodState, 255);
  Modes().PodState = 0;
  EXPECT_EQ(link().PodReadRegister(0x80, ok), 0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Modes().PodState, 255);
  // Run control aborts when the control read fails: nothing is written.
  lines_.failures = 0;
  lines_.bits.clear();
  lines_.Clear();
  lines_.failures = 4;  // the four tries of the control read
  EXPECT_FALSE(link().PodRunFree());
  for (const std::string& op : lines_.ops) EXPECT_EQ(op, "fail");
}

TEST_F(ParallelPodTest, RegisterReadClocksTheHeaderOutAndTheBytesIn) {
  script(0x10);  // the control register
  script(0x33);  // the two bytes
  script(0xCC);
  uint8_t b[2] = {0, 0};
  ASSERT_TRUE(link().PodReadBytes(0x80, 2, b));
  EXPECT_EQ(b[0], 0x33);
  EXPECT_EQ(b[1], 0xCC);
  const std::string out = lines_.ClockedOutBits();
  EXPECT_NE(out.find("00001000"), std::string::npos);                  // control (10 AND EB) OR 08
  EXPECT_NE(out.find("010000000000000100000001"), std::string::npos);  // header 40 01 01
}

TEST_F(ParallelPodTest, TheGateSendsNothingOverUsb) {
  open();  // a USB pod is there too
  Modes().IceInterfaceIndex = 1;
  Options().RomEmulationType = 1;
  EXPECT_TRUE(link().PodAccessGate(true));
  EXPECT_TRUE(link().PodAccessGate(false));
  EXPECT_TRUE(sent().empty());
  EXPECT_TRUE(lines_.ops.empty());
}

TEST_F(ParallelPodTest, TheSessionSendsTheFlashCommandsWithItsWaits) {
  script(0x00);
  const auto start = clock_.now();
  ASSERT_TRUE(link().PodSessionBegin());
  EXPECT_EQ(clock_.now() - start, std::chrono::milliseconds(70));
  const std::vector<uint8_t> bytes = lines_.ClockedOutBytes(2 + 8 + 2 + 2);
  // The select (control 10), its frame end, then the two commands.
  ASSERT_GE(bytes.size(), 1u);
  EXPECT_EQ(bytes[0], 0x10);
  const std::string out = lines_.ClockedOutBits();
  const std::string command =
      "01000001"
      "00101010"
      "00100000";
  const size_t first = out.find(command);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(out.find(command, first + 1), std::string::npos);
}

}  // namespace
}  // namespace kyvor::test
