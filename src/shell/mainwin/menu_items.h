#pragma once
// The ids of the main window's menu items and tool buttons: one id per row of
// the menu table and of the button table (menus.cpp), in the rows' order, so
// that the main window addresses each item by its id and a wrong one does not
// compile. Each id is spelled as the item's object name. The View menu's items
// and the view buttons are the views table's, addressed by their view index.

namespace kyvor {

// clang-format off
enum class TMenuItem : int {
  // File
  Menu_File, SMenu_New, SMenu_Open, SMenu_Save, SMenu_SaveAs, SMenu_SaveAll, SMenu_Close,
  SMenu_CloseAll, SMenu_OpenProject, SMenu_SaveProject, SMenu_DownLoad, SMenu_ReadLoad,
  SaveHexFile, LoadHex, SMenu_ReadWriter, SMenu_Record, SMENU_OpenLCD, SMENU_CloseLCD,
  SMenu_Exit,
  // Edit
  Menu_Edit, SMenu_Undo, SMenu_Cut, SMenu_Copy, SMenu_Paste, SMenu_SelectAll, SMenu_ELCD,
  // Search
  Menu_Search, SMenu_Find, SMenu_Replace, SMenu_FindAgain,
  // View (its items come from the views table)
  Menu_View,
  // Windows
  Menu_Windows, SMenu_Next, SMenu_Prev,
  // Run, with the mode sub-menu w1
  Menu_Run, SMenu_AssembleDebug, SMenu_Assemble, SMenu_MainFile, w1, MM_Simulator, MM_Emulator,
  SMenu_Run, SMenu_StepOver, SMenu_Trace, SMenu_TraceContinue, SMenu_Stop, SMenu_Reset,
  SMenu_STKOUT, StepBack1, ReLoadROM1, SMenu_EditMode, SMenu_SetBP, SMenu_ICEDbg, SMenu_ICE_Test,
  InFoBlk,
  // Programmer
  Menu_Programmer, SMenu_Blank, SMenu_Program, SMenu_Read, SMenu_Verify, SMenu_Auto,
  // Options
  Menu_Option, SMenu_Options, SMenu_SaveConfig, SMenu_LoadConfig,
  // Help
  Menu_Help, About, TXAbout, TLicense, TVerHis,
  Count
};

enum class TToolButton : int {
  // The view bar (after the view buttons)
  TBtK_F10, TBTk_Make,
  // The editor tool bar
  TBtK_Open, TBtK_Find, TBtK_FindN, TBtK_SBK, TBtK_GBK, TBtK_Page,
  // The run panel
  TBtK_F6, TBtK_F7, TBtK_F8, TBtK_F9, TBtK_F11, TBtK_F12, TBtK_CF9, TBtK_CF12,
  // The programmer panel
  Tk_BlankCheck, Tk_Program, Tk_ReadChip, TK_VerifyChip, Tk_Auto,
  Count
};
// clang-format on

inline constexpr int kMenuItemCount = static_cast<int>(TMenuItem::Count);
inline constexpr int kToolButtonCount = static_cast<int>(TToolButton::Count);

}  // namespace kyvor
