// The instruction table: rows of both variants, first-match decoding of every
// word, encoding, disassembly text and the alias file.
#include "engine/instruction_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/instruction_patterns.h"
#include "support/temp_folder.h"

namespace kyvor {
namespace {

using patterns::EncodeRow;
using patterns::ParsePattern;
using patterns::PatternOf;
using patterns::PatternDecode;
using patterns::PatternRow;
using patterns::PatternRows;
using patterns::PatternText;

class AliasFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = test::MakeTempFolder("kyvor_alias"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& text) {
    const auto p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::filesystem::path dir_;
};

class InstructionListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    dir_ = test::MakeTempFolder("kyvor_list_alias");
    up_ = std::make_unique<TKy_UP>();
  }
  void TearDown() override {
    up_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetModes();
    ResetChipConfig();
  }
  void load(int variant) {
    if (variant == 0)
      up_->LoadInstructionTableFull();
    else
      up_->LoadInstructionTableReduced();
  }
  void writeAliases(const std::string& text) {
    std::ofstream f(dir_ / "Inst.txt", std::ios::binary);
    f << text;
    f.close();
    up_->SetProgramFolder(dir_.string() + "/");
  }
  const TInstructionDescriptor* byMnemonic(const std::string& m) {
    for (const TInstructionDescriptor* d = up_->InstructionList(); d; d = d->Next)
      if (d->Mnemonic == m) return d;
    return nullptr;
  }
  std::filesystem::path dir_;
  std::unique_ptr<TKy_UP> up_;
};

int RowCount(int variant) {
  int n = 0;
  for (const PatternRow& r : PatternRows())
    if (PatternOf(r, variant)) ++n;
  return n;
}

TEST_F(InstructionListTest, HandWrittenTableHasTheStatedRowCounts) {
  EXPECT_EQ(RowCount(0), 67);
  EXPECT_EQ(RowCount(1), 46);
}

// Every row: order, mnemonic, alias, kind, fixed bits, operand fields, flags.
void CheckRows(const TInstructionDescriptor* d, int variant) {
  int n = 0;
  for (const PatternRow& r : PatternRows()) {
    const char* p = PatternOf(r, variant);
    if (!p) continue;
    ++n;
    ASSERT_NE(d, nullptr) << "list ends before row " << r.mnemonic;
    SCOPED_TRACE(std::string("row ") + r.mnemonic + (variant ? " K08B" : " K08A"));
    EXPECT_EQ(d->Mnemonic, r.mnemonic);
    EXPECT_EQ(d->Alias, r.mnemonic);
    EXPECT_EQ(d->Kind, r.kind);
    EXPECT_EQ(d->NoRegisterOperand, r.noRegister);
    const patterns::PatternInfo pi = ParsePattern(p);
    EXPECT_EQ(d->Value, pi.value);
    EXPECT_EQ(d->Mask, pi.mask);
    EXPECT_EQ(d->OperandCount, pi.count);
    for (int i = 0; i < pi.count; ++i) {
      EXPECT_EQ(d->Operand[i].Lo, pi.range[i][0]) << "operand " << i + 1;
      EXPECT_EQ(d->Operand[i].Hi, pi.range[i][1]) << "operand " << i + 1;
    }
    unsigned flags = r.flags;
    if (variant == 1) flags &= ~(patterns::kLongCall | patterns::kLongJump);
    EXPECT_EQ(d->LongMove != 0, (flags & patterns::kLongMove) != 0);
    EXPECT_EQ(d->LongJump != 0, (flags & patterns::kLongJump) != 0);
    EXPECT_EQ(d->LongCall != 0, (flags & patterns::kLongCall) != 0);
    EXPECT_EQ(d->LongTableLoad != 0, (flags & patterns::kLongTableLoad) != 0);
    EXPECT_EQ(d->LongPointerLoad != 0, (flags & patterns::kLongPointerLoad) != 0);
    EXPECT_EQ(d->ShortBranch != 0, (flags & patterns::kShortBranch) != 0);
    EXPECT_EQ(d->RelativeBranch != 0, (flags & patterns::kRelativeBranch) != 0);
    if (!(variant == 1 && std::string(r.mnemonic) == "CALL")) {
      EXPECT_EQ(d->OptionalLastOperand != 0, (flags & patterns::kOptionalLast) != 0);
    }
    d = d->Next;
  }
  EXPECT_EQ(d, nullptr) << "more rows than the table has";
  EXPECT_EQ(n, variant == 0 ? 67 : 46);
}

