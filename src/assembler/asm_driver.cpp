// The assembler driver: the run, the error report, the transfer of the
// program into the CPU model with the strict checks, the information block
// and the hand-off to the debugger side.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "assembler/asm_expr.h"
#include "assembler/assembler.h"
#include "base/numbers.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"

namespace kyvor {

std::string AsmErrorMessage(int code, uint32_t romWords) {
  switch (code) {
    case 0: return "Unknown error.";
    case 1: return "Couldn't open source file";
    case 2: return "Couldn't open file";
    case 4: return "Duplicate label or redefining symbol";
    case 5: return "Undefined Symbol";
    case 6: return "Out of memory...";
    case 8: return "Illegal Symbol";
    case 9: return "Illegal argument";
    case 10: return "Overwriting previous address contents.";
    case 11: return "Addresses above " + std::to_string(romWords / 1024) + "K not supported.";
    case 13: return "Missing argument...";
    case 14: return "Too many arguments...";
    case 16: return "Illegal Macro...";
    case 19: return "Macro nested too deep...(Max:32)";
    case 20: return "Circular file reference...";
    case 21: return "Circular macro reference...";
    case 23: return "Over Range";
    case 24: return "illegally Memory or Registor";
    case 25: return "illegally  Bit";
    case 26: return "Memory Over";
    case 52: return "In KYM06 , PCLATL can not be use before 0040h";
    case 53: return "Illegal file";
    default: return "";
  }
}

TF_ASM::TF_ASM(IAsmHost& host, IAsmTarget& target, const TAsmOptions& options)
    : host_(host), target_(target), options_(options), image_(new TImageCell[kImageCells]) {
  // Replacement texts of the pass are operand texts: they are kept whole, so
  // a long EQU expression is never cut when it replaces its name (an
  // expression of EQU names can be longer than any source line).
  passSymbols_.SetTextLimit(kWorkTextMax);
  romWords_ = std::min<uint32_t>(static_cast<uint32_t>(ProgramMemoryPages()) * 256u,
                                 static_cast<uint32_t>(kImageCells));
  ApplyFill();
}

TF_ASM::~TF_ASM() { CloseErrorFile(); }

void TF_ASM::OpenErrorFile() {
  if (errorFileOpen_) return;
  const std::string path = OutputFileName(OutErrorFile);
  if (path.empty()) return;
  errorFile_.open(path, std::ios::binary | std::ios::trunc);
  errorFileOpen_ = errorFile_.is_open();
}

void TF_ASM::CloseErrorFile() {
  if (errorFileOpen_) errorFile_.close();
  errorFileOpen_ = false;
}

void TF_ASM::ReportAsmError(const TLineRecord* line, int code, bool fatal,
                            const std::string* extra) {
  std::string text = AsmErrorMessage(code, romWords_);
  if (extra) text = text + " [" + *extra + "]";
  if (line) {
    std::string path;
    if (line->FileIndex < sourceFiles_.size()) path = sourceFiles_[line->FileIndex];
    char num[32];
    std::string full;
    if (line->LineNo != 0) {
      std::snprintf(num, sizeof num, "%d", static_cast<int>(line->LineNo));
      full = "Error(code:" + std::to_string(code) + ")   " + path + " " + num + ": " + text;
    } else {
      full = "Error(code:" + std::to_string(code) + ")   " + path + " : " + text;
    }
    text = full;
    host_.addError(path, line->LineNo, text);
  } else {
    host_.addError(sourceFiles_.empty() ? std::string() : sourceFiles_.back(), 0, text);
  }
  errorTexts_.push_back(text);
  OpenErrorFile();
  if (errorFileOpen_) {
    errorFile_ << text << "\r\n";
    errorFile_.flush();
  }
  if (errorCount_ == 0) host_.showErrorView();
  ++errorCount_;
  if (fatal) abortFlag_ = 1;
}

void TF_ASM::PassError(const TLineRecord* line, int code, bool fatal, const std::string* extra) {
  const bool layout = code == AsmErrOverwrite || code == AsmErrAddressRange || code == AsmErrOverRange;
  bool report = true;
  switch (passErrorMode_) {
    case 1: report = !layout || fatal; break;
    case 2: report = fatal; break;
    case 3: report = layout || fatal; break;
    default: break;
  }
  if (report) ReportAsmError(line, code, fatal, extra);
  else if (fatal) abortFlag_ = 1;
}

void TF_ASM::ResetAssembler() {
  mainLines_.Clear();
  errorTexts_.clear();
  sourceFiles_.clear();
  sourceIsObject_.clear();
  pageOfFile_.clear();
  openedFiles_.clear();
  finalSymbols_.Clear();
  macros_.clear();
  macroByName_.clear();
  reportedTooLong_.clear();
  partOnlyLines_.clear();
  loadAddressOf_.clear();
  textStore_.clear();
  CloseErrorFile();
  // The ".err" file always belongs to the last build: one from an earlier
  // failed build goes; this build writes its own on its first error.
  const std::string errorFile = OutputFileName(OutErrorFile);
  std::error_code ec;
  if (!errorFile.empty()) std::filesystem::remove(errorFile, ec);
  abortFlag_ = 0;
  endSeen_ = 0;
  definingMacro_ = 0;
  condition_ = TConditionState{};
  localLabelCounter_ = 0;
  errorCount_ = 0;
  ClearProgramImage();
  host_.clearErrors();
  host_.clearAddrMacroIndex();
}

uint8_t TF_ASM::Assemble() {
  assembledWordCount_ = 0;
  wordCountFrozen_ = 0;
  eepromCount_ = 0;
  eepromAddr_.clear();
  eepromFile_.clear();
  eepromLine_.clear();
  romWords_ = std::min<uint32_t>(static_cast<uint32_t>(ProgramMemoryPages()) * 256u,
                                 static_cast<uint32_t>(kImageCells));
  ResetAssembler();
  globalDecl_.Clear();
  globalImport_.Clear();
  externTable_.Clear();
  externNumbers_.Clear();
  defineTable_.Clear();
  passSymbols_.Clear();
  passErrorMode_ = 0;
  BuildInstructionIndex();

  if (!ReadMainSource() || !ExpandAllMacros() || !FirstPass()) return FailRun(false);
  if (Chip().CoreVariant == kCoreK08A && options_.SmartCompiler == 1) {
    passErrorMode_ = 2;
    OptimizeCalls();
  }
  passErrorMode_ = 0;
  callSites_.clear();

  TransferAndCheck();
  BuildInfoBlock();

  if (options_.OutListFile == 1) WriteListing();
  WriteSymbolMap();
  const bool imagesWritten = errorCount_ == 0;
  if (imagesWritten) {
    if (options_.OutAsciiFile == 1) WriteAsciiDump();
    if (options_.OutBinaryFile == 1) WriteBinaryImage();
    if (options_.OutBinarySplitFile == 1) WriteObjectFile();
    if (options_.RomEmulationType == 1) WriteEehImage();
  }
  if (errorCount_ != 0) return FailRun(imagesWritten);
  host_.showChecksum("Checksum = 0x" + IntToHexPad(codeChecksum_, 4));
  const bool ok = HandOff();
  CloseErrorFile();
  return ok ? 1 : 0;
}

uint8_t TF_ASM::FailRun(bool imagesWritten) {
  RemoveEarlierImages(imagesWritten);
  host_.showChecksum(std::string());
  CloseErrorFile();
  return 0;
}

void TF_ASM::RemoveEarlierImages(bool imagesWritten) {
  const struct {
    TOutputFileKind Kind;
    bool Chosen;
    bool EvenUnchosen;
  } images[] = {
      {OutBinaryFile, options_.OutBinaryFile == 1, true},
      {OutAsciiFile, options_.OutAsciiFile == 1, true},
      {OutObjectFile, options_.OutBinarySplitFile == 1, false},
      {OutEehFile, options_.RomEmulationType == 1, false},
  };
  for (const auto& image : images) {
    if (!image.Chosen && !image.EvenUnchosen) continue;
    if (image.Chosen && imagesWritten) continue;  // this run's own
    const std::string path = OutputFileName(image.Kind);
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove(path, ec);
  }
}

// ---------------------------------------------------------------------------
// Transfer and strict checks

void TF_ASM::TransferAndCheck() {
  codeChecksum_ = 0;
  const bool strict = options_.AssembleOnly == 0;
  for (uint32_t a = 0; a < romWords_; ++a) {
    const TImageCell& cell = image_[a];
    const TAsmLineList::Node* node = cell.LineSeq ? mainLines_.BySeq(cell.LineSeq) : nullptr;
    int lineNo = 0, fileIndex = 0;
    if (node) {
      lineNo = node->Line.LineNo;
      fileIndex = node->Line.FileIndex;
    }
    target_.storeProgramWord(static_cast<int>(a), cell.Word, lineNo,
                             node ? PageIndexOf(node->Line.FileIndex) : fileIndex);
    codeChecksum_ = ImageCrc16Word(cell.Word, codeChecksum_);
    if (strict && node && !(node->Line.HasDirective && (node->Line.Directive == DirDW ||
                                                        node->Line.Directive == DirDB)))
      CheckWord(static_cast<int>(a), cell.Word, node->Line);
  }
  target_.setCodeChecksum(codeChecksum_);
  target_.setEepromSites(eepromAddr_, eepromFile_, eepromLine_, eepromCount_);

  // On chip 113 with the K08B core, PCLATL may not be written before 0040h
  // (checked by Assemble & Debug only, like the register checks).
  const TChipConfig& chip = Chip();
  if (strict && chip.ChipId == 113 && chip.CoreVariant == kCoreK08B) {
    const TInstructionTable& table = target_.instructionTable();
    for (uint32_t a = 0; a <= 64 && a < romWords_; ++a) {
      uint8_t kind, noReg;
      int count, op1, op2, op3;
      if (!table.DecodeInstruction(image_[a].Word, kind, noReg, count, op1, op2, op3)) continue;
      if (count == 3 && op2 == 1 && op1 == 0x1B && op3 == 0) {
        const TAsmLineList::Node* node = mainLines_.BySeq(image_[a].LineSeq);
        ReportAsmError(node ? &node->Line : nullptr, AsmErrPclatl, false, nullptr);
        break;
      }
    }
  }
}

void TF_ASM::CheckWord(int address, uint16_t word, const TLineRecord& line) {
  const TInstructionTable& table = target_.instructionTable();
  uint8_t kind, noReg;
  int count, op1, op2, op3;
  if (!table.DecodeInstruction(word, kind, noReg, count, op1, op2, op3)) return;
  const TChipConfig& chip = Chip();
  const bool regAD = kind == 1 || kind == 32 || kind == 37 || (kind >= 54 && kind <= 57);
  const bool regABD = (kind >= 2 && kind <= 17) || (kind >= 39 && kind <= 41) || kind == 46 ||
                      kind == 47 || kind == 52 || kind == 53;
  const bool bitKind = (kind >= 33 && kind <= 36) || kind == 64;
  if (externTable_.Count() > 0 && (regAD || regABD || bitKind)) {
    const int last = OperandField(count == 3 ? 3 : 2);
    for (int f = kFirstOperandField; f <= last; ++f)
      if (HasField(line, f) && externTable_.FindReplacementName(GetField(line, f))) return;
  }
  auto mapAt = [&](int32_t a) -> uint8_t {
    return (a >= 0 && a < kDataMemorySize) ? chip.DataMemoryMap[a] : 0;
  };
  if (regAD || regABD || bitKind) {
    const int d = regAD ? op2 : op3;
    std::string text = GetField(line, OperandField(1));
    int32_t addr = 0;
    std::string t = text;
    if (!EvaluateExpression(finalSymbols_, t, addr)) {
      t = text;
      if (!EvaluateExpression(passSymbols_, t, addr)) return;
    }
    const bool ok = (d == 1 ? addr >= 256 : addr < 256) && mapAt(addr) != 0;
    if (!ok) {
      ReportAsmError(&line, AsmErrIllegalRegister, false, text);
      return;
    }
    if (bitKind) {
      const int bit = op2 & 7;
      if ((mapAt(addr) & (1u << bit)) == 0) {
        ReportAsmError(&line, AsmErrIllegalBit, false, GetField(line, OperandField(2)));
        return;
      }
    }
    if (chip.SelfEromMode != 0 && addr <= 255 && addr == chip.SelfEromRegister) {
      if (eepromCount_ <= 10) {
        eepromAddr_.push_back(address);
        eepromFile_.push_back(PageIndexOf(line.FileIndex));
        eepromLine_.push_back(line.LineNo);
      }
      ++eepromCount_;
    }
    return;
  }
  if (kind == ik::NOPF && address >= 1) {
    uint8_t pk, pn;
    int pc, p1, p2, p3;
    if (!table.DecodeInstruction(image_[address - 1].Word, pk, pn, pc, p1, p2, p3)) return;
    if (pk == ik::LDPR) {
      if (mapAt(op1) == 0)
        ReportAsmError(&line, AsmErrIllegalRegister, false, GetField(line, OperandField(1)));
    } else if (pk == ik::MVFF) {
      // The source is the operand of the MVFF word, the destination this
      // word's: the report names the one that is outside the data memory.
      const TAsmLineList::Node* first = mainLines_.BySeq(image_[address - 1].LineSeq);
      if (mapAt(p1) == 0 && first) {
        ReportAsmError(&line, AsmErrIllegalRegister, false,
                       GetField(first->Line, OperandField(1)));
      } else if (mapAt(p1) == 0 || mapAt(op1) == 0) {
        ReportAsmError(&line, AsmErrIllegalRegister, false, GetField(line, OperandField(1)));
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Option/information block

// The block's words of this build (the builder of engine/infoblock.h).
TInfoBuildWords TF_ASM::InfoBuildWords() const {
  TInfoBuildWords w;
  w.CodeChecksum = codeChecksum_;
  w.AcceptedPodChipId = options_.AcceptedPodChipId;
  w.AcmGroupEnabled = options_.AcmGroupEnabled != 0;
  return w;
}

void TF_ASM::BuildInfoBlock() {
  TInfoBlockBuilder builder(target_.infoBlock(), Chip(), options_);
  const uint16_t crc = builder.PutBuildWords(InfoBuildWords());
  if (Chip().DeviceKind3 != 1) target_.setBlockCrc(crc);
}

// ---------------------------------------------------------------------------
// Hand-off

int TF_ASM::PageIndexOf(uint8_t fileIndex) const {
  return fileIndex < pageOfFile_.size() ? pageOfFile_[fileIndex] : fileIndex;
}

bool TF_ASM::HandOff() {
  // The pass table stays for the views of this run (labels of the map).
  globalDecl_.Clear();
  globalImport_.Clear();
  externTable_.Clear();
  defineTable_.Clear();
  target_.cpuReset();
  target_.clearSymbols();
  for (int i = 1; i <= finalSymbols_.Count(); ++i) {
    const TAsmSymbol* s = finalSymbols_.GetItem(i);
    target_.addSymbol(s->Name, s->Value, s->Aux, s->Kind);
  }
  for (size_t i = 0; i < sourceFiles_.size(); ++i) {
    if (sourceIsObject_[i]) continue;
    if (!host_.loadSourceFile(sourceFiles_[i])) return false;
  }
  if (!host_.createMacroTable()) return false;
  for (const TAsmLineList::Node* n = mainLines_.First(); n; n = n->Next) {
    const TLineRecord& l = n->Line;
    // The second word of a two-word instruction shares its source line; the
    // line keeps the address of its first word.
    if (l.SecondOfMove || l.SecondOfCall || l.SecondOfJump || l.SecondOfPointer ||
        l.SecondOfTable)
      continue;
    if (l.FromObject) continue;  // no source line
    const int page = PageIndexOf(l.FileIndex) + 1;
    host_.setLineInfo(page, l.LineNo, l.FromMacro ? -1 : l.Address, 0);
    if (l.MacroRecNo != 0) {
      if (!l.FromMacro) host_.setLineInfo(page, l.LineNo, l.MacroRecNo, 1);
      host_.setAddrMacroIndex(l.Address, l.MacroRecNo);
      TMacroExpansionRecord r;
      const bool own = l.ChildFile == l.FileIndex && l.ChildLine == static_cast<uint16_t>(l.LineNo);
      r.Nested = own ? 0 : 1;
      r.CodeAddress = own ? l.Address : kLineNoAddress;
      r.FromMacro = l.FromMacro;
      r.ChildFile = static_cast<uint8_t>(PageIndexOf(l.ChildFile));
      r.ParentFile = static_cast<uint8_t>(PageIndexOf(l.ParentFile));
      r.ChildLine = l.ChildLine;
      r.ParentLine = l.ParentLine;
      r.ParentRecNo = l.ParentRecNo;
      r.ChildRecNo = l.ChildRecNo;
      r.MacroStartAddr = l.MacroStartAddr;
      r.MacroEndAddr = l.MacroEndAddr;
      host_.putMacroRecord(l.MacroRecNo, r);
    }
  }
  return true;
}

}  // namespace kyvor
