// The program's main block: the application, the dialog service, every
// window of the IDE, the start-up sequence, then the message loop.
#include <QApplication>
#include <QStringList>

#include "base/clock.h"
#include "base/dialogs.h"
#include "shell/kyapp.h"
#include "shell/kymain.h"
#include "shell/qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kyvor-IDE");
  kyvor::QtDialogService dialogs;
  kyvor::SetDialogs(&dialogs);
  kyvor::DefaultSteadyClock().setPump([] { QCoreApplication::processEvents(); });

  int rc = 1;
  {
    kyvor::TKyProgram program;  // program folder: the executable's folder
    program.CreateForms();
    dialogs.setParent(&program.Main());
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (program.Start(args)) rc = QApplication::exec();
    dialogs.setParent(nullptr);
  }
  kyvor::SetDialogs(nullptr);
  kyvor::DefaultSteadyClock().setPump(nullptr);
  return rc;
}
