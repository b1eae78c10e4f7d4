#pragma once
// A small recording pod for the review tests: a byte memory, program words,
// PC, cycles and stack; every call is logged by name in order.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/pod_access.h"

namespace kyvor::review {

class RecordingPod final : public TPodAccess {
 public:
  std::map<uint32_t, uint8_t> mem;
  std::map<uint32_t, uint8_t> keepMask;  // bits of a register that read back as written
  std::map<uint32_t, uint16_t> prog;
  uint32_t pc = 0;
  uint16_t cyclesHigh = 0, cyclesLow = 0;
  std::vector<uint32_t> stack;
  uint8_t control = 0x5A;
  std::vector<std::string> calls;
  std::vector<int> steps;
  std::array<uint32_t, 16> breakpoints{};
  int chipIdResult = 0;
  uint16_t chipId = 0x1234;
  bool halted = true;
  bool statusFails = false;

  int count(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : calls)
      if (c.rfind(prefix, 0) == 0) ++n;
    return n;
  }
  int indexOf(const std::string& exact) const {
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i] == exact) return int(i);
    return -1;
  }
  static std::string hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%X", v);
    return b;
  }

  bool PodWriteRegister(uint32_t a, uint8_t v) override {
    calls.push_back("W " + hex(a) + "=" + hex(v));
    auto it = keepMask.find(a);
    mem[a] = it == keepMask.end() ? v : uint8_t(v & it->second);
    return true;
  }
  uint8_t PodReadRegister(uint32_t a) override {
    calls.push_back("R " + hex(a));
    auto it = mem.find(a);
    return it == mem.end() ? 0 : it->second;
  }
  bool PodReadDataMemory(uint32_t start, uint32_t length, uint8_t* dest) override {
    calls.push_back("RD " + hex(start) + "+" + hex(length));
    for (uint32_t i = 0; i < length; ++i) {
      auto it = mem.find(start + i);
      dest[i] = it == mem.end() ? 0 : it->second;
    }
    return true;
  }
  uint8_t PodReadControl() override {
    calls.push_back("RC");
    return control;
  }
  bool PodWriteControl(uint8_t v) override {
    calls.push_back("WC " + hex(v));
    control = v;
    return true;
  }
  uint16_t PodReadProgramWord(uint32_t a) override {
    calls.push_back("RP " + hex(a));
    auto it = prog.find(a);
    return it == prog.end() ? 0 : it->second;
  }
  bool PodWriteProgramWord(uint32_t a, uint16_t w) override {
    calls.push_back("WP " + hex(a) + "=" + hex(w));
    prog[a] = w;
    return true;
  }
  uint32_t PodReadPC() override {
    calls.push_back("RPC");
    return pc;
  }
  bool PodWritePC(uint32_t v) override {
    calls.push_back("WPC " + hex(v));
    pc = v;
    return true;
  }
  bool PodReadCycles(uint16_t& h, uint16_t& l) override {
    calls.push_back("RCY");
    h = cyclesHigh;
    l = cyclesLow;
    return true;
  }
  bool PodWriteCycles(uint16_t h, uint16_t l) override {
    calls.push_back("WCY " + hex(h) + ":" + hex(l));
    cyclesHigh = h;
    cyclesLow = l;
    return true;
  }
  bool PodReadStack(int depth, std::vector<uint32_t>& levels) override {
    calls.push_back("RS");
    levels.assign(size_t(depth), 0);
    for (int i = 0; i < depth && i < int(stack.size()); ++i) levels[size_t(i)] = stack[size_t(i)];
    return true;
  }
  bool PodEnterReset() override { calls.push_back("EnterReset"); return true; }
  bool PodLeaveReset() override { calls.push_back("LeaveReset"); return true; }
  bool PodRunFree() override { calls.push_back("RunFree"); return true; }
  bool PodRunWithBreakpoints() override { calls.push_back("RunBP"); return true; }
  bool PodStopTarget() override { calls.push_back("Stop"); return true; }
  bool PodStep(int n) override {
    calls.push_back("Step " + std::to_string(n));
    steps.push_back(n);
    return true;
  }
  void PodSetStopBit() override { calls.push_back("StopBit"); }
  bool PodIsHalted(bool& failed) override {
    calls.push_back("Halted?");
    failed = statusFails;
    return statusFails ? false : halted;
  }
  bool PodWriteBreakpoints(const std::array<uint32_t, 16>& a) override {
    calls.push_back("WBP");
    breakpoints = a;
    return true;
  }
  bool PodWriteWatch(uint8_t, uint8_t, uint16_t) override {
    calls.push_back("Watch");
    return true;
  }
  int PodReadChipId(uint16_t& id) override {
    calls.push_back("ChipId");
    id = chipId;
    return chipIdResult;
  }
  bool PodAccessGate(bool open) override {
    calls.push_back(open ? "Gate 1" : "Gate 0");
    return true;
  }
  bool PodSessionBegin() override { calls.push_back("SessionBegin"); return true; }
  bool PodSessionEnd() override { calls.push_back("SessionEnd"); return true; }
};

}  // namespace kyvor::review
