#include "link/usb_devices.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef KYVOR_HAVE_LIBUSB
#include <libusb.h>
#endif
#ifdef KYVOR_HAVE_HIDAPI
#include <hidapi.h>
#endif

namespace kyvor {

std::string UsbPermissionHint() {
  return "No access to the pod's USB device. Install the udev rule shipped with the IDE "
         "(sudo cp 60-kyvor-pod.rules /etc/udev/rules.d/ && sudo udevadm control --reload-rules "
         "&& sudo udevadm trigger) and plug the pod in again.";
}

bool TakeBulkReply(int result, const uint8_t* packets, size_t got, uint8_t* data, size_t n) {
  if (result != 0) return false;
  const size_t copied = std::min(got, n);
  if (copied) std::memcpy(data, packets, copied);
  std::memset(data + copied, 0, n - copied);
  return true;
}

size_t BulkReadBufferSize(size_t n, uint16_t packetSize) {
  const size_t packet = packetSize ? packetSize : 64;
  return std::max<size_t>(1, (n + packet - 1) / packet) * packet;
}

namespace {

#ifdef KYVOR_HAVE_LIBUSB

// The bulk pod: interface 0, its first bulk IN and first bulk OUT endpoints.
class TLibusbTransport final : public IPodTransport {
 public:
  TLibusbTransport(libusb_device* dev, libusb_device_handle* h)
      : dev_(libusb_ref_device(dev)), h_(h) {
    findEndpoints();
  }
  ~TLibusbTransport() override {
    Close();
    libusb_unref_device(dev_);
  }
  TPodTransportKind Kind() const override { return TPodTransportKind::Bulk; }

  bool ReadDescriptor(TPodDeviceDescriptor& d) override {
    libusb_device_descriptor dd{};
    const int rc = libusb_get_device_descriptor(dev_, &dd);
    if (rc != 0) return fail(rc);
    d = TPodDeviceDescriptor{};
    d.Vendor = dd.idVendor;
    d.Product = dd.idProduct;
    d.Version = dd.bcdDevice;
    d.InEndpoint = in_;
    d.OutEndpoint = out_;
    d.InPacketSize = inSize_;
    d.OutPacketSize = outSize_;
    return true;
  }

  bool Send(const uint8_t* data, size_t n, int timeoutMs) override {
    if (!h_ || out_ == 0) return fail(LIBUSB_ERROR_NO_DEVICE);
    int done = 0;
    const int rc = libusb_bulk_transfer(h_, out_, const_cast<uint8_t*>(data), int(n), &done,
                                        unsigned(timeoutMs));
    if (rc != 0) return fail(rc);
    return done == int(n) ? true : fail(LIBUSB_ERROR_IO);
  }

  bool Receive(uint8_t* data, size_t n, int timeoutMs) override {
    if (!h_ || in_ == 0) return fail(LIBUSB_ERROR_NO_DEVICE);
    // The bytes asked are taken from a buffer of whole packets.
    std::vector<uint8_t> buf(BulkReadBufferSize(n, inSize_));
    int got = 0;
    const int rc =
        libusb_bulk_transfer(h_, in_, buf.data(), int(buf.size()), &got, unsigned(timeoutMs));
    if (!TakeBulkReply(rc, buf.data(), size_t(std::max(got, 0)), data, n))
      return fail(rc != 0 ? rc : LIBUSB_ERROR_IO);
    return true;
  }

  void Close() override {
    if (!h_) return;
    libusb_release_interface(h_, 0);
    libusb_close(h_);
    h_ = nullptr;
  }
  int LastError() const override { return error_; }
  std::string LastErrorText() const override {
    return error_ == 0 ? std::string() : libusb_strerror(libusb_error(error_));
  }

 private:
  bool fail(int rc) {
    error_ = rc;
    return false;
  }
  void findEndpoints() {
    libusb_config_descriptor* cfg = nullptr;
    if (libusb_get_active_config_descriptor(dev_, &cfg) != 0 || !cfg) return;
    if (cfg->bNumInterfaces > 0 && cfg->interface[0].num_altsetting > 0) {
      const libusb_interface_descriptor& alt = cfg->interface[0].altsetting[0];
      for (int e = 0; e < alt.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& ep = alt.endpoint[e];
        if ((ep.bmAttributes & 0x03) != LIBUSB_TRANSFER_TYPE_BULK) continue;
        if ((ep.bEndpointAddress & 0x80) && in_ == 0) {
          in_ = ep.bEndpointAddress;
          inSize_ = ep.wMaxPacketSize;
        } else if (!(ep.bEndpointAddress & 0x80) && out_ == 0) {
          out_ = ep.bEndpointAddress;
          outSize_ = ep.wMaxPacketSize;
        }
      }
    }
    libusb_free_config_descriptor(cfg);
  }

