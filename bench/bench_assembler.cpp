// Assembler throughput: source lines per second for a generated program with
// macros, includes and conditional parts, at about 150,000 lines and at half
// and a quarter of that. The program stays within the real limits (32,768
// program words, 8,192 symbols). Time includes reading, expansion, the pass,
// the checks and writing the listing, map, bit dump and image files. Each
// program is built for a chip whose program memory fits it (8K, 16K, 32K).
// Every run's checksum is checked against the one of the words the program
// must have, built with the instruction rows' encoder; the SET case checks
// the value the SET lines count up to.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "assembler/asm_testhost.h"
#include "assembler/assembler.h"
#include "assembler/kyup_target.h"
#include "base/outputfile.h"
#include "bench_checks.h"
#include "chip/chipconfig.h"
#include "engine/infoblock.h"
#include "engine/ky_up.h"

namespace {

using namespace kyvor;
using bench::Check;

constexpr int kIncludeFiles = 10;
constexpr int kVariables = 8;
constexpr int kVariableBase = 0x80;  // MEMAR of the variables
constexpr int kStep = 3;             // the constant STEP
constexpr int kBlockWords = 6;

// One block: 30 source lines, 6 program words, one label.
void WriteBlock(std::ofstream& f, int i) {
  f << "; ---- block " << i << " ----\r\n";
  f << "; a comment line that the reader splits into a comment field only\r\n";
  f << "B" << i << ":     MVL     " << (i & 0xFF) << "           ; load a literal\r\n";
  f << "        MVF     VAR" << (i % kVariables) << ", 1         ; store it\r\n";
  f << "        INF     VAR" << (i % kVariables) << ", 1, 0      ; count\r\n";
  f << "        BUMP    VAR" << (i % kVariables) << ", STEP      ; macro: two words\r\n";
  f << "        IF      FALSE\r\n";
  for (int k = 0; k < 4; ++k) f << "        NOP                     ; not assembled\r\n";
  f << "        ENDIF\r\n";
  for (int k = 0; k < 13; ++k)
    f << ";   description line " << k << " of block " << i << ": what the code does\r\n";
  f << "        RJ      B" << i << "            ; back to the start of the block\r\n";
  f << "\r\n";
}

// The words of block i at its address, as the instruction rows encode them.
void BlockWords(const TInstructionTable& t, int i, std::vector<uint16_t>& image) {
  const int32_t at = i * kBlockWords;
  const int32_t var = kVariableBase + i % kVariables;
  const uint16_t words[kBlockWords] = {
      t.Encode("MVL", i & 0xFF),      t.Encode("MVF", var, 1), t.Encode("INF", var, 1, 0),
      t.Encode("MVL", kStep),         t.Encode("ADDF", var, 1, 0),
      t.Encode("RJ", at - (at + kBlockWords - 1) - 1)};  // back to B<i>
  for (int k = 0; k < kBlockWords; ++k) image[static_cast<size_t>(at + k)] = words[k];
}

// The checksum of a program of `blocks` blocks in `romWords` words (the
// unused ones 0).
uint16_t ExpectedChecksum(const TInstructionTable& t, int blocks, uint32_t romWords) {
  std::vector<uint16_t> image(romWords, 0);
  for (int i = 0; i < blocks; ++i) BlockWords(t, i, image);
  uint16_t crc = 0;
  for (uint16_t w : image) {
    crc = ImageCrc16Update(static_cast<uint8_t>(w >> 8), crc);
    crc = ImageCrc16Update(static_cast<uint8_t>(w & 0xFF), crc);
  }
  return crc;
}

struct Project {
  std::filesystem::path dir;
  int lines = 0;
  int blocks = 0;
};

Project MakeProject(int blocks) {
  Project p;
  p.blocks = blocks;
  p.dir = std::filesystem::temp_directory_path() /
          ("kyasm_bench_" + std::to_string(::getpid()) + "_" + std::to_string(blocks));
  std::filesystem::remove_all(p.dir);
  std::filesystem::create_directories(p.dir);
  {
    std::ofstream f(p.dir / "defs.inc", std::ios::binary);
    f << "; variables, constants and the macro\r\n";
    f << "        MEMAR   " << kVariableBase << "\r\n";
    for (int v = 0; v < kVariables; ++v) f << "VAR" << v << "    DS      1\r\n";
    f << "STEP    EQU     " << kStep << "\r\n";
    f << "BUMP    MACRO   REG, N\r\n";
    f << "        MVL     N\r\n";
    f << "        ADDF    REG, 1, 0\r\n";
    f << "        ENDM\r\n";
    p.lines += 14;
  }
  const int perFile = blocks / kIncludeFiles;
  {
    std::ofstream m(p.dir / "main.asm", std::ios::binary);
    m << "; generated benchmark program\r\n";
    m << "        INCLUDE DEFS.INC\r\n";
    m << "        ORG     0\r\n";
    p.lines += 3;
    int next = 0;
    for (int k = 0; k < kIncludeFiles; ++k) {
      const std::string name = "part" + std::to_string(k) + ".inc";
      m << "        INCLUDE PART" << k << ".INC\r\n";
      ++p.lines;
      std::ofstream f(p.dir / name, std::ios::binary);
      const int count = k == kIncludeFiles - 1 ? blocks - next : perFile;
      for (int b = 0; b < count; ++b, ++next) WriteBlock(f, next);
      p.lines += count * 30;
    }
    m << "        END\r\n";
    ++p.lines;
  }
  return p;
}

void BM_Assemble(benchmark::State& state) {
  const int targetLines = static_cast<int>(state.range(0));
  ResetChipConfig();
  TChipConfig& c = Chip();
  c.CoreVariant = 0;
  // A chip whose program memory fits the program (6 words per block): 8K,
  // 16K or 32K words for the three sizes.
  uint32_t rom = 8192;
  while (rom < static_cast<uint32_t>(targetLines / 30 * 6 + 64) && rom < 32768) rom *= 2;
  c.ChipRomWords = rom;
  c.DeviceKind3 = 0;
  for (int a = 0; a < 0x200; ++a) c.DataMemoryMap[a] = 0xFF;
  const Project p = MakeProject(targetLines / 30);
  StoreMainFileName((p.dir / "main.asm").string());
  TKy_UP up;
  up.ApplyChipConfig();
  TKyUpTarget target(up);
  TAsmOptions options;
  options.AssembleOnly = 0;
  options.UnusedFillMode = 0;
  const uint16_t expected =
      ExpectedChecksum(up.Instructions(), p.blocks,
                       std::min<uint32_t>(ProgramMemoryPages() * 256u, TF_ASM::kImageCells));
  for (auto _ : state) {
    TAsmRecordingHost host;
    TF_ASM asmForm(host, target, options);
    const uint8_t ok = asmForm.Assemble();
    if (!Check(state, ok, host.Errors.Count() ? host.Errors.Text(0) : "assembly failed")) break;
    if (!Check(state, asmForm.CodeChecksum() == expected, "the checksum is not the program's"))
      break;
  }
  state.counters["lines"] = p.lines;
  state.counters["lines_per_second"] =
      benchmark::Counter(static_cast<double>(p.lines), benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove_all(p.dir);
}
BENCHMARK(BM_Assemble)->Arg(37500)->Arg(75000)->Arg(150000)->Unit(benchmark::kMillisecond);

// Many labels and many SET lines: 8,000 code labels, then SET lines that
// change one name's value (and text) line after line, 10k to 1M lines in
// all. The time per line must not grow with the number of lines: a SET that
// changes a value costs the same however many symbols the table holds.
// Listing, ASCII dump and image are switched off (they grow linearly anyway).
void BM_LabelsAndSets(benchmark::State& state) {
  const int totalLines = static_cast<int>(state.range(0));
  constexpr int kLabels = 8000;
  ResetChipConfig();
  TChipConfig& c = Chip();
  c.CoreVariant = 0;
  c.ChipRomWords = 8192;
  c.DeviceKind3 = 0;
  for (int a = 0; a < 0x200; ++a) c.DataMemoryMap[a] = 0xFF;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("kyasm_sets_" + std::to_string(::getpid()) + "_" + std::to_string(totalLines));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const int increments = totalLines - kLabels - 1;
  {
    std::ofstream f(dir / "main.asm", std::ios::binary);
    f << "CNT     SET     0\r\n";
    for (int i = 0; i < kLabels; ++i) f << "L" << i << ":\r\n";
    for (int i = 0; i < increments; ++i) f << "CNT     SET     CNT+1\r\n";
  }
  StoreMainFileName((dir / "main.asm").string());
  TKy_UP up;
  up.ApplyChipConfig();
  TKyUpTarget target(up);
  TAsmOptions options;
  options.AssembleOnly = 1;
  options.OutListFile = 0;
  options.OutAsciiFile = 0;
  options.OutBinaryFile = 0;
  for (auto _ : state) {
    TAsmRecordingHost host;
    TF_ASM asmForm(host, target, options);
    const uint8_t ok = asmForm.Assemble();
    if (!Check(state, ok, host.Errors.Count() ? host.Errors.Text(0) : "assembly failed")) break;
    const TAsmSymbol* cnt = asmForm.PassSymbols().FindSymbol("CNT");
    if (!Check(state, cnt && cnt->Value == increments, "CNT did not count every SET line"))
      break;
    if (!Check(state, asmForm.PassSymbols().Count() == kLabels + 1, "a label is missing")) break;
  }
  state.counters["lines"] = totalLines;
  state.counters["time_per_line"] = benchmark::Counter(
      static_cast<double>(totalLines), benchmark::Counter::kIsIterationInvariantRate |
                                           benchmark::Counter::kInvert);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LabelsAndSets)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) { return kyvor::bench::RunBenchmarks(argc, argv); }
