// The main window without a build: title, menus and keys, edit and debug
// mode, the status label and the language of menus and tool buttons.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolButton>
#include <set>

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

using I = TMenuItem;

using test::FakeEditor;
using test::ScriptedDialogs;

class MainWindow : public test::MainWindowFixture {};

TEST_F(MainWindow, IsTitledAndHasDocumentArea) {
  TKYMAIN w;
  EXPECT_EQ(w.windowTitle().toStdString(), "Kyvor-IDE");
  EXPECT_NE(w.mdiArea(), nullptr);
}

TEST_F(MainWindow, MenuKeysAreTheMenuItemsKeys) {
  const std::pair<TMenuItem, const char*> keys[] = {{I::SMenu_AssembleDebug, "F4"},
                                                    {I::SMenu_Trace, "F7"},
                                                    {I::SMenu_StepOver, "F8"},
                                                    {I::SMenu_Run, "F5"},
                                                    {I::SMenu_Stop, "F12"},
                                                    {I::SMenu_Reset, "F6"},
                                                    {I::StepBack1, "F9"},
                                                    {I::SMenu_STKOUT, "F10"},
                                                    {I::SMenu_TraceContinue, "F11"},
                                                    {I::SMenu_SetBP, "F2"},
                                                    {I::SMenu_FindAgain, "F3"},
                                                    {I::SMenu_Assemble, "Ctrl+F10"},
                                                    {I::SMenu_EditMode, "Ctrl+F11"},
                                                    {I::SMenu_New, "Ctrl+N"},
                                                    {I::SMenu_Open, "Ctrl+O"},
                                                    {I::SMenu_Save, "Ctrl+S"},
                                                    {I::SMenu_Exit, "Ctrl+Q"}};
  for (auto [id, key] : keys) {
    QAction* a = main->Action(id);
    ASSERT_NE(a, nullptr) << key;
    EXPECT_EQ(a->shortcut(), QKeySequence(key)) << a->objectName().toStdString();
  }
  // The run button captioned "F9" runs; the F9 key belongs to Step Back.
  EXPECT_EQ(main->Button(TToolButton::TBtK_F9)->text(), "F9");
  EXPECT_EQ(main->Action(TMenuItem::SMenu_Run)->shortcut(), QKeySequence("F5"));
  // No two menu items share a key.
  std::map<QString, QString> seen;
  for (QAction* a : main->findChildren<QAction*>()) {
    if (a->shortcut().isEmpty()) continue;
    auto [it, fresh] = seen.emplace(a->shortcut().toString(), a->objectName());
    EXPECT_TRUE(fresh) << a->objectName().toStdString() << " and " << it->second.toStdString();
  }
}

TEST_F(MainWindow, EveryMenuItemAndToolButtonHasItsOwnId) {
  std::set<QString> names;
  std::set<QObject*> items;
  for (int i = 0; i < kMenuItemCount; ++i) {
    QAction* a = main->Action(TMenuItem(i));
    ASSERT_NE(a, nullptr) << i;
    EXPECT_TRUE(items.insert(a).second) << a->objectName().toStdString();
    EXPECT_TRUE(names.insert(a->objectName()).second) << a->objectName().toStdString();
  }
  for (int i = 0; i < kToolButtonCount; ++i) {
    QToolButton* b = main->Button(TToolButton(i));
    ASSERT_NE(b, nullptr) << i;
    EXPECT_TRUE(items.insert(b).second) << b->objectName().toStdString();
    EXPECT_TRUE(names.insert(b->objectName()).second) << b->objectName().toStdString();
  }
  // The ids name the items of their rows.
  EXPECT_EQ(main->Action(I::Menu_Programmer)->objectName(), "Menu_Programmer");
  EXPECT_NE(main->Action(I::Menu_Programmer)->menu(), nullptr);
  EXPECT_EQ(main->Action(I::SMenu_Record)->objectName(), "SMenu_Record");
  EXPECT_EQ(main->Button(TToolButton::Tk_Auto)->objectName(), "Tk_Auto");
  EXPECT_EQ(main->Button(TToolButton::Tk_Auto)->parentWidget()->objectName(), "ProgramPanel");
}

