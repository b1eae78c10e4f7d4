// Find and replace in the editor: find next, the find dialog's text, replace
// once and all.
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

class EditorFind : public kyvor::test::EditorFixture {};

TEST_F(EditorFind, FindNextHighlightsWithoutUndoOrModification) {
  const QString path = Write("a.asm", "mov a\r\nLOOP: jmp loop\r\nret\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(path));
  Caret(0, 0);
  ASSERT_TRUE(ed.FindNext(QStringLiteral("loop")));
  EXPECT_EQ(Cur()->CaretLine(), 1);
  EXPECT_EQ(Cur()->CaretColumn(), 4);
  EXPECT_FALSE(Cur()->textCursor().hasSelection());
  EXPECT_EQ(ed.PageRecord(1).FindHighlightStart, Cur()->LineStart(1));
  EXPECT_EQ(ed.PageRecord(1).FindHighlightLength, 4);
  ASSERT_EQ(Cur()->extraSelections().size(), 1);
  EXPECT_EQ(Cur()->extraSelections()[0].cursor.selectedText(), QStringLiteral("LOOP"));
  EXPECT_TRUE(Cur()->extraSelections()[0].format.fontUnderline());
  EXPECT_FALSE(ed.IsCurrentPageModified());
  EXPECT_FALSE(Cur()->document()->isUndoAvailable());

  ASSERT_TRUE(ed.FindNext(QStringLiteral("loop")));
  EXPECT_EQ(Cur()->CaretColumn(), 14);
  EXPECT_EQ(Cur()->extraSelections()[0].cursor.selectedText(), QStringLiteral("loop"));

  // Previous goes back to the match before the highlighted one.
  ASSERT_TRUE(ed.FindPrevious(QStringLiteral("loop")));
  EXPECT_EQ(ed.PageRecord(1).FindHighlightStart, Cur()->LineStart(1));
  EXPECT_FALSE(ed.FindPrevious(QStringLiteral("loop")));

  // The next selection change removes the highlight.
  Caret(2, 1);
  EXPECT_TRUE(Cur()->extraSelections().isEmpty());
  EXPECT_EQ(ed.PageRecord(1).FindHighlightLength, 0);
}

TEST_F(EditorFind, FindOfAbsentTextLeavesCaretAndSelection) {
  OpenLines("a.asm", 5);
  QTextCursor c = Cur()->textCursor();
  c.setPosition(3);
  c.setPosition(7, QTextCursor::KeepAnchor);
  Cur()->setTextCursor(c);
  EXPECT_FALSE(ed.FindNext(QStringLiteral("absent")));
  EXPECT_EQ(Cur()->textCursor().anchor(), 3);
  EXPECT_EQ(Cur()->textCursor().position(), 7);
  EXPECT_FALSE(ed.FindNext(QString()));
  // Past the last match nothing more is found.
  Caret(4, 0);
  EXPECT_FALSE(ed.FindNext(QStringLiteral("; 3")));
  EXPECT_TRUE(ed.FindPrevious(QStringLiteral("; 3")));
  EXPECT_EQ(Cur()->CaretLine(), 3);
}

TEST_F(EditorFind, FindNextUsesTheFindDialogsText) {
  OpenLines("a.asm", 5);
  TKy_NFind find;
  ed.SetFindDialog(&find);
  find.SetFindText(QStringLiteral("; 2"));
  Caret(0, 0);
  EXPECT_TRUE(ed.FindNext());
  EXPECT_EQ(Cur()->CaretLine(), 2);
  EXPECT_EQ(ed.FindDialog(), &find);
}

TEST_F(EditorFind, ReplaceOnceAndAll) {
  const QString path = Write("a.asm", "nop\r\nNOP\r\nnopx\r\nret\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(path));
  Caret(0, 0);
  EXPECT_TRUE(ed.ReplaceFind(QStringLiteral("NOP"), false, false));
  EXPECT_EQ(Cur()->textCursor().selectedText(), QStringLiteral("nop"));
  // The selected match differs only in case: with match case off it is replaced.
  EXPECT_EQ(ed.ReplaceText(QStringLiteral("NOP"), QStringLiteral("clr"), false, false, false), 1);
  EXPECT_EQ(Cur()->LineText(0), QStringLiteral("clr"));
  // Whole words, all occurrences from the caret on.
  EXPECT_EQ(ed.ReplaceText(QStringLiteral("nop"), QStringLiteral("nop nop"), false, true, true), 1);
  EXPECT_EQ(Cur()->toPlainText(), QStringLiteral("clr\nnop nop\nnopx\nret\n"));
  Caret(0, 0);
  EXPECT_EQ(ed.ReplaceText(QStringLiteral("nop"), QStringLiteral("N"), true, false, true), 3);
  EXPECT_EQ(Cur()->toPlainText(), QStringLiteral("clr\nN N\nNx\nret\n"));
  EXPECT_TRUE(ed.isEnabled());
}

TEST_F(EditorFind, ReplaceDialogPresetsShortSelections) {
  OpenLines("a.asm", 3);
  QTextCursor c = Cur()->textCursor();
  c.setPosition(1);
  c.setPosition(4, QTextCursor::KeepAnchor);
  Cur()->setTextCursor(c);
  ed.ShowReplaceDialog();
  ASSERT_NE(ed.ReplaceDialog(), nullptr);
  EXPECT_EQ(ed.ReplaceDialog()->FindText(), QStringLiteral("NOP"));
  ed.ReplaceDialog()->SetReplaceText(QStringLiteral("RET"));
  ed.ReplaceDialog()->BtReplace->click();
  EXPECT_EQ(Cur()->LineText(0), QStringLiteral("\tRET ; 0"));
  ed.ReplaceDialog()->hide();
}
