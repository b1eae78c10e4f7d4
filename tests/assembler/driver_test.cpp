// Driver: error report and file, strict checks, information block, output
// files and the hand-off to the CPU model and the source view.
#include "asm_fixture.h"

#include "base/numbers.h"

namespace kyvor::test {
namespace {

class DriverTest : public AsmFixture {
 protected:
  std::string FirstError() const { return host->Errors.Count() ? host->Errors.Text(0) : ""; }
  std::string Err(int code, int line, const std::string& rest, const std::string& file = "m.asm") {
    return "Error(code:" + std::to_string(code) + ")   " + Path(file) + " " + std::to_string(line) +
           ": " + rest;
  }
};

TEST_F(DriverTest, OneUndefinedSymbol) {
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

TEST_F(DriverTest, ErrorViewComesUpOnceForManyErrors) {
  Write("m.asm", Crlf({"  MVL A", "  MVL B", "  MVL C"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(host->ErrorViewShown, 1);
  EXPECT_EQ(asmForm->ErrorCount(), 3);
  EXPECT_EQ(Read("m.err"), Err(5, 1, "Undefined Symbol [A]") + "\r\n" +
                               Err(5, 2, "Undefined Symbol [B]") + "\r\n" +
                               Err(5, 3, "Undefined Symbol [C]") + "\r\n");
}

TEST_F(DriverTest, CleanRunWritesNoErrorFileAndHandsOver) {
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

TEST_F(DriverTest, LenientRunSkipsRegisterChecks) {
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

TEST_F(DriverTest, SecondWordsAreChecked) {
  Write("m.asm", Crlf({"  MVFF 12H, 85H", "  MVFF 12H, 0F00H", "  LDPR 0F00H, 1"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 2);
  EXPECT_EQ(host->Errors.Text(0), Err(24, 2, "illegally Memory or Registor [0F00H]"));
  EXPECT_EQ(host->Errors.Text(1), Err(24, 3, "illegally Memory or Registor [0F00H]"));
}

TEST_F(DriverTest, EepromSitesUpToEleven) {
  Chip().SelfEromMode = 1;
  Chip().SelfEromRegister = 0x60;
  std::string text;
  for (int i = 0; i < 12; ++i) text += "  CLRF 60H\r\n";
  Write("m.asm", text);
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  EXPECT_EQ(up->Settings.EepromBreakCount, 11);
}

TEST_F(DriverTest, PclatlRuleOnChip113) {
  Chip().ChipId = 113;
  Chip().CoreVariant = 1;
  Write("m.asm", Crlf({"  NOP", "  MVF 1BH, 1, 0", "  MVF 1BH, 1, 0"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  ASSERT_EQ(host->Errors.Count(), 1);
  EXPECT_EQ(FirstError(), Err(52, 2, "In KYM06 , PCLATL can not be use before 0040h"));
  options.AssembleOnly = 1;  // plain Assemble does not check it
  EXPECT_EQ(Assemble("m.asm"), 1);
}

TEST_F(DriverTest, InformationBlockByDeviceKind) {
  Write("m.asm", Crlf({"  NOP"}));
  Chip().ChipListVersion = 0x0102;
  Chip().ChipSubId = 7;
  options.CProtect = 1;
  options.EnHAO = 1;
  options.EHAO = 0x123456;
  options.EPERMISS = 0x1FF;
  options.EnSLAO = 1;
  options.ELAO = 0x3456;
  options.STKOVSTOP = 1;
  ASSERT_EQ(Assemble("m.asm"), 1);
  const auto& alt = up->Info.InfoBlockAlt;
  EXPECT_EQ(alt[752], 256);
  EXPECT_EQ(alt[753], 0x12);
  EXPECT_EQ(alt[754], 0x3456);
  EXPECT_EQ(alt[755], 0x1FF);
  EXPECT_EQ(alt[756], 0x3456);
  EXPECT_EQ(alt[757], 0xFFFF);
  EXPECT_EQ(alt[760], 0xFFFF);
  EXPECT_EQ(alt[761], 1);
  EXPECT_EQ(alt[762], 0x0102);
  EXPECT_EQ(alt[763], 7);
  EXPECT_EQ(alt[764], 0x0A16);
  EXPECT_EQ(alt[765], asmForm->CodeChecksum());
  EXPECT_EQ(alt[767], 0xF7FE);
  uint16_t crc = 0;
  for (int i = 0; i <= 767; ++i) {
    if (i == 766) continue;
    crc = ImageCrc16Update(static_cast<uint8_t>(alt[i] >> 8), crc);
    crc = ImageCrc16Update(static_cast<uint8_t>(alt[i] & 0xFF), crc);
  }
  EXPECT_EQ(alt[766], crc);
  EXPECT_EQ(target->BlockCrc(), crc);
  EXPECT_EQ(up->Info.InfoBlock[116], 0);  // the other layout is left alone
  // .hex: ROM words x 2 + 1,536 bytes, the block after the program.
  const std::string hex = Read("m.hex");
  ASSERT_EQ(hex.size(), 4096u * 2 + 1536u);
  EXPECT_EQ(static_cast<unsigned char>(hex[8192 + 2 * 764]), 0x0A);
  EXPECT_EQ(static_cast<unsigned char>(hex[8192 + 2 * 764 + 1]), 0x16);

  Chip().DeviceKind3 = 1;
  Chip().DeviceNotKind3 = 0;
  Chip().CoreVariant = 0;
  up->Info.InfoBlockAlt.fill(0x5555);
  Chip().AcmRegister = 0x138;
  Chip().AcmBit = 2;
  options.AcmGroupEnabled = 1;
  options.RACM10 = 1;
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_EQ(up->Info.InfoBlockAlt[752], 0x5555);
  // The image writer puts the chip's ACM data into the block (inverted mask).
  EXPECT_EQ(up->Info.InfoBlock[114], 0x06FB);
  EXPECT_EQ(up->Info.InfoBlock[115], 0x2A38);
  EXPECT_EQ(up->Info.InfoBlock[116], 0x7807);
  EXPECT_EQ(up->Info.InfoBlock[123], asmForm->CodeChecksum());
  EXPECT_EQ(up->Info.InfoBlock[124], 0x6433);  // written by the image writer
  EXPECT_EQ(up->Info.InfoBlock[127], 0xF7FE);
  EXPECT_EQ(up->Info.InfoBlock[227], 0xF7FE);
  EXPECT_EQ(up->Info.InfoBlock[109], 0x0A16);
  const std::string hex3 = Read("m.hex");
  ASSERT_EQ(hex3.size(), 4096u * 2 + 512u);
  EXPECT_EQ(hex3[8192 + 2 * 114], 0);
  EXPECT_EQ(hex3[8192 + 2 * 115 + 1], 0);
}

TEST_F(DriverTest, HexOfAn8kChip) {
  Chip().ChipRomWords = 8192;
  Write("m.asm", Crlf({"  MVL 1"}));
  ASSERT_EQ(Assemble("m.asm"), 1);
  const std::string hex = Read("m.hex");
  ASSERT_EQ(hex.size(), 17920u);
  EXPECT_EQ(static_cast<unsigned char>(hex[0]), 0x06);
  EXPECT_EQ(static_cast<unsigned char>(hex[1]), 0x01);
}

TEST_F(DriverTest, OutputFileThatCannotBeWritten) {
  Write("m.asm", Crlf({"  NOP"}));
  std::filesystem::create_directories(dir_ / "m.lst");  // a folder in the way
  EXPECT_EQ(Assemble("m.asm"), 0);
  EXPECT_EQ(FirstError(), "Couldn't open file [" + Path("m.lst") + "]");
}

TEST_F(DriverTest, SourceViewTablesAndMacroRecords) {
  Write("inc.inc", Crlf({"TWICE MACRO R", "  INF R, 1", "  INF R, 1", "  ENDM"}));
  Write("m.asm", Crlf({"  INCLUDE INC.INC", "START: NOP", "  TWICE 80H", "  NOP"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  ASSERT_EQ(host->LoadedFiles.size(), 2u);
  const TSourceLineTables& t = host->Tables;
  EXPECT_EQ(t.GetLineInfo(1, 2, 0), 0);         // START: NOP at 0
  EXPECT_EQ(t.GetLineInfo(1, 1, 0), -1);        // INCLUDE: no code
  EXPECT_EQ(t.GetLineInfo(1, 3, 0), 0xFFFFF);   // the call line itself
  EXPECT_EQ(t.GetLineInfo(1, 3, 1), 1);         // macro record 1
  EXPECT_EQ(t.GetLineInfo(1, 4, 0), 3);
  EXPECT_EQ(t.GetLineInfo(2, 2, 0), -1);        // body lines of the include
  const TMacroExpansionRecord* r1 = t.GetMacroRecord(1);
  ASSERT_NE(r1, nullptr);
  EXPECT_EQ(r1->Nested, 1);
  EXPECT_EQ(r1->ChildRecNo, 2);
  EXPECT_EQ(r1->ChildFile, 1);
  EXPECT_EQ(r1->ChildLine, 2);
  EXPECT_EQ(r1->MacroStartAddr, 0);
  EXPECT_EQ(r1->MacroEndAddr, 3);
  const TMacroExpansionRecord* r2 = t.GetMacroRecord(2);
  ASSERT_NE(r2, nullptr);
  EXPECT_EQ(r2->Nested, 0);
  EXPECT_EQ(r2->CodeAddress, 1);
  EXPECT_EQ(r2->ParentRecNo, 1);
  EXPECT_EQ(r2->ParentLine, 3);
  EXPECT_EQ(t.FirstCodeAddress(1), 1);
  EXPECT_EQ(t.GetAddrMacroIndex(1), 2);
}

TEST_F(DriverTest, ASecondRunStartsAfresh) {
  Write("m.asm", Crlf({"M MACRO", "  MVL 1", "  ENDM", "  M", "  MVL MISSING"}));
  EXPECT_EQ(Assemble("m.asm"), 0);
  Write("m.asm", Crlf({"M MACRO", "  MVL 2", "  ENDM", "  M"}));
  ASSERT_EQ(asmForm->Assemble(), 1);
  EXPECT_EQ(asmForm->ErrorCount(), 0);
  EXPECT_EQ(Word(0), 0x0602);
  EXPECT_EQ(asmForm->ImageCell(1).LineSeq, 0);
}

TEST_F(DriverTest, AnEmptyExpansionClaimsNoLaterInstruction) {
  Write("m.asm", Crlf({"E MACRO", "  ENDM", "T MACRO", "  MVL 1", "  E", "  MVL 2", "  ENDM",
                      "  T"}));
  ASSERT_EQ(Assemble("m.asm"), 1) << FirstError();
  // T is record 1, its first instruction record 2, E record 3; MVL 2 gets none.
  const TMacroExpansionRecord* t = host->Tables.GetMacroRecord(1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->ChildRecNo, 2);
  EXPECT_EQ(host->Tables.FirstCodeAddress(1), 0);
  EXPECT_EQ(host->Tables.GetAddrMacroIndex(0), 2);
  EXPECT_EQ(host->Tables.GetAddrMacroIndex(1), 0);
  EXPECT_EQ(host->Tables.GetMacroRecord(4)->ParentRecNo, 0);  // no fourth record
}

TEST_F(DriverTest, LineStepsKeepTheWindowAlive) {
  Write("m.asm", Crlf({"  NOP", "  NOP", "  NOP"}));
  ASSERT_EQ(Assemble("m.asm"), 1);
  EXPECT_GE(host->LineSteps, 3);
}

}  // namespace
}  // namespace kyvor::test
