// The source-level debug view: pages and tabs, the mark column, colours,
// bookmarks, find and the page menu on a view of its own; then the whole
// program on a project with an include file and nested macros: the PC line
// through macro expansions, Trace into and Step Over a macro line, both
// breakpoint kinds by double-click and the value tips.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "shell/editor/find_dialogs.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/main_window.h"
#include "shell/source/source_view.h"
#include "support/fake_clock.h"
#include "support/fake_editor.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/program_session.h"

namespace kyvor {
namespace {

const QColor kGreen(0x00, 0x80, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kSilver(0xC0, 0xC0, 0xC0);

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& at) {
  QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// A double-click in the mark column of row (0-based) of the page shown.
void DoubleClickMark(TKy_Source& src, int row) {
  QTableView* g = src.Grid();
  const QPoint at = g->visualRect(g->model()->index(row, 0)).center();
  SendMouse(g->viewport(), QEvent::MouseButtonPress, at);
  SendMouse(g->viewport(), QEvent::MouseButtonRelease, at);
  SendMouse(g->viewport(), QEvent::MouseButtonDblClick, at);
  SendMouse(g->viewport(), QEvent::MouseButtonRelease, at);
}

// --- the view on its own -------------------------------------------------------

class SourceView : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    ASSERT_TRUE(dir.isValid());
    view.resize(600, 400);
  }
  QString file(const char* name, const QByteArray& bytes) {
    const QString p = dir.filePath(name);
    WriteFile(p, bytes);
    return p;
  }
  std::string load(const char* name, const QByteArray& bytes) {
    const std::string p = file(name, bytes).toStdString();
    EXPECT_TRUE(view.LoadSourceFile(p));
    return p;
  }
  test::ScriptedDialogs dialogs;
  QTemporaryDir dir;
  TKy_Source view;
};

TEST_F(SourceView, TabsGoToTheNextMultipleOfSixAndEveryLineStartsWithoutCode) {
  load("a.asm", "ABCD\tX\r\nABCDEF\tY\r\n\tZ\r\nA\t\tB\r\n");
  EXPECT_EQ(view.SourcePageCount(), 1);
  EXPECT_EQ(view.RowCount(1), 4);
  EXPECT_EQ(view.LineText(1, 1), "ABCD  X");
  EXPECT_EQ(view.LineText(1, 2), "ABCDEF      Y");
  EXPECT_EQ(view.LineText(1, 3), "      Z");
  EXPECT_EQ(view.LineText(1, 4), "A           B");
  for (int line = 1; line <= 4; ++line) {
    EXPECT_EQ(view.MarkText(1, line), "-   ");
    EXPECT_EQ(view.GetLineInfo(1, line, 0), -1);
    EXPECT_EQ(view.GetLineInfo(1, line, 1), 0);
  }
  EXPECT_EQ(view.TabSet()->tabText(0), "a.asm");
  EXPECT_EQ(view.PageFileName(1), "a.asm");
  EXPECT_EQ(view.PageFileName(2), "");
  EXPECT_EQ(view.PagePath(0), "");
}

TEST_F(SourceView, Big5AndUtf8FilesShowTheirCharactersAsInTheEditor) {
  // "; test 測試中文" and a tabbed line with "中" in Big5, CR LF ends.
  load("big5.asm", "; test \xB4\xFA\xB8\xD5\xA4\xA4\xA4\xE5\r\n\tRET\t; \xA4\xA4\r\n");
  ASSERT_EQ(view.RowCount(1), 2);
  EXPECT_EQ(view.LineText(1, 1), QString::fromUtf8("; test 測試中文"));
  EXPECT_EQ(view.LineText(1, 2), QString::fromUtf8("      RET   ; 中"));
  // A file that is no Big5 but clean UTF-8 is read as UTF-8, LF ends.
  load("utf8.asm", "; test \xE6\xB8\xAC\xE8\xA9\xA6\xE4\xB8\xAD\n\tNOP\n");
  ASSERT_EQ(view.RowCount(2), 2);
  EXPECT_EQ(view.LineText(2, 1), QString::fromUtf8("; test 測試中"));
  EXPECT_EQ(view.LineText(2, 2), "      NOP");
}

TEST_F(SourceView, AnEmptyFileGetsOneRowAndAMissingOneAnEmptyPage) {
  load("empty.asm", "");
  EXPECT_EQ(view.RowCount(1), 1);
  EXPECT_FALSE(view.LoadSourceFile(dir.filePath("missing.asm").toStdString()));
  EXPECT_EQ(view.SourcePageCount(), 2) << "the page stays, empty";
  EXPECT_EQ(view.RowCount(2), 1);
}

TEST_F(SourceView, TheHundredAndFirstFileIsRefused) {
  const std::string p = file("x.asm", "  NOP\r\n").toStdString();
  for (int i = 0; i < TKy_Source::kMaxPages; ++i) ASSERT_TRUE(view.LoadSourceFile(p)) << i;
  EXPECT_EQ(view.AddSourcePage(p), 0);
  dialogs.clear();
  EXPECT_FALSE(view.LoadSourceFile(p));
  EXPECT_EQ(view.SourcePageCount(), 100);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Number of files are over 100. Can't simulation/emulation!");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
}

TEST_F(SourceView, LineInfoRedrawsTheMark) {
  load("a.asm", "  NOP\r\n  M1\r\n; note\r\n");
  view.SetLineInfo(1, 1, 0, 0);
  EXPECT_EQ(view.MarkText(1, 1), "    ");
  EXPECT_EQ(view.MarkText(1, 2), "-   ");
  view.SetLineInfo(1, 2, 5, 1);  // a macro call without code of its own
  EXPECT_EQ(view.MarkText(1, 2), "    ");
  view.SetLineInfo(1, 3, 0xFFFFF, 0);
  EXPECT_EQ(view.MarkText(1, 3), "-   ");
  // Outside 1..0x20000 nothing changes.
  view.SetLineInfo(1, 0, 7, 0);
  view.SetLineInfo(1, 0x20001, 7, 0);
  EXPECT_EQ(view.GetLineInfo(1, 0, 0), 0);
  EXPECT_EQ(view.GetLineInfo(1, 0x20001, 0), 0);
}

TEST_F(SourceView, MacroRecordsOutsideTheTableAreIgnoredAndWalksEnd) {
  load("a.asm", "  NOP\r\n");
  ASSERT_TRUE(view.CreateMacroTable());
  TMacroExpansionRecord r;
  r.Nested = 1;
  r.ChildRecNo = 2;
  r.ParentRecNo = 2;  // a chain that loops: 1 -> 2 -> 1
  view.PutMacroRecord(0, r);
  view.PutMacroRecord(4097, r);
  EXPECT_EQ(view.GetMacroRecord(0), nullptr);
  EXPECT_EQ(view.GetMacroRecord(4097), nullptr);
  view.PutMacroRecord(1, r);
  r.ChildRecNo = 1;
  r.ParentRecNo = 1;
  view.PutMacroRecord(2, r);
  EXPECT_EQ(view.FirstCodeAddress(1), 0xFFFFF) << "a loop of nested records reaches no code";
}

TEST_F(SourceView, BookmarksShowTheirDigitAndASecondSetRemovesThem) {
  load("a.asm", "  NOP\r\n  NOP\r\n  NOP\r\n  NOP\r\n");
  view.ShowSourcePage(1);
  view.SelectRow(2);
  test::Key(view.Grid(), Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(view.IsSourceBookmarkSet(2));
  EXPECT_EQ(view.MarkText(1, 3), "-  2");
  view.SelectRow(0);
  test::Key(view.Grid(), Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(view.CurrentSourceLine(), 3);
  EXPECT_EQ(view.LinePanel(), " Line: 3");
  // Shift turns 2 into '@' on the keyboard; the bookmark is the same.
  test::Key(view.Grid(), Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(view.IsSourceBookmarkSet(2));
  EXPECT_EQ(view.MarkText(1, 3), "-   ");
  // Moving a bookmark clears its old row.
  view.SetSourceBookmark(4, 1, 0);
  view.SetSourceBookmark(4, 1, 3);
  EXPECT_EQ(view.MarkText(1, 1), "-   ");
  EXPECT_EQ(view.MarkText(1, 4), "-  4");
  view.SetSourceBookmark(10, 1, 0);  // outside 0..9
  EXPECT_EQ(view.MarkText(1, 1), "-   ");
}

TEST_F(SourceView, EditorBookmarksAreImportedByPath) {
  const std::string a = load("a.asm", "  NOP\r\n  NOP\r\n  NOP\r\n");
  const std::string b = load("b.asm", "  NOP\r\n  NOP\r\n");
  test::FakeEditor ed;
  // Paths compare ignoring case.
  ed.bookmarks[1] = {2, QString::fromStdString(a).toUpper().toStdString()};
  ed.bookmarks[7] = {1, b};
  ed.bookmarks[8] = {0, "/elsewhere/c.asm"};
  view.SetSourceBookmark(5, 1, 0);
  view.ImportEditorBookmarks(ed);
  EXPECT_FALSE(view.IsSourceBookmarkSet(5)) << "the old ones are cleared first";
  EXPECT_EQ(view.Bookmark(1).Page, 1);
  EXPECT_EQ(view.Bookmark(1).Row, 2);
  EXPECT_EQ(view.Bookmark(7).Page, 2);
  EXPECT_EQ(view.Bookmark(7).Row, 1);
  EXPECT_FALSE(view.IsSourceBookmarkSet(8));
  EXPECT_EQ(view.MarkText(1, 3), "-  1");
}

TEST_F(SourceView, FindSelectsTheNextLineThatContainsTheTextIgnoringCase) {
  load("a.asm", "  nop\r\n  MVL 1\r\n  mvl 2\r\n  NOP\r\n");
  view.ShowSourcePage(1);
  EXPECT_TRUE(view.FindNextInSource("Mvl"));
  EXPECT_EQ(view.CurrentSourceLine(), 2);
  EXPECT_TRUE(view.FindNextInSource("MVL"));
  EXPECT_EQ(view.CurrentSourceLine(), 3);
  EXPECT_FALSE(view.FindNextInSource("MVL"));
  EXPECT_EQ(view.CurrentSourceLine(), 3) << "nothing found: the row stays";
  EXPECT_FALSE(view.FindNextInSource(""));
  // Through the find dialog.
  TKy_NFind& dlg = Ky_NFind();
  view.SelectRow(0);
  QTimer::singleShot(0, &dlg, [&dlg] {
    dlg.CbFind->setEditText("nop");
    dlg.BtSeek->click();
  });
  view.ShowSourceFindDialog();
  EXPECT_EQ(view.CurrentSourceLine(), 4);
}

TEST_F(SourceView, PageMenuItemsShowTheirOwnPageEvenWithTheSameFileName) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("one.d"));
  ASSERT_TRUE(QDir(dir.path()).mkpath("two.d"));
  load("one.d/x.inc", "  NOP\r\n");
  load("two.d/x.inc", "  NOP\r\n  NOP\r\n");
  load("a.asm", "  NOP\r\n");
  view.PopupSourcePageMenu(0, 0);
  const QList<QAction*> items = view.PMenuPage()->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0]->text(), "file: a.asm");
  EXPECT_EQ(items[1]->text(), "file: x.inc");
  items[2]->trigger();
  EXPECT_EQ(view.CurrentSourcePage(), 2);
  items[1]->trigger();
  EXPECT_EQ(view.CurrentSourcePage(), 1);
  view.PMenuPage()->hide();
  // The context menu: page items above its bookmark items.
  view.PreparePopupMenu();
  view.PreparePopupMenu();
  int pages = 0;
  for (QAction* a : view.PMenu()->actions())
    if (a->text().startsWith("file: ")) ++pages;
  EXPECT_EQ(pages, 3);
}

