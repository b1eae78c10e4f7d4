#pragma once
// The two instruction tables written out by hand, independently of the
// engine's declaration, for the tests that must not trust it: mnemonic, K08A
// pattern, K08B pattern (null when the variant lacks it), kind,
// no-register-operand flag and the flag bytes. Encoding and first-match
// decoding here work from the pattern text alone.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kyvor::patterns {

enum RowFlag : unsigned {
  kLongMove = 1u << 0,
  kLongJump = 1u << 1,
  kLongCall = 1u << 2,
  kLongTableLoad = 1u << 3,
  kLongPointerLoad = 1u << 4,
  kShortBranch = 1u << 5,
  kRelativeBranch = 1u << 6,
  kOptionalLast = 1u << 7,
};

// Status register bits.
constexpr unsigned kZ = 0x01, kOV = 0x02, kN = 0x04, kDC = 0x08, kC = 0x10;
constexpr unsigned kAllStatus = kZ | kOV | kN | kDC | kC;

struct PatternRow {
  const char* mnemonic;
  const char* patternA;  // K08A
  const char* patternB;  // K08B, null when absent
  int kind;
  int noRegister;
  unsigned flags;  // as in K08A
  // The status bits the instruction updates under K08A (K08B keeps only Z
  // and C of them); rows that leave the status alone omit the column.
  unsigned status = 0;
};

