// The options dialog's "Debug Tool" page: the programming voltage and the
// supply measured through the pod (USB only), and pod data and program memory
// read and written by address.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/numbers.h"
#include "base/options.h"
#include "link/pod_protocol.h"
#include "shell/options/options_dialog.h"
#include "shell/options/options_page_support.h"

namespace kyvor {

using namespace optionpage;

namespace {

std::string Volts(uint16_t hundredths) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", hundredths / 100.0);
  return b;
}

// The three labels and two buttons of each memory group, in the order of
// debugLabels_ and debugButtons_.
constexpr int kLabelsPerGroup = 3;
constexpr int kButtonsPerGroup = 2;

}  // namespace

// Data memory ("SRAM Data") or program memory ("Program ROM Data").
struct TOption::TMemoryGroup {
  const char* Name;
  QLineEdit* TOption::*Address;
  QLineEdit* TOption::*Value;
  QLabel* TOption::*Read;
  const char* AddressName;
  const char* ValueName;
  const char* ReadName;
  int Index;  // 0 data, 1 program: its labels and buttons
  void (TOption::*OnWrite)();
  void (TOption::*OnRead)();
  const char* WriteName;
  const char* ReadButtonName;
  const char* AddressHint;
};

QWidget* TOption::buildDebugToolPage() {
  static const TMemoryGroup kData{.Name = "GroupSram",
                                  .Address = &TOption::eDtAddr_,
                                  .Value = &TOption::eDtVal_,
                                  .Read = &TOption::rDtVal_,
                                  .AddressName = "EDtAddr",
                                  .ValueName = "EDtVal",
                                  .ReadName = "RDtVal",
                                  .Index = 0,
                                  .OnWrite = &TOption::BDtWClick,
                                  .OnRead = &TOption::BDtRClick,
                                  .WriteName = "BDtW",
                                  .ReadButtonName = "BDtR",
                                  .AddressHint = "000..1FF"};
  static const TMemoryGroup kProgram{.Name = "GroupRom",
                                     .Address = &TOption::ePgAddr_,
                                     .Value = &TOption::ePgVal_,
                                     .Read = &TOption::rPgVal_,
                                     .AddressName = "EPgAddr",
                                     .ValueName = "EPgVal",
                                     .ReadName = "RPgVal",
                                     .Index = 1,
                                     .OnWrite = &TOption::BPgWClick,
                                     .OnRead = &TOption::BPgRClick,
                                     .WriteName = "BPgW",
                                     .ReadButtonName = "BPgR",
                                     .AddressHint = "0000..7FFF"};
  auto* page = new QWidget;
  page->setObjectName("PICEDebug");
  auto* lay = new QVBoxLayout(page);
  measurePanel_ = buildMeasurePanel(page);
  dataGroup_ = buildMemoryGroup(page, kData);
  programGroup_ = buildMemoryGroup(page, kProgram);
  auto* row = new QHBoxLayout;
  row->addWidget(dataGroup_);
  row->addWidget(programGroup_);
  lay->addWidget(measurePanel_);
  lay->addLayout(row);
  lay->addStretch();
  return page;
}

QGroupBox* TOption::buildMeasurePanel(QWidget* page) {
  QGroupBox* panel = Group(page, "PMeasure");
  panel->setTitle("Voltage");
  auto* gm = new QGridLayout(panel);
  rdVpp_ = button(panel, "RDVPP", "CK VPP", &TOption::RDVPPClick);
  rdVcc_ = button(panel, "RDVCC", "CK VCC", &TOption::RDVCCClick);
  rdAll_ = button(panel, "RDALL", "CK ALL", &TOption::RDALLClick);
  pVpp_ = new QLabel("0.00", panel);
  pVpp_->setObjectName("PVPP");
  pVcc_ = new QLabel("0.00", panel);
  pVcc_->setObjectName("PVCC");
  gm->addWidget(rdVpp_, 0, 0);
  gm->addWidget(new QLabel("VPP =", panel), 0, 1);
  gm->addWidget(pVpp_, 0, 2);
  gm->addWidget(rdVcc_, 1, 0);
  gm->addWidget(new QLabel("VCC =", panel), 1, 1);
  gm->addWidget(pVcc_, 1, 2);
  gm->addWidget(rdAll_, 2, 0);
  gm->setColumnStretch(3, 1);
  return panel;
}

