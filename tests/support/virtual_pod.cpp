#include "support/virtual_pod.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "base/clock.h"
#include "chip/chipconfig.h"
#include "link/pod_command_set.h"
#include "link/pod_protocol.h"

namespace kyvor::test {

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
    s += b;
  }
  return s;
}

namespace {

using podcmd::Ack;
using podcmd::BlockAck;
namespace pc = podcmd;
constexpr uint8_t kWrongAck = 0x5A;
constexpr uint32_t kTables = 0x1000;
constexpr uint32_t kProgramWords = 0x10000;

// The pod tables, as byte addresses.
constexpr uint32_t kBreakpoints = 0x1000, kHistory = 0x1030, kStepCount = 0x1060, kCycles = 0x1061,
                   kChipId = 0x1065, kPc = 0x106B, kVariant = 0x106E;

std::string Hex(const std::vector<uint8_t>& bytes) { return HexBytes(bytes); }

uint32_t HeaderAddress(const uint8_t* h) {
  return (((uint32_t(h[0]) & 0x3F) << 16 | uint32_t(h[1]) << 8 | h[2]) >> 1);
}

uint32_t Length(const uint8_t* l) { return uint32_t(l[0]) << 16 | uint32_t(l[1]) << 8 | l[2]; }

}  // namespace

TVirtualPod::TVirtualPod(TFraming framing) : framing_(framing), program_(kProgramWords, 0) {
  table_.LoadFull();
  core_ = std::make_unique<TCpuCore>(target_, table_);
  target_.SetProgramWords(TTargetState::kProgramCells);
  target_.SetMirrorPc(true);
  resetTarget();
  for (uint32_t k = 0; k < 16 * 3; ++k) tables_[kBreakpoints - kTables + k] = k % 3 ? 0xFF : 0x0F;
}

TPodDeviceDescriptor TVirtualPod::Descriptor() const {
  TPodDeviceDescriptor d;
  if (framing_ == TFraming::Bulk) {
    d.Vendor = 0x0547;
    d.Product = 0x1003;
    d.Version = 0x0100;
    d.InEndpoint = 0x81;
    d.OutEndpoint = 0x01;
    d.InPacketSize = InPacketSize;
    d.OutPacketSize = 64;
  } else {
    d.Vendor = 0x04D9;
    d.Product = 0x2009;
    d.Version = 0x0727;
    d.InputReportLength = 65;
    d.OutputReportLength = 65;
  }
  return d;
}

// ---------------------------------------------------------------------------
// Memory map
// ---------------------------------------------------------------------------

void TVirtualPod::SetProgramWord(uint32_t word, uint16_t value) {
  word &= kProgramWords - 1;
  program_[word] = value;
  if (word < uint32_t(TTargetState::kProgramCells)) target_.Cell(word).Opcode = value;
}

void TVirtualPod::LoadProgram(uint32_t at, const std::vector<uint16_t>& words) {
  for (size_t i = 0; i < words.size(); ++i) SetProgramWord(at + uint32_t(i), words[i]);
}

uint8_t TVirtualPod::DataByte(uint32_t address) const { return readByte(address, true); }

std::vector<uint8_t> TVirtualPod::ProgramBytes(uint32_t at, size_t n) const {
  std::vector<uint8_t> v;
  for (size_t i = 0; i < n; ++i) v.push_back(readByte(at + uint32_t(i), false));
  return v;
}

std::array<uint32_t, 16> TVirtualPod::Breakpoints() const {
  std::array<uint32_t, 16> list{};
  for (size_t k = 0; k < 16; ++k) {
    const uint8_t* b = &tables_[kBreakpoints - kTables + 3 * k];
    list[k] = uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
  }
  return list;
}

