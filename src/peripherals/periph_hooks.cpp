#include "peripherals/periph_hooks.h"

#include "chip/chipconfig.h"
#include "peripherals/periphwins.h"

namespace kyvor::hooks {

namespace {

// The highest code that puts the "other" temperature sensor side on the
// multiplexer: 7 for the 3-digit multiplexers, 9 for the 10-option ones.
int LastTemperatureCode(const TBinding& b) { return b.digits == 4 ? 9 : 7; }

void TemperaturePair(TKyPeripheralForm& form, const TBinding& b, int value, const char* onSix,
                     const char* above) {
  form.SetShown(onSix, value == 6);
  form.SetShown(above, value >= 7 && value <= LastTemperatureCode(b));
}

QString VoltageName(TVddaNames names, int index) {
  const auto& c = Chip();
  const std::string* name = nullptr;
  switch (names) {
    case TVddaNames::Adc:
      if (index >= 0 && index < static_cast<int>(c.AdcVddaNames.size())) name = &c.AdcVddaNames[index];
      break;
    case TVddaNames::Op:
      if (index >= 0 && index < static_cast<int>(c.OpVddaNames.size())) name = &c.OpVddaNames[index];
      break;
    case TVddaNames::Cmp:
      if (index >= 0 && index < static_cast<int>(c.CmpVddaNames.size())) name = &c.CmpVddaNames[index];
      break;
    case TVddaNames::None: break;
  }
  // A voltage code beyond the chip's name table has no name.
  return name ? QString::fromStdString(*name) : QString();
}

}  // namespace

bool TemperatureHigh(TKyPeripheralForm& form, const TBinding& b, int& value) {
  TemperaturePair(form, b, value, "TPSHN", "TPSHP");
  return false;
}

bool TemperatureLow(TKyPeripheralForm& form, const TBinding& b, int& value) {
  TemperaturePair(form, b, value, "TPSLP", "TPSLN");
  return false;
}

bool InputBuffer(TKyPeripheralForm& form, const TBinding& b, int& value) {
  if (Chip().ExtendedDevice == 1) return true;
  const bool gainOn = form.Model() && form.ReadFieldValue(TFieldId::AdcPGA0GN) != 0;
  form.InputBufferOn = value == 1 && !gainOn;
  form.DrawPlain(b, form.InputBufferOn ? 1 : 0);
  return true;
}

bool GainWarning(TKyPeripheralForm& form, const TBinding&, int& value) {
  form.SetShown("ADCWarnning", value > 4 && form.InputBufferOn);
  return false;
}

bool AdcOff(TKyPeripheralForm& form, const TBinding&, int& value) {
  if (value == 0 && form.Model()) {
    if (const char* r = form.ResultLabel()) form.SetText(r, "ADC OFF");
  }
  return false;
}

bool VddaLabel(TKyPeripheralForm& form, const TBinding& b, int& value) {
  form.DrawPlain(b, value);
  if (!form.Model()) return true;  // no model yet: the labels keep their reset text
  const TPeripheralTable& t = form.Table();
  const int x = form.ReadFieldValue(t.vddax);
  RegField(t.vddax).Cache = static_cast<uint8_t>(x);
  const QString name = VoltageName(t.vddaNames, x);
  QString text = "VDDA = External";
  if (value == 1) text = name.isNull() ? QString("VDDA = Reserved") : "VDDA = " + name + " V";
  for (const char* l : t.vddaLabels)
    if (l) form.SetText(l, text);
  if (const TBinding* list = form.BindingOf(t.vddax)) form.DrawPlain(*list, x & 3);
  return true;
}

bool VddaxLabel(TKyPeripheralForm& form, const TBinding& b, int& value) {
  if (value < 7) {
    form.SetText(b.label, "VDDAX=" + VoltageName(TVddaNames::Adc, value) + " V");
  } else if (value == 7) {
    form.SetText(b.label, "VDDAX=Reserved");
  }
  return false;
}

bool AdcIGainCorrection(TKyPeripheralForm& form, const TBinding& b, int& value) {
  if (value <= 6) return false;
  // Gain code 7 is reserved: the refresh sets the target to 6 through the
  // field itself, once (the refresh that the write causes does not correct
  // again). A choice of 7 by the user is written first and corrected by the
  // refresh that follows it.
  if (!form.Correcting && form.Refreshing() && form.Model()) {
    form.Correcting = true;
    form.WriteFieldValue(b.field, 6);
    form.Correcting = false;
  }
  value = 6;
  RegField(b.field).Cache = 6;
  return false;
}

bool EnldoBranch(TKyPeripheralForm& form, const TBinding&, int& value) {
  if (Chip().ExtendedDevice == 1) return false;
  if (const TBinding* ldo = form.BindingOf(TFieldId::AdcIILDOM)) form.DrawPlain(*ldo, value);
  return true;
}

void ComparatorOutputs(TKyPeripheralForm& form) {
  auto on = [](TFieldId id) { return RegField(id).Cache == 1; };
  const bool cp2 = on(TFieldId::CmpENCPA) && on(TFieldId::CmpPTMX) && on(TFieldId::CmpTRISCX) &&
                   !on(TFieldId::CmpPTDAX);
  const bool cp1 = on(TFieldId::CmpENCPA) && on(TFieldId::CmpPTMX1) &&
                   on(TFieldId::CmpTRISCX1) && !on(TFieldId::CmpPTDAX1);
  form.SetText("LCMPONOFF", cp2 ? "CP2 ON" : "CP2 OFF");
  form.SetText("LCMP1ONOFF", cp1 ? "CP1 ON" : "CP1 OFF");
}

}  // namespace kyvor::hooks
