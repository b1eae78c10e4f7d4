#pragma once
// The main window of the IDE: a multiple-document frame with the menus, tool
// bars and status panels, the start-up and shutdown sequence, the build and
// debug road (Assemble & Debug), edit and debug mode, and the run and step
// commands that drive the CPU model.
#include <QMainWindow>
#include <QRect>
#include <QStringList>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/configfile.h"
#include "base/lang.h"
#include "chip/chipconfig.h"
#include "shell/mainwin/build_link.h"
#include "shell/mainwin/menu_items.h"
#include "shell/mainwin/views.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QTimer;
class QToolBar;
class QToolButton;

namespace kyvor {

class IEditorPages;
class TKy_BASE;
class TKy_ERR;
class TKy_Source;
class TKy_Hex;
class TKy_Revision;
class TKy_UP;
class TKyFormPlacements;
class TKyProgrammer;
class TRestoreWin;
class TSRAMRecord;
class TOption;
struct TOptionTrail;

// Process-wide values of the main window's unit.
struct TShellState {
  int StartedWithFile = 0;        // 1: started with an existing file on the command line
  int WinNtPlatform = 1;
  std::string ProgramFolder;      // the program's folder, with a trailing '/'
  // The program file, which names the window-placement file beside it
  // (empty: no placement file; the program's main block sets it).
  std::string ProgramFile;
  int BieBank = 0;
  IClock::time_point LastTraceTime{};
  IClock::time_point LastStepOverTime{};
  std::string MainFileName;
  std::string ProjectFileName;
  std::string LastProgrammerFile;
  uint16_t ImageFileChipId = 0;   // chip id of the last image file or chip read
  int AssembleOnly = 0;
  int AcmCheckState = 0;          // 0 not armed, 1 armed, 2 done
  int IceConnected = 0;
  uint16_t CodeChecksum = 0;
  // False after a build that failed: it left no image, so the checksum
  // panel shows none.
  bool CodeChecksumShown = true;
  uint16_t BlockCrc = 0;          // CRC of the information block of the last build
  uint16_t AcceptedPodChipId = 0;
  IClock::time_point WaitStartTime{};
  // Debug views showing when debug mode was last left, by their shown slot
  // (ShownSlot of the views table).
  std::array<bool, kShownViewCount> DebugViewShown{};
  // Stay-on-top flag per window (16) and five bytes the configuration file keeps.
  std::array<uint8_t, kConfigOnTopFlagCount> OnTopFlags{};
  // Two values of the configuration file kept for it and used nowhere else.
  std::array<int32_t, 2> PreservedValues{};
  // The folder of Kymain.cfg; empty: ProgramFolder.
  std::string ConfigFolder;
  // Where the open and save dialogs start (the main file's folder once known).
  std::string FileDialogFolder;
};
TShellState& Shell();
// The watch list of a project: its name up to the first '.' of the file
// name part, with ".pro".
std::string ProjectWatchFileName(const std::string& project);
// The project file for a name chosen in the save dialog: ".prj" added to a
// name without an extension; false for any other extension than "prj" (in
// any letter case).
bool ProjectFileNameFor(const std::string& chosen, std::string& name);
// "Checksum = 0x" and four upper-case hex digits.
std::string CheckSumCaption(uint16_t checksum);
void ResetShell();

// A window made at its first use: it converts to the window, making it then.
template <class T>
class TMadeOnDemand {
 public:
  TMadeOnDemand() = default;
  TMadeOnDemand(T* made) : made_(made) {}  // a window made already
  void SetMaker(std::function<T*()> make) { make_ = std::move(make); }
  bool CanMake() const { return made_ || make_; }
  // The window when it is made, else nullptr (making nothing).
  T* IfMade() const { return made_; }
  T* get() const {
    if (!made_ && make_) made_ = make_();
    return made_;
  }
  operator T*() const { return get(); }
  T* operator->() const { return get(); }

 private:
  std::function<T*()> make_;
  mutable T* made_ = nullptr;
};

// The windows the main window drives (created by the program's main block).
struct TKyForms {
  TKy_BASE* base = nullptr;
  IEditorPages* editor = nullptr;  // the editor window's pages
  TKy_UP* up = nullptr;            // the CPU model
  TKy_Revision* revision = nullptr;  // the revision viewer of the About command
  TSRAMRecord* sram = nullptr;     // the SRAM record window
  TMadeOnDemand<TOption> option;   // the options dialog
  std::array<QWidget*, ViewCount> views{};  // by view index; any may be missing

