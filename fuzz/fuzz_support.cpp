#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "base/containers.h"
#include "base/dialogs.h"
#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/ky_up.h"

namespace kyvor::fuzz {

namespace fs = std::filesystem;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::abort();
}

namespace {
// Files are written and removed for every input: a folder in memory (/dev/shm)
// when there is one and TMPDIR does not name another.
fs::path ScratchParent() {
  std::error_code ec;
  if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec) &&
      ::access("/dev/shm", W_OK) == 0)
    return "/dev/shm";
  return fs::temp_directory_path();
}
}  // namespace

TScratchFolder::TScratchFolder() {
  std::string pattern = (ScratchParent() / "kyvor-fuzz-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder");
  root_ = pattern;
}

TScratchFolder::~TScratchFolder() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void TScratchFolder::Clear() const {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(root_, ec)) fs::remove_all(e.path(), ec);
}

void TScratchFolder::Write(const std::string& relative, std::string_view bytes) const {
  const fs::path p = root_ / relative;
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ShippedProgramFolder() { return std::string(KYVOR_DATA_DIR) + "/"; }

void ResetCoreState() {
  ResetChipConfig();
  ResetRegisterLists();
  SetChipLoadListener(nullptr);
  ResetModes();
  ResetOptions();
  ResetOutputFileState();
  ResetLangState();
  SetDialogs(nullptr);
}

int LoadShippedChip(unsigned pick) {
  const int count = ReadChipList(ShippedProgramFolder());
  if (count <= 0) return -1;
  const int index = static_cast<int>(pick % static_cast<unsigned>(count));
  Chip().ChipIndex = index;
  GetSELUP();
  return index;
}

TKy_UP& CpuModelForChip() {
  static TKy_UP full;
  static TKy_UP* reduced = [] {
    static TKy_UP up;
    up.LoadInstructionTableReduced();
    return &up;
  }();
  TKy_UP& up = Chip().CoreVariant == 1 ? *reduced : full;
  up.OnRunStopped = nullptr;
  up.OnTraceStep = nullptr;
  up.OnStepDone = nullptr;
  up.Hooks = TKyUpHooks{};
  up.Settings = TKyUpSettings{};
  if (up.TimerEnabled()) up.StopProgram(0);
  up.ClearBreakpoints();
  up.ClearSymbols();
  up.ClearProgramMemory();
  up.ApplyChipConfig();
  up.CpuReset();
  return up;
}

}  // namespace kyvor::fuzz
