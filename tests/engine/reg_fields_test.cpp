// Field reads and writes of the peripheral windows, and the ADC result text.
#include "engine/reg_fields.h"

#include <gtest/gtest.h>

#include "base/modes.h"
#include "engine/ky_up.h"

namespace kyvor {
namespace {

class RegFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    up_.Hooks.RegisterWritten = [this](int a) { written_.push_back(a); };
  }
  TRegField Field(uint16_t address, uint8_t width, uint8_t low) {
    TRegField f;
    f.Address = address;
    f.Width = width;
    f.LowBit = low;
    f.Defined = 1;
    return f;
  }
  TKy_UP up_;
  std::vector<int> written_;
};

TEST_F(RegFieldsTest, ValueComesFromTheFieldsBitsOnly) {
  up_.WriteRegisterModel(0x30, 0x83);  // 1000 0011
  EXPECT_EQ(ReadField(up_, Field(0x30, 3, 2)), 0);
  EXPECT_EQ(ReadField(up_, Field(0x30, 2, 0)), 3);
  EXPECT_EQ(ReadField(up_, Field(0x30, 1, 7)), 1);
  EXPECT_EQ(ReadField(up_, Field(0x30, 8, 0)), 0x83);
  EXPECT_EQ(ReadField(up_, Field(0x30, 0, 0)), 0) << "a field the chip lacks reads 0";
}

TEST_F(RegFieldsTest, WriteIsAReadModifyWriteThroughTheLoggedPath) {
  up_.WriteRegisterModel(0x30, 0x83);
  ASSERT_TRUE(WriteField(up_, Field(0x30, 3, 2), 5));  // "101" at bits 2-4
  EXPECT_EQ(up_.ReadRegister(0x30), 0x97);
  ASSERT_EQ(up_.RegRecord.Count(), 1);
  EXPECT_EQ(up_.RegRecord.Item(1)->Address, 0x30);
  EXPECT_EQ(up_.RegRecord.Item(1)->OldValue, 0x83);
  EXPECT_EQ(up_.RegRecord.Item(1)->NewValue, 0x97);
  EXPECT_EQ(written_, std::vector<int>{0x30}) << "the windows are told of the write";
}

TEST_F(RegFieldsTest, NothingIsWrittenForAnAbsentFieldOrAValueWiderThanIt) {
  up_.WriteRegisterModel(0x30, 0xFF);
  EXPECT_FALSE(WriteField(up_, Field(0x30, 0, 3), 1));
  EXPECT_FALSE(WriteField(up_, Field(0x30, 2, 3), 4)) << "4 does not fit two bits";
  EXPECT_FALSE(WriteField(up_, Field(0x30, 1, 7), 2));
  EXPECT_EQ(up_.ReadRegister(0x30), 0xFF);
  EXPECT_EQ(up_.RegRecord.Count(), 0);
  EXPECT_TRUE(written_.empty());
  EXPECT_TRUE(WriteField(up_, Field(0x30, 2, 3), 0));
  EXPECT_EQ(up_.ReadRegister(0x30), 0xE7) << "only bits 3 and 4 cleared";
}

TEST_F(RegFieldsTest, TheFieldIdFormUsesTheChipsRecord) {
  RegField(TFieldId::McMCSPN) = Field(0x40, 1, 3);
  up_.WriteRegisterModel(0x40, 0xF0);
  EXPECT_TRUE(WriteField(up_, TFieldId::McMCSPN, 1));
  EXPECT_EQ(up_.ReadRegister(0x40), 0xF8);
  EXPECT_EQ(ReadField(up_, TFieldId::McMCSPN), 1);
  EXPECT_EQ(FieldMaxValue(RegField(TFieldId::McMCSPN)), 1u);
  EXPECT_EQ(FieldMaxValue(Field(0, 4, 0)), 15u);
  EXPECT_EQ(FieldMaxValue(Field(0, 0, 0)), 0u);
}

TEST_F(RegFieldsTest, RawResultIs24BitsWithTheHighByteElse16BitsSigned) {
  TRegField oh = Field(0x38, 0, 0), om = Field(0x39, 0, 0), ol = Field(0x3A, 0, 0);
  up_.WriteRegisterModel(0x38, 0xFF);
  up_.WriteRegisterModel(0x39, 0xFF);
  up_.WriteRegisterModel(0x3A, 0xFB);
  EXPECT_EQ(AdcRawResult(up_, oh, om, ol), -5);
  up_.WriteRegisterModel(0x38, 0x7F);
  EXPECT_EQ(AdcRawResult(up_, oh, om, ol), 0x7FFFFB);
  oh.Defined = 0;  // no high byte in the chip file
  up_.WriteRegisterModel(0x39, 0x80);
  up_.WriteRegisterModel(0x3A, 0x00);
  EXPECT_EQ(AdcRawResult(up_, oh, om, ol), -32768);
  up_.WriteRegisterModel(0x39, 0x12);
  up_.WriteRegisterModel(0x3A, 0x34);
  EXPECT_EQ(AdcRawResult(up_, oh, om, ol), 0x1234);
}

TEST(AdcResultText, WidthDividesTowardZeroAndHexKeepsSixDigits) {
  // 16-bit result 0x8000 shown with 24 bits.
  EXPECT_EQ(AdcResultText(-32768, 16, TAdcTextMode::Hex), "FF8000");
  EXPECT_EQ(AdcResultText(-32768, 16, TAdcTextMode::Dec), "-32768");
  EXPECT_EQ(AdcResultText(-5, 16, TAdcTextMode::Hex), "FFFFFB");
  EXPECT_EQ(AdcResultText(-5, 16, TAdcTextMode::Dec), "-5");
  EXPECT_EQ(AdcResultText(-5, 7, TAdcTextMode::Hex), "0") << "-5 / 512 truncates to 0";
  EXPECT_EQ(AdcResultText(-5, 7, TAdcTextMode::Dec), "0");
  EXPECT_EQ(AdcResultText(0x7FFFFF, 0, TAdcTextMode::Hex), "7F");
  EXPECT_EQ(AdcResultText(0x7FFFFF, 0, TAdcTextMode::Dec), "127");
  EXPECT_EQ(AdcResultText(-0x800000, 0, TAdcTextMode::Dec), "-128");
  EXPECT_EQ(AdcResultText(-0x800000, 0, TAdcTextMode::Hex), "FFFF80" );
  EXPECT_EQ(AdcResultText(0x123456, 15, TAdcTextMode::Hex), "91A2B") << "halved";
  EXPECT_EQ(AdcResultText(-3, 15, TAdcTextMode::Dec), "-1") << "toward zero, not down";
}

}  // namespace
}  // namespace kyvor
