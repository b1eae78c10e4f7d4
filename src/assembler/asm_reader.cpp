// Source reader and preprocessor: files and includes, macro definitions,
// DEFINE and IF/ELSE/ENDIF, and macro expansion.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "assembler/asm_expr.h"
#include "assembler/assembler.h"
#include "base/numbers.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"

namespace kyvor {

namespace fs = std::filesystem;

namespace {

std::string UpperKey(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

bool ReadWholeFile(const std::string& path, std::string& data) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;  // a folder is no source file
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  data.clear();
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size > 0 && size < (1L << 30)) data.reserve(static_cast<size_t>(size));
    std::fseek(f, 0, SEEK_SET);
  }
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  std::fclose(f);
  return true;
}

// True when a line as read is longer than a line record and the part that
// is cut off holds code (the record's part has no comment and something
// other than blanks follows it).
bool CodeBeyondRecord(std::string_view raw) {
  if (raw.size() <= kLineTextMax) return false;
  if (raw.substr(0, kLineTextMax).find(';') != std::string_view::npos) return false;
  return raw.find_first_not_of(" \t", kLineTextMax) != std::string_view::npos;
}

bool IsObjectName(const std::string& name) {
  size_t dot = name.find('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  return ext.size() == 3 && UpperKey(ext) == "OBJ";
}

}  // namespace

// ---------------------------------------------------------------------------
// Instruction lookup

void TF_ASM::BuildInstructionIndex() {
  instrIndex_.clear();
  opcodeByKind_.fill(nullptr);
  for (const TInstructionDescriptor& d : target_.instructionTable().Descriptors()) {
    instrIndex_.emplace(d.Mnemonic, &d);
    instrIndex_.emplace(d.Alias, &d);
    if (!opcodeByKind_[d.Kind]) opcodeByKind_[d.Kind] = &d;
  }
  classifier_.InstructionIndex = [this](std::string_view w) { return InstructionIndex(w); };
  classifier_.DirectiveCode = [](std::string_view w) -> uint8_t { return DirectiveOf(w); };
  classifier_.IsMacroName = [this](std::string_view w) { return IsMacroName(w); };
}

const TInstructionDescriptor* TF_ASM::FindInstruction(std::string_view word) const {
  if (word.empty()) return nullptr;
  auto it = instrIndex_.find(word);
  return it == instrIndex_.end() ? nullptr : it->second;
}

int32_t TF_ASM::InstructionIndex(std::string_view word) const {
  const TInstructionDescriptor* d = FindInstruction(word);
  return d ? d->Kind : -1;
}

bool TF_ASM::IsMacroName(std::string_view word) const {
  if (macros_.empty()) return false;
  return macroByName_.find(word.substr(0, kMacroNameMax)) != macroByName_.end();
}

// ---------------------------------------------------------------------------
// Reading files

std::string TF_ASM::ResolveIncludePath(const std::string& name) const {
  std::string rel = name;
  std::replace(rel.begin(), rel.end(), '\\', '/');
  std::string direct = mainFolder_ + rel;
  std::error_code ec;
  if (fs::exists(direct, ec)) return direct;
  // Names are upper-cased by the reader: find each part ignoring case.
  fs::path base = mainFolder_.empty() ? fs::path(".") : fs::path(mainFolder_);
  fs::path result = mainFolder_.empty() ? fs::path() : fs::path(mainFolder_);
  fs::path relPath(rel);
  for (const fs::path& part : relPath) {
    std::string want = UpperKey(part.string());
    if (want.empty() || want == ".") continue;
    bool found = false;
    if (fs::is_directory(base, ec)) {
      for (const auto& entry : fs::directory_iterator(base, ec)) {
        if (UpperKey(entry.path().filename().string()) == want) {
          base = entry.path();
          result /= entry.path().filename();
          found = true;
          break;
        }
      }
    }
    if (!found) return direct;
  }
  return result.string();
}

bool TF_ASM::ReadMainSource() {
  objectBase_ = 0;
  condition_.Active = 0;
  std::string path = OutputFileName(OutMainFile);
  mainFolder_.clear();
  MainFileDir(mainFolder_);
  return ReadSourceFile(path, false);
}

