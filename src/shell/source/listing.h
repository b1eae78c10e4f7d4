#pragma once
// The program-memory listing: one program word a row with its breakpoint
// mark, address, code word, disassembly and, for an instruction with a file
// register, that register's current value. The program counter's row is
// highlighted and breakpoint rows are red. The same window holds the dump grid
// in which the programmer commands show program memory as hex words (made at
// its first use). A hidden listing is laid out for a new font or table when it
// shows or is moved to an address.
#include <QColor>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/lang.h"
#include "debugwin/dbggrid.h"
#include "guicommon/childform.h"

class QScrollBar;
class QStatusBar;

namespace kyvor {

class TInstructionTable;
class TKy_UP;

// The listing's texts of one program word (columns 0 to 4).
struct TListingRow {
  QString Mark, Address, Code, Instruction, Operand;
};
TListingRow ListingRowOf(const TKy_UP& up, uint32_t address);
// The widths of columns 0 to 4 that hold their widest texts in `font`: the
// headers, four hex digits, every row of `table` (may be null) with its
// largest operands, and a register of bank 1 with its value. Column 4 takes
// more when the window has room.
std::array<int, 5> ListingColumnWidths(const QFont& font, const TInstructionTable* table);

class TListingModel : public TKyGridModel {
  Q_OBJECT
 public:
  explicit TListingModel(QObject* parent = nullptr);
};

class TKy_Hex : public TKyChildForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  explicit TKy_Hex(QWidget* parent = nullptr);
  ~TKy_Hex() override;
  // The title ("Program Memory") in the current language.
  void ApplyHexTitle() override;

  void ShowListingAt(int top, bool force);
  void RefreshListing() { ShowListingAt(TopAddress, true); }
  void GotoAddressCentered(uint32_t address);
  void CenterOnAddress(uint32_t address);
  void EnsureAddressVisible(uint32_t address);
  int SelectedAddress() const;
  void DimListing();
  void UndimListing();
  // The programmer-only layout shows the dump grid in place of the listing.
  void ShowDumpGrid(bool on);
  bool DumpGridShown() const { return dumpShown_; }
  // The dump grid with `rows` rows (the header row included), its 16 word
  // columns emptied.
  void PrepareDump(int rows);
  // `words` shown 16 a row as four upper-case hex digits from grid row
  // `firstRow` on (the grid grows to hold them).
  void FillDumpRows(int firstRow, const std::vector<uint16_t>& words);

  void AttachModel(TKy_UP* up) override;
  void Refresh(TRefreshReason reason) override;
  void SetEditorFont(const QFont& font);
  // A layout that waits is done before the window shows.
  void BuildContents() override { ensureLaidOut(); }

  // Installed by the main window (each may be empty).
  std::function<void(TKy_Hex& sender)> OnSetBreakpoint;
  std::function<void(TKy_Hex& sender, int32_t address)> OnAddressPicked;

  // Layout state.
  int TopAddress = 0;
  int PcAddress = 0;
  int VisibleRows = 0;
  int FullRows = 0;
  int FilledRows = 0;
  int ClickedColumn = 0;
  QColor TextColour = gridcolour::Black;
  QColor PcText = gridcolour::White, PcBack = gridcolour::Green;
  QColor BpText = gridcolour::Red, BpBack = gridcolour::White;

  TKyGrid* Grid() const { return sgd_; }
  TListingModel* GridModel() const { return model_; }
  // The dump grid (made now when it is asked for the first time).
  TKyGrid* DumpGrid();
  TKyGridModel* DumpModel() const { return dump_; }
  QScrollBar* ScrollBar() const { return scrBar_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void layoutListing();
  // The listing laid out for its font, size and table: now while the window
  // shows (or would show with the main window), else when it shows or moves.
  void requestLayout();
  void ensureLaidOut();
  int layoutColumns(int gridWidth, int gridHeight);
  void layoutDump();
  void paintRows();
  void onCurrentChanged(const QModelIndex& current);
  bool onKey(QKeyEvent* event);
  void onDoubleClick();
  int lastAddress() const;

  QWidget* sgdBase_;
  TKyGrid* sgd_;
  TListingModel* model_;
  QScrollBar* scrBar_;
  QStatusBar* stBar_;
  TKyGrid* sdgr_ = nullptr;
  TKyGridModel* dump_;
  bool dumpShown_ = false;
  bool layoutPending_ = false;  // a font, table or chip change awaits its layout
  bool scrollSelectPending_ = false;
};

}  // namespace kyvor
