// The main window's side of a build: the message pump during a build, the
// CPU model adapter (checksum, EEPROM access sites), the chip loader's pod
// chip id query and the sleeping-chip hand-over to a run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "base/dialogs.h"
#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/infoblock.h"
#include "engine/ky_up.h"
#include "shell/mainwin/build_link.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"

namespace kyvor {
namespace {

class BuildRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
  }
  void TearDown() override {
    ResetChipConfig();
    ResetModes();
  }
  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
};

TEST_F(BuildRoad, LineStepsLetTheMessageLoopRunOnlyEveryFewMilliseconds) {
  TKYMAIN w;
  TShellAsmHost host(w);
  // A burst of lines within the interval: no pumping at all.
  for (int i = 0; i < 10000; ++i) host.lineStep();
  EXPECT_EQ(host.Pumps(), 0);
  clock.advance(std::chrono::milliseconds(TShellAsmHost::kPumpIntervalMs - 1));
  host.lineStep();
  EXPECT_EQ(host.Pumps(), 0);
  clock.advance(std::chrono::milliseconds(1));
  host.lineStep();
  EXPECT_EQ(host.Pumps(), 1);
  for (int i = 0; i < 1000; ++i) host.lineStep();
  EXPECT_EQ(host.Pumps(), 1) << "the interval starts again at the last pump";
  // Slow lines: one pump per interval.
  for (int i = 0; i < 5; ++i) {
    clock.advance(std::chrono::milliseconds(TShellAsmHost::kPumpIntervalMs));
    host.lineStep();
    host.lineStep();
  }
  EXPECT_EQ(host.Pumps(), 6);
}

TEST_F(BuildRoad, EepromSitesAreKeptForDebugEntryNotPutIntoTheBreakpointTable) {
  TKy_UP up;
  TEepromSites sites;
  TShellAsmTarget target(up, sites);
  target.setCodeChecksum(0x1234);
  target.setBlockCrc(0xBEEF);
  target.setEepromSites({0x10, 0x20, 0x30}, {0, 1, 0}, {5, 7, 9}, 3);
  EXPECT_EQ(target.Target().CodeChecksum(), 0x1234);
  EXPECT_EQ(target.Target().BlockCrc(), 0xBEEF);
  EXPECT_EQ(sites.Count, 3);
  ASSERT_EQ(sites.Addresses.size(), 3u);
  EXPECT_EQ(up.BreakpointCount(), 0) << "nothing lands in the table during the build";
}

TEST_F(BuildRoad, EepromSitesBecomeBreakpointsOnlyForTheEepromPodChip) {
  TKy_UP up;
  TEepromSites sites;
  sites.Addresses = {0x10, 0x20};
  sites.Files = {0, 2};
  sites.Lines = {5, 7};
  sites.Count = 2;

  // No built-in EEPROM emulation: the count is known, no records.
  up.Settings.PodChipId = 0x8024;
  EXPECT_FALSE(ApplyEepromSites(up, sites));
  EXPECT_EQ(up.Settings.EepromBreakCount, 2);
  EXPECT_EQ(up.BreakpointCount(), 0);

  // Emulation on, but another pod chip.
  Chip().SelfEromMode = 1;
  Chip().SelfEromStatusAddress = 0x82;
  up.Settings.PodChipId = 0x8023;
  EXPECT_FALSE(ApplyEepromSites(up, sites));
  EXPECT_EQ(up.BreakpointCount(), 0);

  up.Settings.PodChipId = 0x8024;
  up.WriteRegisterThrough(0x82, 0);
  EXPECT_TRUE(ApplyEepromSites(up, sites));
  ASSERT_EQ(up.BreakpointCount(), 2);
  const TBreakpointRecord a = up.BreakpointRecordAt(1);
  EXPECT_EQ(a.Kind, 0);
  EXPECT_EQ(a.Address, 0x10);
  EXPECT_EQ(a.Page, 1) << "file index + 1";
  EXPECT_EQ(a.Line, 5);
  const TBreakpointRecord b = up.BreakpointRecordAt(2);
  EXPECT_EQ(b.Address, 0x20);
  EXPECT_EQ(b.Page, 3);
  EXPECT_EQ(b.Line, 7);
  EXPECT_EQ(up.ReadRegister(0x82), 8) << "EEPROM status register";
}

