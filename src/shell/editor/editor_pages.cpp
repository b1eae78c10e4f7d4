// The editor window's pages: their creation, activation and removal, the
// bookmarks, the editing events and status panels, find and replace, the
// context menus and the form's events. The file commands are in
// editor_file_commands.cpp.
#include "shell/editor/editor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBlock>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "base/dialogs.h"
#include "shell/editor/editor_page.h"
#include "shell/editor/editor_texts.h"
#include "shell/editor/find_dialogs.h"
#include "shell/editor/replace_dialog.h"
#include "shell/editor/richedit.h"
#include "shell/editor/source_file_text.h"

namespace kyvor {

namespace {

bool IsBlank(QChar c) { return c == QChar(' ') || c == QChar('\t'); }

int LeadingBlanks(const QString& s) {
  int i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

bool HasNonBlank(const QString& s) { return LeadingBlanks(s) < s.size(); }

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QChar('_'); }

// Replace and search state switches, undone when the scope ends.
class BusyScope {
 public:
  BusyScope(QWidget* form, QWidget* text) : form_(form), text_(text) {
    form_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    text_->setUpdatesEnabled(false);
  }
  ~BusyScope() {
    if (form_) form_->setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (text_) {
      text_->setUpdatesEnabled(true);
      text_->update();
    }
  }

 private:
  QPointer<QWidget> form_;
  QPointer<QWidget> text_;
};

}  // namespace

// The bookmark gutter: silver, with the digit of each bookmark of its page
// drawn in blue beside the bookmarked line.
class EdGutter : public QWidget {
 public:
  using Marks = std::function<std::vector<std::pair<int, int>>()>;
  EdGutter(TSRichEdit* edit, Marks marks, QWidget* parent)
      : QWidget(parent), edit_(edit), marks_(std::move(marks)) {
    setFixedWidth(18);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
    p.setPen(QColor(0, 0, 0xFF));
    p.setFont(font());
    const int offset = edit_->viewport()->mapTo(parentWidget(), QPoint(0, 0)).y() - y();
    for (const auto& [line, digit] : marks_()) {
      const QRectF r = edit_->LineRect(line);
      if (r.isNull()) continue;
      const QRectF box(0, r.top() + offset, width(), r.height());
      if (box.bottom() < 0 || box.top() > height()) continue;
      p.drawText(box, Qt::AlignCenter, QString::number(digit));
    }
  }

 private:
  TSRichEdit* edit_;
  Marks marks_;
};

int BookmarkDigit(const QKeyEvent* e) {
  const int key = e->key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key - Qt::Key_0;
  static const int shifted[10] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                  Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                  Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                  Qt::Key_ParenLeft};
  for (int d = 0; d < 10; ++d)
    if (key == shifted[d]) return d;
  return -1;
}

// ---------------------------------------------------------------- creation

