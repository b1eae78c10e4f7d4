// Call shortening (K08A with Smart Compiler), the chip-113 watchdog vector,
// the source view's line tables and macro records, and EEPROM access sites.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewSmart : public Review {
 protected:
  void SetUp() override {
    Review::SetUp();
    opt.SmartCompiler = 1;
  }
};

TEST_F(ReviewSmart, WithoutSmartCompilerCallsStayLong) {
  opt.SmartCompiler = 0;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0xC000);
  EXPECT_EQ(W(1), 0xF003);
  EXPECT_EQ(W(2), 0x0000);
  EXPECT_EQ(W(3), 0x000A);
}

TEST_F(ReviewSmart, NearCallAndJumpBecomeOneWord) {
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

TEST_F(ReviewSmart, OptimizationGivesTheSameForASimpleProgram) {
  opt.COptimization = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET", "  JMP SUB"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C801");
  EXPECT_EQ(Hex4(W(3)), "7FFE");
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(ReviewSmart, LabelsOfOtherSectionsStay) {
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

TEST_F(ReviewSmart, ReachLimit) {
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

TEST_F(ReviewSmart, CallWithShadowOperandStaysLong) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB, 1", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C100");
  EXPECT_EQ(Hex4(W(1)), "F003");
}

TEST_F(ReviewSmart, FillPatternSurvivesShortening) {
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

TEST_F(ReviewSmart, BranchRangeIsJudgedOnTheFinalLayout) {
  std::string src = "  JZ T\r\n  CALL SUB\r\n";
  for (int i = 0; i < 126; ++i) src += "  NOP\r\n";
  src += "T: NOP\r\nSUB: RET\r\n";
  // First pass: T at 129 (128 away); after shortening T is at 128.
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Errors(), 0);
  EXPECT_EQ(Hex4(W(0)), "717F");
  EXPECT_EQ(Hex4(W(1)), "C87F");
}

TEST_F(ReviewSmart, EachErrorIsReportedOnce) {
  EXPECT_EQ(RunSource(Lines({"  CALL SUB", "  MVL 1, 2", "  MVL NOPE", "SUB: RET"})), 0);
  EXPECT_EQ(Errors(), 2) << AllErrors();
  EXPECT_TRUE(HasError(E(14, 2, "Too many arguments..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 3, "Undefined Symbol [NOPE]"))) << AllErrors();
  EXPECT_EQ(host->Raw.size(), 2u);

  opt.COptimization = 1;
  EXPECT_EQ(RunSource(Lines({"  CALL SUB", "  MVL 1, 2", "SUB: RET"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
}

TEST_F(ReviewSmart, OverRangeAfterShorteningIsReportedOnce) {
  std::string src = "  JZ T\r\n  CALL SUB\r\n";
  for (int i = 0; i < 130; ++i) src += "  NOP\r\n";
  src += "T: NOP\r\nSUB: RET\r\n";
  EXPECT_EQ(RunSource(src), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(23, 1, "Over Range [T     JZ]"))) << AllErrors();
}

TEST_F(ReviewSmart, ListingOfAShortenedCall) {
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  const std::string head =
      "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n";
  EXPECT_EQ(Read("main.lst"), head + Lines({"0001  0000  C801      CALL SUB",
                                            "0002  0001  0000      NOP",
                                            "0003  0002  000A    SUB: RET"}));
}

TEST_F(ReviewSmart, K08BHasNoShortening) {
  Chip().CoreVariant = 1;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB", "  NOP", "SUB: RET"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C802");
  EXPECT_EQ(asmForm->LocationCounter(), 3);
}

class ReviewVector : public Review {
 protected:
  void SetUp() override {
    Review::SetUp();
    Chip().ChipId = 113;
    Chip().CoreVariant = 1;
    opt.ChWDTJMPOO = 1;
  }
};

TEST_F(ReviewVector, JumpsInsertedAt3F) {
  std::string src;
  for (int i = 0; i < 0x3F; ++i) src += "  NOP\r\n";
  src += "  MVL 5\r\n";
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3E)), "0000");
  EXPECT_EQ(Hex4(W(0x3F)), "7841");
  EXPECT_EQ(Hex4(W(0x40)), "7800");
  EXPECT_EQ(Hex4(W(0x41)), "0605");
}

TEST_F(ReviewVector, SkipAt3EIsPushedBehindANop) {
  std::string src;
  for (int i = 0; i < 0x3E; ++i) src += "  MVL 1\r\n";
  src += "  BTSZ 80H, 0\r\n  MVL 2\r\n";
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3D)), "0601");
  EXPECT_EQ(Hex4(W(0x3E)), "0000");
  EXPECT_EQ(Hex4(W(0x3F)), "7841");
  EXPECT_EQ(Hex4(W(0x40)), "7800");
  EXPECT_EQ(Hex4(W(0x41)), "A080");
  EXPECT_EQ(Hex4(W(0x42)), "0602");
}

