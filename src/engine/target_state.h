#pragma once
// The state of one target: register image, program memory, program counter,
// cycle counter, hardware stack, program-counter history and the working
// state of the instruction core. The CPU model (`TKy_UP`) owns one; a virtual
// pod can own another and run it with the same instruction core.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kyvor {

// Special-function registers that the model gives a meaning to.
namespace reg {
constexpr int PTR0H = 15, PTR0L = 16, PTR1H = 17, PTR1L = 18, PTR2H = 19, PTR2L = 20;
constexpr int TOSU = 21, TOSH = 22, TOSL = 23;  // top of stack
constexpr int STKPTR = 24;  // bits 0-4 depth, 5 "OVER", 6 "UNDER", 7 "FULL"
constexpr int PCLATU = 25, PCLATH = 26, PCLATL = 27;
constexpr int TBLPTRU = 28, TBLPTRH = 29, TBLPTRL = 30;
constexpr int TBLDH = 31, TBLDL = 32;
constexpr int PRODH = 33, PRODL = 34;
constexpr int INTE0 = 35, INTE1 = 36, INTE2 = 37;
constexpr int INTF0 = 38, INTF1 = 39, INTF2 = 40;
constexpr int W = 41, BSR = 42, STATUS = 43, PWRSTAT = 44;
constexpr int TMRCTL = 65;
constexpr int SHADOW_W = 509, SHADOW_BSR = 510, SHADOW_STATUS = 511;
constexpr int TMRCNT = 3897;
}  // namespace reg

// Status register bits.
namespace sf {
constexpr uint8_t Z = 0x01, OV = 0x02, N = 0x04, DC = 0x08, C = 0x10;
}

// One program-memory word with its source link. Its breakpoint flags are
// kept beside the cells, as bits (GetBreakpointFlag, HasBreakFlag), so that
// the run loop tests a bit rather than a cell.
struct TProgramCell {
  uint16_t Opcode = 0;    // the assembled word
  uint16_t PodWord = 0;   // the word last read back from the pod
  uint8_t FileIndex = 0;  // 0-based source file index
  uint32_t Line = 0;      // 1-based source line, 0 = none
};

class TTargetState {
 public:
  static constexpr int kRegisterCount = 4096;
  static constexpr int kProgramCells = 32768;
  static constexpr int kStackSlots = 32;
  static constexpr int kHistoryDepth = 16;

  TTargetState();

  // --- configuration -------------------------------------------------------
  // Stack depth (1..31; 8 before a chip is loaded).
  void SetStackDepth(int depth);
  int StackDepth() const { return stackDepth_; }
  // Number of program words in use (pages x 256, at most 32,768).
  void SetProgramWords(int words);
  int ProgramWords() const { return programWords_; }
  // When set (simulator), setting the PC mirrors it into registers 26 and 27.
  void SetMirrorPc(bool on) { mirrorPc_ = on; }
  bool MirrorPc() const { return mirrorPc_; }

  // --- register image -------------------------------------------------------
  uint8_t ReadRegister(int address) const {
    return (address < 0 || address >= kRegisterCount) ? 0 : regs_[address];
  }
  void WriteRegisterModel(int address, uint8_t value) {
    if (address >= 0 && address < kRegisterCount) regs_[address] = value;
  }
  uint8_t* Registers() { return regs_.data(); }
  const uint8_t* Registers() const { return regs_.data(); }
  void ClearRegisters();

  // --- program counter and cycles --------------------------------------------
  uint32_t GetPC() const { return pc_; }
  void SetProgramCounter(uint32_t value) {
    pc_ = value & 0xFFFFF;
    if (mirrorPc_) {
      regs_[reg::PCLATL] = uint8_t(pc_);
      regs_[reg::PCLATH] = uint8_t(pc_ >> 8);
    }
  }
  void AdvancePC(uint32_t n) {
    pc_ = (pc_ + n) & 0xFFFFF;
    if (mirrorPc_) regs_[reg::PCLATL] = uint8_t(pc_);
  }
  // The PC as the instruction core leaves it: the core writes the mirror
  // registers itself, and a computed jump keeps all 24 bits of 25:26:27 as
  // LatchPcFromRegisters does.
  void SetPcWithoutMirror(uint32_t value) { pc_ = value; }
  // For address 27 only: PC := reg25:reg26:reg27 (a computed jump).
  void LatchPcFromRegisters(int address) {
    if (address == reg::PCLATL)
      pc_ = (uint32_t(regs_[reg::PCLATU]) << 16) | (uint32_t(regs_[reg::PCLATH]) << 8) |
            regs_[reg::PCLATL];
  }
  void SetCycleCounter(uint16_t high, uint16_t low) { cycles_ = (uint32_t(high) << 16) | low; }
  void AddCycles(uint32_t n) { cycles_ += n; }
  void GetCycleCounter(uint16_t& high, uint16_t& low) const {
    high = uint16_t(cycles_ >> 16);
    low = uint16_t(cycles_);
  }
  uint32_t Cycles() const { return cycles_; }

