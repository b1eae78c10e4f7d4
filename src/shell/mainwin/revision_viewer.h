#pragma once
// The revision viewer: a read-only window titled "Revision History" that
// shows the program's revision history. It is created at start-up and kept
// for the whole run; the main window's About command fills it from the
// revision file of the current language and shows it modally. Its text
// does not survive a close. The text view is made at its first use, so a run
// without the About command never lays out its font.
#include <QDialog>
#include <QFont>
#include <string>

namespace kyvor {

class TSRichEdit;

class TKy_Revision : public QDialog {
  Q_OBJECT
 public:
  // FormCreate: the text view (read-only, both scroll bars, 11 points)
  // fills the window, empty.
  explicit TKy_Revision(QWidget* parent = nullptr);
  ~TKy_Revision() override;

  // The text view (made now when it is asked for the first time).
  TSRichEdit* TextView();
  // The shared editor font (its family, size and style).
  void ApplyEditorFont(const QFont& font);

  // Fills the view with the file, each line through the language's text
  // translation, and shows the window modally until it is closed. A file
  // that does not exist or cannot be read shows nothing: false.
  bool ShowRevisionFile(const std::string& path);

 protected:
  void hideEvent(QHideEvent* e) override;

 private:
  TSRichEdit* text_ = nullptr;
  QFont font_;  // the text view's font
};

// "Revision_EN.txt" in the program folder for English, "Revision.txt" for
// Chinese (any language index but 0).
std::string RevisionFileName(const std::string& programFolder, int languageIndex);

}  // namespace kyvor
