#include "shell/editor/find_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/dialogs.h"
#include "shell/editor/editor_texts.h"
#include "shell/editor/editorlink.h"
#include "shell/editor/editor.h"

namespace kyvor {

// ---------------------------------------------------------------- find dialog

TKy_NFind::TKy_NFind(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Ky_NFind"));
  setWindowTitle(QStringLiteral("尋找"));
  setModal(true);
  Label1 = new QLabel(QStringLiteral("尋找字串"), this);
  CbFind = new QComboBox(this);
  CbFind->setEditable(true);
  CbFind->setInsertPolicy(QComboBox::NoInsert);
  CbFind->setMinimumWidth(240);
  BtSeek = new QPushButton(QStringLiteral("尋找"), this);
  BtCancel = new QPushButton(QStringLiteral("取消"), this);
  BtSeek->setDefault(true);
  BtSeek->setAutoDefault(true);

  auto* row = new QHBoxLayout;
  row->addWidget(Label1);
  row->addWidget(CbFind, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BtSeek);
  buttons->addWidget(BtCancel);
  auto* top = new QVBoxLayout(this);
  top->addLayout(row);
  top->addLayout(buttons);

  connect(BtSeek, &QPushButton::clicked, this, &TKy_NFind::BtSeekClick);
  connect(BtCancel, &QPushButton::clicked, this, &TKy_NFind::BtCancelClick);
  Ky_Lang().AddCaptionTarget(this);
  Ky_Lang().ApplyCaptionsTo(*this);
}

TKy_NFind::~TKy_NFind() { Ky_Lang().RemoveCaptionTarget(this); }

bool TKy_NFind::ExecuteFind(const QString& initialText) {
  Found = 0;
  const QString remembered = CbFind->currentText();
  if (!initialText.isEmpty()) CbFind->setEditText(initialText);
  if (CbFind->lineEdit()) CbFind->lineEdit()->selectAll();
  exec();
  if (Found == 0) CbFind->setEditText(remembered);
  return Found != 0;
}

bool TKy_NFind::ExecuteFindOver(const QWidget& owner) {
  adjustSize();
  const QRect me(owner.mapToGlobal(QPoint(0, 0)), owner.size());
  QRect r(QPoint(0, 0), size());
  r.moveCenter(me.center());
  if (QScreen* screen = owner.screen()) {
    const QRect s = screen->geometry();
    if (r.right() > s.width()) r.moveRight(s.width());
    if (r.bottom() > s.height()) r.moveBottom(s.height());
  }
  if (r.left() < 0) r.moveLeft(0);
  if (r.top() < 0) r.moveTop(0);
  move(r.topLeft());
  return ExecuteFind();
}

QString TKy_NFind::FindText() const { return CbFind->currentText(); }

void TKy_NFind::SetFindText(const QString& text) { CbFind->setEditText(text); }

void TKy_NFind::AddFindHistory(const QString& text) {
  for (int i = 0; i < CbFind->count(); ++i) {
    if (CbFind->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
      CbFind->removeItem(i);
      break;
    }
  }
  if (CbFind->count() >= kHistorySize) CbFind->removeItem(kHistorySize - 1);
  CbFind->insertItem(0, text);
  CbFind->setCurrentIndex(0);
  CbFind->setEditText(text);
}

QStringList TKy_NFind::History() const {
  QStringList items;
  for (int i = 0; i < CbFind->count(); ++i) items.append(CbFind->itemText(i));
  return items;
}

void TKy_NFind::ApplyCaptions() {
  Label1->setText(EdText(lt::FindLabelString));
  BtSeek->setText(EdText(lt::FindButtonFind));
  BtCancel->setText(EdText(lt::FindButtonCancel));
}

void TKy_NFind::BtSeekClick() {
  const QString text = CbFind->currentText();
  Found = text.isEmpty() ? 0 : 1;
  if (!text.isEmpty()) AddFindHistory(text);
  done(Found ? QDialog::Accepted : QDialog::Rejected);
}

void TKy_NFind::BtCancelClick() { reject(); }

void TKy_NFind::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  CbFind->setFocus();
}

