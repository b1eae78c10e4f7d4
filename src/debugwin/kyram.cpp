#include "debugwin/kyram.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "base/dialogs.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/numbers.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "debugwin/popups.h"
#include "debugwin/ramexcel.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {

constexpr int kRowHeight = 18;

QString Hex(int value, int width) { return QString::fromStdString(IntToHexPad(value, uint16_t(width))); }

// Windows colour values are blue-green-red.
QColor FromWindowsColour(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
uint32_t ToRgb(uint32_t bgr) { return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF); }
uint32_t ToWindowsColour(uint32_t rgb) { return ToRgb(rgb); }

// The desktop's viewer for the file; false when there is none. Where the
// desktop names the program for a file type (xdg-mime), a type without one
// counts as none, since the opener would start and fail unseen.
bool OpenWithDesktopViewer(const std::string& path) {
  const QString file = QString::fromStdString(path);
  const QString query = QStandardPaths::findExecutable("xdg-mime");
  if (!query.isEmpty()) {
    QProcess p;
    p.start(query, {"query", "default", QMimeDatabase().mimeTypeForFile(file).name()});
    if (p.waitForFinished(3000) && p.exitCode() == 0 &&
        p.readAllStandardOutput().trimmed().isEmpty())
      return false;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

bool InRegisterArea(int a) {
  const TChipConfig& c = Chip();
  return (a >= c.Reg0Start && a <= c.Reg0End) || (a >= c.Reg1Start && a <= c.Reg1End);
}

TGridCell FixedCell(const QString& text) {
  TGridCell c;
  c.Text = text;
  c.Back = gridcolour::ButtonFace;
  return c;
}

// The menu's items in order; an empty caption is a separator.
const char* const kMenuItems[] = {"Set Mark",      "Set Mark(new color)", "Reset Mark",
                                  "Reset All Mark", "",                    "Set Hint",
                                  "Reset Hint",    "Reset All Hint",      "",
                                  "Load RAM Data", "Save RAM Data",       "Save To excel"};

}  // namespace

// ---------------------------------------------------------------------------
// Model
// ---------------------------------------------------------------------------

TRamModel::TRamModel(QObject* parent) : TKyGridModel(parent) {
  SetSize(17, 17);
  SetCell(0, 0, FixedCell(QString()));
  for (int c = 1; c <= 16; ++c) SetCell(0, c, FixedCell(Hex(c - 1, 1)));
}

void TRamModel::WriteRowLabels(int bank) {
  for (int r = 1; r <= 16; ++r) SetCell(r, 0, FixedCell(Hex(bank * 16 + r - 1, 2) + "0"));
}

void TRamModel::Refresh(const TKy_UP& up, int bank, bool force) {
  TChipConfig& chip = Chip();
  WriteRowLabels(bank);
  for (int i = 0; i < 256; ++i) {
    const int a = bank * 256 + i;
    const std::size_t ai = std::size_t(a);
    const uint8_t shown = up.ReadRegister(a) & chip.DataMemoryMap[ai];
    chip.ChangedMap[ai] = 0;
    texts_[std::size_t(i)] = QString::fromStdString(RamCellText(up, a));
    if (!force && shown != chip.LastValueMap[ai]) chip.ChangedMap[ai] = 1;
    // The register window keeps the last values of the register areas.
    if (!InRegisterArea(a)) chip.LastValueMap[ai] = shown;
  }
}

void TRamModel::Paint(int bank, const TRamMarks& marks, int editAddress, const QString& editText) {
  const TChipConfig& chip = Chip();
  for (int i = 0; i < 256; ++i) {
    const int a = bank * 256 + i;
    TGridCell c;
    c.Text = a == editAddress ? editText : texts_[std::size_t(i)];
    if (chip.ChangedMap[std::size_t(a)] && a > 14) {
      c.Fore = gridcolour::White;
      c.Back = gridcolour::Blue;
    } else if (marks.Marked(a)) {
      c.Fore = gridcolour::White;
      c.Back = FromWindowsColour(marks.MarkColour[std::size_t(a)]);
    }
    c.Underline = marks.Hinted(a);
    SetCell(i / 16 + 1, i % 16 + 1, c);
  }
  Publish();
}

// ---------------------------------------------------------------------------
// Window
// ---------------------------------------------------------------------------

TKy_RAM::TKy_RAM(QWidget* parent)
    : TKyDebugForm("Ky_RAM", "Data Memory", parent), model_(new TRamModel(this)) {
  OpenDocument = OpenWithDesktopViewer;
  RAMBANKShow();
  model_->Publish();
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKy_RAM::~TKy_RAM() { Ky_Lang().RemoveCaptionTarget(this); }

void TKy_RAM::BuildContents() {
  if (grid_) return;
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(2, 2, 2, 2);
  lay->setSpacing(2);
  lay->addLayout(buildBankPanels());
  lay->addWidget(buildGrid(), 1);
  lay->addStretch(0);
  pnlHint_ = new QLabel(this);
  pnlHint_->setObjectName("PnlHint");
  pnlHint_->setAutoFillBackground(true);
  QPalette hp = pnlHint_->palette();
  hp.setColor(QPalette::Window, QColor(255, 255, 225));
  pnlHint_->setPalette(hp);
  pnlHint_->setFrameStyle(QFrame::Box | QFrame::Plain);
  pnlHint_->hide();
  buildMenu();
  RAMBANKSEL(CurrentBank());
  // The whole bank shows at the window's own size; smaller, the grid scrolls.
  resize(grid_->ContentSize().width() + 4 + grid_->verticalScrollBar()->sizeHint().width(),
         ContentHeight());
}

QLayout* TKy_RAM::buildBankPanels() {
  auto* bankBox = new QGridLayout;
  bankBox->setSpacing(2);
  for (int n = 0; n < 16; ++n) {
    auto* p = new QLabel(QString("Bank%1").arg(n), this);
    p->setObjectName(QString("PBank%1").arg(n));
    p->setAlignment(Qt::AlignCenter);
    p->setAutoFillBackground(true);
    p->setFixedHeight(18);
    p->installEventFilter(this);
    bankBox->addWidget(p, n / 8, n % 8);
    banks_[std::size_t(n)] = p;
  }
  auto* banks = new QHBoxLayout;
  banks->addLayout(bankBox);
  banks->addStretch(1);
  return banks;
}

TKyGrid* TKy_RAM::buildGrid() {
  grid_ = new TKyGrid(this, "SGD", model_, kRowHeight);
  // Columns of 28 and 24 pixels, wider when the font needs it ("FF0", "FF").
  const QFontMetrics fm(grid_->font());
  std::vector<int> widths(17, std::max(24, fm.horizontalAdvance("FF") + 12));
  widths[0] = std::max(28, fm.horizontalAdvance("FF0") + 12);
  grid_->SetColumnWidths(widths);
  grid_->setMinimumSize(grid_->ContentSize().width() / 2, 5 * kRowHeight);
  const int bar = grid_->verticalScrollBar()->sizeHint().width();
  grid_->setMaximumSize(grid_->ContentSize() + QSize(bar, bar));
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  grid_->OnKey = [this](QKeyEvent* e) { return onKey(e); };
  grid_->OnDoubleClick = [this](const QModelIndex& i) { onDoubleClick(i); };
  grid_->OnMouseDown = [this](const QModelIndex& i, QPoint) {
    mouseCol_ = i.isValid() ? i.column() : -1;
    mouseRow_ = i.isValid() ? i.row() : -1;
  };
  grid_->OnHover = [this](const QModelIndex& i, QPoint) { onHover(i); };
  grid_->OnFocusOut = [this] { commitEdit(); };
  grid_->OnCurrentChanged = [this](const QModelIndex&, const QModelIndex&) { commitEdit(); };
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](QPoint p) { menu_->popup(grid_->viewport()->mapToGlobal(p)); });
  return grid_;
}

