// Output files for other programs and for the pod's EEPROM: the object file
// (".obj"), which another program INCLUDEs (the reader turns it back into
// source lines), and the EEPROM image (".EEH").
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "assembler/asm_expr.h"
#include "assembler/assembler.h"
#include "assembler/objfile.h"
#include "base/numbers.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"

namespace kyvor {

namespace {

// The image of an EEPROM-emulated ROM always holds this many program words.
constexpr uint32_t kEehProgramWords = 8192;

// Deletes the file and writes it anew; false when it cannot be created.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string Hex2(int32_t value) { return IntToHexPad(value & 0xFF, 2); }

std::string Hex8(int32_t value) {
  const std::string digits = IntToHexStr(value);
  return std::string(8 - digits.size(), '0') + digits;
}

// A table number right-aligned in four characters.
std::string Number4(int n) {
  const std::string digits = std::to_string(n);
  return digits.size() >= 4 ? digits : std::string(4 - digits.size(), ' ') + digits;
}

std::string Descriptor(unsigned char tag, const std::string& four) {
  return static_cast<char>(tag) + four;
}

bool IsCodeLabelKind(char kind) { return kind == 'L' || kind == 'l'; }

}  // namespace

bool TF_ASM::IsProgramCodeLabel(std::string_view name) const {
  if (const TAsmSymbol* s = passSymbols_.FindSymbol(name)) return IsCodeLabelKind(s->Kind);
  // Labels imported from an included object are code of this program too.
  const TAsmSymbol* g = globalImport_.FindSymbol(name);
  return g && IsCodeLabelKind(g->Kind);
}

std::string TF_ASM::OperandDescriptor(const TLineRecord& line, int operand,
                                      bool relativeBranch) const {
  const int field = OperandField(operand);
  if (!HasField(line, field)) return Descriptor(objtag::Plain, "0000");
  const std::string text = GetField(line, field);
  if (const int g = globalDecl_.FindReplacementName(text)) {
    const bool label = IsCodeLabelKind(globalDecl_.GetItem(g)->Kind);
    return Descriptor(label && !relativeBranch ? objtag::GlobalLabel : objtag::GlobalName,
                      Number4(g));
  }
  int selector = 0;
  bool plus = false, minus = false, relative = false;
  int externNo = 0;
  // A relocated operand of an included object stays relocatable.
  if (line.FromObject && line.OperandReloc[operand]) {
    relative = true;
    selector = line.RelocPart;
  }
  std::string_view t(text);
  size_t pos = 0, len = 0;
  while (ScanOperandToken(t, pos, len)) {
    const std::string_view token = t.substr(pos, len);
    pos += len;
    // Like the evaluator, the last selector is the one that counts.
    if (token == "UP")
      selector = objtag::SelectUp;
    else if (token == "HIGH")
      selector = objtag::SelectHigh;
    else if (token == "LOW")
      selector = objtag::SelectLow;
    else if (token == "+")
      plus = true;
    else if (token == "-")
      minus = true;
    else if (IsProgramCodeLabel(token))
      relative = true;
    else if (const int e = externTable_.FindReplacementName(token))
      externNo = e;
  }
  if (externNo) {
    unsigned char tag = objtag::ExternName;
    if (!relativeBranch) {
      if (plus)
        tag = static_cast<unsigned char>(objtag::ExternPlus + selector);
      else if (minus)
        tag = static_cast<unsigned char>(objtag::ExternMinus + selector);
      else if (selector)
        tag = static_cast<unsigned char>(objtag::ExternSelected + selector);
    }
    return Descriptor(tag, Number4(externNo));
  }
  // Only code labels move with the load address; data addresses and
  // constants are absolute.
  if (!relative) return Descriptor(objtag::Plain, "0000");
  const int code = 1 + selector + (plus ? 4 : 0) + (minus ? 8 : 0);
  return Descriptor(objtag::Plain, IntToDecPad(code, 4));
}

std::string TF_ASM::ObjectSymbolRecords() const {
  std::string s;
  for (int i = 1; i <= globalDecl_.Count(); ++i) {
    const TAsmSymbol* g = globalDecl_.GetItem(i);
    const bool data = g->Kind == 'D' || g->Kind == 'd';
    s += static_cast<char>(objtag::Global);
    s += g->Kind;
    // The variable's size; the record has room for one byte of it.
    s += data ? Hex2(g->Aux) : "00";
    s += Hex2(static_cast<int32_t>(g->Name.size()));
    s += g->Name;
    s += static_cast<char>(objtag::GlobalNameEnd);
    s += static_cast<char>(objtag::GlobalValue);
    s += Hex8(g->Value);
    s += static_cast<char>(objtag::GlobalEnd);
  }
  for (int i = 1; i <= externTable_.Count(); ++i) {
    const TAsmSymbol* e = externTable_.GetItem(i);
    s += static_cast<char>(objtag::Extern);
    s += Hex2(static_cast<int32_t>(e->Name.size()));
    s += e->Name;
    s += static_cast<char>(objtag::ExternNameEnd);
    s += static_cast<char>(objtag::ExternValue);
    s += Hex8(e->Value);
    s += static_cast<char>(objtag::ExternEnd);
  }
  return s;
}

std::string TF_ASM::ObjectCodeRecord(int32_t address) const {
  const TImageCell& cell = image_[address & (kImageCells - 1)];
  const TAsmLineList::Node* node = cell.LineSeq ? mainLines_.BySeq(cell.LineSeq) : nullptr;
  std::string s;
  if (node) {
    uint8_t kind = 0, noReg = 0;
    int count = 0, op1 = 0, op2 = 0, op3 = 0;
    const bool decoded =
        target_.instructionTable().DecodeInstruction(cell.Word, kind, noReg, count, op1, op2, op3);
    const bool relativeBranch = decoded && (kind == ik::RJ || kind == ik::RCALL);
    for (int k = 1; k <= 3; ++k) s += OperandDescriptor(node->Line, k, relativeBranch);
  } else {
    for (int k = 1; k <= 3; ++k) s += Descriptor(objtag::Plain, "0000");
  }
  s += Hex2(cell.Word >> 8);
  s += Hex2(cell.Word);
  return s;
}

int TF_ASM::WriteObjectFile() {
  const std::string path = OutputFileName(OutObjectFile);
  std::string out = ObjectSymbolRecords();
  out += static_cast<char>(objtag::CodeHeader);
  out += Hex8(highestAddress_);
  out += static_cast<char>(objtag::CodeHeaderEnd);
  out += static_cast<char>(objtag::CodeRecords);
  for (int32_t a = 0; a <= highestAddress_; ++a) out += ObjectCodeRecord(a);
  out += static_cast<char>(objtag::End);
  if (!ReplaceFile(path, out)) {
    ReportAsmError(nullptr, AsmErrOpenFile, true, path);
    return 0;
  }
  return 1;
}

int TF_ASM::WriteEehImage() {
  const std::string path = OutputFileName(OutEehFile);
  std::string out;
  out.reserve(2 * (std::max(romWords_, kEehProgramWords) + infoword::EehWords));
  auto put = [&out](uint16_t w) {
    out += static_cast<char>(w >> 8);
    out += static_cast<char>(w & 0xFF);
  };
  for (uint32_t a = 0; a < romWords_; ++a) put(image_[a].Word);
  // The pod's EEPROM holds a whole 8K-word ROM.
  if (options_.RomEmulationType == 1)
    for (uint32_t a = romWords_; a < kEehProgramWords; ++a) put(0);
  TInfoBlockBuilder builder(target_.infoBlock(), Chip(), options_);
  for (uint16_t w : builder.EehImageWords(InfoBuildWords())) put(w);
  if (!ReplaceFile(path, out)) {
    ReportAsmError(nullptr, AsmErrOpenFile, true, path);
    return 0;
  }
  return 1;
}

}  // namespace kyvor