TKy_EDIT::TKy_EDIT(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Ky_EDIT"));
  setWindowTitle(QStringLiteral("編輯視窗"));
  editorFont_ = QFont(QStringLiteral("Courier New"), 11, QFont::Bold);
  editorFont_.setStyleHint(QFont::TypeWriter);
  setAcceptDrops(true);

  tabSet_ = new QTabBar(this);
  tabSet_->setObjectName(QStringLiteral("TabSet"));
  tabSet_->setExpanding(false);
  tabSet_->setDocumentMode(true);
  stack_ = new QStackedWidget(this);
  stBar_ = new QStatusBar(this);
  stBar_->setObjectName(QStringLiteral("StBar"));
  stBar_->setSizeGripEnabled(false);
  for (int i = 0; i < 4; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setFrameShape(QFrame::Panel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
  }
  panels_[0]->setFixedWidth(80);
  stBar_->addWidget(panels_[0], 0);
  stBar_->addWidget(panels_[1], 1);
  stBar_->addWidget(panels_[2], 1);
  stBar_->addWidget(panels_[3], 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tabSet_);
  layout->addWidget(stack_, 1);
  layout->addWidget(stBar_);

  connect(tabSet_, &QTabBar::currentChanged, this, [this](int index) {
    if (index >= 0 && index + 1 != currentPage_) ActivatePage(index + 1);
  });
  buildMenus();
  Ky_Lang().AddCaptionTarget(this);
}

TKy_EDIT::~TKy_EDIT() {
  Ky_Lang().RemoveCaptionTarget(this);
  // The pages' widgets are children and go with the form; they must not
  // call back into it while it is taken down.
  for (int n = 1; n <= pageCount_; ++n) detachPage(pages_[n].get());
  for (auto& p : pages_) p.reset();
  pageCount_ = currentPage_ = 0;
}

void TKy_EDIT::detachPage(Page* p) {
  if (!p) return;
  p->edit->disconnect(this);
  p->edit->document()->disconnect(this);
}

TKy_EDIT::Page* TKy_EDIT::page(int n) const {
  if (n < 1 || n > pageCount_) return nullptr;
  return pages_[n].get();
}

TSRichEdit* TKy_EDIT::PageEdit(int n) const {
  Page* p = page(n);
  return p ? p->edit : nullptr;
}

TSRichEdit* TKy_EDIT::CurrentEdit() const { return PageEdit(currentPage_); }

QWidget* TKy_EDIT::PageGutter(int n) const {
  Page* p = page(n);
  return p ? p->gutter : nullptr;
}

TEditorPageRecord TKy_EDIT::PageRecord(int n) const {
  Page* p = page(n);
  return p ? p->rec : TEditorPageRecord{};
}

QString TKy_EDIT::PanelText(int panel) const {
  if (panel < 0 || panel > 3) return QString();
  return panels_[panel]->text();
}

QString TKy_EDIT::fileNamePart(const QString& path) const { return QFileInfo(path).fileName(); }

// ------------------------------------------------------------------- pages

int TKy_EDIT::CreateEditorPage() {
  if (pageCount_ >= kMaxPages) return 0;
  auto p = std::make_unique<Page>();
  p->container = new QWidget(stack_);
  auto* row = new QHBoxLayout(p->container);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  TSRichEdit* edit = new TSRichEdit(p->container);
  p->edit = edit;
  edit->setFont(editorFont_);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit->SetMaxLength(kMaxLength);
  edit->document()->setModified(false);
  p->gutter = new EdGutter(
      edit,
      [this, edit] {
        std::vector<std::pair<int, int>> marks;
        int slot = 0;
        for (int n = 1; n <= pageCount_; ++n)
          if (pages_[n] && pages_[n]->edit == edit) slot = n;
        for (int b = 0; b < kBookmarks; ++b)
          if (bookmarks_[b].IsSet && bookmarks_[b].Page == slot && slot != 0)
            marks.emplace_back(bookmarks_[b].Line, b);
        return marks;
      },
      p->container);
  p->gutter->setFont(editorFont_);
  row->addWidget(p->gutter);
  row->addWidget(edit, 1);
  stack_->addWidget(p->container);

  auto pageOf = [this](TSRichEdit* e) -> Page* {
    for (int n = 1; n <= pageCount_; ++n)
      if (pages_[n] && pages_[n]->edit == e) return pages_[n].get();
    return nullptr;
  };
  auto isCurrent = [this](TSRichEdit* e) { return CurrentEdit() == e; };
  connect(edit, &QPlainTextEdit::cursorPositionChanged, this, [this, edit, isCurrent] {
    if (isCurrent(edit)) editorSelectionChange();
  });
  connect(edit, &QPlainTextEdit::textChanged, this, [this, edit, isCurrent] {
    if (isCurrent(edit)) editorChange();
  });
  connect(edit, &QPlainTextEdit::modificationChanged, this, [this, edit, isCurrent](bool) {
    if (isCurrent(edit)) showModifiedPanel();
  });
  connect(edit->document(), &QTextDocument::contentsChange, this,
          [this, edit, pageOf](int position, int removed, int added) {
            if (Page* pg = pageOf(edit)) onContentsChange(pg, position, removed, added);
          });
  EdGutter* gutter = p->gutter;
  connect(edit, &QPlainTextEdit::updateRequest, gutter,
          [gutter](const QRect&, int) { gutter->update(); });
  edit->OnKeyDown = [this, edit, isCurrent](QKeyEvent* e) {
    return isCurrent(edit) ? editorKeyDown(e) : false;
  };
  edit->OnContextMenu = [this](const QPoint& at) {
    PreparePopupMenu();
    pMenu_->popup(at);
  };
  edit->OnDropFiles = [this](const QStringList& files) {
    if (!OnOpenFile) return false;
    bool any = false;
    for (const QString& f : files) any = OnOpenFile(f) || any;
    return any;
  };

  ++pageCount_;
  pages_[pageCount_] = std::move(p);
  return pageCount_;
}

void TKy_EDIT::RemovePageControls(int n) {
  if (n < 1 || n > pageCount_) return;
  if (tabSet_->count() == pageCount_) {  // a page being opened has no tab yet
    const QSignalBlocker block(tabSet_);
    tabSet_->removeTab(n - 1);
  }
  std::unique_ptr<Page> gone = std::move(pages_[n]);
  detachPage(gone.get());
  stack_->removeWidget(gone->container);
  gone->container->hide();
  // Deleted later: this may run from inside one of the page's own events.
  gone->container->deleteLater();
  for (int i = n; i < pageCount_; ++i) pages_[i] = std::move(pages_[i + 1]);
  pages_[pageCount_].reset();
  --pageCount_;
  if (currentPage_ > n) --currentPage_;
  DropPageBookmarks(n);
}

void TKy_EDIT::hideEditor() {
  if (OnHideEditor) {
    OnHideEditor();
    return;
  }
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
    sub->hide();
  else
    hide();
}

bool TKy_EDIT::ActivatePage(int n) {
  Page* p = page(n);
  if (!p) return false;
  lastCaretLine_ = lastCaretColumn_ = lastLineCount_ = -1;
  currentPage_ = n;
  stack_->setCurrentWidget(p->container);
  p->gutter->show();
  p->edit->show();
  if (isVisible()) p->edit->setFocus();
  {
    const QSignalBlocker block(tabSet_);
    tabSet_->setCurrentIndex(n - 1);
  }
  p->gutter->update();
  editorSelectionChange();
  showModifiedPanel();
  showInsertPanel();
  showSizePanel();
  return true;
}

int TKy_EDIT::FindPageByPath(const QString& path) const {
  for (int n = 1; n <= pageCount_; ++n)
    if (pages_[n]->rec.Path.compare(path, Qt::CaseInsensitive) == 0) return n;
  return 0;
}

bool TKy_EDIT::ActivatePageByPath(const QString& path) {
  const int n = FindPageByPath(path);
  return n ? ActivatePage(n) : false;
}

QString TKy_EDIT::PagePath(int n) const {
  Page* p = page(n);
  return p ? p->rec.Path : QString();
}

QString TKy_EDIT::CurrentPagePath() const { return PagePath(currentPage_); }

bool TKy_EDIT::IsPageModified(int n) const {
  Page* p = page(n);
  return p && p->edit->document()->isModified();
}

bool TKy_EDIT::IsCurrentPageModified() const { return IsPageModified(currentPage_); }

void TKy_EDIT::GotoLineCentered(int n, int line) {
  Page* p = page(n);
  if (!p) return;
  p->edit->GotoLine(line);
  p->edit->SetCaretColumn(0);
  p->edit->SetTopLine(std::max(0, line - p->edit->VisibleLines() / 2));
}

void TKy_EDIT::SelectLine(int line) {
  TSRichEdit* e = CurrentEdit();
  if (!e) return;
  line = std::clamp(line, 0, e->LineCount() - 1);
  const int start = e->LineStart(line);
  const int end = line + 1 < e->LineCount() ? e->LineStart(line + 1) : e->TextLength();
  QTextCursor c = e->textCursor();
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  e->setTextCursor(c);
  selectLinePending_ = true;
}

void TKy_EDIT::SetEditorFont(const QFont& font) {
  editorFont_ = font;
  ApplyEditorFont();
}

void TKy_EDIT::ApplyEditorFont() {
  for (int n = 1; n <= pageCount_; ++n) pages_[n]->edit->setFont(editorFont_);
}

// ------------------------------------------------------- clipboard commands

void TKy_EDIT::CutSelection() {
  if (TSRichEdit* e = CurrentEdit()) {
    e->cut();
    showModifiedPanel();
  }
}

void TKy_EDIT::CopySelection() {
  if (TSRichEdit* e = CurrentEdit()) e->copy();
}

void TKy_EDIT::PasteClipboard() {
  if (TSRichEdit* e = CurrentEdit()) {
    if (e->TextLength() <= kMaxLength) e->paste();
    showModifiedPanel();
  }
}

void TKy_EDIT::SelectAllText() {
  if (TSRichEdit* e = CurrentEdit()) e->selectAll();
}

void TKy_EDIT::UndoEdit() {
  if (TSRichEdit* e = CurrentEdit()) {
    e->undo();
    showModifiedPanel();
  }
}

// ---------------------------------------------------------------- bookmarks

void TKy_EDIT::updateGutter(int n) {
  if (Page* p = page(n)) p->gutter->update();
}

void TKy_EDIT::SetBookmark(int b, int pageNo, int line) {
  if (b < 0 || b >= kBookmarks) return;
  TEditorBookmark& bm = bookmarks_[b];
  if (bm.IsSet) {
    const bool same = bm.Page == pageNo && bm.Line == line;
    ClearBookmark(b);
    if (same) return;
  }
  bm.IsSet = 1;
  bm.Page = pageNo;
  bm.Line = line;
  updateGutter(pageNo);
}

void TKy_EDIT::ClearBookmark(int b) {
  if (b < 0 || b >= kBookmarks) return;
  TEditorBookmark& bm = bookmarks_[b];
  if (!bm.IsSet) return;
  bm.IsSet = 0;
  updateGutter(bm.Page);
}

void TKy_EDIT::GotoBookmark(int b) {
  if (b < 0 || b >= kBookmarks) return;
  const TEditorBookmark& bm = bookmarks_[b];
  if (!bm.IsSet || bm.Page < 1 || bm.Page > pageCount_) return;
  const int line = bm.Line;
  ActivatePage(bm.Page);
  TSRichEdit* e = CurrentEdit();
  e->GotoLine(line);
  e->SetCaretColumn(0);
}

void TKy_EDIT::DropPageBookmarks(int n) {
  for (auto& bm : bookmarks_) {
    if (!bm.IsSet) continue;
    if (bm.Page == n)
      bm.IsSet = 0;
    else if (bm.Page > n)
      --bm.Page;
  }
}

bool TKy_EDIT::GetBookmark(int b, int& line, QString& path) const {
  if (b < 0 || b >= kBookmarks || !bookmarks_[b].IsSet) return false;
  line = bookmarks_[b].Line;
  path = PagePath(bookmarks_[b].Page);
  return true;
}

bool TKy_EDIT::IsBookmarkSet(int b) const {
  return b >= 0 && b < kBookmarks && bookmarks_[b].IsSet;
}

TEditorBookmark TKy_EDIT::Bookmark(int b) const {
  return (b >= 0 && b < kBookmarks) ? bookmarks_[b] : TEditorBookmark{};
}

// Keeps the bookmarks of a page on their lines while the text changes.
void TKy_EDIT::onContentsChange(Page* p, int position, int, int added) {
  if (!p->tracking) return;
  QTextDocument* doc = p->edit->document();
  const int oldCount = p->lineCount;
  const int newCount = doc->blockCount();
  p->lineCount = newCount;
  const int last = std::max(0, doc->characterCount() - 1);
  position = std::clamp(position, 0, last);
  const QTextBlock startBlock = doc->findBlock(position);
  const int startLine = startBlock.blockNumber();
  const int startColumn = position - startBlock.position();
  const int addedLines =
      doc->findBlock(std::clamp(position + added, 0, last)).blockNumber() - startLine;
  const int removedLines = addedLines - (newCount - oldCount);
  if (addedLines == 0 && removedLines == 0) return;
  int slot = 0;
  for (int n = 1; n <= pageCount_; ++n)
    if (pages_[n].get() == p) slot = n;
  if (!slot) return;
  bool moved = false;
  for (auto& bm : bookmarks_) {
    if (!bm.IsSet || bm.Page != slot) continue;
    int line = bm.Line;
    if (line < startLine) continue;
    if (line == startLine) {
      // Lines put in front of the line's first character push it down.
      if (removedLines == 0 && startColumn == 0) line += addedLines;
    } else if (line > startLine + removedLines) {
      line += addedLines - removedLines;
    } else {
      // The line was taken out (or joined): the bookmark stays in the changed range.
      line = std::min(line, startLine + addedLines);
    }
    if (line != bm.Line) {
      bm.Line = line;
      moved = true;
    }
  }
  if (moved) p->gutter->update();
}

// ----------------------------------------------------------- editing events

void TKy_EDIT::editorSelectionChange() {
  Page* p = page(currentPage_);
  if (!p) return;
  if (p->rec.FindHighlightLength != 0) clearFindHighlight(p);
  TSRichEdit* e = p->edit;
  const int line = e->CaretLine();
  const int column = e->CaretColumn();
  panels_[0]->setText(QStringLiteral("%1: %2").arg(line + 1).arg(column + 1));
  lastCaretLine_ = line;
  lastCaretColumn_ = column;
  lastLineCount_ = e->LineCount();
  p->gutter->update();
  if (OnSelectionFollowed) OnSelectionFollowed();
}

void TKy_EDIT::clearFindHighlight(Page* p) {
  p->rec.FindHighlightLength = 0;
  p->edit->setExtraSelections({});
}

void TKy_EDIT::guardLength() {
  TSRichEdit* e = CurrentEdit();
  if (e && e->TextLength() > kMaxLength) e->SetMaxLength(e->TextLength());
}

void TKy_EDIT::editorChange() {
  guardLength();
  if (indentPending_ && !inIndent_) applyIndent();
  showModifiedPanel();
  showSizePanel();
}

void TKy_EDIT::applyIndent() {
  indentPending_ = false;
  TSRichEdit* e = CurrentEdit();
  if (!e) return;
  const int line = e->CaretLine();
  if (line < 1) return;
  const QString above = e->LineText(line - 1);
  if (!HasNonBlank(above)) return;  // a line of blanks only gives no indent
  const QString indent = above.left(LeadingBlanks(above));
  const QString current = e->LineText(line);
  // Only right after a line break: the caret stands in the line's indent.
  if (e->CaretColumn() > LeadingBlanks(current)) return;
  QTextCursor c = e->textCursor();
  if (HasNonBlank(current)) {
    const int start = e->LineStart(line);
    c.setPosition(start);
    c.setPosition(start + LeadingBlanks(current), QTextCursor::KeepAnchor);
  } else {
    c.clearSelection();
  }
  if (indent.isEmpty() && !c.hasSelection()) return;
  inIndent_ = true;
  c.joinPreviousEditBlock();
  c.insertText(indent);
  c.endEditBlock();
  e->setTextCursor(c);
  inIndent_ = false;
}

bool TKy_EDIT::editorKeyDown(QKeyEvent* e) {
  guardLength();
  indentPending_ = false;
  Page* p = page(currentPage_);
  if (!p) return false;
  const auto mods = e->modifiers() &
                    (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (e->key() == Qt::Key_Insert && mods == Qt::NoModifier) {
    p->rec.Overwrite = p->rec.Overwrite ? 0 : 1;
    showInsertPanel();
    return false;  // the control switches its own mode
  }
  const int digit = BookmarkDigit(e);
  if (digit >= 0 && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
    SetBookmark(digit, currentPage_, p->edit->CaretLine());
    return true;
  }
  if (digit >= 0 && mods == Qt::ControlModifier && e->key() >= Qt::Key_0 && e->key() <= Qt::Key_9) {
    GotoBookmark(digit);
    return true;
  }
  if (e->key() == Qt::Key_F4 && mods == Qt::ControlModifier) {
    pMenuClose_->trigger();
    return true;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) indentPending_ = true;
  return false;
}

// ------------------------------------------------------------ status panels

void TKy_EDIT::showModifiedPanel() {
  panels_[1]->setText(IsCurrentPageModified() ? QStringLiteral("Modified") : QString());
}

void TKy_EDIT::showInsertPanel() {
  Page* p = page(currentPage_);
  if (!p) {
    panels_[2]->clear();
    return;
  }
  panels_[2]->setText(p->rec.Overwrite ? QStringLiteral("Overwrite") : QStringLiteral("Insert"));
}

void TKy_EDIT::showSizePanel() {
  Page* p = page(currentPage_);
  if (!p) {
    panels_[3]->clear();
    return;
  }
  // The bytes of the file as the text would be saved (a Big5 character and
  // a CR LF line end take two each); pasting stops at the text's length in
  // characters, and so does the note.
  QString text =
      QStringLiteral("file of size = %1 byte").arg(EncodedSize(PageText(p->edit), p->file));
  if (p->edit->TextLength() > kMaxLength) text += QStringLiteral(", Clipboard not function");
  panels_[3]->setText(text);
}

void TKy_EDIT::showPanels() {
  if (!page(currentPage_)) {
    for (QLabel* l : panels_) l->clear();
    return;
  }
  editorSelectionChange();
  showModifiedPanel();
  showInsertPanel();
  showSizePanel();
}

// --------------------------------------------------------- find and replace

void TKy_EDIT::SetFindDialog(TKy_NFind* dialog) { findDlg_ = dialog; }

TKy_NFind* TKy_EDIT::FindDialog() const { return findDlg_ ? findDlg_.data() : &Ky_NFind(); }

void TKy_EDIT::ShowFindDialog() {
  if (!page(currentPage_)) return;
  if (FindDialog()->ExecuteFindOver(*this)) FindNext();
}

bool TKy_EDIT::FindNext() { return FindNext(FindDialog()->FindText()); }

bool TKy_EDIT::findIn(Page* p, const QString& text, int from, bool forward, bool matchCase,
                      bool wholeWord, bool highlight) {
  if (text.isEmpty()) return false;
  const QString all = p->edit->document()->toPlainText();
  const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  int at = -1;
  int pos = from;
  while (true) {
    if (forward) {
      at = pos > all.size() ? -1 : all.indexOf(text, pos, cs);
    } else {
      at = pos < 0 ? -1 : all.lastIndexOf(text, pos, cs);
    }
    if (at < 0) break;
    if (!wholeWord) break;
    const bool startOk = at == 0 || !IsWordChar(all[at - 1]);
    const int end = at + text.size();
    const bool endOk = end >= all.size() || !IsWordChar(all[end]);
    if (startOk && endOk) break;
    pos = forward ? at + 1 : at - 1;
  }
  if (at < 0) {
    QApplication::beep();
    return false;
  }
  QTextCursor c = p->edit->textCursor();
  if (highlight) {
    // Caret right after the match, nothing selected; the match is shown
    // blue and underlined until the next selection change. Neither the
    // modified flag nor the undo history is touched.
    c.setPosition(at + text.size());
    p->edit->setTextCursor(c);
    QTextEdit::ExtraSelection sel;
    sel.cursor = QTextCursor(p->edit->document());
    sel.cursor.setPosition(at);
    sel.cursor.setPosition(at + text.size(), QTextCursor::KeepAnchor);
    sel.format.setForeground(QColor(0, 0, 0xFF));
    sel.format.setFontUnderline(true);
    p->edit->setExtraSelections({sel});
    p->rec.FindHighlightStart = at;
    p->rec.FindHighlightLength = text.size();
  } else {
    c.setPosition(at);
    c.setPosition(at + text.size(), QTextCursor::KeepAnchor);
    p->edit->setTextCursor(c);
  }
  p->edit->ensureCursorVisible();
  return true;
}

bool TKy_EDIT::FindNext(const QString& text) {
  Page* p = page(currentPage_);
  if (!p || text.isEmpty()) return false;
  return findIn(p, text, p->edit->textCursor().selectionEnd(), true, false, false, true);
}

bool TKy_EDIT::FindPrevious(const QString& text) {
  Page* p = page(currentPage_);
  if (!p || text.isEmpty()) return false;
  // Before the highlighted match when there is one, else before the selection.
  const int start = p->rec.FindHighlightLength ? p->rec.FindHighlightStart
                                               : p->edit->textCursor().selectionStart();
  return findIn(p, text, start - 1, false, false, false, true);
}

void TKy_EDIT::ShowReplaceDialog() {
  Page* p = page(currentPage_);
  if (!p) return;
  if (!repDlg_) {
    repDlg_ = new TEdReplaceDialog(this);
    repDlg_->setWindowFlag(Qt::Tool, true);
    repDlg_->OnFind = [this] {
      ReplaceFind(repDlg_->FindText(), repDlg_->MatchCase(), repDlg_->WholeWord());
    };
    repDlg_->OnReplace = [this](bool all) {
      ReplaceText(repDlg_->FindText(), repDlg_->ReplaceText(), repDlg_->MatchCase(),
                  repDlg_->WholeWord(), all);
    };
  }
  const QString selected = p->edit->textCursor().selectedText();
  if (selected.size() >= 1 && selected.size() <= 29) repDlg_->SetFindText(selected);
  repDlg_->show();
  repDlg_->raise();
  repDlg_->activateWindow();
}

bool TKy_EDIT::ReplaceFind(const QString& text, bool matchCase, bool wholeWord) {
  Page* p = page(currentPage_);
  if (!p || text.isEmpty()) return false;
  const bool found =
      findIn(p, text, p->edit->textCursor().selectionEnd(), true, matchCase, wholeWord, false);
  FindDialog()->SetFindText(text);
  if (repDlg_) repDlg_->SetFindText(text);
  return found;
}

int TKy_EDIT::ReplaceText(const QString& findText, const QString& replaceText, bool matchCase,
                          bool wholeWord, bool replaceAll) {
  Page* p = page(currentPage_);
  if (!p || findText.isEmpty()) return 0;
  QPointer<TSRichEdit> e = p->edit;
  int count = 0;
  BusyScope busy(this, e);
  const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  while (true) {
    // A selection that already is a match (by the dialog's case option) is
    // replaced; anything else first looks for the next match.
    if (e->textCursor().selectedText().compare(findText, cs) != 0)
      ReplaceFind(findText, matchCase, wholeWord);
    QTextCursor c = e->textCursor();
    if (!c.hasSelection() || c.selectedText().compare(findText, cs) != 0) break;
    c.insertText(replaceText);
    e->setTextCursor(c);
    ++count;
    if (!replaceAll) break;
    QCoreApplication::processEvents();
    if (QCoreApplication::closingDown() || !e || CurrentEdit() != e) break;
  }
  return count;
}

// ------------------------------------------------------- context and pages

QString TKy_EDIT::WordAtColumn(const QString& line, int column) {
  if (column < 0 || column >= line.size() || IsBlank(line[column])) return QString();
  int s = column;
  while (s > 0 && !IsBlank(line[s - 1])) --s;
  int e = column;
  while (e < line.size() && !IsBlank(line[e])) ++e;
  return line.mid(s, e - s);
}

void TKy_EDIT::buildMenus() {
  pMenu_ = new QMenu(this);
  pMenu_->setObjectName(QStringLiteral("PMenu"));
  pMenuMark_ = pMenu_->addSeparator();
  pMenuMark_->setObjectName(QStringLiteral("PMenu_Mark"));
  pMenuOpen_ = pMenu_->addAction(QString());
  pMenuOpen_->setObjectName(QStringLiteral("PMenu_Open"));
  connect(pMenuOpen_, &QAction::triggered, this, [this] {
    const QString path = pMenuOpen_->data().toString();
    if (OnOpenFile && !path.isEmpty()) OnOpenFile(path);
  });
  prevStBM_ = pMenu_->addMenu(QStringLiteral("設定書籤"));
  prevStBM_->setObjectName(QStringLiteral("PrevStBM"));
  prevGoBM_ = pMenu_->addMenu(QStringLiteral("移至書籤"));
  prevGoBM_->setObjectName(QStringLiteral("PrevGoBM"));
  for (int b = 0; b < kBookmarks; ++b) {
    stBM_[b] = prevStBM_->addAction(QStringLiteral("設定書籤-%1    Ctrl-Shift-%1").arg(b));
    stBM_[b]->setObjectName(QStringLiteral("StBM%1").arg(b));
    stBM_[b]->setCheckable(true);
    connect(stBM_[b], &QAction::triggered, this, [this, b] {
      if (TSRichEdit* e = CurrentEdit()) SetBookmark(b, currentPage_, e->CaretLine());
    });
    goBM_[b] = prevGoBM_->addAction(QStringLiteral("移至書籤-%1    Ctrl-%1").arg(b));
    goBM_[b]->setObjectName(QStringLiteral("GoBM%1").arg(b));
    goBM_[b]->setCheckable(true);
    connect(goBM_[b], &QAction::triggered, this, [this, b] { GotoBookmark(b); });
  }
  auto checkSet = [this] {
    for (int b = 0; b < kBookmarks; ++b) {
      stBM_[b]->setChecked(IsBookmarkSet(b));
      goBM_[b]->setChecked(IsBookmarkSet(b));
    }
  };
  connect(prevStBM_, &QMenu::aboutToShow, this, checkSet);
  connect(prevGoBM_, &QMenu::aboutToShow, this, checkSet);
  pMenu_->addSeparator();
  pMenuClose_ = pMenu_->addAction(QStringLiteral("關閉檔案"));
  pMenuClose_->setObjectName(QStringLiteral("PMenu_Close"));
  pMenuClose_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
  connect(pMenuClose_, &QAction::triggered, this, [this] {
    if (currentPage_ >= 1 && OnPageCommand) OnPageCommand(this, 1, CurrentPagePath());
  });
  pMenuMainFile_ = pMenu_->addAction(QStringLiteral("設定主檔"));
  pMenuMainFile_->setObjectName(QStringLiteral("PMenu_MainFile"));
  connect(pMenuMainFile_, &QAction::triggered, this, [this] {
    if (currentPage_ >= 1 && OnPageCommand) OnPageCommand(this, 2, CurrentPagePath());
  });
  pMenuPage_ = new QMenu(this);
  pMenuPage_->setObjectName(QStringLiteral("PMenuPage"));
}

void TKy_EDIT::fillPageItems(QMenu* menu, QAction* before) {
  std::vector<std::pair<QString, QString>> items;  // caption, path
  for (int n = 1; n <= pageCount_; ++n)
    items.emplace_back(EdText(lt::FilePrefix) + fileNamePart(pages_[n]->rec.Path),
                       pages_[n]->rec.Path);
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
  });
  for (const auto& [caption, path] : items) {
    auto* action = new QAction(caption, menu);
    action->setData(path);
    connect(action, &QAction::triggered, this, [this, action] { PageMenuItemClick(action); });
    menu->insertAction(before, action);
  }
}

