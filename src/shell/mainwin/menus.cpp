// The main window's menus and tool bars, built from two tables: one row per
// menu item (its menu, name, caption, key, handler) and one per tool button
// (its bar, name, caption, hint, handler). The View menu's items and the view
// buttons come from the views table. The language switch re-captions them
// from the same rows.
#include <QAction>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <array>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "shell/editor/editorlink.h"
#include "shell/mainwin/main_window.h"
#include "shell/source/source_view.h"
#include "shell/mainwin/views.h"

namespace kyvor {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The letters that unlock the LCD-panel items when typed in a row in the
// main window.
constexpr char kHiddenKeySequence[] = "KYLCD";
constexpr int kHiddenKeyCount = sizeof(kHiddenKeySequence) - 1;

// A caption: a row of the text table, or a fixed text where the table has none.
struct TCaption {
  int row;
  const char* text;
};
constexpr TCaption T(int row) { return {row, nullptr}; }
constexpr TCaption Fixed(const char* text) { return {-1, text}; }

QString Text(const TCaption& c) {
  return c.row >= 0 ? QString::fromStdString(LangTextUtf8(c.row)) : QString(c.text);
}

enum : unsigned {
  kMenu = 1,       // a menu (its items name it as their menu)
  kSeparator = 2,  // a separator comes before the item
  kHidden = 4,
  kOff = 8,        // created disabled
  kCheck = 16,     // checkable
  kChecked = 32,
};

using THandler = void (TKYMAIN::*)();

using I = TMenuItem;
using B = TToolButton;
// The menu bar, as the menu holding a row.
constexpr TMenuItem kBar = TMenuItem::Count;

struct TMenuRow {
  TMenuItem id;
  TMenuItem menu;    // the menu holding the item (a row above with kMenu), or kBar
  const char* name;  // its object name
  TCaption caption;
  const char* key;   // "" none
  THandler handler;  // nullptr: no command yet
  unsigned flags;
};

using M = TKYMAIN;
// clang-format off
constexpr TMenuRow kMenuRows[] = {
  {I::Menu_File, kBar, "Menu_File", T(lt::MenuFile), "", nullptr, kMenu},
  {I::SMenu_New, I::Menu_File, "SMenu_New", T(lt::MenuNew), "Ctrl+N", &M::SMenu_NewClick, 0},
  {I::SMenu_Open, I::Menu_File, "SMenu_Open", T(lt::MenuOpen), "Ctrl+O", &M::SMenu_OpenClick, 0},
  {I::SMenu_Save, I::Menu_File, "SMenu_Save", T(lt::MenuSave), "Ctrl+S", &M::SMenu_SaveClick, 0},
  {I::SMenu_SaveAs, I::Menu_File, "SMenu_SaveAs", T(lt::MenuSaveAs), "", &M::SMenu_SaveAsClick, 0},
  {I::SMenu_SaveAll, I::Menu_File, "SMenu_SaveAll", T(lt::MenuSaveAll), "",
   &M::SMenu_SaveAllClick, 0},
  {I::SMenu_Close, I::Menu_File, "SMenu_Close", T(lt::MenuCloseFile), "", &M::SMenu_CloseClick, 0},
  {I::SMenu_CloseAll, I::Menu_File, "SMenu_CloseAll", T(lt::MenuCloseAll), "",
   &M::SMenu_CloseAllClick, 0},
  {I::SMenu_OpenProject, I::Menu_File, "SMenu_OpenProject", T(lt::MenuOpenProject), "",
   &M::SMenu_OpenProjectClick,
   kSeparator},
  {I::SMenu_SaveProject, I::Menu_File, "SMenu_SaveProject", T(lt::MenuSaveProject), "",
   &M::SMenu_SaveProjectClick, 0},
  // The programmer's image memory; the image-file items stay disabled.
  {I::SMenu_DownLoad, I::Menu_File, "SMenu_DownLoad", T(lt::MenuDownloadToFlash), "",
   &M::SMenu_DownLoadClick,
   kSeparator | kOff},
  {I::SMenu_ReadLoad, I::Menu_File, "SMenu_ReadLoad", T(lt::MenuReadFromFlash), "",
   &M::SMenu_ReadLoadClick, kOff},
  {I::SaveHexFile, I::Menu_File, "SaveHexFile", Fixed("Save Hex"), "", &M::SaveHexFileClick, kOff},
  {I::LoadHex, I::Menu_File, "LoadHex", Fixed("Load Hex File"), "", &M::LoadHexClick,
   kOff | kHidden},
  {I::SMenu_ReadWriter, I::Menu_File, "SMenu_ReadWriter", Fixed("Read From Writer Memory"), "",
   &M::SMenu_ReadWriterClick, kOff | kHidden},
  {I::SMenu_Record, I::Menu_File, "SMenu_Record", T(lt::MenuSramRecord), "", &M::SMenu_RecordClick,
   kSeparator | kHidden},
  // The LCD-panel items: off until the hidden key sequence is typed; no command.
  {I::SMENU_OpenLCD, I::Menu_File, "SMENU_OpenLCD", T(lt::MenuOpenLcdPanel), "", nullptr,
   kSeparator | kOff},
  {I::SMENU_CloseLCD, I::Menu_File, "SMENU_CloseLCD", T(lt::MenuCloseLcdPanel), "", nullptr, kOff},
  {I::SMenu_Exit, I::Menu_File, "SMenu_Exit", T(lt::MenuExit), "Ctrl+Q", &M::SMenu_ExitClick,
   kSeparator},

  {I::Menu_Edit, kBar, "Menu_Edit", T(lt::MenuEdit), "", nullptr, kMenu},
  {I::SMenu_Undo, I::Menu_Edit, "SMenu_Undo", T(lt::MenuUndo), "", &M::SMenu_UndoClick, 0},
  {I::SMenu_Cut, I::Menu_Edit, "SMenu_Cut", T(lt::MenuCut), "", &M::SMenu_CutClick, 0},
  {I::SMenu_Copy, I::Menu_Edit, "SMenu_Copy", T(lt::MenuCopy), "", &M::SMenu_CopyClick, 0},
  {I::SMenu_Paste, I::Menu_Edit, "SMenu_Paste", T(lt::MenuPaste), "", &M::SMenu_PasteClick, 0},
  {I::SMenu_SelectAll, I::Menu_Edit, "SMenu_SelectAll", T(lt::MenuSelectAll), "",
   &M::SMenu_SelectAllClick, 0},
  {I::SMenu_ELCD, I::Menu_Edit, "SMenu_ELCD", T(lt::MenuEditLcdPanel), "", nullptr,
   kSeparator | kOff},

  {I::Menu_Search, kBar, "Menu_Search", T(lt::MenuSearch), "", nullptr, kMenu},
  {I::SMenu_Find, I::Menu_Search, "SMenu_Find", T(lt::MenuFind), "", &M::SMenu_FindClick, 0},
  {I::SMenu_Replace, I::Menu_Search, "SMenu_Replace", T(lt::MenuReplace), "",
   &M::SMenu_ReplaceClick, 0},
  {I::SMenu_FindAgain, I::Menu_Search, "SMenu_FindAgain", T(lt::MenuFindNext), "F3",
   &M::SMenu_FindAgainClick, 0},

  // The View menu's items are the rows of the views table.
  {I::Menu_View, kBar, "Menu_View", T(lt::MenuView), "", nullptr, kMenu},

  {I::Menu_Windows, kBar, "Menu_Windows", T(lt::MenuWindows), "", nullptr, kMenu},
  {I::SMenu_Next, I::Menu_Windows, "SMenu_Next", T(lt::MenuTileHorizontally), "Alt+Down",
   &M::SMenu_NextClick, 0},
  {I::SMenu_Prev, I::Menu_Windows, "SMenu_Prev", T(lt::MenuTileVertically), "Alt+Up",
   &M::SMenu_PrevClick, 0},

  {I::Menu_Run, kBar, "Menu_Run", T(lt::MenuRun), "", nullptr, kMenu},
  {I::SMenu_AssembleDebug, I::Menu_Run, "SMenu_AssembleDebug", T(lt::MenuAssembleRunItem), "F4",
   &M::SMenu_AssembleDebugClick, 0},
  {I::SMenu_Assemble, I::Menu_Run, "SMenu_Assemble", T(lt::MenuAssemble), "Ctrl+F10",
   &M::SMenu_AssembleClick, 0},
  {I::SMenu_MainFile, I::Menu_Run, "SMenu_MainFile", T(lt::MenuSetMainFile), "",
   &M::SMenu_MainFileClick, 0},
  {I::w1, I::Menu_Run, "w1", T(lt::MenuSetMode), "", nullptr, kMenu},
  {I::MM_Simulator, I::w1, "MM_Simulator", T(lt::MenuSimulation), "", &M::MM_SimulatorClick,
   kCheck | kChecked},
  {I::MM_Emulator, I::w1, "MM_Emulator", T(lt::MenuEmulation), "", &M::MM_EmulatorClick, kCheck},
  {I::SMenu_Run, I::Menu_Run, "SMenu_Run", T(lt::MenuRun), "F5", &M::SMenu_RunClick, kSeparator},
  {I::SMenu_StepOver, I::Menu_Run, "SMenu_StepOver", T(lt::MenuStepOver), "F8",
   &M::SMenu_StepOverClick, 0},
  {I::SMenu_Trace, I::Menu_Run, "SMenu_Trace", T(lt::MenuTrace), "F7", &M::SMenu_TraceClick, 0},
  {I::SMenu_TraceContinue, I::Menu_Run, "SMenu_TraceContinue", Fixed("Continue"), "F11",
   &M::SMenu_TraceContinueClick, 0},
  {I::SMenu_Stop, I::Menu_Run, "SMenu_Stop", T(lt::MenuStop), "F12", &M::SMenu_StopClick, 0},
  {I::SMenu_Reset, I::Menu_Run, "SMenu_Reset", T(lt::MenuProgramReset), "F6",
   &M::SMenu_ResetClick, 0},
  {I::SMenu_STKOUT, I::Menu_Run, "SMenu_STKOUT", T(lt::MenuStackOut), "F10",
   &M::SMenu_STKOUTClick, 0},
  {I::StepBack1, I::Menu_Run, "StepBack1", Fixed("Step Back"), "F9", &M::StepBack1Click, 0},
  {I::ReLoadROM1, I::Menu_Run, "ReLoadROM1", Fixed("ReLoad-ROM"), "", &M::ReLoadROM1Click, 0},
  {I::SMenu_EditMode, I::Menu_Run, "SMenu_EditMode", T(lt::MenuEditMode), "Ctrl+F11",
   &M::SMenu_EditModeClick, 0},
  {I::SMenu_SetBP, I::Menu_Run, "SMenu_SetBP", T(lt::MenuSetBreakPoint), "F2",
   &M::SMenu_SetBPClick, 0},
  {I::SMenu_ICEDbg, I::Menu_Run, "SMenu_ICEDbg", Fixed("ICE Debug"), "", nullptr, kHidden},
  {I::SMenu_ICE_Test, I::Menu_Run, "SMenu_ICE_Test", T(lt::MenuIceTest), "",
   &M::SMenu_ICE_TestClick, kHidden},
  {I::InFoBlk, I::Menu_Run, "InFoBlk", Fixed("Information Block"), "", nullptr, kHidden | kCheck},

  {I::Menu_Programmer, kBar, "Menu_Programmer", T(lt::Programmer), "", nullptr, kMenu | kHidden},
  {I::SMenu_Blank, I::Menu_Programmer, "SMenu_Blank", T(lt::BlankCheck), "", &M::SMenu_BlankClick,
   0},
  {I::SMenu_Program, I::Menu_Programmer, "SMenu_Program", T(lt::ProgramChip), "",
   &M::SMenu_ProgramClick, 0},
  {I::SMenu_Read, I::Menu_Programmer, "SMenu_Read", T(lt::ReadChip), "", &M::SMenu_ReadClick, 0},
  {I::SMenu_Verify, I::Menu_Programmer, "SMenu_Verify", T(lt::VerifyChip), "",
   &M::SMenu_VerifyClick, 0},
  {I::SMenu_Auto, I::Menu_Programmer, "SMenu_Auto", T(lt::Auto), "", &M::SMenu_AutoClick, 0},

  {I::Menu_Option, kBar, "Menu_Option", T(lt::MenuOptions), "", nullptr, kMenu},
  {I::SMenu_Options, I::Menu_Option, "SMenu_Options", T(lt::MenuBuildOptions), "",
   &M::Menu_OptionClick, 0},
  {I::SMenu_SaveConfig, I::Menu_Option, "SMenu_SaveConfig", T(lt::MenuSaveConfiguration), "",
   &M::SMenu_SaveConfigClick,
   kSeparator},
  {I::SMenu_LoadConfig, I::Menu_Option, "SMenu_LoadConfig", T(lt::MenuLoadConfiguration), "",
   &M::SMenu_LoadConfigClick,
   0},

  {I::Menu_Help, kBar, "Menu_Help", T(lt::MenuHelp), "", nullptr, kMenu},
  {I::About, I::Menu_Help, "About", Fixed("About"), "", &M::AboutClick, 0},
  {I::TXAbout, I::Menu_Help, "TXAbout", T(lt::MenuAboutSystem), "", nullptr, kOff},
  {I::TLicense, I::Menu_Help, "TLicense", T(lt::MenuLicense), "", nullptr, kOff},
  {I::TVerHis, I::Menu_Help, "TVerHis", T(lt::MenuRevisionHistory), "", nullptr, kOff},
};

// The panel holding a button.
enum class TBar { View, Edit, Run, Program };

struct TButtonRow {
  TToolButton id;
  TBar bar;
  const char* name;  // its object name
  TCaption caption;
  TCaption hint;
  THandler handler;
  unsigned flags;
};

// The view buttons of "TBarView" come first, from the views table.
constexpr TButtonRow kButtonRows[] = {
  {B::TBtK_F10, TBar::View, "TBtK_F10", T(lt::BtnGo), T(lt::HintSwitchMode), &M::TBtK_F10Click,
   kSeparator},
  {B::TBTk_Make, TBar::View, "TBTk_Make", Fixed("Make"), Fixed("Assemble"),
   &M::SMenu_AssembleClick, 0},
  {B::TBtK_Open, TBar::Edit, "TBtK_Open", T(lt::BtnOpen), T(lt::HintOpenFile),
   &M::SMenu_OpenClick, 0},
  {B::TBtK_Find, TBar::Edit, "TBtK_Find", T(lt::BtnFind), T(lt::HintFindString),
   &M::SMenu_FindClick, 0},
  {B::TBtK_FindN, TBar::Edit, "TBtK_FindN", T(lt::BtnFindNext), T(lt::HintFindNextString),
   &M::SMenu_FindAgainClick, 0},
  {B::TBtK_SBK, TBar::Edit, "TBtK_SBK", T(lt::BtnMark), T(lt::HintSetBookmark), &M::TBtK_SBKClick,
   kSeparator},
  {B::TBtK_GBK, TBar::Edit, "TBtK_GBK", T(lt::BtnGoto), T(lt::HintGotoBookmark),
   &M::TBtK_GBKClick, 0},
  {B::TBtK_Page, TBar::Edit, "TBtK_Page", T(lt::BtnPage), T(lt::HintGotoPage), &M::TBtK_PageClick,
   0},
  // Each run button runs the command its handler names; the keys are the menu items'.
  {B::TBtK_F6, TBar::Run, "TBtK_F6", Fixed("F6"), T(lt::HintTraceBack), &M::StepBack1Click, 0},
  {B::TBtK_F7, TBar::Run, "TBtK_F7", T(lt::BtnF7), T(lt::HintTraceInto), &M::SMenu_TraceClick, 0},
  {B::TBtK_F8, TBar::Run, "TBtK_F8", T(lt::BtnF8), T(lt::HintStepOver), &M::SMenu_StepOverClick, 0},
  {B::TBtK_F9, TBar::Run, "TBtK_F9", T(lt::BtnF9), T(lt::HintFreeRun), &M::SMenu_RunClick, 0},
  {B::TBtK_F11, TBar::Run, "TBtK_F11", Fixed("F11"), T(lt::BtnAnimate),
   &M::SMenu_TraceContinueClick, 0},
  {B::TBtK_F12, TBar::Run, "TBtK_F12", T(lt::BtnF12), T(lt::HintPause), &M::SMenu_StopClick, 0},
  {B::TBtK_CF9, TBar::Run, "TBtK_CF9", T(lt::BtnStkOut), T(lt::HintStackOut),
   &M::SMenu_STKOUTClick, 0},
  {B::TBtK_CF12, TBar::Run, "TBtK_CF12", T(lt::BtnRst), T(lt::HintReset), &M::SMenu_ResetClick, 0},
  {B::Tk_BlankCheck, TBar::Program, "Tk_BlankCheck", T(lt::BlankCheck), Fixed(""),
   &M::SMenu_BlankClick, kOff},
  {B::Tk_Program, TBar::Program, "Tk_Program", T(lt::ProgramChip), Fixed(""),
   &M::SMenu_ProgramClick, kOff},
  {B::Tk_ReadChip, TBar::Program, "Tk_ReadChip", T(lt::ReadChip), Fixed(""), &M::SMenu_ReadClick,
   kOff},
  {B::TK_VerifyChip, TBar::Program, "TK_VerifyChip", T(lt::VerifyChip), Fixed(""),
   &M::SMenu_VerifyClick, kOff},
  {B::Tk_Auto, TBar::Program, "Tk_Auto", T(lt::Auto), Fixed(""), &M::SMenu_AutoClick, kOff},
};
// clang-format on

// Each table holds one row per id, in the ids' order.
template <class Row, size_t N>
constexpr bool RowsFollowTheIds(const Row (&rows)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (static_cast<size_t>(rows[i].id) != i) return false;
  return true;
}
static_assert(std::size(kMenuRows) == kMenuItemCount && RowsFollowTheIds(kMenuRows),
              "one menu row per TMenuItem, in its order");
static_assert(std::size(kButtonRows) == kToolButtonCount && RowsFollowTheIds(kButtonRows),
              "one button row per TToolButton, in its order");

}  // namespace

