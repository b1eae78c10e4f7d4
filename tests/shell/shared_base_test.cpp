// The shared base form: the editor font and keeping windows on the screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "base/lang.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "debugwin/debugwins.h"
#include "engine/ky_up.h"
#include "shell/mainwin/base_form.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "support/fake_editor.h"
#include "support/main_window_fixture.h"
#include "support/scripted_dialogs.h"

namespace kyvor {
namespace {

using test::FakeEditor;
using test::ScriptedDialogs;

TEST(SharedBase, EditorFontIsBoldElevenPointFixedPitch) {
  TKy_BASE base;
  const QFont& f = base.EditorFont();
  EXPECT_EQ(f.pointSize(), 11);
  EXPECT_TRUE(f.bold());
  EXPECT_TRUE(QFontInfo(f).fixedPitch() || f.fixedPitch());
  EXPECT_EQ(Ky_BASE(), &base);
}

TEST(SharedBase, FitToScreenKeepsTwentyPixelsOnTheScreen) {
  EXPECT_EQ(FitRectToScreen(QRect(1900, 0, 1000, 100), 1920, 1080).left(), 1900);
  EXPECT_EQ(FitRectToScreen(QRect(1910, 0, 1000, 100), 1920, 1080).left(), 1900);
  EXPECT_EQ(FitRectToScreen(QRect(2000, 0, 1000, 100), 1920, 1080).left(), 920);
  EXPECT_EQ(FitRectToScreen(QRect(-50, -40, 100, 100), 1920, 1080).topLeft(), QPoint(-50, -40));
  const QRect big = FitRectToScreen(QRect(0, 1070, 3000, 2000), 1920, 1080);
  EXPECT_EQ(big.size(), QSize(1920, 1080));
  EXPECT_EQ(big.top(), 1060);
}

}  // namespace
}  // namespace kyvor
