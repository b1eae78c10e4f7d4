// The main window without a build: menus, keys, modes, views, the save
// questions of the file commands and of closing, the error list and the
// shared base helpers.
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
#include "shell/fake_editor.h"
#include "shell/kybase.h"
#include "shell/kyerr.h"
#include "shell/kymain.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

using test::FakeEditor;
using test::ScriptedDialogs;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetShell();
    ResetOutputFileState();
    main = std::make_unique<TKYMAIN>();
    edit = new QWidget;
    err = new TKy_ERR;
    ram = new TKy_RAM;
    TKyForms f;
    f.views[ViewEdit] = edit;
    f.editor = &editor;
    f.views[ViewErr] = err;
    f.views[ViewRam] = ram;
    main->AttachForms(f);
  }
  void TearDown() override {
    main.reset();
    delete edit;
    delete err;
    delete ram;
  }
  ScriptedDialogs dialogs;
  FakeEditor editor;
  std::unique_ptr<TKYMAIN> main;
  QWidget* edit = nullptr;
  TKy_ERR* err = nullptr;
  TKy_RAM* ram = nullptr;
};

TEST_F(MainWindowTest, MenuKeysAreTheMenuItemsKeys) {
  const std::pair<const char*, const char*> keys[] = {
      {"SMenu_AssembleDebug", "F4"}, {"SMenu_Trace", "F7"},     {"SMenu_StepOver", "F8"},
      {"SMenu_Run", "F5"},           {"SMenu_Stop", "F12"},     {"SMenu_Reset", "F6"},
      {"StepBack1", "F9"},           {"SMenu_STKOUT", "F10"},   {"SMenu_TraceContinue", "F11"},
      {"SMenu_SetBP", "F2"},         {"SMenu_FindAgain", "F3"}, {"SMenu_Assemble", "Ctrl+F10"},
      {"SMenu_EditMode", "Ctrl+F11"}, {"SMenu_New", "Ctrl+N"},  {"SMenu_Open", "Ctrl+O"},
      {"SMenu_Save", "Ctrl+S"},      {"SMenu_Exit", "Ctrl+Q"}};
  for (auto [name, key] : keys) {
    QAction* a = main->Action(name);
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->shortcut(), QKeySequence(key)) << name;
  }
  // The run button captioned "F9" runs; the F9 key belongs to Step Back.
  EXPECT_EQ(main->Button("TBtK_F9")->text(), "F9");
  EXPECT_EQ(main->Action("SMenu_Run")->shortcut(), QKeySequence("F5"));
  // No two menu items share a key.
  std::map<QString, QString> seen;
  for (QAction* a : main->findChildren<QAction*>()) {
    if (a->shortcut().isEmpty()) continue;
    auto [it, fresh] = seen.emplace(a->shortcut().toString(), a->objectName());
    EXPECT_TRUE(fresh) << a->objectName().toStdString() << " and " << it->second.toStdString();
  }
}

TEST_F(MainWindowTest, StartsInEditModeWithNoFile) {
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_EQ(Modes().SimulatorMode, 1);
  EXPECT_FALSE(main->Action("SMenu_Run")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Trace")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_AssembleDebug")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Save")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Error")->isEnabled());
  EXPECT_FALSE(main->Button("TBtV_Ram")->isEnabled());
}

