// Every binding of every live window, for every shipped chip: the user's
// choice sets exactly the field's bits through the logged write path, and a
// register value read back draws the matching option, list entry, panel and
// text.
#include <set>

#include "base/options.h"
#include "engine/reg_fields.h"
#include "peripherals/periph_hooks.h"
#include "support/periph_fixture.h"

namespace kyvor {
namespace {

using K = TPeripheralKind;

class BindingsTest : public test::PeripheralFixture {
 protected:
  // The byte the write path must be handed for value v over `pattern`.
  static uint8_t Expected(const TRegField& f, uint8_t pattern, int v) {
    const uint8_t mask = static_cast<uint8_t>(FieldMaxValue(f) << f.LowBit);
    return static_cast<uint8_t>((pattern & ~mask) | ((v << f.LowBit) & mask));
  }

  // Performs the user's choice of v on the binding; false when the window
  // offers no control for that value.
  bool Act(TPeripheralKind k, int bi, int v) {
    const TBinding& b = PeripheralTable(k).bindings[bi];
    TKyPeripheralForm& w = Win(k);
    switch (b.kind) {
      case TCtlKind::Mux: {
        if (v < b.options) {
          const QString on = QString::fromLatin1(b.button) +
                             QString::fromStdString(BinaryCodeText(v, b.digits)) + "on";
          auto* button = w.findChild<QToolButton*>(on);
          if (!button || !button->isEnabled()) return false;
          w.OptionClicked(bi, v);
          return true;
        }
        auto* list = w.findChild<QComboBox*>(b.list);
        const int e = list->findText(QString::fromStdString(BinaryCodeText(v, b.digits)));
        if (e < 0) return false;
        w.ListChosen(bi, e);
        return true;
      }
      case TCtlKind::List:
      case TCtlKind::Stepper: {
        auto* list = w.findChild<QComboBox*>(b.list);
        if (v >= list->count()) return false;
        w.ListChosen(bi, v);
        return true;
      }
      case TCtlKind::Panel:
      case TCtlKind::Pictures:
        if (!b.clickable) return false;
        w.SetToggle(bi, v);
        return true;
      default: return false;
    }
  }

  // True when the loaded chip's set-up keeps the control hidden.
  static bool KeptHiddenByChip(TPeripheralKind k, const QString& name) {
    for (const TSetupLine& l : ChipSetupLines()) {
      if (l.window != k || l.step != TSetupStep::Hide || !ChipCaseHolds(l.when)) continue;
      for (int i = 0; i < l.nameCount; ++i)
        if (name == QLatin1String(l.names[i])) return true;
    }
    return false;
  }

