// The information block and its builder: golden words of each layout for
// the template, start-up, build and image steps.
#include <gtest/gtest.h>

#include <vector>

#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/infoblock.h"
#include "support/chip_folder.h"

namespace kyvor {
namespace {

// A template file of `count` words, word k = base + k, high byte first.
std::vector<uint8_t> Words(int count, uint16_t base) {
  std::vector<uint8_t> f;
  for (int k = 0; k < count; ++k) {
    const uint16_t w = static_cast<uint16_t>(base + k);
    f.push_back(static_cast<uint8_t>(w >> 8));
    f.push_back(static_cast<uint8_t>(w & 0xFF));
  }
  return f;
}

class InfoBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetChipState();
    ResetOptions();
    block.InfoBlock.fill(0x7777);
    block.InfoBlockAlt.fill(0x7777);
  }
  void TearDown() override {
    test::ResetChipState();
    ResetOptions();
  }
  TInfoBlockBuilder Builder() { return TInfoBlockBuilder(block, Chip(), Options()); }
  void ShortLayout() {
    Chip().DeviceKind3 = 1;
    Chip().DeviceNotKind3 = 0;
  }

  TInfoBlock block;
};

TEST_F(InfoBlockTest, ShortLayoutTemplatesThenTheSbmLoaderWords) {
  ShortLayout();
  TChipConfig& c = Chip();
  c.SbmBankSize = 2;
  c.SbmSector = 1;
  c.SbmRom = {0x12, 0x34, 0x56, 0x78, 0x9A};
  c.SbmStart = 0x1F5;
  c.ChipSubId = 0x0042;
  Options().STKOVSTOP = 1;
  TInfoTemplates t;
  t.Main = Words(132, 0x1000);
  // One sector of 128 words is skipped; five words are left for 128..132.
  t.Sbm = Words(128, 0xE000);
  const std::vector<uint8_t> tail = Words(5, 0x5000);
  t.Sbm.insert(t.Sbm.end(), tail.begin(), tail.end());
  Builder().BuildBeforeAssembly(t);

  const auto& b = block.InfoBlock;
  for (int i = 0; i < 128; ++i) {
    if (i == 112 || i == 113) continue;
    EXPECT_EQ(b[i], 0x1002 + i) << i;
  }
  for (int i = 128; i <= 132; ++i) EXPECT_EQ(b[i], 0x5000 + (i - 128)) << i;
  const std::vector<uint16_t> loader = {0x0632, 0x6600, 0x0634, 0x6601, 0x0656, 0x6602,
                                        0x0678, 0x6603, 0x069A, 0x6604, 0xC205, 0xF0F5};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(b[133 + k], loader[k]) << k;
  EXPECT_EQ(b[145], 0x7777);
  EXPECT_EQ(b[206], 0x7777);
  // Without a stack-overflow register the start-up words are the option's.
  EXPECT_EQ(b[112], 0x067F);
  EXPECT_EQ(b[113], 0x2A43);
  EXPECT_EQ(b[207], 0x0042);
  for (int i = 208; i <= 233; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(b[234], 0x7777);
  for (int i = 0; i < 1538; ++i) ASSERT_EQ(block.InfoBlockAlt[i], 0x7777) << i;
}

TEST_F(InfoBlockTest, MissingTemplatesKeepTheWordsAndTheLoaderStartsAt128) {
  ShortLayout();
  TChipConfig& c = Chip();
  c.SbmRom = {0x80, 1, 2, 3, 4};
  c.SbmStart = 0x2AB;
  Options().STKOVRST = 1;
  Builder().BuildBeforeAssembly(TInfoTemplates{});
  const auto& b = block.InfoBlock;
  EXPECT_EQ(b[0], 0x7777);
  EXPECT_EQ(b[127], 0x7777);
  EXPECT_EQ(b[128], 0x0680);
  EXPECT_EQ(b[129], 0x6600);
  EXPECT_EQ(b[136], 0x0604);
  EXPECT_EQ(b[137], 0x6604);
  // Bit 7 of the first SBM byte: a jump into the loader instead.
  EXPECT_EQ(b[138], 0x78AB);
  EXPECT_EQ(b[139], 0x0000);
  EXPECT_EQ(b[112], 0x0680);
  EXPECT_EQ(b[113], 0x2E43);
}

TEST_F(InfoBlockTest, TemplateReadingStopsAtTheEndOfTheFile) {
  std::array<uint16_t, 10> dst{};
  EXPECT_EQ(TInfoBlockBuilder::PutTemplate(dst, Words(3, 0x100), 1, 2, 9), 4);
  EXPECT_EQ(dst[2], 0x101);
  EXPECT_EQ(dst[3], 0x102);
  EXPECT_EQ(dst[4], 0);
  // An odd last byte pairs with nothing; a skip past the end reads nothing.
  std::vector<uint8_t> odd = Words(2, 0x200);
  odd.push_back(0x55);
  EXPECT_EQ(TInfoBlockBuilder::PutTemplate(dst, odd, 0, 0, 9), 2);
  EXPECT_EQ(TInfoBlockBuilder::PutTemplate(dst, odd, 5, 0, 9), 0);
  EXPECT_EQ(TInfoBlockBuilder::PutTemplate(dst, odd, uint64_t(1) << 40, 0, 9), 0);
  // Never beyond the area.
  EXPECT_EQ(TInfoBlockBuilder::PutTemplate(dst, Words(40, 0), 0, 5, 30), 10);
}

TEST_F(InfoBlockTest, LongLayoutTemplateAndStackOverflowStartupWords) {
  TChipConfig& c = Chip();
  c.SbmBankSize = 4;
  c.StackOverPresent = 1;
  c.StackOverBit = 3;
  c.StackOverRegister = 0x1A5;
  Options().STKOVRST = 1;
  TInfoTemplates t;
  t.Main = Words(700, 0x2000);
  Builder().BuildBeforeAssembly(t);
  const auto& alt = block.InfoBlockAlt;
  EXPECT_EQ(alt[0], 0x2002);
  EXPECT_EQ(alt[71], 0x2002 + 71);
  EXPECT_EQ(alt[72], 0x9033);
  EXPECT_EQ(alt[73], 0x0608);
  EXPECT_EQ(alt[74], 0x2EA5);
  EXPECT_EQ(alt[665], 0x2002 + 665);
  EXPECT_EQ(alt[666], 0x7777);
  // The short layout gets only the calibration words.
  EXPECT_EQ(block.InfoBlock[112], 0x7777);
  EXPECT_EQ(block.InfoBlock[207], 0);
  EXPECT_EQ(block.InfoBlock[0], 0x7777);

  Options().STKOVRST = 0;
  Builder().PatchStartupWords();
  EXPECT_EQ(alt[73], 0x06F7);
  EXPECT_EQ(alt[74], 0x2AA5);
}

TEST_F(InfoBlockTest, CalibrationBytesBecomeWordsFirstByteHigh) {
  Chip().ChipSubId = 9;
  std::array<uint8_t, 52> bytes{};
  for (int i = 0; i < 52; ++i) bytes[i] = static_cast<uint8_t>(i + 1);
  Builder().PutCalibration(bytes);
  EXPECT_EQ(block.InfoBlock[207], 9);
  EXPECT_EQ(block.InfoBlock[208], 0x0102);
  EXPECT_EQ(block.InfoBlock[233], 0x3334);
  EXPECT_EQ(block.InfoBlock[234], 0x7777);
}

TEST_F(InfoBlockTest, ShortLayoutBuildWords) {
  ShortLayout();
  TChipConfig& c = Chip();
  c.ChipId = 0x21;
  c.ChipListVersion = 0x0305;
  Options().RACM10 = 1;
  Options().CProtect = 1;
  TInfoBuildWords w{0xBEEF, 0x8024, true};
  EXPECT_EQ(Builder().PutBuildWords(w), 0);
  const auto& b = block.InfoBlock;
  const std::vector<uint16_t> golden = {0x0680, 0x2E2E, 0x780A, 0x7777, 0x7777, 0x0305, 0x8024,
                                        0x7777, 0x7777, 0xBEEF, 0x642E, 0x01BF, 0x662E, 0xF7FE};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(b[114 + i], golden[i]) << 114 + i;
  EXPECT_EQ(b[113], 0x7777);
  EXPECT_EQ(b[128], 0x7777);

  // Another chip on the other core; the ACM voltage 1.2 V.
  c.ChipId = 0x0A16;
  c.CoreVariant = 1;
  Options().RACM10 = 0;
  Options().CProtect = 0;
  Builder().PutBuildWords(w);
  EXPECT_EQ(b[114], 0x0680);
  EXPECT_EQ(b[115], 0x2E38);
  EXPECT_EQ(b[116], 0x787C);
  EXPECT_EQ(b[127], 0xFFFE);
  Options().RACM10 = 1;
  Builder().PutBuildWords(w);
  EXPECT_EQ(b[114], 0x067F);
  EXPECT_EQ(b[115], 0x2A38);

  // The other device family keeps the ACM words; a disabled group clears them.
  c.DeviceNotKind3 = 1;
  block.InfoBlock[114] = 0x1111;
  Builder().PutBuildWords(w);
  EXPECT_EQ(b[114], 0x1111);
  EXPECT_EQ(b[124], 0x6433);
  EXPECT_EQ(b[125], 0x01FE);
  EXPECT_EQ(b[126], 0x6633);
  w.AcmGroupEnabled = false;
  Builder().PutBuildWords(w);
  EXPECT_EQ(b[114], 0);
  EXPECT_EQ(b[115], 0);
  for (int i = 0; i < 1538; ++i) ASSERT_EQ(block.InfoBlockAlt[i], 0x7777) << i;
}

TEST_F(InfoBlockTest, ShortLayoutCoreJumpOfTheOtherK08AChips) {
  ShortLayout();
  Chip().ChipId = 0x0B02;
  Builder().PutBuildWords({0, 0, false});
  EXPECT_EQ(block.InfoBlock[116], 0x7807);
  EXPECT_EQ(block.InfoBlock[124], 0x642E);
}

TEST_F(InfoBlockTest, EehImageWordsCarryTheCodeWordsOfTheCore) {
  ShortLayout();
  TChipConfig& c = Chip();
  c.ChipId = 0x21;
  c.ChipListVersion = 0x0305;
  for (int i = 0; i < 128; ++i) block.InfoBlock[i] = static_cast<uint16_t>(i);
  std::vector<uint16_t> words = Builder().EehImageWords({0xBEEF, 0x8024, true});
  ASSERT_EQ(words.size(), 128u);
  const std::vector<uint16_t> golden = {0x067F, 0x2A2E, 0x780A, 0, 0, 0x0305, 0x8024,
                                        0, 0, 0xBEEF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFE};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(words[114 + i], golden[i]) << 114 + i;
  EXPECT_EQ(words[113], 113);
  c.CoreVariant = 1;
  words = Builder().EehImageWords({0xBEEF, 0x8024, false});
  EXPECT_EQ(words[114], 0);
  EXPECT_EQ(words[116], 0x787F);
}

TEST_F(InfoBlockTest, LongLayoutBuildWordsAndTheBlockCrc) {
  TChipConfig& c = Chip();
  c.ChipId = 0x0A16;
  c.ChipSubId = 7;
  c.ChipListVersion = 0x0305;
  for (int i = 0; i < 1538; ++i) block.InfoBlockAlt[i] = static_cast<uint16_t>(i * 7);
  TOptions& o = Options();
  o.EnHAO = 1;
  o.EnSHAO = 1;
  o.EHAO = 0x23456;
  o.EPERMISS = 0x1AB;
  o.ELAO = 0x54321;
  const uint16_t crc = Builder().PutBuildWords({0xBEEF, 0, false});
  const auto& alt = block.InfoBlockAlt;
  const std::vector<uint16_t> golden = {0x0101, 0x0002, 0x3456, 0x00AB, 0x4321, 0xFFFF,
                                        0xFFFF, 0xFFFF, 0xFFFF, 0x0000, 0x0305, 0x0007,
                                        0x0A16, 0xBEEF, 0x0B68, 0xFFFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(alt[752 + i], golden[i]) << 752 + i;
  EXPECT_EQ(crc, 0x0B68);
  EXPECT_EQ(alt[751], 751 * 7);
  EXPECT_EQ(alt[768], 768 * 7);
  for (int i = 0; i < 769; ++i) ASSERT_EQ(block.InfoBlock[i], 0x7777) << i;
}

TEST_F(InfoBlockTest, ShortImageWordsFollowTheChipsAcmData) {
  ShortLayout();
  TChipConfig& c = Chip();
  c.ChipId = 0x21;
  c.AcmBit = 2;
  c.AcmRegister = 0x1C3;
  struct Case {
    uint8_t Racm10, Option;
    uint16_t W114, W115;
  };
  for (const Case& k : {Case{1, 0, 0x06FB, 0x2AC3}, Case{1, 1, 0x0000, 0x0000},
                        Case{0, 0, 0x0604, 0x2EC3}, Case{0, 1, 0x06FB, 0x2AC3}}) {
    Options().RACM10 = k.Racm10;
    c.AcmOption = k.Option;
    const std::vector<uint16_t> words = Builder().WriteImageWords({0x1234, 0x55, true});
    ASSERT_EQ(words.size(), 256u);
    EXPECT_EQ(block.InfoBlock[114], k.W114) << int(k.Racm10) << int(k.Option);
    EXPECT_EQ(block.InfoBlock[115], k.W115) << int(k.Racm10) << int(k.Option);
    // The image carries them as 0.
    EXPECT_EQ(words[114], 0);
    EXPECT_EQ(words[115], 0);
    EXPECT_EQ(words[109], 0x21);
    EXPECT_EQ(words[116], 0x7807);
    EXPECT_EQ(words[120], 0x55);
    EXPECT_EQ(words[123], 0x1234);
    EXPECT_EQ(words[124], 0x6433);
    EXPECT_EQ(words[127], 0xFFFE);
    EXPECT_EQ(words[227], 0xFFFE);
    EXPECT_EQ(block.InfoBlock[227], 0xFFFE);
    EXPECT_EQ(words[0], 0x7777);
    EXPECT_EQ(words[255], 0x7777);
  }
  // A disabled group clears the words of the other layout (and keeps these).
  block.InfoBlock[114] = 0x1111;
  Builder().WriteImageWords({0, 0, false});
  EXPECT_EQ(block.InfoBlock[114], 0x1111);
  EXPECT_EQ(block.InfoBlockAlt[114], 0);
  EXPECT_EQ(block.InfoBlockAlt[115], 0);
  EXPECT_EQ(block.InfoBlockAlt[116], 0x7777);
}

TEST_F(InfoBlockTest, LongImageWordsAreTheBlockAsItIs) {
  for (int i = 0; i < 1538; ++i) block.InfoBlockAlt[i] = static_cast<uint16_t>(i);
  const std::vector<uint16_t> words = Builder().WriteImageWords({1, 2, true});
  ASSERT_EQ(words.size(), 768u);
  for (int i = 0; i < 768; ++i) ASSERT_EQ(words[i], i) << i;
  EXPECT_EQ(block.InfoBlock[109], 0x7777);
}

TEST_F(InfoBlockTest, ShortDownloadRecordTakesTheHeadersProtectAndChecksumWords) {
  block.InfoBlock[127] = 0xF7FE;
  block.InfoBlock[123] = 0xC0DE;
  block.InfoBlock[248] = 0x4242;
  Builder().PutDownloadRecord({"C:/a.hex", 4096, 0x0B02, 100, 0x1111, 0xBEEF, true});
  const auto& b = block.InfoBlock;
  // "C:/a.hex": two characters a word, first high; the rest of the path words 0.
  const std::vector<uint16_t> path = {0x433A, 0x2F61, 0x2E68, 0x6578};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(b[128 + k], path[k]) << k;
  for (int k = 132; k < 240; ++k) ASSERT_EQ(b[k], 0) << k;
  EXPECT_EQ(b[240], 0);
  EXPECT_EQ(b[241], 4096);
  EXPECT_EQ(b[242], 0x0B02);
  EXPECT_EQ(b[243], 0xF7FE);
  EXPECT_EQ(b[244], 0x80C8);  // 2 x 100 - 0x8000
  EXPECT_EQ(b[245], 0x1BFF);  // 0x7FFF - 256 x 100
  EXPECT_EQ(b[246], 0xC0DE);
  EXPECT_EQ(b[247], 0xBEEF);
  EXPECT_EQ(b[248], 0x4242) << "past the record's table";
  EXPECT_EQ(b[127], 0xF7FE);
}

TEST_F(InfoBlockTest, LongDownloadRecordHasFixedAreaWordsAndTheBuildsChecksum) {
  Builder().PutDownloadRecord({"abc", 2048, 0x0A16, 7, 0x1357, 0, false});
  const auto& b = block.InfoBlock;
  // An odd-length path: the last character high, 0 low.
  EXPECT_EQ(b[128], 0x6162);
  EXPECT_EQ(b[129], 0x6300);
  EXPECT_EQ(b[241], 2048);
  EXPECT_EQ(b[242], 0x0A16);
  EXPECT_EQ(b[243], 2048);
  EXPECT_EQ(b[244], 5120);
  EXPECT_EQ(b[245], 1536);
  EXPECT_EQ(b[246], 0x1357);
  EXPECT_EQ(b[247], 0);
}

TEST_F(InfoBlockTest, ADownloadRecordPathIsCutTo112Words) {
  const std::string path(300, 'x');
  Builder().PutDownloadRecord({path, 1, 2, 0, 0, 0, true});
  const auto& b = block.InfoBlock;
  EXPECT_EQ(b[239], 0x7878);
  EXPECT_EQ(b[240], 0) << "the path does not run into the record's words";
  EXPECT_EQ(b[241], 1);
}

TEST(ImageCrc, KnownValues) {
  uint16_t crc = 0;
  for (char c : std::string("abc")) crc = ImageCrc16Update(static_cast<uint8_t>(c), crc);
  EXPECT_EQ(crc, 0xA449);
  // A word goes high byte first.
  EXPECT_EQ(ImageCrc16Word(0x6162, 0), 0xE345);
  EXPECT_EQ(ImageCrc16Word(0x1234, 0xA449), 0xEDD0);
}

}  // namespace
}  // namespace kyvor
