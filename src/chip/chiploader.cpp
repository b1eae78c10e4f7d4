#include "chip/chiploader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <sstream>
#include <system_error>
#include <type_traits>

#include "base/containers.h"
#include "base/dialogs.h"
#include "base/linerecord.h"
#include "base/numbers.h"
#include "base/options.h"
#include "chip/chipconfig.h"

namespace kyvor {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Text helpers
// ---------------------------------------------------------------------------

namespace {

bool IsBig5Lead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The first max bytes of text, never ending in the middle of a Big5 character.
std::string CutBig5(const std::string& text, std::size_t max) {
  if (text.size() <= max) return text;
  std::size_t i = 0;
  while (i < max) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t step = (IsBig5Lead(c) && i + 1 < text.size()) ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return text.substr(0, i);
}

std::string CutPlain(const std::string& text, std::size_t max) {
  return text.size() <= max ? text : text.substr(0, max);
}

// Lines of a file's bytes; CR LF and LF both end a line, the bytes of a line
// are kept as they are.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  lines.clear();
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

bool IsRegularFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

std::string HexText(int32_t v) { return IntToHexStr(v) + "H"; }

// The word count a "#ROM" size gives: a negative size is invalid, and sizes
// below one page (256 words) stand for the default.
bool RomSizeGivesDefault(int32_t n) { return n < 256; }
// The program words a "#ROM" size gives, within the simulator's program memory.
uint32_t RomWordsOf(int32_t n) {
  if (RomSizeGivesDefault(n)) return kDefaultRomWords;
  return std::min(static_cast<uint32_t>(n), kMaxRomWords);
}

// A line prepared as the chip files are read: upper-cased, cut to 160
// characters and split by CutLIPara.
TLineRecord SplitChipLine(const std::string& line) {
  TLineRecord rec;
  InitLineRecord(rec);
  const std::string upper = CutPlain(UpperAsciiBig5(line), kLineTextMax);
  SetWorkText(rec, upper);
  SetLineText(rec, upper);
  CutLIPara(rec);
  return rec;
}

}  // namespace

std::string UpperAsciiBig5(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsBig5Lead(c)) {
      ++i;  // the trail byte may be an ASCII letter: leave it
      continue;
    }
    if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string FindFileNoCase(const std::string& folder, const std::string& name) {
  if (name.empty()) return {};
  std::string rel = name;
  std::replace(rel.begin(), rel.end(), '\\', '/');
  fs::path current = folder.empty() ? fs::path(".") : fs::path(folder);
  std::stringstream parts(rel);
  std::string part;
  std::vector<std::string> components;
  while (std::getline(parts, part, '/')) {
    if (!part.empty()) components.push_back(part);
  }
  if (components.empty()) return {};
  for (std::size_t k = 0; k < components.size(); ++k) {
    const bool last = (k + 1 == components.size());
    const std::string& comp = components[k];
    if (comp == "." || comp == "..") {
      current /= comp;
      continue;
    }
    fs::path exact = current / comp;
    std::error_code ec;
    if (last ? IsRegularFile(exact) : fs::is_directory(exact, ec)) {
      current = exact;
      continue;
    }
    const std::string want = UpperAsciiBig5(comp);
    bool found = false;
    fs::directory_iterator it(current, ec);
    if (ec) return {};
    for (const auto& entry : it) {
      if (UpperAsciiBig5(entry.path().filename().string()) != want) continue;
      std::error_code ec2;
      if (last ? entry.is_regular_file(ec2) : entry.is_directory(ec2)) {
        current = entry.path();
        found = true;
        break;
      }
    }
    if (!found) return {};
  }
  return current.string();
}

std::string FindIncludeFile(const std::string& name) {
  return FindFileNoCase(Chip().IncludeFolder, name);
}

void SetProgramFolder(const std::string& programFolder) {
  std::string folder = programFolder;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  if (!folder.empty() && folder.back() != '/') folder += '/';
  // The include folder's own letter case may differ on disk.
  std::string chosen = folder + "INCLUDE/";
  std::error_code ec;
  if (!fs::is_directory(chosen, ec)) {
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    if (!ec) {
      for (const auto& entry : it) {
        std::error_code ec2;
        if (entry.is_directory(ec2) &&
            UpperAsciiBig5(entry.path().filename().string()) == "INCLUDE") {
          chosen = folder + entry.path().filename().string() + "/";
          break;
        }
      }
    }
  }
  Chip().IncludeFolder = chosen;
}

// ---------------------------------------------------------------------------
// Splitting and directive words
// ---------------------------------------------------------------------------

// Description lines: a quotation mark or a semicolon starts field 1; the
// words before it are fields 4 and on.
constexpr TSplitRule kDescriptionLineRule{"\";", " \t", false};

void CutLIPara(TLineRecord& record) { SplitLineFields(record, kDescriptionLineRule, nullptr); }

namespace {
struct DirectiveWord {
  const char* word;
  uint16_t code;
};
constexpr DirectiveWord kDirectives[] = {
    {"#PRODUCT", 1},       {"#COMPILER", 2},      {"#ID", 3},           {"#ROM", 4},
    {"#REG0", 5},          {"#REG1", 6},          {"#RAMBANK0", 7},     {"#RAMBANK1", 8},
    {"#RAMBANK2", 9},      {"#RAMBANK3", 10},     {"#RAMBANK4", 11},    {"#REGBIT", 12},
    {"#REGBIT1", 13},      {"#REGBIT2", 14},      {"#REGBIT3", 15},     {"#REGBYTE", 16},
    {"#REGWORD", 17},      {"#REG3BYTE", 18},     {"#STACK", 19},       {"#SBMADDR", 20},
    {"#SIMIC", 21},        {"#REGBITSTR", 22},    {"#REGBYTESTR", 23},  {"#REGWORDSTR", 24},
    {"#REGBITSTRCN", 25},  {"#REGBYTESTRCN", 26}, {"#REGWORDSTRCN", 27}, {"#ADC0S", 28},
    {"#OP0S", 29},         {"#CMP0S", 30},        {"#SBMBANK", 31},     {"#SELFEROM", 32},
    {"#SBMROM", 33},       {"#SBMSTART", 34},     {"#RAMBANK5", 35},    {"#RAMBANK6", 36},
    {"#RAMBANK7", 37},     {"#RAMBANK8", 38},     {"#RAMBANK9", 39},    {"#RAMBANK10", 40},
    {"#RAMBANK11", 41},    {"#RAMBANK12", 42},    {"#RAMBANK13", 43},   {"#RAMBANK14", 44},
    {"#RAMBANK15", 45},    {"#SBMSECTOR", 46},    {"#HAO", 47},         {"#REGBITA", 48},
    {"#REGBITB", 49},      {"#ACM", 50},          {"#STACKOVER", 51},   {"#RESTRICT", 52},
    {"#SUBID", 53},        {"#ADCNUM", 54},       {"#QRADC1S", 55},     {"#QTADC2S", 56},
    {"#MULTICMP", 57},     {"#BIEBANK", 58},      {"#TRISC", 59},       {"#LAO", 60},
    {"#HAOMODE", 61},      {"#QRADC2S", 62},      {"#DEVICE", 63},
};

// Section codes used below.
enum : uint16_t {
  kNone = 255,
  kProduct = 1, kCompiler = 2, kId = 3, kRom = 4, kReg0 = 5, kReg1 = 6, kRamBank0 = 7,
  kRamBank4 = 11, kRegBit = 12, kRegBit3 = 15, kRegByte = 16, kRegWord = 17, kReg3Byte = 18,
  kStack = 19, kSbmAddr = 20, kSimIc = 21, kRegBitStr = 22, kRegByteStr = 23,
  kRegWordStr = 24, kRegBitStrCn = 25, kRegByteStrCn = 26, kRegWordStrCn = 27, kAdc0S = 28,
  kOp0S = 29, kCmp0S = 30, kSbmBank = 31, kSelfErom = 32, kSbmRom = 33, kSbmStart = 34,
  kRamBank5 = 35, kRamBank15 = 45, kSbmSector = 46, kHao = 47, kRegBitA = 48, kRegBitB = 49,
  kAcm = 50, kStackOver = 51, kRestrict = 52, kSubId = 53, kAdcNum = 54, kQrAdc1S = 55,
  kQtAdc2S = 56, kMultiCmp = 57, kBieBank = 58, kTrisc = 59, kLao = 60, kHaoMode = 61,
  kQrAdc2S = 62, kDevice = 63,
};
}  // namespace

uint16_t IsPseudo(const std::string& word) {
  for (const auto& d : kDirectives) {
    if (word == d.word) return d.code;
  }
  return kNone;
}

// ---------------------------------------------------------------------------
// Peripheral field keys
// ---------------------------------------------------------------------------

namespace {

enum class Kind : uint8_t { Data, Bit, Flag, Sel, Volt, Cap, Temp };

struct KeyDef {
  const char* key;
  Kind kind;
  uint8_t options;  // selectors: options; voltage names: number of names
  uint8_t bits;     // selectors: code digits
  TFieldId id;
  int8_t quirk = -1;                 // flagged fields: RegisterQuirkFlags index
  const char* flagCaption = nullptr; // flagged fields: caption when field 8 is below 1
};

using F = TFieldId;
constexpr KeyDef B(const char* k, F id) { return {k, Kind::Bit, 0, 0, id}; }
constexpr KeyDef D(const char* k, F id) { return {k, Kind::Data, 0, 0, id}; }
constexpr KeyDef C(const char* k, F id) { return {k, Kind::Cap, 0, 0, id}; }
constexpr KeyDef S(const char* k, int n, int bits, F id) {
  return {k, Kind::Sel, static_cast<uint8_t>(n), static_cast<uint8_t>(bits), id};
}
constexpr KeyDef V(const char* k, int n, F id) {
  return {k, Kind::Volt, static_cast<uint8_t>(n), 0, id};
}
constexpr KeyDef Fl(const char* k, F id, int quirk, const char* caption) {
  return {k, Kind::Flag, 0, 0, id, static_cast<int8_t>(quirk), caption};
}

constexpr KeyDef kAdc0Keys[] = {
    S("IN0H", 8, 3, F::AdcIN0H), S("IN0L", 8, 3, F::AdcIN0L), S("VR0H", 4, 2, F::AdcVR0H),
    S("VR0L", 4, 2, F::AdcVR0L), B("INX0", F::INX0), B("IN0IS", F::AdcIN0IS),
    Fl("PGA0GN", F::AdcPGA0GN, 3, nullptr), B("ENADC0", F::AdcENADC0),
    Fl("ENHIGN0", F::AdcENHIGN0, 4, "ENHIGN"), Fl("ENCHP0", F::AdcENCHP0, 5, "ENCHP"),
    B("AD0GN", F::AdcAD0GN), Fl("INBUF0", F::AdcINBUF0, 1, "INBUF"),
    Fl("VRBUF0", F::AdcVRBUF0, 0, "VRBUF"), B("VRE0GN", F::AdcVRE0GN), B("ADCCK0", F::ADCCK0),
    B("DCSET0", F::AdcDCSET0), B("OSR0", F::AdcOSR0), B("ADCS0", F::AdcADCS0),
    D("ADC0OH", F::AdcADC0OH), D("ADC0OM", F::AdcADC0OM), D("ADC0OL", F::AdcADC0OL),
    {"TEMPERATURE", Kind::Temp, 0, 0, F::Count}, B("ENVDDA", F::AdcENVDDA),
    V("VDDAX", 8, F::AdcVDDAX), B("ADCIF", F::ADCIF),
};
constexpr KeyDef kOp0Keys[] = {
    S("OP0P", 4, 2, F::OpOP0P), S("OP0N", 8, 3, F::OpOP0N), B("ENOP", F::OpENOP),
    B("OP0M", F::OpOP0M),       B("OP0IS", F::OpOP0IS),    B("ENVDDA", F::OpENVDDA),
    V("VDDAX", 4, F::OpVDDAX),
};
constexpr KeyDef kCmp0Keys[] = {
    S("CPIH", 4, 2, F::CmpCPIH), S("CPIL", 8, 3, F::CmpCPIL), B("ENCPA", F::CmpENCPA),
    B("CPIST", F::CmpCPIST),     B("CPIX", F::CmpCPIX),       B("CPOIES", F::CmpCPOIES),
    B("CPOX", F::CmpCPOX),       B("CPOFR", F::CmpCPOFR),     B("CS1", F::CmpCS1),
    B("CS2", F::CmpCS2),         B("CAPAT", F::CmpCAPAT),     B("CPVCS", F::CmpCPVCS),
    B("CPVRS", F::CmpCPVRS),     C("PTMX", F::CmpPTMX),       C("TRISCX", F::CmpTRISCX),
    C("PTDAX", F::CmpPTDAX),     B("CPOIF", F::CmpCPOIF),     B("ENVDDA", F::CmpENVDDA),
    V("VDDAX", 4, F::CmpVDDAX),  B("ENACM", F::CmpENACM),     C("PTMX1", F::CmpPTMX1),
    C("TRISCX1", F::CmpTRISCX1), C("PTDAX1", F::CmpPTDAX1),
};
constexpr KeyDef kQrAdc1Keys[] = {
    S("IN1P", 8, 3, F::AdcIIN1P), S("IN1N", 8, 3, F::AdcIIN1N), B("INX0", F::INX0),
    S("VR1P", 4, 2, F::AdcIVR1P), S("VR1N", 4, 2, F::AdcIVR1N), B("IN1ST", F::AdcIIN1ST),
    B("VR1ST", F::AdcIVR1ST),     Fl("PGA", F::PGA, 3, nullptr), B("AD1HS", F::AdcIAD1HS),
    B("ENAD1", F::AdcIENAD1),     B("CHOP1", F::AdcICHOP1),   B("AD1GN", F::AdcIAD1GN),
    B("VR1GN", F::AdcIVR1GN),     B("AD1RST", F::AdcIAD1RST), B("DC1S", F::AdcIDC1S),
    B("OSR1", F::AdcIOSR1),       B("DADC", F::DADC),         D("ADC1OH", F::AdcIADC1OH),
    D("ADC1OM", F::AdcIADC1OM),   D("ADC1OL", F::AdcIADC1OL), B("ENLDO", F::ENLDO),
    V("VDDAX", 8, F::VDDAX),      B("ADCIF", F::ADCIF),
};
constexpr KeyDef kQtAdc2Keys[] = {
    S("IN2P", 10, 4, F::AdcIIIN2P), S("IN2N", 10, 4, F::AdcIIIN2N), S("VR2P", 4, 2, F::AdcIIVR2P),
    S("VR2N", 4, 2, F::AdcIIVR2N), B("IN2ST", F::AdcIIIN2ST),     B("VR2ST", F::AdcIIVR2ST),
    B("AD2HS", F::AdcIIAD2HS),     B("ENAD2", F::AdcIIENAD2),     B("CHOP2", F::AdcIICHOP2),
    B("AD2GN", F::AdcIIAD2GN),     B("VR2GN", F::AdcIIVR2GN),     B("AD2RST", F::AdcIIAD2RST),
    B("ADCCK0", F::ADCCK0),        B("DC2S", F::AdcIIDC2S),       B("OSR2", F::AdcIIOSR2),
    B("DADC", F::DADC),            D("ADC2OH", F::AdcIIADC2OH),   D("ADC2OM", F::AdcIIADC2OM),
    D("ADC2OL", F::AdcIIADC2OL),   B("ENLDO", F::ENLDO),          V("VDDAX", 4, F::VDDAX),
    B("ADCIF", F::ADCIF),
};
constexpr KeyDef kMultiCmpKeys[] = {
    S("MCNES", 8, 3, F::McMCNES), S("MCRPS", 4, 2, F::McMCRPS), S("MCNS", 4, 2, F::McMCNS),
    S("MCPS", 4, 2, F::McMCPS),   B("MCOHS", F::McMCOHS),       B("MCRS", F::McMCRS),
    B("MCNEC", F::McMCNEC),       B("MCSR", F::McMCSR),         B("ENMC", F::McENMC),
    B("MCLP", F::McMCLP),         B("MCOFR", F::McMCOFR),       B("MCOIV", F::McMCOIV),
    B("MCSPN", F::McMCSPN),
};
constexpr KeyDef kQrAdc2Keys[] = {
    S("IN1P", 10, 4, F::AdcIIIN2P), S("BIAS", 8, 3, F::AdcIIBIAS),  S("IN1N", 10, 4, F::AdcIIIN2N),
    B("INX0", F::INX0),             S("VR1P", 4, 2, F::AdcIIVR2P),  S("VR1N", 4, 2, F::AdcIIVR2N),
    B("IN1ST", F::AdcIIIN2ST),      B("VR1ST", F::AdcIIVR2ST),      Fl("PGA", F::PGA, 3, nullptr),
    B("AD1HS", F::AdcIIAD2HS),      B("ENAD1", F::AdcIIENAD2),      B("CHOP1", F::AdcIICHOP2),
    B("AD1GN", F::AdcIIAD2GN),      B("VR1GN", F::AdcIIVR2GN),      B("AD1RST", F::AdcIIAD2RST),
    B("DC1S", F::AdcIIDC2S),        B("OSR1", F::AdcIIOSR2),        B("DADC", F::DADC),
    D("ADC1OH", F::AdcIIADC2OH),    D("ADC1OM", F::AdcIIADC2OM),    D("ADC1OL", F::AdcIIADC2OL),
    B("ENLDO", F::ENLDO),           B("LDOM", F::AdcIILDOM),        V("VDDAX", 8, F::VDDAX),
    B("ADCIF", F::ADCIF),
};

// Where a section's VDDA voltage names go.
enum class Vdda : uint8_t { Adc, Op, Cmp };

// One peripheral section: its keys in the order they are tested, whether a
// selector caption "--" reads "Float", and where its voltage names go (the
// ADC sections also take the VDDA quirk number after the names).
struct TPeripheralSection {
  uint16_t section;
  std::span<const KeyDef> keys;
  bool floatCaption;
  Vdda vdda;
};
constexpr TPeripheralSection kPeripheralSections[] = {
    {kAdc0S, kAdc0Keys, false, Vdda::Adc},     {kOp0S, kOp0Keys, false, Vdda::Op},
    {kCmp0S, kCmp0Keys, true, Vdda::Cmp},      {kQrAdc1S, kQrAdc1Keys, false, Vdda::Adc},
    {kQtAdc2S, kQtAdc2Keys, false, Vdda::Adc}, {kMultiCmp, kMultiCmpKeys, true, Vdda::Adc},
    {kQrAdc2S, kQrAdc2Keys, false, Vdda::Adc},
};

const TPeripheralSection* FindPeripheralSection(uint16_t section) {
  for (const auto& p : kPeripheralSections) {
    if (p.section == section) return &p;
  }
  return nullptr;
}

const KeyDef* FindKey(const TPeripheralSection& section, const std::string& key) {
  for (const auto& k : section.keys) {
    if (key == k.key) return &k;
  }
  return nullptr;
}

std::string BinaryCode(int value, int digits) {
  std::string s(static_cast<std::size_t>(digits), '0');
  for (int d = 0; d < digits; ++d) {
    if (value & (1 << d)) s[static_cast<std::size_t>(digits - 1 - d)] = '1';
  }
  return s;
}

// ---------------------------------------------------------------------------
// Numbers of the data lines and the fields they set
// ---------------------------------------------------------------------------

// A number of a data line into a configuration field: its low bits into a
// narrower field, or as a truth value (any number but 0 is true).
template <auto Field>
void Put(TChipConfig& c, int32_t v) {
  using T = std::remove_reference_t<decltype(c.*Field)>;
  c.*Field = static_cast<T>(v);
}
template <auto Field>
void Truth(TChipConfig& c, int32_t v) {
  c.*Field = static_cast<uint8_t>(v != 0 ? 1 : 0);
}
template <auto Field>
void PutCalibration(TChipConfig& c, int32_t v) {
  using T = std::remove_reference_t<decltype(c.OscCalibration.*Field)>;
  c.OscCalibration.*Field = static_cast<T>(v);
}
template <auto Array, std::size_t I>
void PutEntry(TChipConfig& c, int32_t v) {
  using T = typename std::remove_reference_t<decltype(c.*Array)>::value_type;
  (c.*Array)[I] = static_cast<T>(v);
}

// One number of a section's data line (field 1 is the line's first token,
// field 4 of the record; field 0 reads no number) and what it sets.
struct TNumberField {
  uint16_t section;
  int field;
  void (*set)(TChipConfig&, int32_t);
};
using Cfg = TChipConfig;
using Osc = TOscCalibration;
// clang-format off
constexpr TNumberField kNumberFields[] = {
    {kId, 1, Put<&Cfg::ChipId>},
    {kSubId, 1, Put<&Cfg::ChipSubId>},
    {kReg0, 1, Put<&Cfg::Reg0Start>}, {kReg0, 2, Put<&Cfg::Reg0End>},
    {kReg1, 1, Put<&Cfg::Reg1Start>}, {kReg1, 2, Put<&Cfg::Reg1End>},
    {kSbmAddr, 1,
     [](Cfg& c, int32_t v) { c.SbmAddress = std::min<uint8_t>(uint8_t(v & 0xFF), 115); }},
    {kSbmBank, 1, [](Cfg& c, int32_t v) { c.SbmBankSize = static_cast<uint32_t>(v) * 1536u; }},
    {kSbmStart, 1, Put<&Cfg::SbmStart>},
    {kSbmSector, 1, Put<&Cfg::SbmSector>},
    {kBieBank, 1, Put<&Cfg::BieBank>},
    {kSbmRom, 1, PutEntry<&Cfg::SbmRom, 0>}, {kSbmRom, 2, PutEntry<&Cfg::SbmRom, 1>},
    {kSbmRom, 3, PutEntry<&Cfg::SbmRom, 2>}, {kSbmRom, 4, PutEntry<&Cfg::SbmRom, 3>},
    {kSbmRom, 5, PutEntry<&Cfg::SbmRom, 4>},
    {kHao, 0, [](Cfg& c, int32_t) { c.OscCalibration.HaoPresent = 1; }},
    {kHao, 1, PutCalibration<&Osc::HaoRegister>}, {kHao, 2, PutCalibration<&Osc::HaoByte1>},
    {kHao, 3, PutCalibration<&Osc::HaoByte2>}, {kHao, 4, PutCalibration<&Osc::HaoWord>},
    {kHao, 5, PutCalibration<&Osc::HaoMin>}, {kHao, 6, PutCalibration<&Osc::HaoMax>},
    {kHao, 7, PutCalibration<&Osc::HaoTail>},
    {kLao, 1, PutCalibration<&Osc::LaoMin>}, {kLao, 2, PutCalibration<&Osc::LaoMax>},
    {kHaoMode, 1, PutEntry<&Cfg::HaoMode, 0>}, {kHaoMode, 2, PutEntry<&Cfg::HaoMode, 1>},
    {kHaoMode, 3, PutEntry<&Cfg::HaoMode, 2>},
    {kAcm, 1, Put<&Cfg::AcmRegister>}, {kAcm, 2, Put<&Cfg::AcmBit>},
    {kAcm, 3, Truth<&Cfg::AcmPresent>}, {kAcm, 4, Truth<&Cfg::AcmDefault12>},
    {kAcm, 5, Truth<&Cfg::AcmOption>},
    {kAcm, 6, [](Cfg& c, int32_t v) { c.AcmSetting = v == 0 ? 7 : v; }},
    {kStackOver, 1, Put<&Cfg::StackOverRegister>}, {kStackOver, 2, Put<&Cfg::StackOverBit>},
    {kStackOver, 3, Truth<&Cfg::StackOverPresent>}, {kStackOver, 4, Truth<&Cfg::StackOverOption>},
    {kTrisc, 1, Put<&Cfg::TriscValue>},
    {kTrisc, 2, [](Cfg& c, int32_t v) {
       c.TriscShift = static_cast<uint8_t>((static_cast<uint32_t>(v) * 2u) & 0x0Fu);
     }},
};
// clang-format on

// ---------------------------------------------------------------------------
// The loader
// ---------------------------------------------------------------------------

class Loader {
 public:
  Loader(TChipConfig& c, TChipLoadListener& l, std::string fileName)
      : c_(c), l_(l), fileName_(std::move(fileName)) {
    language_ = l_.languageIndex();
    podChipId_ = l_.podChipId();
  }

