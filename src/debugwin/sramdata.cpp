#include "debugwin/sramdata.h"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/numbers.h"

namespace kyvor {

namespace {

std::string Hex(unsigned v, int digits) {
  char b[16];
  std::snprintf(b, sizeof b, "%0*X", digits, v);
  return b;
}

std::string PadRight(std::string s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

std::string WithoutBlanks(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
  return out;
}

bool ReadHexField(const std::string& field, int32_t& value) {
  const std::string text = WithoutBlanks(field);
  return !text.empty() && ParseNumber("0" + text, value);
}

}  // namespace

std::string SramCsvHeader() {
  return "Item, Name                            , Address, Last Data, Before Data";
}

std::string SramCsvLine(int item, const TRegChange& c) {
  return PadRight(std::to_string(item), 4) + ", " + PadRight(c.Name, 32) + ", " +
         PadRight(Hex(unsigned(c.Address) & 0xFFFF, 4) + "h", 7) + ", " +
         PadRight(Hex(c.NewValue, 2) + "h", 9) + ", " + Hex(c.OldValue, 2) + "h";
}

bool WriteSramCsv(const std::string& path, const TRegRecord& log) {
  std::vector<std::string> lines{SramCsvHeader()};
  for (int32_t i = 1; i <= log.Count(); ++i) lines.push_back(SramCsvLine(i, *log.Item(i)));
  return WriteTextLines(path, lines);
}

TSramLoad ReadSramCsv(const std::string& path, TRegRecord& log) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return TSramLoad::CannotOpen;
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    if (log.Count() >= TRegRecord::kCapacity) return TSramLoad::BufferFull;
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string f;
    while (std::getline(ss, f, ',')) fields.push_back(f);
    if (fields.size() < 5) continue;
    int32_t address = 0, last = 0, before = 0;
    if (!ReadHexField(fields[2], address) || !ReadHexField(fields[3], last) ||
        !ReadHexField(fields[4], before))
      continue;
    log.Add(WithoutBlanks(fields[1]), address, uint8_t(last), uint8_t(before));
  }
  return TSramLoad::Loaded;
}

bool CheckAddrBeen(const TRegRecord& log, int32_t address, int n) {
  for (int i = 1; i <= n && i <= log.Count(); ++i)
    if (log.Item(i)->Address == address) return true;
  return false;
}

int AddInProgram(const TRegRecord& log, int i, int& bankState, int coreVariant,
                 std::array<std::string, 3>& lines) {
  const TRegChange* c = log.Item(i);
  if (!c) return 0;
  const int a = c->Address;
  const unsigned nv = c->NewValue;
  const unsigned diff = nv ^ c->OldValue;
  const int bank = a >> 8;
  const std::string addr4 = Hex(unsigned(a) & 0xFFFF, 4);
  const bool named = !c->Name.empty();
  int count = 0;
  int d = 0;
  if (coreVariant == 0 && bank != 0) {
    d = 1;
    if (bank != bankState) {
      lines[size_t(count++)] =
          "       LBSR    " + std::to_string(bank) + (named ? "   ; LBSR   " + c->Name : "");
      bankState = bank;
    }
  }
  const std::string where = d == 0 ? "ACCE" : "BANK";
  if (i > 1 && std::popcount(diff) == 1 && CheckAddrBeen(log, a, i - 1)) {
    const int k = std::countr_zero(diff);
    const char* op = (nv >> k) & 1 ? "BSF" : "BCF";
    std::string l = std::string("       ") + op + "     " + addr4 + "h, " + std::to_string(k) +
                    ", " + std::to_string(d);
    if (named)
      l += std::string("   ; ") + op + "   " + c->Name + ", " + std::to_string(k) + ", " + where;
    lines[size_t(count++)] = l;
    return count;
  }
  lines[size_t(count++)] = "       MVL     " + Hex(nv, 3) + "h";
  std::string l = "       MVF     " + addr4 + "h, 1, " + std::to_string(d);
  if (named) l += "   ; MVF   " + c->Name + ", F, " + where;
  lines[size_t(count++)] = l;
  return count;
}

std::vector<std::string> SramPatchLines(const TRegRecord& log, int coreVariant) {
  std::vector<std::string> out;
  int bank = 0;
  std::array<std::string, 3> lines;
  for (int32_t i = 1; i <= log.Count(); ++i) {
    const int n = AddInProgram(log, i, bank, coreVariant, lines);
    for (int k = 0; k < n; ++k) out.push_back(lines[size_t(k)]);
  }
  return out;
}

bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const std::string& l : lines) out << l << "\r\n";
  out.close();
  return !out.fail();
}

TInsertLines InsertLinesAfter(const std::string& path, int after,
                              const std::vector<std::string>& lines, const std::string& workPath) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return TInsertLines::CannotRead;
  std::stringstream all;
  all << in.rdbuf();
  in.close();
  const std::string text = all.str();
  const size_t firstBreak = text.find('\n');
  const std::string eol =
      (firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') ? "\r\n"
                                                                                          : "\n";
  // The end of line `after` (just past its line break).
  size_t cut = 0;
  for (int n = 0; n < after && cut < text.size(); ++n) {
    const size_t br = text.find('\n', cut);
    cut = br == std::string::npos ? text.size() : br + 1;
  }
  std::string head = text.substr(0, cut);
  if (!head.empty() && head.back() != '\n') head += eol;  // a last line without its break
  std::string patch;
  for (const std::string& l : lines) patch += l + eol;
  {
    std::ofstream out(workPath, std::ios::binary | std::ios::trunc);
    if (!out) return TInsertLines::CannotWrite;
    out << head << patch << text.substr(cut);
    out.close();
    if (out.fail()) return TInsertLines::CannotWrite;
  }
  std::error_code ec;
  std::filesystem::rename(workPath, path, ec);
  if (ec) {
    std::filesystem::remove(workPath, ec);
    return TInsertLines::CannotWrite;
  }
  return TInsertLines::Done;
}

}  // namespace kyvor