TEST_F(InstructionListTest, K08ARowsMatchTheTable) {
  load(0);
  CheckRows(up_->InstructionList(), 0);
}

TEST_F(InstructionListTest, K08BRowsMatchTheTable) {
  load(1);
  CheckRows(up_->InstructionList(), 1);
}

// Every one of the 65,536 words decodes as the first matching row does, with
// the operands from its fields and the listing text built from them.
void CheckAllWords(TKy_UP& up, int variant) {
  int mismatches = 0;
  for (uint32_t w = 0; w <= 0xFFFF && mismatches < 10; ++w) {
    const PatternRow* r = PatternDecode(variant, uint16_t(w));
    uint8_t kind = 0xEE, noReg = 0xEE;
    int count = -1, op1 = -1, op2 = -1, op3 = -1;
    const bool ok = up.DecodeInstruction(uint16_t(w), kind, noReg, count, op1, op2, op3);
    std::string mn;
    uint8_t noReg2 = 0xEE;
    int c2 = -1, d1 = -1, d2 = -1, d3 = -1;
    const bool ok2 = up.DisassembleOpcode(uint16_t(w), mn, noReg2, c2, d1, d2, d3);
    if (!r) {
      if (ok || ok2) {
        ++mismatches;
        ADD_FAILURE() << std::hex << "word 0x" << w << " should decode to nothing";
      }
      if (!up.Instructions().DisassembleText(uint16_t(w)).empty()) {
        ++mismatches;
        ADD_FAILURE() << std::hex << "word 0x" << w << " has a text but decodes to nothing";
      }
      continue;
    }
    const patterns::PatternInfo pi = ParsePattern(PatternOf(*r, variant));
    int ops[3] = {0, 0, 0};
    for (int i = 0; i < pi.count; ++i) {
      const int lo = pi.range[i][0], hi = pi.range[i][1];
      ops[i] = int((w >> lo) & ((1u << (hi - lo + 1)) - 1u));
    }
    const std::string text = PatternText(r->mnemonic, pi.count, ops[0], ops[1], ops[2]);
    const bool good = ok && kind == r->kind && noReg == r->noRegister && count == pi.count &&
                      op1 == ops[0] && op2 == ops[1] && op3 == ops[2] && ok2 &&
                      mn == r->mnemonic && noReg2 == r->noRegister && c2 == pi.count &&
                      d1 == ops[0] && d2 == ops[1] && d3 == ops[2] &&
                      up.Instructions().DisassembleText(uint16_t(w)) == text;
    if (!good) {
      ++mismatches;
      ADD_FAILURE() << std::hex << "word 0x" << w << ": expected " << r->mnemonic << " kind "
                    << std::dec << r->kind << " ops " << ops[0] << "," << ops[1] << ","
                    << ops[2] << " text '" << text << "'; got ok=" << ok << " kind "
                    << int(kind) << " count " << count << " ops " << op1 << "," << op2 << ","
                    << op3 << " mnemonic " << mn << " text '"
                    << up.Instructions().DisassembleText(uint16_t(w)) << "'";
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(InstructionListTest, EveryK08AWordDecodesAsTheFirstMatchingRow) {
  load(0);
  CheckAllWords(*up_, 0);
}

TEST_F(InstructionListTest, EveryK08BWordDecodesAsTheFirstMatchingRow) {
  load(1);
  CheckAllWords(*up_, 1);
}

// Each build reloads the chip's table: a reload of the same variant keeps the
// word lookup, another variant rebuilds it, and every word still decodes as
// its first matching row.
TEST_F(InstructionListTest, AReloadOfTheSameVariantKeepsTheWordLookup) {
  const int built = up_->Instructions().LookupBuildCount();
  load(0);
  load(0);
  EXPECT_EQ(up_->Instructions().LookupBuildCount(), built) << "the model starts with K08A";
  load(1);
  load(1);
  EXPECT_EQ(up_->Instructions().LookupBuildCount(), built + 1);
  CheckAllWords(*up_, 1);
  load(0);
  EXPECT_EQ(up_->Instructions().LookupBuildCount(), built + 2);
  CheckAllWords(*up_, 0);
}

struct Dec {
  bool ok;
  uint8_t kind;
  int count, op1, op2, op3;
};

Dec DecodeOf(TKy_UP& up, uint16_t w) {
  Dec d{};
  uint8_t nr = 0;
  d.ok = up.DecodeInstruction(w, d.kind, nr, d.count, d.op1, d.op2, d.op3);
  return d;
}

TEST_F(InstructionListTest, NamedWordsOfBothVariants) {
  load(0);
  Dec d = DecodeOf(*up_, 0x0000);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.kind, 0);
  d = DecodeOf(*up_, 0x0009);
  EXPECT_EQ(d.kind, 27);
  EXPECT_EQ(d.op1, 1);
  d = DecodeOf(*up_, 0x0021);
  EXPECT_EQ(d.kind, 69);
  d = DecodeOf(*up_, 0xF123);
  EXPECT_EQ(d.kind, 51);
  EXPECT_EQ(d.op1, 0x123);
  d = DecodeOf(*up_, 0xC805);  // RCALL under K08A
  EXPECT_EQ(d.kind, 67);
  EXPECT_EQ(d.op1, 0x005);
  d = DecodeOf(*up_, 0x7805);  // RJ
  EXPECT_EQ(d.kind, 66);
  d = DecodeOf(*up_, 0x9A40);  // BSF 40h, 5, 0
  EXPECT_EQ(d.kind, 34);
  EXPECT_EQ(d.count, 3);
  EXPECT_EQ(d.op1, 0x40);
  EXPECT_EQ(d.op2, 5);
  EXPECT_EQ(d.op3, 0);
  EXPECT_EQ(up_->Instructions().DisassembleText(0x9A40), "BSF     40h, 5, 0");
  EXPECT_EQ(up_->Instructions().DisassembleText(0x0000), "NOP     ");
  EXPECT_EQ(up_->Instructions().DisassembleText(0xF123), "NOPF    123h");
  EXPECT_EQ(up_->Instructions().DisassembleText(0x0D7F), "CLRF    7fh, 1");
  EXPECT_EQ(up_->Instructions().DisassembleText(0xC3AB), "");  // matches no K08A row
  d = DecodeOf(*up_, 0xC3AB);
  EXPECT_FALSE(d.ok);

  load(1);
  d = DecodeOf(*up_, 0xC805);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.kind, 25);
  EXPECT_EQ(d.op1, 0x005);
  d = DecodeOf(*up_, 0x7805);
  EXPECT_EQ(d.kind, 26);
  EXPECT_EQ(d.op1, 0x005);
  d = DecodeOf(*up_, 0x0009);  // RETI has no operand under K08B
  EXPECT_FALSE(d.ok);
  d = DecodeOf(*up_, 0x0008);
  EXPECT_EQ(d.kind, 27);
  EXPECT_EQ(d.count, 0);
  d = DecodeOf(*up_, 0xF123);  // no NOPF
  EXPECT_FALSE(d.ok);
  d = DecodeOf(*up_, 0x0E10);  // no MULF
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(up_->Instructions().DisassembleText(0xCFFF), "CALL    7ffh");
}

TEST_F(InstructionListTest, ExtractBitFieldOfTheModel) {
  EXPECT_EQ(ExtractBitField(0xABCD, 4, 7), 0xC);
  EXPECT_EQ(ExtractBitField(0xABCD, 0, 15), 0xABCD);
  EXPECT_EQ(ExtractBitField(0xABCD, 12, 15), 0xA);
  EXPECT_EQ(ExtractBitField(0xABCD, 5, 4), 0);  // hi < lo
}

TEST_F(InstructionListTest, AliasFileRenamesAMnemonic) {
  writeAliases("ADDF PLUS\r\n");
  up_->LoadInstructionTableFull();
  ASSERT_NE(byMnemonic("ADDF"), nullptr);
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "PLUS");
  // The listing keeps the mnemonic.
  EXPECT_EQ(up_->Instructions().DisassembleText(EncodeRow("000100bdaaaaaaaa", 0x20, 1, 0)),
            "ADDF    20h, 1, 0");
  EXPECT_EQ(up_->Instructions().FindByName("PLUS"), byMnemonic("ADDF"));
}

