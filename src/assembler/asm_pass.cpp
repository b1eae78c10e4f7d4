// Program image, main pass, forward references, branch fix-ups and call
// shortening.
#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "assembler/asm_expr.h"
#include "assembler/assembler.h"
#include "base/numbers.h"
#include "chip/chipconfig.h"
#include "engine/instruction_table.h"

namespace kyvor {

namespace {

bool IsSkipOrShortJump(int kind) {
  switch (kind) {
    case 4: case 6: case 35: case 36: case 46: case 47: case 54: case 55: case 56: case 57:
    case 58: case 59: case 60: case 61: case 62: case 63:
      return true;
    default:
      return false;
  }
}

// LBSR selects one of 16 banks (a 4-bit field).
constexpr int32_t kLastBank = 15;

// An unprogrammed program word (erased memory reads all ones): the fill of
// mode 1, no instruction.
constexpr uint16_t kUnprogrammedWord = 0xFFFF;

// The fill of mode 2, for even and odd addresses: K08A's jump to 0 over two
// words (JMP and its NOPF), so that a program that runs into unused memory
// starts again. The same words under K08B, where they are no instructions.
const std::array<uint16_t, 2>& JumpToZeroFill() {
  static const std::array<uint16_t, 2> words = [] {
    const TInstructionTable& k08a = BuiltInInstructions(kCoreK08A);
    return std::array<uint16_t, 2>{k08a.Encode("JMP", 0), k08a.Encode("NOPF", 0)};
  }();
  return words;
}

bool IsPlainNumber(const std::string& text) {
  int32_t v;
  return ParseAsmNumber(text, v);
}

}  // namespace

// ---------------------------------------------------------------------------
// Program image

void TF_ASM::ApplyFill() {
  const uint32_t rom = romWords_;
  for (uint32_t a = 0; a < rom; ++a) {
    TImageCell& c = image_[a];
    c.LineSeq = 0;
    switch (options_.UnusedFillMode) {
      case 1: c.Word = kUnprogrammedWord; break;
      case 2: c.Word = JumpToZeroFill()[a & 1]; break;
      default: c.Word = 0; break;
    }
  }
}

void TF_ASM::ClearProgramImage() {
  target_.clearProgramMemory();
  ApplyFill();
  locationCounter_ = 0;
  assembledWordCount_ = 0;
  wordCountFrozen_ = 0;
}

void TF_ASM::ResetImageForPass() {
  for (int a = 0; a < kImageCells; ++a) image_[a] = TImageCell{};
  // Unused cells keep the chosen fill in every pass.
  ApplyFill();
  locationCounter_ = 0;
  assembledWordCount_ = 0;
  wordCountFrozen_ = 0;
}

int32_t TF_ASM::EmitWord(TLineRecord& line, uint16_t word, int mode, int32_t seq) {
  const int32_t last = static_cast<int32_t>(romWords_) - 1;
  const int32_t lc = locationCounter_;
  // Relaxed words skip the layout checks only when call shortening follows
  // (it repeats them on the final layout); otherwise this pass is the last.
  const bool relaxedSmart = (mode == 1 && options_.SmartCompiler == 1 && shorteningFollows_);
  // The image has 32,768 cells: nothing goes beyond, whatever the mode.
  const bool outsideImage = lc < 0 || lc >= kImageCells;
  if (outsideImage || (!options_.AssembleOnly && !relaxedSmart && (lc < 0 || lc > last))) {
    PassError(&line, AsmErrAddressRange, false, nullptr);
    ++assembledWordCount_;
    wordCountFrozen_ = 1;
    return kLineNoAddress;
  }
  if (!relaxedSmart && image_[lc].LineSeq != 0) {
    PassError(&line, AsmErrOverwrite, false, nullptr);
    return kLineNoAddress;
  }
  image_[lc].Word = word;
  image_[lc].LineSeq = seq;
  locationCounter_ = lc + 1;
  if (!wordCountFrozen_) assembledWordCount_ = locationCounter_;
  totalCodeLines_ = static_cast<uint16_t>(locationCounter_);
  return lc;
}

bool TF_ASM::SetLocationCounter(uint16_t address, const TLineRecord& line) {
  if (address < romWords_ || options_.AssembleOnly == 1) {
    locationCounter_ = address;
    return true;
  }
  PassError(&line, AsmErrAddressRange, false, nullptr);
  return false;
}

// ---------------------------------------------------------------------------
// Operands

bool TF_ASM::EvalOperand(const std::string& text, int32_t& value, bool withImports,
                         int32_t* whole) const {
  std::string t = text;
  if (EvaluateExpression(passSymbols_, t, value, nullptr, whole)) return true;
  if (withImports && globalImport_.Count() > 0) {
    // Imported code labels count from their object's load address.
    importResolved_.Clear();
    for (int i = 1; i <= globalImport_.Count(); ++i) {
      const TAsmSymbol* g = globalImport_.GetItem(i);
      const bool fixed = g->Kind == 'C' || g->Kind == 'D' || g->Kind == 'c' || g->Kind == 'd';
      importResolved_.AddSymbol(g->Name, g->Name, fixed ? g->Value : g->Value + g->Aux, 'E', 0);
    }
    t = text;
    if (EvaluateExpression(importResolved_, t, value, nullptr, whole)) return true;
  }
  if (withImports && options_.AssembleOnly == 1 && externTable_.Count() > 0) {
    t = text;
    if (EvaluateExpression(ExternNumbers(), t, value, nullptr, whole)) return true;
  }
  return false;
}

const TAsmSymbols& TF_ASM::ExternNumbers() const {
  // EXTERN names are only ever added during a pass: the table is made again
  // when there are more of them.
  if (externNumbers_.Count() != externTable_.Count()) {
    externNumbers_.Clear();
    for (int i = 1; i <= externTable_.Count(); ++i) {
      const std::string& name = externTable_.GetItem(i)->Name;
      externNumbers_.AddSymbol(name, name, i, 'E', 0);
    }
  }
  return externNumbers_;
}

int TF_ASM::ExternNumberIn(std::string_view text) const {
  size_t pos = 0, len = 0;
  while (ScanOperandToken(text, pos, len)) {
    if (const int e = externTable_.FindReplacementName(text.substr(pos, len))) return e;
    pos += len;
  }
  return 0;
}

// A relocatable operand of an object file: its number (after any selector
// word) is a value in the object's own layout. The load address is added to
// the whole value, then the part the line names is taken. A part that came
// without its whole value moves correctly only when the load address leaves
// the bits below it alone; otherwise it is refused (reported once, when the
// word is first built) and counts as 0.
bool TF_ASM::RelocatedOperand(const TLineRecord& line, const std::string& text, bool report,
                              int32_t& value) {
  const size_t last = text.find_last_of(' ');
  if (!ParseAsmNumber(last == std::string::npos ? text : text.substr(last + 1), value))
    return false;
  const auto partOnly = partOnlyLines_.find(line.SeqNo);
  if (partOnly != partOnlyLines_.end() && (objectBase_ & partOnly->second) != 0) {
    if (report) PassError(&line, AsmErrIllegalArgument, false, text);
    value = 0;
    return true;
  }
  value = static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(objectBase_));
  switch (line.RelocPart) {
    case 1: value = (value >> 16) & 0xFF; break;
    case 2: value = (value >> 8) & 0xFF; break;
    case 3: value &= 0xFF; break;
    default: break;
  }
  return true;
}

