#include "shell/source/source_view.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "base/dialogs.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "shell/editor/editor_texts.h"
#include "shell/editor/editorlink.h"
#include "shell/editor/find_dialogs.h"
#include "shell/editor/source_file_text.h"
#include "shell/mainwin/base_form.h"
#include "shell/editor/editor.h"
#include "shell/source/value_tip.h"

namespace kyvor {

namespace {

// Colours of the view (Delphi colour values are BGR: 0x0000FF is red).
const QColor kMarkBackground(0xC0, 0xC0, 0xC0);
const QColor kMarkText(0xFF, 0x00, 0x00);
const QColor kSimulatorPc(0x00, 0x80, 0x00);
const QColor kEmulatorPc(0x00, 0x00, 0xFF);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kBreakText(0xFF, 0x00, 0x00);
// The selected line (where F2 and the bookmark keys act).
const QColor kSelectedLine(0xDD, 0xE6, 0xF6);
const QColor kSelectedFrame(0x30, 0x50, 0x90);

constexpr int kTabColumns = 6;

// Tabs become 1..6 blanks, up to the next multiple of 6 of the text so far.
QString ExpandTabs(const QString& line) {
  QString out;
  out.reserve(line.size() + 8);
  for (QChar c : line) {
    if (c == QChar('\t')) {
      const int n = kTabColumns - static_cast<int>(out.size()) % kTabColumns;
      out.append(QString(n, QChar(' ')));
    } else {
      out.append(c);
    }
  }
  return out;
}

// The breakpoint sign: one character where the original code page used two bytes.
const QString kBreakSign = QString::fromUtf8("\u25C6");

QString SignText(TMarkSign s) {
  switch (s) {
    case TMarkSign::Breakpoint: return kBreakSign;
    case TMarkSign::NoCode: return QStringLiteral("- ");
    default: return QStringLiteral("  ");
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// The grid of the page shown: a model over the page's lines, a delegate that
// draws the cells as the view wants them, and the input of the grid.
// ---------------------------------------------------------------------------

class TSourcePageModel final : public QAbstractTableModel {
 public:
  explicit TSourcePageModel(TKy_Source& view) : QAbstractTableModel(&view), view_(view) {}
  void setPage(int page) {
    beginResetModel();
    page_ = page;
    endResetModel();
  }
  int page() const { return page_; }
  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    if (parent.isValid()) return 0;
    const TKy_Source::Page* p = view_.page(page_);
    return p ? std::max<int>(1, static_cast<int>(p->lines.size())) : 0;
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : 2;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const int line = index.row() + 1;
    return index.column() == 0 ? view_.MarkText(page_, line) : view_.LineText(page_, line);
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    // Only the text column can be selected.
    if (index.column() == 0) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  }
  void rowsChanged() {
    beginResetModel();
    endResetModel();
  }
  void lineChanged(int row) {
    emit dataChanged(index(row, 0), index(row, 1));
  }

 private:
  TKy_Source& view_;
  int page_ = 0;
};

namespace {

class TSourceDelegate final : public QStyledItemDelegate {
 public:
  TSourceDelegate(TKy_Source& view, TSourcePageModel& model)
      : QStyledItemDelegate(&view), view_(view), model_(model) {}
  void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
    const TKy_Source::TCellLook look = view_.CellLook(model_.page(), index.row(), index.column());
    p->save();
    p->fillRect(opt.rect, look.background);
    const bool selected = index.column() == 1 && index.row() + 1 == view_.CurrentSourceLine();
    if (selected && look.background == Qt::white) p->fillRect(opt.rect, kSelectedLine);
    p->setFont(index.column() == 0 ? view_.MarkFont() : opt.font);
    p->setPen(look.text);
    const QRect text = opt.rect.adjusted(2, 2, -1, 0);
    p->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                index.data(Qt::DisplayRole).toString());
    if (selected) {
      // A frame around the selected line, also on the program-counter line.
      QPen pen(look.background == Qt::white ? kSelectedFrame : QColor(Qt::white));
      pen.setStyle(Qt::DotLine);
      p->setPen(pen);
      p->drawRect(opt.rect.adjusted(0, 0, -1, -1));
    }
    p->restore();
  }

 private:
  TKy_Source& view_;
  TSourcePageModel& model_;
};

}  // namespace

class TSourceGrid final : public QTableView {
 public:
  explicit TSourceGrid(TKy_Source& view) : QTableView(&view), view_(view) {
    setObjectName("SourceGrid");
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setMouseTracking(true);
    setTabKeyNavigation(false);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    setContextMenuPolicy(Qt::CustomContextMenu);
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (view_.keyDown(e)) {
      e->accept();
      return;
    }
    QTableView::keyPressEvent(e);
  }
  void mousePressEvent(QMouseEvent* e) override {
    view_.lastMouseDown_ = e->position().toPoint();
    if (view_.OnMouseDown) view_.OnMouseDown();
    QTableView::mousePressEvent(e);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    view_.lastMouseDown_ = e->position().toPoint();
    view_.gridDoubleClick();
    e->accept();
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    view_.gridMouseMove(e->position().toPoint());
    QTableView::mouseMoveEvent(e);
  }
  void leaveEvent(QEvent* e) override {
    view_.hideTip();
    QTableView::leaveEvent(e);
  }
  void resizeEvent(QResizeEvent* e) override {
    QTableView::resizeEvent(e);
    setColumnWidth(0, TKy_Source::kMarkColumnWidth);
    setColumnWidth(1, std::max(1, viewport()->width() - TKy_Source::kMarkColumnWidth));
    view_.keepHighlightInView();
  }

