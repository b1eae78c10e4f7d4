// The hex keypad and the input box: the digit limit of the mask, closing after
// the last digit, Enter, Escape, Backspace, the accept button, the limit check
// on accept, the place on the screen and the captions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "base/lang.h"
#include "debugwin/kypopsel.h"

namespace kyvor {
namespace {

void Type(QWidget* w, int key, const QString& text = QString()) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &down);
}
void TypeText(QWidget* w, const QString& s) {
  for (QChar c : s) Type(w, 0, QString(c));
}

class Keypad : public ::testing::Test {
 protected:
  void open(const std::string& mask, int64_t limit = -1) {
    TKeypadRequest r;
    r.Mask = mask;
    r.Status = "00~" + mask;
    r.Caption = "Ram0080=00";
    r.Limit = limit;
    k.Prepare(r);
    k.show();
  }
  bool result(uint32_t& v) const { return k.Result(v); }
  TKyPopSelHex k;
};

TEST(KeypadDigits, MaskLimitsEachDigitAndTheCount) {
  for (int d = 0; d < 16; ++d) {
    EXPECT_TRUE(KeypadDigitAllowed("FF", 0, d));
    EXPECT_TRUE(KeypadDigitAllowed("FF", 1, d));
  }
  EXPECT_FALSE(KeypadDigitAllowed("FF", 2, 0)) << "a third digit";
  EXPECT_TRUE(KeypadDigitAllowed("1F", 0, 1));
  EXPECT_FALSE(KeypadDigitAllowed("1F", 0, 2));
  EXPECT_TRUE(KeypadDigitAllowed("1F", 1, 15));
  EXPECT_FALSE(KeypadDigitAllowed("", 0, 0));
}

TEST(KeypadPlace, StaysOnTheScreen) {
  EXPECT_EQ(KeepOnScreen(1200, 100, 150, 220, 1280, 800), std::make_pair(1130, 100));
  EXPECT_EQ(KeepOnScreen(100, 700, 150, 220, 1280, 800), std::make_pair(100, 580));
  EXPECT_EQ(KeepOnScreen(10, 20, 150, 220, 1280, 800), std::make_pair(10, 20));
}

TEST_F(Keypad, TwoDigitsOfFFCloseAtOnce) {
  open("FF");
  TypeText(k.Entry(), "3f");
  EXPECT_FALSE(k.isVisible());
  uint32_t v = 0;
  EXPECT_TRUE(result(v));
  EXPECT_EQ(v, 0x3Fu);
  EXPECT_EQ(k.windowTitle(), "Ram0080=00");
  EXPECT_EQ(k.Status()->text(), "00~FF");
}

TEST_F(Keypad, EnterAcceptsAndEscapeCancels) {
  open("FFFF");
  TypeText(k.Entry(), "12");
  EXPECT_TRUE(k.isVisible());
  Type(k.Entry(), Qt::Key_Return);
  uint32_t v = 0;
  EXPECT_TRUE(result(v));
  EXPECT_EQ(v, 0x12u);

  open("FFFF");
  EXPECT_EQ(k.Entry()->text(), "") << "each use starts empty";
  TypeText(k.Entry(), "12");
  Type(k.Entry(), Qt::Key_Escape);
  EXPECT_FALSE(k.isVisible());
  EXPECT_FALSE(result(v));
}

TEST_F(Keypad, OtherKeysAreDroppedAndBackspaceDeletes) {
  open("FFFF");
  TypeText(k.Entry(), "1g-z2");
  EXPECT_EQ(k.Entry()->text(), "12");
  Type(k.Entry(), Qt::Key_Backspace);
  EXPECT_EQ(k.Entry()->text(), "1");
  Type(k.Entry(), Qt::Key_Left);
  Type(k.Entry(), Qt::Key_Delete);
  EXPECT_EQ(k.Entry()->text(), "1");
  TypeText(k.Entry(), "a");
  EXPECT_EQ(k.Entry()->text(), "1A");
}

TEST_F(Keypad, MaskedDigitIsRefused) {
  open("1F");
  TypeText(k.Entry(), "2");
  EXPECT_EQ(k.Entry()->text(), "");
  TypeText(k.Entry(), "1");
  EXPECT_EQ(k.Entry()->text(), "1");
}

