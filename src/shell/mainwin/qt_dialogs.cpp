#include "shell/mainwin/qt_dialogs.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "shell/mainwin/base_form.h"

namespace kyvor {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

MsgResult QtDialogService::messageBox(const std::string& text, const std::string& caption,
                                      MsgIcon icon, unsigned buttons) {
  QMessageBox box(parent_);
  box.setText(Q(text));
  box.setWindowTitle(Q(caption));
  switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
  }
  QMessageBox::StandardButtons b;
  if (buttons & MbYes) b |= QMessageBox::Yes;
  if (buttons & MbNo) b |= QMessageBox::No;
  if (buttons & MbAll) b |= QMessageBox::YesToAll;
  if (buttons & MbOk) b |= QMessageBox::Ok;
  if (buttons & MbCancel) b |= QMessageBox::Cancel;
  if (!b) b = QMessageBox::Ok;
  box.setStandardButtons(b);
  switch (box.exec()) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::YesToAll: return MsgResult::All;
    case QMessageBox::Ok: return MsgResult::Ok;
    default: return MsgResult::Cancel;
  }
}

QStringList QtFileFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString patternText = i + 1 < parts.size() ? parts[i + 1] : parts[i];
    QStringList patterns;
    for (const QString& p : patternText.split(';', Qt::SkipEmptyParts))
      patterns << (p.trimmed() == "*.*" ? QStringLiteral("*") : p.trimmed());
    if (description.isEmpty() && patterns.isEmpty()) continue;
    filters << description + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

QString DefaultSaveSuffix(const std::string& filter) {
  const QStringList filters = QtFileFilters(filter);
  if (filters.isEmpty()) return QString();
  const QString& first = filters.first();
  const QString pattern = first.mid(first.lastIndexOf('(') + 1).section(' ', 0, 0);
  static const QRegularExpression kPlainExtension(
      QStringLiteral("^\\*\\.([A-Za-z0-9_]+)\\)?$"));
  const QRegularExpressionMatch m = kPlainExtension.match(pattern);
  return m.hasMatch() ? m.captured(1) : QString();
}

int QtDialogService::execFileDialog(QFileDialog& dialog) { return dialog.exec(); }

std::optional<std::string> QtDialogService::fileName(bool save, const std::string& caption,
                                                     const std::string& startPath,
                                                     const std::string& filter,
                                                     OverwriteQuestion question) {
  QFileDialog dialog(parent_, Q(caption), Q(startPath));
  dialog.setNameFilters(QtFileFilters(filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, question == OverwriteQuestion::ByCaller);
  // The callers give a name without an extension the filter's one: the
  // dialog does the same, so that its question is about the file written.
  if (save) dialog.setDefaultSuffix(DefaultSaveSuffix(filter));
  if (execFileDialog(dialog) != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return chosen.first().toStdString();
}

std::optional<std::string> QtDialogService::openFileName(const std::string& caption,
                                                         const std::string& startPath,
                                                         const std::string& filter) {
  return fileName(false, caption, startPath, filter, OverwriteQuestion::ByDialog);
}

std::optional<std::string> QtDialogService::saveFileName(const std::string& caption,
                                                         const std::string& startPath,
                                                         const std::string& filter,
                                                         OverwriteQuestion question) {
  return fileName(true, caption, startPath, filter, question);
}

std::optional<std::string> QtDialogService::inputText(const std::string& caption,
                                                      const std::string& prompt,
                                                      const std::string& initial) {
  bool ok = false;
  QString t = QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return t.toStdString();
}

std::optional<TEditorFont> QtDialogService::chooseFont(const TEditorFont& initial) {
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, QtEditorFont(initial), parent_, "Font");
  if (!ok) return std::nullopt;
  return EditorFontOf(f);
}

}  // namespace kyvor
