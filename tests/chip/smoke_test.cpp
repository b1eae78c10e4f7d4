#include <gtest/gtest.h>
#include "chip_test_util.h"
using namespace kyvor;
TEST(Smoke, Load) {
  test::ResetChipState();
  EXPECT_EQ(ReadChipList(test::ShippedProgramFolder()), 5);
  for (int i = 0; i < 5; ++i) {
    Chip().ChipIndex = i;
    EXPECT_EQ(GetSELUP(), 1);
    for (auto& m : Chip().LoadMessages) ADD_FAILURE() << m;
    printf("%s id %X rom %u stack %d regs %d/%d/%d\n", Chip().ChipProductName.c_str(), Chip().ChipId,
           Chip().ChipRomWords, Chip().StackDepth, BitRegisterList().Count(), ByteRegisterList().Count(), WordRegisterList().Count());
  }
}
