// The editor's commands and events: indent on Enter, page commands, the page
// popup, word at a column, line selection, activation notices, clipboard,
// closing and the editor font.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBlock>

#include "shell/editor/replace_dialog.h"
#include "shell/editor/find_dialogs.h"
#include "shell/editor/editor.h"
#include "shell/editor/richedit.h"
#include "support/editor_fixture.h"
#include "support/scripted_dialogs.h"

using namespace kyvor;
using kyvor::test::Key;
using kyvor::test::kBig5Crlf;
using kyvor::test::ScriptedDialogs;
using kyvor::test::Type;

class EditorCommands : public kyvor::test::EditorFixture {};

TEST_F(EditorCommands, EnterRepeatsTheIndentOfTheLineAbove) {
  const QString path = Write("a.asm", "\t  MOV A,B\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(path));
  Caret(0, 100);
  Type(Cur(), QStringLiteral("\nRET"));
  EXPECT_EQ(Cur()->LineText(1), QStringLiteral("\t  RET"));
  // One undo takes back the line break with its indent, then the word.
  Cur()->undo();
  Cur()->undo();
  EXPECT_EQ(Cur()->toPlainText(), QStringLiteral("\t  MOV A,B\n"));
}

TEST_F(EditorCommands, BlankLineGivesNoIndentAndTextKeepsItsOwn) {
  const QString path = Write("a.asm", "    \r\n\tX\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(path));
  Caret(0, 100);
  Type(Cur(), QStringLiteral("\nY"));
  EXPECT_EQ(Cur()->LineText(1), QStringLiteral("Y"));
  // Enter in front of an indented line's text: the text gets the indent of the line above.
  Caret(2, 0);  // "\tX"
  Type(Cur(), QStringLiteral("\n"));
  EXPECT_EQ(Cur()->LineText(3), QStringLiteral("\tX"));
  EXPECT_EQ(Cur()->LineText(2), QString());
}

TEST_F(EditorCommands, PageCommandsAreRaisedOnlyWhenAssigned) {
  const QString a = OpenLines("a.asm", 3);
  QAction* close = ed.PMenu()->findChild<QAction*>(QStringLiteral("PMenu_Close"));
  QAction* main = ed.PMenu()->findChild<QAction*>(QStringLiteral("PMenu_MainFile"));
  ASSERT_NE(close, nullptr);
  ASSERT_NE(main, nullptr);
  close->trigger();  // unassigned: nothing happens
  EXPECT_EQ(ed.PageCount(), 1);
  std::vector<std::pair<int, QString>> got;
  ed.OnPageCommand = [&](TKy_EDIT* sender, int command, const QString& path) {
    EXPECT_EQ(sender, &ed);
    got.emplace_back(command, path);
  };
  close->trigger();
  main->trigger();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], std::make_pair(1, a));
  EXPECT_EQ(got[1], std::make_pair(2, a));
  // Ctrl+F4 in the text is the close command.
  Key(Cur(), Qt::Key_F4, Qt::ControlModifier);
  EXPECT_EQ(got.size(), 3u);
  ed.CloseAllPages();
  close->trigger();
  EXPECT_EQ(got.size(), 3u);  // no page: not raised
}

TEST_F(EditorCommands, PopupListsPagesSortedAndOffersTheWordAsFile) {
  const QString inc = Write("Chip.inc", "; chip\r\n");
  const QString b = Write("b.asm", "\tINCLUDE chip.INC\r\n");
  const QString a = OpenLines("a.asm", 3);
  ASSERT_TRUE(ed.OpenFileInPage(b));
  ed.SetMainFileName(a);
  Caret(0, 12);
  std::vector<QString> opened;
  ed.OnOpenFile = [&](const QString& p) {
    opened.push_back(p);
    return true;
  };
  ed.PreparePopupMenu();
  QList<QAction*> actions = ed.PMenu()->actions();
  ASSERT_GE(actions.size(), 3);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("file: a.asm"));
  EXPECT_EQ(actions[1]->text(), QStringLiteral("file: b.asm"));
  EXPECT_EQ(actions[2]->objectName(), QStringLiteral("PMenu_Mark"));
  QAction* open = ed.PMenu()->findChild<QAction*>(QStringLiteral("PMenu_Open"));
  ASSERT_TRUE(open->isVisible());
  EXPECT_EQ(open->text(), QStringLiteral("Open ") + inc);
  open->trigger();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], inc);
  actions[0]->trigger();
  EXPECT_EQ(ed.CurrentPageIndex(), 1);
  // Prepared again, the page items are not doubled; a blank gives no Open.
  Caret(0, 0);
  ed.PreparePopupMenu();
  EXPECT_EQ(ed.PMenu()->actions().indexOf(
                ed.PMenu()->findChild<QAction*>(QStringLiteral("PMenu_Mark"))),
            2);
  EXPECT_FALSE(open->isVisible());
}

