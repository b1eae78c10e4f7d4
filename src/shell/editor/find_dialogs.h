#pragma once
// The find dialog (TKy_NFind) with its short search history, and the
// main-file dialog (TF_MFile) that picks the project's main assembly file.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "base/lang.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kyvor {

class IEditorPages;
class TKy_EDIT;

class TKy_NFind : public QDialog, public ILangCaptionTarget {
  Q_OBJECT
 public:
  static constexpr int kHistorySize = 4;

  explicit TKy_NFind(QWidget* parent = nullptr);
  ~TKy_NFind() override;

  // Runs the dialog modally. An initial text, when given, replaces the
  // search text first. When the dialog is not closed through Find with a
  // non-empty text, the text that was there before is put back. Returns
  // true when Find was pressed with a non-empty text.
  bool ExecuteFind(const QString& initialText = QString());
  // ExecuteFind with the dialog centred over `owner` and kept on the screen.
  bool ExecuteFindOver(const QWidget& owner);
  QString FindText() const;
  void SetFindText(const QString& text);
  // Moves the text to the top of the history (case-insensitive duplicates
  // go), keeping at most four items, and makes it the search text.
  void AddFindHistory(const QString& text);
  QStringList History() const;
  // Re-captions the label and buttons from the text table (also run by
  // the language switch).
  void ApplyCaptions();
  void ApplyFindDialogCaptions() override { ApplyCaptions(); }

  // 1 when the dialog was last closed through Find with a non-empty text.
  std::uint8_t Found = 0;

  QComboBox* CbFind;
  QPushButton* BtSeek;
  QPushButton* BtCancel;
  QLabel* Label1;

 public slots:
  void BtSeekClick();
  void BtCancelClick();

 protected:
  void showEvent(QShowEvent* e) override;
};

// The process-wide find dialog shared by the editor and the source view.
TKy_NFind& Ky_NFind();

class TF_MFile : public QDialog {
  Q_OBJECT
 public:
  // editor: its page paths fill the list on activation (may be null);
  // mainFileName: the current main file, shown at first.
  TF_MFile(const TKy_EDIT* editor, const QString& mainFileName, QWidget* parent = nullptr);
  // The same over the main window's view of the editor pages.
  TF_MFile(const IEditorPages* pages, const QString& mainFileName, QWidget* parent = nullptr);
  ~TF_MFile() override;

  // The main file: the one given, or the one chosen once OK closed the dialog.
  QString MainFileName() const { return mainFileName_; }
  // The path currently chosen in the dialog (Edit's text).
  QString ChosenPath() const;

  // Refills the list with the editor's page paths and shows the main file.
  void RefillFromEditor();

  QListWidget* List;
  QLineEdit* Edit;
  QLabel* Lab_MainName;
  QPushButton* Bt_Ok;
  QPushButton* Bt_Cancel;
  QPushButton* Bt_Browse;

 public slots:
  void ListChoose();      // double-click or space: the selected path is chosen
  void Bt_BrowseClick();  // open dialog through the dialog seam
  void Bt_OkClick();      // empty path: beep, stays open
  void Bt_CancelClick();

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  void choose(const QString& path);
  std::function<QStringList()> pagePaths_;
  QString mainFileName_;
};

}  // namespace kyvor
