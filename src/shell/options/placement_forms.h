#pragma once
// The forms of the IDE as the window-placement component sees them: the
// main window, every view of the views table (placed as their frames in the
// document area) and the revision viewer. The main window is recorded but,
// shown maximized, never placed.
#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "shell/options/placement_file.h"

class QWidget;

namespace kyvor {

class TKYMAIN;

class TKyFormPlacements final : public QObject, public IPlacementForms {
  Q_OBJECT
 public:
  // Hooks the main window's first show (the placements are loaded and
  // applied then).
  explicit TKyFormPlacements(TKYMAIN& main);
  ~TKyFormPlacements() override;

  // The placement component for these forms: the file is named after
  // Shell().ProgramFile, with the user's configuration folder for a program
  // folder that cannot be written.
  std::unique_ptr<TRestoreWin> MakeRestoreWin();

  int FormCount() const override;
  std::string FormName(int form) const override;
  bool ReadPlacement(int form, TFormPlacement& placement) const override;
  bool DesignedPosition(int form) const override;
  bool SizeableBorder(int form) const override;
  void AreaSize(int form, int32_t& width, int32_t& height) const override;
  void ApplyPlacement(int form, const TFormPlacement& placement) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Form {
    QWidget* widget;
    std::string name;
    bool view;  // a child window in the document area
  };
  std::vector<Form> forms() const;
  Form formAt(int form) const;

  TKYMAIN& main_;
  TRestoreWin* restoreWin_ = nullptr;
};

}  // namespace kyvor
