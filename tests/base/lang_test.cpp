#include "base/lang.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "base/big5.h"
#include "base/modes.h"

namespace kyvor {
namespace {

// Installs a fake environment for locale detection.
class LangTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLangState();
    ResetModes();
    LangState().Env = [this](const std::string& name) -> std::optional<std::string> {
      auto it = env_.find(name);
      if (it == env_.end()) return std::nullopt;
      return it->second;
    };
  }
  void TearDown() override {
    ResetLangState();
    ResetModes();
  }
  void SetLocale(const std::string& lang) {
    env_.clear();
    env_["LANG"] = lang;
  }

  std::map<std::string, std::string> env_;
};

bool IsPrintableAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  return true;
}

// ---- the table ----

TEST_F(LangTest, TableHas305RowsAndIdentifiersAreRowNumbers) {
  EXPECT_EQ(LanguageTextCount, 305);
  EXPECT_EQ(sizeof(LanguageTextTable) / sizeof(LanguageTextTable[0]), 305u);
  EXPECT_EQ(lt::MaxEditedFiles, 0);
  EXPECT_EQ(lt::IceConnectError, 44);
  EXPECT_EQ(lt::RomWriter, 238);
  EXPECT_EQ(lt::ToolAddCurrentPc, 304);
}

TEST_F(LangTest, EnglishRowsCarryTheSystemTexts) {
  EXPECT_EQ(LanguageTextTable[0][0], "max number of edited file: ");
  EXPECT_EQ(LanguageTextTable[2][0], " - Mode:[Edit]");
  EXPECT_EQ(LanguageTextTable[15][0], "Please set the \"Mail File\".");
  EXPECT_EQ(LanguageTextTable[40][0], "Be Sure Voltage about 12V  ");
  EXPECT_EQ(LanguageTextTable[42][0],
            "Copy \"PortCom.sys\" to --Win NT,2000 C:\\WINNT\\System32\\Drivers\\ OR Windows XP "
            "C:\\Windows\\System32\\Drivers");
  EXPECT_EQ(LanguageTextTable[44][0], "KyVor-IDE Connect Error , Please check !!");
  EXPECT_EQ(LanguageTextTable[60][0], "Over Write \"");
  EXPECT_EQ(LanguageTextTable[62][0], "Save  \"");
  EXPECT_EQ(LanguageTextTable[63][0], "Load  \"");
  EXPECT_EQ(LanguageTextTable[121][0], "Assemble&&Run");
  EXPECT_EQ(LanguageTextTable[238][0], "RomWriter");
  EXPECT_EQ(LanguageTextTable[304][0], "Add Current PC Address");
}

TEST_F(LangTest, EveryRowIsAsciiEnglishAndValidBig5Chinese) {
  const std::vector<int> unused = {54, 55, 56, 57, 58, 59, 69, 284, 285, 286};
  for (int row = 0; row < LanguageTextCount; ++row) {
    const TLangTextPair& p = LanguageTextTable[row];
    EXPECT_TRUE(IsPrintableAscii(p[0])) << row;
    const bool isUnused = std::find(unused.begin(), unused.end(), row) != unused.end();
    EXPECT_EQ(p[0].empty(), isUnused) << row;
    EXPECT_EQ(p[1].empty(), isUnused) << row;
    // Every Chinese byte sequence decodes without a replacement character,
    // and converts to GB2312 that decodes cleanly too.
    const std::string utf8 = Big5ToUtf8(p[1]);
    EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << row;
    const std::string gb = Gb2312ToUtf8(Big5ToGB(p[1]));
    EXPECT_EQ(gb.find("\xEF\xBF\xBD"), std::string::npos) << row;
    EXPECT_EQ(gb.find("□"), std::string::npos) << row;
  }
}

TEST_F(LangTest, RowsWithSharedEnglishDifferInChinese) {
  // Write error and read error of the programmer.
  EXPECT_EQ(LanguageTextTable[26][0], LanguageTextTable[27][0]);
  EXPECT_NE(LanguageTextTable[26][1], LanguageTextTable[27][1]);
  EXPECT_EQ(Big5ToUtf8(LanguageTextTable[lt::RomWriterWriteError][1]), "燒錄器寫入錯誤");
  EXPECT_EQ(Big5ToUtf8(LanguageTextTable[lt::RomWriterReadError][1]), "燒錄器讀取錯誤");
}