TEST_F(BuildRoad, EepromSiteCountBeyondTheRecordedSitesIsCut) {
  TKy_UP up;
  Chip().SelfEromMode = 1;
  up.Settings.PodChipId = 0x8024;
  TEepromSites sites;
  for (int i = 0; i < 11; ++i) {
    sites.Addresses.push_back(0x40 + 2 * i);
    sites.Files.push_back(0);
    sites.Lines.push_back(i + 1);
  }
  sites.Count = 14;  // the assembler records at most 11 sites but counts on
  EXPECT_TRUE(ApplyEepromSites(up, sites));
  EXPECT_EQ(up.Settings.EepromBreakCount, 11) << "only the recorded sites count";
  // The CPU model holds site records in slots 1..10 only (hence the warning
  // at debug entry for more than 10 sites).
  EXPECT_EQ(up.BreakpointCount(), 10);
  EXPECT_EQ(up.BreakpointRecordAt(10).Address, 0x40 + 18);
  EXPECT_EQ(up.BreakpointRecordAt(10).Line, 10);
}

TEST_F(BuildRoad, ChipLoaderGetsThePodChipIdOfTheCpuModel) {
  TKy_UP up;
  {
    TKYMAIN w;
    EXPECT_EQ(ChipLoadListener().podChipId(), 0) << "no CPU model attached yet";
    TKyForms forms;
    forms.up = &up;
    w.AttachForms(forms);
    up.Settings.PodChipId = 0x8024;
    EXPECT_EQ(ChipLoadListener().podChipId(), 0x8024);
    up.Settings.PodChipId = 0x8011;
    EXPECT_EQ(ChipLoadListener().podChipId(), 0x8011);
  }
  EXPECT_EQ(ChipLoadListener().podChipId(), 0) << "a closed main window is no longer asked";
}

class BuildRoadSession : public BuildRoad {
 protected:
  void SetUp() override {
    BuildRoad::SetUp();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
  }
  QTemporaryDir dir;
  std::string source;
};

TEST_F(BuildRoadSession, ChecksumCaptionAndStateComeFromTheBuild) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(source));
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1) << (w.Forms().err()->Count() ? w.Forms().err()->TextAt(0) : "");
  EXPECT_EQ(w.CheckSumText(), CheckSumCaption(Shell().CodeChecksum));
  EXPECT_EQ(w.CheckSumText().size(), 17u);
  EXPECT_NE(Shell().CodeChecksum, 0) << "the program has code";
  // The example has no EEPROM accesses and no breakpoints are left over.
  EXPECT_EQ(w.EepromSites().Count, 0);
  EXPECT_EQ(prog.Up().BreakpointCount(), 0);
  EXPECT_EQ(prog.Up().Settings.EepromBreakCount, 0);
}

TEST_F(BuildRoadSession, SleepingChipStopsTheAnimationAndRuns) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(source));
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1);
  ASSERT_TRUE(prog.Up().Hooks.SleepingChip) << "installed at debug entry";
  QTimer* animation = w.findChild<QTimer*>("Timer2");
  ASSERT_NE(animation, nullptr);
  w.SMenu_TraceContinueClick();
  ASSERT_TRUE(animation->isActive());
  ASSERT_FALSE(w.Action(TMenuItem::SMenu_Run)->isEnabled())
      << "the animation holds the run controls";

  prog.Up().Hooks.SleepingChip();
  EXPECT_FALSE(animation->isActive());
  EXPECT_TRUE(w.RunTimerActive());
  EXPECT_EQ(Modes().TargetRunning, 1);
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_Stop)->isEnabled());
  w.SMenu_StopClick();
  EXPECT_FALSE(w.RunTimerActive());
  EXPECT_EQ(Modes().TargetRunning, 0);
}


