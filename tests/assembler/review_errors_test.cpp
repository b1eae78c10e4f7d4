// The numbered errors of the passes and the driver: exact texts in the
// "Error(code:%d)   %s %d: %s" form, the ".err" file, the error list, the
// error view, lenient Assemble against strict Assemble & Debug, and the
// image bounds.
#include "review_fixture.h"

namespace kyvor::review {
namespace {

class ReviewErrors : public Review {};

TEST_F(ReviewErrors, OneUndefinedSymbol) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MVL MISSING"})), 0);
  const std::string text = E(5, 2, "Undefined Symbol [MISSING]");
  ASSERT_EQ(asmForm->ErrorTexts().size(), 1u);
  EXPECT_EQ(asmForm->ErrorTexts()[0], text);
  ASSERT_EQ(host->Raw.size(), 1u);
  EXPECT_EQ(host->Raw[0].Path, P("main.asm"));
  EXPECT_EQ(host->Raw[0].Line, 2);
  EXPECT_EQ(host->Raw[0].Text, text);
  EXPECT_EQ(host->ErrorViews, 1);
  EXPECT_EQ(Read("main.err"), text + "\r\n");
  EXPECT_TRUE(Exists("main.lst"));
  EXPECT_TRUE(Exists("main.map"));
  EXPECT_FALSE(Exists("main.asc"));
  EXPECT_FALSE(Exists("main.hex"));
  // The words went to the CPU model, the symbols did not.
  EXPECT_EQ(target->Words.size(), 256u);
  EXPECT_EQ(target->SymbolClears, 0);
  EXPECT_EQ(target->Resets, 0);
  EXPECT_TRUE(host->Loaded.empty());
}

TEST_F(ReviewErrors, CleanRunWritesNoErrorFile) {
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_FALSE(Exists("main.err"));
  EXPECT_EQ(host->ErrorViews, 0);
  EXPECT_TRUE(Exists("main.asc"));
  EXPECT_TRUE(Exists("main.hex"));
}

TEST_F(ReviewErrors, ErrorFileIsRewrittenByTheNextRun) {
  EXPECT_EQ(RunSource(Lines({"  MVL A1", "  MVL A2"})), 0);
  EXPECT_EQ(Read("main.err"),
            E(5, 1, "Undefined Symbol [A1]") + "\r\n" + E(5, 2, "Undefined Symbol [A2]") + "\r\n");
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MVL A3"})), 0);
  EXPECT_EQ(Read("main.err"), E(5, 2, "Undefined Symbol [A3]") + "\r\n");
}

TEST_F(ReviewErrors, ListShowsAHundredTheFileHasAll) {
  std::string src;
  for (int i = 1; i <= 101; ++i) src += "  MVL U" + std::to_string(i) + "\r\n";
  EXPECT_EQ(RunSource(src), 0);
  EXPECT_EQ(Errors(), 101);
  EXPECT_EQ(host->Raw.size(), 101u);
  EXPECT_EQ(host->List.Count(), 100);
  EXPECT_EQ(host->List.Text(99), E(5, 100, "Undefined Symbol [U100]"));
  EXPECT_EQ(host->ErrorViews, 1);
  std::string expected;
  for (int i = 1; i <= 101; ++i)
    expected += E(5, i, "Undefined Symbol [U" + std::to_string(i) + "]") + "\r\n";
  EXPECT_EQ(Read("main.err"), expected);
}

TEST_F(ReviewErrors, OverwritingAnAddress) {
  EXPECT_EQ(RunSource(Lines({"  MVL 1", "  ORG 0", "  MVL 2", "  MVL 3"})), 0);
  // The refused word does not advance the counter, so MVL 3 meets address 0 too.
  ASSERT_EQ(Errors(), 2) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(10, 3, "Overwriting previous address contents."));
  EXPECT_EQ(asmForm->ErrorTexts()[1], E(10, 4, "Overwriting previous address contents."));
  EXPECT_EQ(W(0), 0x0601);
  EXPECT_EQ(asmForm->LocationCounter(), 0);
}

TEST_F(ReviewErrors, OrgBeyondTheRomStrictAndLenient) {
  Chip().ChipRomWords = 4096;
  EXPECT_EQ(RunSource(Lines({"  ORG 1000H", "  NOP"})), 0);
  ASSERT_GE(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(11, 1, "Addresses above 4K not supported."));

  opt.AssembleOnly = 1;
  ASSERT_EQ(RunSource(Lines({"  ORG 1000H", "  MVL 5"})), 1) << AllErrors();
  EXPECT_EQ(W(0x1000), 0x0605);
}

