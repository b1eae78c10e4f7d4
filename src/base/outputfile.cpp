#include "base/outputfile.h"

#include <algorithm>

namespace kyvor {

namespace {
TOutputFileState g_outputState;

const char* SuffixOfKind(TOutputFileKind kind) {
  switch (kind) {
    case 4: return ".err";
    case 5: return ".lst";
    case 6: return ".obj";
    case 7: return ".hex";
    case 8: return ".asc";
    case 9: return "_inv.hex";
    case 11: return ".pro";
    case 12: return ".ifo";
    case 13: return "_L.msk";
    case 14: return "_H.msk";
    case 15: return "_H.hex";
    case 16: return "_L.hex";
    case 17: return ".map";
    case 18: return ".CSV";
    case 19: return ".EEH";
    default: return nullptr;
  }
}
}  // namespace

TOutputFileState& OutputFileState() { return g_outputState; }
void ResetOutputFileState() { g_outputState = TOutputFileState{}; }

void StoreMainFileName(const std::string& path) { g_outputState.OutputMainFile = path; }

void OutputFileName(TOutputFileKind kind, std::string& name) {
  const std::string& main = g_outputState.OutputMainFile;
  name.clear();
  if (main.empty()) return;
  if (kind == 0) {
    name = main;
    return;
  }
  const char* suffix = SuffixOfKind(kind);
  if (!suffix) return;
  // A "." among the last four characters (the first one found) cuts the
  // extension; a dot further left belongs to a longer name, and a dot before
  // the last separator belongs to a folder name.
  const size_t n = main.size();
  size_t from = n > 4 ? n - 4 : 0;
  const size_t sep = main.find_last_of("/\\");
  if (sep != std::string::npos) from = std::max(from, sep + 1);
  size_t cut = n;
  for (size_t i = from; i < n; ++i) {
    if (main[i] == '.') {
      cut = i;
      break;
    }
  }
  name = main.substr(0, cut) + suffix;
}

std::string OutputFileName(TOutputFileKind kind) {
  std::string s;
  OutputFileName(kind, s);
  return s;
}

bool MainFileDir(std::string& folder) {
  const std::string& main = g_outputState.OutputMainFile;
  if (main.empty()) return false;
  size_t pos = main.find_last_of("/\\");
  if (pos == std::string::npos) {
    folder.clear();
    return true;
  }
  // A path whose only separator is its first character: a drive-relative
  // "\name" has no usable folder; a Linux root path "/name" has "/".
  if (pos == 0) {
    if (main[0] == '\\') return false;
    folder.assign(1, '/');  // (assigning "/" trips a false -Wrestrict in GCC 12)
    return true;
  }
  folder = main.substr(0, pos + 1);
  return true;
}

std::string WithDefaultExtension(const std::string& name, const std::string& extension) {
  const size_t slash = name.find_last_of('/');
  const size_t leaf = slash == std::string::npos ? 0 : slash + 1;
  return name.find('.', leaf) == std::string::npos ? name + extension : name;
}

}  // namespace kyvor
