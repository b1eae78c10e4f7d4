#pragma once
// The RAM window: the target's data memory one bank (256 addresses) at a time
// as a 16 x 16 grid, bytes that changed at the last refresh highlighted, every
// implemented byte editable (typed into the grid or through the hex keypad,
// written through the CPU model's logged write), per-address colour marks and
// text hints, ".ram" files and the spreadsheet export.
#include <QString>
#include <array>
#include <functional>
#include <string>

#include "base/lang.h"
#include "debugwin/dbggrid.h"
#include "debugwin/debugform.h"
#include "debugwin/ramdata.h"

class QLabel;
class QLayout;
class QMenu;
class QAction;

namespace kyvor {

class TRamModel : public TKyGridModel {
  Q_OBJECT
 public:
  explicit TRamModel(QObject* parent = nullptr);

  // The bank's values into the grid texts, with the change bookkeeping of the
  // shared maps (ChangedMap, LastValueMap).
  void Refresh(const TKy_UP& up, int bank, bool force);
  // Row labels ("100" for bank 1, row 1).
  void WriteRowLabels(int bank);
  // Colours and underlines of the data cells from the maps and the marks; a
  // cell being typed into shows the typed text.
  void Paint(int bank, const TRamMarks& marks, int editAddress, const QString& editText);
  // Grid cell (column, row 1..16) of a data address of the bank.
  static int AddressOf(int bank, int col, int row) { return bank * 256 + (row - 1) * 16 + col - 1; }

 private:
  std::array<QString, 256> texts_;
};

class TKy_RAM : public TKyDebugForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  explicit TKy_RAM(QWidget* parent = nullptr);
  ~TKy_RAM() override;
  // The title ("Data Memory") in the current language.
  void ApplyRamTitle() override;

  // Redraws the bank shown; force 0 marks the bytes that changed since the
  // last refresh.
  void RefreshRamView(bool force);
  void BANKUPDATA() { RefreshRamView(false); }
  void RAMBANKShow();
  void RAMBANKSEL(int bank);
  // A bank panel or pop-up item: shows bank n.
  void SelectBank(int n);
  int CurrentBank() const;

  void Refresh(TRefreshReason reason) override;
  // The row labels and all 16 columns beside the vertical scroll bar.
  int ContentWidth() const override;
  // The bank panels and all 16 rows of the bank.
  int ContentHeight() const override;

  // The marks and hints (the watch window labels data variables in them).
  TRamMarks& Marks() { return marks_; }
  const TRamMarks& Marks() const { return marks_; }

  // The pop-up menu's items by caption ("Set Mark", "Save To excel", ...), on
  // the cell under the last mouse-down point.
  void MenuCommand(const QString& caption);
  QMenu* PopupMenu();
  void SetMouseDownCell(int col, int row);

  // File commands.
  void LoadRamData();
  void SaveRamData();
  // Asks where to write the spreadsheet (ExcelFileProposal), writes it and
  // opens it with the desktop's viewer; with none, says where the file is.
  // The file's path (empty when cancelled or not written).
  std::string SaveToExcel();
  static std::string ExcelFileProposal();
  // Opens a written spreadsheet with the desktop's viewer; false when there
  // is none (replaced by tests).
  std::function<bool(const std::string& path)> OpenDocument;

  // The bank panels, the grid, the hint and the pop-up menu are made when the
  // window first shows or one of them is asked for; the bank is kept in its
  // model from the start.
  void BuildContents() override;
  TKyGrid* Grid();
  TRamModel* GridModel() const { return model_; }
  QLabel* HintPanel();
  QLabel* BankPanel(int n);
  // The edit being typed: address (-1: none) and text.
  int EditAddress() const { return editAddress_; }
  QString EditText() const { return editText_; }
  uint32_t MarkColour() const { return markColour_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLayout* buildBankPanels();
  TKyGrid* buildGrid();
  void buildMenu();
  void repaintCells();
  int cellAddress(const QModelIndex& index) const;
  int mouseDownAddress() const;
  bool editable(int address) const;
  bool onKey(QKeyEvent* event);
  void commitEdit();
  void cancelEdit();
  void onDoubleClick(const QModelIndex& index);
  void onHover(const QModelIndex& index);
  bool confirm(const char* question);

  TKyGrid* grid_ = nullptr;
  TRamModel* model_;
  QLabel* pnlHint_ = nullptr;
  std::array<QLabel*, 16> banks_{};
  QMenu* menu_ = nullptr;
  TRamMarks marks_;
  uint32_t markColour_ = kDefaultMarkColour;  // blue-green-red
  int mouseCol_ = -1, mouseRow_ = -1;
  int editAddress_ = -1;
  QString editText_;
  bool loading_ = false;
  bool hidden_ = true;  // not shown yet, or hidden since
  QWidget* frame_ = nullptr;  // the frame the window was last shown in
};

}  // namespace kyvor
