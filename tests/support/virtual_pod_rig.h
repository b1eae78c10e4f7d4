#pragma once
// A virtual pod ready to use: the pod, the device list that offers it as the
// first device of the search, and a pod protocol of its own (so a test never
// touches the program's pod). Open() runs the real search over it; Install()
// hands the protocol to a CPU model as its pod.
#include "base/modes.h"
#include "engine/ky_up.h"
#include "link/pod_protocol.h"
#include "support/virtual_pod.h"

namespace kyvor::test {

class TVirtualPodRig {
 public:
  explicit TVirtualPodRig(TVirtualPod::TFraming framing = TVirtualPod::TFraming::Bulk)
      : Pod(framing) {
    if (framing == TVirtualPod::TFraming::Hid)
      Devices.SetHid(0, &Pod);
    else
      Devices.SetBulk(0, &Pod);
    Link.SetEnumerator(&Devices);
  }
  ~TVirtualPodRig() { Link.SetEnumerator(nullptr); }
  TVirtualPodRig(const TVirtualPodRig&) = delete;
  TVirtualPodRig& operator=(const TVirtualPodRig&) = delete;

  // The USB interface chosen and the pod searched for; true when it opened.
  bool Open() {
    Modes().IceInterfaceIndex = 4;
    return Link.PodUsbOpen() == 0;
  }
  // The model drives this pod in emulator mode.
  void Install(TKy_UP& up) { up.SetPod(&Link); }

  TVirtualPod Pod;
  TVirtualPodEnumerator Devices;
  TPodProtocol Link;
};

}  // namespace kyvor::test

namespace kyvor::test {

// The virtual pod under the program's own pod (ThePod()), as the first device
// of its search, answering the selected chip's first id; the program's pod
// lets go of it (its link closed) when the object goes. Declare it before
// the program object, so the program goes first.
class TProgramVirtualPod {
 public:
  TProgramVirtualPod() {
    Pod.ChipIdFromChip = true;
    Devices.SetBulk(0, &Pod);
    ThePod().SetEnumerator(&Devices);
  }
  ~TProgramVirtualPod() {
    ThePod().PodLinkClose();
    ThePod().SetEnumerator(nullptr);
  }
  TProgramVirtualPod(const TProgramVirtualPod&) = delete;
  TProgramVirtualPod& operator=(const TProgramVirtualPod&) = delete;

  TVirtualPod Pod;
  TVirtualPodEnumerator Devices;
};

}  // namespace kyvor::test
