#include "shell/editor/richedit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QUrl>
#include <algorithm>

namespace kyvor {

namespace {

QStringList LocalFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files.append(url.toLocalFile());
  return files;
}

}  // namespace

TSRichEdit::TSRichEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setWordWrapMode(QTextOption::NoWrap);
  setTabChangesFocus(false);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int) {
    if (OnVScroll) OnVScroll();
  });
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, [this](int) {
    if (OnHScroll) OnHScroll();
  });
}

TSRichEdit::~TSRichEdit() = default;

int TSRichEdit::LineCount() const { return document()->blockCount(); }

int TSRichEdit::CaretLine() const {
  return document()->findBlock(textCursor().selectionStart()).blockNumber();
}

int TSRichEdit::CaretColumn() const {
  const int start = textCursor().selectionStart();
  return start - document()->findBlock(start).position();
}

int TSRichEdit::TopLine() const { return firstVisibleBlock().blockNumber(); }

int TSRichEdit::PageLines() const {
  if (!isVisible()) return -1;
  const int h = fontMetrics().height();
  return h > 0 ? viewport()->height() / h : 0;
}

int TSRichEdit::VisibleLines() const {
  const int page = PageLines();
  if (page < 0) return 0;
  return std::min(LineCount() - TopLine(), page);
}

void TSRichEdit::GotoLine(int line) {
  line = std::clamp(line, 0, LineCount() - 1);
  QTextCursor c = textCursor();
  c.setPosition(document()->findBlockByNumber(line).position());
  setTextCursor(c);
}

void TSRichEdit::SetCaretColumn(int column) {
  const QTextBlock block = document()->findBlock(textCursor().selectionStart());
  column = std::clamp(column, 0, std::max(0, block.length() - 1));
  QTextCursor c = textCursor();
  c.setPosition(block.position() + column);
  setTextCursor(c);
}

int TSRichEdit::SetTopLine(int line) {
  line = std::clamp(line, 0, LineCount() - 1);
  // Any line may go to the top, the last one too, as in a rich-edit control:
  // the scroll range grows for it until the next layout of the text.
  QScrollBar* bar = verticalScrollBar();
  if (isVisible() && line > bar->maximum()) bar->setMaximum(line);
  bar->setValue(line);
  return 1;
}

QString TSRichEdit::LineText(int line) const {
  if (line < 0 || line >= LineCount()) return QString();
  return document()->findBlockByNumber(line).text();
}

int TSRichEdit::LineStart(int line) const {
  line = std::clamp(line, 0, LineCount() - 1);
  return document()->findBlockByNumber(line).position();
}

QRectF TSRichEdit::LineRect(int line) const {
  if (line < 0 || line >= LineCount()) return QRectF();
  return blockBoundingGeometry(document()->findBlockByNumber(line)).translated(contentOffset());
}

int TSRichEdit::TextLength() const { return document()->characterCount() - 1; }

void TSRichEdit::keyPressEvent(QKeyEvent* e) {
  if (OnKeyDown && OnKeyDown(e)) return;
  const auto mods = e->modifiers() & ~(Qt::KeypadModifier);
  if (e->key() == Qt::Key_Insert && mods == Qt::NoModifier) {
    setOverwriteMode(!overwriteMode());
    e->accept();
    return;
  }
  if (!isReadOnly() && !(mods & (Qt::ControlModifier | Qt::MetaModifier))) {
    int growth = -1;
    const QTextCursor c = textCursor();
    const int selected = c.selectionEnd() - c.selectionStart();
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      growth = 1;
    } else if (!e->text().isEmpty() && e->text().at(0) >= QChar(' ')) {
      growth = e->text().size();
      if (overwriteMode() && selected == 0 && !c.atBlockEnd()) growth = 0;
    } else if (e->key() == Qt::Key_Tab && mods == Qt::NoModifier) {
      growth = 1;
    }
    if (growth > 0 && TextLength() - selected + growth > maxLength_) {
      QApplication::beep();
      e->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(e);
}

bool TSRichEdit::canInsertFromMimeData(const QMimeData* source) const {
  if (OnDropFiles && !LocalFiles(source).isEmpty()) return true;
  return QPlainTextEdit::canInsertFromMimeData(source);
}

void TSRichEdit::insertFromMimeData(const QMimeData* source) {
  if (!source || isReadOnly()) return;
  QString text = source->text();
  if (text.isEmpty()) return;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  QTextCursor c = textCursor();
  const int selected = c.selectionEnd() - c.selectionStart();
  const int room = maxLength_ - (TextLength() - selected);
  if (room <= 0) {
    QApplication::beep();
    return;
  }
  if (text.size() > room) text.truncate(room);
  c.insertText(text);
  setTextCursor(c);
  ensureCursorVisible();
}

void TSRichEdit::dragEnterEvent(QDragEnterEvent* e) {
  if (OnDropFiles && !LocalFiles(e->mimeData()).isEmpty()) {
    e->acceptProposedAction();
    return;
  }
  QPlainTextEdit::dragEnterEvent(e);
}

void TSRichEdit::dragMoveEvent(QDragMoveEvent* e) {
  if (OnDropFiles && !LocalFiles(e->mimeData()).isEmpty()) {
    e->acceptProposedAction();
    return;
  }
  QPlainTextEdit::dragMoveEvent(e);
}

void TSRichEdit::dropEvent(QDropEvent* e) {
  const QStringList files = LocalFiles(e->mimeData());
  if (OnDropFiles && !files.isEmpty()) {
    if (OnDropFiles(files))
      e->acceptProposedAction();
    else
      e->ignore();
    return;
  }
  QPlainTextEdit::dropEvent(e);
}

void TSRichEdit::contextMenuEvent(QContextMenuEvent* e) {
  if (OnContextMenu) {
    OnContextMenu(e->globalPos());
    e->accept();
    return;
  }
  QPlainTextEdit::contextMenuEvent(e);
}

void TSRichEdit::wheelEvent(QWheelEvent* e) {
  const int top = verticalScrollBar()->value();
  const int left = horizontalScrollBar()->value();
  QPlainTextEdit::wheelEvent(e);
  if (verticalScrollBar()->value() != top && OnVScroll) OnVScroll();
  if (horizontalScrollBar()->value() != left && OnHScroll) OnHScroll();
}

}  // namespace kyvor