TEST_F(MainWindow, StartsInEditModeWithNoFile) {
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_EQ(Modes().SimulatorMode, 1);
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_Run)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_Trace)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_Save)->isEnabled());
  EXPECT_FALSE(main->ViewAction(ViewErr)->isEnabled());
  EXPECT_FALSE(main->ViewButton(ViewRam)->isEnabled());
}

TEST_F(MainWindow, DebugModeSwitchesMenusButtonsAndTitle) {
  EXPECT_EQ(main->windowTitle(), "Kyvor-IDE");
  main->FormActivate();
  EXPECT_TRUE(main->windowTitle().startsWith("KYIDE HID - Mode:[Edit] "));
  main->SetDebugMode(1);
  EXPECT_EQ(Modes().DebugMode, 1);
  EXPECT_TRUE(main->windowTitle().startsWith("KyvorIDE - Simulation   ***  Chip = "));
  EXPECT_TRUE(main->windowTitle().contains("     ICE Inteface = (none)   Project = "));
  for (TMenuItem n : {I::SMenu_Run, I::SMenu_Trace, I::SMenu_StepOver, I::SMenu_Reset,
                      I::SMenu_STKOUT, I::SMenu_EditMode, I::SMenu_SetBP})
    EXPECT_TRUE(main->Action(n)->isEnabled()) << main->Action(n)->objectName().toStdString();
  for (TMenuItem n : {I::SMenu_AssembleDebug, I::SMenu_Assemble, I::SMenu_MainFile, I::w1})
    EXPECT_FALSE(main->Action(n)->isEnabled()) << main->Action(n)->objectName().toStdString();
  EXPECT_TRUE(main->Button(TToolButton::TBtK_F7)->isEnabled());
  EXPECT_FALSE(main->Button(TToolButton::TBtK_F12)->isEnabled());
  main->ALLMenudisable();
  EXPECT_TRUE(main->Action(TMenuItem::SMenu_Stop)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_Trace)->isEnabled());
  EXPECT_TRUE(main->Button(TToolButton::TBtK_F12)->isEnabled());
  EXPECT_FALSE(main->Button(TToolButton::TBtK_F7)->isEnabled());
  main->SetDebugMode(0);
  EXPECT_TRUE(main->windowTitle().startsWith("KYIDE HID - Mode:[Edit] "));
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_Stop)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_Run)->isEnabled());
}

TEST_F(MainWindow, StartedWithFileKeepsFileEditAndOptionsMenusOff) {
  Shell().StartedWithFile = 1;
  main->SetDebugMode(1);
  EXPECT_FALSE(main->Action(TMenuItem::Menu_File)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::Menu_Edit)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::Menu_Option)->isEnabled());
  EXPECT_FALSE(main->Action(TMenuItem::SMenu_EditMode)->isEnabled());
  main->SetDebugMode(0);
  EXPECT_FALSE(main->Action(TMenuItem::Menu_File)->isEnabled());
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
  EXPECT_EQ(main->Action(TMenuItem::SMenu_Save)->text(), text(lt::MenuSave, 1));
  EXPECT_EQ(main->Action(TMenuItem::Menu_File)->text(), text(lt::MenuFile, 1));
  EXPECT_EQ(main->ViewAction(ViewRam)->text(), text(lt::MenuViewStaticRam, 1)) << "a view item";
  EXPECT_EQ(main->Button(TToolButton::TBtK_F7)->toolTip(), text(lt::HintTraceInto, 1));
  EXPECT_EQ(main->ViewButton(ViewRam)->toolTip(), text(lt::HintGotoRamWindow, 1));
  EXPECT_NE(main->Action(TMenuItem::SMenu_Save)->text(), "Save(&S)");
  LangState().LanguageIndex = 0;
  Ky_Lang().SetLanguage(0);
  EXPECT_EQ(main->Action(TMenuItem::SMenu_Save)->text(), "Save(&S)");
  EXPECT_EQ(main->Button(TToolButton::TBtK_F7)->toolTip(), "trace into");
  EXPECT_EQ(main->Action(TMenuItem::SMenu_TraceContinue)->text(), "Continue")
      << "a caption without a row";
  ResetLangState();
  Ky_Lang().AddCaptionTarget(main.get());
}

}  // namespace
}  // namespace kyvor
