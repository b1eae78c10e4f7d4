// The main window's remaining commands on the whole program offscreen: the
// view buttons and the editor tool bar that follow the active window, the
// bookmark tool buttons, tiling in two columns and in one, F10 back to edit
// mode, the stack status and the wait lights, the layout after File > Open,
// the View menu of the chip, the SRAM record, the main-file dialog and
// projects.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "debugwin/debugwins.h"
#include "debugwin/watchdata.h"
#include "engine/ky_up.h"
#include "shell/editor/editorlink.h"
#include "shell/editor/find_dialogs.h"
#include "shell/mainwin/startup.h"
#include "shell/editor/editor.h"
#include "shell/mainwin/main_window.h"
#include "shell/source/source_view.h"
#include "shell/editor/richedit.h"
#include "support/fake_clock.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/program_session.h"

namespace kyvor {
namespace {

class MainCommands : public test::ProgramSession {
 protected:
  void SetUp() override {
    ProgramSession::SetUp();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
    ASSERT_NO_FATAL_FAILURE(start());
  }
  void debug() {
    ASSERT_TRUE(w().OpenSourceFile(source));
    w().SMenu_AssembleDebugClick();
    ASSERT_EQ(Modes().DebugMode, 1);
  }
  void activate(QWidget* form) { w().mdiArea()->setActiveSubWindow(w().ViewFrame(form)); }
  QRect frame(QWidget* form) { return w().ViewFrame(form)->geometry(); }
  QColor digitColour(int d) {
    return w().DigitButton(d)->palette().color(QPalette::ButtonText);
  }