  libusb_device* dev_;
  libusb_device_handle* h_;
  uint8_t in_ = 0, out_ = 0;
  uint16_t inSize_ = 0, outSize_ = 0;
  int error_ = 0;
};

#endif  // KYVOR_HAVE_LIBUSB

#ifdef KYVOR_HAVE_HIDAPI

constexpr uint16_t kHidReportLength = 65;  // report id + 64 bytes

// The HID pod through hidraw. hidraw hands input reports over without the
// report id byte; Receive puts id 0 in front so both pods look the same.
class THidTransport final : public IPodTransport {
 public:
  THidTransport(hid_device* h, uint16_t vendor, uint16_t product, uint16_t version)
      : h_(h), vendor_(vendor), product_(product), version_(version) {
    drainStaleReports();
  }
  ~THidTransport() override { Close(); }
  TPodTransportKind Kind() const override { return TPodTransportKind::Hid; }

  bool ReadDescriptor(TPodDeviceDescriptor& d) override {
    if (!h_) return false;
    d = TPodDeviceDescriptor{};
    d.Vendor = vendor_;
    d.Product = product_;
    d.Version = version_;
    d.InputReportLength = kHidReportLength;
    d.OutputReportLength = kHidReportLength;
    return true;
  }

  // hidraw writes have no time-out of their own; the kernel bounds an
  // output report at a few seconds.
  bool Send(const uint8_t* data, size_t n, int) override {
    if (!h_) return fail("not open");
    const int rc = hid_write(h_, data, n);
    if (rc != int(n)) return fail(hid_error(h_));
    return true;
  }

  bool Receive(uint8_t* data, size_t n, int timeoutMs) override {
    if (!h_ || n < 2) return fail("not open");
    std::memset(data, 0, n);
    const int rc = hid_read_timeout(h_, data + 1, n - 1, timeoutMs);
    if (rc == 0) return fail("time-out");
    if (rc < 0) return fail(hid_error(h_));
    return true;
  }

  void Close() override {
    if (!h_) return;
    hid_close(h_);
    h_ = nullptr;
  }
  int LastError() const override { return errorText_.empty() ? 0 : 1; }
  std::string LastErrorText() const override { return errorText_; }

 private:
  bool fail(const wchar_t* text) {
    errorText_.clear();
    if (text)
      for (const wchar_t* p = text; *p; ++p) errorText_ += char(*p < 128 ? *p : '?');
    if (errorText_.empty()) errorText_ = "HID error";
    return false;
  }
  bool fail(const char* text) {
    errorText_ = text;
    return false;
  }
  // Reports the pod sent before this program opened it are not answers.
  void drainStaleReports() {
    uint8_t buf[kHidReportLength];
    for (int i = 0; i < 64 && hid_read_timeout(h_, buf, sizeof buf, 0) > 0; ++i) {}
  }

