// Fuzzes the chip description reader: the input is a chip description file,
// listed as the only chip of a chip list in a scratch program folder. After
// the load, the summary reader, the lookup by identification code, the
// memory-size and field-value helpers and the CPU model's take-over of the
// configuration run on what was read.
#include <string>

#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/ky_up.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kyvor;
  static fuzz::TScratchFolder folder;
  static const bool listWritten = [] {
    folder.Write("INCLUDE/KySel.INC", "V1.2 fuzz list\r\nCHIP.INC  FUZZ  CHIP\r\n");
    return true;
  }();
  (void)listWritten;
  fuzz::ResetCoreState();
  folder.Write("INCLUDE/CHIP.INC",
               std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string program = folder.Path().string() + "/";
  ReadChipList(program);
  Chip().ChipIndex = 0;
  const uint8_t loaded = GetSELUP();

  TChipSummary summary;
  ReadChipSummary("CHIP.INC", summary);
  ChipFileHasHaoLine("CHIP.INC");
  uint16_t index = 0;
  FindChipIndexById(Chip().ChipId, index);

  if (loaded) {
    volatile int sink = ProgramMemoryPages() + LastProgramAddress() + DataMemorySize();
    for (const TRegField& f : Chip().RegFields) {
      for (int byte : {0x00, 0x5A, 0xFF}) {
        sink = sink + FieldValue(f, static_cast<uint8_t>(byte));
        sink = sink + WithFieldValue(f, static_cast<uint8_t>(byte), 0xFFFFFFFFu);
      }
    }
    (void)sink;
    TKy_UP& up = fuzz::CpuModelForChip();
    bool stopped = false;
    up.Core().RunUntilBreak(64, ~0u, stopped);
  }
  fuzz::ResetCoreState();
  return 0;
}
