#pragma once
// The layout of a multiplexer's options: cells of one width in rows of at
// most `perRow`, fewer when the window is too narrow for them, so an option
// caption is never cut and a narrow window scrolls only vertically.
#include <QLayout>
#include <QList>

namespace kyvor {

class TOptionFlow : public QLayout {
 public:
  TOptionFlow(int perRow, int columnSpacing, int rowSpacing)
      : perRow_(perRow < 1 ? 1 : perRow), spacing_(columnSpacing), rowSpacing_(rowSpacing) {}
  ~TOptionFlow() override;

  void addItem(QLayoutItem* item) override { items_.append(item); }
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override { return items_.value(index); }
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

  // Options in a row for that width (1 .. perRow).
  int PerRowFor(int width) const;

 private:
  QSize cell() const;  // the largest item
  int heightFor(int perRow) const;

  QList<QLayoutItem*> items_;
  int perRow_;
  int spacing_;
  int rowSpacing_;
};

}  // namespace kyvor