  std::string source;
};

TEST_F(MainCommands, TwoColumnsLeaveTheLastRightHalfEmptyAndOneColumnStacks) {
  debug();
  QWidget* src = w().Forms().source();
  QWidget* ram = w().ViewForm(ViewRam);
  QWidget* stk = w().ViewForm(ViewStk);
  w().ShowView(ViewRam, 1);
  w().ShowView(ViewStk, 1);
  const QSize area = w().mdiArea()->viewport()->size();
  w().SMenu_NextClick();
  const int cw = area.width() / 2, rh = area.height() / 2;
  // Tile order: source, RAM, stack.
  EXPECT_EQ(frame(src), QRect(0, 0, cw, rh));
  EXPECT_EQ(frame(ram), QRect(cw, 0, cw, rh));
  EXPECT_EQ(frame(stk), QRect(0, rh, cw, rh));
  EXPECT_FALSE(w().HoldsDefaultPlace(src)) << "tiled windows keep their place";
  w().SMenu_PrevClick();
  const int h = area.height() / 3;
  EXPECT_EQ(frame(src), QRect(0, 0, area.width(), h));
  EXPECT_EQ(frame(ram), QRect(0, h, area.width(), h));
  EXPECT_EQ(frame(stk), QRect(0, 2 * h, area.width(), h));
  // Alt+Down with a single window does nothing.
  w().ShowView(ViewRam, 0);
  w().ShowView(ViewStk, 0);
  const QRect before = frame(src);
  w().SMenu_NextClick();
  EXPECT_EQ(frame(src), before);
  EXPECT_EQ(w().ViewBounds(ViewRam), QRect(0, h, area.width(), h)) << "bounds of a hidden view";
}

TEST_F(MainCommands, ViewButtonsAndTheEditorToolBarFollowTheActiveWindow) {
  debug();
  w().ShowView(ViewRam, 1);
  activate(w().ViewForm(ViewRam));
  EXPECT_EQ(w().CurrentChild(), w().ViewForm(ViewRam));
  EXPECT_TRUE(w().ViewButton(ViewRam)->isChecked());
  EXPECT_FALSE(w().ViewButton(ViewSource)->isChecked());
  EXPECT_EQ(w().ToolBarHolder(), nullptr);
  EXPECT_FALSE(w().Button(TToolButton::TBtK_Find)->isVisibleTo(&w()));
  activate(w().Forms().source());
  EXPECT_EQ(w().PreviousChild(), w().ViewForm(ViewRam));
  EXPECT_TRUE(w().ViewButton(ViewSource)->isChecked());
  EXPECT_FALSE(w().ViewButton(ViewRam)->isChecked());
  EXPECT_EQ(w().ToolBarHolder(), w().Forms().source());
  EXPECT_TRUE(w().Button(TToolButton::TBtK_Find)->isVisibleTo(&w()));
  EXPECT_FALSE(w().Button(TToolButton::TBtK_Open)->isEnabled()) << "Open only in the editor";
  // Find again on the source view searches its lines.
  Ky_NFind().SetFindText("CLRF");
  w().Forms().source()->SelectRow(0);
  w().SMenu_FindAgainClick();
  EXPECT_EQ(w().Forms().source()->CurrentSourceLine(), 15);
  // Without the editor tool bar option it stays hidden.
  Options().ShowEditToolBar = 0;
  w().SyncViewButtons(w().Forms().source());
  EXPECT_FALSE(w().Button(TToolButton::TBtK_Find)->isVisibleTo(&w()));
}

TEST_F(MainCommands, BookmarkButtonsSetAndGoOnTheSourceView) {
  debug();
  TKy_Source* src = w().Forms().source();
  activate(src);
  src->SetSourceBookmark(5, 1, 2);
  src->SelectRow(9);
  w().Button(TToolButton::TBtK_SBK)->click();
  ASSERT_TRUE(w().Button(TToolButton::TBtK_SBK)->isChecked());
  EXPECT_TRUE(w().DigitBar()->isVisibleTo(&w()));
  EXPECT_EQ(digitColour(5), QColor(Qt::red));
  EXPECT_EQ(digitColour(3), QColor(Qt::black));
  EXPECT_TRUE(w().DigitButton(3)->isEnabled());
  w().DigitButton(3)->click();
  EXPECT_TRUE(src->IsSourceBookmarkSet(3));
  EXPECT_EQ(src->Bookmark(3).Row, 9);
  EXPECT_FALSE(w().Button(TToolButton::TBtK_SBK)->isChecked()) << "the button is released";
  EXPECT_FALSE(w().DigitBar()->isVisibleTo(&w()));
  // Go-to mode: blue digits, only the set ones usable.
  w().Button(TToolButton::TBtK_GBK)->click();
  EXPECT_EQ(digitColour(0), QColor(Qt::blue));
  EXPECT_FALSE(w().DigitButton(0)->isEnabled());
  EXPECT_TRUE(w().DigitButton(5)->isEnabled());
  // The two buttons are one group.
  w().Button(TToolButton::TBtK_SBK)->click();
  EXPECT_FALSE(w().Button(TToolButton::TBtK_GBK)->isChecked());
  w().Button(TToolButton::TBtK_GBK)->click();
  EXPECT_FALSE(w().Button(TToolButton::TBtK_SBK)->isChecked());
  w().DigitButton(5)->click();
  EXPECT_EQ(src->CurrentSourceLine(), 3);
  // A click on the page releases them.
  w().Button(TToolButton::TBtK_SBK)->click();
  ASSERT_TRUE(src->OnMouseDown);
  src->OnMouseDown();
  EXPECT_FALSE(w().Button(TToolButton::TBtK_SBK)->isChecked());
}

TEST_F(MainCommands, F10LeavesDebugModeEvenWhenTheAnimationNeverFinishes) {
  debug();
  up().StepReady = 0;  // a step that never ends
  const auto start = clock.now();
  w().TBtK_F10Click();
  EXPECT_EQ(Modes().DebugMode, 0);
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - start);
  EXPECT_GE(waited.count(), 2000);
  EXPECT_LT(waited.count(), 2500);
  EXPECT_TRUE(w().windowTitle().startsWith("KYIDE HID - Mode:[Edit] "));
}

TEST_F(MainCommands, F10KeepsUnsavedEditsOfTheEditor) {
  debug();
  TKy_EDIT* ed = prog->Editor();
  ASSERT_EQ(ed->PageCount(), 1);
  ed->CurrentEdit()->textCursor().insertText("; changed while debugging\n");
  ASSERT_TRUE(ed->IsPageModified(1));
  w().TBtK_F10Click();
  EXPECT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(ed->IsPageModified(1));
  EXPECT_TRUE(ed->CurrentEdit()->toPlainText().startsWith("; changed")) << "not reloaded";
}

TEST_F(MainCommands, StackStatusAndWaitLights) {
  debug();
  auto* lab = w().findChild<QLabel*>("LabSt");
  const struct {
    uint8_t r24;
    const char* text;
    QColor colour;
  } cases[] = {{0xA0, "Stack Full and Over Flow", Qt::red},
               {0x20, "Stack Over Flow", Qt::red},
               {0x80, "Stack Full", Qt::yellow},
               {0x40, "Stack Under Flow", Qt::red}};
  for (const auto& c : cases) {
    up().WriteRegisterModel(24, c.r24);
    w().ShowStackStatus();
    EXPECT_EQ(lab->text().toStdString(), c.text);
    EXPECT_EQ(lab->palette().color(QPalette::Window), c.colour) << c.text;
  }
  up().WriteRegisterModel(24, 0);
  w().ShowStackStatus();
  EXPECT_EQ(lab->text().toStdString(), Shell().MainFileName);
  // The wait lights: one per second since the build started, at most 20.
  auto* panel = w().findChild<QWidget*>("ProWait");
  panel->show();
  for (int i = 0; i < 20; ++i) w().findChild<QLabel*>(QString("PWait%1").arg(i))->hide();
  Shell().WaitStartTime = clock.now();
  w().Timer3Timer();
  EXPECT_FALSE(w().findChild<QLabel*>("PWait0")->isHidden());
  EXPECT_TRUE(w().findChild<QLabel*>("PWait1")->isHidden());
  clock.advance(std::chrono::seconds(25));
  w().Timer3Timer();
  EXPECT_FALSE(w().findChild<QLabel*>("PWait19")->isHidden());
}

TEST_F(MainCommands, OpenAppliesTheLayoutAndTheProgrammerLayoutOpensHexFiles) {
  dialogs.answerFile(source);
  w().SMenu_OpenClick();
  auto* lab = w().findChild<QLabel*>("LabSt");
  EXPECT_EQ(lab->text().toStdString(), source) << "the layout shows the main file as it is";
  EXPECT_EQ(dialogs.lastFilter(), "*.asm|*.asm|*.inc|*.inc|*.*|*.*");
  Options().PProg = 1;
  Shell().LastProgrammerFile = "/tmp/last.hex";
  w().FormActivate();
  EXPECT_EQ(lab->text().toStdString(), "/tmp/last.hex");
  w().SMenu_OpenClick();  // cancelled
  EXPECT_EQ(dialogs.lastFilter(), "*.Hex");
  EXPECT_EQ(lab->text().toStdString(), "/tmp/last.hex");
  Options().PProg = 0;
  w().FormActivate();
}

TEST_F(MainCommands, TheViewMenuShowsTheChipsPeripheralWindows) {
  struct Case {
    int chip;
    bool adc, op, cmp, adc1, adc2;
  } cases[] = {
      {0, false, true, true, true, false},   // KY08A16
      {1, true, true, true, false, false},   // QN08A4
      {2, false, false, false, true, false}, // QR08B1 (device kind 0)
      {4, false, false, false, false, true}, // QR08A3 (device kind 3)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chip);
    Chip().ChipIndex = c.chip;
    ASSERT_EQ(GetSELUP(), 1);
    EXPECT_EQ(w().ViewAction(ViewAdc)->isVisible(), c.adc);
    EXPECT_EQ(w().ViewAction(ViewOp)->isVisible(), c.op);
    EXPECT_EQ(w().ViewAction(ViewCmp)->isVisible(), c.cmp);
    EXPECT_EQ(w().ViewAction(ViewAdcI)->isVisible(), c.adc1);
    EXPECT_EQ(w().ViewAction(ViewAdcII)->isVisible(), c.adc2);
    EXPECT_FALSE(w().ViewAction(ViewMultiCmp)->isVisible());
    EXPECT_TRUE(w().ViewAction(ViewRam)->isVisible());
  }
}

TEST_F(MainCommands, RecordShowsTheChangeLogOfTheSession) {
  debug();
  up().LogRegisterChange(0x80, 0x12);
  w().SMenu_RecordClick();
  TSRAMRecord* rec = w().Forms().sram;
  ASSERT_TRUE(rec->isVisible());
  EXPECT_EQ(rec->Grid()->item(1, 2)->text(), "0080h");
  EXPECT_EQ(rec->Grid()->item(1, 1)->text(), "COUNT");
  // Running disables "Add to Current Address"; the stop gives it back.
  w().SMenu_TraceContinueClick();
  EXPECT_FALSE(rec->MenuItem("ADDCurrent")->isEnabled());
  w().SMenu_StopClick();
  EXPECT_TRUE(rec->MenuItem("ADDCurrent")->isEnabled());
  rec->hide();
  // F10 into debug mode again empties the log.
  w().TBtK_F10Click();
  w().TBtK_F10Click();
  ASSERT_EQ(Modes().DebugMode, 1);
  EXPECT_EQ(up().RegRecord.Count(), 0);
}

TEST_F(MainCommands, TheMainFileDialogSetsTheMainFile) {
  ASSERT_TRUE(w().OpenSourceFile(source));
  const std::string other = dir.filePath("blink.inc").toStdString();
  QTimer::singleShot(0, [other] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* dlg = qobject_cast<TF_MFile*>(top); dlg && dlg->isVisible()) {
        EXPECT_EQ(dlg->List->count(), 1);
        dlg->Edit->setText(QString::fromStdString(other));
        dlg->Bt_Ok->click();
      }
    }
  });
  w().SMenu_MainFileClick();
  EXPECT_EQ(Shell().MainFileName, other);
}

