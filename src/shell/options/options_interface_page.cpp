// The options dialog's "Interface Setup" page: the chip, the language, the
// interface, the ROM emulation, the IDE mode and the programmer's blank
// check, which it also writes to and reads back from the programmer.
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/numbers.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "link/pod_protocol.h"
#include "shell/options/options_dialog.h"
#include "shell/options/options_page_support.h"

namespace kyvor {

using namespace optionpage;

namespace {

// The interface list, by IceInterfaceIndex.
const char* const kInterfaces[] = {"(none)", "378h (LPT1)", "3BCh", "278h", "USB"};

// The ROM-emulation choice by RomEmulationType; the second only in engineer
// mode.
const char* const kRomChoices[] = {"RAM 62256", "EEPROM 28C256"};

}  // namespace

QWidget* TOption::buildInterfacePage() {
  auto* page = new QWidget;
  page->setObjectName("PInterSet");
  auto* lay = new QVBoxLayout(page);
  lay->addWidget(buildHardwareGroup(page));
  lay->addWidget(buildRomGroup(page));
  lay->addWidget(buildIdeModeGroup(page));
  lay->addWidget(buildBlankCheckGroup(page));
  lay->addStretch();
  return page;
}

// The chip, the language and the interface.
QGroupBox* TOption::buildHardwareGroup(QWidget* page) {
  groupBox1_ = Group(page, "GroupBox1");
  auto* g1 = new QGridLayout(groupBox1_);
  label2_ = new QLabel(groupBox1_);
  label2_->setObjectName("Label2");
  cbSeluP_ = new QComboBox(groupBox1_);
  cbSeluP_->setObjectName("CbSeluP");
  cbSeluP_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  langLabel_ = new QLabel("Language", groupBox1_);
  langLabel_->setObjectName("LabLang");
  cbSelLang_ = new QComboBox(groupBox1_);
  cbSelLang_->setObjectName("CbSelLang");
  cbSelLang_->addItems({"English", "Chinese"});
  selIoLpt_ = new QLabel(groupBox1_);
  selIoLpt_->setObjectName("SelIOLPT");
  selLpt_ = new QComboBox(groupBox1_);
  selLpt_->setObjectName("SelLPT");
  for (const char* i : kInterfaces) selLpt_->addItem(i);
  g1->addWidget(label2_, 0, 0);
  g1->addWidget(cbSeluP_, 0, 1);
  g1->addWidget(langLabel_, 1, 0);
  g1->addWidget(cbSelLang_, 1, 1);
  g1->addWidget(selIoLpt_, 2, 0);
  g1->addWidget(selLpt_, 2, 1);
  g1->setColumnStretch(1, 1);
  connect(cbSeluP_, &QComboBox::activated, this, [this](int i) { CbSeluPChange(i); });
  connect(cbSelLang_, &QComboBox::activated, this, [](int i) { LangState().LanguageIndex = i; });
  connect(selLpt_, &QComboBox::activated, this, [this](int i) {
    Modes().LptPortAddress =
        static_cast<uint16_t>(HexStrToInt(selLpt_->itemText(i).left(3).toStdString()));
    Modes().IceInterfaceIndex = i;
  });
  return groupBox1_;
}

QGroupBox* TOption::buildRomGroup(QWidget* page) {
  romGroup_ = Group(page, "GroupROM");
  auto* gr = new QHBoxLayout(romGroup_);
  selRom_ = new QComboBox(romGroup_);
  selRom_->setObjectName("SELROM");
  selRom_->addItem(kRomChoices[0]);
  gr->addWidget(selRom_);
  gr->addStretch();
  connect(selRom_, &QComboBox::activated, this,
          [](int i) { Options().RomEmulationType = static_cast<uint8_t>(i); });
  return romGroup_;
}

QGroupBox* TOption::buildIdeModeGroup(QWidget* page) {
  groupBox2_ = Group(page, "GroupBox2");
  auto* g2 = new QHBoxLayout(groupBox2_);
  pIce_ = radio(groupBox2_, "PICE", "Emulate and  Debug", [] { Options().PProg = 0; });
  pProg_ = radio(groupBox2_, "PProg", "Programmer", [] { Options().PProg = 1; });
  g2->addWidget(pIce_);
  g2->addWidget(pProg_);
  g2->addStretch();
  return groupBox2_;
}

QGroupBox* TOption::buildBlankCheckGroup(QWidget* page) {
  auto* blank = Group(page, "GroupBlank");
  blank->setTitle("Programmer Blank Check");
  auto* gb = new QHBoxLayout(blank);
  rbkOn_ = radio(blank, "RBKON", "Blank ON", [] { Options().RBKOFF = 0; });
  rbkOff_ = radio(blank, "RBKOFF", "Blank OFF", [] { Options().RBKOFF = 1; });
  gb->addWidget(rbkOn_);
  gb->addWidget(rbkOff_);
  gb->addStretch();
  return blank;
}

void TOption::widenRomChoice() {
  selRom_->clear();
  for (const char* c : kRomChoices) selRom_->addItem(c);
  const int type = Options().RomEmulationType;
  selRom_->setCurrentIndex(type < selRom_->count() ? type : 0);
}

void TOption::loadInterfacePage() {
  const TOptions& o = Options();
  loadInterfaceCombos();
  pIce_->setChecked(o.PICE());
  pProg_->setChecked(!o.PICE());
  rbkOn_->setChecked(!o.RBKOFF);
  rbkOff_->setChecked(o.RBKOFF);
}

void TOption::loadInterfaceCombos() {
  cbSeluP_->setCurrentIndex(Chip().ChipIndex < cbSeluP_->count() ? Chip().ChipIndex : -1);
  cbSelLang_->setCurrentIndex(LangState().LanguageIndex > 0 ? 1 : 0);
  selRom_->setCurrentIndex(
      Options().RomEmulationType < selRom_->count() ? Options().RomEmulationType : 0);
  const int iface = Modes().IceInterfaceIndex;
  selLpt_->setCurrentIndex(iface >= 0 && iface < selLpt_->count() ? iface : 0);
}

void TOption::InterSetupClick() {
  if (Modes().DebugMode == 1 && Hooks.LeaveDebugMode) Hooks.LeaveDebugMode();
  loadInterfaceCombos();
  ShowPage(PageInterface);
}

void TOption::CbSeluPChange(int index) {
  TOptions& o = Options();
  Chip().ChipIndex = index;
  o.EnHAO = o.EnSHAO = o.EnSLAO = 0;
  GetSELUP();
  o.SmartCompiler = Chip().CoreVariant == 1 ? 0 : 1;
  o.ChWDTJMPOO = ChipHasWdtVector() ? 1 : 0;
  o.STKOVSTOP = 1;
  o.RACM10 = Chip().AcmDefault12 ? 0 : 1;
  ChipLoaded();
}

void TOption::SendProgramKeyMode() {
  TPodProtocol& pod = ThePod();
  pod.PodWriteKeyMode(Options().RBKOFF ? podservice::BlankOff : podservice::BlankOn);
  // The programmer's answer decides; without one the choice stays.
  uint8_t v = 0;
  if (pod.PodReadKeyMode(v)) Options().RBKOFF = v == podservice::BlankOff ? 1 : 0;
  rbkOn_->setChecked(!Options().RBKOFF);
  rbkOff_->setChecked(Options().RBKOFF);
  if (Hooks.WriterIdentityEnabled && Hooks.WriterIdentityEnabled()) pod.PodKeyModeExchange();
}

void TOption::WriteProgramKeyMode() {
  ThePod().PodWriteKeyMode(Options().RBKOFF ? podservice::BlankOff : podservice::BlankOn);
}

void TOption::applyInterfaceCaptions() {
  groupBox1_->setTitle(T(lt::OptHardwareInterface));
  selIoLpt_->setText(T(lt::OptInterfaceMode));
  romGroup_->setTitle(T(lt::OptProgramMemorySelect));
  label2_->setText(T(lt::OptChipSelect));
  groupBox2_->setTitle(T(lt::OptIdeMode));
  pIce_->setText(T(lt::OptEmulateAndDebug));
  pProg_->setText(T(lt::OptProgrammer));
}

}  // namespace kyvor
