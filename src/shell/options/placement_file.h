#pragma once
// Window placement persistence: the position, size and window state of
// every form, kept in a placement file beside the program (".wst") and put
// back on the next start. TRestoreWin sits on the main window: it loads and
// applies the placements at the main window's first show and saves them
// when the main window closes. The windows themselves are reached through
// IPlacementForms (the main window implements it over its forms), so this
// part holds no window code.
//
// The placement file (text, CR LF line ends):
//   1.10
//   <entry count>
//   <form name>                       \  per entry
//   Left Top Width Height state visible  /  each number right-aligned in 5
// state: 0 normal, 1 maximized, 2 minimized; visible: 1 or 0.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kyvor {

enum class TWindowState : uint8_t { Normal, Minimized, Maximized };

struct TPlacementEntry {
  int32_t Top = 0;
  int32_t Left = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  TWindowState WindowState = TWindowState::Normal;
  uint8_t Visible = 0;
  std::string Name;  // the form's name
};

// The placements of the process: at most 40 entries, in the order they were
// added (the file's order, then forms seen for the first time).
class TPlacementTable {
 public:
  static constexpr int kCapacity = 40;

  int Count() const { return static_cast<int>(entries_.size()); }
  const TPlacementEntry& Entry(int i) const { return entries_[i]; }
  // The entry of a form (exact, case-sensitive name); nullptr when none.
  TPlacementEntry* Find(std::string_view name);
  // A new empty entry; nullptr when the table is full.
  TPlacementEntry* Add();
  void Clear() { entries_.clear(); }

 private:
  std::vector<TPlacementEntry> entries_;
};

// The one table of the process.
TPlacementTable& PlacementTable();

// The file's text for a table, and the table read back from a text: nothing
// when the first line is not "1.10"; a count above 40 counts as 40; reading
// stops at the first entry that cannot be read, keeping the ones before.
std::string PlacementText(const TPlacementTable& table);
void ReadPlacementText(std::string_view text, TPlacementTable& table);

// The program's folder + the file name part of `name` (of the program's own
// path when empty), cut by as many characters as the program file's
// extension has, dot included (nothing is cut for a program file without an
// extension, or when the extension is not shorter than the name).
std::string PlacementFileName(const std::string& programPath, const std::string& name);

// One form's placement as its window shows it.
struct TFormPlacement {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  TWindowState State = TWindowState::Normal;
  bool Visible = false;
};

// The forms of the application, as the placement component sees them.
class IPlacementForms {
 public:
  virtual ~IPlacementForms() = default;
  virtual int FormCount() const = 0;
  virtual std::string FormName(int form) const = 0;
  // The form's placement now; false when it has none of its own to keep
  // (a view that still holds its default place).
  virtual bool ReadPlacement(int form, TFormPlacement& placement) const = 0;
  // Only forms at their designed position are placed; the others (the
  // main window, shown maximized) keep their own.
  virtual bool DesignedPosition(int form) const = 0;
  virtual bool SizeableBorder(int form) const = 0;
  // Width and height of the area the form is placed in (the screen, or the
  // main window's document area for its child windows).
  virtual void AreaSize(int form, int32_t& width, int32_t& height) const = 0;
  // Puts the form at the placement (width and height only for a sizeable
  // border); neither shows nor hides it.
  virtual void ApplyPlacement(int form, const TFormPlacement& placement) = 0;
};

// Keeps a form in the normal state with a sizeable border on an area of the
// given size: at most as wide and high as the area, and a left (top) edge
// beyond 20 pixels before the area's right (bottom) edge moves back so that
// the right (bottom) edge lies on the area's.
TFormPlacement ClampToScreen(TFormPlacement p, bool sizeable, int32_t areaWidth,
                             int32_t areaHeight);

class TRestoreWin {
 public:
  // basePath: the placement file's path without ".wst" (PlacementFileName);
  // empty: no placement file. fallbackFolder (with its trailing '/'): where
  // the file goes when it cannot be written beside the program. The table
  // is emptied.
  TRestoreWin(IPlacementForms& forms, std::string basePath, std::string fallbackFolder = {});
  // Frees the entries.
  ~TRestoreWin();
  TRestoreWin(const TRestoreWin&) = delete;
  TRestoreWin& operator=(const TRestoreWin&) = delete;

  bool Enabled = true;
  const std::string& ExtName() const { return extName_; }
  // An empty name gives "wst" again.
  void SetExtName(const std::string& ext) { extName_ = ext.empty() ? "wst" : ext; }

  // The main window's first show: LoadPlacement and ApplyAllPlacements
  // (once; later calls do nothing).
  void ShowHook();
  // The main window has closed (after its own close handling): the
  // placements are saved, but only when they were loaded at the first show,
  // so a start that ends before it leaves the user's file as it was.
  void CloseHook();
  bool FirstShowPending() const { return firstShow_; }

  void LoadPlacement();
  void SavePlacement();
  void RecordPlacement(int form);
  void ApplyAllPlacements();
  void ApplyPlacement(int form);

  // The file read at start-up and written at close: beside the program
  // when that folder is writable, else in the fallback folder.
  std::string FileName() const;

 private:
  std::string fileIn(const std::string& folder) const;

  IPlacementForms& forms_;
  std::string basePath_;
  std::string fallbackFolder_;
  std::string extName_ = "wst";
  bool firstShow_ = true;
};

}  // namespace kyvor
