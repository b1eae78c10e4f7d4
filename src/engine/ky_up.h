#pragma once
// The CPU model: one instance holds the whole debugging state of the target
// (register image, program memory, PC, stack, cycles in its TTargetState), the
// instruction table, breakpoints, the debugger's symbol table, the change log
// of user writes, the information-block images and the refresh callbacks.
//
// In simulator mode (Modes().SimulatorMode = 1) the operations work on the
// model and never touch the pod; in emulator mode they go to the pod seam
// (engine/pod_access.h) and the model keeps the state last read back.
//
// Runs are driven from outside: RunProgram() arms the run, then the GUI calls
// runSlice(budget) (simulator) or TimerTimer() (emulator, every 100 ms) until
// the run stops. Nothing here calls a widget: windows listen through the
// callbacks and hooks.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/containers.h"
#include "engine/infoblock.h"
#include "engine/cpu_core.h"
#include "engine/instruction_table.h"
#include "engine/programmer.h"
#include "engine/reg_record.h"
#include "engine/target_state.h"
#include "engine/writer_access.h"

namespace kyvor {

// One breakpoint record. Kind 0: built-in EEPROM access site (pod only, no
// cell flag); 1: set at an address (listing); 2: set at a source line.
struct TBreakpointRecord {
  int32_t Address = 0xFFFFF;  // 0xFFFFF = free
  int32_t Page = 0;           // source page = file index + 1 (Kind 2)
  int32_t Line = 0;
  uint8_t Kind = 0;
};

// Why a slice of the simulator's run returned.
enum class TRunStop {
  Running,        // the budget was used up; the run goes on
  NotRunning,     // no run was armed
  Breakpoint,     // a Kind 1 / Kind 2 flag or the pod stop address
  StopAddress,    // the step-over / step-out stop address
  RunRange,       // left the run range of a source-line step
  StackOverflow,  // "STOP When OV Stack" and the stack is full
  PodHalted,      // emulator: the pod halted
  PodLost,        // emulator: the status poll failed
};

// What the model keeps of the pod and the last build. The options it follows
// (the chip watch, "STOP When OV Stack", the SRAM record's "Continue") are
// read from Options() (base/options.h).
struct TKyUpSettings {
  uint16_t PodChipId = 0;    // chip id the pod reported
  int EepromBreakCount = 0;  // built-in EEPROM sites at the front of the records
};

// Listeners of the windows (each may be empty).
struct TKyUpHooks {
  std::function<void(int running)> TargetRunningChanged;  // RAM grid read-only while 1
  std::function<void(int on)> RunMarksChanged;            // listing and source view run display
  std::function<void()> DisableRunControls;               // TKYMAIN.ALLMenudisable
  std::function<void()> ShowStackStatus;                  // TKYMAIN.ShowStackStatus
  std::function<void(int address)> RegisterWritten;       // RAM, register, peripheral refresh
  // A breakpoint was set (true) or cleared: source-view mark and listing redraw.
  std::function<void(const TBreakpointRecord&, bool set)> BreakpointChanged;
  std::function<void(uint32_t address)> ShowAddress;      // step back: listing and source view
  // Emulator step found the chip asleep (id 0): stop the animation, call Run.
  std::function<void()> SleepingChip;
  std::function<void()> ResetRequested;                   // TKYMAIN.RestMode
  // The main window's progress gauge EEBar: shown or hidden, and its value.
  std::function<void(bool shown)> GaugeShown;
  std::function<void(int percent)> GaugeProgress;
};

class TKy_UP {
 public:
  using Callback = std::function<void(TKy_UP& sender)>;

  TKy_UP();
  ~TKy_UP();
  TKy_UP(const TKy_UP&) = delete;
  TKy_UP& operator=(const TKy_UP&) = delete;

  // --- callbacks, hooks, settings, pod -------------------------------------
  Callback OnRunStopped;
  Callback OnTraceStep;
  Callback OnStepDone;  // installed by the main window, never called
  TKyUpHooks Hooks;
  TKyUpSettings Settings;
  void SetPod(TPodAccess* pod);  // not owned; nullptr = no pod
  TPodAccess& Pod() { return *pod_; }
  // Folder of "Inst.txt" (with trailing '/'); empty: the current folder.
  void SetProgramFolder(const std::string& folder) { programFolder_ = folder; }
  // Takes stack depth and program size from the chip configuration.
  void ApplyChipConfig();

  // --- target state --------------------------------------------------------
  TTargetState& State() { return state_; }
  const TTargetState& State() const { return state_; }
  TCpuCore& Core() { return core_; }

