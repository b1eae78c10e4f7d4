#pragma once
// The shared base form: a hidden form that hands out the editor font shared
// by the editor, the source view, the listings and the revision viewer (the
// font itself is the options record's EditorFont), and the window placement
// helper every child window uses.
#include <QFont>
#include <QObject>
#include <QRect>

#include "base/options.h"

class QWidget;

namespace kyvor {

class TKy_BASE : public QObject {
  Q_OBJECT
 public:
  // FormCreate: EditorFont := "Courier New", 11 points, bold.
  explicit TKy_BASE(QObject* parent = nullptr);
  ~TKy_BASE() override;

  // The options' editor font as a Qt font.
  QFont EditorFont() const;
  // Options().EditorFont := f, and every window re-applies it.
  void SetEditorFont(const QFont& f);
  // Every window re-applies Options().EditorFont (after it was set elsewhere).
  void ApplyEditorFont();

 signals:
  void editorFontChanged(const QFont& font);
};

// The Qt font of an editor font: a family that is not installed gives the
// system's fixed-pitch font at the same size and style.
QFont QtEditorFont(const TEditorFont& font);
// The editor font of a Qt font.
TEditorFont EditorFontOf(const QFont& font);

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