  void Run(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      lineNo_ = static_cast<int>(i + 1);
      HandleLine(lines[i]);
    }
  }

 private:
  void Warn(const std::string& text) {
    c_.LoadMessages.push_back(fileName_ + " line " + std::to_string(lineNo_) + ": " + text);
  }

  // A field read as a number; a field that is no number repeats the last
  // number read on any line.
  int32_t N(const TLineRecord& r, int i) {
    int32_t v = 0;
    if (ParseNumber(GetField(r, i), v)) last_ = v;
    return last_;
  }
  bool NumberIf(const TLineRecord& r, int i, int32_t& v) {
    int32_t x = 0;
    if (!ParseNumber(GetField(r, i), x)) return false;
    last_ = x;
    v = x;
    return true;
  }

  // A data address of a definition: 16 bits kept, then checked against the
  // data memory. False (with a message) when it lies beyond it.
  bool DataAddress(int32_t value, uint16_t& address, const char* what) {
    address = static_cast<uint16_t>(value & 0xFFFF);
    if (address < kDataMemorySize) return true;
    Warn(std::string(what) + " address " + HexText(address) +
         " lies beyond data memory (0..0FFFH); line ignored");
    return false;
  }

  void HandleLine(const std::string& original) {
    const TLineRecord r = SplitChipLine(original);
    const std::string f4 = GetField(r, OperandField(1));
    const uint16_t code = IsPseudo(f4);
    if (code != kNone) {
      EnterSection(code);
      return;
    }
    if (section_ == kNone) return;
    const bool hasFields = !f4.empty();
    switch (section_) {
      case kProduct: Product(r, hasFields); return;
      case kAdcNum: AdcNum(r); return;
      case kDevice: Device(r); return;
      default: break;
    }
    if (section_ >= kRegBitStr && section_ <= kRegWordStrCn) {
      Description(r, original);
      return;
    }
    if (!hasFields) return;
    DataLine(r);
  }

