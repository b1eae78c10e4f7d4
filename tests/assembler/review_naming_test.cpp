// Output-file names derived from the main file, the error list's limits and
// the image checksum step.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewNaming : public ::testing::Test {
 protected:
  void SetUp() override { ResetOutputFileState(); }
  void TearDown() override { ResetOutputFileState(); }
};

TEST_F(ReviewNaming, NothingBeforeTheFirstStore) {
  for (int kind = 0; kind <= 20; ++kind) EXPECT_EQ(OutputFileName(kind), "") << kind;
  std::string folder = "keep";
  EXPECT_FALSE(MainFileDir(folder));
  EXPECT_EQ(folder, "keep");
}

TEST_F(ReviewNaming, EveryKindOfTheTable) {
  StoreMainFileName("C:\\p\\main.asm");
  EXPECT_EQ(OutputFileName(0), "C:\\p\\main.asm");
  const char* expected[20] = {nullptr,   "",        "",          "",           "C:\\p\\main.err",
                              "C:\\p\\main.lst", "C:\\p\\main.obj", "C:\\p\\main.hex",
                              "C:\\p\\main.asc", "C:\\p\\main_inv.hex", "",
                              "C:\\p\\main.pro", "C:\\p\\main.ifo", "C:\\p\\main_L.msk",
                              "C:\\p\\main_H.msk", "C:\\p\\main_H.hex", "C:\\p\\main_L.hex",
                              "C:\\p\\main.map", "C:\\p\\main.CSV", "C:\\p\\main.EEH"};
  for (int kind = 1; kind < 20; ++kind) EXPECT_EQ(OutputFileName(kind), expected[kind]) << kind;
  EXPECT_EQ(OutputFileName(20), "");
  EXPECT_EQ(OutputFileName(-1), "");
  EXPECT_EQ(OutputFileName(255), "");
  std::string out = "x";
  OutputFileName(5, out);
  EXPECT_EQ(out, "C:\\p\\main.lst");
}

TEST_F(ReviewNaming, OnlyTheLastFourCharactersAreSearchedForTheDot) {
  StoreMainFileName("C:\\work.1\\main.asm");
  EXPECT_EQ(OutputFileName(5), "C:\\work.1\\main.lst");
  StoreMainFileName("main.s");
  EXPECT_EQ(OutputFileName(5), "main.lst");
  StoreMainFileName("prog.old.asm");
  EXPECT_EQ(OutputFileName(5), "prog.old.lst");
  StoreMainFileName("file.asmx");
  EXPECT_EQ(OutputFileName(5), "file.asmx.lst");
  StoreMainFileName("prog");
  EXPECT_EQ(OutputFileName(5), "prog.lst");
  StoreMainFileName("C:\\a.b\\prog");
  EXPECT_EQ(OutputFileName(17), "C:\\a.b\\prog.map");
  // The first dot of the last four characters is taken.
  StoreMainFileName("ab.c.d");
  EXPECT_EQ(OutputFileName(4), "ab.err");
}

TEST_F(ReviewNaming, FolderOfTheMainFile) {
  std::string folder = "keep";
  StoreMainFileName("\\main.asm");
  EXPECT_FALSE(MainFileDir(folder));
  EXPECT_EQ(folder, "keep");
  StoreMainFileName("main.asm");
  EXPECT_TRUE(MainFileDir(folder));
  EXPECT_EQ(folder, "");
  StoreMainFileName("C:\\p\\main.asm");
  EXPECT_TRUE(MainFileDir(folder));
  EXPECT_EQ(folder, "C:\\p\\");
  StoreMainFileName("");
  folder = "keep";
  EXPECT_FALSE(MainFileDir(folder));
  EXPECT_EQ(folder, "keep");
}

