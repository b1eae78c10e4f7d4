#pragma once
// The virtual pod: an emulator pod that speaks the pod protocol byte for byte
// over either framing (bulk packets of exact lengths, or 64-byte HID reports
// whose unused tail keeps the bytes of earlier reports) and runs the target
// program with the project's own instruction core on a target state of its
// own, separate from the simulator's.
//
// It holds the pod's memory map: the target's register file (0..0xFFF; the
// top-of-stack registers 21..23 show the level register 24 selects, and a
// write of register 23 stores the PC into that level), the
// pod tables from 0x1000 (breakpoints, PC history, step count, cycle counter,
// chip id, watch, PC, core variant), program memory (64K words; the
// configuration block lands at byte address 0x2900) and the control and
// status registers. Every packet is logged both ways; faults can be injected.
// A host that breaks the protocol (a wrong length, an unknown command, a
// reply left unread) is recorded in Violations.
//
// The virtual pod needs no test framework: the test build of the program
// links it too. See tools/VIRTUAL_POD.md.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/cpu_core.h"
#include "engine/instruction_table.h"
#include "engine/target_state.h"
#include "link/pod_transport.h"
#include "support/virtual_pod_writer.h"

namespace kyvor::test {

// Bytes as upper-case hex separated by blanks ("A5 00"), as the log shows them.
std::string HexBytes(const std::vector<uint8_t>& bytes);

struct TPodPacket {
  bool FromHost = true;
  std::vector<uint8_t> Bytes;
};

struct TPodFaults {
  int SilentFromPacket = 0;          // from the N-th host packet on (1-based) no reply; 0 never
  int WrongAckFromPacket = 0;        // from the N-th host packet on acknowledges are wrong; 0 never
  bool WrongIdentity = false;        // F9 AC answers no pod's identity, whatever Identity says
  uint16_t OpenCheckValue = 0xFFFF;  // the answer of the open check F9 02
  bool Unplugged = false;            // every transfer fails at once; the search finds nothing
  // Memory cells whose bits in `mask` always read 1 (the self test's stuck bits):
  // a register-file byte, and a byte of program memory (byte address).
  struct TStuckBits {
    int Address = -1;  // -1: none
    uint8_t Mask = 0;
  } StuckRegister, StuckProgramByte;
};

class TVirtualPod {
 public:
  enum class TFraming { Bulk, Hid };
  explicit TVirtualPod(TFraming framing = TFraming::Bulk);

  TFraming Framing() const { return framing_; }
  TPodDeviceDescriptor Descriptor() const;
  uint16_t InPacketSize = 64;         // bulk reply pipe packet size as the pod reports it
  uint16_t ChipId = 0x0A16;           // the emulator chip's id (reads as 0 while the chip sleeps)
  bool ChipIdFromChip = false;        // answer the selected chip's first id instead of ChipId
  std::string Identity = "AlbaNord";  // the answer to F9 AC (8 characters)
  TPodFaults Faults;
  // The programmer behind the same link, with its target chip.
  TVirtualWriter Writer;
  // Instructions a free-running target executes before each packet is answered.
  int InstructionsPerPacket = 2000;
  // The options dialog's service commands (virtual_pod_service.cpp): the
  // measured voltages in hundredths of a volt (answered by AE 03 while their
  // switch, B5 02 or B5 03, is on; 0 while it is off) and the programmer's
  // blank-check key mode (F9 0D sets it, F9 0E answers it in byte 1).
  struct TMeasure {
    uint16_t Vdd = 500, Vpp = 1250;
    bool VddOn = false, VppOn = false;
  } Measure;
  uint8_t KeyMode = 0xFF;
  int KeyModeAnswer = -1;  // what F9 0E answers; -1: the mode written last
  int KeyExchanges = 0;    // F9 12 packets

  // --- the wire (the virtual transport calls these) -----------------------------
  bool HostSend(const uint8_t* data, size_t n);
  bool HostReceive(uint8_t* data, size_t n, int timeoutMs);
  int OpenHandles() const { return openHandles_; }
  int Opens() const { return opens_; }
  void HandleOpened() { ++openHandles_, ++opens_; }
  void HandleClosed() { --openHandles_; }

  // --- the pod's state ------------------------------------------------------------
  TTargetState& Target() { return target_; }
  const TTargetState& Target() const { return target_; }
  uint16_t ProgramWord(uint32_t word) const { return program_[word & 0xFFFF]; }
  void SetProgramWord(uint32_t word, uint16_t value);
  void LoadProgram(uint32_t at, const std::vector<uint16_t>& words);
  // A byte of the register file or the pod tables as the host reads it.
  uint8_t DataByte(uint32_t address) const;
  // n bytes of program space from byte address `at` (the configuration block
  // is at 0x2900).
  std::vector<uint8_t> ProgramBytes(uint32_t at, size_t n) const;
  std::array<uint32_t, 16> Breakpoints() const;
  uint8_t Control() const { return control_; }
  bool Running() const { return running_; }
  int CoreVariant() const { return variant_; }
  int AnnouncedDevice() const { return announced_; }
  bool GateOpen() const { return gateOpen_; }
  int Sessions() const { return sessions_; }
  uint64_t InstructionsExecuted() const { return executed_; }
  // The second byte of the last chip-variant command (B0 12 or B0 13), 0 before one.
  uint8_t ChipVariantCommand() const { return variantCommand_; }

