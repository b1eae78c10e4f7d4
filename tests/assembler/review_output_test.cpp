// Output files byte for byte: listing, symbol map, ASCII dump, binary image
// with the information block, the checksum and the hand-off of words.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

const std::string kRule(98, '=');
const std::string kHead = std::string(28, ' ') + "Name" + "     Location    " + "Address";
const std::string kUnder =
    std::string(28, ' ') + "----" + "     " + "--------" + "    " + "-------";

std::string Right32(const std::string& s) { return std::string(32 - s.size(), ' ') + s; }

// Listing rows.
std::string Row(int n, int addr, uint16_t code, const std::string& text) {
  return Dec4(n) + "  " + Hex4(addr) + "  " + Hex4(code) + "    " + text;
}
std::string Bare(int n, const std::string& text) { return Dec4(n) + "  " + std::string(14, ' ') + text; }
std::string Mark(const std::string& marker, int addr, uint16_t code, const std::string& text) {
  return marker + Hex4(addr) + "  " + Hex4(code) + "    " + text;
}
const std::string kListHead =
    "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n";

class ReviewOutput : public Review {
 protected:
  static uint16_t Crc(const std::vector<uint16_t>& words) {
    uint16_t crc = 0;
    for (uint16_t w : words) {
      crc = Crc16Step(static_cast<uint8_t>(w >> 8), crc);
      crc = Crc16Step(static_cast<uint8_t>(w & 0xFF), crc);
    }
    return crc;
  }
  static uint16_t WordAt(const std::string& bytes, size_t index) {
    return static_cast<uint16_t>((static_cast<uint8_t>(bytes[2 * index]) << 8) |
                                 static_cast<uint8_t>(bytes[2 * index + 1]));
  }
  const std::string kDemo = Lines({"; DEMO", "K EQU 5", "", "START: MVL K", "  CALL 123H", "  NOP"});
  // The demo's program words on a 256-word chip.
  std::vector<uint16_t> DemoImage() const {
    std::vector<uint16_t> w(256, 0);
    w[0] = 0x0605;
    w[1] = 0xC000;
    w[2] = 0xF123;
    return w;
  }
};

TEST_F(ReviewOutput, ListingOfAMainFile) {
  ASSERT_EQ(RunSource(kDemo), 1) << AllErrors();
  const std::string expected = kListHead + Lines({Bare(1, "; DEMO"), Bare(2, "K EQU 5"), Bare(3, ""),
                                                  Row(4, 0, 0x0605, "START: MVL K"),
                                                  Row(5, 1, 0xC000, "  CALL 123H"),
                                                  Mark("I    ", 2, 0xF123, "NOPF    123H"),
                                                  Row(6, 3, 0x0000, "  NOP")});
  EXPECT_EQ(Read("main.lst"), expected);
}

TEST_F(ReviewOutput, ListingWithIncludeAndMacro) {
  Write("SUB.INC", Lines({"  MVL 1", "X EQU 3"}));
  ASSERT_EQ(RunSource(Lines({"ADD2 MACRO P", "  MVL P", "  ADDL 2", "  ENDM", "  NOP",
                             "  INCLUDE SUB.INC", "  ADD2 5", "  NOP"})),
            1)
      << AllErrors();
  const std::string expected =
      kListHead + Lines({Bare(1, "ADD2 MACRO P"), Bare(2, "  MVL P"), Bare(3, "  ADDL 2"),
                         Bare(4, "  ENDM"), Row(5, 0, 0x0000, "  NOP"),
                         Mark("  M   ", 1, 0x0601, "  MVL 1"), Bare(6, "  INCLUDE SUB.INC"),
                         Bare(7, "  ADD2 5"), Mark("  M   ", 2, 0x0605, "  MVL 5"),
                         Mark("  M   ", 3, 0x0402, "  ADDL 2"), Row(8, 4, 0x0000, "  NOP")});
  EXPECT_EQ(Read("main.lst"), expected);
}

