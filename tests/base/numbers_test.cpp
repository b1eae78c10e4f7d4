#include <gtest/gtest.h>

#include <string>

#include "base/numbers.h"

using namespace kyvor;

namespace {

// ParseNumber result as (accepted, value); value is -999 when rejected.
std::pair<bool, int32_t> Parse(std::string_view text) {
  int32_t v = -999;
  bool ok = ParseNumber(text, v);
  return {ok, v};
}

}  // namespace

TEST(DecStrToInt, DigitsAndSign) {
  EXPECT_EQ(DecStrToInt("0"), 0);
  EXPECT_EQ(DecStrToInt("12345"), 12345);
  EXPECT_EQ(DecStrToInt("-12"), -12);
  EXPECT_EQ(DecStrToInt("007"), 7);
  EXPECT_EQ(DecStrToInt("2147483647"), 2147483647);
}

TEST(DecStrToInt, BadTextGivesZero) {
  EXPECT_EQ(DecStrToInt(""), 0);
  EXPECT_EQ(DecStrToInt("-"), 0);
  EXPECT_EQ(DecStrToInt("1-2"), 0);
  EXPECT_EQ(DecStrToInt("--1"), 0);
  EXPECT_EQ(DecStrToInt("12-"), 0);
  EXPECT_EQ(DecStrToInt(" 12"), 0);
  EXPECT_EQ(DecStrToInt("+12"), 0);
  EXPECT_EQ(DecStrToInt("1A"), 0);
  EXPECT_EQ(DecStrToInt(std::string_view("1\0" "2", 3)), 0);
}

TEST(DecStrToInt, WrapsAt32Bits) {
  EXPECT_EQ(DecStrToInt("4294967295"), -1);
  EXPECT_EQ(DecStrToInt("4294967296"), 0);
  EXPECT_EQ(DecStrToInt("2147483648"), INT32_MIN);
  EXPECT_EQ(DecStrToInt("-2147483648"), INT32_MIN);
  // A long run of digits wraps but never faults.
  EXPECT_EQ(DecStrToInt(std::string(300, '9')), static_cast<int32_t>(0u - 1u));
}

TEST(HexStrToInt, DigitsBothCases) {
  EXPECT_EQ(HexStrToInt("0"), 0);
  EXPECT_EQ(HexStrToInt("ff"), 255);
  EXPECT_EQ(HexStrToInt("FF"), 255);
  EXPECT_EQ(HexStrToInt("aBcD"), 0xABCD);
  EXPECT_EQ(HexStrToInt("FFFFFFFF"), -1);
  EXPECT_EQ(HexStrToInt("80000000"), INT32_MIN);
}

TEST(HexStrToInt, BadTextGivesZero) {
  EXPECT_EQ(HexStrToInt(""), 0);
  EXPECT_EQ(HexStrToInt("1G"), 0);
  EXPECT_EQ(HexStrToInt("0x10"), 0);
  EXPECT_EQ(HexStrToInt("-1"), 0);
  EXPECT_EQ(HexStrToInt("1 "), 0);
  EXPECT_EQ(HexStrToInt("\xff"), 0);
}

TEST(HexStrToInt, OnlyLastEightDigitsCount) {
  EXPECT_EQ(HexStrToInt("123456789"), 0x23456789);
  EXPECT_EQ(HexStrToInt("F00000001"), 1);
  EXPECT_EQ(HexStrToInt(std::string(100, 'F') + "12"), static_cast<int32_t>(0xFFFFFF12u));
  // A bad digit anywhere still rejects the whole text.
  EXPECT_EQ(HexStrToInt("Z123456789"), 0);
}

TEST(BinStrToInt, DigitsAndErrors) {
  EXPECT_EQ(BinStrToInt("0"), 0);
  EXPECT_EQ(BinStrToInt("1010"), 10);
  EXPECT_EQ(BinStrToInt("12"), 0);
  EXPECT_EQ(BinStrToInt(""), 0);
  EXPECT_EQ(BinStrToInt(std::string(32, '1')), -1);
  EXPECT_EQ(BinStrToInt("1" + std::string(32, '0')), 0);
  EXPECT_EQ(BinStrToInt("1" + std::string(31, '0')), INT32_MIN);
}

TEST(CharClass, DigitsLettersOthers) {
  EXPECT_EQ(CharClass('0'), 0);
  EXPECT_EQ(CharClass('9'), 0);
  EXPECT_EQ(CharClass('A'), 1);
  EXPECT_EQ(CharClass('z'), 1);
  EXPECT_EQ(CharClass('_'), 2);
  EXPECT_EQ(CharClass(' '), 2);
  EXPECT_EQ(CharClass('@'), 2);
  EXPECT_EQ(CharClass('['), 2);
  EXPECT_EQ(CharClass('\xC4'), 2);
  EXPECT_EQ(CharClass('\0'), 2);
}

