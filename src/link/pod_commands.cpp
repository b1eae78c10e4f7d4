// The pod access operations: primitives, accessors, run control, the access
// gate and session, the chip id and the configuration block. Each has a USB
// form (packets through the link) and a parallel-port form (clocked through
// the port); IceInterfaceIndex 1 to 3 chooses the port. Every failure sets
// PodState to 255 and closes the link.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/clock.h"
#include "base/containers.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "link/pod_protocol.h"

namespace kyvor {

namespace {

using podcmd::Ack;
using podcmd::BlockAck;

// The 24-bit address header: 0x400000 OR (A << 1) OR R, big-endian.
std::array<uint8_t, 3> Header(uint32_t A, int R) {
  return {uint8_t(0x40 | (A >> 15)), uint8_t(A >> 7), uint8_t((A << 1) | uint32_t(R & 1))};
}

uint32_t BigEndian(const uint8_t* b, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | b[i];
  return v;
}

}  // namespace

bool TPodProtocol::parallel() const {
  const int i = Modes().IceInterfaceIndex;
  return i >= 1 && i <= 3;
}

uint8_t TPodProtocol::stopBit() const {
  return Options().StopOnStackOverflow() ? podctl::StopOnOverflow : 0;
}

void TPodProtocol::putHeader(size_t at, uint32_t A, int R) {
  const auto h = Header(A, R);
  std::copy(h.begin(), h.end(), PodIoBuffer.begin() + long(at));
}

void TPodProtocol::putLength(size_t at, uint32_t len) {
  PodIoBuffer[at] = uint8_t(len >> 16);
  PodIoBuffer[at + 1] = uint8_t(len >> 8);
  PodIoBuffer[at + 2] = uint8_t(len);
}

uint32_t TPodProtocol::packetPayload() const {
  const uint32_t m = PodLink.MaxTransfer;
  return (m == 0 || m > kPodMaxTransfer) ? kPodMaxTransfer : m;
}

namespace {

// The bytes of one memory command's piece. An A4 command and its reply go as
// one transfer: a bulk transfer spans as many of the endpoint's packets as it
// needs, and a HID report carries 64 bytes, so a piece is bounded by the
// buffer's 64-byte payload (the 7 header bytes included on a write), not by
// MaxTransfer. Program-memory pieces keep whole words.
constexpr uint32_t MemoryPiece(bool write, bool words) {
  const uint32_t n = kPodMaxTransfer - (write ? podcmd::Memory.Out : 0u);
  return words ? n & ~1u : n;
}

}  // namespace

// ---------------------------------------------------------------------------
// Primitives
// ---------------------------------------------------------------------------

bool TPodProtocol::PodPing() {
  if (parallel()) return parallel_.FrameEnd() || lost();
  if (!PodLink.IsOpen) return lost();
  put(podcmd::Ping);
  return exchange(podcmd::Ping, Ack) || lost();
}

bool TPodProtocol::PodWriteControl(uint8_t value) {
  if (parallel()) return parallel_.WriteFramedByte(value) || lost();
  if (!PodLink.IsOpen) return lost();
  put(podcmd::WriteControl);
  PodIoBuffer[1] = value;
  return exchange(podcmd::WriteControl, Ack) || lost();
}

uint8_t TPodProtocol::PodReadControl(bool& ok) {
  uint8_t v = 0;
  if (parallel()) {
    ok = parallel_.ReadFramedByte(v);
  } else {
    ok = PodLink.IsOpen;
    if (ok) {
      put(podcmd::ReadControl);
      ok = exchange(podcmd::ReadControl, Ack);
      v = PodIoBuffer[1];
    }
  }
  if (!ok) {
    lost();
    return 255;
  }
  return v;
}

uint8_t TPodProtocol::PodReadControl() {
  bool ok = false;
  return PodReadControl(ok);
}

bool TPodProtocol::PodReadStatus(uint8_t& status) {
  if (parallel()) return parallel_.ReadPodStatus(status) || lost();
  if (!PodLink.IsOpen) return lost();
  put(podcmd::ReadStatus);
  if (!exchange(podcmd::ReadStatus, Ack)) return lost();
  status = PodIoBuffer[1];
  return true;
}

// Reads the control register and writes change(control, stop bit). A failed
// read aborts: nothing is written from a failure code.
bool TPodProtocol::controlFrom(uint8_t (*change)(uint8_t control, uint8_t s)) {
  bool ok = false;
  const uint8_t c = PodReadControl(ok);
  return ok && PodWriteControl(change(c, stopBit()));
}

bool TPodProtocol::controlValue(uint8_t v) { return PodWriteControl(v); }

bool TPodProtocol::PodSelectProgramMemory() {
  return controlFrom([](uint8_t c, uint8_t) { return uint8_t((c & 0xF3) | 0x10); });
}

bool TPodProtocol::PodSelectRegisterFile() {
  return controlFrom([](uint8_t c, uint8_t) { return uint8_t((c & 0xEB) | 0x08); });
}

bool TPodProtocol::readPacket(uint32_t A, uint32_t n, uint8_t* dest, bool words) {
  if (!(words ? PodSelectProgramMemory() : PodSelectRegisterFile())) return false;
  put(podcmd::Memory);
  putHeader(1, A, 1);
  putLength(4, n);
  if (!transfer(podcmd::Memory.Out, uint8_t(n))) return lost();
  std::memcpy(dest, PodIoBuffer.data(), n);
  return true;
}

bool TPodProtocol::writePacket(uint32_t A, const uint8_t* data, uint32_t n, bool words) {
  if (!(words ? PodSelectProgramMemory() : PodSelectRegisterFile())) return false;
  put(podcmd::Memory);
  putHeader(1, A, 0);
  putLength(4, n);
  std::memcpy(PodIoBuffer.data() + podcmd::Memory.Out, data, n);
  return acked(uint8_t(podcmd::Memory.Out + n), podcmd::MemoryWriteReply, Ack) || lost();
}

bool TPodProtocol::parallelRead(uint32_t A, uint32_t n, uint8_t* dest, bool words) {
  if (!(words ? PodSelectProgramMemory() : PodSelectRegisterFile())) return false;
  const auto h = Header(A, 1);
  bool ok = parallel_.FrameStart();
  for (uint8_t b : h) ok = ok && parallel_.ClockOutByte(b);
  for (uint32_t i = 0; ok && i < n; i += words ? 2 : 1) {
    if (words) {
      uint16_t w = 0;
      ok = parallel_.ClockInWord(w);
      dest[i] = uint8_t(w >> 8);
      if (i + 1 < n) dest[i + 1] = uint8_t(w);
    } else {
      ok = parallel_.ClockInByte(dest[i]);
    }
  }
  return (ok && parallel_.FrameEnd()) || lost();
}

bool TPodProtocol::parallelWrite(uint32_t A, const uint8_t* data, uint32_t n, bool words) {
  if (!(words ? PodSelectProgramMemory() : PodSelectRegisterFile())) return false;
  const auto h = Header(A, 0);
  if (words && Options().RomEmulationType == 1) {
    std::vector<uint8_t> block(h.begin(), h.end());
    block.insert(block.end(), data, data + n);
    return parallel_.SendPortBlock(block.data(), int(n)) || lost();
  }
  bool ok = parallel_.FrameStart();
  for (uint8_t b : h) ok = ok && parallel_.ClockOutByte(b);
  for (uint32_t i = 0; ok && i < n; i += words ? 2 : 1)
    ok = words ? parallel_.ClockOutWord(uint16_t(data[i] << 8 | (i + 1 < n ? data[i + 1] : 0)))
               : parallel_.ClockOutByte(data[i]);
  return (ok && parallel_.FrameEnd()) || lost();
}

bool TPodProtocol::PodReadWords(uint32_t A, uint32_t len, uint8_t* dest) {
  if (parallel()) return parallelRead(A, len, dest, true);
  if (!PodLink.IsOpen) return lost();
  const uint32_t step = MemoryPiece(false, true);
  for (uint32_t off = 0; off < len; off += step)
    if (!readPacket(A + off, std::min(step, len - off), dest + off, true)) return false;
  return true;
}

bool TPodProtocol::PodWriteWords(uint32_t A, const uint8_t* data, uint32_t len) {
  if (parallel()) return parallelWrite(A, data, len, true);
  if (!PodLink.IsOpen) return lost();
  const uint32_t step = MemoryPiece(true, true);
  for (uint32_t off = 0; off < len; off += step)
    if (!writePacket(A + off, data + off, std::min(step, len - off), true)) return false;
  return true;
}

bool TPodProtocol::PodReadBytes(uint32_t A, uint32_t n, uint8_t* dest) {
  if (parallel()) return parallelRead(A, n, dest, false);
  if (!PodLink.IsOpen) return lost();
  const uint32_t step = MemoryPiece(false, false);
  for (uint32_t off = 0; off < n; off += step)
    if (!readPacket(A + off, std::min(step, n - off), dest + off, false)) return false;
  return true;
}

bool TPodProtocol::PodWriteBytes(uint32_t A, const uint8_t* data, uint32_t n) {
  if (parallel()) return parallelWrite(A, data, n, false);
  if (!PodLink.IsOpen) return lost();
  const uint32_t step = MemoryPiece(true, false);
  for (uint32_t off = 0; off < n; off += step)
    if (!writePacket(A + off, data + off, std::min(step, n - off), false)) return false;
  return true;
}

bool TPodProtocol::usable() { return PodLink.IsOpen || lost(); }

void TPodProtocol::putAddress(size_t at, uint32_t value) { putLength(at, value); }

bool TPodProtocol::sendBlockData(const uint8_t* data, uint32_t bytes, const TGauge& gauge) {
  const uint32_t step = packetPayload();
  for (uint32_t off = 0; off < bytes; off += step) {
    const uint32_t n = std::min(step, bytes - off);
    clearBuffer();
    std::memcpy(PodIoBuffer.data(), data + off, n);
    if (!transfer(uint8_t(n), podcmd::BlockDataReply)) return lost();
    if (gauge) gauge(int(uint64_t(off + n) * 100 / bytes));
  }
  return true;
}

bool TPodProtocol::receiveBlockData(const podcmd::TPodCommand& ask, uint8_t* dest, uint32_t bytes,
                                    const TGauge& gauge) {
  const uint32_t step = packetPayload();
  for (uint32_t off = 0; off < bytes; off += step) {
    const uint32_t n = std::min(step, bytes - off);
    put(ask);
    if (!transfer(ask.Out, uint8_t(n))) return lost();
    std::memcpy(dest + off, PodIoBuffer.data(), n);
    if (gauge) gauge(int(uint64_t(off + n) * 100 / bytes));
  }
  return true;
}

bool TPodProtocol::PodBlockWrite(const podcmd::TPodCommand& command, uint32_t address,
                                 const uint8_t* data, uint32_t bytes, uint8_t mode,
                                 const TGauge& gauge) {
  if (parallel() || !PodLink.IsOpen) return lost();
  if (gauge) gauge(0);
  put(command);
  putHeader(1, address, 0);
  putLength(4, bytes);
  PodIoBuffer[7] = mode;
  if (!exchange(command, BlockAck)) return lost();
  return sendBlockData(data, bytes, gauge);
}

bool TPodProtocol::PodBlockRead(uint32_t address, uint32_t bytes, uint8_t* dest,
                                const TGauge& gauge) {
  if (parallel() || !PodLink.IsOpen) return lost();
  if (gauge) gauge(0);
  put(podcmd::BlockRead);
  putHeader(1, address, 1);
  putLength(4, bytes);
  if (!exchange(podcmd::BlockRead, BlockAck)) return lost();
  return receiveBlockData(podcmd::BlockChunk, dest, bytes, gauge);
}

namespace {

std::vector<uint8_t> WordBytes(std::span<const uint16_t> words) {
  std::vector<uint8_t> bytes;
  bytes.reserve(2 * words.size());
  for (uint16_t w : words) {
    bytes.push_back(uint8_t(w >> 8));
    bytes.push_back(uint8_t(w));
  }
  return bytes;
}

void PutWords(const std::vector<uint8_t>& bytes, std::span<uint16_t> words) {
  for (size_t i = 0; i < words.size(); ++i)
    words[i] = uint16_t(bytes[2 * i] << 8 | bytes[2 * i + 1]);
}

// An EEPROM pod on the parallel port takes its words in framed groups of 32.
constexpr uint32_t kPortGroupBytes = 64;

}  // namespace

// The parallel forms: the address clocked out and then every word; an
// EEPROM pod gets one framed block of 32 words after another (a last, shorter
// group goes as a shorter block rather than being dropped).
bool TPodProtocol::parallelDownload(uint32_t start, const std::vector<uint8_t>& bytes,
                                    const TGauge& gauge) {
  if (gauge) gauge(0);
  const uint32_t total = uint32_t(bytes.size());
  const uint32_t step = Options().RomEmulationType == 1 ? kPortGroupBytes : std::max(total, 1u);
  for (uint32_t off = 0; off < total; off += step) {
    const uint32_t n = std::min(step, total - off);
    if (!parallelWrite(2 * start + off, bytes.data() + off, n, true)) return false;
    if (gauge) gauge(int(uint64_t(off + n) * 100 / total));
  }
  return true;
}

bool TPodProtocol::PodDownloadWords(TPodBlockArea area, uint32_t start,
                                    std::span<const uint16_t> words, uint8_t mode,
                                    const TGauge& gauge) {
  const std::vector<uint8_t> bytes = WordBytes(words);
  if (parallel()) return parallelDownload(start, bytes, gauge);
  return PodBlockWrite(area == TPodBlockArea::Sbm ? podcmd::SbmBlockWrite : podcmd::BlockWrite,
                       start, bytes.data(), uint32_t(bytes.size()), mode, gauge);
}

bool TPodProtocol::PodUploadWords(uint32_t start, std::span<uint16_t> words, const TGauge& gauge) {
  std::vector<uint8_t> bytes(2 * words.size());
  const uint32_t n = uint32_t(bytes.size());
  const bool ok = parallel() ? parallelRead(2 * start, n, bytes.data(), true)
                             : PodBlockRead(start, n, bytes.data(), gauge);
  if (!ok) return false;
  PutWords(bytes, words);
  if (parallel() && gauge) gauge(100);
  return true;
}

bool TPodProtocol::PodWriteProgramBytes(uint32_t address, std::span<const uint8_t> bytes) {
  return PodWriteWords(address, bytes.data(), uint32_t(bytes.size()));
}

bool TPodProtocol::PodReadProgramBytes(uint32_t address, std::span<uint8_t> bytes) {
  return PodReadWords(address, uint32_t(bytes.size()), bytes.data());
}

// ---------------------------------------------------------------------------
// Accessors
// ---------------------------------------------------------------------------

bool TPodProtocol::PodWriteRegister(uint32_t address, uint8_t value) {
  return PodWriteBytes(address, &value, 1);
}

uint8_t TPodProtocol::PodReadRegister(uint32_t address, bool& ok) {
  uint8_t b = 0;
  ok = PodReadBytes(address, 1, &b);
  return ok ? b : 0;
}

uint8_t TPodProtocol::PodReadRegister(uint32_t address) {
  bool ok = false;
  return PodReadRegister(address, ok);
}

bool TPodProtocol::PodReadDataMemory(uint32_t start, uint32_t length, uint8_t* dest) {
  if (parallel()) return parallelRead(start, length, dest, false);
  return PodSelectRegisterFile() && PodBlockRead(start, length, dest);
}

uint16_t TPodProtocol::PodReadProgramWord(uint32_t address, bool& ok) {
  uint8_t b[2] = {0, 0};
  ok = PodReadWords(2 * address, 2, b);
  return ok ? uint16_t(b[0] << 8 | b[1]) : 0;
}

uint16_t TPodProtocol::PodReadProgramWord(uint32_t address) {
  bool ok = false;
  return PodReadProgramWord(address, ok);
}

bool TPodProtocol::PodWriteProgramWord(uint32_t address, uint16_t word) {
  const uint8_t b[2] = {uint8_t(word >> 8), uint8_t(word)};
  return PodWriteWords(2 * address, b, 2);
}

uint32_t TPodProtocol::PodReadPC(bool& ok) {
  uint8_t b[3] = {0, 0, 0};
  ok = PodReadBytes(podmem::ProgramCounter, 3, b);
  return ok ? BigEndian(b, 3) : 0;
}

uint32_t TPodProtocol::PodReadPC() {
  bool ok = false;
  return PodReadPC(ok);
}

bool TPodProtocol::PodWritePC(uint32_t value) {
  const uint8_t b[3] = {uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
  return PodWriteBytes(podmem::ProgramCounter, b, 3);
}

bool TPodProtocol::PodReadCycles(uint16_t& high, uint16_t& low) {
  uint8_t b[4] = {0, 0, 0, 0};
  const bool ok = PodReadBytes(podmem::Cycles, 4, b);
  high = ok ? uint16_t(BigEndian(b, 2)) : 0;
  low = ok ? uint16_t(BigEndian(b + 2, 2)) : 0;
  return ok;
}

bool TPodProtocol::PodWriteCycles(uint16_t high, uint16_t low) {
  const uint8_t b[4] = {uint8_t(high >> 8), uint8_t(high), uint8_t(low >> 8), uint8_t(low)};
  return PodWriteBytes(podmem::Cycles, b, 4);
}

bool TPodProtocol::PodReadStack(int depth, std::vector<uint32_t>& levels) {
  levels.clear();
  if (depth <= 0) return true;
  int viaB9 = 0;
  if (!parallel()) {
    // One B9 reply must fit a packet; deeper levels are read one by one.
    if (!PodLink.IsOpen) return lost();
    viaB9 = std::min<int>(depth, int(packetPayload() / 3));
    put(podcmd::Stack);
    PodIoBuffer[1] = uint8_t(viaB9);
    if (!transfer(podcmd::Stack.Out, uint8_t(3 * viaB9))) return lost();
    for (int i = 0; i < viaB9; ++i) levels.push_back(BigEndian(&PodIoBuffer[size_t(3 * i)], 3));
  }
  for (int i = viaB9 + 1; i <= depth; ++i) {
    bool ok = false;
    levels.push_back(PodReadStackLevel(i, ok));
    if (!ok) return false;
  }
  return true;
}

std::span<const TPodTestCommand> PodTestCommands() {
  static const TPodTestCommand kCommands[] = {
      {"Button1", "B", {0xD5}, 1},          {"Button2", "BOR", {0xD7, 0x28, 0x02}, 3},
      {"Button3", "HAO", {0xD7, 0x28, 0x04}, 3}, {"Button4", "LPO", {0xD7, 0x28, 0x06}, 3},
      {"Button6", "LS_CK", {0xD7, 0x28, 0x0A}, 3}, {"Button7", "RSTANDvb", {0xD7, 0x28, 0x0C}, 3},
      {"Button5", "CRY", {0xD8}, 1},        {"Button8", "VPP Lo", {0xD9}, 1},
      {"Button9", "VDD_LO", {0xDA}, 1},
  };
  return kCommands;
}

bool TPodProtocol::PodSendChipVariant(bool deviceKind3) {
  put(podcmd::ChipVariant);
  PodIoBuffer[1] = deviceKind3 ? podcmd::ChipVariantKind3 : podcmd::ChipVariantOther;
  return exchange(podcmd::ChipVariant);
}

bool TPodProtocol::PodSendTestCommand(const TPodTestCommand& command) {
  clearBuffer();
  for (uint8_t i = 0; i < command.Count && i < 3; ++i) PodIoBuffer[i] = command.Bytes[i];
  return transfer(command.Count, 1);
}

bool TPodProtocol::PodWriteCoreVariant(uint8_t variant) {
  return PodWriteRegister(podmem::CoreVariant, variant);
}

bool TPodProtocol::PodReadCoreVariant(uint8_t& variant) {
  bool ok = false;
  variant = PodReadRegister(podmem::CoreVariant, ok);
  return ok;
}

bool TPodProtocol::PodWriteWatch(uint8_t mask, uint8_t data, uint16_t address) {
  const uint8_t b[4] = {mask, data, uint8_t(address >> 8), uint8_t(address)};
  return PodWriteBytes(podmem::Watch, b, 4);
}

bool TPodProtocol::PodWriteBreakpoints(const std::array<uint32_t, 16>& addresses) {
  uint8_t b[48];
  for (size_t k = 0; k < 16; ++k) {
    b[3 * k] = uint8_t(addresses[k] >> 16);
    b[3 * k + 1] = uint8_t(addresses[k] >> 8);
    b[3 * k + 2] = uint8_t(addresses[k]);
  }
  if (!PodWriteBytes(podmem::Breakpoints, b, sizeof b)) return false;
  breakpoints_ = addresses;
  return true;
}

int TPodProtocol::PodReadChipId(uint16_t& id) {
  uint8_t b[2] = {0, 0};
  if (!PodReadBytes(podmem::ChipId, 2, b)) return 255;
  id = uint16_t(b[0] << 8 | b[1]);
  PodChipId = id;
  const TChipConfig& chip = Chip();
  const int n = std::clamp<int>(chip.SimIcCount, 0, int(chip.SimIcList.size()));
  for (int i = 0; i < n; ++i) {
    if (chip.SimIcList[size_t(i)] != id) continue;
    AcceptedPodChipId = id;
    return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Run control
// ---------------------------------------------------------------------------

bool TPodProtocol::PodEnterReset() {
  return controlFrom([](uint8_t c, uint8_t) { return uint8_t(c & 0xFD); });
}

bool TPodProtocol::PodLeaveReset() {
  return controlFrom([](uint8_t c, uint8_t) { return uint8_t(c | 0x02); });
}

bool TPodProtocol::PodRunFree() {
  return controlFrom([](uint8_t c, uint8_t) { return uint8_t(c | 0x10); }) &&
         controlValue(uint8_t(0x16 | stopBit()));
}

bool TPodProtocol::PodRunWithBreakpoints() {
  return controlFrom([](uint8_t c, uint8_t) { return uint8_t(c | 0x10); }) &&
         controlValue(uint8_t(0x56 | stopBit()));
}

bool TPodProtocol::PodHalt() {
  return controlFrom(
      [](uint8_t c, uint8_t s) { return uint8_t((((c & 0xFB) | 0x1A) & 0x7F) | s); });
}

void TPodProtocol::PodSetStopBit() {
  controlFrom([](uint8_t c, uint8_t) { return uint8_t(c | 0x80); });
}

bool TPodProtocol::PodIsHalted(bool& failed) {
  uint8_t s = 0;
  failed = !PodReadStatus(s);
  return !failed && !(s & podctl::StatusRunning);
}

bool TPodProtocol::PodStep(int count) {
  if (Chip().DeviceKind3 == 1 && StepByBreakpoint) return stepByBreakpoint();
  bool ok = false;
  const uint8_t counter = PodReadRegister(podmem::StepCounter, ok);
  return ok && PodWriteRegister(podmem::StepCount, uint8_t(counter + count)) &&
         controlFrom([](uint8_t c, uint8_t) { return uint8_t(c | 0x10); }) &&
         controlValue(uint8_t(0x76 | stopBit()));
}

// The instruction at PC runs to a temporary breakpoint two words on; the
// breakpoint list is put back afterwards. A target that does not halt
// within 500 ms is left running (false).
bool TPodProtocol::stepByBreakpoint() {
  bool ok = false;
  const uint32_t pc = PodReadPC(ok);
  if (!ok) return false;
  const std::array<uint32_t, 16> kept = breakpoints_;
  std::array<uint32_t, 16> temporary = kept;
  temporary[0] = (pc + 2) & 0xFFFFF;
  if (!PodWriteBreakpoints(temporary) || !PodRunWithBreakpoints()) return false;
  const auto start = Clock().now();
  bool halted = false;
  for (;;) {
    const bool timedOut = ElapsedMs(start) > 500;
    bool failed = false;
    halted = PodIsHalted(failed);
    if (failed) return false;
    if (halted || timedOut) break;
    Clock().sleepFor(std::chrono::milliseconds(1));
  }
  if (!halted || !PodHalt()) return false;
  StepByBreakpoint = 0;
  return PodWriteBreakpoints(kept);
}

// ---------------------------------------------------------------------------
// Access gate and session
// ---------------------------------------------------------------------------

bool TPodProtocol::PodAccessGate(bool open) {
  // The gate is a USB packet: the parallel port has none to send.
  if (parallel() || Options().RomEmulationType == 0) return true;
  if (!PodLink.IsOpen) return lost();
  put(podcmd::AccessGate);
  PodIoBuffer[2] = open ? 0 : 1;
  if (!exchange(podcmd::AccessGate, Ack)) return lost();
  if (open) DelayMilliseconds(100);
  return true;
}

// Over USB: A1 02 begins, A1 03 ends a session (the reply is not looked at).
bool TPodProtocol::usbSession(const podcmd::TPodCommand& which) {
  if (Options().RomEmulationType == 0) return true;
  if (!PodLink.IsOpen) return lost();
  put(which);
  return exchange(which) || lost();
}

// Over the parallel port: program memory selected, then the flash commands
// (mode 2 twice to begin, mode 3 to end, after a framed read), each side
// with its settling waits.
bool TPodProtocol::parallelSession(bool begin) {
  uint8_t dummy = 0;
  if (!begin && !parallel_.ReadFramedByte(dummy)) return lost();
  if (!PodSelectProgramMemory()) return false;
  DelayMilliseconds(20);
  const bool ok = begin ? parallel_.SendFlashCommand(2) && parallel_.SendFlashCommand(2)
                        : parallel_.SendFlashCommand(3);
  DelayMilliseconds(50);
  return ok || lost();
}

bool TPodProtocol::PodSessionBegin() {
  return parallel() ? parallelSession(true) : usbSession(podcmd::SessionBegin);
}

bool TPodProtocol::PodSessionEnd() {
  return parallel() ? parallelSession(false) : usbSession(podcmd::SessionEnd);
}

// ---------------------------------------------------------------------------
// Special registers and the configuration block
// ---------------------------------------------------------------------------

bool TPodProtocol::PodInitSpecialRegisters() {
  bool result = PodLeaveReset();
  for (uint32_t a = podmem::ProgramCounter; a < podmem::ProgramCounter + 3; ++a)
    result = PodWriteRegister(a, 0);
  if (AcceptedPodChipId != kEepromPodChipId) return result;
  static constexpr uint16_t kAddress[3] = {0x77, 0x7D, 0x194};
  static constexpr uint8_t kDefault[3] = {0xFF, 0xFF, 0xF0};
  SpecialRegisterImage = {kDefault[0], kDefault[1], kDefault[2]};
  bool defined[3] = {false, false, false};
  const TCRREGBitPtr& bits = BitRegisterList();
  for (int32_t i = 0; i < bits.Count(); ++i) {
    const uint16_t address = bits.GetAddress(i);
    for (int k = 0; k < 3; ++k) {
      if (address != kAddress[k]) continue;
      const uint8_t v = PodReadRegister(address);
      uint8_t merged = uint8_t(~Chip().DataMemoryMap[address] | v);
      if (address == 0x194) merged &= 0xF0;
      SpecialRegisterImage[size_t(k)] = merged;
      PodWriteRegister(address, merged);
      defined[k] = true;
    }
  }
  for (int k = 0; k < 3; ++k)
    if (!defined[k]) PodWriteRegister(kAddress[k], kDefault[k]);
  return result;
}

bool TPodProtocol::PodWriteConfigBlock(const std::vector<uint32_t>& eepromSites) {
  const TChipConfig& chip = Chip();
  PodAccessGate(true);
  PodSessionBegin();
  std::vector<uint8_t> b = {0xFA,
                            0xFA,
                            0x01,
                            0x94,
                            SpecialRegisterImage[2],
                            0x00,
                            0x7D,
                            SpecialRegisterImage[1],
                            0x00,
                            0x77,
                            SpecialRegisterImage[0]};
  for (uint32_t a : eepromSites) {
    b.push_back(uint8_t(a >> 16));
    b.push_back(uint8_t(a >> 8));
    b.push_back(uint8_t(a));
  }
  b.push_back(0xFC);
  const uint16_t control = (chip.SelfEromMode == 1 || chip.SelfEromMode == 2)
                               ? uint16_t(chip.SelfEromRegister + 0x400)
                               : chip.SelfEromRegister;
  b.push_back(uint8_t(control >> 8));
  b.push_back(uint8_t(control));
  for (uint16_t w : chip.SelfEromWords) {
    b.push_back(uint8_t(w >> 8));
    b.push_back(uint8_t(w));
  }
  b.push_back(uint8_t((Options().RomEmulationType == 1 ? 0x10 : 0x00) | (chip.CoreVariant & 0x0F)));
  b.push_back(chip.SelfEromMode);
  if (chip.DeviceKind3 == 1 && PodChipId == kEepromPodChipId)
    PodWriteWords(podmem::ConfigBlock, b.data(), uint32_t(b.size()));
  PodSessionEnd();
  PodAccessGate(false);
  return true;
}

}  // namespace kyvor
