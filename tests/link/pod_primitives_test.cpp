// The exact bytes of the pod primitives and accessors, in both framings, and
// what the virtual pod holds afterwards.
#include <cstring>

#include "link/link_fixture.h"

namespace kyvor::test {
namespace {

class PrimitivesTest : public FramingTest {
 protected:
  void SetUp() override {
    FramingTest::SetUp();
    open();
  }
};

TEST_P(PrimitivesTest, PingControlAndStatus) {
  EXPECT_TRUE(link().PodPing());
  EXPECT_TRUE(link().PodWriteControl(0x12));
  bool ok = false;
  EXPECT_EQ(link().PodReadControl(ok), 0x12);
  EXPECT_TRUE(ok);
  uint8_t status = 0xFF;
  EXPECT_TRUE(link().PodReadStatus(status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(sent(), (std::vector<std::string>{"A5 00", "A6 12 00", "A7", "A8"}));
  EXPECT_EQ(pod().Control(), 0x12);
}

TEST_P(PrimitivesTest, ProgramWordReadOf1234SendsTheHeaderOfByteAddress2468) {
  pod().SetProgramWord(0x1234, 0xBEEF);
  bool ok = false;
  EXPECT_EQ(link().PodReadProgramWord(0x1234, ok), 0xBEEF);
  EXPECT_TRUE(ok);
  // Program memory selected from control 0: (0 AND F3) OR 10.
  EXPECT_EQ(sent(), (std::vector<std::string>{"A7", "A6 10 00", "A4 40 48 D1 00 00 02"}));
}

TEST_P(PrimitivesTest, ProgramWordWriteSendsTheWordHighByteFirst) {
  ASSERT_TRUE(link().PodWriteProgramWord(0x1234, 0xBEEF));
  EXPECT_EQ(sent().back(), "A4 40 48 D0 00 00 02 BE EF");
  EXPECT_EQ(pod().ProgramWord(0x1234), 0xBEEF);
}

// The header carries byte address bits 21..15 in its first byte: words from
// 4000H on lie at byte addresses from 8000H on.
TEST_P(PrimitivesTest, ProgramWordsAtEveryAddressRangeReachTheirOwnPodWord) {
  struct TCase {
    uint32_t word;
    const char* header;  // of the write
  };
  const TCase cases[] = {
      {0x0000, "40 00 00"}, {0x3FFF, "40 FF FC"}, {0x4000, "41 00 00"},
      {0x4021, "41 00 84"}, {0x6ABC, "41 AA F0"}, {0x7FFF, "41 FF FC"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.word);
    pod().ClearLog();
    const uint16_t w = uint16_t(0x1000 + c.word * 3);
    ASSERT_TRUE(link().PodWriteProgramWord(c.word, w));
    EXPECT_EQ(sent().back(), std::string("A4 ") + c.header + " 00 00 02 " +
                                 HexBytes({uint8_t(w >> 8), uint8_t(w)}));
    EXPECT_EQ(pod().ProgramWord(c.word), w);
    bool ok = false;
    EXPECT_EQ(link().PodReadProgramWord(c.word, ok), w);
    EXPECT_TRUE(ok);
  }
  // Each word went to its own place: none overwrote another.
  for (const TCase& c : cases) EXPECT_EQ(pod().ProgramWord(c.word), uint16_t(0x1000 + c.word * 3));
}

TEST_P(PrimitivesTest, RegisterAccessSelectsTheRegisterFile) {
  pod().Target().WriteRegisterModel(0x80, 0x33);
  ASSERT_TRUE(link().PodWriteControl(0x16));
  pod().ClearLog();
  bool ok = false;
  EXPECT_EQ(link().PodReadRegister(0x80, ok), 0x33);
  EXPECT_TRUE(ok);
  ASSERT_TRUE(link().PodWriteRegister(0x81, 0x5A));
  // (16 AND EB) OR 08 = 0A: the run bit and program access are cleared.
  EXPECT_EQ(sent(), (std::vector<std::string>{"A7", "A6 0A 00", "A4 40 01 01 00 00 01", "A7",
                                              "A6 0A 00", "A4 40 01 02 00 00 01 5A"}));
  EXPECT_EQ(pod().DataByte(0x81), 0x5A);
}

TEST_P(PrimitivesTest, PcCyclesWatchAndCoreVariantLiveInThePodTables) {
  ASSERT_TRUE(link().PodWritePC(0x012345));
  ASSERT_TRUE(link().PodWriteCycles(0x0102, 0x0304));
  ASSERT_TRUE(link().PodWriteWatch(0xF0, 0x30, 0x0152));
  ASSERT_TRUE(link().PodWriteCoreVariant(1));
  std::vector<std::string> packets = sent();
  EXPECT_EQ(packets[2], "A4 40 20 D6 00 00 03 01 23 45");
  EXPECT_EQ(packets[5], "A4 40 20 C2 00 00 04 01 02 03 04");
  EXPECT_EQ(packets[8], "A4 40 20 CE 00 00 04 F0 30 01 52");
  EXPECT_EQ(packets[11], "A4 40 20 DC 00 00 01 01");
  EXPECT_EQ(pod().Target().GetPC(), 0x012345u & 0xFFFFF);
  EXPECT_EQ(pod().Target().Cycles(), 0x01020304u);
  EXPECT_EQ(pod().CoreVariant(), 1);
  pod().ClearLog();
  bool ok = false;
  EXPECT_EQ(link().PodReadPC(ok), 0x012345u);
  uint16_t high = 0, low = 0;
  EXPECT_TRUE(link().PodReadCycles(high, low));
  EXPECT_EQ(high, 0x0102);
  EXPECT_EQ(low, 0x0304);
  uint8_t variant = 0;
  EXPECT_TRUE(link().PodReadCoreVariant(variant));
  EXPECT_EQ(variant, 1);
  packets = sent();
  EXPECT_EQ(packets[2], "A4 40 20 D7 00 00 03");
  EXPECT_EQ(packets[5], "A4 40 20 C3 00 00 04");
  EXPECT_EQ(packets[8], "A4 40 20 DD 00 00 01");
}

TEST_P(PrimitivesTest, BreakpointListIsSixteenBigEndianAddresses) {
  std::array<uint32_t, 16> list;
  list.fill(0xFFFFF);
  list[0] = 0x000123;
  list[15] = 0x0ABCDE;
  ASSERT_TRUE(link().PodWriteBreakpoints(list));
  std::string expected = "A4 40 20 00 00 00 30 00 01 23";
  for (int k = 1; k < 15; ++k) expected += " 0F FF FF";
  expected += " 0A BC DE";
  EXPECT_EQ(sent().back(), expected);
  EXPECT_EQ(pod().Breakpoints(), list);
}

TEST_P(PrimitivesTest, ChipIdInTheChipsListIsAccepted) {
  Chip().SimIcList[0] = 0x0B01;
  Chip().SimIcList[1] = 0x0A16;
  Chip().SimIcCount = 2;
  uint16_t id = 0;
  EXPECT_EQ(link().PodReadChipId(id), 0);
  EXPECT_EQ(id, 0x0A16);
  EXPECT_EQ(link().AcceptedPodChipId, 0x0A16);
  EXPECT_EQ(sent().back(), "A4 40 20 CB 00 00 02");
  pod().ChipId = 0x7777;
  EXPECT_EQ(link().PodReadChipId(id), 1);
  EXPECT_EQ(id, 0x7777);
  EXPECT_EQ(link().PodChipId, 0x7777);
  EXPECT_EQ(link().AcceptedPodChipId, 0x0A16);
  // Not a link failure: the link stays open.
  EXPECT_EQ(link().PodLink.IsOpen, 1);
  EXPECT_EQ(Modes().PodState, 0);
  // An empty list accepts nothing.
  Chip().SimIcCount = 0;
  pod().ChipId = 0x0A16;
  EXPECT_EQ(link().PodReadChipId(id), 1);
}

TEST_P(PrimitivesTest, StackLevelsComeInOneB9Reply) {
  TTargetState& t = pod().Target();
  t.SetStackDepth(8);
  for (int i = 1; i <= 8; ++i) t.SetStackEntry(i, uint32_t(0x010000 * i + i));
  std::vector<uint32_t> levels;
  ASSERT_TRUE(link().PodReadStack(8, levels));
  ASSERT_EQ(levels.size(), 8u);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(levels[size_t(i - 1)], uint32_t(0x010000 * i + i));
  EXPECT_EQ(sent(), std::vector<std::string>{"B9 08"});
}

TEST_P(PrimitivesTest, StackLevelsBeyondOnePacketAreReadLevelByLevel) {
  TTargetState& t = pod().Target();
  t.SetStackDepth(31);
  for (int i = 1; i <= 31; ++i) t.SetStackEntry(i, uint32_t(0x100 + i));
  t.WriteRegisterModel(24, 0x43);
  std::vector<uint32_t> levels;
  ASSERT_TRUE(link().PodReadStack(31, levels));
  ASSERT_EQ(levels.size(), 31u);
  for (int i = 1; i <= 31; ++i) EXPECT_EQ(levels[size_t(i - 1)], uint32_t(0x100 + i)) << i;
  EXPECT_EQ(sent()[0], "B9 15");        // 21 levels fill 63 bytes
  EXPECT_EQ(pod().DataByte(24), 0x43);  // the stack pointer is put back
}

TEST_P(PrimitivesTest, DataMemoryIsOneBlockReadInChunksOfMaxTransfer) {
  for (int a = 0; a < 300; ++a) pod().Target().WriteRegisterModel(a, uint8_t(a * 7));
  std::vector<uint8_t> image(300, 0);
  ASSERT_TRUE(link().PodReadDataMemory(0, 300, image.data()));
  for (int a = 0; a < 300; ++a) ASSERT_EQ(image[size_t(a)], uint8_t(a * 7)) << a;
  EXPECT_EQ(sent(), (std::vector<std::string>{"A7", "A6 08 00", "A2 40 00 01 00 01 2C", "A3", "A3",
                                              "A3", "A3", "A3"}));
}

TEST_P(PrimitivesTest, LongWritesGoInPacketsThatFitAtRisingAddresses) {
  std::vector<uint8_t> bytes(130);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i + 1);
  ASSERT_TRUE(link().PodWriteBytes(0x100, bytes.data(), uint32_t(bytes.size())));
  const std::vector<std::string> packets = sent();
  ASSERT_EQ(packets.size(), 9u);  // three packets of 57, 57 and 16 bytes, each after a select
  EXPECT_EQ(packets[2].substr(0, 20), "A4 40 02 00 00 00 39");
  EXPECT_EQ(packets[5].substr(0, 20), "A4 40 02 72 00 00 39");  // 0x100 + 57
  EXPECT_EQ(packets[8].substr(0, 20), "A4 40 02 E4 00 00 10");  // 0x100 + 114
  for (size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(pod().DataByte(0x100 + uint32_t(i)), i + 1);
  // Program words: packets of an even number of bytes, so no word is split.
  std::vector<uint8_t> words(100);
  for (size_t i = 0; i < words.size(); ++i) words[i] = uint8_t(0xA0 + i);
  pod().ClearLog();
  ASSERT_TRUE(link().PodWriteWords(0x200, words.data(), uint32_t(words.size())));
  EXPECT_EQ(sent().size(), 6u);
  EXPECT_EQ(sent()[2].substr(0, 20), "A4 40 04 00 00 00 38");
  EXPECT_EQ(sent()[5].substr(0, 20), "A4 40 04 70 00 00 2C");
  EXPECT_EQ(pod().ProgramWord(0x100), 0xA0A1);
  EXPECT_EQ(pod().ProgramWord(0x100 + 49), 0x0203);  // bytes A0 + 98 and A0 + 99
}

TEST_P(PrimitivesTest, BlockWriteSendsTheHeaderThenPacketsEachAnsweredByThree) {
  std::vector<uint8_t> words(2 * 100);
  for (size_t i = 0; i < words.size(); ++i) words[i] = uint8_t(i);
  ASSERT_TRUE(link().PodSelectProgramMemory());
  pod().ClearLog();
  std::vector<int> gauge;
  ASSERT_TRUE(link().PodBlockWrite(podcmd::BlockWrite, 0x0040, words.data(), 200, 0,
                                   [&](int p) { gauge.push_back(p); }));
  const std::vector<std::string> packets = sent();
  ASSERT_EQ(packets.size(), 5u);  // header, 64 + 64 + 64 + 8 bytes
  EXPECT_EQ(packets[0], "A2 40 00 80 00 00 C8 00");
  EXPECT_EQ(packets[4], "C0 C1 C2 C3 C4 C5 C6 C7");
  EXPECT_EQ(gauge, (std::vector<int>{0, 32, 64, 96, 100}));
  EXPECT_EQ(pod().ProgramWord(0x40), 0x0001);
  EXPECT_EQ(pod().ProgramWord(0x40 + 99), 0xC6C7);
  std::vector<uint8_t> back(200, 0);
  ASSERT_TRUE(link().PodBlockRead(0x0040, 200, back.data()));
  EXPECT_EQ(back, words);
}

TEST_P(PrimitivesTest, HidReportsCarryTheStaleTailOfEarlierReportsAndTheHostIgnoresIt) {
  // A 12-byte stack reply, then a 2-byte control reply: over HID the second
  // report still carries bytes of the first behind its own two.
  std::vector<uint32_t> levels;
  pod().Target().SetStackDepth(4);
  for (int i = 1; i <= 4; ++i) pod().Target().SetStackEntry(i, 0xABCDEF);
  ASSERT_TRUE(link().PodReadStack(4, levels));
  ASSERT_TRUE(link().PodWriteControl(0x40));
  bool ok = false;
  EXPECT_EQ(link().PodReadControl(ok), 0x40);
  EXPECT_TRUE(ok);
  if (GetParam() == TFraming::Hid) {
    EXPECT_EQ(link().PodBytesTransferred, 65u);
    EXPECT_EQ(link().PodIoBuffer[3], 0xAB);  // stale, not used
  } else {
    EXPECT_EQ(link().PodIoBuffer[3], 0);  // exactly two bytes were read
  }
}

INSTANTIATE_TEST_SUITE_P(BothFramings, PrimitivesTest,
                         ::testing::Values(TFraming::Bulk, TFraming::Hid), FramingName);

}  // namespace
}  // namespace kyvor::test
