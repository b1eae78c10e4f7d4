// The program image: ROM and image bounds, overwriting, fill patterns, the
// word counters and the image checksum.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class ProgramImageModel : public AsmFixture {};

TEST_F(ProgramImageModel, OrgBeyondRomIsStrictOnly) {
  Write("m.asm", Crlf({"  ORG 1000H", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(11, 1, "Addresses above 4K not supported."));
  options.AssembleOnly = 1;
  EXPECT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(asmForm->LocationCounter(), 0x1001);
}

TEST_F(ProgramImageModel, NothingIsWrittenPastTheImage) {
  options.AssembleOnly = 1;
  Write("m.asm", Crlf({"  ORG 7FFFH", "  NOP", "  NOP", "  ORG 0FFFFH", "  NOP"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(11, 3, "Addresses above 4K not supported."));
  EXPECT_EQ(host->Errors.Text(1), Err(11, 5, "Addresses above 4K not supported."));
  EXPECT_EQ(asmForm->ImageCell(0x7FFF).LineSeq, 2);
}

TEST_F(ProgramImageModel, OverwritingIsRefused) {
  Write("m.asm", Crlf({"  MVL 1", "  ORG 0", "  MVL 2", "  MVL 3"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), Err(10, 3, "Overwriting previous address contents."));
  EXPECT_EQ(Word(0), 0x0601);
  // The refused word did not advance the counter: MVL 3 is refused at 0 as well.
  EXPECT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(ProgramImageModel, FillModes) {
  Write("m.asm", Crlf({"  NOP"}));
  Chip().ChipRomWords = 8192;
  options.UnusedFillMode = 2;
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(Word(0), 0x0000);
  EXPECT_EQ(Word(2), 0xC200);
  EXPECT_EQ(Word(1), 0xF000);
  EXPECT_EQ(Word(8191), 0xF000);
  options.UnusedFillMode = 1;
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(Word(1), 0xFFFF);
  EXPECT_EQ(Word(8191), 0xFFFF);
  // The jump to 0 is K08A's; a K08B chip gets the same two words.
  Chip().CoreVariant = 1;
  up.reset();
  options.UnusedFillMode = 2;
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(2), 0xC200);
  EXPECT_EQ(Word(1), 0xF000);
}

class ProgramImage : public HandOffFixture {};

TEST_F(ProgramImage, RomSizeIsWholePages) {
  Chip().ChipRomWords = 1000;  // three pages: 768 words
  ASSERT_EQ(RunSource(Lines({"  ORG 2FFH", "  NOP"})), 1) << AllErrors();
  EXPECT_EQ(asmForm->RomWords(), 768u);
  EXPECT_EQ(Read("main.hex").size(), 768u * 2 + 1536);
  EXPECT_EQ(target->Words.size(), 768u);
  EXPECT_EQ(RunSource(Lines({"  ORG 300H", "  NOP"})), 0);
  EXPECT_TRUE(HasError(E(11, 1, "Addresses above 0K not supported."))) << AllErrors();
}

TEST_F(ProgramImage, FillStopsAtTheRom) {
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

TEST_F(ProgramImage, OverwritingAnAddress) {
  EXPECT_EQ(RunSource(Lines({"  MVL 1", "  ORG 0", "  MVL 2", "  MVL 3"})), 0);
  // The refused word does not advance the counter, so MVL 3 meets address 0 too.
  ASSERT_EQ(Errors(), 2) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(10, 3, "Overwriting previous address contents."));
  EXPECT_EQ(asmForm->ErrorTexts()[1], E(10, 4, "Overwriting previous address contents."));
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(asmForm->LocationCounter(), 0);
}

TEST_F(ProgramImage, OrgBeyondTheRomStrictAndLenient) {
  Chip().ChipRomWords = 4096;
  EXPECT_EQ(RunSource(Lines({"  ORG 1000H", "  NOP"})), 0);
  ASSERT_GE(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(11, 1, "Addresses above 4K not supported."));

  opt.AssembleOnly = 1;
  ASSERT_EQ(RunSource(Lines({"  ORG 1000H", "  MVL 5"})), 1) << AllErrors();
  EXPECT_EQ(W(0x1000), 0x0605);
}

TEST_F(ProgramImage, EmissionPastTheRom) {
  Chip().ChipRomWords = 4096;
  EXPECT_EQ(RunSource(Lines({"  ORG 0FFFH", "  MVL 1", "  MVL 2", "  MVL 3"})), 0);
  ASSERT_EQ(Errors(), 2) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(11, 3, "Addresses above 4K not supported."));
  EXPECT_EQ(asmForm->ErrorTexts()[1], E(11, 4, "Addresses above 4K not supported."));
  EXPECT_EQ(W(0xFFF), 0x0601);
  // The refused words count on top of the last good address.
  EXPECT_EQ(asmForm->AssembledWordCount(), 4096 + 2);
}

TEST_F(ProgramImage, NothingIsWrittenPastTheImage) {
  opt.AssembleOnly = 1;
  Chip().ChipRomWords = 4096;
  const uint8_t r = RunSource(Lines({"  ORG 7FFFH", "  MVL 1", "  MVL 2", "  MVL 3"}));
  (void)r;
  EXPECT_EQ(W(0x7FFF), 0x0601);
  // The image has 32,768 cells: nothing may land at 0 or 1 by wrapping.
  EXPECT_NE(W(0), 0x0602);
  EXPECT_NE(W(1), 0x0603);
  EXPECT_EQ(asmForm->ImageCell(0).LineSeq, 0);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(ProgramImage, OrgPastTheImageIsRefused) {
  opt.AssembleOnly = 1;
  const uint8_t r = RunSource(Lines({"  ORG 8000H", "  MVL 9"}));
  EXPECT_EQ(asmForm->ImageCell(0).LineSeq, 0);
  EXPECT_NE(W(0), 0x0609);
  EXPECT_EQ(r, 0);
}

TEST_F(ProgramImage, WordCountersFollowTheLocationCounter) {
  ASSERT_EQ(RunSource(Lines({"  NOP", "  CALL 5", "  ORG 20H", "  NOP"})), 1);
  EXPECT_EQ(asmForm->AssembledWordCount(), 0x21);
  EXPECT_EQ(asmForm->TotalCodeLines(), 0x21);
}

TEST(ImageChecksum, StepMatchesTheWorkedExample) {
  // "abc" from 0 gives 0xA449.
  uint16_t crc = 0;
  for (char ch : std::string("abc")) crc = ImageCrc16Update(static_cast<uint8_t>(ch), crc);
  EXPECT_EQ(crc, 0xA449);
  uint16_t mine = 0;
  for (char ch : std::string("abc")) mine = Crc16Step(static_cast<uint8_t>(ch), mine);
  EXPECT_EQ(mine, 0xA449);
  // Every byte from a checksum with each high half (and low halves that
  // meet every bit).
  for (int b = 0; b < 256; ++b)
    for (int h = 0; h < 256; ++h)
      for (int l : {0x00, 0x34, 0xA5, 0xFF}) {
        const uint16_t from = static_cast<uint16_t>(h << 8 | l);
        ASSERT_EQ(ImageCrc16Update(static_cast<uint8_t>(b), from),
                  Crc16Step(static_cast<uint8_t>(b), from))
            << b << " from " << from;
      }
}

}  // namespace
}  // namespace kyvor::test
