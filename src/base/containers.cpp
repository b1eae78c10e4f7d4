#include "base/containers.h"

#include <new>

namespace kyvor {

std::string CutText(std::string_view text, std::size_t max) {
  return std::string(text.substr(0, max));
}

namespace {

void CutInPlace(std::string& s, std::size_t max) {
  if (s.size() > max) s.resize(max);
}

// Copies record into the next free slot of store; 0 stored, 1 not stored.
// The assignment is done before the count grows, so a failing copy (out of
// memory) leaves the container as it was.
template <typename Store, typename Rec, typename Fix>
int Append(Store& store, const Rec& record, Fix fix) {
  try {
    Rec* slot = store.Reserve();
    if (!slot) return 1;
    *slot = record;
    fix(*slot);
    store.Commit();
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

}  // namespace

int TCRREGBitPtr::Add(const TCRREGBitRecord& record) {
  return Append(store_, record, [](TCRREGBitRecord& r) {
    CutInPlace(r.Name, kRegNameMax);
    CutInPlace(r.Description, kRegDescriptionMax);
    for (auto& bit : r.Bits) {
      CutInPlace(bit.BitName, kBitNameMax);
      CutInPlace(bit.BitDescription, kBitDescriptionMax);
    }
  });
}

uint16_t TCRREGBitPtr::GetAddress(int32_t i) const {
  const auto* r = store_.At(i);
  return r ? r->Address : 0;
}

int TCRREGBytePtr::Add(const TCRREGByteRecord& record) {
  return Append(store_, record,
                [](TCRREGByteRecord& r) { CutInPlace(r.Description, kRegDescriptionMax); });
}

uint16_t TCRREGBytePtr::GetAddress(int32_t i) const {
  const auto* r = store_.At(i);
  return r ? r->Address : 0;
}

int TCRREGWordPtr::Add(const TCRREGWordRecord& record) {
  return Append(store_, record,
                [](TCRREGWordRecord& r) { CutInPlace(r.Description, kRegDescriptionMax); });
}

int32_t TCRREGWordPtr::GetAddressKey(int32_t i) const {
  const auto* r = store_.At(i);
  return r ? static_cast<int32_t>(r->Address1) * 256 + r->Address2 : 0;
}

int TCheckSmartPtr::Add(int32_t value) {
  return Append(store_, value, [](int32_t&) {});
}

int32_t TCheckSmartPtr::GetValue(int32_t i) const {
  const auto* v = store_.At(i);
  return v ? *v : 0;
}

int TCheckPCPtr::Add(int32_t address, uint8_t rel8, uint8_t rel11) {
  TCheckPCRecord r;
  r.Address = address;
  r.Rel8 = rel8;
  r.Rel11 = rel11;
  return Append(store_, r, [](TCheckPCRecord&) {});
}

int32_t TCheckPCPtr::GetAddress(int32_t i) const {
  const auto* r = store_.At(i);
  return r ? r->Address : 0;
}

// ---------------------------------------------------------------------------
// Symbol table

int TSymDefPack::AddSymbol(std::string_view name, std::string_view text, int32_t value,
                           char kind, int32_t aux) {
  const std::string_view key = name.substr(0, kSymbolNameMax);
  const std::string_view shortText = text.substr(0, kSymbolTextMax);

  auto it = index_.find(key);
  if (kind != 'M' && it != index_.end()) {
    // The records of this name in index order: the first 'C' or 'L' refuses,
    // the first 'V' is updated, any other kind is passed over.
    for (int32_t p = it->second.first; p >= 0; p = nextSame_[p]) {
      TSymDefRecord* r = store_.At(p);
      if (!r) break;
      if (r->Kind == 'C' || r->Kind == 'L') return 2;
      if (r->Kind == 'V') {
        try {
          r->Text.assign(shortText);
        } catch (const std::bad_alloc&) {
          return 1;
        }
        r->Value = value;
        r->Kind = kind;
        r->Aux = aux;
        return 0;
      }
    }
  }

  try {
    TSymDefRecord* slot = store_.Reserve();
    if (!slot) return 1;
    const int32_t p = store_.Count();
    // Make room in the index first, so nothing below can fail half way.
    if (nextSame_.size() <= static_cast<std::size_t>(p)) {
      // Grow by pages, so the index is rehashed only a few times.
      if (index_.empty()) index_.reserve(kSymbolsPerPage);
      nextSame_.resize(static_cast<std::size_t>(p) + kSymbolsPerPage, -1);
    }
    if (it == index_.end()) it = index_.emplace(std::string(key), Chain{}).first;
    slot->Name.assign(key);
    slot->Text.assign(shortText);
    slot->Value = value;
    slot->Kind = kind;
    slot->Aux = aux;
    nextSame_[p] = -1;
    Chain& chain = it->second;
    if (chain.last >= 0) {
      nextSame_[chain.last] = p;
    } else {
      chain.first = p;
    }
    chain.last = p;
    store_.Commit();
    return 0;
  } catch (const std::bad_alloc&) {
    // An index entry made for a name that was then not stored is harmless:
    // its chain stays empty and lookups pass it over.
    return 1;
  }
}

int32_t TSymDefPack::FindSymbolIndex(std::string_view name) const {
  auto it = index_.find(name);
  if (it == index_.end()) return 0;
  const int32_t p = it->second.first;
  return (p >= 0 && p < store_.Count()) ? p + 1 : 0;
}

TSymDefRecord* TSymDefPack::FindSymbol(std::string_view name) {
  return GetItem(FindSymbolIndex(name));
}

const TSymDefRecord* TSymDefPack::FindSymbol(std::string_view name) const {
  return GetItem(FindSymbolIndex(name));
}

void TSymDefPack::Clear() {
  store_.Clear();
  index_.clear();
  nextSame_.clear();
}

// ---------------------------------------------------------------------------
// The chip's register definitions

namespace {
TCRREGBitPtr g_bitRegisters;
TCRREGBytePtr g_byteRegisters;
TCRREGWordPtr g_wordRegisters;
}  // namespace

TCRREGBitPtr& BitRegisterList() { return g_bitRegisters; }
TCRREGBytePtr& ByteRegisterList() { return g_byteRegisters; }
TCRREGWordPtr& WordRegisterList() { return g_wordRegisters; }

void ResetRegisterLists() {
  g_bitRegisters.Clear();
  g_byteRegisters.Clear();
  g_wordRegisters.Clear();
}

}  // namespace kyvor
