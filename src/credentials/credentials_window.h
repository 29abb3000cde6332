#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>

#include "api/twitter_api.h"
#include "util/ui_port.h"

namespace wf {

class MainWindow;

// The application credentials window (also the About box) without its widgets: the three
// credential fields, the status text and colour, and the handlers. The main window stays
// disabled while this window is shown and is enabled once a bearer token exists.
class CredentialsWindow {
 public:
  enum class StatusColour { Default, Red, Blue };

  struct Environment {
    UiPort* ui = nullptr;
    std::string program_folder;  // holds appcred
    // Waits until the given moment, letting the window repaint; replaceable in tests.
    std::function<void(std::chrono::steady_clock::time_point)> wait_until;
    // Describes the system for "System Info..."; empty when nothing can be had.
    std::function<std::string()> system_info;
  };

  CredentialsWindow(MainWindow& main, Environment env);

  // ---- State -------------------------------------------------------------------------------
  const std::string& Caption() const { return caption_; }
  const std::string& TitleLabel() const { return title_; }
  const std::string& VersionLabel() const { return version_; }
  const std::string& DescriptionLabel() const { return description_; }
  const std::array<std::string, 3>& Fields() const { return fields_; }
  bool FieldsEnabled() const { return fields_enabled_; }
  bool SecretShown() const { return secret_shown_; }
  bool OkEnabled() const { return ok_enabled_; }
  const std::string& StatusText() const { return status_; }
  StatusColour StatusTextColour() const { return status_colour_; }
  bool Visible() const { return visible_; }
  // Set when closing the window ended the program.
  bool ProgramEnded() const { return program_ended_; }
  const std::string& AppcredPath() const { return appcred_path_; }

  // ---- Handlers ----------------------------------------------------------------------------
  // Opening the window (start-up and About).
  void Form_Load();
  void tbCred_Change(int index, std::string text);
  void ShowSecret_MouseDown() { secret_shown_ = true; }
  void ShowSecret_MouseUp() { secret_shown_ = false; }
  void cmdOK_Click();
  // False when the close is refused (a token exists: OK dismisses the window instead).
  bool Form_QueryUnload();
  void cmdSysInfo_Click();

 private:
  void UpdateOk();
  bool ReadAppcred();
  bool WriteAppcred() const;

  MainWindow& main_;
  Environment env_;
  std::string appcred_path_;
  std::string caption_;
  std::string title_;
  std::string version_;
  std::string description_;
  std::array<std::string, 3> fields_;
  bool fields_enabled_ = true;
  bool secret_shown_ = false;
  bool ok_enabled_ = false;
  std::string status_;
  StatusColour status_colour_ = StatusColour::Default;
  bool visible_ = false;
  bool program_ended_ = false;
  bool loaded_ = false;          // the stored credentials have been read once
  bool authenticating_ = false;  // inside OK, which yields to the window while it pauses
};

}  // namespace wf
