// The configuration file of the whole program offscreen: the first start
// writes Kymain.cfg from the defaults, a close writes the state and the next
// start gives it back, another chip list or a short or malformed file asks for
// a configuration, and Save and Load Configuration.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "debugwin/sramrecord.h"
#include "debugwin/watchdata.h"
#include "peripherals/periphwins.h"
#include "shell/editor/editorlink.h"
#include "shell/mainwin/base_form.h"
#include "shell/mainwin/startup.h"
#include "shell/editor/editor.h"
#include "shell/editor/richedit.h"
#include "shell/mainwin/main_window.h"
#include "support/fake_clock.h"
#include "support/golden_files.h"
#include "support/scratch_config.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"

namespace kyvor {
namespace {

const char kPleaseSet[] = "Please set Configuration!";

class ConfigFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
  }
  void TearDown() override { test::ResetProgramState(); }

  std::string cfgPath() const { return test::ScratchConfigFolder() + "Kymain.cfg"; }
  std::string cfg() const { return test::ReadFileBytes(cfgPath()); }
  void writeCfg(const std::string& bytes) const { test::WriteFileBytes(cfgPath(), bytes); }
  // The program started, then closed again; everything back to its start values.
  void startAndClose(const std::function<void(TKyProgram&)>& during = {}) {
    {
      TKyProgram prog(KYVOR_DATA_DIR);
      ASSERT_TRUE(prog.Start({}));
      if (during) during(prog);
      prog.Main().close();
    }
    const std::string keep = cfg();
    test::ResetProgramState();
    writeCfg(keep);
  }
  bool asked(const std::string& text) const {
    for (const auto& m : dialogs.messages())
      if (m.text == text) return true;
    return false;
  }

  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
  QTemporaryDir dir;
  std::string source;
};

TEST_F(ConfigFiles, TheFirstStartWritesTheDefaultsAndAsksNothing) {
  ASSERT_FALSE(QFile::exists(QString::fromStdString(cfgPath())));
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_TRUE(dialogs.messages().empty());
  test::ExpectGolden("shell", "first_start.cfg", cfg());
  // The plain font of a first start is the editor's.
  EXPECT_EQ(Options().EditorFont, (TEditorFont{"Courier New", 10, 0}));
  EXPECT_EQ(prog.Main().Forms().base->EditorFont().pointSize(), 10);
  EXPECT_FALSE(QFile::exists(QString(KYVOR_DATA_DIR) + "/Kymain.cfg"));
}

TEST_F(ConfigFiles, ACloseWritesTheStateAndTheNextStartGivesItBack) {
  startAndClose([&](TKyProgram& prog) {
    ASSERT_TRUE(prog.Main().OpenSourceFile(source));
    Options().OutAsciiFile = 0;
    Options().WatchAddress = 0x123;
    Options().STPOVSTAK = 1;
    Options().CProtect = 1;
    Options().EnSHAO = 1;
    Options().ELAO = 12345;
    Modes().PodlessMode = 1;
    LangState().LanguageIndex = 1;
    WatchSettings().WatchValueFormat = 2;
    prog.Main().Forms().view<TKyPeripheralForm>(ViewAdc)->SetDisplayChoice(1, 12);
  });
  const std::string written = cfg();
  ASSERT_NE(written.find(source + "\r\n"), std::string::npos);

  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_TRUE(dialogs.messages().empty());
  ASSERT_EQ(prog.EditorPages()->PageCount(), 1);
  EXPECT_EQ(prog.EditorPages()->PagePath(1), source);
  EXPECT_EQ(Shell().MainFileName, source);
  EXPECT_EQ(Options().OutAsciiFile, 0);
  EXPECT_EQ(Options().WatchAddress, 0x123);
  EXPECT_EQ(Options().StackOverflowStopCode(), 0x600013u);
  EXPECT_EQ(Options().CProtect, 1);
  EXPECT_EQ(Options().EnSHAO, 1);
  EXPECT_EQ(Options().ELAO, 12345);
  EXPECT_EQ(Modes().PodlessMode, 1);
  EXPECT_EQ(LangState().LanguageIndex, 1);
  EXPECT_EQ(Ky_Lang().Language, 1);
  EXPECT_EQ(WatchSettings().WatchValueFormat, 2);
  auto* adc = prog.Main().Forms().view<TKyPeripheralForm>(ViewAdc);
  EXPECT_EQ(adc->DisplayMode(), 1);
  EXPECT_EQ(adc->DisplayWidthIndex(), 12);
  // Nothing changed: the next close writes the same bytes.
  prog.Main().close();
  EXPECT_EQ(cfg(), written);
}

