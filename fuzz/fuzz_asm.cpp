// Fuzzes the assembler driver with a whole project: a main source and the
// files it includes, written to a scratch folder, built for one of the
// shipped chips; a program that assembles is then run for a bounded number
// of ticks in the simulator.
//
// Input: byte 0 picks the build (bits 0-2 chip, bit 3 plain Assemble instead
// of Assemble & Debug, bit 4 Smart Compiler, bit 5 Optimization, bits 6-7 the
// unused-word fill); the rest is the main source, followed by any number of
// files, each starting with a line ";#FILE name" (name relative to the main
// file's folder). scripts/fuzz makes such inputs from the project's examples
// and golden projects.
#include <string>

#include "assembler/asm_testhost.h"
#include "assembler/assembler.h"
#include "assembler/kyup_target.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "fuzz_support.h"

namespace {

using namespace kyvor;

constexpr std::string_view kFileMark = ";#FILE ";
constexpr uint64_t kRunTicks = 20000;

// A file name that stays inside the project folder, or empty.
std::string SafeName(std::string_view name) {
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.remove_suffix(1);
  if (name.empty() || name.size() > 64 || name.front() == '/') return {};
  std::string out;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '.' || c == '-' || c == '/';
    if (!ok) return {};
    out += c;
  }
  if (out.find("..") != std::string::npos) return {};
  return out;
}

// Writes the main source and the marked files below `folder`.
void WriteProject(const fuzz::TScratchFolder& folder, std::string_view text) {
  std::string name = "main.asm";
  size_t from = 0;
  for (;;) {
    size_t mark = text.find(kFileMark, from);
    while (mark != std::string_view::npos && mark != 0 && text[mark - 1] != '\n')
      mark = text.find(kFileMark, mark + 1);
    const std::string_view body = text.substr(from, mark == std::string_view::npos
                                                        ? std::string_view::npos
                                                        : mark - from);
    if (!name.empty()) folder.Write("project/" + name, body);
    if (mark == std::string_view::npos) return;
    const size_t nameStart = mark + kFileMark.size();
    const size_t eol = text.find('\n', nameStart);
    name = SafeName(text.substr(nameStart, eol == std::string_view::npos ? std::string_view::npos
                                                                         : eol - nameStart));
    if (eol == std::string_view::npos) return;
    from = eol + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::TScratchFolder folder;
  fuzz::TInputReader in(data, size);
  const uint8_t settings = in.Byte();

  fuzz::ResetCoreState();
  folder.Clear();
  fuzz::LoadShippedChip(settings & 7);
  WriteProject(folder, in.Rest());
  StoreMainFileName((folder.Path() / "project" / "main.asm").string());

  TAsmOptions options;
  options.AssembleOnly = (settings >> 3) & 1;
  options.SmartCompiler = (settings >> 4) & 1;
  options.COptimization = (settings >> 5) & 1;
  options.UnusedFillMode = static_cast<uint8_t>((settings >> 6) % 3);

  TKy_UP& up = fuzz::CpuModelForChip();
  TKyUpTarget target(up);
  TAsmRecordingHost host;
  bool built = false;
  {
    TF_ASM assembler(host, target, options);
    built = assembler.Assemble() == 1;
  }
  if (built) {
    up.CpuReset();
    bool stopped = false;
    up.Core().RunUntilBreak(kRunTicks, ~0u, stopped);
  }
  fuzz::ResetCoreState();
  return 0;
}
