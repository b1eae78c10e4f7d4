#include "shell/options/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>

#include "base/dialogs.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/numbers.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/ky_up.h"
#include "link/pod_protocol.h"

namespace kyvor {

namespace {

TOption* g_option = nullptr;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString T(int row) { return Q(LangTextUtf8(row)); }

// The interface list, by IceInterfaceIndex.
const char* const kInterfaces[] = {"(none)", "378h (LPT1)", "3BCh", "278h", "USB"};

// The calibration range labels before a chip gives its own.
const char kHaoMinText[] = "1700000", kHaoMaxText[] = "2100000";
const char kLaoMinText[] = "11000", kLaoMaxText[] = "14000 ";

// The access code of the engineer mode.
const char kEngineerCode[] = "KYENG";

// A whole decimal number (an optional '-' and digits, blanks around allowed).
bool WholeNumber(const QString& text, int32_t& value) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok, 10);
  if (ok) value = v;
  return ok;
}

QString Hex(uint32_t v, int digits) {
  return QString("%1").arg(v, digits, 16, QChar('0')).toUpper();
}

std::string Volts(uint16_t hundredths) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", hundredths / 100.0);
  return b;
}

QGroupBox* Group(QWidget* parent, const char* name) {
  auto* g = new QGroupBox(parent);
  g->setObjectName(name);
  return g;
}

}  // namespace

TOption* Option() { return g_option; }

// ---------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------

TOption::TOption(QWidget* parent) : QDialog(parent) {
  setObjectName("Option");
  setModal(true);
  g_option = this;
  auto* top = new QVBoxLayout(this);
  auto* tabRow = new QHBoxLayout;
  const char* const tabNames[PageCount] = {"InterSetup", "ConfigSetup", "BreakSet", "ICEDebug",
                                           "PHAOCAL"};
  auto* tabGroup = new QButtonGroup(this);
  for (int i = 0; i < PageCount; ++i) {
    QToolButton* t = new QToolButton(this);
    t->setObjectName(tabNames[i]);
    t->setCheckable(true);
    t->setAutoRaise(false);
    t->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tabGroup->addButton(t, i);
    tabRow->addWidget(t);
    tabs_[size_t(i)] = t;
  }
  tabRow->addStretch();
  top->addLayout(tabRow);
  connect(tabs_[PageInterface], &QToolButton::clicked, this, [this] { InterSetupClick(); });
  connect(tabs_[PageBuild], &QToolButton::clicked, this, [this] { ConfigSetupClick(); });
  connect(tabs_[PageWatch], &QToolButton::clicked, this, [this] { BreakSetClick(); });
  connect(tabs_[PageDebugTool], &QToolButton::clicked, this, [this] { ICEDebugClick(); });
  connect(tabs_[PageCalibration], &QToolButton::clicked, this, [this] { PHAOCALClick(); });

  pages_ = new QStackedWidget(this);
  pages_->setObjectName("Pages");
  pages_->addWidget(buildInterfacePage());
  pages_->addWidget(buildBuildPage());
  pages_->addWidget(buildWatchPage());
  pages_->addWidget(buildDebugToolPage());
  pages_->addWidget(buildCalibrationPage());
  top->addWidget(pages_, 1);
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch();
  btClose_ = new QPushButton(this);
  btClose_->setObjectName("BtClose");
  btClose_->setAutoDefault(false);
  closeRow->addWidget(btClose_);
  top->addLayout(closeRow);
  connect(btClose_, &QPushButton::clicked, this, [this] { close(); });

  // FormCreate: the chip list's items (read at start-up), RACM10, the edits.
  for (const std::string& item : Chip().ChipListItems) cbSeluP_->addItem(Ky_Lang().DisplayText(item).c_str());
  Options().RACM10 = 1;
  Options().EHAO = 2000000;
  Options().EPERMISS = 2;
  Options().ELAO = 13000;
  Options().EngineerMode = 0;
  LoadFromOptions();
  ShowPage(PageInterface);
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

TOption::~TOption() {
  Ky_Lang().RemoveCaptionTarget(this);
  if (g_option == this) g_option = nullptr;
}

QCheckBox* TOption::check(QWidget* parent, const char* name, const QString& caption,
                          std::function<void(bool)> onClick) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(name);
  if (onClick) connect(c, &QCheckBox::clicked, this, [onClick](bool on) { onClick(on); });
  return c;
}

