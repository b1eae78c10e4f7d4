// Emulator program transfer against the virtual pod: an assembled program
// downloaded, read back and verified in block packets cut to the link's
// packet size; the information block written, read back and compared; the
// state read back after a run; the stack levels; the reset with its reload
// and retry; the self test passing and finding stuck bits.
#include <algorithm>

#include "link/transfer_fixture.h"
#include "support/recording_lines.h"

namespace kyvor::test {
namespace {

const std::vector<std::string> kProgram = {
    "        MEMAR   80H",
    "A       DS      1",
    "B       DS      1",
    "        ORG     0",
    "START:  MVL     05AH",
    "        MVF     A, 1",
    "        MVL     013H",
    "        MVF     B, 1",
    "        CALL    SUB1",
    "DONE:   JMP     DONE",
    "SUB1:   MVF     A, 0",
    "        ADDF    B, 1",
    "        CALL    SUB2",
    "        RET",
    "SUB2:   INF     A, 1",
    "INNER:  RLF     B, 1",
    "        RET",
    "        END",
};
constexpr int kInnerLine = 16;  // "INNER:", 1-based

// The block headers of QR08B1's whole program (2,048 words): the write and the read.
const char kProgramWrite[] = "A2 40 00 00 00 10 00 00";
const char kProgramRead[] = "A2 40 00 01 00 10 00";
bool BlockWrite(const std::string& p) { return p.rfind("A2 ", 0) == 0 && p.size() == 23; }

class EmulatorTransferTest : public TransferFramingTest {
 protected:
  // QR08B1: 2,048 words, the long information-block layout.
  void loadProgram(const std::string& chip = "QR08B1") {
    selectChip(chip);
    if (HasFatalFailure()) return;
    assemble(kProgram);
    if (HasFatalFailure()) return;
    openEmulator();
  }
  uint32_t addressOfLine(int line) const {
    for (uint32_t a = 0; a < 2048; ++a)
      if (up_->GetSourceLine(a) == line) return a;
    return 0;
  }
  int count(bool (*kind)(const std::string&)) const {
    const auto p = sent();
    return int(std::count_if(p.begin(), p.end(), kind));
  }
};

TEST_P(EmulatorTransferTest, TheProgramGoesInOneBlockInPacketsOfTheLinksSize) {
  loadProgram();
  ASSERT_EQ(up().IceProgramWords(), 2048);
  ASSERT_TRUE(up().IceLoadProgram());
  EXPECT_EQ(podWords(0, 2048), modelWords(2048));
  const auto p = sent();
  // Program memory selected (A7 read, A6 write), then the block header with
  // its length in bytes and mode 0; 4,096 bytes in 64 packets of 64.
  const auto header = std::find(p.begin(), p.end(), "A2 40 00 00 00 10 00 00");
  ASSERT_NE(header, p.end());
  ASSERT_EQ(p.end() - header, 1 + 64);
  for (auto it = header + 1; it != p.end(); ++it) EXPECT_EQ(it->size(), 64u * 3 - 1);
  // Each data packet is answered by three bytes.
  EXPECT_NE(pod().LogText().find("< FA 00 00\n"), std::string::npos);
  EXPECT_EQ(gaugeShown_, (std::vector<bool>{true, false}));
  ASSERT_FALSE(gauge_.empty());
  EXPECT_EQ(gauge_.front(), 0);
  EXPECT_EQ(gauge_.back(), 100);
  EXPECT_TRUE(std::is_sorted(gauge_.begin(), gauge_.end()));
}

TEST_P(EmulatorTransferTest, UploadAndVerifyReadTheBlockBackChunkByChunk) {
  loadProgram();
  ASSERT_TRUE(up().IceLoadProgram());
  pod().ClearLog();
  ASSERT_TRUE(up().IceVerifyProgram());
  EXPECT_EQ(countSent(kProgramRead), 1);
  EXPECT_EQ(countSent("A3"), 64);  // 4,096 bytes in chunks of 64
  EXPECT_EQ(up().State().Cell(5).PodWord, up().State().Cell(5).Opcode);

  // The pod's program changed: the upload brings it into the model.
  pod().SetProgramWord(3, 0x1234);
  ASSERT_TRUE(up().IceUploadProgram());
  EXPECT_EQ(up().GetOpcode(3), 0x1234);
}

TEST_P(EmulatorTransferTest, AWordOneGreaterOrSmallerOnThePodFailsTheVerification) {
  loadProgram();
  ASSERT_TRUE(up().IceLoadProgram());
  const uint16_t w = up().GetOpcode(100);
  for (uint16_t other : {uint16_t(w + 1), uint16_t(w - 1)}) {
    pod().SetProgramWord(100, other);
    gaugeShown_.clear();
    EXPECT_FALSE(up().IceVerifyProgram());
    EXPECT_EQ(gaugeShown_, (std::vector<bool>{true, false})) << "the gauge is hidden again";
  }
  pod().SetProgramWord(100, w);
  EXPECT_TRUE(up().IceVerifyProgram());
}

TEST_P(EmulatorTransferTest, AHeaderReplyOtherThanAaFailsBeforeAnyDataPacket) {
  loadProgram();
  // The select takes two packets (A7, A6); the third is the block header.
  pod().Faults.WrongAckFromPacket = pod().HostPacketCount() + 3;
  EXPECT_FALSE(up().IceLoadProgram());
  const auto p = sent();
  ASSERT_FALSE(p.empty());
  EXPECT_EQ(p.back(), "A2 40 00 00 00 10 00 00");
  expectLost();
}

TEST_P(EmulatorTransferTest, ThePacketsFollowASmallerPacketSize) {
  if (GetParam() == TFraming::Hid) GTEST_SKIP() << "HID reports are always 64 bytes";
  pod().InPacketSize = 32;
  loadProgram();
  ASSERT_EQ(link().PodLink.MaxTransfer, 32);
  ASSERT_TRUE(up().IceLoadProgram());
  const auto p = sent();
  const auto header = std::find(p.begin(), p.end(), "A2 40 00 00 00 10 00 00");
  ASSERT_NE(header, p.end());
  EXPECT_EQ(p.end() - header, 1 + 128);
  EXPECT_EQ((header + 1)->size(), 32u * 3 - 1);
  ASSERT_TRUE(up().IceVerifyProgram());
}

TEST_P(EmulatorTransferTest, AnEepromPodTakesTheProgramInsideTheGateAndTheSession) {
  loadProgram();
  Options().RomEmulationType = 1;
  ASSERT_TRUE(up().IceLoadProgram());
  const auto p = sent();
  std::vector<std::string> frame;
  for (const std::string& s : p)
    if (s.rfind("B5", 0) == 0 || s.rfind("A1", 0) == 0 || BlockWrite(s)) frame.push_back(s);
  EXPECT_EQ(frame, (std::vector<std::string>{"B5 04 00", "A1 02", "A2 40 00 00 00 10 00 0A",
                                             "A1 03", "B5 04 01"}));
  EXPECT_FALSE(pod().GateOpen());
  EXPECT_EQ(podWords(0, 2048), modelWords(2048));
}

TEST_P(EmulatorTransferTest, TheLargestMemoryMovesOneWordShort) {
  loadProgram("QR08A3");  // 128 pages
  ASSERT_EQ(ProgramMemoryPages(), 128);
  EXPECT_EQ(up().IceProgramWords(), 32767);
  ASSERT_TRUE(up().IceLoadProgram());
  EXPECT_EQ(countSent("A2 40 00 00 00 FF FE 00"), 1);
  pod().ClearLog();
  ASSERT_TRUE(up().IceVerifyProgram());
  EXPECT_EQ(countSent("A2 40 00 01 00 FF FE"), 1);
}

TEST_P(EmulatorTransferTest, TheInformationBlockIsWrittenReadBackAndCompared) {
  loadProgram();
  auto& alt = up().Info.InfoBlockAlt;
  for (size_t i = 0; i < alt.size(); ++i) alt[i] = uint16_t(0x3000 + 7 * i);
  up().ShowGauge(true);
  gaugeShown_.clear();
  ASSERT_TRUE(up().IceDownloadInfoBlock(0x2800));
  EXPECT_EQ(podWords(0x2800, 768), std::vector<uint16_t>(alt.begin(), alt.begin() + 768));
  EXPECT_TRUE(std::equal(alt.begin(), alt.begin() + 768, up().Info.InfoReadback.begin()));
  // 768 words: 24 packets of 64 bytes, each followed by a three-byte reply.
  const auto p = sent();
  const auto header = std::find(p.begin(), p.end(), "A2 40 50 00 00 06 00 00");
  ASSERT_NE(header, p.end());
  EXPECT_EQ(std::count_if(header + 1, p.end(), [](const std::string& s) { return s.size() == 191; }),
            24);
  EXPECT_EQ(countSent("A2 40 50 01 00 06 00"), 1);
  EXPECT_EQ(gaugeShown_, (std::vector<bool>{false, true})) << "hidden, then as it was";

  // A bit of the pod's memory that does not take the word fails the compare.
  pod().Faults.StuckProgramByte = {2 * 0x2800 + 41, 0x01};
  EXPECT_FALSE(up().IceDownloadInfoBlock(0x2800));
}

TEST_P(EmulatorTransferTest, TheShortLayoutSendsInfoBlockAndTheSbmAreaItsOwnCommand) {
  loadProgram("QR08B2");  // DeviceKind3 = 1
  auto& info = up().Info.InfoBlock;
  for (size_t i = 0; i < info.size(); ++i) info[i] = uint16_t(0x5100 + i);
  ASSERT_TRUE(up().IceDownloadInfoBlock(0x4000));
  EXPECT_EQ(podWords(0x4000, 768), std::vector<uint16_t>(info.begin(), info.begin() + 768));
  pod().ClearLog();
  // The SBM block: 256 program words at 0x2E00 with command AF.
  for (uint32_t a = 0x2E00; a < 0x2F00; ++a) up().State().Cell(a).Opcode = uint16_t(a ^ 0x5555);
  ASSERT_TRUE(up().IceDownloadSbm(0x2E00, 0, 0, up().EEBar(), 256));
  EXPECT_EQ(countSent("AF 40 5C 00 00 02 00 00"), 1);
  EXPECT_EQ(pod().ProgramWord(0x2E10), 0x2E10 ^ 0x5555);
  // Words that do not fit their source are not sent at all.
  pod().ClearLog();
  EXPECT_FALSE(up().IceDownloadBlock(0x7FF0, 0, 0, {}, 0x20));
  EXPECT_FALSE(up().IceDownloadBlock(0, 1, 0, {}, 800));
  EXPECT_FALSE(up().IceUploadBlock(0, 1, {}, 800));
  EXPECT_TRUE(sent().empty());
}

TEST_P(EmulatorTransferTest, TheUpperHalfCheckOnlyTestsEightKWordMemories) {
  loadProgram("QR08B2");  // 16 pages
  pod().ClearLog();
  EXPECT_FALSE(up().CheckUpperProgramMemory());
  EXPECT_TRUE(sent().empty()) << "the pod is not touched";

  tearDownTransfer();
  setUpTransfer(GetParam());
  loadProgram("QR08A1");  // 32 pages
  ASSERT_EQ(ProgramMemoryPages(), 32);
  // A program built for a bigger chip: the pod holds what was meant for 8192 on.
  for (uint32_t i = 0; i < 8192; ++i) {
    up().State().Cell(8192 + i).Opcode = uint16_t(0x4000 + i);
    pod().SetProgramWord(i, uint16_t(0x4000 + i));
  }
  EXPECT_TRUE(up().CheckUpperProgramMemory());
  pod().SetProgramWord(8191, 0);
  EXPECT_FALSE(up().CheckUpperProgramMemory());
}

TEST_P(EmulatorTransferTest, TheStateIsReadBackAfterARun) {
  loadProgram();
  ASSERT_TRUE(up().IceResetTarget(1));
  const uint32_t inner = addressOfLine(kInnerLine);
  ASSERT_GT(inner, 0u);
  ASSERT_TRUE(up().SetBreakpoint(int32_t(inner), 1, true));
  up().RunProgram();
  for (int tick = 0; tick < 100 && up().TimerEnabled(); ++tick) up().TimerTimer();
  ASSERT_FALSE(up().TimerEnabled()) << "the run did not stop";
  const TTargetState& t = pod().Target();
  EXPECT_EQ(up().GetPC(), inner);
  EXPECT_EQ(up().GetPC(), t.GetPC());
  EXPECT_EQ(up().State().Cycles(), t.Cycles());
  EXPECT_EQ(up().ReadRegister(0x80), 0x5B);  // A, incremented in SUB2
  EXPECT_EQ(up().ReadRegister(0x81), uint8_t(0x5A + 0x13));
  for (int i = 1; i <= 2; ++i) EXPECT_EQ(up().GetStackEntry(i), t.GetStackEntry(i)) << i;
  EXPECT_NE(up().GetStackEntry(2), 0u);
  for (int a = 0; a < DataMemorySize(); ++a) {
    if (a == 31 || a == 32) continue;  // the stack read's marks, put back
    ASSERT_EQ(up().ReadRegister(a), pod().DataByte(uint32_t(a))) << a;
  }
}

TEST_P(EmulatorTransferTest, TheStackReadKeepsTheTableLatchAndReadsEveryLevelAtOnce) {
  loadProgram();
  Chip().StackDepth = 8;
  up().ApplyChipConfig();
  pod().Target().SetStackDepth(8);
  for (int i = 1; i <= 8; ++i) pod().Target().SetStackEntry(i, uint32_t(0x100 * i + i));
  pod().Target().WriteRegisterModel(31, 0x12);
  pod().Target().WriteRegisterModel(32, 0x34);
  pod().ClearLog();
  up().ReadStateFromPod(1);
  EXPECT_EQ(countSent("B9 08"), 1);
  EXPECT_NE(pod().LogText().find("> B9 08\n< 00 01 01 00 02 02"), std::string::npos);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(up().GetStackEntry(i), uint32_t(0x100 * i + i)) << i;
  EXPECT_EQ(pod().DataByte(31), 0x12);
  EXPECT_EQ(pod().DataByte(32), 0x34);
}

TEST_P(EmulatorTransferTest, TheReadBackAppliesTheChipsRulesAndReadsTheEmulatedEeprom) {
  loadProgram();
  Chip().RegisterQuirkFlags = {0, 0, 1, 0, 0, 0};  // register 48 reads with bits 5 and 6 set
  Chip().DataMemoryMap[59] = 0x0F;
  TCRREGByteRecord r;
  r.Address = 59;
  ByteRegisterList().Add(r);
  Chip().SelfEromMode = 1;
  pod().Target().WriteRegisterModel(48, 0x01);
  pod().Target().WriteRegisterModel(59, 0xFF);
  for (uint32_t i = 0; i < 128; ++i) pod().SetProgramWord(0x2E00 + i, uint16_t(0xE000 + i));
  up().ReadStateFromPod(1);
  EXPECT_EQ(up().ReadRegister(48), 0x61);
  EXPECT_EQ(pod().DataByte(48), 0x61) << "the changed register goes back to the pod";
  EXPECT_EQ(up().ReadRegister(59), 0x0F);
  EXPECT_EQ(countSent("A2 40 5C 01 00 01 00"), 1);
  for (uint32_t i = 0; i < 128; ++i) ASSERT_EQ(up().Info.InfoReadback[i], 0xE000 + i) << i;
}

TEST_P(EmulatorTransferTest, StackLevelsUseAllFiveLevelBits) {
  loadProgram();
  Chip().StackDepth = 31;
  up().ApplyChipConfig();
  pod().Target().SetStackDepth(31);
  for (int i = 1; i <= 31; ++i) pod().Target().SetStackEntry(i, uint32_t(0x1000 + i));
  pod().Target().WriteRegisterModel(24, 0x83);  // FULL with level 3 selected
  EXPECT_EQ(up().PodReadStackLevel(20), 0x1014u);
  EXPECT_EQ(up().PodReadStackLevel(31), 0x101Fu);
  EXPECT_EQ(pod().DataByte(24), 0x83) << "the stack pointer is put back";
  const uint32_t pc = pod().Target().GetPC();
  up().PodWriteStackLevel(25, 0x0ABC);
  EXPECT_EQ(pod().Target().GetStackEntry(25), 0x0ABCu);
  EXPECT_EQ(pod().Target().GetStackEntry(25 & 7), uint32_t(0x1000 + (25 & 7)));
  EXPECT_EQ(pod().Target().GetPC(), pc);
  EXPECT_EQ(pod().DataByte(24), 0x83);
  // Deeper than one packet's worth of levels: the rest is read level by level.
  up().ReadStateFromPod(1);
  EXPECT_EQ(up().GetStackEntry(25), 0x0ABCu);
  EXPECT_EQ(up().GetStackEntry(31), 0x101Fu);
}

TEST_P(EmulatorTransferTest, ResetReloadsAndVerifiesWithOneRetry) {
  loadProgram();
  ASSERT_TRUE(up().IceLoadProgram());
  pod().SetProgramWord(7, 0);
  pod().ClearLog();
  // Without a reload the first verification fails, the program goes again
  // and the second one passes.
  ASSERT_TRUE(up().IceResetTarget(0));
  EXPECT_EQ(countSent(kProgramWrite), 1);
  EXPECT_EQ(countSent(kProgramRead), 2);
  EXPECT_EQ(podWords(0, 2048), modelWords(2048));
  EXPECT_TRUE(pod().Control() & 0x02) << "out of reset again";
  EXPECT_EQ(up().GetPC(), 0u);

  // A pod whose memory keeps a stuck bit fails after the one retry.
  pod().Faults.StuckProgramByte = {9, 0x10};
  pod().ClearLog();
  EXPECT_FALSE(up().IceResetTarget(1));
  EXPECT_EQ(countSent(kProgramWrite), 2);
  EXPECT_EQ(countSent(kProgramRead), 2);
  // The memory check halts, resets and verifies without a reload.
  pod().ClearLog();
  EXPECT_FALSE(up().IceCheckProgram());
  EXPECT_EQ(countSent(kProgramWrite), 0);
  pod().Faults.StuckProgramByte = {};
  EXPECT_TRUE(up().IceCheckProgram());
}

TEST_P(EmulatorTransferTest, TheResetOfTheDebugTargetGoesThroughTheReload) {
  loadProgram();
  ASSERT_TRUE(up().IceLoadProgram());
  pod().SetProgramWord(1, 0);
  up().ResetDebugTarget();
  EXPECT_EQ(pod().ProgramWord(1), up().GetOpcode(1));
}

TEST_P(EmulatorTransferTest, TheSelfTestPassesAndFindsStuckBits) {
  loadProgram();
  uint32_t address = 99;
  EXPECT_EQ(up().IceSelfTest(false, address), selftest::Passed);
  EXPECT_EQ(countSent("F9 AC"), 1) << "the pod is found again first";
  // 0x5A then 0xA5 into registers 128..131, then both byte patterns.
  EXPECT_EQ(pod().DataByte(131), 0xA5);
  EXPECT_EQ(pod().ProgramWord(0), 0x55AA);

  pod().Faults.StuckRegister = {0x85, 0x01};
  EXPECT_EQ(up().IceSelfTest(false, address), selftest::Passed) << "0x85 is past 131";
  EXPECT_EQ(up().IceSelfTest(true, address), selftest::DataMemory);
  EXPECT_EQ(address, 0x85u);
  pod().Faults.StuckRegister = {};

  // 0xAA, 0x55, ...: byte 7 is 0x55, its bit 7 stuck at 1 shows.
  pod().Faults.StuckProgramByte = {7, 0x80};
  EXPECT_EQ(up().IceSelfTest(true, address), selftest::ProgramMemory);
  EXPECT_EQ(address, 7u);
  // Only in the complementary pattern does byte 6 hold 0x55.
  pod().Faults.StuckProgramByte = {6, 0x80};
  EXPECT_EQ(up().IceSelfTest(true, address), selftest::ProgramMemory);
  EXPECT_EQ(address, 6u);
}

TEST_P(EmulatorTransferTest, ASelfTestWithoutAPodIsNoPass) {
  loadProgram();
  pod().Faults.Unplugged = true;
  uint32_t address = 0;
  EXPECT_EQ(up().IceSelfTest(true, address), selftest::LinkLost);
  EXPECT_EQ(dialogs_.messageTexts().size(), 1u) << "the connect error";
  EXPECT_EQ(Modes().PodState, 255);
}

INSTANTIATE_TEST_SUITE_P(Framings, EmulatorTransferTest,
                         ::testing::Values(TFraming::Bulk, TFraming::Hid), FramingName);

// The parallel port: an EEPROM pod takes its words in framed groups of 32,
// and a last, shorter group goes too.
class ParallelTransferTest : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    selectChip("QR08B1");
    openParallel(lines_);
  }
  static std::string Bits(std::initializer_list<uint8_t> bytes) {
    std::string s;
    for (uint8_t b : bytes)
      for (int i = 7; i >= 0; --i) s += ((b >> i) & 1) ? '1' : '0';
    return s;
  }
  RecordingLines lines_;
};

TEST_F(ParallelTransferTest, AnEepromPodTakesGroupsOf32WordsAndTheShortLastGroup) {
  Options().RomEmulationType = 1;
  for (uint32_t a = 0; a < 40; ++a) up().State().Cell(a).Opcode = uint16_t(0xC100 + a);
  lines_.Clear();
  ASSERT_TRUE(up().IceDownloadBlock(0, 0, 10, {}, 40));
  const std::string bits = lines_.ClockedOutBits();
  // Group 1 at byte address 0, group 2 (8 words) at byte address 64.
  EXPECT_NE(bits.find(Bits({0x40, 0x00, 0x00, 0xC1, 0x00, 0xC1, 0x01})), std::string::npos);
  EXPECT_NE(bits.find(Bits({0x40, 0x00, 0x80, 0xC1, 0x20})), std::string::npos);
  EXPECT_NE(bits.find(Bits({0xC1, 0x27})), std::string::npos) << "the last word goes";
}

}  // namespace
}  // namespace kyvor::test
