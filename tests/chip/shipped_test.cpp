// The chip files that ship in data/INCLUDE: each loads cleanly, gives the
// configuration it is meant to, and together they use every directive and
// every set of peripheral windows.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "base/linerecord.h"
#include "support/chip_folder.h"
#include "support/golden_files.h"

namespace kyvor {
namespace {

// Everything a load leaves in the chip configuration, the register lists and
// the listener, one fact a line, for the golden files of the shipped chips.
class ChipDump {
 public:
  std::string Text(const test::RecordingListener& listener) {
    const TChipConfig& c = Chip();
    put("ChipProductName", c.ChipProductName);
    put("FamilyBChip", c.FamilyBChip);
    put("ChipCompilerName", c.ChipCompilerName);
    put("CoreVariant", c.CoreVariant);
    put("ChipId", c.ChipId);
    put("ChipSubId", c.ChipSubId);
    put("ChipRomWords", c.ChipRomWords);
    put("Reg0", c.Reg0Start, c.Reg0End);
    put("Reg1", c.Reg1Start, c.Reg1End);
    for (size_t i = 0; i < c.RamBankRanges.size(); ++i)
      put("RamBank" + std::to_string(i), c.RamBankRanges[i].Start, c.RamBankRanges[i].End);
    put("LastRamBank", c.LastRamBank);
    dataMemoryMap(c);
    put("StackDepth", c.StackDepth);
    put("DeviceKind", c.DeviceKind, c.DeviceKind3, c.ExtendedDevice, c.DeviceNotKind3);
    put("SimIcCount", c.SimIcCount);
    for (size_t i = 0; i < c.SimIcList.size(); ++i)
      if (c.SimIcList[i]) put("SimIc" + std::to_string(i), c.SimIcList[i]);
    put("RestrictCount", c.RestrictCount);
    for (size_t i = 0; i < c.RestrictList.size(); ++i)
      if (!c.RestrictList[i].empty()) put("Restrict" + std::to_string(i), c.RestrictList[i]);
    put("Counts", c.ByteRegisterCount, c.WordRegisterCount, c.Reg3ByteCount);
    put("BitRegisterPageCount", c.BitRegisterPageCount[0], c.BitRegisterPageCount[1],
        c.BitRegisterPageCount[2], c.BitRegisterPageCount[3]);
    put("Sbm", c.SbmAddress, c.SbmBankSize, c.SbmStart, c.SbmSector);
    put("SbmRom", c.SbmRom[0], c.SbmRom[1], c.SbmRom[2], c.SbmRom[3], c.SbmRom[4]);
    put("SelfErom", c.SelfEromMode, c.SelfEromRegister, c.SelfEromStatusAddress);
    put("SelfEromWords", c.SelfEromWords[0], c.SelfEromWords[1], c.SelfEromWords[2],
        c.SelfEromWords[3]);
    const TOscCalibration& o = c.OscCalibration;
    put("Hao", o.HaoPresent, o.HaoRegister, o.HaoByte1, o.HaoByte2, o.HaoWord, o.HaoMin,
        o.HaoMax, o.HaoTail);
    put("Lao", o.LaoMin, o.LaoMax);
    put("HaoMode", c.HaoMode[0], c.HaoMode[1], c.HaoMode[2]);
    put("Acm", c.AcmRegister, c.AcmBit, c.AcmPresent, c.AcmDefault12, c.AcmOption, c.AcmSetting);
    put("StackOver", c.StackOverRegister, c.StackOverBit, c.StackOverPresent, c.StackOverOption);
    put("AdcCount", c.AdcCount);
    put("BieBank", c.BieBank);
    put("Trisc", c.TriscValue, c.TriscShift);
    put("Present", c.AdcPresent, c.OpPresent, c.CmpPresent, c.AdcIPresent, c.AdcIIPresent,
        c.MultiCmpPresent);
    put("RegisterQuirkFlags", c.RegisterQuirkFlags[0], c.RegisterQuirkFlags[1],
        c.RegisterQuirkFlags[2], c.RegisterQuirkFlags[3], c.RegisterQuirkFlags[4],
        c.RegisterQuirkFlags[5]);
    for (const auto& n : c.AdcVddaNames) put("AdcVdda", n);
    for (const auto& n : c.OpVddaNames) put("OpVdda", n);
    for (const auto& n : c.CmpVddaNames) put("CmpVdda", n);
    fields(c);
    put("TempPanelVisible", c.TempPanelVisible);
    const TChipMenus& m = c.Menus;
    put("Menus", m.AdcVisible, m.OpVisible, m.CmpVisible, m.AdcIVisible, m.AdcIIVisible,
        m.MpVisible, m.AdcIEnabled, m.AdcIIEnabled);
    put("CurrentRamBank", c.CurrentRamBank, c.RegisterPage);
    registers(c);
    for (const auto& m2 : c.LoadMessages) put("LoadMessage", m2);
    for (const auto& call : listener.calls) put("Call", call);
    for (int d : listener.stackDepths) put("StackDepthChanged", d);
    for (bool k : listener.variantCommands) put("VariantCommand", k);
    return out_.str();
  }

