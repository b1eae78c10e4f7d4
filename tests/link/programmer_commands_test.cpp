// The programmer's commands, byte for byte, against the virtual pod's writer
// in both framings: image memory write, read, erase, busy and finish; chip
// reads and ids; identity, setting, calibration, lock and display. Reads
// whose length comes from outside are kept within the model's arrays, and
// the unused bytes of every packet are zero.
#include <algorithm>

#include "link/transfer_fixture.h"

namespace kyvor::test {
namespace {

std::string Hex(const std::vector<uint8_t>& bytes) { return HexBytes(bytes); }

std::string Padded(const std::string& text, size_t n) {
  std::string s = text;
  s.resize(n, ' ');
  return s;
}

class ProgrammerCommandsTest : public TransferFramingTest {
 protected:
  // QR08B2: the short layout (DeviceKind3 = 1); KY08A16: the long one.
  void start(const std::string& chip = "QR08B2") {
    selectChip(chip);
    if (HasFatalFailure()) return;
    openEmulator();
  }
  TVirtualWriter& writer() { return pod().Writer; }
  // The bytes `text` as a display-text packet.
  static std::string TextPacket(const std::string& text) {
    std::vector<uint8_t> b = {0xBB, 0x02, uint8_t(text.size())};
    for (char c : text) b.push_back(uint8_t(c));
    return Hex(b);
  }
};

TEST_P(ProgrammerCommandsTest, AnImageWriteIsItsHeaderThenAcknowledgedPackets) {
  start();
  for (uint32_t i = 0; i < 128; ++i) up().State().Cell(0x10 + i).Opcode = uint16_t(0x9000 + i);
  ASSERT_TRUE(up().WriterWriteChunk(0x10, 128));
  const auto p = sent();
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[0], "AA 02 00 00 20 00 01 00");
  EXPECT_EQ(p[1].substr(0, 11), "90 00 90 01");
  for (size_t i = 1; i < p.size(); ++i) EXPECT_EQ(p[i].size(), 64u * 3 - 1);
  EXPECT_NE(pod().LogText().find("> AA 02 00 00 20 00 01 00\n< AA\n"), std::string::npos);
  EXPECT_EQ(writer().FlashWords(0x20, 3), (std::vector<uint16_t>{0x9000, 0x9001, 0x9002}));
  EXPECT_EQ(writer().FlashWord(0x20 + 2 * 127), 0x907F);
  EXPECT_TRUE(writer().Busy()) << "the flash programs after the last packet";
}

TEST_P(ProgrammerCommandsTest, AnImageReadAsksForEachChunk) {
  start();
  for (uint32_t i = 0; i < 40; ++i) {
    writer().Flash[0x20 + 2 * i] = uint8_t(0x40 + i);
    writer().Flash[0x21 + 2 * i] = uint8_t(i);
  }
  ASSERT_TRUE(up().WriterReadImage(0x10, 40, up().EEBar()));
  EXPECT_EQ(sent(), (std::vector<std::string>{"AA 03 00 00 20 00 00 50", "AB", "AB"}));
  EXPECT_EQ(up().State().Cell(0x10).PodWord, 0x4000);
  EXPECT_EQ(up().State().Cell(0x10 + 39).PodWord, 0x6727);
  EXPECT_EQ(gauge_.back(), 100);
}

TEST_P(ProgrammerCommandsTest, TheRecordsStatusWordsAndTheChecksumAreReadFromTheirAddresses) {
  start();
  const std::vector<uint8_t> status = {0x00, 0x00, 0x10, 0x00, 0x0B, 0x02};  // 0, 4096, id
  std::copy(status.begin(), status.end(), writer().Flash.begin() + 0xFFE0);
  writer().Flash[0x80F6] = 0xBE;
  writer().Flash[0x80F7] = 0xEF;
  uint16_t x = 1, y = 1, z = 1, v = 0;
  ASSERT_TRUE(up().WriterReadFlashInfo(x, y, z));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(z, 0x1000);
  EXPECT_EQ(y, 0x0B02);
  ASSERT_TRUE(up().WriterReadFlashWord(v));
  EXPECT_EQ(v, 0xBEEF);
  EXPECT_EQ(sent(), (std::vector<std::string>{"AA 03 00 FF E0 00 00 06", "AB",
                                              "AA 03 00 80 F6 00 00 02", "AB"}));
  EXPECT_EQ(up().Info.InfoReadback[224 + 1], 0x1000);
  EXPECT_EQ(up().Info.InfoReadback[246], 0xBEEF);
}

TEST_P(ProgrammerCommandsTest, EraseWaitAndFinish) {
  start();
  std::fill(writer().Flash.begin(), writer().Flash.end(), 0x00);
  ASSERT_TRUE(up().WriterEraseBlock(0x3000));
  EXPECT_EQ(writer().Flash[0x3000], 0xFF);
  EXPECT_EQ(writer().Flash[0x3FFF], 0xFF);
  EXPECT_EQ(writer().Flash[0x2FFF], 0x00);
  EXPECT_EQ(writer().Flash[0x4000], 0x00);
  uint8_t s = 0;
  ASSERT_TRUE(up().WriterIsBusy(s));
  EXPECT_EQ(s & 1, 1);
  ASSERT_TRUE(up().WriterWaitReady());
  EXPECT_EQ(sent(), (std::vector<std::string>{"AC D8 00 30 00 00 00 00", "AC 05 00 00 00 00 00 01",
                                              "AC 05 00 00 00 00 00 01", "AC 05 00 00 00 00 00 01",
                                              "AC 06 00 00 00 00 00 00"}));
  EXPECT_FALSE(writer().Busy());
}

TEST_P(ProgrammerCommandsTest, AWriterThatStaysBusyIsGivenUpAfterFiveSeconds) {
  start();
  writer().Faults.BusyForever = true;
  const auto t0 = clock_.now();
  EXPECT_FALSE(up().WriterWaitReady());
  EXPECT_GE(ElapsedMs(t0), 5000);
  EXPECT_LT(ElapsedMs(t0), 5200);
  EXPECT_EQ(countSent("AC 06"), 0);
  EXPECT_GT(clock_.pumpCount(), 0) << "the window's messages run while it waits";
}

TEST_P(ProgrammerCommandsTest, TheChipIsReadFromItsByteAddress) {
  start();
  for (uint32_t i = 0; i < 64; ++i) writer().Chip.Program[i] = uint16_t(0x7700 + i);
  ASSERT_TRUE(up().ReadChipMemory(up().EEBar(), 0x10, 40));
  EXPECT_EQ(sent(), (std::vector<std::string>{"B6 00 00 20 00 00 28", "B7", "B7"}));
  EXPECT_EQ(up().GetOpcode(0x10), 0x7710);
  EXPECT_EQ(up().GetOpcode(0x10 + 39), 0x7737);
}

TEST_P(ProgrammerCommandsTest, TheShortLayoutsInformationWordsGoWhereTheirAddressSays) {
  start();
  for (uint32_t k = 0; k < 128; ++k) writer().Chip.Info[k] = uint16_t(0x6600 + k);
  ASSERT_TRUE(up().ReadChipInfoBlock({}, 0x407B, 4));
  EXPECT_EQ(sent(), (std::vector<std::string>{"B6 00 80 F6 00 00 04", "B7"}));
  EXPECT_EQ(up().ChipInfoWords(), (std::vector<uint16_t>{0x667B, 0x667C, 0x667D, 0x667E}));
  EXPECT_EQ(up().Info.InfoBlock[123], 0x667B);
  EXPECT_EQ(up().Info.InfoBlock[126], 0x667E);
}

TEST_P(ProgrammerCommandsTest, TheLongLayoutsInformationReadStaysInsideTheBlock) {
  start("KY08A16");
  for (uint32_t k = 0; k < 1024; ++k) writer().Chip.Info[k] = uint16_t(0x2000 + k);
  auto& alt = up().Info.InfoBlockAlt;
  alt.fill(0x1111);
  ASSERT_TRUE(up().ReadChipInfoBlock({}, 0x1400, 1024));
  EXPECT_EQ(sent().front(), "B6 00 27 FE 00 04 00");
  ASSERT_EQ(up().ChipInfoWords().size(), 1024u);
  EXPECT_EQ(up().ChipInfoWords()[765], 0x2000 + 765) << "the checksum word of the read";
  EXPECT_EQ(up().ChipInfoWords()[1023], 0x2000 + 1023);
  // Word 0x1400 AND 0x0FFF = 1024 on: only the block's last 514 words take it.
  EXPECT_EQ(alt[1023], 0x1111);
  EXPECT_EQ(alt[1024], 0x2000);
  EXPECT_EQ(alt[alt.size() - 1], 0x2000 + (alt.size() - 1 - 1024));
}

TEST_P(ProgrammerCommandsTest, CountsPastTheProgramCellsAreFailedReadsThatSendNothing) {
  start();
  EXPECT_FALSE(up().ReadChipMemory({}, 0, 40000));
  EXPECT_FALSE(up().ReadChipMemory({}, 0x7F00, 0x101));
  EXPECT_FALSE(up().WriterReadImage(0x7F00, 0x200, {}));
  EXPECT_FALSE(up().WriterReadChunk(0xFF00, 700, 128));
  EXPECT_FALSE(up().WriterWriteChunk(0x7FF0, 0x20));
  EXPECT_TRUE(sent().empty());
  // A word count the writer gives (erased flash: 0xFFFF) does not fit either.
  uint16_t x = 0, y = 0, z = 0;
  ASSERT_TRUE(up().WriterReadFlashInfo(x, y, z));
  EXPECT_EQ(z, 0xFFFF);
  pod().ClearLog();
  EXPECT_FALSE(up().WriterReadImage(x, z, {}));
  EXPECT_TRUE(sent().empty());
}

TEST_P(ProgrammerCommandsTest, TheChipIdWordsByLayout) {
  start();
  writer().Chip.Id = 0x0B02;
  writer().Chip.Info[127] = 0xF7FE;
  uint16_t a = 0, b = 0;
  ASSERT_TRUE(up().ReadChipIdWords(a, b));
  EXPECT_EQ(sent(), (std::vector<std::string>{"B4 00 80 FE 00 00 01"}));
  EXPECT_EQ(a, 0x0B02);
  EXPECT_EQ(b, 0xF7FE);

  tearDownTransfer();
  setUpTransfer(GetParam());
  start("KY08A16");
  writer().Chip.Info[767] = 0xFFFF;
  ASSERT_TRUE(up().ReadChipIdWords(a, b));
  EXPECT_EQ(sent(), (std::vector<std::string>{"D6"}));
  EXPECT_EQ(a, 0x0A16);
  EXPECT_EQ(b, 0xFFFF);
}

TEST_P(ProgrammerCommandsTest, IdentitySettingAndTheIdentityThatEnablesCalibration) {
  start();
  EXPECT_TRUE(up().WriterCheckIdentity());
  ASSERT_TRUE(up().WriterWriteSetting(0x1234));
  EXPECT_EQ(sent(), (std::vector<std::string>{"F9 09", "F9 09", "CE 02 03 10 00 34 12"}));
  EXPECT_EQ(writer().Settings, (std::vector<uint16_t>{0x1234}));
  Chip().ExtendedDevice = 1;
  EXPECT_TRUE(up().WriterIdentityEnabled());
  Chip().ExtendedDevice = 0;
  EXPECT_FALSE(up().WriterIdentityEnabled());

  writer().Faults.NoIdentity = true;
  pod().ClearLog();
  EXPECT_FALSE(up().WriterCheckIdentity());
  EXPECT_FALSE(up().WriterWriteSetting(0x5678));
  EXPECT_EQ(sent(), (std::vector<std::string>{"F9 09", "F9 09"})) << "no setting without a writer";
}

TEST_P(ProgrammerCommandsTest, TheCalibrationResultAndALinkFailureThatIsNoResult) {
  start();
  writer().Calibration = {0, 0x11, 0x40, 7, 2000123};
  TWriterCalibration c = up().WriterReadCalibration();
  EXPECT_EQ(sent(), (std::vector<std::string>{"B8 07"}));
  EXPECT_TRUE(c.Answered);
  EXPECT_EQ(c.Result, 0);
  EXPECT_EQ(c.P, 0x11);
  EXPECT_EQ(c.Q, 0x40);
  EXPECT_EQ(c.F, 7);
  EXPECT_EQ(c.V, 2000123u);
  writer().Calibration.Result = 0xFE;  // -2
  EXPECT_EQ(up().WriterReadCalibration().Result, 0xFE);

  pod().Faults.Unplugged = true;
  c = up().WriterReadCalibration();
  EXPECT_FALSE(c.Answered);
  EXPECT_EQ(c.Result, 255);
  expectLost();
}

TEST_P(ProgrammerCommandsTest, TheCalibrationBlockGoesInBothHalvesAndTheProtectWithItsFlags) {
  start();
  TCalibrationBytes bytes{};
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i + 1);
  ASSERT_TRUE(up().WriterSendCalibration(bytes));
  ASSERT_EQ(writer().CalibrationPackets.size(), 2u);
  for (uint8_t part : {0, 1}) {
    const auto& packet = writer().CalibrationPackets[part];
    ASSERT_EQ(packet.size(), 64u);
    EXPECT_EQ(Hex({packet.begin(), packet.begin() + 5}), "F9 10 0" + std::to_string(part) + " 01 02");
    EXPECT_EQ(packet[54], 52);
    EXPECT_TRUE(std::all_of(packet.begin() + 55, packet.end(), [](uint8_t b) { return b == 0; }));
  }
  ASSERT_TRUE(up().WriterCalibratedProtect(0x27));
  EXPECT_EQ(sent().back(), "B8 80 27");
  EXPECT_EQ(writer().CalibratedOperations, (std::vector<uint8_t>{0x27}));
}

