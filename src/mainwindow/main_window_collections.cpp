// File > Open from collection files (JSON or JSON lines that this program or other tools
// wrote), and the full-text setting that decides how their texts and the answers' are kept.
#include <filesystem>

#include "mainwindow/main_window.h"
#include "mainwindow/window_text.h"

namespace wf {
namespace {

constexpr std::string_view kCollectionFilter = "JSON (*.json *.jsonl)|*.json;*.jsonl";

std::string FileStem(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

}  // namespace

void MainWindow::SetFullText(bool on) {
  full_text_checked_ = on;
  for (TwitterAPI* api : {twitter_.get(), utwitter_.get()}) {
    api->Tweets().SetFullText(on);
    api->Users().SetFullText(on);
  }
  Notify(kControlsChanged);
}

void MainWindow::mFullText_Click() {
  SetFullText(!full_text_checked_);
}

std::optional<CollectionFileResult> MainWindow::ReadCollection(const std::string& path,
                                                               CollectionKind kind,
                                                               const CollectionPageSink& sink) {
  UiPort* ui = env_.ui;
  retrieval_busy_ = true;
  stop_requested_ = false;
  progress_fraction_ = 0;
  progress_text_ = "Reading " + std::filesystem::path(path).filename().string();
  if (ui != nullptr) ui->SetPointer(Pointer::ArrowHourglass);
  Notify(kControlsChanged | kStatusChanged);
  std::string error;
  const auto result = ReadCollectionFile(
      path, kind, sink,
      [&](std::uint64_t done, std::uint64_t total) {
        progress_fraction_ = total == 0 ? 1.0 : static_cast<double>(done) / total;
        Notify(kStatusChanged);
        if (ui != nullptr) ui->YieldToEvents();
        return !stop_requested_;
      },
      &error);
  retrieval_busy_ = false;
  progress_fraction_ = -1;
  progress_text_.clear();
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  Notify(kControlsChanged | kStatusChanged);
  if (ui == nullptr) return result;
  if (!result) {
    ui->MessageBox("Couldn't open: " + error, MsgButtons::Ok, MsgIcon::Exclamation,
                   "File Open Error");
  } else if (result->skipped > 0) {
    const std::string what = kind == CollectionKind::kTweets ? "tweets" : "users";
    ui->MessageBox(std::to_string(result->skipped) + " of " + std::to_string(result->texts) +
                       " lines of " + path + " skipped: not JSON, or holding no " + what + ".",
                   MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
  return result;
}

void MainWindow::mOpenCollectionTweets_Click() {
  UiPort* ui = env_.ui;
  if (ui == nullptr || retrieval_busy_) return;
  if (tweets_modified_ &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  const auto picked =
      ui->OpenFileDialog({"Open Tweets From Collection File", std::string(kCollectionFilter),
                          "json", dialog_file_name_});
  if (!picked) return;
  OpenCollectionTweets(*picked);
}

void MainWindow::OpenCollectionTweets(const std::string& path) {
  if (retrieval_busy_) return;
  TweetSet& tweets = twitter_->Tweets();
  tweets.Clear();
  bool first = true;
  const auto result = ReadCollection(path, CollectionKind::kTweets, [&](CollectionPage&& page) {
    tweets.SetData(page.text, !first, page.ignore_top_level);
    first = false;
  });
  if (!result) return;
  if (tweets.Count() == 0) {
    if (env_.ui != nullptr) {
      env_.ui->MessageBox("No tweets found in " + path, MsgButtons::Ok, MsgIcon::Information,
                          kAppTitle);
    }
    return;
  }
  // The rows are a new, unsaved table: saving must not offer to write over the collection.
  tweets_fn_.clear();
  cur_tweet_src_ = 0;
  ShowTweets(false);
  caption_ = std::string(kAppTitle) + " [" + path + "*]";
  Notify(kCaptionChanged | kUserTablesChanged);
}

void MainWindow::mOpenCollectionUsers_Click() {
  UiPort* ui = env_.ui;
  if (ui == nullptr || retrieval_busy_) return;
  const auto picked =
      ui->OpenFileDialog({"Open User Table From Collection File", std::string(kCollectionFilter),
                          "json", dialog_file_name_});
  if (!picked) return;
  OpenCollectionUsers(*picked);
}

void MainWindow::OpenCollectionUsers(const std::string& path) {
  if (retrieval_busy_) return;
  UserSet& users = utwitter_->Users();
  users.Clear();
  bool first = true;
  const auto result = ReadCollection(path, CollectionKind::kUsers, [&](CollectionPage&& page) {
    users.SetData(page.text, !first, page.ignore_top_level);
    first = false;
  });
  if (!result) return;
  if (users.Count() == 0) {
    if (env_.ui != nullptr) {
      env_.ui->MessageBox("No users found in " + path, MsgButtons::Ok, MsgIcon::Information,
                          kAppTitle);
    }
    return;
  }
  AddUserTable(FileStem(path));
  FillUserTable(*utwitter_);
  FinishUserTableOpen();
}

}  // namespace wf
