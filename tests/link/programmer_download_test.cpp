// An image file sent to the virtual writer: the program in chunks with a
// ready wait before each, the header, the download record, the read-back
// that leaves the writer's flash equal to the image, and the failures (a
// word that does not read back, a busy writer, a file of the wrong size);
// the protect form with its question and calibration block.
#include <algorithm>
#include <fstream>

#include "engine/infoblock.h"
#include "link/transfer_fixture.h"

namespace kyvor::test {
namespace {

const std::vector<std::string> kProgram = {
    "        ORG     0",
    "START:  MVL     05AH",
    "        MVF     080H, 1",
    "LOOP:   INF     080H, 1",
    "        JMP     LOOP",
    "        END",
};

class ProgrammerDownloadTest : public TransferTest {
 protected:
  // QR08B2: 4,096 words and the 128-word header; QN08A4: 4,096 words and the
  // 768-word one.
  void start(const std::string& chip) {
    selectChip(chip);
    if (HasFatalFailure()) return;
    assemble(kProgram);
    if (HasFatalFailure()) return;
    openEmulator();
    words_ = uint32_t(ProgramMemoryPages()) * 256;
    for (uint32_t i = 0; i < words_; ++i) image_.push_back(up().GetOpcode(i));
    for (uint32_t i = 8; i < words_; ++i) image_[i] = uint16_t(0x0100 + 5 * i);  // more than NOPs
    const bool shortLayout = Chip().DeviceKind3 == 1;
    header_.assign(shortLayout ? 256 : 768, 0);
    for (size_t k = 0; k < header_.size(); ++k) header_[k] = uint16_t(0x4400 + k);
    if (shortLayout) {
      header_[infoword::ChipId] = Chip().ChipId;
      header_[infoword::CodeChecksum] = 0xC0DE;
      header_[infoword::Protect] = 0xF7FE;
    }
    writeFile(path(), image_, header_);
  }
  std::string path() const { return (dir_ / "image.hex").string(); }
  static void writeFile(const std::string& file, const std::vector<uint16_t>& a,
                        const std::vector<uint16_t>& b) {
    std::ofstream out(file, std::ios::binary);
    for (const auto* v : {&a, &b})
      for (uint16_t w : *v) out << char(w >> 8) << char(w & 0xFF);
  }
  TWriterDownload download() const {
    return {path(), words_ * 2, Chip().SbmAddress, Chip().ChipId, 0x1357};
  }
  TVirtualWriter& writer() { return pod().Writer; }
  std::vector<uint16_t> flash(uint32_t at, size_t n) { return writer().FlashWords(at, n); }