uint8_t TVirtualPod::readByte(uint32_t a, bool data) const {
  const TPodFaults::TStuckBits& stuck = data ? Faults.StuckRegister : Faults.StuckProgramByte;
  const uint8_t stuckMask = int64_t(a) == stuck.Address ? stuck.Mask : 0;
  if (!data) {
    const uint16_t w = program_[(a >> 1) & (kProgramWords - 1)];
    return uint8_t(((a & 1) ? uint8_t(w) : uint8_t(w >> 8)) | stuckMask);
  }
  if (a < kTables) return uint8_t(target_.ReadRegister(int(a)) | stuckMask);
  if (a >= kTables + tables_.size()) return 0;
  if (a >= kHistory && a < kHistory + 48) {
    const uint32_t k = (a - kHistory) / 3, byte = (a - kHistory) % 3;
    const uint32_t pc = target_.PcHistoryAt(int(k));
    return uint8_t(pc >> (8 * (2 - byte)));
  }
  if (a >= kCycles && a < kCycles + 4)
    return uint8_t(target_.Cycles() >> (8 * (3 - (a - kCycles))));
  if (a >= kPc && a < kPc + 3) return uint8_t(target_.GetPC() >> (8 * (2 - (a - kPc))));
  if (a == kChipId || a == kChipId + 1) {
    // A sleeping emulator chip does not give its id.
    const TChipConfig& chip = Chip();
    const uint16_t own = ChipIdFromChip && chip.SimIcCount > 0 ? chip.SimIcList[0] : ChipId;
    const uint16_t id = target_.SleepFlag ? 0 : own;
    return a == kChipId ? uint8_t(id >> 8) : uint8_t(id);
  }
  if (a == kVariant) return uint8_t(variant_);
  return tables_[a - kTables];
}

void TVirtualPod::writeByte(uint32_t a, uint8_t v, bool data) {
  if (!data) {
    const uint32_t w = (a >> 1) & (kProgramWords - 1);
    const uint16_t old = program_[w];
    SetProgramWord(w, (a & 1) ? uint16_t((old & 0xFF00) | v) : uint16_t((old & 0x00FF) | v << 8));
    return;
  }
  if (a < kTables) {
    target_.WriteRegisterModel(int(a), v);
    const int level = target_.ReadRegister(24) & 0x1F;
    // The top-of-stack registers show the level the stack pointer selects;
    // a write of the low top-of-stack byte stores the PC into that level.
    if (a == 23) target_.SetStackEntry(level, target_.GetPC());
    if (a == 23 || a == 24) target_.WriteTopOfStack(target_.GetStackEntry(level));
    return;
  }
  if (a >= kTables + tables_.size()) return;
  if (a >= kCycles && a < kCycles + 4) {
    const int shift = 8 * (3 - int(a - kCycles));
    const uint32_t c = (target_.Cycles() & ~(0xFFu << shift)) | (uint32_t(v) << shift);
    target_.SetCycleCounter(uint16_t(c >> 16), uint16_t(c));
    return;
  }
  if (a >= kPc && a < kPc + 3) {
    const int shift = 8 * (2 - int(a - kPc));
    target_.SetProgramCounter((target_.GetPC() & ~(0xFFu << shift)) | (uint32_t(v) << shift));
    return;
  }
  if (a == kVariant) setVariant(v);
  tables_[a - kTables] = v;
}

bool TVirtualPod::registerSpace() const { return control_ & 0x08; }

void TVirtualPod::setVariant(int variant) {
  if (variant == variant_) return;
  variant_ = variant;
  if (variant == 1)
    table_.LoadReduced();
  else
    table_.LoadFull();
}

// ---------------------------------------------------------------------------
// The target
// ---------------------------------------------------------------------------

void TVirtualPod::resetTarget() {
  target_.SetStackDepth(Chip().StackDepth);
  target_.ClearRegisters();
  target_.ClearStack();
  target_.SetCycleCounter(0, 0);
  target_.SetProgramCounter(0);
  target_.SleepFlag = target_.IdleFlag = 0;
  target_.ClearTwoWordState();
  target_.ClearPcHistory();
  target_.TimerPrescaleCount = 0;
  target_.TimerEdgeFlag = 0;
  running_ = false;
}

void TVirtualPod::writeControl(uint8_t v) {
  const uint8_t old = control_;
  control_ = v;
  if (!(v & 0x02)) {
    if (old & 0x02) resetTarget();  // held in reset
    running_ = false;
    return;
  }
  running_ = (v & 0x04) != 0;
  if (running_ && (v & 0x20)) runStep();
}

bool TVirtualPod::stopsAt(uint32_t pc) const {
  if (control_ & 0x40) {
    for (uint32_t a : Breakpoints())
      if (a == pc) return true;
  }
  return (control_ & 0x80) && (target_.ReadRegister(24) & 0x80);
}

