#include "assembler/sourcetables.h"

#include <algorithm>
#include <new>

namespace kyvor {

TSourceLineTables::TSourceLineTables() = default;

bool TSourceLineTables::AddPage(int lineCount) {
  if (PageCount() >= kMaxPages) return false;
  Page p;
  const int lines = lineCount < 0 ? 0 : (lineCount > kLinesPerPage ? kLinesPerPage : lineCount);
  try {
    p.Slots.resize(2 * static_cast<size_t>(lines), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Lines of the file start without code of their own.
  for (int i = 0; i < lines; ++i) p.Slots[2 * i] = -1;
  pages_.push_back(std::move(p));
  return true;
}

void TSourceLineTables::ClearPages() { pages_.clear(); }

bool TSourceLineTables::CreateMacroTable() {
  macros_.reset(new (std::nothrow) TMacroExpansionRecord[kMacroRecords]);
  if (!macros_) return false;
  for (int i = 0; i < kMacroRecords; ++i) {
    macros_[i] = TMacroExpansionRecord{};
  }
  return true;
}

void TSourceLineTables::FreeMacroTable() { macros_.reset(); }

void TSourceLineTables::PutMacroRecord(int n, const TMacroExpansionRecord& record) {
  if (!macros_ || n < 1 || n > kMacroRecords) return;
  macros_[n - 1] = record;
}

const TMacroExpansionRecord* TSourceLineTables::GetMacroRecord(int n) const {
  if (!macros_ || n < 1 || n > kMacroRecords) return nullptr;
  return &macros_[n - 1];
}

bool TSourceLineTables::SetAddrMacroIndex(int32_t address, int32_t n) {
  if (static_cast<uint32_t>(address) > static_cast<uint32_t>(lastAddress_) ||
      static_cast<uint32_t>(address) >= static_cast<uint32_t>(kAddrEntries))
    return false;
  // The index holds the addresses of program memory once one is written.
  if (static_cast<size_t>(address) >= addrIndex_.size())
    addrIndex_.resize(static_cast<size_t>(std::min(lastAddress_ + 1, kAddrEntries)), 0);
  addrIndex_[address] = n;
  return true;
}

int32_t TSourceLineTables::GetAddrMacroIndex(int32_t address) const {
  if (static_cast<uint32_t>(address) > static_cast<uint32_t>(lastAddress_) ||
      static_cast<uint32_t>(address) >= static_cast<uint32_t>(kAddrEntries))
    return 0;
  return static_cast<size_t>(address) < addrIndex_.size() ? addrIndex_[address] : 0;
}

void TSourceLineTables::ClearAddrMacroIndex() {
  const size_t end = std::min(addrIndex_.size(), static_cast<size_t>(lastAddress_ + 1));
  std::fill(addrIndex_.begin(), addrIndex_.begin() + static_cast<std::ptrdiff_t>(end), 0);
}

bool TSourceLineTables::SetLineInfo(int page, int line, int32_t value, int slot) {
  if (line < 1 || line > kLinesPerPage || page < 1 || page > PageCount()) return false;
  if (slot != 0 && slot != 1) return false;
  std::vector<int32_t>& slots = pages_[page - 1].Slots;
  const size_t at = 2 * static_cast<size_t>(line - 1) + static_cast<size_t>(slot);
  if (at >= slots.size()) slots.resize(2 * static_cast<size_t>(line), 0);
  slots[at] = value;
  return true;
}

int32_t TSourceLineTables::GetLineInfo(int page, int line, int slot) const {
  if (line < 1 || line > kLinesPerPage || page < 1 || page > PageCount()) return 0;
  if (slot != 0 && slot != 1) return 0;
  const std::vector<int32_t>& slots = pages_[page - 1].Slots;
  const size_t at = 2 * static_cast<size_t>(line - 1) + static_cast<size_t>(slot);
  return at < slots.size() ? slots[at] : 0;
}

bool TSourceLineTables::LineHasNoCode(int page, int line) const {
  const uint32_t s0 = static_cast<uint32_t>(GetLineInfo(page, line, 0));
  return s0 >= 0xFFFFFu && GetLineInfo(page, line, 1) == 0;
}

int32_t TSourceLineTables::FirstCodeAddress(int n) const {
  for (int guard = 0; guard <= kMacroRecords; ++guard) {
    const TMacroExpansionRecord* r = GetMacroRecord(n);
    if (!r) return 0xFFFFF;
    if (r->Nested != 1) return r->CodeAddress;
    n = r->ChildRecNo;
  }
  return 0xFFFFF;  // a cycle of nested records
}

}  // namespace kyvor
