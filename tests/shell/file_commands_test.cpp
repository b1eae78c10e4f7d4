// The main window's file commands: the save questions of Close, Close All,
// Exit and the build, unnamed pages, the editor's page commands and opening
// source files.
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

class FileCommands : public test::MainWindowFixture {};

TEST_F(FileCommands, CancelOnTheSaveQuestionCancelsClose) {
  editor.add("/p/a.asm", true);
  main->SetNoFileState(0);
  dialogs.answer(MsgResult::Cancel);
  main->SMenu_CloseClick();
  EXPECT_EQ(editor.PageCount(), 1) << "Cancel keeps the page";
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Save changes to /p/a.asm?");
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbYes | MbNo | MbCancel));
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::None);
  dialogs.answer(MsgResult::No);
  main->SMenu_CloseClick();
  EXPECT_EQ(editor.PageCount(), 0);
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_Save)->isEnabled()) << "no file left";
}

TEST_F(FileCommands, CancelOnTheSaveQuestionCancelsCloseAll) {
  editor.add("/p/a.asm", true);
  editor.add("/p/b.asm", false);
  dialogs.answer(MsgResult::Cancel);
  main->SMenu_CloseAllClick();
  EXPECT_EQ(editor.PageCount(), 2);
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbYes | MbNo | MbCancel | MbAll));
}

TEST_F(FileCommands, YesSavesAndAllSavesTheRestWithoutAsking) {
  editor.add("/p/a.asm", true);
  editor.add("/p/b.asm", true);
  editor.add("/p/c.asm", true);
  editor.ActivatePage(2);
  dialogs.answer(MsgResult::Yes);
  dialogs.answer(MsgResult::All);
  EXPECT_TRUE(main->SaveModifiedFiles("", 0));
  EXPECT_EQ(dialogs.messages().size(), 2u);
  EXPECT_EQ(editor.savedAs, (std::vector<std::string>{"/p/a.asm", "/p/b.asm", "/p/c.asm"}));
  EXPECT_EQ(editor.ActivePageIndex(), 2) << "the active page is active again";
  EXPECT_EQ(OutputFileName(OutMainFile), "/p/b.asm");
}

TEST_F(FileCommands, UnnamedPageAsksForANameAndCancelOfTheNameCancels) {
  editor.add("~New1", true);
  dialogs.answerFile(std::string("/p/fresh"));
  EXPECT_TRUE(main->SaveModifiedFiles("", 1));
  EXPECT_EQ(editor.savedAs, std::vector<std::string>{"/p/fresh.asm"});
  editor.add("~NEW2", true);
  dialogs.answerFile(std::nullopt);
  EXPECT_FALSE(main->SaveModifiedFiles("", 1));
  EXPECT_TRUE(editor.PageModified(2));
}

// While a save question or a name dialog is open, the page it is about is in
// view; afterwards the editor is shown or hidden as it was (a cancel leaves
// it in view).
TEST_F(FileCommands, TheQuestionsHaveTheEditorInView) {
  main->show();
  editor.add("/p/a.asm", true);
  editor.add("~NEW2", true);
  std::vector<bool> inView;
  const auto look = [&] { inView.push_back(main->IsViewShowing(edit)); };
  dialogs.onMessage([&](const test::AskedMessage&) {
    look();
    return MsgResult::No;
  });
  dialogs.onFileDialog(look);
  main->ShowView(ViewEdit, 1);
  EXPECT_TRUE(main->SaveModifiedFiles("", 0));
  EXPECT_EQ(inView, (std::vector<bool>{true, true}));
  EXPECT_TRUE(main->IsViewShowing(edit));
  // Hidden (as in debug mode): shown for the question, hidden again after it.
  main->ShowView(ViewEdit, 0);
  inView.clear();
  EXPECT_TRUE(main->SaveModifiedFiles("", 0));
  EXPECT_EQ(inView, (std::vector<bool>{true, true}));
  EXPECT_FALSE(main->IsViewShowing(edit));
  // The unnamed page's name dialog of a save without questions.
  inView.clear();
  dialogs.answerFile(std::string("/p/fresh"));
  EXPECT_TRUE(main->SaveModifiedFiles("", 1));
  EXPECT_EQ(inView, std::vector<bool>{true});
  EXPECT_FALSE(main->IsViewShowing(edit));
  // Cancel leaves the page in view.
  editor.add("/p/b.asm", true);
  dialogs.onMessage([&](const test::AskedMessage&) { return MsgResult::Cancel; });
  EXPECT_FALSE(main->SaveModifiedFiles("", 0));
  EXPECT_TRUE(main->IsViewShowing(edit));
}