  void EnterSection(uint16_t code) {
    section_ = code;
    switch (code) {
      // A section that empties its list starts its counts again, so the
      // counts always describe what the list holds.
      case kRegBit:
        BitRegisterList().Clear();
        c_.BitRegisterPageCount = {};
        curBit_ = nullptr;
        break;
      case kRegByte:
        ByteRegisterList().Clear();
        c_.ByteRegisterNames.clear();
        c_.ByteRegisterCount = 0;
        curByte_ = nullptr;
        break;
      case kRegWord:
        WordRegisterList().Clear();
        c_.WordRegisterNames.clear();
        c_.WordRegisterCount = 0;
        curWord_ = nullptr;
        break;
      case kAdc0S: c_.AdcPresent = 1; break;
      case kOp0S: c_.OpPresent = 1; break;
      case kCmp0S: c_.CmpPresent = 1; break;
      case kQrAdc1S: c_.AdcIPresent = 1; break;
      case kQtAdc2S:
      case kQrAdc2S: c_.AdcIIPresent = 1; break;
      case kMultiCmp: c_.MultiCmpPresent = 1; break;
      default: break;
    }
  }

  void Product(const TLineRecord& r, bool hasFields) {
    if (hasFields) c_.ChipProductName = GetField(r, OperandField(1));
    const std::string family = c_.ChipProductName.substr(0, 2);
    auto& m = c_.Menus;
    if (family == "QR") {
      l_.chipVariantCommand(c_.DeviceKind3 == 1);
      c_.FamilyBChip = 0;
      m.AdcVisible = m.OpVisible = m.CmpVisible = m.AdcIVisible = m.AdcIIVisible = false;
      if (c_.DeviceKind3 == 1) {
        m.AdcIIVisible = true;
      } else {
        m.AdcIVisible = true;
      }
    } else if (family == "QN") {
      c_.DeviceNotKind3 = 0;
      c_.FamilyBChip = 1;
      m.AdcVisible = m.OpVisible = m.CmpVisible = true;
      m.AdcIVisible = m.AdcIIVisible = false;
    } else {
      c_.DeviceNotKind3 = 0;
      c_.FamilyBChip = 0;
      m.AdcVisible = false;
      m.OpVisible = m.CmpVisible = m.AdcIVisible = true;
      m.AdcIIVisible = false;
    }
    m.MpVisible = false;
    l_.productChanged();
  }

