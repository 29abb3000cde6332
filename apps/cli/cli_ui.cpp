#include "cli_ui.h"

namespace wf::cli {

MsgAnswer CliUi::Prompt(const Question&, std::string_view text, MsgButtons buttons, MsgIcon,
                        std::string_view) {
  ++messages_;
  err_ << "wrenfold-cli: " << text << '\n';
  switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
      return MsgAnswer::Cancel;
    default:
      return MsgAnswer::Ok;
  }
}

}  // namespace wf::cli