TEST_F(ConfigFiles, AnotherChipListChangesNothingButAsks) {
  startAndClose([&](TKyProgram& prog) { ASSERT_TRUE(prog.Main().OpenSourceFile(source)); });
  std::string text = cfg();
  text.replace(0, text.find("\r\n"), "V9.9 another chip list");
  writeCfg(text);
  Options().OutListFile = 1;
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_TRUE(asked(kPleaseSet));
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Information);
  EXPECT_EQ(prog.EditorPages()->PageCount(), 0);
  EXPECT_EQ(Shell().MainFileName, "");
  // The close writes the file again for the chip list of today.
  prog.Main().close();
  EXPECT_EQ(cfg().rfind(Chip().ChipListHeader + "\r\n", 0), 0u);
}

// A file that ends before the debug views keeps its sections and asks; one
// that ends after the stack stop keeps the calibration as it was.
TEST_F(ConfigFiles, ShortFilesKeepTheirSections) {
  startAndClose([&](TKyProgram& prog) {
    ASSERT_TRUE(prog.Main().OpenSourceFile(source));
    Options().EHAO = 1900000;
  });
  const std::string full = cfg();
  writeCfg(full.substr(0, full.find("None\r\n") + 6));
  {
    TKyProgram prog(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog.Start({}));
    EXPECT_TRUE(asked(kPleaseSet));
    EXPECT_EQ(prog.EditorPages()->PageCount(), 1);
    EXPECT_EQ(Shell().MainFileName, source);
  }
  test::ResetProgramState();
  dialogs.clear();
  const size_t calibration = full.rfind("\r\n   0 1900000\r\n");
  ASSERT_NE(calibration, std::string::npos) << full;
  writeCfg(full.substr(0, calibration + 2));
  Options().EHAO = 2000000;
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_FALSE(asked(kPleaseSet));
  EXPECT_EQ(Options().EHAO, 2000000);
}

TEST_F(ConfigFiles, AMalformedFileStopsAtTheBadItemAndAsks) {
  startAndClose([&](TKyProgram& prog) { ASSERT_TRUE(prog.Main().OpenSourceFile(source)); });
  std::string text = cfg();
  // A page count beyond the editor's twenty pages.
  const size_t pages = text.find("     1     1\r\n");
  ASSERT_NE(pages, std::string::npos);
  text.replace(pages, 6, "999999");
  writeCfg(text);
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_TRUE(asked(kPleaseSet));
  EXPECT_EQ(prog.EditorPages()->PageCount(), 0);
}

TEST_F(ConfigFiles, ReadingClampsTheLanguageKeepsThePlatformAndResetsTheRomType) {
  startAndClose();
  std::string text = cfg();
  // Section 4: language 7, platform 0, ROM emulation type 1.
  const std::string env = "\r\n       0   0   0   0   1   1\r\n";
  const size_t at = text.find(env);
  ASSERT_NE(at, std::string::npos) << text;
  text.replace(at, env.size(), "\r\n       0   0   0   7   0   1\r\n");
  const size_t iface = text.find("\r\n     888   0   0   0\r\n");
  ASSERT_NE(iface, std::string::npos) << text;
  text.replace(iface, 24, "\r\n     888   0   0   1\r\n");
  writeCfg(text);
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_EQ(LangState().LanguageIndex, 1);
  EXPECT_EQ(Shell().WinNtPlatform, 1);
  EXPECT_EQ(Options().RomEmulationType, 0);
}

