// The chip operations on the virtual writer's target chip: program, blank
// check, verify and protect from the writer's image, with their results and
// failures (VPP, VDD, an error address, a chip that cannot take the image, a
// protected chip); the status wait of a slow operation; and the same
// operations programmed directly over the parallel port.
#include <algorithm>

#include "link/transfer_fixture.h"

namespace kyvor::test {
namespace {

constexpr uint32_t kWords = 4096;  // QR08B2

uint16_t ImageWord(uint32_t i) { return uint16_t(0x1000 + 3 * i); }
uint16_t HeaderWord(uint32_t k) { return k == 127 ? 0xF7FE : uint16_t(0x6000 + k); }

class ChipOperationsTest : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    selectChip("QR08B2");
    openEmulator();
    putImage();
  }
  TVirtualWriter& writer() { return pod().Writer; }
  TVirtualChip& chip() { return pod().Writer.Chip; }
  static void Put(std::vector<uint8_t>& flash, uint32_t at, uint16_t w) {
    flash[at] = uint8_t(w >> 8);
    flash[at + 1] = uint8_t(w);
  }
  // The writer's image as a download leaves it: program, header and the record's word count.
  void putImage() {
    auto& f = writer().Flash;
    for (uint32_t i = 0; i < kWords; ++i) Put(f, 2 * i, ImageWord(i));
    for (uint32_t k = 0; k < 128; ++k) Put(f, 0x8000 + 2 * k, HeaderWord(k));
    Put(f, 0xFFE0, 0);  // record words 240 (start) and 241 (words)
    Put(f, 0xFFE2, kWords);
  }
  uint8_t run(TChipOperation type, uint32_t n = kWords) {
    return up().ChipOperationWithStatus(up().EEBar(), n, type);
  }
  TWriterStatus status() {
    TWriterStatus s;
    EXPECT_TRUE(up().WriterReadStatus(s));
    return s;
  }
};

TEST_F(ChipOperationsTest, ProgramVerifyAndProtectABlankChip) {
  const auto t0 = clock_.now();
  EXPECT_EQ(run(TChipOperation::Blank), chipop::Done);
  EXPECT_EQ(sent(), (std::vector<std::string>{"B8 02", "B8 10"}));
  EXPECT_GE(ElapsedMs(t0), 3000) << "the first status read comes after 3 s";
  EXPECT_EQ(run(TChipOperation::BlankSbm, 128), chipop::Done);
  EXPECT_EQ(run(TChipOperation::Program), chipop::Done);
  for (uint32_t i = 0; i < kWords; ++i) ASSERT_EQ(chip().Program[i], ImageWord(i)) << i;
  EXPECT_EQ(chip().Program[kWords], 0xFFFF);
  EXPECT_EQ(run(TChipOperation::ProgramSbm, 128), chipop::Done);
  EXPECT_EQ(chip().Info[5], HeaderWord(5));
  EXPECT_EQ(chip().Info[127], 0xFFFF) << "the protect word waits for the protect operation";
  EXPECT_EQ(run(TChipOperation::Verify), chipop::Done);
  EXPECT_EQ(run(TChipOperation::VerifySbm, 128), chipop::Done);
  EXPECT_EQ(gauge_.back(), 100);

  EXPECT_EQ(run(TChipOperation::Blank), 2) << "no longer blank";
  EXPECT_EQ(status().ErrorAddress(), 0);
  EXPECT_EQ(run(TChipOperation::Protect, 1), chipop::Done);
  EXPECT_TRUE(chip().Protected());
  uint16_t id = 0, st = 0;
  ASSERT_TRUE(up().ReadChipIdWords(id, st));
  EXPECT_EQ(id, Chip().ChipId);
  EXPECT_FALSE(st & 0x0800) << "bit 11 clear: protected";
  EXPECT_EQ(run(TChipOperation::Verify), 3) << "a protected chip reads 0";
}

TEST_F(ChipOperationsTest, VppAndVddFailuresAreToldByTheStatus) {
  writer().Faults.Vpp = true;
  EXPECT_EQ(run(TChipOperation::Program), 1);
  TWriterStatus s = status();
  EXPECT_TRUE(s.VppError());
  EXPECT_FALSE(s.VddError());
  EXPECT_TRUE(chip().Blank()) << "nothing was programmed";
  writer().Faults.Vpp = false;
  writer().Faults.Vdd = true;
  EXPECT_EQ(run(TChipOperation::ProgramSbm, 128), 1);
  s = status();
  EXPECT_TRUE(s.VddError());
  EXPECT_FALSE(s.VppError());
}

