#include "shell/mainwin/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "base/dialogs.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "link/pod_protocol.h"
#include "shell/editor/editorlink.h"
#include "shell/mainwin/base_form.h"
#include "shell/mainwin/default_layout.h"
#include "shell/mainwin/error_list.h"
#include "shell/options/options_dialog.h"
#include "shell/options/placement_forms.h"
#include "shell/programmer/programmer_commands.h"
#include "shell/source/listing.h"
#include "shell/source/source_view.h"

namespace kyvor {

namespace {

using I = TMenuItem;
using B = TToolButton;
TShellState g_shell;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The interface list of the options dialog, by IceInterfaceIndex.
const char* const kInterfaceNames[] = {"(none)", "378h (LPT1)", "3BCh", "278h", "USB"};

std::string InterfaceName(int i) {
  if (i < 0 || i > 4) return std::string();
  return kInterfaceNames[i];
}

std::string ChipListEntry(int i) {
  const auto& items = Chip().ChipListItems;
  if (i < 0 || i >= static_cast<int>(items.size())) return std::string();
  return items[i];
}

// The panel's caption and look (0 simulator, 1 connected, 2 not connected),
// by TConnectLook.
struct TConnectRow {
  const char* caption;
  int look;
};
constexpr TConnectRow kConnectRows[] = {
    {"Simulator", 0},     {"ICE Connect", 1},       {"ICE not Connect", 2},
    {"Body on board", 1}, {"Body not on board", 2},
};
static_assert(std::size(kConnectRows) == size_t(TConnectLook::BodyNotOnBoard) + 1,
              "one row per TConnectLook");

const TConnectRow& ConnectRow(TConnectLook look) { return kConnectRows[int(look)]; }

}  // namespace

TShellState& Shell() { return g_shell; }
void ResetShell() { g_shell = TShellState{}; }

// ---------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------

TKYMAIN::TKYMAIN(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
  setObjectName("KYMAIN");
  setWindowTitle("Kyvor-IDE");
  setCentralWidget(mdi_);
  mdi_->setObjectName("MdiArea");
  mdi_->viewport()->installEventFilter(this);
  // The main window is shown maximized; without a window manager that
  // maximizes it, its normal size is the screen's work area.
  if (QScreen* scr = QGuiApplication::primaryScreen()) {
    resize(scr->availableGeometry().size());
  } else {
    resize(1024, 720);
  }
  setMinimumSize(240, 300);

  buildMenus();
  buildToolBars();
  buildStatusBar();
  setUpBookmarkButtons();
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { ActiveFormChange(); });

  runTimer_ = new QTimer(this);
  runTimer_->setObjectName("RunTimer");
  runTimer_->setInterval(0);
  connect(runTimer_, &QTimer::timeout, this, [this] { runSliceTick(); });
  timer2_ = new QTimer(this);
  timer2_->setObjectName("Timer2");
  timer2_->setInterval(20);
  connect(timer2_, &QTimer::timeout, this, [this] { timer2Tick(); });
  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });
  timer1_->start();

  // FormCreate, in order.
  setBusy(10);
  Shell().LastTraceTime = Clock().now();
  Shell().LastStepOverTime = Clock().now();
  Shell().WinNtPlatform = 1;
  Shell().StartedWithFile = 0;
  move(0, 0);
  Modes().SimulatorMode = 1;
  SetDebugMode(0);
  SetNoFileState(1);
  setEnabled(ViewErr, false);
  FitToScreen(this);
  firstActivation_ = 1;
  if (Shell().ProgramFolder.empty()) {
    QString dir = QCoreApplication::applicationDirPath();
    Shell().ProgramFolder = dir.toStdString() + "/";
  }
  Options().ShowEditToolBar = 1;
  // No pod link is opened here: PodState keeps "no pod" until a pod is found.
  eeBar_->hide();
  timer2_->stop();
  proWait_->hide();
  for (auto* l : waitLights_) l->hide();
  Shell().BieBank = 0;
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
  SetChipLoadListener(&chipListener_);
  // RestoreWin1: the window placements, loaded at the first show.
  placementForms_ = std::make_unique<TKyFormPlacements>(*this);
  restoreWin_ = placementForms_->MakeRestoreWin();
  programmer_ = std::make_unique<TKyProgrammer>(*this);
}

