// File > Open > Tweet IDs to Hydrate: the current state of the tweets a shared id list names.
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "mainwindow/loop_context.h"
#include "mainwindow/recovery_part.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/search_part.h"
#include "mainwindow/sessions_part.h"
#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"
#include "records/tweet_id_file.h"
#include "util/file_io.h"

namespace wf {
namespace {

constexpr std::string_view kIdsFilter = "Text (*.txt)|*.txt|CSV (*.csv)|*.csv|All files (*.*)|*.*";

}  // namespace

void SearchPart::mHydrateIds_Click() {
  if (core_.retrieval_busy || core_.env.ui == nullptr) return;
  const auto picked = core_.env.ui->OpenFileDialog(
      {"Open Tweet IDs to Hydrate", std::string(kIdsFilter), "txt", ""});
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

bool SearchPart::HydrateIdsFile(const std::string& path) {
  if (core_.retrieval_busy) return false;
  UiPort* ui = core_.env.ui;
  last_hydration_ = {};
  const auto ids = ReadIds(path, ui);
  if (!ids) return false;
  sessions_.OfferToSaveTweets();
  RetrievalScope scope(core_);
  core_.twitter->Tweets().Clear();
  core_.out_table.Clear();
  tables_.Tables()[0].Clear();
  scope.ShowHourglass();
  core_.Notify(kTweetsChanged | kStatusChanged | kControlsChanged | kUserTablesChanged);

  if (!core_.env.program_folder.empty()) {
    RecoveryHeader h;
    h.kind = RecoveryHeader::Kind::Hydrate;
    // Absolute, so that a resumed run finds the file from any folder.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    h.query = ec ? path : absolute.string();
    h.threshold = core_.early_date;
    core_.journal.Begin(RecoveryLog::PathIn(core_.env.program_folder), h);
  }
  LoopContext ctx(core_, list_);
  last_hydration_ = RetrieveHydration(ctx, path, *ids);
  core_.last_outcome = last_hydration_.outcome;

  core_.dialog_file_name.clear();
  core_.tweets_fn.clear();
  core_.ShowTweets(false);
  // The rows are unsaved; the caption names where they came from.
  core_.caption = std::string(kAppTitle) + " [" + path + "*]";
  core_.cur_tweet_src = TweetSource::kSearch;
  scope.End();
  recovery_.EndJournal();
  core_.Notify(kControlsChanged | kCaptionChanged);
  return true;
}

bool SearchPart::ResumeHydration(const RecoveredRetrieval& r) {
  if (core_.retrieval_busy || r.header.kind != RecoveryHeader::Kind::Hydrate) return false;
  UiPort* ui = core_.env.ui;
  const std::string& path = r.header.query;
  const auto ids = ReadIds(path, ui);
  if (!ids) return false;
  HydrationResult before;
  before.done = std::strtoull(r.state.max_id.c_str(), nullptr, 10);
  before.found = r.tweets.size();
  for (const auto& [id, reason] : r.missing) before.missing.push_back({id, reason});
  RetrievalScope scope(core_);
  core_.twitter->Tweets().Clear();
  core_.twitter->Tweets().AppendRecords(r.tweets);
  core_.out_table.Clear();
  tables_.Tables()[0].Clear();
  const auto in_file = static_cast<std::int32_t>(r.tweets.size());
  core_.journal.Continue(RecoveryLog::PathIn(core_.env.program_folder), in_file, in_file);
  scope.ShowHourglass();
  core_.Notify(kTweetsChanged | kControlsChanged | kUserTablesChanged);

  LoopContext ctx(core_, list_);
  last_hydration_ = RetrieveHydration(ctx, path, *ids, std::move(before));
  core_.last_outcome = last_hydration_.outcome;

  core_.dialog_file_name.clear();
  core_.tweets_fn.clear();
  core_.ShowTweets(false);
  core_.caption = std::string(kAppTitle) + " [" + path + "*]";
  core_.cur_tweet_src = TweetSource::kSearch;
  scope.End();
  recovery_.EndJournal();
  core_.Notify(kControlsChanged | kCaptionChanged);
  return true;
}

}  // namespace wf
