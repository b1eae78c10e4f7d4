// The options dialog in the whole program offscreen: its creation, the
// immediate setters of every page, the chip change, the commit on close with
// its range checks and texts, the engineer sequence, and the pod commands of
// the Debug Tool page, the chip watch, the key mode and the close, checked in
// the virtual pod's packet log.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>

#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "link/pod_protocol.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/base_form.h"
#include "shell/source/listing.h"
#include "shell/mainwin/main_window.h"
#include "shell/options/options_dialog.h"
#include "support/chip_folder.h"
#include "support/fake_clock.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"
#include "support/virtual_pod_rig.h"

namespace kyvor {
namespace {

class OptionsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
    ThePod().PodLinkClose();
    prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog->Start({}));
    opt = prog->Main().Forms().option;
    ASSERT_NE(opt, nullptr);
    dialogs.clear();
  }
  void TearDown() override {
    prog.reset();
    ThePod().PodLinkClose();
    test::ResetProgramState();
  }

  template <class T>
  T* ctl(const char* name) const {
    T* w = opt->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void choose(const char* combo, int index) {
    auto* c = ctl<QComboBox>(combo);
    c->setCurrentIndex(index);
    emit c->activated(index);
  }
  void type(const char* edit, const QString& text) {
    auto* e = ctl<QLineEdit>(edit);
    e->clear();
    test::Type(e, text);
  }
  // The USB interface, the virtual pod open.
  void usePod() {
    Modes().IceInterfaceIndex = 4;
    ASSERT_EQ(ThePod().PodUsbOpen(), 0);
    Modes().PodState = 0;
    pod.ClearLog();
  }
  bool sent(const std::string& packet) const {
    const auto p = pod.HostPackets();
    return std::find(p.begin(), p.end(), packet) != p.end();
  }

  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
  test::TProgramVirtualPod programPod;
  test::TVirtualPod& pod = programPod.Pod;
  std::unique_ptr<TKyProgram> prog;
  TOption* opt = nullptr;
};

TEST_F(OptionsDialog, CreationListsTheChipsChecksAcmOneVoltAndFillsTheCalibrationEdits) {
  auto* chips = ctl<QComboBox>("CbSeluP");
  ASSERT_EQ(chips->count(), 7);
  EXPECT_EQ(chips->itemText(0), "KY08A16  (16K)");
  EXPECT_TRUE(ctl<QRadioButton>("RACM10")->isChecked());
  EXPECT_FALSE(ctl<QRadioButton>("RACM12")->isChecked());
  EXPECT_EQ(ctl<QLineEdit>("EHAO")->text(), "2000000");
  EXPECT_EQ(ctl<QLineEdit>("EPERMISS")->text(), "2");
  EXPECT_EQ(ctl<QLineEdit>("ELAO")->text(), "13000");
  EXPECT_EQ(ctl<QLabel>("LLAOMAX")->text(), "14000 ");
  EXPECT_EQ(Options().EHAO, 2000000);
  EXPECT_EQ(Options().RACM10, 1);
  // Five pages, one shown at a time.
  for (const char* tab : {"InterSetup", "ConfigSetup", "BreakSet", "ICEDebug", "PHAOCAL"})
    ctl<QToolButton>(tab)->click();
  EXPECT_EQ(opt->CurrentPage(), TOption::PageCalibration);
  EXPECT_FALSE(ctl<QToolButton>("InterSetup")->isChecked());
  EXPECT_TRUE(ctl<QToolButton>("PHAOCAL")->isChecked());
}

TEST_F(OptionsDialog, TheInterfaceListSetsTheAddressFromItsFirstThreeCharacters) {
  choose("SelLPT", 2);
  EXPECT_EQ(Modes().LptPortAddress, 0x3BC);
  EXPECT_EQ(Modes().IceInterfaceIndex, 2);
  EXPECT_EQ(ThePod().Parallel().BaseAddress(), 0x3BC) << "the port follows the choice";
  choose("SelLPT", 0);  // "(no" is no hex number
  EXPECT_EQ(Modes().LptPortAddress, 0);
  EXPECT_EQ(Modes().IceInterfaceIndex, 0);
  choose("SelLPT", 4);
  EXPECT_EQ(Modes().IceInterfaceIndex, 4);
  choose("CbSelLang", 1);
  EXPECT_EQ(LangState().LanguageIndex, 1);
  // The interface page shows the records again.
  Modes().IceInterfaceIndex = 1;
  LangState().LanguageIndex = 0;
  opt->InterSetupClick();
  EXPECT_EQ(ctl<QComboBox>("SelLPT")->currentIndex(), 1);
  EXPECT_EQ(ctl<QComboBox>("CbSelLang")->currentIndex(), 0);
}

