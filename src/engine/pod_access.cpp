#include "engine/pod_access.h"

namespace kyvor {

bool TPodAccess::PodDownloadWords(TPodBlockArea, uint32_t start, std::span<const uint16_t> words,
                                  uint8_t, const TGauge& gauge) {
  if (gauge) gauge(0);
  for (size_t i = 0; i < words.size(); ++i) {
    if (!PodWriteProgramWord(start + uint32_t(i), words[i])) return false;
    if (gauge) gauge(int((i + 1) * 100 / words.size()));
  }
  return true;
}

bool TPodAccess::PodUploadWords(uint32_t start, std::span<uint16_t> words, const TGauge& gauge) {
  if (gauge) gauge(0);
  for (size_t i = 0; i < words.size(); ++i) {
    bool ok = false;
    words[i] = PodReadProgramWord(start + uint32_t(i), ok);
    if (!ok) return false;
    if (gauge) gauge(int((i + 1) * 100 / words.size()));
  }
  return true;
}

bool TPodAccess::PodWriteProgramBytes(uint32_t address, std::span<const uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const uint8_t low = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    if (!PodWriteProgramWord((address + uint32_t(i)) / 2, uint16_t(bytes[i] << 8 | low)))
      return false;
  }
  return true;
}

bool TPodAccess::PodReadProgramBytes(uint32_t address, std::span<uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); i += 2) {
    bool ok = false;
    const uint16_t w = PodReadProgramWord((address + uint32_t(i)) / 2, ok);
    if (!ok) return false;
    bytes[i] = uint8_t(w >> 8);
    if (i + 1 < bytes.size()) bytes[i + 1] = uint8_t(w);
  }
  return true;
}

namespace {
constexpr uint32_t kTosU = 21, kTosH = 22, kTosL = 23, kStackPointer = 24;
}  // namespace

uint32_t TPodAccess::PodReadStackLevel(int level, bool& ok) {
  const uint8_t kept = PodReadRegister(kStackPointer, ok);
  if (!ok || !(ok = PodWriteRegister(kStackPointer, uint8_t((kept & 0xE0) | (level & 0x1F)))))
    return 0;
  uint32_t value = 0;
  for (uint32_t a : {kTosU, kTosH, kTosL}) {
    value = value << 8 | PodReadRegister(a, ok);
    if (!ok) return 0;
  }
  ok = PodWriteRegister(kStackPointer, kept);
  return ok ? value : 0;
}

bool TPodAccess::PodWriteStackLevel(int level, uint32_t value) {
  bool ok = false;
  const uint8_t kept = PodReadRegister(kStackPointer, ok);
  if (!ok || !PodWriteRegister(kStackPointer, uint8_t((kept & 0xE0) | (level & 0x1F))))
    return false;
  const uint32_t pc = PodReadPC(ok);
  return ok && PodWritePC(value) && PodWriteRegister(kTosL, 0) && PodWritePC(pc) &&
         PodWriteRegister(kStackPointer, kept);
}

TPodAccess& NoPod() {
  static TNoPod pod;
  return pod;
}

}  // namespace kyvor