TEST_F(ReviewVector, ListingMarksInsertedLines) {
  ASSERT_EQ(RunSource(Lines({"  ORG 3FH", "  MVL 5"})), 1) << AllErrors();
  const std::string head =
      "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n";
  EXPECT_EQ(Read("main.lst"),
            head + Lines({"0001" + std::string(16, ' ') + "  ORG 3FH",
                          "IM   003F  7841    JMP  0041h", "IM   0040  7800    JMP  0000h",
                          "0002  0041  0605      MVL 5"}));
}

TEST_F(ReviewVector, NothingWithoutTheOption) {
  opt.ChWDTJMPOO = 0;
  ASSERT_EQ(RunSource(Lines({"  ORG 3FH", "  MVL 5"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3F)), "0605");
  Chip().ChipId = 114;
  opt.ChWDTJMPOO = 1;
  ASSERT_EQ(RunSource(Lines({"  ORG 3FH", "  MVL 5"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3F)), "0605");
}

class ReviewHandOff : public Review {};

TEST_F(ReviewHandOff, LineTablesAndMacroRecords) {
  ASSERT_EQ(RunSource(Lines({"K EQU 1", "  MVL 1", "M1 MACRO", "  NOP", "  ENDM", "  M1",
                             "  ADDL 2"})),
            1)
      << AllErrors();
  EXPECT_TRUE(host->MacroTableMade);
  auto find = [&](int page, int line, int slot) -> const ReviewHost::Info* {
    const ReviewHost::Info* last = nullptr;
    for (const auto& i : host->LineInfo)
      if (i.Page == page && i.Line == line && i.Slot == slot) last = &i;
    return last;
  };
  ASSERT_NE(find(1, 1, 0), nullptr);
  EXPECT_EQ(find(1, 1, 0)->Value, 0xFFFFF);
  ASSERT_NE(find(1, 2, 0), nullptr);
  EXPECT_EQ(find(1, 2, 0)->Value, 0);
  ASSERT_NE(find(1, 4, 0), nullptr);
  EXPECT_EQ(find(1, 4, 0)->Value, -1);  // the copy of the body line
  EXPECT_EQ(find(1, 4, 1), nullptr);    // copies get no record number on their line
  ASSERT_NE(find(1, 7, 0), nullptr);
  EXPECT_EQ(find(1, 7, 0)->Value, 2);
  const auto* call = find(1, 6, 1);
  ASSERT_NE(call, nullptr);
  const int callRec = call->Value;
  EXPECT_GE(callRec, 1);
  const TMacroExpansionRecord* rc = nullptr;
  const TMacroExpansionRecord* rf = nullptr;
  int firstRec = 0;
  for (const auto& r : host->Records) {
    if (r.first == callRec) rc = &r.second;
    else {
      rf = &r.second;
      firstRec = r.first;
    }
  }
  ASSERT_NE(rc, nullptr);
  ASSERT_NE(rf, nullptr);
  // The call line: its expansion starts with the NOP copy (file 0, line 4).
  EXPECT_EQ(rc->Nested, 1);
  EXPECT_EQ(rc->FromMacro, 0);
  EXPECT_EQ(rc->CodeAddress, 0xFFFFF);
  EXPECT_EQ(rc->ChildFile, 0);
  EXPECT_EQ(rc->ChildLine, 4);
  EXPECT_EQ(rc->ParentFile, 0);
  EXPECT_EQ(rc->ParentLine, 6);
  EXPECT_EQ(rc->ParentRecNo, callRec);
  EXPECT_EQ(rc->ChildRecNo, firstRec);
  EXPECT_EQ(rc->MacroStartAddr, 0);
  EXPECT_EQ(rc->MacroEndAddr, 2);
  // The first instruction of the expansion carries the code.
  EXPECT_EQ(rf->Nested, 0);
  EXPECT_EQ(rf->FromMacro, 1);
  EXPECT_EQ(rf->CodeAddress, 1);
  EXPECT_EQ(rf->ParentFile, 0);
  EXPECT_EQ(rf->ParentLine, 6);
  EXPECT_EQ(rf->ParentRecNo, callRec);
  bool indexed = false;
  for (const auto& a : host->AddrIndex)
    if (a.first == 1 && a.second == firstRec) indexed = true;
  EXPECT_TRUE(indexed);
}

TEST_F(ReviewHandOff, EepromSitesAtMostEleven) {
  Chip().SelfEromMode = 1;
  Chip().SelfEromRegister = 0x30;
  std::string src;
  for (int i = 0; i < 12; ++i) src += "  CLRF 30H\r\n";
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  ASSERT_GE(target->SiteAddresses.size(), 11u);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(target->SiteAddresses[i], i);
    EXPECT_EQ(target->SiteLines[i], i + 1);
    EXPECT_EQ(target->SiteFiles[i], 0);
  }
  const int recorded =
      std::min<int>(static_cast<int>(target->SiteAddresses.size()), target->SiteCount);
  EXPECT_EQ(recorded, 11);
}

TEST_F(ReviewHandOff, NoSitesWhenLenient) {
  Chip().SelfEromMode = 1;
  Chip().SelfEromRegister = 0x30;
  opt.AssembleOnly = 1;
  ASSERT_EQ(RunSource(Lines({"  CLRF 30H"})), 1) << AllErrors();
  EXPECT_TRUE(target->SiteCount <= 0 || target->SiteAddresses.empty()) << target->SiteCount;
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewSmart2 : public Review {
 protected:
  void SetUp() override {
    Review::SetUp();
    opt.SmartCompiler = 1;
  }
};

TEST_F(ReviewSmart2, SeveralCallsInOneRound) {
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

TEST_F(ReviewSmart2, BackwardCall) {
  ASSERT_EQ(RunSource(Lines({"SUB: RET", "  NOP", "  CALL SUB", "  JMP SUB"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(2)), "CFFD");
  EXPECT_EQ(Hex4(W(3)), "7FFC");
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(ReviewSmart2, CallsInAMacroAndAnInclude) {
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

class ReviewFiles : public Review {};

TEST_F(ReviewFiles, UserWrittenSecondWord) {
  ASSERT_EQ(RunSource(Lines({"  CALL 123H", "  NOPF 123H", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C000");
  EXPECT_EQ(Hex4(W(1)), "F123");
  EXPECT_EQ(Hex4(W(2)), "0000");
  EXPECT_EQ(asmForm->LocationCounter(), 3);
}

TEST_F(ReviewFiles, UnwritableErrorFileDoesNotStopTheRun) {
  std::filesystem::create_directories(dir_ / "main.err");
  EXPECT_EQ(RunSource(Lines({"  MVL NOPE"})), 0);
  EXPECT_EQ(Errors(), 1);
  EXPECT_EQ(host->List.Count(), 1);
  EXPECT_TRUE(Exists("main.lst"));
}

TEST_F(ReviewFiles, OutputNamesFollowTheMainFile) {
  Write("prog.asmx", Lines({"  NOP"}));
  ASSERT_EQ(Run("prog.asmx"), 1);
  EXPECT_TRUE(Exists("prog.asmx.lst"));
  EXPECT_TRUE(Exists("prog.asmx.map"));
  EXPECT_TRUE(Exists("prog.asmx.asc"));
  EXPECT_TRUE(Exists("prog.asmx.hex"));
  Write("work.1/main.s", Lines({"  MVL NOPE"}));
  EXPECT_EQ(Run("work.1/main.s"), 0);
  EXPECT_TRUE(Exists("work.1/main.err"));
  EXPECT_TRUE(Exists("work.1/main.lst"));
  EXPECT_TRUE(Exists("work.1/main.map"));
  EXPECT_EQ(Read("work.1/main.err"),
            "Error(code:5)   " + P("work.1/main.s") + " 1: Undefined Symbol [NOPE]\r\n");
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewSmart3 : public Review {
 protected:
  std::string Source() const {
    std::string s = "  CALL T\r\n  CALL N1\r\n  CALL N1\r\nN1: RET\r\n";
    for (int i = 0; i < 1016; ++i) s += "  NOP\r\n";
    return s + "T: RET\r\n";  // first pass: T at 1023
  }
  void SetUp() override {
    Review::SetUp();
    Chip().ChipRomWords = 2048;
    opt.SmartCompiler = 1;
  }
};

TEST_F(ReviewSmart3, OneRoundWithoutOptimization) {
  ASSERT_EQ(RunSource(Source()), 1) << AllErrors();
  EXPECT_EQ(PassSym("T")->Value, 1021);
  EXPECT_EQ(Hex4(W(0)), "C000");
  EXPECT_EQ(Hex4(W(1)), "F3FD");
  EXPECT_EQ(Hex4(W(2)), "C801");
  EXPECT_EQ(Hex4(W(3)), "C800");
}

TEST_F(ReviewSmart3, OptimizationRepeatsUntilNothingChanges) {
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

}  // namespace
}  // namespace kyvor::review
