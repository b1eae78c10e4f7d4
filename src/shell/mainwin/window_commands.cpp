// The main window's windows and small commands: the view buttons and the
// editor tool bar that follows the active window, the bookmark tool buttons
// with their digit bar, window tiling, the SRAM record, ReLoad-ROM, About,
// the main-file dialog, the chip-variant command and the hidden pod test
// buttons.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "base/dialogs.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "debugwin/sramrecord.h"
#include "engine/ky_up.h"
#include "link/pod_protocol.h"
#include "shell/editor/editor.h"
#include "shell/editor/editorlink.h"
#include "shell/editor/find_dialogs.h"
#include "shell/mainwin/main_window.h"
#include "shell/source/listing.h"
#include "shell/source/source_view.h"

namespace kyvor {

namespace {

using I = TMenuItem;
using B = TToolButton;

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Paint(QToolButton* b, const QColor& c) {
  QPalette p = b->palette();
  p.setColor(QPalette::ButtonText, c);
  b->setPalette(p);
}

}  // namespace

// ---------------------------------------------------------------------------
// View buttons and the editor tool bar
// ---------------------------------------------------------------------------

void TKYMAIN::ActiveFormChange() {
  QMdiSubWindow* active = mdi_->activeSubWindow();
  QWidget* form = active ? active->widget() : nullptr;
  if (form != currentChild_) {
    previousChild_ = currentChild_;
    currentChild_ = form;
  }
  SyncViewButtons(currentChild_);
}

void TKYMAIN::SyncViewButtons(QWidget* form) {
  for (const TViewRow& row : ViewRows()) {
    QToolButton* b = ViewButton(row.index);
    if (!b) continue;
    b->setCheckable(true);
    b->setChecked(form && ViewForm(row.index) == form);
  }
  const bool editor = form && form == forms_.edit();
  const bool source = form && form == forms_.source();
  QWidget* before = toolBarHolder_;
  toolBarHolder_ = (editor || source) ? form : nullptr;
  const bool show = toolBarHolder_ && Options().ShowEditToolBar && Options().PICE();
  editBar_->setVisible(show);
  setButtonEnabled(B::TBtK_Open, editor);
  if (!show) ReleaseBookmarkButtons();
  if (before != toolBarHolder_) ReleaseBookmarkButtons();
  paintBookmarkDigits();
}

QRect TKYMAIN::ViewBounds(int index) const {
  if (index < 0 || index >= ViewCount) return QRect();
  QMdiSubWindow* f = ViewFrame(ViewForm(index));
  if (f && !f->isHidden()) return f->geometry();
  return viewBounds_[size_t(index)];
}

// ---------------------------------------------------------------------------
// Bookmark tool buttons
// ---------------------------------------------------------------------------

void TKYMAIN::setUpBookmarkButtons() {
  for (TToolButton name : {B::TBtK_SBK, B::TBtK_GBK})
    if (QToolButton* b = Button(name)) b->setCheckable(true);
}

QWidget* TKYMAIN::DigitBar() {
  if (digitBar_) return digitBar_;
  auto* bar = new QFrame(this);
  bar->setFrameShape(QFrame::Panel);
  bar->setFrameShadow(QFrame::Raised);
  digitBar_ = bar;
  digitBar_->setObjectName("TBarSelN");
  digitBar_->setAutoFillBackground(true);
  auto* lay = new QHBoxLayout(digitBar_);
  lay->setContentsMargins(2, 1, 2, 1);
  lay->setSpacing(0);
  for (int d = 0; d < 10; ++d) {
    auto* b = new QToolButton(digitBar_);
    b->setObjectName(QString("TBtK_%1").arg(d));
    b->setText(QString::number(d));
    b->setAutoRaise(true);
    b->setFixedWidth(20);
    connect(b, &QToolButton::clicked, this, [this, d] { BookmarkDigitClick(d); });
    lay->addWidget(b);
    digitButtons_[size_t(d)] = b;
  }
  digitBar_->adjustSize();
  digitBar_->hide();
  paintBookmarkDigits();
  return digitBar_;
}

QToolButton* TKYMAIN::DigitButton(int digit) {
  DigitBar();
  return digitButtons_.at(size_t(digit));
}

void TKYMAIN::placeDigitBar() {
  QToolButton* down = nullptr;
  for (TToolButton name : {B::TBtK_SBK, B::TBtK_GBK})
    if (QToolButton* b = Button(name); b && b->isChecked()) down = b;
  QWidget* bar = DigitBar();
  if (!down || !down->isVisible()) {
    bar->hide();
    return;
  }
  const QPoint at = down->mapTo(this, QPoint(down->width(), 0));
  bar->move(at.x(), at.y() + (down->height() - bar->height()) / 2);
  bar->show();
  bar->raise();
}

// Set mode: red digits for the bookmarks of the holder's current page,
// black for the others, all enabled. Go-to mode: blue, only the set ones
// enabled. A bar not made yet is painted when it is made.
void TKYMAIN::paintBookmarkDigits() {
  if (!digitBar_) return;
  const bool setMode = Button(B::TBtK_SBK) && Button(B::TBtK_SBK)->isChecked();
  TKy_Source* src = forms_.source();
  for (int d = 0; d < 10; ++d) {
    bool exists = false;
    if (toolBarHolder_ && toolBarHolder_ == forms_.edit() && forms_.editor) {
      exists = forms_.editor->BookmarkOnActivePage(d);
    } else if (src && toolBarHolder_ == src) {
      exists = src->IsSourceBookmarkSet(d) && src->Bookmark(d).Page == src->CurrentSourcePage();
    }
    QToolButton* b = DigitButton(d);
    if (setMode) {
      Paint(b, exists ? QColor(Qt::red) : QColor(Qt::black));
      b->setEnabled(true);
    } else {
      Paint(b, QColor(Qt::blue));
      b->setEnabled(exists);
    }
  }
}

void TKYMAIN::TBtK_SBKClick() {
  QToolButton* set = Button(B::TBtK_SBK);
  if (set->isChecked()) Button(B::TBtK_GBK)->setChecked(false);
  paintBookmarkDigits();
  placeDigitBar();
}

void TKYMAIN::TBtK_GBKClick() {
  QToolButton* go = Button(B::TBtK_GBK);
  if (go->isChecked()) Button(B::TBtK_SBK)->setChecked(false);
  paintBookmarkDigits();
  placeDigitBar();
}

void TKYMAIN::ReleaseBookmarkButtons() {
  for (TToolButton name : {B::TBtK_SBK, B::TBtK_GBK})
    if (QToolButton* b = Button(name)) b->setChecked(false);
  if (digitBar_) digitBar_->hide();
}

void TKYMAIN::BookmarkDigitClick(int digit) {
  const int d = (digit >= 0 && digit <= 9) ? digit : 0;
  const bool setMode = Button(B::TBtK_SBK)->isChecked();
  TKy_Source* src = forms_.source();
  if (toolBarHolder_ && toolBarHolder_ == forms_.edit() && forms_.editor) {
    if (setMode) forms_.editor->SetBookmarkAtCaret(d);
    else forms_.editor->GotoBookmark(d);
  } else if (src && toolBarHolder_ == src) {
    if (setMode) src->SetSourceBookmark(d, src->CurrentSourcePage(), src->CurrentSourceLine() - 1);
    else src->GotoSourceBookmark(d);
  }
  paintBookmarkDigits();
  ReleaseBookmarkButtons();
}

void TKYMAIN::TBtK_PageClick() {
  QToolButton* b = Button(B::TBtK_Page);
  const QPoint at = b->mapToGlobal(QPoint(0, 20));
  if (toolBarHolder_ && toolBarHolder_ == forms_.edit() && forms_.editor) {
    forms_.editor->PopupPageMenu(at.x(), at.y());
  } else if (TKy_Source* src = forms_.source(); src && toolBarHolder_ == src) {
    src->PopupSourcePageMenu(at.x(), at.y());
  }
}

// ---------------------------------------------------------------------------
// Tiling
// ---------------------------------------------------------------------------

std::vector<QWidget*> TKYMAIN::tiledWindows() const {
  std::vector<const TViewRow*> rows;
  for (const TViewRow& row : ViewRows()) rows.push_back(&row);
  std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->tile < b->tile; });
  std::vector<QWidget*> shown;
  for (const TViewRow* row : rows) {
    QWidget* w = ViewForm(row->index);
    if (w && IsViewShowing(w) && std::find(shown.begin(), shown.end(), w) == shown.end())
      shown.push_back(w);
  }
  return shown;
}