// Builds the word of an instruction line. Unknown names become forward
// references (first emission) or errors (resolution).
bool TF_ASM::EncodeInstruction(TLineRecord& line, bool firstEmission, uint16_t& word,
                               bool& unresolved) {
  const TInstructionDescriptor* d = OpcodeOf(line);
  int32_t operands[3] = {0, 0, 0};
  unresolved = false;
  const bool longFirst = line.LongCallLine || line.LongJumpLine || line.LongTableLine;
  const bool secondLow12 = line.SecondOfCall || line.SecondOfJump || line.SecondOfTable;
  for (int i = 1; i <= d->OperandCount && i <= 3; ++i) {
    int field = OperandField(i);
    // LDPR is written address first, pointer second; an object line carries
    // the disassembler's one operand, the pointer.
    if (i == 1 && d->Kind == ik::LDPR && !line.FromObject) field = OperandField(2);
    if (!HasField(line, field)) continue;
    // Branch targets are resolved by the fix-up sweep alone.
    if (!firstEmission && i == 1 && (d->ShortBranch || d->RelativeBranch)) continue;
    const std::string text = GetField(line, field);
    int32_t value = 0;
    bool ok;
    if (line.FromObject && line.OperandReloc[i]) {
      ok = RelocatedOperand(line, text, firstEmission, value);
    } else {
      ok = EvalOperand(text, value, !firstEmission);
    }
    if (ok && d->Kind == ik::LBSR && !IsPlainNumber(text)) value /= 256;
    if (!ok) {
      unresolved = true;
      value = 0;
      if (firstEmission) {
        forwardRefs_.AddSymbol(text, text, locationCounter_, 'M', sectionNo_);
      } else if (!secondLow12) {
        // (The second word of CALL, JMP and MVLP repeats the operand of the
        // first word, which reports it.)
        std::string t = text, unknown;
        int32_t dummy;
        EvaluateExpression(passSymbols_, t, dummy, &unknown);
        PassError(&line, AsmErrUndefined, false, unknown.empty() ? text : unknown);
      }
    }
    if ((d->ShortBranch || d->RelativeBranch) && i == 1) continue;
    int32_t v = value;
    // Object words carry their fields as they are, except a name (an EXTERN
    // of the object, defined here) and the target of a two-word instruction:
    // whole addresses, split like in source (a NOPF word keeps the low 12 bits).
    if (longFirst && i == 1) {
      v = value / 4096;
    } else if (line.FromObject && (line.OperandReloc[i] || IsPlainNumber(text))) {
    } else if (secondLow12) {
      v = value % 4096;
    }
    operands[i - 1] = v;
  }
  word = TInstructionTable::Encode(*d, operands[0], operands[1], operands[2]);
  return true;
}

