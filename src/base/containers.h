#pragma once
// Append-only paged containers of fixed-size records.
//
// Each container keeps an array of page pointers and allocates a page only
// when its first record is appended, so records never move: a pointer handed
// out by GetItem stays valid until Clear. Records are copied in by value and
// their texts are cut to the field capacities when stored.
//
// Add results: 0 stored, 1 not stored (full or out of memory); AddSymbol also
// gives 2 when an existing constant or label of that name refuses the new one.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kyvor {

// Field capacities (characters).
inline constexpr std::size_t kRegNameMax = 15;
inline constexpr std::size_t kRegDescriptionMax = 160;
inline constexpr std::size_t kBitNameMax = 15;
inline constexpr std::size_t kBitDescriptionMax = 250;
inline constexpr std::size_t kSymbolNameMax = 32;
inline constexpr std::size_t kSymbolTextMax = 32;

// Container capacities.
inline constexpr int32_t kRegisterListCapacity = 512;      // 2 pages x 256
inline constexpr int32_t kCheckListCapacity = 1024 * 1024;  // 1024 pages x 1024
inline constexpr int32_t kSymbolsPerPage = 64;
inline constexpr int32_t kSymbolPages = 128;
inline constexpr int32_t kSymbolCapacity = kSymbolsPerPage * kSymbolPages;  // 8,192

// The first max characters of text (bytes; no character set is assumed).
std::string CutText(std::string_view text, std::size_t max);

struct TCRREGBitEntry {
  std::string BitName;         // up to 15; "-" = bit not implemented
  std::string BitDescription;  // up to 250
};

// One register whose bits are named.
struct TCRREGBitRecord {
  std::string Name;         // up to 15
  std::string Description;  // up to 160
  uint16_t Address = 0;
  std::array<TCRREGBitEntry, 8> Bits;  // entry 0 = bit 7 ... entry 7 = bit 0
  uint8_t Value = 0;                   // value the register window last showed
};

struct TCRREGByteRecord {
  std::string Description;  // up to 160
  uint16_t Address = 0;
  uint8_t Value = 0;   // last shown value
  uint8_t Hidden = 0;  // 1: no name cell in the register grid
};

struct TCRREGWordRecord {
  std::string Description;  // up to 160
  uint16_t Address1 = 0;    // data address of the high byte
  uint16_t Address2 = 0;    // data address of the low byte
  uint16_t Value = 0;       // high * 256 + low, last shown value
  uint8_t CoreRegister = 0;  // 1: one of the CPU model's own 16-bit registers
};

struct TCheckPCRecord {
  int32_t Address = 0;  // program address of the branch
  uint8_t Rel8 = 0;     // operand is an 8-bit relative offset
  uint8_t Rel11 = 0;    // operand is an 11-bit relative offset
};

struct TSymDefRecord {
  std::string Name;  // up to 32; the lookup key: do not change it in place
  std::string Text;  // up to 32
  int32_t Value = 0;
  char Kind = 0;  // 'C' constant, 'L' label, 'V' set/define, 'D' data, 'E' global/external, 'M' macro
  int32_t Aux = 0;
};

namespace detail {

// Lazily allocated pages of fixed size; positions are 0-based.
template <typename T, int32_t PageCount, int32_t PageSize>
class PagedStore {
 public:
  static constexpr int32_t kCapacity = PageCount * PageSize;

  PagedStore() = default;
  PagedStore(const PagedStore&) = delete;
  PagedStore& operator=(const PagedStore&) = delete;

  int32_t Count() const { return count_; }

  // Pointer to the slot for a new record at position Count (the page is
  // allocated when needed), or null when full or out of memory. The caller
  // fills the slot and then calls Commit.
  T* Reserve();
  void Commit() { ++count_; }

  T* At(int32_t p) {
    return (p >= 0 && p < count_) ? &pages_[p / PageSize][p % PageSize] : nullptr;
  }
  const T* At(int32_t p) const {
    return (p >= 0 && p < count_) ? &pages_[p / PageSize][p % PageSize] : nullptr;
  }

  void Clear() {
    for (auto& page : pages_) page.reset();
    count_ = 0;
  }

  // Number of pages currently allocated.
  int32_t PagesAllocated() const {
    int32_t n = 0;
    for (const auto& page : pages_) n += page ? 1 : 0;
    return n;
  }

 private:
  std::array<std::unique_ptr<T[]>, PageCount> pages_{};
  int32_t count_ = 0;
};

template <typename T, int32_t PageCount, int32_t PageSize>
T* PagedStore<T, PageCount, PageSize>::Reserve() {
  if (count_ >= kCapacity) return nullptr;
  auto& page = pages_[count_ / PageSize];
  if (!page) {
    page.reset(new (std::nothrow) T[PageSize]);
    if (!page) return nullptr;
  }
  return &page[count_ % PageSize];
}

}  // namespace detail

// Bit-register definitions of the chip (0-based, 512 records).
class TCRREGBitPtr {
 public:
  int Add(const TCRREGBitRecord& record);
  TCRREGBitRecord* GetItem(int32_t i) { return store_.At(i); }
  const TCRREGBitRecord* GetItem(int32_t i) const { return store_.At(i); }
  uint16_t GetAddress(int32_t i) const;  // 0 when i is out of range
  int32_t Count() const { return store_.Count(); }
  void Clear() { store_.Clear(); }
  int32_t PagesAllocated() const { return store_.PagesAllocated(); }

