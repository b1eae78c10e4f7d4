// The register window: header, bit, byte and word grids for a known target
// state and their change colours, the keypad edits of every panel and grid,
// typing into the byte and word grids, the bit menu, the help texts,
// read-only while running and the emulator's program counter.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "base/containers.h"
#include "base/modes.h"
#include "chip/chipconfig.h"
#include "debugwin/kyreg2.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"
#include "support/fake_pod.h"

namespace kyvor {
namespace {

int ByteIndex(const std::string& name) {
  const auto& n = Chip().ByteRegisterNames;
  for (std::size_t i = 0; i < n.size(); ++i)
    if (n[i] == name) return int(i);
  return -1;
}
int WordIndex(const std::string& name) {
  const auto& n = Chip().WordRegisterNames;
  for (std::size_t i = 0; i < n.size(); ++i)
    if (n[i] == name) return int(i);
  return -1;
}

class RegisterWindow : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    reg = std::make_unique<TKy_Reg2>();
    reg->AttachModel(up.get());
    onWrite = [this](int) { reg->RefreshRegisters(false); };
    reg->show();
    reg->SWSREG();
  }
  void TearDown() override {
    reg.reset();
    DebugTargetTest::TearDown();
  }
  QLabel* panel(const char* name) const { return reg->Panel(name); }
  QColor back(const char* name) const { return panel(name)->palette().color(QPalette::Window); }
  const TGridCell& byteName(int i) const {
    return reg->Grids()->Bytes()->Cell(TReg2Model::NameRow(i), TReg2Model::Column(i));
  }
  QString byteValue(int i) const {
    return reg->Grids()->Bytes()->Text(TReg2Model::NameRow(i) + 1, TReg2Model::Column(i));
  }
  const TGridCell& wordName(int i) const {
    return reg->Grids()->Words()->Cell(TReg2Model::NameRow(i), TReg2Model::Column(i));
  }
  void typeInto(TKyGrid* g, int row, int col, const QString& keys, int endKey = Qt::Key_Return) {
    g->setCurrentIndex(g->model()->index(row, col));
    for (QChar c : keys) {
      QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(g, &e);
    }
    if (endKey) {
      QKeyEvent e(QEvent::KeyPress, endKey, Qt::NoModifier);
      QApplication::sendEvent(g, &e);
    }
  }
  std::unique_ptr<TKy_Reg2> reg;
};

TEST_F(RegisterWindow, HeaderOfAKnownState) {
  up->WriteRegisterModel(41, 0x3C);
  up->SetProgramCounter(0x123);
  up->SetCycleCounter(1, 2);
  up->WriteRegisterModel(15, 0x00);
  up->WriteRegisterModel(16, 0x80);
  up->WriteRegisterModel(0x80, 0x5A);
  up->WriteRegisterModel(17, 0x01);
  up->WriteRegisterModel(18, 0x23);
  up->WriteRegisterModel(0x123, 0x77);
  reg->RefreshRegisters(true);
  EXPECT_EQ(panel("PnlWork_B")->text(), " WREG:");
  EXPECT_EQ(panel("PnlWork")->text(), "3C");
  EXPECT_EQ(panel("PnlPC")->text(), " Program Counter: 123");
  EXPECT_EQ(panel("PnlCycle")->text(), " Cycle: 00010002");
  EXPECT_EQ(panel("Panel10")->text(), " IND0: M[");
  EXPECT_EQ(panel("PnlIND0_1")->text(), "080");
  EXPECT_EQ(panel("Panel13")->text(), "]=");
  EXPECT_EQ(panel("PnlIND0_2")->text(), "5A");
  EXPECT_EQ(panel("PnlIND1_1")->text(), "123");
  EXPECT_EQ(panel("PnlIND1_2")->text(), "77");
  for (const char* p : {"PnlWork", "PnlIND0_1", "PnlIND0_2", "PnlIND1_1", "PnlIND1_2"}) {
    EXPECT_EQ(back(p), gridcolour::White) << p << ": a forced refresh shows no change";
    EXPECT_EQ(panel(p)->palette().color(QPalette::WindowText), gridcolour::Blue) << p;
  }
}

