// Output-file naming, the error list and the source view's tables.
#include <gtest/gtest.h>

#include "assembler/assembler.h"
#include "assembler/errorlist.h"
#include "assembler/sourcetables.h"
#include "base/outputfile.h"

namespace kyvor {
namespace {

class OutputFileTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetOutputFileState(); }
};

TEST_F(OutputFileTest, NothingBeforeTheFirstStore) {
  ResetOutputFileState();
  for (int k = 0; k <= 20; ++k) EXPECT_EQ(OutputFileName(k), "") << k;
  std::string folder = "keep";
  EXPECT_FALSE(MainFileDir(folder));
  EXPECT_EQ(folder, "keep");
}

TEST_F(OutputFileTest, SuffixesByKind) {
  StoreMainFileName("C:\\work.1\\main.asm");
  EXPECT_EQ(OutputFileName(0), "C:\\work.1\\main.asm");
  EXPECT_EQ(OutputFileName(4), "C:\\work.1\\main.err");
  EXPECT_EQ(OutputFileName(5), "C:\\work.1\\main.lst");
  EXPECT_EQ(OutputFileName(6), "C:\\work.1\\main.obj");
  EXPECT_EQ(OutputFileName(7), "C:\\work.1\\main.hex");
  EXPECT_EQ(OutputFileName(8), "C:\\work.1\\main.asc");
  EXPECT_EQ(OutputFileName(9), "C:\\work.1\\main_inv.hex");
  EXPECT_EQ(OutputFileName(11), "C:\\work.1\\main.pro");
  EXPECT_EQ(OutputFileName(12), "C:\\work.1\\main.ifo");
  EXPECT_EQ(OutputFileName(13), "C:\\work.1\\main_L.msk");
  EXPECT_EQ(OutputFileName(14), "C:\\work.1\\main_H.msk");
  EXPECT_EQ(OutputFileName(15), "C:\\work.1\\main_H.hex");
  EXPECT_EQ(OutputFileName(16), "C:\\work.1\\main_L.hex");
  EXPECT_EQ(OutputFileName(17), "C:\\work.1\\main.map");
  EXPECT_EQ(OutputFileName(18), "C:\\work.1\\main.CSV");
  EXPECT_EQ(OutputFileName(19), "C:\\work.1\\main.EEH");
  for (int k : {1, 2, 3, 10, 20, -1}) EXPECT_EQ(OutputFileName(k), "") << k;
}

TEST_F(OutputFileTest, OnlyAShortExtensionIsCut) {
  StoreMainFileName("main.s");
  EXPECT_EQ(OutputFileName(5), "main.lst");
  StoreMainFileName("prog.old.asm");
  EXPECT_EQ(OutputFileName(5), "prog.old.lst");
  StoreMainFileName("file.asmx");
  EXPECT_EQ(OutputFileName(5), "file.asmx.lst");
  StoreMainFileName("prog");
  EXPECT_EQ(OutputFileName(5), "prog.lst");
}

TEST_F(OutputFileTest, MainFileFolder) {
  std::string folder;
  StoreMainFileName("\\main.asm");
  EXPECT_FALSE(MainFileDir(folder));
  StoreMainFileName("main.asm");
  folder = "x";
  EXPECT_TRUE(MainFileDir(folder));
  EXPECT_EQ(folder, "");
  StoreMainFileName("C:\\p\\main.asm");
  EXPECT_TRUE(MainFileDir(folder));
  EXPECT_EQ(folder, "C:\\p\\");
  StoreMainFileName("/home/u/p/main.asm");
  EXPECT_TRUE(MainFileDir(folder));
  EXPECT_EQ(folder, "/home/u/p/");
}

TEST(ErrorList, HoldsAHundredEntries) {
  TErrorList list;
  for (int i = 0; i < 101; ++i) list.AddError("a.asm", i, "e" + std::to_string(i));
  EXPECT_EQ(list.Count(), 100);
  EXPECT_EQ(list.Text(99), "e99");
  EXPECT_EQ(list.Line(0), 1);  // line 0 is stored as 1
  EXPECT_EQ(list.Line(5), 5);
  EXPECT_FALSE(list.AddError("b", 1, "x"));
  list.ClearErrors();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.AddError(std::string(200, 'p'), -4, "t"));
  EXPECT_EQ(list.Path(0).size(), 128u);
  EXPECT_EQ(list.Line(0), 1);
}

