#pragma once
// The debug windows. For now each is the window frame that the main window
// creates at start-up, places, shows, hides and refreshes; their contents
// (grids, dialogs) are filled in by their own modules later.
#include <string>

#include "guicommon/childform.h"

namespace kyvor {

// A debug window frame that counts the refreshes asked of it.
class TKyDebugForm : public TKyChildForm {
  Q_OBJECT
 public:
  TKyDebugForm(const QString& name, const QString& caption, QWidget* parent = nullptr);
  int refreshCount() const { return refreshes_; }
  int forcedRefreshCount() const { return forced_; }

 protected:
  void noteRefresh(bool force) {
    ++refreshes_;
    if (force) ++forced_;
  }

 private:
  int refreshes_ = 0;
  int forced_ = 0;
};

// RAM window.
class TKy_RAM : public TKyDebugForm {
  Q_OBJECT
 public:
  explicit TKy_RAM(QWidget* parent = nullptr);
  void RefreshRamView(bool force) { noteRefresh(force); }
  void Refresh(TRefreshReason reason) override;
};

// Hardware stack window.
class TKy_STK : public TKyDebugForm {
  Q_OBJECT
 public:
  explicit TKy_STK(QWidget* parent = nullptr);
  void RefreshStackView(bool force) { noteRefresh(force); }
  void Refresh(TRefreshReason reason) override;
};

// Special-function register window.
class TKy_Reg2 : public TKyDebugForm {
  Q_OBJECT
 public:
  explicit TKy_Reg2(QWidget* parent = nullptr);
  void RefreshRegisters(bool force) { noteRefresh(force); }
  void ForceRefresh() { noteRefresh(true); }
  void Refresh(TRefreshReason reason) override;
};

// Watch window.
class TKy_WATCH : public TKyDebugForm {
  Q_OBJECT
 public:
  explicit TKy_WATCH(QWidget* parent = nullptr);
  void RefreshWatchValues() { noteRefresh(false); }
  void InitWatchWindow() { ++inits_; }
  int initCount() const { return inits_; }
  void Refresh(TRefreshReason reason) override;

 private:
  int inits_ = 0;
};

// Breakpoint list.
class TKy_BP : public TKyDebugForm {
  Q_OBJECT
 public:
  explicit TKy_BP(QWidget* parent = nullptr);
  void FillBreakpointList() { noteRefresh(false); }
  void Refresh(TRefreshReason reason) override;
};

// Watch dialogs, hex keypad, integer input box, SRAM record: created at
// start-up, not yet shown by any command.
class TKy_ADDWCH : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKy_ADDWCH(QWidget* parent = nullptr);
};
class TKy_WCHEDIT : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKy_WCHEDIT(QWidget* parent = nullptr);
};
class TKyPopSelHex : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKyPopSelHex(QWidget* parent = nullptr);
};
class TKyIntStr : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKyIntStr(QWidget* parent = nullptr);
};
class TSRAMRecord : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TSRAMRecord(QWidget* parent = nullptr);
};

}  // namespace kyvor
