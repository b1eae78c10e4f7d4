#include "debugwin/sramrecord.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>

#include "base/dialogs.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "debugwin/sramdata.h"
#include "engine/ky_up.h"

namespace kyvor {

namespace {

const char kOpenFailed[] = "File has been Open, Please Close Open File!!!!!";

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string Hex(unsigned v, int digits) {
  char b[16];
  std::snprintf(b, sizeof b, "%0*X", digits, v);
  return b;
}

// A text-table prefix that ends in an opening double quote.
std::string QuotedPrefix(int row) {
  std::string s = LangTextUtf8(row);
  if (s.empty() || s.back() != '"') s += '"';
  return s;
}

std::string FileNamePart(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

const char* const kHeader[] = {"Item", "Name", "Address", "Last Data", "Befor Data"};

}  // namespace

TSRAMRecord::TSRAMRecord(QWidget* parent) : TKyChildForm("SRAMRecord", "SRAM Record", parent) {
  setWindowTitle("SRAM Record");
  setWindowFlag(Qt::Window);
  makeActions();
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(5, 0, 5, 0);
  setMinimumSize(kMinWidth, kMinHeight);
  resize(kMinWidth + 100, kMinHeight);
  showContinueState();
}

void TSRAMRecord::makeActions() {
  auto make = [this](const char* name, const char* caption, void (TSRAMRecord::*fn)()) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, fn);
    return a;
  };
  make("Save", "Save", &TSRAMRecord::SaveClick);
  make("DownLoad", "DownLoad", &TSRAMRecord::DownLoadClick);
  make("Clear", "Clear", &TSRAMRecord::ClearClick);
  make("Close", "Close", &TSRAMRecord::CloseClick);
  chContinue_ = new QAction("Continue", this);
  chContinue_->setObjectName("ChContinue");
  connect(chContinue_, &QAction::triggered, this, [this] { SetContinue(true); });
  ckNoContinue_ = new QAction("Not Continue", this);
  ckNoContinue_->setObjectName("CkNoContinue");
  connect(ckNoContinue_, &QAction::triggered, this, [this] { SetContinue(false); });
  auto* group = new QActionGroup(this);
  for (QAction* a : {chContinue_, ckNoContinue_}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  make("CreateNewFile", "Create New File", &TSRAMRecord::CreateNewFileClick);
  addCurrent_ = make("ADDCurrent", "Add to Current Address", &TSRAMRecord::AddCurrentClick);
}

void TSRAMRecord::BuildContents() {
  if (grid_) return;
  auto* bar = new QMenuBar(this);
  QMenu* file = bar->addMenu("File");
  for (const char* name : {"Save", "DownLoad", "Clear", "Close"}) file->addAction(MenuItem(name));
  bar->addMenu("Continue")->addActions({chContinue_, ckNoContinue_});
  bar->addMenu("Compiler")->addActions({MenuItem("CreateNewFile"), addCurrent_});
  grid_ = new QTableWidget(2, 5, this);
  grid_->setObjectName("RecSDG");
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  panel0_ = new QLabel(status_[0], this);
  panel1_ = new QLabel(status_[1], this);
  auto* status = new QStatusBar(this);
  status->setSizeGripEnabled(false);
  status->addWidget(panel0_, 2);
  status->addWidget(panel1_, 1);
  auto* lay = static_cast<QVBoxLayout*>(layout());
  lay->setMenuBar(bar);
  lay->addWidget(grid_, 1);
  lay->addWidget(status);
  fitColumns();
  fillGrid(nullptr);
}

QTableWidget* TSRAMRecord::Grid() {
  BuildContents();
  return grid_;
}

QAction* TSRAMRecord::MenuItem(const QString& name) const { return findChild<QAction*>(name); }

QString TSRAMRecord::StatusText(int panel) const { return status_[panel == 0 ? 0 : 1]; }

void TSRAMRecord::setStatus(int panel, const QString& text) {
  status_[panel == 0 ? 0 : 1] = text;
  if (panel0_) (panel == 0 ? panel0_ : panel1_)->setText(text);
}

void TSRAMRecord::ShowSDG() {
  Grid();
  fillGrid(Model() ? &Model()->RegRecord : nullptr);
}

void TSRAMRecord::fillGrid(const TRegRecord* log) {
  const int count = log ? log->Count() : 0;
  grid_->clearContents();
  grid_->setRowCount(count > 0 ? count + 1 : 2);
  auto put = [this](int row, int col, const std::string& text) {
    auto* item = new QTableWidgetItem(Q(text));
    item->setTextAlignment(Qt::AlignCenter);
    grid_->setItem(row, col, item);
  };
  // Row 0 is the fixed header row.
  for (int c = 0; c < 5; ++c) {
    put(0, c, kHeader[c]);
    QTableWidgetItem* h = grid_->item(0, c);
    h->setFlags(Qt::ItemIsEnabled);
    h->setBackground(palette().button());
  }
  grid_->setCurrentItem(nullptr);
  for (int r = 1; r <= count; ++r) {
    const TRegChange* e = log->Item(r);
    put(r, 0, std::to_string(r));
    put(r, 1, e->Name);
    put(r, 2, Hex(unsigned(e->Address) & 0xFFFF, 4) + "h");
    put(r, 3, Hex(e->NewValue, 2) + "h");
    put(r, 4, Hex(e->OldValue, 2) + "h");
  }
}

void TSRAMRecord::RecordClearA() {
  if (Model()) Model()->RegRecord.Clear();
  // A grid not made yet would show the empty log.
  if (grid_) ShowSDG();
}

void TSRAMRecord::ClearLastAction() { setStatus(0, QString()); }

void TSRAMRecord::SetContinue(bool on) {
  Options().ChContinue = on ? 1 : 0;
  showContinueState();
}

bool TSRAMRecord::ContinueChecked() const { return Options().ChContinue != 0; }

void TSRAMRecord::showContinueState() {
  const bool on = ContinueChecked();
  chContinue_->setChecked(on);
  ckNoContinue_->setChecked(!on);
  setStatus(1, on ? "Status: Continue" : "Status: Not Continue");
}

void TSRAMRecord::SetAddCurrentEnabled(bool on) { addCurrent_->setEnabled(on); }

void TSRAMRecord::showEvent(QShowEvent* e) {
  TKyChildForm::showEvent(e);
  showContinueState();
}

void TSRAMRecord::resizeEvent(QResizeEvent* e) {
  TKyChildForm::resizeEvent(e);
  if (grid_) fitColumns();
}

// The grid's columns and the status panels follow the window's width.
void TSRAMRecord::fitColumns() {
  const int w = std::max(1, (width() - 40) / 5);
  for (int c = 0; c < 5; ++c) grid_->setColumnWidth(c, w);
  panel0_->setMinimumWidth(width() * 2 / 3);
}

std::string TSRAMRecord::RecordFolder() {
  std::string main;
  if (!MainFileDir(main)) return std::string();
  return main + kSramFolderName + "/";
}

bool TSRAMRecord::ask(const std::string& text) {
  return Dialogs().messageBox(text, "Confirm", MsgIcon::Question, MbYes | MbNo) == MsgResult::Yes;
}

void TSRAMRecord::error(const std::string& text) {
  Dialogs().messageBox(text, "Error", MsgIcon::Error, MbCancel);
}

bool TSRAMRecord::folderForWrite(std::string& folder) {
  folder = RecordFolder();
  std::error_code ec;
  if (folder.empty() || (!std::filesystem::is_directory(folder, ec) &&
                         !std::filesystem::create_directories(folder, ec))) {
    folderError();
    return false;
  }
  return true;
}

void TSRAMRecord::folderError() { error("KyvorTemp can't been Created!!!!!"); }

void TSRAMRecord::ClearClick() {
  if (!ask(LangTextUtf8(lt::ClearRecordQuestion))) return;
  setStatus(0, "Clear Record");
  RecordClearA();
}

void TSRAMRecord::CloseClick() { hide(); }

// A file of the record folder made from a log that is not empty, after the
// user agreed.
void TSRAMRecord::saveRecordFile(const char* name,
                                 const std::function<bool(const std::string&)>& write) {
  if (!Model() || Model()->RegRecord.Count() == 0) return;
  std::string folder = RecordFolder();
  if (folder.empty()) {
    folderError();
    return;
  }
  const std::string path = folder + name;
  if (!ask(QuotedPrefix(lt::SavePrefix) + path + "\" ?")) return;
  // The folder is made once the user agreed to the file.
  if (!folderForWrite(folder)) return;
  setStatus(0, Q("Save to \"" + path + "\""));
  if (!write(path)) error(kOpenFailed);
}

void TSRAMRecord::SaveClick() {
  saveRecordFile(kSramCsvName,
                 [this](const std::string& path) { return WriteSramCsv(path, Model()->RegRecord); });
}

void TSRAMRecord::DownLoadClick() {
  if (!Model()) return;
  const std::string folder = RecordFolder();
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    error(folder + "  is not Exist!!!!");
    return;
  }
  const std::string path = folder + kSramCsvName;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error(path + " is not Exist!!!!");
    return;
  }
  if (!ask(QuotedPrefix(lt::LoadPrefix) + path + "\" ?")) return;
  setStatus(0, Q("Download \"" + path + "\""));
  switch (ReadSramCsv(path, Model()->RegRecord)) {
    case TSramLoad::CannotOpen: error(kOpenFailed); return;
    case TSramLoad::BufferFull:
      error("SRAM Buffer is over 1024, Please clear SRAM Buffer !!!");
      break;
    case TSramLoad::Loaded: break;
  }
  ShowSDG();
}

