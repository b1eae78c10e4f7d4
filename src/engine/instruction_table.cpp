#include "engine/instruction_table.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kyvor {

namespace {

// Mnemonic column width of the built-in row texts.
std::string Row(const char* mnemonic, const char* pattern) {
  std::string s = mnemonic;
  while (s.size() < 8) s += ' ';
  return s + pattern;
}

struct KindEntry {
  const char* mnemonic;
  uint8_t kind;
  uint8_t noReg;
  // flag letters: M LongMove, J LongJump, C LongCall, T LongTableLoad,
  // P LongPointerLoad, S ShortBranch, R RelativeBranch, O OptionalLastOperand
  const char* flags;
};

const KindEntry kKinds[] = {
    {"NOP", ik::NOP, 1, ""},      {"CLRF", ik::CLRF, 0, "O"},   {"ADDF", ik::ADDF, 0, "O"},
    {"INF", ik::INF, 0, "O"},     {"INSZ", ik::INSZ, 0, "O"},   {"DCF", ik::DCF, 0, "O"},
    {"DCSZ", ik::DCSZ, 0, "O"},   {"SUBF", ik::SUBF, 0, "O"},   {"COMF", ik::COMF, 0, "O"},
    {"MVF", ik::MVF, 0, "O"},     {"ADDC", ik::ADDC, 0, "O"},   {"ANDF", ik::ANDF, 0, "O"},
    {"IORF", ik::IORF, 0, "O"},   {"XORF", ik::XORF, 0, "O"},   {"RLF", ik::RLF, 0, "O"},
    {"SUBC", ik::SUBC, 0, "O"},   {"RRF", ik::RRF, 0, "O"},     {"ADDL", ik::ADDL, 1, ""},
    {"SUBL", ik::SUBL, 1, ""},    {"ANDL", ik::ANDL, 1, ""},    {"IORL", ik::IORL, 1, ""},
    {"XORL", ik::XORL, 1, ""},    {"MVL", ik::MVL, 1, ""},      {"RETL", ik::RETL, 1, ""},
    {"CALL", ik::CALL, 1, "OC"},  {"JMP", ik::JMP, 1, "J"},     {"RETI", ik::RETI, 1, "O"},
    {"RET", ik::RET, 1, "O"},     {"IDLE", ik::IDLE, 1, ""},    {"SLP", ik::SLP, 1, ""},
    {"CWDT", ik::CWDT, 1, ""},    {"SETF", ik::SETF, 0, "O"},   {"BCF", ik::BCF, 0, "O"},
    {"BSF", ik::BSF, 0, "O"},     {"BTSZ", ik::BTSZ, 0, "O"},   {"BTSS", ik::BTSS, 0, "O"},
    {"MULF", ik::MULF, 0, "O"},   {"JZ", ik::JZ, 1, "S"},       {"RRFC", ik::RRFC, 0, "O"},
    {"RLFC", ik::RLFC, 0, "O"},   {"SWPF", ik::SWPF, 0, "O"},   {"TBLR", ik::TBLR, 1, ""},
    {"MVLP", ik::MVLP, 1, "T"},   {"JC", ik::JC, 1, "S"},       {"INSUZ", ik::INSUZ, 0, "O"},
    {"DCSUZ", ik::DCSUZ, 0, "O"}, {"MULL", ik::MULL, 1, ""},    {"LDPR", ik::LDPR, 1, "P"},
    {"LBSR", ik::LBSR, 1, ""},    {"NOPF", ik::NOPF, 1, ""},    {"ARLC", ik::ARLC, 0, "O"},
    {"ARRC", ik::ARRC, 0, "O"},   {"CPSG", ik::CPSG, 0, ""},    {"CPSL", ik::CPSL, 0, ""},
    {"CPSE", ik::CPSE, 0, ""},    {"TFSZ", ik::TFSZ, 0, ""},    {"JN", ik::JN, 1, "S"},
    {"JO", ik::JO, 1, "S"},       {"JNC", ik::JNC, 1, "S"},     {"JNZ", ik::JNZ, 1, "S"},
    {"JNN", ik::JNN, 1, "S"},     {"JNO", ik::JNO, 1, "S"},     {"BTGF", ik::BTGF, 0, "O"},
    {"MVFF", ik::MVFF, 1, "M"},   {"RJ", ik::RJ, 1, "R"},       {"RCALL", ik::RCALL, 1, "R"},
    {"POP", ik::POP, 1, ""},
};

void ApplyKind(TInstructionDescriptor& d, int variant) {
  for (const KindEntry& e : kKinds) {
    if (d.Mnemonic != e.mnemonic) continue;
    d.Kind = e.kind;
    d.NoRegisterOperand = e.noReg;
    for (const char* f = e.flags; *f; ++f) {
      switch (*f) {
        case 'M': d.LongMove = 1; break;
        case 'J': d.LongJump = variant == kCoreK08B ? 0 : 1; break;
        case 'C': d.LongCall = variant == kCoreK08B ? 0 : 1; break;
        case 'T': d.LongTableLoad = 1; break;
        case 'P': d.LongPointerLoad = 1; break;
        case 'S': d.ShortBranch = 1; break;
        case 'R': d.RelativeBranch = 1; break;
        case 'O': d.OptionalLastOperand = 1; break;
        default: break;
      }
    }
    return;
  }
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The data-address form of a decoded word (see TDecodedWord::Access). The
// bank bit is the 'd' field: operand 2 of the instructions without a
// destination field (CLRF, SETF, MULF, TFSZ, CPSG, CPSL, CPSE), else operand 3.
uint8_t AccessOf(const TDecodedWord& w, int variant) {
  uint8_t bank;
  switch (w.Kind) {
    case ik::CLRF: case ik::SETF: case ik::MULF: case ik::TFSZ:
    case ik::CPSG: case ik::CPSL: case ik::CPSE:
      bank = w.Op2;
      break;
    default:
      bank = w.Op3;
      break;
  }
  const bool resolve = (w.NoRegisterOperand == 0 && bank == 0) || w.Kind == ik::MVFF;
  if (!resolve) return 0;
  const bool pointer = variant == kCoreK08B ? (w.Op1 == 0 || w.Op1 == 5) : w.Op1 <= 14;
  return pointer ? 2 : 1;
}

}  // namespace

uint16_t ExtractBitField(uint16_t opcode, int lo, int hi) {
  if (hi < lo || lo < 0 || lo > 15) return 0;
  const int width = hi - lo + 1;
  const unsigned mask = width >= 16 ? 0xFFFFu : ((1u << width) - 1u);
  return static_cast<uint16_t>((static_cast<unsigned>(opcode) >> lo) & mask);
}

const std::vector<std::string>& K08ATableRows() {
  static const std::vector<std::string> rows = {
      Row("NOP", "0000000000000000"),   Row("CLRF", "0000110daaaaaaaa"),
      Row("ADDF", "000100bdaaaaaaaa"),  Row("INF", "001110bdaaaaaaaa"),
      Row("INSZ", "001111bdaaaaaaaa"),  Row("DCF", "001100bdaaaaaaaa"),
      Row("DCSZ", "001101bdaaaaaaaa"),  Row("SUBF", "000110bdaaaaaaaa"),
      Row("COMF", "001001bdaaaaaaaa"),  Row("MVF", "011001bdaaaaaaaa"),
      Row("ADDC", "000101bdaaaaaaaa"),  Row("ANDF", "001010bdaaaaaaaa"),
      Row("IORF", "001011bdaaaaaaaa"),  Row("XORF", "001000bdaaaaaaaa"),
      Row("RLF", "010010bdaaaaaaaa"),   Row("SUBC", "000111bdaaaaaaaa"),
      Row("RRF", "010011bdaaaaaaaa"),   Row("ADDL", "00000100aaaaaaaa"),
      Row("SUBL", "00001000aaaaaaaa"),  Row("ANDL", "00000001aaaaaaaa"),
      Row("IORL", "00000010aaaaaaaa"),  Row("XORL", "00000011aaaaaaaa"),
      Row("MVL", "00000110aaaaaaaa"),   Row("RETL", "00000101aaaaaaaa"),
      Row("CALL", "1100000baaaaaaaa"),  Row("JMP", "11000010aaaaaaaa"),
      Row("RETI", "000000000000100a"),  Row("RET", "000000000000101a"),
      Row("IDLE", "0000000000000001"),  Row("SLP", "0000000000000010"),
      Row("CWDT", "0000000000000011"),  Row("SETF", "0000101daaaaaaaa"),
      Row("BCF", "1000bbbdaaaaaaaa"),   Row("BSF", "1001bbbdaaaaaaaa"),
      Row("BTSZ", "1010bbbdaaaaaaaa"),  Row("BTSS", "1011bbbdaaaaaaaa"),
      Row("MULF", "0000111daaaaaaaa"),  Row("JZ", "01110001aaaaaaaa"),
      Row("RRFC", "010100bdaaaaaaaa"),  Row("RLFC", "010101bdaaaaaaaa"),
      Row("SWPF", "011000bdaaaaaaaa"),  Row("TBLR", "000000000000011a"),
      Row("MVLP", "00001001aaaaaaaa"),  Row("JC", "01110000aaaaaaaa"),
      Row("INSUZ", "010000bdaaaaaaaa"), Row("DCSUZ", "010001bdaaaaaaaa"),
      Row("MULL", "00000111aaaaaaaa"),  Row("LDPR", "00000000000011aa"),
      Row("LBSR", "000000000001aaaa"),  Row("NOPF", "1111aaaaaaaaaaaa"),
      Row("ARLC", "010110bdaaaaaaaa"),  Row("ARRC", "010111bdaaaaaaaa"),
      Row("CPSG", "0110100daaaaaaaa"),  Row("CPSL", "0110101daaaaaaaa"),
      Row("CPSE", "0110110daaaaaaaa"),  Row("TFSZ", "0110111daaaaaaaa"),
      Row("JN", "01110010aaaaaaaa"),    Row("JO", "01110011aaaaaaaa"),
      Row("JNC", "01110100aaaaaaaa"),   Row("JNZ", "01110101aaaaaaaa"),
      Row("JNN", "01110110aaaaaaaa"),   Row("JNO", "01110111aaaaaaaa"),
      Row("BTGF", "1110bbbdaaaaaaaa"),  Row("MVFF", "1101aaaaaaaaaaaa"),
      Row("RJ", "01111aaaaaaaaaaa"),    Row("RCALL", "11001aaaaaaaaaaa"),
      Row("POP", "0000000000100001"),
  };
  return rows;
}

const std::vector<std::string>& K08BTableRows() {
  static const std::vector<std::string> rows = {
      Row("NOP", "0000000000000000"),   Row("CLRF", "0000110daaaaaaaa"),
      Row("ADDF", "000100bdaaaaaaaa"),  Row("INF", "001110bdaaaaaaaa"),
      Row("INSZ", "001111bdaaaaaaaa"),  Row("DCF", "001100bdaaaaaaaa"),
      Row("DCSZ", "001101bdaaaaaaaa"),  Row("SUBF", "000110bdaaaaaaaa"),
      Row("COMF", "001001bdaaaaaaaa"),  Row("MVF", "011001bdaaaaaaaa"),
      Row("ADDC", "000101bdaaaaaaaa"),  Row("ANDF", "001010bdaaaaaaaa"),
      Row("IORF", "001011bdaaaaaaaa"),  Row("XORF", "001000bdaaaaaaaa"),
      Row("RLF", "010010bdaaaaaaaa"),   Row("SUBC", "000111bdaaaaaaaa"),
      Row("RRF", "010011bdaaaaaaaa"),   Row("ADDL", "00000100aaaaaaaa"),
      Row("SUBL", "00001000aaaaaaaa"),  Row("ANDL", "00000001aaaaaaaa"),
      Row("IORL", "00000010aaaaaaaa"),  Row("XORL", "00000011aaaaaaaa"),
      Row("MVL", "00000110aaaaaaaa"),   Row("RETL", "00000101aaaaaaaa"),
      Row("CALL", "11001aaaaaaaaaaa"),  Row("JMP", "01111aaaaaaaaaaa"),
      Row("RETI", "0000000000001000"),  Row("RET", "0000000000001010"),
      Row("IDLE", "0000000000000001"),  Row("SLP", "0000000000000010"),
      Row("CWDT", "0000000000000011"),  Row("SETF", "0000101daaaaaaaa"),
      Row("BCF", "1000bbbdaaaaaaaa"),   Row("BSF", "1001bbbdaaaaaaaa"),
      Row("BTSZ", "1010bbbdaaaaaaaa"),  Row("BTSS", "1011bbbdaaaaaaaa"),
      Row("RRFC", "010100bdaaaaaaaa"),  Row("RLFC", "010101bdaaaaaaaa"),
      Row("SWPF", "011000bdaaaaaaaa"),  Row("INSUZ", "010000bdaaaaaaaa"),
      Row("DCSUZ", "010001bdaaaaaaaa"), Row("CPSG", "0110100daaaaaaaa"),
      Row("CPSL", "0110101daaaaaaaa"),  Row("CPSE", "0110110daaaaaaaa"),
      Row("TFSZ", "0110111daaaaaaaa"),  Row("BTGF", "1110bbbdaaaaaaaa"),
  };
  return rows;
}

std::string FormatInstructionText(const TInstructionDescriptor& d, int op1, int op2, int op3) {
  char buf[320];
  const char* m = d.Mnemonic.c_str();
  switch (d.OperandCount) {
    case 3: std::snprintf(buf, sizeof buf, "%-8s%xh, %x, %x", m, op1, op2, op3); break;
    case 2: std::snprintf(buf, sizeof buf, "%-8s%xh, %x", m, op1, op2); break;
    case 1: std::snprintf(buf, sizeof buf, "%-8s%xh", m, op1); break;
    default: std::snprintf(buf, sizeof buf, "%-8s", m); break;
  }
  return buf;
}

TInstructionTable::TInstructionTable()
    : decoded_(std::make_unique<std::array<TDecodedWord, 65536>>()) {
  buildLookup();
}

TInstructionTable::~TInstructionTable() = default;

bool TInstructionTable::LoadFull(const std::string& aliasFile) {
  const bool ok = BuildDecoder(K08ATableRows(), kCoreK08A);
  if (!aliasFile.empty()) LoadInstructionAliases(aliasFile);
  return ok;
}

bool TInstructionTable::LoadReduced() { return BuildDecoder(K08BTableRows(), kCoreK08B); }

bool TInstructionTable::BuildDecoder(const std::vector<std::string>& rows, int variant) {
  rows_.clear();
  variant_ = variant;
  bool ok = true;
  for (const std::string& text : rows) {
    size_t i = 0;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i == 0 || i >= text.size()) continue;  // no mnemonic, or nothing after it
    const std::string mnemonic = text.substr(0, i);
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (text.size() - i < 16) continue;
    const std::string pattern = text.substr(i, 16);

    TInstructionDescriptor d;
    d.Mnemonic = Upper(mnemonic);
    d.Alias = d.Mnemonic;
    int lo[3] = {99, 99, 99}, hi[3] = {-1, -1, -1};  // a, b, d
    bool bad = false;
    for (int bit = 0; bit < 16 && !bad; ++bit) {
      const char c = pattern[15 - bit];
      int f = -1;
      switch (c) {
        case '1': d.Value |= static_cast<uint16_t>(1u << bit); [[fallthrough]];
        case '0': d.Mask |= static_cast<uint16_t>(1u << bit); break;
        case 'a': case 'A': f = 0; break;
        case 'b': case 'B': f = 1; break;
        case 'd': case 'D': f = 2; break;
        default: bad = true; break;
      }
      if (f >= 0) {
        if (bit < lo[f]) lo[f] = bit;
        if (bit > hi[f]) hi[f] = bit;
      }
    }
    if (bad) {
      ok = false;
      break;
    }
    const bool hasA = hi[0] >= 0, hasB = hi[1] >= 0, hasD = hi[2] >= 0;
    if (hasA) d.Operand[0] = {lo[0], hi[0]};
    if (hasB && hasD) {
      d.Operand[1] = {lo[1], hi[1]};
      d.Operand[2] = {lo[2], hi[2]};
      d.OperandCount = 3;
    } else if (hasB || hasD) {
      const int f = hasB ? 1 : 2;
      d.Operand[1] = {lo[f], hi[f]};
      d.OperandCount = 2;
    } else {
      d.OperandCount = hasA ? 1 : 0;
    }
    ApplyKind(d, variant);
    d.Row = static_cast<int>(rows_.size());
    rows_.push_back(std::move(d));
    if (rows_.size() >= 255) break;  // the lookup table keeps row numbers in a byte
  }
  relink();
  buildLookup();
  return ok;
}

