// Simulator speed: instructions executed per second through runSlice on a
// tight loop, without breakpoints, with 14 breakpoints and with a timer
// interrupt firing. A real chip runs up to about 20 million per second; the
// target is at least 50 million.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"

namespace {

using namespace kyvor;

uint16_t Enc(const TInstructionTable& t, const std::string& m, int a = 0, int b = 0, int c = 0) {
  return t.Encode(m, a, b, c);
}

enum class Mode { Plain, Breakpoints, Interrupts };

std::unique_ptr<TKy_UP> MakeLoop(Mode mode) {
  ResetModes();
  ResetChipConfig();
  Chip().ChipRomWords = 8192;
  auto up = std::make_unique<TKy_UP>();
  up->ApplyChipConfig();
  const TInstructionTable& t = up->Instructions();
  // Interrupt vector at 4: clear the timer flag and return with the shadow.
  const uint16_t isr[] = {Enc(t, "BCF", reg::INTF0, 3, 0), Enc(t, "RETI", 1)};
  for (int i = 0; i < 2; ++i) up->StoreProgramWord(uint16_t(4 + i), isr[i], 0, 0);
  // Main loop at 0x10: a mix of arithmetic, logic, bit tests, indirect
  // access and a relative jump back.
  const uint16_t loop[] = {
      Enc(t, "ADDL", 3),
      Enc(t, "INF", 0x80, 1, 1),
      Enc(t, "XORF", 0x81, 1, 1),
      Enc(t, "MVF", 1, 0, 0),       // through pointer 0, post-increment
      Enc(t, "BTSS", 0x80, 7, 1),   // skip when bit 7 set
      Enc(t, "NOP"),
      Enc(t, "ANDL", 0x7F),
      Enc(t, "RJ", 0x7F8),          // back 8 words
  };
  for (int i = 0; i < 8; ++i) up->StoreProgramWord(uint16_t(0x10 + i), loop[i], 0, 0);
  up->StoreProgramWord(0, Enc(t, "RJ", 0x00F), 0, 0);  // reset vector -> 0x10
  up->WriteRegisterModel(reg::BSR, 0);
  if (mode == Mode::Breakpoints) {
    for (int i = 0; i < 14; ++i) up->SetBreakpoint(0x100 + i * 3, i % 2 ? 1 : 2, true, 1, i + 1);
  }
  if (mode == Mode::Interrupts) {
    up->WriteRegisterModel(reg::TMRCTL, 0x80);  // timer on, bit 0 edge
    up->WriteRegisterModel(reg::INTE0, 0x88);
  }
  return up;
}

void RunLoop(benchmark::State& state, Mode mode) {
  auto up = MakeLoop(mode);
  constexpr uint64_t kSlice = 1u << 20;
  up->RunProgram();
  uint64_t executed = 0;
  for (auto _ : state) {
    const TRunStop r = up->runSlice(kSlice);
    if (r != TRunStop::Running) {
      state.SkipWithError("the loop stopped");
      break;
    }
    executed += kSlice;
  }
  up->StopProgram(0);
  // Sanity: the loop really executes (about 1.1 cycles per instruction).
  state.counters["cycles_per_instr"] =
      executed ? double(up->State().Cycles()) / double(executed) : 0.0;
  state.counters["instr_per_s"] =
      benchmark::Counter(double(executed), benchmark::Counter::kIsRate);
  state.SetItemsProcessed(int64_t(executed));
}

void BM_RunSliceNoBreakpoints(benchmark::State& state) { RunLoop(state, Mode::Plain); }
void BM_RunSlice14Breakpoints(benchmark::State& state) { RunLoop(state, Mode::Breakpoints); }
void BM_RunSliceInterrupts(benchmark::State& state) { RunLoop(state, Mode::Interrupts); }

BENCHMARK(BM_RunSliceNoBreakpoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunSlice14Breakpoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunSliceInterrupts)->Unit(benchmark::kMillisecond);

// Decoding one word: the lookup table against the walk of the list.
void BM_DecodeLookup(benchmark::State& state) {
  TInstructionTable t;
  t.LoadFull();
  uint32_t w = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t.Decode(uint16_t(w)));
    w += 40503;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
void BM_DecodeScan(benchmark::State& state) {
  TInstructionTable t;
  t.LoadFull();
  uint32_t w = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t.DecodeByScan(uint16_t(w)));
    w += 40503;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_DecodeLookup);
BENCHMARK(BM_DecodeScan);

void BM_LoadInstructionTable(benchmark::State& state) {
  TInstructionTable t;
  for (auto _ : state) benchmark::DoNotOptimize(t.LoadFull());
}
BENCHMARK(BM_LoadInstructionTable)->Unit(benchmark::kMillisecond);

}  // namespace
