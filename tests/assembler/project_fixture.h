#pragma once
// What both assembler fixtures share: a fresh project folder per test and a
// KY08A16-like chip (K08A core, registers 00H..7FH with a six-bit port at
// 52H, RAM from 80H), with the chip, output-file and mode state reset before
// and after each test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "support/temp_folder.h"

namespace kyvor::test {

class AsmProjectFixture : public ::testing::Test {
 protected:
  // The chip's program words and the last address of its RAM.
  void SetUpProject(uint32_t romWords, int lastRam) {
    ResetChipConfig();
    ResetOutputFileState();
    ResetModes();
    TChipConfig& c = Chip();
    c.ChipId = 0x0A16;
    c.CoreVariant = 0;
    c.ChipRomWords = romWords;
    c.DeviceKind3 = 0;
    c.DeviceNotKind3 = 1;
    c.DataMemoryMap.fill(0);
    for (int a = 0x00; a <= 0x7F; ++a) c.DataMemoryMap[a] = 0xFF;  // special registers
    c.DataMemoryMap[0x52] = 0x3F;                                    // a port: bits 0-5
    for (int a = 0x80; a <= lastRam; ++a) c.DataMemoryMap[a] = 0xFF;  // RAM
    dir_ = MakeTempFolder("kyasm");
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetChipConfig();
    ResetOutputFileState();
  }

  void Write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories((dir_ / name).parent_path());
    std::ofstream f(dir_ / name, std::ios::binary);
    f << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

  std::filesystem::path dir_;
};

}  // namespace kyvor::test
