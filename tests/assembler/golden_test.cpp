// Golden files: each folder under golden/ holds a small project (main.asm
// and its includes), its settings (case.txt) and the expected output files
// (*.golden). The outputs of a run must equal them byte for byte; an output
// without a golden file must not be written. In ".err" golden files the
// project folder is written as "$DIR/".
//
// case.txt lines (key=value): rom (program words, default 256), strict
// (1 Assemble & Debug, 0 Assemble; default 1), smart, optimization, fill,
// chipid, core (0 K08A, 1 K08B), dk3 (DeviceKind3), restrict (a file name),
// wdt, block (an output file name made unwritable), result (0 or 1), obj
// (the object file), eeh (ROM emulation type 1: the EEPROM image), protect,
// acm (the ACM group enabled), acm10, podchipid, chiplistversion.
//
// KYVOR_GOLDEN_UPDATE=1 writes the outputs as the new golden files (to be
// checked by hand before they are committed).
#include <cstdlib>
#include <filesystem>
#include <map>

#include "asm_fixture.h"

namespace kyvor::test {
namespace {

namespace fs = std::filesystem;

// An absolute path from the build: __FILE__ may be relative to the build folder.
const fs::path kGoldenRoot = fs::path(KYVOR_TESTS_DIR) / "assembler" / "golden";
const char* const kOutputs[] = {"main.lst", "main.map", "main.asc", "main.hex",
                                "main.err", "main.obj", "main.EEH"};

std::map<std::string, std::string> ReadCase(const fs::path& file) {
  std::map<std::string, std::string> m;
  std::ifstream f(file);
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq != std::string::npos) m[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return m;
}

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
    s.replace(pos, from.size(), to);
  return s;
}

class GoldenTest : public AsmFixture, public ::testing::WithParamInterface<std::string> {};

TEST_P(GoldenTest, OutputsMatch) {
  const fs::path caseDir = kGoldenRoot / GetParam();
  auto cfg = ReadCase(caseDir / "case.txt");
  auto num = [&](const char* key, int def) {
    return cfg.count(key) ? static_cast<int>(std::strtol(cfg[key].c_str(), nullptr, 0)) : def;
  };
  for (const auto& e : fs::recursive_directory_iterator(caseDir)) {
    if (!e.is_regular_file()) continue;
    const fs::path rel = fs::relative(e.path(), caseDir);
    if (rel.extension() == ".golden" || rel == "case.txt") continue;
    fs::create_directories((dir_ / rel).parent_path());
    fs::copy_file(e.path(), dir_ / rel);
  }
  TChipConfig& c = Chip();
  c.ChipRomWords = static_cast<uint32_t>(num("rom", 256));
  c.ChipId = static_cast<uint16_t>(num("chipid", 0x0A16));
  c.CoreVariant = static_cast<uint8_t>(num("core", 0));
  c.DeviceKind3 = static_cast<uint8_t>(num("dk3", 0));
  c.DeviceNotKind3 = c.DeviceKind3 ? 0 : 1;
  if (cfg.count("restrict")) {
    c.RestrictList[0] = cfg["restrict"];
    c.RestrictCount = 1;
  }
  options.AssembleOnly = num("strict", 1) ? 0 : 1;
  options.SmartCompiler = static_cast<uint8_t>(num("smart", 0));
  options.COptimization = static_cast<uint8_t>(num("optimization", 0));
  options.UnusedFillMode = static_cast<uint8_t>(num("fill", 0));
  options.ChWDTJMPOO = static_cast<uint8_t>(num("wdt", 0));
  options.OutBinarySplitFile = static_cast<uint8_t>(num("obj", 0));
  options.RomEmulationType = static_cast<uint8_t>(num("eeh", 0));
  options.CProtect = static_cast<uint8_t>(num("protect", 0));
  options.AcmGroupEnabled = static_cast<uint8_t>(num("acm", 0));
  options.RACM10 = static_cast<uint8_t>(num("acm10", 0));
  options.AcceptedPodChipId = static_cast<uint16_t>(num("podchipid", 0));
  c.ChipListVersion = static_cast<uint16_t>(num("chiplistversion", 0));
  if (cfg.count("block")) fs::create_directories(dir_ / cfg["block"]);

  const uint8_t result = Assemble("main.asm");
  EXPECT_EQ(result, num("result", 1));

  const std::string dirText = dir_.string() + "/";
  const bool update = std::getenv("KYVOR_GOLDEN_UPDATE") != nullptr;
  for (const char* out : kOutputs) {
    const fs::path golden = caseDir / (std::string(out) + ".golden");
    const bool written = fs::is_regular_file(dir_ / out);
    std::string actual = written ? Slurp(dir_ / out) : std::string();
    if (std::string(out) == "main.err") actual = ReplaceAll(actual, dirText, "$DIR/");
    if (update) {
      if (written) {
        std::ofstream(golden, std::ios::binary) << actual;
      } else {
        fs::remove(golden);
      }
      continue;
    }
    if (!fs::exists(golden)) {
      EXPECT_FALSE(written) << out << " was written but has no golden file";
      continue;
    }
    ASSERT_TRUE(written) << out << " was not written";
    const std::string expected = Slurp(golden);
    if (actual != expected) {
      size_t at = 0;
      while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
      ADD_FAILURE() << out << " differs at byte " << at << " (sizes " << actual.size() << " / "
                    << expected.size() << ")\nexpected: "
                    << expected.substr(at > 40 ? at - 40 : 0, 120) << "\nactual:   "
                    << actual.substr(at > 40 ? at - 40 : 0, 120);
    }
  }
}

std::vector<std::string> Cases() {
  std::vector<std::string> v;
  if (fs::is_directory(kGoldenRoot))
    for (const auto& e : fs::directory_iterator(kGoldenRoot))
      if (e.is_directory()) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace
}  // namespace kyvor::test