TEST_F(EditorCommands, WordAtColumnStopsAtBlanksAndTabs) {
  EXPECT_EQ(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc x"), 10),
            QStringLiteral("a.inc"));
  EXPECT_EQ(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc"), 1), QStringLiteral("INCLUDE"));
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc"), 0).isEmpty());
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc"), 8).isEmpty());
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("abc"), 3).isEmpty());
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("abc"), -1).isEmpty());
}

TEST_F(EditorCommands, GotoLineCenteredAndSelectLine) {
  ed.show();
  OpenLines("a.asm", 200);
  ed.GotoLineCentered(1, 100);
  EXPECT_EQ(Cur()->CaretLine(), 100);
  EXPECT_EQ(Cur()->CaretColumn(), 0);
  const int visible = Cur()->VisibleLines();
  ASSERT_GT(visible, 0);
  EXPECT_EQ(Cur()->TopLine(), 100 - Cur()->PageLines() / 2);
  ed.SelectLine(7);
  EXPECT_EQ(Cur()->textCursor().selectedText(), QStringLiteral("\tNOP ; 7") + QChar(0x2029));
  ed.FormActivate();
  EXPECT_FALSE(Cur()->textCursor().hasSelection());
  EXPECT_EQ(Cur()->CaretLine(), 7);
  EXPECT_EQ(Cur()->CaretColumn(), 0);
  ed.hide();
}

TEST_F(EditorCommands, ActivationShowsProgramMemoryOverSpec) {
  OpenLines("a.asm", 2);
  ed.ProgramMemoryUsage = [] { return std::make_pair(4096u, 4100u); };
  ed.FormActivate();
  EXPECT_EQ(ed.PanelText(2),
            QStringLiteral("Program Memory Over Spec.!!!!! Total Code Line is 4100"));
  ed.ProgramMemoryUsage = [] { return std::make_pair(4096u, 4096u); };
  ed.FormActivate();
  EXPECT_TRUE(ed.PanelText(2).isEmpty());
}

TEST_F(EditorCommands, ClipboardCommandsNeedAPage) {
  ed.CutSelection();
  ed.CopySelection();
  ed.PasteClipboard();
  ed.SelectAllText();
  ed.UndoEdit();
  OpenLines("a.asm", 2);
  ed.SelectAllText();
  ed.CutSelection();
  EXPECT_TRUE(Cur()->toPlainText().isEmpty());
  EXPECT_EQ(ed.PanelText(1), QStringLiteral("Modified"));
  ed.PasteClipboard();
  EXPECT_EQ(Cur()->toPlainText(), Lines(2));
  ed.UndoEdit();
  EXPECT_TRUE(Cur()->toPlainText().isEmpty());
}

TEST_F(EditorCommands, CloseRequestHidesInsteadOfDestroying) {
  OpenLines("a.asm", 2);
  ed.show();
  EXPECT_FALSE(ed.close());
  EXPECT_EQ(hidden, 1);
  EXPECT_EQ(ed.PageCount(), 1);
}

TEST_F(EditorCommands, EditorFontGoesToEveryPage) {
  OpenLines("a.asm", 2);
  OpenLines("b.asm", 2);
  QFont f(QStringLiteral("Monospace"), 14);
  ed.SetEditorFont(f);
  EXPECT_EQ(ed.PageEdit(1)->font().pointSize(), 14);
  EXPECT_EQ(ed.PageEdit(2)->font().pointSize(), 14);
  EXPECT_EQ(ed.EditorFont().pointSize(), 14);
}
