#pragma once
// The real USB devices of the pod: the bulk pod through libusb and the HID
// pod through hidapi (hidraw). Each search lists the buses once: bulk devices
// of the pod's vendor and product in bus/address order (the position in that
// list is the search's device number), HID devices of the pod's vendor and
// product in path order. Without libusb or hidapi in the build the lists are
// empty.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/pod_transport.h"

namespace kyvor {

// The pod's USB identities.
inline constexpr uint16_t kBulkPodVendor = 0x0547;
inline constexpr uint16_t kBulkPodProduct = 0x1003;
inline constexpr uint16_t kHidPodVendor = 0x04D9;
inline constexpr uint16_t kHidPodProduct = 0x2009;
inline constexpr uint16_t kHidPodVersion = 0x0727;

// The hint shown when a device exists but may not be opened.
std::string UsbPermissionHint();

// The reply of one bulk read. `result` is the transfer's result (0 done, else
// an error or a time-out) and `got` the bytes that came into `packets` (a
// whole number of packets, so it may hold more than was asked). The n bytes
// asked go to `data`; a shorter reply is zero-filled. False only when the
// transfer failed; `data` is then left as it was.
bool TakeBulkReply(int result, const uint8_t* packets, size_t got, uint8_t* data, size_t n);

// The size of the buffer of a bulk read of n bytes from a pipe whose largest
// packet is packetSize bytes (0: the pipe does not say; 64 is taken): whole
// packets, at least one, so that a pod answering a short request with a whole
// packet does not overflow it.
size_t BulkReadBufferSize(size_t n, uint16_t packetSize);

class TUsbPodEnumerator final : public IPodDeviceEnumerator {
 public:
  TUsbPodEnumerator();
  ~TUsbPodEnumerator() override;
  TUsbPodEnumerator(const TUsbPodEnumerator&) = delete;
  TUsbPodEnumerator& operator=(const TUsbPodEnumerator&) = delete;

  std::unique_ptr<IPodTransport> OpenBulk(int n) override;
  std::unique_ptr<IPodTransport> OpenHid(int i) override;
  void BeginSearch() override;
  void EndSearch() override;
  std::string OpenProblem() const override { return problem_; }

  // What the last search saw (for the status report and the tests).
  struct TSearchReport {
    int Searches = 0;           // searches begun since creation
    bool LibusbReady = false;   // libusb_init succeeded
    bool HidapiReady = false;   // hid_init succeeded
    int UsbDevicesListed = -1;  // every device libusb listed (-1: not listed)
    int BulkPods = 0;           // of them, bulk pods
    int HidPods = 0;            // HID pods hidapi listed
  };
  const TSearchReport& Report() const { return report_; }
  // Whether this build has the two libraries (without them the lists are empty).
  static bool BuiltWithLibusb();
  static bool BuiltWithHidapi();

 private:
  struct TState;
  std::unique_ptr<TState> state_;
  std::string problem_;
  TSearchReport report_;
};

}  // namespace kyvor
