// Window placement persistence: the placement file (byte for byte, damaged
// and foreign files, the 40-entry table), the placement component over a
// set of fake forms (designed positions, sizeable borders, the clamp to the
// screen, when it loads and saves), and the whole program offscreen (a
// moved window comes back after a restart; a start that ends early leaves
// the file alone).
#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "debugwin/debugwins.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/main_window.h"
#include "shell/mainwin/revision_viewer.h"
#include "shell/options/placement_file.h"
#include "shell/mainwin/views.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"

namespace kyvor {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// A number of the placement file: right-aligned in five characters.
std::string Field(int v) {
  std::string d = std::to_string(v);
  return std::string(d.size() < 5 ? 5 - d.size() : 0, ' ') + d;
}

void Spit(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Forms in memory: each with its placement, its kind and what was applied.
class FakeForms : public IPlacementForms {
 public:
  struct Form {
    std::string Name;
    TFormPlacement Now;
    bool Own = true;  // has a placement of its own to record
    bool Designed = true;
    bool Sizeable = true;
    int Applied = 0;
  };
  std::vector<Form> Forms;
  int32_t AreaWidth = 1280, AreaHeight = 800;

  Form& Add(const std::string& name, TFormPlacement now = {10, 20, 300, 200}) {
    Forms.push_back({name, now});
    return Forms.back();
  }
  Form& operator[](const std::string& name) {
    for (Form& f : Forms)
      if (f.Name == name) return f;
    return Forms.at(99);
  }

  int FormCount() const override { return static_cast<int>(Forms.size()); }
  std::string FormName(int i) const override { return Forms[i].Name; }
  bool ReadPlacement(int i, TFormPlacement& p) const override {
    p = Forms[i].Now;
    return Forms[i].Own;
  }
  bool DesignedPosition(int i) const override { return Forms[i].Designed; }
  bool SizeableBorder(int i) const override { return Forms[i].Sizeable; }
  void AreaSize(int, int32_t& w, int32_t& h) const override {
    w = AreaWidth;
    h = AreaHeight;
  }
  void ApplyPlacement(int i, const TFormPlacement& p) override {
    const bool visible = Forms[i].Now.Visible;  // applying neither shows nor hides
    Forms[i].Now = p;
    Forms[i].Now.Visible = visible;
    Forms[i].Own = true;
    ++Forms[i].Applied;
  }
};

class PlacementFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    base = dir.filePath("kyvor-ide").toStdString();
    file = base + ".wst";
  }
  // A placement file with `n` entries named F0, F1, ...
  static std::string FileOf(int n) {
    std::string s = "1.10\r\n" + std::to_string(n) + "\r\n";
    for (int i = 0; i < n; ++i)
      s += "F" + std::to_string(i) + "\r\n   10   20  300  200    0    1\r\n";
    return s;
  }
  QTemporaryDir dir;
  std::string base, file;
  FakeForms forms;
};

const std::string kSample =
    "1.10\r\n"
    "4\r\n"
    "KYMAIN\r\n"
    "    0    0 1280  800    1    1\r\n"
    "Ky_RAM\r\n"
    "  640  -12  420  310    0    1\r\n"
    "Ky_STK\r\n"
    "  900  400  200  150    2    0\r\n"
    "GoneForm\r\n"
    "    5    6    7    8    0    0\r\n";

TEST_F(PlacementFile, RoundTripIsByteExact) {
  Spit(file, kSample);
  {
    TRestoreWin win(forms, base);
    win.ShowHook();
    ASSERT_EQ(PlacementTable().Count(), 4);
    const TPlacementEntry& ram = PlacementTable().Entry(1);
    EXPECT_EQ(ram.Name, "Ky_RAM");
    EXPECT_EQ(ram.Left, 640);
    EXPECT_EQ(ram.Top, -12);
    EXPECT_EQ(ram.Width, 420);
    EXPECT_EQ(ram.Height, 310);
    EXPECT_EQ(PlacementTable().Entry(0).WindowState, TWindowState::Maximized);
    EXPECT_EQ(PlacementTable().Entry(2).WindowState, TWindowState::Minimized);
    EXPECT_EQ(PlacementTable().Entry(2).Visible, 0);
    std::remove(file.c_str());
    win.CloseHook();
  }
  // Entries of forms that no longer exist are written back too.
  EXPECT_EQ(Slurp(file), kSample);
  EXPECT_EQ(PlacementTable().Count(), 0) << "the component frees its entries";
}

