// The calibration step of Program and Auto on a chip with HAO data whose
// programmer answers its identity: each result of the writer's calibration
// with its lines (and whether the command goes on), the display command of a
// failed check, the calibrated protect after a good run, and the step skipped
// while the hardware calibration is off.
#include "support/file_bytes.h"
#include "support/programmer_session.h"

namespace kyvor::test {
namespace {

using Lines = std::vector<std::string>;

class ProgrammerCalibration : public ProgrammerSession {
 protected:
  // QR08B2 with HAO data: an extended device (the writer's identity counts)
  // that calibrates.
  ProgrammerCalibration() {
    CopyShippedInclude(folder);
    const std::string file = folder.include() + "QR08B2.INC";
    const std::string chip = ReadFileBytes(file);
    folder.writeIncludeBytes("QR08B2.INC",
                             chip + "#HAO\r\n02EH  55H  0AAH  1234H  1700000  2100000  0\r\n");
  }
  std::string programFolder() const override { return folder.program(); }
  void SetUp() override {
    ProgrammerSession::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Chip().OscCalibration.HaoPresent, 1);
    Options().HaoEnabled = 1;
    putImageInWriter(imageWords(), imageHeader(0xC0DE));
    up().Info.InfoReadback[infoword::CodeChecksum] = 0xC0DE;
    Shell().CodeChecksum = 0xC0DE;
  }
  void answer(uint8_t result, uint8_t flags = 0x5A, uint8_t count = 3, uint32_t value = 2000000) {
    writer().Calibration.Result = result;
    writer().Calibration.Flags = flags;
    writer().Calibration.Count = count;
    writer().Calibration.Value = value;
  }
  int count(const std::string& prefix) {
    int n = 0;
    for (const std::string& p : packets()) n += p.rfind(prefix, 0) == 0;
    return n;
  }
  ScratchFolder folder;
};

const Lines kProgramOk = {"Program Chip OK", "Program SBM OK", "Verify Chip OK", "Verify SBM OK"};

Lines With(Lines head, const Lines& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST_F(ProgrammerCalibration, AGoodCalibrationIsSaidAndTheProtectIsCalibrated) {
  answer(0);
  openLink();
  main().SMenu_ProgramClick();
  EXPECT_EQ(labelled().front(), "Next|HAO Calibration OK");
  EXPECT_EQ(lines(), With({"HAO Calibration OK", "HAO Clock = 2000 KHz"}, kProgramOk));
  EXPECT_EQ(count("B8 07"), 1);
  const Lines sent = packets();
  const auto calibrate = std::find(sent.begin(), sent.end(), "B8 07");
  ASSERT_NE(calibrate, sent.end());
  const auto program = std::find(sent.begin(), sent.end(), "B8 00");
  ASSERT_NE(program, sent.end());
  EXPECT_LT(calibrate, program);
  EXPECT_EQ(writer().CalibratedOperations, (std::vector<uint8_t>{0x5A})) << "B8 80 with the flags";
  EXPECT_EQ(Options().EnHAO, 1) << "the switch follows the chip's saved state";
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(ProgrammerCalibration, AChipCalibratedBeforeGoesOn) {
  answer(1);
  main().SMenu_ProgramClick();
  EXPECT_EQ(lines(), With({"HAO had been Calibrated"}, kProgramOk));
}

TEST_F(ProgrammerCalibration, AFailedCheckNamesItsKindAndStops) {
  struct Case {
    uint8_t flags;
    const char* line;
  };
  for (const Case& c :
       {Case{0x40, "CHIPID Check Error!! - 3"}, Case{0x10, "Blank Check Error!! - 3"},
        Case{0x80, "HAO output Error!! - 3"}}) {
    answer(uint8_t(-2), c.flags);
    pod.ClearLog();
    main().SMenu_ProgramClick();
    EXPECT_EQ(labelled(), (Lines{std::string("ERROR|") + c.line}));
    EXPECT_EQ(count("BB 00 00 28"), 1) << "display command 40";
  }
  EXPECT_TRUE(writer().Operations.empty());
}

TEST_F(ProgrammerCalibration, FrequencyAndVoltageFailuresStop) {
  answer(uint8_t(-3), 0, 0, 2500000);
  main().SMenu_ProgramClick();
  EXPECT_EQ(lines(), (Lines{"Frequency is out of range\xEF\xBC\x8CHAOSYS=2500000"}));
  answer(uint8_t(-4));
  main().SMenu_AutoClick();
  EXPECT_EQ(lines(), (Lines{"Chip Blank OK", "SBM Blank OK", "Abnormal voltage"}));
  EXPECT_EQ(writer().Operations, (std::vector<int>{2, 3}));
}

TEST_F(ProgrammerCalibration, AnAnomalousOutputStopsAutoButNotProgram) {
  answer(uint8_t(-5));
  main().SMenu_AutoClick();
  EXPECT_EQ(labelled().back(), "ERROR|Frequency output detect anomalies");
  EXPECT_EQ(writer().Operations, (std::vector<int>{2, 3}));
  writer().Chip = TVirtualChip();
  writer().Chip.Id = Chip().ChipId;
  main().SMenu_ProgramClick();
  EXPECT_EQ(lines(), kProgramOk) << "Program goes on without a line";
}

TEST_F(ProgrammerCalibration, NoAnswerIsALostLinkNotAResult) {
  openLink();
  pod.Faults.SilentFromPacket =
      pod.HostPacketCount() + 6;  // B8 07 after the reload, open, lock, identity
  main().SMenu_ProgramClick();
  EXPECT_EQ(labelled(), (Lines{"ERROR|KyVor-IDE Connect Error , Please check !!"}));
  EXPECT_TRUE(writer().Operations.empty());
}

TEST_F(ProgrammerCalibration, WithTheHardwareCalibrationOffNothingIsAsked) {
  Options().HaoEnabled = 0;
  openLink();
  main().SMenu_ProgramClick();
  EXPECT_EQ(count("B8 07"), 0);
  EXPECT_EQ(lines(), kProgramOk);
  EXPECT_TRUE(writer().CalibratedOperations.empty());
}

}  // namespace
}  // namespace kyvor::test
