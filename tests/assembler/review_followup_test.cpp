// Follow-up review cases: constants after call shortening, the layout checks
// on a core without shortening, EQU and SET inside macro bodies, and
// operands whose canonical form makes a line longer than the source line.
// Expected words are worked out by hand from the encodings (long CALL:
// C000 | address bits 12 and up, then NOPF F000 | low 12 bits; MVL n: 06nn;
// RCALL: C800 | displacement).
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewFollowup : public Review {};

// ---------------------------------------------------------------------------
// The final symbol table takes the values of the final layout.

TEST_F(ReviewFollowup, ConstantsFollowShortenedLabels) {
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET", "K EQU SUB", "  MVL K"})), 1)
      << AllErrors();
  EXPECT_EQ(PassSym("SUB")->Value, 2);
  EXPECT_EQ(Hex4(W(3)), "0602");
  ASSERT_NE(FinalSym("K"), nullptr);
  EXPECT_EQ(FinalSym("K")->Value, 2);
  ASSERT_EQ(target->Symbols.size(), 1u);
  EXPECT_EQ(target->Symbols[0].Name, "K");
  EXPECT_EQ(target->Symbols[0].Value, 2);
  EXPECT_NE(Read("main.map").find(std::string(31, ' ') + "K     Const       0x0002\r\n"),
            std::string::npos);
  EXPECT_EQ(Read("main.map").find("0x0003"), std::string::npos);
}

TEST_F(ReviewFollowup, ConstantsFollowRepeatedShorteningRounds) {
  // With "Optimization" several passes run; the last one counts. Both calls
  // become one word: SUB moves from 5 to 3.
  opt.SmartCompiler = 1;
  opt.COptimization = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  CALL SUB", "  NOP", "SUB: RET", "K EQU SUB+1",
                             "  MVL K"})),
            1)
      << AllErrors();
  EXPECT_EQ(PassSym("SUB")->Value, 3);
  EXPECT_EQ(Hex4(W(4)), "0604");
  ASSERT_NE(FinalSym("K"), nullptr);
  EXPECT_EQ(FinalSym("K")->Value, 4);
  ASSERT_EQ(target->Symbols.size(), 1u);
  EXPECT_EQ(target->Symbols[0].Value, 4);
}

TEST_F(ReviewFollowup, VariablesFollowShortenedLabels) {
  // A size taken from a label: A gets SUB's final value (2) bytes, so B
  // lies at 2, not at the first pass's 3.
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET", "A DS SUB", "B DS 1",
                             "  MVL B"})),
            1)
      << AllErrors();
  ASSERT_NE(FinalSym("A"), nullptr);
  ASSERT_NE(FinalSym("B"), nullptr);
  EXPECT_EQ(FinalSym("A")->Value, 0);
  EXPECT_EQ(FinalSym("A")->Aux, 2);
  EXPECT_EQ(FinalSym("B")->Value, 2);
  EXPECT_EQ(Hex4(W(3)), "0602");
  EXPECT_NE(Read("main.map").find(std::string(31, ' ') + "B     Memory      0x0002\r\n"),
            std::string::npos);
}

TEST_F(ReviewFollowup, ConstantsWithoutShorteningKeepTheirValue) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET", "K EQU SUB", "  MVL K"})), 1)
      << AllErrors();
  EXPECT_EQ(PassSym("SUB")->Value, 3);
  ASSERT_NE(FinalSym("K"), nullptr);
  EXPECT_EQ(FinalSym("K")->Value, 3);
  EXPECT_EQ(Hex4(W(4)), "0603");
}

// ---------------------------------------------------------------------------
// Without call shortening the first pass is the last: it checks the layout.