uint16_t TKYMAIN::TChipListener::podChipId() const {
  return main_.forms_.up ? main_.forms_.up->Settings.PodChipId : 0;
}

void TKYMAIN::TChipListener::chipVariantCommand(bool) { main_.KYQRPCHIP(); }
void TKYMAIN::TChipListener::productChanged() { main_.applyChipMenus(); }
void TKYMAIN::TChipListener::chipLoaded(uint8_t result) {
  main_.applyChipMenus();
  if (result != 1) return;
  if (TOption* opt = main_.forms_.option.IfMade())
    opt->ChipLoaded();
  else if (main_.optionTrail_)
    TOption::NoteChipLoaded(*main_.optionTrail_);
}

TKYMAIN::~TKYMAIN() {
  // Windows closing now must not reach the view buttons being destroyed.
  disconnect(mdi_, nullptr, this, nullptr);
  if (&ChipLoadListener() == &chipListener_) SetChipLoadListener(nullptr);
  Ky_Lang().RemoveCaptionTarget(this);
  mdi_->viewport()->removeEventFilter(this);
  for (auto& [w, frame] : frames_)
    if (frame) frame->removeEventFilter(this);
  // The child windows are owned by the program's main block; detach them so
  // the document area does not delete them a second time.
  for (auto& [w, frame] : frames_) {
    if (frame && frame->widget() == w) {
      frame->setWidget(nullptr);
      w->setParent(nullptr);
    }
  }
}

QAction* TKYMAIN::addAction(QMenu* menu, const QString& name, const QString& caption,
                            const QKeySequence& key, std::function<void()> fn) {
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  if (!key.isEmpty()) {
    a->setShortcut(key);
    a->setShortcutContext(Qt::ApplicationShortcut);
  }
  if (fn) connect(a, &QAction::triggered, this, [fn] { fn(); });
  if (menu) menu->addAction(a);
  QWidget::addAction(a);  // shortcuts work with the menu closed
  return a;
}

QToolButton* TKYMAIN::addButton(QToolBar* bar, const QString& name, const QString& caption,
                                const QString& hint, std::function<void()> fn) {
  auto* b = new QToolButton(bar);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolTip(hint);
  b->setAutoRaise(true);
  if (fn) connect(b, &QToolButton::clicked, this, [fn] { fn(); });
  bar->addWidget(b);
  return b;
}

void TKYMAIN::buildStatusBar() {
  QStatusBar* sb = statusBar();
  stBusy_ = new QLabel(this);
  stBusy_->setObjectName("StBusy");
  labSt_ = new QLabel(this);
  labSt_->setObjectName("LabSt");
  labSt_->setAutoFillBackground(true);
  proWait_ = new QWidget(this);
  proWait_->setObjectName("ProWait");
  auto* wl = new QHBoxLayout(proWait_);
  wl->setContentsMargins(0, 0, 0, 0);
  wl->setSpacing(1);
  for (int i = 0; i < 20; ++i) {
    auto* l = new QLabel(proWait_);
    l->setObjectName(QString("PWait%1").arg(i));
    l->setFixedSize(6, 12);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::green);
    l->setPalette(p);
    wl->addWidget(l);
    waitLights_[i] = l;
  }
  eeBar_ = new QProgressBar(this);
  eeBar_->setObjectName("EEBar");
  pCheckSum_ = new QLabel(this);
  pCheckSum_->setObjectName("PCheckSum");
  pConnect_ = new QLabel(ConnectRow(TConnectLook::NotConnected).caption, this);
  pConnect_->setObjectName("PConnect");
  pConnect_->setAutoFillBackground(true);
  pConnect_->installEventFilter(this);  // a click runs the pod detection
  pConnect_->setFrameShape(QFrame::Panel);
  sb->addWidget(stBusy_);
  sb->addWidget(labSt_, 1);
  sb->addWidget(proWait_);
  sb->addWidget(eeBar_);
  sb->addPermanentWidget(pCheckSum_);
  sb->addPermanentWidget(pConnect_);
}

