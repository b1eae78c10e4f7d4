#include "engine/infoblock.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "base/options.h"
#include "chip/chipconfig.h"
#include "engine/instruction_table.h"

namespace kyvor {

namespace {

// The block's code words, built by the instruction rows. The SBM loader and
// the start-up words are K08A code (their instructions have the same bits
// under K08B).
uint16_t Code(const char* mnemonic, int op1 = 0, int op2 = 0, int op3 = 0) {
  return BuiltInInstructions(kCoreK08A).Encode(mnemonic, op1, op2, op3);
}

// The jump to the core's code at `target`: K08A's RJ, K08B's JMP.
uint16_t CoreJump(int variant, int target) {
  return variant == kCoreK08B ? BuiltInInstructions(kCoreK08B).Encode("JMP", target)
                              : Code("RJ", target);
}

// Two words that set (or clear) the bits of `mask` in register `address`:
// the mask (or its complement) into W, then IORF (or ANDF) back into the
// register.
std::array<uint16_t, 2> BitWords(int address, uint8_t mask, bool set) {
  return {Code("MVL", set ? mask : uint8_t(~mask)),
          Code(set ? "IORF" : "ANDF", address & 0xFF, 1, 0)};
}

// The device words: register `address` into W, ANDed with `keep`, and back.
std::array<uint16_t, 3> DeviceWords(int address, uint8_t keep) {
  return {Code("MVF", address, 0, 0), Code("ANDL", keep), Code("MVF", address, 1, 0)};
}

template <size_t N, typename Words>
void PutWords(Words& dst, int at, const std::array<uint16_t, N>& words) {
  for (size_t k = 0; k < N; ++k) dst[size_t(at) + k] = words[k];
}

}  // namespace

// The step of the checksum: the byte into the low half, then eight shifts
// left, each feeding 8005H back when a one leaves the top. Only the bits of
// the high half can leave within eight shifts, so the step is the low half
// moved up, and the feedback of the high half, taken from a table.
constexpr std::array<uint16_t, 256> kCrcFeedback = [] {
  std::array<uint16_t, 256> t{};
  for (unsigned h = 0; h < 256; ++h) {
    uint16_t crc = static_cast<uint16_t>(h << 8);
    for (int i = 0; i < 8; ++i)
      crc = static_cast<uint16_t>((crc << 1) ^ ((crc & 0x8000) ? 0x8005 : 0));
    t[h] = crc;
  }
  return t;
}();

uint16_t ImageCrc16Update(uint8_t byte, uint16_t crc) {
  return static_cast<uint16_t>(((crc ^ byte) << 8) ^ kCrcFeedback[crc >> 8]);
}

uint16_t ImageCrc16Word(uint16_t word, uint16_t crc) {
  crc = ImageCrc16Update(static_cast<uint8_t>(word >> 8), crc);
  return ImageCrc16Update(static_cast<uint8_t>(word & 0xFF), crc);
}

std::span<uint16_t> TInfoBlock::Layout(const TChipConfig& chip) {
  if (chip.DeviceKind3 == 1) return InfoBlock;
  return InfoBlockAlt;
}

std::span<const uint16_t> TInfoBlock::Layout(const TChipConfig& chip) const {
  if (chip.DeviceKind3 == 1) return InfoBlock;
  return InfoBlockAlt;
}

const char* MainTemplateName(const TChipConfig& chip) {
  return chip.DeviceKind3 == 1 ? "InformationI.ifo" : "Information_R71.ifo";
}

// ---------------------------------------------------------------------------
// Before the assembler runs

int TInfoBlockBuilder::PutTemplate(std::span<uint16_t> dst, const std::vector<uint8_t>& file,
                                   uint64_t skipWords, int first, int last) {
  int n = first;
  const uint64_t size = file.size();
  if (skipWords >= size / 2) return n;
  last = std::min<int>(last, static_cast<int>(dst.size()) - 1);
  for (uint64_t pos = skipWords * 2; n <= last && pos + 1 < size; ++n, pos += 2)
    dst[n] = static_cast<uint16_t>((file[pos] << 8) | file[pos + 1]);
  return n;
}

void TInfoBlockBuilder::PutSbmLoaderWords(int n, uint16_t plainJump) {
  auto& b = block_.InfoBlock;
  const int size = static_cast<int>(b.size());
  for (int k = 0; k < 5; ++k) {
    uint8_t value = chip_.SbmRom[k];
    if (k == 0 && options_.STKOVSTOP) value |= 0x20;
    if (n + 2 * k + 1 < size) {
      b[n + 2 * k] = Code("MVL", value);
      b[n + 2 * k + 1] = Code("MVF", k, 1, 0);
    }
  }
  if (n + 11 >= size) return;
  const uint16_t start = static_cast<uint16_t>(chip_.SbmStart & 0xFF);
  if ((chip_.SbmRom[0] & 0x80) == 0) {
    b[n + 10] = plainJump;
    b[n + 11] = Code("NOPF", start);
  } else {
    b[n + 10] = Code("RJ", start);
    b[n + 11] = 0;
  }
}

void TInfoBlockBuilder::PatchStartupWords() {
  if (!chip_.StackOverPresent) {
    block_.InfoBlock[infoword::StackOverOption] = 0;
    block_.InfoBlock[infoword::StackOverOption + 1] = 0;
    return;
  }
  auto& alt = block_.InfoBlockAlt;
  const uint16_t b = static_cast<uint16_t>(1u << (chip_.StackOverBit & 7));
  const bool rst = options_.STKOVRST != 0;
  const int w = infoaltword::StartupWords;
  alt[w] = Code("BSF", 0x33, 0, 0);
  PutWords(alt, w + 1, BitWords(chip_.StackOverRegister, uint8_t(b), rst));
}

void TInfoBlockBuilder::PutCalibration(const std::array<uint8_t, 52>& bytes) {
  auto& b = block_.InfoBlock;
  b[infoword::ChipSubId] = chip_.ChipSubId;
  for (int k = 0; k < 26; ++k)
    b[infoword::Calibration + k] = static_cast<uint16_t>((bytes[2 * k] << 8) | bytes[2 * k + 1]);
}

void TInfoBlockBuilder::PutDownloadRecord(const TDownloadRecord& record) {
  namespace r = recordword;
  auto& b = block_.InfoBlock;
  std::fill(b.begin() + r::Path, b.begin() + r::Path + r::PathWords, 0);
  const size_t chars = std::min<size_t>(record.Path.size(), 2 * r::PathWords);
  for (size_t i = 0; i < chars; ++i) {
    const uint16_t c = static_cast<uint8_t>(record.Path[i]);
    b[r::Path + i / 2] |= static_cast<uint16_t>(i % 2 ? c : c << 8);
  }
  b[r::Start] = 0;
  b[r::ProgramWords] = record.ProgramWords;
  b[r::ChipId] = record.ChipId;
  const uint16_t sbm = record.SbmAddress;
  if (record.ShortLayout) {
    b[r::Protect] = b[infoword::Protect];
    b[r::SbmStart] = static_cast<uint16_t>(2 * sbm - 0x8000);
    b[r::SbmEnd] = static_cast<uint16_t>(0x7FFF - 256 * sbm);
    b[r::CodeChecksum] = b[infoword::CodeChecksum];
  } else {
    b[r::Protect] = 2048;
    b[r::SbmStart] = 5120;
    b[r::SbmEnd] = 1536;
    b[r::CodeChecksum] = record.CodeChecksum;
  }
  b[r::BlockCrc] = record.BlockCrc;
}

void TInfoBlockBuilder::BuildBeforeAssembly(const TInfoTemplates& templates) {
  if (chip_.DeviceKind3 == 1) {
    PutTemplate(block_.InfoBlock, templates.Main, chip_.SbmBankSize, 0, infoword::TemplateEnd - 1);
    const int n = PutTemplate(block_.InfoBlock, templates.Sbm, uint64_t(chip_.SbmSector) * 128,
                              infoword::TemplateEnd, infoword::SbmTemplateLast);
    PutSbmLoaderWords(n, Code("JMP", 5));
  } else {
    PutTemplate(block_.InfoBlockAlt, templates.Main, chip_.SbmBankSize / 2, 0,
                infoaltword::TemplateEnd - 1);
  }
  PatchStartupWords();
  PutCalibration({});
  if (chip_.DeviceKind3 != 0) {
    PutWords(block_.InfoBlock, infoword::StackOverOption,
             BitWords(0x43, 0x80, options_.STKOVRST != 0));
  }
}

// ---------------------------------------------------------------------------
// After the assembler

uint16_t TInfoBlockBuilder::PutBuildWords(const TInfoBuildWords& build) {
  if (chip_.DeviceKind3 == 1) {
    PutShortBuildWords(build);
    return 0;
  }
  return PutLongBuildWords(build);
}

// The two ACM voltage words of an enabled ACM group: chips 0x21 and 0x62
// set the bit for 1.0 V, the others clear it.
std::array<uint16_t, 2> TInfoBlockBuilder::AcmWords() const {
  const bool chip21or62 = chip_.ChipId == 0x21 || chip_.ChipId == 0x62;
  const bool acm10 = options_.RACM10 != 0;
  if (chip21or62) return BitWords(0x2E, 0x80, acm10);
  return BitWords(0x38, 0x80, !acm10);
}

void TInfoBlockBuilder::PutShortBuildWords(const TInfoBuildWords& build) {
  auto& b = block_.InfoBlock;
  const bool chip21or62 = chip_.ChipId == 0x21 || chip_.ChipId == 0x62;
  if (!build.AcmGroupEnabled) {
    b[infoword::Acm] = 0;
    b[infoword::Acm + 1] = 0;
  } else if (chip_.DeviceNotKind3 == 0) {
    const auto acm = AcmWords();
    b[infoword::Acm] = acm[0];
    b[infoword::Acm + 1] = acm[1];
  }
  b[infoword::CoreJump] =
      CoreJump(chip_.CoreVariant, chip_.CoreVariant == kCoreK08B ? 0x7C : (chip21or62 ? 0x0A : 0x07));
  b[infoword::ChipListVersion] = chip_.ChipListVersion;
  b[infoword::AcceptedPodChipId] = build.AcceptedPodChipId;
  b[infoword::CodeChecksum] = build.CodeChecksum;
  const bool other = chip_.DeviceNotKind3 == 1;
  PutWords(b, infoword::DeviceWords, other ? DeviceWords(0x33, 0xFE) : DeviceWords(0x2E, 0xBF));
  b[infoword::Protect] = options_.CProtect ? 0xF7FE : 0xFFFE;
}

uint16_t TInfoBlockBuilder::PutLongBuildWords(const TInfoBuildWords& build) {
  namespace w = infoaltword;
  auto& b = block_.InfoBlockAlt;
  b[w::Hao] = static_cast<uint16_t>((options_.EnHAO ? 256 : 0) | (options_.EnSHAO ? 1 : 0));
  b[w::HaoHigh] = static_cast<uint16_t>(options_.EHAO / 65536);
  b[w::HaoLow] = static_cast<uint16_t>(options_.EHAO & 0xFFFF);
  b[w::Lao] = static_cast<uint16_t>((options_.EnSLAO ? 256 : 0) | (options_.EPERMISS & 0xFF));
  b[w::LaoValue] = static_cast<uint16_t>(options_.ELAO & 0xFFFF);
  for (int i = w::Reserved; i < w::StackOverStop; ++i) b[i] = 0xFFFF;
  b[w::StackOverStop] = options_.STKOVSTOP ? 1 : 0;
  b[w::ChipListVersion] = chip_.ChipListVersion;
  b[w::ChipSubId] = chip_.ChipSubId;
  b[w::ChipId] = chip_.ChipId;
  b[w::CodeChecksum] = build.CodeChecksum;
  b[w::Protect] = options_.CProtect ? 0xF7FE : 0xFFFF;
  uint16_t crc = 0;
  for (int i = 0; i <= w::CodeChecksum; ++i) crc = ImageCrc16Word(b[i], crc);
  crc = ImageCrc16Word(b[w::Protect], crc);
  b[w::BlockCrc] = crc;
  return crc;
}

std::vector<uint16_t> TInfoBlockBuilder::WriteImageWords(const TInfoBuildWords& build) {
  if (chip_.DeviceKind3 == 0) {
    const auto& alt = block_.InfoBlockAlt;
    return std::vector<uint16_t>(alt.begin(), alt.begin() + infoaltword::ImageWords);
  }
  auto& b = block_.InfoBlock;
  b[infoword::ChipId] = chip_.ChipId;
  // The ACM words follow the chip's ACM data; the image carries them as 0.
  const uint8_t mask = static_cast<uint8_t>(1u << (chip_.AcmBit & 7));
  if (!build.AcmGroupEnabled) {
    block_.InfoBlockAlt[infoword::Acm] = 0;
    block_.InfoBlockAlt[infoword::Acm + 1] = 0;
  } else if (chip_.DeviceNotKind3 == 0) {
    if (options_.RACM10 && chip_.AcmOption != 0) {
      b[infoword::Acm] = 0;
      b[infoword::Acm + 1] = 0;
    } else {
      // 1.2 V with the chip's plain option sets the bit, the others clear it.
      const bool setBit = !options_.RACM10 && chip_.AcmOption == 0;
      PutWords(b, infoword::Acm, BitWords(chip_.AcmRegister, mask, setBit));
    }
  }
  b[infoword::CoreJump] = CoreJump(chip_.CoreVariant, chip_.CoreVariant == kCoreK08B ? 0x7C : 0x07);
  b[infoword::ChipListVersion] = chip_.ChipListVersion;
  b[infoword::AcceptedPodChipId] = build.AcceptedPodChipId;
  b[infoword::CodeChecksum] = build.CodeChecksum;
  PutWords(b, infoword::DeviceWords, DeviceWords(0x33, 0xFE));
  b[infoword::Protect] = options_.CProtect ? 0xF7FE : 0xFFFE;
  b[infoword::ProtectCopy] = b[infoword::Protect];
  std::vector<uint16_t> words(b.begin(), b.begin() + infoword::ImageWords);
  words[infoword::Acm] = 0;
  words[infoword::Acm + 1] = 0;
  return words;
}

std::vector<uint16_t> TInfoBlockBuilder::EehImageWords(const TInfoBuildWords& build) const {
  const auto& b = block_.InfoBlock;
  std::vector<uint16_t> words(b.begin(), b.begin() + infoword::EehWords);
  for (int w = infoword::Acm; w < infoword::EehWords; ++w) words[w] = 0;
  if (build.AcmGroupEnabled) {
    const auto acm = AcmWords();
    words[infoword::Acm] = acm[0];
    words[infoword::Acm + 1] = acm[1];
  }
  words[infoword::CoreJump] =
      CoreJump(chip_.CoreVariant, chip_.CoreVariant == kCoreK08B ? 0x7F : 0x0A);
  words[infoword::ChipListVersion] = chip_.ChipListVersion;
  words[infoword::AcceptedPodChipId] = build.AcceptedPodChipId;
  words[infoword::CodeChecksum] = build.CodeChecksum;
  for (int k = 0; k < 3; ++k) words[infoword::DeviceWords + k] = 0xFFFF;
  words[infoword::Protect] = options_.CProtect ? 0xF7FE : 0xFFFE;
  return words;
}

}  // namespace kyvor