  uint8_t ReadRegister(int32_t address) const { return state_.ReadRegister(address); }
  void WriteRegisterModel(int32_t address, uint8_t value) {
    state_.WriteRegisterModel(address, value);
  }
  uint32_t GetPC() const { return state_.GetPC(); }
  void SetProgramCounter(uint32_t value);
  void AdvancePC(uint32_t n);
  void LatchPcFromRegisters(int32_t address) { state_.LatchPcFromRegisters(address); }
  void SetCycleCounter(uint16_t high, uint16_t low) { state_.SetCycleCounter(high, low); }
  void AddCycles(uint32_t n) { state_.AddCycles(n); }
  void GetCycleCounter(uint16_t& high, uint16_t& low) const { state_.GetCycleCounter(high, low); }

  void SetStackEntry(int index, uint32_t value) { state_.SetStackEntry(index, value); }
  uint32_t GetStackEntry(int index) const { return state_.GetStackEntry(index); }
  void PushStack(uint32_t value) { state_.PushStack(value); }
  uint32_t PopStack(bool markUnderflow) { return state_.PopStack(markUnderflow); }
  void SaveShadow() { state_.SaveShadow(); }
  void RestoreShadow() { state_.RestoreShadow(); }

  void ClearProgramMemory() { state_.ClearProgramMemory(); }
  bool StoreProgramWord(uint16_t address, uint16_t opcode, uint16_t line, uint8_t fileIndex) {
    return state_.StoreProgramWord(address, opcode, line, fileIndex);
  }
  uint16_t ReadProgramWord(uint32_t address) const { return state_.ReadProgramWord(address); }
  uint8_t GetSourceFileIndex(uint32_t address) const { return state_.GetSourceFileIndex(address); }
  uint16_t GetSourceLine(uint32_t address) const { return state_.GetSourceLine(address); }
  uint16_t GetOpcode(uint32_t address) const { return state_.GetOpcode(address); }
  uint16_t ProgramWordOf(uint32_t address) const { return state_.GetOpcode(address); }
  uint16_t ReadbackWordOf(uint32_t address) const { return state_.ReadbackWordOf(address); }
  void SetListingWordOf(uint32_t index, uint16_t opcode) { state_.SetListingWordOf(index, opcode); }
  uint8_t GetBreakpointFlag(uint32_t address, int kind) const {
    return state_.GetBreakpointFlag(address, kind);
  }
  TProgramCell* ProgramMemory() { return state_.Cells().data(); }

  void PushPcHistory(uint32_t address) { state_.PushPcHistory(address); }
  uint32_t PopPcHistory();  // emulator: the pod's own history
  void ClearPcHistory() { state_.ClearPcHistory(); }

  // --- symbols ---------------------------------------------------------------
  bool AddSymbol(const std::string& name, int32_t value, int32_t aux, char kind);
  int32_t SymbolCount() const { return symbols_.Count(); }
  const TSymDefRecord* SymbolAt(int32_t i) const { return symbols_.GetItem(i); }
  int32_t SymbolAddress(const std::string& name) const;
  std::string SymbolAtAddress(int32_t address) const;
  void ClearSymbols() { symbols_.Clear(); }
  TSymDefPack& SymbolTable() { return symbols_; }

  // --- instruction table ------------------------------------------------------
  void LoadInstructionTableFull();     // K08A with "Inst.txt"
  void LoadInstructionTableReduced();  // K08B
  const TInstructionTable& Instructions() const { return table_; }
  const TInstructionDescriptor* InstructionList() const { return table_.First(); }
  bool DecodeInstruction(uint16_t opcode, uint8_t& kind, uint8_t& noRegisterOperand,
                         int& operandCount, int& op1, int& op2, int& op3) const {
    return table_.DecodeInstruction(opcode, kind, noRegisterOperand, operandCount, op1, op2, op3);
  }
  bool DisassembleOpcode(uint16_t opcode, std::string& mnemonic, uint8_t& noRegisterOperand,
                         int& operandCount, int& op1, int& op2, int& op3) const {
    return table_.DisassembleOpcode(opcode, mnemonic, noRegisterOperand, operandCount, op1, op2,
                                    op3);
  }

  // --- other state -------------------------------------------------------------
  void SetPointerBankBits();
  const std::array<uint8_t, 3>& IndirectHighBitPos() const { return indirectHighBitPos_; }
  void SetTargetRunning(int flag);
  void SetRunMarks(int flag);
  TInfoBlock Info;  // InfoBlock, InfoBlockAlt, InfoReadback (engine/infoblock.h)
  uint8_t StepReady = 1;
  TRegRecord RegRecord;

