// The whole program offscreen: start-up with and without a command-line
// file, Assemble & Debug of the shipped example, trace, step over, run and
// stop through the menu keys.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolButton>

#include "base/lang.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "shell/editor/editor.h"
#include "shell/editor/editorlink.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/startup.h"
#include "shell/source/source_view.h"
#include "support/fake_clock.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"

namespace kyvor {
namespace {

// Registers of the example program (BLINK.ASM / BLINK.INC).
constexpr int kCount = 0x80;
constexpr int kTicks = 0x81;
constexpr int kPortB = 0x51;
constexpr int kW = 41;

class IdeSession : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
  }

  // Presses a key the way the keyboard does: the main window is active and
  // the key goes to the widget with the focus.
  void press(TKYMAIN& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    clock.advance(std::chrono::milliseconds(100));
    test::PressInWindow(w, key, mods);
  }

  // Lets the run timer drive the run until it stops (bounded).
  bool waitRunStopped(TKYMAIN& w, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (w.RunTimerActive() && t.elapsed() < ms) QApplication::processEvents();
    return !w.RunTimerActive();
  }

  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
  QTemporaryDir dir;
  std::string source;
};

TEST_F(IdeSession, AssembleAndDebugThenTraceStepRunAndStop) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  TKy_UP& up = prog.Up();
  EXPECT_TRUE(w.windowTitle().startsWith("KYIDE HID - Mode:[Edit] ")) << w.windowTitle().toStdString();
  EXPECT_EQ(w.ConnectText(), "Simulator");

  ASSERT_TRUE(w.OpenSourceFile(source));
  EXPECT_EQ(Shell().MainFileName, source);

  press(w, Qt::Key_F4);
  ASSERT_EQ(Modes().DebugMode, 1) << (w.Forms().err()->Count() ? w.Forms().err()->TextAt(0) : "");
  EXPECT_EQ(w.Forms().err()->Count(), 0);
  EXPECT_TRUE(w.windowTitle().startsWith("KyvorIDE - Simulation   ***  Chip = KY08A16"))
      << w.windowTitle().toStdString();
  EXPECT_TRUE(w.windowTitle().contains("ICE Inteface = (none)"));
  EXPECT_EQ(w.CheckSumText().rfind("Checksum = 0x", 0), 0u) << w.CheckSumText();
  EXPECT_EQ(w.CheckSumText().size(), 17u);
  EXPECT_TRUE(QFile::exists(dir.filePath("blink.lst")));
  EXPECT_TRUE(w.IsViewShowing(w.Forms().source()));
  EXPECT_FALSE(w.IsViewShowing(w.Forms().edit()));
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_Trace)->isEnabled());
  EXPECT_FALSE(w.Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_EQ(up.GetPC(), 0u);
  EXPECT_EQ(w.Forms().source()->PCLine(), 15) << "START: CLRF COUNT";

  up.WriteRegisterModel(kCount, 0x33);
  up.WriteRegisterModel(kPortB, 0x44);
  press(w, Qt::Key_F7);  // CLRF COUNT
  EXPECT_EQ(up.GetPC(), 1u);
  EXPECT_EQ(up.ReadRegister(kCount), 0);
  EXPECT_EQ(up.ReadRegister(kPortB), 0x44);
  EXPECT_EQ(w.Forms().source()->PCLine(), 16);
  press(w, Qt::Key_F7);  // CLRF PORTB
  EXPECT_EQ(up.GetPC(), 2u);
  EXPECT_EQ(up.ReadRegister(kPortB), 0);

  // Step over CALL DELAY: the subroutine runs and returns to the second
  // word of the two-word CALL.
  press(w, Qt::Key_F8);
  ASSERT_TRUE(waitRunStopped(w));
  EXPECT_EQ(up.GetPC(), 3u);
  EXPECT_EQ(up.ReadRegister(kW), 3) << "MVL DELAYCOUNT";
  EXPECT_EQ(up.ReadRegister(kTicks), 0) << "the delay loop counted down";
  EXPECT_EQ(up.ReadRegister(kCount), 0);
  EXPECT_EQ(w.Forms().source()->PCLine(), 17) << "still the CALL line";
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_Trace)->isEnabled());
  EXPECT_FALSE(w.Action(TMenuItem::SMenu_Stop)->isEnabled());

  press(w, Qt::Key_F7);  // the CALL's second word
  EXPECT_EQ(up.GetPC(), 4u);
  EXPECT_EQ(w.Forms().source()->PCLine(), 18) << "INF COUNT, 1";
  press(w, Qt::Key_F7);  // INF COUNT, 1
  EXPECT_EQ(up.GetPC(), 5u);
  EXPECT_EQ(up.ReadRegister(kCount), 1);

  // Run: the main loop goes on until Stop.
  press(w, Qt::Key_F5);
  EXPECT_TRUE(w.RunTimerActive());
  EXPECT_EQ(Modes().TargetRunning, 1);
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_Stop)->isEnabled());
  EXPECT_FALSE(w.Action(TMenuItem::SMenu_Trace)->isEnabled());
  EXPECT_TRUE(w.Button(TToolButton::TBtK_F12)->isEnabled());
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  EXPECT_TRUE(w.RunTimerActive()) << "the window stays alive while the target runs";
  press(w, Qt::Key_F12);
  EXPECT_FALSE(w.RunTimerActive());
  EXPECT_EQ(Modes().TargetRunning, 0);
  EXPECT_GT(up.ReadRegister(kCount), 1) << "the loop went round";
  EXPECT_LT(up.GetPC(), 15u);
  EXPECT_EQ(w.Forms().source()->LastPC(), up.GetPC()) << "the PC line follows the stop";
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_Trace)->isEnabled());
  EXPECT_FALSE(w.Action(TMenuItem::SMenu_Stop)->isEnabled());
  EXPECT_TRUE(w.windowTitle().startsWith("KyvorIDE - Simulation"));

  // Reset puts the PC back to 0.
  press(w, Qt::Key_F6);
  EXPECT_EQ(up.GetPC(), 0u);

  // Edit mode (Ctrl+F11): the edit-mode title comes back.
  press(w, Qt::Key_F11, Qt::ControlModifier);
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(w.windowTitle().startsWith("KYIDE HID - Mode:[Edit] "));
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
  EXPECT_TRUE(w.IsViewShowing(w.Forms().edit()));
  EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
}

