#pragma once
// Default places of the child windows in the main window's document area,
// for windows the user has not moved or resized yet: the editor and the
// source view take the area, the error list a strip below the editor, and
// the debug and peripheral windows columns on the right, stacked in tile
// order, so that none of them covers the program text.
#include <QRect>
#include <QSize>
#include <vector>

namespace kyvor {

enum class TViewRole {
  Main,    // editor, source view: as much of the area as the others leave
  Bottom,  // error list: a strip below the main windows
  Side     // debug and peripheral windows: the column on the right
};

struct TLayoutItem {
  TViewRole role = TViewRole::Side;
  int preferredHeight = 240;  // a side window's share of the column
  int minHeight = 0;          // below this a side window's contents are cut
  int minWidth = 0;           // below this its header and columns scroll sideways
  int leastWidth = 0;         // below this the window cannot go at all
};

// Width of the right-hand column in an area of the given width.
int SideColumnWidth(int areaWidth);
// The width the program text keeps beside the columns of an area of the
// given width (two fifths, at least 320 pixels, at most what one column leaves).
int MainTextMinWidth(int areaWidth);
// Height of the bottom strip in an area of the given height.
int BottomStripHeight(int areaHeight);

// The narrowest a column of side windows may be: rather than open a column
// narrower than this, the last column's windows overlap.
inline constexpr int kLeastColumnWidth = 200;

// One rectangle per item, in the item order (side windows are stacked in
// the order they come, each in the first column with room left for its
// minimum height). Every rectangle lies within the area. No side window
// gets less than its minimum height, and a column is as wide as its widest
// window wants while the main windows keep two fifths of the area. When one
// column cannot hold its windows, another opens to its left as long as every
// column can still be kLeastColumnWidth wide (and as wide as its windows'
// least width); the columns then share the width the main windows leave, the
// widest giving up width first. Only when no further column fits do the last
// column's windows overlap in a cascade.
std::vector<QRect> ArrangeViews(const QSize& area, const std::vector<TLayoutItem>& items);

}  // namespace kyvor
