#include "debugwin/watchdata.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

#include "base/containers.h"
#include "base/numbers.h"
#include "debugwin/ramdata.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {

TWatchSettings g_settings;

std::string Hex(int32_t value, int width) { return IntToHexPad(value, uint16_t(width)); }

bool IsDataKind(const std::string& type) { return type == "D" || type == "d"; }

}  // namespace

TWatchSettings& WatchSettings() { return g_settings; }
void ResetWatchSettings() { g_settings = TWatchSettings{}; }

const char* WatchFormatName(int format) {
  static const char* const kNames[4] = {"Hex(H --> L)", "Hex(L --> H)", "Dec(H --> L)",
                                        "Dec(L --> H)"};
  return kNames[std::clamp(format, 0, 3)];
}

std::string HexToDecimal(const std::string& hex) {
  // Base 10^9 limbs, least significant first: exact for any length.
  std::vector<uint32_t> limbs{0};
  for (char c : hex) {
    const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                  : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                  : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                              : -1;
    if (d < 0) continue;
    uint64_t carry = uint64_t(d);
    for (uint32_t& limb : limbs) {
      const uint64_t v = uint64_t(limb) * 16 + carry;
      limb = uint32_t(v % 1000000000u);
      carry = v / 1000000000u;
    }
    if (carry) limbs.push_back(uint32_t(carry));
  }
  std::string out = std::to_string(limbs.back());
  for (auto it = limbs.rbegin() + 1; it != limbs.rend(); ++it) {
    char part[16];
    std::snprintf(part, sizeof part, "%09u", *it);
    out += part;
  }
  return out;
}

TWatchValue WatchValueOf(const TKy_UP& up, const TWatchRecord& row, int format) {
  TWatchValue v;
  if (row.IsBitWatch()) {
    const int address = HexStrToInt(row.Length);
    const int bit = DecStrToInt(row.Type) & 7;
    v.Value = (up.ReadRegister(address) >> bit) & 1 ? "1" : "0";
    return v;
  }
  const int address = HexStrToInt(row.Addr);
  if (IsDataKind(row.Type)) {
    const int n = HexStrToInt(row.Length);
    std::string text;
    for (int k = 0; k < n; ++k) {
      const std::string byte = Hex(up.ReadRegister(address + k), 2);
      // Formats 0 and 2 put the highest address first.
      text = (format == 0 || format == 2) ? byte + text : text + byte;
    }
    v.Value = format >= 2 ? HexToDecimal(text) : text;
    return v;
  }
  const int byte = up.ReadRegister(address);
  v.Value = Hex(byte, 2);
  v.Binary = IntToBinPad(byte, 8);
  return v;
}

// ---------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------

void TWatchTable::Init(const TKy_UP& up) {
  all_.clear();
  watches_.clear();
  for (int32_t i = 1; i <= up.SymbolCount(); ++i) {
    const TSymDefRecord* s = up.SymbolAt(i);
    if (!s) continue;
    TWatchRecord r;
    r.Name = s->Name;
    r.Addr = Hex(up.SymbolAddress(s->Name), 3);
    r.Reserve = "0";
    r.Length = Hex(s->Aux, 2);
    r.Type = std::string(1, s->Kind);
    r.Mark = "R";
    all_.push_back(r);
  }
}

void TWatchTable::Clear() {
  all_.clear();
  watches_.clear();
}

TWatchRecord* TWatchTable::Row(const std::string& name) {
  for (auto& r : all_)
    if (r.Name == name) return &r;
  return nullptr;
}

int TWatchTable::WatchIndex(const std::string& name) const {
  for (std::size_t i = 0; i < watches_.size(); ++i)
    if (watches_[i].Name == name) return int(i);
  return -1;
}

bool TWatchTable::AddWatch(const std::string& name) {
  TWatchRecord* row = Row(name);
  if (!row || WatchIndex(name) >= 0) return false;
  row->Mark = "A";
  TWatchRecord w = *row;
  if (!w.IsBitWatch()) w.RefSymbol.clear();
  watches_.push_back(w);
  return true;
}

bool TWatchTable::RemoveWatch(const std::string& name) {
  if (TWatchRecord* row = Row(name)) row->Mark = "R";
  const int i = WatchIndex(name);
  if (i < 0) return false;
  watches_.erase(watches_.begin() + i);
  return true;
}

void TWatchTable::ClearAllWatches() {
  while (!watches_.empty()) RemoveWatch(watches_.front().Name);
}

int TWatchTable::ApplyWatchRecord(const TWatchRecord& record) {
  TWatchRecord* row = Row(record.Name);
  if (!row) return 0;
  const bool markChanged = row->Mark != record.Mark;
  auto copy = [&record](TWatchRecord& to) {
    to.Addr = record.Addr;
    to.Value = record.Value;
    to.RefSymbol = record.RefSymbol;
    to.Reserve = record.Reserve;
    if (record.IsBitWatch()) {
      to.Length = record.Length;
      to.Type = record.Type;
    }
  };
  copy(*row);
  row->Mark = record.Mark;
  if (markChanged) return record.Mark == "A" ? 1 : -1;
  const int i = WatchIndex(record.Name);
  if (i >= 0) copy(watches_[std::size_t(i)]);
  return 0;
}

