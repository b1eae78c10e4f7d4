// Peripheral field sections: the field bindings, the control states the
// loader prepares for the windows, the shared records and the read-back flags.
#include <gtest/gtest.h>

#include "support/chip_folder.h"

namespace kyvor {
namespace {

using test::LoadChipLines;
using test::ScratchFolder;

class FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetChipState(); }
  void TearDown() override { test::ResetChipState(); }
  uint8_t Load(const std::vector<std::string>& lines) { return LoadChipLines(folder, lines); }
  ScratchFolder folder;
};

TEST_F(FieldsTest, SectionDirectivesSetTheWindowFlags) {
  ASSERT_EQ(Load({"#ADC0S", "#OP0S", "#CMP0S"}), 1);
  EXPECT_EQ(Chip().AdcPresent, 1);
  EXPECT_EQ(Chip().OpPresent, 1);
  EXPECT_EQ(Chip().CmpPresent, 1);
  EXPECT_EQ(Chip().AdcIPresent, 0);
  ASSERT_EQ(Load({"#QRADC1S", "#MULTICMP"}), 1);
  EXPECT_EQ(Chip().AdcPresent, 0) << "flags are reset before every chip";
  EXPECT_EQ(Chip().AdcIPresent, 1);
  EXPECT_EQ(Chip().MultiCmpPresent, 1);
  ASSERT_EQ(Load({"#QTADC2S"}), 1);
  EXPECT_EQ(Chip().AdcIIPresent, 1);
  ASSERT_EQ(Load({"#QRADC2S"}), 1);
  EXPECT_EQ(Chip().AdcIIPresent, 1);
}

TEST_F(FieldsTest, BitFieldBinding) {
  ASSERT_EQ(Load({"#ADC0S", "35H ENADC0 1 7", "35H ADCS0 3 4", "35H OSR0 0 1"}), 1);
  const TRegField& en = RegField(TFieldId::AdcENADC0);
  EXPECT_EQ(en.Address, 0x35);
  EXPECT_EQ(en.Width, 1);
  EXPECT_EQ(en.LowBit, 7);
  EXPECT_EQ(en.Defined, 1);
  EXPECT_TRUE(FieldUi(TFieldId::AdcENADC0).Enabled);
  EXPECT_EQ(RegField(TFieldId::AdcADCS0).Width, 3);
  EXPECT_EQ(RegField(TFieldId::AdcOSR0).Defined, 1);
  EXPECT_FALSE(FieldUi(TFieldId::AdcOSR0).Enabled) << "width 0 leaves the control disabled";
}

TEST_F(FieldsTest, DataKeysBindOnlyTheAddress) {
  ASSERT_EQ(Load({"#ADC0S", "38H ADC0OH 5 5", "39H ADC0OM"}), 1);
  EXPECT_EQ(RegField(TFieldId::AdcADC0OH).Address, 0x38);
  EXPECT_EQ(RegField(TFieldId::AdcADC0OH).Width, 0);
  EXPECT_EQ(RegField(TFieldId::AdcADC0OH).Defined, 1);
  EXPECT_EQ(RegField(TFieldId::AdcADC0OM).Defined, 1);
  EXPECT_EQ(RegField(TFieldId::AdcADC0OL).Defined, 0);
}

TEST_F(FieldsTest, AbsentKeyIsResetEvenAfterAChipThatHadIt) {
  ASSERT_EQ(Load({"#ADC0S", "3DH VRBUF0 1 4 0"}), 1);
  ASSERT_EQ(RegField(TFieldId::AdcVRBUF0).Defined, 1);
  RegField(TFieldId::AdcVRBUF0).Cache = 1;
  ASSERT_EQ(Load({"#ADC0S", "35H ENADC0 1 7"}), 1);
  const TRegField& f = RegField(TFieldId::AdcVRBUF0);
  EXPECT_EQ(f.Width, 0);
  EXPECT_EQ(f.Defined, 0);
  EXPECT_EQ(f.Address, 0);
  EXPECT_EQ(f.Cache, 0);
  EXPECT_FALSE(FieldUi(TFieldId::AdcVRBUF0).HasCaption);
}

