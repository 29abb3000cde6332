#pragma once

#include <string>
#include <string_view>

#include "workflows/retrieval_context.h"
#include "workflows/retrieval_outcome.h"

namespace wf {

enum class FollowList { kFollowers, kFriends };

struct FollowListResult {
  // Completed when the last page arrived; cancelled also during a quota wait; failed when
  // pages kept failing for a reason other than the quota. `received`: accounts in the set.
  RetrievalOutcome outcome;
  int pages = 0;  // successful requests
};

// Pages through the follower or friend list of one account (by `user_id` when not empty,
// else by `screen_name`) into `api.Users()`, 200 accounts a page, continuing from the set's
// cursor. Adds one log line for the run and rewrites it as pages arrive; `shown_name` is how
// that line names the account. A page refused for quota waits for the next window and is
// asked for again; any other failure ends the run after 3 consecutive failed pages, with a
// log line naming the response code. A page that does not move the cursor (cut short, or not
// the API's JSON) counts as failed, and its accounts are dropped so that none comes twice; so
// does a 200 answer with an empty body, which gets a log line of its own.
// `known_total`, when above 0, is the account's count from its profile and drives the progress bar.
FollowListResult RetrieveFollowList(RetrievalContext& ctx, TwitterAPI& api, FollowList which,
                                    std::string_view user_id, std::string_view screen_name,
                                    std::string_view shown_name, int known_total);

}  // namespace wf
