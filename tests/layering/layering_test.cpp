// The layering gate: every #include of the program's sources must reach the
// file's own layer or a layer below it, as the build declares the layers
// (src/CMakeLists.txt), in any spelling. Qt headers are for the GUI layers
// only, libusb and hidapi for the link layer only. The build runs the same
// checker before compiling (cmake/layering.cmake); here it is tested itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "layer_check.h"

namespace {

using kyvor::layering::Checker;
using kyvor::layering::LayerMap;
using kyvor::layering::ParseLayers;
using kyvor::layering::ParseRoots;

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

const LayerMap& Declared() {
  static const LayerMap layers = ParseLayers(KYVOR_LAYERS);
  return layers;
}

TEST(Layering, EveryIncludeOfTheSourcesPointsDown) {
  const Checker checker(Declared(), ParseRoots(KYVOR_LAYER_ROOTS),
                        [](const std::string& p) { return std::filesystem::is_regular_file(p); });
  int files = 0;
  const auto problems = checker.CheckTree(&files);
  EXPECT_GT(files, 50);
  EXPECT_TRUE(problems.empty()) << Join(problems);
}

TEST(Layering, DeclaredGraphKeepsTheCoreBelowTheGui) {
  const LayerMap& layers = Declared();
  for (const char* core : {"base", "chip", "engine", "link", "assembler"}) {
    ASSERT_TRUE(layers.count(core)) << core;
    EXPECT_FALSE(layers.at(core).qt) << core;
    for (const char* gui : {"guicommon", "shell", "debugwin", "peripherals"})
      EXPECT_FALSE(layers.at(core).below.count(gui)) << core << " above " << gui;
  }
  EXPECT_FALSE(layers.at("engine").below.count("assembler"));
  EXPECT_FALSE(layers.at("engine").below.count("link"));
  EXPECT_FALSE(layers.at("base").below.size());
  EXPECT_FALSE(layers.at("debugwin").below.count("shell"));
  EXPECT_FALSE(layers.at("peripherals").below.count("shell"));
  EXPECT_FALSE(layers.at("guicommon").below.count("debugwin"));
  EXPECT_TRUE(layers.at("shell").below.count("guicommon"));
  for (const auto& [name, layer] : layers) EXPECT_EQ(layer.usb, name == "link") << name;
}

// The checker itself, on a small graph and a tree of a few headers, so the
// gate is known to close.
class LayeringChecker : public ::testing::Test {
 protected:
  std::set<std::string> files = {"/p/src/base/b.h",   "/p/src/engine/x.h", "/p/src/engine/e.h",
                                 "/p/src/asm/sym.h",  "/p/src/shell/a.h",  "/p/src/shell/sub/s.h",
                                 "/p/src/shell/e.h",  "/p/src/win/c.h",    "/p/src/win/main.h",
                                 "/p/src/link/pod.h", "/p/tests/fake.h",   "/p/src/shell/d.h",
                                 "/p/app/main.h"};
  Checker checker{ParseLayers("base=|engine=base|asm=engine|gui+qt=asm|win+qt=gui|"
                              "shell+qt=win|link+usb=engine|app+qt=shell"),
                  ParseRoots("/p/src|/p/app=app"),
                  [this](const std::string& p) { return files.count(p) > 0; }};
  // The problems of a file of `layer` (a file of src/<layer>/, or of a
  // sub-folder when `file` is given) holding `text`.
  std::vector<std::string> Check(const std::string& layer, const std::string& text,
                                 const std::string& file = "f.cpp") {
    std::istringstream in(text);
    const std::string path = layer == "app" ? "/p/app/" + file : "/p/src/" + layer + "/" + file;
    return checker.CheckSource(path, in);
  }
};

TEST_F(LayeringChecker, AllowsOwnLayerLowerLayersAndSameFolder) {
  EXPECT_TRUE(Check("shell",
                    "#include \"shell/a.h\"\n#include \"base/b.h\"\n"
                    "#include \"win/c.h\"\n#include \"d.h\"\n#include <QWidget>\n")
                  .empty());
  EXPECT_TRUE(
      Check("engine", "#include <vector>\n#include \"base/x.h\"\n#include <base/b.h>\n").empty());
  EXPECT_TRUE(
      Check("link", "#include <libusb-1.0/libusb.h>\n#include <hidapi/hidapi.h>\n").empty());
  EXPECT_TRUE(Check("shell", "#include \"s.h\"\n#include \"../a.h\"\n#include \"../../base/b.h\"\n",
                    "sub/f.cpp")
                  .empty());
  EXPECT_TRUE(Check("app", "#include \"shell/sub/s.h\"\n#include <QApplication>\n").empty());
}

TEST_F(LayeringChecker, RejectsUpwardAndSidewaysIncludes) {
  const auto up = Check("engine", "// x\n  #  include \"asm/sym.h\"\n#include \"shell/e.h\"\n");
  ASSERT_EQ(up.size(), 2u);
  EXPECT_EQ(up[0].rfind("/p/src/engine/f.cpp:2: ", 0), 0u) << up[0];
  EXPECT_NE(up[1].find("'shell'"), std::string::npos) << up[1];
  EXPECT_EQ(Check("win", "#include \"shell/main.h\"\n#include \"shell/e.h\"\n").size(), 1u);
  EXPECT_EQ(Check("engine", "#include \"link/pod.h\"\n").size(), 1u);
  EXPECT_EQ(
      Check("shell", "#include \"../../app/main.h\"\n#include \"../../tests/fake.h\"\n").size(),
      2u);
}

// Brackets, "..", and paths relative to the including file reach the same
// header as the plain spelling, and are judged by where they land.
TEST_F(LayeringChecker, RejectsAWrongWayIncludeInEverySpelling) {
  for (const char* text :
       {"#include <link/pod.h>\n", "#include \"engine/../link/pod.h\"\n",
        "#include <engine/../link/pod.h>\n", "#include \"../link/pod.h\"\n",
        "#include \"./../link/pod.h\"\n", "#include \"../engine/../link/pod.h\"\n",
        "#include \"base/../link/./pod.h\"\n"}) {
    const auto found = Check("engine", text);
    ASSERT_EQ(found.size(), 1u) << text;
    EXPECT_NE(found[0].find("'link'"), std::string::npos) << found[0];
  }
  EXPECT_EQ(Check("shell", "#include \"../../../tests/fake.h\"\n", "sub/f.cpp").size(), 1u);
  EXPECT_EQ(Check("base", "#include \"../engine/x.h\"\n#include \"../../src/asm/sym.h\"\n").size(),
            2u);
}

TEST_F(LayeringChecker, RejectsQtInTheCoreAndUsbOutsideTheLink) {
  EXPECT_EQ(Check("engine", "#include <QString>\n").size(), 1u);
  EXPECT_EQ(Check("base", "#include <QtCore/QObject>\n").size(), 1u);
  EXPECT_EQ(Check("engine", "#include \"QString\"\n").size(), 1u);
  EXPECT_EQ(Check("engine", "#include <libusb.h>\n").size(), 1u);
  EXPECT_EQ(Check("gui", "#include <hidapi.h>\n").size(), 1u);
}

TEST_F(LayeringChecker, AFileOutsideTheDeclaredLayersIsRefused) {
  files.insert("/p/src/nowhere/f.cpp");
  EXPECT_EQ(checker.LayerOf("/p/src/nowhere/f.cpp"), "?");
  EXPECT_EQ(Check("nowhere", "#include <vector>\n").size(), 1u);
  EXPECT_EQ(checker.LayerOf("/p/tests/fake.h"), "");
  EXPECT_EQ(checker.LayerOf("/p/src/shell/sub/../../win/c.h"), "win");
}

}  // namespace
