#pragma once
// The options dialog (TOption): five pages chosen by five tab buttons —
// "Interface Setup" (chip, language, interface, IDE mode, ROM emulation, the
// programmer's blank check), "Build Options" (output files, fill, compiler
// options, font), "Chip Watch", "Debug Tool" (voltages and pod memory through
// the pod) and "OSC Calibration". Most controls write the options record (or
// the chip, language and interface records) at once; closing the dialog
// commits the chip watch and the calibration inputs with their range checks.
// The record stays the one home of every setting: LoadFromOptions() shows it
// again after a configuration file was read.
#include <QDialog>
#include <QStringList>
#include <array>
#include <functional>
#include <string>

#include "base/lang.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;

namespace kyvor {

class TKy_UP;

// What the dialog's controls keep from the chips and records shown before
// (beyond what they show of the records now): its home while the program's
// dialog is not made yet, handed to the dialog when it is made.
struct TOptionTrail {
  QStringList ChipItems;    // the chip list as the program's start listed it
  bool ChipLoaded = false;  // a chip was loaded: its option groups are enabled or not
  // The last calibration ranges a chip gave.
  bool HaoRange = false, LaoRange = false;
  int32_t HaoMin = 0, HaoMax = 0, LaoMin = 0, LaoMax = 0;
  // The last watch with bits shown: its address and data stay in the edits.
  bool WatchShown = false;
  uint16_t WatchAddress = 0;
  uint8_t WatchData = 0;
};

class TOption : public QDialog, public ILangCaptionTarget {
  Q_OBJECT
 public:
  enum TPage { PageInterface = 0, PageBuild, PageWatch, PageDebugTool, PageCalibration, PageCount };

  // FormCreate: the chip list's items, RACM10 checked, the calibration edits
  // "2000000", "2" and "13000". A dialog made later than the program's start
  // takes the start's chip list and what the chips and records shown since
  // left (`trail`; the records took the creation's values at the start).
  explicit TOption(QWidget* parent = nullptr, TOptionTrail* trail = nullptr);
  ~TOption() override;

  // The records the dialog's creation sets (RACM10, the calibration edits,
  // no engineer mode).
  static void TakeCreationDefaults();
  // The chip list's items in the current language.
  static QStringList ChipListItems();
  // What LoadFromOptions and ChipLoaded leave in the trail (for a dialog not
  // made yet).
  static void NoteRecords(TOptionTrail& trail);
  static void NoteChipLoaded(TOptionTrail& trail);
  // The record WriterCalibration sets.
  static void TakeWriterCalibration();

  // What the dialog asks of the main window (each may be empty).
  struct THooks {
    std::function<void()> LeaveDebugMode;  // the main window's edit-mode command
    std::function<void()> Relayout;        // the main window's activation handler
    // The program-memory listing as the programmer's dump grid (true) or the
    // listing (false), refreshed.
    std::function<void(bool programmer)> ListingLayout;
    // The pod display cleared and showing the text at a position, and the pod
    // taken for the host (1) or given back to the programmer (0).
    std::function<void(const std::string& text, int position, int lock)> PodShowMode;
    std::function<void()> EngineerTitle;  // the title of the engineer mode
    std::function<void()> FontChanged;    // the editor font re-applied everywhere
    std::function<bool()> WriterIdentityEnabled;
  } Hooks;
  void AttachModel(TKy_UP* up) { up_ = up; }

  // --- pages ------------------------------------------------------------------------
  void ShowPage(TPage page);  // the tab raised, its page shown, the others lowered
  TPage CurrentPage() const { return page_; }
  void InterSetupClick();
  void ConfigSetupClick();
  void BreakSetClick();
  void ICEDebugClick();
  void PHAOCALClick();
  // The Options command: the Chip Watch page in debug mode, else the
  // interface page; the calibration group hidden and EnHAO from HaoEnabled.
  void PrepareForShow(bool debugMode, uint16_t podChipId);
  // Shows the dialog modally (a seam for the tests).
  std::function<int(QDialog&)> Exec = [](QDialog& d) { return d.exec(); };

