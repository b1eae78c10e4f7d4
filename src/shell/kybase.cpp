#include "shell/kybase.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kyvor {

namespace {
TKy_BASE* g_base = nullptr;
}

QFont DefaultEditorFont() {
  QFont f;
  if (QFontDatabase::families().contains("Courier New", Qt::CaseInsensitive)) {
    f = QFont("Courier New");
  } else {
    f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  }
  f.setFixedPitch(true);
  f.setPointSize(11);
  f.setBold(true);
  return f;
}

TKy_BASE::TKy_BASE(QObject* parent) : QObject(parent), editorFont_(DefaultEditorFont()) {
  setObjectName("Ky_BASE");
  g_base = this;
}

TKy_BASE::~TKy_BASE() {
  if (g_base == this) g_base = nullptr;
}

void TKy_BASE::SetEditorFont(const QFont& f) {
  editorFont_ = f;
  emit editorFontChanged(editorFont_);
}

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
