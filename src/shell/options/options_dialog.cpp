// The options dialog's frame: the five tabs over the stack of pages, the
// close button, the record shown again, the Options command, the commit on
// close, the key preview of the engineer sequence and the captions. Each page
// lives in a file of its own (options_*_page.cpp).
#include "shell/options/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "link/pod_protocol.h"
#include "shell/options/options_page_support.h"

namespace kyvor {

using namespace optionpage;

namespace {

TOption* g_option = nullptr;

// The access code of the engineer mode.
const char kEngineerCode[] = "KYENG";

}  // namespace

TOption* Option() { return g_option; }

// ---------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------

TOption::TOption(QWidget* parent, TOptionTrail* trail)
    : QDialog(parent), trail_(trail ? trail : &ownTrail_) {
  setObjectName("Option");
  setModal(true);
  g_option = this;
  auto* top = new QVBoxLayout(this);
  top->addLayout(buildTabRow());
  pages_ = new QStackedWidget(this);
  pages_->setObjectName("Pages");
  pages_->addWidget(buildInterfacePage());
  pages_->addWidget(buildBuildPage());
  pages_->addWidget(buildWatchPage());
  pages_->addWidget(buildDebugToolPage());
  pages_->addWidget(buildCalibrationPage());
  top->addWidget(pages_, 1);
  top->addLayout(buildCloseRow());

  // FormCreate: the chip list's items (read at start-up), RACM10, the edits.
  if (!trail) {
    ownTrail_.ChipItems = ChipListItems();
    TakeCreationDefaults();
  }
  cbSeluP_->addItems(trail_->ChipItems);
  LoadFromOptions();
  // What the chips loaded and the records shown before left in the controls.
  if (trail_->ChipLoaded) buildOptionsChipLoaded();
  showChipRanges();
  showWatchEdits();
  ShowPage(PageInterface);
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
  installKeyPreview();
}

void TOption::TakeCreationDefaults() {
  Options().RACM10 = 1;
  Options().EHAO = 2000000;
  Options().EPERMISS = 2;
  Options().ELAO = 13000;
  Options().EngineerMode = 0;
}

QStringList TOption::ChipListItems() {
  QStringList items;
  for (const std::string& item : Chip().ChipListItems) items << Ky_Lang().DisplayText(item).c_str();
  return items;
}

void TOption::NoteChipLoaded(TOptionTrail& trail) {
  trail.ChipLoaded = true;
  const auto& cal = Chip().OscCalibration;
  if (cal.HaoMin || cal.HaoMax) {
    trail.HaoRange = true;
    trail.HaoMin = cal.HaoMin;
    trail.HaoMax = cal.HaoMax;
  }
  if (cal.LaoMin || cal.LaoMax) {
    trail.LaoRange = true;
    trail.LaoMin = cal.LaoMin;
    trail.LaoMax = cal.LaoMax;
  }
  NoteRecords(trail);
}

TOption::~TOption() {
  Ky_Lang().RemoveCaptionTarget(this);
  if (g_option == this) g_option = nullptr;
}

QHBoxLayout* TOption::buildTabRow() {
  auto* tabRow = new QHBoxLayout;
  const char* const tabNames[PageCount] = {"InterSetup", "ConfigSetup", "BreakSet", "ICEDebug",
                                           "PHAOCAL"};
  void (TOption::*const clicks[PageCount])() = {&TOption::InterSetupClick,
                                                &TOption::ConfigSetupClick, &TOption::BreakSetClick,
                                                &TOption::ICEDebugClick, &TOption::PHAOCALClick};
  auto* tabGroup = new QButtonGroup(this);
  for (int i = 0; i < PageCount; ++i) {
    QToolButton* t = new QToolButton(this);
    t->setObjectName(tabNames[i]);
    t->setCheckable(true);
    t->setAutoRaise(false);
    t->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tabGroup->addButton(t, i);
    tabRow->addWidget(t);
    tabs_[size_t(i)] = t;
    const auto click = clicks[i];
    connect(t, &QToolButton::clicked, this, [this, click] { (this->*click)(); });
  }
  tabRow->addStretch();
  return tabRow;
}

QHBoxLayout* TOption::buildCloseRow() {
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch();
  btClose_ = new QPushButton(this);
  btClose_->setObjectName("BtClose");
  btClose_->setAutoDefault(false);
  closeRow->addWidget(btClose_);
  connect(btClose_, &QPushButton::clicked, this, [this] { close(); });
  return closeRow;
}

QCheckBox* TOption::check(QWidget* parent, const char* name, const QString& caption,
                          std::function<void(bool)> onClick) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(name);
  if (onClick) connect(c, &QCheckBox::clicked, this, [onClick](bool on) { onClick(on); });
  return c;
}

QRadioButton* TOption::radio(QWidget* parent, const char* name, const QString& caption,
                             std::function<void()> onClick) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(name);
  if (onClick) connect(r, &QRadioButton::clicked, this, [onClick] { onClick(); });
  return r;
}

QPushButton* TOption::button(QWidget* parent, const char* name, const QString& caption,
                             void (TOption::*onClick)()) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  connect(b, &QPushButton::clicked, this, [this, onClick] { (this->*onClick)(); });
  return b;
}

// ---------------------------------------------------------------------------
// The record shown
// ---------------------------------------------------------------------------

void TOption::LoadFromOptions() {
  loadInterfacePage();
  loadBuildOptionsPage();
  stpOvStak_->setChecked(Options().STPOVSTAK);
  WatchInit();
  loadCalibrationPage();
}

