#include "base/options.h"

namespace kyvor {

namespace {
TOptions g_options;
}

TOptions& Options() { return g_options; }
void ResetOptions() { g_options = TOptions{}; }

}  // namespace kyvor
