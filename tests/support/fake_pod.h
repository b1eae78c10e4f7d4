#pragma once
// A scripted pod for the CPU model's emulator paths: keeps a register file,
// program memory, PC, cycles and stack of its own, answers halts from a
// script, and records every call by name so tests can check the order.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/pod_access.h"

namespace kyvor::test {

class FakePod final : public TPodAccess {
 public:
  FakePod();

  bool PodWriteRegister(uint32_t address, uint8_t value) override;
  uint8_t PodReadRegister(uint32_t address) override;
  bool PodReadDataMemory(uint32_t start, uint32_t length, uint8_t* dest) override;
  uint8_t PodReadControl() override;
  bool PodWriteControl(uint8_t value) override;
  uint16_t PodReadProgramWord(uint32_t address) override;
  bool PodWriteProgramWord(uint32_t address, uint16_t word) override;
  uint32_t PodReadPC() override;
  bool PodWritePC(uint32_t value) override;
  bool PodReadCycles(uint16_t& high, uint16_t& low) override;
  bool PodWriteCycles(uint16_t high, uint16_t low) override;
  bool PodReadStack(int depth, std::vector<uint32_t>& levels) override;
  bool PodEnterReset() override;
  bool PodLeaveReset() override;
  bool PodRunFree() override;
  bool PodRunWithBreakpoints() override;
  bool PodStopTarget() override;
  bool PodStep(int count) override;
  void PodSetStopBit() override;
  bool PodIsHalted(bool& failed) override;
  bool PodWriteBreakpoints(const std::array<uint32_t, 16>& addresses) override;
  bool PodWriteWatch(uint8_t mask, uint8_t data, uint16_t address) override;
  int PodReadChipId(uint16_t& id) override;
  bool PodAccessGate(bool open) override;
  bool PodSessionBegin() override;
  bool PodSessionEnd() override;

  // Pod memory: register file and the pod's tables (byte addresses).
  std::map<uint32_t, uint8_t> memory;
  // Bits the pod's register file ignores on write, per address (read-back masks).
  std::map<uint32_t, uint8_t> writeMask;
  std::map<uint32_t, uint16_t> program;
  uint32_t pc = 0;
  uint16_t cyclesHigh = 0, cyclesLow = 0;
  std::vector<uint32_t> stack;  // level 1 first
  uint8_t control = 0x02;
  // Answers of PodIsHalted, taken in order; once they are used up, `halted`.
  std::deque<bool> haltAnswers;
  bool halted = true;
  bool statusFails = false;
  int chipIdResult = 0;
  uint16_t chipId = 0x1234;
  std::array<uint32_t, 16> breakpoints{};
  int breakpointWrites = 0;
  std::vector<int> steps;
  // Runs on every PodStep (e.g. to move the pod's PC and cycles).
  std::function<void(int count)> onStep;

  // Every call, by operation name ("PodWriteRegister 80=12", "PodStep 1", ...).
  std::vector<std::string> calls;
  int count(const std::string& prefix) const;
  // Position of the first call that is exactly `call`, -1 when there is none.
  int indexOf(const std::string& call) const;
  // Hexadecimal as the call texts write numbers ("1F").
  static std::string hex(uint32_t value);
};

}  // namespace kyvor::test
