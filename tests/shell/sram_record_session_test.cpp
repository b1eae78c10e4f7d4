// The SRAM record in the whole program: writes made while debugging are
// saved and loaded, turned into KySRAM.asm and into lines of the source after
// the PC's line, and the rebuilt program makes the same writes when it runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

#include "base/modes.h"
#include "base/options.h"
#include "debugwin/debugwins.h"
#include "debugwin/sramdata.h"
#include "engine/ky_up.h"
#include "shell/editor/editorlink.h"
#include "shell/mainwin/startup.h"
#include "shell/editor/editor.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/source/source_view.h"
#include "shell/editor/richedit.h"
#include "support/fake_clock.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/program_session.h"

namespace kyvor {
namespace {

// Registers of the example program.
constexpr int kCount = 0x80;
constexpr int kTicks = 0x81;

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SramSession : public test::ProgramSession {
 protected:
  void SetUp() override {
    ProgramSession::SetUp();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(w().OpenSourceFile(source));
    w().SMenu_AssembleDebugClick();
    ASSERT_EQ(Modes().DebugMode, 1);
    rec = w().Forms().sram;
    ASSERT_NE(rec, nullptr);
  }
  QString folder() const { return dir.filePath("KyvorTemp"); }
  // The user's writes of the tests: COUNT twice (one bit the second time), TICKS once.
  void writeSome() {
    rec->SetContinue(true);
    up().LogRegisterChange(kCount, 0x12);
    up().LogRegisterChange(kCount, 0x13);
    up().LogRegisterChange(kTicks, 0x34);
  }
  void trace(int n) {
    for (int i = 0; i < n; ++i) {
      clock.advance(std::chrono::milliseconds(100));
      w().SMenu_TraceClick();
    }
  }

  std::string source;
  TSRAMRecord* rec = nullptr;
};

TEST_F(SramSession, ContinueDecidesWhetherRepeatedWritesAddEntries) {
  rec->SetContinue(false);
  EXPECT_EQ(Options().ChContinue, 0);
  EXPECT_EQ(rec->StatusText(1), "Status: Not Continue");
  up().LogRegisterChange(kCount, 1);
  up().LogRegisterChange(kCount, 2);
  EXPECT_EQ(up().RegRecord.Count(), 1);
  rec->MenuItem("ChContinue")->trigger();
  EXPECT_EQ(Options().ChContinue, 1);
  EXPECT_TRUE(rec->MenuItem("ChContinue")->isChecked());
  EXPECT_FALSE(rec->MenuItem("CkNoContinue")->isChecked());
  EXPECT_EQ(rec->StatusText(1), "Status: Continue");
  up().LogRegisterChange(kCount, 3);
  EXPECT_EQ(up().RegRecord.Count(), 2);
  rec->ShowSDG();
  EXPECT_EQ(rec->Grid()->rowCount(), 3);
  EXPECT_EQ(rec->Grid()->item(0, 4)->text(), "Befor Data");
  EXPECT_EQ(rec->Grid()->item(2, 3)->text(), "03h");
  EXPECT_EQ(rec->Grid()->item(2, 4)->text(), "02h");
  // Clear asks first.
  dialogs.answer(MsgResult::No);
  rec->ClearClick();
  EXPECT_EQ(up().RegRecord.Count(), 2);
  dialogs.answer(MsgResult::Yes);
  rec->ClearClick();
  EXPECT_EQ(up().RegRecord.Count(), 0);
  EXPECT_EQ(rec->Grid()->rowCount(), 2);
  EXPECT_EQ(rec->StatusText(0), "Clear Record");
}

TEST_F(SramSession, SaveAndDownLoadGoThroughTheFolderBesideTheMainFile) {
  // Nothing to save: no question, no folder.
  rec->SaveClick();
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_FALSE(QDir(folder()).exists());
  dialogs.clear();
  rec->DownLoadClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, folder().toStdString() + "/  is not Exist!!!!");
  writeSome();
  dialogs.clear();
  rec->SaveClick();
  const QString csv = folder() + "/KySRAM.CSV";
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Save  \"" + csv.toStdString() + "\" ?");
  EXPECT_EQ(rec->StatusText(0), "Save to \"" + csv + "\"");
  EXPECT_EQ(ReadFile(csv),
            "Item, Name                            , Address, Last Data, Before Data\r\n"
            "1   , COUNT                           , 0080h  , 12h      , 00h\r\n"
            "2   , COUNT                           , 0080h  , 13h      , 12h\r\n"
            "3   , TICKS                           , 0081h  , 34h      , 00h\r\n");
  dialogs.answer(MsgResult::Yes);
  rec->DownLoadClick();
  EXPECT_EQ(up().RegRecord.Count(), 6) << "appended to the log";
  EXPECT_EQ(rec->Grid()->rowCount(), 7);
  EXPECT_EQ(rec->StatusText(0), "Download \"" + csv + "\"");
  // No: nothing read.
  dialogs.answer(MsgResult::No);
  rec->DownLoadClick();
  EXPECT_EQ(up().RegRecord.Count(), 6);
}

