// Directives of the pass: DB, DW, ORG, EQU, SET, DS, MEMAR, GLOBAL, EXTERN.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class DirectivesModel : public AsmFixture {};

TEST_F(DirectivesModel, DbPairsAndDwWords) {
  Write("m.asm", Crlf({"  DB 1, 2, 3", "  DW 1234H, LATER", "LATER: NOP"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0102);
  EXPECT_EQ(Word(1), 0x0300);
  EXPECT_EQ(Word(2), 0x1234);
  EXPECT_EQ(Word(3), 0x0004);
}

TEST_F(DirectivesModel, DataSpaceAndMemoryOver) {
  // The RAM ends at 1FCH: A2 is its last byte, A3 lies beyond.
  Write("m.asm", Crlf({"  MEMAR 1FBH", "A1 DS 1", "A2 DS 1", "A3 DS 1", "  MEMAR 300H"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(26, 4, "Memory Over [A3]"));
  EXPECT_EQ(host->Errors.Text(1), Err(26, 5, "Memory Over [MEMAR]"));
  EXPECT_EQ(asmForm->FinalSymbols().FindSymbol("A2")->Value, 0x1FC);
  EXPECT_EQ(asmForm->FinalSymbols().FindSymbol("A3")->Value, 0x1FD);
  // Past the 4,096-byte data map: reported, never read beyond it.
  Write("n.asm", Crlf({"  MEMAR 0FFFH", "B DS 10H", "  MEMAR 0FFFFH"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(host->Errors.Count(), 3);
}

TEST_F(DirectivesModel, DataSpaceUpToTheLastByteOfTheRam) {
  // A chip whose RAM ends at 7FH: a variable may take its last byte.
  for (int a = 0x80; a < kDataMemorySize; ++a) Chip().DataMemoryMap[a] = 0;
  Write("m.asm", Crlf({"  MEMAR 7FH", "V DS 1", "  MEMAR 7EH", "W DS 2", "  NOP"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(asmForm->FinalSymbols().FindSymbol("V")->Value, 0x7F);
  EXPECT_EQ(asmForm->FinalSymbols().FindSymbol("W")->Value, 0x7E);
  // One byte past it is over.
  Write("m.asm", Crlf({"  MEMAR 7FH", "V DS 2", "  MEMAR 7EH", "W DS 3", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(26, 2, "Memory Over [V]"));
  EXPECT_EQ(host->Errors.Text(1), Err(26, 4, "Memory Over [W]"));
}

class Directives : public HandOffFixture {};

TEST_F(Directives, DbPairsBytesAndDwTakesWords) {
  ASSERT_EQ(RunSource(Lines({"  DB 1, 2, 3",      // 0102 0300
                             "  DW 1234H, 5",     // 1234 0005
                             "  DB 41H",          // 4100
                             "  DW FWD",          // 0010
                             "  DW 12345H",       // low 16 bits
                             "  ORG 10H",
                             "FWD: NOP"})),
            1)
      << AllErrors();
  const uint16_t expect[] = {0x0102, 0x0300, 0x1234, 0x0005, 0x4100, 0x0010, 0x2345};
  for (int a = 0; a < 7; ++a) EXPECT_EQ(Hex4(W(a)), Hex4(expect[a])) << a;
  EXPECT_EQ(W(7), 0);
  EXPECT_EQ(asmForm->ImageCell(7).LineSeq, 0);
  EXPECT_NE(asmForm->ImageCell(0x10).LineSeq, 0);
  EXPECT_EQ(PassSym("FWD")->Value, 0x10);
  EXPECT_EQ(PassSym("FWD")->Kind, 'L');
}

TEST_F(Directives, DbOfAValueAboveSixteenBitsKeepsTheLowBits) {
  // Wrapping arithmetic (the sanitizer build would stop on a signed overflow).
  ASSERT_EQ(RunSource(Lines({"BIG EQU 99999999999",  // read as 4876E7FFH
                             "  DB BIG",             // E7FF * 256 -> FF00
                             "  DB 1000012H, 34H",   // 12H * 256 + 34H
                             "  DB 7FFFFFFFH, 7FFFFFFFH"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), Hex4(0xFF00));
  EXPECT_EQ(Hex4(W(1)), Hex4(0x1234));
  EXPECT_EQ(Hex4(W(2)), Hex4(0xFEFF));
}

TEST_F(Directives, DbWithForwardNamesIsPatched) {
  ASSERT_EQ(RunSource(Lines({"  DB HIGH LATE, LOW LATE", "  ORG 34H", "LATE: NOP"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0034);
}

TEST_F(Directives, OrgStartsNewSections) {
  ASSERT_EQ(RunSource(Lines({"A0: NOP", "  ORG 20H", "A1: MVL 1", "  ORG 40H", "A2: MVL 2"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0x20), 0x0601);
  EXPECT_EQ(W(0x40), 0x0602);
  EXPECT_EQ(PassSym("A0")->Aux, 0);
  EXPECT_EQ(PassSym("A1")->Aux, 1);
  EXPECT_EQ(PassSym("A2")->Aux, 2);
  EXPECT_EQ(PassSym("A2")->Value, 0x40);
  EXPECT_EQ(asmForm->LocationCounter(), 0x41);
}

TEST_F(Directives, EquSetDsAndMemar) {
  ASSERT_EQ(RunSource(Lines({"K EQU 12H", "K2 EQU K+1", "S SET 1", "S SET S+1", "  MVL K2",
                             "  MVL S", "  MEMAR 80H", "V1 DS 2", "V2 DS 1", "  MVF V2, 1"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0613);
  EXPECT_EQ(W(1), 0x0602);
  EXPECT_EQ(W(2), 0x6682);
  // Final table: EQU constants and DS variables in order, no SET symbol.
  const TAsmSymbols& fin = asmForm->FinalSymbols();
  ASSERT_EQ(fin.Count(), 4);
  EXPECT_EQ(fin.GetItem(1)->Name, "K");
  EXPECT_EQ(fin.GetItem(1)->Value, 0x12);
  EXPECT_EQ(fin.GetItem(1)->Kind, 'C');
  EXPECT_EQ(fin.GetItem(2)->Name, "K2");
  EXPECT_EQ(fin.GetItem(2)->Value, 0x13);
  EXPECT_EQ(fin.GetItem(3)->Name, "V1");
  EXPECT_EQ(fin.GetItem(3)->Value, 0x80);
  EXPECT_EQ(fin.GetItem(3)->Aux, 2);
  EXPECT_EQ(fin.GetItem(3)->Kind, 'D');
  EXPECT_EQ(fin.GetItem(4)->Name, "V2");
  EXPECT_EQ(fin.GetItem(4)->Value, 0x82);
  EXPECT_EQ(fin.GetItem(4)->Aux, 1);
  ASSERT_NE(PassSym("S"), nullptr);
  EXPECT_EQ(PassSym("S")->Kind, 'V');
  EXPECT_EQ(PassSym("S")->Value, 2);
  EXPECT_EQ(FinalSym("S"), nullptr);
  // The debugger gets the final table in order.
  ASSERT_EQ(target->Symbols.size(), 4u);
  EXPECT_EQ(target->Symbols[0].Name, "K");
  EXPECT_EQ(target->Symbols[3].Name, "V2");
  EXPECT_EQ(target->Symbols[3].Aux, 1);
  EXPECT_EQ(target->Symbols[3].Kind, 'D');
  EXPECT_EQ(target->Resets, 1);
}

TEST_F(Directives, GlobalMustBeDefined) {
  ASSERT_EQ(RunSource(Lines({"  GLOBAL START", "START: NOP"})), 1) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  GLOBAL NOWHERE", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [NOWHERE]")) ||
              AllErrors().find("Undefined Symbol [NOWHERE]") != std::string::npos)
      << AllErrors();
}

TEST_F(Directives, ExternNamesOnlyInPlainAssemble) {
  EXPECT_EQ(RunSource(Lines({"  EXTERN EXT1", "  MVL EXT1"})), 0);
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [EXT1]"))) << AllErrors();
  opt.AssembleOnly = 1;
  ASSERT_EQ(RunSource(Lines({"  EXTERN EXT1, EXT2", "  MVL EXT2"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0602");
}

TEST_F(Directives, OrgToANegativeAddress) {
  EXPECT_EQ(RunSource(Lines({"  ORG 0-1", "  NOP"})), 0);
  EXPECT_TRUE(HasCode(11)) << AllErrors();
  opt.AssembleOnly = 1;
  EXPECT_EQ(RunSource(Lines({"  ORG 0-1", "  MVL 3"})), 0);
  EXPECT_TRUE(HasCode(11)) << AllErrors();
  EXPECT_EQ(asmForm->ImageCell(0).LineSeq, 0);
}

TEST_F(Directives, MemoryOver) {
  EXPECT_EQ(RunSource(Lines({"  MEMAR 180H"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(26, 1, "Memory Over [MEMAR]"));

  // The RAM ends at 17FH.
  EXPECT_EQ(RunSource(Lines({"  MEMAR 17FH", "V DS 2"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(26, 2, "Memory Over [V]"));

  ASSERT_EQ(RunSource(Lines({"  MEMAR 17EH", "V DS 2"})), 1) << AllErrors();
  EXPECT_EQ(FinalSym("V")->Value, 0x17E);
}

TEST_F(Directives, OrgNeedsAValue) {
  EXPECT_EQ(RunSource(Lines({"  ORG NOPE", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(5, 1, "Undefined Symbol"), 0), 0u) << AllErrors();
}

TEST_F(Directives, HugeDataSpaceIsMemoryOver) {
  // The pointer must not wrap back into the RAM.
  EXPECT_EQ(RunSource(Lines({"  MEMAR 80H", "B DS 7FFFFFFFH", "C DS 1", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(26, 2, "Memory Over [B]"))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  MEMAR 80H", "B DS 0FFF80H", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(26, 2, "Memory Over [B]"))) << AllErrors();
  // Up to the last byte of the RAM is fine.
  ASSERT_EQ(RunSource(Lines({"  MEMAR 80H", "B DS 7FH", "C DS 1", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(FinalSym("C")->Value, 0xFF);
}

TEST_F(Directives, MemarBeyondTheDataMemoryIsMemoryOver) {
  EXPECT_EQ(RunSource(Lines({"  MEMAR 10080H", "B DS 1", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(26, 1, "Memory Over [MEMAR]"))) << AllErrors();
}

}  // namespace
}  // namespace kyvor::test
