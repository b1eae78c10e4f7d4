// The debug windows in the whole program: after Assemble & Debug of the
// example and a few steps, the RAM, register, stack, watch and listing windows
// show the program's state; a breakpoint set on the listing fills the
// breakpoint list, whose double-click centres the listing; the watches come
// back from the ".pro" file at the next build.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "chip/chipconfig.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "peripherals/periphwins.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/views.h"
#include "shell/source/listing.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_popups.h"
#include "support/session_support.h"

namespace kyvor {
namespace {

constexpr int kCount = 0x80, kTicks = 0x81;

class DebugViewsSession : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
    // Started without a file, so that the IDE can leave debug mode and build again.
    prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog->Start({}));
    main().show();
    ASSERT_TRUE(main().OpenSourceFile(source));
    main().SMenu_AssembleDebugClick();
    ASSERT_EQ(Modes().DebugMode, 1);
    for (TViewIndex v : {ViewHex, ViewRam, ViewReg2, ViewStk, ViewWatch, ViewBp})
      main().SMenu_ViewClick(v);
  }
  void TearDown() override {
    prog.reset();
    test::ResetProgramState();
  }
  TKYMAIN& main() { return prog->Main(); }
  template <class T>
  T* view(TViewIndex i) {
    return main().Forms().view<T>(i);
  }
  // Quits the program (from the mode it is in) and starts it again, without
  // a file, on the configuration it wrote.
  void restart() {
    ASSERT_TRUE(main().close());
    prog.reset();
    test::ResetProgramStateForRestart();
    prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog->Start({}));
    main().show();
  }
  // The add/remove dialog of the watch window, shown as its menu item shows it.
  TKy_ADDWCH* addWatchDialog() {
    view<TKy_WATCH>(ViewWatch)->MenuCommand("Add/Delete Watches");
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* add = qobject_cast<TKy_ADDWCH*>(top); add && add->isVisible()) return add;
    return nullptr;
  }
  TKy_WCHEDIT* watchEditDialog() {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* edit = qobject_cast<TKy_WCHEDIT*>(top)) return edit;
    return nullptr;
  }
  void trace(int n) {
    for (int i = 0; i < n; ++i) {
      clock.advance(std::chrono::milliseconds(100));
      main().SMenu_TraceClick();
    }
  }
  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
  test::ScriptedPopups popups;
  QTemporaryDir dir;
  std::string source;
  std::unique_ptr<TKyProgram> prog;
};

// No analog window was shown: none has built its controls, neither the
// basic family's, which took the chip at debug entry, nor the extended
// family's; a window shown builds them, as many as a window built at once.
TEST_F(DebugViewsSession, AnalogWindowsBuildTheirControlsWhenFirstShown) {
  ASSERT_NE(Chip().ExtendedDevice, 1);
  for (const TViewRow& row : ViewRows()) {
    if (!row.present) continue;
    auto* form = view<TKyPeripheralForm>(row.index);
    ASSERT_NE(form, nullptr) << row.formName;
    EXPECT_FALSE(form->ContentsBuilt()) << row.formName;
    EXPECT_TRUE(form->findChildren<QWidget*>().isEmpty()) << row.formName;
  }
  auto* adcI = view<TKyPeripheralForm>(ViewAdcI);
  main().ShowView(ViewAdcI, 1);
  EXPECT_TRUE(adcI->ContentsBuilt());
  EXPECT_TRUE(main().IsViewShowing(adcI));
  const TADCIForm atOnce;
  EXPECT_EQ(adcI->findChildren<QWidget*>().size(), atOnce.findChildren<QWidget*>().size());
  EXPECT_NE(adcI->Control("TXVDDAS1"), nullptr);
}

// The op-amp window, hidden at debug entry and after the steps, draws at its
// first show what a window built at once and refreshed the same way draws.
TEST_F(DebugViewsSession, AHiddenAnalogWindowDrawsAtItsFirstShowWhatItWouldHaveDrawn) {
  trace(3);
  auto* op = view<TKyPeripheralForm>(ViewOp);
  ASSERT_FALSE(op->ContentsBuilt());
  TOPForm atOnce;
  atOnce.AttachModel(&prog->Up());
  atOnce.Refresh(TRefreshReason::DebugEntry);
  main().ShowView(ViewOp, 1);
  ASSERT_TRUE(op->ContentsBuilt());
  const QList<QLabel*> mine = op->findChildren<QLabel*>();
  const QList<QLabel*> theirs = atOnce.findChildren<QLabel*>();
  ASSERT_EQ(mine.size(), theirs.size());
  ASSERT_FALSE(mine.isEmpty());
  for (qsizetype i = 0; i < mine.size(); ++i) {
    const std::string name = mine[i]->objectName().toStdString();
    EXPECT_EQ(mine[i]->text(), theirs[i]->text()) << name;
    EXPECT_EQ(mine[i]->isEnabled(), theirs[i]->isEnabled()) << name;
    EXPECT_EQ(mine[i]->isHidden(), theirs[i]->isHidden()) << name;
    EXPECT_EQ(mine[i]->palette().color(QPalette::Window),
              theirs[i]->palette().color(QPalette::Window))
        << name;
  }
  EXPECT_EQ(op->windowTitle(), atOnce.windowTitle());
}

