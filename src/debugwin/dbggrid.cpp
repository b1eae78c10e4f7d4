#include "debugwin/dbggrid.h"

#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

namespace kyvor {

namespace {
const TGridCell kEmptyCell{};
}

QVariant TKyGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || index.column() >= cols_) return {};
  const TGridCell& c = cells_[std::size_t(index.row() * cols_ + index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return c.Text;
    case Qt::ForegroundRole:
      return c.Fore;
    case Qt::BackgroundRole:
      return c.Back;
    case Qt::TextAlignmentRole:
      return int(c.Align | Qt::AlignVCenter);
    case Qt::FontRole:
      if (c.Underline) {
        QFont f;
        f.setUnderline(true);
        return f;
      }
      return {};
    default:
      return {};
  }
}

void TKyGridModel::SetSize(int rows, int cols) {
  rows = std::max(rows, 0);
  cols = std::max(cols, 0);
  if (rows == rows_ && cols == cols_) return;
  // Rows alone are inserted or removed, so the views keep their column widths.
  if (cols == cols_) {
    if (rows > rows_) {
      beginInsertRows(QModelIndex(), rows_, rows - 1);
      cells_.resize(std::size_t(rows * cols));
      rows_ = rows;
      endInsertRows();
    } else {
      beginRemoveRows(QModelIndex(), rows, rows_ - 1);
      cells_.resize(std::size_t(rows * cols));
      rows_ = rows;
      endRemoveRows();
    }
    dirtyTop_ = dirtyBottom_ = -1;
    return;
  }
  beginResetModel();
  std::vector<TGridCell> next(std::size_t(rows * cols));
  for (int r = 0; r < std::min(rows, rows_); ++r)
    for (int c = 0; c < std::min(cols, cols_); ++c)
      next[std::size_t(r * cols + c)] = cells_[std::size_t(r * cols_ + c)];
  cells_ = std::move(next);
  rows_ = rows;
  cols_ = cols;
  dirtyTop_ = dirtyBottom_ = -1;
  endResetModel();
}

const TGridCell& TKyGridModel::Cell(int row, int col) const {
  if (row < 0 || row >= rows_ || col < 0 || col >= cols_) return kEmptyCell;
  return cells_[std::size_t(row * cols_ + col)];
}

void TKyGridModel::markDirty(int row, int col) {
  if (dirtyTop_ < 0) {
    dirtyTop_ = dirtyBottom_ = row;
    dirtyLeft_ = dirtyRight_ = col;
    return;
  }
  dirtyTop_ = std::min(dirtyTop_, row);
  dirtyBottom_ = std::max(dirtyBottom_, row);
  dirtyLeft_ = std::min(dirtyLeft_, col);
  dirtyRight_ = std::max(dirtyRight_, col);
}

void TKyGridModel::SetCell(int row, int col, const TGridCell& cell) {
  if (row < 0 || row >= rows_ || col < 0 || col >= cols_) return;
  TGridCell& c = cells_[std::size_t(row * cols_ + col)];
  if (c == cell) return;
  c = cell;
  markDirty(row, col);
}

void TKyGridModel::SetText(int row, int col, const QString& text) {
  TGridCell c = Cell(row, col);
  c.Text = text;
  SetCell(row, col, c);
}

void TKyGridModel::Publish() {
  if (dirtyTop_ < 0) return;
  const QModelIndex tl = index(dirtyTop_, dirtyLeft_);
  const QModelIndex br = index(dirtyBottom_, dirtyRight_);
  dirtyTop_ = dirtyBottom_ = -1;
  emit dataChanged(tl, br);
}

// ---------------------------------------------------------------------------

TKyGrid::TKyGrid(QWidget* parent, const char* name, QAbstractItemModel* model, int rowHeight)
    : TKyGrid(parent) {
  setObjectName(name);
  setModel(model);
  SetRowHeight(rowHeight);
}

TKyGrid::TKyGrid(QWidget* parent) : QTableView(parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setMouseTracking(true);
  setWordWrap(false);
  setTabKeyNavigation(true);  // Tab reaches the key handler (it ends an edit)
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setMinimumSectionSize(0);
}

void TKyGrid::SetRowHeight(int h) { verticalHeader()->setDefaultSectionSize(h); }

void TKyGrid::SetColumnWidths(const std::vector<int>& widths) {
  for (std::size_t i = 0; i < widths.size(); ++i) setColumnWidth(int(i), widths[i]);
}

QSize TKyGrid::ContentSize() const {
  int w = 2 * frameWidth(), h = 2 * frameWidth();
  if (model()) {
    for (int c = 0; c < model()->columnCount(); ++c) w += columnWidth(c);
    for (int r = 0; r < model()->rowCount(); ++r) h += rowHeight(r);
  }
  return {w, h};
}

QSize TKyGrid::minimumSizeHint() const {
  constexpr int kRowsBelowTop = 3;
  QSize hint = QTableView::minimumSizeHint();
  if (!model() || model()->rowCount() == 0) return hint;
  const int rows = std::min(model()->rowCount(), 1 + kRowsBelowTop);
  int h = 2 * frameWidth();
  for (int r = 0; r < rows; ++r) h += rowHeight(r);
  if (horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
    h += horizontalScrollBar()->sizeHint().height();
  hint.setHeight(std::max(hint.height(), h));
  return hint;
}

QPoint TKyGrid::CellBottomLeft(const QModelIndex& index) const {
  const QRect r = visualRect(index);
  return viewport()->mapToGlobal(r.bottomLeft());
}

void TKyGrid::keyPressEvent(QKeyEvent* event) {
  if (OnKey && OnKey(event)) return;
  QTableView::keyPressEvent(event);
}

void TKyGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (OnDoubleClick) OnDoubleClick(indexAt(event->position().toPoint()));
}

