#pragma once
// The assembler's line list. Every source line, every line of a macro body
// and every line the assembler inserts is one TLineRecord (base/linerecord.h).
// The list is doubly linked with nodes that never move; each node gets a
// sequence number when it is made, which is never renumbered, so the program
// image can point at lines by number and insertions cost O(1).
#include <cstdint>
#include <deque>
#include <vector>

#include "base/linerecord.h"

namespace kyvor {

// Directive codes of field 3 (TLineRecord::Directive).
enum TAsmDirective : uint8_t {
  DirNone = 0, DirDB, DirDW, DirEND, DirENDM, DirEQU, DirINCLUDE, DirLOCAL, DirMACRO, DirORG,
  DirSET, DirGLOBAL, DirMEMAR, DirDS, DirEXTERN, DirIF, DirELSE, DirENDIF, DirDEFINE
};

// The doubly linked list of lines.
class TAsmLineList {
 public:
  struct Node {
    Node() = default;
    explicit Node(TLineRecord&& line) : Line(std::move(line)) {}
    TLineRecord Line;
    Node* Next = nullptr;
    Node* Prev = nullptr;
    bool Live = false;
  };

  TAsmLineList() = default;
  TAsmLineList(const TAsmLineList&) = delete;
  TAsmLineList& operator=(const TAsmLineList&) = delete;

  void Clear();
  bool Empty() const { return first_ == nullptr; }
  size_t Size() const { return size_; }
  Node* First() const { return first_; }
  Node* Last() const { return last_; }
  // Appends a copy; the new node's line gets the next sequence number.
  Node* Append(const TLineRecord& line);
  Node* Append(TLineRecord&& line);
  // Inserts after `at` (at the front when `at` is null).
  Node* InsertAfter(Node* at, TLineRecord line);
  // Inserts before `at` (at the end when `at` is null).
  Node* InsertBefore(Node* at, TLineRecord line);
  void Erase(Node* node);
  // The live node with that sequence number, or null.
  Node* BySeq(int32_t seq) const {
    if (seq <= 0 || static_cast<size_t>(seq) >= bySeq_.size()) return nullptr;
    Node* n = bySeq_[seq];
    return (n && n->Live) ? n : nullptr;
  }

 private:
  Node* NewNode(TLineRecord&& line);
  std::deque<Node> nodes_;
  std::vector<Node*> bySeq_{nullptr};
  Node* first_ = nullptr;
  Node* last_ = nullptr;
  size_t size_ = 0;
};

}  // namespace kyvor
