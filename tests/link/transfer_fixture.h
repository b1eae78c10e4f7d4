#pragma once
// Shared fixture of the program-transfer and programmer tests: the link
// fixture with a shipped chip loaded, a CPU model driving the virtual pod in
// emulator mode, a program assembled into it, and the gauge as the main
// window would see it.
#include <filesystem>
#include <string>
#include <vector>

#include "base/containers.h"
#include "base/outputfile.h"
#include "chip/chiploader.h"
#include "link/link_fixture.h"
#include "support/assembled_program.h"
#include "support/chip_folder.h"
#include "support/temp_folder.h"

namespace kyvor::test {

class TransferFixture : public LinkFixture {
 protected:
  void setUpTransfer(TFraming framing) {
    setUpLink(framing);
    ResetOutputFileState();
    dir_ = MakeTempFolder("kytransfer");
  }
  void tearDownTransfer() {
    if (rig_) link().Parallel().SetLines(nullptr);
    up_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetOutputFileState();
    ResetRegisterLists();
    tearDownLink();
  }

  // Loads the shipped chip whose list entry names `name`; the pod answers its id.
  void selectChip(const std::string& name) {
    ASSERT_GT(ReadChipList(std::string(KYVOR_DATA_DIR) + "/"), 0);
    ASSERT_TRUE(SelectListedChip(name)) << name;
    pod().ChipId = Chip().SimIcCount > 0 ? Chip().SimIcList[0] : Chip().ChipId;
    pod().Writer.Chip.Id = Chip().ChipId;
    up_ = std::make_unique<TKy_UP>();
    up_->ApplyChipConfig();
    if (Chip().CoreVariant == 1) up_->LoadInstructionTableReduced();
    up_->Hooks.GaugeShown = [this](bool shown) { gaugeShown_.push_back(shown); };
    up_->Hooks.GaugeProgress = [this](int p) { gauge_.push_back(p); };
  }
  // Opens the link, installs the pod in the model and switches to emulator
  // mode; the pod runs the chip's core, as the emulator road sets it.
  void openEmulator() {
    open();
    ASSERT_TRUE(link().PodWriteCoreVariant(Chip().CoreVariant));
    pod().ClearLog();
    rig_->Install(*up_);
    Modes().SimulatorMode = 0;
  }
  // The pod on the parallel port behind `lines`, in emulator mode.
  void openParallel(IParallelLines& lines) {
    Modes().SimulatorMode = 0;
    Modes().IceInterfaceIndex = 1;
    link().Parallel().SetLines(&lines);
    ASSERT_EQ(link().Parallel().OpenParallelDriver(), 1);
    rig_->Install(*up_);
  }
  void assemble(const std::vector<std::string>& lines) {
    const std::string error = AssembleInto(*up_, dir_, lines);
    ASSERT_TRUE(error.empty()) << error;
  }
  // Program words 0..n-1 of the model and of the virtual pod.
  std::vector<uint16_t> modelWords(uint32_t n) const {
    std::vector<uint16_t> v;
    for (uint32_t a = 0; a < n; ++a) v.push_back(up_->State().Cell(a).Opcode);
    return v;
  }
  std::vector<uint16_t> podWords(uint32_t at, uint32_t n) const {
    std::vector<uint16_t> v;
    for (uint32_t a = 0; a < n; ++a) v.push_back(rig_->Pod.ProgramWord(at + a));
    return v;
  }
  // The host packets that begin with `prefix`.
  int countSent(const std::string& prefix) const {
    int n = 0;
    for (const std::string& p : sent()) n += p.rfind(prefix, 0) == 0;
    return n;
  }
  TKy_UP& up() { return *up_; }

  std::filesystem::path dir_;
  std::unique_ptr<TKy_UP> up_;
  std::vector<bool> gaugeShown_;
  std::vector<int> gauge_;
};

class TransferTest : public TransferFixture, public ::testing::Test {
 protected:
  void SetUp() override { setUpTransfer(TFraming::Bulk); }
  void TearDown() override { tearDownTransfer(); }
};

class TransferFramingTest : public TransferFixture, public ::testing::TestWithParam<TFraming> {
 protected:
  void SetUp() override { setUpTransfer(GetParam()); }
  void TearDown() override { tearDownTransfer(); }
};

}  // namespace kyvor::test
