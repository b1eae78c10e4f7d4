#include "base/big5.h"

namespace kyvor {

namespace {

inline uint8_t ByteAt(std::string_view text, size_t i) { return static_cast<uint8_t>(text[i]); }

inline bool IsBig5Trail(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE); }

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace

bool IsBig5Pair(std::string_view text) {
  if (text.size() < 2) return false;
  return ByteAt(text, 0) >= 0xA1 && IsBig5Trail(ByteAt(text, 1));
}

int Big5Index(std::string_view text) {
  if (text.size() < 2) return -1;
  const int lead = ByteAt(text, 0);
  const int trail = ByteAt(text, 1);
  if (trail >= 0x40 && trail <= 0x7E) return (lead - 0xA1) * 157 + (trail - 0x40);
  if (trail >= 0xA1 && trail <= 0xFE) return (lead - 0xA1) * 157 + 63 + (trail - 0xA1);
  return -1;
}

std::string DbcsCodeToStr(uint16_t code) {
  std::string s(2, '\0');
  s[0] = static_cast<char>(code >> 8);
  s[1] = static_cast<char>(code & 0xFF);
  return s;
}

std::string Big5ToGB(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const std::string_view rest = text.substr(i);
    if (IsBig5Pair(rest)) {
      const int pos = Big5Index(rest);
      if (pos >= 0 && pos < Big5TableSize) {
        out += DbcsCodeToStr(Big5ToGBTable[pos]);
        i += 2;
        continue;
      }
      // Lead byte 0xFF: outside the table; keep it and look at the trail
      // byte as the next position.
    }
    out += text[i];
    ++i;
  }
  return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Big5ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t b = ByteAt(text, i);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const std::string_view rest = text.substr(i);
    if (IsBig5Pair(rest)) {
      const int pos = Big5Index(rest);
      if (pos >= 0 && pos < Big5TableSize) {
        const uint16_t cp = Big5UnicodeTable[pos];
        AppendUtf8(out, cp != 0 ? cp : kReplacement);
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, kReplacement);
    ++i;
  }
  return out;
}

std::string Gb2312ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t b = ByteAt(text, i);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (b >= 0xA1 && b <= 0xFE && i + 1 < text.size()) {
      const uint8_t t = ByteAt(text, i + 1);
      if (t >= 0xA1 && t <= 0xFE) {
        const uint16_t cp = Gb2312UnicodeTable[(b - 0xA1) * 94 + (t - 0xA1)];
        AppendUtf8(out, cp != 0 ? cp : kReplacement);
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, kReplacement);
    ++i;
  }
  return out;
}

}  // namespace kyvor
