#include "base/big5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kyvor {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

// ---- pair test and position arithmetic ----

TEST(Big5PairTest, NeedsTwoBytesLeadFromA1AndTrailInEitherRange) {
  EXPECT_FALSE(IsBig5Pair(""));
  EXPECT_FALSE(IsBig5Pair(Bytes({0xA4})));
  EXPECT_TRUE(IsBig5Pair(Bytes({0xA4, 0xA4})));
  EXPECT_TRUE(IsBig5Pair(Bytes({0xA1, 0x40})));
  EXPECT_TRUE(IsBig5Pair(Bytes({0xFE, 0xFE})));
  EXPECT_TRUE(IsBig5Pair(Bytes({0xFF, 0x40})));  // lead 0xFF is a pair, outside the table
  EXPECT_FALSE(IsBig5Pair(Bytes({0xA0, 0x40})));
  EXPECT_FALSE(IsBig5Pair("AB"));
  EXPECT_FALSE(IsBig5Pair(Bytes({0xA4, 0x3F})));
  EXPECT_TRUE(IsBig5Pair(Bytes({0xA4, 0x7E})));
  EXPECT_FALSE(IsBig5Pair(Bytes({0xA4, 0x7F})));
  EXPECT_FALSE(IsBig5Pair(Bytes({0xA4, 0xA0})));
  EXPECT_TRUE(IsBig5Pair(Bytes({0xA4, 0xA1})));
  EXPECT_FALSE(IsBig5Pair(Bytes({0xA4, 0xFF})));
  // Only the first two bytes count.
  EXPECT_TRUE(IsBig5Pair(Bytes({0xA4, 0x40, 0x00, 0xFF})));
}

TEST(Big5IndexTest, PositionsFollowLeadTimes157PlusTrailSlot) {
  EXPECT_EQ(Big5Index(Bytes({0xA1, 0x40})), 0);
  EXPECT_EQ(Big5Index(Bytes({0xA1, 0x7E})), 62);
  EXPECT_EQ(Big5Index(Bytes({0xA1, 0xA1})), 63);
  EXPECT_EQ(Big5Index(Bytes({0xA1, 0xFE})), 156);
  EXPECT_EQ(Big5Index(Bytes({0xA2, 0x40})), 157);
  EXPECT_EQ(Big5Index(Bytes({0xA4, 0xA4})), 3 * 157 + 63 + 3);
  EXPECT_EQ(Big5Index(Bytes({0xFE, 0xFE})), Big5TableSize - 1);
  EXPECT_EQ(Big5Index(Bytes({0xFF, 0x40})), Big5TableSize);
}

TEST(Big5IndexTest, ShortTextOrBadTrailGivesMinusOneAndLeadIsNotChecked) {
  EXPECT_EQ(Big5Index(""), -1);
  EXPECT_EQ(Big5Index(Bytes({0xA4})), -1);
  EXPECT_EQ(Big5Index(Bytes({0xA4, 0x7F})), -1);
  EXPECT_EQ(Big5Index(Bytes({0xA4, 0xA0})), -1);
  EXPECT_EQ(Big5Index(Bytes({0xA4, 0xFF})), -1);
  EXPECT_EQ(Big5Index(Bytes({0xA4, 0x3F})), -1);
  // An ASCII lead gives a position below the table.
  EXPECT_EQ(Big5Index("AA"), (0x41 - 0xA1) * 157 + 1);
  EXPECT_LT(Big5Index("AA"), 0);
}

TEST(DbcsCodeToStrTest, HighByteFirst) {
  EXPECT_EQ(DbcsCodeToStr(0xD6D0), Bytes({0xD6, 0xD0}));
  EXPECT_EQ(DbcsCodeToStr(0x0041), Bytes({0x00, 0x41}));
  EXPECT_EQ(DbcsCodeToStr(0x0041).size(), 2u);
}

// ---- the conversion table ----

TEST(Big5ToGBTableTest, EveryEntryIsAnAssignedGb2312Code) {
  for (int pos = 0; pos < Big5TableSize; ++pos) {
    const uint16_t code = Big5ToGBTable[pos];
    const int lead = code >> 8;
    const int trail = code & 0xFF;
    ASSERT_GE(lead, 0xA1) << pos;
    ASSERT_LE(lead, 0xFE) << pos;
    ASSERT_GE(trail, 0xA1) << pos;
    ASSERT_LE(trail, 0xFE) << pos;
    ASSERT_NE(Gb2312UnicodeTable[(lead - 0xA1) * 94 + (trail - 0xA1)], 0) << pos;
  }
}

