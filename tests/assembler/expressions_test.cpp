// Operand expressions: evaluation, canonical texts, selectors and failures.
#include "handoff_fixture.h"
#include "assembler/asm_expr.h"
#include "base/numbers.h"

namespace kyvor::test {
namespace {

TEST(AsmExpression, EmptyExpressionIsZero) {
  TAsmSymbols t;
  std::string text;
  int32_t v = 7;
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 0);
  EXPECT_EQ(text, "");
}

TEST(AsmExpression, NumbersAreFoldedIntoHex) {
  TAsmSymbols t;
  std::string text = "2+3";
  int32_t v = 0;
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 5);
  EXPECT_EQ(text, "0005H");
  text = "2 - 7";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, -5);
  EXPECT_EQ(text, "0-0005H");
  // the folded negative text reads back as the same value
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, -5);
}

TEST(AsmExpression, NamesTakeTheirReplacementText) {
  TAsmSymbols t;
  t.AddSymbol("LOOP", "LOOP", 0x20, 'L', 0);
  t.AddSymbol("FIVE", "5", 5, 'C', 0);
  std::string text = "LOOP+1";
  int32_t v = 0;
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 0x21);
  EXPECT_EQ(text, "LOOP+1");
  text = "FIVE+1";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 6);
  EXPECT_EQ(text, "0006H");
}

TEST(AsmExpression, SelectorsApplyToTheWholeExpressionAndTheLastCounts) {
  TAsmSymbols t;
  t.AddSymbol("X", "X", 0x123456, 'C', 0);
  std::string text = "HIGH 4660";
  int32_t v = 0;
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 0x12);
  EXPECT_EQ(text, "HIGH 4660");
  text = "UP X";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 0x12);
  text = "X LOW";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 0x56);
  EXPECT_EQ(text, "LOW X");
  text = "LOW HIGH X";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 0x34);
}

TEST(AsmExpression, MalformedExpressionsFail) {
  TAsmSymbols t;
  int32_t v = 0;
  for (const char* bad : {"-1", "1 2", "1+", "1++2", "2*3", "(1)", "UNKNOWN", "1+UNKNOWN"}) {
    std::string text = bad;
    EXPECT_FALSE(EvaluateExpression(t, text, v)) << bad;
    EXPECT_EQ(text, bad) << "text must stay unchanged on failure";
  }
  std::string text = "1+NOPE";
  std::string unknown;
  EXPECT_FALSE(EvaluateExpression(t, text, v, &unknown));
  EXPECT_EQ(unknown, "NOPE");
}

TEST(AsmExpression, ScanOperandToken) {
  size_t pos = 0, len = 0;
  std::string s = "  AB.C+ 12H-";
  ASSERT_TRUE(ScanOperandToken(s, pos, len));
  EXPECT_EQ(s.substr(pos, len), "AB.C");
  pos += len;
  ASSERT_TRUE(ScanOperandToken(s, pos, len));
  EXPECT_EQ(s.substr(pos, len), "+");
  pos += len;
  ASSERT_TRUE(ScanOperandToken(s, pos, len));
  EXPECT_EQ(s.substr(pos, len), "12H");
  pos += len;
  ASSERT_TRUE(ScanOperandToken(s, pos, len));
  EXPECT_EQ(s.substr(pos, len), "-");
  pos += len;
  EXPECT_FALSE(ScanOperandToken(s, pos, len));
  pos = 0;
  bool bad = false;
  EXPECT_FALSE(ScanOperandToken("A*B", pos, len, &bad));
  EXPECT_TRUE(bad);
}

TEST(AsmExpression, SubstitutionReplacesWholeNamesOnly) {
  TAsmSymbols t;
  t.AddSymbol("REG", "COUNT", 0, 'C', 0);
  t.AddSymbol("N", "5", 0, 'C', 0);
  EXPECT_EQ(SubstituteNames(t, "REG+N"), "COUNT+5");
  EXPECT_EQ(SubstituteNames(t, "REGX + N1"), "REGX + N1");
  EXPECT_EQ(SubstituteNames(t, "LOW REG"), "LOW COUNT");
  // A replacement is never substituted again (no chains, no cycles).
  TAsmSymbols c;
  c.AddSymbol("A", "B", 0, 'C', 0);
  c.AddSymbol("B", "A", 0, 'C', 0);
  EXPECT_EQ(SubstituteNames(c, "A+B"), "B+A");
}

TEST(AsmExpression, NumbersHaveDigitsOfTheirRadix) {
  int32_t v = 7;
  // The shared reader takes these as 0; the assembler takes none of them.
  for (const char* text : {"12B", "2B", "-", "+", "-D", "+D"}) {
    int32_t shared = 7;
    EXPECT_TRUE(ParseNumber(text, shared)) << text;
    EXPECT_EQ(shared, 0) << text;
    EXPECT_FALSE(ParseAsmNumber(text, v)) << text;
    EXPECT_EQ(v, 7) << text;
  }
  const std::pair<const char*, int32_t> good[] = {{"101B", 5}, {"0b", 0}, {"19H", 25},
                                                  {"0FFH", 255}, {"-5D", -5}, {"+7", 7},
                                                  {"10", 10}, {"0ah", 10}};
  for (const auto& [text, value] : good) {
    ASSERT_TRUE(ParseAsmNumber(text, v)) << text;
    EXPECT_EQ(v, value) << text;
  }
  EXPECT_FALSE(ParseAsmNumber("1A", v));
  EXPECT_FALSE(ParseAsmNumber("", v));
}