TEST_F(InstructionListTest, AliasThatIsAMnemonicChangesNothing) {
  writeAliases("ADDF SUBF\n");
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "ADDF");
  EXPECT_EQ(byMnemonic("SUBF")->Alias, "SUBF");
}

TEST_F(InstructionListTest, LowerCaseAliasLineChangesNothing) {
  writeAliases("addf plus\nsubf minus\n");
  up_->LoadInstructionTableFull();
  for (const TInstructionDescriptor* d = up_->InstructionList(); d; d = d->Next)
    EXPECT_EQ(d->Alias, d->Mnemonic);
}

TEST_F(InstructionListTest, AliasIsUpperCasedAndALaterLineReplacesIt) {
  writeAliases("ADDF plus\nMVL load ; comment\nADDF SUM\n");
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "SUM");
  EXPECT_EQ(byMnemonic("MVL")->Alias, "LOAD");
}

TEST_F(InstructionListTest, AliasLineWithLabelFieldAndComment) {
  writeAliases("lbl XORF EOR\nIORF ; ORF\n; ANDF AND\n");
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("XORF")->Alias, "EOR");
  EXPECT_EQ(byMnemonic("IORF")->Alias, "IORF");  // field 4 is empty
  EXPECT_EQ(byMnemonic("ANDF")->Alias, "ANDF");  // the whole line is a comment
}