TKy_NFind& Ky_NFind() {
  static QPointer<TKy_NFind> dialog;
  if (!dialog) {
    dialog = new TKy_NFind(nullptr);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { delete dialog.data(); });
  }
  return *dialog;
}

// ----------------------------------------------------------- main-file dialog

TF_MFile::TF_MFile(const TKy_EDIT* editor, const QString& mainFileName, QWidget* parent)
    : QDialog(parent), mainFileName_(mainFileName) {
  pagePaths_ = [editor] {
    QStringList paths;
    if (editor)
      for (int n = 1; n <= editor->PageCount(); ++n) paths << editor->PagePath(n);
    return paths;
  };
  build();
}

TF_MFile::TF_MFile(const IEditorPages* pages, const QString& mainFileName, QWidget* parent)
    : QDialog(parent), mainFileName_(mainFileName) {
  pagePaths_ = [pages] {
    QStringList paths;
    if (pages)
      for (int n = 1; n <= pages->PageCount(); ++n)
        paths << QString::fromStdString(pages->PagePath(n));
    return paths;
  };
  build();
}

void TF_MFile::build() {
  setObjectName(QStringLiteral("F_MFile"));
  setWindowTitle(QStringLiteral("Main File"));
  setModal(true);
  List = new QListWidget(this);
  Edit = new QLineEdit(this);
  Lab_MainName = new QLabel(this);
  Lab_MainName->setFrameShape(QFrame::Panel);
  Lab_MainName->setFrameShadow(QFrame::Sunken);
  Bt_Ok = new QPushButton(QStringLiteral("&Ok"), this);
  Bt_Cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  Bt_Browse = new QPushButton(QStringLiteral("&Browse"), this);
  Bt_Ok->setDefault(true);
  Bt_Ok->setAutoDefault(true);
  Bt_Cancel->setAutoDefault(false);
  Bt_Browse->setAutoDefault(false);

  auto* editRow = new QHBoxLayout;
  editRow->addWidget(Edit, 1);
  editRow->addWidget(Bt_Browse);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Bt_Ok);
  buttons->addWidget(Bt_Cancel);
  auto* top = new QVBoxLayout(this);
  top->addWidget(List, 1);
  top->addLayout(editRow);
  top->addLayout(buttons);
  top->addWidget(Lab_MainName);
  resize(460, 300);

  List->installEventFilter(this);
  connect(List, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { ListChoose(); });
  connect(Bt_Ok, &QPushButton::clicked, this, &TF_MFile::Bt_OkClick);
  connect(Bt_Cancel, &QPushButton::clicked, this, &TF_MFile::Bt_CancelClick);
  connect(Bt_Browse, &QPushButton::clicked, this, &TF_MFile::Bt_BrowseClick);
  RefillFromEditor();
}

TF_MFile::~TF_MFile() = default;

QString TF_MFile::ChosenPath() const { return Edit->text(); }

void TF_MFile::RefillFromEditor() {
  List->clear();
  List->addItems(pagePaths_());
  choose(mainFileName_);
}

void TF_MFile::choose(const QString& path) {
  Lab_MainName->setText(path);
  Edit->setText(path);
}

void TF_MFile::ListChoose() {
  QListWidgetItem* item = List->currentItem();
  if (item && item->isSelected()) choose(item->text());
}

void TF_MFile::Bt_BrowseClick() {
  QString start = Edit->text().isEmpty() ? QString() : QFileInfo(Edit->text()).absolutePath();
  auto chosen = Dialogs().openFileName("name", start.toStdString(), "*.asm|*.asm|*.*|*.*");
  if (chosen && !chosen->empty()) choose(QString::fromStdString(*chosen));
}

void TF_MFile::Bt_OkClick() {
  if (Edit->text().isEmpty()) {
    QApplication::beep();
    return;
  }
  mainFileName_ = Edit->text();
  accept();
}

void TF_MFile::Bt_CancelClick() { reject(); }

void TF_MFile::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  RefillFromEditor();
}

bool TF_MFile::eventFilter(QObject* watched, QEvent* event) {
  if (watched == List && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space) {
      ListChoose();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kyvor
