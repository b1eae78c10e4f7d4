#include "guicommon/childform.h"

namespace kyvor {

TKyChildForm::TKyChildForm(const QString& name, const QString& caption, QWidget* parent)
    : QWidget(parent) {
  setObjectName(name);
  setWindowTitle(caption);
}

void TKyChildForm::Refresh(TRefreshReason) {}

}  // namespace kyvor
