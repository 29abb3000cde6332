#include "workflows/profile_lookup.h"

#include <algorithm>
#include <thread>

#include "util/url_encode.h"
#include "workflows/v2_paging.h"

namespace wf {
namespace {

constexpr std::size_t kBatch = 100;
constexpr int kPauseBelow = 5;
constexpr std::string_view kMethod = "USER_LOOKUP";
// Between two looks at the clock and the Cancel flag during a quota wait.
constexpr auto kPauseStep = std::chrono::milliseconds(50);
// How long to hold off after a refusal when no future reset is known.
constexpr std::int64_t kUnknownResetWaitSeconds = 60;

std::string QuotaPanel(const TwitterAPI& api) {
  return std::to_string(api.ULRateLimitRemaining()) + " USER_LOOKUP requests remaining\r\n";
}

}  // namespace

bool PauseUntilNextWindow(RetrievalContext& ctx, const CivilDateTime& reset,
                          std::string_view twit_method) {
  ctx.SetStatusPanel(3, "Waiting for next quota window on " + std::string(twit_method));
  // The wait's end, so that a front end can count down to it.
  ctx.SetStatusPanel(4, "Next reset: " + LogDateTime(reset));
  ctx.SetQuotaPausing(true);
  while (reset > ctx.Time().Now()) {
    ctx.YieldToEvents();
    if (!ctx.QuotaPausing()) return false;
    ctx.Time().Sleep(kPauseStep);
  }
  ctx.SetQuotaPausing(false);
  return true;
}

CivilDateTime WaitTargetAfterRefusal(const CivilDateTime& known_reset, const CivilDateTime& now) {
  if (known_reset > now) return known_reset;
  return FromSerialSeconds(ToSerialSeconds(now) + kUnknownResetWaitSeconds);
}

bool RefusedForQuota(const TwitterAPI& api) {
  // A monthly cap spent is no window to wait for.
  return api.LastRequestFailed() && api.LastResponseCode().rfind("429", 0) == 0 &&
         api.StopReason().empty();
}

RetrievalOutcome GetUsers(RetrievalContext& ctx, TwitterAPI& api,
                          const std::vector<std::string>& identifiers, bool user_id, bool update) {
  const std::size_t n = identifiers.size();
  if (!update) api.Users().Clear();
  ctx.SetStopRequested(false);
  const std::int32_t before = api.Users().Count();

  RetrievalOutcome outcome;
  bool completed = true;
  // Ends the run as `end` says.
  auto stop = [&](RetrievalEnd end) {
    outcome.end = end;
    completed = false;
  };
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < n && completed; i += kBatch) {
    const int remaining = api.ULRateLimitRemaining();
    if (remaining >= 1 && remaining < kPauseBelow) {
      if (ctx.Ui() != nullptr) {
        ctx.Ui()->MessageBox("Approaching API quota limit for this window. Pausing until " +
                                 LogDateTime(api.ULNextLimitReset()),
                             MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
      }
      if (!PauseUntilNextWindow(ctx, api.ULNextLimitReset(), kMethod)) {
        stop(RetrievalEnd::QuotaWaitCancelled);
        break;
      }
    } else if (remaining <= 0 && api.ULRateLimit() > 0 &&
               api.ULNextLimitReset() > ctx.Time().Now()) {
      // Spent: sending now would only be refused.
      if (!PauseUntilNextWindow(ctx, api.ULNextLimitReset(), kMethod)) {
        stop(RetrievalEnd::QuotaWaitCancelled);
        break;
      }
    }

    const std::size_t end = std::min(i + kBatch, n);
    std::string list;
    for (std::size_t j = i; j < end; ++j) list += URLEncode(identifiers[j]) + ",";
    auto send = [&] {
      if (user_id) {
        api.GetUsersLookUp(list, "", true);
      } else {
        api.GetUsersLookUp("", list, true);
      }
    };
    send();
    if (api.LastRequestCancelled()) {
      stop(RetrievalEnd::Cancelled);
      break;
    }
    if (RefusedForQuota(api)) {
      if (!PauseUntilNextWindow(
              ctx, WaitTargetAfterRefusal(api.ULNextLimitReset(), ctx.Time().Now()), kMethod)) {
        stop(RetrievalEnd::QuotaWaitCancelled);
        break;
      }
      send();
    }
    if (StopForV2Refusal(ctx, api)) {
      stop(RetrievalEnd::Refused);
      outcome.reason = api.StopReason();
      break;
    }
    missing.insert(missing.end(), api.LastMissing().begin(), api.LastMissing().end());

    ctx.ReplaceLastLogLine("Getting profile details for user list (" + std::to_string(end) +
                           " out of " + std::to_string(n) + " retrieved)");
    ctx.SelectLastLogLine();
    ctx.SetStatusPanel(3, QuotaPanel(api));
    ctx.SetStatusPanel(4, "Next reset: " + LogDateTime(api.ULNextLimitReset()));
    ctx.SetProgress(static_cast<double>(end) / static_cast<double>(n),
                    std::to_string(end) + " of " + std::to_string(n) + " profiles");
    if (ctx.StopRequested()) stop(RetrievalEnd::Cancelled);
    ctx.YieldToEvents();
    // A Cancel taken during the yield must not cost another batch.
    if (ctx.StopRequested() && end < n) stop(RetrievalEnd::Cancelled);
  }
  ctx.SetProgress(-1, "");
  LogV2Missing(ctx, missing);
  if (!completed) {
    if (ctx.Ui() != nullptr) {
      ctx.Ui()->MessageBox("User table update was not completed", MsgButtons::Ok,
                           MsgIcon::Exclamation, kAppTitle);
    }
    ctx.SetStatusPanel(3, QuotaPanel(api));
  }
  outcome.code = api.LastResponseCode();
  outcome.received = api.Users().Count() - before;
  return outcome;
}

}  // namespace wf
