#pragma once
// The Message form of the main window.
#include "guicommon/childform.h"

namespace kyvor {

// Forms created at start-up that no command shows yet.
class TKy_Message : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKy_Message(QWidget* parent = nullptr);
};

}  // namespace kyvor