  // The views the main window itself drives beyond Refresh.
  QWidget* edit() const { return views[ViewEdit]; }
  TKy_ERR* err() const;
  TKy_Source* source() const;
  TKy_Hex* hex() const;
  // A view as its own class (nullptr when missing or of another class).
  template <class T>
  T* view(TViewIndex index) const {
    return qobject_cast<T*>(views[index]);
  }
};

// What the status bar's connection panel shows, each with its own caption and look.
enum class TConnectLook { Simulator, Connected, NotConnected, BodyOnBoard, BodyNotOnBoard };

class TKYMAIN : public QMainWindow, public ILangCaptionTarget {
  Q_OBJECT
 public:
  // FormCreate.
  explicit TKYMAIN(QWidget* parent = nullptr);
  ~TKYMAIN() override;

  QMdiArea* mdiArea() const { return mdi_; }

  // The options dialog is made by the main window at its first use; the
  // records take the values of its creation now.
  void DeferOptionDialog();
  // Hands the other windows to the main window (before the first activation).
  void AttachForms(const TKyForms& forms);
  const TKyForms& Forms() const { return forms_; }
  // The program's arguments without the program name.
  void SetCommandLine(const QStringList& args) { args_ = args; }

  // FormActivate: the start-up sequence on the first call, the layout on
  // every call.
  void FormActivate();
  // True once the main window has been closed (e.g. a missing command-line
  // file, or a failed build of the command-line file).
  bool IsClosed() const { return closed_; }

  // --- main file and status -------------------------------------------------
  void SetMainFile(const std::string& path);
  void SetStatusText(int flag, const std::string& text);
  std::string StatusText() const;
  std::string CheckSumText() const;
  void SetCheckSumText(const std::string& text);
  std::string ConnectText() const;
  bool ConnectShows(TConnectLook look) const;

  // --- modes ------------------------------------------------------------------
  void SetDebugMode(int mode);
  // The edit-mode title (the language switch calls it while not debugging).
  void RebuildMainTitle() override;
  // Menu captions and tool-button captions and hints in the current language.
  void ApplyMenuCaptions() override;
  void ApplyToolbarHints() override;
  void SetNoFileState(int flag);
  void SetSimulatorMode(int mode);
  // Pod detection and identification (also a click on the connection panel).
  void PConnectClick();
  void EditModePro(int flag);
  // DebugViewShown := the debug views of the chip's family that are showing.
  void recordShownViews();
  void RestMode(int flag);
  void ALLMenudisable();
  void ShowStackStatus();
  // Lights one wait lamp per second since the build started (at most 20).
  void Timer3Timer();
  // The pod watchdog (every second): while debugging on the emulator over
  // USB, a pod that was lost ends debug mode with the connect error.
  void Timer1Timer();
  bool WatchdogRunning() const;
  // The pod memory self-test (the ICE test item).
  void SMenu_ICE_TestClick();
  // FormKeyPress: a character typed in the main window, folded to upper
  // case, moves along the hidden key sequence; its end unlocks the LCD-panel
  // items.
  void FormKeyPress(QChar key);
  // True once the hidden key sequence was typed.
  bool LcdPanelUnlocked() const { return lcdUnlocked_; }

  // --- views ------------------------------------------------------------------
  void ShowView(QWidget* form, int index, int show);
  // ShowView for the form of a view index.
  void ShowView(TViewIndex index, int show) { ShowView(ViewForm(index), index, show); }
  // Shows a view as the active one, with the focus, but beneath the other
  // windows of the document area: those shown before it keep lying over it.
  void ShowViewBeneath(TViewIndex index);
  // The showing windows the user placed raised over the arranged ones.
  void raisePlacedViews();
  bool IsViewShowing(QWidget* form) const;
  QWidget* ViewForm(int index) const;
  // The document-area frame of a view (nullptr before it was first shown).
  QMdiSubWindow* ViewFrame(QWidget* form) const;
  // Puts the showing views that still hold their default place (the user
  // has not moved or resized them) in the default arrangement for the
  // current size of the document area. Runs on every show, hide and resize.
  void ArrangeDefaultViews();
  // True while the view keeps its default place.
  bool HoldsDefaultPlace(QWidget* form) const;
  // The window placement of a view (options/placement_forms.cpp): its frame's place in
  // the document area; false while it keeps its default place.
  bool ViewPlacement(QWidget* form, QRect& rect, Qt::WindowStates& state) const;
  // Gives a view a place of its own, kept from then on (also for a view
  // whose frame is made later, at its first show).
  void PlaceView(QWidget* form, const QRect& rect, Qt::WindowStates state);
  // The window-placement component (RestoreWin1).
  TRestoreWin& RestoreWin1() { return *restoreWin_; }