TKyGrid* TKy_RAM::Grid() {
  BuildContents();
  return grid_;
}

QMenu* TKy_RAM::PopupMenu() {
  BuildContents();
  return menu_;
}

QLabel* TKy_RAM::HintPanel() {
  BuildContents();
  return pnlHint_;
}

QLabel* TKy_RAM::BankPanel(int n) {
  BuildContents();
  return banks_.at(std::size_t(n));
}

// A window is framed and shown with its grid made.
int TKy_RAM::ContentHeight() const {
  return grid_ ? grid_->ContentSize().height() + 2 * 20 + 10 : 0;
}

int TKy_RAM::ContentWidth() const {
  if (!grid_) return 0;
  const QMargins m = layout()->contentsMargins();
  return grid_->ContentSize().width() + 2 * grid_->frameWidth() +
         grid_->verticalScrollBar()->sizeHint().width() + m.left() + m.right();
}

void TKy_RAM::ApplyRamTitle() {
  setWindowTitle(QString::fromStdString(LangTextUtf8(lt::TitleDataMemory)));
}

void TKy_RAM::buildMenu() {
  menu_ = new QMenu(this);
  menu_->setObjectName("PMenu");
  for (const char* item : kMenuItems) {
    const QString caption = item;
    if (caption.isEmpty()) {
      menu_->addSeparator();
      continue;
    }
    // Without the spreadsheet library the export is not offered.
    if (caption == "Save To excel" && !RamExportAvailable()) continue;
    menu_->addAction(caption, this, [this, caption] { MenuCommand(caption); });
  }
  menu_->addSeparator();
  for (int n = 0; n < 16; ++n) {
    QAction* a = menu_->addAction(QString("RAMBANK%1").arg(n), this, [this, n] { SelectBank(n); });
    a->setObjectName(QString("RAMBANK%1").arg(n));
  }
}

