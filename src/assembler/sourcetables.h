#pragma once
// The source view's tables (TKy_Source without its window): per source page
// two slots per line (code address, macro record number), the address-to-
// macro index and the macro-expansion records. The assembler fills them
// after a build without errors; the source view, step over, run control and
// the SRAM record read them.
#include <cstdint>
#include <memory>
#include <vector>

#include "assembler/asm_host.h"

namespace kyvor {

class TSourceLineTables {
 public:
  static constexpr int kMaxPages = 100;
  static constexpr int kLinesPerPage = 0x20000;
  static constexpr int kMacroRecords = 4096;
  static constexpr int kAddrEntries = 0x20000;

  TSourceLineTables();

  // Pages are numbered 1..PageCount() (page = source file index + 1).
  // Every page answers for lines 1..0x20000: slot 0 of each line of the
  // loaded file starts as -1, slot 1 as 0, and lines beyond the file read 0.
  // Storage grows with the lines actually written.
  bool AddPage(int lineCount);
  void ClearPages();
  int PageCount() const { return static_cast<int>(pages_.size()); }

  bool CreateMacroTable();
  void FreeMacroTable();
  bool HasMacroTable() const { return macros_ != nullptr; }
  void PutMacroRecord(int n, const TMacroExpansionRecord& record);
  // Record n for 1..4096, null otherwise (or without a table).
  const TMacroExpansionRecord* GetMacroRecord(int n) const;

  // `lastProgramAddress` bounds the index (ProgramMemoryPages x 256 - 1).
  void SetLastProgramAddress(int32_t last) { lastAddress_ = last; }
  bool SetAddrMacroIndex(int32_t address, int32_t n);
  int32_t GetAddrMacroIndex(int32_t address) const;
  void ClearAddrMacroIndex();

  // Ignored for a line outside 1..0x20000 or a page beyond the count.
  // Returns true when the value was stored.
  bool SetLineInfo(int page, int line, int32_t value, int slot);
  int32_t GetLineInfo(int page, int line, int slot) const;
  // The mark of a line: "-" when it has no code of its own and no macro.
  bool LineHasNoCode(int page, int line) const;

  // Walks nested records to the first code address; 0xFFFFF when none.
  int32_t FirstCodeAddress(int n) const;

 private:
  struct Page {
    std::vector<int32_t> Slots;  // 2 per line, for the lines stored so far
  };
  std::vector<Page> pages_;
  std::unique_ptr<TMacroExpansionRecord[]> macros_;
  // By address; an address beyond it reads 0 (made at the first write).
  std::vector<int32_t> addrIndex_;
  int32_t lastAddress_ = 4095;
};

}  // namespace kyvor
