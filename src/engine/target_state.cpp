#include "engine/target_state.h"

namespace kyvor {

TTargetState::TTargetState() : cells_(kProgramCells) {}

void TTargetState::SetStackDepth(int depth) {
  if (depth < 1) depth = 1;
  if (depth > kStackSlots - 1) depth = kStackSlots - 1;
  stackDepth_ = depth;
}

void TTargetState::SetProgramWords(int words) {
  if (words < 0) words = 0;
  if (words > kProgramCells) words = kProgramCells;
  // Flags of cells that leave the program would otherwise stop a later run.
  for (int i = words; i < programWords_; ++i) clearBreakFlags(uint32_t(i));
  programWords_ = words;
}

void TTargetState::ClearRegisters() { regs_.fill(0); }

void TTargetState::SetStackEntry(int index, uint32_t value) {
  if (index >= 0 && index <= stackDepth_) stack_[std::size_t(index)] = value;
}

uint32_t TTargetState::GetStackEntry(int index) const {
  return (index >= 0 && index <= stackDepth_) ? stack_[std::size_t(index)] : 0;
}

void TTargetState::PushStack(uint32_t value) {
  // The count (bits 0-4) is incremented on its own: with a depth of 31 a
  // carry out of the count would otherwise land in the "OVER" bit and wrap
  // the count to 0.
  const unsigned status = regs_[reg::STKPTR] & 0xE0u;
  const unsigned count = (regs_[reg::STKPTR] & 0x1Fu) + 1;
  const unsigned depth = unsigned(stackDepth_);
  unsigned s;
  if (count > depth)
    s = (status & 0xC0) | 0x20 | depth;  // overflow: the top entry is overwritten
  else if (count == depth)
    s = status | 0x80 | count;  // full
  else
    s = status | count;
  stack_[s & 0x1F] = value;
  regs_[reg::STKPTR] = uint8_t(s);
}

uint32_t TTargetState::PopStack(bool markUnderflow) {
  const uint8_t p = regs_[reg::STKPTR];
  if (p & 0x1F) {
    regs_[reg::STKPTR] = uint8_t(p - 1);
    return stack_[p & 0x1F];
  }
  if (markUnderflow) regs_[reg::STKPTR] = uint8_t(p | 0x40);
  return 0;
}

void TTargetState::WriteTopOfStack(uint32_t value) {
  regs_[reg::TOSU] = uint8_t(value >> 16);
  regs_[reg::TOSH] = uint8_t(value >> 8);
  regs_[reg::TOSL] = uint8_t(value);
}

void TTargetState::SaveShadow() {
  regs_[reg::SHADOW_W] = regs_[reg::W];
  regs_[reg::SHADOW_STATUS] = regs_[reg::STATUS];
  regs_[reg::SHADOW_BSR] = regs_[reg::BSR];
}

void TTargetState::RestoreShadow() {
  regs_[reg::W] = regs_[reg::SHADOW_W];
  regs_[reg::STATUS] = regs_[reg::SHADOW_STATUS];
  regs_[reg::BSR] = regs_[reg::SHADOW_BSR];
}

void TTargetState::ClearStack() { stack_.fill(0); }

void TTargetState::ClearProgramMemory() {
  for (int i = 0; i < programWords_; ++i) {
    TProgramCell& c = cells_[std::size_t(i)];
    c.Opcode = 0;
    c.FileIndex = 0;
    c.Line = 0;
    clearBreakFlags(uint32_t(i));
  }
}

bool TTargetState::StoreProgramWord(uint32_t address, uint16_t opcode, uint16_t line,
                                    uint8_t fileIndex) {
  if (address >= uint32_t(programWords_)) return false;
  TProgramCell& c = cells_[address];
  c.Opcode = opcode;
  c.Line = line;
  c.FileIndex = fileIndex;
  return true;
}

uint8_t TTargetState::GetSourceFileIndex(uint32_t address) const {
  return address < uint32_t(programWords_) ? cells_[address].FileIndex : 0;
}

uint16_t TTargetState::GetSourceLine(uint32_t address) const {
  return address < uint32_t(programWords_) ? uint16_t(cells_[address].Line) : 0;
}

void TTargetState::SetListingWordOf(uint32_t index, uint16_t opcode) {
  TProgramCell& c = Cell(index);
  c.Opcode = opcode;
  c.FileIndex = 0;
  c.Line = (index & (kProgramCells - 1)) + 1;
  clearBreakFlags(index & (kProgramCells - 1));
}

namespace {
inline bool BitOf(const std::array<uint64_t, TTargetState::kProgramCells / 64>& bits,
                  uint32_t address) {
  return (bits[address >> 6] >> (address & 63)) & 1;
}
inline void PutBit(std::array<uint64_t, TTargetState::kProgramCells / 64>& bits,
                   uint32_t address, bool on) {
  const uint64_t m = uint64_t(1) << (address & 63);
  bits[address >> 6] = on ? (bits[address >> 6] | m) : (bits[address >> 6] & ~m);
}
}  // namespace

void TTargetState::clearBreakFlags(uint32_t address) {
  PutBit(breakAtAddress_, address, false);
  PutBit(breakAtLine_, address, false);
  PutBit(anyBreak_, address, false);
}

uint8_t TTargetState::GetBreakpointFlag(uint32_t address, int kind) const {
  if (address >= uint32_t(programWords_)) return 0;
  switch (kind) {
    case 0: return BitOf(anyBreak_, address) ? 1 : 0;
    case 1: return BitOf(breakAtAddress_, address) ? 1 : 0;
    case 2: return BitOf(breakAtLine_, address) ? 1 : 0;
    default: return 0;
  }
}

void TTargetState::SetBreakpointFlag(uint32_t address, int kind, uint8_t value) {
  if (address >= uint32_t(programWords_)) return;
  if (kind == 1) PutBit(breakAtAddress_, address, value != 0);
  if (kind == 2) PutBit(breakAtLine_, address, value != 0);
  PutBit(anyBreak_, address, BitOf(breakAtAddress_, address) || BitOf(breakAtLine_, address));
}

uint16_t TTargetState::PopPcHistory() {
  const uint16_t v = PcHistoryAt(histCursor_);
  if (histCursor_ < kHistoryDepth - 1) ++histCursor_;
  return v;
}

void TTargetState::ClearPcHistory() {
  history_.fill(0);
  histHead_ = 0;
  histCursor_ = 0;
}

void TTargetState::ClearTwoWordState() {
  PendingTwoWordKind = 0;
  TwoWordOperand = 0;
  TablePointerStage.fill(0);
  TableLatchHigh = 0;
  TableLatchLow = 0;
  PointerSelect = 0;
}

}  // namespace kyvor
