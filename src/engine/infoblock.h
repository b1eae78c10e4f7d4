#pragma once
// The option/information block: the words that go with a program into the
// chip's option area, to the pod and into the ".hex" image. Its layout is the
// chip's: chips with DeviceKind3 = 1 use InfoBlock, the others InfoBlockAlt.
//
// One builder fills it for a chip and the options, in the steps of a build:
//
//   TInfoBlockBuilder b(up.Info, Chip(), Options());
//   b.BuildBeforeAssembly(templates);   // build road: ".ifo" templates (the
//                                       // caller reads the files), start-up words
//   ...the assembler runs...
//   uint16_t crc = b.PutBuildWords(build);  // the build's words (checksum ...)
//   std::vector<uint16_t> words = b.WriteImageWords(build);  // ".hex" block part
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kyvor {

struct TChipConfig;
struct TOptions;

// One CRC-16 step of the image checksum (polynomial 0x8005, the byte into
// the low end, start 0), and the same over a word, high byte first.
uint16_t ImageCrc16Update(uint8_t byte, uint16_t crc);
uint16_t ImageCrc16Word(uint16_t word, uint16_t crc);

// Named words of InfoBlock (DeviceKind3 = 1).
namespace infoword {
inline constexpr int TemplateEnd = 128;    // 0..127: "InformationI.ifo"
inline constexpr int SbmTemplateLast = 239;  // 128..239: "Information5.ifo", then the SBM loader
inline constexpr int ChipId = 109;          // set as the ".hex" image is written
inline constexpr int StackOverOption = 112;  // 112, 113
inline constexpr int Acm = 114;             // 114, 115
inline constexpr int CoreJump = 116;
inline constexpr int ChipListVersion = 119;
inline constexpr int AcceptedPodChipId = 120;
inline constexpr int CodeChecksum = 123;
inline constexpr int DeviceWords = 124;     // 124..126
inline constexpr int Protect = 127;
inline constexpr int ChipSubId = 207;
inline constexpr int Calibration = 208;     // 208..233: the calibration block's 26 byte pairs
inline constexpr int ProtectCopy = 227;     // the ".hex" image repeats word 127 here
inline constexpr int ImageWords = 256;      // what the ".hex" image holds
inline constexpr int EehWords = 128;        // what the ".EEH" image holds
}  // namespace infoword

// Named words of InfoBlockAlt (DeviceKind3 = 0).
namespace infoaltword {
inline constexpr int TemplateEnd = 666;      // 0..665: "Information_R71.ifo"
inline constexpr int StartupWords = 72;      // 72..74: the stack-overflow start-up words
inline constexpr int Hao = 752;              // H/W and S/W calibration switches
inline constexpr int HaoHigh = 753;          // EHAO div 65536
inline constexpr int HaoLow = 754;           // EHAO, low 16 bits
inline constexpr int Lao = 755;              // LPO switch and the permissible error
inline constexpr int LaoValue = 756;         // ELAO, low 16 bits
inline constexpr int Reserved = 757;         // 757..760: 0xFFFF
inline constexpr int StackOverStop = 761;
inline constexpr int ChipListVersion = 762;
inline constexpr int ChipSubId = 763;
inline constexpr int ChipId = 764;
inline constexpr int CodeChecksum = 765;
inline constexpr int BlockCrc = 766;         // CRC over words 0..765 and 767
inline constexpr int Protect = 767;
inline constexpr int ImageWords = 768;       // what the ".hex" image and the pod hold
inline constexpr int ListingEnd = 1024;      // 768..1023: shown after the program rows
}  // namespace infoaltword

// Named words of the download record: InfoBlock words 128..255 as they go to
// the writer's address 0xFF00 with an image.
namespace recordword {
inline constexpr int First = 128;
inline constexpr int Count = 128;
inline constexpr int Path = 128;          // 128..239: the image path, two characters a word
inline constexpr int PathWords = 112;
inline constexpr int Start = 240;         // 0
inline constexpr int ProgramWords = 241;
inline constexpr int ChipId = 242;
inline constexpr int Protect = 243;       // short layout: header word 127; else 2048
inline constexpr int SbmStart = 244;      // short layout: 2 x SbmAddress - 0x8000; else 5120
inline constexpr int SbmEnd = 245;        // short layout: 0x7FFF - 256 x SbmAddress; else 1536
inline constexpr int CodeChecksum = 246;  // short layout: header word 123; else the build's
inline constexpr int BlockCrc = 247;
}  // namespace recordword

// What the download record says about an image.
struct TDownloadRecord {
  std::string Path;
  uint16_t ProgramWords = 0;
  uint16_t ChipId = 0;
  uint8_t SbmAddress = 0;
  uint16_t CodeChecksum = 0;  // long layout only
  uint16_t BlockCrc = 0;
  bool ShortLayout = true;    // the header of 128 words (DeviceKind3 = 1, or the protect download)
};

// The three word areas of the CPU model. The pod download sends 768 words
// of the chip's layout and reads them back into InfoReadback.
struct TInfoBlock {
  static constexpr int kPodWords = 768;
  std::array<uint16_t, kPodWords + 1> InfoBlock{};
  std::array<uint16_t, 2 * (kPodWords + 1)> InfoBlockAlt{};
  std::array<uint16_t, kPodWords + 1> InfoReadback{};

  // The chip's layout: InfoBlock when DeviceKind3 = 1, else InfoBlockAlt.
  std::span<uint16_t> Layout(const TChipConfig& chip);
  std::span<const uint16_t> Layout(const TChipConfig& chip) const;
};

// The template files the build road reads from the program folder; an empty
// file (or a missing one) leaves the words as they were.
struct TInfoTemplates {
  std::vector<uint8_t> Main;  // MainTemplateName(chip)
  std::vector<uint8_t> Sbm;   // kSbmTemplateName, DeviceKind3 = 1 only
};
inline constexpr const char* kSbmTemplateName = "Information5.ifo";
// "InformationI.ifo" (DeviceKind3 = 1) or "Information_R71.ifo".
const char* MainTemplateName(const TChipConfig& chip);

// What a build adds to the options for the block.
struct TInfoBuildWords {
  uint16_t CodeChecksum = 0;
  uint16_t AcceptedPodChipId = 0;
  bool AcmGroupEnabled = false;  // the options group of the ACM voltage is enabled
};

class TInfoBlockBuilder {
 public:
  TInfoBlockBuilder(TInfoBlock& block, const TChipConfig& chip, const TOptions& options)
      : block_(block), chip_(chip), options_(options) {}

  // The build road before the assembler runs: the templates, the SBM loader
  // words, the stack-overflow start-up words and the calibration words
  // (all zero: no writer identity is enabled).
  void BuildBeforeAssembly(const TInfoTemplates& templates);

  // The words the assembler adds after the program transfer. On the
  // InfoBlockAlt layout the result is the block CRC (also stored in the
  // block), else 0.
  uint16_t PutBuildWords(const TInfoBuildWords& build);

  // The block part of the ".hex" image: 256 words of InfoBlock (with the
  // chip id, core, version, checksum and protection words computed again and
  // kept in the block, the ACM words written as 0) or 768 words of
  // InfoBlockAlt as they are.
  std::vector<uint16_t> WriteImageWords(const TInfoBuildWords& build);

  // The block part of the ".EEH" image: words 0..113 of InfoBlock as they
  // are, then words 114..127 computed for the EEPROM image (ACM words, core
  // jump, chip list version, pod chip id, checksum, protection; the others
  // 0 or 0xFFFF). The block itself is left as it is.
  std::vector<uint16_t> EehImageWords(const TInfoBuildWords& build) const;

  // Steps, for the roads that use them alone.
  // Template words from `file` (16-bit words, high byte first) after
  // skipping `skipWords` words, into words first..last of `dst`, stopping at
  // the end of the file; returns the index after the last word put.
  static int PutTemplate(std::span<uint16_t> dst, const std::vector<uint8_t>& file,
                         uint64_t skipWords, int first, int last);
  // The SBM loader words from word n of InfoBlock; `plainJump` is the first
  // word of the jump when bit 7 of the chip's first SBM byte is clear.
  void PutSbmLoaderWords(int n, uint16_t plainJump);
  // The stack-overflow start-up words (PatchStartupWords).
  void PatchStartupWords();
  // The chip sub-id and the 52 calibration bytes as 26 words, first byte high.
  void PutCalibration(const std::array<uint8_t, 52>& bytes);
  // The download record into InfoBlock words 128..247; the short form takes
  // header words 123 and 127 from the block as it stands.
  void PutDownloadRecord(const TDownloadRecord& record);

 private:
  std::array<uint16_t, 2> AcmWords() const;
  void PutShortBuildWords(const TInfoBuildWords& build);
  uint16_t PutLongBuildWords(const TInfoBuildWords& build);

  TInfoBlock& block_;
  const TChipConfig& chip_;
  const TOptions& options_;
};

}  // namespace kyvor
