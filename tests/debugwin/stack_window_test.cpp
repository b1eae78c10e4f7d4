// The stack window: the state and the entries for known values of register
// 24, typing and the keypad, which entries are written back and where (the
// model in the simulator, the pod's stack level in the emulator).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "debugwin/kystk.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"
#include "support/fake_pod.h"

namespace kyvor {
namespace {

class StackWindow : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    ASSERT_EQ(Chip().StackDepth, 8);
    up->SetPod(&pod);
    stk = std::make_unique<TKy_STK>();
    stk->AttachModel(up.get());
    stk->show();
  }
  void TearDown() override {
    stk.reset();
    up->SetPod(nullptr);
    DebugTargetTest::TearDown();
  }
  QString text(int r, int c) const { return stk->GridModel()->Text(r, c); }
  void type(int level, const QString& keys) {
    stk->Grid()->setCurrentIndex(stk->GridModel()->index(level, 1));
    for (QChar ch : keys) {
      QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(stk->Grid(), &e);
    }
  }
  void enter() {
    QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(stk->Grid(), &e);
  }
  test::FakePod pod;
  std::unique_ptr<TKy_STK> stk;
};

TEST_F(StackWindow, OverWinsOverFullAndAllRowsShow) {
  for (int r = 1; r <= 8; ++r) up->SetStackEntry(r, uint32_t(0x100 * r + r));
  up->WriteRegisterModel(24, 0xA8);
  stk->RefreshStackView(false);
  EXPECT_EQ(stk->GridModel()->rowCount(), 9);
  EXPECT_EQ(text(0, 0), "Stack = ");
  EXPECT_EQ(text(0, 1), "OVER");
  EXPECT_EQ(text(1, 0), "1");
  EXPECT_EQ(text(8, 0), "8");
  EXPECT_EQ(text(1, 1), "0101");
  EXPECT_EQ(text(8, 1), "0808");
  up->WriteRegisterModel(24, 0x88);
  stk->RefreshStack();
  EXPECT_EQ(text(0, 1), "FULL");
  up->WriteRegisterModel(24, 0x40);
  stk->RefreshStack();
  EXPECT_EQ(text(0, 1), "UNDER");
  EXPECT_EQ(text(1, 1), "");
}

TEST_F(StackWindow, DepthTwoFillsTwoRows) {
  up->SetStackEntry(1, 0x0012);
  up->SetStackEntry(2, 0x12345);
  up->SetStackEntry(3, 0x0099);
  up->WriteRegisterModel(24, 0x02);
  stk->RefreshStack();
  EXPECT_EQ(text(0, 1), "2");
  EXPECT_EQ(text(1, 1), "0012");
  EXPECT_EQ(text(2, 1), "2345") << "four hex digits";
  EXPECT_EQ(text(3, 1), "");
}

TEST_F(StackWindow, ShowingTheWindowAndADebugEntryRefreshIt) {
  up->WriteRegisterModel(24, 0x01);
  up->SetStackEntry(1, 0x0042);
  stk->hide();
  stk->show();
  EXPECT_EQ(text(1, 1), "0042");
  Chip().StackDepth = 5;
  stk->Refresh(TRefreshReason::DebugEntry);
  EXPECT_EQ(stk->GridModel()->rowCount(), 6);
}

TEST_F(StackWindow, GridFollowsTheChipsDepth) {
  Chip().StackDepth = 4;
  stk->RefreshStack();
  EXPECT_EQ(stk->GridModel()->rowCount(), 5);
  EXPECT_EQ(stk->Grid()->columnWidth(0), 60);
  EXPECT_EQ(stk->Grid()->columnWidth(1), 60);
}

TEST_F(StackWindow, SimulatorEnterWritesTheModelOnly) {
  up->WriteRegisterModel(24, 0x03);
  stk->RefreshStack();
  type(2, "1a2b3");
  EXPECT_EQ(text(2, 1), "1A2B") << "a fifth digit is dropped";
  enter();
  EXPECT_EQ(up->GetStackEntry(2), 0x1A2Bu);
  EXPECT_EQ(text(2, 1), "1A2B");
  EXPECT_TRUE(pod.calls.empty()) << "the simulator does not talk to the pod";
  // Enter on an untouched cell writes nothing.
  up->SetStackEntry(1, 0x0456);
  stk->RefreshStack();
  type(1, "");
  enter();
  EXPECT_EQ(up->GetStackEntry(1), 0x0456u);
}

