#pragma once
// The error list's data (TKy_ERR without its window): at most 100 entries of
// {path, line, text}. The window shows Texts() and opens Paths/Lines on a
// double-click; the assembler and the programmer commands add entries.
#include <cstdint>
#include <string>
#include <vector>

namespace kyvor {

class TErrorList {
 public:
  static constexpr int kCapacity = 100;
  static constexpr size_t kMaxPath = 128;

  // Stores the entry when fewer than 100 are held; a line of 0 or less is
  // stored as 1. False (nothing stored) when the list is full.
  bool AddError(const std::string& path, int32_t line, const std::string& text);
  void ClearErrors();
  int Count() const { return static_cast<int>(texts_.size()); }
  const std::string& Path(int i) const { return paths_[i]; }
  int32_t Line(int i) const { return lines_[i]; }
  const std::string& Text(int i) const { return texts_[i]; }
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  std::vector<std::string> paths_;
  std::vector<int32_t> lines_;
  std::vector<std::string> texts_;
};

}  // namespace kyvor
