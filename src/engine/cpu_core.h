#pragma once
// The instruction-set simulator: executes one instruction on a target state
// and decides whether an interrupt is taken. Run control calls it; a virtual
// pod can run its own target state with it.
#include <cstdint>

#include "engine/instruction_table.h"
#include "engine/target_state.h"

namespace kyvor {

class TCpuCore {
 public:
  TCpuCore(TTargetState& state, const TInstructionTable& table) : s_(state), t_(table) {}

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
  bool takeInterrupt();
  bool executeWord();
  void applyPostUpdate();
  void writeData(uint32_t address, uint32_t value);
  void setFlags(uint32_t address, uint8_t mask, uint8_t values);

  TTargetState& s_;
  const TInstructionTable& t_;
  // Working state of one executed word.
  uint16_t postRequests_ = 0;   // bits 0..8 in priority order
  uint8_t savedW_[3] = {0, 0, 0};
};

}  // namespace kyvor
