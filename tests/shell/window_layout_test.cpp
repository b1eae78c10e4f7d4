// Default places of the child windows: the arrangement itself, and the
// whole program offscreen (the source view after F4 on the shipped example,
// the debug windows beside it, the editor with the error list below it).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "base/lang.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "debugwin/debugwins.h"
#include "shell/mainwin/default_layout.h"
#include "shell/mainwin/error_list.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/views.h"
#include "shell/source/source_view.h"
#include "support/fake_clock.h"
#include "support/key_events.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"

namespace kyvor {
namespace {

long long AreaOf(const QRect& r) { return static_cast<long long>(r.width()) * r.height(); }

bool Within(const QRect& r, const QSize& area) { return QRect(QPoint(0, 0), area).contains(r); }

// --- the arrangement ----------------------------------------------------------

TEST(ArrangeViews, AMainWindowAloneTakesTheWholeArea) {
  const QSize area(1200, 700);
  auto r = ArrangeViews(area, {{TViewRole::Main, 0}});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], QRect(0, 0, 1200, 700));
  // The editor and the source view share the same place.
  r = ArrangeViews(area, {{TViewRole::Main, 0}, {TViewRole::Main, 0}});
  EXPECT_EQ(r[0], r[1]);
}

TEST(ArrangeViews, SideWindowsStackInAColumnBesideTheMainWindow) {
  for (QSize area : {QSize(1280, 690), QSize(1024, 590), QSize(800, 480)}) {
    SCOPED_TRACE(area.width());
    auto r = ArrangeViews(area, {{TViewRole::Main, 0},
                                 {TViewRole::Side, 320},
                                 {TViewRole::Side, 240},
                                 {TViewRole::Side, 240}});
    ASSERT_EQ(r.size(), 4u);
    const QRect main = r[0];
    EXPECT_EQ(main.topLeft(), QPoint(0, 0));
    EXPECT_EQ(main.height(), area.height());
    EXPECT_GE(main.width() * 10, area.width() * 6) << "the program text keeps most of the width";
    int y = 0;
    for (int i = 1; i < 4; ++i) {
      EXPECT_TRUE(Within(r[i], area)) << i;
      EXPECT_FALSE(r[i].intersects(main)) << i;
      EXPECT_EQ(r[i].left(), main.right() + 1) << i;
      EXPECT_EQ(r[i].right(), area.width() - 1) << "the column reaches the right edge";
      EXPECT_EQ(r[i].top(), y) << "stacked in order without gaps";
      y = r[i].bottom() + 1;
    }
    EXPECT_EQ(y, area.height()) << "the column is filled";
    // Shares follow the preferred heights.
    EXPECT_GT(r[1].height(), r[2].height());
    EXPECT_NEAR(r[2].height(), r[3].height(), 1);
  }
}

TEST(ArrangeViews, TheErrorListTakesAStripBelowTheMainWindow) {
  const QSize area(1000, 600);
  auto r = ArrangeViews(area, {{TViewRole::Bottom, 0}, {TViewRole::Main, 0}});
  ASSERT_EQ(r.size(), 2u);
  const QRect err = r[0], main = r[1];
  EXPECT_FALSE(err.intersects(main));
  EXPECT_EQ(err.bottom(), area.height() - 1);
  EXPECT_EQ(main.bottom() + 1, err.top());
  EXPECT_EQ(err.width(), area.width());
  EXPECT_GE(AreaOf(main) * 10, AreaOf(QRect(QPoint(0, 0), area)) * 6);
  EXPECT_GE(err.height(), 110);
}

TEST(ArrangeViews, NarrowAndTinyAreasStayInside) {
  for (QSize area : {QSize(400, 300), QSize(240, 250), QSize(1, 1), QSize(0, 0)}) {
    SCOPED_TRACE(area.width());
    auto r = ArrangeViews(area, {{TViewRole::Main, 0}, {TViewRole::Bottom, 0},
                                 {TViewRole::Side, 240}, {TViewRole::Side, 0}});
    ASSERT_EQ(r.size(), 4u);
    const QSize bounded = area.expandedTo(QSize(1, 1));
    for (const QRect& x : r) {
      EXPECT_TRUE(Within(x, bounded)) << x.x() << "," << x.y() << " " << x.width() << "x" << x.height();
      EXPECT_GT(x.width(), 0);
      EXPECT_GT(x.height(), 0);
    }
    if (area.width() >= 240) {
      EXPECT_FALSE(r[0].intersects(r[2]));
    }
  }
  EXPECT_EQ(SideColumnWidth(400), 200) << "a narrow area is shared half and half";
  EXPECT_EQ(SideColumnWidth(1280), 384);
  EXPECT_EQ(SideColumnWidth(3000), 440);
}

