// Fuzzes the CPU model with random program memory: every word is decoded and
// disassembled, then the program runs for a bounded number of ticks, through
// the core's run loop and through the run control (trace, step over, step
// out, run to a breakpoint), on one of the shipped chips.
//
// Input: byte 0 picks the chip; byte 1 the number of register presets, each
// three bytes (address, low then high nibble, and value); byte 2 the number
// of breakpoints, each two bytes; the rest is program memory from address 0,
// two bytes a word, low byte first.
#include <string>
#include <vector>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "fuzz_support.h"

namespace {

using namespace kyvor;

constexpr uint64_t kRunTicks = 5000;
constexpr uint64_t kSlice = 1000;

void DecodeAll(const TKy_UP& up, uint32_t words) {
  for (uint32_t a = 0; a < words; ++a) {
    const uint16_t w = up.ReadProgramWord(a);
    uint8_t kind = 0, noRegister = 0;
    int count = 0, op1 = 0, op2 = 0, op3 = 0;
    up.DecodeInstruction(w, kind, noRegister, count, op1, op2, op3);
    std::string mnemonic;
    up.DisassembleOpcode(w, mnemonic, noRegister, count, op1, op2, op3);
  }
}

// What a run leaves: PC, cycles, registers, stack and PC history.
struct TEndState {
  uint32_t pc = 0, cycles = 0;
  std::vector<uint8_t> registers;
  std::vector<uint32_t> stack, history;
  bool operator==(const TEndState&) const = default;
};

TEndState EndState(const TTargetState& s) {
  TEndState e{s.GetPC(), s.Cycles(), {}, {}, {}};
  for (int i = 0; i < TTargetState::kRegisterCount; ++i) e.registers.push_back(s.ReadRegister(i));
  for (int i = 0; i < TTargetState::kStackSlots; ++i) e.stack.push_back(s.GetStackEntry(i));
  for (int i = 0; i < TTargetState::kHistoryDepth; ++i) e.history.push_back(s.PcHistoryAt(i));
  return e;
}

// The run loop is compiled apart from the single step: `ticks` single steps,
// each with its interrupt check, from the same start must end alike.
void CheckStepsAgree(TKy_UP& up, const TEndState& run, uint64_t ticks) {
  for (uint64_t i = 0; i < ticks; ++i) {
    if (!(up.State().SleepFlag | up.State().IdleFlag)) up.Core().ExecuteOne();
    up.Core().CheckInterrupt();
  }
  fuzz::Check(EndState(up.State()) == run, "the run loop and the single steps differ");
}

// Arms a run control command's run and drives it to its end, bounded.
void Finish(TKy_UP& up) {
  up.RunToStop(kSlice, kRunTicks);
  if (up.TimerEnabled()) up.StopProgram(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::TInputReader in(data, size);
  fuzz::ResetCoreState();
  fuzz::LoadShippedChip(in.Byte());
  Modes().DebugMode = 1;

  TKy_UP& up = fuzz::CpuModelForChip();

  struct Preset {
    int32_t address;
    uint8_t value;
  };
  std::vector<Preset> presets(in.Byte() % 16);
  for (Preset& p : presets) {
    const uint16_t a = in.Word();
    p = {static_cast<int32_t>(a & 0x0FFF), in.Byte()};
  }
  std::vector<uint16_t> breakpoints(in.Byte() % 8);
  for (uint16_t& b : breakpoints) b = in.Word();

  const uint32_t words = Chip().ChipRomWords;
  uint32_t stored = 0;
  for (; stored < words && !in.AtEnd(); ++stored)
    up.StoreProgramWord(static_cast<uint16_t>(stored), in.Word(),
                        static_cast<uint16_t>(stored + 1), 0);
  DecodeAll(up, stored);

  for (const Preset& p : presets) up.WriteRegisterModel(p.address, p.value);
  bool stopped = false;
  const uint64_t ticks = up.Core().RunUntilBreak(kRunTicks, ~0u, stopped);
  const TEndState run = EndState(up.State());
  up.CpuReset();
  for (const Preset& p : presets) up.WriteRegisterModel(p.address, p.value);
  CheckStepsAgree(up, run, ticks);

  up.CpuReset();
  for (const Preset& p : presets) up.WriteRegisterModel(p.address, p.value);
  for (uint16_t b : breakpoints) up.SetBreakpoint(b % words, 1, true);
  for (int i = 0; i < 16; ++i) up.TraceStep();
  up.StepOver();
  Finish(up);
  up.StepOut();
  Finish(up);
  up.RunProgram();
  Finish(up);
  for (int i = 0; i < 4; ++i) up.ShowPreviousPC();
  up.ClearBreakpoints();
  up.ResetDebugTarget();
  fuzz::ResetCoreState();
  return 0;
}