// A step runs whole instructions until the step counter (the cycle counter's
// low byte) reaches the step count, an armed breakpoint or a sleeping core.
void TVirtualPod::runStep() {
  const uint32_t start = target_.Cycles();
  uint32_t due = (uint32_t(tables_[kStepCount - kTables]) - (start & 0xFF)) & 0xFF;
  if (due == 0) due = 256;
  for (int i = 0; i < 1024 && running_; ++i) {
    core_->CheckInterrupt();
    if (target_.SleepFlag || target_.IdleFlag) return;  // runs on until halted
    core_->ExecuteOne();
    ++executed_;
    if (target_.Cycles() - start >= due || stopsAt(target_.GetPC())) running_ = false;
  }
}

// A free run, in the order of the simulator's run: the instruction, then the
// interrupt check, then the stop tests. SLP halts the pod.
void TVirtualPod::runFree(int budget) {
  for (int i = 0; i < budget && running_; ++i) {
    if (!target_.SleepFlag && !target_.IdleFlag) {
      core_->ExecuteOne();
      ++executed_;
    }
    core_->CheckInterrupt();
    if (stopsAt(target_.GetPC()) || target_.SleepFlag) running_ = false;
  }
}

// ---------------------------------------------------------------------------
// The wire
// ---------------------------------------------------------------------------

size_t TVirtualPod::chunk() const {
  return framing_ == TFraming::Hid ? 64 : std::min<size_t>(InPacketSize, 64);
}

bool TVirtualPod::HostSend(const uint8_t* data, size_t n) {
  if (Faults.Unplugged) return false;
  const uint8_t* p = data;
  if (framing_ == TFraming::Hid) {
    if (n != 65 || data[0] != 0) {
      violation("HID output report of " + std::to_string(n) + " bytes, id " +
                std::to_string(n ? data[0] : -1));
      return false;
    }
    p = data + 1;
    n = 64;
  }
  if (replyPending_) violation("a new packet before the reply was read");
  replyPending_ = false;
  ++packets_;
  if (Faults.SilentFromPacket > 0 && packets_ >= Faults.SilentFromPacket) return true;
  if (running_ && !(control_ & 0x20)) runFree(InstructionsPerPacket);
  process(p, n);
  return true;
}

bool TVirtualPod::HostReceive(uint8_t* data, size_t n, int timeoutMs) {
  if (Faults.Unplugged) return false;
  if (!replyPending_) {
    // Nothing to answer: the host waits out its time-out.
    Clock().sleepFor(std::chrono::milliseconds(timeoutMs));
    return false;
  }
  replyPending_ = false;
  if (framing_ == TFraming::Hid) {
    if (n != 65) {
      violation("HID input report of " + std::to_string(n) + " bytes");
      return false;
    }
    std::copy(reply_.begin(), reply_.begin() + long(std::min<size_t>(reply_.size(), 64)),
              hidReport_.begin());
    data[0] = 0;
    std::copy(hidReport_.begin(), hidReport_.end(), data + 1);
    return true;
  }
  if (n != reply_.size()) {
    violation("read of " + std::to_string(n) + " bytes, the reply has " +
              std::to_string(reply_.size()) + " (" + Hex(reply_) + ")");
    return false;
  }
  std::copy(reply_.begin(), reply_.end(), data);
  return true;
}

// The host's packet must carry `want` bytes: exactly over bulk, at least
// (within the report) over HID.
bool TVirtualPod::need(const uint8_t* p, size_t have, size_t want) {
  const bool ok = framing_ == TFraming::Hid ? want <= have : want == have;
  hostBytes_ += std::min(have, want);
  if (framing_ == TFraming::Hid && ok &&
      std::any_of(p + want, p + have, [](uint8_t b) { return b != 0; }))
    violation("command " + Hex({p[0]}) + ": unused bytes of the report are not zero");
  if (Logging) Log.push_back({true, std::vector<uint8_t>(p, p + std::min(have, want))});
  if (!ok)
    violation("command " + Hex({p[0]}) + " of " + std::to_string(have) + " bytes, " +
              std::to_string(want) + " expected");
  return ok;
}

void TVirtualPod::reply(std::vector<uint8_t> bytes, bool acknowledged) {
  if (acknowledged && Faults.WrongAckFromPacket > 0 && packets_ >= Faults.WrongAckFromPacket &&
      !bytes.empty())
    bytes[0] = kWrongAck;
  if (Logging) Log.push_back({false, bytes});
  replyBytes_ += bytes.size();
  reply_ = std::move(bytes);
  replyPending_ = true;
}

