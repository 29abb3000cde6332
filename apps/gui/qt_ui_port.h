#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

#include "util/ui_port.h"

namespace wf::gui {

// The core's prompts, dialogs, clipboard and pointer, shown with Qt's standard dialogs.
class QtUiPort : public UiPort {
 public:
  explicit QtUiPort(QWidget* main_window = nullptr) : main_window_(main_window) {}
  void SetMainWindow(QWidget* main_window) { main_window_ = main_window; }

  MsgAnswer Prompt(const Question& question, std::string_view text, MsgButtons buttons,
                   MsgIcon icon, std::string_view caption) override;
  std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                      std::string_view default_text) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  void SetClipboardText(std::string_view text) override;
  std::string ClipboardText() override;
  void SetPointer(Pointer pointer) override;
  void YieldToEvents() override;

 private:
  QWidget* DialogParent() const;
  std::optional<std::string> FileDialog(const FileDialogRequest& request, bool save);

  QPointer<QWidget> main_window_;
  bool cursor_overridden_ = false;
};

// "Text (*.txt)|*.txt|Skein Tweet Table (*.stwt)|*.stwt" as a Qt name filter list
// ("Text (*.txt);;Skein Tweet Table (*.stwt)").
QString ConvertFileFilter(std::string_view filter);

// The entry of a converted filter list that offers `extension` (no dot), else the first.
QString FilterForExtension(const QString& filters, std::string_view extension);

}  // namespace wf::gui
