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
#include "project_fixture.h"

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

class AsmFixture : public AsmProjectFixture {
 protected:
  void SetUp() override {
    SetUpProject(4096, 0x1FC);
    options.AssembleOnly = 0;
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

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

  TAsmOptions options;
  std::unique_ptr<TKy_UP> up;
  std::unique_ptr<TKyUpTarget> target;
  std::unique_ptr<TAsmRecordingHost> host;
  std::unique_ptr<TF_ASM> asmForm;
};

}  // namespace kyvor::test
