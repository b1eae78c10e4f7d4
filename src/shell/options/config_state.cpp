// The main window's side of the options: the options dialog's hooks and the
// Options command, the chip loader's calls for the dialog, and the
// configuration and project files: the live state gathered into one
// TConfigData for the writer (base/configfile.h), the sections a read gives
// back applied to the live state, the steps after reading, and the Save and
// Load Configuration commands.
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "base/configfile.h"
#include "base/dialogs.h"
#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "debugwin/sramrecord.h"
#include "debugwin/watchdata.h"
#include "link/pod_protocol.h"
#include "peripherals/periphwins.h"
#include "shell/editor/editorlink.h"
#include "engine/ky_up.h"
#include "shell/mainwin/base_form.h"
#include "shell/source/listing.h"
#include "shell/mainwin/main_window.h"
#include "shell/options/options_dialog.h"

namespace kyvor {

namespace {

const char kConfigFilter[] = "*.cfg|*.cfg|*.*|*.*";

// A chosen name without an extension gets ".cfg".
std::string WithCfgExtension(const std::string& name) { return WithDefaultExtension(name, ".cfg"); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
  return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
}

}  // namespace

std::string TKYMAIN::ConfigFileName() const {
  std::string folder = Shell().ConfigFolder.empty() ? Shell().ProgramFolder : Shell().ConfigFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + "Kymain.cfg";
}

TConfigData TKYMAIN::gatherConfig() const {
  TConfigData d;
  d.Header = Chip().ChipListHeader;
  d.SimulatorMode = Modes().SimulatorMode;
  d.OnTopFlags = Shell().OnTopFlags;
  if (IEditorPages* ed = forms_.editor) {
    for (int i = 1; i <= ed->PageCount(); ++i) d.EditorPages.push_back(ed->PagePath(i));
    d.ActivePage = ed->PageCount() > 0 ? ed->ActivePageIndex() : 0;
  }
  d.MainFileName = Shell().MainFileName;
  d.PreservedValues = Shell().PreservedValues;
  d.ChipIndex = Chip().ChipIndex;
  d.LanguageIndex = LangState().LanguageIndex;
  d.WinNtPlatform = Shell().WinNtPlatform;
  d.LptPortAddress = Modes().LptPortAddress;
  d.IceInterfaceIndex = Modes().IceInterfaceIndex;
  d.PodlessMode = Modes().PodlessMode;
  for (int i = 0; i < kConfigDebugViewCount && i < kShownViewCount; ++i)
    d.DebugViewShown[size_t(i)] = Shell().DebugViewShown[size_t(i)];
  d.CoreVariant = Chip().CoreVariant;
  d.LastProgrammerFile = Shell().LastProgrammerFile;
  d.CodeChecksum = Shell().CodeChecksum;
  d.RegisterPage = Chip().RegisterPage;
  d.CurrentRamBank = Chip().CurrentRamBank;
  d.WatchValueFormat = WatchSettings().WatchValueFormat;
  d.AdcSelectors = {0, 7};
  if (auto* adc = forms_.view<TKyPeripheralForm>(ViewAdc))
    d.AdcSelectors = {adc->DisplayMode(), adc->DisplayWidthIndex()};
  d.Options = Options();
  d.CalibrationHao = Options().EnHAO;
  return d;
}

bool TKYMAIN::WriteConfigFile(const std::string& path) {
  const std::string text = ConfigText(gatherConfig());
  QSaveFile f(QString::fromStdString(path));
  const bool ok = f.open(QIODevice::WriteOnly) &&
                  f.write(text.data(), qint64(text.size())) == qint64(text.size()) && f.commit();
  if (!ok)
    Dialogs().messageBox(LangTextUtf8(lt::CantSaveConfig), "Error", MsgIcon::Error, MbCancel);
  return ok;
}

// The first start's file: the defaults, written as they are (a write lost
// to a crash only leaves the next start to write them again).
bool TKYMAIN::writeFirstConfigFile(const std::string& path, const std::string& text) {
  QFile f(QString::fromStdString(path));
  const bool ok = f.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
                  f.write(text.data(), qint64(text.size())) == qint64(text.size());
  f.close();
  if (!ok)
    Dialogs().messageBox(LangTextUtf8(lt::CantSaveConfig), "Error", MsgIcon::Error, MbCancel);
  return ok;
}

// A section read from a file: the options it carries (base/configfile.h),
// then what it gives to the other homes of the live state.
void TKYMAIN::applyConfigSection(int section, const TConfigData& d) {
  const auto id = static_cast<TConfigSection>(section);
  TakeConfigOptions(id, d, Options());
  using TApply = void (*)(TKYMAIN&, const TConfigData&);
  struct TLiveApply {
    TConfigSection Section;
    TApply Apply;
  };
  // By section; a section without a row gives nothing beyond the options.
  static const TLiveApply kLive[] = {
      {CfgOutput, [](TKYMAIN&, const TConfigData& d) { Shell().OnTopFlags = d.OnTopFlags; }},
      {CfgEditorFiles,
       [](TKYMAIN& m, const TConfigData& d) {
         IEditorPages* ed = m.forms_.editor;
         if (!ed) return;
         for (const std::string& p : d.EditorPages) ed->OpenFileInPage(p);
         if (d.ActivePage > 0 && d.ActivePage <= ed->PageCount()) ed->ActivatePage(d.ActivePage);
       }},
      {CfgMainFile, [](TKYMAIN&, const TConfigData& d) { Shell().MainFileName = d.MainFileName; }},
      {CfgEnvironment,
       [](TKYMAIN& m, const TConfigData& d) {
         Shell().PreservedValues = d.PreservedValues;
         Chip().ChipIndex = d.ChipIndex;
         LangState().LanguageIndex = std::clamp(d.LanguageIndex, 0, 1);
         // The platform stays the one detected at start-up.
         Modes().LptPortAddress = d.LptPortAddress;
         Modes().IceInterfaceIndex = d.IceInterfaceIndex;
         Modes().PodlessMode = d.PodlessMode;
         if (m.forms_.base) m.forms_.base->ApplyEditorFont();
       }},
      {CfgDebugViews,
       [](TKYMAIN&, const TConfigData& d) {
         for (int i = 0; i < kConfigDebugViewCount && i < kShownViewCount; ++i)
           Shell().DebugViewShown[size_t(i)] = d.DebugViewShown[size_t(i)];
       }},
      {CfgDebugTool,
       [](TKYMAIN&, const TConfigData& d) {
         Chip().CoreVariant = static_cast<uint8_t>(d.CoreVariant);
       }},
      {CfgProgrammerFile,
       [](TKYMAIN&, const TConfigData& d) {
         Shell().LastProgrammerFile = FileExists(d.LastProgrammerFile) ? d.LastProgrammerFile : "";
       }},
      {CfgChecksum,
       [](TKYMAIN&, const TConfigData& d) {
         Shell().CodeChecksum = d.CodeChecksum;
         Shell().CodeChecksumShown = true;
       }},
      {CfgChipState,
       [](TKYMAIN&, const TConfigData& d) {
         Chip().RegisterPage = static_cast<uint8_t>(d.RegisterPage);
         Chip().CurrentRamBank = static_cast<uint8_t>(d.CurrentRamBank);
         WatchSettings().WatchValueFormat = std::clamp(d.WatchValueFormat, 0, 3);
       }},
      {CfgAdcWindow,
       [](TKYMAIN& m, const TConfigData& d) {
         if (auto* adc = m.forms_.view<TKyPeripheralForm>(ViewAdc))
           adc->SetDisplayChoice(d.AdcSelectors[0], d.AdcSelectors[1]);
       }},
      {CfgRecord,
       [](TKYMAIN& m, const TConfigData&) {
         if (m.forms_.sram) m.forms_.sram->SetContinue(Options().ChContinue != 0);
       }},
  };
  for (const TLiveApply& row : kLive)
    if (row.Section == id) row.Apply(*this, d);
}

bool TKYMAIN::afterConfigRead(int simulatorValue) {
  if (!Shell().MainFileName.empty()) Shell().FileDialogFolder = FolderOf(Shell().MainFileName);
  GetSELUP();
  SetSimulatorMode(simulatorValue == 1 ? 1 : 0);
  Options().RomEmulationType = 0;
  const bool usb = Modes().IceInterfaceIndex == 4;
  if (Options().PProg && usb && !Shell().LastProgrammerFile.empty()) {
    Modes().PodState = ThePod().PodUsbOpen();
    if (Modes().PodState == 255) {
      showConnectError();
    } else if (!FileExists(Shell().LastProgrammerFile)) {
      Dialogs().messageBox("File not Found!!", "Error", MsgIcon::Error, MbCancel);
      return false;
    } else {
      podShowMode("Kyvor-IDE Program Mode", 0, 0);
    }
  } else if (Options().PICE() && usb && simulatorValue == 0) {
    podShowMode("Kyvor-IDE Debug Mode", 0, 1);
  }
  return true;
}

// ---------------------------------------------------------------------------
// The options dialog
// ---------------------------------------------------------------------------

void TKYMAIN::DeferOptionDialog() {
  optionTrail_ = std::make_unique<TOptionTrail>();
  optionTrail_->ChipItems = TOption::ChipListItems();
  TOption::TakeCreationDefaults();
}

TOption* TKYMAIN::makeOptionDialog() {
  auto* opt = new TOption(this, optionTrail_.get());
  installOptionHooks(*opt);
  return opt;
}

void TKYMAIN::installOptionHooks(TOption& dialog) {
  TOption* opt = &dialog;
  opt->AttachModel(forms_.up);
  opt->Hooks.LeaveDebugMode = [this] { SMenu_EditModeClick(); };
  opt->Hooks.Relayout = [this] { FormActivate(); };
  opt->Hooks.ListingLayout = [this](bool programmer) {
    if (TKy_Hex* hex = forms_.hex()) {
      hex->ShowDumpGrid(programmer);
      if (!programmer) hex->RefreshListing();
    }
  };
  opt->Hooks.PodShowMode = [this](const std::string& text, int position, int lock) {
    podShowMode(text, position, lock);
  };
  opt->Hooks.EngineerTitle = [this] {
    // The engineer's title begins with "KYIDE" alone.
    std::string t = editModeTitle();
    if (t.rfind("KYIDE HID", 0) == 0) t.erase(5, 4);
    if (Modes().DebugMode == 0) setWindowTitle(QString::fromStdString(t));
  };
  opt->Hooks.FontChanged = [this] {
    if (forms_.base) forms_.base->ApplyEditorFont();
  };
  opt->Hooks.WriterIdentityEnabled = [this] { return chipListener_.writerIdentityEnabled(); };
}

void TKYMAIN::Menu_OptionClick() {
  TOption* opt = forms_.option;
  if (!opt) return;
  opt->PrepareForShow(Modes().DebugMode == 1, forms_.up ? forms_.up->Settings.PodChipId : 0);
  opt->move(geometry().topLeft() + QPoint(40, 40));
  opt->Exec(*opt);
  labSt_->setPalette(palette());
  SetStatusText(1, Shell().MainFileName);
  Ky_Lang().SetLanguage(LangState().LanguageIndex);
}

void TKYMAIN::optionsChanged() {
  if (TOption* opt = forms_.option.IfMade())
    opt->LoadFromOptions();
  else if (optionTrail_)
    TOption::NoteRecords(*optionTrail_);
}

bool TKYMAIN::TChipListener::writerIdentityEnabled() {
  return main_.forms_.up && main_.forms_.up->WriterIdentityEnabled();
}

void TKYMAIN::TChipListener::chipLoadStarted() {
  if (TOption* opt = main_.forms_.option.IfMade()) opt->ChipLoadStarted();
}

// The programmer's calibration reads the dialog's choices: it makes the dialog.
void TKYMAIN::TChipListener::writerCalibration() {
  const TMadeOnDemand<TOption>& option = main_.forms_.option;
  if (option.IfMade() || (option.CanMake() && Options().PProg))
    option->WriterCalibration();
  else if (option.CanMake())
    TOption::TakeWriterCalibration();
}


void TKYMAIN::podShowMode(const std::string& text, int position, int lock) {
  TKy_UP* up = forms_.up;
  if (!up) return;
  up->PodLcdClear();
  up->PodLcdWriteText(static_cast<uint8_t>(position), text);
  up->PodLock(static_cast<uint8_t>(lock));
}

void TKYMAIN::ReadConfigFile(const std::string& path) {
  std::string text;
  if (!FileExists(path)) {
    // The first start: a file from the current state, with the plain font.
    Options().EditorFont = TEditorFont{"Courier New", 10, 0};
    text = ConfigText(gatherConfig());
    if (!writeFirstConfigFile(path, text)) return;
  } else {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = f.readAll();
    text.assign(bytes.constData(), size_t(bytes.size()));
  }
  TConfigData d = gatherConfig();
  const TConfigParse p = ParseConfigText(text, Chip().ChipListHeader, d);
  if (p.VersionMatched) {
    for (int s = 0; s < p.StepsRead; ++s) applyConfigSection(s, d);
    optionsChanged();
    if (!afterConfigRead(p.Has(CfgOutput) ? d.SimulatorMode : Modes().SimulatorMode)) return;
  }
  if (!p.Complete())
    Dialogs().messageBox(LangTextUtf8(lt::PleaseSetConfig), "Kyvor-IDE", MsgIcon::Information,
                         MbOk);
}

void TKYMAIN::SMenu_SaveConfigClick() {
  auto name = Dialogs().saveFileName(LangTextUtf8(lt::MenuSaveConfiguration),
                                     Shell().FileDialogFolder, kConfigFilter);
  if (!name) return;
  WriteConfigFile(WithCfgExtension(*name));
}

void TKYMAIN::SMenu_LoadConfigClick() {
  auto name = Dialogs().openFileName(LangTextUtf8(lt::MenuLoadConfiguration),
                                     Shell().FileDialogFolder, kConfigFilter);
  if (!name) return;
  SMenu_EditModeClick();
  // Cancel keeps the pages as they are and loads nothing.
  if (!SaveModifiedFiles(std::string(), 0)) return;
  if (forms_.editor) forms_.editor->CloseAllPages();
  SetNoFileState(1);
  ReadConfigFile(WithCfgExtension(*name));
  if (forms_.editor && forms_.editor->PageCount() > 0) {
    ShowView(ViewEdit, 1);
    SetNoFileState(0);
  }
  SetMainFile(Shell().MainFileName);
  firstActivation_ = 0;
}

}  // namespace kyvor
