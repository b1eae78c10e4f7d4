// The chip description reader: line splitting, directive words, the data
// lines of every non-peripheral section, what is reset between chips, and
// bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "base/linerecord.h"
#include "base/modes.h"
#include "base/options.h"
#include "support/chip_folder.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

using test::LoadChipLines;
using test::RecordingListener;
using test::ScratchFolder;

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetChipState();
    SetChipLoadListener(&listener);
  }
  void TearDown() override { test::ResetChipState(); }

  uint8_t Load(const std::vector<std::string>& lines) { return LoadChipLines(folder, lines); }

  ScratchFolder folder;
  RecordingListener listener;
};

TEST(CutLIParaTest, SplitsCommentAndTokens) {
  TLineRecord r;
  InitLineRecord(r);
  SetWorkText(r, "018H\tSTKPTR  FULL ; the \"stack\"");
  CutLIPara(r);
  EXPECT_EQ(GetField(r, 1), "; the \"stack\"");
  EXPECT_EQ(GetField(r, 2), "");
  EXPECT_EQ(GetField(r, 3), "");
  EXPECT_EQ(GetField(r, 4), "018H");
  EXPECT_EQ(GetField(r, 5), "STKPTR");
  EXPECT_EQ(GetField(r, 6), "FULL");
  EXPECT_EQ(OperandCount(r), 3);

  SetWorkText(r, "\"quoted text; with semicolon");
  CutLIPara(r);
  EXPECT_EQ(GetField(r, 1), "\"quoted text; with semicolon");
  EXPECT_EQ(OperandCount(r), 0);
}

TEST(CutLIParaTest, KeepsTwentyNineTokens) {
  std::string line;
  for (int i = 1; i <= 35; ++i) line += "T" + std::to_string(i) + " ";
  TLineRecord r;
  InitLineRecord(r);
  SetWorkText(r, line);
  CutLIPara(r);
  EXPECT_EQ(OperandCount(r), 29);
  EXPECT_EQ(GetField(r, 32), "T29");
  EXPECT_EQ(GetField(r, 1), "");
}

TEST(IsPseudoTest, KnowsEveryDirectiveAndNothingElse) {
  EXPECT_EQ(IsPseudo("#PRODUCT"), 1);
  EXPECT_EQ(IsPseudo("#RAMBANK4"), 11);
  EXPECT_EQ(IsPseudo("#RAMBANK5"), 35);
  EXPECT_EQ(IsPseudo("#REGBITSTRCN"), 25);
  EXPECT_EQ(IsPseudo("#QRADC2S"), 62);
  EXPECT_EQ(IsPseudo("#DEVICE"), 63);
  EXPECT_EQ(IsPseudo("#REGBYTE2"), 255);
  EXPECT_EQ(IsPseudo("#regbyte"), 255);
  EXPECT_EQ(IsPseudo(""), 255);
  int known = 0;
  for (int code = 1; code <= 63; ++code) known += code;  // every code 1..63 once
  int sum = 0;
  for (const char* w :
       {"#PRODUCT", "#COMPILER", "#ID", "#ROM", "#REG0", "#REG1", "#RAMBANK0", "#RAMBANK1",
        "#RAMBANK2", "#RAMBANK3", "#RAMBANK4", "#REGBIT", "#REGBIT1", "#REGBIT2", "#REGBIT3",
        "#REGBYTE", "#REGWORD", "#REG3BYTE", "#STACK", "#SBMADDR", "#SIMIC", "#REGBITSTR",
        "#REGBYTESTR", "#REGWORDSTR", "#REGBITSTRCN", "#REGBYTESTRCN", "#REGWORDSTRCN", "#ADC0S",
        "#OP0S", "#CMP0S", "#SBMBANK", "#SELFEROM", "#SBMROM", "#SBMSTART", "#RAMBANK5",
        "#RAMBANK6", "#RAMBANK7", "#RAMBANK8", "#RAMBANK9", "#RAMBANK10", "#RAMBANK11",
        "#RAMBANK12", "#RAMBANK13", "#RAMBANK14", "#RAMBANK15", "#SBMSECTOR", "#HAO", "#REGBITA",
        "#REGBITB", "#ACM", "#STACKOVER", "#RESTRICT", "#SUBID", "#ADCNUM", "#QRADC1S",
        "#QTADC2S", "#MULTICMP", "#BIEBANK", "#TRISC", "#LAO", "#HAOMODE", "#QRADC2S",
        "#DEVICE"}) {
    const uint16_t code = IsPseudo(w);
    ASSERT_NE(code, 255) << w;
    sum += code;
  }
  EXPECT_EQ(sum, known);
}

TEST(UpperAsciiBig5Test, LeavesBig5TrailBytesAlone) {
  // 0xA6 0x61 is one Big5 character whose trail byte is the letter 'a'.
  const std::string text = std::string("ab\xA6\x61z");
  EXPECT_EQ(UpperAsciiBig5(text), std::string("AB\xA6\x61Z"));
}

TEST_F(LoaderTest, ListenerSeesTheLoad) {
  ASSERT_EQ(Load({"#STACK", "9", "#PRODUCT", "KX1"}), 1);
  ASSERT_FALSE(listener.calls.empty());
  EXPECT_EQ(listener.calls.front(), "started");
  EXPECT_EQ(listener.calls.back(), "loaded1");
  EXPECT_TRUE(listener.called("product"));
  EXPECT_TRUE(listener.called("adcViewDropped"));
  EXPECT_EQ(listener.stackDepths, std::vector<int>{9});
}

