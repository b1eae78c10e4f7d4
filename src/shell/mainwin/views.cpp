#include "shell/mainwin/views.h"

#include "base/lang_ids.h"
#include "debugwin/debugwins.h"
#include "peripherals/periphwins.h"
#include "shell/editor/editor.h"
#include "shell/mainwin/error_list.h"
#include "shell/source/listing.h"
#include "shell/source/source_view.h"

namespace kyvor {

namespace {

template <class T>
std::unique_ptr<QWidget> Make() {
  return std::make_unique<T>();
}

// An analog window builds its controls when it is first used: those of the
// other chip family are never built.
template <class T>
std::unique_ptr<QWidget> MakeOnFirstUse() {
  return std::make_unique<T>(nullptr, TBuildWhen::AtFirstUse);
}

constexpr unsigned kHiddenNone = 0;
// Register writes reach the RAM, register and analog windows even while hidden.
constexpr unsigned kHiddenWrite = RefreshBit(TRefreshReason::RegisterWrite);
// The analog windows also take each new chip's bindings at debug entry while hidden.
constexpr unsigned kHiddenAnalog = kHiddenWrite | RefreshBit(TRefreshReason::DebugEntry);

using R = TViewRole;
using F = TViewFamily;
using C = TChipConfig;
using M = TChipMenus;

// clang-format off
const TViewRow kViews[] = {
  // index, form name, shown slot, menu item, caption, button, button caption, hint,
  // role, tile, family, chip flag, menu flag, reasons it gets while hidden, factory
  {ViewEdit, "Ky_EDIT", -1, "SMenu_Edit", lt::MenuViewEdit,
   "TBtV_Edit", lt::BtnEdit, lt::HintGotoEditWindow,
   R::Main, 0, F::Any, nullptr, nullptr, kHiddenNone, Make<TKy_EDIT>},
  {ViewSource, "Ky_Source", 0, "SMenu_View", lt::MenuViewSource,
   "TBtV_View", lt::BtnSource, lt::HintGotoSourceWindow,
   R::Main, 1, F::Any, nullptr, nullptr, kHiddenNone, Make<TKy_Source>},
  {ViewHex, "Ky_Hex", 1, "SMenu_Debug", lt::MenuViewHex,
   "TBtV_Debug", lt::BtnHex, lt::HintGotoHexWindow,
   R::Side, 2, F::Any, nullptr, nullptr, kHiddenNone, Make<TKy_Hex>},
  // The watch values follow every step and stop, shown or not.
  {ViewWatch, "Ky_WATCH", 6, "SMenu_Watch", lt::MenuViewWatch,
   "TBtV_Watch", lt::BtnWatch, lt::HintGotoWatchWindow,
   R::Side, 6, F::Any, nullptr, nullptr,
   RefreshBit(TRefreshReason::Step) | RefreshBit(TRefreshReason::RunStopped) |
       RefreshBit(TRefreshReason::DebugEntry),
   Make<TKy_WATCH>},
  {ViewRam, "Ky_RAM", 2, "SMenu_Ram", lt::MenuViewStaticRam,
   "TBtV_Ram", lt::BtnRam, lt::HintGotoRamWindow,
   R::Side, 3, F::Any, nullptr, nullptr, kHiddenWrite, Make<TKy_RAM>},
  // The register window is redrawn at debug entry before it is shown again.
  {ViewReg2, "Ky_Reg2", 3, "SMenu_Register", lt::MenuViewSpecialRegister,
   "TBtV_Reg", lt::BtnReg, lt::HintGotoRegWindow,
   R::Side, 5, F::Any, nullptr, nullptr, kHiddenWrite | RefreshBit(TRefreshReason::DebugEntry),
   Make<TKy_Reg2>},
  {ViewStk, "Ky_STK", 4, "SMenu_Stack", lt::MenuViewStack, nullptr, 0, 0,
   R::Side, 4, F::Any, nullptr, nullptr, kHiddenNone, Make<TKy_STK>},
  {ViewBp, "Ky_BP", 5, "SMenu_BP", lt::MenuViewBreakPoint, nullptr, 0, 0,
   R::Side, 7, F::Any, nullptr, nullptr, RefreshBit(TRefreshReason::Breakpoints), Make<TKy_BP>},
  {ViewErr, "Ky_ERR", -1, "SMenu_Error", lt::MenuViewMessage, nullptr, 0, 0,
   R::Bottom, 8, F::Any, nullptr, nullptr, kHiddenNone, Make<TKy_ERR>},
  {ViewAdc, "ADCForm", 7, "SMENU_ADC", lt::MenuViewAdcPanel, nullptr, 0, 0,
   R::Side, 9, F::Basic, &C::AdcPresent, &M::AdcVisible, kHiddenAnalog, MakeOnFirstUse<TADCForm>},
  {ViewOp, "OPForm", 10, "SMENU_OP", lt::MenuViewOpPanel, nullptr, 0, 0,
   R::Side, 12, F::Basic, &C::OpPresent, &M::OpVisible, kHiddenAnalog, MakeOnFirstUse<TOPForm>},
  {ViewCmp, "CMPForm", 11, "SMENU_CMP", lt::MenuViewComparatorPanel, nullptr, 0, 0,
   R::Side, 13, F::Basic, &C::CmpPresent, &M::CmpVisible, kHiddenAnalog, MakeOnFirstUse<TCMPForm>},
  {ViewAdcI, "ADCIForm", 8, "SMENU_ADC1", lt::MenuViewAdcIPanel, nullptr, 0, 0,
   R::Side, 10, F::Extended, &C::AdcIPresent, &M::AdcIVisible, kHiddenAnalog, MakeOnFirstUse<TADCIForm>},
  {ViewAdcII, "ADCIIForm", 9, "SMENU_ADC2", lt::MenuViewAdcIIPanel, nullptr, 0, 0,
   R::Side, 11, F::Extended, &C::AdcIIPresent, &M::AdcIIVisible, kHiddenAnalog, MakeOnFirstUse<TADCIIForm>},
  {ViewMultiCmp, "MultiCMPForm", 12, "SMENU_MP", lt::MenuViewMultiCmpPanel, nullptr, 0, 0,
   R::Side, 14, F::Extended, &C::MultiCmpPresent, &M::MpVisible, kHiddenAnalog, MakeOnFirstUse<TMultiCMPForm>},
};
// clang-format on

static_assert(std::size(kViews) == ViewCount, "one row per view");

}  // namespace

std::span<const TViewRow> ViewRows() { return kViews; }

const TViewRow& ViewRow(TViewIndex index) {
  for (const TViewRow& row : kViews)
    if (row.index == index) return row;
  return kViews[0];
}

bool ChipHasView(const TViewRow& row) { return !row.present || Chip().*row.present != 0; }

bool InChipFamily(const TViewRow& row) {
  switch (row.family) {
    case TViewFamily::Basic: return Chip().ExtendedDevice != 1;
    case TViewFamily::Extended: return Chip().ExtendedDevice == 1;
    default: return true;
  }
}

}  // namespace kyvor
