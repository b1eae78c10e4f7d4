// Emulator mode: the program and the information block go to the pod's own
// program memory and are read back and compared; the target is reset with a
// reload, the pod's memories are tested, and after every halt the target's
// state (PC, cycles, stack, data memory) is read back into the model.
#include <algorithm>
#include <array>

#include "base/clock.h"
#include "base/containers.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {

constexpr uint32_t kEepromArea = 0x2E00;  // the emulated EEPROM's words in program memory
constexpr uint32_t kEepromAreaWords = 128;
constexpr int kBlockModePlain = 0;
constexpr int kBlockModeEeprom = 10;  // block mode inside the access session of an EEPROM pod
constexpr uint32_t kUpperHalfPages = 32;
constexpr uint32_t kUpperHalf = 8192;
constexpr int kMaskedRegister = 59;  // read back through its implemented bits

// The self test's patterns: registers 128 on, and 40 bytes of program memory.
constexpr uint32_t kFirstTestedRegister = 128;
constexpr size_t kTestedProgramBytes = 40;

}  // namespace

// ---------------------------------------------------------------------------
// The gauge
// ---------------------------------------------------------------------------

TGauge TKy_UP::EEBar() {
  return [this](int percent) {
    if (Hooks.GaugeProgress) Hooks.GaugeProgress(std::clamp(percent, 0, 100));
  };
}

void TKy_UP::ShowGauge(bool shown) {
  gaugeShown_ = shown;
  if (Hooks.GaugeShown) Hooks.GaugeShown(shown);
}

// ---------------------------------------------------------------------------
// Downloads
// ---------------------------------------------------------------------------

namespace {

// The words of a download: the cells' Opcode from `start`, or the first
// `count` words of an information-block area. Empty when they do not fit.
bool DownloadWords(TTargetState& state, std::span<const uint16_t> info, int source,
                   uint32_t start, uint32_t count, std::vector<uint16_t>& words) {
  words.clear();
  if (source == 0) {
    if (uint64_t(start) + count > uint64_t(TTargetState::kProgramCells)) return false;
    for (uint32_t i = 0; i < count; ++i) words.push_back(state.Cell(start + i).Opcode);
    return true;
  }
  if (source != 1 || count > info.size()) return false;
  words.assign(info.begin(), info.begin() + count);
  return true;
}

}  // namespace

bool TKy_UP::IceDownloadBlock(uint32_t start, int source, uint8_t mode, const TGauge& gauge,
                              uint32_t count) {
  std::vector<uint16_t> words;
  return DownloadWords(state_, Info.Layout(Chip()), source, start, count, words) &&
         pod_->PodDownloadWords(TPodBlockArea::Program, start, words, mode, gauge);
}

bool TKy_UP::IceDownloadSbm(uint32_t start, int source, uint8_t mode, const TGauge& gauge,
                            uint32_t count) {
  std::vector<uint16_t> words;
  return DownloadWords(state_, Info.InfoBlockAlt, source, start, count, words) &&
         pod_->PodDownloadWords(TPodBlockArea::Sbm, start, words, mode, gauge);
}

bool TKy_UP::byRomEmulation(const std::function<bool(uint8_t mode)>& transfer) {
  switch (Options().RomEmulationType) {
    case 0: return transfer(kBlockModePlain);
    case 1: {
      // An EEPROM pod takes program words only inside its access session.
      bool ok = pod_->PodAccessGate(true) && pod_->PodSessionBegin() && transfer(kBlockModeEeprom);
      ok = pod_->PodSessionEnd() && ok;
      return pod_->PodAccessGate(false) && ok;
    }
    default: return false;
  }
}

bool TKy_UP::IceDownloadProgram(uint32_t start, const TGauge& gauge, uint32_t count) {
  return pod_->PodSelectProgramMemory() && byRomEmulation([&](uint8_t mode) {
           return IceDownloadBlock(start, 0, mode, gauge, count);
         });
}

int TKy_UP::IceProgramWords() const {
  // The largest memories move one word short of their size.
  int n = std::clamp(ProgramMemoryPages(), 0, TTargetState::kProgramCells / 256) * 256;
  if (n >= 16640) --n;
  return n;
}

bool TKy_UP::IceLoadProgram() {
  ShowGauge(true);
  const bool ok = IceDownloadProgram(0, EEBar(), uint32_t(IceProgramWords()));
  ShowGauge(false);
  return ok;
}