  void AdcNum(const TLineRecord& r) {
    c_.AdcPresent = 1;
    if (c_.DeviceNotKind3 != 1) return;
    c_.AdcCount = N(r, OperandField(1));
    auto& m = c_.Menus;
    switch (c_.AdcCount) {
      case 1:
        m.AdcIEnabled = true;
        m.AdcIIEnabled = false;
        c_.AdcIPresent = 1;
        c_.AdcIIPresent = 0;
        break;
      case 2:
        m.AdcIEnabled = false;
        m.AdcIIEnabled = true;
        c_.AdcIPresent = 0;
        c_.AdcIIPresent = 1;
        break;
      case 3:
        m.AdcIEnabled = m.AdcIIEnabled = true;
        c_.AdcIPresent = c_.AdcIIPresent = 1;
        break;
      default: break;
    }
  }

  void Device(const TLineRecord& r) {
    c_.DeviceKind = static_cast<uint8_t>(N(r, OperandField(1)) & 0xFF);
    if (c_.DeviceKind == 3) {
      c_.DeviceKind3 = 1;
      c_.ExtendedDevice = 1;
      c_.DeviceNotKind3 = 0;
    } else {
      c_.DeviceKind3 = 0;
      c_.ExtendedDevice = (c_.DeviceKind == 0) ? 1 : 0;
      c_.DeviceNotKind3 = 1;
    }
  }

