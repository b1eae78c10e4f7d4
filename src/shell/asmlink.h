#pragma once
// The two sides of a build as the main window provides them: the IDE side
// (wait lamps, message pump, error list, checksum label, source view pages)
// and the CPU model side (instruction list, program memory, symbols,
// information block).
#include "assembler/asm_host.h"

namespace kyvor {

class TKYMAIN;
class TKy_UP;

class TShellAsmHost final : public IAsmHost {
 public:
  explicit TShellAsmHost(TKYMAIN& main) : main_(main) {}
  void lineStep() override;
  void clearErrors() override;
  void addError(const std::string& path, int line, const std::string& text) override;
  void showErrorView() override;
  void showChecksum(const std::string& text) override;
  bool loadSourceFile(const std::string& path) override;
  void setLineInfo(int page, int line, int32_t value, int slot) override;

 private:
  TKYMAIN& main_;
};

class TKyUpAsmTarget final : public IAsmTarget {
 public:
  explicit TKyUpAsmTarget(TKy_UP& up) : up_(up) {}
  const TInstructionTable& instructionTable() const override;
  void clearProgramMemory() override;
  void storeProgramWord(int address, uint16_t word, int line, int fileIndex) override;
  void setCodeChecksum(uint16_t checksum) override;
  void cpuReset() override;
  void clearSymbols() override;
  void addSymbol(const std::string& name, int32_t value, int32_t aux, char kind) override;
  uint16_t* infoBlock() override;
  uint16_t* infoBlockAlt() override;

 private:
  TKy_UP& up_;
};

}  // namespace kyvor
