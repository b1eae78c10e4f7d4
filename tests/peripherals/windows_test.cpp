// The rules of the peripheral windows beyond plain bindings: result text,
// the named hooks, live sets, and the guards against writes a field cannot
// take.
#include <QComboBox>

#include "support/fake_pod.h"
#include "support/periph_fixture.h"

namespace kyvor {
namespace {

using K = TPeripheralKind;
using F = TFieldId;

class WindowsTest : public test::PeripheralFixture {};

// A K08A chip of the ADC / op-amp / comparator family, its fields as the
// lines given after the section lines.
std::vector<std::string> Chip(const std::vector<std::string>& sections) {
  std::vector<std::string> lines = {"#PRODUCT", "TESTCHIP", "#DEVICE", "1", "#COMPILER", "K08A"};
  lines.insert(lines.end(), sections.begin(), sections.end());
  return lines;
}

TEST_F(WindowsTest, LiveWindowsFollowTheChipFamily) {
  LoadShipped("QN08A4.INC");
  auto kinds = [this] {
    std::vector<K> k;
    for (auto* w : hub->LiveWindows()) k.push_back(w->Kind());
    return k;
  };
  EXPECT_EQ(kinds(), (std::vector<K>{K::Adc, K::Op, K::Cmp}));
  LoadShipped("QR08B1.INC");
  EXPECT_EQ(kinds(), (std::vector<K>{K::AdcI, K::MultiCmp}));
  LoadShipped("QR08B2.INC");
  EXPECT_EQ(kinds(), (std::vector<K>{K::AdcII, K::MultiCmp}));
  const int before = Win(K::Adc).updateCount();
  const int adcII = Win(K::AdcII).updateCount();
  hub->RefreshLive();
  EXPECT_EQ(Win(K::Adc).updateCount(), before) << "not live on this chip";
  EXPECT_EQ(Win(K::AdcII).updateCount(), adcII + 1);
  Win(K::AdcII).Refresh(TRefreshReason::Breakpoints);
  EXPECT_EQ(Win(K::AdcII).updateCount(), adcII + 1);
  Win(K::AdcII).Refresh(TRefreshReason::RunStopped);
  EXPECT_EQ(Win(K::AdcII).updateCount(), adcII + 2);
}

TEST_F(WindowsTest, AdcResultInBothWidthsAndFormats) {
  LoadShipped("QN08A4.INC");  // 24-bit result at 0x38..0x3A, ENADC0 at 0x35 bit 7
  SetReg(0x35, 0x80);
  SetReg(0x38, 0xFF);
  SetReg(0x39, 0xFF);
  SetReg(0x3A, 0xFB);
  TKyPeripheralForm& w = Win(K::Adc);
  w.WidthChosen(16);
  EXPECT_EQ(Text(K::Adc, "TXADC"), "FFFFFB");
  w.ModeChosen(1);
  EXPECT_EQ(Text(K::Adc, "TXADC"), "-5");
  w.WidthChosen(7);
  EXPECT_EQ(Text(K::Adc, "TXADC"), "0");
  SetReg(0x38, 0x7F);
  w.WidthChosen(0);
  w.ModeChosen(0);
  EXPECT_EQ(Text(K::Adc, "TXADC"), "7F");
  SetReg(0x35, 0x00);
  w.DataUpdate();
  EXPECT_EQ(Text(K::Adc, "TXADC"), "ADC OFF") << "the disabled ADC covers the result";

  // Without the high byte the result has 16 bits.
  LoadLines(Chip({"#ADC0S", "035H ENADC0 1 7", "039H ADC0OM", "03AH ADC0OL"}));
  SetReg(0x35, 0x80);
  SetReg(0x39, 0x80);
  SetReg(0x3A, 0x00);
  w.WidthChosen(16);
  EXPECT_EQ(Text(K::Adc, "TXADC"), "FF8000");
  w.ModeChosen(1);
  EXPECT_EQ(Text(K::Adc, "TXADC"), "-32768");
}

TEST_F(WindowsTest, AdcIResultFollowsTheDisabledAdc) {
  LoadShipped("QR08B1.INC");  // ENAD1 0x35 bit 7, result 0x39..0x3B
  SetReg(0x35, 0x00);
  SetReg(0x39, 0x00);
  SetReg(0x3A, 0x12);
  SetReg(0x3B, 0x34);
  Win(K::AdcI).WidthChosen(16);
  EXPECT_EQ(Text(K::AdcI, "TXADC1"), "1234") << "the result follows the ENAD1 drawing";
}

TEST_F(WindowsTest, InputBufferAndGainWarning) {
  LoadShipped("QN08A4.INC");  // PGA0GN 0x3C bits 3-4, AD0GN 0x3C bits 0-2, INBUF0 0x3D bit 5
  SetReg(0x3C, (1 << 3) | 5);
  SetReg(0x3D, 1 << 5);
  Win(K::Adc).DataUpdate();
  EXPECT_EQ(Back(K::Adc, "PINBUFF"), ClearColor()) << "a PGA gain draws the buffer off";
  EXPECT_TRUE(Shown(K::Adc, "INBUFFon0"));
  EXPECT_FALSE(Shown(K::Adc, "ADCWarnning"));
  SetReg(0x3C, 5);
  Win(K::Adc).DataUpdate();
  EXPECT_EQ(Back(K::Adc, "PINBUFF"), PanelSetColor());
  EXPECT_TRUE(Shown(K::Adc, "INBUFFoff0"));
  EXPECT_TRUE(Shown(K::Adc, "ADCWarnning"));
  SetReg(0x3C, 4);
  Win(K::Adc).DataUpdate();
  EXPECT_FALSE(Shown(K::Adc, "ADCWarnning"));
}

TEST_F(WindowsTest, AdcWindowMultiplexerGapsTemperatureAndStepper) {
  LoadShipped("QN08A4.INC");  // IN0H 0x36 bits 5-7, options 4 and 7 refused
  auto* inh = Find<QComboBox>(K::Adc, "TXINH");
  ASSERT_EQ(inh->count(), 6);
  EXPECT_EQ(inh->findText("100"), -1);
  SetReg(0x36, 4 << 5);
  Win(K::Adc).DataUpdate();
  EXPECT_TRUE(Shown(K::Adc, "INH100on")) << "the buttons show the option";
  EXPECT_EQ(inh->currentIndex(), -1) << "the list has no entry for it";
  SetReg(0x36, 6 << 5);
  Win(K::Adc).DataUpdate();
  EXPECT_TRUE(Shown(K::Adc, "TPSHN"));
  EXPECT_FALSE(Shown(K::Adc, "TPSHP"));
  EXPECT_EQ(Back(K::Adc, "LINH6"), ChosenOptionColor());
  // INX at 3 (bits 0-1): one click steps to 0.
  SetReg(0x36, 3);
  Win(K::Adc).DataUpdate();
  Win(K::Adc).StepperClicked(BindingIndex(K::Adc, F::INX0));
  EXPECT_EQ(Reg(0x36) & 3, 0);
  EXPECT_TRUE(Shown(K::Adc, "INX00"));
  EXPECT_FALSE(Shown(K::Adc, "INX11"));
}

TEST_F(WindowsTest, ACodeWiderThanTheFieldIsRefusedAndTheCachedValueWrittenAgain) {
  LoadLines(Chip({"#ADC0S", "03CH PGA0GN 1 3 0"}));
  SetReg(0x3C, 0x08);
  Win(K::Adc).DataUpdate();
  auto* pga = Find<QComboBox>(K::Adc, "TXPGAGN");
  Win(K::Adc).ListChosen(BindingIndex(K::Adc, F::AdcPGA0GN), 3);  // "11"
  EXPECT_EQ(pga->currentIndex(), 1) << "back to the cached entry";
  EXPECT_EQ(Reg(0x3C), 0x08);
  ASSERT_EQ(LogCount(), 1);
  EXPECT_EQ(LastLogged(), 0x08);
}

TEST_F(WindowsTest, VddaLabelsOfTheThreeBasicWindows) {
  LoadShipped("QN08A4.INC");  // ENVDDA 0x30 bit 7, VDDAX bits 5-6 in all three sections
  SetReg(0x30, 0x80 | (1 << 5));
  for (auto* w : hub->LiveWindows()) w->DataUpdate();
  EXPECT_EQ(Text(K::Adc, "TXVDDAS"), "VDDA = 2.7 V");
  EXPECT_EQ(Text(K::Op, "TXVDDAS"), "VDDA = 2.7 V");
  EXPECT_EQ(Text(K::Cmp, "TXVDDAS"), "VDDA = 2.7 V");
  EXPECT_EQ(Text(K::Cmp, "TXVDDAS1"), "VDDA = 2.7 V");
  EXPECT_EQ(Find<QComboBox>(K::Op, "TXVDDA")->currentIndex(), 1);
  SetReg(0x30, 1 << 5);
  Win(K::Op).DataUpdate();
  EXPECT_EQ(Text(K::Op, "TXVDDAS"), "VDDA = External");
}

TEST_F(WindowsTest, OpAmpModeTextsAndComparatorOutputs) {
  LoadShipped("QN08A4.INC");  // OP0M 0x31 bits 4-5; ENCPA 0x33 bit 7; PTMX/TRISCX/PTDAX 0x3F 7-5
  SetReg(0x31, 2 << 4);
  Win(K::Op).DataUpdate();
  EXPECT_EQ(Text(K::Op, "TXOP0MS"), "Offset Position");
  SetReg(0x31, 3 << 4);
  Win(K::Op).DataUpdate();
  EXPECT_EQ(Text(K::Op, "TXOP0MS"), "Offset Negative");

  SetReg(0x33, 0x80);
  SetReg(0x3F, 0xC0);
  Win(K::Cmp).DataUpdate();
  EXPECT_EQ(Text(K::Cmp, "LCMPONOFF"), "CP2 ON");
  EXPECT_EQ(Text(K::Cmp, "LCMP1ONOFF"), "CP1 OFF");
  SetReg(0x3F, 0xE0);
  Win(K::Cmp).DataUpdate();
  EXPECT_EQ(Text(K::Cmp, "LCMPONOFF"), "CP2 OFF");
  SetReg(0x3F, 0x18);  // PTMX1, TRISCX1 set, PTDAX1 clear
  Win(K::Cmp).DataUpdate();
  EXPECT_EQ(Text(K::Cmp, "LCMP1ONOFF"), "CP1 ON");
  SetReg(0x3E, 9 << 4);  // CPVRS
  Win(K::Cmp).DataUpdate();
  EXPECT_TRUE(Shown(K::Cmp, "CPVRS1001on"));
  EXPECT_EQ(Find<QComboBox>(K::Cmp, "TXCPVRS")->currentText(), "1001");
  EXPECT_EQ(Text(K::Cmp, "LCPIL7"), "Float") << "the chip's \"--\" caption";
  EXPECT_FALSE(Shown(K::Cmp, "PCPOEG"));
  EXPECT_TRUE(Shown(K::Cmp, "PPMX1")) << "the chip names the second output's pin";
  EXPECT_EQ(Text(K::Cmp, "PPMX1"), "PM2.6");
}

TEST_F(WindowsTest, AdcIGainSevenIsCorrectedOnceThroughItsOwnField) {
  // AD1GN at bits 4-6 here: the correction must not touch bits 0-2.
  LoadLines({"#DEVICE", "0", "#QRADC1S", "035H AD1GN 3 4", "035H ENAD1 1 7"});
  SetReg(0x35, 0x80 | (7 << 4) | 0x05);
  Win(K::AdcI).DataUpdate();
  EXPECT_EQ(Reg(0x35), 0x80 | (6 << 4) | 0x05);
  ASSERT_EQ(LogCount(), 1) << "one logged correction, no recursion";
  EXPECT_EQ(Text(K::AdcI, "TXAD1GNS"), "AD1GN=x16");
  Win(K::AdcI).DataUpdate();
  EXPECT_EQ(LogCount(), 1);
}

TEST_F(WindowsTest, AdcIAndAdcIIShareTheirDrawers) {
  LoadShipped("QR08B1.INC");  // VDDAX 0x30 bits 4-6, OSR1 0x38 bits 0-3, VR1ST 0x37 bit 2
  SetReg(0x30, 7 << 4);
  SetReg(0x38, 11);
  SetReg(0x37, 1 << 2);
  Win(K::AdcI).DataUpdate();
  EXPECT_EQ(Text(K::AdcI, "TXVDDAS1"), "VDDAX=Reserved");
  EXPECT_EQ(Text(K::AdcII, "TXVDDAS2"), "VDDAX=Reserved");
  EXPECT_EQ(Text(K::AdcI, "TXOSR1S"), "ADC_CK / 65536");
  EXPECT_EQ(Find<QComboBox>(K::AdcI, "TXOSR1")->currentIndex(), 0);
  EXPECT_TRUE(Shown(K::AdcI, "VR1STon"));
  SetReg(0x37, 0);
  Win(K::AdcI).DataUpdate();
  EXPECT_TRUE(Shown(K::AdcI, "VR1SToff"));
  Choose(K::AdcI, F::VDDAX, "TXVDDAX", "010");
  EXPECT_EQ(LastLogged(), 2 << 4);
  // This chip's read-back rule sets bits 5 and 6 of register 48: the refresh
  // that follows the write draws what the register holds, in both windows.
  EXPECT_EQ(Reg(0x30), 6 << 4);
  EXPECT_EQ(Text(K::AdcI, "TXVDDAS1"), "VDDAX=4.5 V");
  EXPECT_EQ(Text(K::AdcII, "TXVDDAS2"), "VDDAX=4.5 V") << "drawn into both windows";
}

TEST_F(WindowsTest, AdcIIDrawingTables) {
  LoadShipped("QR08A3.INC");  // IN1P 0x36 bits 4-7, OSR1 0x38 bits 0-3, DC1S bits 4-7
  SetReg(0x36, 9 << 4);
  Win(K::AdcII).DataUpdate();
  EXPECT_TRUE(Shown(K::AdcII, "IN2P1001on"));
  EXPECT_TRUE(Shown(K::AdcII, "TPSHP"));
  SetReg(0x36, 12 << 4);
  Win(K::AdcII).DataUpdate();
  EXPECT_TRUE(Shown(K::AdcII, "IN2P0000on"));
  EXPECT_FALSE(Shown(K::AdcII, "TPSHP"));
  EXPECT_FALSE(Shown(K::AdcII, "TPSHN"));
  EXPECT_EQ(Find<QComboBox>(K::AdcII, "TXIN2P")->currentText(), "0000");
  for (int osr : {0, 1}) {
    SetReg(0x38, static_cast<uint8_t>((9 << 4) | osr));
    Win(K::AdcII).DataUpdate();
    EXPECT_EQ(Text(K::AdcII, "TXOSR2S"), "32768");
  }
  EXPECT_EQ(Text(K::AdcII, "TXDC2SS"), "S - 0");
  SetReg(0x35, 7);
  Win(K::AdcII).DataUpdate();
  EXPECT_EQ(Text(K::AdcII, "TXAD2GNS"), "AD2GN=RSV.");
  EXPECT_EQ(Reg(0x35), 7) << "no correction in this window";
}

TEST_F(WindowsTest, BothSectionSpellingsDriveTheSameControl) {
  for (const char* chip : {"QR08B2.INC", "QR08A3.INC"}) {
    SCOPED_TRACE(chip);
    LoadShipped(chip);
    up->RegRecord.Clear();
    Win(K::AdcII).OptionClicked(BindingIndex(K::AdcII, F::AdcIIIN2P), 2);
    const TRegField& f = RegField(F::AdcIIIN2P);
    EXPECT_EQ((Reg(f.Address) >> f.LowBit) & 7, 2);
    EXPECT_EQ(LogCount(), 1);
  }
}

TEST_F(WindowsTest, MultiComparatorHandlers) {
  LoadLines({"#DEVICE", "0", "#MULTICMP", "030H MCNES 3 2 A B C D E F G H",
             "042H MCRPS 2 6 W X Y Z", "040H ENMC 1 7", "043H MCOHS 4 4", "043H MCRS 4 0",
             "040H MCSPN 1 3"});
  SetReg(0x30, 0x83);
  Choose(K::MultiCmp, F::McMCNES, "TX_MCRNS", "101");
  EXPECT_EQ(Reg(0x30), 0x97);
  Win(K::MultiCmp).OptionClicked(BindingIndex(K::MultiCmp, F::McMCRPS), 2);
  EXPECT_EQ(Reg(0x42) >> 6, 2);
  EXPECT_TRUE(Shown(K::MultiCmp, "MCRPS10on"));
  EXPECT_FALSE(Shown(K::MultiCmp, "MCRPS00on"));
  const int enmc = BindingIndex(K::MultiCmp, F::McENMC);
  Win(K::MultiCmp).ToggleClicked(enmc);
  EXPECT_EQ(Reg(0x40) & 0x80, 0x80);
  Win(K::MultiCmp).ToggleClicked(enmc);
  EXPECT_EQ(Reg(0x40) & 0x80, 0);
  Choose(K::MultiCmp, F::McMCOHS, "TX_MCOHS", "0110");
  EXPECT_EQ(Reg(0x43) >> 4, 6);
  SetReg(0x43, 0x09);
  Win(K::MultiCmp).DataUpdate();
  EXPECT_EQ(Find<QComboBox>(K::MultiCmp, "TX_MCRS")->currentText(), "1001");
}

// --- the guards --------------------------------------------------------------------

TEST_F(WindowsTest, OptionsBeyondTheFieldsWidthAreIgnored) {
  // IN0H of two bits with eight captions: options 4..7 cannot be written.
  LoadLines(Chip({"#ADC0S", "036H IN0H 2 0 A B C D E F G H"}));
  SetReg(0x36, 0xF0);
  Win(K::Adc).OptionClicked(BindingIndex(K::Adc, F::AdcIN0H), 5);
  EXPECT_EQ(Reg(0x36), 0xF0);
  EXPECT_EQ(LogCount(), 0);
  Win(K::Adc).OptionClicked(BindingIndex(K::Adc, F::AdcIN0H), 3);
  EXPECT_EQ(Reg(0x36), 0xF3);
}

TEST_F(WindowsTest, MultiComparatorPositionRuleAndMcspnNeverSpill) {
  // MCNES of two bits at bits 0-1 with its neighbours set; the list keeps all
  // eight codes.
  LoadLines({"#DEVICE", "0", "#MULTICMP", "040H MCNES 2 0 A B C D E F G H", "040H MCSPN 1 3"});
  SetReg(0x40, 0xF0);
  Choose(K::MultiCmp, F::McMCNES, "TX_MCRNS", "010");
  EXPECT_EQ(Reg(0x40), 0xF2);
  Choose(K::MultiCmp, F::McMCNES, "TX_MCRNS", "111");  // code 7 and position 7: refused
  EXPECT_EQ(Reg(0x40), 0xF2) << "neither the code nor the position fits two bits";
  const int spn = BindingIndex(K::MultiCmp, F::McMCSPN);
  SetReg(0x40, 0x00);
  Win(K::MultiCmp).DataUpdate();
  Win(K::MultiCmp).ToggleClicked(spn);
  EXPECT_EQ(Reg(0x40), 0x08);
  EXPECT_TRUE(Shown(K::MultiCmp, "MCSPNon"));
  Win(K::MultiCmp).ToggleClicked(spn);
  EXPECT_EQ(Reg(0x40), 0x00) << "the toggle is 0 or 1, never a complemented byte";
  EXPECT_TRUE(Shown(K::MultiCmp, "MCSPNoff"));
}

TEST_F(WindowsTest, AFieldTheChipLacksIsDisabledAndNeverWritten) {
  LoadLines(Chip({"#ADC0S", "03DH INBUF0 1 5 0"}));  // no VRBUF0
  auto* panel = Find(K::Adc, "PVERBUFF");
  EXPECT_FALSE(panel->isEnabled());
  EXPECT_TRUE(Find(K::Adc, "PINBUFF")->isEnabled());
  Win(K::Adc).ToggleClicked(BindingIndex(K::Adc, F::AdcVRBUF0));
  Win(K::Adc).ListChosen(BindingIndex(K::Adc, F::AdcOSR0), 3);
  EXPECT_EQ(LogCount(), 0) << "no write and no log entry for width 0";
}

TEST_F(WindowsTest, VoltageCodeBeyondTheNameTableIsReserved) {
  LoadLines(Chip({"#OP0S", "030H ENVDDA 1 7", "030H VDDAX 3 4 2.4 2.7 3.0 3.3"}));
  SetReg(0x30, 0x80 | (6 << 4));
  Win(K::Op).DataUpdate();
  EXPECT_EQ(Text(K::Op, "TXVDDAS"), "VDDA = Reserved");
}

TEST_F(WindowsTest, DrawingNeverWrites) {
  LoadShipped("QN08A4.INC");
  for (uint8_t v : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x5A)}) {
    for (int a = 0x30; a <= 0x3F; ++a) SetReg(a, v);
    for (auto* w : hub->LiveWindows()) w->DataUpdate();
    // A programmatic change of a list is no user choice either.
    Find<QComboBox>(K::Adc, "TXOSR")->setCurrentIndex(v & 7);
    Find<QComboBox>(K::Cmp, "TXCPIH")->setCurrentIndex(0);
  }
  EXPECT_EQ(LogCount(), 0);
}

