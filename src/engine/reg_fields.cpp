#include "engine/reg_fields.h"

#include "base/numbers.h"
#include "engine/ky_up.h"

namespace kyvor {

uint32_t FieldMaxValue(const TRegField& f) {
  if (f.Width == 0) return 0;
  return f.Width >= 8 ? 0xFFu : (1u << f.Width) - 1u;
}

uint8_t ReadField(const TKy_UP& up, const TRegField& f) {
  if (f.Width == 0) return 0;
  return FieldValue(f, up.ReadRegister(f.Address));
}

bool WriteField(TKy_UP& up, const TRegField& f, uint32_t value) {
  if (f.Width == 0 || value > FieldMaxValue(f)) return false;
  const uint8_t b = up.ReadRegister(f.Address);
  up.LogRegisterChange(f.Address, WithFieldValue(f, b, value));
  return true;
}

int32_t AdcRawResult(const TKy_UP& up, const TRegField& high, const TRegField& middle,
                     const TRegField& low) {
  const int32_t om = up.ReadRegister(middle.Address);
  const int32_t ol = up.ReadRegister(low.Address);
  if (high.Defined == 1) {
    const int32_t oh = up.ReadRegister(high.Address);
    const int32_t raw = oh * 65536 + om * 256 + ol;
    return oh >= 0x80 ? raw - (1 << 24) : raw;
  }
  const int32_t raw = om * 256 + ol;
  return om >= 0x80 ? raw - (1 << 16) : raw;
}

std::string AdcResultText(int32_t raw, int widthIndex, TAdcTextMode mode) {
  if (widthIndex < 0) widthIndex = 0;
  if (widthIndex > 16) widthIndex = 16;
  const int32_t v = raw / (int32_t(1) << (16 - widthIndex));  // truncates toward zero
  if (mode == TAdcTextMode::Dec) return std::to_string(v);
  if (v == 0) return "0";
  const std::string hex = IntToHexStr(v);
  return hex.size() > 6 ? hex.substr(hex.size() - 6) : hex;
}

}  // namespace kyvor
