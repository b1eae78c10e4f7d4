// The main window's build and debug road, edit and debug mode switching,
// the run and step commands and the refresh of the views when the target
// stops.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "assembler/assembler.h"
#include "base/dialogs.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "debugwin/debugwins.h"
#include "engine/infoblock.h"
#include "engine/ky_up.h"
#include "link/pod_protocol.h"
#include "shell/editor/editorlink.h"
#include "shell/mainwin/build_link.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/options/options_dialog.h"
#include "shell/programmer/programmer_commands.h"
#include "shell/source/listing.h"
#include "shell/source/source_view.h"

namespace kyvor {

namespace {

using I = TMenuItem;
using B = TToolButton;

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Pump() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool IsUnnamed(const std::string& path) {
  if (path.size() < 4) return false;
  std::string head = path.substr(0, 4);
  for (auto& c : head) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return head == "~NEW";
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string WithAsmExtension(const std::string& name) { return WithDefaultExtension(name, ".asm"); }

// The longest F10 waits for a step of the animated trace to end.
constexpr long long kStepWaitMs = 2000;

// The file dialogs' filter of source files.
const char* const kSourceFilter = "*.asm|*.asm|*.inc|*.inc|*.*|*.*";

std::string Hex4(unsigned v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
  return b;
}

}  // namespace

std::string CheckSumCaption(uint16_t checksum) { return "Checksum = 0x" + Hex4(checksum); }

// ---------------------------------------------------------------------------
// Saving modified editor files
// ---------------------------------------------------------------------------

bool TKYMAIN::SaveModifiedFiles(const std::string& onlyPath, int saveAll) {
  IEditorPages* ed = forms_.editor;
  if (!ed || ed->PageCount() == 0) return true;
  // A question or a name dialog has the page it is about in view; otherwise
  // the editor stays as it was.
  const bool wasShowing = IsViewShowing(forms_.edit());
  bool shownToAsk = false;
  const auto inView = [&] {
    if (IsViewShowing(forms_.edit())) return;
    ShowView(ViewEdit, 1);
    shownToAsk = true;
  };
  const std::string only = Upper(onlyPath);
  const int original = ed->ActivePageIndex();
  bool all = saveAll != 0;
  bool ok = true;
  for (int i = 1; i <= ed->PageCount() && ok; ++i) {
    ed->ActivatePage(i);
    const std::string path = ed->PagePath(i);
    if (!only.empty() && Upper(path) != only) continue;
    if (!ed->PageModified(i)) continue;
    MsgResult answer = MsgResult::All;
    if (!all || IsUnnamed(path)) inView();
    if (!all) {
      unsigned buttons = MbYes | MbNo | MbCancel | (only.empty() ? MbAll : 0u);
      answer = Dialogs().messageBox("Save changes to " + path + "?", "Kyvor-IDE", MsgIcon::None,
                                    buttons);
    }
    if (answer == MsgResult::Cancel) {
      ok = false;
      break;
    }
    if (answer == MsgResult::All) all = true;
    if (answer == MsgResult::Yes || answer == MsgResult::All) {
      std::string target = path;
      if (IsUnnamed(path)) {
        auto name = Dialogs().saveFileName("Save As", std::string(),
                                           kSourceFilter);
        if (!name) {
          // Cancelling the name dialog cancels the whole question.
          ok = false;
          break;
        }
        target = WithAsmExtension(*name);
      }
      if (!ed->SaveCurrentPageAs(target)) {
        // A page that could not be written is not counted as saved.
        ok = false;
        break;
      }
    }
  }
  if (original >= 1 && original <= ed->PageCount()) {
    ed->ActivatePage(original);
    StoreMainFileName(ed->PagePath(original));
  }
  // Cancelled, the page stays in view for the user to go on with.
  if (shownToAsk && !wasShowing && ok) ShowView(ViewEdit, 0);
  return ok;
}

// ---------------------------------------------------------------------------
// Build and debug road
// ---------------------------------------------------------------------------

void TKYMAIN::SMenu_AssembleDebugClick() {
  if (inBuild_ || !Action(I::SMenu_AssembleDebug)->isEnabled()) return;
  Shell().AssembleOnly = 0;
  if (Modes().PodlessMode != 1 && forms_.up) forms_.up->SetPointerBankBits();
  BuildAndLoad(1);
}

void TKYMAIN::SMenu_AssembleClick() {
  if (inBuild_ || !Action(I::SMenu_Assemble)->isEnabled()) return;
  Shell().AssembleOnly = 1;
  const bool ok = BuildAndLoad(0);
  if (ok && forms_.err()) {
    forms_.err()->AddError("", 0, Shell().MainFileName + " .......Compiler ...............");
    forms_.err()->AddError("", 0, Shell().MainFileName + " .......Compiler   complete");
  }
  if (forms_.err()) ShowView(ViewErr, 1);
  if (forms_.source()) forms_.source()->ClearSourcePages();
}

void TKYMAIN::buildInformationBlock() {
  const auto& c = Chip();
  TInfoTemplates templates;
  templates.Main = ReadTemplateFile(MainTemplateName(c));
  if (c.DeviceKind3 == 1) templates.Sbm = ReadTemplateFile(kSbmTemplateName);
  TInfoBlockBuilder builder(forms_.up->Info, c, Options());
  builder.BuildBeforeAssembly(templates);
  // A programmer that answers its identity takes the calibration words.
  if (forms_.up->WriterIdentityEnabled()) {
    builder.PutCalibration(CalibrationFromOptions(TCalibrationUse::InfoBlock));
    optionsChanged();
  }
}

int TKYMAIN::InvokeAssembler() {
  if (OutputFileName(OutMainFile).empty() || !forms_.up) return 0;
  TShellAsmHost host(*this);
  eepromSites_ = TEepromSites{};
  TShellAsmTarget target(*forms_.up, eepromSites_);
  TAsmOptions opt;
  static_cast<TOptions&>(opt) = Options();
  opt.AcmGroupEnabled = Chip().AcmPresent;
  opt.AssembleOnly = static_cast<uint8_t>(Shell().AssembleOnly);
  TF_ASM assembler(host, target, opt);
  const int result = assembler.Assemble();
  totalCodeLines_ = assembler.TotalCodeLines();
  Shell().CodeChecksum = target.Target().CodeChecksum();
  Shell().BlockCrc = target.Target().BlockCrc();
  return result;
}

bool TKYMAIN::BuildAndLoad(int enterDebug) {
  if (inBuild_ || ProgrammerBusy() || !forms_.up) return false;
  inBuild_ = true;
  if (!startBuild() || !saveSourcesForBuild()) {
    closingSteps(false);
    inBuild_ = false;
    return false;
  }
  const bool result = assembleForBuild();
  if (Options().PProg) {
    // The programmer-only layout: the image goes to the writer.
    programmer_->BuildRoad(enterDebug == 1, result);
  } else {
    closingSteps(enterDebugAfterBuild(enterDebug == 1 && result));
  }
  inBuild_ = false;
  return result;
}

// The selected chip reloaded, the pod checked in emulator mode, the chip's
// instruction table loaded and the build commands off; false when the pod
// failed.
bool TKYMAIN::startBuild() {
  TKy_UP* up = forms_.up;
  GetSELUP();
  up->ApplyChipConfig();
  Shell().AcmCheckState = 0;
  if (Modes().SimulatorMode == 0 && !connectPodForBuild()) return false;
  setBusy(35);
  Pump();
  if (Chip().CoreVariant == 0) {
    up->LoadInstructionTableFull();
  } else {
    up->LoadInstructionTableReduced();
  }
  setEnabled(I::SMenu_AssembleDebug, false);
  setEnabled(I::SMenu_Assemble, false);
  setButtonEnabled(B::TBtK_F10, false);
  return true;
}

// Every modified page saved and the others reloaded from their files; false
// without a main file or when a page could not be saved.
bool TKYMAIN::saveSourcesForBuild() {
  const bool saved = SaveModifiedFiles(std::string(), 1);
  setEnabled(ViewErr, true);
  StoreMainFileName(Shell().MainFileName);
  const bool noMainFile = OutputFileName(OutMainFile).empty();
  // Without a main file (a new page whose name was not given) the build
  // says so; a page that could not be saved keeps its text: no reload, no
  // build.
  if (noMainFile)
    Dialogs().messageBox("Please set the \"Mail File\".", "Error", MsgIcon::Error, MbCancel);
  if (noMainFile || !saved) return false;
  if (IEditorPages* ed = forms_.editor) {
    for (int i = 1; i <= ed->PageCount(); ++i)
      if (!ed->PageModified(i)) ed->ReloadPage(i);
  }
  SetStatusText(1, "Please wait...");
  Pump();
  return true;
}

// The information block built and the assembler run with the wait lights
// showing; true when the assembler reported nothing.
bool TKYMAIN::assembleForBuild() {
  buildInformationBlock();
  if (Options().PProg) Options().OutBinaryFile = 1;
  if (Options().PProg || Modes().SimulatorMode == 1) Shell().AcceptedPodChipId = 0;
  for (auto* l : waitLights_) l->hide();
  proWait_->show();
  Shell().WaitStartTime = Clock().now();
  Pump();
  const bool result = InvokeAssembler() == 1;
  proWait_->hide();
  return result;
}

// Debug entry when `enter` (the simulator at once, the emulator once the pod
// holds the program); true when debug mode was entered.
bool TKYMAIN::enterDebugAfterBuild(bool enter) {
  bool debugEntered = false;
  if (Options().PICE() && enter &&
      (Modes().SimulatorMode == 1 ||
       podRoad(Chip().DeviceKind3 != 0 ? 0x4000 : 0x2800, Chip().ExtendedDevice == 1))) {
    debugEntry();
    debugEntered = Modes().DebugMode == 1;
  }
  if (!debugEntered) {
    labSt_->setPalette(palette());
    SetStatusText(1, Shell().MainFileName);
  }
  return debugEntered;
}

void TKYMAIN::debugEntry() {
  TKy_UP* up = forms_.up;
  ShowView(ViewEdit, 0);
  up->ClearBreakpoints();
  if (Modes().SimulatorMode == 0) {
    up->ApplyHardwareBreakpoints();
    if (forms_.option) forms_.option->SetWatch();
  }
  setEnabled(ViewErr, false);
  if (forms_.source()) {
    if (forms_.editor) forms_.source()->ImportEditorBookmarks(*forms_.editor);
    ShowView(ViewSource, 0);
    const int lines = totalCodeLines_;
    char size[64];
    std::snprintf(size, sizeof size, "Size: %.1fk", lines / 1024.0);
    const QString rom = QString::number(ProgramMemoryPages() / 4.0, 'g');
    forms_.source()->SetStatusPanel(std::string(size) + "  /  " + rom.toStdString() + "K" +
                                  "      " + "Total Code Line = " + std::to_string(lines));
    forms_.source()->ShowPCLine(up->GetPC(), true);
  }
  // The debug views that were showing when debug mode was last left come
  // back in the order of their flags; the source view comes last, below.
  std::vector<const TViewRow*> recorded;
  for (const TViewRow& row : ViewRows())
    if (row.shownSlot > 0 && Shell().DebugViewShown[row.shownSlot]) recorded.push_back(&row);
  std::sort(recorded.begin(), recorded.end(),
            [](auto* a, auto* b) { return a->shownSlot < b->shownSlot; });
  for (const TViewRow* row : recorded)
    if (ChipHasView(*row)) ShowView(row->index, 1);
  ShowView(ViewErr, 0);

  installDebugCallbacks();
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(0);
  RefreshViews(TRefreshReason::DebugEntry);
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(up->GetPC());
  SetDebugMode(1);
  if (forms_.source()) {
    ShowViewBeneath(ViewSource);
    forms_.source()->setFocus();
    raisePlacedViews();
  }
  // Built-in EEPROM emulation on the pod: the access sites become the first
  // breakpoint records.
  if (ApplyEepromSites(*up, eepromSites_) && eepromSites_.Count > 10)
    Dialogs().messageBox(kEepromSitesWarning, "Warning", MsgIcon::Warning, MbOk);
  ThePod().PodWriteConfigBlock(
      std::vector<uint32_t>(eepromSites_.Addresses.begin(), eepromSites_.Addresses.end()));
  if (!podDebugEntry()) return;
  if (forms_.sram) forms_.sram->SetAddCurrentEnabled(true);
  up->SetTimerInterval(Modes().SimulatorMode == 1 ? 10 : 100);
  labSt_->setPalette(palette());
  SetStatusText(1, Shell().MainFileName);
}

void TKYMAIN::closingSteps(bool debugEntered) {
  if (!debugEntered && Shell().StartedWithFile == 1) {
    // A failed build of the command-line file ends the program.
    closing_ = true;
    close();
    closing_ = false;
    closed_ = true;
    hide();
  }
  if (!debugEntered && Modes().SimulatorMode == 0 && Modes().DebugMode == 1) EditModePro(1);
  // The output names keep following the main file itself.
  StoreMainFileName(Shell().MainFileName);
  SetMainFile(Shell().MainFileName);
  if (Modes().DebugMode == 0) {
    const bool pages = forms_.editor && forms_.editor->PageCount() > 0;
    setEnabled(I::SMenu_AssembleDebug, pages || !Shell().MainFileName.empty());
    setEnabled(I::SMenu_Assemble, pages || !Shell().MainFileName.empty());
  }
  setButtonEnabled(B::TBtK_F10, true);
  setBusy(10);
  if (forms_.up) forms_.up->StepReady = 1;
  timer2_->stop();
  if (Modes().DebugMode == 1) SetStatusText(1, Shell().MainFileName);
  if (Options().PProg) labSt_->setText(Q(Shell().LastProgrammerFile));
}

void TKYMAIN::installDebugCallbacks() {
  TKy_UP* up = forms_.up;
  up->OnRunStopped = [this](TKy_UP&) { RefreshOnRunStopped(); };
  up->OnTraceStep = [this](TKy_UP&) { RefreshWhileTracing(); };
  up->Hooks.DisableRunControls = [this] { ALLMenudisable(); };
  up->Hooks.ShowStackStatus = [this] { ShowStackStatus(); };
  up->Hooks.ShowAddress = [this](uint32_t a) {
    if (forms_.hex()) forms_.hex()->CenterOnAddress(a);
    if (forms_.source()) forms_.source()->ShowAddressLine(a);
  };
  up->Hooks.BreakpointChanged = [this](const TBreakpointRecord& b, bool set) {
    TKy_Source* src = forms_.source();
    if (!src) return;
    if (b.Kind == 2) {
      src->SetBreakpointMark(b.Page, b.Line, set);
    } else if (b.Kind == 1) {
      src->MarkBreakpointAtAddress(uint32_t(b.Address), set);
    }
  };
  up->Hooks.RunMarksChanged = [this](int on) {
    if (TKy_Source* src = forms_.source()) on ? src->DimSource() : src->UndimSource();
  };
  up->Hooks.ResetRequested = [this] { RestMode(0); };
  up->Hooks.RegisterWritten = [this](int) { RefreshViews(TRefreshReason::RegisterWrite); };
  up->Hooks.TargetRunningChanged = [this](int running) {
    if (running) RefreshViews(TRefreshReason::RunStarted);
  };
  up->Hooks.SleepingChip = [this] { SleepingChip(); };
  if (TKy_Hex* hex = forms_.hex()) {
    hex->OnSetBreakpoint = [this](TKy_Hex&) { SMenu_SetBPClick(); };
    hex->OnAddressPicked = [this](TKy_Hex& h, int32_t a) { AddressPicked(&h, a); };
  }
  if (auto* bp = forms_.view<TKy_BP>(ViewBp))
    bp->OnAddressPicked = [this](TKy_BP& b, int32_t a) { AddressPicked(&b, a); };
  installSourceEvents();
}

void TKYMAIN::AddressPicked(QWidget* sender, int32_t address) {
  TKy_Source* src = forms_.source();
  if (src && sender != src && forms_.up && forms_.up->GetSourceLine(uint32_t(address)) > 0)
    src->ShowPageOfAddress(uint32_t(address));
  TKy_Hex* hex = forms_.hex();
  if (hex && sender != hex) hex->CenterOnAddress(uint32_t(address));
}

void TKYMAIN::installSourceEvents() {
  TKy_Source* src = forms_.source();
  if (!src) return;
  src->OnBreakpointsToggled = [this] { RefreshViews(TRefreshReason::Breakpoints); };
  src->OnStopAndCheck = [this] {
    SMenu_StopClick();
    SMenu_CheckClick();
  };
  src->OnMouseDown = [this] { ReleaseBookmarkButtons(); };
}

// ---------------------------------------------------------------------------
// Edit and debug mode
// ---------------------------------------------------------------------------

void TKYMAIN::EditModePro(int flag) {
  runTimer_->stop();
  timer2_->stop();
  setBusy(35);
  Pump();
  if (forms_.up) {
    forms_.up->CpuReset();
    forms_.up->ClearProgramMemory();
  }
  if (forms_.source()) forms_.source()->ClearSourcePages();
  // The watches the user set up are written before anything can read them again.
  if (auto* watch = forms_.view<TKy_WATCH>(ViewWatch)) watch->WritePendingChanges();
  // Flag 0 records which debug views are showing, then every debug view is hidden.
  if (flag == 0) recordShownViews();
  for (const TViewRow& row : ViewRows())
    if (row.shownSlot >= 0) ShowView(row.index, 0);
  SetDebugMode(0);
  if (forms_.editor && forms_.editor->PageCount() > 0) ShowView(ViewEdit, 1);
  setBusy(10);
  const bool pages = forms_.editor && forms_.editor->PageCount() > 0;
  setEnabled(I::SMenu_AssembleDebug, pages || !Shell().MainFileName.empty());
  setEnabled(I::SMenu_Assemble, pages || !Shell().MainFileName.empty());
}

// The analog windows of the other chip family keep their flags.
void TKYMAIN::recordShownViews() {
  for (const TViewRow& row : ViewRows())
    if (row.shownSlot >= 0 && InChipFamily(row))
      Shell().DebugViewShown[row.shownSlot] = IsViewShowing(ViewForm(row.index));
}

void TKYMAIN::SMenu_EditModeClick() {
  if (Modes().DebugMode != 1) return;
  EditModePro(0);
}

void TKYMAIN::TBtK_F10Click() {
  Shell().AssembleOnly = 0;
  if (Shell().StartedWithFile == 1) {
    close();
    return;
  }
  if (Modes().DebugMode == 0) {
    // The programmer's blank-check mode goes to it before the build and again after.
    if (forms_.option) forms_.option->SendProgramKeyMode();
    if (forms_.sram) {
      forms_.sram->RecordClearA();
      forms_.sram->ClearLastAction();
    }
    if (forms_.source()) forms_.source()->ClearSourcePages();
    SMenu_AssembleDebugClick();
    if (forms_.option) forms_.option->WriteProgramKeyMode();
    return;
  }
  timer2_->stop();
  // The animated trace finishes its step first, but a step that never ends
  // (a pod that stopped answering) does not keep the IDE in debug mode.
  TKy_UP* up = forms_.up;
  const auto start = Clock().now();
  while (up && up->StepReady == 0 && ElapsedMs(start) < kStepWaitMs) {
    Clock().pumpMessages();
    Clock().sleepFor(std::chrono::milliseconds(10));
  }
  if (up) {
    up->StopProgram(0);
    up->StepReady = 1;
  }
  runTimer_->stop();
  // Pages with edits not saved keep them.
  if (IEditorPages* ed = forms_.editor) {
    for (int i = 1; i <= ed->PageCount(); ++i)
      if (!ed->PageModified(i)) ed->ReloadPage(i);
  }
  SMenu_EditModeClick();
  labSt_->setPalette(palette());
  SetStatusText(1, Shell().MainFileName);
  // The watches go back to the main file's ".pro".
  if (auto* watch = forms_.view<TKy_WATCH>(ViewWatch)) watch->SaveToPropertiesFile();
  RebuildMainTitle();
  if (up && Modes().SimulatorMode == 0) {
    up->PodLcdClear();
    up->PodLcdWriteText(0, "Kyvor-IDE ICE Edit Mode");
  }
}

void TKYMAIN::RestMode(int /*flag*/) {
  TKy_UP* up = forms_.up;
  if (!up) return;
  timer2_->stop();
  runTimer_->stop();
  const bool emulator = Modes().SimulatorMode == 0;
  if (emulator) ThePod().PodStopTarget();
  up->SetRunMarks(0);
  setBusy(35);
  Pump();
  up->ResetDebugTarget();
  const TChipConfig& c = Chip();
  if (emulator) {
    if (c.DeviceKind3 == 0) up->IceDownloadSbm(0x2E00, 0, 0, up->EEBar(), 256);
    up->RestartIfOutOfRange(c.DeviceKind3 == 0 ? 0x1400 : 0x2000);
  }
  installDebugCallbacks();
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(0);
  // The pod's emulated EEPROM area comes back into the read-back image.
  if (emulator && c.DeviceKind3 == 0 && c.SelfEromMode != 0) {
    if (!ThePod().PodSelectProgramMemory()) return;
    up->IceUploadBlock(0x2E00, 1, up->EEBar(), 128);
  }
  RefreshViews(TRefreshReason::Reset);
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(up->GetPC());
  if (TKy_Source* src = forms_.source()) src->ShowPCLine(up->GetPC(), true);
  SetDebugMode(1);
  runControls(false);
  setBusy(10);
  up->StepReady = 1;
  labSt_->setPalette(palette());
  SetStatusText(1, Shell().MainFileName);
}

// ---------------------------------------------------------------------------
// Run, stop and step
// ---------------------------------------------------------------------------

void TKYMAIN::runControls(bool running) {
  setEnabled(I::SMenu_Stop, running);
  for (TMenuItem n : {I::SMenu_Run, I::ReLoadROM1, I::SMenu_Trace, I::SMenu_TraceContinue,
                      I::SMenu_StepOver, I::SMenu_STKOUT, I::StepBack1})
    setEnabled(n, !running);
  for (TToolButton b : {B::TBtK_F6, B::TBtK_F7, B::TBtK_F8, B::TBtK_F9, B::TBtK_CF9, B::TBtK_F11})
    setButtonEnabled(b, !running);
  setButtonEnabled(B::TBtK_F12, running);
  if (forms_.sram) forms_.sram->SetAddCurrentEnabled(!running);
}

void TKYMAIN::ALLMenudisable() { runControls(true); }

void TKYMAIN::startRunLoop() {
  TKy_UP* up = forms_.up;
  if (!up || !up->TimerEnabled()) return;
  runTimer_->setInterval(Modes().SimulatorMode == 1 ? 0 : up->TimerInterval());
  runTimer_->start();
}

void TKYMAIN::runSliceTick() {
  TKy_UP* up = forms_.up;
  if (!up || !up->TimerEnabled()) {
    runTimer_->stop();
    return;
  }
  if (Modes().SimulatorMode == 1) {
    if (up->runSlice(static_cast<uint64_t>(sliceBudget_)) != TRunStop::Running) runTimer_->stop();
  } else {
    up->TimerTimer();
    if (!up->TimerEnabled()) runTimer_->stop();
  }
}

void TKYMAIN::SMenu_RunClick() {
  TKy_UP* up = forms_.up;
  if (!up || Modes().DebugMode != 1 || !Action(I::SMenu_Run)->isEnabled()) return;
  up->RunProgram();
  ALLMenudisable();
  startRunLoop();
}

void TKYMAIN::SleepingChip() {
  // The CPU model has already told the user; the animation gives way to a run.
  // The animation keeps the run controls disabled, so the run is started
  // here without the menu item's enabled check.
  timer2_->stop();
  TKy_UP* up = forms_.up;
  if (!up || Modes().DebugMode != 1) return;
  up->RunProgram();
  ALLMenudisable();
  startRunLoop();
}

void TKYMAIN::SMenu_StopClick() {
  TKy_UP* up = forms_.up;
  if (!up) return;
  runTimer_->stop();
  up->StopProgram(1);
  runControls(false);
  timer2_->stop();
  up->StepReady = 1;
  if (Modes().SimulatorMode != 0) return;
  // The chip behind the pod: asleep (its id reads 0) the run goes on; another
  // id means it came off. A failed read is the watchdog's to report.
  uint16_t id = 0;
  const int chip = ThePod().PodReadChipId(id);
  if (chip != 1) return;
  if (id == 0) {
    Dialogs().messageBox(LangTextUtf8(lt::SleepModeActive), "Warning", MsgIcon::Warning, MbOk);
    timer2_->stop();
    SMenu_RunClick();
  } else {
    Dialogs().messageBox(LangTextUtf8(lt::IceChipOff), "Warning", MsgIcon::Warning, MbOk);
  }
}

void TKYMAIN::SMenu_TraceClick() {
  TKy_UP* up = forms_.up;
  if (!up || Modes().DebugMode != 1 || !Action(I::SMenu_Trace)->isEnabled()) return;
  const auto now = Clock().now();
  if (now - Shell().LastTraceTime < std::chrono::milliseconds(10)) return;
  Shell().LastTraceTime = now;
  // The source view first walks down the nested macro call lines.
  if (forms_.source() && forms_.source()->TraceMacroLine()) return;
  stepPending_ = 1;
  up->TraceStep();
}

void TKYMAIN::SMenu_StepOverClick() {
  TKy_UP* up = forms_.up;
  if (!up || Modes().DebugMode != 1 || !Action(I::SMenu_StepOver)->isEnabled()) return;
  const auto now = Clock().now();
  if (now - Shell().LastStepOverTime < std::chrono::milliseconds(50)) return;
  Shell().LastStepOverTime = now;
  stepPending_ = 1;
  TKy_Source* src = forms_.source();
  int32_t start = 0, end = 0;
  if (src && src->IsInMacro() && src->GetMacroRange(start, end)) {
    // The macro call line runs to its end. A macro at address 0 starts
    // before address 0: the lower bound is then 0, not an address above
    // every other.
    up->SetRunRange(uint16_t(std::max(start, 0)), uint16_t(end));
    SMenu_RunClick();
    return;
  }
  up->StepOver();
  startRunLoop();
}

void TKYMAIN::SMenu_STKOUTClick() {
  TKy_UP* up = forms_.up;
  if (!up || Modes().DebugMode != 1 || !Action(I::SMenu_STKOUT)->isEnabled()) return;
  up->StepOut();
  startRunLoop();
}

void TKYMAIN::StepBack1Click() {
  if (!forms_.up || Modes().DebugMode != 1) return;
  forms_.up->ShowPreviousPC();
}

void TKYMAIN::SMenu_ResetClick() {
  if (Modes().DebugMode != 1) return;
  RestMode(0);
}

void TKYMAIN::SMenu_TraceContinueClick() {
  if (!forms_.up || Modes().DebugMode != 1 || !Action(I::SMenu_TraceContinue)->isEnabled()) return;
  ALLMenudisable();  // also "Add to Current Address"
  timer2_->start(20);
}

void TKYMAIN::timer2Tick() {
  TKy_UP* up = forms_.up;
  if (forms_.source() && forms_.source()->TraceMacroLine()) return;
  if (!up || up->StepReady == 0) return;
  stepPending_ = 1;
  up->StepReady = 0;
  up->AnimateStep();
  ShowStackStatus();
}

void TKYMAIN::SMenu_SetBPClick() {
  TKy_UP* up = forms_.up;
  if (!up || Modes().TargetRunning == 1 || Modes().DebugMode != 1) return;
  TKy_Hex* hex = forms_.hex();
  QMdiSubWindow* active = mdi_->activeSubWindow();
  if (hex && active && active->widget() == hex) {
    // On the listing: the selected address's breakpoint (kind 1) is toggled.
    const int address = hex->SelectedAddress();
    if (address >= 0)
      up->SetBreakpoint(address, 1, up->GetBreakpointFlag(uint32_t(address), 1) == 0);
  } else if (TKy_Source* src = forms_.source(); src && IsViewShowing(src)) {
    src->ToggleBreakpointAtLine(src->CurrentSourcePage(), src->CurrentSourceLine());
  }
  RefreshViews(TRefreshReason::Breakpoints);
}

// ---------------------------------------------------------------------------
// Refresh
// ---------------------------------------------------------------------------

void TKYMAIN::ShowStackStatus() {
  if (!forms_.up) return;
  const uint8_t r = forms_.up->ReadRegister(24);
  QString text;
  QColor colour;
  if ((r & 0x80) && (r & 0x20)) {
    text = "Stack Full and Over Flow";
    colour = Qt::red;
  } else if (r & 0x20) {
    text = "Stack Over Flow";
    colour = Qt::red;
  } else if (r & 0x80) {
    text = "Stack Full";
    colour = Qt::yellow;
  } else if (r & 0x40) {
    text = "Stack Under Flow";
    colour = Qt::red;
  } else {
    labSt_->setPalette(palette());
    SetStatusText(1, Shell().MainFileName);
    return;
  }
  QPalette p = labSt_->palette();
  p.setColor(QPalette::Window, colour);
  labSt_->setPalette(p);
  labSt_->setText(text);
}

void TKYMAIN::RefreshViews(TRefreshReason reason) {
  for (const TViewRow& row : ViewRows()) {
    auto* view = qobject_cast<TKyChildForm*>(ViewForm(row.index));
    if (!view || !InChipFamily(row)) continue;
    if (IsViewShowing(view) || (row.hiddenRefresh & RefreshBit(reason))) view->Refresh(reason);
  }
}

void TKYMAIN::RefreshOnRunStopped() {
  TKy_UP* up = forms_.up;
  if (!up) return;
  RefreshViews(TRefreshReason::RunStopped);
  showPCAfterRefresh();
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(up->GetPC());
  runTimer_->stop();
  runControls(false);
  timer2_->stop();
  up->StepReady = 1;
  ShowStackStatus();
  // ACM advice, at most once per arming.
  const uint8_t r48 = up->ReadRegister(48);
  if (Shell().AcmCheckState == 1 && (r48 & 0x10)) {
    Shell().AcmCheckState = 2;
    if ((r48 & 0x80) && (up->ReadRegister(60) & 0x80)) {
      const int h = (r48 >> 5) & 3;
      if (Options().RACM10 && h <= 1) {
        Dialogs().messageBox(
            "If A/D differential voltage reference > 1.4V, It is suggested to set up the ACM "
            "voltage as 1.2V. Please go to Options-Build Options to change ACM voltage=1.2V",
            "Warning", MsgIcon::Warning, MbOk);
      } else if (!Options().RACM10 && h >= 2) {
        Dialogs().messageBox(
            "If A/D differential voltage reference < 1.4V, It is suggested to set up the ACM "
            "voltage as 1.0V. Please go to Options-Build Options to change ACM voltage=1.0V",
            "Warning", MsgIcon::Warning, MbOk);
      }
    }
  } else if (Shell().AcmCheckState == 0) {
    Shell().AcmCheckState = 1;
  }
}

void TKYMAIN::RefreshWhileTracing() {
  if (!forms_.up) return;
  RefreshViews(TRefreshReason::Step);
  showPCAfterRefresh();
}

// The listing centred on the PC and the PC line of the source view, which
// follows macro records after a step, at a kind-2 breakpoint and in the
// emulator.
void TKYMAIN::showPCAfterRefresh() {
  TKy_UP* up = forms_.up;
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(up->GetPC());
  TKy_Source* src = forms_.source();
  if (!src) return;
  if (stepPending_) {
    src->ShowPCLine(up->GetPC(), true);
    stepPending_ = 0;
  } else {
    const bool follow = up->GetBreakpointFlag(up->GetPC(), 2) != 0 || Modes().SimulatorMode == 0;
    src->ShowPCLine(up->GetPC(), follow);
  }
}

// ---------------------------------------------------------------------------
// Editor commands
// ---------------------------------------------------------------------------

void TKYMAIN::EditorPageCommand(int command, const std::string& path) {
  if (command == 1) SMenu_CloseClick();
  else if (command == 2) SetMainFile(path);
}

bool TKYMAIN::OpenLineInEditor(const std::string& path, int line) {
  IEditorPages* ed = forms_.editor;
  if (!ed || path.empty()) return false;
  ShowView(ViewEdit, 1);
  if (!ed->ActivatePageByPath(path) && !ed->OpenFileInPage(path)) return false;
  SetNoFileState(0);
  ed->SelectLine(line - 1);
  return true;
}

bool TKYMAIN::OpenSourceFile(const std::string& path) {
  IEditorPages* ed = forms_.editor;
  if (!ed) return false;
  if (ed->PageCount() >= 20) {
    Dialogs().messageBox("max number of edited file: 20", "Kyvor-IDE", MsgIcon::Information, MbOk);
    return false;
  }
  StoreMainFileName(path);
  if (ed->ActivatePageByPath(path)) {
    // Already open: offer it for saving; Cancel keeps the page as it is.
    if (!SaveModifiedFiles(path, 0)) return true;
    ed->CloseCurrentPage();
  }
  if (!ed->OpenFileInPage(path)) return false;
  ShowView(ViewEdit, 1);
  if (ed->PageCount() == 1) SetMainFile(path);
  SetNoFileState(0);
  return true;
}

void TKYMAIN::SMenu_NewClick() {
  IEditorPages* ed = forms_.editor;
  if (!ed) return;
  ShowView(ViewEdit, 1);
  if (ed->PageCount() < 20) {
    ed->NewPage();
    StoreMainFileName(std::string());
    SetNoFileState(0);
  } else if (forms_.err()) {
    forms_.err()->AddError("", 0, "max number of edited file: 20");
    ShowView(ViewErr, 1);
  }
}

void TKYMAIN::SMenu_OpenClick() {
  auto f = Dialogs().openFileName("Open", std::string(),
                                  openFilter_.empty() ? kSourceFilter : openFilter_);
  if (f) {
    OpenSourceFile(*f);
  } else {
    StoreMainFileName(std::string());
  }
  // The main window is active again once the dialog has closed: the layout
  // is applied as on every activation (after the first).
  if (firstActivation_ == 0) FormActivate();
}

void TKYMAIN::SMenu_SaveClick() {
  IEditorPages* ed = forms_.editor;
  if (!ed || ed->ActivePageIndex() < 1) return;
  std::string path = ed->PagePath(ed->ActivePageIndex());
  if (IsUnnamed(path)) {
    auto name = Dialogs().saveFileName("Save As", std::string(), kSourceFilter);
    if (!name) {
      StoreMainFileName(std::string());
      return;
    }
    path = WithAsmExtension(*name);
    if (ed->PageCount() == 1) SetMainFile(path);
  }
  ed->SaveCurrentPageAs(path);
}

void TKYMAIN::SMenu_SaveAsClick() {
  IEditorPages* ed = forms_.editor;
  if (!ed || ed->ActivePageIndex() < 1) return;
  auto name = Dialogs().saveFileName("Save As", std::string(), kSourceFilter);
  if (!name) {
    StoreMainFileName(std::string());
    return;
  }
  const std::string path = WithAsmExtension(*name);
  if (ed->PageCount() == 1) SetMainFile(path);
  ed->SaveCurrentPageAs(path);
}

void TKYMAIN::SMenu_CloseClick() {
  IEditorPages* ed = forms_.editor;
  if (!ed || ed->ActivePageIndex() < 1) return;
  // Cancel keeps the page open.
  if (!SaveModifiedFiles(ed->PagePath(ed->ActivePageIndex()), 0)) return;
  ed->CloseCurrentPage();
  if (ed->PageCount() == 0) SetNoFileState(1);
}

void TKYMAIN::SMenu_SaveAllClick() { SaveModifiedFiles(std::string(), 1); }

void TKYMAIN::SMenu_CloseAllClick() {
  IEditorPages* ed = forms_.editor;
  if (!ed) return;
  if (!SaveModifiedFiles(std::string(), 0)) return;
  ed->CloseAllPages();
  SetNoFileState(1);
}

}  // namespace kyvor
