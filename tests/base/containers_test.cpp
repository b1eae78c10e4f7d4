#include <gtest/gtest.h>

#include <string>

#include "base/containers.h"

using namespace kyvor;

// ---------------------------------------------------------------------------
// Register-definition lists

TEST(RegisterLists, AppendReadAndFull) {
  TCRREGBytePtr list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.PagesAllocated(), 0);
  for (int i = 0; i < kRegisterListCapacity; ++i) {
    TCRREGByteRecord r;
    r.Address = static_cast<uint16_t>(0x100 + i);
    r.Hidden = i % 2;
    ASSERT_EQ(list.Add(r), 0) << i;
  }
  EXPECT_EQ(list.Count(), 512);
  EXPECT_EQ(list.PagesAllocated(), 2);
  TCRREGByteRecord extra;
  extra.Address = 0xFFFF;
  EXPECT_EQ(list.Add(extra), 1);
  EXPECT_EQ(list.Count(), 512);
  EXPECT_EQ(list.GetAddress(0), 0x100);
  EXPECT_EQ(list.GetAddress(255), 0x1FF);
  EXPECT_EQ(list.GetAddress(256), 0x200);
  EXPECT_EQ(list.GetAddress(511), 0x2FF);
  EXPECT_EQ(list.GetItem(511)->Hidden, 1);
}

TEST(RegisterLists, GetItemOutOfRangeIsNull) {
  TCRREGBitPtr bits;
  EXPECT_EQ(bits.GetItem(0), nullptr);
  TCRREGBitRecord r;
  r.Name = "STATUS";
  r.Address = 43;
  ASSERT_EQ(bits.Add(r), 0);
  EXPECT_EQ(bits.GetItem(-1), nullptr);
  EXPECT_EQ(bits.GetItem(1), nullptr);  // == Count
  ASSERT_NE(bits.GetItem(0), nullptr);
  EXPECT_EQ(bits.GetItem(0)->Name, "STATUS");
  // Unchecked address getters give 0 rather than reading outside the list.
  EXPECT_EQ(bits.GetAddress(1), 0);
  EXPECT_EQ(bits.GetAddress(-5), 0);
  EXPECT_EQ(bits.GetAddress(0), 43);
}

TEST(RegisterLists, RecordPointersStayValidWhileAppending) {
  TCRREGWordPtr words;
  TCRREGWordRecord r;
  r.Address1 = 0x12;
  r.Address2 = 0x34;
  ASSERT_EQ(words.Add(r), 0);
  TCRREGWordRecord* first = words.GetItem(0);
  for (int i = 1; i < kRegisterListCapacity; ++i) {
    r.Address1 = static_cast<uint16_t>(i);
    ASSERT_EQ(words.Add(r), 0);
  }
  EXPECT_EQ(words.GetItem(0), first);
  EXPECT_EQ(first->Address1, 0x12);
  EXPECT_EQ(words.GetAddressKey(0), 0x12 * 256 + 0x34);
  EXPECT_EQ(words.GetAddressKey(600), 0);
}

TEST(RegisterLists, TextsCutToCapacity) {
  TCRREGBitPtr bits;
  TCRREGBitRecord r;
  r.Name = std::string(40, 'N');
  r.Description = std::string(400, 'D');
  r.Bits[0].BitName = std::string(20, 'b');
  r.Bits[7].BitDescription = std::string(300, 'x');
  ASSERT_EQ(bits.Add(r), 0);
  const TCRREGBitRecord* s = bits.GetItem(0);
  EXPECT_EQ(s->Name, std::string(15, 'N'));
  EXPECT_EQ(s->Description.size(), 160u);
  EXPECT_EQ(s->Bits[0].BitName.size(), 15u);
  EXPECT_EQ(s->Bits[7].BitDescription.size(), 250u);

  TCRREGBytePtr bytes;
  TCRREGByteRecord b;
  b.Description = std::string(161, 'd');
  ASSERT_EQ(bytes.Add(b), 0);
  EXPECT_EQ(bytes.GetItem(0)->Description.size(), 160u);
}

TEST(RegisterLists, ClearDropsPagesAndStartsAgain) {
  TCRREGBytePtr list;
  TCRREGByteRecord r;
  for (int i = 0; i < 300; ++i) ASSERT_EQ(list.Add(r), 0);
  EXPECT_EQ(list.PagesAllocated(), 2);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.PagesAllocated(), 0);
  EXPECT_EQ(list.GetItem(0), nullptr);
  r.Address = 9;
  ASSERT_EQ(list.Add(r), 0);
  EXPECT_EQ(list.PagesAllocated(), 1);
  EXPECT_EQ(list.GetAddress(0), 9);
}

