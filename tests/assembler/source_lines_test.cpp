// Reading source lines: upper case, line ends, the 160-character cut, the
// split into fields, and the line list.
#include "asm_fixture.h"
#include "handoff_fixture.h"
#include "assembler/asm_lines.h"

namespace kyvor::test {
namespace {

class SourceLinesModel : public AsmFixture {};

TEST_F(SourceLinesModel, SplitsLabelMnemonicOperandsAndComment) {
  Write("m.asm", Crlf({"loop: mvf a , b ;note", "", "   ", "; only a comment",
                      "X EQU 5", "A EQU 1", "B EQU 0", "  JMP LOOP"}));
  options.AssembleOnly = 1;
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  const TLineRecord& l = asmForm->MainLines().First()->Line;
  EXPECT_EQ(l.Text, "LOOP: MVF A , B ;NOTE");
  EXPECT_EQ(GetField(l, 1), ";NOTE");
  EXPECT_EQ(GetField(l, 2), "LOOP:");
  EXPECT_EQ(GetField(l, 3), "MVF");
  EXPECT_EQ(l.InstrIndex, 9);
  EXPECT_TRUE(l.HasLabel);
  EXPECT_EQ(GetField(l, 4), "A");
  EXPECT_EQ(GetField(l, 5), "B");
  EXPECT_EQ(OperandCount(l), 2);
  // The blank line is stored without fields; the empty one is dropped.
  const TLineRecord& blank = asmForm->MainLines().First()->Next->Line;
  EXPECT_EQ(blank.LineNo, 3);
  EXPECT_FALSE(HasField(blank, 1));
  EXPECT_FALSE(HasField(blank, 2));
  const TLineRecord& comment = asmForm->MainLines().First()->Next->Next->Line;
  EXPECT_EQ(GetField(comment, 1), "; ONLY A COMMENT");
  EXPECT_FALSE(HasField(comment, 3));
  const TLineRecord& equ = asmForm->MainLines().First()->Next->Next->Next->Line;
  EXPECT_TRUE(equ.HasLabel);
  EXPECT_TRUE(equ.HasDirective);
  EXPECT_EQ(GetField(equ, 4), "5");
}

TEST_F(SourceLinesModel, LinesAreUpperCasedButBig5IsKept) {
  // "\xA4\x61" is a Big5 character whose second byte is the letter a.
  Write("m.asm", std::string("  nop ; \xA4\x61 b\r\n"));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(asmForm->MainLines().First()->Line.Text, std::string("  NOP ; \xA4\x61 B"));
}

class SourceLines : public HandOffFixture {};

TEST_F(SourceLines, LinesAreCutTo160Characters) {
  // The mnemonic starts at column 158: only "MV" of "MVL 5" is read.
  ASSERT_EQ(RunSource(Lines({"  NOP ;" + std::string(200, 'x'), "  MVL 1"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(1)), "0601");
  EXPECT_EQ(RunSource(Lines({std::string(157, ' ') + "MVL 5"})), 0);
  EXPECT_GE(Errors(), 1);
}

TEST_F(SourceLines, ManyOperandsDoNotBreakTheLine) {
  std::string db = "  DB 1";
  for (int i = 2; i <= 40; ++i) db += ", " + std::to_string(i);
  const uint8_t r = RunSource(Lines({db, "  NOP"}));
  if (r == 1) {
    EXPECT_EQ(Hex4(W(0)), "0102");
  } else {
    EXPECT_GE(Errors(), 1);
  }
  std::string dw = "  DW 1";
  for (int i = 2; i <= 29; ++i) dw += ", " + std::to_string(i);
  ASSERT_EQ(RunSource(Lines({dw})), 1) << AllErrors();
  EXPECT_EQ(W(28), 29);
  EXPECT_EQ(asmForm->LocationCounter(), 29);
}

TEST_F(SourceLines, LineEndsAndTabs) {
  Write("main.asm", std::string("\tMVL\t1\n  MVL 2\r\nL1:\tMVF\t80H , 1\n  MVL 3"));
  ASSERT_EQ(Run(), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0601");
  EXPECT_EQ(Hex4(W(1)), "0602");
  EXPECT_EQ(Hex4(W(2)), "6680");
  EXPECT_EQ(Hex4(W(3)), "0603");
}

TEST_F(SourceLines, OnlyAsciiLettersAreUpperCased) {
  ASSERT_EQ(RunSource(Lines({"  nop ; \xA4\xA4\xA4\xE5 abc"})), 1) << AllErrors();
  const std::string lst = Read("main.lst");
  EXPECT_NE(lst.find("0001  0000  0000      NOP ; \xA4\xA4\xA4\xE5 ABC\r\n"), std::string::npos)
      << lst;
}

TEST_F(SourceLines, AnEmptyMainFile) {
  ASSERT_EQ(RunSource(""), 1) << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 0);
  EXPECT_EQ(Read("main.lst"),
            "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n");
  EXPECT_EQ(Read("main.hex").size(), 512u + 1536);
}

TEST_F(SourceLines, CommentsAndEmptyLinesEmitNothing) {
  ASSERT_EQ(RunSource(Lines({"; heading", "", "   ", "\t", "  MVL 1 ; one", "  MVL 2;two"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(W(1), 0x0602);
  EXPECT_EQ(asmForm->LocationCounter(), 2);
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

TEST(AsmLines, RewriteFieldKeepsEveryFieldOfALongLine) {
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

TEST_F(SourceLines, CodeBeyondTheRecordIsAnErrorNotLost) {
  // 29 operands in 183 characters: the record keeps 160 of them.
  std::string db = "  DB ";
  for (int i = 0; i < 29; ++i) db += (i ? ", " : "") + std::string("0") + Hex4(0x100 + i) + "H";
  ASSERT_GT(db.size(), 160u);
  EXPECT_EQ(RunSource(Lines({db, "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(14, 1, "Too many arguments..."))) << AllErrors();
  // A long comment is no code.
  ASSERT_EQ(RunSource(Lines({"  DB 1, 2 ;" + std::string(200, 'C'), "  NOP"})), 1) << AllErrors();
  ASSERT_EQ(RunSource(Lines({"  NOP" + std::string(200, ' '), "  NOP"})), 1) << AllErrors();
}

}  // namespace
}  // namespace kyvor::test
