#include "shell/kyapp.h"

#include <QCoreApplication>

#include "chip/chiploader.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "peripherals/periphwins.h"
#include "shell/editorlink.h"
#include "shell/kybase.h"
#include "shell/kyedit.h"
#include "shell/kyerr.h"
#include "shell/kymain.h"
#include "shell/kyviews.h"

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

 private:
  TKy_EDIT& ed_;
};

}  // namespace

// Every window of the program, in creation order.
struct TKyProgram::Forms {
  std::unique_ptr<TKy_ADDWCH> addwch;
  std::unique_ptr<TKy_BASE> base;
  std::unique_ptr<TKy_BP> bp;
  std::unique_ptr<TKy_Hex> hex;
  std::unique_ptr<TKy_EDIT> edit;
  std::unique_ptr<TKy_ERR> err;
  std::unique_ptr<TKy_RAM> ram;
  std::unique_ptr<TKy_STK> stk;
  std::unique_ptr<TKy_WATCH> watch;
  std::unique_ptr<TKy_WCHEDIT> wchedit;
  std::unique_ptr<TKy_Source> source;
  std::unique_ptr<TKy_Reg2> reg2;
  std::unique_ptr<TKyPopSelHex> popSelHex;
  std::unique_ptr<TKyIntStr> intStr;
  std::unique_ptr<TKy_Message> message;
  std::unique_ptr<TADCForm> adc;
  std::unique_ptr<TOPForm> op;
  std::unique_ptr<TCMPForm> cmp;
  std::unique_ptr<TSRAMRecord> sramRecord;
  std::unique_ptr<TKy_Revision> revision;
  std::unique_ptr<TADCIIForm> adcII;
  std::unique_ptr<TADCIForm> adcI;
  std::unique_ptr<TMultiCMPForm> multiCmp;
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

TKy_EDIT* TKyProgram::Editor() const { return forms_->edit.get(); }
IEditorPages* TKyProgram::EditorPages() const { return forms_->pages.get(); }

void TKyProgram::CreateForms() {
  if (!main_) {
    Forms& f = *forms_;
    main_ = std::make_unique<TKYMAIN>();
    f.addwch = std::make_unique<TKy_ADDWCH>();
    f.base = std::make_unique<TKy_BASE>();
    f.bp = std::make_unique<TKy_BP>();
    f.hex = std::make_unique<TKy_Hex>();
    f.edit = std::make_unique<TKy_EDIT>();
    f.edit->SetEditorFont(f.base->EditorFont());
    f.err = std::make_unique<TKy_ERR>();
    f.ram = std::make_unique<TKy_RAM>();
    f.stk = std::make_unique<TKy_STK>();
    f.watch = std::make_unique<TKy_WATCH>();
    f.wchedit = std::make_unique<TKy_WCHEDIT>();
    f.source = std::make_unique<TKy_Source>();
    f.reg2 = std::make_unique<TKy_Reg2>();
    f.popSelHex = std::make_unique<TKyPopSelHex>();
    f.intStr = std::make_unique<TKyIntStr>();
    f.message = std::make_unique<TKy_Message>();
    // The options dialog's creation reads the chip list.
    ReadChipList(Shell().ProgramFolder);
    f.adc = std::make_unique<TADCForm>();
    f.op = std::make_unique<TOPForm>();
    f.cmp = std::make_unique<TCMPForm>();
    f.sramRecord = std::make_unique<TSRAMRecord>();
    up_ = std::make_unique<TKy_UP>();
    up_->SetProgramFolder(Shell().ProgramFolder);
    f.revision = std::make_unique<TKy_Revision>();
    f.adcII = std::make_unique<TADCIIForm>();
    f.adcI = std::make_unique<TADCIForm>();
    f.multiCmp = std::make_unique<TMultiCMPForm>();
    f.pages = std::make_unique<TKyEditPages>(*f.edit);

    TKyForms forms;
    forms.base = f.base.get();
    forms.edit = f.edit.get();
    forms.editor = f.pages.get();
    forms.err = f.err.get();
    forms.source = f.source.get();
    forms.hex = f.hex.get();
    forms.ram = f.ram.get();
    forms.stk = f.stk.get();
    forms.reg2 = f.reg2.get();
    forms.watch = f.watch.get();
    forms.bp = f.bp.get();
    forms.adc = f.adc.get();
    forms.op = f.op.get();
    forms.cmp = f.cmp.get();
    forms.adcI = f.adcI.get();
    forms.adcII = f.adcII.get();
    forms.multiCmp = f.multiCmp.get();
    forms.up = up_.get();
    main_->AttachForms(forms);
    TKYMAIN* m = main_.get();
    f.edit->OnPageCommand = [m](TKy_EDIT*, int command, const QString& path) {
      m->EditorPageCommand(command, path.toStdString());
    };
    f.edit->OnOpenFile = [m](const QString& path) { return m->OpenSourceFile(path.toStdString()); };
    f.edit->OnHideEditor = [m, e = f.edit.get()] { m->ShowView(e, ViewEdit, 0); };
  }
}

bool TKyProgram::Start(const QStringList& args) {
  CreateForms();
  main_->SetCommandLine(args);
  main_->FormActivate();
  return !main_->IsClosed();
}

}  // namespace kyvor
