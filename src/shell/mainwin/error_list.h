#pragma once
// The error list window: the messages of the last build or programmer
// command, each remembering the source file and line it refers to, so that a
// double-click (or Enter) opens that line in the editor.
#include <functional>
#include <string>
#include <vector>

#include "base/lang.h"
#include "guicommon/childform.h"

class QListWidget;
class QListWidgetItem;

namespace kyvor {

class TKy_ERR : public TKyChildForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  static constexpr int kMaxEntries = 100;
  static constexpr int kMaxPathLength = 128;

  explicit TKy_ERR(QWidget* parent = nullptr);
  ~TKy_ERR() override;
  // The window's title in the current language.
  void ApplyErrTitle() override;

  // Adds an entry while fewer than 100 are held (the path cut to its first
  // 128 characters, a line of 0 or less stored as 1); later calls are dropped.
  void AddError(const std::string& path, int line, const std::string& text);
  // A result line of a programmer command: the text is shown and the label
  // ("OK", "Fail", "ERROR", the command's name...) kept beside it; it names
  // no file, so opening the entry does nothing.
  void AddResult(const std::string& label, const std::string& text);
  void ClearErrors();

  int Count() const { return static_cast<int>(paths_.size()); }
  const std::string& PathAt(int i) const { return paths_.at(i); }
  int LineAt(int i) const { return lines_.at(i); }
  const std::string& LabelAt(int i) const { return labels_.at(i); }
  std::string TextAt(int i) const;
  QListWidget* ErrView() const { return view_; }

  // Opens entry i in the editor (what a double-click does). False when i is
  // no entry or the file could not be shown.
  bool OpenEntry(int i);

  // Installed by the main window: shows the editor and selects the line
  // (1-based) of the file, activating its page or opening it. False when
  // neither works.
  std::function<bool(const std::string& path, int line)> OnOpenLine;

 private:
  void openSelected();
  bool eventFilter(QObject* obj, QEvent* ev) override;

  QListWidget* view_;
  std::vector<std::string> paths_;
  std::vector<int> lines_;
  std::vector<std::string> labels_;
};

}  // namespace kyvor