bool TKy_UP::IceDownloadInfoBlock(uint32_t address) {
  const bool shown = gaugeShown_;
  ShowGauge(false);
  const uint32_t n = TInfoBlock::kPodWords;
  bool ok = pod_->PodSelectProgramMemory() &&
            byRomEmulation([&](uint8_t mode) { return IceDownloadBlock(address, 1, mode, EEBar(), n); }) &&
            pod_->PodSelectProgramMemory() && IceUploadBlock(address, 1, EEBar(), n);
  if (ok) {
    const auto layout = Info.Layout(Chip());
    ok = std::equal(layout.begin(), layout.begin() + n, Info.InfoReadback.begin());
  }
  ShowGauge(shown);
  return ok;
}

// ---------------------------------------------------------------------------
// Uploads and verification
// ---------------------------------------------------------------------------

bool TKy_UP::IceUploadBlock(uint32_t start, int target, const TGauge& gauge, uint32_t count) {
  if (target == 1) {
    if (count > Info.InfoReadback.size()) return false;
    return pod_->PodUploadWords(start, std::span(Info.InfoReadback).first(count), gauge);
  }
  if (target != 0 || uint64_t(start) + count > uint64_t(TTargetState::kProgramCells)) return false;
  std::vector<uint16_t> words(count);
  if (!pod_->PodUploadWords(start, words, gauge)) return false;
  for (uint32_t i = 0; i < count; ++i) state_.Cell(start + i).PodWord = words[i];
  return true;
}

bool TKy_UP::IceUploadProgramWords(uint32_t start, const TGauge& gauge, uint32_t count) {
  return pod_->PodSelectProgramMemory() && IceUploadBlock(start, 0, gauge, count);
}

bool TKy_UP::IceUploadProgram() {
  ShowGauge(true);
  const uint32_t n = uint32_t(std::clamp(ProgramMemoryPages() * 256, 0, TTargetState::kProgramCells));
  const bool ok = IceUploadProgramWords(0, EEBar(), n);
  if (ok)
    for (uint32_t i = 0; i < n; ++i) state_.Cell(i).Opcode = state_.Cell(i).PodWord;
  ShowGauge(false);
  return ok;
}

bool TKy_UP::IceVerifyProgram() {
  const uint32_t n = uint32_t(IceProgramWords());
  ShowGauge(true);
  bool ok = IceUploadProgramWords(0, EEBar(), n);
  for (uint32_t i = 0; ok && i < n; ++i) ok = state_.Cell(i).PodWord == state_.Cell(i).Opcode;
  ShowGauge(false);
  if (ok) Clock().pumpMessages();
  return ok;
}

bool TKy_UP::CheckUpperProgramMemory() {
  if (ProgramMemoryPages() != int(kUpperHalfPages)) return false;
  std::vector<uint16_t> words(kUpperHalf);
  if (!pod_->PodSelectProgramMemory() || !pod_->PodUploadWords(0, words, {})) return false;
  for (uint32_t i = 0; i < kUpperHalf; ++i)
    if (words[i] != state_.Cell(kUpperHalf + i).Opcode) return false;
  return true;
}

// ---------------------------------------------------------------------------
// State read-back
// ---------------------------------------------------------------------------

bool TKy_UP::IceReadRegisters(uint32_t start, const TGauge& gauge, uint32_t length) {
  if (uint64_t(start) + length > uint64_t(TTargetState::kRegisterCount)) return false;
  // The data-memory read selects the register file itself.
  const bool ok = pod_->PodReadDataMemory(start, length, state_.Registers() + start);
  if (ok && gauge) gauge(100);
  return ok;
}

void TKy_UP::IceRefreshRegisters(int flag) {
  (void)flag;
  const uint32_t size = std::min<uint32_t>(DataMemorySize(), TTargetState::kRegisterCount);
  // A failed read leaves the image as it was: nothing stale goes back.
  if (!IceReadRegisters(0, EEBar(), size)) return;
  const bool emulator = !simulator();
  applyReadBackRules(61, emulator);
  applyReadBackRules(60, emulator);
  applyReadBackRules(48, emulator);
  const TCRREGBytePtr& bytes = ByteRegisterList();
  for (int32_t i = 0; i < bytes.Count(); ++i)
    if (bytes.GetAddress(i) == kMaskedRegister)
      WriteRegisterModel(kMaskedRegister,
                         uint8_t(ReadRegister(kMaskedRegister) & Chip().DataMemoryMap[kMaskedRegister]));
  if (Chip().SelfEromMode != 0 && emulator) {
    if (!pod_->PodSelectProgramMemory()) return;
    IceUploadBlock(kEepromArea, 1, EEBar(), kEepromAreaWords);
  }
  Clock().pumpMessages();
}