  // --- the record ----------------------------------------------------------------------
  // Every control from the options, chip, language and interface records.
  void LoadFromOptions();
  // After every chip load: the groups the chip decides enabled or not.
  void ChipLoaded();
  // Before a chip is read: the calibration group hidden.
  void ChipLoadStarted();
  // After a chip load when the writer answers: EnHAO from HaoEnabled.
  void WriterCalibration();
  // The close: false when an input is out of range (the dialog stays open).
  bool BtCloseClick();
  void CbSeluPChange(int index);
  void WatchInit();
  bool SetWatch();
  void ApplyCalibrationOptions();
  // The programmer's blank-check mode written and read back (F10, DownLoad).
  void SendProgramKeyMode();
  void WriteProgramKeyMode();

  // --- the Debug Tool page -------------------------------------------------------------
  void RDVPPClick();
  void RDVCCClick();
  void RDALLClick();
  void BPgWClick();
  void BPgRClick();
  void BDtWClick();
  void BDtRClick();

  // Captions in the current language.
  void ApplyMenuCaptions() override;
  void ApplyOptionCaptions() override;
  void ApplyOptionConfigCaptions();

 protected:
  void closeEvent(QCloseEvent* ev) override;
  // Key preview: each key typed into the dialog or any of its controls.
  bool eventFilter(QObject* watched, QEvent* ev) override;
  void done(int r) override;

 private:
  // The frame (options_dialog.cpp): tabs, pages, the close and key mode.
  QHBoxLayout* buildTabRow();
  QHBoxLayout* buildCloseRow();
  void installKeyPreview();
  QCheckBox* check(QWidget* parent, const char* name, const QString& caption,
                   std::function<void(bool)> onClick = {});
  QRadioButton* radio(QWidget* parent, const char* name, const QString& caption,
                      std::function<void()> onClick = {});
  QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                      void (TOption::*onClick)());
  void reattachInterface();
  void showIdeMode();
  void engineerKey(int key);
  void becomeEngineer();

  // "Interface Setup" (options_interface_page.cpp).
  QWidget* buildInterfacePage();
  QGroupBox* buildHardwareGroup(QWidget* page);
  QGroupBox* buildRomGroup(QWidget* page);
  QGroupBox* buildIdeModeGroup(QWidget* page);
  QGroupBox* buildBlankCheckGroup(QWidget* page);
  void loadInterfacePage();
  void loadInterfaceCombos();
  // The ROM-emulation choice widened for the engineer mode.
  void widenRomChoice();
  void applyInterfaceCaptions();

  // "Build Options" (options_build_page.cpp).
  QWidget* buildBuildPage();
  QGroupBox* buildOutputsGroup(QWidget* page);
  QGroupBox* buildFillGroup(QWidget* page);
  QGroupBox* buildCompilerGroup(QWidget* page);
  QGroupBox* buildInstructionSetGroup(QWidget* page);
  QGroupBox* buildStackGroup(QWidget* page);
  QGroupBox* buildAcmGroup(QWidget* page);
  QGroupBox* buildWdtGroup(QWidget* page);
  QPushButton* buildFontButton(QWidget* page);
  void loadBuildOptionsPage();
  void buildOptionsChipLoaded();
  // A K08B chip has no smart compiler.
  void commitCompilerChoice();
  void applyBuildOptionsCaptions();

  // "Chip Watch" (options_chipwatch_page.cpp).
  QWidget* buildWatchPage();
  void commitWatch();

  // "Debug Tool" (options_debugtool_page.cpp).
  QWidget* buildDebugToolPage();
  QGroupBox* buildMeasurePanel(QWidget* page);
  // One memory group: address and value edits, the value read, its buttons.
  struct TMemoryGroup;
  QGroupBox* buildMemoryGroup(QWidget* page, const TMemoryGroup& g);
  void measure(bool vpp, bool vdd);
  void applyDebugToolCaptions();

  // "OSC Calibration" (options_calibration_page.cpp).
  QWidget* buildCalibrationPage();
  QGroupBox* buildHaoGroup(QWidget* page);
  QGroupBox* buildLpoGroup(QWidget* page);
  void loadCalibrationPage();
  void calibrationPageChipLoaded();
  void showChipRanges();
  void showWatchEdits();
  void showCalibrationEdits();
  // The HAO inputs count: the hardware calibration is on for a chip that has it.
  bool haoInputsApply() const;
  bool checkCalibrationInputs();
  // Close steps 1 and 2: false when an input is out of range.
  bool commitCalibration();

