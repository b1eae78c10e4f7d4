// The source view's tables: line slots per page, the address-to-macro
// index and the macro-expansion records.
#include <map>

#include "review_fixture.h"

namespace kyvor::review {
namespace {

TEST(ReviewTables, MacroRecordsAreNumberedOneTo4096) {
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

TEST(ReviewTables, LineSlots) {
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

TEST(ReviewTables, AddressIndexIsBoundedByTheProgramMemory) {
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

TEST(ReviewTables, FirstCodeAddressFollowsNestedRecords) {
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

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

TEST(ReviewTables, ACycleOfNestedRecordsEnds) {
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

class ReviewNesting : public Review {};

TEST_F(ReviewNesting, ACallThatStartsAnExpansionIsLinkedToItsParent) {
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

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewLineTable : public Review {
 protected:
  // The value a line's slot ends with (the last one written).
  int32_t Slot(int page, int line, int slot) const {
    int32_t v = 0x7FFFFFFF;
    for (const auto& i : host->LineInfo)
      if (i.Page == page && i.Line == line && i.Slot == slot) v = i.Value;
    return v;
  }
};

TEST_F(ReviewLineTable, ATwoWordLineKeepsItsFirstAddress) {
  Write("SUB.INC", Lines({"  NOP", "  JMP 7"}));
  ASSERT_EQ(RunSource(Lines({"  NOP", "  CALL 5", "  MVFF 12H, 34H", "  INCLUDE SUB.INC"})), 1)
      << AllErrors();
  EXPECT_EQ(Slot(1, 1, 0), 0);
  EXPECT_EQ(Slot(1, 2, 0), 1);
  EXPECT_EQ(Slot(1, 3, 0), 3);
  EXPECT_EQ(Slot(2, 1, 0), 5);
  EXPECT_EQ(Slot(2, 2, 0), 6);
}

TEST_F(ReviewLineTable, LinesWithoutCode) {
  ASSERT_EQ(RunSource(Lines({"K EQU 1", "; note", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(Slot(1, 1, 0), 0xFFFFF);
  EXPECT_EQ(Slot(1, 2, 0), 0xFFFFF);
  EXPECT_EQ(Slot(1, 3, 0), 0);
}

}  // namespace
}  // namespace kyvor::review