TEST(ArrangeViews, SideWindowsKeepTheirMinimumHeight) {
  const QSize area(1280, 700);
  auto side = [](int pref, int min) { return TLayoutItem{TViewRole::Side, pref, min}; };
  // The column holds them all: the small share grows to its minimum.
  auto r = ArrangeViews(area, {{TViewRole::Main, 0}, side(600, 0), side(30, 200), side(300, 0)});
  EXPECT_GE(r[2].height(), 200);
  EXPECT_EQ(r[1].left(), r[3].left()) << "one column";
  EXPECT_EQ(r[3].bottom(), area.height() - 1);
  // Too many for one column: a second opens to its left, the program text narrows.
  std::vector<TLayoutItem> many = {{TViewRole::Main, 0}};
  for (int i = 0; i < 5; ++i) many.push_back(side(240, 200));
  r = ArrangeViews(area, many);
  std::set<int> lefts;
  for (size_t i = 1; i < r.size(); ++i) {
    EXPECT_GE(r[i].height(), 200) << i;
    EXPECT_TRUE(Within(r[i], area)) << i;
    EXPECT_FALSE(r[i].intersects(r[0])) << i;
    for (size_t j = 1; j < i; ++j) EXPECT_FALSE(r[i].intersects(r[j])) << i << " " << j;
    lefts.insert(r[i].left());
  }
  EXPECT_EQ(lefts.size(), 2u);
  EXPECT_GE(r[0].width() * 5, area.width() * 2);
  // No width for more columns: the last column's windows overlap, each at its minimum.
  many.clear();
  for (int i = 0; i < 12; ++i) many.push_back(side(240, 200));
  r = ArrangeViews(area, many);
  int lastTop = -1;
  for (size_t i = 0; i < r.size(); ++i) {
    EXPECT_GE(r[i].height(), 200) << i;
    EXPECT_TRUE(Within(r[i], area)) << i;
    if (r[i].left() == r.back().left()) {
      EXPECT_GT(r[i].top(), lastTop) << "cascaded downwards";
      lastTop = r[i].top();
    }
  }
}

TEST(ArrangeViews, SideWindowsGetTheWidthOfTheirHeaderAndColumns) {
  const QSize area(1280, 690);
  auto side = [](int min, int width) { return TLayoutItem{TViewRole::Side, 240, min, width}; };
  // One column as wide as its widest window; the program text beside it.
  auto r = ArrangeViews(area, {{TViewRole::Main, 0}, side(200, 520), side(200, 430), side(100, 0)});
  for (size_t i = 1; i < r.size(); ++i) {
    EXPECT_EQ(r[i].width(), 520) << i;
    EXPECT_EQ(r[i].right(), area.width() - 1) << i;
    EXPECT_FALSE(r[i].intersects(r[0])) << i;
  }
  EXPECT_EQ(r[0].width(), area.width() - 520);
  // Too high for one column: the second column has the width of its own windows.
  const QSize wide(1600, 690);
  r = ArrangeViews(wide, {{TViewRole::Main, 0}, side(400, 300), side(400, 500)});
  EXPECT_EQ(r[1].width(), SideColumnWidth(wide.width()));
  EXPECT_EQ(r[2].width(), 500);
  EXPECT_EQ(r[2].right() + 1, r[1].left());
  EXPECT_FALSE(r[2].intersects(r[0]));
  EXPECT_GE(r[0].width() * 5, wide.width() * 2);
  // Too wide for two columns of their own width: the second column still
  // opens, and the two share what the program text's two fifths leave.
  r = ArrangeViews(area, {{TViewRole::Main, 0}, side(400, 600), side(400, 600)});
  EXPECT_EQ(r[1].right(), area.width() - 1);
  EXPECT_EQ(r[2].right() + 1, r[1].left());
  EXPECT_EQ(r[0].right() + 1, r[2].left());
  EXPECT_EQ(r[0].width(), std::max(320, area.width() * 2 / 5));
  EXPECT_NEAR(r[1].width(), r[2].width(), 1);
  for (size_t i = 1; i < r.size(); ++i) {
    EXPECT_EQ(r[i].height(), area.height()) << i;
    EXPECT_FALSE(r[i].intersects(r[0])) << i;
  }
  // A window wider than the area may have: the column stops at the program text's share.
  r = ArrangeViews(area, {{TViewRole::Main, 0}, side(100, 5000)});
  EXPECT_EQ(r[0].width(), std::max(320, area.width() * 2 / 5));
  EXPECT_TRUE(Within(r[1], area));
}

