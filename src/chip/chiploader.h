#pragma once
// The chip list (INCLUDE/KySel.INC) and the chip description loader. They fill
// Chip() (chip/chipconfig.h) and the three register lists (chip/reglists.h).
//
// Use:
//   ReadChipList(programFolder);     // once at start-up: IncludeFolder, the list items
//   Chip().ChipIndex = n;            // the selected chip
//   if (GetSELUP() == 0) ...         // load it; 0 = list or description file missing
#include <cstdint>
#include <string>
#include <vector>

#include "chip/chipconfig.h"

namespace kyvor {

// The chip list file's name in the include folder.
inline constexpr const char* kChipListFileName = "KySel.INC";

// Sets IncludeFolder := programFolder + "INCLUDE/" and fills ChipListItems from
// the chip list, or with the built-in list of four chips when the file is
// missing; stores the header line (only when the file exists). Returns the
// number of items.
int ReadChipList(const std::string& programFolder);

// Sets IncludeFolder alone (programFolder + "INCLUDE/").
void SetProgramFolder(const std::string& programFolder);

// TOption.GetSELUP: loads the description file of the chip at Chip().ChipIndex.
// 1 when the file was found and read, 0 otherwise (the configuration of the
// previous chip is then left as it was, apart from the resets done before
// anything is read: DataMemoryMap, ChipSubId, SimIcCount, the calibration
// bytes and presence, AcmRegister and the ENCHP/ENHIGN panels).
uint8_t GetSELUP();

// The options the loaded chip decides (done by GetSELUP after reading, before
// the listener's chipLoaded): without a stack-overflow register the reset on
// overflow (STKOVRST) is cleared; without an ACM option group the voltage is
// 1.0 V (RACM10); the K08B core has no smart compiler nor its optimization.
void ApplyChipRulesToOptions();
// True when the chip has the "WDT Reset Vector" option (ChipId 0x71).
bool ChipHasWdtVector();

// TOption.FindChipIndexById: list position of the first chip whose description
// file gives the identification code id.
bool FindChipIndexById(uint32_t id, uint16_t& index);

// TOption.IsPseudo: directive word to code, 255 for anything else.
uint16_t IsPseudo(const std::string& word);

// Path of a file in the include folder whose name equals name ignoring letter
// case ('\\' in name is taken as '/'); empty when there is no such regular file.
std::string FindIncludeFile(const std::string& name);

// Case-insensitive lookup of name in folder (a regular file only); empty when
// there is none.
std::string FindFileNoCase(const std::string& folder, const std::string& name);

// Upper-cases ASCII letters only, leaving both bytes of every Big5 character
// as they are.
std::string UpperAsciiBig5(const std::string& text);

// The chip list lines as read (file name and display text), for the programmer
// layout's chip table and the options dialog.
struct TChipListEntry {
  std::string FileName;  // upper case, relative to IncludeFolder
  std::string Display;   // field 5 + two blanks + field 6
};
std::vector<TChipListEntry> ReadChipListEntries();

}  // namespace kyvor

namespace kyvor {
struct TLineRecord;
// TOption.CutLIPara: splits WorkText into field 1 (from the first quotation
// mark or semicolon to the end) and fields 4.. (the blank- or tab-separated
// tokens before it, at most 29).
void CutLIPara(TLineRecord& record);
}  // namespace kyvor

namespace kyvor {
// What the programmer layout's chip table shows of one chip file: the first
// data line after "#PRODUCT" (name), after "#ID" (code) and after "#ROM" (word
// count as the loader takes it: below 256, negative included, means 4096, more
// than 32768 is 32768). False when the file is not in the include folder.
struct TChipSummary {
  std::string ProductName;
  uint16_t ChipId = 0;
  uint32_t RomWords = kDefaultRomWords;
};
bool ReadChipSummary(const std::string& fileName, TChipSummary& summary);

// What the options dialog's calibration page sees of a chip file (in the
// include folder): whether it could be read, whether it has lines, and
// whether one reads exactly "#HAO" after upper-casing.
struct TChipFileCalibration {
  bool Read = false;
  bool HasLines = false;
  bool HasHao = false;
};
TChipFileCalibration ChipFileCalibration(const std::string& fileName);
bool ChipFileHasHaoLine(const std::string& fileName);
}  // namespace kyvor