TEST_F(FieldsTest, SelectorWithRefusedOptionsLeavesGapsInTheList) {
  ASSERT_EQ(Load({"#ADC0S", "36H IN0H 3 5 A0 A1 - A3 A4 - A6 A7"}), 1);
  const TFieldUi& ui = FieldUi(TFieldId::AdcIN0H);
  EXPECT_TRUE(ui.Enabled);
  EXPECT_EQ(ui.OptionCount, 8);
  const std::vector<std::string> codes = {"000", "001", "011", "100", "110", "111"};
  EXPECT_EQ(ui.Codes, codes);
  EXPECT_FALSE(ui.Options[2].Enabled);
  EXPECT_FALSE(ui.Options[5].Enabled);
  EXPECT_TRUE(ui.Options[6].Enabled);
  EXPECT_EQ(ui.Options[6].Caption, "A6");
  EXPECT_EQ(RegField(TFieldId::AdcIN0H).Width, 3);
  EXPECT_EQ(RegField(TFieldId::AdcIN0H).LowBit, 5);
}

TEST_F(FieldsTest, MissingOptionCaptionIsAnEmptyEnabledOption) {
  ASSERT_EQ(Load({"#ADC0S", "37H VR0H 2 6 VDDA"}), 1);
  const TFieldUi& ui = FieldUi(TFieldId::AdcVR0H);
  EXPECT_EQ(ui.Codes, (std::vector<std::string>{"00", "01", "10", "11"}));
  EXPECT_TRUE(ui.Options[3].Enabled);
  EXPECT_EQ(ui.Options[3].Caption, "");
}

TEST_F(FieldsTest, FloatCaptionOnlyInComparatorSelectors) {
  ASSERT_EQ(Load({"#CMP0S", "33H CPIH 2 0 -- A B C", "#MULTICMP", "40H MCNES 3 0 -- - 2 3 4 5 6 7",
                  "#ADC0S", "37H VR0L 2 4 -- A B C"}),
            1);
  EXPECT_EQ(FieldUi(TFieldId::CmpCPIH).Options[0].Caption, "Float");
  EXPECT_EQ(FieldUi(TFieldId::CmpCPIH).Codes.front(), "00");
  EXPECT_EQ(FieldUi(TFieldId::McMCNES).Options[0].Caption, "Float");
  EXPECT_EQ(FieldUi(TFieldId::McMCNES).Codes.size(), 7u);
  EXPECT_EQ(FieldUi(TFieldId::AdcVR0L).Options[0].Caption, "--");
}

TEST_F(FieldsTest, KeyOfAnotherSectionIsIgnored) {
  ASSERT_EQ(Load({"#OP0S", "3DH VRBUF0 1 4 1", "31H ENOP 1 7", "", "; comment"}), 1);
  EXPECT_EQ(RegField(TFieldId::AdcVRBUF0).Defined, 0);
  EXPECT_EQ(Chip().RegisterQuirkFlags[0], 0);
  EXPECT_EQ(RegField(TFieldId::OpENOP).Defined, 1);
}

TEST_F(FieldsTest, BothAdcIISpellingsBindOneRecordAndTheLaterWins) {
  ASSERT_EQ(Load({"#QRADC2S", "36H IN1P 4 4 A B C D E F G H I J", "#QTADC2S",
                  "37H IN2P 3 5 P Q R S T U V W"}),
            1);
  const TRegField& f = RegField(TFieldId::AdcIIIN2P);
  EXPECT_EQ(f.Address, 0x37);
  EXPECT_EQ(f.Width, 3);
  // Ten options of four digits in either spelling; the two captions the
  // line does not give are empty ones.
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2P).OptionCount, 10);
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2P).Options[0].Caption, "P");
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2P).Options[8].Caption, "");
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2P).Codes.back(), "1001");
  ASSERT_EQ(Load({"#QTADC2S", "37H IN2P 3 5 P Q R S T U V W", "#QRADC2S",
                  "36H IN1P 4 4 A B C D E F G H I -"}),
            1);
  EXPECT_EQ(RegField(TFieldId::AdcIIIN2P).Address, 0x36);
  const TFieldUi& ui = FieldUi(TFieldId::AdcIIIN2P);
  EXPECT_EQ(ui.OptionCount, 10);
  EXPECT_EQ(ui.Codes.back(), "1000");
  EXPECT_EQ(ui.Codes.size(), 9u);
}