  void DataLine(const TLineRecord& r) {
    const uint16_t s = section_;
    if (s >= kRamBank0 && s <= kRamBank4) return RamBank(r, s - kRamBank0);
    if (s >= kRamBank5 && s <= kRamBank15) {
      if (podChipId_ == kEepromPodChipId) return;
      return RamBank(r, s - kRamBank5 + 5);
    }
    if (s >= kRegBit && s <= kRegBit3) return BitRegister(r, s - kRegBit);
    switch (s) {
      case kRegBitA:
        if (podChipId_ == kEepromPodChipId) BitRegister(r, 0);
        return;
      case kRegBitB:
        if (podChipId_ != kEepromPodChipId) BitRegister(r, 0);
        return;
      default: break;
    }
    if (FindPeripheralSection(s)) return PeripheralLine(r);
    for (const TSectionLine& rule : kSectionLines) {
      if (rule.section == s) return (this->*rule.line)(r);
    }
    NumberFields(r);
  }

  // The sections whose data lines need more than numbers put into fields.
  struct TSectionLine {
    uint16_t section;
    void (Loader::*line)(const TLineRecord&);
  };
  static const TSectionLine kSectionLines[9];

  // The numbers of the section's line into their fields, in field order (so
  // a field that is no number repeats the one before it).
  void NumberFields(const TLineRecord& r) {
    for (const TNumberField& f : kNumberFields) {
      if (f.section != section_) continue;
      f.set(c_, f.field == 0 ? 0 : N(r, OperandField(f.field)));
    }
  }

  void Compiler(const TLineRecord& r) {
    c_.ChipCompilerName = GetField(r, OperandField(1));
    c_.CoreVariant = (c_.ChipCompilerName == "K08A") ? 0 : 1;
  }

  void Reg3Byte(const TLineRecord&) { ++c_.Reg3ByteCount; }

  void SelfErom(const TLineRecord& r) {
    c_.SelfEromMode = static_cast<uint8_t>(N(r, OperandField(1)) & 0xFF);
    const int32_t reg = N(r, OperandField(2));
    c_.SelfEromRegister = static_cast<uint16_t>(reg & 0xFFFF);
    c_.SelfEromStatusAddress = static_cast<uint16_t>(0x400 + (reg & 0xFF));
    for (int i = 0; i < 4; ++i) {
      int32_t w = 0;
      if (NumberIf(r, OperandField(3) + i, w)) {
        c_.SelfEromWords[static_cast<std::size_t>(i)] = static_cast<uint16_t>(w & 0xFFFF);
      }
    }
  }

  void SimIc(const TLineRecord& r) {
    const auto v = static_cast<uint16_t>(N(r, OperandField(1)) & 0xFFFF);
    if (c_.SimIcCount >= kSimIcCapacity) {
      Warn("more than " + std::to_string(kSimIcCapacity) + " emulator chip codes; line ignored");
      return;
    }
    c_.SimIcList[static_cast<std::size_t>(c_.SimIcCount++)] = v;
  }

  void Restrict(const TLineRecord& r) {
    if (c_.RestrictCount >= kRestrictCapacity) {
      Warn("more than " + std::to_string(kRestrictCapacity) + " restricted files; line ignored");
      return;
    }
    c_.RestrictList[static_cast<std::size_t>(c_.RestrictCount++)] = GetField(r, OperandField(1));
  }

  void Rom(const TLineRecord& r) {
    const int32_t n = N(r, OperandField(1));
    if (n < 0) {
      Warn("program memory of " + std::to_string(n) + " words is invalid; " +
           std::to_string(kDefaultRomWords) + " used");
    } else if (static_cast<uint32_t>(n) > kMaxRomWords) {
      Warn("program memory of " + std::to_string(n) + " words is more than the " +
           std::to_string(kMaxRomWords) + " words the simulator holds; " +
           std::to_string(kMaxRomWords) + " used");
    }
    c_.ChipRomWords = RomWordsOf(n);
  }

  void Stack(const TLineRecord& r) {
    // Clamped as read, before it is narrowed to the 8-bit depth (256 must not wrap to 0).
    int32_t depth = N(r, OperandField(1));
    if (depth < 4) depth = 4;
    if (depth > kMaxStackDepth) {
      Warn("stack depth " + std::to_string(depth) + " is more than the " +
           std::to_string(kMaxStackDepth) + " entries of the hardware stack; " +
           std::to_string(kMaxStackDepth) + " used");
      depth = kMaxStackDepth;
    }
    c_.StackDepth = static_cast<uint8_t>(depth);
    l_.stackDepthChanged(depth);
  }

  void RamBank(const TLineRecord& r, int bank) {
    uint16_t start = static_cast<uint16_t>(N(r, OperandField(1)) & 0xFFFF);
    uint16_t end = static_cast<uint16_t>(N(r, OperandField(2)) & 0xFFFF);
    if (start >= kDataMemorySize) {
      Warn("RAM bank " + std::to_string(bank) + " starts at " + HexText(start) +
           ", beyond data memory (0..0FFFH); line ignored");
      return;
    }
    if (end >= kDataMemorySize) {
      Warn("RAM bank " + std::to_string(bank) + " ends at " + HexText(end) +
           ", beyond data memory; cut at 0FFFH");
      end = kDataMemorySize - 1;
    }
    c_.RamBankRanges[static_cast<std::size_t>(bank)] = {start, end};
    c_.LastRamBank = static_cast<uint8_t>(bank);
    if (start < end) {
      std::fill(c_.DataMemoryMap.begin() + start, c_.DataMemoryMap.begin() + end + 1, 0xFF);
    }
  }

