// The options record and its reset.
#include <gtest/gtest.h>

#include "base/options.h"

namespace kyvor {
namespace {

TEST(Options, ResetGivesTheValuesBeforeTheDialogExists) {
  Options().PProg = 1;
  Options().STPOVSTAK = 1;
  Options().HaoValue = 1;
  EXPECT_FALSE(Options().PICE());
  EXPECT_EQ(Options().StackOverflowStopCode(), 0x600013u);
  ResetOptions();
  EXPECT_TRUE(Options().PICE());
  EXPECT_EQ(Options().StackOverflowStopCode(), 0x600012u);
  EXPECT_EQ(Options().HaoValue, 2000000);
  EXPECT_EQ(Options().PermissibleError, 2);
  EXPECT_EQ(Options().LpoValue, 13000);
  EXPECT_EQ(Options().OutListFile + Options().OutAsciiFile + Options().OutBinaryFile, 3);
  EXPECT_EQ(Options().ShowEditToolBar, 1);
}

}  // namespace
}  // namespace kyvor
