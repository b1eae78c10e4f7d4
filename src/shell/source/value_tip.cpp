#include "shell/source/value_tip.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "base/numbers.h"
#include "engine/instruction_table.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {

// The directive words the tip knows (a first word that is one of them is no label).
constexpr std::array<std::string_view, 18> kDirectives = {
    "DB",      "DW",   "END",  "ENDM",   "EQU",  "INCLUDE", "LOCAL", "MACRO", "ORG",
    "SET",     "GLOBAL", "MEMAR", "DS",  "EXTERN", "IF",   "ELSE",    "ENDIF", "DEFINE"};

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

enum class TTipGroup { None, Single, Register, Bit, Pair };

TTipGroup GroupOf(int kind) {
  switch (kind) {
    case ik::CLRF: case ik::SETF: case ik::MULF: case ik::CPSG: case ik::CPSL: case ik::CPSE:
    case ik::TFSZ:
      return TTipGroup::Single;
    case ik::BCF: case ik::BSF: case ik::BTSZ: case ik::BTSS: case ik::BTGF:
      return TTipGroup::Bit;
    case ik::MVFF:
      return TTipGroup::Pair;
    default: break;
  }
  if ((kind >= ik::ADDF && kind <= ik::RRF) || (kind >= ik::JZ && kind <= ik::SWPF) ||
      kind == ik::INSUZ || kind == ik::DCSUZ || kind == ik::ARLC || kind == ik::ARRC)
    return TTipGroup::Register;
  return TTipGroup::None;
}

std::string Hex(unsigned v, int digits) {
  char b[16];
  std::snprintf(b, sizeof b, "%0*X", digits, v);
  return b;
}

// True when the column lies on field i.
bool Over(const TLineRecord& rec, int i, int column) {
  if (!HasField(rec, i)) return false;
  const int first = rec.FieldStart[i] - 1;
  return column >= first && column < first + rec.FieldLength[i];
}

// The data address an operand names: its number, or the decoded address;
// banked words take the bank register, the indirect registers 0..9 their
// pointer pairs.
uint32_t RegisterAddress(const TKy_UP& up, const std::string& operand, int decoded, bool banked,
                         bool addBank) {
  int32_t r = decoded;
  int32_t parsed = 0;
  if (ParseNumber(operand, parsed)) r = parsed;
  const int32_t bank = up.ReadRegister(42) & 0x0F;
  if (banked) return addBank ? uint32_t(r + bank * 256) : uint32_t((r & 0xFF) | (bank << 8));
  const int32_t p0 = up.ReadRegister(15) * 256 + up.ReadRegister(16);
  const int32_t p1 = up.ReadRegister(17) * 256 + up.ReadRegister(18);
  if (r >= 0 && r <= 3) return uint32_t(p0);
  if (r == 4) return uint32_t(p0 + up.ReadRegister(41));
  if (r >= 5 && r <= 8) return uint32_t(p1);
  if (r == 9) return uint32_t(p1 + up.ReadRegister(41));
  return uint32_t(r);
}

}  // namespace

int SplitHoverLine(const TInstructionTable& table, const std::string& text, TLineRecord& rec) {
  InitLineRecord(rec);
  SetWorkText(rec, text);
  TLineClassifier c;
  c.InstructionIndex = [&table](std::string_view w) -> int32_t {
    const TInstructionDescriptor* d = table.FindByName(Upper(w));
    return d ? d->Row : -1;
  };
  c.DirectiveCode = [](std::string_view w) -> uint8_t {
    const std::string u = Upper(w);
    for (size_t i = 0; i < kDirectives.size(); ++i)
      if (kDirectives[i] == u) return static_cast<uint8_t>(i + 1);
    return 0;
  };
  SplitSourceLine(rec, c);
  const TInstructionDescriptor* d = table.FindByName(Upper(GetFieldView(rec, kFieldMnemonic)));
  return d ? d->Kind : -1;
}

std::string HoverValueText(const TKy_UP& up, const std::string& text, uint16_t word, int column) {
  TLineRecord rec;
  const int kind = SplitHoverLine(up.Instructions(), text, rec);
  if (OperandCount(rec) < 2 || kind < 1) return std::string();
  const TTipGroup group = GroupOf(kind);
  if (group == TTipGroup::None) return std::string();
  const TDecodedWord& w = up.Instructions().DecodedWord(word);
  if (w.Row == TDecodedWord::kNoRow) return std::string();
  const std::string f4 = GetField(rec, OperandField(1));
  const bool banked = w.BankBit == 1;
  const uint32_t r =
      RegisterAddress(up, f4, w.Op1, banked, group == TTipGroup::Single || group == TTipGroup::Pair);
  const std::string byteTip =
      f4 + "[" + Hex(r & 0xFFF, 3) + "h] = " + Hex(up.ReadRegister(int32_t(r)), 2) + "h";
  if (group != TTipGroup::Bit) return Over(rec, OperandField(1), column) ? byteTip : std::string();
  if (Over(rec, OperandField(1), column)) return byteTip;
  if (!Over(rec, OperandField(2), column)) return std::string();
  int32_t bit = w.Op2;
  int32_t parsed = 0;
  if (ParseNumber(GetField(rec, OperandField(2)), parsed)) bit = parsed;
  const int value = (up.ReadRegister(int32_t(r)) >> (bit & 7)) & 1;
  return f4 + "[" + Hex(r & 0xFFF, 3) + "h]." + std::to_string(bit) + " = " + std::to_string(value);
}

}  // namespace kyvor