TEST_F(ChipOperationsTest, TheErrorAddressOfAFailedOperation) {
  writer().Faults.ErrorAddress = 0x123;
  EXPECT_EQ(run(TChipOperation::Program), 1);
  TWriterStatus s = status();
  EXPECT_EQ(s.Flags & 0x07, 0x01);
  EXPECT_EQ(s.ErrorAddress(), 0x123);
  EXPECT_EQ(s.RecordWords, kWords);
  EXPECT_EQ(chip().Program[0x122], ImageWord(0x122));
  EXPECT_EQ(chip().Program[0x123], 0xFFFF);
  EXPECT_EQ(run(TChipOperation::Verify), 3);
  EXPECT_EQ(status().ErrorAddress(), 0x123);
}

TEST_F(ChipOperationsTest, AChipThatCannotTakeTheImageAndABlankChipThatDoesNotVerify) {
  EXPECT_EQ(run(TChipOperation::Verify), 3) << "a blank chip";
  EXPECT_EQ(status().ErrorAddress(), 0);
  // A bit already programmed to 0 cannot come back.
  chip().Program[77] = 0x0000;
  EXPECT_EQ(run(TChipOperation::Program), 1);
  EXPECT_EQ(status().ErrorAddress(), 77);
  // A protected chip takes nothing.
  chip().Program[77] = 0xFFFF;
  chip().SetProtected();
  EXPECT_EQ(run(TChipOperation::Program), 1);
}

TEST_F(ChipOperationsTest, ASlowOperationIsPolledUntilItEnds) {
  writer().OperationMs = 7000;
  const auto t0 = clock_.now();
  EXPECT_EQ(run(TChipOperation::Program), chipop::Done);
  EXPECT_GE(ElapsedMs(t0), 7000);
  EXPECT_LT(ElapsedMs(t0), 7300);
  EXPECT_GT(countSent("B8 10"), 30);
  // The progress the writer counts shows on the gauge meanwhile.
  EXPECT_TRUE(std::any_of(gauge_.begin(), gauge_.end(), [](int p) { return p > 40 && p < 100; }));
  EXPECT_TRUE(std::is_sorted(gauge_.begin(), gauge_.end()));
}

// The gauge starts again from 0 with every operation, so that it does not
// show the end of the one before while the writer works.
TEST_F(ChipOperationsTest, EveryOperationStartsTheGaugeAtZero) {
  EXPECT_EQ(run(TChipOperation::Program), chipop::Done);
  EXPECT_EQ(gauge_, (std::vector<int>{0, 100}));
  EXPECT_EQ(run(TChipOperation::Verify), chipop::Done);
  EXPECT_EQ(gauge_, (std::vector<int>{0, 100, 0, 100}));
}

TEST_F(ChipOperationsTest, AnOperationThatNeverEndsFailsAfterAMinute) {
  writer().OperationMs = -1;
  const auto t0 = clock_.now();
  EXPECT_EQ(run(TChipOperation::Verify), chipop::TimedOut);
  EXPECT_GE(ElapsedMs(t0), 60000);
  EXPECT_LT(ElapsedMs(t0), 61000);
  EXPECT_GT(clock_.pumpCount(), 100) << "the window stays responsive";
}

TEST_F(ChipOperationsTest, ALinkLostDuringTheWaitIsALinkFailure) {
  writer().OperationMs = 5000;
  pod().Faults.SilentFromPacket = pod().HostPacketCount() + 2;
  EXPECT_EQ(run(TChipOperation::Program), chipop::LinkFailed);
  expectLost();
}

// Over the parallel port the chip is programmed through its lines.
class DirectProgrammingTest : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    selectChip("QR08B2");
    lines_ = std::make_unique<TVirtualChipLines>(chip());
    openParallel(*lines_);
    for (uint32_t i = 0; i < 64; ++i) up().State().Cell(i).Opcode = uint16_t(0xA000 + i);
  }
  uint8_t run(TChipOperation type, uint32_t n) {
    const uint8_t r = up().ChipOperationWithStatus(up().EEBar(), n, type);
    EXPECT_FALSE(lines_->Powered()) << "the lines are released on every path";
    return r;
  }
  TVirtualChip& chip() { return pod().Writer.Chip; }
  std::unique_ptr<TVirtualChipLines> lines_;
};

