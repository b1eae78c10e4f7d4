// The options dialog's "Build Options" page: the output files, the fill of
// unused words, the editor tool bar and font, the compiler options, the
// instruction set, the stack options, the ACM voltage and the watchdog's
// reset vector. Each control writes the options record at once.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "base/dialogs.h"
#include "base/lang_ids.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "shell/options/options_dialog.h"
#include "shell/options/options_page_support.h"

namespace kyvor {

using namespace optionpage;

namespace {

// The output-file switches in the order of their check boxes.
struct TOutputSwitch {
  const char* Name;
  uint8_t TOptions::*Field;
  int Caption;  // text-table row
};
const TOutputSwitch kOutputs[] = {{"CkASC", &TOptions::OutAsciiFile, lt::OptAsciiFile},
                                  {"CkList", &TOptions::OutListFile, lt::OptListFile},
                                  {"CkBin", &TOptions::OutBinaryFile, lt::OptHexFile},
                                  {"CkASCInv", &TOptions::OutAsciiInvFile, lt::OptInformationFile},
                                  {"CkBinInv", &TOptions::OutBinaryInvFile, lt::OptHexFileInverted},
                                  {"CkMask", &TOptions::OutMaskFile, lt::OptMaskFile},
                                  {"CkBin2", &TOptions::OutBinarySplitFile, lt::OptObjFile}};
static_assert(std::size(kOutputs) == 7);

}  // namespace

QWidget* TOption::buildBuildPage() {
  auto* page = new QWidget;
  page->setObjectName("PConfigSet");
  auto* lay = new QGridLayout(page);
  // Made in the order of the focus chain.
  QGroupBox* outputs = buildOutputsGroup(page);
  ckToolEdit_ =
      check(page, "CkToolEdit", QString(), [](bool on) { Options().ShowEditToolBar = on ? 1 : 0; });
  QGroupBox* fill = buildFillGroup(page);
  QPushButton* font = buildFontButton(page);
  QGroupBox* compiler = buildCompilerGroup(page);
  QGroupBox* instructionSet = buildInstructionSetGroup(page);
  QGroupBox* stack = buildStackGroup(page);
  QGroupBox* acm = buildAcmGroup(page);
  QGroupBox* wdt = buildWdtGroup(page);
  lay->addWidget(outputs, 0, 0, 3, 1);
  lay->addWidget(compiler, 0, 1);
  lay->addWidget(instructionSet, 1, 1);
  lay->addWidget(stack, 2, 1);
  lay->addWidget(fill, 3, 0);
  lay->addWidget(acm, 3, 1);
  lay->addWidget(ckToolEdit_, 4, 0);
  lay->addWidget(wdt, 4, 1);
  lay->addWidget(font, 5, 0, Qt::AlignLeft);
  lay->setRowStretch(6, 1);
  return page;
}

QGroupBox* TOption::buildOutputsGroup(QWidget* page) {
  groupOutputs_ = Group(page, "GroupBox3");
  auto* go = new QVBoxLayout(groupOutputs_);
  for (size_t i = 0; i < outputs_.size(); ++i) {
    auto field = kOutputs[i].Field;
    outputs_[i] = check(groupOutputs_, kOutputs[i].Name, QString(),
                        [field](bool on) { Options().*field = on ? 1 : 0; });
    go->addWidget(outputs_[i]);
  }
  return groupOutputs_;
}

QGroupBox* TOption::buildFillGroup(QWidget* page) {
  noUseFill_ = Group(page, "NoUseFill");
  auto* gf = new QHBoxLayout(noUseFill_);
  const char* const fillNames[3] = {"RadioButton2", "RadioButton1", "RadioButton3"};
  const char* const fillCaptions[3] = {" 00", " FF", "JMP 0"};
  for (int i = 0; i < 3; ++i) {
    fill_[size_t(i)] = radio(noUseFill_, fillNames[i], fillCaptions[i],
                             [i] { Options().UnusedFillMode = static_cast<uint8_t>(i); });
    gf->addWidget(fill_[size_t(i)]);
  }
  return noUseFill_;
}

QPushButton* TOption::buildFontButton(QWidget* page) {
  btFont_ = new QPushButton(page);
  btFont_->setObjectName("BtFont");
  btFont_->setAutoDefault(false);
  connect(btFont_, &QPushButton::clicked, this, [this] {
    if (auto f = Dialogs().chooseFont(Options().EditorFont)) {
      Options().EditorFont = *f;
      if (Hooks.FontChanged) Hooks.FontChanged();
    }
  });
  return btFont_;
}

// The smart compiler and its optimization (which needs it), and the code
// protection.
QGroupBox* TOption::buildCompilerGroup(QWidget* page) {
  compilerGroup_ = Group(page, "GroupCompiler");
  auto* gc = new QVBoxLayout(compilerGroup_);
  smartCompiler_ = check(compilerGroup_, "SmartCompiler", QString(), [this](bool on) {
    Options().SmartCompiler = on ? 1 : 0;
    if (!on) {
      cOptimization_->setChecked(false);
      Options().COptimization = 0;
    }
  });
  cOptimization_ = check(compilerGroup_, "COptimization", QString(), [this](bool on) {
    Options().COptimization = on ? 1 : 0;
    if (on) smartCompiler_->setChecked(true);
    Options().SmartCompiler = smartCompiler_->isChecked() ? 1 : 0;
  });
  cProtect_ = check(compilerGroup_, "CProtect", QString(),
                    [](bool on) { Options().CProtect = on ? 1 : 0; });
  gc->addWidget(smartCompiler_);
  gc->addWidget(cOptimization_);
  gc->addWidget(cProtect_);
  return compilerGroup_;
}

QGroupBox* TOption::buildInstructionSetGroup(QWidget* page) {
  pInst_ = Group(page, "PInst");
  auto* gi = new QHBoxLayout(pInst_);
  pk08a_ = radio(pInst_, "PK08A", "K08A", [] { Chip().CoreVariant = 0; });
  pk08b_ = radio(pInst_, "PK08B", "K08B", [] { Chip().CoreVariant = 1; });
  gi->addWidget(pk08a_);
  gi->addWidget(pk08b_);
  return pInst_;
}

QGroupBox* TOption::buildStackGroup(QWidget* page) {
  stackGroup_ = Group(page, "GroupStack");
  auto* gs = new QVBoxLayout(stackGroup_);
  stkOvRst_ =
      check(stackGroup_, "STKOVRST", QString(), [](bool on) { Options().STKOVRST = on ? 1 : 0; });
  stkOvStop_ = check(stackGroup_, "STKOVSTOP", "Stack Over Stop",
                     [](bool on) { Options().STKOVSTOP = on ? 1 : 0; });
  gs->addWidget(stkOvRst_);
  gs->addWidget(stkOvStop_);
  return stackGroup_;
}

QGroupBox* TOption::buildAcmGroup(QWidget* page) {
  groupAcm_ = Group(page, "GruopACM");
  groupAcm_->setTitle("ACM Voltage");
  auto* ga = new QHBoxLayout(groupAcm_);
  racm10_ = radio(groupAcm_, "RACM10", "ACM = 1.0V", [] { Options().RACM10 = 1; });
  racm12_ = radio(groupAcm_, "RACM12", "ACM = 1.2V", [] { Options().RACM10 = 0; });
  ga->addWidget(racm10_);
  ga->addWidget(racm12_);
  return groupAcm_;
}

QGroupBox* TOption::buildWdtGroup(QWidget* page) {
  groupWdt_ = Group(page, "GroupWDT");
  groupWdt_->setTitle("WDT Reset Vector");
  auto* gw = new QHBoxLayout(groupWdt_);
  chWdtJmp_ =
      check(groupWdt_, "ChWDTJMPOO", "JMP 0", [](bool on) { Options().ChWDTJMPOO = on ? 1 : 0; });
  gw->addWidget(chWdtJmp_);
  return groupWdt_;
}

void TOption::loadBuildOptionsPage() {
  const TOptions& o = Options();
  for (size_t i = 0; i < outputs_.size(); ++i) outputs_[i]->setChecked(o.*kOutputs[i].Field);
  ckToolEdit_->setChecked(o.ShowEditToolBar);
  for (size_t i = 0; i < 3; ++i) fill_[i]->setChecked(o.UnusedFillMode == i);
  smartCompiler_->setChecked(o.SmartCompiler);
  cOptimization_->setChecked(o.COptimization);
  cProtect_->setChecked(o.CProtect);
  pk08a_->setChecked(Chip().CoreVariant == 0);
  pk08b_->setChecked(Chip().CoreVariant != 0);
  stkOvRst_->setChecked(o.STKOVRST);
  stkOvStop_->setChecked(o.STKOVSTOP);
  racm10_->setChecked(o.RACM10);
  racm12_->setChecked(!o.RACM10);
  chWdtJmp_->setChecked(o.ChWDTJMPOO);
}

// The groups the chip has enabled, the others disabled.
void TOption::buildOptionsChipLoaded() {
  const TChipConfig& c = Chip();
  stkOvRst_->setEnabled(c.StackOverPresent);
  groupAcm_->setEnabled(c.AcmPresent);
  racm10_->setEnabled(c.AcmPresent);
  racm12_->setEnabled(c.AcmPresent);
  const bool k08b = c.CoreVariant == 1;
  smartCompiler_->setEnabled(!k08b);
  cOptimization_->setEnabled(!k08b);
  groupWdt_->setEnabled(ChipHasWdtVector());
  chWdtJmp_->setEnabled(ChipHasWdtVector());
}

void TOption::ConfigSetupClick() { ShowPage(PageBuild); }

void TOption::commitCompilerChoice() {
  TOptions& o = Options();
  const bool k08b = Chip().CoreVariant == 1;
  if (k08b) {
    o.SmartCompiler = o.COptimization = 0;
    smartCompiler_->setChecked(false);
    cOptimization_->setChecked(false);
  }
  smartCompiler_->setEnabled(!k08b);
  cOptimization_->setEnabled(!k08b);
}

void TOption::applyBuildOptionsCaptions() {
  groupOutputs_->setTitle(T(lt::OptGenerateFiles));
  ckToolEdit_->setText(T(lt::OptEnableToolBar));
  for (size_t i = 0; i < outputs_.size(); ++i) outputs_[i]->setText(T(kOutputs[i].Caption));
  btFont_->setText(T(lt::OptFont));
  noUseFill_->setTitle(T(lt::OptNoUseAreaFill));
  compilerGroup_->setTitle(T(lt::OptSystem));
  smartCompiler_->setText(T(lt::OptSmartCompiler));
  cProtect_->setText(T(lt::OptProgramProtect));
  pInst_->setTitle(T(lt::OptCompilerSelect));
  stackGroup_->setTitle(T(lt::OptStackOption));
  stkOvRst_->setText(T(lt::OptStackOverReset));
  cOptimization_->setText(T(lt::OptOptimization));
}

}  // namespace kyvor
