#include "shell/source/listing.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <algorithm>
#include <array>
#include <cstdio>

#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/numbers.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/instruction_table.h"
#include "engine/ky_up.h"
#include "shell/mainwin/base_form.h"

namespace kyvor {

namespace {

constexpr int kRowHeight = 18;
constexpr int kScrollWidth = 20;
// The narrowest the mark column gets.
constexpr int kMarkColumnWidth = 18;
// Room around a cell's text (both edges together).
constexpr int kCellMargin = 12;
// The breakpoint mark.
const QString kMark = QString::fromUtf8("\u25C6");
const char* const kHeaders[5] = {"", "addr", "code", "instruction", ""};
// A register operand reaches bank 1 through a pointer.
constexpr int kHighestPointedRegister = 0x1FF;

QString Hex(int value, int width) {
  return QString::fromStdString(IntToHexPad(value, uint16_t(width)));
}

int ProgramWords() { return ProgramMemoryPages() * 256; }

// The font's widest hex digit of one case.
QChar WidestDigit(const QFontMetrics& fm, bool upper) {
  const QString digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  QChar widest = digits[0];
  for (QChar c : digits)
    if (fm.horizontalAdvance(c) > fm.horizontalAdvance(widest)) widest = c;
  return widest;
}

// The width of `text` with each hex digit (of the case the column writes)
// the widest one (`widest`, from WidestDigit): any number with as many
// digits fits in it.
int WidestWidth(const QFontMetrics& fm, QString text, QChar widest, bool upper) {
  for (QChar& c : text) {
    const bool digit = c.isDigit() || (upper ? (c >= 'A' && c <= 'F') : (c >= 'a' && c <= 'f'));
    if (digit) c = widest;
  }
  return fm.horizontalAdvance(text);
}

// Operand i of a row with every bit of its field set: its most digits.
int WidestOperand(const TInstructionDescriptor& d, int i) {
  return ExtractBitField(0xFFFF, d.Operand[i].Lo, d.Operand[i].Hi);
}

// Column 4: a register operand's address and its current byte.
QString RegisterText(int address, int value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "M(%x)=%x", unsigned(address), unsigned(value));
  return buf;
}

}  // namespace

std::array<int, 5> ListingColumnWidths(const QFont& font, const TInstructionTable* table) {
  const QFontMetrics fm(font);
  const QChar upper = WidestDigit(fm, true), lower = WidestDigit(fm, false);
  std::array<int, 5> w{};
  for (int c = 0; c < 5; ++c) w[size_t(c)] = fm.horizontalAdvance(kHeaders[c]);
  w[0] = std::max(w[0], fm.horizontalAdvance(kMark));
  w[1] = std::max(w[1], WidestWidth(fm, Hex(0, 4), upper, true));
  w[2] = std::max(w[2], WidestWidth(fm, Hex(0, 4), upper, true));
  int highestRegister = kHighestPointedRegister;
  if (table) {
    for (const TInstructionDescriptor& d : table->Descriptors()) {
      const int op1 = WidestOperand(d, 0);
      const std::string text =
          FormatInstructionText(d, op1, WidestOperand(d, 1), WidestOperand(d, 2));
      w[3] = std::max(w[3], WidestWidth(fm, QString::fromStdString(text), lower, false));
      if (!d.NoRegisterOperand) highestRegister = std::max(highestRegister, op1);
    }
  }
  w[4] = WidestWidth(fm, RegisterText(highestRegister, 0xFF), lower, false);
  for (int& width : w) width += kCellMargin;
  w[0] = std::max(w[0], kMarkColumnWidth);
  return w;
}