TEST_F(LoaderTest, LowerCaseDirectiveIsRecognisedButNotLongerWords) {
  ASSERT_EQ(Load({"#regbyte", "30h porta 0ffh", "#REGBYTE2", "31H PORTB 0FFH"}), 1);
  // #REGBYTE2 is a data line of #REGBYTE: its address is no number, so the
  // last number read (the mask 0FFH of the line before) stands in for it.
  ASSERT_EQ(ByteRegisterList().Count(), 3);
  EXPECT_EQ(Chip().ByteRegisterNames[0], "PORTA");
  EXPECT_EQ(ByteRegisterList().GetItem(1)->Address, 0xFF);
  EXPECT_EQ(Chip().ByteRegisterNames[1], "");
  EXPECT_EQ(ByteRegisterList().GetItem(2)->Address, 0x31);
  EXPECT_EQ(Chip().ByteRegisterCount, 3);
}

TEST_F(LoaderTest, SecondRegByteSectionClearsTheFirst) {
  ASSERT_EQ(Load({"#REGBYTE", "30H A 0FFH", "31H B 0FFH", "#REGBYTE", "32H C 0FH"}), 1);
  ASSERT_EQ(ByteRegisterList().Count(), 1);
  EXPECT_EQ(ByteRegisterList().GetItem(0)->Address, 0x32);
  EXPECT_EQ(Chip().ByteRegisterNames, std::vector<std::string>{"C"});
  EXPECT_EQ(Chip().ByteRegisterCount, 1) << "the count follows the list";
  // The map keeps what the first section set.
  EXPECT_EQ(Chip().DataMemoryMap[0x30], 0xFF);
  EXPECT_EQ(Chip().DataMemoryMap[0x32], 0x0F);
}

TEST_F(LoaderTest, DataLinesBeforeTheFirstDirectiveAreIgnored) {
  ASSERT_EQ(Load({"30H A 0FFH", "#ID", "7"}), 1);
  EXPECT_EQ(ByteRegisterList().Count(), 0);
  EXPECT_EQ(Chip().ChipId, 7);
}

TEST_F(LoaderTest, RomSizes) {
  ASSERT_EQ(Load({"#ROM", "255"}), 1);
  EXPECT_EQ(Chip().ChipRomWords, 4096u);
  ASSERT_EQ(Load({"#ROM", "256"}), 1);
  EXPECT_EQ(Chip().ChipRomWords, 256u);
  ASSERT_EQ(Load({"#ROM", "0"}), 1);
  EXPECT_EQ(Chip().ChipRomWords, 4096u);
  ASSERT_EQ(Load({"#ID", "1"}), 1);
  EXPECT_EQ(Chip().ChipRomWords, 4096u) << "default when no #ROM";
}

TEST_F(LoaderTest, RomBeyondProgramMemoryIsClampedWithAMessage) {
  test::ScriptedDialogs dialogs;
  ASSERT_EQ(Load({"#ROM", "65536"}), 1);
  EXPECT_EQ(Chip().ChipRomWords, kMaxRomWords);
  ASSERT_EQ(Chip().LoadMessages.size(), 1u);
  EXPECT_NE(Chip().LoadMessages[0].find("CHIP.INC line 2"), std::string::npos);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Warning);
  EXPECT_NE(dialogs.messages()[0].text.find("32768"), std::string::npos);
}

TEST_F(LoaderTest, NegativeRomSizeIsInvalidAndGivesTheDefault) {
  test::ScriptedDialogs dialogs;
  for (const char* n : {"-1", "-256", "-2147483648"}) {
    ASSERT_EQ(Load({"#ROM", n}), 1);
    EXPECT_EQ(Chip().ChipRomWords, 4096u) << n;
    ASSERT_EQ(Chip().LoadMessages.size(), 1u) << n;
    EXPECT_NE(Chip().LoadMessages[0].find("4096"), std::string::npos) << n;
  }
}

TEST_F(LoaderTest, StackDepthLimits) {
  ASSERT_EQ(Load({"#STACK", "2"}), 1);
  EXPECT_EQ(Chip().StackDepth, 4);
  ASSERT_EQ(Load({"#STACK", "31"}), 1);
  EXPECT_EQ(Chip().StackDepth, 31);
  EXPECT_TRUE(Chip().LoadMessages.empty());
  ASSERT_EQ(Load({"#STACK", "40"}), 1);
  EXPECT_EQ(Chip().StackDepth, kMaxStackDepth);
  EXPECT_EQ(Chip().LoadMessages.size(), 1u);
  for (const char* n : {"256", "260", "1000"}) {
    ASSERT_EQ(Load({"#STACK", n}), 1);
    EXPECT_EQ(Chip().StackDepth, kMaxStackDepth) << n << " is clamped before it is cut to 8 bits";
    EXPECT_EQ(Chip().LoadMessages.size(), 1u) << n;
  }
  ASSERT_EQ(Load({"#ID", "1"}), 1);
  EXPECT_EQ(Chip().StackDepth, 8) << "a chip without #STACK gets the default depth";
}

