#pragma once
// Fixture of the assembler tests that run against the CPU model: a temporary
// project folder, a KY08A16-like chip (K08A core, 4K words unless a test
// changes it), the CPU model as target and a recording host. The suites of a
// feature file named "...Model" use it; the others use HandOffFixture
// (handoff_fixture.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "assembler/asm_testhost.h"
#include "assembler/assembler.h"
#include "assembler/kyup_target.h"
#include "base/modes.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "engine/ky_up.h"

namespace kyvor::test {

// Lines joined with CR LF (each line ends with CR LF).
inline std::string Crlf(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

class AsmFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetChipConfig();
    ResetOutputFileState();
    ResetModes();
    TChipConfig& c = Chip();
    c.ChipId = 0x0A16;
    c.CoreVariant = 0;
    c.ChipRomWords = 4096;
    c.DeviceKind3 = 0;
    c.DeviceNotKind3 = 1;
    c.DataMemoryMap.fill(0);
    for (int a = 0x00; a <= 0x7F; ++a) c.DataMemoryMap[a] = 0xFF;   // special registers
    c.DataMemoryMap[0x52] = 0x3F;                                     // PORTC: bits 0-5
    for (int a = 0x80; a <= 0xFF; ++a) c.DataMemoryMap[a] = 0xFF;   // RAM bank 0
    for (int a = 0x100; a <= 0x1FC; ++a) c.DataMemoryMap[a] = 0xFF; // RAM bank 1
    static int counter = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("kyasm_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    options.AssembleOnly = 0;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetChipConfig();
    ResetOutputFileState();
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories((dir_ / name).parent_path());
    std::ofstream f(dir_ / name, std::ios::binary);
    f << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

  // Assembles `mainName` with `options`; the CPU model is made for the chip
  // as it is configured now.
  uint8_t Assemble(const std::string& mainName) {
    StoreMainFileName(Path(mainName));
    if (!up) {
      up = std::make_unique<TKy_UP>();
      if (Chip().CoreVariant == 1) up->LoadInstructionTableReduced();
    }
    up->ApplyChipConfig();
    target = std::make_unique<TKyUpTarget>(*up);
    host = std::make_unique<TAsmRecordingHost>();
    asmForm = std::make_unique<TF_ASM>(*host, *target, options);
    return asmForm->Assemble();
  }

  uint16_t Word(int address) const { return asmForm->ImageCell(address).Word; }
  std::string FirstError() const { return host->Errors.Count() ? host->Errors.Text(0) : ""; }
  // "Error(code:%d)   %s %d: %s" for a line of `file`.
  std::string Err(int code, int line, const std::string& rest,
                  const std::string& file = "m.asm") const {
    return "Error(code:" + std::to_string(code) + ")   " + Path(file) + " " + std::to_string(line) +
           ": " + rest;
  }
  // The value of a name in the pass table, -1 when it is not there.
  int32_t Label(const std::string& name) const {
    const TAsmSymbol* s = asmForm->PassSymbols().FindSymbol(name);
    return s ? s->Value : -1;
  }
  // Texts of the main list's lines, in order.
  std::vector<std::string> Works() const {
    std::vector<std::string> v;
    for (auto* n = asmForm->MainLines().First(); n; n = n->Next) v.emplace_back(n->Line.WorkText);
    return v;
  }

  std::filesystem::path dir_;
  TAsmOptions options;
  std::unique_ptr<TKy_UP> up;
  std::unique_ptr<TKyUpTarget> target;
  std::unique_ptr<TAsmRecordingHost> host;
  std::unique_ptr<TF_ASM> asmForm;
};

}  // namespace kyvor::test