 private:
  static std::string Field(const std::string& v) { return "\"" + v + "\""; }
  static std::string Field(bool v) { return v ? "1" : "0"; }
  template <typename T>
  static std::string Field(T v) {
    char b[24];
    std::snprintf(b, sizeof b, "%lld/%llX", static_cast<long long>(v),
                  static_cast<unsigned long long>(v));
    return b;
  }
  template <typename... T>
  void put(const std::string& name, const T&... values) {
    out_ << name;
    ((out_ << ' ' << Field(values)), ...);
    out_ << '\n';
  }
  // Runs of equal entries of the map.
  void dataMemoryMap(const TChipConfig& c) {
    size_t i = 0;
    while (i < c.DataMemoryMap.size()) {
      size_t j = i;
      while (j + 1 < c.DataMemoryMap.size() && c.DataMemoryMap[j + 1] == c.DataMemoryMap[i]) ++j;
      if (c.DataMemoryMap[i]) put("DataMemoryMap", i, j, c.DataMemoryMap[i]);
      i = j + 1;
    }
  }
  void fields(const TChipConfig& c) {
    for (int i = 0; i < kRegFieldCount; ++i) {
      const TRegField& f = c.RegFields[size_t(i)];
      const TFieldUi& ui = c.FieldUi[size_t(i)];
      const std::string id = "Field" + std::to_string(i);
      put(id, f.Address, f.Width, f.LowBit, f.Cache, f.Defined);
      put(id + "Ui", ui.Enabled, ui.Raised, ui.HasCaption, ui.Caption, ui.OptionCount);
      for (const auto& o : ui.Options)
        if (o.Enabled || !o.Caption.empty()) put(id + "Option", o.Caption, o.Enabled);
      for (const auto& code : ui.Codes) put(id + "Code", code);
    }
  }
  void registers(const TChipConfig& c) {
    for (int32_t i = 0; i < BitRegisterList().Count(); ++i) {
      const TCRREGBitRecord& r = *BitRegisterList().GetItem(i);
      put("Bit", r.Address, r.Name, r.Description);
      for (const auto& b : r.Bits) put("BitEntry", b.BitName, b.BitDescription);
    }
    for (int32_t i = 0; i < ByteRegisterList().Count(); ++i) {
      const TCRREGByteRecord& r = *ByteRegisterList().GetItem(i);
      put("Byte", r.Address, r.Hidden, r.Description);
    }
    for (const auto& n : c.ByteRegisterNames) put("ByteName", n);
    for (int32_t i = 0; i < WordRegisterList().Count(); ++i) {
      const TCRREGWordRecord& r = *WordRegisterList().GetItem(i);
      put("Word", r.Address1, r.Address2, r.CoreRegister, r.Description);
    }
    for (const auto& n : c.WordRegisterNames) put("WordName", n);
  }

  std::ostringstream out_;
};

class ShippedChipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetChipState();
    SetChipLoadListener(&listener);
    ASSERT_EQ(ReadChipList(test::ShippedProgramFolder()), 7);
  }
  void TearDown() override { test::ResetChipState(); }

  void LoadChip(int index) {
    Chip().ChipIndex = index;
    ASSERT_EQ(GetSELUP(), 1);
    for (const auto& m : Chip().LoadMessages) ADD_FAILURE() << m;
  }

