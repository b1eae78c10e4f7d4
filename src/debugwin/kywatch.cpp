#include "debugwin/kywatch.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "base/dialogs.h"
#include "base/lang_ids.h"
#include "base/numbers.h"
#include "base/outputfile.h"
#include "debugwin/ramdata.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool AskYesNo(const char* question) {
  return Dialogs().messageBox(question, "Confirm", MsgIcon::Question, MbYes | MbNo) ==
         MsgResult::Yes;
}

QListWidget* MakeList(QWidget* parent, const char* name) {
  auto* l = new QListWidget(parent);
  l->setObjectName(name);
  l->setSortingEnabled(true);
  l->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return l;
}

}  // namespace

// ---------------------------------------------------------------------------
// Add/remove dialog
// ---------------------------------------------------------------------------

TKy_ADDWCH::TKy_ADDWCH(QWidget* parent) : QDialog(parent) {
  setObjectName("Ky_ADDWCH");
  setWindowTitle("Add Watch");
  setMinimumSize(420, 255);
}

void TKy_ADDWCH::build() {
  if (list1_) return;
  list1_ = MakeList(this, "List1");
  list2_ = MakeList(this, "List2");
  edAdd_ = new QLineEdit(this);
  edDel_ = new QLineEdit(this);
  edAdd_->setObjectName("EdAdd");
  edDel_->setObjectName("EdDel");
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Watch List", this), 0, 0);
  grid->addWidget(new QLabel("Other Constant", this), 0, 2);
  grid->addWidget(list1_, 1, 0);
  grid->addWidget(list2_, 1, 2);
  auto* arrows = new QVBoxLayout;
  arrows->setSpacing(8);
  arrows->addStretch(1);
  const std::pair<const char*, void (TKy_ADDWCH::*)()> buttons[] = {
      {"<", &TKy_ADDWCH::MoveSelectedToWatches},
      {">", &TKy_ADDWCH::MoveSelectedFromWatches},
      {"<<", &TKy_ADDWCH::MoveAllToWatches},
      {">>", &TKy_ADDWCH::MoveAllFromWatches}};
  for (const auto& [caption, fn] : buttons) {
    auto* b = new QPushButton(caption, this);
    b->setFixedSize(28, 30);
    connect(b, &QPushButton::clicked, this, fn);
    arrows->addWidget(b);
  }
  arrows->addStretch(1);
  grid->addLayout(arrows, 1, 1);
  auto addRow = [this, grid](QLineEdit* edit, const char* caption, int col, bool toWatches) {
    auto* row = new QHBoxLayout;
    row->addWidget(edit);
    auto* b = new QPushButton(caption, this);
    row->addWidget(b);
    auto run = [this, edit, toWatches] {
      const std::string name = edit->text().toUpper().toStdString();
      if (toWatches ? MoveSymbolToWatches(name) : MoveSymbolFromWatches(name)) edit->clear();
    };
    connect(b, &QPushButton::clicked, this, run);
    connect(edit, &QLineEdit::returnPressed, this, run);
    grid->addLayout(row, 2, col);
  };
  addRow(edAdd_, "Add", 2, true);
  addRow(edDel_, "Del", 0, false);
  auto* ok = new QPushButton("&Ok", this);
  ok->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &QDialog::close);
  grid->addWidget(ok, 3, 1, 1, 1, Qt::AlignCenter);
  list1_->addItems(watchNames_);
  list2_->addItems(otherNames_);
  watchNames_.clear();
  otherNames_.clear();
}

void TKy_ADDWCH::setVisible(bool visible) {
  if (visible) build();
  QDialog::setVisible(visible);
}

QListWidget* TKy_ADDWCH::WatchList() {
  build();
  return list1_;
}

QListWidget* TKy_ADDWCH::OtherList() {
  build();
  return list2_;
}

QLineEdit* TKy_ADDWCH::AddEdit() {
  build();
  return edAdd_;
}

QLineEdit* TKy_ADDWCH::DelEdit() {
  build();
  return edDel_;
}