void TWatchTable::ClearAllProperties() {
  auto clear = [](TWatchRecord& r) {
    if (r.Reserve != "1") return;
    r.Addr = Hex(HexStrToInt(r.Type), 3);
    r.Reserve = "0";
  };
  for (auto& r : all_) clear(r);
  for (auto& r : watches_) clear(r);
}

// ---------------------------------------------------------------------------
// The edit dialog's record
// ---------------------------------------------------------------------------

std::string NumericReference(int32_t address) { return "0" + IntToHexStr(address) + "H"; }

TWatchEditView WatchEditViewOf(const TWatchRecord& record) {
  TWatchEditView v;
  if (record.Reserve != "0") {
    v.BitMode = true;
    v.Value = Hex(HexStrToInt(record.Type), 3);
    v.Reference = !record.RefSymbol.empty() ? record.RefSymbol
                                            : NumericReference(HexStrToInt(record.Length));
  } else {
    v.Value = record.Addr;
    v.Reference = "000";
  }
  return v;
}

bool MakeWatchEdit(const TKy_UP& up, const TWatchRecord& loaded, const std::string& name,
                   const std::string& value, bool bitMode, const std::string& reference,
                   const std::string& mark, TWatchRecord& out) {
  out = loaded;
  out.Name = name;
  out.Mark = mark;
  if (!bitMode) {
    out.Addr = value;
    out.Reserve = "0";
    return true;
  }
  // A symbol of that name first, so that a name that reads as a number
  // ("FEEDH") still means the symbol; otherwise a number.
  int32_t address = up.SymbolAddress(reference);
  const bool byName = address >= 0;
  if (!byName && !ParseNumber(reference, address)) return false;
  out.Reserve = "1";
  out.RefSymbol = byName ? reference : std::string();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%x", unsigned(address));
  out.Length = buf;
  out.Type = std::to_string(HexStrToInt(value));
  out.Addr = Hex(address, 3) + "[" + out.Type + "]";
  return true;
}

// ---------------------------------------------------------------------------
// Properties file
// ---------------------------------------------------------------------------

bool SaveWatchFile(const std::string& path, const TWatchTable& table) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const TWatchRecord& r : table.All()) {
    out << r.Reserve << ' ' << r.Name << ' ' << r.Mark << ' ';
    if (r.Reserve != "0")
      out << (r.RefSymbol.empty() ? r.Length : r.RefSymbol) << ' ' << r.Type << ' ';
    out << "\r\n";
  }
  return bool(out);
}

namespace {
// The fields of a line: each counts only when a blank follows it.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::size_t at = 0;
  for (std::size_t blank; (blank = line.find(' ', at)) != std::string::npos; at = blank + 1)
    f.push_back(line.substr(at, blank - at));
  return f;
}
}  // namespace

bool ReadWatchFile(const std::string& path, std::vector<TWatchPropertyLine>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  lines.clear();
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto f = Fields(line);
    if (f.size() < 3) continue;
    TWatchPropertyLine p{f[0].substr(0, 32), f[1].substr(0, 64), f[2].substr(0, 32), "", ""};
    if (p.Reserve != "0") {
      if (f.size() < 5) continue;
      p.Reference = f[3].substr(0, 64);
      p.Bit = f[4].substr(0, 32);
    }
    lines.push_back(p);
  }
  return true;
}

void ApplyWatchFile(const TKy_UP& up, const std::vector<TWatchPropertyLine>& lines,
                    TWatchTable& table) {
  for (const TWatchPropertyLine& line : lines) {
    TWatchRecord* row = table.Row(line.Name);
    if (!row) continue;
    // The edit dialog's steps: the property set, then applied with its mark.
    TWatchRecord loaded;
    loaded.Name = line.Name;
    loaded.Reserve = line.Reserve;
    loaded.Mark = line.Mark;
    loaded.Addr = "000";
    const bool bit = line.Reserve != "0";
    const std::string value = row->Reserve != "0" ? row->Type : row->Addr;
    std::string reference = "000";
    if (bit) {
      // A numeric reference is read as hex unless a symbol has that name.
      reference = up.SymbolAddress(line.Reference) >= 0
                      ? line.Reference
                      : NumericReference(HexStrToInt(line.Reference));
    }
    TWatchRecord edited;
    const std::string shown = bit ? Hex(HexStrToInt(value), 3) : value;
    if (MakeWatchEdit(up, loaded, line.Name, shown, bit, reference, line.Mark, edited)) {
      const int change = table.ApplyWatchRecord(edited);
      if (change > 0) table.AddWatch(line.Name);
      if (change < 0) table.RemoveWatch(line.Name);
    }
  }
}

void LabelDataSymbols(const TKy_UP& up, TRamMarks& marks, uint32_t markColour) {
  for (int32_t i = 1; i <= up.SymbolCount(); ++i) {
    const TSymDefRecord* s = up.SymbolAt(i);
    if (!s || (s->Kind != 'D' && s->Kind != 'd')) continue;
    const int address = up.SymbolAddress(s->Name);
    if (!TRamMarks::Valid(address)) continue;
    marks.SetMark(address, markColour);
    if (s->Aux < 2) {
      marks.SetHint(address, s->Name);
      continue;
    }
    // The hints end with the last data address.
    for (int k = 0; k < s->Aux && TRamMarks::Valid(address + k); ++k)
      marks.SetHint(address + k, s->Name + "[" + std::to_string(k) + "]");
  }
}

}  // namespace kyvor
