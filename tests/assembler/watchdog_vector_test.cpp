// The watchdog reset vector of chip 113.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class WatchdogVectorModel : public AsmFixture {};

TEST_F(WatchdogVectorModel, WatchdogVectorOnChip113) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  options.ChWDTJMPOO = 1;
  std::string text = "  ORG 3EH\r\n  BTSZ 80H, 1\r\n  NOP\r\n";
  Write("m.asm", text);
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0x3E), 0x0000);
  EXPECT_EQ(Word(0x3F), 0x7841);  // K08B JMP 0041h
  EXPECT_EQ(Word(0x40), 0x7800);  // JMP 0000h
  EXPECT_EQ(Word(0x41), 0xA280);  // BTSZ 80H, 1
  Write("n.asm", "  ORG 3FH\r\n  MVL 1\r\n");
  ASSERT_EQ(Assemble("n.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0x3F), 0x7841);
  EXPECT_EQ(Word(0x40), 0x7800);
  EXPECT_EQ(Word(0x41), 0x0601);
}

class WatchdogVector : public HandOffFixture {
 protected:
  void SetUp() override {
    HandOffFixture::SetUp();
    Chip().ChipId = 113;
    Chip().CoreVariant = 1;
    opt.ChWDTJMPOO = 1;
  }
};

TEST_F(WatchdogVector, JumpsInsertedAt3F) {
  std::string src;
  for (int i = 0; i < 0x3F; ++i) src += "  NOP\r\n";
  src += "  MVL 5\r\n";
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3E)), "0000");
  EXPECT_EQ(Hex4(W(0x3F)), "7841");
  EXPECT_EQ(Hex4(W(0x40)), "7800");
  EXPECT_EQ(Hex4(W(0x41)), "0605");
}

TEST_F(WatchdogVector, SkipAt3EIsPushedBehindANop) {
  std::string src;
  for (int i = 0; i < 0x3E; ++i) src += "  MVL 1\r\n";
  src += "  BTSZ 80H, 0\r\n  MVL 2\r\n";
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3D)), "0601");
  EXPECT_EQ(Hex4(W(0x3E)), "0000");
  EXPECT_EQ(Hex4(W(0x3F)), "7841");
  EXPECT_EQ(Hex4(W(0x40)), "7800");
  EXPECT_EQ(Hex4(W(0x41)), "A080");
  EXPECT_EQ(Hex4(W(0x42)), "0602");
}

TEST_F(WatchdogVector, ListingMarksInsertedLines) {
  ASSERT_EQ(RunSource(Lines({"  ORG 3FH", "  MVL 5"})), 1) << AllErrors();
  const std::string head =
      "\r\nline--addr--code----instruction-------------------------------------\r\n\r\n";
  EXPECT_EQ(Read("main.lst"),
            head + Lines({"0001" + std::string(16, ' ') + "  ORG 3FH",
                          "IM   003F  7841    JMP  0041h", "IM   0040  7800    JMP  0000h",
                          "0002  0041  0605      MVL 5"}));
}

TEST_F(WatchdogVector, NothingWithoutTheOption) {
  opt.ChWDTJMPOO = 0;
  ASSERT_EQ(RunSource(Lines({"  ORG 3FH", "  MVL 5"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3F)), "0605");
  Chip().ChipId = 114;
  opt.ChWDTJMPOO = 1;
  ASSERT_EQ(RunSource(Lines({"  ORG 3FH", "  MVL 5"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0x3F)), "0605");
}

}  // namespace
}  // namespace kyvor::test
