#include "shell/asmlink.h"

#include <QCoreApplication>

#include "engine/ky_up.h"
#include "shell/kyerr.h"
#include "shell/kymain.h"
#include "shell/kyviews.h"

namespace kyvor {

void TShellAsmHost::lineStep() {
  main_.Timer3Timer();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TShellAsmHost::clearErrors() {
  if (main_.Forms().err) main_.Forms().err->ClearErrors();
}

void TShellAsmHost::addError(const std::string& path, int line, const std::string& text) {
  if (main_.Forms().err) main_.Forms().err->AddError(path, line, text);
}

void TShellAsmHost::showErrorView() {
  if (main_.Forms().err) main_.ShowView(main_.Forms().err, ViewErr, 1);
}

void TShellAsmHost::showChecksum(const std::string& text) { main_.SetCheckSumText(text); }

bool TShellAsmHost::loadSourceFile(const std::string& path) {
  if (!main_.Forms().source) return true;
  return main_.Forms().source->LoadSourceFile(path);
}

void TShellAsmHost::setLineInfo(int page, int line, int32_t value, int slot) {
  if (main_.Forms().source && slot == 0) main_.Forms().source->SetLineAddress(page, line, value);
}

const TInstructionTable& TKyUpAsmTarget::instructionTable() const { return up_.Instructions(); }

void TKyUpAsmTarget::clearProgramMemory() { up_.ClearProgramMemory(); }

void TKyUpAsmTarget::storeProgramWord(int address, uint16_t word, int line, int fileIndex) {
  up_.StoreProgramWord(static_cast<uint16_t>(address), word, static_cast<uint16_t>(line),
                       static_cast<uint8_t>(fileIndex));
}

void TKyUpAsmTarget::setCodeChecksum(uint16_t checksum) { Shell().CodeChecksum = checksum; }

void TKyUpAsmTarget::cpuReset() { up_.CpuReset(); }

void TKyUpAsmTarget::clearSymbols() { up_.ClearSymbols(); }

void TKyUpAsmTarget::addSymbol(const std::string& name, int32_t value, int32_t aux, char kind) {
  up_.AddSymbol(name, value, aux, kind);
}

uint16_t* TKyUpAsmTarget::infoBlock() { return up_.InfoBlock.data(); }
uint16_t* TKyUpAsmTarget::infoBlockAlt() { return up_.InfoBlockAlt.data(); }

}  // namespace kyvor
