#pragma once
// The bindings of the analog peripheral windows: for each window, one entry
// per control group bound to a register field (chip/chipconfig.h, TRegField),
// in the order the window's refresh visits them. A window is built from its
// table by TKyPeripheralForm (peripherals/periphwins.h); the rules that are
// not plain data are the named hooks of peripherals/periph_hooks.cpp.
//
// Control names are the forms' component names (objectName), so the chip
// loader's prepared states and the tests find them.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "chip/chipconfig.h"

namespace kyvor {

class TKyPeripheralForm;
struct TBinding;

enum class TCtlKind : uint8_t {
  Mux,       // multiplexer: drop-down list of codes, on/off button pair and label per option
  List,      // drop-down list chosen by position, optionally a value label
  Panel,     // 1-bit toggle panel, optionally picture pairs and a text label
  Pictures,  // 1-bit on/off picture pair without a panel
  Stepper,   // picture buttons of which only the one of the value shows
  Flag,      // status label lit when the 1-bit field reads 1
  Result,    // the ADC result label (three result-byte records)
};

// How a multiplexer's list gives the chosen code.
enum class TCodeFrom : uint8_t { Text, Position };
// How a value beyond the options or texts is drawn.
enum class TBeyond : uint8_t {
  Zero,      // drawn as option / text 0
  Last,      // drawn as the last one
  Keep,      // the label keeps its text
  NoChoice,  // no option drawn chosen, the list shows its first code
};
// When the refresh redraws the binding.
enum class TRedraw : uint8_t { OnChange, Always, Never };
// What a list choice whose code does not fit the field does.
enum class TRefuse : uint8_t {
  BackToCache,  // the list returns to the cached entry and the cached value is written
  Position,     // the entry's position is taken instead of its code
};

// A named rule run when a binding is drawn. It may change the value that is
// drawn; it returns true when it drew the binding itself.
using TDrawHook = bool (*)(TKyPeripheralForm& form, const TBinding& b, int& value);
// A rule run at the end of every refresh of a window.
using TRefreshHook = void (*)(TKyPeripheralForm& form);

struct TBinding {
  TFieldId field = TFieldId::Count;
  TCtlKind kind = TCtlKind::Panel;
  const char* group = "";      // caption of the group box that holds the controls
  const char* title = "";      // caption beside the list (Mux, List, Stepper, Result)
  const char* list = nullptr;  // drop-down list (Mux, List, Stepper)
  const char* label = nullptr; // value label (List), text label (Panel), result label
  const char* panel = nullptr; // toggle panel (Panel, Flag)
  const char* caption = nullptr;  // panel caption from the design
  // Mux: option i's buttons are button + code + "on" / "off"; its label is
  // optionLabel with '#' replaced by i or '@' by the code.
  const char* button = nullptr;
  const char* optionLabel = nullptr;
  uint8_t options = 0;  // drawn options (Mux), pictures (Stepper)
  uint8_t digits = 0;   // digits of the binary codes
  uint8_t entries = 0;  // list entries of the design: codes 0 .. entries - 1
  TCodeFrom codeFrom = TCodeFrom::Position;
  TBeyond beyond = TBeyond::Zero;
  TRedraw redraw = TRedraw::OnChange;
  TRefuse refuse = TRefuse::BackToCache;
  const char* const* texts = nullptr;  // value label texts (List) or design option captions (Mux)
  uint8_t textCount = 0;
  const char* setText = nullptr;    // Panel text label when set
  const char* clearText = nullptr;  // ... when clear
  std::array<const char*, 2> setPictures{};    // pictures shown when set
  std::array<const char*, 2> clearPictures{};  // pictures shown when clear
  bool clickable = true;  // false: display only (CPOIF, the ADC-I/II INX pictures)
  bool hidden = false;    // hidden in the design
  bool shared = false;    // drawn into both ADC-I and ADC-II windows (the hub's shared drawers)
  // Mux: an option the chip file reserves ("-") keeps its code in the list,
  // shown there as not choosable, as its buttons are; otherwise the list
  // leaves the code out.
  bool listsReserved = false;
  TDrawHook hook = nullptr;
};

// The VDDA voltage names a window shows (chip loader's tables).
enum class TVddaNames : uint8_t { None, Adc, Op, Cmp };

// A control without a field: a label (text: its caption), or a list with no
// role (text: the words it shows while empty). Without a group it stands in
// the window's bottom group.
enum class TExtraKind : uint8_t { Label, List };
struct TExtraControl {
  const char* name;
  const char* text;
  bool hidden = false;  // shown by a hook, the chip loader or the chip set-up
  TExtraKind kind = TExtraKind::Label;
  const char* group = nullptr;
};

struct TPeripheralTable {
  const char* formName;  // objectName of the form
  const char* caption;
  const TBinding* bindings;
  int count;
  // The VDDA pair of the ADC, op-amp and comparator windows: the ENVDDA panel's
  // hook draws the VDDAX list and the labels from these.
  TVddaNames vddaNames = TVddaNames::None;
  TFieldId vddax = TFieldId::Count;
  std::array<const char*, 2> vddaLabels{};
  // Display options and "Read ADC" of the ADC windows (nullptr: none).
  const char* modeList = nullptr;
  const char* widthList = nullptr;
  const char* readButton = nullptr;
  // Controls without a field.
  const TExtraControl* extras = nullptr;
  int extraCount = 0;
  TRefreshHook afterRefresh = nullptr;
};

// The six windows.
enum class TPeripheralKind : uint8_t { Adc, Op, Cmp, AdcI, AdcII, MultiCmp, Count };
inline constexpr int kPeripheralKindCount = static_cast<int>(TPeripheralKind::Count);
const TPeripheralTable& PeripheralTable(TPeripheralKind kind);

// The set-up of the ADC windows for the chip's family, applied when a window
// takes a new chip. Every window starts each chip from its design (caption,
// lists, the controls the set-up hides) and then takes the lines of the cases
// the chip is in, so no set-up outlives the chip it was made for.
enum class TChipCase : uint8_t {
  AdcIFamily,  // DeviceNotKind3 is 1 and the chip has one or three ADCs (#ADCNUM 1 or 3)
  AdcFamily,   // DeviceNotKind3 is not 1
};
enum class TSetupStep : uint8_t {
  Caption,    // the window's caption becomes `text`
  Show,       // the named controls are shown
  Hide,       // the named controls stay hidden, whatever the fields draw
  ListCodes,  // the list `text` holds `codes` binary codes of `digits` digits
};
struct TSetupLine {
  TChipCase when;
  TPeripheralKind window;
  TSetupStep step;
  const char* text = nullptr;
  const char* const* names = nullptr;
  uint8_t nameCount = 0;
  uint8_t codes = 0;
  uint8_t digits = 0;
};
std::span<const TSetupLine> ChipSetupLines();
// True when the loaded chip is in that case.
bool ChipCaseHolds(TChipCase c);

// Binary code of value with `digits` digits ("00", "101", ...).
std::string BinaryCodeText(int value, int digits);

}  // namespace kyvor
