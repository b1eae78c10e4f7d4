#pragma once
// The pod protocol: every command the host sends to the emulator pod, its
// bytes and the length of its reply, written once here. The transports
// (pod_transport.h) only move the bytes; the parallel port (parallel_port.h)
// clocks the same operations bit by bit.
//
// A command is always: fill PodIoBuffer from byte 0, PodUsbSend(n),
// PodUsbReceive(m), inspect PodIoBuffer. A failed or timed-out transfer
// closes the link; the pod operations then set PodState to 255.
//
// TPodProtocol implements the CPU model's pod seam (engine/pod_access.h) and
// the programmer seam behind it (engine/writer_access.h), so the model drives
// a real pod, and tests drive the virtual pod, through the same bytes.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/infoblock.h"
#include "engine/pod_access.h"
#include "engine/writer_access.h"
#include "link/parallel_port.h"
#include "link/pod_command_set.h"
#include "link/pod_transport.h"

namespace kyvor {

inline constexpr int kPodIoBufferSize = 81;
// The largest payload of one packet: HID reports carry 64 bytes, and no
// packet may outgrow the buffer.
inline constexpr uint16_t kPodMaxTransfer = 64;
inline constexpr int kPodTransferTimeoutMs = 1000;
// The smallest reply packet of a bulk pod the link takes: full speed allows
// bulk packets of 8, 16, 32 and 64 bytes.
inline constexpr uint16_t kPodMinPacketSize = 8;

// Pod memory addresses (byte addresses of the register file and the pod's
// tables; program memory is addressed by 2 x word address).
namespace podmem {
constexpr uint32_t Breakpoints = 0x1000;     // 16 x 3 bytes
constexpr uint32_t PcHistory = 0x1030;       // 16 x 3 bytes, newest first
constexpr uint32_t StepCount = 0x1060;       // the step counter value to stop at
constexpr uint32_t Cycles = 0x1061;          // high half, low half, each big-endian
constexpr uint32_t StepCounter = 0x1064;     // the cycle counter's low byte
constexpr uint32_t ChipId = 0x1065;          // 2 bytes, high first
constexpr uint32_t Watch = 0x1067;           // mask, data, address high, low
constexpr uint32_t ProgramCounter = 0x106B;  // 3 bytes big-endian
constexpr uint32_t CoreVariant = 0x106E;
constexpr uint32_t ConfigBlock = 0x2900;  // program space, byte address
}  // namespace podmem

// The measurement switches of PodMeasureSwitch and the key-mode values.
namespace podservice {
constexpr uint8_t MeasureVpp = 0x02, MeasureVdd = 0x03;
constexpr uint8_t BlankOff = 0xAA, BlankOn = 0xFF;
}  // namespace podservice

// Control register bits and the status bit.
namespace podctl {
constexpr uint8_t OutOfReset = 0x02, Run = 0x04, RegisterFile = 0x08, Access = 0x10,
                  SingleStep = 0x20, Breakpoints = 0x40, StopOnOverflow = 0x80;
constexpr uint8_t StatusRunning = 0x04;
}  // namespace podctl

// One pipe description of the bulk pod.
struct TPodPipe {
  uint16_t MaximumPacketSize = 0;
  uint8_t EndpointAddress = 0;  // bit 7 set = IN
  uint8_t Interval = 0;
  uint32_t PipeType = 0;
  uint32_t PipeHandle = 0;
  uint32_t MaximumTransferSize = 0;
  uint32_t PipeFlags = 0;
};

// The link record.
struct TPodLink {
  int32_t Handle = -1;     // the open device's number; -1 when closed
  std::string DeviceName;  // last bulk device tried ("Kyusb-" + number)
  int32_t Connected = -1;  // 1 after an open, -1 after a close
  int16_t Reserved = -1;
  uint8_t Ready = 0;
  uint16_t IdVendor = 0, IdProduct = 0, BcdDevice = 0;
  std::array<TPodPipe, 5> Pipes{};  // 0 the reply pipe (IN), 1 the command pipe (OUT)
  uint8_t IsOpen = 0;               // 1 while the link may be used
  uint16_t MaxTransfer = 0;         // largest payload of one packet
};

// Settings of the link itself. The options the pod operations follow (the
// ROM emulation type: gate and session packets; "STOP When OV Stack": control
// bit 7 in runs, steps and halts) are read from Options().
struct TPodSettings {
  int TransferTimeoutMs = kPodTransferTimeoutMs;
};

// The pod identities of PodQueryIdentity.
inline constexpr char kPodIdentity1[] = "AlbaNord";
inline constexpr char kPodIdentity2[] = "BrisSudo";

// One CRC-16 step of the pod transfers: the same step as the image checksum
// (ImageCrc16Update, engine/infoblock.h).
uint16_t PodCrc16Update(uint8_t byte, uint16_t crc);

// Waits ms milliseconds on the clock seam (a busy wait: nothing else runs).
void DelayMilliseconds(int32_t ms);

// The pod's hidden test commands: one row per test button of the main
// window (its name and caption and the bytes it sends; the reply is one byte).
struct TPodTestCommand {
  const char* Button;
  const char* Caption;
  uint8_t Bytes[3];
  uint8_t Count;
};
std::span<const TPodTestCommand> PodTestCommands();

class TPodProtocol final : public TPodAccess, public TWriterAccess {
 public:
  TPodProtocol();
  ~TPodProtocol() override;
  TPodProtocol(const TPodProtocol&) = delete;
  TPodProtocol& operator=(const TPodProtocol&) = delete;

