#pragma once
// The instruction set: one declaration per instruction (both core variants'
// bit patterns, kind, assembler flags, cycles and how it executes), the
// decoder and encoder built from it, the disassembly text and the "Inst.txt"
// alias file.
//
// A pattern is 16 characters, first character = bit 15: '1'/'0' fixed bits,
// 'a' operand 1, 'b' bit number / destination / shadow select, 'd' bank
// select. The declaration's order is the decode order: a word decodes to the
// first row whose fixed bits match. The tables are also given as text rows
// "MNEMONIC<blanks>PATTERN" (the form BuildDecoder parses). Decoding goes
// through a 65,536-entry lookup table filled from the rows as words are first
// asked for, which gives exactly the first-match answer and carries what the
// simulator needs per word.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kyvor {

// Instruction-set variants (the chip's `CoreVariant`).
constexpr int kCoreK08A = 0;
constexpr int kCoreK08B = 1;

// Instruction kinds (the numbers the rows carry). 10, 42 and 68 are unused.
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

// Assembler flags of a row (the descriptor's flag bytes).
namespace rf {
constexpr uint8_t LongMove = 1u << 0;         // MVFF: a second word follows
constexpr uint8_t LongJump = 1u << 1;         // JMP, two words under K08A only
constexpr uint8_t LongCall = 1u << 2;         // CALL, two words under K08A only
constexpr uint8_t LongTableLoad = 1u << 3;    // MVLP
constexpr uint8_t LongPointerLoad = 1u << 4;  // LDPR
constexpr uint8_t ShortBranch = 1u << 5;      // 8-bit relative conditional branch
constexpr uint8_t RelativeBranch = 1u << 6;   // 11-bit relative branch (RJ, RCALL)
constexpr uint8_t OptionalLast = 1u << 7;     // the source may omit the last operand
}  // namespace rf

// How an instruction executes: the simulator runs one routine per family;
// the rest of the row's execution record gives that routine its details.
enum class TExecFamily : uint8_t {
  None,        // no effect (NOP, CWDT, rows without a declaration)
  Arithmetic,  // A + B + carry-in, all flags
  Logic,       // logic operations and rotates of B (with W)
  Move,        // constant, literal or register moves
  BitChange,   // clear, set or toggle one bit of F
  Skip,        // skip the next word when the condition holds, then an optional result
  Branch,      // 8-bit relative branch when the condition holds
  Multiply,    // B x W into the product registers
  Flow,        // calls, jumps, returns and POP
  TwoWord,     // first words of MVLP, LDPR and MVFF, and NOPF that completes them
  TableRead,   // TBLR
  Power,       // IDLE and SLP
};

// Inputs of the arithmetic and logic families.
enum class TInput : uint8_t { None, W, NotW, F, Literal, One, AllOnes };
enum class TCarryIn : uint8_t { Zero, One, Carry };
// Where the result goes: W, the data address, or by the destination bit
// (operand 2: 1 = data memory, 0 = W).
enum class TStore : uint8_t { None, W, F, ByDestination };

// Operations of the logic family.
enum class TLogicOp : uint8_t {
  And, Or, Xor, Complement, RotateLeft, RotateRight, RotateRightCarry, RotateLeftCarry,
  ArithRotateLeft, ArithRotateRight, Swap
};
// Operations of the move family.
enum class TMoveOp : uint8_t { Clear, Set, WithFile, Literal, Bank };
// Operations of the bit-change family.
enum class TBitOp : uint8_t { Clear, Set, Toggle };
// The result a skip instruction writes after its test.
enum class TSkipResult : uint8_t { None, Increment, Decrement };

// The condition of a skip or a conditional branch (see ConditionHolds).
enum class TCondition : uint8_t {
  Never,
  ByteIsAllOnes,     // INSZ: f = 0xFF
  ByteIsOne,         // DCSZ: f = 1
  IncrementNotZero,  // INSUZ: (f + 1) AND 0xFF is not 0
  DecrementNotZero,  // DCSUZ: (f - 1) AND 0xFF is not 0
  BitClear,          // BTSZ
  BitSet,            // BTSS
  ByteIsZero,        // TFSZ
  WBelowByte,        // CPSG: W < f
  ByteBelowW,        // CPSL: f < W
  ByteEqualsW,       // CPSE
  StatusSet,         // JZ, JC, JN, JO
  StatusClear,       // JNZ, JNC, JNN, JNO
};

