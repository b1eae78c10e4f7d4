#pragma once
// The shared base form: a hidden form that owns the editor font shared by the
// editor, the source view, the listings and the revision viewer, and the
// window placement helper every child window uses.
#include <QFont>
#include <QObject>
#include <QRect>

class QWidget;

namespace kyvor {

class TKy_BASE : public QObject {
  Q_OBJECT
 public:
  // FormCreate: EditorFont := "Courier New", 11 points, bold; where that
  // family is not installed, the system's fixed-pitch font at 11 points, bold.
  explicit TKy_BASE(QObject* parent = nullptr);
  ~TKy_BASE() override;

  const QFont& EditorFont() const { return editorFont_; }
  void SetEditorFont(const QFont& f);

 signals:
  void editorFontChanged(const QFont& font);

 private:
  QFont editorFont_;
};

// The shared base form of the running program (nullptr before it is created).
TKy_BASE* Ky_BASE();

// The default editor font as described above.
QFont DefaultEditorFont();

// Keeps a window within a screen of the given size: a window larger than
// the screen is shrunk to it; a window whose left (top) edge is beyond the
// right (bottom) edge is moved back to show entirely, and one within 20
// pixels of it is moved so that 20 pixels stay on the screen. Windows off
// the left or top edge are not moved.
QRect FitRectToScreen(QRect window, int screenWidth, int screenHeight);
// The same applied to a window on its screen.
void FitToScreen(QWidget* window);

}  // namespace kyvor
