#pragma once
// The options of the IDE: every setting of the options dialog, which the
// build, the layouts, the pod roads, the CPU model and the configuration and
// project files read and write. One process-wide record; ResetOptions() gives
// the values from before the options dialog is created (its creation checks
// RACM10 and puts "2000000", "2" and "13000" into the calibration edits).
//
// Settings with a home of their own are not repeated here: the chip choice
// (Chip().ChipIndex) and its core variant (Chip().CoreVariant, the
// "K08A"/"K08B" radios), the language (LangState().LanguageIndex), the
// interface (Modes().IceInterfaceIndex, LptPortAddress, PodlessMode) and the
// debug views to reopen (Shell().DebugViewShown).
//
// Check boxes and radio buttons are 1 when checked, 0 when not.
#include <cstdint>
#include <string>

namespace kyvor {

// The editor font shared by the editor, the source view, the listings and the
// revision viewer (Qt-free: the GUI makes its font from it).
struct TEditorFont {
  enum : uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
  std::string Name = "Courier New";
  int Size = 11;          // points
  uint8_t Style = Bold;   // the style bits above
  bool operator==(const TEditorFont&) const = default;
};

struct TOptions {
  // --- "Interface Setup" --------------------------------------------------------
  uint8_t PProg = 0;             // "Programmer" layout; 0: "Emulate and Debug" (PICE)
  uint8_t RomEmulationType = 0;  // SELROM item: 0 "RAM 62256", 1 "EEPROM 28C256"
  uint8_t EngineerMode = 0;      // the engineer flag: set once, kept until the program ends
  bool PICE() const { return PProg == 0; }

  // --- "Build Options" -----------------------------------------------------------
  uint8_t OutAsciiFile = 1;        // CkASC: ".asc"
  uint8_t OutListFile = 1;         // CkList: ".lst"
  uint8_t OutBinaryFile = 1;       // CkBin: ".hex"
  uint8_t OutAsciiInvFile = 0;     // CkASCInv
  uint8_t OutBinaryInvFile = 0;    // CkBinInv
  uint8_t OutMaskFile = 0;         // CkMask
  uint8_t OutBinarySplitFile = 0;  // CkBin2
  uint8_t ShowEditToolBar = 1;     // CkToolEdit: the editor tool bar
  TEditorFont EditorFont;          // BtFont
  uint8_t UnusedFillMode = 0;      // unused words: 0 " 00", 1 " FF", 2 "JMP 0"
  uint8_t SmartCompiler = 0;       // shorten near CALL and JMP
  uint8_t COptimization = 0;       // repeat the shortening until nothing moves
  uint8_t CProtect = 0;            // code protection
  uint8_t STKOVRST = 0;            // reset on stack overflow
  uint8_t STKOVSTOP = 0;           // stop on stack overflow
  uint8_t RACM10 = 0;              // "ACM = 1.0V"; 0: "ACM = 1.2V" (RACM12)
  uint8_t ChWDTJMPOO = 0;          // "JMP 0" watchdog reset vector

  // --- "Chip Watch" -------------------------------------------------------------
  uint8_t WatchBitMask = 0;     // CkWatchB0..B7
  uint16_t WatchAddress = 0;    // EWatchAddress
  uint8_t WatchData = 0;        // EWatchData
  uint8_t STPOVSTAK = 0;        // "STOP When OV Stack": a run stops on a stack overflow
  // The stack-overflow stop code: 0x600013 stops the simulator's run and sets
  // the pod's stop bit, 0x600012 does neither.
  uint32_t StackOverflowStopCode() const { return STPOVSTAK ? 0x600013u : 0x600012u; }
  bool StopOnStackOverflow() const { return StackOverflowStopCode() == 0x600013u; }

  // --- "OSC Calibration" (the chip's calibration data is in Chip().OscCalibration)
  uint8_t EnHAO = 0;               // "Enable H/W Calibration"
  uint8_t EnSHAO = 0;              // "Enable S/W Calibration"
  uint8_t EnSLAO = 0;              // "Enable Calibration" (LPO)
  int32_t EHAO = 0;                // the numbers in the edits, as the build reads them
  int32_t EPERMISS = 0;
  int32_t ELAO = 0;
  // Committed when the dialog closes (or the calibration options are applied):
  uint8_t HaoEnabled = 0;          // EnHAO; EnHAO takes it again on a chip load
  int32_t HaoValue = 2000000;      // Hz
  uint8_t PermissibleError = 2;    // percent 1..100
  int32_t LpoValue = 13000;        // Hz
  uint8_t CalibrationMode = 0;     // 0..6 from EnHAO, EnSHAO, EnSLAO

  // The calibration inputs applied (TOption.ApplyCalibrationOptions without
  // its controls): EnHAO off on a chip without HAO, HaoValue, PermissibleError
  // (1 outside 1..100), LpoValue and the calibration mode from the switches.
  void ApplyCalibrationInputs(bool haoPresent);

  // --- programmer ---------------------------------------------------------------
  uint8_t RBKOFF = 0;  // "Blank OFF"; 0: "Blank ON"

  // --- SRAM record ----------------------------------------------------------------
  uint8_t ChContinue = 0;  // "Continue": every logged write appends an entry
};

TOptions& Options();
void ResetOptions();

// The calibration mode of the three switches "Enable H/W Calibration" (h),
// "Enable S/W Calibration" (s) and "Enable Calibration" (l); `current` when
// all three are off.
uint8_t CalibrationModeOf(bool h, bool s, bool l, uint8_t current);

}  // namespace kyvor
