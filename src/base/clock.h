#pragma once
// The clock and message-pump seam. Every wait, debounce and time-out of the
// system reads this clock, and every long loop lets the message loop run
// through it, so tests can run on virtual time.
#include <chrono>
#include <functional>

namespace kyvor {

class IClock {
 public:
  using time_point = std::chrono::steady_clock::time_point;
  virtual ~IClock() = default;
  virtual time_point now() const = 0;
  // Lets pending window messages run (the GUI's event loop), once.
  virtual void pumpMessages() = 0;
  // Waits, letting nothing else run (a busy wait on the clock).
  virtual void sleepFor(std::chrono::microseconds d) = 0;
};

// The real steady clock; pumpMessages calls the installed pump, if any.
class SteadyClock final : public IClock {
 public:
  time_point now() const override { return std::chrono::steady_clock::now(); }
  void pumpMessages() override;
  void sleepFor(std::chrono::microseconds d) override;
  void setPump(std::function<void()> pump) { pump_ = std::move(pump); }

 private:
  std::function<void()> pump_;
};

IClock& Clock();
// Installs a clock (not owned); nullptr restores the steady clock.
void SetClock(IClock* clock);
SteadyClock& DefaultSteadyClock();

// Milliseconds elapsed since `since` on the installed clock.
long long ElapsedMs(IClock::time_point since);

// Waits `ms` milliseconds on the installed clock while the window's messages
// run (long pod and programmer commands keep the window responsive).
void PumpingWait(int ms);

}  // namespace kyvor
