#pragma once
// Output-file naming: every file written for a project is named after the
// main assembly source file. The main window stores that path; the
// assembler, the watch window, the SRAM record and the main window ask here
// for the derived names.
#include <string>

namespace kyvor {

// Kind numbers of the derived files (the value picks the suffix).
using TOutputFileKind = int;
enum : int {
  OutMainFile = 0,
  OutErrorFile = 4,      // ".err"
  OutListFile = 5,       // ".lst"
  OutObjectFile = 6,     // ".obj"
  OutBinaryFile = 7,     // ".hex"
  OutAsciiFile = 8,      // ".asc"
  OutInvertedHex = 9,    // "_inv.hex"
  OutWatchFile = 11,     // ".pro"
  OutInfoFile = 12,      // ".ifo"
  OutLowMask = 13,       // "_L.msk"
  OutHighMask = 14,      // "_H.msk"
  OutHighHex = 15,       // "_H.hex"
  OutLowHex = 16,        // "_L.hex"
  OutMapFile = 17,       // ".map"
  OutCsvFile = 18,       // ".CSV"
  OutEehFile = 19,       // ".EEH"
};

// Process-wide record holding the main file path as last stored.
struct TOutputFileState {
  std::string OutputMainFile;
};
TOutputFileState& OutputFileState();
void ResetOutputFileState();

// OutputMainFile := path.
void StoreMainFileName(const std::string& path);
// The derived name; empty when no main file is stored or the kind has no suffix.
void OutputFileName(TOutputFileKind kind, std::string& name);
std::string OutputFileName(TOutputFileKind kind);
// The folder of the main file with its trailing separator. False (folder
// untouched) when no main file is stored or its only separator is the first
// character. Both '/' and '\' count as separators.
bool MainFileDir(std::string& folder);

// A file dialog's default extension: `name` with `extension` (".asm", ".cfg")
// appended when its file-name part has no '.'.
std::string WithDefaultExtension(const std::string& name, const std::string& extension);

}  // namespace kyvor
