#pragma once
// Source line records, line lists, the macro library and the field helpers
// shared by the assembler, the chip description reader, the alias file
// reader and the pod read-back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kyvor {

inline constexpr std::size_t kLineTextMax = 160;
// The assembler writes operands in their canonical form (names replaced by
// their texts), which can make a working text longer than the source line;
// field spans reach this far.
inline constexpr std::size_t kWorkTextMax = 65535;
inline constexpr int kFieldCount = 32;         // fields 1..32
inline constexpr int kFirstOperandField = 4;   // fields 4..32 are operands
inline constexpr int kMaxOperands = kFieldCount - kFirstOperandField + 1;  // 29
inline constexpr int32_t kLineNoAddress = 0xFFFFF;
inline constexpr uint8_t kLineNoFile = 255;
inline constexpr std::size_t kPackNameMax = 255;

// Field numbers.
inline constexpr int kFieldComment = 1;
inline constexpr int kFieldLabel = 2;
inline constexpr int kFieldMnemonic = 3;
// The field of operand n (1 = the first operand).
constexpr int OperandField(int n) { return kFirstOperandField + n - 1; }

// The text of a line record: its own string, or borrowed from text that
// outlives the record. The assembler keeps each source file's text for the
// whole run, so its lines (and their copies in macro expansions) need no
// string of their own until a field is rewritten. Reads like a string view;
// assigning a string, view or literal makes an owned copy.
class TLineText {
 public:
  TLineText() = default;
  explicit TLineText(std::string_view text) { Own(text); }
  TLineText(const TLineText& other) { *this = other; }
  TLineText(TLineText&& other) noexcept { Take(other); }
  ~TLineText() { delete[] heap_; }
  TLineText& operator=(const TLineText& other) {
    if (this == &other) return *this;
    if (other.heap_) {
      Own(other.view());
    } else {
      Release();
      data_ = other.data_;
      size_ = other.size_;
    }
    return *this;
  }
  TLineText& operator=(TLineText&& other) noexcept {
    if (this != &other) {
      Release();
      Take(other);
    }
    return *this;
  }
  TLineText& operator=(std::string_view text) {
    Own(text);
    return *this;
  }
  TLineText& operator=(const std::string& text) { return *this = std::string_view(text); }
  TLineText& operator=(const char* text) { return *this = std::string_view(text); }
  // A text that refers to `text` without a copy; the caller keeps `text`
  // alive and unchanged for as long as the record (and its copies) live.
  static TLineText Borrow(std::string_view text) {
    TLineText t;
    t.data_ = text.data();
    t.size_ = text.size();
    return t;
  }

  std::string_view view() const noexcept { return std::string_view(data_, size_); }
  operator std::string_view() const noexcept { return view(); }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  char operator[](std::size_t i) const { return data_[i]; }
  // Cuts the text to at most n characters.
  void resize(std::size_t n) {
    if (n < size_) size_ = n;
  }

  friend bool operator==(const TLineText& a, const TLineText& b) { return a.view() == b.view(); }
  friend bool operator==(const TLineText& a, std::string_view b) { return a.view() == b; }
  friend std::string operator+(const TLineText& a, std::string_view b) {
    std::string s(a.view());
    s += b;
    return s;
  }
  friend std::ostream& operator<<(std::ostream& os, const TLineText& t);

 private:
  // A copy of its own (text may point into the old one).
  void Own(std::string_view text) {
    char* copy = text.empty() ? nullptr : new char[text.size()];
    if (copy) std::char_traits<char>::copy(copy, text.data(), text.size());
    Release();
    heap_ = copy;
    data_ = copy ? copy : "";
    size_ = text.size();
  }
  void Release() {
    delete[] heap_;
    heap_ = nullptr;
    data_ = "";
    size_ = 0;
  }
  void Take(TLineText& other) {
    heap_ = other.heap_;
    data_ = other.data_;
    size_ = other.size_;
    other.heap_ = nullptr;
    other.data_ = "";
    other.size_ = 0;
  }

  char* heap_ = nullptr;     // owned characters (null when borrowed or empty)
  const char* data_ = "";
  std::size_t size_ = 0;
};

