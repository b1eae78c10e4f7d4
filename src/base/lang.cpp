#include "base/lang.h"

#include <algorithm>
#include <cstdlib>

#include "base/big5.h"
#include "base/modes.h"

namespace kyvor {

namespace {

TLangState& LangStateStorage() {
  static TLangState state;
  return state;
}

TKy_Lang& KyLangStorage() {
  static TKy_Lang lang;
  return lang;
}

std::optional<std::string> LookupEnv(const std::string& name) {
  const TLangState& st = LangStateStorage();
  if (st.Env) return st.Env(name);
  const char* v = std::getenv(name.c_str());
  if (v == nullptr) return std::nullopt;
  return std::string(v);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const TLangTextPair& LangPair(int row) {
  static const TLangTextPair kEmpty{};
  if (row < 0 || row >= LanguageTextCount) return kEmpty;
  return LanguageTextTable[row];
}

std::string_view LangRawText(int row, int language) { return LangPair(row)[language]; }

TLangState& LangState() { return LangStateStorage(); }

void ResetLangState() {
  LangStateStorage() = TLangState{};
  KyLangStorage() = TKy_Lang{};
}

uint16_t LangIdFromLocale(std::string_view locale) {
  // language[_territory][.codeset][@modifier]
  const size_t end = locale.find_first_of(".@");
  std::string name;
  for (char c : locale.substr(0, end)) name += (c == '-') ? '_' : Lower(c);
  if (name == "zh_cn") return LangIdSimplifiedChinese;
  if (name == "zh_tw") return LangIdChineseTaiwan;
  if (name == "zh_hk") return LangIdChineseHongKong;
  if (name == "zh_sg") return LangIdChineseSingapore;
  if (name == "zh_mo") return LangIdChineseMacau;
  return LangIdEnglishUS;
}

uint16_t SystemDefaultLangID() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::optional<std::string> value = LookupEnv(var);
    if (value && !value->empty()) return LangIdFromLocale(*value);
  }
  return LangIdEnglishUS;
}

bool TKy_Lang::ConvertsToGB() const {
  return Language > 0 && SystemDefaultLangID() == LangIdSimplifiedChinese;
}

std::string TKy_Lang::TranslateText(std::string_view text) const {
  if (ConvertsToGB()) return Big5ToGB(text);
  return std::string(text);
}

std::string TKy_Lang::ToUtf8(std::string_view translated) const {
  return ConvertsToGB() ? Gb2312ToUtf8(translated) : Big5ToUtf8(translated);
}

std::string TKy_Lang::DisplayText(std::string_view stored) const {
  if (ConvertsToGB()) return Gb2312ToUtf8(Big5ToGB(stored));
  return Big5ToUtf8(stored);
}

namespace {

// The caption groups in the order the language switch applies them.
constexpr void (ILangCaptionTarget::*kCaptionGroups[])() = {
    &ILangCaptionTarget::ApplyMenuCaptions,       &ILangCaptionTarget::ApplyEditorPopupCaptions,
    &ILangCaptionTarget::ApplySourcePopupCaptions, &ILangCaptionTarget::ApplyToolbarHints,
    &ILangCaptionTarget::ApplyFindDialogCaptions,  &ILangCaptionTarget::ApplyRegisterWindowCaptions,
    &ILangCaptionTarget::ApplySourceTitle,         &ILangCaptionTarget::ApplyHexTitle,
    &ILangCaptionTarget::ApplyRamTitle,            &ILangCaptionTarget::ApplyErrTitle,
    &ILangCaptionTarget::ApplyOptionCaptions};

}  // namespace

void TKy_Lang::SetLanguage(int index) {
  Language = index < 0 ? LangEnglish : (index > 1 ? LangChinese : index);
  // Targets may register or leave while being applied; work on a copy.
  const std::vector<ILangCaptionTarget*> targets = targets_;
  auto each = [&](void (ILangCaptionTarget::*op)()) {
    for (ILangCaptionTarget* t : targets) {
      if (std::find(targets_.begin(), targets_.end(), t) != targets_.end()) (t->*op)();
    }
  };
  if (Modes().DebugMode == 0) each(&ILangCaptionTarget::RebuildMainTitle);
  for (auto op : kCaptionGroups) each(op);
}

std::string TKy_Lang::GetRomWriter() const {
  return TranslateText(LangRawText(lt::RomWriter, Language));
}

std::string TKy_Lang::GetRomWriterUtf8() const {
  return DisplayText(LangRawText(lt::RomWriter, Language));
}

void TKy_Lang::AddCaptionTarget(ILangCaptionTarget* target) {
  if (target != nullptr && std::find(targets_.begin(), targets_.end(), target) == targets_.end())
    targets_.push_back(target);
}

void TKy_Lang::ApplyCaptionsTo(ILangCaptionTarget& target) {
  for (auto op : kCaptionGroups) (target.*op)();
}

void TKy_Lang::RemoveCaptionTarget(ILangCaptionTarget* target) {
  targets_.erase(std::remove(targets_.begin(), targets_.end(), target), targets_.end());
}

TKy_Lang& Ky_Lang() { return KyLangStorage(); }

std::string LangText(int row) {
  return Ky_Lang().TranslateText(LangRawText(row, LangState().LanguageIndex));
}

std::string LangTextUtf8(int row) {
  return Ky_Lang().DisplayText(LangRawText(row, LangState().LanguageIndex));
}

std::string MainWindowTitle(const TMainTitleParts& parts) {
  const TKy_Lang& lang = Ky_Lang();
  std::string title = "KYIDE HID";
  title += lang.DisplayText(LangRawText(lt::ModeEditTitle, lang.Language));
  title += " ";
  title += parts.ChipListHeader;
  if (parts.EngineerMode) title += "-Engineer";
  title += "        Chip = KY - ";
  title += parts.ChipName;
  title += "     ICE Inteface = ";
  title += parts.InterfaceName;
  title += "   Project = ";
  title += parts.ProjectName;
  return title;
}

}  // namespace kyvor
