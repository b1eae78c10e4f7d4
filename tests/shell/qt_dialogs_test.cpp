// The Qt side of the dialog seam: the file filters handed to the file
// dialogs, and what the dialogs give back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>

#include "base/dialogs.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "shell/kymain.h"
#include "shell/qt_dialogs.h"
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
  QString choice;

 protected:
  int execFileDialog(QFileDialog& dialog) override {
    filters = dialog.nameFilters();
    directory = dialog.directory().absolutePath();
    mode = dialog.acceptMode();
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

}  // namespace
}  // namespace kyvor
