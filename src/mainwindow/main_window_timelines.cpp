// The user timeline commands: all timelines of the checked users, their update, and the
// double-click on one entry.
#include <unordered_map>

#include "mainwindow/loop_context.h"
#include "mainwindow/main_window.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/window_text.h"
#include "workflows/user_timeline_retrieval.h"

namespace wf {
void MainWindow::RetrieveUserTimeline(const std::string& user, const std::string& since_id) {
  LoopContext ctx(*this);
  last_outcome_ = wf::RetrieveUserTimeline(ctx, user, since_id, user_handle_ == 0);
  ctx.SetProgress(-1, "");
}

void MainWindow::GetAllUTL_Click() {
  if (retrieval_busy_) return;
  UiPort* ui = env_.ui;
  // Nobody to fetch: the tweet table is not given up for nothing.
  if (user_list_.TickedCount() == 0) {
    last_outcome_ = {};
    if (ui != nullptr) {
      ui->MessageBox("Tick the users whose timelines to get", MsgButtons::Ok, MsgIcon::Exclamation,
                     kAppTitle);
    }
    return;
  }
  if (tweets_modified_ && ui != nullptr &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  RetrievalScope scope(*this);
  twitter_->Tweets().Clear();
  update_search_enabled_ = false;
  out_table_.Clear();
  user_tables_[0].Clear();
  tweets_fn_.clear();
  dialog_file_name_.clear();
  scope.ShowHourglass();
  Notify(kTweetsChanged | kControlsChanged | kUserTablesChanged);

  BeginTimelineJournal(nullptr);
  LoopContext ctx(*this);
  ctx.AddLogLine("User timeline retrieval started @" + LogDateTime(NowLocal()));
  last_outcome_ = RetrieveCheckedTimelines(ctx, nullptr, true, user_handle_ == 1);

  cur_tweet_src_ = 2;
  scope.End();
  if (out_table_.RowCount() >= 1) update_utl_enabled_ = true;
  EndJournal();
  Notify(kControlsChanged);
}

void MainWindow::UpdateUTL_Click() {
  if (retrieval_busy_) return;
  RetrievalScope scope(*this);
  twitter_->Tweets().Clear();
  out_table_.SetSortKey(3);
  scope.ShowHourglass();
  Notify(kTweetsChanged);
  LoopContext ctx(*this);
  ctx.AddLogLine("User timeline retrieval started @" + LogDateTime(NowLocal()));
  ctx.YieldToEvents();

  // In "User Id" mode the entries are ids, while the rows name their authors by screen name:
  // the list's profiles pair the two.
  std::unordered_map<std::string, std::string> name_of_id;
  if (user_handle_ == 1) {
    for (const UserRecord& u : twitter_->Users().Records())
      name_of_id.try_emplace(u.Id, u.ScreenName);
  }
  // The newest tweet of the user in the table, whatever the view's order; the name cell is
  // compared without the padding that numeric-looking names get. A user without rows gets
  // the whole reachable timeline.
  const auto since_for = [this, name_of_id](const std::string& entry) {
    std::string user = entry;
    if (user_handle_ == 1) {
      const auto it = name_of_id.find(entry);
      if (it == name_of_id.end()) return std::string();
      user = it->second;
    }
    std::string since;
    for (std::int32_t r = 0; r < out_table_.RowCount(); ++r) {
      if (window_text::Trimmed(out_table_.Cell(r, 2)) != user) continue;
      const std::string_view id = window_text::Trimmed(out_table_.Cell(r, 4));
      if (since.empty() || window_text::IdLess(since, id)) since = std::string(id);
    }
    return since;
  };
  BeginTimelineJournal(since_for);
  last_outcome_ = RetrieveCheckedTimelines(ctx, since_for, false, user_handle_ == 1);

  cur_tweet_src_ = 2;
  ShowTweets(true);
  EndJournal();
  scope.End();
  Notify(kControlsChanged);
}

void MainWindow::UserList_DblClick(int index) {
  if (retrieval_busy_ || index < 0 || index >= user_list_.Count()) return;
  UiPort* ui = env_.ui;
  if (tweets_modified_ && ui != nullptr &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  // A follower list that ended normally leaves the stop flag set; the scope clears it so that
  // it does not stop this run.
  RetrievalScope scope(*this);
  twitter_->Tweets().Clear();
  update_search_enabled_ = false;
  out_table_.Clear();
  info_bar_[0] = "Empty";
  scope.ShowHourglass();
  tweets_fn_.clear();
  dialog_file_name_.clear();
  Notify(kTweetsChanged | kStatusChanged | kControlsChanged);

  RetrieveUserTimeline(user_list_.Entries()[static_cast<std::size_t>(index)].text, "");
  ShowTweets(false);
  scope.End();
  if (out_table_.RowCount() >= 1) update_utl_enabled_ = true;
  Notify(kControlsChanged);
}

}  // namespace wf
