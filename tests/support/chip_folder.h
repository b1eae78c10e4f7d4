#pragma once
// Chip-file fixtures shared by the tests: a scratch program folder with an
// INCLUDE folder, the shipped data folder, a recording loader listener.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/containers.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"

namespace kyvor::test {

// A temporary program folder; removed again when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string program() const { return root_.string() + "/"; }
  std::string include() const { return (root_ / "INCLUDE").string() + "/"; }
  // Writes a file in INCLUDE/ (lines joined with CR LF, bytes as given).
  void writeInclude(const std::string& name, const std::vector<std::string>& lines) const;
  void writeIncludeBytes(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path root_;
};

// Resets the chip configuration and register lists for a test.
void ResetChipState();

// The shipped data folder.
std::string ShippedProgramFolder();

// Selects the chip of the chip list read last whose list entry names `name`
// and loads it; false when no entry names it or it does not load.
bool SelectListedChip(const std::string& name);

}  // namespace kyvor::test

namespace kyvor::test {

// A loader listener that answers the queries from its members and records
// every effect it is asked for.
class RecordingListener : public TChipLoadListener {
 public:
  int language = 0;
  uint16_t podChip = 0;
  bool writerAnswers = false;
  std::vector<std::string> calls;
  std::vector<int> stackDepths;
  std::vector<bool> variantCommands;

  int languageIndex() const override { return language; }
  uint16_t podChipId() const override { return podChip; }
  bool writerIdentityEnabled() override { calls.push_back("writerIdentity"); return writerAnswers; }
  void chipLoadStarted() override { calls.push_back("started"); }
  void chipVariantCommand(bool kind3) override { variantCommands.push_back(kind3); }
  void productChanged() override { calls.push_back("product"); }
  void stackDepthChanged(int depth) override { stackDepths.push_back(depth); }
  void adcViewDropped() override { calls.push_back("adcViewDropped"); }
  void writerCalibration() override { calls.push_back("writerCalibration"); }
  void chipLoaded(uint8_t result) override { calls.push_back("loaded" + std::to_string(result)); }

  bool called(const std::string& name) const {
    for (const auto& c : calls) {
      if (c == name) return true;
    }
    return false;
  }
};

// Writes a one-chip list naming "CHIP.INC" and that chip file, reads the
// list and loads chip 0. Returns GetSELUP's result.
uint8_t LoadChipLines(const ScratchFolder& folder, const std::vector<std::string>& chipLines);

}  // namespace kyvor::test
