// libFuzzer harness of the configuration file reader: any bytes parse without
// a crash, hang or unbounded allocation, the parse never claims more than it
// read, and whatever it read writes and reads back to the same bytes.
#include <cstdint>
#include <string>

#include "base/configfile.h"
#include "fuzz_support.h"

namespace {

// The writer's output for what was read (the HAO switch is read into its own
// field and written from EnHAO).
std::string Written(kyvor::TConfigData d) {
  d.Options.EnHAO = d.CalibrationHao;
  return kyvor::ConfigText(d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kyvor;
  using fuzz::Check;
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Checked against its own first line, so the sections behind it are read.
  std::string header = text.substr(0, text.find('\n'));
  if (!header.empty() && header.back() == '\r') header.pop_back();

  TConfigData d;
  const TConfigParse p = ParseConfigText(text, header, d);
  Check(p.StepsRead >= 0 && p.StepsRead <= CfgStepCount, "steps read within the sections");
  Check(p.VersionMatched || (p.StepsRead == 0 && !p.Malformed),
        "nothing read behind another header");
  Check(d.EditorPages.size() <= size_t(kConfigMaxEditorPages), "pages within the editor's limit");

  d.Header = header;
  const std::string once = Written(d);
  TConfigData back;
  const TConfigParse q = ParseConfigText(once, header, back);
  Check(q.VersionMatched && q.StepsRead == CfgStepCount && !q.Malformed,
        "a written file reads back whole");
  back.Header = header;
  Check(Written(back) == once, "what was read writes back the same");
  return 0;
}