QRadioButton* TOption::radio(QWidget* parent, const char* name, const QString& caption,
                             std::function<void()> onClick) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(name);
  if (onClick) connect(r, &QRadioButton::clicked, this, [onClick] { onClick(); });
  return r;
}

QWidget* TOption::buildInterfacePage() {
  auto* page = new QWidget;
  page->setObjectName("PInterSet");
  auto* lay = new QVBoxLayout(page);
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
  connect(cbSelLang_, &QComboBox::activated, this,
          [](int i) { LangState().LanguageIndex = i; });
  connect(selLpt_, &QComboBox::activated, this, [this](int i) {
    Modes().LptPortAddress =
        static_cast<uint16_t>(HexStrToInt(selLpt_->itemText(i).left(3).toStdString()));
    Modes().IceInterfaceIndex = i;
  });

  romGroup_ = Group(page, "GroupROM");
  auto* gr = new QHBoxLayout(romGroup_);
  selRom_ = new QComboBox(romGroup_);
  selRom_->setObjectName("SELROM");
  selRom_->addItem("RAM 62256");
  gr->addWidget(selRom_);
  gr->addStretch();
  connect(selRom_, &QComboBox::activated, this,
          [](int i) { Options().RomEmulationType = static_cast<uint8_t>(i); });

  groupBox2_ = Group(page, "GroupBox2");
  auto* g2 = new QHBoxLayout(groupBox2_);
  pIce_ = radio(groupBox2_, "PICE", "Emulate and  Debug", [] { Options().PProg = 0; });
  pProg_ = radio(groupBox2_, "PProg", "Programmer", [] { Options().PProg = 1; });
  g2->addWidget(pIce_);
  g2->addWidget(pProg_);
  g2->addStretch();

  auto* blank = Group(page, "GroupBlank");
  blank->setTitle("Programmer Blank Check");
  auto* gb = new QHBoxLayout(blank);
  rbkOn_ = radio(blank, "RBKON", "Blank ON", [] { Options().RBKOFF = 0; });
  rbkOff_ = radio(blank, "RBKOFF", "Blank OFF", [] { Options().RBKOFF = 1; });
  gb->addWidget(rbkOn_);
  gb->addWidget(rbkOff_);
  gb->addStretch();

  lay->addWidget(groupBox1_);
  lay->addWidget(romGroup_);
  lay->addWidget(groupBox2_);
  lay->addWidget(blank);
  lay->addStretch();
  return page;
}