// The debug and analog windows of a chip as the program measures them
// (share, minimum height, width of header and columns, least width): one
// column cannot hold them, so a second opens before any of them is covered;
// a window takes the room an earlier column has left.
TEST(ArrangeViews, ASecondColumnOpensBeforeTheWindowsCascade) {
  auto side = [](int pref, int min, int width, int least) {
    return TLayoutItem{TViewRole::Side, pref, min, width, least};
  };
  const std::vector<TLayoutItem> views = {{TViewRole::Main, 0},     side(360, 148, 168, 168),
                                          side(386, 162, 479, 394), side(264, 208, 130, 130),
                                          side(430, 186, 617, 120), side(200, 120, 584, 120),
                                          side(180, 102, 120, 120), side(640, 96, 120, 120),
                                          side(354, 96, 120, 120),  side(640, 96, 120, 120)};
  for (QSize area : {QSize(1280, 725), QSize(1024, 693)}) {
    SCOPED_TRACE(area.width());
    const auto r = ArrangeViews(area, views);
    ASSERT_EQ(r.size(), views.size());
    std::set<int> lefts;
    for (size_t i = 1; i < r.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_TRUE(Within(r[i], area));
      EXPECT_GE(r[i].height(), views[i].minHeight);
      EXPECT_GE(r[i].width(), std::max(views[i].leastWidth, kLeastColumnWidth));
      EXPECT_FALSE(r[i].intersects(r[0]));
      for (size_t j = 1; j < i; ++j) EXPECT_FALSE(r[i].intersects(r[j])) << "over " << j;
      lefts.insert(r[i].left());
    }
    EXPECT_EQ(lefts.size(), 2u);
    EXPECT_EQ(r[0].width(), std::max(320, area.width() * 2 / 5))
        << "the program text keeps its share";
  }
  // A third column could not be kLeastColumnWidth wide: the second one's
  // windows cascade, each at its minimum height with its title bar showing.
  std::vector<TLayoutItem> many = views;
  for (int i = 0; i < 6; ++i) many.push_back(side(240, 150, 300, 120));
  const QSize area(1024, 693);
  const auto r = ArrangeViews(area, many);
  std::map<int, std::vector<QRect>> columns;
  for (size_t i = 1; i < r.size(); ++i) {
    EXPECT_TRUE(Within(r[i], area)) << i;
    EXPECT_GE(r[i].height(), many[i].minHeight) << i;
    EXPECT_GE(r[i].width(), kLeastColumnWidth) << i;
    columns[r[i].left()].push_back(r[i]);
  }
  ASSERT_EQ(columns.size(), 2u);
  const std::vector<QRect>& cascade = columns.begin()->second;
  for (size_t k = 1; k < cascade.size(); ++k)
    EXPECT_GE(cascade[k].top() - cascade[k - 1].top(), 20) << "a title bar shows between " << k;
}

// --- the program offscreen ------------------------------------------------------

class WindowLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    clock.install();
    ASSERT_NO_FATAL_FAILURE(test::CopyExample(dir, source));
  }

  void press(TKYMAIN& w, int key) {
    clock.advance(std::chrono::milliseconds(100));
    test::PressInWindow(w, key);
  }

  static QSize AreaSize(TKYMAIN& w) { return w.mdiArea()->viewport()->size(); }
  static QRect FrameRect(TKYMAIN& w, QWidget* form) {
    QMdiSubWindow* f = w.ViewFrame(form);
    return f ? f->geometry() : QRect();
  }
  // The share of the document area that the frame covers, in percent.
  static long long CoverPercent(TKYMAIN& w, QWidget* form) {
    const QRect area(QPoint(0, 0), AreaSize(w));
    return AreaOf(FrameRect(w, form).intersected(area)) * 100 / AreaOf(area);
  }
  static void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  // The program started on a screen of the given size, as a user's screen
  // shows it.
  static TKYMAIN& StartAt(TKyProgram& prog, QSize screen, const QStringList& arguments = {}) {
    EXPECT_TRUE(prog.Start(arguments));
    TKYMAIN& w = prog.Main();
    w.showNormal();
    w.resize(screen);
    settle();
    return w;
  }
  static TKYMAIN& StartAt1280x800(TKyProgram& prog, const QStringList& arguments = {}) {
    return StartAt(prog, QSize(1280, 800), arguments);
  }
  // The example built and debugged at 1280x800, `arrange` showing and
  // placing windows, then `check` at the next debug entry and at the first
  // one after a new start of the program.
  using TWindowCheck = std::function<void(TKYMAIN&, const char*)>;
  void AcrossDebugEntries(const std::function<void(TKYMAIN&)>& arrange,
                          const TWindowCheck& check) {
    Shell().ProgramFile = dir.filePath("kyvor-ide").toStdString();
    {
      TKyProgram prog(KYVOR_DATA_DIR);
      TKYMAIN& w = StartAt1280x800(prog);
      ASSERT_TRUE(w.OpenSourceFile(source));
      press(w, Qt::Key_F4);
      arrange(w);
      w.SMenu_EditModeClick();
      press(w, Qt::Key_F4);
      check(w, "the next debug entry");
      w.SMenu_EditModeClick();
      ASSERT_TRUE(w.close());
    }
    // A new start reads the configuration and the placement file of this one.
    ForgetAllButTheSavedFiles();
    TKyProgram prog(KYVOR_DATA_DIR);
    TKYMAIN& w = StartAt1280x800(prog);
    press(w, Qt::Key_F4);
    check(w, "after a new start");
  }
  // What a new start of the program sees: only the configuration and the
  // placement file the last one left.
  static void ForgetAllButTheSavedFiles() {
    const std::string config = Shell().ConfigFolder, program = Shell().ProgramFile;
    ResetModes();
    ResetShell();
    ResetOutputFileState();
    ResetChipConfig();
    Shell().ConfigFolder = config;
    Shell().ProgramFile = program;
  }

  test::FakeClock clock;
  test::ScriptedDialogs dialogs;
  QTemporaryDir dir;
  std::string source;
};

