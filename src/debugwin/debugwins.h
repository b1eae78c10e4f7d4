#pragma once
// The debug windows the program creates at start-up.
#include <string>

#include "debugwin/debugform.h"
#include "debugwin/kybp.h"
#include "debugwin/kypopsel.h"
#include "debugwin/kyram.h"
#include "debugwin/kyreg2.h"
#include "debugwin/kystk.h"
#include "guicommon/childform.h"

namespace kyvor {

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
// The SRAM record: created at start-up, not yet shown by any command.
class TSRAMRecord : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TSRAMRecord(QWidget* parent = nullptr);
};

}  // namespace kyvor
