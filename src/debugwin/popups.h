#pragma once
// The pop-ups of the debug windows: the hex keypad, the one-line input box and
// the colour chooser of the RAM marks. Windows ask through the service
// installed here; the program uses the real modal windows, tests install a
// scripted one. Positions are screen co-ordinates in pixels; colours are
// 0xRRGGBB.
#include <cstdint>
#include <string>

namespace kyvor {

struct TKeypadRequest {
  int X = 0, Y = 0;     // where the keypad opens (moved to stay on the screen)
  std::string Mask;     // hex characters: digit count, and the limit of each digit
  std::string Status;   // status line, e.g. "00~FF"
  std::string Caption;  // window caption, e.g. "Ram0123=3F"
  // Highest value the keypad accepts (-1: only the mask limits). An entry above
  // it is refused with a beep and the keypad stays open.
  int64_t Limit = -1;
};

class IDebugPopups {
 public:
  virtual ~IDebugPopups() = default;
  // True with the value when the keypad was accepted.
  virtual bool ExecuteHexKeypad(const TKeypadRequest& request, uint32_t& value) = 0;
  // True when Ok was pressed; text is the box's text also when cancelled.
  virtual bool ExecuteInputBox(int x, int y, std::string& text) = 0;
  // The colour dialog starting at `colour`; false when cancelled.
  virtual bool ChooseColour(uint32_t& colour) = 0;
};

IDebugPopups& DebugPopups();

// The keypad through the installed service, opened at (x, y).
bool AskHexKeypad(int x, int y, const std::string& caption, const std::string& mask,
                  const std::string& status, uint32_t& value, int64_t limit = -1);
// Installs a service (not owned); nullptr restores the modal windows.
void SetDebugPopups(IDebugPopups* popups);

}  // namespace kyvor