void TKYMAIN::buildMenus() {
  std::array<QMenu*, kMenuItemCount> menus{};
  for (const TMenuRow& row : kMenuRows) {
    QMenu* parent = row.menu == kBar ? nullptr : menus[size_t(row.menu)];
    if (row.flags & kSeparator) parent->addSeparator();
    QAction* action;
    if (row.flags & kMenu) {
      QMenu* m = parent ? parent->addMenu(Text(row.caption)) : menuBar()->addMenu(Text(row.caption));
      m->setObjectName(row.name);
      action = m->menuAction();
      action->setObjectName(row.name);
      menus[size_t(row.id)] = m;
    } else {
      const THandler handler = row.handler;
      action = addAction(parent, row.name, Text(row.caption), QKeySequence(row.key),
                         handler ? std::function<void()>([this, handler] { (this->*handler)(); })
                                 : std::function<void()>());
      action->setCheckable(row.flags & kCheck);
      action->setChecked(row.flags & kChecked);
    }
    if (row.flags & kHidden) action->setVisible(false);
    if (row.flags & kOff) action->setEnabled(false);
    menuActions_[size_t(row.id)] = action;
  }
  QMenu* view = menus[size_t(I::Menu_View)];
  for (const TViewRow& row : ViewRows()) {
    const TViewIndex index = row.index;
    viewActions_[index] = addAction(view, row.action, Q(LangTextUtf8(row.caption)), QKeySequence(),
                                    [this, index] { SMenu_ViewClick(index); });
  }
  connect(view, &QMenu::aboutToShow, this, [this] {
    ViewAction(ViewEdit)->setEnabled(forms_.editor && forms_.editor->PageCount() > 0 &&
                                     Shell().StartedWithFile != 1);
  });
  menuRun_ = menus[size_t(I::Menu_Run)];
  connect(menuRun_, &QMenu::aboutToShow, this, [this] {
    if (!forms_.editor || forms_.editor->PageCount() == 0) {
      setEnabled(I::SMenu_AssembleDebug, false);
      setEnabled(I::SMenu_Assemble, false);
    }
    const QString mode =
        Action(Modes().SimulatorMode == 1 ? I::MM_Simulator : I::MM_Emulator)->text();
    Action(I::SMenu_AssembleDebug)
        ->setText(Q(LangTextUtf8(lt::MenuAssembleRunItem)) + " ( " + mode + " )");
  });
}