bool TF_ASM::ReadSourceFile(const std::string& path, bool objectFile) {
  Step();
  std::string data;
  if (!ReadWholeFile(path, data) && !ReadWholeFile(path, data)) {
    ReportAsmError(nullptr, AsmErrOpenSource, true, path);
    return false;
  }
  if (sourceFiles_.size() >= 255) {
    ReportAsmError(nullptr, AsmErrOutOfMemory, true, path);
    return false;
  }
  const uint8_t fileIndex = static_cast<uint8_t>(sourceFiles_.size());
  sourceFiles_.push_back(path);
  sourceIsObject_.push_back(objectFile ? 1 : 0);
  const int pages = static_cast<int>(std::count(sourceIsObject_.begin(), sourceIsObject_.end(), 0));
  pageOfFile_.push_back(objectFile ? fileIndex : pages - 1);
  std::error_code ec;
  fs::path canon = fs::weakly_canonical(fs::path(path), ec);
  openedFiles_.push_back(UpperKey(ec ? path : canon.string()));
  if (objectFile) return ReadObjectFile(data, fileIndex);
  return ReadTextLines(std::move(data), fileIndex);
}

bool TF_ASM::ReadTextLines(std::string&& contents, uint8_t fileIndex) {
  // Letters become upper case (ASCII only; the second byte of a Big5
  // character is left as it is). The text stays for the whole run: the
  // line records borrow their texts from it.
  std::string& data = textStore_.emplace_back(std::move(contents));
  {
    const size_t n = data.size();
    for (size_t i = 0; i < n; ++i) {
      const unsigned char c = static_cast<unsigned char>(data[i]);
      if (c >= 'a' && c <= 'z') {
        data[i] = static_cast<char>(c - 32);
      } else if (c >= 0x81 && c <= 0xFE && i + 1 < n && data[i + 1] != '\n' &&
                 data[i + 1] != '\r') {
        ++i;
      }
    }
  }
  const std::string_view all(data);
  size_t pos = 0;
  int32_t lineNo = 0;
  const size_t n = data.size();
  while (pos < n && !endSeen_) {
    size_t eol = data.find('\n', pos);
    size_t next = eol == std::string::npos ? n : eol + 1;
    size_t end = eol == std::string::npos ? n : eol;
    if (end > pos && data[end - 1] == '\r') --end;
    ++lineNo;
    const size_t rawLen = end - pos;
    if (rawLen == 0) {
      pos = next;
      continue;
    }
    const std::string_view raw = all.substr(pos, rawLen);
    TLineRecord line;
    line.WorkText = TLineText::Borrow(raw.substr(0, kLineTextMax));
    pos = next;
    line.FileIndex = fileIndex;
    line.LineNo = lineNo;
    if ((lineNo & 63) == 0) Step();
    SplitLine(line);
    // A line record holds 160 characters: code beyond them would be lost.
    if (CodeBeyondRecord(raw)) {
      ReportAsmError(&line, AsmErrTooManyArguments, false, nullptr);
      reportedTooLong_.insert(SourcePlace(line));
    }
    const DirectiveRow& row = DirectiveRowOf(line.HasDirective ? line.Directive : 0);
    if (!(row.Read ? (this->*row.Read)(line) : StoreLine(std::move(line)))) return false;
  }
  return true;
}

bool TF_ASM::OpenMacroDefinition(TLineRecord& line) {
  if (definingMacro_) {
    ReportAsmError(&line, AsmErrIllegalMacro, false, std::string(line.Text));
    return false;
  }
  // A call names a macro by at most 64 characters: the name is known by
  // them, so a longer one can still be called.
  std::string name = GetField(line, kFieldLabel);
  if (name.size() > kMacroNameMax) name.resize(kMacroNameMax);
  if (name.empty()) {
    ReportAsmError(&line, AsmErrIllegalMacro, false, std::string(line.Text));
    return false;
  }
  definingMacro_ = 1;
  Macro m;
  m.Name = name;
  m.Number = macros_.empty() ? 0 : macros_.back().Number + 1;
  macroByName_.emplace(name, static_cast<int>(macros_.size()));
  macros_.push_back(std::move(m));
  return StoreLine(std::move(line));
}

