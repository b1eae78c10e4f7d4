#include "assembler/asm_expr.h"

#include <cstdio>

#include "base/numbers.h"

namespace kyvor {

bool ParseAsmNumber(std::string_view text, int32_t& value) {
  int32_t v = 0;
  if (!ParseNumber(text, v)) return false;
  std::string_view digits = text;
  const char last = digits.back();
  const bool binary = last == 'B' || last == 'b';
  if (last > '9') digits.remove_suffix(1);  // the radix letter
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (digits.empty()) return false;
  if (binary && digits.find_first_not_of("01") != std::string_view::npos) return false;
  value = v;
  return true;
}

bool ScanOperandToken(std::string_view text, size_t& pos, size_t& length, bool* bad) {
  if (bad) *bad = false;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos >= text.size()) return false;
  if (text[pos] == '+' || text[pos] == '-') {
    length = 1;
    return true;
  }
  size_t e = pos;
  while (e < text.size() && text[e] != ' ' && text[e] != '\t' && text[e] != '+' &&
         text[e] != '-') {
    if (!IsAsmNameChar(text[e])) {
      if (bad) *bad = true;
      return false;
    }
    ++e;
  }
  length = e - pos;
  return true;
}

namespace {
// A folded value as a number text that reads back as the same value: at
// least four hex digits and "H", with a leading 0 when the first digit is a
// letter (else the text would read as a name).
std::string FoldText(int32_t v) {
  const uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  char hex[16];
  std::snprintf(hex, sizeof hex, "%04X", magnitude);
  std::string text = v < 0 ? "0-" : "";
  if (hex[0] >= 'A') text += '0';
  return text + hex + "H";
}
}  // namespace

bool EvaluateExpression(const TAsmSymbols& table, std::string& text, int32_t& value,
                        std::string* unknown, int32_t* whole) {
  int32_t v = 0;
  std::string canon;
  int selector = 0;  // 1 LOW, 2 HIGH, 3 UP
  char pending = 0;
  bool noTermYet = true;
  bool canonIsNumber = false;
  size_t pos = 0, len = 0;
  std::string_view t(text);
  while (ScanOperandToken(t, pos, len)) {
    std::string_view tok = t.substr(pos, len);
    pos += len;
    if (tok == "+" || tok == "-") {
      if (noTermYet || pending) return false;
      pending = tok[0];
      continue;
    }
    if (tok == "LOW") { selector = 1; continue; }
    if (tok == "HIGH") { selector = 2; continue; }
    if (tok == "UP") { selector = 3; continue; }
    if (!pending && !noTermYet) return false;
    int32_t tv = 0;
    std::string ttext;
    bool termIsNumber = false;
    if (ParseAsmNumber(tok, tv)) {
      ttext.assign(tok);
      termIsNumber = true;
    } else {
      const TAsmSymbol* s = table.FindSymbol(tok);
      if (!s) {
        if (unknown) unknown->assign(tok);
        return false;
      }
      tv = s->Value;
      ttext = s->Text;
      int32_t dummy;
      termIsNumber = ParseAsmNumber(ttext, dummy);
    }
    if (noTermYet) {
      canon = ttext;
      v = tv;
      canonIsNumber = termIsNumber;
      noTermYet = false;
    } else {
      v = pending == '+' ? static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(tv))
                         : static_cast<int32_t>(static_cast<uint32_t>(v) - static_cast<uint32_t>(tv));
      if (canonIsNumber && termIsNumber) {
        canon = FoldText(v);
        int32_t dummy;
        canonIsNumber = ParseAsmNumber(canon, dummy);
      } else {
        canon += pending;
        canon += ttext;
        canonIsNumber = false;
      }
    }
    pending = 0;
  }
  bool bad = false;
  {
    size_t p2 = pos, l2 = 0;
    ScanOperandToken(t, p2, l2, &bad);
  }
  if (bad) return false;
  // A trailing operator has no term after it.
  if (pending) return false;
  if (whole) *whole = v;
  switch (selector) {
    case 1: v &= 0xFF; canon = "LOW " + canon; break;
    case 2: v = (v >> 8) & 0xFF; canon = "HIGH " + canon; break;
    case 3: v = (v >> 16) & 0xFF; canon = "UP " + canon; break;
    default: break;
  }
  text = canon;
  value = v;
  return true;
}

std::string SubstituteNames(const TAsmSymbols& table, std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  size_t i = 0;
  while (i < text.size()) {
    if (IsAsmNameChar(text[i])) {
      size_t e = i;
      while (e < text.size() && IsAsmNameChar(text[e])) ++e;
      std::string_view name = text.substr(i, e - i);
      const TAsmSymbol* s = table.FindSymbol(name);
      if (s) out += s->Text;
      else out.append(name);
      i = e;
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace kyvor
