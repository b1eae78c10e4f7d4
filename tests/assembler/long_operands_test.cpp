// Operands whose canonical texts make a line longer than a source line.
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class LongOperands : public HandOffFixture {};

// Operands whose canonical texts make the line longer than 160 characters.
TEST_F(LongOperands, RewrittenOperandsLongerThanTheLine) {
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

TEST_F(LongOperands, LongRewrittenLineWithAForwardNameAndARedefinedSet) {
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

TEST_F(LongOperands, LongOperandOfATwoWordCall) {
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

TEST_F(LongOperands, ConstantTextLongerThanALine) {
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

TEST_F(LongOperands, LongConstantTextInALineWithAForwardName) {
  // K's canonical text has 39 characters.
  ASSERT_EQ(RunSource(Lines({"ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP", "ALPHA4: NOP",
                             "ALPHA5: NOP", "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4+ALPHA5",
                             "  DW K, FWD", "FWD: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(5)), "000A");
  EXPECT_EQ(Hex4(W(6)), "0007");
}

TEST_F(LongOperands, LongConstantTextWithCallShortening) {
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP",
                             "ALPHA4: NOP", "ALPHA5: NOP",
                             "K EQU ALPHA1+ALPHA2+ALPHA3+ALPHA4+ALPHA5", "  MVL K", "SUB: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(6)), "060F");  // 1 + 2 + 3 + 4 + 5 after shortening
}

TEST_F(LongOperands, LongSetTextInALineWithAForwardName) {
  ASSERT_EQ(RunSource(Lines({"ALPHA1: NOP", "ALPHA2: NOP", "ALPHA3: NOP", "ALPHA4: NOP",
                             "ALPHA5: NOP", "S SET ALPHA1+ALPHA2+ALPHA3+ALPHA4+ALPHA5",
                             "  DW S, FWD", "FWD: RET"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(5)), "000A");
  EXPECT_EQ(Hex4(W(6)), "0007");
}

}  // namespace
}  // namespace kyvor::test