TEST_F(DebugViewsSession, WindowsFollowTheSteps) {
  TKy_UP& up = prog->Up();
  auto* ram = view<TKy_RAM>(ViewRam);
  auto* reg = view<TKy_Reg2>(ViewReg2);
  auto* stk = view<TKy_STK>(ViewStk);
  auto* hex = main().Forms().hex();
  ASSERT_TRUE(ram && reg && stk && hex);
  up.WriteRegisterModel(kCount, 0x33);  // CLRF COUNT clears it
  trace(3);                             // CLRF COUNT, CLRF PORTB, CALL DELAY
  ASSERT_EQ(up.GetPC(), 0x0Au);
  EXPECT_EQ(ram->GridModel()->Text(9, 1), "00") << "COUNT";
  EXPECT_EQ(stk->GridModel()->Text(0, 1), "1");
  EXPECT_EQ(stk->GridModel()->Text(1, 1), "0003") << "the return address (the call's second word)";
  EXPECT_EQ(reg->Panel("PnlPC")->text(), " Program Counter: A");
  EXPECT_EQ(hex->PcAddress, 0x0A);
  trace(2);  // MVL DELAYCOUNT, MVF TICKS, 1
  EXPECT_EQ(reg->Panel("PnlWork")->text(), "03");
  EXPECT_EQ(ram->GridModel()->Text(9, 2), "03") << "TICKS";
  EXPECT_EQ(ram->GridModel()->Cell(9, 2).Back, gridcolour::Blue) << "changed at this step";
  // The data symbols are labelled in the RAM window.
  EXPECT_TRUE(ram->Marks().Marked(kCount));
  EXPECT_EQ(ram->Marks().HintText[kTicks], "TICKS");
  EXPECT_EQ(up.RegRecord.Count(), 0) << "the windows' refreshes write nothing";
}

// Every debug window's title, and its frame's, follows the language, also
// while it is showing.
TEST_F(DebugViewsSession, WindowTitlesFollowTheLanguage) {
  const std::pair<TViewIndex, int> titles[] = {
      {ViewHex, lt::TitleProgramMemory},   {ViewRam, lt::TitleDataMemory},
      {ViewWatch, lt::MenuViewWatch},      {ViewStk, lt::TitleStack},
      {ViewReg2, lt::RegPopupSpecialRegister}, {ViewBp, lt::MenuViewBreakPoint}};
  for (int language : {1, 0, 1}) {
    LangState().LanguageIndex = language;
    Ky_Lang().SetLanguage(language);
    for (auto [index, row] : titles) {
      QWidget* form = main().ViewForm(index);
      SCOPED_TRACE(form->objectName().toStdString() + " in language " + std::to_string(language));
      ASSERT_TRUE(main().IsViewShowing(form));
      const QString want =
          QString::fromStdString(Ky_Lang().DisplayText(LangRawText(row, language)));
      EXPECT_EQ(form->windowTitle(), want);
      EXPECT_EQ(main().ViewFrame(form)->windowTitle(), want);
      if (language == 1) {
        EXPECT_NE(want, QString::fromStdString(std::string(LangRawText(row, 0))));
      }
    }
  }
}

TEST_F(DebugViewsSession, ListingBreakpointFillsTheListAndThePickCentresTheListing) {
  auto* hex = main().Forms().hex();
  auto* bp = view<TKy_BP>(ViewBp);
  ASSERT_TRUE(hex && bp);
  QMdiSubWindow* frame = main().ViewFrame(hex);
  ASSERT_TRUE(frame);
  main().mdiArea()->setActiveSubWindow(frame);
  frame->resize(500, 400);  // rows enough that row 5 is not below the visible ones
  hex->GotoAddressCentered(0);
  hex->Grid()->setCurrentIndex(hex->GridModel()->index(5, 0));  // the mark column of 0004
  hex->Grid()->OnDoubleClick(QModelIndex());
  EXPECT_EQ(prog->Up().GetBreakpointFlag(4, 1), 1);
  EXPECT_EQ(bp->GridModel()->Text(1, 0), "0004");
  EXPECT_EQ(hex->GridModel()->Cell(5, 1).Fore, gridcolour::Red);
  hex->ShowListingAt(200, true);
  bp->Grid()->OnDoubleClick(bp->GridModel()->index(1, 0));
  EXPECT_EQ(hex->TopAddress, std::max(0, 4 - hex->VisibleRows / 2));
  // The run stops there.
  main().SMenu_RunClick();
  while (main().RunTimerActive()) QApplication::processEvents();
  EXPECT_EQ(prog->Up().GetPC(), 4u);
  EXPECT_EQ(hex->PcAddress, 4);
}

