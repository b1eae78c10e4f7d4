#include "base/clock.h"

#include <algorithm>
#include <thread>

namespace kyvor {

void SteadyClock::pumpMessages() {
  if (pump_) pump_();
}

void SteadyClock::sleepFor(std::chrono::microseconds d) { std::this_thread::sleep_for(d); }

namespace {
SteadyClock g_steady;
IClock* g_clock = &g_steady;
}  // namespace

IClock& Clock() { return *g_clock; }
void SetClock(IClock* clock) { g_clock = clock ? clock : &g_steady; }
SteadyClock& DefaultSteadyClock() { return g_steady; }

long long ElapsedMs(IClock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock().now() - since).count();
}

void PumpingWait(int ms) {
  const auto start = Clock().now();
  for (long long left = ms; left > 0; left = ms - ElapsedMs(start)) {
    Clock().pumpMessages();
    Clock().sleepFor(std::chrono::milliseconds(std::min<long long>(left, 10)));
  }
}

}  // namespace kyvor
