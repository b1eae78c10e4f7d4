// The error list: its limit of entries and opening an entry's line.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "base/lang.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "shell/mainwin/base_form.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "support/fake_editor.h"
#include "support/main_window_fixture.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

using test::FakeEditor;
using test::ScriptedDialogs;

class ErrorList : public test::MainWindowFixture {};

TEST_F(ErrorList, KeepsAtMostOneHundredEntries) {
  for (int i = 0; i < 101; ++i) err->AddError("/p/a.asm", i, "e" + std::to_string(i));
  EXPECT_EQ(err->Count(), 100);
  EXPECT_EQ(err->ErrView()->count(), 100);
  EXPECT_EQ(err->TextAt(99), "e99");
  EXPECT_EQ(err->LineAt(0), 1) << "line 0 is stored as 1";
  err->ClearErrors();
  EXPECT_EQ(err->Count(), 0);
  EXPECT_EQ(err->ErrView()->count(), 0);
  err->AddError(std::string(200, 'x'), 3, "long");
  EXPECT_EQ(err->PathAt(0).size(), 128u);
}

TEST_F(ErrorList, DoubleClickOnAnErrorOpensItsLine) {
  editor.add("/p/a.asm", false);
  editor.add("/p/b.asm", false);
  err->AddError("/p/a.asm", 0, "first line");
  err->AddError("/p/c.asm", 7, "not open yet");
  err->AddError("/p/missing.asm", 2, "gone");
  err->AddError("", 0, "no file");
  err->ErrView()->setCurrentRow(0);
  emit err->ErrView()->itemDoubleClicked(err->ErrView()->item(0));
  EXPECT_EQ(editor.ActivePageIndex(), 1) << "the open page is activated";
  EXPECT_EQ(editor.PageCount(), 2) << "not opened a second time";
  EXPECT_EQ(editor.selectedLine, 0);
  EXPECT_TRUE(main->IsViewShowing(edit));
  EXPECT_TRUE(err->OpenEntry(1));
  EXPECT_EQ(editor.PageCount(), 3);
  EXPECT_EQ(editor.PagePath(3), "/p/c.asm");
  EXPECT_EQ(editor.selectedLine, 6);
  editor.selectedLine = -1;
  EXPECT_FALSE(err->OpenEntry(2)) << "missing file that is not open";
  EXPECT_FALSE(err->OpenEntry(3)) << "empty path";
  EXPECT_FALSE(err->OpenEntry(4)) << "no such entry";
  EXPECT_EQ(editor.selectedLine, -1);
  EXPECT_EQ(editor.PageCount(), 3);
}

TEST_F(ErrorList, AResultLineKeepsItsLabelApartAndOpensNothing) {
  // A page named like a label: a result line must not open it.
  editor.add("OK", false);
  editor.add("Fail", false);
  err->AddResult("OK", "/p/image.hex   Download OK");
  err->AddResult("Fail", "/p/image.hex   Download Fail !!!");
  EXPECT_EQ(err->TextAt(0), "/p/image.hex   Download OK") << "only the text is shown";
  EXPECT_EQ(err->LabelAt(0), "OK");
  EXPECT_EQ(err->PathAt(1), "");
  err->AddError("/p/a.asm", 3, "an error");
  EXPECT_EQ(err->LabelAt(2), "");
  editor.ActivatePage(2);
  err->ErrView()->setCurrentRow(0);
  emit err->ErrView()->itemDoubleClicked(err->ErrView()->item(0));
  EXPECT_FALSE(err->OpenEntry(1));
  EXPECT_EQ(editor.ActivePageIndex(), 2) << "the page named OK is not activated";
  EXPECT_FALSE(main->IsViewShowing(edit));
  err->ClearErrors();
  err->AddResult("", "after the clear");
  EXPECT_EQ(err->LabelAt(0), "");
}

TEST_F(ErrorList, TitleIsInTheCurrentLanguage) {
  EXPECT_EQ(err->windowTitle().toStdString(), "Message") << "an English interface";
  LangState().LanguageIndex = 1;
  Ky_Lang().SetLanguage(1);
  EXPECT_EQ(err->windowTitle().toStdString(),
            Ky_Lang().DisplayText(LangRawText(lt::TitleMessage, 1)));
  TKy_ERR later;
  EXPECT_EQ(later.windowTitle(), err->windowTitle()) << "made after the switch";
  LangState().LanguageIndex = 0;
  Ky_Lang().SetLanguage(0);
  EXPECT_EQ(err->windowTitle().toStdString(), "Message");
}

}  // namespace
}  // namespace kyvor
