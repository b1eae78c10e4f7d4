#include "assembler/asm_symbols.h"

namespace kyvor {

namespace {
std::string Cut32(std::string_view s) {
  return std::string(s.substr(0, std::min<size_t>(s.size(), TAsmSymbols::kMaxName)));
}
}  // namespace

void TAsmSymbols::Clear() {
  records_.clear();
  byName_.clear();
  byText_.clear();
}

int TAsmSymbols::AddSymbol(std::string_view name, std::string_view text, int32_t value,
                           char kind, int32_t aux) {
  std::string n = Cut32(name);
  std::string t(text.substr(0, std::min(text.size(), textLimit_)));
  if (kind != 'M') {
    auto it = byName_.find(n);
    if (it != byName_.end()) {
      for (int idx : it->second) {
        TAsmSymbol& r = records_[idx];
        if (r.Kind == 'C' || r.Kind == 'L') return 2;
        if (r.Kind == 'V') {
          // A SET that changes the text moves the record between two text
          // entries; the cost does not depend on the size of the table.
          if (r.Text != t) {
            auto bt = byText_.find(r.Text);
            if (bt != byText_.end()) {
              bt->second.erase(idx);
              if (bt->second.empty()) byText_.erase(bt);
            }
            r.Text = t;
            byText_[t].insert(idx);
          }
          r.Value = value;
          r.Kind = kind;
          r.Aux = aux;
          return 0;
        }
      }
    }
  }
  if (Count() >= kCapacity) return 1;
  int idx = Count();
  records_.push_back(TAsmSymbol{n, t, value, kind, aux});
  byName_[n].push_back(idx);
  byText_[t].insert(idx);
  return 0;
}

TAsmSymbol* TAsmSymbols::FindSymbol(std::string_view name) {
  auto it = byName_.find(name.substr(0, kMaxName));
  if (it == byName_.end() || it->second.empty()) return nullptr;
  return &records_[it->second.front()];
}

const TAsmSymbol* TAsmSymbols::FindSymbol(std::string_view name) const {
  auto it = byName_.find(name.substr(0, kMaxName));
  if (it == byName_.end() || it->second.empty()) return nullptr;
  return &records_[it->second.front()];
}

int TAsmSymbols::FindReplacementName(std::string_view name) const {
  auto it = byText_.find(name);
  return it == byText_.end() ? 0 : *it->second.begin() + 1;
}

}  // namespace kyvor
