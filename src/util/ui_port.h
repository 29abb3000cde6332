#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wf {

// Caption of every message box that does not name its own.
inline constexpr std::string_view kAppTitle = "Skein Wrenfold Desktop Edition";

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

enum class Pointer { Default, Hourglass, ArrowHourglass };

struct FileDialogRequest {
  std::string title;
  std::string filter;             // "Text (*.txt)|*.txt|Skein Tweet Table (*.stwt)|*.stwt"
  std::string default_extension;  // without the dot
  std::string file_name;          // proposed or last used name
};

// Everything the core shows to or asks of the user goes through this port, so the
// core runs the same under the desktop window, the command line and the tests.
class UiPort {
 public:
  virtual ~UiPort() = default;

  virtual MsgAnswer MessageBox(std::string_view text, MsgButtons buttons, MsgIcon icon,
                               std::string_view caption) = 0;
  // Empty optional when the user cancels.
  virtual std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                              std::string_view default_text) = 0;
  virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
  virtual void SetClipboardText(std::string_view text) = 0;
  virtual std::string ClipboardText() = 0;
  virtual void SetPointer(Pointer pointer) = 0;
  // Lets the window repaint and take clicks (Cancel) during long work.
  virtual void YieldToEvents() = 0;
};

}  // namespace wf