TEST_F(PlacementFile, FormsAreRecordedInTableOrder) {
  Spit(file, kSample);
  forms.Add("Ky_STK", {100, 50, 260, 180, TWindowState::Normal, true});
  forms.Add("Ky_WATCH", {-4, 7, 123456, 10000, TWindowState::Maximized, false});
  forms.Add("Ky_ERR").Own = false;  // keeps its default place: not recorded
  TRestoreWin win(forms, base);
  win.ShowHook();
  forms["Ky_STK"].Now = {101, 51, 261, 181, TWindowState::Normal, true};
  win.CloseHook();
  EXPECT_EQ(Slurp(file),
            "1.10\r\n5\r\n"
            "KYMAIN\r\n    0    0 1280  800    1    1\r\n"
            "Ky_RAM\r\n  640  -12  420  310    0    1\r\n"
            "Ky_STK\r\n  101   51  261  181    0    1\r\n"
            "GoneForm\r\n    5    6    7    8    0    0\r\n"
            // A number that fills its five characters still stands apart.
            "Ky_WATCH\r\n   -4    7 123456 10000    1    0\r\n");
  // And reads back as written.
  PlacementTable().Clear();
  ReadPlacementText(Slurp(file), PlacementTable());
  ASSERT_EQ(PlacementTable().Count(), 5);
  EXPECT_EQ(PlacementTable().Entry(4).Width, 123456);
  EXPECT_EQ(PlacementTable().Entry(4).Height, 10000);
}

TEST_F(PlacementFile, FiftyEntriesAreWrittenBackAsForty) {
  Spit(file, FileOf(50));
  forms.Add("NewForm");
  TRestoreWin win(forms, base);
  win.ShowHook();
  EXPECT_EQ(PlacementTable().Count(), 40);
  EXPECT_EQ(PlacementTable().Entry(39).Name, "F39");
  win.CloseHook();
  // A full table drops the new form without a message.
  EXPECT_EQ(Slurp(file), FileOf(40));
}

TEST_F(PlacementFile, AForeignFirstLineGivesDefaults) {
  for (const char* first : {"1.1", "1.10 ", "1.11", "", "wst"}) {
    SCOPED_TRACE(first);
    std::string text = FileOf(1);
    text.replace(0, 4, first);
    Spit(file, text);
    forms.Forms.clear();
    forms.Add("F0", {1, 2, 3, 4});
    TRestoreWin win(forms, base);
    win.ShowHook();
    EXPECT_EQ(PlacementTable().Count(), 0);
    EXPECT_EQ(forms["F0"].Applied, 0);
    EXPECT_EQ(forms["F0"].Now.Left, 1);
    // The next save writes the file anew.
    win.CloseHook();
    EXPECT_EQ(Slurp(file), "1.10\r\n1\r\nF0\r\n    1    2    3    4    0    0\r\n");
  }
}

