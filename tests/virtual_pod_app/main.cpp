// The test build of the program: the IDE with a virtual pod as the first
// device of the pod search (bulk device 0; HID index 0 when the environment
// variable KYVOR_VIRTUAL_POD is "hid"; "unplugged" leaves the place empty, so
// the search ends at the real devices); the real USB devices follow it. The
// virtual pod answers with the first chip id of the selected chip, and the
// chip in its programmer's socket is the selected chip; its chip operations
// take 6 s each. The pod
// interface is USB at the first start (the options dialog and Kymain.cfg
// keep the choice afterwards).
//
// The pod can be unplugged while the program runs: SIGUSR1 unplugs it,
// SIGUSR2 plugs it in again (kill -USR1 <pid>).
#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <string>

#include "base/modes.h"
#include "link/pod_protocol.h"
#include "link/usb_devices.h"
#include "shell/mainwin/startup.h"
#include "support/virtual_pod.h"

namespace {

kyvor::test::TVirtualPod* g_pod = nullptr;
volatile std::sig_atomic_t g_plug = 0;  // 1 unplug, 2 plug in, 0 nothing asked

void OnSignal(int signal) { g_plug = signal == SIGUSR1 ? 1 : 2; }

// Once the application exists: the signals' requests are carried out on the
// program's own thread, between two events.
void WatchPlugSignals() {
  auto* timer = new QTimer(QCoreApplication::instance());
  QObject::connect(timer, &QTimer::timeout, [] {
    if (g_plug == 0 || !g_pod) return;
    g_pod->Faults.Unplugged = g_plug == 1;
    g_plug = 0;
  });
  timer->start(100);
}
Q_COREAPP_STARTUP_FUNCTION(WatchPlugSignals)

}  // namespace

int main(int argc, char** argv) {
  using kyvor::test::TVirtualPod;
  const char* kind = std::getenv("KYVOR_VIRTUAL_POD");
  const bool hid = kind && std::string(kind) == "hid";
  TVirtualPod pod(hid ? TVirtualPod::TFraming::Hid : TVirtualPod::TFraming::Bulk);
  pod.ChipIdFromChip = true;
  pod.Writer.Chip.IdFromChip = true;  // the chip in the programmer's socket is the selected one
  // A chip operation outlasts the program's first wait for its status, so the
  // status reads after it see the writer's count move the gauge.
  pod.Writer.OperationMs = 6000;
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
  g_pod = &pod;
  std::signal(SIGUSR1, OnSignal);
  std::signal(SIGUSR2, OnSignal);
  kyvor::Modes().IceInterfaceIndex = 4;
  const int rc = kyvor::RunKyvorIde(argc, argv);
  g_pod = nullptr;
  kyvor::ThePod().SetEnumerator(nullptr);
  return rc;
}
