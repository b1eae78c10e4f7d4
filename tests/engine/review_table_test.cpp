// Review tests of the instruction tables: every row of both variants, the
// first-match decoding of every word, the disassembly text and the alias file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "engine/review_spec_table.h"

namespace kyvor {
namespace {

using review::EncodeRow;
using review::ParsePattern;
using review::PatternOf;
using review::SpecDecode;
using review::SpecRow;
using review::SpecRows;
using review::SpecText;

class ReviewTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    dir_ = std::filesystem::temp_directory_path() /
           ("kyvor_review_alias_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
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
  for (const SpecRow& r : SpecRows())
    if (PatternOf(r, variant)) ++n;
  return n;
}

TEST_F(ReviewTableTest, SpecTableHasTheStatedRowCounts) {
  EXPECT_EQ(RowCount(0), 67);
  EXPECT_EQ(RowCount(1), 46);
}

// Every row: order, mnemonic, alias, kind, fixed bits, operand fields, flags.
void CheckRows(const TInstructionDescriptor* d, int variant) {
  int n = 0;
  for (const SpecRow& r : SpecRows()) {
    const char* p = PatternOf(r, variant);
    if (!p) continue;
    ++n;
    ASSERT_NE(d, nullptr) << "list ends before row " << r.mnemonic;
    SCOPED_TRACE(std::string("row ") + r.mnemonic + (variant ? " K08B" : " K08A"));
    EXPECT_EQ(d->Mnemonic, r.mnemonic);
    EXPECT_EQ(d->Alias, r.mnemonic);
    EXPECT_EQ(d->Kind, r.kind);
    EXPECT_EQ(d->NoRegisterOperand, r.noRegister);
    const review::PatternInfo pi = ParsePattern(p);
    EXPECT_EQ(d->Value, pi.value);
    EXPECT_EQ(d->Mask, pi.mask);
    EXPECT_EQ(d->OperandCount, pi.count);
    for (int i = 0; i < pi.count; ++i) {
      EXPECT_EQ(d->Operand[i].Lo, pi.range[i][0]) << "operand " << i + 1;
      EXPECT_EQ(d->Operand[i].Hi, pi.range[i][1]) << "operand " << i + 1;
    }
    unsigned flags = r.flags;
    if (variant == 1) flags &= ~(review::kLongCall | review::kLongJump);
    EXPECT_EQ(d->LongMove != 0, (flags & review::kLongMove) != 0);
    EXPECT_EQ(d->LongJump != 0, (flags & review::kLongJump) != 0);
    EXPECT_EQ(d->LongCall != 0, (flags & review::kLongCall) != 0);
    EXPECT_EQ(d->LongTableLoad != 0, (flags & review::kLongTableLoad) != 0);
    EXPECT_EQ(d->LongPointerLoad != 0, (flags & review::kLongPointerLoad) != 0);
    EXPECT_EQ(d->ShortBranch != 0, (flags & review::kShortBranch) != 0);
    EXPECT_EQ(d->RelativeBranch != 0, (flags & review::kRelativeBranch) != 0);
    if (!(variant == 1 && std::string(r.mnemonic) == "CALL")) {
      EXPECT_EQ(d->OptionalLastOperand != 0, (flags & review::kOptionalLast) != 0);
    }
    d = d->Next;
  }
  EXPECT_EQ(d, nullptr) << "more rows than the table has";
  EXPECT_EQ(n, variant == 0 ? 67 : 46);
}

TEST_F(ReviewTableTest, K08ARowsMatchTheTable) {
  load(0);
  CheckRows(up_->InstructionList(), 0);
}

TEST_F(ReviewTableTest, K08BRowsMatchTheTable) {
  load(1);
  CheckRows(up_->InstructionList(), 1);
}

// Every one of the 65,536 words decodes as the first matching row does, with
// the operands from its fields and the listing text built from them.
void CheckAllWords(TKy_UP& up, int variant) {
  int mismatches = 0;
  for (uint32_t w = 0; w <= 0xFFFF && mismatches < 10; ++w) {
    const SpecRow* r = SpecDecode(variant, uint16_t(w));
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
    const review::PatternInfo pi = ParsePattern(PatternOf(*r, variant));
    int ops[3] = {0, 0, 0};
    for (int i = 0; i < pi.count; ++i) {
      const int lo = pi.range[i][0], hi = pi.range[i][1];
      ops[i] = int((w >> lo) & ((1u << (hi - lo + 1)) - 1u));
    }
    const std::string text = SpecText(r->mnemonic, pi.count, ops[0], ops[1], ops[2]);
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

TEST_F(ReviewTableTest, EveryK08AWordDecodesAsTheFirstMatchingRow) {
  load(0);
  CheckAllWords(*up_, 0);
}

TEST_F(ReviewTableTest, EveryK08BWordDecodesAsTheFirstMatchingRow) {
  load(1);
  CheckAllWords(*up_, 1);
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

TEST_F(ReviewTableTest, NamedWordsOfBothVariants) {
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

TEST_F(ReviewTableTest, ExtractBitField) {
  EXPECT_EQ(ExtractBitField(0xABCD, 4, 7), 0xC);
  EXPECT_EQ(ExtractBitField(0xABCD, 0, 15), 0xABCD);
  EXPECT_EQ(ExtractBitField(0xABCD, 12, 15), 0xA);
  EXPECT_EQ(ExtractBitField(0xABCD, 5, 4), 0);  // hi < lo
}

TEST_F(ReviewTableTest, AliasFileRenamesAMnemonic) {
  writeAliases("ADDF PLUS\r\n");
  up_->LoadInstructionTableFull();
  ASSERT_NE(byMnemonic("ADDF"), nullptr);
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "PLUS");
  // The listing keeps the mnemonic.
  EXPECT_EQ(up_->Instructions().DisassembleText(EncodeRow("000100bdaaaaaaaa", 0x20, 1, 0)),
            "ADDF    20h, 1, 0");
  EXPECT_EQ(up_->Instructions().FindByName("PLUS"), byMnemonic("ADDF"));
}

TEST_F(ReviewTableTest, AliasThatIsAMnemonicChangesNothing) {
  writeAliases("ADDF SUBF\n");
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "ADDF");
  EXPECT_EQ(byMnemonic("SUBF")->Alias, "SUBF");
}

TEST_F(ReviewTableTest, LowerCaseAliasLineChangesNothing) {
  writeAliases("addf plus\nsubf minus\n");
  up_->LoadInstructionTableFull();
  for (const TInstructionDescriptor* d = up_->InstructionList(); d; d = d->Next)
    EXPECT_EQ(d->Alias, d->Mnemonic);
}

TEST_F(ReviewTableTest, AliasIsUpperCasedAndALaterLineReplacesIt) {
  writeAliases("ADDF plus\nMVL load ; comment\nADDF SUM\n");
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("ADDF")->Alias, "SUM");
  EXPECT_EQ(byMnemonic("MVL")->Alias, "LOAD");
}

TEST_F(ReviewTableTest, AliasLineWithLabelFieldAndComment) {
  writeAliases("lbl XORF EOR\nIORF ; ORF\n; ANDF AND\n");
  up_->LoadInstructionTableFull();
  EXPECT_EQ(byMnemonic("XORF")->Alias, "EOR");
  EXPECT_EQ(byMnemonic("IORF")->Alias, "IORF");  // field 4 is empty
  EXPECT_EQ(byMnemonic("ANDF")->Alias, "ANDF");  // the whole line is a comment
}

TEST_F(ReviewTableTest, MissingAliasFileLeavesTheTable) {
  up_->SetProgramFolder(dir_.string() + "/nowhere/");
  up_->LoadInstructionTableFull();
  CheckRows(up_->InstructionList(), 0);
}

TEST_F(ReviewTableTest, ReducedTableCarriesNoAlias) {
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

TEST_F(ReviewTableTest, RowsWithoutPatternOrWithBadCharacters) {
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

}  // namespace
}  // namespace kyvor
