// The Qt side of the dialog seam: the file filters handed to the file
// dialogs, and what the dialogs give back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include "base/dialogs.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/qt_dialogs.h"
#include "support/fake_editor.h"

namespace kyvor {
namespace {

// The patterns of a Qt name filter "description (p1 p2)".
QStringList Patterns(const QString& nameFilter) {
  const qsizetype open = nameFilter.lastIndexOf('(');
  return nameFilter.mid(open + 1).chopped(1).split(' ', Qt::SkipEmptyParts);
}

// Records each file dialog instead of showing it, and chooses `choice`.
class InspectingDialogs : public QtDialogService {
 public:
  QStringList filters;
  QString directory;
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
  bool dialogConfirmsOverwrite = false;
  QString choice;
  QStringList messages;

  MsgResult messageBox(const std::string& text, const std::string&, MsgIcon,
                       unsigned) override {
    messages << QString::fromStdString(text);
    return MsgResult::Cancel;
  }

 protected:
  int execFileDialog(QFileDialog& dialog) override {
    filters = dialog.nameFilters();
    directory = dialog.directory().absolutePath();
    mode = dialog.acceptMode();
    dialogConfirmsOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
    if (choice.isEmpty()) return QDialog::Rejected;
    dialog.selectFile(choice);
    return QDialog::Accepted;
  }
};

TEST(QtDialogs, FiltersOfDescriptionAndPatternPairsBecomeNameFilters) {
  EXPECT_EQ(QtFileFilters("*.asm|*.asm|*.inc|*.inc|*.*|*.*"),
            (QStringList{"*.asm (*.asm)", "*.inc (*.inc)", "*.* (*)"}));
  EXPECT_EQ(QtFileFilters("Sources|*.asm;*.inc|All|*.*"),
            (QStringList{"Sources (*.asm *.inc)", "All (*)"}));
  EXPECT_EQ(QtFileFilters("*.ram|*.ram"), QStringList{"*.ram (*.ram)"});
  EXPECT_EQ(QtFileFilters("*.prj"), QStringList{"*.prj (*.prj)"}) << "a pattern alone";
  EXPECT_TRUE(QtFileFilters("").isEmpty());
}

TEST(QtDialogs, SaveSuffixIsTheFirstPatternsExtension) {
  EXPECT_EQ(DefaultSaveSuffix("*.asm|*.asm|*.inc|*.inc|*.*|*.*"), "asm");
  EXPECT_EQ(DefaultSaveSuffix("Sources|*.asm;*.inc|All|*.*"), "asm");
  EXPECT_EQ(DefaultSaveSuffix("*.ram|*.ram"), "ram");
  EXPECT_EQ(DefaultSaveSuffix("*.Hex"), "Hex");
  EXPECT_EQ(DefaultSaveSuffix("All|*.*"), "");
  EXPECT_EQ(DefaultSaveSuffix("Any|k*.h?x"), "");
  EXPECT_EQ(DefaultSaveSuffix(""), "");
}

TEST(QtDialogs, OpenDialogOfTheMainWindowListsTheExamples) {
  ResetModes();
  ResetShell();
  ResetOutputFileState();
  test::FakeEditor editor;
  TKYMAIN main;
  TKyForms forms;
  forms.editor = &editor;
  main.AttachForms(forms);
  InspectingDialogs dialogs;
  SetDialogs(&dialogs);
  const QString examples = QString(KYVOR_DATA_DIR) + "/examples";
  dialogs.choice = examples + "/blink.asm";
  main.SMenu_OpenClick();
  ASSERT_FALSE(dialogs.filters.isEmpty());
  EXPECT_EQ(dialogs.mode, QFileDialog::AcceptOpen);
  const QStringList listed = QDir(examples).entryList(Patterns(dialogs.filters.first()));
  EXPECT_TRUE(listed.contains("blink.asm")) << dialogs.filters.join(";;").toStdString();
  EXPECT_TRUE(QDir(examples).entryList(Patterns(dialogs.filters.last())).contains("blink.inc"));
  ASSERT_EQ(editor.PageCount(), 1) << "the chosen file is opened";
  EXPECT_EQ(editor.PagePath(1), dialogs.choice.toStdString());

  // Save As of the page: the same filters, the save mode, and Cancel gives nothing.
  dialogs.choice.clear();
  dialogs.filters.clear();
  main.SMenu_SaveAsClick();
  EXPECT_EQ(dialogs.mode, QFileDialog::AcceptSave);
  EXPECT_EQ(dialogs.filters.size(), 3);
  EXPECT_TRUE(editor.savedAs.empty());
  SetDialogs(nullptr);
}

// A replaced file is asked about once: by the save dialog, unless the caller
// asks its own question after it.
TEST(QtDialogs, OverwriteIsAskedByTheDialogOrByTheCallerNeverBoth) {
  QTemporaryDir dir;
  const QString existing = dir.filePath("old.cfg");
  QFile f(existing);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("x");
  f.close();
  InspectingDialogs dialogs;
  dialogs.choice = existing;
  ASSERT_TRUE(dialogs.saveFileName("Save", dir.path().toStdString(), "*.cfg|*.cfg"));
  EXPECT_TRUE(dialogs.dialogConfirmsOverwrite);
  ASSERT_TRUE(dialogs.saveFileName("Save", dir.path().toStdString(), "*.cfg|*.cfg",
                                   OverwriteQuestion::ByCaller));
  EXPECT_FALSE(dialogs.dialogConfirmsOverwrite);
  // A name typed without its extension is the file the dialog asks about.
  dialogs.choice = dir.filePath("old");
  EXPECT_EQ(dialogs.saveFileName("Save", dir.path().toStdString(), "*.cfg|*.cfg|*.*|*.*"),
            existing.toStdString());
  dialogs.choice = existing;

  // The main window's saves leave the question to the dialog and ask nothing after it.
  ResetModes();
  ResetShell();
  ResetOutputFileState();
  Shell().ConfigFolder = dir.path().toStdString() + "/";
  TKYMAIN main;
  SetDialogs(&dialogs);
  dialogs.dialogConfirmsOverwrite = false;
  main.SMenu_SaveConfigClick();
  EXPECT_TRUE(dialogs.dialogConfirmsOverwrite);
  EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
  f.open(QIODevice::ReadOnly);
  EXPECT_GT(f.size(), 1) << "the configuration replaced the old file";
  f.close();
  SetDialogs(nullptr);
}

}  // namespace
}  // namespace kyvor
