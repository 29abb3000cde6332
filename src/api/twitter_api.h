#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "api/http_request.h"
#include "records/tweet_set.h"
#include "records/user_set.h"
#include "util/date_time.h"
#include "util/ui_port.h"

namespace wf {

inline constexpr std::string_view kDefaultApiBase = "https://api.twitter.com";
inline constexpr std::string_view kFailed = "Failed";

// Requests left, requests per window and the next window's start (seconds since 1970 UTC)
// of one resource family, as the last successful request of that family reported them.
struct RateQuota {
  std::int16_t remaining = 0;
  std::int16_t limit = 0;
  std::int32_t reset = 0;
};

// A tweet a lookup asked for that the answer did not hold, and why when the answer says
// ("deleted", "suspended", "protected", "not found"; empty: unknown).
struct MissingTweet {
  std::string id;
  std::string reason;
};

// How the last token request ended.
enum class AuthFailure {
  kNone,         // a token came back
  kRefused,      // the server answered with another status than 200: key and secret refused
  kNoToken,      // a 200 answer that held no bearer token
  kUnreachable,  // no answer: no connection, a name that does not resolve, a time-out
  kCertificate,  // the server's TLS certificate could not be verified
};

struct AuthResult {
  AuthFailure failure = AuthFailure::kNone;
  std::string detail;  // the answer's status ("403:Forbidden") or the transport's reason
};

// What went wrong, for the user ("the server refused the consumer key and secret
// (403:Forbidden)"); empty when nothing did.
std::string DescribeAuthFailure(const AuthResult& result);

// The client of the Twitter REST API v1.1 with application-only authentication. It keeps the
// outcome of the last request, the quota of each resource family, and the two record sets
// that successful responses are loaded into. Network trouble is offered to the user as a
// retry question through the UI port.
class TwitterAPI {
 public:
  TwitterAPI(HttpClient& http, UiPort* ui, std::string api_base = std::string(kDefaultApiBase));
  ~TwitterAPI();

  TweetSet& Tweets() { return *tweets_; }
  UserSet& Users() { return *users_; }
  const TweetSet& Tweets() const { return *tweets_; }
  const UserSet& Users() const { return *users_; }

  // Every request, the token request included, goes through this proxy when it is set.
  void SetProxyServer(std::string server) { proxy_server_ = std::move(server); }
  const std::string& ProxyServer() const { return proxy_server_; }
  const std::string& LastResponseCode() const { return last_response_code_; }
  // -1 after a failed request, otherwise the tweet set's LastSetDataSize.
  std::int32_t LastResponseCount() const;
  const std::string& BearerToken() const { return bearer_token_; }
  const std::string& ApplicationName() const { return app_name_; }
  const std::string& ResponseText() const { return response_text_; }
  bool LastRequestFailed() const { return last_failed_; }
  // Why the last request got no answer that could be used (the transport's reason); empty when
  // it was answered.
  const std::string& LastTransportError() const { return last_transport_error_; }
  const AuthResult& LastAuthResult() const { return last_auth_; }
  const std::string& ApiBase() const { return api_base_; }
  void SetApiBase(std::string base);
  // Called with the address and body of every successful resource response (for archives).
  using ResponseObserver =
      std::function<void(std::string_view url, int status, std::string_view body)>;
  void SetResponseObserver(ResponseObserver observer) { on_response_ = std::move(observer); }
  // Asked while a request waits for its answer: once it turns true (Cancel) the request is
  // given up and the operation fails at once, without a retry question, with
  // LastRequestCancelled set. A stop that was already asked for when the request began leaves
  // it alone: the loops look at that between requests.
  void SetStopSignal(std::function<bool()> stopped) { stopped_ = std::move(stopped); }
  // True when the last request was given up on the stop signal.
  bool LastRequestCancelled() const { return last_cancelled_; }

