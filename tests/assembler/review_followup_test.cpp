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