bool TF_ASM::CloseMacroDefinition(TLineRecord& line) {
  if (!definingMacro_) {
    ReportAsmError(&line, AsmErrIllegalMacro, false, std::string("ENDM"));
    return false;
  }
  macros_.back().Body.push_back(std::move(line));
  definingMacro_ = 0;
  return true;
}

// DEFINE NAME, number: a name for the conditions of IF.
bool TF_ASM::DefineConditionName(TLineRecord& line) {
  int32_t v = 0;
  const std::string f5 = GetField(line, OperandField(2));
  if (!ParseAsmNumber(f5, v)) {
    ReportAsmError(&line, AsmErrMissingArgument, false, f5);
    return false;
  }
  const std::string name = GetField(line, OperandField(1));
  if (defineTable_.AddSymbol(name, name, v, 'V', 0) == 1) {
    ReportAsmError(&line, AsmErrOutOfMemory, true, name);
    return false;
  }
  return true;
}

bool TF_ASM::EndSource(TLineRecord& line) {
  (void)line;
  endSeen_ = 1;
  return true;
}

bool TF_ASM::EvaluateCondition(const TLineRecord& line, bool& result) {
  const int n = OperandCount(line);
  if (n == 1) {
    std::string op = GetField(line, OperandField(1));
    if (op == "FALSE") {
      result = false;
      return true;
    }
    const TAsmSymbol* s = defineTable_.FindSymbol(op);
    if (!s) {
      ReportAsmError(&line, AsmErrUndefined, false, op);
      return false;
    }
    result = s->Value > 0;
    return true;
  }
  if (n == 2) {
    std::string a = GetField(line, OperandField(1)), b = GetField(line, OperandField(2));
    const TAsmSymbol* sa = defineTable_.FindSymbol(a);
    if (!sa) {
      ReportAsmError(&line, AsmErrUndefined, false, a);
      return false;
    }
    const TAsmSymbol* sb = defineTable_.FindSymbol(b);
    if (!sb) {
      ReportAsmError(&line, AsmErrUndefined, false, b);
      return false;
    }
    result = sa->Value == sb->Value;
    return true;
  }
  ReportAsmError(&line, AsmErrMissingArgument, false, std::string(line.Text));
  return false;
}

bool TF_ASM::IsConditionLine(const TLineRecord& line) {
  return line.HasDirective &&
         (line.Directive == DirIF || line.Directive == DirELSE || line.Directive == DirENDIF);
}

bool TF_ASM::ApplyCondition(const TLineRecord& line, TConditionState& state) {
  switch (line.Directive) {
    case DirIF: {
      bool cond = false;
      if (!EvaluateCondition(line, cond)) return false;
      state.Active = 1;
      state.True = cond ? 1 : 0;
      state.Else = 0;
      return true;
    }
    case DirELSE:
      state.Else = state.True ? 0 : 1;
      state.True = 0;
      return true;
    default:  // ENDIF
      state = TConditionState{};
      return true;
  }
}

bool TF_ASM::StoreLine(TLineRecord&& line) {
  if (definingMacro_) {
    macros_.back().Body.push_back(std::move(line));
    return true;
  }
  if (IsConditionLine(line)) return ApplyCondition(line, condition_);
  if (condition_.Keeps()) mainLines_.Append(std::move(line));
  return true;
}

bool TF_ASM::HandleInclude(TLineRecord& line) {
  const std::string name = GetField(line, OperandField(1));
  const TChipConfig& chip = Chip();
  for (int i = 0; i < chip.RestrictCount && i < kRestrictCapacity; ++i) {
    if (!chip.RestrictList[i].empty() && chip.RestrictList[i] == name) {
      ReportAsmError(&line, AsmErrIllegalFile, false, name);
      return false;
    }
  }
  const bool objectFile = IsObjectName(name);
  std::string path = ResolveIncludePath(name);
  std::error_code ec;
  fs::path canon = fs::weakly_canonical(fs::path(path), ec);
  std::string key = UpperKey(ec ? path : canon.string());
  if (std::find(openedFiles_.begin(), openedFiles_.end(), key) != openedFiles_.end()) {
    ReportAsmError(&line, AsmErrCircularFile, false, path);
    return false;
  }
  if (condition_.Keeps()) return ReadSourceFile(path, objectFile);
  return true;
}

