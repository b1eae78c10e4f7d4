#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/dialogs.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"

using namespace kyvor;
using namespace std::chrono_literals;

TEST(DialogSeam, ScriptedAnswersInOrderThenDefaults) {
  {
    test::ScriptedDialogs dialogs;
    dialogs.answer(MsgResult::No);
    EXPECT_EQ(Dialogs().messageBox("Save?", "Kyvor-IDE", MsgIcon::None, MbYes | MbNo | MbCancel),
              MsgResult::No);
    // Queue empty: Yes/No/Cancel box defaults to Yes, an error box to Cancel.
    EXPECT_EQ(Dialogs().messageBox("Save?", "", MsgIcon::None, MbYes | MbNo), MsgResult::Yes);
    EXPECT_EQ(Dialogs().messageBox("Bad", "", MsgIcon::Error, MbCancel), MsgResult::Cancel);
    ASSERT_EQ(dialogs.messages().size(), 3u);
    EXPECT_EQ(dialogs.messages()[0].text, "Save?");
    EXPECT_FALSE(Dialogs().openFileName("Open", "", "*.asm").has_value());
    dialogs.answerFile(std::string("/tmp/a.asm"));
    EXPECT_EQ(Dialogs().openFileName("Open", "", "*.asm").value(), "/tmp/a.asm");
    EXPECT_EQ(dialogs.fileDialogs(), 2);
  }
  // The scripted service is gone: the silent default answers Ok.
  EXPECT_EQ(Dialogs().messageBox("x", "", MsgIcon::Information, MbOk), MsgResult::Ok);
}

TEST(ClockSeam, FakeClockMovesOnlyWhenTold) {
  test::FakeClock clock;
  clock.install();
  auto t0 = Clock().now();
  EXPECT_EQ(ElapsedMs(t0), 0);
  Clock().sleepFor(10ms);
  EXPECT_EQ(ElapsedMs(t0), 10);
  clock.setAdvancePerPump(5ms);
  int hooks = 0;
  clock.onPump([&] { ++hooks; });
  Clock().pumpMessages();
  Clock().pumpMessages();
  EXPECT_EQ(ElapsedMs(t0), 20);
  EXPECT_EQ(clock.pumpCount(), 2);
  EXPECT_EQ(hooks, 2);
}

TEST(ClockSeam, UninstallRestoresSteadyClock) {
  {
    test::FakeClock clock;
    clock.install();
    EXPECT_EQ(&Clock(), &clock);
  }
  EXPECT_EQ(&Clock(), &DefaultSteadyClock());
}
