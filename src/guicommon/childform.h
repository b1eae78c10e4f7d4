#pragma once
// The common base of the IDE's child windows: created once at start-up, kept
// for the whole run, shown inside the main window's document area and hidden
// (never freed) when the user closes them.
//
// A child window that shows target state is a view: the main window hands it
// the CPU model once (AttachModel) and asks it to redraw (Refresh) after a
// step, when a run stops, on reset, at debug entry, after a user's register
// write and when the breakpoints change. Which views are asked, and whether
// a hidden view is asked too, is decided by the main window's views table.
#include <QWidget>

namespace kyvor {

class TKy_UP;

// Why the main window asks its views to redraw.
enum class TRefreshReason {
  Step,           // one instruction traced, or one step of the animated trace
  RunStopped,     // a run, step over or step out has ended
  Reset,          // program reset: everything is redrawn (forced)
  DebugEntry,     // debug mode entered after a build: views set themselves up
  RegisterWrite,  // the user wrote a register through the logged write path
  Breakpoints,    // a breakpoint was set or cleared
  RunStarted,     // the target started running: no edits until it stops
};
constexpr unsigned RefreshBit(TRefreshReason r) { return 1u << static_cast<unsigned>(r); }

class TKyChildForm : public QWidget {
  Q_OBJECT
 public:
  // `name` is the form's name (also its object name); `caption` its title.
  TKyChildForm(const QString& name, const QString& caption, QWidget* parent = nullptr);

  // The CPU model whose state the window shows (not owned; may be null).
  virtual void AttachModel(TKy_UP* up) { up_ = up; }
  TKy_UP* Model() const { return up_; }
  // Redraws the window for `reason`; the default shows nothing that changes.
  virtual void Refresh(TRefreshReason reason);
  // A window that builds its controls on first use builds them now; the
  // main window asks before it first frames the window (its size is the
  // built window's), and a window asks itself before it shows. The default
  // has them from its creation.
  virtual void BuildContents() {}
  // Shows the window with its controls built (see BuildContents), or hides it.
  void setVisible(bool visible) override;
  // The width at which the window shows its header and columns in full; the
  // default arrangement of the document area gives it at least this much
  // when there is room. 0: no width of its own.
  virtual int ContentWidth() const { return 0; }
  // The height at which it shows all it holds, for the loaded chip; the
  // default arrangement shares a column in proportion to it. 0: the height
  // the window had when it was first shown.
  virtual int ContentHeight() const { return 0; }

 protected:
  // Sizes the window for what it holds while it stands alone; inside a frame
  // of the document area the frame keeps its place and size, and the window
  // the frame's.
  void FitWindow(const QSize& size);

 private:
  TKy_UP* up_ = nullptr;
};

}  // namespace kyvor
