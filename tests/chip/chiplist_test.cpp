// Chip list file, built-in list, chip lookup by identification code, and the
// case-insensitive lookup of files in the include folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/chip_folder.h"

namespace kyvor {
namespace {

using test::ScratchFolder;

class ChipListTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetChipState(); }
  void TearDown() override { test::ResetChipState(); }
};

TEST_F(ChipListTest, ShippedListHasSevenChipsAndHeader) {
  ASSERT_EQ(ReadChipList(test::ShippedProgramFolder()), 7);
  const auto& items = Chip().ChipListItems;
  EXPECT_EQ(items[0], "KY08A16  (16K)");
  EXPECT_EQ(items[1], "QN08A4  (4K)");
  EXPECT_EQ(items[4], "QR08A3  (32K)");
  EXPECT_EQ(items[5], "QR08A1  (8K)");
  EXPECT_EQ(items[6], "QN08A2  (2K)");
  EXPECT_TRUE(Chip().ChipListFromFile);
  EXPECT_EQ(Chip().ChipListHeader, "V1.2 Kyvor chip list");
  Chip().ChipIndex = 0;
  ASSERT_EQ(GetSELUP(), 1);
  EXPECT_EQ(Chip().ChipListVersion, 0x120);
}

TEST_F(ChipListTest, MissingListGivesBuiltInFourChipsAndLoadsNothing) {
  ScratchFolder folder;
  ASSERT_EQ(ReadChipList(folder.program()), 4);
  const std::vector<std::string> expected = {"KYM01 (16k)", "KYM02  (8k)", "KYM03  (4k)",
                                             "KYM04  (2k)"};
  EXPECT_EQ(Chip().ChipListItems, expected);
  EXPECT_FALSE(Chip().ChipListFromFile);
  EXPECT_TRUE(Chip().ChipListHeader.empty());
  Chip().ChipIndex = 1;
  EXPECT_EQ(GetSELUP(), 0);
  EXPECT_FALSE(Chip().LastLoadError.empty());
  uint16_t index = 7;
  EXPECT_FALSE(FindChipIndexById(0x71, index));
  EXPECT_EQ(index, 0);
}

TEST_F(ChipListTest, CommentOrEmptyLineAfterHeaderEndsTheList) {
  ScratchFolder folder;
  folder.writeInclude("KySel.INC", {"V1.0", "; a comment", "CHIP.INC  A  B"});
  EXPECT_EQ(ReadChipList(folder.program()), 0);
  folder.writeInclude("KySel.INC", {"V1.0", "", "CHIP.INC  A  B"});
  EXPECT_EQ(ReadChipList(folder.program()), 0);
}

TEST_F(ChipListTest, TwoCharacterFileNameEndsTheList) {
  ScratchFolder folder;
  folder.writeInclude("KySel.INC",
                      {"V1.0", "ONE.INC  ONE  X", "AB  TWO  Y", "THREE.INC  THREE  Z"});
  ASSERT_EQ(ReadChipList(folder.program()), 1);
  EXPECT_EQ(Chip().ChipListItems[0], "ONE  X");
}

TEST_F(ChipListTest, ItemIsUpperCasedAndFileFoundWhateverItsCase) {
  ScratchFolder folder;
  folder.writeInclude("KySel.INC", {"V1.0", "abc.inc chip demo ; comment"});
  folder.writeInclude("abc.inc", {"#ID", "1234H", "#PRODUCT", "Demo1"});
  ASSERT_EQ(ReadChipList(folder.program()), 1);
  EXPECT_EQ(Chip().ChipListItems[0], "CHIP  DEMO");
  const auto entries = ReadChipListEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].FileName, "ABC.INC");
  Chip().ChipIndex = 0;
  ASSERT_EQ(GetSELUP(), 1);
  EXPECT_EQ(Chip().ChipId, 0x1234);
  EXPECT_EQ(Chip().ChipProductName, "DEMO1");
}

TEST_F(ChipListTest, IncludeFolderAndListFileAreFoundWhateverTheirCase) {
  ScratchFolder folder;
  std::filesystem::rename(folder.include(), folder.program() + "include");
  {
    std::ofstream out(folder.program() + "include/kysel.inc", std::ios::binary);
    out << "V1.0\r\nX.INC  X  Y\r\n";
  }
  ASSERT_EQ(ReadChipList(folder.program()), 1);
  EXPECT_EQ(Chip().IncludeFolder, folder.program() + "include/");
}

TEST_F(ChipListTest, FindFileNoCaseOnlyFindsRegularFiles) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.include() + "SubDir");
  folder.writeInclude("SubDir/Inner.Inc", {"x"});
  EXPECT_EQ(FindFileNoCase(folder.include(), "SUBDIR\\INNER.INC"),
            folder.include() + "SubDir/Inner.Inc");
  EXPECT_EQ(FindFileNoCase(folder.include(), "SUBDIR"), "");
  EXPECT_EQ(FindFileNoCase(folder.include(), ""), "");
  EXPECT_EQ(FindFileNoCase(folder.include(), "NOPE.INC"), "");
}

TEST_F(ChipListTest, StaleChipIndexNeverOpensAFolder) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.include() + "SUBDIR");
  folder.writeInclude("KySel.INC", {"V1.0", "GOOD.INC  G  1", "SUBDIR  S  2"});
  folder.writeInclude("GOOD.INC", {"#ID", "5", "#STACK", "10"});
  ReadChipList(folder.program());
  Chip().ChipIndex = 0;
  ASSERT_EQ(GetSELUP(), 1);
  for (int stale : {1, 2, 99, -1}) {
    Chip().ChipIndex = stale;
    EXPECT_EQ(GetSELUP(), 0) << stale;
    EXPECT_EQ(Chip().ChipId, 5) << "the previous chip stays loaded";
    EXPECT_EQ(Chip().StackDepth, 10);
  }
}

