#pragma once
// The instruction-set simulator: executes one instruction on a target state
// and decides whether an interrupt is taken. Run control calls it; a virtual
// pod can run its own target state with it.
//
// Execution is driven by the instruction declarations: each decoded word
// names its family and the family's details (inputs, operation, where the
// result goes, flags, cycles, skip or branch condition), and one routine per
// family executes it.
#include <cstddef>
#include <cstdint>

#include "engine/instruction_table.h"
#include "engine/target_state.h"

namespace kyvor {

class TCpuCore {
 public:
  TCpuCore(TTargetState& state, const TInstructionTable& table)
      : s_(state), t_(table), words_(table.DecodedWords()) {}

  // Executes the instruction at PC, both words of a two-word instruction.
  // A word that decodes to nothing advances PC by one and does nothing else
  // (result false).
  bool ExecuteOne();

  // The inner loop of a plain run: up to `budget` ticks of one instruction
  // (none while asleep or idle) and the interrupt check, ending early when the
  // new PC carries a breakpoint flag or equals `stopAddress`. Returns the
  // ticks done; `stopped` tells whether it ended on such a stop.
  uint64_t RunUntilBreak(uint64_t budget, uint32_t stopAddress, bool& stopped);

  // Takes a pending, enabled interrupt: shadow copies, push of PC, PC := 4,
  // 4 cycles, sleep and idle cleared. True when one was taken.
  bool CheckInterrupt() {
    const uint8_t* r = s_.Registers();
    const uint8_t e0 = r[reg::INTE0];
    if (!(e0 & 0x80)) return false;
    if (!((e0 & 0x7F & r[reg::INTF0]) | (r[reg::INTF1] & r[reg::INTE1]) |
          (r[reg::INTF2] & r[reg::INTE2])))
      return false;
    return takeInterrupt();
  }

  // The indirect-access resolution of a data address (requests the pointer
  // post-update of this execution). Exposed for the emulator's step analysis.
  uint32_t ResolveIndirectAddress(uint32_t a);
  // The same without requesting any post-update.
  uint32_t PeekIndirectAddress(uint32_t a) const;

  TTargetState& State() { return s_; }
  const TInstructionTable& Table() const { return t_; }

 private:
  // Working values of one executed word.
  struct TStep {
    const TDecodedWord& d;
    uint8_t* r;
    uint32_t addr;    // the data address
    uint32_t f;       // the byte at it (0 beyond the register image)
    uint32_t w;       // W
    uint32_t cycles;  // this word's cycles
    uint32_t pc;      // the PC as the word moves it
  };
  // The routine of one declaration: its family's routine specialized with
  // the declaration's details.
  template <std::size_t Row>
  void runRow(TStep& x);
  bool dispatch(TStep& x);

  bool takeInterrupt();
  bool executeWord(uint32_t& pc);
  bool executeInstruction(uint32_t& pc);
  uint32_t dataAddress(const TDecodedWord& d);
  uint32_t resolvePointer(const TDecodedWord& d);
  void applyPostUpdate();
  void tickTimer();
  void writeData(TStep& x, uint32_t address, uint32_t value);
  void advance(TStep& x, uint32_t n);
  void jump(TStep& x, uint32_t to);
  void skipIf(TStep& x, bool taken);
  template <TInput In>
  static uint32_t input(const TStep& x);
  template <TStore Store>
  void store(TStep& x, uint32_t value);
  template <bool Guard>
  static void setFlags(const TStep& x, uint8_t values);

  // One routine per family. `Guard`: the instruction has a data operand, and
  // leaves the flags as its write left them when that operand is the status.
  template <TExecution E, bool Guard>
  void arithmetic(TStep& x);
  template <TExecution E, bool Guard>
  void logic(TStep& x);
  template <TExecution E>
  void move(TStep& x);
  template <TExecution E>
  void bitChange(TStep& x);
  template <TExecution E>
  void skip(TStep& x);
  template <TExecution E>
  void branch(TStep& x);
  template <TExecution E, bool Guard>
  void multiply(TStep& x);
  template <uint8_t Kind>
  void flow(TStep& x);
  void pushReturn(uint32_t address);
  void loadTopOfStack();
  void restoreShadowIfAsked(const TDecodedWord& d);
  template <uint8_t Kind>
  void twoWord(TStep& x);
  void tableRead(TStep& x);
  template <uint8_t Kind>
  void power(TStep& x);

  TTargetState& s_;
  const TInstructionTable& t_;
  const TDecodedWord* const words_;  // t_'s decoded words
  // Working state of one executed word.
  uint16_t postRequests_ = 0;   // bits 0..8 in priority order
  uint8_t savedW_[3] = {0, 0, 0};
};

}  // namespace kyvor
