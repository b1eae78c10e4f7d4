// Object files: written by one program (its GLOBAL and EXTERN names, one
// record per address), included as source by another (relocation, imported
// symbols, no source page, damaged streams), and the round trip between both.
#include "asm_fixture.h"
#include "base/numbers.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class ObjectFilesModel : public AsmFixture {};

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

TEST_F(ObjectFilesModel, ObjectLinesAreRelocatedAndItsSymbolsImported) {
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

TEST_F(ObjectFilesModel, BrokenObjectIsReported) {
  const std::string header("\x80" "00000000" "\x81" "\x82");
  const std::string broken[] = {
      std::string("\x80" "00000001" "\x81" "\x82" "\x8D" "00", 14),
      // An operand value record of operand 7, and one cut short.
      "\x9C" "00000000" "7" "00000001" "\x9D" + header + CodeRecord({}, "0000") + "\x88",
      std::string("\x9C" "00000000" "1" "0000"),
      // An EXTERN name with an offset that the object does not give.
      "\x89" "02" "EX" "\x8A\x8B" "00000000" "\x8C" + header +
          CodeRecord({{0x94, "   1"}}, "0602") + "\x88",
  };
  for (const std::string& obj : broken) {
    Write("bad.obj", obj);
    Write("m.asm", Crlf({"EX: NOP", "  INCLUDE BAD.OBJ"}));
    EXPECT_EQ(Assemble("m.asm"), 0);
    ASSERT_EQ(host->Errors.Count(), 1);
    EXPECT_EQ(host->Errors.Text(0), "Illegal Macro... [Error Code]");
  }
}

class ObjectFiles : public HandOffFixture {
 protected:
  static std::string Record(const char* hi, const char* lo) {
    std::string r;
    for (int i = 0; i < 3; ++i) r += std::string("\x8D") + "0000";
    return r + hi + lo;
  }
  static std::string Object() {
    std::string s;
    s += "\x84";
    s += "C00" "03" "ABC";
    s += "\x85\x86";
    s += "00000012";
    s += "\x87";
    s += "\x80";
    s += "00000001";
    s += "\x81\x82";
    s += Record("06", "05");
    s += Record("00", "00");
    s += "\x88";
    return s;
  }
};

TEST_F(ObjectFiles, CodeAndConstantsOfAnObject) {
  Write("PART.OBJ", Object());
  ASSERT_EQ(RunSource(Lines({"  INCLUDE PART.OBJ", "  MVL ABC"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
  EXPECT_EQ(Hex4(W(1)), "0000");
  EXPECT_EQ(Hex4(W(2)), "0612");
  ASSERT_NE(FinalSym("ABC"), nullptr);
  EXPECT_EQ(FinalSym("ABC")->Value, 0x12);
  EXPECT_EQ(FinalSym("ABC")->Kind, 'C');
  ASSERT_EQ(target->Symbols.size(), 1u);
  EXPECT_EQ(target->Symbols[0].Name, "ABC");
  // No source page for the object; its words carry its file index.
  ASSERT_EQ(host->Loaded.size(), 1u);
  EXPECT_EQ(host->Loaded[0], P("main.asm"));
  EXPECT_EQ(target->Words[0].File, 1);
  EXPECT_EQ(target->Words[2].File, 0);
  const std::string lst = Read("main.lst");
  EXPECT_NE(lst.find("  M   0000  0605    MVL       0005H\r\n"), std::string::npos) << lst;
}

TEST_F(ObjectFiles, ObjectSuffixInAnyCase) {
  Write("part.obj", Object());
  ASSERT_EQ(RunSource(Lines({"  INCLUDE part.obj"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "0605");
}

TEST_F(ObjectFiles, DamagedObjectIsReported) {
  Write("BAD.OBJ", "hello, world");
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE BAD.OBJ"})), 0);
  EXPECT_GE(Errors(), 1);
  Write("CUT.OBJ", Object().substr(0, 40));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE CUT.OBJ"})), 0);
  EXPECT_GE(Errors(), 1);
}

TEST_F(ObjectFiles, PagesAfterAnObjectStayAligned) {
  // The object takes no page: SUB.INC is the second page, not the third.
  Write("PART.OBJ", Object());
  Write("SUB.INC", Lines({"  MVL 5"}));
  ASSERT_EQ(RunSource(Lines({"  INCLUDE PART.OBJ", "  INCLUDE SUB.INC", "  NOP"})), 1)
      << AllErrors();
  ASSERT_EQ(host->Loaded.size(), 2u);
  EXPECT_EQ(host->Loaded[1], P("SUB.INC"));
  bool found = false;
  for (const auto& i : host->LineInfo) {
    if (i.Slot == 0 && i.Value == 2) {
      EXPECT_EQ(i.Page, 2);
      EXPECT_EQ(i.Line, 1);
      found = true;
    }
    EXPECT_LE(i.Page, 2) << "no line lands beyond the loaded pages";
  }
  EXPECT_TRUE(found);
  ASSERT_GE(target->Words.size(), 4u);
  EXPECT_EQ(target->Words[2].Line, 1);
  EXPECT_EQ(target->Words[2].File, 1);  // page 2
  EXPECT_EQ(target->Words[3].Line, 3);
  EXPECT_EQ(target->Words[3].File, 0);
  EXPECT_EQ(target->Words[0].File, 1);  // the object's own index; it has no line
  EXPECT_EQ(target->Words[0].Line, 0);
}

TEST_F(ObjectFiles, MacroRecordsAfterAnObjectNameTheirPage) {
  Write("PART.OBJ", Object());
  Write("SUB.INC", Lines({"M MACRO", "  NOP", "  ENDM", "  M"}));
  ASSERT_EQ(RunSource(Lines({"  INCLUDE PART.OBJ", "  INCLUDE SUB.INC"})), 1) << AllErrors();
  ASSERT_FALSE(host->Records.empty());
  for (const auto& r : host->Records) {
    EXPECT_EQ(r.second.ParentFile, 1) << r.first;
    EXPECT_EQ(r.second.ChildFile, 1) << r.first;
  }
}

// A library with GLOBAL names of each kind and code with every kind of
// operand: label parts, two-word instructions, relative branches, data.
const std::string kLibrary = Crlf({
    "        GLOBAL  START, SUB, TABLE, LIMIT, FLAGS",
    "LIMIT   EQU     20H",
    "        MEMAR   80H",
    "FLAGS   DS      1",
    "        ORG     0",
    "START:  MVL     LOW TABLE",
    "        MVL     HIGH TABLE",
    "        MVL     LOW TABLE+1",
    "        MVF     FLAGS, 1",
    "        CALL    SUB",
    "        JMP     NEXT",
    "NEXT:   MVFF    FLAGS, 81H",
    "        LDPR    FLAGS, 1",
    "        MVLP    TABLE",
    "LOOP:   DCSZ    FLAGS, 1",
    "        RJ      LOOP",
    "        JZ      LOOP",
    "        RCALL   SUB",
    "SUB:    MVL     LIMIT",
    "        RET",
    "TABLE:  DW      0, 1",
});

TEST_F(ObjectFilesModel, WrittenObjectAssemblesBackToTheSameWords) {
  Write("lib.asm", kLibrary);
  options.OutBinarySplitFile = 1;
  ASSERT_EQ(Assemble("lib.asm"), 1) << FirstError();
  ASSERT_TRUE(Exists("lib.obj"));
  const int32_t highest = asmForm->HighestAddress();
  ASSERT_EQ(highest, 0x15);
  const int32_t sub = Label("SUB");
  std::vector<uint16_t> words;
  for (int32_t a = 0; a <= highest; ++a) words.push_back(Word(a));

  options.OutBinarySplitFile = 0;
  Write("m.asm", Crlf({"  INCLUDE LIB.OBJ", "  CALL SUB", "  MVL LIMIT", "  MVF FLAGS, 1"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  for (int32_t a = 0; a <= highest; ++a) EXPECT_EQ(Word(a), words[a]) << "address " << a;
  // The object's GLOBAL names serve the including program.
  EXPECT_EQ(Word(highest + 1), 0xC000);
  EXPECT_EQ(Word(highest + 2), 0xF000 + sub);
  EXPECT_EQ(Word(highest + 3), 0x0620);
  EXPECT_EQ(Word(highest + 4), 0x6680);
}

TEST_F(ObjectFilesModel, WrittenObjectMovesWithItsLoadAddress) {
  // One-word instructions only: label parts and GLOBAL labels move, data
  // addresses and constants stay.
  Write("lib.asm", Crlf({"        GLOBAL  ENTRY, VAR", "        MEMAR   80H", "VAR     DS      1",
                         "TMP     DS      1", "ENTRY:  MVL     LOW TABLE",
                         "        MVL     HIGH TABLE-1", "        MVF     VAR, 1",
                         "        MVF     TMP, 1", "        CLRF    90H", "        RET",
                         "TABLE:  DW      0"}));
  options.OutBinarySplitFile = 1;
  ASSERT_EQ(Assemble("lib.asm"), 1) << FirstError();
  options.OutBinarySplitFile = 0;
  std::string lead;
  for (int i = 0; i < 0x103; ++i) lead += "  NOP\r\n";
  Write("m.asm", lead + Crlf({"  INCLUDE LIB.OBJ", "  MVL LOW ENTRY"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  const int base = 0x103;
  EXPECT_EQ(Word(base + 0), 0x0600 + ((base + 6) & 0xFF));         // LOW TABLE
  EXPECT_EQ(Word(base + 1), 0x0600 + (((base + 5) >> 8) & 0xFF));  // HIGH TABLE-1
  EXPECT_EQ(Word(base + 2), 0x6680);                                // VAR stays at 80H
  EXPECT_EQ(Word(base + 3), 0x6681);                                // and TMP at 81H
  EXPECT_EQ(Word(base + 4), 0x0C90);                                // CLRF 90H
  EXPECT_EQ(Word(base + 7), 0x0600 + (base & 0xFF));                // LOW ENTRY
}

TEST_F(ObjectFilesModel, TwoWordTargetsMoveWholeWithTheLoadAddress) {
  // CALL, JMP and MVLP carry their target over two words (bits 12 and up in
  // the first, the low 12 bits in the NOPF word): an object placed elsewhere
  // moves the whole address, across a 4K boundary too.
  Chip().ChipRomWords = 8192;
  const std::string body =
      Crlf({"        GLOBAL  ENTRY", "ENTRY:  CALL    SUB", "        JMP     ENTRY",
            "        MVLP    TABLE", "SUB:    RET", "TABLE:  DW      0"});
  Write("lib.asm", body);
  options.OutBinarySplitFile = 1;
  ASSERT_EQ(Assemble("lib.asm"), 1) << FirstError();
  const int32_t highest = asmForm->HighestAddress();
  ASSERT_EQ(highest, 7);
  options.OutBinarySplitFile = 0;
  for (const int base : {3, 0xFFD}) {
    const std::string org = "        ORG     " + IntToHexPad(base, 4) + "H\r\n";
    Write("ref.asm", org + body);
    ASSERT_EQ(Assemble("ref.asm"), 1) << FirstError();
    std::vector<uint16_t> words;
    for (int32_t a = 0; a <= highest; ++a) words.push_back(Word(base + a));
    Write("m.asm", org + Crlf({"  INCLUDE LIB.OBJ"}));
    ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
    for (int32_t a = 0; a <= highest; ++a)
      EXPECT_EQ(Word(base + a), words[a]) << "base " << base << " address " << a;
  }
  // At 3: CALL SUB to 3 + 6, JMP ENTRY to 3. At 0xFFD: SUB lies at 0x1003.
  Write("m.asm", Crlf({"        ORG     3", "  INCLUDE LIB.OBJ"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(3), 0xC000);
  EXPECT_EQ(Word(4), 0xF009);
  EXPECT_EQ(Word(6), 0xF003);
  Write("m.asm", Crlf({"        ORG     0FFDH", "  INCLUDE LIB.OBJ"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0xFFD), 0xC001);
  EXPECT_EQ(Word(0xFFE), 0xF003);
}

// A library whose one word takes a part of its GLOBAL label TBL, assembled
// into an object and included at `base` by another program.
class ObjectPartsModel : public ObjectFilesModel {
 protected:
  void SetUp() override {
    ObjectFilesModel::SetUp();
    Chip().ChipRomWords = 16384;
  }
  // The word at `base` after including the object of `lib` there.
  uint16_t IncludedAt(int base, std::initializer_list<const char*> lib) {
    Write("lib.asm", Crlf(lib));
    options.OutBinarySplitFile = 1;
    EXPECT_EQ(Assemble("lib.asm"), 1) << FirstError();
    options.OutBinarySplitFile = 0;
    Write("use.asm", "        ORG     0" + IntToHexPad(base, 4) + "H\r\n" +
                         Crlf({"        INCLUDE LIB.OBJ"}));
    EXPECT_EQ(Assemble("use.asm"), 1) << FirstError();
    return Word(base);
  }
};

TEST_F(ObjectPartsModel, HighAndUpOfARelocatedLabelTakeThePartOfTheWholeAddress) {
  // TBL = 150H in the object, 1150H in the program: its own high byte counts.
  EXPECT_EQ(IncludedAt(0x1000, {"        GLOBAL  TBL", "        MVL     HIGH TBL",
                                "        ORG     150H", "TBL:    DW      1"}),
            0x0611);
  // TBL = 0DH, loaded at 0FF8H: 1005H, the low byte carries into the high one.
  EXPECT_EQ(IncludedAt(0xFF8, {"        GLOBAL  TBL", "        MVL     HIGH TBL",
                               "        ORG     0DH", "TBL:    DW      1"}),
            0x0610);
  EXPECT_EQ(IncludedAt(0xFF8, {"        MVL     HIGH TBL-6", "        ORG     0DH",
                               "TBL:    DW      1"}),
            0x060F);  // 0FFFH
  // UP: 150H + 1FFFFH = 2014FH in the object, 2114FH loaded at 1000H.
  EXPECT_EQ(IncludedAt(0x1000, {"        MVL     UP TBL+1FFFFH", "        ORG     150H",
                                "TBL:    DW      1"}),
            0x0602);
  // 0DH + 0F000H carries into bits 16 and up once loaded at 1000H.
  EXPECT_EQ(IncludedAt(0x1000, {"        MVL     UP TBL+0F000H", "        ORG     0DH",
                                "TBL:    DW      1"}),
            0x0601);
  // A whole value whose first hex digit is a letter: 0A150H + 1000H.
  EXPECT_EQ(IncludedAt(0x1000, {"        MVL     HIGH TBL+0A000H", "        ORG     150H",
                                "TBL:    DW      1"}),
            0x06B1);
  // LOW was right before and stays so.
  EXPECT_EQ(IncludedAt(0xFF8, {"        MVL     LOW TBL", "        ORG     0DH",
                               "TBL:    DW      1"}),
            0x0605);
}

TEST_F(ObjectPartsModel, PartsOfAnIncludedObjectMoveAgainInTheObjectOfTheIncludingProgram) {
  // LIB1's TBL (0DH) lies at 1005H in LIB2, which includes it at 0FF8H, and
  // at 1100H in the program that includes LIB2 at 0FBH.
  Write("lib1.asm", Crlf({"        MVL     HIGH TBL", "        ORG     0DH", "TBL:    DW      1"}));
  options.OutBinarySplitFile = 1;
  ASSERT_EQ(Assemble("lib1.asm"), 1) << FirstError();
  Write("lib2.asm", Crlf({"        ORG     0FF8H", "        INCLUDE LIB1.OBJ"}));
  ASSERT_EQ(Assemble("lib2.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0xFF8), 0x0610);
  options.OutBinarySplitFile = 0;
  Write("m.asm", Crlf({"        ORG     0FBH", "        INCLUDE LIB2.OBJ"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0x10F3), 0x0611);
}

TEST_F(ObjectPartsModel, WholeValuesOfPartsGoWithTheObject) {
  Write("lib.asm", Crlf({"        MVL     HIGH TBL", "        MVL     LOW TBL",
                         "        MVL     UP TBL-1", "TBL:    DW      1"}));
  options.OutBinarySplitFile = 1;
  ASSERT_EQ(Assemble("lib.asm"), 1) << FirstError();
  const std::string obj = Read("lib.obj");
  // One record for each UP and HIGH part, before the code header; none for LOW.
  EXPECT_EQ(obj.substr(0, 39), std::string("\x9C" "00000000" "1" "00000003" "\x9D"
                                           "\x9C" "00000002" "1" "00000002" "\x9D"
                                           "\x80", 39));
}

TEST_F(ObjectPartsModel, PartsOfObjectsWithoutWholeValuesMoveOnlyWhereTheyStayRight) {
  // Objects that keep only the selected byte of a label of theirs: HIGH (00)
  // and UP (01).
  const std::string header("\x80" "00000000" "\x81" "\x82");
  Write("high.obj", header + CodeRecord({{0x8D, "0003"}}, "0600") + "\x88");
  Write("up.obj", header + CodeRecord({{0x8D, "0002"}}, "0601") + "\x88");
  // Where the load address has no bits below the byte, nothing can carry
  // into it: HIGH at 1000H is 10H, UP at 0 stays 1.
  Write("m.asm", Crlf({"        ORG     1000H", "        INCLUDE HIGH.OBJ"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0x1000), 0x0610);
  Write("m.asm", Crlf({"        INCLUDE UP.OBJ"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0601);
  // Elsewhere the lower bytes of the label are unknown and may carry: refused.
  Write("m.asm", Crlf({"        ORG     0FF8H", "        INCLUDE HIGH.OBJ"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0),
            "Error(code:9)   " + Path("high.obj") + " : Illegal argument [HIGH       0000H]");
  Write("m.asm", Crlf({"        ORG     1000H", "        INCLUDE UP.OBJ"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0),
            "Error(code:9)   " + Path("up.obj") + " : Illegal argument [UP       10000H]");
}

TEST_F(ObjectFilesModel, ExternNamesInExpressionsMakeTheRoundTrip) {
  // Assemble & Debug knows no EXTERN name.
  Write("lib.asm", Crlf({"        EXTERN  EXSUB", "        MVL     LOW EXSUB"}));
  EXPECT_EQ(Assemble("lib.asm"), 0);
  EXPECT_EQ(FirstError(), Err(5, 2, "Undefined Symbol [EXSUB]", "lib.asm"));
  // Plain Assemble counts an EXTERN name as its number (EXSUB is 2); the
  // including program defines it (1F0H) and the words take its value.
  Write("lib.asm", Crlf({"        EXTERN  FIRST, EXSUB", "        GLOBAL  GO",
                         "GO:     MVL     LOW EXSUB", "        MVL     HIGH EXSUB",
                         "        MVL     UP EXSUB", "        MVL     EXSUB+1",
                         "        MVL     EXSUB-1", "        MVL     HIGH EXSUB+12CH",
                         "        MVL     UP EXSUB+0FF00H", "        MVL     LOW EXSUB-0F1H",
                         "        CALL    EXSUB+1", "        RCALL   EXSUB+2",
                         "        RCALL   EXSUB", "        CALL    FIRST", "        RET"}));
  options.OutBinarySplitFile = 1;
  options.AssembleOnly = 1;
  ASSERT_EQ(Assemble("lib.asm"), 1) << FirstError();
  const uint16_t lib[] = {0x0602, 0x0600, 0x0600, 0x0603, 0x0601,
                          0x0601, 0x0600, 0x0611, 0xC000, 0xF003};
  for (int a = 0; a < 10; ++a) EXPECT_EQ(Word(a), lib[a]) << "address " << a;
  options.OutBinarySplitFile = 0;
  options.AssembleOnly = 0;
  Write("use.asm", Crlf({"        GLOBAL  EXSUB", "        INCLUDE LIB.OBJ", "        ORG     1F0H",
                         "EXSUB:  RET", "FIRST:  RET"}));
  ASSERT_EQ(Assemble("use.asm"), 1) << FirstError();
  const uint16_t use[] = {0x06F0, 0x0601, 0x0600, 0x06F1, 0x06EF, 0x0603, 0x0601, 0x06FF,
                          0xC000, 0xF1F1, 0xC800 + 0x1F2 - 10 - 1, 0xC800 + 0x1F0 - 11 - 1,
                          0xC000, 0xF1F1, 0x000A};
  for (int a = 0; a < 15; ++a) EXPECT_EQ(Word(a), use[a]) << "address " << a;
}

TEST_F(ObjectFilesModel, ExternNameSubtractedIsRefusedInAnObject) {
  // The object carries one name and its offset: a name subtracted, or two
  // names, cannot be written back; no object is written.
  Write("lib.asm", Crlf({"        EXTERN  EXA, EXB", "        MVL     5-EXA"}));
  options.OutBinarySplitFile = 1;
  options.AssembleOnly = 1;
  EXPECT_EQ(Assemble("lib.asm"), 0);
  EXPECT_EQ(FirstError(), Err(9, 2, "Illegal argument [5-EXA]", "lib.asm"));
  EXPECT_FALSE(Exists("lib.obj"));
  Write("lib.asm", Crlf({"        EXTERN  EXA, EXB", "        MVL     EXA+EXB"}));
  EXPECT_EQ(Assemble("lib.asm"), 0);
  EXPECT_EQ(FirstError(), Err(9, 2, "Illegal argument [EXA+EXB]", "lib.asm"));
  EXPECT_FALSE(Exists("lib.obj"));
}

TEST_F(ObjectFilesModel, ExternNamesComeFromTheIncludingProgram) {
  // EXTERN names are known to plain Assemble only (as their number).
  Write("lib.asm", Crlf({"        EXTERN  OTHER, LIMIT, FAR", "        GLOBAL  GET",
                         "GET:    MVL     LIMIT", "        CALL    OTHER", "        CALL    FAR",
                         "        RET"}));
  options.OutBinarySplitFile = 1;
  options.AssembleOnly = 1;
  ASSERT_EQ(Assemble("lib.asm"), 1) << FirstError();
  const std::string obj = Read("lib.obj");
  EXPECT_EQ(obj.substr(0, 38), std::string("\x84" "L" "00" "03" "GET" "\x85\x86" "00000000" "\x87"
                                           "\x89" "05" "OTHER" "\x8A\x8B" "00000000" "\x8C", 38));
  options.OutBinarySplitFile = 0;
  options.AssembleOnly = 0;
  Write("m.asm", Crlf({"LIMIT   EQU     7", "FAR     EQU     1E23H", "  INCLUDE LIB.OBJ",
                       "OTHER:  RET"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x0607);
  // Two-word calls take their targets whole, split over both words.
  EXPECT_EQ(Word(1), 0xC000);
  EXPECT_EQ(Word(2), 0xF006);  // OTHER follows the object's six words
  EXPECT_EQ(Word(3), 0xC001);
  EXPECT_EQ(Word(4), 0xFE23);
  EXPECT_EQ(Word(6), 0x000A);
}

TEST_F(ObjectFilesModel, ObjectOfAProgramWithoutNames) {
  // No GLOBAL and no EXTERN: the code header comes first; one record per
  // address up to the highest, an operand without a label is absolute.
  Write("m.asm", Crlf({"  MVL 5", "  ORG 1FH", "  RET"}));
  options.OutBinarySplitFile = 1;
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  const std::string obj = Read("m.obj");
  const std::string header = std::string("\x80" "0000001F" "\x81" "\x82", 11);
  ASSERT_EQ(obj.substr(0, 11), header);
  ASSERT_EQ(obj.size(), 11u + 32 * 19 + 1);
  const std::string unused = std::string(3, ' ');
  auto record = [&](int a) { return obj.substr(11 + 19 * a, 19); };
  EXPECT_EQ(record(0), std::string("\x8D" "0000" "\x8D" "0000" "\x8D" "0000" "0605", 19));
  EXPECT_EQ(record(1), std::string("\x8D" "0000" "\x8D" "0000" "\x8D" "0000" "0000", 19));
  EXPECT_EQ(record(31), std::string("\x8D" "0000" "\x8D" "0000" "\x8D" "0000" "000A", 19));
  EXPECT_EQ(obj.back(), '\x88');
}

TEST_F(ObjectFilesModel, GlobalRecordsOfEachKind) {
  // Kind, size of a variable (its low byte: the record has two digits for
  // it), name length, name and value.
  Write("m.asm", Crlf({"        GLOBAL  K, TABLE, BIG, HERE", "K       EQU     0-2",
                       "        MEMAR   80H", "TABLE   DS      3", "BIG     DS      12CH",
                       "HERE:   NOP"}));
  options.OutBinarySplitFile = 1;
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  const std::string obj = Read("m.obj");
  const std::string expected = std::string(
      "\x84" "C" "00" "01" "K" "\x85\x86" "FFFFFFFE" "\x87"
      "\x84" "D" "03" "05" "TABLE" "\x85\x86" "00000080" "\x87"
      "\x84" "D" "2C" "03" "BIG" "\x85\x86" "00000083" "\x87"
      "\x84" "L" "00" "04" "HERE" "\x85\x86" "00000000" "\x87"
      "\x80" "00000000" "\x81" "\x82");
  EXPECT_EQ(obj.substr(0, expected.size()), expected);
}

TEST_F(ObjectFilesModel, ObjectOnlyWhenSwitchedOnAndWithoutErrors) {
  Write("m.asm", Crlf({"  MVL 5"}));
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_FALSE(Exists("m.obj"));
  options.OutBinarySplitFile = 1;
  Write("m.obj", "old");
  Write("m.asm", Crlf({"  MVL NOWHERE"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_FALSE(Exists("m.obj")) << "a failed build leaves no earlier object file";
}

TEST_F(ObjectFilesModel, ObjectFileThatCannotBeCreated) {
  Write("m.asm", Crlf({"  MVL 5"}));
  Write("m.obj/keep", "a folder in the way");
  options.OutBinarySplitFile = 1;
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Couldn't open file [" + Path("m.obj") + "]");
}

}  // namespace
}  // namespace kyvor::test