TEST(Big5ToGBTableTest, SharedCharactersMapToThemselves) {
  std::vector<int> gbOf(0x10000, -1);  // code point -> GB2312 index
  for (int g = 0; g < Gb2312TableSize; ++g)
    if (Gb2312UnicodeTable[g] != 0) gbOf[Gb2312UnicodeTable[g]] = g;
  int same = 0;
  int assigned = 0;
  for (int pos = 0; pos < Big5TableSize; ++pos) {
    const uint16_t cp = Big5UnicodeTable[pos];
    if (cp == 0) continue;
    ++assigned;
    const uint16_t code = Big5ToGBTable[pos];
    const uint16_t gbCp = Gb2312UnicodeTable[((code >> 8) - 0xA1) * 94 + ((code & 0xFF) - 0xA1)];
    if (gbCp == cp) {
      ++same;
      EXPECT_EQ(gbOf[cp], ((code >> 8) - 0xA1) * 94 + ((code & 0xFF) - 0xA1));
    }
  }
  // Big5 holds 13,000+ characters and symbols; the shared repertoire is
  // well over 4,500 of them.
  EXPECT_GT(assigned, 13000);
  EXPECT_GT(same, 4500);
  // Digits, full-width Latin letters and common punctuation are shared.
  for (int t = 0xAF; t <= 0xB8; ++t) {  // ０..９ at A2AF..A2B8
    const int pos = Big5Index(Bytes({0xA2, t}));
    const uint16_t code = Big5ToGBTable[pos];
    EXPECT_EQ(Gb2312UnicodeTable[((code >> 8) - 0xA1) * 94 + ((code & 0xFF) - 0xA1)],
              Big5UnicodeTable[pos]);
    EXPECT_EQ(Big5UnicodeTable[pos], 0xFF10 + (t - 0xAF));
  }
}

// ---- Big5ToGB ----

TEST(Big5ToGBTest, PlainAsciiComesBackUnchanged) {
  const std::string ascii = "MOV A,#12h ; Checksum = 0x1F2E\r\n";
  EXPECT_EQ(Big5ToGB(ascii), ascii);
  EXPECT_EQ(Big5ToGB(""), "");
}

TEST(Big5ToGBTest, SampleConversions) {
  // 中國 -> 中国
  EXPECT_EQ(Big5ToGB(Bytes({0xA4, 0xA4, 0xB0, 0xEA})), Bytes({0xD6, 0xD0, 0xB9, 0xFA}));
  // 記憶體 -> 记忆体
  EXPECT_EQ(Big5ToGB(Bytes({0xB0, 0x4F, 0xBE, 0xD0, 0xC5, 0xE9})),
            Bytes({0xBC, 0xC7, 0xD2, 0xE4, 0xCC, 0xE5}));
  // 錯誤 -> 错误 (誤 has an ASCII trail byte, 0x7E)
  EXPECT_EQ(Big5ToGB(Bytes({0xBF, 0xF9, 0xBB, 0x7E})), Bytes({0xB4, 0xED, 0xCE, 0xF3}));
  // 尋找字串 -> 寻找字串
  EXPECT_EQ(Big5ToGB(Bytes({0xB4, 0x4D, 0xA7, 0xE4, 0xA6, 0x72, 0xA6, 0xEA})),
            Bytes({0xD1, 0xB0, 0xD5, 0xD2, 0xD7, 0xD6, 0xB4, 0xAE}));
  // The breakpoint mark ◆ and the ideographic space.
  EXPECT_EQ(Big5ToGB(Bytes({0xA1, 0xBB})), Bytes({0xA1, 0xF4}));
  EXPECT_EQ(Big5ToGB(Bytes({0xA1, 0x40})), Bytes({0xA1, 0xA1}));
}

TEST(Big5ToGBTest, MixedTextKeepsAsciiAroundPairs) {
  EXPECT_EQ(Big5ToGB("RAM " + Bytes({0xBF, 0xF9, 0xBB, 0x7E}) + "!"),
            "RAM " + Bytes({0xB4, 0xED, 0xCE, 0xF3}) + "!");
}

TEST(Big5ToGBTest, FirstAndLastPositionsUseFirstAndLastEntries) {
  EXPECT_EQ(Big5ToGB(Bytes({0xA1, 0x40})), DbcsCodeToStr(Big5ToGBTable[0]));
  EXPECT_EQ(Big5ToGB(Bytes({0xFE, 0xFE})), DbcsCodeToStr(Big5ToGBTable[Big5TableSize - 1]));
}

TEST(Big5ToGBTest, LoneLeadByteAtEndIsCopied) {
  EXPECT_EQ(Big5ToGB("AB" + Bytes({0xA4})), "AB" + Bytes({0xA4}));
  EXPECT_EQ(Big5ToGB(Bytes({0xA4, 0xA4, 0xB0})), Bytes({0xD6, 0xD0, 0xB0}));
}

