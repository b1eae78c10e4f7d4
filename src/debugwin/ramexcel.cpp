#include "debugwin/ramexcel.h"

#include <cstdio>

#include "chip/chipconfig.h"
#include "debugwin/ramdata.h"
#include "engine/ky_up.h"

#if defined(KYVOR_HAVE_XLSXWRITER)
#include <dlfcn.h>
#include <xlsxwriter.h>
#endif

namespace kyvor {

#if defined(KYVOR_HAVE_XLSXWRITER)

namespace {

// The spreadsheet library, loaded at the first export (the program's start
// does not pay for it and the libraries it brings).
struct TXlsxLibrary {
  decltype(&::workbook_new) workbook_new = nullptr;
  decltype(&::workbook_add_worksheet) workbook_add_worksheet = nullptr;
  decltype(&::worksheet_write_number) worksheet_write_number = nullptr;
  decltype(&::worksheet_write_string) worksheet_write_string = nullptr;
  decltype(&::workbook_close) workbook_close = nullptr;

  TXlsxLibrary() {
    void* lib = dlopen(KYVOR_XLSXWRITER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
    resolve(lib, workbook_new, "workbook_new");
    resolve(lib, workbook_add_worksheet, "workbook_add_worksheet");
    resolve(lib, worksheet_write_number, "worksheet_write_number");
    resolve(lib, worksheet_write_string, "worksheet_write_string");
    resolve(lib, workbook_close, "workbook_close");
  }
  bool loaded() const {
    return workbook_new && workbook_add_worksheet && worksheet_write_number &&
           worksheet_write_string && workbook_close;
  }

 private:
  template <class F>
  static void resolve(void* lib, F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(lib, name));
  }
};

const TXlsxLibrary* XlsxLibrary() {
  static const TXlsxLibrary library;
  return library.loaded() ? &library : nullptr;
}

}  // namespace

bool RamExportAvailable() { return true; }

bool ExportRamToXlsx(const std::string& path, const TKy_UP& up) {
  const TXlsxLibrary* x = XlsxLibrary();
  if (!x) return false;
  lxw_workbook* book = x->workbook_new(path.c_str());
  if (!book) return false;
  lxw_worksheet* sheet = x->workbook_add_worksheet(book, "USER Data");
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
      ok = x->worksheet_write_number(sheet, row, lxw_col_t(col + 3 - 1), v, nullptr) ==
               LXW_NO_ERROR &&
           x->worksheet_write_string(sheet, row, lxw_col_t(col + 20 - 1), hex, nullptr) ==
               LXW_NO_ERROR;
    } else {
      ok = x->worksheet_write_string(sheet, row, lxw_col_t(col + 3 - 1), "-", nullptr) ==
               LXW_NO_ERROR &&
           x->worksheet_write_string(sheet, row, lxw_col_t(col + 20 - 1), "-", nullptr) ==
               LXW_NO_ERROR;
    }
  }
  const lxw_error closed = x->workbook_close(book);
  return ok && closed == LXW_NO_ERROR;
}

#else

bool RamExportAvailable() { return false; }
bool ExportRamToXlsx(const std::string&, const TKy_UP&) { return false; }

#endif

}  // namespace kyvor
