// The main window's image-file commands: Save Hex writes the model's program
// and information block as a binary image, Read From Writer Memory shows the
// image the programmer holds in the listing's dump grid.
#include <algorithm>
#include <string>
#include <vector>

#include "base/dialogs.h"
#include "chip/chipconfig.h"
#include "engine/imagefile.h"
#include "engine/ky_up.h"
#include "shell/kyhex.h"
#include "shell/kyprog.h"
#include "shell/kymain.h"

namespace kyvor {

namespace {

const char kImageFilter[] = "*.hex|*.hex|*.*|*.*";
// The save dialog's default extension: ".hex" for a name without one.
std::string WithHexExtension(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  const std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
  return leaf.find('.') == std::string::npos ? name + ".hex" : name;
}

}  // namespace

void TKYMAIN::SaveHexFileClick() {
  if (!forms_.up) return;
  const auto name = Dialogs().saveFileName("Save Hex", Shell().FileDialogFolder, kImageFilter);
  if (!name) return;
  const std::string path = WithHexExtension(*name);
  if (!WriteImageFile(*forms_.up, path))
    Dialogs().messageBox("Can not write " + path, "Error", MsgIcon::Error, MbCancel);
}

void TKYMAIN::SMenu_ReadWriterClick() { programmer_->ReadWriterMemory(); }

}  // namespace kyvor
