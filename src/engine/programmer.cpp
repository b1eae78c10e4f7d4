// The stand-alone programmer ("writer"): its image memory, the chip
// operations it runs from that image, its status, identity, calibration and
// display, and the download of an image file with its verification. The
// commands go through the writer seam (engine/writer_access.h); over the
// parallel port the chip is programmed directly through its lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/clock.h"
#include "base/dialogs.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {

constexpr int kReadyTimeoutMs = 5000;
constexpr int kReadyPollMs = 10;
constexpr int kFirstStatusWaitMs = 3000;
constexpr int kStatusPollMs = 100;
// A chip operation still busy after this long has failed (254). The first
// status read comes after 3 s; slow operations are polled on until then.
constexpr int kStatusBoundMs = 60000;
constexpr int kLcdClearMs = 75;

// Writer image addresses (bytes).
constexpr uint32_t kStatusInReadback = 224;  // where the status words land in InfoReadback
constexpr uint32_t kChecksumInReadback = 246;
constexpr uint32_t kChunkWords = 128;
constexpr uint32_t kLongHeaderBlock = 256;  // the long header goes in three blocks of this many words
namespace wa = writeraddr;
// The record fills the image memory's end and holds the status words.
static_assert(wa::StatusWords == wa::Record + 2 * (recordword::Start - recordword::First));
static_assert(wa::Record + 2 * wa::RecordWords == wa::MemoryBytes);
static_assert(wa::RecordWords == uint32_t(recordword::Count));
static_assert(wa::LongHeaderWords == uint32_t(TInfoBlock::kPodWords));

// Display.
constexpr uint8_t kLcdClear = 0x01, kLcdCursor = 0x80, kLcdSecondLine = 0x40;
constexpr int kLcdColumns = 16;

// Direct chip access: command words (bit 15 the information area, bits
// 14..1 the byte address, bit 0 write).
constexpr uint16_t kChipProgram = 0x0001, kChipRead = 0x0000;
constexpr uint16_t kChipWriteProtect = 0x80FF, kChipReadProtect = 0x80FE;
constexpr uint16_t kInfoAreaBit = 0x8000;
constexpr uint16_t kUnprotected = 0x0800;  // bit 11 of the protect word set: not protected

bool Parallel() {
  const int i = Modes().IceInterfaceIndex;
  return i >= 1 && i <= 3;
}

bool Usb() { return Modes().IceInterfaceIndex == 4; }

