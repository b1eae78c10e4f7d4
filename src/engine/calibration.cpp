#include "engine/calibration.h"

#include "base/options.h"
#include "chip/chipconfig.h"

namespace kyvor {

namespace {

void Put32(std::array<uint8_t, 52>& b, int at, uint32_t v, bool highFirst) {
  for (int i = 0; i < 4; ++i) {
    const int shift = highFirst ? 8 * (3 - i) : 8 * i;
    b[size_t(at + i)] = uint8_t(v >> shift);
  }
}

void Put4(std::array<uint8_t, 52>& b, int at, std::array<uint8_t, 4> v) {
  for (int i = 0; i < 4; ++i) b[size_t(at + i)] = v[size_t(i)];
}

// Calibration modes that use the first and the second of the mode slots.
bool FirstModes(int m) { return m == 1 || m == 3 || m == 4 || m == 6; }
bool SecondModes(int m) { return m == 2 || m == 3 || m == 5 || m == 6; }

}  // namespace

std::array<uint8_t, 52> CalibrationBlock(const TChipConfig& chip, const TOptions& o,
                                         TCalibrationUse use) {
  const TOscCalibration& c = chip.OscCalibration;
  const bool info = use == TCalibrationUse::InfoBlock;
  const uint16_t tail = c.HaoPresent ? c.HaoTail : uint16_t(chip.SbmStart);
  std::array<uint8_t, 52> b{};
  b[0] = (o.EnHAO || o.EnSHAO || o.EnSLAO) ? 0x27 : 0x00;
  b[1] = 0x10;
  Put32(b, 2, uint32_t(o.HaoValue), info);
  b[6] = o.PermissibleError;
  b[7] = 0;
  Put32(b, 8, uint32_t(c.HaoWord), info);
  b[12] = c.HaoByte1;
  b[13] = c.HaoByte2 == 0 ? 8 : c.HaoByte2;
  b[14] = uint8_t(tail);
  b[15] = o.CalibrationMode;
  Put32(b, 16, uint32_t(o.LpoValue), false);
  for (int i = 0; i < 3; ++i) {
    b[size_t(20 + 2 * i)] = uint8_t(chip.HaoMode[size_t(i)]);
    b[size_t(21 + 2 * i)] = uint8_t(chip.HaoMode[size_t(i)] >> 8);
  }
  b[26] = 0xFF, b[27] = 0x06, b[28] = 0xFF;
  b[29] = info ? 0x06 : 0xFF, b[30] = 0xFF, b[31] = 0xFF;
  if (o.EnHAO) b[30] = uint8_t(c.HaoRegister), b[31] = 0x66;
  b[32] = 0x34, b[33] = 0x9C;
  b[34] = chip.TriscValue;
  b[35] = uint8_t(chip.TriscShift + 0x90);
  b[36] = uint8_t(chip.TriscValue - 1);
  b[37] = uint8_t(chip.TriscShift + 0xE0);
  if (chip.CoreVariant == 0) {
    b[38] = 0xFE, b[39] = 0x7F;
  } else {
    b[38] = uint8_t(tail + 8), b[39] = 0x78;
  }
  for (int i = 40; i < 52; ++i) b[size_t(i)] = 0xFF;
  const int m = o.CalibrationMode;
  if (FirstModes(m)) Put4(b, 40, {0xFF, 0x06, 0xFF, 0x66});
  if (SecondModes(m)) Put4(b, 44, {0xFF, 0x06, 0xFE, 0x66});
  if (info ? SecondModes(m) : FirstModes(m)) Put4(b, 48, {0xFF, 0x06, 0xFC, 0x66});
  return b;
}

}  // namespace kyvor
