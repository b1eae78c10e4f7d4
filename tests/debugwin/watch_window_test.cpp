// The watch window and its dialogs: the lists and tables after a build, adding
// and removing watches through the dialog, the grid's texts in the value
// formats, the edit dialog's bit watch and its refusals, the menu commands,
// and the properties file written on close (only for the tables' own file).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "base/outputfile.h"
#include "debugwin/kyram.h"
#include "debugwin/kywatch.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"
#include "support/file_bytes.h"

namespace kyvor {
namespace {

void Mouse(QWidget* w, QEvent::Type type, QPoint pos) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton, held,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

QStringList Items(QListWidget* l) {
  QStringList out;
  for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
  return out;
}

class WatchWindow : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    ResetWatchSettings();
    up->AddSymbol("COUNT", 0x90, 2, 'D');
    up->AddSymbol("LED", 3, 0, 'C');
    up->AddSymbol("PORTA", 0x40, 0, 'C');
    up->AddSymbol("NINE", 9, 0, 'C');
    up->AddSymbol("MAIN", 2, 0, 'L');
    StoreMainFileName(dir.filePath("blink.asm").toStdString());
    watch = std::make_unique<TKy_WATCH>();
    watch->AttachModel(up.get());
    watch->AttachDialogs(&add, &edit);
    watch->AttachRamMarks(&marks);
    onWrite = [this](int) { watch->Refresh(TRefreshReason::RegisterWrite); };
    watch->show();
  }
  void TearDown() override {
    watch.reset();
    ResetWatchSettings();
    DebugTargetTest::TearDown();
  }
  std::string pro() const { return dir.filePath("blink.pro").toStdString(); }
  QString cell(int r, int c) const { return watch->GridModel()->Text(r, c); }
  void select(QListWidget* l, const QString& name) {
    l->clearSelection();
    l->findItems(name, Qt::MatchExactly).first()->setSelected(true);
  }
  QTemporaryDir dir;
  TRamMarks marks;
  TKy_ADDWCH add;
  TKy_WCHEDIT edit;
  std::unique_ptr<TKy_WATCH> watch;
};

TEST_F(WatchWindow, InitFillsTheListsAndLabelsTheRam) {
  watch->InitWatchWindow();
  EXPECT_EQ(watch->PropertiesPath(), pro());
  EXPECT_EQ(Items(add.OtherList()), QStringList({"COUNT", "LED", "NINE", "PORTA"}))
      << "constants and data, sorted; no labels";
  EXPECT_TRUE(Items(add.WatchList()).isEmpty());
  EXPECT_EQ(edit.SymbolList()->count(), 5) << "every symbol for the reference list";
  EXPECT_TRUE(marks.Marked(0x90));
  EXPECT_EQ(marks.HintText[0x91], "COUNT[1]");
  EXPECT_EQ(cell(0, 0), "Name");
  EXPECT_EQ(cell(0, 1), "Addr");
  EXPECT_EQ(cell(0, 2), "Hex(H --> L)");
  EXPECT_EQ(cell(0, 3), "Bin/Refered Symbol");
  EXPECT_GE(watch->GridModel()->rowCount(), 2);
}

TEST_F(WatchWindow, DialogAddsAndRemovesWatches) {
  watch->InitWatchWindow();
  up->WriteRegisterModel(0x90, 0x34);
  up->WriteRegisterModel(0x91, 0x12);
  up->WriteRegisterModel(3, 0x81);
  select(add.OtherList(), "COUNT");
  add.MoveSelectedToWatches();
  add.AddEdit()->setText("led");
  emit add.AddEdit()->returnPressed();
  EXPECT_EQ(add.AddEdit()->text(), "") << "found: the edit is cleared";
  ASSERT_EQ(watch->Table().Watches().size(), 2u);
  EXPECT_EQ(cell(1, 0), "COUNT");
  EXPECT_EQ(cell(1, 1), "090");
  EXPECT_EQ(cell(1, 2), "1234");
  EXPECT_EQ(cell(1, 5), "02");
  EXPECT_EQ(cell(1, 6), "D");
  EXPECT_EQ(cell(2, 0), "LED");
  EXPECT_EQ(cell(2, 2), "81");
  EXPECT_EQ(cell(2, 3), "10000001");
  EXPECT_EQ(Items(add.WatchList()), QStringList({"COUNT", "LED"}));
  watch->SetValueFormat(3);
  EXPECT_EQ(cell(0, 2), "Dec(L --> H)");
  EXPECT_EQ(cell(1, 2), QString::number(0x3412));
  // A logged write shows at once.
  up->LogRegisterChange(0x91, 0x56);
  EXPECT_EQ(cell(1, 2), QString::number(0x3456));

  select(add.WatchList(), "COUNT");
  add.MoveSelectedFromWatches();
  ASSERT_EQ(watch->Table().Watches().size(), 1u);
  EXPECT_EQ(cell(1, 0), "LED");
  EXPECT_EQ(cell(2, 0), "") << "the freed row is emptied";
  dialogs.answer(MsgResult::Yes);
  add.MoveAllFromWatches();
  EXPECT_TRUE(watch->Table().Watches().empty());
  EXPECT_EQ(Items(add.OtherList()).size(), 4);
}

