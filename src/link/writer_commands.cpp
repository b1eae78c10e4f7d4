// The programmer's commands: its image memory (write, read, erase, busy,
// finish), the target chip (read, id, operations, status, calibration), the
// writer's identity, lock, settings and display. Over the parallel port the
// chip is reached directly through the port's target lines.
#include <algorithm>
#include <cstring>

#include "link/pod_protocol.h"

namespace kyvor {

namespace {

constexpr uint8_t kAck = 0xFA;
constexpr uint8_t kBlockAck = 0xAA;
constexpr uint8_t kLockedElsewhere = 0x49;  // a lock answer that also counts as taken
constexpr char kWriterIdentity[] = "WQRP";
constexpr int kStatusReply = 10;
constexpr int kCalibrationPacket = 64;
constexpr size_t kDisplayColumns = 16;

uint16_t Word(const uint8_t* b) { return uint16_t(b[0] << 8 | b[1]); }

}  // namespace

// ---------------------------------------------------------------------------
// Image memory
// ---------------------------------------------------------------------------

bool TPodProtocol::WriterWriteBlock(uint32_t address, std::span<const uint16_t> words) {
  if (!usable()) return false;
  std::vector<uint8_t> bytes;
  for (uint16_t w : words) bytes.insert(bytes.end(), {uint8_t(w >> 8), uint8_t(w)});
  clearBuffer();
  PodIoBuffer[0] = 0xAA;
  PodIoBuffer[1] = 0x02;
  putAddress(2, address);
  putAddress(5, uint32_t(bytes.size()));
  if (!acked(8, 1, kBlockAck)) return lost();
  return sendBlockData(bytes.data(), uint32_t(bytes.size()), {});
}

bool TPodProtocol::WriterReadBlock(uint32_t address, std::span<uint16_t> words,
                                   const TGauge& gauge) {
  if (!usable()) return false;
  std::vector<uint8_t> bytes(2 * words.size());
  clearBuffer();
  PodIoBuffer[0] = 0xAA;
  PodIoBuffer[1] = 0x03;
  putAddress(2, address);
  putAddress(5, uint32_t(bytes.size()));
  if (!acked(8, 1, kBlockAck)) return lost();
  if (!receiveBlockData(0xAB, bytes.data(), uint32_t(bytes.size()), gauge)) return false;
  for (size_t i = 0; i < words.size(); ++i) words[i] = Word(&bytes[2 * i]);
  return true;
}

bool TPodProtocol::WriterEraseSector(uint32_t address) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xAC;
  PodIoBuffer[1] = 0xD8;
  putAddress(2, address);
  return acked(8, 3, kAck) || lost();
}

bool TPodProtocol::WriterPollBusy(uint8_t& status) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xAC;
  PodIoBuffer[1] = 0x05;
  PodIoBuffer[7] = 0x01;
  if (!transfer(8, 1)) return lost();
  status = PodIoBuffer[0];
  return true;
}

bool TPodProtocol::WriterFinishWrite() {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xAC;
  PodIoBuffer[1] = 0x06;
  return acked(8, 3, kAck) || lost();
}

bool TPodProtocol::WriterSendSetting(uint16_t value) {
  if (!usable()) return false;
  clearBuffer();
  const uint8_t packet[7] = {0xCE, 0x02, 0x03, 0x10, 0x00, uint8_t(value), uint8_t(value >> 8)};
  std::memcpy(PodIoBuffer.data(), packet, sizeof packet);
  return transfer(sizeof packet, 1) || lost();
}

bool TPodProtocol::WriterSendCalibrationBlock(uint8_t part, const TCalibrationBytes& bytes) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xF9;
  PodIoBuffer[1] = 0x10;
  PodIoBuffer[2] = part;
  std::copy(bytes.begin(), bytes.end(), PodIoBuffer.begin() + 3);
  return transfer(kCalibrationPacket, kCalibrationPacket) || lost();
}

// ---------------------------------------------------------------------------
// The writer itself
// ---------------------------------------------------------------------------

bool TPodProtocol::WriterCheckIdentity() {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xF9;
  PodIoBuffer[1] = 0x09;
  if (!transfer(2, 8)) return lost();
  return std::memcmp(PodIoBuffer.data(), kWriterIdentity, 4) == 0;
}

bool TPodProtocol::WriterLock(uint8_t mode) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xF9;
  PodIoBuffer[1] = 0x0C;
  PodIoBuffer[2] = mode;
  if (!transfer(3, 8)) return lost();
  return (PodIoBuffer[0] == kAck && PodIoBuffer[1] == 0) || PodIoBuffer[0] == kLockedElsewhere;
}