TListingRow ListingRowOf(const TKy_UP& up, uint32_t address) {
  TListingRow row;
  row.Mark = up.GetBreakpointFlag(address, 1) ? kMark : QString();
  const uint16_t word = up.ReadProgramWord(address);
  row.Address = Hex(int(address), 4);
  row.Code = Hex(word, 4);
  const std::string text = up.Instructions().DisassembleText(word);
  if (text.empty()) return row;
  row.Instruction = QString::fromStdString(text);
  std::string mnemonic;
  uint8_t noRegister = 1;
  int count = 0, op1 = 0, op2 = 0, op3 = 0;
  up.DisassembleOpcode(word, mnemonic, noRegister, count, op1, op2, op3);
  if (noRegister) return row;
  // Operands 0 and 1 reach a register through pointer 0 or 1; the status
  // bits named by IndirectHighBitPos extend the pointer to bank 1.
  int r = op1;
  if (op1 == 0 || op1 == 1) {
    const int low = up.ReadRegister(op1 == 0 ? reg::PTR0L : reg::PTR1L);
    const int bit = up.IndirectHighBitPos()[std::size_t(op1)];
    r = low + ((up.ReadRegister(reg::STATUS) >> bit) & 1 ? 0x100 : 0);
  }
  row.Operand = RegisterText(r, up.ReadRegister(r));
  return row;
}

TListingModel::TListingModel(QObject* parent) : TKyGridModel(parent) { SetSize(1, 5); }

// ---------------------------------------------------------------------------

