// The SRAM record's files without a window: "KySRAM.CSV" byte for byte, read
// back, its faulty lines and the 1,024-entry limit; the patch lines of each
// entry in both core variants; lines inserted into a source file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "debugwin/sramdata.h"

namespace kyvor {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

class SramData : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
  std::vector<std::string> lines(int variant) const { return SramPatchLines(log, variant); }
  QTemporaryDir dir;
  TRegRecord log;
};

TEST_F(SramData, TheCsvFileIsWrittenByteForByte) {
  log.Add("COUNT", 0x80, 0x12, 0x00);
  log.Add("", 0x123, 0x05, 0xFF);
  ASSERT_TRUE(WriteSramCsv(path("KySRAM.CSV"), log));
  EXPECT_EQ(ReadAll(path("KySRAM.CSV")),
            "Item, Name                            , Address, Last Data, Before Data\r\n"
            "1   , COUNT                           , 0080h  , 12h      , 00h\r\n"
            "2   ,                                 , 0123h  , 05h      , FFh\r\n");
  EXPECT_FALSE(WriteSramCsv(path("no/such/folder/KySRAM.CSV"), log));
}

TEST_F(SramData, ASavedFileReadsBackAppendedToTheLog) {
  log.Add("COUNT", 0x80, 0x12, 0x00);
  log.Add("PORTB", 0x51, 0xA5, 0x5A);
  ASSERT_TRUE(WriteSramCsv(path("a.csv"), log));
  ASSERT_EQ(ReadSramCsv(path("a.csv"), log), TSramLoad::Loaded);
  ASSERT_EQ(log.Count(), 4);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(log.Item(i + 2)->Name, log.Item(i)->Name);
    EXPECT_EQ(log.Item(i + 2)->Address, log.Item(i)->Address);
    EXPECT_EQ(log.Item(i + 2)->NewValue, log.Item(i)->NewValue);
    EXPECT_EQ(log.Item(i + 2)->OldValue, log.Item(i)->OldValue);
  }
  EXPECT_EQ(ReadSramCsv(path("missing.csv"), log), TSramLoad::CannotOpen);
}

TEST_F(SramData, LinesThatAreNoEntriesAreSkipped) {
  WriteAll(path("b.csv"),
           "Item, Name, Address, Last Data, Before Data\r\n"
           "garbage\r\n"
           "1   , A , 0080h  , 12h      , 00h\r\n"
           "2   , B , zzzzh  , 12h      , 00h\r\n"
           "3   , C , 0081h\r\n"
           "\r\n"
           "4\t, D\t, 0082h, 7h, 1h\n");
  ASSERT_EQ(ReadSramCsv(path("b.csv"), log), TSramLoad::Loaded);
  ASSERT_EQ(log.Count(), 2);
  EXPECT_EQ(log.Item(1)->Name, "A");
  EXPECT_EQ(log.Item(2)->Name, "D");
  EXPECT_EQ(log.Item(2)->Address, 0x82);
  EXPECT_EQ(log.Item(2)->NewValue, 7);
  EXPECT_EQ(log.Item(2)->OldValue, 1);
}

TEST_F(SramData, TheLogTakesAtMost1024Entries) {
  log.Add("A", 0x80, 1, 0);
  log.Add("B", 0x81, 2, 0);
  log.Add("C", 0x82, 3, 0);
  ASSERT_TRUE(WriteSramCsv(path("c.csv"), log));
  TRegRecord full;
  for (int i = 0; i < 1022; ++i) full.Add("", 0x80, 0, 0);
  EXPECT_EQ(ReadSramCsv(path("c.csv"), full), TSramLoad::BufferFull);
  EXPECT_EQ(full.Count(), 1024) << "the entries read before stay";
  EXPECT_EQ(ReadSramCsv(path("c.csv"), full), TSramLoad::BufferFull);
  EXPECT_EQ(full.Count(), 1024);
}

TEST_F(SramData, AByteWriteThenAOneBitChangeOfTheSameAddress) {
  log.Add("", 0x80, 0x12, 0x00);
  log.Add("", 0x80, 0x13, 0x12);
  log.Add("", 0x80, 0x03, 0x13);
  EXPECT_EQ(lines(0), (std::vector<std::string>{"       MVL     012h", "       MVF     0080h, 1, 0",
                                                 "       BSF     0080h, 0, 0",
                                                 "       BCF     0080h, 4, 0"}));
}

