// Call shortening (K08A with Smart Compiler): which calls become one word,
// the rounds, the final layout and the constants that follow it.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class CallShorteningModel : public AsmFixture {};

TEST_F(CallShorteningModel, SmartCompilerShortensNearCalls) {
  options.SmartCompiler = 1;
  Write("m.asm", Crlf({"  CALL SUB", "  JMP NEXT", "NEXT: NOP", "SUB:  RET"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0xC802);  // RCALL +2 (to 3)
  EXPECT_EQ(Word(1), 0x7800);  // RJ +0 (to 2)
  EXPECT_EQ(Word(2), 0x0000);
  EXPECT_EQ(Word(3), 0x000A);
  EXPECT_EQ(Label("SUB"), 3);
  EXPECT_EQ(asmForm->ImageCell(4).LineSeq, 0);
}

TEST_F(CallShorteningModel, SmartCompilerKeepsFarCallsAndTheFill) {
  options.SmartCompiler = 1;
  options.COptimization = 1;
  options.UnusedFillMode = 2;
  Chip().ChipRomWords = 8192;
  Write("m.asm", Crlf({"  CALL FAR", "  CALL NEAR", "NEAR: NOP", "  ORG 1000H", "FAR: RET"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0xC001);
  EXPECT_EQ(Word(1), 0xF000);
  EXPECT_EQ(Word(2), 0xC800);  // RCALL to 3
  EXPECT_EQ(Word(0x1000), 0x000A);
  // Unused cells keep the jump-to-0 fill after the extra passes.
  EXPECT_EQ(Word(4), 0xC200);
  EXPECT_EQ(Word(5), 0xF000);
  EXPECT_EQ(Word(0x1FFF), 0xF000);
}

TEST_F(CallShorteningModel, SmartCompilerReportsEachErrorOnce) {
  options.SmartCompiler = 1;
  options.COptimization = 1;
  Write("m.asm", Crlf({"  CALL SUB", "  MVL 1, 2", "  JZ NOWHERE", "SUB: RET"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(14, 2, "Too many arguments..."));
  EXPECT_EQ(host->Errors.Text(1), Err(5, 3, "Undefined Symbol [NOWHERE]"));
}

TEST_F(CallShorteningModel, BranchRangeIsJudgedOnTheFinalLayout) {
  // 64 long calls before the target: with two words each the JZ is out of
  // reach, after shortening it is in reach.
  options.SmartCompiler = 1;
  options.COptimization = 1;
  std::string text = "  JZ TARGET\r\n";
  for (int i = 0; i < 64; ++i) text += "  CALL TARGET\r\n";
  text += "TARGET: RET\r\n";
  Write("m.asm", text);
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Label("TARGET"), 65);
  EXPECT_EQ(Word(0), 0x7140);  // JZ +64
}

class CallShortening : public HandOffFixture {
 protected:
  void SetUp() override {
    HandOffFixture::SetUp();
    opt.SmartCompiler = 1;
  }
};

TEST_F(CallShortening, WithoutSmartCompilerCallsStayLong) {
  opt.SmartCompiler = 0;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0xC000);
  EXPECT_EQ(W(1), 0xF003);
  EXPECT_EQ(W(2), 0x0000);
  EXPECT_EQ(W(3), 0x000A);
}

TEST_F(CallShortening, NearCallAndJumpBecomeOneWord) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET", "  JMP SUB"})), 1) << AllErrors();
  // RCALL at 0 to SUB at 2: 2 - 0 - 1 = 1; RJ at 3 to 2: -2.
  EXPECT_EQ(Hex4(W(0)), "C801");
  EXPECT_EQ(W(1), 0x0000);
  EXPECT_EQ(W(2), 0x000A);
  EXPECT_EQ(Hex4(W(3)), "7FFE");
  EXPECT_EQ(asmForm->LocationCounter(), 4);
  EXPECT_EQ(PassSym("SUB")->Value, 2);
  EXPECT_EQ(asmForm->ImageCell(4).LineSeq, 0);
}

TEST_F(CallShortening, OptimizationGivesTheSameForASimpleProgram) {
  opt.COptimization = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET", "  JMP SUB"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C801");
  EXPECT_EQ(Hex4(W(3)), "7FFE");
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(CallShortening, LabelsOfOtherSectionsStay) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "SUB: RET", "  ORG 80H", "FAR: NOP", "  JMP FAR"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C800");
  EXPECT_EQ(W(1), 0x000A);
  EXPECT_EQ(PassSym("SUB")->Value, 1);
  EXPECT_EQ(PassSym("FAR")->Value, 0x80);
  EXPECT_EQ(W(0x80), 0x0000);
  EXPECT_EQ(Hex4(W(0x81)), "7FFE");
}

TEST_F(CallShortening, ReachLimit) {
  Chip().ChipRomWords = 2048;
  std::string near = "  CALL T\r\n";
  for (int i = 0; i < 1020; ++i) near += "  NOP\r\n";
  near += "T: RET\r\n";  // first pass: 1022 words after the call
  ASSERT_EQ(RunSource(near), 1) << AllErrors();
  EXPECT_EQ(PassSym("T")->Value, 1021);
  EXPECT_EQ(Hex4(W(0)), "CBFC");

  std::string far = "  CALL T\r\n";
  for (int i = 0; i < 1021; ++i) far += "  NOP\r\n";
  far += "T: RET\r\n";  // 1023
  ASSERT_EQ(RunSource(far), 1) << AllErrors();
  EXPECT_EQ(PassSym("T")->Value, 1023);
  EXPECT_EQ(Hex4(W(0)), "C000");
  EXPECT_EQ(Hex4(W(1)), "F3FF");
}

TEST_F(CallShortening, CallWithShadowOperandStaysLong) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB, 1", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C100");
  EXPECT_EQ(Hex4(W(1)), "F003");
}