  // --- hardware stack ----------------------------------------------------------
  // Index 0..StackDepth inclusive; outside, writes are ignored and reads give 0.
  void SetStackEntry(int index, uint32_t value);
  uint32_t GetStackEntry(int index) const;
  void PushStack(uint32_t value);
  uint32_t PopStack(bool markUnderflow);
  // Top-of-stack registers 21:22:23 := value (upper, high, low).
  void WriteTopOfStack(uint32_t value);
  void SaveShadow();
  void RestoreShadow();
  void ClearStack();

  // --- program memory -------------------------------------------------------
  void ClearProgramMemory();
  bool StoreProgramWord(uint32_t address, uint16_t opcode, uint16_t line, uint8_t fileIndex);
  uint16_t ReadProgramWord(uint32_t address) const {
    return address < uint32_t(programWords_) ? cells_[address].Opcode : 0;
  }
  uint8_t GetSourceFileIndex(uint32_t address) const;
  uint16_t GetSourceLine(uint32_t address) const;
  bool InProgram(uint32_t address) const { return address < uint32_t(programWords_); }
  // Unchecked access (callers stay within the 32,768 cells).
  TProgramCell& Cell(uint32_t address) { return cells_[address & (kProgramCells - 1)]; }
  const TProgramCell& Cell(uint32_t address) const {
    return cells_[address & (kProgramCells - 1)];
  }
  uint16_t GetOpcode(uint32_t address) const { return Cell(address).Opcode; }
  uint16_t ReadbackWordOf(uint32_t address) const { return Cell(address).PodWord; }
  void SetListingWordOf(uint32_t index, uint16_t opcode);
  // kind 0: either flag; 1 or 2: that flag; 0 for other kinds or beyond the bound.
  uint8_t GetBreakpointFlag(uint32_t address, int kind) const;
  void SetBreakpointFlag(uint32_t address, int kind, uint8_t value);
  // True when the cell carries a Kind 1 or Kind 2 flag. An address beyond
  // program memory has no cell and so no flag (it must not fold onto a cell
  // of the program).
  bool HasBreakFlag(uint32_t address) const {
    if (address >= uint32_t(programWords_)) return false;
    return (anyBreak_[address >> 6] >> (address & 63)) & 1;
  }
  std::vector<TProgramCell>& Cells() { return cells_; }
  const std::vector<TProgramCell>& Cells() const { return cells_; }

  // --- program-counter history ------------------------------------------------
  void PushPcHistory(uint32_t address) {
    histHead_ = (histHead_ + 1) & (kHistoryDepth - 1);
    history_[histHead_] = uint16_t(address);
  }
  // Entry i (0 = newest).
  uint16_t PcHistoryAt(int i) const {
    return history_[(histHead_ - unsigned(i)) & (kHistoryDepth - 1)];
  }
  // The entry at the cursor, then the cursor moves one older (stops at 15).
  uint16_t PopPcHistory();
  void ClearPcHistory();
  int PcHistoryCursor() const { return histCursor_; }
  void SetPcHistoryCursor(int c) { histCursor_ = c < 0 ? 0 : (c > 15 ? 15 : c); }

  // --- working state of the core ------------------------------------------------
  uint8_t SleepFlag = 0;
  uint8_t IdleFlag = 0;
  int32_t PendingTwoWordKind = 0;
  int32_t TwoWordOperand = 0;
  std::array<uint8_t, 3> TablePointerStage{};
  uint8_t TableLatchHigh = 0;
  uint8_t TableLatchLow = 0;
  uint8_t PointerSelect = 0;
  uint16_t TimerPrescaleCount = 0;
  uint8_t TimerEdgeFlag = 0;
  // Clears the two-word state and the table working bytes.
  void ClearTwoWordState();

 private:
  std::array<uint8_t, kRegisterCount> regs_{};
  std::vector<TProgramCell> cells_;
  // Breakpoint flags, one bit per cell: Kind 1, Kind 2, and either of them.
  using TCellBits = std::array<uint64_t, kProgramCells / 64>;
  TCellBits breakAtAddress_{};
  TCellBits breakAtLine_{};
  TCellBits anyBreak_{};
  void clearBreakFlags(uint32_t address);
  std::array<uint32_t, kStackSlots> stack_{};
  std::array<uint16_t, kHistoryDepth> history_{};
  unsigned histHead_ = 0;
  int histCursor_ = 0;
  uint32_t pc_ = 0;
  uint32_t cycles_ = 0;
  int stackDepth_ = 8;
  int programWords_ = kProgramCells;
  bool mirrorPc_ = true;
};

}  // namespace kyvor