// Two columns, filled left then right, row by row from the top-left corner.
void TKYMAIN::SMenu_NextClick() {
  const std::vector<QWidget*> shown = tiledWindows();
  const int n = static_cast<int>(shown.size());
  if (n < 2) return;
  const QSize area = mdi_->viewport()->size();
  const int rows = (n + 1) / 2;
  const int w = area.width() / 2;
  const int h = area.height() / rows;
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* f = ViewFrame(shown[size_t(i)]);
    if (f->isMaximized() || f->isMinimized()) f->showNormal();
    f->setGeometry((i % 2) * w, (i / 2) * h, w, h);
  }
}

// One column, stacked from the top.
void TKYMAIN::SMenu_PrevClick() {
  const std::vector<QWidget*> shown = tiledWindows();
  const int n = static_cast<int>(shown.size());
  if (n < 1) return;
  const QSize area = mdi_->viewport()->size();
  const int h = area.height() / n;
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* f = ViewFrame(shown[size_t(i)]);
    if (f->isMaximized() || f->isMinimized()) f->showNormal();
    f->setGeometry(0, i * h, area.width(), h);
  }
}

// ---------------------------------------------------------------------------
// Other commands
// ---------------------------------------------------------------------------

void TKYMAIN::SMenu_MainFileClick() {
  TF_MFile dlg(forms_.editor, Q(Shell().MainFileName), this);
  if (dlg.exec() == QDialog::Accepted) SetMainFile(dlg.MainFileName().toStdString());
}