TEST_F(WindowLayout, SourceViewCoversTheDocumentAreaAfterF4OnTheExample) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  settle();
  const QSize area = AreaSize(w);
  ASSERT_GE(area.width(), 400);
  ASSERT_GE(area.height(), 250);

  ASSERT_TRUE(w.OpenSourceFile(source));
  settle();
  EXPECT_GE(CoverPercent(w, w.Forms().edit()), 90) << "the editor fills the area";

  press(w, Qt::Key_F4);
  ASSERT_EQ(Modes().DebugMode, 1);
  settle();
  TKy_Source* src = w.Forms().source();
  ASSERT_TRUE(w.IsViewShowing(src));
  EXPECT_GE(CoverPercent(w, src), 90) << "the source view fills the area";
  EXPECT_TRUE(Within(FrameRect(w, src), area));
  // The PC line is on the screen in the grid.
  EXPECT_EQ(src->PCLine(), 15);
  const QRect pcLine = src->Grid()->visualRect(src->Grid()->model()->index(14, 1));
  EXPECT_TRUE(src->Grid()->viewport()->rect().contains(pcLine.center()));

  // Debug windows go beside the program text, not over it.
  w.SMenu_ViewClick(ViewRam);
  w.SMenu_ViewClick(ViewReg2);
  w.SMenu_ViewClick(ViewStk);
  settle();
  const QRect srcRect = FrameRect(w, src);
  // The debug windows take the width of their columns; the program text
  // keeps two fifths of the area.
  EXPECT_GE(srcRect.width(), std::max(320, area.width() * 2 / 5));
  EXPECT_EQ(srcRect.height(), area.height());
  for (QWidget* f : {static_cast<QWidget*>(w.Forms().view<TKy_RAM>(ViewRam)), static_cast<QWidget*>(w.Forms().view<TKy_Reg2>(ViewReg2)),
                     static_cast<QWidget*>(w.Forms().view<TKy_STK>(ViewStk))}) {
    SCOPED_TRACE(f->objectName().toStdString());
    ASSERT_TRUE(w.IsViewShowing(f));
    EXPECT_FALSE(FrameRect(w, f).intersects(srcRect));
    EXPECT_TRUE(Within(FrameRect(w, f), area));
  }
  EXPECT_FALSE(FrameRect(w, w.Forms().view<TKy_RAM>(ViewRam)).intersects(FrameRect(w, w.Forms().view<TKy_Reg2>(ViewReg2))));
  EXPECT_FALSE(FrameRect(w, w.Forms().view<TKy_RAM>(ViewRam)).intersects(FrameRect(w, w.Forms().view<TKy_STK>(ViewStk))));

  // Closing the debug windows gives the room back.
  for (QWidget* f : {static_cast<QWidget*>(w.Forms().view<TKy_RAM>(ViewRam)), static_cast<QWidget*>(w.Forms().view<TKy_Reg2>(ViewReg2)),
                     static_cast<QWidget*>(w.Forms().view<TKy_STK>(ViewStk))})
    w.ViewFrame(f)->close();
  settle();
  EXPECT_GE(CoverPercent(w, src), 90);

  // Stepping keeps the place.
  press(w, Qt::Key_F7);
  EXPECT_EQ(src->PCLine(), 16);
  EXPECT_GE(CoverPercent(w, src), 90);
}

TEST_F(WindowLayout, AllDebugWindowsKeepTheirMinimumHeightInsideTheArea) {
  TKyProgram prog(KYVOR_DATA_DIR);
  TKYMAIN& w = StartAt1280x800(prog, {QString::fromStdString(source)});
  for (TViewIndex v : {ViewHex, ViewStk, ViewReg2, ViewRam, ViewWatch, ViewBp}) w.SMenu_ViewClick(v);
  settle();
  const QSize area = AreaSize(w);
  const QRect src = FrameRect(w, w.Forms().source());
  const int textShare = std::max(320, area.width() * 2 / 5);
  // The side windows in their order.
  const TViewIndex kSide[] = {ViewHex, ViewRam, ViewStk, ViewReg2, ViewWatch, ViewBp};
  for (TViewIndex v : kSide) {
    QWidget* form = w.ViewForm(v);
    SCOPED_TRACE(form->objectName().toStdString());
    ASSERT_TRUE(w.IsViewShowing(form));
    QMdiSubWindow* f = w.ViewFrame(form);
    EXPECT_GE(f->height(), f->minimumSizeHint().height());
    EXPECT_GE(form->height(), form->minimumSizeHint().height());
    EXPECT_GE(f->width(), std::max(kLeastColumnWidth, f->minimumSizeHint().width()));
    // The header and the columns show in full, unless the program text
    // needs that width to keep its share.
    if (form->width() < qobject_cast<TKyChildForm*>(form)->ContentWidth()) {
      EXPECT_EQ(src.width(), textShare);
    }
    EXPECT_TRUE(Within(f->geometry(), area));
    EXPECT_FALSE(f->geometry().intersects(src));
    // Two columns hold them all: none lies over another.
    for (TViewIndex other : kSide) {
      if (other != v) {
        EXPECT_FALSE(f->geometry().intersects(FrameRect(w, w.ViewForm(other))));
      }
    }
  }
  EXPECT_GE(src.width(), textShare) << "the program text keeps its share";
  // The watch window shows its header and three watches.
  TKyGrid* watches = w.Forms().view<TKy_WATCH>(ViewWatch)->Grid();
  EXPECT_GE(watches->viewport()->height(), 4 * watches->rowHeight(0));
}

