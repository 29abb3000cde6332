// File > Open > Tweet IDs to Hydrate: the current state of the tweets a shared id list names.
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "mainwindow/loop_context.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_text.h"
#include "records/tweet_id_file.h"
#include "util/file_io.h"

namespace wf {
namespace {

constexpr std::string_view kIdsFilter = "Text (*.txt)|*.txt|CSV (*.csv)|*.csv|All files (*.*)|*.*";

}  // namespace

void MainWindow::mHydrateIds_Click() {
  if (retrieval_busy_ || env_.ui == nullptr) return;
  const auto picked =
      env_.ui->OpenFileDialog({"Open Tweet IDs to Hydrate", std::string(kIdsFilter), "txt", ""});
  if (!picked) return;
  HydrateIdsFile(*picked);
}

namespace {

// The ids of `path`, or nothing after saying why through the UI.
std::optional<std::vector<std::string>> ReadIds(const std::string& path, UiPort* ui) {
  std::string error;
  const auto text = ReadWholeFile(path, &error);
  TweetIdList list;
  if (text) {
    list = ParseTweetIds(*text);
    error = list.error;
  }
  if (!text || !error.empty()) {
    if (ui != nullptr) {
      ui->MessageBox("Couldn't read the tweet ids of " + path + ": " + error, MsgButtons::Ok,
                     MsgIcon::Exclamation, "File Open Error");
    }
    return std::nullopt;
  }
  return std::move(list.ids);
}

}  // namespace

bool MainWindow::HydrateIdsFile(const std::string& path) {
  if (retrieval_busy_) return false;
  UiPort* ui = env_.ui;
  last_hydration_ = {};
  const auto ids = ReadIds(path, ui);
  if (!ids) return false;
  if (tweets_modified_ && ui != nullptr &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  retrieval_busy_ = true;
  stop_requested_ = false;
  twitter_->Tweets().Clear();
  out_table_.Clear();
  user_tables_[0].Clear();
  if (ui != nullptr) ui->SetPointer(Pointer::ArrowHourglass);
  Notify(kTweetsChanged | kStatusChanged | kControlsChanged | kUserTablesChanged);

  if (!env_.program_folder.empty()) {
    RecoveryHeader h;
    h.kind = RecoveryHeader::Kind::Hydrate;
    // Absolute, so that a resumed run finds the file from any folder.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    h.query = ec ? path : absolute.string();
    h.threshold = early_date_;
    journal_.Begin(RecoveryLog::PathIn(env_.program_folder), h);
  }
  LoopContext ctx(*this);
  last_hydration_ = RetrieveHydration(ctx, path, *ids);

  dialog_file_name_.clear();
  tweets_fn_.clear();
  ShowTweets(false);
  // The rows are unsaved; the caption names where they came from.
  caption_ = std::string(kAppTitle) + " [" + path + "*]";
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  cur_tweet_src_ = 1;
  retrieval_busy_ = false;
  stop_requested_ = false;
  EndJournal();
  Notify(kControlsChanged | kCaptionChanged);
  return true;
}

bool MainWindow::ResumeHydration(const RecoveredRetrieval& r) {
  if (retrieval_busy_ || r.header.kind != RecoveryHeader::Kind::Hydrate) return false;
  UiPort* ui = env_.ui;
  const std::string& path = r.header.query;
  const auto ids = ReadIds(path, ui);
  if (!ids) return false;
  HydrationResult before;
  before.done = std::strtoull(r.state.max_id.c_str(), nullptr, 10);
  before.found = r.tweets.size();
  for (const auto& [id, reason] : r.missing) before.missing.push_back({id, reason});
  retrieval_busy_ = true;
  stop_requested_ = false;
  twitter_->Tweets().Clear();
  twitter_->Tweets().AppendRecords(r.tweets);
  out_table_.Clear();
  user_tables_[0].Clear();
  const auto in_file = static_cast<std::int32_t>(r.tweets.size());
  journal_.Continue(RecoveryLog::PathIn(env_.program_folder), in_file, in_file);
  if (ui != nullptr) ui->SetPointer(Pointer::ArrowHourglass);
  Notify(kTweetsChanged | kControlsChanged | kUserTablesChanged);

  LoopContext ctx(*this);
  last_hydration_ = RetrieveHydration(ctx, path, *ids, std::move(before));

  dialog_file_name_.clear();
  tweets_fn_.clear();
  ShowTweets(false);
  caption_ = std::string(kAppTitle) + " [" + path + "*]";
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  cur_tweet_src_ = 1;
  retrieval_busy_ = false;
  stop_requested_ = false;
  EndJournal();
  Notify(kControlsChanged | kCaptionChanged);
  return true;
}

}  // namespace wf
