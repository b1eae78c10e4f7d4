#include "link/parallel_port.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>

#include "base/clock.h"
#include "base/modes.h"

#ifdef __linux__
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#endif

namespace kyvor {

namespace {

constexpr uint8_t kData = 0x01;   // control bit 0: data to the pod
constexpr uint8_t kFrame = 0x02;  // control bit 1: frame line
constexpr uint8_t kClock = 0x08;  // control bit 3: clock
constexpr int kTries = 4;

#ifdef __linux__

// /dev/parportN of the port at `base`: the kernel lists each port's base
// address; the usual numbering is the fallback.
std::string PpdevPathFor(uint16_t base) {
  std::error_code ec;
  const std::filesystem::path root = "/proc/sys/dev/parport";
  for (const auto& e : std::filesystem::directory_iterator(root, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("parport", 0) != 0) continue;
    std::ifstream f(e.path() / "base-addr");
    unsigned long b = 0;
    if (f >> b && b == base) return "/dev/" + name;
  }
  switch (base) {
    case 0x278: return "/dev/parport1";
    case 0x3BC: return "/dev/parport2";
    default: return "/dev/parport0";
  }
}

class TPpdevLines final : public IParallelLines {
 public:
  ~TPpdevLines() override { Close(); }
  bool Open(uint16_t base) override {
    Close();
    const std::string path = PpdevPathFor(base);
    fd_ = ::open(path.c_str(), O_RDWR);
    if (fd_ < 0) {
      problem_ = path + ": " + std::strerror(errno);
      if (errno == EACCES || errno == EPERM)
        problem_ += " (add the user to the group lp and log in again)";
      return false;
    }
    if (::ioctl(fd_, PPCLAIM) != 0) {
      problem_ = path + ": " + std::strerror(errno);
      ::close(fd_);
      fd_ = -1;
      return false;
    }
    problem_.clear();
    return true;
  }
  void Close() override {
    if (fd_ < 0) return;
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
  }
  bool IsOpen() const override { return fd_ >= 0; }
  bool WriteData(uint8_t v) override { return put(PPWDATA, v); }
  bool ReadData(uint8_t& v) override { return get(PPRDATA, v); }
  bool WriteControl(uint8_t v) override { return put(PPWCONTROL, v); }
  bool ReadControl(uint8_t& v) override { return get(PPRCONTROL, v); }
  bool ReadStatus(uint8_t& v) override { return get(PPRSTATUS, v); }
  bool SetByteMode() override {
    int mode = IEEE1284_MODE_BYTE;
    return fd_ >= 0 && ::ioctl(fd_, PPSETMODE, &mode) == 0;
  }
  std::string OpenProblem() const override { return problem_; }

