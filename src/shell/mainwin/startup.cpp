#include "shell/mainwin/startup.h"

#include <QApplication>
#include <QCoreApplication>

#include "base/clock.h"
#include "base/dialogs.h"
#include "chip/chiploader.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "link/pod_protocol.h"
#include "shell/editor/editor.h"
#include "shell/editor/editorlink.h"
#include "shell/editor/richedit.h"
#include "shell/mainwin/base_form.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/message_form.h"
#include "shell/mainwin/qt_dialogs.h"
#include "shell/mainwin/revision_viewer.h"
#include "shell/mainwin/views.h"
#include "shell/options/options_dialog.h"

namespace kyvor {

namespace {

// The editor's pages as the main window uses them.
class TKyEditPages final : public IEditorPages {
 public:
  explicit TKyEditPages(TKy_EDIT& ed) : ed_(ed) {}
  int PageCount() const override { return ed_.PageCount(); }
  int ActivePageIndex() const override { return ed_.CurrentPageIndex(); }
  void ActivatePage(int i) override { ed_.ActivatePage(i); }
  std::string PagePath(int i) const override { return ed_.PagePath(i).toStdString(); }
  bool PageModified(int i) const override { return ed_.IsPageModified(i); }
  bool SaveCurrentPageAs(const std::string& p) override {
    return ed_.SaveCurrentPageAs(QString::fromStdString(p));
  }
  bool ReloadPage(int i) override { return ed_.ReloadPage(i); }
  bool OpenFileInPage(const std::string& p) override {
    return ed_.OpenFileInPage(QString::fromStdString(p));
  }
  bool ActivatePageByPath(const std::string& p) override {
    return ed_.ActivatePageByPath(QString::fromStdString(p));
  }
  void SelectLine(int line) override { ed_.SelectLine(line); }
  void NewPage() override { ed_.NewFilePage(); }
  void CloseCurrentPage() override { ed_.CloseCurrentPage(); }
  void CloseAllPages() override { ed_.CloseAllPages(); }
  void CutSelection() override { ed_.CutSelection(); }
  void CopySelection() override { ed_.CopySelection(); }
  void PasteClipboard() override { ed_.PasteClipboard(); }
  void SelectAllText() override { ed_.SelectAllText(); }
  void UndoEdit() override { ed_.UndoEdit(); }
  void Find() override { ed_.ShowFindDialog(); }
  void Replace() override { ed_.ShowReplaceDialog(); }
  void FindNext() override { ed_.FindNext(); }
  bool GetBookmark(int b, int& line, std::string& path) const override {
    QString p;
    if (!ed_.GetBookmark(b, line, p)) return false;
    path = p.toStdString();
    return true;
  }
  bool BookmarkOnActivePage(int b) const override {
    const TEditorBookmark bm = ed_.Bookmark(b);
    return bm.IsSet && bm.Page == ed_.CurrentPageIndex();
  }
  void SetBookmarkAtCaret(int b) override {
    if (TSRichEdit* e = ed_.CurrentEdit()) ed_.SetBookmark(b, ed_.CurrentPageIndex(), e->CaretLine());
  }
  void GotoBookmark(int b) override { ed_.GotoBookmark(b); }
  void PopupPageMenu(int x, int y) override { ed_.PopupPageMenu(x, y); }
  void GotoLineCentered(int line) override { ed_.GotoLineCentered(ed_.CurrentPageIndex(), line); }