// ---------------------------------------------------------------------------
// One pass

bool TF_ASM::FirstPass() {
  passSymbols_.Clear();
  callSites_.clear();
  finalRecordOf_.clear();
  firstPassDone_ = false;
  const bool optimizing = Chip().CoreVariant == kCoreK08A && options_.SmartCompiler == 1;
  passErrorMode_ = optimizing ? 1 : 0;
  shorteningFollows_ = optimizing;
  bool ok = AssemblePass(1, 1);
  firstPassDone_ = true;
  return ok;
}

void TF_ASM::TrackMacroNesting(TAsmLineList::Node* node) {
  TLineRecord& line = node->Line;
  line.MacroStartAddr = locationCounter_ - 1;
  line.MacroOpen = 1;
  ++macroRecordCounter_;
  line.MacroRecNo = static_cast<uint16_t>(macroRecordCounter_);
  TAsmLineList::Node* prev = node->Prev;
  if (!openCalls_.empty() && prev && prev->Line.IsMacroCall && prev->Line.MacroOpen) {
    LinkToOpenCall(line);
  } else {
    line.ParentFile = line.FileIndex;
    line.ParentLine = static_cast<uint16_t>(line.LineNo);
    line.ParentRecNo = line.MacroRecNo;
    pendingCall_ = node;
  }
  openCalls_.push_back(node);
  if (openCalls_.size() > 31) PassError(&line, AsmErrMacroTooDeep, false, std::string(line.Text));
  for (int f = kFirstOperandField; f <= kFieldCount && HasField(line, f); ++f) {
    std::string t = GetField(line, f);
    int32_t v;
    if (EvaluateExpression(passSymbols_, t, v)) RewriteField(line, f, t);
  }
}

bool TF_ASM::AssemblePass(int reporting, int relaxed) {
  passSymbols_.Clear();
  forwardRefs_.Clear();
  fixups_.clear();
  sectionNo_ = 0;
  ramPointer_ = 0;
  macroRecordCounter_ = 0;
  openCalls_.clear();
  pendingCall_ = nullptr;
  highestAddress_ = 0;
  prevFileIndex_ = 255;
  wdtVectorDone_ = false;
  const TChipConfig& chip = Chip();
  const bool wdtRule = chip.ChipId == 113 && chip.CoreVariant == kCoreK08B && options_.ChWDTJMPOO;
  for (TAsmLineList::Node* node = mainLines_.First(); node && !abortFlag_; node = node->Next) {
    Step();
    if (wdtRule && !wdtVectorDone_) node = InsertWatchdogVector(node);
    AssembleLine(node, reporting, relaxed);
  }
  if (abortFlag_) return false;
  return FinishPass(reporting);
}