TEST_F(OptionsDialog, ChoosingAChipLoadsItAndSetsItsOptions) {
  Options().EnHAO = Options().EnSHAO = Options().EnSLAO = 1;
  choose("CbSeluP", 1);  // QN08A4: WDT vector, ACM with 1.2 V default, HAO
  EXPECT_EQ(Chip().ChipIndex, 1);
  EXPECT_EQ(Chip().ChipId, 0x71);
  EXPECT_EQ(Options().EnHAO + Options().EnSHAO + Options().EnSLAO, 0);
  EXPECT_EQ(Options().SmartCompiler, 1);
  EXPECT_TRUE(ctl<QCheckBox>("ChWDTJMPOO")->isChecked());
  EXPECT_TRUE(ctl<QGroupBox>("GroupWDT")->isEnabled());
  EXPECT_EQ(Options().STKOVSTOP, 1);
  EXPECT_TRUE(ctl<QRadioButton>("RACM12")->isChecked());
  EXPECT_TRUE(ctl<QGroupBox>("GruopACM")->isEnabled());
  EXPECT_EQ(ctl<QLabel>("LHAOMIN")->text(), "1700000");
  choose("CbSeluP", 2);  // QR08B1: K08B, no ACM
  EXPECT_EQ(Chip().CoreVariant, 1);
  EXPECT_EQ(Options().SmartCompiler, 0);
  EXPECT_FALSE(ctl<QCheckBox>("SmartCompiler")->isEnabled());
  EXPECT_TRUE(ctl<QRadioButton>("PK08B")->isChecked());
  EXPECT_FALSE(ctl<QCheckBox>("ChWDTJMPOO")->isChecked());
  EXPECT_FALSE(ctl<QGroupBox>("GroupWDT")->isEnabled());
  EXPECT_TRUE(ctl<QRadioButton>("RACM10")->isChecked());
  EXPECT_FALSE(ctl<QGroupBox>("GruopACM")->isEnabled());
}

TEST_F(OptionsDialog, BuildOptionsWriteTheRecordAtOnce) {
  ctl<QCheckBox>("CkList")->click();
  EXPECT_EQ(Options().OutListFile, 0);
  ctl<QCheckBox>("CkMask")->click();
  EXPECT_EQ(Options().OutMaskFile, 1);
  ctl<QRadioButton>("RadioButton3")->click();
  EXPECT_EQ(Options().UnusedFillMode, 2);
  ctl<QRadioButton>("RadioButton1")->click();
  EXPECT_EQ(Options().UnusedFillMode, 1);
  // Optimization needs the smart compiler; no smart compiler, no optimization.
  ctl<QCheckBox>("COptimization")->click();
  EXPECT_EQ(Options().COptimization, 1);
  EXPECT_EQ(Options().SmartCompiler, 1);
  EXPECT_TRUE(ctl<QCheckBox>("SmartCompiler")->isChecked());
  ctl<QCheckBox>("SmartCompiler")->click();
  EXPECT_EQ(Options().SmartCompiler, 0);
  EXPECT_EQ(Options().COptimization, 0);
  EXPECT_FALSE(ctl<QCheckBox>("COptimization")->isChecked());
  ctl<QRadioButton>("PProg")->click();
  EXPECT_EQ(Options().PProg, 1);
  ctl<QRadioButton>("RACM12")->click();
  EXPECT_EQ(Options().RACM10, 1) << "KY08A16 has no ACM group: the radios are disabled";
  choose("CbSeluP", 1);  // QN08A4 has one
  ctl<QRadioButton>("RACM10")->click();
  EXPECT_EQ(Options().RACM10, 1);
  ctl<QRadioButton>("RACM12")->click();
  EXPECT_EQ(Options().RACM10, 0);
  // The font dialog: the options' font, applied to the editor.
  dialogs.answerFont(TEditorFont{"DejaVu Sans Mono", 14, TEditorFont::Italic});
  ctl<QPushButton>("BtFont")->click();
  EXPECT_EQ(dialogs.fontDialogs(), 1);
  EXPECT_EQ(Options().EditorFont, (TEditorFont{"DejaVu Sans Mono", 14, TEditorFont::Italic}));
  EXPECT_EQ(prog->Main().Forms().base->EditorFont().pointSize(), 14);
  ctl<QPushButton>("BtFont")->click();  // cancelled: kept
  EXPECT_EQ(Options().EditorFont.Size, 14);
}

