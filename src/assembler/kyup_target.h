#pragma once
// The CPU model as the assembler's target: its instruction table is the one
// the assembler reads, and it receives the program words with their line
// links, the symbols, the information block and the EEPROM access sites.
#include "assembler/asm_host.h"
#include "engine/ky_up.h"

namespace kyvor {

class TKyUpTarget final : public IAsmTarget {
 public:
  explicit TKyUpTarget(TKy_UP& up) : up_(up) {}

  const TInstructionTable& instructionTable() const override { return up_.Instructions(); }
  void clearProgramMemory() override { up_.ClearProgramMemory(); }
  void storeProgramWord(int address, uint16_t word, int line, int fileIndex) override {
    up_.StoreProgramWord(static_cast<uint16_t>(address), word, static_cast<uint16_t>(line),
                         static_cast<uint8_t>(fileIndex));
  }
  void setCodeChecksum(uint16_t checksum) override { codeChecksum_ = checksum; }
  void setBlockCrc(uint16_t crc) override { blockCrc_ = crc; }
  void cpuReset() override { up_.CpuReset(); }
  void clearSymbols() override { up_.ClearSymbols(); }
  void addSymbol(const std::string& name, int32_t value, int32_t aux, char kind) override {
    up_.AddSymbol(name, value, aux, kind);
  }
  TInfoBlock& infoBlock() override { return up_.Info; }
  void setEepromSites(const std::vector<int>& addresses, const std::vector<int>& files,
                      const std::vector<int>& lines, int count) override;

  // CodeChecksum and BlockCrc of the last build.
  uint16_t CodeChecksum() const { return codeChecksum_; }
  uint16_t BlockCrc() const { return blockCrc_; }

 private:
  TKy_UP& up_;
  uint16_t codeChecksum_ = 0;
  uint16_t blockCrc_ = 0;
};

}  // namespace kyvor
