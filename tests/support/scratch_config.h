#pragma once
// The configuration file of the program under test: Kymain.cfg goes to a
// scratch folder of the test process, never to the program or data folder,
// and every test starts without one (a first start).
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "shell/mainwin/main_window.h"

namespace kyvor::test {

// The scratch folder of this process (with a trailing '/').
inline std::string ScratchConfigFolder() {
  static QTemporaryDir dir;
  return dir.path().toStdString() + "/";
}

// Shell().ConfigFolder := the scratch folder, emptied of Kymain.cfg.
inline void UseScratchConfigFolder() {
  Shell().ConfigFolder = ScratchConfigFolder();
  QFile::remove(QString::fromStdString(ScratchConfigFolder() + "Kymain.cfg"));
}

}  // namespace kyvor::test
