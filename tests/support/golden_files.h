#pragma once
// Golden files of the tests: the expected bytes of a file the program writes.
// KYVOR_GOLDEN_UPDATE=1 writes the outputs as the new golden files (to be
// looked at before they are committed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/file_bytes.h"

namespace kyvor::test {

// `name` under tests/<folder>/golden/.
inline std::string GoldenPath(const std::string& folder, const std::string& name) {
  return std::string(KYVOR_TESTS_DIR) + "/" + folder + "/golden/" + name;
}

inline void ExpectGolden(const std::string& folder, const std::string& name,
                         const std::string& bytes) {
  const std::string path = GoldenPath(folder, name);
  if (std::getenv("KYVOR_GOLDEN_UPDATE")) {
    WriteFileBytes(path, bytes);
    return;
  }
  EXPECT_EQ(bytes, ReadFileBytes(path)) << path;
}

}  // namespace kyvor::test
