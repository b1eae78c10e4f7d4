#pragma once
// The dialog seam: every message box, file dialog and input pop-up of the
// system goes through the service installed here. The GUI installs a Qt
// implementation; tests install a scripted one. Texts are UTF-8.
#include <optional>
#include <string>

#include "base/options.h"

namespace kyvor {

enum class MsgIcon { None, Information, Warning, Error, Question };

// Buttons of a message box, combined with |.
enum MsgButtons : unsigned {
  MbOk = 1u << 0,
  MbCancel = 1u << 1,
  MbYes = 1u << 2,
  MbNo = 1u << 3,
  MbAll = 1u << 4,
};

enum class MsgResult { Ok, Cancel, Yes, No, All };

// Who asks before a save replaces an existing file: the save dialog itself,
// or the caller after the dialog (the dialog then asks nothing), so that the
// question comes once.
enum class OverwriteQuestion { ByDialog, ByCaller };

class IDialogService {
 public:
  virtual ~IDialogService() = default;
  virtual MsgResult messageBox(const std::string& text, const std::string& caption,
                               MsgIcon icon, unsigned buttons) = 0;
  // File dialogs: an empty optional means the user cancelled. `filter` pairs a
  // description with its patterns: "Assembly|*.asm;*.inc|All files|*.*".
  virtual std::optional<std::string> openFileName(const std::string& caption,
                                                  const std::string& startPath,
                                                  const std::string& filter) = 0;
  virtual std::optional<std::string> saveFileName(const std::string& caption,
                                                  const std::string& startPath,
                                                  const std::string& filter,
                                                  OverwriteQuestion question) = 0;
  // A save whose dialog asks before replacing a file.
  std::optional<std::string> saveFileName(const std::string& caption,
                                          const std::string& startPath,
                                          const std::string& filter) {
    return saveFileName(caption, startPath, filter, OverwriteQuestion::ByDialog);
  }
  virtual std::optional<std::string> inputText(const std::string& caption,
                                               const std::string& prompt,
                                               const std::string& initial) = 0;
  // The font dialog; an empty optional means the user cancelled.
  virtual std::optional<TEditorFont> chooseFont(const TEditorFont& initial) {
    (void)initial;
    return std::nullopt;
  }
};

// A service that answers every question with its default (Ok, or Cancel for
// file and input dialogs). Installed until the GUI or a test sets another.
class SilentDialogService final : public IDialogService {
 public:
  MsgResult messageBox(const std::string&, const std::string&, MsgIcon, unsigned buttons) override;
  std::optional<std::string> openFileName(const std::string&, const std::string&,
                                          const std::string&) override { return std::nullopt; }
  using IDialogService::saveFileName;
  std::optional<std::string> saveFileName(const std::string&, const std::string&,
                                          const std::string&, OverwriteQuestion) override {
    return std::nullopt;
  }
  std::optional<std::string> inputText(const std::string&, const std::string&,
                                       const std::string&) override { return std::nullopt; }
};

IDialogService& Dialogs();
// Installs a service (not owned); nullptr restores the silent one.
void SetDialogs(IDialogService* service);

}  // namespace kyvor
