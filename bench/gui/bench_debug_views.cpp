// The debug windows' cost while debugging the shipped example in the whole
// program, offscreen at 1280x800:
// - F7 with the source view, listing, RAM, register, stack and watch windows
//   shown: one trace step, the model's refresh of every window and the paint
//   of the window system. Target: median under 5 ms.
// - A free run for a fixed time with those windows shown and with none of
//   them: instructions per second. Target: with windows at least 90% of the
//   speed without.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "base/clock.h"
#include "base/modes.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/views.h"

namespace {

using namespace kyvor;

// The steady clock, moved on by the benchmark so that the step debounce of
// F7 never drops a step.
class SteppedClock final : public IClock {
 public:
  time_point now() const override { return std::chrono::steady_clock::now() + extra_; }
  void pumpMessages() override { QCoreApplication::processEvents(); }
  void sleepFor(std::chrono::microseconds d) override { extra_ += d; }
  void advance() { extra_ += std::chrono::milliseconds(20); }

 private:
  std::chrono::microseconds extra_{0};
};

const TViewIndex kDebugViews[] = {ViewHex, ViewRam, ViewReg2, ViewStk, ViewWatch};

// The program started on a copy of the example, in debug mode.
struct Session {
  QTemporaryDir dir;
  SteppedClock clock;
  std::unique_ptr<TKyProgram> prog;

  explicit Session(bool views) {
    for (const char* f : {"blink.asm", "blink.inc"})
      QFile::copy(QString(KYVOR_DATA_DIR) + "/examples/" + f, dir.filePath(f));
    SetClock(&clock);
    // The configuration file goes to the scratch folder, not the shipped data.
    Shell().ConfigFolder = dir.path().toStdString() + "/";
    prog = std::make_unique<TKyProgram>(KYVOR_DATA_DIR);
    prog->Start({dir.filePath("blink.asm")});
    TKYMAIN& m = prog->Main();
    m.resize(1280, 800);
    m.show();
    if (views) {
      for (TViewIndex v : kDebugViews) m.SMenu_ViewClick(v);
      auto* watch = m.Forms().view<TKy_WATCH>(ViewWatch);
      watch->AddWatch("COUNT");
      watch->AddWatch("TICKS");
    } else {
      for (int i = 0; i < ViewCount; ++i)
        if (i != ViewSource) m.ShowView(TViewIndex(i), 0);
    }
    QApplication::processEvents();
  }
  ~Session() {
    prog.reset();
    SetClock(nullptr);
  }
};

void BM_TraceWithDebugViews(benchmark::State& state) {
  Session s(true);
  TKYMAIN& m = s.prog->Main();
  for (auto _ : state) {
    s.clock.advance();
    m.SMenu_TraceClick();
    QApplication::processEvents();  // the windows paint what the refresh changed
  }
  state.counters["pc"] = double(s.prog->Up().GetPC());
}
BENCHMARK(BM_TraceWithDebugViews)->Unit(benchmark::kMillisecond)->Repetitions(9)
    ->ReportAggregatesOnly(true)->MinTime(0.5);

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Free run for one wall-clock second per iteration: cycles per second of wall
// time, and per second of this thread's processor time (steadier on a loaded
// machine, where the wall time also counts the other processes).
void FreeRun(benchmark::State& state, bool views) {
  Session s(views);
  TKYMAIN& m = s.prog->Main();
  TKy_UP& up = s.prog->Up();
  double executed = 0, seconds = 0, cpu = 0;
  for (auto _ : state) {
    uint16_t h0 = 0, l0 = 0, h1 = 0, l1 = 0;
    up.GetCycleCounter(h0, l0);
    QElapsedTimer t;
    t.start();
    const double cpu0 = ThreadSeconds();
    m.SMenu_RunClick();
    while (t.elapsed() < 1000) QApplication::processEvents();
    m.SMenu_StopClick();
    QApplication::processEvents();
    cpu += ThreadSeconds() - cpu0;
    seconds += double(t.nsecsElapsed()) / 1e9;
    up.GetCycleCounter(h1, l1);
    executed += double(((uint32_t(h1) << 16) | l1) - ((uint32_t(h0) << 16) | l0));
  }
  state.counters["cycles_per_s"] = executed / seconds;
  state.counters["cycles_per_cpu_s"] = executed / cpu;
}
void BM_FreeRunWithoutWindows(benchmark::State& state) { FreeRun(state, false); }
void BM_FreeRunWithDebugViews(benchmark::State& state) { FreeRun(state, true); }
BENCHMARK(BM_FreeRunWithoutWindows)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FreeRunWithDebugViews)->Unit(benchmark::kMillisecond)->Iterations(3);
// Once more, the other way round, so that a change of the machine's load
// during the run shows as a difference between the two pairs.
BENCHMARK(BM_FreeRunWithDebugViews)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FreeRunWithoutWindows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
