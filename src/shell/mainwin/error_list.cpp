#include "shell/mainwin/error_list.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

namespace kyvor {

TKy_ERR::TKy_ERR(QWidget* parent)
    : TKyChildForm("Ky_ERR", QString(), parent), view_(new QListWidget(this)) {
  view_->setObjectName("ErrView");
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(view_);
  setMinimumSize(200, 100);
  resize(600, 160);
  connect(view_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { openSelected(); });
  view_->installEventFilter(this);
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKy_ERR::~TKy_ERR() { Ky_Lang().RemoveCaptionTarget(this); }

void TKy_ERR::ApplyErrTitle() {
  setWindowTitle(QString::fromStdString(LangTextUtf8(lt::TitleMessage)));
}

void TKy_ERR::AddError(const std::string& path, int line, const std::string& text) {
  if (Count() >= kMaxEntries) return;
  paths_.push_back(path.substr(0, kMaxPathLength));
  lines_.push_back(line <= 0 ? 1 : line);
  labels_.emplace_back();
  view_->addItem(QString::fromStdString(text));
}

void TKy_ERR::AddResult(const std::string& label, const std::string& text) {
  if (Count() >= kMaxEntries) return;
  AddError(std::string(), 0, text);
  labels_.back() = label;
}

void TKy_ERR::ClearErrors() {
  view_->clear();
  paths_.clear();
  lines_.clear();
  labels_.clear();
}

std::string TKy_ERR::TextAt(int i) const {
  auto* it = view_->item(i);
  return it ? it->text().toStdString() : std::string();
}

bool TKy_ERR::OpenEntry(int i) {
  if (i < 0 || i >= Count()) return false;
  if (paths_[i].empty() || !OnOpenLine) return false;
  if (!OnOpenLine(paths_[i], lines_[i])) return false;
  view_->setFocus();
  return true;
}

void TKy_ERR::openSelected() { OpenEntry(view_->currentRow()); }

bool TKy_ERR::eventFilter(QObject* obj, QEvent* ev) {
  if (obj == view_ && ev->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(ev);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      openSelected();
      return true;
    }
  }
  return TKyChildForm::eventFilter(obj, ev);
}

}  // namespace kyvor
