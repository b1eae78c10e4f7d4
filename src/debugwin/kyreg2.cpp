#include "debugwin/kyreg2.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "base/containers.h"
#include "base/lang.h"
#include "base/modes.h"
#include "base/numbers.h"
#include "chip/chipconfig.h"
#include "debugwin/popups.h"
#include "engine/ky_up.h"
#include "engine/pod_access.h"

namespace kyvor {

namespace {

constexpr int kRowHeight = 14;
constexpr int kColumnWidth = 50;
constexpr int kColumns = 9;
constexpr int kW = 41, kFsr0H = 15, kFsr0L = 16, kFsr1H = 17, kFsr1L = 18;

QString Hex(int value, int width) { return QString::fromStdString(IntToHexPad(value, uint16_t(width))); }
std::string HexS(int value, int width) { return IntToHexPad(value, uint16_t(width)); }

uint8_t Shown(const TKy_UP& up, int address) {
  return up.ReadRegister(address) & Chip().DataMemoryMap[std::size_t(address & 0xFFF)];
}

// One register's change bookkeeping: changed since the last refresh (never on a
// forced one), and the new last value.
bool NoteValue(int address, uint8_t value, bool force) {
  TChipConfig& c = Chip();
  const std::size_t a = std::size_t(address & 0xFFF);
  const bool changed = !force && value != c.LastValueMap[a];
  c.LastValueMap[a] = value;
  return changed;
}

TGridCell Named(const QString& text, bool changed) {
  TGridCell c;
  c.Text = text;
  c.Fore = changed ? gridcolour::White : gridcolour::Black;
  c.Back = changed ? gridcolour::Blue : gridcolour::ButtonFace;
  return c;
}

TGridCell Value(const QString& text) {
  TGridCell c;
  c.Text = text;
  return c;
}

const QColor kPageColours[4] = {gridcolour::Yellow, QColor(0, 255, 0), gridcolour::Red,
                                gridcolour::White};

QString Display(const std::string& stored) {
  return QString::fromStdString(Ky_Lang().DisplayText(stored));
}

}  // namespace

// ---------------------------------------------------------------------------
// The grids' models
// ---------------------------------------------------------------------------

TReg2Model::TReg2Model(QObject* parent)
    : QObject(parent),
      bits_(new TKyGridModel(this)),
      bytes_(new TKyGridModel(this)),
      words_(new TKyGridModel(this)) {}

int TReg2Model::IndexOf(int row, int col, int count) {
  if (row < 0 || col < 0 || col >= kColumns) return -1;
  const int i = (row / 2) * kColumns + col;
  return i < count ? i : -1;
}

void TReg2Model::Shape(int firstBit, int endBit) {
  first_ = firstBit;
  end_ = endBit;
  bits_->SetSize(std::max(0, endBit - firstBit), kColumns);
  const int bytes = ByteRegisterList().Count();
  const int words = WordRegisterList().Count();
  bytes_->SetSize((bytes + kColumns - 1) / kColumns * 2, kColumns);
  words_->SetSize((words + kColumns - 1) / kColumns * 2, kColumns);
}

void TReg2Model::RefreshValues(const TKy_UP& up, bool force) {
  TChipConfig& chip = Chip();
  for (int i = 0; i < BitRegisterList().Count(); ++i) {
    TCRREGBitRecord* r = BitRegisterList().GetItem(i);
    r->Value = Shown(up, r->Address);
    chip.ChangedMap[r->Address & 0xFFF] = NoteValue(r->Address, r->Value, force);
  }
  for (int i = 0; i < ByteRegisterList().Count(); ++i) {
    TCRREGByteRecord* r = ByteRegisterList().GetItem(i);
    if (r->Hidden) continue;
    r->Value = Shown(up, r->Address);
    chip.ChangedMap[r->Address & 0xFFF] = NoteValue(r->Address, r->Value, force);
  }
  for (int i = 0; i < WordRegisterList().Count(); ++i) {
    TCRREGWordRecord* r = WordRegisterList().GetItem(i);
    if (r->CoreRegister) {
      // One of the model's own 16-bit registers (the program counter's latch).
      r->Value = uint16_t(up.ReadRegister(r->Address1) << 8 | up.ReadRegister(r->Address2));
      continue;
    }
    const uint8_t high = Shown(up, r->Address1), low = Shown(up, r->Address2);
    r->Value = uint16_t(high << 8 | low);
    chip.ChangedMap[r->Address1 & 0xFFF] = 0;
    chip.ChangedMap[r->Address2 & 0xFFF] = 0;
    const bool highChanged = NoteValue(r->Address1, high, force);
    const bool lowChanged = NoteValue(r->Address2, low, force);
    if (highChanged)
      chip.ChangedMap[r->Address1 & 0xFFF] = 1;
    else if (lowChanged)
      chip.ChangedMap[r->Address2 & 0xFFF] = 1;
  }
}

void TReg2Model::Paint(int editGrid, int editIndex, const QString& editText) {
  paintBits();
  paintBytes(editGrid == TKy_Reg2::EditBytes ? editIndex : -1, editText);
  paintWords(editGrid == TKy_Reg2::EditWords ? editIndex : -1, editText);
}

void TReg2Model::paintBits() {
  const TChipConfig& chip = Chip();
  for (int row = 0; row < end_ - first_; ++row) {
    const TCRREGBitRecord* r = BitRegisterList().GetItem(first_ + row);
    if (!r) continue;
    bits_->SetCell(row, 0, Named(QString::fromStdString(r->Name),
                                 chip.ChangedMap[r->Address & 0xFFF] != 0));
    for (int c = 1; c <= 8; ++c) {
      const bool one = (r->Value >> (8 - c)) & 1;
      TGridCell cell;
      cell.Text = QString::fromStdString(r->Bits[std::size_t(c - 1)].BitName);
      cell.Fore = one ? gridcolour::Blue : gridcolour::Black;
      cell.Back = one ? gridcolour::White : gridcolour::Silver;
      bits_->SetCell(row, c, cell);
    }
  }
  bits_->Publish();
}

void TReg2Model::paintBytes(int editIndex, const QString& editText) {
  const TChipConfig& chip = Chip();
  const int count = ByteRegisterList().Count();
  for (int i = 0; i < bytes_->rowCount() / 2 * kColumns; ++i) {
    const int row = NameRow(i), col = Column(i);
    const TCRREGByteRecord* r = i < count ? ByteRegisterList().GetItem(i) : nullptr;
    if (!r) {
      bytes_->SetCell(row, col, Named(QString(), false));
      bytes_->SetCell(row + 1, col, Value(QString()));
      continue;
    }
    const QString name = i < int(chip.ByteRegisterNames.size())
                             ? QString::fromStdString(chip.ByteRegisterNames[std::size_t(i)])
                             : QString();
    const bool changed = !r->Hidden && r->Address >= 15 && chip.ChangedMap[r->Address & 0xFFF];
    bytes_->SetCell(row, col, Named(name, changed));
    QString text;
    if (i == editIndex)
      text = editText;
    else if (!r->Hidden)
      text = r->Address <= 14 || r->Address == 28 ? QString("=") : Hex(r->Value, 2);
    bytes_->SetCell(row + 1, col, Value(text));
  }
  bytes_->Publish();
}

void TReg2Model::paintWords(int editIndex, const QString& editText) {
  const TChipConfig& chip = Chip();
  const int count = WordRegisterList().Count();
  for (int i = 0; i < words_->rowCount() / 2 * kColumns; ++i) {
    const int row = NameRow(i), col = Column(i);
    const TCRREGWordRecord* r = i < count ? WordRegisterList().GetItem(i) : nullptr;
    if (!r) {
      words_->SetCell(row, col, Named(QString(), false));
      words_->SetCell(row + 1, col, Value(QString()));
      continue;
    }
    const QString name = i < int(chip.WordRegisterNames.size())
                             ? QString::fromStdString(chip.WordRegisterNames[std::size_t(i)])
                             : QString();
    const bool changed = !r->CoreRegister && (chip.ChangedMap[r->Address1 & 0xFFF] ||
                                              chip.ChangedMap[r->Address2 & 0xFFF]);
    words_->SetCell(row, col, Named(name, changed));
    words_->SetCell(row + 1, col, Value(i == editIndex ? editText : Hex(r->Value, 4)));
  }
  words_->Publish();
}

// ---------------------------------------------------------------------------
// Window
// ---------------------------------------------------------------------------

TKy_Reg2::TKy_Reg2(QWidget* parent)
    : TKyDebugForm("Ky_Reg2", "Special Register", parent), model_(new TReg2Model(this)) {
  SWSREG();
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

// The header, the grids and the menus; the header shows the last refresh.
void TKy_Reg2::buildWindow() {
  // The header and the three grids keep their sizes; a smaller window scrolls.
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  outer->addWidget(scroll_);
  content_ = new QWidget;
  auto* lay = new QVBoxLayout(content_);
  lay->setContentsMargins(2, 2, 2, 2);
  lay->setSpacing(2);
  lay->setSizeConstraint(QLayout::SetFixedSize);
  buildHeader();
  buildGrids();
  buildMenus();
  scroll_->setWidget(content_);
  paintPageButtons();
  paintHeader();
  ApplyRegisterWindowCaptions();
}

TKy_Reg2::~TKy_Reg2() { Ky_Lang().RemoveCaptionTarget(this); }

// A window is framed and shown with its contents made.
int TKy_Reg2::ContentHeight() const {
  if (!content_) return 0;
  return content_->sizeHint().height() + 2 * scroll_->frameWidth() + 2;
}

int TKy_Reg2::ContentWidth() const {
  if (!content_) return 0;
  return content_->sizeHint().width() + scroll_->verticalScrollBar()->sizeHint().width() +
         2 * scroll_->frameWidth() + 2;
}

void TKy_Reg2::ApplyRegisterWindowCaptions() {
  setWindowTitle(QString::fromStdString(LangTextUtf8(lt::RegPopupSpecialRegister)));
  if (!pmInd_) return;  // the menus take their captions when they are made
  const QString modify = QString::fromStdString(LangTextUtf8(lt::RegPopupModifyValue));
  pmIndInd_->setText(modify);
  if (auto* item = pmReg_->findChild<QAction*>("PMRegModify")) item->setText(modify);
}

namespace {
QLabel* MakePanel(QWidget* parent, const char* name, const QString& text) {
  auto* p = new QLabel(text, parent);
  p->setObjectName(name);
  p->setAutoFillBackground(true);
  p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  p->setFixedHeight(18);
  return p;
}
}  // namespace

void TKy_Reg2::buildHeader() {
  auto* top = new QHBoxLayout;
  top->setSpacing(2);
  top->addWidget(MakePanel(content_, "PnlWork_B", " WREG:"));
  pnlWork_ = MakePanel(content_, "PnlWork", "00");
  pnlWork_->setFixedWidth(28);
  pnlWork_->setAlignment(Qt::AlignCenter);
  top->addWidget(pnlWork_);
  pnlPC_ = MakePanel(content_, "PnlPC", " Program Counter: 0");
  top->addWidget(pnlPC_, 1);
  pnlCycle_ = MakePanel(content_, "PnlCycle", " Cycle: 00000000");
  top->addWidget(pnlCycle_, 1);
  for (QLabel* p : {content_->findChild<QLabel*>("PnlWork_B"), pnlWork_, pnlPC_}) p->installEventFilter(this);
  content_->layout()->addItem(top);

  auto* ind = new QHBoxLayout;
  ind->setSpacing(8);
  const char* names[2][5] = {{"PnlIND0_B", "Panel10", "PnlIND0_1", "Panel13", "PnlIND0_2"},
                             {"PnlIND1_B", "Panel2", "PnlIND1_1", "Panel5", "PnlIND1_2"}};
  for (int p = 0; p < 2; ++p) {
    auto* box = new QFrame(content_);
    box->setObjectName(names[p][0]);
    box->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(0);
    row->addWidget(MakePanel(box, names[p][1], p == 0 ? " IND0: M[" : " IND1: M["));
    QLabel* address = MakePanel(box, names[p][2], "000");
    row->addWidget(address);
    row->addWidget(MakePanel(box, names[p][3], "]="));
    QLabel* value = MakePanel(box, names[p][4], "00");
    row->addWidget(value);
    indPanels_[std::size_t(p * 2)] = address;
    indPanels_[std::size_t(p * 2 + 1)] = value;
    box->installEventFilter(this);
    for (QLabel* l : box->findChildren<QLabel*>()) {
      l->setFrameStyle(QFrame::NoFrame);
      l->installEventFilter(this);
    }
    indBox_[std::size_t(p)] = box;
    ind->addWidget(box);
  }
  ind->addStretch(1);
  content_->layout()->addItem(ind);

  auto* pageRow = new QHBoxLayout;
  pageRow->setSpacing(2);
  const char* pageNames[4] = {"PPage1", "PPAGE2", "PPAGE3", "PPAGE4"};
  for (int i = 0; i < 4; ++i) {
    auto* b = new QPushButton(QString("Page%1").arg(i + 1), content_);
    b->setObjectName(pageNames[i]);
    b->setFixedHeight(20);
    b->setAutoFillBackground(true);
    b->setFlat(true);
    connect(b, &QPushButton::clicked, this, [this, i] { SelectPage(i); });
    pages_[std::size_t(i)] = b;
    pageRow->addWidget(b);
  }
  pageRow->addStretch(1);
  content_->layout()->addItem(pageRow);
}

void TKy_Reg2::buildGrids() {
  auto make = [this](const char* name, TKyGridModel* model) {
    auto* g = new TKyGrid(content_, name, model, kRowHeight);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setContextMenuPolicy(Qt::CustomContextMenu);
    QFont f = g->font();
    f.setPixelSize(11);
    g->setFont(f);
    connect(g, &QWidget::customContextMenuRequested, this, [this, g](QPoint p) { showHelp(g, p); });
    content_->layout()->addWidget(g);
    return g;
  };
  sreg_ = make("SREG", model_->Bits());
  sbyte_ = make("SByteReg", model_->Bytes());
  sword_ = make("SWordReg", model_->Words());
  sreg_->OnDoubleClick = [this](const QModelIndex& i) { onBitDoubleClick(i); };
  sbyte_->OnDoubleClick = [this](const QModelIndex& i) { onByteDoubleClick(i); };
  sword_->OnDoubleClick = [this](const QModelIndex& i) { onWordDoubleClick(i); };
  sbyte_->OnKey = [this](QKeyEvent* e) { return onValueKey(EditBytes, e); };
  sword_->OnKey = [this](QKeyEvent* e) { return onValueKey(EditWords, e); };
  sreg_->OnKey = [](QKeyEvent* e) { return !e->text().isEmpty(); };  // no typing into names
  for (TKyGrid* g : {sbyte_, sword_}) {
    g->OnFocusOut = [this] { commitEdit(); };
    g->OnCurrentChanged = [this](const QModelIndex&, const QModelIndex&) { commitEdit(); };
  }
}

void TKy_Reg2::buildMenus() {
  pmInd_ = new QMenu(this);
  pmInd_->setObjectName("PMenuIND");
  pmIndInd_ = pmInd_->addAction(QString::fromStdString(LangTextUtf8(lt::RegPopupModifyValue)),
                                this, [this] { ModifyPointer(menuPointer_, false); });
  pmIndInd_->setObjectName("PMIND_IND");
  pmIndFsr_ = pmInd_->addAction("", this, [this] { ModifyPointer(menuPointer_, true); });
  pmIndFsr_->setObjectName("PMIND_FSR");
  pmBit_ = new QMenu(this);
  pmBit_->setObjectName("PMenuBit");
  pmBitSet_ = pmBit_->addAction("", this, [this] { WriteBit(bitRecord_, bitNumber_, true); });
  pmBitSet_->setObjectName("PMBitSet");
  pmBitClr_ = pmBit_->addAction("", this, [this] { WriteBit(bitRecord_, bitNumber_, false); });
  pmBitClr_->setObjectName("PMBitClr");
  pmReg_ = new QMenu(this);
  pmReg_->setObjectName("PMenuReg");
  pmReg_->addAction(QString::fromStdString(LangTextUtf8(lt::RegPopupModifyValue)), this,
                    [this] { ModifyRegisterPanel(menuForPC_); })
      ->setObjectName("PMRegModify");
  help_ = new QMenu(this);
  help_->setObjectName("HelpPopup");
}

void TKy_Reg2::rkrr(int& end, int& first) const {
  const auto& counts = Chip().BitRegisterPageCount;
  const int page = std::min<int>(Chip().RegisterPage, 3);
  first = 0;
  for (int p = 0; p < page; ++p) first += counts[std::size_t(p)];
  end = first + counts[std::size_t(page)];
}

void TKy_Reg2::SWSREG() {
  int end = 0, first = 0;
  rkrr(end, first);
  commitEdit();
  model_->Shape(first, end);
  paintPageButtons();
  if (Modes().TargetRunning != 1)
    RefreshRegisters(true);
  else
    repaint();
  // The grids take the sizes of the chip's names when the window shows (or
  // would show with the main window).
  gridsPending_ = true;
  if (isVisibleTo(window())) BuildContents();
}

void TKy_Reg2::paintPageButtons() {
  if (!pages_[0]) return;
  for (int p = 0; p < 4; ++p) {
    QPushButton* b = pages_[std::size_t(p)];
    const bool current = p == Chip().RegisterPage;
    QPalette pal = b->palette();
    pal.setColor(QPalette::Button, current ? kPageColours[p] : gridcolour::ButtonFace);
    b->setPalette(pal);
    b->setFlat(!current);
  }
}

void TKy_Reg2::layOutGrids() {
  gridsPending_ = false;
  // 50-pixel columns, wider when a name of the chip needs it.
  const QFontMetrics fm(sreg_->font());
  int width = kColumnWidth;
  auto fit = [&](const std::string& name) {
    width = std::max(width, fm.horizontalAdvance(QString::fromStdString(name)) + 8);
  };
  for (const auto& n : Chip().ByteRegisterNames) fit(n);
  for (const auto& n : Chip().WordRegisterNames) fit(n);
  for (int i = 0; i < BitRegisterList().Count(); ++i) {
    fit(BitRegisterList().GetItem(i)->Name);
    for (const auto& b : BitRegisterList().GetItem(i)->Bits) fit(b.BitName);
  }
  for (TKyGrid* g : {sreg_, sbyte_, sword_}) g->SetColumnWidths(std::vector<int>(kColumns, width));
  sreg_->setFixedHeight((model_->Bits()->rowCount() + 2) * kRowHeight);
  sreg_->setFixedWidth(sreg_->ContentSize().width() + 20);
  sbyte_->setFixedSize(sbyte_->ContentSize() + QSize(20, 0));
  sword_->setFixedSize(sword_->ContentSize() + QSize(20, 0));
  content_->adjustSize();
  FitWindow(content_->sizeHint() + QSize(scroll_->verticalScrollBar()->sizeHint().width() + 2, 2));
  // Below the header lines and the bit grid's first rows the window shows
  // nothing of use; the rest scrolls.
  const int grids = sreg_->minimumHeight() + sbyte_->minimumHeight() + sword_->minimumHeight();
  scroll_->setMinimumHeight(content_->sizeHint().height() - grids +
                            sreg_->TKyGrid::minimumSizeHint().height() +
                            scroll_->horizontalScrollBar()->sizeHint().height());
}

void TKy_Reg2::BuildContents() {
  if (!content_) buildWindow();
  if (gridsPending_) layOutGrids();
}

QLabel* TKy_Reg2::Panel(const char* name) {
  BuildContents();
  return findChild<QLabel*>(name);
}

QPushButton* TKy_Reg2::PageButton(int page) {
  BuildContents();
  return pages_.at(std::size_t(page));
}

QMenu* TKy_Reg2::BitMenu() {
  BuildContents();
  return pmBit_;
}

QMenu* TKy_Reg2::PointerMenu() {
  BuildContents();
  return pmInd_;
}

QMenu* TKy_Reg2::RegisterMenu() {
  BuildContents();
  return pmReg_;
}

TKyGrid* TKy_Reg2::BitGrid() {
  BuildContents();
  return sreg_;
}

TKyGrid* TKy_Reg2::ByteGrid() {
  BuildContents();
  return sbyte_;
}

TKyGrid* TKy_Reg2::WordGrid() {
  BuildContents();
  return sword_;
}

void TKy_Reg2::SelectPage(int page) {
  if (page < 0 || page > 3) return;
  Chip().RegisterPage = uint8_t(page);
  SWSREG();
}

void TKy_Reg2::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped:
    case TRefreshReason::RegisterWrite: RefreshRegisters(false); break;
    case TRefreshReason::Reset: RefreshRegisters(true); break;
    // A build may have loaded another chip: the grids are laid out again.
    case TRefreshReason::DebugEntry: SWSREG(); break;
    case TRefreshReason::RunStarted:
      editGrid_ = EditNone;
      editIndex_ = -1;
      editText_.clear();
      repaint();
      break;
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Refresh
// ---------------------------------------------------------------------------

void TKy_Reg2::paintPanel(QLabel* panel, bool changed) {
  QPalette p = panel->palette();
  p.setColor(QPalette::Window, changed ? gridcolour::Blue : gridcolour::White);
  p.setColor(QPalette::WindowText, changed ? gridcolour::White : gridcolour::Blue);
  panel->setPalette(p);
}

void TKy_Reg2::refreshHeader(bool force) {
  const TKy_UP& up = *Model();
  THeader& h = header_;
  h.Shown = true;
  const int w = up.ReadRegister(kW);
  h.Work = Hex(w, 2);
  h.WorkChanged = !force && w != lastW_;
  lastW_ = w;
  const uint32_t pc = Modes().SimulatorMode == 1 ? up.GetPC() : Model()->Pod().PodReadPC();
  h.PC = " Program Counter: " + QString::fromStdString(IntToHexStr(int32_t(pc)));
  uint16_t high = 0, low = 0;
  up.GetCycleCounter(high, low);
  h.Cycle = " Cycle: " + Hex(high, 4) + Hex(low, 4);
  const int fsr0 = up.ReadRegister(kFsr0H) * 256 + up.ReadRegister(kFsr0L);
  const int fsr1 = up.ReadRegister(kFsr1H) * 256 + up.ReadRegister(kFsr1L);
  // Each pointer panel shows change of its own value.
  const std::array<int, 4> values = {fsr0, up.ReadRegister(fsr0), fsr1, up.ReadRegister(fsr1)};
  const std::array<int, 4> widths = {3, 2, 3, 2};
  for (std::size_t i = 0; i < 4; ++i) {
    h.Ind[i] = Hex(values[i], widths[i]);
    h.IndChanged[i] = !force && values[i] != lastInd_[i];
    lastInd_[i] = values[i];
  }
  paintHeader();
}

void TKy_Reg2::paintHeader() {
  const THeader& h = header_;
  if (!pnlWork_ || !h.Shown) return;
  pnlWork_->setText(h.Work);
  paintPanel(pnlWork_, h.WorkChanged);
  pnlPC_->setText(h.PC);
  pnlCycle_->setText(h.Cycle);
  for (std::size_t i = 0; i < 4; ++i) {
    indPanels_[i]->setText(h.Ind[i]);
    paintPanel(indPanels_[i], h.IndChanged[i]);
  }
}

void TKy_Reg2::repaint() { model_->Paint(editGrid_, editIndex_, editText_); }

void TKy_Reg2::RefreshRegisters(bool force) {
  noteRefresh(force);
  if (!Model()) return;
  refreshHeader(force);
  model_->RefreshValues(*Model(), force);
  repaint();
}

// ---------------------------------------------------------------------------
// Editing
// ---------------------------------------------------------------------------

// Nothing is edited while the target runs.
bool TKy_Reg2::editable() const { return Model() && Modes().TargetRunning != 1; }

bool TKy_Reg2::keypad(QWidget* at, const std::string& caption, const std::string& mask,
                      const std::string& status, uint32_t& value, int64_t limit) {
  const QPoint p = at->mapToGlobal(QPoint(0, at->height()));
  return AskHexKeypad(p.x(), p.y(), caption, mask, status, value, limit);
}

void TKy_Reg2::writeValue(int grid, int index, uint32_t value) {
  if (!editable()) return;
  if (grid == EditBytes) {
    if (const TCRREGByteRecord* r = ByteRegisterList().GetItem(index))
      Model()->LogRegisterChange(r->Address, uint8_t(value));
  } else if (grid == EditWords) {
    const TCRREGWordRecord* r = WordRegisterList().GetItem(index);
    if (!r || r->CoreRegister) return;
    Model()->LogRegisterChange(r->Address1, uint8_t(value >> 8));
    Model()->LogRegisterChange(r->Address2, uint8_t(value));
  }
}

void TKy_Reg2::commitEdit() {
  if (editGrid_ == EditNone) return;
  const int grid = editGrid_, index = editIndex_;
  const QString text = editText_;
  editGrid_ = EditNone;
  editIndex_ = -1;
  editText_.clear();
  if (!text.isEmpty() && text != "=") writeValue(grid, index, uint32_t(HexStrToInt(text.toStdString())));
  repaint();
}

bool TKy_Reg2::onValueKey(int grid, QKeyEvent* e) {
  const int key = e->key();
  const QString t = e->text();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab;
  const bool back = key == Qt::Key_Backspace;
  if (!enter && !back && t.isEmpty()) return false;  // moving keys
  TKyGrid* view = grid == EditBytes ? sbyte_ : sword_;
  TKyGridModel* m = grid == EditBytes ? model_->Bytes() : model_->Words();
  const QModelIndex at = view->currentIndex();
  const int count = grid == EditBytes ? ByteRegisterList().Count() : WordRegisterList().Count();
  const int index = TReg2Model::IndexOf(at.row(), at.column(), count);
  if (!editable() || index < 0 || at.row() % 2 == 0) return true;  // name rows take no keys
  if (grid == EditBytes) {
    const TCRREGByteRecord* r = ByteRegisterList().GetItem(index);
    if (r->Hidden) return true;
    if (r->Address <= 14) {
      m->SetText(at.row(), at.column(), "=");
      m->Publish();
      return true;
    }
  } else if (WordRegisterList().GetItem(index)->CoreRegister) {
    return true;
  }
  if (enter) {
    commitEdit();
    return true;
  }
  if (editGrid_ != grid || editIndex_ != index) {
    commitEdit();
    editGrid_ = grid;
    editIndex_ = index;
    editText_ = m->Text(at.row(), at.column());
  }
  if (back) {
    editText_.chop(1);
  } else {
    const QChar ch = t[0].toUpper();
    if (!((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F'))) return true;
    editText_ = (editText_ == "=" ? QString() : editText_) + ch;
    editText_ = editText_.right(grid == EditBytes ? 2 : 4);
  }
  repaint();
  return true;
}

void TKy_Reg2::ModifyRegisterPanel(bool programCounter) {
  if (!editable()) return;
  BuildContents();  // the keypad opens below the panel
  uint32_t value = 0;
  if (programCounter) {
    // The keypad takes as many digits as the last program address has; the
    // address itself is the limit.
    const int last = LastProgramAddress();
    const std::string top = HexS(last, 4);
    if (keypad(pnlPC_, "PC=" + HexS(int(Model()->GetPC()), 4), std::string(top.size(), 'F'),
               "000~" + top, value, last))
      Model()->ChangePC(value);
    return;
  }
  const int w = Model()->ReadRegister(kW);
  if (keypad(pnlWork_, "Work=" + HexS(w, 2), "FF", "00~FF", value))
    Model()->LogRegisterChange(kW, uint8_t(value));
}

void TKy_Reg2::ModifyPointer(int pointer, bool address) {
  if (!editable()) return;
  BuildContents();  // the keypad opens below the pointer's panels
  const int high = pointer == 0 ? kFsr0H : kFsr1H, low = pointer == 0 ? kFsr0L : kFsr1L;
  const int fsr = Model()->ReadRegister(high) * 256 + Model()->ReadRegister(low);
  const std::string name = std::to_string(pointer);
  uint32_t value = 0;
  QWidget* at = indBox_[std::size_t(pointer)];
  if (address) {
    if (!keypad(at, "FSR" + name + "=" + HexS(fsr, 3), "FFF", "000~FFF", value)) return;
    Model()->LogRegisterChange(high, uint8_t(value >> 8));
    Model()->LogRegisterChange(low, uint8_t(value));
    return;
  }
  if (keypad(at, "IND" + name + "=" + HexS(Model()->ReadRegister(fsr), 2), "FF", "00~FF", value))
    Model()->LogRegisterChange(fsr, uint8_t(value));
}

void TKy_Reg2::WriteBit(int bitRecord, int bit, bool set) {
  const TCRREGBitRecord* r = BitRegisterList().GetItem(bitRecord);
  if (!editable() || !r || bit < 0 || bit > 7) return;
  uint8_t v = Model()->ReadRegister(r->Address);
  v = set ? uint8_t(v | (1u << bit)) : uint8_t(v & ~(1u << bit));
  Model()->LogRegisterChange(r->Address, v);
}

void TKy_Reg2::onBitDoubleClick(const QModelIndex& index) {
  if (!editable() || !index.isValid()) return;
  const int record = model_->FirstBit() + index.row();
  const TCRREGBitRecord* r = BitRegisterList().GetItem(record);
  if (!r) return;
  if (index.column() == 0) {
    uint32_t value = 0;
    if (keypad(sreg_, "Ram" + HexS(r->Address, 3) + "=" + r->Name, "FF", "00~FF", value))
      Model()->LogRegisterChange(r->Address, uint8_t(value));
    return;
  }
  const std::string& bitName = r->Bits[std::size_t(index.column() - 1)].BitName;
  if (bitName == "-") return;
  bitRecord_ = record;
  bitNumber_ = 8 - index.column();
  pmBitSet_->setText(QString::fromStdString(bitName) + "=1");
  pmBitClr_->setText(QString::fromStdString(bitName) + "=0");
  pmBit_->popup(sreg_->CellBottomLeft(index));
}

void TKy_Reg2::onByteDoubleClick(const QModelIndex& index) {
  const int i = TReg2Model::IndexOf(index.row(), index.column(), ByteRegisterList().Count());
  if (!editable() || i < 0 || index.row() % 2 != 0) return;
  const TCRREGByteRecord* r = ByteRegisterList().GetItem(i);
  if (r->Hidden || r->Address < 15) return;
  commitEdit();
  uint32_t value = 0;
  const std::string name = model_->Bytes()->Text(index.row(), index.column()).toStdString();
  if (keypad(sbyte_, "Ram" + HexS(r->Address, 3) + "=" + name, "FF", "00~FF", value))
    writeValue(EditBytes, i, value);
}

void TKy_Reg2::onWordDoubleClick(const QModelIndex& index) {
  const int i = TReg2Model::IndexOf(index.row(), index.column(), WordRegisterList().Count());
  if (!editable() || i < 0 || index.row() % 2 != 0) return;
  if (WordRegisterList().GetItem(i)->CoreRegister) return;
  commitEdit();
  uint32_t value = 0;
  const std::string name = model_->Words()->Text(index.row(), index.column()).toStdString();
  if (keypad(sword_, "Ram" + name, "FFFF", "0000~FFFF", value)) writeValue(EditWords, i, value);
}

// The header's panels open their menus when clicked.
bool TKy_Reg2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress) return TKyDebugForm::eventFilter(watched, event);
  auto* w = qobject_cast<QWidget*>(watched);
  if (w == pnlPC_ || w == pnlWork_ || (w && w->objectName() == "PnlWork_B")) {
    menuForPC_ = w == pnlPC_;
    pmReg_->popup(w->mapToGlobal(QPoint(0, w->height())));
    return true;
  }
  for (int p = 0; p < 2; ++p) {
    QWidget* box = indBox_[std::size_t(p)];
    if (w == box || (w && w->parentWidget() == box)) {
      menuPointer_ = p;
      pmIndFsr_->setText(QString::fromStdString(LangTextUtf8(lt::Modify)) +
                         (p == 0 ? " FSR0" : " FSR1"));
      pmInd_->popup(box->mapToGlobal(QPoint(0, box->height())));
      return true;
    }
  }
  return TKyDebugForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Help
// ---------------------------------------------------------------------------

QString TKy_Reg2::HelpText(TKyGrid* grid, const QModelIndex& index) const {
  if (!index.isValid()) return QString();
  if (grid == sreg_) {
    const TCRREGBitRecord* r = BitRegisterList().GetItem(model_->FirstBit() + index.row());
    if (!r) return QString();
    if (index.column() == 0) return Display(r->Description);
    const TCRREGBitEntry& b = r->Bits[std::size_t(index.column() - 1)];
    return b.BitName == "-" ? QString() : Display(b.BitDescription);
  }
  if (index.row() % 2 != 0) return QString();
  if (grid == sbyte_) {
    const int i = TReg2Model::IndexOf(index.row(), index.column(), ByteRegisterList().Count());
    const TCRREGByteRecord* r = ByteRegisterList().GetItem(i);
    return r && !r->Hidden ? Display(r->Description) : QString();
  }
  const int i = TReg2Model::IndexOf(index.row(), index.column(), WordRegisterList().Count());
  const TCRREGWordRecord* r = WordRegisterList().GetItem(i);
  return r ? Display(r->Description) : QString();
}

void TKy_Reg2::showHelp(TKyGrid* grid, QPoint pos) {
  const QString text = HelpText(grid, grid->indexAt(pos));
  if (text.isEmpty()) return;
  help_->clear();
  help_->addAction(text)->setObjectName(grid == sreg_ ? "ShowHelp"
                                        : grid == sbyte_ ? "ShowByte"
                                                         : "ShowWord");
  help_->popup(grid->viewport()->mapToGlobal(pos));
}

}  // namespace kyvor