// Each pointer panel is highlighted when the value it shows changed.
TEST_F(RegisterWindow, HeaderPanelsShowTheirOwnChanges) {
  up->WriteRegisterModel(16, 0x80);
  reg->RefreshRegisters(true);
  up->WriteRegisterModel(41, 1);
  up->WriteRegisterModel(0x80, 9);  // the byte pointer 0 points at
  reg->RefreshRegisters(false);
  EXPECT_EQ(back("PnlWork"), gridcolour::Blue);
  EXPECT_EQ(panel("PnlWork")->palette().color(QPalette::WindowText), gridcolour::White);
  EXPECT_EQ(back("PnlIND0_2"), gridcolour::Blue);
  EXPECT_EQ(back("PnlIND0_1"), gridcolour::White);
  EXPECT_EQ(back("PnlIND1_1"), gridcolour::White);
  up->WriteRegisterModel(43, 0x01);  // the status register does not move a pointer
  up->WriteRegisterModel(18, 0x40);
  reg->RefreshRegisters(false);
  EXPECT_EQ(back("PnlWork"), gridcolour::White);
  EXPECT_EQ(back("PnlIND0_1"), gridcolour::White);
  EXPECT_EQ(back("PnlIND0_2"), gridcolour::White);
  EXPECT_EQ(back("PnlIND1_1"), gridcolour::Blue);
}

TEST_F(RegisterWindow, BitGridPagesAndColours) {
  int end = 0, first = 0;
  reg->rkrr(end, first);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(end, 11);
  const TKyGridModel& bits = *reg->Grids()->Bits();
  ASSERT_EQ(bits.rowCount(), 11);
  EXPECT_EQ(bits.Text(0, 0), "STKPTR");
  EXPECT_EQ(bits.Text(0, 1), "FULL");
  EXPECT_EQ(bits.Text(0, 8), "STK0");
  EXPECT_EQ(reg->BitGrid()->height(), (11 + 2) * 14);
  EXPECT_EQ(reg->PageButton(0)->palette().color(QPalette::Button), gridcolour::Yellow);
  int status = -1;
  for (int r = 0; r < 11; ++r)
    if (bits.Text(r, 0) == "STATUS") status = r;
  ASSERT_GE(status, 0);
  up->WriteRegisterModel(43, 0x11);  // C and Z
  reg->RefreshRegisters(false);
  EXPECT_EQ(bits.Cell(status, 0).Back, gridcolour::Blue) << "changed";
  EXPECT_EQ(bits.Cell(status, 4).Fore, gridcolour::Blue) << "C = 1";
  EXPECT_EQ(bits.Cell(status, 4).Back, gridcolour::White);
  EXPECT_EQ(bits.Cell(status, 5).Back, gridcolour::Silver) << "DC = 0";
  EXPECT_EQ(bits.Cell(status, 8).Back, gridcolour::White) << "Z = 1";
  reg->RefreshRegisters(false);
  EXPECT_EQ(bits.Cell(status, 0).Back, gridcolour::ButtonFace);

  reg->PageButton(1)->click();
  EXPECT_EQ(Chip().RegisterPage, 1);
  EXPECT_EQ(bits.rowCount(), 7);
  EXPECT_EQ(bits.Text(0, 0), "PORTA");
  EXPECT_EQ(reg->PageButton(1)->palette().color(QPalette::Button), QColor(0, 255, 0));
  EXPECT_EQ(reg->PageButton(0)->palette().color(QPalette::Button), gridcolour::ButtonFace);
  reg->SelectPage(3);
  EXPECT_EQ(bits.rowCount(), 0) << "an empty page";
}

TEST_F(RegisterWindow, ByteGridNamesValuesAndChanges) {
  const int indf0 = ByteIndex("INDF0"), wreg = ByteIndex("WREG"), tblu = ByteIndex("TBLPTRU");
  ASSERT_GE(indf0, 0);
  ASSERT_GE(wreg, 0);
  ASSERT_GE(tblu, 0);
  EXPECT_EQ(byteName(wreg).Text, "WREG");
  EXPECT_EQ(byteValue(indf0), "=");
  EXPECT_EQ(byteValue(tblu), "=") << "address 28 shows =";
  up->WriteRegisterModel(41, 0xA5);
  up->WriteRegisterModel(0, 0x11);
  reg->RefreshRegisters(false);
  EXPECT_EQ(byteValue(wreg), "A5");
  EXPECT_EQ(byteName(wreg).Back, gridcolour::Blue);
  EXPECT_EQ(byteName(indf0).Back, gridcolour::ButtonFace) << "below 15 never changed";
  EXPECT_EQ(Chip().LastValueMap[41], 0xA5);
  // Cells after the list's last register are plain.
  const int count = ByteRegisterList().Count();
  if (count % 9) {
    EXPECT_EQ(byteName(count).Back, gridcolour::ButtonFace);
  }
}

