// The test build of the program: the IDE with a virtual pod as the first
// device of the pod search (bulk device 0; HID index 0 when the environment
// variable KYVOR_VIRTUAL_POD is "hid"; "unplugged" leaves the place empty, so
// the search ends at the real devices); the real USB devices follow it. The
// virtual pod answers with the first chip id of the selected chip. The pod
// interface starts as USB (the options dialog that chooses it is not there).
#include <cstdlib>
#include <string>

#include "base/modes.h"
#include "link/pod_protocol.h"
#include "link/usb_devices.h"
#include "shell/kyapp.h"
#include "support/virtual_pod.h"

int main(int argc, char** argv) {
  using kyvor::test::TVirtualPod;
  const char* kind = std::getenv("KYVOR_VIRTUAL_POD");
  const bool hid = kind && std::string(kind) == "hid";
  TVirtualPod pod(hid ? TVirtualPod::TFraming::Hid : TVirtualPod::TFraming::Bulk);
  pod.ChipIdFromChip = true;
  pod.Faults.Unplugged = kind && std::string(kind) == "unplugged";
  kyvor::TUsbPodEnumerator usb;
  kyvor::test::TVirtualPodEnumerator devices;
  if (hid) {
    devices.SetHid(0, &pod);
    devices.SetFallback(&usb, 0, 1);
  } else {
    devices.SetBulk(0, &pod);
    devices.SetFallback(&usb, 1, 0);
  }
  kyvor::ThePod().SetEnumerator(&devices);
  kyvor::Modes().IceInterfaceIndex = 4;
  const int rc = kyvor::RunKyvorIde(argc, argv);
  kyvor::ThePod().SetEnumerator(nullptr);
  return rc;
}
