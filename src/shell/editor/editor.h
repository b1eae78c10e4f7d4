#pragma once
// TKy_EDIT: the multi-file source editor. Up to 20 pages, each one file in
// a TSRichEdit with a painted bookmark gutter on its left; a tab bar, a
// four-panel status bar, a context menu and a page menu. The main window
// embeds it as an MDI child (hidden, not destroyed, when closed) and drives
// it through the public operations below. Pages are numbered 1..PageCount;
// lines are 0-based.
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "base/lang.h"

class QKeyEvent;
class QLabel;
class QMenu;
class QStackedWidget;
class QStatusBar;
class QTabBar;
class QAction;

namespace kyvor {

class TSRichEdit;
class TKy_NFind;
class TEdReplaceDialog;
struct TEdTextFile;

struct TEditorPageRecord {
  QString Path;                 // full path, or "~New<n>" for an unnamed page
  int FindHighlightStart = 0;   // character index of the last find's highlight
  int FindHighlightLength = 0;  // 0 = no highlight pending
  std::uint8_t Overwrite = 0;   // 1 = overwrite mode shown
};

struct TEditorBookmark {
  std::uint8_t IsSet = 0;
  int Page = 0;  // 1-based page slot
  int Line = 0;  // 0-based line
};

// Result of OpenSourceFile.
enum class TEdOpenResult {
  Opened,        // the file is open in a new, current page
  KeptOpen,      // it was open already and the user cancelled the save question: page kept as is
  Failed,        // the file could not be read (or does not exist)
  TooManyPages,  // 20 pages are open; the limit message was shown
};

// The bookmark digit of a key: the digit keys, or their shifted symbols
// (-1 for any other key). The editor and the source view share it.
int BookmarkDigit(const QKeyEvent* e);

class TKy_EDIT : public QWidget, public ILangCaptionTarget {
  Q_OBJECT
 public:
  static constexpr int kMaxPages = 20;
  static constexpr int kMaxLength = 0x20000;  // text length limit (128 KiB)
  static constexpr int kPathLimit = 128;      // stored path length
  static constexpr int kBookmarks = 10;

  explicit TKy_EDIT(QWidget* parent = nullptr);
  ~TKy_EDIT() override;

  // ---- Events for the owner (each raised only when assigned) ----
  // Page commands from the context menu: 1 close this page, 2 make it the main file.
  std::function<void(TKy_EDIT* sender, int command, const QString& path)> OnPageCommand;
  // The main window's open-file routine (context menu "Open ...", dropped files).
  std::function<bool(const QString& path)> OnOpenFile;
  // Hide the editor view (the main window's view switch); when unassigned the
  // editor hides its MDI sub-window (or itself).
  std::function<void()> OnHideEditor;
  // Run on every followed selection change: the main window releases its
  // bookmark tool buttons.
  std::function<void()> OnSelectionFollowed;
  // ROM size in words and assembled word count, asked on activation for the
  // "Program Memory Over Spec." notice.
  std::function<std::pair<std::uint32_t, std::uint32_t>()> ProgramMemoryUsage;

  // ---- Pages ----
  int CreateEditorPage();                     // new slot number, 0 when 20 exist
  bool OpenFileInPage(const QString& path);   // new current page with the file
  int NewFilePage();                          // "~New<n>" page; 1, or 0 when none can be made
  // Writes the current page to path (bytes of untouched lines kept). On
  // success the page takes the path and is no longer modified. A failed
  // write leaves the page modified, shows an error box and gives false.
  bool SaveCurrentPageAs(const QString& path);
  bool ReloadPage(int n);                     // re-reads page n from its file
  void CloseCurrentPage();
  void RemovePageControls(int n);
  void CloseAllPages();
  bool ActivatePage(int n);
  int FindPageByPath(const QString& path) const;  // case-insensitive; 0 when none
  bool ActivatePageByPath(const QString& path);
  int PageCount() const { return pageCount_; }
  int CurrentPageIndex() const { return currentPage_; }
  QString PagePath(int n) const;
  QString CurrentPagePath() const;
  bool IsCurrentPageModified() const;
  bool IsPageModified(int n) const;
  int LastCaretLine() const { return lastCaretLine_; }
  void GotoLineCentered(int n, int line);
  void SelectLine(int line);                 // whole line selected; collapsed on next activation
  void SetEditorFont(const QFont& font);     // stores the shared editor font and applies it
  void ApplyEditorFont();
  QFont EditorFont() const { return editorFont_; }

  // ---- File commands for the main window ----
  // Opens a file for editing. When the file is open already, its page is
  // activated and offered for saving; Cancel keeps the page (KeptOpen),
  // otherwise the page is closed and the file read again into a new page.
  TEdOpenResult OpenSourceFile(const QString& path);
  // Offers modified pages for saving: only the page of onlyPath when given
  // (case-insensitive), else all; saveAll saves without asking. Unnamed
  // pages ask for a name. False when the user cancelled or a save failed;
  // the page that was current is current again afterwards.
  bool SaveModifiedFiles(const QString& onlyPath, bool saveAll);
  // Saves page n under its own path, or asks for a name for an unnamed
  // page (false when cancelled or failed).
  bool SavePage(int n);
  // Makes the current page unnamed-page aware: true when its path is "~NEW..." (any case).
  static bool IsUnnamedPath(const QString& path);

