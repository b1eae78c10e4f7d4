// The virtual pod's service commands of the options dialog: the measurement
// switches and the measurement (B5 02, B5 03, AE 03) and the programmer's
// blank-check key mode (F9 0D, F9 0E, F9 12).
#include "link/pod_command_set.h"
#include "link/pod_protocol.h"
#include "support/virtual_pod.h"

namespace kyvor::test {

namespace pc = podcmd;

bool TVirtualPod::serviceCommand(const uint8_t* p, size_t n) {
  const uint8_t sub = n > 1 ? p[1] : 0;
  if (p[0] == pc::MeasureSwitchCode &&
      (sub == podservice::MeasureVpp || sub == podservice::MeasureVdd)) {
    if (!need(p, n, 3)) return true;
    (sub == podservice::MeasureVpp ? Measure.VppOn : Measure.VddOn) = p[2] != 0;
    reply({pc::Ack}, true);
    return true;
  }
  if (p[0] == pc::Measurement.Code && sub == pc::Measurement.Sub) {
    if (!need(p, n, 2)) return true;
    std::vector<uint8_t> r(32, 0);
    const uint16_t vdd = Measure.VddOn ? Measure.Vdd : 0;
    const uint16_t vpp = Measure.VppOn ? Measure.Vpp : 0;
    r[9] = uint8_t(vdd), r[10] = uint8_t(vdd >> 8);
    r[11] = uint8_t(vpp), r[12] = uint8_t(vpp >> 8);
    reply(r, false);
    return true;
  }
  if (p[0] != pc::KeyModeWrite.Code) return false;
  switch (sub) {
    case pc::KeyModeWrite.Sub:
      if (!need(p, n, 3)) return true;
      KeyMode = p[2];
      reply({pc::Ack, 0, 0, 0, 0, 0, 0, 0}, true);
      return true;
    case pc::KeyModeRead.Sub:
      if (!need(p, n, 2)) return true;
      reply({pc::Ack, uint8_t(KeyModeAnswer < 0 ? KeyMode : KeyModeAnswer), 0, 0, 0, 0, 0, 0},
            true);
      return true;
    case pc::KeyModeExchange.Sub:
      if (!need(p, n, 64)) return true;
      ++KeyExchanges;
      reply(std::vector<uint8_t>(64, 0), false);
      return true;
    default: return false;
  }
}

}  // namespace kyvor::test
