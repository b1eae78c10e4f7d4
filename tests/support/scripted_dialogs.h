#pragma once
// A dialog service for tests: answers come from a script queued by the test,
// and every question asked is recorded so the test can check its text.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/dialogs.h"

namespace kyvor::test {

struct AskedMessage {
  std::string text;
  std::string caption;
  MsgIcon icon;
  unsigned buttons;
};

class ScriptedDialogs final : public IDialogService {
 public:
  ScriptedDialogs();
  ~ScriptedDialogs() override;  // restores the silent service

  // Queued answers, taken in order. With the queue empty a message box gets
  // its default (Ok, else Yes, else Cancel) and file/input dialogs cancel.
  void answer(MsgResult r) { answers_.push_back(r); }
  void answerFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  void answerInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
  void answerFont(std::optional<TEditorFont> font) { fonts_.push_back(std::move(font)); }
  // Answers each message box while it is open (before the queue; nullptr: none),
  // so a test can look at the program while the question waits.
  void onMessage(std::function<MsgResult(const AskedMessage&)> answer) {
    onMessage_ = std::move(answer);
  }
  // Called as each file dialog opens, before its queued answer is taken.
  void onFileDialog(std::function<void()> look) { onFileDialog_ = std::move(look); }

  MsgResult messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       unsigned buttons) override;
  std::optional<std::string> openFileName(const std::string& caption, const std::string& startPath,
                                          const std::string& filter) override;
  using IDialogService::saveFileName;
  std::optional<std::string> saveFileName(const std::string& caption, const std::string& startPath,
                                          const std::string& filter,
                                          OverwriteQuestion question) override;
  std::optional<std::string> inputText(const std::string& caption, const std::string& prompt,
                                       const std::string& initial) override;
  // A queued font answer; with none the dialog is cancelled.
  std::optional<TEditorFont> chooseFont(const TEditorFont& initial) override;
  int fontDialogs() const { return fontDialogs_; }

  const std::vector<AskedMessage>& messages() const { return messages_; }
  std::vector<std::string> messageTexts() const;
  int fileDialogs() const { return fileDialogs_; }
  // The filter the last file dialog was given.
  const std::string& lastFilter() const { return lastFilter_; }
  // The path (folder or proposed file) the last file dialog started at.
  const std::string& lastStartPath() const { return lastStartPath_; }
  // Who was to ask about replacing a file at the last save dialog.
  OverwriteQuestion lastOverwriteQuestion() const { return lastOverwrite_; }
  int unusedAnswers() const { return static_cast<int>(answers_.size()); }
  void clear() { messages_.clear(); }

 private:
  std::optional<std::string> nextFile();
  std::deque<MsgResult> answers_;
  std::function<MsgResult(const AskedMessage&)> onMessage_;
  std::function<void()> onFileDialog_;
  std::deque<std::optional<std::string>> files_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<TEditorFont>> fonts_;
  int fontDialogs_ = 0;
  std::vector<AskedMessage> messages_;
  int fileDialogs_ = 0;
  std::string lastFilter_;
  std::string lastStartPath_;
  OverwriteQuestion lastOverwrite_ = OverwriteQuestion::ByDialog;
};

}  // namespace kyvor::test