void TKYMAIN::AttachForms(const TKyForms& forms) {
  forms_ = forms;
  for (QWidget*& form : forms_.views) {
    if (!form) continue;
    if (auto* view = qobject_cast<TKyChildForm*>(form)) view->AttachModel(forms_.up);
    connect(form, &QObject::destroyed, this, [&form] { form = nullptr; });
  }
  installSourceEvents();
  installRecordEvents();
  if (TKy_UP* up = forms_.up) {
    // The gauge EEBar follows the transfers and chip operations.
    up->Hooks.GaugeShown = [this](bool shown) { eeBar_->setVisible(shown); };
    up->Hooks.GaugeProgress = [this](int percent) { eeBar_->setValue(percent); };
  }
  if (TKy_ERR* err = forms_.err())
    err->OnOpenLine = [this](const std::string& p, int l) { return OpenLineInEditor(p, l); };
  if (optionTrail_) forms_.option.SetMaker([this] { return makeOptionDialog(); });
  if (TOption* opt = forms_.option.IfMade()) installOptionHooks(*opt);
}

TKy_ERR* TKyForms::err() const { return view<TKy_ERR>(ViewErr); }
TKy_Source* TKyForms::source() const { return view<TKy_Source>(ViewSource); }
TKy_Hex* TKyForms::hex() const { return view<TKy_Hex>(ViewHex); }

// ---------------------------------------------------------------------------
// Helpers for menu items, buttons and panels
// ---------------------------------------------------------------------------

void TKYMAIN::setEnabled(TMenuItem id, bool on) { Action(id)->setEnabled(on); }
void TKYMAIN::setEnabled(TViewIndex index, bool on) { ViewAction(index)->setEnabled(on); }
void TKYMAIN::setButtonEnabled(TToolButton id, bool on) { Button(id)->setEnabled(on); }

void TKYMAIN::setButtonEnabled(TViewIndex index, bool on) {
  if (QToolButton* b = ViewButton(index)) b->setEnabled(on);
}

void TKYMAIN::setBusy(int width) { stBusy_->setFixedWidth(width); }

bool TKYMAIN::RunTimerActive() const { return runTimer_->isActive(); }

std::string TKYMAIN::StatusText() const { return labSt_->text().toStdString(); }
std::string TKYMAIN::CheckSumText() const { return pCheckSum_->text().toStdString(); }
std::string TKYMAIN::ConnectText() const { return pConnect_->text().toStdString(); }

void TKYMAIN::SetCheckSumText(const std::string& text) { pCheckSum_->setText(Q(text)); }

void TKYMAIN::Timer3Timer() {
  if (proWait_->isHidden()) return;
  const long long s = ElapsedMs(Shell().WaitStartTime) / 1000;
  const int last = static_cast<int>(s < 19 ? s : 19);
  for (int i = 0; i <= last; ++i) waitLights_[i]->show();
}

void TKYMAIN::SetMainFile(const std::string& path) {
  Shell().MainFileName = path;
  labSt_->setText(Q(" main: " + path));
}

void TKYMAIN::SetStatusText(int flag, const std::string& text) {
  if (flag == 1) {
    labSt_->setText(Q(text));
  } else {
    SetMainFile(text);
  }
}

bool TKYMAIN::ConnectShows(TConnectLook look) const {
  return pConnect_->text() == QLatin1String(ConnectRow(look).caption);
}

void TKYMAIN::setConnectLook(TConnectLook which) {
  const TConnectRow& row = ConnectRow(which);
  const int look = row.look;
  pConnect_->setText(row.caption);
  pConnect_->setEnabled(look != 0);
  pConnect_->setFrameShadow(look == 2 ? QFrame::Raised : QFrame::Sunken);
  QPalette p = pConnect_->palette();
  p.setColor(QPalette::Window, look == 2 ? QColor(Qt::red) : palette().color(QPalette::Button));
  pConnect_->setPalette(p);
}

// ---------------------------------------------------------------------------
// Modes
// ---------------------------------------------------------------------------

std::string TKYMAIN::editModeTitle() const {
  const auto& c = Chip();
  TMainTitleParts parts;
  parts.ChipListHeader = Ky_Lang().DisplayText(c.ChipListHeader);
  parts.ChipName = Ky_Lang().DisplayText(ChipListEntry(c.ChipIndex));
  parts.InterfaceName = InterfaceName(Modes().IceInterfaceIndex);
  parts.ProjectName = Shell().ProjectFileName;
  parts.EngineerMode = Options().EngineerMode != 0;
  return MainWindowTitle(parts);
}

