#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/linerecord.h"

using namespace kyvor;

namespace {

// A small instruction list, the directive words and one macro, as the
// assembler would answer.
TLineClassifier TestClassifier() {
  TLineClassifier c;
  c.InstructionIndex = [](std::string_view w) -> int32_t {
    static const std::vector<std::string> kInstr = {"NOP", "MOV", "CALL", "JMP", "ADD", "RCALL"};
    for (std::size_t i = 0; i < kInstr.size(); ++i) {
      if (kInstr[i] == w) return static_cast<int32_t>(i);
    }
    return -1;
  };
  c.DirectiveCode = [](std::string_view w) -> uint8_t {
    static const std::set<std::string, std::less<>> kDir = {"EQU", "ORG", "MACRO", "ENDM", "DB"};
    return kDir.count(w) > 0;
  };
  c.IsMacroName = [](std::string_view w) { return w == "MYMAC"; };
  return c;
}

TLineRecord Split(std::string_view text) {
  TLineRecord r;
  InitLineRecord(r);
  SetWorkText(r, text);
  SplitSourceLine(r, TestClassifier());
  return r;
}

std::vector<std::string> Operands(const TLineRecord& r) {
  std::vector<std::string> ops;
  for (int i = 0; i < OperandCount(r); ++i) ops.push_back(GetField(r, kFirstOperandField + i));
  return ops;
}

using Ops = std::vector<std::string>;

}  // namespace

// ---------------------------------------------------------------------------
// Record and field helpers

TEST(LineRecord, InitSetsInitialValuesAndKeepsText) {
  TLineRecord r;
  r.Text = "KEEP";
  r.WorkText = "DROP";
  r.SeqNo = 9;
  r.FileIndex = 1;
  r.Address = 5;
  r.MacroStartAddr = 1;
  r.InstrIndex = 3;
  r.HasLabel = 1;
  r.ParentFile = 0;
  r.FieldStart[5] = 3;
  r.FieldLength[32] = 4;
  InitLineRecord(r);
  EXPECT_EQ(r.Text, "KEEP");
  EXPECT_EQ(r.WorkText, "");
  EXPECT_EQ(r.SeqNo, 0);
  EXPECT_EQ(r.FileIndex, 255);
  EXPECT_EQ(r.ParentFile, 255);
  EXPECT_EQ(r.ChildFile, 255);
  EXPECT_EQ(r.Address, 0xFFFFF);
  EXPECT_EQ(r.EmitAddress, 0xFFFFF);
  EXPECT_EQ(r.MacroStartAddr, 0xFFFFF);
  EXPECT_EQ(r.MacroEndAddr, 0xFFFFF);
  EXPECT_EQ(r.InstrIndex, -1);
  EXPECT_EQ(r.HasLabel, 0);
  for (int i = 0; i <= kFieldCount; ++i) {
    EXPECT_EQ(r.FieldStart[i], 0);
    EXPECT_EQ(r.FieldLength[i], 0);
  }
}

TEST(LineRecord, TextsCutTo160) {
  TLineRecord r;
  SetWorkText(r, std::string(200, 'W'));
  SetLineText(r, std::string(161, 'T'));
  EXPECT_EQ(r.WorkText.size(), 160u);
  EXPECT_EQ(r.Text.size(), 160u);
}

TEST(FieldHelpers, SetAndGetSpans) {
  TLineRecord r;
  SetWorkText(r, "ABC DEF");
  EXPECT_TRUE(SetFieldSpan(r, 3, 1, 3));
  EXPECT_TRUE(SetFieldSpan(r, 4, 5, 3));
  EXPECT_EQ(GetField(r, 3), "ABC");
  EXPECT_EQ(GetField(r, 4), "DEF");
  EXPECT_EQ(GetField(r, 5), "");
  EXPECT_EQ(OperandCount(r), 1);
}