TEST_F(ChipListTest, FindChipIndexByIdFindsShippedChips) {
  ReadChipList(test::ShippedProgramFolder());
  uint16_t index = 0;
  ASSERT_TRUE(FindChipIndexById(0x71, index));
  EXPECT_EQ(index, 1);
  ASSERT_TRUE(FindChipIndexById(0x0A03, index));
  EXPECT_EQ(index, 4);
  ASSERT_TRUE(FindChipIndexById(0x72, index));
  EXPECT_EQ(index, 6);
  EXPECT_FALSE(FindChipIndexById(0x4242, index));
  EXPECT_EQ(index, 0);
}

TEST_F(ChipListTest, FindChipIndexByIdReturnsTheFirstOfTwoEqualCodes) {
  ScratchFolder folder;
  folder.writeInclude("KySel.INC", {"V1.0", "A.INC  A  X", "B.INC  B  X", "C.INC  C  X"});
  folder.writeInclude("A.INC", {"#ID", "10H"});
  folder.writeInclude("B.INC", {"#PRODUCT", "B", "#ID", "; the code", "", "20H"});
  folder.writeInclude("C.INC", {"#ID", "20H"});
  ReadChipList(folder.program());
  uint16_t index = 0;
  ASSERT_TRUE(FindChipIndexById(0x20, index));
  EXPECT_EQ(index, 1);
}

TEST_F(ChipListTest, MissingDescriptionFileStopsTheSearch) {
  ScratchFolder folder;
  std::vector<std::string> list = {"V1.0"};
  for (int i = 0; i < 6; ++i) {
    list.push_back("C" + std::to_string(i) + ".INC  C  X");
    if (i != 2) folder.writeInclude("C" + std::to_string(i) + ".INC", {"#ID", std::to_string(i + 100)});
  }
  folder.writeInclude("KySel.INC", list);
  ReadChipList(folder.program());
  uint16_t index = 0;
  EXPECT_TRUE(FindChipIndexById(101, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(FindChipIndexById(105, index));
}

TEST_F(ChipListTest, VersionIsFormedFromSecondAndFourthCharacters) {
  ScratchFolder folder;
  folder.writeInclude("KySel.INC", {"V3.A release", "X.INC  X  Y"});
  folder.writeInclude("X.INC", {"#ID", "1"});
  ReadChipList(folder.program());
  Chip().ChipIndex = 0;
  ASSERT_EQ(GetSELUP(), 1);
  EXPECT_EQ(Chip().ChipListVersion, 0x3A0);
  EXPECT_EQ(Chip().ChipListHeader, "V3.A release");
}

}  // namespace
}  // namespace kyvor

namespace kyvor {
namespace {

TEST(ChipSummaryTest, NameIdAndRomOfEachShippedChip) {
  test::ResetChipState();
  ReadChipList(test::ShippedProgramFolder());
  TChipSummary s;
  ASSERT_TRUE(ReadChipSummary("KY08A16.INC", s));
  EXPECT_EQ(s.ProductName, "KY08A16");
  EXPECT_EQ(s.ChipId, 0x0A16);
  EXPECT_EQ(s.RomWords, 16384u);
  ASSERT_TRUE(ReadChipSummary("qn08a4.inc", s));
  EXPECT_EQ(s.ChipId, 0x71);
  EXPECT_FALSE(ReadChipSummary("NONE.INC", s));
  EXPECT_TRUE(ChipFileHasHaoLine("QN08A4.INC"));
  EXPECT_FALSE(ChipFileHasHaoLine("KY08A16.INC"));
  test::ResetChipState();
}

TEST(ChipSummaryTest, SmallRomMeansFourK) {
  test::ResetChipState();
  test::ScratchFolder folder;
  folder.writeInclude("X.INC", {"#ROM", "; size", "100", "#PRODUCT", "x1", "#hao ", "#hao"});
  ReadChipList(folder.program());
  TChipSummary s;
  ASSERT_TRUE(ReadChipSummary("X.INC", s));
  EXPECT_EQ(s.RomWords, 4096u);
  EXPECT_EQ(s.ProductName, "X1");
  EXPECT_TRUE(ChipFileHasHaoLine("X.INC"));
  folder.writeInclude("Y.INC", {"#HAO ", "#HAO;"});
  EXPECT_FALSE(ChipFileHasHaoLine("Y.INC"));
  test::ResetChipState();
}

TEST(ChipSummaryTest, NegativeRomMeansFourK) {
  test::ResetChipState();
  test::ScratchFolder folder;
  folder.writeInclude("X.INC", {"#ROM", "-1"});
  ReadChipList(folder.program());
  TChipSummary s;
  ASSERT_TRUE(ReadChipSummary("X.INC", s));
  EXPECT_EQ(s.RomWords, 4096u);
  test::ResetChipState();
}

// The summary's size is the one the loader gives the chip.
TEST(ChipSummaryTest, RomBeyondTheProgramMemoryIsCutAsWhenLoaded) {
  test::ResetChipState();
  test::ScratchFolder folder;
  folder.writeInclude("X.INC", {"#ROM", "40000"});
  ReadChipList(folder.program());
  TChipSummary s;
  ASSERT_TRUE(ReadChipSummary("X.INC", s));
  EXPECT_EQ(s.RomWords, kMaxRomWords);
  test::ResetChipState();
}

}  // namespace
}  // namespace kyvor
