// Macros: definitions, parameters substituted token by token, local labels,
// LOCAL, nesting, argument counts, cycles, EQU and SET in bodies.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class MacrosModel : public AsmFixture {};

TEST_F(MacrosModel, MacroNestingDepthIsLimited) {
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

TEST_F(MacrosModel, MacroCallWithABadLabelStillNests) {
  Write("m.asm", Crlf({"M MACRO", "  NOP", "  ENDM", "BAD M", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0),
            "Error(code:8)   " + Path("m.asm") + " 4: Illegal Symbol [BAD]");
}

TEST_F(MacrosModel, MacroLabelsAreLocalToEachExpansion) {
  Write("m.asm", Crlf({"WAIT MACRO R", "L1:  DCSZ R, 1", "  RJ L1", "  ENDM", "  WAIT 80H",
                      "  WAIT 81H"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  std::vector<std::string> w = Works();
  ASSERT_GE(w.size(), 8u);
  EXPECT_EQ(w[1], "Lab@0:  DCSZ 80H, 1");
  EXPECT_EQ(w[2], "  RJ Lab@0");
  EXPECT_EQ(w[5], "Lab@1:  DCSZ 81H, 1");
  EXPECT_EQ(w[6], "  RJ Lab@1");
  EXPECT_EQ(Word(0), 0x3680);
  EXPECT_EQ(Word(1), 0x7FFE);
  EXPECT_EQ(Word(2), 0x3681);
}

TEST_F(MacrosModel, ParametersAreSubstitutedTokenByToken) {
  Write("m.asm", Crlf({"OFFSET EQU 2", "ADD2 MACRO N", "  MVL N+OFFSET", "  MVL LOW N", "  ENDM",
                      "  ADD2 10H"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0612);
  EXPECT_EQ(Word(1), 0x0610);
}

TEST_F(MacrosModel, LongArgumentsAreNotCut) {
  // 40 characters: more than a symbol text holds.
  Write("m.asm", Crlf({"ONE MACRO P", "  DW P", "  ENDM",
                      "  ONE 1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 20);
}

TEST_F(MacrosModel, MacroArgumentCountMustMatch) {
  Write("m.asm", Crlf({"M2 MACRO A, B", "  MVL A", "  ENDM", "  M2 1"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:13)   " + Path("m.asm") + " 4: Missing argument...");
  Write("n.asm", Crlf({"M1 MACRO A", "  MVL A", "  ENDM", "  M1 1, 2"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:14)   " + Path("n.asm") + " 4: Too many arguments...");
}

TEST_F(MacrosModel, MacroWithoutEndmIsAnError) {
  Write("m.asm", Crlf({"  NOP", "OPEN MACRO", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:16)   " + Path("m.asm") + " 2: Illegal Macro... [ENDM]");
}

TEST_F(MacrosModel, StrayEndmAndNestedMacroAreIllegal) {
  Write("m.asm", Crlf({"  ENDM"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:16)   " + Path("m.asm") + " 1: Illegal Macro... [ENDM]");
  Write("n.asm", Crlf({"A MACRO", "B MACRO", "  ENDM"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:16)   " + Path("n.asm") + " 2: Illegal Macro... [B MACRO]");
}

TEST_F(MacrosModel, RecursiveMacrosAreCircular) {
  Write("m.asm", Crlf({"SELF MACRO", "  SELF", "  ENDM", "  SELF"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:21)   " + Path("m.asm") + " 2: Circular macro reference... [SELF]");
  // A calls B, B calls A: found as well, instead of expanding forever.
  Write("n.asm", Crlf({"PING MACRO", "  PONG", "  ENDM", "PONG MACRO", "  PING", "  ENDM", "  PING"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:21)   " + Path("n.asm") + " 5: Circular macro reference... [PING]");
}

TEST_F(MacrosModel, NestedMacrosDefinedInAnyOrderExpand) {
  Write("m.asm", Crlf({"OUTER MACRO X", "  INNER X", "  MVL 1", "  ENDM", "INNER MACRO Y",
                      "  MVL Y", "  ENDM", "  OUTER 7"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0607);
  EXPECT_EQ(Word(1), 0x0601);
}

TEST_F(MacrosModel, MacroCodeLabelsNeedAColon) {
  Write("m.asm", Crlf({"M MACRO", "L  NOP", "  ENDM", "  M"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:8)   " + Path("m.asm") + " 2: Illegal Symbol [L]");
}

TEST_F(MacrosModel, LocalNamesInsideAMacro) {
  Write("m.asm", Crlf({"M MACRO V", "CNT LOCAL TMP", "CNT EQU V", "  MVL CNT", "  ENDM", "  M 4"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0604);
}

class Macros : public HandOffFixture {};

// Builds macros M1..Mn, each calling the next; the last holds a NOP.
std::string Chain(int n) {
  std::string s;
  for (int i = n; i >= 1; --i) {
    s += "M" + std::to_string(i) + " MACRO\r\n";
    s += (i == n) ? std::string("  NOP\r\n") : "  M" + std::to_string(i + 1) + "\r\n";
    s += "  ENDM\r\n";
  }
  s += "  M1\r\n";
  return s;
}

TEST_F(Macros, LocalLabelsOfNestedMacros) {
  ASSERT_EQ(RunSource(Lines({"INNER MACRO", "LP: NOP", "  RJ LP", "  ENDM", "OUTER MACRO",
                             "  INNER", "  ENDM", "  OUTER", "  OUTER", "  INNER"})),
            1)
      << AllErrors();
  for (int a = 0; a < 6; a += 2) {
    EXPECT_EQ(Hex4(W(a)), "0000") << a;
    EXPECT_EQ(Hex4(W(a + 1)), "7FFE") << a;
  }
}

// EQU and SET inside a macro body.
TEST_F(Macros, SetAndEquInsideAMacroBody) {
  ASSERT_EQ(RunSource(Lines({"M MACRO", "S SET 5", "  MVL S", "  ENDM", "  M"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
  ASSERT_EQ(RunSource(Lines({"M MACRO V", "K EQU V", "  MVL K", "  ENDM", "  M 6"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0606");
  ASSERT_NE(FinalSym("K"), nullptr);
  EXPECT_EQ(FinalSym("K")->Value, 6);
}

TEST_F(Macros, SetInAMacroBodyExpandedTwice) {
  ASSERT_EQ(RunSource(Lines({"M MACRO V", "S SET V", "  MVL S", "  ENDM", "  M 1", "  M 2",
                             "  MVL S"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0601");
  EXPECT_EQ(Hex4(W(1)), "0602");
  EXPECT_EQ(Hex4(W(2)), "0602");
}

TEST_F(Macros, EquInAMacroBodyExpandedTwiceIsARedefinition) {
  EXPECT_EQ(RunSource(Lines({"M MACRO", "K EQU 1", "  ENDM", "  M", "  M"})), 0);
  EXPECT_TRUE(HasError(E(4, 2, "Duplicate label or redefining symbol [K]"))) << AllErrors();
}

TEST_F(Macros, CodeLabelsInAMacroBodyStillNeedTheirColon) {
  EXPECT_EQ(RunSource(Lines({"M MACRO", "L NOP", "  ENDM", "  M"})), 0);
  EXPECT_TRUE(HasError(E(8, 2, "Illegal Symbol [L]"))) << AllErrors();
}

TEST_F(Macros, MacroExpansionLongerThanALine) {
  // Five copies of a 39-character argument: every word is 20.
  const std::string p = "1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1";
  ASSERT_EQ(RunSource(Lines({"W5 MACRO P", "  DW P, P, P, P, P", "  ENDM", "  W5 " + p})), 1)
      << AllErrors();
  for (int a = 0; a < 5; ++a) EXPECT_EQ(W(a), 20) << a;
  EXPECT_EQ(asmForm->LocationCounter(), 5);
}

TEST_F(Macros, NestedCallWithAnArgumentFromALongLine) {
  // The inner call's line is longer than 160 characters once P is put in;
  // its last argument still reaches the inner macro whole.
  const std::string p = "1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1";
  ASSERT_EQ(RunSource(Lines({"IN5 MACRO A, B, C, D, E", "  DW A, B, C, D, E", "  ENDM",
                             "OUT MACRO P", "  IN5 P, P, P, P, P", "  ENDM", "  OUT " + p})),
            1)
      << AllErrors();
  for (int a = 0; a < 5; ++a) EXPECT_EQ(W(a), 20) << a;
}

TEST_F(Macros, ParametersAndExpressions) {
  ASSERT_EQ(RunSource(Lines({"ADDK MACRO P, Q", "  MVL P", "  ADDL Q+1", "  ENDM",
                             "  ADDK 5, 7", "  ADDK 1, 2"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0605);
  EXPECT_EQ(W(1), 0x0408);
  EXPECT_EQ(W(2), 0x0601);
  EXPECT_EQ(W(3), 0x0403);
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(Macros, OnlyWholeNamesAreReplaced) {
  ASSERT_EQ(RunSource(Lines({"AB EQU 7", "T1 MACRO A", "  MVL AB", "  ADDL A+AB", "  ENDM",
                             "  T1 2"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0607);
  EXPECT_EQ(W(1), 0x0409);
}

TEST_F(Macros, ReplacementsAreNotReplacedAgain) {
  ASSERT_EQ(RunSource(Lines({"XA EQU 1", "XB EQU 2", "SW MACRO XA, XB", "  MVL XA", "  ADDL XB",
                             "  ENDM", "  SW XB, XA"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0602);
  EXPECT_EQ(W(1), 0x0401);
}

TEST_F(Macros, ParameterNamedLikeItsArgument) {
  ASSERT_EQ(RunSource(Lines({"N EQU 4", "ID MACRO N", "  MVL N", "  ENDM", "  ID N", "  ID 6"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0604);
  EXPECT_EQ(W(1), 0x0606);
}

TEST_F(Macros, CodeLabelsAreLocalToEachExpansion) {
  ASSERT_EQ(RunSource(Lines({"WAIT MACRO R", "LP: DCSZ R, 1", "  RJ LP", "  ENDM", "  WAIT 80H",
                             "  WAIT 81H"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x3680);
  EXPECT_EQ(W(1), 0x7FFE);
  EXPECT_EQ(W(2), 0x3681);
  EXPECT_EQ(W(3), 0x7FFE);
  ASSERT_NE(PassSym("Lab@0"), nullptr);
  ASSERT_NE(PassSym("Lab@1"), nullptr);
  EXPECT_EQ(PassSym("Lab@0")->Value, 0);
  EXPECT_EQ(PassSym("Lab@1")->Value, 2);
  EXPECT_EQ(PassSym("LP"), nullptr);
}

TEST_F(Macros, BodyLabelWithoutColonIsIllegal) {
  EXPECT_EQ(RunSource(Lines({"BAD MACRO", "LP NOP", "  ENDM", "  BAD"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:8)", 0), 0u) << AllErrors();
}

TEST_F(Macros, LocalNamesAValueForTheExpansion) {
  ASSERT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL 3", "  MVL CNT", "  ENDM", "  LM"})), 1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0603);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(Macros, MacroCallsInsideMacros) {
  ASSERT_EQ(RunSource(Lines({"INNER MACRO V", "  MVL V", "  ENDM", "OUTER MACRO W", "  INNER W",
                             "  ADDL 1", "  ENDM", "  OUTER 9", "  NOP"})),
            1)
      << AllErrors();
  EXPECT_EQ(W(0), 0x0609);
  EXPECT_EQ(W(1), 0x0401);
  EXPECT_EQ(W(2), 0x0000);
  EXPECT_EQ(asmForm->LocationCounter(), 3);
}

TEST_F(Macros, ArgumentCounts) {
  EXPECT_EQ(RunSource(Lines({"TWO MACRO P, Q", "  MVL P", "  ENDM", "  TWO 1"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(13, 4, "Missing argument..."), 0), 0u)
      << AllErrors();

  EXPECT_EQ(RunSource(Lines({"TWO MACRO P, Q", "  MVL P", "  ENDM", "  TWO 1, 2, 3"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(14, 4, "Too many arguments..."), 0), 0u)
      << AllErrors();
}

TEST_F(Macros, RepeatedParameterName) {
  EXPECT_EQ(RunSource(Lines({"DUP MACRO P, P", "  MVL P", "  ENDM", "  DUP 1, 2"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:4)", 0), 0u) << AllErrors();
  EXPECT_NE(asmForm->ErrorTexts()[0].find("Duplicate label or redefining symbol"),
            std::string::npos);
}

TEST_F(Macros, SelfCallIsCircular) {
  EXPECT_EQ(RunSource(Lines({"REC MACRO", "  NOP", "  REC", "  ENDM", "  REC"})), 0);
  ASSERT_GE(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_EQ(t.rfind("Error(code:21)", 0), 0u) << t;
  const std::string tail = "Circular macro reference... [REC]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(Macros, MutualCallsEndWithAnError) {
  // MA's body names MB before MB is defined; either way the run must end
  // with an error instead of expanding without end.
  EXPECT_EQ(RunSource(Lines({"MA MACRO", "  MB", "  ENDM", "MB MACRO", "  MA", "  ENDM",
                             "  MA"})),
            0);
  EXPECT_GE(Errors(), 1);
}

TEST_F(Macros, AMacroUsedTwiceInsideAnotherIsNoCycle) {
  ASSERT_EQ(RunSource(Lines({"MB MACRO", "  NOP", "  ENDM", "MA MACRO", "  MB", "  MB", "  ENDM",
                             "  MA", "  MA"})),
            1)
      << AllErrors();
  EXPECT_EQ(asmForm->LocationCounter(), 4);
}

TEST_F(Macros, MissingEndmIsAnError) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "OPEN MACRO", "  MVL 1"})), 0);
  EXPECT_GE(Errors(), 1);
  EXPECT_EQ(asmForm->LocationCounter(), 0);
}

TEST_F(Macros, NestedDefinitionAndStrayEndm) {
  EXPECT_EQ(RunSource(Lines({"M1 MACRO", "M2 MACRO", "  ENDM", "  ENDM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:16)", 0), 0u) << AllErrors();
  EXPECT_NE(asmForm->ErrorTexts()[0].find("Illegal Macro..."), std::string::npos);

  EXPECT_EQ(RunSource(Lines({"  NOP", "  ENDM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  const std::string tail = "Illegal Macro... [ENDM]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);

  EXPECT_EQ(RunSource(Lines({"  MACRO", "  ENDM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_NE(asmForm->ErrorTexts()[0].find("Illegal Macro..."), std::string::npos);
}

TEST_F(Macros, ThirtyOneOpenCallsAreAllowed) {
  ASSERT_EQ(RunSource(Chain(31)), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0000);
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(Macros, ThirtyTwoOpenCallsAreTooDeep) {
  EXPECT_EQ(RunSource(Chain(32)), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_EQ(t.rfind("Error(code:19)", 0), 0u) << t;
  EXPECT_NE(t.find("Macro nested too deep...(Max:32)"), std::string::npos) << t;
}

TEST_F(Macros, LocalNeedsExactlyOneValueAndAFreshName) {
  EXPECT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL 3, 4", "  ENDM", "  LM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:14)", 0), 0u) << AllErrors();

  EXPECT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL", "  ENDM", "  LM"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:13)", 0), 0u) << AllErrors();

  EXPECT_EQ(RunSource(Lines({"LM MACRO P", "P LOCAL 3", "  ENDM", "  LM 1"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:4)", 0), 0u) << AllErrors();
}

TEST_F(Macros, ArgumentsToAMacroWithoutParameters) {
  EXPECT_EQ(RunSource(Lines({"Z MACRO", "  NOP", "  ENDM", "  Z 1"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(14, 4, "Too many arguments..."), 0), 0u)
      << AllErrors();
}

TEST_F(Macros, OneCharacterBodyLabel) {
  EXPECT_EQ(RunSource(Lines({"B MACRO", ": NOP", "  ENDM", "  B"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind("Error(code:8)", 0), 0u) << AllErrors();
}

TEST_F(Macros, LongArgumentIsNotCut) {
  // 33 characters: 1 + 2 + ... + 13 + 145 = 236.
  ASSERT_EQ(RunSource(Lines({"ONE MACRO P", "  DW P", "  ENDM",
                             "  ONE 1+2+3+4+5+6+7+8+9+10+11+12+13+145"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "00EC");
}

TEST_F(Macros, LongReplacementsAreCutNotOverrun) {
  const std::string p = "1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1";  // 20
  const uint8_t r = RunSource(Lines({"W5 MACRO P", "  DW P, P, P, P, P", "  ENDM", "  W5 " + p}));
  (void)r;
  EXPECT_EQ(W(0), 20);
  EXPECT_EQ(W(1), 20);
}

TEST_F(Macros, MacroArgumentsMayBeExpressions) {
  ASSERT_EQ(RunSource(Lines({"PAIR MACRO P, Q", "  MVL P", "  ADDL Q+1", "  ENDM",
                             "  PAIR 2+3, HIGH 1234H", "  PAIR LOW 1234H, 4"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
  EXPECT_EQ(Hex4(W(1)), "0412");  // HIGH applies to the whole expression 1234H+1
  EXPECT_EQ(Hex4(W(2)), "0634");
  EXPECT_EQ(Hex4(W(3)), "0405");
}

TEST_F(Macros, LabelOnAMacroCallLine) {
  ASSERT_EQ(RunSource(Lines({"ONE MACRO", "  MVL 1", "  ENDM", "  NOP", "HERE: ONE", "  RJ HERE"})),
            1)
      << AllErrors();
  EXPECT_EQ(PassSym("HERE")->Value, 1);
  EXPECT_EQ(Hex4(W(1)), "0601");
  EXPECT_EQ(Hex4(W(2)), "7FFE");
}

TEST_F(Macros, ErrorsInAnExpansionNameTheBodyLine) {
  EXPECT_EQ(RunSource(Lines({"BADM MACRO", "  NOP", "  MVL NOPE", "  ENDM", "  NOP", "  BADM"})),
            0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(5, 3, "Undefined Symbol [NOPE]"));
}

TEST_F(Macros, MacroDefinedInAnInclude) {
  Write("MAC.INC", Lines({"TWICE MACRO V", "  MVL V", "  MVL NOPE", "  ENDM"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE MAC.INC", "  TWICE 4"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(5, 3, "Undefined Symbol [NOPE]", "MAC.INC"));
  EXPECT_EQ(Hex4(W(0)), "0604");
}

TEST_F(Macros, AKnownMacroNameIsACallNotANewDefinition) {
  // The first word of the second "M MACRO" is a known macro: the line is a
  // call, and the ENDM after it has no MACRO.
  EXPECT_EQ(RunSource(Lines({"M MACRO", "  MVL 1", "  ENDM", "M MACRO", "  MVL 2", "  ENDM", "  M"})),
            0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  const std::string& t = asmForm->ErrorTexts()[0];
  EXPECT_EQ(t.rfind("Error(code:16)", 0), 0u) << t;
  const std::string tail = "Illegal Macro... [ENDM]";
  ASSERT_GE(t.size(), tail.size());
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
}

TEST_F(Macros, LongLocalValue) {
  ASSERT_EQ(RunSource(Lines({"LM MACRO", "CNT LOCAL 1+2+3+4+5+6+7+8+9+10+11+12+13+145",
                             "  DW CNT", "  ENDM", "  LM"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "00EC");
}

TEST_F(Macros, ALongMacroNameCanBeCalled) {
  const std::string name(70, 'M');
  ASSERT_EQ(RunSource(Lines({name + " MACRO", "  MVL 7", "  ENDM", "  " + name})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0607");
  EXPECT_EQ(asmForm->LocationCounter(), 1);
}

TEST_F(Macros, ALongLocalLabelIsFoundInTheExpansion) {
  const std::string label(40, 'L');
  ASSERT_EQ(RunSource(Lines({"M MACRO", label + ": NOP", "  JMP " + label, "  ENDM", "  M"})), 1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(2)), "F000");  // the second word: the label at 0
}

}  // namespace
}  // namespace kyvor::test
