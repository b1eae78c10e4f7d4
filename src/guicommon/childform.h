#pragma once
// The common base of the IDE's child windows: created once at start-up, kept
// for the whole run, shown inside the main window's document area and hidden
// (never freed) when the user closes them.
#include <QWidget>

namespace kyvor {

class TKyChildForm : public QWidget {
  Q_OBJECT
 public:
  // `name` is the form's name (also its object name); `caption` its title.
  TKyChildForm(const QString& name, const QString& caption, QWidget* parent = nullptr);
};

}  // namespace kyvor
