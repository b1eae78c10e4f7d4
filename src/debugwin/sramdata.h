#pragma once
// The SRAM record without Qt: the change log of the user's register writes
// saved to and read from "KySRAM.CSV", and turned into assembly patch code
// ("KySRAM.asm", or lines inserted into a source file) that makes the same
// writes when the program runs.
//
// "KySRAM.CSV" (text, CR LF): a header line, then one line per entry:
//   item (4), name (32), address as 4 hex digits + "h" (7), new value as 2
//   hex digits + "h" (9), old value as 2 hex digits + "h"
// each padded with blanks to the width in brackets and joined by ", ".
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/reg_record.h"

namespace kyvor {

inline constexpr const char kSramFolderName[] = "KyvorTemp";
inline constexpr const char kSramCsvName[] = "KySRAM.CSV";
inline constexpr const char kSramAsmName[] = "KySRAM.asm";
inline constexpr const char kSramWorkName[] = "MyTemp.tmp";

std::string SramCsvHeader();
// The line of entry `item` (1-based).
std::string SramCsvLine(int item, const TRegChange& change);
// Writes the header and every entry; false when the file cannot be created.
bool WriteSramCsv(const std::string& path, const TRegRecord& log);

enum class TSramLoad { Loaded, CannotOpen, BufferFull };
// Appends the entries of a saved file to the log (the header line is
// skipped, lines that are not entries are left out). BufferFull: the log
// reached 1,024 entries; what was read before stays.
TSramLoad ReadSramCsv(const std::string& path, TRegRecord& log);

// True when one of entries 1..n writes `address`.
bool CheckAddrBeen(const TRegRecord& log, int32_t address, int n);

// The patch lines of entry i (1..3 lines into `lines`, the count returned).
// A later write that changes one bit of an address already written becomes
// BSF/BCF, every other write MVL and MVF; under K08A (coreVariant 0) an
// address outside bank 0 is reached through the bank register, with an
// LBSR line when the bank differs from `bankState` (updated).
int AddInProgram(const TRegRecord& log, int i, int& bankState, int coreVariant,
                 std::array<std::string, 3>& lines);
// The patch lines of every entry in order (bank state 0 at the start).
std::vector<std::string> SramPatchLines(const TRegRecord& log, int coreVariant);
// Writes lines with CR LF; false when the file cannot be created.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

enum class TInsertLines { Done, CannotRead, CannotWrite };
// Inserts `lines` after line `after` (1-based; 0 = at the top) of the file at
// path. The new text goes to `workPath` (in the file's own folder) first,
// which then replaces the file in one step, so the source is never missing.
// The inserted lines take the file's own line ending; everything else is
// copied byte for byte.
TInsertLines InsertLinesAfter(const std::string& path, int after,
                              const std::vector<std::string>& lines, const std::string& workPath);

}  // namespace kyvor
