#pragma once
// Bilingual texts and the language switch.
//
// Every user-visible text that exists in two languages is one row of
// LanguageTextTable: {English, Chinese}. The Chinese side is stored as Big5
// bytes. Code picks a row by its identifier (lt::..., see lang_ids.h) and
// the language at LangState().LanguageIndex, passes the text through
// Ky_Lang().TranslateText (Big5 -> GB2312 on a Simplified-Chinese system)
// and shows it. Qt and the dialog seam take UTF-8: use LangTextUtf8(row) or
// Ky_Lang().DisplayText(bytes) for that.
//
// Typical use:
//   Dialogs().messageBox(LangTextUtf8(lt::IceConnectError), "", MsgIcon::Error, MbCancel);
//   label->setText(QString::fromStdString(LangTextUtf8(lt::TitleSourceCode)));
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/lang_ids.h"

namespace kyvor {

// Language indices.
inline constexpr int LangEnglish = 0;
inline constexpr int LangChinese = 1;

// One row of the text table: [0] English, [1] Chinese (Big5 bytes).
struct TLangTextPair {
  std::string_view Text[2];

  // Language 0 (or below) gives English, 1 (or above) Chinese.
  std::string_view operator[](int language) const { return Text[language > 0 ? 1 : 0]; }
};

inline constexpr int LanguageTextCount = 305;
extern const TLangTextPair LanguageTextTable[LanguageTextCount];

// The row at `row`; a row outside 0..LanguageTextCount-1 gives an empty pair.
const TLangTextPair& LangPair(int row);
// The stored bytes of `row` in `language` (empty outside the table).
std::string_view LangRawText(int row, int language);

// Windows language identifiers as the system reports them.
inline constexpr uint16_t LangIdEnglishUS = 0x0409;
inline constexpr uint16_t LangIdChineseTaiwan = 0x0404;
inline constexpr uint16_t LangIdSimplifiedChinese = 0x0804;  // zh_CN
inline constexpr uint16_t LangIdChineseHongKong = 0x0C04;
inline constexpr uint16_t LangIdChineseSingapore = 0x1004;
inline constexpr uint16_t LangIdChineseMacau = 0x1404;

// Reads one environment variable; empty optional when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;

// Process-wide language state.
struct TLangState {
  int LanguageIndex = LangEnglish;  // 0 English, 1 Chinese
  // Environment used for locale detection; empty = the process environment.
  // Tests install a fake here.
  EnvLookup Env;
};

TLangState& LangState();
// Restores LangState() and Ky_Lang() to their start-up values (language 0,
// process environment, no caption targets).
void ResetLangState();

// Language identifier of a POSIX locale name such as "zh_CN.UTF-8",
// "zh_TW.Big5", "en_US.UTF-8", "C". Anything not Chinese gives LangIdEnglishUS.
uint16_t LangIdFromLocale(std::string_view locale);
// The system's default language: the first non-empty one of LC_ALL,
// LC_MESSAGES and LANG (looked up through LangState().Env), as above.
uint16_t SystemDefaultLangID();

// Windows that carry translated captions implement this; TKy_Lang::SetLanguage
// calls every registered target, operation by operation, in this order.
// Each operation re-reads its texts (Ky_Lang().DisplayText / LangTextUtf8).
class ILangCaptionTarget {
 public:
  virtual ~ILangCaptionTarget() = default;
  virtual void RebuildMainTitle() {}             // only while not in debug mode; see MainWindowTitle
  virtual void ApplyMenuCaptions() {}            // rows 73-98, 121-142, 169, 225, 236, 287-304
  virtual void ApplyEditorPopupCaptions() {}     // rows 170-174
  virtual void ApplySourcePopupCaptions() {}     // rows 170-172
  virtual void ApplyToolbarHints() {}            // rows 175-217, 268-275
  virtual void ApplyFindDialogCaptions() {}      // rows 227-229
  virtual void ApplyRegisterWindowCaptions() {}  // rows 230-232
  virtual void ApplySourceTitle() {}             // row 233
  virtual void ApplyHexTitle() {}                // row 234
  virtual void ApplyRamTitle() {}                // row 235
  virtual void ApplyErrTitle() {}                // row 237
  virtual void ApplyOptionCaptions() {}          // rows 276-283
};

// The language switch and text translation (one instance, Ky_Lang()).
class TKy_Lang {
 public:
  // The language index this object applies; set only by SetLanguage.
  int Language = LangEnglish;

  // True when Chinese texts are converted to GB2312: Language > 0 and the
  // system language is Simplified Chinese.
  bool ConvertsToGB() const;
  // The text unchanged, or Big5ToGB(text) when ConvertsToGB().
  std::string TranslateText(std::string_view text) const;
  // Decodes bytes returned by TranslateText to UTF-8 (GB2312 when
  // ConvertsToGB(), else Big5; ASCII passes through).
  std::string ToUtf8(std::string_view translated) const;
  // ToUtf8(TranslateText(stored)).
  std::string DisplayText(std::string_view stored) const;

  // Language := index (negative gives 0, above 1 gives 1); then the caption
  // targets are applied (the main title only while Modes().DebugMode is 0).
  void SetLanguage(int index);

  // Translated text of row 238 ("RomWriter") in Language (bytes / UTF-8).
  std::string GetRomWriter() const;
  std::string GetRomWriterUtf8() const;

  // Caption targets are not owned; a target must remove itself before it dies.
  void AddCaptionTarget(ILangCaptionTarget* target);
  void RemoveCaptionTarget(ILangCaptionTarget* target);
  // Applies every caption group (not the main title) to one target: a window
  // made after the last switch calls it to start in the current language.
  void ApplyCaptionsTo(ILangCaptionTarget& target);

 private:
  std::vector<ILangCaptionTarget*> targets_;
};

TKy_Lang& Ky_Lang();

// The text of `row` in LangState().LanguageIndex, through Ky_Lang().TranslateText
// (bytes: ASCII, Big5 or GB2312). Empty for a row outside the table.
std::string LangText(int row);
// The same as UTF-8, for Qt and the dialog seam.
std::string LangTextUtf8(int row);

// Parts of the main window's edit-mode title (UTF-8).
struct TMainTitleParts {
  std::string ChipListHeader;   // header line of the chip list
  bool EngineerMode = false;    // options dialog in engineer mode
  std::string ChipName;         // chip combo item at ChipIndex
  std::string InterfaceName;    // interface combo item at IceInterfaceIndex
  std::string ProjectName;
};
// "KYIDE HID" + translated row 2 (in Ky_Lang().Language) + " " + header
// [+ "-Engineer"] + "        Chip = KY - " + chip + "     ICE Inteface = "
// + interface + "   Project = " + project, as UTF-8.
std::string MainWindowTitle(const TMainTitleParts& parts);

}  // namespace kyvor
