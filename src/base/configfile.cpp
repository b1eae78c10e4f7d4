#include "base/configfile.h"

#include <cctype>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>

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

// ---------------------------------------------------------------------------
// The sections
// ---------------------------------------------------------------------------

// One section of the file: how it is written from what a file holds, how it
// is read back (false when it could not be read whole), and the settings of
// the options record it gives back to the live record once it was read. What
// a section gives to other homes (the editor, the chip, the windows) the
// shell applies by the section's id.
struct TSection {
  TConfigSection Id;
  void (*Write)(const TConfigData& d, TConfigWriter& w);
  bool (*Read)(TConfigReader& r, TConfigData& d);
  void (*TakeOptions)(const TConfigData& d, TOptions& live);
};

void NoOptions(const TConfigData&, TOptions&) {}

// The output switches in file order; the simulator mode follows the third.
constexpr uint8_t TOptions::*kOutputSwitches[] = {
    &TOptions::OutAsciiFile,     &TOptions::OutListFile, &TOptions::OutBinaryFile,
    &TOptions::OutAsciiInvFile,  &TOptions::OutBinaryInvFile, &TOptions::OutMaskFile,
    &TOptions::OutBinarySplitFile};
constexpr size_t kSwitchesBeforeSimulator = 3;

bool IsZero(int v) { return v == 0; }

