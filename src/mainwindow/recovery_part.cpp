// Recovery of retrievals the program did not finish: the journal each search and timeline walk
// keeps, the start-up offer, and taking a run up again where it stopped.
#include "mainwindow/recovery_part.h"

#include <filesystem>

#include "mainwindow/loop_context.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/search_part.h"
#include "mainwindow/sessions_part.h"
#include "mainwindow/user_list_part.h"
#include "mainwindow/user_tables_part.h"
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

void RecoveryPart::BeginSearchJournal(const std::string& since_id) {
  // Without a program folder the journal would land in whatever the current folder is.
  if (core_.env.program_folder.empty()) return;
  RecoveryHeader h;
  h.kind = RecoveryHeader::Kind::Search;
  h.query = core_.search_query;
  h.lang = core_.search_lang;
  h.geocode = core_.use_loc ? core_.search_location : std::string();
  h.since_id = since_id;
  h.threshold = core_.early_date;
  h.update = !since_id.empty();
  if (h.update) h.base_file = core_.tweets_fn;
  // A journal that cannot be written leaves the search as it always was, unguarded.
  core_.journal.Begin(RecoveryLog::PathIn(core_.env.program_folder), h);
}

void RecoveryPart::BeginTimelineJournal(
    const std::function<std::string(const std::string&)>& since_for) {
  if (core_.env.program_folder.empty()) return;
  RecoveryHeader h;
  h.kind = RecoveryHeader::Kind::Timelines;
  h.threshold = core_.early_date;
  h.users_are_ids = list_.UserHandle() == UserEntryKind::kUserId;
  h.update = static_cast<bool>(since_for);
  if (h.update) h.base_file = core_.tweets_fn;
  // The walk takes the ticked entries in list order; the table does not change during an
  // update's walk, so each since id is known now.
  for (const auto& entry : list_.List().Entries()) {
    if (!entry.ticked) continue;
    h.users.push_back(entry.text);
    h.user_since.push_back(since_for ? since_for(entry.text) : std::string());
  }
  core_.journal.Begin(RecoveryLog::PathIn(core_.env.program_folder), h);
}

void RecoveryPart::EndJournal() {
  if (!keep_recovery_until_saved_) core_.journal.Finish();
}

void RecoveryPart::DiscardRecovery() {
  if (core_.journal.IsOpen()) {
    core_.journal.Finish();
    return;
  }
  if (core_.env.program_folder.empty()) return;
  const std::string path = RecoveryLog::PathIn(core_.env.program_folder);
  if (!RecoveryFileInUse(path)) RemoveFile(path);
}

void RecoveryPart::OfferRecovery() {
  if (core_.retrieval_busy || core_.env.program_folder.empty()) return;
  const std::string path = RecoveryLog::PathIn(core_.env.program_folder);
  if (!FileExists(path) || RecoveryFileInUse(path)) return;
  const auto recovered = ReadRecoveryFile(path);
  if (!recovered || recovered->tweets.empty()) {
    // Killed before its first page arrived, or not a journal at all: nothing to offer.
    RemoveFile(path);
    return;
  }
  UiPort* ui = core_.env.ui;
  if (ui == nullptr) return;
  if (ui->Ask({QuestionId::RecoverInterruptedTweets}, RecoverPrompt(recovered->tweets.size()),
              MsgButtons::YesNo, MsgIcon::Question, kAppTitle) != MsgAnswer::Yes) {
    RemoveFile(path);
    return;
  }
  RecoverRetrieval(false);
}

