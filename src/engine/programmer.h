#pragma once
// What the CPU model's programmer and emulator-transfer operations give back
// besides true and false: result codes, the writer's status and calibration
// replies, and the arguments and outcome of an image download.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kyvor {

// The writer's image memory, in byte addresses: program word w at byte 2w
// from 0, the image header, then the download record (block words
// 128..255) whose words 240..242 are the status words. A program part that
// reaches into the header, or a header into the record, would corrupt the
// image the writer keeps, so such a download is refused.
namespace writeraddr {
inline constexpr uint32_t ShortHeader = 0x8000;  // DeviceKind3 = 1 and the protect download
inline constexpr uint32_t ShortHeaderWords = 128;
inline constexpr uint32_t LongHeader = 0x4000;   // the other chips
inline constexpr uint32_t LongHeaderWords = 768;
inline constexpr uint32_t Record = 0xFF00;
inline constexpr uint32_t RecordWords = 128;
inline constexpr uint32_t StatusWords = 0xFFE0;  // record words 240..242
inline constexpr uint32_t ChecksumWord = 0x80F6;
inline constexpr uint32_t MemoryBytes = 0x10000;
// The erase sectors cleared before an image goes in (a write can only clear
// bits): the programmer commands' and the build road's, which also clears
// the sector of the long header.
inline constexpr std::array<uint32_t, 5> ImageSectors = {0x0000, 0x1000, 0x3000, 0x7000, 0xF000};
inline constexpr std::array<uint32_t, 6> BuildSectors = {0x0000,     0x1000, 0x3000,
                                                         LongHeader, 0x7000, 0xF000};
}  // namespace writeraddr

// True when `programBytes` of program words end at or below the header
// (the short one or the long one) and the header ends at or below the record.
bool WriterImageFits(uint32_t programBytes, bool shortHeader);

// Results of TKy_UP::ChipOperationWithStatus.
namespace chipop {
inline constexpr uint8_t Done = 0;
// 1, 2, 3: the writer's failure kinds (status flag bits 0, 1, 2). Over the
// parallel port: 1 wrong chip id, 2 not blank, 3 SBM not blank, 4 program,
// 5 program SBM, 6 verify, 7 verify SBM, 8 protect.
inline constexpr uint8_t WrongChip = 1;
inline constexpr uint8_t TimedOut = 254;    // still busy after the status wait's bound
inline constexpr uint8_t LinkFailed = 255;  // a transfer failed
}  // namespace chipop

// Results of TKy_UP::IceSelfTest.
namespace selftest {
inline constexpr int Passed = 0;
inline constexpr int ProgramMemory = 1;  // `address`: the first byte that differed
inline constexpr int DataMemory = 2;     // `address`: the first register that differed
inline constexpr int LinkLost = 3;       // no pod, or a transfer failed: nothing was tested
}  // namespace selftest

// The writer's status (B8 10) and the three words at 0xFFE0 (download-record
// words 240..242).
struct TWriterStatus {
  bool Valid = false;  // reply byte 1 was 0: the flags are valid
  uint8_t Flags = 0;   // bits 0-2 failure kinds 1-3, bit 3 done, bit 4 VPP, bit 5 VDD
  uint16_t Value1 = 0, Value2 = 0, Value3 = 0;  // bytes 3-4, 5-6 (progress), 7-8
  uint8_t Extra = 0;                            // byte 9
  uint16_t RecordStart = 0, RecordWords = 0, RecordChipId = 0;
  bool VppError() const { return Flags & 0x10; }
  bool VddError() const { return Flags & 0x20; }
  // The failing address of the last operation: Value1 + RecordStart - Value2.
  uint16_t ErrorAddress() const { return uint16_t(Value1 + RecordStart - Value2); }
};

// The calibration result (B8 07).
struct TWriterCalibration {
  uint8_t Result = 255;  // reply byte 1 as the writer gave it; 255 when the link failed
  bool Answered = false;  // false: a transfer failed (never a calibration result)
  uint8_t P = 0;          // reply byte 3
  uint8_t Q = 0;          // reply byte 4: the flag byte
  uint8_t F = 0;          // reply byte 5: the count
  uint32_t V = 0;         // reply bytes 6..9, low byte first: the frequency
};

// An image file sent to the writer.
struct TWriterDownload {
  std::string Path;           // the ".hex" image
  uint32_t Bytes = 0;         // program part in bytes (ProgramMemoryPages x 512)
  uint8_t SbmAddress = 0;
  uint16_t ChipId = 0;
  uint16_t CodeChecksum = 0;  // of the current image (record word 246 of the long layout)
};

struct TWriterDownloadResult {
  bool Ok = false;
  // The first program word that read back differently (-1: none), and the
  // two words as four upper-case hex digits.
  int DownloadFailIndex = -1;
  std::string DownloadFailWritten, DownloadFailRead;
  uint16_t CodeChecksum = 0;  // read back from the writer (short layout), else as given
  uint16_t BlockCrc = 0;
  // Lines for the error list, in order (the protect question's outcome).
  std::vector<std::string> Notes;
};

}  // namespace kyvor