// The watchdog reset vector "JMP  0000h" at 0x40, with a jump over it at
// 0x3F; a skip or short conditional jump that would fall at 0x3E is pushed
// behind a NOP. Returns the node the pass goes on with.
TAsmLineList::Node* TF_ASM::InsertWatchdogVector(TAsmLineList::Node* node) {
  const TLineRecord& l = node->Line;
  auto makeLine = [&](const char* text) {
    TLineRecord n;
    n.WorkText = text;
    n.FileIndex = l.FileIndex;
    n.LineNo = l.LineNo;
    n.FromMacro = l.FromMacro;
    n.Inserted = 1;
    SplitLine(n);
    return n;
  };
  TAsmLineList::Node* first = nullptr;
  if (locationCounter_ == 0x3E && OpcodeOf(l) && IsSkipOrShortJump(l.InstrIndex)) {
    first = mainLines_.InsertBefore(node, makeLine("NOP     "));
  } else if (locationCounter_ != 0x3F) {
    return node;
  }
  TAsmLineList::Node* jump = mainLines_.InsertBefore(node, makeLine("JMP  0041h"));
  mainLines_.InsertBefore(node, makeLine("JMP  0000h"));
  wdtVectorDone_ = true;
  return first ? first : jump;
}

bool TF_ASM::AssembleLine(TAsmLineList::Node* node, int reporting, int relaxed) {
  TLineRecord& line = node->Line;
  if (reporting == 0) line.LongMoveLine = line.LongCallLine = line.LongJumpLine = 0;
  if (line.FileIndex != prevFileIndex_) {
    objectBase_ = locationCounter_;
    prevFileIndex_ = line.FileIndex;
    if (line.FromObject) loadAddressOf_[line.FileIndex] = objectBase_;
  }
  line.Address = kLineNoAddress;
  if (line.HasLabel && line.FromObject) return ImportObjectSymbol(line);
  // A label error ends the line; a macro call still opens its expansion so
  // that the expansion's ENDM finds it.
  if (line.HasLabel && (!DefineLabel(line) || abortFlag_)) {
    if (line.IsMacroCall && !abortFlag_) TrackMacroNesting(node);
    return !abortFlag_;
  }
  if (line.IsMacroCall) {
    TrackMacroNesting(node);
    return true;
  }
  if (OpcodeOf(line) && pendingCall_ && !openCalls_.empty()) OpenFirstInstructionRecord(line);
  if (!HasField(line, kFieldMnemonic)) return true;
  if (line.FieldOverflow) {
    // More operands than a line record holds (reported once: a line too
    // long for its record was reported when it was read).
    if (!reportedTooLong_.count(SourcePlace(line)))
      PassError(&line, AsmErrTooManyArguments, false, nullptr);
    return true;
  }
  PassLine p{node, line, relaxed ? 1 : reporting, reporting};
  if (OpcodeOf(line)) return AssembleInstruction(p);
  if (!line.HasDirective) {
    // A word in the mnemonic place that is no instruction, directive or macro.
    PassError(&line, AsmErrIllegalSymbol, false, GetField(line, kFieldMnemonic));
    return true;
  }
  const DirectiveRow& row = DirectiveRowOf(line.Directive);
  if (row.CanonicalOperands) RewriteOperands(line);
  return row.Assemble ? (this->*row.Assemble)(p) : true;
}

// A GLOBAL symbol line of an object file.
bool TF_ASM::ImportObjectSymbol(TLineRecord& line) {
  const std::string name(line.Text);
  for (int i = 1; i <= globalImport_.Count(); ++i) {
    TAsmSymbol* g = globalImport_.GetItem(i);
    if (g->Name != name) continue;
    const bool fixed = g->Kind == 'C' || g->Kind == 'D' || g->Kind == 'c' || g->Kind == 'd';
    if (!fixed) g->Aux = objectBase_;
    if (passSymbols_.FindSymbol(name)) {
      PassError(&line, AsmErrDuplicate, false, name);
    } else if (fixed && !firstPassDone_ &&
               finalSymbols_.AddSymbol(g->Name, g->Text, g->Value, g->Kind, g->Aux) == 1) {
      PassError(&line, AsmErrOutOfMemory, true, nullptr);
    }
  }
  return !abortFlag_;
}