void TKy_ADDWCH::FillWatchSymbolLists(const TKy_UP& up) {
  QStringList others;
  for (int32_t i = 1; i <= up.SymbolCount(); ++i) {
    const TSymDefRecord* s = up.SymbolAt(i);
    if (s && (s->Kind == 'C' || s->Kind == 'D' || s->Kind == 'c' || s->Kind == 'd'))
      others << Q(s->Name);
  }
  if (!list1_) {
    watchNames_.clear();
    otherNames_ = others;
    return;
  }
  list1_->clear();
  list2_->clear();
  list2_->addItems(others);
}

bool TKy_ADDWCH::moveName(bool toWatches, const QString& name) {
  if (!list1_) {
    QStringList& from = toWatches ? otherNames_ : watchNames_;
    QStringList& to = toWatches ? watchNames_ : otherNames_;
    const qsizetype at = from.indexOf(name);
    if (at < 0) return false;
    to.append(from.takeAt(at));
    return true;
  }
  QListWidget* from = toWatches ? list2_ : list1_;
  QListWidget* to = toWatches ? list1_ : list2_;
  const auto found = from->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (found.isEmpty()) return false;
  to->addItem(from->takeItem(from->row(found.first())));
  return true;
}

bool TKy_ADDWCH::MoveSymbolToWatches(const std::string& name) {
  if (!moveName(true, Q(name))) return false;
  if (OnNotify) OnNotify(0, name);
  return true;
}

bool TKy_ADDWCH::MoveSymbolFromWatches(const std::string& name) {
  if (!moveName(false, Q(name))) return false;
  if (OnNotify) OnNotify(1, name);
  return true;
}

void TKy_ADDWCH::MoveSelectedToWatches() {
  for (QListWidgetItem* i : OtherList()->selectedItems())
    MoveSymbolToWatches(i->text().toStdString());
}

void TKy_ADDWCH::MoveSelectedFromWatches() {
  for (QListWidgetItem* i : WatchList()->selectedItems())
    MoveSymbolFromWatches(i->text().toStdString());
}

void TKy_ADDWCH::MoveAllToWatches() {
  build();
  while (list2_->count() > 0) MoveSymbolToWatches(list2_->item(0)->text().toStdString());
}

void TKy_ADDWCH::MoveAllFromWatches() {
  build();
  if (!AskYesNo("Delete All Watches?")) return;
  while (list1_->count() > 0) list2_->addItem(list1_->takeItem(0));
  if (OnNotify) OnNotify(1, std::string());
}

// ---------------------------------------------------------------------------
// Edit dialog
// ---------------------------------------------------------------------------

TKy_WCHEDIT::TKy_WCHEDIT(QWidget* parent) : QDialog(parent) {
  setObjectName("Ky_WCHEDIT");
  setWindowTitle("Edit Watch");
}

void TKy_WCHEDIT::build() {
  if (symbol_) return;
  symbol_ = new QLabel(this);
  value_ = new QLineEdit(this);
  btNormal_ = new QRadioButton("Normal", this);
  btBit_ = new QRadioButton("Bit", this);
  edit_ = new QLineEdit("000", this);
  list_ = new QListWidget(this);
  labModified_ = new QLabel("Modified", this);
  symbol_->setObjectName("Symbol");
  value_->setObjectName("Value");
  btNormal_->setObjectName("Bt_Normal");
  btBit_->setObjectName("Bt_Bit");
  edit_->setObjectName("Edit");
  list_->setObjectName("List");
  labModified_->setObjectName("Lab_Modified");
  value_->setReadOnly(true);
  btNormal_->setChecked(true);
  auto* form = new QGridLayout(this);
  form->addWidget(new QLabel("Symbol", this), 0, 0);
  form->addWidget(symbol_, 0, 1);
  form->addWidget(new QLabel("Value", this), 1, 0);
  form->addWidget(value_, 1, 1);
  auto* modes = new QHBoxLayout;
  modes->addWidget(btNormal_);
  modes->addWidget(btBit_);
  modes->addWidget(labModified_);
  form->addLayout(modes, 2, 0, 1, 2);
  form->addWidget(new QLabel("Refered", this), 3, 0);
  form->addWidget(edit_, 3, 1);
  form->addWidget(list_, 4, 0, 1, 2);
  auto* row = new QHBoxLayout;
  const std::pair<const char*, void (TKy_WCHEDIT::*)()> buttons[] = {
      {"&Ok", &TKy_WCHEDIT::OkClick},
      {"&Apply", &TKy_WCHEDIT::ApplyClick},
      {"&Restore", &TKy_WCHEDIT::RestoreClick}};
  for (const auto& [caption, fn] : buttons) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, fn);
    row->addWidget(b);
  }
  form->addLayout(row, 5, 0, 1, 2);
  connect(btBit_, &QRadioButton::clicked, this, [this] { SelectBitMode(true); });
  connect(btNormal_, &QRadioButton::clicked, this, [this] { SelectBitMode(false); });
  connect(edit_, &QLineEdit::textChanged, this, [this] {
    if (!showing_) setModified(true);
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { copySelectedName(); });
  list_->installEventFilter(this);
  list_->addItems(symbolNames_);
  symbolNames_.clear();
  // Every change of the dialog's state makes the controls first: they start
  // as the dialog does.
  SelectBitMode(false);
  setModified(false);
}