  TPodLink PodLink;
  std::array<uint8_t, kPodIoBufferSize> PodIoBuffer{};
  uint8_t PodTransport = 0;  // 0 bulk, 1 HID
  uint16_t HidInputReportLength = 0, HidOutputReportLength = 0;
  uint32_t PodBytesTransferred = 0;
  TPodSettings Settings;
  // Merged values of pod registers 0x77, 0x7D and 0x194, in this order.
  std::array<uint8_t, 3> SpecialRegisterImage{0xFF, 0xFF, 0xF0};
  uint8_t StepByBreakpoint = 0;
  uint16_t PodChipId = 0;          // last chip id read
  uint16_t AcceptedPodChipId = 0;  // last chip id that was in the chip's list

  // The devices the search tries (not owned); nullptr: the real USB devices.
  void SetEnumerator(IPodDeviceEnumerator* devices);
  IPodDeviceEnumerator& Enumerator();
  TParallelPort& Parallel() { return parallel_; }
  // Why the last search found nothing to open, or the last transfer failed.
  std::string LastProblem() const { return problem_; }

  // --- the link ---------------------------------------------------------------
  uint8_t PodUsbOpen();  // 0 pod open and answering, 255 none
  bool PodUsbSend(uint8_t n);
  bool PodUsbReceive(uint8_t n);
  void PodLinkClose();
  uint8_t PodQueryIdentity();  // 0 none or unknown, 1 or 2 the pod kind
  bool PodQueryInfo(uint8_t sub, int32_t& value);
  // Re-detects the pod; shows the connect error when none answers.
  bool PodReconnect() override;
  // The packets of the main window's close while the link is open; the link
  // is closed afterwards.
  void PodSendCloseSequence();
  bool LinkUsable() const { return transport_ && PodLink.IsOpen; }

  // --- primitives -------------------------------------------------------------
  bool PodPing();
  bool PodReadStatus(uint8_t& status);
  bool PodSelectProgramMemory() override;
  bool PodSelectRegisterFile() override;
  // Pod memory at byte address A; longer transfers go in packets that fit,
  // at rising addresses. Program words travel high byte first.
  bool PodReadWords(uint32_t A, uint32_t len, uint8_t* dest);
  bool PodWriteWords(uint32_t A, const uint8_t* data, uint32_t len);
  bool PodReadBytes(uint32_t A, uint32_t n, uint8_t* dest);
  bool PodWriteBytes(uint32_t A, const uint8_t* data, uint32_t n);
  // Block commands over USB: `command` A2 (program memory or, with the
  // register file selected, data memory) or AF (the SBM area); `address` a
  // word address (data: a byte address); packets of at most MaxTransfer.
  bool PodBlockWrite(const podcmd::TPodCommand& command, uint32_t address, const uint8_t* data,
                     uint32_t bytes, uint8_t mode,
                     const std::function<void(int percent)>& gauge = {});
  bool PodBlockRead(uint32_t address, uint32_t bytes, uint8_t* dest,
                    const std::function<void(int percent)>& gauge = {});