// The chunk a block read asks for (A3 program or data memory, AB the
// writer's image, B7 the target chip).
void TVirtualPod::readChunk(const uint8_t* p, size_t n) {
  if (!need(p, n, 1)) return;
  const size_t len = std::min<size_t>(blockRest_, chunk());
  std::vector<uint8_t> out;
  for (size_t i = 0; i < len; ++i) {
    const uint32_t a = blockAddress_ + uint32_t(i);
    out.push_back(block_ == TBlock::Read ? readByte(a, blockData_) : writerByte(a));
  }
  blockAddress_ += uint32_t(len);
  blockRest_ -= uint32_t(len);
  if (blockRest_ == 0) block_ = TBlock::None;
  reply(out, false);
}

void TVirtualPod::process(const uint8_t* p, size_t n) {
  if (block_ == TBlock::Write) return blockData(p, n);
  if (block_ == TBlock::ImageWrite) return imageData(p, n);
  if ((block_ == TBlock::Read && p[0] == pc::BlockChunk.Code) ||
      (block_ == TBlock::ImageRead && p[0] == pc::ImageChunk.Code) ||
      (block_ == TBlock::ChipRead && p[0] == pc::ChipChunk.Code))
    return readChunk(p, n);
  block_ = TBlock::None;
  if (testCommand(p, n)) return;
  switch (p[0]) {
    case pc::Ping.Code:  // ping (A5 00) and the close report (A5 12 00)
      if (need(p, n, p[1] == pc::CloseReport.Sub ? 3 : 2)) reply({Ack}, true);
      return;
    case pc::WriteControl.Code:
      if (!need(p, n, 3)) return;
      writeControl(p[1]);
      return reply({Ack}, true);
    case pc::ReadControl.Code:
      if (need(p, n, 1)) reply({Ack, control_}, true);
      return;
    case pc::ReadStatus.Code:
      if (need(p, n, 1)) reply({Ack, uint8_t(running_ ? 0x04 : 0x00)}, true);
      return;
    case pc::Memory.Code: return memoryCommand(p, n);
    case pc::BlockWrite.Code:
    case pc::SbmBlockWrite.Code: return blockCommand(p, n);
    case pc::SessionBegin.Code:  // access session begin (02) / end (03)
      if (!need(p, n, 2)) return;
      if (p[1] == pc::SessionBegin.Sub) ++sessions_;
      return reply({Ack, 0}, false);
    case pc::AccessGate.Code:  // access gate: B5 04 0 opens, B5 04 1 closes
      if (serviceCommand(p, n)) return;
      if (!need(p, n, 3)) return;
      if (p[1] == pc::AccessGate.Sub) gateOpen_ = p[2] == 0;
      return reply({Ack}, true);
    case pc::Stack.Code: {
      if (!need(p, n, 2)) return;
      std::vector<uint8_t> out;
      for (int i = 1; i <= p[1]; ++i) {
        const uint32_t v = target_.GetStackEntry(i);
        out.insert(out.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
      }
      // The stack is read through the table latch registers.
      target_.WriteRegisterModel(31, pc::Stack.Code);
      target_.WriteRegisterModel(32, p[1]);
      return reply(out, false);
    }
    case pc::ChipVariant.Code:  // the chip variant of a QR chip: B0 13 (DeviceKind3) or B0 12
      if (!need(p, n, 2)) return;
      variantCommand_ = p[1];
      return reply({Ack}, true);
    case pc::LinkStart.Code:
      if (need(p, n, 4)) reply(std::vector<uint8_t>(64, 0), false);
      return;
    case pc::Identity.Code:
      if (writerInfoCommand(p, n) || serviceCommand(p, n)) return;
      return infoCommand(p, n);
    default:
      if (writerCommand(p, n) || serviceCommand(p, n)) return;
      need(p, n, 1);
      violation("unknown command " + Hex({p[0]}));
  }
}

// The hidden test commands of the main window (one byte, or D7 28 and the
// test's number): each answered by an acknowledge.
bool TVirtualPod::testCommand(const uint8_t* p, size_t n) {
  for (const TPodTestCommand& c : PodTestCommands()) {
    if (c.Bytes[0] != p[0]) continue;
    if (need(p, n, c.Count)) reply({Ack}, true);
    return true;
  }
  return false;
}

void TVirtualPod::memoryCommand(const uint8_t* p, size_t n) {
  const bool read = p[3] & 1;
  const uint32_t A = HeaderAddress(p + 1);
  const uint32_t len = Length(p + 4);
  if (!need(p, n, read ? 7 : 7 + len)) return;
  if (!(control_ & 0x18)) violation("memory access with neither space selected");
  const bool data = registerSpace();
  if (read) {
    if (len > 64) violation("a read of " + std::to_string(len) + " bytes does not fit a packet");
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < len; ++i) out.push_back(readByte(A + i, data));
    return reply(out, false);
  }
  for (uint32_t i = 0; i < len; ++i) writeByte(A + i, p[7 + i], data);
  reply({Ack, 0, 0}, true);
}

