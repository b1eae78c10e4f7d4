// Output files for other programs and for the pod's EEPROM: the object file
// (".obj"), which another program INCLUDEs (the reader turns it back into
// source lines), and the EEPROM image (".EEH").
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <unordered_map>

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

void TF_ASM::ScanObjectOperand(std::string_view text, ObjectTerms& terms) const {
  size_t pos = 0, len = 0;
  bool negative = false;  // the next term is subtracted
  while (ScanOperandToken(text, pos, len)) {
    const std::string_view token = text.substr(pos, len);
    pos += len;
    // Like the evaluator, the last selector is the one that counts.
    if (token == "UP") {
      terms.Selector = objtag::SelectUp;
    } else if (token == "HIGH") {
      terms.Selector = objtag::SelectHigh;
    } else if (token == "LOW") {
      terms.Selector = objtag::SelectLow;
    } else if (token == "+" || token == "-") {
      (token == "+" ? terms.Plus : terms.Minus) = true;
      negative = token == "-";
    } else {
      if (IsProgramCodeLabel(token)) {
        terms.CodeLabel = true;
      } else if (const int e = externTable_.FindReplacementName(token)) {
        if (!terms.ExternNo) terms.ExternNo = e;
        ++terms.Externs;
        terms.ExternSubtracted = terms.ExternSubtracted || negative;
      }
      negative = false;
    }
  }
}

TF_ASM::ObjectOperand TF_ASM::DescribeOperand(const TLineRecord* of, int operand,
                                              bool relativeBranch) const {
  ObjectOperand out;
  out.Descriptor = Descriptor(objtag::Plain, "0000");
  const int field = OperandField(operand);
  if (!of || !HasField(*of, field)) return out;
  const TLineRecord& line = *of;
  out.Text = GetField(line, field);
  if (const int g = globalDecl_.FindReplacementName(out.Text)) {
    const bool label = IsCodeLabelKind(globalDecl_.GetItem(g)->Kind);
    out.Descriptor =
        Descriptor(label && !relativeBranch ? objtag::GlobalLabel : objtag::GlobalName, Number4(g));
    return out;
  }
  ObjectTerms terms;
  // A relocated operand of an included object stays relocatable.
  const bool fromObject = line.FromObject && line.OperandReloc[operand];
  if (fromObject) {
    terms.CodeLabel = true;
    terms.Selector = line.RelocPart;
  }
  ScanObjectOperand(out.Text, terms);
  if (terms.ExternNo) {
    DescribeExternOperand(terms, relativeBranch, out);
  } else if (terms.CodeLabel) {
    // Only code labels move with the load address; data addresses and
    // constants are absolute.
    DescribeRelocatedOperand(line, terms, fromObject, out);
  }
  return out;
}

void TF_ASM::DescribeExternOperand(const ObjectTerms& terms, bool relativeBranch,
                                   ObjectOperand& out) const {
  unsigned char tag = objtag::ExternName;
  if (!relativeBranch) {
    if (terms.Plus)
      tag = static_cast<unsigned char>(objtag::ExternPlus + terms.Selector);
    else if (terms.Minus)
      tag = static_cast<unsigned char>(objtag::ExternMinus + terms.Selector);
    else if (terms.Selector)
      tag = static_cast<unsigned char>(objtag::ExternSelected + terms.Selector);
  }
  out.Descriptor = Descriptor(tag, Number4(terms.ExternNo));
  // The reader writes the name and its offset: one name, added.
  out.Refused = terms.Externs > 1 || terms.ExternSubtracted;
  if (out.Refused || !(terms.Plus || terms.Minus)) return;
  int32_t value = 0;
  out.HasWhole = EvalOperand(out.Text, value, true, &out.Whole);
  out.Refused = !out.HasWhole;
}

