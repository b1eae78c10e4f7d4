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
