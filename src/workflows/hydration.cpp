#include "workflows/hydration.h"

#include <algorithm>

#include "workflows/v2_paging.h"

namespace wf {
namespace {

constexpr int kLowQuota = 10;

std::string Progress(std::size_t done, std::size_t total, std::size_t missing) {
  return std::to_string(done) + " of " + std::to_string(total) + " ids hydrated, " +
         std::to_string(missing) + " missing";
}

}  // namespace

HydrationResult RetrieveHydration(RetrievalContext& ctx, std::string_view file,
                                  const std::vector<std::string>& ids, HydrationResult before) {
  TwitterAPI& api = ctx.Twitter();
  HydrationResult result = std::move(before);
  result.done = std::min(result.done, ids.size());
  const std::size_t total = ids.size();

  ctx.AddLogLine("Hydration initiated @" + LogDateTime(NowLocal()) + " for [" + std::string(file) +
                 "] (" + std::to_string(total) + " ids)");
  ctx.AddLogLine(Progress(result.done, total, result.missing.size()));
  ctx.SelectLastLogLine();
  ctx.YieldToEvents();

  std::vector<std::string> batch;
  batch.reserve(kHydrateBatch);
  const std::size_t found_before = result.found;
  bool failed = false;
  bool quota_wait_cancelled = false;
  while (result.done < total && ctx.RetrievalBusy() && !ctx.StopRequested()) {
    const std::size_t end = std::min(total, result.done + kHydrateBatch);
    batch.assign(ids.begin() + static_cast<std::ptrdiff_t>(result.done),
                 ids.begin() + static_cast<std::ptrdiff_t>(end));
    const std::string answer = api.GetTweetsLookUp(batch, true);
    ctx.SetLastResponse(answer);
    if (api.ApiVersion() == 2) StopForV2Refusal(ctx, api);
    if (api.LastRequestFailed() || answer.empty()) {
      failed = true;
      break;
    }
    result.done = end;
    result.found += static_cast<std::size_t>(api.LastLookUpCount());
    result.missing.insert(result.missing.end(), api.LastMissingTweets().begin(),
                          api.LastMissingTweets().end());
    if (RecoveryLog* journal = ctx.Recovery()) {
      MissingIds missing;
      for (const MissingTweet& m : api.LastMissingTweets()) missing.emplace_back(m.id, m.reason);
      journal->AppendPage(api.Tweets(), {std::to_string(result.done), 0}, missing);
    }
    ctx.SetStatusPanel(3,
                       std::to_string(api.TLRateLimitRemaining()) + " LOOKUP requests remaining");
    ctx.SetStatusPanel(4, "Next reset: " + LogDateTime(api.TLNextLimitReset()));
    ctx.ReplaceLastLogLine(Progress(result.done, total, result.missing.size()));
    ctx.SetProgress(total > 0 ? static_cast<double>(result.done) / static_cast<double>(total) : 1,
                    std::to_string(result.done) + " of " + std::to_string(total) + " ids");
    ctx.SelectLastLogLine();
    ctx.YieldToEvents();
    if (result.done < total && api.TLRateLimitRemaining() < kLowQuota && ctx.Ui() != nullptr) {
      if (!AskToWaitForQuota(*ctx.Ui(), api.TLNextLimitReset())) {
        ctx.SetStopRequested(true);
        quota_wait_cancelled = true;
      }
    }
  }

  std::string ending = "Hydration ended @" + LogDateTime(NowLocal()) + ", " +
                       std::to_string(result.found) + " tweets found, " +
                       std::to_string(result.missing.size()) + " missing";
  if (result.done < total) {
    ending += " (" + std::to_string(total - result.done) + " ids not asked for: ";
    if (!api.StopReason().empty()) {
      ending += api.StopReason();
    } else if (failed) {
      ending += api.LastResponseCode();
    } else {
      ending += "user cancelled the procedure";
    }
    ending += ")";
  }
  ctx.AddLogLine(std::move(ending));
  ctx.SelectLastLogLine();
  ctx.SetProgress(-1, "");
  // Ids left unasked because the window stopped the run count as a cancel.
  result.outcome =
      LoopOutcome(false, api, result.done < total && !failed && api.StopReason().empty(),
                  quota_wait_cancelled, failed);
  result.outcome.received = static_cast<int>(result.found - found_before);
  return result;
}

}  // namespace wf
