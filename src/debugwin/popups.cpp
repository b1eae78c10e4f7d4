#include "debugwin/popups.h"

#include <QColorDialog>
#include <QLineEdit>

#include "debugwin/kypopsel.h"

namespace kyvor {

namespace {

// The modal windows of the program; a window used without the program's
// pop-ups (created at start-up) gets a pop-up of its own for the one question.
class TModalPopups final : public IDebugPopups {
 public:
  bool ExecuteHexKeypad(const TKeypadRequest& request, uint32_t& value) override {
    if (TKyPopSelHex* k = KyPopSelHex()) return k->ExecuteHexKeypad(request, value);
    TKyPopSelHex own;
    return own.ExecuteHexKeypad(request, value);
  }
  bool ExecuteInputBox(int x, int y, std::string& text) override {
    if (TKyIntStr* b = KyIntStr()) return b->ExecuteInputBox(x, y, text);
    TKyIntStr own;
    own.Edit1()->setText(QString::fromStdString(text));
    return own.ExecuteInputBox(x, y, text);
  }
  bool ChooseColour(uint32_t& colour) override {
    const QColor c = QColorDialog::getColor(QColor::fromRgb(colour));
    if (!c.isValid()) return false;
    colour = c.rgb() & 0xFFFFFF;
    return true;
  }
};

TModalPopups& Modal() {
  static TModalPopups m;
  return m;
}

IDebugPopups* g_popups = nullptr;

}  // namespace

IDebugPopups& DebugPopups() { return g_popups ? *g_popups : Modal(); }

bool AskHexKeypad(int x, int y, const std::string& caption, const std::string& mask,
                  const std::string& status, uint32_t& value, int64_t limit) {
  TKeypadRequest r;
  r.X = x;
  r.Y = y;
  r.Caption = caption;
  r.Mask = mask;
  r.Status = status;
  r.Limit = limit;
  return DebugPopups().ExecuteHexKeypad(r, value);
}
void SetDebugPopups(IDebugPopups* popups) { g_popups = popups; }

}  // namespace kyvor
