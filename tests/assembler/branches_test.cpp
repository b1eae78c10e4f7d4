// Short and relative branches: displacement ranges and branch targets.
#include "asm_fixture.h"
#include "handoff_fixture.h"

namespace kyvor::test {
namespace {

class BranchesModel : public AsmFixture {};

TEST_F(BranchesModel, ShortBranchRange) {
  // JZ at 0: displacement = target - 0 - 1.
  std::vector<std::string> lines = {"  JZ T127", "  JZ T128"};
  for (int i = 0; i < 126; ++i) lines.push_back("  NOP");
  lines.push_back("T127: NOP");  // address 128: displacement 127 from 0
  lines.push_back("T128: NOP");  // address 129: displacement 128 from 0, 127 from 1
  std::string text;
  for (auto& l : lines) text += l + "\r\n";
  Write("m.asm", text);
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(Word(0), 0x717F);
  EXPECT_EQ(Word(1), 0x717F);
  Write("n.asm", Crlf({"  JZ FAR", "  ORG 129", "FAR: NOP"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  EXPECT_EQ(FirstError(), Err(23, 1, "Over Range [FAR     JZ]", "n.asm"));
}

TEST_F(BranchesModel, RelativeBranchRange) {
  Write("m.asm", Crlf({"BACK: NOP", "  ORG 1024", "  RJ BACK", "  RJ BACK"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(Word(1024), 0x7800);  // -1025 is refused: no displacement inserted
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(23, 3, "Over Range [BACK     RJ]"));
  Write("n.asm", Crlf({"BACK: NOP", "  ORG 1024", "  RJ BACK"}));
  EXPECT_EQ(Assemble("n.asm"), 0);
  Write("o.asm", Crlf({"BACK: NOP", "  ORG 1023", "  RJ BACK"}));
  ASSERT_EQ(Assemble("o.asm"), 1) << FirstError();
  EXPECT_EQ(Word(1023), 0x7C00);  // -1024 in 11 bits
}

class Branches : public HandOffFixture {};

TEST_F(Branches, UndefinedBranchTargetIsReportedOnce) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "  JZ NOPE"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [NOPE]"))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  RJ NOPE"})), 0);
  EXPECT_EQ(Errors(), 1) << AllErrors();
}

TEST_F(Branches, OverRangeShortBranch) {
  std::string ok = "  JZ T\r\n";
  for (int i = 0; i < 127; ++i) ok += "  NOP\r\n";
  ok += "T: NOP\r\n";  // 128: displacement 127
  ASSERT_EQ(RunSource(ok), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x717F);

  std::string bad = "  JZ T\r\n";
  for (int i = 0; i < 128; ++i) bad += "  NOP\r\n";
  bad += "T: NOP\r\n";  // 129: displacement 128
  EXPECT_EQ(RunSource(bad), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(23, 1, "Over Range [T     JZ]"));

  std::string back = "T: NOP\r\n";
  for (int i = 0; i < 126; ++i) back += "  NOP\r\n";
  back += "  JNZ T\r\n";  // at 127: 0 - 127 - 1 = -128
  ASSERT_EQ(RunSource(back), 1) << AllErrors();
  EXPECT_EQ(W(127), 0x7580);

  std::string back2 = "T: NOP\r\n";
  for (int i = 0; i < 127; ++i) back2 += "  NOP\r\n";
  back2 += "  JNZ T\r\n";  // at 128: -129
  EXPECT_EQ(RunSource(back2), 0);
  EXPECT_TRUE(HasError(E(23, 129, "Over Range [T     JNZ]"))) << AllErrors();
}

TEST_F(Branches, OverRangeRelativeJump) {
  Chip().ChipRomWords = 2048;
  std::string ok = "T: NOP\r\n";
  for (int i = 0; i < 1022; ++i) ok += "  NOP\r\n";
  ok += "  RJ T\r\n";  // at 1023: -1024
  ASSERT_EQ(RunSource(ok), 1) << AllErrors();
  EXPECT_EQ(W(1023), 0x7C00);

  std::string bad = "T: NOP\r\n";
  for (int i = 0; i < 1023; ++i) bad += "  NOP\r\n";
  bad += "  RJ T\r\n";  // at 1024: -1025
  EXPECT_EQ(RunSource(bad), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(23, 1025, "Over Range [T     RJ]"));

  std::string fwd = "  RCALL T\r\n";
  for (int i = 0; i < 1023; ++i) fwd += "  NOP\r\n";
  fwd += "T: NOP\r\n";  // at 1024: +1023
  ASSERT_EQ(RunSource(fwd), 1) << AllErrors();
  EXPECT_EQ(W(0), 0xCBFF);

  std::string fwd2 = "  RCALL T\r\n";
  for (int i = 0; i < 1024; ++i) fwd2 += "  NOP\r\n";
  fwd2 += "T: NOP\r\n";  // +1024
  EXPECT_EQ(RunSource(fwd2), 0);
  EXPECT_TRUE(HasError(E(23, 1, "Over Range [T     RCALL]"))) << AllErrors();
}

TEST_F(Branches, ABranchToANumber) {
  ASSERT_EQ(RunSource(Lines({"  JZ 5", "  RJ 0", "  RCALL 1"})), 1) << AllErrors();
  EXPECT_EQ(Hex4(W(0)), "7104");
  EXPECT_EQ(Hex4(W(1)), "7FFE");
  EXPECT_EQ(Hex4(W(2)), "CFFE");
}

}  // namespace
}  // namespace kyvor::test