TEST(FieldHelpers, BadSpansAreRefusedOrClipped) {
  TLineRecord r;
  SetWorkText(r, "ABC");
  EXPECT_FALSE(SetFieldSpan(r, 0, 1, 1));
  EXPECT_FALSE(SetFieldSpan(r, 33, 1, 1));
  EXPECT_FALSE(SetFieldSpan(r, -1, 1, 1));
  EXPECT_FALSE(SetFieldSpan(r, 4, 256, 1));
  EXPECT_FALSE(SetFieldSpan(r, 4, 1, -1));
  EXPECT_FALSE(SetFieldSpan(r, 4, -1, 1));
  EXPECT_EQ(r.FieldStart[4], 0);
  EXPECT_EQ(GetField(r, 0), "");
  EXPECT_EQ(GetField(r, 33), "");
  EXPECT_EQ(GetField(r, -7), "");
  // A span reaching past the text gives what is there, never more.
  ASSERT_TRUE(SetFieldSpan(r, 4, 2, 200));
  EXPECT_EQ(GetField(r, 4), "BC");
  ASSERT_TRUE(SetFieldSpan(r, 5, 4, 1));  // just past the end
  EXPECT_EQ(GetField(r, 5), "");
  ASSERT_TRUE(SetFieldSpan(r, 6, 200, 5));
  EXPECT_EQ(GetField(r, 6), "");
  ASSERT_TRUE(SetFieldSpan(r, 7, 1, 0));  // non-empty field of length 0
  EXPECT_EQ(GetField(r, 7), "");
}

TEST(FieldHelpers, OperandCountStopsAtFirstGap) {
  TLineRecord r;
  SetWorkText(r, std::string(100, 'x'));
  EXPECT_EQ(OperandCount(r), 0);
  SetFieldSpan(r, 2, 1, 1);  // label does not count
  SetFieldSpan(r, 3, 2, 1);
  EXPECT_EQ(OperandCount(r), 0);
  SetFieldSpan(r, 4, 3, 1);
  SetFieldSpan(r, 5, 4, 1);
  SetFieldSpan(r, 7, 6, 1);
  EXPECT_EQ(OperandCount(r), 2);
  for (int i = 4; i <= 32; ++i) SetFieldSpan(r, i, i, 1);
  EXPECT_EQ(OperandCount(r), 29);
}

TEST(ReplaceField, LongerNameMovesLaterFields) {
  TLineRecord r = Split("CALL SUB,X ; go");
  ASSERT_EQ(GetField(r, 4), "SUB");
  ASSERT_EQ(GetField(r, 5), "X");
  const uint8_t start5 = r.FieldStart[5];
  const uint8_t start1 = r.FieldStart[1];
  ASSERT_TRUE(ReplaceField(r, 4, "SUB1"));
  EXPECT_EQ(r.WorkText, "CALL SUB1,X ; go");
  EXPECT_EQ(GetField(r, 4), "SUB1");
  EXPECT_EQ(r.FieldLength[4], 4);
  EXPECT_EQ(r.FieldStart[5], start5 + 1);
  EXPECT_EQ(GetField(r, 5), "X");
  // The comment behind the operands moves with them.
  EXPECT_EQ(r.FieldStart[1], start1 + 1);
  EXPECT_EQ(GetField(r, 1), "; go");
  EXPECT_EQ(GetField(r, 3), "CALL");
  EXPECT_EQ(r.Text, "CALL SUB,X ; go");  // the listing text stays as written
}

TEST(ReplaceField, ShorterAndMnemonic) {
  TLineRecord r = Split("LAB: CALL FARAWAY, 3");
  ASSERT_TRUE(ReplaceField(r, 3, "RCALL"));
  EXPECT_EQ(r.WorkText, "LAB: RCALL FARAWAY, 3");
  EXPECT_EQ(GetField(r, 2), "LAB:");
  EXPECT_EQ(GetField(r, 4), "FARAWAY");
  EXPECT_EQ(GetField(r, 5), "3");
  ASSERT_TRUE(ReplaceField(r, 4, "F"));
  EXPECT_EQ(r.WorkText, "LAB: RCALL F, 3");
  EXPECT_EQ(GetField(r, 5), "3");
  ASSERT_TRUE(ReplaceField(r, 4, ""));
  EXPECT_EQ(GetField(r, 4), "");
  EXPECT_EQ(GetField(r, 5), "3");
  EXPECT_EQ(OperandCount(r), 2);  // the emptied field keeps its place
}

