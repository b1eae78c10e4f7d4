// The layering gate: every #include of the program's sources must point into
// the file's own layer or a layer below it, as the build declares the layers
// (src/CMakeLists.txt). Qt headers are for the GUI layers only, libusb and
// hidapi for the link layer only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
  bool qt = false;
  bool usb = false;
  std::vector<std::string> depends;
  std::set<std::string> below;  // every layer reachable through `depends`
};
using LayerMap = std::map<std::string, Layer>;

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, sep))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

// "name+qt+usb=dep,dep|..." as the build writes it.
LayerMap ParseLayers(const std::string& text) {
  LayerMap layers;
  for (const std::string& entry : Split(text, '|')) {
    const size_t eq = entry.find('=');
    std::vector<std::string> head = Split(entry.substr(0, eq), '+');
    Layer layer;
    for (size_t i = 1; i < head.size(); ++i) {
      layer.qt |= head[i] == "qt";
      layer.usb |= head[i] == "usb";
    }
    if (eq != std::string::npos) layer.depends = Split(entry.substr(eq + 1), ',');
    layers[head.at(0)] = layer;
  }
  // Transitive closure; the graph is small, so repeat until nothing changes.
  for (auto& [name, layer] : layers) layer.below.insert(layer.depends.begin(), layer.depends.end());
  for (bool grew = true; grew;) {
    grew = false;
    for (auto& [name, layer] : layers) {
      for (const std::string& dep : std::set<std::string>(layer.below)) {
        auto it = layers.find(dep);
        if (it == layers.end()) continue;
        for (const std::string& lower : it->second.below) grew |= layer.below.insert(lower).second;
      }
    }
  }
  return layers;
}

// What is wrong with one include of a file of `layer`; empty when allowed.
// `target` is the text between the quotes or angle brackets.
std::string CheckInclude(const LayerMap& layers, const std::string& layer,
                         const std::string& target, bool angled) {
  const auto self = layers.find(layer);
  if (self == layers.end()) return "file of undeclared layer '" + layer + "'";
  if (angled) {
    const bool qt = target.size() > 1 && target[0] == 'Q' && std::isupper(uint8_t(target[1]));
    if ((qt || target.rfind("Qt", 0) == 0) && !self->second.qt)
      return "Qt header in the Qt-free layer '" + layer + "'";
    if ((target.find("libusb") != std::string::npos ||
         target.find("hidapi") != std::string::npos) && !self->second.usb)
      return "USB library header outside the link layer";
    return "";
  }
  const size_t slash = target.find('/');
  if (slash == std::string::npos) return "";  // a header of the same folder
  const std::string to = target.substr(0, slash);
  if (to == layer || self->second.below.count(to)) return "";
  if (!layers.count(to)) return "include of '" + to + "', which is no layer";
  return "layer '" + layer + "' includes the layer '" + to + "', which is not below it";
}

// Every problem of one source text, as "file:line: reason".
std::vector<std::string> CheckSource(const LayerMap& layers, const std::string& layer,
                                     const std::string& file, std::istream& text) {
  std::vector<std::string> problems;
  std::string line;
  for (int number = 1; std::getline(text, line); ++number) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#') continue;
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0) continue;
    const size_t open = line.find_first_of("\"<", at + 7);
    if (open == std::string::npos) continue;
    const size_t close = line.find(line[open] == '"' ? '"' : '>', open + 1);
    if (close == std::string::npos) continue;
    const std::string why =
        CheckInclude(layers, layer, line.substr(open + 1, close - open - 1), line[open] == '<');
    if (!why.empty()) problems.push_back(file + ":" + std::to_string(number) + ": " + why);
  }
  return problems;
}

bool IsSource(const fs::path& path) {
  const std::string ext = path.extension().string();
  return ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".inc";
}

// Roots are "dir" (each sub-folder is a layer) or "dir=layer" (the whole tree is one layer).
std::vector<std::string> CheckTree(const LayerMap& layers, const std::string& roots,
                                   int* files) {
  std::vector<std::string> problems;
  for (const std::string& root : Split(roots, '|')) {
    const size_t eq = root.find('=');
    const fs::path dir = root.substr(0, eq);
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
      const fs::path rel = fs::relative(entry.path(), dir);
      const std::string layer =
          eq != std::string::npos ? root.substr(eq + 1) : rel.begin()->string();
      ++*files;
      if (!layers.count(layer)) {
        problems.push_back(entry.path().string() + ": the folder is no declared layer");
        continue;
      }
      std::ifstream in(entry.path());
      const auto found = CheckSource(layers, layer, entry.path().string(), in);
      problems.insert(problems.end(), found.begin(), found.end());
    }
  }
  return problems;
}

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
  int files = 0;
  const auto problems = CheckTree(Declared(), KYVOR_LAYER_ROOTS, &files);
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

// The checker itself, on a small graph, so the gate is known to close.
class LayeringChecker : public ::testing::Test {
 protected:
  LayerMap layers = ParseLayers("base=|engine=base|asm=engine|gui+qt=asm|win+qt=gui|"
                                "shell+qt=win|link+usb=engine");
  std::vector<std::string> Check(const std::string& layer, const std::string& text) {
    std::istringstream in(text);
    return CheckSource(layers, layer, "f.cpp", in);
  }
};

TEST_F(LayeringChecker, AllowsOwnLayerLowerLayersAndSameFolder) {
  EXPECT_TRUE(Check("shell", "#include \"shell/a.h\"\n#include \"base/b.h\"\n"
                             "#include \"win/c.h\"\n#include \"d.h\"\n#include <QWidget>\n")
                  .empty());
  EXPECT_TRUE(Check("engine", "#include <vector>\n#include \"base/x.h\"\n").empty());
  EXPECT_TRUE(Check("link", "#include <libusb-1.0/libusb.h>\n#include <hidapi/hidapi.h>\n")
                  .empty());
}

TEST_F(LayeringChecker, RejectsUpwardAndSidewaysIncludes) {
  const auto up = Check("engine", "// x\n  #  include \"asm/sym.h\"\n#include \"shell/e.h\"\n");
  ASSERT_EQ(up.size(), 2u);
  EXPECT_EQ(up[0].rfind("f.cpp:2: ", 0), 0u) << up[0];
  EXPECT_NE(up[1].find("'shell'"), std::string::npos) << up[1];
  EXPECT_EQ(Check("win", "#include \"shell/main.h\"\n").size(), 1u);
  EXPECT_EQ(Check("engine", "#include \"link/pod.h\"\n").size(), 1u);
  EXPECT_EQ(Check("base", "#include \"tests/fake.h\"\n").size(), 1u);
}

TEST_F(LayeringChecker, RejectsQtInTheCoreAndUsbOutsideTheLink) {
  EXPECT_EQ(Check("engine", "#include <QString>\n").size(), 1u);
  EXPECT_EQ(Check("base", "#include <QtCore/QObject>\n").size(), 1u);
  EXPECT_EQ(Check("engine", "#include <libusb.h>\n").size(), 1u);
  EXPECT_EQ(Check("gui", "#include <hidapi.h>\n").size(), 1u);
  EXPECT_EQ(Check("nowhere", "#include <vector>\n").size(), 1u);
}

}  // namespace
