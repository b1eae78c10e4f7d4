#pragma once
// The assembler. One TF_ASM per build: create it, call Assemble() once, drop
// it. The main file is the one stored with StoreMainFileName (base/outputfile.h);
// the chip is the selected one (Chip(), chip/chipconfig.h); the instruction
// list, program memory, symbols and information block are the CPU model's,
// reached through IAsmTarget; wait lamps, error list, checksum label and the
// source view tables through IAsmHost.
//
//   kyvor::TKyUpTarget target(kyUp);                  // assembler/kyup_target.h
//   kyvor::TAsmOptions opt;  opt.AssembleOnly = 0;   // 0: Assemble & Debug (strict)
//   kyvor::TF_ASM asmForm(host, target, opt);          // 1: Assemble (lenient)
//   uint8_t ok = asmForm.Assemble();                   // 1 = no error reported
//
// The source view keeps a TSourceLineTables (assembler/sourcetables.h) and
// the error list a TErrorList (assembler/errorlist.h); the host forwards the
// hand-off calls to them.
#include <array>
#include <cstdint>
#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "assembler/asm_host.h"
#include "assembler/asm_lines.h"
#include "assembler/asm_symbols.h"
#include "base/options.h"

namespace kyvor {

// Options of a build: the options record (Options(), base/options.h) and what
// the command and the chip add.
struct TAsmOptions : TOptions {
  uint8_t AssembleOnly = 0;       // 1 plain Assemble (lenient), 0 Assemble & Debug (strict)
  uint8_t AcmGroupEnabled = 0;    // the options group GruopACM is enabled
  uint16_t AcceptedPodChipId = 0;
};

// Error codes of the assembler.
enum TAsmErrorCode : int {
  AsmErrUnknown = 0, AsmErrOpenSource = 1, AsmErrOpenFile = 2, AsmErrDuplicate = 4,
  AsmErrUndefined = 5, AsmErrOutOfMemory = 6, AsmErrIllegalSymbol = 8,
  AsmErrIllegalArgument = 9, AsmErrOverwrite = 10, AsmErrAddressRange = 11,
  AsmErrMissingArgument = 13, AsmErrTooManyArguments = 14, AsmErrIllegalMacro = 16,
  AsmErrMacroTooDeep = 19, AsmErrCircularFile = 20, AsmErrCircularMacro = 21,
  AsmErrOverRange = 23, AsmErrIllegalRegister = 24, AsmErrIllegalBit = 25,
  AsmErrMemoryOver = 26, AsmErrPclatl = 52, AsmErrIllegalFile = 53
};

// The fixed English text of an error code ("" for an unknown code); code 11
// names the ROM size in K words.
std::string AsmErrorMessage(int code, uint32_t romWords);


// The program image: 32,768 cells and the location counter.
struct TImageCell {
  uint16_t Word = 0;
  int32_t LineSeq = 0;  // sequence number of the producing line, 0 = none
};

class TF_ASM {
 public:
  static constexpr int kImageCells = 32768;

  TF_ASM(IAsmHost& host, IAsmTarget& target, const TAsmOptions& options);
  ~TF_ASM();
  TF_ASM(const TF_ASM&) = delete;
  TF_ASM& operator=(const TF_ASM&) = delete;

  // The whole run: 1 = success (nothing reported), 0 = failure.
  uint8_t Assemble();

  // Results, for the IDE's views and for tests.
  int ErrorCount() const { return errorCount_; }
  uint16_t CodeChecksum() const { return codeChecksum_; }
  const TImageCell& ImageCell(int address) const { return image_[address & (kImageCells - 1)]; }
  int32_t LocationCounter() const { return locationCounter_; }
  int32_t AssembledWordCount() const { return assembledWordCount_; }
  uint16_t TotalCodeLines() const { return totalCodeLines_; }
  int32_t HighestAddress() const { return highestAddress_; }
  const TAsmLineList& MainLines() const { return mainLines_; }
  const TAsmSymbols& FinalSymbols() const { return finalSymbols_; }
  const TAsmSymbols& PassSymbols() const { return passSymbols_; }
  const std::vector<std::string>& SourceFiles() const { return sourceFiles_; }
  // Error texts in report order (the error-line list).
  const std::vector<std::string>& ErrorTexts() const { return errorTexts_; }
  uint32_t RomWords() const { return romWords_; }

