#include "support/chip_folder.h"

#include "support/temp_folder.h"

namespace kyvor::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() : root_(MakeTempFolder("kyvor-chip")) {
  fs::create_directories(root_ / "INCLUDE");
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void ScratchFolder::writeInclude(const std::string& name,
                                 const std::vector<std::string>& lines) const {
  std::string bytes;
  for (const auto& l : lines) bytes += l + "\r\n";
  writeIncludeBytes(name, bytes);
}

void ScratchFolder::writeIncludeBytes(const std::string& name, const std::string& bytes) const {
  std::ofstream out(root_ / "INCLUDE" / name, std::ios::binary);
  out << bytes;
}

void ResetChipState() {
  ResetChipConfig();
  ResetRegisterLists();
  SetChipLoadListener(nullptr);
}

std::string ShippedProgramFolder() { return std::string(KYVOR_DATA_DIR) + "/"; }

bool SelectListedChip(const std::string& name) {
  const auto& items = Chip().ChipListItems;
  int index = -1;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].find(name) != std::string::npos) index = int(i);
  if (index < 0) return false;
  Chip().ChipIndex = index;
  return GetSELUP() == 1;
}

}  // namespace kyvor::test

namespace kyvor::test {

uint8_t LoadChipLines(const ScratchFolder& folder, const std::vector<std::string>& chipLines) {
  folder.writeInclude("KySel.INC", {"V1.0 test list", "CHIP.INC  TEST  CHIP"});
  folder.writeInclude("CHIP.INC", chipLines);
  ReadChipList(folder.program());
  Chip().ChipIndex = 0;
  return GetSELUP();
}

}  // namespace kyvor::test
