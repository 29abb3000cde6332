#include "workflows/user_timeline_retrieval.h"

#include <algorithm>

namespace wf {
namespace {

constexpr std::string_view kPageSize = "200";
constexpr int kLowQuota = 10;

double Clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

}  // namespace

int RetrieveUserTimeline(RetrievalContext& ctx, std::string_view user, std::string_view since_id,
                         bool user_is_screen_name, ProgressSpan span,
                         std::string_view start_max_id) {
  TwitterAPI& api = ctx.Twitter();
  TweetSet& tweets = api.Tweets();
  const std::string name(user);
  const CivilDateTime threshold = ctx.EarlyDate();
  const std::string threshold_text = LogDateTime(threshold);
  // Tweets of earlier users of the same run are in the set too: this user's start here.
  const std::int32_t first_own = tweets.Count() + 1;

  ctx.AddLogLine("Retrieved 0 statuses for [" + name + "] ");
  ctx.SelectLastLogLine();
  ctx.YieldToEvents();

  std::string max_id(start_max_id);
  int total = 0;
  bool threshold_reached = false;
  std::int64_t newest = 0;
  for (;;) {
    const std::string result =
        api.GetUserTimeLine(user, user_is_screen_name, since_id, max_id, kPageSize, true);
    ctx.SetLastResponse(result);
    const std::int32_t got = api.LastResponseCount();
    if (got < 1) {
      if (got == -1) ctx.AddLogLine("Retrieval error: " + api.LastResponseCode());
    } else {
      max_id = tweets.OldestTweetId(true);
      threshold_reached = tweets.TrimToDateRange(threshold_text, "");
      if (RecoveryLog* journal = ctx.Recovery()) {
        journal->AppendPage(tweets, {max_id, journal->UserIndex()});
      }
      ctx.SetStatusPanel(
          3, std::to_string(api.UTLRateLimitRemaining()) + " USER_TIMELINE requests remaining\r\n");
      ctx.SetStatusPanel(4, "Next reset: " + LogDateTime(api.UTLNextLimitReset()));
      total += got;
      const std::string oldest = tweets.Count() > 0 ? tweets.DateTime(tweets.Count()) : "";
      ctx.ReplaceLastLogLine("Retrieved " + std::to_string(total) + " statuses for [" + name +
                             "] back to " + oldest);
      // Within the user: how far back from the newest tweet towards the threshold date.
      if (newest == 0) {
        if (const auto first = ParseStoredDateTime(tweets.DateTime(first_own))) {
          newest = ToSerialSeconds(*first);
        }
      }
      double within = threshold_reached ? 1.0 : 0.0;
      if (const auto o = ParseStoredDateTime(oldest); o && newest != 0 && !threshold_reached) {
        const double range = static_cast<double>(newest - ToSerialSeconds(threshold));
        within =
            range > 0 ? Clamp01(static_cast<double>(newest - ToSerialSeconds(*o)) / range) : 1.0;
      }
      ctx.SetProgress(span.from + (span.to - span.from) * within,
                      std::to_string(total) + " statuses for " + name);
      ctx.YieldToEvents();
    }
    ctx.SelectLastLogLine();
    ctx.YieldToEvents();
    if (api.UTLRateLimitRemaining() < kLowQuota && ctx.Ui() != nullptr) {
      const MsgAnswer a = ctx.Ui()->MessageBox(
          "Quota for this window running low. Wait until " + LogDateTime(api.UTLNextLimitReset()) +
              " before clicking OK to resume",
          MsgButtons::OkCancel, MsgIcon::Exclamation, kAppTitle);
      if (a == MsgAnswer::Cancel) ctx.SetStopRequested(true);
    }
    if (!(api.LastResponseCount() >= 1 && !threshold_reached && !ctx.StopRequested())) break;
  }

  std::string ending = "Retrieval of [" + name + "] ended @" + LogDateTime(NowLocal()) + ", ";
  if (threshold_reached) {
    ending += "terminated at user threshold date (" + threshold_text + ")";
  } else if (ctx.StopRequested()) {
    ending += "user cancelled the procedure";
  } else {
    ending += "no more statuses available: " + api.LastResponseCode();
  }
  ctx.AddLogLine(std::move(ending));
  ctx.SelectLastLogLine();
  return total;
}

void RetrieveCheckedTimelines(RetrievalContext& ctx,
                              const std::function<std::string(const std::string&)>& since_for,
                              bool show_each, bool entries_are_ids) {
  int checked = 0;
  for (int i = 0; i < ctx.UserListCount(); ++i) checked += ctx.UserListTicked(i) ? 1 : 0;
  int done = 0;
  for (int i = 0; i < ctx.UserListCount(); ++i) {
    if (ctx.UserListTicked(i)) {
      const std::string entry = ctx.UserListEntry(i);
      if (show_each) ctx.SetCurrentUserEntry(i);
      const ProgressSpan span{static_cast<double>(done) / checked,
                              static_cast<double>(done + 1) / checked};
      ctx.SetProgress(span.from,
                      std::to_string(done) + " of " + std::to_string(checked) + " users");
      if (RecoveryLog* journal = ctx.Recovery()) journal->SetUserIndex(done);
      RetrieveUserTimeline(ctx, entry, since_for ? since_for(entry) : std::string(),
                           !entries_are_ids, span);
      ++done;
      // A resumed walk starts with the next user, not below this one's last page.
      if (RecoveryLog* journal = ctx.Recovery()) {
        journal->SetUserIndex(done);
        journal->AppendPage(ctx.Twitter().Tweets(), {"", done});
      }
      if (show_each) ctx.ShowTweets(false);
    }
    if (ctx.StopRequested()) break;
  }
  ctx.SetProgress(-1, "");
}

void ResumeTimelines(RetrievalContext& ctx, const std::vector<std::string>& users,
                     const std::vector<std::string>& since_ids, std::size_t from,
                     std::string_view max_id, bool show_each, bool entries_are_ids) {
  const std::size_t count = users.size();
  for (std::size_t i = from; i < count; ++i) {
    const ProgressSpan span{static_cast<double>(i) / static_cast<double>(count),
                            static_cast<double>(i + 1) / static_cast<double>(count)};
    ctx.SetProgress(span.from, std::to_string(i) + " of " + std::to_string(count) + " users");
    if (RecoveryLog* journal = ctx.Recovery()) {
      journal->SetUserIndex(static_cast<std::int32_t>(i));
    }
    RetrieveUserTimeline(ctx, users[i], i < since_ids.size() ? since_ids[i] : std::string(),
                         !entries_are_ids, span, i == from ? max_id : std::string_view());
    if (RecoveryLog* journal = ctx.Recovery()) {
      journal->SetUserIndex(static_cast<std::int32_t>(i + 1));
      journal->AppendPage(ctx.Twitter().Tweets(), {"", static_cast<std::int32_t>(i + 1)});
    }
    if (show_each) ctx.ShowTweets(false);
    if (ctx.StopRequested()) break;
  }
  ctx.SetProgress(-1, "");
}

}  // namespace wf