TEST_F(PlacementFile, ABadLineStopsReadingAndKeepsWhatWasRead) {
  for (const char* bad : {"   10   20  300  2OO    0    1", "   10   20  300", ""}) {
    SCOPED_TRACE(bad);
    Spit(file, "1.10\r\n3\r\nF0\r\n   10   20  300  200    0    1\r\nF1\r\n" + std::string(bad) +
                   "\r\nF2\r\n   30   40  300  200    0    1\r\n");
    TRestoreWin win(forms, base);
    win.LoadPlacement();
    ASSERT_EQ(PlacementTable().Count(), 1);
    EXPECT_EQ(PlacementTable().Entry(0).Name, "F0");
  }
  // A file that ends early, or a count that is no number.
  Spit(file, "1.10\r\n2\r\nF0\r\n   10   20  300  200    0    1\r\nF1\r\n");
  {
    TRestoreWin win(forms, base);
    win.LoadPlacement();
    EXPECT_EQ(PlacementTable().Count(), 1);
  }
  Spit(file, "1.10\r\ntwo\r\nF0\r\n   10   20  300  200    0    1\r\n");
  TRestoreWin win(forms, base);
  win.LoadPlacement();
  EXPECT_EQ(PlacementTable().Count(), 0);
}

TEST_F(PlacementFile, StateNumbersAndLineEnds) {
  // LF line ends read too; a state other than 0, 1, 2 is normal; a visible
  // flag other than 1 is hidden.
  Spit(file, "1.10\n2\nA\n 1 2 3 4 7 5\nB\n1 2 3 4 1 1\n");
  TRestoreWin win(forms, base);
  win.LoadPlacement();
  ASSERT_EQ(PlacementTable().Count(), 2);
  EXPECT_EQ(PlacementTable().Entry(0).WindowState, TWindowState::Normal);
  EXPECT_EQ(PlacementTable().Entry(0).Visible, 0);
  EXPECT_EQ(PlacementTable().Entry(1).WindowState, TWindowState::Maximized);
  EXPECT_EQ(PlacementTable().Entry(1).Visible, 1);
}

// --- applying -------------------------------------------------------------------

class PlacementApply : public PlacementFile {
 protected:
  // Loads one entry for form F and applies it.
  FakeForms::Form& ApplyOne(const std::string& numbers, bool sizeable = true,
                            bool designed = true) {
    Spit(file, "1.10\r\n1\r\nF\r\n" + numbers + "\r\n");
    forms.Forms.clear();
    FakeForms::Form& f = forms.Add("F", {50, 60, 400, 300});
    f.Sizeable = sizeable;
    f.Designed = designed;
    win = std::make_unique<TRestoreWin>(forms, base);
    win->ShowHook();
    return forms["F"];
  }
  std::unique_ptr<TRestoreWin> win;
};

TEST_F(PlacementApply, DesignedFormsTakeTheirPlaceBack) {
  const auto& f = ApplyOne("  100  120  500  350    0    0");
  EXPECT_EQ(f.Applied, 1);
  EXPECT_EQ(f.Now.Left, 100);
  EXPECT_EQ(f.Now.Top, 120);
  EXPECT_EQ(f.Now.Width, 500);
  EXPECT_EQ(f.Now.Height, 350);
  // Applying it again is the hook of the first show only.
  win->ShowHook();
  EXPECT_EQ(forms["F"].Applied, 1);
}

TEST_F(PlacementApply, AFixedBorderKeepsItsSize) {
  const auto& f = ApplyOne("  100  120  500  350    0    0", false);
  EXPECT_EQ(f.Now.Left, 100);
  EXPECT_EQ(f.Now.Top, 120);
  EXPECT_EQ(f.Now.Width, 400);
  EXPECT_EQ(f.Now.Height, 300);
}

TEST_F(PlacementApply, AFormNotAtItsDesignedPositionKeepsItsOwn) {
  const auto& f = ApplyOne("  100  120  500  350    0    0", true, false);
  EXPECT_EQ(f.Applied, 0);
  EXPECT_EQ(f.Now.Left, 50);
  EXPECT_EQ(f.Now.Width, 400);
}

