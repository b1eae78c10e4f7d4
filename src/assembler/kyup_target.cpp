#include "assembler/kyup_target.h"

#include <algorithm>

namespace kyvor {

void TKyUpTarget::setEepromSites(const std::vector<int>& addresses,
                                    const std::vector<int>& files, const std::vector<int>& lines,
                                    int count) {
  const int kept = std::min<int>(count, static_cast<int>(addresses.size()));
  up_.Settings.EepromBreakCount = kept;
  for (int i = 0; i < kept; ++i)
    up_.AddBreakpointRecord(addresses[i], 0, i + 1, files[i] + 1, lines[i]);
}

}  // namespace kyvor