// RAM and register window shown while debugging, edit mode, a new start of
// the program, F4: both come back beside the source view, as the first time.
TEST_F(WindowLayout, DebugViewsShownAgainAtDebugEntryTakeTheirFirstArrangement) {
  QWidget* ram = nullptr;
  QWidget* reg = nullptr;
  std::map<QWidget*, QRect> first;
  auto check = [&](TKYMAIN& w, const char* when) {
    SCOPED_TRACE(when);
    settle();
    ASSERT_EQ(Modes().DebugMode, 1);
    ram = w.ViewForm(ViewRam);
    reg = w.ViewForm(ViewReg2);
    const QRect src = FrameRect(w, w.Forms().source());
    for (QWidget* f : {ram, reg}) {
      SCOPED_TRACE(f->objectName().toStdString());
      ASSERT_TRUE(w.IsViewShowing(f));
      EXPECT_TRUE(w.HoldsDefaultPlace(f));
      EXPECT_FALSE(FrameRect(w, f).intersects(src));
      EXPECT_TRUE(Within(FrameRect(w, f), AreaSize(w)));
      if (first.count(f)) {
        EXPECT_EQ(FrameRect(w, f), first[f]);
      } else {
        first[f] = FrameRect(w, f);
      }
    }
    EXPECT_FALSE(FrameRect(w, ram).intersects(FrameRect(w, reg)));
  };
  AcrossDebugEntries(
      [&](TKYMAIN& w) {
        w.SMenu_ViewClick(ViewRam);
        w.SMenu_ViewClick(ViewReg2);
        check(w, "first shown");
      },
      check);
}

// The register window moved by the user to the right of the area, edit
// mode, a new start, F4: it comes back at its place and the source view
// ends where it begins, not over it.
TEST_F(WindowLayout, AWindowPlacedOnTheRightKeepsTheSourceViewBesideIt) {
  QRect moved;
  AcrossDebugEntries(
      [&](TKYMAIN& w) {
        w.SMenu_ViewClick(ViewReg2);
        settle();
        moved = QRect(AreaSize(w).width() - 560, 60, 540, 420);
        w.ViewFrame(w.ViewForm(ViewReg2))->setGeometry(moved);
        settle();
      },
      [&](TKYMAIN& w, const char* when) {
        SCOPED_TRACE(when);
        settle();
        QWidget* reg = w.ViewForm(ViewReg2);
        ASSERT_TRUE(w.IsViewShowing(reg));
        EXPECT_EQ(FrameRect(w, reg), moved);
        const QRect src = FrameRect(w, w.Forms().source());
        EXPECT_FALSE(src.intersects(moved));
        EXPECT_EQ(src.right() + 1, moved.left());
      });
}

// The register window moved by the user over the source view: at the next
// debug entry, and after a new start, it comes back at its place above the
// source view, which keeps the focus.
TEST_F(WindowLayout, AWindowPlacedOverTheSourceViewComesBackAboveIt) {
  const QRect moved(120, 60, 640, 420);
  auto check = [&](TKYMAIN& w, const char* when) {
    SCOPED_TRACE(when);
    settle();
    ASSERT_EQ(Modes().DebugMode, 1);
    QMdiSubWindow* reg = w.ViewFrame(w.ViewForm(ViewReg2));
    QMdiSubWindow* src = w.ViewFrame(w.Forms().source());
    ASSERT_TRUE(w.IsViewShowing(w.ViewForm(ViewReg2)));
    EXPECT_EQ(reg->geometry(), moved);
    ASSERT_TRUE(src->geometry().intersects(moved));
    const auto order = w.mdiArea()->subWindowList(QMdiArea::StackingOrder);
    EXPECT_GT(order.indexOf(reg), order.indexOf(src)) << "the placed window lies above";
    // Also above the arranged windows that come back with it.
    int overlapped = 0;
    for (QMdiSubWindow* f : order) {
      if (f == reg || f == src || f->isHidden() || !f->geometry().intersects(moved)) continue;
      ++overlapped;
      EXPECT_GT(order.indexOf(reg), order.indexOf(f)) << f->objectName().toStdString();
    }
    EXPECT_GT(overlapped, 0);
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), src);
  };
  AcrossDebugEntries(
      [&](TKYMAIN& w) {
        for (TViewIndex v :
             {ViewReg2, ViewWatch, ViewStk, ViewRam, ViewHex, ViewBp, ViewOp, ViewCmp})
          w.SMenu_ViewClick(v);
        settle();
        w.ViewFrame(w.ViewForm(ViewReg2))->setGeometry(moved);
        w.ViewFrame(w.ViewForm(ViewReg2))->raise();
        settle();
      },
      check);
}

