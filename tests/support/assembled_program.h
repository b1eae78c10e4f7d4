#pragma once
// Assembles a program for the selected chip into a CPU model, as the build
// does, for tests that need a real program in the model's cells.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assembler/asm_testhost.h"
#include "assembler/assembler.h"
#include "assembler/kyup_target.h"
#include "base/outputfile.h"
#include "engine/ky_up.h"

namespace kyvor::test {

// Writes `lines` (joined with CR LF) as `dir`/`name`, makes it the main file
// and assembles it into `up`. Gives the first error text, empty on success.
inline std::string AssembleInto(TKy_UP& up, const std::filesystem::path& dir,
                                const std::vector<std::string>& lines,
                                const std::string& name = "prog.asm") {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  const std::filesystem::path file = dir / name;
  std::ofstream(file.string(), std::ios::binary) << text;
  StoreMainFileName(file.string());
  TAsmRecordingHost host;
  TKyUpTarget target(up);
  TAsmOptions options;
  options.AssembleOnly = 1;
  TF_ASM assembler(host, target, options);
  if (assembler.Assemble() == 1) return std::string();
  return host.Errors.Count() ? host.Errors.Text(0) : std::string("the assembler failed");
}

}  // namespace kyvor::test
