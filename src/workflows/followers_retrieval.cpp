#include "workflows/followers_retrieval.h"

#include <algorithm>

#include "workflows/profile_lookup.h"
#include "workflows/v2_paging.h"

namespace wf {
namespace {

constexpr std::string_view kPageSize = "200";
constexpr int kMaxConsecutiveFailures = 3;

struct Names {
  std::string_view noun;    // in the log line
  std::string_view method;  // in the status bar
};

Names NamesOf(FollowList which) {
  return which == FollowList::kFollowers ? Names{"followers", "GET FOLLOWERS/LIST"}
                                         : Names{"friends", "GET FRIENDS/LIST"};
}

}  // namespace

FollowListResult RetrieveFollowList(RetrievalContext& ctx, TwitterAPI& api, FollowList which,
                                    std::string_view user_id, std::string_view screen_name,
                                    std::string_view shown_name, int known_total) {
  const Names names = NamesOf(which);
  const bool followers = which == FollowList::kFollowers;
  UserSet& users = api.Users();
  const std::string head = "Getting " + std::string(names.noun) + " of " + std::string(shown_name);
  auto progress_line = [&] { return head + " (" + std::to_string(users.Count()) + " retrieved)"; };
  auto remaining = [&] {
    return followers ? api.FLRateLimitRemaining() : api.FrRateLimitRemaining();
  };
  auto next_reset = [&] { return followers ? api.FLNextLimitReset() : api.FrNextLimitReset(); };

  ctx.AddLogLine(progress_line());
  ctx.SetStopRequested(false);
  ctx.SetTimer1Enabled(false);

  FollowListResult result;
  int failures = 0;
  for (;;) {
    const std::string cursor_before = users.NextCursor();
    const std::int32_t count_before = users.Count();
    const std::string r = followers ? api.GetFollowersList(user_id, screen_name, kPageSize, true)
                                    : api.GetFriendsList(user_id, screen_name, kPageSize, true);
    bool last_page = false;
    const bool asked = !user_id.empty() || !screen_name.empty();
    // A 200 answer without a body says nothing about the list: it is no last page.
    const bool empty_answer = asked && !api.LastRequestFailed() && r.empty();
    if (empty_answer) {
      ctx.ReplaceLastLogLine(head + ": an empty answer (" + api.LastResponseCode() +
                             ") counts as a failed request");
      ctx.AddLogLine(progress_line());
    }
    // A 200 answer that did not move the cursor was cut short or was not the API's JSON:
    // asking again for the same page is right, but its accounts would then come twice.
    const bool unreadable = !api.LastRequestFailed() && !r.empty() && users.NextCursor() != "0" &&
                            users.NextCursor() == cursor_before;
    if (unreadable) users.KeepFirst(count_before);
    if (!api.LastRequestFailed() && !r.empty() && !unreadable) {
      failures = 0;
      ++result.pages;
      last_page = users.NextCursor() == "0";
      if (last_page) ctx.SetStopRequested(true);
    } else if (!asked) {
      last_page = true;  // nothing to ask for: no account given
    } else if (api.LastRequestCancelled()) {
      result.outcome.end = RetrievalEnd::Cancelled;
      break;
    } else if (StopForV2Refusal(ctx, api)) {
      result.outcome.end = RetrievalEnd::Refused;
      result.outcome.reason = api.StopReason();
      break;
    } else if (RefusedForQuota(api)) {
      if (!PauseUntilNextWindow(ctx, WaitTargetAfterRefusal(next_reset(), ctx.Time().Now()),
                                names.method)) {
        result.outcome.end = RetrievalEnd::QuotaWaitCancelled;
        break;
      }
      continue;  // the same page again: the cursor has not moved
    } else if (++failures >= kMaxConsecutiveFailures) {
      std::string reason = api.LastResponseCode();
      if (unreadable) {
        reason = "unreadable answers from the server";
      } else if (empty_answer) {
        reason = "empty answers from the server";
      } else if (!api.LastTransportError().empty()) {
        reason = "no answer from the server (" + api.LastTransportError() + ")";
      }
      ctx.AddLogLine(head + " ended after " + std::to_string(failures) +
                     " failed requests: " + reason);
      result.outcome.end = RetrievalEnd::Failed;
      result.outcome.reason = reason;
      break;
    }

    ctx.ReplaceLastLogLine(progress_line());
    ctx.SetStatusPanel(2, std::to_string(users.Count()) + " users displayed");
    ctx.SetStatusPanel(
        3, std::to_string(remaining()) + " " + std::string(names.method) + " requests remaining");
    ctx.SetStatusPanel(4, "Next Reset: " + LogDateTime(next_reset()));
    if (known_total > 0) {
      ctx.SetProgress(
          std::min(1.0, static_cast<double>(users.Count()) / known_total),
          std::to_string(users.Count()) + " of " + std::to_string(known_total) + " accounts");
    }
    ctx.YieldToEvents();
    if (last_page) break;
    if (ctx.StopRequested()) {
      result.outcome.end = RetrievalEnd::Cancelled;
      break;
    }
  }
  result.outcome.code = api.LastResponseCode();
  result.outcome.received = users.Count();
  ctx.SetProgress(-1, "");
  ctx.SetTimer1Enabled(true);
  return result;
}

}  // namespace wf
