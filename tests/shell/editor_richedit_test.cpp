// The rich edit control: line helpers, scroll notifications, length guard
// and insert/overwrite.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>

#include "shell/editor/richedit.h"
#include "support/key_events.h"

using namespace kyvor;

namespace {

QString Lines(int n, const QString& prefix = QStringLiteral("line")) {
  QStringList l;
  for (int i = 0; i < n; ++i) l << QStringLiteral("%1 %2").arg(prefix).arg(i);
  return l.join('\n');
}

using test::Key;

}  // namespace

TEST(RichEdit, GotoLineClampsToTheText) {
  TSRichEdit e;
  e.setPlainText(Lines(10));
  e.GotoLine(-5);
  EXPECT_EQ(e.CaretLine(), 0);
  EXPECT_EQ(e.CaretColumn(), 0);
  e.GotoLine(4);
  EXPECT_EQ(e.CaretLine(), 4);
  EXPECT_EQ(e.textCursor().position(), e.LineStart(4));
  e.GotoLine(10);
  EXPECT_EQ(e.CaretLine(), 9);
  e.GotoLine(1000);
  EXPECT_EQ(e.CaretLine(), 9);
  EXPECT_FALSE(e.textCursor().hasSelection());
}

TEST(RichEdit, SetCaretColumnStaysOnTheLine) {
  TSRichEdit e;
  e.setPlainText(QStringLiteral("first\n0123456789\nthird"));
  e.GotoLine(1);
  e.SetCaretColumn(100);
  EXPECT_EQ(e.CaretLine(), 1);
  EXPECT_EQ(e.CaretColumn(), 10);
  e.SetCaretColumn(-3);
  EXPECT_EQ(e.CaretColumn(), 0);
  e.SetCaretColumn(4);
  EXPECT_EQ(e.CaretColumn(), 4);
  EXPECT_EQ(e.LineText(1), QStringLiteral("0123456789"));
  EXPECT_TRUE(e.LineText(3).isEmpty());
}

TEST(RichEdit, NoWordWrapSoOneLineIsOneBlock) {
  TSRichEdit e;
  e.resize(120, 100);
  e.show();
  e.setPlainText(QString(500, QChar('x')) + QStringLiteral("\nend"));
  EXPECT_EQ(e.LineCount(), 2);
  EXPECT_EQ(e.lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST(RichEdit, HiddenControlHasNoPageLines) {
  TSRichEdit e;
  e.setPlainText(Lines(50));
  EXPECT_EQ(e.PageLines(), -1);
  EXPECT_EQ(e.VisibleLines(), 0);
}

TEST(RichEdit, VisibleLinesNearTheEndCountOnlyTheRemainingLines) {
  TSRichEdit e;
  e.resize(300, 400);
  e.show();
  e.setPlainText(Lines(50));
  const int page = e.PageLines();
  ASSERT_GT(page, 5);
  EXPECT_EQ(page, e.viewport()->height() / e.fontMetrics().height());
  EXPECT_EQ(e.TopLine(), 0);
  EXPECT_EQ(e.VisibleLines(), page);
  e.SetTopLine(1000);  // as far as the control scrolls
  const int top = e.TopLine();
  EXPECT_GT(top, 0);
  EXPECT_EQ(e.VisibleLines(), std::min(50 - top, page));
  e.SetTopLine(-4);
  EXPECT_EQ(e.TopLine(), 0);
  e.SetTopLine(7);
  EXPECT_EQ(e.TopLine(), 7);
}

TEST(RichEdit, TheLastLinesScrollToTheTop) {
  TSRichEdit e;
  e.setPlainText(Lines(50));
  e.resize(300, 300);
  e.show();
  // Room for exactly 20 lines.
  const int h = e.fontMetrics().height();
  e.resize(300, 20 * h + (e.height() - e.viewport()->height()) + h / 2);
  QApplication::processEvents();
  ASSERT_EQ(e.PageLines(), 20);
  e.SetTopLine(45);
  EXPECT_EQ(e.TopLine(), 45);
  EXPECT_EQ(e.VisibleLines(), 5);
  e.SetTopLine(49);
  EXPECT_EQ(e.TopLine(), 49);
  EXPECT_EQ(e.VisibleLines(), 1);
}

TEST(RichEdit, OnlyScrollBarUseRaisesScrollEvents) {
  TSRichEdit e;
  e.resize(200, 150);
  e.show();
  e.setPlainText(Lines(200, QString(300, QChar('w'))));
  int v = 0, h = 0;
  e.OnVScroll = [&] { ++v; };
  e.OnHScroll = [&] { ++h; };
  e.SetTopLine(20);
  e.GotoLine(150);
  e.ensureCursorVisible();
  EXPECT_EQ(v, 0);
  e.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(h, 0);
  e.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(h, 1);
  // Unassigned events are simply not raised.
  e.OnVScroll = nullptr;
  e.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v, 1);
}

TEST(RichEdit, LengthGuardStopsTypingAndTrimsPastes) {
  TSRichEdit e;
  e.setPlainText(QStringLiteral("abcd"));
  e.SetMaxLength(6);
  e.moveCursor(QTextCursor::End);
  Key(&e, Qt::Key_E, Qt::NoModifier, QStringLiteral("e"));
  Key(&e, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"));
  Key(&e, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
  Key(&e, Qt::Key_Return);
  EXPECT_EQ(e.toPlainText(), QStringLiteral("abcdef"));
  // Replacing a selection is allowed while the result fits.
  QTextCursor c = e.textCursor();
  c.setPosition(0);
  c.setPosition(2, QTextCursor::KeepAnchor);
  e.setTextCursor(c);
  QApplication::clipboard()->setText(QStringLiteral("XYZW"));
  e.paste();
  EXPECT_EQ(e.toPlainText(), QStringLiteral("XYcdef"));
  EXPECT_EQ(e.TextLength(), 6);
}

TEST(RichEdit, InsertKeyTogglesOverwrite) {
  TSRichEdit e;
  e.setPlainText(QStringLiteral("abc"));
  e.moveCursor(QTextCursor::Start);
  EXPECT_FALSE(e.overwriteMode());
  Key(&e, Qt::Key_Insert);
  EXPECT_TRUE(e.overwriteMode());
  Key(&e, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  EXPECT_EQ(e.toPlainText(), QStringLiteral("xbc"));
  Key(&e, Qt::Key_Insert);
  Key(&e, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
  EXPECT_EQ(e.toPlainText(), QStringLiteral("xybc"));
}

TEST(RichEdit, OverwriteAtTheLimitReplacesButDoesNotGrow) {
  TSRichEdit e;
  e.setPlainText(QStringLiteral("abc"));
  e.SetMaxLength(3);
  e.moveCursor(QTextCursor::Start);
  e.setOverwriteMode(true);
  Key(&e, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));
  EXPECT_EQ(e.toPlainText(), QStringLiteral("zbc"));
  e.moveCursor(QTextCursor::End);
  Key(&e, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));
  EXPECT_EQ(e.toPlainText(), QStringLiteral("zbc"));
}
