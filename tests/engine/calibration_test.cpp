// The 52-byte calibration block in its two uses: golden bytes of the
// information-block form (values most significant byte first) and of the
// programmer's packet (least significant first, other tail bytes), the mode
// slots, the HAO register bytes, the core's jump bytes and the defaults of a
// chip without HAO data.
#include <gtest/gtest.h>

#include <vector>

#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/calibration.h"
#include "support/chip_folder.h"

namespace kyvor {
namespace {

using TBytes = std::array<uint8_t, 52>;

class CalibrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetChipState();
    ResetOptions();
    TChipConfig& c = Chip();
    c.OscCalibration.HaoPresent = 1;
    c.OscCalibration.HaoRegister = 0x01A5;
    c.OscCalibration.HaoByte1 = 0x21;
    c.OscCalibration.HaoByte2 = 0x43;
    c.OscCalibration.HaoWord = 0x0A0B0C0D;
    c.OscCalibration.HaoTail = 0x1234;
    c.HaoMode = {0x0102, 0x0304, 0x0506};
    c.TriscValue = 0x40;
    c.TriscShift = 0x06;
    c.SbmStart = 0x0F00;
    TOptions& o = Options();
    o.HaoValue = 2000000;  // 0x001E8480
    o.PermissibleError = 2;
    o.LpoValue = 13000;  // 0x000032C8
  }
  void TearDown() override {
    test::ResetChipState();
    ResetOptions();
  }
  static std::vector<int> Slice(const TBytes& b, int from, int n) {
    return std::vector<int>(b.begin() + from, b.begin() + from + n);
  }
};

TEST_F(CalibrationTest, TheInformationBlockFormWithHardwareCalibrationOn) {
  Options().EnHAO = 1;
  Options().CalibrationMode = 1;
  const TBytes b = CalibrationBlock(Chip(), Options(), TCalibrationUse::InfoBlock);
  const std::vector<int> golden = {
      0x27, 0x10, 0x00, 0x1E, 0x84, 0x80, 0x02, 0x00,  // HaoValue high first, error
      0x0A, 0x0B, 0x0C, 0x0D, 0x21, 0x43, 0x34, 0x01,  // HaoWord, bytes, tail, mode
      0xC8, 0x32, 0x00, 0x00, 0x02, 0x01, 0x04, 0x03,  // LpoValue low first, modes
      0x06, 0x05, 0xFF, 0x06, 0xFF, 0x06, 0xA5, 0x66,  // HAO register and 0x66
      0x34, 0x9C, 0x40, 0x96, 0x3F, 0xE6, 0xFE, 0x7F,  // Trisc bytes, K08A jump
      0xFF, 0x06, 0xFF, 0x66, 0xFF, 0xFF, 0xFF, 0xFF,  // mode 1: the first slot only
      0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Slice(b, 0, 52), golden);
}

TEST_F(CalibrationTest, TheProgrammerPacketTurnsTheValuesAndTheTail) {
  Options().EnSLAO = 1;
  Options().CalibrationMode = 4;
  Chip().CoreVariant = 1;
  const TBytes b = CalibrationBlock(Chip(), Options(), TCalibrationUse::Programmer);
  EXPECT_EQ(b[0], 0x27) << "any of the three switches";
  EXPECT_EQ(Slice(b, 2, 4), (std::vector<int>{0x80, 0x84, 0x1E, 0x00}));
  EXPECT_EQ(Slice(b, 8, 4), (std::vector<int>{0x0D, 0x0C, 0x0B, 0x0A}));
  EXPECT_EQ(Slice(b, 16, 4), (std::vector<int>{0xC8, 0x32, 0x00, 0x00}));
  // EnHAO off: the register bytes stay FF FF; the programmer's form ends FF FF FF.
  EXPECT_EQ(Slice(b, 26, 6), (std::vector<int>{0xFF, 0x06, 0xFF, 0xFF, 0xFF, 0xFF}));
  // K08B: the tail's low byte + 8, then 0x78.
  EXPECT_EQ(Slice(b, 38, 2), (std::vector<int>{0x3C, 0x78}));
  // Mode 4: the first slot, and in the programmer's packet also the third.
  EXPECT_EQ(Slice(b, 40, 12), (std::vector<int>{0xFF, 0x06, 0xFF, 0x66, 0xFF, 0xFF, 0xFF, 0xFF,
                                                0xFF, 0x06, 0xFC, 0x66}));
  const TBytes info = CalibrationBlock(Chip(), Options(), TCalibrationUse::InfoBlock);
  EXPECT_EQ(Slice(info, 48, 4), (std::vector<int>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(CalibrationTest, ModesThreeAndSixFillEverySlot) {
  for (uint8_t mode : {3, 6}) {
    Options().CalibrationMode = mode;
    for (auto use : {TCalibrationUse::InfoBlock, TCalibrationUse::Programmer}) {
      const TBytes b = CalibrationBlock(Chip(), Options(), use);
      EXPECT_EQ(Slice(b, 40, 12), (std::vector<int>{0xFF, 0x06, 0xFF, 0x66, 0xFF, 0x06, 0xFE, 0x66,
                                                    0xFF, 0x06, 0xFC, 0x66}))
          << int(mode);
    }
  }
  Options().CalibrationMode = 2;
  const TBytes b = CalibrationBlock(Chip(), Options(), TCalibrationUse::Programmer);
  EXPECT_EQ(Slice(b, 40, 12), (std::vector<int>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0xFE, 0x66,
                                                0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(CalibrationTest, AChipWithoutHaoTakesItsSbmStartAndASecondByteOfEight) {
  Chip().OscCalibration.HaoPresent = 0;
  Chip().OscCalibration.HaoByte2 = 0;
  const TBytes b = CalibrationBlock(Chip(), Options(), TCalibrationUse::InfoBlock);
  EXPECT_EQ(b[0], 0x00) << "no switch on";
  EXPECT_EQ(b[13], 8);
  EXPECT_EQ(b[14], 0x00) << "the low byte of SbmStart 0x0F00";
  EXPECT_EQ(Slice(b, 29, 3), (std::vector<int>{0x06, 0xFF, 0xFF}));
  // TriscValue 0 - 1 and a shift that overflows wrap to a byte.
  Chip().TriscValue = 0;
  Chip().TriscShift = 0x7F;
  const TBytes w = CalibrationBlock(Chip(), Options(), TCalibrationUse::InfoBlock);
  EXPECT_EQ(w[35], 0x0F);
  EXPECT_EQ(w[36], 0xFF);
  EXPECT_EQ(w[37], 0x5F);
}

}  // namespace
}  // namespace kyvor
