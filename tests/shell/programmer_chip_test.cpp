// Blank, Program, Verify and Auto of the programmer-only layout against the
// virtual pod's writer and its target chip: each command's packets and
// result lines on success, and for each kind of failure (the pod unplugged
// or lost during a command, a refused lock, the chip's or the image's id, VPP,
// VDD, a failing word, a protected chip, a chip that is not blank, a writer
// that stays busy); the image handed to the writer when its checksum differs.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QToolButton>

#include "support/programmer_session.h"

namespace kyvor::test {
namespace {

using Lines = std::vector<std::string>;

class ProgrammerChip : public ProgrammerSession {
 protected:
  // The writer holds the image and the program knows it (the checksum it read last).
  void imageInWriter(uint16_t protect = 0xFFFE) {
    putImageInWriter(imageWords(), imageHeader(0xC0DE, protect));
    up().Info.InfoReadback[infoword::CodeChecksum] = 0xC0DE;
    Shell().CodeChecksum = 0xC0DE;
  }
  // The chip as Program leaves it.
  void programmedChip(uint16_t protect = 0xFFFE) {
    const auto program = imageWords();
    std::copy(program.begin(), program.end(), writer().Chip.Program.begin());
    const auto header = imageHeader(0xC0DE, protect);
    std::copy(header.begin(), header.begin() + 128, writer().Chip.Info.begin());
  }
  int busyWidth() { return main().findChild<QLabel*>("StBusy")->maximumWidth(); }
  // The packets from the pod's log that begin with `prefix`.
  int count(const std::string& prefix) {
    int n = 0;
    for (const std::string& p : packets()) n += p.rfind(prefix, 0) == 0;
    return n;
  }
  void expectFrameRestored() {
    EXPECT_EQ(busyWidth(), 10);
    EXPECT_FALSE(up().GaugeVisible());
    EXPECT_TRUE(main().Button(TToolButton::Tk_Program)->isEnabled());
    EXPECT_TRUE(main().Action(TMenuItem::SMenu_Blank)->isEnabled());
    EXPECT_FALSE(main().ProgrammerBusy());
    EXPECT_TRUE(pod.Violations.empty());
  }
};

// The chip reloaded (its variant command, the writer's identity for its
// calibration), then the pod opened and taken.
const Lines kOpen = {"B0 13", "F9 09", "F9 AC", "F9 0C 01"};
const Lines kIdentity = {"B4 00 80 FE 00 00 01", "AA 03 00 FF E0 00 00 06", "AB"};
const Lines kDetails = {"B8 10", "AA 03 00 FF E0 00 00 06", "AB"};

Lines Join(std::initializer_list<Lines> parts) {
  Lines v;
  for (const Lines& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

TEST_F(ProgrammerChip, BlankChecksTheChipAndItsSbmArea) {
  imageInWriter();
  openLink();
  main().SMenu_BlankClick();
  EXPECT_EQ(packets(), Join({kOpen, kIdentity, {"B8 02", "B8 10", "B8 03", "B8 10", "F9 0C 00"}}));
  EXPECT_EQ(labelled(), (Lines{"Blank|Chip Blank OK", "Blank|SBM Blank OK"}));
  EXPECT_FALSE(writer().Locked) << "the pod is given back";
  expectFrameRestored();
}

TEST_F(ProgrammerChip, BlankOfAChipWithCodeSaysWhereAndStops) {
  imageInWriter();
  writer().Chip.Program[0x21] = 0x1234;
  openLink();
  main().SMenu_BlankClick();
  EXPECT_EQ(packets(), Join({kOpen, kIdentity, {"B8 02", "B8 10"}, kDetails, {"F9 0C 00"}}));
  EXPECT_EQ(lines(), (Lines{"Chip Blank Fail", "Error at 0x0021H"}));
  // A chip whose status word is not blank fails before any operation.
  programmedChip();
  err().ClearErrors();
  pod.ClearLog();
  main().SMenu_BlankClick();
  EXPECT_EQ(labelled(), (Lines{"Blank|Chip Blank Fail"}));
  EXPECT_EQ(count("B8"), 0);
  expectFrameRestored();
}

TEST_F(ProgrammerChip, ProgramProgramsVerifiesAndProtects) {
  imageInWriter();
  openLink();
  const auto t0 = clock.now();
  main().SMenu_ProgramClick();
  EXPECT_EQ(packets(), Join({kOpen,
                             {"F9 09"},
                             kIdentity,
                             {"B8 00", "B8 10", "B8 01", "B8 10", "B8 04", "B8 10", "B8 05",
                              "B8 10", "B8 06", "B8 10", "F9 09", "F9 0C 00"}}));
  EXPECT_EQ(labelled(), (Lines{"Program|Program Chip OK", "Program|Program SBM OK",
                               "Program|Verify Chip OK", "Program|Verify SBM OK"}));
  EXPECT_EQ(writer().Operations, (std::vector<int>{0, 1, 4, 5, 6}));
  EXPECT_EQ(
      std::vector<uint16_t>(writer().Chip.Program.begin(), writer().Chip.Program.begin() + words()),
      imageWords());
  EXPECT_EQ(writer().Chip.Info[infoword::CodeChecksum], 0xC0DE);
  EXPECT_EQ(writer().Chip.ProtectWord(), 0xFFFE);
  // Five operations of 3 s each and the waits between them (1 s, 1 s, 0.5 s, 0.5 s).
  EXPECT_GE(ElapsedMs(t0), 5 * 3000 + 3000);
  EXPECT_GT(clock.pumpCount(), 100) << "the window's messages run while it waits";
  expectFrameRestored();
}

TEST_F(ProgrammerChip, ProgramThenReadGivesBackTheImageAndItsChecksum) {
  imageInWriter();
  main().SMenu_ProgramClick();
  ASSERT_EQ(lines().back(), "Verify SBM OK");
  main().SMenu_ReadClick();
  EXPECT_EQ(lines(), (Lines{"OTP Chip is QR08B2", "Read Checksum = 0xC0DE"}));
  const auto image = imageWords();
  for (int row : {1, 2, 200, 256}) {
    std::string want;
    for (int c = 0; c < 16; ++c) {
      char b[8];
      std::snprintf(b, sizeof b, "%s%04X", c ? " " : "", image[size_t((row - 1) * 16 + c)]);
      want += b;
    }
    EXPECT_EQ(dumpRow(row), want) << row;
  }
  // The SBM rows after the program: the header words 0..63.
  EXPECT_EQ(dumpRow(257).substr(0, 14), "4400 4401 4402");
  EXPECT_EQ(dumpRow(260).substr(0, 4), "4430");
  EXPECT_TRUE(hex().DumpGridShown());
  EXPECT_TRUE(main().IsViewShowing(&hex()));
}

TEST_F(ProgrammerChip, ProgramHandsTheImageOverWhenTheWritersChecksumDiffers) {
  // The writer holds another image; the last build's image goes in first.
  auto old = imageWords();
  for (auto& w : old) w = uint16_t(w ^ 0x00F0);
  putImageInWriter(old, imageHeader(0x1111));
  Shell().CodeChecksum = 0xC0DE;
  Shell().LastProgrammerFile = writeImage("build.hex", imageWords(), imageHeader(0xC0DE));
  main().SMenu_ProgramClick();
  EXPECT_EQ(writer().Erased, (std::vector<uint32_t>{0x0000, 0x1000, 0x3000, 0x7000, 0xF000}))
      << "the image memory is erased: a write only clears bits";
  EXPECT_EQ(writer().FlashWords(0, words()), imageWords());
  EXPECT_EQ(labelled(), (Lines{"Program|Program Chip OK", "Program|Program SBM OK",
                               "Program|Verify Chip OK", "Program|Verify SBM OK"}));
  EXPECT_EQ(
      std::vector<uint16_t>(writer().Chip.Program.begin(), writer().Chip.Program.begin() + words()),
      imageWords());
  // Now the checksums agree: no second hand-over.
  writer().Erased.clear();
  writer().Chip = TVirtualChip();
  writer().Chip.Id = Chip().ChipId;
  main().SMenu_ProgramClick();
  EXPECT_TRUE(writer().Erased.empty());
}

TEST_F(ProgrammerChip, AHandOverWithoutItsFileOrWhoseDownloadFailsStops) {
  putImageInWriter(imageWords(), imageHeader(0x1111));
  Shell().CodeChecksum = 0xC0DE;
  Shell().LastProgrammerFile = dir.filePath("gone.hex").toStdString();
  main().SMenu_ProgramClick();
  EXPECT_EQ(labelled(), (Lines{"ERROR|Programmer File not Found !!"}));
  EXPECT_TRUE(writer().Operations.empty());
  // A writer that stays busy: the erase gives up after its 5 s wait.
  Shell().LastProgrammerFile = writeImage("build.hex", imageWords(), imageHeader(0xC0DE));
  writer().Faults.BusyForever = true;
  main().SMenu_ProgramClick();
  EXPECT_EQ(labelled(), (Lines{"Fail|" + Shell().LastProgrammerFile + "   DownLoad Fail !!!"}));
  EXPECT_TRUE(writer().Operations.empty());
  expectFrameRestored();
}

TEST_F(ProgrammerChip, VppAndVddFailuresAreNamed) {
  imageInWriter();
  writer().Faults.Vpp = true;
  main().SMenu_ProgramClick();
  EXPECT_EQ(lines(), (Lines{"Program Chip Fail", "VPP Error"}));
  EXPECT_EQ(writer().Operations, (std::vector<int>{0}));
  writer().Faults.Vpp = false;
  writer().Faults.Vdd = true;
  main().SMenu_ProgramClick();
  EXPECT_EQ(lines(), (Lines{"Program Chip Fail", "VDD Error"}));
  expectFrameRestored();
}

TEST_F(ProgrammerChip, AFailingWordIsGivenByItsAddress) {
  imageInWriter();
  writer().Faults.ErrorAddress = 0x0123;
  openLink();
  main().SMenu_ProgramClick();
  EXPECT_EQ(packets(),
            Join({kOpen, {"F9 09"}, kIdentity, {"B8 00", "B8 10"}, kDetails, {"F9 0C 00"}}));
  EXPECT_EQ(lines(), (Lines{"Program Chip Fail", "Error at 0x0123H"}));
}

TEST_F(ProgrammerChip, AChipOfAnotherIdOrAnImageOfAnotherChipStops) {
  imageInWriter();
  writer().Chip.Id = 0x0A01;
  main().SMenu_ProgramClick();
  EXPECT_EQ(labelled(), (Lines{"Program|Chip ID Error!!  Program Chip ID = 0x0A01"}));
  writer().Chip.Id = Chip().ChipId;
  writer().Flash[0xFFE4] = 0x0A;
  writer().Flash[0xFFE5] = 0x16;
  main().SMenu_VerifyClick();
  EXPECT_EQ(labelled(), (Lines{"Verify|Flash ID Different with Chip ID!!  Chip ID = 0x0B02;  "
                               "Flash ID = 0x0A16"}));
  main().SMenu_AutoClick();
  EXPECT_EQ(labelled(), (Lines{"Auto|Flash ID Different with Chip ID!!  Chip ID = 0x0B02;  "
                               "Flash ID = 0x0A16"}));
  EXPECT_EQ(writer().Operations, (std::vector<int>{4, 2})) << "Verify and Auto operate first";
  expectFrameRestored();
}

TEST_F(ProgrammerChip, VerifyOfAProgrammedChipAndOfABlankOne) {
  imageInWriter();
  programmedChip();
  openLink();
  main().SMenu_VerifyClick();
  EXPECT_EQ(packets(),
            Join({kOpen, {"B8 04", "B8 10"}, kIdentity, {"B8 05", "B8 10", "F9 0C 00"}}));
  EXPECT_EQ(labelled(), (Lines{"Verify|Verify Chip OK", "Verify|Verify SBM OK"}));
  writer().Chip = TVirtualChip();
  writer().Chip.Id = Chip().ChipId;
  main().SMenu_VerifyClick();
  EXPECT_EQ(lines(), (Lines{"Verify Chip Fail", "Error at 0x0000H"}));
}

TEST_F(ProgrammerChip, VerifyOfAProtectedChipSaysSoAfterItsOperation) {
  imageInWriter(0xF7FE);
  programmedChip(0xF7FE);
  openLink();
  main().SMenu_VerifyClick();
  EXPECT_EQ(packets(), Join({kOpen, {"B8 04", "B8 10"}, kIdentity, {"F9 0C 00"}}));
  EXPECT_EQ(labelled(), (Lines{"Verify|Chip Had been Protect!!"}));
  // Programming a protected chip fails at its first word.
  main().SMenu_ProgramClick();
  EXPECT_EQ(lines(), (Lines{"Program Chip Fail", "Error at 0x0000H"}));
}

TEST_F(ProgrammerChip, AutoReadsTheWritersAreaThenBlanksProgramsVerifiesAndProtects) {
  imageInWriter();
  up().Info.InfoReadback[infoword::CodeChecksum] = 0;  // Auto reads it itself
  openLink();
  main().SMenu_AutoClick();
  const Lines area = {"AA 03 00 80 00 00 01 00", "AB", "AB", "AB", "AB"};
  EXPECT_EQ(packets(),
            Join({kOpen,
                  area,
                  {"B8 02", "B8 10"},
                  kIdentity,
                  {"B8 03", "B8 10", "F9 09", "B8 00", "B8 10", "B8 01", "B8 10", "B8 04", "B8 10",
                   "B8 05", "B8 10", "B8 06", "B8 10", "F9 09", "F9 0C 00"}}));
  EXPECT_EQ(lines(), (Lines{"Chip Blank OK", "SBM Blank OK", "Program Chip OK", "Program SBM OK",
                            "Verify Chip OK", "Verify SBM OK"}));
  EXPECT_EQ(err().LabelAt(0), "Auto");
  EXPECT_EQ(writer().Chip.ProtectWord(), 0xFFFE);
  // A second Auto: the chip is no longer blank.
  main().SMenu_AutoClick();
  EXPECT_EQ(lines(), (Lines{"Chip Blank Fail", "Error at 0x0000H"}));
}

TEST_F(ProgrammerChip, AutoStopsWhenTheWritersAreaCannotBeRead) {
  imageInWriter();
  openLink();
  pod.Faults.SilentFromPacket = pod.HostPacketCount() + 5;  // the area's read
  main().SMenu_AutoClick();
  EXPECT_EQ(labelled(), (Lines{"ERROR|Programmer Not Ready !!"}));
  EXPECT_TRUE(writer().Operations.empty());
  EXPECT_EQ(Modes().PodState, 255);
  expectFrameRestored();
}

TEST_F(ProgrammerChip, NoPodEndsWithTheConnectErrorAndNothingIsGivenBack) {
  pod.Faults.Unplugged = true;
  main().SMenu_ProgramClick();
  const std::string connect = "KyVor-IDE Connect Error , Please check !!";
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text.rfind(connect, 0), 0u);
  EXPECT_EQ(labelled(), (Lines{"ERROR|" + connect}));
  EXPECT_TRUE(packets().empty());
  expectFrameRestored();
}

TEST_F(ProgrammerChip, APodLostDuringAnOperationEndsTheCommandWithTheConnectError) {
  imageInWriter();
  openLink();
  pod.Faults.SilentFromPacket = pod.HostPacketCount() + 10;  // the first status read
  main().SMenu_ProgramClick();
  EXPECT_EQ(labelled(), (Lines{"Program|Program Chip Fail",
                               "ERROR|KyVor-IDE Connect Error , Please check !!"}));
  EXPECT_EQ(Modes().PodState, 255);
  EXPECT_EQ(ThePod().PodLink.IsOpen, 0);
  EXPECT_EQ(writer().Operations, (std::vector<int>{0}));
  expectFrameRestored();
}

// The connection panel follows what the commands see of the pod: red after a
// loss, connected again once a command has reached the pod.
TEST_F(ProgrammerChip, ACommandThatReachesThePodShowsItConnectedAgain) {
  imageInWriter();
  auto red = [this] {
    const QLabel* panel = main().findChild<QLabel*>("PConnect");
    return panel->palette().color(QPalette::Window) == QColor(Qt::red);
  };
  pod.Faults.Unplugged = true;
  ThePod().PodLinkClose();
  main().PConnectClick();
  ASSERT_EQ(main().ConnectText(), "ICE not Connect");
  ASSERT_TRUE(red());
  pod.Faults.Unplugged = false;
  dialogs.clear();
  main().SMenu_BlankClick();
  EXPECT_EQ(labelled(), (Lines{"Blank|Chip Blank OK", "Blank|SBM Blank OK"}));
  EXPECT_EQ(main().ConnectText(), "Body on board");
  EXPECT_FALSE(red());
  // A pod lost during a command turns it red again.
  pod.Faults.SilentFromPacket = pod.HostPacketCount() + 10;
  main().SMenu_ProgramClick();
  EXPECT_EQ(main().ConnectText(), "ICE not Connect");
  EXPECT_TRUE(red());
  // A command that reads no chip shows the link.
  pod.Faults.SilentFromPacket = 0;
  dialogs.clear();
  dialogs.answer(MsgResult::No);
  const std::string path = writeImage("img.hex", imageWords(), imageHeader());
  dialogs.answerFile(path);
  main().SMenu_DownLoadClick();
  EXPECT_EQ(lastLine(), path + "   Download OK");
  EXPECT_EQ(main().ConnectText(), "ICE Connect");
  EXPECT_FALSE(red());
  // A chip of another id in the socket: the pod answers, the body is not on board.
  writer().Chip.Id = 0x1234;
  main().SMenu_VerifyClick();
  EXPECT_EQ(main().ConnectText(), "Body not on board");
}

// In the programmer-only layout a click on the connection panel probes the
// programmer's body again.
TEST_F(ProgrammerChip, AClickOnTheConnectionPanelProbesTheBody) {
  QLabel* panel = main().findChild<QLabel*>("PConnect");
  ASSERT_TRUE(panel->isEnabled());
  auto click = [panel] {
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, panel->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, panel->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &release);
  };
  pod.Faults.Unplugged = true;
  ThePod().PodLinkClose();
  click();
  EXPECT_EQ(main().ConnectText(), "ICE not Connect");
  EXPECT_EQ(dialogs.messages().size(), 1u) << "the connect error";
  pod.Faults.Unplugged = false;
  click();
  EXPECT_EQ(main().ConnectText(), "Body on board");
  EXPECT_EQ(writer().DisplayLine(0), "Body on board   ");
}

TEST_F(ProgrammerChip, ARefusedLockSaysTheProgrammerIsBusy) {
  imageInWriter();
  writer().Faults.LockRefused = true;
  openLink();
  main().SMenu_BlankClick();
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"VO-RIV Buzy !!"}));
  EXPECT_EQ(packets(), kOpen) << "refused: nothing to give back";
  EXPECT_TRUE(lines().empty());
  expectFrameRestored();
}

