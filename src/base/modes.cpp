#include "base/modes.h"

namespace kyvor {

namespace {
TModes g_modes;
}

TModes& Modes() { return g_modes; }
void ResetModes() { g_modes = TModes{}; }

}  // namespace kyvor
