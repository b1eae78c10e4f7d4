#pragma once
// The binary program image ("*.hex"), as the assembler writes it and the
// programmer commands read it: the program words of the chip's program memory
// (ProgramMemoryPages x 256 words), then the information block of the chip's
// layout (256 words when DeviceKind3 is 1, else 768), every word high byte
// first, no header.
#include <cstdint>
#include <string>

namespace kyvor {

struct TChipConfig;
class TKy_UP;

// The bytes the writer's download takes after the program words (a
// 256-word information block).
inline constexpr uint32_t kImageBlockBytes = 512;
// Where the chip id sits, counted back from the end of the file (word 237 of
// a 256-word information block).
inline constexpr uint32_t kImageChipIdFromEnd = 38;

// ProgramMemoryPages() x 512: the program words' bytes.
uint32_t ImageProgramBytes();
// The program words' bytes of a chip of `romWords` program words.
uint32_t ProgramBytesOf(uint32_t romWords);
// The information-block words of the chip's image: 256 or 768.
int ImageBlockWords(const TChipConfig& chip);

// True when the file exists and holds exactly `programBytes` + 512 bytes.
bool ImageFileSizeOk(const std::string& path, uint32_t programBytes);
// The chip id of an image: the two bytes at the file's length - 38, high
// byte first. False when the file cannot be read or is shorter than that.
bool ReadImageChipId(const std::string& path, uint16_t& id);
// The program words of every program cell (Opcode) and the model's
// information block of the chip's layout, as the assembler's image writer
// lays them out. False when the file cannot be written.
bool WriteImageFile(const TKy_UP& up, const std::string& path);

}  // namespace kyvor