void TKy_WCHEDIT::setVisible(bool visible) {
  if (visible) build();
  QDialog::setVisible(visible);
}

QLineEdit* TKy_WCHEDIT::ValueEdit() {
  build();
  return value_;
}

QLineEdit* TKy_WCHEDIT::ReferenceEdit() {
  build();
  return edit_;
}

QLabel* TKy_WCHEDIT::SymbolLabel() {
  build();
  return symbol_;
}

QListWidget* TKy_WCHEDIT::SymbolList() {
  build();
  return list_;
}

QLabel* TKy_WCHEDIT::ModifiedLabel() {
  build();
  return labModified_;
}

bool TKy_WCHEDIT::BitMode() const { return bitMode_; }

void TKy_WCHEDIT::setModified(bool on) {
  modified_ = on;
  labModified_->setVisible(on);
}

void TKy_WCHEDIT::show(const TWatchEditView& view) {
  build();
  showing_ = true;
  symbol_->setText(Q(loaded_.Name));
  value_->setText(Q(view.Value));
  edit_->setText(Q(view.Reference));
  bitMode_ = view.BitMode;
  btBit_->setChecked(view.BitMode);
  btNormal_->setChecked(!view.BitMode);
  edit_->setEnabled(view.BitMode);
  list_->setEnabled(view.BitMode);
  showing_ = false;
  setModified(false);
}

void TKy_WCHEDIT::LoadWatchEditor(const TWatchRecord& record) {
  loaded_ = record;
  show(WatchEditViewOf(record));
}

void TKy_WCHEDIT::FillSymbolList(const TKy_UP& up) {
  QStringList names;
  for (int32_t i = 1; i <= up.SymbolCount(); ++i)
    if (const TSymDefRecord* s = up.SymbolAt(i)) names << Q(s->Name);
  if (!list_) {
    symbolNames_ = names;
    return;
  }
  list_->clear();
  list_->addItems(names);
}

bool TKy_WCHEDIT::SelectBitMode(bool bit) {
  build();
  // A bit watch needs a bit number: the symbol's value must be below 8.
  if (bit && HexStrToInt(value_->text().toStdString()) >= 8) {
    ++beeps_;
    QApplication::beep();
    bit = false;
  }
  const bool changed = bit != bitMode_;
  bitMode_ = bit;
  btBit_->setChecked(bit);
  btNormal_->setChecked(!bit);
  edit_->setEnabled(bit);
  list_->setEnabled(bit);
  if (changed && !showing_) setModified(true);
  return bit;
}

void TKy_WCHEDIT::copySelectedName() {
  if (QListWidgetItem* i = list_->currentItem()) edit_->setText(i->text());
}

