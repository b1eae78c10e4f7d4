// The views table and the refresh loop: every view once with its form, menu
// item, flag and place; which views a refresh reaches, shown or hidden, for
// the chip's family; what leaving debug mode records.
#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolButton>
#include <set>
#include <vector>

#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/views.h"
#include "support/main_window_fixture.h"

namespace kyvor {
namespace {

// A view that writes down what it was asked.
class RecordingView : public TKyChildForm {
 public:
  explicit RecordingView(const char* name) : TKyChildForm(name, name) {}
  void Refresh(TRefreshReason reason) override { asked.push_back(reason); }
  std::vector<TRefreshReason> asked;
};

TEST(ViewTable, EveryViewOnceWithItsFormAndFlag) {
  std::set<int> indexes, flags, tiles;
  std::set<std::string> actions;
  for (const TViewRow& row : ViewRows()) {
    EXPECT_TRUE(indexes.insert(row.index).second) << row.formName;
    EXPECT_TRUE(tiles.insert(row.tile).second) << row.formName;
    EXPECT_TRUE(actions.insert(row.action).second) << row.action;
    if (row.shownSlot >= 0) {
      EXPECT_TRUE(flags.insert(row.shownSlot).second) << row.formName;
    }
    EXPECT_EQ(&ViewRow(row.index), &row);
    const std::unique_ptr<QWidget> form = row.make();
    EXPECT_EQ(form->objectName().toStdString(), row.formName);
  }
  EXPECT_EQ(indexes.size(), size_t(ViewCount));
  EXPECT_EQ(flags.size(), size_t(kShownViewCount));
  EXPECT_EQ(*tiles.rbegin(), ViewCount - 1);
}

TEST(ViewTable, ShownFlagsKeepTheOrderOfTheConfigurationFile) {
  // The configuration file stores the 13 flags in this order.
  const TViewIndex order[] = {ViewSource, ViewHex,  ViewRam,  ViewReg2,  ViewStk,
                              ViewBp,     ViewWatch, ViewAdc, ViewAdcI, ViewAdcII,
                              ViewOp,     ViewCmp,   ViewMultiCmp};
  for (int slot = 0; slot < kShownViewCount; ++slot) EXPECT_EQ(ShownSlot(order[slot]), slot);
  EXPECT_EQ(ShownSlot(ViewEdit), -1);
  EXPECT_EQ(ShownSlot(ViewErr), -1);
}

class ViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModes();
    ResetShell();
    ResetOutputFileState();
    ResetChipConfig();
    main = std::make_unique<TKYMAIN>();
    for (auto [index, name] : {std::pair{ViewRam, "Ky_RAM"}, {ViewReg2, "Ky_Reg2"},
                               {ViewWatch, "Ky_WATCH"}, {ViewBp, "Ky_BP"}, {ViewAdc, "ADCForm"},
                               {ViewAdcI, "ADCIForm"}}) {
      views[index] = std::make_unique<RecordingView>(name);
      forms.views[index] = views[index].get();
    }
    forms.up = &up;
    main->AttachForms(forms);
  }
  void TearDown() override {
    main.reset();
    ResetChipConfig();
  }
  std::vector<TRefreshReason>& Asked(TViewIndex index) { return views[index]->asked; }
  TKy_UP up;
  TKyForms forms;
  std::unique_ptr<RecordingView> views[ViewCount];
  std::unique_ptr<TKYMAIN> main;
};

// A view's frame in the document area: shown, hidden, reused, closed.
class ViewFrames : public test::MainWindowFixture {};

TEST_F(ViewFrames, ViewsShowInTheDocumentAreaAndHide) {
  main->ShowView(ram, ViewRam, 1);
  EXPECT_TRUE(main->IsViewShowing(ram));
  EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);
  main->ShowView(ram, ViewRam, 0);
  EXPECT_FALSE(main->IsViewShowing(ram));
  main->ShowView(ram, ViewRam, 1);
  EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1) << "the same frame is reused";
  // Closing a child window hides it; it is never freed.
  main->mdiArea()->subWindowList().first()->close();
  EXPECT_FALSE(main->IsViewShowing(ram));
  EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);
}

TEST_F(ViewsTest, EachViewGetsTheModel) {
  for (TViewIndex i : {ViewRam, ViewWatch, ViewAdcI}) EXPECT_EQ(views[i]->Model(), &up);
}

TEST_F(ViewsTest, RefreshReachesShownViewsOfTheChipFamilyAndTheHiddenOnesThatAskForIt) {
  using R = TRefreshReason;
  Chip().ExtendedDevice = 0;
  main->ShowView(ViewRam, 1);
  main->ShowView(ViewAdc, 1);
  main->ShowView(ViewAdcI, 1);
  main->RefreshViews(R::Step);
  EXPECT_EQ(Asked(ViewRam), std::vector{R::Step});
  EXPECT_EQ(Asked(ViewAdc), std::vector{R::Step});
  EXPECT_TRUE(Asked(ViewAdcI).empty()) << "the other family's window, though shown";
  EXPECT_EQ(Asked(ViewWatch), std::vector{R::Step}) << "the watch values follow hidden too";
  EXPECT_TRUE(Asked(ViewReg2).empty()) << "hidden";

  main->RefreshViews(R::RegisterWrite);
  EXPECT_EQ(Asked(ViewReg2), std::vector{R::RegisterWrite}) << "a write redraws it hidden too";
  EXPECT_EQ(Asked(ViewWatch).size(), 1u);
  main->RefreshViews(R::Breakpoints);
  EXPECT_EQ(Asked(ViewBp), std::vector{R::Breakpoints});
  main->RefreshViews(R::DebugEntry);
  EXPECT_EQ(Asked(ViewReg2).back(), R::DebugEntry);
  EXPECT_EQ(Asked(ViewWatch).back(), R::DebugEntry);

  Chip().ExtendedDevice = 1;
  main->RefreshViews(R::Reset);
  EXPECT_EQ(Asked(ViewAdcI), std::vector{R::Reset});
  EXPECT_EQ(Asked(ViewAdc).back(), R::DebugEntry) << "no reset for the other family";
}