  void BitRegister(const TLineRecord& r, int page) {
    uint16_t address = 0;
    if (!DataAddress(N(r, OperandField(1)), address, "bit register")) return;
    TCRREGBitRecord rec;
    rec.Name = CutPlain(GetField(r, OperandField(2)), kRegNameMax);
    rec.Address = address;
    uint8_t mask = 0xFF;
    for (int j = 0; j < 8; ++j) {
      const std::string name = GetField(r, OperandField(3) + j);
      rec.Bits[static_cast<std::size_t>(j)].BitName = CutPlain(name, kBitNameMax);
      if (name == "-") mask = static_cast<uint8_t>(mask & ~(1u << (7 - j)));
    }
    c_.DataMemoryMap[address] = mask;
    c_.LastValueMap[address] = 0;
    if (BitRegisterList().Add(rec) != 0) {
      Warn("more than " + std::to_string(kRegisterListCapacity) +
           " bit registers; " + rec.Name + " not listed");
      return;
    }
    ++c_.BitRegisterPageCount[static_cast<std::size_t>(page)];
  }

  void ByteRegister(const TLineRecord& r) {
    uint16_t address = 0;
    if (!DataAddress(N(r, OperandField(1)), address, "byte register")) return;
    const std::string name = GetField(r, OperandField(2));
    TCRREGByteRecord rec;
    rec.Address = address;
    rec.Hidden = (name == "=") ? 1 : 0;
    c_.DataMemoryMap[address] = static_cast<uint8_t>(N(r, OperandField(3)) & 0xFF);
    c_.LastValueMap[address] = 0;
    if (ByteRegisterList().Add(rec) != 0) {
      Warn("more than " + std::to_string(kRegisterListCapacity) + " byte registers; " + name +
           " not listed");
      return;
    }
    c_.ByteRegisterNames.push_back(name);
    ++c_.ByteRegisterCount;
  }

  void WordRegister(const TLineRecord& r) {
    uint16_t high = 0;
    uint16_t low = 0;
    const int32_t a1 = N(r, OperandField(1));
    const std::string name = GetField(r, OperandField(2));
    const int32_t a2 = N(r, OperandField(3));
    if (!DataAddress(a1, high, "word register") || !DataAddress(a2, low, "word register")) {
      return;
    }
    const int32_t m1 = N(r, OperandField(5));
    const int32_t m2 = N(r, OperandField(6));
    TCRREGWordRecord rec;
    rec.Address1 = high;
    rec.Address2 = low;
    rec.CoreRegister = (GetField(r, OperandField(7)) == "1") ? 1 : 0;
    if (rec.CoreRegister == 0) {
      c_.DataMemoryMap[high] = static_cast<uint8_t>(m1 & 0xFF);
      c_.DataMemoryMap[low] = static_cast<uint8_t>(m2 & 0xFF);
      c_.LastValueMap[high] = 0;
      c_.LastValueMap[low] = 0;
    }
    if (WordRegisterList().Add(rec) != 0) {
      Warn("more than " + std::to_string(kRegisterListCapacity) + " word registers; " + name +
           " not listed");
      return;
    }
    c_.WordRegisterNames.push_back(name);
    ++c_.WordRegisterCount;
  }

  void Description(const TLineRecord& r, const std::string& original) {
    const bool english = section_ <= kRegWordStr;
    if ((english && language_ != 0) || (!english && language_ != 1)) return;
    const int list = (section_ - kRegBitStr) % 3;  // 0 bit, 1 byte, 2 word
    int32_t key = 0;
    if (ParseNumber(GetField(r, OperandField(1)), key)) {
      last_ = key;
      MatchKey(list, key);
      return;
    }
    if (GetField(r, kFieldComment).empty()) return;
    const std::string text = original.empty() ? std::string() : original.substr(1);
    switch (list) {
      case 0:
        if (!curBit_) return;
        if (textCounter_ == 0) {
          curBit_->Description = CutBig5(text, kRegDescriptionMax);
        } else if (textCounter_ <= 8) {
          curBit_->Bits[static_cast<std::size_t>(textCounter_ - 1)].BitDescription =
              CutBig5(text, kBitDescriptionMax);
        }
        if (textCounter_ < 1000) ++textCounter_;
        return;
      case 1:
        if (curByte_) curByte_->Description = CutBig5(text, kRegDescriptionMax);
        return;
      default:
        if (curWord_) curWord_->Description = CutBig5(text, kRegDescriptionMax);
        return;
    }
  }

  void MatchKey(int list, int32_t key) {
    if (list == 0) {
      auto& l = BitRegisterList();
      for (int32_t i = 0; i < l.Count(); ++i) {
        if (l.GetItem(i)->Address == key) {
          curBit_ = l.GetItem(i);
          textCounter_ = 0;
          return;
        }
      }
    } else if (list == 1) {
      auto& l = ByteRegisterList();
      for (int32_t i = 0; i < l.Count(); ++i) {
        if (l.GetItem(i)->Address == key) {
          curByte_ = l.GetItem(i);
          return;
        }
      }
    } else {
      auto& l = WordRegisterList();
      for (int32_t i = 0; i < l.Count(); ++i) {
        if (l.GetAddressKey(i) == key) {
          curWord_ = l.GetItem(i);
          return;
        }
      }
    }
  }

  // One data line of a peripheral section: the key's record bound to the
  // register, then the fields its kind of key reads.
  struct TFieldLine {
    const TLineRecord& r;
    const TPeripheralSection& section;
    const KeyDef& key;
    TRegField& field;
    TFieldUi& ui;
  };

  void PeripheralLine(const TLineRecord& r) {
    const TPeripheralSection& section = *FindPeripheralSection(section_);
    const KeyDef* k = FindKey(section, GetField(r, OperandField(2)));
    if (!k) return;
    const int32_t addressValue = N(r, OperandField(1));
    if (k->kind == Kind::Temp) {
      c_.TempPanelVisible = true;
      return;
    }
    uint16_t address = 0;
    if (!DataAddress(addressValue, address, "peripheral field")) return;
    const auto index = static_cast<std::size_t>(k->id);
    TFieldLine line{r, section, *k, c_.RegFields[index], c_.FieldUi[index]};
    line.field.Address = address;
    line.field.Defined = 1;
    (this->*kKindLines[static_cast<std::size_t>(k->kind)])(line);
  }

  // What each kind of key reads after the address, by Kind.
  using TKindLine = void (Loader::*)(TFieldLine&);
  static const TKindLine kKindLines[7];

