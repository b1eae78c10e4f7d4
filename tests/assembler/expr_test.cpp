// Expressions, operand tokens and the assembler's symbol tables.
#include <gtest/gtest.h>

#include "assembler/asm_expr.h"
#include "assembler/asm_lines.h"
#include "assembler/asm_symbols.h"

namespace kyvor {
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

TEST(AsmSymbols, AddingRules) {
  TAsmSymbols t;
  EXPECT_EQ(t.AddSymbol("X", "X", 1, 'C', 0), 0);
  EXPECT_EQ(t.AddSymbol("X", "X", 2, 'L', 0), 2);
  EXPECT_EQ(t.AddSymbol("V", "V", 1, 'V', 0), 0);
  EXPECT_EQ(t.AddSymbol("V", "9", 9, 'V', 3), 0);
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.FindSymbol("V")->Value, 9);
  EXPECT_EQ(t.FindSymbol("V")->Text, "9");
  EXPECT_EQ(t.FindReplacementName("9"), 2);
  EXPECT_EQ(t.FindReplacementName("V"), 0);
  // a label over a SET symbol overwrites it and becomes a label
  EXPECT_EQ(t.AddSymbol("V", "V", 4, 'L', 0), 0);
  EXPECT_EQ(t.FindSymbol("V")->Kind, 'L');
  EXPECT_EQ(t.AddSymbol("V", "V", 5, 'V', 0), 2);
  // 'D' and 'E' are passed over: a second record, the older one is found
  EXPECT_EQ(t.AddSymbol("D", "D", 1, 'D', 0), 0);
  EXPECT_EQ(t.AddSymbol("D", "D", 2, 'D', 0), 0);
  EXPECT_EQ(t.FindSymbol("D")->Value, 1);
  EXPECT_EQ(t.GetItem(0), nullptr);
  EXPECT_EQ(t.GetItem(t.Count() + 1), nullptr);
  // macros always append
  EXPECT_EQ(t.AddSymbol("M", "", 0, 'M', 0), 0);
  EXPECT_EQ(t.AddSymbol("M", "", 0, 'M', 0), 0);
  EXPECT_EQ(t.Count(), 6);
}

TEST(AsmSymbols, NamesAreCutTo32AndTheTableHolds8192) {
  TAsmSymbols t;
  const std::string longName(40, 'N');
  EXPECT_EQ(t.AddSymbol(longName, longName, 1, 'C', 0), 0);
  EXPECT_EQ(t.FindSymbol(longName), nullptr);
  EXPECT_NE(t.FindSymbol(longName.substr(0, 32)), nullptr);
  t.Clear();
  for (int i = 0; i < 8192; ++i)
    ASSERT_EQ(t.AddSymbol("S" + std::to_string(i), "", i, 'L', 0), 0);
  EXPECT_EQ(t.AddSymbol("ONE_MORE", "", 0, 'L', 0), 1);
  EXPECT_EQ(t.Count(), 8192);
  EXPECT_EQ(t.FindSymbol("S8191")->Value, 8191);
}

TEST(AsmLines, ReplaceFieldMovesLaterFields) {
  TLineRecord l;
  l.WorkText = "CALL SUB, 1 ;C";
  SetFieldSpan(l, 1, 13, 2);
  SetFieldSpan(l, 3, 1, 4);
  SetFieldSpan(l, 4, 6, 3);
  SetFieldSpan(l, 5, 11, 1);
  ASSERT_TRUE(ReplaceField(l, 4, "SUBX"));
  EXPECT_EQ(l.WorkText, "CALL SUBX, 1 ;C");
  EXPECT_EQ(GetField(l, 4), "SUBX");
  EXPECT_EQ(GetField(l, 5), "1");
  EXPECT_EQ(GetField(l, 1), ";C");
  EXPECT_FALSE(ReplaceField(l, 6, "X"));
  ASSERT_TRUE(ReplaceField(l, 4, std::string(200, 'Y')));
  EXPECT_EQ(l.WorkText.size(), 160u);
  // Field 5 was pushed off the cut text: it reads empty.
  EXPECT_EQ(GetField(l, 5), "");
  EXPECT_EQ(GetField(l, 1), "");
}

TEST(AsmLines, ListKeepsSequenceNumbersOnInsertAndErase) {
  TAsmLineList list;
  TLineRecord l;
  auto* a = list.Append(l);
  auto* b = list.Append(l);
  auto* c = list.Append(l);
  auto* x = list.InsertAfter(a, l);
  EXPECT_EQ(a->Line.SeqNo, 1);
  EXPECT_EQ(b->Line.SeqNo, 2);
  EXPECT_EQ(c->Line.SeqNo, 3);
  EXPECT_EQ(x->Line.SeqNo, 4);
  EXPECT_EQ(a->Next, x);
  EXPECT_EQ(x->Next, b);
  list.Erase(b);
  EXPECT_EQ(list.BySeq(2), nullptr);
  EXPECT_EQ(list.BySeq(3), c);
  EXPECT_EQ(x->Next, c);
  EXPECT_EQ(list.Size(), 3u);
  auto* front = list.InsertAfter(nullptr, l);
  EXPECT_EQ(list.First(), front);
  auto* before = list.InsertBefore(c, l);
  EXPECT_EQ(before->Next, c);
  EXPECT_EQ(list.BySeq(0), nullptr);
  EXPECT_EQ(list.BySeq(-3), nullptr);
}

}  // namespace
}  // namespace kyvor
