// The multi-file source editor: pages, files, bookmarks, indent, find,
// save questions and page commands.
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

#include "shell/ed_replace.h"
#include "shell/findmfile.h"
#include "shell/kyedit.h"
#include "shell/richedit.h"
#include "support/scripted_dialogs.h"

using namespace kyvor;
using kyvor::test::ScriptedDialogs;

namespace {

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
         const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const QString& text) {
  for (QChar c : text) {
    if (c == QChar('\n'))
      Key(w, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    else if (c == QChar('\t'))
      Key(w, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    else
      Key(w, Qt::Key_A, Qt::NoModifier, QString(c));  // the text is what counts
  }
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ed.resize(600, 400);
    ed.OnHideEditor = [this] { ++hidden; };
  }

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QByteArray Read(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }
  QString Lines(int n) {
    QStringList l;
    for (int i = 0; i < n; ++i) l << QStringLiteral("\tNOP ; %1").arg(i);
    return l.join('\n');
  }
  QString OpenLines(const QString& name, int n) {
    const QString path = Write(name, Lines(n).toUtf8());
    EXPECT_TRUE(ed.OpenFileInPage(path));
    return path;
  }
  TSRichEdit* Cur() { return ed.CurrentEdit(); }
  void Caret(int line, int column) {
    Cur()->GotoLine(line);
    Cur()->SetCaretColumn(column);
  }
  // True when the gutter of page n shows a mark on the band of line.
  bool GutterMarked(int n, int line) {
    if (!ed.isVisible()) ed.show();
    QCoreApplication::processEvents();
    QWidget* g = ed.PageGutter(n);
    TSRichEdit* e = ed.PageEdit(n);
    QImage img(g->size(), QImage::Format_RGB32);
    g->render(&img);
    const QRectF r = e->LineRect(line);
    const int offset = e->viewport()->mapTo(g->parentWidget(), QPoint(0, 0)).y() - g->y();
    for (int y = int(r.top()) + offset; y < int(r.bottom()) + offset; ++y)
      for (int x = 0; x < img.width(); ++x)
        if (y >= 0 && y < img.height() && img.pixelColor(x, y) != QColor(0xC0, 0xC0, 0xC0))
          return true;
    return false;
  }

  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  TKy_EDIT ed;
  int hidden = 0;
};

const QByteArray kBig5Crlf =
    "; \xA4\xA4\xA4\xE5\r\n"         // "; 中文"
    "\tMOV\tA,#1\r\n"
    "\tRET ; \xB4\xFA\xB8\xD5\r\n";  // "測試"

}  // namespace

// ------------------------------------------------------------------ files

TEST_F(EditorTest, Big5CrlfFileRoundTripsThroughEditAndSave) {
  const QString path = Write("Main.asm", kBig5Crlf);
  ASSERT_TRUE(ed.OpenFileInPage(path));
  EXPECT_EQ(ed.PageCount(), 1);
  EXPECT_EQ(ed.CurrentPageIndex(), 1);
  EXPECT_EQ(ed.CurrentPagePath(), path);
  EXPECT_EQ(ed.TabSet()->tabText(0), QStringLiteral("Main.asm"));
  EXPECT_EQ(Cur()->LineText(0), QString::fromUtf8("; 中文"));
  EXPECT_FALSE(ed.IsCurrentPageModified());

  // Save untouched: same bytes.
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(Read(path), kBig5Crlf);

  // Edit the second line; the others keep their bytes.
  Caret(1, 8);  // after "\tMOV\tA,#"
  Type(Cur(), QString::fromUtf8("2 ; 新"));
  EXPECT_TRUE(ed.IsCurrentPageModified());
  EXPECT_EQ(ed.PanelText(1), QStringLiteral("Modified"));
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_FALSE(ed.IsCurrentPageModified());
  EXPECT_TRUE(ed.PanelText(1).isEmpty());
  EXPECT_EQ(Read(path), QByteArray("; \xA4\xA4\xA4\xE5\r\n"
                                   "\tMOV\tA,#2 ; \xB7\x73" "1\r\n"
                                   "\tRET ; \xB4\xFA\xB8\xD5\r\n"));
  // Reading it again shows what was saved.
  ASSERT_TRUE(ed.ReloadPage(1));
  EXPECT_EQ(Cur()->LineText(1), QString::fromUtf8("\tMOV\tA,#2 ; 新1"));
}

