#pragma once
// The register window: a header with the working register, the program
// counter, the cycle counter and the two indirect-access pointers; a bit grid
// of the chip's bit registers (four pages); a byte grid and a word grid of the
// chip's byte and word registers. Values that changed since the last refresh
// are highlighted; every value can be edited (keypad, typing, bit menu), and
// every edit goes through the CPU model's logged write (ChangePC for the PC).
// The header, the grids and the menus are made when the window is first shown
// or one of them asked for; the values they show are kept from the start.
#include <array>
#include <cstdint>

#include "base/lang.h"
#include "debugwin/dbggrid.h"
#include "debugwin/debugform.h"

class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QScrollArea;

namespace kyvor {

// The three grids' table models and what their cells show.
class TReg2Model : public QObject {
  Q_OBJECT
 public:
  explicit TReg2Model(QObject* parent = nullptr);

  // Grid cell of byte or word register i: the name row and its value row below.
  static int NameRow(int i) { return (i / 9) * 2; }
  static int Column(int i) { return i % 9; }
  // Register index of a cell (-1 outside the list).
  static int IndexOf(int row, int col, int count);

  // Names of the current page's bit registers and of the byte and word lists.
  void Shape(int firstBit, int endBit);
  // The value bookkeeping of the three lists (ChangedMap, LastValueMap).
  void RefreshValues(const TKy_UP& up, bool force);
  // Cell texts and colours; a cell being typed into shows the typed text.
  void Paint(int editGrid, int editIndex, const QString& editText);

  TKyGridModel* Bits() const { return bits_; }
  TKyGridModel* Bytes() const { return bytes_; }
  TKyGridModel* Words() const { return words_; }
  int FirstBit() const { return first_; }

 private:
  void paintBits();
  void paintBytes(int editIndex, const QString& editText);
  void paintWords(int editIndex, const QString& editText);

  TKyGridModel* bits_;
  TKyGridModel* bytes_;
  TKyGridModel* words_;
  int first_ = 0, end_ = 0;
};

class TKy_Reg2 : public TKyDebugForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  enum { EditNone = 0, EditBytes = 1, EditWords = 2 };

  explicit TKy_Reg2(QWidget* parent = nullptr);
  ~TKy_Reg2() override;
  // The title ("Special Register") and the modify items of the pop-up
  // menus in the current language.
  void ApplyRegisterWindowCaptions() override;

  void RefreshRegisters(bool force);
  void ForceRefresh() { RefreshRegisters(true); }
  // Fills the bit grid for the current page (and the byte and word names);
  // then, unless the target runs, a forced refresh. The grids are sized for
  // the names now while the window shows, else at its next show.
  void SWSREG();
  // Index range [first, end) of the current page in the bit-register list.
  void rkrr(int& end, int& first) const;
  void SelectPage(int page);
  void Refresh(TRefreshReason reason) override;
  // The window's contents made, and the grids sized for the chip's names
  // when a page was filled while hidden.
  void BuildContents() override;
  // The header lines and the three grids beside the vertical scroll bar.
  int ContentWidth() const override;
  // The header lines and the three grids of the chip's current page.
  int ContentHeight() const override;

  // The edit commands of the menus.
  void ModifyRegisterPanel(bool programCounter);   // PMRegModify
  void ModifyPointer(int pointer, bool address);   // PMIND_IND (false), PMIND_FSR (true)
  void WriteBit(int bitRecord, int bit, bool set);  // PMBitSet / PMBitClr

  // Parts the tests look at (the contents made first).
  QLabel* Panel(const char* name);
  QPushButton* PageButton(int page);
  // The grids (made and sized now when they are not yet).
  TKyGrid* BitGrid();
  TKyGrid* ByteGrid();
  TKyGrid* WordGrid();
  TReg2Model* Grids() const { return model_; }
  QMenu* BitMenu();
  QMenu* PointerMenu();
  QMenu* RegisterMenu();
  // The help text for a cell of a grid (empty: no help item).
  QString HelpText(TKyGrid* grid, const QModelIndex& index) const;
  // The menu of a bit cell: the record and bit it is opened for.
  int BitMenuRecord() const { return bitRecord_; }
  int BitMenuBit() const { return bitNumber_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildWindow();
  void buildHeader();
  void buildGrids();
  void paintPageButtons();
  // The header's panels as the last refresh left them.
  void paintHeader();
  // Column widths for the widest name, grid and window sizes.
  void layOutGrids();
  void buildMenus();
  void refreshHeader(bool force);
  void paintPanel(QLabel* panel, bool changed);
  bool editable() const;
  void repaint();
  bool onValueKey(int grid, QKeyEvent* event);
  void commitEdit();
  void writeValue(int grid, int index, uint32_t value);
  bool keypad(QWidget* at, const std::string& caption, const std::string& mask,
              const std::string& status, uint32_t& value, int64_t limit = -1);
  void onBitDoubleClick(const QModelIndex& index);
  void onByteDoubleClick(const QModelIndex& index);
  void onWordDoubleClick(const QModelIndex& index);
  void showHelp(TKyGrid* grid, QPoint pos);

  TReg2Model* model_;
  QWidget* content_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QLabel* pnlWork_ = nullptr;
  QLabel* pnlPC_ = nullptr;
  QLabel* pnlCycle_ = nullptr;
  std::array<QWidget*, 2> indBox_{};
  std::array<QLabel*, 4> indPanels_{};  // PnlIND0_1, PnlIND0_2, PnlIND1_1, PnlIND1_2
  std::array<QPushButton*, 4> pages_{};
  TKyGrid* sreg_ = nullptr;
  TKyGrid* sbyte_ = nullptr;
  TKyGrid* sword_ = nullptr;
  QMenu* pmInd_ = nullptr;
  QAction* pmIndInd_ = nullptr;
  QAction* pmIndFsr_ = nullptr;
  QMenu* pmBit_ = nullptr;
  QAction* pmBitSet_ = nullptr;
  QAction* pmBitClr_ = nullptr;
  QMenu* pmReg_ = nullptr;
  QMenu* help_ = nullptr;

  bool gridsPending_ = false;  // a page filled while hidden awaits its sizes
  // What the header's panels show (kept while they are not made).
  struct THeader {
    bool Shown = false;  // false: no refresh yet (the panels keep their first texts)
    QString Work, PC, Cycle;
    bool WorkChanged = false;
    std::array<QString, 4> Ind;
    std::array<bool, 4> IndChanged{};
  } header_;
  int lastW_ = -1;
  std::array<int, 4> lastInd_{-1, -1, -1, -1};
  bool menuForPC_ = false;
  int menuPointer_ = 0;
  int bitRecord_ = -1, bitNumber_ = 0;
  int editGrid_ = EditNone, editIndex_ = -1;
  QString editText_;
};

}  // namespace kyvor
