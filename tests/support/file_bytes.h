#pragma once
// The bytes of a file, for tests that compare written files byte for byte or
// write a file of their own.
#include <fstream>
#include <sstream>
#include <string>

namespace kyvor::test {

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace kyvor::test
