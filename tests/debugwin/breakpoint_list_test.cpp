// The breakpoint list: rows of the breakpoint addresses with their source
// lines, refilling, and which double-clicks report an address.
#include <gtest/gtest.h>

#include "debugwin/kybp.h"
#include "engine/ky_up.h"
#include "support/debug_target.h"

namespace kyvor {
namespace {

class BreakpointList : public test::DebugTargetTest {
 protected:
  void SetUp() override {
    DebugTargetTest::SetUp();
    up->StoreProgramWord(0x10, 0, 0x2A, 0);
    up->StoreProgramWord(0x100, 0, 0, 0);  // a word without a source line
    bp = std::make_unique<TKy_BP>();
    bp->AttachModel(up.get());
  }
  QString text(int r, int c) const { return bp->GridModel()->Text(r, c); }
  std::unique_ptr<TKy_BP> bp;
};

TEST_F(BreakpointList, RowsInAddressOrderWithTheirLines) {
  ASSERT_TRUE(up->SetBreakpoint(0x100, 1, true));
  ASSERT_TRUE(up->SetBreakpoint(0x10, 2, true, 1, 0x2A));
  bp->FillBreakpointList();
  EXPECT_EQ(bp->GridModel()->rowCount(), TKy_BP::kRows);
  EXPECT_EQ(text(0, 0), "addr");
  EXPECT_EQ(text(0, 1), "line");
  EXPECT_EQ(text(1, 0), "0010");
  EXPECT_EQ(text(1, 1), "002A");
  EXPECT_EQ(text(2, 0), "0100");
  EXPECT_EQ(text(2, 1), "----");
  EXPECT_EQ(text(3, 0), "");
}

TEST_F(BreakpointList, RefillLeavesNoStaleRow) {
  ASSERT_TRUE(up->SetBreakpoint(0x10, 1, true));
  ASSERT_TRUE(up->SetBreakpoint(0x100, 1, true));
  bp->FillBreakpointList();
  ASSERT_TRUE(up->SetBreakpoint(0x10, 1, false));
  bp->Refresh(TRefreshReason::Breakpoints);
  EXPECT_EQ(text(1, 0), "0100");
  EXPECT_EQ(text(2, 0), "");
  EXPECT_EQ(text(2, 1), "");
}

TEST_F(BreakpointList, OnlyARowWithAnAddressIsReported) {
  ASSERT_TRUE(up->SetBreakpoint(0x100, 1, true));
  bp->FillBreakpointList();
  std::vector<int32_t> picked;
  bp->OnAddressPicked = [&](TKy_BP&, int32_t a) { picked.push_back(a); };
  const auto* m = bp->GridModel();
  bp->Grid()->OnDoubleClick(m->index(0, 0));  // header
  bp->Grid()->OnDoubleClick(m->index(5, 0));  // empty row
  bp->Grid()->OnDoubleClick(QModelIndex());
  EXPECT_TRUE(picked.empty());
  bp->Grid()->OnDoubleClick(m->index(1, 1));
  EXPECT_EQ(picked, std::vector<int32_t>{0x100});
  bp->OnAddressPicked = nullptr;
  bp->Grid()->OnDoubleClick(m->index(1, 0));  // no handler: nothing happens
}

}  // namespace
}  // namespace kyvor