TEST_F(RegisterWindow, WordGridMarksTheHighOrTheLowAddress) {
  const int fsr0 = WordIndex("FSR0");
  ASSERT_GE(fsr0, 0);
  reg->RefreshRegisters(true);
  up->WriteRegisterModel(15, 0x01);
  up->WriteRegisterModel(16, 0x02);
  reg->RefreshRegisters(false);
  EXPECT_EQ(Chip().ChangedMap[15], 1);
  EXPECT_EQ(Chip().ChangedMap[16], 0) << "only the high address when both changed";
  EXPECT_EQ(wordName(fsr0).Back, gridcolour::Blue);
  EXPECT_EQ(reg->Grids()->Words()->Text(TReg2Model::NameRow(fsr0) + 1, TReg2Model::Column(fsr0)),
            "0102");
  up->WriteRegisterModel(16, 0x03);
  reg->RefreshRegisters(false);
  EXPECT_EQ(Chip().ChangedMap[15], 0);
  EXPECT_EQ(Chip().ChangedMap[16], 1);
  const int pc = WordIndex("PC");
  up->SetProgramCounter(0x0456);
  reg->RefreshRegisters(false);
  EXPECT_EQ(reg->Grids()->Words()->Text(TReg2Model::NameRow(pc) + 1, TReg2Model::Column(pc)),
            "0456");
}

TEST_F(RegisterWindow, TypingIntoTheByteAndWordGrids) {
  const int wreg = ByteIndex("WREG");
  TKyGrid* g = reg->ByteGrid();
  typeInto(g, TReg2Model::NameRow(wreg) + 1, TReg2Model::Column(wreg), "1f2");
  EXPECT_EQ(up->ReadRegister(41), 0xF2) << "the last two digits";
  ASSERT_EQ(up->RegRecord.Count(), 1);
  EXPECT_EQ(up->RegRecord.Item(1)->Address, 41);
  const int indf0 = ByteIndex("INDF0");
  typeInto(g, TReg2Model::NameRow(indf0) + 1, TReg2Model::Column(indf0), "12");
  EXPECT_EQ(byteValue(indf0), "=");
  EXPECT_EQ(up->RegRecord.Count(), 1) << "no write below 15";
  typeInto(g, TReg2Model::NameRow(wreg), TReg2Model::Column(wreg), "34");
  EXPECT_EQ(up->RegRecord.Count(), 1) << "name rows take no keys";
  // Address 28 takes a value; the next refresh shows "=" again.
  const int tblu = ByteIndex("TBLPTRU");
  typeInto(g, TReg2Model::NameRow(tblu) + 1, TReg2Model::Column(tblu), "5", Qt::Key_Tab);
  EXPECT_EQ(up->ReadRegister(28), 0x05);
  EXPECT_EQ(byteValue(tblu), "=");
  // Leaving an edited cell writes it.
  typeInto(g, TReg2Model::NameRow(wreg) + 1, TReg2Model::Column(wreg), "6", 0);
  g->setCurrentIndex(g->model()->index(0, 0));
  EXPECT_EQ(up->ReadRegister(41), 0x26);

  const int fsr1 = WordIndex("FSR1");
  TKyGrid* w = reg->WordGrid();
  typeInto(w, TReg2Model::NameRow(fsr1) + 1, TReg2Model::Column(fsr1), "0A5B");
  EXPECT_EQ(up->ReadRegister(17), 0x0A);
  EXPECT_EQ(up->ReadRegister(18), 0x5B);
  const int pc = WordIndex("PC");
  const int before = up->RegRecord.Count();
  typeInto(w, TReg2Model::NameRow(pc) + 1, TReg2Model::Column(pc), "1234");
  EXPECT_EQ(up->RegRecord.Count(), before) << "the core register takes no typing";
}