int TKyGrid::ColumnBorderAt(QPoint pos) const {
  constexpr int kGrip = 3;
  if (!model() || indexAt(QPoint(0, pos.y())).row() != 0) return -1;
  // A hidden (zero-width) column shares its border with the one before it:
  // the visible one is sized.
  for (int c = 0; c < model()->columnCount(); ++c) {
    const int right = columnViewportPosition(c) + columnWidth(c);
    if (std::abs(pos.x() - right) <= kGrip) return c;
  }
  return -1;
}

void TKyGrid::mousePressEvent(QMouseEvent* event) {
  if (columnSizing_ && event->button() == Qt::LeftButton) {
    sizingColumn_ = ColumnBorderAt(event->position().toPoint());
    if (sizingColumn_ >= 0) {
      sizingX_ = columnViewportPosition(sizingColumn_) + columnWidth(sizingColumn_);
      viewport()->update();
      return;
    }
  }
  if (OnMouseDown)
    OnMouseDown(indexAt(event->position().toPoint()), event->globalPosition().toPoint());
  QTableView::mousePressEvent(event);
}

void TKyGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (sizingColumn_ >= 0) {
    sizingX_ = std::max(columnViewportPosition(sizingColumn_), pos.x());
    viewport()->update();
    return;
  }
  if (columnSizing_) {
    if (ColumnBorderAt(pos) >= 0)
      viewport()->setCursor(Qt::SplitHCursor);
    else
      viewport()->unsetCursor();
  }
  QTableView::mouseMoveEvent(event);
  if (OnHover) OnHover(indexAt(event->position().toPoint()), event->position().toPoint());
}

void TKyGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (sizingColumn_ >= 0) {
    const int column = sizingColumn_;
    sizingColumn_ = -1;
    setColumnWidth(column, sizingX_ - columnViewportPosition(column));
    viewport()->update();
    if (OnColumnSized) OnColumnSized(column);
    return;
  }
  QTableView::mouseReleaseEvent(event);
}

bool TKyGrid::TopRowFrozen() const {
  return model() && model()->rowCount() > 1 && rowViewportPosition(0) < 0;
}

QModelIndex TKyGrid::indexAt(const QPoint& pos) const {
  if (TopRowFrozen() && pos.y() >= 0 && pos.y() < rowHeight(0)) {
    const int c = columnAt(pos.x());
    return c < 0 ? QModelIndex() : model()->index(0, c);
  }
  return QTableView::indexAt(pos);
}

void TKyGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QTableView::scrollTo(index, hint);
  // A row brought to the top would lie under the frozen top row.
  if (!index.isValid() || index.row() == 0 || !TopRowFrozen()) return;
  const int under = rowHeight(0) - rowViewportPosition(index.row());
  if (under <= 0) return;
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() - (verticalScrollMode() == ScrollPerItem ? 1 : under));
}

void TKyGrid::scrollContentsBy(int dx, int dy) {
  QTableView::scrollContentsBy(dx, dy);
  // The frozen row does not move with the scrolled pixels.
  if (dy != 0) viewport()->update();
}

void TKyGrid::paintTopRow() {
  QPainter p(viewport());
  QStyleOptionViewItem opt;
  initViewItemOption(&opt);
  const QColor line = QColor::fromRgba(
      QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &opt, this)));
  const int h = rowHeight(0);
  const int gap = showGrid() ? 1 : 0;
  p.fillRect(QRect(0, 0, viewport()->width(), h), palette().base());
  for (int c = 0; c < model()->columnCount(); ++c) {
    if (isColumnHidden(c) || columnWidth(c) <= 0) continue;
    const QModelIndex idx = model()->index(0, c);
    const QRect cell(columnViewportPosition(c), 0, columnWidth(c), h);
    opt.rect = cell.adjusted(0, 0, -gap, -gap);
    opt.state = QStyle::State_Enabled;
    if (selectionModel() && selectionModel()->isSelected(idx)) opt.state |= QStyle::State_Selected;
    itemDelegateForIndex(idx)->paint(&p, opt, idx);
    if (gap) {
      p.setPen(line);
      p.drawLine(cell.topRight(), cell.bottomRight());
      p.drawLine(cell.bottomLeft(), cell.bottomRight());
    }
  }
}

void TKyGrid::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (TopRowFrozen()) paintTopRow();
  if (sizingColumn_ < 0) return;
  QPainter p(viewport());
  p.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
  p.drawLine(sizingX_, 0, sizingX_, viewport()->height());
}

void TKyGrid::leaveEvent(QEvent* event) {
  QTableView::leaveEvent(event);
  if (OnHover) OnHover(QModelIndex(), QPoint());
}

void TKyGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  if (OnResize) OnResize();
}

void TKyGrid::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  if (OnFocusOut) OnFocusOut();
}

void TKyGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (OnCurrentChanged) OnCurrentChanged(current, previous);
}

}  // namespace kyvor
