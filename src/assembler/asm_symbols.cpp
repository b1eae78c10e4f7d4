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
          if (r.Text != t) {
            // keep the text index pointing at the first record with each text
            auto bt = byText_.find(r.Text);
            if (bt != byText_.end() && bt->second == idx) {
              byText_.erase(bt);
              for (int j = 0; j < Count(); ++j) {
                if (j != idx && records_[j].Text == r.Text) {
                  byText_.emplace(r.Text, j);
                  break;
                }
              }
            }
            r.Text = t;
            auto nt = byText_.find(t);
            if (nt == byText_.end() || nt->second > idx) byText_[t] = idx;
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
  byText_.emplace(t, idx);
  return 0;
}

TAsmSymbol* TAsmSymbols::FindSymbol(std::string_view name) {
  auto it = byName_.find(name);
  if (it == byName_.end() || it->second.empty()) return nullptr;
  return &records_[it->second.front()];
}

const TAsmSymbol* TAsmSymbols::FindSymbol(std::string_view name) const {
  auto it = byName_.find(name);
  if (it == byName_.end() || it->second.empty()) return nullptr;
  return &records_[it->second.front()];
}

int TAsmSymbols::FindReplacementName(std::string_view name) const {
  auto it = byText_.find(name);
  return it == byText_.end() ? 0 : it->second + 1;
}

}  // namespace kyvor
