#pragma once
// The two modal pop-ups shared by the debug windows: the hex keypad
// (TKyPopSelHex) that collects a number of at most a given number of hex
// digits, each limited by a mask, and closes by itself after the last digit;
// and the one-line input box (TKyIntStr, caption "Input").
#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "debugwin/popups.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kyvor {

// True when hex digit `digit` (0..15) may become digit number `position`
// (0-based) of an entry under `mask`: the mask has such a character and the
// digit does not exceed its value.
bool KeypadDigitAllowed(std::string_view mask, std::size_t position, int digit);

// Top-left corner of a w x h window asked for at (x, y), moved left or up by
// what it would stick out of a screen of screenW x screenH.
std::pair<int, int> KeepOnScreen(int x, int y, int w, int h, int screenW, int screenH);

class TKyPopSelHex : public QDialog {
  Q_OBJECT
 public:
  explicit TKyPopSelHex(QWidget* parent = nullptr);
  ~TKyPopSelHex() override;

  // Shows the keypad modally for the request; true with the value when it was
  // accepted.
  bool ExecuteHexKeypad(const TKeypadRequest& request, uint32_t& value);

  // The steps of ExecuteHexKeypad without the modal loop: Prepare sets the
  // keypad up for a request (place, caption, status, empty entry); after the
  // keypad has closed, Result gives the accepted flag and the value.
  void Prepare(const TKeypadRequest& request);
  bool Result(uint32_t& value) const;

  QLineEdit* Entry() const { return eNum_; }
  QLabel* Status() const { return pnlStatus_; }
  // Buttons 0..15 digits "0".."F", 16 accept, 17 clear, 18 cancel.
  QPushButton* Button(int i) const { return buttons_.at(std::size_t(i)); }
  int BeepCount() const { return beeps_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applyCaptions();
  void addDigit(int digit);
  void finishIfFull();
  void acceptEntry();
  void beep();

  QLineEdit* eNum_;
  QLabel* pnlStatus_;
  QWidget* pBase_;
  std::array<QPushButton*, 19> buttons_{};
  std::string mask_;
  int64_t limit_ = -1;
  bool accepted_ = false;
  int beeps_ = 0;
};

class TKyIntStr : public QDialog {
  Q_OBJECT
 public:
  explicit TKyIntStr(QWidget* parent = nullptr);
  ~TKyIntStr() override;

  // Shows the box modally at (x, y); text := the edit's text (also when
  // cancelled); true when Ok was pressed.
  bool ExecuteInputBox(int x, int y, std::string& text);

  QLineEdit* Edit1() const { return edit_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool OkFlag() const { return okFlag_; }
  bool CancelFlag() const { return cancelFlag_; }
  // The steps of ExecuteInputBox around the modal loop.
  void Prepare(int x, int y);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edit_;
  QPushButton* ok_;
  QPushButton* cancel_;
  bool okFlag_ = false;
  bool cancelFlag_ = false;
};

// The keypad and input box of the running program, made at their first use
// while the program holds them; each lives until the program ends.
class TProgramPopups {
 public:
  TProgramPopups();
  ~TProgramPopups();
  TProgramPopups(const TProgramPopups&) = delete;
  TProgramPopups& operator=(const TProgramPopups&) = delete;

 private:
  friend TKyPopSelHex* KyPopSelHex();
  friend TKyIntStr* KyIntStr();
  std::unique_ptr<TKyPopSelHex> keypad_;
  std::unique_ptr<TKyIntStr> inputBox_;
};

// The keypad and input box last made (the program's, made now when it has
// none yet); nullptr without either.
TKyPopSelHex* KyPopSelHex();
TKyIntStr* KyIntStr();

}  // namespace kyvor
