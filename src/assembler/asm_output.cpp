// Output files: listing (".lst"), symbol map (".map"), bit dump (".asc")
// and binary image (".hex"). Text files end their lines with CR LF.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "assembler/assembler.h"
#include "base/numbers.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"

namespace kyvor {

namespace {

class TextOut {
 public:
  explicit TextOut(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {
    if (f_) buf_.reserve(1 << 16);
  }
  ~TextOut() { Close(); }
  bool Ok() const { return f_ != nullptr; }
  void Line(std::string_view s) {
    buf_.append(s);
    buf_.append("\r\n", 2);
    if (buf_.size() > (1 << 16)) Flush();
  }
  void Bytes(const void* p, size_t n) {
    buf_.append(static_cast<const char*>(p), n);
    if (buf_.size() > (1 << 16)) Flush();
  }
  void Close() {
    if (!f_) return;
    Flush();
    std::fclose(f_);
    f_ = nullptr;
  }

 private:
  void Flush() {
    if (f_ && !buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), f_);
    buf_.clear();
  }
  FILE* f_;
  std::string buf_;
};

std::string RightAlign(const std::string& s, size_t width) {
  if (s.size() >= width) return s;
  return std::string(width - s.size(), ' ') + s;
}

const std::string kRule(98, '=');

}  // namespace

int TF_ASM::WriteListing() {
  const std::string path = OutputFileName(OutListFile);
  // The main source file, read along with the records.
  std::vector<std::string> source;
  {
    const std::string mainPath = OutputFileName(OutMainFile);
    FILE* f = std::fopen(mainPath.c_str(), "rb");
    if (f) {
      std::string data;
      char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
      std::fclose(f);
      size_t pos = 0;
      while (pos < data.size()) {
        size_t eol = data.find('\n', pos);
        size_t end = eol == std::string::npos ? data.size() : eol;
        size_t e2 = end;
        if (e2 > pos && data[e2 - 1] == '\r') --e2;
        source.emplace_back(data, pos, e2 - pos);
        pos = eol == std::string::npos ? data.size() : eol + 1;
      }
    }
  }
  TextOut out(path);
  if (!out.Ok()) {
    ReportAsmError(nullptr, AsmErrOpenFile, true, path);
    return 0;
  }
  out.Line("");
  out.Line("line--addr--code----instruction-------------------------------------");
  out.Line("");
  int32_t n = 1;
  const std::string blanks14(14, ' ');
  auto addrCode = [&](int32_t address) {
    return IntToHexPad(address, 4) + "  " + IntToHexPad(image_[address & (kImageCells - 1)].Word, 4) +
           "    ";
  };
  for (const TAsmLineList::Node* node = mainLines_.First(); node; node = node->Next) {
    const TLineRecord& l = node->Line;
    const bool second = l.SecondOfMove || l.SecondOfCall || l.SecondOfJump || l.SecondOfPointer ||
                        l.SecondOfTable;
    if (second || l.Inserted) {
      std::string s = second ? "I    " : "IM   ";
      s += l.Address != kLineNoAddress ? addrCode(l.Address) : blanks14;
      s += l.Text;
      if (s.size() > 181) s.resize(181);
      out.Line(s);
      continue;
    }
    if (l.FileIndex == 0 && !l.FromMacro) {
      while (n < l.LineNo) {
        std::string s = IntToDecPad(n, 4) + "  " + blanks14;
        if (n - 1 < static_cast<int32_t>(source.size())) s += source[n - 1];
        out.Line(s);
        ++n;
      }
      std::string s = IntToDecPad(l.LineNo, 4) + "  ";
      s += l.Address != kLineNoAddress ? addrCode(l.Address) : blanks14;
      s += l.Text;
      out.Line(s);
      n = l.LineNo + 1;
      continue;
    }
    if (l.Address == kLineNoAddress) continue;
    std::string s = "  M   " + addrCode(l.Address) + std::string(l.WorkText);
    if (s.size() > 184) s.resize(184);
    out.Line(s);
  }
  return 1;
}

bool TF_ASM::WriteSymbolMap() {
  const std::string path = OutputFileName(OutMapFile);
  TextOut out(path);
  if (!out.Ok()) {
    ReportAsmError(nullptr, AsmErrOpenFile, true, path);
    return false;
  }
  const std::string header = RightAlign("Name", 32) + "     Location    " + "Address";
  const std::string underline = RightAlign("----", 32) + "     " + std::string(8, '-') + "    " +
                                std::string(7, '-');
  out.Line(kRule);
  out.Line("Memory , Register and Const ");
  out.Line(kRule);
  out.Line(header);
  out.Line(underline);
  for (int i = 1; i <= finalSymbols_.Count(); ++i) {
    const TAsmSymbol* s = finalSymbols_.GetItem(i);
    const bool data = s->Kind == 'D' || s->Kind == 'd';
    out.Line(RightAlign(s->Name, 32) + (data ? "     Memory      0x" : "     Const       0x") +
             IntToHexPad(s->Value, 4));
  }
  out.Line(kRule);
  out.Line("Local  Program  Address ");
  out.Line(kRule);
  if (passSymbols_.Count() > 0) {
    out.Line(header);
    out.Line(underline);
    for (int i = 1; i <= passSymbols_.Count(); ++i) {
      const TAsmSymbol* s = passSymbols_.GetItem(i);
      if (s->Kind == 'L' || s->Kind == 'l')
        out.Line(RightAlign(s->Name, 32) + "     Program      0x" + IntToHexPad(s->Value, 4));
    }
  }
  out.Line(kRule);
  out.Line("Extern  Program  Address ");
  out.Line(kRule);
  if (globalImport_.Count() > 0) {
    out.Line(header);
    out.Line(underline);
    for (int i = 1; i <= globalImport_.Count(); ++i) {
      const TAsmSymbol* s = globalImport_.GetItem(i);
      if (s->Kind == 'L' || s->Kind == 'l')
        out.Line(RightAlign(s->Name, 32) + "     Program      0x" +
                 IntToHexPad(s->Value + s->Aux, 4));
    }
  }
  return true;
}

int TF_ASM::WriteAsciiDump() {
  const std::string path = OutputFileName(OutAsciiFile);
  TextOut out(path);
  if (!out.Ok()) {
    ReportAsmError(nullptr, AsmErrOpenFile, true, path);
    return 0;
  }
  static const char* const kNibble[16] = {"0000", "0001", "0010", "0011", "0100", "0101",
                                          "0110", "0111", "1000", "1001", "1010", "1011",
                                          "1100", "1101", "1110", "1111"};
  static const char kHex[] = "0123456789ABCDEF";
  // "bbbb-bbbb-bbbb-bbbb        //  AAAA", then the source line or <Empty>.
  char head[35];
  std::memcpy(head, "0000-0000-0000-0000        //  0000", sizeof head);
  for (uint32_t a = 0; a < romWords_; ++a) {
    const TImageCell& c = image_[a];
    for (int k = 0; k < 4; ++k) {
      std::memcpy(head + 5 * k, kNibble[(c.Word >> (12 - 4 * k)) & 15], 4);
      head[31 + k] = kHex[(a >> (12 - 4 * k)) & 15];
    }
    out.Bytes(head, sizeof head);
    const TAsmLineList::Node* node = c.LineSeq ? mainLines_.BySeq(c.LineSeq) : nullptr;
    if (node) {
      out.Bytes("  ", 2);
      out.Line(node->Line.Text);
    } else {
      out.Line(" <Empty>");
    }
  }
  return 1;
}

int TF_ASM::WriteBinaryImage() {
  const std::string path = OutputFileName(OutBinaryFile);
  std::error_code ec;
  std::filesystem::remove(path, ec);
  TextOut out(path);
  if (!out.Ok()) {
    ReportAsmError(nullptr, AsmErrOpenFile, true, path);
    return 0;
  }
  auto put = [&](uint16_t w) {
    const unsigned char b[2] = {static_cast<unsigned char>(w >> 8),
                                static_cast<unsigned char>(w & 0xFF)};
    out.Bytes(b, 2);
  };
  for (uint32_t a = 0; a < romWords_; ++a) put(image_[a].Word);
  TInfoBlockBuilder builder(target_.infoBlock(), Chip(), options_);
  for (uint16_t w : builder.WriteImageWords(InfoBuildWords())) put(w);
  return 1;
}

}  // namespace kyvor
