// The error report: texts, the ".err" file, the error list and the error
// view, and what is handed over after a failure.
#include "asm_fixture.h"
#include "handoff_fixture.h"
#include "base/numbers.h"

namespace kyvor::test {
namespace {

class ErrorReportModel : public AsmFixture {};

TEST_F(ErrorReportModel, OneUndefinedSymbol) {
  Write("m.asm", Crlf({"  NOP", "  MVL MISSING"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(host->ErrorViewShown, 1);
  ASSERT_EQ(host->Errors.Count(), 1);
  const std::string text = Err(5, 2, "Undefined Symbol [MISSING]");
  EXPECT_EQ(host->Errors.Text(0), text);
  EXPECT_EQ(host->Errors.Path(0), Path("m.asm"));
  EXPECT_EQ(host->Errors.Line(0), 2);
  EXPECT_EQ(Read("m.err"), text + "\r\n");
  EXPECT_TRUE(Exists("m.lst"));
  EXPECT_TRUE(Exists("m.map"));
  EXPECT_FALSE(Exists("m.asc"));
  EXPECT_FALSE(Exists("m.hex"));
  // No hand-off: the CPU model got the words but no symbols.
  EXPECT_EQ(up->SymbolCount(), 0);
}

TEST_F(ErrorReportModel, ErrorViewComesUpOnceForManyErrors) {
  Write("m.asm", Crlf({"  MVL A", "  MVL B", "  MVL C"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(host->ErrorViewShown, 1);
  EXPECT_EQ(asmForm->ErrorCount(), 3);
  EXPECT_EQ(Read("m.err"), Err(5, 1, "Undefined Symbol [A]") + "\r\n" +
                               Err(5, 2, "Undefined Symbol [B]") + "\r\n" +
                               Err(5, 3, "Undefined Symbol [C]") + "\r\n");
}

TEST_F(ErrorReportModel, CleanRunWritesNoErrorFileAndHandsOver) {
  Write("m.asm", Crlf({"K EQU 12H", "  MEMAR 80H", "VAR DS 2", "START: MVL K", "  MVF VAR, 1",
                      "V SET 3", "  JMP START"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_FALSE(Exists("m.err"));
  EXPECT_EQ(host->ErrorViewShown, 0);
  // EQU constants and DS variables, not labels or SET symbols.
  ASSERT_EQ(up->SymbolCount(), 2);
  EXPECT_EQ(up->SymbolAt(1)->Name, "K");
  EXPECT_EQ(up->SymbolAt(1)->Value, 0x12);
  EXPECT_EQ(up->SymbolAt(2)->Name, "VAR");
  EXPECT_EQ(up->SymbolAt(2)->Value, 0x80);
  EXPECT_EQ(up->SymbolAt(2)->Aux, 2);
  EXPECT_EQ(up->SymbolAt(2)->Kind, 'D');
  // Program words with their source lines.
  EXPECT_EQ(up->ReadProgramWord(0), 0x0612);
  EXPECT_EQ(up->GetSourceLine(0), 4);
  EXPECT_EQ(up->GetSourceLine(3), 7);  // the second word of JMP keeps its line
  EXPECT_EQ(up->GetSourceFileIndex(0), 0);
  // Checksum label and value.
  uint16_t crc = 0;
  for (uint32_t a = 0; a < 4096; ++a) {
    crc = ImageCrc16Update(static_cast<uint8_t>(up->ReadProgramWord(a) >> 8), crc);
    crc = ImageCrc16Update(static_cast<uint8_t>(up->ReadProgramWord(a) & 0xFF), crc);
  }
  EXPECT_EQ(asmForm->CodeChecksum(), crc);
  EXPECT_EQ(target->CodeChecksum(), crc);
  EXPECT_EQ(host->ChecksumText, "Checksum = 0x" + IntToHexPad(crc, 4));
}

TEST_F(ErrorReportModel, ALineWithTooManyOperandsIsReportedOnce) {
  // More operands than a line record has fields, and a line longer than a
  // record: one report per line.
  std::string many = "  DB 0";
  for (int i = 1; i < 40; ++i) many += ", " + std::to_string(i);
  std::string longer = "  DB 0";
  for (int i = 1; i < 70; ++i) longer += ", " + std::to_string(i);
  std::string fewButLong = "  DW 1, 2" + std::string(200, ' ') + ", 3";
  Write("m.asm", many + "\r\n" + longer + "\r\n" + fewButLong + "\r\n  NOP\r\n");
  EXPECT_EQ(Assemble("m.asm"), 0);
  // The lines too long are reported as they are read, the other by the pass.
  ASSERT_EQ(host->Errors.Count(), 3);
  EXPECT_EQ(host->Errors.Text(0), Err(14, 2, "Too many arguments..."));
  EXPECT_EQ(host->Errors.Text(1), Err(14, 3, "Too many arguments..."));
  EXPECT_EQ(host->Errors.Text(2), Err(14, 1, "Too many arguments..."));
  // Also in a macro body, expanded twice.
  Write("m.asm", "M MACRO\r\n" + longer + "\r\n  ENDM\r\n  M\r\n  M\r\n");
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(host->Errors.Text(0), Err(14, 2, "Too many arguments..."));
}

class ErrorReport : public HandOffFixture {};

TEST_F(ErrorReport, OneUndefinedSymbol) {
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

TEST_F(ErrorReport, CleanRunWritesNoErrorFile) {
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1);
  EXPECT_FALSE(Exists("main.err"));
  EXPECT_EQ(host->ErrorViews, 0);
  EXPECT_TRUE(Exists("main.asc"));
  EXPECT_TRUE(Exists("main.hex"));
}

TEST_F(ErrorReport, ErrorFileIsRewrittenByTheNextRun) {
  EXPECT_EQ(RunSource(Lines({"  MVL A1", "  MVL A2"})), 0);
  EXPECT_EQ(Read("main.err"),
            E(5, 1, "Undefined Symbol [A1]") + "\r\n" + E(5, 2, "Undefined Symbol [A2]") + "\r\n");
  EXPECT_EQ(RunSource(Lines({"  NOP", "  MVL A3"})), 0);
  EXPECT_EQ(Read("main.err"), E(5, 2, "Undefined Symbol [A3]") + "\r\n");
}

TEST_F(ErrorReport, ListShowsAHundredTheFileHasAll) {
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

TEST_F(ErrorReport, NothingIsHandedOverWhenReadingFails) {
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

TEST_F(ErrorReport, NothingIsHandedOverWhenTheFirstPassStops) {
  std::string src = "K EQU 1\r\n";
  for (int i = 1; i <= 8193; ++i) src += "S" + std::to_string(i) + ":\r\n";
  EXPECT_EQ(RunSource(src), 0);
  ASSERT_EQ(Errors(), 1) << AllErrors();
  EXPECT_EQ(asmForm->ErrorTexts()[0], E(6, 8193, "Out of memory..."));
  EXPECT_TRUE(target->Words.empty());
  EXPECT_FALSE(Exists("main.map"));
}

TEST_F(ErrorReport, ErrorFileEntriesUseTheIncludePath) {
  Write("A.INC", Lines({"  NOP", "  MVL 1, 2"}));
  EXPECT_EQ(RunSource(Lines({"  INCLUDE A.INC"})), 0);
  const std::string text = E(14, 2, "Too many arguments...", "A.INC");
  EXPECT_EQ(Read("main.err"), text + "\r\n");
  ASSERT_EQ(host->Raw.size(), 1u);
  EXPECT_EQ(host->Raw[0].Path, P("A.INC"));
  EXPECT_EQ(host->List.Path(0), P("A.INC"));
  EXPECT_EQ(host->List.Line(0), 2);
}

TEST_F(ErrorReport, UnwritableErrorFileDoesNotStopTheRun) {
  std::filesystem::create_directories(dir_ / "main.err");
  EXPECT_EQ(RunSource(Lines({"  MVL NOPE"})), 0);
  EXPECT_EQ(Errors(), 1);
  EXPECT_EQ(host->List.Count(), 1);
  EXPECT_TRUE(Exists("main.lst"));
}

TEST(ErrorList, HoldsAHundredEntries) {
  TErrorList list;
  for (int i = 0; i < 101; ++i) list.AddError("a.asm", i, "e" + std::to_string(i));
  EXPECT_EQ(list.Count(), 100);
  EXPECT_EQ(list.Text(99), "e99");
  EXPECT_EQ(list.Line(0), 1);  // line 0 is stored as 1
  EXPECT_EQ(list.Line(5), 5);
  EXPECT_FALSE(list.AddError("b", 1, "x"));
  list.ClearErrors();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.AddError(std::string(200, 'p'), -4, "t"));
  EXPECT_EQ(list.Path(0).size(), 128u);
  EXPECT_EQ(list.Line(0), 1);
}

TEST(ErrorListLimits, HundredEntriesAtMostAndLineZeroIsOne) {
  TErrorList list;
  list.AddError("a.asm", 0, "first");
  EXPECT_EQ(list.Line(0), 1);
  list.AddError("a.asm", -5, "second");
  EXPECT_EQ(list.Line(1), 1);
  for (int i = 2; i < 100; ++i) list.AddError("a.asm", i, "e" + std::to_string(i));
  EXPECT_EQ(list.Count(), 100);
  list.AddError("a.asm", 7, "dropped");
  EXPECT_EQ(list.Count(), 100);
  EXPECT_EQ(list.Text(99), "e99");
  EXPECT_EQ(list.Texts().back(), "e99");
  list.ClearErrors();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ErrorListLimits, PathKeepsItsFirst128Characters) {
  TErrorList list;
  const std::string path(200, 'p');
  list.AddError(path, 3, "t");
  EXPECT_EQ(list.Path(0), std::string(128, 'p'));
  EXPECT_EQ(list.Line(0), 3);
  EXPECT_EQ(list.Text(0), "t");
}

TEST(ErrorTexts, FixedTexts) {
  EXPECT_EQ(AsmErrorMessage(0, 4096), "Unknown error.");
  EXPECT_EQ(AsmErrorMessage(1, 4096), "Couldn't open source file");
  EXPECT_EQ(AsmErrorMessage(2, 4096), "Couldn't open file");
  EXPECT_EQ(AsmErrorMessage(3, 4096), "");
  EXPECT_EQ(AsmErrorMessage(4, 4096), "Duplicate label or redefining symbol");
  EXPECT_EQ(AsmErrorMessage(5, 4096), "Undefined Symbol");
  EXPECT_EQ(AsmErrorMessage(6, 4096), "Out of memory...");
  EXPECT_EQ(AsmErrorMessage(7, 4096), "");
  EXPECT_EQ(AsmErrorMessage(8, 4096), "Illegal Symbol");
  EXPECT_EQ(AsmErrorMessage(9, 4096), "Illegal argument");
  EXPECT_EQ(AsmErrorMessage(10, 4096), "Overwriting previous address contents.");
  EXPECT_EQ(AsmErrorMessage(11, 4096), "Addresses above 4K not supported.");
  EXPECT_EQ(AsmErrorMessage(11, 8192), "Addresses above 8K not supported.");
  EXPECT_EQ(AsmErrorMessage(11, 256), "Addresses above 0K not supported.");
  EXPECT_EQ(AsmErrorMessage(12, 4096), "");
  EXPECT_EQ(AsmErrorMessage(13, 4096), "Missing argument...");
  EXPECT_EQ(AsmErrorMessage(14, 4096), "Too many arguments...");
  EXPECT_EQ(AsmErrorMessage(15, 4096), "");
  EXPECT_EQ(AsmErrorMessage(16, 4096), "Illegal Macro...");
  EXPECT_EQ(AsmErrorMessage(19, 4096), "Macro nested too deep...(Max:32)");
  EXPECT_EQ(AsmErrorMessage(20, 4096), "Circular file reference...");
  EXPECT_EQ(AsmErrorMessage(21, 4096), "Circular macro reference...");
  EXPECT_EQ(AsmErrorMessage(22, 4096), "");
  EXPECT_EQ(AsmErrorMessage(23, 4096), "Over Range");
  EXPECT_EQ(AsmErrorMessage(24, 4096), "illegally Memory or Registor");
  EXPECT_EQ(AsmErrorMessage(25, 4096), "illegally  Bit");
  EXPECT_EQ(AsmErrorMessage(26, 4096), "Memory Over");
  EXPECT_EQ(AsmErrorMessage(52, 4096), "In KYM06 , PCLATL can not be use before 0040h");
  EXPECT_EQ(AsmErrorMessage(53, 4096), "Illegal file");
  EXPECT_EQ(AsmErrorMessage(54, 4096), "");
  EXPECT_EQ(AsmErrorMessage(-1, 4096), "");
}

TEST(AsmErrors, MessagesAndChecksum) {
  EXPECT_EQ(AsmErrorMessage(5, 4096), "Undefined Symbol");
  EXPECT_EQ(AsmErrorMessage(11, 8192), "Addresses above 8K not supported.");
  EXPECT_EQ(AsmErrorMessage(19, 4096), "Macro nested too deep...(Max:32)");
  EXPECT_EQ(AsmErrorMessage(25, 4096), "illegally  Bit");
  EXPECT_EQ(AsmErrorMessage(3, 4096), "");
  uint16_t crc = 0;
  for (char c : std::string("abc")) crc = ImageCrc16Update(static_cast<uint8_t>(c), crc);
  EXPECT_EQ(crc, 0xA449);
}

// A failed run must not leave the image of an earlier build, which the
// programmer or the user would take for this one's, nor its checksum.
TEST_F(ErrorReport, AFailedRunLeavesNoImageOfAnEarlierBuildAndNoChecksum) {
  opt.OutBinarySplitFile = 1;
  opt.RomEmulationType = 1;
  const char* const images[] = {"main.hex", "main.asc", "main.obj", "main.EEH"};
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1) << AllErrors();
  EXPECT_EQ(host->Checksum.rfind("Checksum = 0x", 0), 0u);
  for (const char* name : images) ASSERT_TRUE(Exists(name)) << name;

  // Errors found after the passes: listing, map and error file are new.
  EXPECT_EQ(RunSource(Lines({"  NOP", "  FOO"})), 0);
  for (const char* name : images) EXPECT_FALSE(Exists(name)) << name;
  EXPECT_TRUE(Exists("main.lst"));
  EXPECT_TRUE(Exists("main.map"));
  EXPECT_TRUE(Exists("main.err"));
  EXPECT_EQ(host->ChecksumShows, 1);
  EXPECT_EQ(host->Checksum, "");

  // A run that stops while reading the source.
  ASSERT_EQ(RunSource(Lines({"  NOP"})), 1) << AllErrors();
  EXPECT_EQ(RunSource(Lines({"  INCLUDE NOPE.INC"})), 0);
  for (const char* name : images) EXPECT_FALSE(Exists(name)) << name;
  EXPECT_EQ(host->ChecksumShows, 1);
  EXPECT_EQ(host->Checksum, "");
}

TEST_F(ErrorReport, AFailedRunKeepsObjectAndEepromFilesItDoesNotChoose) {
  opt.OutAsciiFile = 0;
  Write("main.asc", "earlier");
  Write("main.obj", "a library");
  Write("main.EEH", "another image");
  EXPECT_EQ(RunSource(Lines({"  MVL MISSING"})), 0);
  EXPECT_FALSE(Exists("main.asc")) << "an earlier build's image, though no longer chosen";
  EXPECT_EQ(Read("main.obj"), "a library");
  EXPECT_EQ(Read("main.EEH"), "another image");
}

TEST_F(ErrorReport, ACleanBuildRemovesTheErrorFileOfAnEarlierOne) {
  EXPECT_EQ(RunSource(Lines({"  MVL UNKNOWN"})), 0);
  ASSERT_TRUE(Exists("main.err"));
  ASSERT_EQ(RunSource(Lines({"  MVL 1"})), 1) << AllErrors();
  EXPECT_FALSE(Exists("main.err"));
}

}  // namespace
}  // namespace kyvor::test