  hid_device* h_;
  uint16_t vendor_, product_, version_;
  std::string errorText_;
};

#endif  // KYVOR_HAVE_HIDAPI

}  // namespace

struct TUsbPodEnumerator::TState {
#ifdef KYVOR_HAVE_LIBUSB
  libusb_context* ctx = nullptr;
  bool libusbTried = false;
  std::vector<libusb_device*> bulk;  // referenced while a search lasts
  void releaseBulk() {
    for (libusb_device* d : bulk) libusb_unref_device(d);
    bulk.clear();
  }
#endif
#ifdef KYVOR_HAVE_HIDAPI
  bool hidTried = false;
  bool hidReady = false;
  struct THidEntry {
    std::string path;
    uint16_t vendor, product, version;
  };
  std::vector<THidEntry> hid;
#endif
  bool listed = false;
};

TUsbPodEnumerator::TUsbPodEnumerator() : state_(std::make_unique<TState>()) {}

bool TUsbPodEnumerator::BuiltWithLibusb() {
#ifdef KYVOR_HAVE_LIBUSB
  return true;
#else
  return false;
#endif
}

bool TUsbPodEnumerator::BuiltWithHidapi() {
#ifdef KYVOR_HAVE_HIDAPI
  return true;
#else
  return false;
#endif
}

TUsbPodEnumerator::~TUsbPodEnumerator() {
#ifdef KYVOR_HAVE_LIBUSB
  state_->releaseBulk();
  if (state_->ctx) libusb_exit(state_->ctx);
#endif
#ifdef KYVOR_HAVE_HIDAPI
  if (state_->hidReady) hid_exit();
#endif
}

void TUsbPodEnumerator::BeginSearch() {
  EndSearch();
  problem_.clear();
  ++report_.Searches;
  report_.UsbDevicesListed = -1;
  report_.BulkPods = report_.HidPods = 0;
#ifdef KYVOR_HAVE_LIBUSB
  if (!state_->libusbTried) {
    state_->libusbTried = true;
    if (libusb_init(&state_->ctx) != 0) state_->ctx = nullptr;
  }
  report_.LibusbReady = state_->ctx != nullptr;
  if (state_->ctx) {
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(state_->ctx, &list);
    report_.UsbDevicesListed = n < 0 ? -1 : int(n);
    for (ssize_t k = 0; k < n; ++k) {
      libusb_device_descriptor dd{};
      if (libusb_get_device_descriptor(list[k], &dd) != 0) continue;
      if (dd.idVendor == kBulkPodVendor && dd.idProduct == kBulkPodProduct)
        state_->bulk.push_back(libusb_ref_device(list[k]));
    }
    if (list) libusb_free_device_list(list, 1);
    std::sort(state_->bulk.begin(), state_->bulk.end(), [](libusb_device* a, libusb_device* b) {
      const int ka = libusb_get_bus_number(a) * 256 + libusb_get_device_address(a);
      const int kb = libusb_get_bus_number(b) * 256 + libusb_get_device_address(b);
      return ka < kb;
    });
    report_.BulkPods = int(state_->bulk.size());
  }
#endif
#ifdef KYVOR_HAVE_HIDAPI
  if (!state_->hidTried) {
    state_->hidTried = true;
    state_->hidReady = hid_init() == 0;
  }
  report_.HidapiReady = state_->hidReady;
  if (state_->hidReady) {
    hid_device_info* all = hid_enumerate(kHidPodVendor, kHidPodProduct);
    for (hid_device_info* p = all; p; p = p->next)
      if (p->path) state_->hid.push_back({p->path, p->vendor_id, p->product_id, p->release_number});
    hid_free_enumeration(all);
    std::sort(state_->hid.begin(), state_->hid.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    report_.HidPods = int(state_->hid.size());
  }
#endif
  state_->listed = true;
}

void TUsbPodEnumerator::EndSearch() {
#ifdef KYVOR_HAVE_LIBUSB
  state_->releaseBulk();
#endif
#ifdef KYVOR_HAVE_HIDAPI
  state_->hid.clear();
#endif
  state_->listed = false;
}

std::unique_ptr<IPodTransport> TUsbPodEnumerator::OpenBulk(int n) {
#ifdef KYVOR_HAVE_LIBUSB
  if (!state_->listed) BeginSearch();
  if (n < 0 || n >= int(state_->bulk.size())) return nullptr;
  libusb_device* dev = state_->bulk[size_t(n)];
  libusb_device_handle* h = nullptr;
  int rc = libusb_open(dev, &h);
  if (rc == 0) {
    libusb_set_auto_detach_kernel_driver(h, 1);
    rc = libusb_claim_interface(h, 0);
    if (rc != 0) {
      libusb_close(h);
      h = nullptr;
    }
  }
  if (rc != 0) {
    problem_ = rc == LIBUSB_ERROR_ACCESS
                   ? UsbPermissionHint()
                   : std::string("USB pod: ") + libusb_strerror(libusb_error(rc));
    return nullptr;
  }
  return std::make_unique<TLibusbTransport>(dev, h);
#else
  (void)n;
  return nullptr;
#endif
}

std::unique_ptr<IPodTransport> TUsbPodEnumerator::OpenHid(int i) {
#ifdef KYVOR_HAVE_HIDAPI
  if (!state_->listed) BeginSearch();
  if (i < 0 || i >= int(state_->hid.size())) return nullptr;
  const auto& e = state_->hid[size_t(i)];
  errno = 0;
  hid_device* h = hid_open_path(e.path.c_str());
  if (!h) {
    problem_ = (errno == EACCES || errno == EPERM) ? UsbPermissionHint()
                                                   : "HID pod: " + e.path + " does not open";
    return nullptr;
  }
  return std::make_unique<THidTransport>(h, e.vendor, e.product, e.version);
#else
  (void)i;
  return nullptr;
#endif
}

}  // namespace kyvor