void TInstructionTable::relink() {
  for (size_t i = 0; i < rows_.size(); ++i)
    rows_[i].Next = i + 1 < rows_.size() ? &rows_[i + 1] : nullptr;
}

void TInstructionTable::buildLookup() {
  auto& table = *decoded_;
  for (unsigned w = 0; w < 65536; ++w) {
    TDecodedWord dw;
    const uint16_t op = static_cast<uint16_t>(w);
    for (const TInstructionDescriptor& d : rows_) {
      if ((op & d.Mask) != d.Value) continue;
      dw.Row = static_cast<uint8_t>(d.Row);
      dw.Kind = d.Kind;
      dw.NoRegisterOperand = d.NoRegisterOperand;
      dw.OperandCount = static_cast<uint8_t>(d.OperandCount);
      if (d.OperandCount >= 1) dw.Op1 = ExtractBitField(op, d.Operand[0].Lo, d.Operand[0].Hi);
      if (d.OperandCount >= 2)
        dw.Op2 = static_cast<uint8_t>(ExtractBitField(op, d.Operand[1].Lo, d.Operand[1].Hi));
      if (d.OperandCount >= 3)
        dw.Op3 = static_cast<uint8_t>(ExtractBitField(op, d.Operand[2].Lo, d.Operand[2].Hi));
      dw.Access = AccessOf(dw, variant_);
      break;
    }
    table[w] = dw;
  }
}