// ---------------------------------------------------------------------------
// Macro expansion

std::string TF_ASM::NewLocalLabel() {
  return "Lab@" + std::to_string(localLabelCounter_++);
}

bool TF_ASM::ExpandAllMacros() {
  Step();
  if (macros_.empty()) return true;
  if (definingMacro_) {
    // A MACRO without its ENDM: the rest of the source went into its body.
    const Macro& m = macros_.back();
    ReportAsmError(&m.Body.front(), AsmErrIllegalMacro, true, std::string("ENDM"));
    return false;
  }
  // Body lines are classified again now that every macro is known, so a
  // body may call a macro defined after it.
  for (Macro& m : macros_)
    for (size_t i = 1; i < m.Body.size(); ++i) SplitLine(m.Body[i]);
  std::vector<int> active;
  for (TAsmLineList::Node* n = mainLines_.First(); n; n = n->Next) {
    if (!n->Line.IsMacroCall) continue;
    TAsmLineList::Node* at = n;
    if (!ExpandCall(at, n->Line, active)) return false;
    n = at;
  }
  return true;
}

bool TF_ASM::ExpandCall(TAsmLineList::Node*& at, const TLineRecord& call,
                        std::vector<int>& active) {
  int macro = 0;
  if (!FindCalledMacro(call, active, macro)) return false;
  const Macro& m = macros_[macro];
  TAsmSymbols table;
  table.SetTextLimit(kWorkTextMax);  // an argument is never cut
  if (!BindParameters(call, m.Body.front(), table) || !NameLocalLabels(m, table)) return false;
  active.push_back(macro);
  if (!InsertExpansion(at, m, table, active)) return false;
  active.pop_back();
  return true;
}

// The macro a call line names, when it can be expanded there: defined, not
// being expanded already (a macro calling itself), with as many operands as
// parameters, and not nested beyond the limit.
bool TF_ASM::FindCalledMacro(const TLineRecord& call, const std::vector<int>& active, int& macro) {
  std::string name = GetField(call, kFieldMnemonic);
  if (name.size() > kMacroNameMax) name.resize(kMacroNameMax);
  auto it = macroByName_.find(name);
  if (it == macroByName_.end()) {
    ReportAsmError(&call, AsmErrUndefined, false, name);
    return false;
  }
  macro = it->second;
  if (std::find(active.begin(), active.end(), macro) != active.end()) {
    ReportAsmError(&call, AsmErrCircularMacro, false, name);
    return false;
  }
  const int a = OperandCount(call);
  const int b = OperandCount(macros_[macro].Body.front());
  if (b < a) {
    ReportAsmError(&call, AsmErrTooManyArguments, false, nullptr);
    return false;
  }
  if (a < b) {
    ReportAsmError(&call, AsmErrMissingArgument, false, nullptr);
    return false;
  }
  if (active.size() >= 256) {
    ReportAsmError(&call, AsmErrMacroTooDeep, false, std::string(call.Text));
    return false;
  }
  return true;
}

// Adds a replacement of a macro body (a parameter, a local label or a LOCAL
// name) to its table; a full table or a name given twice is reported on the
// line.
bool TF_ASM::AddReplacement(TAsmSymbols& table, const TLineRecord& line, const std::string& name,
                            const std::string& text) {
  const int r = table.AddSymbol(name, text, 0, 'C', 0);
  if (r == 1) ReportAsmError(&line, AsmErrOutOfMemory, true, nullptr);
  if (r == 2) ReportAsmError(&line, AsmErrDuplicate, false, name);
  return r == 0;
}