TEST_F(PlacementApply, AMaximizedFormComesBackMaximized) {
  forms.Add("M", {0, 0, 800, 600, TWindowState::Maximized, true});
  {
    TRestoreWin w(forms, base);
    w.ShowHook();
    w.CloseHook();
  }
  EXPECT_EQ(Slurp(file), "1.10\r\n1\r\nM\r\n    0    0  800  600    1    1\r\n");
  forms["M"].Now = {0, 0, 10, 10};
  TRestoreWin w(forms, base);
  w.ShowHook();
  EXPECT_EQ(forms["M"].Now.State, TWindowState::Maximized);
  // Not clamped: a maximized form may be as large as it was.
  const auto& f = ApplyOne("   -4   -4 1300  900    1    1");
  EXPECT_EQ(f.Now.State, TWindowState::Maximized);
  EXPECT_EQ(f.Now.Width, 1300);
  EXPECT_EQ(f.Now.Left, -4);
}

TEST_F(PlacementApply, ClampToTheScreen) {
  // Less than 20 pixels visible at the right: the right edge goes to the
  // screen's right edge. Exactly 20 visible: left as it is.
  auto f = ApplyOne(" 1265  100  300  200    0    1");
  EXPECT_EQ(f.Now.Left, 1280 - 300);
  EXPECT_EQ(f.Now.Top, 100);
  f = ApplyOne(" 1260  100  300  200    0    1");
  EXPECT_EQ(f.Now.Left, 1260);
  // The same at the bottom.
  f = ApplyOne("  100  790  300  200    0    1");
  EXPECT_EQ(f.Now.Top, 800 - 200);
  // Larger than the screen: shrunk to it.
  f = ApplyOne("   30   40 1500 1000    0    1");
  EXPECT_EQ(f.Now.Width, 1280);
  EXPECT_EQ(f.Now.Height, 800);
  EXPECT_EQ(f.Now.Left, 30);
  // Off the left or top edge: not moved.
  f = ApplyOne(" -200 -100  300  200    0    1");
  EXPECT_EQ(f.Now.Left, -200);
  EXPECT_EQ(f.Now.Top, -100);
  // A fixed border is not clamped.
  f = ApplyOne(" 1275  795  300  200    0    1", false);
  EXPECT_EQ(f.Now.Left, 1275);
  EXPECT_EQ(f.Now.Top, 795);
  // Applying neither shows nor hides.
  EXPECT_FALSE(f.Now.Visible);
}

// --- when the file is read and written ------------------------------------------

TEST_F(PlacementFile, NoSaveWithoutTheFirstShow) {
  // A start that ends before the main window was shown (a missing
  // command-line file) leaves the user's placements as they were.
  Spit(file, kSample);
  forms.Add("Ky_RAM", {1, 1, 100, 100});
  TRestoreWin win(forms, base);
  win.CloseHook();
  EXPECT_EQ(Slurp(file), kSample);
}

TEST_F(PlacementFile, DisabledNeitherLoadsNorSaves) {
  Spit(file, kSample);
  forms.Add("Ky_RAM", {1, 1, 100, 100});
  TRestoreWin win(forms, base);
  win.Enabled = false;
  win.ShowHook();
  EXPECT_EQ(forms["Ky_RAM"].Applied, 0);
  EXPECT_TRUE(win.FirstShowPending());
  win.CloseHook();
  EXPECT_EQ(Slurp(file), kSample);
}

TEST_F(PlacementFile, NamesAndFolders) {
  EXPECT_EQ(PlacementFileName("/opt/kyvor/kyvor-ide", ""), "/opt/kyvor/kyvor-ide");
  EXPECT_EQ(PlacementFileName("/opt/kyvor/KYIDE.EXE", ""), "/opt/kyvor/KYIDE");
  EXPECT_EQ(PlacementFileName("/opt/kyvor/KYIDE.EXE", "/elsewhere/other.exe"), "/opt/kyvor/other");
  EXPECT_EQ(PlacementFileName("/opt/kyvor/KYIDE.EXE", ".EXE"), "/opt/kyvor/.EXE");
  TRestoreWin win(forms, base);
  EXPECT_EQ(win.FileName(), file);
  win.SetExtName("pos");
  EXPECT_EQ(win.FileName(), base + ".pos");
  win.SetExtName("");
  EXPECT_EQ(win.ExtName(), "wst");
  // Without a program file there is no placement file.
  TRestoreWin none(forms, "");
  none.ShowHook();
  none.CloseHook();
  EXPECT_EQ(none.FileName(), "");
}

