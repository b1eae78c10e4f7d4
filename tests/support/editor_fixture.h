#pragma once
// The multi-file editor with a temporary folder and the scripted dialogs, for
// the editor's tests: files written and read back, pages of numbered lines,
// the caret, and the marks its gutter draws.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

#include "shell/editor/editor.h"
#include "shell/editor/richedit.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"

namespace kyvor::test {

class EditorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ed.resize(600, 400);
    ed.OnHideEditor = [this] { ++hidden; };
  }

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QByteArray Read(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }
  QString Lines(int n) {
    QStringList l;
    for (int i = 0; i < n; ++i) l << QStringLiteral("\tNOP ; %1").arg(i);
    return l.join('\n');
  }
  QString OpenLines(const QString& name, int n) {
    const QString path = Write(name, Lines(n).toUtf8());
    EXPECT_TRUE(ed.OpenFileInPage(path));
    return path;
  }
  TSRichEdit* Cur() { return ed.CurrentEdit(); }
  void Caret(int line, int column) {
    Cur()->GotoLine(line);
    Cur()->SetCaretColumn(column);
  }
  // True when the gutter of page n shows a mark on the band of line.
  bool GutterMarked(int n, int line) {
    if (!ed.isVisible()) ed.show();
    QCoreApplication::processEvents();
    QWidget* g = ed.PageGutter(n);
    TSRichEdit* e = ed.PageEdit(n);
    QImage img(g->size(), QImage::Format_RGB32);
    g->render(&img);
    const QRectF r = e->LineRect(line);
    const int offset = e->viewport()->mapTo(g->parentWidget(), QPoint(0, 0)).y() - g->y();
    for (int y = int(r.top()) + offset; y < int(r.bottom()) + offset; ++y)
      for (int x = 0; x < img.width(); ++x)
        if (y >= 0 && y < img.height() && img.pixelColor(x, y) != QColor(0xC0, 0xC0, 0xC0))
          return true;
    return false;
  }

  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  TKy_EDIT ed;
  int hidden = 0;
};

// Three lines of Big5 text with CR LF line ends.
inline const QByteArray kBig5Crlf =
    "; \xA4\xA4\xA4\xE5\r\n"         // "; 中文"
    "\tMOV\tA,#1\r\n"
    "\tRET ; \xB4\xFA\xB8\xD5\r\n";  // "測試"

}  // namespace kyvor::test
