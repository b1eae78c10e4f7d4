// The shipped examples assemble cleanly and run in the simulator.
#include <filesystem>

#include "asm_fixture.h"
#include "chip/chiploader.h"

namespace kyvor::test {
namespace {

class ExampleTest : public AsmFixture {
 protected:
  // Loads the shipped chip whose list entry names `file`.
  void LoadShippedChip(const std::string& file) {
    const int n = ReadChipList(std::string(KYVOR_DATA_DIR) + "/");
    const auto entries = ReadChipListEntries();
    for (int i = 0; i < n && i < static_cast<int>(entries.size()); ++i) {
      if (entries[static_cast<std::size_t>(i)].FileName != file) continue;
      Chip().ChipIndex = i;
      ASSERT_EQ(GetSELUP(), 1) << file;
      return;
    }
    FAIL() << file << " is not in the shipped chip list";
  }
  void CopyExample(const char* name) {
    const std::filesystem::path src = std::filesystem::path(KYVOR_DATA_DIR) / "examples";
    std::filesystem::copy_file(src / name, dir_ / name);
  }
  // Runs until COUNT (80H) has counted `passes` passes of the main loop.
  void RunPasses(int passes) {
    Modes().SimulatorMode = 1;
    up->CpuReset();
    int seen = 0;
    for (int step = 0; step < 2000 && seen < passes; ++step) {
      const uint32_t pc = up->GetPC();
      up->TraceStep();
      if (pc != up->GetPC() && up->ReadRegister(0x80) == seen + 1) ++seen;
    }
  }
};

TEST_F(ExampleTest, BlinkAssemblesAndRunsInTheSimulator) {
  CopyExample("blink.asm");
  CopyExample("blink.inc");
  ASSERT_EQ(Assemble("blink.asm"), 1) << (host->Errors.Count() ? host->Errors.Text(0) : "");
  EXPECT_EQ(asmForm->ErrorCount(), 0);
  EXPECT_EQ(host->ErrorViewShown, 0);
  // Variables were handed to the debugger.
  EXPECT_EQ(up->SymbolAddress("COUNT"), 0x80);
  EXPECT_EQ(up->SymbolAddress("TICKS"), 0x81);
  // Run: every pass of the main loop increments COUNT and shows it on PORTB.
  RunPasses(3);
  EXPECT_EQ(up->ReadRegister(0x80), 3);
  // PORTB shows COUNT after the SHOW macro of the third pass.
  for (int step = 0; step < 6; ++step) up->TraceStep();
  EXPECT_EQ(up->ReadRegister(0x51), 3);
}

TEST_F(ExampleTest, BlinkAssemblesForTheDefaultChipOfTheList) {
  // The first chip of the shipped chip list, loaded from its description.
  ASSERT_GT(ReadChipList(std::string(KYVOR_DATA_DIR) + "/"), 0);
  Chip().ChipIndex = 0;
  ASSERT_EQ(GetSELUP(), 1);
  CopyExample("blink.asm");
  CopyExample("blink.inc");
  options.AssembleOnly = 0;  // Assemble & Debug: every register and bit is checked
  ASSERT_EQ(Assemble("blink.asm"), 1) << (host->Errors.Count() ? host->Errors.Text(0) : "");
  EXPECT_TRUE(Exists("blink.lst"));
  EXPECT_EQ(Read("blink.hex").size(), Chip().ChipRomWords * 2 + (Chip().DeviceKind3 ? 512u : 1536u));
}

TEST_F(ExampleTest, K08bBlinkAssemblesAndRunsOnBothK08bChips) {
  for (const char* chip : {"QR08B1.INC", "QR08B2.INC"}) {
    SCOPED_TRACE(chip);
    LoadShippedChip(chip);
    ASSERT_EQ(Chip().CoreVariant, 1) << "a K08B chip";
    up.reset();  // the model takes the chip's reduced instruction table
    for (const auto& e : std::filesystem::directory_iterator(dir_)) std::filesystem::remove_all(e);
    CopyExample("blink08b.asm");
    CopyExample("blink.inc");
    ASSERT_EQ(Assemble("blink08b.asm"), 1) << (host->Errors.Count() ? host->Errors.Text(0) : "");
    EXPECT_EQ(asmForm->ErrorCount(), 0);
    EXPECT_EQ(up->SymbolAddress("COUNT"), 0x80);
    RunPasses(3);
    EXPECT_EQ(up->ReadRegister(0x80), 3);
    for (int step = 0; step < 6; ++step) up->TraceStep();
    EXPECT_EQ(up->ReadRegister(0x51), 3) << "PORTB shows COUNT";
    EXPECT_EQ(up->ReadRegister(0x50) & 1, 1) << "the LED toggled three times";
  }
}

TEST_F(ExampleTest, BlinkNeedsTheRelativeJumpK08bLacks) {
  LoadShippedChip("QR08B1.INC");
  CopyExample("blink.asm");
  CopyExample("blink.inc");
  EXPECT_EQ(Assemble("blink.asm"), 0) << "RJ is no K08B instruction";
  EXPECT_GT(asmForm->ErrorCount(), 0);
}

}  // namespace
}  // namespace kyvor::test
