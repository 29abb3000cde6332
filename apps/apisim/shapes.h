#pragma once

#include <cstdint>

#include "apisim/corpus.h"
#include "apisim/json_writer.h"
#include "apisim/query.h"

namespace wf::apisim {

struct TweetShape {
  bool extended = true;  // tweet_mode=extended: full_text and display_text_range
  bool search = false;   // search results carry a "metadata" member
  bool trim_user = false;
  bool omit_user = false;  // a profile's own latest status does not repeat the profile
};

// Member order follows the recorded 2022 responses; the client's reader depends on it.
void WriteTweet(JsonWriter& w, const Corpus& corpus, const Tweet& tweet, const TweetShape& shape);

// A profile as users/lookup and the follower lists send it; `with_status` embeds the newest
// tweet (compatibility mode, as those endpoints do) between "lang" and
// "contributors_enabled".
void WriteUser(JsonWriter& w, const Corpus& corpus, uint32_t user, bool with_status,
               bool extended_status = false);

SearchDoc MakeSearchDoc(const Corpus& corpus, const Tweet& tweet);

}  // namespace wf::apisim
