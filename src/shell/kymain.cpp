#include "shell/kymain.h"

#include <QMdiArea>

namespace kyvor {

TKYMAIN::TKYMAIN(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
  setWindowTitle("Kyvor-IDE");
  setCentralWidget(mdi_);
  resize(1024, 720);
}

}  // namespace kyvor
