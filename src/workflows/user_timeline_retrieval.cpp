#include "workflows/user_timeline_retrieval.h"

#include <algorithm>
#include <vector>

#include "api/twitter_api_v2.h"
#include "workflows/v2_paging.h"

namespace wf {
namespace {

constexpr std::string_view kPageSize = "200";
constexpr int kLowQuota = 10;

double Clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

// API v2 timelines are asked for by id: the run's screen names are resolved up front, 100 to a
// request. False when the run must stop (the request was refused for good).
bool ResolveV2Names(RetrievalContext& ctx, const std::vector<std::string>& names) {
  TwitterAPI& api = ctx.Twitter();
  if (names.empty()) return true;
  if (api.ResolveUserIds(names)) {
    LogV2Missing(ctx, api.LastMissing());
    return true;
  }
  if (StopForV2Refusal(ctx, api)) return false;
  if (api.LastRequestCancelled()) {
    ctx.AddLogLine("Resolving user names ended, user cancelled the procedure");
    return false;
  }
  // Otherwise each timeline asks for its own name again and reports its own failure.
  ctx.AddLogLine("Resolving user names failed: " + api.LastResponseCode());
  return true;
}

}  // namespace

RetrievalOutcome RetrieveUserTimeline(RetrievalContext& ctx, std::string_view user,
                                      std::string_view since_id, bool user_is_screen_name,
                                      ProgressSpan span, std::string_view start_max_id) {
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
  // API v2 pages by token; a resumed run starts below the oldest tweet it kept.
  const bool v2 = api.ApiVersion() == 2;
  std::string next_token;
  std::vector<std::string> missing;
  bool quota_wait_cancelled = false;
  bool request_failed = false;
  for (;;) {
    const std::string result =
        v2 ? api.GetUserTimeLineV2(user, user_is_screen_name, since_id,
                                   next_token.empty() && !max_id.empty() ? NextId(max_id) : "",
                                   next_token, true)
           : api.GetUserTimeLine(user, user_is_screen_name, since_id, max_id, kPageSize, true);
    ctx.SetLastResponse(result);
    if (v2) {
      next_token = api.NextToken();
      missing.insert(missing.end(), api.LastMissing().begin(), api.LastMissing().end());
      StopForV2Refusal(ctx, api);
    }
    const std::int32_t got = api.LastResponseCount();
    if (got < 1) {
      if (got == -1 && !api.LastRequestCancelled()) {
        ctx.AddLogLine("Retrieval error: " + api.LastResponseCode());
        request_failed = true;
      }
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
      if (!AskToWaitForQuota(*ctx.Ui(), api.UTLNextLimitReset())) {
        ctx.SetStopRequested(true);
        quota_wait_cancelled = true;
      }
    }
    if (!(api.LastResponseCount() >= 1 && !threshold_reached && !ctx.StopRequested() &&
          (!v2 || !next_token.empty()))) {
      break;
    }
  }

  LogV2Missing(ctx, missing);
  std::string ending = "Retrieval of [" + name + "] ended @" + LogDateTime(NowLocal()) + ", ";
  if (threshold_reached) {
    ending += "terminated at user threshold date (" + threshold_text + ")";
  } else if (!api.StopReason().empty()) {
    ending += api.StopReason();
  } else if (ctx.StopRequested()) {
    ending += "user cancelled the procedure";
  } else {
    ending += "no more statuses available: " + api.LastResponseCode();
  }
  ctx.AddLogLine(std::move(ending));
  ctx.SelectLastLogLine();
  RetrievalOutcome outcome = LoopOutcome(threshold_reached, api, ctx.StopRequested(),
                                         quota_wait_cancelled, request_failed);
  outcome.received = total;
  return outcome;
}

RetrievalOutcome RetrieveCheckedTimelines(
    RetrievalContext& ctx, const std::function<std::string(const std::string&)>& since_for,
    bool show_each, bool entries_are_ids) {
  int checked = 0;
  for (int i = 0; i < ctx.UserListCount(); ++i) checked += ctx.UserListTicked(i) ? 1 : 0;
  if (!entries_are_ids && ctx.Twitter().ApiVersion() == 2) {
    std::vector<std::string> names;
    for (int i = 0; i < ctx.UserListCount(); ++i) {
      if (ctx.UserListTicked(i)) names.push_back(ctx.UserListEntry(i));
    }
    if (!ResolveV2Names(ctx, names)) {
      ctx.SetProgress(-1, "");
      return LoopOutcome(false, ctx.Twitter(), true, false, false);
    }
  }
  RetrievalOutcome walk;
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
      FoldOutcome(walk,
                  RetrieveUserTimeline(ctx, entry, since_for ? since_for(entry) : std::string(),
                                       !entries_are_ids, span));
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
  return walk;
}

RetrievalOutcome ResumeTimelines(RetrievalContext& ctx, const std::vector<std::string>& users,
                                 const std::vector<std::string>& since_ids, std::size_t from,
                                 std::string_view max_id, bool show_each, bool entries_are_ids) {
  const std::size_t count = users.size();
  if (!entries_are_ids && ctx.Twitter().ApiVersion() == 2 &&
      !ResolveV2Names(ctx, std::vector<std::string>(
                               users.begin() + static_cast<std::ptrdiff_t>(std::min(from, count)),
                               users.end()))) {
    ctx.SetProgress(-1, "");
    return LoopOutcome(false, ctx.Twitter(), true, false, false);
  }
  RetrievalOutcome walk;
  for (std::size_t i = from; i < count; ++i) {
    const ProgressSpan span{static_cast<double>(i) / static_cast<double>(count),
                            static_cast<double>(i + 1) / static_cast<double>(count)};
    ctx.SetProgress(span.from, std::to_string(i) + " of " + std::to_string(count) + " users");
    if (RecoveryLog* journal = ctx.Recovery()) {
      journal->SetUserIndex(static_cast<std::int32_t>(i));
    }
    FoldOutcome(walk, RetrieveUserTimeline(
                          ctx, users[i], i < since_ids.size() ? since_ids[i] : std::string(),
                          !entries_are_ids, span, i == from ? max_id : std::string_view()));
    if (RecoveryLog* journal = ctx.Recovery()) {
      journal->SetUserIndex(static_cast<std::int32_t>(i + 1));
      journal->AppendPage(ctx.Twitter().Tweets(), {"", static_cast<std::int32_t>(i + 1)});
    }
    if (show_each) ctx.ShowTweets(false);
    if (ctx.StopRequested()) break;
  }
  ctx.SetProgress(-1, "");
  return walk;
}

}  // namespace wf
