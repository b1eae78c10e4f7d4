#include "shell/options/placement_forms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStandardPaths>

#include "shell/mainwin/main_window.h"
#include "shell/mainwin/revision_viewer.h"
#include "shell/mainwin/views.h"

namespace kyvor {

namespace {

TWindowState StateOf(Qt::WindowStates s) {
  if (s & Qt::WindowMinimized) return TWindowState::Minimized;
  if (s & Qt::WindowMaximized) return TWindowState::Maximized;
  return TWindowState::Normal;
}

Qt::WindowStates QtState(TWindowState s) {
  switch (s) {
    case TWindowState::Minimized: return Qt::WindowMinimized;
    case TWindowState::Maximized: return Qt::WindowMaximized;
    default: return Qt::WindowNoState;
  }
}

TFormPlacement PlacementOf(const QRect& r, Qt::WindowStates state, bool visible) {
  TFormPlacement p;
  p.Left = r.x();
  p.Top = r.y();
  p.Width = r.width();
  p.Height = r.height();
  p.State = StateOf(state);
  p.Visible = visible;
  return p;
}

QRect RectOf(const TFormPlacement& p) { return QRect(p.Left, p.Top, p.Width, p.Height); }

}  // namespace

TKyFormPlacements::TKyFormPlacements(TKYMAIN& main) : main_(main) {
  main_.installEventFilter(this);
}

TKyFormPlacements::~TKyFormPlacements() { main_.removeEventFilter(this); }

std::unique_ptr<TRestoreWin> TKyFormPlacements::MakeRestoreWin() {
  const std::string program = Shell().ProgramFile;
  std::string base, fallback;
  if (!program.empty()) {
    base = PlacementFileName(program, std::string());
    fallback = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString();
    if (!fallback.empty()) fallback += '/';
  }
  auto win = std::make_unique<TRestoreWin>(*this, base, fallback);
  restoreWin_ = win.get();
  return win;
}

bool TKyFormPlacements::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &main_ && event->type() == QEvent::Show) {
    // The hook runs once.
    main_.removeEventFilter(this);
    if (restoreWin_) restoreWin_->ShowHook();
  }
  return QObject::eventFilter(watched, event);
}

std::vector<TKyFormPlacements::Form> TKyFormPlacements::forms() const {
  std::vector<Form> v;
  v.push_back({&main_, main_.objectName().toStdString(), false});
  const TKyForms& f = main_.Forms();
  for (const TViewRow& row : ViewRows()) {
    QWidget* w = f.views[row.index];
    if (w) v.push_back({w, row.formName, true});
  }
  if (f.revision) v.push_back({f.revision, f.revision->objectName().toStdString(), false});
  return v;
}

TKyFormPlacements::Form TKyFormPlacements::formAt(int form) const {
  const std::vector<Form> v = forms();
  return form >= 0 && form < static_cast<int>(v.size()) ? v[form] : Form{nullptr, {}, false};
}

int TKyFormPlacements::FormCount() const { return static_cast<int>(forms().size()); }

std::string TKyFormPlacements::FormName(int form) const { return formAt(form).name; }

bool TKyFormPlacements::ReadPlacement(int form, TFormPlacement& placement) const {
  const Form f = formAt(form);
  if (!f.widget) return false;
  if (f.view) {
    QRect r;
    Qt::WindowStates state;
    if (!main_.ViewPlacement(f.widget, r, state)) return false;
    placement = PlacementOf(r, state, main_.IsViewShowing(f.widget));
    return true;
  }
  // A window never shown nor placed keeps the window system's place.
  QWidget* w = f.widget;
  if (!w->windowHandle() && !w->testAttribute(Qt::WA_Moved)) return false;
  // Left and Top of the window with its frame (as move() puts it), the size
  // of its inside (as resize() makes it).
  const bool normal = !(w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
  placement = PlacementOf(normal ? QRect(w->pos(), w->size()) : w->normalGeometry(),
                          w->windowState(), w->isVisible());
  return true;
}

bool TKyFormPlacements::DesignedPosition(int form) const {
  const Form f = formAt(form);
  return f.widget && f.widget != &main_;
}

bool TKyFormPlacements::SizeableBorder(int form) const {
  const Form f = formAt(form);
  if (!f.widget) return false;
  return f.view || f.widget->minimumSize() != f.widget->maximumSize();
}

void TKyFormPlacements::AreaSize(int form, int32_t& width, int32_t& height) const {
  QSize size(1024, 768);
  if (formAt(form).view) {
    size = main_.mdiArea()->viewport()->size();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    size = screen->geometry().size();
  }
  width = size.width();
  height = size.height();
}

void TKyFormPlacements::ApplyPlacement(int form, const TFormPlacement& placement) {
  const Form f = formAt(form);
  if (!f.widget) return;
  if (f.view) {
    main_.PlaceView(f.widget, RectOf(placement), QtState(placement.State));
    return;
  }
  QWidget* w = f.widget;
  w->move(placement.Left, placement.Top);
  if (SizeableBorder(form)) w->resize(placement.Width, placement.Height);
  w->setWindowState(QtState(placement.State));
}

// ---------------------------------------------------------------------------
// The main window's side: the places of its views

bool TKYMAIN::ViewPlacement(QWidget* form, QRect& rect, Qt::WindowStates& state) const {
  auto it = places_.find(form);
  if (QMdiSubWindow* frame = ViewFrame(form)) {
    if (HoldsDefaultPlace(form)) return false;
    rect = frame->geometry();
    state = frame->windowState();
    return true;
  }
  // Not shown yet: the place it is waiting with.
  if (it == places_.end() || !it->second.restored) return false;
  rect = it->second.restoredRect;
  state = it->second.restoredState;
  return true;
}

void TKYMAIN::PlaceView(QWidget* form, const QRect& rect, Qt::WindowStates state) {
  TPlace& p = places_[form];
  p.managed = false;
  p.restored = true;
  p.restoredRect = rect;
  p.restoredState = state;
  if (QMdiSubWindow* frame = ViewFrame(form)) {
    frame->setWindowState(state);
    frame->setGeometry(rect);
  }
}

}  // namespace kyvor