TEST_P(ProgrammerCommandsTest, TheLockAndItsTwoWaysOfSayingYes) {
  start();
  ASSERT_TRUE(up().PodLock(1));
  EXPECT_EQ(sent(), (std::vector<std::string>{"F9 0C 01"}));
  EXPECT_TRUE(writer().Locked);
  ASSERT_TRUE(up().PodLock(0));
  EXPECT_FALSE(writer().Locked);
  writer().Faults.LockRefused = true;
  EXPECT_FALSE(up().PodLock(1)) << "FA with a second byte that is not 0";
  writer().Faults.LockRefused = false;
  writer().Faults.LockedElsewhere = true;
  EXPECT_TRUE(up().PodLock(1)) << "49";
}

TEST_P(ProgrammerCommandsTest, TheDisplayShowsTextOnBothLines) {
  start();
  ASSERT_TRUE(up().PodLcdClear());
  EXPECT_EQ(sent(), (std::vector<std::string>{"BB 00 00 01"}));
  pod().ClearLog();
  // A padded 32-character text at position 0 fills the first line and
  // goes on at the second.
  const std::string text = Padded("Vo-RIV ICE Connect", 32);
  ASSERT_TRUE(up().PodLcdWriteText(0, text));
  EXPECT_EQ(sent(), (std::vector<std::string>{"BB 00 00 80", TextPacket(text.substr(0, 16)),
                                              "BB 00 00 C0", TextPacket(text.substr(16))}));
  EXPECT_EQ(writer().DisplayLine(0), "Vo-RIV ICE Conne");
  EXPECT_EQ(writer().DisplayLine(1), Padded("ct", 16));
  EXPECT_NE(pod().LogText().find("< AA 00 00"), std::string::npos);

  pod().ClearLog();
  ASSERT_TRUE(up().PodLcdWriteText(0x43, "OK"));
  EXPECT_EQ(sent(), (std::vector<std::string>{"BB 00 00 C3", TextPacket("OK")}));
  EXPECT_EQ(writer().DisplayLine(1), Padded("ct OK", 16));
  // A short text on the first line stays there.
  pod().ClearLog();
  ASSERT_TRUE(up().PodLcdWriteText(2, "ab"));
  EXPECT_EQ(sent(), (std::vector<std::string>{"BB 00 00 82", TextPacket("ab")}));
}