TEST(ReplaceField, EmptyOrBadFieldLeavesRecordAlone) {
  TLineRecord r = Split("NOP");
  const TLineRecord before = r;
  EXPECT_FALSE(ReplaceField(r, 4, "X"));
  EXPECT_FALSE(ReplaceField(r, 0, "X"));
  EXPECT_FALSE(ReplaceField(r, 40, "X"));
  EXPECT_FALSE(ReplaceField(r, 2, "X"));  // no label
  EXPECT_EQ(r.WorkText, before.WorkText);
  EXPECT_EQ(r.FieldStart, before.FieldStart);
}

TEST(ReplaceField, ResultCutTo160AndSpansKeptInside) {
  TLineRecord r = Split("MOV A,B ;c");
  ASSERT_TRUE(ReplaceField(r, 4, std::string(200, 'Q')));
  EXPECT_EQ(r.WorkText.size(), 160u);
  EXPECT_EQ(GetField(r, 4), std::string(156, 'Q'));
  // The later fields were pushed off the cut text: still there, but empty.
  EXPECT_NE(r.FieldStart[5], 0);
  EXPECT_EQ(GetField(r, 5), "");
  EXPECT_EQ(GetField(r, 1), "");
  EXPECT_EQ(OperandCount(r), 2);
  for (int i = 1; i <= kFieldCount; ++i) {
    if (r.FieldStart[i] == 0) continue;
    EXPECT_LE(r.FieldStart[i] + r.FieldLength[i], 161) << i;
  }
  // Shrinking afterwards brings the spans back in step with the text.
  ASSERT_TRUE(ReplaceField(r, 4, "A"));
  EXPECT_EQ(r.WorkText, "MOV A");
}

TEST(ReplaceField, StaleSpanBeyondTextIsSafe) {
  TLineRecord r;
  SetWorkText(r, "AB");
  SetFieldSpan(r, 4, 2, 50);
  SetFieldSpan(r, 5, 90, 3);
  ASSERT_TRUE(ReplaceField(r, 4, "XYZ"));
  EXPECT_EQ(r.WorkText, "AXYZ");
  EXPECT_EQ(GetField(r, 4), "XYZ");
  EXPECT_EQ(GetField(r, 5), "");
  ASSERT_TRUE(ReplaceField(r, 5, "Q"));  // appends at the end
  EXPECT_EQ(r.WorkText, "AXYZQ");
}

// ---------------------------------------------------------------------------
// The splitter

TEST(SplitSourceLine, EmptyAndBlankLines) {
  for (const char* text : {"", "   ", "\t \t"}) {
    TLineRecord r = Split(text);
    for (int i = 1; i <= kFieldCount; ++i) EXPECT_EQ(r.FieldStart[i], 0) << '"' << text << '"';
    EXPECT_EQ(r.HasLabel, 0);
    EXPECT_EQ(r.HasDirective, 0);
    EXPECT_EQ(r.IsMacroCall, 0);
    EXPECT_EQ(r.InstrIndex, -1);
  }
}

TEST(SplitSourceLine, CommentOnly) {
  TLineRecord r = Split("  ; just a note");
  EXPECT_EQ(GetField(r, 1), "; just a note");
  for (int i = 2; i <= kFieldCount; ++i) EXPECT_EQ(r.FieldStart[i], 0);
  EXPECT_EQ(r.HasLabel, 0);
}

TEST(SplitSourceLine, LabelMnemonicOperandsComment) {
  TLineRecord r = Split("LOOP: MOV A,B ;copy");
  EXPECT_EQ(GetField(r, 1), ";copy");
  EXPECT_EQ(GetField(r, 2), "LOOP:");
  EXPECT_EQ(r.HasLabel, 1);
  EXPECT_EQ(GetField(r, 3), "MOV");
  EXPECT_EQ(r.InstrIndex, 1);
  EXPECT_EQ(Operands(r), (Ops{"A", "B"}));
  EXPECT_EQ(r.Text, "LOOP: MOV A,B ;copy");  // set from the work text on the first split
}

