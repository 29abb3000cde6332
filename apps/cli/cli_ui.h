#pragma once

#include <ostream>
#include <string>

#include "util/ui_port.h"

namespace wf::cli {

// The UI port of the command line: messages go to stderr, questions get fixed answers
// (OK/Yes to carry on, so a short row does not stop a conversion), dialogs are cancelled.
class CliUi : public UiPort {
 public:
  explicit CliUi(std::ostream& err) : err_(err) {}

  MsgAnswer Prompt(const Question& question, std::string_view text, MsgButtons buttons,
                   MsgIcon icon, std::string_view caption) override;
  std::optional<std::string> InputBox(std::string_view, std::string_view,
                                      std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override {
    return std::nullopt;
  }
  void SetClipboardText(std::string_view text) override { clipboard_ = std::string(text); }
  std::string ClipboardText() override { return clipboard_; }
  void SetPointer(Pointer) override {}
  void YieldToEvents() override {}

  int messages_shown() const { return messages_; }

 private:
  std::ostream& err_;
  std::string clipboard_;
  int messages_ = 0;
};

}  // namespace wf::cli
