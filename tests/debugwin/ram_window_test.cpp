// The RAM window: cell texts and colours for a known target state, the change
// highlight, typing and the keypad (what is logged, what reaches the model),
// marks and hints, bank selection, read-only while running, the emulator path.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "debugwin/kyram.h"
#include "debugwin/ramexcel.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"
#include "support/fake_pod.h"

namespace kyvor {
namespace {

class RamWindow : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    ram = std::make_unique<TKy_RAM>();
    ram->AttachModel(up.get());
    // The main window's listener: a logged write refreshes the RAM view.
    onWrite = [this](int) { ram->RefreshRamView(false); };
    ram->show();
  }
  void TearDown() override {
    ram.reset();
    DebugTargetTest::TearDown();
  }
  // Cell of a data address in the bank shown.
  QModelIndex cellOf(int address) const {
    const int i = address & 0xFF;
    return ram->GridModel()->index(i / 16 + 1, i % 16 + 1);
  }
  const TGridCell& cell(int address) const {
    const QModelIndex i = cellOf(address);
    return ram->GridModel()->Cell(i.row(), i.column());
  }
  void key(int k, const QString& text = QString()) {
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(ram->Grid(), &e);
  }
  void type(int address, const QString& keys) {
    ram->Grid()->setCurrentIndex(cellOf(address));
    for (QChar c : keys) key(0, QString(c));
  }
  int unimplementedAddress() const {
    for (int a = 15; a < 256; ++a)
      if (Chip().DataMemoryMap[std::size_t(a)] == 0) return a;
    return -1;
  }
  std::unique_ptr<TKy_RAM> ram;
};

TEST_F(RamWindow, TextsOfAKnownState) {
  up->WriteRegisterModel(0x80, 0x5A);
  up->WriteRegisterModel(5, 0x77);
  ram->RefreshRamView(true);
  const TRamModel& m = *ram->GridModel();
  EXPECT_EQ(m.Text(0, 1), "0");
  EXPECT_EQ(m.Text(0, 16), "F");
  EXPECT_EQ(m.Text(1, 0), "000");
  EXPECT_EQ(m.Text(9, 0), "080");
  EXPECT_EQ(cell(0x80).Text, "5A");
  EXPECT_EQ(cell(5).Text, "=") << "indirect register";
  const int none = unimplementedAddress();
  ASSERT_GT(none, 0);
  EXPECT_EQ(cell(none).Text, "-");
  // The bank-select register shows only its implemented bits.
  up->WriteRegisterModel(42, 0xFF);
  ram->RefreshRamView(true);
  EXPECT_EQ(cell(42).Text, "03");
  // In the simulator 26 and 27 show the program counter.
  up->SetProgramCounter(0x1234);
  ram->RefreshRamView(true);
  EXPECT_EQ(cell(26).Text, "12");
  EXPECT_EQ(cell(27).Text, "34");
  EXPECT_EQ(cell(0x80).Fore, gridcolour::Black);
  EXPECT_EQ(cell(0x80).Back, gridcolour::White);
  EXPECT_EQ(cell(0x80).Align, Qt::AlignCenter);
}

TEST_F(RamWindow, AChangedByteIsWhiteOnBlueForOneRefresh) {
  ram->RefreshRamView(true);
  up->WriteRegisterModel(0x81, 0x12);
  ram->RefreshRamView(false);
  EXPECT_EQ(Chip().ChangedMap[0x81], 1);
  EXPECT_EQ(cell(0x81).Back, gridcolour::Blue);
  EXPECT_EQ(cell(0x81).Fore, gridcolour::White);
  ram->RefreshRamView(false);
  EXPECT_EQ(cell(0x81).Back, gridcolour::White) << "unchanged since";
  up->WriteRegisterModel(0x81, 0x13);
  ram->RefreshRamView(true);
  EXPECT_EQ(cell(0x81).Back, gridcolour::White) << "a forced refresh shows no change";
  EXPECT_EQ(Chip().LastValueMap[0x81], 0x13);
  // The register areas keep their last values for the register window.
  up->WriteRegisterModel(41, 0x44);
  ram->RefreshRamView(false);
  EXPECT_EQ(cell(41).Back, gridcolour::Blue);
  EXPECT_EQ(Chip().LastValueMap[41], 0) << "left to the register window";
}

TEST_F(RamWindow, TypingInBankOneLogsTheWrite) {
  ram->SelectBank(1);
  EXPECT_EQ(ram->GridModel()->Text(1, 0), "100");
  EXPECT_EQ(ram->BankPanel(1)->palette().color(QPalette::Window), gridcolour::Yellow);
  EXPECT_EQ(ram->BankPanel(0)->palette().color(QPalette::Window), gridcolour::ButtonFace);
  type(0x123, "3f");
  EXPECT_EQ(cell(0x123).Text, "3F") << "the typed text shows";
  EXPECT_EQ(up->ReadRegister(0x123), 0) << "nothing written before Enter";
  key(Qt::Key_Return);
  EXPECT_EQ(up->ReadRegister(0x123), 0x3F);
  ASSERT_EQ(up->RegRecord.Count(), 1);
  EXPECT_EQ(up->RegRecord.Item(1)->Address, 0x123);
  EXPECT_EQ(up->RegRecord.Item(1)->NewValue, 0x3F);
  EXPECT_EQ(cell(0x123).Text, "3F");
  EXPECT_EQ(cell(0x123).Back, gridcolour::Blue) << "the write refreshed the view";
}