TEST_F(ProgrammerChip, AnOperationThatNeverEndsIsGivenUp) {
  imageInWriter();
  writer().OperationMs = -1;
  const auto t0 = clock.now();
  main().SMenu_BlankClick();
  EXPECT_EQ(lines().front(), "Chip Blank Fail");
  EXPECT_GE(ElapsedMs(t0), 60000);
  expectFrameRestored();
}

TEST_F(ProgrammerChip, WhileACommandRunsTheProgrammerActionsAreOffAndTheGaugeMoves) {
  imageInWriter();
  // A slow chip: the status polls after the first wait see its progress counter.
  writer().OperationMs = 4000;
  std::vector<bool> enabled;
  std::vector<int> progress;
  std::vector<int> values;
  bool again = false, active = false;
  clock.onPump([&] {
    enabled.push_back(main().Action(TMenuItem::SMenu_Program)->isEnabled() ||
                      main().Button(TToolButton::Tk_Auto)->isEnabled() ||
                      main().Action(TMenuItem::SMenu_DownLoad)->isEnabled());
    progress.push_back(main().findChild<QWidget*>("EEBar")->isVisible());
    values.push_back(main().findChild<QProgressBar*>("EEBar")->value());
    // A second command asked for while one runs does nothing, and the main
    // window's activation (a message box closed, say) does not apply the
    // layout's states again.
    if (!again) {
      again = true;
      main().SMenu_VerifyClick();
      QApplication::setActiveWindow(&main());
      active = main().isActiveWindow();
      QEvent activation(QEvent::ActivationChange);
      QApplication::sendEvent(&main(), &activation);
    }
  });
  main().SMenu_ProgramClick();
  clock.onPump(nullptr);
  EXPECT_TRUE(active);
  ASSERT_FALSE(enabled.empty());
  EXPECT_EQ(std::count(enabled.begin(), enabled.end(), true), 0);
  EXPECT_GT(std::count(progress.begin(), progress.end(), true), 0) << "the gauge shows";
  // The operations' progress counters move the gauge through values between
  // its ends, not only to 100 at the end.
  EXPECT_GT(std::count_if(values.begin(), values.end(), [](int v) { return v > 0 && v < 100; }),
            0);
  EXPECT_GT(std::count(values.begin(), values.end(), 100), 0);
  EXPECT_EQ(writer().Operations, (std::vector<int>{0, 1, 4, 5, 6}));
  EXPECT_EQ(busyWidth(), 10);
  expectFrameRestored();
}

