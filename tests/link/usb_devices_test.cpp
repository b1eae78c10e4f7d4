// The real USB devices: on a machine without a pod the search goes through
// libusb and hidapi, finds nothing and gives 255 with the link closed.
#include <gtest/gtest.h>

#include <vector>

#include "base/modes.h"
#include "link/pod_protocol.h"
#include "link/usb_devices.h"
#include "support/fake_clock.h"

namespace kyvor {
namespace {

TEST(UsbDevices, WithoutAPodTheSearchGives255AfterAskingLibusbAndHidapi) {
  ResetModes();
  test::FakeClock clock;
  clock.install();
  TUsbPodEnumerator usb;
  TPodProtocol link;
  link.SetEnumerator(&usb);
  Modes().IceInterfaceIndex = 4;
  Modes().PodState = 0;
  ASSERT_EQ(link.PodUsbOpen(), 255);
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(link.PodLink.IsOpen, 0);
  EXPECT_EQ(link.PodLink.Handle, -1);
  const auto& report = usb.Report();
  EXPECT_EQ(report.Searches, 1);
  ASSERT_TRUE(TUsbPodEnumerator::BuiltWithLibusb());
  ASSERT_TRUE(TUsbPodEnumerator::BuiltWithHidapi());
  EXPECT_TRUE(report.HidapiReady);
  // libusb_init fails where the machine has no USB buses at all.
  if (report.LibusbReady) {
    EXPECT_GE(report.UsbDevicesListed, 0);
  }
  ::testing::Test::RecordProperty("usb_devices_listed", report.UsbDevicesListed);
  EXPECT_EQ(report.BulkPods, 0);
  EXPECT_EQ(report.HidPods, 0);
  // No device to open: no problem to report either.
  EXPECT_TRUE(link.LastProblem().empty());
  // A second search lists the buses again.
  EXPECT_EQ(link.PodUsbOpen(), 255);
  EXPECT_EQ(usb.Report().Searches, 2);
  link.SetEnumerator(nullptr);
  ResetModes();
}

TEST(UsbDevices, TheProgramsPodSearchesTheRealDevicesByDefault) {
  ResetModes();
  Modes().IceInterfaceIndex = 4;
  EXPECT_NE(dynamic_cast<TUsbPodEnumerator*>(&ThePod().Enumerator()), nullptr);
  EXPECT_EQ(ThePod().PodUsbOpen(), 255);
  ResetModes();
}

// A bulk read hands back the bytes asked for, whatever length the device's
// transfer had: a pod may answer in whole packets, or shorter.
struct TBulkReplyCase {
  const char* name;
  int result;               // the transfer's result (0 done)
  std::vector<uint8_t> in;  // the bytes that came
  size_t asked;
  bool ok;
  std::vector<uint8_t> out;  // the reply buffer afterwards (it starts as EE bytes)
};

TEST(UsbDevices, ABulkReplyGivesTheBytesAskedForAndFailsOnlyOnATransferError) {
  std::vector<uint8_t> packet(64, 0x11);
  packet[0] = 0xFA;
  packet[1] = 0x12;
  const std::vector<TBulkReplyCase> cases = {
      {"exact", 0, {0xFA, 0x12}, 2, true, {0xFA, 0x12, 0xEE, 0xEE}},
      {"a whole packet", 0, packet, 2, true, {0xFA, 0x12, 0xEE, 0xEE}},
      {"shorter", 0, {0xFA}, 3, true, {0xFA, 0x00, 0x00, 0xEE}},
      {"nothing", 0, {}, 2, true, {0x00, 0x00, 0xEE, 0xEE}},
      {"time-out", -7, {0xFA}, 2, false, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"error", -1, packet, 2, false, {0xEE, 0xEE, 0xEE, 0xEE}},
  };
  for (const TBulkReplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> buffer(4, 0xEE);
    EXPECT_EQ(TakeBulkReply(c.result, c.in.data(), c.in.size(), buffer.data(), c.asked), c.ok);
    EXPECT_EQ(buffer, c.out);
  }
}

// A pod may answer any request with a whole packet: the read buffer holds
// whole packets, at least one.
TEST(UsbDevices, ABulkReadBufferHoldsWholePackets) {
  EXPECT_EQ(BulkReadBufferSize(0, 64), 64u);
  EXPECT_EQ(BulkReadBufferSize(2, 64), 64u);
  EXPECT_EQ(BulkReadBufferSize(64, 64), 64u);
  EXPECT_EQ(BulkReadBufferSize(65, 64), 128u);
  EXPECT_EQ(BulkReadBufferSize(2, 0), 64u) << "a pipe without a packet size: 64 bytes";
  EXPECT_EQ(BulkReadBufferSize(9, 8), 16u);
  EXPECT_EQ(BulkReadBufferSize(2, 512), 512u);
}

TEST(UsbDevices, ThePermissionHintNamesTheUdevRule) {
  EXPECT_NE(UsbPermissionHint().find("60-kyvor-pod.rules"), std::string::npos);
}

}  // namespace
}  // namespace kyvor
