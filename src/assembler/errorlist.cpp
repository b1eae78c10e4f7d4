#include "assembler/errorlist.h"

namespace kyvor {

bool TErrorList::AddError(const std::string& path, int32_t line, const std::string& text) {
  if (Count() >= kCapacity) return false;
  paths_.push_back(path.substr(0, kMaxPath));
  lines_.push_back(line <= 0 ? 1 : line);
  texts_.push_back(text);
  return true;
}

void TErrorList::ClearErrors() {
  paths_.clear();
  lines_.clear();
  texts_.clear();
}

}  // namespace kyvor
