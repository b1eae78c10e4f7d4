#pragma once
// Process-wide modes and link state, read by every layer.
#include <cstdint>

namespace kyvor {

struct TModes {
  int SimulatorMode = 1;       // 1 simulator, 0 emulator
  int DebugMode = 0;           // 1 debug, 0 edit
  int TargetRunning = 0;       // 1 while the target runs
  int IceInterfaceIndex = 0;   // "(none)", "378h (LPT1)", "3BCh", "278h", "USB" by index 0 to 4
  uint16_t LptPortAddress = 0x378;
  uint8_t PodState = 255;      // 0 pod open, 255 no pod or lost
  int PodlessMode = 0;
};

TModes& Modes();
void ResetModes();

}  // namespace kyvor