TEST_F(LangTest, EnglishExclamationRowIsASentenceInChinese) {
  EXPECT_EQ(LanguageTextTable[5][0], "!");
  EXPECT_GT(LanguageTextTable[5][1].size(), 8u);
}

TEST_F(LangTest, CaptionsTheDialogsCarryInChinese) {
  EXPECT_EQ(Big5ToUtf8(LanguageTextTable[lt::FindLabelString][1]), "尋找字串");
  EXPECT_EQ(Big5ToUtf8(LanguageTextTable[lt::FindButtonFind][1]), "尋找");
  EXPECT_EQ(Big5ToUtf8(LanguageTextTable[lt::FindButtonCancel][1]), "取消");
  EXPECT_EQ(Big5ToUtf8(LanguageTextTable[lt::TitleMessage][1]), "錯誤訊息");
  EXPECT_EQ(Big5ToUtf8(LanguageTextTable[lt::MenuViewBreakPoint][1]), "中斷點");
}

TEST_F(LangTest, PrefixesKeepTheirByteLength) {
  // Callers cut these prefixes off again by length ("Open " + path).
  EXPECT_EQ(LanguageTextTable[lt::OpenPrefix][1].size(), LanguageTextTable[lt::OpenPrefix][0].size());
  EXPECT_EQ(LanguageTextTable[lt::FilePrefix][1].size(), LanguageTextTable[lt::FilePrefix][0].size());
  EXPECT_EQ(LanguageTextTable[lt::OverWritePrefix][1].back(), '"');
  EXPECT_EQ(LanguageTextTable[lt::SavePrefix][1].back(), '"');
  EXPECT_EQ(LanguageTextTable[lt::LoadPrefix][1].back(), '"');
}

TEST_F(LangTest, CaptionGroupItemKIsBasePlusK) {
  const char* find[] = {"String", "Find", "Cancel"};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(LangPair(lt::FindLabelString + k)[0], find[k]);
  const char* options[] = {"Interface Setup", "Hardware Interface", "Interface Mode",
                           "Program Memory Select", "Chip Select", "IDE Mode",
                           "emulate and Debug", "Programmer"};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(LangPair(lt::OptInterfaceSetup + k)[0], options[k]);
  const char* popup[] = {"Edit", "Set Bookmark", "Goto Bookmark", "Close file", "Set Main File"};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(LangPair(lt::PopupEdit + k)[0], popup[k]);
  // The menu group 73-98 has a text in every row.
  for (int row = lt::MenuFile; row <= lt::MenuView; ++row) EXPECT_FALSE(LangPair(row)[0].empty());
  EXPECT_EQ(lt::MenuView - lt::MenuFile, 25);
}

// ---- out of range ----

TEST_F(LangTest, RowsOutsideTheTableGiveEmptyTexts) {
  for (int row : {-1, 305, 306, 100000, INT_MAX, INT_MIN}) {
    EXPECT_TRUE(LangPair(row)[0].empty()) << row;
    EXPECT_TRUE(LangPair(row)[1].empty()) << row;
    EXPECT_TRUE(LangRawText(row, 1).empty()) << row;
    EXPECT_EQ(LangText(row), "") << row;
    EXPECT_EQ(LangTextUtf8(row), "") << row;
  }
}

TEST_F(LangTest, LanguageOutsideZeroOneIsClamped) {
  EXPECT_EQ(LangRawText(lt::KeypadClear, -7), "Clear");
  EXPECT_EQ(LangRawText(lt::KeypadClear, INT_MIN), "Clear");
  EXPECT_EQ(LangRawText(lt::KeypadClear, 2), LanguageTextTable[lt::KeypadClear][1]);
  EXPECT_EQ(LangRawText(lt::KeypadClear, INT_MAX), LanguageTextTable[lt::KeypadClear][1]);
  LangState().LanguageIndex = 9;
  SetLocale("zh_TW.Big5");
  EXPECT_EQ(LangTextUtf8(lt::KeypadClear), "清除");
  LangState().LanguageIndex = -3;
  EXPECT_EQ(LangTextUtf8(lt::KeypadClear), "Clear");
}

