#include "engine/instruction_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "engine/ky_up.h"
#include "engine/asm_helper.h"

namespace kyvor {
namespace {

using test::Encode;

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
      const uint16_t w = Encode(t, d.Mnemonic, 1, 1, 1);
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
  EXPECT_EQ(t.DisassembleText(Encode(t, "ADDF", 0xAB, 1, 1)), "ADDF    abh, 1, 1");
  EXPECT_EQ(t.DisassembleText(Encode(t, "CLRF", 0x12, 1)), "CLRF    12h, 1");
  EXPECT_EQ(t.DisassembleText(Encode(t, "MVL", 0x7F)), "MVL     7fh");
  EXPECT_EQ(t.DisassembleText(0x0000), "NOP     ");
  EXPECT_EQ(t.DisassembleText(0xF123), "NOPF    123h");
  EXPECT_EQ(t.DisassembleText(Encode(t, "RCALL", 0x7FF)), "RCALL   7ffh");
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

class AliasFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kyvor_alias_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& text) {
    const auto p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::filesystem::path dir_;
};

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
  EXPECT_EQ(t.DisassembleText(Encode(t, "ADDF", 1, 0, 0)).substr(0, 4), "ADDF");
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