TEST(RegisterLists, ProcessWideListsReset) {
  ResetRegisterLists();
  TCRREGBitRecord bit;
  BitRegisterList().Add(bit);
  ByteRegisterList().Add(TCRREGByteRecord{});
  WordRegisterList().Add(TCRREGWordRecord{});
  EXPECT_EQ(BitRegisterList().Count(), 1);
  EXPECT_EQ(&BitRegisterList(), &BitRegisterList());
  ResetRegisterLists();
  EXPECT_EQ(BitRegisterList().Count(), 0);
  EXPECT_EQ(ByteRegisterList().Count(), 0);
  EXPECT_EQ(WordRegisterList().Count(), 0);
}

// ---------------------------------------------------------------------------
// Assembler check lists

TEST(CheckLists, SmartAndPcAppendAndRead) {
  TCheckSmartPtr smart;
  EXPECT_EQ(smart.GetValue(0), 0);
  for (int i = 0; i < 2500; ++i) ASSERT_EQ(smart.Add(i * 3), 0);
  EXPECT_EQ(smart.Count(), 2500);
  EXPECT_EQ(smart.PagesAllocated(), 3);
  EXPECT_EQ(smart.GetValue(1024), 3072);
  EXPECT_EQ(smart.GetValue(2499), 7497);
  EXPECT_EQ(smart.GetValue(2500), 0);
  EXPECT_EQ(smart.GetValue(-1), 0);

  TCheckPCPtr pc;
  ASSERT_EQ(pc.Add(0x1234, 1, 0), 0);
  ASSERT_EQ(pc.Add(0x10, 0, 1), 0);
  EXPECT_EQ(pc.GetAddress(0), 0x1234);
  EXPECT_EQ(pc.GetItem(1)->Rel11, 1);
  EXPECT_EQ(pc.GetItem(1)->Rel8, 0);
  EXPECT_EQ(pc.GetItem(2), nullptr);
  EXPECT_EQ(pc.GetAddress(2), 0);
  pc.Clear();
  EXPECT_EQ(pc.Count(), 0);
  EXPECT_EQ(pc.PagesAllocated(), 0);
}

TEST(CheckLists, SmartListFullAtCapacity) {
  TCheckSmartPtr smart;
  for (int32_t i = 0; i < kCheckListCapacity; ++i) {
    if (smart.Add(i) != 0) FAIL() << "refused at " << i;
  }
  EXPECT_EQ(smart.Add(7), 1);
  EXPECT_EQ(smart.Count(), kCheckListCapacity);
  EXPECT_EQ(smart.GetValue(kCheckListCapacity - 1), kCheckListCapacity - 1);
}

// ---------------------------------------------------------------------------
// Symbol table

TEST(SymDefPack, OneBasedAccess) {
  TSymDefPack t;
  EXPECT_EQ(t.GetItem(0), nullptr);
  EXPECT_EQ(t.GetItem(1), nullptr);
  ASSERT_EQ(t.AddSymbol("START", "", 0x10, 'L', 0), 0);
  ASSERT_EQ(t.AddSymbol("COUNT", "5", 5, 'C', 7), 0);
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.GetItem(0), nullptr);
  EXPECT_EQ(t.GetItem(3), nullptr);
  ASSERT_NE(t.GetItem(2), nullptr);
  EXPECT_EQ(t.GetItem(2)->Name, "COUNT");
  EXPECT_EQ(t.GetItem(2)->Text, "5");
  EXPECT_EQ(t.GetItem(2)->Aux, 7);
  EXPECT_EQ(t.GetItem(2)->Kind, 'C');
  EXPECT_EQ(t.FindSymbol("START"), t.GetItem(1));
  EXPECT_EQ(t.FindSymbolIndex("COUNT"), 2);
  EXPECT_EQ(t.FindSymbol("start"), nullptr);  // letter case counts
  EXPECT_EQ(t.FindSymbol(""), nullptr);
  EXPECT_EQ(t.FindSymbolIndex("NONE"), 0);
}

TEST(SymDefPack, ConstantsAndLabelsRefuseRedefinition) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("C1", "", 1, 'C', 0), 0);
  ASSERT_EQ(t.AddSymbol("L1", "", 2, 'L', 0), 0);
  EXPECT_EQ(t.AddSymbol("C1", "x", 9, 'V', 0), 2);
  EXPECT_EQ(t.AddSymbol("C1", "x", 9, 'C', 0), 2);
  EXPECT_EQ(t.AddSymbol("L1", "x", 9, 'L', 0), 2);
  EXPECT_EQ(t.AddSymbol("L1", "x", 9, 'D', 0), 2);
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.FindSymbol("C1")->Value, 1);
  EXPECT_EQ(t.FindSymbol("L1")->Value, 2);
}

