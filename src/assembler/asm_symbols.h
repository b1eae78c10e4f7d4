#pragma once
// The assembler's symbol tables: records {Name, Text, Value, Kind, Aux} kept
// in insertion order (1-based), at most 8,192, with the adding rules of the
// shared symbol pack (a 'C' or 'L' of the same name refuses, a 'V' is
// overwritten, other kinds are passed over; 'M' records always append).
// Names are found through a hash index, keeping "first match in order".
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kyvor {

struct TAsmSymbol {
  std::string Name;  // at most 32 characters
  std::string Text;  // at most 32 characters
  int32_t Value = 0;
  char Kind = 0;
  int32_t Aux = 0;
};

class TAsmSymbols {
 public:
  static constexpr int kCapacity = 8192;
  static constexpr size_t kMaxName = 32;

  void Clear();
  // Texts are cut to 32 characters unless a table is given a longer limit
  // (the replacement tables of macro expansion keep whole arguments).
  void SetTextLimit(size_t limit) { textLimit_ = limit; }
  int Count() const { return static_cast<int>(records_.size()); }
  // 0 stored or a 'V' updated, 1 not stored (full), 2 a 'C' or 'L' of that name exists.
  int AddSymbol(std::string_view name, std::string_view text, int32_t value, char kind,
                int32_t aux);
  // Record i, 1-based; null outside 1..Count.
  TAsmSymbol* GetItem(int i) {
    return (i >= 1 && i <= Count()) ? &records_[i - 1] : nullptr;
  }
  const TAsmSymbol* GetItem(int i) const {
    return (i >= 1 && i <= Count()) ? &records_[i - 1] : nullptr;
  }
  // First record whose Name equals the name as a record stores it (its
  // first 32 characters), so a longer name is found by the part kept.
  TAsmSymbol* FindSymbol(std::string_view name);
  const TAsmSymbol* FindSymbol(std::string_view name) const;
  // 1-based index of the first record whose Text equals name; 0 when none.
  int FindReplacementName(std::string_view name) const;

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  size_t textLimit_ = kMaxName;
  std::vector<TAsmSymbol> records_;
  // name -> indices (0-based) of records with that name, in order
  std::unordered_map<std::string, std::vector<int>, Hash, std::equal_to<>> byName_;
  // text -> indices (0-based) of the records with that text, in order
  std::unordered_map<std::string, std::set<int>, Hash, std::equal_to<>> byText_;
};

}  // namespace kyvor
