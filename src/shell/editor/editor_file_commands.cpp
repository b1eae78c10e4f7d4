// The editor window's file commands: open a file in a new page, new page,
// save, save as, reload, close and close all, the owner's open and the
// question before modified pages are left, and files dropped on the window.
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QUrl>
#include <algorithm>

#include "base/dialogs.h"
#include "shell/editor/editor.h"
#include "shell/editor/editor_page.h"
#include "shell/editor/editor_texts.h"
#include "shell/editor/richedit.h"
#include "shell/editor/source_file_text.h"

namespace kyvor {

namespace {

const char* const kCaption = "Kyvor-IDE";
const QString kFileFilter = QStringLiteral("*.asm|*.asm|*.*|*.*");

}  // namespace

QString PageText(const TSRichEdit* edit) {
  QString text = edit->document()->toRawText();
  text.replace(QChar(QChar::ParagraphSeparator), QChar('\n'));
  return text;
}

bool TKy_EDIT::loadInto(Page* p, const QString& path, bool freshPage) {
  TEdTextFile file;
  if (!ReadTextFile(path, file)) return false;
  const int caret = freshPage ? 0 : p->edit->textCursor().position();
  const int top = freshPage ? 0 : p->edit->verticalScrollBar()->value();
  p->tracking = false;
  p->edit->setPlainText(file.text);
  p->tracking = true;
  p->lineCount = p->edit->document()->blockCount();
  p->edit->SetMaxLength(file.byteSize > kMaxLength ? static_cast<int>(file.byteSize + 1)
                                                   : kMaxLength);
  p->edit->document()->setModified(false);
  p->rec.FindHighlightLength = 0;
  p->edit->setExtraSelections({});
  if (!freshPage) {
    QTextCursor c = p->edit->textCursor();
    c.setPosition(std::clamp(caret, 0, p->edit->TextLength()));
    p->edit->setTextCursor(c);
    p->edit->verticalScrollBar()->setValue(top);
  }
  p->file = std::move(file);
  return true;
}

bool TKy_EDIT::OpenFileInPage(const QString& path) {
  if (!QFileInfo(path).isFile()) return false;
  if (pageCount_ >= kMaxPages) return false;
  const int previous = currentPage_;
  const int n = CreateEditorPage();
  Page* p = page(n);
  p->rec.Path = path.left(kPathLimit);
  if (!loadInto(p, path, true)) {
    // An unreadable file leaves no empty page behind that could later be
    // saved over it.
    RemovePageControls(n);
    if (previous >= 1) ActivatePage(previous);
    return false;
  }
  currentPage_ = n;
  {
    const QSignalBlocker block(tabSet_);
    tabSet_->addTab(fileNamePart(p->rec.Path));
  }
  ActivatePage(n);
  showPanels();
  return true;
}

int TKy_EDIT::NewFilePage() {
  if (pageCount_ >= kMaxPages) return 0;
  const int n = CreateEditorPage();
  Page* p = page(n);
  currentPage_ = n;
  p->rec.Path = QStringLiteral("~New%1").arg(newFileCounter_);
  {
    const QSignalBlocker block(tabSet_);
    tabSet_->addTab(p->rec.Path);
  }
  ++newFileCounter_;
  ActivatePage(n);
  showPanels();
  return 1;
}

bool TKy_EDIT::writePage(Page* p, const QString& path) {
  QString error;
  QByteArray written;
  if (!WriteTextFile(path, PageText(p->edit), p->file, &error, &written)) {
    Dialogs().messageBox(
        ("Cannot save " + path + "\n" + error + "\nThe file was not saved.").toStdString(),
        kCaption, MsgIcon::Error, MbCancel);
    return false;
  }
  // What is on disk now is the reference for the next save.
  p->file = DecodeTextFile(written, p->file.encoding);
  p->rec.Path = path.left(kPathLimit);
  for (int n = 1; n <= pageCount_; ++n)
    if (pages_[n].get() == p) tabSet_->setTabText(n - 1, fileNamePart(p->rec.Path));
  p->edit->document()->setModified(false);
  if (p == page(currentPage_)) showPanels();
  return true;
}

bool TKy_EDIT::SaveCurrentPageAs(const QString& path) {
  Page* p = page(currentPage_);
  if (!p) return false;
  return writePage(p, path);
}

bool TKy_EDIT::IsUnnamedPath(const QString& path) {
  return path.left(4).compare(QStringLiteral("~NEW"), Qt::CaseInsensitive) == 0;
}

TKy_EDIT::SaveOutcome TKy_EDIT::savePage(int n) {
  Page* p = page(n);
  if (!p) return SaveOutcome::Failed;
  if (!IsUnnamedPath(p->rec.Path))
    return writePage(p, p->rec.Path) ? SaveOutcome::Saved : SaveOutcome::Failed;
  QString start = mainFileName_.isEmpty() ? QString() : QFileInfo(mainFileName_).absolutePath();
  auto chosen = Dialogs().saveFileName("Save As", start.toStdString(), kFileFilter.toStdString());
  if (!chosen || chosen->empty()) return SaveOutcome::Cancelled;
  QString name = QString::fromStdString(*chosen);
  if (!QFileInfo(name).fileName().contains(QChar('.'))) name += QStringLiteral(".asm");
  return writePage(p, name) ? SaveOutcome::Saved : SaveOutcome::Failed;
}

bool TKy_EDIT::SavePage(int n) { return savePage(n) == SaveOutcome::Saved; }

bool TKy_EDIT::ReloadPage(int n) {
  Page* p = page(n);
  if (!p) return false;
  // A page with unsaved changes is not read over: the changes would be lost.
  if (p->edit->document()->isModified()) return false;
  if (!loadInto(p, p->rec.Path, false)) return false;
  ActivatePage(n);
  return true;
}

void TKy_EDIT::CloseCurrentPage() {
  if (currentPage_ < 1) return;
  RemovePageControls(currentPage_);
  if (currentPage_ > pageCount_) currentPage_ = pageCount_;
  if (currentPage_ > 0)
    ActivatePage(currentPage_);
  else
    hideEditor();
}

void TKy_EDIT::CloseAllPages() {
  for (int n = 1; n <= pageCount_; ++n) {
    detachPage(pages_[n].get());
    stack_->removeWidget(pages_[n]->container);
    pages_[n]->container->hide();
    pages_[n]->container->deleteLater();
    pages_[n].reset();
  }
  pageCount_ = 0;
  currentPage_ = 0;
  // The bookmarks belonged to the closed files.
  for (auto& bm : bookmarks_) bm.IsSet = 0;
  {
    const QSignalBlocker block(tabSet_);
    while (tabSet_->count() > 0) tabSet_->removeTab(0);
  }
  showPanels();
  hideEditor();
}

TEdOpenResult TKy_EDIT::OpenSourceFile(const QString& path) {
  const int existing = FindPageByPath(path);
  if (existing == 0 && pageCount_ >= kMaxPages) {
    Dialogs().messageBox(LangTextUtf8(lt::MaxEditedFiles) + std::to_string(kMaxPages), kCaption,
                         MsgIcon::Information, MbOk);
    return TEdOpenResult::TooManyPages;
  }
  if (existing) {
    ActivatePage(existing);
    // Cancel (or a save that failed) keeps the page with its changes.
    if (!SaveModifiedFiles(PagePath(existing), false)) return TEdOpenResult::KeptOpen;
    RemovePageControls(existing);
    if (currentPage_ > pageCount_) currentPage_ = pageCount_;
  }
  if (!OpenFileInPage(path)) {
    if (currentPage_ >= 1) ActivatePage(currentPage_);
    Dialogs().messageBox(("Cannot open " + path).toStdString(), kCaption, MsgIcon::Error, MbCancel);
    return TEdOpenResult::Failed;
  }
  return TEdOpenResult::Opened;
}

bool TKy_EDIT::SaveModifiedFiles(const QString& onlyPath, bool saveAll) {
  if (pageCount_ == 0) return true;
  bool all = saveAll;
  bool ok = true;
  for (int n = 1; n <= pageCount_; ++n) {
    Page* p = page(n);
    if (!onlyPath.isEmpty() && p->rec.Path.compare(onlyPath, Qt::CaseInsensitive) != 0) continue;
    if (!p->edit->document()->isModified()) continue;
    MsgResult answer = MsgResult::All;
    if (!all) {
      unsigned buttons = MbYes | MbNo | MbCancel;
      if (onlyPath.isEmpty()) buttons |= MbAll;
      answer =
          Dialogs().messageBox(LangTextUtf8(lt::SaveChangesTo) + p->rec.Path.toStdString() + "?",
                               kCaption, MsgIcon::None, buttons);
    }
    if (answer == MsgResult::Cancel) return false;
    if (answer == MsgResult::All) all = true;
    if (answer == MsgResult::Yes || answer == MsgResult::All) {
      // An unnamed page whose name dialog was cancelled stays unsaved; a
      // write that failed has been reported and makes the result false.
      if (savePage(n) == SaveOutcome::Failed) ok = false;
    }
  }
  if (currentPage_ >= 1) showPanels();
  return ok;
}

void TKy_EDIT::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls() && OnOpenFile) e->acceptProposedAction();
}

void TKy_EDIT::dropEvent(QDropEvent* e) {
  if (!OnOpenFile) return;
  bool any = false;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) any = OnOpenFile(url.toLocalFile()) || any;
  if (any) e->acceptProposedAction();
}

}  // namespace kyvor
