#include "shell/mainwin/revision_viewer.h"

#include <QFile>
#include <QFontDatabase>
#include <QHideEvent>
#include <QVBoxLayout>

#include "base/lang.h"
#include "shell/mainwin/base_form.h"
#include "shell/mainwin/main_window.h"
#include "shell/editor/richedit.h"

namespace kyvor {

TKy_Revision::TKy_Revision(QWidget* parent) : QDialog(parent) {
  setObjectName("Ky_Revision");
  setWindowTitle("Revision History");
  resize(698, 586);
  // The history is laid out in columns: a fixed-pitch font.
  font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font_.setPointSize(11);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  if (TKy_BASE* base = Ky_BASE())
    connect(base, &TKy_BASE::editorFontChanged, this, &TKy_Revision::ApplyEditorFont);
}

TKy_Revision::~TKy_Revision() = default;

TSRichEdit* TKy_Revision::TextView() {
  if (text_) return text_;
  text_ = new TSRichEdit(this);
  text_->setObjectName("RevisionText");
  text_->setReadOnly(true);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setFont(font_);
  text_->clear();
  layout()->addWidget(text_);
  return text_;
}

void TKy_Revision::ApplyEditorFont(const QFont& font) {
  font_.setFamily(font.family());
  font_.setPointSize(font.pointSize());
  font_.setBold(font.bold());
  font_.setItalic(font.italic());
  font_.setUnderline(font.underline());
  font_.setStrikeOut(font.strikeOut());
  if (text_) text_->setFont(font_);
}

bool TKy_Revision::ShowRevisionFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  file.close();
  TSRichEdit* text = TextView();
  text->clear();
  QStringList lines;
  for (QByteArray line : bytes.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    lines << QString::fromStdString(Ky_Lang().DisplayText(line.toStdString()));
  }
  // A last line break ends the last line; it starts none.
  if (bytes.endsWith('\n')) lines.removeLast();
  text->setPlainText(lines.join('\n'));
  exec();
  return true;
}

void TKy_Revision::hideEvent(QHideEvent* e) {
  QDialog::hideEvent(e);
  // Closed, not just minimized with the main window.
  if (!e->spontaneous() && text_) text_->clear();
}

void TKYMAIN::AboutClick() {
  if (forms_.revision)
    forms_.revision->ShowRevisionFile(
        RevisionFileName(Shell().ProgramFolder, LangState().LanguageIndex));
}

std::string RevisionFileName(const std::string& programFolder, int languageIndex) {
  return programFolder + (languageIndex != 0 ? "Revision.txt" : "Revision_EN.txt");
}

}  // namespace kyvor