  // Width and lowest bit of the field; a field that does not fit one register
  // byte is left out.
  void FieldBits(TFieldLine& l, int widthField) {
    const int32_t width = N(l.r, OperandField(widthField));
    const int32_t lowBit = N(l.r, OperandField(widthField + 1));
    TRegField& f = l.field;
    f.Width = static_cast<uint8_t>(width & 0xFF);
    f.LowBit = static_cast<uint8_t>(lowBit & 0xFF);
    if (f.Width > 8 || f.LowBit > 7 || f.Width + f.LowBit > 8) {
      Warn("field " + std::string(l.key.key) + " of " + std::to_string(f.Width) +
           " bits from bit " + std::to_string(f.LowBit) +
           " does not fit one register byte; field left out");
      f.Width = 0;
      f.LowBit = 0;
    }
  }

  void DataField(TFieldLine&) {}

  void BitField(TFieldLine& l) {
    FieldBits(l, 3);
    l.ui.Enabled = l.field.Width > 0;
  }

  void FlaggedField(TFieldLine& l) {
    BitField(l);
    int32_t flag = 0;
    if (NumberIf(l.r, OperandField(5), flag)) {
      if (l.key.flagCaption) {
        l.ui.HasCaption = true;
        l.ui.Caption = flag < 1 ? std::string(l.key.flagCaption) : std::string();
      }
      if (flag >= 1) c_.RegisterQuirkFlags[static_cast<std::size_t>(l.key.quirk)] = 1;
    }
    const bool raisedPanel = l.key.id == F::AdcENCHP0 || l.key.id == F::AdcENHIGN0;
    if (raisedPanel && l.field.Width > 0) l.ui.Raised = true;
  }

  // The options of a selector: a "-" caption refuses its option and leaves
  // no code in the list.
  void Selector(TFieldLine& l) {
    FieldBits(l, 3);
    TFieldUi& ui = l.ui;
    ui.Enabled = true;
    ui.OptionCount = l.key.options;
    ui.Codes.clear();
    for (int i = 0; i < l.key.options; ++i) {
      const std::string caption = GetField(l.r, OperandField(5) + i);
      TFieldOption& o = ui.Options[static_cast<std::size_t>(i)];
      if (caption == "-") {
        o.Enabled = false;
        o.Caption.clear();
        continue;
      }
      o.Enabled = true;
      o.Caption = (l.section.floatCaption && caption == "--") ? std::string("Float") : caption;
      ui.Codes.push_back(BinaryCode(i, l.key.bits));
    }
    for (int i = l.key.options; i < 10; ++i) ui.Options[static_cast<std::size_t>(i)] = {};
  }

  void VoltageNames(TFieldLine& l) {
    BitField(l);
    std::string* names = l.section.vdda == Vdda::Op    ? c_.OpVddaNames.data()
                         : l.section.vdda == Vdda::Cmp ? c_.CmpVddaNames.data()
                                                       : c_.AdcVddaNames.data();
    const int count = l.key.options;
    for (int i = 0; i < count; ++i) names[i] = CutPlain(GetField(l.r, OperandField(5) + i), 8);
    if (l.section.vdda == Vdda::Adc && N(l.r, OperandField(5) + count) >= 1) {
      c_.RegisterQuirkFlags[2] = 1;
    }
  }

  void CaptionedField(TFieldLine& l) {
    l.ui.Enabled = true;
    l.ui.HasCaption = true;
    l.ui.Caption = GetField(l.r, OperandField(3));
    FieldBits(l, 4);
  }

