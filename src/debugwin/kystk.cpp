#include "debugwin/kystk.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/numbers.h"
#include "chip/chipconfig.h"
#include "debugwin/popups.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {
constexpr int kRowHeight = 18;

QString Hex4(uint32_t v) { return QString::fromStdString(IntToHexPad(int32_t(v), 4)); }

int Depth() { return Chip().StackDepth; }
}  // namespace

QString StackStateText(uint8_t s) {
  if (s & 0x20) return "OVER";
  if (s & 0x80) return "FULL";
  if (s & 0x40) return "UNDER";
  return QString::number(s & 0x1F);
}

void TStackModel::Shape(int depth) {
  SetSize(depth + 1, 2);
  TGridCell head;
  head.Text = "Stack = ";
  head.Back = gridcolour::ButtonFace;
  SetCell(0, 0, head);
  for (int r = 1; r <= depth; ++r) {
    TGridCell c;
    c.Text = QString::number(r);
    c.Back = gridcolour::ButtonFace;
    SetCell(r, 0, c);
  }
}

void TStackModel::Fill(const TKy_UP& up, const std::map<int, QString>& edits) {
  const uint8_t s = up.ReadRegister(24);
  TGridCell state;
  state.Text = StackStateText(s);
  state.Back = gridcolour::ButtonFace;
  SetCell(0, 1, state);
  const int used = s & 0x1F;
  for (int r = 1; r < rowCount(); ++r) {
    auto e = edits.find(r);
    if (e != edits.end())
      SetText(r, 1, e->second);
    else
      SetText(r, 1, r <= used ? Hex4(up.GetStackEntry(r)) : QString());
  }
  Publish();
}

TKy_STK::TKy_STK(QWidget* parent)
    : TKyDebugForm("Ky_STK", "Stack", parent), model_(new TStackModel(this)) {
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  Creatformstk();
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKy_STK::~TKy_STK() { Ky_Lang().RemoveCaptionTarget(this); }

TKyGrid* TKy_STK::Grid() {
  if (grid_) return grid_;
  grid_ = new TKyGrid(this, "SGrid2", model_, kRowHeight);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  layout()->addWidget(grid_);
  grid_->OnKey = [this](QKeyEvent* e) { return onKey(e); };
  grid_->OnDoubleClick = [this](const QModelIndex& i) { onDoubleClick(i); };
  grid_->OnFocusOut = [this] { WriteBackStack(); };
  sizeGrid();
  return grid_;
}

// A window is framed and shown with its grid made.
int TKy_STK::ContentHeight() const { return grid_ ? grid_->ContentSize().height() : 0; }

void TKy_STK::ApplyMenuCaptions() {
  setWindowTitle(QString::fromStdString(LangTextUtf8(lt::TitleStack)));
}

void TKy_STK::Creatformstk() {
  model_->Shape(Depth());
  if (grid_) sizeGrid();
  model_->Publish();
}

void TKy_STK::sizeGrid() {
  grid_->SetColumnWidths({60, 60});
  grid_->setFixedWidth(grid_->ContentSize().width());
  grid_->setMinimumHeight(std::min(grid_->ContentSize().height(), 10 * kRowHeight));
  FitWindow(grid_->ContentSize());
}

void TKy_STK::repaintCells() {
  if (Model()) model_->Fill(*Model(), edits_);
}

void TKy_STK::RefreshStack() {
  if (model_->rowCount() != Depth() + 1) Creatformstk();
  repaintCells();
}

void TKy_STK::RefreshStackView(bool force) {
  noteRefresh(force);
  RefreshStack();
}

void TKy_STK::Refresh(TRefreshReason reason) {
  switch (reason) {
    case TRefreshReason::Step:
    case TRefreshReason::RunStopped: RefreshStackView(false); break;
    case TRefreshReason::Reset:
    case TRefreshReason::DebugEntry: RefreshStackView(true); break;
    case TRefreshReason::RunStarted:
      // A half-typed entry is dropped: nothing is written while the target runs.
      edits_.clear();
      repaintCells();
      break;
    default: break;
  }
}

void TKy_STK::showEvent(QShowEvent* event) {
  TKyDebugForm::showEvent(event);
  RefreshStack();
}

void TKy_STK::writeLevel(int level, uint32_t value) {
  if (!Model() || level < 1 || level > Depth()) return;
  if (Modes().SimulatorMode == 1) {
    Model()->SetStackEntry(level, value);
  } else {
    Model()->PodWriteStackLevel(level, value);
    Model()->SetStackEntry(level, Model()->PodReadStackLevel(level));
  }
}

void TKy_STK::WriteBackStack() {
  if (edits_.empty() || Modes().TargetRunning == 1) return;
  const auto edits = std::move(edits_);
  edits_.clear();
  for (const auto& [level, text] : edits)
    if (!text.isEmpty()) writeLevel(level, uint32_t(HexStrToInt(text.toStdString())));
  repaintCells();
}

bool TKy_STK::onKey(QKeyEvent* e) {
  const int key = e->key();
  const QString t = e->text();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  const bool back = key == Qt::Key_Backspace;
  if (!enter && !back && (t.isEmpty() || !t[0].isPrint())) return false;  // control keys pass
  const QModelIndex at = grid_->currentIndex();
  const int level = at.row();
  if (Modes().TargetRunning == 1 || level < 1 || at.column() != 1) return true;
  if (enter) {
    // Only a typed entry is written; Enter on an untouched cell changes nothing.
    auto it = edits_.find(level);
    if (it == edits_.end()) return true;
    const QString text = it->second;
    edits_.erase(it);
    if (!text.isEmpty()) writeLevel(level, uint32_t(HexStrToInt(text.toStdString())));
    repaintCells();
    return true;
  }
  if (back) {
    auto it = edits_.find(level);
    if (it != edits_.end()) it->second.chop(1);
    repaintCells();
    return true;
  }
  const QChar ch = t[0].toUpper();
  const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
  if (!hex) return true;
  QString& text = edits_[level];
  if (text.size() < 4) text += ch;
  repaintCells();
  return true;
}

void TKy_STK::onDoubleClick(const QModelIndex& index) {
  if (!Model() || !index.isValid() || index.row() < 1 || Modes().TargetRunning == 1) return;
  WriteBackStack();
  const int level = index.row();
  const QPoint at = grid_->CellBottomLeft(index);
  const std::string caption = "Stack" + IntToHexPad(level * 16 + index.column() - 1, 4) + "=" +
                              model_->Text(level, index.column()).toStdString();
  uint32_t value = 0;
  if (!AskHexKeypad(at.x(), at.y(), caption, "FFFF", "00~FFFF", value)) return;
  writeLevel(level, value);
  repaintCells();
  model_->SetText(level, 1, Hex4(value));
  model_->Publish();
}

}  // namespace kyvor
