// Directives of the assembler in one table (the word, what the reader does
// with the line, what a labelled line of it defines, what it does in a
// pass) and their handlers of the pass.
#include <algorithm>
#include <iterator>

#include "assembler/asm_expr.h"
#include "assembler/assembler.h"
#include "chip/chipconfig.h"

namespace kyvor {

// Rows in the order of TAsmDirective. A directive without Read is kept by
// the reader (StoreLine); a labelled line whose directive has no Define
// names a code label; a directive without Assemble emits nothing.
const TF_ASM::DirectiveRow TF_ASM::kDirectiveRows[] = {
    // word, code, reader, labelled line, pass, canonical operands
    {"", DirNone, nullptr, nullptr, nullptr, true},
    {"DB", DirDB, nullptr, nullptr, &TF_ASM::EmitData, true},
    {"DW", DirDW, nullptr, nullptr, &TF_ASM::EmitData, true},
    {"END", DirEND, &TF_ASM::EndSource, nullptr, nullptr, true},
    {"ENDM", DirENDM, &TF_ASM::CloseMacroDefinition, nullptr, &TF_ASM::CloseExpansion, true},
    {"EQU", DirEQU, nullptr, &TF_ASM::DefineConstant, nullptr, false},
    {"INCLUDE", DirINCLUDE, &TF_ASM::HandleInclude, nullptr, nullptr, true},
    {"LOCAL", DirLOCAL, nullptr, &TF_ASM::DefineNoLabel, nullptr, false},
    {"MACRO", DirMACRO, &TF_ASM::OpenMacroDefinition, nullptr, nullptr, true},
    {"ORG", DirORG, nullptr, nullptr, &TF_ASM::SetOrigin, true},
    {"SET", DirSET, nullptr, &TF_ASM::DefineVariable, nullptr, false},
    {"GLOBAL", DirGLOBAL, nullptr, nullptr, &TF_ASM::DeclareGlobal, false},
    {"MEMAR", DirMEMAR, nullptr, nullptr, &TF_ASM::SetRamPointer, true},
    {"DS", DirDS, nullptr, &TF_ASM::DefineStorage, nullptr, false},
    {"EXTERN", DirEXTERN, nullptr, nullptr, &TF_ASM::DeclareExtern, false},
    {"IF", DirIF, nullptr, nullptr, nullptr, true},
    {"ELSE", DirELSE, nullptr, nullptr, nullptr, true},
    {"ENDIF", DirENDIF, nullptr, nullptr, nullptr, true},
    {"DEFINE", DirDEFINE, &TF_ASM::DefineConditionName, nullptr, nullptr, true},
};

const TF_ASM::DirectiveRow& TF_ASM::DirectiveRowOf(uint8_t code) {
  static_assert(std::size(kDirectiveRows) == DirDEFINE + 1);
  return kDirectiveRows[code <= DirDEFINE ? code : 0];
}

TAsmDirective TF_ASM::DirectiveOf(std::string_view word) {
  if (word.empty()) return DirNone;
  for (const DirectiveRow& row : kDirectiveRows)
    if (word == row.Word) return row.Code;
  return DirNone;
}

// ---------------------------------------------------------------------------
// Labelled lines

bool TF_ASM::DefineLabel(TLineRecord& line) {
  const std::string label = GetField(line, kFieldLabel);
  if (line.HasDirective) {
    const DirectiveRow& row = DirectiveRowOf(line.Directive);
    if (row.Define) return (this->*row.Define)(line, label);
  }
  return DefineCodeLabel(line, label);
}

// A later pass (call shortening) can move the labels a constant is made
// of: the final table takes the values of the last pass.
void TF_ASM::UpdateFinalRecord(const TLineRecord& line, int32_t value, int32_t aux) {
  auto it = finalRecordOf_.find(line.SeqNo);
  if (it == finalRecordOf_.end()) return;
  if (TAsmSymbol* s = finalSymbols_.GetItem(it->second)) {
    s->Value = value;
    s->Aux = aux;
  }
}

// The value of the first operand of an EQU, SET or DS line, with its text.
// A missing operand is reported as such; one that does not evaluate is
// reported with the directive's own code.
bool TF_ASM::LabelOperandValue(TLineRecord& line, int failCode, std::string& text, int32_t& value) {
  if (OperandCount(line) < 1) {
    PassError(&line, AsmErrMissingArgument, false, nullptr);
    return false;
  }
  text = GetField(line, OperandField(1));
  if (!EvaluateExpression(passSymbols_, text, value)) {
    PassError(&line, failCode, false, GetField(line, OperandField(1)));
    return false;
  }
  return true;
}

// Adds an EQU or DS name to this pass's table; a full table or a name
// defined before is reported.
bool TF_ASM::AddPassSymbol(TLineRecord& line, const std::string& label, const std::string& text,
                           int32_t value, char kind, int32_t aux) {
  const int r = passSymbols_.AddSymbol(label, text, value, kind, aux);
  if (r == 1) PassError(&line, AsmErrOutOfMemory, true, nullptr);
  if (r == 2) PassError(&line, AsmErrDuplicate, false, label);
  return r == 0;
}

// The final table (map file, debugger) gets an EQU or DS name in the first
// pass and the line remembers its record; later passes update that record.
bool TF_ASM::RecordFinalSymbol(TLineRecord& line, const std::string& label, const std::string& text,
                               int32_t value, char kind, int32_t aux) {
  if (firstPassDone_) {
    UpdateFinalRecord(line, value, aux);
    return true;
  }
  const int r = finalSymbols_.AddSymbol(label, text, value, kind, aux);
  if (r == 1) PassError(&line, AsmErrOutOfMemory, true, nullptr);
  if (r == 2) PassError(&line, AsmErrDuplicate, false, label);
  if (r != 0) return false;
  finalRecordOf_[line.SeqNo] = finalSymbols_.Count();
  return true;
}

// An EQU or DS name may not be a mnemonic (reported).
bool TF_ASM::NameIsNoMnemonic(TLineRecord& line, const std::string& label) {
  if (!FindInstruction(label)) return true;
  PassError(&line, AsmErrIllegalSymbol, false, label);
  return false;
}

bool TF_ASM::DefineConstant(TLineRecord& line, const std::string& label) {
  if (!NameIsNoMnemonic(line, label)) return false;
  std::string text;
  int32_t value = 0;
  if (!LabelOperandValue(line, AsmErrUndefined, text, value)) return false;
  if (!AddPassSymbol(line, label, text, value, 'C', sectionNo_)) return false;
  // A failure to keep it in the final table is reported, but the pass goes
  // on with the value it has.
  RecordFinalSymbol(line, label, text, value, 'C', sectionNo_);
  return true;
}

bool TF_ASM::DefineVariable(TLineRecord& line, const std::string& label) {
  std::string text;
  int32_t value = 0;
  if (!LabelOperandValue(line, AsmErrDuplicate, text, value)) return false;
  if (passSymbols_.AddSymbol(label, text, value, 'V', sectionNo_) != 0) {
    PassError(&line, AsmErrOutOfMemory, true, label);
    return false;
  }
  return true;
}

bool TF_ASM::DefineStorage(TLineRecord& line, const std::string& label) {
  if (!NameIsNoMnemonic(line, label)) return false;
  std::string text;
  int32_t size = 0;
  if (!LabelOperandValue(line, AsmErrDuplicate, text, size)) return false;
  const int32_t at = ramPointer_;
  // A name stands for itself: its text is the name as stored (32 characters).
  const std::string self = label.substr(0, TAsmSymbols::kMaxName);
  if (!AddPassSymbol(line, label, self, at, 'D', size)) return false;
  if (!RecordFinalSymbol(line, label, self, at, 'D', size)) return false;
  // The variable's last byte must lie in the data memory ("Memory Over"
  // otherwise, also when the 16-bit pointer would wrap back into it); with a
  // size of 0 or less, the new pointer must.
  const int64_t next = int64_t(ramPointer_) + size;
  const int64_t last = size > 0 ? next - 1 : next;
  ramPointer_ = static_cast<uint16_t>(next);
  if (!RamPointerInMemory(last)) PassError(&line, AsmErrMemoryOver, false, label);
  return true;
}

bool TF_ASM::RamPointerInMemory(int64_t pointer) const {
  return pointer >= 0 && pointer < kDataMemorySize && Chip().DataMemoryMap[pointer] != 0;
}

// LOCAL names are handled by macro expansion.
bool TF_ASM::DefineNoLabel(TLineRecord& line, const std::string& label) {
  (void)line;
  (void)label;
  return true;
}

bool TF_ASM::DefineCodeLabel(TLineRecord& line, const std::string& written) {
  if (written.size() < 2 || written.back() != ':') {
    PassError(&line, AsmErrIllegalSymbol, false, written);
    return false;
  }
  const std::string label = written.substr(0, written.size() - 1);
  return AddPassSymbol(line, label, label.substr(0, TAsmSymbols::kMaxName), locationCounter_, 'L',
                       sectionNo_);
}

// ---------------------------------------------------------------------------
// Directives in the pass

// DB: one word per pair of operands (high byte, low byte; a missing second
// operand counts as 0); DW: one word per operand. Unknown names become
// forward references.
bool TF_ASM::EmitData(PassLine& p) {
  TLineRecord& line = p.Line;
  const bool db = line.Directive == DirDB;
  const int n = OperandCount(line);
  for (int i = 0; i < n; i += db ? 2 : 1) {
    const int f = OperandField(1) + i;
    bool unknown = false;
    auto value = [&](int field) -> int32_t {
      int32_t out = 0;
      if (!HasField(line, field)) return 0;
      if (!EvalOperand(GetField(line, field), out, false)) {
        unknown = true;
        return 0;
      }
      return out;
    };
    // Unsigned arithmetic: operands of any size keep their low bits, no overflow.
    const uint32_t hi = static_cast<uint32_t>(value(f));
    const uint16_t w = db ? static_cast<uint16_t>(hi * 256u + static_cast<uint32_t>(value(f + 1)))
                          : static_cast<uint16_t>(hi);
    if (unknown)
      forwardRefs_.AddSymbol(GetField(line, f), GetField(line, f), locationCounter_, 'M',
                             sectionNo_);
    const int32_t a = EmitWord(line, w, p.Mode, line.SeqNo);
    if (a == kLineNoAddress) return true;
    if (line.Address == kLineNoAddress) {
      line.Address = a;
      line.EmitAddress = a;
    }
    line.SectionNo = sectionNo_;
    highestAddress_ = std::max(highestAddress_, a);
  }
  return true;
}

// The copied ENDM of a macro expansion closes the innermost open call.
bool TF_ASM::CloseExpansion(PassLine& p) {
  if (openCalls_.empty()) {
    PassError(&p.Line, AsmErrUnknown, true, nullptr);
    return false;
  }
  TLineRecord& call = openCalls_.back()->Line;
  call.MacroEndAddr = locationCounter_;
  call.MacroOpen = 0;
  // An expansion without instructions leaves no call waiting for one.
  if (pendingCall_ == openCalls_.back()) pendingCall_ = nullptr;
  openCalls_.pop_back();
  return true;
}

// The value of the first operand of ORG and MEMAR; false (reported) when it
// is missing or does not evaluate.
bool TF_ASM::FirstOperandValue(TLineRecord& line, int32_t& value) {
  if (OperandCount(line) < 1) {
    PassError(&line, AsmErrMissingArgument, false, nullptr);
    return false;
  }
  if (!EvalOperand(GetField(line, OperandField(1)), value, false)) {
    PassError(&line, AsmErrUndefined, false, GetField(line, OperandField(1)));
    return false;
  }
  return true;
}

bool TF_ASM::SetOrigin(PassLine& p) {
  int32_t v = 0;
  if (!FirstOperandValue(p.Line, v)) return true;
  SetLocationCounter(static_cast<uint16_t>(v), p.Line);
  ++sectionNo_;
  return true;
}

bool TF_ASM::SetRamPointer(PassLine& p) {
  int32_t v = 0;
  if (!FirstOperandValue(p.Line, v)) return true;
  ramPointer_ = static_cast<uint16_t>(v);
  if (!RamPointerInMemory(v))
    PassError(&p.Line, AsmErrMemoryOver, false, GetField(p.Line, kFieldMnemonic));
  return true;
}

// GLOBAL and EXTERN add their names to their tables in the first pass.
bool TF_ASM::DeclareNames(PassLine& p, TAsmSymbols& table, int32_t value) {
  if (firstPassDone_) return true;
  TLineRecord& line = p.Line;
  for (int f = kFirstOperandField; f <= kFieldCount && HasField(line, f); ++f) {
    const std::string name = GetField(line, f);
    if (table.FindSymbol(name)) continue;
    if (table.AddSymbol(name, name, value, 'E', sectionNo_) == 1) {
      PassError(&line, AsmErrOutOfMemory, true, nullptr);
      return false;
    }
  }
  return true;
}

bool TF_ASM::DeclareGlobal(PassLine& p) { return DeclareNames(p, globalDecl_, 0xFFFF); }
bool TF_ASM::DeclareExtern(PassLine& p) { return DeclareNames(p, externTable_, 0); }

}  // namespace kyvor