TEST_F(WatchWindow, DeleteWatchAndDeleteAll) {
  watch->InitWatchWindow();
  add.MoveAllToWatches();
  ASSERT_EQ(watch->Table().Watches().size(), 4u);
  watch->Grid()->setCurrentIndex(watch->GridModel()->index(2, 0));
  watch->MenuCommand("Delete Watch");
  EXPECT_EQ(watch->Table().Watches().size(), 3u);
  EXPECT_EQ(add.WatchList()->count(), 3);
  dialogs.answer(MsgResult::No);
  watch->MenuCommand("Delete All Watches");
  EXPECT_EQ(watch->Table().Watches().size(), 3u);
  dialogs.answer(MsgResult::Yes);
  watch->MenuCommand("Delete All Watches");
  EXPECT_TRUE(watch->Table().Watches().empty());
  EXPECT_EQ(add.WatchList()->count(), 0);
  EXPECT_EQ(add.OtherList()->count(), 4);
  EXPECT_EQ(dialogs.messages().back().text, "Delete All Watches?");
}

TEST_F(WatchWindow, EditDialogMakesABitWatch) {
  watch->InitWatchWindow();
  add.MoveSymbolToWatches("LED");
  watch->Grid()->setCurrentIndex(watch->GridModel()->index(1, 0));
  EXPECT_EQ(edit.SymbolLabel()->text(), "LED");
  EXPECT_EQ(edit.ValueEdit()->text(), "003");
  EXPECT_EQ(edit.ReferenceEdit()->text(), "000");
  EXPECT_FALSE(edit.Modified());
  EXPECT_TRUE(edit.SelectBitMode(true));
  EXPECT_TRUE(edit.Modified());
  edit.ReferenceEdit()->setText("PORTA");
  edit.ApplyClick();
  EXPECT_FALSE(edit.Modified());
  EXPECT_EQ(cell(1, 1), "040[3]");
  EXPECT_EQ(cell(1, 3), "PORTA");
  EXPECT_EQ(cell(1, 4), "1");
  up->LogRegisterChange(0x40, 0x08);
  EXPECT_EQ(cell(1, 2), "1");
  // An unknown reference is refused with the message.
  edit.ReferenceEdit()->setText("NOWHERE");
  EXPECT_FALSE(edit.ApplyWatchEdit("A"));
  EXPECT_EQ(dialogs.messages().back().text, "Refered Address NOWHERE is error!");
  edit.RestoreClick();
  EXPECT_EQ(edit.ReferenceEdit()->text(), "PORTA");
  // The list copies a name into the reference.
  edit.SymbolList()->setCurrentRow(0);
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  QApplication::sendEvent(edit.SymbolList(), &space);
  EXPECT_EQ(edit.ReferenceEdit()->text(), edit.SymbolList()->item(0)->text());
}

TEST_F(WatchWindow, EditWatchShowsTheCurrentWatch) {
  watch->InitWatchWindow();
  watch->Grid()->setCurrentIndex(watch->GridModel()->index(1, 0));  // still empty
  add.MoveSymbolToWatches("LED");
  watch->MenuCommand("Edit Watch");
  EXPECT_TRUE(edit.isVisible());
  EXPECT_EQ(edit.SymbolLabel()->text(), "LED");
  EXPECT_EQ(edit.ValueEdit()->text(), "003");
  edit.close();
}

TEST_F(WatchWindow, BitModeNeedsAValueBelowEight) {
  watch->InitWatchWindow();
  add.MoveSymbolToWatches("NINE");
  watch->Grid()->setCurrentIndex(watch->GridModel()->index(1, 1));
  EXPECT_FALSE(edit.SelectBitMode(true));
  EXPECT_EQ(edit.BeepCount(), 1);
  EXPECT_FALSE(edit.BitMode());
  EXPECT_FALSE(edit.Modified());
}

