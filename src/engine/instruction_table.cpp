#include "engine/instruction_table.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#include "engine/instruction_rows.h"

namespace kyvor {

namespace {

// A row text: the mnemonic padded to its column, then the pattern.
std::string RowText(const char* mnemonic, const char* pattern) {
  std::string s = mnemonic;
  while (s.size() < 8) s += ' ';
  return s + pattern;
}

std::vector<std::string> RowTexts(int variant) {
  std::vector<std::string> rows;
  for (const TInstructionRow& r : kInstructionRows) {
    const char* pattern = variant == kCoreK08B ? r.PatternK08B : r.PatternK08A;
    if (pattern) rows.push_back(RowText(r.Mnemonic, pattern));
  }
  return rows;
}

// Kind, flags and declaration of a parsed row, from its mnemonic. CALL and
// JMP are one-word instructions under K08B.
void ApplyDeclaration(TInstructionDescriptor& d, int variant) {
  const TInstructionRow* row = FindInstructionRow(d.Mnemonic);
  if (!row) return;
  d.Declaration = row;
  d.Kind = row->Kind;
  d.NoRegisterOperand = row->NoRegisterOperand;
  const uint8_t f = row->Flags;
  const bool k08b = variant == kCoreK08B;
  d.LongMove = (f & rf::LongMove) ? 1 : 0;
  d.LongJump = (f & rf::LongJump) && !k08b ? 1 : 0;
  d.LongCall = (f & rf::LongCall) && !k08b ? 1 : 0;
  d.LongTableLoad = (f & rf::LongTableLoad) ? 1 : 0;
  d.LongPointerLoad = (f & rf::LongPointerLoad) ? 1 : 0;
  d.ShortBranch = (f & rf::ShortBranch) ? 1 : 0;
  d.RelativeBranch = (f & rf::RelativeBranch) ? 1 : 0;
  d.OptionalLastOperand = (f & rf::OptionalLast) ? 1 : 0;
}

uint8_t FlagsOf(const TInstructionDescriptor& d) {
  return uint8_t((d.LongMove ? rf::LongMove : 0) | (d.LongJump ? rf::LongJump : 0) |
                 (d.LongCall ? rf::LongCall : 0) | (d.LongTableLoad ? rf::LongTableLoad : 0) |
                 (d.LongPointerLoad ? rf::LongPointerLoad : 0) |
                 (d.ShortBranch ? rf::ShortBranch : 0) |
                 (d.RelativeBranch ? rf::RelativeBranch : 0) |
                 (d.OptionalLastOperand ? rf::OptionalLast : 0));
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Operand 1 as an indirect access: K08A addresses 0..14 name pointer a / 5
// in mode a % 5; K08B addresses 0 and 5 name pointers 0 and 1.
void PointerOf(TDecodedWord& w, int variant) {
  w.Pointer = TDecodedWord::kNoPointer;
  w.PointerMode = 0;
  if (variant == kCoreK08B) {
    if (w.Op1 == 0) w.Pointer = 0;
    if (w.Op1 == 5) w.Pointer = 1;
  } else if (w.Op1 <= 14) {
    w.Pointer = uint8_t(w.Op1 / 5);
    w.PointerMode = uint8_t(w.Op1 % 5);
  }
}

// The data-address form (see TDecodedWord::Access): an instruction with a
// data operand and bank bit 0, and MVFF, go through the indirect resolution.
uint8_t AccessOf(const TDecodedWord& w) {
  const bool resolve = (w.NoRegisterOperand == 0 && w.BankBit == 0) || w.Kind == ik::MVFF;
  if (!resolve) return 0;
  return w.Pointer != TDecodedWord::kNoPointer ? 2 : 1;
}

// What every word of row `d` shares: the row and what the simulator and the
// step analysis need of its execution.
TDecodedWord RowWordOf(const TInstructionDescriptor& d, int variant) {
  TDecodedWord w;
  w.Row = static_cast<uint8_t>(d.Row);
  w.Kind = d.Kind;
  w.NoRegisterOperand = d.NoRegisterOperand;
  w.OperandCount = static_cast<uint8_t>(d.OperandCount);
  w.Flags = FlagsOf(d);
  w.Declaration = TDecodedWord::kNoDeclaration;
  if (!d.Declaration) return w;
  const TExecution& e = d.Declaration->Exec;
  w.Declaration = DeclarationCode(size_t(d.Declaration - kInstructionRows.data()));
  w.FlagsSet = variant == kCoreK08B ? uint8_t(e.FlagsSet & (decl::kZ | decl::kC)) : e.FlagsSet;
  w.Condition = e.Condition;
  return w;
}

// Operand `i` of word `op` of row `d` (0 for an operand the row lacks).
uint16_t OperandOf(const TInstructionDescriptor& d, int i, uint16_t op) {
  return i < d.OperandCount ? ExtractBitField(op, d.Operand[i].Lo, d.Operand[i].Hi) : 0;
}

// The word `op` of row `d`: what every word of the row shares (RowWordOf),
// with the word's operands and what follows from them.
TDecodedWord DecodedWordOf(const TInstructionDescriptor& d, uint16_t op, int variant) {
  TDecodedWord w = RowWordOf(d, variant);
  w.Op1 = OperandOf(d, 0, op);
  w.Op2 = uint8_t(OperandOf(d, 1, op));
  w.Op3 = uint8_t(OperandOf(d, 2, op));
  w.BankBit = d.BankOperand == 2 ? w.Op2 : w.Op3;
  PointerOf(w, variant);
  w.Access = AccessOf(w);
  if (!d.Declaration) return w;
  const TExecution& e = d.Declaration->Exec;
  w.ToF = e.Store == TStore::F || (e.Store == TStore::ByDestination && w.Op2 != 0);
  const bool onStatus =
      e.Condition == TCondition::StatusSet || e.Condition == TCondition::StatusClear;
  w.ConditionBits = onStatus ? e.StatusBit : w.Op2;
  return w;
}

}  // namespace

std::span<const TInstructionRow> InstructionRows() { return kInstructionRows; }

const TInstructionRow* FindInstructionRow(std::string_view mnemonic) {
  for (const TInstructionRow& r : kInstructionRows)
    if (mnemonic == r.Mnemonic) return &r;
  return nullptr;
}

uint16_t ExtractBitField(uint16_t opcode, int lo, int hi) {
  if (hi < lo || lo < 0 || lo > 15) return 0;
  const int width = hi - lo + 1;
  const unsigned mask = width >= 16 ? 0xFFFFu : ((1u << width) - 1u);
  return static_cast<uint16_t>((static_cast<unsigned>(opcode) >> lo) & mask);
}

const std::vector<std::string>& K08ATableRows() {
  static const std::vector<std::string> rows = RowTexts(kCoreK08A);
  return rows;
}

const std::vector<std::string>& K08BTableRows() {
  static const std::vector<std::string> rows = RowTexts(kCoreK08B);
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

// The lookup table is zeroed memory that the system hands out untouched:
// the pages of words nobody asks for cost nothing.
TInstructionTable::TInstructionTable(TTableUse use)
    : decoded_(use == TTableUse::Decode
                   ? static_cast<TDecodedWord*>(std::calloc(65536, sizeof(TDecodedWord)))
                   : nullptr) {
  if (use == TTableUse::Decode && !decoded_) throw std::bad_alloc();
}

void TInstructionTable::TFreeTable::operator()(TDecodedWord* p) const { std::free(p); }

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
    ApplyDeclaration(d, variant);
    d.BankOperand = d.Declaration && hasD && !hasB ? 2 : 3;
    d.Row = static_cast<int>(rows_.size());
    rows_.push_back(std::move(d));
    if (rows_.size() >= 255) break;  // the lookup table keeps row numbers in a byte
  }
  relink();
  // The same rows of the same variant give the same lookup table: a reload
  // (each build reloads the chip's table) keeps it.
  if (decoded_ && (&rows != lookupRows_ || variant != lookupVariant_)) {
    startLookup();
    lookupRows_ = &rows;
    lookupVariant_ = variant;
  }
  return ok;
}

void TInstructionTable::relink() {
  for (size_t i = 0; i < rows_.size(); ++i)
    rows_[i].Next = i + 1 < rows_.size() ? &rows_[i + 1] : nullptr;
}

// New rows: every word is decoded again when it is next asked for.
void TInstructionTable::startLookup() {
  if (lookupBuilds_ > 0) {
    TDecodedWord notDecoded;
    notDecoded.Declaration = TDecodedWord::kNotDecoded;
    std::fill_n(decoded_.get(), 65536, notDecoded);
  }
  ++lookupBuilds_;
}

// The entry of a word asked for the first time: the first row that matches
// it, or nothing.
const TDecodedWord& TInstructionTable::decodeWord(uint16_t opcode) const {
  TDecodedWord& w = decoded_[opcode];
  const TInstructionDescriptor* d = DecodeByScan(opcode);
  w = d ? DecodedWordOf(*d, opcode, variant_) : TDecodedWord{};
  return w;
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

const TInstructionTable& BuiltInInstructions(int variant) {
  // Each variant's table is loaded the first time it is asked for.
  auto load = [](bool reduced) {
    auto t = std::make_unique<TInstructionTable>(TTableUse::EncodeOnly);
    if (reduced) t->LoadReduced();
    else t->LoadFull();
    return t;
  };
  if (variant == kCoreK08B) {
    static const std::unique_ptr<TInstructionTable> k08b = load(true);
    return *k08b;
  }
  static const std::unique_ptr<TInstructionTable> k08a = load(false);
  return *k08a;
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
