// The access gate and session, the special registers and the emulator's
// configuration block.
#include "base/containers.h"
#include "link/link_fixture.h"

namespace kyvor::test {
namespace {

class ConfigTest : public FramingTest {
 protected:
  void SetUp() override {
    FramingTest::SetUp();
    ResetRegisterLists();
    open();
  }
  void TearDown() override {
    ResetRegisterLists();
    FramingTest::TearDown();
  }
  void eepromChip() {
    TChipConfig& c = Chip();
    c.DeviceKind3 = 1;
    c.SelfEromMode = 1;
    c.SelfEromRegister = 0x5A;
    c.SelfEromWords = {0x0100, 0x0200, 0x0300, 0x0400};
    c.CoreVariant = 1;
    link().PodChipId = 0x8024;
  }
};

TEST_P(ConfigTest, GateAndSessionSendNothingWithoutRomEmulation) {
  Options().RomEmulationType = 0;
  EXPECT_TRUE(link().PodAccessGate(true));
  EXPECT_TRUE(link().PodSessionBegin());
  EXPECT_TRUE(link().PodSessionEnd());
  EXPECT_TRUE(link().PodAccessGate(false));
  EXPECT_TRUE(sent().empty());
}

TEST_P(ConfigTest, GateAndSessionPacketsWithRomEmulation) {
  Options().RomEmulationType = 1;
  const auto start = clock_.now();
  EXPECT_TRUE(link().PodAccessGate(true));
  EXPECT_GE(clock_.now() - start, std::chrono::milliseconds(100));  // the opening wait
  EXPECT_TRUE(pod().GateOpen());
  EXPECT_TRUE(link().PodSessionBegin());
  EXPECT_TRUE(link().PodSessionEnd());
  EXPECT_TRUE(link().PodAccessGate(false));
  EXPECT_FALSE(pod().GateOpen());
  EXPECT_EQ(sent(), (std::vector<std::string>{"B5 04 00", "A1 02", "A1 03", "B5 04 01"}));
}

TEST_P(ConfigTest, SpecialRegistersClearThePcAndMergeTheEepromChipsRegisters) {
  // Registers 0x77 and 0x194 are defined; 0x7D is not.
  for (uint16_t a : {uint16_t(0x77), uint16_t(0x194)}) {
    TCRREGBitRecord r;
    r.Name = "R" + std::to_string(a);
    r.Address = a;
    BitRegisterList().Add(r);
  }
  Chip().DataMemoryMap[0x77] = 0x0F;
  Chip().DataMemoryMap[0x194] = 0x3C;
  pod().Target().WriteRegisterModel(0x77, 0x05);
  pod().Target().WriteRegisterModel(0x194, 0x81);
  pod().Target().SetProgramCounter(0x1234);
  link().AcceptedPodChipId = 0x8024;
  EXPECT_TRUE(link().PodInitSpecialRegisters());
  EXPECT_EQ(pod().Target().GetPC(), 0u);
  EXPECT_EQ(pod().Control() & 0x02, 0x02);  // out of reset
  // (NOT map) OR value: F0 OR 05; C3 OR 81, then AND F0.
  EXPECT_EQ(pod().DataByte(0x77), 0xF5);
  EXPECT_EQ(pod().DataByte(0x194), 0xC0);
  EXPECT_EQ(pod().DataByte(0x7D), 0xFF);  // the default
  EXPECT_EQ(link().SpecialRegisterImage, (std::array<uint8_t, 3>{0xF5, 0xFF, 0xC0}));
}

TEST_P(ConfigTest, SpecialRegistersOfOtherChipsOnlyClearThePc) {
  link().AcceptedPodChipId = 0x0A16;
  EXPECT_TRUE(link().PodInitSpecialRegisters());
  for (const std::string& p : sent()) EXPECT_EQ(p.find("A4 40 00 EE"), std::string::npos);
  EXPECT_EQ(sent().size(), 2u + 3u * 3u);  // leave reset, three PC bytes
}

TEST_P(ConfigTest, TheBlockOfTheEepromPodChipGoesTo2900) {
  eepromChip();
  Options().RomEmulationType = 1;
  EXPECT_TRUE(link().PodWriteConfigBlock({0x000123, 0x000456}));
  const std::vector<uint8_t> block = pod().ProgramBytes(0x2900, 30);
  const std::vector<uint8_t> expected = {
      0xFA, 0xFA, 0x01, 0x94, 0xF0, 0x00, 0x7D, 0xFF, 0x00, 0x77, 0xFF,  // special registers
      0x00, 0x01, 0x23, 0x00, 0x04, 0x56,                                // the EEPROM sites
      0xFC, 0x04, 0x5A,                                                  // 0x5A + 0x400
      0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00,                    // the four words
      0x11,                                                              // ROM emulation, K08B
      0x01};                                                             // the EEPROM mode
  EXPECT_EQ(block, expected);
  const std::vector<std::string> p = sent();
  EXPECT_EQ(p.front(), "B5 04 00");
  EXPECT_EQ(p[1], "A1 02");
  EXPECT_EQ(p[4].substr(0, 20), "A4 40 52 00 00 00 1E");  // 30 bytes at byte address 0x2900
  EXPECT_EQ(p[p.size() - 2], "A1 03");
  EXPECT_EQ(p.back(), "B5 04 01");
}

TEST_P(ConfigTest, WithoutSitesTheBlockHas24BytesAndLongBlocksAreSplit) {
  eepromChip();
  EXPECT_TRUE(link().PodWriteConfigBlock({}));
  EXPECT_EQ(sent().back().substr(0, 20), "A4 40 52 00 00 00 18");
  // Twelve sites: 60 bytes do not fit one packet; the rest follows at 0x2938.
  pod().ClearLog();
  std::vector<uint32_t> sites(12);
  for (size_t i = 0; i < sites.size(); ++i) sites[i] = uint32_t(0x100 + i);
  EXPECT_TRUE(link().PodWriteConfigBlock(sites));
  ASSERT_EQ(sent().size(), 6u);
  EXPECT_EQ(sent()[2].substr(0, 20), "A4 40 52 00 00 00 38");
  EXPECT_EQ(sent()[5].substr(0, 20), "A4 40 52 70 00 00 04");
  // The last word, the mode byte (K08B) and the EEPROM mode.
  EXPECT_EQ(pod().ProgramBytes(0x2900 + 56, 4), (std::vector<uint8_t>{0x04, 0x00, 0x01, 0x01}));
}

TEST_P(ConfigTest, OtherChipsGetNoBlock) {
  eepromChip();
  link().PodChipId = 0x0B01;
  Options().RomEmulationType = 1;
  EXPECT_TRUE(link().PodWriteConfigBlock({}));
  EXPECT_EQ(sent(), (std::vector<std::string>{"B5 04 00", "A1 02", "A1 03", "B5 04 01"}));
}

INSTANTIATE_TEST_SUITE_P(BothFramings, ConfigTest, ::testing::Values(TFraming::Bulk, TFraming::Hid),
                         FramingName);

}  // namespace
}  // namespace kyvor::test
