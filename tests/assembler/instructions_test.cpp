// Instructions: encodings of both cores, operand counts and texts, aliases
// and the second words of two-word instructions.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class InstructionsModel : public AsmFixture {};

TEST_F(InstructionsModel, UnknownMnemonicAfterALabelIsAnError) {
  Write("m.asm", Crlf({"START: FOO 1"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(8, 1, "Illegal Symbol [FOO]"));
}

TEST_F(InstructionsModel, EncodesOperandsIntoTheirFields) {
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

TEST_F(InstructionsModel, LongCallGetsASecondWordAndForwardReferencesResolve) {
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

TEST_F(InstructionsModel, MvffAndLdprTakeOneMoreOperand) {
  Write("m.asm", Crlf({"  MVFF 12H, 85H", "  LDPR 123H, 2", "  MVFF 12H"}));
  options.AssembleOnly = 1;
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(Word(0), 0xD012);
  EXPECT_EQ(Word(1), 0xF085);
  EXPECT_EQ(Word(2), 0x000E);  // LDPR pointer 2 from the second operand
  EXPECT_EQ(Word(3), 0xF123);
  EXPECT_EQ(FirstError(), Err(13, 3, "Missing argument..."));
}

TEST_F(InstructionsModel, TooManyOperands) {
  Write("m.asm", Crlf({"  MVL 1, 2"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(14, 1, "Too many arguments..."));
}

TEST_F(InstructionsModel, MoreOperandsThanFieldsAreRefused) {
  std::string db29 = "  DB 1", db30 = "  DB 1";
  for (int i = 2; i <= 29; ++i) db29 += "," + std::to_string(i);
  for (int i = 2; i <= 30; ++i) db30 += "," + std::to_string(i);
  Write("m.asm", db29 + "\r\n" + db30 + "\r\n");
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(FirstError(), Err(14, 2, "Too many arguments..."));
  EXPECT_EQ(Word(14), 0x1D00);  // the 29th operand of the first line
}

TEST_F(InstructionsModel, LbsrBankLimit) {
  Write("m.asm", Crlf({"  LBSR 17", "  LBSR 16"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(9, 1, "Illegal argument [17]"));
  // Bank 16 does not fit the 4-bit field either.
  EXPECT_EQ(host->Errors.Count(), 2);
}

TEST_F(InstructionsModel, OperandWithAColonIsUndefined) {
  Write("m.asm", Crlf({"  JMP HERE:"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(5, 1, "Undefined Symbol [HERE:]"));
}

struct Case {
  const char* Line;
  std::vector<uint16_t> Words;
};

class Instructions : public HandOffFixture {
 protected:
  // Assembles the lines in order and checks the words they give.
  void Check(const std::vector<Case>& cases) {
    std::string src;
    for (const auto& c : cases) src += std::string("  ") + c.Line + "\r\n";
    ASSERT_EQ(RunSource(src), 1) << AllErrors();
    int a = 0;
    for (const auto& c : cases) {
      for (uint16_t w : c.Words) {
        EXPECT_EQ(Hex4(W(a)), Hex4(w)) << c.Line << " at " << a;
        ++a;
      }
    }
    EXPECT_EQ(asmForm->LocationCounter(), a);
  }
};

TEST_F(Instructions, NumberNotation) {
  Check({{"MVL 10", {0x060A}},
         {"MVL 0AH", {0x060A}},
         {"MVL 0ah", {0x060A}},
         {"MVL 1010B", {0x060A}},
         {"MVL 10D", {0x060A}},
         {"MVL 19H", {0x0619}},
         {"MVL 0FFH", {0x06FF}},
         {"MVL 0-1", {0x06FF}}});
}

TEST_F(Instructions, LeadingSignIsNoTerm) {
  // An expression needs a term before its first operator, so a literal
  // written with a leading sign is refused (and reported as undefined).
  EXPECT_EQ(RunSource("  MVL +7\r\n"), 0);
  EXPECT_NE(AllErrors().find("Undefined Symbol [+7]"), std::string::npos) << AllErrors();
}

TEST_F(Instructions, LiteralAndControlInstructions) {
  Check({{"NOP", {0x0000}},
         {"ADDL 0FFH", {0x04FF}},
         {"SUBL 1", {0x0801}},
         {"ANDL 2", {0x0102}},
         {"IORL 3", {0x0203}},
         {"XORL 4", {0x0304}},
         {"RETL 5", {0x0505}},
         {"MULL 6", {0x0706}},
         {"RET", {0x000A}},
         {"RET 1", {0x000B}},
         {"RETI", {0x0008}},
         {"RETI 1", {0x0009}},
         {"IDLE", {0x0001}},
         {"SLP", {0x0002}},
         {"CWDT", {0x0003}},
         {"POP", {0x0021}},
         {"LBSR 2", {0x0012}},
         {"TBLR 1", {0x0007}}});
}

TEST_F(Instructions, RegisterInstructions) {
  Check({{"CLRF 80H", {0x0C80}},
         {"CLRF 120H, 1", {0x0D20}},
         {"SETF 81H, 0", {0x0A81}},
         {"MULF 86H", {0x0E86}},
         {"ADDF 82H, 1, 0", {0x1282}},
         {"ADDF 82H, 0", {0x1082}},
         {"MVF 110H, 1, 1", {0x6710}},
         {"INF 84H, 1", {0x3A84}},
         {"DCF 84H, 0", {0x3084}},
         {"COMF 85H, 1, 0", {0x2685}},
         {"XORF 86H, 0", {0x2086}},
         {"ANDF 86H, 1", {0x2A86}},
         {"IORF 86H, 1", {0x2E86}},
         {"SUBF 86H, 1", {0x1A86}},
         {"ADDC 86H, 1", {0x1686}},
         {"SUBC 86H, 1", {0x1E86}},
         {"RLF 86H, 1", {0x4A86}},
         {"RRF 86H, 1", {0x4E86}},
         {"RRFC 86H, 1", {0x5286}},
         {"RLFC 86H, 1", {0x5686}},
         {"SWPF 86H, 1", {0x6286}},
         {"INSZ 86H, 1", {0x3E86}},
         {"DCSZ 86H, 1", {0x3686}},
         {"INSUZ 86H, 1", {0x4286}},
         {"DCSUZ 86H, 1", {0x4686}},
         {"ARLC 86H, 1", {0x5A86}},
         {"ARRC 86H, 1", {0x5E86}},
         {"CPSG 86H, 0", {0x6886}},
         {"CPSL 86H, 0", {0x6A86}},
         {"CPSE 86H, 0", {0x6C86}},
         {"TFSZ 86H, 0", {0x6E86}}});
}

TEST_F(Instructions, BitInstructions) {
  Check({{"BCF 86H, 3", {0x8686}},
         {"BSF 86H, 7, 0", {0x9E86}},
         {"BTSZ 86H, 0", {0xA086}},
         {"BTSS 86H, 1", {0xB286}},
         {"BTGF 86H, 2", {0xE486}},
         {"BSF 110H, 5, 1", {0x9B10}}});
}

TEST_F(Instructions, TwoWordInstructions) {
  Check({{"CALL 1234H", {0xC001, 0xF234}},
         {"CALL 123H, 1", {0xC100, 0xF123}},
         {"JMP 0ABCH", {0xC200, 0xFABC}},
         {"MVLP 1234H", {0x0901, 0xF234}},
         {"MVFF 12H, 34H", {0xD012, 0xF034}},
         {"LDPR 123H, 2", {0x000E, 0xF123}}});
}

TEST_F(Instructions, SecondWordsAreListedLinesOfTheirOwn) {
  ASSERT_EQ(RunSource(Lines({"  CALL 123H", "  NOP"})), 1) << AllErrors();
  // CALL, its NOPF line, NOP.
  const TAsmLineList& lines = asmForm->MainLines();
  int n = 0;
  std::vector<std::string> texts;
  for (auto* node = lines.First(); node; node = node->Next) {
    ++n;
    texts.push_back(std::string(node->Line.Text));
  }
  ASSERT_EQ(n, 3);
  EXPECT_EQ(texts[1], "NOPF    123H");
  EXPECT_EQ(W(1), 0xF123);
}

TEST_F(Instructions, ShortAndRelativeBranches) {
  ASSERT_EQ(RunSource(Lines({"LOOP: NOP",        // 0
                             "  JZ LOOP",        // 1: 0 - 1 - 1 = -2
                             "  JNZ FWD",        // 2: 5 - 2 - 1 = 2
                             "  RJ LOOP",        // 3: -4
                             "  RCALL FWD",      // 4: 0
                             "FWD: JC FWD",      // 5: -1
                             "  JN FWD",         // 6: -2
                             "  JO FWD",         // 7: -3
                             "  JNC FWD",        // 8: -4
                             "  JNN FWD",        // 9: -5
                             "  JNO FWD"})),     // 10: -6
            1)
      << AllErrors();
  const uint16_t expect[] = {0x0000, 0x71FE, 0x7502, 0x7FFC, 0xC800, 0x70FF,
                             0x72FE, 0x73FD, 0x74FC, 0x76FB, 0x77FA};
  for (int a = 0; a < 11; ++a) EXPECT_EQ(Hex4(W(a)), Hex4(expect[a])) << a;
}

TEST_F(Instructions, LowerCaseSourceIsReadAsUpperCase) {
  ASSERT_EQ(RunSource(Lines({"start: mvl 5", "  jmp start", "k equ 3", "  addl k"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0605);
  EXPECT_EQ(W(1), 0xC200);
  EXPECT_EQ(W(2), 0xF000);
  EXPECT_EQ(W(3), 0x0403);
  ASSERT_NE(PassSym("START"), nullptr);
}

TEST_F(Instructions, K08BOneWordCallAndJump) {
  Chip().CoreVariant = 1;
  Chip().ChipId = 0x0B01;
  ASSERT_EQ(RunSource(Lines({"  CALL SUB",     // 0
                             "  JMP 5",        // 1
                             "  RET",          // 2
                             "  RETI",         // 3
                             "SUB: NOP"})),    // 4
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0xC804);
  EXPECT_EQ(W(1), 0x7805);
  EXPECT_EQ(W(2), 0x000A);
  EXPECT_EQ(W(3), 0x0008);
  EXPECT_EQ(W(4), 0x0000);
  EXPECT_EQ(asmForm->LocationCounter(), 5);
}

TEST_F(Instructions, K08BLacksTheK08AOnlyMnemonics) {
  Chip().CoreVariant = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MULL 5"})), 0);
  EXPECT_GE(Errors(), 1);
}

class InstructionOperands : public HandOffFixture {};

TEST_F(InstructionOperands, LbsrTakesBankNumbersOrAddresses) {
  ASSERT_EQ(RunSource(Lines({"B1 EQU 180H", "  LBSR 2", "  LBSR B1", "  LBSR 15"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0012);
  EXPECT_EQ(W(1), 0x0011);
}

TEST_F(InstructionOperands, OptionalLastOperandOnlyOneFewer) {
  EXPECT_EQ(RunSource(Lines({"  ADDF 80H"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  CPSG 80H"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  ADDF 80H, 1, 0, 1"})), 0);
  EXPECT_TRUE(HasError(E(14, 1, "Too many arguments..."))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  MVFF 12H"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
}

TEST_F(InstructionOperands, ForwardNamesInSecondWords) {
  ASSERT_EQ(RunSource(Lines({"  MVFF 12H, DST", "  MVLP TAB", "  LDPR PTR, 1", "  LBSR BANK",
                             "DST EQU 34H", "TAB EQU 1567H", "PTR EQU 123H", "BANK EQU 180H"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "D012");
  EXPECT_EQ(Hex4(W(1)), "F034");
  EXPECT_EQ(Hex4(W(2)), "0901");
  EXPECT_EQ(Hex4(W(3)), "F567");
  EXPECT_EQ(Hex4(W(4)), "000D");
  EXPECT_EQ(Hex4(W(5)), "F123");
  EXPECT_EQ(Hex4(W(6)), "0011");
}

TEST_F(InstructionOperands, AliasesOfTheAliasFileAreMnemonicsToo) {
  Write("prog/Inst.txt", "ADDF PLUS\r\nSUBF ADDF\r\n");
  programFolder = (dir_ / "prog").string() + "/";
  ASSERT_EQ(RunSource(Lines({"  PLUS 80H, 1", "  ADDF 80H, 1", "  SUBF 80H, 1"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "1280");
  EXPECT_EQ(Hex4(W(1)), "1280");
  EXPECT_EQ(Hex4(W(2)), "1A80");
}

TEST_F(InstructionOperands, K08BHasNoAliases) {
  Write("prog/Inst.txt", "ADDF PLUS\r\n");
  programFolder = (dir_ / "prog").string() + "/";
  Chip().CoreVariant = 1;
  EXPECT_EQ(RunSource(Lines({"  PLUS 80H, 1"})), 0);
  EXPECT_GE(Errors(), 1);
}

TEST_F(InstructionOperands, MissingAndSurplusArguments) {
  EXPECT_EQ(RunSource(Lines({"  MVL", "  MVL 1, 2", "K EQU", "S SET", "  ORG"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(14, 2, "Too many arguments..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(13, 3, "Missing argument..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(13, 4, "Missing argument..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(13, 5, "Missing argument..."))) << AllErrors();
  EXPECT_EQ(Errors(), 5) << AllErrors();
}

TEST_F(InstructionOperands, BankNumberTooLarge) {
  EXPECT_EQ(RunSource(Lines({"  LBSR 17"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(9, 1, "Illegal argument"), 0), 0u) << AllErrors();
}

TEST_F(InstructionOperands, OperandEndingInAColon) {
  EXPECT_EQ(RunSource(Lines({"X: NOP", "  JMP X:"})), 0);
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [X:]"))) << AllErrors();
}

TEST_F(InstructionOperands, UnknownMnemonicAfterALabel) {
  EXPECT_EQ(RunSource(Lines({"LAB: FOO 5", "  NOP"})), 0);
  EXPECT_GE(Errors(), 1);
  EXPECT_EQ(RunSource(Lines({"LAB: MOVE 5, 6"})), 0);
  EXPECT_GE(Errors(), 1);
}

TEST_F(InstructionOperands, UserWrittenSecondWord) {
  ASSERT_EQ(RunSource(Lines({"  CALL 123H", "  NOPF 123H", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "C000");
  EXPECT_EQ(Hex4(W(1)), "F123");
  EXPECT_EQ(Hex4(W(2)), "0000");
  EXPECT_EQ(asmForm->LocationCounter(), 3);
}

TEST_F(InstructionOperands, BankSixteenIsOutOfRange) {
  EXPECT_EQ(RunSource(Lines({"  LBSR 16"})), 0);
  EXPECT_TRUE(HasError(E(9, 1, "Illegal argument [16]"))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"B16 EQU 1000H", "  LBSR B16"})), 0);
  EXPECT_TRUE(HasError(E(9, 2, "Illegal argument [B16]"))) << AllErrors();
  ASSERT_EQ(RunSource(Lines({"B15 EQU 0F00H", "  LBSR 15", "  LBSR B15"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x001F);
  EXPECT_EQ(W(1), 0x001F);
}

}  // namespace
}  // namespace kyvor::test
