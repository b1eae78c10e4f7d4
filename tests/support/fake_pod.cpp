#include "support/fake_pod.h"

#include <cstdio>

namespace kyvor::test {

std::string FakePod::hex(uint32_t value) {
  char b[16];
  std::snprintf(b, sizeof b, "%X", value);
  return b;
}

namespace {
std::string Hex(uint32_t v) { return FakePod::hex(v); }
}  // namespace

FakePod::FakePod() { breakpoints.fill(0xFFFFF); }

int FakePod::count(const std::string& prefix) const {
  int n = 0;
  for (const auto& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) ++n;
  return n;
}

int FakePod::indexOf(const std::string& call) const {
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i] == call) return int(i);
  return -1;
}

bool FakePod::PodWriteRegister(uint32_t address, uint8_t value) {
  calls.push_back("PodWriteRegister " + Hex(address) + "=" + Hex(value));
  auto m = writeMask.find(address);
  memory[address] = m == writeMask.end() ? value : uint8_t(value & m->second);
  return true;
}

uint8_t FakePod::PodReadRegister(uint32_t address) {
  calls.push_back("PodReadRegister " + Hex(address));
  auto it = memory.find(address);
  return it == memory.end() ? 0 : it->second;
}

bool FakePod::PodReadDataMemory(uint32_t start, uint32_t length, uint8_t* dest) {
  calls.push_back("PodReadDataMemory " + Hex(start) + "," + Hex(length));
  for (uint32_t i = 0; i < length; ++i) {
    auto it = memory.find(start + i);
    dest[i] = it == memory.end() ? 0 : it->second;
  }
  return true;
}

uint8_t FakePod::PodReadControl() {
  calls.push_back("PodReadControl");
  return control;
}

bool FakePod::PodWriteControl(uint8_t value) {
  calls.push_back("PodWriteControl " + Hex(value));
  control = value;
  return true;
}

uint16_t FakePod::PodReadProgramWord(uint32_t address) {
  calls.push_back("PodReadProgramWord " + Hex(address));
  auto it = program.find(address);
  return it == program.end() ? 0 : it->second;
}

bool FakePod::PodWriteProgramWord(uint32_t address, uint16_t word) {
  calls.push_back("PodWriteProgramWord " + Hex(address) + "=" + Hex(word));
  program[address] = word;
  return true;
}

uint32_t FakePod::PodReadPC() {
  calls.push_back("PodReadPC");
  return pc;
}

bool FakePod::PodWritePC(uint32_t value) {
  calls.push_back("PodWritePC " + Hex(value));
  pc = value;
  return true;
}

bool FakePod::PodReadCycles(uint16_t& high, uint16_t& low) {
  calls.push_back("PodReadCycles");
  high = cyclesHigh;
  low = cyclesLow;
  return true;
}

bool FakePod::PodWriteCycles(uint16_t high, uint16_t low) {
  calls.push_back("PodWriteCycles " + Hex(high) + "," + Hex(low));
  cyclesHigh = high;
  cyclesLow = low;
  return true;
}

bool FakePod::PodReadStack(int depth, std::vector<uint32_t>& levels) {
  calls.push_back("PodReadStack " + std::to_string(depth));
  levels.assign(size_t(depth > 0 ? depth : 0), 0);
  for (size_t i = 0; i < levels.size() && i < stack.size(); ++i) levels[i] = stack[i];
  return true;
}

bool FakePod::PodEnterReset() {
  calls.push_back("PodEnterReset");
  return true;
}
bool FakePod::PodLeaveReset() {
  calls.push_back("PodLeaveReset");
  return true;
}
bool FakePod::PodRunFree() {
  calls.push_back("PodRunFree");
  return true;
}
bool FakePod::PodRunWithBreakpoints() {
  calls.push_back("PodRunWithBreakpoints");
  return true;
}
bool FakePod::PodStopTarget() {
  calls.push_back("PodStopTarget");
  return true;
}
bool FakePod::PodStep(int count) {
  calls.push_back("PodStep " + std::to_string(count));
  steps.push_back(count);
  if (onStep) onStep(count);
  return true;
}
void FakePod::PodSetStopBit() { calls.push_back("PodSetStopBit"); }

bool FakePod::PodIsHalted(bool& failed) {
  calls.push_back("PodIsHalted");
  failed = statusFails;
  if (statusFails) return false;
  if (haltAnswers.empty()) return halted;
  const bool h = haltAnswers.front();
  haltAnswers.pop_front();
  return h;
}

bool FakePod::PodWriteBreakpoints(const std::array<uint32_t, 16>& addresses) {
  calls.push_back("PodWriteBreakpoints");
  breakpoints = addresses;
  ++breakpointWrites;
  return true;
}

bool FakePod::PodWriteWatch(uint8_t mask, uint8_t data, uint16_t address) {
  calls.push_back("PodWriteWatch " + Hex(mask) + "," + Hex(data) + "," + Hex(address));
  return true;
}

int FakePod::PodReadChipId(uint16_t& id) {
  calls.push_back("PodReadChipId");
  id = chipId;
  return chipIdResult;
}

bool FakePod::PodAccessGate(bool open) {
  calls.push_back(std::string("PodAccessGate ") + (open ? "1" : "0"));
  return true;
}
bool FakePod::PodSessionBegin() {
  calls.push_back("PodSessionBegin");
  return true;
}
bool FakePod::PodSessionEnd() {
  calls.push_back("PodSessionEnd");
  return true;
}

}  // namespace kyvor::test