// --- projects -----------------------------------------------------------------

TEST(ProjectNames, OnlyTheFileNamePartCounts) {
  std::string name;
  EXPECT_TRUE(ProjectFileNameFor("/home/u/my.work/demo", name));
  EXPECT_EQ(name, "/home/u/my.work/demo.prj");
  EXPECT_TRUE(ProjectFileNameFor("/p/demo.PrJ", name));
  EXPECT_EQ(name, "/p/demo.PrJ");
  EXPECT_FALSE(ProjectFileNameFor("/p/demo.prg", name));
  EXPECT_FALSE(ProjectFileNameFor("/p/demo.prj.bak", name));
  EXPECT_EQ(ProjectWatchFileName("/home/u/my.work/demo.prj"), "/home/u/my.work/demo.pro");
  EXPECT_EQ(ProjectWatchFileName("/p/demo.v2.prj"), "/p/demo.pro");
}

TEST_F(MainCommands, AProjectRoundTrip) {
  debug();
  ASSERT_TRUE(dir.isValid());
  const std::string project = dir.filePath("demo").toStdString();
  // A wrong extension writes nothing.
  dialogs.answerFile(project + ".prg");
  w().SMenu_SaveProjectClick();
  EXPECT_EQ(dialogs.messageTexts().back(), "Save File Error");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(project + ".prg")));
  EXPECT_TRUE(Shell().ProjectFileName.empty());
  // Saved: the configuration and the watches.
  auto* watch = w().Forms().view<TKy_WATCH>(ViewWatch);
  ASSERT_TRUE(watch->AddWatch("COUNT"));
  dialogs.answerFile(project);
  w().SMenu_SaveProjectClick();
  EXPECT_EQ(Shell().ProjectFileName, project + ".prj");
  EXPECT_TRUE(QFile::exists(QString::fromStdString(project + ".prj")));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(project + ".pro")));
  EXPECT_EQ(WatchSettings().WatchListFileName, project + ".pro");
  EXPECT_TRUE(w().windowTitle().endsWith(QString::fromStdString("Project = " + project + ".prj")));
  // Elsewhere: no page, another main file, no project.
  w().SMenu_EditModeClick();
  prog->EditorPages()->CloseAllPages();
  w().SetNoFileState(1);
  Shell().ProjectFileName.clear();
  WatchSettings().WatchListFileName.clear();
  // Opened again: the page, the main file and the watch file come back.
  dialogs.answerFile(project + ".prj");
  w().SMenu_OpenProjectClick();
  EXPECT_EQ(Shell().ProjectFileName, project + ".prj");
  EXPECT_EQ(WatchSettings().WatchListFileName, project + ".pro");
  ASSERT_EQ(prog->EditorPages()->PageCount(), 1);
  EXPECT_EQ(prog->EditorPages()->PagePath(1), source);
  EXPECT_EQ(Shell().MainFileName, source);
  EXPECT_TRUE(w().windowTitle().contains(QString::fromStdString(project + ".prj")));
  // The next debug entry takes the project's watches.
  w().SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1);
  ASSERT_EQ(watch->Table().Watches().size(), 1u);
  EXPECT_EQ(watch->Table().Watches()[0].Name, "COUNT");
}

