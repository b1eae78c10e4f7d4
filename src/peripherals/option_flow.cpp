#include "peripherals/option_flow.h"

#include <QWidget>
#include <algorithm>

namespace kyvor {

TOptionFlow::~TOptionFlow() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

QLayoutItem* TOptionFlow::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  return items_.takeAt(index);
}

QSize TOptionFlow::cell() const {
  QSize c(0, 0);
  for (QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    c = c.expandedTo(item->sizeHint().expandedTo(item->minimumSize()));
  }
  return c;
}

int TOptionFlow::PerRowFor(int width) const {
  const QMargins m = contentsMargins();
  const int w = width - m.left() - m.right();
  const int c = cell().width();
  if (c <= 0) return perRow_;
  return std::clamp((w + spacing_) / (c + spacing_), 1, perRow_);
}

int TOptionFlow::heightFor(int perRow) const {
  const int n = static_cast<int>(items_.size());
  if (n == 0) return 0;
  const int rows = (n + perRow - 1) / perRow;
  const QMargins m = contentsMargins();
  return rows * cell().height() + (rows - 1) * rowSpacing_ + m.top() + m.bottom();
}

int TOptionFlow::heightForWidth(int width) const { return heightFor(PerRowFor(width)); }

QSize TOptionFlow::sizeHint() const {
  const int n = static_cast<int>(items_.size());
  const int perRow = std::max(1, std::min(n, perRow_));
  const QMargins m = contentsMargins();
  return {perRow * cell().width() + (perRow - 1) * spacing_ + m.left() + m.right(),
          heightFor(perRow_)};
}

// The height a given width needs comes from heightForWidth; the minimum only
// says how narrow the options may go.
QSize TOptionFlow::minimumSize() const {
  const QMargins m = contentsMargins();
  return {cell().width() + m.left() + m.right(), heightFor(perRow_)};
}

void TOptionFlow::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const QRect r = rect.marginsRemoved(contentsMargins());
  const int perRow = PerRowFor(rect.width());
  const QSize c = cell();
  // The cells share the row's width, so the columns line up in every row.
  const int width = std::max(c.width(), (r.width() - (perRow - 1) * spacing_) / perRow);
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    const int row = i / perRow;
    const int column = i % perRow;
    items_[i]->setGeometry(QRect(r.x() + column * (width + spacing_),
                                 r.y() + row * (c.height() + rowSpacing_), width, c.height()));
  }
}

}  // namespace kyvor
