// The user tables: the "Tweets" table built from the authors of the tweet table, timeline
// samples of the ticked rows, switching, naming and removing tables, sorting, ticking, and the
// user list's "Get Users From Tweets".
#include "mainwindow/user_tables_part.h"

#include <algorithm>
#include <unordered_map>

#include "mainwindow/followers_part.h"
#include "mainwindow/loop_context.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/user_list_part.h"
#include "mainwindow/window_text.h"
#include "util/yielder.h"
#include "workflows/profile_lookup.h"

namespace wf {
namespace {

constexpr std::string_view kRetainPrompt =
    "Do you want to retain existing Timeline and Profilo data?";
constexpr std::string_view kSamplePrompt =
    "How many original tweets to save for each user? For Profilo, use default value of 50";
constexpr std::string_view kSamplesDone = "Retrieval of User timeline samples completed";
constexpr std::string_view kTimelineMethod = "USER_TIMELINE";
constexpr std::string_view kFromTweetsTip =
    "List contains users extracted from a Tweets table. To make sure this list relates to the "
    "Tweets currently displayed, select 'Get Users from Tweets' again.";
constexpr std::string_view kProfilePage = "https://twitter.com/";

// Columns 23-31 (0-based 22-30) survive a rebuild of the "Tweets" table when the user asks:
// the samples, the Profilo results and the timeline figures cost requests to make again.
constexpr std::size_t kCarriedFirst = 22;
constexpr std::size_t kCarriedLast = 30;
using CarriedCells = std::array<std::string, kCarriedLast - kCarriedFirst + 1>;

// A timeline sample stops once this many tweets are held (a page holds up to 200 more).
constexpr std::int32_t kSampleTweets = 600;

// Screen names are letters, digits and underscores; anything else in a cell (a table read
// from a file) must not reach a request or a command line.
bool IsScreenName(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

}  // namespace

// ---- Tables on show ------------------------------------------------------------------------

UserTableView* UserTablesPart::TableOnShow() {
  if (!UserTableIndexValid(current_user_table_)) return nullptr;
  return &user_tables_[static_cast<std::size_t>(current_user_table_)];
}

void UserTablesPart::ShowUserTable(int k) {
  current_user_table_ = UserTableIndexValid(k) ? k : 0;
  ut_toggle_ = current_user_table_ == 0 ? UserTableKind::kTweets : UserTableKind::kOther;
  if (current_user_table_ > 0) ut_list_selected_ = current_user_table_ - 1;
  core_.Notify(kUserTablesChanged | kControlsChanged);
}

bool UserTablesPart::UserTablesLocked() {
  // A running retrieval may be writing rows by position (timeline samples) or about to fill
  // a table (Build Table): rows must not move, go or be re-sorted under it.
  return core_.retrieval_busy;
}

std::vector<std::string> UserTablesPart::UTListEntries() const {
  std::vector<std::string> names;
  for (std::size_t k = 1; k < user_tables_.size(); ++k) names.push_back(user_tables_[k].Name());
  return names;
}

void UserTablesPart::UTToggle_Click(int index) {
  int k = 0;
  // Entries stand for tables by position, so tables that share a name stay apart.
  if (index == 1 && user_tables_.size() >= 2 && ut_list_selected_ >= 0) {
    k = ut_list_selected_ + 1;
  }
  ShowUserTable(k);
}

void UserTablesPart::UTList_Click(int index) {
  if (index < 0 || index + 1 >= static_cast<int>(user_tables_.size())) return;
  ut_list_selected_ = index;
  ShowUserTable(index + 1);
}

void UserTablesPart::UTList_DblClick() {
  if (ut_list_selected_ < 0 || ut_list_selected_ + 1 >= static_cast<int>(user_tables_.size()) ||
      core_.env.ui == nullptr) {
    return;
  }
  UserTableView& t = user_tables_[static_cast<std::size_t>(ut_list_selected_ + 1)];
  const auto answer = core_.env.ui->InputBox("Enter New Table Name", kAppTitle, t.Name());
  // Cancel keeps the name; an empty answer is taken as given.
  if (!answer) return;
  t.SetName(*answer);
  core_.Notify(kUserTablesChanged);
}

void UserTablesPart::AddRemUT_Click(int index) {
  if (index != 1 || ut_list_selected_ < 0) return;
  RemoveUserTableAt(ut_list_selected_ + 1);
}

int UserTablesPart::AddUserTable(std::string name) {
  // The Other tables' timeline samples go through the second client; without a token yet it
  // gets one now. A failure shows when the samples are asked for.
  if (core_.utwitter->BearerToken().empty() && core_.utwitter_auth)
    core_.utwitter_auth(*core_.utwitter);
  if (name.empty()) {
    const auto taken = [this](const std::string& n) {
      return std::any_of(user_tables_.begin(), user_tables_.end(),
                         [&](const UserTableView& t) { return t.Name() == n; });
    };
    do {
      name = "UserTable" + std::to_string(next_table_number_++);
    } while (taken(name));
  }
  user_tables_.emplace_back();
  user_tables_.back().SetName(std::move(name));
  ShowUserTable(static_cast<int>(user_tables_.size()) - 1);
  return current_user_table_;
}

void UserTablesPart::RemoveUserTable(const std::string& name) {
  for (std::size_t k = 1; k < user_tables_.size(); ++k) {
    if (user_tables_[k].Name() == name) {
      RemoveUserTableAt(static_cast<int>(k));
      return;
    }
  }
}

void UserTablesPart::RemoveUserTableAt(int index) {
  if (index < 1 || !UserTableIndexValid(index) || UserTablesLocked()) return;
  user_tables_.erase(user_tables_.begin() + index);
  const int last = static_cast<int>(user_tables_.size()) - 1;
  ut_list_selected_ = last >= 1 ? last - 1 : -1;
  ShowUserTable(last);
}

// ---- Rows ----------------------------------------------------------------------------------

void UserTablesPart::UserTable_SelectRow(int row, bool selected) {
  UserTableView* t = TableOnShow();
  if (t == nullptr || row < 0 || row >= t->RowCount()) return;
  t->MutableRows()[static_cast<std::size_t>(row)].selected = selected;
  core_.Notify(kUserTablesChanged);
}

void UserTablesPart::UserTable_ItemCheck(int row, bool ticked) {
  UserTableView* t = TableOnShow();
  if (t == nullptr || row < 0 || row >= t->RowCount()) return;
  t->MutableRows()[static_cast<std::size_t>(row)].ticked = ticked;
  core_.Notify(kUserTablesChanged);
}

void UserTablesPart::UserTable_ColumnClick(int column0) {
  UserTableView* t = TableOnShow();
  if (t == nullptr || UserTablesLocked()) return;
  t->ColumnClick(column0);
  core_.Notify(kUserTablesChanged);
}

void UserTablesPart::mUTSelAll_Click(UserTableSelection which) {
  UserTableView* t = TableOnShow();
  if (t == nullptr) return;
  auto& rows = t->MutableRows();
  if (which == UserTableSelection::kAll) {
    for (auto& r : rows) r.ticked = true;
  } else if (which == UserTableSelection::kNoTimelineSample) {
    // A row without a tweet sample has had no timeline sampled (or the sample found nothing).
    for (auto& r : rows) r.ticked = r.cells[user_col::kTwtSamp].empty();
  } else {
    // The highlighted row furthest down marks the end; with none highlighted nothing changes.
    int last = -1;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      if (rows[static_cast<std::size_t>(i)].selected) last = i;
    }
    if (last < 0) return;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      rows[static_cast<std::size_t>(i)].ticked = i <= last;
    }
  }
  core_.Notify(kUserTablesChanged);
}

