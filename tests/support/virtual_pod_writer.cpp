#include "support/virtual_pod_writer.h"

#include <algorithm>
#include <chrono>

#include "chip/chipconfig.h"
#include "link/pod_command_set.h"
#include "support/virtual_pod.h"

namespace kyvor::test {

namespace {

using podcmd::Ack;
using podcmd::BlockAck;
namespace pc = podcmd;
constexpr size_t kFlashBytes = 0x10000;
constexpr size_t kChipProgramWords = 32768;
constexpr size_t kChipInfoWords = 1024;

// The erase sectors of the image memory: start and size.
constexpr std::array<std::pair<uint32_t, uint32_t>, 6> kSectors = {{
    {0x0000, 0x1000}, {0x1000, 0x2000}, {0x3000, 0x1000},
    {0x4000, 0x3000}, {0x7000, 0x8000}, {0xF000, 0x1000},
}};

// Flags of the status reply.
constexpr uint8_t kKind1 = 0x01, kKind2 = 0x02, kKind3 = 0x04, kDone = 0x08, kVpp = 0x10,
                  kVdd = 0x20;

// Image addresses (bytes).
constexpr uint32_t kShortHeader = 0x8000, kLongHeader = 0x4000;
constexpr uint32_t kRecordWords = 0xFFE2;  // download-record word 241
// The second family reads its information area from byte address 0x27FE on.
constexpr uint32_t kLongInfoRead = 0x27FE;

uint32_t Be24(const uint8_t* b) { return uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2]; }

}  // namespace

// ---------------------------------------------------------------------------
// The chip
// ---------------------------------------------------------------------------

TVirtualChip::TVirtualChip() : Program(kChipProgramWords, 0xFFFF), Info(kChipInfoWords, 0xFFFF) {}

bool TVirtualChip::ShortLayout() { return Chip().DeviceKind3 == 1; }

uint16_t TVirtualChip::AnsweredId() const { return IdFromChip ? Chip().ChipId : Id; }

int TVirtualChip::ProtectIndex() { return ShortLayout() ? 127 : 767; }

bool TVirtualChip::Blank() const {
  auto blank = [](const std::vector<uint16_t>& v) {
    return std::all_of(v.begin(), v.end(), [](uint16_t w) { return w == 0xFFFF; });
  };
  return blank(Program) && blank(Info);
}

uint16_t TVirtualChip::word(bool info, uint32_t at) const {
  if (info) return at < Info.size() ? Info[at] : 0xFFFF;
  if (Protected()) return 0;
  return at < Program.size() ? Program[at] : 0xFFFF;
}

void TVirtualChip::program(bool info, uint32_t at, uint16_t value) {
  if (info) {
    if (at < Info.size()) Info[at] &= value;
  } else if (!Protected() && at < Program.size()) {
    Program[at] &= value;
  }
}

void TVirtualChip::DirectReset() {
  state_ = TState::Command;
  latch_ = AnsweredId();
}

void TVirtualChip::DirectWord(uint16_t w) {
  switch (state_) {
    case TState::Command:
      ++DirectCommands;
      info_ = w & 0x8000;
      at_ = (w & 0x7FFE) >> 1;
      if (w & 1) {
        state_ = TState::Write;
        latch_ = w;  // the first data word answers with the command
      } else {
        state_ = TState::Read;
        latch_ = info_ ? word(true, at_++) : 0xFFFF;  // the program area's filler word
      }
      return;
    case TState::Write:
      program(info_, at_, w);
      latch_ = word(info_, at_++);
      return;
    case TState::Read: latch_ = word(info_, at_++); return;
  }
}

// ---------------------------------------------------------------------------
// The writer
// ---------------------------------------------------------------------------

TVirtualWriter::TVirtualWriter() : Flash(kFlashBytes, 0xFF) {}

uint16_t TVirtualWriter::FlashWord(uint32_t a) const {
  return uint16_t(Flash[a & 0xFFFF] << 8 | Flash[(a + 1) & 0xFFFF]);
}

std::vector<uint16_t> TVirtualWriter::FlashWords(uint32_t a, size_t n) const {
  std::vector<uint16_t> v;
  for (size_t i = 0; i < n; ++i) v.push_back(FlashWord(a + 2 * uint32_t(i)));
  return v;
}

std::string TVirtualWriter::DisplayLine(int line) const {
  std::string s = lcd_[size_t(line & 1)];
  s.resize(16, ' ');
  return s;
}

std::pair<uint32_t, uint32_t> TVirtualWriter::Sector(uint32_t address) {
  address &= 0xFFFF;
  for (const auto& s : kSectors)
    if (address >= s.first && address < s.first + s.second) return s;
  return kSectors.back();
}

