#pragma once
// A folder of the test's own under the system's temporary folder. Its name is
// made unique by the system when it is created (mkdtemp), so two tests running
// at the same time, of this suite or of another build of it, never meet in it.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace kyvor::test {

// Creates <temporary folder>/<prefix>-XXXXXX and gives its path.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for " + prefix);
  return pattern;
}

}  // namespace kyvor::test