TEST_F(SourceView, CellsAreDrawnAsTheStateSays) {
  load("a.asm", "  NOP\r\n  NOP\r\n  NOP\r\n");
  view.SetLineInfo(1, 2, 1, 0);
  EXPECT_EQ(view.CellLook(1, 0, 0).background, kSilver);
  EXPECT_EQ(view.CellLook(1, 0, 0).text, kRed);
  EXPECT_EQ(view.CellLook(1, 0, 1).background, QColor(Qt::white));
  EXPECT_EQ(view.CellLook(1, 0, 1).text, QColor(Qt::black));
  view.SetBreakpointMark(1, 2, true);
  EXPECT_EQ(view.MarkText(1, 2), QString::fromUtf8("\u25C6  "));
  EXPECT_EQ(view.CellLook(1, 1, 1).text, kRed);
  view.SetLineInfo(1, 1, 0xFFFFF, 0);
  view.SetBreakpointMark(1, 1, true);  // a line without code takes no sign
  EXPECT_EQ(view.MarkText(1, 1), "-   ");
  view.SetBreakpointMark(1, 3, true);  // -1 (a macro body line) passes
  EXPECT_EQ(view.MarkText(1, 3), QString::fromUtf8("\u25C6  "));
  view.SetBreakpointMark(1, 3, false);
  EXPECT_EQ(view.MarkText(1, 3), "    ");
  view.DimSource();
  EXPECT_EQ(view.CellLook(1, 0, 1).text, QColor(0x80, 0x80, 0x80));
  view.UndimSource();
  view.HighlightLine(1, 3);
  EXPECT_EQ(view.CellLook(1, 2, 1).background, kGreen);
  EXPECT_EQ(view.CellLook(1, 2, 1).text, QColor(Qt::white));
  Modes().SimulatorMode = 0;
  EXPECT_EQ(view.CellLook(1, 2, 1).background, kBlue);
  Modes().SimulatorMode = 1;
  EXPECT_EQ(view.CurrentSourceLine(), 3) << "the highlighted line is the selected one";
}

