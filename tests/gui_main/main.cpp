// Test entry for the GUI layers: one QApplication for the whole run,
// offscreen unless the caller chose a platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "support/temp_folder.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The user's configuration folder (the file dialogs' history, the program's
  // fallback folder for window places) and Qt's run-time folder are this
  // process's own: each test runs as a process of its own, and none meets
  // another there, nor the settings of the user running the tests.
  const std::filesystem::path home = kyvor::test::MakeTempFolder("kyvor-gui-test");
  std::filesystem::create_directory(home / "config");
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  int result = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return result;
}
