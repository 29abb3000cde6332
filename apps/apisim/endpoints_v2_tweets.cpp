#include <algorithm>
#include <charconv>
#include <vector>

#include "apisim/endpoints_v2.h"
#include "apisim/faults.h"
#include "apisim/params.h"
#include "apisim/query.h"
#include "apisim/shapes.h"
#include "apisim/shapes_v2.h"

namespace wf::apisim::v2 {

namespace {

constexpr int64_t kRecentReach = 7 * 86400;

// Takes every point_radius:[long lat radius] out of the query. False when one is malformed.
bool TakeAreas(std::string& query, std::vector<Geocode>& areas) {
  constexpr std::string_view kOp = "point_radius:[";
  for (size_t at = query.find(kOp); at != std::string::npos; at = query.find(kOp, at)) {
    const size_t close = query.find(']', at);
    if (close == std::string::npos) return false;
    std::string inside = query.substr(at + kOp.size(), close - at - kOp.size());
    // "long lat radius" as the geocode "lat,long,radius" reads it.
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos < inside.size()) {
      const size_t end = std::min(inside.find(' ', pos), inside.size());
      if (end > pos) parts.push_back(inside.substr(pos, end - pos));
      pos = end + 1;
    }
    if (parts.size() != 3) return false;
    const auto area = Geocode::Parse(parts[1] + "," + parts[0] + "," + parts[2]);
    if (!area) return false;
    areas.push_back(*area);
    query.erase(at, close + 1 - at);
  }
  return true;
}

std::optional<uint64_t> ReadId(const Params& p, const char* key, Answer* refusal) {
  const auto it = p.find(key);
  if (it == p.end()) return 0;
  const auto id = params::WholeId(it->second);
  if (!id) {
    *refusal = InvalidRequest(
        key, it->second,
        std::string("The `") + key + "` query parameter value [" + it->second + "] is not valid");
  }
  return id;
}

// start_time / end_time; 0 when absent.
std::optional<int64_t> ReadTimeParam(const Params& p, const char* key, Answer* refusal) {
  const auto it = p.find(key);
  if (it == p.end()) return 0;
  const auto t = ReadTime(it->second);
  if (!t) {
    *refusal =
        InvalidRequest(key, it->second, std::string("Invalid '") + key + "':'" + it->second + "'.");
  }
  return t;
}

// The body of a tweet page: data, includes, meta, newest first.
std::string TweetPage(const Corpus& corpus, const std::vector<Tweet>& tweets, const Fields& fields,
                      const std::string& next_token, bool search_meta) {
  std::string out;
  out.reserve(tweets.size() * 1800 + 256);
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject();
  if (!tweets.empty()) {
    w.Key("data").BeginArray();
    for (const Tweet& t : tweets) WriteTweet(w, corpus, t, fields);
    w.EndArray();
    WriteAuthorIncludes(w, corpus, tweets, fields);
  }
  w.Key("meta").BeginObject();
  const std::string newest = tweets.empty() ? "" : std::to_string(tweets.front().id);
  const std::string oldest = tweets.empty() ? "" : std::to_string(tweets.back().id);
  // The recorded answers order meta differently for searches and timelines.
  if (search_meta && !tweets.empty()) w.Str("newest_id", newest).Str("oldest_id", oldest);
  w.UNum("result_count", tweets.size());
  if (!search_meta && !tweets.empty()) w.Str("newest_id", newest).Str("oldest_id", oldest);
  if (!next_token.empty()) w.Str("next_token", next_token);
  w.EndObject().EndObject();
  return out;
}

Answer NotFound(const std::string& value, const char* parameter, const std::string& detail,
                const char* resource_type) {
  ResourceError e;
  e.value = value;
  e.detail = detail;
  e.resource_type = resource_type;
  e.parameter = parameter;
  std::string out;
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject();
  WriteErrors(w, {e});
  w.EndObject();
  return {200, std::move(out)};
}

}  // namespace