TEST_F(MainCommands, OpenProjectStopsWhenTheSaveQuestionIsCancelled) {
  ASSERT_TRUE(w().OpenSourceFile(source));
  const std::string project = dir.filePath("demo.prj").toStdString();
  dialogs.answerFile(project);
  w().SMenu_SaveProjectClick();
  prog->Editor()->CurrentEdit()->textCursor().insertText("; edited\n");
  dialogs.answerFile(project);
  dialogs.answer(MsgResult::Cancel);
  w().SMenu_OpenProjectClick();
  EXPECT_EQ(prog->EditorPages()->PageCount(), 1);
  EXPECT_TRUE(prog->Editor()->IsPageModified(1)) << "the edit is kept";
}

TEST_F(MainCommands, ClosingAsksToSaveAnOpenProject) {
  ASSERT_TRUE(w().OpenSourceFile(source));
  const std::string project = dir.filePath("demo.prj").toStdString();
  dialogs.answerFile(project);
  w().SMenu_SaveProjectClick();
  QFile::remove(QString::fromStdString(project));
  dialogs.clear();
  // Cancel keeps the program open and saves nothing; No closes without saving.
  dialogs.answer(MsgResult::Cancel);
  EXPECT_FALSE(w().close());
  EXPECT_FALSE(w().IsClosed());
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Save Project : " + project + " ?");
  EXPECT_EQ(dialogs.messages()[0].buttons, unsigned(MbYes | MbNo | MbCancel));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(project)));
  dialogs.answer(MsgResult::Yes);
  w().close();
  EXPECT_TRUE(w().IsClosed());
  EXPECT_TRUE(QFile::exists(QString::fromStdString(project)));
}

TEST_F(MainCommands, NoToTheProjectQuestionClosesWithoutSavingIt) {
  ASSERT_TRUE(w().OpenSourceFile(source));
  const std::string project = dir.filePath("demo.prj").toStdString();
  dialogs.answerFile(project);
  w().SMenu_SaveProjectClick();
  QFile::remove(QString::fromStdString(project));
  dialogs.answer(MsgResult::No);
  EXPECT_TRUE(w().close());
  EXPECT_TRUE(w().IsClosed());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(project)));
}

}  // namespace
}  // namespace kyvor
