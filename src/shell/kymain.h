#pragma once
// The main window of the IDE: a multiple-document frame.
#include <QMainWindow>

class QMdiArea;

namespace kyvor {

class TKYMAIN : public QMainWindow {
  Q_OBJECT
 public:
  explicit TKYMAIN(QWidget* parent = nullptr);
  QMdiArea* mdiArea() const { return mdi_; }

 private:
  QMdiArea* mdi_;
};

}  // namespace kyvor
