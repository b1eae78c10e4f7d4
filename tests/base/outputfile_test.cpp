// Output-file naming: where the extension of the main file starts.
#include <gtest/gtest.h>

#include "base/outputfile.h"

namespace kyvor {
namespace {

class OutputFileNameTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetOutputFileState(); }
};

TEST_F(OutputFileNameTest, DotInAFolderNameDoesNotCutThePath) {
  StoreMainFileName("/p/w.1/m");
  EXPECT_EQ(OutputFileName(5), "/p/w.1/m.lst");
  StoreMainFileName("C:\\p\\w.1\\m");
  EXPECT_EQ(OutputFileName(7), "C:\\p\\w.1\\m.hex");
  StoreMainFileName("/p/a.b/");
  EXPECT_EQ(OutputFileName(4), "/p/a.b/.err");
}

TEST_F(OutputFileNameTest, ShortExtensionAfterTheLastSeparatorIsCut) {
  StoreMainFileName("/p/w.1/m.s");
  EXPECT_EQ(OutputFileName(5), "/p/w.1/m.lst");
  StoreMainFileName("/p/w.1/.a");
  EXPECT_EQ(OutputFileName(17), "/p/w.1/.map");
  StoreMainFileName("/p/w.1/m.asmx");
  EXPECT_EQ(OutputFileName(5), "/p/w.1/m.asmx.lst");
}

}  // namespace
}  // namespace kyvor
