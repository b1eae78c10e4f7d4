// DEFINE and the one-level IF / ELSE / ENDIF conditions.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class ConditionsModel : public AsmFixture {};

TEST_F(ConditionsModel, DefineSeparatorsAndConditions) {
  Write("m.asm", Crlf({"  DEFINE X = 5", "  DEFINE Y, 5", "  IF X, Y", "  MVL 1", "  ELSE",
                      "  MVL 2", "  ENDIF", "  IF FALSE", "  MVL 3", "  ELSE", "  MVL 4",
                      "  ENDIF", "  MVL 5"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0601);
  EXPECT_EQ(Word(1), 0x0604);
  EXPECT_EQ(Word(2), 0x0605);
}

TEST_F(ConditionsModel, DefineNeedsASeparator) {
  Write("m.asm", Crlf({"  DEFINE X 5"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:13)   " + Path("m.asm") + " 1: Missing argument... []");
}

TEST_F(ConditionsModel, DefineAndMacroTakeEffectInAFalsePart) {
  Write("m.asm", Crlf({"  IF FALSE", "  DEFINE ON = 1", "TWO MACRO", "  MVL 2", "  ENDM",
                      "  MVL 9", "  ENDIF", "  IF ON", "  TWO", "  ENDIF"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0602);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(ConditionsModel, UnknownConditionNameIsUndefined) {
  Write("m.asm", Crlf({"  IF NOTDEFINED", "  ENDIF"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:5)   " + Path("m.asm") + " 1: Undefined Symbol [NOTDEFINED]");
}

class Conditions : public HandOffFixture {};

TEST_F(Conditions, DefineNamesAreForConditionsOnly) {
  EXPECT_EQ(RunSource(Lines({"  DEFINE X = 5", "  MVL X"})), 0);
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [X]"))) << AllErrors();
}

TEST_F(Conditions, ConditionsInsideAMacroBody) {
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

TEST_F(Conditions, EndInAFalsePartStillEndsTheReading) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  IF FALSE", "  END", "  ENDIF", "  MVL 2"})), 1)
      << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(Conditions, ElseWithoutIfStoresTheLinesAfterIt) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  ENDIF", "  MVL 2"})), 1) << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(Conditions, DefineWithEqualsOrComma) {
  ASSERT_EQ(RunSource(Lines({"  DEFINE X = 5", "  DEFINE Y, 5", "  IF X, Y", "  MVL 1", "  ELSE",
                             "  MVL 2", "  ENDIF", "  IF X", "  MVL 3", "  ENDIF"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(W(1), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(Conditions, DefineWithABlankIsMissingItsArgument) {
  EXPECT_EQ(RunSource(Lines({"  DEFINE X 5", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(13, 1, "Missing argument..."), 0), 0u)
      << AllErrors();
}

TEST_F(Conditions, IfFalseElseEndif) {
  ASSERT_EQ(RunSource(Lines({"  IF FALSE", "  MVL 1", "  ELSE", "  MVL 2", "  ENDIF", "  MVL 3"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0602);
  EXPECT_EQ(W(1), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
}

TEST_F(Conditions, ZeroAndUnequalDefinesAreFalse) {
  ASSERT_EQ(RunSource(Lines({"  DEFINE Z = 0", "  DEFINE A = 1", "  DEFINE B = 2", "  IF Z",
                             "  MVL 1", "  ENDIF", "  IF A, B", "  MVL 2", "  ELSE", "  MVL 3",
                             "  ENDIF"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(Conditions, DefineAndMacroInAFalsePartStillTakeEffect) {
  ASSERT_EQ(RunSource(Lines({"  IF FALSE", "  DEFINE D = 1", "M1 MACRO", "  MVL 7", "  ENDM",
                             "  MVL 9", "  ENDIF", "  IF D", "  M1", "  ENDIF"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0607);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(Conditions, ASecondIfReplacesTheFirst) {
  ASSERT_EQ(RunSource(Lines({"  DEFINE T = 1", "  IF FALSE", "  MVL 1", "  IF T", "  MVL 2",
                             "  ENDIF", "  MVL 3"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0602);
  EXPECT_EQ(W(1), 0x0603);
}

TEST_F(Conditions, IfErrors) {
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

}  // namespace
}  // namespace kyvor::test
