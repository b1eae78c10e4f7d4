#pragma once
// The programmer seam: the commands of the stand-alone programmer ("writer")
// that the CPU model's programmer operations call. The writer shares the pod
// link: the pod protocol implements this seam (every command's bytes live
// there) and hands it out through TPodAccess::Writer(). The CPU model keeps
// the steps between the commands: chunking, ready waits, comparisons, the
// information block and the result codes.
//
// Writer image addresses are byte addresses (program word w at byte 2w);
// chip addresses are the chip's byte addresses.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "engine/pod_access.h"
#include "engine/programmer.h"

namespace kyvor {

// The operations the writer runs on the target chip from its image.
enum class TChipOperation : uint8_t {
  Program = 0,
  ProgramSbm = 1,
  Blank = 2,
  BlankSbm = 3,
  Verify = 4,
  VerifySbm = 5,
  Protect = 6,
};

// The calibration and option block sent with F9 10.
using TCalibrationBytes = std::array<uint8_t, 52>;

class TWriterAccess {
 public:
  virtual ~TWriterAccess() = default;

  // --- the writer's image memory -----------------------------------------------------
  // Words (high byte first) from byte address `address`, in packets of the
  // link's size, each acknowledged.
  virtual bool WriterWriteBlock(uint32_t address, std::span<const uint16_t> words) = 0;
  // words.size() words from byte address `address`, chunk by chunk.
  virtual bool WriterReadBlock(uint32_t address, std::span<uint16_t> words,
                               const TGauge& gauge) = 0;
  // Erases the sector that holds byte address `address`.
  virtual bool WriterEraseSector(uint32_t address) = 0;
  // The busy poll: bit 0 of `status` set while the writer is busy.
  virtual bool WriterPollBusy(uint8_t& status) = 0;
  // Ends a write or an erase.
  virtual bool WriterFinishWrite() = 0;
  // A 16-bit setting of the writer (the download sends the block CRC).
  virtual bool WriterSendSetting(uint16_t value) = 0;
  // The calibration and option block; `part` 0 or 1.
  virtual bool WriterSendCalibrationBlock(uint8_t part, const TCalibrationBytes& bytes) = 0;

  // --- the writer itself -------------------------------------------------------------
  // True when the programmer answers its identity.
  virtual bool WriterCheckIdentity() = 0;
  // Takes the pod for the host (mode 1) or gives it back to programmer use
  // (0); false when the transfer fails or the pod refuses.
  virtual bool WriterLock(uint8_t mode) = 0;
  // The 2 x 16 display: a command byte, and characters at the cursor.
  virtual bool WriterDisplayCommand(uint8_t code) = 0;
  virtual bool WriterDisplayText(const std::string& chars) = 0;

  // --- the target chip ----------------------------------------------------------------
  // words.size() words of the chip from chip byte address `address`.
  virtual bool ChipReadWords(uint32_t address, std::span<uint16_t> words, const TGauge& gauge) = 0;
  // The chip's identification and status words; `shortLayout` chips
  // (DeviceKind3 = 1) are asked by their information address.
  virtual bool ChipReadIdWords(bool shortLayout, uint16_t& id, uint16_t& status) = 0;
  virtual bool ChipStartOperation(TChipOperation type) = 0;
  // The status reply (the record words are the CPU model's to read).
  virtual bool ChipReadStatus(TWriterStatus& status) = 0;
  // The calibration reply (Answered is the CPU model's to set).
  virtual bool ChipReadCalibration(TWriterCalibration& calibration) = 0;
  // The operation with the calibration flags that ends Program and Auto.
  virtual bool ChipCalibratedOperation(uint8_t flags) = 0;

  // --- direct chip access on the parallel port -----------------------------------------
  virtual bool ChipLinesReset() = 0;
  virtual bool ChipLinesRelease() = 0;
  // Sends a 16-bit value and gives the one clocked in at the same time.
  virtual bool ChipExchangeBytePair(uint16_t out, uint16_t& in) = 0;
  virtual bool ChipExchangeWord(uint16_t out, uint16_t& in) = 0;
};

}  // namespace kyvor