  // --- the log ----------------------------------------------------------------------
  std::vector<TPodPacket> Log;
  bool Logging = true;
  std::vector<std::string> Violations;
  void ClearLog() { Log.clear(); }
  // The host's packets, each as upper-case hex bytes separated by blanks.
  std::vector<std::string> HostPackets() const;
  // Every packet, one line each: "> A5 00" from the host, "< FA" to it.
  std::string LogText() const;
  int HostPacketCount() const { return packets_; }
  // Bytes that went each way (report ids and unused report bytes not counted).
  uint64_t HostBytes() const { return hostBytes_; }
  uint64_t ReplyBytes() const { return replyBytes_; }

 private:
  void process(const uint8_t* p, size_t n);
  bool need(const uint8_t* p, size_t have, size_t want);
  void reply(std::vector<uint8_t> bytes, bool acknowledged);
  void memoryCommand(const uint8_t* p, size_t n);
  void blockCommand(const uint8_t* p, size_t n);
  void blockData(const uint8_t* p, size_t n);
  void infoCommand(const uint8_t* p, size_t n);
  bool testCommand(const uint8_t* p, size_t n);
  // The service commands (virtual_pod_service.cpp); false when `p` is not one.
  bool serviceCommand(const uint8_t* p, size_t n);
  // The programmer's commands (virtual_pod_writer.cpp); false when `p` is not one.
  bool writerCommand(const uint8_t* p, size_t n);
  bool writerInfoCommand(const uint8_t* p, size_t n);
  void chipOperationCommand(const uint8_t* p, size_t n);
  void imageData(const uint8_t* p, size_t n);
  uint8_t writerByte(uint32_t offset) const;
  void readChunk(const uint8_t* p, size_t n);
  bool registerSpace() const;
  uint8_t readByte(uint32_t address, bool data) const;
  void writeByte(uint32_t address, uint8_t value, bool data);
  void writeControl(uint8_t value);
  void resetTarget();
  void runStep();
  void runFree(int budget);
  bool stopsAt(uint32_t pc) const;
  void setVariant(int variant);
  size_t chunk() const;
  void violation(const std::string& what) { Violations.push_back(what); }

  TFraming framing_;
  TTargetState target_;
  TInstructionTable table_;
  std::unique_ptr<TCpuCore> core_;
  std::vector<uint16_t> program_;
  std::array<uint8_t, 0x100> tables_{};  // 0x1000..0x10FF
  uint8_t control_ = 0;
  bool running_ = false;
  int variant_ = 0;
  int announced_ = -1;
  bool gateOpen_ = false;
  int sessions_ = 0;
  uint8_t variantCommand_ = 0;
  uint64_t executed_ = 0;

  // The reply waiting for the host's read.
  bool replyPending_ = false;
  std::vector<uint8_t> reply_;
  std::array<uint8_t, 64> hidReport_{};  // the last report sent: its tail goes stale
  // A block transfer in progress.
  enum class TBlock { None, Write, Read, ImageWrite, ImageRead, ChipRead } block_ = TBlock::None;
  bool chipInfo_ = false;  // a chip read of the information area
  uint32_t blockAddress_ = 0;  // byte address in the selected space
  uint32_t blockRest_ = 0;
  bool blockData_ = false;
  int packets_ = 0;
  uint64_t hostBytes_ = 0, replyBytes_ = 0;
  int openHandles_ = 0;
  int opens_ = 0;
};

// One opened virtual device.
class TVirtualPodTransport final : public IPodTransport {
 public:
  TVirtualPodTransport(TVirtualPod& pod, TPodTransportKind kind);
  ~TVirtualPodTransport() override { Close(); }
  TPodTransportKind Kind() const override { return kind_; }
  bool ReadDescriptor(TPodDeviceDescriptor& d) override;
  bool Send(const uint8_t* data, size_t n, int timeoutMs) override;
  bool Receive(uint8_t* data, size_t n, int timeoutMs) override;
  void Close() override;
  int LastError() const override { return error_.empty() ? 0 : 1; }
  std::string LastErrorText() const override { return error_; }

 private:
  TVirtualPod* pod_;
  TPodTransportKind kind_;
  bool open_ = true;
  std::string error_;
};

// The devices of a search: virtual pods and strangers at chosen places; the
// places left empty can go on to another enumerator (the real devices).
class TVirtualPodEnumerator final : public IPodDeviceEnumerator {
 public:
  void SetBulk(int n, TVirtualPod* pod);
  void SetHid(int i, TVirtualPod* pod);
  // A device of another identity, or one whose descriptor request fails.
  void SetBulkStranger(int n, uint16_t vendor, uint16_t product);
  void SetBulkWithoutDescriptor(int n);
  void SetHidStranger(int i, uint16_t vendor, uint16_t product, uint16_t version);
  // Bulk numbers and HID indexes from `firstFree` on go to `next`, shifted
  // down by firstFree (not owned).
  void SetFallback(IPodDeviceEnumerator* next, int firstFreeBulk, int firstFreeHid);

  std::unique_ptr<IPodTransport> OpenBulk(int n) override;
  std::unique_ptr<IPodTransport> OpenHid(int i) override;
  void BeginSearch() override;
  void EndSearch() override;
  std::string OpenProblem() const override;

  // Every device opened, in order: "bulk 3", "hid 0".
  std::vector<std::string> Opened;

 private:
  struct TSlot {
    TVirtualPod* pod = nullptr;
    bool stranger = false;
    bool noDescriptor = false;
    TPodDeviceDescriptor descriptor;
  };
  std::unique_ptr<IPodTransport> open(TSlot* slot, TPodTransportKind kind);
  std::array<TSlot, 32> bulk_{};
  std::array<TSlot, 128> hid_{};
  IPodDeviceEnumerator* next_ = nullptr;
  int firstFreeBulk_ = 32, firstFreeHid_ = 128;
};

}  // namespace kyvor::test