  // --- run timer (the GUI drives it) ----------------------------------------------
  bool TimerEnabled() const { return timerEnabled_; }
  void SetTimerEnabled(bool on) { timerEnabled_ = on; }
  int TimerInterval() const { return timerInterval_; }
  void SetTimerInterval(int ms) { timerInterval_ = ms; }

  // --- run control ------------------------------------------------------------------
  void TraceStep();
  void AnimateStep();
  void StepOver();
  void StepOut();
  // Arms a run (simulator: the GUI then calls runSlice until it stops).
  void RunProgram();
  void StopProgram(int readBackFlag);
  // One tick of the run timer (simulator: one instruction and the stop tests;
  // emulator: the halt poll).
  void TimerTimer();
  // Runs up to `budget` ticks of an armed simulator run.
  TRunStop runSlice(uint64_t budget);
  // Why the last run stopped (NotRunning when it was stopped by StopProgram).
  TRunStop LastStop() const { return lastStop_; }
  // Drives an armed run to its end, letting messages run between slices
  // (headless callers and tests); gives up after `maxTicks`.
  TRunStop RunToStop(uint64_t sliceBudget = 100000, uint64_t maxTicks = ~uint64_t(0));

  void SetRunRange(uint16_t low, uint16_t high);
  void ChangePC(uint32_t value);
  void ShowPreviousPC();
  void CpuReset();
  void ResetTargetState();
  void ResetDebugTarget();
  bool RestartIfOutOfRange(uint32_t limit);

  // --- breakpoints -----------------------------------------------------------------
  static constexpr int kMaxUserBreakpoints = 14;
  bool SetBreakpoint(int32_t address, int kind, bool set, int32_t page = 0, int32_t line = 0);
  bool AddBreakpointRecord(int32_t address, int kind, int slot, int32_t page, int32_t line);
  void ClearBreakpoints();
  int32_t BreakpointCount() const { return breakpointCount_; }
  TBreakpointRecord BreakpointRecordAt(int i) const;  // 1-based
  int32_t BreakpointAddressAt(int i) const { return BreakpointRecordAt(i).Address; }
  void ApplyHardwareBreakpoints();
  void SetPodStopAddress(int64_t address, int arm);
  uint32_t PodStopAddress() const { return podStopAddress_; }
  uint8_t PodStopArmed() const { return podStopArmed_; }
  const std::array<uint32_t, 15>& HardwareBreakpoints() const { return hardwareBreakpoints_; }
  int32_t HardwareBreakpointCount() const { return hardwareBreakpointCount_; }
  bool StopAddressActive() const { return stopAddressActive_; }
  bool RunRangeActive() const { return runRangeActive_; }
  // True when the word writes "PCLATL" (27) through the access path.
  bool WritesPclatl(uint16_t word) const;
  // True when the instruction that ends just before `address` writes
  // "PCLATL": a one-word write at address - 1, or an MVFF whose second word
  // (at address - 1) names it as the destination.
  bool WritesPclatlBefore(uint32_t address) const;

  // --- register write path and change log ---------------------------------------
  void LogRegisterChange(int32_t address, uint8_t value);
  void WriteRegisterThrough(int32_t address, uint8_t value);
  // A saved byte put back (a loaded RAM file): the write path without the
  // chip's read-back rules, so the register holds what was saved.
  void RestoreRegister(int32_t address, uint8_t value);

  // --- emulator program transfer and state read-back (pod_transfer.cpp) -------------
  // Block downloads of `count` words from word `start`: source 0 the program
  // cells' Opcode (from `start`), 1 the information block of the chip's
  // layout (from word 0). The SBM form always takes InfoBlockAlt as source 1.
  bool IceDownloadBlock(uint32_t start, int source, uint8_t mode, const TGauge& gauge,
                        uint32_t count);
  bool IceDownloadSbm(uint32_t start, int source, uint8_t mode, const TGauge& gauge,
                      uint32_t count);
  // Program memory selected, then the download in the form the ROM emulation
  // type asks for (an EEPROM pod: inside the access gate and session).
  bool IceDownloadProgram(uint32_t start, const TGauge& gauge, uint32_t count);
  // The words the emulator download and verify move (IceProgramWords()).
  bool IceLoadProgram();
  int IceProgramWords() const;
  // The information block written to pod word address `address`, read back
  // into InfoReadback and compared.
  bool IceDownloadInfoBlock(uint32_t address);
  // `count` words from word `start` into the cells' PodWord (target 0, from
  // `start`) or InfoReadback (target 1, from word 0); false when they do
  // not fit.
  bool IceUploadBlock(uint32_t start, int target, const TGauge& gauge, uint32_t count);
  bool IceUploadProgramWords(uint32_t start, const TGauge& gauge, uint32_t count);
  // The whole program memory read back; on success PodWord becomes Opcode.
  bool IceUploadProgram();
  bool IceVerifyProgram();
  // 8K-word chips only: true when the pod's program memory holds the upper
  // half of the program (it was built for a bigger chip).
  bool CheckUpperProgramMemory();
  bool IceReadRegisters(uint32_t start, const TGauge& gauge, uint32_t length);
  void IceRefreshRegisters(int flag);
  void ReadStateFromPod(int flag);
  // Reset with an optional reload, verify, and one reload and verify more.
  bool IceResetTarget(int reload);
  // Halt, reset, verify and take the target out of reset again.
  bool IceCheckProgram();
  // The pod's memories: selftest::Passed, ProgramMemory or DataMemory (with
  // the failing address), or LinkLost.
  int IceSelfTest(bool fullRange, uint32_t& address);
  uint32_t PodReadStackLevel(int level);
  void PodWriteStackLevel(int level, uint32_t value);
  // The gauge EEBar as a TGauge, and its visibility.
  TGauge EEBar();
  void ShowGauge(bool shown);
  bool GaugeVisible() const { return gaugeShown_; }

