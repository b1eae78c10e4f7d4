#include "shell/kyviews.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include "shell/kybase.h"

namespace kyvor {

TKy_Source::TKy_Source(QWidget* parent)
    : TKyChildForm("Ky_Source", "Source Code", parent),
      text_(new QPlainTextEdit(this)),
      status_(new QLabel(this)) {
  text_->setObjectName("SourceText");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  if (TKy_BASE* base = Ky_BASE()) {
    text_->setFont(base->EditorFont());
    connect(base, &TKy_BASE::editorFontChanged, text_, &QWidget::setFont);
  }
  status_->setObjectName("SourceStatus");
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(text_);
  lay->addWidget(status_);
  resize(640, 420);
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKy_Source::~TKy_Source() { Ky_Lang().RemoveCaptionTarget(this); }

void TKy_Source::ApplySourceTitle() {
  QString title = QString::fromStdString(LangTextUtf8(lt::TitleSourceCode));
  if (curPage_ >= 1 && curPage_ <= PageCount())
    title += " - " + QString::fromStdString(pages_[curPage_ - 1].path);
  setWindowTitle(title);
}

bool TKy_Source::LoadSourceFile(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return false;
  QByteArray bytes = f.readAll();
  bytes.replace("\r\n", "\n");
  Page pg;
  pg.path = path;
  pg.text = QString::fromLocal8Bit(bytes);
  const int lines = static_cast<int>(pg.text.count('\n')) + 1;
  pg.lineAddress.assign(lines, -1);
  pg.breakMark.assign(lines, false);
  pages_.push_back(std::move(pg));
  return true;
}

void TKy_Source::ClearSourcePages() {
  pages_.clear();
  curPage_ = 0;
  pcLine_ = 0;
  text_->clear();
}

void TKy_Source::showPage(int page) {
  if (page == curPage_) return;
  curPage_ = page;
  if (page < 1 || page > PageCount()) {
    text_->clear();
    return;
  }
  text_->setPlainText(pages_[page - 1].text);
  ApplySourceTitle();
}

void TKy_Source::ShowPCLine(uint32_t pc, bool /*followMacro*/) {
  lastPc_ = pc;
  std::pair<int, int> where{0, 0};
  if (LineOfAddress) where = LineOfAddress(pc);
  if (where.first < 1 || where.first > PageCount()) {
    pcLine_ = 0;
    text_->setExtraSelections({});
    return;
  }
  showPage(where.first);
  pcLine_ = where.second;
  QTextBlock b = text_->document()->findBlockByNumber(pcLine_ - 1);
  QList<QTextEdit::ExtraSelection> sel;
  if (b.isValid()) {
    QTextEdit::ExtraSelection s;
    s.format.setBackground(QColor(0, 0, 128));
    s.format.setForeground(Qt::white);
    s.format.setProperty(QTextFormat::FullWidthSelection, true);
    s.cursor = QTextCursor(b);
    sel.push_back(s);
    text_->setTextCursor(QTextCursor(b));
    text_->centerCursor();
  }
  text_->setExtraSelections(sel);
}

void TKy_Source::ShowPageOfAddress(uint32_t address) {
  if (!LineOfAddress) return;
  const auto [page, line] = LineOfAddress(address);
  if (page < 1 || page > PageCount()) return;
  showPage(page);
  QTextBlock b = text_->document()->findBlockByNumber(line - 1);
  if (!b.isValid()) return;
  text_->setTextCursor(QTextCursor(b));
  text_->centerCursor();
}

void TKy_Source::SetLineAddress(int page, int line, int32_t address) {
  if (page < 1 || page > PageCount()) return;
  auto& v = pages_[page - 1].lineAddress;
  if (line < 1 || line > static_cast<int>(v.size())) return;
  v[line - 1] = address;
}

int32_t TKy_Source::AddressOfLine(int page, int line) const {
  if (page < 1 || page > PageCount()) return -1;
  const auto& v = pages_[page - 1].lineAddress;
  if (line < 1 || line > static_cast<int>(v.size())) return -1;
  const int32_t a = v[line - 1];
  return (a < 0 || a >= 0xFFFFF) ? -1 : a;
}

int TKy_Source::CaretLine() const { return text_->textCursor().blockNumber() + 1; }

void TKy_Source::SetBreakMark(int line, bool set) {
  if (curPage_ < 1 || curPage_ > PageCount()) return;
  auto& v = pages_[curPage_ - 1].breakMark;
  if (line < 1 || line > static_cast<int>(v.size())) return;
  v[line - 1] = set;
}

bool TKy_Source::HasBreakMark(int line) const {
  if (curPage_ < 1 || curPage_ > PageCount()) return false;
  const auto& v = pages_[curPage_ - 1].breakMark;
  return line >= 1 && line <= static_cast<int>(v.size()) && v[line - 1];
}

void TKy_Source::SetStatusPanel(const std::string& text) {
  status_->setText(QString::fromStdString(text));
}

std::string TKy_Source::StatusPanel() const { return status_->text().toStdString(); }

TKy_Message::TKy_Message(QWidget* parent) : TKyChildForm("Ky_Message", "Message", parent) {}

}  // namespace kyvor
