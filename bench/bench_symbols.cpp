// Symbol table speed at its full size of 8,192 symbols. Each run checks what
// the table answered: every add stored, every lookup of a name in the table
// found it, none of the others did.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/containers.h"
#include "bench_checks.h"

using namespace kyvor;
using kyvor::bench::Check;

namespace {

// Names shaped like assembler labels, with long shared prefixes so the
// comparison is not decided by the first character.
std::vector<std::string> MakeNames(int n, const char* prefix) {
  std::vector<std::string> names;
  names.reserve(n);
  for (int i = 0; i < n; ++i) names.push_back(std::string(prefix) + std::to_string(i));
  return names;
}

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = MakeNames(kSymbolCapacity, "LOOP_LABEL_");
  return names;
}

// Fill an empty table with 8,192 labels (each add checks for a redefinition).
void BM_InsertFull(benchmark::State& state) {
  const auto& names = Names();
  for (auto _ : state) {
    TSymDefPack table;
    int stored = 0;
    for (int i = 0; i < kSymbolCapacity; ++i) stored += table.AddSymbol(names[i], "", i, 'L', 0) == 0;
    if (!Check(state, stored == kSymbolCapacity && table.Count() == kSymbolCapacity,
               "an add was refused"))
      break;
  }
  state.SetItemsProcessed(state.iterations() * kSymbolCapacity);
}
BENCHMARK(BM_InsertFull)->Unit(benchmark::kMicrosecond);

// Look up every one of the 8,192 names in a full table.
void BM_FindHitFull(benchmark::State& state) {
  const auto& names = Names();
  TSymDefPack table;
  for (int i = 0; i < kSymbolCapacity; ++i) table.AddSymbol(names[i], "", i, 'L', 0);
  for (auto _ : state) {
    int found = 0;
    for (const auto& n : names) found += table.FindSymbol(n) != nullptr;
    if (!Check(state, found == kSymbolCapacity, "a name in the table was not found")) break;
  }
  state.SetItemsProcessed(state.iterations() * kSymbolCapacity);
}
BENCHMARK(BM_FindHitFull)->Unit(benchmark::kMicrosecond);

// Look up 8,192 names that are not in a full table (forward references).
void BM_FindMissFull(benchmark::State& state) {
  const auto& names = Names();
  static const std::vector<std::string> missing = MakeNames(kSymbolCapacity, "LOOP_LABEX_");
  TSymDefPack table;
  for (int i = 0; i < kSymbolCapacity; ++i) table.AddSymbol(names[i], "", i, 'L', 0);
  for (auto _ : state) {
    int found = 0;
    for (const auto& n : missing) found += table.FindSymbol(n) != nullptr;
    if (!Check(state, found == 0, "a name not in the table was found")) break;
  }
  state.SetItemsProcessed(state.iterations() * kSymbolCapacity);
}
BENCHMARK(BM_FindMissFull)->Unit(benchmark::kMicrosecond);

// Redefinition attempts and set-symbol updates against a full table.
void BM_RedefineAndUpdateFull(benchmark::State& state) {
  const auto& names = Names();
  TSymDefPack table;
  for (int i = 0; i < kSymbolCapacity; ++i) {
    table.AddSymbol(names[i], "", i, (i % 2) ? 'L' : 'V', 0);
  }
  for (auto _ : state) {
    // A label of that name refuses (2), a set symbol takes the new value (0).
    int refused = 0, updated = 0;
    for (int i = 0; i < kSymbolCapacity; ++i) {
      const int r = table.AddSymbol(names[i], "", i + 1, (i % 2) ? 'L' : 'V', 0);
      refused += r == 2;
      updated += r == 0;
    }
    if (!Check(state, refused == kSymbolCapacity / 2 && updated == kSymbolCapacity / 2,
               "a redefinition or an update went wrong"))
      break;
  }
  state.SetItemsProcessed(state.iterations() * kSymbolCapacity);
}
BENCHMARK(BM_RedefineAndUpdateFull)->Unit(benchmark::kMicrosecond);

// For comparison: the same hits found by a scan in index order, as a table
// without an index would do (256 names spread over the table).
void BM_ScanBaselineFull(benchmark::State& state) {
  const auto& names = Names();
  TSymDefPack table;
  for (int i = 0; i < kSymbolCapacity; ++i) table.AddSymbol(names[i], "", i, 'L', 0);
  for (auto _ : state) {
    int found = 0;
    for (int k = 0; k < kSymbolCapacity; k += 32) {
      const TSymDefRecord* hit = nullptr;
      for (int32_t i = 1; i <= table.Count() && !hit; ++i) {
        const TSymDefRecord* r = table.GetItem(i);
        if (r->Name == names[k]) hit = r;
      }
      found += hit != nullptr;
    }
    if (!Check(state, found == kSymbolCapacity / 32, "a scan missed")) break;
  }
  state.SetItemsProcessed(state.iterations() * (kSymbolCapacity / 32));
}
BENCHMARK(BM_ScanBaselineFull)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return kyvor::bench::RunBenchmarks(argc, argv); }
