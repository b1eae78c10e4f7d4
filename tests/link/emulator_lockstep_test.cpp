// Emulator mode end to end: one assembled program runs in the simulator and,
// through the pod protocol, on the virtual pod (its own core on its own
// target state). Traced, stepped over, run to a breakpoint and stopped, both
// give the same PC, cycles, registers and stack, on every shipped chip (both
// core variants, both kinds of two-word step).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "assembler/asm_testhost.h"
#include "assembler/assembler.h"
#include "assembler/kyup_target.h"
#include "base/containers.h"
#include "base/outputfile.h"
#include "chip/chiploader.h"
#include "link/link_fixture.h"
#include "support/temp_folder.h"

namespace kyvor::test {
namespace {

// The program, in the instructions both cores have. The main loop mixes
// arithmetic, rotates through carry, skips taken and not taken, a call with
// an early return and the simulated timer.
const char* const kCommonSource[] = {
    "A       DS      1",
    "B       DS      1",
    "C       DS      1",
    "N       DS      1",
    "T       DS      1",
    "        ORG     0",
    "START:  MVL     05AH",
    "        MVF     A, 1",
    "        MVL     013H",
    "        MVF     B, 1",
    "        CLRF    C",
    "        MVL     090H",
    "        MVF     041H, 1              ; the simulated timer on",
    "AGAIN:  MVL     40",
    "        MVF     N, 1",
    "LOOP:   MVF     A, 0",
    "        ADDF    B, 1",
    "        RLFC    A, 1",
    "        MVF     B, 0",
    "        XORF    A, 1",
    "        SWPF    C, 1",
    "        ADDC    C, 1",
    "        CALL    SUB1",
    "        BTSS    A, 3",
    "        INF     T, 1",
    "        BTSZ    B, 0",
    "        DCF     T, 1",
    "        MVF     T, 0",
    "        CPSE    C, 0",
    "        COMF    C, 1",
    "        ANDL    07FH",
    "        IORF    T, 1",
    "        TFSZ    T, 0",
    "        BTGF    T, 7",
    "        RRF     B, 1",
    "        SUBF    C, 1",
    "        DCSUZ   T, 1",
    "        INSUZ   C, 1",
    "        CPSG    A, 0",
    "        SETF    T",
    "        DCSZ    N, 1",
    "        JMP     LOOP",
    "        JMP     AGAIN",
    "SUB1:   MVF     C, 0",
    "        SUBL    3",
    "        BTSS    02BH, 0              ; Z",
    "        RETL    011H",
    "        MVF     A, 0",
    "        XORL    0C3H",
    "        MVF     C, 1",
    "        RET",
};

// The full core's own instructions, in a second subroutine of the loop.
const char* const kFullCoreSource[] = {
    "SUB2:   MVFF    A, T", "        MVF     B, 0",  "        MULL    7",
    "        ARLC    C, 1", "        RCALL   SUB3",  "        JNZ     SKIP2",
    "        INF     C, 1", "SKIP2:  RJ      BACK2", "BACK2:  RET",
    "SUB3:   MVF     A, 0", "        ANDL    01H",   "        RET",
};

class LockStepTest : public LinkFixture, public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    setUpLink(TFraming::Bulk);
    ResetOutputFileState();
    ASSERT_GT(ReadChipList(std::string(KYVOR_DATA_DIR) + "/"), 0);
    const auto& items = Chip().ChipListItems;
    int index = -1;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].find(GetParam()) != std::string::npos) index = int(i);
    ASSERT_GE(index, 0) << GetParam();
    Chip().ChipIndex = index;
    ASSERT_EQ(GetSELUP(), 1);
    ASSERT_GT(Chip().SimIcCount, 0);
    Chip().RegisterQuirkFlags.fill(0);  // read-back rules would differ from the simulator by design
    pod().ChipId = Chip().SimIcList[0];
    dir_ = MakeTempFolder("kylock");
    assemble();
    prepareEmulator();
  }
  void TearDown() override {
    emu_.reset();
    sim_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetOutputFileState();
    ResetRegisterLists();
    tearDownLink();
  }

  void assemble() {
    std::ostringstream src;
    src << "        MEMAR   80H\r\n";
    for (const char* l : kCommonSource) src << l << "\r\n";
    if (Chip().CoreVariant == 0) {
      for (const char* l : kFullCoreSource) src << l << "\r\n";
    }
    src << "        END\r\n";
    std::string text = src.str();
    if (Chip().CoreVariant == 0) {
      // The loop calls the second subroutine too.
      const std::string call = "        CALL    SUB1\r\n";
      text.replace(text.find(call), call.size(), call + "        CALL    SUB2\r\n");
    }
    std::ofstream((dir_ / "lock.asm").string(), std::ios::binary) << text;
    StoreMainFileName((dir_ / "lock.asm").string());
    sim_ = std::make_unique<TKy_UP>();
    sim_->ApplyChipConfig();
    if (Chip().CoreVariant == 1) sim_->LoadInstructionTableReduced();
    TAsmRecordingHost host;
    TKyUpTarget target(*sim_);
    TAsmOptions options;
    options.AssembleOnly = 1;
    TF_ASM assembler(host, target, options);
    ASSERT_EQ(assembler.Assemble(), 1) << (host.Errors.Count() ? host.Errors.Text(0) : "");
    // Seven words of set-up and two of AGAIN come before LOOP; SUB1 is the
    // word before the first SUBL 3.
    loop_ = 9;
    ASSERT_EQ(sim_->ReadProgramWord(loop_), sim_->Instructions().Encode("MVF", 0x80, 0, 0));
    const uint16_t subl = sim_->Instructions().Encode("SUBL", 3);
    for (uint32_t a = loop_; a < 200 && !sub1_; ++a)
      if (sim_->ReadProgramWord(a) == subl) sub1_ = a - 1;
    ASSERT_GT(sub1_, loop_);
  }

  // The second model drives the virtual pod: the same program in its cells,
  // downloaded and verified by the emulator's reset with reload.
  void prepareEmulator() {
    emu_ = std::make_unique<TKy_UP>();
    emu_->ApplyChipConfig();
    if (Chip().CoreVariant == 1) emu_->LoadInstructionTableReduced();
    const uint32_t words = uint32_t(sim_->State().ProgramWords());
    for (uint32_t a = 0; a < words; ++a) {
      const TProgramCell& c = sim_->State().Cell(a);
      emu_->StoreProgramWord(uint16_t(a), c.Opcode, uint16_t(c.Line), c.FileIndex);
    }
    open();
    rig_->Install(*emu_);
    ASSERT_TRUE(link().PodWriteCoreVariant(Chip().CoreVariant));
    emulator();
    ASSERT_TRUE(emu_->IceResetTarget(1));
    simulator();
    sim_->CpuReset();
    emulator();
    emu_->CpuReset();
    emu_->ReadStateFromPod(1);
  }

  void simulator() { Modes().SimulatorMode = 1; }
  void emulator() { Modes().SimulatorMode = 0; }

  std::string where() const {
    std::string m;
    uint8_t n = 0;
    int c = 0, a = 0, b = 0, d = 0;
    sim_->DisassembleOpcode(sim_->ReadProgramWord(lastPc_), m, n, c, a, b, d);
    std::ostringstream s;
    s << "after " << steps_ << " steps, last PC " << std::hex << lastPc_ << " (" << m << ")";
    return s.str();
  }

  void expectSame() {
    ASSERT_EQ(emu_->GetPC(), sim_->GetPC()) << where();
    ASSERT_EQ(emu_->State().Cycles(), sim_->State().Cycles()) << where();
    const int size = DataMemorySize();
    for (int a = 0; a < size; ++a)
      ASSERT_EQ(emu_->ReadRegister(a), sim_->ReadRegister(a)) << "register " << a << " " << where();
    for (int i = 1; i <= sim_->State().StackDepth(); ++i)
      ASSERT_EQ(emu_->GetStackEntry(i), sim_->GetStackEntry(i)) << "level " << i << " " << where();
    ASSERT_EQ(pod().Violations.size(), 0u) << pod().Violations.front();
  }

  void traceBoth(int n) {
    for (int i = 0; i < n; ++i) {
      lastPc_ = sim_->GetPC();
      simulator();
      sim_->TraceStep();
      emulator();
      emu_->TraceStep();
      ++steps_;
      expectSame();
      if (HasFatalFailure()) return;
    }
  }

  // Drives an emulator run: the run timer's ticks until the pod halts.
  void finishEmulatorRun() {
    for (int tick = 0; tick < 1000 && emu_->TimerEnabled(); ++tick) emu_->TimerTimer();
    ASSERT_FALSE(emu_->TimerEnabled()) << "the pod run did not stop";
  }

  void stepOverBoth() {
    lastPc_ = sim_->GetPC();
    simulator();
    sim_->StepOver();
    sim_->RunToStop(1000, 10000000);
    emulator();
    emu_->StepOver();
    finishEmulatorRun();
    ++steps_;
    expectSame();
  }

  void runBothToBreakpointAt(uint32_t address) {
    simulator();
    ASSERT_TRUE(sim_->SetBreakpoint(int32_t(address), 1, true));
    emulator();
    ASSERT_TRUE(emu_->SetBreakpoint(int32_t(address), 1, true));
    lastPc_ = sim_->GetPC();
    simulator();
    sim_->RunProgram();
    EXPECT_EQ(sim_->RunToStop(1000, 10000000), TRunStop::Breakpoint);
    emulator();
    emu_->RunProgram();
    finishEmulatorRun();
    EXPECT_EQ(emu_->LastStop(), TRunStop::PodHalted);
    EXPECT_EQ(emu_->GetPC(), address);
    ++steps_;
    expectSame();
    simulator();
    sim_->SetBreakpoint(int32_t(address), 1, false);
    emulator();
    emu_->SetBreakpoint(int32_t(address), 1, false);
  }

  // A free run on the pod, stopped; the simulator then traces up to the
  // same cycle count and must stand where the pod stopped.
  void runEmulatorAndStop(int polls) {
    emulator();
    emu_->RunProgram();
    for (int i = 0; i < polls; ++i) emu_->TimerTimer();
    ASSERT_TRUE(emu_->TimerEnabled());
    emu_->StopProgram(1);
    simulator();
    const uint32_t target = emu_->State().Cycles();
    while (sim_->State().Cycles() < target) {
      lastPc_ = sim_->GetPC();
      sim_->TraceStep();
    }
    ++steps_;
    expectSame();
  }

  std::filesystem::path dir_;
  std::unique_ptr<TKy_UP> sim_, emu_;
  uint32_t loop_ = 0, sub1_ = 0, lastPc_ = 0;
  int steps_ = 0;
};