void TVirtualWriter::Erase(uint32_t address) {
  const auto [start, size] = Sector(address);
  std::fill(Flash.begin() + start, Flash.begin() + start + size, 0xFF);
  Erased.push_back(start);
  StartBusy();
}

uint8_t TVirtualWriter::PollBusy() {
  const bool busy = Busy();
  if (busy_ > 0) --busy_;
  return busy ? 0x01 : 0x00;
}

void TVirtualWriter::Display(uint8_t code) {
  if (code == 0x01) {
    lcd_ = {std::string(16, ' '), std::string(16, ' ')};
    line_ = column_ = 0;
  } else if (code & 0x80) {
    line_ = (code & 0x40) ? 1 : 0;
    column_ = code & 0x3F;
  }
}

void TVirtualWriter::DisplayChar(char c) {
  std::string& l = lcd_[size_t(line_)];
  l.resize(16, ' ');
  if (column_ < 16) l[size_t(column_)] = c;
  ++column_;
}

uint16_t TVirtualWriter::ReadChipWord(bool info, uint32_t at) const {
  if (info) return at < Chip.Info.size() ? Chip.Info[at] : 0xFFFF;
  if (Chip.Protected()) return 0;
  return at < Chip.Program.size() ? Chip.Program[at] : 0xFFFF;
}

uint32_t TVirtualWriter::recordWords() const {
  return std::min<uint32_t>(FlashWord(kRecordWords), uint32_t(Chip.Program.size()));
}

void TVirtualWriter::fail(uint8_t kind, uint32_t address) {
  flags_ = kind;
  errorAddress_ = uint16_t(address);
}

bool TVirtualWriter::failProgramming() {
  if (Faults.Vpp) flags_ = kKind1 | kVpp;
  else if (Faults.Vdd) flags_ = kKind1 | kVdd;
  else return false;
  errorAddress_ = 0;
  return true;
}

// The operation's effect on the chip happens at once; its result is
// reported when it has run for OperationMs.
void TVirtualWriter::runOperation(int type) {
  flags_ = kDone;
  errorAddress_ = 0;
  const bool shortLayout = TVirtualChip::ShortLayout();
  const uint32_t header = shortLayout ? kShortHeader : kLongHeader;
  const uint32_t headerWords = shortLayout ? 128 : 768;
  const uint32_t protect = uint32_t(TVirtualChip::ProtectIndex());
  const uint32_t n = recordWords();
  const auto image = [&](uint32_t i) { return FlashWord(2 * i); };
  const auto head = [&](uint32_t k) { return FlashWord(header + 2 * k); };
  const bool programming = type == 0 || type == 1 || type == 6;
  if (programming && failProgramming()) return;
  switch (type) {
    case 0:  // program
      if (Chip.Protected()) return fail(kKind1, 0);
      for (uint32_t i = 0; i < n; ++i) {
        if (int(i) == Faults.ErrorAddress) return fail(kKind1, i);
        Chip.Program[i] &= image(i);
        if (Chip.Program[i] != image(i)) return fail(kKind1, i);
      }
      return;
    case 1:  // program the SBM area
      for (uint32_t k = 0; k < headerWords; ++k) {
        if (k == protect) continue;
        Chip.Info[k] &= head(k);
        if (Chip.Info[k] != head(k)) return fail(kKind1, k);
      }
      return;
    case 2:  // blank check
      for (uint32_t i = 0; i < n; ++i)
        if (int(i) == Faults.ErrorAddress || Chip.Program[i] != 0xFFFF) return fail(kKind2, i);
      return;
    case 3:
      for (uint32_t k = 0; k < headerWords; ++k)
        if (Chip.Info[k] != 0xFFFF) return fail(kKind2, k);
      return;
    case 4:  // verify
      for (uint32_t i = 0; i < n; ++i)
        if (int(i) == Faults.ErrorAddress || ReadChipWord(false, i) != image(i))
          return fail(kKind3, i);
      return;
    case 5:
      for (uint32_t k = 0; k < headerWords; ++k)
        if (k != protect && Chip.Info[k] != head(k)) return fail(kKind3, k);
      return;
    case 6: Chip.Info[protect] &= head(protect); return;
    default: flags_ = 0; return;
  }
}

void TVirtualWriter::StartOperation(int type) {
  Operations.push_back(type);
  runOperation(type);
  running_ = true;
  started_ = Clock().now();
}