TEST_F(FileCommands, ExitAlwaysAsksAboutUnsavedFiles) {
  Modes().PodlessMode = 1;  // even without a pod
  editor.add("/p/a.asm", true);
  main->show();
  dialogs.answer(MsgResult::Cancel);
  EXPECT_FALSE(main->close());
  EXPECT_FALSE(main->IsClosed());
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbYes | MbNo | MbCancel | MbAll));
  // A save that fails keeps the program open too.
  editor.failSaves = true;
  dialogs.answer(MsgResult::Yes);
  EXPECT_FALSE(main->close());
  editor.failSaves = false;
  dialogs.answer(MsgResult::Yes);
  EXPECT_TRUE(main->close());
  EXPECT_TRUE(main->IsClosed());
  EXPECT_FALSE(editor.PageModified(1));
}

TEST_F(FileCommands, ClosingWithNothingModifiedAsksNothing) {
  editor.add("/p/a.asm", false);
  main->show();
  EXPECT_TRUE(main->close());
  EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FileCommands, EditorPageCommandTwoSetsTheMainFile) {
  editor.add("/p/a.asm", false);
  main->EditorPageCommand(2, "/p/a.asm");
  EXPECT_EQ(Shell().MainFileName, "/p/a.asm");
  main->EditorPageCommand(1, "/p/a.asm");
  EXPECT_EQ(editor.PageCount(), 0);
}

TEST_F(FileCommands, OpenSourceFileRefusesATwentyFirstPage) {
  for (int i = 0; i < 20; ++i) editor.add("/p/f" + std::to_string(i) + ".asm", false);
  EXPECT_FALSE(main->OpenSourceFile("/p/more.asm"));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "max number of edited file: 20");
  EXPECT_EQ(editor.PageCount(), 20);
}

TEST_F(FileCommands, OpenSourceFileMakesTheOnlyPageTheMainFile) {
  EXPECT_TRUE(main->OpenSourceFile("/p/one.asm"));
  EXPECT_EQ(Shell().MainFileName, "/p/one.asm");
  EXPECT_TRUE(main->Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_TRUE(main->IsViewShowing(edit));
}

TEST_F(FileCommands, BuildNeverReloadsAPageWhoseSaveFailed) {
  TKy_UP up;
  TKyForms f = main->Forms();
  f.up = &up;
  main->AttachForms(f);
  editor.add("/nowhere/a.asm", true);
  editor.add("/nowhere/b.asm", false);
  main->SetMainFile("/nowhere/a.asm");
  editor.failSaves = true;
  EXPECT_FALSE(main->BuildAndLoad(1));
  EXPECT_EQ(editor.pages[0].reloads, 0) << "its text would be lost";
  EXPECT_TRUE(editor.PageModified(1));
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(main->Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_TRUE(dialogs.messages().empty()) << "SaveAll asks nothing";
  // Saved, the pages are read back before the build.
  editor.failSaves = false;
  main->BuildAndLoad(1);
  EXPECT_EQ(editor.pages[0].saves, 1);
  EXPECT_EQ(editor.pages[0].reloads, 1);
  EXPECT_EQ(editor.pages[1].reloads, 1);
}

TEST_F(FileCommands, AssembleOnANewPageWhoseNameIsNotGivenAsksForTheMainFile) {
  TKy_UP up;
  TKyForms f = main->Forms();
  f.up = &up;
  main->AttachForms(f);
  main->SMenu_NewClick();
  ASSERT_EQ(editor.PageCount(), 1);
  editor.pages[0].modified = true;
  dialogs.answerFile(std::nullopt);  // the Save As of the new page is cancelled
  main->SMenu_AssembleDebugClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Please set the \"Mail File\".");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(editor.PageModified(1)) << "the page keeps its text";
}

TEST_F(FileCommands, OpeningAFileThatCannotBeReadFails) {
  EXPECT_FALSE(main->OpenSourceFile("/p/missing.asm"));
  EXPECT_EQ(editor.PageCount(), 0);
  EXPECT_FALSE(main->IsViewShowing(edit));
  EXPECT_TRUE(main->OpenSourceFile("/p/there.asm"));
}

}  // namespace
}  // namespace kyvor
