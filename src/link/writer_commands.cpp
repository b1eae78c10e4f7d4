// The programmer's commands: its image memory (write, read, erase, busy,
// finish), the target chip (read, id, operations, status, calibration), the
// writer's identity, lock, settings and display. Over the parallel port the
// chip is reached directly through the port's target lines.
#include <algorithm>
#include <cstring>

#include "link/pod_protocol.h"

namespace kyvor {

namespace {

using podcmd::Ack;
using podcmd::BlockAck;
constexpr char kWriterIdentity[] = "WQRP";
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
  put(podcmd::ImageWrite);
  putAddress(2, address);
  putAddress(5, uint32_t(bytes.size()));
  if (!exchange(podcmd::ImageWrite, BlockAck)) return lost();
  return sendBlockData(bytes.data(), uint32_t(bytes.size()), {});
}

bool TPodProtocol::WriterReadBlock(uint32_t address, std::span<uint16_t> words,
                                   const TGauge& gauge) {
  if (!usable()) return false;
  std::vector<uint8_t> bytes(2 * words.size());
  put(podcmd::ImageRead);
  putAddress(2, address);
  putAddress(5, uint32_t(bytes.size()));
  if (!exchange(podcmd::ImageRead, BlockAck)) return lost();
  if (!receiveBlockData(podcmd::ImageChunk, bytes.data(), uint32_t(bytes.size()), gauge))
    return false;
  for (size_t i = 0; i < words.size(); ++i) words[i] = Word(&bytes[2 * i]);
  return true;
}

bool TPodProtocol::WriterEraseSector(uint32_t address) {
  if (!usable()) return false;
  put(podcmd::EraseSector);
  putAddress(2, address);
  return exchange(podcmd::EraseSector, Ack) || lost();
}

bool TPodProtocol::WriterPollBusy(uint8_t& status) {
  if (!usable()) return false;
  put(podcmd::PollBusy);
  PodIoBuffer[7] = podcmd::PollBusyLastByte;
  if (!exchange(podcmd::PollBusy)) return lost();
  status = PodIoBuffer[0];
  return true;
}

bool TPodProtocol::WriterFinishWrite() {
  if (!usable()) return false;
  put(podcmd::FinishWrite);
  return exchange(podcmd::FinishWrite, Ack) || lost();
}

bool TPodProtocol::WriterSendSetting(uint16_t value) {
  if (!usable()) return false;
  put(podcmd::Setting);
  std::copy(std::begin(podcmd::SettingBytes), std::end(podcmd::SettingBytes), PodIoBuffer.begin());
  PodIoBuffer[5] = uint8_t(value);
  PodIoBuffer[6] = uint8_t(value >> 8);
  return exchange(podcmd::Setting) || lost();
}

bool TPodProtocol::WriterSendCalibrationBlock(uint8_t part, const TCalibrationBytes& bytes) {
  if (!usable()) return false;
  put(podcmd::CalibrationBlock);
  PodIoBuffer[2] = part;
  std::copy(bytes.begin(), bytes.end(), PodIoBuffer.begin() + 3);
  return exchange(podcmd::CalibrationBlock) || lost();
}

// ---------------------------------------------------------------------------
// The writer itself
// ---------------------------------------------------------------------------

bool TPodProtocol::WriterCheckIdentity() {
  if (!usable()) return false;
  put(podcmd::WriterIdentity);
  if (!exchange(podcmd::WriterIdentity)) return lost();
  return std::memcmp(PodIoBuffer.data(), kWriterIdentity, 4) == 0;
}

bool TPodProtocol::WriterLock(uint8_t mode) {
  if (!usable()) return false;
  put(podcmd::Lock);
  PodIoBuffer[2] = mode;
  if (!exchange(podcmd::Lock)) return lost();
  return (PodIoBuffer[0] == Ack && PodIoBuffer[1] == 0) ||
         PodIoBuffer[0] == podcmd::LockedElsewhere;
}

bool TPodProtocol::WriterDisplayCommand(uint8_t code) {
  if (!usable()) return false;
  put(podcmd::Display);
  PodIoBuffer[3] = code;
  return exchange(podcmd::Display, BlockAck) || lost();
}

bool TPodProtocol::WriterDisplayText(const std::string& chars) {
  if (!usable()) return false;
  const size_t m = std::min(chars.size(), kDisplayColumns);
  put(podcmd::DisplayText);
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
  put(podcmd::ChipRead);
  PodIoBuffer[2] = uint8_t(address >> 8);
  PodIoBuffer[3] = uint8_t(address);
  putLength(4, uint32_t(words.size()));
  if (!exchange(podcmd::ChipRead)) return lost();
  if (!receiveBlockData(podcmd::ChipChunk, bytes.data(), uint32_t(bytes.size()), gauge))
    return false;
  for (size_t i = 0; i < words.size(); ++i) words[i] = Word(&bytes[2 * i]);
  return true;
}

bool TPodProtocol::ChipReadIdWords(bool shortLayout, uint16_t& id, uint16_t& status) {
  if (!usable()) return false;
  bool ok = false;
  if (shortLayout) {
    // The id with the protect word at chip address 0x80FE.
    put(podcmd::ChipIdShort);
    std::copy(std::begin(podcmd::ChipIdShortBytes), std::end(podcmd::ChipIdShortBytes),
              PodIoBuffer.begin());
    ok = exchange(podcmd::ChipIdShort);
  } else {
    put(podcmd::ChipIdLong);
    ok = exchange(podcmd::ChipIdLong);
  }
  if (!ok) return lost();
  id = Word(&PodIoBuffer[0]);
  status = Word(&PodIoBuffer[2]);
  return true;
}

bool TPodProtocol::ChipStartOperation(TChipOperation type) {
  if (!usable()) return false;
  put(podcmd::ChipOperation);
  PodIoBuffer[1] = uint8_t(type);
  return exchange(podcmd::ChipOperation) || lost();
}

bool TPodProtocol::ChipReadStatus(TWriterStatus& status) {
  if (!usable()) return false;
  put(podcmd::ChipStatus);
  if (!exchange(podcmd::ChipStatus)) return lost();
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
  put(podcmd::ChipCalibration);
  if (!exchange(podcmd::ChipCalibration)) return lost();
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
  put(podcmd::ChipCalibratedOperation);
  PodIoBuffer[2] = flags;
  return exchange(podcmd::ChipCalibratedOperation) || lost();
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