TEST_F(InstructionListTest, MissingAliasFileLeavesTheTable) {
  up_->SetProgramFolder(dir_.string() + "/nowhere/");
  up_->LoadInstructionTableFull();
  CheckRows(up_->InstructionList(), 0);
}

TEST_F(InstructionListTest, ReducedTableCarriesNoAlias) {
  writeAliases("ADDF PLUS\n");
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "PLUS");
  up_->LoadInstructionTableReduced();
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "ADDF");
  EXPECT_EQ(up_->Instructions().FindByName("PLUS"), nullptr);
  // Back to K08A: the alias file applies again and the decoder is K08A's.
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "PLUS");
  EXPECT_EQ(DecodeOf(*up_, 0xC805).kind, 67);
}

TEST_F(InstructionListTest, RowsWithoutPatternOrWithBadCharacters) {
  TInstructionTable t;
  // A row without a blank is skipped; a short pattern is skipped; extra
  // characters after the sixteenth are ignored; lower-case mnemonics are upper-cased.
  EXPECT_TRUE(t.BuildDecoder({"NOP", "mvl   00000110aaaaaaaa", "ADDL 0000010", "XORL\t\t00000011aaaaaaaaXYZ"},
                             kCoreK08A));
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(t.First()->Mnemonic, "MVL");
  EXPECT_EQ(t.First()->Kind, 23);
  EXPECT_EQ(t.First()->Next->Mnemonic, "XORL");
  EXPECT_EQ(t.First()->Next->Value, 0x0300);
  // A character other than 0, 1, a, b, d stops the build with false.
  TInstructionTable u;
  EXPECT_FALSE(u.BuildDecoder({"MVL 00000110aaaaaaaa", "BAD 0000011xaaaaaaaa"}, kCoreK08A));
  // A mnemonic not in the kind list keeps kind and flags 0.
  TInstructionTable v;
  EXPECT_TRUE(v.BuildDecoder({"FOO 1111000000000000"}, kCoreK08A));
  ASSERT_EQ(v.Count(), 1);
  EXPECT_EQ(v.First()->Kind, 0);
  EXPECT_EQ(v.First()->NoRegisterOperand, 0);
  // Pattern letters are accepted in either case.
  TInstructionTable x;
  EXPECT_TRUE(x.BuildDecoder({"BSF 1001BBBDAAAAAAAA"}, kCoreK08A));
  ASSERT_EQ(x.Count(), 1);
  EXPECT_EQ(x.First()->OperandCount, 3);
  EXPECT_EQ(x.First()->Mask, 0xF000);
}

