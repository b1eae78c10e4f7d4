// The set-up of the ADC windows for the chip's family: the ADC-I caption and
// its hidden INX pictures, the ADC window's DC offset codes, its LDO list and
// its input, buffer, clock and gain controls; and that each chip starts from
// the design, whatever chip came before.
#include <QComboBox>

#include "engine/reg_fields.h"

#include "support/periph_fixture.h"

namespace kyvor {
namespace {

using K = TPeripheralKind;
using F = TFieldId;

class ChipSetupTest : public test::PeripheralFixture {
 protected:
  QStringList Codes(K k, const char* list) {
    QStringList codes;
    if (auto* l = Find<QComboBox>(k, list)) {
      for (int i = 0; i < l->count(); ++i) codes << l->itemText(i);
    }
    return codes;
  }
  // The codes of the list's entries the user can choose.
  QStringList Choosable(K k, const char* list) {
    QStringList codes;
    if (auto* l = Find<QComboBox>(k, list)) {
      for (int i = 0; i < l->count(); ++i)
        if (l->model()->flags(l->model()->index(i, 0)) & Qt::ItemIsEnabled) codes << l->itemText(i);
    }
    return codes;
  }
  static QStringList BinaryCodes(int count, int digits) {
    QStringList codes;
    for (int i = 0; i < count; ++i) codes << QString::fromStdString(BinaryCodeText(i, digits));
    return codes;
  }
  static constexpr const char* kInx[] = {"INX00", "INX01", "INX10", "INX11"};
};

TEST_F(ChipSetupTest, AdcIFamilyChipCaptionsAdcIAndKeepsItsInxPicturesHidden) {
  LoadShipped("QR08A1.INC");  // #DEVICE 0, #ADCNUM 1
  EXPECT_EQ(Win(K::AdcI).windowTitle(), "ADCI");
  for (const char* n : kInx) EXPECT_FALSE(Shown(K::AdcI, n)) << n;
  // The INX position still reaches the list, never the pictures.
  const TRegField& inx = RegField(F::INX0);
  ASSERT_EQ(inx.Width, 2);
  for (int v : {2, 3, 0}) {
    SetReg(inx.Address, static_cast<uint8_t>(v << inx.LowBit));
    Win(K::AdcI).DataUpdate();
    EXPECT_EQ(Find<QComboBox>(K::AdcI, "TXINX")->currentIndex(), v);
    for (const char* n : kInx) EXPECT_FALSE(Shown(K::AdcI, n)) << n << " at " << v;
  }
  Win(K::AdcI).Init();
  for (const char* n : kInx) EXPECT_FALSE(Shown(K::AdcI, n)) << n << " after the initialiser";
  // The ADC window of the family: 16 DC offset codes and its LDO list.
  EXPECT_EQ(Codes(K::Adc, "TXDCSET"), BinaryCodes(16, 4));
  EXPECT_EQ(Find<QComboBox>(K::Adc, "TXDCSET")->currentIndex(), 0);
  EXPECT_TRUE(Shown(K::Adc, "ENLDO_ComboBox"));
  EXPECT_FALSE(Find(K::Adc, "ENLDO_ComboBox")->isEnabled()) << "a list with no role";
}

// The ADC-II input selectors of either spelling have ten options with
// four-digit codes; QR08B2 (#QTADC2S) names its inputs for all ten. The lists
// offer the ten codes the buttons do: a reserved option ("-") stays in the
// list, not choosable there as its buttons are not.
TEST_F(ChipSetupTest, AdcIIInputSelectorsOfQR08B2HaveTenFourDigitOptions) {
  LoadShipped("QR08B2.INC");
  const TRegField& p = RegField(F::AdcIIIN2P);
  EXPECT_EQ(p.Width, 4);
  EXPECT_EQ(RegField(F::AdcIIIN2N).Width, 4);
  EXPECT_EQ(Codes(K::AdcII, "TXIN2P"), BinaryCodes(10, 4));
  EXPECT_EQ(Codes(K::AdcII, "TXIN2N"), BinaryCodes(10, 4));
  EXPECT_EQ(Choosable(K::AdcII, "TXIN2P"), BinaryCodes(7, 4)) << "AI0..AI5 and TEMP";
  EXPECT_EQ(Choosable(K::AdcII, "TXIN2N"), BinaryCodes(8, 4)) << "AI0..AI5, TEMP and VSS";
  for (int i = 0; i < 10; ++i) {
    const std::string code = BinaryCodeText(i, 4);
    EXPECT_EQ(Find(K::AdcII, ("IN2P" + code + "on").c_str())->isEnabled(), i < 7) << i;
    EXPECT_EQ(Find(K::AdcII, ("IN2N" + code + "off").c_str())->isEnabled(), i < 8) << i;
  }
  EXPECT_EQ(Text(K::AdcII, "LIN2P6"), "TEMP");
  // A choice reaches the register's four bits.
  SetReg(p.Address, 0);
  Win(K::AdcII).OptionClicked(BindingIndex(K::AdcII, F::AdcIIIN2P), 6);
  EXPECT_EQ(Reg(p.Address), 6 << p.LowBit);
  Win(K::AdcII).DataUpdate();
  EXPECT_EQ(Find<QComboBox>(K::AdcII, "TXIN2P")->currentText(), "0110");
  // A reserved code in the register is shown by the list as by the buttons.
  SetReg(p.Address, static_cast<uint8_t>(8 << p.LowBit));
  Win(K::AdcII).DataUpdate();
  EXPECT_EQ(Find<QComboBox>(K::AdcII, "TXIN2P")->currentText(), "1000");
  EXPECT_TRUE(Shown(K::AdcII, "IN2P1000on"));
}

TEST_F(ChipSetupTest, AdcFamilyChipShowsTheAdcInputBufferClockAndGainControls) {
  LoadShipped("QR08A1.INC");
  // Whatever hid them before, a chip of the ADC family shows them again.
  const char* controls[] = {"PADCCK", "TXPGAGN", "TXPGAGNS", "TXINX", "PINBUFF", "PVERBUFF"};
  for (const char* n : controls) Find(K::Adc, n)->hide();
  LoadShipped("QN08A2.INC");  // #DEVICE before #PRODUCT: DeviceNotKind3 0
  ASSERT_EQ(Chip().DeviceNotKind3, 0);
  EXPECT_EQ(Win(K::Adc).windowTitle(), "ADC");
  for (const char* n : controls) EXPECT_TRUE(Shown(K::Adc, n)) << n;
  // The pictures are drawn by their fields again: all clear.
  for (const char* n : {"INX00", "VERBUFFon0", "VERBUFFon1", "INBUFFon0", "INBUFFon1", "ADCCKdown"})
    EXPECT_TRUE(Shown(K::Adc, n)) << n;
  for (const char* n : {"INX01", "INX10", "INX11", "VERBUFFoff0", "INBUFFoff1", "ADCCKup"})
    EXPECT_FALSE(Shown(K::Adc, n)) << n;
  EXPECT_EQ(Codes(K::Adc, "TXDCSET"), BinaryCodes(8, 3));
  EXPECT_FALSE(Shown(K::Adc, "ENLDO_ComboBox"));
  // A buffer field set in the register is drawn as the field says.
  const TRegField& vrbuf = RegField(F::AdcVRBUF0);
  SetReg(vrbuf.Address, static_cast<uint8_t>(1 << vrbuf.LowBit));
  Win(K::Adc).DataUpdate();
  EXPECT_TRUE(Shown(K::Adc, "VERBUFFoff0"));
  EXPECT_FALSE(Shown(K::Adc, "VERBUFFon0"));
  // The ADC-I window is back to its design.
  EXPECT_EQ(Win(K::AdcI).windowTitle(), "ADCIForm");
  EXPECT_TRUE(Shown(K::AdcI, "INX00"));
}

TEST_F(ChipSetupTest, AChipOfNeitherCaseStartsFromTheDesign) {
  LoadShipped("QR08A1.INC");
  ASSERT_EQ(Win(K::AdcI).windowTitle(), "ADCI");
  // DeviceNotKind3 1 (the device line after the product) and two ADCs.
  LoadLines({"#PRODUCT", "TESTCHIP", "#DEVICE", "0", "#ADCNUM", "2", "#COMPILER", "K08A",
             "#QRADC1S", "036H INX0 2 0"});
  ASSERT_EQ(Chip().DeviceNotKind3, 1);
  ASSERT_EQ(Chip().AdcCount, 2);
  EXPECT_EQ(Win(K::AdcI).windowTitle(), "ADCIForm");
  EXPECT_TRUE(Shown(K::AdcI, "INX00"));
  SetReg(0x36, 0x03);
  Win(K::AdcI).DataUpdate();
  EXPECT_TRUE(Shown(K::AdcI, "INX11")) << "the pictures follow the field again";
  EXPECT_EQ(Codes(K::Adc, "TXDCSET"), BinaryCodes(8, 3));
  EXPECT_FALSE(Shown(K::Adc, "ENLDO_ComboBox"));
}

TEST_F(ChipSetupTest, AnAdcChipOfNeitherCaseKeepsTheDesignAfterAnAdcIFamilyChip) {
  LoadShipped("QR08A1.INC");
  ASSERT_EQ(Codes(K::Adc, "TXDCSET").size(), 16);
  // QN08A4 names its device after its product (DeviceNotKind3 1) and has no #ADCNUM.
  LoadShipped("QN08A4.INC");
  ASSERT_EQ(Chip().DeviceNotKind3, 1);
  ASSERT_EQ(Chip().AdcCount, 0);
  EXPECT_EQ(Codes(K::Adc, "TXDCSET"), BinaryCodes(8, 3));
  EXPECT_FALSE(Shown(K::Adc, "ENLDO_ComboBox"));
  EXPECT_EQ(Win(K::Adc).windowTitle(), "ADC");
  // Its 3-bit DC offset field takes every code of the list.
  const TRegField& dc = RegField(F::AdcDCSET0);
  ASSERT_EQ(dc.Width, 3);
  Choose(K::Adc, F::AdcDCSET0, "TXDCSET", "101");
  EXPECT_EQ(ReadField(*up, dc), 5);
  EXPECT_EQ(Text(K::Adc, "TXDCSETS"), "S - VRE*1/4");
}

}  // namespace
}  // namespace kyvor
