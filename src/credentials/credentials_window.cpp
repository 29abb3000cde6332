#include "credentials/credentials_window.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "credentials/appcred_file.h"
#include "credentials/system_info.h"
#include "mainwindow/main_window.h"
#include "util/file_exists.h"
#include "util/file_io.h"

namespace wf {
namespace {

constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 4;
constexpr int kVersionRevision = 0;

constexpr std::string_view kDescription =
    "Before you start you need to create an application in Twitter and complete the fields "
    "displayed below:";
constexpr std::string_view kLoaded = "Loaded previous credentials. Click OK to authenticate.";
constexpr std::string_view kEnterValid = "Enter valid credentials, then click OK to authenticate.";
constexpr std::string_view kAuthFailed = "Authentication failed. Check credentials and try again.";
constexpr std::string_view kAuthSucceeded =
    "Authentication successful. Wrenfold is now operational!";
constexpr std::string_view kSysInfoUnavailable = "System Information Is Unavailable At This Time";
constexpr std::string_view kFirstQuery = "skein AND twitter";

// Tells the user which of the three went wrong: the key and secret refused, the server out of
// reach, or its certificate not trusted; each wants a different remedy.
std::string FailureStatus(const AuthResult& result) {
  const std::string reason = DescribeAuthFailure(result);
  if (reason.empty()) return std::string(kAuthFailed);
  std::string text = "Authentication failed: " + reason + ".";
  if (result.failure == AuthFailure::kRefused || result.failure == AuthFailure::kNoToken) {
    text += " Check credentials and try again.";
  } else if (result.failure == AuthFailure::kUnreachable) {
    text += " Check the connection, then try again.";
  }
  return text;
}

// Long enough to read the success message before the window goes.
constexpr auto kSuccessPause = std::chrono::seconds(1);

void WaitYielding(UiPort* ui, std::chrono::steady_clock::time_point deadline) {
  using Clock = std::chrono::steady_clock;
  for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
    if (ui != nullptr) ui->YieldToEvents();
    std::this_thread::sleep_for(
        std::min<Clock::duration>(std::chrono::milliseconds(15), deadline - Clock::now()));
  }
}

}  // namespace

CredentialsWindow::CredentialsWindow(MainWindow& main, Environment env)
    : main_(main),
      env_(std::move(env)),
      appcred_path_((std::filesystem::path(env_.program_folder) / "appcred").string()) {}

void CredentialsWindow::Form_Load() {
  caption_ = "About " + std::string(kAppTitle);
  title_ = std::string(kAppTitle);
  version_ = "Version " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
             "." + std::to_string(kVersionRevision) + " (2020)";
  description_ = std::string(kDescription);
  visible_ = true;
  if (main_.Enabled()) main_.SetEnabled(false);
  // Reopened as the About box: it shows what it showed when it was hidden.
  if (loaded_) return;
  loaded_ = true;

  const bool loaded = ReadAppcred();
  UpdateOk();
  status_ = std::string(loaded && ok_enabled_ ? kLoaded : kEnterValid);
  status_colour_ = StatusColour::Default;
  // Credentials typed now could not replace the token this run already uses.
  if (!main_.Twitter().BearerToken().empty()) fields_enabled_ = false;
}

bool CredentialsWindow::ReadAppcred() {
  fields_ = {};
  const auto stored = wf::ReadAppcred(appcred_path_);
  if (!stored) return false;
  fields_ = *stored;
  return true;
}

void CredentialsWindow::UpdateOk() {
  ok_enabled_ =
      std::all_of(fields_.begin(), fields_.end(), [](const std::string& f) { return !f.empty(); });
}

void CredentialsWindow::tbCred_Change(int index, std::string text) {
  if (index < 0 || index >= static_cast<int>(fields_.size())) return;
  fields_[static_cast<std::size_t>(index)] = std::move(text);
  UpdateOk();
}

void CredentialsWindow::cmdOK_Click() {
  // A click that arrives while the success pause yields to the window must not start over.
  if (authenticating_) return;
  TwitterAPI& twitter = main_.Twitter();
  if (!twitter.BearerToken().empty()) {
    visible_ = false;
    main_.ActivateAfterAuthentication();
    return;
  }
  authenticating_ = true;
  const std::string token = twitter.AuthAppAccess(fields_[0], fields_[1], fields_[2]);
  if (token.empty()) {
    status_colour_ = StatusColour::Red;
    status_ = FailureStatus(twitter.LastAuthResult());
    authenticating_ = false;
    return;
  }

  fields_enabled_ = false;
  status_colour_ = StatusColour::Blue;
  status_ = std::string(kAuthSucceeded);
  if (env_.ui != nullptr) env_.ui->YieldToEvents();
  const auto shown_at = std::chrono::steady_clock::now();

  WriteAppcred();

  if (env_.wait_until) {
    env_.wait_until(shown_at + kSuccessPause);
  } else {
    WaitYielding(env_.ui, shown_at + kSuccessPause);
  }

  visible_ = false;
  main_.ActivateAfterAuthentication();
  // The session restore is a convenience: whatever goes wrong in it, the token stands and the
  // window is usable.
  try {
    main_.SetSearchQuery(std::string(kFirstQuery));
    main_.Sessions().LoadPrefs();
    // After the last session is back, so that recovered tweets are not replaced by it.
    main_.Recovery().OfferRecovery();
  } catch (const std::exception&) {
  }
  authenticating_ = false;
}

bool CredentialsWindow::WriteAppcred() const {
  std::string error;
  if (wf::WriteAppcred(appcred_path_, fields_, &error)) return true;
  if (env_.ui != nullptr) {
    env_.ui->MessageBox("The credentials could not be saved (" + error +
                            ").\r\nThey are valid until Wrenfold closes; enter them again at "
                            "the next start.",
                        MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  }
  return false;
}

bool CredentialsWindow::Form_QueryUnload() {
  if (!main_.Twitter().BearerToken().empty()) return false;
  visible_ = false;
  program_ended_ = true;
  return true;
}

void CredentialsWindow::cmdSysInfo_Click() {
  const std::string info = env_.system_info ? env_.system_info() : DescribeSystem();
  if (env_.ui == nullptr) return;
  if (info.empty()) {
    env_.ui->MessageBox(kSysInfoUnavailable, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  } else {
    env_.ui->MessageBox(info, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
}

}  // namespace wf