TEST_F(WindowLayout, CommandLineStartShowsTheSourceViewOverTheWholeArea) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({QString::fromStdString(source)}));
  TKYMAIN& w = prog.Main();
  ASSERT_EQ(Modes().DebugMode, 1);
  settle();
  // The frame was made before the main window was shown; it follows the
  // area to its shown size.
  EXPECT_GE(AreaSize(w).width(), 400);
  EXPECT_GE(CoverPercent(w, w.Forms().source()), 90);
}

TEST_F(WindowLayout, WindowsFollowTheAreaUntilTheUserMovesThem) {
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({QString::fromStdString(source)}));
  TKYMAIN& w = prog.Main();
  settle();
  TKy_Source* src = w.Forms().source();
  w.SMenu_ViewClick(ViewRam);
  settle();
  ASSERT_TRUE(w.HoldsDefaultPlace(src));
  ASSERT_TRUE(w.HoldsDefaultPlace(w.Forms().view<TKy_RAM>(ViewRam)));

  // A smaller main window: both windows are arranged again.
  w.showNormal();
  w.resize(700, 520);
  settle();
  const QSize area = AreaSize(w);
  ASSERT_LE(area.width(), 700);
  EXPECT_TRUE(Within(FrameRect(w, src), area));
  EXPECT_TRUE(Within(FrameRect(w, w.Forms().view<TKy_RAM>(ViewRam)), area));
  EXPECT_FALSE(FrameRect(w, src).intersects(FrameRect(w, w.Forms().view<TKy_RAM>(ViewRam))));
  EXPECT_EQ(FrameRect(w, w.Forms().view<TKy_RAM>(ViewRam)).right(), area.width() - 1);

  // The user drags the RAM window: it stays where it was put, and the
  // source view no longer leaves a column for it.
  const QRect moved(30, 40, 250, 200);
  w.ViewFrame(w.Forms().view<TKy_RAM>(ViewRam))->setGeometry(moved);
  w.SMenu_ViewClick(ViewStk);
  settle();
  EXPECT_FALSE(w.HoldsDefaultPlace(w.Forms().view<TKy_RAM>(ViewRam)));
  EXPECT_EQ(FrameRect(w, w.Forms().view<TKy_RAM>(ViewRam)), moved);
  EXPECT_FALSE(FrameRect(w, w.Forms().view<TKy_STK>(ViewStk)).intersects(FrameRect(w, src)));
  w.resize(760, 560);
  settle();
  EXPECT_EQ(FrameRect(w, w.Forms().view<TKy_RAM>(ViewRam)), moved) << "a moved window keeps its place";
  EXPECT_TRUE(Within(FrameRect(w, src), AreaSize(w)));
}