// --- the whole program on a project with macros --------------------------------

// DEFS.INC: INNER adds 2, OUTER calls INNER first, then adds 1.
const char kDefs[] =
    "INNER   MACRO   R\r\n"           // 1
    "        INF     R, 1\r\n"        // 2
    "        INF     R, 1\r\n"        // 3
    "        ENDM\r\n"                // 4
    "OUTER   MACRO   R\r\n"           // 5
    "        INNER   R\r\n"           // 6
    "        INF     R, 1\r\n"        // 7
    "        ENDM\r\n";               // 8
const char kMain[] =
    "; macros and an include\r\n"     // 1
    "        INCLUDE DEFS.INC\r\n"    // 2
    "        MEMAR   80H\r\n"         // 3
    "CNT     DS      1\r\n"           // 4
    "        ORG     0\r\n"           // 5
    "START:\tCLRF    CNT\r\n"         // 6  address 0
    "\tNOP\r\n"                       // 7  1
    "        OUTER   CNT\r\n"         // 8  2..4
    "NXT:\tINF     CNT, 1\r\n"        // 9  5
    "        BTGF    CNT, 3\r\n"      // 10 6
    "        JMP     START\r\n"       // 11 7, 8
    "        END\r\n";                // 12
constexpr int kCnt = 0x80;

