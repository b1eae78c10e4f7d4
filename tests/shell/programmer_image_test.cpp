// DownLoad of an image file into the writer's image memory and ReadFlash of
// it back, against the virtual pod's writer: the key mode, the erase, the
// download with its protect question, the result lines and panels, the dump
// grid; the file's chip and ACM voltage; a cancelled dialog, a file of the
// wrong length, a busy writer, the parallel port; an erased writer's word
// count. Save Hex writes a file that DownLoad takes; Read From Writer Memory
// shows at most 8,192 words; the menu items' states.
#include <QAction>
#include <QLabel>

#include "shell/programmer/programmer_commands.h"
#include "support/file_bytes.h"
#include "support/programmer_session.h"

namespace kyvor::test {
namespace {

using Lines = std::vector<std::string>;

class ProgrammerImage : public ProgrammerSession {
 protected:
  int busyWidth() { return main().findChild<QLabel*>("StBusy")->maximumWidth(); }
  int count(const std::string& prefix) {
    int n = 0;
    for (const std::string& p : packets()) n += p.rfind(prefix, 0) == 0;
    return n;
  }
  // Where the first packet that begins with `prefix` is (-1: none).
  int find(const std::string& prefix) {
    const auto p = packets();
    for (size_t i = 0; i < p.size(); ++i)
      if (p[i].rfind(prefix, 0) == 0) return int(i);
    return -1;
  }
  std::string downLoad(const std::string& path) {
    dialogs.answerFile(path);
    main().SMenu_DownLoadClick();
    return path;
  }
  // `n` program words of the test's pattern (an image of another chip's size).
  static std::vector<uint16_t> wordsOf(uint32_t n) {
    std::vector<uint16_t> w(n);
    for (uint32_t i = 0; i < n; ++i) w[i] = uint16_t(0x0100 + 7 * i);
    return w;
  }
  std::string rowOf(const std::vector<uint16_t>& words, int row) {
    std::string s;
    for (int c = 0; c < 16; ++c) {
      char b[8];
      std::snprintf(b, sizeof b, "%s%04X", c ? " " : "", words[size_t((row - 1) * 16 + c)]);
      s += b;
    }
    return s;
  }
};

TEST_F(ProgrammerImage, DownLoadErasesTheWriterSendsTheImageAndShowsIt) {
  const std::string path = writeImage("img.hex", imageWords(), imageHeader());
  openLink();
  dialogs.answer(MsgResult::No);  // the image stays unprotected
  downLoad(path);
  const Lines p = packets();
  // The blank key mode, then the chip reloaded twice (the file's chip), the pod taken.
  ASSERT_GE(p.size(), 20u);
  EXPECT_EQ(Lines(p.begin(), p.begin() + 10), (Lines{"B0 13", "F9 09", "F9 0D FF", "F9 0E", "F9 09",
                                                     p[5], "B0 13", "F9 09", "F9 AC", "F9 0C 01"}));
  EXPECT_EQ(p[5].substr(0, 5), "F9 12");
  EXPECT_EQ(writer().Erased, (std::vector<uint32_t>{0x0000, 0x1000, 0x3000, 0x7000, 0xF000}));
  EXPECT_LT(find("AC D8"), find("AA 02")) << "erased before it is written";
  EXPECT_EQ(p.back(), "F9 0C 00");
  EXPECT_EQ(writer().FlashWords(0, words()), imageWords());
  EXPECT_EQ(writer().FlashWord(0xFFE4), Chip().ChipId) << "the record names the chip";
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"Source Code hadn't been protected,  Protect ?"}));
  EXPECT_EQ(labelled(),
            (Lines{"|Program hadn't been protected !!", "OK|" + path + "   Download OK"}));
  EXPECT_EQ(Shell().LastProgrammerFile, path);
  EXPECT_EQ(main().StatusText(), path);
  EXPECT_EQ(Shell().CodeChecksum, 0xC0DE);
  EXPECT_EQ(main().CheckSumText(), "Checksum = 0xC0DE");
  EXPECT_EQ(dumpRow(1), rowOf(imageWords(), 1));
  EXPECT_EQ(dumpRow(256), rowOf(imageWords(), 256));
  EXPECT_EQ(busyWidth(), 10);
  EXPECT_FALSE(writer().Locked);
  EXPECT_TRUE(pod.Violations.empty());
  // The pod display said what was going on.
  EXPECT_EQ(writer().DisplayLine(0) + writer().DisplayLine(1),
            DisplayText("Down Load to Flash memory..."));
}

