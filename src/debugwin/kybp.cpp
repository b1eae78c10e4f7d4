#include "debugwin/kybp.h"

#include <QVBoxLayout>

#include "base/lang.h"
#include "base/numbers.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"

namespace kyvor {

TKy_BP::TKy_BP(QWidget* parent)
    : TKyDebugForm("Ky_BP", "Break Point", parent), model_(new TKyGridModel(this)) {
  model_->SetSize(kRows, 2);
  for (int c = 0; c < 2; ++c) {
    TGridCell h;
    h.Text = c == 0 ? "addr" : "line";
    h.Back = gridcolour::ButtonFace;
    model_->SetCell(0, c, h);
  }
  model_->Publish();
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  Ky_Lang().AddCaptionTarget(this);
  applyCaption();
  resize(150, 10 * 18);
}

TKyGrid* TKy_BP::Grid() {
  if (grid_) return grid_;
  grid_ = new TKyGrid(this, "SGD", model_, 18);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid_->SetColumnWidths({64, 64});
  layout()->addWidget(grid_);
  grid_->OnDoubleClick = [this](const QModelIndex& i) { onDoubleClick(i); };
  return grid_;
}

TKy_BP::~TKy_BP() { Ky_Lang().RemoveCaptionTarget(this); }

// The caption follows the language ("Break Point" / its Chinese text).
void TKy_BP::applyCaption() {
  setWindowTitle(QString::fromStdString(LangTextUtf8(lt::MenuViewBreakPoint)));
}

void TKy_BP::showEvent(QShowEvent* event) {
  TKyDebugForm::showEvent(event);
  applyCaption();
}

void TKy_BP::FillBreakpointList() {
  noteRefresh(false);
  const TKy_UP* up = Model();
  int row = 1;
  const uint32_t words = uint32_t(ProgramMemoryPages()) * 256;
  for (uint32_t a = 0; up && a < words; ++a) {
    if (!up->GetBreakpointFlag(a, 0)) continue;
    if (row >= model_->rowCount()) model_->SetSize(row + 1, 2);
    const uint16_t line = up->GetSourceLine(a);
    model_->SetText(row, 0, QString::fromStdString(IntToHexPad(int32_t(a), 4)));
    model_->SetText(row, 1, line ? QString::fromStdString(IntToHexPad(line, 4)) : QString("----"));
    ++row;
  }
  for (; row < model_->rowCount(); ++row) {
    model_->SetText(row, 0, QString());
    model_->SetText(row, 1, QString());
  }
  model_->Publish();
}

void TKy_BP::Refresh(TRefreshReason reason) {
  if (reason == TRefreshReason::Breakpoints || reason == TRefreshReason::DebugEntry)
    FillBreakpointList();
}

void TKy_BP::onDoubleClick(const QModelIndex& index) {
  if (!index.isValid() || index.row() == 0 || !OnAddressPicked) return;
  const QString cell = model_->Text(index.row(), 0);
  if (cell.isEmpty() || cell == "----") return;
  OnAddressPicked(*this, HexStrToInt(cell.toStdString()));
}

}  // namespace kyvor
