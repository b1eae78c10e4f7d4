#pragma once
// Parallel-port lines for tests: every register access is recorded ("C=06"
// control write, "D=00" data write, "S" status read, "RC" control read, "M"
// byte mode), status reads answer from a script of data bits, and accesses
// can be made to fail.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/parallel_port.h"

namespace kyvor::test {

class RecordingLines final : public IParallelLines {
 public:
  bool Open(uint16_t base) override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  bool WriteData(uint8_t value) override;
  bool ReadData(uint8_t& value) override;
  bool WriteControl(uint8_t value) override;
  bool ReadControl(uint8_t& value) override;
  bool ReadStatus(uint8_t& value) override;
  bool SetByteMode() override;

  std::vector<std::string> ops;
  uint8_t control = 0x04;  // the control register as read at open
  uint8_t status = 0x00;   // the status register when no bit is scripted
  std::deque<bool> bits;   // data bits from the pod (status bit 6), taken in order
  int failures = 0;        // this many accesses fail from now on (-1: all)
  bool refuseOpen = false;
  uint16_t openedBase = 0;

  // The bits clocked out to the pod: control bit 0 at each rising clock edge.
  std::string ClockedOutBits() const;
  // The bytes of ClockedOutBits from bit `from` on, eight bits each.
  std::vector<uint8_t> ClockedOutBytes(size_t from = 0) const;
  void Clear() { ops.clear(); }

 private:
  bool fails();
  bool open_ = false;
};

}  // namespace kyvor::test