void TKYMAIN::SMenu_RecordClick() {
  TSRAMRecord* rec = forms_.sram;
  if (!rec || Modes().DebugMode != 1) return;
  if (QScreen* scr = QGuiApplication::primaryScreen()) {
    const QRect s = scr->availableGeometry();
    rec->move(s.left() + s.width() / 4, s.top() + s.height() / 4);
  }
  rec->ShowSDG();
  rec->setWindowModality(Qt::ApplicationModal);
  rec->show();
  rec->raise();
}

void TKYMAIN::ReLoadROM1Click() {
  TKy_UP* up = forms_.up;
  if (!up || Modes().SimulatorMode != 0 || Modes().DebugMode != 1) return;
  up->IceUploadProgram();
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(up->GetPC());
}

void TKYMAIN::InFoBlkClick() {
  if (QAction* a = Action(I::InFoBlk)) a->setChecked(!a->isChecked());
}

bool TKYMAIN::KYQRPCHIP() { return ThePod().PodSendChipVariant(Chip().DeviceKind3 == 1); }

QWidget* TKYMAIN::testButtons() {
  if (testButtons_) return testButtons_;
  testButtons_ = new QWidget(this);
  testButtons_->setObjectName("TestButtons");
  auto* lay = new QHBoxLayout(testButtons_);
  const auto commands = PodTestCommands();
  for (size_t i = 0; i < commands.size(); ++i) {
    auto* b = new QToolButton(testButtons_);
    b->setObjectName(commands[i].Button);
    b->setText(commands[i].Caption);
    connect(b, &QToolButton::clicked, this, [this, i] { TestButtonClick(int(i)); });
    lay->addWidget(b);
  }
  auto* b10 = new QToolButton(testButtons_);
  b10->setObjectName("Button10");
  connect(b10, &QToolButton::clicked, this, [this] { Button10Click(); });
  auto* edit = new QLineEdit(testButtons_);
  edit->setObjectName("Edit1");
  auto* label = new QLabel(testButtons_);
  label->setObjectName("Label2");
  lay->addWidget(b10);
  lay->addWidget(edit);
  lay->addWidget(label);
  testButtons_->hide();
  return testButtons_;
}