  // --- configuration and project files (options/config_state.cpp) -----------------
  // ProgramFolder (or ConfigFolder) + "Kymain.cfg".
  std::string ConfigFileName() const;
  // False when the file could not be written ("Can't save Configuration!").
  bool WriteConfigFile(const std::string& path);
  bool writeFirstConfigFile(const std::string& path, const std::string& text);
  void ReadConfigFile(const std::string& path);
  void SMenu_SaveConfigClick();
  void SMenu_LoadConfigClick();
  // The Options command: the options dialog for the mode, shown modally.
  void Menu_OptionClick();

  // --- build and debug road ------------------------------------------------------
  // True when the assembler reported nothing.
  bool BuildAndLoad(int enterDebug);
  int InvokeAssembler();
  bool SaveModifiedFiles(const std::string& onlyPath, int saveAll);
  // The built-in EEPROM access sites of the last build.
  const TEepromSites& EepromSites() const { return eepromSites_; }

  // --- refresh callbacks ---------------------------------------------------------
  // Asks the views for `reason`: each showing view of the chip's family, and
  // the hidden ones whose row takes the reason while hidden.
  void RefreshViews(TRefreshReason reason);
  void RefreshOnRunStopped();
  void RefreshWhileTracing();
  void EditorPageCommand(int command, const std::string& path);
  // The listing or the breakpoint list picked an address: the source view
  // shows its line and the listing centres on it (neither for its own pick).
  void AddressPicked(QWidget* sender, int32_t address);
  // Opens an error-list entry's line in the editor.
  bool OpenLineInEditor(const std::string& path, int line);

  // --- commands (menu items and tool buttons) ---------------------------------------
  void SMenu_AssembleDebugClick();
  void SMenu_AssembleClick();
  void SMenu_RunClick();
  void SMenu_StopClick();
  void SMenu_TraceClick();
  void SMenu_StepOverClick();
  void SMenu_STKOUTClick();
  void SMenu_ResetClick();
  void SMenu_EditModeClick();
  void SMenu_TraceContinueClick();
  void StepBack1Click();
  void SMenu_SetBPClick();
  // A View menu item or view button: the view shown.
  void SMenu_ViewClick(TViewIndex index);
  void TBtK_F10Click();
  void MM_SimulatorClick();
  void MM_EmulatorClick();
  // File and edit commands forwarded to the editor.
  void SMenu_NewClick();
  void SMenu_OpenClick();
  void SMenu_SaveClick();
  void SMenu_SaveAsClick();
  void SMenu_CloseClick();
  void SMenu_SaveAllClick();
  void SMenu_CloseAllClick();
  void SMenu_ExitClick();
  void SMenu_UndoClick();
  void SMenu_CutClick();
  void SMenu_CopyClick();
  void SMenu_PasteClick();
  void SMenu_SelectAllClick();
  void SMenu_FindClick();
  void SMenu_ReplaceClick();
  void SMenu_FindAgainClick();
  // Window tiling: two columns (Alt+Down) or one column (Alt+Up) of the
  // showing windows in tile order.
  void SMenu_NextClick();
  void SMenu_PrevClick();
  // About: the revision history of the current language in the revision viewer.
  void AboutClick();
  bool OpenSourceFile(const std::string& path);
  void SMenu_MainFileClick();
  // Projects ("*.prj" with the watch list "*.pro" beside it).
  void SMenu_OpenProjectClick();
  void SMenu_SaveProjectClick();
  void SMenu_RecordClick();
  void ReLoadROM1Click();
  void InFoBlkClick();
  // The chip-variant command of a QR chip; true when both transfers succeed.
  bool KYQRPCHIP();
  // The hidden pod test buttons (Button1..Button9 by their row, Button10).
  void TestButtonClick(int row);
  void Button10Click();
  // The emulator's program-memory check, then a reset of the model.
  void SMenu_CheckClick();

  // --- view buttons and the editor tool bar ----------------------------------------
  // The view buttons show as pressed exactly for form; the editor tool bar
  // serves the editor or the source view (hidden for other forms and none).
  void SyncViewButtons(QWidget* form);
  // The document area's active window changed.
  void ActiveFormChange();
  QWidget* CurrentChild() const { return currentChild_; }
  QWidget* PreviousChild() const { return previousChild_; }
  // The window the editor tool bar works on (editor, source view or none).
  QWidget* ToolBarHolder() const { return toolBarHolder_; }
  // Bookmark tool buttons: set and go-to (one group), the digit bar beside
  // the pressed one, and the page list.
  void TBtK_SBKClick();
  void TBtK_GBKClick();
  void BookmarkDigitClick(int digit);
  void TBtK_PageClick();
  void ReleaseBookmarkButtons();
  // The digit bar and its buttons (made at their first use).
  QWidget* DigitBar();
  QToolButton* DigitButton(int digit);
  // The bounds a view had when it was last shown (ShowView index 0..13).
  QRect ViewBounds(int index) const;