inline const std::vector<PatternRow>& PatternRows() {
  static const std::vector<PatternRow> rows = {
      {"NOP", "0000000000000000", "0000000000000000", 0, 1, 0},
      {"CLRF", "0000110daaaaaaaa", "0000110daaaaaaaa", 1, 0, kOptionalLast},
      {"ADDF", "000100bdaaaaaaaa", "000100bdaaaaaaaa", 2, 0, kOptionalLast, kAllStatus},
      {"INF", "001110bdaaaaaaaa", "001110bdaaaaaaaa", 3, 0, kOptionalLast, kAllStatus},
      {"INSZ", "001111bdaaaaaaaa", "001111bdaaaaaaaa", 4, 0, kOptionalLast},
      {"DCF", "001100bdaaaaaaaa", "001100bdaaaaaaaa", 5, 0, kOptionalLast, kAllStatus},
      {"DCSZ", "001101bdaaaaaaaa", "001101bdaaaaaaaa", 6, 0, kOptionalLast},
      {"SUBF", "000110bdaaaaaaaa", "000110bdaaaaaaaa", 7, 0, kOptionalLast, kAllStatus},
      {"COMF", "001001bdaaaaaaaa", "001001bdaaaaaaaa", 8, 0, kOptionalLast, kZ | kN},
      {"MVF", "011001bdaaaaaaaa", "011001bdaaaaaaaa", 9, 0, kOptionalLast},
      {"ADDC", "000101bdaaaaaaaa", "000101bdaaaaaaaa", 11, 0, kOptionalLast, kAllStatus},
      {"ANDF", "001010bdaaaaaaaa", "001010bdaaaaaaaa", 12, 0, kOptionalLast, kZ | kN},
      {"IORF", "001011bdaaaaaaaa", "001011bdaaaaaaaa", 13, 0, kOptionalLast, kZ | kN},
      {"XORF", "001000bdaaaaaaaa", "001000bdaaaaaaaa", 14, 0, kOptionalLast, kZ | kN},
      {"RLF", "010010bdaaaaaaaa", "010010bdaaaaaaaa", 15, 0, kOptionalLast, kZ | kN},
      {"SUBC", "000111bdaaaaaaaa", "000111bdaaaaaaaa", 16, 0, kOptionalLast, kAllStatus},
      {"RRF", "010011bdaaaaaaaa", "010011bdaaaaaaaa", 17, 0, kOptionalLast, kZ | kN},
      {"ADDL", "00000100aaaaaaaa", "00000100aaaaaaaa", 18, 1, 0, kAllStatus},
      {"SUBL", "00001000aaaaaaaa", "00001000aaaaaaaa", 19, 1, 0, kAllStatus},
      {"ANDL", "00000001aaaaaaaa", "00000001aaaaaaaa", 20, 1, 0, kZ | kN},
      {"IORL", "00000010aaaaaaaa", "00000010aaaaaaaa", 21, 1, 0, kZ | kN},
      {"XORL", "00000011aaaaaaaa", "00000011aaaaaaaa", 22, 1, 0, kZ | kN},
      {"MVL", "00000110aaaaaaaa", "00000110aaaaaaaa", 23, 1, 0},
      {"RETL", "00000101aaaaaaaa", "00000101aaaaaaaa", 24, 1, 0},
      {"CALL", "1100000baaaaaaaa", "11001aaaaaaaaaaa", 25, 1, kOptionalLast | kLongCall},
      {"JMP", "11000010aaaaaaaa", "01111aaaaaaaaaaa", 26, 1, kLongJump},
      {"RETI", "000000000000100a", "0000000000001000", 27, 1, kOptionalLast},
      {"RET", "000000000000101a", "0000000000001010", 28, 1, kOptionalLast},
      {"IDLE", "0000000000000001", "0000000000000001", 29, 1, 0},
      {"SLP", "0000000000000010", "0000000000000010", 30, 1, 0},
      {"CWDT", "0000000000000011", "0000000000000011", 31, 1, 0},
      {"SETF", "0000101daaaaaaaa", "0000101daaaaaaaa", 32, 0, kOptionalLast},
      {"BCF", "1000bbbdaaaaaaaa", "1000bbbdaaaaaaaa", 33, 0, kOptionalLast},
      {"BSF", "1001bbbdaaaaaaaa", "1001bbbdaaaaaaaa", 34, 0, kOptionalLast},
      {"BTSZ", "1010bbbdaaaaaaaa", "1010bbbdaaaaaaaa", 35, 0, kOptionalLast},
      {"BTSS", "1011bbbdaaaaaaaa", "1011bbbdaaaaaaaa", 36, 0, kOptionalLast},
      {"MULF", "0000111daaaaaaaa", nullptr, 37, 0, kOptionalLast, kZ},
      {"JZ", "01110001aaaaaaaa", nullptr, 38, 1, kShortBranch},
      {"RRFC", "010100bdaaaaaaaa", "010100bdaaaaaaaa", 39, 0, kOptionalLast, kZ | kN | kC},
      {"RLFC", "010101bdaaaaaaaa", "010101bdaaaaaaaa", 40, 0, kOptionalLast, kZ | kN | kC},
      {"SWPF", "011000bdaaaaaaaa", "011000bdaaaaaaaa", 41, 0, kOptionalLast},
      {"TBLR", "000000000000011a", nullptr, 43, 1, 0},
      {"MVLP", "00001001aaaaaaaa", nullptr, 44, 1, kLongTableLoad},
      {"JC", "01110000aaaaaaaa", nullptr, 45, 1, kShortBranch},
      {"INSUZ", "010000bdaaaaaaaa", "010000bdaaaaaaaa", 46, 0, kOptionalLast},
      {"DCSUZ", "010001bdaaaaaaaa", "010001bdaaaaaaaa", 47, 0, kOptionalLast},
      {"MULL", "00000111aaaaaaaa", nullptr, 48, 1, 0},
      {"LDPR", "00000000000011aa", nullptr, 49, 1, kLongPointerLoad},
      {"LBSR", "000000000001aaaa", nullptr, 50, 1, 0},
      {"NOPF", "1111aaaaaaaaaaaa", nullptr, 51, 1, 0},
      {"ARLC", "010110bdaaaaaaaa", nullptr, 52, 0, kOptionalLast, kZ | kOV | kN | kC},
      {"ARRC", "010111bdaaaaaaaa", nullptr, 53, 0, kOptionalLast, kZ | kN | kC},
      {"CPSG", "0110100daaaaaaaa", "0110100daaaaaaaa", 54, 0, 0},
      {"CPSL", "0110101daaaaaaaa", "0110101daaaaaaaa", 55, 0, 0},
      {"CPSE", "0110110daaaaaaaa", "0110110daaaaaaaa", 56, 0, 0},
      {"TFSZ", "0110111daaaaaaaa", "0110111daaaaaaaa", 57, 0, 0},
      {"JN", "01110010aaaaaaaa", nullptr, 58, 1, kShortBranch},
      {"JO", "01110011aaaaaaaa", nullptr, 59, 1, kShortBranch},
      {"JNC", "01110100aaaaaaaa", nullptr, 60, 1, kShortBranch},
      {"JNZ", "01110101aaaaaaaa", nullptr, 61, 1, kShortBranch},
      {"JNN", "01110110aaaaaaaa", nullptr, 62, 1, kShortBranch},
      {"JNO", "01110111aaaaaaaa", nullptr, 63, 1, kShortBranch},
      {"BTGF", "1110bbbdaaaaaaaa", "1110bbbdaaaaaaaa", 64, 0, kOptionalLast},
      {"MVFF", "1101aaaaaaaaaaaa", nullptr, 65, 1, kLongMove},
      {"RJ", "01111aaaaaaaaaaa", nullptr, 66, 1, kRelativeBranch},
      {"RCALL", "11001aaaaaaaaaaa", nullptr, 67, 1, kRelativeBranch},
      {"POP", "0000000000100001", nullptr, 69, 1, 0},
  };
  return rows;
}

