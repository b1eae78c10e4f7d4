// Driver details: the final symbol table after call shortening, ROM sizes
// that are no multiple of 256, the image writer's information block, the
// chip-113 register rule at its bound and failing hand-offs.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewDriver : public Review {
 protected:
  static uint16_t WordAt(const std::string& bytes, size_t index) {
    return static_cast<uint16_t>((static_cast<uint8_t>(bytes[2 * index]) << 8) |
                                 static_cast<uint8_t>(bytes[2 * index + 1]));
  }
};

TEST_F(ReviewDriver, RomSizeIsWholePages) {
  Chip().ChipRomWords = 1000;  // three pages: 768 words
  ASSERT_EQ(RunSource(Lines({"  ORG 2FFH", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(asmForm->RomWords(), 768u);
  EXPECT_EQ(Read("main.hex").size(), 768u * 2 + 1536);
  EXPECT_EQ(target->Words.size(), 768u);
  EXPECT_EQ(RunSource(Lines({"  ORG 300H", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(11, 1, "Addresses above 0K not supported."))) << AllErrors();
}

TEST_F(ReviewDriver, FillStopsAtTheRom) {
  Chip().ChipRomWords = 4096;
  opt.UnusedFillMode = 1;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(W(4095), 0xFFFF);
  EXPECT_EQ(W(4096), 0x0000);
  std::vector<uint16_t> words(4096, 0xFFFF);
  words[0] = 0;
  uint16_t crc = 0;
  for (uint16_t w : words) {
    crc = Crc16Step(static_cast<uint8_t>(w >> 8), crc);
    crc = Crc16Step(static_cast<uint8_t>(w & 0xFF), crc);
  }
  EXPECT_EQ(asmForm->CodeChecksum(), crc);
}

TEST_F(ReviewDriver, WriterRecomputesWord116WithoutTheChipException) {
  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  Chip().ChipId = 0x21;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  const std::string hex = Read("main.hex");
  ASSERT_EQ(hex.size(), 1024u);
  EXPECT_EQ(Hex4(WordAt(hex, 256 + 116)), "7807");
  EXPECT_EQ(Hex4(target->Block[116]), "7807");
  EXPECT_EQ(Hex4(WordAt(hex, 256 + 109)), "0021");
}

TEST_F(ReviewDriver, WriterAcmWordsFromTheChip) {
  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  Chip().AcmRegister = 0x138;
  Chip().AcmBit = 3;  // mask 08, inverted F7
  opt.AcmGroupEnabled = 1;
  struct C {
    uint8_t Acm10, Option;
    const char *W114, *W115;
  } cases[] = {{1, 0, "06F7", "2A38"}, {1, 1, "0000", "0000"}, {0, 0, "0608", "2E38"},
               {0, 1, "06F7", "2A38"}};
  for (const auto& c : cases) {
    opt.RACM10 = c.Acm10;
    Chip().AcmOption = c.Option;
    ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
    EXPECT_EQ(Hex4(target->Block[114]), c.W114) << int(c.Acm10) << int(c.Option);
    EXPECT_EQ(Hex4(target->Block[115]), c.W115) << int(c.Acm10) << int(c.Option);
    const std::string hex = Read("main.hex");
    EXPECT_EQ(WordAt(hex, 256 + 114), 0);
    EXPECT_EQ(WordAt(hex, 256 + 115), 0);
  }
}

TEST_F(ReviewDriver, WriterWithTheAcmGroupDisabled) {
  blockFill = 0x3333;
  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(target->BlockAlt[114], 0);
  EXPECT_EQ(target->BlockAlt[115], 0);
  EXPECT_EQ(target->BlockAlt[113], 0x3333);
  EXPECT_EQ(target->Block[114], 0);
  EXPECT_EQ(target->Block[115], 0);
}

TEST_F(ReviewDriver, PclatlRuleCoversAddresses0To64) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  std::string at64;
  for (int i = 0; i < 64; ++i) at64 += "  NOP\r\n";
  EXPECT_EQ(RunSource(at64 + "  MVF 1BH, 1, 0\r\n"), 0);
  EXPECT_TRUE(HasError(E(52, 65, "In KYM06 , PCLATL can not be use before 0040h")))
      << AllErrors();
  EXPECT_EQ(RunSource(at64 + "  NOP\r\n  MVF 1BH, 1, 0\r\n"), 1) << AllErrors();
  // Other forms of the register are allowed.
  EXPECT_EQ(RunSource(Lines({"  MVF 1BH, 0, 0", "  MVF 1AH, 1, 0", "  CLRF 1BH"})), 1)
      << AllErrors();
}

TEST_F(ReviewDriver, SourcePageThatCannotBeLoaded) {
  failLoad = true;
  EXPECT_EQ(RunSource(Lines({"K EQU 3", "  NOP"})), 0);
  EXPECT_EQ(Errors(), 0);
  ASSERT_EQ(target->Symbols.size(), 1u);
  EXPECT_EQ(target->Symbols[0].Name, "K");
  EXPECT_TRUE(Exists("main.hex"));
}

TEST_F(ReviewDriver, NoRoomForTheMacroTable) {
  failMacroTable = true;
  EXPECT_EQ(RunSource(Lines({"  NOP"})), 0);
  EXPECT_TRUE(host->LineInfo.empty());
}

TEST_F(ReviewDriver, ObjectFileNamesGetNoSourcePage) {
  Write("SUB.INC", Lines({"  NOP"}));
  ASSERT_EQ(RunSource(Lines({"  INCLUDE SUB.INC", "  NOP"})), 1) << AllErrors();
  ASSERT_EQ(host->Loaded.size(), 2u);
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewProbe : public Review {};

TEST_F(ReviewProbe, ForwardNamesInSecondWords) {
  ASSERT_EQ(RunSource(Lines({"  MVFF 12H, DST", "  MVLP TAB", "  LDPR PTR, 1", "  LBSR BANK",
                             "DST EQU 34H", "TAB EQU 1567H", "PTR EQU 123H", "BANK EQU 180H"})),
            1)
      << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "D012");
  EXPECT_EQ(Hex4(W(1)), "F034");
  EXPECT_EQ(Hex4(W(2)), "0901");
  EXPECT_EQ(Hex4(W(3)), "F567");
  EXPECT_EQ(Hex4(W(4)), "000D");
  EXPECT_EQ(Hex4(W(5)), "F123");
  EXPECT_EQ(Hex4(W(6)), "0011");
}

TEST_F(ReviewProbe, IncludingTheMainFileOrOneFileUnderTwoNames) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE MAIN.ASM"})), 0);
  EXPECT_TRUE(HasCode(20) || AllErrors().find("Circular file reference...") != std::string::npos)
      << AllErrors();
  Write("SUB.INC", Lines({"  NOP"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE SUB.INC", "  INCLUDE .\\SUB.INC"})), 0);
  EXPECT_NE(AllErrors().find("Circular file reference..."), std::string::npos) << AllErrors();
}

}  // namespace
}  // namespace kyvor::review
