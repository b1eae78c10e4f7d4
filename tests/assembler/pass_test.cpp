// Main pass: labels, encoding, second words, fix-ups, image limits and call
// shortening.
#include "asm_fixture.h"

namespace kyvor::test {
namespace {

class PassTest : public AsmFixture {
 protected:
  std::string FirstError() const { return host->Errors.Count() ? host->Errors.Text(0) : ""; }
  std::string Err(int code, int line, const std::string& rest, const std::string& file = "m.asm") {
    return "Error(code:" + std::to_string(code) + ")   " + Path(file) + " " + std::to_string(line) +
           ": " + rest;
  }
  int32_t Label(const std::string& name) const {
    const TAsmSymbol* s = asmForm->PassSymbols().FindSymbol(name);
    return s ? s->Value : -1;
  }
};

TEST_F(PassTest, CodeLabelsNeedTheirColon) {
  Write("m.asm", Crlf({"  NOP", "HERE:  NOP", "THERE NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(8, 3, "Illegal Symbol [THERE]"));
  EXPECT_EQ(Label("HERE"), 1);
  EXPECT_EQ(Label("THERE"), -1);
}

TEST_F(PassTest, UnknownMnemonicAfterALabelIsAnError) {
  Write("m.asm", Crlf({"START: FOO 1"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(8, 1, "Illegal Symbol [FOO]"));
}

TEST_F(PassTest, EncodesOperandsIntoTheirFields) {
  Write("m.asm", Crlf({"R EQU 85H", "  ADDF R, 1, 0", "  BSF R, 5", "  MVL 0AH", "  CLRF 180H, 1",
                      "  RETL 0FFH", "  LBSR 3", "  LBSR BANKED", "BANKED EQU 210H", "  RET"}));
  options.AssembleOnly = 1;
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x1285);  // 000100 b=1 d=0 a=85
  EXPECT_EQ(Word(1), 0x9A85);  // 1001 bbb=101 d=0
  EXPECT_EQ(Word(2), 0x060A);
  EXPECT_EQ(Word(3), 0x0D80);  // CLRF d=1, a = low 8 bits
  EXPECT_EQ(Word(4), 0x05FF);
  EXPECT_EQ(Word(5), 0x0013);
  EXPECT_EQ(Word(6), 0x0012);  // forward reference: 210H div 256
  EXPECT_EQ(Word(7), 0x000A);
}

TEST_F(PassTest, LongCallGetsASecondWordAndForwardReferencesResolve) {
  Write("m.asm", Crlf({"  CALL FAR", "  JMP FAR", "  ORG 1234H", "FAR:  RET"}));
  Chip().ChipRomWords = 8192;
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0xC001);  // bits 12 and up of 1234H
  EXPECT_EQ(Word(1), 0xF234);  // NOPF with the low 12 bits
  EXPECT_EQ(Word(2), 0xC201);
  EXPECT_EQ(Word(3), 0xF234);
  EXPECT_EQ(Word(0x1234), 0x000A);
  // The inserted second word is a line of its own, marked as such.
  const TLineRecord& second = asmForm->MainLines().First()->Next->Line;
  EXPECT_EQ(second.Text, "NOPF    FAR");
  EXPECT_TRUE(second.SecondOfCall);
  EXPECT_EQ(second.LineNo, 1);
}

TEST_F(PassTest, MvffAndLdprTakeOneMoreOperand) {
  Write("m.asm", Crlf({"  MVFF 12H, 85H", "  LDPR 123H, 2", "  MVFF 12H"}));
  options.AssembleOnly = 1;
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(Word(0), 0xD012);
  EXPECT_EQ(Word(1), 0xF085);
  EXPECT_EQ(Word(2), 0x000E);  // LDPR pointer 2 from the second operand
  EXPECT_EQ(Word(3), 0xF123);
  EXPECT_EQ(FirstError(), Err(13, 3, "Missing argument..."));
}

TEST_F(PassTest, TooManyOperands) {
  Write("m.asm", Crlf({"  MVL 1, 2"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(14, 1, "Too many arguments..."));
}

TEST_F(PassTest, ShortBranchRange) {
  // JZ at 0: displacement = target - 0 - 1.
  std::vector<std::string> lines = {"  JZ T127", "  JZ T128"};
  for (int i = 0; i < 126; ++i) lines.push_back("  NOP");
  lines.push_back("T127: NOP");  // address 128: displacement 127 from 0
  lines.push_back("T128: NOP");  // address 129: displacement 128 from 0, 127 from 1
  std::string text;
  for (auto& l : lines) text += l + "\r\n";
  Write("m.asm", text);
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x717F);
  EXPECT_EQ(Word(1), 0x717F);
  Write("n.asm", Crlf({"  JZ FAR", "  ORG 129", "FAR: NOP"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), Err(23, 1, "Over Range [FAR     JZ]", "n.asm"));
}

TEST_F(PassTest, RelativeBranchRange) {
  Write("m.asm", Crlf({"BACK: NOP", "  ORG 1024", "  RJ BACK", "  RJ BACK"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(Word(1024), 0x7800);  // -1025 is refused: no displacement inserted
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(23, 3, "Over Range [BACK     RJ]"));
  Write("n.asm", Crlf({"BACK: NOP", "  ORG 1024", "  RJ BACK"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  Write("o.asm", Crlf({"BACK: NOP", "  ORG 1023", "  RJ BACK"}));
  ASSERT_EQ(Assemble("o.asm"), 1) << FirstError();
  EXPECT_EQ(Word(1023), 0x7C00);  // -1024 in 11 bits
}

TEST_F(PassTest, DbPairsAndDwWords) {
  Write("m.asm", Crlf({"  DB 1, 2, 3", "  DW 1234H, LATER", "LATER: NOP"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0102);
  EXPECT_EQ(Word(1), 0x0300);
  EXPECT_EQ(Word(2), 0x1234);
  EXPECT_EQ(Word(3), 0x0004);
}

TEST_F(PassTest, DataSpaceAndMemoryOver) {
  Write("m.asm", Crlf({"  MEMAR 1FBH", "A1 DS 1", "A2 DS 1", "  MEMAR 300H"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(26, 3, "Memory Over [A2]"));
  EXPECT_EQ(host->Errors.Text(1), Err(26, 4, "Memory Over [MEMAR]"));
  EXPECT_EQ(asmForm->FinalSymbols().FindSymbol("A2")->Value, 0x1FC);
  // Past the 4,096-byte data map: reported, never read beyond it.
  Write("n.asm", Crlf({"  MEMAR 0FFFH", "B DS 10H", "  MEMAR 0FFFFH"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(host->Errors.Count(), 3);
}

TEST_F(PassTest, LongEquTextsAreKeptWhole) {
  Write("m.asm", Crlf({"FIRSTLONGNAME EQU 1", "SECONDLONGNAME EQU 2", "THIRDLONGNAME SET 3",
                      "SUMOFALL EQU FIRSTLONGNAME+SECONDLONGNAME+THIRDLONGNAME",
                      "  MVL SUMOFALL"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0606);
}

TEST_F(PassTest, DuplicatesAndSet) {
  Write("m.asm", Crlf({"X EQU 1", "X EQU 2", "V SET 1", "V SET V+1", "  MVL V", "L1: NOP", "L1: NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(4, 2, "Duplicate label or redefining symbol [X]"));
  EXPECT_EQ(host->Errors.Text(1), Err(4, 7, "Duplicate label or redefining symbol [L1]"));
  EXPECT_EQ(Word(0), 0x0602);
}

TEST_F(PassTest, OrgBeyondRomIsStrictOnly) {
  Write("m.asm", Crlf({"  ORG 1000H", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(11, 1, "Addresses above 4K not supported."));
  options.AssembleOnly = 1;
  EXPECT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(asmForm->LocationCounter(), 0x1001);
}

TEST_F(PassTest, NothingIsWrittenPastTheImage) {
  options.AssembleOnly = 1;
  Write("m.asm", Crlf({"  ORG 7FFFH", "  NOP", "  NOP", "  ORG 0FFFFH", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(11, 3, "Addresses above 4K not supported."));
  EXPECT_EQ(host->Errors.Text(1), Err(11, 5, "Addresses above 4K not supported."));
  EXPECT_EQ(asmForm->ImageCell(0x7FFF).LineSeq, 2);
}

TEST_F(PassTest, OverwritingIsRefused) {
  Write("m.asm", Crlf({"  MVL 1", "  ORG 0", "  MVL 2", "  MVL 3"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(10, 3, "Overwriting previous address contents."));
  EXPECT_EQ(Word(0), 0x0601);
  // The refused word did not advance the counter: MVL 3 is refused at 0 as well.
  EXPECT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(PassTest, FillModes) {
  Write("m.asm", Crlf({"  NOP"}));
  Chip().ChipRomWords = 8192;
  options.UnusedFillMode = 2;
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(Word(0), 0x0000);
  EXPECT_EQ(Word(2), 0xC200);
  EXPECT_EQ(Word(1), 0xF000);
  EXPECT_EQ(Word(8191), 0xF000);
  options.UnusedFillMode = 1;
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(Word(1), 0xFFFF);
  EXPECT_EQ(Word(8191), 0xFFFF);
}

TEST_F(PassTest, MoreOperandsThanFieldsAreRefused) {
  std::string db29 = "  DB 1", db30 = "  DB 1";
  for (int i = 2; i <= 29; ++i) db29 += "," + std::to_string(i);
  for (int i = 2; i <= 30; ++i) db30 += "," + std::to_string(i);
  Write("m.asm", db29 + "\r\n" + db30 + "\r\n");
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(FirstError(), Err(14, 2, "Too many arguments..."));
  EXPECT_EQ(Word(14), 0x1D00);  // the 29th operand of the first line
}

TEST_F(PassTest, LbsrBankLimit) {
  Write("m.asm", Crlf({"  LBSR 17", "  LBSR 16"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(9, 1, "Illegal argument [17]"));
  EXPECT_EQ(host->Errors.Count(), 1);
}

TEST_F(PassTest, OperandWithAColonIsUndefined) {
  Write("m.asm", Crlf({"  JMP HERE:"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(5, 1, "Undefined Symbol [HERE:]"));
}

TEST_F(PassTest, MacroNestingDepthIsLimited) {
  std::string text;
  for (int i = 0; i < 33; ++i) {
    text += "M" + std::to_string(i) + " MACRO\r\n";
    if (i < 32) text += "  M" + std::to_string(i + 1) + "\r\n";
    else text += "  NOP\r\n";
    text += "  ENDM\r\n";
  }
  text += "  M0\r\n";
  Write("m.asm", text);
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_GE(host->Errors.Count(), 1);
  EXPECT_EQ(FirstError(), Err(19, 92, "Macro nested too deep...(Max:32) [  M31]"));
}

TEST_F(PassTest, SmartCompilerShortensNearCalls) {
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

TEST_F(PassTest, SmartCompilerKeepsFarCallsAndTheFill) {
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

TEST_F(PassTest, SmartCompilerReportsEachErrorOnce) {
  options.SmartCompiler = 1;
  options.COptimization = 1;
  Write("m.asm", Crlf({"  CALL SUB", "  MVL 1, 2", "  JZ NOWHERE", "SUB: RET"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(14, 2, "Too many arguments..."));
  EXPECT_EQ(host->Errors.Text(1), Err(5, 3, "Undefined Symbol [NOWHERE]"));
}

TEST_F(PassTest, BranchRangeIsJudgedOnTheFinalLayout) {
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

TEST_F(PassTest, WatchdogVectorOnChip113) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  options.ChWDTJMPOO = 1;
  std::string text = "  ORG 3EH\r\n  BTSZ 80H, 1\r\n  NOP\r\n";
  Write("m.asm", text);
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0x3E), 0x0000);
  EXPECT_EQ(Word(0x3F), 0x7841);  // K08B JMP 0041h
  EXPECT_EQ(Word(0x40), 0x7800);  // JMP 0000h
  EXPECT_EQ(Word(0x41), 0xA280);  // BTSZ 80H, 1
  Write("n.asm", "  ORG 3FH\r\n  MVL 1\r\n");
  ASSERT_EQ(Assemble("n.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0x3F), 0x7841);
  EXPECT_EQ(Word(0x40), 0x7800);
  EXPECT_EQ(Word(0x41), 0x0601);
}

}  // namespace
}  // namespace kyvor::test

namespace kyvor::test {
namespace {

class PassLimitsTest : public AsmFixture {};

TEST_F(PassLimitsTest, SymbolTableFullStopsThePass) {
  std::string text;
  for (int i = 0; i < 8193; ++i) text += "L" + std::to_string(i) + ":\r\n";
  text += "  MVL NOWHERE\r\n";
  Write("m.asm", text);
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0),
            "Error(code:6)   " + Path("m.asm") + " 8193: Out of memory...");
  EXPECT_FALSE(Exists("m.lst"));  // the pass stopped: no output files
}

TEST_F(PassLimitsTest, MacroCallWithABadLabelStillNests) {
  Write("m.asm", Crlf({"M MACRO", "  NOP", "  ENDM", "BAD M", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0),
            "Error(code:8)   " + Path("m.asm") + " 4: Illegal Symbol [BAD]");
}

}  // namespace
}  // namespace kyvor::test
