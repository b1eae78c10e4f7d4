#pragma once
// An editor of pages in memory for the main window's tests.
#include <QWidget>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "shell/editor/editorlink.h"

namespace kyvor::test {

class FakeEditor final : public IEditorPages {
 public:
  struct Page {
    std::string path;
    bool modified = false;
    int saves = 0;
    int reloads = 0;
  };
  std::vector<Page> pages;
  int active = 0;
  bool failSaves = false;
  std::vector<std::string> savedAs;
  int selectedLine = -1;
  // Bookmark number -> (0-based line, page path).
  std::map<int, std::pair<int, std::string>> bookmarks;

  void add(const std::string& path, bool modified) {
    pages.push_back({path, modified});
    active = static_cast<int>(pages.size());
  }
  int PageCount() const override { return static_cast<int>(pages.size()); }
  int ActivePageIndex() const override { return active; }
  void ActivatePage(int i) override { active = i; }
  std::string PagePath(int i) const override { return pages.at(i - 1).path; }
  bool PageModified(int i) const override { return pages.at(i - 1).modified; }
  bool SaveCurrentPageAs(const std::string& p) override {
    if (failSaves) return false;
    Page& pg = pages.at(active - 1);
    pg.path = p;
    pg.modified = false;
    ++pg.saves;
    savedAs.push_back(p);
    return true;
  }
  bool ReloadPage(int i) override {
    ++pages.at(i - 1).reloads;
    pages.at(i - 1).modified = false;
    return true;
  }
  bool OpenFileInPage(const std::string& p) override {
    if (p.find("missing") != std::string::npos) return false;
    add(p, false);
    return true;
  }
  bool ActivatePageByPath(const std::string& p) override {
    for (int i = 0; i < PageCount(); ++i)
      if (pages[i].path == p) {
        active = i + 1;
        return true;
      }
    return false;
  }
  void SelectLine(int line) override { selectedLine = line; }
  void NewPage() override { add("~New" + std::to_string(pages.size() + 1), false); }
  void CloseCurrentPage() override {
    if (active < 1) return;
    pages.erase(pages.begin() + (active - 1));
    active = pages.empty() ? 0 : 1;
  }
  void CloseAllPages() override {
    pages.clear();
    active = 0;
  }
  bool GetBookmark(int b, int& line, std::string& path) const override {
    auto it = bookmarks.find(b);
    if (it == bookmarks.end()) return false;
    line = it->second.first;
    path = it->second.second;
    return true;
  }
};

}  // namespace kyvor::test
