// Source reader: includes (nesting, case-insensitive names, '\' separators,
// restrictions), END, DEFINE and the one-level conditions.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewReader : public Review {};

TEST_F(ReviewReader, IncludeNamesIgnoreCaseAndAcceptBackslashes) {
  Write("sub/defs.inc", Lines({"K EQU 7"}));
  ASSERT_EQ(RunSource(Lines({"  INCLUDE SUB\\DEFS.INC", "  MVL K"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0607);
  EXPECT_EQ(asmForm->SourceFiles().size(), 2u);
}

TEST_F(ReviewReader, LowerCaseFileNameOnDisk) {
  Write("defs.inc", Lines({"  MVL 3"}));
  ASSERT_EQ(RunSource(Lines({"  include defs.inc", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0603);
  EXPECT_EQ(W(1), 0x0000);
}

TEST_F(ReviewReader, NestedIncludesReportTheirOwnFileAndLine) {
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

TEST_F(ReviewReader, SameFileTwiceIsCircular) {
  Write("SUB.INC", Lines({"  NOP"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE SUB.INC", "  INCLUDE SUB.INC"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_TRUE(t.rfind("Error(code:20)", 0) == 0 || t.rfind("Circular", 0) == 0) << t;
  const std::string tail = "Circular file reference... [" + P("SUB.INC") + "]";
  EXPECT_EQ(t.substr(t.size() - std::min(t.size(), tail.size())), tail);
  EXPECT_EQ(host->ErrorViews, 1);
}

TEST_F(ReviewReader, MutualIncludesAreCircular) {
  Write("A.INC", Lines({"  INCLUDE B.INC"}));
  Write("B.INC", Lines({"  INCLUDE A.INC"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE A.INC"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Circular file reference... [" + P("A.INC") + "]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(ReviewReader, MissingIncludeCannotBeOpened) {
  EXPECT_EQ(RunSource(Lines({"  INCLUDE NOPE.INC", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Couldn't open source file [" + P("NOPE.INC") + "]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
  EXPECT_FALSE(Exists("main.lst"));
  EXPECT_FALSE(Exists("main.map"));
}

TEST_F(ReviewReader, MissingMainFile) {
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

TEST_F(ReviewReader, RestrictedIncludeFailsEvenWhenAbsent) {
  Chip().RestrictList[0] = "SECRET.INC";
  Chip().RestrictCount = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE SECRET.INC"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Illegal file [SECRET.INC]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(ReviewReader, EndInAnIncludeStopsTheIncludersToo) {
  Write("E.INC", Lines({"  MVL 2", "  END", "  MVL 3"}));
  ASSERT_EQ(RunSource(Lines({"  NOP", "  INCLUDE E.INC", "  MVL 1"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0000);
  EXPECT_EQ(W(1), 0x0602);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(ReviewReader, DefineWithEqualsOrComma) {
  ASSERT_EQ(RunSource(Lines({"  DEFINE X = 5", "  DEFINE Y, 5", "  IF X, Y", "  MVL 1", "  ELSE",
                             "  MVL 2", "  ENDIF", "  IF X", "  MVL 3", "  ENDIF"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(W(1), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(ReviewReader, DefineWithABlankIsMissingItsArgument) {
  EXPECT_EQ(RunSource(Lines({"  DEFINE X 5", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(13, 1, "Missing argument..."), 0), 0u)
      << AllErrors();
}

TEST_F(ReviewReader, IfFalseElseEndif) {
  ASSERT_EQ(RunSource(Lines({"  IF FALSE", "  MVL 1", "  ELSE", "  MVL 2", "  ENDIF", "  MVL 3"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0602);
  EXPECT_EQ(W(1), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(ReviewReader, ZeroAndUnequalDefinesAreFalse) {
  ASSERT_EQ(RunSource(Lines({"  DEFINE Z = 0", "  DEFINE A = 1", "  DEFINE B = 2", "  IF Z",
                             "  MVL 1", "  ENDIF", "  IF A, B", "  MVL 2", "  ELSE", "  MVL 3",
                             "  ENDIF"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(ReviewReader, DefineAndMacroInAFalsePartStillTakeEffect) {
  ASSERT_EQ(RunSource(Lines({"  IF FALSE", "  DEFINE D = 1", "M1 MACRO", "  MVL 7", "  ENDM",
                             "  MVL 9", "  ENDIF", "  IF D", "  M1", "  ENDIF"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0607);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(ReviewReader, ASecondIfReplacesTheFirst) {
  ASSERT_EQ(RunSource(Lines({"  DEFINE T = 1", "  IF FALSE", "  MVL 1", "  IF T", "  MVL 2",
                             "  ENDIF", "  MVL 3"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0602);
  EXPECT_EQ(W(1), 0x0603);
}

TEST_F(ReviewReader, IncludeInAFalsePartIsNotRead) {
  Write("X.INC", Lines({"  MVL 5"}));
  ASSERT_EQ(RunSource(Lines({"  IF FALSE", "  INCLUDE X.INC", "  ENDIF", "  NOP"})), 1)
      << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 1);
  EXPECT_EQ(asmForm->SourceFiles().size(), 1u);
}

TEST_F(ReviewReader, IfErrors) {
  EXPECT_EQ(RunSource(Lines({"  IF UNKNOWN", "  NOP", "  ENDIF"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(5, 1, "Undefined Symbol [UNKNOWN]"));

  EXPECT_EQ(RunSource(Lines({"  DEFINE A = 1", "  IF A, NOPE", "  ENDIF"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(5, 2, "Undefined Symbol [NOPE]"));

  EXPECT_EQ(RunSource(Lines({"  IF", "  ENDIF"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(13, 1, "Missing argument..."), 0), 0u)
      << AllErrors();

  EXPECT_EQ(RunSource(Lines({"  DEFINE A = 1", "  IF A, A, A", "  ENDIF"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(13, 2, "Missing argument..."), 0), 0u)
      << AllErrors();
}

TEST_F(ReviewReader, CommentsAndEmptyLinesEmitNothing) {
  ASSERT_EQ(RunSource(Lines({"; heading", "", "   ", "\t", "  MVL 1 ; one", "  MVL 2;two"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(W(1), 0x0602);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(ReviewReader, EachRunStartsAfresh) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  MVL 2"})), 1);
  EXPECT_EQ(host->Clears, 1);
  EXPECT_EQ(host->AddrIndexClears, 1);
  EXPECT_GE(host->Steps, 1);
}

}  // namespace
}  // namespace kyvor::review