int TKy_RAM::CurrentBank() const { return Chip().CurrentRamBank & 0x0F; }

void TKy_RAM::RAMBANKShow() { model_->WriteRowLabels(CurrentBank()); }

void TKy_RAM::RAMBANKSEL(int bank) {
  if (!grid_) return;  // the panels show the bank when they are made
  for (int n = 0; n < 16; ++n) {
    QLabel* p = banks_[std::size_t(n)];
    QPalette pal = p->palette();
    pal.setColor(QPalette::Window, n == bank ? gridcolour::Yellow : gridcolour::ButtonFace);
    p->setPalette(pal);
    p->setFrameStyle(QFrame::Panel | (n == bank ? QFrame::Raised : QFrame::Sunken));
  }
}

void TKy_RAM::repaintCells() {
  model_->Paint(CurrentBank(), marks_, editAddress_, editText_);
  RAMBANKSEL(CurrentBank());
}

void TKy_RAM::RefreshRamView(bool force) {
  noteRefresh(force);
  if (!Model() || loading_) return;
  model_->Refresh(*Model(), CurrentBank(), force);
  repaintCells();
}

void TKy_RAM::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped:
    case TRefreshReason::RegisterWrite: RefreshRamView(false); break;
    case TRefreshReason::Reset: RefreshRamView(true); break;
    case TRefreshReason::RunStarted: cancelEdit(); break;
    default: break;
  }
}

void TKy_RAM::SelectBank(int n) {
  if (n < 0 || n > 15) return;
  commitEdit();
  Chip().CurrentRamBank = uint8_t(n);
  RAMBANKSEL(n);
  RAMBANKShow();
  RefreshRamView(false);
}

// Shown again after it was hidden: a forced refresh. A frame that only changes
// its state (maximized, restored) keeps the highlight of the last refresh.
void TKy_RAM::showEvent(QShowEvent* event) {
  TKyDebugForm::showEvent(event);
  if (QWidget* frame = parentWidget(); frame && frame != frame_) {
    frame_ = frame;
    frame->installEventFilter(this);
  }
  if (!hidden_) return;
  hidden_ = false;
  RefreshRamView(true);
}

void TKy_RAM::hideEvent(QHideEvent* event) {
  TKyDebugForm::hideEvent(event);
  if (!parentWidget()) hidden_ = true;  // a window of its own
}

