#pragma once
// Shared set-up of the tests that run the whole program offscreen.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "debugwin/watchdata.h"
#include "shell/mainwin/main_window.h"
#include "support/scratch_config.h"

namespace kyvor::test {

// Every process-wide record the program touches, back to its start value.
inline void ResetProgramState() {
  ResetModes();
  ResetShell();
  UseScratchConfigFolder();
  ResetOutputFileState();
  ResetChipConfig();
  ResetLangState();
  ResetOptions();
  ResetWatchSettings();
}

// The same at a restart of the program: the configuration written at the
// last close (Kymain.cfg in the scratch folder) stays to be read.
inline void ResetProgramStateForRestart() {
  ResetModes();
  ResetShell();
  Shell().ConfigFolder = ScratchConfigFolder();
  ResetOutputFileState();
  ResetChipConfig();
  ResetLangState();
  ResetOptions();
  ResetWatchSettings();
}

// Copies the shipped example (blink.asm with its include) into `dir` and
// gives the path of its main file.
inline void CopyExample(const QTemporaryDir& dir, std::string& source) {
  ASSERT_TRUE(dir.isValid());
  for (const char* f : {"blink.asm", "blink.inc"}) {
    ASSERT_TRUE(QFile::copy(QString(KYVOR_DATA_DIR) + "/examples/" + f, dir.filePath(f))) << f;
  }
  source = dir.filePath("blink.asm").toStdString();
}

}  // namespace kyvor::test
