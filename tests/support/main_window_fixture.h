#pragma once
// The main window with an editor of pages in memory, the error list and a RAM
// window, and the scripted dialogs, for the tests of the main window's own
// commands (no build, no CPU model unless a test attaches one).
#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

#include "base/modes.h"
#include "base/outputfile.h"
#include "debugwin/debugwins.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "support/fake_editor.h"
#include "support/scratch_config.h"
#include "support/scripted_dialogs.h"

namespace kyvor::test {

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetShell();
    UseScratchConfigFolder();
    ResetOutputFileState();
    main = std::make_unique<TKYMAIN>();
    edit = new QWidget;
    err = new TKy_ERR;
    ram = new TKy_RAM;
    TKyForms f;
    f.views[ViewEdit] = edit;
    f.editor = &editor;
    f.views[ViewErr] = err;
    f.views[ViewRam] = ram;
    main->AttachForms(f);
  }
  void TearDown() override {
    main.reset();
    delete edit;
    delete err;
    delete ram;
  }
  ScriptedDialogs dialogs;
  FakeEditor editor;
  std::unique_ptr<TKYMAIN> main;
  QWidget* edit = nullptr;
  TKy_ERR* err = nullptr;
  TKy_RAM* ram = nullptr;
};

}  // namespace kyvor::test
