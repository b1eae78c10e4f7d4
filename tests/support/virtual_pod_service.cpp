// The virtual pod's service commands of the options dialog: the measurement
// switches and the measurement (B5 02, B5 03, AE 03) and the programmer's
// blank-check key mode (F9 0D, F9 0E, F9 12).
#include "support/virtual_pod.h"

namespace kyvor::test {

bool TVirtualPod::serviceCommand(const uint8_t* p, size_t n) {
  const uint8_t sub = n > 1 ? p[1] : 0;
  if (p[0] == 0xB5 && (sub == 0x02 || sub == 0x03)) {
    if (!need(p, n, 3)) return true;
    (sub == 0x02 ? Measure.VppOn : Measure.VddOn) = p[2] != 0;
    reply({0xFA}, true);
    return true;
  }
  if (p[0] == 0xAE && sub == 0x03) {
    if (!need(p, n, 2)) return true;
    std::vector<uint8_t> r(32, 0);
    const uint16_t vdd = Measure.VddOn ? Measure.Vdd : 0;
    const uint16_t vpp = Measure.VppOn ? Measure.Vpp : 0;
    r[9] = uint8_t(vdd), r[10] = uint8_t(vdd >> 8);
    r[11] = uint8_t(vpp), r[12] = uint8_t(vpp >> 8);
    reply(r, false);
    return true;
  }
  if (p[0] != 0xF9) return false;
  switch (sub) {
    case 0x0D:
      if (!need(p, n, 3)) return true;
      KeyMode = p[2];
      reply({0xFA, 0, 0, 0, 0, 0, 0, 0}, true);
      return true;
    case 0x0E:
      if (!need(p, n, 2)) return true;
      reply({0xFA, uint8_t(KeyModeAnswer < 0 ? KeyMode : KeyModeAnswer), 0, 0, 0, 0, 0, 0}, true);
      return true;
    case 0x12:
      if (!need(p, n, 64)) return true;
      ++KeyExchanges;
      reply(std::vector<uint8_t>(64, 0), false);
      return true;
    default: return false;
  }
}

}  // namespace kyvor::test