  uint32_t words_ = 0;
  std::vector<uint16_t> image_, header_;
};

TEST_F(ProgrammerDownloadTest, TheImageGoesInChunksWithReadyWaitsAndReadsBackEqual) {
  start("QR08B2");
  const TWriterDownloadResult r = up().WriterDownloadImage(download());
  ASSERT_TRUE(r.Ok) << r.DownloadFailIndex;
  EXPECT_EQ(flash(0, words_), image_);
  EXPECT_EQ(flash(0x8000, 128), std::vector<uint16_t>(header_.begin(), header_.begin() + 128));
  // 32 chunks of 128 words, a ready wait (polls, then finish) before each but the first.
  const auto p = sent();
  std::vector<size_t> chunks;
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i].rfind("AA 02 00 ", 0) == 0 && p[i].substr(p[i].size() - 8) == "00 01 00") chunks.push_back(i);
  ASSERT_EQ(chunks.size(), 32u + 2u) << "the program's chunks, the header and the record";
  EXPECT_EQ(p[chunks[0]], "AA 02 00 00 00 00 01 00");
  EXPECT_EQ(p[chunks[1]], "AA 02 00 01 00 00 01 00");
  EXPECT_EQ(p[chunks[1] - 1], "AC 06 00 00 00 00 00 00");
  EXPECT_EQ(p[chunks[1] - 2].substr(0, 5), "AC 05");
  EXPECT_EQ(p[chunks[32]], "AA 02 00 80 00 00 01 00");
  EXPECT_EQ(countSent("AA 02 00 FF 00 00 01 00"), 1) << "the record";
  // The progress after the first chunk: (0 x 100 + 12800) / 4096.
  ASSERT_GT(gauge_.size(), 2u);
  EXPECT_EQ(gauge_[0], 0);
  EXPECT_EQ(gauge_[1], 3);
  // The read-back: the program, the header, the record.
  EXPECT_EQ(countSent("AA 03 00 00 00 00 20 00"), 1);
  EXPECT_EQ(countSent("AA 03 00 80 00 00 01 00"), 1);
  EXPECT_EQ(countSent("AA 03 00 FF 00 00 01 00"), 1);
  // The record and the writer's setting carry the header's CRC.
  uint16_t crc = 0;
  for (int k = 0; k < 128; ++k) crc = ImageCrc16Word(header_[size_t(k)], crc);
  const auto record = flash(0xFF00, 128);
  EXPECT_EQ(record[241 - 128], words_);
  EXPECT_EQ(record[242 - 128], Chip().ChipId);
  EXPECT_EQ(record[243 - 128], 0xF7FE);
  EXPECT_EQ(record[244 - 128], uint16_t(2 * Chip().SbmAddress - 0x8000));
  EXPECT_EQ(record[245 - 128], uint16_t(0x7FFF - 256 * Chip().SbmAddress));
  EXPECT_EQ(record[246 - 128], 0xC0DE);
  EXPECT_EQ(record[247 - 128], crc);
  EXPECT_EQ(r.BlockCrc, crc);
  EXPECT_EQ(writer().Settings, (std::vector<uint16_t>{crc}));
  EXPECT_EQ(r.CodeChecksum, 0xC0DE) << "the checksum read back from the writer";
  // The path in the record, two characters a word.
  const std::string file = path();
  EXPECT_EQ(record[0], uint16_t(uint8_t(file[0]) << 8 | uint8_t(file[1])));
  // The cells and the header are the file's again.
  EXPECT_EQ(up().GetOpcode(100), image_[100]);
  EXPECT_EQ(up().Info.InfoBlock[200], header_[200]);
}

TEST_F(ProgrammerDownloadTest, TheLongHeaderGoesInThreeBlocksFromTheInformationBlock) {
  start("QN08A4");
  ASSERT_EQ(Chip().DeviceKind3, 0);
  const TWriterDownloadResult r = up().WriterDownloadImage(download());
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(flash(0, words_), image_);
  EXPECT_EQ(flash(0x4000, 768), header_);
  for (const char* h : {"AA 02 00 40 00 00 02 00", "AA 02 00 42 00 00 02 00",
                        "AA 02 00 44 00 00 02 00"})
    EXPECT_EQ(countSent(h), 1) << h;
  const auto record = flash(0xFF00, 128);
  EXPECT_EQ(record[243 - 128], 2048);
  EXPECT_EQ(record[244 - 128], 5120);
  EXPECT_EQ(record[245 - 128], 1536);
  EXPECT_EQ(record[246 - 128], 0x1357) << "the build's checksum";
  EXPECT_EQ(record[247 - 128], 0);
  EXPECT_TRUE(writer().Settings.empty());
  EXPECT_EQ(countSent("AA 03 00 80 00"), 0) << "no short header to read back";
}

TEST_F(ProgrammerDownloadTest, AWordThatDoesNotReadBackIsReportedByIndexAndHexWords) {
  start("QR08B2");
  writer().Flash[2 * 9] = 0x00;  // a byte the erase missed
  const TWriterDownloadResult r = up().WriterDownloadImage(download());
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.DownloadFailIndex, 9);
  char written[8], read[8];
  std::snprintf(written, sizeof written, "%04X", image_[9]);
  std::snprintf(read, sizeof read, "%04X", image_[9] & 0x00FF);
  EXPECT_EQ(r.DownloadFailWritten, written);
  EXPECT_EQ(r.DownloadFailRead, read);
  EXPECT_EQ(countSent("AA 03 00 80 00"), 0) << "the verification stops at the difference";
}

TEST_F(ProgrammerDownloadTest, ALongHeaderThatDoesNotReadBackFailsTheVerification) {
  start("QN08A4");
  writer().Flash[0x4000 + 2 * 300] = 0x00;  // a header byte the erase missed
  const TWriterDownloadResult r = up().WriterDownloadImage(download());
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.DownloadFailIndex, -1) << "the program part read back equal";
  EXPECT_EQ(countSent("AA 03 00 40 00 00 06 00"), 1) << "the 768 header words read back";
  EXPECT_EQ(countSent("AA 03 00 FF 00"), 0) << "the verification stops at the header";
}