TEST_F(LoaderTest, SbmValues) {
  ASSERT_EQ(Load({"#SBMADDR", "200", "#SBMBANK", "2", "#SBMROM", "1 2 3 4 105H", "#SBMSTART",
                  "12345H", "#SBMSECTOR", "16", "#BIEBANK", "3"}),
            1);
  EXPECT_EQ(Chip().SbmAddress, 115);
  EXPECT_EQ(Chip().SbmBankSize, 3072u);
  EXPECT_EQ(Chip().SbmRom, (std::array<uint8_t, 5>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Chip().SbmStart, 0x12345u);
  EXPECT_EQ(Chip().SbmSector, 16u);
  EXPECT_EQ(Chip().BieBank, 3);
}

TEST_F(LoaderTest, MissingNumberRepeatsTheLastNumberRead) {
  ASSERT_EQ(Load({"#REG0", "10H  XYZ", "#REG1", "20H"}), 1);
  EXPECT_EQ(Chip().Reg0Start, 0x10);
  EXPECT_EQ(Chip().Reg0End, 0x10);
  EXPECT_EQ(Chip().Reg1Start, 0x20);
  EXPECT_EQ(Chip().Reg1End, 0x20);
}

TEST_F(LoaderTest, RamBanks) {
  Chip().CurrentRamBank = 9;
  ASSERT_EQ(Load({"#RAMBANK0", "80H 0FFH", "#RAMBANK1", "180H 100H", "#RAMBANK9", "900H 9FFH"}), 1);
  EXPECT_EQ(Chip().DataMemoryMap[0x7F], 0);
  EXPECT_EQ(Chip().DataMemoryMap[0x80], 0xFF);
  EXPECT_EQ(Chip().DataMemoryMap[0xFF], 0xFF);
  EXPECT_EQ(Chip().DataMemoryMap[0x180], 0) << "a reversed bank stays hidden";
  EXPECT_EQ(Chip().RamBankRanges[1].Start, 0x180);
  EXPECT_EQ(Chip().DataMemoryMap[0x9FF], 0xFF);
  EXPECT_EQ(Chip().LastRamBank, 9);
  EXPECT_EQ(Chip().CurrentRamBank, 9) << "the new chip has bank 9";
  ASSERT_EQ(Load({"#RAMBANK1", "180H 100H"}), 1);
  EXPECT_EQ(Chip().LastRamBank, 1);
  EXPECT_EQ(Chip().CurrentRamBank, 0) << "bank 9 is gone";
  EXPECT_EQ(Chip().RamBankRanges[9].End, 0) << "banks are reset between chips";
}

TEST_F(LoaderTest, HighBanksAreSkippedForTheEmulatorChip8024) {
  listener.podChip = 0x8024;
  ASSERT_EQ(Load({"#RAMBANK4", "400H 4FFH", "#RAMBANK6", "600H 6FFH"}), 1);
  EXPECT_EQ(Chip().DataMemoryMap[0x400], 0xFF);
  EXPECT_EQ(Chip().DataMemoryMap[0x600], 0);
  EXPECT_EQ(Chip().RamBankRanges[6].End, 0);
  listener.podChip = 0x8025;
  ASSERT_EQ(Load({"#RAMBANK4", "400H 4FFH", "#RAMBANK6", "600H 6FFH"}), 1);
  EXPECT_EQ(Chip().DataMemoryMap[0x600], 0xFF);
}

TEST_F(LoaderTest, RamBankBeyondDataMemoryIsCutOrRefused) {
  ASSERT_EQ(Load({"#RAMBANK15", "0F00H 1FFFH", "#RAMBANK14", "1000H 10FFH"}), 1);
  EXPECT_EQ(Chip().RamBankRanges[15].End, 0xFFF);
  EXPECT_EQ(Chip().DataMemoryMap[0xFFF], 0xFF);
  EXPECT_EQ(Chip().RamBankRanges[14].Start, 0);
  EXPECT_EQ(Chip().LastRamBank, 15);
  EXPECT_EQ(Chip().LoadMessages.size(), 2u);
}

TEST_F(LoaderTest, ImplementedBitMasks) {
  ASSERT_EQ(Load({"#REGBYTE", "30H A 3FH", "#REGBIT", "31H B - - B5 B4 B3 B2 B1 B0",
                  "32H C X X X X X X X"}),
            1);
  EXPECT_EQ(Chip().DataMemoryMap[0x30], 0x3F);
  EXPECT_EQ(Chip().DataMemoryMap[0x31], 0x3F);
  EXPECT_EQ(Chip().DataMemoryMap[0x32], 0xFF) << "a missing bit name is not \"-\"";
  const TCRREGBitRecord* b = BitRegisterList().GetItem(0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Name, "B");
  EXPECT_EQ(b->Bits[0].BitName, "-");
  EXPECT_EQ(b->Bits[2].BitName, "B5");
  EXPECT_EQ(b->Bits[7].BitName, "B0");
  EXPECT_EQ(BitRegisterList().GetItem(1)->Bits[7].BitName, "");
}

TEST_F(LoaderTest, BitRegisterPages) {
  Chip().RegisterPage = 2;
  ASSERT_EQ(Load({"#REGBIT", "20H P1A A B C D E F G H", "#REGBIT2", "21H P3A A B C D E F G H",
                  "22H P3B A B C D E F G H", "#REGBIT1", "23H P2A A B C D E F G H"}),
            1);
  EXPECT_EQ(Chip().BitRegisterPageCount, (std::array<uint16_t, 4>{1, 1, 2, 0}));
  EXPECT_EQ(BitRegisterList().Count(), 4);
  EXPECT_EQ(Chip().RegisterPage, 2);
  Chip().RegisterPage = 3;
  ASSERT_EQ(Load({"#REGBIT2", "21H P3A A B C D E F G H"}), 1);
  EXPECT_EQ(Chip().RegisterPage, 0);
}

TEST_F(LoaderTest, RegBitAAndBDependOnThePodChip) {
  const std::vector<std::string> lines = {"#REGBITB", "77H PAM A B C D E F G H", "#REGBITA",
                                          "77H PAM - - C D E F G H"};
  ASSERT_EQ(Load(lines), 1);
  EXPECT_EQ(Chip().DataMemoryMap[0x77], 0xFF);
  EXPECT_EQ(BitRegisterList().Count(), 1);
  EXPECT_EQ(Chip().BitRegisterPageCount[0], 1);
  listener.podChip = 0x8024;
  ASSERT_EQ(Load(lines), 1);
  EXPECT_EQ(Chip().DataMemoryMap[0x77], 0x3F);
  EXPECT_EQ(BitRegisterList().Count(), 1);
}

TEST_F(LoaderTest, WordRegisters) {
  ASSERT_EQ(Load({"#REGWORD", "0FH FSR0 10H W 0FH 0FFH 0", "1AH PC 1BH W 0FFH 0FFH 1"}), 1);
  ASSERT_EQ(WordRegisterList().Count(), 2);
  EXPECT_EQ(WordRegisterList().GetItem(0)->Address1, 0x0F);
  EXPECT_EQ(WordRegisterList().GetItem(0)->Address2, 0x10);
  EXPECT_EQ(WordRegisterList().GetItem(0)->CoreRegister, 0);
  EXPECT_EQ(WordRegisterList().GetItem(1)->CoreRegister, 1);
  EXPECT_EQ(Chip().DataMemoryMap[0x0F], 0x0F);
  EXPECT_EQ(Chip().DataMemoryMap[0x10], 0xFF);
  EXPECT_EQ(Chip().DataMemoryMap[0x1A], 0) << "a model register sets no mask";
  EXPECT_EQ(Chip().WordRegisterNames, (std::vector<std::string>{"FSR0", "PC"}));
  EXPECT_EQ(Chip().WordRegisterCount, 2);
}

TEST_F(LoaderTest, HiddenByteRegisterAndThreeByteCount) {
  ASSERT_EQ(Load({"#REGBYTE", "1FDH = 0FFH", "#REG3BYTE", "15H TOS 16H 17H", "", "; note",
                  "1CH TBLPTR 1DH 1EH"}),
            1);
  EXPECT_EQ(ByteRegisterList().GetItem(0)->Hidden, 1);
  EXPECT_EQ(Chip().Reg3ByteCount, 2);
}

TEST_F(LoaderTest, RegisterAddressBeyondDataMemoryIsRefused) {
  test::ScriptedDialogs dialogs;
  ASSERT_EQ(Load({"#REGBYTE", "1000H BIG 0FFH", "30H OK 0FFH", "#REGBIT",
                  "2000H BIG A B C D E F G H", "#REGWORD", "10H W1 1001H W 0FFH 0FFH 0",
                  "#ADC0S", "1234H ENADC0 1 7"}),
            1);
  EXPECT_EQ(ByteRegisterList().Count(), 1);
  EXPECT_EQ(Chip().ByteRegisterCount, 1);
  EXPECT_EQ(BitRegisterList().Count(), 0);
  EXPECT_EQ(WordRegisterList().Count(), 0);
  EXPECT_EQ(RegField(TFieldId::AdcENADC0).Defined, 0);
  EXPECT_EQ(Chip().LoadMessages.size(), 4u);
  ASSERT_EQ(dialogs.messages().size(), 1u) << "one box lists every problem";
  EXPECT_NE(dialogs.messages()[0].text.find("1000H"), std::string::npos);
}

TEST_F(LoaderTest, RegisterListsHoldFiveHundredTwelveDefinitions) {
  std::vector<std::string> lines = {"#REGBIT"};
  for (int i = 0; i < 513; ++i) lines.push_back(std::to_string(i) + " R A B C D E F G H");
  ASSERT_EQ(Load(lines), 1);
  EXPECT_EQ(BitRegisterList().Count(), 512);
  EXPECT_EQ(Chip().BitRegisterPageCount[0], 512) << "counts match the list";
  EXPECT_EQ(Chip().DataMemoryMap[512], 0xFF) << "the map is still set";
  EXPECT_EQ(Chip().LoadMessages.size(), 1u);
}

TEST_F(LoaderTest, SimIcAndRestrictLists) {
  std::vector<std::string> lines = {"#SIMIC"};
  for (int i = 0; i < 260; ++i) lines.push_back(std::to_string(i + 1));
  lines.push_back("#RESTRICT");
  for (int i = 0; i < 12; ++i) lines.push_back("F" + std::to_string(i) + ".INC");
  ASSERT_EQ(Load(lines), 1);
  EXPECT_EQ(Chip().SimIcCount, 258);
  EXPECT_EQ(Chip().SimIcList[257], 258);
  EXPECT_EQ(Chip().RestrictCount, 11);
  EXPECT_EQ(Chip().RestrictList[10], "F10.INC");
  EXPECT_EQ(Chip().LoadMessages.size(), 3u);
}

TEST_F(LoaderTest, RegisterListsDoNotSurviveAChipWithoutThem) {
  ASSERT_EQ(Load({"#REGBYTE", "30H A 0FFH", "#REGWORD", "10H W 11H W 0FFH 0FFH 0", "#REGBIT",
                  "20H B A B C D E F G H"}),
            1);
  ASSERT_EQ(ByteRegisterList().Count(), 1);
  ASSERT_EQ(Load({"#ID", "2"}), 1);
  EXPECT_EQ(ByteRegisterList().Count(), 0);
  EXPECT_EQ(WordRegisterList().Count(), 0);
  EXPECT_EQ(BitRegisterList().Count(), 0);
  EXPECT_TRUE(Chip().ByteRegisterNames.empty());
  EXPECT_EQ(Chip().ByteRegisterCount, 0);
  EXPECT_EQ(Chip().DataMemoryMap[0x30], 0);
}

TEST_F(LoaderTest, DeviceKinds) {
  ASSERT_EQ(Load({"#DEVICE", "3"}), 1);
  EXPECT_EQ(Chip().DeviceKind, 3);
  EXPECT_EQ(Chip().DeviceKind3, 1);
  EXPECT_EQ(Chip().ExtendedDevice, 1);
  EXPECT_EQ(Chip().DeviceNotKind3, 0);
  ASSERT_EQ(Load({"#DEVICE", "0"}), 1);
  EXPECT_EQ(Chip().DeviceKind3, 0);
  EXPECT_EQ(Chip().ExtendedDevice, 1);
  EXPECT_EQ(Chip().DeviceNotKind3, 1);
  ASSERT_EQ(Load({"#DEVICE", "2"}), 1);
  EXPECT_EQ(Chip().ExtendedDevice, 0);
  EXPECT_EQ(Chip().DeviceNotKind3, 1);
}

TEST_F(LoaderTest, ProductFamilyRules) {
  ASSERT_EQ(Load({"#DEVICE", "3", "#PRODUCT", "QR123"}), 1);
  EXPECT_EQ(listener.variantCommands, std::vector<bool>{true});
  EXPECT_TRUE(Chip().Menus.AdcIIVisible);
  EXPECT_FALSE(Chip().Menus.AdcIVisible);
  EXPECT_FALSE(Chip().Menus.OpVisible);
  EXPECT_EQ(Chip().DeviceNotKind3, 0);
  ASSERT_EQ(Load({"#DEVICE", "0", "#PRODUCT", "QR1"}), 1);
  EXPECT_TRUE(Chip().Menus.AdcIVisible);
  EXPECT_FALSE(Chip().Menus.AdcIIVisible);
  EXPECT_EQ(Chip().DeviceNotKind3, 1) << "QR keeps the #DEVICE flag";
  ASSERT_EQ(Load({"#DEVICE", "1", "#PRODUCT", "QN5"}), 1);
  EXPECT_FALSE(Chip().Menus.AdcIIVisible) << "a QN chip after a QR chip hides SMENU_ADC2";
  EXPECT_TRUE(Chip().Menus.AdcVisible);
  EXPECT_TRUE(Chip().Menus.OpVisible);
  EXPECT_TRUE(Chip().Menus.CmpVisible);
  EXPECT_EQ(Chip().FamilyBChip, 1);
  EXPECT_EQ(Chip().DeviceNotKind3, 0);
  ASSERT_EQ(Load({"#PRODUCT", "KY9"}), 1);
  EXPECT_FALSE(Chip().Menus.AdcVisible);
  EXPECT_TRUE(Chip().Menus.AdcIVisible);
  EXPECT_EQ(Chip().FamilyBChip, 0);
  EXPECT_FALSE(Chip().Menus.MpVisible);
  EXPECT_EQ(Chip().ChipProductName, "KY9");
}

TEST_F(LoaderTest, AdcNumActsOnlyWhileDeviceNotKind3) {
  ASSERT_EQ(Load({"#DEVICE", "0", "#ADCNUM", "2"}), 1);
  EXPECT_EQ(Chip().AdcPresent, 1);
  EXPECT_EQ(Chip().AdcCount, 2);
  EXPECT_EQ(Chip().AdcIPresent, 0);
  EXPECT_EQ(Chip().AdcIIPresent, 1);
  EXPECT_FALSE(Chip().Menus.AdcIEnabled);
  EXPECT_TRUE(Chip().Menus.AdcIIEnabled);
  ASSERT_EQ(Load({"#DEVICE", "0", "#ADCNUM", "3"}), 1);
  EXPECT_EQ(Chip().AdcIPresent, 1);
  EXPECT_EQ(Chip().AdcIIPresent, 1);
  ASSERT_EQ(Load({"#DEVICE", "0", "#PRODUCT", "KY1", "#ADCNUM", "1"}), 1);
  EXPECT_EQ(Chip().AdcPresent, 1);
  EXPECT_EQ(Chip().AdcCount, 0) << "the product rule cleared DeviceNotKind3";
  EXPECT_EQ(Chip().AdcIPresent, 0);
  EXPECT_FALSE(listener.called("adcViewDropped"));
}

TEST_F(LoaderTest, CompilerSetsCoreVariant) {
  ASSERT_EQ(Load({"#COMPILER", "k08a"}), 1);
  EXPECT_EQ(Chip().CoreVariant, 0);
  EXPECT_EQ(Chip().ChipCompilerName, "K08A");
  ASSERT_EQ(Load({"#COMPILER", "K08B"}), 1);
  EXPECT_EQ(Chip().CoreVariant, 1);
}

TEST_F(LoaderTest, SelfEepromWordsOnlyWhenNumbers) {
  ASSERT_EQ(Load({"#SELFEROM", "2 15AH 0A0AH - 0C0CH"}), 1);
  EXPECT_EQ(Chip().SelfEromMode, 2);
  EXPECT_EQ(Chip().SelfEromRegister, 0x15A);
  EXPECT_EQ(Chip().SelfEromStatusAddress, 0x45A);
  EXPECT_EQ(Chip().SelfEromWords, (std::array<uint16_t, 4>{0x0A0A, 0, 0x0C0C, 0}));
}

TEST_F(LoaderTest, TriscShiftOfAHugeCountKeepsItsLowBits) {
  // A count near the top of the number range must not overflow when doubled.
  ASSERT_EQ(Load({"#TRISC", "0FH 0A7D8C0FFH"}), 1);
  EXPECT_EQ(Chip().TriscShift, (0xA7D8C0FFu * 2u) & 0x0Fu);
}

TEST_F(LoaderTest, CalibrationAcmStackOverAndTrisc) {
  ASSERT_EQ(Load({"#HAO", "2EH 55H 1AAH 1234H 1700000 2100000 7", "#LAO", "11000 14000",
                  "#HAOMODE", "1 2 3", "#ACM", "3EH 3 1 0 5 0", "#STACKOVER", "2DH 6 2 0",
                  "#TRISC", "0FH 9"}),
            1);
  const auto& o = Chip().OscCalibration;
  EXPECT_EQ(o.HaoPresent, 1);
  EXPECT_EQ(o.HaoRegister, 0x2E);
  EXPECT_EQ(o.HaoByte1, 0x55);
  EXPECT_EQ(o.HaoByte2, 0xAA);
  EXPECT_EQ(o.HaoWord, 0x1234);
  EXPECT_EQ(o.HaoMin, 1700000);
  EXPECT_EQ(o.HaoMax, 2100000);
  EXPECT_EQ(o.HaoTail, 7);
  EXPECT_EQ(o.LaoMin, 11000);
  EXPECT_EQ(o.LaoMax, 14000);
  EXPECT_EQ(Chip().HaoMode, (std::array<int32_t, 3>{1, 2, 3}));
  EXPECT_EQ(Chip().AcmRegister, 0x3E);
  EXPECT_EQ(Chip().AcmBit, 3);
  EXPECT_EQ(Chip().AcmPresent, 1);
  EXPECT_EQ(Chip().AcmDefault12, 0);
  EXPECT_EQ(Chip().AcmOption, 1);
  EXPECT_EQ(Chip().AcmSetting, 7);
  EXPECT_EQ(Chip().StackOverRegister, 0x2D);
  EXPECT_EQ(Chip().StackOverBit, 6);
  EXPECT_EQ(Chip().StackOverPresent, 1);
  EXPECT_EQ(Chip().StackOverOption, 0);
  EXPECT_EQ(Chip().TriscValue, 0x0F);
  EXPECT_EQ(Chip().TriscShift, (9 * 2) & 0x0F);
  // Nothing of it stays for a chip without these sections.
  ASSERT_EQ(Load({"#ID", "1"}), 1);
  EXPECT_EQ(Chip().OscCalibration.HaoPresent, 0);
  EXPECT_EQ(Chip().AcmPresent, 0);
  EXPECT_EQ(Chip().StackOverPresent, 0);
}

TEST_F(LoaderTest, WriterIdentityDecidesTheCalibrationStep) {
  listener.writerAnswers = true;
  ASSERT_EQ(Load({"#HAO", "2EH 1 2 3 4 5 6"}), 1);
  EXPECT_TRUE(listener.called("writerCalibration"));
  listener.calls.clear();
  ASSERT_EQ(Load({"#SBMSTART", "12345H"}), 1);
  EXPECT_FALSE(listener.called("writerCalibration"));
  EXPECT_EQ(Chip().OscCalibration.HaoTail, 0x2345);
  listener.writerAnswers = false;
  ASSERT_EQ(Load({"#SBMSTART", "12345H"}), 1);
  EXPECT_EQ(Chip().OscCalibration.HaoTail, 0);
}

TEST_F(LoaderTest, CalibrationInputsOfTheOptionsDialogSurviveALoad) {
  Options().HaoValue = 1800000;
  Options().HaoEnabled = 1;
  ASSERT_EQ(Load({"#ID", "1"}), 1);
  EXPECT_EQ(Options().HaoValue, 1800000);
  EXPECT_EQ(Options().HaoEnabled, 1);
  ResetOptions();
}

TEST_F(LoaderTest, TheChipDecidesTheOptionsOfItsOwnGroups) {
  Options().STKOVRST = 1;
  Options().RACM10 = 0;
  Options().SmartCompiler = Options().COptimization = 1;
  ASSERT_EQ(Load({"#ACM", "3EH 3 1 0 5 0", "#STACKOVER", "2DH 6 2 0"}), 1);
  EXPECT_EQ(Options().STKOVRST, 1) << "kept: the chip has the register";
  EXPECT_EQ(Options().RACM10, 0) << "kept: the chip has the ACM group";
  EXPECT_EQ(Options().SmartCompiler + Options().COptimization, 2);
  EXPECT_FALSE(ChipHasWdtVector());
  ASSERT_EQ(Load({"#ID", "71H", "#COMPILER", "K08B"}), 1);
  EXPECT_EQ(Options().STKOVRST, 0);
  EXPECT_EQ(Options().RACM10, 1);
  EXPECT_EQ(Options().SmartCompiler + Options().COptimization, 0);
  EXPECT_TRUE(ChipHasWdtVector());
  ResetOptions();
}

// A missing description file keeps the previous chip, apart from what every
// load resets before it reads anything.
TEST_F(LoaderTest, MissingDescriptionFileKeepsThePreviousChipButItsAlwaysResetState) {
  ASSERT_EQ(Load({"#ID", "77H", "#SUBID", "5", "#RAMBANK0", "80H 0FFH", "#REGBYTE",
                  "30H A 0FFH", "#SIMIC", "77H", "#HAO", "40H 1 2 3 100 200 9", "#ACM",
                  "41H 3 1 0 0 0", "#ADC0S", "42H ENCHP0 1 0 0", "43H ENHIGN0 1 1 0"}),
            1);
  ASSERT_TRUE(FieldUi(TFieldId::AdcENCHP0).Raised);
  ASSERT_TRUE(FieldUi(TFieldId::AdcENHIGN0).Enabled);
  folder.writeInclude("KySel.INC", {"V1.0", "CHIP.INC  A  B", "GONE.INC  C  D"});
  ReadChipList(folder.program());
  Chip().ChipIndex = 1;
  listener.calls.clear();
  EXPECT_EQ(GetSELUP(), 0);
  EXPECT_EQ(listener.calls, (std::vector<std::string>{"started", "loaded0"}));
  EXPECT_NE(Chip().LastLoadError.find("GONE.INC"), std::string::npos);
  const TChipConfig& c = Chip();
  EXPECT_TRUE(std::all_of(c.DataMemoryMap.begin(), c.DataMemoryMap.end(),
                          [](uint8_t m) { return m == 0; }));
  EXPECT_EQ(c.ChipSubId, 0);
  EXPECT_EQ(c.SimIcCount, 0);
  EXPECT_EQ(c.OscCalibration.HaoPresent, 0);
  EXPECT_EQ(c.OscCalibration.HaoByte1 + c.OscCalibration.HaoByte2, 0);
  EXPECT_EQ(c.AcmRegister, 0);
  for (TFieldId id : {TFieldId::AdcENCHP0, TFieldId::AdcENHIGN0}) {
    EXPECT_FALSE(FieldUi(id).Enabled);
    EXPECT_FALSE(FieldUi(id).Raised);
  }
  // The rest stays the previous chip's.
  EXPECT_EQ(c.ChipId, 0x77);
  EXPECT_EQ(c.OscCalibration.HaoMax, 200);
  EXPECT_EQ(ByteRegisterList().Count(), 1);
  // A missing chip list resets the same.
  ASSERT_EQ(Load({"#SUBID", "5", "#RAMBANK0", "80H 0FFH", "#SIMIC", "77H"}), 1);
  std::filesystem::remove(folder.include() + "KySel.INC");
  EXPECT_EQ(GetSELUP(), 0);
  EXPECT_EQ(Chip().DataMemoryMap[0x80], 0);
  EXPECT_EQ(Chip().ChipSubId + Chip().SimIcCount, 0);
}

TEST_F(LoaderTest, DescriptionsFollowTheLanguage) {
  const std::string big5Status = "\xAA\xAC\xBA\x41";  // two Big5 characters
  const std::vector<std::string> lines = {
      "#REGBIT", "2BH STATUS - - - C DC N OV Z", "2CH PWR A B C D E F G H",
      "#REGBYTE", "29H WREG 0FFH",
      "#REGWORD", "0FH FSR0 10H W 0FH 0FFH 0",
      "#REGBITSTR", "2BH", "\"Status register", "\"-", "\"-", "\"-", "\"C: carry",
      "\"DC", "\"N", "\"OV", "\"Z: zero", "\"one too many",
      "#REGBYTESTR", "29H", "\"Working register\"",
      "#REGWORDSTR", "0F10H", "\"Pointer 0",
      "#REGBITSTRCN", "2BH", "\"" + big5Status, "#REGBYTESTRCN", "29H", "\"W CN"};
  ASSERT_EQ(Load(lines), 1);
  const TCRREGBitRecord* status = BitRegisterList().GetItem(0);
  EXPECT_EQ(status->Description, "Status register");
  EXPECT_EQ(status->Bits[3].BitDescription, "C: carry");
  EXPECT_EQ(status->Bits[7].BitDescription, "Z: zero");
  EXPECT_EQ(ByteRegisterList().GetItem(0)->Description, "Working register\"")
      << "the closing quote is kept";
  EXPECT_EQ(WordRegisterList().GetItem(0)->Description, "Pointer 0");

  listener.language = 1;
  ASSERT_EQ(Load(lines), 1);
  EXPECT_EQ(BitRegisterList().GetItem(0)->Description, big5Status);
  EXPECT_EQ(BitRegisterList().GetItem(0)->Bits[3].BitDescription, "");
  EXPECT_EQ(ByteRegisterList().GetItem(0)->Description, "W CN");
  EXPECT_EQ(WordRegisterList().GetItem(0)->Description, "");
}

TEST_F(LoaderTest, DescriptionKeyWithoutDefinitionKeepsThePreviousRegister) {
  ASSERT_EQ(Load({"#REGBYTE", "29H WREG 0FFH", "2AH BSR 0FH", "#REGBYTESTR", "\"dropped",
                  "29H", "\"first", "77H", "\"second"}),
            1);
  EXPECT_EQ(ByteRegisterList().GetItem(0)->Description, "second");
  EXPECT_EQ(ByteRegisterList().GetItem(1)->Description, "");
}

TEST_F(LoaderTest, LongBig5DescriptionIsCutBetweenCharacters) {
  std::string text = "x";  // one byte, then Big5 pairs: the cut falls inside a pair
  for (int i = 0; i < 100; ++i) text += "\xA4\x40";
  ASSERT_EQ(Load({"#REGBYTE", "29H WREG 0FFH", "#REGBYTESTR", "29H", "\"" + text}), 1);
  const std::string& d = ByteRegisterList().GetItem(0)->Description;
  EXPECT_EQ(d.size(), 159u);
  EXPECT_EQ(d, text.substr(0, 159));
}

TEST_F(LoaderTest, ReloadingAfterSectionClearDoesNotWriteThroughAStaleRecord) {
  ASSERT_EQ(Load({"#REGBYTE", "29H WREG 0FFH", "#REGBYTESTR", "29H", "\"old", "#REGBYTE",
                  "2AH BSR 0FH", "#REGBYTESTR", "\"text without key"}),
            1);
  ASSERT_EQ(ByteRegisterList().Count(), 1);
  EXPECT_EQ(ByteRegisterList().GetItem(0)->Description, "");
}

TEST_F(LoaderTest, LastValueMapIsClearedForDefinedRegisters) {
  Chip().LastValueMap[0x30] = 0x55;
  Chip().LastValueMap[0x31] = 0x66;
  ASSERT_EQ(Load({"#REGBYTE", "30H A 0FFH"}), 1);
  EXPECT_EQ(Chip().LastValueMap[0x30], 0);
  EXPECT_EQ(Chip().LastValueMap[0x31], 0x66);
}

TEST(MemorySizeTest, ProgramPagesAndDataSize) {
  ResetChipConfig();
  Chip().ChipRomWords = 4096;
  EXPECT_EQ(ProgramMemoryPages(), 16);
  EXPECT_EQ(LastProgramAddress(), 4095);
  Chip().ChipRomWords = 8192;
  EXPECT_EQ(ProgramMemoryPages(), 32);
  EXPECT_EQ(LastProgramAddress(), 8191);
  Chip().ChipRomWords = 1000;
  EXPECT_EQ(ProgramMemoryPages(), 3);
  Chip().RamBankRanges[0] = {0x80, 0xFF};
  Chip().RamBankRanges[1] = {0x100, 0x1FF};
  Chip().RamBankRanges[2] = {0x200, 0x200};
  Chip().RamBankRanges[3] = {0x300, 0x3FF};
  EXPECT_EQ(DataMemorySize(), 768);
  EXPECT_EQ(MaxHardwareBreakpoints(), 15);
  ResetChipConfig();
  EXPECT_EQ(DataMemorySize(), 256);
}

TEST(CheckIceInterfaceTest, AsksForAnInterface) {
  ResetModes();
  test::ScriptedDialogs dialogs;
  Modes().IceInterfaceIndex = 0;
  Modes().PodlessMode = 0;
  EXPECT_FALSE(CheckIceInterface());
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Please set address of LPT!");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
  Modes().PodlessMode = 1;
  EXPECT_TRUE(CheckIceInterface());
  Modes().PodlessMode = 0;
  Modes().IceInterfaceIndex = 4;
  EXPECT_TRUE(CheckIceInterface());
  EXPECT_EQ(dialogs.messages().size(), 1u);
  ResetModes();
}

}  // namespace
}  // namespace kyvor

