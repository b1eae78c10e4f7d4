#pragma once
// The RAM window's spreadsheet export: a workbook with one sheet "USER Data"
// holding every data address: row address div 16 + 3 (1-based), the value as a
// number in column address mod 16 + 3 and as two hex digits + "h" in column
// address mod 16 + 20; "-" in both for an address the chip does not implement.
// Built only with libxlsxwriter.
#include <string>

namespace kyvor {

class TKy_UP;

// True when this build can write spreadsheets.
bool RamExportAvailable();
// Writes the workbook; false when the library is missing or the file cannot be
// written.
bool ExportRamToXlsx(const std::string& path, const TKy_UP& up);

}  // namespace kyvor
