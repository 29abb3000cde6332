#include "workflows/search_retrieval.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "api/twitter_api_v2.h"
#include "workflows/v2_paging.h"

namespace wf {
namespace {

constexpr std::string_view kPageSize = "100";
constexpr std::string_view kResultType = "Recent";
constexpr int kLowQuota = 10;

std::string Rate(double tweets, double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f", seconds > 0 ? tweets / seconds : 0.0);
  return buf;
}

}  // namespace

RetrievalOutcome RetrieveSearch(RetrievalContext& ctx, std::string_view query,
                                std::string_view since_id, std::string_view location,
                                std::string_view start_max_id) {
  TwitterAPI& api = ctx.Twitter();
  TweetSet& tweets = api.Tweets();
  const std::string geocode = ctx.UseLoc() ? std::string(location) : std::string();
  const CivilDateTime threshold = ctx.EarlyDate();
  const std::string threshold_text = LogDateTime(threshold);
  const auto started = std::chrono::steady_clock::now();

  ctx.AddLogLine("Search initiated @" + LogDateTime(NowLocal()) + " for [" + std::string(query) +
                 "]");
  // API v2: the recent search reaches back only so far, which the log notes before the
  // progress line that each page rewrites.
  const std::string start_time =
      api.ApiVersion() == 2
          ? V2SearchStartTime(ctx, threshold, api.FullArchive(), std::time(nullptr))
          : "";
  ctx.AddLogLine("Retrieved " + std::to_string(tweets.Count()) + " statuses");
  ctx.SelectLastLogLine();
  ctx.YieldToEvents();

  std::string max_id(start_max_id);
  bool trimmed = false;
  std::int64_t newest = 0;
  // API v2 pages by token; a resumed run starts below the oldest tweet it kept.
  const bool v2 = api.ApiVersion() == 2;
  std::string next_token;
  std::vector<std::string> missing;
  bool quota_wait_cancelled = false;
  for (;;) {
    std::string count(kPageSize);
    const std::string result =
        v2 ? api.GetSearchV2(query, ctx.SearchLang(), geocode, since_id,
                             next_token.empty() && !max_id.empty() ? NextId(max_id) : "",
                             start_time, next_token, true)
           : api.GetSearch(query, ctx.SearchLang(), geocode, since_id, max_id, count, true,
                           kResultType);
    ctx.SetLastResponse(result);
    if (v2) {
      next_token = api.NextToken();
      missing.insert(missing.end(), api.LastMissing().begin(), api.LastMissing().end());
      StopForV2Refusal(ctx, api);
    }
    if (api.LastResponseCount() > 0) {
      max_id = tweets.OldestTweetId(true);
      trimmed = tweets.TrimToDateRange(threshold_text, "");
      if (RecoveryLog* journal = ctx.Recovery()) journal->AppendPage(tweets, {max_id, 0});
      ctx.SetStatusPanel(
          3, std::to_string(api.SearchRateLimitRemaining()) + " SEARCH requests remaining");
      ctx.SetStatusPanel(4, "Next reset: " + LogDateTime(api.SearchNextLimitReset()));
      const std::string oldest = tweets.Count() > 0 ? tweets.DateTime(tweets.Count()) : "";
      ctx.ReplaceLastLogLine("Retrieved " + std::to_string(tweets.Count()) + " statuses back to " +
                             oldest);
      // Progress: from the newest tweet back towards the threshold date.
      if (const auto oldest_dt = ParseStoredDateTime(oldest)) {
        const std::int64_t o = ToSerialSeconds(*oldest_dt);
        if (newest == 0) {
          if (const auto first = ParseStoredDateTime(tweets.DateTime(1))) {
            newest = ToSerialSeconds(*first);
          }
        }
        const double span = static_cast<double>(newest - ToSerialSeconds(threshold));
        const double done = span > 0 ? static_cast<double>(newest - o) / span : 1.0;
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        ctx.SetProgress(done < 0 ? 0 : (done > 1 ? 1 : done),
                        std::to_string(tweets.Count()) + " tweets, " + Rate(tweets.Count(), secs) +
                            " per second");
      }
      ctx.YieldToEvents();
    }
    ctx.SelectLastLogLine();
    ctx.YieldToEvents();
    if (api.SearchRateLimitRemaining() < kLowQuota && ctx.Ui() != nullptr) {
      if (!AskToWaitForQuota(*ctx.Ui(), api.SearchNextLimitReset())) {
        ctx.SetStopRequested(true);
        quota_wait_cancelled = true;
      }
    }
    if (!(api.LastResponseCount() >= 1 && !trimmed && ctx.RetrievalBusy() && !ctx.StopRequested() &&
          (!v2 || !next_token.empty()))) {
      break;
    }
  }

  LogV2Missing(ctx, missing);
  std::string ending = "Search ended @" + LogDateTime(NowLocal()) + ", ";
  if (trimmed) {
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
  ctx.SetProgress(-1, "");
  // A search that ends on anything but a good answer failed, unless stopped before.
  RetrievalOutcome outcome = LoopOutcome(trimmed, api, ctx.StopRequested(), quota_wait_cancelled,
                                         api.LastResponseCode() != "200:OK");
  outcome.received = tweets.Count();
  return outcome;
}

}  // namespace wf