TEST_F(ProgrammerImage, DownLoadThenReadFlashGivesTheImageBack) {
  auto header = imageHeader(0xBEEF);
  header[infoword::Acm] = 0x067F;
  downLoad(writeImage("img.hex", imageWords(), header));
  // Another chip selected meanwhile; ReadFlash takes the writer's chip and size.
  Options().RACM10 = 0;
  selectChip("QN08A4");
  err().ClearErrors();
  hex().PrepareDump(3);
  openLink();
  main().SMenu_ReadLoadClick();
  EXPECT_EQ(Chip().ChipId, 0x0B02) << "the image's chip";
  EXPECT_EQ(Shell().ImageFileChipId, 0x0B02);
  EXPECT_EQ(Options().RACM10, 1) << "the image's ACM voltage";
  EXPECT_EQ(Chip().ChipRomWords, words());
  for (int row : {1, 2, 128, 256}) EXPECT_EQ(dumpRow(row), rowOf(imageWords(), row)) << row;
  EXPECT_EQ(main().CheckSumText(), "Checksum = 0xBEEF");
  EXPECT_TRUE(lines().empty());
  EXPECT_TRUE(main().IsViewShowing(&hex()));
  const Lines p = packets();
  EXPECT_EQ(Lines(p.begin(), p.begin() + 3), (Lines{"F9 AC", "F9 0C 01", "F9 09"}));
  EXPECT_EQ(p.back(), "F9 0C 00");
  EXPECT_EQ(count("AA 03 00 00 00 00 20 00"), 1) << "the image: 4,096 words";
  EXPECT_EQ(count("AA 03 00 80 F6 00 00 02"), 1) << "its checksum";
  EXPECT_EQ(busyWidth(), 10);
}

TEST_F(ProgrammerImage, ReadFlashOfAnErasedWriterSaysSoAndReadsNoImage) {
  const uint32_t rom = Chip().ChipRomWords;
  openLink();
  main().SMenu_ReadLoadClick();
  EXPECT_EQ(labelled(), (Lines{"ERROR|Flash Word Count Error!!  Word Count = 0xFFFF"}));
  EXPECT_EQ(Chip().ChipRomWords, rom) << "the chip keeps its size";
  EXPECT_EQ(count("AA 03 00 00 00"), 0);
  EXPECT_EQ(packets().back(), "F9 0C 00");
}

TEST_F(ProgrammerImage, ReadFlashNeedsAPodOnUsbThatCanBeTaken) {
  Modes().IceInterfaceIndex = 1;
  main().SMenu_ReadLoadClick();
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"Interface not USB !!"}));
  Modes().IceInterfaceIndex = 4;
  writer().Faults.LockRefused = true;
  dialogs.clear();
  main().SMenu_ReadLoadClick();
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"VO-RIV Buzy !!"}));
  pod.Faults.Unplugged = true;
  ThePod().PodLinkClose();
  dialogs.clear();
  main().SMenu_ReadLoadClick();
  ASSERT_EQ(dialogs.messageTexts().size(), 1u);
  EXPECT_EQ(dialogs.messageTexts()[0].rfind("KyVor-IDE Connect Error , Please check !!", 0), 0u);
  EXPECT_EQ(busyWidth(), 10);
}