TEST(SplitSourceLine, InstructionFirstHasNoLabel) {
  TLineRecord r = Split("\tMOV A , B");
  EXPECT_EQ(r.FieldStart[2], 0);
  EXPECT_EQ(r.HasLabel, 0);
  EXPECT_EQ(GetField(r, 3), "MOV");
  EXPECT_EQ(Operands(r), (Ops{"A", "B"}));
}

TEST(SplitSourceLine, EquAndDirectives) {
  TLineRecord r = Split("X EQU 5");
  EXPECT_EQ(GetField(r, 2), "X");
  EXPECT_EQ(r.HasLabel, 1);
  EXPECT_EQ(GetField(r, 3), "EQU");
  EXPECT_EQ(r.HasDirective, 1);
  EXPECT_EQ(r.InstrIndex, -1);
  EXPECT_EQ(Operands(r), (Ops{"5"}));

  TLineRecord o = Split("ORG 100H");
  EXPECT_EQ(o.HasLabel, 0);
  EXPECT_EQ(o.HasDirective, 1);
  EXPECT_EQ(GetField(o, 3), "ORG");
  EXPECT_EQ(Operands(o), (Ops{"100H"}));
}

TEST(SplitSourceLine, MacroCallsAndUnknownMnemonic) {
  TLineRecord m = Split("MYMAC 1,2");
  EXPECT_EQ(m.IsMacroCall, 1);
  EXPECT_EQ(m.HasLabel, 0);
  EXPECT_EQ(GetField(m, 3), "MYMAC");
  EXPECT_EQ(Operands(m), (Ops{"1", "2"}));

  TLineRecord u = Split("L1 FOO A");
  EXPECT_EQ(u.HasLabel, 1);
  EXPECT_EQ(GetField(u, 3), "FOO");
  EXPECT_EQ(u.InstrIndex, -1);
  EXPECT_EQ(u.HasDirective, 0);
  EXPECT_EQ(u.IsMacroCall, 0);
  EXPECT_EQ(Operands(u), (Ops{"A"}));
}

TEST(SplitSourceLine, OperandRules) {
  // Blanks inside an operand stay; '=' separates like ','.
  EXPECT_EQ(Operands(Split("MOV LOW  X+1 , B")), (Ops{"LOW  X+1", "B"}));
  EXPECT_EQ(Operands(Split("DB 1=2")), (Ops{"1", "2"}));
  EXPECT_EQ(Operands(Split("DB ,, 7,")), (Ops{"7"}));
  // Quotes get no treatment: ';' inside them starts the comment.
  TLineRecord q = Split("DB 'A;B'");
  EXPECT_EQ(Operands(q), (Ops{"'A"}));
  EXPECT_EQ(GetField(q, 1), ";B'");
}

TEST(SplitSourceLine, ResplitClearsOldSpansAndFlags) {
  TLineRecord r = Split("LAB: CALL SUB,A,B");
  ASSERT_EQ(OperandCount(r), 3);
  SetWorkText(r, "NOP");
  SplitSourceLine(r, TestClassifier());
  EXPECT_EQ(OperandCount(r), 0);
  EXPECT_EQ(r.HasLabel, 0);
  EXPECT_EQ(r.FieldStart[2], 0);
  EXPECT_EQ(r.InstrIndex, 0);
  EXPECT_EQ(r.Text, "LAB: CALL SUB,A,B");  // not overwritten on a later split
}

TEST(SplitSourceLine, SurplusOperandsIgnoredAndLongLinesCut) {
  std::string line = "DB ";
  for (int i = 0; i < 40; ++i) line += std::to_string(i % 10) + ",";
  TLineRecord r = Split(line);
  EXPECT_EQ(OperandCount(r), kMaxOperands);
  EXPECT_EQ(GetField(r, 32), "8");  // the 29th operand

  TLineRecord big;
  big.WorkText = "NOP " + std::string(300, 'A');  // written directly, too long
  SplitSourceLine(big, TestClassifier());
  EXPECT_EQ(big.WorkText.size(), 160u);
  EXPECT_EQ(GetField(big, 4).size(), 156u);
}

