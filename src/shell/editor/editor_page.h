#pragma once
// One page of the editor window, as its page handling (editor_pages.cpp) and
// its file commands (editor_file_commands.cpp) share it.
#include "shell/editor/editor.h"
#include "shell/editor/source_file_text.h"

namespace kyvor {

class EdGutter;  // the page's bookmark gutter (editor_pages.cpp)
class TSRichEdit;

// The text of a page as the file stores it, lines joined with '\n' (no-break
// spaces and other characters kept as they are).
QString PageText(const TSRichEdit* edit);

struct TKy_EDIT::Page {
  QWidget* container = nullptr;
  EdGutter* gutter = nullptr;
  TSRichEdit* edit = nullptr;
  TEditorPageRecord rec;
  TEdTextFile file;
  int lineCount = 1;
  bool tracking = true;
};

}  // namespace kyvor