std::array<uint8_t, 10> TVirtualWriter::StatusReply() const {
  std::array<uint8_t, 10> r{};
  const long long elapsed = ElapsedMs(started_);
  const bool stillRunning = running_ && (OperationMs < 0 || elapsed < OperationMs);
  if (stillRunning) {
    // No flags yet; bytes 5-6 count the words done.
    const uint32_t n = recordWords();
    const uint32_t done = OperationMs > 0 ? uint32_t(uint64_t(n) * uint64_t(elapsed) / uint64_t(OperationMs)) : 0;
    r[5] = uint8_t(done >> 8);
    r[6] = uint8_t(done);
    return r;
  }
  r[2] = flags_;
  r[3] = uint8_t(errorAddress_ >> 8);
  r[4] = uint8_t(errorAddress_);
  return r;
}

// ---------------------------------------------------------------------------
// The writer's commands on the pod's wire
// ---------------------------------------------------------------------------

bool TVirtualPod::writerCommand(const uint8_t* p, size_t n) {
  TVirtualWriter& w = Writer;
  switch (p[0]) {
    case pc::ImageWrite.Code: {
      if (!need(p, n, 8)) return true;
      const bool write = p[1] == pc::ImageWrite.Sub;
      if (!write && p[1] != pc::ImageRead.Sub)
        violation("unknown command AA " + std::to_string(p[1]));
      if (w.Busy()) violation("image memory access while the writer is busy");
      blockAddress_ = Be24(p + 2);
      blockRest_ = Be24(p + 5);
      block_ = blockRest_ == 0 ? TBlock::None : (write ? TBlock::ImageWrite : TBlock::ImageRead);
      reply({BlockAck}, true);
      return true;
    }
    case pc::EraseSector.Code: {
      if (!need(p, n, 8)) return true;
      if (p[1] == pc::EraseSector.Sub) {
        if (p[5] || p[6] || p[7]) violation("erase with bytes after the address");
        if (w.Busy()) violation("erase while the writer is busy");
        w.Erase(Be24(p + 2));
        reply({Ack, 0, 0}, true);
      } else if (p[1] == pc::PollBusy.Sub) {
        if (p[2] || p[3] || p[4] || p[5] || p[6] || p[7] != 1) violation("busy poll bytes");
        reply({w.PollBusy()}, false);
      } else if (p[1] == pc::FinishWrite.Sub) {
        if (std::any_of(p + 2, p + 8, [](uint8_t b) { return b != 0; }))
          violation("finish with bytes that are not zero");
        reply({Ack, 0, 0}, true);
      } else {
        violation("unknown command AC " + std::to_string(p[1]));
      }
      return true;
    }
    case pc::ChipIdShort.Code: {
      if (!need(p, n, 7)) return true;
      if (!std::equal(p, p + 7, pc::ChipIdShortBytes)) violation("chip id request bytes");
      const uint16_t id = w.Chip.AnsweredId(), st = w.Chip.ProtectWord();
      reply({uint8_t(id >> 8), uint8_t(id), uint8_t(st >> 8), uint8_t(st), 0, 0, 0, 0}, false);
      return true;
    }
    case pc::ChipIdLong.Code: {
      if (!need(p, n, 1)) return true;
      const uint16_t id = w.Chip.AnsweredId(), st = w.Chip.ProtectWord();
      reply({uint8_t(id >> 8), uint8_t(id), uint8_t(st >> 8), uint8_t(st)}, false);
      return true;
    }
    case pc::ChipRead.Code: {
      if (!need(p, n, 7)) return true;
      const uint32_t a = uint32_t(p[2]) << 8 | p[3];
      const bool shortLayout = TVirtualChip::ShortLayout();
      chipInfo_ = shortLayout ? (a & 0x8000) != 0 : a >= kLongInfoRead;
      blockAddress_ = chipInfo_ ? (shortLayout ? (a & 0x7FFF) : a - kLongInfoRead) : a;
      blockRest_ = 2 * Be24(p + 4);
      block_ = blockRest_ == 0 ? TBlock::None : TBlock::ChipRead;
      reply({BlockAck, 0, 0, 0, 0}, false);
      return true;
    }
    case pc::ChipOperationCode: chipOperationCommand(p, n); return true;
    case pc::Display.Code: {
      if (p[1] == pc::DisplayText.Sub) {
        const size_t m = p[2];
        if (!need(p, n, 3 + m)) return true;
        for (size_t i = 0; i < m; ++i) w.DisplayChar(char(p[3 + i]));
        std::vector<uint8_t> out(3 + m, 0);
        out[0] = BlockAck;
        reply(out, true);
        return true;
      }
      if (!need(p, n, 4)) return true;
      if (p[1] || p[2]) violation("display command bytes");
      w.Display(p[3]);
      reply({BlockAck, 0, 0, 0}, true);
      return true;
    }
    case pc::Setting.Code: {
      if (!need(p, n, 7)) return true;
      if (!std::equal(p, p + 5, pc::SettingBytes)) violation("setting bytes");
      w.Settings.push_back(uint16_t(p[5] | p[6] << 8));
      reply({Ack}, true);
      return true;
    }
    default: return false;
  }
}