// One line as the assembler and the chip description reader handle it.
// Plain value type. Field arrays are indexed 1..32 (slot 0 is unused and
// stays 0).
struct TLineRecord {
  TLineText Text;  // the line as read (for the listing), at most 160
  // Working text; all field spans index into it. At most 160 characters,
  // unless the assembler rewrote a field in canonical form (RewriteField).
  TLineText WorkText;
  int32_t SeqNo = 0;
  uint16_t MacroRecNo = 0;
  uint16_t ParentRecNo = 0;
  uint16_t ChildRecNo = 0;
  uint8_t ParentFile = kLineNoFile;
  uint8_t ChildFile = kLineNoFile;
  uint16_t ParentLine = 0;
  uint16_t ChildLine = 0;
  int32_t MacroStartAddr = kLineNoAddress;
  int32_t MacroEndAddr = kLineNoAddress;
  uint8_t FileIndex = kLineNoFile;
  int32_t LineNo = 0;
  int32_t Address = kLineNoAddress;
  uint8_t FromMacro = 0;
  uint8_t MacroOpen = 0;
  uint8_t LongMoveLine = 0;
  uint8_t LongPointerLine = 0;
  uint8_t LongTableLine = 0;
  uint8_t LongCallLine = 0;
  uint8_t LongJumpLine = 0;
  uint8_t SecondOfMove = 0;
  uint8_t SecondOfCall = 0;
  uint8_t SecondOfJump = 0;
  uint8_t SecondOfPointer = 0;
  uint8_t SecondOfTable = 0;
  int32_t SectionNo = 0;
  int32_t EmitAddress = kLineNoAddress;
  std::array<uint16_t, kFieldCount + 1> FieldStart{};  // 1-based position in WorkText; 0 = empty
  std::array<uint16_t, kFieldCount + 1> FieldLength{};
  uint8_t HasLabel = 0;
  uint8_t HasDirective = 0;
  uint8_t Directive = 0;      // the classifier's code of that directive
  uint8_t FieldOverflow = 0;  // the code part holds more operands than fields 4..32
  uint8_t IsMacroCall = 0;
  uint8_t FromObject = 0;
  uint8_t Inserted = 0;
  uint8_t Placeholder = 0;
  std::array<uint8_t, 4> OperandReloc{};  // 1..3
  uint8_t RelocPart = 0;
  int32_t InstrIndex = -1;
};

// Resets every field to its initial value. Text keeps its content.
void InitLineRecord(TLineRecord& rec);

// Sets WorkText (or Text) cut to 160 characters.
void SetWorkText(TLineRecord& rec, std::string_view text);
void SetLineText(TLineRecord& rec, std::string_view text);

// FieldStart[i] := start, FieldLength[i] := length. False (record unchanged)
// when i is not 1..32 or start/length do not fit a byte or lie negative
// (spans set from outside lie within a source line; longer ones come only
// from the splitter and RewriteField).
bool SetFieldSpan(TLineRecord& rec, int i, int start, int length);

// The text of field i; empty when the field is empty or i is out of range.
// The span is clipped to WorkText, so a stale span never reads past it.
inline std::string_view GetFieldView(const TLineRecord& rec, int i) {
  if (i < 1 || i > kFieldCount) return {};
  const std::size_t start = rec.FieldStart[i];
  if (start == 0 || start > rec.WorkText.size()) return {};
  return rec.WorkText.view().substr(start - 1, rec.FieldLength[i]);
}
inline std::string GetField(const TLineRecord& rec, int i) {
  return std::string(GetFieldView(rec, i));
}

// True when field i (1..32) is not empty.
inline bool HasField(const TLineRecord& rec, int i) {
  return i >= 1 && i <= kFieldCount && rec.FieldStart[i] != 0;
}

// Consecutive non-empty fields from field 4 on (0..29).
int OperandCount(const TLineRecord& rec);

// Replaces the text of field i and moves the spans of the fields behind it;
// the result is cut to 160 characters. False (record unchanged) when the
// field is empty or i is out of range.
bool ReplaceField(TLineRecord& rec, int i, std::string_view text);

// The same without the cut: the working text may grow past 160 characters
// (up to kWorkTextMax), so no later field is lost. False, and the record
// unchanged, when the field is empty or the text would not fit.
bool RewriteField(TLineRecord& rec, int i, std::string_view text);

// What the source-line splitter asks about a word. Unset members answer
// "not one" (-1 / 0 / false).
struct TLineClassifier {
  std::function<int32_t(std::string_view)> InstructionIndex;  // -1 = not an instruction
  std::function<uint8_t(std::string_view)> DirectiveCode;     // 0 = not a directive
  std::function<bool(std::string_view)> IsMacroName;
};

// How a line is cut into fields. Field 1 runs from the first character of
// CommentStart to the end of the line. Before it, fields 2 and 3 (when
// LabelAndMnemonic) are words separated by blanks and tabs; the operands
// (fields 4..32) are separated by blanks, tabs and OperandBreaks and end
// before the next OperandBreaks character without trailing blanks, so
// blanks inside an operand stay in it unless they are breaks themselves.
struct TSplitRule {
  constexpr TSplitRule(std::string_view commentStart, std::string_view operandBreaks,
                       bool labelAndMnemonic)
      : LabelAndMnemonic(labelAndMnemonic) {
    Kind[static_cast<uint8_t>(' ')] = Kind[static_cast<uint8_t>('\t')] = kBlank;
    for (char c : operandBreaks) Kind[static_cast<uint8_t>(c)] |= kBreak;
    for (char c : commentStart) Kind[static_cast<uint8_t>(c)] |= kCommentStart;
  }
  static constexpr uint8_t kBlank = 1, kBreak = 2, kCommentStart = 4;
  bool LabelAndMnemonic;
  std::array<uint8_t, 256> Kind{};  // what each character is to the splitter
  bool Is(char c, uint8_t kind) const { return (Kind[static_cast<uint8_t>(c)] & kind) != 0; }
};

