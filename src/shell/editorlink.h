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
};

}  // namespace kyvor