Answer Search(const Corpus& corpus, const Params& p, bool full_archive, const Knobs& knobs) {
  Answer refusal;
  std::string query = params::Get(p, "query");
  if (query.empty())
    return InvalidRequest("query", "", "The `query` query parameter can not be empty");
  const size_t longest = full_archive ? 1024 : 512;
  if (query.size() > longest)
    return InvalidRequest("query", query,
                          "The `query` query parameter value is longer than " +
                              std::to_string(longest) + " characters");
  const auto fields = ReadFields(p, true, &refusal);
  if (!fields) return refusal;
  const auto max_results = ReadMaxResults(p, 10, 10, full_archive ? 500 : 100, &refusal);
  if (!max_results) return refusal;
  const auto since_id = ReadId(p, "since_id", &refusal);
  const auto until_id = ReadId(p, "until_id", &refusal);
  const auto start_time = ReadTimeParam(p, "start_time", &refusal);
  const auto end_time = ReadTimeParam(p, "end_time", &refusal);
  if (!since_id || !until_id || !start_time || !end_time) return refusal;
  const int64_t earliest = full_archive ? 0 : corpus.now() - kRecentReach;
  if (*start_time != 0 && *start_time < earliest) {
    return InvalidRequest("start_time", params::Get(p, "start_time"),
                          "Invalid 'start_time':'" + params::Get(p, "start_time") +
                              "'. 'start_time' must be on or after " + IsoDate(earliest));
  }
  if (*end_time != 0 && *end_time <= *start_time) {
    return InvalidRequest("end_time", params::Get(p, "end_time"),
                          "Invalid 'end_time':'" + params::Get(p, "end_time") +
                              "'. 'end_time' must be after 'start_time'.");
  }
  std::vector<Geocode> areas;
  if (!TakeAreas(query, areas))
    return InvalidRequest("query", params::Get(p, "query"),
                          "There were errors processing your request: point_radius needs "
                          "[longitude latitude radius] with the radius in mi or km");
  std::string problem;
  const auto parsed = Query::Parse(query, &problem);
  if (!parsed)
    return InvalidRequest("query", params::Get(p, "query"),
                          "There were errors processing your request: " + problem);
  const uint64_t owner = full_archive ? 1 : 0;
  std::string token = params::Get(p, "next_token");
  if (token.empty()) token = params::Get(p, "pagination_token");
  std::optional<uint64_t> resume;
  if (!token.empty()) {
    resume = ReadToken(corpus.config().data_seed, TokenKind::kSearch, owner, token);
    if (!resume)
      return InvalidRequest(p.count("next_token") ? "next_token" : "pagination_token", token,
                            "The pagination token [" + token + "] is not valid");
  }

  const uint32_t count = knobs.page_size != 0 ? knobs.page_size : *max_results;
  const int64_t lower_ms = std::max(earliest, *start_time) * 1000;
  uint32_t i = 0;
  if (resume) i = corpus.StreamSeek(*resume);
  if (*until_id != 0) i = std::max(i, corpus.StreamSeek(*until_id - 1));
  if (*end_time != 0) i = std::max(i, corpus.StreamSeek(SnowflakeId(*end_time * 1000, 0) - 1));
  std::vector<Tweet> tweets;
  std::string next;
  for (; i < corpus.StreamSize(); ++i) {
    const uint64_t id = corpus.StreamId(i);
    if (id <= *since_id || SnowflakeMs(id) < lower_ms) break;
    Tweet tweet = corpus.StreamTweet(i);
    if (!areas.empty() && !std::all_of(areas.begin(), areas.end(),
                                       [&](const Geocode& a) { return WithinArea(tweet, a); }))
      continue;
    if (!parsed->Matches(MakeSearchDoc(corpus, tweet))) continue;
    // A next token only while another match follows, as the real service pages.
    if (tweets.size() == count) {
      next = MakeToken(corpus.config().data_seed, TokenKind::kSearch, owner, id);
      break;
    }
    tweets.push_back(std::move(tweet));
  }
  return {200, TweetPage(corpus, tweets, *fields, next, true)};
}

