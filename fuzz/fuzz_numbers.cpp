// Fuzzes the number helpers and the line-record field helpers.
//
// Numbers: every parser on the input text, and the formatters on values and
// widths taken from the input, checked to read back as the value they show.
// Fields: the input as a line, split by the chip reader's CutLIPara and by the
// assembler's splitter, then fields read, replaced and re-spanned, checking
// that every field stays inside the working text.
//
// Input: bytes 0-7 values and widths, the next byte the length of the line
// (the rest of the input beyond it gives the replacement texts).
#include <string>

#include "base/linerecord.h"
#include "base/numbers.h"
#include "chip/chiploader.h"
#include "fuzz_support.h"

namespace {

using namespace kyvor;
using fuzz::Check;

void FuzzNumbers(fuzz::TInputReader& in, std::string_view text) {
  int32_t value = 0;
  ParseNumber(text, value);
  DecStrToInt(text);
  HexStrToInt(text);
  BinStrToInt(text);
  for (char c : text) CharClass(c);

  const int32_t v = in.Int();
  const uint16_t width = in.Word() % 300;
  const uint32_t low16 = static_cast<uint32_t>(v) & 0xFFFF;
  const std::string hex = IntToHexPad(v, width);
  Check(hex.size() >= width, "hex width");
  Check(static_cast<uint32_t>(HexStrToInt(hex)) == low16, "hex pad reads back");
  const std::string dec = IntToDecPad(v, width);
  Check(dec.size() >= width, "dec width");
  Check(static_cast<uint32_t>(DecStrToInt(dec)) == low16, "dec pad reads back");
  const std::string bin = IntToBinPad(v, width);
  Check(bin.size() >= width, "bin width");
  Check(static_cast<uint32_t>(BinStrToInt(bin)) == low16, "bin pad reads back");
  const std::string hex32 = IntToHexStr(v);
  Check(HexStrToInt(hex32) == v, "hex text reads back");
  int32_t parsed = 0;
  Check(ParseNumber("0" + hex32 + "H", parsed) && parsed == v, "hex literal reads back");
  Check(ParseNumber(std::to_string(v), parsed) && parsed == v, "decimal literal reads back");
  Check(ParseNumber(IntToBinPad(v, 1) + "B", parsed) && static_cast<uint32_t>(parsed) == low16,
        "binary literal reads back");
}

void CheckSpans(const TLineRecord& rec) {
  const std::string_view work = rec.WorkText;
  for (int i = 0; i <= kFieldCount + 1; ++i) {
    const std::string_view f = GetFieldView(rec, i);
    Check(GetField(rec, i) == f, "field text and view agree");
    if (f.empty()) continue;
    Check(f.data() >= work.data() && f.data() + f.size() <= work.data() + work.size(),
          "field inside the working text");
  }
  const int n = OperandCount(rec);
  Check(n >= 0 && n <= kMaxOperands, "operand count");
}

void FuzzFields(fuzz::TInputReader& in, std::string_view line) {
  TLineRecord rec;
  InitLineRecord(rec);
  SetWorkText(rec, line);
  SetLineText(rec, line);
  Check(rec.WorkText.size() <= kLineTextMax && rec.Text.size() <= kLineTextMax, "text cut");
  CutLIPara(rec);
  CheckSpans(rec);

  TLineClassifier classifier;
  classifier.InstructionIndex = [](std::string_view w) -> int32_t {
    return w == "MVL" || w == "CALL" || w == "MVFF" ? 1 : -1;
  };
  classifier.IsMacroName = [](std::string_view w) { return w == "SHOW"; };
  SplitSourceLine(rec, classifier);
  CheckSpans(rec);

  while (!in.AtEnd()) {
    const uint8_t op = in.Byte();
    const int field = op % (kFieldCount + 3) - 1;  // -1 .. 33
    if (op & 0x80) {
      const int start = static_cast<int8_t>(in.Byte()) * 2;
      const int length = static_cast<int8_t>(in.Byte()) * 2;
      SetFieldSpan(rec, field, start, length);
    } else if (op & 0x40) {
      RewriteField(rec, field, in.Text(in.Byte()));
    } else {
      ReplaceField(rec, field, in.Text(in.Byte() % 200));
    }
    CheckSpans(rec);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::TInputReader in(data, size);
  fuzz::TInputReader numbers(data, size);
  const std::string_view head = in.Text(8);
  (void)head;
  const std::string_view line = in.Text(in.Byte());
  FuzzNumbers(numbers, line);
  FuzzFields(in, line);
  return 0;
}
