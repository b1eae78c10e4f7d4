#pragma once
// The SRAM record window: the change log of the user's register writes in a
// grid, saved to and loaded from "KySRAM.CSV", and turned into patch code:
// a file of its own ("KySRAM.asm") or lines inserted into the source after
// the line of the program counter. Its Continue option decides whether
// repeated writes to one address add entries (the CPU model's setting).
// The files live in the folder "KyvorTemp" beside the main file. The menu
// bar, the grid and the status bar are made when the window is first shown
// or the grid asked for; until then the grid would show the empty log.
#include <QString>
#include <functional>
#include <string>

#include "guicommon/childform.h"

class QAction;
class QLabel;
class QTableWidget;

namespace kyvor {

class TRegRecord;

class TSRAMRecord : public TKyChildForm {
  Q_OBJECT
 public:
  static constexpr int kMinWidth = 345;
  static constexpr int kMinHeight = 400;

  explicit TSRAMRecord(QWidget* parent = nullptr);

  // Fills the grid from the log (making the grid first when it is not made).
  void ShowSDG();
  // Empties the grid and the log.
  void RecordClearA();
  // Empties status panel 0 (the last action).
  void ClearLastAction();
  // "Continue" (true) or "Not Continue": the option, the menu and the status.
  void SetContinue(bool on);
  bool ContinueChecked() const;
  // "Add to Current Address" is available only while the target is stopped.
  void SetAddCurrentEnabled(bool on);

  // The menu commands.
  void SaveClick();
  void DownLoadClick();
  void ClearClick();
  void CloseClick();
  void CreateNewFileClick();
  void AddCurrentClick();

  // "KyvorTemp/" beside the main file (empty when no main file is known).
  static std::string RecordFolder();
  QString StatusText(int panel) const;
  // The grid (the window's contents made now, the grid empty, when it is
  // asked for the first time).
  QTableWidget* Grid();
  void BuildContents() override;
  QAction* MenuItem(const QString& name) const;

  // What the window asks of the main window (each may be empty).
  // The source file and line (1-based) of the program counter; false when
  // it has none or lies inside a macro expansion.
  std::function<bool(uint32_t pc, std::string& path, int& line)> SourceLineOfPc;
  // Before the file is rewritten: an editor page showing it is closed, after
  // its unsaved edits were offered for saving. False when the user cancelled;
  // `wasOpen` tells whether a page was closed.
  std::function<bool(const std::string& path, bool& wasOpen)> ReleaseEditorPage;
  // Afterwards: the file opened again in the editor, the caret on `line`.
  std::function<void(const std::string& path, int line)> ReopenEditorPage;
  // The rebuild the user asked for: leave debug mode and build again.
  std::function<void()> Rebuild;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  bool folderForWrite(std::string& folder);
  void folderError();
  void saveRecordFile(const char* name, const std::function<bool(const std::string&)>& write);
  bool ask(const std::string& text);
  void error(const std::string& text);
  void setStatus(int panel, const QString& text);
  void showContinueState();
  void makeActions();
  void fillGrid(const TRegRecord* log);
  void fitColumns();

  QTableWidget* grid_ = nullptr;
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;
  QString status_[2];  // the status panels' texts
  QAction* chContinue_;
  QAction* ckNoContinue_;
  QAction* addCurrent_;
};

}  // namespace kyvor