 private:
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // Characters of a macro name that a call line can give.
  static constexpr size_t kMacroNameMax = 64;
  struct Macro {
    std::string Name;
    int Number = 0;
    std::vector<TLineRecord> Body;  // MACRO line first, ENDM line last
  };
  struct PendingError {
    int Code;
    int32_t Seq;  // line, 0 = none
    bool HasLine;
    TLineRecord Line;
    bool Fatal;
    std::string Extra;
    bool HasExtra;
  };
  struct Fixup {
    int32_t Address;
    uint8_t Short;
    uint8_t Relative;
  };
  struct ForwardRef {
    int32_t Address;
  };

  // --- driver and errors ---
  void ResetAssembler();
  void ReportAsmError(const TLineRecord* line, int code, bool fatal, const std::string* extra);
  void ReportAsmError(const TLineRecord* line, int code, bool fatal, const std::string& extra) {
    ReportAsmError(line, code, fatal, &extra);
  }
  // Errors of a pass go through here: reported at once or kept for later.
  void PassError(const TLineRecord* line, int code, bool fatal, const std::string* extra);
  void PassError(const TLineRecord* line, int code, bool fatal, const std::string& extra) {
    PassError(line, code, fatal, &extra);
  }
  void OpenErrorFile();
  void CloseErrorFile();
  // The end of a run with errors: no image of the main file from an earlier
  // build is left (it would be taken for this one's) and no checksum is
  // shown; result 0. imagesWritten: the run got as far as writing its own.
  uint8_t FailRun(bool imagesWritten);
  // Removes the ".hex" and ".asc" images, and the ".obj" and ".EEH" images
  // when they are chosen; the chosen ones stay when this run wrote them.
  void RemoveEarlierImages(bool imagesWritten);
  // The source view's page of a file (0-based, page number - 1): object
  // files take no page, so the pages of the files after one stay aligned.
  // An object file keeps its own index (its lines have no line number).
  int PageIndexOf(uint8_t fileIndex) const;
  void TransferAndCheck();
  void CheckWord(int address, uint16_t word, const TLineRecord& line);
  TInfoBuildWords InfoBuildWords() const;
  void BuildInfoBlock();
  bool HandOff();
  void Step() { host_.lineStep(); }

  // --- instruction lookup ---
  void BuildInstructionIndex();
  const TInstructionDescriptor* FindInstruction(std::string_view word) const;
  int32_t InstructionIndex(std::string_view word) const;
  // The instruction row of a line's mnemonic (null when it is none).
  const TInstructionDescriptor* OpcodeOf(const TLineRecord& line) const {
    const int32_t kind = line.InstrIndex;
    return kind >= 0 && kind < static_cast<int32_t>(opcodeByKind_.size()) ? opcodeByKind_[kind]
                                                                           : nullptr;
  }