TEST_P(ProgrammerCommandsTest, DisplayPositionsPastTheLineAreClamped) {
  start();
  ASSERT_TRUE(up().PodLcdWriteText(20, "xyz"));
  EXPECT_EQ(sent(), (std::vector<std::string>{"BB 00 00 8F", TextPacket("x"), "BB 00 00 C0",
                                              TextPacket("yz")}));
  pod().ClearLog();
  ASSERT_TRUE(up().PodLcdWriteText(0x40 | 30, "xyz"));
  EXPECT_EQ(sent(), (std::vector<std::string>{"BB 00 00 CF", TextPacket("x")}));
  EXPECT_EQ(writer().DisplayLine(1)[15], 'x');
  // A text longer than the display is cut to it.
  pod().ClearLog();
  ASSERT_TRUE(up().PodLcdWriteText(0, std::string(40, '#')));
  const auto p = sent();
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[3], TextPacket(std::string(16, '#')));
}

TEST_P(ProgrammerCommandsTest, TheStatusReadsItsReplyAndTheRecordsWords) {
  start();
  const std::vector<uint8_t> record = {0x00, 0x00, 0x10, 0x00, 0x0B, 0x02};
  std::copy(record.begin(), record.end(), writer().Flash.begin() + 0xFFE0);
  writer().OperationMs = 0;
  writer().Chip.Program[5] = 0x1234;  // not blank at word 5
  EXPECT_EQ(up().ChipOperationWithStatus({}, 4096, TChipOperation::Blank), 2);
  pod().ClearLog();
  TWriterStatus s;
  ASSERT_TRUE(up().WriterReadStatus(s));
  EXPECT_EQ(sent(), (std::vector<std::string>{"B8 10", "AA 03 00 FF E0 00 00 06", "AB"}));
  EXPECT_TRUE(s.Valid);
  EXPECT_EQ(s.Flags, 0x02);
  EXPECT_EQ(s.Value1, 5);
  EXPECT_EQ(s.RecordWords, 0x1000);
  EXPECT_EQ(s.RecordChipId, 0x0B02);
  EXPECT_EQ(s.ErrorAddress(), 5);
  EXPECT_FALSE(s.VppError());
  EXPECT_FALSE(s.VddError());
}

