// Load Hex: an image debugged without its source. The program words go into
// the cells with a page of their disassembly in the source view, the next 128
// words into the information block over its templates, and debug mode is
// entered in the simulator, or in the emulator after the pod road against the
// virtual pod (and stays entered over USB); a cancelled dialog, an odd byte
// and a short file, and no pod.
#include <QAction>
#include <QLabel>

#include "base/outputfile.h"
#include "shell/source/source_view.h"
#include "support/golden_files.h"
#include "support/programmer_session.h"

namespace kyvor::test {
namespace {

using Lines = std::vector<std::string>;

class LoadHex : public ProgrammerSession {
 protected:
  void SetUp() override {
    ProgrammerSession::SetUp();
    if (HasFatalFailure()) return;
    Options().PProg = 0;
    main().FormActivate();
  }
  // An image of a small program assembled for the selected chip.
  std::string builtImage() {
    openProgram();
    main().SMenu_AssembleClick();
    const std::string image = OutputFileName(OutBinaryFile);
    EXPECT_EQ(ReadFileBytes(image).size(), words() * 2 + 512);
    return image;
  }
  TKy_Source& source() { return *main().Forms().source(); }
  int busyWidth() { return main().findChild<QLabel*>("StBusy")->maximumWidth(); }
};

TEST_F(LoadHex, TheSimulatorDebugsTheImageOnAPageOfItsDisassembly) {
  const std::string image = builtImage();
  const std::string bytes = ReadFileBytes(image);
  up().ClearProgramMemory();
  dialogs.answerFile(image);
  main().LoadHexClick();
  ASSERT_EQ(Modes().DebugMode, 1);
  EXPECT_EQ(up().GetOpcode(0), uint16_t(uint8_t(bytes[0]) << 8 | uint8_t(bytes[1])));
  ASSERT_EQ(source().PageCount(), 1);
  EXPECT_EQ(source().PagePath(1), image);
  EXPECT_EQ(source().RowCount(1), int(words()));
  EXPECT_EQ(source().LineText(1, 1).toStdString(), "MVL    005Ah");
  EXPECT_EQ(source().LineText(1, 2).toStdString(), "MVF    0080h, 01h, 00h");
  EXPECT_EQ(source().LineText(1, 4).toStdString(), "JMP    0002h");
  EXPECT_EQ(source().PCLine(), 1);
  // The block's first 128 words are the image's.
  const size_t at = words() * 2;
  EXPECT_EQ(up().Info.InfoBlock[5],
            uint16_t(uint8_t(bytes[at + 10]) << 8 | uint8_t(bytes[at + 11])));
  // After the templates, the SBM loader words with Load Hex's jump to 0.
  const std::vector<uint16_t> loader = {0x0611, 0x6600, 0x0622, 0x6601, 0x0633, 0x6602,
                                        0x0644, 0x6603, 0x0655, 0x6604, 0xC200, 0xF000};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(up().Info.InfoBlock[128 + k], loader[k]) << 128 + k;
  // It runs: a step moves the PC and the source line with it.
  clock.advance(std::chrono::milliseconds(20));
  main().SMenu_TraceClick();
  EXPECT_EQ(up().GetPC(), 1u);
  EXPECT_EQ(source().PCLine(), 2);
  EXPECT_EQ(busyWidth(), 10);
}

TEST_F(LoadHex, InTheEmulatorThePodRoadRunsAndDebugModeStaysOverUsb) {
  const std::string image = builtImage();
  const auto program = [&] {
    std::vector<uint16_t> w;
    const std::string b = ReadFileBytes(image);
    for (size_t i = 0; i < 16; ++i)
      w.push_back(uint16_t(uint8_t(b[2 * i]) << 8 | uint8_t(b[2 * i + 1])));
    return w;
  }();
  up().ClearProgramMemory();
  Modes().SimulatorMode = 0;
  dialogs.answerFile(image);
  main().LoadHexClick();
  EXPECT_EQ(Modes().DebugMode, 1) << "debug mode stays after a good entry";
  EXPECT_TRUE(main().WatchdogRunning());
  EXPECT_EQ(main().ConnectText(), "ICE Connect");
  for (uint32_t i = 0; i < program.size(); ++i) EXPECT_EQ(pod.ProgramWord(i), program[i]) << i;
  EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messageTexts().front();
  EXPECT_TRUE(pod.Violations.empty());
  main().SMenu_TraceClick();
  EXPECT_EQ(up().GetPC(), 1u) << "the step ran on the pod";
}

TEST_F(LoadHex, WithoutAPodTheEmulatorStaysInEditMode) {
  const std::string image = builtImage();
  Modes().SimulatorMode = 0;
  pod.Faults.Unplugged = true;
  ThePod().PodLinkClose();
  dialogs.answerFile(image);
  main().LoadHexClick();
  EXPECT_EQ(Modes().DebugMode, 0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text.rfind("KyVor-IDE Connect Error , Please check !!", 0), 0u);
  EXPECT_EQ(main().ConnectText(), "ICE not Connect");
  EXPECT_EQ(busyWidth(), 10);
}

TEST_F(LoadHex, AShortFileWithAnOddByteLeavesTheOtherCellsAlone) {
  for (uint32_t a = 0; a < 8; ++a) up().State().Cell(a).Opcode = 0x7777;
  const std::string path = dir.filePath("odd.hex").toStdString();
  WriteFileBytes(path, std::string("\x66\x5A\x00\x00\x12", 5));
  dialogs.answerFile(path);
  main().LoadHexClick();
  EXPECT_EQ(up().GetOpcode(0), 0x665A);
  EXPECT_EQ(up().GetOpcode(1), 0x0000);
  EXPECT_EQ(up().GetOpcode(2), 0x7777) << "the odd byte pairs with nothing";
  EXPECT_EQ(source().RowCount(1), 2);
}

TEST_F(LoadHex, ACancelledDialogDoesNothing) {
  main().LoadHexClick();
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_EQ(source().PageCount(), 0);
  EXPECT_EQ(dialogs.fileDialogs(), 1);
}

}  // namespace
}  // namespace kyvor::test
