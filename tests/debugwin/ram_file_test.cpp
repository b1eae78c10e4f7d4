// ".ram" files and the spreadsheet export of the RAM window: the file's layout
// byte for byte, the round trip, what a load skips, the value count of a chip
// with a gap in its banks, and the cells of the written workbook.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "debugwin/kyram.h"
#include "debugwin/ramdata.h"
#include "debugwin/ramexcel.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"
#include "support/file_bytes.h"
#if defined(KYVOR_HAVE_XLSXWRITER)
#include "xlsx_reader.h"
#endif

namespace kyvor {
namespace {

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) {
      out.push_back(bytes.substr(at) + "<no CR LF>");
      break;
    }
    out.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

class RamFile : public test::DebugTargetTest {
 protected:
  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
  QTemporaryDir dir;
};

TEST_F(RamFile, LayoutOfASavedFile) {
  // KY08A16: banks 0 to 3.
  ASSERT_EQ(RamFileValueCount(), 1024);
  up->WriteRegisterModel(0x80, 0xAB);
  up->WriteRegisterModel(41, 0x07);
  TRamMarks marks;
  marks.SetMark(0x80, 0x808080);
  marks.SetHint(0x81, "ticks");
  marks.SetMark(0x3FF, 255);
  ASSERT_TRUE(SaveRamFile(path("a.ram"), *up, marks));
  const auto lines = Lines(test::ReadFileBytes(path("a.ram")));
  ASSERT_EQ(lines.size(), 1024u + 3 * 1024u);
  EXPECT_EQ(lines[0x80], "AB");
  EXPECT_EQ(lines[41], "07");
  EXPECT_EQ(lines[0x81], "00");
  const int none = 0x2F;
  ASSERT_EQ(Chip().DataMemoryMap[none], 0);
  EXPECT_EQ(lines[none], "-");
  const std::size_t m = 1024;
  EXPECT_EQ(lines[m + 3 * 0x80], " 1 0");
  EXPECT_EQ(lines[m + 3 * 0x80 + 1], "8421504");
  EXPECT_EQ(lines[m + 3 * 0x80 + 2], "");
  EXPECT_EQ(lines[m + 3 * 0x81], " 0 1");
  EXPECT_EQ(lines[m + 3 * 0x81 + 1], "0");
  EXPECT_EQ(lines[m + 3 * 0x81 + 2], "ticks");
  EXPECT_EQ(lines[m + 3 * 0x3FF], " 1 0");
  EXPECT_EQ(lines[m + 3 * 0x3FF + 1], "255");
}

TEST_F(RamFile, TwoBanksGive512ValuesAnd1536MarkLines) {
  for (int b = 2; b < kRamBankCount; ++b) Chip().RamBankRanges[std::size_t(b)] = {};
  ASSERT_TRUE(SaveRamFile(path("b.ram"), *up, TRamMarks{}));
  EXPECT_EQ(Lines(test::ReadFileBytes(path("b.ram"))).size(), 512u + 1536u);
}

// A chip that leaves a bank out below its highest one: the file still covers
// the highest bank, so its bytes survive a save and a load.
TEST_F(RamFile, AGapInTheBanksLosesNoData) {
  Chip().RamBankRanges[2] = {0x200, 0x200};
  for (int a = 0x200; a < 0x300; ++a) Chip().DataMemoryMap[std::size_t(a)] = 0;
  ASSERT_EQ(DataMemorySize(), 768);
  EXPECT_EQ(RamFileValueCount(), 1024);
  up->WriteRegisterModel(0x3F0, 0x5C);
  ASSERT_TRUE(SaveRamFile(path("gap.ram"), *up, TRamMarks{}));
  const auto lines = Lines(test::ReadFileBytes(path("gap.ram")));
  EXPECT_EQ(lines[0x3F0], "5C");
  EXPECT_EQ(lines[0x210], "-");
  TKy_UP other;
  other.ApplyChipConfig();
  TRamFileContent c;
  ASSERT_TRUE(ReadRamFile(path("gap.ram"), RamFileValueCount(), c));
  TRamMarks marks;
  ApplyRamFile(c, other, marks);
  EXPECT_EQ(other.ReadRegister(0x3F0), 0x5C);
}

TEST_F(RamFile, RoundTripIsByteExactAndSkipsIndirectAndDashCells) {
  for (int a = 15; a < 1024; ++a)
    if (Chip().DataMemoryMap[std::size_t(a)]) up->WriteRegisterModel(a, uint8_t(a * 7));
  TRamMarks marks;
  marks.SetMark(0x90, 0x123456);
  marks.SetHint(0x91, "first");
  marks.SetHint(0x391, "last one");
  ASSERT_TRUE(SaveRamFile(path("c.ram"), *up, marks));

  TKy_UP other;
  other.ApplyChipConfig();
  int logged = 0;
  other.Hooks.RegisterWritten = [&](int a) {
    ++logged;
    EXPECT_GT(a, 14) << "the indirect registers are not written";
    EXPECT_NE(Chip().DataMemoryMap[std::size_t(a)], 0) << "nor a \"-\" cell";
  };
  other.WriteRegisterModel(5, 0x99);
  TRamFileContent c;
  ASSERT_TRUE(ReadRamFile(path("c.ram"), RamFileValueCount(), c));
  TRamMarks back;
  ApplyRamFile(c, other, back);
  EXPECT_GT(logged, 100);
  EXPECT_EQ(other.RegRecord.Count(), 0) << "a load is not logged";
  EXPECT_EQ(other.ReadRegister(5), 0x99);
  EXPECT_EQ(other.ReadRegister(0x123), uint8_t(0x123 * 7));
  EXPECT_TRUE(back.Marked(0x90));
  EXPECT_EQ(back.MarkColour[0x90], 0x123456u);
  EXPECT_EQ(back.HintText[0x391], "last one");
  EXPECT_TRUE(back.Hinted(0x91));
  other.WriteRegisterModel(5, 0);
  ASSERT_TRUE(SaveRamFile(path("d.ram"), other, back));
  EXPECT_TRUE(test::ReadFileBytes(path("c.ram")) == test::ReadFileBytes(path("d.ram"))) << "saved again, byte for byte";
}

// QR08A3 reads bits 5 and 6 of LDOCON (30H) back set after a write; a file
// saved with them clear still loads back as it was saved.
TEST_F(RamFile, ALoadGivesBackTheSavedBytesOfRegistersWithReadBackRules) {
  Chip().ChipIndex = 4;
  ASSERT_EQ(GetSELUP(), 1);
  ASSERT_EQ(Chip().RegisterQuirkFlags[2], 1);
  up = std::make_unique<TKy_UP>();
  up->ApplyChipConfig();
  up->WriteRegisterModel(0x30, 0x00);
  up->WriteRegisterModel(0x3C, 0x18);
  up->WriteRegisterModel(0x80, 0x5A);
  ASSERT_TRUE(SaveRamFile(path("q.ram"), *up, TRamMarks{}));
  up->WriteRegisterModel(0x30, 0x81);
  up->WriteRegisterModel(0x80, 0);
  TRamFileContent c;
  ASSERT_TRUE(ReadRamFile(path("q.ram"), RamFileValueCount(), c));
  TRamMarks marks;
  ApplyRamFile(c, *up, marks);
  EXPECT_EQ(up->ReadRegister(0x30), 0x00);
  EXPECT_EQ(up->ReadRegister(0x3C), 0x18);
  EXPECT_EQ(up->ReadRegister(0x80), 0x5A);
  ASSERT_TRUE(SaveRamFile(path("r.ram"), *up, TRamMarks{}));
  EXPECT_TRUE(test::ReadFileBytes(path("q.ram")) == test::ReadFileBytes(path("r.ram")));
  // A write of the user still reads back as the chip gives it.
  up->LogRegisterChange(0x30, 0x00);
  EXPECT_EQ(up->ReadRegister(0x30), 0x60);
}

TEST_F(RamFile, AFlagCountsOnlyWhenItIsOne) {
  std::ofstream out(path("e.ram"), std::ios::binary);
  for (int a = 0; a < 1024; ++a) out << "00\r\n";
  out << " 2 1\r\n255\r\nhint\r\n";
  out << " 1 3\r\n7\r\nx\r\n";
  out.close();
  TRamFileContent c;
  ASSERT_TRUE(ReadRamFile(path("e.ram"), 1024, c));
  EXPECT_EQ(c.MarkEntries, 2) << "a short file gives what it has";
  EXPECT_FALSE(c.Marks.Marked(0));
  EXPECT_TRUE(c.Marks.Hinted(0));
  EXPECT_TRUE(c.Marks.Marked(1));
  EXPECT_FALSE(c.Marks.Hinted(1));
  EXPECT_FALSE(ReadRamFile(path("missing.ram"), 1024, c));
}

class RamFileCommands : public RamFile {
 protected:
  void SetUp() override {
    RamFile::SetUp();
    ram = std::make_unique<TKy_RAM>();
    ram->AttachModel(up.get());
    opened.clear();
    ram->OpenDocument = [this](const std::string& p) {
      opened.push_back(p);
      return true;
    };
  }
  void TearDown() override {
    ram.reset();
    RamFile::TearDown();
  }
  std::unique_ptr<TKy_RAM> ram;
  std::vector<std::string> opened;
};

TEST_F(RamFileCommands, SaveAsksBeforeOverwritingAndLoadRefusesWhileRunning) {
  up->WriteRegisterModel(0x88, 0x42);
  dialogs.answerFile(path("f.ram"));
  ram->MenuCommand("Save RAM Data");
  ASSERT_TRUE(QFile::exists(QString::fromStdString(path("f.ram"))));
  EXPECT_TRUE(dialogs.messages().empty());
  up->WriteRegisterModel(0x88, 0x43);
  dialogs.answerFile(path("f.ram"));
  dialogs.answer(MsgResult::No);
  ram->MenuCommand("Save RAM Data");
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "File " + path("f.ram") + " exist! Overwrite?");
  EXPECT_EQ(dialogs.lastOverwriteQuestion(), OverwriteQuestion::ByCaller)
      << "the save dialog must not ask as well";
  EXPECT_EQ(Lines(test::ReadFileBytes(path("f.ram")))[0x88], "42") << "No keeps the file";