  TChipConfig& c_;
  TChipLoadListener& l_;
  std::string fileName_;
  int language_ = 0;
  uint16_t podChipId_ = 0;
  int lineNo_ = 0;
  int32_t last_ = 0;
  uint16_t section_ = kNone;
  TCRREGBitRecord* curBit_ = nullptr;
  int textCounter_ = 0;
  TCRREGByteRecord* curByte_ = nullptr;
  TCRREGWordRecord* curWord_ = nullptr;
};

// What every load resets before it reads anything, even when the chip list
// or the description file then turns out to be missing: the data memory map,
// the sub id, the emulator chip codes, the calibration bytes and presence,
// the ACM register, and the ADC window's ENCHP/ENHIGN panels (disabled and
// lowered).
void ResetBeforeReading(TChipConfig& c) {
  c.DataMemoryMap.fill(0);
  c.ChipSubId = 0;
  c.SimIcCount = 0;
  c.OscCalibration.HaoByte1 = 0;
  c.OscCalibration.HaoByte2 = 0;
  c.OscCalibration.HaoPresent = 0;
  c.AcmRegister = 0;
  for (TFieldId id : {TFieldId::AdcENCHP0, TFieldId::AdcENHIGN0}) {
    TFieldUi& ui = c.FieldUi[static_cast<std::size_t>(id)];
    ui.Enabled = false;
    ui.Raised = false;
  }
}

const Loader::TSectionLine Loader::kSectionLines[9] = {
    {kCompiler, &Loader::Compiler}, {kRom, &Loader::Rom},
    {kRegByte, &Loader::ByteRegister}, {kRegWord, &Loader::WordRegister},
    {kReg3Byte, &Loader::Reg3Byte}, {kStack, &Loader::Stack},
    {kSelfErom, &Loader::SelfErom}, {kSimIc, &Loader::SimIc},
    {kRestrict, &Loader::Restrict},
};

const Loader::TKindLine Loader::kKindLines[7] = {
    &Loader::DataField,    &Loader::BitField,       &Loader::FlaggedField, &Loader::Selector,
    &Loader::VoltageNames, &Loader::CaptionedField, &Loader::DataField,
};

// Everything the description file sets goes back to its start-up value, so
// nothing of the previously loaded chip stays behind. The chip list, the
// selection and the view state stay (the calibration inputs are options).
void ResetForNewChip(TChipConfig& c) {
  TChipConfig fresh;
  fresh.IncludeFolder = std::move(c.IncludeFolder);
  fresh.ChipListHeader = std::move(c.ChipListHeader);
  fresh.ChipListVersion = c.ChipListVersion;
  fresh.ChipListItems = std::move(c.ChipListItems);
  fresh.ChipListFromFile = c.ChipListFromFile;
  fresh.ChipIndex = c.ChipIndex;
  fresh.LastValueMap = c.LastValueMap;
  fresh.CurrentRamBank = c.CurrentRamBank;
  fresh.RegisterPage = c.RegisterPage;
  c = std::move(fresh);
  BitRegisterList().Clear();
  ByteRegisterList().Clear();
  WordRegisterList().Clear();
}

std::string JoinMessages(const std::vector<std::string>& messages) {
  std::string text = "The chip description has problems:";
  const std::size_t shown = std::min<std::size_t>(messages.size(), 10);
  for (std::size_t i = 0; i < shown; ++i) text += "\n" + messages[i];
  if (messages.size() > shown) {
    text += "\n... and " + std::to_string(messages.size() - shown) + " more";
  }
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// Chip list
// ---------------------------------------------------------------------------

std::vector<TChipListEntry> ReadChipListEntries() {
  std::vector<TChipListEntry> entries;
  const std::string path = FindIncludeFile(kChipListFileName);
  std::vector<std::string> lines;
  if (path.empty() || !ReadLines(path, lines)) return entries;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const TLineRecord r = SplitChipLine(lines[i]);
    const std::string file = GetField(r, OperandField(1));
    if (file.size() < 3) break;
    entries.push_back({file, GetField(r, OperandField(2)) + "  " + GetField(r, OperandField(3))});
  }
  return entries;
}

namespace {
bool ReadChipListHeader(std::string& header) {
  const std::string path = FindIncludeFile(kChipListFileName);
  std::vector<std::string> lines;
  if (path.empty() || !ReadLines(path, lines)) return false;
  header = lines.empty() ? std::string() : lines[0];
  return true;
}

uint16_t ChipListVersionOf(const std::string& header) {
  std::string digits;
  if (header.size() > 1) digits += header[1];
  if (header.size() > 3) digits += header[3];
  digits += '0';
  return static_cast<uint16_t>(HexStrToInt(digits) & 0xFFFF);
}
}  // namespace

int ReadChipList(const std::string& programFolder) {
  SetProgramFolder(programFolder);
  TChipConfig& c = Chip();
  std::string header;
  if (ReadChipListHeader(header)) {
    c.ChipListHeader = header;
    c.ChipListFromFile = true;
    c.ChipListItems.clear();
    for (const auto& e : ReadChipListEntries()) c.ChipListItems.push_back(e.Display);
  } else {
    c.ChipListFromFile = false;
    c.ChipListItems = {"KYM01 (16k)", "KYM02  (8k)", "KYM03  (4k)", "KYM04  (2k)"};
  }
  return static_cast<int>(c.ChipListItems.size());
}

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------

uint8_t GetSELUP() {
  TChipConfig& c = Chip();
  TChipLoadListener& listener = ChipLoadListener();
  ResetBeforeReading(c);
  listener.chipLoadStarted();

  std::string header;
  if (!ReadChipListHeader(header)) {
    c.LastLoadError = std::string("The chip list ") + kChipListFileName + " was not found in " +
                      c.IncludeFolder;
    listener.chipLoaded(0);
    return 0;
  }
  c.ChipListHeader = header;
  c.ChipListVersion = ChipListVersionOf(header);

  const std::vector<TChipListEntry> entries = ReadChipListEntries();
  if (c.ChipIndex < 0 || static_cast<std::size_t>(c.ChipIndex) >= entries.size()) {
    c.LastLoadError = "The selected chip (" + std::to_string(c.ChipIndex) +
                      ") is not in the chip list";
    listener.chipLoaded(0);
    return 0;
  }
  const std::string& fileName = entries[static_cast<std::size_t>(c.ChipIndex)].FileName;
  const std::string path = FindIncludeFile(fileName);
  std::vector<std::string> lines;
  if (path.empty() || !ReadLines(path, lines)) {
    c.LastLoadError = "The chip description file " + fileName + " was not found or could not be read";
    listener.chipLoaded(0);
    return 0;
  }

  ResetForNewChip(c);
  Loader loader(c, listener, fileName);
  loader.Run(lines);

  // After reading: keep the views on something the new chip has.
  const auto& bank = c.RamBankRanges[c.CurrentRamBank < kRamBankCount ? c.CurrentRamBank : 0];
  if (c.CurrentRamBank >= kRamBankCount || bank.End == bank.Start) c.CurrentRamBank = 0;
  if (c.RegisterPage != 0 &&
      (c.RegisterPage > 3 || c.BitRegisterPageCount[c.RegisterPage] == 0)) {
    c.RegisterPage = 0;
  }
  if (c.AdcPresent == 0) listener.adcViewDropped();
  ApplyChipRulesToOptions();
  if (listener.writerIdentityEnabled()) {
    if (c.OscCalibration.HaoPresent) {
      listener.writerCalibration();
    } else {
      c.OscCalibration.HaoTail = static_cast<uint16_t>(c.SbmStart & 0xFFFF);
    }
  }
  if (!c.LoadMessages.empty()) {
    Dialogs().messageBox(JoinMessages(c.LoadMessages), "Chip description", MsgIcon::Warning,
                         MbOk);
  }
  listener.chipLoaded(1);
  return 1;
}

void ApplyChipRulesToOptions() {
  const TChipConfig& c = Chip();
  TOptions& o = Options();
  if (!c.StackOverPresent) o.STKOVRST = 0;
  if (!c.AcmPresent) o.RACM10 = 1;
  if (c.CoreVariant == 1) o.SmartCompiler = o.COptimization = 0;
}

bool ChipHasWdtVector() { return Chip().ChipId == 0x71; }

bool FindChipIndexById(uint32_t id, uint16_t& index) {
  index = 0;
  std::string header;
  if (!ReadChipListHeader(header)) return false;
  const std::vector<TChipListEntry> entries = ReadChipListEntries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string path = FindIncludeFile(entries[i].FileName);
    std::vector<std::string> lines;
    if (path.empty() || !ReadLines(path, lines)) return false;
    bool afterId = false;
    int32_t code = 0;
    bool haveCode = false;
    for (const auto& line : lines) {
      const TLineRecord r = SplitChipLine(line);
      const std::string f4 = GetField(r, OperandField(1));
      if (f4.empty()) continue;
      if (afterId) {
        ParseNumber(f4, code);
        haveCode = true;
        break;
      }
      if (f4 == "#ID") afterId = true;
    }
    if (haveCode && static_cast<uint32_t>(code) == id) {
      index = static_cast<uint16_t>(i);
      return true;
    }
  }
  return false;
}

}  // namespace kyvor

namespace kyvor {

bool ReadChipSummary(const std::string& fileName, TChipSummary& summary) {
  summary = TChipSummary{};
  const std::string path = FindIncludeFile(fileName);
  std::vector<std::string> lines;
  if (path.empty() || !ReadLines(path, lines)) return false;
  uint16_t pending = kNone;
  bool haveName = false, haveId = false, haveRom = false;
  for (const auto& line : lines) {
    const TLineRecord r = SplitChipLine(line);
    const std::string f4 = GetField(r, OperandField(1));
    if (f4.empty()) continue;
    const uint16_t code = IsPseudo(f4);
    if (code != kNone) {
      pending = code;
      continue;
    }
    int32_t n = 0;
    if (pending == kProduct && !haveName) {
      summary.ProductName = f4;
      haveName = true;
    } else if (pending == kId && !haveId) {
      if (ParseNumber(f4, n)) summary.ChipId = static_cast<uint16_t>(n & 0xFFFF);
      haveId = true;
    } else if (pending == kRom && !haveRom) {
      if (ParseNumber(f4, n)) {
        summary.RomWords = RomWordsOf(n);
      }
      haveRom = true;
    }
    pending = kNone;
  }
  return true;
}

TChipFileCalibration ChipFileCalibration(const std::string& fileName) {
  TChipFileCalibration result;
  const std::string path = FindIncludeFile(fileName);
  std::vector<std::string> lines;
  if (path.empty() || !ReadLines(path, lines)) return result;
  result.Read = true;
  result.HasLines = !lines.empty();
  for (const auto& line : lines) {
    if (UpperAsciiBig5(line) == "#HAO") result.HasHao = true;
  }
  return result;
}

bool ChipFileHasHaoLine(const std::string& fileName) { return ChipFileCalibration(fileName).HasHao; }

}  // namespace kyvor