// The folder is made only once the question is answered Yes, and the
// windows of the document area stay while the question is open.
TEST_F(SramSession, SaveMakesTheFolderOnlyAfterTheQuestion) {
  writeSome();
  QWidget* src = w().Forms().source();
  ASSERT_TRUE(w().IsViewShowing(src));
  bool folderWhileAsked = true;
  bool sourceWhileAsked = false;
  dialogs.onMessage([&](const test::AskedMessage&) {
    folderWhileAsked = QDir(folder()).exists();
    sourceWhileAsked = w().IsViewShowing(src);
    return MsgResult::No;
  });
  rec->SaveClick();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_FALSE(folderWhileAsked) << "not made before the answer";
  EXPECT_TRUE(sourceWhileAsked);
  EXPECT_FALSE(QDir(folder()).exists()) << "No: no folder";
  rec->CreateNewFileClick();
  EXPECT_FALSE(QDir(folder()).exists());
  dialogs.onMessage(nullptr);
  dialogs.answer(MsgResult::Yes);
  rec->SaveClick();
  EXPECT_TRUE(QFile::exists(folder() + "/KySRAM.CSV"));
}

TEST_F(SramSession, CreateNewFileWritesThePatchCode) {
  writeSome();
  rec->CreateNewFileClick();
  EXPECT_EQ(ReadFile(folder() + "/KySRAM.asm"),
            "       MVL     012h\r\n"
            "       MVF     0080h, 1, 0   ; MVF   COUNT, F, ACCE\r\n"
            "       BSF     0080h, 0, 0   ; BSF   COUNT, 0, ACCE\r\n"
            "       MVL     034h\r\n"
            "       MVF     0081h, 1, 0   ; MVF   TICKS, F, ACCE\r\n");
}

TEST_F(SramSession, ThePatchFileAssemblesAndMakesTheWritesOfEveryBank) {
  rec->SetContinue(true);
  up().LogRegisterChange(0x123, 0x56);
  up().LogRegisterChange(kCount, 0x12);
  up().LogRegisterChange(0x123, 0x57);
  up().LogRegisterChange(0x124, 0x9A);
  rec->CreateNewFileClick();
  const QByteArray patch = ReadFile(folder() + "/KySRAM.asm");
  ASSERT_TRUE(patch.startsWith("       LBSR    1\r\n       MVL     056h\r\n")) << patch.toStdString();
  // A program of its own that includes the patch.
  QFile inc(dir.filePath("patch.inc"));
  ASSERT_TRUE(inc.open(QIODevice::WriteOnly));
  inc.write(patch);
  inc.close();
  QFile main(dir.filePath("patch.asm"));
  ASSERT_TRUE(main.open(QIODevice::WriteOnly));
  main.write("        ORG     0\r\n        INCLUDE PATCH.INC\r\nDONE:   NOP\r\n        JMP     DONE\r\n"
             "        END\r\n");
  main.close();
  w().SMenu_EditModeClick();
  prog->EditorPages()->CloseAllPages();
  ASSERT_TRUE(w().OpenSourceFile(dir.filePath("patch.asm").toStdString()));
  w().SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 1) << (w().Forms().err()->Count() ? w().Forms().err()->TextAt(0) : "");
  // LBSR, MVL, MVF; MVL, MVF (bank 0); BSF; MVL, MVF: DONE follows at 8.
  const int32_t done = 8;
  ASSERT_EQ(up().GetSourceLine(done), 3);
  for (int i = 0; i < 20 && up().GetPC() != uint32_t(done); ++i) trace(1);
  ASSERT_EQ(up().GetPC(), uint32_t(done));
  EXPECT_EQ(up().ReadRegister(0x123), 0x57);
  EXPECT_EQ(up().ReadRegister(0x124), 0x9A);
  EXPECT_EQ(up().ReadRegister(kCount), 0x12);
}