TEST_F(EditorTest, Utf8FileWithNoBreakSpaceAndLineSeparatorSavesUnchanged) {
  const QByteArray bytes = "; caf\xC3\xA9\xC2\xA0\xE4\xB8\xAD\n; a\xE2\x80\xA8" "b\n";
  const QString path = Write("u.asm", bytes);
  ASSERT_TRUE(ed.OpenFileInPage(path));
  EXPECT_EQ(Cur()->LineCount(), 3);
  Caret(2, 0);
  Type(Cur(), QStringLiteral("x"));
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(Read(path), bytes + "x");
}

TEST_F(EditorTest, SaveAsRetitlesThePage) {
  ASSERT_EQ(ed.NewFilePage(), 1);
  Type(Cur(), QStringLiteral("nop\n"));
  const QString path = dir.filePath("Other.asm");
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(ed.CurrentPagePath(), path);
  EXPECT_EQ(ed.TabSet()->tabText(0), QStringLiteral("Other.asm"));
  EXPECT_EQ(Read(path), QByteArray("nop\r\n"));
}

TEST_F(EditorTest, FailedSaveIsNotCountedAsSavedAndSaysSo) {
  const QString path = Write("A.asm", "nop\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(path));
  Type(Cur(), QStringLiteral("x"));
  EXPECT_FALSE(ed.SaveCurrentPageAs(dir.filePath("gone/A.asm")));
  EXPECT_TRUE(ed.IsCurrentPageModified());
  EXPECT_EQ(ed.CurrentPagePath(), path);  // the page keeps its own path
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
  EXPECT_NE(dialogs.messages()[0].text.find("not saved"), std::string::npos);
  EXPECT_EQ(Read(path), QByteArray("nop\r\n"));
  // SaveModifiedFiles reports the failure as false.
  dialogs.clear();
  QFile::remove(path);
  ASSERT_TRUE(QDir().mkdir(path));  // a folder where the file was: cannot be written
  dialogs.answer(MsgResult::Yes);
  EXPECT_FALSE(ed.SaveModifiedFiles(QString(), false));
  EXPECT_TRUE(ed.IsCurrentPageModified());
}

TEST_F(EditorTest, OpenFailsForMissingFilesWithoutLeavingAPage) {
  EXPECT_FALSE(ed.OpenFileInPage(dir.filePath("missing.asm")));
  EXPECT_FALSE(ed.OpenFileInPage(dir.path()));
  EXPECT_EQ(ed.PageCount(), 0);
  EXPECT_EQ(ed.OpenSourceFile(dir.filePath("missing.asm")), TEdOpenResult::Failed);
  EXPECT_EQ(ed.PageCount(), 0);
}

TEST_F(EditorTest, TwentyPagesAtMost) {
  for (int i = 0; i < 20; ++i) ASSERT_EQ(ed.CreateEditorPage(), i + 1);
  EXPECT_EQ(ed.CreateEditorPage(), 0);
  EXPECT_EQ(ed.PageCount(), 20);
  const QString path = Write("x.asm", "nop\r\n");
  EXPECT_FALSE(ed.OpenFileInPage(path));
  EXPECT_EQ(ed.NewFilePage(), 0);
  EXPECT_EQ(ed.OpenSourceFile(path), TEdOpenResult::TooManyPages);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "max number of edited file: 20");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Information);
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbOk));
  EXPECT_EQ(ed.PageCount(), 20);
}

TEST_F(EditorTest, NewPagesAreNumberedWithoutReuse) {
  ASSERT_EQ(ed.NewFilePage(), 1);
  EXPECT_EQ(ed.CurrentPagePath(), QStringLiteral("~New0"));
  ASSERT_EQ(ed.NewFilePage(), 1);
  EXPECT_EQ(ed.CurrentPagePath(), QStringLiteral("~New1"));
  ed.CloseCurrentPage();
  ASSERT_EQ(ed.NewFilePage(), 1);
  EXPECT_EQ(ed.CurrentPagePath(), QStringLiteral("~New2"));
  EXPECT_EQ(ed.PagePath(1), QStringLiteral("~New0"));
  EXPECT_TRUE(ed.PagePath(3).isEmpty());
  EXPECT_TRUE(ed.PagePath(0).isEmpty());
  EXPECT_TRUE(TKy_EDIT::IsUnnamedPath(QStringLiteral("~nEw7")));
  EXPECT_FALSE(TKy_EDIT::IsUnnamedPath(QStringLiteral("~Ne")));
}