  const TCRREGBitRecord* BitRegister(const std::string& name) {
    for (int32_t i = 0; i < BitRegisterList().Count(); ++i) {
      if (BitRegisterList().GetItem(i)->Name == name) return BitRegisterList().GetItem(i);
    }
    return nullptr;
  }
  int ByteRegisterAt(uint16_t address) {
    for (int32_t i = 0; i < ByteRegisterList().Count(); ++i) {
      if (ByteRegisterList().GetItem(i)->Address == address) return i;
    }
    return -1;
  }

  test::RecordingListener listener;
};

TEST_F(ShippedChipTest, EveryChipLoadsWithoutProblems) {
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    LoadChip(i);
    EXPECT_GT(BitRegisterList().Count(), 20);
    EXPECT_GT(ByteRegisterList().Count(), 10);
    EXPECT_GE(Chip().StackDepth, 4);
    EXPECT_NE(Chip().ChipId, 0);
    // The registers the CPU model gives meaning to exist on every chip.
    for (int address : {15, 16, 17, 18, 24, 27, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 65, 3897}) {
      EXPECT_NE(Chip().DataMemoryMap[address], 0) << address;
    }
    EXPECT_EQ(Chip().DataMemoryMap[0x80], 0xFF) << "RAM in bank 0";
  }
}