 private:
  TKy_Source& view_;
};

// ---------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------

TKy_Source::TKy_Source(QWidget* parent)
    : TKyChildForm("Ky_Source", "View", parent),
      tabSet_(new QTabBar(this)),
      grid_(new TSourceGrid(*this)),
      model_(new TSourcePageModel(*this)),
      linePanel_(new QLabel(this)),
      sizePanel_(new QLabel(this)) {
  tabSet_->setObjectName("TabSet");
  tabSet_->setExpanding(false);
  tabSet_->setDrawBase(false);
  grid_->setModel(model_);
  grid_->setItemDelegate(new TSourceDelegate(*this, *model_));
  linePanel_->setObjectName("PST0");
  sizePanel_->setObjectName("PST1");
  linePanel_->setMinimumWidth(90);
  auto* status = new QStatusBar(this);
  status->setObjectName("PST");
  status->setSizeGripEnabled(false);
  status->addWidget(linePanel_);
  status->addWidget(sizePanel_, 1);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(0);
  lay->addWidget(tabSet_);
  lay->addWidget(grid_, 1);
  lay->addWidget(status);
  move(80, 0);
  resize(440, 360);
  ApplyEditorFont();

  connect(tabSet_, &QTabBar::currentChanged, this, [this](int index) {
    if (index >= 0 && index + 1 != model_->page()) ShowSourcePage(index + 1);
  });
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& cur, const QModelIndex&) {
            if (!cur.isValid()) return;
            if (Page* p = page(model_->page())) p->selectedRow = cur.row();
            showLinePanel(cur.row());
            grid_->viewport()->update();
          });
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { hideTip(); });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PreparePopupMenu();
    pMenu_->popup(grid_->viewport()->mapToGlobal(at));
  });
  buildMenus();
  ClearAddrMacroIndex();
  if (TKy_BASE* base = Ky_BASE())
    connect(base, &TKy_BASE::editorFontChanged, this, [this] { ApplyEditorFont(); });
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKy_Source::~TKy_Source() { Ky_Lang().RemoveCaptionTarget(this); }

QTableView* TKy_Source::Grid() const {
  fitRowHeight();
  return grid_;
}

void TKy_Source::buildMenus() {
  pMenu_ = new QMenu(this);
  pMenu_->setObjectName("PMenu");
  pMenuMark_ = pMenu_->addSeparator();
  pMenuMark_->setObjectName("PMenu_Mark");
  prevStBM_ = pMenu_->addMenu(QString());
  prevStBM_->setObjectName("PrevStBM");
  prevGoBM_ = pMenu_->addMenu(QString());
  prevGoBM_->setObjectName("PrevGoBM");
  for (int b = 0; b < kBookmarks; ++b) {
    stBM_[b] = prevStBM_->addAction(QString());
    stBM_[b]->setObjectName(QString("StBM%1").arg(b));
    stBM_[b]->setCheckable(true);
    connect(stBM_[b], &QAction::triggered, this, [this, b] {
      SetSourceBookmark(b, CurrentSourcePage(), CurrentSourceLine() - 1);
    });
    goBM_[b] = prevGoBM_->addAction(QString());
    goBM_[b]->setObjectName(QString("GoBM%1").arg(b));
    goBM_[b]->setCheckable(true);
    connect(goBM_[b], &QAction::triggered, this, [this, b] { GotoSourceBookmark(b); });
  }
  auto check = [this](std::array<QAction*, kBookmarks>& items) {
    for (int b = 0; b < kBookmarks; ++b) items[b]->setChecked(IsSourceBookmarkSet(b));
  };
  connect(prevStBM_, &QMenu::aboutToShow, this, [this, check] { check(stBM_); });
  connect(prevGoBM_, &QMenu::aboutToShow, this, [this, check] { check(goBM_); });
  pMenuPage_ = new QMenu(this);
  pMenuPage_->setObjectName("PMenuPage");
}

void TKy_Source::ApplySourceTitle() {
  QString title = EdText(lt::TitleSourceCode);
  const int n = CurrentSourcePage();
  if (n >= 1) title += " - " + QString::fromStdString(pages_[n - 1].path);
  setWindowTitle(title);
}