TEST_F(ReviewOutput, ListingCopiesUnstoredLinesFromTheFile) {
  ASSERT_EQ(RunSource(Lines({"  if false", "  mvl 1", "  endif", "  nop", "", "; tail"})), 1)
      << AllErrors();
  // Lines without a record come from the file as written; records show the
  // line as read (upper case). The comment after the last code line is a
  // record of its own.
  const std::string expected =
      kListHead + Lines({Bare(1, "  if false"), Bare(2, "  mvl 1"), Bare(3, "  endif"),
                         Row(4, 0, 0x0000, "  NOP"), Bare(5, ""), Bare(6, "; TAIL")});
  EXPECT_EQ(Read("main.lst"), expected);
}

TEST_F(ReviewOutput, ListingStopsAtTheLastRecord) {
  ASSERT_EQ(RunSource(Lines({"  NOP", "", "  IF FALSE", "  NOP", "  ENDIF", ""})), 1);
  EXPECT_EQ(Read("main.lst"), kListHead + Lines({Row(1, 0, 0, "  NOP")}));
}

TEST_F(ReviewOutput, NoListingWhenSwitchedOff) {
  opt.OutListFile = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_FALSE(Exists("main.lst"));
  EXPECT_TRUE(Exists("main.map"));
}

TEST_F(ReviewOutput, SymbolMap) {
  ASSERT_EQ(RunSource(Lines({"K EQU 5", "  MEMAR 80H", "V DS 2", "START: MVL K", "LOOP: RJ LOOP",
                             "S SET 1"})),
            1)
      << AllErrors();
  const std::string expected =
      Lines({kRule, "Memory , Register and Const ", kRule, kHead, kUnder,
             Right32("K") + "     Const       0x0005", Right32("V") + "     Memory      0x0080",
             kRule, "Local  Program  Address ", kRule, kHead, kUnder,
             Right32("START") + "     Program      0x0000",
             Right32("LOOP") + "     Program      0x0001", kRule, "Extern  Program  Address ",
             kRule});
  EXPECT_EQ(Read("main.map"), expected);
}

TEST_F(ReviewOutput, SymbolMapOfAProgramWithoutSymbols) {
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  const std::string expected =
      Lines({kRule, "Memory , Register and Const ", kRule, kHead, kUnder, kRule,
             "Local  Program  Address ", kRule, kRule, "Extern  Program  Address ", kRule});
  EXPECT_EQ(Read("main.map"), expected);
}

TEST_F(ReviewOutput, SymbolMapIsWrittenDespiteErrors) {
  EXPECT_EQ(RunSource(Lines({"K EQU 0-1", "  MVL NOPE"})), 0);
  const std::string expected =
      Lines({kRule, "Memory , Register and Const ", kRule, kHead, kUnder,
             Right32("K") + "     Const       0xFFFF", kRule, "Local  Program  Address ", kRule,
             kHead, kUnder, kRule, "Extern  Program  Address ", kRule});
  EXPECT_EQ(Read("main.map"), expected);
}

TEST_F(ReviewOutput, AsciiDump) {
  ASSERT_EQ(RunSource(kDemo), 1) << AllErrors();
  const auto img = DemoImage();
  std::string expected;
  const char* texts[4] = {"START: MVL K", "  CALL 123H", "NOPF    123H", "  NOP"};
  for (int a = 0; a < 256; ++a) {
    expected += Bin16Groups(img[a]) + "        // ";
    if (a < 4)
      expected += " " + Hex4(a) + "  " + texts[a];
    else
      expected += " " + Hex4(a) + " <Empty>";
    expected += "\r\n";
  }
  EXPECT_EQ(Read("main.asc"), expected);
}