// ---- locale detection ----

TEST_F(LangTest, LocaleNamesMapToLanguageIds) {
  EXPECT_EQ(LangIdFromLocale("zh_CN.UTF-8"), LangIdSimplifiedChinese);
  EXPECT_EQ(LangIdFromLocale("zh_CN"), LangIdSimplifiedChinese);
  EXPECT_EQ(LangIdFromLocale("zh_CN.GB2312"), LangIdSimplifiedChinese);
  EXPECT_EQ(LangIdFromLocale("zh_CN.gb18030@pinyin"), LangIdSimplifiedChinese);
  EXPECT_EQ(LangIdFromLocale("zh-cn"), LangIdSimplifiedChinese);
  EXPECT_EQ(LangIdFromLocale("zh_TW.Big5"), LangIdChineseTaiwan);
  EXPECT_EQ(LangIdFromLocale("zh_HK.UTF-8"), LangIdChineseHongKong);
  EXPECT_EQ(LangIdFromLocale("zh_SG.UTF-8"), LangIdChineseSingapore);
  EXPECT_EQ(LangIdFromLocale("en_US.UTF-8"), LangIdEnglishUS);
  EXPECT_EQ(LangIdFromLocale("C"), LangIdEnglishUS);
  EXPECT_EQ(LangIdFromLocale(""), LangIdEnglishUS);
  EXPECT_EQ(LangIdFromLocale("zh_CNX"), LangIdEnglishUS);
}