void TKy_Source::ApplySourcePopupCaptions() {
  const QString set = EdText(lt::PopupSetBookmark);
  const QString go = EdText(lt::PopupGotoBookmark);
  prevStBM_->setTitle(set);
  prevGoBM_->setTitle(go);
  for (int b = 0; b < kBookmarks; ++b) {
    stBM_[b]->setText(QStringLiteral("%1-%2    Ctrl+Shift+%2").arg(set).arg(b));
    goBM_[b]->setText(QStringLiteral("%1-%2    Ctrl+%2").arg(go).arg(b));
  }
}

void TKy_Source::ApplyEditorFont() {
  QFont f = Ky_BASE() ? Ky_BASE()->EditorFont() : DefaultEditorFont();
  grid_->setFont(f);
  // The rows take the font's height when they are first needed (before the
  // view shows or scrolls), so a font replaced before then is not measured.
  rowHeightPending_ = true;
  markFont_ = f;
  markFontFitted_ = false;
  if (tipLabel_) tipLabel_->setFont(f);
}

void TKy_Source::fitRowHeight() const {
  if (!rowHeightPending_) return;
  rowHeightPending_ = false;
  const QFont f = grid_->font();
  const int size = f.pointSize() > 0 ? f.pointSize() : 11;
  const int height = std::max(size + size / 4 + size / 2 + 2, QFontMetrics(f).height() + 2);
  grid_->verticalHeader()->setDefaultSectionSize(height);
  grid_->verticalHeader()->setMinimumSectionSize(height);
}

const QFont& TKy_Source::MarkFont() const {
  if (markFontFitted_) return markFont_;
  // The mark column is 36 pixels wide: its four characters use the same
  // font, made smaller when they would not fit.
  const QString widest = QStringLiteral("-  8");
  while (QFontMetrics(markFont_).horizontalAdvance(widest) > kMarkColumnWidth - 4 &&
         markFont_.pointSizeF() > 5)
    markFont_.setPointSizeF(markFont_.pointSizeF() - 0.5);
  markFontFitted_ = true;
  return markFont_;
}

// ---------------------------------------------------------------------------
// Pages
// ---------------------------------------------------------------------------

TKy_Source::Page* TKy_Source::page(int n) {
  return (n >= 1 && n <= SourcePageCount()) ? &pages_[static_cast<size_t>(n - 1)] : nullptr;
}

const TKy_Source::Page* TKy_Source::page(int n) const {
  return (n >= 1 && n <= SourcePageCount()) ? &pages_[static_cast<size_t>(n - 1)] : nullptr;
}

int TKy_Source::AddSourcePage(const std::string& path) {
  if (SourcePageCount() >= kMaxPages || !tables_.AddPage(0)) return 0;
  Page p;
  p.path = path;
  pages_.push_back(std::move(p));
  tabSet_->addTab(QString::fromStdString(PageFileName(SourcePageCount())));
  if (!tip_) {
    // The value tip, made with the first page.
    tip_ = new QFrame(this);
    tip_->setObjectName("ValueTip");
    tip_->setFrameShape(QFrame::Box);
    tip_->setAutoFillBackground(true);
    QPalette pal = tip_->palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
    tip_->setPalette(pal);
    tip_->resize(49, 25);
    tipLabel_ = new QLabel(" ", tip_);
    tipLabel_->setObjectName("ValueTipLabel");
    tipLabel_->setFont(grid_->font());
    tipLabel_->setGeometry(8, 8, 29, 15);
    tip_->hide();
  }
  return SourcePageCount();
}

bool TKy_Source::LoadSourceFile(const std::string& path) {
  const int n = AddSourcePage(path);
  if (n == 0) {
    Dialogs().messageBox(LangTextUtf8(lt::TooManyFiles) + std::to_string(kMaxPages) +
                             LangTextUtf8(lt::TooManyFilesEnd),
                         "Error", MsgIcon::Error, MbCancel);
    return false;
  }
  // The file is decoded as the editor decodes it (Big5, or UTF-8 when it is
  // no Big5), so both show the same characters.
  TEdTextFile file;
  if (!ReadTextFile(QString::fromStdString(path), file)) return false;
  QStringList raw = file.text.split(QChar('\n'));
  // A final line break ends the last line; it starts no line of its own.
  if (raw.size() > 1 && raw.back().isEmpty()) raw.removeLast();
  Page& p = pages_[static_cast<size_t>(n - 1)];
  p.lines.reserve(static_cast<size_t>(raw.size()));
  for (const QString& l : raw) {
    Line line;
    line.text = ExpandTabs(l);
    p.lines.push_back(std::move(line));
  }
  if (p.lines.empty()) p.lines.emplace_back();
  const int count = static_cast<int>(p.lines.size());
  for (int line = 1; line <= count; ++line) {
    tables_.SetLineInfo(n, line, -1, 0);
    tables_.SetLineInfo(n, line, 0, 1);
  }
  if (model_->page() == n) model_->rowsChanged();
  return true;
}

void TKy_Source::ClearSourcePages() {
  hideTip();
  pages_.clear();
  tables_.ClearPages();
  macroCursor_ = 0;
  highlightPage_ = highlightLine_ = prevHighlightPage_ = prevHighlightLine_ = 0;
  const QSignalBlocker block(tabSet_);
  while (tabSet_->count() > 0) tabSet_->removeTab(0);
  model_->setPage(0);
  linePanel_->clear();
  ApplySourceTitle();
}

