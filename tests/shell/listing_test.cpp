// The program-memory listing: texts and colours of a known program, the
// program-counter and breakpoint rows, the register operand column, a window
// taller than program memory, column widths and row heights from the font,
// paging keys, the double-click events, the run display and the dump grid of
// the programmer layout.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>

#include "base/modes.h"
#include "base/numbers.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/instruction_table.h"
#include "engine/ky_up.h"
#include "shell/source/listing.h"
#include "support/debug_target.h"

namespace kyvor {
namespace {

class Listing : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    ResetOptions();
    const auto& t = up->Instructions();
    up->StoreProgramWord(0, t.Encode("CLRF", 0x80, 1), 14, 0);
    up->StoreProgramWord(1, t.Encode("MVL", 0x7F), 15, 0);
    up->StoreProgramWord(2, t.Encode("MVF", 0x80, 1), 16, 0);
    up->StoreProgramWord(3, t.Encode("MVF", 0, 0), 17, 0);  // through pointer 0
    up->StoreProgramWord(4, 0x0004, 0, 0);                  // no instruction
    hex = std::make_unique<TKy_Hex>();
    hex->AttachModel(up.get());
    hex->resize(440, 360);
    hex->show();
  }
  void TearDown() override {
    hex.reset();
    ResetOptions();
    DebugTargetTest::TearDown();
  }
  // Grid row of a program address.
  int rowOf(int address) const { return address - hex->TopAddress + 1; }
  const TGridCell& cell(int address, int col) const {
    return hex->GridModel()->Cell(rowOf(address), col);
  }
  void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(hex->Grid(), &e);
  }
  std::unique_ptr<TKy_Hex> hex;
};

TEST_F(Listing, TextsOfAKnownProgram) {
  up->WriteRegisterModel(0x80, 0x5A);
  hex->GotoAddressCentered(0);
  EXPECT_EQ(hex->TopAddress, 0);
  const TKyGridModel& m = *hex->GridModel();
  EXPECT_EQ(m.Text(0, 1), "addr");
  EXPECT_EQ(m.Text(0, 2), "code");
  EXPECT_EQ(m.Text(0, 3), "instruction");
  EXPECT_EQ(m.Cell(0, 1).Back, gridcolour::Silver);
  EXPECT_EQ(cell(0, 1).Text, "0000");
  EXPECT_EQ(cell(0, 2).Text,
            QString::fromStdString(IntToHexPad(up->Instructions().Encode("CLRF", 0x80, 1), 4)));
  EXPECT_EQ(cell(0, 3).Text, "CLRF    80h, 1");
  EXPECT_EQ(cell(0, 4).Text, "M(80)=5a");
  EXPECT_EQ(cell(1, 3).Text, "MVL     7fh");
  EXPECT_EQ(cell(1, 4).Text, "") << "no register operand";
  EXPECT_EQ(cell(4, 3).Text, "") << "a word that decodes to nothing";
  EXPECT_EQ(cell(4, 4).Text, "");
  EXPECT_EQ(cell(0, 3).Align, Qt::AlignLeft);
  EXPECT_EQ(cell(0, 1).Align, Qt::AlignCenter);
}

TEST_F(Listing, PointerOperandsReachTheirRegister) {
  up->WriteRegisterModel(reg::PTR0L, 0x34);
  up->WriteRegisterModel(0x34, 0x11);
  up->WriteRegisterModel(0x134, 0x22);
  hex->GotoAddressCentered(0);
  EXPECT_EQ(cell(3, 4).Text, "M(34)=11");
  up->WriteRegisterModel(reg::STATUS, 0x80);  // bit 7 extends pointer 0 to bank 1
  hex->RefreshListing();
  EXPECT_EQ(cell(3, 4).Text, "M(134)=22");
}

TEST_F(Listing, ProgramCounterAndBreakpointRows) {
  ASSERT_TRUE(up->SetBreakpoint(2, 1, true));
  ASSERT_TRUE(up->SetBreakpoint(1, 1, true));
  hex->GotoAddressCentered(1);
  EXPECT_EQ(hex->PcAddress, 1);
  EXPECT_EQ(cell(1, 1).Back, gridcolour::Green) << "simulator PC row";
  EXPECT_EQ(cell(1, 1).Fore, gridcolour::White);
  EXPECT_EQ(cell(1, 0).Text, QString::fromUtf8("\u25C6")) << "mark of a PC row with a breakpoint";
  EXPECT_EQ(cell(1, 0).Fore, gridcolour::Red);
  EXPECT_EQ(cell(2, 1).Fore, gridcolour::Red);
  EXPECT_EQ(cell(2, 3).Back, gridcolour::White);
  EXPECT_EQ(cell(0, 1).Fore, gridcolour::Black);
  EXPECT_EQ(cell(0, 0).Fore, gridcolour::White) << "no mark";
  EXPECT_EQ(cell(0, 0).Text, "");
  // A source-line breakpoint has no mark in the listing.
  up->StoreProgramWord(7, 0, 20, 0);
  ASSERT_TRUE(up->SetBreakpoint(7, 2, true, 1, 20));
  hex->RefreshListing();
  EXPECT_EQ(cell(7, 0).Text, "");
  // In the emulator the PC row is white on blue.
  Modes().SimulatorMode = 0;
  hex->hide();
  hex->show();
  hex->RefreshListing();
  EXPECT_EQ(cell(1, 1).Back, gridcolour::Blue);
}

