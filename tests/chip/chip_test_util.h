#pragma once
// Helpers of the chip tests: a scratch program folder with an INCLUDE folder.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/containers.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"

namespace kyvor::test {

// A temporary program folder; removed again when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string program() const { return root_.string() + "/"; }
  std::string include() const { return (root_ / "INCLUDE").string() + "/"; }
  // Writes a file in INCLUDE/ (lines joined with CR LF, bytes as given).
  void writeInclude(const std::string& name, const std::vector<std::string>& lines) const;
  void writeIncludeBytes(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path root_;
};

// Resets the chip configuration and register lists for a test.
void ResetChipState();

// The shipped data folder.
std::string ShippedProgramFolder();

}  // namespace kyvor::test