void TSRAMRecord::CreateNewFileClick() {
  saveRecordFile(kSramAsmName, [this](const std::string& path) {
    return WriteTextLines(path, SramPatchLines(Model()->RegRecord, Chip().CoreVariant));
  });
}

void TSRAMRecord::AddCurrentClick() {
  TKy_UP* up = Model();
  if (!up || up->RegRecord.Count() == 0 || !SourceLineOfPc) return;
  std::string path;
  int line = 0;
  if (!SourceLineOfPc(up->GetPC(), path, line) || line <= 0 || path.empty()) return;
  if (!ask(QuotedPrefix(lt::OverWritePrefix) + FileNamePart(path) + "\" ?")) return;
  bool wasOpen = false;
  if (ReleaseEditorPage && !ReleaseEditorPage(path, wasOpen)) return;
  setStatus(0, Q(QuotedPrefix(lt::OverWritePrefix) + path + "\""));
  const TInsertLines r = InsertLinesAfter(path, line, SramPatchLines(up->RegRecord, Chip().CoreVariant),
                                          FolderOf(path) + kSramWorkName);
  if (r != TInsertLines::Done) error(kOpenFailed);
  if (wasOpen && ReopenEditorPage) ReopenEditorPage(path, line);
  if (r != TInsertLines::Done) return;
  if (!ask("\"" + path + "\"  " + LangTextUtf8(lt::RebuildMainProgram))) return;
  hide();
  if (Rebuild) Rebuild();
}

}  // namespace kyvor
