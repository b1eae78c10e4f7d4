#include "engine/ky_up.h"

#include <chrono>

#include "base/clock.h"
#include "base/dialogs.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/pod_access.h"

namespace kyvor {

namespace {

constexpr uint32_t kNoAddress = 0xFFFFF;
// A stop address that no PC (20 bits) can equal.
constexpr uint32_t kNeverMatches = 0xFFFFFFFFu;
constexpr uint32_t kPodPcHistory = 4144;
// Request bits of the built-in EEPROM's status register.
constexpr uint8_t kEepromReadRequest = 0x01, kEepromWriteRequest = 0x02;
const char kCaption[] = "Kyvor-IDE";

void Message(const std::string& text) {
  Dialogs().messageBox(text, kCaption, MsgIcon::Warning, MbOk);
}

}  // namespace

TKy_UP::TKy_UP() : core_(state_, table_), pod_(&NoPod()) {
  LoadInstructionTableFull();
  state_.ClearRegisters();
  ApplyChipConfig();
  state_.SetStackDepth(8);
  state_.ClearProgramMemory();
  timerEnabled_ = false;
  hardwareBreakpoints_.fill(kNoAddress);
  for (auto& b : breakpoints_) b = TBreakpointRecord{};
}

TKy_UP::~TKy_UP() = default;

void TKy_UP::SetPod(TPodAccess* pod) { pod_ = pod ? pod : &NoPod(); }

void TKy_UP::ApplyChipConfig() {
  state_.SetStackDepth(Chip().StackDepth);
  state_.SetProgramWords(ProgramMemoryPages() * 256);
}

bool TKy_UP::simulator() const { return Modes().SimulatorMode != 0; }

void TKy_UP::SetProgramCounter(uint32_t value) {
  state_.SetMirrorPc(simulator());
  state_.SetProgramCounter(value);
}

void TKy_UP::AdvancePC(uint32_t n) {
  state_.SetMirrorPc(simulator());
  state_.AdvancePC(n);
}

uint32_t TKy_UP::PopPcHistory() {
  if (simulator()) return state_.PopPcHistory();
  const uint32_t base = kPodPcHistory + 3u * uint32_t(state_.PcHistoryCursor());
  const uint32_t v = (uint32_t(pod_->PodReadRegister(base)) << 16) |
                     (uint32_t(pod_->PodReadRegister(base + 1)) << 8) |
                     pod_->PodReadRegister(base + 2);
  state_.SetPcHistoryCursor(state_.PcHistoryCursor() + 1);
  return v;
}

// ---------------------------------------------------------------------------
// Symbols and instruction table
// ---------------------------------------------------------------------------

bool TKy_UP::AddSymbol(const std::string& name, int32_t value, int32_t aux, char kind) {
  return symbols_.AddSymbol(name, name, value, kind, aux) == 0;
}

int32_t TKy_UP::SymbolAddress(const std::string& name) const {
  const TSymDefRecord* r = symbols_.FindSymbol(name);
  return r ? r->Value : -1;
}

std::string TKy_UP::SymbolAtAddress(int32_t address) const {
  if (address < 0) return std::string();
  const int32_t n = symbols_.Count();
  for (int32_t i = 1; i <= n; ++i) {
    const TSymDefRecord* r = symbols_.GetItem(i);
    if (r && r->Value == address) return r->Name;
  }
  return std::string();
}

void TKy_UP::LoadInstructionTableFull() {
  table_.LoadFull(programFolder_.empty() ? std::string() : programFolder_ + "Inst.txt");
}

void TKy_UP::LoadInstructionTableReduced() { table_.LoadReduced(); }

void TKy_UP::SetPointerBankBits() { indirectHighBitPos_ = {7, 6, 5}; }

void TKy_UP::SetTargetRunning(int flag) {
  Modes().TargetRunning = flag;
  if (Hooks.TargetRunningChanged) Hooks.TargetRunningChanged(flag);
}

void TKy_UP::SetRunMarks(int flag) {
  if (Hooks.RunMarksChanged) Hooks.RunMarksChanged(flag);
}

// ---------------------------------------------------------------------------
// Run control
// ---------------------------------------------------------------------------

void TKy_UP::TraceStep() {
  state_.SetPcHistoryCursor(0);
  SetRunMarks(1);
  if (simulator()) {
    state_.SetMirrorPc(true);
    core_.CheckInterrupt();
    if (!state_.SleepFlag && !state_.IdleFlag) {
      core_.ExecuteOne();
      callRunStopped();
    }
  } else if (Chip().SelfEromMode != 0 && Settings.PodChipId == kEepromPodChipId &&
             accessesEepromRegister(state_.ReadProgramWord(state_.GetPC()))) {
    selfEepromStep();
  } else {
    RestartIfOutOfRange(Chip().DeviceKind3 == 1 ? 8192 : 5120);
    podStepOnce();
    callRunStopped();
    if (!checkPodChipAfterStep()) {
      if (Hooks.SleepingChip) Hooks.SleepingChip();
      return;
    }
  }
  SetRunMarks(0);
  StepReady = 1;
}

// Emulator: cycle counter, watch condition and stop bit go to the pod before
// it runs or steps.
void TKy_UP::podPrepareRun() {
  uint16_t hi, lo;
  state_.GetCycleCounter(hi, lo);
  pod_->PodWriteCycles(hi, lo);
  const TOptions& o = Options();
  pod_->PodWriteWatch(o.WatchBitMask, o.WatchData, o.WatchAddress);
  pod_->PodSetStopBit();
}

// Emulator: one instruction on the pod (two steps where the word needs them),
// then the target state is read back.
void TKy_UP::podStepOnce() {
  podPrepareRun();
  const uint16_t word = state_.ReadProgramWord(state_.GetPC());
  // Third-kind chips step these by a temporary breakpoint; RJ and RCALL keep
  // the pod's last choice.
  const uint8_t kind = table_.DecodedWord(word).Kind;
  if (Chip().DeviceKind3 != 1 || (kind != ik::RJ && kind != ik::RCALL))
    pod_->PodSetStepByBreakpoint(Chip().DeviceKind3 == 1 &&
                                 (kind == ik::MVFF || kind == ik::MVLP || kind == ik::LDPR));
  pod_->PodStep(WritesPclatl(word) || needsTwoWordStep(word) ? 2 : 1);
  Clock().sleepFor(std::chrono::milliseconds(10));
  pod_->PodStopTarget();
  ReadStateFromPod(1);
  SetPodStopAddress(0, 0);
}

void TKy_UP::AnimateStep() {
  state_.SetPcHistoryCursor(0);
  SetRunMarks(1);
  if (simulator()) {
    state_.SetMirrorPc(true);
    core_.CheckInterrupt();
    if (state_.SleepFlag || state_.IdleFlag) {
      SetRunMarks(0);
      StepReady = 1;
      return;
    }
    core_.ExecuteOne();
  } else {
    podStepOnce();
  }
  if (OnTraceStep) OnTraceStep(*this);
  if (state_.GetBreakpointFlag(state_.GetPC(), 1)) callRunStopped();
  if (!simulator() && !checkPodChipAfterStep()) {
    // The chip sleeps: the animation is handed over to a run. This step
    // itself is over, so nothing waiting for it is left hanging.
    StepReady = 1;
    if (Hooks.SleepingChip) Hooks.SleepingChip();
    return;
  }
  SetRunMarks(0);
  StepReady = 1;
}

bool TKy_UP::checkPodChipAfterStep() {
  uint16_t id = 0;
  if (pod_->PodReadChipId(id) != 1) return true;
  if (id == 0) {
    Message("Sleep mode has already been activated, please push button to awake, or reset IC");
    return false;
  }
  Message("ICE chip comes off, please check!!");
  return true;
}

void TKy_UP::StepOver() {
  state_.SetPcHistoryCursor(0);
  SetRunMarks(1);
  const uint32_t pc = state_.GetPC();
  const TInstructionDescriptor* d = table_.Decode(state_.ReadProgramWord(pc));
  const bool call = d && d->Kind == ik::CALL;
  const bool rcall = d && d->Kind == ik::RCALL;
  if (!call && !rcall) {
    TraceStep();
    return;
  }
  stopAddressActive_ = true;
  // The return address: after both words of a two-word CALL.
  stopAddress_ = (pc + ((call && d->LongCall) ? 2 : 1)) & 0xFFFFF;
  SetPodStopAddress(pc + 1, 1);
  if (Hooks.DisableRunControls) Hooks.DisableRunControls();
  RunProgram();
}

void TKy_UP::StepOut() {
  state_.SetPcHistoryCursor(0);
  SetRunMarks(1);
  const int n = ReadRegister(reg::STKPTR) & 0x1F;
  if (n != 0) {
    uint32_t ret = 0;
    if (simulator()) {
      ret = state_.GetStackEntry(n);
    } else {
      std::vector<uint32_t> levels;
      if (pod_->PodReadStack(n, levels) && int(levels.size()) >= n) ret = levels[size_t(n - 1)];
    }
    stopAddressActive_ = true;
    stopAddress_ = ret & 0xFFFFF;
    SetPodStopAddress(ret, 1);
  } else {
    // Nothing to return to: an ordinary run up to the next breakpoint.
    ApplyHardwareBreakpoints();
  }
  if (Hooks.DisableRunControls) Hooks.DisableRunControls();
  RunProgram();
}

void TKy_UP::RunProgram() {
  state_.SetPcHistoryCursor(0);
  if (!simulator()) RestartIfOutOfRange(Chip().DeviceKind3 == 1 ? 8192 : 5120);
  SetRunMarks(1);
  SetTargetRunning(1);
  timerEnabled_ = true;
  lastStop_ = TRunStop::Running;
  if (simulator()) {
    state_.SetMirrorPc(true);
    inTimerTick_ = 0;
    if (Hooks.DisableRunControls) Hooks.DisableRunControls();
  } else {
    podPrepareRun();
    if (hardwareBreakpointCount_ > 0 || podStopArmed_)
      pod_->PodRunWithBreakpoints();
    else
      pod_->PodRunFree();
  }
}

// The stops of a step over, step out or line step last for one run only:
// every end of a run, reset and clearing of the breakpoints disarms them.
void TKy_UP::disarmRunStops() {
  runRangeActive_ = false;
  stopAddressActive_ = false;
  stopAddress_ = kNoAddress;
  if (podStopArmed_) SetPodStopAddress(0, 0);
}

void TKy_UP::endRun(TRunStop why) {
  lastStop_ = why;
  SetTargetRunning(0);
  SetRunMarks(0);
  timerEnabled_ = false;
  disarmRunStops();
  callRunStopped();
}

void TKy_UP::StopProgram(int readBackFlag) {
  SetTargetRunning(0);
  timerEnabled_ = false;
  if (lastStop_ == TRunStop::Running) lastStop_ = TRunStop::NotRunning;
  if (!simulator()) {
    pod_->PodStopTarget();
    SetPodStopAddress(0, 0);
    ReadStateFromPod(readBackFlag);
  } else if (podStopArmed_) {
    SetPodStopAddress(0, 0);
  }
  callRunStopped();
  disarmRunStops();
  SetRunMarks(0);
}

uint32_t TKy_UP::runStopAddress() const {
  // 0xFFFFF marks an unused place of the pod's list (no breakpoint, nothing
  // armed): the simulator's run must not stop at that address either.
  return podStopAddress_ == kNoAddress ? kNeverMatches : podStopAddress_;
}

bool TKy_UP::simTick() {
  TTargetState& s = state_;
  if (!s.SleepFlag && !s.IdleFlag) {
    core_.ExecuteOne();
    core_.CheckInterrupt();
  } else {
    core_.CheckInterrupt();  // only an interrupt wakes a sleeping core
  }
  const uint32_t pc = s.GetPC();
  if (Options().StopOnStackOverflow() && (s.Registers()[reg::STKPTR] & 0x80)) {
    if (Hooks.ShowStackStatus) Hooks.ShowStackStatus();
    endRun(TRunStop::StackOverflow);
    return true;
  }
  if (runRangeActive_) {
    if (pc <= runRangeLow_ || pc >= runRangeHigh_) {
      runRangeActive_ = false;
      endRun(TRunStop::RunRange);
      return true;
    }
    return false;
  }
  if (stopAddressActive_) {
    if (pc == stopAddress_ || pc == runStopAddress()) {
      stopAddressActive_ = false;
      endRun(TRunStop::StopAddress);
      return true;
    }
    return false;
  }
  if (s.HasBreakFlag(pc) || pc == runStopAddress()) {
    endRun(TRunStop::Breakpoint);
    return true;
  }
  return false;
}

TRunStop TKy_UP::runSlice(uint64_t budget) {
  if (!timerEnabled_) return TRunStop::NotRunning;
  if (!simulator()) {
    TimerTimer();
    return timerEnabled_ ? TRunStop::Running : lastStop_;
  }
  if (inTimerTick_) return TRunStop::Running;
  inTimerTick_ = 1;
  state_.SetMirrorPc(true);
  if (!Options().StopOnStackOverflow() && !runRangeActive_ && !stopAddressActive_) {
    // The common run: only breakpoint flags and the pod stop address stop it.
    bool stopped = false;
    core_.RunUntilBreak(budget, runStopAddress(), stopped);
    if (stopped) {
      endRun(TRunStop::Breakpoint);
      inTimerTick_ = 0;
      return lastStop_;
    }
  } else {
    for (uint64_t i = 0; i < budget; ++i) {
      if (simTick()) {
        inTimerTick_ = 0;
        return lastStop_;
      }
      if (!timerEnabled_) break;  // stopped from a callback
    }
  }
  inTimerTick_ = 0;
  return timerEnabled_ ? TRunStop::Running : lastStop_;
}

TRunStop TKy_UP::RunToStop(uint64_t sliceBudget, uint64_t maxTicks) {
  uint64_t done = 0;
  while (timerEnabled_ && done < maxTicks) {
    const uint64_t slice = std::min(sliceBudget, maxTicks - done);
    const TRunStop r = runSlice(slice);
    done += slice;
    if (r != TRunStop::Running) return r;
    Clock().pumpMessages();
  }
  return timerEnabled_ ? TRunStop::Running : lastStop_;
}

void TKy_UP::TimerTimer() {
  if (inTimerTick_) return;
  inTimerTick_ = 1;
  if (!simulator()) {
    podTick();
  } else if (timerEnabled_) {
    state_.SetMirrorPc(true);
    simTick();
  }
  inTimerTick_ = 0;
}

void TKy_UP::podTick() {
  bool failed = false;
  const bool halted = pod_->PodIsHalted(failed);
  if (failed) {
    timerEnabled_ = false;
    Modes().PodState = 255;
    lastStop_ = TRunStop::PodLost;
    return;
  }
  if (!halted) return;
  timerEnabled_ = false;
  SetTargetRunning(0);
  lastStop_ = TRunStop::PodHalted;
  StopProgram(1);
  lastStop_ = TRunStop::PodHalted;
  if (Chip().SelfEromMode != 0 && Settings.PodChipId == kEepromPodChipId) {
    const uint32_t pc = state_.GetPC();
    if (pc == 0) {
      if (Hooks.ResetRequested) Hooks.ResetRequested();
      return;
    }
    for (int i = 1; i <= Settings.EepromBreakCount && i <= breakpointCount_; ++i) {
      if (uint32_t(breakpoints_[size_t(i)].Address) != pc) continue;
      const uint8_t e0 = ReadRegister(reg::INTE0);
      WriteRegisterThrough(reg::INTE0, uint8_t(e0 & 0x7F));
      inTimerTick_ = 0;
      TraceStep();
      WriteRegisterThrough(reg::INTE0, e0);
      if (Hooks.DisableRunControls) Hooks.DisableRunControls();
      RunProgram();
      inTimerTick_ = 1;
      return;
    }
  }
}

void TKy_UP::SetRunRange(uint16_t low, uint16_t high) {
  runRangeActive_ = true;
  runRangeLow_ = low;
  runRangeHigh_ = high;
  if (!simulator()) SetPodStopAddress(high, 1);
}

void TKy_UP::ChangePC(uint32_t value) {
  SetProgramCounter(value);
  if (!simulator()) pod_->PodWritePC(state_.GetPC());
  callRunStopped();
}

void TKy_UP::ShowPreviousPC() {
  const uint32_t address = PopPcHistory();
  if (Hooks.ShowAddress) Hooks.ShowAddress(address);
}

void TKy_UP::CpuReset() {
  disarmRunStops();  // the Reset command is reachable during a run
  if (simulator()) {
    state_.TimerPrescaleCount = 0;
    state_.TimerEdgeFlag = 0;
  }
  state_.ClearRegisters();
  state_.ClearStack();
  SetPointerBankBits();
  state_.SetCycleCounter(0, 0);
  SetProgramCounter(0);
  hardwareBreakpointCount_ = 0;
  state_.SleepFlag = 0;
  state_.IdleFlag = 0;
  state_.ClearTwoWordState();
  SetTargetRunning(0);
  state_.ClearPcHistory();
  timerEnabled_ = false;
}

void TKy_UP::ResetTargetState() {
  CpuReset();
  SetProgramCounter(0);
  if (simulator()) {
    state_.ClearPcHistory();
  } else {
    IceResetTarget(1);
    for (int i = 1; i <= breakpointCount_; ++i)
      state_.SetBreakpointFlag(uint32_t(breakpoints_[size_t(i)].Address),
                               breakpoints_[size_t(i)].Kind, 1);
  }
  ApplyHardwareBreakpoints();
  SetRunMarks(0);
}

void TKy_UP::ResetDebugTarget() {
  if (simulator())
    ResetTargetState();
  else
    IceResetTarget(0);
  disarmRunStops();
  state_.ClearTwoWordState();
}

bool TKy_UP::RestartIfOutOfRange(uint32_t limit) {
  if (simulator()) return true;  // the simulator never leaves its program
  if (Chip().DeviceKind3 != 1) limit = 5120;
  if (pod_->PodReadPC() < limit) return true;
  if (Chip().SelfEromMode != 0 && Settings.PodChipId == kEepromPodChipId) {
    const uint32_t keepAt = Chip().DeviceKind3 == 1 ? 8192 : 5120;
    const uint16_t kept = pod_->PodReadProgramWord(keepAt);
    pod_->PodAccessGate(true);
    pod_->PodSessionBegin();
    pod_->PodWriteProgramWord(8192, table_.Variant() == kCoreK08B ? table_.Encode("JMP", 0x40)
                                                                   : table_.Encode("RJ", 0x3F));
    pod_->PodSessionEnd();
    pod_->PodAccessGate(false);
    pod_->PodStep(1);
    pod_->PodStopTarget();
    pod_->PodAccessGate(true);
    pod_->PodSessionBegin();
    pod_->PodWriteProgramWord(8192, kept);
    pod_->PodSessionEnd();
    pod_->PodAccessGate(false);
  }
  SetPodStopAddress(0, 1);
  if (!pod_->PodRunWithBreakpoints()) return false;
  const auto start = Clock().now();
  bool halted = false;
  for (;;) {
    bool failed = false;
    halted = pod_->PodIsHalted(failed);
    if (halted || failed || ElapsedMs(start) > 500) break;
    Clock().sleepFor(std::chrono::milliseconds(1));
  }
  if (!halted) return false;
  if (!pod_->PodStopTarget()) return false;
  pod_->PodWriteCycles(0, 0);
  pod_->PodWritePC(0);
  SetProgramCounter(0);
  // An armed address that never matches.
  SetPodStopAddress(0xFFFFFFFFll, 1);
  return true;
}

// ---------------------------------------------------------------------------
// Breakpoints
// ---------------------------------------------------------------------------

int TKy_UP::breakpointLimit() const {
  if (simulator()) return 20;
  int limit = int(MaxHardwareBreakpoints()) - 1;
  if (Chip().SelfEromMode != 0 && Settings.PodChipId == kEepromPodChipId)
    limit -= Settings.EepromBreakCount;
  return limit;
}

int TKy_UP::firstUserRecord() const {
  int first = 1;
  while (first <= breakpointCount_ && breakpoints_[size_t(first)].Kind == 0) ++first;
  return first;
}

uint32_t TKy_UP::snapToInstruction(uint32_t address) const {
  if (address > 0) {
    const TInstructionDescriptor* d = table_.Decode(state_.ReadProgramWord(address));
    if (d && d->Kind == ik::NOPF) return address - 1;
  }
  return address;
}

void TKy_UP::removeRecord(int index) {
  if (index < 1 || index > breakpointCount_) return;
  for (int i = index; i < breakpointCount_; ++i) breakpoints_[size_t(i)] = breakpoints_[size_t(i + 1)];
  breakpoints_[size_t(breakpointCount_)] = TBreakpointRecord{};
  --breakpointCount_;
}

bool TKy_UP::SetBreakpoint(int32_t address, int kind, bool set, int32_t page, int32_t line) {
  if (address < 0 || address >= int32_t(kNoAddress) || !state_.InProgram(uint32_t(address)))
    return false;
  if (kind != 1 && kind != 2) return false;
  if (set && WritesPclatlBefore(uint32_t(address))) {
    Message("Can not be setup breakpoint after operation PCLATL!!");
    return false;
  }
  const uint32_t at = snapToInstruction(uint32_t(address));
  if (set) {
    if (breakpointLimit() < 1) return false;
    const int first = firstUserRecord();
    for (int i = first; i <= breakpointCount_; ++i) {
      const TBreakpointRecord& b = breakpoints_[size_t(i)];
      if (uint32_t(b.Address) == at && b.Kind == kind) {
        removeRecord(i);
        break;
      }
    }
    if (breakpointCount_ >= kMaxUserBreakpoints) {
      if (first > breakpointCount_) return false;  // only EEPROM sites: no room
      // The oldest user breakpoint makes room, flag and marks included.
      const TBreakpointRecord old = breakpoints_[size_t(first)];
      removeRecord(first);
      bool stillUsed = false;
      for (int i = 1; i <= breakpointCount_; ++i)
        if (breakpoints_[size_t(i)].Address == old.Address && breakpoints_[size_t(i)].Kind == old.Kind)
          stillUsed = true;
      if (!stillUsed) state_.SetBreakpointFlag(uint32_t(old.Address), old.Kind, 0);
      if (Hooks.BreakpointChanged) Hooks.BreakpointChanged(old, false);
    }
    TBreakpointRecord rec;
    rec.Address = int32_t(at);
    rec.Kind = uint8_t(kind);
    rec.Page = kind == 2 ? page : 0;
    rec.Line = kind == 2 ? line : 0;
    breakpoints_[size_t(++breakpointCount_)] = rec;
    state_.SetBreakpointFlag(at, kind, 1);
    ApplyHardwareBreakpoints();
    if (Hooks.BreakpointChanged) Hooks.BreakpointChanged(rec, true);
    return true;
  }
  for (int i = firstUserRecord(); i <= breakpointCount_; ++i) {
    const TBreakpointRecord b = breakpoints_[size_t(i)];
    if (uint32_t(b.Address) != at || b.Kind != kind) continue;
    removeRecord(i);
    state_.SetBreakpointFlag(at, kind, 0);
    if (Hooks.BreakpointChanged) Hooks.BreakpointChanged(b, false);
    break;
  }
  ApplyHardwareBreakpoints();
  return true;
}

bool TKy_UP::AddBreakpointRecord(int32_t address, int kind, int slot, int32_t page,
                                 int32_t line) {
  if (breakpointLimit() < 1 || slot < 1 || slot > 10) return false;
  if (address < 0) return false;
  const uint32_t at = snapToInstruction(uint32_t(address));
  if (slot > breakpointCount_) breakpointCount_ = slot;  // slots fill from 1
  else if (breakpoints_[size_t(slot)].Address == int32_t(kNoAddress)) ++breakpointCount_;
  TBreakpointRecord rec;
  rec.Address = int32_t(at);
  rec.Kind = uint8_t(kind);
  rec.Page = page;
  rec.Line = line;
  breakpoints_[size_t(slot)] = rec;
  if (kind == 1 || kind == 2) state_.SetBreakpointFlag(at, kind, 1);
  ApplyHardwareBreakpoints();
  return true;
}

void TKy_UP::ClearBreakpoints() {
  for (int i = 1; i <= breakpointCount_; ++i) {
    const TBreakpointRecord& b = breakpoints_[size_t(i)];
    if (b.Address >= 0) state_.SetBreakpointFlag(uint32_t(b.Address), b.Kind, 0);
  }
  for (auto& b : breakpoints_) b = TBreakpointRecord{};
  hardwareBreakpoints_.fill(kNoAddress);
  podStopAddress_ = kNoAddress;
  podStopArmed_ = 0;
  hardwareBreakpointCount_ = 0;
  breakpointCount_ = 0;
  disarmRunStops();
  SetRunMarks(0);
  state_.ClearTwoWordState();
}

TBreakpointRecord TKy_UP::BreakpointRecordAt(int i) const {
  if (i < 1 || i >= int(breakpoints_.size())) return TBreakpointRecord{};
  return breakpoints_[size_t(i)];
}

void TKy_UP::podWriteBreakpointList() {
  if (simulator()) return;
  std::array<uint32_t, 16> list{};
  list[0] = podStopAddress_;
  for (size_t i = 0; i < 15; ++i) list[i + 1] = hardwareBreakpoints_[i];
  pod_->PodWriteBreakpoints(list);
}

void TKy_UP::ApplyHardwareBreakpoints() {
  const int count = breakpointCount_ < 15 ? breakpointCount_ : 15;
  const uint32_t last = count > 0 ? uint32_t(breakpoints_[size_t(count)].Address) : kNoAddress;
  for (int i = 0; i < 15; ++i)
    hardwareBreakpoints_[size_t(i)] = i < count ? uint32_t(breakpoints_[size_t(i + 1)].Address) : last;
  hardwareBreakpointCount_ = count;
  podStopAddress_ = hardwareBreakpoints_[0];
  podStopArmed_ = 0;
  podWriteBreakpointList();
}

void TKy_UP::SetPodStopAddress(int64_t address, int arm) {
  if (arm) {
    podStopAddress_ = uint32_t(address);
  } else {
    // Disarmed: back to the first breakpoint, or to no address at all.
    podStopAddress_ = hardwareBreakpointCount_ > 0 ? hardwareBreakpoints_[0] : kNoAddress;
  }
  podStopArmed_ = arm ? 1 : 0;
  if (hardwareBreakpointCount_ == 0) hardwareBreakpoints_.fill(arm ? podStopAddress_ : kNoAddress);
  podWriteBreakpointList();
}

bool TKy_UP::WritesPclatl(uint16_t word) const {
  // A store to the data address with bank bit 0 goes through the access path.
  const TDecodedWord& d = table_.DecodedWord(word);
  if (d.Row == TDecodedWord::kNoRow || !d.ToF || d.BankBit != 0) return false;
  return core_.PeekIndirectAddress(d.Op1) == uint32_t(reg::PCLATL);
}

bool TKy_UP::WritesPclatlBefore(uint32_t address) const {
  if (address == 0) return false;
  if (WritesPclatl(state_.ReadProgramWord(address - 1))) return true;
  // MVFF names its destination in its second word (resolved like the first).
  if (address < 2) return false;
  const TDecodedWord& first = table_.DecodedWord(state_.ReadProgramWord(address - 2));
  const TDecodedWord& second = table_.DecodedWord(state_.ReadProgramWord(address - 1));
  return (first.Flags & rf::LongMove) && second.Kind == ik::NOPF &&
         second.Row != TDecodedWord::kNoRow &&
         core_.PeekIndirectAddress(second.Op1) == uint32_t(reg::PCLATL);
}

bool TKy_UP::needsTwoWordStep(uint16_t word) const {
  const TDecodedWord& d = table_.DecodedWord(word);
  if (d.Row == TDecodedWord::kNoRow) return false;
  if (d.Flags & (rf::LongMove | rf::LongTableLoad | rf::LongPointerLoad)) return true;
  if (d.Flags & rf::RelativeBranch) return Chip().DeviceKind3 == 1;
  if (d.Condition == TCondition::Never) return false;
  // The tested byte as the model holds it: banked by the low nibble of the
  // bank register when the bank bit is 1 and that bank exists, else bank 0.
  uint32_t bank = 0;
  const uint32_t nib = ReadRegister(reg::BSR) & 0x0F;
  if (d.BankBit && nib <= Chip().LastRamBank) bank = nib * 256;
  const uint32_t f = ReadRegister(int32_t(bank + d.Op1));
  return ConditionHolds(d.Condition, d.ConditionBits, f, ReadRegister(reg::W),
                        ReadRegister(reg::STATUS));
}

// ---------------------------------------------------------------------------
// Built-in EEPROM emulation on the pod
// ---------------------------------------------------------------------------

bool TKy_UP::accessesEepromRegister(uint16_t word) const {
  const TDecodedWord& d = table_.DecodedWord(word);
  if (d.Row == 0xFF) return false;
  const uint32_t reg8 = Chip().SelfEromRegister & 0xFF;
  if (d.Kind == ik::MVFF) {
    const TDecodedWord& second = table_.DecodedWord(state_.ReadProgramWord(state_.GetPC() + 1));
    return (d.Op1 & 0xFF) == reg8 || (second.Kind == ik::NOPF && (second.Op1 & 0xFF) == reg8);
  }
  if (d.NoRegisterOperand) return false;
  // Operand 1 with the bank bit 0 (the access path of the register).
  return d.Access != 0 && (d.Op1 & 0xFF) == reg8 && Chip().SelfEromRegister < 256;
}

void TKy_UP::podWriteProgramInSession(uint32_t address, const std::vector<uint16_t>& words) {
  pod_->PodAccessGate(true);
  pod_->PodSessionBegin();
  for (size_t i = 0; i < words.size(); ++i) pod_->PodWriteProgramWord(address + uint32_t(i), words[i]);
  pod_->PodSessionEnd();
  pod_->PodAccessGate(false);
}

// The access at PC runs once on the pod with bank 4 in place of the control
// register (the word with its bank bit set), interrupts held off; the word,
// the bank and the interrupt enable are put back after it.
void TKy_UP::stepEepromAccessOnBank4(uint32_t pc) {
  const uint8_t keptBsr = ReadRegister(reg::BSR);
  const uint8_t keptInte = ReadRegister(reg::INTE0);
  WriteRegisterThrough(reg::INTE0, uint8_t(keptInte & 0x7F));
  WriteRegisterThrough(reg::BSR, 4);
  const uint16_t word = state_.ReadProgramWord(pc);
  podWriteProgramInSession(pc, {uint16_t(word | 0x0100)});
  pod_->PodStep(1);
  pod_->PodStopTarget();
  podWriteProgramInSession(pc, {word});
  WriteRegisterThrough(reg::BSR, keptBsr);
  WriteRegisterThrough(reg::INTE0, keptInte);
}

// The EEPROM pointer: the low register alone in modes 1 and 2, both bytes
// above.
uint32_t TKy_UP::eepromPointer() const {
  const TChipConfig& chip = Chip();
  const uint32_t low = ReadRegister(chip.SelfEromWords[1]);
  if (chip.SelfEromMode < 3) return low & 0xFF;
  return uint32_t(ReadRegister(chip.SelfEromWords[0])) * 256u + low;
}

// The pointer moves past the word at `at` (6 bits in modes 1 and 2).
void TKy_UP::advanceEepromPointer(uint32_t at) {
  const TChipConfig& chip = Chip();
  if (chip.SelfEromMode > 2) {
    WriteRegisterThrough(chip.SelfEromWords[0], uint8_t((at + 1) >> 8));
    WriteRegisterThrough(chip.SelfEromWords[1], uint8_t((at + 1) & 0xFF));
  } else {
    WriteRegisterThrough(chip.SelfEromWords[1], uint8_t((at + 1) & 0x3F));
  }
}

// A read request: five words at PC load the table pointer with the EEPROM
// word's address and jump back; they run on the pod with interrupts held
// off, then W and the program words are put back and the pointer moves on.
void TKy_UP::serveEepromRead(uint32_t pc, uint8_t keptInte, uint8_t keptW) {
  const uint32_t e =
      Chip().SelfEromMode < 3 ? (eepromPointer() | 0x1700) : eepromPointer() + 0x1700;
  std::vector<uint16_t> saved(5);
  for (uint32_t i = 0; i < 5; ++i) saved[i] = state_.ReadProgramWord(pc + i);
  const TInstructionTable& t = table_;
  const uint16_t back =
      t.Variant() == kCoreK08B ? t.Encode("JMP", int(pc & 0x7FF)) : t.Encode("RJ", 0x800 - 5);
  podWriteProgramInSession(pc, {t.Encode("MVL", int((e >> 8) & 0xFF)),
                                t.Encode("MVF", reg::TBLDH, 1, 0), t.Encode("MVL", int(e & 0xFF)),
                                t.Encode("MVF", reg::TBLDL, 1, 0), back});
  WriteRegisterThrough(reg::INTE0, uint8_t(keptInte & 0x7F));
  pod_->PodStep(5);
  pod_->PodStopTarget();
  WriteRegisterThrough(reg::W, keptW);
  WriteRegisterThrough(reg::INTE0, keptInte);
  podWriteProgramInSession(pc, saved);
  advanceEepromPointer(e);
}

// A write request: the data registers' word goes to the EEPROM word of the
// pod's program memory (ANDed with the old word in modes 1 and 2) and the
// pointer moves on; a table pointer above 0x3F writes nothing.
void TKy_UP::serveEepromWrite() {
  const TChipConfig& chip = Chip();
  if (ReadRegister(reg::TBLPTRL) > 0x3F) return;
  uint16_t value =
      uint16_t(ReadRegister(chip.SelfEromWords[2]) * 256u + ReadRegister(chip.SelfEromWords[3]));
  const uint32_t d = (chip.DeviceKind3 == 1 ? 0x4000u : 0x1700u) + eepromPointer();
  pod_->PodAccessGate(true);
  pod_->PodSessionBegin();
  const uint16_t old = pod_->PodReadProgramWord(d);
  if (chip.SelfEromMode == 1 || chip.SelfEromMode == 2) value = uint16_t(value & old);
  pod_->PodWriteProgramWord(d, value);
  pod_->PodSessionEnd();
  pod_->PodAccessGate(false);
  advanceEepromPointer(d);
  if (chip.SelfEromMode <= 2 && ((d + 1) & 0xFF) > 63)
    Message("Warning: BIE Pointer overflow, May cap the previous data!!");
}

// One step of an access to the EEPROM control register: the access itself,
// then the request it left in the status register (read or write, the
// request bit cleared), then the status back to the pod and the state read
// back.
void TKy_UP::selfEepromStep() {
  const uint32_t pc = state_.GetPC();
  const uint8_t keptInte = ReadRegister(reg::INTE0);
  const uint8_t keptW = ReadRegister(reg::W);
  stepEepromAccessOnBank4(pc);

  const int statusAddress = Chip().SelfEromStatusAddress;
  uint8_t st = pod_->PodReadRegister(uint32_t(statusAddress));
  WriteRegisterModel(statusAddress, st);
  const bool read = st & kEepromReadRequest, write = st & kEepromWriteRequest;
  if (read && !write) {
    st = uint8_t(st & ~kEepromReadRequest);
    WriteRegisterModel(statusAddress, st);
    serveEepromRead(pc, keptInte, keptW);
  } else if (write && !read) {
    st = uint8_t(st & ~kEepromWriteRequest);
    WriteRegisterModel(statusAddress, st);
    serveEepromWrite();
  }
  WriteRegisterThrough(statusAddress, st);
  ReadStateFromPod(1);
  SetPodStopAddress(0, 0);
  callRunStopped();
}

// ---------------------------------------------------------------------------
// Register write path
// ---------------------------------------------------------------------------

void TKy_UP::LogRegisterChange(int32_t address, uint8_t value) {
  if (address < 0 || address >= TTargetState::kRegisterCount) return;
  const uint8_t old = ReadRegister(address);
  bool updated = false;
  if (!Options().ChContinue) {
    for (int32_t i = 1; i <= RegRecord.Count(); ++i) {
      TRegChange* c = RegRecord.Item(i);
      if (c->Address == address) {
        c->NewValue = value;
        c->OldValue = old;
        updated = true;
        break;
      }
    }
  }
  if (!updated) RegRecord.Add(SymbolAtAddress(address), address, value, old);
  const bool emu = !simulator();
  const uint8_t control = emu ? pod_->PodReadControl() : 0;
  WriteRegisterThrough(address, value);
  if (emu) pod_->PodWriteControl(control);
}

void TKy_UP::applyReadBackRules(int32_t address, bool toPod) {
  const auto& q = Chip().RegisterQuirkFlags;
  uint8_t v = ReadRegister(address);
  bool applied = false;
  if (address == 48 && q[2]) {
    v |= 0x60;
    applied = true;
  } else if (address == 60 && (q[3] || q[4] || q[5])) {
    if (q[3] && (v & 0x18)) v |= 0x18;
    if (q[4]) v &= uint8_t(~0x40);
    if (q[5]) v &= uint8_t(~0x20);
    applied = true;
  } else if (address == 61 && (q[0] || q[1])) {
    if (q[0]) v &= uint8_t(~0x10);
    if (q[1]) v &= uint8_t(~0x20);
    applied = true;
  }
  if (!applied) return;
  WriteRegisterModel(address, v);
  if (toPod) pod_->PodWriteRegister(uint32_t(address), v);
}

void TKy_UP::WriteRegisterThrough(int32_t address, uint8_t value) {
  writeThrough(address, value, true);
}

void TKy_UP::RestoreRegister(int32_t address, uint8_t value) {
  writeThrough(address, value, false);
}

void TKy_UP::writeThrough(int32_t address, uint8_t value, bool readBackRules) {
  if (address < 0 || address >= TTargetState::kRegisterCount) return;
  const bool emu = !simulator();
  const bool keepTable = emu && address != reg::TBLDH && address != reg::TBLDL;
  uint8_t keptHigh = 0, keptLow = 0;
  if (keepTable) {
    keptHigh = pod_->PodReadRegister(reg::TBLDH);
    keptLow = pod_->PodReadRegister(reg::TBLDL);
  }
  uint8_t byte = value;
  if (emu) {
    pod_->PodWriteRegister(uint32_t(address), value);
    byte = pod_->PodReadRegister(uint32_t(address));
  }
  WriteRegisterModel(address, byte);
  if (readBackRules) applyReadBackRules(address, emu);
  if (Hooks.RegisterWritten) Hooks.RegisterWritten(address);
  if (keepTable) {
    pod_->PodWriteRegister(reg::TBLDH, keptHigh);
    pod_->PodWriteRegister(reg::TBLDL, keptLow);
  }
}

}  // namespace kyvor