  // ---- Clipboard and editing (current page; nothing without one) ----
  void CutSelection();
  void CopySelection();
  void PasteClipboard();
  void SelectAllText();
  void UndoEdit();

  // ---- Bookmarks (b is 0..9, others ignored) ----
  void SetBookmark(int b, int page, int line);  // toggles off when already there
  void ClearBookmark(int b);
  void GotoBookmark(int b);
  void DropPageBookmarks(int n);
  bool GetBookmark(int b, int& line, QString& path) const;
  bool IsBookmarkSet(int b) const;
  TEditorBookmark Bookmark(int b) const;

  // ---- Find and replace ----
  void SetFindDialog(TKy_NFind* dialog);  // default: the shared Ky_NFind()
  TKy_NFind* FindDialog() const;
  void ShowFindDialog();
  bool FindNext();                            // with the find dialog's text
  bool FindNext(const QString& text);         // forward from the selection end, ignoring case; beeps when absent
  bool FindPrevious(const QString& text);     // backward from the selection start, ignoring case
  void ShowReplaceDialog();
  TEdReplaceDialog* ReplaceDialog() const { return repDlg_; }
  // One Find of the replace dialog: forward from the selection end.
  bool ReplaceFind(const QString& text, bool matchCase, bool wholeWord);
  // Replace (once, or all occurrences from the caret on); returns the count.
  int ReplaceText(const QString& findText, const QString& replaceText, bool matchCase,
                  bool wholeWord, bool replaceAll);

  // ---- Context and page menus ----
  static QString WordAtColumn(const QString& line, int column);
  void SetMainFileName(const QString& path) { mainFileName_ = path; }
  QString MainFileNameSeen() const { return mainFileName_; }
  QMenu* PMenu() const { return pMenu_; }
  QMenu* PMenuPage() const { return pMenuPage_; }
  void PreparePopupMenu();              // what the popup does before showing
  void PopupPageMenu(int x, int y);     // page menu at a screen point
  void PageMenuItemClick(QAction* item);
  void ApplyLanguage();                 // captions of the popup items and the window
  void ApplyEditorPopupCaptions() override { ApplyLanguage(); }

  // ---- Activation of the editor window (MDI activation) ----
  void FormActivate();

  // ---- Access for the owner and tests ----
  TSRichEdit* PageEdit(int n) const;
  TSRichEdit* CurrentEdit() const;
  QWidget* PageGutter(int n) const;
  TEditorPageRecord PageRecord(int n) const;
  QString PanelText(int panel) const;   // status panels 0..3
  QTabBar* TabSet() const { return tabSet_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  struct Page;
  Page* page(int n) const;
  void detachPage(Page* p);
  void editorSelectionChange();
  void editorChange();
  void onContentsChange(Page* p, int position, int removed, int added);
  bool editorKeyDown(QKeyEvent* e);
  void showPanels();
  void showModifiedPanel();
  void showInsertPanel();
  void showSizePanel();
  void hideCurrentControls();
  void hideEditor();
  void guardLength();
  void applyIndent();
  void clearFindHighlight(Page* p);
  void buildMenus();
  void fillPageItems(QMenu* menu, QAction* before);
  bool loadInto(Page* p, const QString& path, bool freshPage);
  bool writePage(Page* p, const QString& path);
  enum class SaveOutcome { Saved, Cancelled, Failed };
  SaveOutcome savePage(int n);
  bool findIn(Page* p, const QString& text, int from, bool forward, bool matchCase,
              bool wholeWord, bool highlight);
  void updateGutter(int n);
  QString fileNamePart(const QString& path) const;

  std::array<std::unique_ptr<Page>, kMaxPages + 1> pages_;  // slot 0 unused
  int pageCount_ = 0;
  int currentPage_ = 0;
  std::array<TEditorBookmark, kBookmarks> bookmarks_{};
  int lastCaretLine_ = -1;
  int lastCaretColumn_ = -1;
  int lastLineCount_ = -1;
  int newFileCounter_ = 0;
  bool selectLinePending_ = false;
  bool indentPending_ = false;
  bool inIndent_ = false;
  QFont editorFont_;
  QString mainFileName_;

  QTabBar* tabSet_;
  QStackedWidget* stack_;
  QStatusBar* stBar_;
  std::array<QLabel*, 4> panels_{};
  QMenu* pMenu_ = nullptr;
  QMenu* pMenuPage_ = nullptr;
  QAction* pMenuOpen_ = nullptr;
  QAction* pMenuMark_ = nullptr;
  QAction* pMenuClose_ = nullptr;
  QAction* pMenuMainFile_ = nullptr;
  QMenu* prevStBM_ = nullptr;
  QMenu* prevGoBM_ = nullptr;
  std::array<QAction*, kBookmarks> stBM_{};
  std::array<QAction*, kBookmarks> goBM_{};
  QPointer<TKy_NFind> findDlg_;
  TEdReplaceDialog* repDlg_ = nullptr;
};

}  // namespace kyvor