TEST_F(PlacementFile, AProgramFolderThatCannotBeWrittenFallsBack) {
  const std::string config = dir.filePath("config").toStdString() + "/";
  const std::string program = dir.filePath("gone/kyvor-ide").toStdString();
  forms.Add("Ky_RAM", {1, 2, 100, 100});
  {
    TRestoreWin win(forms, program, config);
    EXPECT_EQ(win.FileName(), config + "kyvor-ide.wst");
    win.ShowHook();
    win.CloseHook();
  }
  EXPECT_EQ(Slurp(config + "kyvor-ide.wst"),
            "1.10\r\n1\r\nKy_RAM\r\n    1    2  100  100    0    0\r\n");
  // And it is read from there on the next start.
  forms["Ky_RAM"].Now = {};
  TRestoreWin win(forms, program, config);
  win.ShowHook();
  EXPECT_EQ(forms["Ky_RAM"].Now.Left, 1);
}

// --- the program ----------------------------------------------------------------

class ProgramPlacements : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProgramState();
    ASSERT_TRUE(dir.isValid());
    Shell().ProgramFile = dir.filePath("kyvor-ide").toStdString();
    wst = Shell().ProgramFile + ".wst";
  }
  void TearDown() override { test::ResetProgramState(); }
  // Shows the RAM window; its frame in the document area.
  static QMdiSubWindow* ShowRam(TKYMAIN& w) {
    w.ShowView(ViewRam, 1);
    return w.ViewFrame(w.ViewForm(ViewRam));
  }
  test::ScriptedDialogs dialogs;
  QTemporaryDir dir;
  std::string wst;
};

TEST_F(ProgramPlacements, AMovedWindowComesBackAfterARestart) {
  const QRect moved(37, 41, 333, 222);
  {
    TKyProgram prog(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog.Start({}));
    TKYMAIN& w = prog.Main();
    QMdiSubWindow* frame = ShowRam(w);
    ASSERT_NE(frame, nullptr);
    frame->setGeometry(moved);
    w.ShowView(ViewStk, 1);  // left in its default place
    ASSERT_TRUE(w.close());
  }
  const std::string text = Slurp(wst);
  EXPECT_EQ(text.rfind("1.10\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("Ky_RAM\r\n   37   41  333  222    0    1\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("KYMAIN\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Ky_STK"), std::string::npos) << "a window in its default place";

  test::ResetProgramState();
  Shell().ProgramFile = dir.filePath("kyvor-ide").toStdString();
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  EXPECT_TRUE(w.isMaximized()) << "the main window keeps its own place";
  QMdiSubWindow* frame = ShowRam(w);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->geometry(), moved);
  // It keeps that place when other windows come and go.
  w.ShowView(ViewStk, 1);
  w.ShowView(ViewStk, 0);
  EXPECT_EQ(frame->geometry(), moved);
  ASSERT_TRUE(w.close());
  EXPECT_NE(Slurp(wst).find("Ky_RAM\r\n   37   41  333  222    0    1\r\n"), std::string::npos);
}

