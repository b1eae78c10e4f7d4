#include "engine/reg_record.h"

namespace kyvor {

int TRegRecord::Add(const std::string& name, int32_t address, uint8_t newValue,
                    uint8_t oldValue) {
  if (Count() >= kCapacity) return 1;
  TRegChange c;
  c.Name = name.size() > 32 ? name.substr(0, 32) : name;
  c.Address = address;
  c.NewValue = newValue;
  c.OldValue = oldValue;
  items_.push_back(std::move(c));
  return 0;
}

}  // namespace kyvor