bool RecoveryPart::RecoverRetrieval(bool resume) {
  if (core_.retrieval_busy || core_.env.program_folder.empty()) return false;
  const std::string path = RecoveryLog::PathIn(core_.env.program_folder);
  if (RecoveryFileInUse(path)) return false;
  auto recovered = ReadRecoveryFile(path);
  if (!recovered || recovered->tweets.empty()) return false;
  RecoveredRetrieval& r = *recovered;
  // A hydration goes on through its ids file (search_hydrate.cpp).
  if (r.header.kind == RecoveryHeader::Kind::Hydrate) return search_.ResumeHydration(r);
  UiPort* ui = core_.env.ui;

  sessions_.OfferToSaveTweets();
  const std::size_t count = r.tweets.size();
  const bool update = r.header.update;
  if (update && !r.header.base_file.empty() && FileExists(r.header.base_file)) {
    // The tweets of an update belong after those of the file it was run on.
    core_.starting = true;
    core_.dialog_file_name = r.header.base_file;
    core_.tweets_modified = false;
    sessions_.mOpenTweets_Click();
    core_.starting = false;
  }
  const bool onto_file =
      update && !core_.tweets_fn.empty() && core_.tweets_fn == r.header.base_file;
  if (!onto_file) {
    core_.out_table.Clear();
    // Only the "Tweets" table is built from the tweet table being replaced.
    tables_.Tables()[0].Clear();
    core_.tweets_fn.clear();
    core_.dialog_file_name.clear();
  }
  const bool search = r.header.kind == RecoveryHeader::Kind::Search;
  core_.twitter->Tweets().Clear();
  core_.twitter->Tweets().AppendRecords(r.tweets);
  if (search) {
    core_.search_query = r.header.query;
    core_.progress.Add("Recovered " + std::to_string(count) +
                       " statuses of an interrupted search for [" + r.header.query + "]");
  } else {
    core_.progress.Add("Recovered " + std::to_string(count) +
                       " statuses of an interrupted user timeline retrieval");
  }
  core_.progress.SelectLast();
  core_.ShowTweets(onto_file);
  core_.cur_tweet_src = search ? TweetSource::kSearch : TweetSource::kTimelines;
  if (search) {
    core_.update_search_enabled = core_.out_table.RowCount() >= 1;
  } else {
    core_.update_utl_enabled = core_.out_table.RowCount() >= 1;
  }
  core_.Notify(kLogChanged | kControlsChanged);

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

void RecoveryPart::ResumeRetrieval(const RecoveredRetrieval& r) {
  const std::string path = RecoveryLog::PathIn(core_.env.program_folder);
  const bool onto_table = r.header.update;
  const auto in_file = static_cast<std::int32_t>(r.tweets.size());

  const bool search = r.header.kind == RecoveryHeader::Kind::Search;
  RetrievalScope scope(core_);
  // The run goes on with its own settings, not whatever the window was set to since.
  if (search) {
    core_.search_lang = r.header.lang;
    core_.use_loc = !r.header.geocode.empty();
    if (core_.use_loc) core_.search_location = r.header.geocode;
  }
  core_.early_date = r.header.threshold;
  // An update adds only what the set fetches from here on (the recovered tweets are shown
  // already); a new search rebuilds the table from the whole set, recovered tweets first.
  if (onto_table) core_.twitter->Tweets().Clear();
  core_.journal.Continue(path, in_file, onto_table ? 0 : in_file);
  scope.ShowHourglass();
  core_.Notify(kControlsChanged);

  LoopContext ctx(core_, list_);
  if (search) {
    core_.last_outcome = RetrieveSearch(ctx, r.header.query, r.header.since_id,
                                        core_.search_location, r.state.max_id);
  } else {
    ctx.AddLogLine("User timeline retrieval started @" + LogDateTime(NowLocal()));
    const std::size_t from =
        r.state.user_index < 0 ? 0 : static_cast<std::size_t>(r.state.user_index);
    core_.last_outcome = ResumeTimelines(ctx, r.header.users, r.header.user_since, from,
                                         r.state.max_id, !onto_table, r.header.users_are_ids);
  }

  core_.ShowTweets(onto_table);
  scope.End();
  core_.cur_tweet_src = search ? TweetSource::kSearch : TweetSource::kTimelines;
  if (search) {
    core_.update_search_enabled = core_.out_table.RowCount() >= 1;
  } else {
    core_.update_utl_enabled = core_.out_table.RowCount() >= 1;
  }
  EndJournal();
  core_.Notify(kControlsChanged);
}

}  // namespace wf
