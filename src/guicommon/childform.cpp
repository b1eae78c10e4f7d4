#include "guicommon/childform.h"

#include <QLayout>
#include <QMdiSubWindow>

namespace kyvor {

TKyChildForm::TKyChildForm(const QString& name, const QString& caption, QWidget* parent)
    : QWidget(parent) {
  setObjectName(name);
  setWindowTitle(caption);
}

void TKyChildForm::Refresh(TRefreshReason) {}

void TKyChildForm::setVisible(bool visible) {
  if (visible) BuildContents();
  QWidget::setVisible(visible);
}

void TKyChildForm::FitWindow(const QSize& size) {
  if (!qobject_cast<QMdiSubWindow*>(parentWidget())) {
    resize(size);
    return;
  }
  // The frame's layout puts the window back into the frame (growing the
  // frame only up to a new minimum).
  if (QLayout* frame = parentWidget()->layout()) {
    frame->invalidate();
    frame->activate();
  }
}

}  // namespace kyvor