class Expressions : public HandOffFixture {};

TEST_F(Expressions, NumbersWhoseDigitsDoNotFitTheirRadixAreRefused) {
  EXPECT_EQ(RunSource(Lines({"  MVL 12B", "  MVL 101B", "X EQU 1012B", "  DW 2B"})), 0);
  EXPECT_EQ(Errors(), 3) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [12B]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 3, "Undefined Symbol [1012B]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 4, "Undefined Symbol [2B]"))) << AllErrors();
  EXPECT_EQ(Hex4(W(1)), "0605");
  // DEFINE needs a number.
  EXPECT_EQ(RunSource(Lines({"  DEFINE X, 12B", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(13, 1, "Missing argument... [12B]"));
}

TEST_F(Expressions, CanonicalExpressionTexts) {
  ASSERT_EQ(RunSource(Lines({"XA EQU 2+3", "XB EQU XA+1", "XC EQU 0-1", "XD EQU HIGH 1234H",
                             "XE EQU UP 123456H", "XF EQU LOW 1234H", "XG EQU HIGH LOW 1234H",
                             "XH EQU 10H-2", "XI EQU 1+2-4", "XJ EQU 1 + 2", "XK EQU 12H",
                             "XL EQU HIGH 1200H+34H"})),
            1)
      << AllErrors();
  struct E {
    const char* Name;
    int32_t Value;
    const char* Text;
  } expect[] = {{"XA", 5, "0005H"},       {"XB", 6, "0006H"},
                {"XC", -1, "0-0001H"},    {"XD", 0x12, "HIGH 1234H"},
                {"XE", 0x12, "UP 123456H"}, {"XF", 0x34, "LOW 1234H"},
                {"XG", 0x34, "LOW 1234H"}, {"XH", 14, "000EH"},
                {"XI", -1, "0-0001H"},    {"XJ", 3, "0003H"},
                {"XK", 0x12, "12H"},       {"XL", 0x12, "HIGH 1234H"}};
  for (const auto& e : expect) {
    const TAsmSymbol* s = PassSym(e.Name);
    ASSERT_NE(s, nullptr) << e.Name;
    EXPECT_EQ(s->Value, e.Value) << e.Name;
    EXPECT_EQ(s->Text, e.Text) << e.Name;
  }
}

TEST_F(Expressions, SelectorsInOperands) {
  ASSERT_EQ(RunSource(Lines({"  MVL HIGH 1234H", "  MVL LOW 1234H", "  MVL UP 56789AH"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0612);
  EXPECT_EQ(W(1), 0x0634);
  EXPECT_EQ(W(2), 0x0656);
}

TEST_F(Expressions, BadExpressionsAreUndefined) {
  EXPECT_EQ(RunSource(Lines({"XF EQU 2*3", "XG EQU (1)"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [2*3]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [(1)]"))) << AllErrors();
}

TEST_F(Expressions, LeadingSignFails) {
  EXPECT_EQ(RunSource(Lines({"XG EQU -1"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [-1]"))) << AllErrors();
}

TEST_F(Expressions, NegativeWords) {
  ASSERT_EQ(RunSource(Lines({"  DW 0-1", "  DB 0-1, 0-2"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "FFFF");
  EXPECT_EQ(Hex4(W(1)), "FEFE");  // (-1 x 256 + -2) in 16 bits
}

TEST_F(Expressions, ExpressionOperandsWithBlanks) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1 + 2", "  MVL 10H - 1", "  JZ T + 1", "T: NOP", "  NOP"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0603");
  EXPECT_EQ(Hex4(W(1)), "060F");
  EXPECT_EQ(Hex4(W(2)), "7101");  // T + 1 = 4: 4 - 2 - 1
}

TEST(AsmExpression, FoldedValuesStartingWithALetterReadBackAsNumbers) {
  TAsmSymbols t;
  std::string text = "0FFFFH-1000";
  int32_t v = 0;
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, 0xFC17);
  EXPECT_EQ(text, "0FC17H");
  ASSERT_TRUE(EvaluateExpression(t, text, v)) << text;
  EXPECT_EQ(v, 0xFC17);
  text = "9FFFH+1";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(text, "0A000H");
  // A negative result with a letter in front of its magnitude.
  text = "0-0B000H";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(v, -0xB000);
  EXPECT_EQ(text, "0-0B000H");
  ASSERT_TRUE(EvaluateExpression(t, text, v)) << text;
  EXPECT_EQ(v, -0xB000);
  // Digits in front stay as they were.
  text = "1+2";
  ASSERT_TRUE(EvaluateExpression(t, text, v));
  EXPECT_EQ(text, "0003H");
}

TEST_F(Expressions, FoldedConstantsOfA000HAndMore) {
  ASSERT_EQ(RunSource(Lines({"TMR EQU 0FFFFH-1000", "  MVL LOW TMR", "  MVL HIGH 0A000H+5",
                             "  DW 9FFFH+1", "  MVL HIGH TMR"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0617");
  EXPECT_EQ(Hex4(W(1)), "06A0");
  EXPECT_EQ(Hex4(W(2)), "A000");
  EXPECT_EQ(Hex4(W(3)), "06FC");
}

}  // namespace
}  // namespace kyvor::test