TEST_P(LockStepTest, TraceStepOverRunAndStopMatchTheSimulator) {
  expectSame();
  for (int round = 0; round < 6 && !HasFatalFailure(); ++round) {
    traceBoth(400);
    // Step over the next call (traced up to it).
    for (int i = 0;
         i < 60 && sim_->ReadProgramWord(sim_->GetPC()) != sim_->ReadProgramWord(loop_ + 7) &&
         !HasFatalFailure();
         ++i)
      traceBoth(1);
    if (HasFatalFailure()) break;
    stepOverBoth();
    runBothToBreakpointAt(loop_);
    runBothToBreakpointAt(sub1_);
    runEmulatorAndStop(2 + round);
  }
  EXPECT_GE(steps_, 2400);
  EXPECT_GT(pod().InstructionsExecuted(), 5000u);
  EXPECT_TRUE(dialogs_.messages().empty());
}

// K08A: KY08A16, QN08A2, QN08A4, QR08A1, QR08A3 (third kind: two-word steps by
// breakpoint);
// K08B: QR08B1, QR08B2 (third kind).
INSTANTIATE_TEST_SUITE_P(EveryShippedChip, LockStepTest,
                         ::testing::Values("KY08A16", "QN08A2", "QN08A4", "QR08A1", "QR08A3",
                                           "QR08B1", "QR08B2"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace kyvor::test