TEST_F(WindowsTest, ReadAdcAsksThePodOnlyInTheEmulator) {
  LoadShipped("QN08A4.INC");
  test::FakePod pod;
  pod.memory[0x38] = 0x12;
  pod.memory[0x39] = 0x34;
  pod.memory[0x3A] = 0x56;
  pod.memory[0x00] = 0x99;
  up->SetPod(&pod);
  SetReg(0x35, 0x80);
  Win(K::Adc).WidthChosen(16);
  Win(K::Adc).ReadAdcClicked();
  EXPECT_EQ(pod.count("PodReadRegister"), 0) << "the simulator has no pod to ask";
  EXPECT_EQ(Text(K::Adc, "TXADC"), "0");
  Modes().SimulatorMode = 0;
  Win(K::Adc).ReadAdcClicked();
  EXPECT_EQ(Reg(0x38), 0x12);
  EXPECT_EQ(Reg(0x3A), 0x56);
  EXPECT_EQ(Text(K::Adc, "TXADC"), "123456");
  // A chip without the high byte: only the two bytes it has are read.
  LoadLines(Chip({"#ADC0S", "035H ENADC0 1 7", "039H ADC0OM", "03AH ADC0OL"}));
  pod.calls.clear();
  Win(K::Adc).ReadAdcClicked();
  EXPECT_EQ(pod.count("PodReadRegister"), 2);
  EXPECT_EQ(Reg(0x00), 0) << "register 0 is not overwritten";
  up->SetPod(nullptr);
}

}  // namespace
}  // namespace kyvor