TEST_F(Listing, RowsFromTheWindowHeight) {
  hex->resize(440, 18 * 12 + 1 + 30);
  const int base = hex->Grid()->height();
  EXPECT_EQ(hex->VisibleRows, (base - 1) / 18 - 1);
  EXPECT_EQ(hex->GridModel()->rowCount(), hex->FullRows + 1);
  EXPECT_EQ(hex->ScrollBar()->maximum(), ProgramMemoryPages() * 256 - hex->VisibleRows);
  EXPECT_EQ(hex->ScrollBar()->pageStep(), hex->VisibleRows);
  EXPECT_EQ(hex->Grid()->columnWidth(0) + hex->Grid()->columnWidth(1) +
                hex->Grid()->columnWidth(2) + hex->Grid()->columnWidth(3) +
                hex->Grid()->columnWidth(4),
            hex->width() - 20);
}

// Every text of the widest words fits its column, at a small and a large font;
// rows grow with a tall font, and a window too narrow for the columns scrolls
// sideways with its rows counted above that scroll bar.
TEST_F(Listing, ColumnsHoldTheirWidestTextsAtSmallAndLargeFonts) {
  const auto& table = up->Instructions();
  uint32_t address = 0;
  for (const TInstructionDescriptor& d : table.Descriptors())
    up->StoreProgramWord(address++, TInstructionTable::Encode(d, -1, -1, -1), 14, 0);
  // The widest register text: bank 1 reached through pointer 0.
  up->StoreProgramWord(address++, table.Encode("MVF", 0, 1, 1), 14, 0);
  up->WriteRegisterModel(reg::PTR0L, 0xFF);
  up->WriteRegisterModel(reg::STATUS, 0x80);
  up->WriteRegisterModel(0x1FF, 0xFF);
  TKyGrid& grid = *hex->Grid();
  // The item view draws a text this far inside each edge of its cell.
  const int inset = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
  const int margin = 2 * inset;
  for (const int pixels : {9, 30}) {
    QFont font("Monospace");
    font.setPixelSize(pixels);
    font.setBold(true);
    hex->SetEditorFont(font);
    hex->resize(440, 40 * int(address + 4));
    hex->GotoAddressCentered(0);
    ASSERT_GE(hex->FilledRows, int(address));
    const QFontMetrics fm(font);
    EXPECT_GE(grid.rowHeight(1), fm.height()) << pixels;
    EXPECT_GE(grid.rowHeight(1), 18) << pixels;
    for (int row = 0; row <= hex->FilledRows; ++row)
      for (int c = 0; c < 5; ++c) {
        const QString text = hex->GridModel()->Text(row, c);
        EXPECT_LE(fm.horizontalAdvance(text) + margin, grid.columnWidth(c))
            << pixels << " px, row " << row << ": " << text.toStdString();
      }
    EXPECT_EQ(hex->GridModel()->Text(int(address), 4), "M(1ff)=ff");
  }
  // 30 pixels: the columns are wider than the window.
  hex->resize(440, 360);
  QApplication::processEvents();
  EXPECT_GT(grid.horizontalScrollBar()->maximum(), 0);
  EXPECT_LE((hex->VisibleRows + 1) * grid.rowHeight(1), grid.viewport()->height());
}

// More rows than program words: the listing starts at 0 and the rows after the
// last word are blank.
TEST_F(Listing, AWindowTallerThanProgramMemoryShowsFromZero) {
  Chip().ChipRomWords = 256;
  up->ApplyChipConfig();
  hex->resize(440, 18 * 300);
  hex->GotoAddressCentered(200);
  EXPECT_EQ(hex->TopAddress, 0);
  EXPECT_EQ(hex->FilledRows, 256);
  EXPECT_EQ(hex->GridModel()->Text(1, 1), "0000");
  EXPECT_EQ(hex->GridModel()->Text(256, 1), "00FF");
  EXPECT_EQ(hex->GridModel()->Text(257, 1), "");
  EXPECT_EQ(hex->ScrollBar()->maximum(), 0);
  key(Qt::Key_PageDown);
  EXPECT_EQ(hex->TopAddress, 0);
}