TEST_F(BuildRoadSession, DebugEntryAddsTheEepromSitesAndWarnsBeyondTen) {
  // QR08A3 emulates its EEPROM through register 5AH.
  QFile f(dir.filePath("eeprom.asm"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("        ORG     0\n");
  for (int i = 0; i < 12; ++i) f.write("        CLRF    5AH\n");
  f.write("        END\n");
  f.close();
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  Chip().ChipIndex = 4;
  prog.Up().Settings.PodChipId = 0x8024;
  ASSERT_TRUE(w.OpenSourceFile(dir.filePath("eeprom.asm").toStdString()));
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1) << (w.Forms().err()->Count() ? w.Forms().err()->TextAt(0) : "");
  ASSERT_EQ(Chip().SelfEromMode, 2);
  EXPECT_EQ(w.EepromSites().Count, 12);
  EXPECT_EQ(prog.Up().Settings.EepromBreakCount, 11);
  ASSERT_EQ(prog.Up().BreakpointCount(), 10) << "site records survive the cleared table";
  EXPECT_EQ(prog.Up().BreakpointRecordAt(1).Kind, 0);
  EXPECT_EQ(prog.Up().BreakpointRecordAt(1).Address, 0);
  EXPECT_EQ(prog.Up().BreakpointRecordAt(1).Line, 2);
  EXPECT_EQ(prog.Up().BreakpointRecordAt(1).Page, 1);
  EXPECT_EQ(prog.Up().ReadRegister(Chip().SelfEromStatusAddress), 8);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, kEepromSitesWarning);
}

TEST_F(BuildRoadSession, WithoutTheEepromPodChipNoSiteBecomesABreakpoint) {
  QFile f(dir.filePath("eeprom.asm"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("        ORG     0\n        CLRF    5AH\n        END\n");
  f.close();
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  Chip().ChipIndex = 4;
  ASSERT_TRUE(w.OpenSourceFile(dir.filePath("eeprom.asm").toStdString()));
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1) << (w.Forms().err()->Count() ? w.Forms().err()->TextAt(0) : "");
  EXPECT_EQ(w.EepromSites().Count, 1);
  EXPECT_EQ(prog.Up().BreakpointCount(), 0);
  EXPECT_TRUE(dialogs.messages().empty());
}


// In the programmer layout the image of the last build becomes the
// programmer's file, but only when the build succeeded.
TEST_F(BuildRoadSession, OnlyASuccessfulBuildNamesTheProgrammerFile) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  Options().PProg = 1;
  QFile bad(dir.filePath("bad.asm"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("        ORG 0\r\n        FOO 1\r\n        END\r\n");
  bad.close();
  Shell().LastProgrammerFile = "/kept/before.hex";
  ASSERT_TRUE(w.OpenSourceFile(dir.filePath("bad.asm").toStdString()));
  w.SMenu_AssembleClick();
  EXPECT_EQ(Shell().LastProgrammerFile, "/kept/before.hex");
  w.SMenu_CloseAllClick();
  ASSERT_TRUE(w.OpenSourceFile(source));
  w.SMenu_AssembleClick();
  EXPECT_EQ(Shell().LastProgrammerFile, dir.filePath("blink.hex").toStdString());
  EXPECT_EQ(w.StatusText(), Shell().LastProgrammerFile);
}

// After a failed build no image of an earlier build is left for the
// programmer or the user to take, and no checksum is shown, in either layout.
TEST_F(BuildRoadSession, AFailedBuildLeavesNoImageAndShowsNoChecksum) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  Options().OutAsciiFile = 1;
  ASSERT_TRUE(w.OpenSourceFile(source));
  const QString image = dir.filePath("blink.hex"), ascii = dir.filePath("blink.asc");
  w.SMenu_AssembleClick();
  ASSERT_TRUE(QFile::exists(image));
  ASSERT_TRUE(QFile::exists(ascii));
  ASSERT_EQ(w.CheckSumText(), CheckSumCaption(Shell().CodeChecksum));

  QFile file(QString::fromStdString(source));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  file.close();
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("        FOO\r\n" + good);
  file.close();
  w.SMenu_AssembleClick();
  ASSERT_TRUE(QFile::exists(dir.filePath("blink.err")));
  EXPECT_FALSE(QFile::exists(image));
  EXPECT_FALSE(QFile::exists(ascii));
  EXPECT_EQ(w.CheckSumText(), "");
  Options().PProg = 1;
  w.FormActivate();
  EXPECT_EQ(w.CheckSumText(), "") << "the programmer-only layout shows none either";

  // The next good build shows its checksum again.
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(good);
  file.close();
  w.SMenu_AssembleClick();
  EXPECT_TRUE(QFile::exists(image));
  EXPECT_EQ(w.CheckSumText(), CheckSumCaption(Shell().CodeChecksum));
  w.FormActivate();
  EXPECT_EQ(w.CheckSumText(), CheckSumCaption(Shell().CodeChecksum));
}

TEST_F(BuildRoadSession, TheBuildTakesTheOptionsRecord) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(source));
  const QString listing = dir.filePath("blink.lst"), image = dir.filePath("blink.hex");
  Options().OutListFile = 0;
  w.SMenu_AssembleClick();
  EXPECT_FALSE(QFile::exists(listing)) << "listing switched off";
  EXPECT_TRUE(QFile::exists(image));
  QFile::remove(image);
  Options().OutListFile = 1;
  Options().OutBinaryFile = 0;
  w.SMenu_AssembleClick();
  EXPECT_TRUE(QFile::exists(listing));
  EXPECT_FALSE(QFile::exists(image)) << "image switched off";
}