TEST_F(EditorTest, PagesCloseAndHideTheEditorWhenTheLastGoes) {
  const QString a = OpenLines("a.asm", 3);
  const QString b = OpenLines("b.asm", 3);
  const QString c = OpenLines("c.asm", 3);
  EXPECT_EQ(ed.FindPageByPath(b.toUpper()), 2);
  EXPECT_TRUE(ed.ActivatePageByPath(b));
  EXPECT_EQ(ed.CurrentPageIndex(), 2);
  ed.CloseCurrentPage();
  EXPECT_EQ(ed.PageCount(), 2);
  EXPECT_EQ(ed.CurrentPageIndex(), 2);
  EXPECT_EQ(ed.CurrentPagePath(), c);
  EXPECT_EQ(ed.TabSet()->count(), 2);
  ed.CloseCurrentPage();
  EXPECT_EQ(ed.CurrentPagePath(), a);
  EXPECT_EQ(hidden, 0);
  ed.CloseCurrentPage();
  EXPECT_EQ(ed.PageCount(), 0);
  EXPECT_EQ(ed.CurrentPageIndex(), 0);
  EXPECT_EQ(hidden, 1);
  EXPECT_FALSE(ed.ActivatePage(1));
  EXPECT_FALSE(ed.ActivatePageByPath(a));
}

TEST_F(EditorTest, RemovingAnEarlierPageKeepsTheCurrentOneAndTheTabs) {
  OpenLines("a.asm", 3);
  OpenLines("b.asm", 3);
  const QString c = OpenLines("c.asm", 3);
  ed.RemovePageControls(1);
  EXPECT_EQ(ed.PageCount(), 2);
  EXPECT_EQ(ed.CurrentPageIndex(), 2);
  EXPECT_EQ(ed.CurrentPagePath(), c);
  ASSERT_EQ(ed.TabSet()->count(), 2);
  EXPECT_EQ(ed.TabSet()->tabText(0), QStringLiteral("b.asm"));
  EXPECT_EQ(ed.TabSet()->tabText(1), QStringLiteral("c.asm"));
  ed.RemovePageControls(5);
  EXPECT_EQ(ed.PageCount(), 2);
}

TEST_F(EditorTest, TabSelectionActivatesThePage) {
  OpenLines("a.asm", 3);
  OpenLines("b.asm", 3);
  ed.TabSet()->setCurrentIndex(0);
  EXPECT_EQ(ed.CurrentPageIndex(), 1);
}

TEST_F(EditorTest, LargeFileOpensWholeButCannotGrow) {
  QByteArray big;
  int lines = 0;
  while (big.size() - lines <= 0x20000 + 100) {  // characters: a CR LF counts one
    big += "\tMOV\tA,#12H ; padding padding\r\n";
    ++lines;
  }
  const QString path = Write("big.asm", big);
  ASSERT_TRUE(ed.OpenFileInPage(path));
  const int length = Cur()->TextLength();
  EXPECT_GT(length, 0x20000);
  EXPECT_EQ(ed.PanelText(3),
            QStringLiteral("file of size = %1 byte, Clipboard not function").arg(length));
  Cur()->moveCursor(QTextCursor::End);
  Type(Cur(), QStringLiteral("xyz\n"));
  EXPECT_EQ(Cur()->TextLength(), length);
  EXPECT_FALSE(ed.IsCurrentPageModified());
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(Read(path), big);
}

TEST_F(EditorTest, SmallFileSizePanelAndCaretPanel) {
  OpenLines("a.asm", 3);
  Caret(2, 4);
  EXPECT_EQ(ed.PanelText(0), QStringLiteral("3: 5"));
  EXPECT_EQ(ed.PanelText(3), QStringLiteral("file of size = %1 byte").arg(Cur()->TextLength()));
  EXPECT_EQ(ed.PanelText(2), QStringLiteral("Insert"));
  Key(Cur(), Qt::Key_Insert);
  EXPECT_EQ(ed.PanelText(2), QStringLiteral("Overwrite"));
  EXPECT_EQ(ed.PageRecord(1).Overwrite, 1);
  EXPECT_TRUE(Cur()->overwriteMode());
}

// -------------------------------------------------- save questions and reopen

