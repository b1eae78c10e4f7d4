#pragma once
// The views of the main window: one row per child window that the View menu,
// the view buttons, ShowView, debug entry and exit, the default arrangement
// and the refresh loop work on. Everything the main window knows about a
// view is in its row; adding a view is adding a row (and, for a window that
// shows target state, implementing TKyChildForm::Refresh).
#include <QWidget>
#include <memory>
#include <span>

#include "chip/chipconfig.h"
#include "guicommon/childform.h"
#include "shell/mainwin/default_layout.h"

namespace kyvor {

// The view indexes of ShowView (0..13); the breakpoint list, which has no
// ShowView index of its own, comes after them.
enum TViewIndex {
  ViewEdit = 0, ViewHex = 1, ViewSource = 2, ViewRam = 3, ViewStk = 4, ViewReg2 = 5,
  ViewWatch = 6, ViewErr = 7, ViewAdc = 8, ViewOp = 9, ViewCmp = 10, ViewAdcI = 11,
  ViewAdcII = 12, ViewMultiCmp = 13, ViewBp = 14, ViewCount = 15
};

// Number of flags in DebugViewShown (the debug views re-shown at debug entry).
inline constexpr int kShownViewCount = 13;

// Which chips a view belongs to: the analog windows of the extended devices
// (ADC-I, ADC-II, multi-comparator) or of the others (ADC, op amp, comparator).
enum class TViewFamily { Any, Basic, Extended };

struct TViewRow {
  TViewIndex index;
  const char* formName;   // the form's object name
  int shownSlot;          // its flag in DebugViewShown; -1: not a debug view
  const char* action;     // its View menu item
  int caption;            // text-table row of the menu item's caption
  const char* button;     // its view tool button, or nullptr
  int buttonCaption;      // text-table rows of the button's caption and hint
  int buttonHint;
  TViewRole role;         // its place in the default arrangement
  int tile;               // its place in the tile order
  TViewFamily family;
  uint8_t TChipConfig::*present;  // the chip's flag for this window; nullptr: every chip has it
  bool TChipMenus::*visible;      // the chip loader's flag for its menu item; nullptr: always shown
  unsigned hiddenRefresh;     // RefreshBit()s of the reasons it gets even while hidden
  std::unique_ptr<QWidget> (*make)();  // creates the form (once, at start-up)
};

// Every view, in View menu order.
std::span<const TViewRow> ViewRows();
const TViewRow& ViewRow(TViewIndex index);
// DebugViewShown slot of a view (-1 when it has none).
inline int ShownSlot(TViewIndex index) { return ViewRow(index).shownSlot; }

// True when the loaded chip has the view's window (presence flag set).
bool ChipHasView(const TViewRow& row);
// True when the view belongs to the loaded chip's family (ExtendedDevice).
bool InChipFamily(const TViewRow& row);

}  // namespace kyvor