TEST_F(WatchWindow, ClosingSavesAndInitLoadsThePropertiesBack) {
  watch->InitWatchWindow();
  add.MoveSymbolToWatches("COUNT");
  add.MoveSymbolToWatches("LED");
  watch->Grid()->setCurrentIndex(watch->GridModel()->index(2, 0));
  edit.SelectBitMode(true);
  edit.ReferenceEdit()->setText("PORTA");
  edit.OkClick();
  watch->close();
  EXPECT_EQ(test::ReadFileBytes(pro()),
            "0 COUNT A \r\n1 LED A PORTA 3 \r\n0 PORTA R \r\n0 NINE R \r\n0 MAIN R \r\n");
  watch->show();
  watch->InitWatchWindow();
  ASSERT_EQ(watch->Table().Watches().size(), 2u);
  EXPECT_EQ(cell(2, 1), "040[3]");
  EXPECT_EQ(Items(add.WatchList()), QStringList({"COUNT", "LED"}));
  EXPECT_FALSE(Items(add.OtherList()).contains("LED"));
}

// Without a close: a burst of changes goes to the file once the events have
// run, and a change still pending is written when asked (leaving debug mode,
// a new build).
TEST_F(WatchWindow, ChangesGoToThePropertiesFileWithoutAClose) {
  watch->InitWatchWindow();
  add.MoveAllToWatches();
  QApplication::processEvents();
  EXPECT_EQ(test::ReadFileBytes(pro()),
            "0 COUNT A \r\n0 LED A \r\n0 PORTA A \r\n0 NINE A \r\n0 MAIN R \r\n");
  ASSERT_TRUE(add.MoveSymbolFromWatches("LED"));
  watch->WritePendingChanges();
  EXPECT_NE(test::ReadFileBytes(pro()).find("0 LED R \r\n"), std::string::npos);
  ASSERT_TRUE(add.MoveSymbolFromWatches("NINE"));
  watch->InitWatchWindow();
  EXPECT_EQ(watch->Table().Watches().size(), 2u) << "the build read back what was pending";
}

// The tables belong to the file they were loaded for: a table that was never
// filled, or a main file changed since, leaves the other ".pro" alone.
TEST_F(WatchWindow, ClosingNeverOverwritesWithAnEmptyOrAForeignTable) {
  std::ofstream(pro(), std::ios::binary) << "0 COUNT A \r\n";
  watch->close();
  EXPECT_EQ(test::ReadFileBytes(pro()), "0 COUNT A \r\n") << "nothing built yet";

  watch->show();
  watch->InitWatchWindow();
  const std::string other = dir.filePath("other.pro").toStdString();
  std::ofstream(other, std::ios::binary) << "0 LED A \r\n";
  StoreMainFileName(dir.filePath("other.asm").toStdString());
  watch->close();
  EXPECT_EQ(test::ReadFileBytes(other), "0 LED A \r\n") << "another main file's properties are kept";
  EXPECT_NE(test::ReadFileBytes(pro()).find("0 COUNT A \r\n"), std::string::npos);
}

TEST_F(WatchWindow, MenuCommands) {
  watch->InitWatchWindow();
  add.MoveSymbolToWatches("LED");
  for (QAction* a : watch->PopupMenu()->actions())
    if (a->text() == "Hide Addr") a->trigger();
  EXPECT_EQ(watch->Grid()->columnWidth(1), 0);
  for (QAction* a : watch->PopupMenu()->actions())
    if (a->text() == "Hide Addr") a->trigger();
  EXPECT_EQ(watch->Grid()->columnWidth(1), 80);
  watch->FormatMenu()->actions()[1]->trigger();
  EXPECT_EQ(WatchSettings().WatchValueFormat, 1);
  EXPECT_EQ(cell(0, 2), "Hex(L --> H)");

  const std::string saved = dir.filePath("saved").toStdString();
  dialogs.answerFile(saved);
  watch->MenuCommand("Save Properties As");
  EXPECT_TRUE(QFile::exists(QString::fromStdString(saved + ".pro"))) << "default extension";
  dialogs.answer(MsgResult::No);
  watch->MenuCommand("Delete All Watches");
  dialogs.answerFile(saved + ".pro");
  watch->ClearAllWatches();
  watch->MenuCommand("Load Properties");
  ASSERT_EQ(watch->Table().Watches().size(), 1u);
  EXPECT_EQ(watch->Table().Watches()[0].Name, "LED");

  watch->Grid()->setCurrentIndex(watch->GridModel()->index(1, 0));
  edit.SelectBitMode(true);
  edit.ReferenceEdit()->setText("PORTA");
  edit.ApplyClick();
  dialogs.answer(MsgResult::Yes);
  watch->MenuCommand("Clear All Properties");
  EXPECT_EQ(cell(1, 4), "0");
  EXPECT_EQ(cell(1, 1), "003");
}

