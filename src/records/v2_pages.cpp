#include "records/v2_pages.h"

namespace wf {

// Until the v2 mapping is in, v2 items are counted as lines of an unknown shape.
bool V2TweetPage(const simdjson::dom::element&, std::string&) { return false; }

bool V2UserPage(const simdjson::dom::element&, std::string&) { return false; }

}  // namespace wf