void TKYMAIN::TestButtonClick(int row) {
  const auto commands = PodTestCommands();
  if (row < 0 || row >= static_cast<int>(commands.size())) return;
  ThePod().PodSendTestCommand(commands[size_t(row)]);
}

// Ten of 16 program words read at the address typed in Edit1, in Label2.
void TKYMAIN::Button10Click() {
  auto* edit = testButtons()->findChild<QLineEdit*>("Edit1");
  auto* label = testButtons()->findChild<QLabel*>("Label2");
  bool ok = false;
  const uint32_t address = edit->text().toUInt(&ok, 16);
  TKy_UP* up = forms_.up;
  if (!ok || !up || !ThePod().PodSelectProgramMemory()) return;
  if (!up->IceUploadBlock(address, 0, TGauge{}, 16)) return;
  QStringList words;
  for (uint32_t i = 0; i < 10; ++i)
    words << QString::asprintf("%04X", unsigned(up->State().Cell(address + i).PodWord));
  label->setText(words.join(' '));
}

// The emulator's program-memory check (Ctrl+F9 on the source view, after Stop).
void TKYMAIN::SMenu_CheckClick() {
  TKy_UP* up = forms_.up;
  if (!up || Modes().DebugMode != 1) return;
  setBusy(35);
  QCoreApplication::processEvents();
  if (up->IceCheckProgram()) {
    Dialogs().messageBox(LangTextUtf8(lt::MemoryCheckedOk), "Information", MsgIcon::Information,
                         MbOk);
  } else {
    Dialogs().messageBox(LangTextUtf8(lt::ProgramMemoryAccessError), "Error", MsgIcon::Error,
                         MbCancel);
  }
  up->CpuReset();
  installDebugCallbacks();
  RefreshViews(TRefreshReason::Reset);
  if (TKy_Hex* hex = forms_.hex()) hex->GotoAddressCentered(up->GetPC());
  if (TKy_Source* src = forms_.source()) src->ShowPCLine(up->GetPC(), true);
  SetDebugMode(1);
  setBusy(10);
  timer2_->stop();
  up->StepReady = 1;
}

// What the SRAM record asks of the main window.
void TKYMAIN::installRecordEvents() {
  TSRAMRecord* rec = forms_.sram;
  if (!rec) return;
  rec->AttachModel(forms_.up);
  rec->SourceLineOfPc = [this](uint32_t pc, std::string& path, int& line) {
    TKy_Source* src = forms_.source();
    TKy_UP* up = forms_.up;
    if (!src || !up || !up->State().InProgram(pc)) return false;
    if (src->GetMacroRecord(src->GetAddrMacroIndex(int32_t(pc)))) return false;
    line = up->GetSourceLine(pc);
    path = src->PagePath(up->GetSourceFileIndex(pc) + 1);
    return line > 0 && !path.empty();
  };
  rec->ReleaseEditorPage = [this](const std::string& path, bool& wasOpen) {
    wasOpen = false;
    IEditorPages* ed = forms_.editor;
    if (!ed || !ed->ActivatePageByPath(path)) return true;
    if (!SaveModifiedFiles(path, 0)) return false;
    ed->ActivatePageByPath(path);
    ed->CloseCurrentPage();
    wasOpen = true;
    return true;
  };
  rec->ReopenEditorPage = [this](const std::string& path, int line) {
    IEditorPages* ed = forms_.editor;
    if (!ed || !ed->OpenFileInPage(path)) return;
    SetNoFileState(0);
    ed->GotoLineCentered(line - 1);
  };
  rec->Rebuild = [this] {
    if (Modes().DebugMode == 1) TBtK_F10Click();
    if (!closed_) BuildAndLoad(1);
  };
}

// The chip's peripheral menu items: shown as the chip loader decided.
void TKYMAIN::applyChipMenus() {
  for (const TViewRow& row : ViewRows())
    if (row.visible) ViewAction(row.index)->setVisible(Chip().Menus.*row.visible);
}

}  // namespace kyvor