TEST_F(ReviewOutput, BinaryImageWithTheAlternativeBlock) {
  Chip().ChipListVersion = 0x0102;
  Chip().ChipSubId = 3;
  ASSERT_EQ(RunSource(kDemo), 1) << AllErrors();
  const auto img = DemoImage();
  const uint16_t crc = Crc(img);
  EXPECT_EQ(asmForm->CodeChecksum(), crc);
  EXPECT_EQ(target->Checksum, crc);
  EXPECT_EQ(host->Checksum, "Checksum = 0x" + Hex4(crc));

  const std::string hex = Read("main.hex");
  ASSERT_EQ(hex.size(), 256u * 2 + 1536);
  for (int a = 0; a < 256; ++a) EXPECT_EQ(WordAt(hex, a), img[a]) << a;
  std::vector<uint16_t> block(768, 0);
  for (int i = 752; i <= 756; ++i) block[i] = 0;
  for (int i = 757; i <= 760; ++i) block[i] = 0xFFFF;
  block[761] = 0;
  block[762] = 0x0102;
  block[763] = 3;
  block[764] = 0x0A16;
  block[765] = crc;
  block[767] = 0xFFFF;
  std::vector<uint16_t> covered(block.begin(), block.begin() + 766);
  covered.push_back(block[767]);
  block[766] = Crc(covered);
  for (int i = 0; i < 768; ++i) {
    EXPECT_EQ(WordAt(hex, 256 + i), block[i]) << i;
    EXPECT_EQ(target->BlockAlt[i], block[i]) << i;
  }
  EXPECT_EQ(target->BlockCrc, block[766]);
}

TEST_F(ReviewOutput, AlternativeBlockFromTheOptions) {
  blockFill = 0x1111;
  opt.EnHAO = 1;
  opt.EnSHAO = 1;
  opt.EHAO = 0x12345;
  opt.EnSLAO = 1;
  opt.EPERMISS = 0x1AB;
  opt.ELAO = 0x54321;
  opt.STKOVSTOP = 1;
  opt.CProtect = 1;
  opt.OutBinaryFile = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  const auto& b = target->BlockAlt;
  EXPECT_EQ(b[751], 0x1111);  // the template part is left alone
  EXPECT_EQ(b[752], 0x0101);
  EXPECT_EQ(b[753], 0x0001);
  EXPECT_EQ(b[754], 0x2345);
  EXPECT_EQ(b[755], 0x01AB);
  EXPECT_EQ(b[756], 0x4321);
  EXPECT_EQ(b[761], 1);
  EXPECT_EQ(b[767], 0xF7FE);
  std::vector<uint16_t> covered(b.begin(), b.begin() + 766);
  covered.push_back(b[767]);
  EXPECT_EQ(b[766], Crc(covered));
  // The other block is untouched.
  for (int i = 100; i < 256; ++i) EXPECT_EQ(target->Block[i], 0x1111) << i;
}

TEST_F(ReviewOutput, ImageSizeOfAn8KChip) {
  Chip().ChipRomWords = 8192;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(Read("main.hex").size(), 17920u);
  // 19 binary characters, "        // ", " ", four hex digits, then "  " + the
  // text or " <Empty>", and CR LF.
  EXPECT_EQ(Read("main.asc").size(), (19u + 11 + 1 + 4 + 2 + 5 + 2) + 8191u * (19 + 11 + 1 + 4 + 8 + 2));
}

TEST_F(ReviewOutput, BinaryImageWithTheKind3Block) {
  blockFill = 0x2222;
  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  Chip().ChipListVersion = 7;
  opt.AcceptedPodChipId = 0x1234;
  ASSERT_EQ(RunSource(kDemo), 1) << AllErrors();
  const uint16_t crc = Crc(DemoImage());
  const std::string hex = Read("main.hex");
  ASSERT_EQ(hex.size(), 256u * 2 + 512);
  auto blk = [&](int i) { return WordAt(hex, 256 + i); };
  EXPECT_EQ(blk(109), 0x0A16);
  EXPECT_EQ(blk(114), 0x0000);
  EXPECT_EQ(blk(115), 0x0000);
  EXPECT_EQ(blk(116), 0x7807);
  EXPECT_EQ(blk(119), 7);
  EXPECT_EQ(blk(120), 0x1234);
  EXPECT_EQ(blk(123), crc);
  EXPECT_EQ(blk(124), 0x6433);
  EXPECT_EQ(blk(125), 0x01FE);
  EXPECT_EQ(blk(126), 0x6633);
  EXPECT_EQ(blk(127), 0xFFFE);
  EXPECT_EQ(blk(117), 0x2222);
  EXPECT_EQ(blk(0), 0x2222);
  EXPECT_EQ(target->Block[227], 0xFFFE);
  EXPECT_EQ(target->Block[124], 0x6433);
  // The alternative block's option words are left as they were.
  for (int i = 752; i < 768; ++i) EXPECT_EQ(target->BlockAlt[i], 0x2222) << i;
}