void UserTablesPart::mUTUnselAll_Click() {
  UserTableView* t = TableOnShow();
  if (t == nullptr) return;
  for (auto& r : t->MutableRows()) r.ticked = false;
  core_.Notify(kUserTablesChanged);
}

void UserTablesPart::UserTable_DblClick(int row) {
  UserTableView* t = TableOnShow();
  if (t == nullptr || row < 0 || row >= t->RowCount()) return;
  const std::string name(
      window_text::Trimmed(t->Rows()[static_cast<std::size_t>(row)].cells[user_col::kScreenName]));
  if (!IsScreenName(name)) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox("\"" + name + "\" is not a screen name", MsgButtons::Ok,
                               MsgIcon::Exclamation, kAppTitle);
    }
    return;
  }
  core_.Shell("xdg-open " + std::string(kProfilePage) + name, 2000, 3);
}

// ---- Filling and statistics ------------------------------------------------------------------

UserTweetStats UserTablesPart::GetTweetStats(const std::string& screen_name) const {
  return wf::GetTweetStats(core_.out_table, screen_name);
}

void UserTablesPart::FillUserTable(TwitterAPI& api, bool with_tweet_stats) {
  if (!with_tweet_stats) {
    FillUserTableRows(api, nullptr);
    return;
  }
  Yielder yielder(core_.env.ui);
  const AuthorStats stats = CollectAuthorStats(core_.out_table, &yielder);
  FillUserTableRows(api, &stats);
}

