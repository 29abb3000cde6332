// The user timeline commands: all timelines of the checked users, their update, and the
// double-click on one entry.
#include "mainwindow/timelines_part.h"

#include <unordered_map>

#include "mainwindow/loop_context.h"
#include "mainwindow/recovery_part.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/sessions_part.h"
#include "mainwindow/user_list_part.h"
#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"
#include "workflows/user_timeline_retrieval.h"

namespace wf {
void TimelinesPart::RetrieveUserTimeline(const std::string& user, const std::string& since_id) {
  LoopContext ctx(core_, list_);
  core_.last_outcome = wf::RetrieveUserTimeline(ctx, user, since_id,
                                                list_.UserHandle() == UserEntryKind::kScreenName);
  ctx.SetProgress(-1, "");
}

void TimelinesPart::GetAllUTL_Click() {
  if (core_.retrieval_busy) return;
  UiPort* ui = core_.env.ui;
  // Nobody to fetch: the tweet table is not given up for nothing.
  if (list_.List().TickedCount() == 0) {
    core_.last_outcome = {};
    if (ui != nullptr) {
      ui->MessageBox("Tick the users whose timelines to get", MsgButtons::Ok, MsgIcon::Exclamation,
                     kAppTitle);
    }
    return;
  }
  sessions_.OfferToSaveTweets();
  RetrievalScope scope(core_);
  core_.twitter->Tweets().Clear();
  core_.update_search_enabled = false;
  core_.out_table.Clear();
  tables_.Tables()[0].Clear();
  core_.tweets_fn.clear();
  core_.dialog_file_name.clear();
  scope.ShowHourglass();
  core_.Notify(kTweetsChanged | kControlsChanged | kUserTablesChanged);

  recovery_.BeginTimelineJournal(nullptr);
  LoopContext ctx(core_, list_);
  ctx.AddLogLine("User timeline retrieval started @" + LogDateTime(NowLocal()));
  core_.last_outcome =
      RetrieveCheckedTimelines(ctx, nullptr, true, list_.UserHandle() == UserEntryKind::kUserId);

  core_.cur_tweet_src = TweetSource::kTimelines;
  scope.End();
  if (core_.out_table.RowCount() >= 1) core_.update_utl_enabled = true;
  recovery_.EndJournal();
  core_.Notify(kControlsChanged);
}

void TimelinesPart::UpdateUTL_Click() {
  if (core_.retrieval_busy) return;
  RetrievalScope scope(core_);
  core_.twitter->Tweets().Clear();
  core_.out_table.SetSortKey(3);
  scope.ShowHourglass();
  core_.Notify(kTweetsChanged);
  LoopContext ctx(core_, list_);
  ctx.AddLogLine("User timeline retrieval started @" + LogDateTime(NowLocal()));
  ctx.YieldToEvents();

  // In "User Id" mode the entries are ids, while the rows name their authors by screen name:
  // the list's profiles pair the two.
  std::unordered_map<std::string, std::string> name_of_id;
  if (list_.UserHandle() == UserEntryKind::kUserId) {
    for (const UserRecord& u : core_.twitter->Users().Records())
      name_of_id.try_emplace(u.Id, u.ScreenName);
  }
  // The newest tweet of the user in the table, whatever the view's order; the name cell is
  // compared without the padding that numeric-looking names get. A user without rows gets
  // the whole reachable timeline.
  const auto since_for = [this, name_of_id](const std::string& entry) {
    std::string user = entry;
    if (list_.UserHandle() == UserEntryKind::kUserId) {
      const auto it = name_of_id.find(entry);
      if (it == name_of_id.end()) return std::string();
      user = it->second;
    }
    std::string since;
    for (std::int32_t r = 0; r < core_.out_table.RowCount(); ++r) {
      if (window_text::Trimmed(core_.out_table.Cell(r, 2)) != user) continue;
      const std::string_view id = window_text::Trimmed(core_.out_table.Cell(r, 4));
      if (since.empty() || window_text::IdLess(since, id)) since = std::string(id);
    }
    return since;
  };
  recovery_.BeginTimelineJournal(since_for);
  core_.last_outcome =
      RetrieveCheckedTimelines(ctx, since_for, false, list_.UserHandle() == UserEntryKind::kUserId);

  core_.cur_tweet_src = TweetSource::kTimelines;
  core_.ShowTweets(true);
  recovery_.EndJournal();
  scope.End();
  core_.Notify(kControlsChanged);
}

void TimelinesPart::UserList_DblClick(int index) {
  if (core_.retrieval_busy || index < 0 || index >= list_.List().Count()) return;
  sessions_.OfferToSaveTweets();
  // A follower list that ended normally leaves the stop flag set; the scope clears it so that
  // it does not stop this run.
  RetrievalScope scope(core_);
  core_.twitter->Tweets().Clear();
  core_.update_search_enabled = false;
  core_.out_table.Clear();
  core_.info_bar[0] = "Empty";
  scope.ShowHourglass();
  core_.tweets_fn.clear();
  core_.dialog_file_name.clear();
  core_.Notify(kTweetsChanged | kStatusChanged | kControlsChanged);

  RetrieveUserTimeline(list_.List().Entries()[static_cast<std::size_t>(index)].text, "");
  core_.ShowTweets(false);
  scope.End();
  if (core_.out_table.RowCount() >= 1) core_.update_utl_enabled = true;
  core_.Notify(kControlsChanged);
}

}  // namespace wf
