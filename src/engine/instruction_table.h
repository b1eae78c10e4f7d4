#pragma once
// Instruction tables of the two core variants, the decoder built from them,
// the disassembly text and the "Inst.txt" alias file.
//
// A table is a list of text rows "MNEMONIC<blanks>PATTERN", the pattern being
// 16 characters, first character = bit 15: '1'/'0' fixed bits, 'a' operand 1,
// 'b' bit number / destination / shadow select, 'd' bank select. Row order is
// the decode order: a word decodes to the first row whose fixed bits match.
// Decoding goes through a 65,536-entry lookup table built from the rows, which
// gives exactly the first-match answer.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kyvor {

// Instruction-set variants (the chip's `CoreVariant`).
constexpr int kCoreK08A = 0;
constexpr int kCoreK08B = 1;

// Instruction kinds (the simulator switches on them). 10, 42 and 68 are unused.
namespace ik {
constexpr uint8_t NOP = 0, CLRF = 1, ADDF = 2, INF = 3, INSZ = 4, DCF = 5, DCSZ = 6, SUBF = 7,
                  COMF = 8, MVF = 9, ADDC = 11, ANDF = 12, IORF = 13, XORF = 14, RLF = 15,
                  SUBC = 16, RRF = 17, ADDL = 18, SUBL = 19, ANDL = 20, IORL = 21, XORL = 22,
                  MVL = 23, RETL = 24, CALL = 25, JMP = 26, RETI = 27, RET = 28, IDLE = 29,
                  SLP = 30, CWDT = 31, SETF = 32, BCF = 33, BSF = 34, BTSZ = 35, BTSS = 36,
                  MULF = 37, JZ = 38, RRFC = 39, RLFC = 40, SWPF = 41, TBLR = 43, MVLP = 44,
                  JC = 45, INSUZ = 46, DCSUZ = 47, MULL = 48, LDPR = 49, LBSR = 50, NOPF = 51,
                  ARLC = 52, ARRC = 53, CPSG = 54, CPSL = 55, CPSE = 56, TFSZ = 57, JN = 58,
                  JO = 59, JNC = 60, JNZ = 61, JNN = 62, JNO = 63, BTGF = 64, MVFF = 65, RJ = 66,
                  RCALL = 67, POP = 69;
}  // namespace ik

// Bit range of one operand field; Hi < Lo means the field is absent.
struct TOperandRange {
  int Lo = 0;
  int Hi = -1;
};

// One row of an instruction table after parsing.
struct TInstructionDescriptor {
  std::string Mnemonic;  // upper case
  std::string Alias;     // = Mnemonic unless "Inst.txt" renames it (upper case)
  uint8_t Kind = 0;
  uint8_t NoRegisterOperand = 0;  // 1: no data-memory operand
  uint16_t Value = 0;             // fixed bits ('1')
  uint16_t Mask = 0;              // positions of the fixed bits
  // Followed by a second word:
  uint8_t LongMove = 0;         // MVFF
  uint8_t LongJump = 0;         // JMP (K08A)
  uint8_t LongCall = 0;         // CALL (K08A)
  uint8_t LongTableLoad = 0;    // MVLP
  uint8_t LongPointerLoad = 0;  // LDPR
  uint8_t ShortBranch = 0;      // 8-bit relative conditional branch
  uint8_t RelativeBranch = 0;   // 11-bit relative branch (RJ, RCALL)
  uint8_t OptionalLastOperand = 0;
  uint8_t Reserved1 = 0;
  uint8_t Reserved2 = 0;
  // Operand 1 is 'a'; with both 'b' and 'd', 2 is 'b' and 3 is 'd'; with one
  // of them it is operand 2.
  int OperandCount = 0;
  TOperandRange Operand[3];
  int Row = 0;                                  // 0-based position in the table
  const TInstructionDescriptor* Next = nullptr;  // following row, null at the end

  bool IsTwoWord() const {
    return LongMove || LongJump || LongCall || LongTableLoad || LongPointerLoad;
  }
};