// Each parameter of the MACRO line stands for the call's operand in its place.
bool TF_ASM::BindParameters(const TLineRecord& call, const TLineRecord& head, TAsmSymbols& table) {
  for (int i = 1; i <= OperandCount(call); ++i)
    if (!AddReplacement(table, head, GetField(head, OperandField(i)),
                        GetField(call, OperandField(i))))
      return false;
  return true;
}

// Code labels of the body are local to each expansion: each gets a new name.
bool TF_ASM::NameLocalLabels(const Macro& m, TAsmSymbols& table) {
  for (size_t i = 1; i < m.Body.size(); ++i) {
    const TLineRecord& bl = m.Body[i];
    if (!bl.HasLabel) continue;
    if (bl.HasDirective &&
        (bl.Directive == DirEQU || bl.Directive == DirSET || bl.Directive == DirLOCAL))
      continue;
    std::string label = GetField(bl, kFieldLabel);
    if (label.size() < 2 || label.back() != ':') {
      ReportAsmError(&bl, AsmErrIllegalSymbol, false, label);
      return false;
    }
    label.pop_back();
    if (!AddReplacement(table, bl, label, NewLocalLabel())) return false;
  }
  return true;
}

// The body's lines after the MACRO line, up to its ENDM, inserted after the
// call as copies with the replacements made, under the body's own IF, ELSE
// and ENDIF; a nested call is expanded where it stands.
bool TF_ASM::InsertExpansion(TAsmLineList::Node*& at, const Macro& m, TAsmSymbols& table,
                             std::vector<int>& active) {
  TConditionState condition;
  for (size_t i = 1; i < m.Body.size(); ++i) {
    const TLineRecord& bl = m.Body[i];
    if (IsConditionLine(bl)) {
      if (!ApplyCondition(bl, condition)) return false;
      continue;
    }
    if (!condition.Keeps()) continue;
    TLineRecord copy = bl;
    copy.FromMacro = 1;
    if (!ReplaceInBodyLine(copy, table)) return false;
    const bool nested = copy.IsMacroCall;
    at = mainLines_.InsertAfter(at, std::move(copy));
    if (nested) {
      TLineRecord callCopy = at->Line;
      if (!ExpandCall(at, callCopy, active)) return false;
    }
  }
  return true;
}

// One copied body line: a LOCAL line adds its name, the label takes its
// replacement, and every operand of an instruction, directive or macro call
// has its names replaced.
bool TF_ASM::ReplaceInBodyLine(TLineRecord& copy, TAsmSymbols& table) {
  if (copy.HasDirective && copy.Directive == DirLOCAL) {
    const int n = OperandCount(copy);
    if (n > 1) {
      ReportAsmError(&copy, AsmErrTooManyArguments, false, nullptr);
      return false;
    }
    if (n == 0) {
      ReportAsmError(&copy, AsmErrMissingArgument, false, nullptr);
      return false;
    }
    if (!AddReplacement(table, copy, GetField(copy, kFieldLabel), GetField(copy, OperandField(1))))
      return false;
  }
  if (copy.HasLabel) {
    std::string label = GetField(copy, kFieldLabel);
    const bool colon = !label.empty() && label.back() == ':';
    if (colon) label.pop_back();
    const TAsmSymbol* s = table.FindSymbol(label);
    // EQU and SET names are not local to an expansion: unless LOCAL
    // renamed them, they stay as written.
    const bool constant =
        copy.HasDirective && (copy.Directive == DirEQU || copy.Directive == DirSET);
    if (!s && !constant) {
      ReportAsmError(&copy, AsmErrUndefined, false, label);
      return false;
    }
    if (s) RewriteField(copy, kFieldLabel, colon ? s->Text + ":" : s->Text);
  }
  if (OpcodeOf(copy) || copy.HasDirective || copy.IsMacroCall) {
    for (int f = kFirstOperandField; f <= kFieldCount && HasField(copy, f); ++f) {
      std::string op = GetField(copy, f);
      std::string sub = SubstituteNames(table, op);
      // Whole arguments may make the line longer than the source line.
      if (sub != op) RewriteField(copy, f, sub);
    }
  }
  return true;
}

}  // namespace kyvor
