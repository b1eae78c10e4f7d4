#include "debugwin/kypopsel.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "base/lang.h"
#include "base/numbers.h"

namespace kyvor {

namespace {

TKyPopSelHex* g_keypad = nullptr;
TKyIntStr* g_inputBox = nullptr;
TProgramPopups* g_programPopups = nullptr;

int HexDigitValue(QChar c) {
  const char ch = char(c.toUpper().toLatin1());
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

QString Utf8(int row) { return QString::fromStdString(LangTextUtf8(row)); }

// Keeps a dialog of the given size on the screen that holds (x, y).
QPoint OnScreen(int x, int y, QSize size) {
  QScreen* s = QGuiApplication::screenAt(QPoint(x, y));
  if (!s) s = QGuiApplication::primaryScreen();
  if (!s) return {x, y};
  const QRect g = s->geometry();
  auto [nx, ny] = KeepOnScreen(x - g.left(), y - g.top(), size.width(), size.height(), g.width(),
                               g.height());
  return {nx + g.left(), ny + g.top()};
}

constexpr int kDigitW = 32, kDigitH = 26, kEntryH = 24;

}  // namespace

bool KeypadDigitAllowed(std::string_view mask, std::size_t position, int digit) {
  if (position >= mask.size() || digit < 0 || digit > 15) return false;
  const int limit = HexDigitValue(QChar(mask[position]));
  return limit >= 0 && digit <= limit;
}

std::pair<int, int> KeepOnScreen(int x, int y, int w, int h, int screenW, int screenH) {
  if (x + w > screenW) x -= x + w - screenW;
  if (y + h > screenH) y -= y + h - screenH;
  return {x, y};
}

// ---------------------------------------------------------------------------
// Hex keypad
// ---------------------------------------------------------------------------

TKyPopSelHex::TKyPopSelHex(QWidget* parent)
    : QDialog(parent),
      eNum_(new QLineEdit(this)),
      pnlStatus_(new QLabel(this)),
      pBase_(new QWidget(this)) {
  setObjectName("KyPopSelHex");
  setWindowTitle("Hex");
  setModal(true);
  eNum_->setObjectName("ENum");
  pnlStatus_->setObjectName("PnlStatus");
  pBase_->setObjectName("PBase");
  eNum_->installEventFilter(this);
  installEventFilter(this);

  const int width = 4 * kDigitW;
  eNum_->setGeometry(8, 4, width, kEntryH);
  const int top = 4 + kEntryH + 4;
  for (int i = 0; i < 16; ++i) {
    auto* b = new QPushButton(QString(QChar("0123456789ABCDEF"[i])), pBase_);
    b->setGeometry(8 + (i % 4) * kDigitW, top + (i / 4) * kDigitH, kDigitW, kDigitH);
    connect(b, &QPushButton::clicked, this, [this, i] {
      addDigit(i);
      finishIfFull();
    });
    buttons_[std::size_t(i)] = b;
  }
  const int acceptTop = top + 4 * kDigitH;
  buttons_[16] = new QPushButton(pBase_);
  buttons_[16]->setGeometry(8, acceptTop, width, kDigitH);
  connect(buttons_[16], &QPushButton::clicked, this, [this] {
    acceptEntry();
    finishIfFull();
  });
  const int lowTop = acceptTop + kDigitH + 4;
  buttons_[17] = new QPushButton(pBase_);
  buttons_[17]->setGeometry(8, lowTop, 2 * kDigitW, kDigitH);
  connect(buttons_[17], &QPushButton::clicked, this, [this] { eNum_->clear(); });
  buttons_[18] = new QPushButton(pBase_);
  buttons_[18]->setGeometry(8 + 2 * kDigitW, lowTop, 2 * kDigitW, kDigitH);
  connect(buttons_[18], &QPushButton::clicked, this, [this] {
    accepted_ = false;
    reject();
  });
  for (auto* b : buttons_) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
  }
  const int bottom = lowTop + kDigitH + 8;
  pBase_->setGeometry(0, 0, width + 16, bottom);
  pnlStatus_->setGeometry(8, bottom, width, 18);
  setFixedSize(width + 16, bottom + 22);
  applyCaptions();
  g_keypad = this;
}

TKyPopSelHex::~TKyPopSelHex() {
  if (g_keypad == this) g_keypad = nullptr;
}

void TKyPopSelHex::applyCaptions() {
  buttons_[16]->setText(Utf8(lt::KeypadAccept));
  buttons_[16]->setToolTip(buttons_[16]->text());
  buttons_[17]->setText(Utf8(lt::KeypadClear));
  buttons_[18]->setText(Utf8(lt::KeypadCancel));
}

void TKyPopSelHex::Prepare(const TKeypadRequest& request) {
  applyCaptions();
  mask_ = request.Mask;
  limit_ = request.Limit;
  accepted_ = false;
  eNum_->clear();
  setWindowTitle(QString::fromStdString(request.Caption));
  pnlStatus_->setText(QString::fromStdString(request.Status));
  move(OnScreen(request.X, request.Y, size()));
  eNum_->setFocus();
}

bool TKyPopSelHex::Result(uint32_t& value) const {
  if (accepted_) value = uint32_t(HexStrToInt(eNum_->text().toStdString()));
  return accepted_;
}

bool TKyPopSelHex::ExecuteHexKeypad(const TKeypadRequest& request, uint32_t& value) {
  Prepare(request);
  exec();
  return Result(value);
}

void TKyPopSelHex::beep() {
  ++beeps_;
  QApplication::beep();
}

void TKyPopSelHex::addDigit(int digit) {
  const QString text = eNum_->text();
  if (!KeypadDigitAllowed(mask_, std::size_t(text.size()), digit)) return;
  eNum_->setText(text + QChar("0123456789ABCDEF"[digit]));
  eNum_->setCursorPosition(int(eNum_->text().size()));
}

// Accepts a non-empty entry within the limit; an entry above the limit is
// refused and the keypad stays open for a correction.
void TKyPopSelHex::acceptEntry() {
  const QString text = eNum_->text();
  if (text.isEmpty()) {
    accepted_ = false;
    reject();
    return;
  }
  if (limit_ >= 0 && HexStrToInt(text.toStdString()) > limit_) {
    beep();
    return;
  }
  accepted_ = true;
  accept();
}

void TKyPopSelHex::finishIfFull() {
  if (!isVisible() || mask_.empty()) return;
  if (eNum_->text().size() == qsizetype(mask_.size())) acceptEntry();
}

bool TKyPopSelHex::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != eNum_ && watched != this))
    return QDialog::eventFilter(watched, event);
  auto* k = static_cast<QKeyEvent*>(event);
  switch (k->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      acceptEntry();
      return true;
    case Qt::Key_Escape:
      accepted_ = false;
      reject();
      return true;
    case Qt::Key_Backspace: {
      QString t = eNum_->text();
      t.chop(1);
      eNum_->setText(t);
      return true;
    }
    default:
      break;
  }
  const QString text = k->text();
  if (text.size() == 1) {
    const int d = HexDigitValue(text[0]);
    if (d >= 0) {
      addDigit(d);
      finishIfFull();
    }
  }
  return true;  // every other key is dropped
}