TEST_F(EditorTest, CloseQuestionAnsweredYesNoCancel) {
  const QString a = Write("a.asm", "a\r\n");
  const QString b = Write("b.asm", "b\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(a));
  Type(Cur(), QStringLiteral("1"));
  ASSERT_TRUE(ed.OpenFileInPage(b));
  Type(Cur(), QStringLiteral("2"));

  // Cancel stops at once: nothing saved, false.
  dialogs.answer(MsgResult::Cancel);
  EXPECT_FALSE(ed.SaveModifiedFiles(QString(), false));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Save changes to " + a.toStdString() + "?");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::None);
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbYes | MbNo | MbCancel | MbAll));
  EXPECT_EQ(Read(a), QByteArray("a\r\n"));

  // No for the first, Yes for the second.
  dialogs.clear();
  dialogs.answer(MsgResult::No);
  dialogs.answer(MsgResult::Yes);
  EXPECT_TRUE(ed.SaveModifiedFiles(QString(), false));
  EXPECT_EQ(dialogs.messages().size(), 2u);
  EXPECT_EQ(Read(a), QByteArray("a\r\n"));
  EXPECT_EQ(Read(b), QByteArray("2b\r\n"));
  EXPECT_TRUE(ed.IsPageModified(1));
  EXPECT_FALSE(ed.IsPageModified(2));
  EXPECT_EQ(ed.CurrentPageIndex(), 2);  // the page that was current stays current

  // Only one path: no All button, other pages not asked.
  dialogs.clear();
  dialogs.answer(MsgResult::Yes);
  EXPECT_TRUE(ed.SaveModifiedFiles(a.toUpper() == a ? a : a, false));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbYes | MbNo | MbCancel));
  EXPECT_EQ(Read(a), QByteArray("1a\r\n"));
}