void TKYMAIN::RebuildMainTitle() {
  if (Modes().DebugMode == 0) setWindowTitle(Q(editModeTitle()));
}

std::string TKYMAIN::debugModeTitle() const {
  const auto& c = Chip();
  std::string t = "KyvorIDE - ";
  if (Modes().SimulatorMode == 1) {
    t += Action(I::MM_Simulator)->text().toStdString() + "   ***  Chip = ";
  } else {
    t += Action(I::MM_Emulator)->text().toStdString() + "        Chip = Kyvor - ";
  }
  return t + ChipListEntry(c.ChipIndex) + "     ICE Inteface = " +
         InterfaceName(Modes().IceInterfaceIndex) + "   Project = " + Shell().ProjectFileName;
}

void TKYMAIN::SetDebugMode(int mode) {
  const bool dbg = mode == 1;
  const bool started = Shell().StartedWithFile == 1;
  // The debug views' items and buttons; an analog window's item also needs
  // the chip to have that window.
  for (const TViewRow& row : ViewRows()) {
    if (row.shownSlot < 0) continue;
    setButtonEnabled(row.index, dbg);
    setEnabled(row.index, dbg && ChipHasView(row));
  }
  runPanel_->setVisible(dbg);
  for (TToolButton b : {B::TBtK_F6, B::TBtK_F7, B::TBtK_F8, B::TBtK_F9, B::TBtK_F11, B::TBtK_CF9})
    setButtonEnabled(b, true);
  setButtonEnabled(B::TBtK_F12, false);

  for (TMenuItem n : {I::SMenu_ICEDbg, I::SMenu_ICE_Test, I::SMenu_AssembleDebug, I::SMenu_Assemble,
                      I::SMenu_MainFile, I::w1})
    setEnabled(n, !dbg);
  for (TMenuItem n : {I::SMenu_Run, I::ReLoadROM1, I::SMenu_StepOver, I::SMenu_STKOUT, I::StepBack1,
                      I::SMenu_Trace, I::SMenu_TraceContinue, I::SMenu_Reset, I::SMenu_SetBP})
    setEnabled(n, dbg);
  if (dbg) {
    setWindowTitle(Q(debugModeTitle()));
    setEnabled(I::SMenu_EditMode, !started);
    Action(I::SMenu_Record)->setVisible(true);
  } else {
    for (TMenuItem n : {I::SMenu_Stop, I::SMenu_EditMode}) setEnabled(n, false);
    eeBar_->hide();
    Action(I::SMenu_Record)->setVisible(false);
  }
  for (TMenuItem n : {I::Menu_File, I::Menu_Edit, I::Menu_Option}) setEnabled(n, !started);
  setEnabled(I::SMenu_ELCD, lcdUnlocked_);
  Modes().DebugMode = mode;
  // Back in edit mode the title is the edit-mode one again (from the first
  // activation on; before it the window keeps the program's name).
  if (!dbg && firstActivation_ == 0) RebuildMainTitle();
}

void TKYMAIN::SetNoFileState(int flag) {
  const bool on = flag == 0;
  setButtonEnabled(ViewEdit, on);
  setEnabled(ViewEdit, on);
  for (TMenuItem n : {I::SMenu_Save, I::SMenu_SaveAs, I::SMenu_SaveAll, I::SMenu_Close,
                      I::SMenu_CloseAll, I::SMenu_AssembleDebug, I::SMenu_Assemble})
    setEnabled(n, on);
  if (flag == 1) {
    setEnabled(ViewErr, false);
    SetMainFile(std::string());
  }
}

void TKYMAIN::SetSimulatorMode(int mode) {
  Action(I::MM_Simulator)->setChecked(mode == 1);
  Action(I::MM_Emulator)->setChecked(mode == 0);
  Modes().SimulatorMode = mode;
  if (Options().PICE() && mode == 1) {
    setConnectLook(TConnectLook::Simulator);
  } else {
    PConnectClick();
  }
}

void TKYMAIN::showConnectError() {
  std::string text = LangTextUtf8(lt::IceConnectError);
  const std::string why = ThePod().LastProblem();
  if (!why.empty()) text += "\n\n" + why;
  Dialogs().messageBox(text, "Error", MsgIcon::Error, MbCancel);
}