TEST_F(FieldsTest, AdcIAndAdcIIKeepSeparateRecordsExceptTheSharedOnes) {
  ASSERT_EQ(Load({"#QRADC1S", "35H ENAD1 1 7", "36H INX0 2 0", "30H ENLDO 1 7", "#QRADC2S",
                  "45H ENAD1 1 6", "46H INX0 2 2"}),
            1);
  EXPECT_EQ(RegField(TFieldId::AdcIENAD1).Address, 0x35);
  EXPECT_EQ(RegField(TFieldId::AdcIIENAD2).Address, 0x45);
  EXPECT_EQ(RegField(TFieldId::INX0).Address, 0x46) << "INX0 is one record";
  EXPECT_EQ(RegField(TFieldId::ENLDO).Address, 0x30);
}

TEST_F(FieldsTest, OwnEnvddaAndVddaxRecordsPerWindow) {
  ASSERT_EQ(Load({"#ADC0S", "30H ENVDDA 1 7", "#OP0S", "31H ENVDDA 1 6", "#CMP0S",
                  "32H ENVDDA 1 5"}),
            1);
  EXPECT_EQ(RegField(TFieldId::AdcENVDDA).Address, 0x30);
  EXPECT_EQ(RegField(TFieldId::OpENVDDA).Address, 0x31);
  EXPECT_EQ(RegField(TFieldId::CmpENVDDA).Address, 0x32);
}

TEST_F(FieldsTest, FlaggedFieldsSetCaptionsAndReadBackFlags) {
  ASSERT_EQ(Load({"#ADC0S", "3DH VRBUF0 1 4 0", "3DH INBUF0 1 5 1", "3CH ENHIGN0 1 6 2",
                  "3CH ENCHP0 0 5 0", "3CH PGA0GN 2 3 1"}),
            1);
  EXPECT_TRUE(FieldUi(TFieldId::AdcVRBUF0).HasCaption);
  EXPECT_EQ(FieldUi(TFieldId::AdcVRBUF0).Caption, "VRBUF");
  EXPECT_EQ(FieldUi(TFieldId::AdcINBUF0).Caption, "");
  EXPECT_EQ(FieldUi(TFieldId::AdcENHIGN0).Caption, "");
  EXPECT_TRUE(FieldUi(TFieldId::AdcENHIGN0).Raised);
  EXPECT_EQ(FieldUi(TFieldId::AdcENCHP0).Caption, "ENCHP");
  EXPECT_FALSE(FieldUi(TFieldId::AdcENCHP0).Raised) << "width 0 leaves the panel lowered";
  EXPECT_EQ(Chip().RegisterQuirkFlags, (std::array<uint8_t, 6>{0, 1, 0, 1, 1, 0}));
}

TEST_F(FieldsTest, FlagThatIsNoNumberChangesNothing) {
  ASSERT_EQ(Load({"#ADC0S", "3DH VRBUF0 1 4 X", "#QRADC1S", "3CH PGA 2 3"}), 1);
  EXPECT_FALSE(FieldUi(TFieldId::AdcVRBUF0).HasCaption);
  EXPECT_EQ(Chip().RegisterQuirkFlags[0], 0);
  EXPECT_EQ(Chip().RegisterQuirkFlags[3], 0);
  EXPECT_EQ(RegField(TFieldId::PGA).Width, 2);
}

