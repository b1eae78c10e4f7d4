#include <QApplication>

#include "base/dialogs.h"
#include "shell/kymain.h"
#include "shell/qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kyvor::TKYMAIN KYMAIN;
  kyvor::QtDialogService dialogs(&KYMAIN);
  kyvor::SetDialogs(&dialogs);
  KYMAIN.show();
  int rc = app.exec();
  kyvor::SetDialogs(nullptr);
  return rc;
}
