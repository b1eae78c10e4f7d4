// The options dialog's "Chip Watch" page: the pod's data watch (address, data
// and bit mask, as hex) and the stop on a stack overflow, committed when the
// dialog closes and written to the pod while debugging on it.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "base/modes.h"
#include "base/numbers.h"
#include "base/options.h"
#include "engine/ky_up.h"
#include "shell/options/options_dialog.h"
#include "shell/options/options_page_support.h"

namespace kyvor {

using namespace optionpage;

QWidget* TOption::buildWatchPage() {
  auto* page = new QWidget;
  page->setObjectName("PBreakSet");
  auto* lay = new QGridLayout(page);
  stpOvStak_ = check(page, "STPOVSTAK", "STOP When OV Stack");
  auto* bits = Group(page, "GroupWatchBits");
  bits->setTitle("Watch Bits");
  auto* gb = new QHBoxLayout(bits);
  for (int i = 7; i >= 0; --i) {
    const std::string name = "CkWatchB" + std::to_string(i);
    watchBits_[size_t(i)] = check(bits, name.c_str(), "B" + QString::number(i));
    gb->addWidget(watchBits_[size_t(i)]);
  }
  auto* addrLabel = new QLabel("Watch Address (hex)", page);
  eWatchAddress_ = new QLineEdit(page);
  eWatchAddress_->setObjectName("EWatchAddress");
  eWatchAddress_->setMaxLength(4);
  auto* dataLabel = new QLabel("Watch Data (hex)", page);
  eWatchData_ = new QLineEdit(page);
  eWatchData_->setObjectName("EWatchData");
  eWatchData_->setMaxLength(2);
  lay->addWidget(stpOvStak_, 0, 0, 1, 2);
  lay->addWidget(bits, 1, 0, 1, 2);
  lay->addWidget(addrLabel, 2, 0);
  lay->addWidget(eWatchAddress_, 2, 1);
  lay->addWidget(dataLabel, 3, 0);
  lay->addWidget(eWatchData_, 3, 1);
  lay->setColumnStretch(1, 1);
  lay->setRowStretch(4, 1);
  return page;
}

void TOption::BreakSetClick() {
  WatchInit();
  ShowPage(PageWatch);
}

void TOption::WatchInit() {
  const TOptions& o = Options();
  for (int i = 0; i < 8; ++i) watchBits_[size_t(i)]->setChecked(o.WatchBitMask >> i & 1);
  if (o.WatchBitMask != 0) {
    NoteRecords(*trail_);
    showWatchEdits();
  }
  stpOvStak_->setChecked(o.STPOVSTAK);
}

// A watch with bits shows its address and data; without bits the edits keep
// those of the last one.
void TOption::NoteRecords(TOptionTrail& trail) {
  const TOptions& o = Options();
  if (o.WatchBitMask == 0) return;
  trail.WatchShown = true;
  trail.WatchAddress = o.WatchAddress;
  trail.WatchData = o.WatchData;
}

void TOption::showWatchEdits() {
  if (!trail_->WatchShown) return;
  eWatchAddress_->setText(Hex(trail_->WatchAddress, 4));
  eWatchData_->setText(Hex(trail_->WatchData, 2));
}

bool TOption::SetWatch() {
  if (!up_) return false;
  const TOptions& o = Options();
  return up_->Pod().PodWriteWatch(o.WatchBitMask, o.WatchData, o.WatchAddress);
}

// Close steps 3 and 4: the watch from the page, to the pod while debugging on
// it, and the stop on a stack overflow.
void TOption::commitWatch() {
  TOptions& o = Options();
  uint8_t mask = 0;
  for (int i = 0; i < 8; ++i)
    if (watchBits_[size_t(i)]->isChecked()) mask = static_cast<uint8_t>(mask | 1 << i);
  o.WatchBitMask = mask;
  o.WatchAddress = static_cast<uint16_t>(HexStrToInt(eWatchAddress_->text().toStdString()));
  o.WatchData = static_cast<uint8_t>(HexStrToInt(eWatchData_->text().toStdString()));
  if (Modes().SimulatorMode == 0 && Modes().DebugMode == 1) SetWatch();
  o.STPOVSTAK = stpOvStak_->isChecked() ? 1 : 0;
}

}  // namespace kyvor
