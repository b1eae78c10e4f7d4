#pragma once
// What the RAM window keeps beside the target's data memory, without Qt: the
// per-address colour marks and text hints, the cell texts of the grid, and the
// "*.ram" file that saves and loads the whole data memory with its marks and
// hints.
//
// A ".ram" file (text, CR LF): n value lines (two upper-case hex digits, or
// "-" for an address the chip does not implement), then three lines per
// address: the mark and hint flags as "%2d%2d", the mark colour in decimal,
// the hint text. n covers every bank up to the highest one the chip defines.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kyvor {

class TKy_UP;

inline constexpr int kRamAddressCount = 4096;
// The colour marks start with (a Windows colour value, blue-green-red).
inline constexpr uint32_t kDefaultMarkColour = 0x808080;

struct TRamMarks {
  std::array<uint8_t, kRamAddressCount> MarkFlag{};
  std::array<uint32_t, kRamAddressCount> MarkColour{};  // blue-green-red
  std::array<uint8_t, kRamAddressCount> HintFlag{};
  std::array<std::string, kRamAddressCount> HintText;

  static bool Valid(int address) { return address >= 0 && address < kRamAddressCount; }
  void SetMark(int address, uint32_t colour);
  void ResetMark(int address);
  void ResetAllMarks();
  // Stores the text; the hint flag is set when the text is not empty.
  void SetHint(int address, const std::string& text);
  void ResetAllHints();
  bool Marked(int address) const { return Valid(address) && MarkFlag[std::size_t(address)]; }
  bool Hinted(int address) const { return Valid(address) && HintFlag[std::size_t(address)]; }
};

// Addresses 0..14 are the indirect-access registers: shown as "=", never typed.
inline bool IsIndirectRegister(int address) { return address >= 0 && address <= 14; }

// Values of a ".ram" file: 256 per bank up to the highest bank the chip defines
// (bank 0 always), so a bank left out below it keeps its place.
int RamFileValueCount();

// Text of a RAM grid cell: "=" for the indirect registers, "-" for an address
// the chip does not implement, in simulator mode the program counter for 26
// and 27, else the implemented bits as two upper-case hex digits.
std::string RamCellText(const TKy_UP& up, int address);

// Writes the file; false when it cannot be created.
bool SaveRamFile(const std::string& path, const TKy_UP& up, const TRamMarks& marks);

struct TRamFileContent {
  std::vector<std::optional<uint8_t>> Values;  // empty optional: "-"
  TRamMarks Marks;
  int MarkEntries = 0;  // addresses whose mark, colour and hint lines were read
};
// Reads `count` value lines and then the marks of `count` addresses; false when
// the file cannot be opened.
bool ReadRamFile(const std::string& path, int count, TRamFileContent& content);
// Writes the values into the target (unlogged, and as saved: without the
// chip's read-back rules) except the indirect registers, "-" lines and
// addresses the chip does not implement, then takes the marks and hints that
// were read.
void ApplyRamFile(const TRamFileContent& content, TKy_UP& up, TRamMarks& marks);

}  // namespace kyvor
