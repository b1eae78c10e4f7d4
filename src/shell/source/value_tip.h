#pragma once
// The value tip of the source view: which register operand of a source line
// lies under the mouse and what it holds. No window here; the source view
// passes the line, its code word and the character column under the mouse.
#include <cstdint>
#include <string>

#include "base/linerecord.h"

namespace kyvor {

class TInstructionTable;
class TKy_UP;

// Splits a line as the tip reads it: comment, label (a first word that is
// neither an instruction nor a directive), mnemonic and the operands
// separated by ',' and '='. Returns the descriptor kind of the mnemonic
// (upper-cased, looked up in the instruction list), -1 when it is none.
int SplitHoverLine(const TInstructionTable& table, const std::string& text, TLineRecord& rec);

// The tip text for the mouse over character `column` (0-based) of `text`,
// whose first code word is `word`; empty when no tip shows. Register values
// come from the CPU model.
std::string HoverValueText(const TKy_UP& up, const std::string& text, uint16_t word, int column);

}  // namespace kyvor
