#pragma once
// The declaration of the instruction set: one row per instruction with both
// core variants' patterns, kind, assembler flags, cycles and how it executes.
// Everything about an instruction is read from here: the decoder, the
// disassembler, the encoder, the simulator's family routines (specialized per
// row at compile time) and the emulator's step analysis.
#include <array>

#include "engine/instruction_table.h"

namespace kyvor {

namespace decl {

// Status bits.
constexpr uint8_t kZ = 0x01, kOV = 0x02, kN = 0x04, kDC = 0x08, kC = 0x10;
constexpr uint8_t kAllFlags = kZ | kOV | kN | kDC | kC;

// Builders of the execution records, one per family.
inline constexpr TExecution Nothing() { return TExecution{}; }
inline constexpr TExecution Arith(TInput a, TInput b, TCarryIn carry, TStore store) {
  return {TExecFamily::Arithmetic, 0, a, b, carry, store, kAllFlags};
}
inline constexpr TExecution Logic(TLogicOp op, TInput b, TStore store, uint8_t flags) {
  return {TExecFamily::Logic, uint8_t(op), TInput::W, b, TCarryIn::Carry, store, flags};
}
inline constexpr TExecution Move(TMoveOp op, TStore store) {
  return {TExecFamily::Move, uint8_t(op), TInput::None, TInput::None, TCarryIn::Zero, store};
}
inline constexpr TExecution Bit(TBitOp op) {
  return {TExecFamily::BitChange, uint8_t(op), TInput::None, TInput::None, TCarryIn::Zero,
          TStore::F};
}
inline constexpr TExecution Skip(TCondition c, TSkipResult result = TSkipResult::None) {
  return {TExecFamily::Skip, uint8_t(result), TInput::None, TInput::None, TCarryIn::Zero,
          result == TSkipResult::None ? TStore::None : TStore::ByDestination, 0, c};
}
inline constexpr TExecution Branch(TCondition c, uint8_t statusBit) {
  return {TExecFamily::Branch, 0, TInput::None, TInput::None, TCarryIn::Zero, TStore::None, 0,
          c, statusBit};
}
inline constexpr TExecution Multiply(TInput b, uint8_t flags) {
  return {TExecFamily::Multiply, 0, TInput::W, b, TCarryIn::Zero, TStore::None, flags};
}
inline constexpr TExecution Family(TExecFamily f) { return {f}; }

using In = TInput;
using Cin = TCarryIn;
using St = TStore;
using Lg = TLogicOp;
using Cond = TCondition;
constexpr uint8_t O = rf::OptionalLast;

// The instruction set, in decode order. Columns: mnemonic, K08A pattern,
// K08B pattern (null: not in K08B), kind, no-register-operand flag,
// assembler flags, cycles, execution.
inline constexpr std::array<TInstructionRow, kInstructionCount> kRows = {{
    {"NOP", "0000000000000000", "0000000000000000", ik::NOP, 1, 0, 1, Nothing()},
    {"CLRF", "0000110daaaaaaaa", "0000110daaaaaaaa", ik::CLRF, 0, O, 1,
     Move(TMoveOp::Clear, St::F)},
    {"ADDF", "000100bdaaaaaaaa", "000100bdaaaaaaaa", ik::ADDF, 0, O, 1,
     Arith(In::W, In::F, Cin::Zero, St::ByDestination)},
    {"INF", "001110bdaaaaaaaa", "001110bdaaaaaaaa", ik::INF, 0, O, 1,
     Arith(In::F, In::One, Cin::Zero, St::ByDestination)},
    {"INSZ", "001111bdaaaaaaaa", "001111bdaaaaaaaa", ik::INSZ, 0, O, 1,
     Skip(Cond::ByteIsAllOnes, TSkipResult::Increment)},
    {"DCF", "001100bdaaaaaaaa", "001100bdaaaaaaaa", ik::DCF, 0, O, 1,
     Arith(In::F, In::AllOnes, Cin::Zero, St::ByDestination)},
    {"DCSZ", "001101bdaaaaaaaa", "001101bdaaaaaaaa", ik::DCSZ, 0, O, 1,
     Skip(Cond::ByteIsOne, TSkipResult::Decrement)},
    {"SUBF", "000110bdaaaaaaaa", "000110bdaaaaaaaa", ik::SUBF, 0, O, 1,
     Arith(In::NotW, In::F, Cin::One, St::ByDestination)},
    {"COMF", "001001bdaaaaaaaa", "001001bdaaaaaaaa", ik::COMF, 0, O, 1,
     Logic(Lg::Complement, In::F, St::ByDestination, kZ | kN)},
    {"MVF", "011001bdaaaaaaaa", "011001bdaaaaaaaa", ik::MVF, 0, O, 1,
     Move(TMoveOp::WithFile, St::ByDestination)},
    {"ADDC", "000101bdaaaaaaaa", "000101bdaaaaaaaa", ik::ADDC, 0, O, 1,
     Arith(In::W, In::F, Cin::Carry, St::ByDestination)},
    {"ANDF", "001010bdaaaaaaaa", "001010bdaaaaaaaa", ik::ANDF, 0, O, 1,
     Logic(Lg::And, In::F, St::ByDestination, kZ | kN)},
    {"IORF", "001011bdaaaaaaaa", "001011bdaaaaaaaa", ik::IORF, 0, O, 1,
     Logic(Lg::Or, In::F, St::ByDestination, kZ | kN)},
    {"XORF", "001000bdaaaaaaaa", "001000bdaaaaaaaa", ik::XORF, 0, O, 1,
     Logic(Lg::Xor, In::F, St::ByDestination, kZ | kN)},
    {"RLF", "010010bdaaaaaaaa", "010010bdaaaaaaaa", ik::RLF, 0, O, 1,
     Logic(Lg::RotateLeft, In::F, St::ByDestination, kZ | kN)},
    {"SUBC", "000111bdaaaaaaaa", "000111bdaaaaaaaa", ik::SUBC, 0, O, 1,
     Arith(In::NotW, In::F, Cin::Carry, St::ByDestination)},
    {"RRF", "010011bdaaaaaaaa", "010011bdaaaaaaaa", ik::RRF, 0, O, 1,
     Logic(Lg::RotateRight, In::F, St::ByDestination, kZ | kN)},
    {"ADDL", "00000100aaaaaaaa", "00000100aaaaaaaa", ik::ADDL, 1, 0, 1,
     Arith(In::W, In::Literal, Cin::Zero, St::W)},
    {"SUBL", "00001000aaaaaaaa", "00001000aaaaaaaa", ik::SUBL, 1, 0, 1,
     Arith(In::NotW, In::Literal, Cin::One, St::W)},
    {"ANDL", "00000001aaaaaaaa", "00000001aaaaaaaa", ik::ANDL, 1, 0, 1,
     Logic(Lg::And, In::Literal, St::W, kZ | kN)},
    {"IORL", "00000010aaaaaaaa", "00000010aaaaaaaa", ik::IORL, 1, 0, 1,
     Logic(Lg::Or, In::Literal, St::W, kZ | kN)},
    {"XORL", "00000011aaaaaaaa", "00000011aaaaaaaa", ik::XORL, 1, 0, 1,
     Logic(Lg::Xor, In::Literal, St::W, kZ | kN)},
    {"MVL", "00000110aaaaaaaa", "00000110aaaaaaaa", ik::MVL, 1, 0, 1,
     Move(TMoveOp::Literal, St::W)},
    {"RETL", "00000101aaaaaaaa", "00000101aaaaaaaa", ik::RETL, 1, 0, 2,
     Family(TExecFamily::Flow)},
    {"CALL", "1100000baaaaaaaa", "11001aaaaaaaaaaa", ik::CALL, 1, O | rf::LongCall, 1,
     Family(TExecFamily::Flow)},
    {"JMP", "11000010aaaaaaaa", "01111aaaaaaaaaaa", ik::JMP, 1, rf::LongJump, 1,
     Family(TExecFamily::Flow)},
    {"RETI", "000000000000100a", "0000000000001000", ik::RETI, 1, O, 2,
     Family(TExecFamily::Flow)},
    {"RET", "000000000000101a", "0000000000001010", ik::RET, 1, O, 2, Family(TExecFamily::Flow)},
    {"IDLE", "0000000000000001", "0000000000000001", ik::IDLE, 1, 0, 1,
     Family(TExecFamily::Power)},
    {"SLP", "0000000000000010", "0000000000000010", ik::SLP, 1, 0, 1,
     Family(TExecFamily::Power)},
    {"CWDT", "0000000000000011", "0000000000000011", ik::CWDT, 1, 0, 1, Nothing()},
    {"SETF", "0000101daaaaaaaa", "0000101daaaaaaaa", ik::SETF, 0, O, 1,
     Move(TMoveOp::Set, St::F)},
    {"BCF", "1000bbbdaaaaaaaa", "1000bbbdaaaaaaaa", ik::BCF, 0, O, 1, Bit(TBitOp::Clear)},
    {"BSF", "1001bbbdaaaaaaaa", "1001bbbdaaaaaaaa", ik::BSF, 0, O, 1, Bit(TBitOp::Set)},
    {"BTSZ", "1010bbbdaaaaaaaa", "1010bbbdaaaaaaaa", ik::BTSZ, 0, O, 1, Skip(Cond::BitClear)},
    {"BTSS", "1011bbbdaaaaaaaa", "1011bbbdaaaaaaaa", ik::BTSS, 0, O, 1, Skip(Cond::BitSet)},
    {"MULF", "0000111daaaaaaaa", nullptr, ik::MULF, 0, O, 2, Multiply(In::F, kZ)},
    {"JZ", "01110001aaaaaaaa", nullptr, ik::JZ, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusSet, kZ)},
    {"RRFC", "010100bdaaaaaaaa", "010100bdaaaaaaaa", ik::RRFC, 0, O, 1,
     Logic(Lg::RotateRightCarry, In::F, St::ByDestination, kZ | kN | kC)},
    {"RLFC", "010101bdaaaaaaaa", "010101bdaaaaaaaa", ik::RLFC, 0, O, 1,
     Logic(Lg::RotateLeftCarry, In::F, St::ByDestination, kZ | kN | kC)},
    {"SWPF", "011000bdaaaaaaaa", "011000bdaaaaaaaa", ik::SWPF, 0, O, 1,
     Logic(Lg::Swap, In::F, St::ByDestination, 0)},
    {"TBLR", "000000000000011a", nullptr, ik::TBLR, 1, 0, 2, Family(TExecFamily::TableRead)},
    {"MVLP", "00001001aaaaaaaa", nullptr, ik::MVLP, 1, rf::LongTableLoad, 1,
     Family(TExecFamily::TwoWord)},
    {"JC", "01110000aaaaaaaa", nullptr, ik::JC, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusSet, kC)},
    {"INSUZ", "010000bdaaaaaaaa", "010000bdaaaaaaaa", ik::INSUZ, 0, O, 1,
     Skip(Cond::IncrementNotZero, TSkipResult::Increment)},
    {"DCSUZ", "010001bdaaaaaaaa", "010001bdaaaaaaaa", ik::DCSUZ, 0, O, 1,
     Skip(Cond::DecrementNotZero, TSkipResult::Decrement)},
    {"MULL", "00000111aaaaaaaa", nullptr, ik::MULL, 1, 0, 2, Multiply(In::Literal, 0)},
    {"LDPR", "00000000000011aa", nullptr, ik::LDPR, 1, rf::LongPointerLoad, 1,
     Family(TExecFamily::TwoWord)},
    {"LBSR", "000000000001aaaa", nullptr, ik::LBSR, 1, 0, 1, Move(TMoveOp::Bank, St::None)},
    {"NOPF", "1111aaaaaaaaaaaa", nullptr, ik::NOPF, 1, 0, 1, Family(TExecFamily::TwoWord)},
    {"ARLC", "010110bdaaaaaaaa", nullptr, ik::ARLC, 0, O, 1,
     Logic(Lg::ArithRotateLeft, In::F, St::ByDestination, kZ | kOV | kN | kC)},
    {"ARRC", "010111bdaaaaaaaa", nullptr, ik::ARRC, 0, O, 1,
     Logic(Lg::ArithRotateRight, In::F, St::ByDestination, kZ | kN | kC)},
    {"CPSG", "0110100daaaaaaaa", "0110100daaaaaaaa", ik::CPSG, 0, 0, 1, Skip(Cond::WBelowByte)},
    {"CPSL", "0110101daaaaaaaa", "0110101daaaaaaaa", ik::CPSL, 0, 0, 1, Skip(Cond::ByteBelowW)},
    {"CPSE", "0110110daaaaaaaa", "0110110daaaaaaaa", ik::CPSE, 0, 0, 1, Skip(Cond::ByteEqualsW)},
    {"TFSZ", "0110111daaaaaaaa", "0110111daaaaaaaa", ik::TFSZ, 0, 0, 1, Skip(Cond::ByteIsZero)},
    {"JN", "01110010aaaaaaaa", nullptr, ik::JN, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusSet, kN)},
    {"JO", "01110011aaaaaaaa", nullptr, ik::JO, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusSet, kOV)},
    {"JNC", "01110100aaaaaaaa", nullptr, ik::JNC, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusClear, kC)},
    {"JNZ", "01110101aaaaaaaa", nullptr, ik::JNZ, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusClear, kZ)},
    {"JNN", "01110110aaaaaaaa", nullptr, ik::JNN, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusClear, kN)},
    {"JNO", "01110111aaaaaaaa", nullptr, ik::JNO, 1, rf::ShortBranch, 1,
     Branch(Cond::StatusClear, kOV)},
    {"BTGF", "1110bbbdaaaaaaaa", "1110bbbdaaaaaaaa", ik::BTGF, 0, O, 1, Bit(TBitOp::Toggle)},
    {"MVFF", "1101aaaaaaaaaaaa", nullptr, ik::MVFF, 1, rf::LongMove, 1,
     Family(TExecFamily::TwoWord)},
    {"RJ", "01111aaaaaaaaaaa", nullptr, ik::RJ, 1, rf::RelativeBranch, 2,
     Family(TExecFamily::Flow)},
    {"RCALL", "11001aaaaaaaaaaa", nullptr, ik::RCALL, 1, rf::RelativeBranch, 2,
     Family(TExecFamily::Flow)},
    {"POP", "0000000000100001", nullptr, ik::POP, 1, 0, 1, Family(TExecFamily::Flow)},
}};

}  // namespace decl

// The rows of both variants in decode order (K08B: those with a K08B pattern).
inline constexpr const std::array<TInstructionRow, kInstructionCount>& kInstructionRows =
    decl::kRows;

}  // namespace kyvor
