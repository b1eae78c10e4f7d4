#include "base/numbers.h"

#include <algorithm>

namespace kyvor {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads the text from its last character to its first, adding digit * place
// in wrapping 32-bit arithmetic. The place value is kept as uint64 and stops
// growing once it has run out of 32 bits, so higher digits add nothing.
template <typename DigitFn>
bool AccumulateDigits(std::string_view text, uint32_t base, DigitFn digit, uint32_t& out) {
  uint32_t sum = 0;
  uint64_t place = 1;
  for (std::size_t k = text.size(); k-- > 0;) {
    int d = digit(text[k]);
    if (d < 0) return false;
    if (place <= 0xFFFFFFFFull) sum += static_cast<uint32_t>(d) * static_cast<uint32_t>(place);
    if (place <= 0xFFFFFFFFull) place *= base;
  }
  out = sum;
  return true;
}

}  // namespace

int32_t DecStrToInt(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  uint32_t sum = 0;
  // Sum and place value both wrap modulo 2^32.
  uint32_t place = 1;
  for (std::size_t k = text.size(); k-- > 0;) {
    char c = text[k];
    if (c < '0' || c > '9') return 0;
    sum += static_cast<uint32_t>(c - '0') * place;
    place *= 10u;
  }
  if (negative) sum = 0u - sum;
  return static_cast<int32_t>(sum);
}

int32_t HexStrToInt(std::string_view text) {
  uint32_t v = 0;
  if (!AccumulateDigits(text, 16, HexDigit, v)) return 0;
  return static_cast<int32_t>(v);
}

int32_t BinStrToInt(std::string_view text) {
  uint32_t v = 0;
  auto bin = [](char c) { return c == '0' ? 0 : c == '1' ? 1 : -1; };
  if (!AccumulateDigits(text, 2, bin, v)) return 0;
  return static_cast<int32_t>(v);
}

int CharClass(char c) {
  if (c >= '0' && c <= '9') return 0;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return 1;
  return 2;
}

bool ParseNumber(std::string_view text, int32_t& value) {
  const std::size_t n = text.size();
  if (n == 0) return false;
  bool bin = false, dec = false, hex = false, suffix = false;
  for (std::size_t pos = 1; pos <= n; ++pos) {
    const char c = text[pos - 1];
    if (c >= '0' && c <= '9') continue;
    if (pos == 1) {
      if (c == '-' || c == '+') {
        dec = true;
      } else {
        return false;
      }
    } else if (pos == n) {
      suffix = true;
      if (c == 'B' || c == 'b') {
        bin = true;
      } else if (c == 'D' || c == 'd') {
        dec = true;
      } else if (c == 'H' || c == 'h') {
        hex = true;
      } else {
        return false;
      }
    } else {
      if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) {
        hex = true;
      } else {
        return false;
      }
    }
  }
  // Hexadecimal letters need the trailing H.
  if (hex && !suffix) return false;
  const int marks = (bin ? 1 : 0) + (dec ? 1 : 0) + (hex ? 1 : 0);
  if (marks > 1) return false;
  std::string_view digits = suffix ? text.substr(0, n - 1) : text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (bin) {
    value = BinStrToInt(digits);
  } else if (hex) {
    value = HexStrToInt(digits);
  } else {
    value = DecStrToInt(digits);
  }
  return true;
}

namespace {

std::string PadFront(std::string digits, uint16_t width) {
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string Digits(uint32_t v, uint32_t base) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  while (v != 0) {
    s.push_back(kDigits[v % base]);
    v /= base;
  }
  std::reverse(s.begin(), s.end());
  return s;
}

}  // namespace

std::string IntToHexPad(int32_t value, uint16_t width) {
  const uint32_t v = static_cast<uint32_t>(value) & 0xFFFFu;
  return PadFront(v == 0 ? std::string("0") : Digits(v, 16), width);
}

std::string IntToDecPad(int32_t value, uint16_t width) {
  const uint32_t v = static_cast<uint32_t>(value) & 0xFFFFu;
  return PadFront(v == 0 ? std::string("0") : Digits(v, 10), width);
}

std::string IntToBinPad(int32_t value, uint16_t width) {
  const uint32_t v = static_cast<uint32_t>(value) & 0xFFFFu;
  return PadFront(Digits(v, 2), width);
}

std::string IntToHexStr(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  return v == 0 ? std::string("0") : Digits(v, 16);
}

}  // namespace kyvor
