#pragma once
// The common base of the debug windows: a child form that views the CPU model
// and counts the refreshes asked of it.
#include "guicommon/childform.h"

namespace kyvor {

class TKyDebugForm : public TKyChildForm {
  Q_OBJECT
 public:
  TKyDebugForm(const QString& name, const QString& caption, QWidget* parent = nullptr)
      : TKyChildForm(name, caption, parent) {}

  int refreshCount() const { return refreshes_; }
  int forcedRefreshCount() const { return forced_; }

 protected:
  void noteRefresh(bool force) {
    ++refreshes_;
    if (force) ++forced_;
  }

 private:
  int refreshes_ = 0;
  int forced_ = 0;
};

}  // namespace kyvor