void TKy_EDIT::PreparePopupMenu() {
  // 1-2: "Open <file>" for the word under the caret when such a file exists.
  QString word;
  if (TSRichEdit* e = CurrentEdit())
    word = WordAtColumn(e->LineText(lastCaretLine_), lastCaretColumn_);
  pMenuOpen_->setVisible(false);
  if (!word.isEmpty()) {
    QString path = word;
    if (!word.contains(QChar('/')) && !word.contains(QChar('\\')) && !mainFileName_.isEmpty())
      path = QFileInfo(mainFileName_).absolutePath() + QChar('/') + word;
    QFileInfo info(path);
    if (!info.isFile()) {
      // Names are written in any case; look for the file ignoring case.
      const QDir dir = info.absoluteDir();
      const QStringList hits =
          dir.entryList(QDir::Files)
              .filter(QRegularExpression(QStringLiteral("^") +
                                             QRegularExpression::escape(info.fileName()) +
                                             QStringLiteral("$"),
                                         QRegularExpression::CaseInsensitiveOption));
      if (!hits.isEmpty()) path = dir.filePath(hits.first()), info = QFileInfo(path);
    }
    if (info.isFile()) {
      pMenuOpen_->setText(EdText(lt::OpenPrefix) + path);
      pMenuOpen_->setData(path);
      pMenuOpen_->setVisible(true);
    }
  }
  // 3: page items above PMenu_Mark.
  const QList<QAction*> actions = pMenu_->actions();
  for (QAction* a : actions) {
    if (a == pMenuMark_) break;
    pMenu_->removeAction(a);
    a->deleteLater();
  }
  fillPageItems(pMenu_, pMenuMark_);
  pMenuClose_->setEnabled(currentPage_ >= 1);
  pMenuMainFile_->setEnabled(currentPage_ >= 1);
}