bool TKy_RAM::eventFilter(QObject* watched, QEvent* event) {
  // The frame being hidden counts as hiding the window; a frame that changes
  // its state (maximized, restored) hides and shows at once and does not.
  if (watched == frame_ && event->type() == QEvent::Hide) {
    QTimer::singleShot(0, this, [this] {
      if (frame_ && frame_->isHidden()) hidden_ = true;
    });
  }
  if (event->type() == QEvent::MouseButtonPress) {
    for (int n = 0; n < 16; ++n)
      if (watched == banks_[std::size_t(n)]) {
        SelectBank(n);
        return true;
      }
  }
  return TKyDebugForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Editing
// ---------------------------------------------------------------------------

int TKy_RAM::cellAddress(const QModelIndex& index) const {
  if (!index.isValid() || index.row() < 1 || index.column() < 1) return -1;
  return TRamModel::AddressOf(CurrentBank(), index.column(), index.row());
}

int TKy_RAM::mouseDownAddress() const {
  if (mouseRow_ < 1 || mouseRow_ > 16 || mouseCol_ < 1 || mouseCol_ > 16) return -1;
  return TRamModel::AddressOf(CurrentBank(), mouseCol_, mouseRow_);
}

void TKy_RAM::SetMouseDownCell(int col, int row) {
  mouseCol_ = col;
  mouseRow_ = row;
}

bool TKy_RAM::editable(int address) const {
  return address >= 0 && !IsIndirectRegister(address) &&
         Chip().DataMemoryMap[std::size_t(address)] != 0;
}

void TKy_RAM::cancelEdit() {
  if (editAddress_ < 0) return;
  editAddress_ = -1;
  editText_.clear();
  repaintCells();
}

// Writes the value being typed (at most two digits, never an empty one) to the
// address where the typing started.
void TKy_RAM::commitEdit() {
  if (editAddress_ < 0) return;
  const int address = editAddress_;
  const QString text = editText_;
  editAddress_ = -1;
  editText_.clear();
  if (text.isEmpty() || !Model() || Modes().TargetRunning == 1) {
    repaintCells();
    return;
  }
  Model()->LogRegisterChange(address, uint8_t(HexStrToInt(text.toStdString())));
  repaintCells();
}

bool TKy_RAM::onKey(QKeyEvent* e) {
  const int key = e->key();
  const QString t = e->text();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab;
  const bool back = key == Qt::Key_Backspace;
  const QChar ch = t.size() == 1 ? t[0].toUpper() : QChar();
  const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
  if (!enter && !back && t.isEmpty()) return false;  // moving keys keep the grid's behaviour
  if (Modes().TargetRunning == 1) return true;
  const int address = cellAddress(grid_->currentIndex());
  if (!editable(address)) return true;
  if (enter) {
    commitEdit();
    return true;
  }
  if (back) {
    if (editAddress_ == address && !editText_.isEmpty()) {
      editText_.chop(1);
      repaintCells();
    }
    return true;
  }
  if (!hex) return true;
  if (editAddress_ != address) {
    commitEdit();
    editAddress_ = address;
    editText_.clear();
  }
  if (editText_.size() < 2) editText_ += ch;
  repaintCells();
  return true;
}

void TKy_RAM::onDoubleClick(const QModelIndex& index) {
  const int address = cellAddress(index);
  if (!Model() || Modes().TargetRunning == 1 || !editable(address)) return;
  commitEdit();
  const QPoint at = grid_->CellBottomLeft(index);
  const std::string caption =
      "Ram" + IntToHexPad(address, 4) + "=" + model_->Text(index.row(), index.column()).toStdString();
  uint32_t value = 0;
  if (AskHexKeypad(at.x(), at.y(), caption, "FF", "00~FF", value))
    Model()->LogRegisterChange(address, uint8_t(value));
}

void TKy_RAM::onHover(const QModelIndex& index) {
  const int address = cellAddress(index);
  if (address < 0) {
    pnlHint_->hide();
    return;
  }
  QString text = "<" + Hex(address & 0xFF, 2) + ">";
  if (marks_.Hinted(address))
    text = QString::fromStdString(marks_.HintText[std::size_t(address)]) + ": " + text;
  pnlHint_->setText(text);
  pnlHint_->adjustSize();
  const QRect cell = grid_->visualRect(index);
  const QPoint topLeft = grid_->viewport()->mapTo(this, cell.topLeft());
  int y = topLeft.y() + cell.height() + 10;
  if (y + pnlHint_->height() > height()) y = topLeft.y() - 28;
  int x = std::min(topLeft.x(), std::max(0, width() - pnlHint_->width()));
  pnlHint_->move(x, y);
  pnlHint_->show();
  pnlHint_->raise();
}

// ---------------------------------------------------------------------------
// Marks, hints, files
// ---------------------------------------------------------------------------

bool TKy_RAM::confirm(const char* question) {
  return Dialogs().messageBox(question, "Confirm", MsgIcon::Question, MbYes | MbNo) ==
         MsgResult::Yes;
}

void TKy_RAM::MenuCommand(const QString& caption) {
  const int address = mouseDownAddress();
  const bool implemented = address >= 0 && Chip().DataMemoryMap[std::size_t(address)] != 0;
  if (caption == "Set Mark" || caption == "Set Mark(new color)") {
    if (!implemented) return;
    if (caption == "Set Mark(new color)") {
      uint32_t rgb = ToRgb(markColour_);
      if (!DebugPopups().ChooseColour(rgb)) return;
      markColour_ = ToWindowsColour(rgb);
    }
    marks_.SetMark(address, markColour_);
  } else if (caption == "Reset Mark") {
    if (!implemented) return;
    marks_.ResetMark(address);
  } else if (caption == "Reset All Mark") {
    if (!confirm("Are you sure to reset all mark?")) return;
    marks_.ResetAllMarks();
  } else if (caption == "Set Hint") {
    if (!implemented) return;
    std::string text;
    const QPoint at = mapToGlobal(QPoint(100, 100));
    if (!DebugPopups().ExecuteInputBox(at.x(), at.y(), text)) return;
    marks_.SetHint(address, text);
  } else if (caption == "Reset Hint") {
    if (!implemented) return;
    marks_.SetHint(address, std::string());
  } else if (caption == "Reset All Hint") {
    if (!confirm("Are you sure to reset all Hint?")) return;
    marks_.ResetAllHints();
  } else if (caption == "Load RAM Data") {
    LoadRamData();
  } else if (caption == "Save RAM Data") {
    SaveRamData();
  } else if (caption == "Save To excel") {
    SaveToExcel();
  }
  repaintCells();
}

namespace {
std::string MainFolder() {
  std::string folder;
  MainFileDir(folder);
  return folder;
}
}  // namespace

void TKy_RAM::LoadRamData() {
  // The file writes the target: not while it runs.
  if (!Model() || Modes().TargetRunning == 1) return;
  auto path = Dialogs().openFileName("Load RAM Data", MainFolder(), "*.ram|*.ram");
  if (!path) return;
  TRamFileContent content;
  if (!ReadRamFile(*path, RamFileValueCount(), content)) return;
  cancelEdit();
  loading_ = true;
  ApplyRamFile(content, *Model(), marks_);
  loading_ = false;
  RefreshRamView(true);
}

void TKy_RAM::SaveRamData() {
  if (!Model()) return;
  // The window asks its own question before replacing a file.
  auto path = Dialogs().saveFileName("Save RAM Data", MainFolder(), "*.ram|*.ram",
                                     OverwriteQuestion::ByCaller);
  if (!path) return;
  if (QFileInfo::exists(QString::fromStdString(*path))) {
    const std::string q = "File " + *path + " exist! Overwrite?";
    if (Dialogs().messageBox(q, "Confirm", MsgIcon::Question, MbYes | MbNo) != MsgResult::Yes)
      return;
  }
  SaveRamFile(*path, *Model(), marks_);
}

// The workbook's proposed name: the main file's, with ".xlsx", beside it.
std::string TKy_RAM::ExcelFileProposal() {
  const std::string main = OutputFileState().OutputMainFile;
  if (main.empty()) return "RAM.xlsx";
  const QFileInfo info(QString::fromStdString(main));
  return info.dir().filePath(info.completeBaseName() + ".xlsx").toStdString();
}

std::string TKy_RAM::SaveToExcel() {
  if (!Model() || !RamExportAvailable()) return std::string();
  auto chosen = Dialogs().saveFileName("Save To excel", ExcelFileProposal(),
                                       "Excel workbook (*.xlsx)|*.xlsx");
  if (!chosen) return std::string();
  const std::string path = WithDefaultExtension(*chosen, ".xlsx");
  if (!ExportRamToXlsx(path, *Model())) {
    Dialogs().messageBox("Can't write " + path, "Error", MsgIcon::Error, MbOk);
    return std::string();
  }
  if (!OpenDocument || !OpenDocument(path))
    Dialogs().messageBox("No program to show the workbook was found. It is saved as " + path,
                         "Information", MsgIcon::Information, MbOk);
  return path;
}

}  // namespace kyvor
