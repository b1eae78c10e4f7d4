#pragma once
// Keyboard input for the GUI tests: a key pressed and released on a widget,
// typed text, and a key pressed in an active window as the keyboard does it.
#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace kyvor::test {

inline void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}

// Each character as a key press; new lines as Return, tabs as Tab.
inline void Type(QWidget* w, const QString& text) {
  for (QChar c : text) {
    if (c == QChar('\n'))
      Key(w, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    else if (c == QChar('\t'))
      Key(w, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    else
      Key(w, Qt::Key_A, Qt::NoModifier, QString(c));  // the text is what counts
  }
}

// The window is made active and the key goes to the widget with the focus.
inline void PressInWindow(QWidget& window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QApplication::setActiveWindow(&window);
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
  Key(target, key, mods);
}

}  // namespace kyvor::test