// The first instruction after a macro call that opened an expansion gets a
// record of its own, linked with the innermost open call.
void TF_ASM::OpenFirstInstructionRecord(TLineRecord& line) {
  ++macroRecordCounter_;
  line.MacroRecNo = static_cast<uint16_t>(macroRecordCounter_);
  line.ChildFile = line.FileIndex;
  line.ChildLine = static_cast<uint16_t>(line.LineNo);
  line.ChildRecNo = line.MacroRecNo;
  LinkToOpenCall(line);
  pendingCall_ = nullptr;
}

// The line's record is the child of the innermost open call, the call's
// record its parent.
void TF_ASM::LinkToOpenCall(TLineRecord& line) {
  TLineRecord& c = openCalls_.back()->Line;
  line.ParentFile = c.FileIndex;
  line.ParentLine = static_cast<uint16_t>(c.LineNo);
  line.ParentRecNo = c.MacroRecNo;
  c.ChildFile = line.FileIndex;
  c.ChildLine = static_cast<uint16_t>(line.LineNo);
  c.ChildRecNo = line.MacroRecNo;
}

// Every operand that evaluates is written in its canonical form.
void TF_ASM::RewriteOperands(TLineRecord& line) {
  for (int f = kFirstOperandField; f <= kFieldCount && HasField(line, f); ++f) {
    const std::string text = GetField(line, f);
    std::string t = text;
    int32_t v;
    if (EvaluateExpression(passSymbols_, t, v) && t != text) RewriteField(line, f, t);
  }
}

// The operands of an instruction in canonical form; false (reported) when
// one ends the line: a label-like operand, or a bank number out of range.
bool TF_ASM::RewriteInstructionOperands(TLineRecord& line) {
  const int kind = OpcodeOf(line)->Kind;
  for (int f = kFirstOperandField; f <= kFieldCount && HasField(line, f); ++f) {
    const std::string text = GetField(line, f);
    if (!text.empty() && text.back() == ':') {
      PassError(&line, AsmErrUndefined, false, text);
      return false;
    }
    if (kind == ik::TBLR) continue;
    int32_t v = 0;
    std::string t = text;
    if (kind == ik::LBSR && f == OperandField(1)) {
      // A number is the bank itself (0..15); a name stands for its address.
      if (ParseAsmNumber(text, v)) {
        if (v < 0 || v > kLastBank) {
          PassError(&line, AsmErrIllegalArgument, false, text);
          return false;
        }
        continue;
      }
      if (EvaluateExpression(passSymbols_, t, v)) {
        const int32_t bank = v / 256;
        if (bank < 0 || bank > kLastBank) {
          PassError(&line, AsmErrIllegalArgument, false, text);
          return false;
        }
        RewriteField(line, f, "0" + IntToHexPad(bank, 2) + "H");
      }
      continue;
    }
    if (EvaluateExpression(passSymbols_, t, v) && t != text) RewriteField(line, f, t);
  }
  return true;
}

bool TF_ASM::AssembleInstruction(PassLine& p) {
  TLineRecord& line = p.Line;
  // Object lines are read as numbers and EXTERN names: kept as read, so a
  // name stays a name when its word is built.
  if (!line.FromObject && !RewriteInstructionOperands(line)) return true;
  const TInstructionDescriptor* d = OpcodeOf(line);
  if (d->LongMove) line.LongMoveLine = 1;
  if (d->LongJump) line.LongJumpLine = 1;
  if (d->LongCall) line.LongCallLine = 1;
  if (d->LongTableLoad) line.LongTableLine = 1;
  if (d->LongPointerLoad) line.LongPointerLine = 1;
  if (!line.FromObject) {
    const int required = d->OperandCount + ((d->LongMove || d->LongPointerLoad) ? 1 : 0);
    const int minimum = d->OptionalLastOperand ? required - 1 : required;
    const int given = OperandCount(line);
    if (given < minimum) {
      if (p.Reporting) PassError(&line, AsmErrMissingArgument, false, nullptr);
      return true;
    }
    if (given > required) {
      PassError(&line, AsmErrTooManyArguments, false, nullptr);
      return true;
    }
  }
  uint16_t word = 0;
  bool unresolved = false;
  EncodeInstruction(line, true, word, unresolved);
  const int32_t a = EmitWord(line, word, p.Mode, line.SeqNo);
  if (a == kLineNoAddress) return true;
  line.Address = a;
  line.EmitAddress = a;
  line.SectionNo = sectionNo_;
  if (d->ShortBranch || d->RelativeBranch)
    fixups_.push_back(Fixup{a, d->ShortBranch, d->RelativeBranch});
  highestAddress_ = std::max(highestAddress_, a);
  const bool isLong = line.LongMoveLine || line.LongCallLine || line.LongJumpLine ||
                      line.LongTableLine || line.LongPointerLine;
  if (!firstPassDone_ && !line.FromObject && isLong) InsertSecondWord(p.Node, a);
  return true;
}