TEST_F(OptionsDialog, TheChipWatchIsCommittedOnCloseAsHex) {
  Options().WatchBitMask = 0x81;
  Options().WatchAddress = 0x1AB;
  Options().WatchData = 0x5C;
  opt->BreakSetClick();
  EXPECT_EQ(ctl<QLineEdit>("EWatchAddress")->text(), "01AB");
  EXPECT_EQ(ctl<QLineEdit>("EWatchData")->text(), "5C");
  EXPECT_TRUE(ctl<QCheckBox>("CkWatchB7")->isChecked());
  EXPECT_FALSE(ctl<QCheckBox>("CkWatchB6")->isChecked());
  ctl<QCheckBox>("CkWatchB0")->click();
  ctl<QCheckBox>("CkWatchB2")->click();
  type("EWatchAddress", "2f0");
  type("EWatchData", "zz");  // not a hex number: 0
  ctl<QCheckBox>("STPOVSTAK")->click();
  EXPECT_EQ(Options().WatchBitMask, 0x81) << "not before the close";
  opt->show();
  EXPECT_TRUE(opt->close());
  EXPECT_EQ(Options().WatchBitMask, 0x84);
  EXPECT_EQ(Options().WatchAddress, 0x2F0);
  EXPECT_EQ(Options().WatchData, 0);
  EXPECT_EQ(Options().StackOverflowStopCode(), 0x600013u);
}

// With the HAO group shown, the close refuses inputs out of range (a text
// that is no number among them) with their message and stays open.
TEST_F(OptionsDialog, TheCloseChecksTheCalibrationInputs) {
  choose("CbSeluP", 1);  // QN08A4 has "#HAO": HAO 1700000..2100000, LPO 11000..14000
  opt->PHAOCALClick();
  ctl<QCheckBox>("EnHAO")->click();
  ASSERT_TRUE(ctl<QGroupBox>("PHAO")->isVisibleTo(opt));
  struct TCase {
    const char* edit;
    QString text;
    const char* message;
  };
  const TCase refused[] = {
      {"EHAO", "abc", "Input HAO over Range! Please Check Input HAO!!"},
      {"EHAO", "1699999", "Input HAO over Range! Please Check Input HAO!!"},
      {"EPERMISS", "0", "Permissable Error Input Over Range! Please Check Input Permissable error!!"},
      {"EPERMISS", "101", "Permissable Error Input Over Range! Please Check Input Permissable error!!"},
      {"ELAO", "14001", "Input LPO over Range! Please Check Input LPO!!"},
      {"ELAO", "13x", "Input LPO over Range! Please Check Input LPO!!"},
  };
  opt->show();
  for (const TCase& c : refused) {
    type("EHAO", "2000000");
    type("EPERMISS", "2");
    type("ELAO", "13000");
    type(c.edit, c.text);
    dialogs.clear();
    EXPECT_FALSE(opt->close()) << c.edit << " " << c.text.toStdString();
    EXPECT_TRUE(opt->isVisible());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, c.message);
    EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
    EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbCancel));
  }
  // A permissible error of 0 is applied as 1 but refused on close.
  type("EPERMISS", "0");
  opt->ApplyCalibrationOptions();
  EXPECT_EQ(Options().PermissibleError, 1);
  // Within range: committed and closed, the mode by the switches (H and L on: 1).
  type("EHAO", "1800000");
  type("EPERMISS", "5");
  type("ELAO", "12000");
  ctl<QCheckBox>("EnSLAO")->click();
  dialogs.clear();
  EXPECT_TRUE(opt->close());
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(Options().HaoValue, 1800000);
  EXPECT_EQ(Options().PermissibleError, 5);
  EXPECT_EQ(Options().LpoValue, 12000);
  EXPECT_EQ(Options().HaoEnabled, 1);
  EXPECT_EQ(Options().CalibrationMode, 1);
  EXPECT_EQ(Options().EHAO, 1800000) << "the number the configuration file keeps";
}