  std::int16_t UTLRateLimitRemaining() const { return utl_.remaining; }
  std::int16_t UTLRateLimit() const { return utl_.limit; }
  CivilDateTime UTLNextLimitReset() const { return NextReset(utl_); }
  std::int16_t FLRateLimitRemaining() const { return fl_.remaining; }
  std::int16_t FLRateLimit() const { return fl_.limit; }
  CivilDateTime FLNextLimitReset() const { return NextReset(fl_); }
  std::int16_t FrRateLimitRemaining() const { return fr_.remaining; }
  std::int16_t FrRateLimit() const { return fr_.limit; }
  CivilDateTime FrNextLimitReset() const { return NextReset(fr_); }
  std::int16_t ULRateLimitRemaining() const { return ul_.remaining; }
  std::int16_t ULRateLimit() const { return ul_.limit; }
  CivilDateTime ULNextLimitReset() const { return NextReset(ul_); }
  std::int16_t TLRateLimitRemaining() const { return tl_.remaining; }
  std::int16_t TLRateLimit() const { return tl_.limit; }
  CivilDateTime TLNextLimitReset() const { return NextReset(tl_); }
  std::int16_t SearchRateLimitRemaining() const { return search_.remaining; }
  std::int16_t SearchRateLimit() const { return search_.limit; }
  CivilDateTime SearchNextLimitReset() const { return NextReset(search_); }

  // Each returns the response body, "Failed", or the empty text when its guard stops it.
  std::string GetUsersLookUp(std::string_view user_id_list, std::string_view screen_name_list,
                             bool append_users);
  std::string GetFriendsList(std::string_view user_id, std::string_view screen_name,
                             std::string_view count, bool append_users);
  std::string GetFollowersList(std::string_view user_id, std::string_view screen_name,
                               std::string_view count, bool append_users);
  std::string GetUserTimeLine(std::string_view user, bool user_is_screen_name,
                              std::string_view since_id, std::string_view max_id,
                              std::string_view count, bool append_tweets);
  // `count` is corrected into 10..100 and the caller's text receives the corrected value.
  std::string GetSearch(std::string_view query, std::string_view lang, std::string_view geo_code,
                        std::string_view since_id, std::string_view max_id, std::string& count,
                        bool append_tweets, std::string_view result_type);

  // Looks up to 100 tweets by id (v1.1 statuses/lookup, v2 /2/tweets) and adds those found to
  // the tweet set in the order of `ids`, whatever order the answer has. LastMissingTweets()
  // then names the ids the answer did not hold.
  std::string GetTweetsLookUp(const std::vector<std::string>& ids, bool append_tweets);
  const std::vector<MissingTweet>& LastMissingTweets() const { return last_missing_tweets_; }
  // Tweets the last lookup added.
  std::int32_t LastLookUpCount() const { return last_lookup_count_; }

  // API v2: every operation above becomes its v2 request when the version is 2 (1 is v1.1).
  // Their answers fill the same record sets; max_id becomes until_id, a follower/friend page's
  // next_token becomes the user set's cursor ("0" after the last page).
  void SetApiVersion(int version) { api_version_ = version == 2 ? 2 : 1; }
  int ApiVersion() const { return api_version_; }
  // Search asks /2/tweets/search/all instead of /2/tweets/search/recent.
  void SetFullArchive(bool on) { full_archive_ = on; }
  bool FullArchive() const { return full_archive_; }
  // A v2 tweet search page; `start_time` ("2021-05-18T19:24:56Z"), `until_id`, `next_token`
  // may be empty. NextToken() then names the following page.
  std::string GetSearchV2(std::string_view query, std::string_view lang, std::string_view geo_code,
                          std::string_view since_id, std::string_view until_id,
                          std::string_view start_time, std::string_view next_token,
                          bool append_tweets);
  // A v2 user timeline page of `user` (an id, or a screen name resolved first).
  std::string GetUserTimeLineV2(std::string_view user, bool user_is_screen_name,
                                std::string_view since_id, std::string_view until_id,
                                std::string_view pagination_token, bool append_tweets);
  // Resolves screen names to ids, 100 per request; the ids are kept for the client's life.
  // False when a request failed; names the API does not know stay unresolved.
  bool ResolveUserIds(const std::vector<std::string>& screen_names);
  // The id of a resolved screen name (case-insensitive), or the empty text.
  std::string ResolvedUserId(std::string_view screen_name) const;
  // The last v2 page's meta.next_token; empty on the last page.
  const std::string& NextToken() const { return next_token_; }
  // What the last v2 answer's partial errors named as missing.
  const std::vector<std::string>& LastMissing() const { return last_missing_; }
  // Why the last v2 request means the command must stop (an endpoint outside the key's access
  // level, the monthly cap spent); empty otherwise.
  const std::string& StopReason() const { return stop_reason_; }

