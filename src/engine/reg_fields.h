#pragma once
// Reads and writes of the peripheral windows' register fields. A field is a
// group of bits of one special-function register (chip/chipconfig.h,
// TRegField); its value is read from the CPU model's register image and
// written back as a read-modify-write of the whole byte through the logged
// write path (TKy_UP::LogRegisterChange), so every user change is recorded,
// reaches the pod and refreshes the windows.
#include <cstdint>
#include <string>

#include "chip/chipconfig.h"

namespace kyvor {

class TKy_UP;

// Largest value a field can hold (0 for a field the chip does not have).
uint32_t FieldMaxValue(const TRegField& f);

// The field's value in the register image; 0 for a field of width 0.
uint8_t ReadField(const TKy_UP& up, const TRegField& f);
inline uint8_t ReadField(const TKy_UP& up, TFieldId id) { return ReadField(up, RegField(id)); }

// Replaces the field's bits of its register with `value` through the logged
// write path. Nothing is written (and false returned) when the chip does not
// have the field (width 0) or the value does not fit its width, so a write
// never touches the neighbouring bits of the register.
bool WriteField(TKy_UP& up, const TRegField& f, uint32_t value);
inline bool WriteField(TKy_UP& up, TFieldId id, uint32_t value) {
  return WriteField(up, RegField(id), value);
}

// The converted result of an ADC from its three result registers (high,
// middle, low byte records). 24 bits when the high byte's record stood in the
// chip file, else 16; signed; shown with 8 + widthIndex bits (0..16) by a
// signed division that truncates toward zero; hex (upper case, at most the
// last six digits) or signed decimal.
enum class TAdcTextMode { Hex = 0, Dec = 1 };
int32_t AdcRawResult(const TKy_UP& up, const TRegField& high, const TRegField& middle,
                     const TRegField& low);
std::string AdcResultText(int32_t raw, int widthIndex, TAdcTextMode mode);

}  // namespace kyvor