TEST_F(MainWindowTest, DebugModeSwitchesMenusButtonsAndTitle) {
  EXPECT_EQ(main->windowTitle(), "Kyvor-IDE");
  main->FormActivate();
  EXPECT_TRUE(main->windowTitle().startsWith("KYIDE HID - Mode:[Edit] "));
  main->SetDebugMode(1);
  EXPECT_EQ(Modes().DebugMode, 1);
  EXPECT_TRUE(main->windowTitle().startsWith("KyvorIDE - Simulation   ***  Chip = "));
  EXPECT_TRUE(main->windowTitle().contains("     ICE Inteface = (none)   Project = "));
  for (const char* n : {"SMenu_Run", "SMenu_Trace", "SMenu_StepOver", "SMenu_Reset", "SMenu_STKOUT",
                        "SMenu_EditMode", "SMenu_SetBP"})
    EXPECT_TRUE(main->Action(n)->isEnabled()) << n;
  for (const char* n : {"SMenu_AssembleDebug", "SMenu_Assemble", "SMenu_MainFile", "w1"})
    EXPECT_FALSE(main->Action(n)->isEnabled()) << n;
  EXPECT_TRUE(main->Button("TBtK_F7")->isEnabled());
  EXPECT_FALSE(main->Button("TBtK_F12")->isEnabled());
  main->ALLMenudisable();
  EXPECT_TRUE(main->Action("SMenu_Stop")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Trace")->isEnabled());
  EXPECT_TRUE(main->Button("TBtK_F12")->isEnabled());
  EXPECT_FALSE(main->Button("TBtK_F7")->isEnabled());
  main->SetDebugMode(0);
  EXPECT_TRUE(main->windowTitle().startsWith("KYIDE HID - Mode:[Edit] "));
  EXPECT_FALSE(main->Action("SMenu_Stop")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Run")->isEnabled());
}

TEST_F(MainWindowTest, StartedWithFileKeepsFileEditAndOptionsMenusOff) {
  Shell().StartedWithFile = 1;
  main->SetDebugMode(1);
  EXPECT_FALSE(main->Action("Menu_File")->isEnabled());
  EXPECT_FALSE(main->Action("Menu_Edit")->isEnabled());
  EXPECT_FALSE(main->Action("Menu_Option")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_EditMode")->isEnabled());
  main->SetDebugMode(0);
  EXPECT_FALSE(main->Action("Menu_File")->isEnabled());
}

TEST_F(MainWindowTest, MainFileAndStatusLabel) {
  main->SetMainFile("/p/main.asm");
  EXPECT_EQ(Shell().MainFileName, "/p/main.asm");
  EXPECT_EQ(main->StatusText(), " main: /p/main.asm");
  main->SetStatusText(1, "Please wait...");
  EXPECT_EQ(main->StatusText(), "Please wait...");
  main->SetStatusText(0, "/q.asm");
  EXPECT_EQ(main->StatusText(), " main: /q.asm");
  EXPECT_EQ(CheckSumCaption(0x0abc), "Checksum = 0x0ABC");
}

TEST_F(MainWindowTest, ViewsShowInTheDocumentAreaAndHide) {
  main->ShowView(ram, ViewRam, 1);
  EXPECT_TRUE(main->IsViewShowing(ram));
  EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);
  main->ShowView(ram, ViewRam, 0);
  EXPECT_FALSE(main->IsViewShowing(ram));
  main->ShowView(ram, ViewRam, 1);
  EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1) << "the same frame is reused";
  // Closing a child window hides it; it is never freed.
  main->mdiArea()->subWindowList().first()->close();
  EXPECT_FALSE(main->IsViewShowing(ram));
  EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);
}

TEST_F(MainWindowTest, CancelOnTheSaveQuestionCancelsClose) {
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
  EXPECT_FALSE(main->Action("SMenu_Save")->isEnabled()) << "no file left";
}

TEST_F(MainWindowTest, CancelOnTheSaveQuestionCancelsCloseAll) {
  editor.add("/p/a.asm", true);
  editor.add("/p/b.asm", false);
  dialogs.answer(MsgResult::Cancel);
  main->SMenu_CloseAllClick();
  EXPECT_EQ(editor.PageCount(), 2);
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbYes | MbNo | MbCancel | MbAll));
}

