// The configuration file format: golden files of the writer, the round trip
// byte for byte, version mismatch, files cut short at every line, values wider
// than their fields, malformed items.
#include "base/configfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/golden_files.h"

namespace kyvor {
namespace {

const char kHeader[] = "V1.2 Kyvor chip list";

std::string ReadGolden(const std::string& name) {
  return test::ReadFileBytes(test::GoldenPath("base", name));
}

void ExpectGolden(const std::string& name, const std::string& text) {
  test::ExpectGolden("base", name, text);
}

// A state in which every section holds something other than its default.
TConfigData EverySection() {
  TConfigData d;
  d.Header = kHeader;
  TOptions& o = d.Options;
  o.OutAsciiFile = 0, o.OutListFile = 1, o.OutBinaryFile = 1;
  d.SimulatorMode = 0;
  o.OutAsciiInvFile = 1, o.OutMaskFile = 1;
  d.OnTopFlags[0] = d.OnTopFlags[3] = d.OnTopFlags[20] = 1;
  d.EditorPages = {"/home/u/proj/main.asm", "/home/u/proj/lib file.inc"};
  d.ActivePage = 2;
  d.MainFileName = "/home/u/proj/main.asm";
  d.PreservedValues = {1234, 56};
  d.ChipIndex = 3;
  d.LanguageIndex = 1;
  d.WinNtPlatform = 1;
  o.ShowEditToolBar = 0;
  d.LptPortAddress = 0x3BC;
  d.IceInterfaceIndex = 4;
  d.PodlessMode = 1;
  o.EditorFont = {"DejaVu Sans Mono", 12, TEditorFont::Bold | TEditorFont::Italic};
  d.DebugViewShown = {true, true, false, true, false, false, true, false, false, true, false,
                      false, true};
  o.UnusedFillMode = 2;
  o.WatchAddress = 0x123, o.WatchData = 0x5A, o.WatchBitMask = 0x81, o.STPOVSTAK = 1;
  o.SmartCompiler = 1;
  o.PProg = 1, o.CProtect = 1;
  d.CoreVariant = 1;
  d.LastProgrammerFile = "/home/u/proj/main.hex";
  d.CodeChecksum = 0xBEEF;
  d.RegisterPage = 2, d.CurrentRamBank = 15, d.WatchValueFormat = 3;
  o.STKOVRST = 1;
  d.AdcSelectors = {1, 16};
  o.ChContinue = 1;
  o.RACM10 = 0, o.ChWDTJMPOO = 1, o.COptimization = 1;
  o.STKOVSTOP = 1;
  o.EnHAO = 1, o.EHAO = 2000000;
  o.EnSHAO = 0, o.EnSLAO = 1, o.ELAO = 13000;
  return d;
}

// The lines of a text, each with its line end.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> v;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size() - 1;
    v.push_back(text.substr(start, nl + 1 - start));
    start = nl + 1;
  }
  return v;
}

TEST(ConfigFile, EverySectionInItsOrderWithItsWidthsAndCrLf) {
  const std::string text = ConfigText(EverySection());
  ExpectGolden("every_section.cfg", text);
  const auto lines = Lines(text);
  ASSERT_EQ(lines.size(), 47u);
  for (const auto& l : lines) EXPECT_EQ(l.substr(l.size() - 2), "\r\n") << l;
  EXPECT_EQ(lines[1], " 0 1 1 0\r\n");
  // Section 0's last line ends with the blank of section 1.
  std::string onTop = " 1 0 0 1";
  for (int i = 0; i < 16; ++i) onTop += " 0";
  EXPECT_EQ(lines[2], " 1 0 1 0\r\n");
  EXPECT_EQ(lines[3], onTop + " 1 \r\n");
  EXPECT_EQ(lines[4], "     2     2\r\n");
  EXPECT_EQ(lines[8], "None\r\n");
  EXPECT_EQ(lines[9], "    1234  56   3   1   1   0\r\n");
  EXPECT_EQ(lines[10], "     956   4   1   0\r\n") << "the ROM emulation type is always 0";
  EXPECT_EQ(lines[12], "      12       3\r\n");
  // Section 8: "0" means checked.
  EXPECT_EQ(lines[29] + lines[30] + lines[31], "1\r\n0\r\n1\r\n");
  EXPECT_EQ(lines[46], "   0   1   13000\r\n");
}