TEST_F(DirectProgrammingTest, ProgramVerifyAndBlankCheckThroughTheLines) {
  EXPECT_EQ(run(TChipOperation::Blank, 64), chipop::Done);
  EXPECT_EQ(run(TChipOperation::Program, 64), chipop::Done);
  for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(chip().Program[i], 0xA000 + i) << i;
  EXPECT_EQ(chip().Program[64], 0xFFFF);
  EXPECT_EQ(gauge_.back(), 100);
  gauge_.clear();
  EXPECT_EQ(run(TChipOperation::Program, 64), chipop::Done) << "the same words again";
  ASSERT_FALSE(gauge_.empty());
  EXPECT_EQ(gauge_.front(), 0) << "the gauge starts again";
  EXPECT_EQ(run(TChipOperation::Verify, 64), chipop::Done);
  EXPECT_EQ(run(TChipOperation::Blank, 64), 2);
  // The command, 64 words and the closing exchange.
  EXPECT_GE(lines_->Exchanges, 66);
  EXPECT_TRUE(pod().Log.empty()) << "nothing went over USB";
}

TEST_F(DirectProgrammingTest, EachFailureHasItsOwnResult) {
  chip().Id = 0x0BAD;
  EXPECT_EQ(run(TChipOperation::Program, 64), chipop::WrongChip);
  EXPECT_TRUE(chip().Blank());
  chip().Id = Chip().ChipId;
  chip().Program[10] = 0x0000;  // the read-back of word 10 differs
  EXPECT_EQ(run(TChipOperation::Program, 64), 4);
  EXPECT_EQ(run(TChipOperation::Verify, 64), 6);
  EXPECT_EQ(run(TChipOperation::Verify, 10), chipop::Done) << "the words before it verify";
}

TEST_F(DirectProgrammingTest, TheSbmAreaFromTheChipsSbmAddress) {
  ASSERT_EQ(Chip().SbmAddress, 100);
  auto& info = up().Info.InfoBlock;
  for (uint32_t k = 0; k < 128; ++k) info[k] = uint16_t(0x5500 + k);
  EXPECT_EQ(run(TChipOperation::BlankSbm, 128), chipop::Done);
  // Words 100..126: n - SbmAddress - 1 of them.
  EXPECT_EQ(run(TChipOperation::ProgramSbm, 128), chipop::Done);
  EXPECT_EQ(chip().Info[99], 0xFFFF);
  EXPECT_EQ(chip().Info[100], 0x5564);
  EXPECT_EQ(chip().Info[126], 0x557E);
  EXPECT_EQ(chip().Info[127], 0xFFFF);
  EXPECT_EQ(run(TChipOperation::VerifySbm, 128), chipop::Done);
  EXPECT_EQ(run(TChipOperation::BlankSbm, 128), 3);
  info[120] = 0;
  EXPECT_EQ(run(TChipOperation::VerifySbm, 128), 7);
  chip().Info[110] = 0x0000;
  EXPECT_EQ(run(TChipOperation::ProgramSbm, 128), 5);
}

TEST_F(DirectProgrammingTest, ProtectWritesTheProtectWordAndAProtectedChipReadsZero) {
  EXPECT_EQ(run(TChipOperation::Program, 64), chipop::Done);
  up().Info.InfoBlock[127] = 0xFFFE;  // an image that does not protect
  EXPECT_EQ(run(TChipOperation::Protect, 1), chipop::Done);
  EXPECT_FALSE(chip().Protected());
  up().Info.InfoBlock[127] = 0xF7FE;
  EXPECT_EQ(run(TChipOperation::Protect, 1), chipop::Done);
  EXPECT_TRUE(chip().Protected());
  EXPECT_EQ(run(TChipOperation::Verify, 64), 6);
  // A protect word that does not take the image's value.
  chip().Info[127] = 0x0000;
  EXPECT_EQ(run(TChipOperation::Protect, 1), 8);
}

TEST_F(DirectProgrammingTest, TheChipIsReadAndAskedForItsIdThroughTheLines) {
  for (uint32_t i = 0; i < 32; ++i) chip().Program[8 + i] = uint16_t(0x3300 + i);
  chip().Info[127] = 0xFFFE;
  ASSERT_TRUE(up().ReadChipMemory(up().EEBar(), 8, 32));
  EXPECT_FALSE(lines_->Powered());
  EXPECT_EQ(up().GetOpcode(8), 0x3300);
  EXPECT_EQ(up().GetOpcode(39), 0x331F);
  uint16_t a = 0, b = 0;
  ASSERT_TRUE(up().ReadChipIdWords(a, b));
  EXPECT_EQ(a, Chip().ChipId);
  EXPECT_EQ(b, 0xFFFE);
  chip().Id = 0x0BAD;
  EXPECT_FALSE(up().ReadChipMemory({}, 8, 32)) << "another chip";
}

}  // namespace
}  // namespace kyvor::test