  up->SetTargetRunning(1);
  dialogs.answerFile(path("f.ram"));
  ram->MenuCommand("Load RAM Data");
  EXPECT_EQ(up->ReadRegister(0x88), 0x43) << "no load while running";
  up->SetTargetRunning(0);
  ram->MenuCommand("Load RAM Data");  // the queued answer
  EXPECT_EQ(up->ReadRegister(0x88), 0x42);
  EXPECT_EQ(ram->GridModel()->Text(9, 9), "42");
}

#if defined(KYVOR_HAVE_XLSXWRITER)
bool LibraryMapped(const char* name) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find(name) != std::string::npos) return true;
  return false;
}

// The spreadsheet library is no part of the program's start: the first
// export loads it (checked in a process of its own).
TEST(RamExcelLibraryDeathTest, IsLoadedByTheFirstExport) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (LibraryMapped("libxlsxwriter")) std::exit(1);
        QTemporaryDir dir;
        TKy_UP up;
        const bool written = ExportRamToXlsx(dir.filePath("ram.xlsx").toStdString(), up);
        std::exit(written && LibraryMapped("libxlsxwriter") ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(RamFileCommands, ExcelExportWritesTheUserDataSheetAndOpensIt) {
  up->WriteRegisterModel(0x80, 0x3C);
  up->WriteRegisterModel(0x3FF, 0xFE);
  // The workbook is proposed beside the main file, under its name.
  StoreMainFileName(path("blink.asm"));
  dialogs.answerFile(path("dump"));
  const std::string file = ram->SaveToExcel();
  EXPECT_EQ(dialogs.lastStartPath(), path("blink.xlsx"));
  ASSERT_EQ(file, path("dump.xlsx")) << "the chosen name with the workbook's extension";
  ASSERT_EQ(opened, std::vector<std::string>{file});
  EXPECT_TRUE(dialogs.messages().empty()) << "the viewer shows it: nothing to say";
  test::XlsxReader x(file);
  EXPECT_EQ(x.sheetNames(), std::vector<std::string>{"USER Data"});
  const auto cells = x.cells();
  // Address 0x80: row 0x80 div 16 + 3 = 11, columns 3 and 20 (C and T).
  EXPECT_EQ(cells.at("C11"), "60");
  EXPECT_EQ(cells.at("T11"), "3Ch");
  // Address 0x3FF: row 66, columns 18 and 35 (R and AI).
  EXPECT_EQ(cells.at("R66"), "254");
  EXPECT_EQ(cells.at("AI66"), "FEh");
  // An unimplemented address (0x2F): row 5, column 18 and 35.
  EXPECT_EQ(cells.at("R5"), "-");
  EXPECT_EQ(cells.at("AI5"), "-");
  EXPECT_EQ(cells.count("C67"), 0u) << "nothing beyond the last bank";
  EXPECT_EQ(cells.size(), 2u * 1024u);
}

TEST_F(RamFileCommands, ExcelExportAsksWhereAndSaysWhereWhenNoViewerOpensIt) {
  dialogs.answerFile(std::nullopt);
  EXPECT_EQ(ram->SaveToExcel(), "");
  EXPECT_EQ(dialogs.fileDialogs(), 1);
  EXPECT_TRUE(opened.empty()) << "cancelled: nothing written";
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.xlsx"}).isEmpty());

  ram->OpenDocument = [this](const std::string& p) {
    opened.push_back(p);
    return false;
  };
  dialogs.answerFile(path("ram.xlsx"));
  ram->MenuCommand("Save To excel");
  ASSERT_TRUE(QFile::exists(QString::fromStdString(path("ram.xlsx"))));
  ASSERT_EQ(opened, std::vector<std::string>{path("ram.xlsx")});
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_NE(dialogs.messages()[0].text.find(path("ram.xlsx")), std::string::npos)
      << dialogs.messages()[0].text;
}
#endif

}  // namespace
}  // namespace kyvor
