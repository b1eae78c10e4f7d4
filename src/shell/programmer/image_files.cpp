// The main window's image-file commands: Save Hex writes the model's program
// and information block as a binary image, Load Hex debugs an image without
// its source (a page of disassembly in the source view; in emulator mode the
// pod road first), Read From Writer Memory shows the image the programmer
// holds in the listing's dump grid.
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/dialogs.h"
#include "base/lang.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/imagefile.h"
#include "engine/infoblock.h"
#include "engine/instruction_table.h"
#include "engine/ky_up.h"
#include "shell/source/listing.h"
#include "shell/mainwin/main_window.h"
#include "shell/programmer/programmer_commands.h"
#include "shell/source/source_view.h"

namespace kyvor {

namespace {

const char kImageFilter[] = "*.hex|*.hex|*.*|*.*";
const char kLoadHexFilter[] = "*.asm|*.asm|*.inc|*.inc|*.hex|*.hex|*.*|*.*";
// Load Hex's information-block templates (by core variant).
const char kTemplateK08A[] = "InformationA.ifo";
const char kTemplateK08B[] = "InformationB.ifo";
// The jump of Load Hex's SBM loader words (K08A code, as the loader is).
uint16_t LoadHexPlainJump() { return BuiltInInstructions(kCoreK08A).Encode("JMP", 0); }
// The pod word address of the information block Load Hex downloads.
constexpr uint32_t kLoadHexInfoAddress = 0x8000;
constexpr int kLoadHexBlockWords = 128;
// The save dialog's default extension: ".hex" for a name without one.
std::string WithHexExtension(const std::string& name) { return WithDefaultExtension(name, ".hex"); }

std::string HexText(int v, int digits) {
  char b[16];
  std::snprintf(b, sizeof b, "%0*X", digits, unsigned(v));
  return b;
}

// A disassembly line of Load Hex: the mnemonic, then the operands as hex
// numbers ("MVF    0080h, 01h").
std::string DisassemblyLine(const TKy_UP& up, uint16_t word) {
  std::string mnemonic;
  uint8_t noRegister = 0;
  int count = 0, op1 = 0, op2 = 0, op3 = 0;
  up.DisassembleOpcode(word, mnemonic, noRegister, count, op1, op2, op3);
  if (count < 1 || count > 3) return mnemonic;
  std::string s = mnemonic + "    " + HexText(op1 & 0xFFFF, 4) + "h";
  if (count >= 2) s += ", " + HexText(op2 & 0xFF, 2) + "h";
  if (count >= 3) s += ", " + HexText(op3 & 0xFF, 2) + "h";
  return s;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  return std::vector<uint8_t>(b.begin(), b.end());
}

}  // namespace

std::vector<uint8_t> ReadTemplateFile(const std::string& name) {
  return FileBytes(Shell().ProgramFolder + name);
}

void TKYMAIN::SaveHexFileClick() {
  if (!forms_.up) return;
  const auto name = Dialogs().saveFileName("Save Hex", Shell().FileDialogFolder, kImageFilter);
  if (!name) return;
  const std::string path = WithHexExtension(*name);
  if (!WriteImageFile(*forms_.up, path))
    Dialogs().messageBox("Can not write " + path, "Error", MsgIcon::Error, MbCancel);
}

void TKYMAIN::SMenu_ReadWriterClick() { programmer_->ReadWriterMemory(); }

void TKYMAIN::LoadHexClick() {
  if (!forms_.up || inBuild_ || ProgrammerBusy()) return;
  GetSELUP();
  forms_.up->ApplyChipConfig();
  const auto path =
      Dialogs().openFileName("Load Hex File", Shell().FileDialogFolder, kLoadHexFilter);
  if (!path) return;
  inBuild_ = true;
  const bool entered = loadHex(*path);
  closingSteps(entered);
  inBuild_ = false;
}

bool TKYMAIN::loadHex(const std::string& path) {
  TKy_UP& up = *forms_.up;
  const TChipConfig& c = Chip();
  if (Modes().SimulatorMode == 0 && !connectPodForBuild()) return false;
  setBusy(35);
  if (c.CoreVariant == 1) {
    up.LoadInstructionTableReduced();
  } else {
    up.LoadInstructionTableFull();
  }
  SetStatusText(1, LangTextUtf8(lt::PleaseWait));
  // The information block from its templates, as the build makes it.
  TInfoBlockBuilder builder(up.Info, c, Options());
  const std::span<uint16_t> block(up.Info.InfoBlock);
  TInfoBlockBuilder::PutTemplate(
      block, ReadTemplateFile(c.CoreVariant == 1 ? kTemplateK08B : kTemplateK08A), c.SbmBankSize, 0,
      infoword::TemplateEnd - 1);
  const int e = TInfoBlockBuilder::PutTemplate(block, ReadTemplateFile(kSbmTemplateName),
                                               uint64_t(c.SbmSector) * 128, infoword::TemplateEnd,
                                               infoword::SbmTemplateLast);
  builder.PutSbmLoaderWords(e, LoadHexPlainJump());
  builder.PatchStartupWords();
  // The image: its program words with a page of their disassembly, then the
  // words of its information block (an odd last byte is left alone).
  const std::vector<uint8_t> file = FileBytes(path);
  const size_t words = std::min(file.size() / 2, size_t(ProgramMemoryPages()) * 256);
  TKy_Source* src = forms_.source();
  int page = 0;
  if (src) {
    src->ClearSourcePages();
    page = src->AddSourcePage(path);
  }
  for (size_t a = 0; a < words; ++a) {
    const uint16_t w = uint16_t(file[2 * a] << 8 | file[2 * a + 1]);
    up.SetListingWordOf(uint32_t(a), w);
    if (page > 0) src->AppendDisassemblyLine(page, int(a), DisassemblyLine(up, w));
  }
  for (size_t k = 0; k < size_t(kLoadHexBlockWords) && 2 * (words + k) + 1 < file.size(); ++k)
    block[k] = uint16_t(file[2 * (words + k)] << 8 | file[2 * (words + k) + 1]);
  if (Modes().SimulatorMode == 0 && !podRoad(kLoadHexInfoAddress, false)) return false;
  eepromSites_ = TEepromSites{};
  totalCodeLines_ = int(words);
  debugEntry();
  return Modes().DebugMode == 1;
}

}  // namespace kyvor
