#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "apisim/corpus.h"
#include "apisim/query.h"

namespace wf::apisim {

// Decoded query parameters, as the HTTP layer hands them over.
using Params = std::multimap<std::string, std::string>;

struct Answer {
  int status = 200;
  std::string body;
};

// {"errors":[{"code":C,"message":"M"}]}
std::string ErrorBody(int code, std::string_view message);
// {"request":"\/1.1\/...","error":"Not authorized."}: protected accounts under app-only auth.
std::string NotAuthorizedBody(std::string_view path);

// Each resource as a function of the corpus and the parameters. `page_size` forces the number
// of items per page regardless of count (0: honour count); it is how oversized pages are made.
Answer SearchTweets(const Corpus& corpus, const Params& params, uint32_t page_size = 0);
Answer UserTimeline(const Corpus& corpus, const Params& params, uint32_t page_size = 0);
Answer FollowList(const Corpus& corpus, const Params& params, bool friends, uint32_t page_size = 0);
Answer FollowerIds(const Corpus& corpus, const Params& params, uint32_t page_size = 0);
Answer UsersLookup(const Corpus& corpus, const Params& params, uint32_t page_size = 0);

// GET statuses/lookup: up to 100 ids; unknown ids, tweets of protected timelines and those
// `deleted_share` takes out are left out.
Answer StatusesLookup(const Corpus& corpus, const Params& params, double deleted_share = 0);

// Whether the tweet's point, or else the centre of its place, lies in the area.
bool WithinArea(const Tweet& tweet, const Geocode& area);

// Percent-encoding of a query for search_metadata links ("%20" for spaces, or "+" when
// `plus_for_space`); unreserved characters stay.
std::string EncodeQuery(std::string_view text, bool plus_for_space);

}  // namespace wf::apisim
