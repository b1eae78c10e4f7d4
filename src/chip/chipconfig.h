#pragma once
// The chip configuration: everything the system knows about the selected chip.
// Only the chip description loader (chip/chiploader.h) writes it; the CPU model,
// the assembler, the main window and the debug and peripheral windows read it
// through Chip(). ResetChipConfig() brings it back to its start-up state (tests).
//
// The three register-definition lists (BitRegisterList(), ByteRegisterList(),
// WordRegisterList()) are those of base/containers.h; the loader fills them.
// The loader itself is chip/chiploader.h.
//
// Texts taken from chip files are kept as the file's bytes (Big5 for Chinese
// descriptions); decode them for display only.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kyvor {

// ---------------------------------------------------------------------------
// Peripheral field bindings
// ---------------------------------------------------------------------------

// The binding of one peripheral window field to a special-function register.
struct TRegField {
  uint16_t Address = 0;  // data address 0..4095 of the register holding the field
  uint8_t Width = 0;     // bits; 0 = the chip does not have the field
  uint8_t LowBit = 0;    // lowest bit of the field
  uint8_t Cache = 0;     // value the owning window last took (written by the windows)
  uint8_t Defined = 0;   // 1 when the key stood in the chip file
};

// One record per window field. Keys of several sections that bind the same
// record share one id (see the comments). The ADC-II records are named with the
// "#QTADC2S" spelling; the "#QRADC2S" spelling (IN1P, ...) binds the same ones.
enum class TFieldId : int {
  // ADC window ("#ADC0S")
  AdcIN0H, AdcIN0L, AdcVR0H, AdcVR0L, AdcIN0IS, AdcPGA0GN, AdcENADC0, AdcENHIGN0,
  AdcENCHP0, AdcAD0GN, AdcINBUF0, AdcVRBUF0, AdcVRE0GN, AdcDCSET0, AdcOSR0, AdcADCS0,
  AdcADC0OH, AdcADC0OM, AdcADC0OL, AdcENVDDA, AdcVDDAX,
  // shared records
  INX0,    // "#ADC0S", "#QRADC1S", "#QRADC2S"
  ADCCK0,  // "#ADC0S", "#QTADC2S"
  ADCIF,   // all four ADC sections
  VDDAX,   // the ADC-I and ADC-II sections
  ENLDO,   // the ADC-I and ADC-II sections
  DADC,    // the ADC-I and ADC-II sections
  PGA,     // "#QRADC1S", "#QRADC2S"
  // op-amp window ("#OP0S")
  OpOP0P, OpOP0N, OpENOP, OpOP0M, OpOP0IS, OpENVDDA, OpVDDAX,
  // comparator window ("#CMP0S")
  CmpCPIH, CmpCPIL, CmpENCPA, CmpCPIST, CmpCPIX, CmpCPOIES, CmpCPOX, CmpCPOFR, CmpCS1,
  CmpCS2, CmpCAPAT, CmpCPVCS, CmpCPVRS, CmpPTMX, CmpTRISCX, CmpPTDAX, CmpCPOIF,
  CmpENVDDA, CmpVDDAX, CmpENACM, CmpPTMX1, CmpTRISCX1, CmpPTDAX1,
  // ADC-I window ("#QRADC1S")
  AdcIIN1P, AdcIIN1N, AdcIVR1P, AdcIVR1N, AdcIIN1ST, AdcIVR1ST, AdcIAD1HS, AdcIENAD1,
  AdcICHOP1, AdcIAD1GN, AdcIVR1GN, AdcIAD1RST, AdcIDC1S, AdcIOSR1, AdcIADC1OH,
  AdcIADC1OM, AdcIADC1OL,
  // ADC-II window ("#QTADC2S" key / "#QRADC2S" key)
  AdcIIIN2P, AdcIIIN2N, AdcIIVR2P, AdcIIVR2N, AdcIIIN2ST, AdcIIVR2ST, AdcIIAD2HS,
  AdcIIENAD2, AdcIICHOP2, AdcIIAD2GN, AdcIIVR2GN, AdcIIAD2RST, AdcIIDC2S, AdcIIOSR2,
  AdcIIADC2OH, AdcIIADC2OM, AdcIIADC2OL,
  AdcIIBIAS,  // "#QRADC2S" only
  AdcIILDOM,  // "#QRADC2S" only
  // multi-comparator window ("#MULTICMP")
  McMCNES, McMCRPS, McMCNS, McMCPS, McMCOHS, McMCRS, McMCNEC, McMCSR, McENMC, McMCLP,
  McMCOFR, McMCOIV, McMCSPN,
  Count
};
inline constexpr int kRegFieldCount = static_cast<int>(TFieldId::Count);