void TKYMAIN::MM_SimulatorClick() {
  if (Modes().SimulatorMode == 1) {
    Action(I::MM_Simulator)->setChecked(true);
    return;
  }
  GetSELUP();
  if (!Shell().MainFileName.empty()) SMenu_EditModeClick();
  SetSimulatorMode(1);
}

void TKYMAIN::MM_EmulatorClick() {
  if (Modes().SimulatorMode == 0) {
    Action(I::MM_Emulator)->setChecked(true);
    return;
  }
  GetSELUP();
  if (!Shell().MainFileName.empty()) SMenu_EditModeClick();
  SetSimulatorMode(0);
}

// ---------------------------------------------------------------------------
// Views
// ---------------------------------------------------------------------------

QWidget* TKYMAIN::ViewForm(int index) const {
  if (index < 0 || index >= ViewCount) return nullptr;
  return forms_.views[index];
}

void TKYMAIN::ShowView(QWidget* form, int index, int show) {
  if (!form) return;
  auto it = frames_.find(form);
  if (show == 0) {
    if (it != frames_.end()) {
      const bool was = !it->second->isHidden();
      if (was && index >= 0 && index < ViewCount) viewBounds_[size_t(index)] = it->second->geometry();
      it->second->hide();
      if (was) ArrangeDefaultViews();
    } else {
      form->hide();
    }
    return;
  }
  const bool wasShowing = IsViewShowing(form);
  QMdiSubWindow* frame;
  if (it == frames_.end()) {
    // The form's own height is its share of the debug-window column; a
    // place from the placement file may be waiting for the frame.
    if (auto* view = qobject_cast<TKyChildForm*>(form)) view->BuildContents();
    TPlace& place = places_[form];
    place.preferredHeight = form->height();
    frame = new QMdiSubWindow(nullptr);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    frame->setWidget(form);
    frame->setWindowTitle(form->windowTitle());
    frame->setObjectName(form->objectName() + "Frame");
    mdi_->addSubWindow(frame);
    frames_[form] = frame;
    if (place.restored) {
      frame->setWindowState(place.restoredState);
      frame->setGeometry(place.restoredRect);
    }
    frame->installEventFilter(this);
    connect(form, &QObject::destroyed, this, [this, form] {
      frames_.erase(form);
      places_.erase(form);
    });
  } else {
    frame = it->second;
  }
  const bool known = index >= 0 && index < ViewCount;
  form->show();
  frame->show();
  // A window the user placed comes back with the bounds it had when shown last.
  if (known && !HoldsDefaultPlace(form) && viewBounds_[size_t(index)].isValid())
    frame->setGeometry(viewBounds_[size_t(index)]);
  ArrangeDefaultViews();
  if (known) viewBounds_[size_t(index)] = frame->geometry();
  mdi_->setActiveSubWindow(frame);
  // A view shown again while debugging catches up with the steps it missed.
  auto* view = qobject_cast<TKyChildForm*>(form);
  if (view && !wasShowing && Modes().DebugMode == 1 && index >= 0 && index < ViewCount &&
      InChipFamily(ViewRow(TViewIndex(index))))
    view->Refresh(TRefreshReason::RunStopped);
}

// Windows the user placed lie over the arranged ones, as when they were left.
void TKYMAIN::raisePlacedViews() {
  for (QMdiSubWindow* frame : mdi_->subWindowList(QMdiArea::StackingOrder))
    if (!frame->isHidden() && !HoldsDefaultPlace(frame->widget())) frame->raise();
}

void TKYMAIN::ShowViewBeneath(TViewIndex index) {
  ShowView(index, 1);
  if (QMdiSubWindow* frame = ViewFrame(ViewForm(index))) frame->lower();
}

QMdiSubWindow* TKYMAIN::ViewFrame(QWidget* form) const {
  auto it = frames_.find(form);
  return it == frames_.end() ? nullptr : it->second;
}

namespace {
// The frame is where the arrangement put it, or grown from there to its own
// minimum size (its contents asked for more, e.g. for a new chip).
bool AtAssignedPlace(const QRect& assigned, const QMdiSubWindow& f) {
  const QRect g = f.geometry();
  return g == assigned ||
         g == QRect(assigned.topLeft(), assigned.size().expandedTo(f.minimumSize()));
}
}  // namespace