constexpr TSection kSections[] = {
    // 0: output switches and the simulator mode, then the always-on-top flags;
    // the blank that ends their line is the first character of section 1.
    {CfgOutput,
     [](const TConfigData& d, TConfigWriter& w) {
       for (size_t i = 0; i < kSwitchesBeforeSimulator; ++i) w.Flag(d.Options.*kOutputSwitches[i], 2);
       w.Flag(d.SimulatorMode == 1, 2), w.End();
       for (size_t i = kSwitchesBeforeSimulator; i < std::size(kOutputSwitches); ++i)
         w.Flag(d.Options.*kOutputSwitches[i], 2);
       w.End();
       for (uint8_t f : d.OnTopFlags) w.Flag(f == 1, 2);
     },
     [](TConfigReader& r, TConfigData& d) {
       uint8_t sim = 0;
       for (size_t i = 0; i < std::size(kOutputSwitches); ++i) {
         if (i == kSwitchesBeforeSimulator && !r.One(sim)) return false;
         if (!r.One(d.Options.*kOutputSwitches[i])) return false;
       }
       d.SimulatorMode = sim;
       for (uint8_t& f : d.OnTopFlags)
         if (!r.One(f)) return false;
       return true;
     },
     [](const TConfigData& d, TOptions& o) {
       for (auto field : kOutputSwitches) o.*field = d.Options.*field;
     }},
    // 1: the editor's pages.
    {CfgEditorFiles,
     [](const TConfigData& d, TConfigWriter& w) {
       w.Raw(" "), w.End();
       w.Num(static_cast<int64_t>(d.EditorPages.size()), 6), w.Num(d.ActivePage, 6), w.End();
       for (const std::string& p : d.EditorPages) w.Line(p);
     },
     [](TConfigReader& r, TConfigData& d) {
       int count;
       if (!r.Range(0, kConfigMaxEditorPages, count) || !r.Int(d.ActivePage)) return false;
       d.EditorPages.assign(static_cast<size_t>(count), std::string());
       for (std::string& p : d.EditorPages)
         if (!r.Line(p)) return false;
       return true;
     },
     NoOptions},
    // 2: the main file.
    {CfgMainFile, [](const TConfigData& d, TConfigWriter& w) { w.Line(d.MainFileName); },
     [](TConfigReader& r, TConfigData& d) { return r.Line(d.MainFileName); }, NoOptions},
    // 3: "None", read and passed over.
    {CfgUnused, [](const TConfigData&, TConfigWriter& w) { w.Line("None"); },
     [](TConfigReader& r, TConfigData&) {
       std::string none;
       return r.Line(none);
     },
     NoOptions},
    // 4: environment. The ROM emulation type is always written as 0.
    {CfgEnvironment,
     [](const TConfigData& d, TConfigWriter& w) {
       const TOptions& o = d.Options;
       w.Num(d.PreservedValues[0], 8), w.Num(d.PreservedValues[1], 4), w.Num(d.ChipIndex, 4);
       w.Num(d.LanguageIndex, 4), w.Num(d.WinNtPlatform, 4), w.Num(o.ShowEditToolBar, 4), w.End();
       w.Num(d.LptPortAddress, 8), w.Num(d.IceInterfaceIndex, 4), w.Num(d.PodlessMode, 4);
       w.Num(0, 4), w.End();
       w.Line(o.EditorFont.Name);
       w.Num(o.EditorFont.Size, 8), w.Num(o.EditorFont.Style, 8), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       TOptions& o = d.Options;
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
     },
     [](const TConfigData& d, TOptions& o) {
       o.ShowEditToolBar = d.Options.ShowEditToolBar;
       o.RomEmulationType = d.Options.RomEmulationType;
       o.EditorFont = d.Options.EditorFont;
     }},
    // 5: the debug views to reopen, then the fill of unused words.
    {CfgDebugViews,
     [](const TConfigData& d, TConfigWriter& w) {
       for (bool shown : d.DebugViewShown) w.Line(shown ? "TRUE" : "FALSE");
       w.Num(d.Options.UnusedFillMode, 0), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       std::string line;
       for (bool& shown : d.DebugViewShown) {
         if (!r.Line(line)) return false;
         shown = Upper(line) == "TRUE";
       }
       int fill;
       if (!r.Range(0, 2, fill)) return false;
       d.Options.UnusedFillMode = static_cast<uint8_t>(fill);
       return true;
     },
     [](const TConfigData& d, TOptions& o) { o.UnusedFillMode = d.Options.UnusedFillMode; }},
    // 6: chip watch.
    {CfgChipWatch,
     [](const TConfigData& d, TConfigWriter& w) {
       const TOptions& o = d.Options;
       w.Num(o.WatchAddress, 4), w.Num(o.WatchData, 4), w.Num(o.WatchBitMask, 4);
       w.Flag(o.StackOverflowStopCode() != 0x600012u, 4), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       TOptions& o = d.Options;
       int address, data, mask;
       if (!r.Range(0, 0xFFFF, address) || !r.Range(0, 0xFF, data) || !r.Range(0, 0xFF, mask) ||
           !r.One(o.STPOVSTAK))
         return false;
       o.WatchAddress = static_cast<uint16_t>(address);
       o.WatchData = static_cast<uint8_t>(data);
       o.WatchBitMask = static_cast<uint8_t>(mask);
       return true;
     },
     [](const TConfigData& d, TOptions& o) {
       o.WatchAddress = d.Options.WatchAddress, o.WatchData = d.Options.WatchData;
       o.WatchBitMask = d.Options.WatchBitMask, o.STPOVSTAK = d.Options.STPOVSTAK;
     }},
    // 7: the smart compiler.
    {CfgCompileOption,
     [](const TConfigData& d, TConfigWriter& w) { w.Num(d.Options.SmartCompiler, 4), w.End(); },
     [](TConfigReader& r, TConfigData& d) { return r.NonZero(d.Options.SmartCompiler); },
     [](const TConfigData& d, TOptions& o) { o.SmartCompiler = d.Options.SmartCompiler; }},
    // 8: one character a line, "0" when checked.
    {CfgDebugTool,
     [](const TConfigData& d, TConfigWriter& w) {
       w.Line(d.Options.PICE() ? "0" : "1");
       w.Line(d.Options.CProtect ? "0" : "1");
       w.Line(d.CoreVariant == 0 ? "0" : "1");
     },
     [](TConfigReader& r, TConfigData& d) {
       uint8_t variant;
       if (!r.NonZero(d.Options.PProg) || !r.Flag(d.Options.CProtect, IsZero) ||
           !r.NonZero(variant))
         return false;
       d.CoreVariant = variant;
       return true;
     },
     [](const TConfigData& d, TOptions& o) {
       o.PProg = d.Options.PProg, o.CProtect = d.Options.CProtect;
     }},
    // 9: the last image sent to the programmer.
    {CfgProgrammerFile, [](const TConfigData& d, TConfigWriter& w) { w.Line(d.LastProgrammerFile); },
     [](TConfigReader& r, TConfigData& d) { return r.Line(d.LastProgrammerFile); }, NoOptions},
    // 10: the image's checksum.
    {CfgChecksum, [](const TConfigData& d, TConfigWriter& w) { w.Num(d.CodeChecksum, 4), w.End(); },
     [](TConfigReader& r, TConfigData& d) {
       int v;
       if (!r.Range(0, 0xFFFF, v)) return false;
       d.CodeChecksum = static_cast<uint16_t>(v);
       return true;
     },
     NoOptions},
    // 11: register page, RAM bank, watch value format, reset on stack overflow.
    {CfgChipState,
     [](const TConfigData& d, TConfigWriter& w) {
       w.Num(d.RegisterPage, 2), w.End();
       w.Num(d.CurrentRamBank, 2), w.End();
       w.Num(d.WatchValueFormat, 2), w.End();
       w.Line(d.Options.STKOVRST ? "1" : "0");
     },
     [](TConfigReader& r, TConfigData& d) {
       return r.Range(0, 255, d.RegisterPage) && r.Range(0, 255, d.CurrentRamBank) &&
              r.Int(d.WatchValueFormat) && r.NonZero(d.Options.STKOVRST);
     },
     [](const TConfigData& d, TOptions& o) { o.STKOVRST = d.Options.STKOVRST; }},
    // 12: the ADC window's two selectors.
    {CfgAdcWindow,
     [](const TConfigData& d, TConfigWriter& w) {
       w.Num(d.AdcSelectors[0], 0), w.End();
       w.Num(d.AdcSelectors[1], 0), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       return r.Int(d.AdcSelectors[0]) && r.Int(d.AdcSelectors[1]);
     },
     NoOptions},
    // 13: two numbers kept for the file.
    {CfgUnusedNumbers,
     [](const TConfigData& d, TConfigWriter& w) {
       w.Num(d.UnusedNumbers[0], 4), w.End();
       w.Num(d.UnusedNumbers[1], 8), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       return r.Int32(d.UnusedNumbers[0]) && r.Int32(d.UnusedNumbers[1]);
     },
     NoOptions},
    // 14: the SRAM record's "Continue".
    {CfgRecord, [](const TConfigData& d, TConfigWriter& w) { w.Flag(d.Options.ChContinue, 4), w.End(); },
     [](TConfigReader& r, TConfigData& d) { return r.One(d.Options.ChContinue); },
     [](const TConfigData& d, TOptions& o) { o.ChContinue = d.Options.ChContinue; }},
    // 15: the ACM voltage (1 for 1.2 V), the watchdog's reset vector, the
    // optimization.
    {CfgWdtOptimize,
     [](const TConfigData& d, TConfigWriter& w) {
       const TOptions& o = d.Options;
       w.Flag(!o.RACM10, 4), w.Flag(o.ChWDTJMPOO, 4), w.Flag(o.COptimization, 4), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       TOptions& o = d.Options;
       return r.Flag(o.RACM10, IsZero) && r.NonZero(o.ChWDTJMPOO) && r.NonZero(o.COptimization);
     },
     [](const TConfigData& d, TOptions& o) {
       o.RACM10 = d.Options.RACM10, o.ChWDTJMPOO = d.Options.ChWDTJMPOO;
       o.COptimization = d.Options.COptimization;
     }},
    // 16: stop on stack overflow.
    {CfgStackStop, [](const TConfigData& d, TConfigWriter& w) { w.Flag(d.Options.STKOVSTOP, 4), w.End(); },
     [](TConfigReader& r, TConfigData& d) { return r.NonZero(d.Options.STKOVSTOP); },
     [](const TConfigData& d, TOptions& o) { o.STKOVSTOP = d.Options.STKOVSTOP; }},
    // 17, first line: the hardware calibration switch, written from EnHAO and
    // read into HaoEnabled, and the HAO edit.
    {CfgCalibrationHao,
     [](const TConfigData& d, TConfigWriter& w) {
       w.Flag(d.Options.EnHAO, 4), w.Num(d.Options.EHAO, 8), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       return r.NonZero(d.CalibrationHao) && r.Int32(d.Options.EHAO);
     },
     [](const TConfigData& d, TOptions& o) {
       o.HaoEnabled = d.CalibrationHao, o.EHAO = d.Options.EHAO;
     }},
    // 17, second line: the software switches and the LPO edit.
    {CfgCalibrationLao,
     [](const TConfigData& d, TConfigWriter& w) {
       const TOptions& o = d.Options;
       w.Flag(o.EnSHAO, 4), w.Flag(o.EnSLAO, 4), w.Num(o.ELAO, 8), w.End();
     },
     [](TConfigReader& r, TConfigData& d) {
       TOptions& o = d.Options;
       return r.NonZero(o.EnSHAO) && r.NonZero(o.EnSLAO) && r.Int32(o.ELAO);
     },
     [](const TConfigData& d, TOptions& o) {
       o.EnSHAO = d.Options.EnSHAO, o.EnSLAO = d.Options.EnSLAO, o.ELAO = d.Options.ELAO;
     }},
};
static_assert(std::size(kSections) == CfgStepCount);

constexpr bool InFileOrder() {
  for (size_t i = 0; i < std::size(kSections); ++i)
    if (kSections[i].Id != static_cast<int>(i)) return false;
  return true;
}
static_assert(InFileOrder(), "the table is indexed by section id");

}  // namespace

std::string ConfigText(const TConfigData& data) {
  TConfigWriter w;
  w.Line(data.Header);
  for (const TSection& s : kSections) s.Write(data, w);
  return w.Take();
}

void TakeConfigOptions(TConfigSection section, const TConfigData& read, TOptions& live) {
  if (section >= 0 && section < CfgStepCount) kSections[section].TakeOptions(read, live);
}

TConfigParse ParseConfigText(const std::string& text, const std::string& expectedHeader,
                             TConfigData& data) {
  TConfigParse result;
  TConfigReader r(text);
  std::string header;
  if (!r.Line(header) || header != expectedHeader) return result;
  result.VersionMatched = true;
  // Each section is read into a copy and kept only when it was read whole.
  for (const TSection& s : kSections) {
    if (r.AtEnd()) break;
    TConfigData next = data;
    if (!s.Read(r, next)) {
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
