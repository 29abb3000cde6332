// The search commands: new search, update search, Cancel, and the operators help page.
#include "mainwindow/search_part.h"

#include <algorithm>

#include "mainwindow/loop_context.h"
#include "mainwindow/recovery_part.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/sessions_part.h"
#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"
#include "workflows/search_retrieval.h"

namespace wf {
namespace {

constexpr std::string_view kOperatorsPage =
    "https://developer.twitter.com/en/docs/twitter-api/v1/tweets/search/guides/"
    "standard-operators";

}  // namespace

void SearchPart::GetSrch_Click() {
  if (core_.retrieval_busy) return;
  sessions_.OfferToSaveTweets();
  RetrievalScope scope(core_);
  core_.twitter->Tweets().Clear();
  core_.update_utl_enabled = false;
  core_.out_table.Clear();
  // The "Tweets" table is built from the tweet table being replaced; the Other tables (a
  // followers list, a file) stand on their own, whichever is on show.
  tables_.Tables()[0].Clear();
  core_.utwitter->Clear();
  core_.info_bar[0] = "Empty";
  core_.info_bar[1] = "Empty";
  scope.ShowHourglass();
  core_.Notify(kTweetsChanged | kStatusChanged | kControlsChanged | kUserTablesChanged);

  recovery_.BeginSearchJournal("");
  LoopContext ctx(core_, list_);
  core_.last_outcome = RetrieveSearch(ctx, core_.search_query, "", core_.search_location);

  core_.dialog_file_name.clear();
  core_.tweets_fn.clear();
  core_.ShowTweets(false);
  scope.End();
  core_.cur_tweet_src = TweetSource::kSearch;
  core_.update_search_enabled = core_.out_table.RowCount() >= 1;
  recovery_.EndJournal();
  core_.Notify(kControlsChanged);
}

void SearchPart::UpdateSearch_Click() {
  if (core_.retrieval_busy) return;
  RetrievalScope scope(core_);
  core_.twitter->Tweets().Clear();
  // Nothing to update from: no request is made, and that is no success.
  core_.last_outcome = {RetrievalEnd::Failed, core_.twitter->LastResponseCode(), "", 0, 0};
  if (core_.out_table.RowCount() >= 1) {
    core_.out_table.SetSortKey(3);
    core_.Notify(kTweetsChanged);
    if (core_.env.ui != nullptr) core_.env.ui->YieldToEvents();
    // The newest tweet shown, whatever the view's order, so that only newer ones come.
    std::string since;
    for (std::int32_t r = 0; r < core_.out_table.RowCount(); ++r) {
      const std::string_view id = window_text::Trimmed(core_.out_table.Cell(r, 4));
      if (since.empty() || window_text::IdLess(since, id)) since = std::string(id);
    }
    recovery_.BeginSearchJournal(since);
    LoopContext ctx(core_, list_);
    core_.last_outcome = RetrieveSearch(ctx, core_.search_query, since, core_.search_location);
    core_.ShowTweets(true);
    recovery_.EndJournal();
  }
  core_.cur_tweet_src = TweetSource::kSearch;
  scope.End();
  core_.Notify(kControlsChanged);
}

void SearchPart::QuitGet_Click() {
  if (!core_.retrieval_busy) return;
  core_.stop_requested = true;
  core_.quota_pausing = false;
  core_.retrieval_busy = false;
  if (core_.env.ui != nullptr) {
    core_.env.ui->Ask({QuestionId::RetrievalCancelled}, "User cancelled the retrieval process",
                      MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
  core_.Notify(kControlsChanged);
}

void SearchPart::SearchHelp_Click() {
  core_.Shell("xdg-open " + std::string(kOperatorsPage), 2000, 3);
}

void SearchPart::SearchQuery_LostFocus() {
  std::erase(core_.search_query, '\r');
  std::erase(core_.search_query, '\n');
  core_.Notify(kControlsChanged);
}

}  // namespace wf
