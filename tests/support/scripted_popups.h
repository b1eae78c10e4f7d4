#pragma once
// The debug windows' pop-ups for tests: the keypad, input box and colour
// dialog answer from queues filled by the test, and every request is kept so
// the test can check caption, mask and place.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "debugwin/popups.h"

namespace kyvor::test {

class ScriptedPopups final : public IDebugPopups {
 public:
  ScriptedPopups() { SetDebugPopups(this); }
  ~ScriptedPopups() override { SetDebugPopups(nullptr); }

  // Queued answers; an empty optional cancels. With the queue empty every
  // pop-up is cancelled.
  std::deque<std::optional<uint32_t>> keypad;
  std::deque<std::optional<std::string>> input;
  std::deque<std::optional<uint32_t>> colours;  // 0xRRGGBB

  std::vector<TKeypadRequest> keypadRequests;
  std::vector<std::pair<int, int>> inputPlaces;
  int colourDialogs = 0;

  bool ExecuteHexKeypad(const TKeypadRequest& request, uint32_t& value) override {
    keypadRequests.push_back(request);
    if (keypad.empty()) return false;
    auto a = keypad.front();
    keypad.pop_front();
    if (a) value = *a;
    return a.has_value();
  }
  bool ExecuteInputBox(int x, int y, std::string& text) override {
    inputPlaces.emplace_back(x, y);
    if (input.empty()) return false;
    auto a = input.front();
    input.pop_front();
    if (a) text = *a;
    return a.has_value();
  }
  bool ChooseColour(uint32_t& colour) override {
    ++colourDialogs;
    if (colours.empty()) return false;
    auto a = colours.front();
    colours.pop_front();
    if (a) colour = *a;
    return a.has_value();
  }
};

}  // namespace kyvor::test