class SourceSession : public test::ProgramSession {
 protected:
  void SetUp() override {
    ProgramSession::SetUp();
    WriteFile(dir.filePath("DEFS.INC"), kDefs);
    WriteFile(dir.filePath("main.asm"), kMain);
    ASSERT_NO_FATAL_FAILURE(start({dir.filePath("main.asm")}));
    ASSERT_EQ(Modes().DebugMode, 1);
    src = w().Forms().source();
    ASSERT_NE(src, nullptr);
  }
  // The tip with the mouse on character `column` of row (0-based).
  QString tipAt(int row, int column) {
    QTableView* g = src->Grid();
    const QRect cell = g->visualRect(g->model()->index(row, 1));
    const int cw = QFontMetrics(g->font()).horizontalAdvance(QChar('0'));
    const QPoint at(cell.left() + 2 + column * cw + cw / 2, cell.center().y());
    SendMouse(g->viewport(), QEvent::MouseMove, at);
    return src->ValueTip()->isVisible() ? src->ValueTipLabel() : QString();
  }

  TKy_Source* src = nullptr;
};

TEST_F(SourceSession, MarkColumnAndTextOfAProgramWithAnIncludeAndNestedMacros) {
  ASSERT_EQ(src->SourcePageCount(), 2);
  EXPECT_EQ(src->PageFileName(1), "main.asm");
  EXPECT_EQ(src->PageFileName(2), "DEFS.INC");
  // Page 1: lines without code show "-", code lines and the macro call are blank.
  const char* marks[] = {"-   ", "-   ", "-   ", "-   ", "-   ", "    ",
                         "    ", "    ", "    ", "    ", "    ", "-   "};
  for (int line = 1; line <= 12; ++line)
    EXPECT_EQ(src->MarkText(1, line).toStdString(), marks[line - 1]) << "line " << line;
  // The macro definitions carry no code of their own.
  for (int line = 1; line <= 8; ++line) EXPECT_EQ(src->MarkText(2, line), "-   ") << line;
  EXPECT_EQ(src->GetLineInfo(1, 8, 0), 0xFFFFF);
  EXPECT_GE(src->GetLineInfo(1, 8, 1), 1);
  EXPECT_EQ(src->FirstCodeAddress(src->GetLineInfo(1, 8, 1)), 2);
  // Tabs after six characters and after four.
  EXPECT_EQ(src->LineText(1, 6), "START:      CLRF    CNT");
  EXPECT_EQ(src->LineText(1, 7), "      NOP");
  EXPECT_EQ(src->LineText(1, 9), "NXT:  INF     CNT, 1");
  // The PC line at start: green with white text, on the first page.
  EXPECT_EQ(src->PCLine(), 6);
  EXPECT_EQ(src->CurrentSourcePage(), 1);
  EXPECT_EQ(src->CellLook(1, 5, 1).background, kGreen);
  EXPECT_EQ(src->CellLook(1, 5, 1).text, QColor(Qt::white));
  EXPECT_EQ(src->CellLook(1, 6, 1).background, QColor(Qt::white));
  EXPECT_EQ(src->CellLook(1, 5, 0).background, kSilver);
}