// The information block of a build: the template of the program folder, the
// start-up words and the build's words, all in the CPU model's block and in
// the image file.
TEST_F(BuildRoadSession, TheBlockTakesTheTemplateOfTheProgramFolder) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(source));
  GetSELUP();
  const bool shortLayout = Chip().DeviceKind3 == 1;
  QTemporaryDir folder;
  Shell().ProgramFolder = folder.path().toStdString() + "/";
  QFile t(folder.filePath(shortLayout ? "InformationI.ifo" : "Information_R71.ifo"));
  ASSERT_TRUE(t.open(QIODevice::WriteOnly));
  const int skip = int(shortLayout ? Chip().SbmBankSize : Chip().SbmBankSize / 2);
  for (int k = 0; k < skip + 800; ++k) {
    const char word[2] = {char(0x40 + (k >> 8)), char(k & 0xFF)};
    t.write(word, 2);
  }
  t.close();
  w.SMenu_AssembleClick();
  const TInfoBlock& info = prog.Up().Info;
  const auto layout = info.Layout(Chip());
  EXPECT_EQ(layout[5], 0x4000 + skip + 5);
  EXPECT_EQ(layout[100], 0x4000 + skip + 100);
  const int checksumWord = shortLayout ? infoword::CodeChecksum : infoaltword::CodeChecksum;
  EXPECT_EQ(layout[checksumWord], Shell().CodeChecksum);
  QFile image(dir.filePath("blink.hex"));
  ASSERT_TRUE(image.open(QIODevice::ReadOnly));
  const QByteArray bytes = image.readAll();
  const int at = int(Chip().ChipRomWords) * 2 + 2 * 100;
  ASSERT_GT(bytes.size(), at + 1);
  EXPECT_EQ((uint8_t(bytes[at]) << 8) | uint8_t(bytes[at + 1]), layout[100]);
}

}  // namespace
}  // namespace kyvor