TEST(InstructionTable, RowCountsAndOrder) {
  TInstructionTable t;
  ASSERT_TRUE(t.LoadFull());
  EXPECT_EQ(t.Count(), 67);
  EXPECT_EQ(t.Variant(), kCoreK08A);
  EXPECT_EQ(t.First()->Mnemonic, "NOP");
  int n = 0;
  const TInstructionDescriptor* last = nullptr;
  for (const TInstructionDescriptor* d = t.First(); d; d = d->Next) {
    EXPECT_EQ(d->Row, n);
    ++n;
    last = d;
  }
  EXPECT_EQ(n, 67);
  EXPECT_EQ(last->Mnemonic, "POP");

  ASSERT_TRUE(t.LoadReduced());
  EXPECT_EQ(t.Count(), 46);
  EXPECT_EQ(t.Variant(), kCoreK08B);
  for (const char* missing : {"MULF", "JZ", "TBLR", "MVLP", "JC", "MULL", "LDPR", "LBSR", "NOPF",
                              "ARLC", "ARRC", "JN", "JO", "JNC", "JNZ", "JNN", "JNO", "MVFF", "RJ",
                              "RCALL", "POP"})
    EXPECT_EQ(t.FindByMnemonic(missing), nullptr) << missing;
}

TEST(InstructionTable, KindsFlagsAndOperands) {
  TInstructionTable t;
  t.LoadFull();
  const auto* addf = t.FindByMnemonic("ADDF");
  ASSERT_TRUE(addf);
  EXPECT_EQ(addf->Kind, ik::ADDF);
  EXPECT_EQ(addf->NoRegisterOperand, 0);
  EXPECT_EQ(addf->OperandCount, 3);
  EXPECT_EQ(addf->Operand[0].Lo, 0);
  EXPECT_EQ(addf->Operand[0].Hi, 7);
  EXPECT_EQ(addf->Operand[1].Lo, 9);  // b
  EXPECT_EQ(addf->Operand[2].Lo, 8);  // d
  EXPECT_EQ(addf->Value, 0x1000);
  EXPECT_EQ(addf->Mask, 0xFC00);
  EXPECT_TRUE(addf->OptionalLastOperand);

  const auto* clrf = t.FindByMnemonic("CLRF");
  EXPECT_EQ(clrf->OperandCount, 2);
  EXPECT_EQ(clrf->Operand[1].Lo, 8);

  const auto* call = t.FindByMnemonic("CALL");
  EXPECT_TRUE(call->LongCall);
  EXPECT_TRUE(call->OptionalLastOperand);
  EXPECT_TRUE(t.FindByMnemonic("JMP")->LongJump);
  EXPECT_TRUE(t.FindByMnemonic("MVFF")->LongMove);
  EXPECT_TRUE(t.FindByMnemonic("MVLP")->LongTableLoad);
  EXPECT_TRUE(t.FindByMnemonic("LDPR")->LongPointerLoad);
  EXPECT_TRUE(t.FindByMnemonic("JNZ")->ShortBranch);
  EXPECT_TRUE(t.FindByMnemonic("RCALL")->RelativeBranch);
  EXPECT_EQ(t.FindByMnemonic("POP")->Kind, ik::POP);
  EXPECT_EQ(t.FindByMnemonic("NOP")->OperandCount, 0);
  EXPECT_EQ(t.FindByMnemonic("NOPF")->NoRegisterOperand, 1);

  // Every kind is used once; 10, 42 and 68 never.
  std::set<int> kinds;
  for (const auto& d : t.Descriptors()) kinds.insert(d.Kind);
  EXPECT_EQ(kinds.size(), 67u);
  EXPECT_FALSE(kinds.count(10) || kinds.count(42) || kinds.count(68));

  t.LoadReduced();
  EXPECT_FALSE(t.FindByMnemonic("CALL")->LongCall);
  EXPECT_FALSE(t.FindByMnemonic("JMP")->LongJump);
  EXPECT_EQ(t.FindByMnemonic("RET")->OperandCount, 0);
}