std::string Hex4(uint16_t v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04X", v);
  return b;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

TWriterAccess* TKy_UP::writer() { return pod_->Writer(); }

// ---------------------------------------------------------------------------
// Image memory
// ---------------------------------------------------------------------------

bool TKy_UP::WriterIsBusy(uint8_t& status) {
  TWriterAccess* w = writer();
  return w && w->WriterPollBusy(status);
}

bool TKy_UP::WriterFinish() {
  TWriterAccess* w = writer();
  return w && w->WriterFinishWrite();
}

bool TKy_UP::WriterWaitReady() {
  const auto start = Clock().now();
  for (;;) {
    uint8_t s = 0;
    if (!WriterIsBusy(s) || !(s & 1)) break;  // a failed poll ends the wait
    if (ElapsedMs(start) > kReadyTimeoutMs) return false;
    PumpingWait(kReadyPollMs);
  }
  return WriterFinish();
}

bool TKy_UP::WriterWriteChunk(uint32_t w, uint32_t n) {
  TWriterAccess* wr = writer();
  if (!wr || uint64_t(w) + n > uint64_t(TTargetState::kProgramCells)) return false;
  std::vector<uint16_t> words(n);
  for (uint32_t i = 0; i < n; ++i) words[i] = state_.Cell(w + i).Opcode;
  return wr->WriterWriteBlock(2 * w, words);
}

bool TKy_UP::writeInfoWords(uint32_t address, std::span<const uint16_t> area, uint32_t n,
                            uint32_t start) {
  TWriterAccess* w = writer();
  if (!w || uint64_t(start) + n > area.size()) return false;
  return w->WriterWriteBlock(address, area.subspan(start, n));
}

bool TKy_UP::WriterWriteInfo(uint32_t address, uint32_t n, uint32_t start) {
  return writeInfoWords(address, Info.Layout(Chip()), n, start);
}

bool TKy_UP::WriterWriteRecord(uint32_t address, uint32_t n, uint32_t start) {
  return writeInfoWords(address, Info.InfoBlock, n, start);
}

bool TKy_UP::WriterReadImage(uint32_t w, uint32_t n, const TGauge& gauge) {
  TWriterAccess* wr = writer();
  if (!wr || uint64_t(w) + n > uint64_t(TTargetState::kProgramCells)) return false;
  std::vector<uint16_t> words(n);
  if (!wr->WriterReadBlock(2 * w, words, gauge)) return false;
  for (uint32_t i = 0; i < n; ++i) state_.Cell(w + i).PodWord = words[i];
  return true;
}

bool TKy_UP::WriterReadChunk(uint32_t address, uint32_t n, uint32_t start) {
  TWriterAccess* w = writer();
  if (!w || uint64_t(start) + n > Info.InfoReadback.size()) return false;
  return w->WriterReadBlock(address, std::span(Info.InfoReadback).subspan(start, n), {});
}

bool TKy_UP::WriterReadFlashInfo(uint16_t& x, uint16_t& y, uint16_t& z) {
  if (!WriterReadChunk(wa::StatusWords, 3, kStatusInReadback)) return false;
  x = Info.InfoReadback[kStatusInReadback];
  z = Info.InfoReadback[kStatusInReadback + 1];
  y = Info.InfoReadback[kStatusInReadback + 2];
  return true;
}

bool TKy_UP::WriterReadFlashWord(uint16_t& v) {
  if (!WriterReadChunk(wa::ChecksumWord, 1, kChecksumInReadback)) return false;
  v = Info.InfoReadback[kChecksumInReadback];
  return true;
}

bool TKy_UP::WriterEraseBlock(uint32_t address) {
  TWriterAccess* w = writer();
  return w && w->WriterEraseSector(address);
}

// ---------------------------------------------------------------------------
// The target chip
// ---------------------------------------------------------------------------

// Direct access: the command must answer the chip's id; a read of the
// program area begins with one filler word.
bool TKy_UP::readChipParallel(uint16_t command, std::span<uint16_t> words, const TGauge& gauge) {
  TWriterAccess* w = writer();
  if (!w || !w->ChipLinesReset()) return false;
  uint16_t in = 0;
  bool ok = w->ChipExchangeBytePair(command, in) && in == Chip().ChipId;
  if (ok && !(command & kInfoAreaBit)) ok = w->ChipExchangeWord(0xFFFF, in);
  for (size_t i = 0; ok && i < words.size(); ++i) {
    ok = w->ChipExchangeWord(0xFFFF, words[i]);
    if (gauge) gauge(int((i + 1) * 100 / words.size()));
  }
  return w->ChipLinesRelease() && ok;
}

bool TKy_UP::ReadChipMemory(const TGauge& gauge, uint32_t w, uint32_t n) {
  TWriterAccess* wr = writer();
  if (!wr || uint64_t(w) + n > uint64_t(TTargetState::kProgramCells)) return false;
  std::vector<uint16_t> words(n);
  const bool ok = Parallel() ? readChipParallel(uint16_t(2 * w), words, gauge)
                             : wr->ChipReadWords(2 * w, words, gauge);
  if (!ok) return false;
  for (uint32_t i = 0; i < n; ++i) state_.Cell(w + i).Opcode = words[i];
  return true;
}

bool TKy_UP::ReadChipInfoBlock(const TGauge& gauge, uint32_t w, uint32_t n) {
  TWriterAccess* wr = writer();
  chipInfoWords_.assign(n, 0);
  if (!wr || n > uint32_t(TTargetState::kProgramCells)) return false;
  const bool shortLayout = Chip().DeviceKind3 == 1;
  const uint32_t address = shortLayout ? 2 * w : ((2 * w - 2) & ~1u);
  if (Parallel() || !wr->ChipReadWords(address, chipInfoWords_, gauge)) return false;
  // Into the chip's information block only as far as it goes.
  const auto layout = Info.Layout(Chip());
  const size_t first = w & 0x0FFF;
  for (size_t i = 0; i < n && first + i < layout.size(); ++i) layout[first + i] = chipInfoWords_[i];
  return true;
}

bool TKy_UP::ReadChipIdWords(uint16_t& a, uint16_t& b) {
  TWriterAccess* w = writer();
  if (!w) return false;
  const bool shortLayout = Chip().DeviceKind3 == 1;
  if (!Parallel()) return w->ChipReadIdWords(shortLayout, a, b);
  if (!shortLayout) return false;
  w->ChipLinesRelease();
  bool ok = w->ChipLinesReset() && w->ChipExchangeBytePair(kChipReadProtect, a) &&
            w->ChipExchangeWord(0xFFFF, b);
  return w->ChipLinesRelease() && ok;
}

bool TKy_UP::WriterReadStatus(TWriterStatus& status) {
  TWriterAccess* w = writer();
  if (!w || !w->ChipReadStatus(status)) return false;
  if (!WriterReadChunk(wa::StatusWords, 3, kStatusInReadback)) return false;
  status.RecordStart = Info.InfoReadback[kStatusInReadback];
  status.RecordWords = Info.InfoReadback[kStatusInReadback + 1];
  status.RecordChipId = Info.InfoReadback[kStatusInReadback + 2];
  return true;
}

uint8_t TKy_UP::ChipOperationWithStatus(const TGauge& gauge, uint32_t n, TChipOperation type) {
  return Parallel() ? chipOperationParallel(gauge, n, type) : chipOperationUsb(gauge, n, type);
}

uint8_t TKy_UP::chipOperationUsb(const TGauge& gauge, uint32_t n, TChipOperation type) {
  TWriterAccess* w = writer();
  if (!w || !w->ChipStartOperation(type)) return chipop::LinkFailed;
  // The gauge starts again: it must not show the end of the operation before.
  if (gauge) gauge(0);
  const auto start = Clock().now();
  PumpingWait(kFirstStatusWaitMs);
  for (;;) {
    TWriterStatus s;
    if (!w->ChipReadStatus(s)) return chipop::LinkFailed;
    if (s.Valid) {
      if (s.Flags & 0x01) return 1;
      if (s.Flags & 0x02) return 2;
      if (s.Flags & 0x04) return 3;
      if (s.Flags & 0x08) {
        if (gauge) gauge(100);
        return chipop::Done;
      }
    }
    if (gauge && n > 0) gauge(int(std::min<uint32_t>(s.Value2, n) * 100 / n));
    if (ElapsedMs(start) > kStatusBoundMs) return chipop::TimedOut;
    PumpingWait(kStatusPollMs);
  }
}

// ---------------------------------------------------------------------------
// Direct programming on the parallel port
// ---------------------------------------------------------------------------

namespace {

enum class TDirect { Ok, Differs, WrongChip, Failed };

// One direct-access session: lines reset, the command (which must answer the
// chip's id), then the words.
class TDirectChip {
 public:
  TDirectChip(TWriterAccess& w, const TGauge& gauge) : w_(w), gauge_(gauge) {}

  TDirect begin(uint16_t command) {
    uint16_t in = 0;
    if (!w_.ChipLinesReset() || !w_.ChipExchangeBytePair(command, in)) return TDirect::Failed;
    last_ = command;
    return in == Chip().ChipId ? TDirect::Ok : TDirect::WrongChip;
  }
  // Each word answers the one sent before it; one more exchange answers the last.
  TDirect write(std::span<const uint16_t> words) {
    uint16_t in = 0;
    for (size_t i = 0; i < words.size(); ++i) {
      if (!w_.ChipExchangeWord(words[i], in)) return TDirect::Failed;
      if (in != last_) return TDirect::Differs;
      last_ = words[i];
      progress(i + 1, words.size());
    }
    if (!w_.ChipExchangeWord(0xFFFF, in)) return TDirect::Failed;
    return in == last_ ? TDirect::Ok : TDirect::Differs;
  }
  // Reads words.size() words (after the program area's filler word) and
  // compares them with `expected`, or with 0xFFFF when it is empty.
  TDirect compare(uint16_t command, std::span<const uint16_t> expected, size_t count) {
    uint16_t in = 0;
    if (!(command & kInfoAreaBit) && !w_.ChipExchangeWord(0xFFFF, in)) return TDirect::Failed;
    for (size_t i = 0; i < count; ++i) {
      if (!w_.ChipExchangeWord(0xFFFF, in)) return TDirect::Failed;
      if (in != (expected.empty() ? 0xFFFF : expected[i])) return TDirect::Differs;
      progress(i + 1, count);
    }
    return TDirect::Ok;
  }

 private:
  void progress(size_t done, size_t n) {
    if (gauge_ && n > 0) gauge_(int(done * 100 / n));
  }
  TWriterAccess& w_;
  const TGauge& gauge_;
  uint16_t last_ = 0;
};

uint8_t DirectResult(TDirect r, uint8_t onFailure) {
  switch (r) {
    case TDirect::Ok: return chipop::Done;
    case TDirect::WrongChip: return chipop::WrongChip;
    case TDirect::Failed: return chipop::LinkFailed;
    default: return onFailure;
  }
}

}  // namespace

uint8_t TKy_UP::chipOperationParallel(const TGauge& gauge, uint32_t n, TChipOperation type) {
  TWriterAccess* w = writer();
  if (!w) return chipop::LinkFailed;
  if (gauge) gauge(0);
  const uint16_t sbm = Chip().SbmAddress;
  const auto& info = Info.InfoBlock;
  // The SBM words of InfoBlock from word SbmAddress on, count words.
  auto sbmWords = [&](int64_t count) {
    const size_t c = size_t(std::clamp<int64_t>(count, 0, int64_t(info.size()) - sbm));
    return std::span<const uint16_t>(info.data() + sbm, c);
  };
  std::vector<uint16_t> program;
  if (type == TChipOperation::Program || type == TChipOperation::Verify) {
    if (n > uint32_t(TTargetState::kProgramCells)) return chipop::LinkFailed;
    for (uint32_t i = 0; i < n; ++i) program.push_back(state_.Cell(i).Opcode);
  }
  TDirectChip chip(*w, gauge);
  // The SBM area: the information area from word SbmAddress, read and written.
  const uint16_t sbmRead = uint16_t(kInfoAreaBit + 2 * sbm);
  const uint16_t sbmWrite = uint16_t(sbmRead | kChipProgram);
  auto run = [&](uint16_t command, auto&& body, uint8_t onFailure) {
    TDirect r = chip.begin(command);
    if (r == TDirect::Ok) r = body();
    return DirectResult(r, onFailure);
  };
  uint8_t result = chipop::LinkFailed;
  switch (type) {
    case TChipOperation::Program:
      result = run(kChipProgram, [&] { return chip.write(program); }, 4);
      break;
    case TChipOperation::ProgramSbm: {
      const auto words = sbmWords(int64_t(n) - sbm - 1);
      result = run(sbmWrite, [&] { return chip.write(words); }, 5);
      break;
    }
    case TChipOperation::Blank:
      result = run(kChipRead, [&] { return chip.compare(kChipRead, {}, n); }, 2);
      break;
    case TChipOperation::BlankSbm: {
      const size_t count = size_t(std::max<int64_t>(int64_t(n) - sbm, 0));
      result = run(sbmRead, [&] { return chip.compare(sbmRead, {}, count); }, 3);
      break;
    }
    case TChipOperation::Verify:
      result = run(kChipRead, [&] { return chip.compare(kChipRead, program, n); }, 6);
      break;
    case TChipOperation::VerifySbm: {
      const auto words = sbmWords(int64_t(n) - sbm - 1);
      result = run(sbmRead, [&] { return chip.compare(sbmRead, words, words.size()); }, 7);
      break;
    }
    case TChipOperation::Protect: {
      // The protect word is written and read back, then read under its own
      // command; a protected chip then reads 0 from its program.
      const std::array<uint16_t, 1> word{info[infoword::Protect]};
      result = run(kChipWriteProtect, [&] { return chip.write(word); }, 8);
      if (result == chipop::Done)
        result = run(kChipReadProtect, [&] { return chip.compare(kChipReadProtect, word, 1); }, 8);
      const std::array<uint16_t, 1> zero{0};
      if (result == chipop::Done && !(word[0] & kUnprotected))
        result = run(kChipRead, [&] { return chip.compare(kChipRead, zero, 1); }, 8);
      break;
    }
  }
  w->ChipLinesRelease();
  return result;
}

// ---------------------------------------------------------------------------
// Identity, calibration, settings, lock and display
// ---------------------------------------------------------------------------

bool TKy_UP::WriterCheckIdentity() {
  TWriterAccess* w = writer();
  return w && w->WriterCheckIdentity();
}

bool TKy_UP::WriterIdentityEnabled() { return WriterCheckIdentity() && Chip().ExtendedDevice == 1; }

TWriterCalibration TKy_UP::WriterReadCalibration() {
  TWriterCalibration c;
  TWriterAccess* w = writer();
  if (!w || !w->ChipReadCalibration(c)) {
    c = TWriterCalibration{};  // a link failure is never a calibration result
    return c;
  }
  c.Answered = true;
  return c;
}

bool TKy_UP::WriterWriteSetting(uint16_t value) {
  TWriterAccess* w = writer();
  return WriterCheckIdentity() && w->WriterSendSetting(value);
}

bool TKy_UP::WriterSendCalibration(const TCalibrationBytes& bytes) {
  TWriterAccess* w = writer();
  return w && w->WriterSendCalibrationBlock(0, bytes) && w->WriterSendCalibrationBlock(1, bytes);
}

bool TKy_UP::WriterCalibratedProtect(uint8_t flags) {
  TWriterAccess* w = writer();
  return w && w->ChipCalibratedOperation(flags);
}

bool TKy_UP::PodLock(uint8_t mode) {
  TWriterAccess* w = writer();
  return w && w->WriterLock(mode);
}

bool TKy_UP::PodLcdCommand(uint8_t code) {
  TWriterAccess* w = writer();
  return w && w->WriterDisplayCommand(code);
}

bool TKy_UP::PodLcdClear() {
  const bool ok = PodLcdCommand(kLcdClear);
  PumpingWait(kLcdClearMs);
  return ok;
}

bool TKy_UP::PodLcdWriteText(uint8_t pos, const std::string& text) {
  TWriterAccess* w = writer();
  if (!w) return false;
  const bool second = pos & kLcdSecondLine;
  // A column past the line is clamped to its last place.
  const int column = std::min<int>(pos & 0x3F, kLcdColumns - 1);
  if (!PodLcdCommand(uint8_t(kLcdCursor | (second ? kLcdSecondLine : 0) | column))) return false;
  const size_t room = size_t(kLcdColumns - column);
  const std::string here = text.substr(0, std::min(text.size(), room));
  bool ok = here.empty() || w->WriterDisplayText(here);
  if (second || text.size() <= room) return ok;
  // The rest of a first-line text goes on at the start of the second line.
  return ok && PodLcdCommand(kLcdCursor | kLcdSecondLine) &&
         w->WriterDisplayText(text.substr(room, size_t(kLcdColumns)));
}

// ---------------------------------------------------------------------------
// Image download
// ---------------------------------------------------------------------------

// The image file: `bytes` of program words (high byte first) into the
// cells' Opcode, then the header into InfoBlock (short layout, 128-word
// header of 512 bytes) or InfoBlockAlt (1536 bytes), up to the end of the file.
bool TKy_UP::readImageFile(const std::string& path, uint32_t bytes, bool shortLayout) {
  std::vector<uint8_t> file;
  if (!ReadFile(path, file)) return false;
  const uint32_t words = bytes / 2;
  if (words > uint32_t(TTargetState::kProgramCells)) return false;
  const int64_t header = shortLayout ? 512 : 1536;
  if (int64_t(file.size()) - header >= 0 && int64_t(file.size()) - header > int64_t(bytes))
    return false;
  for (uint32_t i = 0; i < words && 2 * size_t(i) + 1 < file.size(); ++i)
    state_.Cell(i).Opcode = uint16_t(file[2 * i] << 8 | file[2 * i + 1]);
  std::span<uint16_t> area = shortLayout ? std::span<uint16_t>(Info.InfoBlock)
                                         : std::span<uint16_t>(Info.InfoBlockAlt);
  TInfoBlockBuilder::PutTemplate(area, file, words, 0, int(header / 2) - 1);
  return true;
}

bool TKy_UP::downloadProgramPart(uint32_t words) {
  for (uint32_t o = 0; o < words; o += kChunkWords) {
    if (o > 0 && !WriterWaitReady()) return false;
    if (!WriterWriteChunk(o, std::min(kChunkWords, words - o))) return false;
    EEBar()(int((uint64_t(o) * 100 + 12800) / words));
  }
  return true;
}

bool TKy_UP::downloadHeader(bool shortLayout, uint16_t& blockCrc) {
  if (!WriterWaitReady()) return false;
  if (shortLayout) {
    if (!writeInfoWords(wa::ShortHeader, Info.InfoBlock, wa::ShortHeaderWords, 0)) return false;
    blockCrc = 0;
    for (uint32_t i = 0; i < wa::ShortHeaderWords; ++i)
      blockCrc = ImageCrc16Word(Info.InfoBlock[i], blockCrc);
    return true;
  }
  for (uint32_t o = 0; o < wa::LongHeaderWords; o += kLongHeaderBlock) {
    if (o > 0 && !WriterWaitReady()) return false;
    if (!writeInfoWords(wa::LongHeader + 2 * o, Info.InfoBlockAlt, kLongHeaderBlock, o)) return false;
  }
  return true;
}

// The program part read back into the cells' PodWord and compared with
// their Opcode; the first difference is kept for the caller's message.
bool TKy_UP::verifyProgramPart(uint32_t words, TWriterDownloadResult& result) {
  if (!WriterReadImage(0, words, EEBar())) return false;
  for (uint32_t i = 0; i < words; ++i) {
    const TProgramCell& c = state_.Cell(i);
    if (c.Opcode == c.PodWord) continue;
    result.DownloadFailIndex = int(i);
    result.DownloadFailWritten = Hex4(c.Opcode);
    result.DownloadFailRead = Hex4(c.PodWord);
    return false;
  }
  return true;
}

// The long header read back and compared with the information block: a
// program part that ran into it would otherwise leave the writer a header
// the chip operations then program (a protected chip that reads 0).
bool TKy_UP::verifyLongHeader() {
  TWriterAccess* w = writer();
  std::vector<uint16_t> back(wa::LongHeaderWords);
  return w && w->WriterReadBlock(wa::LongHeader, back, {}) &&
         std::equal(back.begin(), back.end(), Info.InfoBlockAlt.begin());
}

bool TKy_UP::verifyDownload(uint32_t words, bool shortLayout, uint16_t blockCrc,
                            TWriterDownloadResult& result) {
  if (!WriterWaitReady() || !verifyProgramPart(words, result)) return false;
  const auto& b = Info.InfoBlock;
  const auto& back = Info.InfoReadback;
  if (shortLayout) {
    if (!WriterReadChunk(wa::ShortHeader, wa::ShortHeaderWords, 0) ||
        !std::equal(b.begin(), b.begin() + wa::ShortHeaderWords, back.begin()))
      return false;
    result.CodeChecksum = back[infoword::CodeChecksum];
    WriterWriteSetting(blockCrc);
  } else if (!verifyLongHeader()) {
    return false;
  }
  namespace r = recordword;
  return WriterReadChunk(wa::Record, r::Count, r::First) &&
         std::equal(b.begin() + r::First, b.begin() + r::First + r::Count, back.begin() + r::First);
}

bool WriterImageFits(uint32_t programBytes, bool shortHeader) {
  const uint32_t header = shortHeader ? wa::ShortHeader : wa::LongHeader;
  const uint32_t headerWords = shortHeader ? wa::ShortHeaderWords : wa::LongHeaderWords;
  return programBytes <= header && header + 2 * headerWords <= wa::Record;
}

bool TKy_UP::downloadsShortHeader(bool protect) const { return protect || Chip().DeviceKind3 == 1; }

bool TKy_UP::WriterImageFits(uint32_t programBytes, bool protect) const {
  return kyvor::WriterImageFits(programBytes, downloadsShortHeader(protect));
}

TWriterDownloadResult TKy_UP::downloadImage(const TWriterDownload& d, bool protect) {
  TWriterDownloadResult result;
  result.CodeChecksum = d.CodeChecksum;
  const bool shortLayout = downloadsShortHeader(protect);
  // The writer is not touched for an image it cannot keep whole.
  if (Usb() && !WriterImageFits(d.Bytes, protect)) return result;
  if (Usb()) WriterCheckIdentity();  // the writer's answer is not used here
  if (!readImageFile(d.Path, d.Bytes, shortLayout)) return result;
  auto& b = Info.InfoBlock;
  TCalibrationBytes kept{};
  if (protect) {
    askProtection(result.Notes);
    for (int k = 0; k < 21; ++k) {
      kept[size_t(2 * k)] = uint8_t(b[size_t(infoword::Calibration + k)] >> 8);
      kept[size_t(2 * k + 1)] = uint8_t(b[size_t(infoword::Calibration + k)]);
    }
  }
  if (!Usb()) {
    result.Ok = true;
    return result;
  }
  ShowGauge(true);
  EEBar()(0);
  const uint32_t words = d.Bytes / 2;
  uint16_t blockCrc = 0;
  if (!WriterWaitReady() || !downloadProgramPart(words) || !downloadHeader(shortLayout, blockCrc))
    return result;
  result.BlockCrc = blockCrc;
  TDownloadRecord record{d.Path, uint16_t(words), protect ? b[infoword::ChipId] : d.ChipId,
                         d.SbmAddress, d.CodeChecksum, blockCrc, shortLayout};
  TInfoBlockBuilder(Info, Chip(), Options()).PutDownloadRecord(record);
  if (!WriterWaitReady() || !WriterWriteRecord(wa::Record, recordword::Count, recordword::First) ||
      !verifyDownload(words, shortLayout, blockCrc, result))
    return result;
  // The record went over the header's words 128..255: the file gives them back.
  if (!readImageFile(d.Path, d.Bytes, shortLayout)) return result;
  result.Ok = !protect || sendKeptCalibration(kept);
  return result;
}

// An image whose protect word leaves it unprotected: the user says whether
// the writer protects it.
void TKy_UP::askProtection(std::vector<std::string>& notes) {
  uint16_t& word = Info.InfoBlock[infoword::Protect];
  const char* const kProtected = "Program had been protected !!";
  if (!(word & kUnprotected)) {
    notes.push_back(kProtected);
    return;
  }
  const MsgResult answer = Dialogs().messageBox(LangTextUtf8(lt::ProtectSourceQuestion),
                                                "Warning", MsgIcon::Warning, MbYes | MbNo);
  if (answer == MsgResult::Yes) {
    word = uint16_t(word & ~kUnprotected);
    notes.push_back(kProtected);
  } else {
    notes.push_back("Program hadn't been protected !!");
  }
}

// The calibration words of the header, two 32-bit values turned from one
// byte order to the other, the last ten bytes 0.
bool TKy_UP::sendKeptCalibration(const TCalibrationBytes& k) {
  static constexpr int kOrder[12] = {0, 1, 5, 4, 3, 2, 6, 7, 11, 10, 9, 8};
  TCalibrationBytes out{};
  for (int i = 0; i < 12; ++i) out[size_t(i)] = k[size_t(kOrder[i])];
  for (int i = 12; i < 42; ++i) out[size_t(i)] = k[size_t(i)];
  TWriterAccess* w = writer();
  return w && w->WriterSendCalibrationBlock(0, out);
}

TWriterDownloadResult TKy_UP::WriterDownloadImage(const TWriterDownload& download) {
  return downloadImage(download, false);
}

TWriterDownloadResult TKy_UP::WriterDownloadAndProtect(const TWriterDownload& download) {
  return downloadImage(download, true);
}

}  // namespace kyvor