// The second word of a two-word instruction: a "NOPF" line after it that
// carries the operand (the next iteration of the pass assembles it). A long
// CALL or JMP is a candidate for call shortening.
void TF_ASM::InsertSecondWord(TAsmLineList::Node* node, int32_t address) {
  const TLineRecord& line = node->Line;
  const bool callOrJump = line.LongCallLine || line.LongJumpLine;
  if (callOrJump) callSites_.push_back(address);
  const bool nextIsNopf = node->Next && OpcodeOf(node->Next->Line) &&
                          OpcodeOf(node->Next->Line)->Kind == ik::NOPF;
  if (callOrJump && nextIsNopf) return;
  std::string operand = GetField(line, OperandField(line.LongMoveLine ? 2 : 1));
  int32_t v;
  if (!EvalOperand(operand, v, false))
    forwardRefs_.AddSymbol(operand, operand, address, 'M', sectionNo_);
  TLineRecord second;
  std::string text = "NOPF    " + operand;
  if (text.size() > kWorkTextMax) text.resize(kWorkTextMax);
  // The listing shows 160 characters; the pass reads the whole operand.
  second.Text = text.substr(0, kLineTextMax);
  second.WorkText = std::move(text);
  second.FileIndex = line.FileIndex;
  second.LineNo = line.LineNo;
  second.FromMacro = line.FromMacro;
  second.Inserted = 1;
  SplitLine(second);
  second.SecondOfMove = line.LongMoveLine;
  second.SecondOfCall = line.LongCallLine;
  second.SecondOfJump = line.LongJumpLine;
  second.SecondOfPointer = line.LongPointerLine;
  second.SecondOfTable = line.LongTableLine;
  mainLines_.InsertAfter(node, std::move(second));
}

void TF_ASM::ReencodeLine(TLineRecord& line) {
  if (line.Address == kLineNoAddress) return;
  if (OpcodeOf(line)) {
    uint16_t word = 0;
    bool unresolved = false;
    EncodeInstruction(line, false, word, unresolved);
    // Branch operands are inserted by the fix-up sweep.
    image_[line.Address & (kImageCells - 1)].Word = word;
    return;
  }
  if (line.HasDirective && (line.Directive == DirDB || line.Directive == DirDW)) {
    const bool db = line.Directive == DirDB;
    const int n = OperandCount(line);
    int32_t addr = line.Address;
    for (int i = 0; i < n; i += db ? 2 : 1) {
      auto value = [&](int f) -> int32_t {
        if (!HasField(line, f)) return 0;
        int32_t v = 0;
        std::string text = GetField(line, f);
        if (!EvalOperand(text, v, true)) {
          std::string t = text, unknown;
          int32_t dummy;
          EvaluateExpression(passSymbols_, t, dummy, &unknown);
          PassError(&line, AsmErrUndefined, false, unknown.empty() ? text : unknown);
          return 0;
        }
        return v;
      };
      const int f = OperandField(1) + i;
      uint16_t w = db ? static_cast<uint16_t>(value(f) * 256 + value(f + 1))
                      : static_cast<uint16_t>(value(f));
      if (addr >= 0 && addr < kImageCells && image_[addr].LineSeq == line.SeqNo)
        image_[addr].Word = w;
      ++addr;
    }
  }
}