TEST(InstructionTable, LookupEqualsFirstMatchForEveryWord) {
  TInstructionTable t;
  for (int variant = 0; variant < 2; ++variant) {
    variant == 0 ? t.LoadFull() : t.LoadReduced();
    for (unsigned w = 0; w < 65536; ++w) {
      const auto* scan = t.DecodeByScan(uint16_t(w));
      ASSERT_EQ(t.Decode(uint16_t(w)), scan) << std::hex << w;
      if (!scan) continue;
      const TDecodedWord& dw = t.DecodedWord(uint16_t(w));
      ASSERT_EQ(dw.Op1, ExtractBitField(uint16_t(w), scan->Operand[0].Lo, scan->Operand[0].Hi));
    }
  }
}

// Encoding is the inverse of decoding: every pattern letter is an operand
// bit, so each decodable word is its row's fixed bits plus its operands.
TEST(InstructionTable, EncodeInvertsDecodeForEveryWord) {
  TInstructionTable t;
  for (int variant = 0; variant < 2; ++variant) {
    variant == 0 ? t.LoadFull() : t.LoadReduced();
    for (unsigned w = 0; w < 65536; ++w) {
      const TInstructionDescriptor* d = t.Decode(uint16_t(w));
      if (!d) continue;
      const TDecodedWord& dw = t.DecodedWord(uint16_t(w));
      ASSERT_EQ(TInstructionTable::Encode(*d, dw.Op1, dw.Op2, dw.Op3), w) << std::hex << w;
    }
  }
}

// The built-in tables only encode: each holds its variant's rows, encodes
// as a loaded table and builds no word lookup.
TEST(InstructionTable, BuiltInTablesEncodeWithoutAWordLookup) {
  TInstructionTable t;
  for (int variant = 0; variant < 2; ++variant) {
    variant == 0 ? t.LoadFull() : t.LoadReduced();
    const TInstructionTable& builtIn = BuiltInInstructions(variant);
    EXPECT_EQ(builtIn.LookupBuildCount(), 0);
    ASSERT_EQ(builtIn.Count(), t.Count());
    for (const auto& d : t.Descriptors())
      EXPECT_EQ(builtIn.Encode(d.Mnemonic, 0x155, 5, 1), t.Encode(d.Mnemonic, 0x155, 5, 1))
          << d.Mnemonic;
  }
}

TEST(InstructionTable, EncodeCutsOperandsToTheirFields) {
  TInstructionTable t;
  t.LoadFull();
  // BSF: operand 1 in bits 0-7, bit number in 9-11, bank bit in 8.
  EXPECT_EQ(t.Encode("BSF", 0x140, 13, 3), 0x9000 | 0x40 | (5 << 9) | (1 << 8));
  EXPECT_EQ(t.Encode("RJ", -5), 0x7800 | 0x7FB);        // 11-bit two's complement
  EXPECT_EQ(t.Encode("NOP", 0x1234, 1, 1), 0x0000);      // no fields: operands ignored
  EXPECT_EQ(t.Encode("NOSUCH", 1), 0);
  t.LoadReduced();
  EXPECT_EQ(t.Encode("JMP", 0x805), 0x7805);  // the one-word 11-bit form of K08B
}