TEST(ConfigFile, RoundTripIsByteIdentical) {
  const std::string golden = ReadGolden("every_section.cfg");
  ASSERT_FALSE(golden.empty());
  TConfigData d;
  const TConfigParse p = ParseConfigText(golden, kHeader, d);
  EXPECT_TRUE(p.VersionMatched);
  EXPECT_EQ(p.StepsRead, CfgStepCount);
  EXPECT_FALSE(p.Malformed);
  EXPECT_TRUE(p.Complete());
  d.Header = kHeader;
  // The HAO switch is read into HaoEnabled's place and written from EnHAO.
  EXPECT_EQ(d.CalibrationHao, 1);
  d.Options.EnHAO = d.CalibrationHao;
  EXPECT_EQ(ConfigText(d), golden);
  EXPECT_EQ(d.EditorPages[1], "/home/u/proj/lib file.inc");
  EXPECT_EQ(d.Options.EditorFont, (TEditorFont{"DejaVu Sans Mono", 12, 3}));
  EXPECT_EQ(d.Options.StackOverflowStopCode(), 0x600013u);
  EXPECT_EQ(d.Options.RACM10, 0);
  EXPECT_EQ(d.CodeChecksum, 0xBEEF);
}

// Every setting of the options record the file holds comes back to the live
// record through the sections that carry it, and only through them.
TEST(ConfigFile, EachSectionGivesBackTheOptionsItCarries) {
  const std::string golden = ReadGolden("every_section.cfg");
  TConfigData read;
  ASSERT_EQ(ParseConfigText(golden, kHeader, read).StepsRead, CfgStepCount);
  TConfigData live = read;
  live.Header = kHeader;
  live.Options = TOptions{};
  for (int s = 0; s < CfgStepCount; ++s)
    TakeConfigOptions(static_cast<TConfigSection>(s), read, live.Options);
  EXPECT_EQ(live.Options.HaoEnabled, 1) << "the HAO switch read into HaoEnabled";
  live.Options.EnHAO = live.Options.HaoEnabled;
  EXPECT_EQ(ConfigText(live), golden);
  // A section gives nothing of another section's.
  TOptions watchOnly;
  TakeConfigOptions(CfgChipWatch, read, watchOnly);
  EXPECT_EQ(watchOnly.WatchAddress, 0x123);
  EXPECT_EQ(watchOnly.STPOVSTAK, 1);
  EXPECT_EQ(watchOnly.EditorFont, TEditorFont{});
  EXPECT_EQ(watchOnly.OutMaskFile, 0);
  EXPECT_EQ(watchOnly.ELAO, 0);
}

TEST(ConfigFile, ReadingIgnoresWidthsAndLineBreaksBetweenNumbers) {
  std::string text = ReadGolden("every_section.cfg");
  // Section 6 on three lines with tabs instead of blanks.
  const std::string watch = " 291  90 129   1\r\n";
  const size_t at = text.find(watch);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, watch.size(), "291\r\n\t90\r\n129 1\n");
  TConfigData d;
  const TConfigParse p = ParseConfigText(text, kHeader, d);
  EXPECT_EQ(p.StepsRead, CfgStepCount);
  EXPECT_EQ(d.Options.WatchAddress, 0x123);
  EXPECT_EQ(d.Options.WatchBitMask, 0x81);
  EXPECT_EQ(d.LastProgrammerFile, "/home/u/proj/main.hex");
}

TEST(ConfigFile, AnotherChipListChangesNothing) {
  TConfigData d = EverySection();
  const std::string text = ConfigText(d);
  TConfigData fresh;
  const TConfigParse p = ParseConfigText(text, "V1.3 Kyvor chip list", fresh);
  EXPECT_FALSE(p.VersionMatched);
  EXPECT_EQ(p.StepsRead, 0);
  EXPECT_FALSE(p.Complete());
  EXPECT_EQ(ConfigText(fresh), ConfigText(TConfigData{}));
  TConfigData empty;
  EXPECT_FALSE(ParseConfigText("", kHeader, empty).VersionMatched);
}

