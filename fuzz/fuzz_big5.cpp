// Fuzzes the Big5 text helpers: Big5 to GB2312, Big5 and GB2312 to UTF-8,
// the pair tests and the Big5-aware upper-casing of the chip reader. Checks
// that GB2312 conversion and upper-casing keep the length and that every
// UTF-8 result is well formed.
#include <string>

#include "base/big5.h"
#include "chip/chiploader.h"
#include "fuzz_support.h"

namespace {

using namespace kyvor;
using fuzz::Check;

// Well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (n < 0 || (n > 0 && i + n >= s.size())) return false;
    if (n == 0) {
      ++i;
      continue;
    }
    uint32_t cp = c & (0x3F >> n);
    for (int k = 1; k <= n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string gb = Big5ToGB(text);
  Check(gb.size() == text.size(), "GB2312 text keeps the length");
  Check(IsUtf8(Big5ToUtf8(text)), "Big5 decodes to UTF-8");
  Check(IsUtf8(Gb2312ToUtf8(text)), "GB2312 decodes to UTF-8");
  Check(IsUtf8(Gb2312ToUtf8(gb)), "converted text decodes to UTF-8");
  Check(UpperAsciiBig5(std::string(text)).size() == text.size(), "upper-casing keeps the length");
  for (size_t i = 0; i < text.size(); ++i) {
    const std::string_view rest = text.substr(i);
    const int index = Big5Index(rest);
    if (IsBig5Pair(rest)) {
      Check(index >= 0, "a pair has a position");
    }
    if (i + 1 < text.size()) {
      const auto code = static_cast<uint16_t>((static_cast<unsigned char>(text[i]) << 8) |
                                              static_cast<unsigned char>(text[i + 1]));
      Check(DbcsCodeToStr(code) == text.substr(i, 2), "code to bytes");
    }
  }
  std::string out;
  for (size_t i = 0; i + 3 < text.size(); i += 4) {
    uint32_t cp = 0;
    for (int k = 0; k < 4; ++k) cp = (cp << 8) | static_cast<unsigned char>(text[i + k]);
    AppendUtf8(out, cp);
  }
  Check(IsUtf8(out), "code points encode to UTF-8");
  return 0;
}