bool TPodProtocol::WriterDisplayCommand(uint8_t code) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xBB;
  PodIoBuffer[3] = code;
  return acked(4, 4, kBlockAck) || lost();
}

bool TPodProtocol::WriterDisplayText(const std::string& chars) {
  if (!usable()) return false;
  const size_t m = std::min(chars.size(), kDisplayColumns);
  clearBuffer();
  PodIoBuffer[0] = 0xBB;
  PodIoBuffer[1] = 0x02;
  PodIoBuffer[2] = uint8_t(m);
  std::memcpy(PodIoBuffer.data() + 3, chars.data(), m);
  return transfer(uint8_t(m + 3), uint8_t(m + 3)) || lost();
}

// ---------------------------------------------------------------------------
// The target chip
// ---------------------------------------------------------------------------

bool TPodProtocol::ChipReadWords(uint32_t address, std::span<uint16_t> words,
                                 const TGauge& gauge) {
  if (!usable()) return false;
  std::vector<uint8_t> bytes(2 * words.size());
  clearBuffer();
  PodIoBuffer[0] = 0xB6;
  PodIoBuffer[2] = uint8_t(address >> 8);
  PodIoBuffer[3] = uint8_t(address);
  putLength(4, uint32_t(words.size()));
  if (!transfer(7, 5)) return lost();
  if (!receiveBlockData(0xB7, bytes.data(), uint32_t(bytes.size()), gauge)) return false;
  for (size_t i = 0; i < words.size(); ++i) words[i] = Word(&bytes[2 * i]);
  return true;
}

bool TPodProtocol::ChipReadIdWords(bool shortLayout, uint16_t& id, uint16_t& status) {
  if (!usable()) return false;
  clearBuffer();
  bool ok = false;
  if (shortLayout) {
    // The id with the protect word at chip address 0x80FE.
    const uint8_t packet[7] = {0xB4, 0x00, 0x80, 0xFE, 0x00, 0x00, 0x01};
    std::memcpy(PodIoBuffer.data(), packet, sizeof packet);
    ok = transfer(sizeof packet, 8);
  } else {
    PodIoBuffer[0] = 0xD6;
    ok = transfer(1, 4);
  }
  if (!ok) return lost();
  id = Word(&PodIoBuffer[0]);
  status = Word(&PodIoBuffer[2]);
  return true;
}

bool TPodProtocol::ChipStartOperation(TChipOperation type) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xB8;
  PodIoBuffer[1] = uint8_t(type);
  return transfer(2, kStatusReply) || lost();
}

bool TPodProtocol::ChipReadStatus(TWriterStatus& status) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xB8;
  PodIoBuffer[1] = 0x10;
  if (!transfer(2, kStatusReply)) return lost();
  const uint8_t* r = PodIoBuffer.data();
  status.Valid = r[1] == 0;
  status.Flags = r[2];
  status.Value1 = Word(r + 3);
  status.Value2 = Word(r + 5);
  status.Value3 = Word(r + 7);
  status.Extra = r[9];
  return true;
}

bool TPodProtocol::ChipReadCalibration(TWriterCalibration& c) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xB8;
  PodIoBuffer[1] = 0x07;
  if (!transfer(2, kStatusReply)) return lost();
  const uint8_t* r = PodIoBuffer.data();
  c.Result = r[1];
  c.P = r[3];
  c.Q = r[4];
  c.F = r[5];
  c.V = uint32_t(r[6]) | uint32_t(r[7]) << 8 | uint32_t(r[8]) << 16 | uint32_t(r[9]) << 24;
  return true;
}

bool TPodProtocol::ChipCalibratedOperation(uint8_t flags) {
  if (!usable()) return false;
  clearBuffer();
  PodIoBuffer[0] = 0xB8;
  PodIoBuffer[1] = 0x80;
  PodIoBuffer[2] = flags;
  return transfer(3, kStatusReply) || lost();
}

// ---------------------------------------------------------------------------
// Direct chip access on the parallel port
// ---------------------------------------------------------------------------

bool TPodProtocol::ChipLinesReset() { return parallel_.ResetTargetLines(); }

bool TPodProtocol::ChipLinesRelease() { return parallel_.ReleaseTargetLines(); }

bool TPodProtocol::ChipExchangeBytePair(uint16_t out, uint16_t& in) {
  return parallel_.ExchangeBytePair(out, in);
}

bool TPodProtocol::ChipExchangeWord(uint16_t out, uint16_t& in) {
  return parallel_.ExchangeWord(out, in);
}

}  // namespace kyvor
