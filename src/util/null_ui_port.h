#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/ui_port.h"

namespace wf {

// A port with nobody behind it, for benchmarks and fuzz targets: every question gets its
// default answer (No where No is offered, otherwise OK), input boxes and file dialogs are
// cancelled, and nothing is shown. Override what a run needs to differ.
class NullUiPort : public UiPort {
 public:
  MsgAnswer Prompt(const Question&, std::string_view, MsgButtons buttons, MsgIcon,
                   std::string_view) override {
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::No
                                                                              : MsgAnswer::Ok;
  }
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
  void SetClipboardText(std::string_view) override {}
  std::string ClipboardText() override { return {}; }
  void SetPointer(Pointer) override {}
  void YieldToEvents() override {}
};

}  // namespace wf