// A word decoded once: what the simulator needs, without walking the list.
struct TDecodedWord {
  uint16_t Op1 = 0;
  uint8_t Op2 = 0;
  uint8_t Op3 = 0;
  uint8_t Kind = 0;
  uint8_t NoRegisterOperand = 0;
  uint8_t Row = 0xFF;  // 0xFF: the word matches no row
  uint8_t OperandCount = 0;
  // How the simulator forms the data address: 0 banked (register 42 x 256 +
  // operand 1), 1 operand 1 itself, 2 through the indirect-access pointers.
  uint8_t Access = 0;
  uint8_t Reserved = 0;
};

// (opcode >> lo) AND (2^(hi-lo+1) - 1); 0 when hi < lo.
uint16_t ExtractBitField(uint16_t opcode, int lo, int hi);

// The built-in row texts: 67 rows of K08A, 46 rows of K08B.
const std::vector<std::string>& K08ATableRows();
const std::vector<std::string>& K08BTableRows();

// Disassembly text: "%-8s%xh, %x, %x" / "%-8s%xh, %x" / "%-8s%xh" / "%-8s" by
// the operand count, with the mnemonic (never the alias).
std::string FormatInstructionText(const TInstructionDescriptor& d, int op1, int op2, int op3);

class TInstructionTable {
 public:
  TInstructionTable();
  ~TInstructionTable();
  TInstructionTable(const TInstructionTable&) = delete;
  TInstructionTable& operator=(const TInstructionTable&) = delete;

  // K08A rows, then the aliases of `aliasFile` (empty path: no alias file).
  bool LoadFull(const std::string& aliasFile = std::string());
  // K08B rows, no alias file.
  bool LoadReduced();

  // Drops the current list and parses `rows` in order. `variant` selects the
  // CALL/JMP difference (one-word forms under K08B). True when every row
  // parsed; on a bad pattern character the rows before it stay in the list.
  bool BuildDecoder(const std::vector<std::string>& rows, int variant);

  // Applies the alias file at `path`; a missing or unreadable file is ignored.
  void LoadInstructionAliases(const std::string& path);
  // Applies alias lines given as text (one line per entry).
  void ApplyAliasLine(const std::string& line);

  int Variant() const { return variant_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  // First descriptor (the head's Next), null when the list is empty.
  const TInstructionDescriptor* First() const { return rows_.empty() ? nullptr : &rows_[0]; }
  const std::vector<TInstructionDescriptor>& Descriptors() const { return rows_; }

  // The first row whose Mnemonic or Alias equals `word` exactly.
  const TInstructionDescriptor* FindByName(std::string_view word) const;
  // The first row whose Mnemonic equals `word` exactly.
  const TInstructionDescriptor* FindByMnemonic(std::string_view word) const;

  // Decoding: the first row in table order whose masked bits equal its value.
  const TInstructionDescriptor* Decode(uint16_t opcode) const {
    const uint8_t r = (*decoded_)[opcode].Row;
    return r == 0xFF ? nullptr : &rows_[r];
  }
  const TDecodedWord& DecodedWord(uint16_t opcode) const { return (*decoded_)[opcode]; }
  // The same answer by walking the list (the reference the lookup table follows).
  const TInstructionDescriptor* DecodeByScan(uint16_t opcode) const;

  // Encoding, the inverse of decoding: the row's fixed bits with each operand
  // cut to the width of its field and placed there (operands beyond the row's
  // count are ignored).
  static uint16_t Encode(const TInstructionDescriptor& d, int32_t op1 = 0, int32_t op2 = 0,
                         int32_t op3 = 0);
  // The same for the first row with that mnemonic; 0 when there is none.
  uint16_t Encode(std::string_view mnemonic, int32_t op1 = 0, int32_t op2 = 0,
                  int32_t op3 = 0) const;

  bool DecodeInstruction(uint16_t opcode, uint8_t& kind, uint8_t& noRegisterOperand,
                         int& operandCount, int& op1, int& op2, int& op3) const;
  bool DisassembleOpcode(uint16_t opcode, std::string& mnemonic, uint8_t& noRegisterOperand,
                         int& operandCount, int& op1, int& op2, int& op3) const;
  // The listing's text of a word; empty when it decodes to nothing.
  std::string DisassembleText(uint16_t opcode) const;

 private:
  void relink();
  void buildLookup();

  std::vector<TInstructionDescriptor> rows_;
  std::unique_ptr<std::array<TDecodedWord, 65536>> decoded_;
  int variant_ = kCoreK08A;
};

}  // namespace kyvor
