// The debug windows' emulator paths against the virtual pod: the RAM and
// stack windows show the state read back from the pod after steps on it, and
// what is typed into them reaches the pod's own register file and stack
// through the pod protocol.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "debugwin/dbggrid.h"
#include "debugwin/kyram.h"
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
    rig = std::make_unique<test::TVirtualPodRig>();
    rig->Pod.ChipIdFromChip = true;
    ASSERT_TRUE(rig->Open());
    rig->Install(*up);
    Modes().SimulatorMode = 0;
    const TInstructionTable& t = up->Instructions();
    // 0: MVL 42; MVF 80; RCALL 10 ... 10: MVL 99; MVF 81; RET
    const std::vector<std::pair<uint32_t, uint16_t>> program = {
        {0, t.Encode("MVL", 0x42)},          {1, t.Encode("MVF", 0x80, 1, 0)},
        {2, t.Encode("RCALL", 0x10 - 3)},    {0x10, t.Encode("MVL", 0x99)},
        {0x11, t.Encode("MVF", 0x81, 1, 0)}, {0x12, t.Encode("RET")}};
    for (const auto& [a, w] : program) {
      up->StoreProgramWord(uint16_t(a), w, uint16_t(a + 1), 0);
      rig->Pod.SetProgramWord(a, w);
    }
    ASSERT_TRUE(rig->Link.PodEnterReset());
    ASSERT_TRUE(rig->Link.PodInitSpecialRegisters());
    up->CpuReset();
    up->ReadStateFromPod(1);
    ram = std::make_unique<TKy_RAM>();
    ram->AttachModel(up.get());
    stk = std::make_unique<TKy_STK>();
    stk->AttachModel(up.get());
    onWrite = [this](int) { ram->RefreshRamView(false); };
    ram->show();
    stk->show();
  }
  void TearDown() override {
    for (const std::string& v : rig->Pod.Violations) ADD_FAILURE() << "protocol: " << v;
    stk.reset();
    ram.reset();
    up->SetPod(nullptr);
    rig.reset();
    DebugTargetTest::TearDown();
  }
  const TGridCell& ramCell(int address) const {
    const int i = address & 0xFF;
    return ram->GridModel()->Cell(i / 16 + 1, i % 16 + 1);
  }
  void keys(QWidget* w, const QString& text) {
    for (QChar c : text) {
      QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &e);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
  }
  test::TVirtualPod& pod() { return rig->Pod; }

  test::FakeClock clock;
  std::unique_ptr<test::TVirtualPodRig> rig;
  std::unique_ptr<TKy_RAM> ram;
  std::unique_ptr<TKy_STK> stk;
};

TEST_F(EmulatorWindows, StepsOnThePodShowInTheRamAndStackWindows) {
  for (int i = 0; i < 4; ++i) up->TraceStep();  // MVL, MVF, RCALL, MVL
  EXPECT_EQ(up->GetPC(), 0x11u);
  ram->RefreshRamView(false);
  stk->RefreshStackView(false);
  EXPECT_EQ(ramCell(0x80).Text, "42");
  EXPECT_EQ(stk->GridModel()->Text(1, 1), "0003");  // the return address, from B9
  EXPECT_EQ(pod().Target().GetStackEntry(1), 3u);
  up->TraceStep();  // MVF 81
  ram->RefreshRamView(false);
  EXPECT_EQ(ramCell(0x81).Text, "99");
  EXPECT_EQ(ramCell(0x81).Back, gridcolour::Blue) << "changed by the step";
  up->TraceStep();  // RET
  EXPECT_EQ(up->GetPC(), 3u);
  EXPECT_EQ(dialogs.messages().size(), 0u);
}

TEST_F(EmulatorWindows, TypedRamBytesGoIntoThePodsRegisterFile) {
  pod().Target().WriteRegisterModel(31, 0x11);
  pod().Target().WriteRegisterModel(32, 0x22);
  up->ReadStateFromPod(1);
  ram->RefreshRamView(true);
  ram->Grid()->setCurrentIndex(ram->GridModel()->index(0x86 / 16 + 1, 0x86 % 16 + 1));
  keys(ram->Grid(), "A7");
  EXPECT_EQ(pod().DataByte(0x86), 0xA7);
  EXPECT_EQ(up->ReadRegister(0x86), 0xA7);
  EXPECT_EQ(ramCell(0x86).Text, "A7");
  // The table latch registers and the control register are as they were.
  EXPECT_EQ(pod().DataByte(31), 0x11);
  EXPECT_EQ(pod().DataByte(32), 0x22);
  EXPECT_EQ(up->RegRecord.Item(1)->NewValue, 0xA7);
}

TEST_F(EmulatorWindows, TypedStackLevelsGoIntoThePodsStack) {
  for (int i = 0; i < 3; ++i) up->TraceStep();  // into the subroutine
  const uint32_t pc = up->GetPC();
  pod().Target().SetStackEntry(2, 0x0777);
  stk->RefreshStack();
  stk->Grid()->setCurrentIndex(stk->GridModel()->index(1, 1));
  keys(stk->Grid(), "0ABC");
  EXPECT_EQ(pod().Target().GetStackEntry(1), 0x0ABCu);
  EXPECT_EQ(up->GetStackEntry(1), 0x0ABCu);
  EXPECT_EQ(stk->GridModel()->Text(1, 1), "0ABC");
  EXPECT_EQ(pod().Target().GetStackEntry(2), 0x0777u) << "level 2 untouched";
  EXPECT_EQ(pod().Target().GetPC(), pc) << "the pod's PC is put back";
  EXPECT_EQ(pod().DataByte(24) & 0x1F, 1) << "the stack pointer is put back";
}

}  // namespace
}  // namespace kyvor