bool TKy_Source::ShowSourcePage(int n) {
  if (n < 1 || n > SourcePageCount()) return false;
  {
    const QSignalBlocker block(tabSet_);
    tabSet_->setCurrentIndex(n - 1);
  }
  if (model_->page() != n) {
    model_->setPage(n);
    ApplySourceTitle();
  }
  grid_->scrollToTop();
  const Page* p = page(n);
  const int row = std::clamp(p->selectedRow, 0, std::max(0, RowCount(n) - 1));
  grid_->setCurrentIndex(model_->index(row, 1));
  grid_->scrollToTop();
  return true;
}

int TKy_Source::VisibleRowCount() const {
  if (pages_.empty()) return 0;
  fitRowHeight();
  const int h = grid_->verticalHeader()->defaultSectionSize();
  return grid_->viewport()->height() / std::max(1, h) + 1;
}

int TKy_Source::CurrentSourcePage() const { return pages_.empty() ? 0 : model_->page(); }

int TKy_Source::CurrentSourceLine() const {
  const Page* p = page(model_->page());
  return p ? p->selectedRow + 1 : 0;
}

std::string TKy_Source::PageFileName(int n) const {
  const Page* p = page(n);
  if (!p) return std::string();
  const size_t cut = p->path.find_last_of("/\\");
  return cut == std::string::npos ? p->path : p->path.substr(cut + 1);
}

std::string TKy_Source::PagePath(int n) const {
  const Page* p = page(n);
  return p ? p->path : std::string();
}

int TKy_Source::RowCount(int n) const {
  const Page* p = page(n);
  return p ? std::max<int>(1, static_cast<int>(p->lines.size())) : 0;
}

QString TKy_Source::LineText(int n, int line) const {
  const Page* p = page(n);
  if (!p || line < 1 || line > static_cast<int>(p->lines.size())) return QString();
  return p->lines[static_cast<size_t>(line - 1)].text;
}

TMarkSign TKy_Source::MarkSign(int n, int line) const {
  const Page* p = page(n);
  if (!p || line < 1 || line > static_cast<int>(p->lines.size())) return TMarkSign::NoCode;
  return p->lines[static_cast<size_t>(line - 1)].sign;
}

QString TKy_Source::MarkText(int n, int line) const {
  const Page* p = page(n);
  if (!p) return QString();
  if (line < 1 || line > static_cast<int>(p->lines.size())) return QStringLiteral("-   ");
  const Line& l = p->lines[static_cast<size_t>(line - 1)];
  return SignText(l.sign) + QChar(' ') +
         (l.bookmark >= 0 ? QChar('0' + l.bookmark) : QChar(' '));
}

void TKy_Source::redrawPage(int n) {
  if (n == model_->page()) grid_->viewport()->update();
}

void TKy_Source::AppendDisassemblyLine(int n, int row, const std::string& text) {
  Page* p = page(n);
  if (!p || row < 0) return;
  if (static_cast<int>(p->lines.size()) < row + 1) p->lines.resize(static_cast<size_t>(row) + 1);
  Line& l = p->lines[static_cast<size_t>(row)];
  l.text = QString::fromStdString(text);
  l.sign = TMarkSign::NoCode;
  l.bookmark = -1;
  p->lines.resize(static_cast<size_t>(row) + 1);
  SetLineInfo(n, row + 1, row, 0);
  if (n == model_->page()) model_->rowsChanged();
}

// ---------------------------------------------------------------------------
// Line tables
// ---------------------------------------------------------------------------

int TKy_Source::lastProgramAddress() const { return LastProgramAddress(); }

bool TKy_Source::inProgram(int64_t address) const {
  return address >= 0 && address <= lastProgramAddress();
}

bool TKy_Source::CreateMacroTable() {
  tables_.SetLastProgramAddress(lastProgramAddress());
  return tables_.CreateMacroTable();
}

void TKy_Source::PutMacroRecord(int n, const TMacroExpansionRecord& record) {
  tables_.PutMacroRecord(n, record);  // numbers outside 1..4096 are ignored
}

bool TKy_Source::SetAddrMacroIndex(int32_t address, int32_t n) {
  tables_.SetLastProgramAddress(lastProgramAddress());
  return tables_.SetAddrMacroIndex(address, n);
}

int32_t TKy_Source::GetAddrMacroIndex(int32_t address) const {
  return tables_.GetAddrMacroIndex(address);
}

void TKy_Source::ClearAddrMacroIndex() {
  tables_.SetLastProgramAddress(lastProgramAddress());
  tables_.ClearAddrMacroIndex();
}

void TKy_Source::SetLineInfo(int n, int line, int32_t value, int slot) {
  if (!tables_.SetLineInfo(n, line, value, slot)) return;
  refreshMark(n, line);
}