TEST_P(ProgrammerCommandsTest, EveryCommandFailsOnALostLink) {
  start();
  pod().Faults.Unplugged = true;
  uint8_t s = 0;
  uint16_t a = 0, b = 0, c = 0;
  TWriterStatus st;
  EXPECT_FALSE(up().WriterIsBusy(s));
  EXPECT_FALSE(up().WriterFinish());
  EXPECT_FALSE(up().WriterWaitReady());
  EXPECT_FALSE(up().WriterWriteChunk(0, 128));
  EXPECT_FALSE(up().WriterReadImage(0, 128, {}));
  EXPECT_FALSE(up().WriterReadFlashInfo(a, b, c));
  EXPECT_FALSE(up().WriterEraseBlock(0));
  EXPECT_FALSE(up().ReadChipMemory({}, 0, 16));
  EXPECT_FALSE(up().ReadChipIdWords(a, b));
  EXPECT_FALSE(up().WriterReadStatus(st));
  EXPECT_FALSE(up().WriterCheckIdentity());
  EXPECT_FALSE(up().PodLock(1));
  EXPECT_FALSE(up().PodLcdWriteText(0, "x"));
  EXPECT_EQ(up().ChipOperationWithStatus({}, 16, TChipOperation::Verify), chipop::LinkFailed);
  expectLost();
}