bool TKYMAIN::HoldsDefaultPlace(QWidget* form) const {
  auto it = places_.find(form);
  if (it == places_.end()) return false;
  const TPlace& p = it->second;
  if (!p.managed) return false;
  QMdiSubWindow* f = ViewFrame(form);
  return !p.placed || (f && AtAssignedPlace(p.assigned, *f));
}

// A view's place in the default arrangement: its role, its share of a
// column and the size below which its contents are cut.
TLayoutItem TKYMAIN::layoutItem(QWidget* w, QMdiSubWindow* f, TViewRole role) const {
  TLayoutItem item;
  item.role = role;
  // The programmer's dump (16 words a row) takes the area, not the column.
  if (w == forms_.hex() && forms_.hex()->DumpGridShown()) item.role = TViewRole::Main;
  auto p = places_.find(w);
  if (p != places_.end()) item.preferredHeight = p->second.preferredHeight;
  // The frame's minimum holds its title bar and what the form needs shown;
  // a window also wants the width of its header and columns.
  item.minHeight = f->minimumSizeHint().height();
  item.leastWidth = f->minimumSizeHint().width();
  item.minWidth = item.leastWidth;
  if (auto* child = qobject_cast<TKyChildForm*>(w)) {
    const QMargins m = f->contentsMargins();
    if (child->ContentWidth() > 0)
      item.minWidth = std::max(item.minWidth, child->ContentWidth() + m.left() + m.right());
    // What the window holds for this chip, not what it held when first shown.
    if (child->ContentHeight() > 0)
      item.preferredHeight = child->ContentHeight() + m.top() + m.bottom();
  }
  return item;
}

void TKYMAIN::ArrangeDefaultViews() {
  if (arranging_) return;
  arranging_ = true;
  // The views in tile order, each with its role.
  std::vector<const TViewRow*> rows;
  for (const TViewRow& row : ViewRows()) rows.push_back(&row);
  std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->tile < b->tile; });
  std::vector<QWidget*> forms;
  std::map<QWidget*, TViewRole> roles;
  for (const TViewRow* row : rows) {
    QWidget* w = forms_.views[row->index];
    if (w && std::find(forms.begin(), forms.end(), w) == forms.end()) {
      forms.push_back(w);
      roles[w] = row->role;
    }
  }
  // Windows shown in the area that are none of the above go to the column too.
  for (auto& [w, frame] : frames_)
    if (std::find(forms.begin(), forms.end(), w) == forms.end()) forms.push_back(w);

  std::vector<QMdiSubWindow*> frames;
  std::vector<QWidget*> placedForms;
  std::vector<TLayoutItem> items;
  const QSize area = mdi_->viewport()->size();
  // The program text ends where a window the user placed on the right begins.
  int textRight = area.width();
  auto keepsItsPlace = [&](QMdiSubWindow* f, TViewRole role) {
    if (role == TViewRole::Side && f->x() >= MainTextMinWidth(area.width()))
      textRight = std::min(textRight, f->x());
  };
  for (QWidget* w : forms) {
    auto fit = frames_.find(w);
    if (fit == frames_.end() || !fit->second) continue;
    QMdiSubWindow* f = fit->second;
    if (f->isHidden() || f->isMaximized() || f->isMinimized()) continue;
    TPlace& p = places_[w];
    auto role = roles.find(w);
    const TViewRole r = role == roles.end() ? TViewRole::Side : role->second;
    if (p.managed && p.placed && !AtAssignedPlace(p.assigned, *f)) {
      // Moved or resized by the user (or tiled): it keeps its place from now on.
      p.managed = false;
    }
    if (!p.managed) {
      keepsItsPlace(f, r);
      continue;
    }
    TLayoutItem item = layoutItem(w, f, r);
    frames.push_back(f);
    placedForms.push_back(w);
    items.push_back(item);
  }
  std::vector<QRect> rects = ArrangeViews(area, items);
  for (size_t i = 0; i < frames.size(); ++i) {
    if (items[i].role != TViewRole::Side && rects[i].right() >= textRight)
      rects[i].setRight(std::max(rects[i].left(), textRight - 1));
    frames[i]->setGeometry(rects[i]);
    TPlace& p = places_[placedForms[i]];
    p.assigned = frames[i]->geometry();
    p.placed = true;
  }
  // Windows that overlap (a cascade) lie in their order, each one over the
  // one before, so that every title bar shows.
  for (size_t i = 1; i < frames.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (rects[i].intersects(rects[j])) {
        frames[i]->raise();
        break;
      }
  arranging_ = false;
}

