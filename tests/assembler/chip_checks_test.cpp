// The strict checks of Assemble & Debug against the chip: registers, bits,
// second words, PCLATL on chip 113 and the EEPROM access sites.
#include "asm_fixture.h"
#include "handoff_fixture.h"
#include "base/numbers.h"

namespace kyvor::test {
namespace {

class ChipChecksModel : public AsmFixture {};

TEST_F(ChipChecksModel, LenientRunSkipsRegisterChecks) {
  Write("m.asm", Crlf({"  CLRF 100H", "  CLRF 1FEH, 1", "  BSF 52H, 7", "  BSF 52H, 5", "  CLRF 90H",
                      "  CLRF 120H, 1"}));
  options.AssembleOnly = 1;
  EXPECT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_TRUE(Exists("m.hex"));
  std::filesystem::remove(dir_ / "m.hex");
  options.AssembleOnly = 0;
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 3);
  EXPECT_EQ(host->Errors.Text(0), Err(24, 1, "illegally Memory or Registor [100H]"));
  EXPECT_EQ(host->Errors.Text(1), Err(24, 2, "illegally Memory or Registor [1FEH]"));
  EXPECT_EQ(host->Errors.Text(2), Err(25, 3, "illegally  Bit [7]"));
  // The listing and map are written; the image files are not.
  EXPECT_TRUE(Exists("m.lst"));
  EXPECT_FALSE(Exists("m.hex"));
}

TEST_F(ChipChecksModel, SecondWordsAreChecked) {
  Write("m.asm", Crlf({"  MVFF 12H, 85H", "  MVFF 12H, 0F00H", "  LDPR 0F00H, 1"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(24, 2, "illegally Memory or Registor [0F00H]"));
  EXPECT_EQ(host->Errors.Text(1), Err(24, 3, "illegally Memory or Registor [0F00H]"));
}

TEST_F(ChipChecksModel, EepromSitesUpToEleven) {
  Chip().SelfEromMode = 1;
  Chip().SelfEromRegister = 0x60;
  std::string text;
  for (int i = 0; i < 12; ++i) text += "  CLRF 60H\r\n";
  Write("m.asm", text);
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(up->Settings.EepromBreakCount, 11);
}

TEST_F(ChipChecksModel, PclatlRuleOnChip113) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  Write("m.asm", Crlf({"  NOP", "  MVF 1BH, 1, 0", "  MVF 1BH, 1, 0"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(FirstError(), Err(52, 2, "In KYM06 , PCLATL can not be use before 0040h"));
  options.AssembleOnly = 1;  // plain Assemble does not check it
  EXPECT_EQ(Assemble("m.asm"), 1);
}

class ChipChecks : public HandOffFixture {};

TEST_F(ChipChecks, PclatlRuleCoversAddresses0To64) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  std::string at64;
  for (int i = 0; i < 64; ++i) at64 += "  NOP\r\n";
  EXPECT_EQ(RunSource(at64 + "  MVF 1BH, 1, 0\r\n"), 0);
  EXPECT_TRUE(HasError(E(52, 65, "In KYM06 , PCLATL can not be use before 0040h")))
      << AllErrors();
  EXPECT_EQ(RunSource(at64 + "  NOP\r\n  MVF 1BH, 1, 0\r\n"), 1) << AllErrors();
  // Other forms of the register are allowed.
  EXPECT_EQ(RunSource(Lines({"  MVF 1BH, 0, 0", "  MVF 1AH, 1, 0", "  CLRF 1BH"})), 1)
      << AllErrors();
}

TEST_F(ChipChecks, DataMapIsNeverReadOutsideItsRange) {
  EXPECT_EQ(RunSource(Lines({"  MEMAR 5000H"})), 0);
  EXPECT_EQ(asmForm->ErrorTexts().at(0), E(26, 1, "Memory Over [MEMAR]"));
  EXPECT_EQ(RunSource(Lines({"  MEMAR 0FFFFH"})), 0);
  EXPECT_EQ(asmForm->ErrorTexts().at(0), E(26, 1, "Memory Over [MEMAR]"));
  EXPECT_EQ(RunSource(Lines({"  MEMAR 0-1"})), 0);
  EXPECT_EQ(asmForm->ErrorTexts().at(0), E(26, 1, "Memory Over [MEMAR]"));
  EXPECT_EQ(RunSource(Lines({"  MEMAR 0FF0H", "V DS 20H"})), 0);
  EXPECT_TRUE(HasCode(26)) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  MEMAR 80H", "V DS 0-1"})), 0);
  EXPECT_TRUE(HasError(E(26, 2, "Memory Over [V]"))) << AllErrors();
}

TEST_F(ChipChecks, RegisterChecksOutsideTheDataMap) {
  EXPECT_EQ(RunSource(Lines({"  CLRF 5000H, 1", "  BSF 0FFFFH, 1, 1", "  CLRF 0-1"})), 0);
  EXPECT_TRUE(HasError(E(24, 1, "illegally Memory or Registor [5000H]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 2, "illegally Memory or Registor [0FFFFH]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 3, "illegally Memory or Registor [0-0001H]"))) << AllErrors();
  EXPECT_EQ(Errors(), 3) << AllErrors();
}

TEST_F(ChipChecks, RegisterChecksOnlyWhenStrict) {
  const std::string src = Lines({"  CLRF 100H", "  CLRF 7FH", "  CLRF 90H, 1", "  BSF 52H, 7",
                                 "  BSF 52H, 5", "  CLRF 90H", "  CLRF 110H, 1"});
  EXPECT_EQ(RunSource(src), 0);
  EXPECT_EQ(Errors(), 4) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 1, "illegally Memory or Registor [100H]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 2, "illegally Memory or Registor [7FH]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 3, "illegally Memory or Registor [90H]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(25, 4, "illegally  Bit [7]"))) << AllErrors();
  // The words are still handed over, the listing and map written.
  EXPECT_EQ(target->Words.size(), 256u);
  EXPECT_TRUE(Exists("main.lst"));
  EXPECT_FALSE(Exists("main.hex"));

  opt.AssembleOnly = 1;
  EXPECT_EQ(RunSource(src), 1) << AllErrors();
  EXPECT_EQ(Errors(), 0);
}

TEST_F(ChipChecks, SecondWordChecks) {
  EXPECT_EQ(RunSource(Lines({"  MVFF 12H, 7FH", "  MVFF 7FH, 12H", "  LDPR 180H, 1",
                             "  LDPR 100H, 1"})),
            0);
  EXPECT_EQ(Errors(), 3) << AllErrors();
  EXPECT_TRUE(HasCode(24)) << AllErrors();
}

TEST_F(ChipChecks, DataDirectivesAreNotChecked) {
  ASSERT_EQ(RunSource(Lines({"  DW 0C7FH", "  DB 0CH, 7FH"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0C7F);
  EXPECT_EQ(W(1), 0x0C7F);
}

TEST_F(ChipChecks, PclatlBeforeTheVectorOnChip113) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MVF 1BH, 1, 0", "  MVF 1BH, 1, 0"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0],
            E(52, 2, "In KYM06 , PCLATL can not be use before 0040h"));

  opt.AssembleOnly = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MVF 1BH, 1, 0"})), 1) << AllErrors();
}

TEST_F(ChipChecks, RegisterErrorsShowTheCanonicalOperand) {
  EXPECT_EQ(RunSource(Lines({"REG EQU 100H", "BIT EQU 7", "  CLRF REG", "  BSF 52H, BIT"})), 0);
  EXPECT_TRUE(HasError(E(24, 3, "illegally Memory or Registor [100H]"))) << AllErrors();
  EXPECT_TRUE(HasError(E(25, 4, "illegally  Bit [7]"))) << AllErrors();
}

TEST_F(ChipChecks, EepromSitesAtMostEleven) {
  Chip().SelfEromMode = 1;
  Chip().SelfEromRegister = 0x30;
  std::string src;
  for (int i = 0; i < 12; ++i) src += "  CLRF 30H\r\n";
  ASSERT_EQ(RunSource(src), 1) << AllErrors();
  ASSERT_GE(target->SiteAddresses.size(), 11u);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(target->SiteAddresses[i], i);
    EXPECT_EQ(target->SiteLines[i], i + 1);
    EXPECT_EQ(target->SiteFiles[i], 0);
  }
  const int recorded =
      std::min<int>(static_cast<int>(target->SiteAddresses.size()), target->SiteCount);
  EXPECT_EQ(recorded, 11);
}

TEST_F(ChipChecks, NoSitesWhenLenient) {
  Chip().SelfEromMode = 1;
  Chip().SelfEromRegister = 0x30;
  opt.AssembleOnly = 1;
  ASSERT_EQ(RunSource(Lines({"  CLRF 30H"})), 1) << AllErrors();
  EXPECT_TRUE(target->SiteCount <= 0 || target->SiteAddresses.empty()) << target->SiteCount;
}

TEST_F(ChipChecks, MvffNamesTheOperandThatIsOutsideTheDataMemory) {
  // 7FH is an unimplemented register.
  EXPECT_EQ(RunSource(Lines({"  MVFF 7FH, 80H"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 1, "illegally Memory or Registor [7FH]"))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  MVFF 80H, 7FH"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_TRUE(HasError(E(24, 1, "illegally Memory or Registor [7FH]"))) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  MVFF 7FH, 7EH"})), 0);
  EXPECT_TRUE(HasError(E(24, 1, "illegally Memory or Registor [7FH]"))) << AllErrors();
}

}  // namespace
}  // namespace kyvor::test
