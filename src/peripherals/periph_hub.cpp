#include "peripherals/periph_hub.h"

#include "chip/chipconfig.h"

namespace kyvor {

TKyPeripheralHub& PeripheralHub() {
  static TKyPeripheralHub hub;
  return hub;
}

void TKyPeripheralHub::Register(TKyPeripheralForm* form) {
  windows_[static_cast<int>(form->Kind())] = form;
}

void TKyPeripheralHub::Unregister(TKyPeripheralForm* form) {
  auto& slot = windows_[static_cast<int>(form->Kind())];
  if (slot == form) slot = nullptr;
}

bool TKyPeripheralHub::IsLive(TPeripheralKind kind) {
  const auto& c = Chip();
  switch (kind) {
    case TPeripheralKind::Adc:
    case TPeripheralKind::Op:
    case TPeripheralKind::Cmp: return c.ExtendedDevice != 1;
    case TPeripheralKind::AdcI: return c.ExtendedDevice == 1 && c.DeviceKind3 != 1;
    case TPeripheralKind::AdcII: return c.ExtendedDevice == 1 && c.DeviceKind3 == 1;
    case TPeripheralKind::MultiCmp: return c.ExtendedDevice == 1;
    case TPeripheralKind::Count: break;
  }
  return false;
}

std::vector<TKyPeripheralForm*> TKyPeripheralHub::LiveWindows() const {
  std::vector<TKyPeripheralForm*> live;
  for (TKyPeripheralForm* w : windows_)
    if (w && IsLive(w->Kind())) live.push_back(w);
  return live;
}

void TKyPeripheralHub::RefreshLive() {
  if (refreshing_) return;
  refreshing_ = true;
  for (TKyPeripheralForm* w : LiveWindows()) w->DataUpdate();
  refreshing_ = false;
}

void TKyPeripheralHub::ApplyChip() {
  for (TKyPeripheralForm* w : windows_)
    if (w) w->ApplyChip();
}

void TKyPeripheralHub::DrawShared(const TKyPeripheralForm& from, TFieldId id, int value) {
  for (TPeripheralKind k : {TPeripheralKind::AdcI, TPeripheralKind::AdcII}) {
    TKyPeripheralForm* w = Window(k);
    if (w && w != &from) w->DrawField(id, value);
  }
}

}  // namespace kyvor
