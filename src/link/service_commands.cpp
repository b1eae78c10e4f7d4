// The pod commands of the options dialog's service pages: the voltage
// measurement of the "Debug Tool" page and the programmer's blank-check key
// mode. They go over USB only; a failed transfer marks the pod lost.
#include <initializer_list>

#include "link/pod_protocol.h"

namespace kyvor {

namespace {

// The command bytes from byte 0 of the buffer, the rest of it cleared.
void PutCommand(std::array<uint8_t, kPodIoBufferSize>& buffer, std::initializer_list<uint8_t> b) {
  buffer.fill(0);
  size_t i = 0;
  for (uint8_t x : b) buffer[i++] = x;
}

}  // namespace

bool TPodProtocol::PodMeasureSwitch(uint8_t which, bool on) {
  if (!LinkUsable()) return false;
  PutCommand(PodIoBuffer, {0xB5, which, uint8_t(on ? 1 : 0)});
  return transfer(3, 1) || lost();
}

bool TPodProtocol::PodReadMeasurement(uint16_t& vdd, uint16_t& vpp) {
  if (!LinkUsable()) return false;
  PutCommand(PodIoBuffer, {0xAE, 0x03});
  if (!transfer(2, 32)) return lost();
  vdd = uint16_t(PodIoBuffer[9] | PodIoBuffer[10] << 8);
  vpp = uint16_t(PodIoBuffer[11] | PodIoBuffer[12] << 8);
  return true;
}

bool TPodProtocol::PodWriteKeyMode(uint8_t v) {
  if (!LinkUsable()) return false;
  PutCommand(PodIoBuffer, {0xF9, 0x0D, v});
  return transfer(3, 8) || lost();
}

bool TPodProtocol::PodReadKeyMode(uint8_t& v) {
  if (!LinkUsable()) return false;
  PutCommand(PodIoBuffer, {0xF9, 0x0E});
  if (!transfer(2, 8)) return lost();
  v = PodIoBuffer[1];
  return true;
}

bool TPodProtocol::PodKeyModeExchange() {
  if (!LinkUsable()) return false;
  PutCommand(PodIoBuffer, {0xF9, 0x12, 0x00, 0x00});
  return transfer(64, 64) || lost();
}

}  // namespace kyvor