TEST(ParseNumber, AcceptsLiterals) {
  EXPECT_EQ(Parse("10"), std::make_pair(true, 10));
  EXPECT_EQ(Parse("10D"), std::make_pair(true, 10));
  EXPECT_EQ(Parse("10d"), std::make_pair(true, 10));
  EXPECT_EQ(Parse("1010B"), std::make_pair(true, 10));
  EXPECT_EQ(Parse("1010b"), std::make_pair(true, 10));
  EXPECT_EQ(Parse("0AH"), std::make_pair(true, 10));
  EXPECT_EQ(Parse("0ah"), std::make_pair(true, 10));
  EXPECT_EQ(Parse("-1"), std::make_pair(true, -1));
  EXPECT_EQ(Parse("+7"), std::make_pair(true, 7));
  EXPECT_EQ(Parse("0FFH"), std::make_pair(true, 255));
  EXPECT_EQ(Parse("19H"), std::make_pair(true, 25));
  EXPECT_EQ(Parse("5D"), std::make_pair(true, 5));
  EXPECT_EQ(Parse("-5D"), std::make_pair(true, -5));
  EXPECT_EQ(Parse("0"), std::make_pair(true, 0));
}

TEST(ParseNumber, DigitsAreNotCheckedAgainstTheBase) {
  EXPECT_EQ(Parse("12B"), std::make_pair(true, 0));
  // A lone sign is a literal with the value 0.
  EXPECT_EQ(Parse("-"), std::make_pair(true, 0));
  EXPECT_EQ(Parse("+"), std::make_pair(true, 0));
  // A lone digit before the radix letter position counts as the whole literal.
  EXPECT_EQ(Parse("1H"), std::make_pair(true, 1));
}

TEST(ParseNumber, RejectsNonLiterals) {
  for (const char* bad : {"", "AH", "A0", "1A", "10H5", "-1H", "1F", "1FD", "H", "B", "+5H",
                          "-1B", "1 ", " 1", "1.5", "0x10", "1FB", "1Z", "-A", "1-2"}) {
    int32_t v = 1234;
    EXPECT_FALSE(ParseNumber(bad, v)) << '"' << bad << '"';
    EXPECT_EQ(v, 1234) << "value must be left alone for \"" << bad << '"';
  }
}

TEST(ParseNumber, LongLiteralsWrapWithoutFault) {
  std::string longHex = "0" + std::string(200, 'F') + "H";
  EXPECT_EQ(Parse(longHex), std::make_pair(true, -1));
  std::string longDec(500, '1');
  EXPECT_TRUE(Parse(longDec).first);
}

TEST(IntToHexPad, LowSixteenBitsPadded) {
  EXPECT_EQ(IntToHexPad(0x12345, 4), "2345");
  EXPECT_EQ(IntToHexPad(0x1A, 4), "001A");
  EXPECT_EQ(IntToHexPad(0x1234, 2), "1234");
  EXPECT_EQ(IntToHexPad(0, 0), "0");
  EXPECT_EQ(IntToHexPad(0, 3), "000");
  EXPECT_EQ(IntToHexPad(-1, 2), "FFFF");
  EXPECT_EQ(IntToHexPad(0xABC, 0), "ABC");
  EXPECT_EQ(IntToHexPad(0x10000, 2), "00");
  EXPECT_EQ(IntToHexPad(5, 10).size(), 10u);
}

TEST(IntToDecPad, SixteenBitUnsigned) {
  EXPECT_EQ(IntToDecPad(-1, 3), "65535");
  EXPECT_EQ(IntToDecPad(7, 3), "007");
  EXPECT_EQ(IntToDecPad(0, 0), "0");
  EXPECT_EQ(IntToDecPad(65536, 1), "0");
  EXPECT_EQ(IntToDecPad(12345, 2), "12345");
  EXPECT_EQ(IntToDecPad(-32768, 0), "32768");
}

TEST(IntToBinPad, NoDigitForZero) {
  EXPECT_EQ(IntToBinPad(5, 8), "00000101");
  EXPECT_EQ(IntToBinPad(0, 0), "");
  EXPECT_EQ(IntToBinPad(0, 4), "0000");
  EXPECT_EQ(IntToBinPad(1, 0), "1");
  EXPECT_EQ(IntToBinPad(-1, 4), std::string(16, '1'));
  EXPECT_EQ(IntToBinPad(0x18000, 0), "1" + std::string(15, '0'));
}

TEST(IntToHexStr, ThirtyTwoBitUnsigned) {
  EXPECT_EQ(IntToHexStr(static_cast<int32_t>(0xF0000000u)), "F0000000");
  EXPECT_EQ(IntToHexStr(255), "FF");
  EXPECT_EQ(IntToHexStr(0), "0");
  EXPECT_EQ(IntToHexStr(-1), "FFFFFFFF");
  EXPECT_EQ(IntToHexStr(0x10), "10");
}

TEST(NumberRoundTrip, HexFormattingParsesBack) {
  for (int32_t v : {0, 1, 0x7F, 0x80, 0xFFF, 0x1234, 0xFFFF}) {
    EXPECT_EQ(HexStrToInt(IntToHexPad(v, 4)), v);
    int32_t parsed = -1;
    ASSERT_TRUE(ParseNumber("0" + IntToHexPad(v, 4) + "H", parsed));
    EXPECT_EQ(parsed, v);
    EXPECT_EQ(BinStrToInt(IntToBinPad(v, 1)), v);
    EXPECT_EQ(DecStrToInt(IntToDecPad(v, 5)), v);
  }
}
