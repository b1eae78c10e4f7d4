// The pod protocol's speed against the virtual pod, in both framings:
// packets per second (host to pod and back counted separately) for a ping, a
// register read (select and memory command), a 1 KB data-memory block read,
// an emulator trace step of the CPU model with its whole state read-back, and
// the download of a 16K-word image: to the emulator's program memory (block
// write), verified (block read), and to the programmer with its ready waits
// and read-back (packets and bytes per download; the programmer's waits run
// on virtual time and are counted apart).
// A real pod at full speed answers about 1,000 USB transactions a second, so
// the protocol and the virtual pod should be far above that.
// Each benchmark checks its result: the ping answered, the register and the
// block read gave the values written, every trace step moved the PC (on the
// pod and in the model), and each 16K download holds or verified the image.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "base/clock.h"
#include "base/modes.h"
#include "bench_checks.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "support/virtual_pod_rig.h"

namespace {

using namespace kyvor;
using bench::Check;
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
  for (auto _ : state)
    if (!Check(state, rig->Link.PodPing(), "the ping was not answered")) break;
  Count(state, *rig, before);
}
BENCHMARK(BM_Ping)->Arg(0)->Arg(1)->ArgName("hid");

void BM_ReadRegister(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  constexpr uint8_t kWritten = 0x5A;
  if (!Check(state, rig->Link.PodWriteRegister(0x80, kWritten), "the register write failed"))
    return;
  const int before = rig->Pod.HostPacketCount();
  for (auto _ : state) {
    bool ok = false;
    const uint8_t v = rig->Link.PodReadRegister(0x80, ok);
    if (!Check(state, ok && v == kWritten, "the register read did not give the value written"))
      break;
  }
  Count(state, *rig, before);
}
BENCHMARK(BM_ReadRegister)->Arg(0)->Arg(1)->ArgName("hid");

void BM_DataMemoryRead1K(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  // RAM from 0x100 takes a pattern; the whole read must give what the pod holds.
  for (uint32_t a = 0x100; a < 1024; ++a)
    rig->Pod.Target().WriteRegisterModel(int(a), uint8_t(a * 7));
  std::vector<uint8_t> expected(1024);
  for (uint32_t a = 0; a < 1024; ++a) expected[a] = rig->Pod.DataByte(a);
  if (!Check(state, expected[0x3FF] == uint8_t(0x3FF * 7), "the pattern is not in the pod")) return;
  std::vector<uint8_t> image(1024);
  const int before = rig->Pod.HostPacketCount();
  for (auto _ : state) {
    std::fill(image.begin(), image.end(), 0);
    const bool ok = rig->Link.PodReadDataMemory(0, 1024, image.data());
    if (!Check(state, ok && image == expected, "the block read did not give the values written"))
      break;
  }
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
  for (auto _ : state) {
    const uint32_t pc = up.GetPC();
    up.TraceStep();  // NOPs through program memory
    const bool moved = up.GetPC() != pc && rig->Pod.Target().GetPC() == up.GetPC();
    if (!Check(state, moved, "the trace step did not move the PC")) break;
  }
  Count(state, *rig, before);
  state.counters["packets/step"] =
      benchmark::Counter(2.0 * (rig->Pod.HostPacketCount() - before) / double(state.iterations()));
  SetClock(nullptr);
  ResetModes();
}
BENCHMARK(BM_EmulatorTraceStep)->Arg(0)->Arg(1)->ArgName("hid");

// Waits move virtual time only: the programmer's ready and status waits
// cost nothing real, and are reported as the time they would take.
class TVirtualTimeClock final : public IClock {
 public:
  time_point now() const override { return now_; }
  void pumpMessages() override {}
  void sleepFor(std::chrono::microseconds d) override { now_ += d; }

 private:
  time_point now_{};
};

constexpr uint32_t kImageWords = 16384;

// The image's words.
uint16_t ImageWord(uint32_t a) { return uint16_t(a * 7 + 3); }

// A CPU model with a 16K-word program, driving the rig's pod in emulator mode.
std::unique_ptr<TKy_UP> ModelWithImage(TVirtualPodRig& rig, int deviceKind3) {
  Chip().ChipRomWords = kImageWords;
  Chip().DeviceKind3 = uint8_t(deviceKind3);
  auto up = std::make_unique<TKy_UP>();
  up->ApplyChipConfig();
  for (uint32_t a = 0; a < kImageWords; ++a) up->State().Cell(a).Opcode = ImageWord(a);
  rig.Install(*up);
  Modes().SimulatorMode = 0;
  return up;
}

