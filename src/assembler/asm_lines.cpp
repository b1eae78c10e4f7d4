#include "assembler/asm_lines.h"

namespace kyvor {

bool TAsmLine::ReplaceField(int i, const std::string& t) {
  if (i < 1 || i > kMaxFields || FieldStart[i] == 0) return false;
  const int delta = static_cast<int>(t.size()) - FieldLength[i];
  const size_t s = FieldStart[i] - 1;
  const size_t e = s + FieldLength[i];
  const std::string_view cur = Work();
  std::string w(cur.substr(0, s));
  w += t;
  if (e < cur.size()) w.append(cur.substr(e));
  if (w.size() > static_cast<size_t>(kMaxLineText)) w.resize(kMaxLineText);
  workText_ = std::move(w);
  workOwned_ = true;
  int len = static_cast<int>(t.size());
  if (static_cast<int>(s) + len > kMaxLineText) len = kMaxLineText - static_cast<int>(s);
  FieldLength[i] = static_cast<uint16_t>(len < 0 ? 0 : len);
  for (int j = i + 1; j <= kMaxFields && FieldStart[j] != 0; ++j) {
    int ns = FieldStart[j] + delta;
    if (ns < 1 || ns > kMaxLineText) {
      // the field fell off the end of the cut text
      for (int k = j; k <= kMaxFields; ++k) FieldStart[k] = FieldLength[k] = 0;
      break;
    }
    FieldStart[j] = static_cast<uint16_t>(ns);
    if (ns - 1 + FieldLength[j] > kMaxLineText) FieldLength[j] = static_cast<uint16_t>(kMaxLineText - (ns - 1));
  }
  // The comment (field 1) follows the code part.
  if (i != 1 && FieldStart[1] != 0 && FieldStart[1] > s + 1) {
    int ns = FieldStart[1] + delta;
    if (ns < 1 || ns > kMaxLineText) {
      FieldStart[1] = FieldLength[1] = 0;
    } else {
      FieldStart[1] = static_cast<uint16_t>(ns);
      if (ns - 1 + FieldLength[1] > kMaxLineText) FieldLength[1] = static_cast<uint16_t>(kMaxLineText - (ns - 1));
    }
  }
  return true;
}

bool TAsmLine::RewriteField(int i, const std::string& t) {
  if (i < 1 || i > kMaxFields || FieldStart[i] == 0) return false;
  const std::string_view cur = Work();
  const size_t s = FieldStart[i] - 1;
  const size_t e = s + FieldLength[i];
  if (cur.size() - FieldLength[i] + t.size() > static_cast<size_t>(kMaxWorkText)) return false;
  const int delta = static_cast<int>(t.size()) - FieldLength[i];
  std::string w;
  w.reserve(cur.size() - FieldLength[i] + t.size());
  w.append(cur.substr(0, s));
  w += t;
  if (e < cur.size()) w.append(cur.substr(e));
  workText_ = std::move(w);
  workOwned_ = true;
  FieldLength[i] = static_cast<uint16_t>(t.size());
  for (int j = i + 1; j <= kMaxFields && FieldStart[j] != 0; ++j)
    FieldStart[j] = static_cast<uint16_t>(FieldStart[j] + delta);
  // The comment (field 1) follows the code part.
  if (i != 1 && FieldStart[1] != 0 && FieldStart[1] > s + 1)
    FieldStart[1] = static_cast<uint16_t>(FieldStart[1] + delta);
  return true;
}

void TAsmLineList::Clear() {
  nodes_.clear();
  bySeq_.assign(1, nullptr);
  first_ = last_ = nullptr;
  size_ = 0;
}

TAsmLineList::Node* TAsmLineList::NewNode(TAsmLine&& line) {
  nodes_.emplace_back(std::move(line));
  Node* n = &nodes_.back();
  n->Line.SeqNo = static_cast<int32_t>(bySeq_.size());
  n->Live = true;
  bySeq_.push_back(n);
  ++size_;
  return n;
}

TAsmLineList::Node* TAsmLineList::Append(const TAsmLine& line) { return Append(TAsmLine(line)); }

TAsmLineList::Node* TAsmLineList::Append(TAsmLine&& line) {
  Node* n = NewNode(std::move(line));
  n->Prev = last_;
  if (last_) last_->Next = n;
  else first_ = n;
  last_ = n;
  return n;
}

TAsmLineList::Node* TAsmLineList::InsertAfter(Node* at, TAsmLine line) {
  if (!at) {
    Node* n = NewNode(std::move(line));
    n->Next = first_;
    if (first_) first_->Prev = n;
    else last_ = n;
    first_ = n;
    return n;
  }
  Node* n = NewNode(std::move(line));
  n->Prev = at;
  n->Next = at->Next;
  if (at->Next) at->Next->Prev = n;
  else last_ = n;
  at->Next = n;
  return n;
}

TAsmLineList::Node* TAsmLineList::InsertBefore(Node* at, TAsmLine line) {
  if (!at) return Append(std::move(line));
  return InsertAfter(at->Prev, std::move(line));
}

void TAsmLineList::Erase(Node* node) {
  if (!node || !node->Live) return;
  if (node->Prev) node->Prev->Next = node->Next;
  else first_ = node->Next;
  if (node->Next) node->Next->Prev = node->Prev;
  else last_ = node->Prev;
  node->Live = false;
  node->Next = node->Prev = nullptr;
  node->Line = TAsmLine();
  --size_;
}

}  // namespace kyvor
