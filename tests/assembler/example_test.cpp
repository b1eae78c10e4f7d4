// The shipped example assembles cleanly and runs in the simulator.
#include <filesystem>

#include "asm_fixture.h"
#include "chip/chiploader.h"

namespace kyvor::test {
namespace {

class ExampleTest : public AsmFixture {};

TEST_F(ExampleTest, BlinkAssemblesAndRunsInTheSimulator) {
  const std::filesystem::path src = std::filesystem::path(KYVOR_DATA_DIR) / "examples";
  std::filesystem::copy_file(src / "blink.asm", dir_ / "blink.asm");
  std::filesystem::copy_file(src / "blink.inc", dir_ / "blink.inc");
  ASSERT_EQ(Assemble("blink.asm"), 1) << (host->Errors.Count() ? host->Errors.Text(0) : "");
  EXPECT_EQ(asmForm->ErrorCount(), 0);
  EXPECT_EQ(host->ErrorViewShown, 0);
  // Variables were handed to the debugger.
  EXPECT_EQ(up->SymbolAddress("COUNT"), 0x80);
  EXPECT_EQ(up->SymbolAddress("TICKS"), 0x81);
  // Run: every pass of the main loop increments COUNT and shows it on PORTB.
  Modes().SimulatorMode = 1;
  up->CpuReset();
  int passes = 0;
  for (int step = 0; step < 2000 && passes < 3; ++step) {
    const uint32_t pc = up->GetPC();
    up->TraceStep();
    if (pc != up->GetPC() && up->ReadRegister(0x80) == passes + 1) ++passes;
  }
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
  const std::filesystem::path src = std::filesystem::path(KYVOR_DATA_DIR) / "examples";
  std::filesystem::copy_file(src / "blink.asm", dir_ / "blink.asm");
  std::filesystem::copy_file(src / "blink.inc", dir_ / "blink.inc");
  options.AssembleOnly = 0;  // Assemble & Debug: every register and bit is checked
  ASSERT_EQ(Assemble("blink.asm"), 1) << (host->Errors.Count() ? host->Errors.Text(0) : "");
  EXPECT_TRUE(Exists("blink.lst"));
  EXPECT_EQ(Read("blink.hex").size(), Chip().ChipRomWords * 2 + (Chip().DeviceKind3 ? 512u : 1536u));
}

}  // namespace
}  // namespace kyvor::test
