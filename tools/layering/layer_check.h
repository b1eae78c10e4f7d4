#pragma once
// The layering rules of the program's sources: every #include must reach a
// header of the including file's own layer or of a layer below it, whatever
// its spelling (quotes or angle brackets, a path through "..", a path relative
// to the including file). Qt headers belong to the GUI layers only, libusb and
// hidapi to the link layer only. The layers are declared by the build
// (src/CMakeLists.txt) as "name+qt+usb=dep,dep|...".
#include <functional>
#include <istream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kyvor::layering {

struct Layer {
  bool qt = false;
  bool usb = false;
  std::vector<std::string> depends;
  std::set<std::string> below;  // every layer reachable through `depends`
};
using LayerMap = std::map<std::string, Layer>;

LayerMap ParseLayers(const std::string& text);

// A folder of sources: with `layer` empty each sub-folder of `dir` is a layer
// (src/), otherwise the whole tree is that one layer (app/).
struct Root {
  std::string dir;
  std::string layer;
};
// "dir|dir=layer|..." as the build passes them.
std::vector<Root> ParseRoots(const std::string& text);

// Whether a file exists (the file system, or a fixed set in tests).
using Exists = std::function<bool(const std::string& path)>;

class Checker {
 public:
  Checker(LayerMap layers, std::vector<Root> roots, Exists exists);

  // The layer a path lies in ("" outside every root; "?" inside a root of
  // layers but in no declared layer).
  std::string LayerOf(const std::string& path) const;
  // Every problem of one source text, as "file:line: reason".
  std::vector<std::string> CheckSource(const std::string& file, std::istream& text) const;
  // Every source file below the roots; `files` counts them.
  std::vector<std::string> CheckTree(int* files) const;
  const LayerMap& Layers() const { return layers_; }

 private:
  std::string CheckInclude(const std::string& file, const std::string& layer,
                           const std::string& target, bool angled) const;
  // Where the compiler would find the target: next to the including file
  // (quotes only), then below each root. Empty when it is no file of ours.
  std::string Resolve(const std::string& file, const std::string& target, bool angled) const;

  LayerMap layers_;
  std::vector<Root> roots_;
  Exists exists_;
};

}  // namespace kyvor::layering