  TKy_UP* up_ = nullptr;
  TOptionTrail ownTrail_;
  TOptionTrail* trail_;
  TPage page_ = PageInterface;
  bool closing_ = false;
  int engineerProgress_ = 0;
  std::array<QToolButton*, PageCount> tabs_{};
  QStackedWidget* pages_ = nullptr;
  QPushButton* btClose_ = nullptr;
  // Interface Setup
  QComboBox* cbSeluP_ = nullptr;
  QComboBox* cbSelLang_ = nullptr;
  QComboBox* selLpt_ = nullptr;
  QComboBox* selRom_ = nullptr;
  QRadioButton* pIce_ = nullptr;
  QRadioButton* pProg_ = nullptr;
  QRadioButton* rbkOn_ = nullptr;
  QRadioButton* rbkOff_ = nullptr;
  QGroupBox* groupBox1_ = nullptr;
  QGroupBox* groupBox2_ = nullptr;
  QGroupBox* romGroup_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* selIoLpt_ = nullptr;
  QLabel* langLabel_ = nullptr;
  // Build Options
  std::array<QCheckBox*, 7> outputs_{};
  QCheckBox* ckToolEdit_ = nullptr;
  std::array<QRadioButton*, 3> fill_{};  // " 00", " FF", "JMP 0" by fill mode
  QPushButton* btFont_ = nullptr;
  QCheckBox* smartCompiler_ = nullptr;
  QCheckBox* cOptimization_ = nullptr;
  QRadioButton* pk08a_ = nullptr;
  QRadioButton* pk08b_ = nullptr;
  QCheckBox* cProtect_ = nullptr;
  QCheckBox* stkOvRst_ = nullptr;
  QCheckBox* stkOvStop_ = nullptr;
  QRadioButton* racm10_ = nullptr;
  QRadioButton* racm12_ = nullptr;
  QCheckBox* chWdtJmp_ = nullptr;
  QGroupBox* groupOutputs_ = nullptr;
  QGroupBox* noUseFill_ = nullptr;
  QGroupBox* compilerGroup_ = nullptr;
  QGroupBox* pInst_ = nullptr;
  QGroupBox* stackGroup_ = nullptr;
  QGroupBox* groupAcm_ = nullptr;
  QGroupBox* groupWdt_ = nullptr;
  // Chip Watch
  QCheckBox* stpOvStak_ = nullptr;
  std::array<QCheckBox*, 8> watchBits_{};
  QLineEdit* eWatchAddress_ = nullptr;
  QLineEdit* eWatchData_ = nullptr;
  // Debug Tool
  QGroupBox* measurePanel_ = nullptr;
  QPushButton* rdVpp_ = nullptr;
  QPushButton* rdVcc_ = nullptr;
  QPushButton* rdAll_ = nullptr;
  QLabel* pVpp_ = nullptr;
  QLabel* pVcc_ = nullptr;
  QGroupBox* dataGroup_ = nullptr;
  QGroupBox* programGroup_ = nullptr;
  QLineEdit* eDtAddr_ = nullptr;
  QLineEdit* eDtVal_ = nullptr;
  QLabel* rDtVal_ = nullptr;
  QLineEdit* ePgAddr_ = nullptr;
  QLineEdit* ePgVal_ = nullptr;
  QLabel* rPgVal_ = nullptr;
  std::array<QLabel*, 6> debugLabels_{};
  std::array<QPushButton*, 4> debugButtons_{};
  // OSC Calibration
  QCheckBox* enHao_ = nullptr;
  QCheckBox* enShao_ = nullptr;
  QCheckBox* enSlao_ = nullptr;
  QGroupBox* pHao_ = nullptr;
  QLineEdit* eHao_ = nullptr;
  QLineEdit* ePermiss_ = nullptr;
  QLineEdit* eLao_ = nullptr;
  QLabel* lHaoMin_ = nullptr;
  QLabel* lHaoMax_ = nullptr;
  QLabel* lLaoMin_ = nullptr;
  QLabel* lLaoMax_ = nullptr;
};

// The options dialog of the running program (nullptr before it is created).
TOption* Option();

}  // namespace kyvor