  // --- source reader ---
  bool IsMacroName(std::string_view word) const;
  // Splits the line's working text (base/linerecord.h) with this run's
  // instruction list, directive words and macro names.
  void SplitLine(TLineRecord& line) const { SplitSourceLine(line, classifier_); }
  bool ReadMainSource();
  bool ReadSourceFile(const std::string& path, bool objectFile);
  bool ReadTextLines(std::string&& data, uint8_t fileIndex);
  bool HandleInclude(TLineRecord& line);
  bool OpenMacroDefinition(TLineRecord& line);
  bool CloseMacroDefinition(TLineRecord& line);
  bool DefineConditionName(TLineRecord& line);
  bool EndSource(TLineRecord& line);
  bool StoreLine(TLineRecord&& line);
  bool EvaluateCondition(const TLineRecord& line, bool& result);
  // Object import (asm_objfile.cpp): one handler per record tag.
  struct ObjectImport;
  bool ReadObjectFile(const std::string& data, uint8_t fileIndex);
  bool ObjectDamaged();
  bool ReadObjectGlobal(ObjectImport& in);
  bool ReadObjectExtern(ObjectImport& in);
  bool ReadObjectOperandValue(ObjectImport& in);
  bool ReadObjectCodeHeader(ObjectImport& in);
  bool ReadObjectCodeRecords(ObjectImport& in);
  bool ReadObjectCodeRecord(ObjectImport& in, int32_t address);
  static void JoinTwoWordTarget(ObjectImport& in, const TInstructionDescriptor* d, int& op1);
  bool ObjectOperandText(const ObjectImport& in, TLineRecord& line, int32_t address, int operand,
                         unsigned char tag, int32_t number, int32_t field, std::string& text,
                         int32_t& partOnlyMask);
  std::string ResolveIncludePath(const std::string& name) const;
  bool ExpandAllMacros();
  // The condition state of IF, ELSE and ENDIF (one level), of the reader
  // and of each macro expansion.
  struct TConditionState {
    uint8_t Active = 0, True = 0, Else = 0;
    // Lines here are kept.
    bool Keeps() const { return !Active || True || Else; }
  };
  static bool IsConditionLine(const TLineRecord& line);
  bool ApplyCondition(const TLineRecord& line, TConditionState& state);
  // Macro expansion: one call's checks, replacements and copied lines.
  bool ExpandCall(TAsmLineList::Node*& at, const TLineRecord& call, std::vector<int>& active);
  bool FindCalledMacro(const TLineRecord& call, const std::vector<int>& active, int& macro);
  bool AddReplacement(TAsmSymbols& table, const TLineRecord& line, const std::string& name,
                      const std::string& text);
  bool BindParameters(const TLineRecord& call, const TLineRecord& head, TAsmSymbols& table);
  bool NameLocalLabels(const Macro& m, TAsmSymbols& table);
  bool InsertExpansion(TAsmLineList::Node*& at, const Macro& m, TAsmSymbols& table,
                       std::vector<int>& active);
  bool ReplaceInBodyLine(TLineRecord& copy, TAsmSymbols& table);
  std::string NewLocalLabel();

  // --- program image ---
  void ClearProgramImage();
  void ApplyFill();
  int32_t EmitWord(TLineRecord& line, uint16_t word, int mode, int32_t seq);
  bool SetLocationCounter(uint16_t address, const TLineRecord& line);
  void ResetImageForPass();

  // --- passes ---
  bool FirstPass();
  bool AssemblePass(int reporting, int relaxed);
  // One line of a pass: its node, the emission mode of EmitWord and whether
  // the pass reports the errors that only the first pass reports.
  struct PassLine {
    TAsmLineList::Node* Node;
    TLineRecord& Line;
    int Mode;
    int Reporting;
  };
  TAsmLineList::Node* InsertWatchdogVector(TAsmLineList::Node* node);
  bool AssembleLine(TAsmLineList::Node* node, int reporting, int relaxed);
  bool ImportObjectSymbol(TLineRecord& line);
  void OpenFirstInstructionRecord(TLineRecord& line);
  void LinkToOpenCall(TLineRecord& line);
  void RewriteOperands(TLineRecord& line);
  bool RewriteInstructionOperands(TLineRecord& line);
  bool AssembleInstruction(PassLine& p);
  void InsertSecondWord(TAsmLineList::Node* node, int32_t address);

