// Object files included as source: relocation, imported symbols, no source
// page, damaged streams.
#include "asm_fixture.h"
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
  Write("bad.obj", std::string("\x80" "00000001" "\x81" "\x82" "\x8D" "00", 14));
  Write("m.asm", Crlf({"  INCLUDE BAD.OBJ"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0), "Illegal Macro... [Error Code]");
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

}  // namespace
}  // namespace kyvor::test