  // --- programmer ("writer") operations (programmer.cpp) -------------------------------
  // Polls the writer until it is not busy (giving up after 5 s), then ends
  // the write; false on a give-up or a failed transfer.
  bool WriterWaitReady();
  bool WriterIsBusy(uint8_t& status);
  bool WriterFinish();
  // n program words from word w (Opcode) to writer byte address 2w.
  bool WriterWriteChunk(uint32_t w, uint32_t n);
  // n words of the chip's information block (WriterWriteRecord: always
  // InfoBlock) from word `start` to writer byte address `address`.
  bool WriterWriteInfo(uint32_t address, uint32_t n, uint32_t start);
  bool WriterWriteRecord(uint32_t address, uint32_t n, uint32_t start);
  // n words from writer byte address 2w into the cells' PodWord from w on.
  bool WriterReadImage(uint32_t w, uint32_t n, const TGauge& gauge);
  // n words from writer byte address `address` into InfoReadback from `start`.
  bool WriterReadChunk(uint32_t address, uint32_t n, uint32_t start);
  // Download-record words 240 (x, start), 242 (y, chip id), 241 (z, words).
  bool WriterReadFlashInfo(uint16_t& x, uint16_t& y, uint16_t& z);
  // The image checksum at writer address 0x80F6.
  bool WriterReadFlashWord(uint16_t& v);
  bool WriterEraseBlock(uint32_t address);
  // n chip words from chip word w into the cells' Opcode.
  bool ReadChipMemory(const TGauge& gauge, uint32_t w, uint32_t n);
  // n words of the chip's information area at chip word w, into a buffer of
  // their own (ChipInfoWords()) and, within its bounds, into the chip's
  // information block from word (w AND 0x0FFF).
  bool ReadChipInfoBlock(const TGauge& gauge, uint32_t w, uint32_t n);
  const std::vector<uint16_t>& ChipInfoWords() const { return chipInfoWords_; }
  bool WriterReadStatus(TWriterStatus& status);
  // Runs a chip operation on n words: chipop::Done, a failure code, TimedOut
  // or LinkFailed.
  uint8_t ChipOperationWithStatus(const TGauge& gauge, uint32_t n, TChipOperation type);
  // The chip's identification (a) and status word (b).
  bool ReadChipIdWords(uint16_t& a, uint16_t& b);
  bool WriterCheckIdentity();
  bool WriterIdentityEnabled();
  TWriterCalibration WriterReadCalibration();
  bool WriterWriteSetting(uint16_t value);
  // Both halves of the calibration and option block (F9 10 00, then 01).
  bool WriterSendCalibration(const TCalibrationBytes& bytes);
  // B8 80 with the calibration flag byte, after a successful protect.
  bool WriterCalibratedProtect(uint8_t flags);
  bool PodLcdCommand(uint8_t code);
  bool PodLcdClear();
  // Text at `pos` (bit 6 the second line, bits 0-5 the column, clamped to
  // the line); a first-line text that is too long goes on at the second line.
  bool PodLcdWriteText(uint8_t pos, const std::string& text);
  bool PodLock(uint8_t mode);
  // The image file to the writer, verified; the protect form asks whether
  // to protect an unprotected image and sends the calibration block.
  TWriterDownloadResult WriterDownloadImage(const TWriterDownload& download);
  TWriterDownloadResult WriterDownloadAndProtect(const TWriterDownload& download);
  // True when the program part of `programBytes` and the header of the
  // download (the protect form, or else the chip's) fit the writer's image
  // memory without overlapping; a download that does not fit is refused.
  bool WriterImageFits(uint32_t programBytes, bool protect) const;