void UserTablesPart::FillUserTableRows(TwitterAPI& api, const AuthorStats* stats) {
  UserTableView* t = TableOnShow();
  if (t == nullptr) return;
  const UserSet& users = api.Users();
  const std::int64_t today = DayNumber(NowLocal());
  const UserTweetStats none;
  auto& rows = t->MutableRows();
  rows.reserve(rows.size() + static_cast<std::size_t>(users.Count()));
  for (const UserRecord& u : users.Records()) {
    UserTableView::Row row;
    SetProfileCells(u, today, row.cells);
    if (stats != nullptr) {
      const UserTweetStats* s = stats->Find(u.ScreenName);
      SetTweetStatCells(s != nullptr ? *s : none, row.cells);
    }
    rows.push_back(std::move(row));
  }
  t->Sort();
  core_.info_bar[1] = std::to_string(t->RowCount()) + " users displayed";
  core_.Notify(kUserTablesChanged | kStatusChanged);
}

// ---- Build Table -----------------------------------------------------------------------------

void UserTablesPart::BuildTweetsUT_Click() {
  UiPort* ui = core_.env.ui;
  std::unordered_map<std::string, CarriedCells> carried;
  UserTableView& tweets_table = user_tables_[0];
  if (tweets_table.RowCount() > 0 && ui != nullptr &&
      ui->Ask({QuestionId::RetainCheckedRows}, kRetainPrompt, MsgButtons::YesNo, MsgIcon::Question,
              kAppTitle) == MsgAnswer::Yes) {
    for (const auto& row : tweets_table.Rows()) {
      CarriedCells cells;
      std::copy(row.cells.begin() + kCarriedFirst, row.cells.begin() + kCarriedLast + 1,
                cells.begin());
      carried.try_emplace(std::string(window_text::Trimmed(row.cells[user_col::kId])),
                          std::move(cells));
    }
  }
  if (core_.retrieval_busy) return;
  RetrievalScope scope(core_);
  core_.last_outcome = {};  // the lookup's, when there are authors to look up
  UTToggle_Click(0);
  user_tables_[0].Clear();
  core_.info_bar[1] = "Empty";
  core_.Notify(kUserTablesChanged | kStatusChanged);

  Yielder yielder(ui);
  const AuthorStats stats = CollectAuthorStats(core_.out_table, &yielder);
  if (stats.authors.empty()) {
    scope.End();
    core_.Notify(kControlsChanged);
    return;
  }
  scope.ShowHourglass();
  core_.progress.Add("Retrieving user details (click cancel to abort) ...");
  core_.Notify(kLogChanged);
  followers_.GetUsers(*core_.twitter, stats.authors, false, false);
  // The lookup yields to the window: whatever was put on show meanwhile, the rows go here.
  ShowUserTable(0);
  FillUserTableRows(*core_.twitter, &stats);
  if (!carried.empty()) {
    for (auto& row : user_tables_[0].MutableRows()) {
      const auto it = carried.find(std::string(window_text::Trimmed(row.cells[user_col::kId])));
      if (it == carried.end()) continue;
      std::copy(it->second.begin(), it->second.end(), row.cells.begin() + kCarriedFirst);
    }
  }
  scope.End();
  core_.Notify(kUserTablesChanged | kControlsChanged);
}

