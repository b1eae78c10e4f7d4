// The pod commands of the options dialog's service pages: the voltage
// measurement of the "Debug Tool" page and the programmer's blank-check key
// mode. They go over USB only; a failed transfer marks the pod lost.
#include "link/pod_protocol.h"

namespace kyvor {

bool TPodProtocol::PodMeasureSwitch(uint8_t which, bool on) {
  if (!LinkUsable()) return false;
  put(podcmd::MeasureSwitch);
  PodIoBuffer[1] = which;
  PodIoBuffer[2] = on ? 1 : 0;
  return exchange(podcmd::MeasureSwitch) || lost();
}

bool TPodProtocol::PodReadMeasurement(uint16_t& vdd, uint16_t& vpp) {
  if (!LinkUsable()) return false;
  put(podcmd::Measurement);
  if (!exchange(podcmd::Measurement)) return lost();
  vdd = uint16_t(PodIoBuffer[9] | PodIoBuffer[10] << 8);
  vpp = uint16_t(PodIoBuffer[11] | PodIoBuffer[12] << 8);
  return true;
}

bool TPodProtocol::PodWriteKeyMode(uint8_t v) {
  if (!LinkUsable()) return false;
  put(podcmd::KeyModeWrite);
  PodIoBuffer[2] = v;
  return exchange(podcmd::KeyModeWrite) || lost();
}

bool TPodProtocol::PodReadKeyMode(uint8_t& v) {
  if (!LinkUsable()) return false;
  put(podcmd::KeyModeRead);
  if (!exchange(podcmd::KeyModeRead)) return lost();
  v = PodIoBuffer[1];
  return true;
}

bool TPodProtocol::PodKeyModeExchange() {
  if (!LinkUsable()) return false;
  put(podcmd::KeyModeExchange);
  return exchange(podcmd::KeyModeExchange) || lost();
}

}  // namespace kyvor