bool TKy_WCHEDIT::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
      copySelectedName();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TKy_WCHEDIT::ApplyWatchEdit(const std::string& mark) {
  if (!up_) return false;
  build();
  TWatchRecord out;
  const std::string reference = edit_->text().toStdString();
  if (!MakeWatchEdit(*up_, loaded_, loaded_.Name, value_->text().toStdString(), BitMode(),
                     reference, mark, out)) {
    Dialogs().messageBox("Refered Address " + reference + " is error!", "Warning",
                         MsgIcon::Warning, MbOk);
    edit_->setFocus();
    return false;
  }
  loaded_ = out;
  if (OnApply) OnApply(out);
  return true;
}

void TKy_WCHEDIT::OkClick() {
  if (ApplyWatchEdit(loaded_.Mark)) close();
}

void TKy_WCHEDIT::ApplyClick() {
  if (ApplyWatchEdit(loaded_.Mark)) setModified(false);
}

void TKy_WCHEDIT::RestoreClick() { show(WatchEditViewOf(loaded_)); }

// ---------------------------------------------------------------------------
// Watch window
// ---------------------------------------------------------------------------

namespace {
constexpr int kRowHeight = 18;
const int kWidths[7] = {120, 80, 60, 120, 50, 50, 40};
const char* const kHeaders[7] = {"Name", "Addr", "", "Bin/Refered Symbol", "Reserve", "Length",
                                 "Type"};
const char* const kMenuItems[] = {"Add/Delete Watches", "Edit Watch", "Delete Watch",
                                  "Delete All Watches", "Hide Addr", "Load Properties",
                                  "Save Properties As", "Clear All Properties"};
const char* const kFormatItems[4] = {"Hex  (H --> L)", "Hex  (L --> H)", "Dec  (H --> L)",
                                     "Dec  (L --> H)"};
}  // namespace

TKy_WATCH::TKy_WATCH(QWidget* parent)
    : TKyDebugForm("Ky_WATCH", "Watch", parent), model_(new TKyGridModel(this)) {
  model_->SetSize(2, 7);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  buildMenus();
  updateRows();
  resize(420, 200);
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKyGrid* TKy_WATCH::Grid() {
  if (grid_) return grid_;
  grid_ = new TKyGrid(this, "SGD", model_, kRowHeight);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->SetColumnWidths(std::vector<int>(std::begin(kWidths), std::end(kWidths)));
  // Columns at least as wide as their headers (the value column: its longest).
  const QFontMetrics fm(grid_->font());
  grid_->setColumnWidth(2, std::max(kWidths[2], fm.horizontalAdvance("Dec(H --> L)") + 12));
  for (int c = 4; c < 7; ++c)
    grid_->setColumnWidth(c, std::max(kWidths[c], fm.horizontalAdvance(kHeaders[c]) + 12));
  layout()->addWidget(grid_);
  grid_->OnCurrentChanged = [this](const QModelIndex& i, const QModelIndex&) { onCurrentChanged(i); };
  grid_->OnDoubleClick = [this](const QModelIndex& i) { onDoubleClick(i); };
  grid_->OnKey = [this](QKeyEvent* e) { return onKey(e); };
  grid_->OnResize = [this] { updateRows(); };
  grid_->SetColumnSizing(true);
  // Only a sized column refits the window: a plain click leaves the place the
  // document area gave it.
  grid_->OnColumnSized = [this](int) { fitToColumns(); };
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { keepTopRow(); });
  // The header and three watches show at the least (the grid has rows for
  // all the height it gets).
  grid_->setMinimumHeight(2 * grid_->frameWidth() + 4 * (kRowHeight + 1) +
                          grid_->horizontalScrollBar()->sizeHint().height());
  fitValueColumn();
  return grid_;
}

void TKy_WATCH::ApplyMenuCaptions() {
  setWindowTitle(QString::fromStdString(LangTextUtf8(lt::MenuViewWatch)));
}

TKy_WATCH::~TKy_WATCH() {
  Ky_Lang().RemoveCaptionTarget(this);
  SaveToPropertiesFile();
}