void UserTablesPart::mGetUFT_Click() {
  if (core_.retrieval_busy) return;
  // Without tweets there are no authors, and the profiles held are those of an earlier lookup.
  if (core_.out_table.RowCount() == 0) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox("There are no tweets to take users from.", MsgButtons::Ok,
                               MsgIcon::Information, kAppTitle);
    }
    return;
  }
  BuildTweetsUT_Click();
  list_.List().Clear();
  const UserSet& users = core_.twitter->Users();
  for (std::int32_t i = 1; i <= users.Count(); ++i) list_.List().Add(users.ScreenName(i));
  list_.List().SetBold(true);
  list_.List().SetToolTip(std::string(kFromTweetsTip));
  list_.MarkNewScreenNameList();
  list_.ShowULCount();
  list_.UserList_Click(list_.List().Count() > 0 ? 0 : -1);
}

// ---- Get User Timelines ----------------------------------------------------------------------

void UserTablesPart::GetUTTL_Click() {
  UiPort* ui = core_.env.ui;
  if (core_.retrieval_busy || !UserTableIndexValid(current_user_table_)) return;
  // The table stays the one on show at the start, whatever is shown while the run yields.
  const int k = current_user_table_;
  const auto table = [this, k]() -> UserTableView* {
    return UserTableIndexValid(k) ? &user_tables_[static_cast<std::size_t>(k)] : nullptr;
  };
  const int ticked = table()->TickedCount();
  if (ticked == 0) {
    if (ui != nullptr) {
      ui->MessageBox("Tick the rows of the users whose timelines to sample", MsgButtons::Ok,
                     MsgIcon::Exclamation, kAppTitle);
    }
    return;
  }
  if (ui != nullptr) ui->SetPointer(Pointer::ArrowHourglass);
  // From the start of the day a year ago.
  CivilDateTime today = NowLocal();
  today.hour = today.minute = today.second = 0;
  const std::string earliest = FormatNumericDateTime(OneYearBack(today));
  int samples = 50;
  if (ui != nullptr) {
    const auto answer = ui->InputBox(kSamplePrompt, kAppTitle, "50");
    // Cancel ends the command: running it with no sample would overwrite the samples held.
    if (!answer) {
      ui->SetPointer(Pointer::Default);
      return;
    }
    samples = SampleCountFromAnswer(*answer);
  }
  TwitterAPI& api = k != 0 ? *core_.utwitter : *core_.twitter;
  if (k != 0 && !followers_.EnsureUTwitterToken()) {
    if (ui != nullptr) ui->SetPointer(Pointer::Default);
    return;
  }

  RetrievalScope scope(core_);
  LoopContext ctx(core_, list_);
  ctx.AddLogLine("User timeline samples started @" + LogDateTime(NowLocal()));
  ctx.SetProgress(0, "0 of " + std::to_string(ticked) + " users");
  int done = 0;
  int failed = 0;
  bool cancelled = false;
  bool quota_wait_cancelled = false;
  std::string last_failure;
  const auto progress_line = [&](const std::string& last) {
    return "Timeline samples: " + std::to_string(done) + " of " + std::to_string(ticked) +
           " users" + (failed > 0 ? ", " + std::to_string(failed) + " failed" : "") + ", last [" +
           last + "]";
  };
  for (int r = 0; table() != nullptr && r < table()->RowCount(); ++r) {
    if (!table()->Rows()[static_cast<std::size_t>(r)].ticked) continue;
    if (core_.stop_requested) {
      cancelled = true;
      break;
    }
    const std::string name(window_text::Trimmed(
        table()->Rows()[static_cast<std::size_t>(r)].cells[user_col::kScreenName]));
    if (!IsScreenName(name)) continue;
    api.Tweets().Clear();
    table()->MutableRows()[static_cast<std::size_t>(r)].selected = true;
    ut_scroll_row_ = r;
    core_.Notify(kUserTablesChanged);
    ctx.YieldToEvents();

    // Why this account could not be sampled; empty when it was.
    std::string failure;
    std::string max_id;
    for (;;) {
      ctx.SetLastResponse(api.GetUserTimeLine(name, true, "", max_id, "200", true));
      if (RefusedForQuota(api)) {
        // The same page again once the next window opens; Cancel ends the wait.
        if (!wf::PauseUntilNextWindow(
                ctx, WaitTargetAfterRefusal(api.UTLNextLimitReset(), ctx.Time().Now()),
                kTimelineMethod)) {
          core_.stop_requested = true;
          quota_wait_cancelled = true;
          break;
        }
        continue;
      }
      if (api.LastRequestFailed()) {
        failure = api.LastResponseCode();
        break;
      }
      const std::string previous = max_id;
      max_id = api.LastResponseCount() > 0 ? api.Tweets().OldestTweetId(true) : "";
      const bool trimmed = api.Tweets().TrimToDateRange(earliest, "");
      // A page that brings nothing older would be asked for again and again.
      if (max_id == previous || max_id.empty() || api.Tweets().Count() >= kSampleTweets ||
          trimmed || core_.stop_requested) {
        break;
      }
    }
    if (core_.stop_requested) {
      // A user cut short keeps what the row held; the rows done keep their samples.
      cancelled = true;
      if (table() != nullptr && r < table()->RowCount()) {
        table()->MutableRows()[static_cast<std::size_t>(r)].selected = false;
      }
      break;
    }
    if (table() == nullptr || r >= table()->RowCount()) break;
    auto& row = table()->MutableRows()[static_cast<std::size_t>(r)];
    if (failure.empty()) {
      SetTimelineCells(SampleTimeline(api.Tweets().Records(), samples), row.cells);
      ++done;
      ctx.ReplaceLastLogLine(progress_line(name));
    } else {
      // What failed to arrive says nothing about the account: the samples it had stay.
      ++failed;
      last_failure = failure;
      ctx.AddLogLine("Timeline sample of [" + name + "] failed: " + failure +
                     "; the row keeps its earlier values");
      ctx.AddLogLine(progress_line(name));
    }
    row.selected = false;
    ctx.SetStatusPanel(
        3, std::to_string(api.UTLRateLimitRemaining()) + " USER_TIMELINE requests remaining");
    ctx.SetStatusPanel(4, "Next reset: " + LogDateTime(api.UTLNextLimitReset()));
    const int processed = done + failed;
    ctx.SetProgress(std::min(1.0, static_cast<double>(processed) / ticked),
                    std::to_string(processed) + " of " + std::to_string(ticked) + " users");
    core_.Notify(kUserTablesChanged);
    ctx.YieldToEvents();
  }

  ut_scroll_row_ = -1;
  ctx.SetProgress(-1, "");
  ctx.AddLogLine("User timeline samples ended @" + LogDateTime(NowLocal()) + ", " +
                 std::to_string(done) + " of " + std::to_string(ticked) + " users done" +
                 (failed > 0 ? ", " + std::to_string(failed) + " failed" : "") +
                 (cancelled ? ", user cancelled the procedure" : ""));
  ctx.SelectLastLogLine();
  // A row that failed keeps its samples: the run counts it, as a walk over users does.
  core_.last_outcome = {};
  core_.last_outcome.end = quota_wait_cancelled ? RetrievalEnd::QuotaWaitCancelled
                           : cancelled          ? RetrievalEnd::Cancelled
                                                : RetrievalEnd::Completed;
  core_.last_outcome.code = api.LastResponseCode();
  core_.last_outcome.reason = last_failure;
  core_.last_outcome.received = done;
  core_.last_outcome.failed_parts = failed;
  scope.End();
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  core_.Notify(kUserTablesChanged | kControlsChanged);
  // Cancel has told the user already.
  if (cancelled || ui == nullptr) return;
  if (failed == 0) {
    ui->MessageBox(kSamplesDone, MsgButtons::Ok, MsgIcon::None, kAppTitle);
  } else {
    ui->MessageBox("User timeline samples: " + std::to_string(done) + " of " +
                       std::to_string(ticked) + " rows sampled, " + std::to_string(failed) +
                       " failed (the request log names them); the failed rows keep their "
                       "earlier values",
                   MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  }
}

}  // namespace wf
