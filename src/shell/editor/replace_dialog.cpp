#include "shell/editor/replace_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kyvor {

TEdReplaceDialog::TEdReplaceDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Replace"));
  setModal(false);
  EdFind = new QLineEdit(this);
  EdReplace = new QLineEdit(this);
  CkMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
  CkWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
  BtFind = new QPushButton(QStringLiteral("&Find Next"), this);
  BtReplace = new QPushButton(QStringLiteral("&Replace"), this);
  BtReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
  BtClose = new QPushButton(QStringLiteral("Cancel"), this);
  BtFind->setDefault(true);

  // Each label names its text field, whose key its '&' marks.
  auto* findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
  findLabel->setBuddy(EdFind);
  auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
  replaceLabel->setBuddy(EdReplace);
  auto* grid = new QGridLayout;
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(EdFind, 0, 1);
  grid->addWidget(replaceLabel, 1, 0);
  grid->addWidget(EdReplace, 1, 1);
  grid->addWidget(CkWholeWord, 2, 0, 1, 2);
  grid->addWidget(CkMatchCase, 3, 0, 1, 2);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(BtFind);
  buttons->addWidget(BtReplace);
  buttons->addWidget(BtReplaceAll);
  buttons->addWidget(BtClose);
  buttons->addStretch();
  auto* top = new QHBoxLayout(this);
  top->addLayout(grid, 1);
  top->addLayout(buttons);

  connect(BtFind, &QPushButton::clicked, this, [this] { if (OnFind) OnFind(); });
  connect(BtReplace, &QPushButton::clicked, this, [this] { if (OnReplace) OnReplace(false); });
  connect(BtReplaceAll, &QPushButton::clicked, this, [this] { if (OnReplace) OnReplace(true); });
  connect(BtClose, &QPushButton::clicked, this, &QDialog::hide);
}

TEdReplaceDialog::~TEdReplaceDialog() = default;

QString TEdReplaceDialog::FindText() const { return EdFind->text(); }
void TEdReplaceDialog::SetFindText(const QString& text) { EdFind->setText(text); }
QString TEdReplaceDialog::ReplaceText() const { return EdReplace->text(); }
void TEdReplaceDialog::SetReplaceText(const QString& text) { EdReplace->setText(text); }
bool TEdReplaceDialog::MatchCase() const { return CkMatchCase->isChecked(); }
bool TEdReplaceDialog::WholeWord() const { return CkWholeWord->isChecked(); }

}  // namespace kyvor