void TKy_EDIT::PopupPageMenu(int x, int y) {
  for (QAction* a : pMenuPage_->actions()) {
    pMenuPage_->removeAction(a);
    a->deleteLater();
  }
  fillPageItems(pMenuPage_, nullptr);
  pMenuPage_->popup(QPoint(x, y));
}

void TKy_EDIT::PageMenuItemClick(QAction* item) {
  if (!item) return;
  const QString path = item->data().toString();
  if (!path.isEmpty() && ActivatePageByPath(path)) return;
  // By caption: the file name part after the prefix.
  QString name = item->text();
  name.remove(QChar('&'));
  name = name.mid(EdText(lt::FilePrefix).size());
  for (int n = 1; n <= pageCount_; ++n) {
    if (fileNamePart(pages_[n]->rec.Path).compare(name, Qt::CaseInsensitive) == 0) {
      ActivatePage(n);
      return;
    }
  }
}

void TKy_EDIT::ApplyLanguage() {
  setWindowTitle(EdText(lt::PopupEdit));
  const QString set = EdText(lt::PopupSetBookmark);
  const QString go = EdText(lt::PopupGotoBookmark);
  prevStBM_->setTitle(set);
  prevGoBM_->setTitle(go);
  for (int b = 0; b < kBookmarks; ++b) {
    stBM_[b]->setText(QStringLiteral("%1-%2    Ctrl-Shift-%2").arg(set).arg(b));
    goBM_[b]->setText(QStringLiteral("%1-%2    Ctrl-%2").arg(go).arg(b));
  }
  pMenuClose_->setText(EdText(lt::PopupCloseFile));
  pMenuMainFile_->setText(EdText(lt::PopupSetMainFile));
}