QWidget* TOption::buildBuildPage() {
  auto* page = new QWidget;
  page->setObjectName("PConfigSet");
  auto* lay = new QGridLayout(page);
  groupOutputs_ = Group(page, "GroupBox3");
  auto* go = new QVBoxLayout(groupOutputs_);
  struct TOut {
    const char* name;
    uint8_t TOptions::*field;
  };
  const TOut outs[7] = {{"CkASC", &TOptions::OutAsciiFile},     {"CkList", &TOptions::OutListFile},
                        {"CkBin", &TOptions::OutBinaryFile},    {"CkASCInv", &TOptions::OutAsciiInvFile},
                        {"CkBinInv", &TOptions::OutBinaryInvFile}, {"CkMask", &TOptions::OutMaskFile},
                        {"CkBin2", &TOptions::OutBinarySplitFile}};
  for (size_t i = 0; i < 7; ++i) {
    auto field = outs[i].field;
    outputs_[i] = check(groupOutputs_, outs[i].name, QString(),
                        [field](bool on) { Options().*field = on ? 1 : 0; });
    go->addWidget(outputs_[i]);
  }
  ckToolEdit_ = check(page, "CkToolEdit", QString(),
                      [](bool on) { Options().ShowEditToolBar = on ? 1 : 0; });

  noUseFill_ = Group(page, "NoUseFill");
  auto* gf = new QHBoxLayout(noUseFill_);
  const char* const fillNames[3] = {"RadioButton2", "RadioButton1", "RadioButton3"};
  const char* const fillCaptions[3] = {" 00", " FF", "JMP 0"};
  for (int i = 0; i < 3; ++i) {
    fill_[size_t(i)] = radio(noUseFill_, fillNames[i], fillCaptions[i],
                             [i] { Options().UnusedFillMode = static_cast<uint8_t>(i); });
    gf->addWidget(fill_[size_t(i)]);
  }
  btFont_ = new QPushButton(page);
  btFont_->setObjectName("BtFont");
  btFont_->setAutoDefault(false);
  connect(btFont_, &QPushButton::clicked, this, [this] {
    if (auto f = Dialogs().chooseFont(Options().EditorFont)) {
      Options().EditorFont = *f;
      if (Hooks.FontChanged) Hooks.FontChanged();
    }
  });

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
  pInst_ = Group(page, "PInst");
  auto* gi = new QHBoxLayout(pInst_);
  pk08a_ = radio(pInst_, "PK08A", "K08A", [] { Chip().CoreVariant = 0; });
  pk08b_ = radio(pInst_, "PK08B", "K08B", [] { Chip().CoreVariant = 1; });
  gi->addWidget(pk08a_);
  gi->addWidget(pk08b_);
  stackGroup_ = Group(page, "GroupStack");
  auto* gs = new QVBoxLayout(stackGroup_);
  stkOvRst_ = check(stackGroup_, "STKOVRST", QString(),
                    [](bool on) { Options().STKOVRST = on ? 1 : 0; });
  stkOvStop_ = check(stackGroup_, "STKOVSTOP", "Stack Over Stop",
                     [](bool on) { Options().STKOVSTOP = on ? 1 : 0; });
  gs->addWidget(stkOvRst_);
  gs->addWidget(stkOvStop_);
  groupAcm_ = Group(page, "GruopACM");
  groupAcm_->setTitle("ACM Voltage");
  auto* ga = new QHBoxLayout(groupAcm_);
  racm10_ = radio(groupAcm_, "RACM10", "ACM = 1.0V", [] { Options().RACM10 = 1; });
  racm12_ = radio(groupAcm_, "RACM12", "ACM = 1.2V", [] { Options().RACM10 = 0; });
  ga->addWidget(racm10_);
  ga->addWidget(racm12_);
  groupWdt_ = Group(page, "GroupWDT");
  groupWdt_->setTitle("WDT Reset Vector");
  auto* gw = new QHBoxLayout(groupWdt_);
  chWdtJmp_ = check(groupWdt_, "ChWDTJMPOO", "JMP 0",
                    [](bool on) { Options().ChWDTJMPOO = on ? 1 : 0; });
  gw->addWidget(chWdtJmp_);

  lay->addWidget(groupOutputs_, 0, 0, 3, 1);
  lay->addWidget(compilerGroup_, 0, 1);
  lay->addWidget(pInst_, 1, 1);
  lay->addWidget(stackGroup_, 2, 1);
  lay->addWidget(noUseFill_, 3, 0);
  lay->addWidget(groupAcm_, 3, 1);
  lay->addWidget(ckToolEdit_, 4, 0);
  lay->addWidget(groupWdt_, 4, 1);
  lay->addWidget(btFont_, 5, 0, Qt::AlignLeft);
  lay->setRowStretch(6, 1);
  return page;
}

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