  // --- programmer-only layout (programmer/programmer_commands.cpp) and image files
  // (programmer/image_files.cpp) ---------------------------------------------------
  void SMenu_BlankClick();
  void SMenu_ProgramClick();
  void SMenu_VerifyClick();
  void SMenu_AutoClick();
  void SMenu_ReadClick();
  void SMenu_DownLoadClick();
  void SMenu_ReadLoadClick();
  void SaveHexFileClick();
  void LoadHexClick();
  void SMenu_ReadWriterClick();
  // True while a programmer command runs (the others wait for its end).
  bool ProgrammerBusy() const;

  // Menu items and tool buttons by their ids (TMenuItem::SMenu_Trace,
  // TToolButton::TBtK_F7); the View menu's items and the view buttons by
  // their view (ViewButton: nullptr for a view without a button).
  QAction* Action(TMenuItem id) const { return menuActions_[size_t(id)]; }
  QToolButton* Button(TToolButton id) const { return toolButtons_[size_t(id)]; }
  QAction* ViewAction(TViewIndex index) const { return viewActions_[index]; }
  QToolButton* ViewButton(TViewIndex index) const { return viewButtons_[index]; }
  bool RunTimerActive() const;
  int StepPending() const { return stepPending_; }

  // Budget of instructions per slice of a simulator run.
  void SetRunSliceBudget(int n) { sliceBudget_ = n; }

  // The pod step found the chip asleep: the animation stops and the run
  // command takes over (installed in the CPU model at debug entry).
  void SleepingChip();

 protected:
  void closeEvent(QCloseEvent* ev) override;
  void changeEvent(QEvent* ev) override;
  void keyPressEvent(QKeyEvent* ev) override;
  bool eventFilter(QObject* watched, QEvent* ev) override;

 private:
  void buildMenus();
  void buildToolBars();
  void buildStatusBar();
  QAction* addAction(QMenu* menu, const QString& name, const QString& caption,
                     const QKeySequence& key, std::function<void()> fn);
  QToolButton* addButton(QToolBar* bar, const QString& name, const QString& caption,
                         const QString& hint, std::function<void()> fn);
  void setEnabled(TMenuItem id, bool on);
  void setEnabled(TViewIndex index, bool on);
  void setButtonEnabled(TToolButton id, bool on);
  void setButtonEnabled(TViewIndex index, bool on);
  // True for the buttons of the programmer panel.
  static bool OnProgrammerPanel(TToolButton id);
  void runControls(bool running);
  void applyLayout();
  std::string editModeTitle() const;
  std::string debugModeTitle() const;
  bool FormCloseQuery();
  void FormClose();
  void setBusy(int width);
  void setConnectLook(TConnectLook look);
  // The connect error box (with the reason when the pod may not be opened).
  void showConnectError();
  // Emulator builds: the pod opened over USB and its chip id checked.
  bool connectPodForBuild();
  // The pod display's first line showing `text` padded to 32 characters.
  void podDisplay(const std::string& text);
  // The emulator's part of the build road: the pod taken, its core variant
  // set, the information block and the program downloaded and verified, the
  // target reset; false stops the road. `infoAddress`: the pod word address
  // of the information block; `withSbm`: the SBM part goes too.
  bool podRoad(uint32_t infoAddress, bool withSbm);
  // Load Hex of `path` after its dialog; true when debug mode was entered.
  bool loadHex(const std::string& path);
  // The emulator's last step of the debug entry: false when the pod no
  // longer answers (the link is closed and edit mode comes back).
  bool podDebugEntry();
  void installDebugCallbacks();
  void installSourceEvents();
  void installRecordEvents();
  void saveProjectWatches(const std::string& path);
  // Closing with a project open: false when the user cancels the close.
  bool offerProjectSave();
  // The bookmark buttons (set, go to) stay down while their digit bar shows.
  void setUpBookmarkButtons();
  // The hidden pod test buttons (made at their first use).
  QWidget* testButtons();
  void paintBookmarkDigits();
  void placeDigitBar();
  std::vector<QWidget*> tiledWindows() const;
  void applyChipMenus();
  void showPCAfterRefresh();
  void startRunLoop();
  void runSliceTick();
  void timer2Tick();
  // The steps of BuildAndLoad.
  bool startBuild();
  bool saveSourcesForBuild();
  bool assembleForBuild();
  bool enterDebugAfterBuild(bool enter);
  void debugEntry();
  void closingSteps(bool debugEntered);
  void buildInformationBlock();
  TConfigData gatherConfig() const;
  void applyConfigSection(int section, const TConfigData& d);
  // The steps after the sections; false when the reader ends early.
  bool afterConfigRead(int simulatorValue);
  // The pod display cleared and showing `text` at `position`, and the pod
  // taken for the host (lock 1) or given back to the programmer (0).
  void podShowMode(const std::string& text, int position, int lock);
  void installOptionHooks(TOption& opt);
  TOption* makeOptionDialog();
  // The options dialog shows the options record again.
  void optionsChanged();
  QWidget* editorTarget() const;
  void scheduleArrange();
  TLayoutItem layoutItem(QWidget* form, QMdiSubWindow* frame, TViewRole role) const;

