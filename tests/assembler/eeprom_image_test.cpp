// The EEPROM image (".EEH") of a build with ROM emulation type 1: the
// program padded to 8,192 words, then 128 block words of which 114..127 are
// the image's own; written only when switched on and without errors.
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class EepromImage : public HandOffFixture {
 protected:
  void SetUp() override {
    HandOffFixture::SetUp();
    opt.RomEmulationType = 1;
    opt.OutBinaryFile = 0;  // the ".hex" writer would put the chip id into the block
  }
  std::vector<uint16_t> Words(const std::string& name) const {
    const std::string bytes = Read(name);
    std::vector<uint16_t> w;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      w.push_back(static_cast<uint16_t>((static_cast<uint8_t>(bytes[i]) << 8) |
                                        static_cast<uint8_t>(bytes[i + 1])));
    return w;
  }
};

TEST_F(EepromImage, SmallChipIsPaddedTo8KWords) {
  Chip().ChipRomWords = 4096;
  blockFill = 0x1357;
  ASSERT_EQ(RunSource(Lines({"  MVL 5", "  ORG 0FFFH", "  RET"})), 1) << AllErrors();
  ASSERT_EQ(Read("main.EEH").size(), 16640u);
  const auto w = Words("main.EEH");
  EXPECT_EQ(w[0], 0x0605);
  EXPECT_EQ(w[0xFFF], 0x000A);
  for (int a = 4096; a < 8192; ++a) ASSERT_EQ(w[a], 0) << a;
  // Words 0..113 of the block as they are, whatever the chip's layout.
  for (int i = 0; i < 114; ++i) ASSERT_EQ(w[8192 + i], 0x1357) << i;
}

TEST_F(EepromImage, SizeByRom) {
  Chip().ChipRomWords = 8192;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(Read("main.EEH").size(), 16640u);
  // A larger ROM is written whole, with nothing added.
  Chip().ChipRomWords = 16384;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(Read("main.EEH").size(), 16384u * 2 + 256);
}

TEST_F(EepromImage, ImageWordsOfTheBlock) {
  Chip().ChipListVersion = 0x0305;
  opt.AcceptedPodChipId = 0x8024;
  blockFill = 0x2468;
  ASSERT_EQ(RunSource(Lines({"  MVL 5"})), 1);
  const auto w = Words("main.EEH");
  ASSERT_EQ(w.size(), 8192u + 128);
  auto blk = [&](int i) { return w[8192 + i]; };
  EXPECT_EQ(blk(113), 0x2468);
  EXPECT_EQ(blk(114), 0x0000);  // the ACM group is disabled
  EXPECT_EQ(blk(115), 0x0000);
  EXPECT_EQ(blk(116), 0x780A);  // K08A
  for (int i : {117, 118, 121, 122}) EXPECT_EQ(blk(i), 0x0000) << i;
  EXPECT_EQ(blk(119), 0x0305);
  EXPECT_EQ(blk(120), 0x8024);
  uint16_t crc = 0;
  for (int a = 0; a < 256; ++a) {
    const uint16_t word = a == 0 ? 0x0605 : 0;
    crc = Crc16Step(static_cast<uint8_t>(word >> 8), crc);
    crc = Crc16Step(static_cast<uint8_t>(word & 0xFF), crc);
  }
  EXPECT_EQ(blk(123), crc);
  for (int i : {124, 125, 126}) EXPECT_EQ(blk(i), 0xFFFF) << i;
  EXPECT_EQ(blk(127), 0xFFFE);
  // The words are the image's: the block keeps what it held.
  for (int i = 114; i < 128; ++i) EXPECT_EQ(target->Block[i], 0x2468) << i;
}

TEST_F(EepromImage, CoreProtectionAndAcmWords) {
  Chip().CoreVariant = 1;
  opt.CProtect = 1;
  opt.AcmGroupEnabled = 1;
  struct Case {
    uint16_t chip;
    uint8_t acm10;
    uint16_t w114, w115;
  };
  for (const Case& c : {Case{0x21, 1, 0x0680, 0x2E2E}, Case{0x62, 0, 0x067F, 0x2A2E},
                        Case{0x0A16, 1, 0x067F, 0x2A38}, Case{0x0A16, 0, 0x0680, 0x2E38}}) {
    Chip().ChipId = c.chip;
    opt.RACM10 = c.acm10;
    ASSERT_EQ(RunSource(Lines({"  NOP"})), 1) << AllErrors();
    const auto w = Words("main.EEH");
    ASSERT_EQ(w.size(), 8192u + 128);
    EXPECT_EQ(w[8192 + 114], c.w114) << c.chip;
    EXPECT_EQ(w[8192 + 115], c.w115) << c.chip;
    EXPECT_EQ(w[8192 + 116], 0x787F);
    EXPECT_EQ(w[8192 + 127], 0xF7FE);
  }
}

TEST_F(EepromImage, OnlyWithTheEepromAndWithoutErrors) {
  opt.RomEmulationType = 0;
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_FALSE(Exists("main.EEH"));
  opt.RomEmulationType = 1;
  Write("main.EEH", "old");
  EXPECT_EQ(RunSource(Lines({"  MVL NOWHERE"})), 0);
  EXPECT_FALSE(Exists("main.EEH")) << "a failed build leaves no earlier image";
  Write("main.EEH", "old");
  // A good build replaces the old file.
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_EQ(Read("main.EEH").size(), 16640u);
}

TEST_F(EepromImage, ImageThatCannotBeCreated) {
  Write("main.EEH/keep", "a folder in the way");
  EXPECT_EQ(RunSource(Lines({"  NOP"})), 0);
  EXPECT_TRUE(HasError("Couldn't open file [" + P("main.EEH") + "]")) << AllErrors();
  EXPECT_EQ(Errors(), 1);
}

}  // namespace
}  // namespace kyvor::test