// What the loader prepared for a field's controls (the window applies it).
struct TFieldOption {
  std::string Caption;  // label caption ("Float" for "--" in comparator selectors)
  bool Enabled = false; // buttons enabled, label shown; false for a "-" option
};
struct TFieldUi {
  bool Enabled = false;      // the bound control (selector list, panel) is enabled
  bool Raised = false;       // ENCHP0/ENHIGN0 panels: raised, normal text colour
  bool HasCaption = false;   // Caption was set by the chip file
  std::string Caption;       // panel caption (captioned and flagged fields)
  int OptionCount = 0;       // selectors: 4, 8 or 10
  std::array<TFieldOption, 10> Options{};
  std::vector<std::string> Codes;  // the selector's list entries ("00", "01", ...)
};

// ---------------------------------------------------------------------------
// The configuration record
// ---------------------------------------------------------------------------

inline constexpr int kDataMemorySize = 4096;
inline constexpr int kRamBankCount = 16;
inline constexpr int kMaxStackDepth = 31;        // the CPU model's stack holds entries 1..31
inline constexpr uint32_t kMaxRomWords = 32768;  // program memory cells of the CPU model
inline constexpr uint32_t kDefaultRomWords = 4096;  // a chip without a usable "#ROM" size
inline constexpr int kSimIcCapacity = 258;
inline constexpr int kRestrictCapacity = 11;
// The chip id of the emulator pod's EEPROM chip: the pod that emulates
// built-in EEPROM (its own RAM banks and bit registers in the chip files,
// the special registers and the configuration block, the EEPROM sites).
inline constexpr uint16_t kEepromPodChipId = 0x8024;

struct TRamBankRange {
  uint16_t Start = 0;
  uint16_t End = 0;
};

struct TOscCalibration {
  // set from the chip file ("#HAO", "#LAO")
  uint8_t HaoPresent = 0;
  uint16_t HaoRegister = 0;
  uint8_t HaoByte1 = 0;
  uint8_t HaoByte2 = 0;
  int32_t HaoWord = 0;
  int32_t HaoMin = 0;
  int32_t HaoMax = 0;
  uint16_t HaoTail = 0;
  int32_t LaoMin = 0;
  int32_t LaoMax = 0;
  // The calibration inputs of the options dialog are in Options().
};

// Peripheral-view menu items that the "#PRODUCT" and "#ADCNUM" rules switch.
struct TChipMenus {
  bool AdcVisible = false;    // SMENU_ADC
  bool OpVisible = false;     // SMENU_OP
  bool CmpVisible = false;    // SMENU_CMP
  bool AdcIVisible = false;   // SMENU_ADC1
  bool AdcIIVisible = false;  // SMENU_ADC2
  bool MpVisible = false;     // SMENU_MP
  bool AdcIEnabled = true;
  bool AdcIIEnabled = true;
};

// A successful load first brings every chip-derived member back to its
// default (and empties the register lists), so nothing of the previously
// loaded chip stays; the chip list and selection, LastValueMap and the view
// state (CurrentRamBank,
// RegisterPage, which the loader then keeps valid) survive. A failed load
// changes only what every load resets first (chip/chiploader.h GetSELUP).
struct TChipConfig {
  // Chip list (KySel.INC) and selection
  std::string IncludeFolder;             // program folder + "INCLUDE/"
  std::string ChipListHeader;            // TKYMAIN.ChipListHeader (bytes of line 1)
  uint16_t ChipListVersion = 0;          // TKYMAIN.ChipListVersion
  std::vector<std::string> ChipListItems;  // CbSeluP items
  bool ChipListFromFile = false;         // false: the built-in list of four chips
  int ChipIndex = 0;

