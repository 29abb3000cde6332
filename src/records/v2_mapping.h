#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wf {

// What an API v2 answer says besides its rows (a page, or the problem body of a refusal).
struct V2PageInfo {
  bool parsed = false;               // the body is a JSON object
  std::size_t rows = 0;              // items of `data` (an object `data` counts as one)
  std::string next_token;            // meta.next_token; empty on the last page
  std::string newest_id;             // meta.newest_id
  std::vector<std::string> missing;  // partial `errors`: the resource each one names
  // For each of `missing`: "deleted", "suspended", "protected", "not found", or empty when the
  // error does not say.
  std::vector<std::string> missing_reasons;
  std::string title;  // problem body members, empty when absent
  std::string detail;
  std::string type;
  std::string reason;
};

// Turns API v2 JSON into the v1.1 text whose reading gives the same rows, so v2 answers and
// v2 collection files go through the v1.1 readers unchanged. Every text out is compact JSON,
// members in a fixed order, non-ASCII as lower-case \u escapes. Each call returns nullopt
// when its input is not JSON of the expected kind. Holds the decoder's buffers for reuse.
class V2Mapping {
 public:
  V2Mapping();
  ~V2Mapping();
  V2Mapping(const V2Mapping&) = delete;
  V2Mapping& operator=(const V2Mapping&) = delete;

  // One v2 tweet object as a v1.1 tweet; the author is its inlined "author", else the user of
  // `users_json` (a JSON array of v2 users, e.g. a page's includes.users) with its author_id.
  std::optional<std::string> Tweet(std::string_view tweet_json, std::string_view users_json = {});
  // One v2 user object as a v1.1 user.
  std::optional<std::string> User(std::string_view user_json);
  // A v2 tweet page as a v1.1 search page {"statuses":[...],"search_metadata":{}}.
  std::optional<std::string> SearchPage(std::string_view page_json, V2PageInfo* info = nullptr);
  // A v2 tweet page as a v1.1 timeline: a JSON array of tweets.
  std::optional<std::string> TimelinePage(std::string_view page_json, V2PageInfo* info = nullptr);
  // A v2 user page as a v1.1 user list page {"users":[...]}.
  std::optional<std::string> UserPage(std::string_view page_json, V2PageInfo* info = nullptr);
  // The paging, partial-error and problem members of a v2 answer, without mapping its rows.
  V2PageInfo Info(std::string_view page_json);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace wf