TEST_F(StackWindow, LeavingWritesOnlyTheEditedLevelAndNothingWhileRunning) {
  up->WriteRegisterModel(24, 0x03);
  up->SetStackEntry(1, 0x1111);
  up->SetStackEntry(3, 0x3333);
  stk->RefreshStack();
  type(2, "22");
  // The model changes behind the window (a step); only the typed level goes back.
  up->SetStackEntry(1, 0x0001);
  stk->WriteBackStack();
  EXPECT_EQ(up->GetStackEntry(1), 0x0001u);
  EXPECT_EQ(up->GetStackEntry(2), 0x0022u);
  EXPECT_EQ(up->GetStackEntry(3), 0x3333u);
  EXPECT_FALSE(stk->HasEdit(2));

  type(3, "44");
  up->SetTargetRunning(1);
  stk->WriteBackStack();
  EXPECT_EQ(up->GetStackEntry(3), 0x3333u) << "nothing while running";
  stk->Refresh(TRefreshReason::RunStarted);
  EXPECT_FALSE(stk->HasEdit(3));
  type(3, "55");
  EXPECT_FALSE(stk->HasEdit(3)) << "no typing while running";
  up->SetTargetRunning(0);
}

TEST_F(StackWindow, KeypadWritesTheLevel) {
  up->WriteRegisterModel(24, 0x02);
  up->SetStackEntry(2, 0x0777);
  stk->RefreshStack();
  popups.keypad.push_back(0xBEEF);
  stk->Grid()->OnDoubleClick(stk->GridModel()->index(2, 1));
  ASSERT_EQ(popups.keypadRequests.size(), 1u);
  EXPECT_EQ(popups.keypadRequests[0].Caption, "Stack0020=0777");
  EXPECT_EQ(popups.keypadRequests[0].Mask, "FFFF");
  EXPECT_EQ(popups.keypadRequests[0].Status, "00~FFFF");
  EXPECT_EQ(up->GetStackEntry(2), 0xBEEFu);
  EXPECT_EQ(text(2, 1), "BEEF");
  stk->Grid()->OnDoubleClick(stk->GridModel()->index(0, 1));
  EXPECT_EQ(popups.keypadRequests.size(), 1u) << "the state row opens nothing";
}

// In the emulator the level goes through the pod's stack pointer: all five
// level bits select it (levels above 7 included), the pointer is restored.
TEST_F(StackWindow, EmulatorWritesThePodLevelWithFiveBits) {
  Chip().StackDepth = 16;
  up->ApplyChipConfig();
  Modes().SimulatorMode = 0;
  pod.memory[24] = 0xC3;
  pod.pc = 0x0123;
  pod.memory[21] = 0x00;
  pod.memory[22] = 0x45;
  pod.memory[23] = 0x67;
  up->WriteRegisterModel(24, 0x0A);
  stk->RefreshStack();
  type(9, "4567");
  pod.calls.clear();
  enter();
  const std::vector<std::string> expected = {
      "PodReadRegister 18",     "PodWriteRegister 18=C9", "PodReadPC",
      "PodWritePC 4567",        "PodWriteRegister 17=0",  "PodWritePC 123",
      "PodWriteRegister 18=C3", "PodReadRegister 18",     "PodWriteRegister 18=C9",
      "PodReadRegister 15",     "PodReadRegister 16",     "PodReadRegister 17",
      "PodWriteRegister 18=C3"};
  EXPECT_EQ(pod.calls, expected);
  // The model takes the level as read back (this fake keeps the zero written
  // to the low byte instead of storing its PC there).
  EXPECT_EQ(up->GetStackEntry(9), 0x004500u);
  EXPECT_EQ(pod.pc, 0x0123u) << "the pod's PC is put back";
}

}  // namespace
}  // namespace kyvor