void TKYMAIN::buildToolBars() {
  viewBar_ = addToolBar("Views");
  viewBar_->setObjectName("TBarView");
  for (const TViewRow& row : ViewRows()) {
    if (!row.button) continue;
    const TViewIndex index = row.index;
    viewButtons_[index] =
        addButton(viewBar_, row.button, Q(LangTextUtf8(row.buttonCaption)),
                  Q(LangTextUtf8(row.buttonHint)), [this, index] { SMenu_ViewClick(index); });
  }
  editBar_ = addToolBar("Edit");
  editBar_->setObjectName("TBarEdit");
  runPanel_ = addToolBar("Run");
  runPanel_->setObjectName("RunPanel");
  programPanel_ = addToolBar("Programmer");
  programPanel_->setObjectName("ProgramPanel");
  for (const TButtonRow& row : kButtonRows) {
    QToolBar* bar = row.bar == TBar::View   ? viewBar_
                    : row.bar == TBar::Edit ? editBar_
                    : row.bar == TBar::Run  ? runPanel_
                                            : programPanel_;
    if (row.flags & kSeparator) bar->addSeparator();
    const THandler handler = row.handler;
    QToolButton* b =
        addButton(bar, row.name, Text(row.caption), Text(row.hint),
                  handler ? std::function<void()>([this, handler] { (this->*handler)(); })
                          : std::function<void()>());
    if (row.flags & kOff) b->setEnabled(false);
    toolButtons_[size_t(row.id)] = b;
  }
  programPanel_->hide();
}

