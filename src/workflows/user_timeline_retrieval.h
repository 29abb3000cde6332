#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "workflows/retrieval_context.h"
#include "workflows/retrieval_outcome.h"

namespace wf {

// The share of the progress bar one user's run covers: [from, to] of the whole.
struct ProgressSpan {
  double from = 0;
  double to = 1;
};

// Pages backwards through one user's timeline, 200 tweets at a time, into the client's tweet
// set, until no more come, the tweets pass the threshold date, or the user stops. `user` is
// a screen name, or a user id when `user_is_screen_name` is false; with a non-empty
// `since_id` only newer tweets are asked for; a non-empty `start_max_id` takes up an
// interrupted run below the tweets it had.
RetrievalOutcome RetrieveUserTimeline(RetrievalContext& ctx, std::string_view user,
                                      std::string_view since_id, bool user_is_screen_name = true,
                                      ProgressSpan span = {}, std::string_view start_max_id = {});

// Walks the ticked entries of the user list, first to last, through RetrieveUserTimeline.
// `since_for` gives the since id of an entry (empty: the whole reachable timeline). With
// `show_each` every entry becomes current as its turn comes and the tweet table is rebuilt
// after it. `entries_are_ids` sends the entries as user ids. The walk ends early on Cancel.
RetrievalOutcome RetrieveCheckedTimelines(
    RetrievalContext& ctx, const std::function<std::string(const std::string&)>& since_for,
    bool show_each, bool entries_are_ids);

// Takes up an interrupted walk over `users` (with their since ids) at entry `from`, whose
// pages continue below `max_id`. The same loop as RetrieveCheckedTimelines otherwise.
RetrievalOutcome ResumeTimelines(RetrievalContext& ctx, const std::vector<std::string>& users,
                                 const std::vector<std::string>& since_ids, std::size_t from,
                                 std::string_view max_id, bool show_each, bool entries_are_ids);

}  // namespace wf