TEST_F(RamWindow, TabWritesAndMovingAwayWritesAtTheStartAddress) {
  type(0x90, "7");
  key(Qt::Key_Tab);
  EXPECT_EQ(up->ReadRegister(0x90), 7);
  type(0x91, "A");
  ram->Grid()->setCurrentIndex(cellOf(0x95));  // moving on writes the open edit
  EXPECT_EQ(up->ReadRegister(0x91), 0x0A);
  EXPECT_EQ(up->ReadRegister(0x95), 0);
  EXPECT_EQ(up->RegRecord.Count(), 2);
}

TEST_F(RamWindow, OnlyAnOpenEditOfAtMostTwoDigitsIsWritten) {
  ram->Grid()->setCurrentIndex(cellOf(0x92));
  key(Qt::Key_Return);
  EXPECT_EQ(up->RegRecord.Count(), 0) << "Enter without an edit writes nothing";
  type(0x92, "123");
  EXPECT_EQ(ram->EditText(), "12") << "a third digit is dropped";
  key(Qt::Key_Backspace);
  key(Qt::Key_Backspace);
  key(Qt::Key_Return);
  EXPECT_EQ(up->RegRecord.Count(), 0) << "an emptied edit is not written";
  type(0x92, "g-+");
  EXPECT_EQ(ram->EditAddress(), -1) << "other keys are dropped";
}

TEST_F(RamWindow, IndirectAndUnimplementedCellsTakeNoTyping) {
  type(5, "12");
  key(Qt::Key_Return);
  EXPECT_EQ(cell(5).Text, "=");
  const int none = unimplementedAddress();
  type(none, "12");
  key(Qt::Key_Return);
  EXPECT_EQ(cell(none).Text, "-");
  EXPECT_EQ(up->RegRecord.Count(), 0);
  EXPECT_TRUE(written.empty());
}

TEST_F(RamWindow, ReadOnlyWhileTheTargetRuns) {
  type(0x93, "4");
  up->SetTargetRunning(1);
  ram->Refresh(TRefreshReason::RunStarted);
  EXPECT_EQ(ram->EditAddress(), -1) << "the open edit is dropped";
  type(0x93, "5");
  key(Qt::Key_Return);
  ram->Grid()->OnDoubleClick(cellOf(0x93));
  EXPECT_TRUE(popups.keypadRequests.empty());
  EXPECT_EQ(up->RegRecord.Count(), 0);
  up->SetTargetRunning(0);
  type(0x93, "5");
  key(Qt::Key_Return);
  EXPECT_EQ(up->ReadRegister(0x93), 5);
}

TEST_F(RamWindow, DoubleClickOpensTheKeypadAtTheCell) {
  up->WriteRegisterModel(0x84, 0x21);
  ram->RefreshRamView(true);
  popups.keypad.push_back(0xC3);
  ram->Grid()->OnDoubleClick(cellOf(0x84));
  ASSERT_EQ(popups.keypadRequests.size(), 1u);
  const TKeypadRequest& r = popups.keypadRequests[0];
  EXPECT_EQ(r.Mask, "FF");
  EXPECT_EQ(r.Status, "00~FF");
  EXPECT_EQ(r.Caption, "Ram0084=21");
  const QPoint at = ram->Grid()->CellBottomLeft(cellOf(0x84));
  EXPECT_EQ(QPoint(r.X, r.Y), at);
  EXPECT_EQ(up->ReadRegister(0x84), 0xC3);
  EXPECT_EQ(up->RegRecord.Count(), 1);
  // A cancelled keypad writes nothing; an indirect register opens none.
  ram->Grid()->OnDoubleClick(cellOf(0x84));
  ram->Grid()->OnDoubleClick(cellOf(3));
  EXPECT_EQ(popups.keypadRequests.size(), 2u);
  EXPECT_EQ(up->RegRecord.Count(), 1);
}

