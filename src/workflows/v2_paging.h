#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/date_time.h"
#include "workflows/retrieval_context.h"

namespace wf {

// How far back the recent search of API v2 reaches.
inline constexpr std::int64_t kRecentSearchReachSeconds = 7 * 24 * 3600;

// The start_time of a v2 search from the threshold date (read as UTC, as tweets' dates are):
// the threshold itself, or for the recent search the earliest time it allows when the threshold
// lies further back, which the log then notes once. `now_utc` is seconds since 1970.
std::string V2SearchStartTime(RetrievalContext& ctx, const CivilDateTime& threshold,
                              bool full_archive, std::int64_t now_utc);

// One log line naming what the partial errors of a command's v2 answers said was missing;
// nothing when nothing was.
void LogV2Missing(RetrievalContext& ctx, const std::vector<std::string>& missing);

// After a v2 request that must end the command (StopReason): says why in the log and to the
// user, and asks the run to stop. False when there is nothing to stop for.
bool StopForV2Refusal(RetrievalContext& ctx, const TwitterAPI& api);

}  // namespace wf