void TKy_Source::refreshMark(int n, int line) {
  Page* p = page(n);
  if (!p || line < 1 || line > static_cast<int>(p->lines.size())) return;
  Line& l = p->lines[static_cast<size_t>(line - 1)];
  l.sign = tables_.LineHasNoCode(n, line) ? TMarkSign::NoCode : TMarkSign::Blank;
  l.bookmark = -1;
  if (n == model_->page()) model_->lineChanged(line - 1);
}

bool TKy_Source::GetMacroRange(int32_t& start, int32_t& end) const {
  if (macroCursor_ == 0) return false;
  const TMacroExpansionRecord* r = tables_.GetMacroRecord(macroCursor_);
  if (!r) return false;
  start = r->MacroStartAddr;
  end = r->MacroEndAddr;
  return true;
}

bool TKy_Source::IsInMacro() const {
  return macroCursor_ != 0 && tables_.GetMacroRecord(macroCursor_) != nullptr;
}

// ---------------------------------------------------------------------------
// Program-counter line
// ---------------------------------------------------------------------------

void TKy_Source::ShowPCLine(uint32_t pc, bool follow) {
  lastPc_ = pc;
  macroCursor_ = 0;
  TKy_UP* up = Model();
  const bool known = up && up->State().InProgram(pc);
  const int f = known ? up->GetSourceFileIndex(pc) : 0;
  const int l = known ? up->GetSourceLine(pc) : 0;
  if (l == 0) {
    highlightLine_ = 0;
    CentreOnLine(prevHighlightLine_);
    redrawPage(model_->page());
    prevHighlightLine_ = 0;
    return;
  }
  if (!follow) {
    HighlightLine(f + 1, l);
    return;
  }
  if (!ShowSourcePage(f + 1)) return;
  int page = f + 1;
  int line = l;
  walkToTop(pc, page, line);
  HighlightLine(page, line);
}

// From the macro record of the address up to the top-level call: a call
// whose expansion starts with a nested call sets the macro cursor and the
// target becomes that call line; a call with code of its own keeps the
// target. The walk ends after a bounded number of steps.
void TKy_Source::walkToTop(uint32_t address, int& page, int& line) {
  int n = tables_.GetAddrMacroIndex(static_cast<int32_t>(address));
  for (int steps = 0; steps < kMaxMacroWalk; ++steps) {
    const TMacroExpansionRecord* r = tables_.GetMacroRecord(n);
    if (!r) return;
    if (r->ParentRecNo != n) {
      n = r->ParentRecNo;
      continue;
    }
    if (r->Nested == 0) return;
    macroCursor_ = n;
    page = r->ParentFile + 1;
    line = r->ParentLine;
    return;
  }
}

void TKy_Source::ShowAddressLine(uint32_t address) { ShowPCLine(address, true); }

void TKy_Source::ShowPageOfAddress(uint32_t address) {
  TKy_UP* up = Model();
  if (!up || !up->State().InProgram(address)) return;
  const int line = up->GetSourceLine(address);
  if (line <= 0) return;
  if (!ShowSourcePage(up->GetSourceFileIndex(address) + 1)) return;
  SelectRow(line - 1);
  CentreOnLine(line);
}

bool TKy_Source::TraceMacroLine() {
  if (macroCursor_ == 0) return false;
  const TMacroExpansionRecord* r = tables_.GetMacroRecord(macroCursor_);
  if (!r) {
    macroCursor_ = 0;
    return false;
  }
  macroCursor_ = r->ChildRecNo;
  if (r->Nested == 1) {
    HighlightLine(r->ChildFile + 1, r->ChildLine);
    if (const TMacroExpansionRecord* next = tables_.GetMacroRecord(macroCursor_)) {
      if (next->Nested == 0) macroCursor_ = 0;
      return true;
    }
  }
  macroCursor_ = 0;
  return false;
}

void TKy_Source::HighlightLine(int n, int line) {
  highlightPage_ = n;
  highlightLine_ = line;
  if (prevHighlightPage_ > 0) ShowSourcePage(prevHighlightPage_);
  if (n > 0 && line > 0) ShowSourcePage(n);
  prevHighlightPage_ = n;
  prevHighlightLine_ = line;
  CentreOnLine(line);
  if (line > 0) SelectRow(line - 1);
}

void TKy_Source::CentreOnLine(int line) {
  if (line <= 0 || line > RowCount(model_->page())) return;
  fitRowHeight();
  const int h = std::max(1, grid_->verticalHeader()->defaultSectionSize());
  const int t = line - (grid_->viewport()->height() / h) / 2;
  const int top = t <= 0 ? 0 : t - 1;
  grid_->verticalScrollBar()->setValue(top);
  grid_->viewport()->update();
}

int TKy_Source::TopRow() const { return grid_->verticalScrollBar()->value(); }

// A smaller window (tiling, a window beside it) keeps the PC line on the screen.
void TKy_Source::keepHighlightInView() {
  if (highlightLine_ <= 0 || highlightPage_ != model_->page()) return;
  const int top = TopRow();
  const int rows = std::max(1, VisibleRowCount() - 1);
  if (highlightLine_ - 1 < top || highlightLine_ - 1 >= top + rows) CentreOnLine(highlightLine_);
}

