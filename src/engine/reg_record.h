#pragma once
// The change log of the user's register writes: at most 1,024 entries of
// {symbol name, data address, new value, old value}, 1-based.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kyvor {

struct TRegChange {
  std::string Name;  // symbol whose value is the address (up to 32 characters), or empty
  int32_t Address = 0;
  uint8_t NewValue = 0;
  uint8_t OldValue = 0;
};

class TRegRecord {
 public:
  static constexpr int32_t kCapacity = 1024;

  // Appends an entry; 0 stored, 1 not stored (the log is full).
  int Add(const std::string& name, int32_t address, uint8_t newValue, uint8_t oldValue);
  void Clear() { items_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Entry i (1-based), null outside 1..Count.
  TRegChange* Item(int32_t i) {
    return (i >= 1 && i <= Count()) ? &items_[static_cast<size_t>(i - 1)] : nullptr;
  }
  const TRegChange* Item(int32_t i) const {
    return (i >= 1 && i <= Count()) ? &items_[static_cast<size_t>(i - 1)] : nullptr;
  }

 private:
  std::vector<TRegChange> items_;
};

}  // namespace kyvor
