#include "shell/kylayout.h"

#include <algorithm>

namespace kyvor {

int SideColumnWidth(int w) {
  if (w <= 0) return 0;
  int s = std::clamp(w * 3 / 10, 240, 440);
  // A narrow area is shared half and half.
  if (w - s < 320) s = w / 2;
  return s;
}

int BottomStripHeight(int h) {
  if (h <= 0) return 0;
  int b = std::clamp(h / 4, 110, 180);
  if (h - b < 160) b = h / 3;
  return b;
}

std::vector<QRect> ArrangeViews(const QSize& area, const std::vector<TLayoutItem>& items) {
  const int W = std::max(area.width(), 1);
  const int H = std::max(area.height(), 1);
  bool side = false;
  bool bottom = false;
  long long sideTotal = 0;
  int sideCount = 0;
  for (const auto& it : items) {
    if (it.role == TViewRole::Side) {
      side = true;
      sideTotal += std::max(it.preferredHeight, 1);
      ++sideCount;
    } else if (it.role == TViewRole::Bottom) {
      bottom = true;
    }
  }
  int S = side ? SideColumnWidth(W) : 0;
  // Too small an area for a column: the side windows lie over the others.
  const bool overlay = side && (S <= 0 || S >= W);
  if (overlay) S = 0;
  int B = bottom ? BottomStripHeight(H) : 0;
  if (bottom && (B <= 0 || B >= H)) B = 0;
  const int mainWidth = W - S;
  const int sideLeft = overlay ? 0 : W - S;
  const int sideWidth = overlay ? W : S;

  std::vector<QRect> out;
  out.reserve(items.size());
  int y = 0;           // next free row of the column
  long long used = 0;  // preferred heights placed so far
  int placed = 0;
  for (const auto& it : items) {
    switch (it.role) {
      case TViewRole::Main:
        out.emplace_back(0, 0, mainWidth, H - B);
        break;
      case TViewRole::Bottom:
        if (B > 0) {
          out.emplace_back(0, H - B, mainWidth, B);
        } else {
          out.emplace_back(0, 0, mainWidth, H);
        }
        break;
      case TViewRole::Side: {
        // The column is shared in proportion to the preferred heights; the
        // last window takes what rounding left over.
        used += std::max(it.preferredHeight, 1);
        ++placed;
        const int end = placed == sideCount ? H : static_cast<int>(used * H / sideTotal);
        const int top = std::min(y, H - 1);
        out.emplace_back(sideLeft, top, sideWidth, std::max(end - top, 1));
        y = std::max(end, y);
        break;
      }
    }
  }
  return out;
}

}  // namespace kyvor
