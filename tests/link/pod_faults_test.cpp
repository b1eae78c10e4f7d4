// Injected faults: a pod that stops answering, a wrong acknowledge byte, an
// unplugged pod. Each failed operation leaves the link closed and PodState 255
// within one transfer time-out, and the next operations fail at once.
#include <chrono>
#include <functional>

#include "engine/ky_up.h"
#include "link/link_fixture.h"

namespace kyvor::test {
namespace {

enum class TFault { Silent, WrongAck, Unplugged };

struct TOperation {
  const char* name;
  std::function<bool(TPodProtocol&)> run;
  bool acknowledged;  // the first reply carries an acknowledge byte
};

const std::vector<TOperation>& Operations() {
  static const std::vector<TOperation> ops = {
      {"PodPing", [](TPodProtocol& l) { return l.PodPing(); }, true},
      {"PodReadRegister",
       [](TPodProtocol& l) {
         bool ok = true;
         l.PodReadRegister(0x80, ok);
         return ok;
       },
       true},
      {"PodWriteRegister", [](TPodProtocol& l) { return l.PodWriteRegister(0x80, 1); }, true},
      {"PodReadProgramWord",
       [](TPodProtocol& l) {
         bool ok = true;
         l.PodReadProgramWord(0x10, ok);
         return ok;
       },
       true},
      {"PodRunFree", [](TPodProtocol& l) { return l.PodRunFree(); }, true},
      {"PodHalt", [](TPodProtocol& l) { return l.PodHalt(); }, true},
      {"PodStep", [](TPodProtocol& l) { return l.PodStep(1); }, true},
      {"PodIsHalted",
       [](TPodProtocol& l) {
         bool failed = false;
         l.PodIsHalted(failed);
         return !failed;
       },
       true},
      {"PodReadDataMemory",
       [](TPodProtocol& l) {
         std::vector<uint8_t> b(512);
         return l.PodReadDataMemory(0, 512, b.data());
       },
       true},
      {"PodReadStack",
       [](TPodProtocol& l) {
         std::vector<uint32_t> v;
         return l.PodReadStack(8, v);
       },
       false},
      {"PodReadChipId",
       [](TPodProtocol& l) {
         uint16_t id = 0;
         return l.PodReadChipId(id) == 0 || l.PodReadChipId(id) == 1;
       },
       true},
      {"PodWriteBreakpoints",
       [](TPodProtocol& l) {
         std::array<uint32_t, 16> a;
         a.fill(0xFFFFF);
         return l.PodWriteBreakpoints(a);
       },
       true},
  };
  return ops;
}

class FaultTest : public LinkFixture,
                  public ::testing::TestWithParam<std::tuple<TFraming, TFault>> {
 protected:
  void SetUp() override { setUpLink(std::get<0>(GetParam())); }
  void TearDown() override { tearDownLink(); }
  TFault fault() const { return std::get<1>(GetParam()); }
  void inject() {
    switch (fault()) {
      case TFault::Silent: pod().Faults.SilentFromPacket = pod().HostPacketCount() + 1; break;
      case TFault::WrongAck: pod().Faults.WrongAckFromPacket = pod().HostPacketCount() + 1; break;
      case TFault::Unplugged: pod().Faults.Unplugged = true; break;
    }
  }
  void heal() { pod().Faults = TPodFaults{}; }
};

TEST_P(FaultTest, EveryOperationFailsAndLeavesTheLinkLostWithinTheTimeOut) {
  for (const TOperation& op : Operations()) {
    if (fault() == TFault::WrongAck && !op.acknowledged) continue;
    SCOPED_TRACE(op.name);
    heal();
    ASSERT_TRUE(rig_->Open());
    inject();
    const auto start = clock_.now();
    EXPECT_FALSE(op.run(link()));
    const auto waited = clock_.now() - start;
    expectLost();
    EXPECT_LE(waited, std::chrono::milliseconds(link().Settings.TransferTimeoutMs));
    if (fault() == TFault::Silent) {
      EXPECT_EQ(waited, std::chrono::milliseconds(link().Settings.TransferTimeoutMs));
    }
    // Nothing more goes to the pod, and nothing more waits.
    const int packets = pod().HostPacketCount();
    const auto again = clock_.now();
    EXPECT_FALSE(op.run(link()));
    EXPECT_EQ(pod().HostPacketCount(), packets);
    EXPECT_EQ(clock_.now(), again);
    EXPECT_EQ(Modes().PodState, 255);
  }
}

TEST_P(FaultTest, TheSearchAfterTheFaultFindsTheHealedPodAgain) {
  ASSERT_TRUE(rig_->Open());
  inject();
  EXPECT_FALSE(link().PodPing());
  expectLost();
  if (fault() == TFault::Silent) {
    // Still silent: the search passes over the pod.
    EXPECT_EQ(link().PodUsbOpen(), 255);
    EXPECT_EQ(pod().OpenHandles(), 0);
  } else if (fault() == TFault::WrongAck) {
    // The open sequence carries no acknowledge byte; the first command fails.
    EXPECT_EQ(link().PodUsbOpen(), 0);
    EXPECT_FALSE(link().PodPing());
    expectLost();
  }
  heal();
  EXPECT_EQ(link().PodUsbOpen(), 0);
  EXPECT_TRUE(link().PodPing());
  EXPECT_EQ(pod().OpenHandles(), 1);
}

// A lost pod during an emulator run: the run's next poll stops it with
// PodState 255, and the window waits at most one time-out.
TEST_P(FaultTest, AnEmulatorRunOnALostPodStopsAtTheNextPoll) {
  ASSERT_TRUE(rig_->Open());
  TKy_UP up;
  rig_->Install(up);
  Modes().SimulatorMode = 0;
  up.RunProgram();
  ASSERT_TRUE(up.TimerEnabled());
  up.TimerTimer();
  EXPECT_TRUE(up.TimerEnabled());  // NOPs run on
  inject();
  const auto start = clock_.now();
  up.TimerTimer();
  EXPECT_LE(clock_.now() - start, std::chrono::milliseconds(link().Settings.TransferTimeoutMs));
  EXPECT_FALSE(up.TimerEnabled());
  EXPECT_EQ(up.LastStop(), TRunStop::PodLost);
  expectLost();
}

// The model keeps the state it last read back when the pod stops answering.
TEST_P(FaultTest, TheReadBackOfALostPodLeavesTheModelAsItWas) {
  ASSERT_TRUE(rig_->Open());
  TKy_UP up;
  rig_->Install(up);
  Modes().SimulatorMode = 0;
  up.SetProgramCounter(0x55);
  up.WriteRegisterModel(0x80, 0x77);
  inject();
  up.ReadStateFromPod(1);
  EXPECT_EQ(up.GetPC(), 0x55u);
  EXPECT_EQ(up.ReadRegister(0x80), 0x77);
  expectLost();
}

std::string FaultName(const ::testing::TestParamInfo<std::tuple<TFraming, TFault>>& info) {
  static const char* kFault[] = {"Silent", "WrongAck", "Unplugged"};
  return std::string(std::get<0>(info.param) == TFraming::Bulk ? "Bulk" : "Hid") +
         kFault[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTest,
                         ::testing::Combine(::testing::Values(TFraming::Bulk, TFraming::Hid),
                                            ::testing::Values(TFault::Silent, TFault::WrongAck,
                                                              TFault::Unplugged)),
                         FaultName);

}  // namespace
}  // namespace kyvor::test
