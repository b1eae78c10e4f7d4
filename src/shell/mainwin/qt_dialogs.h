#pragma once
// The Qt implementation of the dialog seam.
#include <QStringList>

#include "base/dialogs.h"

class QFileDialog;
class QWidget;

namespace kyvor {

// The name filters of a file dialog from a filter of the dialog seam
// ("Assembly|*.asm|All|*.*": description and patterns in turn, patterns split
// by ';'), one "description (patterns)" per pair. "*.*" stands for every file,
// also those without a dot in their name.
QStringList QtFileFilters(const std::string& filter);
// The extension a save dialog gives a name typed without one: that of the
// filter's first pattern ("*.asm" gives "asm"); empty for a pattern of
// every file.
QString DefaultSaveSuffix(const std::string& filter);

class QtDialogService : public IDialogService {
 public:
  explicit QtDialogService(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  MsgResult messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       unsigned buttons) override;
  std::optional<std::string> openFileName(const std::string& caption, const std::string& startPath,
                                          const std::string& filter) override;
  using IDialogService::saveFileName;
  std::optional<std::string> saveFileName(const std::string& caption, const std::string& startPath,
                                          const std::string& filter,
                                          OverwriteQuestion question) override;
  std::optional<std::string> inputText(const std::string& caption, const std::string& prompt,
                                       const std::string& initial) override;
  std::optional<TEditorFont> chooseFont(const TEditorFont& initial) override;

 protected:
  // Shows a file dialog that is set up; QDialog::Accepted when a file was chosen.
  virtual int execFileDialog(QFileDialog& dialog);

 private:
  std::optional<std::string> fileName(bool save, const std::string& caption,
                                      const std::string& startPath, const std::string& filter,
                                      OverwriteQuestion question);
  QWidget* parent_;
};

}  // namespace kyvor
