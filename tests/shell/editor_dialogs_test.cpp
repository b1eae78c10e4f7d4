// The find dialog with its history, the main-file dialog, and the labels of
// these and of the replace dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "base/lang.h"
#include "shell/editor/find_dialogs.h"
#include "shell/editor/replace_dialog.h"
#include "shell/editor/editor.h"
#include "shell/editor/richedit.h"
#include "support/scripted_dialogs.h"

using namespace kyvor;
using kyvor::test::ScriptedDialogs;

namespace {

// Runs the find dialog with `act` done to it while it is showing.
bool RunFind(TKy_NFind& dlg, const std::function<void()>& act,
             const QString& initial = QString()) {
  QTimer::singleShot(0, &dlg, [&] {
    act();
    if (dlg.isVisible()) dlg.reject();  // safety: never leave the test hanging
  });
  return dlg.ExecuteFind(initial);
}

bool Search(TKy_NFind& dlg, const QString& text) {
  return RunFind(dlg, [&] {
    dlg.CbFind->setEditText(text);
    dlg.BtSeek->click();
  });
}

// The texts of the labels that would show their '&' as it is: a label shows
// a mnemonic only when it names the field it stands for (its buddy).
std::vector<std::string> LabelsShowingAmpersand(const QWidget& dlg) {
  std::vector<std::string> texts;
  for (const QLabel* l : dlg.findChildren<QLabel*>())
    if (l->text().contains(QLatin1Char('&')) && !l->buddy())
      texts.push_back(l->text().toStdString());
  return texts;
}

}  // namespace

TEST(FindDialog, SearchIsAddedToTheHistoryCaseInsensitively) {
  TKy_NFind dlg;
  EXPECT_TRUE(Search(dlg, QStringLiteral("abc")));
  EXPECT_TRUE(Search(dlg, QStringLiteral("def")));
  EXPECT_TRUE(Search(dlg, QStringLiteral("ABC")));
  EXPECT_EQ(dlg.History(), QStringList({QStringLiteral("ABC"), QStringLiteral("def")}));
  EXPECT_EQ(dlg.FindText(), QStringLiteral("ABC"));
  EXPECT_EQ(dlg.Found, 1);
}

TEST(FindDialog, HistoryKeepsTheLastFourNewestFirst) {
  TKy_NFind dlg;
  for (const char* s : {"one", "two", "three", "four", "five"}) Search(dlg, QString::fromUtf8(s));
  EXPECT_EQ(dlg.History(), QStringList({QStringLiteral("five"), QStringLiteral("four"),
                                        QStringLiteral("three"), QStringLiteral("two")}));
}

TEST(FindDialog, CancelPutsTheOldTextBack) {
  TKy_NFind dlg;
  Search(dlg, QStringLiteral("keep"));
  const bool found = RunFind(dlg, [&] {
    EXPECT_TRUE(dlg.isVisible());
    dlg.CbFind->setEditText(QStringLiteral("typed"));
    dlg.BtCancel->click();
  });
  EXPECT_FALSE(found);
  EXPECT_EQ(dlg.Found, 0);
  EXPECT_EQ(dlg.FindText(), QStringLiteral("keep"));
  EXPECT_EQ(dlg.History(), QStringList({QStringLiteral("keep")}));
}

TEST(FindDialog, FindWithEmptyTextClosesAndAddsNothing) {
  TKy_NFind dlg;
  bool stillOpen = false;
  const bool found = RunFind(dlg, [&] {
    dlg.CbFind->setEditText(QString());
    dlg.BtSeek->click();
    stillOpen = dlg.isVisible();
  });
  EXPECT_FALSE(found);
  EXPECT_FALSE(stillOpen);
  EXPECT_TRUE(dlg.History().isEmpty());
}

TEST(FindDialog, InitialTextIsOfferedSelected) {
  TKy_NFind dlg;
  QString seen;
  bool selected = false;
  const bool found = RunFind(
      dlg,
      [&] {
        seen = dlg.FindText();
        selected = dlg.CbFind->lineEdit()->selectedText() == seen;
        dlg.BtSeek->click();
      },
      QStringLiteral("start"));
  EXPECT_TRUE(found);
  EXPECT_EQ(seen, QStringLiteral("start"));
  EXPECT_TRUE(selected);
}

TEST(FindDialog, CaptionsFollowTheLanguageTable) {
  TKy_NFind dlg;
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("尋找"));
  dlg.ApplyCaptions();
  EXPECT_EQ(dlg.Label1->text(), QStringLiteral("String"));
  EXPECT_EQ(dlg.BtSeek->text(), QStringLiteral("Find"));
  EXPECT_EQ(dlg.BtCancel->text(), QStringLiteral("Cancel"));
}

