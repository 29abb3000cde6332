// File > Open from collection files (JSON or JSON lines that this program or other tools
// wrote), and the full-text setting that decides how their texts and the answers' are kept.
#include <filesystem>

#include "mainwindow/retrieval_scope.h"
#include "mainwindow/sessions_part.h"
#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"

namespace wf {
namespace {

constexpr std::string_view kCollectionFilter = "JSON (*.json *.jsonl)|*.json;*.jsonl";

std::string FileStem(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

}  // namespace

void SessionsPart::SetFullText(bool on) {
  full_text_checked_ = on;
  for (TwitterAPI* api : {core_.twitter.get(), core_.utwitter.get()}) {
    api->Tweets().SetFullText(on);
    api->Users().SetFullText(on);
  }
  core_.Notify(kControlsChanged);
}

void SessionsPart::mFullText_Click() {
  SetFullText(!full_text_checked_);
}

std::optional<CollectionFileResult> SessionsPart::ReadCollection(const std::string& path,
                                                                 CollectionKind kind,
                                                                 const CollectionPageSink& sink) {
  UiPort* ui = core_.env.ui;
  RetrievalScope scope(core_);
  core_.progress_fraction = 0;
  core_.progress_text = "Reading " + std::filesystem::path(path).filename().string();
  scope.ShowHourglass();
  core_.Notify(kControlsChanged | kStatusChanged);
  std::string error;
  const auto result = ReadCollectionFile(
      path, kind, sink,
      [&](std::uint64_t done, std::uint64_t total) {
        core_.progress_fraction = total == 0 ? 1.0 : static_cast<double>(done) / total;
        core_.Notify(kStatusChanged);
        if (ui != nullptr) ui->YieldToEvents();
        return !core_.stop_requested;
      },
      &error);
  scope.End();
  core_.progress_fraction = -1;
  core_.progress_text.clear();
  core_.Notify(kControlsChanged | kStatusChanged);
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

void SessionsPart::mOpenCollectionTweets_Click() {
  UiPort* ui = core_.env.ui;
  if (ui == nullptr || core_.retrieval_busy) return;
  OfferToSaveTweets();
  const auto picked =
      ui->OpenFileDialog({"Open Tweets From Collection File", std::string(kCollectionFilter),
                          "json", core_.dialog_file_name});
  if (!picked) return;
  OpenCollectionTweets(*picked);
}

void SessionsPart::OpenCollectionTweets(const std::string& path) {
  if (core_.retrieval_busy) return;
  TweetSet& tweets = core_.twitter->Tweets();
  tweets.Clear();
  bool first = true;
  const auto result = ReadCollection(path, CollectionKind::kTweets, [&](CollectionPage&& page) {
    tweets.SetData(page.text, !first, page.ignore_top_level);
    first = false;
  });
  if (!result) return;
  if (tweets.Count() == 0) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox("No tweets found in " + path, MsgButtons::Ok, MsgIcon::Information,
                               kAppTitle);
    }
    return;
  }
  // The rows are a new, unsaved table: saving must not offer to write over the collection.
  core_.tweets_fn.clear();
  core_.cur_tweet_src = TweetSource::kNone;
  core_.ShowTweets(false);
  core_.caption = std::string(kAppTitle) + " [" + path + "*]";
  core_.Notify(kCaptionChanged | kUserTablesChanged);
}

void SessionsPart::mOpenCollectionUsers_Click() {
  UiPort* ui = core_.env.ui;
  if (ui == nullptr || core_.retrieval_busy) return;
  const auto picked =
      ui->OpenFileDialog({"Open User Table From Collection File", std::string(kCollectionFilter),
                          "json", core_.dialog_file_name});
  if (!picked) return;
  OpenCollectionUsers(*picked);
}

void SessionsPart::OpenCollectionUsers(const std::string& path) {
  if (core_.retrieval_busy) return;
  UserSet& users = core_.utwitter->Users();
  users.Clear();
  bool first = true;
  const auto result = ReadCollection(path, CollectionKind::kUsers, [&](CollectionPage&& page) {
    users.SetData(page.text, !first, page.ignore_top_level);
    first = false;
  });
  if (!result) return;
  if (users.Count() == 0) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox("No users found in " + path, MsgButtons::Ok, MsgIcon::Information,
                               kAppTitle);
    }
    return;
  }
  tables_.AddUserTable(FileStem(path));
  tables_.FillUserTable(*core_.utwitter);
  tables_.FinishUserTableOpen();
}

}  // namespace wf