void TOption::ChipLoaded() {
  buildOptionsChipLoaded();
  calibrationPageChipLoaded();
  LoadFromOptions();
}

// ---------------------------------------------------------------------------
// Pages
// ---------------------------------------------------------------------------

void TOption::ShowPage(TPage page) {
  page_ = page;
  pages_->setCurrentIndex(page);
  for (int i = 0; i < PageCount; ++i) tabs_[size_t(i)]->setChecked(i == page);
}

void TOption::PrepareForShow(bool debugMode, uint16_t podChipId) {
  if (debugMode) {
    BreakSetClick();
  } else {
    loadInterfaceCombos();
    ShowPage(PageInterface);
    const bool eepromChip = podChipId == kEepromPodChipId;
    stkOvStop_->setEnabled(!eepromChip);
    if (eepromChip) {
      stkOvStop_->setChecked(false);
      Options().STKOVSTOP = 0;
    }
  }
  pHao_->hide();
  Options().EnHAO = Options().HaoEnabled;
  enHao_->setChecked(Options().EnHAO);
  const bool writer = Hooks.WriterIdentityEnabled && Hooks.WriterIdentityEnabled();
  if (writer && Chip().OscCalibration.HaoPresent && Options().PProg) ApplyCalibrationOptions();
}

// ---------------------------------------------------------------------------
// The close
// ---------------------------------------------------------------------------

bool TOption::BtCloseClick() {
  if (!commitCalibration()) return false;
  commitWatch();
  reattachInterface();
  if (Hooks.Relayout) Hooks.Relayout();
  showIdeMode();
  commitCompilerChoice();
  return true;
}

// USB needs no parallel-port driver; the other interfaces open the port.
void TOption::reattachInterface() {
  if (Modes().IceInterfaceIndex == 4) {
    ThePod().Parallel().CloseParallelDriver();
  } else {
    ThePod().Parallel().InitParallelPort();
  }
}

// The listing and the pod display for the IDE mode chosen; over USB the pod
// is given back to the programmer or taken for debugging.
void TOption::showIdeMode() {
  const bool programmer = Options().PProg != 0;
  if (Hooks.ListingLayout) Hooks.ListingLayout(programmer);
  if (Modes().IceInterfaceIndex != 4 || !Hooks.PodShowMode) return;
  if (programmer) {
    Hooks.PodShowMode("VO-RIV Program Mode", 0x40, 0);
  } else {
    Hooks.PodShowMode("VO-RIV Debug Mode", 0, 1);
  }
}

// Every hiding of the dialog commits; a refused commit keeps it open.
void TOption::done(int r) {
  if (!closing_ && !BtCloseClick()) return;
  QDialog::done(r);
}

void TOption::closeEvent(QCloseEvent* ev) {
  if (!BtCloseClick()) {
    ev->ignore();
    return;
  }
  closing_ = true;
  QDialog::closeEvent(ev);
  closing_ = false;
}

// ---------------------------------------------------------------------------
// Engineer mode
// ---------------------------------------------------------------------------

// The dialog previews the keys of all its controls.
void TOption::installKeyPreview() {
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

// A key goes first to the control with the focus (the dialog itself when none
// has it) and from there to its parents while they pass it on: it is taken
// at that first control only, so each key counts once, and goes on to the
// control as typed.
bool TOption::eventFilter(QObject* watched, QEvent* ev) {
  if (ev->type() == QEvent::KeyPress) {
    QWidget* const first = focusWidget() ? focusWidget() : this;
    const QString t = static_cast<QKeyEvent*>(ev)->text().toUpper();
    if (watched == first && t.size() == 1) engineerKey(t[0].unicode());
  }
  return QDialog::eventFilter(watched, ev);
}

// The first letter starts the sequence, the next one advances it, any other
// key starts it again.
void TOption::engineerKey(int key) {
  const int n = int(sizeof kEngineerCode) - 1;
  if (key == kEngineerCode[engineerProgress_]) {
    ++engineerProgress_;
  } else {
    engineerProgress_ = key == kEngineerCode[0] ? 1 : 0;
  }
  if (engineerProgress_ == n) {
    engineerProgress_ = 0;
    becomeEngineer();
  }
}

void TOption::becomeEngineer() {
  Options().EngineerMode = 1;
  widenRomChoice();
  if (Hooks.EngineerTitle) Hooks.EngineerTitle();
}

// ---------------------------------------------------------------------------
// Captions
// ---------------------------------------------------------------------------

void TOption::ApplyMenuCaptions() {
  tabs_[PageBuild]->setText(T(lt::OptBuildOptions));
  tabs_[PageWatch]->setText("Chip Watch");
  tabs_[PageDebugTool]->setText("Debug Tool");
  tabs_[PageCalibration]->setText("OSC Calibration");
  applyDebugToolCaptions();
  ApplyOptionConfigCaptions();
}

void TOption::ApplyOptionConfigCaptions() {
  setWindowTitle(T(lt::OptBuildOptions));
  btClose_->setText(T(lt::OptClose));
  applyBuildOptionsCaptions();
}

void TOption::ApplyOptionCaptions() {
  tabs_[PageInterface]->setText(T(lt::OptInterfaceSetup));
  if (page_ == PageInterface) setWindowTitle(T(lt::OptInterfaceSetup));
  applyInterfaceCaptions();
}

}  // namespace kyvor
