// Settings, the status-bar timer, the request log's own commands, About and closing.
#include "mainwindow/main_window.h"
#include "util/cp1252.h"

namespace wf {

void MainWindow::mSetLang_Click() {
  if (env_.ui == nullptr) return;
  const auto answer = env_.ui->InputBox(
      "Enter the ISO-639-1 code (e.g. English = en, French = fr), or nothing for all languages",
      "Set Search Language", search_lang_);
  // Nothing means all languages: the searches then send an empty lang.
  if (answer && (answer->empty() || Utf8Length(*answer) == 2)) {
    search_lang_ = *answer;
    Notify(kControlsChanged);
  }
}

std::string MainWindow::SearchLanguageText() const {
  return "Language: " + (search_lang_.empty() ? std::string("all") : search_lang_);
}

void MainWindow::mSetLoc_Click() {
  if (env_.ui == nullptr) return;
  const auto answer = env_.ui->InputBox(
      "Enter location string <latitude>,<longitude>,<radius<mi/km>> e.g. 51,0,1mi. Current "
      "location setting (if set) is shown",
      "Set New Location", search_location_);
  const bool tick = answer && !answer->empty();
  if (tick) search_location_ = *answer;
  Notify(kControlsChanged);
  // Changing the box from code raises its click, as a click by the user would.
  if (use_loc_ != tick) UseLoc_Click(tick);
}

void MainWindow::UseLoc_Click(bool ticked) {
  use_loc_ = ticked;
  Notify(kControlsChanged);
  if (ticked) {
    if (search_location_.empty()) mSetLoc_Click();
    if (use_loc_ && env_.ui != nullptr) {
      env_.ui->MessageBox(
          "Subsequent searches will be restricted to the radius: " + search_location_,
          MsgButtons::Ok, MsgIcon::Information, kAppTitle);
    }
  } else if (env_.ui != nullptr) {
    env_.ui->MessageBox("Subsequent searches will not be restricted to a particular location",
                        MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
}

void MainWindow::mSetProxy_Click() {
  if (env_.ui == nullptr) return;
  const auto answer = env_.ui->InputBox("Enter proxy address", "Set Proxy", "127.0.0.1:8080");
  // Both clients: the second serves the followers frame, the Other tables and key files.
  twitter_->SetProxyServer(answer.value_or(std::string()));
  utwitter_->SetProxyServer(twitter_->ProxyServer());
}

void MainWindow::mSetApiHost_Click() {
  if (env_.ui == nullptr) return;
  const auto answer = env_.ui->InputBox(
      "Enter the address of the Twitter API, e.g. https://api.twitter.com or "
      "http://127.0.0.1:8080 for the simulator",
      "Set API Host", api_base_);
  if (!answer || answer->empty()) return;
  api_base_ = *answer;
  while (api_base_.size() > 1 && api_base_.back() == '/') api_base_.pop_back();
  twitter_->SetApiBase(api_base_);
  utwitter_->SetApiBase(api_base_);
  Notify(kControlsChanged);
}

void MainWindow::Timer1_Timer() {
  // A follower list writes its own counts into the status bar while it runs.
  if (!timer1_enabled_) return;
  info_bar_[0] = std::to_string(out_table_.RowCount()) + " tweets displayed";
  info_bar_[1] = std::to_string(user_list_.Count()) + " users displayed (" +
                 std::to_string(user_list_.TickedCount()) + " checked)";
  Notify(kStatusChanged);
}

void MainWindow::Progress_Click(int line) {
  progress_.Select(line);
  if (progress_.Selected() >= 0) {
    progress_.SetToolTip(progress_.Lines()[static_cast<std::size_t>(progress_.Selected())]);
  }
  Notify(kLogChanged);
}

void MainWindow::mCopyLog_Click() {
  if (env_.ui == nullptr) return;
  const std::string text = progress_.Text();
  env_.ui->SetClipboardText("");
  env_.ui->YieldToEvents();
  env_.ui->SetClipboardText(text);
}

void MainWindow::mAbout_Click() {
  SetEnabled(false);
}

bool MainWindow::Form_QueryUnload() {
  // Closing under a running retrieval would leave its loop running inside the closing
  // window: stop it first; the user closes again once it has ended.
  if (retrieval_busy_) {
    QuitGet_Click();
    return false;
  }
  if (out_table_.RowCount() >= 1 && env_.ui != nullptr) {
    const MsgAnswer a =
        env_.ui->Ask({QuestionId::SaveTweetsBeforeExit}, "Save Tweets before exiting?",
                     MsgButtons::YesNoCancel, MsgIcon::Question, kAppTitle);
    if (a == MsgAnswer::Cancel) return false;
    // A save that did not happen (its dialog cancelled, the write failed) keeps the window:
    // the user asked for the tweets to be kept.
    if (a == MsgAnswer::Yes && !SaveTweetsTable()) return false;
  }
  if (!CloseWithUnsavedUsers()) return false;
  SavePrefs();
  closed_ = true;
  Notify(kWindowChanged);
  return true;
}

bool MainWindow::CloseWithUnsavedUsers() {
  int tables = 0;
  for (const UserTableView& t : user_tables_) tables += t.Unsaved() ? 1 : 0;
  const bool list = user_list_.Unsaved();
  if ((tables == 0 && !list) || env_.ui == nullptr) return true;
  std::string what;
  if (tables > 0) {
    what = std::to_string(tables) + (tables == 1 ? " user table" : " user tables");
  }
  if (list) what += what.empty() ? "The user list" : " and the user list";
  const bool one = tables + (list ? 1 : 0) == 1;
  return env_.ui->Ask({QuestionId::CloseWithUnsavedUsers},
                      what + (one ? " is" : " are") + " not saved. Close anyway?",
                      MsgButtons::YesNo, MsgIcon::Question, kAppTitle) == MsgAnswer::Yes;
}

}  // namespace wf
