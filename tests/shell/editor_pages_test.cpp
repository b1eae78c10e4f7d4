// The editor's pages and files: opening, encodings kept on save, new and
// closed pages, the page limit, the size and caret panels, the save questions
// and reopening a modified file.
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

class EditorPages : public kyvor::test::EditorFixture {};

TEST_F(EditorPages, Big5CrlfFileRoundTripsThroughEditAndSave) {
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

TEST_F(EditorPages, Utf8FileWithNoBreakSpaceAndLineSeparatorSavesUnchanged) {
  const QByteArray bytes = "; caf\xC3\xA9\xC2\xA0\xE4\xB8\xAD\n; a\xE2\x80\xA8" "b\n";
  const QString path = Write("u.asm", bytes);
  ASSERT_TRUE(ed.OpenFileInPage(path));
  EXPECT_EQ(Cur()->LineCount(), 3);
  Caret(2, 0);
  Type(Cur(), QStringLiteral("x"));
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(Read(path), bytes + "x");
}

TEST_F(EditorPages, SaveAsRetitlesThePage) {
  ASSERT_EQ(ed.NewFilePage(), 1);
  Type(Cur(), QStringLiteral("nop\n"));
  const QString path = dir.filePath("Other.asm");
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(ed.CurrentPagePath(), path);
  EXPECT_EQ(ed.TabSet()->tabText(0), QStringLiteral("Other.asm"));
  EXPECT_EQ(Read(path), QByteArray("nop\r\n"));
}

TEST_F(EditorPages, FailedSaveIsNotCountedAsSavedAndSaysSo) {
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

TEST_F(EditorPages, OpenFailsForMissingFilesWithoutLeavingAPage) {
  EXPECT_FALSE(ed.OpenFileInPage(dir.filePath("missing.asm")));
  EXPECT_FALSE(ed.OpenFileInPage(dir.path()));
  EXPECT_EQ(ed.PageCount(), 0);
  EXPECT_EQ(ed.OpenSourceFile(dir.filePath("missing.asm")), TEdOpenResult::Failed);
  EXPECT_EQ(ed.PageCount(), 0);
}

TEST_F(EditorPages, TwentyPagesAtMost) {
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

TEST_F(EditorPages, NewPagesAreNumberedWithoutReuse) {
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

TEST_F(EditorPages, PagesCloseAndHideTheEditorWhenTheLastGoes) {
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

TEST_F(EditorPages, RemovingAnEarlierPageKeepsTheCurrentOneAndTheTabs) {
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

TEST_F(EditorPages, TabSelectionActivatesThePage) {
  OpenLines("a.asm", 3);
  OpenLines("b.asm", 3);
  ed.TabSet()->setCurrentIndex(0);
  EXPECT_EQ(ed.CurrentPageIndex(), 1);
}

TEST_F(EditorPages, LargeFileOpensWholeButCannotGrow) {
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
            QStringLiteral("file of size = %1 byte, Clipboard not function").arg(big.size()));
  Cur()->moveCursor(QTextCursor::End);
  Type(Cur(), QStringLiteral("xyz\n"));
  EXPECT_EQ(Cur()->TextLength(), length);
  EXPECT_FALSE(ed.IsCurrentPageModified());
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(Read(path), big);
}

TEST_F(EditorPages, SmallFileSizePanelAndCaretPanel) {
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

TEST_F(EditorPages, SizePanelGivesTheBytesOfTheFile) {
  // 32 bytes in fewer characters: Big5 characters and CR LF ends take two.
  const QString path = Write("Main.asm", kBig5Crlf);
  ASSERT_TRUE(ed.OpenFileInPage(path));
  ASSERT_LT(Cur()->TextLength(), 32);
  EXPECT_EQ(ed.PanelText(3), QStringLiteral("file of size = 32 byte"));
  // A typed Big5 character adds two bytes, a new line its CR LF.
  Caret(0, 4);
  Type(Cur(), QString::fromUtf8("新\n"));
  EXPECT_EQ(ed.PanelText(3), QStringLiteral("file of size = 36 byte"));
  ASSERT_TRUE(ed.SaveCurrentPageAs(path));
  EXPECT_EQ(Read(path).size(), 36);
  EXPECT_EQ(ed.PanelText(3), QStringLiteral("file of size = 36 byte"));
  // A UTF-8 file counts its UTF-8 bytes: three for "中".
  ASSERT_TRUE(ed.OpenFileInPage(Write("u.asm", "; \xE4\xB8\xAD\n")));
  EXPECT_EQ(Cur()->LineText(0), QString::fromUtf8("; 中"));
  EXPECT_EQ(ed.PanelText(3), QStringLiteral("file of size = 6 byte"));
  // A character that Big5 cannot hold (the page cannot be saved so) counts one.
  ASSERT_EQ(ed.NewFilePage(), 1);
  Type(Cur(), QString::fromUtf8("a\u00E9"));
  EXPECT_EQ(ed.PanelText(3), QStringLiteral("file of size = 2 byte"));
}

TEST_F(EditorPages, CloseQuestionAnsweredYesNoCancel) {
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

TEST_F(EditorPages, AllSavesTheRestWithoutAsking) {
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

TEST_F(EditorPages, UnnamedPageAsksForANameAndAddsAsm) {
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

TEST_F(EditorPages, ReopeningAModifiedFileKeepsItAfterCancel) {
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

TEST_F(EditorPages, ReloadRefusesToDropUnsavedChanges) {
  const QString a = Write("a.asm", "a\r\n");
  ASSERT_TRUE(ed.OpenFileInPage(a));
  Type(Cur(), QStringLiteral("x"));
  EXPECT_FALSE(ed.ReloadPage(1));
  EXPECT_EQ(Cur()->LineText(0), QStringLiteral("xa"));
  EXPECT_FALSE(ed.ReloadPage(2));
}