void TKy_WATCH::buildMenus() {
  pMenu_ = new QMenu(this);
  pMenu_->setObjectName("PMenu");
  for (const char* item : kMenuItems) {
    const QString caption = item;
    QAction* a = pMenu_->addAction(caption, this, [this, caption] { MenuCommand(caption); });
    if (caption == "Delete Watch") {
      a->setShortcut(QKeySequence(Qt::ALT | Qt::Key_D));
      a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      addAction(a);
    }
    if (caption == "Hide Addr") {
      a->setCheckable(true);
      hideAddr_ = a;
    }
  }
  pMenu1_ = new QMenu(this);
  pMenu1_->setObjectName("PMenu1");
  for (int f = 0; f < 4; ++f) pMenu1_->addAction(kFormatItems[f], this, [this, f] { SetValueFormat(f); });
}

void TKy_WATCH::AttachDialogs(TKy_ADDWCH* add, TKy_WCHEDIT* edit) {
  add_ = add;
  edit_ = edit;
  if (add_) add_->OnNotify = [this](int op, const std::string& name) { notify(op, name); };
  if (edit_) {
    edit_->OnApply = [this](const TWatchRecord& r) { ApplyWatchRecord(r); };
    edit_->SetModel(Model());
  }
}

void TKy_WATCH::notify(int operation, const std::string& name) {
  if (operation == 0)
    AddWatch(name);
  else if (!name.empty())
    RemoveWatch(name);
  else
    ClearAllWatches();
  keepUserChange();
}

// What the user sets up goes to the file as soon as the events have run (a
// burst of changes, such as "<<", is written once), so that a lost program
// keeps it; a rebuild, which reads the file again, and leaving debug mode
// write what is still pending first.
void TKy_WATCH::keepUserChange() {
  if (loadingProperties_ || savePending_) return;
  savePending_ = true;
  QTimer::singleShot(0, this, &TKy_WATCH::WritePendingChanges);
}

void TKy_WATCH::WritePendingChanges() {
  if (!savePending_) return;
  savePending_ = false;
  SaveToPropertiesFile();
}

void TKy_WATCH::InitWatchWindow() {
  WritePendingChanges();
  ClearAllWatches();
  if (!Model()) return;
  table_.Init(*Model());
  AttachDialogs(add_, edit_);
  if (add_) add_->FillWatchSymbolLists(*Model());
  if (ramMarks_) LabelDataSymbols(*Model(), *ramMarks_, kDefaultMarkColour);
  if (edit_) edit_->FillSymbolList(*Model());
  const std::string project = WatchSettings().WatchListFileName;
  propertiesPath_ = !project.empty() ? project : OutputFileName(OutWatchFile);
  if (!propertiesPath_.empty()) LoadWatchProperties(propertiesPath_);
  updateRows();
  RefreshWatchValues();
}

bool TKy_WATCH::AddWatch(const std::string& name) {
  if (!table_.AddWatch(name)) return false;
  updateRows();
  RefreshWatchValues();
  return true;
}

bool TKy_WATCH::RemoveWatch(const std::string& name) {
  if (!table_.RemoveWatch(name)) return false;
  updateRows();
  paint();
  return true;
}

void TKy_WATCH::ClearAllWatches() {
  table_.ClearAllWatches();
  loadingProperties_ = false;
  updateRows();
  paint();
}

int TKy_WATCH::VisibleWatchRows() const {
  // A grid not made yet (the window never shown) has its least rows.
  if (!grid_) return 2;
  return std::max(2, (grid_->viewport()->height() - 1) / (kRowHeight + 1) + 1);
}

void TKy_WATCH::updateRows() {
  const int watches = int(table_.Watches().size());
  model_->SetSize(std::max(watches + 1, VisibleWatchRows()), 7);
  if (watches == 0 && edit_) edit_->close();
  keepTopRow();
  paint();
}

void TKy_WATCH::keepTopRow() {
  // The grid scrolls by rows: the scroll value is the top row.
  if (!grid_) return;
  QScrollBar* bar = grid_->verticalScrollBar();
  const int last = int(table_.Watches().size());
  if (bar->value() > last) bar->setValue(last);
}

int TKy_WATCH::widthOfColumns(int count) const {
  int width = 2 * grid_->frameWidth() + grid_->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < count; ++c) width += grid_->columnWidth(c);
  return width;
}