// Whether a skip or branch is taken: f the byte at the instruction's data
// address, w the W register, status the status register; `bits` is the bit
// number of a bit test or the status bit of a branch. The simulator's step
// and the emulator's step analysis both ask this one function.
inline bool ConditionHolds(TCondition c, uint8_t bits, uint32_t f, uint32_t w, uint8_t status) {
  switch (c) {
    case TCondition::ByteIsAllOnes: return f == 0xFF;
    case TCondition::ByteIsOne: return f == 1;
    case TCondition::IncrementNotZero: return ((f + 1) & 0xFF) != 0;
    case TCondition::DecrementNotZero: return ((f - 1) & 0xFF) != 0;
    case TCondition::BitClear: return ((f >> bits) & 1) == 0;
    case TCondition::BitSet: return ((f >> bits) & 1) != 0;
    case TCondition::ByteIsZero: return f == 0;
    case TCondition::WBelowByte: return w < f;
    case TCondition::ByteBelowW: return f < w;
    case TCondition::ByteEqualsW: return f == w;
    case TCondition::StatusSet: return (status & bits) != 0;
    case TCondition::StatusClear: return (status & bits) == 0;
    case TCondition::Never: break;
  }
  return false;
}

// How one instruction executes.
struct TExecution {
  TExecFamily Family = TExecFamily::None;
  uint8_t Operation = 0;  // TLogicOp, TMoveOp, TBitOp or TSkipResult by family
  TInput A = TInput::None;
  TInput B = TInput::None;
  TCarryIn CarryIn = TCarryIn::Zero;
  TStore Store = TStore::None;
  uint8_t FlagsSet = 0;  // status bits it updates (K08B keeps only Z and C)
  TCondition Condition = TCondition::Never;
  uint8_t StatusBit = 0;  // the status bit a branch tests
};

// The declaration of one instruction.
struct TInstructionRow {
  const char* Mnemonic;
  const char* PatternK08A;  // null when the variant lacks the instruction
  const char* PatternK08B;
  uint8_t Kind;
  uint8_t NoRegisterOperand;  // 1: operand 1 is no data address
  uint8_t Flags;              // rf:: bits
  uint8_t Cycles;             // a taken skip or branch costs one more
  TExecution Exec;
};

// The number of declared instructions (K08A has them all).
constexpr int kInstructionCount = 67;
// Every declared instruction in decode order (engine/instruction_rows.h);
// K08B uses the rows with a K08B pattern.
std::span<const TInstructionRow> InstructionRows();
// The declaration of a mnemonic (upper case), null when there is none.
const TInstructionRow* FindInstructionRow(std::string_view mnemonic);

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
  // The row's declaration; null for a text row whose mnemonic has none (it
  // keeps kind, flags and execution 0).
  const TInstructionRow* Declaration = nullptr;
  // The operand that holds the bank bit (2 or 3; an absent operand reads 0).
  int BankOperand = 3;

  bool IsTwoWord() const {
    return LongMove || LongJump || LongCall || LongTableLoad || LongPointerLoad;
  }
};

// The code of declaration `index` (into InstructionRows) in a decoded word.
constexpr uint8_t DeclarationCode(std::size_t index) { return uint8_t(index + 1); }