// The inputs are checked by the switch and the chip, not by the page shown:
// closed from any page the dialog refuses a permissible error of 0, shows the
// calibration page with the inputs, and closes once it is mended.
TEST_F(OptionsDialog, TheCloseChecksTheCalibrationInputsFromEveryPage) {
  const char permiss[] =
      "Permissable Error Input Over Range! Please Check Input Permissable error!!";
  choose("CbSeluP", 1);  // QN08A4 has "#HAO"
  ctl<QToolButton>("PHAOCAL")->click();
  ctl<QCheckBox>("EnHAO")->click();
  opt->show();
  for (const char* tab : {"ConfigSetup", "InterSetup", "BreakSet", "ICEDebug", "PHAOCAL"}) {
    type("EPERMISS", "0");
    ctl<QToolButton>(tab)->click();
    dialogs.clear();
    EXPECT_FALSE(opt->close()) << tab;
    EXPECT_TRUE(opt->isVisible()) << tab;
    ASSERT_EQ(dialogs.messageTexts(), std::vector<std::string>{permiss}) << tab;
    EXPECT_EQ(opt->CurrentPage(), TOption::PageCalibration) << tab;
    EXPECT_TRUE(ctl<QGroupBox>("PHAO")->isVisible()) << tab;
  }
  type("EPERMISS", "7");
  ctl<QToolButton>("ConfigSetup")->click();
  dialogs.clear();
  EXPECT_TRUE(opt->close());
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(Options().PermissibleError, 7);
  EXPECT_EQ(Options().HaoEnabled, 1);
}

