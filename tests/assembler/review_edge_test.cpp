// Edge cases: each error reported once for an undefined branch or call
// target, EXTERN names, long names and lines, many operands, line ends and
// bytes above 127, nested local labels and switched-off outputs.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewEdge : public Review {};

TEST_F(ReviewEdge, UndefinedBranchTargetIsReportedOnce) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "  JZ NOPE"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [NOPE]"))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  RJ NOPE"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
}

TEST_F(ReviewEdge, UndefinedCallTargetWithShorteningIsReportedOnce) {
  opt.SmartCompiler = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL NOPE", "  NOP"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [NOPE]"))) << AllErrors();
  opt.COptimization = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL NOPE", "  JMP NOPE2", "  NOP"})), 0);
  EXPECT_EQ(Errors(), 2) << AllErrors();
}

TEST_F(ReviewEdge, ExternNamesOnlyInPlainAssemble) {
  EXPECT_EQ(RunSource(Lines({"  EXTERN EXT1", "  MVL EXT1"})), 0);
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [EXT1]"))) << AllErrors();
  opt.AssembleOnly = 1;
  ASSERT_EQ(RunSource(Lines({"  EXTERN EXT1, EXT2", "  MVL EXT2"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0602");
}

TEST_F(ReviewEdge, DefineNamesAreForConditionsOnly) {
  EXPECT_EQ(RunSource(Lines({"  DEFINE X = 5", "  MVL X"})), 0);
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [X]"))) << AllErrors();
}

TEST_F(ReviewEdge, EquTakesNoForwardNames) {
  EXPECT_EQ(RunSource(Lines({"K EQU LATER", "LATER: NOP"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [LATER]"))) << AllErrors();
}

TEST_F(ReviewEdge, NamesAreKeptTo32Characters) {
  const std::string name40 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD";
  const std::string name32 = name40.substr(0, 32);
  ASSERT_EQ(RunSource(Lines({"  NOP", name40 + ": NOP", "  JMP " + name32})), 1) << AllErrors();
  ASSERT_NE(PassSym(name32), nullptr);
  EXPECT_EQ(PassSym(name32)->Value, 1);
  EXPECT_EQ(Hex4(W(3)), "F001");
}

TEST_F(ReviewEdge, LinesAreCutTo160Characters) {
  // The mnemonic starts at column 158: only "MV" of "MVL 5" is read.
  ASSERT_EQ(RunSource(Lines({"  NOP ;" + std::string(200, 'x'), "  MVL 1"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(1)), "0601");
  EXPECT_EQ(RunSource(Lines({std::string(157, ' ') + "MVL 5"})), 0);
  EXPECT_GE(Errors(), 1);
}

TEST_F(ReviewEdge, ManyOperandsDoNotBreakTheLine) {
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

TEST_F(ReviewEdge, LineEndsAndTabs) {
  Write("main.asm", std::string("\tMVL\t1\n  MVL 2\r\nL1:\tMVF\t80H , 1\n  MVL 3"));
  ASSERT_EQ(Run(), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0601");
  EXPECT_EQ(Hex4(W(1)), "0602");
  EXPECT_EQ(Hex4(W(2)), "6680");
  EXPECT_EQ(Hex4(W(3)), "0603");
}

TEST_F(ReviewEdge, OnlyAsciiLettersAreUpperCased) {
  ASSERT_EQ(RunSource(Lines({"  nop ; \xA4\xA4\xA4\xE5 abc"})), 1) << AllErrors();
  const std::string lst = Read("main.lst");
  EXPECT_NE(lst.find("0001  0000  0000      NOP ; \xA4\xA4\xA4\xE5 ABC\r\n"), std::string::npos)
      << lst;
}

TEST_F(ReviewEdge, LocalLabelsOfNestedMacros) {
  ASSERT_EQ(RunSource(Lines({"INNER MACRO", "LP: NOP", "  RJ LP", "  ENDM", "OUTER MACRO",
                             "  INNER", "  ENDM", "  OUTER", "  OUTER", "  INNER"})),
            1)
      << AllErrors();
  for (int a = 0; a < 6; a += 2) {
    EXPECT_EQ(Hex4(W(a)), "0000") << a;
    EXPECT_EQ(Hex4(W(a + 1)), "7FFE") << a;
  }
}

TEST_F(ReviewEdge, SwitchedOffOutputs) {
  opt.OutAsciiFile = 0;
  opt.OutBinaryFile = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_FALSE(Exists("main.asc"));
  EXPECT_FALSE(Exists("main.hex"));
  EXPECT_TRUE(Exists("main.map"));
  EXPECT_TRUE(Exists("main.lst"));
  EXPECT_FALSE(Exists("main.obj"));
  EXPECT_FALSE(Exists("main.EEH"));
}

TEST_F(ReviewEdge, NegativeWords) {
  ASSERT_EQ(RunSource(Lines({"  DW 0-1", "  DB 0-1, 0-2"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "FFFF");
  EXPECT_EQ(Hex4(W(1)), "FEFE");  // (-1 x 256 + -2) in 16 bits
}

TEST_F(ReviewEdge, ExpressionOperandsWithBlanks) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1 + 2", "  MVL 10H - 1", "  JZ T + 1", "T: NOP", "  NOP"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0603");
  EXPECT_EQ(Hex4(W(1)), "060F");
  EXPECT_EQ(Hex4(W(2)), "7101");  // T + 1 = 4: 4 - 2 - 1
}

TEST_F(ReviewEdge, AnEmptyMainFile) {
  ASSERT_EQ(RunSource(""), 1) << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 0);
  EXPECT_EQ(Read("main.lst"),
            "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n");
  EXPECT_EQ(Read("main.hex").size(), 512u + 1536);
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewBounds : public Review {};

TEST_F(ReviewBounds, DataMapIsNeverReadOutsideItsRange) {
  EXPECT_EQ(RunSource(Lines({"  MEMAR 5000H"})), 0);
  EXPECT_EQ(asmForm->ErrorTexts().at(0), E(26, 1, "Memory Over [MEMAR]"));
  EXPECT_EQ(RunSource(Lines({"  MEMAR 0FFFFH"})), 0);
  EXPECT_EQ(asmForm->ErrorTexts().at(0), E(26, 1, "Memory Over [MEMAR]"));
  EXPECT_EQ(RunSource(Lines({"  MEMAR 0-1"})), 0);
  EXPECT_EQ(asmForm->ErrorTexts().at(0), E(26, 1, "Memory Over [MEMAR]"));
  EXPECT_EQ(RunSource(Lines({"  MEMAR 0FF0H", "V DS 20H"})), 0);
  EXPECT_TRUE(HasCode(26)) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  MEMAR 80H", "V DS 0-1"})), 0);
  EXPECT_TRUE(HasError(E(26, 2, "Memory Over [V]"))) << AllErrors();
}

TEST_F(ReviewBounds, RegisterChecksOutsideTheDataMap) {
  EXPECT_EQ(RunSource(Lines({"  CLRF 5000H, 1", "  BSF 0FFFFH, 1, 1", "  CLRF 0-1"})), 0);
  EXPECT_TRUE(HasError(E(24, 1, "illegally Memory or Registor [5000H]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 2, "illegally Memory or Registor [0FFFFH]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 3, "illegally Memory or Registor [0-0001H]"))) << AllErrors();
  EXPECT_EQ(Errors(), 3) << AllErrors();
}

TEST_F(ReviewBounds, OrgToANegativeAddress) {
  EXPECT_EQ(RunSource(Lines({"  ORG 0-1", "  NOP"})), 0);
  EXPECT_TRUE(HasCode(11)) << AllErrors();
  opt.AssembleOnly = 1;
  EXPECT_EQ(RunSource(Lines({"  ORG 0-1", "  MVL 3"})), 0);
  EXPECT_TRUE(HasCode(11)) << AllErrors();
  EXPECT_EQ(asmForm->ImageCell(0).LineSeq, 0);
}

}  // namespace
}  // namespace kyvor::review