  // Identity and memory
  std::string ChipProductName;
  uint8_t FamilyBChip = 0;
  std::string ChipCompilerName;
  uint8_t CoreVariant = 0;  // 0 "K08A", 1 "K08B"
  uint16_t ChipId = 0;
  uint16_t ChipSubId = 0;   // TKYMAIN.ChipSubId
  uint32_t ChipRomWords = kDefaultRomWords;
  uint16_t Reg0Start = 0, Reg0End = 0, Reg1Start = 0, Reg1End = 0;
  std::array<TRamBankRange, kRamBankCount> RamBankRanges{};
  uint8_t LastRamBank = 0;
  std::array<uint8_t, kDataMemorySize> DataMemoryMap{};  // 0xFF RAM, else implemented-bit mask
  std::array<uint8_t, kDataMemorySize> LastValueMap{};
  // 1 where the RAM or register window saw the byte change at its last refresh.
  std::array<uint8_t, kDataMemorySize> ChangedMap{};
  uint8_t StackDepth = 8;
  uint8_t DeviceKind = 0;
  uint8_t DeviceKind3 = 0;
  uint8_t ExtendedDevice = 0;
  uint8_t DeviceNotKind3 = 0;
  std::array<uint16_t, kSimIcCapacity> SimIcList{};
  int32_t SimIcCount = 0;
  std::array<std::string, kRestrictCapacity> RestrictList{};
  int32_t RestrictCount = 0;
  // Names of the byte and word registers in list order (the grid's name cells;
  // "=" for a hidden byte register).
  std::vector<std::string> ByteRegisterNames;
  std::vector<std::string> WordRegisterNames;
  uint16_t ByteRegisterCount = 0;
  uint16_t WordRegisterCount = 0;
  uint16_t Reg3ByteCount = 0;
  std::array<uint16_t, 4> BitRegisterPageCount{};

  // Programmer and emulator data
  uint8_t SbmAddress = 0;
  uint32_t SbmBankSize = 0;
  std::array<uint8_t, 5> SbmRom{};
  uint32_t SbmStart = 0;
  uint32_t SbmSector = 0;
  uint8_t SelfEromMode = 0;
  uint16_t SelfEromRegister = 0;
  uint16_t SelfEromStatusAddress = 0;
  std::array<uint16_t, 4> SelfEromWords{};
  TOscCalibration OscCalibration;
  std::array<int32_t, 3> HaoMode{};
  uint16_t AcmRegister = 0;
  uint8_t AcmBit = 0;
  uint8_t AcmPresent = 0;
  uint8_t AcmDefault12 = 0;
  uint8_t AcmOption = 0;
  int32_t AcmSetting = 0;
  uint16_t StackOverRegister = 0;
  uint8_t StackOverBit = 0;
  uint8_t StackOverPresent = 0;
  uint8_t StackOverOption = 0;
  int32_t AdcCount = 0;
  int32_t BieBank = 0;
  uint8_t TriscValue = 0;
  uint8_t TriscShift = 0;

  // Peripheral windows
  uint8_t AdcPresent = 0;
  uint8_t OpPresent = 0;
  uint8_t CmpPresent = 0;
  uint8_t AdcIPresent = 0;
  uint8_t AdcIIPresent = 0;
  uint8_t MultiCmpPresent = 0;
  std::array<uint8_t, 6> RegisterQuirkFlags{};  // read-back rules of the register write path
  std::array<std::string, 8> AdcVddaNames{};
  std::array<std::string, 4> OpVddaNames{};
  std::array<std::string, 4> CmpVddaNames{};
  std::array<TRegField, kRegFieldCount> RegFields{};
  std::array<TFieldUi, kRegFieldCount> FieldUi{};
  bool TempPanelVisible = false;  // ADC window's PTemp
  TChipMenus Menus;

