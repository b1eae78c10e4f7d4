// Output files byte for byte: listing, symbol map, ASCII dump and binary
// image with its information block; switched-off and unwritable outputs.
#include "asm_fixture.h"
#include "handoff_fixture.h"
#include "base/numbers.h"

namespace kyvor::test {
namespace {

class OutputFilesModel : public AsmFixture {};

TEST_F(OutputFilesModel, InformationBlockByDeviceKind) {
  Write("m.asm", Crlf({"  NOP"}));
  Chip().ChipListVersion = 0x0102;
  Chip().ChipSubId = 7;
  options.CProtect = 1;
  options.EnHAO = 1;
  options.EHAO = 0x123456;
  options.EPERMISS = 0x1FF;
  options.EnSLAO = 1;
  options.ELAO = 0x3456;
  options.STKOVSTOP = 1;
  ASSERT_EQ(Assemble("m.asm"), 1);
  const auto& alt = up->Info.InfoBlockAlt;
  EXPECT_EQ(alt[752], 256);
  EXPECT_EQ(alt[753], 0x12);
  EXPECT_EQ(alt[754], 0x3456);
  EXPECT_EQ(alt[755], 0x1FF);
  EXPECT_EQ(alt[756], 0x3456);
  EXPECT_EQ(alt[757], 0xFFFF);
  EXPECT_EQ(alt[760], 0xFFFF);
  EXPECT_EQ(alt[761], 1);
  EXPECT_EQ(alt[762], 0x0102);
  EXPECT_EQ(alt[763], 7);
  EXPECT_EQ(alt[764], 0x0A16);
  EXPECT_EQ(alt[765], asmForm->CodeChecksum());
  EXPECT_EQ(alt[767], 0xF7FE);
  uint16_t crc = 0;
  for (int i = 0; i <= 767; ++i) {
    if (i == 766) continue;
    crc = ImageCrc16Update(static_cast<uint8_t>(alt[i] >> 8), crc);
    crc = ImageCrc16Update(static_cast<uint8_t>(alt[i] & 0xFF), crc);
  }
  EXPECT_EQ(alt[766], crc);
  EXPECT_EQ(target->BlockCrc(), crc);
  EXPECT_EQ(up->Info.InfoBlock[116], 0);  // the other layout is left alone
  // .hex: ROM words x 2 + 1,536 bytes, the block after the program.
  const std::string hex = Read("m.hex");
  ASSERT_EQ(hex.size(), 4096u * 2 + 1536u);
  EXPECT_EQ(static_cast<unsigned char>(hex[8192 + 2 * 764]), 0x0A);
  EXPECT_EQ(static_cast<unsigned char>(hex[8192 + 2 * 764 + 1]), 0x16);

  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  Chip().CoreVariant = 0;
  up->Info.InfoBlockAlt.fill(0x5555);
  Chip().AcmRegister = 0x138;
  Chip().AcmBit = 2;
  options.AcmGroupEnabled = 1;
  options.RACM10 = 1;
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(up->Info.InfoBlockAlt[752], 0x5555);
  // The image writer puts the chip's ACM data into the block (inverted mask).
  EXPECT_EQ(up->Info.InfoBlock[114], 0x06FB);
  EXPECT_EQ(up->Info.InfoBlock[115], 0x2A38);
  EXPECT_EQ(up->Info.InfoBlock[116], 0x7807);
  EXPECT_EQ(up->Info.InfoBlock[123], asmForm->CodeChecksum());
  EXPECT_EQ(up->Info.InfoBlock[124], 0x6433);  // written by the image writer
  EXPECT_EQ(up->Info.InfoBlock[127], 0xF7FE);
  EXPECT_EQ(up->Info.InfoBlock[227], 0xF7FE);
  EXPECT_EQ(up->Info.InfoBlock[109], 0x0A16);
  const std::string hex3 = Read("m.hex");
  ASSERT_EQ(hex3.size(), 4096u * 2 + 512u);
  EXPECT_EQ(hex3[8192 + 2 * 114], 0);
  EXPECT_EQ(hex3[8192 + 2 * 115 + 1], 0);
}

TEST_F(OutputFilesModel, HexOfAn8kChip) {
  Chip().ChipRomWords = 8192;
  Write("m.asm", Crlf({"  MVL 1"}));
  ASSERT_EQ(Assemble("m.asm"), 1);
  const std::string hex = Read("m.hex");
  ASSERT_EQ(hex.size(), 17920u);
  EXPECT_EQ(static_cast<unsigned char>(hex[0]), 0x06);
  EXPECT_EQ(static_cast<unsigned char>(hex[1]), 0x01);
}

TEST_F(OutputFilesModel, OutputFileThatCannotBeWritten) {
  Write("m.asm", Crlf({"  NOP"}));
  std::filesystem::create_directories(dir_ / "m.lst");  // a folder in the way
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Couldn't open file [" + Path("m.lst") + "]");
}

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

class OutputFiles : public HandOffFixture {
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

TEST_F(OutputFiles, WriterRecomputesWord116WithoutTheChipException) {
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

TEST_F(OutputFiles, WriterAcmWordsFromTheChip) {
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

TEST_F(OutputFiles, WriterWithTheAcmGroupDisabled) {
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

TEST_F(OutputFiles, ListingOfAMainFile) {
  ASSERT_EQ(RunSource(kDemo), 1) << AllErrors();
  const std::string expected = kListHead + Lines({Bare(1, "; DEMO"), Bare(2, "K EQU 5"), Bare(3, ""),
                                                  Row(4, 0, 0x0605, "START: MVL K"),
                                                  Row(5, 1, 0xC000, "  CALL 123H"),
                                                  Mark("I    ", 2, 0xF123, "NOPF    123H"),
                                                  Row(6, 3, 0x0000, "  NOP")});
  EXPECT_EQ(Read("main.lst"), expected);
}

TEST_F(OutputFiles, ListingWithIncludeAndMacro) {
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

TEST_F(OutputFiles, ListingCopiesUnstoredLinesFromTheFile) {
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

TEST_F(OutputFiles, ListingStopsAtTheLastRecord) {
  ASSERT_EQ(RunSource(Lines({"  NOP", "", "  IF FALSE", "  NOP", "  ENDIF", ""})), 1);
  EXPECT_EQ(Read("main.lst"), kListHead + Lines({Row(1, 0, 0, "  NOP")}));
}

TEST_F(OutputFiles, NoListingWhenSwitchedOff) {
  opt.OutListFile = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_FALSE(Exists("main.lst"));
  EXPECT_TRUE(Exists("main.map"));
}

TEST_F(OutputFiles, SymbolMap) {
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

TEST_F(OutputFiles, SymbolMapOfAProgramWithoutSymbols) {
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  const std::string expected =
      Lines({kRule, "Memory , Register and Const ", kRule, kHead, kUnder, kRule,
             "Local  Program  Address ", kRule, kRule, "Extern  Program  Address ", kRule});
  EXPECT_EQ(Read("main.map"), expected);
}

TEST_F(OutputFiles, SymbolMapIsWrittenDespiteErrors) {
  EXPECT_EQ(RunSource(Lines({"K EQU 0-1", "  MVL NOPE"})), 0);
  const std::string expected =
      Lines({kRule, "Memory , Register and Const ", kRule, kHead, kUnder,
             Right32("K") + "     Const       0xFFFF", kRule, "Local  Program  Address ", kRule,
             kHead, kUnder, kRule, "Extern  Program  Address ", kRule});
  EXPECT_EQ(Read("main.map"), expected);
}

TEST_F(OutputFiles, AsciiDump) {
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

TEST_F(OutputFiles, BinaryImageWithTheAlternativeBlock) {
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

TEST_F(OutputFiles, AlternativeBlockFromTheOptions) {
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

TEST_F(OutputFiles, ImageSizeOfAn8KChip) {
  Chip().ChipRomWords = 8192;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(Read("main.hex").size(), 17920u);
  // 19 binary characters, "        // ", " ", four hex digits, then "  " + the
  // text or " <Empty>", and CR LF.
  EXPECT_EQ(Read("main.asc").size(), (19u + 11 + 1 + 4 + 2 + 5 + 2) + 8191u * (19 + 11 + 1 + 4 + 8 + 2));
}

TEST_F(OutputFiles, BinaryImageWithTheKind3Block) {
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

TEST_F(OutputFiles, Kind3BlockWithoutTheImageFile) {
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

TEST_F(OutputFiles, Kind3BlockAcmWords) {
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

TEST_F(OutputFiles, WordsGoToTheCpuModelWithTheirLines) {
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

TEST_F(OutputFiles, FillPatterns) {
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

class OutputSwitches : public HandOffFixture {};

TEST_F(OutputSwitches, SwitchedOffOutputs) {
  opt.OutAsciiFile = 0;
  opt.OutBinaryFile = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_FALSE(Exists("main.asc"));
  EXPECT_FALSE(Exists("main.hex"));
  EXPECT_TRUE(Exists("main.map"));
  EXPECT_TRUE(Exists("main.lst"));
  EXPECT_FALSE(Exists("main.obj"));
  EXPECT_FALSE(Exists("main.EEH"));
}

TEST_F(OutputSwitches, UnwritableListingIsFatal) {
  std::filesystem::create_directories(dir_ / "main.lst");
  EXPECT_EQ(RunSource(Lines({"  NOP"})), 0);
  const std::string text = "Couldn't open file [" + P("main.lst") + "]";
  ASSERT_GE(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], text);
  ASSERT_GE(host->Raw.size(), 1u);
  EXPECT_EQ(host->Raw[0].Text, text);
  EXPECT_EQ(host->Raw[0].Line, 0);
  EXPECT_EQ(Read("main.err"), text + "\r\n");
  EXPECT_FALSE(Exists("main.hex"));
}

TEST_F(OutputSwitches, UnwritableImageEndsTheRunBeforeTheHandOff) {
  Write("main.hex/keep", "x");  // a folder in the image file's place
  EXPECT_EQ(RunSource(Lines({"K EQU 1", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], "Couldn't open file [" + P("main.hex") + "]");
  EXPECT_TRUE(target->Symbols.empty());
  EXPECT_EQ(target->Resets, 0);
  EXPECT_EQ(target->Words.size(), 256u);
  EXPECT_TRUE(Exists("main.asc")) << "written by this run before the image failed";
  EXPECT_EQ(host->Checksum, "");
}

TEST_F(OutputSwitches, UnwritableMap) {
  Write("main.map/keep", "x");
  EXPECT_EQ(RunSource(Lines({"  NOP"})), 0);
  ASSERT_GE(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], "Couldn't open file [" + P("main.map") + "]");
  EXPECT_FALSE(Exists("main.asc"));
  EXPECT_FALSE(std::filesystem::is_regular_file(dir_ / "main.hex"));
}

TEST_F(OutputSwitches, AsciiDumpShowsTheLineAsRead) {
  ASSERT_EQ(RunSource(Lines({"ONE MACRO P", "  MVL P", "  ENDM", "  ONE 5"})), 1) << AllErrors();
  const std::string asc = Read("main.asc");
  const std::string first = asc.substr(0, asc.find("\r\n"));
  EXPECT_EQ(first, Bin16Groups(0x0605) + "        // " + " 0000" + "  " + "  MVL P");
}

TEST_F(OutputSwitches, IncludeLinesAreListedWithTheirCanonicalOperands) {
  Write("SUB.INC", Lines({"  MVL K", "  ADDL K+1"}));
  ASSERT_EQ(RunSource(Lines({"K EQU 12H", "  INCLUDE SUB.INC", "  MVL K"})), 1) << AllErrors();
  const std::string head =
      "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n";
  EXPECT_EQ(Read("main.lst"),
            head + Lines({"0001" + std::string(16, ' ') + "K EQU 12H",
                          "  M   0000  0612      MVL 12H", "  M   0001  0413      ADDL 0013H",
                          "0002" + std::string(16, ' ') + "  INCLUDE SUB.INC",
                          "0003  0002  0612      MVL K"}));
}

TEST_F(OutputSwitches, BankAndTableOperandTextsInTheListing) {
  Write("SUB.INC", Lines({"  LBSR B1", "  TBLR K", "  LBSR 2"}));
  ASSERT_EQ(RunSource(Lines({"B1 EQU 180H", "K EQU 1", "  INCLUDE SUB.INC"})), 1) << AllErrors();
  const std::string lst = Read("main.lst");
  EXPECT_NE(lst.find("  M   0000  0011      LBSR 001H\r\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("  M   0001  0007      TBLR K\r\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find("  M   0002  0012      LBSR 2\r\n"), std::string::npos) << lst;
}

}  // namespace
}  // namespace kyvor::test