bool TKy_UP::readStackFromPod() {
  // The pod reads its stack through the table latch registers.
  bool ok = false;
  const uint8_t keptHigh = pod_->PodReadRegister(reg::TBLDH, ok);
  if (!ok) return false;
  const uint8_t keptLow = pod_->PodReadRegister(reg::TBLDL, ok);
  if (!ok) return false;
  std::vector<uint32_t> levels;
  const int depth = state_.StackDepth();
  if (!pod_->PodReadStack(depth, levels)) return false;
  for (int i = 1; i <= depth && i <= int(levels.size()); ++i)
    state_.SetStackEntry(i, levels[size_t(i - 1)] & 0xFFFFFF);
  return pod_->PodWriteRegister(reg::TBLDH, keptHigh) && pod_->PodWriteRegister(reg::TBLDL, keptLow);
}

void TKy_UP::ReadStateFromPod(int flag) {
  if (simulator() || !pod_->PodSelectRegisterFile()) return;
  const uint32_t limit = Chip().DeviceKind3 == 1 ? 8192 : 5120;
  bool answered = false;
  uint32_t p = pod_->PodReadPC(answered);
  if (!answered) return;  // a lost pod leaves the state last read back
  if (p > limit - 1) {
    RestartIfOutOfRange(limit);
    p = 0;
  }
  SetProgramCounter(p);
  uint16_t hi = 0, lo = 0;
  if (pod_->PodReadCycles(hi, lo)) state_.SetCycleCounter(hi, lo);
  if (!readStackFromPod()) return;
  IceRefreshRegisters(flag);
}

uint32_t TKy_UP::PodReadStackLevel(int level) {
  bool ok = false;
  return pod_->PodReadStackLevel(level, ok);
}

void TKy_UP::PodWriteStackLevel(int level, uint32_t value) { pod_->PodWriteStackLevel(level, value); }

// ---------------------------------------------------------------------------
// Reset, check and self test
// ---------------------------------------------------------------------------

bool TKy_UP::IceResetTarget(int reload) {
  pod_->PodEnterReset();
  if (reload) IceLoadProgram();
  bool ok = IceVerifyProgram();
  if (!ok) {
    IceLoadProgram();
    ok = IceVerifyProgram();
  }
  pod_->PodInitSpecialRegisters();
  ReadStateFromPod(0);
  return ok;
}

bool TKy_UP::IceCheckProgram() {
  pod_->PodStopTarget();
  pod_->PodEnterReset();
  const bool ok = IceVerifyProgram();
  pod_->PodInitSpecialRegisters();
  return ok;
}

namespace {

// Writes `pattern` to registers first..last and reads them back; the first
// that differs goes to `address`.
int TestRegisters(TPodAccess& pod, uint32_t last, uint8_t pattern, uint32_t& address) {
  for (uint32_t a = kFirstTestedRegister; a <= last; ++a)
    if (!pod.PodWriteRegister(a, pattern)) return selftest::LinkLost;
  for (uint32_t a = kFirstTestedRegister; a <= last; ++a) {
    bool ok = false;
    const uint8_t v = pod.PodReadRegister(a, ok);
    if (!ok) return selftest::LinkLost;
    if (v != pattern) {
      address = a;
      return selftest::DataMemory;
    }
  }
  return selftest::Passed;
}

}  // namespace

int TKy_UP::testProgramMemory(uint8_t first, uint32_t& address) {
  std::array<uint8_t, kTestedProgramBytes> out{}, back{};
  for (size_t i = 0; i < out.size(); ++i) out[i] = (i % 2) ? uint8_t(~first) : first;
  auto transfer = [&](uint8_t) {
    return pod_->PodWriteProgramBytes(0, out) && pod_->PodReadProgramBytes(0, back);
  };
  const bool ok = Options().RomEmulationType == 1 ? byRomEmulation(transfer) : transfer(0);
  if (!ok) return selftest::LinkLost;
  for (size_t i = 0; i < out.size(); ++i) {
    if (back[i] == out[i]) continue;
    address = uint32_t(i);
    return selftest::ProgramMemory;
  }
  return selftest::Passed;
}

int TKy_UP::IceSelfTest(bool fullRange, uint32_t& address) {
  address = 0;
  ClearBreakpoints();
  // No pod to test is no pass: the callers must not report the memories good.
  if (Modes().PodlessMode == 0 && Modes().IceInterfaceIndex == 4 && !pod_->PodReconnect())
    return selftest::LinkLost;
  const uint32_t last = fullRange ? 511 : 131;
  for (uint8_t pattern : {uint8_t(0x5A), uint8_t(0xA5)})
    if (const int r = TestRegisters(*pod_, last, pattern, address); r != selftest::Passed) return r;
  for (uint8_t first : {uint8_t(0xAA), uint8_t(0x55)})
    if (const int r = testProgramMemory(first, address); r != selftest::Passed) return r;
  return selftest::Passed;
}

}  // namespace kyvor