TKy_Hex::TKy_Hex(QWidget* parent)
    : TKyChildForm("Ky_Hex", "Program Memory", parent),
      sgdBase_(new QWidget(this)),
      sgd_(new TKyGrid(sgdBase_)),
      model_(new TListingModel(this)),
      scrBar_(new QScrollBar(Qt::Vertical, this)),
      stBar_(new QStatusBar(this)),
      dump_(new TKyGridModel(this)) {
  sgdBase_->setObjectName("SGDBase");
  sgd_->setObjectName("SGD");
  scrBar_->setObjectName("ScrBar");
  stBar_->setObjectName("StBar");
  sgd_->setModel(model_);
  sgd_->SetRowHeight(kRowHeight);
  sgd_->setShowGrid(false);
  sgd_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  sgd_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  sgd_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sgd_->setFrameShape(QFrame::NoFrame);
  scrBar_->setMinimum(0);
  scrBar_->setSingleStep(1);
  scrBar_->setFocusPolicy(Qt::NoFocus);
  stBar_->setSizeGripEnabled(false);
  setMinimumSize(160, 120);

  connect(scrBar_, &QScrollBar::valueChanged, this, [this](int v) { ShowListingAt(v, true); });
  sgd_->OnKey = [this](QKeyEvent* e) { return onKey(e); };
  sgd_->OnDoubleClick = [this](const QModelIndex&) { onDoubleClick(); };
  sgd_->OnMouseDown = [this](const QModelIndex& i, QPoint) {
    if (i.isValid() && i.column() != 1) ClickedColumn = i.column();
  };
  sgd_->OnCurrentChanged = [this](const QModelIndex& c, const QModelIndex&) { onCurrentChanged(c); };
  if (TKy_BASE* base = Ky_BASE()) {
    SetEditorFont(base->EditorFont());
    connect(base, &TKy_BASE::editorFontChanged, this, &TKy_Hex::SetEditorFont);
  }
  resize(440, 360);
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKy_Hex::~TKy_Hex() { Ky_Lang().RemoveCaptionTarget(this); }

void TKy_Hex::ApplyHexTitle() {
  setWindowTitle(QString::fromStdString(LangTextUtf8(lt::TitleProgramMemory)));
}

void TKy_Hex::SetEditorFont(const QFont& font) {
  sgd_->setFont(font);
  if (dumpShown_)
    paintRows();
  else
    requestLayout();
}

void TKy_Hex::AttachModel(TKy_UP* up) {
  TKyChildForm::AttachModel(up);
  if (!dumpShown_) requestLayout();
}

TKyGrid* TKy_Hex::DumpGrid() {
  if (sdgr_) return sdgr_;
  sdgr_ = new TKyGrid(this, "SDGR", dump_, kRowHeight);
  sdgr_->hide();
  return sdgr_;
}

int TKy_Hex::lastAddress() const { return ProgramWords() - 1; }

// ---------------------------------------------------------------------------
// Fill and draw
// ---------------------------------------------------------------------------

void TKy_Hex::ShowListingAt(int top, bool force) {
  ensureLaidOut();
  if (model_->rowCount() > 1 && sgd_->currentIndex().row() < 1)
    sgd_->setCurrentIndex(model_->index(1, 1));
  // A window taller than program memory starts at address 0.
  top = std::max(0, std::min(top, ProgramWords() - VisibleRows));
  if (!force && top == TopAddress) return;
  TopAddress = top;
  const TKy_UP* up = Model();
  FilledRows = 0;
  for (int row = 1; row <= FullRows; ++row) {
    const int address = top + row - 1;
    TListingRow text;
    if (up && address < ProgramWords()) {
      text = ListingRowOf(*up, uint32_t(address));
      FilledRows = row;
    }
    model_->SetText(row, 0, text.Mark);
    model_->SetText(row, 1, text.Address);
    model_->SetText(row, 2, text.Code);
    model_->SetText(row, 3, text.Instruction);
    model_->SetText(row, 4, text.Operand);
  }
  paintRows();
  const QSignalBlocker block(scrBar_);
  scrBar_->setValue(TopAddress);
}

void TKy_Hex::paintRows() {
  const TKy_UP* up = Model();
  for (int c = 0; c < 5; ++c) {
    TGridCell h;
    h.Text = kHeaders[c];
    h.Back = gridcolour::Silver;
    h.Fore = TextColour;
    model_->SetCell(0, c, h);
  }
  for (int row = 1; row <= FullRows; ++row) {
    const int address = TopAddress + row - 1;
    const bool filled = row <= FilledRows;
    const bool pc = filled && address == PcAddress;
    const bool bp = filled && up && up->GetBreakpointFlag(uint32_t(address), 1);
    for (int c = 0; c < 5; ++c) {
      TGridCell cell;
      cell.Text = model_->Text(row, c);
      cell.Align = c >= 3 ? Qt::AlignLeft : Qt::AlignCenter;
      if (c == 0) {
        cell.Fore = bp ? BpText : gridcolour::White;
        cell.Back = bp ? BpBack : gridcolour::White;
      } else if (pc) {
        cell.Fore = PcText;
        cell.Back = PcBack;
      } else if (bp) {
        cell.Fore = BpText;
        cell.Back = BpBack;
      } else {
        cell.Fore = TextColour;
        cell.Back = gridcolour::White;
      }
      model_->SetCell(row, c, cell);
    }
  }
  model_->Publish();
}

void TKy_Hex::GotoAddressCentered(uint32_t address) {
  ensureLaidOut();
  const int a = std::clamp(int(address), 0, std::max(0, lastAddress()));
  PcAddress = a;
  ShowListingAt(a - VisibleRows / 2, true);
}

void TKy_Hex::CenterOnAddress(uint32_t address) {
  ensureLaidOut();
  const int a = std::clamp(int(address), 0, std::max(0, lastAddress()));
  ShowListingAt(a - VisibleRows / 2, true);
}

void TKy_Hex::EnsureAddressVisible(uint32_t address) {
  ensureLaidOut();
  const int a = std::clamp(int(address), 0, std::max(0, lastAddress()));
  if (a >= TopAddress && a <= TopAddress + VisibleRows) return;
  ShowListingAt(a > TopAddress + VisibleRows ? a + 1 - VisibleRows : a, true);
}

int TKy_Hex::SelectedAddress() const { return sgd_->currentIndex().row() + TopAddress - 1; }

void TKy_Hex::DimListing() {
  if (TextColour == gridcolour::Grey) return;
  TextColour = gridcolour::Grey;
  if (isVisible()) paintRows();
}

void TKy_Hex::UndimListing() {
  if (TextColour == gridcolour::Black) return;
  TextColour = gridcolour::Black;
  if (isVisible()) paintRows();
}

void TKy_Hex::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::RunStarted: DimListing(); break;
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped:
    case TRefreshReason::Reset: UndimListing(); break;
    case TRefreshReason::Breakpoints: RefreshListing(); break;
    // A new chip may bring another instruction table.
    case TRefreshReason::DebugEntry:
      if (!dumpShown_) requestLayout();
      break;
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

// Every column holds its widest text in the grid's font; the last one takes
// the rest. A grid too narrow for them scrolls sideways. The result is the
// height the rows have (above that scroll bar).
int TKy_Hex::layoutColumns(int gridWidth, int gridHeight) {
  const std::array<int, 5> need =
      ListingColumnWidths(sgd_->font(), Model() ? &Model()->Instructions() : nullptr);
  int rest = gridWidth;
  for (int c = 0; c < 4; ++c) {
    sgd_->setColumnWidth(c, need[size_t(c)]);
    rest -= need[size_t(c)];
  }
  sgd_->setColumnWidth(4, std::max(rest, need[4]));
  if (rest >= need[4]) return gridHeight;
  return gridHeight - sgd_->horizontalScrollBar()->sizeHint().height();
}

void TKy_Hex::requestLayout() {
  layoutPending_ = true;
  if (isVisibleTo(window())) layoutListing();
}

void TKy_Hex::ensureLaidOut() {
  if (layoutPending_ && !dumpShown_) layoutListing();
}

void TKy_Hex::layoutListing() {
  layoutPending_ = false;
  const int barH = stBar_->sizeHint().height();
  const int w = std::max(width(), 160), h = std::max(height(), 120);
  stBar_->setGeometry(0, h - barH, w, barH);
  const int baseH = h - barH;
  sgdBase_->setGeometry(0, 0, w - kScrollWidth, baseH);
  sgd_->setGeometry(0, 0, w - kScrollWidth, baseH);
  const int rowsH = layoutColumns(w - kScrollWidth, baseH);
  // Rows grow with a font taller than they are.
  const int rowH = std::max(kRowHeight, QFontMetrics(sgd_->font()).height());
  sgd_->SetRowHeight(rowH);
  VisibleRows = (rowsH - 1) / rowH - 1;
  FullRows = (rowsH - 1) / rowH - ((rowsH - 1) % rowH == 0 ? 1 : 0);
  model_->SetSize(FullRows + 1, 5);
  scrBar_->setGeometry(w - kScrollWidth, 0, kScrollWidth, baseH);
  {
    const QSignalBlocker block(scrBar_);
    scrBar_->setMaximum(std::max(0, ProgramWords() - VisibleRows));
    scrBar_->setPageStep(std::max(1, VisibleRows));
  }
  ShowListingAt(TopAddress, true);
}

void TKy_Hex::layoutDump() {
  TKyGrid* dump = DumpGrid();
  dump->setGeometry(0, 0, width(), height());
  const int pages = ProgramMemoryPages();
  const bool kind3 = Chip().DeviceKind3 == 1;
  const int rows = kind3 ? pages * 16 + 5 : pages * 16 + 17;
  dump_->SetSize(rows, 17);
  auto fixed = [](const QString& text) {
    TGridCell c;
    c.Text = text;
    c.Back = gridcolour::ButtonFace;
    return c;
  };
  dump_->SetCell(0, 0, fixed(QString()));
  for (int c = 1; c <= 16; ++c) dump_->SetCell(0, c, fixed(Hex(c - 1, 1)));
  const int mainRows = kind3 ? pages * 16 + 4 : pages * 16;
  for (int r = 1; r <= mainRows; ++r) dump_->SetCell(r, 0, fixed(Hex(r - 1, 3)));
  // The information block's 16 rows follow as 170..17F.
  if (!kind3)
    for (int r = mainRows + 1; r < rows; ++r) dump_->SetCell(r, 0, fixed(Hex(0x170 + r - mainRows - 1, 3)));
  // Wide enough for four hex digits (and the labels' three) in the grid's font.
  const QFontMetrics fm(dump->font());
  std::vector<int> widths(17, fm.horizontalAdvance("DDDD") + 14);
  widths[0] = fm.horizontalAdvance("DDD") + 14;
  dump->SetColumnWidths(widths);
  dump_->Publish();
}

void TKy_Hex::PrepareDump(int rows) {
  dump_->SetSize(std::max(rows, 1), 17);
  for (int r = 1; r < dump_->rowCount(); ++r)
    for (int c = 1; c <= 16; ++c) dump_->SetText(r, c, QString());
  dump_->Publish();
}

void TKy_Hex::FillDumpRows(int firstRow, const std::vector<uint16_t>& words) {
  const int rows = firstRow + int((words.size() + 15) / 16);
  if (rows > dump_->rowCount()) dump_->SetSize(rows, 17);
  for (size_t i = 0; i < words.size(); ++i)
    dump_->SetText(firstRow + int(i / 16), 1 + int(i % 16), Hex(words[i], 4));
  dump_->Publish();
}

void TKy_Hex::ShowDumpGrid(bool on) {
  dumpShown_ = on;
  if (on || sdgr_) DumpGrid()->setVisible(on);
  sgdBase_->setVisible(!on);
  scrBar_->setVisible(!on);
  stBar_->setVisible(!on);
  if (on)
    layoutDump();
  else
    layoutListing();
}

void TKy_Hex::resizeEvent(QResizeEvent* event) {
  TKyChildForm::resizeEvent(event);
  if (dumpShown_)
    layoutDump();
  else
    layoutListing();
}

void TKy_Hex::showEvent(QShowEvent* event) {
  TKyChildForm::showEvent(event);
  PcBack = Modes().SimulatorMode == 1 ? gridcolour::Green : gridcolour::Blue;
  ShowDumpGrid(Options().PProg == 1);
}

// ---------------------------------------------------------------------------
// Selection, keys, double-click
// ---------------------------------------------------------------------------

void TKy_Hex::onCurrentChanged(const QModelIndex& current) {
  if (!current.isValid()) return;
  int row = current.row();
  if (current.column() != 1) {
    ClickedColumn = current.column();
    sgd_->setCurrentIndex(model_->index(row, 1));
    return;
  }
  // A row below the fully visible ones scrolls the listing up to it.
  if (row > VisibleRows && VisibleRows > 0) {
    ShowListingAt(row + TopAddress - VisibleRows, true);
    scrollSelectPending_ = true;
  }
  if (scrollSelectPending_) {
    scrollSelectPending_ = false;
    sgd_->setCurrentIndex(model_->index(std::max(1, FullRows - 1), 1));
  }
}

bool TKy_Hex::onKey(QKeyEvent* e) {
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const int row = sgd_->currentIndex().row();
  int top = 0;
  switch (e->key()) {
    case Qt::Key_PageUp: top = TopAddress - VisibleRows; break;
    case Qt::Key_PageDown: top = TopAddress + VisibleRows; break;
    case Qt::Key_End:
      if (!ctrl) return false;
      top = ProgramWords() - VisibleRows;
      break;
    case Qt::Key_Home:
      if (!ctrl) return false;
      top = 0;
      break;
    case Qt::Key_Up:
      if (row != 1) return false;
      top = TopAddress - 1;
      break;
    case Qt::Key_Down:
      if (row != FullRows) return false;
      top = TopAddress + 1;
      break;
    default: return false;
  }
  ShowListingAt(top, false);
  return true;
}

void TKy_Hex::onDoubleClick() {
  const int row = sgd_->currentIndex().row();
  if (row < 1 || row > FilledRows) return;
  const int address = row + TopAddress - 1;
  if (ClickedColumn != 0) {
    if (OnAddressPicked) OnAddressPicked(*this, address);
    return;
  }
  EnsureAddressVisible(uint32_t(address));
  if (OnSetBreakpoint) OnSetBreakpoint(*this);
}

}  // namespace kyvor
