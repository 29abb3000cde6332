#include "mainwindow/main_window.h"

#include <filesystem>
#include <unordered_set>

#include "mainwindow/window_text.h"
#include "util/file_exists.h"
#include "util/file_io.h"
#include "util/program_folder.h"
#include "util/shell_and_wait.h"

namespace wf {

MainWindow::MainWindow(MainWindowEnvironment env) : env_(std::move(env)), api_base_(env_.api_base) {
  twitter_ = std::make_unique<TwitterAPI>(*env_.http, env_.ui, api_base_);
  utwitter_ = std::make_unique<TwitterAPI>(*env_.http, env_.ui, api_base_);
  user_tables_.emplace_back();
  caption_ = std::string(kAppTitle);
  const auto archive = [this](std::string_view url, int status, std::string_view body) {
    ArchiveResponse(url, status, body);
  };
  twitter_->SetResponseObserver(archive);
  utwitter_->SetResponseObserver(archive);
  // Cancel reaches a request that is waiting for its answer, not only the loop around it.
  const auto stopped = [this] { return stop_requested_; };
  twitter_->SetStopSignal(stopped);
  utwitter_->SetStopSignal(stopped);
  ApplyApiVersion();
}

namespace {

std::string PendingArchivePath(const std::string& folder) {
  return (std::filesystem::path(folder) / "responses-pending.jsonl").string();
}

}  // namespace

void MainWindow::mArchive_Click() {
  archive_checked_ = !archive_checked_;
  if (!archive_checked_) archive_.Close();
  Notify(kControlsChanged);
}

bool MainWindow::SetArchiveFile(const std::string& path) {
  std::string error;
  if (!archive_.Open(path, &error)) {
    if (env_.ui != nullptr) {
      env_.ui->MessageBox("Couldn't open the response archive: " + error, MsgButtons::Ok,
                          MsgIcon::Exclamation, kAppTitle);
    }
    return false;
  }
  archive_fixed_path_ = path;
  archive_checked_ = true;
  return true;
}

void MainWindow::ArchiveResponse(std::string_view url, int status, std::string_view body) {
  if (!archive_checked_) return;
  if (!archive_.IsOpen()) {
    const std::string path =
        archive_fixed_path_.empty() ? PendingArchivePath(env_.program_folder) : archive_fixed_path_;
    std::string error;
    if (!archive_.Open(path, &error)) {
      archive_checked_ = false;
      if (env_.ui != nullptr) {
        env_.ui->MessageBox("Couldn't open the response archive, archiving is off: " + error,
                            MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
      }
      Notify(kControlsChanged);
      return;
    }
  }
  archive_.Append(url, status, body);
}

void MainWindow::MoveArchiveBeside(const std::string& tweet_file) {
  if (!archive_checked_ || !archive_fixed_path_.empty()) return;
  const std::string pending = PendingArchivePath(env_.program_folder);
  archive_.Close();
  const auto bytes = ReadWholeFile(pending);
  if (!bytes || bytes->empty()) return;
  const std::string target = std::filesystem::path(tweet_file).replace_extension(".jsonl").string();
  std::string error;
  EnsureArchiveLineEnd(target);
  if (!AppendToFile(target, *bytes, &error)) {
    if (env_.ui != nullptr) {
      env_.ui->MessageBox("Couldn't write the response archive beside the tweet file (" + error +
                              "); the responses stay in " + pending,
                          MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return;
  }
  std::error_code ec;
  std::filesystem::remove(pending, ec);
}

MainWindow::~MainWindow() = default;

void MainWindow::Notify(unsigned changes) {
  if (observer_ != nullptr && changes != 0) observer_->OnModelChanged(changes);
}

void MainWindow::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Notify(kWindowChanged);
}

void MainWindow::SetSearchQuery(std::string text) {
  search_query_ = std::move(text);
  Notify(kControlsChanged);
}

void MainWindow::SetEarlyDate(const CivilDateTime& date) {
  early_date_ = date;
  Notify(kControlsChanged);
}

int MainWindow::Shell(std::string_view command, std::int32_t timeout_ms, int window_style) {
  if (env_.shell) return env_.shell(command, timeout_ms, window_style);
  return ShellAndWait(command, timeout_ms, window_style, 0, env_.ui);
}

bool MainWindow::RunSentiment(SkeinData& data, bool recalc) {
  if (!env_.sentiment_program.empty()) data.SetSentimentProgram(env_.sentiment_program);
  return data.RunSentiStrength(env_.program_folder, env_.program_folder, recalc);
}

std::string MainWindow::DefaultVisualiser() const {
  if (!env_.visualiser_program.empty()) return env_.visualiser_program;
  return (std::filesystem::path(ExecutableFolder()) / "wrenfold-view").string();
}

void MainWindow::SetCaptionForFile(bool modified) {
  caption_ = std::string(kAppTitle) + " [" + tweets_fn_ + (modified ? "*]" : "]");
}

void MainWindow::Form_Load() {
  namespace fs = std::filesystem;
  nv_path_ = DefaultVisualiser();
  ul_count_ = std::to_string(user_list_.Count()) + " users";
  const CivilDateTime now = NowLocal();
  early_date_ = FromSerialSeconds(ToSerialSeconds(now) - 7 * 86400);
  caption_ = std::string(kAppTitle);
  info_bar_ = {};
  vb_date_time_checked_ = false;
  search_lang_ = "en";
  user_tables_.assign(1, UserTableView());
  current_user_table_ = 0;
  enabled_ = false;  // until the credentials window has a token
  // The API host and version must be known before the first token request, long before
  // LoadPrefs.
  if (const auto prefs = ReadWholeFile((fs::path(env_.program_folder) / "prefs").string())) {
    std::size_t from = 0;
    while (from < prefs->size()) {
      std::size_t end = prefs->find_first_of("\r\n", from);
      if (end == std::string::npos) end = prefs->size();
      const std::string_view line = std::string_view(*prefs).substr(from, end - from);
      if (!env_.api_base_given && line.size() > 3 && line.substr(0, 3) == "AH-") {
        api_base_ = std::string(line.substr(3));
        twitter_->SetApiBase(api_base_);
        utwitter_->SetApiBase(api_base_);
      } else if (line.size() >= 3) {
        LoadApiVersionPref(line.substr(0, 3), line.substr(3));
      }
      from = end + 1;
    }
  }
  ApplyApiVersion();
  // Output files a classifier run left behind (one killed or timed out).
  for (int n = 0; n <= 254; ++n) {
    const std::string leftover =
        (fs::path(env_.program_folder) / ("tmp" + std::to_string(n) + "_out.txt")).string();
    if (!FileExists(leftover)) break;
    std::error_code ec;
    fs::remove(leftover, ec);
  }
  Notify(~0u);
}

void MainWindow::ActivateAfterAuthentication() {
  enabled_ = true;
  Notify(kWindowChanged);
}

void MainWindow::ShowTweets(bool append) {
  const TweetSet& tweets = twitter_->Tweets();
  if (tweets.Count() >= 1) {
    SkeinData data(env_.ui);
    data.SetData(tweets);
    RunSentiment(data, false);
    // Sorted views order by tweet id; rows are added in bulk and sorted once.
    const bool sorted = out_table_.Sorted();
    out_table_.SetSorted(false);
    out_table_.SetSortKey(3);
    if (!append) out_table_.Clear();
    out_table_.Reserve(static_cast<std::size_t>(out_table_.RowCount() + data.RecordCount()));
    if (append) {
      // An update asks only for newer tweets, but a since id found wrongly, or a service that
      // repeats one, must not put a tweet in the table twice.
      std::unordered_set<std::string> shown;
      shown.reserve(static_cast<std::size_t>(out_table_.RowCount() + data.RecordCount()));
      for (std::int32_t r = 0; r < out_table_.RowCount(); ++r) {
        shown.emplace(window_text::Trimmed(out_table_.Cell(r, 4)));
      }
      for (std::int32_t r = 1; r <= data.RecordCount(); ++r) {
        const std::string_view id = window_text::Trimmed(data.Cell(r, 4));
        if (id.empty() || shown.emplace(id).second) {
          ShowRowFromStore(data, r, false);
        }
      }
    } else {
      for (std::int32_t r = 1; r <= data.RecordCount(); ++r) ShowRowFromStore(data, r, false);
    }
    out_table_.SetSorted(sorted);
  }
  info_bar_[0] = std::to_string(out_table_.RowCount()) + " tweets displayed";
  SetCaptionForFile(true);
  tweets_modified_ = true;
  Notify(kTweetsChanged | kStatusChanged | kCaptionChanged);
  if (env_.ui != nullptr) env_.ui->YieldToEvents();
}

void MainWindow::ShowRowFromStore(const SkeinData& data, std::int32_t r, bool ghosted) {
  out_table_.AddRow(data.Cells(r), ghosted);
}

void MainWindow::mSortDT_Click() {
  out_table_.SetSorted(!out_table_.Sorted());
  Notify(kTweetsChanged | kControlsChanged);
}

void MainWindow::OutTable_ColumnClick(int column_index_1based) {
  out_table_.ColumnClick(column_index_1based - 1);
  Notify(kTweetsChanged);
}

}  // namespace wf