TEST_F(SramSession, AddToCurrentAddressInsertsThePatchAndTheRebuildMakesTheWrites) {
  trace(2);  // PC at CALL DELAY, line 17
  ASSERT_EQ(w().Forms().source()->PCLine(), 17);
  writeSome();
  dialogs.answer(MsgResult::Yes);  // over write
  dialogs.answer(MsgResult::Yes);  // rebuild
  rec->AddCurrentClick();
  const std::vector<std::string> asked = dialogs.messageTexts();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], "Over Write \"blink.asm\" ?");
  EXPECT_EQ(asked[1], "\"" + source + "\"  had been : modified, Rebuild Main Program?");
  const QByteArray text = ReadFile(QString::fromStdString(source));
  EXPECT_TRUE(text.contains("MAIN:   CALL    DELAY                   ; wait a little\r\n"
                            "       MVL     012h\r\n"))
      << text.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("MyTemp.tmp")));
  // The page closed for the rewrite is open again with the new text.
  ASSERT_EQ(prog->EditorPages()->PageCount(), 1);
  EXPECT_TRUE(prog->Editor()->CurrentEdit()->toPlainText().contains("MVL     012h"));
  // Rebuilt and back in debug mode: running to the patch makes the writes.
  ASSERT_EQ(Modes().DebugMode, 1);
  EXPECT_FALSE(rec->isVisible());
  up().ClearBreakpoints();
  const uint32_t after = up().GetPC();
  EXPECT_EQ(after, 0u);
  trace(3);                     // CLRF, CLRF, CALL's first word: the subroutine
  while (up().GetPC() != 3 && up().GetPC() < 40) trace(1);  // back after the CALL
  for (int i = 0; i < 6 && up().ReadRegister(kTicks) != 0x34; ++i) trace(1);
  EXPECT_EQ(up().ReadRegister(kCount), 0x13);
  EXPECT_EQ(up().ReadRegister(kTicks), 0x34);
}

TEST_F(SramSession, AddToCurrentAddressDoesNothingWithoutASourceLine) {
  writeSome();
  // The SHOW macro's expansion: its first word belongs to a macro record.
  trace(4);
  while (!w().Forms().source()->IsInMacro() && up().GetPC() < 40) trace(1);
  ASSERT_TRUE(w().Forms().source()->IsInMacro());
  const QByteArray before = ReadFile(QString::fromStdString(source));
  dialogs.clear();
  rec->AddCurrentClick();
  EXPECT_TRUE(dialogs.messages().empty());
  EXPECT_EQ(ReadFile(QString::fromStdString(source)), before);
}

TEST_F(SramSession, AddToCurrentAddressAsksAboutUnsavedEditsFirst) {
  writeSome();
  TKy_EDIT* ed = prog->Editor();
  ed->CurrentEdit()->textCursor().insertText("; not saved\n");
  ASSERT_TRUE(ed->IsPageModified(1));
  const QByteArray before = ReadFile(QString::fromStdString(source));
  dialogs.answer(MsgResult::Yes);     // over write
  dialogs.answer(MsgResult::Cancel);  // save changes?
  rec->AddCurrentClick();
  ASSERT_EQ(dialogs.messages().size(), 2u);
  EXPECT_EQ(dialogs.messages()[1].text, "Save changes to " + source + "?");
  EXPECT_EQ(ReadFile(QString::fromStdString(source)), before) << "nothing written";
  EXPECT_EQ(prog->EditorPages()->PageCount(), 1);
  EXPECT_TRUE(ed->IsPageModified(1)) << "the edit is kept";
}

}  // namespace
}  // namespace kyvor