void TVirtualPod::blockCommand(const uint8_t* p, size_t n) {
  const bool read = p[3] & 1;
  if (p[0] == pc::SbmBlockWrite.Code && read) violation("SBM block read");
  if (!need(p, n, read ? 7 : 8)) return;
  blockData_ = registerSpace();
  // The block header carries a word address (data memory: a byte address).
  const uint32_t A = HeaderAddress(p + 1);
  blockAddress_ = blockData_ ? A : 2 * A;
  blockRest_ = Length(p + 4);
  block_ = blockRest_ == 0 ? TBlock::None : (read ? TBlock::Read : TBlock::Write);
  reply({BlockAck}, true);
}

void TVirtualPod::blockData(const uint8_t* p, size_t n) {
  const size_t len = std::min<size_t>(blockRest_, chunk());
  if (!need(p, n, len)) return;
  for (size_t i = 0; i < len; ++i) writeByte(blockAddress_ + uint32_t(i), p[i], blockData_);
  blockAddress_ += uint32_t(len);
  blockRest_ -= uint32_t(len);
  if (blockRest_ == 0) block_ = TBlock::None;
  reply({Ack, 0, 0}, true);
}

void TVirtualPod::infoCommand(const uint8_t* p, size_t n) {
  switch (p[1]) {
    case pc::Identity.Sub: {
      if (!need(p, n, 2)) return;
      std::string id = Faults.WrongIdentity ? std::string("NoSuchPd") : Identity;
      id.resize(8, '\0');
      return reply(std::vector<uint8_t>(id.begin(), id.end()), false);
    }
    case pc::OpenCheck.Sub:
      if (!need(p, n, 4)) return;
      return reply(
          {uint8_t(Faults.OpenCheckValue), uint8_t(Faults.OpenCheckValue >> 8), 0, 0, 0, 0, 0, 0},
          false);
    case pc::Announce.Sub:
      if (!need(p, n, 4)) return;
      announced_ = p[2] | p[3] << 8;
      return reply({p[2], p[3], 0, 0, 0, 0, 0, 0}, false);
    default: need(p, n, 2); violation("unknown command F9 " + Hex({p[1]}));
  }
}

// ---------------------------------------------------------------------------
// The log
// ---------------------------------------------------------------------------

std::vector<std::string> TVirtualPod::HostPackets() const {
  std::vector<std::string> v;
  for (const auto& p : Log)
    if (p.FromHost) v.push_back(Hex(p.Bytes));
  return v;
}

std::string TVirtualPod::LogText() const {
  std::string s;
  for (const auto& p : Log) s += (p.FromHost ? "> " : "< ") + Hex(p.Bytes) + "\n";
  return s;
}

// ---------------------------------------------------------------------------
// Transport and enumerator
// ---------------------------------------------------------------------------

TVirtualPodTransport::TVirtualPodTransport(TVirtualPod& pod, TPodTransportKind kind)
    : pod_(&pod), kind_(kind) {
  pod.HandleOpened();
}

bool TVirtualPodTransport::ReadDescriptor(TPodDeviceDescriptor& d) {
  if (!open_ || pod_->Faults.Unplugged) return false;
  d = pod_->Descriptor();
  return true;
}

bool TVirtualPodTransport::Send(const uint8_t* data, size_t n, int) {
  if (open_ && pod_->HostSend(data, n)) return true;
  error_ = open_ ? "the virtual pod refused the packet" : "closed";
  return false;
}

bool TVirtualPodTransport::Receive(uint8_t* data, size_t n, int timeoutMs) {
  if (open_ && pod_->HostReceive(data, n, timeoutMs)) return true;
  error_ = open_ ? "the virtual pod did not answer" : "closed";
  return false;
}

void TVirtualPodTransport::Close() {
  if (!open_) return;
  open_ = false;
  pod_->HandleClosed();
}