TEST(FindDialog, ADialogMadeAfterTheLanguageSwitchShowsThatLanguage) {
  {
    TKy_NFind english;
    EXPECT_EQ(english.Label1->text(), QStringLiteral("String"));
    EXPECT_EQ(english.BtSeek->text(), QStringLiteral("Find"));
    EXPECT_EQ(english.BtCancel->text(), QStringLiteral("Cancel"));
  }
  LangState().LanguageIndex = 1;
  Ky_Lang().SetLanguage(1);
  TKy_NFind chinese;
  EXPECT_EQ(chinese.Label1->text().toStdString(),
            Ky_Lang().DisplayText(LangRawText(lt::FindLabelString, 1)));
  EXPECT_EQ(chinese.BtCancel->text().toStdString(),
            Ky_Lang().DisplayText(LangRawText(lt::FindButtonCancel, 1)));
  ResetLangState();
}

TEST(FindDialog, EditorRunsTheDialogAndSearches) {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.asm");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("nop\r\nmov a,b\r\nret\r\n");
  }
  TKy_EDIT ed;
  TKy_NFind dlg;
  ed.SetFindDialog(&dlg);
  ASSERT_TRUE(ed.OpenFileInPage(path));
  QTimer::singleShot(0, &dlg, [&] {
    dlg.CbFind->setEditText(QStringLiteral("RET"));
    dlg.BtSeek->click();
  });
  ed.ShowFindDialog();
  EXPECT_EQ(ed.CurrentEdit()->textCursor().blockNumber(), 2);
  EXPECT_EQ(ed.PageRecord(1).FindHighlightLength, 3);
}

// ------------------------------------------------------------ labels

TEST(FindDialogLabels, ReplaceDialogLabelsTakeTheKeysOfTheirTexts) {
  TEdReplaceDialog dlg;
  EXPECT_TRUE(LabelsShowingAmpersand(dlg).empty());
  std::vector<std::string> named;
  for (const QLabel* l : dlg.findChildren<QLabel*>()) {
    if (l->buddy() == dlg.EdFind) named.push_back("find:" + l->text().toStdString());
    if (l->buddy() == dlg.EdReplace) named.push_back("replace:" + l->text().toStdString());
  }
  EXPECT_EQ(named, (std::vector<std::string>{"find:Fi&nd what:", "replace:Re&place with:"}));
}

TEST(FindDialogLabels, FindAndMainFileDialogsShowNoAmpersand) {
  TKy_NFind find;
  EXPECT_TRUE(LabelsShowingAmpersand(find).empty());
  find.ApplyCaptions();
  EXPECT_TRUE(LabelsShowingAmpersand(find).empty());
  TF_MFile mainFile(static_cast<const TKy_EDIT*>(nullptr), QString());
  EXPECT_TRUE(LabelsShowingAmpersand(mainFile).empty());
}

// ------------------------------------------------------------ main file

class MainFileDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    for (const char* n : {"a.asm", "b.asm"}) {
      const QString p = dir.filePath(QString::fromUtf8(n));
      QFile f(p);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("nop\r\n");
      f.close();
      ASSERT_TRUE(ed.OpenFileInPage(p));
      paths << p;
    }
  }
  QTemporaryDir dir;
  TKy_EDIT ed;
  QStringList paths;
  ScriptedDialogs dialogs;
};

TEST_F(MainFileDialog, ListsThePagesAndShowsTheMainFile) {
  TF_MFile dlg(&ed, paths[1]);
  dlg.show();
  ASSERT_EQ(dlg.List->count(), 2);
  EXPECT_EQ(dlg.List->item(0)->text(), paths[0]);
  EXPECT_EQ(dlg.List->item(1)->text(), paths[1]);
  EXPECT_EQ(dlg.Edit->text(), paths[1]);
  EXPECT_EQ(dlg.Lab_MainName->text(), paths[1]);
  dlg.hide();
}

TEST_F(MainFileDialog, ChoosingFromTheListAndOk) {
  TF_MFile dlg(&ed, paths[1]);
  dlg.open();
  dlg.List->setCurrentRow(0);
  // The space key picks the selected page.
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(dlg.List, &space);
  EXPECT_EQ(dlg.Edit->text(), paths[0]);
  EXPECT_EQ(dlg.Lab_MainName->text(), paths[0]);
  EXPECT_EQ(dlg.MainFileName(), paths[1]);  // not before OK
  dlg.Bt_Ok->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.MainFileName(), paths[0]);
}

TEST_F(MainFileDialog, EmptyPathKeepsTheDialogOpen) {
  TF_MFile dlg(&ed, QString());
  dlg.open();
  dlg.Edit->clear();
  dlg.Bt_Ok->click();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(dlg.MainFileName().isEmpty());
  dlg.Bt_Cancel->click();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(MainFileDialog, BrowseAndCancel) {
  TF_MFile dlg(&ed, paths[0]);
  dlg.open();
  dialogs.answerFile(std::nullopt);
  dlg.Bt_Browse->click();
  EXPECT_EQ(dlg.Edit->text(), paths[0]);
  dialogs.answerFile(std::string("/elsewhere/main.asm"));
  dlg.Bt_Browse->click();
  EXPECT_EQ(dlg.Edit->text(), QStringLiteral("/elsewhere/main.asm"));
  EXPECT_EQ(dlg.Lab_MainName->text(), QStringLiteral("/elsewhere/main.asm"));
  EXPECT_EQ(dialogs.fileDialogs(), 2);
  dlg.Bt_Cancel->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(dlg.MainFileName(), paths[0]);
}
