#pragma once
// Builds instruction words from the instruction table for the engine tests.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/instruction_table.h"
#include "engine/ky_up.h"

namespace kyvor::test {

// The word of `mnemonic` with its operands placed in the table's fields.
inline uint16_t Encode(const TInstructionTable& t, const std::string& mnemonic, int op1 = 0,
                       int op2 = 0, int op3 = 0) {
  const TInstructionDescriptor* d = t.FindByMnemonic(mnemonic);
  if (!d) throw std::runtime_error("no instruction " + mnemonic);
  return TInstructionTable::Encode(*d, op1, op2, op3);
}

// Loads words from `at` into the model's program memory.
inline void Load(TKy_UP& up, uint32_t at, const std::vector<uint16_t>& words) {
  for (size_t i = 0; i < words.size(); ++i)
    up.StoreProgramWord(uint16_t(at + i), words[i], uint16_t(at + i + 1), 0);
}

}  // namespace kyvor::test