TEST_F(ReviewFollowup, K08BWithSmartCompilerStillChecksTheLayout) {
  Chip().CoreVariant = 1;
  opt.SmartCompiler = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  ORG 0", "  MVL 1"})), 0);
  EXPECT_TRUE(HasError(E(10, 3, "Overwriting previous address contents."))) << AllErrors();
  EXPECT_EQ(W(0), 0x0000);  // the first word stays
  EXPECT_EQ(RunSource(Lines({"  ORG 0FFH", "  NOP", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(11, 3, "Addresses above 0K not supported."))) << AllErrors();
  EXPECT_EQ(Errors(), 1) << AllErrors();
}

TEST_F(ReviewFollowup, K08ASmartCompilerChecksTheFinalLayoutOnce) {
  // The relaxed first pass says nothing; the final pass reports once.
  opt.SmartCompiler = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL SUB", "SUB: RET", "  ORG 1", "  MVL 1"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(10, 4, "Overwriting previous address contents."))) << AllErrors();
}

// ---------------------------------------------------------------------------
// EQU and SET inside a macro body.

TEST_F(ReviewFollowup, SetAndEquInsideAMacroBody) {
  ASSERT_EQ(RunSource(Lines({"M MACRO", "S SET 5", "  MVL S", "  ENDM", "  M"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
  ASSERT_EQ(RunSource(Lines({"M MACRO V", "K EQU V", "  MVL K", "  ENDM", "  M 6"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0606");
  ASSERT_NE(FinalSym("K"), nullptr);
  EXPECT_EQ(FinalSym("K")->Value, 6);
}

TEST_F(ReviewFollowup, SetInAMacroBodyExpandedTwice) {
  ASSERT_EQ(RunSource(Lines({"M MACRO V", "S SET V", "  MVL S", "  ENDM", "  M 1", "  M 2",
                             "  MVL S"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0601");
  EXPECT_EQ(Hex4(W(1)), "0602");
  EXPECT_EQ(Hex4(W(2)), "0602");
}

TEST_F(ReviewFollowup, EquInAMacroBodyExpandedTwiceIsARedefinition) {
  EXPECT_EQ(RunSource(Lines({"M MACRO", "K EQU 1", "  ENDM", "  M", "  M"})), 0);
  EXPECT_TRUE(HasError(E(4, 2, "Duplicate label or redefining symbol [K]"))) << AllErrors();
}

TEST_F(ReviewFollowup, CodeLabelsInAMacroBodyStillNeedTheirColon) {
  EXPECT_EQ(RunSource(Lines({"M MACRO", "L NOP", "  ENDM", "  M"})), 0);
  EXPECT_TRUE(HasError(E(8, 2, "Illegal Symbol [L]"))) << AllErrors();
}

// ---------------------------------------------------------------------------
// Operands whose canonical texts make the line longer than 160 characters.

TEST_F(ReviewFollowup, RewrittenOperandsLongerThanTheLine) {
  // Each K is rewritten as its 27-character text: the line grows past 160
  // characters, and the passes after call shortening read it again.
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP",
                             "ALPHA4: NOP", "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4",
                             "DW K, K, K, K, K, K", "SUB: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C80A");  // RCALL to 11: 11 - 0 - 1
  for (int a = 5; a <= 10; ++a) EXPECT_EQ(Hex4(W(a)), "000A") << a;
}

TEST_F(ReviewFollowup, LongRewrittenLineWithAForwardNameAndARedefinedSet) {
  // The forward name FWD is resolved after the pass, when V is already 2:
  // V's place must still hold the value it had on this line (1).
  ASSERT_EQ(RunSource(Lines({"ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP", "ALPHA4: NOP",
                             "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4", "V SET 1",
                             "  DW K, K, K, K, K, K, V, FWD", "V SET 2", "FWD: NOP"})),
            1)
      << AllErrors();
  for (int a = 4; a <= 9; ++a) EXPECT_EQ(Hex4(W(a)), "0006") << a;
  EXPECT_EQ(Hex4(W(10)), "0001");
  EXPECT_EQ(Hex4(W(11)), "000C");
  EXPECT_EQ(asmForm->LocationCounter(), 13);
}

TEST_F(ReviewFollowup, LongOperandOfATwoWordCall) {
  // K2 + K = 5 x 6 + 6 = 36; the second word's operand text is longer than
  // a source line.
  ASSERT_EQ(RunSource(Lines({"ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP", "ALPHA4: NOP",
                             "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4", "K2 EQU K+K+K+K+K",
                             "  CALL K2+K"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(4)), "C000");
  EXPECT_EQ(Hex4(W(5)), "F024");
}

TEST_F(ReviewFollowup, ConstantTextLongerThanALine) {
  // K2's text is six copies of K's 27 characters: 167 characters. The
  // passes after call shortening read it whole: 6 x 10 = 60.
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP",
                             "ALPHA4: NOP", "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4",
                             "K2 EQU K+K+K+K+K+K", "  MVL K2", "SUB: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(5)), "063C");
  ASSERT_NE(FinalSym("K2"), nullptr);
  EXPECT_EQ(FinalSym("K2")->Value, 60);
}

TEST_F(ReviewFollowup, MacroExpansionLongerThanALine) {
  // Five copies of a 39-character argument: every word is 20.
  const std::string p = "1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1";
  ASSERT_EQ(RunSource(Lines({"W5 MACRO P", "  DW P, P, P, P, P", "  ENDM", "  W5 " + p})), 1)
      << AllErrors();
  for (int a = 0; a < 5; ++a) EXPECT_EQ(W(a), 20) << a;
  EXPECT_EQ(asmForm->LocationCounter(), 5);
}

TEST_F(ReviewFollowup, NestedCallWithAnArgumentFromALongLine) {
  // The inner call's line is longer than 160 characters once P is put in;
  // its last argument still reaches the inner macro whole.
  const std::string p = "1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1";
  ASSERT_EQ(RunSource(Lines({"IN5 MACRO A, B, C, D, E", "  DW A, B, C, D, E", "  ENDM",
                             "OUT MACRO P", "  IN5 P, P, P, P, P", "  ENDM", "  OUT " + p})),
            1)
      << AllErrors();
  for (int a = 0; a < 5; ++a) EXPECT_EQ(W(a), 20) << a;
}

TEST(ReviewFollowupLines, RewriteFieldKeepsEveryFieldOfALongLine) {
  TLineRecord l;
  l.WorkText = "DW K, 1 ;C";
  SetFieldSpan(l, 1, 9, 2);
  SetFieldSpan(l, 3, 1, 2);
  SetFieldSpan(l, 4, 4, 1);
  SetFieldSpan(l, 5, 7, 1);
  ASSERT_TRUE(RewriteField(l, 4, std::string(200, 'Y')));
  EXPECT_EQ(l.WorkText.size(), 209u);
  EXPECT_EQ(GetField(l, 4), std::string(200, 'Y'));
  EXPECT_EQ(GetField(l, 5), "1");
  EXPECT_EQ(GetField(l, 1), ";C");
  // Beyond what a field span can reach the line stays as it was.
  EXPECT_FALSE(RewriteField(l, 4, std::string(kWorkTextMax, 'Z')));
  EXPECT_EQ(GetField(l, 4), std::string(200, 'Y'));
  EXPECT_EQ(GetField(l, 5), "1");
  EXPECT_FALSE(RewriteField(l, 6, "X"));
}

}  // namespace
}  // namespace kyvor::review
