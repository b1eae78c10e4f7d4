#pragma once
// The editor's replace dialog: a non-modal window with find and replace
// texts, match-case and whole-word options and Find Next, Replace and
// Replace All buttons. It only collects the request; the editor searches.
#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kyvor {

class TEdReplaceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TEdReplaceDialog(QWidget* parent = nullptr);
  ~TEdReplaceDialog() override;

  QString FindText() const;
  void SetFindText(const QString& text);
  QString ReplaceText() const;
  void SetReplaceText(const QString& text);
  bool MatchCase() const;
  bool WholeWord() const;

  // Raised by the buttons (only when assigned); replaceAll is set by Replace All.
  std::function<void()> OnFind;
  std::function<void(bool replaceAll)> OnReplace;

  QLineEdit* EdFind;
  QLineEdit* EdReplace;
  QCheckBox* CkMatchCase;
  QCheckBox* CkWholeWord;
  QPushButton* BtFind;
  QPushButton* BtReplace;
  QPushButton* BtReplaceAll;
  QPushButton* BtClose;
};

}  // namespace kyvor
