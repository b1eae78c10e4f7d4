#include "support/recording_lines.h"

#include <cstdio>

namespace kyvor::test {

namespace {
std::string Op(const char* what, uint8_t v) {
  char b[8];
  std::snprintf(b, sizeof b, "%s=%02X", what, v);
  return b;
}
}  // namespace

bool RecordingLines::fails() {
  if (failures == 0) return false;
  if (failures > 0) --failures;
  ops.push_back("fail");
  return true;
}

bool RecordingLines::Open(uint16_t base) {
  if (refuseOpen) return false;
  open_ = true;
  openedBase = base;
  return true;
}

bool RecordingLines::WriteData(uint8_t value) {
  if (fails()) return false;
  ops.push_back(Op("D", value));
  return true;
}

bool RecordingLines::ReadData(uint8_t& value) {
  if (fails()) return false;
  ops.push_back("RD");
  value = 0;
  return true;
}

bool RecordingLines::WriteControl(uint8_t value) {
  if (fails()) return false;
  ops.push_back(Op("C", value));
  control = value;
  return true;
}

bool RecordingLines::ReadControl(uint8_t& value) {
  if (fails()) return false;
  ops.push_back("RC");
  value = control;
  return true;
}

bool RecordingLines::ReadStatus(uint8_t& value) {
  if (fails()) return false;
  ops.push_back("S");
  if (bits.empty()) {
    value = status;
  } else {
    value = bits.front() ? 0x40 : 0x00;
    bits.pop_front();
  }
  return true;
}

bool RecordingLines::SetByteMode() {
  if (fails()) return false;
  ops.push_back("M");
  return true;
}

std::string RecordingLines::ClockedOutBits() const {
  std::string out;
  int last = -1;
  for (const std::string& op : ops) {
    if (op.rfind("C=", 0) != 0) continue;
    const int c = std::stoi(op.substr(2), nullptr, 16);
    if (last >= 0 && !(last & 0x08) && (c & 0x08)) out += (c & 0x01) ? '1' : '0';
    last = c;
  }
  return out;
}

std::vector<uint8_t> RecordingLines::ClockedOutBytes(size_t from) const {
  const std::string bitsOut = ClockedOutBits();
  std::vector<uint8_t> bytes;
  for (size_t i = from; i + 8 <= bitsOut.size(); i += 8)
    bytes.push_back(uint8_t(std::stoi(bitsOut.substr(i, 8), nullptr, 2)));
  return bytes;
}

}  // namespace kyvor::test