TEST(SymDefPack, SetSymbolIsOverwrittenInPlace) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("V", "old", 1, 'V', 1), 0);
  ASSERT_EQ(t.AddSymbol("V", "new", 2, 'V', 3), 0);
  EXPECT_EQ(t.Count(), 1);
  EXPECT_EQ(t.GetItem(1)->Value, 2);
  EXPECT_EQ(t.GetItem(1)->Text, "new");
  EXPECT_EQ(t.GetItem(1)->Aux, 3);
  // A label over a set symbol takes its place and then refuses redefinition.
  ASSERT_EQ(t.AddSymbol("V", std::string(50, 't'), 4, 'L', 0), 0);
  EXPECT_EQ(t.Count(), 1);
  EXPECT_EQ(t.GetItem(1)->Kind, 'L');
  EXPECT_EQ(t.GetItem(1)->Text, std::string(32, 't'));
  EXPECT_EQ(t.AddSymbol("V", "", 5, 'V', 0), 2);
}

TEST(SymDefPack, DataAndExternalNamesArePassedOver) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("BUF", "", 0x20, 'D', 0), 0);
  ASSERT_EQ(t.AddSymbol("BUF", "", 0x30, 'C', 0), 0);  // appended: 'D' does not block
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.FindSymbol("BUF")->Value, 0x20);  // the older one wins
  EXPECT_EQ(t.FindSymbolIndex("BUF"), 1);
  // The scan goes on past the 'D' and finds the 'C'.
  EXPECT_EQ(t.AddSymbol("BUF", "", 0x40, 'V', 0), 2);

  ASSERT_EQ(t.AddSymbol("EXT", "", 1, 'E', 0), 0);
  ASSERT_EQ(t.AddSymbol("EXT", "", 2, 'V', 0), 0);
  ASSERT_EQ(t.AddSymbol("EXT", "", 3, 'V', 0), 0);  // updates the 'V' behind the 'E'
  EXPECT_EQ(t.Count(), 4);
  EXPECT_EQ(t.GetItem(4)->Value, 3);
  EXPECT_EQ(t.FindSymbol("EXT")->Kind, 'E');
}

TEST(SymDefPack, UpdatedRecordLeavingVStillCountsInOrder) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("S", "", 1, 'V', 0), 0);
  ASSERT_EQ(t.AddSymbol("S", "", 2, 'D', 0), 0);  // overwrites the 'V', becomes 'D'
  EXPECT_EQ(t.Count(), 1);
  EXPECT_EQ(t.GetItem(1)->Kind, 'D');
  ASSERT_EQ(t.AddSymbol("S", "", 3, 'V', 0), 0);  // now appended behind the 'D'
  EXPECT_EQ(t.Count(), 2);
  ASSERT_EQ(t.AddSymbol("S", "", 4, 'V', 0), 0);  // updates record 2
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.GetItem(2)->Value, 4);
  // A kind changed by the owner in place is seen by later adds.
  t.GetItem(2)->Kind = 'L';
  EXPECT_EQ(t.AddSymbol("S", "", 5, 'V', 0), 2);
}

TEST(SymDefPack, MacrosAlwaysAppend) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("M1", "", 0, 'M', 0), 0);
  ASSERT_EQ(t.AddSymbol("M1", "", 1, 'M', 0), 0);
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.FindSymbol("M1")->Value, 0);
  // A macro is appended even over a constant of the same name.
  ASSERT_EQ(t.AddSymbol("K", "", 0, 'C', 0), 0);
  EXPECT_EQ(t.AddSymbol("K", "", 0, 'M', 0), 0);
  EXPECT_EQ(t.Count(), 4);
  EXPECT_EQ(t.FindSymbol("K")->Kind, 'C');
}

TEST(SymDefPack, LongNamesStoredAndFoundByFirst32) {
  TSymDefPack t;
  const std::string name40 = std::string(32, 'A') + "BCDEFGHI";
  ASSERT_EQ(t.AddSymbol(name40, "", 7, 'L', 0), 0);
  EXPECT_EQ(t.GetItem(1)->Name, std::string(32, 'A'));
  EXPECT_EQ(t.FindSymbol(name40), nullptr);
  ASSERT_NE(t.FindSymbol(std::string(32, 'A')), nullptr);
  // Another long name with the same first 32 characters is the same symbol.
  EXPECT_EQ(t.AddSymbol(std::string(32, 'A') + "ZZ", "", 8, 'L', 0), 2);
}

TEST(SymDefPack, EmptyNamesAndOddBytes) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("", "", 1, 'C', 0), 0);
  EXPECT_EQ(t.AddSymbol("", "", 2, 'C', 0), 2);
  EXPECT_EQ(t.FindSymbol("")->Value, 1);
  const std::string withNul("A\0B", 3);
  ASSERT_EQ(t.AddSymbol(withNul, "", 3, 'C', 0), 0);
  EXPECT_EQ(t.FindSymbol(withNul)->Value, 3);
  EXPECT_EQ(t.FindSymbol("A"), nullptr);
}