  // --- accessors and run control (the CPU model's seam) -------------------------
  bool PodWriteRegister(uint32_t address, uint8_t value) override;
  uint8_t PodReadRegister(uint32_t address) override;
  uint8_t PodReadRegister(uint32_t address, bool& ok) override;
  uint8_t PodPeekRegister(uint32_t address) { return PodReadRegister(address); }
  bool PodReadDataMemory(uint32_t start, uint32_t length, uint8_t* dest) override;
  uint8_t PodReadControl() override;
  uint8_t PodReadControl(bool& ok) override;
  bool PodWriteControl(uint8_t value) override;
  uint16_t PodReadProgramWord(uint32_t address) override;
  uint16_t PodReadProgramWord(uint32_t address, bool& ok) override;
  bool PodWriteProgramWord(uint32_t address, uint16_t word) override;
  uint32_t PodReadPC() override;
  uint32_t PodReadPC(bool& ok) override;
  bool PodWritePC(uint32_t value) override;
  bool PodReadCycles(uint16_t& high, uint16_t& low) override;
  bool PodWriteCycles(uint16_t high, uint16_t low) override;
  bool PodReadStack(int depth, std::vector<uint32_t>& levels) override;
  bool PodEnterReset() override;
  bool PodLeaveReset() override;
  bool PodRunFree() override;
  bool PodRunWithBreakpoints() override;
  bool PodHalt();
  bool PodStopTarget() override { return PodHalt(); }
  bool PodStep(int count) override;
  void PodSetStopBit() override;
  bool PodIsHalted(bool& failed) override;
  bool PodPollHalted(bool& failed) { return PodIsHalted(failed); }
  bool PodWriteBreakpoints(const std::array<uint32_t, 16>& addresses) override;
  bool PodWriteWatch(uint8_t mask, uint8_t data, uint16_t address) override;
  int PodReadChipId(uint16_t& id) override;
  // The chip-variant command of a QR chip (B0 13 for a third-kind device,
  // else B0 12); true when it was sent and its one-byte reply read.
  bool PodSendChipVariant(bool deviceKind3);
  // One test command; true when it was sent and its reply read.
  bool PodSendTestCommand(const TPodTestCommand& command);
  bool PodWriteCoreVariant(uint8_t variant);
  bool PodReadCoreVariant(uint8_t& variant);
  bool PodCheckReady() { return true; }
  bool PodAccessGate(bool open) override;
  bool PodSessionBegin() override;
  bool PodSessionEnd() override;
  void PodSetStepByBreakpoint(bool on) override { StepByBreakpoint = on ? 1 : 0; }
  bool PodInitSpecialRegisters() override;
  // Block transfers of program memory in the interface's form.
  bool PodDownloadWords(TPodBlockArea area, uint32_t start, std::span<const uint16_t> words,
                        uint8_t mode, const TGauge& gauge) override;
  bool PodUploadWords(uint32_t start, std::span<uint16_t> words, const TGauge& gauge) override;
  bool PodWriteProgramBytes(uint32_t address, std::span<const uint8_t> bytes) override;
  bool PodReadProgramBytes(uint32_t address, std::span<uint8_t> bytes) override;
  TWriterAccess* Writer() override { return this; }

  // --- the programmer (writer_commands.cpp) -----------------------------------
  bool WriterWriteBlock(uint32_t address, std::span<const uint16_t> words) override;
  bool WriterReadBlock(uint32_t address, std::span<uint16_t> words, const TGauge& gauge) override;
  bool WriterEraseSector(uint32_t address) override;
  bool WriterPollBusy(uint8_t& status) override;
  bool WriterFinishWrite() override;
  bool WriterSendSetting(uint16_t value) override;
  bool WriterSendCalibrationBlock(uint8_t part, const TCalibrationBytes& bytes) override;
  bool WriterCheckIdentity() override;
  bool WriterLock(uint8_t mode) override;
  bool WriterDisplayCommand(uint8_t code) override;
  bool WriterDisplayText(const std::string& chars) override;
  bool ChipReadWords(uint32_t address, std::span<uint16_t> words, const TGauge& gauge) override;
  bool ChipReadIdWords(bool shortLayout, uint16_t& id, uint16_t& status) override;
  bool ChipStartOperation(TChipOperation type) override;
  bool ChipReadStatus(TWriterStatus& status) override;
  bool ChipReadCalibration(TWriterCalibration& calibration) override;
  bool ChipCalibratedOperation(uint8_t flags) override;
  bool ChipLinesReset() override;
  bool ChipLinesRelease() override;
  bool ChipExchangeBytePair(uint16_t out, uint16_t& in) override;
  bool ChipExchangeWord(uint16_t out, uint16_t& in) override;
  // The emulator's configuration block; `eepromSites` are the built-in
  // EEPROM access addresses.
  bool PodWriteConfigBlock(const std::vector<uint32_t>& eepromSites);

