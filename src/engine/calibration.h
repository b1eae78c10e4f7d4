#pragma once
// The oscillator calibration block: 52 bytes made from the chip's calibration
// data and the calibration options. The build puts it into the information
// block (words 208..233) and the programmer road sends it to the writer
// (F9 10); the two uses differ in byte order and in a few bytes.
#include <array>
#include <cstdint>

namespace kyvor {

struct TChipConfig;
struct TOptions;

enum class TCalibrationUse {
  InfoBlock,   // 32-bit values most significant byte first
  Programmer,  // 32-bit values least significant byte first
};

// The block for `use`. A chip without HAO data takes its SBM start as the
// tail; a second HAO byte of 0 is sent as 8.
std::array<uint8_t, 52> CalibrationBlock(const TChipConfig& chip, const TOptions& options,
                                         TCalibrationUse use);

}  // namespace kyvor