TEST_F(IdeSession, TraceAndStepOverAreDebounced) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(source));
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1);
  clock.advance(std::chrono::milliseconds(100));
  w.SMenu_TraceClick();
  clock.advance(std::chrono::milliseconds(9));
  w.SMenu_TraceClick();  // within 10 ms: ignored
  EXPECT_EQ(prog.Up().GetPC(), 1u);
  clock.advance(std::chrono::milliseconds(10));
  w.SMenu_TraceClick();
  EXPECT_EQ(prog.Up().GetPC(), 2u);
  clock.advance(std::chrono::milliseconds(100));
  w.SMenu_StepOverClick();
  ASSERT_TRUE(waitRunStopped(w));
  EXPECT_EQ(prog.Up().GetPC(), 3u);
  clock.advance(std::chrono::milliseconds(49));
  w.SMenu_StepOverClick();  // within 50 ms: ignored
  EXPECT_EQ(prog.Up().GetPC(), 3u);
  clock.advance(std::chrono::milliseconds(1));
  w.SMenu_StepOverClick();  // not a call: one instruction
  ASSERT_TRUE(waitRunStopped(w));
  EXPECT_EQ(prog.Up().GetPC(), 4u);
}

TEST_F(IdeSession, CommandLineFileIsAssembledAndDebuggedAtStartUp) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({QString::fromStdString(source)}));
  TKYMAIN& w = prog.Main();
  EXPECT_EQ(Shell().StartedWithFile, 1);
  EXPECT_EQ(Modes().DebugMode, 1);
  EXPECT_EQ(Shell().MainFileName, source);
  EXPECT_TRUE(w.windowTitle().startsWith("KyvorIDE - Simulation   ***  Chip = KY08A16"));
  EXPECT_FALSE(w.Action(TMenuItem::Menu_File)->isEnabled());
  EXPECT_FALSE(w.Action(TMenuItem::Menu_Edit)->isEnabled());
  EXPECT_FALSE(w.Action(TMenuItem::Menu_Option)->isEnabled());
  EXPECT_FALSE(w.Action(TMenuItem::SMenu_EditMode)->isEnabled());
  EXPECT_TRUE(dialogs.messages().empty());
  clock.advance(std::chrono::milliseconds(100));
  w.SMenu_TraceClick();
  EXPECT_EQ(prog.Up().GetPC(), 1u);
}

TEST_F(IdeSession, MissingCommandLineFileShowsTheMessageAndEnds) {
  TKyProgram prog(KYVOR_DATA_DIR);
  EXPECT_FALSE(prog.Start({dir.filePath("nothere.asm")}));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Error! file do't exist!");
  EXPECT_EQ(dialogs.messages()[0].icon, MsgIcon::Error);
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbCancel));
  EXPECT_TRUE(prog.Main().IsClosed());
  EXPECT_FALSE(prog.Main().isVisible());
  EXPECT_EQ(Modes().DebugMode, 0);
}

