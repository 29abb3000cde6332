#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "workflows/retrieval_context.h"
#include "workflows/retrieval_outcome.h"

namespace wf {

// Holds the caller until `reset` has passed, keeping the window responsive: it yields, then
// sleeps a short step, so the wait costs no processor time. False when Cancel ended the wait
// (QuotaPausing cleared), true once the time has come.
bool PauseUntilNextWindow(RetrievalContext& ctx, const CivilDateTime& reset,
                          std::string_view twit_method);

// When a request was refused for quota (429) the reset figure the client holds may be stale,
// for instance when another client spent the window; then waiting for it would end at once
// and the next request be refused again. This is the time to wait for in either case.
CivilDateTime WaitTargetAfterRefusal(const CivilDateTime& known_reset, const CivilDateTime& now);

// True when the last request of `api` failed because the quota was spent.
bool RefusedForQuota(const TwitterAPI& api);

// Fetches the profiles of `identifiers` (user ids when `user_id`, screen names otherwise)
// into `api.Users()`, 100 per request, emptying the set first unless `update`. Rewrites the
// last line of the request log with its progress, pauses before the lookup quota runs out or
// when it is spent, and sends a batch refused for quota once more after the wait. Anything but
// completed when the run was stopped (the user has been told); the records received so far
// stay. Accounts the service does not know are no failure.
RetrievalOutcome GetUsers(RetrievalContext& ctx, TwitterAPI& api,
                          const std::vector<std::string>& identifiers, bool user_id, bool update);

}  // namespace wf
