#pragma once
// The source-level debug view and the program-memory listing as the main
// window drives them: pages of source text, the program-counter line, the
// address the listing is centred on. Their full grids, bookmarks and
// breakpoint marks belong to their own modules.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/lang.h"
#include "guicommon/childform.h"
#include "shell/kyhex.h"

class QPlainTextEdit;
class QLabel;

namespace kyvor {

class TKy_Source : public TKyChildForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  explicit TKy_Source(QWidget* parent = nullptr);
  ~TKy_Source() override;
  // "Source Code" in the current language, with the path of the page shown.
  void ApplySourceTitle() override;

  // Adds a page with the text of path (page number = file index + 1).
  bool LoadSourceFile(const std::string& path);
  void ClearSourcePages();
  int PageCount() const { return static_cast<int>(pages_.size()); }
  const std::string& PagePath(int page) const { return pages_.at(page - 1).path; }

  // Where the program counter's word comes from: page (1-based) and line
  // (1-based), or page 0 when the word has no source line. Installed by
  // the main window.
  std::function<std::pair<int, int>(uint32_t address)> LineOfAddress;

  // Shows the page of the address's source line with that line marked.
  void ShowPCLine(uint32_t pc, bool followMacro);
  // Shows the page of the address's source line with the caret on that line.
  void ShowPageOfAddress(uint32_t address);
  uint32_t LastPC() const { return lastPc_; }
  int CurrentPage() const { return curPage_; }
  int PCLine() const { return pcLine_; }
  // Text of status panel 1 (code size).
  void SetStatusPanel(const std::string& text);
  std::string StatusPanel() const;
  QPlainTextEdit* TextView() const { return text_; }

  // Code address of a line (slot 0 of the line table): -1 or 0xFFFFF when
  // the line has no code of its own; ignored outside the pages.
  void SetLineAddress(int page, int line, int32_t address);
  // The line's code address, or -1 when it has none.
  int32_t AddressOfLine(int page, int line) const;
  // 1-based line of the caret on the page shown.
  int CaretLine() const;
  // Breakpoint sign of a line of the page shown.
  void SetBreakMark(int line, bool set);
  bool HasBreakMark(int line) const;

 private:
  struct Page {
    std::string path;
    QString text;
    std::vector<int32_t> lineAddress;  // index = line - 1
    std::vector<bool> breakMark;
  };
  void showPage(int page);
  std::vector<Page> pages_;
  QPlainTextEdit* text_;
  QLabel* status_;
  uint32_t lastPc_ = 0;
  int curPage_ = 0;
  int pcLine_ = 0;
};

// Forms created at start-up that no command shows yet.
class TKy_Message : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKy_Message(QWidget* parent = nullptr);
};

}  // namespace kyvor
