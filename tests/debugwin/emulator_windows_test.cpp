// The debug windows in emulator mode against the virtual pod, which speaks the
// pod protocol and keeps a target of its own: a RAM edit, a register-window
// edit and a stack entry reach the pod's target, and the windows show what the
// pod reads back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "debugwin/kyram.h"
#include "debugwin/kyreg2.h"
#include "debugwin/kystk.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"
#include "support/fake_clock.h"
#include "support/virtual_pod_rig.h"

namespace kyvor {
namespace {

class EmulatorWindows : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    clock.install();
    Chip().StackDepth = 16;
    up->ApplyChipConfig();
    rig = std::make_unique<test::TVirtualPodRig>();
    ASSERT_TRUE(rig->Open());
    rig->Install(*up);
    Modes().SimulatorMode = 0;
    rig->Link.PodEnterReset();
    rig->Link.PodLeaveReset();
  }
  void TearDown() override {
    EXPECT_TRUE(rig->Pod.Violations.empty()) << rig->Pod.Violations.front();
    up->SetPod(nullptr);
    rig.reset();
    DebugTargetTest::TearDown();
  }
  void type(TKyGrid* g, const QModelIndex& at, const QString& keys) {
    g->setCurrentIndex(at);
    for (QChar c : keys) {
      QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(g, &e);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(g, &enter);
  }
  test::FakeClock clock;
  std::unique_ptr<test::TVirtualPodRig> rig;
};

TEST_F(EmulatorWindows, RamEditReachesThePodsTarget) {
  TKy_RAM ram;
  ram.AttachModel(up.get());
  onWrite = [&](int) { ram.RefreshRamView(false); };
  ram.show();
  type(ram.Grid(), ram.GridModel()->index(9, 5), "C7");  // address 0x84
  EXPECT_EQ(rig->Pod.Target().ReadRegister(0x84), 0xC7);
  EXPECT_EQ(up->ReadRegister(0x84), 0xC7) << "the byte read back from the pod";
  EXPECT_EQ(ram.GridModel()->Text(9, 5), "C7");
  ASSERT_EQ(up->RegRecord.Count(), 1);
  // The bank-select register keeps only its implemented bits in the window.
  type(ram.Grid(), ram.GridModel()->index(3, 11), "FF");  // address 42
  EXPECT_EQ(ram.GridModel()->Text(3, 11), "03");
}

TEST_F(EmulatorWindows, RegisterWindowShowsThePodsPcAndWritesW) {
  rig->Pod.Target().SetProgramCounter(0x2A5);
  TKy_Reg2 reg;
  reg.AttachModel(up.get());
  onWrite = [&](int) { reg.RefreshRegisters(false); };
  reg.show();
  reg.RefreshRegisters(true);
  EXPECT_EQ(reg.Panel("PnlPC")->text(), " Program Counter: 2A5");
  popups.keypad.push_back(0x5E);
  reg.ModifyRegisterPanel(false);
  EXPECT_EQ(rig->Pod.Target().ReadRegister(41), 0x5E);
  EXPECT_EQ(reg.Panel("PnlWork")->text(), "5E");
}

TEST_F(EmulatorWindows, StackEntryGoesToThePodLevel) {
  rig->Pod.Target().SetProgramCounter(0x0123);
  up->WriteRegisterModel(24, 0x0A);
  TKy_STK stk;
  stk.AttachModel(up.get());
  stk.show();
  stk.RefreshStack();
  type(stk.Grid(), stk.GridModel()->index(9, 1), "1ABC");
  EXPECT_EQ(rig->Pod.Target().GetStackEntry(9), 0x1ABCu) << "level 9: all five level bits";
  EXPECT_EQ(up->GetStackEntry(9), 0x1ABCu) << "the level read back";
  EXPECT_EQ(rig->Pod.Target().GetPC(), 0x0123u) << "the pod's PC is put back";
  EXPECT_EQ(rig->Pod.Target().ReadRegister(24) & 0x1F, 0) << "the stack pointer restored";
}

}  // namespace
}  // namespace kyvor
