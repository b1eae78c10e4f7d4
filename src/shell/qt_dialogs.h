#pragma once
// The Qt implementation of the dialog seam.
#include "base/dialogs.h"

class QWidget;

namespace kyvor {

class QtDialogService final : public IDialogService {
 public:
  explicit QtDialogService(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  MsgResult messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       unsigned buttons) override;
  std::optional<std::string> openFileName(const std::string& caption, const std::string& startPath,
                                          const std::string& filter) override;
  std::optional<std::string> saveFileName(const std::string& caption, const std::string& startPath,
                                          const std::string& filter) override;
  std::optional<std::string> inputText(const std::string& caption, const std::string& prompt,
                                       const std::string& initial) override;

 private:
  QWidget* parent_;
};

}  // namespace kyvor
