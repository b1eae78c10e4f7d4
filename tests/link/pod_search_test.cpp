// The pod search and the open sequence: bulk device numbers before HID
// indexes, the refusals, the open check, the device number announced, the two
// link-start packets, MaxTransfer, a second open and a closed handle.
#include "link/link_fixture.h"
#include "link/usb_devices.h"

namespace kyvor::test {
namespace {

const std::vector<std::string> kOpenSequence = {
    "F9 02 00 00",  // open check: FF FF
    "F9 01 00 00",  // the device number
    "C5 FF 01 01",  // link start
    "C5 FF 00 01",
};

TEST_P(FramingTest, OpenSendsTheOpenCheckTheDeviceNumberAndTheLinkStart) {
  ASSERT_TRUE(rig_->Open());
  EXPECT_EQ(sent(), kOpenSequence);
  EXPECT_EQ(Modes().PodState, 0);
  EXPECT_EQ(link().PodLink.IsOpen, 1);
  EXPECT_EQ(link().PodLink.Connected, 1);
  EXPECT_EQ(link().PodLink.Ready, 1);
  EXPECT_EQ(link().PodLink.MaxTransfer, 64);
  EXPECT_EQ(link().PodTransport, GetParam() == TFraming::Bulk ? 0 : 1);
  EXPECT_EQ(pod().AnnouncedDevice(), 0);
  EXPECT_EQ(pod().OpenHandles(), 1);
  if (GetParam() == TFraming::Bulk) {
    EXPECT_EQ(link().PodLink.DeviceName, "Kyusb-0");
    EXPECT_EQ(link().PodLink.IdVendor, 0x0547);
    EXPECT_EQ(link().PodLink.IdProduct, 0x1003);
  } else {
    EXPECT_EQ(link().HidInputReportLength, 65);
    EXPECT_EQ(link().PodLink.Pipes[3].MaximumPacketSize, 64);
  }
}

TEST_P(FramingTest, OpenOnAnAnsweringLinkKeepsItAndSendsOnlyTheIdentityQuery) {
  open();
  Modes().PodState = 0;
  EXPECT_EQ(link().PodUsbOpen(), 0);
  EXPECT_EQ(sent(), std::vector<std::string>{"F9 AC"});
  EXPECT_EQ(pod().Opens(), 1);
}

TEST_P(FramingTest, AnAnsweringLinkOpensAgainAfterAStalePodState) {
  open();
  Modes().PodState = 255;
  EXPECT_EQ(link().PodUsbOpen(), 0);
  EXPECT_EQ(link().PodLink.IsOpen, 1);
  Modes().PodState = 255;
  EXPECT_TRUE(link().PodReconnect());
  EXPECT_EQ(Modes().PodState, 0);
  EXPECT_TRUE(link().LinkUsable());
  EXPECT_TRUE(link().PodPing());
  EXPECT_TRUE(dialogs_.messages().empty());
  EXPECT_EQ(pod().Opens(), 1);
}

TEST_P(FramingTest, IdentityNamesThePodKind) {
  open();
  EXPECT_EQ(link().PodQueryIdentity(), 1);
  pod().Faults.WrongIdentity = true;
  EXPECT_EQ(link().PodQueryIdentity(), 0);
  link().PodLinkClose();
  EXPECT_EQ(link().PodQueryIdentity(), 0);  // nothing is sent on a closed link
  EXPECT_EQ(sent(), (std::vector<std::string>{"F9 AC", "F9 AC"}));
}

TEST_P(FramingTest, InfoValueIsTheReplysFirstTwoBytesLowFirst) {
  open();
  int32_t v = 0x0201;
  ASSERT_TRUE(link().PodQueryInfo(1, v));
  EXPECT_EQ(v, 0x0201);  // the pod echoes the device number
  EXPECT_EQ(sent().back(), "F9 01 01 02");
  v = 0;
  ASSERT_TRUE(link().PodQueryInfo(2, v));
  EXPECT_EQ(v, 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(BothFramings, FramingTest,
                         ::testing::Values(TFraming::Bulk, TFraming::Hid), FramingName);

TEST_F(BulkTest, ABulkPodWinsOverAHidPod) {
  TVirtualPod& hid = otherHid_;
  devices().SetBulk(0, nullptr);
  devices().SetHid(0, &hid);
  devices().SetBulk(31, &pod());
  ASSERT_TRUE(rig_->Open());
  EXPECT_EQ(devices().Opened, std::vector<std::string>{"bulk 31"});
  EXPECT_EQ(link().PodLink.DeviceName, "Kyusb-31");
  EXPECT_EQ(pod().AnnouncedDevice(), 31);
  EXPECT_EQ(hid.HostPacketCount(), 0);
}

TEST_F(BulkTest, RefusedDevicesArePassedOverAndClosed) {
  TVirtualPod& wrongCheck = otherBulk_;
  wrongCheck.Faults.OpenCheckValue = 0x1234;
  TVirtualPod& hid = otherHid_;
  devices().SetBulk(0, nullptr);
  devices().SetBulkStranger(1, 0x0547, 0x1004);  // another product
  devices().SetBulkWithoutDescriptor(2);
  devices().SetBulk(3, &wrongCheck);                    // right identity, open check not FF FF
  devices().SetHidStranger(0, 0x04D9, 0x2009, 0x0728);  // another version
  devices().SetHid(5, &hid);
  ASSERT_TRUE(rig_->Open());
  EXPECT_EQ(devices().Opened,
            (std::vector<std::string>{"bulk 1", "bulk 2", "bulk 3", "hid 0", "hid 5"}));
  EXPECT_EQ(wrongCheck.HostPackets(), std::vector<std::string>{"F9 02 00 00"});
  EXPECT_EQ(wrongCheck.OpenHandles(), 0);
  EXPECT_EQ(link().PodTransport, 1);
  EXPECT_EQ(hid.AnnouncedDevice(), 5);
}

TEST_F(BulkTest, APodThatFailsTheDeviceNumberAfterTheOpenCheckIsNotOpen) {
  pod().Faults.SilentFromPacket = 2;  // F9 02 answers, F9 01 does not
  Modes().PodState = 0;
  EXPECT_EQ(link().PodUsbOpen(), 255);
  EXPECT_EQ(pod().HostPacketCount(), 2);  // no link start after the failure
  expectLost();
}

TEST_F(BulkTest, NoPodGives255AndLeavesTheLinkClosed) {
  devices().SetBulk(0, nullptr);
  Modes().PodState = 0;
  EXPECT_EQ(link().PodUsbOpen(), 255);
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(link().PodLink.IsOpen, 0);
  EXPECT_EQ(link().PodLink.Handle, -1);
  EXPECT_TRUE(link().PodLink.DeviceName.empty());
}

TEST_F(BulkTest, AnotherPodKindOnTheOpenLinkGives255WithoutSearchingOrClosing) {
  open();
  TVirtualPod& other = otherBulk_;
  devices().SetBulk(1, &other);
  pod().Identity = "BrisSudo";
  EXPECT_EQ(link().PodQueryIdentity(), 2);
  EXPECT_EQ(link().PodUsbOpen(), 255);
  EXPECT_EQ(link().PodLink.IsOpen, 1);
  EXPECT_EQ(pod().OpenHandles(), 1);
  EXPECT_EQ(other.Opens(), 0);
}

TEST_F(BulkTest, AnUnknownIdentityOnTheOpenLinkClosesIt) {
  open();
  Modes().PodState = 0;
  pod().Faults.WrongIdentity = true;
  EXPECT_EQ(link().PodUsbOpen(), 255);
  expectLost();
  // The next open searches again and finds the pod.
  pod().Faults.WrongIdentity = false;
  EXPECT_EQ(link().PodUsbOpen(), 0);
  EXPECT_EQ(pod().OpenHandles(), 1);
}

TEST_F(BulkTest, ASearchClosesAHandleLeftOpenFirst) {
  open();
  // The link was marked unusable without a close (a claimed interface would
  // block every reconnect on Linux).
  link().PodLink.IsOpen = 0;
  EXPECT_EQ(link().PodUsbOpen(), 0);
  EXPECT_EQ(pod().Opens(), 2);
  EXPECT_EQ(pod().OpenHandles(), 1);
}

TEST_F(BulkTest, MaxTransferStaysAt64ForAHighSpeedPod) {
  pod().InPacketSize = 512;
  open();
  EXPECT_EQ(link().PodLink.Pipes[0].MaximumPacketSize, 512);
  EXPECT_EQ(link().PodLink.MaxTransfer, 64);
  // A 200-byte data-memory read goes in 64-byte chunks.
  std::vector<uint8_t> buf(200);
  ASSERT_TRUE(link().PodReadDataMemory(0, 200, buf.data()));
  EXPECT_EQ(pod().HostPackets().size(), 2u + 1u + 4u);  // select, A2, four A3
}

// Full speed allows bulk packets of 8 bytes: a memory command then spans
// several packets of one transfer, and its pieces still carry whole words.
TEST_F(BulkTest, AnEightBytePacketPodWritesWordsInWholeCommands) {
  pod().InPacketSize = 8;
  open();
  EXPECT_EQ(link().PodLink.MaxTransfer, 8);
  ASSERT_TRUE(link().PodWriteProgramWord(0x1234, 0xBEEF));
  EXPECT_EQ(sent().back(), "A4 40 48 D0 00 00 02 BE EF");
  EXPECT_EQ(pod().ProgramWord(0x1234), 0xBEEF);
  std::vector<uint8_t> words(84);
  for (size_t i = 0; i < words.size(); ++i) words[i] = uint8_t(0x30 + i);
  pod().ClearLog();
  ASSERT_TRUE(link().PodWriteWords(0x200, words.data(), uint32_t(words.size())));
  const std::vector<std::string> p = sent();
  ASSERT_EQ(p.size(), 6u);  // 56 and 28 bytes, each after a select
  EXPECT_EQ(p[2].substr(0, 20), "A4 40 04 00 00 00 38");
  EXPECT_EQ(p[5].substr(0, 20), "A4 40 04 70 00 00 1C");
  for (uint32_t w = 0; w < 42; ++w)
    EXPECT_EQ(pod().ProgramWord(0x100 + w), uint16_t((0x30 + 2 * w) << 8 | (0x31 + 2 * w)));
  bool ok = false;
  EXPECT_EQ(link().PodReadProgramWord(0x100 + 41, ok), 0x8283);
  EXPECT_TRUE(ok);
}

// Bulk packets below 8 bytes are no legal USB endpoint: such a device is
// passed over, and the connect error says why.
TEST_F(BulkTest, APodWhosePacketsCannotCarryTheCommandsIsRefused) {
  pod().InPacketSize = 4;
  EXPECT_EQ(link().PodUsbOpen(), 255);
  EXPECT_EQ(pod().HostPacketCount(), 0);
  EXPECT_EQ(pod().OpenHandles(), 0);
  EXPECT_NE(link().LastProblem().find("4-byte packets"), std::string::npos) << link().LastProblem();
  pod().InPacketSize = 8;
  EXPECT_EQ(link().PodUsbOpen(), 0);
  EXPECT_TRUE(link().LastProblem().empty());
}

TEST_F(BulkTest, CloseResetsTheRecord) {
  open();
  link().PodLinkClose();
  EXPECT_EQ(link().PodLink.Handle, -1);
  EXPECT_EQ(link().PodLink.Connected, -1);
  EXPECT_EQ(link().PodLink.Reserved, -1);
  EXPECT_EQ(link().PodLink.Ready, 0);
  EXPECT_EQ(link().PodLink.IdVendor, 0);
  EXPECT_EQ(link().PodLink.IsOpen, 0);
  EXPECT_EQ(pod().OpenHandles(), 0);
  link().PodLinkClose();  // a second close is harmless
  EXPECT_FALSE(link().PodUsbSend(1));
}

TEST_F(BulkTest, ReconnectWithoutAPodSaysSo) {
  devices().SetBulk(0, nullptr);
  EXPECT_FALSE(link().PodReconnect());
  ASSERT_EQ(dialogs_.messages().size(), 1u);
  EXPECT_EQ(dialogs_.messages()[0].text, "KyVor-IDE Connect Error , Please check !!");
  EXPECT_EQ(dialogs_.messages()[0].icon, MsgIcon::Error);
  EXPECT_EQ(dialogs_.messages()[0].buttons, unsigned(MbCancel));
  EXPECT_EQ(Modes().PodState, 255);
  devices().SetBulk(0, &pod());
  EXPECT_TRUE(link().PodReconnect());
  EXPECT_EQ(Modes().PodState, 0);
}

// The main window's close: the close report and its reply, the end
// announced, then the handle closed; in either framing.
TEST_P(FramingTest, CloseSequenceAnnouncesTheEndOnlyOnAnOpenLink) {
  link().PodSendCloseSequence();
  EXPECT_TRUE(sent().empty());
  open();
  link().PodSendCloseSequence();
  EXPECT_EQ(pod().LogText(), "> A5 12 00\n< FA\n> F9 01 FF FF\n< FF FF 00 00 00 00 00 00\n");
  EXPECT_EQ(pod().OpenHandles(), 0);
  EXPECT_EQ(link().PodLink.IsOpen, 0);
  EXPECT_EQ(link().PodLink.Handle, -1);
  link().PodSendCloseSequence();
  EXPECT_EQ(pod().HostPacketCount(), 4 + 2);  // the open's four packets and the close's two
}

TEST(PodCrc, TheBytesOfAbcGiveA449) {
  uint16_t crc = 0;
  for (char c : std::string("abc")) crc = PodCrc16Update(uint8_t(c), crc);
  EXPECT_EQ(crc, 0xA449);
  uint16_t image = 0;
  for (char c : std::string("abc")) image = ImageCrc16Update(uint8_t(c), image);
  EXPECT_EQ(image, crc);
}

}  // namespace
}  // namespace kyvor::test
