// How the peripheral windows lay out their controls: options wrap rather than
// cut their captions, labels never get narrower than their text, rows with
// nothing to show are hidden, and a wide window shares the groups' height
// between its columns.
#include <QApplication>
#include <QGroupBox>
#include <map>

#include "peripherals/option_flow.h"
#include "support/periph_fixture.h"

namespace kyvor {
namespace {

using K = TPeripheralKind;

class LayoutTest : public test::PeripheralFixture {};

// Four labels in a flow of at most four a row, laid out at `width`.
struct FlowBox {
  explicit FlowBox(int perRow) : flow(new TOptionFlow(perRow, 6, 1)) {
    widget.setLayout(flow);
    flow->setContentsMargins(0, 0, 0, 0);
    for (const char* text : {"Floating", "Temperature", "0.25 x VDD", "0.5 x VDD"}) {
      auto* l = new TFitLabel(QString::fromLatin1(text), &widget);
      flow->addWidget(l);
      labels.push_back(l);
    }
  }
  void LayOut(int width) {
    flow->setGeometry(QRect(0, 0, width, flow->heightForWidth(width)));
  }
  QWidget widget;
  TOptionFlow* flow;
  std::vector<TFitLabel*> labels;
};

TEST_F(LayoutTest, OptionsWrapWhenTheWidthIsShortAndNeverOverlap) {
  FlowBox box(4);
  int widest = 0;
  for (auto* l : box.labels) widest = std::max(widest, l->sizeHint().width());
  const int full = 4 * widest + 3 * 6;
  EXPECT_EQ(box.flow->PerRowFor(full), 4);
  EXPECT_EQ(box.flow->PerRowFor(full - 1), 3);
  EXPECT_EQ(box.flow->PerRowFor(widest), 1);
  EXPECT_EQ(box.flow->PerRowFor(1), 1) << "one a row at the least";
  EXPECT_EQ(box.flow->PerRowFor(10 * full), 4) << "never more than the design's row";
  EXPECT_GT(box.flow->heightForWidth(widest), box.flow->heightForWidth(full));
  for (int width : {full, full - 1, 2 * widest + 6, widest}) {
    SCOPED_TRACE(width);
    box.LayOut(width);
    for (std::size_t i = 0; i < box.labels.size(); ++i) {
      const QRect r = box.labels[i]->geometry();
      EXPECT_GE(r.width(), box.labels[i]->sizeHint().width()) << "caption cut";
      EXPECT_LE(r.right(), std::max(width, widest) - 1);
      for (std::size_t j = 0; j < i; ++j)
        EXPECT_FALSE(r.intersects(box.labels[j]->geometry())) << i << " over " << j;
    }
  }
  // The columns line up: the second row starts under the first.
  box.LayOut(2 * widest + 6);
  EXPECT_EQ(box.labels[2]->geometry().x(), box.labels[0]->geometry().x());
  EXPECT_EQ(box.labels[3]->geometry().x(), box.labels[1]->geometry().x());
}

TEST_F(LayoutTest, ALabelIsNeverNarrowerThanItsTextNorItsFloor) {
  TFitLabel l(QStringLiteral("ADC_CK / 16384"));
  l.SetFloorWidth(10);
  EXPECT_GE(l.minimumSizeHint().width(), l.fontMetrics().horizontalAdvance(l.text()));
  TFitLabel empty;
  empty.SetFloorWidth(90);
  EXPECT_EQ(empty.minimumSizeHint().width(), 90);
  EXPECT_EQ(empty.sizeHint().width(), 90);
}

TEST_F(LayoutTest, HiddenPanelsWithoutPicturesLeaveNoRowBehind) {
  LoadShipped("QR08B1.INC");
  // The design hides CHOP1 and AD1HS, which have no pictures: no lone title.
  for (const char* p : {"PCHOP1", "PAD1HS"})
    EXPECT_TRUE(Find(K::AdcI, p)->parentWidget()->isHidden()) << p;
  // IN1ST's panel is hidden, its pictures stay with their title.
  EXPECT_TRUE(Find(K::AdcI, "PINIS1")->isHidden());
  EXPECT_FALSE(Find(K::AdcI, "PINIS1")->parentWidget()->isHidden());
}

TEST_F(LayoutTest, APinPanelTheChipNamesIsShownOnlyWhileAChipNamesIt) {
  LoadShipped("QN08A4.INC");  // names PM2.6 for PTMX1
  EXPECT_TRUE(Shown(K::Cmp, "PPMX1"));
  EXPECT_FALSE(Find(K::Cmp, "PPMX1")->parentWidget()->isHidden());
  EXPECT_EQ(Text(K::Cmp, "PPMX1"), "PM2.6");
  LoadLines({"#PRODUCT", "TESTCHIP", "#DEVICE", "1", "#COMPILER", "K08A", "#CMP0S",
             "033H ENCPA 1 7", "03FH PTMX PM2.7 1 7"});
  EXPECT_FALSE(Shown(K::Cmp, "PPMX1")) << "the next chip does not name it";
  EXPECT_TRUE(Find(K::Cmp, "PPMX1")->parentWidget()->isHidden());
  EXPECT_TRUE(Shown(K::Cmp, "PPMX"));
}

TEST_F(LayoutTest, AWideWindowSharesTheGroupsHeightBetweenItsColumns) {
  LoadShipped("QN08A4.INC");
  TKyPeripheralForm& w = Win(K::Cmp);
  w.resize(1280, 800);
  w.show();
  QApplication::processEvents();
  std::map<int, int> columnHeight;  // left edge -> height of the groups in it
  int total = 0;
  for (QGroupBox* g : w.findChildren<QGroupBox*>()) {
    if (g->isHidden()) continue;
    columnHeight[g->mapTo(&w, QPoint(0, 0)).x()] += g->height();
    total += g->height();
  }
  ASSERT_GE(columnHeight.size(), 2u);
  for (auto [x, h] : columnHeight) EXPECT_LT(h, total * 2 / 3) << "column at " << x;
  // Narrow, the window stacks its groups in one column.
  w.resize(300, 800);
  QApplication::processEvents();
  std::map<int, int> narrow;
  for (QGroupBox* g : w.findChildren<QGroupBox*>())
    if (!g->isHidden()) ++narrow[g->mapTo(&w, QPoint(0, 0)).x()];
  EXPECT_EQ(narrow.size(), 1u);
  w.hide();
}

}  // namespace
}  // namespace kyvor
