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

TKy_WATCH::TKy_WATCH(QWidget* parent) : TKyDebugForm("Ky_WATCH", "Watch", parent) {
  Frame(this, "Watch");
}

// What each window redraws for the main window's refresh reasons.

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
