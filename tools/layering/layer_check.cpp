#include "layer_check.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace kyvor::layering {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, sep))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

// The path below `dir`, or empty when `path` does not lie below it.
fs::path Below(const fs::path& path, const fs::path& dir) {
  const fs::path rel = path.lexically_relative(dir);
  if (rel.empty() || *rel.begin() == "..") return {};
  return rel;
}

bool IsSource(const fs::path& path) {
  const std::string ext = path.extension().string();
  return ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".inc";
}

bool IsQtHeader(const std::string& target) {
  const bool qclass = target.size() > 1 && target[0] == 'Q' && std::isupper(uint8_t(target[1]));
  return qclass || target.rfind("Qt", 0) == 0;
}

bool IsUsbHeader(const std::string& target) {
  return target.find("libusb") != std::string::npos || target.find("hidapi") != std::string::npos;
}

// The text between the quotes or brackets of an #include line, and which of them.
bool IncludeTarget(const std::string& line, std::string& target, bool& angled) {
  size_t at = line.find_first_not_of(" \t");
  if (at == std::string::npos || line[at] != '#') return false;
  at = line.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || line.compare(at, 7, "include") != 0) return false;
  const size_t open = line.find_first_of("\"<", at + 7);
  if (open == std::string::npos) return false;
  angled = line[open] == '<';
  const size_t close = line.find(angled ? '>' : '"', open + 1);
  if (close == std::string::npos) return false;
  target = line.substr(open + 1, close - open - 1);
  return true;
}

}  // namespace

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

std::vector<Root> ParseRoots(const std::string& text) {
  std::vector<Root> roots;
  for (const std::string& entry : Split(text, '|')) {
    const size_t eq = entry.find('=');
    Root root{fs::path(entry.substr(0, eq)).lexically_normal().string(), ""};
    if (eq != std::string::npos) root.layer = entry.substr(eq + 1);
    roots.push_back(root);
  }
  return roots;
}

Checker::Checker(LayerMap layers, std::vector<Root> roots, Exists exists)
    : layers_(std::move(layers)), roots_(std::move(roots)), exists_(std::move(exists)) {}

std::string Checker::LayerOf(const std::string& path) const {
  const fs::path p = fs::path(path).lexically_normal();
  for (const Root& root : roots_) {
    const fs::path rel = Below(p, root.dir);
    if (rel.empty()) continue;
    const std::string layer = root.layer.empty() ? rel.begin()->string() : root.layer;
    return layers_.count(layer) ? layer : "?";
  }
  return "";
}

std::string Checker::Resolve(const std::string& file, const std::string& target,
                             bool angled) const {
  std::vector<fs::path> candidates;
  if (!angled) candidates.push_back(fs::path(file).parent_path() / target);
  for (const Root& root : roots_)
    if (root.layer.empty()) candidates.push_back(fs::path(root.dir) / target);
  for (fs::path& c : candidates) {
    c = c.lexically_normal();
    if (exists_(c.string())) return c.string();
  }
  return "";
}

std::string Checker::CheckInclude(const std::string& file, const std::string& layer,
                                  const std::string& target, bool angled) const {
  const auto self = layers_.find(layer);
  if (self == layers_.end()) return "file of undeclared layer '" + layer + "'";
  const std::string found = Resolve(file, target, angled);
  if (found.empty()) {
    // A header of the system or of a library.
    if (IsQtHeader(target) && !self->second.qt)
      return "Qt header in the Qt-free layer '" + layer + "'";
    if (IsUsbHeader(target) && !self->second.usb)
      return "USB library header outside the link layer";
    return "";
  }
  const std::string to = LayerOf(found);
  if (to.empty() || to == "?") return "include of '" + found + "', which lies in no layer";
  if (to == layer || self->second.below.count(to)) return "";
  return "layer '" + layer + "' includes '" + found + "' of the layer '" + to +
         "', which is not below it";
}

std::vector<std::string> Checker::CheckSource(const std::string& file, std::istream& text) const {
  std::vector<std::string> problems;
  const std::string layer = LayerOf(file);
  std::string line, target;
  bool angled = false;
  for (int number = 1; std::getline(text, line); ++number) {
    if (!IncludeTarget(line, target, angled)) continue;
    const std::string why = CheckInclude(file, layer, target, angled);
    if (!why.empty()) problems.push_back(file + ":" + std::to_string(number) + ": " + why);
  }
  return problems;
}

std::vector<std::string> Checker::CheckTree(int* files) const {
  std::vector<std::string> problems;
  for (const Root& root : roots_) {
    for (const auto& entry : fs::recursive_directory_iterator(root.dir)) {
      if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
      ++*files;
      const std::string path = entry.path().lexically_normal().string();
      if (LayerOf(path) == "?") {
        problems.push_back(path + ": the folder is no declared layer");
        continue;
      }
      std::ifstream in(entry.path());
      const auto found = CheckSource(path, in);
      problems.insert(problems.end(), found.begin(), found.end());
    }
  }
  return problems;
}

}  // namespace kyvor::layering
