// The hand-off to the debugger side: symbols, source pages, the source view
// line tables and macro-expansion records.
#include <map>

#include "asm_fixture.h"
#include "handoff_fixture.h"
#include "base/numbers.h"

namespace kyvor::test {
namespace {

class HandOffModel : public AsmFixture {};

TEST_F(HandOffModel, SourceViewTablesAndMacroRecords) {
  Write("inc.inc", Crlf({"TWICE MACRO R", "  INF R, 1", "  INF R, 1", "  ENDM"}));
  Write("m.asm", Crlf({"  INCLUDE INC.INC", "START: NOP", "  TWICE 80H", "  NOP"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  ASSERT_EQ(host->LoadedFiles.size(), 2u);
  const TSourceLineTables& t = host->Tables;
  EXPECT_EQ(t.GetLineInfo(1, 2, 0), 0);         // START: NOP at 0
  EXPECT_EQ(t.GetLineInfo(1, 1, 0), -1);        // INCLUDE: no code
  EXPECT_EQ(t.GetLineInfo(1, 3, 0), 0xFFFFF);   // the call line itself
  EXPECT_EQ(t.GetLineInfo(1, 3, 1), 1);         // macro record 1
  EXPECT_EQ(t.GetLineInfo(1, 4, 0), 3);
  EXPECT_EQ(t.GetLineInfo(2, 2, 0), -1);        // body lines of the include
  const TMacroExpansionRecord* r1 = t.GetMacroRecord(1);
  ASSERT_NE(r1, nullptr);
  EXPECT_EQ(r1->Nested, 1);
  EXPECT_EQ(r1->ChildRecNo, 2);
  EXPECT_EQ(r1->ChildFile, 1);
  EXPECT_EQ(r1->ChildLine, 2);
  EXPECT_EQ(r1->MacroStartAddr, 0);
  EXPECT_EQ(r1->MacroEndAddr, 3);
  const TMacroExpansionRecord* r2 = t.GetMacroRecord(2);
  ASSERT_NE(r2, nullptr);
  EXPECT_EQ(r2->Nested, 0);
  EXPECT_EQ(r2->CodeAddress, 1);
  EXPECT_EQ(r2->ParentRecNo, 1);
  EXPECT_EQ(r2->ParentLine, 3);
  EXPECT_EQ(t.FirstCodeAddress(1), 1);
  EXPECT_EQ(t.GetAddrMacroIndex(1), 2);
}

TEST_F(HandOffModel, ASecondRunStartsAfresh) {
  Write("m.asm", Crlf({"M MACRO", "  MVL 1", "  ENDM", "  M", "  MVL MISSING"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  Write("m.asm", Crlf({"M MACRO", "  MVL 2", "  ENDM", "  M"}));
  ASSERT_EQ(asmForm->Assemble(), 1);
  EXPECT_EQ(asmForm->ErrorCount(), 0);
  EXPECT_EQ(Word(0), 0x0602);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(HandOffModel, AnEmptyExpansionClaimsNoLaterInstruction) {
  Write("m.asm", Crlf({"E MACRO", "  ENDM", "T MACRO", "  MVL 1", "  E", "  MVL 2", "  ENDM",
                      "  T"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  // T is record 1, its first instruction record 2, E record 3; MVL 2 gets none.
  const TMacroExpansionRecord* t = host->Tables.GetMacroRecord(1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->ChildRecNo, 2);
  EXPECT_EQ(host->Tables.FirstCodeAddress(1), 0);
  EXPECT_EQ(host->Tables.GetAddrMacroIndex(0), 2);
  EXPECT_EQ(host->Tables.GetAddrMacroIndex(1), 0);
  EXPECT_EQ(host->Tables.GetMacroRecord(4)->ParentRecNo, 0);  // no fourth record
}

TEST_F(HandOffModel, LineStepsKeepTheWindowAlive) {
  Write("m.asm", Crlf({"  NOP", "  NOP", "  NOP"}));
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_GE(host->LineSteps, 3);
}

class HandOff : public HandOffFixture {};

TEST_F(HandOff, SourcePageThatCannotBeLoaded) {
  failLoad = true;
  EXPECT_EQ(RunSource(Lines({"K EQU 3", "  NOP"})), 0);
  EXPECT_EQ(Errors(), 0);
  ASSERT_EQ(target->Symbols.size(), 1u);
  EXPECT_EQ(target->Symbols[0].Name, "K");
  EXPECT_TRUE(Exists("main.hex"));
}

TEST_F(HandOff, NoRoomForTheMacroTable) {
  failMacroTable = true;
  EXPECT_EQ(RunSource(Lines({"  NOP"})), 0);
  EXPECT_TRUE(host->LineInfo.empty());
}

TEST_F(HandOff, ObjectFileNamesGetNoSourcePage) {
  Write("SUB.INC", Lines({"  NOP"}));
  ASSERT_EQ(RunSource(Lines({"  INCLUDE SUB.INC", "  NOP"})), 1) << AllErrors();
  ASSERT_EQ(host->Loaded.size(), 2u);
}

TEST_F(HandOff, LineTablesAndMacroRecords) {
  ASSERT_EQ(RunSource(Lines({"K EQU 1", "  MVL 1", "M1 MACRO", "  NOP", "  ENDM", "  M1",
                             "  ADDL 2"})),
            1)
      << AllErrors();
  EXPECT_TRUE(host->MacroTableMade);
  auto find = [&](int page, int line, int slot) -> const HandOffHost::Info* {
    const HandOffHost::Info* last = nullptr;
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

TEST_F(HandOff, ACallThatStartsAnExpansionIsLinkedToItsParent) {
  ASSERT_EQ(RunSource(Lines({"INNER MACRO", "  NOP", "  ENDM", "OUTER MACRO", "  INNER", "  ENDM",
                             "  OUTER"})),
            1)
      << AllErrors();
  std::map<int, TMacroExpansionRecord> recs;
  for (const auto& r : host->Records) recs[r.first] = r.second;
  ASSERT_EQ(recs.size(), 3u);
  const auto& outer = recs[1];
  EXPECT_EQ(outer.Nested, 1);
  EXPECT_EQ(outer.FromMacro, 0);
  EXPECT_EQ(outer.CodeAddress, 0xFFFFF);
  EXPECT_EQ(outer.ChildFile, 0);
  EXPECT_EQ(outer.ChildLine, 5);
  EXPECT_EQ(outer.ParentFile, 0);
  EXPECT_EQ(outer.ParentLine, 7);
  EXPECT_EQ(outer.ParentRecNo, 1);
  EXPECT_EQ(outer.ChildRecNo, 2);
  EXPECT_EQ(outer.MacroStartAddr, -1);
  EXPECT_EQ(outer.MacroEndAddr, 1);
  const auto& inner = recs[2];
  EXPECT_EQ(inner.Nested, 1);
  EXPECT_EQ(inner.FromMacro, 1);
  EXPECT_EQ(inner.CodeAddress, 0xFFFFF);
  EXPECT_EQ(inner.ChildLine, 2);
  EXPECT_EQ(inner.ParentLine, 7);
  EXPECT_EQ(inner.ParentRecNo, 1);
  EXPECT_EQ(inner.ChildRecNo, 3);
  EXPECT_EQ(inner.MacroEndAddr, 1);
  const auto& first = recs[3];
  EXPECT_EQ(first.Nested, 0);
  EXPECT_EQ(first.FromMacro, 1);
  EXPECT_EQ(first.CodeAddress, 0);
  EXPECT_EQ(first.ChildLine, 2);
  EXPECT_EQ(first.ParentLine, 5);
  EXPECT_EQ(first.ParentRecNo, 2);
  EXPECT_EQ(first.ChildRecNo, 3);
  // Only the call in the main file marks its own line.
  int slot1 = 0;
  for (const auto& i : host->LineInfo)
    if (i.Slot == 1) {
      ++slot1;
      EXPECT_EQ(i.Page, 1);
      EXPECT_EQ(i.Line, 7);
      EXPECT_EQ(i.Value, 1);
    }
  EXPECT_EQ(slot1, 1);
  TSourceLineTables t;
  ASSERT_TRUE(t.CreateMacroTable());
  for (const auto& r : recs) t.PutMacroRecord(r.first, r.second);
  EXPECT_EQ(t.FirstCodeAddress(1), 0);
}

class HandOffLineTable : public HandOffFixture {
 protected:
  // The value a line's slot ends with (the last one written).
  int32_t Slot(int page, int line, int slot) const {
    int32_t v = 0x7FFFFFFF;
    for (const auto& i : host->LineInfo)
      if (i.Page == page && i.Line == line && i.Slot == slot) v = i.Value;
    return v;
  }
};

TEST_F(HandOffLineTable, ATwoWordLineKeepsItsFirstAddress) {
  Write("SUB.INC", Lines({"  NOP", "  JMP 7"}));
  ASSERT_EQ(RunSource(Lines({"  NOP", "  CALL 5", "  MVFF 12H, 34H", "  INCLUDE SUB.INC"})), 1)
      << AllErrors();
  EXPECT_EQ(Slot(1, 1, 0), 0);
  EXPECT_EQ(Slot(1, 2, 0), 1);
  EXPECT_EQ(Slot(1, 3, 0), 3);
  EXPECT_EQ(Slot(2, 1, 0), 5);
  EXPECT_EQ(Slot(2, 2, 0), 6);
}

TEST_F(HandOffLineTable, LinesWithoutCode) {
  ASSERT_EQ(RunSource(Lines({"K EQU 1", "; note", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(Slot(1, 1, 0), 0xFFFFF);
  EXPECT_EQ(Slot(1, 2, 0), 0xFFFFF);
  EXPECT_EQ(Slot(1, 3, 0), 0);
}

TEST(SourceTableLimits, MacroRecordsAreNumberedOneTo4096) {
  TSourceLineTables t;
  EXPECT_EQ(t.GetMacroRecord(1), nullptr);  // no table yet
  ASSERT_TRUE(t.CreateMacroTable());
  EXPECT_EQ(t.GetMacroRecord(0), nullptr);
  EXPECT_EQ(t.GetMacroRecord(4097), nullptr);
  EXPECT_EQ(t.GetMacroRecord(-1), nullptr);
  ASSERT_NE(t.GetMacroRecord(1), nullptr);
  ASSERT_NE(t.GetMacroRecord(4096), nullptr);
  // Every field starts at zero.
  const TMacroExpansionRecord* r = t.GetMacroRecord(17);
  EXPECT_EQ(r->Nested, 0);
  EXPECT_EQ(r->CodeAddress, 0);
  EXPECT_EQ(r->MacroStartAddr, 0);
  EXPECT_EQ(r->MacroEndAddr, 0);
  TMacroExpansionRecord rec;
  rec.CodeAddress = 0x123;
  rec.MacroEndAddr = 0x456;
  t.PutMacroRecord(4096, rec);
  EXPECT_EQ(t.GetMacroRecord(4096)->CodeAddress, 0x123);
  EXPECT_EQ(t.GetMacroRecord(4096)->MacroEndAddr, 0x456);
  t.PutMacroRecord(4097, rec);  // ignored
  // A new table is zeroed again.
  ASSERT_TRUE(t.CreateMacroTable());
  EXPECT_EQ(t.GetMacroRecord(4096)->CodeAddress, 0);
  t.FreeMacroTable();
  EXPECT_EQ(t.GetMacroRecord(1), nullptr);
}

TEST(SourceTableLimits, LineSlots) {
  TSourceLineTables t;
  ASSERT_TRUE(t.AddPage(10));
  EXPECT_EQ(t.PageCount(), 1);
  // A loaded file's lines start without code.
  EXPECT_EQ(t.GetLineInfo(1, 1, 0), -1);
  EXPECT_EQ(t.GetLineInfo(1, 10, 0), -1);
  EXPECT_EQ(t.GetLineInfo(1, 1, 1), 0);
  EXPECT_EQ(t.GetLineInfo(1, 0, 0), 0);
  EXPECT_EQ(t.GetLineInfo(1, 0x20001, 0), 0);
  EXPECT_TRUE(t.LineHasNoCode(1, 3));
  // Line 0 and 0x20001 change nothing, nor does a page beyond the count.
  EXPECT_FALSE(t.SetLineInfo(1, 0, 5, 0));
  EXPECT_FALSE(t.SetLineInfo(1, 0x20001, 5, 0));
  EXPECT_FALSE(t.SetLineInfo(2, 3, 5, 0));
  EXPECT_EQ(t.GetLineInfo(1, 0, 0), 0);
  // A macro record number clears the "-" mark.
  EXPECT_TRUE(t.SetLineInfo(1, 3, 5, 1));
  EXPECT_EQ(t.GetLineInfo(1, 3, 1), 5);
  EXPECT_FALSE(t.LineHasNoCode(1, 3));
  // A code address clears it too; 0xFFFFF means no code.
  EXPECT_TRUE(t.SetLineInfo(1, 4, 0x20, 0));
  EXPECT_FALSE(t.LineHasNoCode(1, 4));
  EXPECT_TRUE(t.SetLineInfo(1, 4, 0xFFFFF, 0));
  EXPECT_TRUE(t.LineHasNoCode(1, 4));
  // The last line of the whole range can be written.
  EXPECT_TRUE(t.SetLineInfo(1, 0x20000, 7, 0));
  EXPECT_EQ(t.GetLineInfo(1, 0x20000, 0), 7);
  t.ClearPages();
  EXPECT_EQ(t.PageCount(), 0);
}

TEST(SourceTableLimits, AddressIndexIsBoundedByTheProgramMemory) {
  TSourceLineTables t;
  t.SetLastProgramAddress(4095);
  EXPECT_TRUE(t.SetAddrMacroIndex(4095, 9));
  EXPECT_EQ(t.GetAddrMacroIndex(4095), 9);
  EXPECT_FALSE(t.SetAddrMacroIndex(4096, 9));
  EXPECT_EQ(t.GetAddrMacroIndex(4096), 0);
  EXPECT_FALSE(t.SetAddrMacroIndex(-1, 9));
  EXPECT_EQ(t.GetAddrMacroIndex(-1), 0);
  EXPECT_FALSE(t.SetAddrMacroIndex(0xFFFFF, 9));
  t.ClearAddrMacroIndex();
  EXPECT_EQ(t.GetAddrMacroIndex(4095), 0);
}

TEST(SourceTableLimits, FirstCodeAddressFollowsNestedRecords) {
  TSourceLineTables t;
  ASSERT_TRUE(t.CreateMacroTable());
  TMacroExpansionRecord a, b, c;
  a.Nested = 1;
  a.ChildRecNo = 2;
  b.Nested = 1;
  b.ChildRecNo = 3;
  c.Nested = 0;
  c.CodeAddress = 0x120;
  t.PutMacroRecord(1, a);
  t.PutMacroRecord(2, b);
  t.PutMacroRecord(3, c);
  EXPECT_EQ(t.FirstCodeAddress(1), 0x120);
  EXPECT_EQ(t.FirstCodeAddress(3), 0x120);
  EXPECT_EQ(t.FirstCodeAddress(0), 0xFFFFF);
  EXPECT_EQ(t.FirstCodeAddress(5000), 0xFFFFF);
  // A chain that leaves the table.
  TMacroExpansionRecord d;
  d.Nested = 1;
  d.ChildRecNo = 0;
  t.PutMacroRecord(4, d);
  EXPECT_EQ(t.FirstCodeAddress(4), 0xFFFFF);
}

TEST(SourceTableLimits, ACycleOfNestedRecordsEnds) {
  TSourceLineTables t;
  ASSERT_TRUE(t.CreateMacroTable());
  TMacroExpansionRecord a, b;
  a.Nested = 1;
  a.ChildRecNo = 2;
  b.Nested = 1;
  b.ChildRecNo = 1;
  t.PutMacroRecord(1, a);
  t.PutMacroRecord(2, b);
  EXPECT_EQ(t.FirstCodeAddress(1), 0xFFFFF);
}

TEST(SourceTables, MacroRecordsAndIndex) {
  TSourceLineTables t;
  EXPECT_EQ(t.GetMacroRecord(1), nullptr);
  ASSERT_TRUE(t.CreateMacroTable());
  EXPECT_EQ(t.GetMacroRecord(0), nullptr);
  EXPECT_EQ(t.GetMacroRecord(4097), nullptr);
  ASSERT_NE(t.GetMacroRecord(4096), nullptr);
  EXPECT_EQ(t.GetMacroRecord(4096)->MacroEndAddr, 0);
  t.SetLastProgramAddress(4095);
  EXPECT_FALSE(t.SetAddrMacroIndex(4096, 3));
  EXPECT_EQ(t.GetAddrMacroIndex(4096), 0);
  EXPECT_TRUE(t.SetAddrMacroIndex(4095, 3));
  EXPECT_EQ(t.GetAddrMacroIndex(4095), 3);
  EXPECT_FALSE(t.SetAddrMacroIndex(-1, 3));
  t.ClearAddrMacroIndex();
  EXPECT_EQ(t.GetAddrMacroIndex(4095), 0);
  // A chain nested -> nested -> code.
  TMacroExpansionRecord r1, r2, r3;
  r1.Nested = 1; r1.ChildRecNo = 2;
  r2.Nested = 1; r2.ChildRecNo = 3;
  r3.Nested = 0; r3.CodeAddress = 0x120;
  t.PutMacroRecord(1, r1);
  t.PutMacroRecord(2, r2);
  t.PutMacroRecord(3, r3);
  EXPECT_EQ(t.FirstCodeAddress(1), 0x120);
  EXPECT_EQ(t.FirstCodeAddress(5000), 0xFFFFF);
  // A cycle ends instead of looping.
  r3.Nested = 1; r3.ChildRecNo = 1;
  t.PutMacroRecord(3, r3);
  EXPECT_EQ(t.FirstCodeAddress(1), 0xFFFFF);
}

TEST(SourceTables, LineSlots) {
  TSourceLineTables t;
  ASSERT_TRUE(t.AddPage(10));
  EXPECT_EQ(t.GetLineInfo(1, 3, 0), -1);
  EXPECT_TRUE(t.LineHasNoCode(1, 3));
  EXPECT_TRUE(t.SetLineInfo(1, 3, 5, 1));
  EXPECT_FALSE(t.LineHasNoCode(1, 3));
  EXPECT_FALSE(t.SetLineInfo(1, 0, 7, 0));
  EXPECT_FALSE(t.SetLineInfo(1, 0x20001, 7, 0));
  EXPECT_FALSE(t.SetLineInfo(2, 1, 7, 0));
  EXPECT_EQ(t.GetLineInfo(1, 0, 0), 0);
  EXPECT_TRUE(t.SetLineInfo(1, 0x20000, 0x12, 0));
  EXPECT_EQ(t.GetLineInfo(1, 0x20000, 0), 0x12);
}

}  // namespace
}  // namespace kyvor::test
