#include "support/scripted_ui.h"

#include <gtest/gtest.h>

namespace wf::test {

MsgAnswer ScriptedUi::Prompt(const Question& question, std::string_view text, MsgButtons buttons,
                             MsgIcon icon, std::string_view caption) {
  messages.push_back({std::string(text), buttons, icon, std::string(caption), question.id,
                      std::string(question.subject)});
  if (buttons != MsgButtons::Ok && question.id == QuestionId::None) {
    ADD_FAILURE() << "a question without its id: " << text;
  }
  if (const auto it = answer_to.find(question.id);
      it != answer_to.end() && question.id != QuestionId::None) {
    return it->second;
  }
  if (!answers.empty()) {
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return MsgAnswer::No;
    case MsgButtons::RetryCancel:
      return MsgAnswer::Cancel;
    default:
      return MsgAnswer::Ok;
  }
}

std::optional<std::string> ScriptedUi::InputBox(std::string_view prompt, std::string_view,
                                                std::string_view) {
  input_prompts.emplace_back(prompt);
  if (inputs.empty()) return std::nullopt;
  auto v = inputs.front();
  inputs.pop_front();
  return v;
}

std::optional<std::string> ScriptedUi::OpenFileDialog(const FileDialogRequest& request) {
  open_requests.push_back(request);
  if (open_files.empty()) return std::nullopt;
  auto v = open_files.front();
  open_files.pop_front();
  return v;
}

std::optional<std::string> ScriptedUi::SaveFileDialog(const FileDialogRequest& request) {
  save_requests.push_back(request);
  if (save_files.empty()) return std::nullopt;
  auto v = save_files.front();
  save_files.pop_front();
  return v;
}

}  // namespace wf::test