TEST_F(ViewsTest, AViewShownAgainWhileDebuggingCatchesUp) {
  main->ShowView(ViewReg2, 1);
  EXPECT_TRUE(Asked(ViewReg2).empty()) << "edit mode: nothing to show yet";
  main->ShowView(ViewReg2, 0);
  main->SetDebugMode(1);
  main->RefreshViews(TRefreshReason::Step);
  EXPECT_TRUE(Asked(ViewReg2).empty()) << "hidden during the step";
  main->ShowView(ViewReg2, 1);
  EXPECT_EQ(Asked(ViewReg2), std::vector{TRefreshReason::RunStopped});
  main->ShowView(ViewReg2, 1);
  EXPECT_EQ(Asked(ViewReg2).size(), 1u) << "already showing";
  Chip().ExtendedDevice = 0;
  main->ShowView(ViewAdcI, 1);
  EXPECT_TRUE(Asked(ViewAdcI).empty()) << "the other family";
}

TEST_F(ViewsTest, AUserRegisterWriteRedrawsTheRegisterViews) {
  main->RestMode(0);  // installs the CPU model's listeners, as debug entry does
  for (auto& v : views)
    if (v) v->asked.clear();
  up.LogRegisterChange(0x20, 0x5A);
  EXPECT_EQ(Asked(ViewRam), std::vector{TRefreshReason::RegisterWrite});
  EXPECT_EQ(Asked(ViewReg2), std::vector{TRefreshReason::RegisterWrite});
  EXPECT_EQ(Asked(ViewAdc), std::vector{TRefreshReason::RegisterWrite}) << "a live analog window";
  EXPECT_TRUE(Asked(ViewAdcI).empty()) << "the other family";
  EXPECT_TRUE(Asked(ViewWatch).empty());
}

TEST_F(ViewsTest, LeavingDebugModeRecordsTheShownViewsOfTheFamilyAndHidesThem) {
  Chip().ExtendedDevice = 0;
  Shell().DebugViewShown[ShownSlot(ViewAdcI)] = true;
  Shell().DebugViewShown[ShownSlot(ViewWatch)] = true;
  main->SetDebugMode(1);
  main->ShowView(ViewRam, 1);
  main->ShowView(ViewAdc, 1);
  main->ShowView(ViewAdcI, 1);
  main->EditModePro(0);
  const auto& shown = Shell().DebugViewShown;
  EXPECT_TRUE(shown[ShownSlot(ViewRam)]);
  EXPECT_TRUE(shown[ShownSlot(ViewAdc)]);
  EXPECT_FALSE(shown[ShownSlot(ViewWatch)]) << "hidden when left";
  EXPECT_TRUE(shown[ShownSlot(ViewAdcI)]) << "the other family keeps its flag";
  for (TViewIndex i : {ViewRam, ViewAdc, ViewAdcI}) EXPECT_FALSE(main->IsViewShowing(views[i].get()));

  // Leaving through the watchdog (flag 1) records nothing.
  main->SetDebugMode(1);
  main->ShowView(ViewReg2, 1);
  main->EditModePro(1);
  EXPECT_FALSE(shown[ShownSlot(ViewReg2)]);
  EXPECT_FALSE(main->IsViewShowing(views[ViewReg2].get()));
}

TEST_F(ViewsTest, ViewMenuFollowsTheTableAndTheChip) {
  QMenu* menu = main->findChild<QMenu*>("Menu_View");
  ASSERT_NE(menu, nullptr);
  std::vector<std::string> items;
  for (QAction* a : menu->actions()) items.push_back(a->objectName().toStdString());
  std::vector<std::string> rows;
  for (const TViewRow& row : ViewRows()) rows.push_back(row.action);
  EXPECT_EQ(items, rows);
  // Each view's item and button are reached by its view index.
  for (const TViewRow& row : ViewRows()) {
    EXPECT_EQ(main->ViewAction(row.index)->objectName().toStdString(), row.action);
    if (row.button) {
      EXPECT_EQ(main->ViewButton(row.index)->objectName().toStdString(), row.button);
    } else {
      EXPECT_EQ(main->ViewButton(row.index), nullptr) << row.formName;
    }
  }

  Chip().AdcPresent = 1;
  Chip().OpPresent = 0;
  main->SetDebugMode(1);
  EXPECT_TRUE(main->ViewAction(ViewAdc)->isEnabled());
  EXPECT_FALSE(main->ViewAction(ViewOp)->isEnabled()) << "the chip has no op-amp window";
  EXPECT_TRUE(main->ViewAction(ViewStk)->isEnabled());
  EXPECT_TRUE(main->ViewButton(ViewRam)->isEnabled());
  main->SetDebugMode(0);
  EXPECT_FALSE(main->ViewAction(ViewAdc)->isEnabled());
  EXPECT_FALSE(main->ViewAction(ViewStk)->isEnabled());
  EXPECT_FALSE(main->ViewButton(ViewRam)->isEnabled());

  main->SMenu_ViewClick(ViewBp);
  EXPECT_TRUE(main->IsViewShowing(views[ViewBp].get()));
}

}  // namespace
}  // namespace kyvor