TEST_F(MainWindowTest, YesSavesAndAllSavesTheRestWithoutAsking) {
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

TEST_F(MainWindowTest, UnnamedPageAsksForANameAndCancelOfTheNameCancels) {
  editor.add("~New1", true);
  dialogs.answerFile(std::string("/p/fresh"));
  EXPECT_TRUE(main->SaveModifiedFiles("", 1));
  EXPECT_EQ(editor.savedAs, std::vector<std::string>{"/p/fresh.asm"});
  editor.add("~NEW2", true);
  dialogs.answerFile(std::nullopt);
  EXPECT_FALSE(main->SaveModifiedFiles("", 1));
  EXPECT_TRUE(editor.PageModified(2));
}

TEST_F(MainWindowTest, ExitAlwaysAsksAboutUnsavedFiles) {
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

TEST_F(MainWindowTest, ClosingWithNothingModifiedAsksNothing) {
  editor.add("/p/a.asm", false);
  main->show();
  EXPECT_TRUE(main->close());
  EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(MainWindowTest, EditorPageCommandTwoSetsTheMainFile) {
  editor.add("/p/a.asm", false);
  main->EditorPageCommand(2, "/p/a.asm");
  EXPECT_EQ(Shell().MainFileName, "/p/a.asm");
  main->EditorPageCommand(1, "/p/a.asm");
  EXPECT_EQ(editor.PageCount(), 0);
}

TEST_F(MainWindowTest, OpenSourceFileRefusesATwentyFirstPage) {
  for (int i = 0; i < 20; ++i) editor.add("/p/f" + std::to_string(i) + ".asm", false);
  EXPECT_FALSE(main->OpenSourceFile("/p/more.asm"));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "max number of edited file: 20");
  EXPECT_EQ(editor.PageCount(), 20);
}

TEST_F(MainWindowTest, OpenSourceFileMakesTheOnlyPageTheMainFile) {
  EXPECT_TRUE(main->OpenSourceFile("/p/one.asm"));
  EXPECT_EQ(Shell().MainFileName, "/p/one.asm");
  EXPECT_TRUE(main->Action("SMenu_AssembleDebug")->isEnabled());
  EXPECT_TRUE(main->IsViewShowing(edit));
}

TEST_F(MainWindowTest, BuildNeverReloadsAPageWhoseSaveFailed) {
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
  EXPECT_TRUE(main->Action("SMenu_AssembleDebug")->isEnabled());
  EXPECT_TRUE(dialogs.messages().empty()) << "SaveAll asks nothing";
  // Saved, the pages are read back before the build.
  editor.failSaves = false;
  main->BuildAndLoad(1);
  EXPECT_EQ(editor.pages[0].saves, 1);
  EXPECT_EQ(editor.pages[0].reloads, 1);
  EXPECT_EQ(editor.pages[1].reloads, 1);
}

// ---------------------------------------------------------------------------
// Error list
// ---------------------------------------------------------------------------

TEST_F(MainWindowTest, ErrorListKeepsAtMostOneHundredEntries) {
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

TEST_F(MainWindowTest, DoubleClickOnAnErrorOpensItsLine) {
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

// ---------------------------------------------------------------------------
// Shared base
// ---------------------------------------------------------------------------

TEST(SharedBase, EditorFontIsBoldElevenPointFixedPitch) {
  TKy_BASE base;
  const QFont& f = base.EditorFont();
  EXPECT_EQ(f.pointSize(), 11);
  EXPECT_TRUE(f.bold());
  EXPECT_TRUE(QFontInfo(f).fixedPitch() || f.fixedPitch());
  EXPECT_EQ(Ky_BASE(), &base);
}

TEST(SharedBase, FitToScreenKeepsTwentyPixelsOnTheScreen) {
  EXPECT_EQ(FitRectToScreen(QRect(1900, 0, 1000, 100), 1920, 1080).left(), 1900);
  EXPECT_EQ(FitRectToScreen(QRect(1910, 0, 1000, 100), 1920, 1080).left(), 1900);
  EXPECT_EQ(FitRectToScreen(QRect(2000, 0, 1000, 100), 1920, 1080).left(), 920);
  EXPECT_EQ(FitRectToScreen(QRect(-50, -40, 100, 100), 1920, 1080).topLeft(), QPoint(-50, -40));
  const QRect big = FitRectToScreen(QRect(0, 1070, 3000, 2000), 1920, 1080);
  EXPECT_EQ(big.size(), QSize(1920, 1080));
  EXPECT_EQ(big.top(), 1060);
}

}  // namespace
}  // namespace kyvor

namespace kyvor {
namespace {

TEST_F(MainWindowTest, MenusAndToolButtonsFollowTheLanguage) {
  auto text = [](int row, int language) {
    return QString::fromStdString(Ky_Lang().DisplayText(LangRawText(row, language)));
  };
  LangState().LanguageIndex = 1;
  Ky_Lang().SetLanguage(1);
  EXPECT_EQ(main->Action("SMenu_Save")->text(), text(lt::MenuSave, 1));
  EXPECT_EQ(main->Action("Menu_File")->text(), text(lt::MenuFile, 1));
  EXPECT_EQ(main->Action("SMenu_Ram")->text(), text(lt::MenuViewStaticRam, 1)) << "a view item";
  EXPECT_EQ(main->Button("TBtK_F7")->toolTip(), text(lt::HintTraceInto, 1));
  EXPECT_EQ(main->Button("TBtV_Ram")->toolTip(), text(lt::HintGotoRamWindow, 1));
  EXPECT_NE(main->Action("SMenu_Save")->text(), "Save(&S)");
  LangState().LanguageIndex = 0;
  Ky_Lang().SetLanguage(0);
  EXPECT_EQ(main->Action("SMenu_Save")->text(), "Save(&S)");
  EXPECT_EQ(main->Button("TBtK_F7")->toolTip(), "trace into");
  EXPECT_EQ(main->Action("SMenu_TraceContinue")->text(), "Continue") << "a caption without a row";
  ResetLangState();
  Ky_Lang().AddCaptionTarget(main.get());
}

}  // namespace
}  // namespace kyvor
