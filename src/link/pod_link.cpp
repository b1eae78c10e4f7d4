// The link of the pod protocol: the search, the open check, one packet out
// and one packet back in either framing, the close.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/clock.h"
#include "base/dialogs.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "link/pod_protocol.h"
#include "link/usb_devices.h"

namespace kyvor {

namespace {
constexpr int kBulkNames = 32;
constexpr int kHidIndexes = 128;
}  // namespace

uint16_t PodCrc16Update(uint8_t byte, uint16_t crc) { return ImageCrc16Update(byte, crc); }

void DelayMilliseconds(int32_t ms) {
  if (ms > 0) Clock().sleepFor(std::chrono::milliseconds(ms));
}

TPodProtocol::TPodProtocol() { breakpoints_.fill(0xFFFFF); }

TPodProtocol::~TPodProtocol() { PodLinkClose(); }

void TPodProtocol::SetEnumerator(IPodDeviceEnumerator* devices) {
  PodLinkClose();
  devices_ = devices;
}

IPodDeviceEnumerator& TPodProtocol::Enumerator() {
  if (devices_) return *devices_;
  if (!ownDevices_) ownDevices_ = std::make_unique<TUsbPodEnumerator>();
  return *ownDevices_;
}

bool TPodProtocol::lost() {
  Modes().PodState = 255;
  PodLinkClose();
  return false;
}

// ---------------------------------------------------------------------------
// One packet each way
// ---------------------------------------------------------------------------

bool TPodProtocol::PodUsbSend(uint8_t n) {
  if (!transport_) return false;
  const int timeout = Settings.TransferTimeoutMs;
  bool ok = false;
  if (PodTransport == 1) {
    std::vector<uint8_t> report(HidOutputReportLength, 0);
    const size_t payload = std::min<size_t>(report.size() - 1, kPodMaxTransfer);
    std::memcpy(report.data() + 1, PodIoBuffer.data(), payload);
    ok = transport_->Send(report.data(), report.size(), timeout);
    if (ok) PodBytesTransferred = uint32_t(report.size());
  } else if (PodTransport == 0) {
    // The command pipe must be an OUT pipe; no packet outgrows the buffer.
    if (PodLink.Pipes[1].EndpointAddress < 0x80 && n <= kPodIoBufferSize)
      ok = transport_->Send(PodIoBuffer.data(), n, timeout);
  }
  if (!ok) {
    problem_ = transport_->LastErrorText();
    PodLinkClose();
  }
  return ok;
}

bool TPodProtocol::PodUsbReceive(uint8_t n) {
  if (!transport_) return false;
  const int timeout = Settings.TransferTimeoutMs;
  bool ok = false;
  if (PodTransport == 1) {
    std::vector<uint8_t> report(HidInputReportLength, 0);
    ok = transport_->Receive(report.data(), report.size(), timeout);
    if (ok) {
      const size_t payload = std::min<size_t>(report.size() - 1, kPodMaxTransfer);
      std::memcpy(PodIoBuffer.data(), report.data() + 1, payload);
      PodBytesTransferred = uint32_t(report.size());
    }
  } else if (PodTransport == 0) {
    if (PodLink.Pipes[0].EndpointAddress >= 0x80 && n <= kPodIoBufferSize)
      ok = transport_->Receive(PodIoBuffer.data(), n, timeout);
  }
  if (!ok) {
    problem_ = transport_->LastErrorText();
    if (problem_.empty()) problem_ = "the pod did not answer";
    PodLinkClose();
  }
  return ok;
}

bool TPodProtocol::transfer(uint8_t out, uint8_t in) {
  return PodUsbSend(out) && PodUsbReceive(in);
}

bool TPodProtocol::acked(uint8_t out, uint8_t in, uint8_t ack) {
  return transfer(out, in) && PodIoBuffer[0] == ack;
}

void TPodProtocol::put(const podcmd::TPodCommand& c) {
  clearBuffer();
  PodIoBuffer[0] = c.Code;
  if (c.HasSub) PodIoBuffer[1] = c.Sub;
}

void TPodProtocol::PodLinkClose() {
  if (transport_) transport_->Close();
  transport_.reset();
  PodLink.Handle = -1;
  PodLink.DeviceName.clear();
  PodLink.Connected = -1;
  PodLink.Reserved = -1;
  PodLink.Ready = 0;
  PodLink.IdVendor = PodLink.IdProduct = PodLink.BcdDevice = 0;
  PodLink.IsOpen = 0;
}

// ---------------------------------------------------------------------------
// Identity and link values
// ---------------------------------------------------------------------------

uint8_t TPodProtocol::PodQueryIdentity() {
  if (!PodLink.IsOpen) return 0;
  put(podcmd::Identity);
  if (!exchange(podcmd::Identity)) return 0;
  if (std::memcmp(PodIoBuffer.data(), kPodIdentity1, 8) == 0) return 1;
  if (std::memcmp(PodIoBuffer.data(), kPodIdentity2, 8) == 0) return 2;
  return 0;
}

bool TPodProtocol::PodQueryInfo(uint8_t sub, int32_t& value) {
  put(podcmd::Announce);
  PodIoBuffer[1] = sub;  // the link value asked for (Announce, OpenCheck)
  PodIoBuffer[2] = uint8_t(value);
  PodIoBuffer[3] = uint8_t(value >> 8);
  if (!exchange(podcmd::Announce)) return false;
  value = PodIoBuffer[0] + 256 * PodIoBuffer[1];
  return true;
}

// ---------------------------------------------------------------------------
// The search
// ---------------------------------------------------------------------------

bool TPodProtocol::openCheck(int number) {
  int32_t check = 0;
  if (!PodQueryInfo(podcmd::OpenCheck.Sub, check) || check != 0xFFFF) return false;
  PodLink.IsOpen = 1;
  PodLink.Connected = 1;
  PodLink.Ready = 1;
  // A pod that does not take its device number is not open (the failed
  // transfer has closed the link).
  int32_t announce = number;
  if (!PodQueryInfo(podcmd::Announce.Sub, announce)) return false;
  if (PodTransport == 1) {
    PodLink.MaxTransfer = uint16_t(std::min<int>(HidInputReportLength - 1, kPodMaxTransfer));
    for (int k = 0; k < 4; ++k) PodLink.Pipes[size_t(k)].MaximumPacketSize = PodLink.MaxTransfer;
  }
  // Link start; the replies are not looked at. A failure here closes the
  // link, so the next command fails.
  for (uint8_t v : {uint8_t(1), uint8_t(0)}) {
    if (!transport_) break;
    put(podcmd::LinkStart);
    PodIoBuffer[2] = v;
    PodIoBuffer[3] = podcmd::LinkStartLastByte;
    exchange(podcmd::LinkStart);
  }
  return true;
}

bool TPodProtocol::acceptDevice(std::unique_ptr<IPodTransport> t, TPodTransportKind kind,
                                int number) {
  if (!t) return false;
  TPodDeviceDescriptor d;
  if (!t->ReadDescriptor(d)) return false;
  const bool bulk = kind == TPodTransportKind::Bulk;
  if (bulk ? (d.Vendor != kBulkPodVendor || d.Product != kBulkPodProduct)
           : (d.Vendor != kHidPodVendor || d.Product != kHidPodProduct ||
              d.Version != kHidPodVersion))
    return false;
  if (!bulk && (d.InputReportLength < 2 || d.OutputReportLength < 2)) return false;
  if (bulk && d.InPacketSize < kPodMinPacketSize) {
    refusal_ = "USB pod Kyusb-" + std::to_string(number) + ": its " +
               std::to_string(d.InPacketSize) +
               "-byte packets cannot carry the pod's commands (at least " +
               std::to_string(kPodMinPacketSize) + " bytes are needed).";
    return false;
  }
  transport_ = std::move(t);
  PodLink.Handle = number;
  PodLink.IdVendor = d.Vendor;
  PodLink.IdProduct = d.Product;
  PodLink.BcdDevice = d.Version;
  PodTransport = bulk ? 0 : 1;
  if (bulk) {
    PodLink.Pipes[0] = TPodPipe{};
    PodLink.Pipes[0].EndpointAddress = d.InEndpoint;
    PodLink.Pipes[0].MaximumPacketSize = d.InPacketSize;
    PodLink.Pipes[1] = TPodPipe{};
    PodLink.Pipes[1].EndpointAddress = d.OutEndpoint;
    PodLink.Pipes[1].MaximumPacketSize = d.OutPacketSize;
    // A high-speed pod reports 512-byte packets; no packet may outgrow the
    // buffer, so the payload stays at 64.
    PodLink.MaxTransfer = std::min<uint16_t>(d.InPacketSize, kPodMaxTransfer);
  } else {
    HidInputReportLength = d.InputReportLength;
    HidOutputReportLength = d.OutputReportLength;
  }
  if (openCheck(number)) return true;
  PodLinkClose();
  return false;
}

uint8_t TPodProtocol::PodUsbOpen() {
  if (transport_ && PodLink.IsOpen) {
    // The pod answers: it is open, whatever an earlier failure left in PodState.
    const uint8_t kind = PodQueryIdentity();
    if (kind == 1) return Modes().PodState = 0;
    // Open, but another kind of pod: not searched for again.
    if (kind == 2) return Modes().PodState = 255;
    // No answer, or an identity of no pod: the link is lost.
    lost();
    return 255;
  }
  // A handle left open (a claimed interface on Linux) would block the search.
  PodLinkClose();
  IPodDeviceEnumerator& devices = Enumerator();
  refusal_.clear();
  devices.BeginSearch();
  bool found = false;
  for (int n = 0; n < kBulkNames && !found; ++n) {
    PodLink.DeviceName = "Kyusb-" + std::to_string(n);
    found = acceptDevice(devices.OpenBulk(n), TPodTransportKind::Bulk, n);
  }
  if (!found) PodLink.DeviceName.clear();
  for (int i = 0; i < kHidIndexes && !found; ++i)
    found = acceptDevice(devices.OpenHid(i), TPodTransportKind::Hid, i);
  devices.EndSearch();
  if (found) {
    problem_.clear();
    return Modes().PodState = 0;
  }
  problem_ = devices.OpenProblem();
  if (!refusal_.empty()) problem_ = problem_.empty() ? refusal_ : refusal_ + "\n" + problem_;
  return Modes().PodState = 255;
}

bool TPodProtocol::PodReconnect() {
  Modes().PodState = PodUsbOpen();
  if (Modes().PodState < 2) return true;
  Dialogs().messageBox(LangTextUtf8(lt::IceConnectError), "Error", MsgIcon::Error, MbCancel);
  Modes().PodState = 255;
  PodLinkClose();
  return false;
}

// The close report and its reply, then the end of the link announced
// (F9 01 FF FF), then the handle closed; the same in both framings. A failed
// transfer has closed the link already, and what follows is not sent.
void TPodProtocol::PodSendCloseSequence() {
  if (!LinkUsable()) return;
  put(podcmd::CloseReport);
  if (exchange(podcmd::CloseReport)) {
    int32_t closing = 0xFFFF;
    PodQueryInfo(podcmd::Announce.Sub, closing);
  }
  PodLinkClose();
}

TPodProtocol& ThePod() {
  static TPodProtocol pod;
  return pod;
}

}  // namespace kyvor
