// Labels and the symbol tables: adding rules, colons, redefinitions, EQU and
// SET, name lengths and a full table.
#include "asm_fixture.h"
#include "handoff_fixture.h"
#include "assembler/asm_symbols.h"

namespace kyvor::test {
namespace {

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

TEST(AsmSymbols, ReplacementNamesFollowTheTextsOfSetRecords) {
  TAsmSymbols t;
  ASSERT_EQ(t.AddSymbol("V", "X", 1, 'V', 0), 0);
  ASSERT_EQ(t.AddSymbol("A", "X", 2, 'C', 0), 0);
  ASSERT_EQ(t.AddSymbol("W", "Y", 3, 'V', 0), 0);
  EXPECT_EQ(t.FindReplacementName("X"), 1);
  // V takes another text: the first record with "X" is now A.
  ASSERT_EQ(t.AddSymbol("V", "Y", 4, 'V', 0), 0);
  EXPECT_EQ(t.FindReplacementName("X"), 2);
  EXPECT_EQ(t.FindReplacementName("Y"), 1);
  ASSERT_EQ(t.AddSymbol("V", "Z", 5, 'V', 0), 0);
  EXPECT_EQ(t.FindReplacementName("Y"), 3);
  EXPECT_EQ(t.FindReplacementName("Z"), 1);
  ASSERT_EQ(t.AddSymbol("W", "Q", 6, 'V', 0), 0);
  EXPECT_EQ(t.FindReplacementName("Y"), 0);
  ASSERT_EQ(t.AddSymbol("V", "X", 7, 'V', 0), 0);
  EXPECT_EQ(t.FindReplacementName("X"), 1);
  EXPECT_EQ(t.FindReplacementName("Z"), 0);
  EXPECT_EQ(t.Count(), 3);
}

TEST(AsmSymbols, NamesAreCutTo32AndTheTableHolds8192) {
  TAsmSymbols t;
  const std::string longName(40, 'N');
  EXPECT_EQ(t.AddSymbol(longName, longName, 1, 'C', 0), 0);
  // A longer name is found by the part the record keeps.
  EXPECT_EQ(t.FindSymbol(longName), t.FindSymbol(longName.substr(0, 32)));
  EXPECT_NE(t.FindSymbol(longName.substr(0, 32)), nullptr);
  t.Clear();
  for (int i = 0; i < 8192; ++i)
    ASSERT_EQ(t.AddSymbol("S" + std::to_string(i), "", i, 'L', 0), 0);
  EXPECT_EQ(t.AddSymbol("ONE_MORE", "", 0, 'L', 0), 1);
  EXPECT_EQ(t.Count(), 8192);
  EXPECT_EQ(t.FindSymbol("S8191")->Value, 8191);
}

class SymbolsModel : public AsmFixture {};

TEST_F(SymbolsModel, CodeLabelsNeedTheirColon) {
  Write("m.asm", Crlf({"  NOP", "HERE:  NOP", "THERE NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(8, 3, "Illegal Symbol [THERE]"));
  EXPECT_EQ(Label("HERE"), 1);
  EXPECT_EQ(Label("THERE"), -1);
}

TEST_F(SymbolsModel, LongEquTextsAreKeptWhole) {
  Write("m.asm", Crlf({"FIRSTLONGNAME EQU 1", "SECONDLONGNAME EQU 2", "THIRDLONGNAME SET 3",
                      "SUMOFALL EQU FIRSTLONGNAME+SECONDLONGNAME+THIRDLONGNAME",
                      "  MVL SUMOFALL"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0606);
}

TEST_F(SymbolsModel, DuplicatesAndSet) {
  Write("m.asm", Crlf({"X EQU 1", "X EQU 2", "V SET 1", "V SET V+1", "  MVL V", "L1: NOP", "L1: NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(4, 2, "Duplicate label or redefining symbol [X]"));
  EXPECT_EQ(host->Errors.Text(1), Err(4, 7, "Duplicate label or redefining symbol [L1]"));
  EXPECT_EQ(Word(0), 0x0602);
}

TEST_F(SymbolsModel, SymbolTableFullStopsThePass) {
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

class Symbols : public HandOffFixture {};

TEST_F(Symbols, SetMayRedefineEquMayNot) {
  EXPECT_EQ(RunSource(Lines({"S SET 1", "S SET 2", "K EQU 1", "K EQU 2", "  MVL S", "  MVL K"})),
            0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  ASSERT_EQ(asmForm->ErrorTexts().size(), 1u);
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(4, 4, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0602);
  EXPECT_EQ(W(1), 0x0601);
}

TEST_F(Symbols, CodeLabelNeedsItsColon) {
  EXPECT_EQ(RunSource(Lines({"LOOP NOP", "GOOD: NOP"})), 0);
  EXPECT_TRUE(HasError(E(8, 1, "Illegal Symbol [LOOP]"))) << AllErrors();
  EXPECT_EQ(PassSym("LOOP"), nullptr);
  ASSERT_NE(PassSym("GOOD"), nullptr);
}

TEST_F(Symbols, LabelAloneOnItsLine) {
  ASSERT_EQ(RunSource(Lines({"  NOP", "HERE:", "  JMP HERE"})), 1) << AllErrors();
  EXPECT_EQ(PassSym("HERE")->Value, 1);
  EXPECT_EQ(W(1), 0xC200);
  EXPECT_EQ(W(2), 0xF001);
}

TEST_F(Symbols, EquTakesNoForwardNames) {
  EXPECT_EQ(RunSource(Lines({"K EQU LATER", "LATER: NOP"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [LATER]"))) << AllErrors();
}

TEST_F(Symbols, NamesAreKeptTo32Characters) {
  const std::string name40 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD";
  const std::string name32 = name40.substr(0, 32);
  ASSERT_EQ(RunSource(Lines({"  NOP", name40 + ": NOP", "  JMP " + name32})), 1) << AllErrors();
  ASSERT_NE(PassSym(name32), nullptr);
  EXPECT_EQ(PassSym(name32)->Value, 1);
  EXPECT_EQ(Hex4(W(3)), "F001");
}

TEST_F(Symbols, DuplicateLabel) {
  EXPECT_EQ(RunSource(Lines({"L1: NOP", "L1: NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(4, 2, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
  EXPECT_EQ(PassSym("L1")->Value, 0);
}

TEST_F(Symbols, OutOfSymbolSpaceIsFatal) {
  std::string src;
  for (int i = 1; i <= 8193; ++i) src += "S" + std::to_string(i) + " EQU " + std::to_string(i) + "\r\n";
  src += "  MVL UNKNOWN\r\n";
  EXPECT_EQ(RunSource(src), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(6, 8193, "Out of memory..."));
  EXPECT_EQ(asmForm->PassSymbols().Count(), 8192);
}

TEST_F(Symbols, SetAndDsFailuresAreRedefinitionErrors) {
  EXPECT_EQ(RunSource(Lines({"S SET NOPE", "V DS NOPE", "K EQU NOPE"})), 0);
  EXPECT_EQ(Errors(), 3) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(4, 1, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[1].rfind(E(4, 2, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[2], E(5, 3, "Undefined Symbol [NOPE]"));
}

TEST_F(Symbols, NamesLongerThan32AreKnownByTheirFirst32) {
  const std::string a = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD";
  const std::string b = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789WXYZ";
  EXPECT_EQ(RunSource(Lines({a + ": NOP", b + ": NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(4, 2, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
}

TEST_F(Symbols, ALongLabelIsFoundByItsFullName) {
  const std::string name40 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD";
  ASSERT_EQ(RunSource(Lines({"  NOP", name40 + ": NOP", "  JMP " + name40,
                             "K" + name40 + " EQU 5", "  MVL K" + name40})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(3)), "F001");
  EXPECT_EQ(Hex4(W(4)), "0605");
}

}  // namespace
}  // namespace kyvor::test
