#pragma once
// The assembler's line records and its line list. Every source line, every
// line of a macro body and every line the assembler inserts is one
// TAsmLine. The list is doubly linked with nodes that never move; each node
// gets a sequence number when it is made, which is never renumbered, so the
// program image can point at lines by number and insertions cost O(1).
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace kyvor {

struct TInstructionDescriptor;

constexpr int32_t kNoAddress = 0xFFFFF;
constexpr int kMaxLineText = 160;
// A working text can outgrow the source line when the passes write operands
// in their canonical form; field spans reach this far.
constexpr int kMaxWorkText = 65535;
constexpr int kMaxFields = 32;

enum TAsmDirective : uint8_t {
  DirNone = 0, DirDB, DirDW, DirEND, DirENDM, DirEQU, DirINCLUDE, DirLOCAL, DirMACRO, DirORG,
  DirSET, DirGLOBAL, DirMEMAR, DirDS, DirEXTERN, DirIF, DirELSE, DirENDIF, DirDEFINE
};

struct TAsmLine {
  // The line as read (upper case, at most 160 characters), for the listing.
  // It points into text kept by the assembler for the whole run.
  std::string_view Text;
  int32_t SeqNo = 0;
  uint16_t MacroRecNo = 0;
  uint16_t ParentRecNo = 0;
  uint16_t ChildRecNo = 0;
  uint8_t ParentFile = 255;
  uint8_t ChildFile = 255;
  uint16_t ParentLine = 0;
  uint16_t ChildLine = 0;
  int32_t MacroStartAddr = kNoAddress;
  int32_t MacroEndAddr = kNoAddress;
  uint8_t FileIndex = 255;
  int32_t LineNo = 0;
  int32_t Address = kNoAddress;
  uint8_t FromMacro = 0;
  uint8_t MacroOpen = 0;
  uint8_t LongMoveLine = 0, LongPointerLine = 0, LongTableLine = 0, LongCallLine = 0,
          LongJumpLine = 0;
  uint8_t SecondOfMove = 0, SecondOfCall = 0, SecondOfJump = 0, SecondOfPointer = 0,
          SecondOfTable = 0;
  int32_t SectionNo = 0;
  int32_t EmitAddress = kNoAddress;
  uint16_t FieldStart[kMaxFields + 1] = {};   // 1-based position in WorkText; 0 = empty
  uint16_t FieldLength[kMaxFields + 1] = {};
  uint8_t HasLabel = 0;
  uint8_t HasDirective = 0;
  uint8_t IsMacroCall = 0;
  uint8_t FromObject = 0;
  uint8_t Inserted = 0;
  uint8_t OperandReloc[4] = {};
  uint8_t RelocPart = 0;
  uint8_t Directive = DirNone;       // which directive field 3 is
  uint8_t FieldOverflow = 0;         // more operands than the 32 fields hold
  int32_t InstrIndex = -1;           // instruction kind of field 3, -1 = none
  const TInstructionDescriptor* Opcode = nullptr;  // the instruction row of field 3

  // The working text: Text until a field is rewritten. Field spans index
  // into it.
  std::string_view Work() const { return workOwned_ ? std::string_view(workText_) : Text; }
  void SetWork(std::string text) {
    workText_ = std::move(text);
    workOwned_ = true;
  }

  std::string Field(int i) const {
    if (i < 1 || i > kMaxFields || FieldStart[i] == 0) return std::string();
    return std::string(Work().substr(FieldStart[i] - 1, FieldLength[i]));
  }
  std::string_view FieldView(int i) const {
    if (i < 1 || i > kMaxFields || FieldStart[i] == 0) return std::string_view();
    return Work().substr(FieldStart[i] - 1, FieldLength[i]);
  }
  bool HasField(int i) const { return i >= 1 && i <= kMaxFields && FieldStart[i] != 0; }
  int OperandCount() const {
    int n = 0;
    for (int i = 4; i <= kMaxFields && FieldStart[i] != 0; ++i) ++n;
    return n;
  }
  void SetFieldSpan(int i, int start, int length) {
    FieldStart[i] = static_cast<uint16_t>(start);
    FieldLength[i] = static_cast<uint16_t>(length);
  }
  void ClearFields() {
    for (int i = 0; i <= kMaxFields; ++i) FieldStart[i] = FieldLength[i] = 0;
    HasLabel = HasDirective = IsMacroCall = FieldOverflow = 0;
    Directive = DirNone;
    InstrIndex = -1;
    Opcode = nullptr;
  }
  // Replaces the text of field i; later fields move with it. False when the
  // field is empty.
  bool ReplaceField(int i, const std::string& t);
  // The same without the cut: the working text may grow past 160
  // characters (up to kMaxWorkText), so no later field is lost. False, and
  // the line unchanged, when the field is empty or the text would not fit.
  bool RewriteField(int i, const std::string& t);

 private:
  std::string workText_;
  bool workOwned_ = false;
};

// The doubly linked list of lines.
class TAsmLineList {
 public:
  struct Node {
    Node() = default;
    explicit Node(TAsmLine&& line) : Line(std::move(line)) {}
    TAsmLine Line;
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
  Node* Append(const TAsmLine& line);
  Node* Append(TAsmLine&& line);
  // Inserts after `at` (at the front when `at` is null).
  Node* InsertAfter(Node* at, TAsmLine line);
  // Inserts before `at` (at the end when `at` is null).
  Node* InsertBefore(Node* at, TAsmLine line);
  void Erase(Node* node);
  // The live node with that sequence number, or null.
  Node* BySeq(int32_t seq) const {
    if (seq <= 0 || static_cast<size_t>(seq) >= bySeq_.size()) return nullptr;
    Node* n = bySeq_[seq];
    return (n && n->Live) ? n : nullptr;
  }

 private:
  Node* NewNode(TAsmLine&& line);
  std::deque<Node> nodes_;
  std::vector<Node*> bySeq_{nullptr};
  Node* first_ = nullptr;
  Node* last_ = nullptr;
  size_t size_ = 0;
};

}  // namespace kyvor