void TKYMAIN::scheduleArrange() {
  if (arrangePending_) return;
  arrangePending_ = true;
  QTimer::singleShot(0, this, [this] {
    arrangePending_ = false;
    ArrangeDefaultViews();
  });
}

bool TKYMAIN::eventFilter(QObject* watched, QEvent* ev) {
  if (watched == pConnect_) {
    const bool click = ev->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(ev)->button() == Qt::LeftButton;
    if (click && pConnect_->isEnabled()) {
      PConnectClick();
      return true;
    }
  } else if (watched == mdi_->viewport()) {
    if (ev->type() == QEvent::Resize) ArrangeDefaultViews();
  } else if (ev->type() == QEvent::Hide && !arranging_) {
    // A child window closed with its own close button: the others may
    // take its room.
    if (qobject_cast<QMdiSubWindow*>(watched)) scheduleArrange();
  } else if (ev->type() == QEvent::Resize && !arranging_) {
    // A window in its default place that grew to its own minimum: the others
    // make room for it.
    auto* f = qobject_cast<QMdiSubWindow*>(watched);
    if (f && HoldsDefaultPlace(f->widget()) && f->geometry() != places_[f->widget()].assigned)
      scheduleArrange();
  }
  return QMainWindow::eventFilter(watched, ev);
}

bool TKYMAIN::IsViewShowing(QWidget* form) const {
  if (!form) return false;
  auto it = frames_.find(form);
  if (it == frames_.end()) return false;
  return !it->second->isHidden() && !form->isHidden();
}

void TKYMAIN::SMenu_ViewClick(TViewIndex index) {
  // Started with a file, the IDE stays on that file: no editor.
  if (index == ViewEdit && Shell().StartedWithFile == 1) return;
  ShowView(index, 1);
}

// The window the edit and search commands act on: the active child, or the
// one before it while the main window itself has the focus.
QWidget* TKYMAIN::editorTarget() const {
  return currentChild_ ? currentChild_ : previousChild_;
}

// ---------------------------------------------------------------------------
// Start-up, activation and shutdown
// ---------------------------------------------------------------------------

void TKYMAIN::FormActivate() {
  if (firstActivation_ == 1) {
    SetSimulatorMode(1);
    ReadConfigFile(ConfigFileName());
    // Hide the views.
    for (const TViewRow& row : ViewRows())
      if (row.index != ViewEdit) ShowView(row.index, 0);
    if (forms_.editor && forms_.editor->PageCount() > 0) {
      ShowView(ViewEdit, 1);
      SetNoFileState(0);
    }
    SetMainFile(Shell().MainFileName);
    firstActivation_ = 0;
    Ky_Lang().SetLanguage(LangState().LanguageIndex);
    RebuildMainTitle();
    if (!args_.isEmpty()) {
      QFileInfo fi(args_.first());
      if (fi.exists() && fi.isFile()) {
        Shell().StartedWithFile = 1;
        SetMainFile(fi.absoluteFilePath().toStdString());
        if (forms_.editor && forms_.editor->OpenFileInPage(Shell().MainFileName)) {
          SetNoFileState(0);
        }
        BuildAndLoad(1);
      } else {
        Dialogs().messageBox("Error! file do't exist!", "Error", MsgIcon::Error, MbCancel);
        close();
        if (!closed_) {
          // Even a refused close query does not keep a program whose start
          // file is missing.
          FormClose();
          closed_ = true;
          hide();
        }
      }
    }
    if (Modes().IceInterfaceIndex != 4) ThePod().Parallel().InitParallelPort();
  }
  if (closed_) return;
  if (!shownOnce_) {
    shownOnce_ = true;
    showMaximized();
  } else {
    show();
  }
  applyLayout();
}

