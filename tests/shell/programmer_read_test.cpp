// Read of a one-time-programmable chip: the chip table from the chip list,
// the chip's code and information words in the dump grid, the checksum line
// chosen by the status word, the empty and protected chips, a chip of an id
// no chip file has (nothing more is read), a chip file bigger than the
// program cells, the long layout's 1,024 information words, and the link
// lost on the way.
#include "shell/programmer/programmer_commands.h"
#include "support/chip_folder.h"
#include "support/file_bytes.h"
#include "support/programmer_session.h"

namespace kyvor::test {
namespace {

using Lines = std::vector<std::string>;

class ProgrammerRead : public ProgrammerSession {
 protected:
  void programChip(uint16_t protect) {
    const auto program = imageWords();
    std::copy(program.begin(), program.end(), writer().Chip.Program.begin());
    const auto header = imageHeader(0xC0DE, protect);
    std::copy(header.begin(), header.begin() + 128, writer().Chip.Info.begin());
  }
  int count(const std::string& prefix) {
    int n = 0;
    for (const std::string& p : packets()) n += p.rfind(prefix, 0) == 0;
    return n;
  }
  std::string display() { return writer().DisplayLine(0) + writer().DisplayLine(1); }
};

TEST_F(ProgrammerRead, TheChipTableHasEveryChipOfTheListWithItsIdAndSize) {
  const std::vector<TChipTableEntry> table = ReadChipTable();
  ASSERT_EQ(table.size(), 7u);
  EXPECT_EQ(table[0].Name, "KY08A16");
  EXPECT_EQ(table[0].Id, 0x0A16);
  EXPECT_EQ(table[0].RomWords, 16384u);
  EXPECT_EQ(table[3].Name, "QR08B2");
  EXPECT_EQ(table[3].Id, 0x0B02);
  EXPECT_EQ(table[3].RomWords, 4096u);
}

TEST_F(ProgrammerRead, TheStatusWordChoosesTheChecksumWord) {
  programChip(0xFFFE);
  writer().Chip.Info[124] = 0x2222;
  writer().Chip.Info[125] = 0x3333;
  openLink();
  main().SMenu_ReadClick();
  EXPECT_EQ(packets().front(), "F9 AC") << "Read does not reload the chip";
  EXPECT_EQ(lines(), (Lines{"OTP Chip is QR08B2", "Read Checksum = 0xC0DE"}));
  EXPECT_EQ(display(), DisplayText("OTP Chip Code Read OK"));
  struct Case {
    uint16_t status;
    const char* line;
  };
  for (const Case& c :
       {Case{0xFFFC, "Read Checksum = 0x2222"}, Case{0xFFF8, "Read Checksum = 0x3333"},
        Case{0xFFFA, "Read Checksum = 0x3333"}, Case{0xFFF0, nullptr}}) {
    writer().Chip.Info[127] = c.status;
    main().SMenu_ReadClick();
    const Lines want = c.line ? Lines{"OTP Chip is QR08B2", c.line} : Lines{"OTP Chip is QR08B2"};
    EXPECT_EQ(lines(), want) << std::hex << c.status;
  }
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(ProgrammerRead, ABlankChipIsEmptyAndACodedOneWithABlankStatusFailsItsSbm) {
  openLink();
  main().SMenu_ReadClick();
  EXPECT_EQ(lines(), (Lines{"OTP Chip is QR08B2", "OTP Chip Empty"}));
  EXPECT_EQ(display(), DisplayText("OTP Chip Empty !!"));
  EXPECT_EQ(dumpRow(1),
            "FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF "
            "FFFF");
  EXPECT_EQ(count("B6 00 80 00 00 00 80"), 1) << "the 128 SBM words";
  writer().Chip.Program[5] = 0x1234;
  main().SMenu_ReadClick();
  EXPECT_EQ(lines(), (Lines{"OTP Chip is QR08B2", "Read SBM Fail"}));
  EXPECT_EQ(display(), DisplayText("Read SBM Fail !!"));
  EXPECT_EQ(dumpRow(1).substr(25, 4), "1234");
}

TEST_F(ProgrammerRead, AProtectedChipSaysSo) {
  programChip(0xF7FE);
  main().SMenu_ReadClick();
  EXPECT_EQ(lines(),
            (Lines{"Code had been protected !!", "OTP Chip is QR08B2", "Read Checksum = 0xC0DE"}));
  EXPECT_EQ(dumpRow(1).substr(0, 4), "0000") << "a protected chip reads 0";
}

TEST_F(ProgrammerRead, AChipOfAnUnknownIdStopsAfterSayingSo) {
  writer().Chip.Id = 0x7777;
  openLink();
  main().SMenu_ReadClick();
  EXPECT_EQ(labelled(), (Lines{"|Chip Not Ready !! "}));
  EXPECT_EQ(dialogs.messageTexts(), (Lines{"Chip Not Ready !!"}));
  EXPECT_EQ(count("B6"), 0) << "nothing more is read";
  EXPECT_EQ(Shell().ImageFileChipId, 0x7777);
  EXPECT_EQ(packets().back(), "F9 0C 00");
}

TEST_F(ProgrammerRead, ALinkLostAtTheIdSaysTheChipIsNotReady) {
  openLink();
  pod.Faults.SilentFromPacket = pod.HostPacketCount() + 8;  // after the open, lock and display
  main().SMenu_ReadClick();
  EXPECT_EQ(labelled(),
            (Lines{"ERROR|Chip Not Ready !!", "ERROR|KyVor-IDE Connect Error , Please check !!"}));
  EXPECT_EQ(Modes().PodState, 255);
}

TEST_F(ProgrammerRead, TheLongLayoutReadsItsThousandInformationWordsIntoABufferOfTheirOwn) {
  selectChip("KY08A16");
  for (uint32_t i = 0; i < 40; ++i) writer().Chip.Program[i] = uint16_t(0x3000 + i);
  writer().Chip.Info[infoaltword::CodeChecksum] = 0x1357;
  for (int k = 768; k < 1024; ++k) writer().Chip.Info[size_t(k)] = uint16_t(0x9000 + k);
  openLink();
  main().SMenu_ReadClick();
  EXPECT_EQ(lines(), (Lines{"OTP Chip is KY08A16", "Read Checksum = 0x1357"}));
  EXPECT_EQ(main().CheckSumText(), "Checksum = 0x1357");
  EXPECT_EQ(count("D6"), 1);
  EXPECT_EQ(count("B6 00 00 00 00 40 00"), 1) << "the chip's 16K words";
  EXPECT_EQ(count("B6 00 27 FE 00 04 00"), 1) << "1,024 words from 0x1400";
  EXPECT_EQ(dumpRow(1).substr(0, 9), "3000 3001");
  EXPECT_EQ(dumpRow(1025).substr(0, 9), "9300 9301") << "the last 256 after the program";
  EXPECT_EQ(dumpRow(1040).substr(75, 4), "93FF");
  EXPECT_EQ(hex().DumpModel()->Text(1025, 0), "170");
  EXPECT_TRUE(pod.Violations.empty());
}

TEST_F(ProgrammerRead, ABlankChipOfTheLongLayoutIsEmpty) {
  selectChip("KY08A16");
  main().SMenu_ReadClick();
  EXPECT_EQ(lines(), (Lines{"OTP Chip is KY08A16", "Read Checksum = 0xFFFF", "OTP Chip Empty"}));
  EXPECT_EQ(display(), DisplayText("OTP Chip Empty !!"));
}

// A chip list with a chip whose file gives more words than the program cells.
class ProgrammerReadBigChip : public ProgrammerRead {
 protected:
  ProgrammerReadBigChip() {
    CopyShippedInclude(folder);
    // The list ends at its first empty line: the chip goes before it.
    std::string list = ReadFileBytes(folder.include() + "KySel.INC");
    while (list.size() >= 2 && list.compare(list.size() - 2, 2, "\r\n") == 0)
      list.resize(list.size() - 2);
    folder.writeIncludeBytes("KySel.INC", list + "\r\nQRBIG.INC    QRBIG    (40K)\r\n");
    folder.writeInclude("QRBIG.INC",
                        {"#DEVICE", "3", "#PRODUCT", "QRBIG", "#ID", "0B77H", "#ROM", "40000"});
  }
  std::string programFolder() const override { return folder.program(); }
  ScratchFolder folder;
};

TEST_F(ProgrammerReadBigChip, ItsWordCountIsKeptWithinTheProgramCells) {
  writer().Chip.Id = 0x0B77;
  writer().Chip.Program[32767] = 0x4321;
  openLink();
  main().SMenu_ReadClick();
  EXPECT_EQ(lines(), (Lines{"OTP Chip is QRBIG", "Read SBM Fail"}));
  EXPECT_EQ(count("B6 00 00 00 00 80 00"), 1) << "32,768 words, not 40,000";
  EXPECT_EQ(up().GetOpcode(32767), 0x4321);
}

}  // namespace
}  // namespace kyvor::test