QWidget* TOption::buildDebugToolPage() {
  auto* page = new QWidget;
  page->setObjectName("PICEDebug");
  auto* lay = new QVBoxLayout(page);
  measurePanel_ = Group(page, "PMeasure");
  measurePanel_->setTitle("Voltage");
  auto* gm = new QGridLayout(measurePanel_);
  auto button = [this](QWidget* parent, const char* name, const QString& caption,
                       void (TOption::*fn)()) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, fn] { (this->*fn)(); });
    return b;
  };
  rdVpp_ = button(measurePanel_, "RDVPP", "CK VPP", &TOption::RDVPPClick);
  rdVcc_ = button(measurePanel_, "RDVCC", "CK VCC", &TOption::RDVCCClick);
  rdAll_ = button(measurePanel_, "RDALL", "CK ALL", &TOption::RDALLClick);
  pVpp_ = new QLabel("0.00", measurePanel_);
  pVpp_->setObjectName("PVPP");
  pVcc_ = new QLabel("0.00", measurePanel_);
  pVcc_->setObjectName("PVCC");
  gm->addWidget(rdVpp_, 0, 0);
  gm->addWidget(new QLabel("VPP =", measurePanel_), 0, 1);
  gm->addWidget(pVpp_, 0, 2);
  gm->addWidget(rdVcc_, 1, 0);
  gm->addWidget(new QLabel("VCC =", measurePanel_), 1, 1);
  gm->addWidget(pVcc_, 1, 2);
  gm->addWidget(rdAll_, 2, 0);
  gm->setColumnStretch(3, 1);

  // Data memory ("SRAM Data") and program memory ("Program ROM Data").
  auto memoryGroup = [&](const char* name, QLineEdit*& addr, QLineEdit*& val, QLabel*& read,
                         const char* addrName, const char* valName, const char* readName,
                         int labelBase, int buttonBase, void (TOption::*write)(),
                         void (TOption::*doRead)(), const char* wName, const char* rName) {
    QGroupBox* g = Group(page, name);
    auto* gl = new QGridLayout(g);
    addr = new QLineEdit(g);
    addr->setObjectName(addrName);
    val = new QLineEdit(g);
    val->setObjectName(valName);
    read = new QLabel(g);
    read->setObjectName(readName);
    read->setMinimumWidth(50);
    for (int k = 0; k < 3; ++k) {
      debugLabels_[size_t(labelBase + k)] = new QLabel(g);
      gl->addWidget(debugLabels_[size_t(labelBase + k)], k, 0);
    }
    gl->addWidget(addr, 0, 1);
    gl->addWidget(val, 1, 1);
    gl->addWidget(read, 2, 1);
    debugButtons_[size_t(buttonBase)] = button(g, wName, QString(), write);
    debugButtons_[size_t(buttonBase + 1)] = button(g, rName, QString(), doRead);
    gl->addWidget(debugButtons_[size_t(buttonBase)], 1, 2);
    gl->addWidget(debugButtons_[size_t(buttonBase + 1)], 2, 2);
    return g;
  };
  dataGroup_ = memoryGroup("GroupSram", eDtAddr_, eDtVal_, rDtVal_, "EDtAddr", "EDtVal", "RDtVal",
                           0, 0, &TOption::BDtWClick, &TOption::BDtRClick, "BDtW", "BDtR");
  eDtAddr_->setPlaceholderText("000..1FF");
  eDtVal_->setPlaceholderText("00..FF");
  programGroup_ =
      memoryGroup("GroupRom", ePgAddr_, ePgVal_, rPgVal_, "EPgAddr", "EPgVal", "RPgVal", 3, 2,
                  &TOption::BPgWClick, &TOption::BPgRClick, "BPgW", "BPgR");
  ePgAddr_->setPlaceholderText("0000..7FFF");
  ePgVal_->setPlaceholderText("00..FF");
  auto* row = new QHBoxLayout;
  row->addWidget(dataGroup_);
  row->addWidget(programGroup_);
  lay->addWidget(measurePanel_);
  lay->addLayout(row);
  lay->addStretch();
  return page;
}