TEST_F(DebugViewsSession, WatchesComeBackAtTheNextBuild) {
  auto* watch = view<TKy_WATCH>(ViewWatch);
  ASSERT_TRUE(watch);
  EXPECT_EQ(watch->PropertiesPath(), dir.filePath("blink.pro").toStdString());
  ASSERT_TRUE(watch->AddWatch("COUNT"));
  ASSERT_TRUE(watch->AddWatch("TICKS"));
  trace(5);
  EXPECT_EQ(watch->GridModel()->Text(2, 2), "03");
  main().TBtK_F10Click();  // back to edit mode: the watches are saved
  ASSERT_EQ(Modes().DebugMode, 0);
  EXPECT_TRUE(QFile::exists(dir.filePath("blink.pro")));
  watch->ClearAllWatches();
  main().SMenu_AssembleDebugClick();  // the next build reads them back
  ASSERT_EQ(Modes().DebugMode, 1);
  ASSERT_EQ(watch->Table().Watches().size(), 2u);
  EXPECT_EQ(watch->Table().Watches()[0].Name, "COUNT");
}

// Watches set up in the dialogs survive leaving debug mode and building
// again (which reads the ".pro" file again), and a restart.
TEST_F(DebugViewsSession, WatchesSetUpInTheDialogsSurviveARebuildAndARestart) {
  auto* watch = view<TKy_WATCH>(ViewWatch);
  TKy_ADDWCH* add = addWatchDialog();
  TKy_WCHEDIT* edit = watchEditDialog();
  ASSERT_TRUE(watch && add && edit);
  ASSERT_TRUE(add->MoveSymbolToWatches("COUNT"));
  ASSERT_TRUE(add->MoveSymbolToWatches("LED"));
  add->close();
  // LED becomes a bit watch on PORTA.
  watch->Grid()->setCurrentIndex(watch->GridModel()->index(2, 0));
  ASSERT_EQ(edit->SymbolLabel()->text(), "LED");
  ASSERT_TRUE(edit->SelectBitMode(true));
  edit->ReferenceEdit()->setText("PORTA");
  edit->ApplyClick();
  // (The file keeps the watches in the order of the symbols.)
  const auto watched = [&](const std::string& name) -> const TWatchRecord* {
    for (const TWatchRecord& w : view<TKy_WATCH>(ViewWatch)->Table().Watches())
      if (w.Name == name) return &w;
    return nullptr;
  };
  const auto expectWatches = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(view<TKy_WATCH>(ViewWatch)->Table().Watches().size(), 2u);
    const TWatchRecord* count = watched("COUNT");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->Reserve, "0");
    const TWatchRecord* led = watched("LED");
    ASSERT_NE(led, nullptr);
    EXPECT_EQ(led->Addr, "050[0]");
    EXPECT_EQ(led->RefSymbol, "PORTA");
    EXPECT_EQ(led->Reserve, "1");
  };
  expectWatches("as set up");
  main().SMenu_EditModeClick();  // Ctrl+F11
  ASSERT_EQ(Modes().DebugMode, 0);
  main().SMenu_AssembleDebugClick();  // F4
  ASSERT_EQ(Modes().DebugMode, 1);
  expectWatches("after leaving debug mode and building again");
  // A watch added to an existing list is kept too.
  ASSERT_TRUE(addWatchDialog()->MoveSymbolToWatches("TICKS"));
  main().SMenu_EditModeClick();
  main().SMenu_AssembleDebugClick();
  EXPECT_EQ(watch->Table().Watches().size(), 3u);
  EXPECT_NE(watched("TICKS"), nullptr);
  ASSERT_TRUE(addWatchDialog()->MoveSymbolFromWatches("TICKS"));
  // Quit from edit mode, start again, build: still there.
  main().SMenu_EditModeClick();
  ASSERT_NO_FATAL_FAILURE(restart());
  main().SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1);
  expectWatches("after a restart");
}

// The views showing when the program is quit in debug mode come back at the
// first debug entry of the next start.
TEST_F(DebugViewsSession, ViewsShowingAtAQuitInDebugModeComeBackAfterARestart) {
  const TViewIndex shown[] = {ViewHex, ViewRam, ViewReg2, ViewStk, ViewWatch, ViewBp};
  main().ShowView(ViewWatch, 0);
  ASSERT_NO_FATAL_FAILURE(restart());
  main().SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1);
  for (TViewIndex v : shown) {
    QWidget* form = main().ViewForm(v);
    EXPECT_EQ(main().IsViewShowing(form), v != ViewWatch) << form->objectName().toStdString();
  }
}

}  // namespace
}  // namespace kyvor
