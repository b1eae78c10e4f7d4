#pragma once
// The source-level debug view: in debug mode it shows the source files of the
// last build as read-only pages, one tab per file, each page a grid of a mark
// column (breakpoint sign, "-" for lines without code, bookmark digit) and
// the text. It highlights the program counter's line (following macro
// expansions up to the call line), toggles breakpoints by double-click in the
// mark column, keeps ten bookmarks of its own, finds text and shows the value
// of a register operand in a tip while the mouse rests on it.
//
// The view owns the source line tables of the build (assembler/sourcetables.h):
// the assembler fills them through the view at the end of a build.
#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "assembler/sourcetables.h"
#include "base/lang.h"
#include "guicommon/childform.h"

class QKeyEvent;
class QLabel;
class QMenu;
class QTabBar;
class QTableView;
class QFrame;

namespace kyvor {

class IEditorPages;
class TSourceGrid;
class TSourcePageModel;

// The sign in characters 1-2 of a line's mark cell.
enum class TMarkSign : uint8_t { Blank, NoCode, Breakpoint };

struct TSourceBookmark {
  uint8_t IsSet = 0;
  int Page = 0;  // 1-based
  int Row = 0;   // 0-based
};

class TKy_Source : public TKyChildForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  static constexpr int kMaxPages = TSourceLineTables::kMaxPages;
  static constexpr int kBookmarks = 10;
  static constexpr int kMarkColumnWidth = 36;
  // Macro records are walked at most this many steps (a chain that loops
  // ends there).
  static constexpr int kMaxMacroWalk = TSourceLineTables::kMacroRecords;
  static constexpr uint32_t kNoCode = 0xFFFFF;

  explicit TKy_Source(QWidget* parent = nullptr);
  ~TKy_Source() override;
  // "Source Code" in the current language, with the path of the page shown.
  void ApplySourceTitle() override;
  // The bookmark items of the context menu in the current language.
  void ApplySourcePopupCaptions() override;

  // --- pages ------------------------------------------------------------------
  // Adds an empty page for path; 0 when 100 pages exist, else the page count.
  int AddSourcePage(const std::string& path);
  // Adds a page with the text of path (page number = file index + 1). Tabs
  // are expanded to the next multiple of 6 columns. False when no page can
  // be added (the message is shown) or the file cannot be read (the page
  // stays, empty).
  bool LoadSourceFile(const std::string& path);
  void ClearSourcePages();
  bool ShowSourcePage(int n);
  int VisibleRowCount() const;
  int SourcePageCount() const { return static_cast<int>(pages_.size()); }
  int PageCount() const { return SourcePageCount(); }
  // Tab index + 1 (0 without pages).
  int CurrentSourcePage() const;
  // Selected row + 1 (0 without pages).
  int CurrentSourceLine() const;
  // The file name part of page n's path (the whole path without a folder);
  // empty outside 1..count.
  std::string PageFileName(int n) const;
  std::string PagePath(int n) const;
  int RowCount(int page) const;
  // Column 1 of a line (1-based); empty outside the page.
  QString LineText(int page, int line) const;
  // Column 0 of a line: the sign ("◆", "- " or two blanks), a blank and the
  // bookmark digit or a blank. "-   " for a freshly loaded line.
  QString MarkText(int page, int line) const;
  TMarkSign MarkSign(int page, int line) const;
  void ApplyEditorFont();
  // A line of disassembly for an image loaded without source: row `row`
  // (0-based) of page gets the text, and the line's code address is row.
  void AppendDisassemblyLine(int page, int row, const std::string& text);
  // The page list ("file: " + file name, sorted) popped up at a screen point.
  void PopupSourcePageMenu(int x, int y);

  // --- line tables and macro records ------------------------------------------------
  const TSourceLineTables& Tables() const { return tables_; }
  bool CreateMacroTable();
  void FreeMacroTable() { tables_.FreeMacroTable(); }
  void PutMacroRecord(int n, const TMacroExpansionRecord& record);
  const TMacroExpansionRecord* GetMacroRecord(int n) const { return tables_.GetMacroRecord(n); }
  bool SetAddrMacroIndex(int32_t address, int32_t n);
  int32_t GetAddrMacroIndex(int32_t address) const;
  void ClearAddrMacroIndex();
  // Stores a slot value and redraws the line's mark (breakpoint sign and
  // bookmark digit are cleared by this).
  void SetLineInfo(int page, int line, int32_t value, int slot);
  int32_t GetLineInfo(int page, int line, int slot) const {
    return tables_.GetLineInfo(page, line, slot);
  }
  int32_t FirstCodeAddress(int n) const { return tables_.FirstCodeAddress(n); }
  // The range of the macro call the cursor stands on.
  bool GetMacroRange(int32_t& start, int32_t& end) const;
  bool IsInMacro() const;
  int MacroCursor() const { return macroCursor_; }

  // --- program-counter line -----------------------------------------------------
  void ShowPCLine(uint32_t pc, bool follow);
  // The same walk with follow on, for an address of the PC history (step back).
  void ShowAddressLine(uint32_t address);
  // Shows the page of the address's source line, the line selected and centred.
  void ShowPageOfAddress(uint32_t address);
  // Walks one nested macro call line down; true when that consumed the trace.
  bool TraceMacroLine();
  void HighlightLine(int page, int line);
  void CentreOnLine(int line);
  int HighlightedPage() const { return highlightPage_; }
  int PCLine() const { return highlightLine_; }
  uint32_t LastPC() const { return lastPc_; }
  // Top visible row of the page shown (0-based).
  int TopRow() const;

