#include "engine/imagefile.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "chip/chipconfig.h"
#include "engine/infoblock.h"
#include "engine/ky_up.h"

namespace kyvor {

uint32_t ImageProgramBytes() { return ProgramBytesOf(Chip().ChipRomWords); }

uint32_t ProgramBytesOf(uint32_t romWords) { return romWords / 256 * 512u; }

int ImageBlockWords(const TChipConfig& chip) {
  return chip.DeviceKind3 == 1 ? infoword::ImageWords : infoaltword::ImageWords;
}

bool ImageFileSizeOk(const std::string& path, uint32_t programBytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const auto size = std::filesystem::file_size(path, ec);
  return !ec && size == uint64_t(programBytes) + kImageBlockBytes;
}

bool ReadImageChipId(const std::string& path, uint16_t& id) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < std::streamoff(kImageChipIdFromEnd)) return false;
  in.seekg(size - std::streamoff(kImageChipIdFromEnd));
  char b[2];
  if (!in.read(b, 2)) return false;
  id = uint16_t(uint8_t(b[0]) << 8 | uint8_t(b[1]));
  return true;
}

bool WriteImageFile(const TKy_UP& up, const std::string& path) {
  const uint32_t words = ImageProgramBytes() / 2;
  const auto block = up.Info.Layout(Chip());
  std::vector<char> bytes;
  bytes.reserve(2 * (words + size_t(ImageBlockWords(Chip()))));
  auto put = [&](uint16_t w) {
    bytes.push_back(char(w >> 8));
    bytes.push_back(char(w & 0xFF));
  };
  for (uint32_t a = 0; a < words; ++a) put(up.GetOpcode(a));
  for (int k = 0; k < ImageBlockWords(Chip()); ++k) put(block[size_t(k)]);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return out && out.write(bytes.data(), std::streamsize(bytes.size())) && out.flush();
}

}  // namespace kyvor
