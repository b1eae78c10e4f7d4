// The revision viewer and the About command: the file of the current
// language shown modally, once per command, nothing without the file; the
// shipped revision texts.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>

#include "base/lang.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/revision_viewer.h"
#include "shell/editor/richedit.h"
#include "support/session_support.h"

namespace kyvor {
namespace {

class RevisionViewer : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    ASSERT_TRUE(dir.isValid());
    Shell().ProgramFolder = dir.path().toStdString() + "/";
    main = std::make_unique<TKYMAIN>();
    TKyForms f;
    f.revision = &viewer;
    main->AttachForms(f);
  }
  void TearDown() override {
    main.reset();
    test::ResetProgramState();
  }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(dir.filePath(name).toStdString(), std::ios::binary) << bytes;
  }
  // Runs a command; what the viewer showed while it was open (it is looked
  // at once its modal loop runs, then closed).
  struct Shown {
    int times = 0;
    bool modal = false;
    QString text;
  };
  Shown Run(const std::function<void()>& command) {
    Shown s;
    QTimer look;
    look.setSingleShot(true);
    QObject::connect(&look, &QTimer::timeout, &viewer, [this, &s] {
      ++s.times;
      s.modal = viewer.isVisible() && viewer.isModal();
      s.text = viewer.TextView()->toPlainText();
      viewer.accept();
    });
    look.start(0);
    command();
    return s;
  }
  Shown About() {
    return Run([this] { main->AboutClick(); });
  }
  QTemporaryDir dir;
  TKy_Revision viewer;
  std::unique_ptr<TKYMAIN> main;
};

TEST_F(RevisionViewer, TheWindowAsDesigned) {
  EXPECT_EQ(viewer.windowTitle(), "Revision History");
  EXPECT_EQ(viewer.size(), QSize(698, 586));
  EXPECT_TRUE(viewer.TextView()->isReadOnly());
  EXPECT_EQ(viewer.TextView()->font().pointSize(), 11);
  EXPECT_EQ(viewer.TextView()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(viewer.TextView()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(viewer.TextView()->toPlainText().isEmpty());
  QFont f("Courier New", 14);
  f.setBold(true);
  viewer.ApplyEditorFont(f);
  EXPECT_EQ(viewer.TextView()->font().pointSize(), 14);
  EXPECT_TRUE(viewer.TextView()->font().bold());
}

TEST_F(RevisionViewer, AboutShowsTheEnglishFileOncePerCommand) {
  Write("Revision_EN.txt", "Kyvor-IDE\r\n\r\n  * first line\r\n  * second line\r\n");
  Write("Revision.txt", "other language\r\n");
  for (int round = 0; round < 2; ++round) {
    const Shown s = About();
    EXPECT_EQ(s.times, 1);
    EXPECT_TRUE(s.modal);
    EXPECT_EQ(s.text, "Kyvor-IDE\n\n  * first line\n  * second line");
    // Emptied when it closes.
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_TRUE(viewer.TextView()->toPlainText().isEmpty());
  }
}

TEST_F(RevisionViewer, TheChineseFileThroughTheTextTranslation) {
  LangState().LanguageIndex = 1;
  Ky_Lang().SetLanguage(1);
  // "修訂" in Big5.
  Write("Revision.txt", "Kyvor-IDE \xAD\xD7\xAD\x71\r\n");
  Write("Revision_EN.txt", "English\r\n");
  const Shown s = About();
  EXPECT_EQ(s.times, 1);
  EXPECT_EQ(s.text.toStdString(), Ky_Lang().DisplayText("Kyvor-IDE \xAD\xD7\xAD\x71"));
  EXPECT_NE(s.text.toStdString(), "English");
  Ky_Lang().SetLanguage(0);
}

TEST_F(RevisionViewer, WithoutTheFileOfTheLanguageNothingIsShown) {
  // Only the Chinese file, English interface.
  Write("Revision.txt", "other language\r\n");
  Shown s = About();
  EXPECT_EQ(s.times, 0);
  EXPECT_FALSE(viewer.isVisible());
  // No file at all, and a file that cannot be read (a folder of that name).
  QFile::remove(dir.filePath("Revision.txt"));
  ASSERT_TRUE(QDir(dir.path()).mkdir("Revision_EN.txt"));
  s = About();
  EXPECT_EQ(s.times, 0);
  EXPECT_FALSE(viewer.isVisible());
}

TEST_F(RevisionViewer, TheHelpMenuRunsAbout) {
  Write("Revision_EN.txt", "history\r\n");
  QAction* about = main->Action(TMenuItem::About);
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isEnabled());
  const Shown shown = Run([about] { about->trigger(); });
  EXPECT_EQ(shown.times, 1);
  EXPECT_EQ(shown.text, "history");
}

TEST(RevisionFiles, TheShippedHistoryInBothLanguages) {
  EXPECT_EQ(RevisionFileName("/opt/kyvor/", 0), "/opt/kyvor/Revision_EN.txt");
  EXPECT_EQ(RevisionFileName("/opt/kyvor/", 1), "/opt/kyvor/Revision.txt");
  for (const char* name : {"Revision_EN.txt", "Revision.txt"}) {
    QFile f(QString(KYVOR_DATA_DIR) + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("Kyvor-IDE  ")) << name;
    EXPECT_TRUE(bytes.contains("2026-12-08")) << name;
    EXPECT_TRUE(bytes.contains(".obj")) << name;
    EXPECT_TRUE(bytes.endsWith("\r\n")) << name;
  }
}

}  // namespace
}  // namespace kyvor
