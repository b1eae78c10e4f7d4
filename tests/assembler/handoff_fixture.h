#pragma once
// Fixture of the assembler tests that look at the hand-off: a fresh project
// folder per test, a configurable chip (256 words unless a test changes it),
// the CPU model's instruction table and a host and a target of our own that
// record everything the assembler hands over.
// Expected values in these tests are worked out by hand from the documented
// formats and encodings, never taken from a run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "assembler/asm_host.h"
#include "assembler/assembler.h"
#include "assembler/errorlist.h"
#include "assembler/sourcetables.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"
#include "project_fixture.h"

namespace kyvor::test {

// Lines joined with CR LF, each line ending with CR LF.
inline std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// The image checksum step, written out from its definition: the byte goes
// into the low eight bits, then eight left shifts with 0x8005 on a carry.
inline uint16_t Crc16Step(uint8_t byte, uint16_t crc) {
  crc ^= byte;
  for (int i = 0; i < 8; ++i) {
    const bool carry = (crc & 0x8000) != 0;
    crc = static_cast<uint16_t>(crc << 1);
    if (carry) crc ^= 0x8005;
  }
  return crc;
}

inline std::string Hex4(uint32_t v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
  return b;
}

inline std::string Dec4(uint32_t v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04u", v & 0xFFFF);
  return b;
}

inline std::string Bin16Groups(uint16_t w) {
  std::string s;
  for (int bit = 15; bit >= 0; --bit) {
    s += ((w >> bit) & 1) ? '1' : '0';
    if (bit % 4 == 0 && bit != 0) s += '-';
  }
  return s;
}

struct RecordedError {
  std::string Path;
  int Line;
  std::string Text;
};

class HandOffHost : public IAsmHost {
 public:
  void lineStep() override { ++Steps; }
  void clearErrors() override {
    ++Clears;
    List.ClearErrors();
    Raw.clear();
  }
  void addError(const std::string& path, int line, const std::string& text) override {
    Raw.push_back({path, line, text});
    List.AddError(path, line, text);
  }
  void showErrorView() override { ++ErrorViews; }
  void showChecksum(const std::string& text) override {
    Checksum = text;
    ++ChecksumShows;
  }
  void clearAddrMacroIndex() override { ++AddrIndexClears; }
  bool loadSourceFile(const std::string& path) override {
    Loaded.push_back(path);
    return !FailLoad;
  }
  bool createMacroTable() override {
    MacroTableMade = true;
    return !FailMacroTable;
  }
  void setLineInfo(int page, int line, int32_t value, int slot) override {
    LineInfo.push_back({page, line, value, slot});
  }
  bool setAddrMacroIndex(int32_t address, int32_t recNo) override {
    AddrIndex.push_back({address, recNo});
    return true;
  }
  void putMacroRecord(int recNo, const TMacroExpansionRecord& record) override {
    Records.push_back({recNo, record});
  }

  struct Info {
    int Page, Line;
    int32_t Value;
    int Slot;
  };
  int Steps = 0, Clears = 0, ErrorViews = 0, AddrIndexClears = 0, ChecksumShows = 0;
  bool MacroTableMade = false;
  bool FailLoad = false, FailMacroTable = false;  // set by a test before the run
  std::string Checksum;
  TErrorList List;
  std::vector<RecordedError> Raw;
  std::vector<std::string> Loaded;
  std::vector<Info> LineInfo;
  std::vector<std::pair<int32_t, int32_t>> AddrIndex;
  std::vector<std::pair<int, TMacroExpansionRecord>> Records;
};

class HandOffTarget : public IAsmTarget {
 public:
  explicit HandOffTarget(TKy_UP& up) : up_(up) {
    Block.fill(0);
    BlockAlt.fill(0);
  }
  const TInstructionTable& instructionTable() const override { return up_.Instructions(); }
  void clearProgramMemory() override {
    ++MemoryClears;
    Words.clear();
  }
  void storeProgramWord(int address, uint16_t word, int line, int fileIndex) override {
    Words.push_back({address, word, line, fileIndex});
  }
  void setCodeChecksum(uint16_t checksum) override { Checksum = checksum; }
  void setBlockCrc(uint16_t crc) override { BlockCrc = crc; }
  void cpuReset() override { ++Resets; }
  void clearSymbols() override {
    ++SymbolClears;
    Symbols.clear();
  }
  void addSymbol(const std::string& name, int32_t value, int32_t aux, char kind) override {
    Symbols.push_back({name, value, aux, kind});
  }
  TInfoBlock& infoBlock() override { return Info; }
  void setEepromSites(const std::vector<int>& addresses, const std::vector<int>& files,
                      const std::vector<int>& lines, int count) override {
    SiteAddresses = addresses;
    SiteFiles = files;
    SiteLines = lines;
    SiteCount = count;
  }

