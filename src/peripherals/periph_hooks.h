#pragma once
// The rules of the peripheral windows that are not plain bindings. Each is a
// TDrawHook (run when its binding is drawn) or a TRefreshHook (run at the end
// of a refresh); the tables of peripherals/periph_tables.cpp name them.
#include "peripherals/periph_table.h"

namespace kyvor::hooks {

// Temperature labels of the positive (TPSHP/TPSHN) and negative (TPSLP/TPSLN)
// input multiplexers: the next-to-last code chooses one sensor side, the
// codes above it the other.
bool TemperatureHigh(TKyPeripheralForm& form, const TBinding& b, int& value);
bool TemperatureLow(TKyPeripheralForm& form, const TBinding& b, int& value);
// The ADC window's input buffer is drawn on only when it is set and the PGA
// gain is off; it is not drawn at all on the extended chips.
bool InputBuffer(TKyPeripheralForm& form, const TBinding& b, int& value);
// Shows the gain warning when the modulator gain is above x 4 with the input
// buffer on.
bool GainWarning(TKyPeripheralForm& form, const TBinding& b, int& value);
// A disabled ADC writes "ADC OFF" into the result label.
bool AdcOff(TKyPeripheralForm& form, const TBinding& b, int& value);
// The VDDA panel of the ADC, op-amp and comparator windows also draws the
// VDDAX list and the "VDDA = ..." labels.
bool VddaLabel(TKyPeripheralForm& form, const TBinding& b, int& value);
// The VDDAX label of the ADC-I and ADC-II windows: "VDDAX=" + the voltage name.
bool VddaxLabel(TKyPeripheralForm& form, const TBinding& b, int& value);
// The ADC-I gain code 7 is reserved: the target is corrected to 6.
bool AdcIGainCorrection(TKyPeripheralForm& form, const TBinding& b, int& value);
// The ADC-II window's ENLDO panel on the extended chips; elsewhere the value
// goes to the LDO mode display.
bool EnldoBranch(TKyPeripheralForm& form, const TBinding& b, int& value);
// The comparator window's output labels "CP1 ON/OFF", "CP2 ON/OFF".
void ComparatorOutputs(TKyPeripheralForm& form);

}  // namespace kyvor::hooks