TEST(SplitSourceLine, RewrittenLineKeepsItsLongOperandOnALaterSplit) {
  // The first split takes the line as read (160 characters); a line the
  // assembler rewrote in canonical form keeps every character on a later
  // split, with spans beyond a byte.
  TLineRecord r = Split("DB K, 1 ;C");
  ASSERT_TRUE(RewriteField(r, OperandField(1), std::string(170, 'K')));
  EXPECT_EQ(r.WorkText.size(), 179u);
  SplitSourceLine(r, TestClassifier());
  EXPECT_EQ(GetField(r, OperandField(1)), std::string(170, 'K'));
  EXPECT_EQ(GetField(r, OperandField(2)), "1");
  EXPECT_EQ(r.FieldStart[OperandField(2)], 176);
  EXPECT_EQ(GetField(r, kFieldComment), ";C");
  EXPECT_EQ(r.Text, "DB K, 1 ;C");
}

TEST(SplitSourceLine, DirectiveCodeAndOperandOverflow) {
  TLineClassifier c = TestClassifier();
  c.DirectiveCode = [](std::string_view w) -> uint8_t { return w == "DB" ? 7 : 0; };
  TLineRecord r;
  std::string line = "DB ";
  for (int i = 0; i < 30; ++i) line += "1,";
  SetWorkText(r, line);
  SplitSourceLine(r, c);
  EXPECT_EQ(r.HasDirective, 1);
  EXPECT_EQ(r.Directive, 7);
  EXPECT_EQ(OperandCount(r), kMaxOperands);
  EXPECT_EQ(r.FieldOverflow, 1);
  // Exactly 29 operands, with trailing separators, do not overflow.
  line = "DB ";
  for (int i = 0; i < 29; ++i) line += "1, ";
  TLineRecord full;
  SetWorkText(full, line);
  SplitSourceLine(full, c);
  EXPECT_EQ(OperandCount(full), kMaxOperands);
  EXPECT_EQ(full.FieldOverflow, 0);
}

TEST(RewriteField, RefusesBeyondTheSpanReach) {
  TLineRecord r = Split("DB K, 1");
  EXPECT_FALSE(RewriteField(r, OperandField(1), std::string(kWorkTextMax, 'Z')));
  EXPECT_EQ(r.WorkText, "DB K, 1");
  EXPECT_FALSE(RewriteField(r, OperandField(3), "X"));
  ASSERT_TRUE(RewriteField(r, kFieldMnemonic, "ORG"));
  EXPECT_EQ(GetField(r, OperandField(2)), "1");
}

TEST(SplitSourceLine, NoClassifierMeansLabels) {
  TLineRecord r;
  SetWorkText(r, "MOV A");
  SplitSourceLine(r, TLineClassifier{});
  EXPECT_EQ(r.HasLabel, 1);
  EXPECT_EQ(GetField(r, 2), "MOV");
  EXPECT_EQ(GetField(r, 3), "A");
  EXPECT_EQ(OperandCount(r), 0);
}

// ---------------------------------------------------------------------------
// Line lists

namespace {

TLinePack* MakeList(int n) {
  auto* p = new TLinePack;
  for (int i = 1; i <= n; ++i) p->AddSourceLine("L" + std::to_string(i), 0, TLinePack::kAtEnd, i);
  return p;
}

std::vector<std::string> Texts(TLinePack& p) {
  std::vector<std::string> out;
  if (!p.FirstLine()) return out;
  do {
    out.push_back(p.CurrentLine().WorkText + "#" + std::to_string(p.CurrentLine().SeqNo));
  } while (p.NextLine());
  return out;
}

}  // namespace

