#include "shell/options/placement_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kyvor {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kVersionLine = "1.10";

// The file's state numbers: 0 normal, 1 maximized, 2 minimized. Any other
// number (the writer never makes one) reads as normal.
int StateNumber(TWindowState s) {
  switch (s) {
    case TWindowState::Maximized: return 1;
    case TWindowState::Minimized: return 2;
    default: return 0;
  }
}
TWindowState StateOfNumber(long n) {
  if (n == 1) return TWindowState::Maximized;
  if (n == 2) return TWindowState::Minimized;
  return TWindowState::Normal;
}

// Right-aligned in five characters. A number that fills them gets a blank
// in front, so that it never runs into the one before.
std::string Field5(int32_t v, bool first) {
  std::string digits = std::to_string(v);
  if (digits.size() < 5) return std::string(5 - digits.size(), ' ') + digits;
  return first ? digits : " " + digits;
}

bool ParseLong(std::string_view text, long& value) {
  const std::string s(text);
  const char* p = s.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  if (!*p) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(p, &end, 10);
  if (errno || end == p) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == 0;
}

// Six whitespace-separated integers.
bool ParseSix(std::string_view line, long (&v)[6]) {
  const std::string s(line);
  const char* p = s.c_str();
  for (long& x : v) {
    char* end = nullptr;
    errno = 0;
    x = std::strtol(p, &end, 10);
    if (errno || end == p || (*end && *end != ' ' && *end != '\t')) return false;
    p = end;
  }
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = eol + 1;
  }
  return lines;
}

bool ReadFile(const std::string& path, std::string& data) {
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  std::fclose(f);
  return true;
}

