// Directives and expressions: DB, DW, ORG, EQU, SET, DS, MEMAR, GLOBAL,
// END, canonical expression texts and selectors.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewDirective : public Review {};

TEST_F(ReviewDirective, DbPairsBytesAndDwTakesWords) {
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

TEST_F(ReviewDirective, DbWithForwardNamesIsPatched) {
  ASSERT_EQ(RunSource(Lines({"  DB HIGH LATE, LOW LATE", "  ORG 34H", "LATE: NOP"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0034);
}

TEST_F(ReviewDirective, OrgStartsNewSections) {
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

TEST_F(ReviewDirective, EquSetDsAndMemar) {
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

TEST_F(ReviewDirective, CanonicalExpressionTexts) {
  ASSERT_EQ(RunSource(Lines({"XA EQU 2+3", "XB EQU XA+1", "XC EQU 0-1", "XD EQU HIGH 1234H",
                             "XE EQU UP 123456H", "XF EQU LOW 1234H", "XG EQU HIGH LOW 1234H",
                             "XH EQU 10H-2", "XI EQU 1+2-4", "XJ EQU 1 + 2", "XK EQU 12H",
                             "XL EQU HIGH 1200H+34H"})),
            1)
      << AllErrors();
  struct E {
    const char* Name;
    int32_t Value;
    const char* Text;
  } expect[] = {{"XA", 5, "0005H"},       {"XB", 6, "0006H"},
                {"XC", -1, "0-0001H"},    {"XD", 0x12, "HIGH 1234H"},
                {"XE", 0x12, "UP 123456H"}, {"XF", 0x34, "LOW 1234H"},
                {"XG", 0x34, "LOW 1234H"}, {"XH", 14, "000EH"},
                {"XI", -1, "0-0001H"},    {"XJ", 3, "0003H"},
                {"XK", 0x12, "12H"},       {"XL", 0x12, "HIGH 1234H"}};
  for (const auto& e : expect) {
    const TAsmSymbol* s = PassSym(e.Name);
    ASSERT_NE(s, nullptr) << e.Name;
    EXPECT_EQ(s->Value, e.Value) << e.Name;
    EXPECT_EQ(s->Text, e.Text) << e.Name;
  }
}

TEST_F(ReviewDirective, SelectorsInOperands) {
  ASSERT_EQ(RunSource(Lines({"  MVL HIGH 1234H", "  MVL LOW 1234H", "  MVL UP 56789AH"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0612);
  EXPECT_EQ(W(1), 0x0634);
  EXPECT_EQ(W(2), 0x0656);
}

TEST_F(ReviewDirective, BadExpressionsAreUndefined) {
  EXPECT_EQ(RunSource(Lines({"XF EQU 2*3", "XG EQU (1)"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [2*3]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [(1)]"))) << AllErrors();
}

TEST_F(ReviewDirective, LeadingSignFails) {
  EXPECT_EQ(RunSource(Lines({"XG EQU -1"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [-1]"))) << AllErrors();
}

TEST_F(ReviewDirective, SetMayRedefineEquMayNot) {
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

TEST_F(ReviewDirective, CodeLabelNeedsItsColon) {
  EXPECT_EQ(RunSource(Lines({"LOOP NOP", "GOOD: NOP"})), 0);
  EXPECT_TRUE(HasError(E(8, 1, "Illegal Symbol [LOOP]"))) << AllErrors();
  EXPECT_EQ(PassSym("LOOP"), nullptr);
  ASSERT_NE(PassSym("GOOD"), nullptr);
}

TEST_F(ReviewDirective, LabelAloneOnItsLine) {
  ASSERT_EQ(RunSource(Lines({"  NOP", "HERE:", "  JMP HERE"})), 1) << AllErrors();
  EXPECT_EQ(PassSym("HERE")->Value, 1);
  EXPECT_EQ(W(1), 0xC200);
  EXPECT_EQ(W(2), 0xF001);
}

TEST_F(ReviewDirective, GlobalMustBeDefined) {
  ASSERT_EQ(RunSource(Lines({"  GLOBAL START", "START: NOP"})), 1) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  GLOBAL NOWHERE", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(5, 1, "Undefined Symbol [NOWHERE]")) ||
              AllErrors().find("Undefined Symbol [NOWHERE]") != std::string::npos)
      << AllErrors();
}

TEST_F(ReviewDirective, EndStopsReading) {
  ASSERT_EQ(RunSource(Lines({"  MVL 1", "  END", "  MVL 2", "GARBAGE LINE HERE"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(ReviewDirective, LbsrTakesBankNumbersOrAddresses) {
  ASSERT_EQ(RunSource(Lines({"B1 EQU 180H", "  LBSR 2", "  LBSR B1", "  LBSR 16"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0012);
  EXPECT_EQ(W(1), 0x0011);
}

TEST_F(ReviewDirective, OptionalLastOperandOnlyOneFewer) {
  EXPECT_EQ(RunSource(Lines({"  ADDF 80H"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  CPSG 80H"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  ADDF 80H, 1, 0, 1"})), 0);
  EXPECT_TRUE(HasError(E(14, 1, "Too many arguments..."))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  MVFF 12H"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
}

}  // namespace
}  // namespace kyvor::review
