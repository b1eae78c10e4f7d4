#pragma once
// Shared set-up of the debug-window tests: the shipped KY08A16 chip loaded into
// the chip configuration, a CPU model on it, the register-write listener that
// the main window installs (so a logged write refreshes the windows), and
// scripted dialogs and pop-ups.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/containers.h"
#include "base/lang.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/ky_up.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_popups.h"

namespace kyvor::test {

class DebugTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetChipConfig();
    ResetOutputFileState();
    ResetLangState();
    ReadChipList(std::string(KYVOR_DATA_DIR) + "/");
    Chip().ChipIndex = 0;  // KY08A16
    ASSERT_EQ(GetSELUP(), 1);
    up = std::make_unique<TKy_UP>();
    up->ApplyChipConfig();
    up->Hooks.RegisterWritten = [this](int address) {
      written.push_back(address);
      if (onWrite) onWrite(address);
    };
  }
  void TearDown() override {
    up.reset();
    ResetModes();
    ResetChipConfig();
    ResetOutputFileState();
  }

  std::unique_ptr<TKy_UP> up;
  std::vector<int> written;                 // addresses of WriteRegisterThrough, in order
  std::function<void(int address)> onWrite;  // the window refresh a test installs
  ScriptedDialogs dialogs;
  ScriptedPopups popups;
};

}  // namespace kyvor::test