TEST(LinePack, EmptyListNavigation) {
  TLinePack p;
  EXPECT_TRUE(p.Empty());
  EXPECT_FALSE(p.FirstLine());
  EXPECT_FALSE(p.LastLine());
  EXPECT_FALSE(p.NextLine());
  EXPECT_FALSE(p.PrevLine());
  EXPECT_FALSE(p.SeekLine(0));
  EXPECT_FALSE(p.SeekLine(1));
  p.DeleteCurrentLine();  // nothing happens
  EXPECT_EQ(p.CopyCurrentLine().SeqNo, 0);
  // A write into the blank current record of an empty list does not upset numbering.
  p.CurrentLine().SeqNo = 40;
  p.AddSourceLine("A", 0, TLinePack::kAtEnd, 1);
  EXPECT_EQ(p.CurrentLine().SeqNo, 1);
}

TEST(LinePack, AddSourceLineFillsRecord) {
  TLinePack p;
  ASSERT_TRUE(p.AddSourceLine(std::string(170, 'x'), 3, TLinePack::kAtEnd, 42));
  const TLineRecord r = p.CopyCurrentLine();
  EXPECT_EQ(r.WorkText.size(), 160u);
  EXPECT_EQ(r.Text, "");
  EXPECT_EQ(r.FileIndex, 3);
  EXPECT_EQ(r.LineNo, 42);
  EXPECT_EQ(r.SeqNo, 1);
  EXPECT_EQ(r.Address, kLineNoAddress);
  EXPECT_EQ(r.InstrIndex, -1);
}

TEST(LinePack, InsertModesAndRenumbering) {
  std::unique_ptr<TLinePack> p(MakeList(5));
  EXPECT_EQ(p->LineCount(), 5);
  ASSERT_TRUE(p->SeekLine(3));
  ASSERT_TRUE(p->AddSourceLine("NEW", 0, TLinePack::kBeforeCursor, 0));
  EXPECT_EQ(p->CurrentLine().SeqNo, 3);
  EXPECT_EQ(Texts(*p), (std::vector<std::string>{"L1#1", "L2#2", "NEW#3", "L3#4", "L4#5", "L5#6"}));

  ASSERT_TRUE(p->SeekLine(2));
  ASSERT_TRUE(p->AddSourceLine("AFT", 0, TLinePack::kAfterCursor, 0));
  EXPECT_EQ(p->CurrentLine().WorkText, "AFT");
  EXPECT_EQ(p->CurrentLine().SeqNo, 3);
  ASSERT_TRUE(p->AddSourceLine("AFT2", 0, 7, 0));  // any other mode: after the cursor
  EXPECT_EQ(p->CurrentLine().SeqNo, 4);
  ASSERT_TRUE(p->AddSourceLine("FRONT", 0, TLinePack::kAtFront, 0));
  EXPECT_EQ(p->CurrentLine().SeqNo, 1);
  EXPECT_EQ(Texts(*p), (std::vector<std::string>{"FRONT#1", "L1#2", "L2#3", "AFT#4", "AFT2#5",
                                                 "NEW#6", "L3#7", "L4#8", "L5#9"}));
  ASSERT_TRUE(p->LastLine());
  EXPECT_EQ(p->CurrentLine().WorkText, "L5");
}

TEST(LinePack, InsertIntoEmptyListWithCursorModes) {
  TLinePack a;
  ASSERT_TRUE(a.AddSourceLine("B", 0, TLinePack::kBeforeCursor, 0));
  TLinePack b;
  ASSERT_TRUE(b.AddSourceLine("A", 0, TLinePack::kAfterCursor, 0));
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"B#1"}));
  EXPECT_EQ(Texts(b), (std::vector<std::string>{"A#1"}));
}