void TKYMAIN::applyLayout() {
  const bool prog = Options().PProg;
  if (prog) {
    runPanel_->hide();
    setEnabled(I::Menu_Run, false);
    setEnabled(I::Menu_Programmer, true);
    Action(I::Menu_Programmer)->setVisible(true);
    programPanel_->show();
    setButtonEnabled(ViewHex, true);
    setEnabled(ViewHex, true);
    setEnabled(ViewErr, true);
    for (int i = 0; i < kToolButtonCount; ++i)
      if (OnProgrammerPanel(TToolButton(i))) setButtonEnabled(TToolButton(i), true);
    for (TMenuItem n : {I::SMenu_New, I::SMenu_Save, I::SMenu_SaveAs, I::SMenu_SaveAll,
                        I::SMenu_Close, I::SMenu_CloseAll})
      setEnabled(n, false);
    editBar_->hide();
    setEnabled(I::SMenu_DownLoad, true);
    setEnabled(I::SMenu_ReadLoad, true);
    labSt_->setText(Q(Shell().LastProgrammerFile));
    pCheckSum_->setText(Shell().CodeChecksumShown ? Q(CheckSumCaption(Shell().CodeChecksum))
                                                  : QString());
    pConnect_->setEnabled(true);  // the programmer's body can be probed
    openFilter_ = "*.Hex";
  } else {
    setEnabled(I::Menu_Run, true);
    setEnabled(I::Menu_Programmer, false);
    Action(I::Menu_Programmer)->setVisible(false);
    programPanel_->hide();
    setButtonEnabled(ViewHex, Modes().DebugMode == 1);
    for (int i = 0; i < kToolButtonCount; ++i)
      if (OnProgrammerPanel(TToolButton(i))) setButtonEnabled(TToolButton(i), false);
    if (Shell().StartedWithFile != 1) {
      setEnabled(I::SMenu_Open, true);
      bool pages = forms_.editor && forms_.editor->PageCount() > 0;
      setEnabled(I::SMenu_New, true);
      for (TMenuItem n :
           {I::SMenu_Save, I::SMenu_SaveAs, I::SMenu_SaveAll, I::SMenu_Close, I::SMenu_CloseAll})
        setEnabled(n, pages);
    }
    SyncViewButtons(currentChild_);
    setEnabled(I::SMenu_DownLoad, false);
    setEnabled(I::SMenu_ReadLoad, false);
    SetStatusText(1, Shell().MainFileName);
    openFilter_ = "*.asm|*.asm|*.inc|*.inc|*.*|*.*";
  }
}

void TKYMAIN::changeEvent(QEvent* ev) {
  QMainWindow::changeEvent(ev);
  // Every later activation applies the layout again (not while a build or a
  // programmer command runs: their actions stay as they set them).
  if (ev->type() == QEvent::ActivationChange && isActiveWindow() && firstActivation_ == 0 &&
      !closed_ && !inBuild_ && !ProgrammerBusy())
    FormActivate();
}

void TKYMAIN::closeEvent(QCloseEvent* ev) {
  if (closed_) {
    ev->accept();
    return;
  }
  if (!closing_ && !FormCloseQuery()) {
    ev->ignore();
    return;
  }
  FormClose();
  closed_ = true;
  ev->accept();
  restoreWin_->CloseHook();
}

bool TKYMAIN::FormCloseQuery() {
  // Quitting in debug mode leaves it: the views showing now are the ones to
  // come back at the next debug entry (also in a project saved here).
  if (Modes().DebugMode == 1) recordShownViews();
  // Cancel, to the project question or to unsaved editor files, keeps the program open.
  if (!offerProjectSave()) return false;
  if (!SaveModifiedFiles(std::string(), 0)) {
    if (forms_.editor && forms_.editor->PageCount() > 0) ShowView(ViewEdit, 1);
    return false;
  }
  if (Modes().DebugMode == 1) ShowView(ViewWatch, 0);
  SyncViewButtons(nullptr);
  return true;
}

void TKYMAIN::FormClose() {
  runTimer_->stop();
  timer2_->stop();
  ThePod().Parallel().CloseParallelDriver();
  ThePod().PodSendCloseSequence();
  WriteConfigFile(ConfigFileName());
  StoreMainFileName(Shell().MainFileName);
}

void TKYMAIN::SMenu_ExitClick() { close(); }

}  // namespace kyvor