TEST_F(Keypad, ButtonsAddClearAcceptAndCancel) {
  open("FFFF");
  k.Button(16)->click();  // accept with an empty entry
  uint32_t v = 0;
  EXPECT_FALSE(k.isVisible());
  EXPECT_FALSE(result(v));

  open("FFFF");
  k.Button(0xA)->click();
  k.Button(0x5)->click();
  EXPECT_EQ(k.Entry()->text(), "A5");
  k.Button(17)->click();  // clear
  EXPECT_EQ(k.Entry()->text(), "");
  k.Button(7)->click();
  k.Button(16)->click();
  EXPECT_TRUE(result(v));
  EXPECT_EQ(v, 7u);

  open("FF");
  k.Button(1)->click();
  k.Button(18)->click();  // cancel
  EXPECT_FALSE(k.isVisible());
  EXPECT_FALSE(result(v));

  open("FF");
  k.Button(0xF)->click();
  k.Button(0xE)->click();  // the last digit closes
  EXPECT_FALSE(k.isVisible());
  EXPECT_TRUE(result(v));
  EXPECT_EQ(v, 0xFEu);
}

// A program-counter limit such as 0x27FF: every digit of a value below it can
// be typed, a value above it is refused on accept and the keypad stays open.
TEST_F(Keypad, LimitIsCheckedOnAcceptNotPerDigit) {
  open("FFFF", 0x27FF);
  TypeText(k.Entry(), "1F00");
  uint32_t v = 0;
  EXPECT_FALSE(k.isVisible());
  EXPECT_TRUE(result(v));
  EXPECT_EQ(v, 0x1F00u);

  open("FFFF", 0x27FF);
  TypeText(k.Entry(), "2800");
  EXPECT_TRUE(k.isVisible()) << "above the limit";
  EXPECT_EQ(k.BeepCount(), 1);
  Type(k.Entry(), Qt::Key_Backspace);
  Type(k.Entry(), Qt::Key_Return);
  EXPECT_FALSE(k.isVisible());
  EXPECT_TRUE(result(v));
  EXPECT_EQ(v, 0x280u);
}

TEST_F(Keypad, CaptionsFollowTheLanguage) {
  open("FF");
  EXPECT_EQ(k.Button(17)->text(), "Clear");
  EXPECT_EQ(k.Button(18)->text(), "Cancel");
  LangState().LanguageIndex = LangChinese;
  Ky_Lang().SetLanguage(LangChinese);
  open("FF");
  EXPECT_EQ(k.Button(17)->text().toStdString(), LangTextUtf8(lt::KeypadClear));
  EXPECT_NE(k.Button(17)->text(), "Clear");
  EXPECT_EQ(k.Button(18)->text().toStdString(), LangTextUtf8(lt::KeypadCancel));
  // On a Simplified-Chinese system the captions are converted like every text.
  LangState().Env = [](const std::string& name) -> std::optional<std::string> {
    if (name == "LANG") return std::string("zh_CN.UTF-8");
    return std::nullopt;
  };
  ASSERT_TRUE(Ky_Lang().ConvertsToGB());
  open("FF");
  const std::string big5 = Ky_Lang().ToUtf8(std::string(LangRawText(lt::KeypadAccept, 1)));
  EXPECT_EQ(k.Button(16)->text().toStdString(), LangTextUtf8(lt::KeypadAccept));
  EXPECT_NE(k.Button(16)->text().toStdString(), big5) << "not the Big5 text as it stands";
  ResetLangState();
}

TEST_F(Keypad, ModalRunReturnsTheTypedValue) {
  TKeypadRequest r;
  r.Mask = "FF";
  QTimer::singleShot(0, [this] { TypeText(k.Entry(), "C4"); });
  uint32_t v = 0;
  EXPECT_TRUE(k.ExecuteHexKeypad(r, v));
  EXPECT_EQ(v, 0xC4u);
}

TEST(InputBox, OkCancelAndTheKeptText) {
  TKyIntStr box;
  EXPECT_EQ(box.windowTitle(), "Input");
  std::string text;
  QTimer::singleShot(0, [&] {
    box.Edit1()->setText("COUNT");
    box.OkButton()->click();
  });
  EXPECT_TRUE(box.ExecuteInputBox(10, 10, text));
  EXPECT_EQ(text, "COUNT");
  QTimer::singleShot(0, [&] {
    EXPECT_EQ(box.Edit1()->selectedText(), "COUNT") << "the kept text, selected";
    box.CancelButton()->click();
  });
  EXPECT_FALSE(box.ExecuteInputBox(10, 10, text));
  EXPECT_EQ(text, "COUNT") << "cancelled still gives the text";
  EXPECT_TRUE(box.CancelFlag());
}

}  // namespace
}  // namespace kyvor