void TVirtualPod::chipOperationCommand(const uint8_t* p, size_t n) {
  TVirtualWriter& w = Writer;
  if (!need(p, n, p[1] == pc::ChipCalibratedOperation.Sub ? 3 : 2)) return;
  std::array<uint8_t, 10> r{};
  if (p[1] <= 6) {
    w.StartOperation(p[1]);
  } else if (p[1] == pc::ChipStatus.Sub) {
    r = w.StatusReply();
  } else if (p[1] == pc::ChipCalibration.Sub) {
    const auto& c = w.Calibration;
    r = {0, c.Result, 0, c.P, c.Flags, c.Count, uint8_t(c.Value), uint8_t(c.Value >> 8),
         uint8_t(c.Value >> 16), uint8_t(c.Value >> 24)};
  } else if (p[1] == pc::ChipCalibratedOperation.Sub) {
    w.CalibratedOperations.push_back(p[2]);
  } else {
    violation("unknown command B8 " + std::to_string(p[1]));
  }
  reply(std::vector<uint8_t>(r.begin(), r.end()), false);
}

bool TVirtualPod::writerInfoCommand(const uint8_t* p, size_t n) {
  TVirtualWriter& w = Writer;
  switch (p[1]) {
    case pc::WriterIdentity.Sub: {
      if (!need(p, n, 2)) return true;
      std::string id = w.Faults.NoIdentity ? std::string("????") : w.Identity;
      id.resize(8, '\0');
      reply(std::vector<uint8_t>(id.begin(), id.end()), false);
      return true;
    }
    case pc::Lock.Sub: {
      if (!need(p, n, 3)) return true;
      ++w.LockCommands;
      const bool refused = w.Faults.LockRefused;
      if (!refused) w.Locked = p[2] == 1;
      reply({uint8_t(w.Faults.LockedElsewhere ? pc::LockedElsewhere : Ack),
             uint8_t(refused ? 1 : 0), 0, 0, 0, 0, 0, 0},
            !w.Faults.LockedElsewhere);
      return true;
    }
    case pc::CalibrationBlock.Sub: {
      if (!need(p, n, 64)) return true;
      w.CalibrationPackets.emplace_back(p, p + 64);
      reply(std::vector<uint8_t>(64, 0), false);
      return true;
    }
    default: return false;
  }
}

// One data packet of an image write: bytes programmed into the flash.
void TVirtualPod::imageData(const uint8_t* p, size_t n) {
  const size_t len = std::min<size_t>(blockRest_, chunk());
  if (!need(p, n, len)) return;
  for (size_t i = 0; i < len; ++i) Writer.WriteFlash(blockAddress_ + uint32_t(i), p[i]);
  blockAddress_ += uint32_t(len);
  blockRest_ -= uint32_t(len);
  if (blockRest_ == 0) {
    block_ = TBlock::None;
    Writer.StartBusy();
  }
  reply({Ack, 0, 0}, true);
}

uint8_t TVirtualPod::writerByte(uint32_t offset) const {
  if (block_ == TBlock::ImageRead) return Writer.Flash[offset & 0xFFFF];
  const uint16_t w = Writer.ReadChipWord(chipInfo_, offset / 2);
  return (offset & 1) ? uint8_t(w) : uint8_t(w >> 8);
}

// ---------------------------------------------------------------------------
// The chip on the parallel lines
// ---------------------------------------------------------------------------

bool TVirtualChipLines::WriteData(uint8_t value) {
  const bool was = (data_ & 0x03) == 0x03;
  data_ = value;
  if ((value & 0x03) == 0x03 && !was) {
    chip_.DirectReset();
    bit_ = 0;
    in_ = 0;
  }
  return true;
}

bool TVirtualChipLines::ReadData(uint8_t& value) {
  value = data_;
  return true;
}

bool TVirtualChipLines::WriteControl(uint8_t value) {
  const bool rising = !(control_ & 0x08) && (value & 0x08);
  control_ = value;
  if (!rising || (data_ & 0x03) != 0x03) return true;
  in_ = uint16_t(in_ << 1 | (value & 1));
  status_ = uint8_t(((chip_.DirectLatch() >> (15 - bit_)) & 1) << 6);
  if (++bit_ == 16) {
    chip_.DirectWord(in_);
    ++Exchanges;
    bit_ = 0;
    in_ = 0;
  }
  return true;
}

bool TVirtualChipLines::ReadControl(uint8_t& value) {
  value = control_;
  return true;
}

bool TVirtualChipLines::ReadStatus(uint8_t& value) {
  value = status_;
  return true;
}

}  // namespace kyvor::test