TEST_F(ReviewErrors, EmissionPastTheRom) {
  Chip().ChipRomWords = 4096;
  EXPECT_EQ(RunSource(Lines({"  ORG 0FFFH", "  MVL 1", "  MVL 2", "  MVL 3"})), 0);
  ASSERT_EQ(Errors(), 2) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(11, 3, "Addresses above 4K not supported."));
  EXPECT_EQ(asmForm->ErrorTexts()[1], E(11, 4, "Addresses above 4K not supported."));
  EXPECT_EQ(W(0xFFF), 0x0601);
  // The refused words count on top of the last good address.
  EXPECT_EQ(asmForm->AssembledWordCount(), 4096 + 2);
}

TEST_F(ReviewErrors, NothingIsWrittenPastTheImage) {
  opt.AssembleOnly = 1;
  Chip().ChipRomWords = 4096;
  const uint8_t r = RunSource(Lines({"  ORG 7FFFH", "  MVL 1", "  MVL 2", "  MVL 3"}));
  (void)r;
  EXPECT_EQ(W(0x7FFF), 0x0601);
  // The image has 32,768 cells: nothing may land at 0 or 1 by wrapping.
  EXPECT_NE(W(0), 0x0602);
  EXPECT_NE(W(1), 0x0603);
  EXPECT_EQ(asmForm->ImageCell(0).LineSeq, 0);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(ReviewErrors, OrgPastTheImageIsRefused) {
  opt.AssembleOnly = 1;
  const uint8_t r = RunSource(Lines({"  ORG 8000H", "  MVL 9"}));
  EXPECT_EQ(asmForm->ImageCell(0).LineSeq, 0);
  EXPECT_NE(W(0), 0x0609);
  EXPECT_EQ(r, 0);
}

TEST_F(ReviewErrors, MissingAndSurplusArguments) {
  EXPECT_EQ(RunSource(Lines({"  MVL", "  MVL 1, 2", "K EQU", "S SET", "  ORG"})), 0);
  EXPECT_TRUE(HasError(E(13, 1, "Missing argument..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(14, 2, "Too many arguments..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(13, 3, "Missing argument..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(13, 4, "Missing argument..."))) << AllErrors();
  EXPECT_TRUE(HasError(E(13, 5, "Missing argument..."))) << AllErrors();
  EXPECT_EQ(Errors(), 5) << AllErrors();
}

TEST_F(ReviewErrors, BankNumberTooLarge) {
  EXPECT_EQ(RunSource(Lines({"  LBSR 17"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(9, 1, "Illegal argument"), 0), 0u) << AllErrors();
}

TEST_F(ReviewErrors, OperandEndingInAColon) {
  EXPECT_EQ(RunSource(Lines({"X: NOP", "  JMP X:"})), 0);
  EXPECT_TRUE(HasError(E(5, 2, "Undefined Symbol [X:]"))) << AllErrors();
}

TEST_F(ReviewErrors, DuplicateLabel) {
  EXPECT_EQ(RunSource(Lines({"L1: NOP", "L1: NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0].rfind(E(4, 2, "Duplicate label or redefining symbol"), 0),
            0u)
      << AllErrors();
  EXPECT_EQ(PassSym("L1")->Value, 0);
}

TEST_F(ReviewErrors, OutOfSymbolSpaceIsFatal) {
  std::string src;
  for (int i = 1; i <= 8193; ++i) src += "S" + std::to_string(i) + " EQU " + std::to_string(i) + "\r\n";
  src += "  MVL UNKNOWN\r\n";
  EXPECT_EQ(RunSource(src), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(6, 8193, "Out of memory..."));
  EXPECT_EQ(asmForm->PassSymbols().Count(), 8192);
}

TEST_F(ReviewErrors, RegisterChecksOnlyWhenStrict) {
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

TEST_F(ReviewErrors, SecondWordChecks) {
  EXPECT_EQ(RunSource(Lines({"  MVFF 12H, 7FH", "  MVFF 7FH, 12H", "  LDPR 180H, 1",
                             "  LDPR 100H, 1"})),
            0);
  EXPECT_EQ(Errors(), 3) << AllErrors();
  EXPECT_TRUE(HasCode(24)) << AllErrors();
}

TEST_F(ReviewErrors, DataDirectivesAreNotChecked) {
  ASSERT_EQ(RunSource(Lines({"  DW 0C7FH", "  DB 0CH, 7FH"})), 1) << AllErrors();
  EXPECT_EQ(W(0), 0x0C7F);
  EXPECT_EQ(W(1), 0x0C7F);
}

TEST_F(ReviewErrors, MemoryOver) {
  EXPECT_EQ(RunSource(Lines({"  MEMAR 180H"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(26, 1, "Memory Over [MEMAR]"));

  EXPECT_EQ(RunSource(Lines({"  MEMAR 17EH", "V DS 2"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(26, 2, "Memory Over [V]"));

  ASSERT_EQ(RunSource(Lines({"  MEMAR 17DH", "V DS 2"})), 1) << AllErrors();
  EXPECT_EQ(FinalSym("V")->Value, 0x17D);
}

TEST_F(ReviewErrors, OverRangeShortBranch) {
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

TEST_F(ReviewErrors, OverRangeRelativeJump) {
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

TEST_F(ReviewErrors, UnwritableListingIsFatal) {
  std::filesystem::create_directories(dir_ / "main.lst");
  EXPECT_EQ(RunSource(Lines({"  NOP"})), 0);
  const std::string text = "Couldn't open file [" + P("main.lst") + "]";
  ASSERT_GE(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], text);
  ASSERT_GE(host->Raw.size(), 1u);
  EXPECT_EQ(host->Raw[0].Text, text);
  EXPECT_EQ(host->Raw[0].Line, 0);
  EXPECT_EQ(Read("main.err"), text + "\r\n");
  EXPECT_FALSE(Exists("main.hex"));
}

TEST_F(ReviewErrors, PclatlBeforeTheVectorOnChip113) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MVF 1BH, 1, 0", "  MVF 1BH, 1, 0"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0],
            E(52, 2, "In KYM06 , PCLATL can not be use before 0040h"));

  opt.AssembleOnly = 1;
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MVF 1BH, 1, 0"})), 1) << AllErrors();
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewEarlyFailure : public Review {};

TEST_F(ReviewEarlyFailure, NothingIsHandedOverWhenReadingFails) {
  EXPECT_EQ(RunSource(Lines({"  NOP", "  INCLUDE NOPE.INC"})), 0);
  EXPECT_EQ(target->MemoryClears, 1);
  EXPECT_TRUE(target->Words.empty());
  EXPECT_TRUE(host->Checksum.empty());
  EXPECT_TRUE(target->Symbols.empty());
  EXPECT_EQ(host->ErrorViews, 1);
  EXPECT_FALSE(Exists("main.lst"));
  EXPECT_FALSE(Exists("main.map"));
  EXPECT_TRUE(Exists("main.err"));
}

TEST_F(ReviewEarlyFailure, NothingIsHandedOverWhenTheFirstPassStops) {
  std::string src = "K EQU 1\r\n";
  for (int i = 1; i <= 8193; ++i) src += "S" + std::to_string(i) + ":\r\n";
  EXPECT_EQ(RunSource(src), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(6, 8193, "Out of memory..."));
  EXPECT_TRUE(target->Words.empty());
  EXPECT_FALSE(Exists("main.map"));
}

}  // namespace
}  // namespace kyvor::review

namespace kyvor::review {
namespace {

class ReviewWriteFailure : public Review {};

TEST_F(ReviewWriteFailure, UnwritableImageEndsTheRunBeforeTheHandOff) {
  Write("main.hex/keep", "x");  // a folder in the image file's place
  EXPECT_EQ(RunSource(Lines({"K EQU 1", "  NOP"})), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], "Couldn't open file [" + P("main.hex") + "]");
  EXPECT_TRUE(target->Symbols.empty());
  EXPECT_EQ(target->Resets, 0);
  EXPECT_EQ(target->Words.size(), 256u);
  EXPECT_TRUE(Exists("main.asc"));
}

TEST_F(ReviewWriteFailure, UnwritableMap) {
  Write("main.map/keep", "x");
  EXPECT_EQ(RunSource(Lines({"  NOP"})), 0);
  ASSERT_GE(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], "Couldn't open file [" + P("main.map") + "]");
  EXPECT_FALSE(Exists("main.asc"));
  EXPECT_FALSE(std::filesystem::is_regular_file(dir_ / "main.hex"));
}

}  // namespace
}  // namespace kyvor::review