void TKy_Source::SelectRow(int row) {
  Page* p = page(model_->page());
  if (!p) return;
  row = std::clamp(row, 0, RowCount(model_->page()) - 1);
  p->selectedRow = row;
  fitRowHeight();
  const int top = grid_->verticalScrollBar()->value();
  grid_->setCurrentIndex(model_->index(row, 1));
  // Selecting keeps the place the caller scrolled to.
  grid_->verticalScrollBar()->setValue(top);
  showLinePanel(row);
  grid_->viewport()->update();
}

// ---------------------------------------------------------------------------
// Breakpoints
// ---------------------------------------------------------------------------

void TKy_Source::SetBreakpointMark(int n, int line, bool on) {
  Page* p = page(n);
  if (!p || line < 1 || line > static_cast<int>(p->lines.size())) return;
  const int32_t slot0 = tables_.GetLineInfo(n, line, 0);
  const bool hasCode = static_cast<uint32_t>(slot0) != kNoCode ||
                       static_cast<uint32_t>(tables_.FirstCodeAddress(
                           tables_.GetLineInfo(n, line, 1))) != kNoCode;
  if (!hasCode) return;
  p->lines[static_cast<size_t>(line - 1)].sign = on ? TMarkSign::Breakpoint : TMarkSign::Blank;
  if (n == model_->page()) model_->lineChanged(line - 1);
}

void TKy_Source::MarkBreakpointAtAddress(uint32_t address, bool on) {
  TKy_UP* up = Model();
  if (!up || !up->State().InProgram(address)) return;
  const int line = up->GetSourceLine(address);
  if (line <= 0) return;
  const int n = up->GetSourceFileIndex(address) + 1;
  if (!ShowSourcePage(n)) return;
  CentreOnLine(line);
  SetBreakpointMark(n, line, on);
}

bool TKy_Source::HasBreakMark(int n, int line) const {
  return MarkSign(n, line) == TMarkSign::Breakpoint && page(n) &&
         line <= static_cast<int>(page(n)->lines.size());
}

int32_t TKy_Source::snapToFirstWord(int32_t a) const {
  TKy_UP* up = Model();
  if (!up || !inProgram(a)) return a;
  uint8_t kind = 0, noReg = 0;
  int count = 0, o1 = 0, o2 = 0, o3 = 0;
  if (up->DecodeInstruction(up->ReadProgramWord(static_cast<uint32_t>(a)), kind, noReg, count, o1,
                            o2, o3) &&
      kind == ik::NOPF && a != 0)
    return a - 1;
  return a;
}

void TKy_Source::ToggleBreakpointAtRow(int row) {
  TKy_UP* up = Model();
  const int n = CurrentSourcePage();
  const int line = row + 1;
  if (!up || !page(n) || line < 1 || line > static_cast<int>(page(n)->lines.size())) return;
  if (MarkSign(n, line) == TMarkSign::NoCode) return;
  // -1 (a line of a macro body) is no address of the line, like 0xFFFFF.
  const int32_t a = tables_.GetLineInfo(n, line, 0);
  if (inProgram(a)) {
    const int32_t at = snapToFirstWord(a);
    up->SetBreakpoint(at, 1, up->GetBreakpointFlag(uint32_t(at), 1) == 0);
  } else {
    const int32_t c = tables_.FirstCodeAddress(tables_.GetLineInfo(n, line, 1));
    if (!inProgram(c)) return;
    const int32_t at = snapToFirstWord(c);
    up->SetBreakpoint(at, 2, up->GetBreakpointFlag(uint32_t(at), 2) == 0, n, line);
  }
  if (OnBreakpointsToggled) OnBreakpointsToggled();
}

void TKy_Source::ToggleBreakpointAtLine(int n, int line) {
  TKy_UP* up = Model();
  if (!up || !page(n) || line < 1 || line > static_cast<int>(page(n)->lines.size())) return;
  int32_t a = tables_.GetLineInfo(n, line, 0);
  if (!inProgram(a)) a = tables_.FirstCodeAddress(tables_.GetLineInfo(n, line, 1));
  if (!inProgram(a)) return;
  const int32_t at = snapToFirstWord(a);
  up->SetBreakpoint(at, 2, up->GetBreakpointFlag(uint32_t(at), 2) == 0, n, line);
}

void TKy_Source::DimSource() {
  textColour_ = kGrey;
  grid_->viewport()->update();
}

void TKy_Source::UndimSource() {
  textColour_ = Qt::black;
  grid_->viewport()->update();
}

TKy_Source::TCellLook TKy_Source::CellLook(int n, int row, int column) const {
  if (column == 0) return {kMarkBackground, kMarkText};
  if (n == highlightPage_ && row + 1 == highlightLine_)
    return {Modes().SimulatorMode == 1 ? kSimulatorPc : kEmulatorPc, Qt::white};
  if (MarkSign(n, row + 1) == TMarkSign::Breakpoint) return {Qt::white, kBreakText};
  return {Qt::white, textColour_};
}