 private:
  bool simulator() const;
  void callRunStopped() {
    if (OnRunStopped) OnRunStopped(*this);
  }
  void endRun(TRunStop why);
  void disarmRunStops();
  bool simTick();  // one simulator tick; true when the run stopped
  // The pod stop address as the simulator's run compares it with the PC (the
  // unused marker 0xFFFFF never matches).
  uint32_t runStopAddress() const;
  void podTick();
  int breakpointLimit() const;
  int firstUserRecord() const;
  void removeRecord(int index);  // 1-based
  uint32_t snapToInstruction(uint32_t address) const;
  bool needsTwoWordStep(uint16_t word) const;
  void podPrepareRun();
  void podStepOnce();
  // Emulator: the pod's chip-ID check after a step; shows the message of a
  // mismatch and gives false when the chip sleeps (ID 0).
  bool checkPodChipAfterStep();
  // Built-in EEPROM emulation on the pod: true when the word at PC accesses
  // the EEPROM control register, then the step is made by selfEepromStep.
  bool accessesEepromRegister(uint16_t word) const;
  void selfEepromStep();
  void stepEepromAccessOnBank4(uint32_t pc);
  uint32_t eepromPointer() const;
  void advanceEepromPointer(uint32_t at);
  void serveEepromRead(uint32_t pc, uint8_t keptInte, uint8_t keptW);
  void serveEepromWrite();
  void podWriteProgramInSession(uint32_t address, const std::vector<uint16_t>& words);
  void applyReadBackRules(int32_t address, bool toPod);
  void writeThrough(int32_t address, uint8_t value, bool readBackRules);
  void podWriteBreakpointList();
  TWriterAccess* writer();
  // The transfer as the ROM emulation type asks for it: plainly (mode 0), or
  // inside the access gate and session of an EEPROM pod (mode 10).
  bool byRomEmulation(const std::function<bool(uint8_t mode)>& transfer);
  int testProgramMemory(uint8_t first, uint32_t& address);
  bool infoWordsFit(uint32_t start, uint32_t count) const;
  bool readStackFromPod();
  uint8_t chipOperationUsb(const TGauge& gauge, uint32_t n, TChipOperation type);
  uint8_t chipOperationParallel(const TGauge& gauge, uint32_t n, TChipOperation type);
  bool readChipParallel(uint16_t command, std::span<uint16_t> words, const TGauge& gauge);
  bool writeInfoWords(uint32_t address, std::span<const uint16_t> area, uint32_t n,
                      uint32_t start);
  bool readImageFile(const std::string& path, uint32_t bytes, bool shortLayout);
  TWriterDownloadResult downloadImage(const TWriterDownload& download, bool protect);
  bool downloadProgramPart(uint32_t words);
  bool downloadHeader(bool shortLayout, uint16_t& blockCrc);
  bool downloadsShortHeader(bool protect) const;
  bool verifyProgramPart(uint32_t words, TWriterDownloadResult& result);
  bool verifyLongHeader();
  bool verifyDownload(uint32_t words, bool shortLayout, uint16_t blockCrc,
                      TWriterDownloadResult& result);
  void askProtection(std::vector<std::string>& notes);
  bool sendKeptCalibration(const TCalibrationBytes& kept);

  TTargetState state_;
  TInstructionTable table_;
  TCpuCore core_;
  TSymDefPack symbols_;
  TPodAccess* pod_;
  std::string programFolder_;
  std::array<uint8_t, 3> indirectHighBitPos_{7, 6, 5};

  bool timerEnabled_ = false;
  int timerInterval_ = 100;
  uint8_t inTimerTick_ = 0;
  TRunStop lastStop_ = TRunStop::NotRunning;

  bool runRangeActive_ = false;
  uint16_t runRangeLow_ = 0, runRangeHigh_ = 0;
  bool stopAddressActive_ = false;
  uint32_t stopAddress_ = 0xFFFFF;

  int32_t hardwareBreakpointCount_ = 0;
  uint32_t podStopAddress_ = 0xFFFFF;
  std::array<uint32_t, 15> hardwareBreakpoints_{};
  uint8_t podStopArmed_ = 0;
  int32_t breakpointCount_ = 0;
  std::array<TBreakpointRecord, 21> breakpoints_{};  // index 1..20
  bool gaugeShown_ = false;
  std::vector<uint16_t> chipInfoWords_;
};

}  // namespace kyvor
