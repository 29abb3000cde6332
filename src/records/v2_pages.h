#pragma once

#include <simdjson.h>

#include <string>

namespace wf {

// A v2 response page (its "data" tweets) or a flattened v2 tweet as the v1.1 search page
// {"statuses":[...]} that gives the same rows; false when it holds no tweets it can map.
bool V2TweetPage(const simdjson::dom::element& root, std::string& page);

// A v2 page of users as the v1.1 follower page {"users":[...]}; false when its data are not
// users.
bool V2UserPage(const simdjson::dom::element& root, std::string& page);

}  // namespace wf