// ---------------------------------------------------------------------------
// Bookmarks
// ---------------------------------------------------------------------------

void TKy_Source::SetSourceBookmark(int b, int n, int row) {
  if (b < 0 || b >= kBookmarks) return;
  TSourceBookmark& bm = bookmarks_[static_cast<size_t>(b)];
  if (bm.IsSet) {
    const bool same = bm.Page == n && bm.Row == row;
    ClearSourceBookmark(b);
    if (same) return;
  }
  Page* p = page(n);
  if (!p || row < 0 || row >= static_cast<int>(p->lines.size())) return;
  bm.IsSet = 1;
  bm.Page = n;
  bm.Row = row;
  p->lines[static_cast<size_t>(row)].bookmark = static_cast<int8_t>(b);
  if (n == model_->page()) model_->lineChanged(row);
}

void TKy_Source::ClearSourceBookmark(int b) {
  if (b < 0 || b >= kBookmarks) return;
  TSourceBookmark& bm = bookmarks_[static_cast<size_t>(b)];
  if (Page* p = page(bm.Page); p && bm.IsSet && bm.Row >= 0 &&
                               bm.Row < static_cast<int>(p->lines.size())) {
    Line& l = p->lines[static_cast<size_t>(bm.Row)];
    if (l.bookmark == b) l.bookmark = -1;
    if (bm.Page == model_->page()) model_->lineChanged(bm.Row);
  }
  bm.IsSet = 0;
}

void TKy_Source::GotoSourceBookmark(int b) {
  if (!IsSourceBookmarkSet(b)) return;
  const TSourceBookmark& bm = bookmarks_[static_cast<size_t>(b)];
  if (!ShowSourcePage(bm.Page)) return;
  SelectRow(bm.Row);
  CentreOnLine(bm.Row + 1);
  showLinePanel(bm.Row);
}

bool TKy_Source::IsSourceBookmarkSet(int b) const {
  return b >= 0 && b < kBookmarks && bookmarks_[static_cast<size_t>(b)].IsSet;
}

TSourceBookmark TKy_Source::Bookmark(int b) const {
  return (b >= 0 && b < kBookmarks) ? bookmarks_[static_cast<size_t>(b)] : TSourceBookmark{};
}

void TKy_Source::ImportEditorBookmarks(const IEditorPages& editor) {
  for (int b = 0; b < kBookmarks; ++b) ClearSourceBookmark(b);
  for (int n = 1; n <= SourcePageCount(); ++n) {
    const QString path = QString::fromStdString(pages_[static_cast<size_t>(n - 1)].path);
    for (int b = 0; b < kBookmarks; ++b) {
      int line = 0;
      std::string where;
      if (!editor.GetBookmark(b, line, where)) continue;
      if (QString::fromStdString(where).compare(path, Qt::CaseInsensitive) == 0)
        SetSourceBookmark(b, n, line);
    }
  }
}

// ---------------------------------------------------------------------------
// Keys, mouse and menus
// ---------------------------------------------------------------------------

bool TKy_Source::keyDown(const QKeyEvent* e) {
  if (pages_.empty()) return false;
  const int key = e->key();
  const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                      Qt::AltModifier | Qt::MetaModifier);
  const int digit = BookmarkDigit(e);
  if (key == Qt::Key_Home && mods == Qt::ControlModifier) {
    grid_->scrollToTop();
    SelectRow(0);
    return true;
  }
  if (digit >= 0 && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
    SetSourceBookmark(digit, CurrentSourcePage(), CurrentSourceLine() - 1);
    return true;
  }
  if (mods == Qt::ControlModifier && key >= Qt::Key_0 && key <= Qt::Key_9) {
    GotoSourceBookmark(digit);
    return true;
  }
  if (mods == Qt::ControlModifier && key == Qt::Key_F9) {
    if (OnStopAndCheck) OnStopAndCheck();
    return true;
  }
  return false;
}

void TKy_Source::gridDoubleClick() {
  const QModelIndex at = grid_->indexAt(lastMouseDown_);
  if (!at.isValid() || at.column() != 0) return;
  ToggleBreakpointAtRow(at.row());
}

void TKy_Source::showLinePanel(int row) {
  linePanel_->setText(QString::asprintf(" Line: %d", row + 1));
}

std::string TKy_Source::LinePanel() const { return linePanel_->text().toStdString(); }

void TKy_Source::SetStatusPanel(const std::string& text) {
  sizePanel_->setText(QString::fromStdString(text));
}

std::string TKy_Source::StatusPanel() const { return sizePanel_->text().toStdString(); }

void TKy_Source::fillPageItems(QMenu* menu, QAction* before) {
  std::vector<std::pair<QString, int>> items;
  for (int n = 1; n <= SourcePageCount(); ++n)
    items.emplace_back(EdText(lt::FilePrefix) + QString::fromStdString(PageFileName(n)), n);
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
  });
  for (const auto& [caption, n] : items) {
    auto* action = new QAction(caption, menu);
    // Each item is bound to its page (two files may share a name).
    action->setData(n);
    connect(action, &QAction::triggered, this, [this, page = n] { ShowSourcePage(page); });
    menu->insertAction(before, action);
  }
}

