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
  bool CheckInterrupt() { return interruptPending() && takeInterrupt(); }

  // The indirect-access resolution of a data address, without the pointer
  // post-update an execution would ask for (the emulator's step analysis).
  uint32_t PeekIndirectAddress(uint32_t a) const;

  TTargetState& State() { return s_; }
  const TInstructionTable& Table() const { return t_; }

 private:
  // The two compiled forms of a word's execution. `First`: a first word
  // with the PC mirrored, every word of a simulator run but the second word
  // of a two-word instruction. `Any`: any word, first or second, the PC
  // mirrored or not, both decided at run time.
  enum class TForm { First, Any };
  // What a run reads from word to word, taken once per run so that the
  // compiler keeps it in registers across the byte stores into the
  // register image (which may alias any other memory).
  struct TRun {
    uint8_t* r;                   // the register image
    const TProgramCell* cells;    // program memory
    uint32_t words;               // program words in use
    const TDecodedWord* decoded;  // the table's decoded words
    bool mirror;                  // PC moves are mirrored into 26 and 27
    // A tick that is not one plain instruction: a sleep or idle instruction
    // ran, or a two-word instruction was left pending from outside.
    bool unusual;
  };
  TRun openRun();
  // Working values of one executed word.
  struct TStep {
    const TDecodedWord& d;
    TRun& run;
    uint8_t* r;
    uint32_t addr;    // the data address
    uint32_t f;       // the byte at it (0 beyond the register image)
    uint32_t cycles;  // this word's cycles
    uint32_t pc;      // the PC as the word moves it
    uint16_t post;    // pointer post-update requests, bits 0..8 in priority order
    bool pending;     // a first word left its instruction pending
    bool mirror;      // constant in the `First` form
    // W as the word found it: read before the word's first store.
    __attribute__((always_inline)) uint32_t w() const { return r[reg::W]; }
  };
  // The routine of one declaration: its family's routine specialized with
  // the declaration's details. `Second`: compiled for the `Any` form, where
  // the word may complete a pending two-word instruction (in the `First`
  // form it never does).
  template <std::size_t Row, bool Second>
  void runRow(TStep& x);
  template <bool Second>
  bool dispatch(TStep& x);

  bool interruptPending() const {
    const uint8_t* r = s_.Registers();
    const uint8_t e0 = r[reg::INTE0];
    if (!(e0 & 0x80)) return false;
    return (e0 & 0x7F & r[reg::INTF0]) | (r[reg::INTF1] & r[reg::INTE1]) |
           (r[reg::INTF2] & r[reg::INTE2]);
  }
  bool takeInterrupt();
  enum class TWordEnd : uint8_t { NotDecoded, Done, Pending };
  template <TForm Form>
  TWordEnd executeWord(TRun& run, uint32_t& pc);
  struct TAnyWordEnd {
    uint32_t pc;
    bool unusual;
    TWordEnd end;
  };
  TAnyWordEnd executeAnyWord(TRun run, uint32_t pc);
  TWordEnd runAnyWord(TRun& run, uint32_t& pc);
  void completeInstruction(TRun& run, uint32_t& pc);
  template <TForm Form>
  bool executeInstruction(TRun& run, uint32_t& pc);
  void unusualTick(TRun& run, uint32_t& pc);
  template <TForm Form>
  uint64_t runLoop(TRun& run, uint64_t budget, uint32_t stopAddress, bool& stopped);
  template <bool Second>
  uint32_t dataAddress(TStep& x);
  uint32_t resolvePointer(TStep& x);
  void applyPostUpdate(uint16_t requests);
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
  template <uint8_t Kind, bool Second>
  void twoWord(TStep& x);
  void tableRead(TStep& x);
  template <uint8_t Kind>
  void power(TStep& x);

  TTargetState& s_;
  const TInstructionTable& t_;
  const TDecodedWord* const words_;  // t_'s decoded words
  // W as a pointer's += W access read it, per pointer.
  uint8_t savedW_[3] = {0, 0, 0};
};

}  // namespace kyvor
