#pragma once
// TSRichEdit: the text control of the editor pages and of the revision
// viewer. A plain-text edit without word wrap, so one text block is one
// line; it adds scroll notifications and line-oriented caret and scrolling
// helpers. Lines and columns are 0-based throughout.
#include <QPlainTextEdit>
#include <QStringList>
#include <functional>

namespace kyvor {

class TSRichEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  // The default limit of the text length in characters (128 KiB).
  static constexpr int kDefaultMaxLength = 0x20000;

  explicit TSRichEdit(QWidget* parent = nullptr);
  ~TSRichEdit() override;

  // Raised after the user scrolls through a scroll bar or the mouse wheel;
  // scrolling caused by caret moves or SetTopLine raises nothing. Called
  // only when assigned.
  std::function<void()> OnVScroll;
  std::function<void()> OnHScroll;

  // Key hook, run before the control's own handling; returning true
  // consumes the key. Called only when assigned.
  std::function<bool(QKeyEvent*)> OnKeyDown;
  // Files dropped on the control (local paths). When assigned, a drop that
  // carries files goes here instead of being inserted as text.
  std::function<bool(const QStringList&)> OnDropFiles;
  // Context menu request at a global screen point. When assigned it
  // replaces the control's own menu.
  std::function<void(const QPoint&)> OnContextMenu;

  int LineCount() const;            // number of lines (at least 1)
  int CaretLine() const;            // line of the selection start
  int CaretColumn() const;          // selection start minus its line's start
  int TopLine() const;              // first visible line
  int PageLines() const;            // -1 when hidden, else client height / line height
  int VisibleLines() const;         // 0 when hidden, else min(LineCount - TopLine, PageLines)
  void GotoLine(int line);          // clamped; caret to the line's first character
  void SetCaretColumn(int column);  // clamped to 0..line length on the caret line
  int SetTopLine(int line);         // clamped; scrolls so that line is on top; returns 1
  QString LineText(int line) const; // empty outside 0..LineCount-1
  int LineStart(int line) const;    // character index of a line's first character
  int TextLength() const;           // characters, a line break counting one
  // Where a line is drawn, in viewport coordinates; empty for no such line.
  QRectF LineRect(int line) const;

  // Length guard: typing and pasting never make the text longer than this.
  // Loading a text (setPlainText) is not limited.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length) { maxLength_ = length; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void insertFromMimeData(const QMimeData* source) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  int maxLength_ = kDefaultMaxLength;
};

}  // namespace kyvor
