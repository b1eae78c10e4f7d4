#pragma once
// The pod on a parallel port. Every pod operation is clocked bit by bit
// through the port's control and status registers: control bit 0 carries data
// to the pod, bit 1 is the frame line, bit 3 the clock; status bit 6 carries
// data from the pod. Bytes and words go most significant bit first.
//
// The port's registers are reached through a small lines seam. On Linux the
// real lines are a ppdev device (/dev/parportN, chosen by the port's base
// address); tests install a recording fake. Each operation is tried up to four
// times; an operation whose tries all fail reports failure (never stale data).
#include <cstdint>
#include <memory>
#include <string>

namespace kyvor {

class IParallelLines {
 public:
  virtual ~IParallelLines() = default;
  // Opens the port whose base address is `base`; false when it does not open.
  virtual bool Open(uint16_t base) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool WriteData(uint8_t value) = 0;
  virtual bool ReadData(uint8_t& value) = 0;
  virtual bool WriteControl(uint8_t value) = 0;
  virtual bool ReadControl(uint8_t& value) = 0;
  virtual bool ReadStatus(uint8_t& value) = 0;
  // The extended control register's bidirectional byte mode.
  virtual bool SetByteMode() = 0;
  // Why the last Open failed (with a hint when access was refused).
  virtual std::string OpenProblem() const { return std::string(); }
};

// The ppdev lines of Linux.
std::unique_ptr<IParallelLines> MakePpdevLines();

// The port's operations over the lines (the driver's operations of the
// Windows program, carried out here by the program itself).
class TParallelPort {
 public:
  // Lines not owned; nullptr: the ppdev lines, created on first use.
  void SetLines(IParallelLines* lines);
  IParallelLines& Lines();
  // The port's base address is the interface choice's (Modes().LptPortAddress).
  void SetBaseAddress(uint16_t base);
  uint16_t BaseAddress() const;

  // Opens the port: 1 when it was opened now, 0 when it was already open,
  // 2 when it does not open.
  int OpenParallelDriver();
  void CloseParallelDriver();
  // Opens the port, then (bases 0x378, 0x3BC, 0x278 only) byte mode, data 0,
  // control (control AND 0xD0) OR 0x06.
  bool InitParallelPort();
  bool IsOpen() { return Lines().IsOpen(); }

  // The operations. Port offsets of PortReadByte/PortWriteByte: 0 data,
  // 1 status, 2 control.
  bool PortReadByte(int offset, uint8_t& value);
  bool PortWriteByte(int offset, uint8_t value);
  bool ClockInByte(uint8_t& value);
  bool ClockOutByte(uint8_t value);
  bool ClockInWord(uint16_t& value);
  bool ClockOutWord(uint16_t value);
  bool ReadFramedByte(uint8_t& value);
  bool WriteFramedByte(uint8_t value);
  bool FrameEnd();
  bool FrameStart();
  // Mode 0..3: a framed command to the pod's memory (begin and end of an
  // access session use modes 2 and 3).
  bool SendFlashCommand(int mode);
  // The three header bytes and n data bytes in one frame.
  bool SendPortBlock(const uint8_t* headerAndData, int n);
  bool DelayPortReads(int count);
  bool ResetTargetLines();
  bool ReleaseTargetLines();
  bool ExchangeBytePair(uint16_t out, uint16_t& in);
  bool ExchangeWord(uint16_t out, uint16_t& in);
  // The status register shifted right by four (the pod's status byte).
  bool ReadPodStatus(uint8_t& status);

 private:
  template <class Op>
  bool tried(Op op);
  bool control(uint8_t v);  // writes the control lines and keeps their value
  bool pulseClock(uint8_t c);
  bool clockInBits(int bits, uint32_t& value);
  bool clockOutBits(int bits, uint32_t value);
  bool exchangeBits(uint16_t out, uint16_t& in, bool pauseBetweenBytes);

  IParallelLines* lines_ = nullptr;
  std::unique_ptr<IParallelLines> own_;
  uint8_t ctl_ = 0;  // the control lines as last written
};

}  // namespace kyvor
