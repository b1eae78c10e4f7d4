#pragma once
// Result checks of the benchmarks: a benchmark whose result is wrong reports
// the error (its row shows it instead of a time) and the program ends with
// a failure, so that a run of the benchmarks cannot pass on wrong results.
//
//   if (!Check(state, found == n, "a lookup missed")) break;
//   ...
//   int main(int argc, char** argv) { return kyvor::bench::RunBenchmarks(argc, argv); }
#include <benchmark/benchmark.h>

#include <string>

namespace kyvor::bench {

inline bool& AnyCheckFailed() {
  static bool failed = false;
  return failed;
}

// Reports `what` as the benchmark's error when `ok` is false; returns `ok`.
inline bool Check(benchmark::State& state, bool ok, const std::string& what) {
  if (!ok) {
    state.SkipWithError(what.c_str());
    AnyCheckFailed() = true;
  }
  return ok;
}

// Runs the benchmarks chosen on the command line; 1 when a check failed.
inline int RunBenchmarks(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return AnyCheckFailed() ? 1 : 0;
}

}  // namespace kyvor::bench