  // Checks what the window draws for value v of the binding.
  void CheckDrawn(TPeripheralKind k, int bi, int v) {
    const TBinding& b = PeripheralTable(k).bindings[bi];
    TKyPeripheralForm& w = Win(k);
    switch (b.kind) {
      case TCtlKind::Mux: {
        int chosen = v < b.options ? v : (b.beyond == TBeyond::NoChoice ? -1 : 0);
        for (int i = 0; i < b.options; ++i) {
          const QString base =
              QString::fromLatin1(b.button) + QString::fromStdString(BinaryCodeText(i, b.digits));
          EXPECT_EQ(!w.findChild<QWidget*>(base + "on")->isHidden(), i == chosen) << i;
          EXPECT_EQ(!w.findChild<QWidget*>(base + "off")->isHidden(), i != chosen) << i;
        }
        auto* list = w.findChild<QComboBox*>(b.list);
        if (b.codeFrom == TCodeFrom::Position) {
          EXPECT_EQ(list->currentIndex(), v);
        } else {
          // Beyond the list's codes the list shows code 0; a refused code no entry.
          const int code = v < b.entries ? v : 0;
          int entry = -1;
          for (int i = 0; i < list->count(); ++i)
            if (list->itemText(i).toInt(nullptr, 2) == code) entry = i;
          EXPECT_EQ(list->currentIndex(), entry);
        }
        return;
      }
      case TCtlKind::List: {
        auto* list = w.findChild<QComboBox*>(b.list);
        int shown = v;  // the value drawn after the binding's beyond rule
        if (b.texts && v >= b.textCount) {
          if (b.beyond == TBeyond::Zero) shown = 0;
          if (b.beyond == TBeyond::Last) shown = b.textCount - 1;
        }
        if (b.texts && b.label && b.hook == nullptr && shown < b.textCount) {
          EXPECT_EQ(w.findChild<QLabel*>(b.label)->text(), QString::fromUtf8(b.texts[shown]));
        }
        if (shown < list->count()) {
          EXPECT_EQ(list->currentIndex(), shown);
        }
        return;
      }
      case TCtlKind::Stepper:
        for (int i = 0; i < b.options; ++i) {
          const QString n =
              QString::fromLatin1(b.button) + QString::fromStdString(BinaryCodeText(i, b.digits));
          const bool drawn = i == (v < b.options ? v : 0) && !KeptHiddenByChip(k, n);
          EXPECT_EQ(!w.findChild<QWidget*>(n)->isHidden(), drawn) << n.toStdString();
        }
        return;
      case TCtlKind::Panel:
      case TCtlKind::Pictures: {
        if (b.panel) {
          EXPECT_EQ(w.findChild<QWidget*>(b.panel)->palette().color(QPalette::Window),
                    v == 1 ? PanelSetColor() : ClearColor());
        }
        for (const char* p : b.setPictures) {
          if (!p) continue;
          EXPECT_EQ(!w.findChild<QWidget*>(p)->isHidden(), v == 1) << p;
        }
        for (const char* p : b.clearPictures) {
          if (!p) continue;
          EXPECT_EQ(!w.findChild<QWidget*>(p)->isHidden(), v != 1) << p;
        }
        if (b.label && b.setText) {
          EXPECT_EQ(w.findChild<QLabel*>(b.label)->text(),
                    QString::fromUtf8(v == 1 ? b.setText : b.clearText));
        }
        return;
      }
      case TCtlKind::Flag:
        EXPECT_EQ(w.findChild<QWidget*>(b.panel)->palette().color(QPalette::Window),
                  v == 1 ? FlagSetColor() : ClearColor());
        return;
      case TCtlKind::Result: return;
    }
  }

  // Clears the registers of every bound field of the window.
  void ClearWindowRegisters(TPeripheralKind k) {
    const TPeripheralTable& t = PeripheralTable(k);
    for (int i = 0; i < t.count; ++i) SetReg(RegField(t.bindings[i].field).Address, 0);
  }

  // The result of an ADC window: 01 80 00 reads 98304 with the high byte, and
  // -32768 (80 00) without it. Records the window and the width it met.
  void CheckResult(TPeripheralKind k, std::set<std::pair<int, int>>& widths) {
    const TPeripheralTable& t = PeripheralTable(k);
    const TBinding* result = nullptr;
    for (int i = 0; i < t.count; ++i) {
      if (t.bindings[i].kind == TCtlKind::Result) result = &t.bindings[i];
    }
    if (!result) return;
    SCOPED_TRACE(std::string(t.formName) + " result");
    const auto oh = static_cast<int>(result->field);
    const TRegField& high = RegField(result->field);
    const TRegField& middle = RegField(static_cast<TFieldId>(oh + 1));
    const TRegField& low = RegField(static_cast<TFieldId>(oh + 2));
    if (middle.Defined != 1) return;  // the live window's chip has no such ADC
    ASSERT_EQ(low.Defined, 1);
    ClearWindowRegisters(k);
    // The enabled ADC shows its result, not "ADC OFF".
    for (int i = 0; i < t.count; ++i) {
      const TRegField& f = RegField(t.bindings[i].field);
      if (t.bindings[i].hook == hooks::AdcOff) SetReg(f.Address, Expected(f, 0x00, 1));
    }
    if (high.Defined == 1) SetReg(high.Address, 0x01);
    SetReg(middle.Address, 0x80);
    SetReg(low.Address, 0x00);
    TKyPeripheralForm& w = Win(k);
    w.WidthChosen(16);
    w.ModeChosen(0);
    EXPECT_EQ(Text(k, result->label), high.Defined == 1 ? "18000" : "FF8000");
    w.ModeChosen(1);
    EXPECT_EQ(Text(k, result->label), high.Defined == 1 ? "98304" : "-32768");
    w.WidthChosen(8);  // 16 bits: the value over 256, toward zero
    EXPECT_EQ(Text(k, result->label), high.Defined == 1 ? "384" : "-128");
    w.ModeChosen(0);
    widths.insert({static_cast<int>(k), high.Defined == 1 ? 24 : 16});
  }

