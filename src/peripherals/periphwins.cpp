#include "peripherals/periphwins.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kyvor {

TKyPeripheralForm::TKyPeripheralForm(const QString& name, const QString& caption, QWidget* parent)
    : TKyChildForm(name, caption, parent) {
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(new QLabel(caption, this));
  resize(320, 240);
}

void TKyPeripheralForm::Refresh(TRefreshReason reason) {
  if (reason != TRefreshReason::DebugEntry && reason != TRefreshReason::Breakpoints) DataUpdate();
}

TADCForm::TADCForm(QWidget* parent) : TKyPeripheralForm("ADCForm", "ADC", parent) {}
TOPForm::TOPForm(QWidget* parent) : TKyPeripheralForm("OPForm", "OP", parent) {}
TCMPForm::TCMPForm(QWidget* parent) : TKyPeripheralForm("CMPForm", "CMP", parent) {}
TADCIForm::TADCIForm(QWidget* parent) : TKyPeripheralForm("ADCIForm", "ADCI", parent) {}
TADCIIForm::TADCIIForm(QWidget* parent) : TKyPeripheralForm("ADCIIForm", "ADCII", parent) {}
TMultiCMPForm::TMultiCMPForm(QWidget* parent)
    : TKyPeripheralForm("MultiCMPForm", "MultiCMP", parent) {}

}  // namespace kyvor
