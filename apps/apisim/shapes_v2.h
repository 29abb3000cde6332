#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apisim/corpus.h"
#include "apisim/endpoints.h"
#include "apisim/json_writer.h"

// API v2 objects and bodies. Strings are raw UTF-8 (JsonWriter::Strings::kUtf8); a tweet
// carries `edit_history_tweet_ids`, `id` and `text` and, like a user's `id`, `name` and
// `username`, only the other fields the request names.
namespace wf::apisim::v2 {

enum TweetField : uint32_t {
  kAuthorId = 1u << 0,
  kConversationId = 1u << 1,
  kCreatedAt = 1u << 2,
  kEntities = 1u << 3,
  kGeo = 1u << 4,
  kInReplyToUserId = 1u << 5,
  kLang = 1u << 6,
  kNoteTweet = 1u << 7,
  kPossiblySensitive = 1u << 8,
  kPublicMetrics = 1u << 9,
  kReferencedTweets = 1u << 10,
  kSource = 1u << 11,
};

enum UserField : uint32_t {
  kUserCreatedAt = 1u << 0,
  kDescription = 1u << 1,
  kUserEntities = 1u << 2,
  kLocation = 1u << 3,
  kProfileImageUrl = 1u << 4,
  kProtected = 1u << 5,
  kUserPublicMetrics = 1u << 6,
  kUrl = 1u << 7,
  kVerified = 1u << 8,
};

// What a request asks for with tweet.fields, user.fields and expansions.
struct Fields {
  uint32_t tweet = 0;
  uint32_t user = 0;
  bool expand_authors = false;
};

// The fields of a request; on a name the real service does not know, the 400 answer.
std::optional<Fields> ReadFields(const Params& params, bool tweets, Answer* refusal);

// Texts longer than this are long posts: `text` is cut and `note_tweet` holds the whole.
constexpr int kNoteThreshold = 280;

void WriteTweet(JsonWriter& w, const Corpus& corpus, const Tweet& tweet, const Fields& fields);
void WriteUser(JsonWriter& w, const Corpus& corpus, uint32_t user, const Fields& fields);
// "includes":{"users":[...]} for the authors of `tweets` in order of first appearance.
void WriteAuthorIncludes(JsonWriter& w, const Corpus& corpus, const std::vector<Tweet>& tweets,
                         const Fields& fields);

// {"title","detail","type","status"}
std::string Problem(std::string_view title, std::string_view detail, std::string_view type,
                    int status);
// 400 {"errors":[{"parameters":{NAME:[VALUE]},"message":M}],"title":"Invalid Request",...}
Answer InvalidRequest(std::string_view parameter, std::string_view value, std::string_view message);
// 403 for an endpoint outside the key's access level.
std::string ClientForbiddenBody();
// 429 when the project's monthly post cap is spent.
std::string UsageCappedBody();

// One member of a 200 answer's "errors": a resource the request named that is not shown.
struct ResourceError {
  std::string value;
  std::string detail;
  std::string title = "Not Found Error";
  std::string resource_type;  // "user" or "tweet"
  std::string parameter;
  std::string type = "https://api.twitter.com/2/problems/resource-not-found";
};
void WriteErrors(JsonWriter& w, const std::vector<ResourceError>& errors);

// Opaque paging tokens: `value` (a position or an id) bound to a kind of list and an owner,
// so a token from elsewhere is refused rather than misread.
enum class TokenKind : uint32_t { kSearch = 1, kTimeline = 2, kFollowers = 3, kFollowing = 4 };
std::string MakeToken(uint64_t data_seed, TokenKind kind, uint64_t owner, uint64_t value);
std::optional<uint64_t> ReadToken(uint64_t data_seed, TokenKind kind, uint64_t owner,
                                  std::string_view token);

// max_results: `fallback` when absent; outside low..high, the 400 answer.
std::optional<uint32_t> ReadMaxResults(const Params& params, uint32_t fallback, uint32_t low,
                                       uint32_t high, Answer* refusal);
// A comma-separated list parameter; empty items are dropped.
std::vector<std::string> SplitList(const std::string& list);

// "2022-11-08T21:02:11Z", with optional fractions and "+00:00"; epoch seconds.
std::optional<int64_t> ReadTime(std::string_view text);

}  // namespace wf::apisim::v2
