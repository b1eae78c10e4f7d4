#pragma once
// The two sides of a build as the main window provides them: the IDE side
// (wait lamps, message pump, error list, checksum label, source view pages)
// and the CPU model side, which is the assembler's own adapter over the CPU
// model (TKyUpTarget) with the EEPROM access sites held back for debug entry.
#include <vector>

#include "assembler/asm_host.h"
#include "assembler/kyup_target.h"
#include "base/clock.h"

namespace kyvor {

class TKYMAIN;
class TKy_UP;

class TShellAsmHost final : public IAsmHost {
 public:
  // The assembler calls lineStep once per source line; the wait lamps are
  // updated and the message loop runs at most once per this many
  // milliseconds of the clock, so a large build is not slowed by pumping.
  static constexpr long long kPumpIntervalMs = 20;

  explicit TShellAsmHost(TKYMAIN& main);
  void lineStep() override;
  void clearErrors() override;
  void addError(const std::string& path, int line, const std::string& text) override;
  void showErrorView() override;
  void showChecksum(const std::string& text) override;
  void clearAddrMacroIndex() override;
  bool loadSourceFile(const std::string& path) override;
  bool createMacroTable() override;
  void setLineInfo(int page, int line, int32_t value, int slot) override;
  bool setAddrMacroIndex(int32_t address, int32_t recNo) override;
  void putMacroRecord(int recNo, const TMacroExpansionRecord& record) override;

  // How often lineStep let the message loop run.
  int Pumps() const { return pumps_; }

 private:
  TKYMAIN& main_;
  IClock::time_point lastPump_;
  int pumps_ = 0;
};

// The built-in EEPROM access sites of the last build (address, file index,
// line), as the assembler found them.
struct TEepromSites {
  std::vector<int> Addresses;
  std::vector<int> Files;
  std::vector<int> Lines;
  int Count = 0;
};

// The CPU model side of a build. Everything goes to the assembler's adapter
// TKyUpTarget, except the EEPROM access sites: they are kept in `sites`,
// because debug entry first clears the breakpoint table and only then adds
// them as breakpoint records (and only for a pod chip that emulates the
// EEPROM); see ApplyEepromSites.
class TShellAsmTarget final : public IAsmTarget {
 public:
  TShellAsmTarget(TKy_UP& up, TEepromSites& sites) : target_(up), sites_(sites) {}

  const TInstructionTable& instructionTable() const override { return target_.instructionTable(); }
  void clearProgramMemory() override { target_.clearProgramMemory(); }
  void storeProgramWord(int address, uint16_t word, int line, int fileIndex) override {
    target_.storeProgramWord(address, word, line, fileIndex);
  }
  void setCodeChecksum(uint16_t checksum) override { target_.setCodeChecksum(checksum); }
  void setBlockCrc(uint16_t crc) override { target_.setBlockCrc(crc); }
  void cpuReset() override { target_.cpuReset(); }
  void clearSymbols() override { target_.clearSymbols(); }
  void addSymbol(const std::string& name, int32_t value, int32_t aux, char kind) override {
    target_.addSymbol(name, value, aux, kind);
  }
  TInfoBlock& infoBlock() override { return target_.infoBlock(); }
  void setEepromSites(const std::vector<int>& addresses, const std::vector<int>& files,
                      const std::vector<int>& lines, int count) override;

  // CodeChecksum and BlockCrc of the build.
  const TKyUpTarget& Target() const { return target_; }

 private:
  TKyUpTarget target_;
  TEepromSites& sites_;
};

// Debug entry, after the breakpoint table was cleared: the CPU model takes
// the EEPROM site count; when the chip has built-in EEPROM emulation and the
// pod's chip is the EEPROM chip (kEepromPodChipId), each site becomes a Kind 0
// breakpoint record (slots 1..count) and 8 is written to the EEPROM status
// register. Returns true when the records were added.
bool ApplyEepromSites(TKy_UP& up, const TEepromSites& sites);

// The warning shown at debug entry when a build found more than 10 sites.
inline constexpr const char* kEepromSitesWarning =
    "Build In EEPROM's Breakpoint over than 10 stack!!! May lead to incorrect Simulation.";

}  // namespace kyvor