// --------------------------------------------------------------- the form

void TKy_EDIT::FormActivate() {
  if (ProgramMemoryUsage) {
    const auto [romWords, assembled] = ProgramMemoryUsage();
    if (romWords < assembled)
      panels_[2]->setText(
          QStringLiteral("Program Memory Over Spec.!!!!! Total Code Line is %1").arg(assembled));
    else
      panels_[2]->clear();
  } else {
    panels_[2]->clear();
  }
  if (selectLinePending_) {
    selectLinePending_ = false;
    if (TSRichEdit* e = CurrentEdit()) {
      QTextCursor c = e->textCursor();
      c.setPosition(c.selectionStart());
      e->setTextCursor(c);
    }
  }
}

void TKy_EDIT::closeEvent(QCloseEvent* e) {
  e->ignore();
  hideEditor();
}

void TKy_EDIT::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
    if (sub->property("kyEditHooked").isNull()) {
      sub->setProperty("kyEditHooked", true);
      connect(sub, &QMdiSubWindow::windowStateChanged, this,
              [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (!(before & Qt::WindowActive) && (now & Qt::WindowActive)) FormActivate();
              });
    }
  }
  if (TSRichEdit* ed = CurrentEdit()) ed->setFocus();
}

void TKy_EDIT::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (TSRichEdit* ed = CurrentEdit()) ed->viewport()->update();
}

}  // namespace kyvor
