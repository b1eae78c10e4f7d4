// The debug windows' grid: its minimum height and the top row that stays in
// view while the rows below it scroll.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>

#include "debugwin/dbggrid.h"

namespace kyvor {
namespace {

class Grid : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetSize(30, 2);
    TGridCell head;
    head.Back = gridcolour::Yellow;
    head.Text = "Head";
    for (int c = 0; c < 2; ++c) model.SetCell(0, c, head);
    for (int r = 1; r < 30; ++r) model.SetText(r, 1, QString::number(r));
    model.Publish();
    grid.setModel(&model);
    grid.SetRowHeight(18);
    grid.SetColumnWidths({60, 60});
    grid.resize(140, 120);
    grid.show();
    QApplication::processEvents();
  }
  QColor topRowColour() {
    const QImage img = grid.viewport()->grab().toImage();
    return img.pixelColor(grid.columnViewportPosition(1) + 5, 3);
  }
  TKyGridModel model;
  TKyGrid grid;
};

TEST_F(Grid, TopRowStaysInViewWhileTheOthersScroll) {
  EXPECT_FALSE(grid.TopRowFrozen());
  EXPECT_EQ(topRowColour(), gridcolour::Yellow);
  grid.scrollToBottom();
  QApplication::processEvents();
  ASSERT_GT(grid.verticalScrollBar()->value(), 0);
  ASSERT_NE(grid.rowAt(0), 0) << "the rows below have scrolled";
  EXPECT_TRUE(grid.TopRowFrozen());
  EXPECT_EQ(grid.indexAt(QPoint(70, 2)), model.index(0, 1)) << "a click on the top strip is on row 0";
  EXPECT_EQ(topRowColour(), gridcolour::Yellow) << "row 0 is painted at the top";
  EXPECT_EQ(grid.indexAt(QPoint(70, 18 + 4)).row(), grid.rowAt(18 + 4));

  // Moving up to a row does not leave it under the top row.
  grid.setCurrentIndex(model.index(grid.rowAt(18 + 4), 1));
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QApplication::sendEvent(&grid, &up);
  QApplication::processEvents();
  const int row = grid.currentIndex().row();
  ASSERT_GT(row, 0);
  EXPECT_GE(grid.rowViewportPosition(row), 18);

  grid.scrollToTop();
  QApplication::processEvents();
  EXPECT_FALSE(grid.TopRowFrozen());
  EXPECT_EQ(grid.rowAt(0), 0);
}

TEST_F(Grid, MinimumHeightHoldsTheTopRowAndAFewMore) {
  grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  EXPECT_GE(grid.minimumSizeHint().height(), 4 * 18);
  model.SetSize(2, 2);
  EXPECT_LT(grid.minimumSizeHint().height(), 4 * 18 + 2 * grid.frameWidth() + 40);
}

}  // namespace
}  // namespace kyvor
