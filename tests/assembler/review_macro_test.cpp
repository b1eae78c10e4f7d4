// Macros: parameters substituted token by token, local labels, LOCAL,
// nesting, argument counts, circular calls and unterminated definitions.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewMacro : public Review {};

TEST_F(ReviewMacro, ParametersAndExpressions) {
  ASSERT_EQ(RunSource(Lines({"ADDK MACRO P, Q", "  MVL P", "  ADDL Q+1", "  ENDM",
                             "  ADDK 5, 7", "  ADDK 1, 2"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0605);
  EXPECT_EQ(W(1), 0x0408);
  EXPECT_EQ(W(2), 0x0601);
  EXPECT_EQ(W(3), 0x0403);
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(ReviewMacro, OnlyWholeNamesAreReplaced) {
  ASSERT_EQ(RunSource(Lines({"AB EQU 7", "T1 MACRO A", "  MVL AB", "  ADDL A+AB", "  ENDM",
                             "  T1 2"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0607);
  EXPECT_EQ(W(1), 0x0409);
}

TEST_F(ReviewMacro, ReplacementsAreNotReplacedAgain) {
  ASSERT_EQ(RunSource(Lines({"XA EQU 1", "XB EQU 2", "SW MACRO XA, XB", "  MVL XA", "  ADDL XB",
                             "  ENDM", "  SW XB, XA"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0602);
  EXPECT_EQ(W(1), 0x0401);
}

TEST_F(ReviewMacro, ParameterNamedLikeItsArgument) {
  ASSERT_EQ(RunSource(Lines({"N EQU 4", "ID MACRO N", "  MVL N", "  ENDM", "  ID N", "  ID 6"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0604);
  EXPECT_EQ(W(1), 0x0606);
}

TEST_F(ReviewMacro, CodeLabelsAreLocalToEachExpansion) {
  ASSERT_EQ(RunSource(Lines({"WAIT MACRO R", "LP: DCSZ R, 1", "  RJ LP", "  ENDM", "  WAIT 80H",
                             "  WAIT 81H"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x3680);
  EXPECT_EQ(W(1), 0x7FFE);
  EXPECT_EQ(W(2), 0x3681);
  EXPECT_EQ(W(3), 0x7FFE);
  ASSERT_NE(PassSym("Lab@0"), nullptr);
  ASSERT_NE(PassSym("Lab@1"), nullptr);
  EXPECT_EQ(PassSym("Lab@0")->Value, 0);
  EXPECT_EQ(PassSym("Lab@1")->Value, 2);
  EXPECT_EQ(PassSym("LP"), nullptr);
}

TEST_F(ReviewMacro, BodyLabelWithoutColonIsIllegal) {
  EXPECT_EQ(RunSource(Lines({"BAD MACRO", "LP NOP", "  ENDM", "  BAD"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:8)", 0), 0u) << AllErrors();
}

TEST_F(ReviewMacro, LocalNamesAValueForTheExpansion) {
  ASSERT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL 3", "  MVL CNT", "  ENDM", "  LM"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(ReviewMacro, MacroCallsInsideMacros) {
  ASSERT_EQ(RunSource(Lines({"INNER MACRO V", "  MVL V", "  ENDM", "OUTER MACRO W", "  INNER W",
                             "  ADDL 1", "  ENDM", "  OUTER 9", "  NOP"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0609);
  EXPECT_EQ(W(1), 0x0401);
  EXPECT_EQ(W(2), 0x0000);
  EXPECT_EQ(asmForm->LocationCounter(), 3);
}

TEST_F(ReviewMacro, ArgumentCounts) {
  EXPECT_EQ(RunSource(Lines({"TWO MACRO P, Q", "  MVL P", "  ENDM", "  TWO 1"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(13, 4, "Missing argument..."), 0), 0u)
      << AllErrors();

  EXPECT_EQ(RunSource(Lines({"TWO MACRO P, Q", "  MVL P", "  ENDM", "  TWO 1, 2, 3"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(14, 4, "Too many arguments..."), 0), 0u)
      << AllErrors();
}

TEST_F(ReviewMacro, RepeatedParameterName) {
  EXPECT_EQ(RunSource(Lines({"DUP MACRO P, P", "  MVL P", "  ENDM", "  DUP 1, 2"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:4)", 0), 0u) << AllErrors();
  EXPECT_NE(asmForm->ErrorTexts()[0].find("Duplicate label or redefining symbol"),
            std::string::npos);
}

TEST_F(ReviewMacro, SelfCallIsCircular) {
  EXPECT_EQ(RunSource(Lines({"REC MACRO", "  NOP", "  REC", "  ENDM", "  REC"})), 0);
  ASSERT_GE(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_EQ(t.rfind("Error(code:21)", 0), 0u) << t;
  const std::string tail = "Circular macro reference... [REC]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(ReviewMacro, MutualCallsEndWithAnError) {
  // MA's body names MB before MB is defined; either way the run must end
  // with an error instead of expanding without end.
  EXPECT_EQ(RunSource(Lines({"MA MACRO", "  MB", "  ENDM", "MB MACRO", "  MA", "  ENDM",
                             "  MA"})),
            0);
  EXPECT_GE(Errors(), 1);
}

TEST_F(ReviewMacro, AMacroUsedTwiceInsideAnotherIsNoCycle) {
  ASSERT_EQ(RunSource(Lines({"MB MACRO", "  NOP", "  ENDM", "MA MACRO", "  MB", "  MB", "  ENDM",
                             "  MA", "  MA"})),
            1)
      << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(ReviewMacro, MissingEndmIsAnError) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "OPEN MACRO", "  MVL 1"})), 0);
  EXPECT_GE(Errors(), 1);
  EXPECT_EQ(asmForm->LocationCounter(), 0);
}

TEST_F(ReviewMacro, NestedDefinitionAndStrayEndm) {
  EXPECT_EQ(RunSource(Lines({"M1 MACRO", "M2 MACRO", "  ENDM", "  ENDM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:16)", 0), 0u) << AllErrors();
  EXPECT_NE(asmForm->ErrorTexts()[0].find("Illegal Macro..."), std::string::npos);

  EXPECT_EQ(RunSource(Lines({"  NOP", "  ENDM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Illegal Macro... [ENDM]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);

  EXPECT_EQ(RunSource(Lines({"  MACRO", "  ENDM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_NE(asmForm->ErrorTexts()[0].find("Illegal Macro..."), std::string::npos);
}

// Builds macros M1..Mn, each calling the next; the last holds a NOP.
std::string Chain(int n) {
  std::string s;
  for (int i = n; i >= 1; --i) {
    s += "M" + std::to_string(i) + " MACRO\r\n";
    s += (i == n) ? std::string("  NOP\r\n") : "  M" + std::to_string(i + 1) + "\r\n";
    s += "  ENDM\r\n";
  }
  s += "  M1\r\n";
  return s;
}

TEST_F(ReviewMacro, ThirtyOneOpenCallsAreAllowed) {
  ASSERT_EQ(RunSource(Chain(31)), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0000);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(ReviewMacro, ThirtyTwoOpenCallsAreTooDeep) {
  EXPECT_EQ(RunSource(Chain(32)), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_EQ(t.rfind("Error(code:19)", 0), 0u) << t;
  EXPECT_NE(t.find("Macro nested too deep...(Max:32)"), std::string::npos) << t;
}

TEST_F(ReviewMacro, UnknownMnemonicAfterALabel) {
  EXPECT_EQ(RunSource(Lines({"LAB: FOO 5", "  NOP"})), 0);
  EXPECT_GE(Errors(), 1);
  EXPECT_EQ(RunSource(Lines({"LAB: MOVE 5, 6"})), 0);
  EXPECT_GE(Errors(), 1);
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewMacro2 : public Review {};

TEST_F(ReviewMacro2, LocalNeedsExactlyOneValueAndAFreshName) {
  EXPECT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL 3, 4", "  ENDM", "  LM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:14)", 0), 0u) << AllErrors();

  EXPECT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL", "  ENDM", "  LM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:13)", 0), 0u) << AllErrors();

  EXPECT_EQ(RunSource(Lines({"LM MACRO P", "P LOCAL 3", "  ENDM", "  LM 1"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:4)", 0), 0u) << AllErrors();
}

TEST_F(ReviewMacro2, ArgumentsToAMacroWithoutParameters) {
  EXPECT_EQ(RunSource(Lines({"Z MACRO", "  NOP", "  ENDM", "  Z 1"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(14, 4, "Too many arguments..."), 0), 0u)
      << AllErrors();
}

TEST_F(ReviewMacro2, OneCharacterBodyLabel) {
  EXPECT_EQ(RunSource(Lines({"B MACRO", ": NOP", "  ENDM", "  B"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:8)", 0), 0u) << AllErrors();
}

TEST_F(ReviewMacro2, LongArgumentIsNotCut) {
  // 33 characters: 1 + 2 + ... + 13 + 145 = 236.
  ASSERT_EQ(RunSource(Lines({"ONE MACRO P", "  DW P", "  ENDM",
                             "  ONE 1+2+3+4+5+6+7+8+9+10+11+12+13+145"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "00EC");
}

TEST_F(ReviewMacro2, LongReplacementsAreCutNotOverrun) {
  const std::string p = "1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1";  // 20
  const uint8_t r = RunSource(Lines({"W5 MACRO P", "  DW P, P, P, P, P", "  ENDM", "  W5 " + p}));
  (void)r;
  EXPECT_EQ(W(0), 20);
  EXPECT_EQ(W(1), 20);
}

}  // namespace
}  // namespace kyvor::review
