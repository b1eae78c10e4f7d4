#pragma once
// The seams of the assembler: what it needs from the IDE around it (wait
// lamps and message pump, error list, checksum label, source view tables)
// and from the CPU model (instruction list, program memory, symbols,
// information block). The GUI implements IAsmHost; the engine side is
// reached through IAsmTarget, which TKyUpTarget (assembler/kyup_target.h)
// implements over the CPU model. TAsmRecordingHost (assembler/asm_testhost.h)
// records everything, for tests and for tools without a window.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/infoblock.h"
#include "engine/instruction_table.h"

namespace kyvor {

// One macro-expansion record of the source view (built from a macro-call
// line of the assembler).
struct TMacroExpansionRecord {
  uint8_t Nested = 0;       // 0: the call's own line carries the code
  uint8_t FromMacro = 0;
  int32_t CodeAddress = 0;  // line address when Nested = 0, else 0xFFFFF
  uint8_t ChildFile = 0;
  uint8_t ParentFile = 0;
  uint16_t ChildLine = 0;
  uint16_t ParentLine = 0;
  uint16_t ParentRecNo = 0;
  uint16_t ChildRecNo = 0;
  int32_t MacroStartAddr = 0;
  int32_t MacroEndAddr = 0;
};

// The IDE side of one build.
class IAsmHost {
 public:
  virtual ~IAsmHost() = default;
  // Called once per source line and per file: lights the wait lamps (one per
  // second since the build started, at most 20) and lets the message loop run.
  // It is called very often, so a host should do its work only every few
  // milliseconds.
  virtual void lineStep() {}
  // Error list (TKy_ERR.ClearErrors / TKy_ERR.AddError).
  virtual void clearErrors() {}
  virtual void addError(const std::string& path, int line, const std::string& text) {
    (void)path; (void)line; (void)text;
  }
  // Shows the error view (first error of a run).
  virtual void showErrorView() {}
  // The main window's checksum label: "Checksum = 0x" + four hex digits, or
  // an empty text after a run with errors (it has no image to show).
  virtual void showChecksum(const std::string& text) { (void)text; }
  // Source view hand-off (TKy_Source): see TSourceLineTables.
  virtual void clearAddrMacroIndex() {}
  virtual bool loadSourceFile(const std::string& path) { (void)path; return true; }
  virtual bool createMacroTable() { return true; }
  virtual void setLineInfo(int page, int line, int32_t value, int slot) {
    (void)page; (void)line; (void)value; (void)slot;
  }
  virtual bool setAddrMacroIndex(int32_t address, int32_t recNo) {
    (void)address; (void)recNo; return true;
  }
  virtual void putMacroRecord(int recNo, const TMacroExpansionRecord& record) {
    (void)recNo; (void)record;
  }
};

// The CPU model side of one build (TKy_UP).
class IAsmTarget {
 public:
  virtual ~IAsmTarget() = default;
  // The CPU model's instruction list of the selected core (the one shared
  // object; the assembler reads it, never copies it).
  virtual const TInstructionTable& instructionTable() const = 0;
  virtual void clearProgramMemory() = 0;
  virtual void storeProgramWord(int address, uint16_t word, int line, int fileIndex) = 0;
  virtual void setCodeChecksum(uint16_t checksum) = 0;
  virtual void setBlockCrc(uint16_t crc) { (void)crc; }
  virtual void cpuReset() = 0;
  virtual void clearSymbols() = 0;
  virtual void addSymbol(const std::string& name, int32_t value, int32_t aux, char kind) = 0;
  // The option/information block the assembler adds its words to.
  virtual TInfoBlock& infoBlock() = 0;
  // EEPROM access sites found by the strict checks (at most 11).
  virtual void setEepromSites(const std::vector<int>& addresses, const std::vector<int>& files,
                              const std::vector<int>& lines, int count) {
    (void)addresses; (void)files; (void)lines; (void)count;
  }
};

}  // namespace kyvor