TEST(LinePack, DeleteKeepsGapsAndMovesCursor) {
  std::unique_ptr<TLinePack> p(MakeList(5));
  ASSERT_TRUE(p->SeekLine(3));
  p->DeleteCurrentLine();
  EXPECT_EQ(p->CurrentLine().SeqNo, 2);  // moved to the predecessor
  EXPECT_FALSE(p->SeekLine(3));
  EXPECT_EQ(p->CurrentLine().SeqNo, 2);  // unchanged after a failed seek
  EXPECT_EQ(Texts(*p), (std::vector<std::string>{"L1#1", "L2#2", "L4#4", "L5#5"}));

  ASSERT_TRUE(p->FirstLine());
  p->DeleteCurrentLine();  // first record: cursor goes to the new first
  EXPECT_EQ(p->CurrentLine().WorkText, "L2");
  EXPECT_EQ(p->LineCount(), 3);
  while (!p->Empty()) p->DeleteCurrentLine();
  EXPECT_FALSE(p->FirstLine());
  EXPECT_EQ(p->LineCount(), 0);
}

TEST(LinePack, SeekFromEitherSide) {
  std::unique_ptr<TLinePack> p(MakeList(100));
  for (int32_t from : {1, 50, 100}) {
    for (int32_t n : {1, 2, 25, 49, 50, 51, 75, 99, 100}) {
      ASSERT_TRUE(p->SeekLine(from));
      ASSERT_TRUE(p->SeekLine(n)) << from << "->" << n;
      EXPECT_EQ(p->CurrentLine().SeqNo, n);
      EXPECT_EQ(p->CurrentLine().WorkText, "L" + std::to_string(n));
    }
  }
  EXPECT_FALSE(p->SeekLine(-1));
  EXPECT_FALSE(p->SeekLine(0));
  EXPECT_FALSE(p->SeekLine(101));
  EXPECT_EQ(p->CurrentLine().SeqNo, 100);
}

TEST(LinePack, NavigationAndInPlaceChanges) {
  std::unique_ptr<TLinePack> p(MakeList(3));
  ASSERT_TRUE(p->FirstLine());
  EXPECT_FALSE(p->PrevLine());
  ASSERT_TRUE(p->NextLine());
  p->CurrentLine().Address = 0x123;
  ASSERT_TRUE(p->NextLine());
  EXPECT_FALSE(p->NextLine());
  ASSERT_TRUE(p->PrevLine());
  EXPECT_EQ(p->CopyCurrentLine().Address, 0x123);
  p->ClearLines();
  EXPECT_TRUE(p->Empty());
  ASSERT_TRUE(p->AddSourceLine("again", 0, TLinePack::kAtEnd, 1));
  EXPECT_EQ(p->CurrentLine().SeqNo, 1);
}

TEST(LinePack, NameAndNumber) {
  TLinePack p;
  p.SetPackName(std::string(300, 'M'));
  EXPECT_EQ(p.GetPackName().size(), 255u);
  p.SetPackNumber(-4);
  EXPECT_EQ(p.GetPackNumber(), -4);
  EXPECT_EQ(p.NextPack, nullptr);
}

// ---------------------------------------------------------------------------
// Macro library

TEST(MacroLibrary, AddNumberAndWalk) {
  TLinePackLink lib;
  EXPECT_TRUE(lib.MacroLibraryEmpty());
  EXPECT_FALSE(lib.FirstMacro());
  EXPECT_FALSE(lib.NextMacro());
  EXPECT_FALSE(lib.SeekMacroNumber(0));
  EXPECT_FALSE(lib.FindMacroByName("X"));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(lib.AddMacroPack());
  EXPECT_FALSE(lib.MacroLibraryEmpty());
  EXPECT_EQ(lib.CurrentMacroNumber(), 3);
  ASSERT_TRUE(lib.FirstMacro());
  EXPECT_EQ(lib.CurrentMacroNumber(), 0);
  int seen = 1;
  while (lib.NextMacro()) ++seen;
  EXPECT_EQ(seen, 4);
  EXPECT_EQ(lib.CurrentMacroNumber(), 3);
}

