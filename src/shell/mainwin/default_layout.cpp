#include "shell/mainwin/default_layout.h"

#include <algorithm>

namespace kyvor {

int SideColumnWidth(int w) {
  if (w <= 0) return 0;
  int s = std::clamp(w * 3 / 10, 240, 440);
  // A narrow area is shared half and half.
  if (w - s < 320) s = w / 2;
  return s;
}

int MainTextMinWidth(int w) {
  if (w <= 0) return 0;
  return std::min(w - SideColumnWidth(w), std::max(320, w * 2 / 5));
}

int BottomStripHeight(int h) {
  if (h <= 0) return 0;
  int b = std::clamp(h / 4, 110, 180);
  if (h - b < 160) b = h / 3;
  return b;
}

namespace {

int MinOf(const TLayoutItem& it, int H) { return std::clamp(it.minHeight, 1, H); }
int PrefOf(const TLayoutItem& it) { return std::max(it.preferredHeight, 1); }

int MinWidthOf(const TLayoutItem& it) { return std::max(it.minWidth, 0); }

// One column of side windows (indices into items, in order) and its width.
struct TColumn {
  std::vector<size_t> items;
  int width = 0;
};

// The side windows split into columns, each holding what its height allows.
// A column is as wide as the widest window it holds wants (at least `S`);
// a new column opens only while the columns leave `mainMin` of the width to
// the main windows, else the last column takes the rest.
std::vector<TColumn> SideColumns(const std::vector<TLayoutItem>& items, int W, int H, int S,
                                 int mainMin) {
  std::vector<TColumn> cols(1);
  int filled = 0;
  int others = 0;  // width of the columns before the last
  auto widthFor = [&](int want) { return std::max(S, std::min(want, W - mainMin - others)); };
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].role != TViewRole::Side) continue;
    const int m = MinOf(items[i], H);
    const int want = MinWidthOf(items[i]);
    TColumn& last = cols.back();
    if (!last.items.empty() && filled + m > H) {
      const int lastWidth = last.width;
      const int opened = std::max(S, std::min(want, W - mainMin - others - lastWidth));
      if (W - others - lastWidth - opened >= mainMin) {
        others += lastWidth;
        cols.emplace_back();
        filled = 0;
      }
    }
    TColumn& col = cols.back();
    col.items.push_back(i);
    col.width = widthFor(std::max(col.width, want));
    filled += m;
  }
  return cols;
}

// Tops and heights of one column's windows. The column is shared in
// proportion to the preferred heights; a window whose share falls below its
// minimum gets its minimum and the others share the rest. When even the
// minimums do not fit, each window keeps its minimum and they overlap,
// their tops spread evenly down the column.
std::vector<std::pair<int, int>> StackColumn(const std::vector<TLayoutItem>& items,
                                             const std::vector<size_t>& col, int H) {
  const size_t n = col.size();
  std::vector<std::pair<int, int>> out(n);
  long long minTotal = 0;
  for (size_t i : col) minTotal += MinOf(items[i], H);
  if (minTotal > H) {
    const int lastTop = H - MinOf(items[col.back()], H);
    for (size_t k = 0; k < n; ++k) {
      const int h = MinOf(items[col[k]], H);
      const int top = n == 1 ? 0 : int(k * lastTop / (n - 1));
      out[k] = {std::min(top, H - h), h};
    }
    return out;
  }
  std::vector<bool> atMin(n, false);
  long long prefTotal = 0;
  int free = H;
  for (bool changed = true; changed;) {
    changed = false;
    prefTotal = 0;
    free = H;
    for (size_t k = 0; k < n; ++k) {
      if (atMin[k]) free -= MinOf(items[col[k]], H);
      else prefTotal += PrefOf(items[col[k]]);
    }
    for (size_t k = 0; k < n; ++k) {
      if (atMin[k] || PrefOf(items[col[k]]) * free / prefTotal >= MinOf(items[col[k]], H)) continue;
      atMin[k] = true;
      changed = true;
    }
  }
  // Shares are rounded on the running total so the column is filled exactly.
  long long used = 0;
  int y = 0;
  for (size_t k = 0; k < n; ++k) {
    int h;
    if (atMin[k]) {
      h = MinOf(items[col[k]], H);
    } else {
      const long long before = prefTotal ? used * free / prefTotal : 0;
      used += PrefOf(items[col[k]]);
      h = int(used * free / prefTotal - before);
    }
    if (k + 1 == n) h = H - y;
    const int top = std::min(y, H - 1);
    out[k] = {top, std::max(h, 1)};
    y += h;
  }
  return out;
}

}  // namespace

std::vector<QRect> ArrangeViews(const QSize& area, const std::vector<TLayoutItem>& items) {
  const int W = std::max(area.width(), 1);
  const int H = std::max(area.height(), 1);
  bool side = false;
  bool bottom = false;
  for (const auto& it : items) {
    side = side || it.role == TViewRole::Side;
    bottom = bottom || it.role == TViewRole::Bottom;
  }
  int S = side ? SideColumnWidth(W) : 0;
  // Too small an area for a column: the side windows lie over the others.
  const bool overlay = side && (S <= 0 || S >= W);
  if (overlay) S = 0;
  int B = bottom ? BottomStripHeight(H) : 0;
  if (bottom && (B <= 0 || B >= H)) B = 0;
  // The program text keeps two fifths of the width (at least 320 pixels).
  const int mainMin = overlay ? 0 : MainTextMinWidth(W);
  std::vector<TColumn> columns;
  if (side) columns = overlay ? std::vector<TColumn>(1) : SideColumns(items, W, H, S, mainMin);
  if (overlay)
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].role == TViewRole::Side) columns[0].items.push_back(i);
  int sideTotal = 0;
  for (const TColumn& c : columns) sideTotal += overlay ? 0 : c.width;
  const int mainWidth = W - sideTotal;

  std::vector<QRect> out(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].role == TViewRole::Main) out[i] = QRect(0, 0, mainWidth, H - B);
    if (items[i].role == TViewRole::Bottom)
      out[i] = B > 0 ? QRect(0, H - B, mainWidth, B) : QRect(0, 0, mainWidth, H);
  }
  // The first column is the rightmost one; the others open to its left.
  int right = W;
  for (const TColumn& c : columns) {
    const int width = overlay ? W : c.width;
    const int left = overlay ? 0 : right - width;
    right = left;
    const auto places = StackColumn(items, c.items, H);
    for (size_t k = 0; k < c.items.size(); ++k)
      out[c.items[k]] = QRect(left, places[k].first, width, places[k].second);
  }
  return out;
}

}  // namespace kyvor