// A word decoded once: what the simulator and the step analysis need,
// without walking the list. Taken from the row's declaration and the word's
// operands.
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
  uint8_t BankBit = 0;  // the value of the bank operand
  // Operand 1 as an indirect access (for Access 2, and for the destination
  // word of MVFF): pointer 0..2 or kNoPointer, and the access mode (0 the
  // pointer, 1 then +1, 2 then -1, 3 pointer + 1 then +1, 4 pointer + W then
  // += W).
  uint8_t Pointer = 0xFF;
  uint8_t PointerMode = 0;
  // The declaration whose routine the simulator runs, as DeclarationCode of
  // its index into InstructionRows; kNoDeclaration for a row without one,
  // kNoRow when no row matches, kNotDecoded in a table entry the table has
  // not decoded yet (the zero of a new table).
  uint8_t Declaration = kNoRow;
  uint8_t ToF = 0;       // the result goes to the data address (else W)
  uint8_t FlagsSet = 0;  // status bits it updates, for this variant
  TCondition Condition = TCondition::Never;
  uint8_t ConditionBits = 0;  // bit number of a bit test, status bit of a branch
  uint8_t Flags = 0;          // rf:: bits for this variant

  static constexpr uint8_t kNoRow = 0xFF;
  static constexpr uint8_t kNoPointer = 0xFF;
  static constexpr uint8_t kNotDecoded = 0;
  static constexpr uint8_t kNoDeclaration = DeclarationCode(kInstructionCount);
};

// (opcode >> lo) AND (2^(hi-lo+1) - 1); 0 when hi < lo.
uint16_t ExtractBitField(uint16_t opcode, int lo, int hi);

// The row texts of the declaration: 67 rows of K08A, 46 rows of K08B.
const std::vector<std::string>& K08ATableRows();
const std::vector<std::string>& K08BTableRows();

// Disassembly text: "%-8s%xh, %x, %x" / "%-8s%xh, %x" / "%-8s%xh" / "%-8s" by
// the operand count, with the mnemonic (never the alias).
std::string FormatInstructionText(const TInstructionDescriptor& d, int op1, int op2, int op3);

// What a table serves: decoding and encoding, through the word lookup table,
// or encoding only (the rows, without the lookup table: such a table finds
// rows and encodes, and decodes nothing).
enum class TTableUse { Decode, EncodeOnly };

class TInstructionTable {
 public:
  explicit TInstructionTable(TTableUse use = TTableUse::Decode);
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

  // Decoding (not for a table that only encodes): the first row in table
  // order whose masked bits equal its value.
  const TInstructionDescriptor* Decode(uint16_t opcode) const {
    const uint8_t r = DecodedWord(opcode).Row;
    return r == 0xFF ? nullptr : &rows_[r];
  }
  // The word lookup table decodes each word when it is first asked for, so
  // that only the pages of the words a program uses are ever touched.
  const TDecodedWord& DecodedWord(uint16_t opcode) const {
    const TDecodedWord& w = decoded_[opcode];
    return w.Declaration == TDecodedWord::kNotDecoded ? decodeWord(opcode) : w;
  }
  // The 65,536 entries of the lookup table; the array stays in place for
  // the table's lifetime, so the simulator may keep a pointer. An entry
  // still kNotDecoded is decoded by DecodedWord.
  const TDecodedWord* DecodedWords() const { return decoded_.get(); }
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
  // How many times the word lookup table was started for new rows (a reload
  // of the same rows keeps the words it decoded).
  int LookupBuildCount() const { return lookupBuilds_; }

 private:
  void relink();
  void startLookup();
  const TDecodedWord& decodeWord(uint16_t opcode) const;

  struct TFreeTable {
    void operator()(TDecodedWord* p) const;
  };
  std::vector<TInstructionDescriptor> rows_;
  // Zeroed memory: every entry starts kNotDecoded, its page untouched.
  std::unique_ptr<TDecodedWord[], TFreeTable> decoded_;
  int variant_ = kCoreK08A;
  // The rows and variant the lookup table was built from (nullptr: none).
  const std::vector<std::string>* lookupRows_ = nullptr;
  int lookupVariant_ = -1;
  int lookupBuilds_ = 0;
};

// The built-in table of a variant (K08A without an alias file), loaded on
// first use and kept: the encoder of instruction words that code outside a
// program builds (fills, loader and start-up words). It only encodes.
const TInstructionTable& BuiltInInstructions(int variant);

}  // namespace kyvor
