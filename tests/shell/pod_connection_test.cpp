// The main window's pod connection: with no pod the Emulator menu item and
// Assemble & Debug say "KyVor-IDE Connect Error , Please check !!" after a
// real search through libusb and hidapi; with the virtual pod as the first
// device the panel says "ICE Connect" after the chip id check, and closing
// the window announces the end of the link once.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>

#include "base/modes.h"
#include "link/pod_protocol.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/main_window.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"
#include "support/virtual_pod_rig.h"

namespace kyvor {
namespace {

const char kConnectError[] = "KyVor-IDE Connect Error , Please check !!";

class PodConnection : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
    ThePod().PodLinkClose();
  }
  void TearDown() override {
    ThePod().SetEnumerator(nullptr);
    test::ResetProgramState();
  }
  // The program started, the USB interface chosen, then Emulation.
  TKYMAIN& startInEmulation(TKyProgram& prog) {
    EXPECT_TRUE(prog.Start({}));
    TKYMAIN& w = prog.Main();
    Modes().IceInterfaceIndex = 4;
    dialogs.clear();
    w.MM_EmulatorClick();
    return w;
  }
  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
};

TEST_F(PodConnection, WithoutAPodTheEmulatorSaysConnectError) {
  TKyProgram prog(KYVOR_DATA_DIR);
  TKYMAIN& w = startInEmulation(prog);
  if (Modes().PodState == 0) GTEST_SKIP() << "a pod is attached to this machine";
  EXPECT_EQ(Modes().SimulatorMode, 0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text.rfind(kConnectError, 0), 0u) << dialogs.messages()[0].text;
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
  EXPECT_EQ(w.ConnectText(), "ICE not Connect");
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(ThePod().PodLink.IsOpen, 0);

  // Assemble & Debug searches again and stops with the same message.
  QTemporaryDir dir;
  std::string source;
  ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
  ASSERT_TRUE(w.OpenSourceFile(source));
  dialogs.clear();
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text.rfind(kConnectError, 0), 0u);
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_EQ(w.ConnectText(), "ICE not Connect");
}

TEST_F(PodConnection, TheVirtualPodAsFirstDeviceConnectsAndIsAnnouncedClosedOnce) {
  test::TVirtualPod pod;
  pod.ChipIdFromChip = true;
  test::TVirtualPodEnumerator devices;
  devices.SetBulk(0, &pod);
  ThePod().SetEnumerator(&devices);
  // The program's pod protocol keeps the link open after the window's close:
  // it lets go of the pod here, before the pod goes (even when a check stops
  // the test early), not in TearDown.
  struct LinkRelease {
    ~LinkRelease() { ThePod().SetEnumerator(nullptr); }
  } release;
  {
    TKyProgram prog(KYVOR_DATA_DIR);
    TKYMAIN& w = startInEmulation(prog);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(Modes().PodState, 0);
    EXPECT_EQ(w.ConnectText(), "ICE Connect");
    EXPECT_EQ(prog.Up().Settings.PodChipId, Chip().SimIcList[0]);
    const std::vector<std::string> packets = pod.HostPackets();
    ASSERT_GE(packets.size(), 7u);
    EXPECT_EQ(packets[0], "F9 02 00 00");
    // The chip id, then the pod display says so.
    const auto chipId = std::find(packets.begin(), packets.end(), "A4 40 20 CB 00 00 02");
    ASSERT_NE(chipId, packets.end());
    EXPECT_EQ(*(chipId + 1), "BB 00 00 80") << "the display's cursor at line 0, column 0";
    EXPECT_EQ(pod.Writer.DisplayLine(0), "Vo-RIV ICE Conne");
    // A chip id the selected chip does not list: not connected.
    pod.ChipIdFromChip = false;
    pod.ChipId = 0x7777;
    w.PConnectClick();
    EXPECT_EQ(w.ConnectText(), "ICE not Connect");
    EXPECT_EQ(pod.Writer.DisplayLine(0), "ICE Chip ID Erro");
    pod.ClearLog();
    w.close();
  }
  EXPECT_EQ(pod.HostPackets(), (std::vector<std::string>{"A5 12 00", "F9 01 FF FF"}));
  EXPECT_EQ(pod.OpenHandles(), 0);
  EXPECT_TRUE(pod.Violations.empty());
}

}  // namespace
}  // namespace kyvor
