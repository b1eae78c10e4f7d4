// The chip-variant command of QR chips and the hidden test commands of the
// main window: their exact bytes and their one-byte replies.
#include <gtest/gtest.h>

#include <set>

#include "link_fixture.h"

namespace kyvor::test {
namespace {

class PodTestCommandsTest : public FramingTest {
 protected:
  void SetUp() override {
    FramingTest::SetUp();
    open();
  }
};

TEST_P(PodTestCommandsTest, ChipVariantFollowsTheDeviceKind) {
  EXPECT_TRUE(link().PodSendChipVariant(true));
  EXPECT_TRUE(link().PodSendChipVariant(false));
  EXPECT_EQ(sent(), (std::vector<std::string>{"B0 13", "B0 12"}));
}

TEST_P(PodTestCommandsTest, EachTestButtonSendsItsBytes) {
  std::vector<std::string> expected;
  std::set<std::string> buttons;
  for (const TPodTestCommand& c : PodTestCommands()) {
    EXPECT_TRUE(link().PodSendTestCommand(c)) << c.Button;
    buttons.insert(c.Button);
  }
  EXPECT_EQ(sent(), (std::vector<std::string>{"D5", "D7 28 02", "D7 28 04", "D7 28 06",
                                              "D7 28 0A", "D7 28 0C", "D8", "D9", "DA"}));
  EXPECT_EQ(buttons.size(), 9u);
  EXPECT_EQ(PodTestCommands()[1].Caption, std::string("BOR"));
}

TEST_P(PodTestCommandsTest, AClosedLinkSendsNothing) {
  link().PodLinkClose();
  pod().ClearLog();
  EXPECT_FALSE(link().PodSendChipVariant(true));
  EXPECT_TRUE(sent().empty());
}

INSTANTIATE_TEST_SUITE_P(Framings, PodTestCommandsTest,
                         ::testing::Values(TFraming::Bulk, TFraming::Hid), FramingName);

}  // namespace
}  // namespace kyvor::test