QWidget* TOption::buildCalibrationPage() {
  auto* page = new QWidget;
  page->setObjectName("PHAOCal");
  auto* lay = new QVBoxLayout(page);
  auto onSwitch = [this](bool) { ApplyCalibrationOptions(); };
  enHao_ = check(page, "EnHAO", "Enable H/W Calibration", [onSwitch](bool on) {
    Options().EnHAO = on ? 1 : 0;
    onSwitch(on);
  });
  enShao_ = check(page, "EnSHAO", "Enable S/W Calibration", [onSwitch](bool on) {
    Options().EnSHAO = on ? 1 : 0;
    onSwitch(on);
  });
  enSlao_ = check(page, "EnSLAO", "Enable Calibration", [onSwitch](bool on) {
    Options().EnSLAO = on ? 1 : 0;
    onSwitch(on);
  });
  auto edit = [this](QWidget* parent, const char* name, int32_t TOptions::*field) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    connect(e, &QLineEdit::textEdited, this, [field](const QString& t) {
      Options().*field = DecStrToInt(t.trimmed().toStdString());
    });
    return e;
  };
  auto label = [](QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
  };
  pHao_ = Group(page, "PHAO");
  pHao_->setTitle("HAO");
  auto* gh = new QGridLayout(pHao_);
  eHao_ = edit(pHao_, "EHAO", &TOptions::EHAO);
  ePermiss_ = edit(pHao_, "EPERMISS", &TOptions::EPERMISS);
  lHaoMin_ = label(pHao_, "LHAOMIN", kHaoMinText);
  lHaoMax_ = label(pHao_, "LHAOMAX", kHaoMaxText);
  gh->addWidget(new QLabel("HAO (Hz)", pHao_), 0, 0);
  gh->addWidget(eHao_, 0, 1);
  gh->addWidget(lHaoMin_, 0, 2);
  gh->addWidget(new QLabel("..", pHao_), 0, 3);
  gh->addWidget(lHaoMax_, 0, 4);
  gh->addWidget(new QLabel("Permissible error (%)", pHao_), 1, 0);
  gh->addWidget(ePermiss_, 1, 1);
  gh->addWidget(new QLabel("1 .. 100", pHao_), 1, 2, 1, 3);
  auto* lpo = Group(page, "PLAO");
  lpo->setTitle("LPO");
  auto* gl = new QGridLayout(lpo);
  eLao_ = edit(lpo, "ELAO", &TOptions::ELAO);
  lLaoMin_ = label(lpo, "LLAOMIN", kLaoMinText);
  lLaoMax_ = label(lpo, "LLAOMAX", kLaoMaxText);
  gl->addWidget(new QLabel("LPO (Hz)", lpo), 0, 0);
  gl->addWidget(eLao_, 0, 1);
  gl->addWidget(lLaoMin_, 0, 2);
  gl->addWidget(new QLabel("..", lpo), 0, 3);
  gl->addWidget(lLaoMax_, 0, 4);
  lay->addWidget(enHao_);
  lay->addWidget(enShao_);
  lay->addWidget(enSlao_);
  lay->addWidget(pHao_);
  lay->addWidget(lpo);
  lay->addStretch();
  pHao_->hide();
  return page;
}

// ---------------------------------------------------------------------------
// The record shown
// ---------------------------------------------------------------------------

void TOption::LoadFromOptions() {
  const TOptions& o = Options();
  const TChipConfig& c = Chip();
  loadInterfaceCombos();
  pIce_->setChecked(o.PICE());
  pProg_->setChecked(!o.PICE());
  rbkOn_->setChecked(!o.RBKOFF);
  rbkOff_->setChecked(o.RBKOFF);
  const uint8_t outs[7] = {o.OutAsciiFile,    o.OutListFile, o.OutBinaryFile,    o.OutAsciiInvFile,
                           o.OutBinaryInvFile, o.OutMaskFile, o.OutBinarySplitFile};
  for (size_t i = 0; i < 7; ++i) outputs_[i]->setChecked(outs[i]);
  ckToolEdit_->setChecked(o.ShowEditToolBar);
  for (size_t i = 0; i < 3; ++i) fill_[i]->setChecked(o.UnusedFillMode == i);
  smartCompiler_->setChecked(o.SmartCompiler);
  cOptimization_->setChecked(o.COptimization);
  cProtect_->setChecked(o.CProtect);
  pk08a_->setChecked(c.CoreVariant == 0);
  pk08b_->setChecked(c.CoreVariant != 0);
  stkOvRst_->setChecked(o.STKOVRST);
  stkOvStop_->setChecked(o.STKOVSTOP);
  racm10_->setChecked(o.RACM10);
  racm12_->setChecked(!o.RACM10);
  chWdtJmp_->setChecked(o.ChWDTJMPOO);
  stpOvStak_->setChecked(o.STPOVSTAK);
  WatchInit();
  enHao_->setChecked(o.EnHAO);
  enShao_->setChecked(o.EnSHAO);
  enSlao_->setChecked(o.EnSLAO);
  eHao_->setText(QString::number(o.EHAO));
  ePermiss_->setText(QString::number(o.EPERMISS));
  eLao_->setText(QString::number(o.ELAO));
}