const TInstructionDescriptor* TInstructionTable::DecodeByScan(uint16_t opcode) const {
  for (const TInstructionDescriptor* d = First(); d; d = d->Next)
    if ((opcode & d->Mask) == d->Value) return d;
  return nullptr;
}

uint16_t TInstructionTable::Encode(const TInstructionDescriptor& d, int32_t op1, int32_t op2,
                                  int32_t op3) {
  const int32_t ops[3] = {op1, op2, op3};
  uint32_t w = d.Value;
  for (int i = 0; i < d.OperandCount && i < 3; ++i) {
    const TOperandRange& r = d.Operand[i];
    if (r.Hi < r.Lo) continue;
    const uint32_t mask = (1u << unsigned(r.Hi - r.Lo + 1)) - 1u;
    w |= (uint32_t(ops[i]) & mask) << r.Lo;
  }
  return uint16_t(w);
}

uint16_t TInstructionTable::Encode(std::string_view mnemonic, int32_t op1, int32_t op2,
                                  int32_t op3) const {
  const TInstructionDescriptor* d = FindByMnemonic(mnemonic);
  return d ? Encode(*d, op1, op2, op3) : 0;
}

const TInstructionDescriptor* TInstructionTable::FindByName(std::string_view word) const {
  for (const TInstructionDescriptor& d : rows_)
    if (d.Mnemonic == word || d.Alias == word) return &d;
  return nullptr;
}