TEST(Big5ToGBTest, BadTrailIsCopiedAndThenLookedAtAsLead) {
  // 0xA0 is no trail: 0xA4 and 0xA0 are copied, then 0xA4 0xA4 converts.
  EXPECT_EQ(Big5ToGB(Bytes({0xA4, 0xA0, 0xA4, 0xA4})), Bytes({0xA4, 0xA0, 0xD6, 0xD0}));
  // 0x7F is no trail.
  EXPECT_EQ(Big5ToGB(Bytes({0xA4, 0x7F, 0x41})), Bytes({0xA4, 0x7F, 0x41}));
  // 0xFF is no trail, but it is a lead: 0xFF 0xA4 lies outside the table,
  // so 0xFF is copied alone and 0xA4 0xA4 converts.
  EXPECT_EQ(Big5ToGB(Bytes({0xA4, 0xFF, 0xA4, 0xA4})), Bytes({0xA4, 0xFF, 0xD6, 0xD0}));
}

TEST(Big5ToGBTest, LeadFFIsCopiedAloneAndItsTrailGoesOn) {
  // 0xFF 0xA4 is a pair outside the table: 0xFF alone, then 0xA4 0xA4.
  EXPECT_EQ(Big5ToGB(Bytes({0xFF, 0xA4, 0xA4})), Bytes({0xFF, 0xD6, 0xD0}));
  EXPECT_EQ(Big5ToGB(Bytes({0xFF, 0x40})), Bytes({0xFF, 0x40}));
  EXPECT_EQ(Big5ToGB(Bytes({0xFF, 0xFF})), Bytes({0xFF, 0xFF}));
}

TEST(Big5ToGBTest, BytesBelowA1AreNeverLeads) {
  const std::string s = Bytes({0x80, 0x40, 0x9F, 0xA1, 0xA0, 0x41});
  EXPECT_EQ(Big5ToGB(s), s);
}

// ---- decoding ----

TEST(Big5DecodeTest, Big5ToUtf8) {
  EXPECT_EQ(Big5ToUtf8("plain"), "plain");
  EXPECT_EQ(Big5ToUtf8(Bytes({0xA4, 0xA4, 0xB0, 0xEA})), "中國");
  EXPECT_EQ(Big5ToUtf8(Bytes({0xA1, 0xBB})), "◆");
  EXPECT_EQ(Big5ToUtf8("RAM " + Bytes({0xBF, 0xF9, 0xBB, 0x7E}) + "!"), "RAM 錯誤!");
}

TEST(Big5DecodeTest, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Big5ToUtf8(Bytes({0xA4})), "\xEF\xBF\xBD");
  EXPECT_EQ(Big5ToUtf8(Bytes({0x80, 0x41})), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(Big5ToUtf8(Bytes({0xFF, 0xA4, 0xA4})), "\xEF\xBF\xBD" "中");
  // An unassigned position inside the table (user-defined area) is one U+FFFD.
  EXPECT_EQ(Big5UnicodeTable[Big5Index(Bytes({0xFA, 0x40}))], 0);
  EXPECT_EQ(Big5ToUtf8(Bytes({0xFA, 0x40})), "\xEF\xBF\xBD");
}

TEST(Big5DecodeTest, Gb2312ToUtf8) {
  EXPECT_EQ(Gb2312ToUtf8(Bytes({0xD6, 0xD0, 0xB9, 0xFA})), "中国");
  EXPECT_EQ(Gb2312ToUtf8("x" + Bytes({0xB4, 0xED, 0xCE, 0xF3}) + "y"), "x错误y");
  EXPECT_EQ(Gb2312ToUtf8(Bytes({0xD6})), "\xEF\xBF\xBD");
  EXPECT_EQ(Gb2312ToUtf8(Bytes({0xD6, 0x41})), "\xEF\xBF\xBD" "A");
  // Row 0xAA is unassigned in GB2312.
  EXPECT_EQ(Gb2312ToUtf8(Bytes({0xAA, 0xA1})), "\xEF\xBF\xBD");
}

TEST(Big5DecodeTest, ConvertedTextDecodesToSimplifiedCharacters) {
  EXPECT_EQ(Gb2312ToUtf8(Big5ToGB(Bytes({0xB0, 0x4F, 0xBE, 0xD0, 0xC5, 0xE9}))), "记忆体");
  // Full-width Latin letters are the same in both sets.
  const std::string fullwidth = Bytes({0xA2, 0xCF, 0xA2, 0xD0});  // ＡＢ
  EXPECT_EQ(Big5ToUtf8(fullwidth), "ＡＢ");
  EXPECT_EQ(Gb2312ToUtf8(Big5ToGB(fullwidth)), "ＡＢ");
}

TEST(Utf8Test, AppendUtf8EncodesAllLengthsAndRejectsSurrogates) {
  std::string s;
  AppendUtf8(s, 0x41);
  AppendUtf8(s, 0xE9);
  AppendUtf8(s, 0x4E2D);
  AppendUtf8(s, 0x1F600);
  EXPECT_EQ(s, "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
  std::string bad;
  AppendUtf8(bad, 0xD800);
  AppendUtf8(bad, 0x110000);
  EXPECT_EQ(bad, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kyvor
