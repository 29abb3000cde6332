#include "mainwindow/main_window.h"

#include <filesystem>

#include "util/file_exists.h"
#include "util/file_io.h"

namespace wf {

MainWindow::MainWindow(MainWindowEnvironment env)
    : core_(std::move(env)),
      list_(core_, followers_),
      followers_(core_, list_, tables_),
      tables_(core_, list_, followers_),
      sessions_(core_, tables_),
      recovery_(core_, list_, tables_, sessions_, search_),
      search_(core_, list_, tables_, sessions_, recovery_),
      timelines_(core_, list_, tables_, sessions_, recovery_),
      edit_(core_, list_, followers_) {}

MainWindow::~MainWindow() = default;

void MainWindow::SetEnabled(bool enabled) {
  core_.SetEnabled(enabled);
}

void MainWindow::SetSearchQuery(std::string text) {
  core_.search_query = std::move(text);
  core_.Notify(kControlsChanged);
}

void MainWindow::SetEarlyDate(const CivilDateTime& date) {
  core_.early_date = date;
  core_.Notify(kControlsChanged);
}

void MainWindow::Form_Load() {
  namespace fs = std::filesystem;
  sessions_.ResetVisualiser();
  list_.ResetCount();
  const CivilDateTime now = NowLocal();
  core_.early_date = FromSerialSeconds(ToSerialSeconds(now) - 7 * 86400);
  core_.caption = std::string(kAppTitle);
  core_.info_bar = {};
  edit_.ResetDateForm();
  core_.search_lang = "en";
  tables_.Reset();
  core_.enabled = false;  // until the credentials window has a token
  // The API host and version must be known before the first token request, long before
  // LoadPrefs.
  if (const auto prefs = ReadWholeFile((fs::path(core_.env.program_folder) / "prefs").string())) {
    std::size_t from = 0;
    while (from < prefs->size()) {
      std::size_t end = prefs->find_first_of("\r\n", from);
      if (end == std::string::npos) end = prefs->size();
      const std::string_view line = std::string_view(*prefs).substr(from, end - from);
      if (!core_.env.api_base_given && line.size() > 3 && line.substr(0, 3) == "AH-") {
        core_.api_base = std::string(line.substr(3));
        core_.twitter->SetApiBase(core_.api_base);
        core_.utwitter->SetApiBase(core_.api_base);
      } else if (line.size() >= 3) {
        sessions_.LoadApiVersionPref(line.substr(0, 3), line.substr(3));
      }
      from = end + 1;
    }
  }
  sessions_.ApplyApiVersion();
  // Output files a classifier run left behind (one killed or timed out).
  for (int n = 0; n <= 254; ++n) {
    const std::string leftover =
        (fs::path(core_.env.program_folder) / ("tmp" + std::to_string(n) + "_out.txt")).string();
    if (!FileExists(leftover)) break;
    std::error_code ec;
    fs::remove(leftover, ec);
  }
  core_.Notify(~0u);
}

void MainWindow::ActivateAfterAuthentication() {
  core_.enabled = true;
  core_.Notify(kWindowChanged);
}

void MainWindow::Timer1_Timer() {
  // A follower list writes its own counts into the status bar while it runs.
  if (!core_.timer1_enabled) return;
  core_.info_bar[0] = std::to_string(core_.out_table.RowCount()) + " tweets displayed";
  core_.info_bar[1] = std::to_string(list_.List().Count()) + " users displayed (" +
                      std::to_string(list_.List().TickedCount()) + " checked)";
  core_.Notify(kStatusChanged);
}

void MainWindow::Progress_Click(int line) {
  core_.progress.Select(line);
  if (core_.progress.Selected() >= 0) {
    core_.progress.SetToolTip(
        core_.progress.Lines()[static_cast<std::size_t>(core_.progress.Selected())]);
  }
  core_.Notify(kLogChanged);
}

void MainWindow::mCopyLog_Click() {
  if (core_.env.ui == nullptr) return;
  const std::string text = core_.progress.Text();
  core_.env.ui->SetClipboardText("");
  core_.env.ui->YieldToEvents();
  core_.env.ui->SetClipboardText(text);
}

void MainWindow::mAbout_Click() {
  SetEnabled(false);
}

bool MainWindow::Form_QueryUnload() {
  // Closing under a running retrieval would leave its loop running inside the closing
  // window: stop it first; the user closes again once it has ended.
  if (core_.retrieval_busy) {
    search_.QuitGet_Click();
    return false;
  }
  if (core_.out_table.RowCount() >= 1 && core_.env.ui != nullptr) {
    const MsgAnswer a =
        core_.env.ui->Ask({QuestionId::SaveTweetsBeforeExit}, "Save Tweets before exiting?",
                          MsgButtons::YesNoCancel, MsgIcon::Question, kAppTitle);
    if (a == MsgAnswer::Cancel) return false;
    // A save that did not happen (its dialog cancelled, the write failed) keeps the window:
    // the user asked for the tweets to be kept.
    if (a == MsgAnswer::Yes && !sessions_.SaveTweetsTable()) return false;
  }
  if (!CloseWithUnsavedUsers()) return false;
  sessions_.SavePrefs();
  core_.closed = true;
  core_.Notify(kWindowChanged);
  return true;
}

bool MainWindow::CloseWithUnsavedUsers() {
  int tables = 0;
  for (const UserTableView& t : tables_.Tables()) tables += t.Unsaved() ? 1 : 0;
  const bool list = list_.List().Unsaved();
  if ((tables == 0 && !list) || core_.env.ui == nullptr) return true;
  std::string what;
  if (tables > 0) {
    what = std::to_string(tables) + (tables == 1 ? " user table" : " user tables");
  }
  if (list) what += what.empty() ? "The user list" : " and the user list";
  const bool one = tables + (list ? 1 : 0) == 1;
  return core_.env.ui->Ask({QuestionId::CloseWithUnsavedUsers},
                           what + (one ? " is" : " are") + " not saved. Close anyway?",
                           MsgButtons::YesNo, MsgIcon::Question, kAppTitle) == MsgAnswer::Yes;
}

}  // namespace wf