TEST_F(EditorTest, AllSavesTheRestWithoutAsking) {
  const QString a = Write("a.asm", "a\r\n");
  const QString b = Write("b.asm", "b\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(a));
  Type(Cur(), QStringLiteral("1"));
  ASSERT_TRUE(ed.OpenFileInPage(b));
  Type(Cur(), QStringLiteral("2"));
  dialogs.answer(MsgResult::All);
  EXPECT_TRUE(ed.SaveModifiedFiles(QString(), false));
  EXPECT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(Read(a), QByteArray("1a\r\n"));
  EXPECT_EQ(Read(b), QByteArray("2b\r\n"));
  // The save-all flag asks nothing at all.
  Type(Cur(), QStringLiteral("3"));
  dialogs.clear();
  EXPECT_TRUE(ed.SaveModifiedFiles(QString(), true));
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(Read(b), QByteArray("23b\r\n"));
}

TEST_F(EditorTest, UnnamedPageAsksForANameAndAddsAsm) {
  ed.NewFilePage();
  Type(Cur(), QStringLiteral("nop"));
  dialogs.answerFile(std::nullopt);  // cancelled: left unsaved
  EXPECT_TRUE(ed.SaveModifiedFiles(QString(), true));
  EXPECT_TRUE(ed.IsCurrentPageModified());
  dialogs.answerFile(dir.filePath("named").toStdString());
  EXPECT_TRUE(ed.SaveModifiedFiles(QString(), true));
  EXPECT_EQ(ed.CurrentPagePath(), dir.filePath("named.asm"));
  EXPECT_EQ(Read(dir.filePath("named.asm")), QByteArray("nop"));
  EXPECT_EQ(dialogs.fileDialogs(), 2);
}

TEST_F(EditorTest, ReopeningAModifiedFileKeepsItAfterCancel) {
  const QString a = Write("a.asm", "a\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(a));
  Type(Cur(), QStringLiteral("edit"));
  OpenLines("other.asm", 2);
  dialogs.answer(MsgResult::Cancel);
  EXPECT_EQ(ed.OpenSourceFile(a), TEdOpenResult::KeptOpen);
  EXPECT_EQ(ed.PageCount(), 2);
  EXPECT_EQ(ed.CurrentPagePath(), a);
  EXPECT_EQ(Cur()->LineText(0), QStringLiteral("edita"));
  EXPECT_TRUE(ed.IsCurrentPageModified());
  // No: the page is read again from the file.
  dialogs.answer(MsgResult::No);
  EXPECT_EQ(ed.OpenSourceFile(a), TEdOpenResult::Opened);
  EXPECT_EQ(ed.PageCount(), 2);
  EXPECT_EQ(ed.CurrentPagePath(), a);
  EXPECT_EQ(Cur()->LineText(0), QStringLiteral("a"));
  EXPECT_FALSE(ed.IsCurrentPageModified());
  // Unmodified: no question.
  dialogs.clear();
  EXPECT_EQ(ed.OpenSourceFile(a), TEdOpenResult::Opened);
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(ed.PageCount(), 2);
}

TEST_F(EditorTest, ReloadRefusesToDropUnsavedChanges) {
  const QString a = Write("a.asm", "a\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(a));
  Type(Cur(), QStringLiteral("x"));
  EXPECT_FALSE(ed.ReloadPage(1));
  EXPECT_EQ(Cur()->LineText(0), QStringLiteral("xa"));
  EXPECT_FALSE(ed.ReloadPage(2));
}

// ---------------------------------------------------------------- bookmarks

TEST_F(EditorTest, CtrlShiftDigitSetsAndRemovesCtrlDigitJumps) {
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

TEST_F(EditorTest, BookmarksJumpAcrossPagesAndReportTheirPath) {
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

TEST_F(EditorTest, BookmarksFollowInsertedAndDeletedLines) {
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

TEST_F(EditorTest, JoiningTheNextLineLeavesTheBookmark) {
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

TEST_F(EditorTest, ClosingAPageDropsAndRenumbersBookmarks) {
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
  // After all pages are gone the bookmarks stay set but lead nowhere.
  ed.CloseAllPages();
  EXPECT_TRUE(ed.IsBookmarkSet(1));
  ed.GotoBookmark(1);
  EXPECT_EQ(ed.CurrentPageIndex(), 0);
  EXPECT_EQ(hidden, 1);
}

// ------------------------------------------------------------------- indent

TEST_F(EditorTest, EnterRepeatsTheIndentOfTheLineAbove) {
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

TEST_F(EditorTest, BlankLineGivesNoIndentAndTextKeepsItsOwn) {
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

// -------------------------------------------------------------------- find

TEST_F(EditorTest, FindNextHighlightsWithoutUndoOrModification) {
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

TEST_F(EditorTest, FindOfAbsentTextLeavesCaretAndSelection) {
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

TEST_F(EditorTest, FindNextUsesTheFindDialogsText) {
  OpenLines("a.asm", 5);
  TKy_NFind find;
  ed.SetFindDialog(&find);
  find.SetFindText(QStringLiteral("; 2"));
  Caret(0, 0);
  EXPECT_TRUE(ed.FindNext());
  EXPECT_EQ(Cur()->CaretLine(), 2);
  EXPECT_EQ(ed.FindDialog(), &find);
}

TEST_F(EditorTest, ReplaceOnceAndAll) {
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

TEST_F(EditorTest, ReplaceDialogPresetsShortSelections) {
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

// -------------------------------------------------------- menus and events

TEST_F(EditorTest, PageCommandsAreRaisedOnlyWhenAssigned) {
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

TEST_F(EditorTest, PopupListsPagesSortedAndOffersTheWordAsFile) {
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

TEST_F(EditorTest, BookmarkItemsAreCheckedAndCaptionedFromTheTable) {
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

TEST_F(EditorTest, WordAtColumnStopsAtBlanksAndTabs) {
  EXPECT_EQ(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc x"), 10),
            QStringLiteral("a.inc"));
  EXPECT_EQ(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc"), 1), QStringLiteral("INCLUDE"));
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc"), 0).isEmpty());
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("\tINCLUDE a.inc"), 8).isEmpty());
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("abc"), 3).isEmpty());
  EXPECT_TRUE(TKy_EDIT::WordAtColumn(QStringLiteral("abc"), -1).isEmpty());
}

TEST_F(EditorTest, GotoLineCenteredAndSelectLine) {
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

TEST_F(EditorTest, ActivationShowsProgramMemoryOverSpec) {
  OpenLines("a.asm", 2);
  ed.ProgramMemoryUsage = [] { return std::make_pair(4096u, 4100u); };
  ed.FormActivate();
  EXPECT_EQ(ed.PanelText(2),
            QStringLiteral("Program Memory Over Spec.!!!!! Total Code Line is 4100"));
  ed.ProgramMemoryUsage = [] { return std::make_pair(4096u, 4096u); };
  ed.FormActivate();
  EXPECT_TRUE(ed.PanelText(2).isEmpty());
}

TEST_F(EditorTest, ClipboardCommandsNeedAPage) {
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

TEST_F(EditorTest, CloseRequestHidesInsteadOfDestroying) {
  OpenLines("a.asm", 2);
  ed.show();
  EXPECT_FALSE(ed.close());
  EXPECT_EQ(hidden, 1);
  EXPECT_EQ(ed.PageCount(), 1);
}

TEST_F(EditorTest, EditorFontGoesToEveryPage) {
  OpenLines("a.asm", 2);
  OpenLines("b.asm", 2);
  QFont f(QStringLiteral("Monospace"), 14);
  ed.SetEditorFont(f);
  EXPECT_EQ(ed.PageEdit(1)->font().pointSize(), 14);
  EXPECT_EQ(ed.PageEdit(2)->font().pointSize(), 14);
  EXPECT_EQ(ed.EditorFont().pointSize(), 14);
}