// Assembler source lines: ';' starts the comment, operands are separated by
// ',' and '='.
inline constexpr TSplitRule kSourceLineRule{";", ",=", true};

// The one splitter: fills the field spans from WorkText (spans and flags of
// an earlier split are cleared first). The first split of a line takes it as
// read: WorkText is cut to 160 characters and becomes Text. With the label
// and mnemonic fields, the classifier (may be null) sets InstrIndex,
// HasDirective/Directive or IsMacroCall for the mnemonic (a first word that
// is one of them is the mnemonic, otherwise it is the label). Operands
// beyond field 32 are left out and mark FieldOverflow.
void SplitLineFields(TLineRecord& rec, const TSplitRule& rule, const TLineClassifier* classifier);

// The assembler's splitter: SplitLineFields with kSourceLineRule.
inline void SplitSourceLine(TLineRecord& rec, const TLineClassifier& classifier) {
  SplitLineFields(rec, kSourceLineRule, &classifier);
}

class TLinePackLink;

// Doubly linked list of line records with a cursor; also stands for one
// macro (name and number). Owns its nodes.
class TLinePack {
 public:
  TLinePack();
  ~TLinePack();
  TLinePack(const TLinePack&) = delete;
  TLinePack& operator=(const TLinePack&) = delete;

  // Insert modes.
  static constexpr int kAtFront = 0;
  static constexpr int kAtEnd = 1;
  static constexpr int kAfterCursor = 2;
  static constexpr int kBeforeCursor = 3;

  // Copies the record into a new node: mode 0 at the front, 1 at the end,
  // 3 before the cursor, anything else after the cursor. The cursor moves to
  // the new node and the records from it to the end are renumbered. False only
  // when memory runs out.
  bool InsertLineRecord(const TLineRecord& rec, int mode);
  // A fresh record with WorkText (cut to 160), FileIndex and LineNo, inserted
  // as above. Text is left empty.
  bool AddSourceLine(std::string_view text, uint8_t fileIndex, int mode, uint16_t lineNo);

  void DeleteCurrentLine();
  bool FirstLine();
  bool LastLine();
  bool NextLine();
  bool PrevLine();
  void ClearLines();
  bool SeekLine(int32_t seqNo);

  // The cursor's record (the head sentinel's blank record when empty).
  TLineRecord CopyCurrentLine() const;
  TLineRecord& CurrentLine();
  const TLineRecord& CurrentLine() const;

  bool Empty() const;
  int32_t LineCount() const { return count_; }

  void SetPackNumber(int32_t n) { number_ = n; }
  int32_t GetPackNumber() const { return number_; }
  void SetPackName(std::string_view name);  // cut to 255
  const std::string& GetPackName() const { return name_; }

  TLinePack* NextPack = nullptr;  // next pack of a macro library

 private:
  struct Node {
    TLineRecord rec;
    Node* Next = nullptr;
    Node* Prev = nullptr;
  };
  void Renumber(Node* from);
  Node* SearchForward(Node* from, int32_t n) const;
  Node* SearchBackward(Node* from, int32_t n) const;

  Node head_;
  Node tail_;
  Node* cursor_;
  int32_t count_ = 0;
  int32_t number_ = 0;
  std::string name_;
  TLinePackLink* owner_ = nullptr;
  friend class TLinePackLink;
};

// The macro library: a singly linked list of packs; owns them. Lookups by
// name use an index that keeps the first-pack-wins rule.
class TLinePackLink {
 public:
  TLinePackLink() = default;
  ~TLinePackLink();
  TLinePackLink(const TLinePackLink&) = delete;
  TLinePackLink& operator=(const TLinePackLink&) = delete;

  bool AddMacroPack();  // new pack at the end, made current
  void ClearMacroPacks();
  bool FirstMacro();
  bool NextMacro();
  int32_t CurrentMacroNumber() const;  // 0 when the library is empty
  bool SeekMacroNumber(int32_t n);
  TLinePack* CurrentMacro() { return current_; }
  bool FindMacroByName(std::string_view name);
  bool MacroLibraryEmpty() const { return first_ == nullptr; }

  TLinePack* First() { return first_; }
  TLinePack* Last() { return last_; }

 private:
  friend class TLinePack;
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
      return std::hash<std::string_view>{}(s);
    }
  };
  void RebuildIndex() const;

  TLinePack* first_ = nullptr;
  TLinePack* last_ = nullptr;
  TLinePack* current_ = nullptr;
  mutable std::unordered_map<std::string, TLinePack*, NameHash, std::equal_to<>> byName_;
  mutable bool indexDirty_ = false;
};

}  // namespace kyvor