void TF_ASM::DescribeRelocatedOperand(const TLineRecord& line, const ObjectTerms& terms,
                                      bool fromObject, ObjectOperand& out) const {
  const int code = 1 + terms.Selector + (terms.Plus ? 4 : 0) + (terms.Minus ? 8 : 0);
  out.Descriptor = Descriptor(objtag::Plain, IntToDecPad(code, 4));
  if (terms.Selector != objtag::SelectUp && terms.Selector != objtag::SelectHigh) return;
  // The word keeps one byte of an UP or HIGH part: the whole value goes with
  // it. A line read from an object that had no whole value stays as it came.
  if (fromObject && partOnlyLines_.count(line.SeqNo)) return;
  int32_t value = 0;
  if (fromObject) {
    // The number after the selector, moved by the object's load address.
    const size_t last = out.Text.find_last_of(' ');
    out.HasWhole =
        ParseAsmNumber(last == std::string::npos ? out.Text : out.Text.substr(last + 1), value);
    const auto base = loadAddressOf_.find(line.FileIndex);
    out.Whole = static_cast<int32_t>(
        static_cast<uint32_t>(value) +
        static_cast<uint32_t>(base == loadAddressOf_.end() ? 0 : base->second));
  } else {
    out.HasWhole = EvalOperand(out.Text, value, true, &out.Whole);
  }
  out.Refused = !out.HasWhole;
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

bool TF_ASM::AppendObjectCode(int32_t address, std::string& records, std::string& values) {
  const TImageCell& cell = image_[address & (kImageCells - 1)];
  const TAsmLineList::Node* node = cell.LineSeq ? mainLines_.BySeq(cell.LineSeq) : nullptr;
  uint8_t kind = 0, noReg = 0;
  int count = 0, op1 = 0, op2 = 0, op3 = 0;
  const bool decoded = node && target_.instructionTable().DecodeInstruction(cell.Word, kind, noReg,
                                                                            count, op1, op2, op3);
  const bool relativeBranch = decoded && (kind == ik::RJ || kind == ik::RCALL);
  for (int k = 1; k <= 3; ++k) {
    const ObjectOperand d = DescribeOperand(node ? &node->Line : nullptr, k, relativeBranch);
    if (d.Refused) {
      ReportAsmError(&node->Line, AsmErrIllegalArgument, false, d.Text);
      return false;
    }
    records += d.Descriptor;
    if (!d.HasWhole) continue;
    values += static_cast<char>(objtag::OperandValue);
    values += Hex8(address);
    values += static_cast<char>('0' + k);
    values += Hex8(d.Whole);
    values += static_cast<char>(objtag::OperandValueEnd);
  }
  records += Hex2(cell.Word >> 8);
  records += Hex2(cell.Word);
  return true;
}

int TF_ASM::WriteObjectFile() {
  const std::string path = OutputFileName(OutObjectFile);
  std::string records, values;
  for (int32_t a = 0; a <= highestAddress_; ++a)
    if (!AppendObjectCode(a, records, values)) return 0;
  std::string out = ObjectSymbolRecords() + values;
  out += static_cast<char>(objtag::CodeHeader);
  out += Hex8(highestAddress_);
  out += static_cast<char>(objtag::CodeHeaderEnd);
  out += static_cast<char>(objtag::CodeRecords);
  out += records;
  out += static_cast<char>(objtag::End);
  if (!ReplaceFile(path, out)) {
    ReportAsmError(nullptr, AsmErrOpenFile, true, path);
    return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Object import: the records of an included object become source lines.

// The stream of one object with what its records have told so far.
struct TF_ASM::ObjectImport {
  ObjectImport(const std::string& data, uint8_t fileIndex) : d(data), FileIndex(fileIndex) {}
  const std::string& d;
  uint8_t FileIndex;
  size_t p = 0;
  bool ok = true;
  int32_t Highest = -1;
  // The target of the last CALL, JMP or MVLP read, for its NOPF word.
  int32_t LongTarget = -1;
  // Operand value records by address * 4 + operand.
  std::unordered_map<int64_t, int32_t> Values;

  bool More() const { return p < d.size(); }
  unsigned char Peek() const { return static_cast<unsigned char>(d[p]); }
  unsigned char Byte() {
    if (p >= d.size()) {
      ok = false;
      return 0;
    }
    return static_cast<unsigned char>(d[p++]);
  }
  void Expect(unsigned char tag) {
    if (Byte() != tag) ok = false;
  }
  std::string Text(size_t n) {
    if (p + n > d.size()) {
      ok = false;
      return std::string();
    }
    std::string s = d.substr(p, n);
    p += n;
    return s;
  }
  int32_t Hex(size_t n) { return HexStrToInt(Text(n)); }
  const int32_t* ValueOf(int32_t address, int operand) const {
    auto it = Values.find(int64_t(address) * 4 + operand);
    return it == Values.end() ? nullptr : &it->second;
  }
  // The code word of the record at the cursor, the one after the record just
  // read (0 when the object ends first). A record is three descriptors of
  // five characters, then the word as four hex digits.
  int32_t NextRecordWord() const {
    if (!More() || Peek() == objtag::Stop || Peek() == objtag::End) return 0;
    const size_t at = p + 3 * 5;
    return at + 4 <= d.size() ? HexStrToInt(std::string_view(d).substr(at, 4)) : 0;
  }
};

namespace {

// A number text that reads back as the value: the hex digits of its 32 bits,
// at least four, a 0 before a leading letter, and "h".
std::string HexOperand(int32_t value) {
  std::string digits = IntToHexStr(value);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  if (digits[0] >= 'A') digits.insert(0, 1, '0');
  return digits + "h";
}

// "UP       ", "HIGH       " and "LOW       " before a selected part.
const char* PartPrefix(int part) {
  switch (part) {
    case objtag::SelectUp: return "UP       ";
    case objtag::SelectHigh: return "HIGH       ";
    case objtag::SelectLow: return "LOW       ";
    default: return "";
  }
}

// The selector of an EXTERN descriptor (0 none) and whether it carries an
// offset; false when the tag is none of them.
bool ExternForm(unsigned char tag, int& selector, bool& offset) {
  offset = tag >= objtag::ExternPlus;
  if (tag == objtag::ExternName) {
    selector = 0;
  } else if (tag > objtag::ExternSelected && tag < objtag::ExternPlus) {
    selector = tag - objtag::ExternSelected;
  } else if (tag >= objtag::ExternPlus && tag < objtag::ExternMinus + 4) {
    selector = (tag - objtag::ExternPlus) % 4;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool TF_ASM::ReadObjectFile(const std::string& data, uint8_t fileIndex) {
  struct RecordRow {
    unsigned char Tag;
    bool (TF_ASM::*Read)(ObjectImport& in);
  };
  static constexpr RecordRow kRows[] = {
      {objtag::Global, &TF_ASM::ReadObjectGlobal},
      {objtag::Extern, &TF_ASM::ReadObjectExtern},
      {objtag::OperandValue, &TF_ASM::ReadObjectOperandValue},
      {objtag::CodeHeader, &TF_ASM::ReadObjectCodeHeader},
      {objtag::CodeRecords, &TF_ASM::ReadObjectCodeRecords},
  };
  ObjectImport in(data, fileIndex);
  bool ok = true;
  while (ok && in.More()) {
    const unsigned char tag = in.Byte();
    if (tag == objtag::End || tag == objtag::Stop) break;
    const RecordRow* row = std::find_if(std::begin(kRows), std::end(kRows),
                                        [tag](const RecordRow& r) { return r.Tag == tag; });
    ok = row != std::end(kRows) ? (this->*row->Read)(in) : ObjectDamaged();
  }
  // The object's EXTERN names are its own: the including program defines them.
  externTable_.Clear();
  return ok;
}

bool TF_ASM::ObjectDamaged() {
  ReportAsmError(nullptr, AsmErrIllegalMacro, true, std::string("Error Code"));
  return false;
}

// A GLOBAL symbol: into the import table, and its name as a line of its own.
bool TF_ASM::ReadObjectGlobal(ObjectImport& in) {
  const char kind = static_cast<char>(in.Byte());
  const int32_t aux = in.Hex(2);
  const int32_t len = in.Hex(2);
  const std::string name = in.Text(static_cast<size_t>(len));
  in.Expect(objtag::GlobalNameEnd);
  in.Expect(objtag::GlobalValue);
  const int32_t value = in.Hex(8);
  in.Expect(objtag::GlobalEnd);
  if (!in.ok) return ObjectDamaged();
  if (globalImport_.AddSymbol(name, name, value, kind, aux) == 1) {
    ReportAsmError(nullptr, AsmErrOutOfMemory, true, name);
    return false;
  }
  TLineRecord line;
  std::string text = name;
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  line.Text = text;
  line.WorkText = std::move(text);
  line.FileIndex = in.FileIndex;
  line.FromObject = 1;
  line.HasLabel = 1;
  SetFieldSpan(line, kFieldLabel, 1, static_cast<int>(line.WorkText.size()));
  mainLines_.Append(std::move(line));
  return true;
}

bool TF_ASM::ReadObjectExtern(ObjectImport& in) {
  const int32_t len = in.Hex(2);
  const std::string name = in.Text(static_cast<size_t>(len));
  in.Expect(objtag::ExternNameEnd);
  in.Expect(objtag::ExternValue);
  in.Hex(8);
  in.Expect(objtag::ExternEnd);
  if (!in.ok) return ObjectDamaged();
  if (!externTable_.FindSymbol(name) && externTable_.AddSymbol(name, name, 0, 'E', 0) == 1) {
    ReportAsmError(nullptr, AsmErrOutOfMemory, true, name);
    return false;
  }
  return true;
}

bool TF_ASM::ReadObjectOperandValue(ObjectImport& in) {
  const int32_t address = in.Hex(8);
  const unsigned char operand = in.Byte();
  const int32_t value = in.Hex(8);
  in.Expect(objtag::OperandValueEnd);
  if (!in.ok || operand < '1' || operand > '3') return ObjectDamaged();
  in.Values[int64_t(address) * 4 + (operand - '0')] = value;
  return true;
}

bool TF_ASM::ReadObjectCodeHeader(ObjectImport& in) {
  in.Highest = in.Hex(8);
  in.Expect(objtag::CodeHeaderEnd);
  return in.ok || ObjectDamaged();
}

bool TF_ASM::ReadObjectCodeRecords(ObjectImport& in) {
  for (int32_t address = 0; address <= in.Highest; ++address) {
    if (!in.More()) return ObjectDamaged();
    if (in.Peek() == objtag::Stop || in.Peek() == objtag::End) break;
    if (!ReadObjectCodeRecord(in, address)) return false;
  }
  return true;
}

// A two-word target is one address over both words: bits 12 and up in the
// CALL, JMP or MVLP word, the low 12 bits in the NOPF word that follows. Both
// lines carry it whole (`op1`), so that relocation moves the whole address.
void TF_ASM::JoinTwoWordTarget(ObjectImport& in, const TInstructionDescriptor* d, int& op1) {
  if (d && (d->LongCall || d->LongJump || d->LongTableLoad)) {
    op1 = op1 * 4096 + (in.NextRecordWord() & 0xFFF);
    in.LongTarget = op1;
    return;
  }
  if (in.LongTarget >= 0 && d && d->Kind == ik::NOPF) op1 = in.LongTarget;
  in.LongTarget = -1;
}

// One code record: the disassembled word with each operand written from its
// descriptor, as a line of the main list.
bool TF_ASM::ReadObjectCodeRecord(ObjectImport& in, int32_t address) {
  unsigned char tag[3];
  std::string four[3];
  for (int k = 0; k < 3; ++k) {
    tag[k] = in.Byte();
    four[k] = in.Text(4);
  }
  const int32_t hi = in.Hex(2), lo = in.Hex(2);
  if (!in.ok) return ObjectDamaged();
  const uint16_t word = static_cast<uint16_t>(hi * 256 + lo);
  const TInstructionTable& table = target_.instructionTable();
  std::string mnemonic;
  uint8_t noReg = 0;
  int count = 0, op[3] = {0, 0, 0};
  if (!table.DisassembleOpcode(word, mnemonic, noReg, count, op[0], op[1], op[2]))
    return ObjectDamaged();
  JoinTwoWordTarget(in, table.Decode(word), op[0]);
  TLineRecord line;
  int32_t partOnlyMask = 0;
  std::string text = mnemonic + "       ";
  for (int k = 0; k < count && k < 3; ++k) {
    if (k) text += ", ";
    const size_t digits = four[k].find_first_not_of(' ');
    const int32_t number =
        digits == std::string::npos ? 0 : DecStrToInt(std::string_view(four[k]).substr(digits));
    std::string operand;
    if (!ObjectOperandText(in, line, address, k + 1, tag[k], number, op[k], operand, partOnlyMask))
      return ObjectDamaged();
    text += operand;
  }
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  line.WorkText = std::move(text);  // the split cuts it to 160 characters
  line.FileIndex = in.FileIndex;
  line.FromObject = 1;
  SplitLine(line);
  // The relocation marks survive the split.
  const TAsmLineList::Node* node = mainLines_.Append(std::move(line));
  if (partOnlyMask) partOnlyLines_[node->Line.SeqNo] = partOnlyMask;
  return true;
}

// The text of operand 1..3 from its descriptor (tag and number) and the
// value in the word's field. A relocated operand is marked on the line; one
// whose word keeps only an UP or HIGH byte, without its whole value, is
// written as that byte in its place and `partOnlyMask` names the bits of
// the load address that must be 0 for it to move correctly. False when an
// EXTERN name's offset is not in the object.
bool TF_ASM::ObjectOperandText(const ObjectImport& in, TLineRecord& line, int32_t address,
                               int operand, unsigned char tag, int32_t number, int32_t field,
                               std::string& text, int32_t& partOnlyMask) {
  const int32_t* whole = in.ValueOf(address, operand);
  int selector = 0;
  bool offset = false;
  if (tag == objtag::Plain && number > 0) {
    const int part = (number - 1) % 4;  // 0 whole, 1 UP, 2 HIGH, 3 LOW
    line.OperandReloc[operand] = 1;
    if (part) line.RelocPart = static_cast<uint8_t>(part);
    int32_t value = field;
    if (part == objtag::SelectUp || part == objtag::SelectHigh) {
      const int shift = part == objtag::SelectUp ? 16 : 8;
      if (whole) {
        value = *whole;
      } else {
        value = static_cast<int32_t>(static_cast<uint32_t>(field) << shift);
        partOnlyMask |= (1 << shift) - 1;
      }
    }
    text = PartPrefix(part) + HexOperand(value);
    return true;
  }
  if (ExternForm(tag, selector, offset) && number >= 1 && number <= externTable_.Count()) {
    text = PartPrefix(selector) + externTable_.GetItem(number)->Name;
    // An offset comes from the operand value record (an RJ or RCALL has
    // one only when it was written with an offset).
    if (offset && !whole) return false;
    if (whole) {
      const int32_t off = static_cast<int32_t>(static_cast<uint32_t>(*whole) - uint32_t(number));
      text += off < 0 ? "-" + HexOperand(static_cast<int32_t>(0u - static_cast<uint32_t>(off)))
                      : "+" + HexOperand(off);
    }
    return true;
  }
  if (tag == objtag::GlobalLabel) line.OperandReloc[operand] = 1;  // a code label of the object
  text = HexOperand(field);
  return true;
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
