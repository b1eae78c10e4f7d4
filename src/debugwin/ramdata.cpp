#include "debugwin/ramdata.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"

namespace kyvor {

void TRamMarks::SetMark(int address, uint32_t colour) {
  if (!Valid(address)) return;
  MarkFlag[std::size_t(address)] = 1;
  MarkColour[std::size_t(address)] = colour;
}

void TRamMarks::ResetMark(int address) {
  if (Valid(address)) MarkFlag[std::size_t(address)] = 0;
}

void TRamMarks::ResetAllMarks() { MarkFlag.fill(0); }

void TRamMarks::SetHint(int address, const std::string& text) {
  if (!Valid(address)) return;
  HintText[std::size_t(address)] = text;
  HintFlag[std::size_t(address)] = text.empty() ? 0 : 1;
}

void TRamMarks::ResetAllHints() {
  for (auto& t : HintText) t.clear();
  HintFlag.fill(0);
}

int RamFileValueCount() {
  const auto& banks = Chip().RamBankRanges;
  int highest = 0;
  for (int n = 1; n < kRamBankCount; ++n)
    if (banks[std::size_t(n)].Start < banks[std::size_t(n)].End) highest = n;
  return (highest + 1) * 256;
}

namespace {

std::string Hex2(unsigned v) {
  char b[4];
  std::snprintf(b, sizeof b, "%02X", v & 0xFF);
  return b;
}

uint8_t MapOf(int address) {
  return TRamMarks::Valid(address) ? Chip().DataMemoryMap[std::size_t(address)] : 0;
}

// One line without its end (CR LF or LF); false at the end of the file.
bool ReadLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

std::string RamCellText(const TKy_UP& up, int address) {
  if (IsIndirectRegister(address)) return "=";
  if (Modes().SimulatorMode == 1 && (address == 26 || address == 27))
    return Hex2(address == 26 ? up.GetPC() >> 8 : up.GetPC());
  const uint8_t m = MapOf(address);
  if (m == 0) return "-";
  return Hex2(up.ReadRegister(address) & m);
}

bool SaveRamFile(const std::string& path, const TKy_UP& up, const TRamMarks& marks) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const int n = RamFileValueCount();
  for (int a = 0; a < n; ++a)
    out << (MapOf(a) != 0 ? Hex2(up.ReadRegister(a)) : std::string("-")) << "\r\n";
  for (int a = 0; a < n; ++a) {
    const std::size_t i = std::size_t(a);
    char flags[16];
    std::snprintf(flags, sizeof flags, "%2d%2d", int(marks.MarkFlag[i]), int(marks.HintFlag[i]));
    out << flags << "\r\n" << marks.MarkColour[i] << "\r\n" << marks.HintText[i] << "\r\n";
  }
  return bool(out);
}

bool ReadRamFile(const std::string& path, int count, TRamFileContent& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content = TRamFileContent{};
  std::string line;
  for (int a = 0; a < count && ReadLine(in, line); ++a) {
    if (line == "-" || line.empty()) {
      content.Values.emplace_back();
    } else {
      unsigned v = 0;
      std::istringstream(line) >> std::hex >> v;
      content.Values.emplace_back(uint8_t(v));
    }
  }
  for (int a = 0; a < count && a < kRamAddressCount; ++a) {
    std::string flags, colour, hint;
    if (!ReadLine(in, flags) || !ReadLine(in, colour) || !ReadLine(in, hint)) break;
    int mark = 0, hinted = 0;
    std::istringstream(flags) >> mark >> hinted;
    unsigned long c = 0;
    std::istringstream(colour) >> c;
    const std::size_t i = std::size_t(a);
    content.Marks.MarkFlag[i] = mark == 1 ? 1 : 0;
    content.Marks.MarkColour[i] = uint32_t(c);
    content.Marks.HintText[i] = hint;
    content.Marks.HintFlag[i] = hinted == 1 ? 1 : 0;
    content.MarkEntries = a + 1;
  }
  return true;
}

void ApplyRamFile(const TRamFileContent& content, TKy_UP& up, TRamMarks& marks) {
  for (std::size_t a = 0; a < content.Values.size() && a < std::size_t(kRamAddressCount); ++a) {
    const int address = int(a);
    if (IsIndirectRegister(address) || !content.Values[a] || MapOf(address) == 0) continue;
    up.RestoreRegister(address, *content.Values[a]);
  }
  for (int a = 0; a < content.MarkEntries; ++a) {
    const std::size_t i = std::size_t(a);
    marks.MarkFlag[i] = content.Marks.MarkFlag[i];
    marks.MarkColour[i] = content.Marks.MarkColour[i];
    marks.HintText[i] = content.Marks.HintText[i];
    marks.HintFlag[i] = content.Marks.HintFlag[i];
  }
}

}  // namespace kyvor
