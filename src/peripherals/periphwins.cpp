#include "peripherals/periphwins.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <map>

#include "base/modes.h"
#include "engine/ky_up.h"
#include "engine/reg_fields.h"
#include "engine/pod_access.h"
#include "peripherals/option_flow.h"
#include "peripherals/periph_hooks.h"
#include "peripherals/periph_hub.h"

namespace kyvor {

QColor PanelSetColor() { return QColor(0x00, 0x54, 0xE3); }
QColor WindowTextOnColor() { return QColor(Qt::white); }
QColor ClearColor() { return QColor(0xF0, 0xF0, 0xF0); }
QColor ChosenOptionColor() { return QColor(Qt::black); }
QColor FlagSetColor() { return QColor(Qt::blue); }

QSize TFitLabel::minimumSizeHint() const {
  QSize s = QLabel::minimumSizeHint();
  if (!wordWrap()) s.setWidth(std::max(s.width(), QLabel::sizeHint().width()));
  s.setWidth(std::max(s.width(), floor_));
  return s;
}

QSize TFitLabel::sizeHint() const {
  QSize s = QLabel::sizeHint();
  s.setWidth(std::max(s.width(), floor_));
  return s;
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* ev) {
  QLabel::mouseReleaseEvent(ev);
  if (ev->button() == Qt::LeftButton && isEnabled() && rect().contains(ev->pos())) emit clicked();
}

namespace {

void Paint(QWidget* w, const QColor& back, const QColor& text) {
  if (!w) return;
  QPalette p = w->palette();
  p.setColor(QPalette::Window, back);
  p.setColor(QPalette::WindowText, text);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// A control the chip set-up hides stays hidden whatever its field draws.
constexpr const char* kKeptHidden = "keptHiddenByChip";
void ShowDrawn(QWidget* w, bool shown) {
  if (w) w->setVisible(shown && !w->property(kKeptHidden).toBool());
}

void PaintSet(QWidget* w, bool set) {
  Paint(w, set ? PanelSetColor() : ClearColor(), set ? WindowTextOnColor() : QColor(Qt::black));
}

QString OptionName(const char* pattern, int index, const std::string& code) {
  QString s = QString::fromLatin1(pattern);
  s.replace('#', QString::number(index));
  s.replace('@', QString::fromStdString(code));
  return s;
}

// The on/off glyph of a picture button from the end of its name.
QString PictureGlyph(const QString& name) {
  static const std::pair<const char*, const char*> glyphs[] = {
      {"off", "\u2500/ \u2500"}, {"on", "\u2500\u25cf\u2500"}, {"up", "\u25b2"},
      {"down", "\u25bc"}, {"raising", "\u2197"}, {"falling", "\u2198"}};
  QString base = name;
  while (!base.isEmpty() && base.back().isDigit()) base.chop(1);
  for (auto [end, glyph] : glyphs)
    if (base.endsWith(QLatin1String(end), Qt::CaseInsensitive)) return QString::fromUtf8(glyph);
  return name;
}

QToolButton* MakeButton(const QString& name, const QString& text, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(name);
  b->setAutoRaise(true);
  return b;
}

bool HasPictures(const TBinding& b) { return b.setPictures[0] || b.clearPictures[0]; }

TClickLabel* MakePanel(const char* name, const char* caption, QWidget* parent) {
  auto* p = new TClickLabel(QString::fromUtf8(caption ? caption : ""), parent);
  p->setObjectName(QString::fromLatin1(name));
  p->setFrameShape(QFrame::Panel);
  p->setFrameShadow(QFrame::Raised);
  p->setAlignment(Qt::AlignCenter);
  p->SetFloorWidth(64);
  p->setMargin(2);
  return p;
}

}  // namespace

int CodeEntry(const QComboBox* list, int code) {
  for (int i = 0; i < list->count(); ++i) {
    bool ok = false;
    const int v = list->itemText(i).toInt(&ok, 2);
    if (ok && v == code) return i;
  }
  return -1;
}

TKyPeripheralForm::TKyPeripheralForm(TPeripheralKind kind, QWidget* parent, TBuildWhen when)
    : TKyChildForm(PeripheralTable(kind).formName, PeripheralTable(kind).caption, parent),
      kind_(kind),
      table_(PeripheralTable(kind)) {
  if (when == TBuildWhen::AtCreation) ensureBuilt();
  PeripheralHub().Register(this);
}

void TKyPeripheralForm::ensureBuilt() {
  if (built_) return;
  built_ = true;
  build();
  captureSetupDesign();
  // A display choice made before keeps its place after the 0 state.
  const int mode = mode_, width = widthIndex_;
  const bool choice = choicePending_;
  Init();
  if (chipPending_) ApplyChip();
  if (choice) SetDisplayChoice(mode, width);
  const bool redraw = refreshPending_;
  chipPending_ = choicePending_ = refreshPending_ = false;
  if (redraw && TKyPeripheralHub::IsLive(kind_)) DataUpdate();
}

// The ADC-I window's refresh may correct the target's gain field: it is built
// for its refreshes, so the correction comes when it would.
bool TKyPeripheralForm::deferRefresh(TRefreshReason reason) {
  if (built_ || kind_ == TPeripheralKind::AdcI || !Model()) return false;
  if (reason == TRefreshReason::Breakpoints) return true;
  if (reason == TRefreshReason::DebugEntry) {
    resetFieldState();
    chipPending_ = true;
  }
  refreshPending_ = true;
  return true;
}

void TKyPeripheralForm::showEvent(QShowEvent* ev) {
  ensureBuilt();
  TKyChildForm::showEvent(ev);
}

TKyPeripheralForm::~TKyPeripheralForm() { PeripheralHub().Unregister(this); }

void TKyPeripheralForm::Refresh(TRefreshReason reason) {
  if (deferRefresh(reason)) return;
  ensureBuilt();
  switch (reason) {
    case TRefreshReason::DebugEntry:
      ApplyChip();
      if (TKyPeripheralHub::IsLive(kind_)) DataUpdate();
      return;
    case TRefreshReason::Breakpoints: return;
    default:
      if (TKyPeripheralHub::IsLive(kind_)) DataUpdate();
      return;
  }
}

// ---------------------------------------------------------------------------
// Building the controls from the table
// ---------------------------------------------------------------------------

void TKyPeripheralForm::build() {
  controls_.resize(static_cast<std::size_t>(table_.count));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  outer->addWidget(scroll);
  auto* content = new QWidget(scroll);
  scroll->setWidget(content);
  auto* columnsBox = new QHBoxLayout(content);
  columnsBox->setContentsMargins(6, 6, 6, 6);

  // One group box per group, in the order the groups first appear.
  std::vector<std::pair<std::string, QGroupBox*>> groups;
  auto groupOf = [&](const std::string& name) -> QGroupBox* {
    for (auto& [n, g] : groups)
      if (n == name) return g;
    auto* g = new QGroupBox(QString::fromStdString(name), content);
    auto* lay = new QVBoxLayout(g);
    lay->setSpacing(3);
    lay->setContentsMargins(6, 4, 6, 4);
    groups.emplace_back(name, g);
    return g;
  };
  for (int i = 0; i < table_.count; ++i) {
    QGroupBox* g = groupOf(table_.bindings[i].group);
    static_cast<QVBoxLayout*>(g->layout())->addWidget(buildBinding(i, g));
  }
  if (table_.modeList) {
    QGroupBox* g = groupOf("Result");
    static_cast<QVBoxLayout*>(g->layout())->addWidget(buildDisplayOptions(g));
  }
  for (int i = 0; i < table_.extraCount; ++i) {
    const TExtraControl& e = table_.extras[i];
    QGroupBox* g = nullptr;
    if (e.group) {
      g = groupOf(e.group);
    } else {
      g = groupOf(kind_ == TPeripheralKind::Cmp ? "Comparator outputs" : "Notes");
      notes_ = g;
    }
    static_cast<QVBoxLayout*>(g->layout())->addWidget(buildExtra(e, g));
  }
  for (auto& [n, g] : groups) groups_.push_back(g);
  columnsBox_ = columnsBox;
  arrangeGroups(1);
  if (QLabel* w = findChild<QLabel*>("ADCWarnning")) {
    w->setStyleSheet("color: red; font-weight: bold;");
  }
  content->adjustSize();
  resize(content->sizeHint().width() + 24, std::min(content->sizeHint().height() + 8, 640));
}

// The groups stand in as many columns as the window's width holds, in table
// order, top to bottom; a column ends at its share of the groups' height.
// Each column stacks its groups on its own, so a short group never waits for
// a tall neighbour, and a narrow window scrolls only vertically.
void TKyPeripheralForm::arrangeGroups(int columns) {
  if (!columnsBox_ || groups_.empty() || columns == columns_) return;
  columns_ = columns;
  while (QLayoutItem* item = columnsBox_->takeAt(0)) delete item;  // the groups stay
  auto heightOf = [](QWidget* g) { return g->isHidden() ? 0 : g->sizeHint().height(); };
  int total = 0;
  for (QWidget* g : groups_) total += heightOf(g);
  const int share = (total + columns - 1) / columns;
  QVBoxLayout* column = nullptr;
  int used = 0;
  int made = 0;
  for (QWidget* g : groups_) {
    const int h = heightOf(g);
    // A group goes on in the column when its middle still falls in the column's share.
    if (!column || (used > 0 && used + h / 2 > share && made < columns)) {
      if (column) column->addStretch(1);
      column = new QVBoxLayout();
      columnsBox_->addLayout(column, 1);
      ++made;
      used = 0;
    }
    column->addWidget(g);
    used += h;
  }
  column->addStretch(1);
}

void TKyPeripheralForm::resizeEvent(QResizeEvent* ev) {
  TKyChildForm::resizeEvent(ev);
  int widest = 1;
  for (QWidget* g : groups_) widest = std::max(widest, g->sizeHint().width());
  arrangeGroups(std::max(1, (width() - 24) / (widest + 12)));
}

void TKyPeripheralForm::fillDesignList(const TBinding& b, QComboBox* list) {
  list->clear();
  for (int i = 0; i < b.entries; ++i) list->addItem(QString::fromStdString(BinaryCodeText(i, b.digits)));
}

// A multiplexer's list as the chip file prepared it: the codes of its
// options, without the reserved ones ("-"), or, for a binding that lists
// them, with them shown as not choosable.
void TKyPeripheralForm::fillChipList(const TBinding& b, const TFieldUi& ui, QComboBox* list) {
  list->clear();
  if (!b.listsReserved) {
    for (const auto& code : ui.Codes) list->addItem(QString::fromStdString(code));
    return;
  }
  auto* model = qobject_cast<QStandardItemModel*>(list->model());
  const int count = std::min<int>(ui.OptionCount, b.options);
  for (int o = 0; o < count; ++o) {
    list->addItem(QString::fromStdString(BinaryCodeText(o, b.digits)));
    const bool reserved = !ui.Options[static_cast<std::size_t>(o)].Enabled;
    if (model && reserved) model->item(o)->setEnabled(false);
  }
}

QWidget* TKyPeripheralForm::buildExtra(const TExtraControl& e, QWidget* parent) {
  QWidget* w = nullptr;
  if (e.kind == TExtraKind::List) {
    // A list with no role: it shows its words while empty and takes no choice.
    auto* list = new QComboBox(parent);
    list->setPlaceholderText(QString::fromUtf8(e.text));
    list->setMinimumContentsLength(8);
    list->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    list->setEnabled(false);
    w = list;
  } else {
    auto* l = new QLabel(QString::fromUtf8(e.text), parent);
    l->setWordWrap(true);
    w = l;
  }
  w->setObjectName(QString::fromLatin1(e.name));
  w->setVisible(!e.hidden);
  return w;
}

// One binding's row: its title, list, panel, pictures, stepper buttons and
// label on one line, and a multiplexer's options below it.
QWidget* TKyPeripheralForm::buildBinding(int index, QWidget* parent) {
  const TBinding& b = table_.bindings[index];
  auto* row = new QWidget(parent);
  auto* v = new QVBoxLayout(row);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(2);
  auto* line = new QHBoxLayout();
  line->setSpacing(4);
  v->addLayout(line);
  addBindingTitle(b, row, line);
  addBindingList(index, row, line);
  addBindingPanel(index, row, line);
  addBindingPictures(index, row, line);
  addBindingStepper(index, row, line);
  addBindingLabel(index, row, line);
  line->addStretch(1);
  if (b.kind == TCtlKind::Mux) addBindingOptions(index, row, v);
  if (b.hidden) hideBindingControls(index, row);
  return row;
}

void TKyPeripheralForm::addBindingTitle(const TBinding& b, QWidget* row, QHBoxLayout* line) {
  // A panel hidden in the design still names its pictures.
  const char* title = b.kind == TCtlKind::Panel ? (b.hidden ? b.caption : nullptr) : b.title;
  if (!title || !*title) return;
  auto* t = new TFitLabel(QString::fromUtf8(title), row);
  t->SetFloorWidth(70);
  line->addWidget(t);
}

void TKyPeripheralForm::addBindingList(int index, QWidget* row, QHBoxLayout* line) {
  const TBinding& b = table_.bindings[index];
  if (!b.list) return;
  TControls& c = controls_[static_cast<std::size_t>(index)];
  c.list = new QComboBox(row);
  c.list->setObjectName(QString::fromLatin1(b.list));
  c.list->setMinimumContentsLength(b.digits + 1);
  fillDesignList(b, c.list);
  line->addWidget(c.list);
  connect(c.list, &QComboBox::activated, this, [this, index](int e) { ListChosen(index, e); });
}

void TKyPeripheralForm::addBindingPanel(int index, QWidget* row, QHBoxLayout* line) {
  const TBinding& b = table_.bindings[index];
  if (!b.panel) return;
  TControls& c = controls_[static_cast<std::size_t>(index)];
  c.panel = MakePanel(b.panel, b.caption, row);
  line->addWidget(c.panel);
  if (b.kind != TCtlKind::Panel || !b.clickable) return;
  connect(c.panel, &TClickLabel::clicked, this, [this, index] { ToggleClicked(index); });
  // The "1" / "0" menu sets or clears the panel's field.
  c.panel->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* one = new QAction("1", c.panel);
  one->setObjectName("TIncer");
  auto* zero = new QAction("0", c.panel);
  zero->setObjectName("Decer");
  c.panel->addAction(one);
  c.panel->addAction(zero);
  connect(one, &QAction::triggered, this, [this, index] { SetToggle(index, 1); });
  connect(zero, &QAction::triggered, this, [this, index] { SetToggle(index, 0); });
}

void TKyPeripheralForm::addBindingPictures(int index, QWidget* row, QHBoxLayout* line) {
  const TBinding& b = table_.bindings[index];
  TControls& c = controls_[static_cast<std::size_t>(index)];
  auto add = [&](const std::array<const char*, 2>& names, std::vector<QToolButton*>& into) {
    for (const char* n : names) {
      if (!n) continue;
      QToolButton* p = MakeButton(QString::fromLatin1(n), PictureGlyph(QString::fromLatin1(n)), row);
      line->addWidget(p);
      into.push_back(p);
      if (b.clickable)
        connect(p, &QToolButton::clicked, this, [this, index] { ToggleClicked(index); });
    }
  };
  add(b.setPictures, c.setPictures);
  add(b.clearPictures, c.clearPictures);
}

void TKyPeripheralForm::addBindingStepper(int index, QWidget* row, QHBoxLayout* line) {
  const TBinding& b = table_.bindings[index];
  if (b.kind != TCtlKind::Stepper) return;
  TControls& c = controls_[static_cast<std::size_t>(index)];
  for (int i = 0; i < b.options; ++i) {
    const QString code = QString::fromStdString(BinaryCodeText(i, b.digits));
    QToolButton* s = MakeButton(QString::fromLatin1(b.button) + code, code, row);
    line->addWidget(s);
    c.on.push_back(s);
    if (b.clickable)
      connect(s, &QToolButton::clicked, this, [this, index] { StepperClicked(index); });
  }
}

void TKyPeripheralForm::addBindingLabel(int index, QWidget* row, QHBoxLayout* line) {
  const TBinding& b = table_.bindings[index];
  if (!b.label) return;
  TControls& c = controls_[static_cast<std::size_t>(index)];
  auto* label = new TFitLabel(QString(), row);
  label->SetFloorWidth(b.kind == TCtlKind::Result ? 110 : 90);
  c.label = label;
  c.label->setObjectName(QString::fromLatin1(b.label));
  if (b.kind == TCtlKind::Result) {
    QFont f = c.label->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 2);
    c.label->setFont(f);
    c.label->setFrameShape(QFrame::Panel);
    c.label->setFrameShadow(QFrame::Sunken);
  }
  line->addWidget(c.label);
}

// A multiplexer's options: per option an "on" and an "off" button and its label.
void TKyPeripheralForm::addBindingOptions(int index, QWidget* row, QVBoxLayout* v) {
  const TBinding& b = table_.bindings[index];
  TControls& c = controls_[static_cast<std::size_t>(index)];
  auto* opts = new TOptionFlow(b.options > 8 ? 2 : 4, 6, 1);
  v->addLayout(opts);
  for (int i = 0; i < b.options; ++i) {
    const std::string code = BinaryCodeText(i, b.digits);
    const QString base = QString::fromLatin1(b.button) + QString::fromStdString(code);
    auto* cellWidget = new QWidget(row);
    auto* cell = new QHBoxLayout(cellWidget);
    cell->setContentsMargins(0, 0, 0, 0);
    cell->setSpacing(0);
    QToolButton* on = MakeButton(base + "on", QString::fromUtf8("\u25cf"), cellWidget);
    QToolButton* off = MakeButton(base + "off", QString::fromUtf8("\u25cb"), cellWidget);
    auto* l = new TClickLabel(QString(), cellWidget);
    l->setObjectName(OptionName(b.optionLabel, i, code));
    l->setMargin(1);
    l->SetFloorWidth(44);
    cell->addWidget(on);
    cell->addWidget(off);
    cell->addWidget(l, 1);
    opts->addWidget(cellWidget);
    c.on.push_back(on);
    c.off.push_back(off);
    c.optionLabels.push_back(l);
    connect(on, &QToolButton::clicked, this, [this, index, i] { OptionClicked(index, i); });
    connect(off, &QToolButton::clicked, this, [this, index, i] { OptionClicked(index, i); });
    connect(l, &TClickLabel::clicked, this, [this, index, i] { OptionClicked(index, i); });
  }
}

// A binding hidden in the design hides its panel, label and list.
void TKyPeripheralForm::hideBindingControls(int index, QWidget* row) {
  const TBinding& b = table_.bindings[index];
  TControls& c = controls_[static_cast<std::size_t>(index)];
  if (c.panel) c.panel->hide();
  if (c.label) c.label->hide();
  if (c.list) c.list->hide();
  // A row left with nothing but its title goes too.
  if (b.kind == TCtlKind::List || b.kind == TCtlKind::Mux || !HasPictures(b)) row->hide();
}

QWidget* TKyPeripheralForm::buildDisplayOptions(QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* g = new QGridLayout(row);
  g->setContentsMargins(0, 0, 0, 0);
  g->addWidget(new QLabel("ADC out mode", row), 0, 0);
  modeList_ = new QComboBox(row);
  modeList_->setObjectName(QString::fromLatin1(table_.modeList));
  modeList_->addItems({"HEX", "DEC"});
  g->addWidget(modeList_, 0, 1);
  g->addWidget(new QLabel("ADC outp bits", row), 1, 0);
  widthList_ = new QComboBox(row);
  widthList_->setObjectName(QString::fromLatin1(table_.widthList));
  for (int n = 8; n <= 24; ++n) widthList_->addItem(QString::number(n));
  g->addWidget(widthList_, 1, 1);
  auto* read = new QPushButton("Read ADC", row);
  read->setObjectName(QString::fromLatin1(table_.readButton));
  g->addWidget(read, 0, 2, 2, 1);
  g->setColumnStretch(3, 1);
  connect(modeList_, &QComboBox::activated, this, [this](int i) { ModeChosen(i); });
  connect(widthList_, &QComboBox::activated, this, [this](int i) { WidthChosen(i); });
  connect(read, &QPushButton::clicked, this, [this] { ReadAdcClicked(); });
  return row;
}

// ---------------------------------------------------------------------------
// Chip, initial state and refresh
// ---------------------------------------------------------------------------

void TKyPeripheralForm::SetListCodes(const char* list, int codes, int digits) {
  ensureBuilt();
  auto* l = findChild<QComboBox*>(QString::fromLatin1(list));
  if (!l) return;
  l->clear();
  for (int i = 0; i < codes; ++i) l->addItem(QString::fromStdString(BinaryCodeText(i, digits)));
  l->setCurrentIndex(0);
}

void TKyPeripheralForm::ApplyChip() {
  ensureBuilt();
  for (int i = 0; i < table_.count; ++i) {
    const TBinding& b = table_.bindings[i];
    TControls& c = controls_[static_cast<std::size_t>(i)];
    if (b.kind == TCtlKind::Result) continue;
    const TRegField& f = RegField(b.field);
    const TFieldUi& ui = FieldUi(b.field);
    const bool present = f.Width > 0;
    for (QWidget* w : {static_cast<QWidget*>(c.list), static_cast<QWidget*>(c.panel)})
      if (w) w->setEnabled(present);
    for (auto* w : c.setPictures) w->setEnabled(present);
    for (auto* w : c.clearPictures) w->setEnabled(present);
    for (auto* w : c.on) w->setEnabled(present);
    if (c.panel && ui.HasCaption) c.panel->setText(QString::fromStdString(ui.Caption));
    if (c.panel && b.hidden && b.kind == TCtlKind::Panel) {
      // A captioned pin panel the chip names is shown even when the design
      // hides it; on the next chip it is hidden again unless that chip names it.
      const bool named = present && ui.HasCaption && !ui.Caption.empty();
      c.panel->setVisible(named);
      if (!HasPictures(b)) c.panel->parentWidget()->setVisible(named);
    }
    if (c.panel && (b.field == TFieldId::AdcENCHP0 || b.field == TFieldId::AdcENHIGN0))
      c.panel->setFrameShadow(ui.Raised ? QFrame::Raised : QFrame::Sunken);
    if (b.kind != TCtlKind::Mux) continue;
    const bool prepared = ui.OptionCount > 0;
    if (c.list) {
      if (prepared) {
        fillChipList(b, ui, c.list);
      } else {
        fillDesignList(b, c.list);
      }
    }
    for (int o = 0; o < b.options; ++o) {
      const auto uo = static_cast<std::size_t>(o);
      bool enabled = present;
      QString caption = QString::fromStdString(BinaryCodeText(o, b.digits));
      if (prepared && o < ui.OptionCount) {
        enabled = present && ui.Options[uo].Enabled;
        caption = QString::fromStdString(ui.Options[uo].Caption);
      } else if (prepared) {
        enabled = false;  // the chip's section has fewer options than the window
      } else if (b.texts && o < b.textCount) {
        caption = QString::fromUtf8(b.texts[o]);
      }
      c.on[uo]->setEnabled(enabled);
      c.off[uo]->setEnabled(enabled);
      c.optionLabels[uo]->setText(caption);
      // A refused option ("-" in the chip file) has no label.
      c.optionLabels[uo]->setVisible(!prepared || enabled);
    }
  }
  applySetup();
  if (QWidget* t = Control("PTemp")) {
    t->setVisible(kind_ == TPeripheralKind::Adc && Chip().TempPanelVisible);
  }
  Init();
}

// The controls the chip set-up names, with their state in the design.
void TKyPeripheralForm::captureSetupDesign() {
  for (const TSetupLine& l : ChipSetupLines()) {
    if (l.window != kind_) continue;
    for (int i = 0; i < l.nameCount; ++i) {
      if (QWidget* w = Control(l.names[i])) setupControls_.push_back({w, w->isHidden()});
    }
  }
}

void TKyPeripheralForm::applySetup() {
  // Back to the design first: the set-up of the chip before leaves nothing behind.
  setWindowTitle(QString::fromUtf8(table_.caption));
  for (const auto& [w, designHidden] : setupControls_) {
    w->setProperty(kKeptHidden, false);
    w->setVisible(!designHidden);
  }
  for (const TSetupLine& l : ChipSetupLines()) {
    if (l.window != kind_ || l.step != TSetupStep::ListCodes) continue;
    for (int i = 0; i < table_.count; ++i) {
      const TBinding& b = table_.bindings[i];
      if (b.list && std::strcmp(b.list, l.text) == 0) {
        fillDesignList(b, controls_[static_cast<std::size_t>(i)].list);
      }
    }
  }
  for (const TSetupLine& l : ChipSetupLines()) {
    if (l.window != kind_ || !ChipCaseHolds(l.when)) continue;
    switch (l.step) {
      case TSetupStep::Caption: setWindowTitle(QString::fromUtf8(l.text)); break;
      case TSetupStep::ListCodes: SetListCodes(l.text, l.codes, l.digits); break;
      case TSetupStep::Show:
      case TSetupStep::Hide:
        for (int i = 0; i < l.nameCount; ++i) {
          QWidget* w = Control(l.names[i]);
          if (!w) continue;
          w->setProperty(kKeptHidden, l.step == TSetupStep::Hide);
          w->setVisible(l.step == TSetupStep::Show);
        }
        break;
    }
  }
}

void TKyPeripheralForm::resetFieldState() {
  for (int i = 0; i < table_.count; ++i) {
    const TBinding& b = table_.bindings[i];
    if (b.kind != TCtlKind::Result) RegField(b.field).Cache = 0;
  }
  if (table_.vddax != TFieldId::Count) RegField(table_.vddax).Cache = 0;
  mode_ = 0;
  widthIndex_ = 7;
  chosenToggle_ = -1;
  choicePending_ = false;
}

void TKyPeripheralForm::Init() {
  ensureBuilt();
  resetFieldState();
  for (int i = 0; i < table_.count; ++i) {
    const TBinding& b = table_.bindings[i];
    if (b.kind != TCtlKind::Result) draw(b, 0, false);
  }
  if (modeList_) modeList_->setCurrentIndex(0);
  if (widthList_) widthList_->setCurrentIndex(widthIndex_);
  for (const char* l : table_.vddaLabels)
    if (l) SetText(l, "VDDA = External");
  if (kind_ == TPeripheralKind::AdcI) SetText("TXVDDAS1", "VDDAX=2.4V");
  if (kind_ == TPeripheralKind::AdcII) SetText("TXVDDAS2", "VDDAX=2.4V");
  if (kind_ == TPeripheralKind::Cmp) {
    SetText("LCMPONOFF", "CP2 OFF");
    SetText("LCMP1ONOFF", "CP1 OFF");
  }
  SetShown("ADCWarnning", false);
  updateNotes();
}

void TKyPeripheralForm::DataUpdate() {
  if (!Model() || updating_) return;
  if (deferRefresh(TRefreshReason::RegisterWrite)) return;
  ensureBuilt();
  updating_ = true;
  ++updates_;
  // Bindings that share a record decide "changed" once per refresh.
  std::array<int8_t, kRegFieldCount> changed;
  changed.fill(-1);
  for (int i = 0; i < table_.count; ++i) {
    const TBinding& b = table_.bindings[i];
    if (b.redraw == TRedraw::Never) continue;
    TControls& c = controls_[static_cast<std::size_t>(i)];
    if (b.kind == TCtlKind::Result) {
      drawResult(b, c);
      continue;
    }
    TRegField& f = RegField(b.field);
    const int v = ReadField(*Model(), f);
    if (b.redraw == TRedraw::OnChange) {
      int8_t& d = changed[static_cast<std::size_t>(b.field)];
      if (d < 0) d = v != f.Cache ? 1 : 0;
      if (d == 0) continue;
    }
    f.Cache = static_cast<uint8_t>(v);
    draw(b, v, true);
  }
  if (table_.afterRefresh) table_.afterRefresh(*this);
  updating_ = false;
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

void TKyPeripheralForm::DrawField(TFieldId id, int value) {
  ensureBuilt();
  for (int i = 0; i < table_.count; ++i)
    if (table_.bindings[i].field == id && table_.bindings[i].kind != TCtlKind::Result)
      draw(table_.bindings[i], value, false);
}

void TKyPeripheralForm::draw(const TBinding& b, int value, bool shareable) {
  int v = value;
  if (!(b.hook && b.hook(*this, b, v))) DrawPlain(b, v);
  if (b.shared && shareable) PeripheralHub().DrawShared(*this, b.field, v);
}

void TKyPeripheralForm::DrawPlain(const TBinding& b, int value) {
  ensureBuilt();
  const TControls& c = controls_[static_cast<std::size_t>(indexOf(b))];
  const bool set = value == 1;
  switch (b.kind) {
    case TCtlKind::Mux: drawMux(b, c, value); return;
    case TCtlKind::List: drawList(b, c, value); return;
    case TCtlKind::Result: drawResult(b, c); return;
    case TCtlKind::Stepper: {
      const int s = value < b.options ? value : 0;
      for (std::size_t i = 0; i < c.on.size(); ++i) ShowDrawn(c.on[i], static_cast<int>(i) == s);
      if (c.list) c.list->setCurrentIndex(s < c.list->count() ? s : -1);
      return;
    }
    case TCtlKind::Flag:
      Paint(c.panel, set ? FlagSetColor() : ClearColor(), set ? WindowTextOnColor() : QColor(Qt::black));
      return;
    case TCtlKind::Panel:
    case TCtlKind::Pictures:
      PaintSet(c.panel, set);
      for (auto* p : c.setPictures) ShowDrawn(p, set);
      for (auto* p : c.clearPictures) ShowDrawn(p, !set);
      if (c.label && b.setText) c.label->setText(QString::fromUtf8(set ? b.setText : b.clearText));
      return;
  }
}

void TKyPeripheralForm::drawMux(const TBinding& b, const TControls& c, int value) {
  int chosen = value;
  if (value >= b.options) chosen = b.beyond == TBeyond::NoChoice ? -1 : 0;
  for (int i = 0; i < b.options; ++i) {
    const auto u = static_cast<std::size_t>(i);
    const bool on = i == chosen;
    ShowDrawn(c.on[u], on);
    ShowDrawn(c.off[u], !on);
    if (on) {
      Paint(c.optionLabels[u], ChosenOptionColor(), WindowTextOnColor());
    } else {
      Paint(c.optionLabels[u], ClearColor(), QColor(Qt::black));
    }
  }
  if (!c.list) return;
  if (b.codeFrom == TCodeFrom::Position) {
    c.list->setCurrentIndex(value < c.list->count() ? value : 0);
    return;
  }
  // The list may have gaps (refused options): find the entry by its code.
  const int code = value < b.entries ? value : 0;
  c.list->setCurrentIndex(CodeEntry(c.list, code));
}

void TKyPeripheralForm::drawList(const TBinding& b, const TControls& c, int value) {
  int v = value;
  bool keepText = false;
  const int limit = b.texts ? b.textCount : b.entries;
  if (v >= limit) {
    switch (b.beyond) {
      case TBeyond::Last: v = limit - 1; break;
      case TBeyond::Keep: keepText = true; break;
      default: v = 0; break;
    }
  }
  if (c.label && b.texts && !keepText) c.label->setText(QString::fromUtf8(b.texts[v]));
  if (c.list) c.list->setCurrentIndex(v < c.list->count() ? v : -1);
}

void TKyPeripheralForm::drawResult(const TBinding& b, const TControls& c) {
  if (!Model() || !c.label) return;
  const auto oh = static_cast<int>(b.field);
  const int32_t raw = AdcRawResult(*Model(), RegField(b.field), RegField(static_cast<TFieldId>(oh + 1)),
                                   RegField(static_cast<TFieldId>(oh + 2)));
  c.label->setText(QString::fromStdString(
      AdcResultText(raw, widthIndex_, mode_ == 1 ? TAdcTextMode::Dec : TAdcTextMode::Hex)));
}

// ---------------------------------------------------------------------------
// Handlers
// ---------------------------------------------------------------------------

void TKyPeripheralForm::ListChosen(int index, int entry) {
  ensureBuilt();
  if (!Model() || index < 0 || index >= table_.count) return;
  const TBinding& b = table_.bindings[index];
  const TControls& c = controls_[static_cast<std::size_t>(index)];
  TRegField& f = RegField(b.field);
  uint32_t code = static_cast<uint32_t>(entry < 0 ? 0 : entry);
  if (b.kind == TCtlKind::Mux && b.codeFrom == TCodeFrom::Text && c.list) {
    const QString text = c.list->itemText(entry);
    bool ok = false;
    const uint32_t parsed = text.toUInt(&ok, 2);
    code = ok ? parsed : 0;  // a text that is no binary code counts as 0
  }
  const uint32_t max = FieldMaxValue(f);
  if (code > max && b.refuse == TRefuse::Position && static_cast<uint32_t>(entry) <= max)
    code = static_cast<uint32_t>(entry);
  if (code > max) {
    // Refused: the list goes back to the cached entry, which is written again.
    draw(b, f.Cache, true);
    WriteField(*Model(), f, f.Cache);
    return;
  }
  f.Cache = static_cast<uint8_t>(code);
  draw(b, static_cast<int>(code), true);
  WriteField(*Model(), f, code);
  // A new VDDA voltage redraws the VDDA labels.
  if (b.field == table_.vddax && table_.vddaNames != TVddaNames::None) {
    for (int i = 0; i < table_.count; ++i)
      if (table_.bindings[i].hook == hooks::VddaLabel) {
        draw(table_.bindings[i], RegField(table_.bindings[i].field).Cache, true);
      }
  }
}

void TKyPeripheralForm::OptionClicked(int index, int option) {
  ensureBuilt();
  if (!Model() || index < 0 || index >= table_.count) return;
  const TBinding& b = table_.bindings[index];
  TRegField& f = RegField(b.field);
  // An option the field cannot hold is ignored (nothing would fit its bits).
  if (f.Width == 0 || static_cast<uint32_t>(option) > FieldMaxValue(f)) return;
  f.Cache = static_cast<uint8_t>(option);
  draw(b, option, true);
  WriteField(*Model(), f, static_cast<uint32_t>(option));
}

void TKyPeripheralForm::ToggleClicked(int index) {
  ensureBuilt();
  if (!Model() || index < 0 || index >= table_.count) return;
  chosenToggle_ = index;
  SetToggle(index, RegField(table_.bindings[index].field).Cache == 1 ? 0 : 1);
}

void TKyPeripheralForm::SetToggle(int index, int value) {
  ensureBuilt();
  if (!Model() || index < 0 || index >= table_.count) return;
  const TBinding& b = table_.bindings[index];
  TRegField& f = RegField(b.field);
  if (f.Width == 0) return;
  chosenToggle_ = index;
  f.Cache = static_cast<uint8_t>(value != 0 ? 1 : 0);
  WriteField(*Model(), f, f.Cache);
  draw(b, f.Cache, true);
}

void TKyPeripheralForm::StepperClicked(int index) {
  ensureBuilt();
  if (!Model() || index < 0 || index >= table_.count) return;
  const TBinding& b = table_.bindings[index];
  TRegField& f = RegField(b.field);
  if (f.Width == 0) return;
  uint32_t next = f.Cache + 1u;
  if (next > FieldMaxValue(f)) next = 0;
  f.Cache = static_cast<uint8_t>(next);
  draw(b, static_cast<int>(next), true);
  WriteField(*Model(), f, next);
}

void TKyPeripheralForm::ModeChosen(int mode) {
  ensureBuilt();
  if (!Model()) return;
  mode_ = mode == 1 ? 1 : 0;
  DataUpdate();
}

void TKyPeripheralForm::WidthChosen(int index) {
  ensureBuilt();
  if (!Model()) return;
  widthIndex_ = index < 0 ? 0 : (index > 16 ? 16 : index);
  DataUpdate();
}

void TKyPeripheralForm::SetDisplayChoice(int mode, int widthIndex) {
  choicePending_ = !built_;
  mode_ = mode == 1 ? 1 : 0;
  widthIndex_ = widthIndex < 0 ? 0 : (widthIndex > 16 ? 16 : widthIndex);
  if (modeList_) modeList_->setCurrentIndex(mode_);
  if (widthList_) widthList_->setCurrentIndex(widthIndex_);
}

void TKyPeripheralForm::ReadAdcClicked() {
  ensureBuilt();
  if (!Model()) return;
  const TBinding* r = nullptr;
  for (int i = 0; i < table_.count; ++i)
    if (table_.bindings[i].kind == TCtlKind::Result) r = &table_.bindings[i];
  // The simulator has no pod to ask: the model's result bytes are shown as they are.
  if (r && Modes().SimulatorMode == 0) {
    for (int k = 0; k < 3; ++k) {
      const TRegField& f = RegField(static_cast<TFieldId>(static_cast<int>(r->field) + k));
      if (f.Defined != 1) continue;  // a result byte the chip does not have
      Model()->WriteRegisterModel(f.Address, Model()->Pod().PodReadRegister(f.Address));
    }
  }
  DataUpdate();
}

// ---------------------------------------------------------------------------
// Helpers for the hooks
// ---------------------------------------------------------------------------

QWidget* TKyPeripheralForm::Control(const char* name) const {
  const_cast<TKyPeripheralForm*>(this)->ensureBuilt();
  return findChild<QWidget*>(QString::fromLatin1(name));
}

void TKyPeripheralForm::SetText(const char* name, const QString& text) {
  ensureBuilt();
  if (auto* l = findChild<QLabel*>(QString::fromLatin1(name))) l->setText(text);
}

void TKyPeripheralForm::SetShown(const char* name, bool shown) {
  ensureBuilt();
  ShowDrawn(Control(name), shown);
  updateNotes();
}

// The group of the labels without a field shows only while one of them does.
void TKyPeripheralForm::updateNotes() {
  if (!notes_) return;
  bool any = false;
  for (int i = 0; i < table_.extraCount; ++i) {
    if (table_.extras[i].group) continue;  // stands in a group of its own
    if (QWidget* w = Control(table_.extras[i].name)) any = any || !w->isHidden();
  }
  notes_->setVisible(any);
}

uint8_t TKyPeripheralForm::ReadFieldValue(TFieldId id) const {
  return Model() ? ReadField(*Model(), id) : 0;
}

bool TKyPeripheralForm::WriteFieldValue(TFieldId id, int value) {
  return Model() && value >= 0 && WriteField(*Model(), id, static_cast<uint32_t>(value));
}

const char* TKyPeripheralForm::ResultLabel() const {
  for (int i = 0; i < table_.count; ++i)
    if (table_.bindings[i].kind == TCtlKind::Result) return table_.bindings[i].label;
  return nullptr;
}

const TBinding* TKyPeripheralForm::BindingOf(TFieldId id) const {
  for (int i = 0; i < table_.count; ++i)
    if (table_.bindings[i].field == id) return &table_.bindings[i];
  return nullptr;
}

}  // namespace kyvor
