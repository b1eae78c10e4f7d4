#include "shell/mainwin/base_form.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kyvor {

namespace {
TKy_BASE* g_base = nullptr;
}

QFont QtEditorFont(const TEditorFont& font) {
  const QString family = QString::fromStdString(font.Name);
  QFont f;
  if (QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
    f = QFont(family);
  } else {
    f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  }
  f.setFixedPitch(true);
  f.setPointSize(font.Size > 0 ? font.Size : 10);
  f.setBold(font.Style & TEditorFont::Bold);
  f.setItalic(font.Style & TEditorFont::Italic);
  f.setUnderline(font.Style & TEditorFont::Underline);
  f.setStrikeOut(font.Style & TEditorFont::StrikeOut);
  return f;
}

TEditorFont EditorFontOf(const QFont& f) {
  TEditorFont e;
  e.Name = f.family().toStdString();
  e.Size = f.pointSize() > 0 ? f.pointSize() : 10;
  e.Style = static_cast<uint8_t>((f.bold() ? TEditorFont::Bold : 0) |
                                 (f.italic() ? TEditorFont::Italic : 0) |
                                 (f.underline() ? TEditorFont::Underline : 0) |
                                 (f.strikeOut() ? TEditorFont::StrikeOut : 0));
  return e;
}

QFont DefaultEditorFont() { return QtEditorFont(TEditorFont{}); }

TKy_BASE::TKy_BASE(QObject* parent) : QObject(parent) {
  setObjectName("Ky_BASE");
  g_base = this;
  Options().EditorFont = TEditorFont{};
}

TKy_BASE::~TKy_BASE() {
  if (g_base == this) g_base = nullptr;
}

QFont TKy_BASE::EditorFont() const { return QtEditorFont(Options().EditorFont); }

void TKy_BASE::SetEditorFont(const QFont& f) {
  Options().EditorFont = EditorFontOf(f);
  ApplyEditorFont();
}

void TKy_BASE::ApplyEditorFont() { emit editorFontChanged(EditorFont()); }

TKy_BASE* Ky_BASE() { return g_base; }

QRect FitRectToScreen(QRect r, int W, int H) {
  if (r.width() > W) r.setWidth(W);
  if (r.height() > H) r.setHeight(H);
  if (r.left() > W) {
    r.moveLeft(W - r.width());
  } else if (r.left() > W - 20) {
    r.moveLeft(W - 20);
  }
  if (r.top() > H) {
    r.moveTop(H - r.height());
  } else if (r.top() > H - 20) {
    r.moveTop(H - 20);
  }
  return r;
}

void FitToScreen(QWidget* w) {
  if (!w) return;
  QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  QRect g = s->geometry();
  QRect r = FitRectToScreen(w->geometry(), g.width(), g.height());
  if (r != w->geometry()) w->setGeometry(r);
}

}  // namespace kyvor
