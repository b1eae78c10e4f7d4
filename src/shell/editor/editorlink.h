#pragma once
// What the main window needs of the multi-file source editor. The editor
// window implements it (through an adapter); tests use a fake.
#include <string>

namespace kyvor {

class IEditorPages {
 public:
  virtual ~IEditorPages() = default;
  virtual int PageCount() const = 0;
  // 1-based index of the active page (0 when there is none).
  virtual int ActivePageIndex() const = 0;
  virtual void ActivatePage(int index) = 0;
  virtual std::string PagePath(int index) const = 0;
  virtual bool PageModified(int index) const = 0;
  // Saves the active page under path; false when the file could not be written.
  virtual bool SaveCurrentPageAs(const std::string& path) = 0;
  // Reloads page index from its file; false when it could not be read.
  virtual bool ReloadPage(int index) = 0;
  // Opens path in a new page; false when it could not be opened.
  virtual bool OpenFileInPage(const std::string& path) = 0;
  // Activates the page whose path equals path ignoring case.
  virtual bool ActivatePageByPath(const std::string& path) = 0;
  // Selects line (0-based) of the active page.
  virtual void SelectLine(int line) = 0;
  virtual void NewPage() = 0;
  virtual void CloseCurrentPage() = 0;
  virtual void CloseAllPages() = 0;
  virtual void CutSelection() {}
  virtual void CopySelection() {}
  virtual void PasteClipboard() {}
  virtual void SelectAllText() {}
  virtual void UndoEdit() {}
  virtual void Find() {}
  virtual void Replace() {}
  virtual void FindNext() {}
  // Bookmark b (0..9): its line (0-based) and its page's path; false when
  // it is not set.
  virtual bool GetBookmark(int b, int& line, std::string& path) const {
    (void)b; (void)line; (void)path;
    return false;
  }
  // The tool bar's bookmark buttons act on the active page and its caret.
  virtual bool BookmarkOnActivePage(int b) const { (void)b; return false; }
  virtual void SetBookmarkAtCaret(int b) { (void)b; }
  virtual void GotoBookmark(int b) { (void)b; }
  // The caret on line (0-based) of the active page, the line centred.
  virtual void GotoLineCentered(int line) { SelectLine(line); }
  // The page list popped up at a screen point.
  virtual void PopupPageMenu(int x, int y) { (void)x; (void)y; }
};

}  // namespace kyvor