TEST(ReviewErrorList, HundredEntriesAtMostAndLineZeroIsOne) {
  TErrorList list;
  list.AddError("a.asm", 0, "first");
  EXPECT_EQ(list.Line(0), 1);
  list.AddError("a.asm", -5, "second");
  EXPECT_EQ(list.Line(1), 1);
  for (int i = 2; i < 100; ++i) list.AddError("a.asm", i, "e" + std::to_string(i));
  EXPECT_EQ(list.Count(), 100);
  list.AddError("a.asm", 7, "dropped");
  EXPECT_EQ(list.Count(), 100);
  EXPECT_EQ(list.Text(99), "e99");
  EXPECT_EQ(list.Texts().back(), "e99");
  list.ClearErrors();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ReviewErrorList, PathKeepsItsFirst128Characters) {
  TErrorList list;
  const std::string path(200, 'p');
  list.AddError(path, 3, "t");
  EXPECT_EQ(list.Path(0), std::string(128, 'p'));
  EXPECT_EQ(list.Line(0), 3);
  EXPECT_EQ(list.Text(0), "t");
}

TEST(ReviewChecksum, StepMatchesTheWorkedExample) {
  // "abc" from 0 gives 0xA449.
  uint16_t crc = 0;
  for (char ch : std::string("abc")) crc = ImageCrc16Update(static_cast<uint8_t>(ch), crc);
  EXPECT_EQ(crc, 0xA449);
  uint16_t mine = 0;
  for (char ch : std::string("abc")) mine = Crc16Step(static_cast<uint8_t>(ch), mine);
  EXPECT_EQ(mine, 0xA449);
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(ImageCrc16Update(static_cast<uint8_t>(b), 0x1234),
              Crc16Step(static_cast<uint8_t>(b), 0x1234));
}

TEST(ReviewErrorTable, FixedTexts) {
  EXPECT_EQ(AsmErrorMessage(0, 4096), "Unknown error.");
  EXPECT_EQ(AsmErrorMessage(1, 4096), "Couldn't open source file");
  EXPECT_EQ(AsmErrorMessage(2, 4096), "Couldn't open file");
  EXPECT_EQ(AsmErrorMessage(3, 4096), "");
  EXPECT_EQ(AsmErrorMessage(4, 4096), "Duplicate label or redefining symbol");
  EXPECT_EQ(AsmErrorMessage(5, 4096), "Undefined Symbol");
  EXPECT_EQ(AsmErrorMessage(6, 4096), "Out of memory...");
  EXPECT_EQ(AsmErrorMessage(7, 4096), "");
  EXPECT_EQ(AsmErrorMessage(8, 4096), "Illegal Symbol");
  EXPECT_EQ(AsmErrorMessage(9, 4096), "Illegal argument");
  EXPECT_EQ(AsmErrorMessage(10, 4096), "Overwriting previous address contents.");
  EXPECT_EQ(AsmErrorMessage(11, 4096), "Addresses above 4K not supported.");
  EXPECT_EQ(AsmErrorMessage(11, 8192), "Addresses above 8K not supported.");
  EXPECT_EQ(AsmErrorMessage(11, 256), "Addresses above 0K not supported.");
  EXPECT_EQ(AsmErrorMessage(12, 4096), "");
  EXPECT_EQ(AsmErrorMessage(13, 4096), "Missing argument...");
  EXPECT_EQ(AsmErrorMessage(14, 4096), "Too many arguments...");
  EXPECT_EQ(AsmErrorMessage(15, 4096), "");
  EXPECT_EQ(AsmErrorMessage(16, 4096), "Illegal Macro...");
  EXPECT_EQ(AsmErrorMessage(19, 4096), "Macro nested too deep...(Max:32)");
  EXPECT_EQ(AsmErrorMessage(20, 4096), "Circular file reference...");
  EXPECT_EQ(AsmErrorMessage(21, 4096), "Circular macro reference...");
  EXPECT_EQ(AsmErrorMessage(22, 4096), "");
  EXPECT_EQ(AsmErrorMessage(23, 4096), "Over Range");
  EXPECT_EQ(AsmErrorMessage(24, 4096), "illegally Memory or Registor");
  EXPECT_EQ(AsmErrorMessage(25, 4096), "illegally  Bit");
  EXPECT_EQ(AsmErrorMessage(26, 4096), "Memory Over");
  EXPECT_EQ(AsmErrorMessage(52, 4096), "In KYM06 , PCLATL can not be use before 0040h");
  EXPECT_EQ(AsmErrorMessage(53, 4096), "Illegal file");
  EXPECT_EQ(AsmErrorMessage(54, 4096), "");
  EXPECT_EQ(AsmErrorMessage(-1, 4096), "");
}

}  // namespace
}  // namespace kyvor::review