// The gauge as the window shows it through a Program: every operation starts
// it again from 0, so it does not stand at the last one's 100 while the
// writer works; the operations with a pause after them are seen at 100.
TEST_F(ProgrammerChip, TheGaugeStartsAgainWithEveryOperation) {
  imageInWriter();
  openLink();
  std::vector<std::vector<int>> values;  // the gauge at each pump, per operation
  clock.onPump([&] {
    const size_t op = writer().Operations.size();
    if (op == 0) return;
    values.resize(op);
    values[op - 1].push_back(main().findChild<QProgressBar*>("EEBar")->value());
  });
  main().SMenu_ProgramClick();
  clock.onPump(nullptr);
  ASSERT_EQ(writer().Operations, (std::vector<int>{0, 1, 4, 5, 6}));
  ASSERT_EQ(values.size(), 5u);
  for (size_t k = 0; k < values.size(); ++k) {
    ASSERT_FALSE(values[k].empty());
    EXPECT_EQ(values[k].front(), 0) << "operation " << k;
    if (k < 3) {
      EXPECT_EQ(values[k].back(), 100) << "operation " << k;
    }
  }
}

}  // namespace
}  // namespace kyvor::test

namespace kyvor::test {
namespace {

// The long layout (768 information words, its header at the writer's byte
// address 0x4000, above the program of a chip of 8,192 words): a build's
// image programmed and read back.
class ProgrammerChipLong : public ProgrammerSession {};

TEST_F(ProgrammerChipLong, ABuildProgrammedThenReadGivesBackItsImageAndChecksum) {
  selectChip("QR08A1");
  ASSERT_EQ(Chip().DeviceKind3, 0);
  ASSERT_EQ(words(), 8192u);
  ASSERT_NO_FATAL_FAILURE(openProgram());
  main().SMenu_AssembleDebugClick();
  ASSERT_EQ(err().TextAt(0).substr(err().TextAt(0).size() - 11), "Download OK");
  main().SMenu_ProgramClick();
  EXPECT_EQ(lines(), (std::vector<std::string>{"Program Chip OK", "Program SBM OK",
                                                "Verify Chip OK", "Verify SBM OK"}));
  EXPECT_FALSE(writer().Chip.Protected()) << std::hex << writer().Chip.ProtectWord();
  main().SMenu_ReadClick();
  char sum[40];
  std::snprintf(sum, sizeof sum, "Read Checksum = 0x%04X",
                up().Info.InfoBlockAlt[infoaltword::CodeChecksum]);
  EXPECT_EQ(lines(), (std::vector<std::string>{"OTP Chip is QR08A1", sum}));
  EXPECT_EQ(dumpRow(1).substr(0, 4), [&] {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", up().GetOpcode(0));
    return std::string(b);
  }());
}

// KY08A16's 16,384 program words reach the long header at 0x4000: the
// hand-over is refused before the erase and nothing is programmed.
TEST_F(ProgrammerChipLong, AChipBeyondTheHeaderIsNotHandedOver) {
  selectChip("KY08A16");
  ASSERT_EQ(Chip().DeviceKind3, 0);
  putImageInWriter(imageWords(), imageHeader(0x1111));
  Shell().CodeChecksum = 0xC0DE;
  Shell().LastProgrammerFile = writeImage("build.hex", imageWords(), imageHeader(0xC0DE));
  main().SMenu_ProgramClick();
  EXPECT_EQ(labelled(), (std::vector<std::string>{
                            "ERROR|Chip ROM too large for the Programmer !!",
                            "Fail|" + Shell().LastProgrammerFile + "   DownLoad Fail !!!"}));
  EXPECT_TRUE(writer().Erased.empty());
  EXPECT_TRUE(writer().Operations.empty());
  EXPECT_TRUE(writer().Chip.Blank());
  EXPECT_FALSE(writer().Locked) << "the pod is given back";
  EXPECT_TRUE(pod.Violations.empty());
}

}  // namespace
}  // namespace kyvor::test