TEST_F(RegisterWindow, ProgramCounterKeypadUsesTheChangePcRoad) {
  int stopped = 0;
  up->OnRunStopped = [&](TKy_UP&) { ++stopped; };
  popups.keypad.push_back(0x1234);
  reg->ModifyRegisterPanel(true);
  ASSERT_EQ(popups.keypadRequests.size(), 1u);
  const TKeypadRequest& r = popups.keypadRequests[0];
  EXPECT_EQ(r.Caption, "PC=0000");
  EXPECT_EQ(r.Mask, "FFFF");
  EXPECT_EQ(r.Status, "000~3FFF");
  EXPECT_EQ(r.Limit, 0x3FFF);
  EXPECT_EQ(up->GetPC(), 0x1234u);
  EXPECT_EQ(stopped, 1) << "ChangePC refreshes the views";
  EXPECT_EQ(up->RegRecord.Count(), 0) << "the PC is not a logged register write";
}

// A last address such as 0x27FF must not keep digits of valid addresses
// (0x1F00) out: the mask only gives the digit count, the limit is checked.
TEST_F(RegisterWindow, ProgramCounterMaskDoesNotBlockValidDigits) {
  Chip().ChipRomWords = 0x2800;
  reg->ModifyRegisterPanel(true);
  ASSERT_EQ(popups.keypadRequests.size(), 1u);
  EXPECT_EQ(popups.keypadRequests[0].Mask, "FFFF");
  EXPECT_EQ(popups.keypadRequests[0].Limit, 0x27FF);
  EXPECT_EQ(popups.keypadRequests[0].Status, "000~27FF");
}

TEST_F(RegisterWindow, WregAndPointerKeypads) {
  up->WriteRegisterModel(41, 0x3C);
  popups.keypad.push_back(0x99);
  reg->ModifyRegisterPanel(false);
  EXPECT_EQ(popups.keypadRequests.back().Caption, "Work=3C");
  EXPECT_EQ(popups.keypadRequests.back().Mask, "FF");
  EXPECT_EQ(up->ReadRegister(41), 0x99);

  up->WriteRegisterModel(16, 0x80);
  popups.keypad.push_back(0x1A5);
  reg->ModifyPointer(0, true);
  EXPECT_EQ(popups.keypadRequests.back().Caption, "FSR0=080");
  EXPECT_EQ(popups.keypadRequests.back().Mask, "FFF");
  EXPECT_EQ(popups.keypadRequests.back().Status, "000~FFF");
  EXPECT_EQ(up->ReadRegister(15), 0x01);
  EXPECT_EQ(up->ReadRegister(16), 0xA5);

  up->WriteRegisterModel(18, 0x90);
  up->WriteRegisterModel(0x90, 0x44);
  popups.keypad.push_back(0x55);
  reg->ModifyPointer(1, false);
  EXPECT_EQ(popups.keypadRequests.back().Caption, "IND1=44");
  EXPECT_EQ(up->ReadRegister(0x90), 0x55);
  EXPECT_EQ(up->RegRecord.Count(), 4);
}

