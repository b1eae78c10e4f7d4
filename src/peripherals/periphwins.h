#pragma once
// The analog peripheral windows. For now each is the window frame that the
// main window creates at start-up, shows, hides and refreshes; the panels
// bound to the chip's register fields are filled in by their own module later.
#include "guicommon/childform.h"

namespace kyvor {

class TKyPeripheralForm : public TKyChildForm {
  Q_OBJECT
 public:
  TKyPeripheralForm(const QString& name, const QString& caption, QWidget* parent = nullptr);
  // Redraws the fields from the register image.
  void DataUpdate() { ++updates_; }
  // Every redraw of the main window is a DataUpdate.
  void Refresh(TRefreshReason reason) override;
  int updateCount() const { return updates_; }

 private:
  int updates_ = 0;
};

class TADCForm : public TKyPeripheralForm {
  Q_OBJECT
 public:
  explicit TADCForm(QWidget* parent = nullptr);
};
class TOPForm : public TKyPeripheralForm {
  Q_OBJECT
 public:
  explicit TOPForm(QWidget* parent = nullptr);
};
class TCMPForm : public TKyPeripheralForm {
  Q_OBJECT
 public:
  explicit TCMPForm(QWidget* parent = nullptr);
};
class TADCIForm : public TKyPeripheralForm {
  Q_OBJECT
 public:
  explicit TADCIForm(QWidget* parent = nullptr);
};
class TADCIIForm : public TKyPeripheralForm {
  Q_OBJECT
 public:
  explicit TADCIIForm(QWidget* parent = nullptr);
};
class TMultiCMPForm : public TKyPeripheralForm {
  Q_OBJECT
 public:
  explicit TMultiCMPForm(QWidget* parent = nullptr);
};

}  // namespace kyvor