TEST_F(ProgrammerImage, ACancelledDialogStillShowsTheChecksumAndTheProgramAndRestoresThePanel) {
  for (uint32_t i = 0; i < 16; ++i) up().State().Cell(i).Opcode = uint16_t(0xA000 + i);
  up().Info.InfoBlock[infoword::CodeChecksum] = 0x4242;
  openLink();
  main().SMenu_DownLoadClick();
  EXPECT_EQ(main().CheckSumText(), "Checksum = 0x4242");
  EXPECT_EQ(dumpRow(1).substr(0, 9), "A000 A001");
  EXPECT_EQ(count("F9 AC"), 0) << "no pod is taken";
  EXPECT_EQ(busyWidth(), 10) << "the busy panel is back";
}

TEST_F(ProgrammerImage, AFileOfTheWrongLengthIsRefusedAndNothingIsSent) {
  auto program = imageWords();
  program.pop_back();
  const std::string path = writeImage("short.hex", program, imageHeader());
  openLink();
  downLoad(path);
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"Download File Length  Error , Please check !!"}));
  EXPECT_EQ(count("F9 AC"), 0);
  EXPECT_TRUE(writer().Erased.empty());
  EXPECT_EQ(busyWidth(), 10);
  // One byte short or long: the bytes where a header's chip id would lie
  // name no chip, yet the length is what is wrong.
  const std::string whole = ReadFileBytes(writeImage("whole.hex", imageWords(), imageHeader()));
  for (const std::string& bytes : {whole.substr(0, whole.size() - 1), whole + '\xFF'}) {
    dialogs.clear();
    WriteFileBytes(path, bytes);
    downLoad(path);
    EXPECT_EQ(dialogs.messageTexts(), (Lines{"Download File Length  Error , Please check !!"}))
        << bytes.size() << " bytes";
    EXPECT_EQ(Chip().ChipProductName, "QR08B2");
    EXPECT_EQ(count("F9 AC"), 0);
    EXPECT_EQ(count("AA"), 0);
    EXPECT_TRUE(writer().Erased.empty());
    EXPECT_TRUE(Shell().LastProgrammerFile.empty());
    EXPECT_EQ(busyWidth(), 10);
  }
}

// QR08A3's 32,768 program words fill the writer's image memory up to its
// end, over the header at 0x8000 and the record at 0xFF00.
TEST_F(ProgrammerImage, AChipBeyondTheHeaderIsRefusedBeforeThePodIsTaken) {
  selectChip("QR08A3");
  auto header = imageHeader();
  const std::string path = writeImage("big.hex", imageWords(), header);
  Shell().CodeChecksum = 0x1111;
  openLink();
  downLoad(path);
  EXPECT_EQ(labelled(), (Lines{"ERROR|Chip ROM too large for the Programmer !!",
                               "Fail|" + path + "   Download Fail !!!"}));
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(count("F9 0C"), 0);
  EXPECT_EQ(count("AA"), 0);
  EXPECT_TRUE(writer().Erased.empty());
  EXPECT_TRUE(Shell().LastProgrammerFile.empty());
  EXPECT_EQ(Shell().CodeChecksum, 0x1111);
  EXPECT_TRUE(main().IsViewShowing(&err()));
  EXPECT_EQ(busyWidth(), 10);
  // KY08A16 downloads with the short header at 0x8000, just above its program.
  selectChip("KY08A16");
  header[237] = Chip().ChipId;
  dialogs.answer(MsgResult::No);
  const std::string fits = downLoad(writeImage("a16.hex", imageWords(), header));
  EXPECT_EQ(lines().back(), fits + "   Download OK");
  EXPECT_EQ(writer().FlashWords(0, words()), imageWords());
}