void TKy_Source::PreparePopupMenu() {
  for (QAction* a : pMenu_->actions()) {
    if (a == pMenuMark_) break;
    pMenu_->removeAction(a);
    a->deleteLater();
  }
  fillPageItems(pMenu_, pMenuMark_);
}

void TKy_Source::PopupSourcePageMenu(int x, int y) {
  for (QAction* a : pMenuPage_->actions()) {
    pMenuPage_->removeAction(a);
    a->deleteLater();
  }
  fillPageItems(pMenuPage_, nullptr);
  pMenuPage_->popup(QPoint(x, y));
}

// ---------------------------------------------------------------------------
// Find
// ---------------------------------------------------------------------------

void TKy_Source::ShowSourceFindDialog() {
  if (Ky_NFind().ExecuteFindOver(*this)) FindNextInSource();
}

bool TKy_Source::FindNextInSource() { return FindNextInSource(Ky_NFind().FindText()); }

bool TKy_Source::FindNextInSource(const QString& text) {
  const int n = CurrentSourcePage();
  const Page* p = page(n);
  if (text.isEmpty() || !p) return false;
  for (int row = p->selectedRow + 1; row < static_cast<int>(p->lines.size()); ++row) {
    if (ContainsTextIgnoreCase(p->lines[static_cast<size_t>(row)].text, text)) {
      SelectRow(row);
      grid_->scrollTo(model_->index(row, 1));
      return true;
    }
  }
  return false;
}

bool TKy_Source::ContainsTextIgnoreCase(const QString& line, const QString& text) {
  return line.toUpper().contains(text.toUpper());
}

// ---------------------------------------------------------------------------
// Value tip
// ---------------------------------------------------------------------------

int32_t TKy_Source::codeWordAtLine(int fileIndex, int line) const {
  TKy_UP* up = Model();
  if (!up) return -1;
  const int last = lastProgramAddress();
  for (int a = 0; a <= last; ++a) {
    if (up->GetSourceFileIndex(uint32_t(a)) != fileIndex || up->GetSourceLine(uint32_t(a)) != line)
      continue;
    if (tables_.GetMacroRecord(tables_.GetAddrMacroIndex(a))) return -1;
    return up->ReadProgramWord(uint32_t(a));
  }
  return -1;
}

QString TKy_Source::ValueTipText(int row, int x) const {
  const int n = CurrentSourcePage();
  const Page* p = page(n);
  TKy_UP* up = Model();
  if (!p || !up || row <= 0 || row >= static_cast<int>(p->lines.size())) return QString();
  if (p->lines[static_cast<size_t>(row)].sign == TMarkSign::NoCode) return QString();
  const int32_t word = codeWordAtLine(n - 1, row + 1);
  if (word < 0) return QString();
  const int charWidth = std::max(1, QFontMetrics(grid_->font()).horizontalAdvance(QChar('0')));
  const std::string text = p->lines[static_cast<size_t>(row)].text.toStdString();
  return QString::fromStdString(
      HoverValueText(*up, text, static_cast<uint16_t>(word), x / charWidth));
}

QString TKy_Source::ValueTipLabel() const { return tipLabel_ ? tipLabel_->text() : QString(); }

void TKy_Source::setTipText(const QString& text) {
  if (!tip_ || tipLabel_->text() == text) return;
  tipLabel_->setText(text);
  // The panel is the text and 8 pixels around it.
  const QFontMetrics fm(tipLabel_->font());
  tipLabel_->setGeometry(8, 8, fm.horizontalAdvance(text) + 2, fm.height());
  tip_->resize(tipLabel_->width() + 16, tipLabel_->height() + 16);
}

void TKy_Source::hideTip() {
  if (tip_) tip_->hide();
}

void TKy_Source::placeTip(const QPoint& at) {
  int x = at.x();
  int y = at.y();
  if (x >= width() - tip_->width() - 40) x = width() - tip_->width() - 40;
  if (y >= height() - tip_->height() - 100) y = height() - tip_->height() - 100;
  if (x < 0 || y < 0) return;
  tip_->move(x, y);
}

void TKy_Source::gridMouseMove(const QPoint& pos) {
  if (!tip_) return;
  const QModelIndex at = grid_->indexAt(pos);
  const QWidget* vp = grid_->viewport();
  if (!at.isValid() || at.column() != 1 || at.row() <= 0 || pos.x() >= vp->width() - 10 ||
      pos.y() >= vp->height() - 10) {
    hideTip();
    return;
  }
  const int textX = pos.x() - grid_->columnViewportPosition(1) - 2;
  const QString text = ValueTipText(at.row(), textX);
  if (text.isEmpty()) {
    hideTip();
    return;
  }
  setTipText(text);
  placeTip(vp->mapTo(this, pos) + QPoint(12, 16));
  tip_->show();
  tip_->raise();
}

}  // namespace kyvor
