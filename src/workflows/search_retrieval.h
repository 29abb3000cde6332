#pragma once

#include <string_view>

#include "workflows/retrieval_context.h"
#include "workflows/retrieval_outcome.h"

namespace wf {

// Pages through the search resource for `query` into the API client's tweet set, newest
// first, until the API has no more, the tweets pass the threshold date, or the user stops;
// with a non-empty `since_id` only tweets newer than it are asked for. A non-empty
// `start_max_id` takes up an interrupted run below the tweets it had collected.
RetrievalOutcome RetrieveSearch(RetrievalContext& ctx, std::string_view query,
                                std::string_view since_id, std::string_view location,
                                std::string_view start_max_id = {});

}  // namespace wf
