#pragma once
// The program's main block: creates every window of the IDE once, in a fixed
// order with the main window first, runs the main window's first activation
// (start-up sequence) and leaves the message loop to the caller.
#include <QStringList>
#include <memory>
#include <string>

namespace kyvor {

class TKYMAIN;
class TKy_BASE;
class TKy_UP;
class TKy_EDIT;
class TKy_ERR;
class TKy_Source;
class IEditorPages;
class QtDialogService;

class TKyProgram {
 public:
  // programFolder: the folder holding INCLUDE/ (with or without a trailing
  // '/'); empty: the executable's folder.
  explicit TKyProgram(const std::string& programFolder = std::string());
  ~TKyProgram();

  // Creates every window, in order (once).
  void CreateForms();
  // Creates the windows (when not done yet) and runs the first activation with args (the
  // program's arguments without its name). False when the main window was
  // closed during start-up (e.g. the command-line file does not exist).
  bool Start(const QStringList& args);

  TKYMAIN& Main() { return *main_; }
  TKy_UP& Up() { return *up_; }
  TKy_EDIT* Editor() const;
  IEditorPages* EditorPages() const;

 private:
  struct Forms;
  std::unique_ptr<TKYMAIN> main_;
  std::unique_ptr<TKy_UP> up_;
  std::unique_ptr<Forms> forms_;
};

// The program's main block: the application, the dialog service, every
// window of the IDE, the start-up sequence, then the message loop.
int RunKyvorIde(int argc, char** argv);

}  // namespace kyvor
