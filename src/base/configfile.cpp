#include "base/configfile.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace kyvor {

namespace {

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

class TConfigWriter {
 public:
  // A number right-aligned in `width` characters. One that fills or overflows
  // its field gets a blank before it when another number precedes it on the
  // line (and always when it overflows), so no two numbers join.
  void Num(int64_t v, int width) {
    const std::string d = std::to_string(v);
    const int n = static_cast<int>(d.size());
    if (n < width) {
      out_.append(static_cast<size_t>(width - n), ' ');
    } else if (width > 0 && (n > width || numberOnLine_)) {
      out_ += ' ';
    }
    out_ += d;
    numberOnLine_ = true;
  }
  void Flag(bool on, int width) { Num(on ? 1 : 0, width); }
  void Raw(const std::string& s) { out_ += s; }
  void End() {
    out_ += "\r\n";
    numberOnLine_ = false;
  }
  void Line(const std::string& s) {
    out_ += s;
    End();
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  bool numberOnLine_ = false;
};

void WriteSections(const TConfigData& d, TConfigWriter& w) {
  const TOptions& o = d.Options;
  w.Line(d.Header);
  // 0: output switches and the simulator mode, then the always-on-top flags;
  // the blank that ends their line is the first character of section 1.
  w.Flag(o.OutAsciiFile, 2), w.Flag(o.OutListFile, 2), w.Flag(o.OutBinaryFile, 2);
  w.Flag(d.SimulatorMode == 1, 2), w.End();
  w.Flag(o.OutAsciiInvFile, 2), w.Flag(o.OutBinaryInvFile, 2), w.Flag(o.OutMaskFile, 2);
  w.Flag(o.OutBinarySplitFile, 2), w.End();
  for (uint8_t f : d.OnTopFlags) w.Flag(f == 1, 2);
  // 1: the editor's pages.
  w.Raw(" "), w.End();
  w.Num(static_cast<int64_t>(d.EditorPages.size()), 6), w.Num(d.ActivePage, 6), w.End();
  for (const std::string& p : d.EditorPages) w.Line(p);
  // 2, 3.
  w.Line(d.MainFileName);
  w.Line("None");
  // 4: environment. The ROM emulation type is always written as 0.
  w.Num(d.PreservedValues[0], 8), w.Num(d.PreservedValues[1], 4), w.Num(d.ChipIndex, 4);
  w.Num(d.LanguageIndex, 4), w.Num(d.WinNtPlatform, 4), w.Num(o.ShowEditToolBar, 4), w.End();
  w.Num(d.LptPortAddress, 8), w.Num(d.IceInterfaceIndex, 4), w.Num(d.PodlessMode, 4);
  w.Num(0, 4), w.End();
  w.Line(o.EditorFont.Name);
  w.Num(o.EditorFont.Size, 8), w.Num(o.EditorFont.Style, 8), w.End();
  // 5: the debug views to reopen, then the fill of unused words.
  for (bool shown : d.DebugViewShown) w.Line(shown ? "TRUE" : "FALSE");
  w.Num(o.UnusedFillMode, 0), w.End();
  // 6: chip watch.
  w.Num(o.WatchAddress, 4), w.Num(o.WatchData, 4), w.Num(o.WatchBitMask, 4);
  w.Flag(o.StackOverflowStopCode() != 0x600012u, 4), w.End();
  // 7.
  w.Num(o.SmartCompiler, 4), w.End();
  // 8: one character a line, "0" when checked.
  w.Line(o.PICE() ? "0" : "1");
  w.Line(o.CProtect ? "0" : "1");
  w.Line(d.CoreVariant == 0 ? "0" : "1");
  // 9, 10.
  w.Line(d.LastProgrammerFile);
  w.Num(d.CodeChecksum, 4), w.End();
  // 11.
  w.Num(d.RegisterPage, 2), w.End();
  w.Num(d.CurrentRamBank, 2), w.End();
  w.Num(d.WatchValueFormat, 2), w.End();
  w.Line(o.STKOVRST ? "1" : "0");
  // 12, 13.
  w.Num(d.AdcSelectors[0], 0), w.End();
  w.Num(d.AdcSelectors[1], 0), w.End();
  w.Num(d.UnusedNumbers[0], 4), w.End();
  w.Num(d.UnusedNumbers[1], 8), w.End();
  // 14, 15, 16.
  w.Flag(o.ChContinue, 4), w.End();
  w.Flag(!o.RACM10, 4), w.Flag(o.ChWDTJMPOO, 4), w.Flag(o.COptimization, 4), w.End();
  w.Flag(o.STKOVSTOP, 4), w.End();
  // 17: calibration.
  w.Flag(o.EnHAO, 4), w.Num(o.EHAO, 8), w.End();
  w.Flag(o.EnSHAO, 4), w.Flag(o.EnSLAO, 4), w.Num(o.ELAO, 8), w.End();
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

class TConfigReader {
 public:
  explicit TConfigReader(const std::string& text) : t_(text) {}

  // An integer within lo..hi. False at the end of the file or on a bad item
  // (then Bad() is set).
  bool Int(int64_t lo, int64_t hi, int64_t& v) {
    while (pos_ < t_.size() && IsBlank(t_[pos_])) ++pos_;
    if (pos_ >= t_.size()) return false;
    midLine_ = true;
    size_t p = pos_;
    bool negative = false;
    if (t_[p] == '+' || t_[p] == '-') negative = t_[p++] == '-';
    const size_t first = p;
    int64_t value = 0;
    while (p < t_.size() && std::isdigit(static_cast<unsigned char>(t_[p]))) {
      if (p - first >= 18) return bad();  // far beyond any field
      value = value * 10 + (t_[p++] - '0');
    }
    if (p == first || (p < t_.size() && !IsBlank(t_[p]))) return bad();
    pos_ = p;
    v = negative ? -value : value;
    if (v < lo || v > hi) return bad();
    return true;
  }
  bool Int32(int32_t& v) {
    int64_t x;
    if (!Int(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), x))
      return false;
    v = static_cast<int32_t>(x);
    return true;
  }
  bool Int(int& v) {
    int32_t x;
    if (!Int32(x)) return false;
    v = x;
    return true;
  }
  bool Range(int64_t lo, int64_t hi, int& v) {
    int64_t x;
    if (!Int(lo, hi, x)) return false;
    v = static_cast<int>(x);
    return true;
  }
  // A number read as a switch: its truth by `test`.
  template <class Test>
  bool Flag(uint8_t& f, Test test) {
    int v;
    if (!Int(v)) return false;
    f = test(v) ? 1 : 0;
    return true;
  }
  bool NonZero(uint8_t& f) {
    return Flag(f, [](int v) { return v != 0; });
  }
  bool One(uint8_t& f) {
    return Flag(f, [](int v) { return v == 1; });
  }

  // A whole line: the rest of a line numbers were read from is passed over
  // first. False at the end of the file.
  bool Line(std::string& s) {
    if (midLine_) {
      const size_t nl = t_.find('\n', pos_);
      pos_ = nl == std::string::npos ? t_.size() : nl + 1;
      midLine_ = false;
    }
    if (pos_ >= t_.size()) return false;
    size_t nl = t_.find('\n', pos_);
    if (nl == std::string::npos) nl = t_.size();
    size_t end = nl;
    if (end > pos_ && t_[end - 1] == '\r') --end;
    s.assign(t_, pos_, end - pos_);
    pos_ = nl < t_.size() ? nl + 1 : nl;
    return true;
  }

  // Nothing but blanks and line ends is left.
  bool AtEnd() const {
    for (size_t p = pos_; p < t_.size(); ++p)
      if (!IsBlank(t_[p])) return false;
    return true;
  }
  bool Bad() const { return bad_; }

 private:
  bool bad() {
    bad_ = true;
    return false;
  }
  const std::string& t_;
  size_t pos_ = 0;
  bool midLine_ = false;
  bool bad_ = false;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Reads one section into `d`; false when it could not be read whole.
bool ReadSection(int step, TConfigReader& r, TConfigData& d) {
  TOptions& o = d.Options;
  int v = 0;
  switch (step) {
    case CfgOutput: {
      if (!r.One(o.OutAsciiFile) || !r.One(o.OutListFile) || !r.One(o.OutBinaryFile)) return false;
      uint8_t sim;
      if (!r.One(sim)) return false;
      d.SimulatorMode = sim;
      if (!r.One(o.OutAsciiInvFile) || !r.One(o.OutBinaryInvFile) || !r.One(o.OutMaskFile) ||
          !r.One(o.OutBinarySplitFile))
        return false;
      for (uint8_t& f : d.OnTopFlags)
        if (!r.One(f)) return false;
      return true;
    }
    case CfgEditorFiles: {
      int count;
      if (!r.Range(0, kConfigMaxEditorPages, count) || !r.Int(d.ActivePage)) return false;
      d.EditorPages.assign(static_cast<size_t>(count), std::string());
      for (std::string& p : d.EditorPages)
        if (!r.Line(p)) return false;
      return true;
    }
    case CfgMainFile: return r.Line(d.MainFileName);
    case CfgUnused: {
      std::string none;
      return r.Line(none);
    }
    case CfgEnvironment: {
      int lpt, rom, size, style;
      uint8_t podless;
      if (!r.Int32(d.PreservedValues[0]) || !r.Int32(d.PreservedValues[1]) ||
          !r.Range(0, std::numeric_limits<int32_t>::max(), d.ChipIndex) ||
          !r.Int(d.LanguageIndex) || !r.Int(d.WinNtPlatform) || !r.NonZero(o.ShowEditToolBar) ||
          !r.Range(0, 0xFFFF, lpt) || !r.Range(0, 4, d.IceInterfaceIndex) ||
          !r.NonZero(podless) || !r.Range(0, 255, rom) || !r.Line(o.EditorFont.Name) ||
          !r.Range(1, 999, size) || !r.Range(0, 255, style))
        return false;
      d.LptPortAddress = static_cast<uint16_t>(lpt);
      d.PodlessMode = podless;
      o.RomEmulationType = static_cast<uint8_t>(rom);
      o.EditorFont.Size = size;
      o.EditorFont.Style = static_cast<uint8_t>(style & 15);
      return true;
    }
    case CfgDebugViews: {
      std::string line;
      for (bool& shown : d.DebugViewShown) {
        if (!r.Line(line)) return false;
        shown = Upper(line) == "TRUE";
      }
      if (!r.Range(0, 2, v)) return false;
      o.UnusedFillMode = static_cast<uint8_t>(v);
      return true;
    }
    case CfgChipWatch: {
      int address, data, mask;
      if (!r.Range(0, 0xFFFF, address) || !r.Range(0, 0xFF, data) || !r.Range(0, 0xFF, mask) ||
          !r.One(o.STPOVSTAK))
        return false;
      o.WatchAddress = static_cast<uint16_t>(address);
      o.WatchData = static_cast<uint8_t>(data);
      o.WatchBitMask = static_cast<uint8_t>(mask);
      return true;
    }
    case CfgCompileOption: return r.NonZero(o.SmartCompiler);
    case CfgDebugTool: {
      uint8_t variant;
      auto zero = [](int x) { return x == 0; };
      if (!r.NonZero(o.PProg) || !r.Flag(o.CProtect, zero) || !r.NonZero(variant)) return false;
      d.CoreVariant = variant;
      return true;
    }
    case CfgProgrammerFile: return r.Line(d.LastProgrammerFile);
    case CfgChecksum:
      if (!r.Range(0, 0xFFFF, v)) return false;
      d.CodeChecksum = static_cast<uint16_t>(v);
      return true;
    case CfgChipState:
      return r.Range(0, 255, d.RegisterPage) && r.Range(0, 255, d.CurrentRamBank) &&
             r.Int(d.WatchValueFormat) && r.NonZero(o.STKOVRST);
    case CfgAdcWindow: return r.Int(d.AdcSelectors[0]) && r.Int(d.AdcSelectors[1]);
    case CfgUnusedNumbers: return r.Int32(d.UnusedNumbers[0]) && r.Int32(d.UnusedNumbers[1]);
    case CfgRecord: return r.One(o.ChContinue);
    case CfgWdtOptimize:
      return r.Flag(o.RACM10, [](int x) { return x == 0; }) && r.NonZero(o.ChWDTJMPOO) &&
             r.NonZero(o.COptimization);
    case CfgStackStop: return r.NonZero(o.STKOVSTOP);
    case CfgCalibrationHao: return r.NonZero(d.CalibrationHao) && r.Int32(o.EHAO);
    case CfgCalibrationLao:
      return r.NonZero(o.EnSHAO) && r.NonZero(o.EnSLAO) && r.Int32(o.ELAO);
    default: return false;
  }
}

}  // namespace

std::string ConfigText(const TConfigData& data) {
  TConfigWriter w;
  WriteSections(data, w);
  return w.Take();
}

TConfigParse ParseConfigText(const std::string& text, const std::string& expectedHeader,
                             TConfigData& data) {
  TConfigParse result;
  TConfigReader r(text);
  std::string header;
  if (!r.Line(header) || header != expectedHeader) return result;
  result.VersionMatched = true;
  // Each section is read into a copy and kept only when it was read whole.
  while (result.StepsRead < CfgStepCount && !r.AtEnd()) {
    TConfigData next = data;
    if (!ReadSection(result.StepsRead, r, next)) {
      result.Malformed = r.Bad();
      return result;
    }
    data = std::move(next);
    ++result.StepsRead;
  }
  // Whatever follows the last section (a later version's sections) is not read.
  return result;
}

}  // namespace kyvor