TEST_F(RamWindow, MarksAndHints) {
  ram->SetMouseDownCell(1, 9);  // address 0x80
  ram->MenuCommand("Set Mark");
  EXPECT_EQ(cell(0x80).Back, QColor(0x80, 0x80, 0x80));
  EXPECT_EQ(cell(0x80).Fore, gridcolour::White);
  popups.colours.push_back(0x00FF00);
  ram->SetMouseDownCell(2, 9);  // 0x81
  ram->MenuCommand("Set Mark(new color)");
  EXPECT_EQ(cell(0x81).Back, QColor(0, 255, 0));
  EXPECT_EQ(ram->Marks().MarkColour[0x81], 0x00FF00u);
  popups.input.push_back("counter");
  ram->SetMouseDownCell(1, 9);
  ram->MenuCommand("Set Hint");
  EXPECT_TRUE(cell(0x80).Underline);
  EXPECT_EQ(ram->Marks().HintText[0x80], "counter");
  ram->MenuCommand("Reset Mark");
  EXPECT_EQ(cell(0x80).Back, gridcolour::White);
  ram->MenuCommand("Reset Hint");
  EXPECT_FALSE(cell(0x80).Underline);
  // A changed byte shows the change over its mark.
  ram->RefreshRamView(true);
  up->WriteRegisterModel(0x81, 9);
  ram->RefreshRamView(false);
  EXPECT_EQ(cell(0x81).Back, gridcolour::Blue);
  // "Reset All Mark" only after Yes.
  dialogs.answer(MsgResult::No);
  ram->MenuCommand("Reset All Mark");
  EXPECT_TRUE(ram->Marks().Marked(0x81));
  dialogs.answer(MsgResult::Yes);
  ram->MenuCommand("Reset All Mark");
  EXPECT_FALSE(ram->Marks().Marked(0x81));
  EXPECT_EQ(dialogs.messages().back().text, "Are you sure to reset all mark?");
  ram->Marks().SetHint(0x90, "x");
  dialogs.answer(MsgResult::Yes);
  ram->MenuCommand("Reset All Hint");
  EXPECT_EQ(dialogs.messages().back().text, "Are you sure to reset all Hint?");
  EXPECT_FALSE(ram->Marks().Hinted(0x90));
  // An unimplemented address takes no mark.
  const int none = unimplementedAddress();
  ram->SetMouseDownCell(none % 16 + 1, none / 16 + 1);
  ram->MenuCommand("Set Mark");
  EXPECT_FALSE(ram->Marks().Marked(none));
}

TEST_F(RamWindow, HoverShowsTheOffsetAndTheHint) {
  ram->Marks().SetHint(0x123, "speed");
  ram->SelectBank(1);
  ram->Grid()->OnHover(cellOf(0x123), QPoint());
  EXPECT_TRUE(ram->HintPanel()->isVisible());
  EXPECT_EQ(ram->HintPanel()->text(), "speed: <23>");
  ram->Grid()->OnHover(cellOf(0x124), QPoint());
  EXPECT_EQ(ram->HintPanel()->text(), "<24>");
  const QRect c = ram->Grid()->visualRect(cellOf(0x124));
  const QPoint cellTop = ram->Grid()->viewport()->mapTo(ram.get(), c.topLeft());
  EXPECT_EQ(ram->HintPanel()->y(), cellTop.y() + c.height() + 10);
  ram->Grid()->OnHover(QModelIndex(), QPoint());
  EXPECT_FALSE(ram->HintPanel()->isVisible());
}

TEST_F(RamWindow, BankPanelClickAndMenuItemsSelectTheBank) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ram->BankPanel(2), &press);
  EXPECT_EQ(ram->CurrentBank(), 2);
  EXPECT_EQ(ram->GridModel()->Text(16, 0), "2F0");
  for (QAction* a : ram->PopupMenu()->actions())
    if (a->objectName() == "RAMBANK3") a->trigger();
  EXPECT_EQ(Chip().CurrentRamBank, 3);
  EXPECT_EQ(ram->BankPanel(3)->frameShadow(), QFrame::Raised);
  EXPECT_EQ(ram->BankPanel(2)->frameShadow(), QFrame::Sunken);
}

TEST_F(RamWindow, EmulatorWritesGoToThePodAndShowItsReadBack) {
  test::FakePod pod;
  pod.writeMask[0x85] = 0x0F;  // the pod keeps only the low nibble
  up->SetPod(&pod);
  Modes().SimulatorMode = 0;
  ram->RefreshRamView(true);
  type(0x85, "A7");
  key(Qt::Key_Return);
  EXPECT_EQ(pod.count("PodWriteRegister 85=A7"), 1);
  EXPECT_EQ(up->ReadRegister(0x85), 0x07);
  EXPECT_EQ(cell(0x85).Text, "07");
  EXPECT_EQ(up->RegRecord.Item(1)->NewValue, 0xA7);
  // In the emulator 26 and 27 are the image's bytes.
  up->WriteRegisterModel(26, 0x55);
  ram->RefreshRamView(true);
  EXPECT_EQ(cell(26).Text, "55");
  up->SetPod(nullptr);
}

TEST_F(RamWindow, ExportIsOfferedOnlyWithTheLibrary) {
  bool listed = false;
  for (QAction* a : ram->PopupMenu()->actions()) listed |= a->text() == "Save To excel";
  EXPECT_EQ(listed, RamExportAvailable());
}

}  // namespace
}  // namespace kyvor