QGroupBox* TOption::buildMemoryGroup(QWidget* page, const TMemoryGroup& m) {
  QGroupBox* g = Group(page, m.Name);
  auto* gl = new QGridLayout(g);
  QLineEdit* addr = this->*m.Address = new QLineEdit(g);
  addr->setObjectName(m.AddressName);
  addr->setPlaceholderText(m.AddressHint);
  QLineEdit* val = this->*m.Value = new QLineEdit(g);
  val->setObjectName(m.ValueName);
  val->setPlaceholderText("00..FF");
  QLabel* read = this->*m.Read = new QLabel(g);
  read->setObjectName(m.ReadName);
  read->setMinimumWidth(50);
  for (int k = 0; k < kLabelsPerGroup; ++k) {
    QLabel*& label = debugLabels_[size_t(m.Index * kLabelsPerGroup + k)];
    label = new QLabel(g);
    gl->addWidget(label, k, 0);
  }
  gl->addWidget(addr, 0, 1);
  gl->addWidget(val, 1, 1);
  gl->addWidget(read, 2, 1);
  QPushButton*& write = debugButtons_[size_t(m.Index * kButtonsPerGroup)];
  QPushButton*& readButton = debugButtons_[size_t(m.Index * kButtonsPerGroup + 1)];
  write = button(g, m.WriteName, QString(), m.OnWrite);
  readButton = button(g, m.ReadButtonName, QString(), m.OnRead);
  gl->addWidget(write, 1, 2);
  gl->addWidget(readButton, 2, 2);
  return g;
}

void TOption::ICEDebugClick() {
  if (Modes().IceInterfaceIndex == 4) {
    Modes().PodState = ThePod().PodUsbOpen();
    if (Modes().PodState == 0) measurePanel_->show();
  } else {
    ThePod().Parallel().InitParallelPort();
    measurePanel_->hide();
  }
  ShowPage(PageDebugTool);
}

void TOption::measure(bool vpp, bool vdd) {
  if (Modes().IceInterfaceIndex != 4) return;
  TPodProtocol& pod = ThePod();
  if (vpp) pod.PodMeasureSwitch(podservice::MeasureVpp, true);
  if (vdd) pod.PodMeasureSwitch(podservice::MeasureVdd, true);
  DelayMilliseconds(100);
  uint16_t supply = 0, programming = 0;
  bool ok = false;
  for (int i = 0; i < 4; ++i) ok = pod.PodReadMeasurement(supply, programming);
  if (ok && vpp) pVpp_->setText(Q(Volts(programming)));
  if (ok && vdd) pVcc_->setText(Q(Volts(supply)));
  if (vpp) pod.PodMeasureSwitch(podservice::MeasureVpp, false);
  if (vdd) pod.PodMeasureSwitch(podservice::MeasureVdd, false);
}

void TOption::RDVPPClick() { measure(true, false); }
void TOption::RDVCCClick() { measure(false, true); }
void TOption::RDALLClick() { measure(true, true); }

void TOption::BPgWClick() {
  const uint32_t address = uint32_t(HexStrToInt(ePgAddr_->text().toStdString()));
  const uint16_t value = uint16_t(HexStrToInt(ePgVal_->text().toStdString()));
  TPodProtocol& pod = ThePod();
  const bool session = Options().RomEmulationType == 1 && Modes().IceInterfaceIndex != 4;
  if (session) pod.PodSessionBegin();
  pod.PodWriteProgramWord(address, value);
  if (session) pod.PodSessionEnd();
}

void TOption::BPgRClick() {
  const uint32_t address = uint32_t(HexStrToInt(ePgAddr_->text().toStdString()));
  rPgVal_->setText(Hex(ThePod().PodReadProgramWord(address), 4));
}

void TOption::BDtWClick() {
  ThePod().PodWriteRegister(uint32_t(HexStrToInt(eDtAddr_->text().toStdString())),
                            uint8_t(HexStrToInt(eDtVal_->text().toStdString())));
}

void TOption::BDtRClick() {
  const uint32_t address = uint32_t(HexStrToInt(eDtAddr_->text().toStdString()));
  rDtVal_->setText(Hex(ThePod().PodReadRegister(address), 2));
}

void TOption::applyDebugToolCaptions() {
  dataGroup_->setTitle(T(lt::SramData));
  programGroup_->setTitle(T(lt::SramProgramRomData));
  const int labels[kLabelsPerGroup] = {lt::SramAddress, lt::SramWriteData, lt::SramReadData};
  const int buttons[kButtonsPerGroup] = {lt::SramWrite, lt::SramRead};
  for (size_t i = 0; i < debugLabels_.size(); ++i)
    debugLabels_[i]->setText(T(labels[i % kLabelsPerGroup]));
  for (size_t i = 0; i < debugButtons_.size(); ++i)
    debugButtons_[i]->setText(T(buttons[i % kButtonsPerGroup]));
}

}  // namespace kyvor