 private:
  TKy_EDIT& ed_;
};

}  // namespace

// Every window of the program: the views (made by their rows of the views
// table) and the forms that are no views.
struct TKyProgram::Forms {
  std::unique_ptr<TKy_ADDWCH> addwch;
  std::unique_ptr<TKy_BASE> base;
  std::array<std::unique_ptr<QWidget>, ViewCount> views;
  std::unique_ptr<TKy_WCHEDIT> wchedit;
  std::unique_ptr<TProgramPopups> popups;
  std::unique_ptr<TKy_Message> message;
  std::unique_ptr<TSRAMRecord> sramRecord;
  std::unique_ptr<TKy_Revision> revision;
  std::unique_ptr<TKyEditPages> pages;
};

TKyProgram::TKyProgram(const std::string& programFolder) : forms_(std::make_unique<Forms>()) {
  std::string folder = programFolder;
  if (folder.empty()) folder = QCoreApplication::applicationDirPath().toStdString();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  Shell().ProgramFolder = folder;
}

TKyProgram::~TKyProgram() {
  if (up_) {
    up_->OnRunStopped = nullptr;
    up_->OnTraceStep = nullptr;
    up_->Hooks = TKyUpHooks{};
  }
  // The main window goes first: it only refers to the others.
  main_.reset();
}

TKy_EDIT* TKyProgram::Editor() const {
  return static_cast<TKy_EDIT*>(forms_->views[ViewEdit].get());
}
IEditorPages* TKyProgram::EditorPages() const { return forms_->pages.get(); }

void TKyProgram::CreateForms() {
  if (main_) return;
  Forms& f = *forms_;
  main_ = std::make_unique<TKYMAIN>();
  f.addwch = std::make_unique<TKy_ADDWCH>();
  // The shared base form first: the views take its font.
  f.base = std::make_unique<TKy_BASE>();
  // The options dialog's creation reads the chip list.
  ReadChipList(Shell().ProgramFolder);
  for (const TViewRow& row : ViewRows()) f.views[row.index] = row.make();
  f.wchedit = std::make_unique<TKy_WCHEDIT>();
  f.popups = std::make_unique<TProgramPopups>();
  f.message = std::make_unique<TKy_Message>();
  main_->DeferOptionDialog();
  f.sramRecord = std::make_unique<TSRAMRecord>();
  up_ = std::make_unique<TKy_UP>();
  up_->SetProgramFolder(Shell().ProgramFolder);
  up_->SetPod(&ThePod());
  f.revision = std::make_unique<TKy_Revision>();

  TKy_EDIT* edit = Editor();
  edit->SetEditorFont(f.base->EditorFont());
  QObject::connect(f.base.get(), &TKy_BASE::editorFontChanged, edit, &TKy_EDIT::SetEditorFont);
  f.pages = std::make_unique<TKyEditPages>(*edit);

  TKyForms forms;
  forms.base = f.base.get();
  forms.editor = f.pages.get();
  forms.up = up_.get();
  forms.revision = f.revision.get();
  forms.sram = f.sramRecord.get();
  for (int i = 0; i < ViewCount; ++i) forms.views[i] = f.views[i].get();
  main_->AttachForms(forms);
  // The watch window drives its two dialogs and labels data in the RAM window.
  if (auto* watch = qobject_cast<TKy_WATCH*>(f.views[ViewWatch].get())) {
    watch->AttachDialogs(f.addwch.get(), f.wchedit.get());
    if (auto* ram = qobject_cast<TKy_RAM*>(f.views[ViewRam].get()))
      watch->AttachRamMarks(&ram->Marks());
  }
  TKYMAIN* m = main_.get();
  edit->OnPageCommand = [m](TKy_EDIT*, int command, const QString& path) {
    m->EditorPageCommand(command, path.toStdString());
  };
  edit->OnOpenFile = [m](const QString& path) { return m->OpenSourceFile(path.toStdString()); };
  edit->OnHideEditor = [m] { m->ShowView(ViewEdit, 0); };
}

bool TKyProgram::Start(const QStringList& args) {
  CreateForms();
  main_->SetCommandLine(args);
  main_->FormActivate();
  return !main_->IsClosed();
}

int RunKyvorIde(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kyvor-IDE");
  QtDialogService dialogs;
  SetDialogs(&dialogs);
  DefaultSteadyClock().setPump([] { QCoreApplication::processEvents(); });

  int rc = 1;
  // The placement file is named after the program file.
  Shell().ProgramFile = QCoreApplication::applicationFilePath().toStdString();
  {
    TKyProgram program;  // program folder: the executable's folder
    program.CreateForms();
    dialogs.setParent(&program.Main());
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (program.Start(args)) rc = QApplication::exec();
    dialogs.setParent(nullptr);
  }
  SetDialogs(nullptr);
  DefaultSteadyClock().setPump(nullptr);
  return rc;
}

}  // namespace kyvor