 private:
  bool put(unsigned long request, uint8_t v) {
    unsigned char b = v;
    return fd_ >= 0 && ::ioctl(fd_, request, &b) == 0;
  }
  bool get(unsigned long request, uint8_t& v) {
    unsigned char b = 0;
    if (fd_ < 0 || ::ioctl(fd_, request, &b) != 0) return false;
    v = b;
    return true;
  }
  int fd_ = -1;
  std::string problem_;
};

#else

class TPpdevLines final : public IParallelLines {
 public:
  bool Open(uint16_t) override { return false; }
  void Close() override {}
  bool IsOpen() const override { return false; }
  bool WriteData(uint8_t) override { return false; }
  bool ReadData(uint8_t&) override { return false; }
  bool WriteControl(uint8_t) override { return false; }
  bool ReadControl(uint8_t&) override { return false; }
  bool ReadStatus(uint8_t&) override { return false; }
  bool SetByteMode() override { return false; }
  std::string OpenProblem() const override { return "no parallel port on this system"; }
};

#endif

}  // namespace

std::unique_ptr<IParallelLines> MakePpdevLines() { return std::make_unique<TPpdevLines>(); }

void TParallelPort::SetLines(IParallelLines* lines) { lines_ = lines; }

void TParallelPort::SetBaseAddress(uint16_t base) { Modes().LptPortAddress = base; }
uint16_t TParallelPort::BaseAddress() const { return Modes().LptPortAddress; }

IParallelLines& TParallelPort::Lines() {
  if (lines_) return *lines_;
  if (!own_) own_ = MakePpdevLines();
  return *own_;
}

template <class Op>
bool TParallelPort::tried(Op op) {
  if (!Lines().IsOpen()) return false;
  for (int i = 0; i < kTries; ++i)
    if (op()) return true;
  return false;
}

int TParallelPort::OpenParallelDriver() {
  IParallelLines& l = Lines();
  if (l.IsOpen()) return 0;
  if (!l.Open(BaseAddress())) return 2;
  uint8_t c = 0;
  ctl_ = l.ReadControl(c) ? c : 0;
  return 1;
}

void TParallelPort::CloseParallelDriver() { Lines().Close(); }

bool TParallelPort::InitParallelPort() {
  if (OpenParallelDriver() == 2) return false;
  const uint16_t base = BaseAddress();
  if (base != 0x378 && base != 0x3BC && base != 0x278) return true;
  IParallelLines& l = Lines();
  uint8_t c = 0;
  return l.SetByteMode() && l.WriteData(0) && l.ReadControl(c) &&
         control(uint8_t((c & 0xD0) | 0x06));
}

bool TParallelPort::control(uint8_t v) {
  ctl_ = v;
  return Lines().WriteControl(v);
}

bool TParallelPort::pulseClock(uint8_t c) {
  return control(uint8_t(c | kClock)) && control(uint8_t(c & ~kClock));
}

bool TParallelPort::clockOutBits(int bits, uint32_t value) {
  uint8_t c = ctl_;
  for (int b = bits - 1; b >= 0; --b) {
    c = uint8_t((c & ~kData) | ((value >> b) & 1));
    if (!control(c) || !pulseClock(c)) return false;
  }
  return true;
}

bool TParallelPort::clockInBits(int bits, uint32_t& value) {
  const uint8_t c = ctl_;
  value = 0;
  for (int b = 0; b < bits; ++b) {
    uint8_t s = 0;
    if (!control(uint8_t(c | kClock)) || !Lines().ReadStatus(s) || !control(uint8_t(c & ~kClock)))
      return false;
    value = (value << 1) | ((s >> 6) & 1);
  }
  return true;
}

bool TParallelPort::PortReadByte(int offset, uint8_t& value) {
  return tried([&] {
    switch (offset) {
      case 0: return Lines().ReadData(value);
      case 1: return Lines().ReadStatus(value);
      case 2: return Lines().ReadControl(value);
      default: return false;
    }
  });
}

bool TParallelPort::PortWriteByte(int offset, uint8_t value) {
  return tried([&] {
    switch (offset) {
      case 0: return Lines().WriteData(value);
      case 2: return control(value);
      default: return false;
    }
  });
}

bool TParallelPort::ClockInByte(uint8_t& value) {
  uint32_t v = 0;
  if (!tried([&] { return clockInBits(8, v); })) return false;
  value = uint8_t(v);
  return true;
}

bool TParallelPort::ClockOutByte(uint8_t value) {
  return tried([&] { return clockOutBits(8, value); });
}

bool TParallelPort::ClockInWord(uint16_t& value) {
  uint32_t v = 0;
  if (!tried([&] { return clockInBits(16, v); })) return false;
  value = uint16_t(v);
  return true;
}

bool TParallelPort::ClockOutWord(uint16_t value) {
  return tried([&] { return clockOutBits(16, value); });
}

bool TParallelPort::FrameStart() {
  return tried([&] {
    const uint8_t c = uint8_t(((ctl_ & 0xF5) | kFrame) & ~kData);
    return control(c) && control(uint8_t(c & ~kFrame));
  });
}

bool TParallelPort::FrameEnd() {
  return tried([&] {
    const uint8_t c = ctl_;
    return pulseClock(c) && pulseClock(c) && control(uint8_t((c & ~kClock) | kFrame));
  });
}

bool TParallelPort::WriteFramedByte(uint8_t value) {
  return tried([&] {
           const uint8_t m = uint8_t(ctl_ & 0xF4);
           return control(uint8_t(m | kFrame)) && control(m) && pulseClock(m) && pulseClock(m) &&
                  clockOutBits(8, value);
         }) &&
         FrameEnd();
}

bool TParallelPort::ReadFramedByte(uint8_t& value) {
  uint32_t v = 0;
  const bool ok = tried([&] {
    const uint8_t m = uint8_t(ctl_ & 0xF4);
    return control(uint8_t(m | kFrame)) && control(m) && control(uint8_t(m | kData)) &&
           pulseClock(uint8_t(m | kData)) && control(m) && pulseClock(m) && clockInBits(8, v);
  });
  if (!ok || !FrameEnd()) return false;
  value = uint8_t(v);
  return true;
}

bool TParallelPort::SendFlashCommand(int mode) {
  if (mode < 0 || mode > 3) return false;
  static constexpr uint8_t kCommand[4] = {0x80, 0xA0, 0x20, 0xA0};
  const uint8_t h1 = mode < 2 ? 0x40 : 0x41;
  const uint8_t h2 = mode < 2 ? 0xAA : 0x2A;
  return FrameStart() && ClockOutByte(h1) && ClockOutByte(h2) && ClockOutByte(kCommand[mode]) &&
         FrameEnd();
}

bool TParallelPort::SendPortBlock(const uint8_t* headerAndData, int n) {
  if (!FrameStart()) return false;
  for (int i = 0; i < n + 3; ++i)
    if (!ClockOutByte(headerAndData[i])) return false;
  return FrameEnd();
}

bool TParallelPort::DelayPortReads(int count) {
  uint8_t s = 0;
  for (int i = 0; i <= count; ++i)
    if (!PortReadByte(1, s)) return false;
  return true;
}

bool TParallelPort::ResetTargetLines() {
  // Power and reset lines of the target on D0/D1: both low, power on, then
  // reset released, each followed by its settling time.
  using std::chrono::microseconds;
  if (!PortWriteByte(0, 0x00)) return false;
  Clock().sleepFor(microseconds(10));
  if (!PortWriteByte(0, 0x01)) return false;
  Clock().sleepFor(microseconds(10000));
  if (!PortWriteByte(0, 0x03)) return false;
  Clock().sleepFor(microseconds(18192));
  return true;
}

bool TParallelPort::ReleaseTargetLines() { return PortWriteByte(0, 0x00); }

bool TParallelPort::exchangeBits(uint16_t out, uint16_t& in, bool pauseBetweenBytes) {
  uint8_t c = ctl_;
  uint32_t v = 0;
  for (int b = 15; b >= 0; --b) {
    c = uint8_t((c & ~kData) | ((out >> b) & 1));
    uint8_t s = 0;
    if (!control(c) || !control(uint8_t(c | kClock)) || !Lines().ReadStatus(s) ||
        !control(uint8_t(c & ~kClock)))
      return false;
    v = (v << 1) | ((s >> 6) & 1);
    if (pauseBetweenBytes && b == 8 && !control(c)) return false;
  }
  in = uint16_t(v);
  return true;
}

bool TParallelPort::ExchangeBytePair(uint16_t out, uint16_t& in) {
  return tried([&] { return exchangeBits(out, in, true); });
}

bool TParallelPort::ExchangeWord(uint16_t out, uint16_t& in) {
  return tried([&] { return exchangeBits(out, in, false); });
}

bool TParallelPort::ReadPodStatus(uint8_t& status) {
  uint8_t s = 0;
  if (!PortReadByte(1, s)) return false;
  status = uint8_t(s >> 4);
  return true;
}

}  // namespace kyvor
