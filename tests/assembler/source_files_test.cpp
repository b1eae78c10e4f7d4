// Source files: the main file, includes (names, nesting, cycles, restricted
// files) and END.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class SourceFilesModel : public AsmFixture {};

TEST_F(SourceFilesModel, RestrictedIncludeFailsEvenWhenMissing) {
  Chip().RestrictList[0] = "SECRET.INC";
  Chip().RestrictCount = 1;
  Write("m.asm", Crlf({"  INCLUDE secret.inc", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:53)   " + Path("m.asm") + " 1: Illegal file [SECRET.INC]");
}

TEST_F(SourceFilesModel, AFileIsIncludedOnlyOnce) {
  Write("a.inc", Crlf({"  NOP"}));
  Write("m.asm", Crlf({"  INCLUDE A.INC", "  INCLUDE a.inc"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(),
            "Error(code:20)   " + Path("m.asm") + " 2: Circular file reference... [" + Path("a.inc") + "]");
}

TEST_F(SourceFilesModel, IncludeLookupIgnoresCaseAndTakesBackslashes) {
  Write("Sub/Deep.Inc", Crlf({"  MVL 2"}));
  Write("Lib.inc", Crlf({"  MVL 1", "  INCLUDE SUB\\DEEP.INC"}));
  Write("m.asm", Crlf({"  INCLUDE LIB.INC", "  MVL 3"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0601);
  EXPECT_EQ(Word(1), 0x0602);
  EXPECT_EQ(Word(2), 0x0603);
  ASSERT_EQ(asmForm->SourceFiles().size(), 3u);
  EXPECT_EQ(asmForm->SourceFiles()[2], Path("Sub/Deep.Inc"));
}

TEST_F(SourceFilesModel, MissingIncludeCannotBeOpened) {
  Write("m.asm", Crlf({"  INCLUDE NONE.INC"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Couldn't open source file [" + Path("NONE.INC") + "]");
  EXPECT_EQ(host->Errors.Line(0), 1);  // stored as line 1
}

TEST_F(SourceFilesModel, IncludeWithoutANameOpensNothing) {
  Write("m.asm", Crlf({"  INCLUDE", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(FirstError().rfind("Couldn't open source file [", 0), 0u) << FirstError();
}

TEST_F(SourceFilesModel, EndInsideAnIncludeStopsEveryFile) {
  Write("a.inc", Crlf({"  MVL 1", "  END", "  MVL 2"}));
  Write("m.asm", Crlf({"  MVL 0", "  INCLUDE A.INC", "  MVL 3"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0600);
  EXPECT_EQ(Word(1), 0x0601);
  EXPECT_EQ(asmForm->ImageCell(2).LineSeq, 0);
}

class SourceFiles : public HandOffFixture {};

TEST_F(SourceFiles, EndStopsReading) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  END", "  MVL 2", "GARBAGE LINE HERE"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(SourceFiles, IncludingTheMainFileOrOneFileUnderTwoNames) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE MAIN.ASM"})), 0);
  EXPECT_TRUE(HasCode(20) || AllErrors().find("Circular file reference...") != std::string::npos)
      << AllErrors();
  Write("SUB.INC", Lines({"  NOP"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE SUB.INC", "  INCLUDE .\\SUB.INC"})), 0);
  EXPECT_NE(AllErrors().find("Circular file reference..."), std::string::npos) << AllErrors();
}

TEST_F(SourceFiles, IncludeNamesIgnoreCaseAndAcceptBackslashes) {
  Write("sub/defs.inc", Lines({"K EQU 7"}));
  ASSERT_EQ(RunSource(Lines({"  INCLUDE SUB\\DEFS.INC", "  MVL K"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0607);
  EXPECT_EQ(asmForm->SourceFiles().size(), 2u);
}

TEST_F(SourceFiles, LowerCaseFileNameOnDisk) {
  Write("defs.inc", Lines({"  MVL 3"}));
  ASSERT_EQ(RunSource(Lines({"  include defs.inc", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0603);
  EXPECT_EQ(W(1), 0x0000);
}

TEST_F(SourceFiles, NestedIncludesReportTheirOwnFileAndLine) {
  Write("A.INC", Lines({"  MVL 1", "  INCLUDE B.INC", "  MVL 3"}));
  Write("B.INC", Lines({"  MVL 2", "  MVL UNDEF"}));
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE A.INC", "  MVL 4"})), 0);
  ASSERT_EQ(asmForm->SourceFiles().size(), 3u);
  EXPECT_EQ(asmForm->SourceFiles()[0], P("main.asm"));
  EXPECT_EQ(asmForm->SourceFiles()[1], P("A.INC"));
  EXPECT_EQ(asmForm->SourceFiles()[2], P("B.INC"));
  const std::string text = E(5, 2, "Undefined Symbol [UNDEF]", "B.INC");
  ASSERT_EQ(asmForm->ErrorTexts().size(), 1u);
  EXPECT_EQ(asmForm->ErrorTexts()[0], text);
  ASSERT_EQ(host->Raw.size(), 1u);
  EXPECT_EQ(host->Raw[0].Path, P("B.INC"));
  EXPECT_EQ(host->Raw[0].Line, 2);
  EXPECT_EQ(Read("main.err"), text + "\r\n");
  // Words in reading order.
  EXPECT_EQ(W(0), 0x0000);
  EXPECT_EQ(W(1), 0x0601);
  EXPECT_EQ(W(2), 0x0602);
  EXPECT_EQ(W(4), 0x0603);
  EXPECT_EQ(W(5), 0x0604);
}

TEST_F(SourceFiles, SameFileTwiceIsCircular) {
  Write("SUB.INC", Lines({"  NOP"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE SUB.INC", "  INCLUDE SUB.INC"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_TRUE(t.rfind("Error(code:20)", 0) == 0 || t.rfind("Circular", 0) == 0) << t;
  const std::string tail = "Circular file reference... [" + P("SUB.INC") + "]";
  EXPECT_EQ(t.substr(t.size() - std::min(t.size(), tail.size())), tail);
  EXPECT_EQ(host->ErrorViews, 1);
}

TEST_F(SourceFiles, MutualIncludesAreCircular) {
  Write("A.INC", Lines({"  INCLUDE B.INC"}));
  Write("B.INC", Lines({"  INCLUDE A.INC"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE A.INC"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Circular file reference... [" + P("A.INC") + "]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(SourceFiles, MissingIncludeCannotBeOpened) {
  EXPECT_EQ(RunSource(Lines({"  INCLUDE NOPE.INC", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Couldn't open source file [" + P("NOPE.INC") + "]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
  EXPECT_FALSE(Exists("main.lst"));
  EXPECT_FALSE(Exists("main.map"));
}

TEST_F(SourceFiles, MissingMainFile) {
  EXPECT_EQ(Run("nofile.asm"), 0);
  ASSERT_EQ(Errors(), 1);
  const std::string text = "Couldn't open source file [" + P("nofile.asm") + "]";
  EXPECT_EQ(asmForm->ErrorTexts()[0], text);
  ASSERT_EQ(host->Raw.size(), 1u);
  EXPECT_EQ(host->Raw[0].Text, text);
  EXPECT_EQ(host->Raw[0].Line, 0);
  EXPECT_EQ(host->List.Line(0), 1);
  EXPECT_EQ(Read("nofile.err"), text + "\r\n");
  EXPECT_EQ(host->ErrorViews, 1);
}

TEST_F(SourceFiles, RestrictedIncludeFailsEvenWhenAbsent) {
  Chip().RestrictList[0] = "SECRET.INC";
  Chip().RestrictCount = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE SECRET.INC"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Illegal file [SECRET.INC]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(SourceFiles, EndInAnIncludeStopsTheIncludersToo) {
  Write("E.INC", Lines({"  MVL 2", "  END", "  MVL 3"}));
  ASSERT_EQ(RunSource(Lines({"  NOP", "  INCLUDE E.INC", "  MVL 1"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0000);
  EXPECT_EQ(W(1), 0x0602);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(SourceFiles, IncludeInAFalsePartIsNotRead) {
  Write("X.INC", Lines({"  MVL 5"}));
  ASSERT_EQ(RunSource(Lines({"  IF FALSE", "  INCLUDE X.INC", "  ENDIF", "  NOP"})), 1)
      << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 1);
  EXPECT_EQ(asmForm->SourceFiles().size(), 1u);
}

TEST_F(SourceFiles, EachRunStartsAfresh) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  MVL 2"})), 1);
  EXPECT_EQ(host->Clears, 1);
  EXPECT_EQ(host->AddrIndexClears, 1);
  EXPECT_GE(host->Steps, 1);
}

TEST_F(SourceFiles, IncludesAreFoundUnderADeepFolder) {
  std::string deep;
  for (int i = 0; i < 8; ++i) deep += "folder_with_a_long_name_" + std::to_string(i) + "/";
  ASSERT_GT(P(deep).size(), 128u);
  Write(deep + "sub.inc", Lines({"  MVL 3"}));
  Write(deep + "main.asm", Lines({"  INCLUDE SUB.INC", "  MVL 4"}));
  ASSERT_EQ(Run(deep + "main.asm"), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0603);
  EXPECT_EQ(W(1), 0x0604);
}

}  // namespace
}  // namespace kyvor::test