TEST(MacroLibrary, SeekMacroNumber) {
  TLinePackLink lib;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(lib.AddMacroPack());
  ASSERT_TRUE(lib.SeekMacroNumber(2));
  EXPECT_EQ(lib.CurrentMacroNumber(), 2);
  ASSERT_TRUE(lib.SeekMacroNumber(4));
  ASSERT_TRUE(lib.SeekMacroNumber(1));  // below current: restart from the first
  EXPECT_EQ(lib.CurrentMacroNumber(), 1);
  EXPECT_FALSE(lib.SeekMacroNumber(9));
  EXPECT_EQ(lib.CurrentMacroNumber(), 4);  // left on the last pack
  lib.First()->NextPack->SetPackNumber(10);  // numbers as set by the owner
  // The walk only goes forward from a current pack whose number is not above n.
  EXPECT_FALSE(lib.SeekMacroNumber(10));
  ASSERT_TRUE(lib.FirstMacro());
  EXPECT_TRUE(lib.SeekMacroNumber(10));
  EXPECT_EQ(lib.CurrentMacro(), lib.First()->NextPack);
}

TEST(MacroLibrary, FindByNameFirstWinsAndFollowsRenames) {
  TLinePackLink lib;
  ASSERT_TRUE(lib.AddMacroPack());
  lib.CurrentMacro()->SetPackName("DELAY");
  ASSERT_TRUE(lib.AddMacroPack());
  lib.CurrentMacro()->SetPackName("PUSHALL");
  ASSERT_TRUE(lib.AddMacroPack());
  lib.CurrentMacro()->SetPackName("DELAY");
  TLinePack* third = lib.CurrentMacro();

  ASSERT_TRUE(lib.FindMacroByName("DELAY"));
  EXPECT_EQ(lib.CurrentMacroNumber(), 0);
  EXPECT_FALSE(lib.FindMacroByName("delay"));
  EXPECT_EQ(lib.CurrentMacroNumber(), 0);  // unchanged on failure
  ASSERT_TRUE(lib.FindMacroByName("PUSHALL"));
  EXPECT_EQ(lib.CurrentMacroNumber(), 1);

  lib.First()->SetPackName("OLD");
  ASSERT_TRUE(lib.FindMacroByName("DELAY"));
  EXPECT_EQ(lib.CurrentMacro(), third);
  ASSERT_TRUE(lib.FindMacroByName("OLD"));
  EXPECT_EQ(lib.CurrentMacro(), lib.First());

  lib.CurrentMacro()->AddSourceLine("OLD MACRO", 0, TLinePack::kAtEnd, 1);
  EXPECT_EQ(lib.First()->LineCount(), 1);
  lib.ClearMacroPacks();
  EXPECT_TRUE(lib.MacroLibraryEmpty());
  EXPECT_FALSE(lib.FindMacroByName("OLD"));
  EXPECT_EQ(lib.CurrentMacro(), nullptr);
  ASSERT_TRUE(lib.AddMacroPack());
  EXPECT_EQ(lib.CurrentMacroNumber(), 0);
}

// Random spans, texts and replacements: no read outside the text, and after
// every replacement each non-empty span lies inside the work text.
TEST(FieldHelpers, RandomSpansStayInsideText) {
  uint32_t seed = 99;
  auto next = [&seed](uint32_t mod) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % mod);
  };
  for (int round = 0; round < 2000; ++round) {
    TLineRecord r;
    SetWorkText(r, std::string(next(170), 'a' + next(26)));
    for (int k = 0; k < 6; ++k) SetFieldSpan(r, 1 + next(32), next(256), next(256));
    for (int k = 0; k < 4; ++k) {
      const int field = next(34);
      const std::string text(next(200), 'z');
      const bool had = field >= 1 && field <= 32 && r.FieldStart[field] != 0;
      EXPECT_EQ(ReplaceField(r, field, text), had);
      ASSERT_LE(r.WorkText.size(), kLineTextMax);
      if (had) {
        for (int i = 1; i <= kFieldCount; ++i) {
          // Fields moved by this call are inside; others may be stale but read safely.
          const std::string f = GetField(r, i);
          ASSERT_LE(f.size(), r.WorkText.size());
        }
        const std::string got = GetField(r, field);
        ASSERT_EQ(got, text.substr(0, got.size()));
        ASSERT_LE(r.FieldStart[field] + r.FieldLength[field], static_cast<int>(r.WorkText.size()) + 1);
      }
    }
    (void)OperandCount(r);
  }
}
