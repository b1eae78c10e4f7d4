// Start-up to the debug view on the shipped example, as the program's main
// block starts it with the example on the command line: every window
// created, the first activation assembling the file and entering debug mode,
// the main window painted. Offscreen, in a scratch program folder holding the
// chip files and the example.
// - BM_FirstStartToDebugView (once per process, it runs first):
//   first_start_ms, from the program's start (before the application object)
//   to the painted debug view; first_start_cpu_ms, the processor time of the
//   process until then; peak_rss_mib, the process's peak resident memory
//   then. Targets: no slower than the program before the windows were
//   made on demand, peak at most 45 MiB.
// - BM_StartToDebugView: one more start and end of the program per
//   iteration, in the same process (fonts and chip files warm).
// Each start is checked to have reached debug mode with the source view
// showing; a failed check is the benchmark's error and the exit status.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "base/clock.h"
#include "base/dialogs.h"
#include "base/modes.h"
#include "bench_checks.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/qt_dialogs.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/views.h"

namespace {

using namespace kyvor;
using bench::Check;
using Steady = std::chrono::steady_clock;

Steady::time_point g_processStart;

double PeakRssMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The processor time of the process so far (all its threads), steadier than
// the wall time on a loaded machine.
double ProcessCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
  return ms(u.ru_utime) + ms(u.ru_stime);
}

// A program folder with the chip files and the example, as the program's
// own folder holds them.
struct ProgramFolder {
  QTemporaryDir dir;
  ProgramFolder() {
    const QString data = KYVOR_DATA_DIR;
    QDir().mkpath(dir.filePath("INCLUDE"));
    for (const QString& f : QDir(data + "/INCLUDE").entryList(QDir::Files))
      QFile::copy(data + "/INCLUDE/" + f, dir.filePath("INCLUDE/" + f));
    for (const char* f : {"blink.asm", "blink.inc"})
      QFile::copy(data + "/examples/" + f, dir.filePath(f));
  }
  std::string path() const { return dir.path().toStdString(); }
  QString example() const { return dir.filePath("blink.asm"); }
};

ProgramFolder& Folder() {
  static ProgramFolder folder;
  return folder;
}

// One start of the program, as its main block makes it; true when it
// reached debug mode with the source view showing.
bool StartToDebugView(std::unique_ptr<TKyProgram>& program) {
  program = std::make_unique<TKyProgram>(Folder().path());
  program->CreateForms();
  if (!program->Start({Folder().example()})) return false;
  QApplication::processEvents();  // the window system paints the windows
  TKYMAIN& m = program->Main();
  return Modes().DebugMode == 1 && m.IsViewShowing(m.ViewForm(ViewSource));
}

void BM_FirstStartToDebugView(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<TKyProgram> program;
    const bool reached = StartToDebugView(program);
    const double ms =
        std::chrono::duration<double, std::milli>(Steady::now() - g_processStart).count();
    state.SetIterationTime(ms / 1000.0);
    state.counters["first_start_ms"] = ms;
    state.counters["first_start_cpu_ms"] = ProcessCpuMs();
    state.counters["peak_rss_mib"] = PeakRssMiB();
    if (!Check(state, reached, "the start did not reach the debug view")) break;
  }
}
BENCHMARK(BM_FirstStartToDebugView)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartToDebugView(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<TKyProgram> program;
    const bool reached = StartToDebugView(program);
    state.PauseTiming();
    program.reset();
    state.ResumeTiming();
    if (!Check(state, reached, "the start did not reach the debug view")) break;
  }
  state.counters["peak_rss_mib"] = PeakRssMiB();
}
BENCHMARK(BM_StartToDebugView)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  Folder();
  g_processStart = Steady::now();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kyvor-IDE");
  QtDialogService dialogs;
  SetDialogs(&dialogs);
  DefaultSteadyClock().setPump([] { QCoreApplication::processEvents(); });
  const int rc = kyvor::bench::RunBenchmarks(argc, argv);
  SetDialogs(nullptr);
  DefaultSteadyClock().setPump(nullptr);
  return rc;
}
