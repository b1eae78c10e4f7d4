#pragma once
// The pod seam: the operations of the emulator pod that the CPU model calls in
// emulator mode. The pod link (USB bulk, HID, parallel port) implements it;
// tests install a fake or the virtual pod. `NoPod()` is the default: every
// operation fails and reads give 0.
//
// Addresses are the pod's: data addresses 0..4095 are the target's register
// file, higher ones the pod's own tables (4144 PC history, 4193 cycle counter,
// 4203 program counter, 0x1000 breakpoint list ...). Program addresses are word
// addresses.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace kyvor {

class TWriterAccess;

// A progress gauge: percent done, 0..100.
using TGauge = std::function<void(int percent)>;

// The two program areas a block download can write: program memory (A2) and
// the SBM/information area (AF).
enum class TPodBlockArea : uint8_t { Program, Sbm };

class TPodAccess {
 public:
  virtual ~TPodAccess() = default;

  // Register file and pod tables, one byte.
  virtual bool PodWriteRegister(uint32_t address, uint8_t value) = 0;
  virtual uint8_t PodReadRegister(uint32_t address) = 0;  // 0 on failure
  // A block of data memory from `start` into `dest` (`length` bytes).
  virtual bool PodReadDataMemory(uint32_t start, uint32_t length, uint8_t* dest) = 0;

  // The pod's control register.
  virtual uint8_t PodReadControl() = 0;  // 255 on failure
  virtual bool PodWriteControl(uint8_t value) = 0;

  // Program memory, one word.
  virtual uint16_t PodReadProgramWord(uint32_t address) = 0;  // 0 on failure
  virtual bool PodWriteProgramWord(uint32_t address, uint16_t word) = 0;

  // Program counter (3 bytes big-endian at 4203) and cycle counter (4193).
  virtual uint32_t PodReadPC() = 0;
  virtual bool PodWritePC(uint32_t value) = 0;
  virtual bool PodReadCycles(uint16_t& high, uint16_t& low) = 0;
  virtual bool PodWriteCycles(uint16_t high, uint16_t low) = 0;
  // `depth` stack levels, 24-bit values, level 1 first.
  virtual bool PodReadStack(int depth, std::vector<uint32_t>& levels) = 0;

  // Run control.
  virtual bool PodEnterReset() = 0;
  virtual bool PodLeaveReset() = 0;
  virtual bool PodRunFree() = 0;
  virtual bool PodRunWithBreakpoints() = 0;
  virtual bool PodStopTarget() = 0;  // halt
  virtual bool PodStep(int count) = 0;
  virtual void PodSetStopBit() = 0;
  // True when the target has halted; `failed` set when the status read failed.
  virtual bool PodIsHalted(bool& failed) = 0;

  // The 16-address hardware breakpoint list (0xFFFFF = unused).
  virtual bool PodWriteBreakpoints(const std::array<uint32_t, 16>& addresses) = 0;
  // Chip watch setting.
  virtual bool PodWriteWatch(uint8_t mask, uint8_t data, uint16_t address) = 0;
  // 0 = allowed id, 1 = id not in the chip's list, 255 = read failed.
  virtual int PodReadChipId(uint16_t& id) = 0;

  // Access gate and session around program-memory writes while debugging.
  virtual bool PodAccessGate(bool open) = 0;
  virtual bool PodSessionBegin() = 0;
  virtual bool PodSessionEnd() = 0;

  // The reads above with their success beside the value (a failed read and a
  // read of 0 look the same otherwise). A pod that can tell overrides these;
  // the defaults take every read as answered.
  virtual uint8_t PodReadRegister(uint32_t address, bool& ok) {
    ok = true;
    return PodReadRegister(address);
  }
  virtual uint16_t PodReadProgramWord(uint32_t address, bool& ok) {
    ok = true;
    return PodReadProgramWord(address);
  }
  virtual uint32_t PodReadPC(bool& ok) {
    ok = true;
    return PodReadPC();
  }
  virtual uint8_t PodReadControl(bool& ok) {
    ok = true;
    return PodReadControl();
  }

  // Chips of the third kind step MVFF, MVLP and LDPR by a temporary
  // breakpoint behind the instruction instead of the step counter; the CPU
  // model says so before the step. Pods without that need ignore it.
  virtual void PodSetStepByBreakpoint(bool on) { (void)on; }

