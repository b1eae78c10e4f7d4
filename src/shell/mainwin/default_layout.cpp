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

// One column of side windows (indices into items, in order): the width its
// widest window wants, the narrowest it may be, and the width it gets.
struct TColumn {
  std::vector<size_t> items;
  int want = 0;
  int least = 0;
  int width = 0;
};

// A column holding the item wants at least `S` and the item's header and
// columns; it may narrow down to kLeastColumnWidth, never below the item's
// own least width.
int WantOf(const TLayoutItem& it, int S) { return std::max({S, it.minWidth, it.leastWidth}); }
int LeastOf(const TLayoutItem& it, int S) {
  return std::max(std::max(it.leastWidth, 0), std::min(WantOf(it, S), kLeastColumnWidth));
}

// The side windows split into columns: each goes, in its order, into the
// first column with room left for its minimum height, else into a new column
// to the left while every column, at its least width, leaves the main windows
// their share (`avail` is the width left to the columns); else the last
// column takes it.
std::vector<TColumn> SideColumns(const std::vector<TLayoutItem>& items, int H, int S, int avail) {
  std::vector<TColumn> cols;
  std::vector<int> filled;
  int leastTotal = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].role != TViewRole::Side) continue;
    const int m = MinOf(items[i], H);
    const int least = LeastOf(items[i], S);
    size_t k = 0;
    while (k < cols.size() && (filled[k] + m > H ||
                               leastTotal - cols[k].least + std::max(cols[k].least, least) > avail))
      ++k;
    if (k == cols.size() && !cols.empty() && leastTotal + least > avail) k = cols.size() - 1;
    if (k == cols.size()) {
      cols.emplace_back();
      filled.push_back(0);
    }
    TColumn& col = cols[k];
    col.items.push_back(i);
    col.want = std::max(col.want, WantOf(items[i], S));
    leastTotal += std::max(col.least, least) - col.least;
    col.least = std::max(col.least, least);
    filled[k] += m;
  }
  if (cols.empty()) cols.emplace_back();
  return cols;
}

// Widths of the columns within `avail`: each as wide as it wants when they
// all fit, else the widest give up width first, down to their least widths.
void ShareWidth(std::vector<TColumn>& cols, int avail) {
  auto total = [&](int cap) {
    long long sum = 0;
    for (const TColumn& c : cols) sum += std::clamp(cap, c.least, c.want);
    return sum;
  };
  int top = 0;
  for (const TColumn& c : cols) top = std::max(top, c.want);
  // The widest cap under which the columns fit.
  int lo = 0, hi = top;
  while (lo < hi) {
    const int mid = lo + (hi - lo + 1) / 2;
    if (total(mid) <= avail)
      lo = mid;
    else
      hi = mid - 1;
  }
  int room = std::max(avail, 1);
  for (size_t k = 0; k < cols.size(); ++k) {
    TColumn& c = cols[k];
    c.width = std::clamp(lo, c.least, c.want);
    // Least widths that no longer fit: the columns to the left give way.
    const int after = int(cols.size() - k - 1);
    c.width = std::max(1, std::min(c.width, room - after));
    room -= c.width;
  }
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
  const int avail = overlay ? W : W - MainTextMinWidth(W);
  std::vector<TColumn> columns;
  if (side && !overlay) {
    columns = SideColumns(items, H, S, avail);
    ShareWidth(columns, avail);
  }
  if (overlay) {
    columns.resize(1);
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].role == TViewRole::Side) columns[0].items.push_back(i);
  }
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
