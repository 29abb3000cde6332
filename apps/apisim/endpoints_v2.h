#pragma once

#include <cstdint>
#include <string_view>

#include "apisim/corpus.h"
#include "apisim/endpoints.h"

// The API v2 resources, as functions of the corpus and the parameters, answering in v2's
// shapes (shapes_v2.h).
namespace wf::apisim::v2 {

struct Knobs {
  uint32_t page_size = 0;  // items per page whatever max_results asks (0: honour it)
  double partial = 0;      // share of looked-up accounts answered as not found
  double deleted = 0;      // share of looked-up tweets answered as deleted
};

// GET /2/tweets/search/recent (the last 7 days) or /2/tweets/search/all.
Answer Search(const Corpus& corpus, const Params& params, bool full_archive,
              const Knobs& knobs = {});
// GET /2/users/:id/tweets
Answer UserTweets(const Corpus& corpus, std::string_view id, const Params& params,
                  const Knobs& knobs = {});
// GET /2/tweets?ids=
Answer TweetsLookup(const Corpus& corpus, const Params& params, const Knobs& knobs = {});

// GET /2/users/by?usernames=
Answer UsersByNames(const Corpus& corpus, const Params& params, const Knobs& knobs = {});
// GET /2/users?ids=
Answer UsersByIds(const Corpus& corpus, const Params& params, const Knobs& knobs = {});
// GET /2/users/by/username/:name
Answer UserByName(const Corpus& corpus, std::string_view name, const Params& params,
                  const Knobs& knobs = {});
// GET /2/users/:id/followers or /2/users/:id/following
Answer Follows(const Corpus& corpus, std::string_view id, const Params& params, bool following,
               const Knobs& knobs = {});

}  // namespace wf::apisim::v2