namespace {

// A device that is not the pod: it gives a descriptor and answers nothing.
class TStrangerTransport final : public IPodTransport {
 public:
  TStrangerTransport(TPodTransportKind kind, const TPodDeviceDescriptor& d, bool answers)
      : kind_(kind), d_(d), answers_(answers) {}
  TPodTransportKind Kind() const override { return kind_; }
  bool ReadDescriptor(TPodDeviceDescriptor& d) override {
    d = d_;
    return answers_;
  }
  bool Send(const uint8_t*, size_t, int) override { return false; }
  bool Receive(uint8_t*, size_t, int) override { return false; }
  void Close() override {}
  int LastError() const override { return 1; }
  std::string LastErrorText() const override { return "not a pod"; }

 private:
  TPodTransportKind kind_;
  TPodDeviceDescriptor d_;
  bool answers_;
};

}  // namespace

void TVirtualPodEnumerator::SetBulk(int n, TVirtualPod* pod) {
  bulk_.at(size_t(n)) = TSlot{};
  bulk_[size_t(n)].pod = pod;
}

void TVirtualPodEnumerator::SetHid(int i, TVirtualPod* pod) {
  hid_.at(size_t(i)) = TSlot{};
  hid_[size_t(i)].pod = pod;
}

void TVirtualPodEnumerator::SetBulkStranger(int n, uint16_t vendor, uint16_t product) {
  TSlot& s = bulk_.at(size_t(n));
  s = TSlot{};
  s.stranger = true;
  s.descriptor.Vendor = vendor;
  s.descriptor.Product = product;
  s.descriptor.InEndpoint = 0x81;
  s.descriptor.OutEndpoint = 0x01;
  s.descriptor.InPacketSize = 64;
}

void TVirtualPodEnumerator::SetBulkWithoutDescriptor(int n) {
  SetBulkStranger(n, 0x0547, 0x1003);
  bulk_.at(size_t(n)).noDescriptor = true;
}

void TVirtualPodEnumerator::SetHidStranger(int i, uint16_t vendor, uint16_t product,
                                           uint16_t version) {
  TSlot& s = hid_.at(size_t(i));
  s = TSlot{};
  s.stranger = true;
  s.descriptor.Vendor = vendor;
  s.descriptor.Product = product;
  s.descriptor.Version = version;
  s.descriptor.InputReportLength = s.descriptor.OutputReportLength = 65;
}

void TVirtualPodEnumerator::SetFallback(IPodDeviceEnumerator* next, int firstFreeBulk,
                                        int firstFreeHid) {
  next_ = next;
  firstFreeBulk_ = firstFreeBulk;
  firstFreeHid_ = firstFreeHid;
}

std::unique_ptr<IPodTransport> TVirtualPodEnumerator::open(TSlot* slot, TPodTransportKind kind) {
  if (slot->stranger)
    return std::make_unique<TStrangerTransport>(kind, slot->descriptor, !slot->noDescriptor);
  if (!slot->pod || slot->pod->Faults.Unplugged) return nullptr;
  const bool hid = slot->pod->Framing() == TVirtualPod::TFraming::Hid;
  if (hid != (kind == TPodTransportKind::Hid)) return nullptr;
  return std::make_unique<TVirtualPodTransport>(*slot->pod, kind);
}

std::unique_ptr<IPodTransport> TVirtualPodEnumerator::OpenBulk(int n) {
  if (n < 0 || n >= 32) return nullptr;
  if (next_ && n >= firstFreeBulk_) return next_->OpenBulk(n - firstFreeBulk_);
  auto t = open(&bulk_[size_t(n)], TPodTransportKind::Bulk);
  if (t) Opened.push_back("bulk " + std::to_string(n));
  return t;
}

std::unique_ptr<IPodTransport> TVirtualPodEnumerator::OpenHid(int i) {
  if (i < 0 || i >= 128) return nullptr;
  if (next_ && i >= firstFreeHid_) return next_->OpenHid(i - firstFreeHid_);
  auto t = open(&hid_[size_t(i)], TPodTransportKind::Hid);
  if (t) Opened.push_back("hid " + std::to_string(i));
  return t;
}

void TVirtualPodEnumerator::BeginSearch() {
  if (next_) next_->BeginSearch();
}

void TVirtualPodEnumerator::EndSearch() {
  if (next_) next_->EndSearch();
}

std::string TVirtualPodEnumerator::OpenProblem() const {
  return next_ ? next_->OpenProblem() : std::string();
}

}  // namespace kyvor::test
