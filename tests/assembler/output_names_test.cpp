// Names of the output files derived from the main file.
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class OutputFileNames : public ::testing::Test {
 protected:
  void TearDown() override { ResetOutputFileState(); }
};

TEST_F(OutputFileNames, NothingBeforeTheFirstStore) {
  ResetOutputFileState();
  for (int k = 0; k <= 20; ++k) EXPECT_EQ(OutputFileName(k), "") << k;
  std::string folder = "keep";
  EXPECT_FALSE(MainFileDir(folder));
  EXPECT_EQ(folder, "keep");
}

TEST_F(OutputFileNames, SuffixesByKind) {
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

TEST_F(OutputFileNames, OnlyAShortExtensionIsCut) {
  StoreMainFileName("main.s");
  EXPECT_EQ(OutputFileName(5), "main.lst");
  StoreMainFileName("prog.old.asm");
  EXPECT_EQ(OutputFileName(5), "prog.old.lst");
  StoreMainFileName("file.asmx");
  EXPECT_EQ(OutputFileName(5), "file.asmx.lst");
  StoreMainFileName("prog");
  EXPECT_EQ(OutputFileName(5), "prog.lst");
}

TEST_F(OutputFileNames, MainFileFolder) {
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

TEST_F(OutputFileNames, ADotInAFolderNameDoesNotCutThePath) {
  StoreMainFileName("/p/w.1/m");
  EXPECT_EQ(OutputFileName(5), "/p/w.1/m.lst");
  StoreMainFileName("C:\\p\\w.1\\m");
  EXPECT_EQ(OutputFileName(7), "C:\\p\\w.1\\m.hex");
  StoreMainFileName("/p/a.b/");
  EXPECT_EQ(OutputFileName(4), "/p/a.b/.err");
  // Only a dot after the last separator starts the extension.
  StoreMainFileName("/p/w.1/m.s");
  EXPECT_EQ(OutputFileName(5), "/p/w.1/m.lst");
  StoreMainFileName("/p/w.1/.a");
  EXPECT_EQ(OutputFileName(17), "/p/w.1/.map");
  StoreMainFileName("/p/w.1/m.asmx");
  EXPECT_EQ(OutputFileName(5), "/p/w.1/m.asmx.lst");
}

class OutputFileNaming : public ::testing::Test {
 protected:
  void SetUp() override { ResetOutputFileState(); }
  void TearDown() override { ResetOutputFileState(); }
};

TEST_F(OutputFileNaming, NothingBeforeTheFirstStore) {
  for (int kind = 0; kind <= 20; ++kind) EXPECT_EQ(OutputFileName(kind), "") << kind;
  std::string folder = "keep";
  EXPECT_FALSE(MainFileDir(folder));
  EXPECT_EQ(folder, "keep");
}

TEST_F(OutputFileNaming, EveryKindOfTheTable) {
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

TEST_F(OutputFileNaming, OnlyTheLastFourCharactersAreSearchedForTheDot) {
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

TEST_F(OutputFileNaming, FolderOfTheMainFile) {
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

class OutputNames : public HandOffFixture {};

TEST_F(OutputNames, OutputNamesFollowTheMainFile) {
  Write("prog.asmx", Lines({"  NOP"}));
  ASSERT_EQ(Run("prog.asmx"), 1);
  EXPECT_TRUE(Exists("prog.asmx.lst"));
  EXPECT_TRUE(Exists("prog.asmx.map"));
  EXPECT_TRUE(Exists("prog.asmx.asc"));
  EXPECT_TRUE(Exists("prog.asmx.hex"));
  Write("work.1/main.s", Lines({"  MVL NOPE"}));
  EXPECT_EQ(Run("work.1/main.s"), 0);
  EXPECT_TRUE(Exists("work.1/main.err"));
  EXPECT_TRUE(Exists("work.1/main.lst"));
  EXPECT_TRUE(Exists("work.1/main.map"));
  EXPECT_EQ(Read("work.1/main.err"),
            "Error(code:5)   " + P("work.1/main.s") + " 1: Undefined Symbol [NOPE]\r\n");
}

}  // namespace
}  // namespace kyvor::test

namespace kyvor {
namespace {

// The file dialogs' default extension looks at the file-name part only.
TEST(DefaultExtension, IsAddedOnlyToANameWithoutADot) {
  EXPECT_EQ(WithDefaultExtension("/home/u/proj/main", ".asm"), "/home/u/proj/main.asm");
  EXPECT_EQ(WithDefaultExtension("/home/u/proj/main.inc", ".asm"), "/home/u/proj/main.inc");
  EXPECT_EQ(WithDefaultExtension("/home/u/v1.2/setup", ".cfg"), "/home/u/v1.2/setup.cfg");
  EXPECT_EQ(WithDefaultExtension("plain", ".hex"), "plain.hex");
}

}  // namespace
}  // namespace kyvor
