// The programmer-only layout as the program starts and builds: started from
// a configuration that chose it, the pod is opened, the display says
// "Kyvor-IDE Program Mode" and the pod is given back to the programmer; F4
// erases the writer, sends the calibration block and the built image and
// shows the program in the dump grid; Assemble alone downloads nothing; the
// failures and the parallel port's lines.
#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

#include "base/outputfile.h"
#include "shell/programmer/programmer_commands.h"
#include "support/golden_files.h"
#include "support/programmer_session.h"

namespace kyvor::test {
namespace {

using Lines = std::vector<std::string>;

class ProgrammerLayout : public ProgrammerSession {
 protected:
  std::vector<uint16_t> fileWords(const std::string& path, size_t n) {
    const std::string b = ReadFileBytes(path);
    std::vector<uint16_t> w;
    for (size_t i = 0; i < n && 2 * i + 1 < b.size(); ++i)
      w.push_back(uint16_t(uint8_t(b[2 * i]) << 8 | uint8_t(b[2 * i + 1])));
    return w;
  }
  // The first 16 words of an image file as the dump grid shows them.
  std::string firstRow(const std::string& path) {
    std::string s;
    for (uint16_t w : fileWords(path, 16)) {
      char b[8];
      std::snprintf(b, sizeof b, "%s%04X", s.empty() ? "" : " ", w);
      s += b;
    }
    return s;
  }
  int count(const std::string& prefix) {
    int n = 0;
    for (const std::string& p : packets()) n += p.rfind(prefix, 0) == 0;
    return n;
  }
};

TEST_F(ProgrammerLayout, StartedFromItsConfigurationThePodIsOpenedAndGivenBackToTheProgrammer) {
  Shell().LastProgrammerFile = writeImage("last.hex", imageWords(), imageHeader());
  Shell().CodeChecksum = 0xC0DE;
  main().close();
  const std::string cfg = ReadFileBytes(ScratchConfigFolder() + "Kymain.cfg");
  prog.reset();
  ThePod().PodLinkClose();
  ResetProgramState();
  WriteFileBytes(ScratchConfigFolder() + "Kymain.cfg", cfg);
  writer().Locked = true;
  pod.ClearLog();

  prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog->Start({}));
  EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messageTexts().front();
  EXPECT_EQ(Modes().PodState, 0) << "the pod was opened";
  EXPECT_EQ(Modes().IceInterfaceIndex, 4);
  EXPECT_EQ(writer().DisplayLine(0) + writer().DisplayLine(1),
            DisplayText("Kyvor-IDE Program Mode"));
  EXPECT_FALSE(writer().Locked) << "given back to the programmer";
  const Lines p = packets();
  EXPECT_EQ(p.front(), "F9 02 00 00") << "the search";
  EXPECT_EQ(count("BB 00 00 01"), 1) << "the display cleared";
  EXPECT_EQ(count("F9 0C 00"), 1);
  // The layout of the programmer.
  EXPECT_EQ(Options().PProg, 1);
  EXPECT_TRUE(main().findChild<QToolBar*>("ProgramPanel")->isVisible());
  EXPECT_FALSE(main().findChild<QToolBar*>("RunPanel")->isVisible());
  EXPECT_FALSE(main().Action(TMenuItem::Menu_Run)->isEnabled());
  EXPECT_TRUE(main().Button(TToolButton::Tk_Program)->isEnabled());
  EXPECT_EQ(main().StatusText(), Shell().LastProgrammerFile);
  EXPECT_EQ(main().CheckSumText(), "Checksum = 0xC0DE");
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(ProgrammerLayout, F4ErasesTheWriterAndSendsTheBuiltImage) {
  ASSERT_NO_FATAL_FAILURE(openProgram());
  openLink();  // as the configuration of the layout leaves it
  main().SMenu_AssembleDebugClick();
  const std::string image = OutputFileName(OutBinaryFile);
  ASSERT_FALSE(image.empty());
  EXPECT_EQ(ReadFileBytes(image).size(), words() * 2 + 512) << "the build wrote its image";
  EXPECT_EQ(writer().Erased,
            (std::vector<uint32_t>{0x0000, 0x1000, 0x3000, 0x4000, 0x7000, 0xF000}));
  EXPECT_EQ(writer().FlashWords(0, words()), fileWords(image, words()));
  EXPECT_EQ(writer().CalibrationPackets.size(), 2u) << "F9 10 00 and F9 10 01";
  EXPECT_EQ(writer().CalibrationPackets[1][2], 0x01);
  EXPECT_EQ(labelled(), (Lines{"OK|" + image + "   Download OK"}));
  EXPECT_EQ(Shell().LastProgrammerFile, image);
  EXPECT_EQ(main().StatusText(), image);
  EXPECT_EQ(dumpRow(1), firstRow(image));
  EXPECT_TRUE(main().IsViewShowing(&err()));
  EXPECT_FALSE(writer().Locked);
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(main().Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_TRUE(main().Button(TToolButton::TBtK_F10)->isEnabled());
  EXPECT_EQ(main().findChild<QLabel*>("StBusy")->maximumWidth(), 10);
  EXPECT_TRUE(pod.Violations.empty());
  // The build's information block carries the writer's calibration words.
  EXPECT_EQ(up().Info.InfoBlock[infoword::Calibration], 0x0010);
}

TEST_F(ProgrammerLayout, AssembleFillsTheDumpAndNamesTheImageWithoutADownload) {
  ASSERT_NO_FATAL_FAILURE(openProgram());
  main().SMenu_AssembleClick();
  EXPECT_TRUE(writer().Erased.empty());
  EXPECT_EQ(count("AA 02"), 0);
  EXPECT_EQ(Shell().LastProgrammerFile, OutputFileName(OutBinaryFile));
  EXPECT_EQ(dumpRow(1), firstRow(OutputFileName(OutBinaryFile)));
}

TEST_F(ProgrammerLayout, AFailedDownloadOfTheBuildSaysSo) {
  ASSERT_NO_FATAL_FAILURE(openProgram());
  writer().Faults.BusyForever = true;
  main().SMenu_AssembleDebugClick();
  EXPECT_EQ(labelled(), (Lines{"Compiller|DownLoad Flash Memory Fail  address at  FFFF,  "
                               "error data =  --- "}));
  EXPECT_EQ(writer().DisplayLine(0) + writer().DisplayLine(1),
            DisplayText("DownLoad Flash Memory Fail"));
  EXPECT_FALSE(writer().Locked);
  EXPECT_EQ(Shell().LastProgrammerFile, OutputFileName(OutBinaryFile)) << "the build succeeded";
}

TEST_F(ProgrammerLayout, OverTheParallelPortTheBuildSaysTheImageIsForTheLptProgrammer) {
  ASSERT_NO_FATAL_FAILURE(openProgram());
  Modes().IceInterfaceIndex = 1;
  main().SMenu_AssembleDebugClick();
  const std::string image = OutputFileName(OutBinaryFile);
  EXPECT_EQ(labelled(),
            (Lines{"OK|" + image + "   Compiler OK", "OK|" + image + "LPT  Programmer"}));
  EXPECT_TRUE(writer().Erased.empty());
}

TEST_F(ProgrammerLayout, NoPodAtF4SaysSoInTheListToo) {
  ASSERT_NO_FATAL_FAILURE(openProgram());
  pod.Faults.Unplugged = true;
  ThePod().PodLinkClose();
  main().SMenu_AssembleDebugClick();
  EXPECT_EQ(labelled(), (Lines{"ERROR|KyVor-IDE Connect Error , Please check !!"}));
  EXPECT_TRUE(main().IsViewShowing(&err()));
  EXPECT_EQ(dumpRow(1), firstRow(OutputFileName(OutBinaryFile)))
      << "the dump shows the build all the same";
}

// A chip whose program part reaches the writer's image header: F4 builds,
// shows the program and says why nothing went to the writer, which is left
// untouched (only the chip's variant command and the writer's identity go out).
class ProgrammerLayoutTooLarge : public ProgrammerLayout,
                                 public ::testing::WithParamInterface<const char*> {};

TEST_P(ProgrammerLayoutTooLarge, F4RefusesTheDownloadAndLeavesTheWriterAlone) {
  selectChip(GetParam());
  ASSERT_NO_FATAL_FAILURE(openProgram());
  openLink();
  main().SMenu_AssembleDebugClick();
  const std::string image = OutputFileName(OutBinaryFile);
  ASSERT_FALSE(image.empty());
  EXPECT_EQ(labelled(), (Lines{"ERROR|Chip ROM too large for the Programmer !!",
                               "Fail|" + image + "   Download Fail !!!"}));
  for (const std::string& p : packets()) EXPECT_TRUE(p == "F9 09" || p == "B0 13") << p;
  EXPECT_TRUE(writer().Erased.empty());
  EXPECT_EQ(writer().FlashWords(0, 4), std::vector<uint16_t>(4, 0xFFFF));
  EXPECT_FALSE(writer().Locked);
  EXPECT_EQ(dumpRow(1), firstRow(image)) << "the dump shows the build all the same";
  EXPECT_TRUE(main().IsViewShowing(&err()));
  EXPECT_TRUE(main().Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_TRUE(pod.Violations.empty());
}

// KY08A16: 16,384 words below the long header at 0x4000; QR08A3: 32,768
// words below the short header at 0x8000 and the record at 0xFF00.
INSTANTIATE_TEST_SUITE_P(ChipsBeyondTheHeader, ProgrammerLayoutTooLarge,
                         ::testing::Values("KY08A16", "QR08A3"));

TEST_F(ProgrammerLayout, F4DownloadsEveryChipThatFitsBelowTheHeader) {
  for (const char* name : {"QN08A2", "QN08A4", "QR08A1", "QR08B1"}) {
    selectChip(name);
    ASSERT_NO_FATAL_FAILURE(openProgram());
    err().ClearErrors();
    writer().Erased.clear();
    main().SMenu_AssembleDebugClick();
    const std::string image = OutputFileName(OutBinaryFile);
    EXPECT_EQ(labelled(), (Lines{"OK|" + image + "   Download OK"})) << name;
    EXPECT_EQ(writer().FlashWords(0, words()), fileWords(image, words())) << name;
    EXPECT_EQ(writer().Erased.size(), 6u) << name;
  }
}

}  // namespace
}  // namespace kyvor::test
