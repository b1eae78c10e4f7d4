// The options dialog's "OSC Calibration" page: the three calibration switches,
// the HAO and permissible-error inputs (shown while the hardware calibration
// is on) and the LPO input, with the chip's ranges; checked when the dialog
// closes.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "base/dialogs.h"
#include "base/numbers.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "shell/options/options_dialog.h"
#include "shell/options/options_page_support.h"

namespace kyvor {

using namespace optionpage;

namespace {

// The calibration range labels before a chip gives its own.
const char kHaoMinText[] = "1700000", kHaoMaxText[] = "2100000";
const char kLaoMinText[] = "11000", kLaoMaxText[] = "14000 ";

// A whole decimal number (an optional '-' and digits, blanks around allowed).
bool WholeNumber(const QString& text, int32_t& value) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok, 10);
  if (ok) value = v;
  return ok;
}

// An input edit that keeps its number in the options record as it is typed.
QLineEdit* NumberEdit(QWidget* parent, const char* name, int32_t TOptions::*field) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  QObject::connect(e, &QLineEdit::textEdited, e, [field](const QString& t) {
    Options().*field = DecStrToInt(t.trimmed().toStdString());
  });
  return e;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const char* text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

// One row of a range: "caption", the edit, "min .. max".
void PlaceRangeRow(QGridLayout* grid, int row, const char* caption, QLineEdit* edit, QLabel* min,
                   QLabel* max) {
  QWidget* group = grid->parentWidget();
  grid->addWidget(new QLabel(caption, group), row, 0);
  grid->addWidget(edit, row, 1);
  grid->addWidget(min, row, 2);
  grid->addWidget(new QLabel("..", group), row, 3);
  grid->addWidget(max, row, 4);
}

void RangeError(const char* text) { Dialogs().messageBox(text, "Error", MsgIcon::Error, MbCancel); }

}  // namespace

QWidget* TOption::buildCalibrationPage() {
  auto* page = new QWidget;
  page->setObjectName("PHAOCal");
  auto* lay = new QVBoxLayout(page);
  auto calibrationSwitch = [this, page](const char* name, const char* caption,
                                        uint8_t TOptions::*field) {
    return check(page, name, caption, [this, field](bool on) {
      Options().*field = on ? 1 : 0;
      ApplyCalibrationOptions();
    });
  };
  enHao_ = calibrationSwitch("EnHAO", "Enable H/W Calibration", &TOptions::EnHAO);
  enShao_ = calibrationSwitch("EnSHAO", "Enable S/W Calibration", &TOptions::EnSHAO);
  enSlao_ = calibrationSwitch("EnSLAO", "Enable Calibration", &TOptions::EnSLAO);
  pHao_ = buildHaoGroup(page);
  QGroupBox* lpo = buildLpoGroup(page);
  lay->addWidget(enHao_);
  lay->addWidget(enShao_);
  lay->addWidget(enSlao_);
  lay->addWidget(pHao_);
  lay->addWidget(lpo);
  lay->addStretch();
  pHao_->hide();
  return page;
}

QGroupBox* TOption::buildHaoGroup(QWidget* page) {
  QGroupBox* g = Group(page, "PHAO");
  g->setTitle("HAO");
  auto* gh = new QGridLayout(g);
  eHao_ = NumberEdit(g, "EHAO", &TOptions::EHAO);
  ePermiss_ = NumberEdit(g, "EPERMISS", &TOptions::EPERMISS);
  lHaoMin_ = NamedLabel(g, "LHAOMIN", kHaoMinText);
  lHaoMax_ = NamedLabel(g, "LHAOMAX", kHaoMaxText);
  PlaceRangeRow(gh, 0, "HAO (Hz)", eHao_, lHaoMin_, lHaoMax_);
  gh->addWidget(new QLabel("Permissible error (%)", g), 1, 0);
  gh->addWidget(ePermiss_, 1, 1);
  gh->addWidget(new QLabel("1 .. 100", g), 1, 2, 1, 3);
  return g;
}

QGroupBox* TOption::buildLpoGroup(QWidget* page) {
  QGroupBox* g = Group(page, "PLAO");
  g->setTitle("LPO");
  auto* gl = new QGridLayout(g);
  eLao_ = NumberEdit(g, "ELAO", &TOptions::ELAO);
  lLaoMin_ = NamedLabel(g, "LLAOMIN", kLaoMinText);
  lLaoMax_ = NamedLabel(g, "LLAOMAX", kLaoMaxText);
  PlaceRangeRow(gl, 0, "LPO (Hz)", eLao_, lLaoMin_, lLaoMax_);
  return g;
}

