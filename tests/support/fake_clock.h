#pragma once
// A clock on virtual time: time moves only when a test (or a sleep) moves it.
#include <functional>

#include "base/clock.h"

namespace kyvor::test {

class FakeClock final : public IClock {
 public:
  FakeClock();
  ~FakeClock() override;  // uninstalls itself if installed
  time_point now() const override { return now_; }
  void pumpMessages() override;
  void sleepFor(std::chrono::microseconds d) override { now_ += d; }

  void advance(std::chrono::microseconds d) { now_ += d; }
  int pumpCount() const { return pumps_; }
  // Runs on every pump (after the count is taken), e.g. to press Stop.
  void onPump(std::function<void()> hook) { hook_ = std::move(hook); }
  // Moves time by this much on every pump.
  void setAdvancePerPump(std::chrono::microseconds d) { perPump_ = d; }

  // Installs this clock as the process clock for the test's lifetime.
  void install();

 private:
  time_point now_;
  int pumps_ = 0;
  std::chrono::microseconds perPump_{0};
  std::function<void()> hook_;
  bool installed_ = false;
};

}  // namespace kyvor::test
