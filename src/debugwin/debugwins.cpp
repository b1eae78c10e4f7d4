#include "debugwin/debugwins.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kyvor {

namespace {
void Frame(QWidget* w, const QString& caption) {
  auto* lay = new QVBoxLayout(w);
  lay->addWidget(new QLabel(caption, w));
  w->resize(320, 240);
}
}  // namespace

TKy_Reg2::TKy_Reg2(QWidget* parent) : TKyDebugForm("Ky_Reg2", "Special Register", parent) {
  Frame(this, "Special Register");
}
TKy_WATCH::TKy_WATCH(QWidget* parent) : TKyDebugForm("Ky_WATCH", "Watch", parent) {
  Frame(this, "Watch");
}

// What each window redraws for the main window's refresh reasons.
void TKy_Reg2::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped:
    case TRefreshReason::RegisterWrite: RefreshRegisters(false); break;
    case TRefreshReason::Reset: RefreshRegisters(true); break;
    case TRefreshReason::DebugEntry: ForceRefresh(); break;
    default: break;
  }
}

void TKy_WATCH::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped: RefreshWatchValues(); break;
    case TRefreshReason::DebugEntry: InitWatchWindow(); break;
    default: break;
  }
}


TKy_ADDWCH::TKy_ADDWCH(QWidget* parent) : TKyChildForm("Ky_ADDWCH", "Add Watch", parent) {}
TKy_WCHEDIT::TKy_WCHEDIT(QWidget* parent) : TKyChildForm("Ky_WCHEDIT", "Edit Watch", parent) {}
TSRAMRecord::TSRAMRecord(QWidget* parent)
    : TKyChildForm("SRAMRecord", "SRAM&Register Modify Record", parent) {}

}  // namespace kyvor