bool TKYMAIN::OnProgrammerPanel(TToolButton id) {
  return kButtonRows[size_t(id)].bar == TBar::Program;
}

void TKYMAIN::ApplyMenuCaptions() {
  for (const TMenuRow& row : kMenuRows)
    if (row.caption.row >= 0) Action(row.id)->setText(Text(row.caption));
  for (const TViewRow& row : ViewRows())
    ViewAction(row.index)->setText(Q(LangTextUtf8(row.caption)));
}

void TKYMAIN::ApplyToolbarHints() {
  for (const TButtonRow& row : kButtonRows) {
    QToolButton* b = Button(row.id);
    if (row.caption.row >= 0) b->setText(Text(row.caption));
    if (row.hint.row >= 0) b->setToolTip(Text(row.hint));
  }
  for (const TViewRow& row : ViewRows()) {
    QToolButton* b = ViewButton(row.index);
    if (!b) continue;
    b->setText(Q(LangTextUtf8(row.buttonCaption)));
    b->setToolTip(Q(LangTextUtf8(row.buttonHint)));
  }
}

void TKYMAIN::keyPressEvent(QKeyEvent* ev) {
  // Only typed characters count, as a key press that brings no text (a
  // modifier, an arrow) is no letter of the sequence.
  if (!ev->text().isEmpty()) FormKeyPress(ev->text().at(0));
  QMainWindow::keyPressEvent(ev);
}