void TOption::loadInterfaceCombos() {
  cbSeluP_->setCurrentIndex(Chip().ChipIndex < cbSeluP_->count() ? Chip().ChipIndex : -1);
  cbSelLang_->setCurrentIndex(LangState().LanguageIndex > 0 ? 1 : 0);
  selRom_->setCurrentIndex(Options().RomEmulationType < selRom_->count()
                               ? Options().RomEmulationType
                               : 0);
  const int iface = Modes().IceInterfaceIndex;
  selLpt_->setCurrentIndex(iface >= 0 && iface < selLpt_->count() ? iface : 0);
}

void TOption::ChipLoadStarted() { pHao_->hide(); }

void TOption::ChipLoaded() {
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
  const auto& cal = c.OscCalibration;
  if (cal.HaoMin || cal.HaoMax) {
    lHaoMin_->setText(QString::number(cal.HaoMin));
    lHaoMax_->setText(QString::number(cal.HaoMax));
  }
  if (cal.LaoMin || cal.LaoMax) {
    lLaoMin_->setText(QString::number(cal.LaoMin));
    lLaoMax_->setText(QString::number(cal.LaoMax));
  }
  LoadFromOptions();
}

void TOption::WriterCalibration() {
  Options().EnHAO = Options().HaoEnabled;
  enHao_->setChecked(Options().EnHAO);
  if (Options().PProg) ApplyCalibrationOptions();
}

// ---------------------------------------------------------------------------
// Pages
// ---------------------------------------------------------------------------

void TOption::ShowPage(TPage page) {
  page_ = page;
  pages_->setCurrentIndex(page);
  for (int i = 0; i < PageCount; ++i) tabs_[size_t(i)]->setChecked(i == page);
}

void TOption::InterSetupClick() {
  if (Modes().DebugMode == 1 && Hooks.LeaveDebugMode) Hooks.LeaveDebugMode();
  loadInterfaceCombos();
  ShowPage(PageInterface);
}

void TOption::ConfigSetupClick() { ShowPage(PageBuild); }

