#include "support/scripted_dialogs.h"

namespace kyvor::test {

ScriptedDialogs::ScriptedDialogs() { SetDialogs(this); }
ScriptedDialogs::~ScriptedDialogs() { SetDialogs(nullptr); }

MsgResult ScriptedDialogs::messageBox(const std::string& text, const std::string& caption,
                                      MsgIcon icon, unsigned buttons) {
  messages_.push_back({text, caption, icon, buttons});
  if (onMessage_) return onMessage_(messages_.back());
  if (!answers_.empty()) {
    MsgResult r = answers_.front();
    answers_.pop_front();
    return r;
  }
  if (buttons & MbOk) return MsgResult::Ok;
  if (buttons & MbYes) return MsgResult::Yes;
  return MsgResult::Cancel;
}

std::optional<std::string> ScriptedDialogs::nextFile() {
  ++fileDialogs_;
  if (onFileDialog_) onFileDialog_();
  if (files_.empty()) return std::nullopt;
  auto r = files_.front();
  files_.pop_front();
  return r;
}

std::optional<std::string> ScriptedDialogs::openFileName(const std::string&,
                                                         const std::string& startPath,
                                                         const std::string& filter) {
  lastFilter_ = filter;
  lastStartPath_ = startPath;
  return nextFile();
}

std::optional<std::string> ScriptedDialogs::saveFileName(const std::string&,
                                                         const std::string& startPath,
                                                         const std::string& filter,
                                                         OverwriteQuestion question) {
  lastFilter_ = filter;
  lastStartPath_ = startPath;
  lastOverwrite_ = question;
  return nextFile();
}

std::optional<std::string> ScriptedDialogs::inputText(const std::string&, const std::string&,
                                                      const std::string&) {
  if (inputs_.empty()) return std::nullopt;
  auto r = inputs_.front();
  inputs_.pop_front();
  return r;
}

std::optional<TEditorFont> ScriptedDialogs::chooseFont(const TEditorFont&) {
  ++fontDialogs_;
  if (fonts_.empty()) return std::nullopt;
  auto r = fonts_.front();
  fonts_.pop_front();
  return r;
}

std::vector<std::string> ScriptedDialogs::messageTexts() const {
  std::vector<std::string> out;
  for (const auto& m : messages_) out.push_back(m.text);
  return out;
}

}  // namespace kyvor::test