TEST(SymDefPack, FullAt8192) {
  TSymDefPack t;
  for (int i = 0; i < kSymbolCapacity; ++i) {
    if (t.AddSymbol("S" + std::to_string(i), "", i, 'L', 0) != 0) FAIL() << "refused at " << i;
  }
  EXPECT_EQ(t.Count(), 8192);
  EXPECT_EQ(t.PagesAllocated(), 128);
  EXPECT_EQ(t.AddSymbol("NEW", "", 1, 'L', 0), 1);
  EXPECT_EQ(t.AddSymbol("M", "", 1, 'M', 0), 1);
  EXPECT_EQ(t.Count(), 8192);
  EXPECT_EQ(t.FindSymbol("NEW"), nullptr);
  // Refusals still win over "full", and a 'V' can still be updated.
  EXPECT_EQ(t.AddSymbol("S5", "", 0, 'L', 0), 2);
  EXPECT_EQ(t.FindSymbol("S8191"), t.GetItem(8192));
  EXPECT_EQ(t.GetItem(8192)->Value, 8191);
  EXPECT_EQ(t.GetItem(8193), nullptr);
  EXPECT_EQ(t.GetItem(65), t.FindSymbol("S64"));  // first record of page 2
}

TEST(SymDefPack, UpdateWorksWhenFull) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("VAR", "", 1, 'V', 0), 0);
  for (int i = 1; i < kSymbolCapacity; ++i) ASSERT_EQ(t.AddSymbol("X" + std::to_string(i), "", 0, 'C', 0), 0);
  EXPECT_EQ(t.AddSymbol("VAR", "", 9, 'V', 0), 0);
  EXPECT_EQ(t.FindSymbol("VAR")->Value, 9);
}

TEST(SymDefPack, ClearEmptiesTableAndIndex) {
  TSymDefPack t;
  ASSERT_EQ(t.AddSymbol("A", "", 1, 'C', 0), 0);
  TSymDefRecord* before = t.GetItem(1);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(t.AddSymbol("B" + std::to_string(i), "", i, 'L', 0), 0);
  EXPECT_EQ(t.GetItem(1), before);  // records never move
  t.Clear();
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(t.PagesAllocated(), 0);
  EXPECT_EQ(t.FindSymbol("A"), nullptr);
  EXPECT_EQ(t.GetItem(1), nullptr);
  ASSERT_EQ(t.AddSymbol("A", "", 2, 'C', 0), 0);  // no longer a redefinition
  EXPECT_EQ(t.PagesAllocated(), 1);
  EXPECT_EQ(t.FindSymbol("A")->Value, 2);
}

// The index must give exactly what a scan in index order gives.
TEST(SymDefPack, IndexAgreesWithScanInOrder) {
  TSymDefPack t;
  const char kinds[] = {'C', 'L', 'V', 'D', 'E', 'M'};
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int step = 0; step < 3000; ++step) {
    const std::string name = "N" + std::to_string(next() % 200);
    const char kind = kinds[next() % 6];
    const int32_t value = step;
    // Expected result from a plain scan of the records.
    int expected = -1;
    int32_t updated = 0;
    if (kind != 'M') {
      for (int32_t i = 1; i <= t.Count(); ++i) {
        const TSymDefRecord* r = t.GetItem(i);
        if (r->Name != name) continue;
        if (r->Kind == 'C' || r->Kind == 'L') {
          expected = 2;
          break;
        }
        if (r->Kind == 'V') {
          expected = 0;
          updated = i;
          break;
        }
      }
    }
    const int32_t countBefore = t.Count();
    const int got = t.AddSymbol(name, "", value, kind, 0);
    if (expected == 2) {
      ASSERT_EQ(got, 2);
      ASSERT_EQ(t.Count(), countBefore);
    } else if (updated) {
      ASSERT_EQ(got, 0);
      ASSERT_EQ(t.Count(), countBefore);
      ASSERT_EQ(t.GetItem(updated)->Value, value);
    } else {
      ASSERT_EQ(got, 0);
      ASSERT_EQ(t.Count(), countBefore + 1);
      ASSERT_EQ(t.GetItem(t.Count())->Value, value);
    }
  }
  for (int n = 0; n < 200; ++n) {
    const std::string name = "N" + std::to_string(n);
    int32_t first = 0;
    for (int32_t i = 1; i <= t.Count() && !first; ++i) {
      if (t.GetItem(i)->Name == name) first = i;
    }
    EXPECT_EQ(t.FindSymbolIndex(name), first) << name;
  }
}

TEST(CutText, CutsBytes) {
  EXPECT_EQ(CutText("abcdef", 3), "abc");
  EXPECT_EQ(CutText("ab", 3), "ab");
  EXPECT_EQ(CutText("", 3), "");
}
