// Source reader and preprocessor: splitting, includes, DEFINE, conditions
// and macros.
#include "asm_fixture.h"

namespace kyvor::test {
namespace {

class ReaderTest : public AsmFixture {
 protected:
  // Texts of the main list's lines, in order.
  std::vector<std::string> Works() const {
    std::vector<std::string> v;
    for (auto* n = asmForm->MainLines().First(); n; n = n->Next) v.emplace_back(n->Line.WorkText);
    return v;
  }
  std::string FirstError() const { return host->Errors.Count() ? host->Errors.Text(0) : ""; }
};

TEST_F(ReaderTest, SplitsLabelMnemonicOperandsAndComment) {
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

TEST_F(ReaderTest, RestrictedIncludeFailsEvenWhenMissing) {
  Chip().RestrictList[0] = "SECRET.INC";
  Chip().RestrictCount = 1;
  Write("m.asm", Crlf({"  INCLUDE secret.inc", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:53)   " + Path("m.asm") + " 1: Illegal file [SECRET.INC]");
}

TEST_F(ReaderTest, AFileIsIncludedOnlyOnce) {
  Write("a.inc", Crlf({"  NOP"}));
  Write("m.asm", Crlf({"  INCLUDE A.INC", "  INCLUDE a.inc"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(),
            "Error(code:20)   " + Path("m.asm") + " 2: Circular file reference... [" + Path("a.inc") + "]");
}

TEST_F(ReaderTest, IncludeLookupIgnoresCaseAndTakesBackslashes) {
  Write("Sub/Deep.Inc", Crlf({"  MVL 2"}));
  Write("Lib.inc", Crlf({"  MVL 1", "  INCLUDE SUB\\DEEP.INC"}));
  Write("m.asm", Crlf({"  INCLUDE LIB.INC", "  MVL 3"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0601);
  EXPECT_EQ(Word(1), 0x0602);
  EXPECT_EQ(Word(2), 0x0603);
  ASSERT_EQ(asmForm->SourceFiles().size(), 3u);
  EXPECT_EQ(asmForm->SourceFiles()[2], Path("Sub/Deep.Inc"));
}

TEST_F(ReaderTest, MissingIncludeCannotBeOpened) {
  Write("m.asm", Crlf({"  INCLUDE NONE.INC"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Couldn't open source file [" + Path("NONE.INC") + "]");
  EXPECT_EQ(host->Errors.Line(0), 1);  // stored as line 1
}

TEST_F(ReaderTest, IncludeWithoutANameOpensNothing) {
  Write("m.asm", Crlf({"  INCLUDE", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(FirstError().rfind("Couldn't open source file [", 0), 0u) << FirstError();
}

TEST_F(ReaderTest, EndInsideAnIncludeStopsEveryFile) {
  Write("a.inc", Crlf({"  MVL 1", "  END", "  MVL 2"}));
  Write("m.asm", Crlf({"  MVL 0", "  INCLUDE A.INC", "  MVL 3"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0600);
  EXPECT_EQ(Word(1), 0x0601);
  EXPECT_EQ(asmForm->ImageCell(2).LineSeq, 0);
}

TEST_F(ReaderTest, DefineSeparatorsAndConditions) {
  Write("m.asm", Crlf({"  DEFINE X = 5", "  DEFINE Y, 5", "  IF X, Y", "  MVL 1", "  ELSE",
                      "  MVL 2", "  ENDIF", "  IF FALSE", "  MVL 3", "  ELSE", "  MVL 4",
                      "  ENDIF", "  MVL 5"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0601);
  EXPECT_EQ(Word(1), 0x0604);
  EXPECT_EQ(Word(2), 0x0605);
}

TEST_F(ReaderTest, DefineNeedsASeparator) {
  Write("m.asm", Crlf({"  DEFINE X 5"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:13)   " + Path("m.asm") + " 1: Missing argument... []");
}

TEST_F(ReaderTest, DefineAndMacroTakeEffectInAFalsePart) {
  Write("m.asm", Crlf({"  IF FALSE", "  DEFINE ON = 1", "TWO MACRO", "  MVL 2", "  ENDM",
                      "  MVL 9", "  ENDIF", "  IF ON", "  TWO", "  ENDIF"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0602);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(ReaderTest, UnknownConditionNameIsUndefined) {
  Write("m.asm", Crlf({"  IF NOTDEFINED", "  ENDIF"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:5)   " + Path("m.asm") + " 1: Undefined Symbol [NOTDEFINED]");
}

TEST_F(ReaderTest, MacroLabelsAreLocalToEachExpansion) {
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

TEST_F(ReaderTest, ParametersAreSubstitutedTokenByToken) {
  Write("m.asm", Crlf({"OFFSET EQU 2", "ADD2 MACRO N", "  MVL N+OFFSET", "  MVL LOW N", "  ENDM",
                      "  ADD2 10H"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0612);
  EXPECT_EQ(Word(1), 0x0610);
}

TEST_F(ReaderTest, LongArgumentsAreNotCut) {
  // 40 characters: more than a symbol text holds.
  Write("m.asm", Crlf({"ONE MACRO P", "  DW P", "  ENDM",
                      "  ONE 1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 20);
}

TEST_F(ReaderTest, MacroArgumentCountMustMatch) {
  Write("m.asm", Crlf({"M2 MACRO A, B", "  MVL A", "  ENDM", "  M2 1"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:13)   " + Path("m.asm") + " 4: Missing argument...");
  Write("n.asm", Crlf({"M1 MACRO A", "  MVL A", "  ENDM", "  M1 1, 2"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:14)   " + Path("n.asm") + " 4: Too many arguments...");
}

TEST_F(ReaderTest, MacroWithoutEndmIsAnError) {
  Write("m.asm", Crlf({"  NOP", "OPEN MACRO", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:16)   " + Path("m.asm") + " 2: Illegal Macro... [ENDM]");
}

TEST_F(ReaderTest, StrayEndmAndNestedMacroAreIllegal) {
  Write("m.asm", Crlf({"  ENDM"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:16)   " + Path("m.asm") + " 1: Illegal Macro... [ENDM]");
  Write("n.asm", Crlf({"A MACRO", "B MACRO", "  ENDM"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:16)   " + Path("n.asm") + " 2: Illegal Macro... [B MACRO]");
}

TEST_F(ReaderTest, RecursiveMacrosAreCircular) {
  Write("m.asm", Crlf({"SELF MACRO", "  SELF", "  ENDM", "  SELF"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:21)   " + Path("m.asm") + " 2: Circular macro reference... [SELF]");
  // A calls B, B calls A: found as well, instead of expanding forever.
  Write("n.asm", Crlf({"PING MACRO", "  PONG", "  ENDM", "PONG MACRO", "  PING", "  ENDM", "  PING"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:21)   " + Path("n.asm") + " 5: Circular macro reference... [PING]");
}

TEST_F(ReaderTest, NestedMacrosDefinedInAnyOrderExpand) {
  Write("m.asm", Crlf({"OUTER MACRO X", "  INNER X", "  MVL 1", "  ENDM", "INNER MACRO Y",
                      "  MVL Y", "  ENDM", "  OUTER 7"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0607);
  EXPECT_EQ(Word(1), 0x0601);
}

TEST_F(ReaderTest, MacroCodeLabelsNeedAColon) {
  Write("m.asm", Crlf({"M MACRO", "L  NOP", "  ENDM", "  M"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Error(code:8)   " + Path("m.asm") + " 2: Illegal Symbol [L]");
}

TEST_F(ReaderTest, LocalNamesInsideAMacro) {
  Write("m.asm", Crlf({"M MACRO V", "CNT LOCAL TMP", "CNT EQU V", "  MVL CNT", "  ENDM", "  M 4"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0604);
}

TEST_F(ReaderTest, LinesAreUpperCasedButBig5IsKept) {
  // "\xA4\x61" is a Big5 character whose second byte is the letter a.
  Write("m.asm", std::string("  nop ; \xA4\x61 b\r\n"));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(asmForm->MainLines().First()->Line.Text, std::string("  NOP ; \xA4\x61 B"));
}

}  // namespace
}  // namespace kyvor::test

namespace kyvor::test {
namespace {

class ObjectImportTest : public AsmFixture {};

// One 19-byte code record: three operand descriptors and the word.
std::string CodeRecord(std::initializer_list<std::pair<unsigned char, const char*>> descs,
                       const char* word) {
  std::string s;
  int n = 0;
  for (auto& d : descs) {
    s += static_cast<char>(d.first);
    s += d.second;
    ++n;
  }
  for (; n < 3; ++n) s += "\x8D" "0000";
  s += word;
  return s;
}

TEST_F(ObjectImportTest, ObjectLinesAreRelocatedAndItsSymbolsImported) {
  std::string obj;
  // GLOBAL SUB: a code label at offset 2 of the object.
  obj += "\x84" "L" "00" "03" "SUB" "\x85" "\x86" "00000002" "\x87";
  obj += "\x80" "00000002" "\x81";
  obj += "\x82";
  obj += CodeRecord({{0x8D, "0000"}}, "0605");          // MVL 05h, absolute
  obj += CodeRecord({{0x8D, "0004"}}, "0602");          // MVL LOW (02h + load address)
  obj += CodeRecord({{0x8D, "0000"}}, "000A");          // RET
  obj += "\x88";
  Write("lib.obj", obj);
  Write("m.asm", Crlf({"  NOP", "  NOP", "  INCLUDE LIB.OBJ", "  CALL SUB"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << (host->Errors.Count() ? host->Errors.Text(0) : "");
  EXPECT_EQ(Word(2), 0x0605);
  EXPECT_EQ(Word(3), 0x0604);
  EXPECT_EQ(Word(4), 0x000A);
  EXPECT_EQ(Word(5), 0xC000);
  EXPECT_EQ(Word(6), 0xF004);  // SUB = 2 + load address 2
  // The object's lines carry its file index; it gets no source page.
  EXPECT_EQ(up->GetSourceFileIndex(3), 1);
  ASSERT_EQ(host->LoadedFiles.size(), 1u);
  EXPECT_EQ(host->LoadedFiles[0], Path("m.asm"));
  // The imported label shows in the map with its load address.
  EXPECT_NE(Read("m.map").find("                             SUB     Program      0x0004"),
            std::string::npos);
}

TEST_F(ObjectImportTest, BrokenObjectIsReported) {
  Write("bad.obj", std::string("\x80" "00000001" "\x81" "\x82" "\x8D" "00", 14));
  Write("m.asm", Crlf({"  INCLUDE BAD.OBJ"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0), "Illegal Macro... [Error Code]");
}

}  // namespace
}  // namespace kyvor::test
