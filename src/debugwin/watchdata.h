#pragma once
// The watch tables without Qt: one row per assembler symbol (the all-symbols
// table), the watched rows in the order they were added, their value texts in
// the four value formats, the edit dialog's record with the bit-watch rule,
// and the ".pro" properties file.
//
// A ".pro" file has one line per symbol of the last build, fields separated by
// single blanks and each field (the last one too) followed by one: "0 NAME A "
// for a normal row, "1 NAME A REF BIT " for a bit watch (REF the referenced
// symbol, or the referenced address in hex when the reference was a number).
// Lines end with CR LF.
#include <cstdint>
#include <string>
#include <vector>

namespace kyvor {

class TKy_UP;
struct TRamMarks;

// Settings shared with the configuration and project files.
struct TWatchSettings {
  int WatchValueFormat = 0;       // 0 "Hex(H --> L)", 1 "Hex(L --> H)", 2 "Dec(H --> L)", 3 "Dec(L --> H)"
  std::string WatchListFileName;  // the project's watch file; empty: the main file's ".pro"
};
TWatchSettings& WatchSettings();
void ResetWatchSettings();

// Header text of the value column for a format.
const char* WatchFormatName(int format);

// One row of the tables (TWatchRecord).
struct TWatchRecord {
  std::string Name;       // 64
  std::string Addr;       // 16: 3 hex digits, or "AAA[b]" for a bit watch
  std::string Value;      // 4
  std::string RefSymbol;  // 64: the referenced symbol of a bit watch
  std::string Reserve;    // 2: "0" normal, "1" bit watch
  std::string Length;     // 8: byte length (2 hex) or the referenced address (hex)
  std::string Type;       // 2: kind letter, or the bit number of a bit watch
  std::string Mark;       // 1: "A" watched, "R" not
  bool IsBitWatch() const { return Reserve != "0"; }
};

// The value column (2) and the binary column (3) of a watch.
struct TWatchValue {
  std::string Value, Binary;
};
TWatchValue WatchValueOf(const TKy_UP& up, const TWatchRecord& row, int format);

// Decimal digits of a hexadecimal digit string of any length ("0" for none).
std::string HexToDecimal(const std::string& hex);

class TWatchTable {
 public:
  // Every symbol of the model's table as a row, nothing watched.
  void Init(const TKy_UP& up);
  void Clear();

  const std::vector<TWatchRecord>& All() const { return all_; }
  const std::vector<TWatchRecord>& Watches() const { return watches_; }
  TWatchRecord* Row(const std::string& name);  // exact name; nullptr when none
  int WatchIndex(const std::string& name) const;  // -1 when not watched

  // False when already watched or not a symbol.
  bool AddWatch(const std::string& name);
  // False when not watched.
  bool RemoveWatch(const std::string& name);
  void ClearAllWatches();
  // Copies an edit record into the tables. The result: +1 the row became
  // watched ("A"), -1 it left the watches, 0 the watch row was updated (the
  // caller moves the name between the dialog's lists).
  int ApplyWatchRecord(const TWatchRecord& record);
  // Every bit watch becomes a normal row again (Addr := its Type as 3 hex digits).
  void ClearAllProperties();

 private:
  std::vector<TWatchRecord> all_;
  std::vector<TWatchRecord> watches_;
};

// The edit dialog's result for a watch. Normal mode: Addr := value, Reserve
// "0". Bit mode: the reference is the address of the symbol of that name, or
// else a number (ParseNumber); false when it is neither.
bool MakeWatchEdit(const TKy_UP& up, const TWatchRecord& loaded, const std::string& name,
                   const std::string& value, bool bitMode, const std::string& reference,
                   const std::string& mark, TWatchRecord& out);

// What the edit dialog shows for a record: value and reference texts, bit mode.
struct TWatchEditView {
  std::string Value, Reference;
  bool BitMode = false;
};
TWatchEditView WatchEditViewOf(const TWatchRecord& record);

// A numeric reference as the dialog shows it and reads it back ("0" + hex + "H").
std::string NumericReference(int32_t address);

// One complete line of a ".pro" file.
struct TWatchPropertyLine {
  std::string Reserve, Name, Mark, Reference, Bit;
};
bool SaveWatchFile(const std::string& path, const TWatchTable& table);
// False when the file cannot be opened; incomplete lines are left out.
bool ReadWatchFile(const std::string& path, std::vector<TWatchPropertyLine>& lines);

// Applies the lines of a properties file to the tables: each named row gets
// its property and mark as the edit dialog would give them.
void ApplyWatchFile(const TKy_UP& up, const std::vector<TWatchPropertyLine>& lines,
                    TWatchTable& table);

// The RAM window's labels of the data symbols: each data symbol's address is
// marked; its hint is the name, or name + "[k]" on each of its bytes.
void LabelDataSymbols(const TKy_UP& up, TRamMarks& marks, uint32_t markColour);

}  // namespace kyvor