TEST_F(SourceSession, ASmallerWindowKeepsThePcLineOnTheScreenAndTheMarksFit) {
  press(Qt::Key_F7);
  press(Qt::Key_F7);  // PC line 8
  QMdiSubWindow* f = w().ViewFrame(src);
  f->showNormal();
  f->setGeometry(0, 0, 500, 120);
  QApplication::processEvents();
  QTableView* g = src->Grid();
  const QRect pc = g->visualRect(g->model()->index(src->PCLine() - 1, 1));
  EXPECT_TRUE(g->viewport()->rect().contains(pc.center()));
  const QFontMetrics fm(src->MarkFont());
  EXPECT_LE(fm.horizontalAdvance("-  8") + 2, TKy_Source::kMarkColumnWidth);
}

TEST_F(SourceSession, TraceIntoAMacroKeepsTheCallLineThenWalksTheNestedCallLines) {
  press(Qt::Key_F7);  // CLRF
  press(Qt::Key_F7);  // NOP: the PC reaches the first word of OUTER's expansion
  ASSERT_EQ(up().GetPC(), 2u);
  EXPECT_EQ(src->HighlightedPage(), 1);
  EXPECT_EQ(src->PCLine(), 8) << "the call line, not the body line in DEFS.INC";
  EXPECT_TRUE(src->IsInMacro());
  // Each Trace walks one nested call line down without executing.
  press(Qt::Key_F7);
  EXPECT_EQ(up().GetPC(), 2u);
  EXPECT_EQ(src->HighlightedPage(), 2);
  EXPECT_EQ(src->PCLine(), 6) << "INNER R inside OUTER";
  press(Qt::Key_F7);
  EXPECT_EQ(up().GetPC(), 2u);
  EXPECT_EQ(src->PCLine(), 2) << "INNER's first line";
  EXPECT_FALSE(src->IsInMacro());
  // Then the instructions run again.
  press(Qt::Key_F7);
  EXPECT_EQ(up().GetPC(), 3u);
  EXPECT_EQ(up().ReadRegister(kCnt), 1);
  EXPECT_EQ(src->HighlightedPage(), 2);
  EXPECT_EQ(src->PCLine(), 3);
}

TEST_F(SourceSession, StepOverOnAMacroLineRunsTheWholeMacro) {
  press(Qt::Key_F7);
  press(Qt::Key_F7);
  ASSERT_EQ(src->PCLine(), 8);
  press(Qt::Key_F8);
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 5u) << "past the whole expansion";
  EXPECT_EQ(up().ReadRegister(kCnt), 3);
  EXPECT_EQ(src->PCLine(), 9);
  EXPECT_FALSE(src->IsInMacro());
  // A nested call line reached by Trace runs its own expansion only.
  press(Qt::Key_F6);
  press(Qt::Key_F7);
  press(Qt::Key_F7);
  press(Qt::Key_F7);  // to INNER R
  ASSERT_EQ(src->PCLine(), 6);
  press(Qt::Key_F8);
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 4u);
  EXPECT_EQ(up().ReadRegister(kCnt), 2);
  // On a plain line Step Over is one instruction.
  press(Qt::Key_F8);
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 5u);
}