TEST_F(RegisterWindow, BitMenuAndDoubleClicks) {
  const TKyGridModel& bits = *reg->Grids()->Bits();
  int status = -1;
  for (int r = 0; r < bits.rowCount(); ++r)
    if (bits.Text(r, 0) == "STATUS") status = r;
  reg->BitGrid()->OnDoubleClick(bits.index(status, 4));
  EXPECT_EQ(reg->BitMenuBit(), 4);
  ASSERT_EQ(reg->BitMenu()->actions().size(), 2);
  EXPECT_EQ(reg->BitMenu()->actions()[0]->text(), "C=1");
  EXPECT_EQ(reg->BitMenu()->actions()[1]->text(), "C=0");
  reg->BitMenu()->hide();
  up->WriteRegisterModel(43, 0x01);
  reg->BitMenu()->actions()[0]->trigger();
  EXPECT_EQ(up->ReadRegister(43), 0x11);
  reg->BitMenu()->actions()[1]->trigger();
  EXPECT_EQ(up->ReadRegister(43), 0x01);
  // A "-" bit opens nothing; the name cell opens the keypad.
  reg->WriteBit(-1, 0, true);
  reg->BitGrid()->OnDoubleClick(bits.index(status, 1));
  EXPECT_EQ(reg->BitMenuBit(), 4) << "unchanged";
  popups.keypad.push_back(0x0F);
  reg->BitGrid()->OnDoubleClick(bits.index(status, 0));
  EXPECT_EQ(popups.keypadRequests.back().Caption, "Ram02B=STATUS");
  EXPECT_EQ(up->ReadRegister(43), 0x0F);

  const int wreg = ByteIndex("WREG");
  popups.keypad.push_back(0x66);
  reg->ByteGrid()->OnDoubleClick(
      reg->Grids()->Bytes()->index(TReg2Model::NameRow(wreg), TReg2Model::Column(wreg)));
  EXPECT_EQ(popups.keypadRequests.back().Caption, "Ram029=WREG");
  EXPECT_EQ(up->ReadRegister(41), 0x66);
  const std::size_t asked = popups.keypadRequests.size();
  const int indf0 = ByteIndex("INDF0");
  reg->ByteGrid()->OnDoubleClick(
      reg->Grids()->Bytes()->index(TReg2Model::NameRow(indf0), TReg2Model::Column(indf0)));
  const int pc = WordIndex("PC");
  reg->WordGrid()->OnDoubleClick(
      reg->Grids()->Words()->index(TReg2Model::NameRow(pc), TReg2Model::Column(pc)));
  EXPECT_EQ(popups.keypadRequests.size(), asked) << "no keypad below 15 or on a core register";
  const int prod = WordIndex("PROD");
  popups.keypad.push_back(0xBEEF);
  reg->WordGrid()->OnDoubleClick(
      reg->Grids()->Words()->index(TReg2Model::NameRow(prod), TReg2Model::Column(prod)));
  EXPECT_EQ(popups.keypadRequests.back().Caption, "RamPROD");
  EXPECT_EQ(popups.keypadRequests.back().Status, "0000~FFFF");
  EXPECT_EQ(up->ReadRegister(33), 0xBE);
  EXPECT_EQ(up->ReadRegister(34), 0xEF);
}

TEST_F(RegisterWindow, HelpTexts) {
  const TKyGridModel& bits = *reg->Grids()->Bits();
  EXPECT_EQ(reg->HelpText(reg->BitGrid(), bits.index(0, 0)), "Stack pointer and stack status");
  EXPECT_EQ(reg->HelpText(reg->BitGrid(), bits.index(0, 3)),
            "OVER: a call was executed with a full stack; the top entry was overwritten");
  const int wreg = ByteIndex("WREG");
  EXPECT_EQ(reg->HelpText(reg->ByteGrid(), reg->Grids()->Bytes()->index(
                                               TReg2Model::NameRow(wreg), TReg2Model::Column(wreg))),
            "Working register W");
  const int pc = WordIndex("PC");
  EXPECT_EQ(reg->HelpText(reg->WordGrid(), reg->Grids()->Words()->index(TReg2Model::NameRow(pc),
                                                                        TReg2Model::Column(pc))),
            "") << "no description: no help item";
}

TEST_F(RegisterWindow, NothingIsEditedWhileTheTargetRuns) {
  up->SetTargetRunning(1);
  popups.keypad.push_back(1);
  reg->ModifyRegisterPanel(false);
  reg->ModifyPointer(0, true);
  reg->WriteBit(0, 1, true);
  const int wreg = ByteIndex("WREG");
  typeInto(reg->ByteGrid(), TReg2Model::NameRow(wreg) + 1, TReg2Model::Column(wreg), "12");
  EXPECT_TRUE(popups.keypadRequests.empty());
  EXPECT_EQ(up->RegRecord.Count(), 0);
  up->SetTargetRunning(0);
}

TEST_F(RegisterWindow, EmulatorShowsThePodsProgramCounterAndWritesThePod) {
  test::FakePod pod;
  pod.pc = 0x2AB;
  up->SetPod(&pod);
  Modes().SimulatorMode = 0;
  reg->RefreshRegisters(true);
  EXPECT_EQ(panel("PnlPC")->text(), " Program Counter: 2AB");
  popups.keypad.push_back(0x42);
  reg->ModifyRegisterPanel(false);
  EXPECT_EQ(pod.count("PodWriteRegister 29=42"), 1);
  EXPECT_EQ(panel("PnlWork")->text(), "42");
  up->SetPod(nullptr);
}

}  // namespace
}  // namespace kyvor
