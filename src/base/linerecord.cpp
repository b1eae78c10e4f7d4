#include "base/linerecord.h"

#include <algorithm>
#include <new>
#include <ostream>

namespace kyvor {

// ---------------------------------------------------------------------------
// Field helpers

std::ostream& operator<<(std::ostream& os, const TLineText& t) { return os << t.view(); }

void InitLineRecord(TLineRecord& rec) {
  TLineText text = std::move(rec.Text);
  rec = TLineRecord{};
  rec.Text = std::move(text);
}

void SetWorkText(TLineRecord& rec, std::string_view text) {
  rec.WorkText = text.substr(0, kLineTextMax);
}

void SetLineText(TLineRecord& rec, std::string_view text) {
  rec.Text = text.substr(0, kLineTextMax);
}

bool SetFieldSpan(TLineRecord& rec, int i, int start, int length) {
  if (i < 1 || i > kFieldCount) return false;
  if (start < 0 || start > 255 || length < 0 || length > 255) return false;
  rec.FieldStart[i] = static_cast<uint16_t>(start);
  rec.FieldLength[i] = static_cast<uint16_t>(length);
  return true;
}


int OperandCount(const TLineRecord& rec) {
  int n = 0;
  for (int i = kFirstOperandField; i <= kFieldCount && rec.FieldStart[i] != 0; ++i) ++n;
  return n;
}

namespace {

// Puts `text` in place of field i and moves every field behind it with the
// text behind it. A result longer than `limit` is cut (ReplaceField) or, with
// `refuse`, leaves the record unchanged (RewriteField).
bool PutField(TLineRecord& rec, int i, std::string_view text, std::size_t limit, bool refuse) {
  if (i < 1 || i > kFieldCount) return false;
  const int start = rec.FieldStart[i];
  if (start == 0) return false;
  const int oldLen = rec.FieldLength[i];
  const int size = static_cast<int>(rec.WorkText.size());
  // A span that reaches past the text covers only what is there.
  const int before = std::min(start - 1, size);
  const int e = std::min(start + oldLen, size + 1);  // first position after the field
  const int delta = static_cast<int>(text.size()) - (e - 1 - before);

  const std::string_view old = rec.WorkText;
  std::string work;
  work.reserve(before + text.size() + (size - (e - 1)));
  work.append(old.substr(0, before));
  work.append(text);
  work.append(old.substr(e - 1));
  if (work.size() > limit) {
    if (refuse) return false;
    work.resize(limit);
  }
  rec.WorkText = std::move(work);
  const int newSize = static_cast<int>(rec.WorkText.size());

  // Fits the span of field j into the new text: a start behind the text
  // becomes the position just after it (the field stays, but reads empty).
  auto place = [&](int j, int newStart, int len) {
    newStart = std::clamp(newStart, 1, newSize + 1);
    len = std::clamp(len, 0, newSize + 1 - newStart);
    rec.FieldStart[j] = static_cast<uint16_t>(newStart);
    rec.FieldLength[j] = static_cast<uint16_t>(len);
  };
  place(i, before + 1, static_cast<int>(text.size()));
  // Every other field that starts behind the replaced one moves with the text
  // behind it: the operands after it and the comment at the end of the line.
  for (int j = 1; j <= kFieldCount; ++j) {
    if (j == i || rec.FieldStart[j] == 0) continue;
    if (rec.FieldStart[j] >= e) place(j, rec.FieldStart[j] + delta, rec.FieldLength[j]);
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool ReplaceField(TLineRecord& rec, int i, std::string_view text) {
  return PutField(rec, i, text, kLineTextMax, false);
}

bool RewriteField(TLineRecord& rec, int i, std::string_view text) {
  return PutField(rec, i, text, kWorkTextMax, true);
}

// ---------------------------------------------------------------------------
// The splitter

void SplitLineFields(TLineRecord& rec, const TSplitRule& rule, const TLineClassifier* classifier) {
  if (rec.Text.empty()) {
    if (rec.WorkText.size() > kLineTextMax) rec.WorkText.resize(kLineTextMax);
    rec.Text = rec.WorkText;
  } else if (rec.WorkText.size() > kWorkTextMax) {
    rec.WorkText.resize(kWorkTextMax);
  }
  rec.FieldStart.fill(0);
  rec.FieldLength.fill(0);
  rec.HasLabel = 0;
  rec.HasDirective = 0;
  rec.Directive = 0;
  rec.IsMacroCall = 0;
  rec.FieldOverflow = 0;
  rec.InstrIndex = -1;

  const std::string_view line(rec.WorkText);
  auto setSpan = [&rec](int k, std::size_t start0, std::size_t length) {
    rec.FieldStart[k] = static_cast<uint16_t>(start0 + 1);
    rec.FieldLength[k] = static_cast<uint16_t>(length);
  };
  std::size_t codeEnd = 0;  // 0-based end (exclusive) of the code part
  while (codeEnd < line.size() && !rule.Is(line[codeEnd], TSplitRule::kCommentStart)) ++codeEnd;
  if (codeEnd < line.size()) setSpan(kFieldComment, codeEnd, line.size() - codeEnd);

  // The next word (label, mnemonic) or operand from pos; false when the code
  // part holds no more.
  std::size_t pos = 0;
  auto next = [&](bool operand, std::size_t& start, std::size_t& end) {
    // Words end at a blank; operands at a break, without trailing blanks.
    const uint8_t skip = operand ? TSplitRule::kBlank | TSplitRule::kBreak : TSplitRule::kBlank;
    const uint8_t stop = operand ? TSplitRule::kBreak : TSplitRule::kBlank;
    while (pos < codeEnd && rule.Is(line[pos], skip)) ++pos;
    if (pos >= codeEnd) return false;
    start = pos;
    while (pos < codeEnd && !rule.Is(line[pos], stop)) ++pos;
    end = pos;
    while (end > start && IsBlank(line[end - 1])) --end;
    return true;
  };

  // True when the word is an instruction, directive or macro name.
  auto classify = [&](std::string_view word) {
    if (!classifier) return false;
    if (classifier->InstructionIndex) {
      const int32_t idx = classifier->InstructionIndex(word);
      if (idx >= 0) {
        rec.InstrIndex = idx;
        return true;
      }
    }
    if (classifier->DirectiveCode) {
      const uint8_t code = classifier->DirectiveCode(word);
      if (code != 0) {
        rec.HasDirective = 1;
        rec.Directive = code;
        return true;
      }
    }
    if (classifier->IsMacroName && classifier->IsMacroName(word)) {
      rec.IsMacroCall = 1;
      return true;
    }
    return false;
  };

  int k = rule.LabelAndMnemonic ? kFieldLabel : kFirstOperandField;
  std::size_t start = 0;
  std::size_t end = 0;
  for (; k <= kFieldCount; ++k) {
    if (!next(k >= kFirstOperandField, start, end)) return;
    const std::string_view word = line.substr(start, end - start);
    if (k == kFieldLabel) {
      if (classify(word)) {
        k = kFieldMnemonic;
      } else {
        rec.HasLabel = 1;
      }
    } else if (k == kFieldMnemonic) {
      classify(word);
    }
    setSpan(k, start, end - start);
  }
  if (next(true, start, end)) rec.FieldOverflow = 1;
}

// ---------------------------------------------------------------------------
// TLinePack

TLinePack::TLinePack() : cursor_(&head_) {
  head_.Next = &tail_;
  tail_.Prev = &head_;
}

TLinePack::~TLinePack() { ClearLines(); }

bool TLinePack::Empty() const { return head_.Next == &tail_; }

void TLinePack::Renumber(Node* from) {
  // The head sentinel counts as 0 even if a caller wrote into it.
  for (Node* n = from; n != &tail_; n = n->Next) {
    n->rec.SeqNo = n->Prev == &head_ ? 1 : n->Prev->rec.SeqNo + 1;
  }
}

bool TLinePack::InsertLineRecord(const TLineRecord& rec, int mode) {
  Node* node = new (std::nothrow) Node;
  if (!node) return false;
  try {
    node->rec = rec;
  } catch (const std::bad_alloc&) {
    delete node;
    return false;
  }
  Node* after;  // the new node goes right after this one
  switch (mode) {
    case kAtFront:
      after = &head_;
      break;
    case kAtEnd:
      after = tail_.Prev;
      break;
    case kBeforeCursor:
      // Before the head sentinel (empty list) means at the front.
      after = cursor_ == &head_ ? &head_ : cursor_->Prev;
      break;
    default:
      after = cursor_;
      break;
  }
  node->Prev = after;
  node->Next = after->Next;
  after->Next->Prev = node;
  after->Next = node;
  cursor_ = node;
  ++count_;
  Renumber(node);
  return true;
}

bool TLinePack::AddSourceLine(std::string_view text, uint8_t fileIndex, int mode,
                              uint16_t lineNo) {
  TLineRecord rec;
  InitLineRecord(rec);
  try {
    SetWorkText(rec, text);
  } catch (const std::bad_alloc&) {
    return false;
  }
  rec.FileIndex = fileIndex;
  rec.LineNo = lineNo;
  return InsertLineRecord(rec, mode);
}

void TLinePack::DeleteCurrentLine() {
  if (Empty() || cursor_ == &head_) return;
  Node* node = cursor_;
  cursor_ = node->Prev;
  node->Prev->Next = node->Next;
  node->Next->Prev = node->Prev;
  delete node;
  --count_;
  if (cursor_ == &head_ && !Empty()) cursor_ = head_.Next;
}

bool TLinePack::FirstLine() {
  if (Empty()) return false;
  cursor_ = head_.Next;
  return true;
}

bool TLinePack::LastLine() {
  if (Empty()) return false;
  cursor_ = tail_.Prev;
  return true;
}

bool TLinePack::NextLine() {
  if (cursor_->Next == &tail_ || cursor_ == &tail_) return false;
  cursor_ = cursor_->Next;
  return true;
}

bool TLinePack::PrevLine() {
  if (cursor_ == &head_ || cursor_->Prev == &head_) return false;
  cursor_ = cursor_->Prev;
  return true;
}

void TLinePack::ClearLines() {
  Node* n = head_.Next;
  while (n != &tail_) {
    Node* next = n->Next;
    delete n;
    n = next;
  }
  head_.Next = &tail_;
  tail_.Prev = &head_;
  cursor_ = &head_;
  count_ = 0;
}

TLinePack::Node* TLinePack::SearchForward(Node* from, int32_t n) const {
  for (Node* p = from; p != &tail_ && p != nullptr; p = p->Next) {
    if (p != &head_ && p->rec.SeqNo == n) return p;
  }
  return nullptr;
}

TLinePack::Node* TLinePack::SearchBackward(Node* from, int32_t n) const {
  for (Node* p = from; p != &head_ && p != nullptr; p = p->Prev) {
    if (p != &tail_ && p->rec.SeqNo == n) return p;
  }
  return nullptr;
}

bool TLinePack::SeekLine(int32_t n) {
  if (n < 0 || Empty()) return false;
  const int64_t c = cursor_ == &head_ ? 0 : cursor_->rec.SeqNo;
  const int64_t last = tail_.Prev->rec.SeqNo;
  Node* found;
  if (n >= c) {
    found = (n - c) > (last - n) ? SearchBackward(tail_.Prev, n) : SearchForward(cursor_, n);
  } else {
    found = n > (c - n) ? SearchBackward(cursor_, n) : SearchForward(head_.Next, n);
  }
  if (!found) return false;
  cursor_ = found;
  return true;
}

TLineRecord TLinePack::CopyCurrentLine() const { return cursor_->rec; }
TLineRecord& TLinePack::CurrentLine() { return cursor_->rec; }
const TLineRecord& TLinePack::CurrentLine() const { return cursor_->rec; }

void TLinePack::SetPackName(std::string_view name) {
  name_.assign(name.substr(0, kPackNameMax));
  if (owner_) owner_->indexDirty_ = true;
}

// ---------------------------------------------------------------------------
// TLinePackLink

TLinePackLink::~TLinePackLink() { ClearMacroPacks(); }

bool TLinePackLink::AddMacroPack() {
  auto* pack = new TLinePack;
  pack->owner_ = this;
  pack->SetPackNumber(last_ ? last_->GetPackNumber() + 1 : 0);
  if (last_) {
    last_->NextPack = pack;
  } else {
    first_ = pack;
  }
  last_ = pack;
  current_ = pack;
  indexDirty_ = true;
  return true;
}

void TLinePackLink::ClearMacroPacks() {
  TLinePack* p = first_;
  while (p) {
    TLinePack* next = p->NextPack;
    delete p;
    p = next;
  }
  first_ = last_ = current_ = nullptr;
  byName_.clear();
  indexDirty_ = false;
}

bool TLinePackLink::FirstMacro() {
  if (!first_) return false;
  current_ = first_;
  return true;
}

bool TLinePackLink::NextMacro() {
  if (!current_ || !current_->NextPack) return false;
  current_ = current_->NextPack;
  return true;
}

int32_t TLinePackLink::CurrentMacroNumber() const {
  return current_ ? current_->GetPackNumber() : 0;
}

bool TLinePackLink::SeekMacroNumber(int32_t n) {
  if (!first_) return false;
  if (!current_ || n < current_->GetPackNumber()) current_ = first_;
  while (true) {
    if (current_->GetPackNumber() == n) return true;
    if (!current_->NextPack) return false;
    current_ = current_->NextPack;
  }
}

void TLinePackLink::RebuildIndex() const {
  byName_.clear();
  for (TLinePack* p = first_; p; p = p->NextPack) byName_.try_emplace(p->GetPackName(), p);
  indexDirty_ = false;
}

bool TLinePackLink::FindMacroByName(std::string_view name) {
  if (indexDirty_) RebuildIndex();
  auto it = byName_.find(name);
  if (it == byName_.end()) return false;
  current_ = it->second;
  return true;
}

}  // namespace kyvor