TEST_F(CallShortening, FillPatternSurvivesShortening) {
  opt.UnusedFillMode = 2;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C801");
  EXPECT_EQ(Hex4(W(3)), "F000");
  EXPECT_EQ(Hex4(W(4)), "C200");
  EXPECT_EQ(Hex4(W(255)), "F000");
  opt.UnusedFillMode = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(3)), "FFFF");
  EXPECT_EQ(Hex4(W(255)), "FFFF");
}

TEST_F(CallShortening, BranchRangeIsJudgedOnTheFinalLayout) {
  std::string src = "  JZ T\r\n  CALL SUB\r\n";
  for (int i = 0; i < 126; ++i) src += "  NOP\r\n";
  src += "T: NOP\r\nSUB: RET\r\n";
  // First pass: T at 129 (128 away); after shortening T is at 128.
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Errors(), 0);
  EXPECT_EQ(Hex4(W(0)), "717F");
  EXPECT_EQ(Hex4(W(1)), "C87F");
}

TEST_F(CallShortening, EachErrorIsReportedOnce) {
  EXPECT_EQ(RunSource(Lines({"  CALL SUB", "  MVL 1, 2", "  MVL NOPE", "SUB: RET"})), 0);
  EXPECT_EQ(Errors(), 2) << AllErrors();
  EXPECT_TRUE(HasError(E(14, 2, "Too many arguments..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 3, "Undefined Symbol [NOPE]"))) << AllErrors();
  EXPECT_EQ(host->Raw.size(), 2u);

  opt.COptimization = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL SUB", "  MVL 1, 2", "SUB: RET"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
}

TEST_F(CallShortening, OverRangeAfterShorteningIsReportedOnce) {
  std::string src = "  JZ T\r\n  CALL SUB\r\n";
  for (int i = 0; i < 130; ++i) src += "  NOP\r\n";
  src += "T: NOP\r\nSUB: RET\r\n";
  EXPECT_EQ(RunSource(src), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(23, 1, "Over Range [T     JZ]"))) << AllErrors();
}

TEST_F(CallShortening, ListingOfAShortenedCall) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  const std::string head =
      "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n";
  EXPECT_EQ(Read("main.lst"), head + Lines({"0001  0000  C801      CALL SUB",
                                            "0002  0001  0000      NOP",
                                            "0003  0002  000A    SUB: RET"}));
}

TEST_F(CallShortening, K08BHasNoShortening) {
  Chip().CoreVariant = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C802");
  EXPECT_EQ(asmForm->LocationCounter(), 3);
}

TEST_F(CallShortening, SeveralCallsInOneRound) {
  ASSERT_EQ(RunSource(Lines({"  CALL S1", "  CALL S2", "  CALL S1", "S1: RET", "S2: RET"})), 1)
      << AllErrors();
  EXPECT_EQ(PassSym("S1")->Value, 3);
  EXPECT_EQ(PassSym("S2")->Value, 4);
  EXPECT_EQ(Hex4(W(0)), "C802");
  EXPECT_EQ(Hex4(W(1)), "C802");
  EXPECT_EQ(Hex4(W(2)), "C800");
  EXPECT_EQ(Hex4(W(3)), "000A");
  EXPECT_EQ(Hex4(W(4)), "000A");
  EXPECT_EQ(asmForm->LocationCounter(), 5);
}

TEST_F(CallShortening, BackwardCall) {
  ASSERT_EQ(RunSource(Lines({"SUB: RET", "  NOP", "  CALL SUB", "  JMP SUB"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(2)), "CFFD");
  EXPECT_EQ(Hex4(W(3)), "7FFC");
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(CallShortening, CallsInAMacroAndAnInclude) {
  Write("SUB.INC", Lines({"  CALL SUB", "  NOP"}));
  ASSERT_EQ(RunSource(Lines({"CM MACRO", "  CALL SUB", "  ENDM", "  CM", "  INCLUDE SUB.INC",
                             "SUB: RET"})),
            1)
      << AllErrors();
  // RCALL at 0 and 1, NOP at 2, SUB at 3.
  EXPECT_EQ(Hex4(W(0)), "C802");
  EXPECT_EQ(Hex4(W(1)), "C801");
  EXPECT_EQ(Hex4(W(2)), "0000");
  EXPECT_EQ(Hex4(W(3)), "000A");
}

class CallShorteningRounds : public HandOffFixture {
 protected:
  std::string Source() const {
    std::string s = "  CALL T\r\n  CALL N1\r\n  CALL N1\r\nN1: RET\r\n";
    for (int i = 0; i < 1016; ++i) s += "  NOP\r\n";
    return s + "T: RET\r\n";  // first pass: T at 1023
  }
  void SetUp() override {
    HandOffFixture::SetUp();
    Chip().ChipRomWords = 2048;
    opt.SmartCompiler = 1;
  }
};

TEST_F(CallShorteningRounds, OneRoundWithoutOptimization) {
  ASSERT_EQ(RunSource(Source()), 1) << AllErrors();
  EXPECT_EQ(PassSym("T")->Value, 1021);
  EXPECT_EQ(Hex4(W(0)), "C000");
  EXPECT_EQ(Hex4(W(1)), "F3FD");
  EXPECT_EQ(Hex4(W(2)), "C801");
  EXPECT_EQ(Hex4(W(3)), "C800");
}

TEST_F(CallShorteningRounds, OptimizationRepeatsUntilNothingChanges) {
  opt.COptimization = 1;
  ASSERT_EQ(RunSource(Source()), 1) << AllErrors();
  EXPECT_EQ(PassSym("T")->Value, 1020);
  EXPECT_EQ(PassSym("N1")->Value, 3);
  EXPECT_EQ(Hex4(W(0)), "CBFB");
  EXPECT_EQ(Hex4(W(1)), "C801");
  EXPECT_EQ(Hex4(W(2)), "C800");
  EXPECT_EQ(Hex4(W(3)), "000A");
  EXPECT_EQ(Hex4(W(1020)), "000A");
  EXPECT_EQ(asmForm->LocationCounter(), 1021);
}

class ShortenedLayout : public HandOffFixture {};

TEST_F(ShortenedLayout, UndefinedCallTargetWithShorteningIsReportedOnce) {
  opt.SmartCompiler = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL NOPE", "  NOP"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [NOPE]"))) << AllErrors();
  opt.COptimization = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL NOPE", "  JMP NOPE2", "  NOP"})), 0);
  EXPECT_EQ(Errors(), 2) << AllErrors();
}

// The final symbol table takes the values of the final layout.
TEST_F(ShortenedLayout, ConstantsFollowShortenedLabels) {
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

TEST_F(ShortenedLayout, ConstantsFollowRepeatedShorteningRounds) {
  // With "Optimization" several passes run; the last one counts. Both calls
  // become one word: SUB moves from 5 to 3.
  opt.SmartCompiler = 1;
  opt.COptimization = 1;
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

TEST_F(ShortenedLayout, VariablesFollowShortenedLabels) {
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

TEST_F(ShortenedLayout, ConstantsWithoutShorteningKeepTheirValue) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET", "K EQU SUB", "  MVL K"})), 1)
      << AllErrors();
  EXPECT_EQ(PassSym("SUB")->Value, 3);
  ASSERT_NE(FinalSym("K"), nullptr);
  EXPECT_EQ(FinalSym("K")->Value, 3);
  EXPECT_EQ(Hex4(W(4)), "0603");
}

// Without call shortening the first pass is the last: it checks the layout.
TEST_F(ShortenedLayout, K08BWithSmartCompilerStillChecksTheLayout) {
  Chip().CoreVariant = 1;
  opt.SmartCompiler = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  ORG 0", "  MVL 1"})), 0);
  EXPECT_TRUE(HasError(E(10, 3, "Overwriting previous address contents."))) << AllErrors();
  EXPECT_EQ(W(0), 0x0000);  // the first word stays
  EXPECT_EQ(RunSource(Lines({"  ORG 0FFH", "  NOP", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(11, 3, "Addresses above 0K not supported."))) << AllErrors();
  EXPECT_EQ(Errors(), 1) << AllErrors();
}

TEST_F(ShortenedLayout, K08ASmartCompilerChecksTheFinalLayoutOnce) {
  // The relaxed first pass says nothing; the final pass reports once.
  opt.SmartCompiler = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL SUB", "SUB: RET", "  ORG 1", "  MVL 1"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(10, 4, "Overwriting previous address contents."))) << AllErrors();
}

TEST_F(ShortenedLayout, FirstPassMayOverrunTheRomBeforeShortening) {
  opt.SmartCompiler = 1;
  std::string src = "  CALL SUB\r\n";
  for (int i = 0; i < 254; ++i) src += "  NOP\r\n";
  src += "SUB: RET\r\n";  // first pass: 257 words; after shortening 256
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C8FE");
  EXPECT_EQ(Hex4(W(255)), "000A");
  EXPECT_EQ(asmForm->AssembledWordCount(), 256);
}

TEST_F(ShortenedLayout, FirstPassMayOverlapBeforeShortening) {
  opt.SmartCompiler = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "SUB: RET", "  ORG 2", "  MVL 7"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C800");
  EXPECT_EQ(Hex4(W(1)), "000A");
  EXPECT_EQ(Hex4(W(2)), "0607");
}

TEST_F(ShortenedLayout, OverrunAfterShorteningIsStillAnError) {
  opt.SmartCompiler = 1;
  std::string src = "  CALL SUB\r\n";
  for (int i = 0; i < 255; ++i) src += "  NOP\r\n";
  src += "SUB: RET\r\n";  // 257 words even after shortening
  EXPECT_EQ(RunSource(src), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(11, 257, "Addresses above 0K not supported."))) << AllErrors();
}

TEST_F(ShortenedLayout, ACallToAnExpressionFollowsTheLabelMove) {
  // CALL N1 is shortened first; it moves T down by one, which brings the
  // second call in reach: with T+1 as with a label U at the same place.
  Chip().ChipRomWords = 2048;
  opt.SmartCompiler = 1;
  auto source = [](const std::string& target) {
    std::string s = "  CALL N1\r\nN1: RET\r\n  CALL " + target + "\r\n";
    for (int i = 0; i < 1019; ++i) s += "  NOP\r\n";
    return s + "T: RET\r\nU: RET\r\n";
  };
  ASSERT_EQ(RunSource(source("U")), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(2)), "CBFC");  // RCALL U: 1023 - 2 - 1 = 1020
  ASSERT_EQ(RunSource(source("T+1")), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(2)), "CBFC");
  EXPECT_EQ(asmForm->LocationCounter(), 1024);
}

}  // namespace
}  // namespace kyvor::test