  struct Stored {
    int Address;
    uint16_t Word;
    int Line, File;
  };
  struct Sym {
    std::string Name;
    int32_t Value, Aux;
    char Kind;
  };
  int MemoryClears = 0, Resets = 0, SymbolClears = 0;
  std::vector<Stored> Words;
  std::vector<Sym> Symbols;
  uint16_t Checksum = 0, BlockCrc = 0;
  TInfoBlock Info;
  decltype(Info.InfoBlock)& Block = Info.InfoBlock;
  decltype(Info.InfoBlockAlt)& BlockAlt = Info.InfoBlockAlt;
  std::vector<int> SiteAddresses, SiteFiles, SiteLines;
  int SiteCount = -1;

 private:
  TKy_UP& up_;
};

class HandOffFixture : public AsmProjectFixture {
 protected:
  void SetUp() override {
    SetUpProject(256, 0x17F);
    Chip().DataMemoryMap[0x7F] = 0x00;  // an unimplemented register
    opt.AssembleOnly = 0;
  }

  std::string P(const std::string& name) const { return dir_.string() + "/" + name; }

  uint8_t Run(const std::string& mainName = "main.asm") {
    StoreMainFileName(P(mainName));
    up = std::make_unique<TKy_UP>();
    if (!programFolder.empty()) {
      up->SetProgramFolder(programFolder);
      up->LoadInstructionTableFull();
    }
    if (Chip().CoreVariant == 1) up->LoadInstructionTableReduced();
    up->ApplyChipConfig();
    host = std::make_unique<HandOffHost>();
    host->FailLoad = failLoad;
    host->FailMacroTable = failMacroTable;
    target = std::make_unique<HandOffTarget>(*up);
    target->Block.fill(blockFill);
    target->BlockAlt.fill(blockFill);
    asmForm = std::make_unique<TF_ASM>(*host, *target, opt);
    return asmForm->Assemble();
  }
  uint8_t RunSource(const std::string& text) {
    Write("main.asm", text);
    return Run("main.asm");
  }

  uint16_t W(int address) const { return asmForm->ImageCell(address).Word; }
  int Errors() const { return asmForm->ErrorCount(); }
  std::string AllErrors() const {
    std::string s;
    for (const auto& t : asmForm->ErrorTexts()) s += t + "\n";
    return s;
  }
  // "Error(code:%d)   %s %d: %s" for a line of the main file.
  std::string E(int code, int line, const std::string& text,
                const std::string& file = "main.asm") const {
    return "Error(code:" + std::to_string(code) + ")   " + P(file) + " " + std::to_string(line) +
           ": " + text;
  }
  bool HasError(const std::string& text) const {
    for (const auto& t : asmForm->ErrorTexts())
      if (t == text) return true;
    return false;
  }
  bool HasCode(int code) const {
    const std::string pre = "Error(code:" + std::to_string(code) + ")";
    for (const auto& t : asmForm->ErrorTexts())
      if (t.rfind(pre, 0) == 0) return true;
    return false;
  }
  const TAsmSymbol* PassSym(const std::string& name) const {
    return asmForm->PassSymbols().FindSymbol(name);
  }
  const TAsmSymbol* FinalSym(const std::string& name) const {
    return asmForm->FinalSymbols().FindSymbol(name);
  }

  TAsmOptions opt;
  uint16_t blockFill = 0;  // what the information blocks hold before a run
  bool failLoad = false, failMacroTable = false;
  std::string programFolder;  // with its trailing separator: where "Inst.txt" is read
  std::unique_ptr<TKy_UP> up;
  std::unique_ptr<HandOffHost> host;
  std::unique_ptr<HandOffTarget> target;
  std::unique_ptr<TF_ASM> asmForm;
};

}  // namespace kyvor::test