TEST_F(ProgrammerImage, TheFileChoosesTheChip) {
  auto header = imageHeader();
  header[237] = 0x0A16;
  dialogs.answer(MsgResult::No);
  const std::string a16 = downLoad(writeImage("a16.hex", wordsOf(16384), header));
  EXPECT_EQ(Chip().ChipProductName, "KY08A16");
  EXPECT_EQ(lastLine(), a16 + "   Download OK");
  // 0 and 0xFFFF change nothing.
  selectChip("QR08B2");
  header[237] = 0x7777;
  dialogs.answerFile(std::nullopt);
  Shell().ImageFileChipId = 0x7777;
  selectChip("QN08A4");
  TKYMAIN& m = main();
  m.SMenu_DownLoadClick();  // cancelled: the chip stays
  EXPECT_EQ(Chip().ChipProductName, "QN08A4");
  for (uint16_t id : {0x0000, 0xFFFF}) {
    auto h = imageHeader();
    h[237] = id;
    selectChip("QR08B2");
    downLoad(writeImage("none.hex", imageWords(), h));
    EXPECT_EQ(Chip().ChipProductName, "QR08B2") << id;
  }
}

// The file's length is checked against the chip its id selects, before the
// chip is switched or anything is sent.
TEST_F(ProgrammerImage, TheLengthIsThatOfTheFilesChip) {
  selectChip("QN08A4");
  openLink();
  auto header = imageHeader();
  header[237] = 0x0A01;  // QR08A1: 8,192 words
  downLoad(writeImage("a1.hex", imageWords(), header));
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"Download File Length  Error , Please check !!"}));
  EXPECT_EQ(Chip().ChipProductName, "QN08A4");
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(count("F9 AC"), 0);
  EXPECT_EQ(count("AA"), 0);
  EXPECT_TRUE(writer().Erased.empty());
  EXPECT_TRUE(Shell().LastProgrammerFile.empty());
  EXPECT_EQ(busyWidth(), 10);
  // The whole 8K image goes in, and QR08A1 is selected.
  dialogs.clear();
  dialogs.answer(MsgResult::No);
  const std::string a1 = downLoad(writeImage("a1-8k.hex", wordsOf(8192), header));
  EXPECT_EQ(Chip().ChipProductName, "QR08A1");
  EXPECT_EQ(lastLine(), a1 + "   Download OK");
  EXPECT_EQ(writer().FlashWords(0, 8192), wordsOf(8192));
}

// An id that no chip file carries says so; the chip stays, nothing is sent,
// and the next file of the chip goes in.
TEST_F(ProgrammerImage, AFileOfAnUnknownChipIsRefused) {
  selectChip("QN08A4");
  openLink();
  auto header = imageHeader();
  header[237] = 0x7777;
  downLoad(writeImage("unknown.hex", imageWords(), header));
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"Can not be found Chip ID!!"}));
  EXPECT_EQ(Chip().ChipProductName, "QN08A4");
  EXPECT_EQ(count("F9 AC"), 0);
  EXPECT_TRUE(writer().Erased.empty());
  dialogs.clear();
  dialogs.answer(MsgResult::No);
  const std::string a4 = downLoad(writeImage("a4.hex", imageWords(), imageHeader()));
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"Source Code hadn't been protected,  Protect ?"}));
  EXPECT_EQ(Chip().ChipProductName, "QN08A4");
  EXPECT_EQ(lastLine(), a4 + "   Download OK");
}

TEST_F(ProgrammerImage, ABusyWriterFailsTheDownload) {
  const std::string path = writeImage("img.hex", imageWords(), imageHeader());
  writer().Faults.BusyForever = true;
  Shell().CodeChecksum = 0x1111;
  downLoad(path);
  EXPECT_EQ(labelled(), (Lines{"Fail|" + path + "   Download Fail !!!"}));
  EXPECT_TRUE(Shell().LastProgrammerFile.empty());
  EXPECT_EQ(Shell().CodeChecksum, 0x1111) << "the checksum is not taken from a failed download";
  EXPECT_FALSE(writer().Locked);
  EXPECT_EQ(busyWidth(), 10);
}