  // Problems met in the last load (values clamped or lines refused), and why
  // the last load returned 0 (empty after a successful load).
  std::vector<std::string> LoadMessages;
  std::string LastLoadError;

  // View state the loader keeps valid for the new chip
  uint8_t CurrentRamBank = 0;  // bank shown by the RAM window (0..15)
  uint8_t RegisterPage = 0;    // bit-register page shown by the register window (0..3)
};

TChipConfig& Chip();
void ResetChipConfig();  // start-up state; also empties the three register lists

inline TRegField& RegField(TFieldId id) { return Chip().RegFields[static_cast<int>(id)]; }
inline TFieldUi& FieldUi(TFieldId id) { return Chip().FieldUi[static_cast<int>(id)]; }

// Field value helpers shared by the peripheral windows: the value of a field in
// a register byte, and the byte with the field replaced (read-modify-write).
uint8_t FieldValue(const TRegField& f, uint8_t registerByte);
uint8_t WithFieldValue(const TRegField& f, uint8_t registerByte, uint32_t value);

// ---------------------------------------------------------------------------
// Memory-size helpers
// ---------------------------------------------------------------------------
int ProgramMemoryPages();       // ChipRomWords div 256
int LastProgramAddress();       // ProgramMemoryPages() * 256 - 1
uint16_t DataMemorySize();      // 256 + 256 per RAM bank 1..15 with Start < End
uint16_t MaxHardwareBreakpoints();  // 15

// True when a pod interface is chosen (IceInterfaceIndex not 0) or the
// podless mode is on; otherwise shows "Please set address of LPT!" in the
// current language in an error box with OK and gives false.
bool CheckIceInterface();

// ---------------------------------------------------------------------------
// Effects of loading on windows and on the pod
// ---------------------------------------------------------------------------
// The loader keeps everything it prepares in Chip() (bank ranges, register
// lists and counts, menus, field bindings and their control states) and calls
// the listener for what has to happen outside. Every call does nothing by
// default, so a chip loads with no window and no pod.
class TChipLoadListener {
 public:
  virtual ~TChipLoadListener() = default;

  // Queries the loader needs from elsewhere.
  virtual int languageIndex() const;  // 0 English, 1 Chinese; default LangState()'s
  virtual uint16_t podChipId() const { return 0; }    // chip ID the pod reported
  virtual bool writerIdentityEnabled() { return false; }  // TKy_UP.WriterIdentityEnabled

  // A load begins, before the chip list or the description file is looked
  // for: hide the calibration group PHAO; the ADC window's PENCHP/PENHIGN
  // panels are drawn lowered and disabled (Chip().FieldUi). A failed load
  // then reports chipLoaded(0).
  virtual void chipLoadStarted() {}
  // "#PRODUCT" of a "QR" chip: send the chip-variant command (TKYMAIN.KYQRPCHIP).
  virtual void chipVariantCommand(bool deviceKind3) { (void)deviceKind3; }
  // "#PRODUCT" data line: register window caption and peripheral menus changed.
  virtual void productChanged() {}
  // "#STACK": the stack window resizes its grid to the depth.
  virtual void stackDepthChanged(int depth) { (void)depth; }
  // After reading, when the chip has no ADC window: AdcViewShown := 0.
  virtual void adcViewDropped() {}
  // After reading, when the writer identity answered and the chip has "#HAO":
  // EnHAO takes the saved HaoEnabled; in the programmer-only layout the
  // calibration options are applied.
  virtual void writerCalibration() {}
  // End of a load (result 1) or of a failed one (result 0): windows and the
  // options dialog refresh themselves from Chip() (RAM banks, register pages
  // and grids, the caption, menus, options enabling, peripheral controls).
  virtual void chipLoaded(uint8_t result) { (void)result; }
};

// Installs the listener used by the loader (not owned); nullptr = none.
void SetChipLoadListener(TChipLoadListener* listener);
TChipLoadListener& ChipLoadListener();

}  // namespace kyvor