 private:
  detail::PagedStore<TCRREGBitRecord, 2, 256> store_;
};

// Byte-register definitions of the chip (0-based, 512 records).
class TCRREGBytePtr {
 public:
  int Add(const TCRREGByteRecord& record);
  TCRREGByteRecord* GetItem(int32_t i) { return store_.At(i); }
  const TCRREGByteRecord* GetItem(int32_t i) const { return store_.At(i); }
  uint16_t GetAddress(int32_t i) const;  // 0 when i is out of range
  int32_t Count() const { return store_.Count(); }
  void Clear() { store_.Clear(); }
  int32_t PagesAllocated() const { return store_.PagesAllocated(); }

 private:
  detail::PagedStore<TCRREGByteRecord, 2, 256> store_;
};

// Word-register definitions of the chip (0-based, 512 records).
class TCRREGWordPtr {
 public:
  int Add(const TCRREGWordRecord& record);
  TCRREGWordRecord* GetItem(int32_t i) { return store_.At(i); }
  const TCRREGWordRecord* GetItem(int32_t i) const { return store_.At(i); }
  // Address1 * 256 + Address2 of record i; 0 when i is out of range.
  int32_t GetAddressKey(int32_t i) const;
  int32_t Count() const { return store_.Count(); }
  void Clear() { store_.Clear(); }
  int32_t PagesAllocated() const { return store_.PagesAllocated(); }

 private:
  detail::PagedStore<TCRREGWordRecord, 2, 256> store_;
};

// The assembler's list of call sites to shorten (0-based, 1,048,576 values).
class TCheckSmartPtr {
 public:
  int Add(int32_t value);
  int32_t GetValue(int32_t i) const;  // 0 when i is out of range
  int32_t Count() const { return store_.Count(); }
  void Clear() { store_.Clear(); }
  int32_t PagesAllocated() const { return store_.PagesAllocated(); }

 private:
  detail::PagedStore<int32_t, 1024, 1024> store_;
};

// The assembler's list of relative-branch fix-ups (0-based, 1,048,576 records).
class TCheckPCPtr {
 public:
  int Add(int32_t address, uint8_t rel8, uint8_t rel11);
  TCheckPCRecord* GetItem(int32_t i) { return store_.At(i); }
  const TCheckPCRecord* GetItem(int32_t i) const { return store_.At(i); }
  int32_t GetAddress(int32_t i) const;  // 0 when i is out of range
  int32_t Count() const { return store_.Count(); }
  void Clear() { store_.Clear(); }
  int32_t PagesAllocated() const { return store_.PagesAllocated(); }

 private:
  detail::PagedStore<TCheckPCRecord, 1024, 1024> store_;
};

// Symbol table of the assembler and of the CPU model: 1-based, 8,192 records
// in 128 pages of 64. Lookups by name go through a hash index that keeps the
// "first record in index order" rule.
class TSymDefPack {
 public:
  TSymDefPack() = default;
  TSymDefPack(const TSymDefPack&) = delete;
  TSymDefPack& operator=(const TSymDefPack&) = delete;

  // 0 stored (or an existing 'V' of that name updated), 1 not stored (full or
  // out of memory), 2 an existing 'C' or 'L' of that name refuses it. Macros
  // ('M') are always appended. Name and text are cut to 32 characters.
  int AddSymbol(std::string_view name, std::string_view text, int32_t value, char kind,
                int32_t aux);

  // Record i (1-based), null unless 1 <= i <= Count.
  TSymDefRecord* GetItem(int32_t i) { return store_.At(i - 1); }
  const TSymDefRecord* GetItem(int32_t i) const { return store_.At(i - 1); }

  // First record in index order whose Name equals name exactly (case counts).
  TSymDefRecord* FindSymbol(std::string_view name);
  const TSymDefRecord* FindSymbol(std::string_view name) const;
  // 1-based index of that record, 0 when there is none.
  int32_t FindSymbolIndex(std::string_view name) const;

  int32_t Count() const { return store_.Count(); }
  void Clear();
  int32_t PagesAllocated() const { return store_.PagesAllocated(); }

 private:
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
      return std::hash<std::string_view>{}(s);
    }
  };
  struct Chain {
    int32_t first = -1;  // 0-based positions of the records with this name
    int32_t last = -1;
  };
  using Index = std::unordered_map<std::string, Chain, NameHash, std::equal_to<>>;

  detail::PagedStore<TSymDefRecord, kSymbolPages, kSymbolsPerPage> store_;
  Index index_;
  std::vector<int32_t> nextSame_;  // position -> next position with the same name, -1 at the end
};

// The chip's register definitions, created once per process and filled by
// the chip description loader.
TCRREGBitPtr& BitRegisterList();
TCRREGBytePtr& ByteRegisterList();
TCRREGWordPtr& WordRegisterList();
// Empties the three lists (for tests and chip reloads).
void ResetRegisterLists();

}  // namespace kyvor