TEST_P(ProgrammerCommandsTest, NothingLeftInTheBufferGoesOutWithACommand) {
  start();
  // Whatever an earlier reply left in the buffer, the unused bytes of each
  // packet go out as 0 (the virtual pod records any that do not).
  auto dirty = [&] { link().PodIoBuffer.fill(0xEE); };
  uint8_t s = 0;
  uint16_t a = 0, b = 0;
  dirty();
  EXPECT_TRUE(up().WriterFinish());
  dirty();
  EXPECT_TRUE(up().WriterIsBusy(s));
  dirty();
  EXPECT_TRUE(up().WriterEraseBlock(0xF000));
  dirty();
  EXPECT_TRUE(up().PodLcdCommand(0x28));
  dirty();
  EXPECT_TRUE(up().ReadChipIdWords(a, b));
  dirty();
  EXPECT_TRUE(up().PodLock(1));
  EXPECT_EQ(sent()[0], "AC 06 00 00 00 00 00 00");
  EXPECT_EQ(sent()[1], "AC 05 00 00 00 00 00 01");
  EXPECT_EQ(sent()[2], "AC D8 00 F0 00 00 00 00");
  EXPECT_TRUE(pod().Violations.empty());
}

INSTANTIATE_TEST_SUITE_P(Framings, ProgrammerCommandsTest,
                         ::testing::Values(TFraming::Bulk, TFraming::Hid), FramingName);

}  // namespace
}  // namespace kyvor::test