TEST_F(ShippedChipTest, DefaultChipFieldByField) {
  LoadChip(0);
  const TChipConfig& c = Chip();
  EXPECT_EQ(c.ChipProductName, "KY08A16");
  EXPECT_EQ(c.ChipCompilerName, "K08A");
  EXPECT_EQ(c.CoreVariant, 0);
  EXPECT_EQ(c.ChipId, 0x0A16);
  EXPECT_EQ(c.ChipSubId, 1);
  EXPECT_EQ(c.ChipRomWords, 16384u);
  EXPECT_EQ(ProgramMemoryPages(), 64);
  EXPECT_EQ(c.StackDepth, 8);
  EXPECT_EQ(listener.stackDepths, std::vector<int>{8});
  EXPECT_EQ(c.DeviceKind, 2);
  EXPECT_EQ(c.DeviceKind3, 0);
  EXPECT_EQ(c.ExtendedDevice, 0);
  EXPECT_EQ(c.DeviceNotKind3, 0);
  EXPECT_EQ(c.FamilyBChip, 0);
  EXPECT_EQ(c.Reg0Start, 0x000);
  EXPECT_EQ(c.Reg0End, 0x07F);
  EXPECT_EQ(c.Reg1Start, 0xF00);
  EXPECT_EQ(c.Reg1End, 0xF7F);
  EXPECT_EQ(c.RamBankRanges[0].Start, 0x080);
  EXPECT_EQ(c.RamBankRanges[0].End, 0x0FF);
  EXPECT_EQ(c.RamBankRanges[1].End, 0x1FC);
  EXPECT_EQ(c.RamBankRanges[3].Start, 0x300);
  EXPECT_EQ(c.RamBankRanges[4].End, 0);
  EXPECT_EQ(c.LastRamBank, 3);
  EXPECT_EQ(DataMemorySize(), 1024);
  EXPECT_EQ(c.SimIcCount, 2);
  EXPECT_EQ(c.SimIcList[0], 0x0A16);
  EXPECT_EQ(c.StackOverPresent, 1);
  EXPECT_EQ(c.StackOverRegister, 0x2D);
  EXPECT_EQ(c.StackOverBit, 6);
  EXPECT_EQ(c.AcmPresent, 0);
  EXPECT_EQ(c.OscCalibration.HaoPresent, 0);
  EXPECT_EQ(c.SelfEromMode, 0);

  // Data memory map.
  EXPECT_EQ(c.DataMemoryMap[0x00], 0xFF);   // INDF0
  EXPECT_EQ(c.DataMemoryMap[0x0F], 0x0F);   // FSR0H
  EXPECT_EQ(c.DataMemoryMap[0x10], 0xFF);   // FSR0L
  EXPECT_EQ(c.DataMemoryMap[0x18], 0xFF);   // STKPTR
  EXPECT_EQ(c.DataMemoryMap[0x1B], 0xFF);   // PCLATL
  EXPECT_EQ(c.DataMemoryMap[0x23], 0xBF);   // INTE0: bit 6 not implemented
  EXPECT_EQ(c.DataMemoryMap[0x29], 0xFF);   // WREG
  EXPECT_EQ(c.DataMemoryMap[0x2A], 0x03);   // BSR: four banks
  EXPECT_EQ(c.DataMemoryMap[0x2B], 0x1F);   // STATUS
  EXPECT_EQ(c.DataMemoryMap[0x2C], 0x70);   // PWRSTA
  EXPECT_EQ(c.DataMemoryMap[0x41], 0xF0);   // T0CON
  EXPECT_EQ(c.DataMemoryMap[0x52], 0x3F);   // PORTC
  EXPECT_EQ(c.DataMemoryMap[0x7F], 0x00);
  EXPECT_EQ(c.DataMemoryMap[0x1FC], 0xFF);
  EXPECT_EQ(c.DataMemoryMap[0x1FF], 0x1F);  // STATUSS
  EXPECT_EQ(c.DataMemoryMap[0x3FF], 0xFF);
  EXPECT_EQ(c.DataMemoryMap[0x400], 0x00);
  EXPECT_EQ(c.DataMemoryMap[0xF39], 0xFF);  // TMR0

  // Register lists.
  EXPECT_EQ(c.BitRegisterPageCount, (std::array<uint16_t, 4>{11, 7, 7, 0}));
  EXPECT_EQ(BitRegisterList().Count(), 25);
  const TCRREGBitRecord* stk = BitRegister("STKPTR");
  ASSERT_NE(stk, nullptr);
  EXPECT_EQ(stk->Address, 24);
  EXPECT_EQ(stk->Bits[0].BitName, "FULL");
  EXPECT_EQ(stk->Bits[1].BitName, "UNDER");
  EXPECT_EQ(stk->Bits[2].BitName, "OVER");
  EXPECT_EQ(stk->Description, "Stack pointer and stack status");
  EXPECT_EQ(stk->Bits[2].BitDescription,
            "OVER: a call was executed with a full stack; the top entry was overwritten");
  const TCRREGBitRecord* status = BitRegister("STATUS");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->Address, 43);
  EXPECT_EQ(status->Bits[7].BitName, "Z");
  EXPECT_EQ(status->Bits[3].BitName, "C");
  EXPECT_EQ(status->Bits[7].BitDescription, "Z: zero result");
  const int pclatl = ByteRegisterAt(27);
  ASSERT_GE(pclatl, 0);
  EXPECT_EQ(c.ByteRegisterNames[static_cast<std::size_t>(pclatl)], "PCLATL");
  EXPECT_EQ(ByteRegisterList().GetItem(pclatl)->Description,
            "Program counter latch, low byte; writing it jumps");
  const int w = ByteRegisterAt(41);
  ASSERT_GE(w, 0);
  EXPECT_EQ(c.ByteRegisterNames[static_cast<std::size_t>(w)], "WREG");
  EXPECT_EQ(c.ByteRegisterCount, ByteRegisterList().Count());
  ASSERT_EQ(WordRegisterList().Count(), 8);
  EXPECT_EQ(c.WordRegisterNames[0], "FSR0");
  EXPECT_EQ(WordRegisterList().GetAddressKey(0), 0x0F10);
  EXPECT_EQ(WordRegisterList().GetItem(0)->Description, "Pointer 0 (FSR0H:FSR0L)");
  EXPECT_EQ(WordRegisterList().GetItem(2)->Address1, 19);
  EXPECT_EQ(WordRegisterList().GetItem(2)->Address2, 20);
  EXPECT_EQ(c.Reg3ByteCount, 2);

  // Windows: op amp and comparator, no ADC.
  EXPECT_EQ(c.AdcPresent, 0);
  EXPECT_EQ(c.OpPresent, 1);
  EXPECT_EQ(c.CmpPresent, 1);
  EXPECT_EQ(c.AdcIPresent + c.AdcIIPresent + c.MultiCmpPresent, 0);
  EXPECT_TRUE(listener.called("adcViewDropped"));
  EXPECT_TRUE(c.Menus.OpVisible);
  EXPECT_TRUE(c.Menus.CmpVisible);
  EXPECT_FALSE(c.Menus.AdcVisible);
  const TRegField& op0n = RegField(TFieldId::OpOP0N);
  EXPECT_EQ(op0n.Address, 0x32);
  EXPECT_EQ(op0n.Width, 3);
  EXPECT_EQ(op0n.LowBit, 0);
  EXPECT_EQ(FieldUi(TFieldId::OpOP0N).Codes,
            (std::vector<std::string>{"000", "001", "010", "011", "111"}));
  EXPECT_EQ(FieldUi(TFieldId::OpOP0N).Options[7].Caption, "FB");
  EXPECT_EQ(FieldUi(TFieldId::CmpCPIH).Options[3].Caption, "Float");
  EXPECT_EQ(RegField(TFieldId::CmpCPVRS).Width, 4);
  EXPECT_EQ(FieldUi(TFieldId::CmpPTMX).Caption, "PM2.7");
  EXPECT_EQ(c.OpVddaNames[0], "2.4");
  EXPECT_EQ(c.CmpVddaNames[3], "3.3");
  EXPECT_EQ(c.RegisterQuirkFlags, (std::array<uint8_t, 6>{}));
  EXPECT_EQ(RegField(TFieldId::AdcENADC0).Defined, 0);
}

