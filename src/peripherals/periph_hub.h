#pragma once
// The hub of the analog peripheral windows. The views table creates the six
// windows (one row each); every window registers here when it is made, so the
// hub knows them all: which of them are live for the loaded chip, how to
// refresh the live ones after a register write (guarded against a write made
// during a refresh), the chip set-up they share, and the drawers of the
// fields that the ADC-I and ADC-II windows both show.
#include <array>
#include <functional>
#include <vector>

#include "peripherals/periphwins.h"

namespace kyvor {

class TKyPeripheralHub {
 public:
  // The window of that kind (nullptr before it was made).
  TKyPeripheralForm* Window(TPeripheralKind kind) const { return windows_[static_cast<int>(kind)]; }
  void Register(TKyPeripheralForm* form);
  void Unregister(TKyPeripheralForm* form);

  // The windows of the chip's set: ADC-II (kind 3) or ADC-I, and the
  // multi-comparator on the extended chips; else ADC, op amp and comparator.
  static bool IsLive(TPeripheralKind kind);
  std::vector<TKyPeripheralForm*> LiveWindows() const;
  // Every live window, shown or not, re-reads its fields; a write made by a
  // refresh (the ADC-I gain correction) is drawn by the refresh under way.
  void RefreshLive();
  // Every window takes the loaded chip's bindings.
  void ApplyChip();
  // Draws a field shared by the ADC-I and ADC-II windows into the other one.
  void DrawShared(const TKyPeripheralForm& from, TFieldId id, int value);

 private:
  std::array<TKyPeripheralForm*, kPeripheralKindCount> windows_{};
  bool refreshing_ = false;
};

// The one hub of the process.
TKyPeripheralHub& PeripheralHub();

}  // namespace kyvor