  QMdiArea* mdi_;
  TKyForms forms_;
  QStringList args_;
  std::array<QAction*, kMenuItemCount> menuActions_{};
  std::array<QToolButton*, kToolButtonCount> toolButtons_{};
  std::array<QAction*, ViewCount> viewActions_{};
  std::array<QToolButton*, ViewCount> viewButtons_{};
  std::map<QWidget*, QMdiSubWindow*> frames_;
  // Default placement of each frame: kept while the frame stays where it
  // was last put.
  struct TPlace {
    bool managed = true;
    bool placed = false;
    QRect assigned;
    int preferredHeight = 240;
    // A place of its own from the placement file, for a frame made later.
    bool restored = false;
    QRect restoredRect;
    Qt::WindowStates restoredState;
  };
  std::map<QWidget*, TPlace> places_;
  bool arranging_ = false;
  bool arrangePending_ = false;
  bool shownOnce_ = false;
  QMenu* menuRun_ = nullptr;
  QToolBar* runPanel_ = nullptr;
  QToolBar* viewBar_ = nullptr;
  QToolBar* editBar_ = nullptr;
  QToolBar* programPanel_ = nullptr;
  QLabel* labSt_ = nullptr;
  QLabel* stBusy_ = nullptr;
  QLabel* pCheckSum_ = nullptr;
  QLabel* pConnect_ = nullptr;
  QWidget* proWait_ = nullptr;
  std::array<QLabel*, 20> waitLights_{};
  QProgressBar* eeBar_ = nullptr;
  QTimer* runTimer_ = nullptr;     // drives a simulator run, slice by slice
  QTimer* timer2_ = nullptr;       // animated trace (20 ms)
  QTimer* timer1_ = nullptr;       // the pod watchdog (1 s)
  QWidget* currentChild_ = nullptr;
  QWidget* previousChild_ = nullptr;
  QWidget* toolBarHolder_ = nullptr;
  QWidget* digitBar_ = nullptr;
  std::array<QToolButton*, 10> digitButtons_{};
  QWidget* testButtons_ = nullptr;
  std::array<QRect, ViewCount> viewBounds_{};
  // The open dialog's filter, as the layout chooses it.
  std::string openFilter_;
  int firstActivation_ = 1;
  int hiddenKeyPosition_ = 0;  // letters of the hidden key sequence typed so far
  bool lcdUnlocked_ = false;
  int stepPending_ = 0;
  int sliceBudget_ = 20000;
  int totalCodeLines_ = 0;
  bool closed_ = false;
  bool closing_ = false;
  bool inBuild_ = false;
  TEepromSites eepromSites_;
  // What the options dialog keeps while it is not made (DeferOptionDialog).
  std::unique_ptr<TOptionTrail> optionTrail_;
  std::unique_ptr<TKyFormPlacements> placementForms_;
  std::unique_ptr<TRestoreWin> restoreWin_;

  // What the chip loader asks of the main window.
  class TChipListener final : public TChipLoadListener {
   public:
    explicit TChipListener(TKYMAIN& main) : main_(main) {}
    // The emulator chip id kept in the CPU model's settings (0 without one).
    uint16_t podChipId() const override;
    // A QR chip: the chip-variant command goes to the pod.
    void chipVariantCommand(bool deviceKind3) override;
    // The peripheral items of the View menu follow the chip.
    void productChanged() override;
    bool writerIdentityEnabled() override;
    void chipLoadStarted() override;
    void writerCalibration() override;
    void chipLoaded(uint8_t result) override;

   private:
    TKYMAIN& main_;
  };
  TChipListener chipListener_{*this};

  // The programmer commands drive the panels and views of the main window.
  friend class TKyProgrammer;
  std::unique_ptr<TKyProgrammer> programmer_;
};

}  // namespace kyvor