TEST_F(ShippedChipTest, DefaultChipChineseDescriptionsKeepTheirBig5Bytes) {
  listener.language = 1;
  LoadChip(0);
  const TCRREGBitRecord* stk = BitRegister("STKPTR");
  ASSERT_NE(stk, nullptr);
  // "堆疊指標與堆疊狀態" in Big5.
  EXPECT_EQ(stk->Description,
            "\xB0\xEF\xC5\x7C\xAB\xFC\xBC\xD0\xBBP\xB0\xEF\xC5\x7C\xAA\xAC\xBA\x41");
  const TCRREGBitRecord* status = BitRegister("STATUS");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->Bits[7].BitDescription.substr(0, 1), "Z");
  EXPECT_EQ(BitRegister("T0CON")->Description, "") << "English texts are skipped";
}

TEST_F(ShippedChipTest, QnChipHasTheAdcOpAmpAndComparator) {
  LoadChip(1);
  const TChipConfig& c = Chip();
  EXPECT_EQ(c.ChipProductName, "QN08A4");
  EXPECT_EQ(c.CoreVariant, 0);
  EXPECT_EQ(c.ChipId, 0x71);
  EXPECT_EQ(c.FamilyBChip, 1);
  EXPECT_EQ(c.ExtendedDevice, 0);
  EXPECT_EQ(c.DeviceKind3, 0);
  EXPECT_EQ(c.AdcPresent + c.OpPresent + c.CmpPresent, 3);
  EXPECT_TRUE(c.Menus.AdcVisible);
  EXPECT_TRUE(c.TempPanelVisible);
  EXPECT_EQ(c.OscCalibration.HaoPresent, 1);
  EXPECT_EQ(c.OscCalibration.HaoMin, 1700000);
  EXPECT_EQ(c.OscCalibration.LaoMax, 14000);
  EXPECT_EQ(c.HaoMode, (std::array<int32_t, 3>{1, 2, 3}));
  EXPECT_EQ(c.AcmPresent, 1);
  EXPECT_EQ(c.AcmDefault12, 1);
  EXPECT_EQ(c.AcmSetting, 7);
  EXPECT_EQ(c.StackDepth, 12);
  EXPECT_EQ(c.BitRegisterPageCount[3], 1);
  EXPECT_EQ(c.RegisterQuirkFlags, (std::array<uint8_t, 6>{1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(FieldUi(TFieldId::AdcVRBUF0).Caption, "");
  EXPECT_EQ(FieldUi(TFieldId::AdcINBUF0).Caption, "INBUF");
  EXPECT_TRUE(FieldUi(TFieldId::AdcENCHP0).Raised);
  EXPECT_EQ(FieldUi(TFieldId::AdcIN0H).Codes.size(), 6u);
  EXPECT_EQ(RegField(TFieldId::ADCIF).Address, 0x26);
  EXPECT_EQ(RegField(TFieldId::ADCIF).LowBit, 5);
  EXPECT_EQ(c.AdcVddaNames[7], "5.0");
  int defined = 0;
  for (TFieldId id : {TFieldId::AdcIN0H, TFieldId::AdcIN0L, TFieldId::AdcVR0H, TFieldId::AdcVR0L,
                      TFieldId::INX0, TFieldId::AdcIN0IS, TFieldId::AdcPGA0GN, TFieldId::AdcENADC0,
                      TFieldId::AdcENHIGN0, TFieldId::AdcENCHP0, TFieldId::AdcAD0GN,
                      TFieldId::AdcINBUF0, TFieldId::AdcVRBUF0, TFieldId::AdcVRE0GN,
                      TFieldId::ADCCK0, TFieldId::AdcDCSET0, TFieldId::AdcOSR0, TFieldId::AdcADCS0,
                      TFieldId::AdcADC0OH, TFieldId::AdcADC0OM, TFieldId::AdcADC0OL,
                      TFieldId::AdcENVDDA, TFieldId::AdcVDDAX, TFieldId::ADCIF}) {
    defined += RegField(id).Defined;
  }
  EXPECT_EQ(defined, 24) << "every ADC key but TEMPERATURE binds a record";
}

TEST_F(ShippedChipTest, QrB1HasAdcIAndMultiComparatorOnK08B) {
  LoadChip(2);
  const TChipConfig& c = Chip();
  EXPECT_EQ(c.CoreVariant, 1);
  EXPECT_EQ(c.ExtendedDevice, 1);
  EXPECT_EQ(c.DeviceKind3, 0);
  EXPECT_EQ(c.AdcIPresent, 1);
  EXPECT_EQ(c.AdcIIPresent, 0);
  EXPECT_EQ(c.MultiCmpPresent, 1);
  EXPECT_EQ(c.AdcCount, 1);
  EXPECT_TRUE(c.Menus.AdcIVisible);
  EXPECT_TRUE(c.Menus.AdcIEnabled);
  EXPECT_FALSE(c.Menus.AdcIIEnabled);
  EXPECT_EQ(listener.variantCommands, std::vector<bool>{false});
  EXPECT_EQ(c.RestrictCount, 2);
  EXPECT_EQ(c.RestrictList[1], "QRBOOT.INC");
  EXPECT_EQ(c.SelfEromMode, 1);
  EXPECT_EQ(c.SelfEromStatusAddress, 0x45A);
  EXPECT_EQ(c.SelfEromWords, (std::array<uint16_t, 4>{0x100, 0x200, 0x300, 0x400}));
  EXPECT_EQ(c.TriscShift, 6);
  EXPECT_EQ(c.RegisterQuirkFlags, (std::array<uint8_t, 6>{0, 0, 1, 1, 0, 0}));
  EXPECT_EQ(RegField(TFieldId::AdcIIN1P).Width, 3);
  EXPECT_EQ(RegField(TFieldId::VDDAX).Width, 3);
  EXPECT_EQ(FieldUi(TFieldId::McMCNES).Options[6].Caption, "Float");
  EXPECT_EQ(RegField(TFieldId::McMCSPN).LowBit, 3);
  EXPECT_EQ(c.DataMemoryMap[0x01], 0x00) << "K08B has no POINC0";
  EXPECT_EQ(c.DataMemoryMap[0x05], 0xFF);
}

TEST_F(ShippedChipTest, QrB2HasAdcIIFromTheQtSection) {
  LoadChip(3);
  const TChipConfig& c = Chip();
  EXPECT_EQ(c.CoreVariant, 1);
  EXPECT_EQ(c.DeviceKind3, 1);
  EXPECT_EQ(c.ExtendedDevice, 1);
  EXPECT_EQ(c.AdcIIPresent, 1);
  EXPECT_EQ(c.MultiCmpPresent, 1);
  EXPECT_TRUE(c.Menus.AdcIIVisible);
  EXPECT_EQ(listener.variantCommands, std::vector<bool>{true});
  EXPECT_EQ(c.SbmAddress, 100);
  EXPECT_EQ(c.SbmBankSize, 3072u);
  EXPECT_EQ(c.SbmRom, (std::array<uint8_t, 5>{0x11, 0x22, 0x33, 0x44, 0x55}));
  EXPECT_EQ(c.SbmStart, 0xF00u);
  EXPECT_EQ(c.SbmSector, 16u);
  EXPECT_EQ(c.BieBank, 1);
  EXPECT_EQ(RegField(TFieldId::ADCCK0).Address, 0x37);
  // The input selectors: ten options of four bits.
  EXPECT_EQ(RegField(TFieldId::AdcIIIN2P).Width, 4);
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2P).OptionCount, 10);
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2N).Codes.back(), "0111");
  EXPECT_EQ(c.AdcVddaNames[3], "3.6");
}