TEST(SourceTables, MacroRecordsAndIndex) {
  TSourceLineTables t;
  EXPECT_EQ(t.GetMacroRecord(1), nullptr);
  ASSERT_TRUE(t.CreateMacroTable());
  EXPECT_EQ(t.GetMacroRecord(0), nullptr);
  EXPECT_EQ(t.GetMacroRecord(4097), nullptr);
  ASSERT_NE(t.GetMacroRecord(4096), nullptr);
  EXPECT_EQ(t.GetMacroRecord(4096)->MacroEndAddr, 0);
  t.SetLastProgramAddress(4095);
  EXPECT_FALSE(t.SetAddrMacroIndex(4096, 3));
  EXPECT_EQ(t.GetAddrMacroIndex(4096), 0);
  EXPECT_TRUE(t.SetAddrMacroIndex(4095, 3));
  EXPECT_EQ(t.GetAddrMacroIndex(4095), 3);
  EXPECT_FALSE(t.SetAddrMacroIndex(-1, 3));
  t.ClearAddrMacroIndex();
  EXPECT_EQ(t.GetAddrMacroIndex(4095), 0);
  // A chain nested -> nested -> code.
  TMacroExpansionRecord r1, r2, r3;
  r1.Nested = 1; r1.ChildRecNo = 2;
  r2.Nested = 1; r2.ChildRecNo = 3;
  r3.Nested = 0; r3.CodeAddress = 0x120;
  t.PutMacroRecord(1, r1);
  t.PutMacroRecord(2, r2);
  t.PutMacroRecord(3, r3);
  EXPECT_EQ(t.FirstCodeAddress(1), 0x120);
  EXPECT_EQ(t.FirstCodeAddress(5000), 0xFFFFF);
  // A cycle ends instead of looping.
  r3.Nested = 1; r3.ChildRecNo = 1;
  t.PutMacroRecord(3, r3);
  EXPECT_EQ(t.FirstCodeAddress(1), 0xFFFFF);
}

TEST(SourceTables, LineSlots) {
  TSourceLineTables t;
  ASSERT_TRUE(t.AddPage(10));
  EXPECT_EQ(t.GetLineInfo(1, 3, 0), -1);
  EXPECT_TRUE(t.LineHasNoCode(1, 3));
  EXPECT_TRUE(t.SetLineInfo(1, 3, 5, 1));
  EXPECT_FALSE(t.LineHasNoCode(1, 3));
  EXPECT_FALSE(t.SetLineInfo(1, 0, 7, 0));
  EXPECT_FALSE(t.SetLineInfo(1, 0x20001, 7, 0));
  EXPECT_FALSE(t.SetLineInfo(2, 1, 7, 0));
  EXPECT_EQ(t.GetLineInfo(1, 0, 0), 0);
  EXPECT_TRUE(t.SetLineInfo(1, 0x20000, 0x12, 0));
  EXPECT_EQ(t.GetLineInfo(1, 0x20000, 0), 0x12);
}

TEST(AsmErrors, MessagesAndChecksum) {
  EXPECT_EQ(AsmErrorMessage(5, 4096), "Undefined Symbol");
  EXPECT_EQ(AsmErrorMessage(11, 8192), "Addresses above 8K not supported.");
  EXPECT_EQ(AsmErrorMessage(19, 4096), "Macro nested too deep...(Max:32)");
  EXPECT_EQ(AsmErrorMessage(25, 4096), "illegally  Bit");
  EXPECT_EQ(AsmErrorMessage(3, 4096), "");
  uint16_t crc = 0;
  for (char c : std::string("abc")) crc = ImageCrc16Update(static_cast<uint8_t>(c), crc);
  EXPECT_EQ(crc, 0xA449);
}

}  // namespace
}  // namespace kyvor