// ---------------------------------------------------------------------------
// Input box
// ---------------------------------------------------------------------------

TKyIntStr::TKyIntStr(QWidget* parent)
    : QDialog(parent),
      edit_(new QLineEdit(this)),
      ok_(new QPushButton("Ok", this)),
      cancel_(new QPushButton("Cancel", this)) {
  setObjectName("KyIntStr");
  setWindowTitle("Input");
  setModal(true);
  edit_->setObjectName("Edit1");
  edit_->setGeometry(8, 8, 264, 24);
  ok_->setGeometry(60, 42, 75, 26);
  cancel_->setGeometry(145, 42, 75, 26);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] {
    okFlag_ = true;
    accept();
  });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    cancelFlag_ = true;
    reject();
  });
  setFixedSize(280, 76);
  g_inputBox = this;
}

TKyIntStr::~TKyIntStr() {
  if (g_inputBox == this) g_inputBox = nullptr;
}

void TKyIntStr::Prepare(int x, int y) {
  okFlag_ = false;
  cancelFlag_ = false;
  move(OnScreen(x, y, size()));
}

void TKyIntStr::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  edit_->setFocus();
  edit_->selectAll();
}

bool TKyIntStr::ExecuteInputBox(int x, int y, std::string& text) {
  Prepare(x, y);
  exec();
  text = edit_->text().toStdString();
  return okFlag_;
}

TProgramPopups::TProgramPopups() { g_programPopups = this; }

TProgramPopups::~TProgramPopups() {
  if (g_programPopups == this) g_programPopups = nullptr;
}

TKyPopSelHex* KyPopSelHex() {
  TProgramPopups* program = g_programPopups;
  if (!g_keypad && program && !program->keypad_)
    program->keypad_ = std::make_unique<TKyPopSelHex>();
  return g_keypad;
}

TKyIntStr* KyIntStr() {
  TProgramPopups* program = g_programPopups;
  if (!g_inputBox && program && !program->inputBox_)
    program->inputBox_ = std::make_unique<TKyIntStr>();
  return g_inputBox;
}

}  // namespace kyvor