void TKYMAIN::FormKeyPress(QChar key) {
  const QChar c = key.toUpper();
  if (c == QChar(kHiddenKeySequence[0])) {
    hiddenKeyPosition_ = 1;
  } else if (hiddenKeyPosition_ > 0 && hiddenKeyPosition_ < kHiddenKeyCount &&
             c == QChar(kHiddenKeySequence[hiddenKeyPosition_])) {
    ++hiddenKeyPosition_;
  } else {
    hiddenKeyPosition_ = 0;
  }
  if (hiddenKeyPosition_ < kHiddenKeyCount) return;
  for (TMenuItem n : {I::SMENU_OpenLCD, I::SMENU_CloseLCD, I::SMenu_ELCD}) setEnabled(n, true);
  lcdUnlocked_ = true;
}

// Edit and search commands go to the editor.
void TKYMAIN::SMenu_UndoClick() {
  if (forms_.editor) forms_.editor->UndoEdit();
}
void TKYMAIN::SMenu_CutClick() {
  if (forms_.editor) forms_.editor->CutSelection();
}
void TKYMAIN::SMenu_CopyClick() {
  if (forms_.editor) forms_.editor->CopySelection();
}
void TKYMAIN::SMenu_PasteClick() {
  if (forms_.editor) forms_.editor->PasteClipboard();
}
void TKYMAIN::SMenu_SelectAllClick() {
  if (forms_.editor) forms_.editor->SelectAllText();
}
// Find and Find again act on the source view when it is the window in use.
void TKYMAIN::SMenu_FindClick() {
  if (TKy_Source* src = forms_.source(); src && editorTarget() == src) {
    src->ShowSourceFindDialog();
  } else if (forms_.editor) {
    forms_.editor->Find();
  }
}
void TKYMAIN::SMenu_ReplaceClick() {
  if (forms_.editor) forms_.editor->Replace();
}
void TKYMAIN::SMenu_FindAgainClick() {
  if (TKy_Source* src = forms_.source(); src && editorTarget() == src) {
    src->FindNextInSource();
  } else if (forms_.editor) {
    forms_.editor->FindNext();
  }
}

}  // namespace kyvor