// A window is framed and shown with its grid made.
int TKy_WATCH::ContentWidth() const { return grid_ ? widthOfColumns(model_->columnCount()) : 0; }

void TKy_WATCH::fitToColumns() {
  const int width = widthOfColumns(4);
  const int delta = width - this->width();
  if (delta == 0) return;
  // The form follows the grid; in the document area that is its frame.
  QWidget* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!frame) frame = this;
  frame->resize(frame->width() + delta, frame->height());
  // A wider frame stays inside the document area: it moves left as far as needed.
  if (QWidget* area = frame != this ? frame->parentWidget() : nullptr) {
    const int over = frame->geometry().right() - area->rect().right();
    if (over > 0) frame->move(std::max(0, frame->x() - over), frame->y());
  }
}

void TKy_WATCH::paint() {
  const int format = WatchSettings().WatchValueFormat;
  for (int c = 0; c < 7; ++c) {
    TGridCell h;
    h.Text = c == 2 ? QString(WatchFormatName(format)) : QString(kHeaders[c]);
    h.Back = gridcolour::ButtonFace;
    model_->SetCell(0, c, h);
  }
  const auto& watches = table_.Watches();
  for (int row = 1; row < model_->rowCount(); ++row) {
    std::array<std::string, 7> text{};
    if (row <= int(watches.size())) {
      const TWatchRecord& w = watches[std::size_t(row - 1)];
      TWatchValue v;
      if (Model()) v = WatchValueOf(*Model(), w, format);
      text = {w.Name, w.Addr, v.Value, w.IsBitWatch() ? w.RefSymbol : v.Binary, w.Reserve,
              w.Length, w.Type};
    }
    for (int c = 0; c < 7; ++c) {
      TGridCell cell;
      cell.Text = Q(text[std::size_t(c)]);
      cell.Align = Qt::AlignLeft;
      model_->SetCell(row, c, cell);
    }
  }
  model_->Publish();
}

void TKy_WATCH::RefreshWatchValues() {
  noteRefresh(false);
  if (loadingProperties_) return;
  paint();
}

void TKy_WATCH::SetValueFormat(int format) {
  WatchSettings().WatchValueFormat = std::clamp(format, 0, 3);
  RefreshWatchValues();
}

void TKy_WATCH::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped:
    case TRefreshReason::RegisterWrite: RefreshWatchValues(); break;
    case TRefreshReason::DebugEntry: InitWatchWindow(); break;
    default: break;
  }
}

void TKy_WATCH::ApplyWatchRecord(const TWatchRecord& record) {
  const int change = table_.ApplyWatchRecord(record);
  // A new mark moves the name between the dialog's lists, which adds or
  // removes the watch.
  if (change > 0 && !(add_ && add_->MoveSymbolToWatches(record.Name))) AddWatch(record.Name);
  if (change < 0 && !(add_ && add_->MoveSymbolFromWatches(record.Name))) RemoveWatch(record.Name);
  updateRows();
  RefreshWatchValues();
  keepUserChange();
}

bool TKy_WATCH::SaveWatchProperties(const std::string& path) {
  return SaveWatchFile(path, table_);
}

bool TKy_WATCH::LoadWatchProperties(const std::string& path) {
  std::vector<TWatchPropertyLine> lines;
  if (!Model() || !ReadWatchFile(path, lines)) return false;
  loadingProperties_ = true;
  ApplyWatchFile(*Model(), lines, table_);
  loadingProperties_ = false;
  rebuildListsFromTable();
  updateRows();
  RefreshWatchValues();
  return true;
}

// The dialog's lists follow the tables after a file was applied.
void TKy_WATCH::rebuildListsFromTable() {
  if (!add_ || !Model()) return;
  add_->FillWatchSymbolLists(*Model());
  for (const TWatchRecord& w : table_.Watches()) {
    const auto found = add_->OtherList()->findItems(Q(w.Name), Qt::MatchExactly);
    if (!found.isEmpty()) delete found.first();
    add_->WatchList()->addItem(Q(w.Name));
  }
}