TEST_F(SourceSession, AMacroAtAddressZeroRunsToItsEnd) {
  prog.reset();
  test::ResetProgramState();
  WriteFile(dir.filePath("zero.asm"),
            "INNER   MACRO   R\r\n        INF     R, 1\r\n        INF     R, 1\r\n        ENDM\r\n"
            "        MEMAR   80H\r\nCNT     DS      1\r\n        ORG     0\r\n"
            "        INNER   CNT\r\n        NOP\r\n        END\r\n");
  ASSERT_NO_FATAL_FAILURE(start({dir.filePath("zero.asm")}));
  src = w().Forms().source();
  ASSERT_EQ(src->PCLine(), 8);
  int32_t start = 0, end = 0;
  ASSERT_TRUE(src->GetMacroRange(start, end));
  EXPECT_EQ(start, -1);
  press(Qt::Key_F8);
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 2u);
  EXPECT_EQ(up().ReadRegister(kCnt), 2);
}

TEST_F(SourceSession, DoubleClickTogglesBothBreakpointKinds) {
  ASSERT_EQ(src->CurrentSourcePage(), 1);
  // A line with code of its own: a breakpoint at its address.
  DoubleClickMark(*src, 8);  // line 9, address 5
  EXPECT_EQ(up().BreakpointCount(), 1);
  EXPECT_EQ(up().GetBreakpointFlag(5, 1), 1);
  EXPECT_TRUE(src->HasBreakMark(1, 9));
  EXPECT_EQ(src->CellLook(1, 8, 1).text, kRed);
  // The macro call line: a source-line breakpoint at the expansion's first word.
  DoubleClickMark(*src, 7);  // line 8
  EXPECT_EQ(up().BreakpointCount(), 2);
  EXPECT_EQ(up().GetBreakpointFlag(2, 2), 1);
  EXPECT_EQ(up().BreakpointRecordAt(2).Page, 1);
  EXPECT_EQ(up().BreakpointRecordAt(2).Line, 8);
  EXPECT_TRUE(src->HasBreakMark(1, 8));
  // A line marked "-" is left alone.
  DoubleClickMark(*src, 0);
  EXPECT_EQ(up().BreakpointCount(), 2);
  EXPECT_EQ(src->MarkText(1, 1), "-   ");
  // Run: the kind-2 breakpoint stops at the call's first word and shows the call line.
  press(Qt::Key_F5);
  ASSERT_TRUE(waitRunStopped());
  EXPECT_EQ(up().GetPC(), 2u);
  EXPECT_EQ(src->PCLine(), 8);
  // Off again.
  DoubleClickMark(*src, 7);
  DoubleClickMark(*src, 8);
  EXPECT_EQ(up().BreakpointCount(), 0);
  EXPECT_FALSE(src->HasBreakMark(1, 8));
  EXPECT_FALSE(src->HasBreakMark(1, 9));
  EXPECT_EQ(src->MarkText(1, 9), "    ");
}

TEST_F(SourceSession, ABreakpointOnASecondWordGoesToTheFirstAndBadSlotsAreNotDecoded) {
  // Line 12 (END) pretends to be the second word of the JMP at 7.
  src->SetLineInfo(1, 12, 8, 0);
  DoubleClickMark(*src, 11);
  EXPECT_EQ(up().GetBreakpointFlag(7, 1), 1);
  EXPECT_EQ(up().GetBreakpointFlag(8, 1), 0);
  // A line whose code address is -1 but that calls a macro takes the macro's code.
  src->SetLineInfo(1, 3, -1, 0);
  src->SetLineInfo(1, 3, src->GetLineInfo(1, 8, 1), 1);
  ASSERT_EQ(src->MarkText(1, 3), "    ");
  DoubleClickMark(*src, 2);
  EXPECT_EQ(up().GetBreakpointFlag(2, 2), 1);
  // An address beyond program memory is no breakpoint.
  src->SetLineInfo(1, 4, 0x7FFF0, 0);
  const int before = up().BreakpointCount();
  DoubleClickMark(*src, 3);
  EXPECT_EQ(up().BreakpointCount(), before);
}