TEST_F(ProgrammerImage, OverTheParallelPortTheFileIsOnlyRead) {
  const std::string path = writeImage("img.hex", imageWords(), imageHeader());
  Modes().IceInterfaceIndex = 1;
  openLink();
  downLoad(path);
  EXPECT_EQ(labelled(), (Lines{"OK|" + path + "   Read File OK"}));
  EXPECT_EQ(Shell().LastProgrammerFile, path);
  EXPECT_EQ(count("F9 AC"), 0);
  EXPECT_EQ(dumpRow(1), rowOf(imageWords(), 1));
}

TEST_F(ProgrammerImage, SaveHexWritesAFileThatDownLoadTakes) {
  const auto program = imageWords();
  for (uint32_t i = 0; i < program.size(); ++i) up().State().Cell(i).Opcode = program[i];
  const auto header = imageHeader(0x5A5A);
  std::copy(header.begin(), header.end(), up().Info.InfoBlock.begin());
  const std::string path = dir.filePath("saved").toStdString();
  dialogs.answerFile(path);
  main().SaveHexFileClick();
  EXPECT_EQ(ReadFileBytes(path + ".hex").size(), words() * 2 + 512) << "the default extension";
  for (uint32_t i = 0; i < program.size(); ++i) up().State().Cell(i).Opcode = 0;
  downLoad(path + ".hex");
  EXPECT_EQ(lines().back(), path + ".hex   Download OK");
  EXPECT_EQ(writer().FlashWords(0, words()), program);
  EXPECT_EQ(writer().FlashWord(0x8000 + 2 * infoword::CodeChecksum), 0x5A5A);
  EXPECT_EQ(main().CheckSumText(), "Checksum = 0x5A5A");
  // Cancelled: nothing is written.
  dialogs.answerFile(std::nullopt);
  main().SaveHexFileClick();
  EXPECT_FALSE(QFile::exists(dir.filePath("saved")));
}

TEST_F(ProgrammerImage, ReadFromWriterMemoryShowsAtMost8192Words) {
  selectChip("KY08A16");
  for (uint32_t a = 0; a < 0x8000; a += 2) writer().Flash[a] = uint8_t(a >> 9);
  main().SMenu_ReadWriterClick();
  EXPECT_EQ(dumpRow(1).substr(0, 4), "00FF");
  EXPECT_EQ(dumpRow(512).substr(0, 4), "1FFF");
  EXPECT_EQ(hex().DumpModel()->Text(513, 1).toStdString(), "") << "word 8,192 on is not shown";
  EXPECT_EQ(up().ReadbackWordOf(16383), 0x3FFF) << "all 16,384 words were read";
  EXPECT_TRUE(main().IsViewShowing(&hex()));
}

TEST_F(ProgrammerImage, TheMenuItemsFollowTheLayout) {
  TKYMAIN& m = main();
  using I = TMenuItem;
  for (TMenuItem n : {I::SMenu_DownLoad, I::SMenu_ReadLoad, I::SMenu_Blank, I::SMenu_Program,
                      I::SMenu_Read, I::SMenu_Verify, I::SMenu_Auto})
    EXPECT_TRUE(m.Action(n)->isEnabled()) << m.Action(n)->objectName().toStdString();
  EXPECT_TRUE(m.Action(TMenuItem::Menu_Programmer)->isVisible());
  EXPECT_FALSE(m.Action(TMenuItem::SaveHexFile)->isEnabled());
  EXPECT_FALSE(m.Action(TMenuItem::SMenu_ReadWriter)->isEnabled());
  EXPECT_FALSE(m.Action(TMenuItem::SMenu_ReadWriter)->isVisible());
  Options().PProg = 0;
  m.FormActivate();
  EXPECT_FALSE(m.Action(TMenuItem::SMenu_DownLoad)->isEnabled());
  EXPECT_FALSE(m.Action(TMenuItem::SMenu_ReadLoad)->isEnabled());
  EXPECT_FALSE(m.Action(TMenuItem::Menu_Programmer)->isVisible());
}

}  // namespace
}  // namespace kyvor::test