  // --- program transfer and pod set-up -------------------------------------------
  // The pod's memory spaces; pods without them need no selection.
  virtual bool PodSelectProgramMemory() { return true; }
  virtual bool PodSelectRegisterFile() { return true; }
  // `words` into program memory from word `start` as one block; `mode` is the
  // block's mode byte (0, or 10 inside the access session of an EEPROM pod).
  // The default writes word by word.
  virtual bool PodDownloadWords(TPodBlockArea area, uint32_t start,
                                std::span<const uint16_t> words, uint8_t mode,
                                const TGauge& gauge);
  // words.size() words of program memory from word `start` as one block.
  virtual bool PodUploadWords(uint32_t start, std::span<uint16_t> words, const TGauge& gauge);
  // Program memory as bytes from byte address `address` (words high byte first).
  virtual bool PodWriteProgramBytes(uint32_t address, std::span<const uint8_t> bytes);
  virtual bool PodReadProgramBytes(uint32_t address, std::span<uint8_t> bytes);
  // Out of reset, the pod's cleared bytes and special registers.
  virtual bool PodInitSpecialRegisters() { return PodLeaveReset(); }
  // Finds the pod again (USB); false when none answers.
  virtual bool PodReconnect() { return true; }
  // One level (1..31) of the hardware stack, selected through the five level
  // bits of the stack pointer register 24, which is put back afterwards.
  virtual uint32_t PodReadStackLevel(int level, bool& ok);
  // The pod stores its PC into the selected level when the low top-of-stack
  // register is written: the value goes through the PC, which is restored.
  virtual bool PodWriteStackLevel(int level, uint32_t value);
  // The stand-alone programmer behind the same link; nullptr when there is none.
  virtual TWriterAccess* Writer() { return nullptr; }
};

// The pod that is not there: every operation fails, reads give 0 (control 255).
class TNoPod final : public TPodAccess {
 public:
  bool PodWriteRegister(uint32_t, uint8_t) override { return false; }
  uint8_t PodReadRegister(uint32_t) override { return 0; }
  bool PodReadDataMemory(uint32_t, uint32_t, uint8_t*) override { return false; }
  uint8_t PodReadControl() override { return 255; }
  bool PodWriteControl(uint8_t) override { return false; }
  uint16_t PodReadProgramWord(uint32_t) override { return 0; }
  bool PodWriteProgramWord(uint32_t, uint16_t) override { return false; }
  uint32_t PodReadPC() override { return 0; }
  bool PodWritePC(uint32_t) override { return false; }
  bool PodReadCycles(uint16_t& h, uint16_t& l) override {
    h = l = 0;
    return false;
  }
  bool PodWriteCycles(uint16_t, uint16_t) override { return false; }
  bool PodReadStack(int, std::vector<uint32_t>& levels) override {
    levels.clear();
    return false;
  }
  bool PodEnterReset() override { return false; }
  bool PodLeaveReset() override { return false; }
  bool PodRunFree() override { return false; }
  bool PodRunWithBreakpoints() override { return false; }
  bool PodStopTarget() override { return false; }
  bool PodStep(int) override { return false; }
  void PodSetStopBit() override {}
  bool PodIsHalted(bool& failed) override {
    failed = true;
    return false;
  }
  bool PodWriteBreakpoints(const std::array<uint32_t, 16>&) override { return false; }
  bool PodWriteWatch(uint8_t, uint8_t, uint16_t) override { return false; }
  int PodReadChipId(uint16_t& id) override {
    id = 0;
    return 255;
  }
  bool PodAccessGate(bool) override { return false; }
  bool PodSessionBegin() override { return false; }
  bool PodSessionEnd() override { return false; }
  uint8_t PodReadRegister(uint32_t, bool& ok) override {
    ok = false;
    return 0;
  }
  uint16_t PodReadProgramWord(uint32_t, bool& ok) override {
    ok = false;
    return 0;
  }
  uint32_t PodReadPC(bool& ok) override {
    ok = false;
    return 0;
  }
  uint8_t PodReadControl(bool& ok) override {
    ok = false;
    return 255;
  }
  bool PodSelectProgramMemory() override { return false; }
  bool PodSelectRegisterFile() override { return false; }
  bool PodReconnect() override { return false; }
};

// A process-wide instance of the missing pod.
TPodAccess& NoPod();

}  // namespace kyvor