bool TF_ASM::FinishPass(int reporting) {
  (void)reporting;
  // GLOBAL declarations take their definitions.
  for (int i = 1; i <= globalDecl_.Count(); ++i) {
    TAsmSymbol* g = globalDecl_.GetItem(i);
    const TAsmSymbol* def = passSymbols_.FindSymbol(g->Name);
    if (!def) {
      PassError(nullptr, AsmErrUndefined, true, g->Name);
      return false;
    }
    g->Value = def->Value;
    g->Kind = def->Kind;
    g->Aux = def->Aux;
  }
  // Forward references: each line is encoded again once.
  std::unordered_set<int32_t> done;
  for (int i = 1; i <= forwardRefs_.Count(); ++i) {
    const TAsmSymbol* r = forwardRefs_.GetItem(i);
    if (r->Value < 0 || r->Value >= kImageCells) continue;
    const int32_t seq = image_[r->Value].LineSeq;
    TAsmLineList::Node* node = mainLines_.BySeq(seq);
    if (!node || !done.insert(seq).second) continue;
    ReencodeLine(node->Line);
  }
  // Unused memory above the program.
  if (options_.UnusedFillMode == 1) {
    for (uint32_t a = static_cast<uint32_t>(highestAddress_) + 1; a < romWords_; ++a)
      if (image_[a].LineSeq == 0) image_[a].Word = kUnprogrammedWord;
  }
  // Relative branches.
  for (const Fixup& f : fixups_) {
    if (f.Address < 0 || f.Address >= kImageCells) continue;
    TImageCell& cell = image_[f.Address];
    TAsmLineList::Node* node = mainLines_.BySeq(cell.LineSeq);
    if (!node) continue;
    TLineRecord& line = node->Line;
    const std::string target = GetField(line, OperandField(1));
    int32_t value = 0;
    if (!EvalOperand(target, value, true)) {
      PassError(&line, AsmErrUndefined, false, target);
      continue;
    }
    int32_t disp = value - f.Address - 1;
    if (line.FromObject && IsPlainNumber(target)) {
      // The object carries the displacement bits themselves (a name, an
      // EXTERN of the object, is a target like in source).
      disp = value;
      if (f.Short && disp >= 128 && disp < 256) disp -= 256;
      if (!f.Short && disp >= 1024 && disp < 2048) disp -= 2048;
    }
    const bool fits = f.Short ? (disp >= -128 && disp <= 127) : (disp >= -1024 && disp <= 1023);
    if (!fits) {
      PassError(&line, AsmErrOverRange, false, target + "     " + GetField(line, kFieldMnemonic));
      continue;
    }
    const TInstructionDescriptor* d = OpcodeOf(line);
    uint16_t bits = f.Short ? static_cast<uint16_t>(disp & 0xFF) : static_cast<uint16_t>(disp & 0x7FF);
    if (d) bits = TInstructionTable::Encode(*d, disp);  // its fixed bits are in the word already
    cell.Word = static_cast<uint16_t>(cell.Word | bits);
  }
  fixups_.clear();
  forwardRefs_.Clear();
  return !abortFlag_;
}

// ---------------------------------------------------------------------------
// Call shortening

// The calls shortened in one round, per section, by their addresses in the
// layout of the last pass (in increasing order once the round is done): a
// code label of the section moves down by the number of them below it.
struct TF_ASM::ShortenedCalls {
  std::unordered_map<int32_t, std::vector<int32_t>> BySection;
  int32_t MovedDown(int32_t section, int32_t value) const {
    auto it = BySection.find(section);
    if (it == BySection.end()) return 0;
    return static_cast<int32_t>(std::lower_bound(it->second.begin(), it->second.end(), value) -
                                it->second.begin());
  }
};

bool TF_ASM::CollectShortCalls(const std::vector<int32_t>& in, std::vector<int32_t>& out) {
  out.clear();
  int32_t c = 0;  // calls already shortened in this section
  int32_t section = -1;
  ShortenedCalls shortened;
  for (int32_t addr : in) {
    TAsmLineList::Node* node = ShorteningCandidate(addr);
    if (!node) continue;
    TLineRecord& line = node->Line;
    int32_t target = 0;
    if (!ShortCallTarget(line, shortened, target)) continue;
    if (line.SectionNo != section) {
      section = line.SectionNo;
      c = 0;
    }
    int32_t d = target - line.Address;
    d = d < 0 ? d - c : d + c;
    if (d > 1022 || d < -1023) {
      out.push_back(addr - c);
      continue;
    }
    ShortenCall(node);
    ++c;
    shortened.BySection[section].push_back(line.Address);
  }
  for (auto& entry : shortened.BySection) std::sort(entry.second.begin(), entry.second.end());
  for (int i = 1; i <= passSymbols_.Count(); ++i) {
    TAsmSymbol* s = passSymbols_.GetItem(i);
    if (s->Kind == 'L' || s->Kind == 'l') s->Value -= shortened.MovedDown(s->Aux, s->Value);
  }
  return true;
}