namespace kyvor {
namespace {

// Random lines built from directive words, keys, numbers, quotes and stray
// bytes: the loader must finish every file and keep its invariants.
TEST(LoaderRobustnessTest, RandomFilesNeverBreakTheLoader) {
  test::ResetChipState();
  test::ScratchFolder folder;
  std::mt19937 rng(12345);
  const std::vector<std::string> words = {
      "#PRODUCT", "#REGBIT", "#REGBIT3", "#REGBYTE", "#REGWORD", "#RAMBANK0", "#RAMBANK15",
      "#STACK", "#ROM", "#SIMIC", "#RESTRICT", "#REGBITSTR", "#REGBYTESTR", "#REGWORDSTR",
      "#ADC0S", "#QRADC2S", "#MULTICMP", "#CMP0S", "#SELFEROM", "#DEVICE", "#ADCNUM", "#HAO",
      "IN0H", "VDDAX", "IN1P", "MCNES", "PTMX", "VRBUF0", "TEMPERATURE", "-", "--", "=", "1",
      "0FFFFH", "65535", "-7", "1000H", "0FH", "9", "ABC", "\"text", ";c", "\xA4\x40", "QR",
      "QN12", "K08B"};
  for (int file = 0; file < 60; ++file) {
    std::vector<std::string> lines;
    const int count = static_cast<int>(rng() % 120);
    for (int l = 0; l < count; ++l) {
      std::string line;
      const int tokens = static_cast<int>(rng() % 40);
      for (int t = 0; t < tokens; ++t) {
        if (rng() % 17 == 0) {
          line += static_cast<char>(rng() % 256);
        } else {
          line += words[rng() % words.size()];
        }
        line += (rng() % 5 == 0) ? "\t" : " ";
      }
      lines.push_back(line);
    }
    ASSERT_LE(test::LoadChipLines(folder, lines), 1);
    const TChipConfig& c = Chip();
    EXPECT_GE(c.StackDepth, 4);
    EXPECT_LE(c.StackDepth, kMaxStackDepth);
    EXPECT_LE(c.ChipRomWords, kMaxRomWords);
    EXPECT_LE(c.SimIcCount, kSimIcCapacity);
    EXPECT_LE(c.RestrictCount, kRestrictCapacity);
    EXPECT_EQ(c.ByteRegisterCount, ByteRegisterList().Count());
    EXPECT_EQ(c.WordRegisterCount, WordRegisterList().Count());
    EXPECT_EQ(c.ByteRegisterNames.size(), static_cast<std::size_t>(ByteRegisterList().Count()));
    int pages = 0;
    for (auto n : c.BitRegisterPageCount) pages += n;
    EXPECT_EQ(pages, BitRegisterList().Count());
    for (const auto& f : c.RegFields) {
      EXPECT_LT(f.Address, kDataMemorySize);
      EXPECT_LE(f.Width + f.LowBit, 8);
    }
    for (const auto& b : c.RamBankRanges) EXPECT_LT(b.End, kDataMemorySize);
  }
  test::ResetChipState();
}

TEST(LoaderRobustnessTest, FolderNamedLikeTheListIsNoList) {
  test::ResetChipState();
  test::ScratchFolder folder;
  std::filesystem::create_directories(folder.include() + "KySel.INC");
  EXPECT_EQ(ReadChipList(folder.program()), 4);
  EXPECT_FALSE(Chip().ChipListFromFile);
  EXPECT_EQ(GetSELUP(), 0);
  test::ResetChipState();
}

TEST(LoaderRobustnessTest, EmptyAndOddFiles) {
  test::ResetChipState();
  test::ScratchFolder folder;
  folder.writeIncludeBytes("KySel.INC", "V1.0\nA.INC A B\n");
  folder.writeIncludeBytes("A.INC", "");
  ReadChipList(folder.program());
  EXPECT_EQ(GetSELUP(), 1);
  EXPECT_EQ(Chip().ChipRomWords, 4096u);
  const char bytes[] = "#ID\r\n12\r\n\0\r\n#STACK\n5";
  folder.writeIncludeBytes("A.INC", std::string(bytes, sizeof bytes - 1));
  EXPECT_EQ(GetSELUP(), 1);
  EXPECT_EQ(Chip().ChipId, 12);
  EXPECT_EQ(Chip().StackDepth, 5);
  folder.writeIncludeBytes("A.INC", "#PRODUCT\n" + std::string(500, 'x') + "\n");
  EXPECT_EQ(GetSELUP(), 1);
  EXPECT_EQ(Chip().ChipProductName, std::string(160, 'X'));
  test::ResetChipState();
}

}  // namespace
}  // namespace kyvor
