#pragma once
// The configuration file format (Kymain.cfg, "*.cfg" and "*.prj"): a line
// text file with CR LF line ends whose sections follow each other in a fixed
// order without headers. Line 1 is the chip list's header: a file is valid only
// for the chip list it was written with.
//
// Integers are written in decimal, right-aligned with blanks to their field
// width; a number that fills or overflows its field behind another number of
// the same line gets one blank before it, so numbers never join. The reader
// takes integers as whitespace-separated numbers (widths and line breaks
// between numbers do not matter) and a text item as a whole line.
//
// TConfigData is what one file holds, taken from and given back to the live
// state by the main window. Reading is a pure parse: ParseConfigText fills the
// sections it reads completely, in order, and says how far it got; the caller
// applies those sections. A file that is cut short or malformed (a non-number,
// a value out of its range, a page count below 0 or above the editor's limit)
// stops the parse at the first bad item; the sections before it stand.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/options.h"

namespace kyvor {

// The sections in file order, each declared once in the table of sections
// (configfile.cpp) with its writer, its reader and the options it gives back.
// The calibration section is read as two steps (its second line is optional
// on its own).
enum TConfigSection : int {
  CfgOutput = 0,         // output switches, simulator mode, always-on-top flags
  CfgEditorFiles = 1,    // the editor's pages
  CfgMainFile = 2,
  CfgUnused = 3,         // "None"
  CfgEnvironment = 4,    // chip, language, interface, editor font
  CfgDebugViews = 5,     // the debug views to reopen, unused-area fill
  CfgChipWatch = 6,
  CfgCompileOption = 7,
  CfgDebugTool = 8,      // layout, code protection, core variant ("0" = checked)
  CfgProgrammerFile = 9,
  CfgChecksum = 10,
  CfgChipState = 11,     // register page, RAM bank, watch value format, STKOVRST
  CfgAdcWindow = 12,
  CfgUnusedNumbers = 13,
  CfgRecord = 14,        // the SRAM record's "Continue"
  CfgWdtOptimize = 15,
  CfgStackStop = 16,
  CfgCalibrationHao = 17,  // EnHAO and the HAO edit
  CfgCalibrationLao = 18,  // EnSHAO, EnSLAO and the LPO edit
  CfgStepCount = 19,
};

inline constexpr int kConfigOnTopFlagCount = 21;  // 16 windows and 5 bytes kept for the file
inline constexpr int kConfigDebugViewCount = 13;
inline constexpr int kConfigMaxEditorPages = 20;

struct TConfigData {
  std::string Header;  // the chip list's first line
  // Section 0.
  int SimulatorMode = 1;
  std::array<uint8_t, kConfigOnTopFlagCount> OnTopFlags{};
  // Sections 1 to 3.
  std::vector<std::string> EditorPages;
  int ActivePage = 0;  // 1-based; 0 none
  std::string MainFileName;
  // Section 4.
  std::array<int32_t, 2> PreservedValues{};
  int ChipIndex = 0;
  int LanguageIndex = 0;
  int WinNtPlatform = 1;
  uint16_t LptPortAddress = 0x378;
  int IceInterfaceIndex = 0;
  int PodlessMode = 0;
  // Sections 5, 8, 9, 10, 11, 12, 13.
  std::array<bool, kConfigDebugViewCount> DebugViewShown{};
  int CoreVariant = 0;
  std::string LastProgrammerFile;
  uint16_t CodeChecksum = 0;
  int RegisterPage = 0;
  int CurrentRamBank = 0;
  int WatchValueFormat = 0;
  std::array<int, 2> AdcSelectors{};  // the ADC window's value format and width items
  std::array<int32_t, 2> UnusedNumbers{};
  // Section 17, first value: written from the EnHAO check box, read into
  // HaoEnabled.
  uint8_t CalibrationHao = 0;
  // Everything else: the options record (RomEmulationType is written as 0).
  TOptions Options;
};

struct TConfigParse {
  bool VersionMatched = false;  // line 1 equals the expected header
  int StepsRead = 0;            // sections 0 .. StepsRead-1 were read completely
  bool Malformed = false;       // a bad item (not the end of the file) stopped the parse
  // The sections up to the debug views were read: the file is complete enough
  // not to ask for a configuration.
  bool Complete() const { return StepsRead > CfgDebugViews; }
  bool Has(TConfigSection s) const { return StepsRead > s; }
};

// The file's bytes for `data`.
std::string ConfigText(const TConfigData& data);

// The settings of the options record that `section` carries, from `read`
// (what a parse gave) into `live`. The settings a section gives to other
// homes are applied by the caller by the same section id.
void TakeConfigOptions(TConfigSection section, const TConfigData& read, TOptions& live);

// Reads `text` into `data`. Only the sections it reads completely change
// `data`; nothing changes when line 1 differs from `expectedHeader`.
TConfigParse ParseConfigText(const std::string& text, const std::string& expectedHeader,
                             TConfigData& data);

}  // namespace kyvor