  // --- directives (asm_directives.cpp) ---
  struct DirectiveRow {
    const char* Word;
    TAsmDirective Code;
    // What the reader does with the line (null: it keeps it, StoreLine).
    bool (TF_ASM::*Read)(TLineRecord& line);
    // A labelled line of this directive defines this (null: a code label).
    bool (TF_ASM::*Define)(TLineRecord& line, const std::string& label);
    // What the line does in a pass (null: nothing).
    bool (TF_ASM::*Assemble)(PassLine& p);
    // Its operands are written in canonical form before Assemble.
    bool CanonicalOperands;
  };
  static const DirectiveRow kDirectiveRows[];
  static const DirectiveRow& DirectiveRowOf(uint8_t code);
  static TAsmDirective DirectiveOf(std::string_view word);
  bool DefineLabel(TLineRecord& line);
  bool NameIsNoMnemonic(TLineRecord& line, const std::string& label);
  bool DefineConstant(TLineRecord& line, const std::string& label);
  bool DefineVariable(TLineRecord& line, const std::string& label);
  bool DefineStorage(TLineRecord& line, const std::string& label);
  bool RamPointerInMemory(int64_t pointer) const;
  bool DefineNoLabel(TLineRecord& line, const std::string& label);
  bool DefineCodeLabel(TLineRecord& line, const std::string& written);
  bool EmitData(PassLine& p);
  bool CloseExpansion(PassLine& p);
  bool FirstOperandValue(TLineRecord& line, int32_t& value);
  bool SetOrigin(PassLine& p);
  bool SetRamPointer(PassLine& p);
  bool DeclareNames(PassLine& p, TAsmSymbols& table, int32_t value);
  bool DeclareGlobal(PassLine& p);
  bool DeclareExtern(PassLine& p);
  bool AddPassSymbol(TLineRecord& line, const std::string& label, const std::string& text,
                     int32_t value, char kind, int32_t aux);
  bool RecordFinalSymbol(TLineRecord& line, const std::string& label, const std::string& text,
                         int32_t value, char kind, int32_t aux);
  bool LabelOperandValue(TLineRecord& line, int failCode, std::string& text, int32_t& value);
  void UpdateFinalRecord(const TLineRecord& line, int32_t value, int32_t aux);
  void TrackMacroNesting(TAsmLineList::Node* node);
  bool EncodeInstruction(TLineRecord& line, bool firstEmission, uint16_t& word,
                         bool& unresolved);
  bool RelocatedOperand(const TLineRecord& line, const std::string& text, bool report,
                        int32_t& value);
  // The value of an operand: with the pass table, then (withImports) the
  // imported GLOBAL names and, in plain Assemble, the EXTERN names as their
  // numbers. `whole` gets the value before the selector.
  bool EvalOperand(const std::string& text, int32_t& value, bool withImports,
                   int32_t* whole = nullptr) const;
  // The EXTERN names with their numbers (1-based) as values.
  const TAsmSymbols& ExternNumbers() const;
  // The number of the first EXTERN name in an operand, 0 when it has none.
  int ExternNumberIn(std::string_view text) const;
  bool FinishPass(int reporting);
  // Call shortening: one round over the call sites.
  struct ShortenedCalls;
  bool CollectShortCalls(const std::vector<int32_t>& in, std::vector<int32_t>& out);
  TAsmLineList::Node* ShorteningCandidate(int32_t address) const;
  bool ShortCallTarget(TLineRecord& line, const ShortenedCalls& shortened, int32_t& target);
  int32_t LabelShift(const std::string& text, const ShortenedCalls& shortened) const;
  void ShortenCall(TAsmLineList::Node* node);
  bool OptimizeCalls();
  void ReencodeLine(TLineRecord& line);

  // --- output files ---
  int WriteListing();
  bool WriteSymbolMap();
  int WriteAsciiDump();
  int WriteBinaryImage();
  // Object file and EEPROM image (asm_objfile.cpp).
  int WriteObjectFile();
  int WriteEehImage();
  std::string ObjectSymbolRecords() const;
  // How one operand goes into the object file.
  struct ObjectOperand {
    std::string Text;        // the operand as written
    std::string Descriptor;  // tag and four characters
    bool HasWhole = false;   // its whole value goes into an operand value record
    int32_t Whole = 0;
    bool Refused = false;  // a form the reader could not rebuild
  };
  // What the tokens of an operand name: its selector, signs, code labels of
  // the program and EXTERN names.
  struct ObjectTerms {
    int Selector = 0;
    bool Plus = false, Minus = false;
    bool CodeLabel = false;
    int ExternNo = 0;  // the first EXTERN name's number
    int Externs = 0;   // how many EXTERN names
    bool ExternSubtracted = false;
  };
  void ScanObjectOperand(std::string_view text, ObjectTerms& terms) const;
  // Operand 1..3 of the line that produced a word (null: no line).
  ObjectOperand DescribeOperand(const TLineRecord* line, int operand, bool relativeBranch) const;
  void DescribeExternOperand(const ObjectTerms& terms, bool relativeBranch,
                             ObjectOperand& out) const;
  void DescribeRelocatedOperand(const TLineRecord& line, const ObjectTerms& terms, bool fromObject,
                                ObjectOperand& out) const;
  // The 19-byte record of one address (three operand descriptors and the
  // word) and the operand value records it needs; false when an operand is
  // refused (reported).
  bool AppendObjectCode(int32_t address, std::string& records, std::string& values);
  bool IsProgramCodeLabel(std::string_view name) const;