TEST_F(ShippedChipTest, QrA3HasAdcIIFromTheQrSectionAndSixteenBanks) {
  LoadChip(4);
  const TChipConfig& c = Chip();
  EXPECT_EQ(c.CoreVariant, 0);
  EXPECT_EQ(c.DeviceKind3, 1);
  EXPECT_EQ(c.ChipRomWords, 32768u);
  EXPECT_EQ(c.StackDepth, 16);
  EXPECT_EQ(c.LastRamBank, 15);
  EXPECT_EQ(DataMemorySize(), 4096);
  EXPECT_EQ(c.DataMemoryMap[0xE00], 0xFF);
  EXPECT_EQ(c.DataMemoryMap[0x77], 0xFF) << "#REGBITB without the 8024 pod";
  EXPECT_EQ(c.BitRegisterPageCount[3], 2);
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2P).OptionCount, 10);
  EXPECT_EQ(FieldUi(TFieldId::AdcIIIN2P).Codes.size(), 9u);
  EXPECT_EQ(RegField(TFieldId::AdcIIBIAS).Defined, 1);
  EXPECT_EQ(RegField(TFieldId::AdcIILDOM).Width, 2);
  EXPECT_EQ(c.SelfEromWords, (std::array<uint16_t, 4>{0x0A0A, 0, 0x0C0C, 0}));

  listener.podChip = 0x8024;
  LoadChip(4);
  EXPECT_EQ(Chip().DataMemoryMap[0x77], 0x3F) << "#REGBITA with the 8024 pod";
  EXPECT_EQ(Chip().LastRamBank, 4);
  EXPECT_EQ(Chip().DataMemoryMap[0x500], 0x00);
}