// The tables go back to the file they were loaded for, and only when there
// are any: a later main file or an empty table never replaces a ".pro".
void TKy_WATCH::SaveToPropertiesFile() {
  if (table_.All().empty() || propertiesPath_.empty()) return;
  SaveWatchFile(propertiesPath_, table_);
}

void TKy_WATCH::closeEvent(QCloseEvent* event) {
  if (add_) add_->close();
  SaveToPropertiesFile();
  TKyDebugForm::closeEvent(event);
}

void TKy_WATCH::resizeEvent(QResizeEvent* event) {
  TKyDebugForm::resizeEvent(event);
  if (grid_) fitValueColumn();
}

void TKy_WATCH::fitValueColumn() {
  // Column 3 takes the rest of the width: never below its own width, at most 200.
  const int fixed = widthOfColumns(3);
  grid_->setColumnWidth(3, std::clamp(width() - fixed, kWidths[3], 200));
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

bool TKy_WATCH::confirm(const char* question) { return AskYesNo(question); }

void TKy_WATCH::onCurrentChanged(const QModelIndex& index) {
  const int row = index.row();
  if (!edit_ || row < 1 || row > int(table_.Watches().size()) || index.column() > 3) return;
  TWatchRecord r = table_.Watches()[std::size_t(row - 1)];
  r.Mark.assign(1, 'A');  // assign(): GCC 12 gives a false -Wrestrict for = "A"
  edit_->LoadWatchEditor(r);
}

void TKy_WATCH::onDoubleClick(const QModelIndex& index) {
  const QPoint at = QCursor::pos();
  if (index.row() == 0 && index.column() == 2)
    pMenu1_->popup(at);
  else
    pMenu_->popup(at);
}

bool TKy_WATCH::onKey(QKeyEvent* e) {
  if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) return false;
  const int row = Grid()->currentIndex().row() - Grid()->rowAt(0);
  pMenu_->popup(mapToGlobal(QPoint(5, (row + 2) * (kRowHeight + 1) + 25)));
  return true;
}

void TKy_WATCH::MenuCommand(const QString& caption) {
  const int row = Grid()->currentIndex().row();
  const auto& watches = table_.Watches();
  if (caption == "Add/Delete Watches") {
    if (add_) {
      add_->show();
      add_->raise();
    }
  } else if (caption == "Edit Watch") {
    if (watches.empty() || !edit_) return;
    // The dialog shows the current watch (the first one when none is current).
    const QModelIndex at = Grid()->currentIndex();
    const bool onWatch = at.row() >= 1 && at.row() <= int(watches.size());
    onCurrentChanged(model_->index(onWatch ? at.row() : 1, 0));
    edit_->open();
  } else if (caption == "Delete Watch") {
    if (row < 1 || row > int(watches.size())) return;
    const std::string name = watches[std::size_t(row - 1)].Name;
    if (!(add_ && add_->MoveSymbolFromWatches(name))) RemoveWatch(name);
    keepUserChange();
  } else if (caption == "Delete All Watches") {
    if (!confirm("Delete All Watches?")) return;
    if (add_ && Model()) add_->FillWatchSymbolLists(*Model());
    ClearAllWatches();
    keepUserChange();
  } else if (caption == "Hide Addr") {
    Grid()->setColumnWidth(1, hideAddr_->isChecked() ? 0 : kWidths[1]);
  } else if (caption == "Load Properties") {
    auto path = Dialogs().openFileName("Load Properties", propertiesPath_, "*.pro|*.pro|*.*|*.*");
    if (path && LoadWatchProperties(*path)) keepUserChange();
  } else if (caption == "Save Properties As") {
    auto path = Dialogs().saveFileName("Save Properties", propertiesPath_, "*.pro|*.pro|*.*|*.*");
    if (!path) return;
    std::string p = *path;
    if (p.find('.', p.find_last_of('/') == std::string::npos ? 0 : p.find_last_of('/')) ==
        std::string::npos)
      p += ".pro";
    SaveWatchProperties(p);
  } else if (caption == "Clear All Properties") {
    if (!confirm("Clear All Properties?")) return;
    table_.ClearAllProperties();
    RefreshWatchValues();
    keepUserChange();
  }
}

}  // namespace kyvor