bool IsImage(const std::vector<uint16_t>& words) {
  if (words.size() != kImageWords) return false;
  for (uint32_t a = 0; a < kImageWords; ++a)
    if (words[a] != ImageWord(a)) return false;
  return true;
}

bool PodHoldsImage(const TVirtualPod& pod) {
  std::vector<uint16_t> words(kImageWords);
  for (uint32_t a = 0; a < kImageWords; ++a) words[a] = pod.ProgramWord(a);
  return IsImage(words);
}

// Packets (both ways) and bytes (both ways) per iteration.
void CountTransfer(benchmark::State& state, const TVirtualPodRig& rig, int packets0,
                   uint64_t bytes0) {
  const double n = double(state.iterations());
  state.counters["packets"] = 2.0 * (rig.Pod.HostPacketCount() - packets0) / n;
  state.counters["bytes"] = double(rig.Pod.HostBytes() + rig.Pod.ReplyBytes() - bytes0) / n;
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * kImageWords);
}

// Arg 1: 0 the download (block write), 1 its verification (block read).
void BM_Emulator16K(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  auto up = ModelWithImage(*rig, 0);
  const bool verify = state.range(1) != 0;
  if (verify && !Check(state, up->IceLoadProgram(), "the download failed")) return;
  const int packets0 = rig->Pod.HostPacketCount();
  const uint64_t bytes0 = rig->Pod.HostBytes() + rig->Pod.ReplyBytes();
  for (auto _ : state) {
    if (verify) {
      if (!Check(state, up->IceVerifyProgram(), "the verification failed")) return;
      continue;
    }
    // Each download goes into a cleared pod and must leave the image there.
    state.PauseTiming();
    for (uint32_t a = 0; a < kImageWords; ++a) rig->Pod.SetProgramWord(a, 0);
    state.ResumeTiming();
    if (!Check(state, up->IceLoadProgram(), "the download failed")) return;
    state.PauseTiming();
    const bool held = PodHoldsImage(rig->Pod);
    state.ResumeTiming();
    if (!Check(state, held, "the pod does not hold the image")) return;
  }
  CountTransfer(state, *rig, packets0, bytes0);
  ResetModes();
}
BENCHMARK(BM_Emulator16K)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"hid", "verify"})
    ->Unit(benchmark::kMillisecond);

void BM_ProgrammerDownload16K(benchmark::State& state) {
  auto rig = OpenRig(int(state.range(0)));
  if (!rig) return state.SkipWithError("no virtual pod");
  TVirtualTimeClock clock;
  SetClock(&clock);
  auto up = ModelWithImage(*rig, 1);
  const std::string path =
      (std::filesystem::temp_directory_path() / ("bench_image_" + std::to_string(::getpid()) + ".hex"))
          .string();
  {
    std::ofstream out(path, std::ios::binary);
    for (uint32_t a = 0; a < kImageWords + 256; ++a) {
      const uint16_t w = ImageWord(a);
      out << char(w >> 8) << char(w & 0xFF);
    }
  }
  const TWriterDownload download{path, 2 * kImageWords, 0, 0x0A16, 0};
  const int packets0 = rig->Pod.HostPacketCount();
  const uint64_t bytes0 = rig->Pod.HostBytes() + rig->Pod.ReplyBytes();
  const auto virtual0 = clock.now();
  for (auto _ : state) {
    state.PauseTiming();
    std::fill(rig->Pod.Writer.Flash.begin(), rig->Pod.Writer.Flash.end(), 0xFF);  // erased
    state.ResumeTiming();
    if (!Check(state, up->WriterDownloadImage(download).Ok, "the download failed")) break;
    state.PauseTiming();
    const bool held = IsImage(rig->Pod.Writer.FlashWords(0, kImageWords));
    state.ResumeTiming();
    if (!Check(state, held, "the writer does not hold the image")) break;
  }
  CountTransfer(state, *rig, packets0, bytes0);
  state.counters["waits_ms"] =
      double(std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - virtual0).count()) /
      double(state.iterations());
  std::filesystem::remove(path);
  SetClock(nullptr);
  ResetModes();
}
BENCHMARK(BM_ProgrammerDownload16K)->Arg(0)->Arg(1)->ArgName("hid")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kyvor::bench::RunBenchmarks(argc, argv); }
