#pragma once
// The grids of the debug windows: a table model that holds one cell record
// (text, colours, underline, alignment) per cell, which each window's own model
// fills at its refresh, and a table view that hands keys, clicks, double-clicks,
// hovering and focus changes to its window. The view never edits a cell by
// itself: the windows implement their own typing rules.
#include <QAbstractTableModel>
#include <QColor>
#include <QTableView>
#include <functional>
#include <vector>

namespace kyvor {

// Colours as the windows name them.
namespace gridcolour {
inline const QColor Black{0, 0, 0};
inline const QColor White{255, 255, 255};
inline const QColor Blue{0, 0, 255};
inline const QColor Red{255, 0, 0};
inline const QColor Green{0, 128, 0};
inline const QColor Yellow{255, 255, 0};
inline const QColor Grey{128, 128, 128};
inline const QColor Silver{192, 192, 192};
inline const QColor ButtonFace{240, 240, 240};
}  // namespace gridcolour

struct TGridCell {
  QString Text;
  QColor Fore = gridcolour::Black;
  QColor Back = gridcolour::White;
  bool Underline = false;
  Qt::Alignment Align = Qt::AlignCenter;

  bool operator==(const TGridCell& o) const {
    return Text == o.Text && Fore == o.Fore && Back == o.Back && Underline == o.Underline &&
           Align == o.Align;
  }
};

class TKyGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TKyGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : rows_;
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : cols_;
  }
  QVariant data(const QModelIndex& index, int role) const override;

  // Resizes the grid (cells keep their place; new ones are empty).
  void SetSize(int rows, int cols);
  const TGridCell& Cell(int row, int col) const;
  QString Text(int row, int col) const { return Cell(row, col).Text; }
  // Stores a cell; views learn of the change at the next Publish.
  void SetCell(int row, int col, const TGridCell& cell);
  void SetText(int row, int col, const QString& text);
  // Tells the views which cells changed since the last Publish (one range).
  void Publish();

 private:
  int rows_ = 0, cols_ = 0;
  std::vector<TGridCell> cells_;
  int dirtyTop_ = -1, dirtyLeft_ = 0, dirtyBottom_ = -1, dirtyRight_ = 0;
  void markDirty(int row, int col);
};

class TKyGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TKyGrid(QWidget* parent = nullptr);
  // A grid named `name` over `model`, its rows `rowHeight` pixels high.
  TKyGrid(QWidget* parent, const char* name, QAbstractItemModel* model, int rowHeight);

  // Fixed row height and column widths in pixels.
  void SetRowHeight(int h);
  void SetColumnWidths(const std::vector<int>& widths);
  // Width and height that show every row and column without scroll bars.
  QSize ContentSize() const;
  // At least the top (fixed) row and a few rows below it, so that a window
  // laid out around the grid is not squeezed below a useful height.
  QSize minimumSizeHint() const override;
  // Column sizing on the top (fixed) row: a drag that starts on a column's
  // right border shows where the border goes and sets the width when the
  // mouse is released, so the window resizes once and not at every move.
  void SetColumnSizing(bool on) { columnSizing_ = on; }
  // The column whose right border is at viewport x on the top row (-1: none).
  int ColumnBorderAt(QPoint pos) const;

  // Handlers installed by the window (each may be empty). A key handler
  // returns true when it consumed the key.
  std::function<bool(QKeyEvent*)> OnKey;
  std::function<void(const QModelIndex&)> OnDoubleClick;
  std::function<void(const QModelIndex&, QPoint globalPos)> OnMouseDown;
  std::function<void(const QModelIndex&, QPoint pos)> OnHover;  // invalid index: outside
  std::function<void()> OnFocusOut;
  std::function<void()> OnResize;
  std::function<void(int column)> OnColumnSized;  // a column sizing ended on release
  std::function<void(const QModelIndex& current, const QModelIndex& previous)> OnCurrentChanged;

  // The top row stays painted at the top of the viewport while the rows
  // below it scroll; a click on it reaches the top row's cell.
  bool TopRowFrozen() const;
  QModelIndex indexAt(const QPoint& pos) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  // Screen position of the lower-left corner of a cell.
  QPoint CellBottomLeft(const QModelIndex& index) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  bool columnSizing_ = false;
  int sizingColumn_ = -1;  // the column being sized
  int sizingX_ = 0;        // where its right border would go (viewport x)
  void paintTopRow();
};

}  // namespace kyvor