TEST_F(WindowLayout, ErrorListSitsBelowTheEditor) {
  QFile bad(dir.filePath("bad.asm"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("        ORG 0\r\n        FOO 1\r\n        END\r\n");
  bad.close();
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  ASSERT_TRUE(w.OpenSourceFile(dir.filePath("bad.asm").toStdString()));
  w.SMenu_AssembleDebugClick();
  ASSERT_EQ(Modes().DebugMode, 0);
  settle();
  TKy_ERR* err = w.Forms().err();
  ASSERT_TRUE(w.IsViewShowing(err));
  ASSERT_TRUE(w.IsViewShowing(w.Forms().edit()));
  const QRect ed = FrameRect(w, w.Forms().edit()), er = FrameRect(w, err);
  EXPECT_FALSE(ed.intersects(er));
  EXPECT_GT(er.top(), ed.top());
  EXPECT_EQ(er.bottom(), AreaSize(w).height() - 1);
  EXPECT_GE(CoverPercent(w, w.Forms().edit()), 60);
  // Without the error list the editor takes the whole area again.
  w.ShowView(err, ViewErr, 0);
  EXPECT_GE(CoverPercent(w, w.Forms().edit()), 90);
}

// --- every shipped chip with all its views open -----------------------------------

// The chips of the shipped chip list (INCLUDE/KySel.INC), by their place in
// it, each on the two screens a user has.
struct TChipScreen {
  int chip;
  std::string name;
  QSize screen;
};

std::vector<TChipScreen> ShippedChipsOnScreens() {
  std::ifstream list(std::string(KYVOR_DATA_DIR) + "/INCLUDE/KySel.INC");
  std::string line;
  std::getline(list, line);  // the version line
  std::vector<TChipScreen> cases;
  for (int chip = 0; std::getline(list, line);) {
    std::string file, name;
    std::istringstream(line) >> file >> name;
    if (file.empty()) continue;
    for (QSize screen : {QSize(1280, 800), QSize(1024, 768)}) cases.push_back({chip, name, screen});
    ++chip;
  }
  return cases;
}

void PrintTo(const TChipScreen& c, std::ostream* os) {
  *os << c.name << " at " << c.screen.width() << "x" << c.screen.height();
}

class WindowLayoutEveryChip : public WindowLayout,
                              public ::testing::WithParamInterface<TChipScreen> {};

// The chip chosen in the options, F4 on its example, then every view of the
// View menu: each window keeps its minimum height with nothing over it,
// inside the document area and beside the program text.
TEST_P(WindowLayoutEveryChip, AllViewsKeepTheirMinimumHeightWithEveryTitleBarShowing) {
  const TChipScreen& c = GetParam();
  TKyProgram prog(KYVOR_DATA_DIR);
  TKYMAIN& w = StartAt(prog, c.screen);
  Chip().ChipIndex = c.chip;
  ASSERT_EQ(GetSELUP(), 1);
  const QString example = Chip().CoreVariant == 1 ? "blink08b.asm" : "blink.asm";
  QFile::copy(QString(KYVOR_DATA_DIR) + "/examples/" + example, dir.filePath(example));
  ASSERT_TRUE(w.OpenSourceFile(dir.filePath(example).toStdString()));
  press(w, Qt::Key_F4);
  ASSERT_EQ(Modes().DebugMode, 1) << (w.Forms().err()->Count() ? w.Forms().err()->TextAt(0) : "");
  std::vector<QMdiSubWindow*> side;
  for (const TViewRow& row : ViewRows()) {
    QAction* item = w.ViewAction(row.index);
    if (row.role != TViewRole::Side || !item || !item->isVisible() || !item->isEnabled()) continue;
    w.SMenu_ViewClick(row.index);
    side.push_back(w.ViewFrame(w.ViewForm(row.index)));
  }
  settle();
  ASSERT_GE(side.size(), 6u);

  const QSize area = AreaSize(w);
  const QRect src = FrameRect(w, w.Forms().source());
  EXPECT_GE(src.width(), std::max(320, area.width() * 2 / 5)) << "the program text keeps its share";
  const auto order = w.mdiArea()->subWindowList(QMdiArea::StackingOrder);
  for (QMdiSubWindow* f : side) {
    SCOPED_TRACE(f->objectName().toStdString());
    ASSERT_TRUE(w.IsViewShowing(f->widget()));
    const QRect g = f->geometry();
    EXPECT_TRUE(Within(g, area)) << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
    EXPECT_FALSE(g.intersects(src));
    EXPECT_GE(g.height(), f->minimumSizeHint().height());
    EXPECT_GE(f->widget()->height(), f->widget()->minimumSizeHint().height());
    // What the windows above it leave showing, from its title bar down.
    int shown = g.height();
    for (qsizetype k = order.indexOf(f) + 1; k < order.size(); ++k) {
      const QRect above = order[k]->geometry();
      if (order[k]->isHidden() || !above.intersects(g)) continue;
      shown = std::min(shown, std::max(0, above.top() - g.top()));
    }
    EXPECT_GE(shown, f->widget()->y()) << "its title bar shows";
    EXPECT_GE(shown, f->minimumSizeHint().height()) << "nothing lies over its first rows";
  }
}

INSTANTIATE_TEST_SUITE_P(ShippedChips, WindowLayoutEveryChip,
                         ::testing::ValuesIn(ShippedChipsOnScreens()),
                         [](const ::testing::TestParamInfo<TChipScreen>& info) {
                           return info.param.name + "_" +
                                  std::to_string(info.param.screen.width()) + "x" +
                                  std::to_string(info.param.screen.height());
                         });

}  // namespace
}  // namespace kyvor