TEST_F(IdeSession, FailedBuildOfTheCommandLineFileEndsTheProgram) {
  QFile bad(dir.filePath("bad.asm"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("        ORG 0\r\n        FOO 1\r\n        END\r\n");
  bad.close();
  TKyProgram prog(KYVOR_DATA_DIR);
  EXPECT_FALSE(prog.Start({dir.filePath("bad.asm")}));
  EXPECT_TRUE(prog.Main().IsClosed());
  EXPECT_GT(prog.Main().Forms().err()->Count(), 0);
}

TEST_F(IdeSession, AssembleErrorsGoToTheErrorListAndStayInEditMode) {
  QFile bad(dir.filePath("bad.asm"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("        ORG 0\r\n        CLRF\r\n        FOO 1\r\n        END\r\n");
  bad.close();
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(dir.filePath("bad.asm").toStdString()));
  w.SMenu_AssembleDebugClick();
  EXPECT_EQ(Modes().DebugMode, 0);
  TKy_ERR* err = w.Forms().err();
  ASSERT_GT(err->Count(), 0);
  EXPECT_TRUE(w.IsViewShowing(err));
  EXPECT_EQ(err->PathAt(0), dir.filePath("bad.asm").toStdString());
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_AssembleDebug)->isEnabled())
      << "the build commands come back";
  // Double-click on the first error selects its line in the editor.
  EXPECT_TRUE(err->OpenEntry(0));
  EXPECT_TRUE(w.IsViewShowing(w.Forms().edit()));
}

TEST_F(IdeSession, NoMainFileGivesTheMainFileMessage) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  w.SMenu_NewClick();
  ASSERT_EQ(prog.EditorPages()->PageCount(), 1);
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Please set the \"Mail File\".");
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(w.Action(TMenuItem::SMenu_AssembleDebug)->isEnabled());
}

TEST_F(IdeSession, RunStoppedRefreshReachesTheShowingWindowsOnly) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(source));
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1);
  w.SMenu_ViewClick(ViewRam);
  const int ram0 = w.Forms().view<TKy_RAM>(ViewRam)->refreshCount();
  const int stk0 = w.Forms().view<TKy_STK>(ViewStk)->refreshCount();
  const int watch0 = w.Forms().view<TKy_WATCH>(ViewWatch)->refreshCount();
  clock.advance(std::chrono::milliseconds(100));
  w.SMenu_TraceClick();
  EXPECT_EQ(w.Forms().view<TKy_RAM>(ViewRam)->refreshCount(), ram0 + 1);
  EXPECT_EQ(w.Forms().view<TKy_STK>(ViewStk)->refreshCount(), stk0) << "not showing";
  EXPECT_EQ(w.Forms().view<TKy_WATCH>(ViewWatch)->refreshCount(), watch0 + 1) << "the watch values always";
  // Leaving debug mode remembers the RAM view; the next debug entry shows it.
  w.SMenu_EditModeClick();
  EXPECT_TRUE(Shell().DebugViewShown[ShownSlot(ViewRam)]);
  EXPECT_FALSE(w.IsViewShowing(w.Forms().view<TKy_RAM>(ViewRam)));
  w.SMenu_AssembleDebugClick();
  EXPECT_TRUE(w.IsViewShowing(w.Forms().view<TKy_RAM>(ViewRam)));
}

TEST_F(IdeSession, BreakpointOnTheSourceLineStopsTheRun) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({QString::fromStdString(source)}));
  TKYMAIN& w = prog.Main();
  ASSERT_EQ(Modes().DebugMode, 1);
  TKy_Source* src = w.Forms().source();
  src->SelectRow(19);  // line 20: BTGF
  press(w, Qt::Key_F2);
  EXPECT_EQ(prog.Up().BreakpointCount(), 1);
  EXPECT_EQ(prog.Up().GetBreakpointFlag(7, 2), 1);
  EXPECT_TRUE(src->HasBreakMark(20));
  press(w, Qt::Key_F5);
  ASSERT_TRUE(waitRunStopped(w));
  EXPECT_EQ(prog.Up().GetPC(), 7u);
  EXPECT_EQ(prog.Up().ReadRegister(kCount), 1);
  EXPECT_EQ(src->PCLine(), 20);
  press(w, Qt::Key_F5);
  ASSERT_TRUE(waitRunStopped(w));
  EXPECT_EQ(prog.Up().GetPC(), 7u);
  EXPECT_EQ(prog.Up().ReadRegister(kCount), 2) << "once more round the loop";
  press(w, Qt::Key_F2);  // off again
  EXPECT_EQ(prog.Up().BreakpointCount(), 0);
  EXPECT_FALSE(src->HasBreakMark(20));
}

}  // namespace
}  // namespace kyvor
