#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "util/ui_port.h"

namespace wf::test {

// A UI port for tests: records every prompt and replays scripted answers in order. A question
// asked without its id fails the test: quiet front ends could not answer it.
// A message box with no scripted answer left is still recorded and answered Ok (No for
// Yes/No boxes, Cancel for Retry/Cancel); dialogs and input boxes without one are cancelled.
class ScriptedUi : public UiPort {
 public:
  struct Message {
    std::string text;
    MsgButtons buttons;
    MsgIcon icon;
    std::string caption;
    QuestionId id = QuestionId::None;
    std::string subject;
  };

  // Standing replies by question, used before the scripted ones.
  std::map<QuestionId, MsgAnswer> answer_to;
  // Scripted replies, consumed in order.
  std::deque<MsgAnswer> answers;
  std::deque<std::optional<std::string>> inputs;
  std::deque<std::optional<std::string>> open_files;
  std::deque<std::optional<std::string>> save_files;

  // What the code under test did.
  std::vector<Message> messages;
  std::vector<std::string> input_prompts;
  std::vector<FileDialogRequest> open_requests;
  std::vector<FileDialogRequest> save_requests;
  std::string clipboard;
  std::vector<Pointer> pointers;
  int yields = 0;

  MsgAnswer Prompt(const Question& question, std::string_view text, MsgButtons buttons,
                   MsgIcon icon, std::string_view caption) override;
  std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                      std::string_view default_text) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  void SetClipboardText(std::string_view text) override { clipboard = std::string(text); }
  std::string ClipboardText() override { return clipboard; }
  void SetPointer(Pointer pointer) override { pointers.push_back(pointer); }
  void YieldToEvents() override { ++yields; }
};

}  // namespace wf::test
