#pragma once
// Shared pieces of the fuzz harnesses: a reader that takes values from the
// front of the input, a scratch folder, and loading of the shipped chips.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kyvor {
class TKy_UP;
}

namespace kyvor::fuzz {

// Ends the run with `what` on stderr when a property a harness checks does
// not hold (libFuzzer then keeps the input as a crash).
void Check(bool ok, const char* what);

// Takes bytes from the front of the input; past its end every value is 0.
class TInputReader {
 public:
  TInputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t Word() {
    const uint16_t lo = Byte();
    return static_cast<uint16_t>(lo | (Byte() << 8));
  }
  int32_t Int() { return static_cast<int32_t>(uint32_t(Word()) | (uint32_t(Word()) << 16)); }
  // The next `n` bytes (fewer at the end) as text.
  std::string_view Text(size_t n) {
    n = std::min(n, size_ - pos_);
    std::string_view s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  std::string_view Rest() { return Text(size_ - pos_); }
  bool AtEnd() const { return pos_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A folder of its own under the system's temporary folder, removed at exit.
class TScratchFolder {
 public:
  TScratchFolder();
  ~TScratchFolder();
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return root_; }
  // Removes everything inside the folder.
  void Clear() const;
  // Writes bytes to a file below the folder (its folders made as needed).
  void Write(const std::string& relative, std::string_view bytes) const;

 private:
  std::filesystem::path root_;
};

// The shipped program folder ("data/" of the source tree, with the trailing '/').
std::string ShippedProgramFolder();
// Resets every process-wide state the core keeps (chip, register lists,
// modes, output names, language) to its start-up value.
void ResetCoreState();
// Reads the shipped chip list and loads chip `pick` modulo the number of
// chips; the chip's index in the list is returned.
int LoadShippedChip(unsigned pick);

// The CPU model for the loaded chip's core, as the IDE keeps it from build to
// build: one per core for the whole run (building the decoder is the costly
// part of making one), emptied and reset for each input.
TKy_UP& CpuModelForChip();

}  // namespace kyvor::fuzz
