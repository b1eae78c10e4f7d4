#pragma once
// Operand expressions: terms (numbers in the assembler's literal notation or
// symbol names) joined by '+' and '-', with at most one effective selector
// LOW, HIGH or UP. Evaluation also rewrites the text in canonical form
// (names replaced by their symbols' texts, number pairs folded).
#include <cstdint>
#include <string>
#include <string_view>

#include "assembler/asm_symbols.h"

namespace kyvor {

// True for '.', '0'-'9', '@', 'A'-'Z', '_', 'a'-'z'.
inline bool IsAsmNameChar(char c) {
  return c == '.' || c == '@' || c == '_' || (c >= '0' && c <= '9') ||
         (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The assembler's number literal: ParseNumber (base/numbers.h) with digits
// that belong to its radix. The shared reader takes 12B as 0 (its binary
// converter gives 0 for the digit 2) and a sign alone as 0; in a program
// both are no number.
bool ParseAsmNumber(std::string_view text, int32_t& value);

// Scans the next token from `pos` (0-based, in/out; left on the token's
// first character). False when no token remains or the token holds a
// character outside the name set (`bad` then true).
bool ScanOperandToken(std::string_view text, size_t& pos, size_t& length, bool* bad = nullptr);

// Evaluates `text` against `table`; on success replaces `text` by its
// canonical form and sets `value`. `unknown` receives the first name that
// was not found (when the evaluation failed for that reason); `whole` the
// value before the selector.
bool EvaluateExpression(const TAsmSymbols& table, std::string& text, int32_t& value,
                        std::string* unknown = nullptr, int32_t* whole = nullptr);

// Replaces every name token of `text` found by Name in `table` by that
// record's Text, leaving everything else (other names, numbers, operators,
// blanks) as written. Used for macro parameters and local labels.
std::string SubstituteNames(const TAsmSymbols& table, std::string_view text);

}  // namespace kyvor
