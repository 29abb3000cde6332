#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "workflows/retrieval_context.h"
#include "workflows/retrieval_outcome.h"

namespace wf {

// Ids asked for per lookup request.
inline constexpr std::size_t kHydrateBatch = 100;

// How a hydration ended.
struct HydrationResult {
  std::size_t done = 0;   // ids asked for (found or missing)
  std::size_t found = 0;  // tweets added
  std::vector<MissingTweet> missing;
  RetrievalOutcome outcome;  // `received` counts the tweets found by this run
};

// Looks up `ids` (file order) 100 at a time into the API client's tweet set, in the order of
// the ids, until all are asked for, a request fails, or the user stops. `file` names the ids
// file in the log. `before` takes up an interrupted run: its first `before.done` ids were asked
// already, with what they gave.
HydrationResult RetrieveHydration(RetrievalContext& ctx, std::string_view file,
                                  const std::vector<std::string>& ids, HydrationResult before = {});

}  // namespace wf
