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

TKy_Revision::TKy_Revision(QWidget* parent) : QDialog(parent), text_(new TSRichEdit(this)) {
  setObjectName("Ky_Revision");
  setWindowTitle("Revision History");
  resize(698, 586);
  text_->setObjectName("RevisionText");
  text_->setReadOnly(true);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The history is laid out in columns: a fixed-pitch font.
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setPointSize(11);
  text_->setFont(f);
  text_->clear();
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(text_);
  if (TKy_BASE* base = Ky_BASE())
    connect(base, &TKy_BASE::editorFontChanged, this, &TKy_Revision::ApplyEditorFont);
}

TKy_Revision::~TKy_Revision() = default;

void TKy_Revision::ApplyEditorFont(const QFont& font) {
  QFont f = text_->font();
  f.setFamily(font.family());
  f.setPointSize(font.pointSize());
  f.setBold(font.bold());
  f.setItalic(font.italic());
  f.setUnderline(font.underline());
  f.setStrikeOut(font.strikeOut());
  text_->setFont(f);
}

bool TKy_Revision::ShowRevisionFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  file.close();
  text_->clear();
  QStringList lines;
  for (QByteArray line : bytes.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    lines << QString::fromStdString(Ky_Lang().DisplayText(line.toStdString()));
  }
  // A last line break ends the last line; it starts none.
  if (bytes.endsWith('\n')) lines.removeLast();
  text_->setPlainText(lines.join('\n'));
  exec();
  return true;
}

void TKy_Revision::hideEvent(QHideEvent* e) {
  QDialog::hideEvent(e);
  // Closed, not just minimized with the main window.
  if (!e->spontaneous()) text_->clear();
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
