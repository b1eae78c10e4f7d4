#pragma once
// Shared fixture of the link tests: the fake clock, scripted dialogs, a
// virtual pod of the framing under test behind its own pod protocol, and a
// check after every test that the host kept to the protocol.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "link/pod_protocol.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/virtual_pod_rig.h"

namespace kyvor::test {

using TFraming = TVirtualPod::TFraming;

inline std::string FramingName(const ::testing::TestParamInfo<TFraming>& info) {
  return info.param == TFraming::Bulk ? "Bulk" : "Hid";
}

class LinkFixture {
 protected:
  void setUpLink(TFraming framing) {
    ResetModes();
    ResetOptions();
    ResetChipConfig();
    clock_.install();
    rig_ = std::make_unique<TVirtualPodRig>(framing);
  }
  void tearDownLink() {
    for (const TVirtualPod* p : {&pod(), &otherBulk_, &otherHid_})
      for (const std::string& v : p->Violations) ADD_FAILURE() << "protocol: " << v;
    rig_.reset();
    ResetModes();
    ResetOptions();
    ResetChipConfig();
  }
  TVirtualPod& pod() { return rig_->Pod; }
  TPodProtocol& link() { return rig_->Link; }
  TVirtualPodEnumerator& devices() { return rig_->Devices; }
  // Opens the link and forgets the packets of the search.
  void open() {
    ASSERT_TRUE(rig_->Open());
    pod().ClearLog();
  }
  // The host's packets since the last ClearLog.
  std::vector<std::string> sent() const { return rig_->Pod.HostPackets(); }
  // The link is down: closed, PodState 255, no handle left open.
  void expectLost() {
    EXPECT_EQ(link().PodLink.IsOpen, 0);
    EXPECT_FALSE(link().LinkUsable());
    EXPECT_EQ(link().PodLink.Handle, -1);
    EXPECT_EQ(Modes().PodState, 255);
    EXPECT_EQ(pod().OpenHandles(), 0);
  }

  FakeClock clock_;
  ScriptedDialogs dialogs_;
  // Further pods a test may place in the search (they outlive the link).
  TVirtualPod otherBulk_{TFraming::Bulk};
  TVirtualPod otherHid_{TFraming::Hid};
  std::unique_ptr<TVirtualPodRig> rig_;
};

// Tests that run in both framings.
class FramingTest : public LinkFixture, public ::testing::TestWithParam<TFraming> {
 protected:
  void SetUp() override { setUpLink(GetParam()); }
  void TearDown() override { tearDownLink(); }
};

// Tests of one framing (bulk unless the test builds its own rig).
class BulkTest : public LinkFixture, public ::testing::Test {
 protected:
  void SetUp() override { setUpLink(TFraming::Bulk); }
  void TearDown() override { tearDownLink(); }
};

}  // namespace kyvor::test
