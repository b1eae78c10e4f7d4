#pragma once
// The transports of the pod link: they only move bytes. The protocol layer
// (pod_protocol.h) assembles every command and reads every reply; a transport
// opens one device, sends and receives packets with a time-out, and closes.
//
// A device enumerator sits under the pod search so the search order and its
// refusals can run against fakes and the virtual pod. The real one
// (usb_devices.h) lists the pod's USB devices through libusb and hidapi.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kyvor {

enum class TPodTransportKind : uint8_t { Bulk = 0, Hid = 1 };

// What an opened device tells about itself.
struct TPodDeviceDescriptor {
  // Bulk: idVendor, idProduct, bcdDevice of the device descriptor.
  // HID: the vendor, product and version attributes.
  uint16_t Vendor = 0;
  uint16_t Product = 0;
  uint16_t Version = 0;
  // Bulk: the reply pipe (IN, address 0x80 and above) and the command pipe
  // (OUT); their largest packet sizes.
  uint8_t InEndpoint = 0;
  uint8_t OutEndpoint = 0;
  uint16_t InPacketSize = 0;
  uint16_t OutPacketSize = 0;
  // HID: report lengths, report id included.
  uint16_t InputReportLength = 0;
  uint16_t OutputReportLength = 0;
};

// One opened device. Every transfer has a time-out; a transfer that times out
// has failed.
class IPodTransport {
 public:
  virtual ~IPodTransport() = default;
  virtual TPodTransportKind Kind() const = 0;
  // False when the device does not answer the descriptor request.
  virtual bool ReadDescriptor(TPodDeviceDescriptor& descriptor) = 0;
  // Bulk: n bytes on the command pipe. HID: one output report of n bytes,
  // report id first.
  virtual bool Send(const uint8_t* data, size_t n, int timeoutMs) = 0;
  // Bulk: n bytes from the reply pipe (a shorter reply is zero-filled, bytes
  // beyond n are dropped; only a transfer error or a time-out fails). HID: one
  // input report into n bytes, report id first.
  virtual bool Receive(uint8_t* data, size_t n, int timeoutMs) = 0;
  virtual void Close() = 0;
  // The last error of the device calls (0 = none) and a text for it.
  virtual int LastError() const = 0;
  virtual std::string LastErrorText() const = 0;
};

// The devices the pod search may try, by the search's own numbering.
class IPodDeviceEnumerator {
 public:
  virtual ~IPodDeviceEnumerator() = default;
  // Bulk device number n (0..31); nullptr when there is none or it does not open.
  virtual std::unique_ptr<IPodTransport> OpenBulk(int n) = 0;
  // HID device index i (0..127); nullptr when none is found at i.
  virtual std::unique_ptr<IPodTransport> OpenHid(int i) = 0;
  // Called once before a search and once after it, so a real enumerator lists
  // the buses once per search.
  virtual void BeginSearch() {}
  virtual void EndSearch() {}
  // What kept a device from opening in the last search (for instance missing
  // access rights, with a hint); empty when nothing did.
  virtual std::string OpenProblem() const { return std::string(); }
};

}  // namespace kyvor