TEST_F(ProgrammerDownloadTest, TheLongLayoutsRecordIsVerifiedToo) {
  start("QN08A4");
  writer().Flash[0xFF00 + 2 * 113] = 0x00;  // the record's word count (0x1000), high byte
  EXPECT_FALSE(up().WriterDownloadImage(download()).Ok);
  EXPECT_EQ(countSent("AA 03 00 FF 00 00 01 00"), 1);
}

// The program part must end at or below the header, the header at or below
// the record at 0xFF00.
TEST(WriterImageFits, TheProgramEndsAtTheHeaderAndTheHeaderBelowTheRecord) {
  EXPECT_TRUE(WriterImageFits(0, false));
  EXPECT_TRUE(WriterImageFits(0x4000, false)) << "8,192 words end where the long header begins";
  EXPECT_FALSE(WriterImageFits(0x4002, false));
  EXPECT_FALSE(WriterImageFits(0x8000, false)) << "16,384 words (KY08A16)";
  EXPECT_TRUE(WriterImageFits(0x8000, true)) << "16,384 words below the short header";
  EXPECT_FALSE(WriterImageFits(0x8002, true));
  EXPECT_FALSE(WriterImageFits(0x10000, true)) << "32,768 words (QR08A3)";
}

TEST_F(ProgrammerDownloadTest, KY08A16IsRefusedWithoutAPacketUnlessTheHeaderIsShort) {
  start("KY08A16");
  ASSERT_EQ(Chip().DeviceKind3, 0);
  EXPECT_FALSE(up().WriterImageFits(words_ * 2, false));
  EXPECT_FALSE(up().WriterDownloadImage(download()).Ok);
  EXPECT_TRUE(sent().empty());
  // The protect form puts the short header at 0x8000, just above the program.
  EXPECT_TRUE(up().WriterImageFits(words_ * 2, true));
}

TEST_F(ProgrammerDownloadTest, QR08A3IsRefusedWithoutAPacketButReadOverTheParallelPort) {
  start("QR08A3");
  ASSERT_EQ(Chip().DeviceKind3, 1);
  EXPECT_FALSE(up().WriterImageFits(words_ * 2, true));
  EXPECT_FALSE(up().WriterDownloadImage(download()).Ok);
  EXPECT_FALSE(up().WriterDownloadAndProtect(download()).Ok);
  EXPECT_TRUE(sent().empty());
  // The writer keeps no image there: the file is only read.
  Modes().IceInterfaceIndex = 1;
  EXPECT_TRUE(up().WriterDownloadImage(download()).Ok);
  EXPECT_EQ(up().GetOpcode(20000), image_[20000]);
}

TEST_F(ProgrammerDownloadTest, ABusyWriterEndsTheDownloadBeforeAnyData) {
  start("QR08B2");
  writer().Faults.BusyForever = true;
  const auto t0 = clock_.now();
  EXPECT_FALSE(up().WriterDownloadImage(download()).Ok);
  EXPECT_GE(ElapsedMs(t0), 5000);
  EXPECT_EQ(countSent("AA 02"), 0);
}

TEST_F(ProgrammerDownloadTest, AFileOfTheWrongSizeOrNoFileSendsNothing) {
  start("QR08B2");
  std::vector<uint16_t> longer = image_;
  longer.push_back(0);
  writeFile(path(), longer, header_);
  EXPECT_FALSE(up().WriterDownloadImage(download()).Ok);
  TWriterDownload missing = download();
  missing.Path = (dir_ / "none.hex").string();
  EXPECT_FALSE(up().WriterDownloadImage(missing).Ok);
  EXPECT_EQ(sent(), (std::vector<std::string>{"F9 09", "F9 09"}));
  // An image that does not fit the program cells is refused too.
  TWriterDownload huge = download();
  huge.Bytes = 2 * 40000;
  EXPECT_FALSE(up().WriterDownloadImage(huge).Ok);
  EXPECT_EQ(countSent("AA"), 0);
}