  IAsmHost& host_;
  IAsmTarget& target_;
  TAsmOptions options_;
  uint32_t romWords_ = 4096;

  // The source files' texts (upper case); line records borrow from them.
  std::deque<std::string> textStore_;

  // lists and tables
  TAsmLineList mainLines_;
  std::vector<std::string> sourceFiles_;   // index = file index
  std::vector<uint8_t> sourceIsObject_;    // by file index: an object file (no source page)
  std::vector<int> pageOfFile_;            // by file index: PageIndexOf
  std::vector<std::string> openedFiles_;   // upper-cased keys of opened files
  std::vector<std::string> errorTexts_;
  std::vector<Macro> macros_;
  std::unordered_map<std::string, int, NameHash, std::equal_to<>> macroByName_;  // first of a name
  TAsmSymbols finalSymbols_, passSymbols_, defineTable_, globalDecl_, globalImport_, externTable_,
      forwardRefs_;
  // Lookup tables made from the GLOBAL import and EXTERN tables.
  mutable TAsmSymbols importResolved_, externNumbers_;
  std::unordered_map<std::string, const TInstructionDescriptor*, NameHash, std::equal_to<>>
      instrIndex_;
  std::array<const TInstructionDescriptor*, 256> opcodeByKind_{};  // by Kind
  TLineClassifier classifier_;

  // image
  std::unique_ptr<TImageCell[]> image_;
  int32_t locationCounter_ = 0;
  int32_t assembledWordCount_ = 0;
  uint8_t wordCountFrozen_ = 0;
  uint16_t totalCodeLines_ = 0;
  int32_t highestAddress_ = 0;

  // reader state
  uint8_t definingMacro_ = 0;
  uint8_t endSeen_ = 0;
  TConditionState condition_;
  int32_t localLabelCounter_ = 0;
  int32_t objectBase_ = 0;
  std::string mainFolder_;
  // Object lines (by sequence number) whose relocated UP or HIGH part came
  // without its whole value: the bits of the load address that must be 0
  // for the part to move correctly.
  std::unordered_map<int32_t, int32_t> partOnlyLines_;
  // The load address of each included object, by file index.
  std::unordered_map<uint8_t, int32_t> loadAddressOf_;

  // pass state
  int32_t sectionNo_ = 0;
  int32_t ramPointer_ = 0;
  int32_t macroRecordCounter_ = 0;
  std::vector<TAsmLineList::Node*> openCalls_;
  TAsmLineList::Node* pendingCall_ = nullptr;
  std::vector<Fixup> fixups_;
  std::vector<int32_t> callSites_;
  int passReporting_ = 1;
  bool deferErrors_ = false;
  std::vector<PendingError> deferred_;
  uint8_t prevFileIndex_ = 255;
  // How pass errors are reported: 0 all; 1 first pass before call
  // shortening (layout errors wait for the final layout); 2 intermediate
  // pass (fatal only); 3 final pass after shortening (layout errors only).
  int passErrorMode_ = 0;
  bool wdtVectorDone_ = false;
  bool firstPassDone_ = false;
  // Call shortening runs after the first pass (K08A with Smart Compiler).
  bool shorteningFollows_ = false;
  // Final-table record (1-based) of each EQU and DS line, by sequence number.
  std::unordered_map<int32_t, int> finalRecordOf_;
  // The source lines (SourcePlace) reported as too long for a line record
  // when they were read; copies of them in macro expansions share the place.
  std::unordered_set<int64_t> reportedTooLong_;
  static int64_t SourcePlace(const TLineRecord& line) {
    return (int64_t(line.FileIndex) << 32) | uint32_t(line.LineNo);
  }

  // driver state
  int errorCount_ = 0;
  uint8_t abortFlag_ = 0;
  std::ofstream errorFile_;
  bool errorFileOpen_ = false;
  uint16_t codeChecksum_ = 0;
  std::vector<int> eepromAddr_, eepromFile_, eepromLine_;
  int eepromCount_ = 0;
};

}  // namespace kyvor
