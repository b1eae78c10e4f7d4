#pragma once
// The small forms of the main window, and the source view and listing it
// drives (their own modules).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/lang.h"
#include "guicommon/childform.h"
#include "shell/kyhex.h"
#include "shell/kysource.h"

namespace kyvor {

// Forms created at start-up that no command shows yet.
class TKy_Message : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKy_Message(QWidget* parent = nullptr);
};

}  // namespace kyvor