// The register window placed at the bottom right corner of the document
// area comes back with the same frame, and stays inside it when the chip's
// registers are drawn again (as at a debug entry).
TEST_F(ProgramPlacements, APlacedWindowComesBackWithTheSizeItWasSavedWith) {
  QTemporaryDir work;
  std::string source;
  ASSERT_NO_FATAL_FAILURE(test::CopyExample(work, source));
  QRect placed;
  {
    TKyProgram prog(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog.Start({QString::fromStdString(source)}));
    TKYMAIN& w = prog.Main();
    w.ShowView(ViewReg2, 1);
    QMdiSubWindow* frame = w.ViewFrame(w.ViewForm(ViewReg2));
    const QSize area = w.mdiArea()->viewport()->size();
    placed = QRect(area.width() - 522, area.height() - 384, 522, 384);
    frame->setGeometry(placed);
    ASSERT_EQ(frame->geometry(), placed);
    ASSERT_TRUE(w.close());
  }
  const std::string line =
      "Ky_Reg2\r\n" + Field(placed.x()) + Field(placed.y()) + "  522  384    0    1\r\n";
  EXPECT_NE(Slurp(wst).find(line), std::string::npos) << Slurp(wst);

  test::ResetProgramState();
  Shell().ProgramFile = dir.filePath("kyvor-ide").toStdString();
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({QString::fromStdString(source)}));
  TKYMAIN& w = prog.Main();
  w.ShowView(ViewReg2, 1);
  auto* reg = w.Forms().view<TKy_Reg2>(ViewReg2);
  QMdiSubWindow* frame = w.ViewFrame(reg);
  // The chip's registers are drawn again while the window shows.
  reg->SelectPage(1);
  reg->SelectPage(0);
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_EQ(frame->geometry(), placed);
  EXPECT_TRUE(frame->contentsRect().contains(reg->geometry()))
      << "the window lies inside its frame: " << reg->width() << "x" << reg->height();
  ASSERT_TRUE(w.close());
  EXPECT_NE(Slurp(wst).find(line), std::string::npos) << "saved again as it was";
}

TEST_F(ProgramPlacements, TheRevisionViewerKeepsItsPlace) {
  {
    TKyProgram prog(KYVOR_DATA_DIR);
    ASSERT_TRUE(prog.Start({}));
    TKy_Revision* viewer = prog.Main().Forms().revision;
    ASSERT_NE(viewer, nullptr);
    QTimer look;
    look.setSingleShot(true);
    QObject::connect(&look, &QTimer::timeout, viewer, [viewer] {
      viewer->move(120, 90);
      viewer->accept();
    });
    look.start(0);
    prog.Main().AboutClick();
    ASSERT_TRUE(prog.Main().close());
  }
  EXPECT_NE(Slurp(wst).find("Ky_Revision\r\n  120   90  698  586    0    0\r\n"), std::string::npos)
      << Slurp(wst);
  test::ResetProgramState();
  Shell().ProgramFile = dir.filePath("kyvor-ide").toStdString();
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  EXPECT_EQ(prog.Main().Forms().revision->pos(), QPoint(120, 90));
  EXPECT_EQ(prog.Main().Forms().revision->size(), QSize(698, 586));
  EXPECT_FALSE(prog.Main().Forms().revision->isVisible());
  prog.Main().close();
}

TEST_F(ProgramPlacements, AStartThatEndsEarlyLeavesTheFileAlone) {
  Spit(wst, "1.10\r\n1\r\nKy_RAM\r\n   37   41  333  222    0    1\r\n");
  TKyProgram prog(KYVOR_DATA_DIR);
  EXPECT_FALSE(prog.Start({dir.filePath("nothere.asm")}));
  EXPECT_TRUE(prog.Main().IsClosed());
  EXPECT_EQ(Slurp(wst), "1.10\r\n1\r\nKy_RAM\r\n   37   41  333  222    0    1\r\n");
}

TEST_F(ProgramPlacements, APlaceOffTheDocumentAreaIsClamped) {
  Spit(wst, "1.10\r\n1\r\nKy_RAM\r\n 9000   41  333  222    0    1\r\n");
  TKyProgram prog(KYVOR_DATA_DIR);
  ASSERT_TRUE(prog.Start({}));
  TKYMAIN& w = prog.Main();
  QMdiSubWindow* frame = ShowRam(w);
  ASSERT_NE(frame, nullptr);
  const int areaWidth = w.mdiArea()->viewport()->width();
  EXPECT_EQ(frame->geometry(), QRect(areaWidth - 333, 41, 333, 222));
  w.close();
}

}  // namespace
}  // namespace kyvor