void TOption::BreakSetClick() {
  WatchInit();
  ShowPage(PageWatch);
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

void TOption::PrepareForShow(bool debugMode, uint16_t podChipId) {
  if (debugMode) {
    BreakSetClick();
  } else {
    loadInterfaceCombos();
    ShowPage(PageInterface);
    const bool eepromChip = podChipId == 0x8024;
    stkOvStop_->setEnabled(!eepromChip);
    if (eepromChip) {
      stkOvStop_->setChecked(false);
      Options().STKOVSTOP = 0;
    }
  }
  pHao_->hide();
  Options().EnHAO = Options().HaoEnabled;
  enHao_->setChecked(Options().EnHAO);
  const bool writer = Hooks.WriterIdentityEnabled && Hooks.WriterIdentityEnabled();
  if (writer && Chip().OscCalibration.HaoPresent && Options().PProg) ApplyCalibrationOptions();
}

// ---------------------------------------------------------------------------
// Chip selection, watch, calibration
// ---------------------------------------------------------------------------

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

void TOption::WatchInit() {
  const TOptions& o = Options();
  for (int i = 0; i < 8; ++i) watchBits_[size_t(i)]->setChecked(o.WatchBitMask >> i & 1);
  if (o.WatchBitMask != 0) {
    eWatchAddress_->setText(Hex(o.WatchAddress, 4));
    eWatchData_->setText(Hex(o.WatchData, 2));
  }
  stpOvStak_->setChecked(o.STPOVSTAK);
}

bool TOption::SetWatch() {
  if (!up_) return false;
  const TOptions& o = Options();
  return up_->Pod().PodWriteWatch(o.WatchBitMask, o.WatchData, o.WatchAddress);
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

bool TOption::checkCalibrationInputs() {
  TOptions& o = Options();
  const auto& cal = Chip().OscCalibration;
  int32_t hao = 0, permiss = 0, lao = 0;
  if (!WholeNumber(eHao_->text(), hao) || hao < cal.HaoMin || hao > cal.HaoMax) {
    Dialogs().messageBox("Input HAO over Range! Please Check Input HAO!!", "Error", MsgIcon::Error,
                         MbCancel);
    return false;
  }
  o.HaoValue = hao;
  if (!WholeNumber(ePermiss_->text(), permiss) || permiss < 1 || permiss > 100) {
    Dialogs().messageBox(
        "Permissable Error Input Over Range! Please Check Input Permissable error!!", "Error",
        MsgIcon::Error, MbCancel);
    return false;
  }
  o.PermissibleError = static_cast<uint8_t>(permiss);
  if (!WholeNumber(eLao_->text(), lao) || lao < cal.LaoMin || lao > cal.LaoMax) {
    Dialogs().messageBox("Input LPO over Range! Please Check Input LPO!!", "Error", MsgIcon::Error,
                         MbCancel);
    return false;
  }
  o.LpoValue = lao;
  o.CalibrationMode = CalibrationModeOf(o.EnHAO, o.EnSHAO, o.EnSLAO, o.CalibrationMode);
  return true;
}

bool TOption::haoInputsApply() const {
  return enHao_->isChecked() && Chip().OscCalibration.HaoPresent;
}

bool TOption::BtCloseClick() {
  TOptions& o = Options();
  o.HaoEnabled = enHao_->isChecked() ? 1 : 0;
  // Checked on whichever page the dialog is closed from; a refusal shows the
  // inputs to mend.
  if (haoInputsApply() && !checkCalibrationInputs()) {
    PHAOCALClick();
    showCalibrationEdits();
    return false;
  }
  uint8_t mask = 0;
  for (int i = 0; i < 8; ++i)
    if (watchBits_[size_t(i)]->isChecked()) mask = static_cast<uint8_t>(mask | 1 << i);
  o.WatchBitMask = mask;
  o.WatchAddress = static_cast<uint16_t>(HexStrToInt(eWatchAddress_->text().toStdString()));
  o.WatchData = static_cast<uint8_t>(HexStrToInt(eWatchData_->text().toStdString()));
  if (Modes().SimulatorMode == 0 && Modes().DebugMode == 1) SetWatch();
  o.STPOVSTAK = stpOvStak_->isChecked() ? 1 : 0;
  const bool usb = Modes().IceInterfaceIndex == 4;
  if (usb) {
    ThePod().Parallel().CloseParallelDriver();
  } else {
    ThePod().Parallel().InitParallelPort();
  }
  if (Hooks.Relayout) Hooks.Relayout();
  if (Hooks.ListingLayout) Hooks.ListingLayout(o.PProg != 0);
  if (usb && Hooks.PodShowMode) {
    if (o.PProg) {
      Hooks.PodShowMode("VO-RIV Program Mode", 0x40, 0);
    } else {
      Hooks.PodShowMode("VO-RIV Debug Mode", 0, 1);
    }
  }
  const bool k08b = Chip().CoreVariant == 1;
  if (k08b) {
    o.SmartCompiler = o.COptimization = 0;
    smartCompiler_->setChecked(false);
    cOptimization_->setChecked(false);
  }
  smartCompiler_->setEnabled(!k08b);
  cOptimization_->setEnabled(!k08b);
  return true;
}

// Every hiding of the dialog commits; a refused commit keeps it open.
void TOption::done(int r) {
  if (!closing_ && !BtCloseClick()) return;
  QDialog::done(r);
}

void TOption::closeEvent(QCloseEvent* ev) {
  if (!BtCloseClick()) {
    ev->ignore();
    return;
  }
  closing_ = true;
  QDialog::closeEvent(ev);
  closing_ = false;
}

// ---------------------------------------------------------------------------
// Pod services
// ---------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------
// Engineer mode
// ---------------------------------------------------------------------------

// A key goes first to the control with the focus (the dialog itself when none
// has it) and from there to its parents while they pass it on: it is taken
// at that first control only, so each key counts once, and goes on to the
// control as typed.
bool TOption::eventFilter(QObject* watched, QEvent* ev) {
  if (ev->type() == QEvent::KeyPress) {
    QWidget* const first = focusWidget() ? focusWidget() : this;
    const QString t = static_cast<QKeyEvent*>(ev)->text().toUpper();
    if (watched == first && t.size() == 1) engineerKey(t[0].unicode());
  }
  return QDialog::eventFilter(watched, ev);
}

// The first letter starts the sequence, the next one advances it, any other
// key starts it again.
void TOption::engineerKey(int key) {
  const int n = int(sizeof kEngineerCode) - 1;
  if (key == kEngineerCode[engineerProgress_]) {
    ++engineerProgress_;
  } else {
    engineerProgress_ = key == kEngineerCode[0] ? 1 : 0;
  }
  if (engineerProgress_ == n) {
    engineerProgress_ = 0;
    becomeEngineer();
  }
}

void TOption::becomeEngineer() {
  Options().EngineerMode = 1;
  selRom_->clear();
  selRom_->addItems({"RAM 62256", "EEPROM 28C256"});
  selRom_->setCurrentIndex(Options().RomEmulationType < 2 ? Options().RomEmulationType : 0);
  if (Hooks.EngineerTitle) Hooks.EngineerTitle();
}

// ---------------------------------------------------------------------------
// Captions
// ---------------------------------------------------------------------------

void TOption::ApplyMenuCaptions() {
  tabs_[PageBuild]->setText(T(lt::OptBuildOptions));
  tabs_[PageWatch]->setText("Chip Watch");
  tabs_[PageDebugTool]->setText("Debug Tool");
  tabs_[PageCalibration]->setText("OSC Calibration");
  dataGroup_->setTitle(T(lt::SramData));
  programGroup_->setTitle(T(lt::SramProgramRomData));
  for (int base : {0, 3}) {
    debugLabels_[size_t(base)]->setText(T(lt::SramAddress));
    debugLabels_[size_t(base + 1)]->setText(T(lt::SramWriteData));
    debugLabels_[size_t(base + 2)]->setText(T(lt::SramReadData));
  }
  for (int base : {0, 2}) {
    debugButtons_[size_t(base)]->setText(T(lt::SramWrite));
    debugButtons_[size_t(base + 1)]->setText(T(lt::SramRead));
  }
  ApplyOptionConfigCaptions();
}

void TOption::ApplyOptionConfigCaptions() {
  setWindowTitle(T(lt::OptBuildOptions));
  groupOutputs_->setTitle(T(lt::OptGenerateFiles));
  ckToolEdit_->setText(T(lt::OptEnableToolBar));
  const int outs[7] = {lt::OptAsciiFile, lt::OptListFile,        lt::OptHexFile, lt::OptInformationFile,
                       lt::OptHexFileInverted, lt::OptMaskFile, lt::OptObjFile};
  for (size_t i = 0; i < 7; ++i) outputs_[i]->setText(T(outs[i]));
  btClose_->setText(T(lt::OptClose));
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

void TOption::ApplyOptionCaptions() {
  tabs_[PageInterface]->setText(T(lt::OptInterfaceSetup));
  if (page_ == PageInterface) setWindowTitle(T(lt::OptInterfaceSetup));
  groupBox1_->setTitle(T(lt::OptHardwareInterface));
  selIoLpt_->setText(T(lt::OptInterfaceMode));
  romGroup_->setTitle(T(lt::OptProgramMemorySelect));
  label2_->setText(T(lt::OptChipSelect));
  groupBox2_->setTitle(T(lt::OptIdeMode));
  pIce_->setText(T(lt::OptEmulateAndDebug));
  pProg_->setText(T(lt::OptProgrammer));
}

}  // namespace kyvor