// Dragging a column border on the top row: nothing moves until the mouse is
// released; then the column has its new width and the window fits the first
// four columns.
TEST_F(WatchWindow, ColumnSizingTakesEffectOnRelease) {
  TKyGrid* g = watch->Grid();
  QWidget* vp = g->viewport();
  const int c0 = g->columnWidth(0);
  const int formWidth = watch->width();
  const QPoint border(g->columnViewportPosition(0) + c0, g->rowHeight(0) / 2);
  EXPECT_EQ(g->ColumnBorderAt(border), 0);
  EXPECT_EQ(g->ColumnBorderAt(border + QPoint(0, g->rowHeight(0))), -1) << "only the top row";
  Mouse(vp, QEvent::MouseButtonPress, border);
  Mouse(vp, QEvent::MouseMove, border + QPoint(30, 0));
  Mouse(vp, QEvent::MouseMove, border + QPoint(40, 0));
  EXPECT_EQ(g->columnWidth(0), c0) << "not while dragging";
  EXPECT_EQ(watch->width(), formWidth);
  Mouse(vp, QEvent::MouseButtonRelease, border + QPoint(40, 0));
  EXPECT_EQ(g->columnWidth(0), c0 + 40);
  int columns = 0;
  for (int c = 0; c <= 3; ++c) columns += g->columnWidth(c);
  EXPECT_EQ(watch->width(), columns + 2 * g->frameWidth() + g->verticalScrollBar()->sizeHint().width());

  // A border dragged left of its column's start leaves the column empty, not negative.
  const QPoint b1(g->columnViewportPosition(1) + g->columnWidth(1), 2);
  Mouse(vp, QEvent::MouseButtonPress, b1);
  Mouse(vp, QEvent::MouseMove, QPoint(1, 2));
  Mouse(vp, QEvent::MouseButtonRelease, QPoint(1, 2));
  EXPECT_EQ(g->columnWidth(1), 0);

  // A plain click on a cell keeps the window's width.
  watch->resize(watch->width() + 30, watch->height());
  const int clicked = watch->width();
  const QPoint inCell(5, g->rowHeight(0) + 5);
  Mouse(vp, QEvent::MouseButtonPress, inCell);
  Mouse(vp, QEvent::MouseButtonRelease, inCell);
  EXPECT_EQ(watch->width(), clicked);
}

TEST_F(WatchWindow, ResizingGivesColumnThreeTheRestUpToTwoHundred) {
  TKyGrid* g = watch->Grid();
  const int fixed = g->columnWidth(0) + g->columnWidth(1) + g->columnWidth(2) + 2 * g->frameWidth() +
                    g->verticalScrollBar()->sizeHint().width();
  watch->resize(fixed + 150, 200);
  EXPECT_EQ(g->columnWidth(3), 150);
  watch->resize(fixed + 400, 200);
  EXPECT_EQ(g->columnWidth(3), 200);
  watch->resize(fixed + 50, 200);
  EXPECT_EQ(g->columnWidth(3), 120) << "a narrow window scrolls; the column keeps its width";
}

TEST_F(WatchWindow, TopRowNeverLiesBelowTheLastWatch) {
  watch->InitWatchWindow();
  QScrollBar* bar = watch->Grid()->verticalScrollBar();
  watch->resize(420, 60);  // room for about two rows
  for (const char* n : {"COUNT", "LED", "PORTA", "NINE"}) ASSERT_TRUE(watch->AddWatch(n));
  QApplication::processEvents();  // the grid's scroll range follows its rows
  bar->setValue(bar->maximum());
  EXPECT_LE(bar->value(), 4);
  EXPECT_GT(bar->value(), 0) << "the grid scrolls with four watches in two rows";
  ASSERT_TRUE(watch->RemoveWatch("NINE"));
  ASSERT_TRUE(watch->RemoveWatch("PORTA"));
  ASSERT_TRUE(watch->RemoveWatch("LED"));
  QApplication::processEvents();
  EXPECT_LE(bar->value(), 1);
  watch->ClearAllWatches();
  // Room for three rows and part of a fourth: the grid could scroll by one.
  watch->resize(420, watch->height() + 60 - watch->Grid()->viewport()->height());
  QApplication::processEvents();
  bar->setValue(1);
  EXPECT_EQ(bar->value(), 0) << "with no watch the top row is the first";
}

}  // namespace
}  // namespace kyvor