  void CheckWindow(TPeripheralKind k, std::set<std::string>& covered) {
    const TPeripheralTable& t = PeripheralTable(k);
    for (int bi = 0; bi < t.count; ++bi) {
      const TBinding& b = t.bindings[bi];
      if (b.kind == TCtlKind::Result) continue;
      const TRegField f = RegField(b.field);
      if (f.Width == 0) continue;
      SCOPED_TRACE(std::string(t.formName) + " binding " + std::to_string(bi));
      covered.insert(std::string(t.formName) + ":" + std::to_string(bi));
      const int max = static_cast<int>(FieldMaxValue(f));
      for (int v = 0; v <= max; ++v) {
        SCOPED_TRACE("value " + std::to_string(v));
        if (b.kind != TCtlKind::Flag) {
          for (uint8_t pattern : {uint8_t(0xA5), uint8_t(0x5A)}) {
            ClearWindowRegisters(k);
            SetReg(f.Address, pattern);
            RegField(b.field).Cache = static_cast<uint8_t>(v == 0 ? 1 : 0);
            up->RegRecord.Clear();
            const int before = LogCount();
            if (!Act(k, bi, v)) break;
            ASSERT_GT(LogCount(), before);
            EXPECT_EQ(up->RegRecord.Item(before + 1)->Address, f.Address);
            EXPECT_EQ(up->RegRecord.Item(before + 1)->NewValue, Expected(f, pattern, v));
          }
        }
        // Read back: only this field's register holds a value.
        if (b.redraw == TRedraw::Never || (b.hook == hooks::AdcIGainCorrection && v == 7)) continue;
        ClearWindowRegisters(k);
        SetReg(f.Address, Expected(f, 0x00, v));
        Win(k).DataUpdate();
        CheckDrawn(k, bi, v);
      }
    }
  }
};

TEST_F(BindingsTest, EveryBindingOfEveryShippedChipWritesAndDrawsItsField) {
  std::set<std::string> covered;
  std::set<std::pair<int, int>> kinds;  // ExtendedDevice, DeviceKind3 met
  std::set<int> liveWindows;
  std::set<std::pair<int, int>> widths;  // window, result width met
  Options().ChContinue = 1;  // every write appends its own entry
  const int n = ReadChipList(test::ShippedProgramFolder());
  ASSERT_GE(n, 5);
  for (int chip = 0; chip < n; ++chip) {
    Chip().ChipIndex = chip;
    ASSERT_EQ(GetSELUP(), 1);
    hub->ApplyChip();
    SCOPED_TRACE(Chip().ChipProductName);
    kinds.insert({Chip().ExtendedDevice, Chip().DeviceKind3});
    for (TKyPeripheralForm* w : hub->LiveWindows()) {
      liveWindows.insert(static_cast<int>(w->Kind()));
      CheckWindow(w->Kind(), covered);
      CheckResult(w->Kind(), widths);
    }
  }
  EXPECT_EQ(liveWindows.size(), static_cast<std::size_t>(kPeripheralKindCount))
      << "every window is live for some shipped chip";
  EXPECT_TRUE(kinds.count({1, 0}) && kinds.count({1, 1}) && kinds.count({0, 0}));
  // The ADC and ADC-I windows each met a chip with a 24-bit and one with a 16-bit result.
  for (K k : {K::Adc, K::AdcI}) {
    EXPECT_TRUE(widths.count({static_cast<int>(k), 24})) << static_cast<int>(k);
    EXPECT_TRUE(widths.count({static_cast<int>(k), 16})) << static_cast<int>(k);
  }
  EXPECT_TRUE(widths.count({static_cast<int>(K::AdcII), 24}));
  // Every binding of the tables met a chip that defines its field.
  int bindings = 0;
  for (int k = 0; k < kPeripheralKindCount; ++k) {
    const TPeripheralTable& t = PeripheralTable(static_cast<TPeripheralKind>(k));
    for (int i = 0; i < t.count; ++i)
      if (t.bindings[i].kind != TCtlKind::Result) ++bindings;
  }
  EXPECT_EQ(static_cast<int>(covered.size()), bindings);
  for (int k = 0; k < kPeripheralKindCount; ++k) {
    const TPeripheralTable& t = PeripheralTable(static_cast<TPeripheralKind>(k));
    for (int i = 0; i < t.count; ++i) {
      if (t.bindings[i].kind == TCtlKind::Result) continue;
      EXPECT_TRUE(covered.count(std::string(t.formName) + ":" + std::to_string(i)))
          << t.formName << " binding " << i << " met no chip with its field";
    }
  }
}

}  // namespace
}  // namespace kyvor
