#pragma once
// Texts of the editor and its dialogs from the bilingual text table, in the
// current language, ready for Qt.
#include <QString>

#include "base/lang.h"

namespace kyvor {

inline QString EdText(int row) { return QString::fromStdString(LangTextUtf8(row)); }

}  // namespace kyvor
