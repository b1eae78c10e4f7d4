// The debug windows' cost while debugging the shipped example in the whole
// program, offscreen at 1280x800:
// - F7 with the source view, listing, RAM, register, stack, watch and
//   breakpoint windows and the chip's peripheral windows shown: one trace
//   step, the model's refresh of every window and the paint of the window
//   system. Target: median under 5 ms. Each step is checked to have
//   executed an instruction (the program counter moved and cycles counted)
//   or, on a macro call line, to have moved the source view to the next
//   line of the macro.
// - A free run for a fixed time with those windows shown and with none of
//   them: instructions per second. Target: with windows at least 90% of the
//   speed without. Each run is checked to have executed instructions.
// A failed check is the benchmark's error and the program's exit status.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/modes.h"
#include "bench_checks.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/views.h"
#include "shell/source/source_view.h"

namespace {

using namespace kyvor;
using bench::Check;

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

const TViewIndex kDebugViews[] = {ViewHex, ViewRam, ViewReg2, ViewStk, ViewWatch, ViewBp};

uint32_t Cycles(TKy_UP& up) {
  uint16_t high = 0, low = 0;
  up.GetCycleCounter(high, low);
  return (uint32_t(high) << 16) | low;
}

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
      // The analog windows of the chip.
      for (const TViewRow& row : ViewRows())
        if (row.present && ChipHasView(row) && InChipFamily(row)) m.SMenu_ViewClick(row.index);
      auto* watch = m.Forms().view<TKy_WATCH>(ViewWatch);
      watch->AddWatch("COUNT");
      watch->AddWatch("TICKS");
    } else {
      for (int i = 0; i < ViewCount; ++i)
        if (i != ViewSource) m.ShowView(TViewIndex(i), 0);
    }
    QApplication::processEvents();
  }
  // The views that should be showing are, and debug mode was entered; with
  // the windows, at least one analog window is among them.
  bool Ready(benchmark::State& state, bool views) {
    TKYMAIN& m = prog->Main();
    if (!Check(state, Modes().DebugMode == 1, "the example did not reach debug mode")) return false;
    if (!views) return true;
    int analog = 0;
    for (const TViewRow& row : ViewRows()) {
      const bool wanted = row.present ? ChipHasView(row) && InChipFamily(row)
                                      : std::find(std::begin(kDebugViews), std::end(kDebugViews),
                                                  row.index) != std::end(kDebugViews);
      if (!wanted) continue;
      if (!Check(state, m.IsViewShowing(m.ViewForm(row.index)),
                 std::string(row.formName) + " is not showing"))
        return false;
      if (row.present) ++analog;
    }
    return Check(state, analog > 0, "the chip shows no analog window");
  }
  ~Session() {
    prog.reset();
    SetClock(nullptr);
  }
};

void BM_TraceWithDebugViews(benchmark::State& state) {
  Session s(true);
  if (!s.Ready(state, true)) return;
  TKYMAIN& m = s.prog->Main();
  TKy_UP& up = s.prog->Up();
  TKy_Source& source = *m.Forms().source();
  int executed = 0;
  for (auto _ : state) {
    const uint32_t pc = up.GetPC();
    const uint32_t cycles = Cycles(up);
    const int line = source.PCLine();
    s.clock.advance();
    m.SMenu_TraceClick();
    QApplication::processEvents();  // the windows paint what the refresh changed
    const bool instruction = up.GetPC() != pc && Cycles(up) > cycles;
    const bool macroLine = up.GetPC() == pc && Cycles(up) == cycles && source.PCLine() != line;
    if (!Check(state, instruction || macroLine, "F7 did not step")) break;
    executed += instruction;
  }
  Check(state, executed > 0, "F7 executed no instruction");
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
  if (!s.Ready(state, views)) return;
  TKYMAIN& m = s.prog->Main();
  TKy_UP& up = s.prog->Up();
  double executed = 0, seconds = 0, cpu = 0;
  for (auto _ : state) {
    const uint32_t before = Cycles(up);
    QElapsedTimer t;
    t.start();
    const double cpu0 = ThreadSeconds();
    m.SMenu_RunClick();
    while (t.elapsed() < 1000) QApplication::processEvents();
    m.SMenu_StopClick();
    QApplication::processEvents();
    cpu += ThreadSeconds() - cpu0;
    seconds += double(t.nsecsElapsed()) / 1e9;
    const uint32_t ran = Cycles(up) - before;
    if (!Check(state, ran > 0, "the free run executed nothing")) break;
    executed += double(ran);
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
  return kyvor::bench::RunBenchmarks(argc, argv);
}
