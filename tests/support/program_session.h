#pragma once
// A fixture for the tests that run the whole program offscreen: the program
// state reset, the fake clock, scripted dialogs, a scratch folder and the
// program started as from the command line, with keys pressed the way the
// keyboard does it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "shell/mainwin/startup.h"
#include "shell/mainwin/main_window.h"
#include "support/fake_clock.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"

namespace kyvor::test {

class ProgramSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    clock.install();
    ASSERT_TRUE(dir.isValid());
  }
  void TearDown() override { prog.reset(); }

  // Starts the program with the data folder of the build.
  void start(const QStringList& args = {}) {
    prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog->Start(args));
  }
  TKYMAIN& w() { return prog->Main(); }
  TKy_UP& up() { return prog->Up(); }
  // A key in the active main window, 100 ms after the last one.
  void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    clock.advance(std::chrono::milliseconds(100));
    PressInWindow(w(), key, mods);
  }
  // Lets the run timer drive a run until it stops (bounded).
  bool waitRunStopped(int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (w().RunTimerActive() && t.elapsed() < ms) QApplication::processEvents();
    return !w().RunTimerActive();
  }

  FakeClock clock;
  ScriptedDialogs dialogs;
  QTemporaryDir dir;
  std::unique_ptr<TKyProgram> prog;
};

}  // namespace kyvor::test
