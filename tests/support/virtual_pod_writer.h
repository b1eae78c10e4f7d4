#pragma once
// The programmer ("writer") side of the virtual pod: 64 KB of flash image
// memory in erase sectors, busy polls, a 2 x 16 display, and a target chip
// that the writer really programs, blank-checks, verifies and protects from
// its image. Faults can be injected (VPP, VDD, an error address, a writer
// that stays busy, a refused lock, no writer identity, a slow operation).
//
// The same chip answers the direct access of the parallel port through
// TVirtualChipLines. See tools/VIRTUAL_POD.md.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/parallel_port.h"

namespace kyvor::test {

// The target chip in the writer's socket. Blank words read 0xFFFF;
// programming can only clear bits (one-time programmable). The protect word
// (information word 127, or 767 on the long layout) with bit 11 clear
// protects the chip: its program then reads 0.
struct TVirtualChip {
  TVirtualChip();
  uint16_t Id = 0x0A16;
  bool IdFromChip = false;  // answer the selected chip's id instead of Id
  uint16_t AnsweredId() const;
  std::vector<uint16_t> Program;  // 32,768 words
  std::vector<uint16_t> Info;     // 1,024 words, the information (SBM) area
  // The layout follows the selected chip (Chip().DeviceKind3) at each use.
  static bool ShortLayout();
  static int ProtectIndex();  // 127 or 767
  uint16_t ProtectWord() const { return Info[size_t(ProtectIndex())]; }
  bool Protected() const { return !(ProtectWord() & 0x0800); }
  void SetProtected() { Info[size_t(ProtectIndex())] &= 0xF7FF; }
  bool Blank() const;

  // Direct access (the parallel port): after a reset the chip answers its
  // id while it takes a command word (bit 15 the information area, bits
  // 14..1 the byte address, bit 0 write). Written words answer with the
  // previous one read back; a read of the program area begins with one
  // filler word.
  void DirectReset();
  uint16_t DirectLatch() const { return latch_; }
  void DirectWord(uint16_t word);
  int DirectCommands = 0;

 private:
  uint16_t word(bool info, uint32_t at) const;
  void program(bool info, uint32_t at, uint16_t value);
  enum class TState { Command, Write, Read } state_ = TState::Command;
  bool info_ = false;
  uint32_t at_ = 0;
  uint16_t latch_ = 0;
};

struct TWriterFaults {
  bool Vpp = false;          // programming operations fail with "VPP Error"
  bool Vdd = false;          // ... with "VDD Error"
  int ErrorAddress = -1;     // program, blank check and verify fail at this word
  bool BusyForever = false;  // the busy poll never clears
  bool NoIdentity = false;   // F9 09 answers no writer
  bool LockRefused = false;  // F9 0C answers FA 01
  bool LockedElsewhere = false;  // F9 0C answers 49 (which also counts as taken)
};

struct TVirtualWriter {
  TVirtualWriter();
  std::vector<uint8_t> Flash;  // 64 KB, erased 0xFF; writes can only clear bits
  TVirtualChip Chip;
  TWriterFaults Faults;
  int BusyPolls = 2;        // busy polls that answer busy after an erase or a write
  int OperationMs = 400;    // how long a chip operation runs; below 0: it never ends
  std::string Identity = "WQRP";
  // The answer to B8 07.
  struct {
    uint8_t Result = 0, P = 0, Flags = 0, Count = 0;
    uint32_t Value = 0;
  } Calibration;

  // What the host did.
  bool Locked = false;
  int LockCommands = 0;
  std::vector<uint32_t> Erased;  // sector start addresses, in order
  std::vector<uint16_t> Settings;  // CE values
  std::vector<std::vector<uint8_t>> CalibrationPackets;  // F9 10 packets, 64 bytes each
  std::vector<uint8_t> CalibratedOperations;            // B8 80 flag bytes
  std::vector<int> Operations;                          // B8 type, in order

  uint16_t FlashWord(uint32_t byteAddress) const;
  std::vector<uint16_t> FlashWords(uint32_t byteAddress, size_t n) const;
  // One display line (0 or 1), 16 characters.
  std::string DisplayLine(int line) const;

  // --- the writer's working state (the pod drives it) ----------------------------
  // The sector that holds `address`: its start and size.
  static std::pair<uint32_t, uint32_t> Sector(uint32_t address);
  void Erase(uint32_t address);
  void WriteFlash(uint32_t address, uint8_t value) { Flash[address & 0xFFFF] &= value; }
  bool Busy() const { return busy_ > 0 || Faults.BusyForever; }
  void StartBusy() { busy_ = BusyPolls; }
  uint8_t PollBusy();
  void Display(uint8_t code);
  void DisplayChar(char c);
  void StartOperation(int type);
  std::array<uint8_t, 10> StatusReply() const;
  uint16_t ReadChipWord(bool info, uint32_t at) const;

 private:
  void runOperation(int type);
  bool failProgramming();
  void fail(uint8_t kind, uint32_t address);
  uint32_t recordWords() const;
  int busy_ = 0;
  std::array<std::string, 2> lcd_;
  int line_ = 0, column_ = 0;
  bool running_ = false;
  IClock::time_point started_{};
  uint8_t flags_ = 0x08;
  uint16_t errorAddress_ = 0;
};

// Parallel-port lines with the writer's chip behind them: D0/D1 power and
// reset it (0x03 = running), each rising clock edge shifts a bit in from
// control bit 0 and shows the chip's answer on status bit 6.
class TVirtualChipLines final : public IParallelLines {
 public:
  explicit TVirtualChipLines(TVirtualChip& chip) : chip_(chip) {}
  bool Open(uint16_t) override { return open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  bool WriteData(uint8_t value) override;
  bool ReadData(uint8_t& value) override;
  bool WriteControl(uint8_t value) override;
  bool ReadControl(uint8_t& value) override;
  bool ReadStatus(uint8_t& value) override;
  bool SetByteMode() override { return true; }
  // True while D0/D1 power the chip and hold it out of reset.
  bool Powered() const { return (data_ & 0x03) == 0x03; }
  int Exchanges = 0;

 private:
  TVirtualChip& chip_;
  bool open_ = false;
  uint8_t data_ = 0, control_ = 0, status_ = 0;
  int bit_ = 0;
  uint16_t in_ = 0;
};

}  // namespace kyvor::test