  // Exchanges the consumer key and secret for a bearer token; the token, or the empty text.
  std::string AuthAppAccess(std::string_view app_name, std::string_view consumer_key,
                            std::string_view consumer_secret);
  // Empties both record sets; the token, quotas and last response stay.
  void Clear();
  std::string GetFollowerIds(std::string_view screen_name);

  // The local time's offset from UTC in whole hours.
  static std::int16_t GetLocalUTCOffset();

 private:
  enum class Retry { AskRepeat, AskResendOnce, Never };
  struct Resource {
    std::string_view operation;  // for the retry question's title
    std::string path_and_query;
    double wait_seconds;
    RateQuota* quota;     // null: none tracked
    bool quota_optional;  // missing quota headers are skipped rather than a failure
    bool proxy_notice;    // says so before going through the proxy
    Retry retry;
  };
  enum class Outcome { Ok, Status, Transport, Cancelled };

  std::string Request(const Resource& resource,
                      const std::function<void(const std::string&)>& load);
  // Request for v2: clears the page state first, and after a refusal sets StopReason for the
  // refusals that retrying cannot cure. `endpoint` names the resource in that message.
  std::string RequestV2(const Resource& resource, std::string_view endpoint,
                        const std::function<void(const std::string&)>& load);
  std::string GetUsersLookUpV2(std::string_view user_id_list, std::string_view screen_name_list,
                               bool append_users);
  // Adds the tweets of `found` to the set in the order of `ids`; the rest become missing
  // (with the reasons `reasons` gives, by id).
  void AddLookedUp(TweetSet& found, const std::vector<std::string>& ids,
                   const std::unordered_map<std::string, std::string>& reasons, bool append);
  std::string GetFollowListV2(bool followers, std::string_view user_id,
                              std::string_view screen_name, bool append_users);
  // A screen name's id, asking the API when it is not resolved yet; empty when unknown.
  std::string UserIdFor(std::string_view screen_name);
  Outcome Exchange(const Resource& resource, std::string* body);
  bool AskRetry(const Resource& resource);
  static CivilDateTime NextReset(const RateQuota& q);

  HttpClient& http_;
  UiPort* ui_;
  std::string api_base_;
  std::unique_ptr<TweetSet> tweets_;
  std::unique_ptr<UserSet> users_;
  std::string bearer_token_;
  std::string app_name_;
  std::string response_text_;
  bool last_failed_ = false;
  bool last_cancelled_ = false;
  std::function<bool()> stopped_;
  std::string last_response_code_;
  std::string last_transport_error_;
  AuthResult last_auth_;
  std::string proxy_server_;
  RateQuota utl_{300, 0, 0};
  RateQuota fl_;
  RateQuota fr_;
  RateQuota ul_;
  RateQuota search_{450, 0, 0};
  RateQuota tl_{300, 0, 0};
  std::vector<MissingTweet> last_missing_tweets_;
  std::int32_t last_lookup_count_ = 0;
  ResponseObserver on_response_;
  int api_version_ = 1;
  bool full_archive_ = false;
  std::string error_body_;  // the body of the last refused v2 request
  std::string next_token_;
  std::int32_t v2_rows_ = 0;
  std::vector<std::string> last_missing_;
  std::string stop_reason_;
  std::unordered_map<std::string, std::string> user_ids_;  // lower-case screen name -> id
  std::unique_ptr<class V2Mapping> mapping_;
};

}  // namespace wf
