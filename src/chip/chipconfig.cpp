#include "chip/chipconfig.h"

#include <memory>

#include "base/containers.h"
#include "base/dialogs.h"
#include "base/lang.h"
#include "base/modes.h"


namespace kyvor {

namespace {
std::unique_ptr<TChipConfig>& ConfigSlot() {
  static std::unique_ptr<TChipConfig> config = std::make_unique<TChipConfig>();
  return config;
}
TChipLoadListener g_silentListener;
TChipLoadListener* g_listener = nullptr;
}  // namespace

TChipConfig& Chip() { return *ConfigSlot(); }

void ResetChipConfig() {
  ConfigSlot() = std::make_unique<TChipConfig>();
  ResetRegisterLists();
}

uint8_t FieldValue(const TRegField& f, uint8_t registerByte) {
  if (f.Width == 0 || f.LowBit > 7) return 0;
  const uint32_t mask = (f.Width >= 8 ? 0xFFu : ((1u << f.Width) - 1u));
  return static_cast<uint8_t>((registerByte >> f.LowBit) & mask);
}

uint8_t WithFieldValue(const TRegField& f, uint8_t registerByte, uint32_t value) {
  if (f.Width == 0 || f.LowBit > 7) return registerByte;
  const uint32_t mask = (f.Width >= 8 ? 0xFFu : ((1u << f.Width) - 1u)) << f.LowBit;
  const uint32_t merged = (registerByte & ~mask) | ((value << f.LowBit) & mask);
  return static_cast<uint8_t>(merged & 0xFFu);
}

int ProgramMemoryPages() { return static_cast<int>(Chip().ChipRomWords / 256); }

int LastProgramAddress() { return ProgramMemoryPages() * 256 - 1; }

uint16_t DataMemorySize() {
  const auto& banks = Chip().RamBankRanges;
  uint16_t size = 256;  // bank 0 always counts
  for (int n = 1; n < kRamBankCount; ++n) {
    if (banks[n].Start < banks[n].End) size = static_cast<uint16_t>(size + 256);
  }
  return size;
}

uint16_t MaxHardwareBreakpoints() { return 15; }

bool CheckIceInterface() {
  if (Modes().IceInterfaceIndex != 0 || Modes().PodlessMode != 0) return true;
  Dialogs().messageBox(LangTextUtf8(lt::PleaseSetLptAddress), "", MsgIcon::Error, MbOk);
  return false;
}

int TChipLoadListener::languageIndex() const { return LangState().LanguageIndex; }

void SetChipLoadListener(TChipLoadListener* listener) { g_listener = listener; }

TChipLoadListener& ChipLoadListener() { return g_listener ? *g_listener : g_silentListener; }

}  // namespace kyvor