TEST_F(FieldsTest, VoltageNames) {
  ASSERT_EQ(Load({"#ADC0S", "30H VDDAX 2 5 V1 V2 V3 V4 V5 V6 V7 VERYLONGNAME 0", "#OP0S",
                  "30H VDDAX 2 5 O1 O2 O3 O4 5", "#CMP0S", "30H VDDAX 2 5 C1 C2 C3 C4"}),
            1);
  EXPECT_EQ(Chip().AdcVddaNames[0], "V1");
  EXPECT_EQ(Chip().AdcVddaNames[7], "VERYLONG");
  EXPECT_EQ(Chip().OpVddaNames[3], "O4");
  EXPECT_EQ(Chip().CmpVddaNames[0], "C1");
  EXPECT_EQ(Chip().RegisterQuirkFlags[2], 0) << "only the ADC sections' number counts";
  EXPECT_EQ(RegField(TFieldId::AdcVDDAX).Width, 2);
  EXPECT_EQ(RegField(TFieldId::OpVDDAX).Defined, 1);
  ASSERT_EQ(Load({"#QTADC2S", "30H VDDAX 3 4 Q1 Q2 Q3 Q4 1"}), 1);
  EXPECT_EQ(Chip().AdcVddaNames[0], "Q1");
  EXPECT_EQ(Chip().RegisterQuirkFlags[2], 1);
  EXPECT_EQ(RegField(TFieldId::VDDAX).LowBit, 4);
}

TEST_F(FieldsTest, CaptionedFields) {
  ASSERT_EQ(Load({"#CMP0S", "3FH PTMX PM2.7 1 7", "3FH TRISCX1 TC2.6 1 3"}), 1);
  const TFieldUi& ui = FieldUi(TFieldId::CmpPTMX);
  EXPECT_TRUE(ui.Enabled);
  EXPECT_TRUE(ui.HasCaption);
  EXPECT_EQ(ui.Caption, "PM2.7");
  EXPECT_EQ(RegField(TFieldId::CmpPTMX).Width, 1);
  EXPECT_EQ(RegField(TFieldId::CmpPTMX).LowBit, 7);
  EXPECT_EQ(RegField(TFieldId::CmpTRISCX1).LowBit, 3);
}

TEST_F(FieldsTest, TemperatureKeyShowsThePanel) {
  ASSERT_EQ(Load({"#ADC0S", "0 TEMPERATURE"}), 1);
  EXPECT_TRUE(Chip().TempPanelVisible);
  ASSERT_EQ(Load({"#ADC0S"}), 1);
  EXPECT_FALSE(Chip().TempPanelVisible);
}

TEST_F(FieldsTest, FieldThatDoesNotFitAByteIsLeftOut) {
  ASSERT_EQ(Load({"#ADC0S", "35H ADCS0 3 6", "35H OSR0 9 0", "35H ENADC0 1 7"}), 1);
  EXPECT_EQ(RegField(TFieldId::AdcADCS0).Width, 0);
  EXPECT_EQ(RegField(TFieldId::AdcOSR0).Width, 0);
  EXPECT_EQ(RegField(TFieldId::AdcENADC0).Width, 1);
  EXPECT_EQ(Chip().LoadMessages.size(), 2u);
}

TEST(FieldValueTest, ReadAndReplaceAField) {
  TRegField f;
  f.Width = 3;
  f.LowBit = 2;
  EXPECT_EQ(FieldValue(f, 0x83), 0);
  EXPECT_EQ(FieldValue(f, 0x9C), 7);
  EXPECT_EQ(WithFieldValue(f, 0x83, 5), 0x97);
  EXPECT_EQ(WithFieldValue(f, 0xFF, 0), 0xE3);
  EXPECT_EQ(WithFieldValue(f, 0x00, 0xFF), 0x1C) << "the value is kept to the field";
  TRegField absent;
  EXPECT_EQ(FieldValue(absent, 0xFF), 0);
  EXPECT_EQ(WithFieldValue(absent, 0x5A, 1), 0x5A);
  TRegField whole;
  whole.Width = 8;
  EXPECT_EQ(FieldValue(whole, 0xA5), 0xA5);
  EXPECT_EQ(WithFieldValue(whole, 0x00, 0x1A5), 0xA5);
}

}  // namespace
}  // namespace kyvor