// The pattern of a row in a variant (null when absent).
inline const char* PatternOf(const PatternRow& r, int variant) {
  return variant == 0 ? r.patternA : r.patternB;
}

// Fixed bits and the bit range of each letter of a pattern.
struct PatternInfo {
  uint16_t value = 0, mask = 0;
  int lo[3] = {99, 99, 99}, hi[3] = {-1, -1, -1};  // a, b, d
  int count = 0;
  int range[3][2] = {{0, -1}, {0, -1}, {0, -1}};   // operand 1..3 {lo, hi}
};

inline PatternInfo ParsePattern(const char* p) {
  PatternInfo pi;
  for (int i = 0; i < 16; ++i) {
    const int bit = 15 - i;
    const char c = p[i];
    int letter = -1;
    if (c == '1') {
      pi.value |= uint16_t(1u << bit);
      pi.mask |= uint16_t(1u << bit);
    } else if (c == '0') {
      pi.mask |= uint16_t(1u << bit);
    } else if (c == 'a') {
      letter = 0;
    } else if (c == 'b') {
      letter = 1;
    } else if (c == 'd') {
      letter = 2;
    }
    if (letter >= 0) {
      if (bit < pi.lo[letter]) pi.lo[letter] = bit;
      if (bit > pi.hi[letter]) pi.hi[letter] = bit;
    }
  }
  const bool a = pi.hi[0] >= 0, b = pi.hi[1] >= 0, d = pi.hi[2] >= 0;
  auto put = [&](int slot, int letter) {
    pi.range[slot][0] = pi.lo[letter];
    pi.range[slot][1] = pi.hi[letter];
  };
  if (a) {
    put(0, 0);
    pi.count = 1;
    if (b && d) {
      put(1, 1);
      put(2, 2);
      pi.count = 3;
    } else if (b) {
      put(1, 1);
      pi.count = 2;
    } else if (d) {
      put(1, 2);
      pi.count = 2;
    }
  }
  return pi;
}

// The word of a row with operands 1..3 placed in their fields.
inline uint16_t EncodeRow(const char* pattern, int op1 = 0, int op2 = 0, int op3 = 0) {
  const PatternInfo pi = ParsePattern(pattern);
  uint16_t w = pi.value;
  const int ops[3] = {op1, op2, op3};
  for (int i = 0; i < pi.count; ++i) {
    const int lo = pi.range[i][0], hi = pi.range[i][1];
    const unsigned m = (1u << (hi - lo + 1)) - 1u;
    w = uint16_t(w | ((unsigned(ops[i]) & m) << lo));
  }
  return w;
}

inline const PatternRow* FindPatternRow(const std::string& mnemonic) {
  for (const PatternRow& r : PatternRows())
    if (mnemonic == r.mnemonic) return &r;
  return nullptr;
}

// Encodes by mnemonic in a variant (0 K08A, 1 K08B).
inline uint16_t Enc(int variant, const std::string& mnemonic, int op1 = 0, int op2 = 0,
                    int op3 = 0) {
  const PatternRow* r = FindPatternRow(mnemonic);
  if (!r || !PatternOf(*r, variant)) return 0xFFFF;
  return EncodeRow(PatternOf(*r, variant), op1, op2, op3);
}

// First row in table order whose fixed bits match (null: none).
inline const PatternRow* PatternDecode(int variant, uint16_t word) {
  for (const PatternRow& r : PatternRows()) {
    const char* p = PatternOf(r, variant);
    if (!p) continue;
    const PatternInfo pi = ParsePattern(p);
    if ((word & pi.mask) == pi.value) return &r;
  }
  return nullptr;
}

// Disassembly text as the listing shows it.
inline std::string PatternText(const char* mnemonic, int count, int op1, int op2, int op3) {
  char buf[128];
  switch (count) {
    case 3: std::snprintf(buf, sizeof buf, "%-8s%xh, %x, %x", mnemonic, op1, op2, op3); break;
    case 2: std::snprintf(buf, sizeof buf, "%-8s%xh, %x", mnemonic, op1, op2); break;
    case 1: std::snprintf(buf, sizeof buf, "%-8s%xh", mnemonic, op1); break;
    default: std::snprintf(buf, sizeof buf, "%-8s", mnemonic); break;
  }
  return buf;
}

}  // namespace kyvor::patterns
