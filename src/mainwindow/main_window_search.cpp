// The search commands: new search, update search, Cancel, and the operators help page.
#include <algorithm>

#include "mainwindow/loop_context.h"
#include "mainwindow/main_window.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/window_text.h"
#include "workflows/search_retrieval.h"

namespace wf {
namespace {

constexpr std::string_view kOperatorsPage =
    "https://developer.twitter.com/en/docs/twitter-api/v1/tweets/search/guides/"
    "standard-operators";

}  // namespace

void MainWindow::GetSrch_Click() {
  if (retrieval_busy_) return;
  UiPort* ui = env_.ui;
  if (tweets_modified_ && ui != nullptr &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  RetrievalScope scope(*this);
  twitter_->Tweets().Clear();
  update_utl_enabled_ = false;
  out_table_.Clear();
  // The "Tweets" table is built from the tweet table being replaced; the Other tables (a
  // followers list, a file) stand on their own, whichever is on show.
  user_tables_[0].Clear();
  utwitter_->Clear();
  info_bar_[0] = "Empty";
  info_bar_[1] = "Empty";
  scope.ShowHourglass();
  Notify(kTweetsChanged | kStatusChanged | kControlsChanged | kUserTablesChanged);

  BeginSearchJournal("");
  LoopContext ctx(*this);
  last_outcome_ = RetrieveSearch(ctx, search_query_, "", search_location_);

  dialog_file_name_.clear();
  tweets_fn_.clear();
  ShowTweets(false);
  scope.End();
  cur_tweet_src_ = 1;
  update_search_enabled_ = out_table_.RowCount() >= 1;
  EndJournal();
  Notify(kControlsChanged);
}

void MainWindow::UpdateSearch_Click() {
  if (retrieval_busy_) return;
  RetrievalScope scope(*this);
  twitter_->Tweets().Clear();
  // Nothing to update from: no request is made, and that is no success.
  last_outcome_ = {RetrievalEnd::Failed, twitter_->LastResponseCode(), "", 0, 0};
  if (out_table_.RowCount() >= 1) {
    out_table_.SetSortKey(3);
    Notify(kTweetsChanged);
    if (env_.ui != nullptr) env_.ui->YieldToEvents();
    // The newest tweet shown, whatever the view's order, so that only newer ones come.
    std::string since;
    for (std::int32_t r = 0; r < out_table_.RowCount(); ++r) {
      const std::string_view id = window_text::Trimmed(out_table_.Cell(r, 4));
      if (since.empty() || window_text::IdLess(since, id)) since = std::string(id);
    }
    BeginSearchJournal(since);
    LoopContext ctx(*this);
    last_outcome_ = RetrieveSearch(ctx, search_query_, since, search_location_);
    ShowTweets(true);
    EndJournal();
  }
  cur_tweet_src_ = 1;
  scope.End();
  Notify(kControlsChanged);
}

void MainWindow::QuitGet_Click() {
  if (!retrieval_busy_) return;
  stop_requested_ = true;
  quota_pausing_ = false;
  retrieval_busy_ = false;
  if (env_.ui != nullptr) {
    env_.ui->Ask({QuestionId::RetrievalCancelled}, "User cancelled the retrieval process",
                 MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
  Notify(kControlsChanged);
}

void MainWindow::SearchHelp_Click() {
  Shell("xdg-open " + std::string(kOperatorsPage), 2000, 3);
}

void MainWindow::SearchQuery_LostFocus() {
  std::erase(search_query_, '\r');
  std::erase(search_query_, '\n');
  Notify(kControlsChanged);
}

}  // namespace wf