const TInstructionDescriptor* TInstructionTable::FindByMnemonic(std::string_view word) const {
  for (const TInstructionDescriptor& d : rows_)
    if (d.Mnemonic == word) return &d;
  return nullptr;
}

bool TInstructionTable::DecodeInstruction(uint16_t opcode, uint8_t& kind, uint8_t& noReg,
                                          int& count, int& op1, int& op2, int& op3) const {
  const TDecodedWord& w = DecodedWord(opcode);
  if (w.Row == 0xFF) return false;
  kind = w.Kind;
  noReg = w.NoRegisterOperand;
  count = w.OperandCount;
  op1 = w.Op1;
  op2 = w.Op2;
  op3 = w.Op3;
  return true;
}

bool TInstructionTable::DisassembleOpcode(uint16_t opcode, std::string& mnemonic, uint8_t& noReg,
                                          int& count, int& op1, int& op2, int& op3) const {
  uint8_t kind = 0;
  if (!DecodeInstruction(opcode, kind, noReg, count, op1, op2, op3)) return false;
  mnemonic = rows_[DecodedWord(opcode).Row].Mnemonic;
  return true;
}

std::string TInstructionTable::DisassembleText(uint16_t opcode) const {
  const TDecodedWord& w = DecodedWord(opcode);
  if (w.Row == 0xFF) return std::string();
  return FormatInstructionText(rows_[w.Row], w.Op1, w.Op2, w.Op3);
}