// The line of a call site that may become one word: a CALL with one operand
// or a JMP; null otherwise.
TAsmLineList::Node* TF_ASM::ShorteningCandidate(int32_t address) const {
  if (address < 0 || address >= kImageCells) return nullptr;
  TAsmLineList::Node* node = mainLines_.BySeq(image_[address].LineSeq);
  if (!node || !OpcodeOf(node->Line)) return nullptr;
  const int kind = OpcodeOf(node->Line)->Kind;
  const bool isCall = kind == ik::CALL && OperandCount(node->Line) == 1;
  return isCall || kind == ik::JMP ? node : nullptr;
}

// The target of a call site in the layout of this round: its code labels
// moved down by the calls already shortened below them. False when the site
// stays as it is: an EXTERN target, or an unknown one (reported).
bool TF_ASM::ShortCallTarget(TLineRecord& line, const ShortenedCalls& shortened, int32_t& target) {
  const std::string targetText = GetField(line, OperandField(1));
  std::string t = targetText;
  if (EvaluateExpression(passSymbols_, t, target)) {
    target -= LabelShift(targetText, shortened);
    return true;
  }
  // A call to an EXTERN name stays long: its target is not known here.
  if (options_.AssembleOnly == 1 && ExternNumberIn(targetText)) return false;
  if (!EvalOperand(targetText, target, true)) {
    PassError(&line, AsmErrUndefined, false, targetText);
    return false;
  }
  return true;
}

// How far the code labels of a target expression moved down in this round:
// each label term with its sign (a LOW, HIGH or UP target is left as it is).
int32_t TF_ASM::LabelShift(const std::string& text, const ShortenedCalls& shortened) const {
  int32_t shift = 0;
  int32_t sign = 1;
  size_t pos = 0, len = 0;
  while (ScanOperandToken(text, pos, len)) {
    const std::string_view tok = std::string_view(text).substr(pos, len);
    pos += len;
    if (tok == "+" || tok == "-") {
      sign = tok == "+" ? 1 : -1;
      continue;
    }
    if (tok == "LOW" || tok == "HIGH" || tok == "UP") return 0;
    const TAsmSymbol* s = passSymbols_.FindSymbol(tok);
    if (s && (s->Kind == 'L' || s->Kind == 'l'))
      shift += sign * shortened.MovedDown(s->Aux, s->Value);
  }
  return shift;
}

// A CALL becomes RCALL and a JMP RJ; its NOPF word goes.
void TF_ASM::ShortenCall(TAsmLineList::Node* node) {
  TLineRecord& line = node->Line;
  const bool isCall = OpcodeOf(line)->Kind == ik::CALL;
  RewriteField(line, kFieldMnemonic, isCall ? "RCALL" : "RJ");
  SplitLine(line);
  line.LongCallLine = line.LongJumpLine = 0;
  TAsmLineList::Node* next = node->Next;
  if (next && (next->Line.SecondOfCall || next->Line.SecondOfJump)) mainLines_.Erase(next);
}

bool TF_ASM::OptimizeCalls() {
  std::vector<int32_t> left;
  CollectShortCalls(callSites_, left);
  ResetImageForPass();
  passErrorMode_ = options_.COptimization ? 2 : 3;
  if (!AssemblePass(0, options_.COptimization ? 1 : 0)) return false;
  if (!options_.COptimization) return true;
  for (;;) {
    const size_t a = left.size();
    std::vector<int32_t> now;
    CollectShortCalls(left, now);
    const size_t b = now.size();
    left.swap(now);
    ResetImageForPass();
    passErrorMode_ = (a == b) ? 3 : 2;
    if (!AssemblePass(0, a != b ? 1 : 0)) return false;
    if (a == b) return true;
  }
}

}  // namespace kyvor