TEST(InstructionTable, EveryRowDecodesAndDisassembles) {
  TInstructionTable t;
  for (int variant = 0; variant < 2; ++variant) {
    variant == 0 ? t.LoadFull() : t.LoadReduced();
    for (const auto& d : t.Descriptors()) {
      // The row's own word, with operand 1 = 1 and the others 1 where present.
      const uint16_t w = t.Encode(d.Mnemonic, 1, 1, 1);
      const TInstructionDescriptor* got = t.Decode(w);
      ASSERT_TRUE(got) << d.Mnemonic;
      // A row may be shadowed by an earlier one for some words (RJ/JMP under
      // K08A share no pattern, but e.g. NOP shadows nothing); the first match
      // must be the row itself or an earlier row.
      EXPECT_LE(got->Row, d.Row) << d.Mnemonic;
      std::string m;
      uint8_t noReg = 9;
      int count = -1, o1 = -1, o2 = -1, o3 = -1;
      ASSERT_TRUE(t.DisassembleOpcode(w, m, noReg, count, o1, o2, o3));
      EXPECT_EQ(m, got->Mnemonic);
      EXPECT_EQ(count, got->OperandCount);
      const std::string text = t.DisassembleText(w);
      EXPECT_EQ(text.substr(0, got->Mnemonic.size()), got->Mnemonic);
      if (got == &d && d.OperandCount >= 1) {
        EXPECT_EQ(o1, 1);
      }
    }
  }
}