TEST_F(LangTest, LcAllThenLcMessagesThenLang) {
  env_ = {{"LANG", "zh_CN.UTF-8"}};
  EXPECT_EQ(SystemDefaultLangID(), LangIdSimplifiedChinese);
  env_ = {{"LANG", "zh_CN.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}};
  EXPECT_EQ(SystemDefaultLangID(), LangIdEnglishUS);
  env_ = {{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}, {"LC_ALL", "zh_CN.UTF-8"}};
  EXPECT_EQ(SystemDefaultLangID(), LangIdSimplifiedChinese);
  // Empty values do not count.
  env_ = {{"LANG", "zh_CN.UTF-8"}, {"LC_ALL", ""}, {"LC_MESSAGES", ""}};
  EXPECT_EQ(SystemDefaultLangID(), LangIdSimplifiedChinese);
  env_.clear();
  EXPECT_EQ(SystemDefaultLangID(), LangIdEnglishUS);
}

TEST_F(LangTest, DefaultLookupReadsTheProcessEnvironment) {
  ResetLangState();  // no fake installed
  const char* saved = std::getenv("LC_ALL");
  const std::string keep = saved ? saved : "";
  setenv("LC_ALL", "zh_CN.UTF-8", 1);
  EXPECT_EQ(SystemDefaultLangID(), LangIdSimplifiedChinese);
  setenv("LC_ALL", "zh_TW.UTF-8", 1);
  EXPECT_EQ(SystemDefaultLangID(), LangIdChineseTaiwan);
  if (saved) setenv("LC_ALL", keep.c_str(), 1); else unsetenv("LC_ALL");
}

// ---- translation and the language switch ----

TEST_F(LangTest, SetLanguageStoresZeroOrOne) {
  Ky_Lang().SetLanguage(5);
  EXPECT_EQ(Ky_Lang().Language, 1);
  Ky_Lang().SetLanguage(1);
  EXPECT_EQ(Ky_Lang().Language, 1);
  Ky_Lang().SetLanguage(0);
  EXPECT_EQ(Ky_Lang().Language, 0);
  Ky_Lang().SetLanguage(-4);
  EXPECT_EQ(Ky_Lang().Language, 0);
  Ky_Lang().SetLanguage(INT_MIN);
  EXPECT_EQ(Ky_Lang().Language, 0);
}

TEST_F(LangTest, ChineseIsConvertedOnlyOnASimplifiedChineseSystem) {
  const std::string big5(LanguageTextTable[lt::RamAccessError][1]);
  Ky_Lang().SetLanguage(1);
  SetLocale("zh_TW.UTF-8");
  EXPECT_FALSE(Ky_Lang().ConvertsToGB());
  EXPECT_EQ(Ky_Lang().TranslateText(big5), big5);
  SetLocale("en_US.UTF-8");
  EXPECT_EQ(Ky_Lang().TranslateText(big5), big5);
  SetLocale("zh_CN.UTF-8");
  EXPECT_TRUE(Ky_Lang().ConvertsToGB());
  EXPECT_EQ(Ky_Lang().TranslateText(big5), Big5ToGB(big5));
  EXPECT_NE(Ky_Lang().TranslateText(big5), big5);
  EXPECT_EQ(Gb2312ToUtf8(Ky_Lang().TranslateText(big5)), "RAM 存取错误!");
}

TEST_F(LangTest, EnglishLeavesTextsUnchangedEvenOnSimplifiedChinese) {
  SetLocale("zh_CN.UTF-8");
  Ky_Lang().SetLanguage(0);
  const std::string big5(LanguageTextTable[lt::RamAccessError][1]);
  EXPECT_EQ(Ky_Lang().TranslateText(big5), big5);
  EXPECT_EQ(Ky_Lang().TranslateText("Ram accessed error!"), "Ram accessed error!");
}

TEST_F(LangTest, LangTextPicksLanguageIndexAndDisplaysUtf8) {
  SetLocale("zh_TW.UTF-8");
  EXPECT_EQ(LangText(lt::IceConnectError), "KyVor-IDE Connect Error , Please check !!");
  EXPECT_EQ(LangTextUtf8(lt::FindLabelString), "String");

  LangState().LanguageIndex = 1;
  Ky_Lang().SetLanguage(LangState().LanguageIndex);
  EXPECT_EQ(LangText(lt::FindLabelString), std::string(LanguageTextTable[lt::FindLabelString][1]));
  EXPECT_EQ(LangTextUtf8(lt::FindLabelString), "尋找字串");
  EXPECT_EQ(LangTextUtf8(lt::RamAccessError), "RAM 存取錯誤!");

  SetLocale("zh_CN.UTF-8");
  EXPECT_EQ(LangTextUtf8(lt::FindLabelString), "寻找字串");
  EXPECT_EQ(LangTextUtf8(lt::RamAccessError), "RAM 存取错误!");
  EXPECT_EQ(Ky_Lang().ToUtf8(LangText(lt::RamAccessError)), "RAM 存取错误!");
}

TEST_F(LangTest, GetRomWriterFollowsTheLanguage) {
  SetLocale("zh_CN.UTF-8");
  EXPECT_EQ(Ky_Lang().GetRomWriter(), "RomWriter");
  Ky_Lang().SetLanguage(1);
  EXPECT_EQ(Ky_Lang().GetRomWriterUtf8(), "烧录器");
  SetLocale("zh_TW.UTF-8");
  EXPECT_EQ(Ky_Lang().GetRomWriterUtf8(), "燒錄器");
  EXPECT_EQ(Ky_Lang().GetRomWriter(), std::string(LanguageTextTable[lt::RomWriter][1]));
}

TEST_F(LangTest, ResetRestoresEnglishAndTheProcessEnvironment) {
  LangState().LanguageIndex = 1;
  Ky_Lang().SetLanguage(1);
  ResetLangState();
  EXPECT_EQ(LangState().LanguageIndex, 0);
  EXPECT_EQ(Ky_Lang().Language, 0);
  EXPECT_FALSE(static_cast<bool>(LangState().Env));
}

// ---- caption targets ----

class RecordingTarget : public ILangCaptionTarget {
 public:
  explicit RecordingTarget(std::vector<std::string>* log, std::string tag)
      : log_(log), tag_(std::move(tag)) {}
  void RebuildMainTitle() override { Log("title"); }
  void ApplyMenuCaptions() override { Log("menu"); }
  void ApplyEditorPopupCaptions() override { Log("editor"); }
  void ApplySourcePopupCaptions() override { Log("source"); }
  void ApplyToolbarHints() override { Log("toolbar"); }
  void ApplyFindDialogCaptions() override { Log("find"); }
  void ApplyRegisterWindowCaptions() override { Log("reg"); }
  void ApplySourceTitle() override { Log("sourceTitle"); }
  void ApplyHexTitle() override { Log("hexTitle"); }
  void ApplyRamTitle() override { Log("ramTitle"); }
  void ApplyErrTitle() override { Log("errTitle"); }
  void ApplyOptionCaptions() override { Log("options"); }

 private:
  void Log(const char* what) {
    // Captions are applied after the language is stored.
    log_->push_back(tag_ + what + std::to_string(Ky_Lang().Language));
  }
  std::vector<std::string>* log_;
  std::string tag_;
};

TEST_F(LangTest, SetLanguageAppliesEveryGroupInOrder) {
  std::vector<std::string> log;
  RecordingTarget t(&log, "");
  Ky_Lang().AddCaptionTarget(&t);
  Ky_Lang().SetLanguage(3);
  const std::vector<std::string> expected = {
      "title1", "menu1", "editor1", "source1", "toolbar1", "find1",
      "reg1", "sourceTitle1", "hexTitle1", "ramTitle1", "errTitle1", "options1"};
  EXPECT_EQ(log, expected);
}

TEST_F(LangTest, TitleIsNotRebuiltInDebugMode) {
  std::vector<std::string> log;
  RecordingTarget t(&log, "");
  Ky_Lang().AddCaptionTarget(&t);
  Modes().DebugMode = 1;
  Ky_Lang().SetLanguage(0);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "menu0");
  EXPECT_EQ(log.size(), 11u);
}

TEST_F(LangTest, TargetsAreAppliedOperationByOperationAndCanBeRemoved) {
  std::vector<std::string> log;
  RecordingTarget a(&log, "a");
  RecordingTarget b(&log, "b");
  Ky_Lang().AddCaptionTarget(&a);
  Ky_Lang().AddCaptionTarget(&b);
  Ky_Lang().AddCaptionTarget(&a);  // registered once only
  Ky_Lang().AddCaptionTarget(nullptr);
  Ky_Lang().SetLanguage(1);
  ASSERT_EQ(log.size(), 24u);
  EXPECT_EQ(log[0], "atitle1");
  EXPECT_EQ(log[1], "btitle1");
  EXPECT_EQ(log[2], "amenu1");
  log.clear();
  Ky_Lang().RemoveCaptionTarget(&a);
  Ky_Lang().SetLanguage(0);
  ASSERT_EQ(log.size(), 12u);
  EXPECT_EQ(log[0], "btitle0");
}

TEST_F(LangTest, TargetRemovedWhileApplyingIsNotCalledAgain) {
  struct SelfRemoving : ILangCaptionTarget {
    int calls = 0;
    void ApplyMenuCaptions() override {
      ++calls;
      Ky_Lang().RemoveCaptionTarget(this);
    }
    void ApplyOptionCaptions() override { ++calls; }
  } t;
  Ky_Lang().AddCaptionTarget(&t);
  Ky_Lang().SetLanguage(1);
  EXPECT_EQ(t.calls, 1);
}

// ---- main window title ----

TEST_F(LangTest, MainWindowTitleInBothLanguages) {
  TMainTitleParts parts;
  parts.ChipListHeader = "KySel V2.3";
  parts.ChipName = "K08A100";
  parts.InterfaceName = "USB";
  parts.ProjectName = "demo.prj";
  SetLocale("en_US.UTF-8");
  Ky_Lang().SetLanguage(0);
  EXPECT_EQ(MainWindowTitle(parts),
            "KYIDE HID - Mode:[Edit] KySel V2.3        Chip = KY - K08A100     ICE Inteface = USB"
            "   Project = demo.prj");
  parts.EngineerMode = true;
  Ky_Lang().SetLanguage(1);
  EXPECT_EQ(MainWindowTitle(parts),
            "KYIDE HID - 模式:[編輯] KySel V2.3-Engineer        Chip = KY - K08A100     ICE "
            "Inteface = USB   Project = demo.prj");
  SetLocale("zh_CN.UTF-8");
  EXPECT_EQ(MainWindowTitle(parts).rfind("KYIDE HID - 模式:[编辑] KySel V2.3-Engineer", 0), 0u);
}

}  // namespace
}  // namespace kyvor