// A file cut after any line keeps exactly the sections it holds whole.
TEST(ConfigFile, TruncatedFilesKeepTheWholeSectionsBeforeTheCut) {
  const std::string text = ConfigText(EverySection());
  const auto lines = Lines(text);
  // The line after which each step is complete (0-based line index).
  const std::vector<size_t> lastLine = {3, 6, 7, 8, 12, 26, 27, 28, 31, 32, 33, 37, 39,
                                        41, 42, 43, 44, 45, 46};
  ASSERT_EQ(lastLine.size(), size_t(CfgStepCount));
  std::string cut;
  for (size_t n = 0; n < lines.size(); ++n) {
    cut += lines[n];
    TConfigData d;
    const TConfigParse p = ParseConfigText(cut, kHeader, d);
    int whole = 0;
    while (whole < CfgStepCount && lastLine[size_t(whole)] <= n) ++whole;
    EXPECT_EQ(p.StepsRead, whole) << "cut after line " << n;
    EXPECT_FALSE(p.Malformed) << n;
    EXPECT_EQ(p.Complete(), whole > CfgDebugViews) << n;
    if (whole <= CfgEditorFiles) {
      EXPECT_TRUE(d.EditorPages.empty()) << n;
    }
    if (whole <= CfgCalibrationHao) {
      EXPECT_EQ(d.Options.EHAO, 0) << n;
    }
  }
  // Cut inside a line: the section of that line is not taken.
  TConfigData d;
  const size_t font = text.find("      12       3");
  EXPECT_EQ(ParseConfigText(text.substr(0, font + 10), kHeader, d).StepsRead, CfgEnvironment);
  EXPECT_EQ(d.Options.EditorFont, TEditorFont{}) << "a section is taken whole or not at all";
}

TEST(ConfigFile, AFileEndingAfterTheStackStopKeepsTheCalibration) {
  TConfigData d = EverySection();
  const std::string text = ConfigText(d);
  const auto lines = Lines(text);
  std::string cut;
  for (size_t i = 0; i <= 44; ++i) cut += lines[i];
  TConfigData kept;
  kept.Options.EHAO = 1800000;
  kept.Options.ELAO = 12000;
  kept.CalibrationHao = 1;
  const TConfigParse p = ParseConfigText(cut, kHeader, kept);
  EXPECT_EQ(p.StepsRead, CfgCalibrationHao);
  EXPECT_EQ(kept.Options.EHAO, 1800000);
  EXPECT_EQ(kept.Options.ELAO, 12000);
  EXPECT_EQ(kept.CalibrationHao, 1);
}

// A value wider than its field is kept apart from the number before it; a
// value that fits keeps its bytes.
TEST(ConfigFile, OverWideValuesDoNotJoinTheNumberBeforeThem) {
  TConfigData d = EverySection();
  d.PreservedValues = {123456789, 123456};
  d.ChipIndex = 12345;
  d.CodeChecksum = 65535;
  d.Options.EHAO = 123456789;
  d.Options.ELAO = 12345678;  // exactly its width, behind another number
  const std::string text = ConfigText(d);
  EXPECT_NE(text.find("\r\n 123456789 123456 12345   1   1   0\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n 65535\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n   1 123456789\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n   0   1 12345678\r\n"), std::string::npos);
  TConfigData back;
  ASSERT_EQ(ParseConfigText(text, kHeader, back).StepsRead, CfgStepCount);
  EXPECT_EQ(back.PreservedValues, d.PreservedValues);
  EXPECT_EQ(back.ChipIndex, 12345);
  EXPECT_EQ(back.CodeChecksum, 65535);
  EXPECT_EQ(back.Options.EHAO, 123456789);
  EXPECT_EQ(back.Options.ELAO, 12345678);
  EXPECT_EQ(back.LanguageIndex, 1);
  // Values that fit are written as before.
  EXPECT_EQ(ConfigText(EverySection()), ReadGolden("every_section.cfg"));
}

struct TBadItem {
  const char* what;
  const char* find;     // a piece of the golden file
  const char* replace;  // what takes its place
  int stepsRead;        // the sections that stand
};

