#include "support/fake_clock.h"

namespace kyvor::test {

FakeClock::FakeClock() : now_(std::chrono::steady_clock::time_point{} + std::chrono::hours(1)) {}

FakeClock::~FakeClock() {
  if (installed_) SetClock(nullptr);
}

void FakeClock::pumpMessages() {
  ++pumps_;
  now_ += perPump_;
  if (hook_) hook_();
}

void FakeClock::install() {
  SetClock(this);
  installed_ = true;
}

}  // namespace kyvor::test
