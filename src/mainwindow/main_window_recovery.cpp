// Recovery of retrievals the program did not finish: the journal each search and timeline walk
// keeps, the start-up offer, and taking a run up again where it stopped.
#include <filesystem>

#include "mainwindow/loop_context.h"
#include "mainwindow/main_window.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/window_text.h"
#include "util/file_exists.h"
#include "workflows/search_retrieval.h"
#include "workflows/user_timeline_retrieval.h"

namespace wf {
namespace {

constexpr std::string_view kContinuePrompt =
    "Continue the interrupted retrieval from where it stopped?";

std::string RecoverPrompt(std::size_t tweets) {
  return "A retrieval was interrupted. Recover the " + std::to_string(tweets) +
         " tweets collected?";
}

void RemoveFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

void MainWindow::BeginSearchJournal(const std::string& since_id) {
  // Without a program folder the journal would land in whatever the current folder is.
  if (env_.program_folder.empty()) return;
  RecoveryHeader h;
  h.kind = RecoveryHeader::Kind::Search;
  h.query = search_query_;
  h.lang = search_lang_;
  h.geocode = use_loc_ ? search_location_ : std::string();
  h.since_id = since_id;
  h.threshold = early_date_;
  h.update = !since_id.empty();
  if (h.update) h.base_file = tweets_fn_;
  // A journal that cannot be written leaves the search as it always was, unguarded.
  journal_.Begin(RecoveryLog::PathIn(env_.program_folder), h);
}

void MainWindow::BeginTimelineJournal(
    const std::function<std::string(const std::string&)>& since_for) {
  if (env_.program_folder.empty()) return;
  RecoveryHeader h;
  h.kind = RecoveryHeader::Kind::Timelines;
  h.threshold = early_date_;
  h.users_are_ids = user_handle_ == 1;
  h.update = static_cast<bool>(since_for);
  if (h.update) h.base_file = tweets_fn_;
  // The walk takes the ticked entries in list order; the table does not change during an
  // update's walk, so each since id is known now.
  for (const auto& entry : user_list_.Entries()) {
    if (!entry.ticked) continue;
    h.users.push_back(entry.text);
    h.user_since.push_back(since_for ? since_for(entry.text) : std::string());
  }
  journal_.Begin(RecoveryLog::PathIn(env_.program_folder), h);
}

void MainWindow::EndJournal() {
  if (!keep_recovery_until_saved_) journal_.Finish();
}

void MainWindow::DiscardRecovery() {
  if (journal_.IsOpen()) {
    journal_.Finish();
    return;
  }
  if (env_.program_folder.empty()) return;
  const std::string path = RecoveryLog::PathIn(env_.program_folder);
  if (!RecoveryFileInUse(path)) RemoveFile(path);
}

void MainWindow::OfferRecovery() {
  if (retrieval_busy_ || env_.program_folder.empty()) return;
  const std::string path = RecoveryLog::PathIn(env_.program_folder);
  if (!FileExists(path) || RecoveryFileInUse(path)) return;
  const auto recovered = ReadRecoveryFile(path);
  if (!recovered || recovered->tweets.empty()) {
    // Killed before its first page arrived, or not a journal at all: nothing to offer.
    RemoveFile(path);
    return;
  }
  UiPort* ui = env_.ui;
  if (ui == nullptr) return;
  if (ui->Ask({QuestionId::RecoverInterruptedTweets}, RecoverPrompt(recovered->tweets.size()),
              MsgButtons::YesNo, MsgIcon::Question, kAppTitle) != MsgAnswer::Yes) {
    RemoveFile(path);
    return;
  }
  RecoverRetrieval(false);
}

bool MainWindow::RecoverRetrieval(bool resume) {
  if (retrieval_busy_ || env_.program_folder.empty()) return false;
  const std::string path = RecoveryLog::PathIn(env_.program_folder);
  if (RecoveryFileInUse(path)) return false;
  auto recovered = ReadRecoveryFile(path);
  if (!recovered || recovered->tweets.empty()) return false;
  RecoveredRetrieval& r = *recovered;
  // A hydration goes on through its ids file (main_window_hydrate.cpp).
  if (r.header.kind == RecoveryHeader::Kind::Hydrate) return ResumeHydration(r);
  UiPort* ui = env_.ui;

  if (tweets_modified_ && ui != nullptr &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  const std::size_t count = r.tweets.size();
  const bool update = r.header.update;
  if (update && !r.header.base_file.empty() && FileExists(r.header.base_file)) {
    // The tweets of an update belong after those of the file it was run on.
    starting_ = true;
    dialog_file_name_ = r.header.base_file;
    tweets_modified_ = false;
    mOpenTweets_Click();
    starting_ = false;
  }
  const bool onto_file = update && !tweets_fn_.empty() && tweets_fn_ == r.header.base_file;
  if (!onto_file) {
    out_table_.Clear();
    // Only the "Tweets" table is built from the tweet table being replaced.
    user_tables_[0].Clear();
    tweets_fn_.clear();
    dialog_file_name_.clear();
  }
  const bool search = r.header.kind == RecoveryHeader::Kind::Search;
  twitter_->Tweets().Clear();
  twitter_->Tweets().AppendRecords(r.tweets);
  if (search) {
    search_query_ = r.header.query;
    progress_.Add("Recovered " + std::to_string(count) +
                  " statuses of an interrupted search for [" + r.header.query + "]");
  } else {
    progress_.Add("Recovered " + std::to_string(count) +
                  " statuses of an interrupted user timeline retrieval");
  }
  progress_.SelectLast();
  ShowTweets(onto_file);
  cur_tweet_src_ = search ? 1 : 2;
  if (search) {
    update_search_enabled_ = out_table_.RowCount() >= 1;
  } else {
    update_utl_enabled_ = out_table_.RowCount() >= 1;
  }
  Notify(kLogChanged | kControlsChanged);

  if (!resume) {
    resume =
        ui != nullptr && ui->Ask({QuestionId::ContinueRecovered}, kContinuePrompt,
                                 MsgButtons::YesNo, MsgIcon::Question, kAppTitle) == MsgAnswer::Yes;
  }
  if (!resume) {
    // The tweets are in the table now, unsaved like those of any finished retrieval.
    RemoveFile(path);
    return true;
  }
  ResumeRetrieval(r);
  return true;
}

void MainWindow::ResumeRetrieval(const RecoveredRetrieval& r) {
  const std::string path = RecoveryLog::PathIn(env_.program_folder);
  const bool onto_table = r.header.update;
  const auto in_file = static_cast<std::int32_t>(r.tweets.size());

  const bool search = r.header.kind == RecoveryHeader::Kind::Search;
  RetrievalScope scope(*this);
  // The run goes on with its own settings, not whatever the window was set to since.
  if (search) {
    search_lang_ = r.header.lang;
    use_loc_ = !r.header.geocode.empty();
    if (use_loc_) search_location_ = r.header.geocode;
  }
  early_date_ = r.header.threshold;
  // An update adds only what the set fetches from here on (the recovered tweets are shown
  // already); a new search rebuilds the table from the whole set, recovered tweets first.
  if (onto_table) twitter_->Tweets().Clear();
  journal_.Continue(path, in_file, onto_table ? 0 : in_file);
  scope.ShowHourglass();
  Notify(kControlsChanged);

  LoopContext ctx(*this);
  if (search) {
    last_outcome_ =
        RetrieveSearch(ctx, r.header.query, r.header.since_id, search_location_, r.state.max_id);
  } else {
    ctx.AddLogLine("User timeline retrieval started @" + LogDateTime(NowLocal()));
    const std::size_t from =
        r.state.user_index < 0 ? 0 : static_cast<std::size_t>(r.state.user_index);
    last_outcome_ = ResumeTimelines(ctx, r.header.users, r.header.user_since, from, r.state.max_id,
                                    !onto_table, r.header.users_are_ids);
  }

  ShowTweets(onto_table);
  scope.End();
  cur_tweet_src_ = search ? 1 : 2;
  if (search) {
    update_search_enabled_ = out_table_.RowCount() >= 1;
  } else {
    update_utl_enabled_ = out_table_.RowCount() >= 1;
  }
  EndJournal();
  Notify(kControlsChanged);
}

}  // namespace wf