// A chip without HAO has no HAO inputs to check, even with the switch taken
// from the saved calibration.
TEST_F(OptionsDialog, TheCloseOfAChipWithoutHaoChecksNoHaoInputs) {
  Options().HaoEnabled = 1;  // KY08A16, no "#HAO"
  opt->Exec = [](QDialog&) { return 0; };
  prog->Main().Menu_OptionClick();
  ASSERT_TRUE(ctl<QCheckBox>("EnHAO")->isChecked());
  type("EPERMISS", "0");
  opt->show();
  EXPECT_TRUE(opt->close());
  EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(OptionsDialog, CalibrationModeByTheSwitchesAndKeptWhenAllAreOff) {
  EXPECT_EQ(CalibrationModeOf(true, false, false, 9), 0);
  EXPECT_EQ(CalibrationModeOf(true, false, true, 9), 1);
  EXPECT_EQ(CalibrationModeOf(true, true, false, 9), 2);
  EXPECT_EQ(CalibrationModeOf(true, true, true, 9), 3);
  EXPECT_EQ(CalibrationModeOf(false, false, true, 9), 4);
  EXPECT_EQ(CalibrationModeOf(false, true, false, 9), 5);
  EXPECT_EQ(CalibrationModeOf(false, true, true, 9), 6);
  EXPECT_EQ(CalibrationModeOf(false, false, false, 4), 4);
  // On a chip without HAO the hardware switch does not stay on.
  Options().CalibrationMode = 3;
  opt->PHAOCALClick();
  ctl<QCheckBox>("EnHAO")->click();
  EXPECT_EQ(Options().EnHAO, 0) << "KY08A16 has no HAO";
  EXPECT_FALSE(ctl<QCheckBox>("EnHAO")->isChecked());
  EXPECT_EQ(Options().CalibrationMode, 3);
  EXPECT_FALSE(ctl<QGroupBox>("PHAO")->isVisibleTo(opt));
}

// In the programmer layout the page looks into the chip file: "#HAO" enables
// all six controls, other lines all but the hardware switch, and a file that
// cannot be read leaves them disabled.
TEST_F(OptionsDialog, TheCalibrationPageFollowsTheChipFile) {
  Options().PProg = 1;
  Chip().ChipIndex = 1;  // QN08A4.INC
  opt->PHAOCALClick();
  for (const char* n : {"EnHAO", "EnSHAO", "EnSLAO"}) EXPECT_TRUE(ctl<QCheckBox>(n)->isEnabled());
  EXPECT_TRUE(ctl<QLineEdit>("EHAO")->isEnabled());
  Chip().ChipIndex = 0;  // KY08A16.INC
  opt->PHAOCALClick();
  EXPECT_FALSE(ctl<QCheckBox>("EnHAO")->isEnabled());
  EXPECT_TRUE(ctl<QCheckBox>("EnSLAO")->isEnabled());
  EXPECT_TRUE(ctl<QLineEdit>("ELAO")->isEnabled());
  // A chip list entry whose file is not there.
  test::ScratchFolder folder;
  folder.writeInclude("KySel.INC", {"V1.2 Kyvor chip list", "GONE.INC  GONE  (1K)"});
  SetProgramFolder(folder.program());
  Chip().ChipIndex = 0;
  opt->PHAOCALClick();
  for (const char* n : {"EnHAO", "EnSHAO", "EnSLAO"}) EXPECT_FALSE(ctl<QCheckBox>(n)->isEnabled());
  for (const char* n : {"EHAO", "EPERMISS", "ELAO"}) EXPECT_FALSE(ctl<QLineEdit>(n)->isEnabled());
  SetProgramFolder(KYVOR_DATA_DIR "/");
}

TEST_F(OptionsDialog, TheEngineerSequenceWidensTheRomChoiceAndMarksTheTitle) {
  auto* rom = ctl<QComboBox>("SELROM");
  ASSERT_EQ(rom->count(), 1);
  test::Type(opt, "KYEN");
  test::Type(opt, "x");  // a wrong key starts again
  test::Type(opt, "ENG");
  EXPECT_EQ(Options().EngineerMode, 0);
  test::Type(opt, "kkyeng");  // letter case does not matter; K starts again
  EXPECT_EQ(Options().EngineerMode, 1);
  ASSERT_EQ(rom->count(), 2);
  EXPECT_EQ(rom->itemText(1), "EEPROM 28C256");
  const QString title = prog->Main().windowTitle();
  EXPECT_TRUE(title.startsWith("KYIDE - Mode:[Edit] ")) << title.toStdString();
  EXPECT_TRUE(title.contains("V1.2 Kyvor chip list-Engineer")) << title.toStdString();
}

// The keys go where the keyboard sends them, to the control with the focus:
// the sequence typed into an edit of the Debug Tool page counts and the edit
// still gets the letters; a key passed on from a check box to the dialog
// counts once.
TEST_F(OptionsDialog, TheEngineerSequenceCountsKeysTypedIntoTheControls) {
  opt->show();
  ctl<QToolButton>("ICEDebug")->click();
  auto* edit = ctl<QLineEdit>("EDtAddr");
  edit->setFocus();
  ASSERT_EQ(opt->focusWidget(), edit);
  test::Type(edit, "kyeng");
  EXPECT_EQ(Options().EngineerMode, 1);
  EXPECT_EQ(edit->text(), "kyeng");
  EXPECT_EQ(ctl<QComboBox>("SELROM")->count(), 2);

  Options().EngineerMode = 0;
  ctl<QToolButton>("BreakSet")->click();
  auto* bit = ctl<QCheckBox>("CkWatchB0");
  bit->setFocus();
  ASSERT_EQ(opt->focusWidget(), bit);
  test::Type(bit, "KYEN");
  EXPECT_EQ(Options().EngineerMode, 0);
  test::Type(bit, "G");
  EXPECT_EQ(Options().EngineerMode, 1);
}

TEST_F(OptionsDialog, TheOptionsCommandShowsThePageOfTheMode) {
  int shown = 0;
  opt->Exec = [&](QDialog&) {
    ++shown;
    return 0;
  };
  prog->Up().Settings.PodChipId = 0x8024;
  Options().STKOVSTOP = 1;
  prog->Main().Menu_OptionClick();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(opt->CurrentPage(), TOption::PageInterface);
  EXPECT_FALSE(ctl<QCheckBox>("STKOVSTOP")->isEnabled());
  EXPECT_EQ(Options().STKOVSTOP, 0);
  EXPECT_EQ(opt->pos(), prog->Main().geometry().topLeft() + QPoint(40, 40));
  prog->Up().Settings.PodChipId = 0;
  prog->Main().Menu_OptionClick();
  EXPECT_TRUE(ctl<QCheckBox>("STKOVSTOP")->isEnabled());
  Modes().DebugMode = 1;
  prog->Main().Menu_OptionClick();
  EXPECT_EQ(opt->CurrentPage(), TOption::PageWatch);
  Modes().DebugMode = 0;
}

TEST_F(OptionsDialog, TheCloseOfAK08BChipTurnsTheSmartCompilerOff) {
  Options().SmartCompiler = Options().COptimization = 1;
  opt->LoadFromOptions();
  Chip().CoreVariant = 1;
  opt->show();
  EXPECT_TRUE(opt->close());
  EXPECT_EQ(Options().SmartCompiler + Options().COptimization, 0);
  EXPECT_FALSE(ctl<QCheckBox>("SmartCompiler")->isChecked());
  EXPECT_FALSE(ctl<QCheckBox>("COptimization")->isEnabled());
}

TEST_F(OptionsDialog, TheProgramerLayoutOnCloseShowsTheDumpGridAndGivesThePodBack) {
  ASSERT_NO_FATAL_FAILURE(usePod());
  ctl<QRadioButton>("PProg")->click();
  opt->show();
  EXPECT_TRUE(opt->close());
  EXPECT_TRUE(sent("F9 0C 00")) << pod.LogText();
  EXPECT_TRUE(sent("BB 00 00 01")) << "the display cleared";
  // The second line holds 16 characters.
  EXPECT_EQ(pod.Writer.DisplayLine(1), "VO-RIV Program M");
  EXPECT_EQ(pod.Writer.DisplayLine(0), std::string(16, ' '));
  EXPECT_TRUE(prog->Main().Action(TMenuItem::Menu_Programmer)->isVisible());
  pod.ClearLog();
  ctl<QRadioButton>("PICE")->click();
  opt->show();
  EXPECT_TRUE(opt->close());
  EXPECT_TRUE(sent("F9 0C 01"));
  // A first-line text goes on at the second line.
  EXPECT_EQ(pod.Writer.DisplayLine(0), "VO-RIV Debug Mod");
  EXPECT_EQ(pod.Writer.DisplayLine(1).substr(0, 1), "e");
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(OptionsDialog, TheDebugToolMeasuresThroughThePod) {
  ASSERT_NO_FATAL_FAILURE(usePod());
  pod.Measure.Vpp = 300;  // bytes 11-12: 2C 01
  pod.Measure.Vdd = 512;
  opt->ICEDebugClick();
  EXPECT_TRUE(ctl<QGroupBox>("PMeasure")->isVisibleTo(opt));
  pod.ClearLog();
  ctl<QPushButton>("RDVPP")->click();
  EXPECT_EQ(pod.HostPackets(), (std::vector<std::string>{"B5 02 01", "AE 03", "AE 03", "AE 03",
                                                         "AE 03", "B5 02 00"}));
  EXPECT_EQ(ctl<QLabel>("PVPP")->text(), "3.00");
  EXPECT_EQ(ctl<QLabel>("PVCC")->text(), "0.00");
  pod.ClearLog();
  ctl<QPushButton>("RDALL")->click();
  EXPECT_EQ(pod.HostPackets(),
            (std::vector<std::string>{"B5 02 01", "B5 03 01", "AE 03", "AE 03", "AE 03", "AE 03",
                                      "B5 02 00", "B5 03 00"}));
  EXPECT_EQ(ctl<QLabel>("PVCC")->text(), "5.12");
  EXPECT_FALSE(pod.Measure.VppOn || pod.Measure.VddOn) << "switched off again";
  // Not USB: nothing is measured and the panel goes.
  Modes().IceInterfaceIndex = 0;
  opt->ICEDebugClick();
  EXPECT_FALSE(ctl<QGroupBox>("PMeasure")->isVisibleTo(opt));
  pod.ClearLog();
  ctl<QPushButton>("RDVCC")->click();
  EXPECT_TRUE(pod.HostPackets().empty());
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(OptionsDialog, TheDebugToolPeeksAndPokesPodMemory) {
  ASSERT_NO_FATAL_FAILURE(usePod());
  type("EDtAddr", "1a0");
  type("EDtVal", "5e");
  ctl<QPushButton>("BDtW")->click();
  EXPECT_EQ(pod.DataByte(0x1A0), 0x5E);
  pod.Target().WriteRegisterModel(0x1A1, 0x07);
  type("EDtAddr", "1A1");
  ctl<QPushButton>("BDtR")->click();
  EXPECT_EQ(ctl<QLabel>("RDtVal")->text(), "07");
  type("EPgAddr", "123");
  type("EPgVal", "ab");
  ctl<QPushButton>("BPgW")->click();
  EXPECT_EQ(pod.ProgramWord(0x123), 0x00AB);
  pod.SetProgramWord(0x124, 0xBEEF);
  type("EPgAddr", "124");
  ctl<QPushButton>("BPgR")->click();
  EXPECT_EQ(ctl<QLabel>("RPgVal")->text(), "BEEF");
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(OptionsDialog, TheKeyModeIsWrittenAndReadBack) {
  ASSERT_NO_FATAL_FAILURE(usePod());
  ctl<QRadioButton>("RBKOFF")->click();
  opt->SendProgramKeyMode();
  auto p = pod.HostPackets();
  ASSERT_GE(p.size(), 2u);
  EXPECT_EQ(p[0], "F9 0D AA");
  EXPECT_EQ(p[1], "F9 0E");
  EXPECT_TRUE(ctl<QRadioButton>("RBKOFF")->isChecked());
  EXPECT_EQ(pod.KeyExchanges, 0) << "the shipped first chip has no writer identity";
  // The programmer answers "Blank ON": the dialog follows it.
  pod.ClearLog();
  opt->WriteProgramKeyMode();
  EXPECT_EQ(pod.HostPackets(), std::vector<std::string>{"F9 0D AA"});
  pod.KeyModeAnswer = 0x00;
  pod.ClearLog();
  opt->SendProgramKeyMode();
  EXPECT_EQ(pod.HostPackets()[0], "F9 0D AA");
  EXPECT_TRUE(ctl<QRadioButton>("RBKON")->isChecked());
  EXPECT_EQ(Options().RBKOFF, 0);
  pod.KeyModeAnswer = -1;
  pod.ClearLog();
  opt->SendProgramKeyMode();
  EXPECT_EQ(pod.HostPackets()[0], "F9 0D FF");
  EXPECT_TRUE(ctl<QRadioButton>("RBKON")->isChecked());
  // With a writer identity (an extended chip): the exchange follows.
  choose("CbSeluP", 3);  // QR08B2: DeviceKind3, extended
  pod.ClearLog();
  opt->SendProgramKeyMode();
  EXPECT_EQ(pod.KeyExchanges, 1);
  EXPECT_TRUE(sent("F9 09"));
  EXPECT_EQ(pod.ChipVariantCommand(), 0x13) << "the QR chip's variant went to the pod";
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(OptionsDialog, TheChipWatchGoesToThePodOnCloseWhileDebuggingOnIt) {
  ASSERT_NO_FATAL_FAILURE(usePod());
  Modes().SimulatorMode = 0;
  Modes().DebugMode = 1;
  opt->BreakSetClick();
  ctl<QCheckBox>("CkWatchB3")->click();
  type("EWatchAddress", "0152");
  type("EWatchData", "30");
  opt->show();
  EXPECT_TRUE(opt->close());
  EXPECT_EQ(pod.DataByte(podmem::Watch), 0x08);
  EXPECT_EQ(pod.DataByte(podmem::Watch + 1), 0x30);
  EXPECT_EQ(pod.DataByte(podmem::Watch + 2), 0x01);
  EXPECT_EQ(pod.DataByte(podmem::Watch + 3), 0x52);
  Modes().DebugMode = 0;
  Modes().SimulatorMode = 1;
}

// The program makes its dialog at the first use: the dialog shows the start's
// chip list and what the records shown before left in its edits.
TEST_F(OptionsDialog, ADialogMadeLaterShowsWhatTheRecordsShownBeforeLeft) {
  TOptionTrail trail;
  trail.ChipItems = {"first chip", "second chip"};
  Options().WatchBitMask = 1;
  Options().WatchAddress = 0x123;
  Options().WatchData = 0x45;
  TOption::NoteRecords(trail);
  Options().WatchBitMask = 0;  // a watch without bits leaves the edits as they were
  TOption::NoteRecords(trail);
  TOption later(nullptr, &trail);
  auto* chips = later.findChild<QComboBox*>("CbSeluP");
  ASSERT_NE(chips, nullptr);
  EXPECT_EQ(chips->count(), 2);
  EXPECT_EQ(chips->itemText(1), "second chip");
  EXPECT_EQ(later.findChild<QLineEdit*>("EWatchAddress")->text(), "0123");
  EXPECT_EQ(later.findChild<QLineEdit*>("EWatchData")->text(), "45");
}

TEST_F(OptionsDialog, TheInterfacePageLeavesDebugMode) {
  int left = 0;
  opt->Hooks.LeaveDebugMode = [&] {
    ++left;
    Modes().DebugMode = 0;
  };
  Modes().DebugMode = 1;
  opt->InterSetupClick();
  EXPECT_EQ(left, 1);
  opt->InterSetupClick();
  EXPECT_EQ(left, 1);
}

}  // namespace
}  // namespace kyvor