Answer UserTweets(const Corpus& corpus, std::string_view id_text, const Params& p,
                  const Knobs& knobs) {
  Answer refusal;
  const std::string id_string(id_text);
  const auto id = params::WholeId(id_text);
  if (!id)
    return InvalidRequest("id", id_string,
                          "The `id` query parameter value [" + id_string + "] is not valid");
  const auto fields = ReadFields(p, true, &refusal);
  if (!fields) return refusal;
  const auto max_results = ReadMaxResults(p, 10, 5, 100, &refusal);
  if (!max_results) return refusal;
  const auto since_id = ReadId(p, "since_id", &refusal);
  const auto until_id = ReadId(p, "until_id", &refusal);
  const auto start_time = ReadTimeParam(p, "start_time", &refusal);
  const auto end_time = ReadTimeParam(p, "end_time", &refusal);
  if (!since_id || !until_id || !start_time || !end_time) return refusal;
  bool drop_retweets = false, drop_replies = false;
  for (const std::string& item : SplitList(params::Get(p, "exclude"))) {
    if (item == "retweets") {
      drop_retweets = true;
    } else if (item == "replies") {
      drop_replies = true;
    } else {
      return InvalidRequest(
          "exclude", item,
          "The `exclude` query parameter value [" + item + "] is not one of [retweets,replies]");
    }
  }
  const auto user = corpus.FindUserById(*id);
  if (!user)
    return NotFound(id_string, "id", "Could not find user with id: [" + id_string + "].", "user");
  if (corpus.Key(*user).is_protected) {
    ResourceError e;
    e.value = id_string;
    e.detail = "Sorry, you are not authorized to see the user with id: [" + id_string + "].";
    e.title = "Authorization Error";
    e.resource_type = "user";
    e.parameter = "id";
    e.type = "https://api.twitter.com/2/problems/not-authorized-for-resource";
    std::string out;
    JsonWriter w(out, JsonWriter::Strings::kUtf8);
    w.BeginObject();
    WriteErrors(w, {e});
    w.EndObject();
    return {200, std::move(out)};
  }
  const uint64_t data_key = corpus.config().data_seed;
  uint32_t i = 0;
  const std::string token = params::Get(p, "pagination_token");
  if (!token.empty()) {
    const auto at = ReadToken(data_key, TokenKind::kTimeline, *user, token);
    if (!at || *at > kTimelineCap)
      return InvalidRequest("pagination_token", token,
                            "The pagination token [" + token + "] is not valid");
    i = static_cast<uint32_t>(*at);
  }
  if (*until_id != 0) i = std::max(i, corpus.TimelineSeek(*user, *until_id - 1));
  const uint32_t count = knobs.page_size != 0 ? knobs.page_size : *max_results;
  std::vector<Tweet> tweets;
  std::string next;
  for (const uint32_t size = corpus.TimelineSize(*user); i < size; ++i) {
    const uint64_t tweet_id = corpus.TimelineId(*user, i);
    const int64_t ms = SnowflakeMs(tweet_id);
    if (tweet_id <= *since_id || ms < *start_time * 1000) break;
    if (*end_time != 0 && ms >= *end_time * 1000) continue;
    Tweet tweet = corpus.TimelineTweet(*user, i);
    if ((drop_retweets && tweet.retweeted) || (drop_replies && tweet.is_reply)) continue;
    if (tweets.size() == count) {
      next = MakeToken(data_key, TokenKind::kTimeline, *user, i);
      break;
    }
    tweets.push_back(std::move(tweet));
  }
  return {200, TweetPage(corpus, tweets, *fields, next, false)};
}

Answer TweetsLookup(const Corpus& corpus, const Params& p, const Knobs& knobs) {
  Answer refusal;
  const auto fields = ReadFields(p, true, &refusal);
  if (!fields) return refusal;
  const std::vector<std::string> items = SplitList(params::Get(p, "ids"));
  if (items.empty() || items.size() > 100)
    return InvalidRequest("ids", params::Get(p, "ids"),
                          "The number of values in the `ids` query parameter list [" +
                              std::to_string(items.size()) + "] is not between 1 and 100");
  std::vector<uint64_t> ids;
  for (const std::string& item : items) {
    const auto id = params::WholeId(item);
    if (!id)
      return InvalidRequest("ids", item,
                            "The `ids` query parameter value [" + item + "] is not valid");
    if (std::find(ids.begin(), ids.end(), *id) == ids.end()) ids.push_back(*id);
  }
  std::vector<Tweet> tweets;
  std::vector<ResourceError> errors;
  for (const uint64_t id : ids) {
    const std::string text = std::to_string(id);
    const auto ref = corpus.FindTweet(id);
    ResourceError e;
    e.value = text;
    e.resource_type = "tweet";
    e.parameter = "ids";
    if (!ref) {
      e.detail = "Could not find tweet with ids: [" + text + "].";
    } else if (ShareTakes(knobs.deleted, id, kDeletedSalt)) {
      e.detail = "Could not find tweet with ids: [" + text + "]. The tweet has been deleted.";
    } else if (ref->timeline && corpus.Key(ref->user).is_protected) {
      e.detail = "Sorry, you are not authorized to see the Tweet with ids: [" + text + "].";
      e.title = "Authorization Error";
      e.type = "https://api.twitter.com/2/problems/not-authorized-for-resource";
    } else {
      tweets.push_back(corpus.TweetAt(*ref));
      continue;
    }
    errors.push_back(std::move(e));
  }
  std::string out;
  out.reserve(tweets.size() * 1800 + errors.size() * 300 + 64);
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject();
  if (!tweets.empty()) {
    w.Key("data").BeginArray();
    for (const Tweet& t : tweets) WriteTweet(w, corpus, t, *fields);
    w.EndArray();
    WriteAuthorIncludes(w, corpus, tweets, *fields);
  }
  WriteErrors(w, errors);
  w.EndObject();
  return {200, std::move(out)};
}

}  // namespace wf::apisim::v2
