// The pod protocol's speed against the virtual pod, in both framings:
// packets per second (host to pod and back counted separately) for a ping, a
// register read (select and memory command), a 1 KB data-memory block read,
// and an emulator trace step of the CPU model with its whole state read-back.
// A real pod at full speed answers about 1,000 USB transactions a second, so
// the protocol and the virtual pod should be far above that.
#include <benchmark/benchmark.h>

#include <memory>

#include "base/clock.h"
#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/virtual_pod_rig.h"

namespace {

using namespace kyvor;
using test::TVirtualPod;
using test::TVirtualPodRig;

std::unique_ptr<TVirtualPodRig> OpenRig(int framing) {
  ResetModes();
  ResetChipConfig();
  auto rig = std::make_unique<TVirtualPodRig>(framing ? TVirtualPod::TFraming::Hid
                                                      : TVirtualPod::TFraming::Bulk);
  rig->Pod.Logging = false;
  if (!rig->Open()) return nullptr;
  return rig;
}

void Count(benchmark::State& state, const TVirtualPodRig& rig, int before) {
  // Each host packet is answered by one reply packet.
  state.counters["packets/s"] =
      benchmark::Counter(2.0 * (rig.Pod.HostPacketCount() - before), benchmark::Counter::kIsRate);
}

void BM_Ping(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  const int before = rig->Pod.HostPacketCount();
  for (auto _ : state) benchmark::DoNotOptimize(rig->Link.PodPing());
  Count(state, *rig, before);
}
BENCHMARK(BM_Ping)->Arg(0)->Arg(1)->ArgName("hid");

void BM_ReadRegister(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  const int before = rig->Pod.HostPacketCount();
  for (auto _ : state) benchmark::DoNotOptimize(rig->Link.PodReadRegister(0x80));
  Count(state, *rig, before);
}
BENCHMARK(BM_ReadRegister)->Arg(0)->Arg(1)->ArgName("hid");

void BM_DataMemoryRead1K(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  std::vector<uint8_t> image(1024);
  const int before = rig->Pod.HostPacketCount();
  for (auto _ : state) benchmark::DoNotOptimize(rig->Link.PodReadDataMemory(0, 1024, image.data()));
  Count(state, *rig, before);
  state.SetBytesProcessed(int64_t(state.iterations()) * 1024);
}
BENCHMARK(BM_DataMemoryRead1K)->Arg(0)->Arg(1)->ArgName("hid");

// The steady clock without the step's 10 ms wait: the step measures the
// protocol, not the pod's settling time.
class TNoWaitClock final : public IClock {
 public:
  time_point now() const override { return std::chrono::steady_clock::now(); }
  void pumpMessages() override {}
  void sleepFor(std::chrono::microseconds) override {}
};

void BM_EmulatorTraceStep(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  TNoWaitClock clock;
  SetClock(&clock);
  Chip().ChipRomWords = 4096;
  Chip().RamBankRanges[1] = {0x100, 0x1FF};
  Chip().SimIcList[0] = rig->Pod.ChipId;
  Chip().SimIcCount = 1;
  TKy_UP up;
  up.ApplyChipConfig();
  rig->Install(up);
  Modes().SimulatorMode = 0;
  rig->Link.PodLeaveReset();
  const int before = rig->Pod.HostPacketCount();
  for (auto _ : state) up.TraceStep();  // NOPs through program memory
  Count(state, *rig, before);
  state.counters["packets/step"] =
      benchmark::Counter(2.0 * (rig->Pod.HostPacketCount() - before) / double(state.iterations()));
  SetClock(nullptr);
  ResetModes();
}
BENCHMARK(BM_EmulatorTraceStep)->Arg(0)->Arg(1)->ArgName("hid");

}  // namespace
