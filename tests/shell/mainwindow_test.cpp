// The main window without a build: title, menus and keys, edit and debug
// mode, the status label and the language of menus and tool buttons.
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

class MainWindow : public test::MainWindowFixture {};

TEST_F(MainWindow, IsTitledAndHasDocumentArea) {
  TKYMAIN w;
  EXPECT_EQ(w.windowTitle().toStdString(), "Kyvor-IDE");
  EXPECT_NE(w.mdiArea(), nullptr);
}

TEST_F(MainWindow, MenuKeysAreTheMenuItemsKeys) {
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

TEST_F(MainWindow, StartsInEditModeWithNoFile) {
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_EQ(Modes().SimulatorMode, 1);
  EXPECT_FALSE(main->Action("SMenu_Run")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Trace")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_AssembleDebug")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Save")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_Error")->isEnabled());
  EXPECT_FALSE(main->Button("TBtV_Ram")->isEnabled());
}

TEST_F(MainWindow, DebugModeSwitchesMenusButtonsAndTitle) {
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

TEST_F(MainWindow, StartedWithFileKeepsFileEditAndOptionsMenusOff) {
  Shell().StartedWithFile = 1;
  main->SetDebugMode(1);
  EXPECT_FALSE(main->Action("Menu_File")->isEnabled());
  EXPECT_FALSE(main->Action("Menu_Edit")->isEnabled());
  EXPECT_FALSE(main->Action("Menu_Option")->isEnabled());
  EXPECT_FALSE(main->Action("SMenu_EditMode")->isEnabled());
  main->SetDebugMode(0);
  EXPECT_FALSE(main->Action("Menu_File")->isEnabled());
}

TEST_F(MainWindow, MainFileAndStatusLabel) {
  main->SetMainFile("/p/main.asm");
  EXPECT_EQ(Shell().MainFileName, "/p/main.asm");
  EXPECT_EQ(main->StatusText(), " main: /p/main.asm");
  main->SetStatusText(1, "Please wait...");
  EXPECT_EQ(main->StatusText(), "Please wait...");
  main->SetStatusText(0, "/q.asm");
  EXPECT_EQ(main->StatusText(), " main: /q.asm");
  EXPECT_EQ(CheckSumCaption(0x0abc), "Checksum = 0x0ABC");
}

TEST_F(MainWindow, MenusAndToolButtonsFollowTheLanguage) {
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