void TInstructionTable::ApplyAliasLine(const std::string& rawLine) {
  std::string line = rawLine;
  const size_t semi = line.find(';');
  if (semi != std::string::npos) line.resize(semi);
  // Split: blanks and tabs; from the third token on also ',' and '='.
  std::vector<std::string> tokens;
  size_t i = 0;
  while (i < line.size()) {
    const bool wide = tokens.size() >= 2;
    auto isSep = [&](char c) {
      return IsBlank(c) || c == '\r' || c == '\n' || (wide && (c == ',' || c == '='));
    };
    while (i < line.size() && isSep(line[i])) ++i;
    if (i >= line.size()) break;
    size_t j = i;
    while (j < line.size() && !isSep(line[j])) ++j;
    tokens.push_back(line.substr(i, j - i));
    i = j;
  }
  if (tokens.empty()) return;
  // Field 3 is the first token when it is a mnemonic, otherwise the second.
  size_t f3 = FindByMnemonic(tokens[0]) ? 0 : 1;
  if (f3 + 1 >= tokens.size()) return;
  const std::string& mnemonic = tokens[f3];
  const std::string& alias = tokens[f3 + 1];
  TInstructionDescriptor* node = nullptr;
  for (TInstructionDescriptor& d : rows_)
    if (d.Mnemonic == mnemonic) {
      node = &d;
      break;
    }
  if (!node || alias.empty()) return;
  const std::string upper = Upper(alias);
  // An alias may never take the name of another instruction, in any case.
  if (FindByMnemonic(alias) || FindByMnemonic(upper)) return;
  node->Alias = upper;
}

void TInstructionTable::LoadInstructionAliases(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p(path);
  if (!fs::exists(p, ec)) {
    // The program folder may hold the file under another letter case.
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string want = Upper(p.filename().string());
    bool found = false;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      if (Upper(it->path().filename().string()) == want) {
        p = it->path();
        found = true;
        break;
      }
    }
    if (!found) return;
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) return;
  std::string line;
  while (std::getline(in, line)) ApplyAliasLine(line);
}

}  // namespace kyvor