TEST_F(ShippedChipTest, QrA1HasAdcIWithASixteenBitResultOnK08A) {
  LoadChip(5);
  const TChipConfig& c = Chip();
  EXPECT_EQ(c.ChipProductName, "QR08A1");
  EXPECT_EQ(c.CoreVariant, 0);
  EXPECT_EQ(c.ExtendedDevice, 1);
  EXPECT_EQ(c.DeviceKind3, 0);
  EXPECT_EQ(c.DeviceNotKind3, 1);
  EXPECT_EQ(c.AdcCount, 1);
  EXPECT_EQ(c.AdcIPresent, 1);
  EXPECT_EQ(c.AdcIIPresent, 0);
  EXPECT_EQ(c.MultiCmpPresent, 1);
  EXPECT_TRUE(c.Menus.AdcIEnabled);
  EXPECT_FALSE(c.Menus.AdcIIEnabled);
  EXPECT_EQ(c.ChipRomWords, 8192u);
  EXPECT_EQ(c.DataMemoryMap[0x01], 0xFF) << "K08A has POINC0";
  EXPECT_EQ(RegField(TFieldId::AdcIADC1OH).Defined, 0) << "no high result byte";
  EXPECT_EQ(RegField(TFieldId::AdcIADC1OM).Address, 0x3A);
  EXPECT_EQ(RegField(TFieldId::AdcIADC1OL).Address, 0x3B);
  EXPECT_EQ(RegField(TFieldId::AdcIADC1OL).Defined, 1);
  EXPECT_EQ(FieldUi(TFieldId::AdcIIN1P).Codes,
            (std::vector<std::string>{"000", "001", "010", "011", "110"}));
  EXPECT_EQ(c.AdcVddaNames[1], "2.6");
  EXPECT_EQ(c.RegisterQuirkFlags, (std::array<uint8_t, 6>{}));
}

