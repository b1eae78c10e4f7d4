// The editor's bookmarks: set and jump keys, marks across pages, marks that
// follow edited lines and closed pages, and the bookmark menu items.
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

class EditorBookmarks : public kyvor::test::EditorFixture {};

TEST_F(EditorBookmarks, CtrlShiftDigitSetsAndRemovesCtrlDigitJumps) {
  OpenLines("a.asm", 20);
  Caret(5, 3);
  Key(Cur(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(ed.IsBookmarkSet(3));
  EXPECT_EQ(ed.Bookmark(3).Line, 5);
  EXPECT_EQ(ed.Bookmark(3).Page, 1);
  EXPECT_TRUE(GutterMarked(1, 5));
  EXPECT_FALSE(GutterMarked(1, 4));
  Caret(12, 2);
  Key(Cur(), Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(Cur()->CaretLine(), 5);
  EXPECT_EQ(Cur()->CaretColumn(), 0);
  // The shifted symbol of a layout counts as the digit too.
  Key(Cur(), Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(ed.IsBookmarkSet(3));
  EXPECT_FALSE(GutterMarked(1, 5));
  EXPECT_EQ(Cur()->toPlainText(), Lines(20));  // the keys typed nothing
}

TEST_F(EditorBookmarks, BookmarksJumpAcrossPagesAndReportTheirPath) {
  const QString a = OpenLines("a.asm", 10);
  ed.SetBookmark(1, 1, 7);
  OpenLines("b.asm", 10);
  ed.GotoBookmark(1);
  EXPECT_EQ(ed.CurrentPageIndex(), 1);
  EXPECT_EQ(Cur()->CaretLine(), 7);
  int line = -1;
  QString path;
  ASSERT_TRUE(ed.GetBookmark(1, line, path));
  EXPECT_EQ(line, 7);
  EXPECT_EQ(path, a);
  EXPECT_FALSE(ed.GetBookmark(2, line, path));
  ed.SetBookmark(10, 1, 1);  // not a bookmark number
  ed.SetBookmark(-1, 1, 1);
  EXPECT_FALSE(ed.IsBookmarkSet(10));
  // Moving a bookmark elsewhere clears its old place.
  ed.SetBookmark(1, 1, 2);
  EXPECT_EQ(ed.Bookmark(1).Line, 2);
  EXPECT_TRUE(GutterMarked(1, 2));
  EXPECT_FALSE(GutterMarked(1, 7));
}

TEST_F(EditorBookmarks, BookmarksFollowInsertedAndDeletedLines) {
  OpenLines("a.asm", 20);
  ed.SetBookmark(2, 1, 10);
  ed.SetBookmark(4, 1, 3);
  // Two lines typed above the bookmarked line.
  Caret(6, 4);
  Type(Cur(), QStringLiteral("\n\n"));
  EXPECT_EQ(ed.Bookmark(2).Line, 12);
  EXPECT_EQ(ed.Bookmark(4).Line, 3);
  EXPECT_TRUE(GutterMarked(1, 12));
  EXPECT_FALSE(GutterMarked(1, 10));
  // A line inserted in front of the bookmarked line's first character.
  Caret(12, 0);
  Type(Cur(), QStringLiteral("\n"));
  EXPECT_EQ(ed.Bookmark(2).Line, 13);
  // Delete the bookmarked line: the bookmark goes to the caret line.
  QTextCursor c = Cur()->textCursor();
  c.setPosition(Cur()->LineStart(13));
  c.setPosition(Cur()->LineStart(14), QTextCursor::KeepAnchor);
  Cur()->setTextCursor(c);
  Key(Cur(), Qt::Key_Delete);
  EXPECT_TRUE(ed.IsBookmarkSet(2));
  EXPECT_EQ(ed.Bookmark(2).Line, Cur()->CaretLine());
  EXPECT_EQ(ed.Bookmark(2).Line, 13);
  // Undo puts the line back and the bookmark follows it down.
  Cur()->undo();
  EXPECT_EQ(ed.Bookmark(2).Line, 14);
}

TEST_F(EditorBookmarks, JoiningTheNextLineLeavesTheBookmark) {
  OpenLines("a.asm", 10);
  ed.SetBookmark(5, 1, 4);
  ed.SetBookmark(6, 1, 5);
  Caret(4, 100);  // end of line 4
  Key(Cur(), Qt::Key_Delete);
  EXPECT_EQ(ed.Bookmark(5).Line, 4);
  EXPECT_TRUE(ed.IsBookmarkSet(6));
  EXPECT_EQ(ed.Bookmark(6).Line, 4);  // its line now is part of line 4
  // Backspace at a line start joins it onto the line above.
  ed.SetBookmark(7, 1, 8);
  Caret(8, 0);
  Key(Cur(), Qt::Key_Backspace);
  EXPECT_EQ(ed.Bookmark(7).Line, 7);
  EXPECT_EQ(Cur()->CaretLine(), 7);
}

TEST_F(EditorBookmarks, ClosingAPageDropsAndRenumbersBookmarks) {
  OpenLines("a.asm", 10);
  OpenLines("b.asm", 10);
  const QString c = OpenLines("c.asm", 10);
  ed.SetBookmark(1, 1, 1);
  ed.SetBookmark(2, 2, 2);
  ed.SetBookmark(3, 3, 3);
  ed.ActivatePage(2);
  ed.CloseCurrentPage();
  EXPECT_TRUE(ed.IsBookmarkSet(1));
  EXPECT_FALSE(ed.IsBookmarkSet(2));
  EXPECT_EQ(ed.Bookmark(3).Page, 2);
  int line = 0;
  QString path;
  ASSERT_TRUE(ed.GetBookmark(3, line, path));
  EXPECT_EQ(path, c);
  EXPECT_TRUE(GutterMarked(2, 3));
  // Closing all pages forgets the bookmarks with their files.
  ed.CloseAllPages();
  EXPECT_FALSE(ed.IsBookmarkSet(1));
  ed.GotoBookmark(1);
  EXPECT_EQ(ed.CurrentPageIndex(), 0);
  EXPECT_EQ(hidden, 1);
}

TEST_F(EditorBookmarks, CloseAllForgetsTheBookmarksOfTheClosedFiles) {
  OpenLines("a.asm", 20);
  Caret(5, 0);
  Key(Cur(), Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(ed.IsBookmarkSet(1));
  ed.CloseAllPages();
  OpenLines("b.asm", 20);
  Caret(0, 0);
  Key(Cur(), Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(Cur()->CaretLine(), 0) << "Ctrl+1 leads nowhere in another file";
  EXPECT_FALSE(ed.IsBookmarkSet(1));
  EXPECT_FALSE(GutterMarked(1, 5));
}

TEST_F(EditorBookmarks, BookmarkItemsAreCheckedAndCaptionedFromTheTable) {
  OpenLines("a.asm", 5);
  Caret(2, 0);
  QAction* set4 = ed.PMenu()->findChild<QAction*>(QStringLiteral("StBM4"));
  QAction* go4 = ed.PMenu()->findChild<QAction*>(QStringLiteral("GoBM4"));
  QMenu* setMenu = ed.PMenu()->findChild<QMenu*>(QStringLiteral("PrevStBM"));
  ASSERT_TRUE(set4 && go4 && setMenu);
  EXPECT_EQ(set4->text(), QString::fromUtf8("設定書籤-4    Ctrl-Shift-4"));
  set4->trigger();
  EXPECT_TRUE(ed.IsBookmarkSet(4));
  EXPECT_EQ(ed.Bookmark(4).Line, 2);
  emit setMenu->aboutToShow();
  EXPECT_TRUE(set4->isChecked());
  EXPECT_TRUE(go4->isChecked());
  EXPECT_FALSE(ed.PMenu()->findChild<QAction*>(QStringLiteral("StBM5"))->isChecked());
  Caret(0, 0);
  go4->trigger();
  EXPECT_EQ(Cur()->CaretLine(), 2);
  ed.ApplyLanguage();
  EXPECT_EQ(set4->text(), QStringLiteral("Set Bookmark-4    Ctrl-Shift-4"));
  EXPECT_EQ(go4->text(), QStringLiteral("Goto Bookmark-4    Ctrl-4"));
  EXPECT_EQ(ed.PMenu()->findChild<QAction*>(QStringLiteral("PMenu_Close"))->text(),
            QStringLiteral("Close file"));
}
