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
  opt.Optimization = 1;
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

}  // namespace
}  // namespace kyvor::review