bool WriteFile(const std::string& path, const std::string& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FolderWritable(const std::string& folder) {
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// The table and its file

TPlacementEntry* TPlacementTable::Find(std::string_view name) {
  for (TPlacementEntry& e : entries_)
    if (e.Name == name) return &e;
  return nullptr;
}

TPlacementEntry* TPlacementTable::Add() {
  if (Count() >= kCapacity) return nullptr;
  return &entries_.emplace_back();
}

TPlacementTable& PlacementTable() {
  static TPlacementTable table;
  return table;
}

std::string PlacementText(const TPlacementTable& table) {
  std::string s(kVersionLine);
  s += "\r\n" + std::to_string(table.Count()) + "\r\n";
  for (int i = 0; i < table.Count(); ++i) {
    const TPlacementEntry& e = table.Entry(i);
    s += e.Name + "\r\n";
    s += Field5(e.Left, true) + Field5(e.Top, false) + Field5(e.Width, false) +
         Field5(e.Height, false) + Field5(StateNumber(e.WindowState), false) +
         Field5(e.Visible ? 1 : 0, false) + "\r\n";
  }
  return s;
}

void ReadPlacementText(std::string_view text, TPlacementTable& table) {
  const std::vector<std::string_view> lines = SplitLines(text);
  long count = 0;
  if (lines.size() < 2 || lines[0] != kVersionLine || !ParseLong(lines[1], count)) return;
  count = std::min<long>(count, TPlacementTable::kCapacity);
  size_t next = 2;
  for (long i = 0; i < count; ++i, next += 2) {
    long v[6];
    if (next + 1 >= lines.size() || !ParseSix(lines[next + 1], v)) return;
    TPlacementEntry* e = table.Add();
    if (!e) return;
    e->Name = std::string(lines[next]);
    e->Left = static_cast<int32_t>(v[0]);
    e->Top = static_cast<int32_t>(v[1]);
    e->Width = static_cast<int32_t>(v[2]);
    e->Height = static_cast<int32_t>(v[3]);
    e->WindowState = StateOfNumber(v[4]);
    e->Visible = v[5] == 1 ? 1 : 0;
  }
}

std::string PlacementFileName(const std::string& programPath, const std::string& name) {
  const std::string fileOfProgram = programPath.substr(FolderOf(programPath).size());
  const size_t dot = fileOfProgram.find_last_of('.');
  const size_t extLength = dot == std::string::npos ? 0 : fileOfProgram.size() - dot;
  std::string file = name.empty() ? fileOfProgram : name.substr(FolderOf(name).size());
  if (extLength > 0 && extLength < file.size()) file.resize(file.size() - extLength);
  return FolderOf(programPath) + file;
}

TFormPlacement ClampToScreen(TFormPlacement p, bool sizeable, int32_t areaWidth,
                             int32_t areaHeight) {
  if (p.State != TWindowState::Normal || !sizeable) return p;
  p.Width = std::min(p.Width, areaWidth);
  p.Height = std::min(p.Height, areaHeight);
  if (p.Left > areaWidth - 20) p.Left = areaWidth - p.Width;
  if (p.Top > areaHeight - 20) p.Top = areaHeight - p.Height;
  return p;
}

// ---------------------------------------------------------------------------
// The component

TRestoreWin::TRestoreWin(IPlacementForms& forms, std::string basePath, std::string fallbackFolder)
    : forms_(forms), basePath_(std::move(basePath)), fallbackFolder_(std::move(fallbackFolder)) {
  PlacementTable().Clear();
}

TRestoreWin::~TRestoreWin() { PlacementTable().Clear(); }

std::string TRestoreWin::fileIn(const std::string& folder) const {
  return folder + basePath_.substr(FolderOf(basePath_).size()) + "." + extName_;
}

std::string TRestoreWin::FileName() const {
  if (basePath_.empty()) return std::string();
  const std::string beside = basePath_ + "." + extName_;
  if (fallbackFolder_.empty() || FolderWritable(FolderOf(basePath_))) return beside;
  return fileIn(fallbackFolder_);
}

void TRestoreWin::ShowHook() {
  if (!firstShow_ || !Enabled) return;
  LoadPlacement();
  ApplyAllPlacements();
  firstShow_ = false;
}

void TRestoreWin::CloseHook() {
  if (!firstShow_ && Enabled) SavePlacement();
}

void TRestoreWin::LoadPlacement() {
  if (basePath_.empty()) return;
  std::string data;
  // A read-only program folder may still hold a file of its own.
  if (!ReadFile(FileName(), data) && !ReadFile(basePath_ + "." + extName_, data)) return;
  ReadPlacementText(data, PlacementTable());
}

void TRestoreWin::SavePlacement() {
  if (basePath_.empty()) return;
  for (int i = 0; i < forms_.FormCount(); ++i) RecordPlacement(i);
  const std::string text = PlacementText(PlacementTable());
  const std::string beside = basePath_ + "." + extName_;
  if (FileName() == beside && WriteFile(beside, text)) return;
  // Beside the program it cannot be written: the user's folder.
  if (fallbackFolder_.empty()) return;
  std::error_code ec;
  fs::create_directories(fallbackFolder_, ec);
  WriteFile(fileIn(fallbackFolder_), text);
}

void TRestoreWin::RecordPlacement(int form) {
  TFormPlacement p;
  if (!forms_.ReadPlacement(form, p)) return;
  const std::string name = forms_.FormName(form);
  TPlacementEntry* e = PlacementTable().Find(name);
  if (!e) e = PlacementTable().Add();
  if (!e) return;  // a full table drops the form
  e->Name = name;
  e->WindowState = p.State;
  e->Visible = p.Visible ? 1 : 0;
  e->Left = p.Left;
  e->Top = p.Top;
  e->Width = p.Width;
  e->Height = p.Height;
}

void TRestoreWin::ApplyAllPlacements() {
  for (int i = 0; i < forms_.FormCount(); ++i) ApplyPlacement(i);
}

void TRestoreWin::ApplyPlacement(int form) {
  const TPlacementEntry* e = PlacementTable().Find(forms_.FormName(form));
  if (!e || !forms_.DesignedPosition(form)) return;
  TFormPlacement p;
  p.Left = e->Left;
  p.Top = e->Top;
  p.Width = e->Width;
  p.Height = e->Height;
  p.State = e->WindowState;
  p.Visible = e->Visible != 0;
  const bool sizeable = forms_.SizeableBorder(form);
  if (!sizeable) {
    // Only the position is taken; the form keeps its size.
    TFormPlacement now;
    if (forms_.ReadPlacement(form, now)) {
      p.Width = now.Width;
      p.Height = now.Height;
    }
  }
  int32_t w = 0, h = 0;
  forms_.AreaSize(form, w, h);
  forms_.ApplyPlacement(form, ClampToScreen(p, sizeable, w, h));
}

}  // namespace kyvor
