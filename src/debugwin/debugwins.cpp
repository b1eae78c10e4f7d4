#include "debugwin/debugwins.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kyvor {

TKyDebugForm::TKyDebugForm(const QString& name, const QString& caption, QWidget* parent)
    : TKyChildForm(name, caption, parent) {
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(new QLabel(caption, this));
  resize(320, 240);
}

TKy_RAM::TKy_RAM(QWidget* parent) : TKyDebugForm("Ky_RAM", "Data Memory", parent) {}
TKy_STK::TKy_STK(QWidget* parent) : TKyDebugForm("Ky_STK", "Stack", parent) {}
TKy_Reg2::TKy_Reg2(QWidget* parent) : TKyDebugForm("Ky_Reg2", "Special Register", parent) {}
TKy_WATCH::TKy_WATCH(QWidget* parent) : TKyDebugForm("Ky_WATCH", "Watch", parent) {}
TKy_BP::TKy_BP(QWidget* parent) : TKyDebugForm("Ky_BP", "Break Point", parent) {}

// What each window redraws for the main window's refresh reasons.
void TKy_RAM::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped:
    case TRefreshReason::RegisterWrite: RefreshRamView(false); break;
    case TRefreshReason::Reset: RefreshRamView(true); break;
    default: break;
  }
}

void TKy_STK::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped: RefreshStackView(false); break;
    case TRefreshReason::Reset: RefreshStackView(true); break;
    default: break;
  }
}

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

void TKy_BP::Refresh(TRefreshReason reason) {
  if (reason == TRefreshReason::Breakpoints) FillBreakpointList();
}

TKy_ADDWCH::TKy_ADDWCH(QWidget* parent) : TKyChildForm("Ky_ADDWCH", "Add Watch", parent) {}
TKy_WCHEDIT::TKy_WCHEDIT(QWidget* parent) : TKyChildForm("Ky_WCHEDIT", "Edit Watch", parent) {}
TKyPopSelHex::TKyPopSelHex(QWidget* parent) : TKyChildForm("KyPopSelHex", "Hex", parent) {}
TKyIntStr::TKyIntStr(QWidget* parent) : TKyChildForm("KyIntStr", "Input", parent) {}
TSRAMRecord::TSRAMRecord(QWidget* parent)
    : TKyChildForm("SRAMRecord", "SRAM&Register Modify Record", parent) {}

}  // namespace kyvor
