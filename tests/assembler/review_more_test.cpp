// Finer points: which error code a failed evaluation gives per directive,
// canonical operand texts in error messages, macro arguments that are
// expressions, conditions inside macro bodies, errors inside expansions and
// the first pass of call shortening.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewMore : public Review {};

TEST_F(ReviewMore, SetAndDsFailuresAreRedefinitionErrors) {
  EXPECT_EQ(RunSource(Lines({"S SET NOPE", "V DS NOPE", "K EQU NOPE"})), 0);
  EXPECT_EQ(Errors(), 3) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(4, 1, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[1].rfind(E(4, 2, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[2], E(5, 3, "Undefined Symbol [NOPE]"));
}

TEST_F(ReviewMore, OrgNeedsAValue) {
  EXPECT_EQ(RunSource(Lines({"  ORG NOPE", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(5, 1, "Undefined Symbol"), 0), 0u) << AllErrors();
}

TEST_F(ReviewMore, RegisterErrorsShowTheCanonicalOperand) {
  EXPECT_EQ(RunSource(Lines({"REG EQU 100H", "BIT EQU 7", "  CLRF REG", "  BSF 52H, BIT"})), 0);
  EXPECT_TRUE(HasError(E(24, 3, "illegally Memory or Registor [100H]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(25, 4, "illegally  Bit [7]"))) << AllErrors();
}

TEST_F(ReviewMore, MacroArgumentsMayBeExpressions) {
  ASSERT_EQ(RunSource(Lines({"PAIR MACRO P, Q", "  MVL P", "  ADDL Q+1", "  ENDM",
                             "  PAIR 2+3, HIGH 1234H", "  PAIR LOW 1234H, 4"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
  EXPECT_EQ(Hex4(W(1)), "0412");  // HIGH applies to the whole expression 1234H+1
  EXPECT_EQ(Hex4(W(2)), "0634");
  EXPECT_EQ(Hex4(W(3)), "0405");
}

TEST_F(ReviewMore, LabelOnAMacroCallLine) {
  ASSERT_EQ(RunSource(Lines({"ONE MACRO", "  MVL 1", "  ENDM", "  NOP", "HERE: ONE", "  RJ HERE"})),
            1)
      << AllErrors();
  EXPECT_EQ(PassSym("HERE")->Value, 1);
  EXPECT_EQ(Hex4(W(1)), "0601");
  EXPECT_EQ(Hex4(W(2)), "7FFE");
}

TEST_F(ReviewMore, ConditionsInsideAMacroBody) {
  ASSERT_EQ(RunSource(Lines({"  DEFINE D = 1", "CM MACRO", "  IF FALSE", "  MVL 1", "  ELSE",
                             "  MVL 2", "  ENDIF", "  IF D", "  MVL 3", "  ENDIF", "  ENDM",
                             "  CM", "  CM"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0602");
  EXPECT_EQ(Hex4(W(1)), "0603");
  EXPECT_EQ(Hex4(W(2)), "0602");
  EXPECT_EQ(Hex4(W(3)), "0603");
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(ReviewMore, ErrorsInAnExpansionNameTheBodyLine) {
  EXPECT_EQ(RunSource(Lines({"BADM MACRO", "  NOP", "  MVL NOPE", "  ENDM", "  NOP", "  BADM"})),
            0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(5, 3, "Undefined Symbol [NOPE]"));
}

TEST_F(ReviewMore, MacroDefinedInAnInclude) {
  Write("MAC.INC", Lines({"TWICE MACRO V", "  MVL V", "  MVL NOPE", "  ENDM"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE MAC.INC", "  TWICE 4"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(5, 3, "Undefined Symbol [NOPE]", "MAC.INC"));
  EXPECT_EQ(Hex4(W(0)), "0604");
}

TEST_F(ReviewMore, AsciiDumpShowsTheLineAsRead) {
  ASSERT_EQ(RunSource(Lines({"ONE MACRO P", "  MVL P", "  ENDM", "  ONE 5"})), 1) << AllErrors();
  const std::string asc = Read("main.asc");
  const std::string first = asc.substr(0, asc.find("\r\n"));
  EXPECT_EQ(first, Bin16Groups(0x0605) + "        // " + " 0000" + "  " + "  MVL P");
}

TEST_F(ReviewMore, FirstPassMayOverrunTheRomBeforeShortening) {
  opt.SmartCompiler = 1;
  std::string src = "  CALL SUB\r\n";
  for (int i = 0; i < 254; ++i) src += "  NOP\r\n";
  src += "SUB: RET\r\n";  // first pass: 257 words; after shortening 256
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C8FE");
  EXPECT_EQ(Hex4(W(255)), "000A");
  EXPECT_EQ(asmForm->AssembledWordCount(), 256);
}

TEST_F(ReviewMore, FirstPassMayOverlapBeforeShortening) {
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "SUB: RET", "  ORG 2", "  MVL 7"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C800");
  EXPECT_EQ(Hex4(W(1)), "000A");
  EXPECT_EQ(Hex4(W(2)), "0607");
}

TEST_F(ReviewMore, OverrunAfterShorteningIsStillAnError) {
  opt.SmartCompiler = 1;
  std::string src = "  CALL SUB\r\n";
  for (int i = 0; i < 255; ++i) src += "  NOP\r\n";
  src += "SUB: RET\r\n";  // 257 words even after shortening
  EXPECT_EQ(RunSource(src), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(11, 257, "Addresses above 0K not supported."))) << AllErrors();
}

TEST_F(ReviewMore, WordCountersFollowTheLocationCounter) {
  ASSERT_EQ(RunSource(Lines({"  NOP", "  CALL 5", "  ORG 20H", "  NOP"})), 1);
  EXPECT_EQ(asmForm->AssembledWordCount(), 0x21);
  EXPECT_EQ(asmForm->TotalCodeLines(), 0x21);
}

TEST_F(ReviewMore, ErrorFileEntriesUseTheIncludePath) {
  Write("A.INC", Lines({"  NOP", "  MVL 1, 2"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE A.INC"})), 0);
  const std::string text = E(14, 2, "Too many arguments...", "A.INC");
  EXPECT_EQ(Read("main.err"), text + "\r\n");
  ASSERT_EQ(host->Raw.size(), 1u);
  EXPECT_EQ(host->Raw[0].Path, P("A.INC"));
  EXPECT_EQ(host->List.Path(0), P("A.INC"));
  EXPECT_EQ(host->List.Line(0), 2);
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewMore2 : public Review {};

TEST_F(ReviewMore2, IncludeLinesAreListedWithTheirCanonicalOperands) {
  Write("SUB.INC", Lines({"  MVL K", "  ADDL K+1"}));
  ASSERT_EQ(RunSource(Lines({"K EQU 12H", "  INCLUDE SUB.INC", "  MVL K"})), 1) << AllErrors();
  const std::string head =
      "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n";
  EXPECT_EQ(Read("main.lst"),
            head + Lines({"0001" + std::string(16, ' ') + "K EQU 12H",
                          "  M   0000  0612      MVL 12H", "  M   0001  0413      ADDL 0013H",
                          "0002" + std::string(16, ' ') + "  INCLUDE SUB.INC",
                          "0003  0002  0612      MVL K"}));
}

TEST_F(ReviewMore2, AKnownMacroNameIsACallNotANewDefinition) {
  // The first word of the second "M MACRO" is a known macro: the line is a
  // call, and the ENDM after it has no MACRO.
  EXPECT_EQ(RunSource(Lines({"M MACRO", "  MVL 1", "  ENDM", "M MACRO", "  MVL 2", "  ENDM", "  M"})),
            0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_EQ(t.rfind("Error(code:16)", 0), 0u) << t;
  const std::string tail = "Illegal Macro... [ENDM]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(ReviewMore2, EndInAFalsePartStillEndsTheReading) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  IF FALSE", "  END", "  ENDIF", "  MVL 2"})), 1)
      << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(ReviewMore2, ABranchToANumber) {
  ASSERT_EQ(RunSource(Lines({"  JZ 5", "  RJ 0", "  RCALL 1"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "7104");
  EXPECT_EQ(Hex4(W(1)), "7FFE");
  EXPECT_EQ(Hex4(W(2)), "CFFE");
}

TEST_F(ReviewMore2, ElseWithoutIfStoresTheLinesAfterIt) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  ENDIF", "  MVL 2"})), 1) << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewMore3 : public Review {};

TEST_F(ReviewMore3, BankAndTableOperandTextsInTheListing) {
  Write("SUB.INC", Lines({"  LBSR B1", "  TBLR K", "  LBSR 2"}));
  ASSERT_EQ(RunSource(Lines({"B1 EQU 180H", "K EQU 1", "  INCLUDE SUB.INC"})), 1) << AllErrors();
  const std::string lst = Read("main.lst");
  EXPECT_NE(lst.find("  M   0000  0011      LBSR 001H\r\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("  M   0001  0007      TBLR K\r\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("  M   0002  0012      LBSR 2\r\n"), std::string::npos) << lst;
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewLongTexts : public Review {};

TEST_F(ReviewLongTexts, LongConstantTextInALineWithAForwardName) {
  // K's canonical text has 39 characters.
  ASSERT_EQ(RunSource(Lines({"ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP", "ALPHA4: NOP",
                             "ALPHA5: NOP", "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4+ALPHA5",
                             "  DW K, FWD", "FWD: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(5)), "000A");
  EXPECT_EQ(Hex4(W(6)), "0007");
}

TEST_F(ReviewLongTexts, LongConstantTextWithCallShortening) {
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP",
                             "ALPHA4: NOP", "ALPHA5: NOP",
                             "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4+ALPHA5", "  MVL K", "SUB: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(6)), "060F");  // 1 + 2 + 3 + 4 + 5 after shortening
}


}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewLongTexts2 : public Review {};

TEST_F(ReviewLongTexts2, LongSetTextInALineWithAForwardName) {
  ASSERT_EQ(RunSource(Lines({"ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP", "ALPHA4: NOP",
                             "ALPHA5: NOP", "S SET ALPHA1+ALPHA2+ALPHA3+ALPHA4+ALPHA5",
                             "  DW S, FWD", "FWD: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(5)), "000A");
  EXPECT_EQ(Hex4(W(6)), "0007");
}

TEST_F(ReviewLongTexts2, LongLocalValue) {
  ASSERT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL 1+2+3+4+5+6+7+8+9+10+11+12+13+145",
                             "  DW CNT", "  ENDM", "  LM"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "00EC");
}

TEST_F(ReviewLongTexts2, NamesLongerThan32AreKnownByTheirFirst32) {
  const std::string a = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD";
  const std::string b = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789WXYZ";
  EXPECT_EQ(RunSource(Lines({a + ": NOP", b + ": NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(4, 2, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
}

}  // namespace
}  // namespace kyvor::review
