#include "debugwin/ramexcel.h"

#include <cstdio>

#include "chip/chipconfig.h"
#include "debugwin/ramdata.h"
#include "engine/ky_up.h"

#if defined(KYVOR_HAVE_XLSXWRITER)
#include <xlsxwriter.h>
#endif

namespace kyvor {

#if defined(KYVOR_HAVE_XLSXWRITER)

bool RamExportAvailable() { return true; }

bool ExportRamToXlsx(const std::string& path, const TKy_UP& up) {
  lxw_workbook* book = workbook_new(path.c_str());
  if (!book) return false;
  lxw_worksheet* sheet = workbook_add_worksheet(book, "USER Data");
  bool ok = sheet != nullptr;
  const int n = RamFileValueCount();
  for (int a = 0; ok && a < n; ++a) {
    // The layout counts rows and columns from 1; the library from 0.
    const lxw_row_t row = lxw_row_t(a / 16 + 3 - 1);
    const lxw_col_t col = lxw_col_t(a % 16);
    const uint8_t map = Chip().DataMemoryMap[std::size_t(a)];
    if (map != 0) {
      const uint8_t v = up.ReadRegister(a);
      char hex[8];
      std::snprintf(hex, sizeof hex, "%02Xh", unsigned(v));
      ok = worksheet_write_number(sheet, row, lxw_col_t(col + 3 - 1), v, nullptr) ==
               LXW_NO_ERROR &&
           worksheet_write_string(sheet, row, lxw_col_t(col + 20 - 1), hex, nullptr) ==
               LXW_NO_ERROR;
    } else {
      ok = worksheet_write_string(sheet, row, lxw_col_t(col + 3 - 1), "-", nullptr) ==
               LXW_NO_ERROR &&
           worksheet_write_string(sheet, row, lxw_col_t(col + 20 - 1), "-", nullptr) ==
               LXW_NO_ERROR;
    }
  }
  const lxw_error closed = workbook_close(book);
  return ok && closed == LXW_NO_ERROR;
}

#else

bool RamExportAvailable() { return false; }
bool ExportRamToXlsx(const std::string&, const TKy_UP&) { return false; }

#endif

}  // namespace kyvor