TEST_F(Listing, PagingKeys) {
  hex->GotoAddressCentered(0);
  const int v = hex->VisibleRows;
  const int last = ProgramMemoryPages() * 256 - v;
  hex->Grid()->setCurrentIndex(hex->GridModel()->index(3, 1));
  key(Qt::Key_PageDown);
  EXPECT_EQ(hex->TopAddress, v);
  key(Qt::Key_PageUp);
  EXPECT_EQ(hex->TopAddress, 0);
  key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(hex->TopAddress, last);
  key(Qt::Key_PageDown);
  EXPECT_EQ(hex->TopAddress, last) << "Page Down stops at the end";
  key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(hex->TopAddress, 0);
  hex->ShowListingAt(10, false);
  hex->Grid()->setCurrentIndex(hex->GridModel()->index(1, 1));
  key(Qt::Key_Up);
  EXPECT_EQ(hex->TopAddress, 9);
  hex->Grid()->setCurrentIndex(hex->GridModel()->index(hex->FullRows, 1));
  const int top = hex->TopAddress;
  key(Qt::Key_Down);
  EXPECT_EQ(hex->TopAddress, top + 1);
  EXPECT_EQ(hex->ScrollBar()->value(), hex->TopAddress);
}

TEST_F(Listing, EnsureVisibleCountsTheBottomEdge) {
  hex->ShowListingAt(100, true);
  const int v = hex->VisibleRows;
  hex->EnsureAddressVisible(uint32_t(100 + v));
  EXPECT_EQ(hex->TopAddress, 100);
  hex->EnsureAddressVisible(uint32_t(100 + v + 1));
  EXPECT_EQ(hex->TopAddress, 100 + v + 1 + 1 - v);
  hex->EnsureAddressVisible(50);
  EXPECT_EQ(hex->TopAddress, 50);
}

TEST_F(Listing, SelectionStaysInTheAddressColumn) {
  hex->GotoAddressCentered(0);
  hex->Grid()->setCurrentIndex(hex->GridModel()->index(2, 3));
  EXPECT_EQ(hex->Grid()->currentIndex().column(), 1);
  EXPECT_EQ(hex->ClickedColumn, 3);
  EXPECT_EQ(hex->SelectedAddress(), 1);
}

TEST_F(Listing, DoubleClickPicksOrSetsABreakpoint) {
  hex->GotoAddressCentered(0);
  int picked = -1, setRequests = 0;
  hex->OnAddressPicked = [&](TKy_Hex&, int32_t a) { picked = a; };
  hex->OnSetBreakpoint = [&](TKy_Hex&) { ++setRequests; };
  hex->Grid()->setCurrentIndex(hex->GridModel()->index(3, 2));  // code column
  hex->Grid()->OnDoubleClick(QModelIndex());
  EXPECT_EQ(picked, 2);
  EXPECT_EQ(setRequests, 0);
  hex->Grid()->setCurrentIndex(hex->GridModel()->index(4, 0));  // mark column
  hex->Grid()->OnDoubleClick(QModelIndex());
  EXPECT_EQ(setRequests, 1);
  EXPECT_EQ(hex->SelectedAddress(), 3);
}

TEST_F(Listing, GreyWhileRunningAndTheBreakpointRefresh) {
  hex->GotoAddressCentered(0);
  hex->Refresh(TRefreshReason::RunStarted);
  EXPECT_EQ(cell(3, 1).Fore, gridcolour::Grey);
  EXPECT_EQ(hex->GridModel()->Cell(0, 1).Fore, gridcolour::Grey);
  hex->Refresh(TRefreshReason::RunStopped);
  EXPECT_EQ(cell(3, 1).Fore, gridcolour::Black);
  ASSERT_TRUE(up->SetBreakpoint(3, 1, true));
  hex->Refresh(TRefreshReason::Breakpoints);
  EXPECT_EQ(cell(3, 1).Fore, gridcolour::Red);
}

TEST_F(Listing, ProgrammerLayoutShowsTheDumpGrid) {
  Options().PProg = 1;
  hex->hide();
  hex->show();
  EXPECT_TRUE(hex->DumpGridShown());
  EXPECT_TRUE(hex->DumpGrid()->isVisible());
  EXPECT_FALSE(hex->Grid()->isVisible());
  EXPECT_FALSE(hex->ScrollBar()->isVisible());
  const int pages = ProgramMemoryPages();
  const TKyGridModel& d = *hex->DumpModel();
  ASSERT_EQ(d.rowCount(), pages * 16 + 17);
  EXPECT_EQ(d.columnCount(), 17);
  EXPECT_EQ(d.Text(0, 1), "0");
  EXPECT_EQ(d.Text(0, 16), "F");
  EXPECT_EQ(d.Text(1, 0), "000");
  EXPECT_EQ(d.Text(pages * 16, 0), QString::fromStdString(IntToHexPad(pages * 16 - 1, 3)));
  EXPECT_EQ(d.Text(pages * 16 + 1, 0), "170");
  EXPECT_EQ(d.Text(pages * 16 + 16, 0), "17F");
  Chip().DeviceKind3 = 1;
  hex->ShowDumpGrid(true);
  ASSERT_EQ(d.rowCount(), pages * 16 + 5);
  EXPECT_EQ(d.Text(pages * 16 + 4, 0), QString::fromStdString(IntToHexPad(pages * 16 + 3, 3)));
}

}  // namespace
}  // namespace kyvor