TEST_F(ShippedChipTest, QnA2HasASixteenBitAdcAndItsDeviceLineComesFirst) {
  LoadChip(1);
  EXPECT_EQ(Chip().DeviceNotKind3, 1) << "QN08A4 names its device after the product";
  LoadChip(6);
  const TChipConfig& c = Chip();
  EXPECT_EQ(c.ChipProductName, "QN08A2");
  EXPECT_EQ(c.CoreVariant, 0);
  EXPECT_EQ(c.ExtendedDevice, 0);
  EXPECT_EQ(c.DeviceNotKind3, 0) << "the product line after the device line clears it";
  EXPECT_EQ(c.FamilyBChip, 1);
  EXPECT_EQ(c.AdcPresent + c.OpPresent + c.CmpPresent, 3);
  EXPECT_EQ(c.AdcIPresent + c.AdcIIPresent + c.MultiCmpPresent, 0);
  EXPECT_TRUE(c.Menus.AdcVisible);
  EXPECT_FALSE(c.TempPanelVisible);
  EXPECT_EQ(c.OscCalibration.HaoPresent, 0);
  EXPECT_EQ(c.AcmPresent, 0);
  EXPECT_EQ(c.ChipRomWords, 2048u);
  EXPECT_EQ(RegField(TFieldId::AdcADC0OH).Defined, 0) << "no high result byte";
  EXPECT_EQ(RegField(TFieldId::AdcADC0OM).Address, 0x39);
  EXPECT_EQ(RegField(TFieldId::AdcADC0OL).Address, 0x3A);
  EXPECT_EQ(FieldUi(TFieldId::AdcVRBUF0).Caption, "VRBUF");
  EXPECT_EQ(FieldUi(TFieldId::AdcIN0H).Codes.size(), 6u);
  EXPECT_EQ(c.AdcVddaNames[0], "2.0");
  EXPECT_EQ(c.RegisterQuirkFlags, (std::array<uint8_t, 6>{}));
}

TEST_F(ShippedChipTest, TheFilesCoverBothCoresEveryWindowSetAndEveryDirective) {
  std::set<int> cores;
  std::set<std::pair<int, int>> windowSets;  // ExtendedDevice, DeviceKind3
  for (int i = 0; i < 7; ++i) {
    LoadChip(i);
    cores.insert(Chip().CoreVariant);
    windowSets.insert({Chip().ExtendedDevice, Chip().DeviceKind3});
  }
  EXPECT_EQ(cores, (std::set<int>{0, 1}));
  EXPECT_EQ(windowSets, (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {1, 1}}));

  std::set<int> used;
  for (const auto& e : ReadChipListEntries()) {
    std::ifstream in(FindIncludeFile(e.FileName), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      TLineRecord r;
      InitLineRecord(r);
      SetWorkText(r, UpperAsciiBig5(line));
      CutLIPara(r);
      const uint16_t code = IsPseudo(GetField(r, 4));
      if (code != 255) used.insert(code);
    }
  }
  for (int code = 1; code <= 63; ++code) EXPECT_TRUE(used.count(code)) << "directive " << code;
}

// What every shipped chip loads to, in English, in Chinese and with the
// emulator pod's EEPROM chip reported, against golden files
// (KYVOR_GOLDEN_UPDATE=1 writes them anew).
TEST_F(ShippedChipTest, EveryChipLoadsToItsGoldenConfiguration) {
  const auto entries = ReadChipListEntries();
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].FileName);
    std::string text;
    for (const auto& [language, pod] : {std::pair{0, 0}, {1, 0}, {0, 0x8024}}) {
      test::ResetChipState();
      ReadChipList(test::ShippedProgramFolder());
      test::RecordingListener loading;
      loading.language = language;
      loading.podChip = uint16_t(pod);
      SetChipLoadListener(&loading);
      LoadChip(int(i));
      text += "== language " + std::to_string(language) + ", pod chip " + std::to_string(pod) +
              "\n" + ChipDump().Text(loading);
      SetChipLoadListener(nullptr);
    }
    test::ExpectGolden("chip", entries[i].FileName + ".txt", text);
  }
}

TEST_F(ShippedChipTest, SwitchingChipsLeavesNothingBehind) {
  LoadChip(4);
  ASSERT_EQ(Chip().LastRamBank, 15);
  Chip().CurrentRamBank = 12;
  Chip().RegisterPage = 3;
  LoadChip(0);
  EXPECT_EQ(Chip().CurrentRamBank, 0);
  EXPECT_EQ(Chip().RegisterPage, 0);
  EXPECT_EQ(Chip().DataMemoryMap[0xE00], 0);
  EXPECT_EQ(Chip().SelfEromMode, 0);
  EXPECT_EQ(Chip().AdcIIPresent, 0);
  EXPECT_EQ(RegField(TFieldId::AdcIIBIAS).Defined, 0);
  EXPECT_EQ(Chip().AdcVddaNames[0], "");
  EXPECT_EQ(Chip().SimIcCount, 2);
}

}  // namespace
}  // namespace kyvor
