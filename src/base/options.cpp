#include "base/options.h"

namespace kyvor {

namespace {
TOptions g_options;
}

TOptions& Options() { return g_options; }
void ResetOptions() { g_options = TOptions{}; }

uint8_t CalibrationModeOf(bool h, bool s, bool l, uint8_t current) {
  if (h) return static_cast<uint8_t>((s ? 2 : 0) + (l ? 1 : 0));
  if (!s && !l) return current;
  return static_cast<uint8_t>(s ? (l ? 6 : 5) : 4);
}

void TOptions::ApplyCalibrationInputs(bool haoPresent) {
  if (!haoPresent) EnHAO = 0;
  HaoValue = EHAO;
  PermissibleError = static_cast<uint8_t>(EPERMISS >= 1 && EPERMISS <= 100 ? EPERMISS : 1);
  LpoValue = ELAO;
  CalibrationMode = CalibrationModeOf(EnHAO, EnSHAO, EnSLAO, CalibrationMode);
}

}  // namespace kyvor
