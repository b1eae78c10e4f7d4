#pragma once
// What the options dialog's pages share in making their controls: texts from
// the text table, upper-case hex numbers and named group boxes.
#include <QGroupBox>
#include <QString>
#include <cstdint>
#include <string>

#include "base/lang.h"

namespace kyvor::optionpage {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline QString T(int row) { return Q(LangTextUtf8(row)); }

inline QString Hex(uint32_t v, int digits) {
  return QString("%1").arg(v, digits, 16, QChar('0')).toUpper();
}

inline QGroupBox* Group(QWidget* parent, const char* name) {
  auto* g = new QGroupBox(parent);
  g->setObjectName(name);
  return g;
}

}  // namespace kyvor::optionpage
