#include "shell/qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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

std::optional<std::string> QtDialogService::openFileName(const std::string& caption,
                                                         const std::string& startPath,
                                                         const std::string& filter) {
  QString f = QFileDialog::getOpenFileName(parent_, Q(caption), Q(startPath), Q(filter));
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

std::optional<std::string> QtDialogService::saveFileName(const std::string& caption,
                                                         const std::string& startPath,
                                                         const std::string& filter) {
  QString f = QFileDialog::getSaveFileName(parent_, Q(caption), Q(startPath), Q(filter));
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

std::optional<std::string> QtDialogService::inputText(const std::string& caption,
                                                      const std::string& prompt,
                                                      const std::string& initial) {
  bool ok = false;
  QString t = QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return t.toStdString();
}

}  // namespace kyvor
