#include "shell/kyviews.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include "shell/kybase.h"

namespace kyvor {

TKy_Message::TKy_Message(QWidget* parent) : TKyChildForm("Ky_Message", "Message", parent) {}

}  // namespace kyvor