TEST_F(ProgrammerDownloadTest, AChipWithoutProgramPagesDownloadsOnlyTheHeader) {
  start("QR08B2");
  writeFile(path(), {}, header_);
  TWriterDownload d = download();
  d.Bytes = 0;
  const TWriterDownloadResult r = up().WriterDownloadImage(d);
  EXPECT_TRUE(r.Ok);
  EXPECT_EQ(countSent("AA 02 00 00 00"), 0);
  EXPECT_EQ(flash(0x8000, 4), std::vector<uint16_t>(header_.begin(), header_.begin() + 4));
  EXPECT_EQ(flash(0xFF00 + 2 * 113, 1), std::vector<uint16_t>{0});
}

TEST_F(ProgrammerDownloadTest, OverTheParallelPortOnlyTheFileIsRead) {
  start("QR08B2");
  Modes().IceInterfaceIndex = 1;
  const TWriterDownloadResult r = up().WriterDownloadImage(download());
  EXPECT_TRUE(r.Ok);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(up().GetOpcode(9), image_[9]);
  EXPECT_EQ(up().Info.InfoBlock[127], 0xF7FE);
}

class ProtectDownloadTest : public ProgrammerDownloadTest {
 protected:
  void SetUp() override {
    ProgrammerDownloadTest::SetUp();
    start("QR08B2");
    header_[infoword::Protect] = 0xFFFE;  // not protected
    for (int k = 0; k < 21; ++k) header_[size_t(208 + k)] = uint16_t((4 * k) << 8 | (4 * k + 1));
    header_[infoword::ChipId] = 0x0B77;
    writeFile(path(), image_, header_);
  }
};

TEST_F(ProtectDownloadTest, AnUnprotectedImageIsProtectedWhenTheUserSaysYes) {
  dialogs_.answer(MsgResult::Yes);
  const TWriterDownloadResult r = up().WriterDownloadAndProtect(download());
  ASSERT_TRUE(r.Ok);
  ASSERT_EQ(dialogs_.messageTexts().size(), 1u);
  EXPECT_EQ(dialogs_.messageTexts()[0], "Source Code hadn't been protected,  Protect ?");
  EXPECT_EQ(r.Notes, (std::vector<std::string>{"Program had been protected !!"}));
  EXPECT_EQ(flash(0x8000 + 2 * 127, 1), std::vector<uint16_t>{0xF7FE});
  EXPECT_EQ(flash(0xFF00 + 2 * (242 - 128), 1), std::vector<uint16_t>{0x0B77})
      << "the image's own chip id";
  // The calibration and option packet from header words 208..228: the two
  // 32-bit values turned round, the last ten bytes 0.
  ASSERT_EQ(writer().CalibrationPackets.size(), 1u);
  const auto& packet = writer().CalibrationPackets[0];
  const std::vector<uint8_t> front(packet.begin(), packet.begin() + 15);
  EXPECT_EQ(front, (std::vector<uint8_t>{0xF9, 0x10, 0x00, 0, 1, 9, 8, 5, 4, 12, 13, 21, 20, 17, 16}));
  EXPECT_EQ(packet[3 + 12], 24);
  EXPECT_EQ(packet[3 + 41], 81);
  EXPECT_TRUE(std::all_of(packet.begin() + 3 + 42, packet.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(ProtectDownloadTest, NoLeavesTheImageUnprotectedAndAProtectedImageAsksNothing) {
  dialogs_.answer(MsgResult::No);
  TWriterDownloadResult r = up().WriterDownloadAndProtect(download());
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Notes, (std::vector<std::string>{"Program hadn't been protected !!"}));
  EXPECT_EQ(flash(0x8000 + 2 * 127, 1), std::vector<uint16_t>{0xFFFE});

  header_[infoword::Protect] = 0xF7FE;
  writeFile(path(), image_, header_);
  for (uint32_t a : {0x0000u, 0x1000u, 0x3000u, 0x7000u, 0xF000u}) writer().Erase(a);
  dialogs_.clear();
  r = up().WriterDownloadAndProtect(download());
  ASSERT_TRUE(r.Ok);
  EXPECT_TRUE(dialogs_.messageTexts().empty());
  EXPECT_EQ(r.Notes, (std::vector<std::string>{"Program had been protected !!"}));
}

}  // namespace
}  // namespace kyvor::test
