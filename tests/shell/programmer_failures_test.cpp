// Every programmer command against each kind of failure the writer and its
// link can give: the link lost during the command, a chip of another id, VPP,
// VDD, a failing word, a protected chip, a blank chip, a programmer taken by
// someone else and an operation that never ends. Each case gives the exact
// packets the command sends and the result lines it writes, and the command's
// frame is restored afterwards.
#include <QAction>
#include <QLabel>
#include <QToolButton>
#include <functional>

#include "support/programmer_session.h"

namespace kyvor::test {
namespace {

using Lines = std::vector<std::string>;

Lines Join(std::initializer_list<Lines> parts) {
  Lines v;
  for (const Lines& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

// The chip reloaded (its variant command, the writer's identity), then the
// pod opened and taken; the chip's id with the image's record; the details
// of a failed operation; the pod given back.
const Lines kReload = {"B0 13", "F9 09"};
const Lines kTake = {"F9 AC", "F9 0C 01"};
const Lines kOpen = Join({kReload, kTake});
const Lines kIdOnly = {"B4 00 80 FE 00 00 01"};
const Lines kIdentity = {"B4 00 80 FE 00 00 01", "AA 03 00 FF E0 00 00 06", "AB"};
const Lines kDetails = {"B8 10", "AA 03 00 FF E0 00 00 06", "AB"};
const Lines kWritersArea = {"AA 03 00 80 00 00 01 00", "AB", "AB", "AB", "AB"};
const Lines kGiveBack = {"F9 0C 00"};
// The calibration step asks the writer's identity.
const Lines kCalibration = {"F9 09"};
const std::string kConnect = "ERROR|KyVor-IDE Connect Error , Please check !!";

enum class Cmd { Blank, Program, Verify, Auto, Read, DownLoad, ReadFlash };

struct Case {
  const char* name;
  Cmd command;
  std::function<void(class ProgrammerFailures&)> fault;
  Lines packets;
  Lines lines;
  Lines messages = {};  // most cases say nothing in a message box
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ProgrammerFailures : public ProgrammerSession,
                           public ::testing::WithParamInterface<Case> {
 public:
  using ProgrammerSession::writer;
  // The writer holds the image and the program knows its checksum; the chip
  // is blank.
  void imageInWriter(uint16_t protect = 0xFFFE) {
    putImageInWriter(imageWords(), imageHeader(0xC0DE, protect));
    up().Info.InfoReadback[infoword::CodeChecksum] = 0xC0DE;
    Shell().CodeChecksum = 0xC0DE;
  }
  // The chip as Program leaves it.
  void programmedChip(uint16_t protect = 0xFFFE) {
    imageInWriter(protect);
    const auto program = imageWords();
    std::copy(program.begin(), program.end(), writer().Chip.Program.begin());
    const auto header = imageHeader(0xC0DE, protect);
    std::copy(header.begin(), header.begin() + 128, writer().Chip.Info.begin());
  }
  // No reply from the `n`-th packet after the link was opened on.
  void silentFrom(int n) { pod.Faults.SilentFromPacket = pod.HostPacketCount() + n; }

  void run(Cmd c) {
    TKYMAIN& m = main();
    switch (c) {
      case Cmd::Blank: m.SMenu_BlankClick(); break;
      case Cmd::Program: m.SMenu_ProgramClick(); break;
      case Cmd::Verify: m.SMenu_VerifyClick(); break;
      case Cmd::Auto: m.SMenu_AutoClick(); break;
      case Cmd::Read: m.SMenu_ReadClick(); break;
      case Cmd::DownLoad:
        dialogs.answerFile(writeImage("img.hex", imageWords(), imageHeader()));
        m.SMenu_DownLoadClick();
        break;
      case Cmd::ReadFlash: m.SMenu_ReadLoadClick(); break;
    }
  }
};

// The packets of Read up to its chip id: the display's text, shown when the
// writer answers its identity.
const Lines kReadStart = {"F9 09", "BB 00 00 80", "BB 02 10 4F 54 50 20 43 68 69 70 20 43 6F 64 65 20 52 65",
                          "BB 00 00 C0", "BB 02 10 61 64 69 6E 67 2E 2E 2E 20 20 20 20 20 20 20 20"};

const Case kCases[] = {
    // The link lost at the first status read of the first operation (the
    // packet left unanswered is not in the pod's log).
    {"BlankLinkLost", Cmd::Blank, [](ProgrammerFailures& t) { t.silentFrom(9); },
     Join({kOpen, kIdentity, {"B8 02"}}),
     {"Blank|Chip Blank Fail", kConnect}},
    {"VerifyLinkLost", Cmd::Verify, [](ProgrammerFailures& t) { t.silentFrom(6); },
     Join({kOpen, {"B8 04"}}),
     {kConnect}},
    {"AutoLinkLost", Cmd::Auto, [](ProgrammerFailures& t) { t.silentFrom(11); },
     Join({kOpen, kWritersArea, {"B8 02"}}),
     {kConnect}},
    {"ReadLinkLost", Cmd::Read, [](ProgrammerFailures& t) { t.silentFrom(8); },
     Join({kTake, kReadStart}),
     {"ERROR|Chip Not Ready !!", kConnect}},
    // Lost before the pod is taken (at the key mode): said once, in the box and the list.
    {"DownLoadLinkLost", Cmd::DownLoad, [](ProgrammerFailures& t) { t.silentFrom(3); }, kReload,
     {kConnect}, {"KyVor-IDE Connect Error , Please check !!"}},
    {"ReadFlashLinkLostAtTheIdentity", Cmd::ReadFlash,
     [](ProgrammerFailures& t) { t.silentFrom(3); }, kTake,
     {kConnect}},
    {"ReadFlashLinkLostInTheHeader", Cmd::ReadFlash,
     [](ProgrammerFailures& t) { t.silentFrom(5); },
     Join({kTake, {"F9 09", "AA 03 00 80 00 00 01 00"}}),
     {kConnect}},

    // A chip of another id in the socket.
    {"BlankOtherChip", Cmd::Blank, [](ProgrammerFailures& t) { t.writer().Chip.Id = 0x0A01; },
     Join({kOpen, kIdOnly, kGiveBack}),
     {"Blank|Chip ID Error!!  Program Chip ID = 0x0A01"}},
    {"ProgramOtherChip", Cmd::Program, [](ProgrammerFailures& t) { t.writer().Chip.Id = 0x0A01; },
     Join({kOpen, kCalibration, kIdOnly, kGiveBack}),
     {"Program|Chip ID Error!!  Program Chip ID = 0x0A01"}},
    {"VerifyOtherChip", Cmd::Verify, [](ProgrammerFailures& t) { t.writer().Chip.Id = 0x0A01; },
     Join({kOpen, {"B8 04", "B8 10"}, kIdOnly, kGiveBack}),
     {"Verify|Chip ID Error!!  Program Chip ID = 0x0A01"}},
    {"AutoOtherChip", Cmd::Auto, [](ProgrammerFailures& t) { t.writer().Chip.Id = 0x0A01; },
     Join({kOpen, kWritersArea, {"B8 02", "B8 10"}, kIdOnly, kGiveBack}),
     {"Auto|Chip ID Error!!  Program Chip ID = 0x0A01"}},

    // The programming voltages.
    {"ProgramVpp", Cmd::Program, [](ProgrammerFailures& t) { t.writer().Faults.Vpp = true; },
     Join({kOpen, kCalibration, kIdentity, {"B8 00", "B8 10"}, kDetails, kGiveBack}),
     {"Program|Program Chip Fail", "|VPP Error"}},
    {"ProgramVdd", Cmd::Program, [](ProgrammerFailures& t) { t.writer().Faults.Vdd = true; },
     Join({kOpen, kCalibration, kIdentity, {"B8 00", "B8 10"}, kDetails, kGiveBack}),
     {"Program|Program Chip Fail", "|VDD Error"}},
    {"AutoVpp", Cmd::Auto, [](ProgrammerFailures& t) { t.writer().Faults.Vpp = true; },
     Join({kOpen, kWritersArea, {"B8 02", "B8 10"}, kIdentity,
           {"B8 03", "B8 10"}, kCalibration, {"B8 00", "B8 10"}, kDetails, kGiveBack}),
     {"Auto|Chip Blank OK", "Auto|SBM Blank OK", "Auto|Program Chip Fail", "|VPP Error"}},
    {"AutoVdd", Cmd::Auto, [](ProgrammerFailures& t) { t.writer().Faults.Vdd = true; },
     Join({kOpen, kWritersArea, {"B8 02", "B8 10"}, kIdentity,
           {"B8 03", "B8 10"}, kCalibration, {"B8 00", "B8 10"}, kDetails, kGiveBack}),
     {"Auto|Chip Blank OK", "Auto|SBM Blank OK", "Auto|Program Chip Fail", "|VDD Error"}},

    // A word that fails.
    {"BlankErrorAddress", Cmd::Blank,
     [](ProgrammerFailures& t) { t.writer().Faults.ErrorAddress = 0x0123; },
     Join({kOpen, kIdentity, {"B8 02", "B8 10"}, kDetails, kGiveBack}),
     {"Blank|Chip Blank Fail", "|Error at 0x0123H"}},
    {"VerifyErrorAddress", Cmd::Verify,
     [](ProgrammerFailures& t) {
       t.programmedChip();
       t.writer().Faults.ErrorAddress = 0x0123;
     },
     Join({kOpen, {"B8 04", "B8 10"}, kIdentity, kDetails, kGiveBack}),
     {"Verify|Verify Chip Fail", "|Error at 0x0123H"}},
    {"AutoErrorAddress", Cmd::Auto,
     [](ProgrammerFailures& t) { t.writer().Faults.ErrorAddress = 0x0123; },
     Join({kOpen, kWritersArea, {"B8 02", "B8 10"}, kIdentity, kDetails, kGiveBack}),
     {"Auto|Chip Blank Fail", "|Error at 0x0123H"}},

    // A protected chip: its status word is not blank, its code reads 0 and
    // cannot be programmed.
    {"BlankProtected", Cmd::Blank, [](ProgrammerFailures& t) { t.programmedChip(0xF7FE); },
     Join({kOpen, kIdentity, kGiveBack}),
     {"Blank|Chip Blank Fail"}},
    {"ProgramProtected", Cmd::Program, [](ProgrammerFailures& t) { t.programmedChip(0xF7FE); },
     Join({kOpen, kCalibration, kIdentity, {"B8 00", "B8 10"}, kDetails, kGiveBack}),
     {"Program|Program Chip Fail", "|Error at 0x0000H"}},
    {"VerifyProtected", Cmd::Verify, [](ProgrammerFailures& t) { t.programmedChip(0xF7FE); },
     Join({kOpen, {"B8 04", "B8 10"}, kIdentity, kGiveBack}),
     {"Verify|Chip Had been Protect!!"}},
    {"AutoProtected", Cmd::Auto, [](ProgrammerFailures& t) { t.programmedChip(0xF7FE); },
     Join({kOpen, kWritersArea, {"B8 02", "B8 10"}, kIdentity, kDetails, kGiveBack}),
     {"Auto|Chip Blank Fail", "|Error at 0x0000H"}},

    // A blank chip: Blank passes, Verify fails at its first word.
    {"BlankOfABlankChip", Cmd::Blank, [](ProgrammerFailures&) {},
     Join({kOpen, kIdentity, {"B8 02", "B8 10", "B8 03", "B8 10"}, kGiveBack}),
     {"Blank|Chip Blank OK", "Blank|SBM Blank OK"}},
    {"VerifyOfABlankChip", Cmd::Verify, [](ProgrammerFailures&) {},
     Join({kOpen, {"B8 04", "B8 10"}, kIdentity, kDetails, kGiveBack}),
     {"Verify|Verify Chip Fail", "|Error at 0x0000H"}},

    // The programmer taken by someone else: nothing is run and nothing given back.
    {"BlankBusy", Cmd::Blank, [](ProgrammerFailures& t) { t.writer().Faults.LockRefused = true; },
     kOpen, {}, {"VO-RIV Buzy !!"}},
    {"ProgramBusy", Cmd::Program,
     [](ProgrammerFailures& t) { t.writer().Faults.LockRefused = true; }, kOpen, {},
     {"VO-RIV Buzy !!"}},
    {"VerifyBusy", Cmd::Verify,
     [](ProgrammerFailures& t) { t.writer().Faults.LockRefused = true; }, kOpen, {},
     {"VO-RIV Buzy !!"}},
    {"AutoBusy", Cmd::Auto, [](ProgrammerFailures& t) { t.writer().Faults.LockRefused = true; },
     kOpen, {}, {"VO-RIV Buzy !!"}},
    {"ReadBusy", Cmd::Read, [](ProgrammerFailures& t) { t.writer().Faults.LockRefused = true; },
     kTake, {}, {"VO-RIV Buzy !!"}},
    {"ReadFlashBusy", Cmd::ReadFlash,
     [](ProgrammerFailures& t) { t.writer().Faults.LockRefused = true; }, kTake, {},
     {"VO-RIV Buzy !!"}},
};

TEST_P(ProgrammerFailures, PacketsAndResultLines) {
  const Case& c = GetParam();
  imageInWriter();
  openLink();
  c.fault(*this);
  run(c.command);
  EXPECT_EQ(packets(), c.packets);
  EXPECT_EQ(labelled(), c.lines);
  EXPECT_EQ(dialogs.messageTexts(), c.messages);
  // The frame is back whichever way the command ended.
  EXPECT_EQ(main().findChild<QLabel*>("StBusy")->maximumWidth(), 10);
  EXPECT_FALSE(up().GaugeVisible());
  EXPECT_TRUE(main().Button(TToolButton::Tk_Program)->isEnabled());
  EXPECT_TRUE(main().Action(TMenuItem::SMenu_ReadLoad)->isEnabled());
  EXPECT_FALSE(main().ProgrammerBusy());
  EXPECT_TRUE(pod.Violations.empty());
  const bool lost = !c.lines.empty() && c.lines.back() == kConnect;
  EXPECT_EQ(Modes().PodState == 255, lost);
  if (!lost) {
    EXPECT_FALSE(writer().Locked) << "the pod is given back";
  }
}

INSTANTIATE_TEST_SUITE_P(EachCommand, ProgrammerFailures, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An operation that never ends is given up after a minute; the writer still
// works, so no failing word is named.
class ProgrammerGivenUp : public ProgrammerSession {};

TEST_F(ProgrammerGivenUp, AnOperationStillRunningAfterAMinuteNamesNoWord) {
  putImageInWriter(imageWords(), imageHeader());
  up().Info.InfoReadback[infoword::CodeChecksum] = 0xC0DE;
  Shell().CodeChecksum = 0xC0DE;
  writer().OperationMs = -1;
  for (auto [command, fail] : {std::pair{&TKYMAIN::SMenu_BlankClick, "Blank|Chip Blank Fail"},
                               std::pair{&TKYMAIN::SMenu_ProgramClick, "Program|Program Chip Fail"}}) {
    openLink();
    const auto t0 = clock.now();
    (main().*command)();
    EXPECT_EQ(labelled(), (Lines{fail}));
    EXPECT_GE(ElapsedMs(t0), 60000);
    const Lines p = packets();
    ASSERT_GE(p.size(), 3u);
    EXPECT_EQ(p[p.size() - 2], "B8 10") << "polled to the end, no details read";
    EXPECT_EQ(p.back(), "F9 0C 00");
    EXPECT_EQ(std::count(p.begin(), p.end(), "AA 03 00 FF E0 00 00 06"), 1) << "the identity's";
    EXPECT_FALSE(writer().Locked);
  }
}

}  // namespace
}  // namespace kyvor::test