TEST_F(ConfigFiles, TheRecordsContinueComesBackWithItsStatus) {
  startAndClose([&](TKyProgram&) { Options().ChContinue = 1; });
  Options().ChContinue = 0;
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_EQ(Options().ChContinue, 1);
  ASSERT_NE(prog.Main().Forms().sram, nullptr);
  EXPECT_TRUE(prog.Main().Forms().sram->ContinueChecked());
  EXPECT_EQ(prog.Main().Forms().sram->StatusText(1).toStdString(), "Status: Continue");
}

TEST_F(ConfigFiles, AProgrammerFileThatIsGoneIsReadAsEmpty) {
  const std::string hex = dir.filePath("blink.hex").toStdString();
  test::WriteFileBytes(hex, "x");
  startAndClose([&](TKyProgram&) { Shell().LastProgrammerFile = hex; });
  {
    TKyProgram prog(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog.Start({}));
    EXPECT_EQ(Shell().LastProgrammerFile, hex);
    prog.Main().close();
  }
  const std::string keep = cfg();
  test::ResetProgramState();
  writeCfg(keep);
  QFile::remove(QString::fromStdString(hex));
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_EQ(Shell().LastProgrammerFile, "");
}

TEST_F(ConfigFiles, SaveConfigurationWritesTheChosenFileWithItsExtension) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  const std::string chosen = dir.filePath("mine").toStdString();
  dialogs.answerFile(chosen);
  Options().OutMaskFile = 1;
  w.SMenu_SaveConfigClick();
  const std::string saved = test::ReadFileBytes(chosen + ".cfg");
  ASSERT_FALSE(saved.empty());
  EXPECT_NE(saved.find("\r\n 0 0 1 0\r\n"), std::string::npos) << "the mask file switch";
  // A folder that does not exist: the error, nothing else.
  dialogs.answerFile(dir.filePath("no/such/folder/x.cfg").toStdString());
  w.SMenu_SaveConfigClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Can't save Configuration!");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
  // Cancel writes nothing.
  dialogs.answerFile(std::nullopt);
  w.SMenu_SaveConfigClick();
  EXPECT_EQ(dialogs.messages().size(), 1u);
}

TEST_F(ConfigFiles, LoadConfigurationReplacesThePagesAndStopsOnCancel) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  // A configuration with the example open.
  ASSERT_TRUE(w.OpenSourceFile(source));
  const std::string saved = dir.filePath("example.cfg").toStdString();
  dialogs.answerFile(saved);
  w.SMenu_SaveConfigClick();
  w.SMenu_CloseAllClick();
  ASSERT_EQ(prog.EditorPages()->PageCount(), 0);

  // A modified page: Cancel at the question keeps it and loads nothing.
  w.SMenu_NewClick();
  ASSERT_EQ(prog.EditorPages()->PageCount(), 1);
  prog.Editor()->CurrentEdit()->insertPlainText("; new text\n");
  ASSERT_TRUE(prog.EditorPages()->PageModified(1));
  const std::string page = prog.EditorPages()->PagePath(1);
  dialogs.answerFile(saved);
  dialogs.answer(MsgResult::Cancel);
  w.SMenu_LoadConfigClick();
  EXPECT_EQ(prog.EditorPages()->PageCount(), 1);
  EXPECT_EQ(prog.EditorPages()->PagePath(1), page);

  // Loaded: the page goes, the example comes back as the main file.
  dialogs.answerFile(saved);
  dialogs.answer(MsgResult::No);
  w.SMenu_LoadConfigClick();
  ASSERT_EQ(prog.EditorPages()->PageCount(), 1);
  EXPECT_EQ(prog.EditorPages()->PagePath(1), source);
  EXPECT_EQ(Shell().MainFileName, source);
  EXPECT_EQ(w.StatusText(), " main: " + source);
}

}  // namespace
}  // namespace kyvor