TEST_F(SourceSession, ARecordLoopEndsTheWalkToTheCallLine) {
  // Records whose parents point at each other: the walk gives up.
  TMacroExpansionRecord r;
  r.Nested = 1;
  r.ParentRecNo = 2;
  src->PutMacroRecord(1, r);
  r.ParentRecNo = 1;
  src->PutMacroRecord(2, r);
  ASSERT_TRUE(src->SetAddrMacroIndex(5, 1));
  src->ShowPCLine(5, true);
  EXPECT_EQ(src->PCLine(), 9) << "the line of the word itself";
  EXPECT_FALSE(src->IsInMacro());
}

TEST_F(SourceSession, F2OnTheSourceViewSetsASourceLineBreakpoint) {
  src->SelectRow(7);  // the macro call
  press(Qt::Key_F2);
  EXPECT_EQ(up().GetBreakpointFlag(2, 2), 1);
  EXPECT_TRUE(src->HasBreakMark(1, 8));
  press(Qt::Key_F2);
  EXPECT_EQ(up().BreakpointCount(), 0);
}

TEST_F(SourceSession, AListingBreakpointInsideAMacroMarksTheBodyLine) {
  ASSERT_TRUE(up().SetBreakpoint(3, 1, true));  // INNER's second INF
  EXPECT_EQ(src->CurrentSourcePage(), 2);
  EXPECT_TRUE(src->HasBreakMark(2, 3));
  ASSERT_TRUE(up().SetBreakpoint(3, 1, false));
  EXPECT_FALSE(src->HasBreakMark(2, 3));
}

TEST_F(SourceSession, ValueTipsShowTheRegisterUnderTheMouse) {
  up().WriteRegisterModel(kCnt, 0x2C);
  src->ShowSourcePage(1);
  // "NXT:  INF     CNT, 1": CNT at columns 14..16.
  EXPECT_EQ(tipAt(8, 15), "CNT[080h] = 2Ch");
  EXPECT_EQ(tipAt(8, 6), "") << "over the mnemonic";
  EXPECT_EQ(tipAt(8, 19), "") << "over the destination";
  // A bit operand: the register and the bit.
  EXPECT_EQ(tipAt(9, 17), "CNT[080h] = 2Ch");
  EXPECT_EQ(tipAt(9, 21), "CNT[080h].3 = 1");
  up().WriteRegisterModel(kCnt, 0x24);
  EXPECT_EQ(tipAt(9, 21), "CNT[080h].3 = 0");
  // No tip on a line without code, on one operand, or on the first line.
  EXPECT_EQ(tipAt(3, 9), "");
  EXPECT_EQ(tipAt(5, 21), "") << "CLRF CNT has one operand";
  EXPECT_EQ(tipAt(0, 3), "");
  // The macro call line has no plain code word.
  EXPECT_EQ(tipAt(7, 17), "");
  // Moving to the mark column hides it.
  EXPECT_FALSE(tipAt(8, 15).isEmpty());
  QTableView* g = src->Grid();
  SendMouse(g->viewport(), QEvent::MouseMove, g->visualRect(g->model()->index(8, 0)).center());
  EXPECT_FALSE(src->ValueTip()->isVisible());
}

TEST_F(SourceSession, StepBackShowsTheEarlierLine) {
  press(Qt::Key_F7);
  press(Qt::Key_F7);
  ASSERT_EQ(src->PCLine(), 8);
  press(Qt::Key_F9);  // step back: the address before
  EXPECT_EQ(src->PCLine(), 7);
  EXPECT_EQ(up().GetPC(), 2u) << "the target does not move";
}

TEST_F(SourceSession, ContinueWaitsWhileTheViewWalksAMacroLine) {
  press(Qt::Key_F7);
  press(Qt::Key_F7);
  ASSERT_TRUE(src->IsInMacro());
  w().SMenu_TraceContinueClick();
  // The first ticks walk the nested call lines; only then does the target step.
  QElapsedTimer t;
  t.start();
  while (src->PCLine() != 6 && t.elapsed() < 2000) QApplication::processEvents();
  EXPECT_EQ(up().GetPC(), 2u);
  while (up().GetPC() == 2u && t.elapsed() < 4000) QApplication::processEvents();
  EXPECT_EQ(src->PCLine(), 3);
  press(Qt::Key_F12);
  EXPECT_GE(up().ReadRegister(kCnt), 1);
}

}  // namespace
}  // namespace kyvor
