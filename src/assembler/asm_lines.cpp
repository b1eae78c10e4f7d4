#include "assembler/asm_lines.h"

namespace kyvor {

void TAsmLineList::Clear() {
  nodes_.clear();
  bySeq_.assign(1, nullptr);
  first_ = last_ = nullptr;
  size_ = 0;
}

TAsmLineList::Node* TAsmLineList::NewNode(TLineRecord&& line) {
  nodes_.emplace_back(std::move(line));
  Node* n = &nodes_.back();
  n->Line.SeqNo = static_cast<int32_t>(bySeq_.size());
  n->Live = true;
  bySeq_.push_back(n);
  ++size_;
  return n;
}

TAsmLineList::Node* TAsmLineList::Append(const TLineRecord& line) {
  return Append(TLineRecord(line));
}

TAsmLineList::Node* TAsmLineList::Append(TLineRecord&& line) {
  Node* n = NewNode(std::move(line));
  n->Prev = last_;
  if (last_) last_->Next = n;
  else first_ = n;
  last_ = n;
  return n;
}

TAsmLineList::Node* TAsmLineList::InsertAfter(Node* at, TLineRecord line) {
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

TAsmLineList::Node* TAsmLineList::InsertBefore(Node* at, TLineRecord line) {
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
  node->Line = TLineRecord();
  --size_;
}

}  // namespace kyvor