TEST_F(ReviewOutput, Kind3BlockWithoutTheImageFile) {
  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  opt.OutBinaryFile = 0;
  opt.CProtect = 1;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  const auto& b = target->Block;
  EXPECT_EQ(b[114], 0);
  EXPECT_EQ(b[115], 0);
  EXPECT_EQ(b[116], 0x7807);
  EXPECT_EQ(b[123], asmForm->CodeChecksum());
  EXPECT_EQ(b[124], 0x642E);
  EXPECT_EQ(b[125], 0x01BF);
  EXPECT_EQ(b[126], 0x662E);
  EXPECT_EQ(b[127], 0xF7FE);
  EXPECT_FALSE(Exists("main.hex"));
}

TEST_F(ReviewOutput, Kind3BlockAcmWords) {
  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  opt.OutBinaryFile = 0;
  opt.AcmGroupEnabled = 1;
  opt.RACM10 = 1;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(target->Block[114], 0x067F);
  EXPECT_EQ(target->Block[115], 0x2A38);
  opt.RACM10 = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(target->Block[114], 0x0680);
  EXPECT_EQ(target->Block[115], 0x2E38);
  Chip().ChipId = 0x21;
  opt.RACM10 = 1;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(target->Block[114], 0x0680);
  EXPECT_EQ(target->Block[115], 0x2E2E);
  EXPECT_EQ(target->Block[116], 0x780A);
  Chip().CoreVariant = 1;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(target->Block[116], 0x787C);
}

TEST_F(ReviewOutput, WordsGoToTheCpuModelWithTheirLines) {
  Write("SUB.INC", Lines({"", "  MVL 9"}));
  ASSERT_EQ(RunSource(Lines({"  NOP", "  CALL 5", "  INCLUDE SUB.INC"})), 1) << AllErrors();
  ASSERT_EQ(target->Words.size(), 256u);
  struct X {
    int Address;
    uint16_t Word;
    int Line, File;
  } expect[] = {{0, 0x0000, 1, 0}, {1, 0xC000, 2, 0}, {2, 0xF005, 2, 0}, {3, 0x0609, 2, 1},
                {4, 0x0000, 0, 0}, {255, 0x0000, 0, 0}};
  for (const auto& e : expect) {
    const auto& s = target->Words[e.Address];
    EXPECT_EQ(s.Address, e.Address);
    EXPECT_EQ(s.Word, e.Word) << e.Address;
    EXPECT_EQ(s.Line, e.Line) << e.Address;
    EXPECT_EQ(s.File, e.File) << e.Address;
  }
  ASSERT_EQ(host->Loaded.size(), 2u);
  EXPECT_EQ(host->Loaded[0], P("main.asm"));
  EXPECT_EQ(host->Loaded[1], P("SUB.INC"));
}

TEST_F(ReviewOutput, FillPatterns) {
  opt.UnusedFillMode = 1;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(W(0), 0x0000);
  EXPECT_EQ(W(1), 0xFFFF);
  EXPECT_EQ(W(255), 0xFFFF);
  opt.UnusedFillMode = 2;
  Chip().ChipRomWords = 8192;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(W(0), 0x0000);
  EXPECT_EQ(W(1), 0xF000);
  EXPECT_EQ(W(2), 0xC200);
  EXPECT_EQ(W(8191), 0xF000);
  const std::string hex = Read("main.hex");
  EXPECT_EQ(WordAt(hex, 2), 0xC200);
}

}  // namespace
}  // namespace kyvor::review
