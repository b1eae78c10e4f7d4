// The binary image file: Save Hex writes the program words and the
// information block high byte first, in the size the programmer's download
// accepts for the short layout; the size check and the chip id at the file's
// length - 38.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "chip/chipconfig.h"
#include "engine/imagefile.h"
#include "engine/infoblock.h"
#include "engine/ky_up.h"
#include "support/chip_folder.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

namespace kyvor {
namespace {

class ImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetChipState();
    dir_ = test::MakeTempFolder("kyimage");
    Chip().ChipRomWords = 2048;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    test::ResetChipState();
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  static std::vector<uint8_t> Bytes(const std::string& p) {
    const std::string b = test::ReadFileBytes(p);
    return std::vector<uint8_t>(b.begin(), b.end());
  }
  std::filesystem::path dir_;
  TKy_UP up_;
};

TEST_F(ImageFileTest, TheShortLayoutImageHoldsTheProgramThen256BlockWordsHighByteFirst) {
  Chip().DeviceKind3 = 1;
  for (uint32_t a = 0; a < 2048; ++a) up_.State().Cell(a).Opcode = uint16_t(0x1000 + a);
  up_.State().Cell(2048).Opcode = 0xDEAD;  // past the chip's memory: not in the image
  for (int k = 0; k <= infoword::ImageWords; ++k)
    up_.Info.InfoBlock[size_t(k)] = uint16_t(0xB000 + k);
  up_.Info.InfoBlock[infoword::ChipId] = 0x0B02;
  ASSERT_TRUE(WriteImageFile(up_, path("a.hex")));
  const std::vector<uint8_t> b = Bytes(path("a.hex"));
  ASSERT_EQ(b.size(), 2048u * 2 + 512u);
  EXPECT_EQ(b[0], 0x10);
  EXPECT_EQ(b[1], 0x00);
  EXPECT_EQ(b[2 * 2047], 0x17);
  EXPECT_EQ(b[2 * 2047 + 1], 0xFF);
  EXPECT_EQ(b[4096], 0xB0);
  EXPECT_EQ(b[4097], 0x00);
  EXPECT_EQ(b[b.size() - 2], 0xB0);
  EXPECT_EQ(b[b.size() - 1], 0xFF);  // word 255
  // What the download takes from it.
  EXPECT_TRUE(ImageFileSizeOk(path("a.hex"), ImageProgramBytes()));
  uint16_t id = 0;
  ASSERT_TRUE(ReadImageChipId(path("a.hex"), id));
  EXPECT_EQ(id, 0xB000 + 237);
}

TEST_F(ImageFileTest, TheLongLayoutImageHoldsThe768WordsOfItsBlock) {
  Chip().DeviceKind3 = 0;
  for (int k = 0; k < 1538; ++k) up_.Info.InfoBlockAlt[size_t(k)] = uint16_t(k);
  ASSERT_TRUE(WriteImageFile(up_, path("b.hex")));
  const std::vector<uint8_t> b = Bytes(path("b.hex"));
  ASSERT_EQ(b.size(), 2048u * 2 + 1536u);
  EXPECT_EQ(b[b.size() - 2], 0x02);
  EXPECT_EQ(b[b.size() - 1], 0xFF);  // word 767
  EXPECT_FALSE(ImageFileSizeOk(path("b.hex"), ImageProgramBytes()));
}

TEST_F(ImageFileTest, SaveReplacesAnOlderLongerFile) {
  Chip().DeviceKind3 = 1;
  std::ofstream(path("c.hex"), std::ios::binary) << std::string(20000, 'x');
  ASSERT_TRUE(WriteImageFile(up_, path("c.hex")));
  EXPECT_EQ(std::filesystem::file_size(path("c.hex")), 2048u * 2 + 512u);
  EXPECT_FALSE(WriteImageFile(up_, (dir_ / "no" / "such" / "d.hex").string()));
}

TEST_F(ImageFileTest, TheSizeCheckWantsTheExactLengthOfAnExistingFile) {
  std::ofstream(path("e.hex"), std::ios::binary) << std::string(4096 + 511, '\0');
  EXPECT_FALSE(ImageFileSizeOk(path("e.hex"), 4096));
  std::ofstream(path("e.hex"), std::ios::binary | std::ios::app) << '\0';
  EXPECT_TRUE(ImageFileSizeOk(path("e.hex"), 4096));
  EXPECT_FALSE(ImageFileSizeOk(path("missing.hex"), 4096));
  EXPECT_FALSE(ImageFileSizeOk(dir_.string(), 4096)) << "a folder is no image";
}

TEST_F(ImageFileTest, TheChipIdOfAShortFileIsNotRead) {
  std::ofstream(path("f.hex"), std::ios::binary) << std::string(37, '\x11');
  uint16_t id = 7;
  EXPECT_FALSE(ReadImageChipId(path("f.hex"), id));
  EXPECT_EQ(id, 7);
  std::string exact(38, '\0');
  exact[0] = '\x0B';
  exact[1] = '\x02';
  std::ofstream(path("g.hex"), std::ios::binary) << exact;
  ASSERT_TRUE(ReadImageChipId(path("g.hex"), id));
  EXPECT_EQ(id, 0x0B02);
  EXPECT_FALSE(ReadImageChipId(path("missing.hex"), id));
}

}  // namespace
}  // namespace kyvor