void TOption::loadCalibrationPage() {
  const TOptions& o = Options();
  enHao_->setChecked(o.EnHAO);
  enShao_->setChecked(o.EnSHAO);
  enSlao_->setChecked(o.EnSLAO);
  eHao_->setText(QString::number(o.EHAO));
  ePermiss_->setText(QString::number(o.EPERMISS));
  eLao_->setText(QString::number(o.ELAO));
}

// The chip's ranges, where it gives them (the last ones given stay).
void TOption::calibrationPageChipLoaded() {
  NoteChipLoaded(*trail_);
  showChipRanges();
}

void TOption::showChipRanges() {
  const TOptionTrail& t = *trail_;
  if (t.HaoRange) {
    lHaoMin_->setText(QString::number(t.HaoMin));
    lHaoMax_->setText(QString::number(t.HaoMax));
  }
  if (t.LaoRange) {
    lLaoMin_->setText(QString::number(t.LaoMin));
    lLaoMax_->setText(QString::number(t.LaoMax));
  }
}

// The HAO group is hidden until the dialog shows it (a dialog made later
// starts so).
void TOption::ChipLoadStarted() { pHao_->hide(); }

void TOption::TakeWriterCalibration() { Options().EnHAO = Options().HaoEnabled; }

void TOption::WriterCalibration() {
  TakeWriterCalibration();
  enHao_->setChecked(Options().EnHAO);
  if (Options().PProg) ApplyCalibrationOptions();
}

void TOption::PHAOCALClick() {
  ShowPage(PageCalibration);
  if (!Options().PProg) return;
  const auto entries = ReadChipListEntries();
  const int i = Chip().ChipIndex;
  QWidget* const controls[6] = {enHao_, enShao_, enSlao_, eHao_, ePermiss_, eLao_};
  for (QWidget* w : controls) w->setEnabled(false);
  if (i < 0 || i >= int(entries.size())) return;
  // A chip file that cannot be read leaves the controls disabled.
  const TChipFileCalibration file = ChipFileCalibration(entries[size_t(i)].FileName);
  if (!file.Read || !file.HasLines) return;
  for (QWidget* w : controls) w->setEnabled(file.HasHao || w != enHao_);
}

void TOption::showCalibrationEdits() { pHao_->setVisible(enHao_->isChecked()); }

void TOption::ApplyCalibrationOptions() {
  TOptions& o = Options();
  o.EnHAO = enHao_->isChecked() ? 1 : 0;
  o.EnSHAO = enShao_->isChecked() ? 1 : 0;
  o.EnSLAO = enSlao_->isChecked() ? 1 : 0;
  o.ApplyCalibrationInputs(Chip().OscCalibration.HaoPresent);
  enHao_->setChecked(o.EnHAO);
  showCalibrationEdits();
}

bool TOption::haoInputsApply() const {
  return enHao_->isChecked() && Chip().OscCalibration.HaoPresent;
}

bool TOption::checkCalibrationInputs() {
  TOptions& o = Options();
  const auto& cal = Chip().OscCalibration;
  int32_t hao = 0, permiss = 0, lao = 0;
  if (!WholeNumber(eHao_->text(), hao) || hao < cal.HaoMin || hao > cal.HaoMax) {
    RangeError("Input HAO over Range! Please Check Input HAO!!");
    return false;
  }
  o.HaoValue = hao;
  if (!WholeNumber(ePermiss_->text(), permiss) || permiss < 1 || permiss > 100) {
    RangeError("Permissable Error Input Over Range! Please Check Input Permissable error!!");
    return false;
  }
  o.PermissibleError = static_cast<uint8_t>(permiss);
  if (!WholeNumber(eLao_->text(), lao) || lao < cal.LaoMin || lao > cal.LaoMax) {
    RangeError("Input LPO over Range! Please Check Input LPO!!");
    return false;
  }
  o.LpoValue = lao;
  o.CalibrationMode = CalibrationModeOf(o.EnHAO, o.EnSHAO, o.EnSLAO, o.CalibrationMode);
  return true;
}

bool TOption::commitCalibration() {
  Options().HaoEnabled = enHao_->isChecked() ? 1 : 0;
  // Checked on whichever page the dialog is closed from; a refusal shows the
  // inputs to mend.
  if (haoInputsApply() && !checkCalibrationInputs()) {
    PHAOCALClick();
    showCalibrationEdits();
    return false;
  }
  return true;
}

}  // namespace kyvor