  // --- breakpoints ---------------------------------------------------------------
  void SetBreakpointMark(int page, int line, bool on);
  void MarkBreakpointAtAddress(uint32_t address, bool on);
  bool HasBreakMark(int page, int line) const;
  bool HasBreakMark(int line) const { return HasBreakMark(CurrentSourcePage(), line); }
  // A double-click in the mark column of row (0-based) of the page shown: a
  // line with code of its own toggles an address breakpoint (kind 1); a macro
  // call line toggles a source-line breakpoint (kind 2) at the first code
  // address of its expansion. Lines marked "-" are left alone.
  void ToggleBreakpointAtRow(int row);
  // F2 on the view: a source-line breakpoint (kind 2) at the line's code, or
  // at the first code address of the macro called there.
  void ToggleBreakpointAtLine(int page, int line);
  void DimSource();
  void UndimSource();
  QColor TextColour() const { return textColour_; }

  // How a cell is drawn.
  struct TCellLook {
    QColor background;
    QColor text;
  };
  TCellLook CellLook(int page, int row, int column) const;
  // The font of the mark column (the editor font, smaller when the four
  // characters would not fit the column); fitted when it is first asked for
  // after the editor font changed (its first painting).
  const QFont& MarkFont() const;

  // --- bookmarks --------------------------------------------------------------------
  void SetSourceBookmark(int b, int page, int row);
  void ClearSourceBookmark(int b);
  void GotoSourceBookmark(int b);
  bool IsSourceBookmarkSet(int b) const;
  TSourceBookmark Bookmark(int b) const;
  void ImportEditorBookmarks(const IEditorPages& editor);

  // --- find ---------------------------------------------------------------------
  void ShowSourceFindDialog();
  bool FindNextInSource();
  bool FindNextInSource(const QString& text);
  static bool ContainsTextIgnoreCase(const QString& line, const QString& text);

  // --- value tip ---------------------------------------------------------------------
  // The tip for the mouse over row (0-based) of the page shown, x pixels
  // from the left edge of the text column; empty when no tip shows.
  QString ValueTipText(int row, int x) const;
  QFrame* ValueTip() const { return tip_; }
  QString ValueTipLabel() const;

  // --- status and events ------------------------------------------------------------------
  // Text of status panel 1 (code size).
  void SetStatusPanel(const std::string& text);
  std::string StatusPanel() const;
  // Panel 0: " Line: %d".
  std::string LinePanel() const;
  // Selects row (0-based) of the page shown.
  void SelectRow(int row);

  // A breakpoint was toggled here (the breakpoint list follows).
  std::function<void()> OnBreakpointsToggled;
  // Ctrl+F9: the main window's Stop, then its program-memory check.
  std::function<void()> OnStopAndCheck;
  // A mouse press on a page releases the main window's bookmark buttons.
  std::function<void()> OnMouseDown;

  // The grid (its rows of the font's height).
  QTableView* Grid() const;
  void BuildContents() override { fitRowHeight(); }
  QTabBar* TabSet() const { return tabSet_; }
  QMenu* PMenu() const { return pMenu_; }
  QMenu* PMenuPage() const { return pMenuPage_; }
  // Fills the context menu's page items (what its popup does).
  void PreparePopupMenu();

 private:
  friend class TSourceGrid;
  friend class TSourcePageModel;
  struct Line {
    QString text;
    TMarkSign sign = TMarkSign::NoCode;
    int8_t bookmark = -1;
  };
  struct Page {
    std::string path;
    std::vector<Line> lines;
    int selectedRow = 0;
  };
  Page* page(int n);
  const Page* page(int n) const;
  void refreshMark(int page, int line);
  void keepHighlightInView();
  void redrawPage(int page);
  void updateScrollRange();
  void showLinePanel(int row);
  bool keyDown(const QKeyEvent* e);
  void gridMouseMove(const QPoint& pos);
  void gridDoubleClick();
  void placeTip(const QPoint& pos);
  void setTipText(const QString& text);
  void hideTip();
  void fillPageItems(QMenu* menu, QAction* before);
  void buildMenus();
  void walkToTop(uint32_t address, int& page, int& line);
  int lastProgramAddress() const;
  bool inProgram(int64_t address) const;
  int32_t snapToFirstWord(int32_t address) const;
  // The plain code word of a line (no macro expansion); -1 when none.
  int32_t codeWordAtLine(int fileIndex, int line) const;

  std::vector<Page> pages_;
  TSourceLineTables tables_;
  QTabBar* tabSet_;
  TSourceGrid* grid_;
  TSourcePageModel* model_;
  QLabel* linePanel_;
  QLabel* sizePanel_;
  QFrame* tip_ = nullptr;
  QLabel* tipLabel_ = nullptr;
  QMenu* pMenu_;
  QMenu* pMenuPage_;
  QMenu* prevStBM_;
  QMenu* prevGoBM_;
  QAction* pMenuMark_;
  std::array<QAction*, kBookmarks> stBM_{};
  std::array<QAction*, kBookmarks> goBM_{};
  std::array<TSourceBookmark, kBookmarks> bookmarks_{};
  QColor textColour_{Qt::black};
  mutable QFont markFont_;
  mutable bool markFontFitted_ = false;
  // The rows' height for the grid's (editor) font, set when it is first needed.
  void fitRowHeight() const;
  mutable bool rowHeightPending_ = false;
  int highlightPage_ = 0;
  int highlightLine_ = 0;
  int prevHighlightPage_ = 0;
  int prevHighlightLine_ = 0;
  int macroCursor_ = 0;
  uint32_t lastPc_ = 0;
  QPoint lastMouseDown_;
};

}  // namespace kyvor