TEST_F(SramData, TheFirstEntryAndNewAddressesAlwaysTakeTheByteForm) {
  log.Add("COUNT", 0x80, 0x01, 0x00);  // one bit, but the first entry
  log.Add("TICKS", 0x81, 0x40, 0x00);  // one bit, an address not written before
  EXPECT_EQ(lines(0), (std::vector<std::string>{
                          "       MVL     001h", "       MVF     0080h, 1, 0   ; MVF   COUNT, F, ACCE",
                          "       MVL     040h", "       MVF     0081h, 1, 0   ; MVF   TICKS, F, ACCE"}));
}

TEST_F(SramData, BanksUnderK08AAndNoneUnderK08B) {
  log.Add("R1", 0x123, 0x56, 0x00);
  log.Add("", 0x124, 0x01, 0x00);
  log.Add("R1", 0x123, 0x57, 0x56);
  log.Add("", 0x85, 0x02, 0x00);
  log.Add("", 0x200, 0x03, 0x00);
  EXPECT_EQ(lines(0), (std::vector<std::string>{
                          "       LBSR    1   ; LBSR   R1", "       MVL     056h",
                          "       MVF     0123h, 1, 1   ; MVF   R1, F, BANK",
                          "       MVL     001h", "       MVF     0124h, 1, 1",
                          "       BSF     0123h, 0, 1   ; BSF   R1, 0, BANK",
                          "       MVL     002h", "       MVF     0085h, 1, 0",
                          "       LBSR    2", "       MVL     003h", "       MVF     0200h, 1, 1"}));
  std::array<std::string, 3> one;
  int bank = 0;
  EXPECT_EQ(AddInProgram(log, 1, bank, 0, one), 3);
  EXPECT_EQ(bank, 1);
  EXPECT_EQ(AddInProgram(log, 3, bank, 0, one), 1) << "bit form, bank already selected";
  EXPECT_EQ(AddInProgram(log, 6, bank, 0, one), 0) << "no such entry";
  EXPECT_EQ(lines(1), (std::vector<std::string>{
                          "       MVL     056h", "       MVF     0123h, 1, 0   ; MVF   R1, F, ACCE",
                          "       MVL     001h", "       MVF     0124h, 1, 0",
                          "       BSF     0123h, 0, 0   ; BSF   R1, 0, ACCE",
                          "       MVL     002h", "       MVF     0085h, 1, 0",
                          "       MVL     003h", "       MVF     0200h, 1, 0"}));
  EXPECT_TRUE(CheckAddrBeen(log, 0x124, 2));
  EXPECT_FALSE(CheckAddrBeen(log, 0x124, 1));
}

TEST_F(SramData, LinesAreInsertedAfterALineThroughAWorkFile) {
  const std::string src = path("m.asm"), work = path("MyTemp.tmp");
  WriteAll(src, "  NOP\r\n  NOP\r\n  END");
  ASSERT_EQ(InsertLinesAfter(src, 1, {"  MVL 1", "  MVF 80H, 1, 0"}, work), TInsertLines::Done);
  EXPECT_EQ(ReadAll(src), "  NOP\r\n  MVL 1\r\n  MVF 80H, 1, 0\r\n  NOP\r\n  END");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(work)));
  // After the last line (which has no line break of its own), with LF lines.
  WriteAll(src, "A\nB");
  ASSERT_EQ(InsertLinesAfter(src, 2, {"C"}, work), TInsertLines::Done);
  EXPECT_EQ(ReadAll(src), "A\nB\nC\n");
  ASSERT_EQ(InsertLinesAfter(src, 0, {"Z"}, work), TInsertLines::Done);
  EXPECT_EQ(ReadAll(src), "Z\nA\nB\nC\n");
  EXPECT_EQ(InsertLinesAfter(path("none.asm"), 1, {"X"}, work), TInsertLines::CannotRead);
  // A work file that cannot be written leaves the source as it was.
  EXPECT_EQ(InsertLinesAfter(src, 1, {"X"}, path("no/dir/MyTemp.tmp")), TInsertLines::CannotWrite);
  EXPECT_EQ(ReadAll(src), "Z\nA\nB\nC\n");
}

}  // namespace
}  // namespace kyvor