class ConfigFileMalformed : public ::testing::TestWithParam<TBadItem> {};

TEST_P(ConfigFileMalformed, StopsAtTheFirstBadItemAndKeepsWhatWasRead) {
  const TBadItem& b = GetParam();
  std::string text = ReadGolden("every_section.cfg");
  const size_t at = text.find(b.find);
  ASSERT_NE(at, std::string::npos) << b.find;
  text.replace(at, std::string(b.find).size(), b.replace);
  TConfigData d;
  const TConfigParse p = ParseConfigText(text, kHeader, d);
  EXPECT_TRUE(p.VersionMatched);
  EXPECT_EQ(p.StepsRead, b.stepsRead);
  EXPECT_TRUE(p.Malformed);
  EXPECT_EQ(p.Complete(), b.stepsRead > CfgDebugViews);
  if (b.stepsRead > CfgOutput) {
    EXPECT_EQ(d.SimulatorMode, 0) << "section 0 stands";
  }
  if (b.stepsRead <= CfgEditorFiles) {
    EXPECT_TRUE(d.EditorPages.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Items, ConfigFileMalformed,
    ::testing::Values(
        TBadItem{"a letter among the output flags", " 0 1 1 0", " 0 x 1 0", 0},
        TBadItem{"a negative page count", "     2     2", "    -2     2", 1},
        TBadItem{"a page count beyond the editor", "     2     2", "999999     2", 1},
        TBadItem{"a count of many digits", "     2     2", "99999999999999999999999 2", 1},
        TBadItem{"a number glued to text", "    1234  56", "    1234x 56", 4},
        TBadItem{"an interface beyond the list", "     956   4", "     956   9", 4},
        TBadItem{"a font size of 0", "      12       3", "       0       3", 4},
        TBadItem{"a fill mode beyond the three", "\r\n2\r\n", "\r\n7\r\n", 5},
        TBadItem{"a watch address beyond 16 bits", " 291  90", " 99999  90", 6},
        TBadItem{"a checksum beyond 16 bits", "48879", "-48879", 10},
        TBadItem{"a text where the calibration is", "   1 2000000", "   1 2000000x", 17}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(ConfigFile, LaterSectionsOfAnotherVersionArePassedOver) {
  std::string text = ConfigText(EverySection()) + "   7   8\r\nsome text\r\n";
  TConfigData d;
  const TConfigParse p = ParseConfigText(text, kHeader, d);
  EXPECT_EQ(p.StepsRead, CfgStepCount);
  EXPECT_FALSE(p.Malformed);
  EXPECT_EQ(d.Options.ELAO, 13000);
}

TEST(ConfigFile, TheBooleansReadAsTheFileSaysThem) {
  TConfigData d = EverySection();
  d.Options.PProg = 0, d.Options.CProtect = 0, d.CoreVariant = 0, d.Options.RACM10 = 1;
  d.Options.STPOVSTAK = 0;
  const std::string text = ConfigText(d);
  EXPECT_NE(text.find("\r\n0\r\n1\r\n0\r\n"), std::string::npos) << "PICE, CProtect off, K08A";
  EXPECT_NE(text.find("\r\n   0   1   1\r\n"), std::string::npos) << "RACM10 written as 0";
  TConfigData back = EverySection();
  ASSERT_EQ(ParseConfigText(text, kHeader, back).StepsRead, CfgStepCount);
  EXPECT_EQ(back.Options.PProg, 0);
  EXPECT_EQ(back.Options.CProtect, 0);
  EXPECT_EQ(back.CoreVariant, 0);
  EXPECT_EQ(back.Options.RACM10, 1);
  EXPECT_EQ(back.Options.StackOverflowStopCode(), 0x600012u);
  // Debug views: any letter case of TRUE.
  std::string mixed = text;
  const size_t views = mixed.find("\r\nTRUE\r\n");
  ASSERT_NE(views, std::string::npos);
  mixed.replace(views, 8, "\r\ntRuE\r\n");
  ASSERT_EQ(ParseConfigText(mixed, kHeader, back).StepsRead, CfgStepCount);
  EXPECT_TRUE(back.DebugViewShown[0]);
}

}  // namespace
}  // namespace kyvor
