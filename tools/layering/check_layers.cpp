// The build's layering gate: checks every #include of the program's sources
// against the layers the build declares and fails the build on the first
// wrong-way include, listing all of them.
//
//   check_layers <layers> <roots> <stamp>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "layer_check.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <layers> <roots> <stamp>\n", argv[0]);
    return 2;
  }
  namespace L = kyvor::layering;
  const L::Checker checker(
      L::ParseLayers(argv[1]), L::ParseRoots(argv[2]),
      [](const std::string& p) { return std::filesystem::is_regular_file(p); });
  int files = 0;
  const auto problems = checker.CheckTree(&files);
  for (const std::string& p : problems) std::fprintf(stderr, "%s\n", p.c_str());
  if (!problems.empty()) {
    std::fprintf(stderr, "layering: %zu include(s) cross a layer the wrong way\n", problems.size());
    return 1;
  }
  std::ofstream(argv[3]) << files << " files\n";
  return 0;
}