TEST(InstructionTable, DecodeEdgeCases) {
  TInstructionTable t;
  t.LoadFull();
  uint8_t kind = 0, noReg = 0;
  int count = 0, o1 = 0, o2 = 0, o3 = 0;
  ASSERT_TRUE(t.DecodeInstruction(0x0000, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::NOP);
  ASSERT_TRUE(t.DecodeInstruction(0x0009, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::RETI);
  EXPECT_EQ(o1, 1);
  ASSERT_TRUE(t.DecodeInstruction(0x0021, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::POP);
  ASSERT_TRUE(t.DecodeInstruction(0xF123, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::NOPF);
  EXPECT_EQ(o1, 0x123);
  ASSERT_TRUE(t.DecodeInstruction(0xC805, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::RCALL);
  EXPECT_EQ(o1, 5);
  ASSERT_TRUE(t.DecodeInstruction(0x7805, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::RJ);
  ASSERT_TRUE(t.DecodeInstruction(0x9A40, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::BSF);
  EXPECT_EQ(o1, 0x40);
  EXPECT_EQ(o2, 5);
  EXPECT_EQ(o3, 0);
  // A word that matches no row.
  EXPECT_FALSE(t.DecodeInstruction(0x0004, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(t.DisassembleText(0x0004), "");

  t.LoadReduced();
  ASSERT_TRUE(t.DecodeInstruction(0xC805, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::CALL);
  EXPECT_EQ(o1, 5);
  ASSERT_TRUE(t.DecodeInstruction(0x7805, kind, noReg, count, o1, o2, o3));
  EXPECT_EQ(kind, ik::JMP);
  EXPECT_FALSE(t.DecodeInstruction(0x0009, kind, noReg, count, o1, o2, o3));
  EXPECT_FALSE(t.DecodeInstruction(0xF123, kind, noReg, count, o1, o2, o3));
}

TEST(InstructionTable, DisassemblyText) {
  TInstructionTable t;
  t.LoadFull();
  EXPECT_EQ(t.DisassembleText(0x9A40), "BSF     40h, 5, 0");
  EXPECT_EQ(t.DisassembleText(t.Encode("ADDF", 0xAB, 1, 1)), "ADDF    abh, 1, 1");
  EXPECT_EQ(t.DisassembleText(t.Encode("CLRF", 0x12, 1)), "CLRF    12h, 1");
  EXPECT_EQ(t.DisassembleText(t.Encode("MVL", 0x7F)), "MVL     7fh");
  EXPECT_EQ(t.DisassembleText(0x0000), "NOP     ");
  EXPECT_EQ(t.DisassembleText(0xF123), "NOPF    123h");
  EXPECT_EQ(t.DisassembleText(t.Encode("RCALL", 0x7FF)), "RCALL   7ffh");
}

TEST(InstructionTable, ExtractBitField) {
  EXPECT_EQ(ExtractBitField(0xABCD, 0, 7), 0xCD);
  EXPECT_EQ(ExtractBitField(0xABCD, 8, 15), 0xAB);
  EXPECT_EQ(ExtractBitField(0xABCD, 0, 15), 0xABCD);
  EXPECT_EQ(ExtractBitField(0xABCD, 4, 3), 0);
  EXPECT_EQ(ExtractBitField(0x0200, 9, 9), 1);
}

TEST(InstructionTable, BuildDecoderSkipsShortRowsAndStopsAtBadCharacters) {
  TInstructionTable t;
  EXPECT_TRUE(t.BuildDecoder({"nop 0000000000000000", "NOPATTERN", "SHORT 0101", "mvl\t00000110aaaaaaaa",
                              "ADDF 000100BDAAAAAAAAxyz"},
                             kCoreK08A));
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t.Descriptors()[0].Mnemonic, "NOP");
  EXPECT_EQ(t.Descriptors()[1].Mnemonic, "MVL");
  EXPECT_EQ(t.Descriptors()[1].Kind, ik::MVL);
  EXPECT_EQ(t.Descriptors()[2].OperandCount, 3);  // upper-case letters count too
  EXPECT_FALSE(t.BuildDecoder({"NOP 0000000000000000", "BAD 00000000000000x0", "MVL 00000110aaaaaaaa"},
                              kCoreK08A));
  EXPECT_EQ(t.Count(), 1);
  // A mnemonic outside the kind list keeps kind and flags 0.
  t.BuildDecoder({"FOO 1111111111111111"}, kCoreK08A);
  EXPECT_EQ(t.Descriptors()[0].Kind, 0);
  EXPECT_EQ(t.Descriptors()[0].NoRegisterOperand, 0);
}

TEST_F(AliasFileTest, AliasRules) {
  const std::string path = write("Inst.txt",
                                 "ADDF PLUS ; comment\r\n"
                                 "ADDF SUBF\n"
                                 "addf minus\n"
                                 "label MVL LOADW\n"
                                 "XORF\n"
                                 "IORF or1\n"
                                 "ANDF andf\n");
  TInstructionTable t;
  t.LoadFull(path);
  EXPECT_EQ(t.FindByMnemonic("ADDF")->Alias, "PLUS");
  EXPECT_EQ(t.FindByMnemonic("SUBF")->Alias, "SUBF");
  EXPECT_EQ(t.FindByMnemonic("MVL")->Alias, "LOADW");
  EXPECT_EQ(t.FindByMnemonic("XORF")->Alias, "XORF");
  EXPECT_EQ(t.FindByMnemonic("IORF")->Alias, "OR1");
  // An alias never takes another instruction's name, whatever its case.
  EXPECT_EQ(t.FindByMnemonic("ANDF")->Alias, "ANDF");
  EXPECT_EQ(t.FindByName("PLUS"), t.FindByMnemonic("ADDF"));
  EXPECT_EQ(t.FindByName("ADDF"), t.FindByMnemonic("ADDF"));
  EXPECT_EQ(t.FindByName("plus"), nullptr);
  // Decoding and disassembly keep the mnemonic.
  EXPECT_EQ(t.DisassembleText(t.Encode("ADDF", 1, 0, 0)).substr(0, 4), "ADDF");
}

TEST_F(AliasFileTest, LaterLineReplacesAndLowerCaseChangesNothing) {
  const std::string path = write("Inst.txt", "ADDF PLUS\nADDF SUM\naddf subf\n");
  TInstructionTable t;
  t.LoadFull(path);
  EXPECT_EQ(t.FindByMnemonic("ADDF")->Alias, "SUM");
  EXPECT_EQ(t.FindByMnemonic("SUBF")->Alias, "SUBF");
}

TEST_F(AliasFileTest, MissingFileAndReducedTable) {
  TInstructionTable t;
  t.LoadFull((dir_ / "nothing.txt").string());
  for (const auto& d : t.Descriptors()) EXPECT_EQ(d.Alias, d.Mnemonic);

  write("INST.TXT", "ADDF PLUS\n");
  TKy_UP up;
  up.SetProgramFolder(dir_.string() + "/");
  up.LoadInstructionTableFull();  // found under another letter case
  EXPECT_EQ(up.Instructions().FindByMnemonic("ADDF")->Alias, "PLUS");
  up.LoadInstructionTableReduced();
  for (const auto& d : up.Instructions().Descriptors()) EXPECT_EQ(d.Alias, d.Mnemonic);
  EXPECT_EQ(up.Instructions().FindByName("PLUS"), nullptr);
}

}  // namespace
}  // namespace kyvor
