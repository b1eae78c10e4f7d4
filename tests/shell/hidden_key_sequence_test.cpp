// The hidden key sequence of the main window: typed in a row (in any letter
// case) it enables the LCD-panel items; any other key on the way starts it
// over; edit and debug mode then keep the Edit LCD panel item enabled.
#include <gtest/gtest.h>

#include <QAction>

#include "support/key_events.h"
#include "support/main_window_fixture.h"

namespace kyvor {
namespace {

class HiddenKeySequence : public test::MainWindowFixture {
 protected:
  bool on(TMenuItem id) { return main->Action(id)->isEnabled(); }
  bool allOn() {
    return on(TMenuItem::SMENU_OpenLCD) && on(TMenuItem::SMENU_CloseLCD) &&
           on(TMenuItem::SMenu_ELCD);
  }
  bool allOff() {
    return !on(TMenuItem::SMENU_OpenLCD) && !on(TMenuItem::SMENU_CloseLCD) &&
           !on(TMenuItem::SMenu_ELCD);
  }
  void type(const char* text) { test::Type(main.get(), QString::fromLatin1(text)); }
};

TEST_F(HiddenKeySequence, LcdItemsStartOff) {
  EXPECT_TRUE(allOff());
  EXPECT_FALSE(main->LcdPanelUnlocked());
  main->SetDebugMode(1);
  main->SetDebugMode(0);
  EXPECT_TRUE(allOff()) << "debug mode does not unlock them";
}

TEST_F(HiddenKeySequence, TheSequenceEnablesTheItems) {
  type("KYLC");
  EXPECT_TRUE(allOff()) << "four letters are not enough";
  type("D");
  EXPECT_TRUE(allOn());
  EXPECT_TRUE(main->LcdPanelUnlocked());
}

TEST_F(HiddenKeySequence, LettersAreFoldedToUpperCase) {
  type("xkyLcd");
  EXPECT_TRUE(allOn());
}

TEST_F(HiddenKeySequence, AWrongKeyInTheMiddleStartsOver) {
  type("KYXLCD");
  EXPECT_TRUE(allOff());
  type("KY LCD");
  EXPECT_TRUE(allOff()) << "a blank is a wrong key too";
  // The first letter again in the middle starts a new run at position 1.
  type("KYLKYLCD");
  EXPECT_TRUE(allOn());
}

TEST_F(HiddenKeySequence, KeysWithoutTextLeaveThePosition) {
  type("KY");
  test::Key(main.get(), Qt::Key_Shift, Qt::ShiftModifier);
  type("LCD");
  EXPECT_TRUE(allOn());
}

TEST_F(HiddenKeySequence, DebugModeSetsTheEditItemFromTheFlag) {
  type("KYLCD");
  main->SetDebugMode(1);
  EXPECT_TRUE(on(TMenuItem::SMenu_ELCD));
  main->SetDebugMode(0);
  EXPECT_TRUE(on(TMenuItem::SMenu_ELCD));
  EXPECT_TRUE(on(TMenuItem::SMENU_OpenLCD) && on(TMenuItem::SMENU_CloseLCD));
}

}  // namespace
}  // namespace kyvor