  // --- the options dialog's service commands (service_commands.cpp), USB only -----
  // A measurement switch on or off: B5 02 (programming voltage) or B5 03 (supply).
  bool PodMeasureSwitch(uint8_t which, bool on);
  // One measurement (AE 03, 32 bytes back): the supply and the programming
  // voltage in hundredths of a volt.
  bool PodReadMeasurement(uint16_t& vdd, uint16_t& vpp);
  // The programmer's blank-check key mode: F9 0D v; F9 0E answers it in reply
  // byte 1; F9 12 00 00 is the exchange that follows with the writer (64 bytes
  // each way).
  bool PodWriteKeyMode(uint8_t v);
  bool PodReadKeyMode(uint8_t& v);
  bool PodKeyModeExchange();

 private:
  bool parallel() const;
  bool lost();  // PodState 255, link closed; gives false
  void clearBuffer() { PodIoBuffer.fill(0); }
  bool transfer(uint8_t out, uint8_t in);
  bool acked(uint8_t out, uint8_t in, uint8_t ack);
  // Clears the buffer and puts the command's leading bytes.
  void put(const podcmd::TPodCommand& c);
  // Sends the command's bytes and reads its reply, the row's lengths; with
  // `ack`, reply byte 0 must be it.
  bool exchange(const podcmd::TPodCommand& c) { return transfer(c.Out, c.Reply); }
  bool exchange(const podcmd::TPodCommand& c, uint8_t ack) { return acked(c.Out, c.Reply, ack); }
  void putHeader(size_t at, uint32_t A, int R);
  void putLength(size_t at, uint32_t len);
  uint32_t packetPayload() const;
  bool openCheck(int number);
  bool acceptDevice(std::unique_ptr<IPodTransport> t, TPodTransportKind kind, int number);
  bool readPacket(uint32_t A, uint32_t n, uint8_t* dest, bool words);
  bool writePacket(uint32_t A, const uint8_t* data, uint32_t n, bool words);
  bool parallelRead(uint32_t A, uint32_t n, uint8_t* dest, bool words);
  bool parallelWrite(uint32_t A, const uint8_t* data, uint32_t n, bool words);
  bool parallelDownload(uint32_t start, const std::vector<uint8_t>& bytes, const TGauge& gauge);
  // The data packets of a block write after its header (each answered by
  // three bytes), and the chunks of a block read, each asked for by `ask`.
  bool sendBlockData(const uint8_t* data, uint32_t bytes, const TGauge& gauge);
  bool receiveBlockData(const podcmd::TPodCommand& ask, uint8_t* dest, uint32_t bytes,
                        const TGauge& gauge);
  bool usable();  // the link is open; else lost()
  void putAddress(size_t at, uint32_t value);  // 24 bits big-endian
  bool controlFrom(uint8_t (*change)(uint8_t control, uint8_t s));
  bool controlValue(uint8_t v);
  uint8_t stopBit() const;
  bool stepByBreakpoint();
  bool usbSession(const podcmd::TPodCommand& which);
  bool parallelSession(bool begin);

  std::unique_ptr<IPodTransport> transport_;
  IPodDeviceEnumerator* devices_ = nullptr;
  std::unique_ptr<IPodDeviceEnumerator> ownDevices_;
  TParallelPort parallel_;
  std::string problem_;
  std::string refusal_;                     // why the search passed over a pod it found
  std::array<uint32_t, 16> breakpoints_{};  // the list last written
};

// The pod of the program (the main window and the CPU model share it).
TPodProtocol& ThePod();

}  // namespace kyvor
