#include "apisim/endpoints.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "apisim/faults.h"
#include "apisim/json_writer.h"
#include "apisim/params.h"
#include "apisim/pools.h"
#include "apisim/query.h"
#include "apisim/shapes.h"

namespace wf::apisim {

namespace {

constexpr char kNoPage[] = "Sorry, that page does not exist.";

using params::Has;
using params::LeadingId;
using params::LeadingInt;
using params::Lower;

std::string Param(const Params& p, const char* key) {
  return params::Get(p, key);
}

uint32_t CountParam(const Params& params, uint32_t fallback, uint32_t most) {
  const auto v = LeadingInt(Param(params, "count"));
  if (!v || *v <= 0) return fallback;
  return static_cast<uint32_t>(std::min<int64_t>(*v, most));
}

bool Truthy(const Params& params, const char* key) {
  const std::string v = Param(params, key);
  return v == "true" || v == "1" || v == "t" || v == "True";
}

bool Falsy(const Params& params, const char* key) {
  const std::string v = Param(params, key);
  return v == "false" || v == "0" || v == "f" || v == "False";
}

// The account named by user_id (preferred when given) or screen_name.
std::optional<uint32_t> ResolveUser(const Corpus& corpus, const Params& params) {
  if (Has(params, "user_id")) {
    const auto id = LeadingId(Param(params, "user_id"));
    return id ? corpus.FindUserById(*id) : std::nullopt;
  }
  if (Has(params, "screen_name")) {
    std::string name = Param(params, "screen_name");
    if (!name.empty() && name[0] == '@') name.erase(0, 1);
    return corpus.FindUserByName(name);
  }
  return std::nullopt;
}

std::string DecimalSeconds(double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", seconds);
  return buf;
}

}  // namespace

std::string ErrorBody(int code, std::string_view message) {
  std::string out;
  JsonWriter w(out);
  w.BeginObject().Key("errors").BeginArray().BeginObject();
  w.Num("code", code).Str("message", message);
  w.EndObject().EndArray().EndObject();
  return out;
}

std::string NotAuthorizedBody(std::string_view path) {
  std::string out;
  JsonWriter w(out);
  w.BeginObject().Str("request", path).Str("error", "Not authorized.").EndObject();
  return out;
}

std::string EncodeQuery(std::string_view text, bool plus_for_space) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '_' || b == '.' || b == '~') {
      out.push_back(ch);
    } else if (b == ' ' && plus_for_space) {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

bool WithinArea(const Tweet& tweet, const Geocode& area) {
  // A retweet has no place of its own, so it never matches.
  if (tweet.place < 0) return false;
  double lat = 0, lon = 0;
  if (tweet.has_point) {
    lat = static_cast<double>(tweet.lat) / 1e7;
    lon = static_cast<double>(tweet.lon) / 1e7;
  } else {
    const auto& p = pools::Places()[static_cast<size_t>(tweet.place)];
    lat = static_cast<double>(p.south + p.north) / 2e7;
    lon = static_cast<double>(p.west + p.east) / 2e7;
  }
  return area.Contains(lat, lon);
}

Answer SearchTweets(const Corpus& corpus, const Params& params, uint32_t page_size) {
  const auto started = std::chrono::steady_clock::now();
  const std::string q = Param(params, "q");
  if (q.empty()) return {400, ErrorBody(25, "Query parameters are missing.")};
  std::optional<Geocode> geocode;
  const std::string geocode_text = Param(params, "geocode");
  if (!geocode_text.empty()) {
    geocode = Geocode::Parse(geocode_text);
    if (!geocode) return {400, ErrorBody(195, "Missing or invalid url parameter.")};
  }
  const auto query = Query::Parse(q);
  const uint32_t count = page_size != 0 ? page_size : CountParam(params, 15, 100);
  const std::string lang = Lower(Param(params, "lang"));
  std::string result_type = Lower(Param(params, "result_type"));
  if (result_type != "recent" && result_type != "popular") result_type = "mixed";
  const bool popular = result_type == "popular";
  const auto max_id = LeadingId(Param(params, "max_id"));
  const uint64_t since_id = LeadingId(Param(params, "since_id")).value_or(0);
  std::optional<int64_t> until;
  if (Has(params, "until")) {
    until = DayStart(Param(params, "until"));
    if (!until) return {400, ErrorBody(195, "Missing or invalid url parameter.")};
  }
  TweetShape shape;
  shape.extended = Lower(Param(params, "tweet_mode")) == "extended";
  shape.search = true;

  std::string out;
  out.reserve(static_cast<size_t>(count) * 5200 + 1024);
  JsonWriter w(out);
  w.BeginObject().Key("statuses").BeginArray();
  uint64_t newest = 0, oldest = 0;
  uint32_t found = 0;
  if (query) {
    const uint32_t size = corpus.StreamSize();
    for (uint32_t i = max_id ? corpus.StreamSeek(*max_id) : 0; i < size && found < count; ++i) {
      if (corpus.StreamId(i) <= since_id) break;
      if (until && SnowflakeMs(corpus.StreamId(i)) >= *until * 1000) continue;
      const Tweet tweet = corpus.StreamTweet(i);
      if (!lang.empty() && tweet.lang != lang) continue;
      if (popular && tweet.retweet_count + tweet.favorite_count < 50) continue;
      if (geocode && !WithinArea(tweet, *geocode)) continue;
      const SearchDoc doc = MakeSearchDoc(corpus, tweet);
      if (!query->Matches(doc)) continue;
      WriteTweet(w, corpus, tweet, shape);
      if (found == 0) newest = tweet.id;
      oldest = tweet.id;
      ++found;
    }
  }
  w.EndArray();

  const uint64_t top = found > 0 ? newest : max_id.value_or(SnowflakeId(corpus.now() * 1000, 0));
  const std::string encoded = EncodeQuery(q, false);
  std::string extra;
  if (!lang.empty()) extra += "&lang=" + EncodeQuery(lang, false);
  if (!geocode_text.empty()) extra += "&geocode=" + EncodeQuery(geocode_text, false);
  const std::string count_text = std::to_string(count);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  w.Key("search_metadata").BeginObject();
  w.Key("completed_in").Raw(DecimalSeconds(elapsed));
  w.Id("max_id", top);
  if (found > 0) {
    w.Str("next_results", "?max_id=" + std::to_string(oldest - 1) + "&q=" + encoded + extra +
                              "&count=" + count_text +
                              "&include_entities=1&result_type=" + result_type);
  }
  w.Str("query", EncodeQuery(q, true));
  w.Str("refresh_url", "?since_id=" + std::to_string(top) + "&q=" + encoded + extra +
                           "&result_type=" + result_type + "&include_entities=1");
  w.UNum("count", count);
  w.Id("since_id", since_id);
  w.EndObject().EndObject();
  return {200, std::move(out)};
}

Answer UserTimeline(const Corpus& corpus, const Params& params, uint32_t page_size) {
  const auto user = ResolveUser(corpus, params);
  if (!user) return {404, ErrorBody(34, kNoPage)};
  if (corpus.Key(*user).is_protected)
    return {401, NotAuthorizedBody("/1.1/statuses/user_timeline.json")};
  const uint32_t count = page_size != 0 ? page_size : CountParam(params, 20, 200);
  const auto max_id = LeadingId(Param(params, "max_id"));
  const uint64_t since_id = LeadingId(Param(params, "since_id")).value_or(0);
  const bool drop_retweets = Falsy(params, "include_rts");
  const bool drop_replies = Truthy(params, "exclude_replies");
  TweetShape shape;
  shape.extended = Lower(Param(params, "tweet_mode")) == "extended";
  shape.trim_user = Truthy(params, "trim_user");

  std::string out;
  out.reserve(static_cast<size_t>(count) * 4200 + 64);
  JsonWriter w(out);
  w.BeginArray();
  const uint32_t size = corpus.TimelineSize(*user);
  const uint32_t first = max_id ? corpus.TimelineSeek(*user, *max_id) : 0;
  // Like the real endpoint, count is applied before retweets and replies are dropped.
  for (uint32_t i = first; i < size && i - first < count; ++i) {
    if (corpus.TimelineId(*user, i) <= since_id) break;
    const Tweet tweet = corpus.TimelineTweet(*user, i);
    if ((drop_retweets && tweet.retweeted) || (drop_replies && tweet.is_reply)) continue;
    WriteTweet(w, corpus, tweet, shape);
  }
  w.EndArray();
  return {200, std::move(out)};
}

namespace {

struct Page {
  uint32_t start = 0, end = 0;
  int64_t next = 0, previous = 0;
};

std::optional<Page> PageOf(const Corpus& corpus, const Params& params, uint32_t user, uint32_t kind,
                           uint32_t total, uint32_t count) {
  int64_t cursor = -1;
  if (Has(params, "cursor")) cursor = LeadingInt(Param(params, "cursor")).value_or(0);
  Page page;
  if (cursor == -1) {
    page.start = 0;
  } else {
    const auto at = corpus.DecodeCursor(user, kind, cursor);
    if (!at) return std::nullopt;
    page.start = at->backward ? (at->position > count ? at->position - count : 0) : at->position;
    if (at->backward) {
      page.end = std::min(at->position, total);
    }
  }
  if (page.end == 0) page.end = std::min(total, page.start + count);
  page.start = std::min(page.start, page.end);
  page.next = page.end < total ? corpus.ForwardCursor(user, kind, page.end) : 0;
  page.previous = page.start > 0 ? corpus.BackwardCursor(user, kind, page.start) : 0;
  return page;
}

void WriteCursors(JsonWriter& w, const Page& page) {
  w.Num("next_cursor", page.next).Str("next_cursor_str", std::to_string(page.next));
  w.Num("previous_cursor", page.previous).Str("previous_cursor_str", std::to_string(page.previous));
}

}  // namespace

Answer FollowList(const Corpus& corpus, const Params& params, bool friends, uint32_t page_size) {
  const auto user = ResolveUser(corpus, params);
  if (!user) return {404, ErrorBody(34, kNoPage)};
  if (corpus.Key(*user).is_protected)
    return {401,
            NotAuthorizedBody(friends ? "/1.1/friends/list.json" : "/1.1/followers/list.json")};
  const uint32_t count = page_size != 0 ? page_size : CountParam(params, 20, 200);
  const uint32_t kind = friends ? 1 : 0;
  const uint32_t total = friends ? corpus.FriendCount(*user) : corpus.FollowerCount(*user);
  const bool with_status = !Truthy(params, "skip_status");
  const bool extended = Lower(Param(params, "tweet_mode")) == "extended";

  std::string out;
  out.reserve(static_cast<size_t>(count) * 3000 + 256);
  JsonWriter w(out);
  w.BeginObject().Key("users").BeginArray();
  const auto page = PageOf(corpus, params, *user, kind, total, count);
  if (page) {
    for (uint32_t i = page->start; i < page->end; ++i) {
      const uint32_t member = friends ? corpus.FriendAt(*user, i) : corpus.FollowerAt(*user, i);
      WriteUser(w, corpus, member, with_status, extended);
    }
  }
  w.EndArray();
  WriteCursors(w, page.value_or(Page{}));
  w.EndObject();
  return {200, std::move(out)};
}

Answer FollowerIds(const Corpus& corpus, const Params& params, uint32_t page_size) {
  const auto user = ResolveUser(corpus, params);
  if (!user) return {404, ErrorBody(34, kNoPage)};
  if (corpus.Key(*user).is_protected) return {401, NotAuthorizedBody("/1.1/followers/ids.json")};
  const uint32_t count = page_size != 0 ? page_size : CountParam(params, 5000, 5000);
  const uint32_t total = corpus.FollowerCount(*user);
  const bool as_text = Truthy(params, "stringify_ids");

  std::string out;
  out.reserve(static_cast<size_t>(count) * 21 + 256);
  JsonWriter w(out);
  w.BeginObject().Key("ids").BeginArray();
  const auto page = PageOf(corpus, params, *user, 0, total, count);
  if (page) {
    for (uint32_t i = page->start; i < page->end; ++i) {
      const uint64_t id = corpus.Key(corpus.FollowerAt(*user, i)).id;
      if (as_text) {
        w.String(std::to_string(id));
      } else {
        w.UInt(id);
      }
    }
  }
  w.EndArray();
  WriteCursors(w, page.value_or(Page{}));
  w.Nil("total_count");
  w.EndObject();
  return {200, std::move(out)};
}

Answer UsersLookup(const Corpus& corpus, const Params& params, uint32_t page_size) {
  std::vector<uint32_t> users;
  size_t terms = 0;
  auto add = [&](const std::string& list, bool by_id) {
    size_t pos = 0;
    while (pos <= list.size()) {
      size_t comma = list.find(',', pos);
      if (comma == std::string::npos) comma = list.size();
      std::string term = list.substr(pos, comma - pos);
      pos = comma + 1;
      while (!term.empty() && term.front() == ' ') term.erase(0, 1);
      while (!term.empty() && term.back() == ' ') term.pop_back();
      if (term.empty()) continue;  // a trailing or doubled comma
      ++terms;
      std::optional<uint32_t> u;
      if (by_id) {
        const auto id = LeadingId(term);
        if (id) u = corpus.FindUserById(*id);
      } else {
        if (term[0] == '@') term.erase(0, 1);
        u = corpus.FindUserByName(term);
      }
      if (u && std::find(users.begin(), users.end(), *u) == users.end()) users.push_back(*u);
    }
  };
  add(Param(params, "user_id"), true);
  add(Param(params, "screen_name"), false);
  const size_t most = page_size != 0 ? page_size : 100;
  if (terms > std::max<size_t>(most, 100))
    return {403, ErrorBody(18, "Too many terms specified in query.")};
  if (users.empty()) return {404, ErrorBody(17, "No user matches for specified terms.")};
  const bool extended = Lower(Param(params, "tweet_mode")) == "extended";

  std::string out;
  out.reserve(users.size() * 4000 + 16);
  JsonWriter w(out);
  w.BeginArray();
  for (const uint32_t u : users) WriteUser(w, corpus, u, true, extended);
  w.EndArray();
  return {200, std::move(out)};
}

Answer StatusesLookup(const Corpus& corpus, const Params& params, double deleted_share) {
  const std::string list = Param(params, "id");
  std::vector<uint64_t> ids;
  size_t terms = 0;
  for (size_t pos = 0; pos <= list.size();) {
    size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    const std::string term = list.substr(pos, comma - pos);
    pos = comma + 1;
    if (term.find_first_not_of(' ') == std::string::npos) continue;
    ++terms;
    const auto id = LeadingId(term);
    if (id && std::find(ids.begin(), ids.end(), *id) == ids.end()) ids.push_back(*id);
  }
  if (terms == 0) return {400, ErrorBody(25, "Query parameters are missing.")};
  if (terms > 100) return {403, ErrorBody(18, "Too many terms specified in query.")};
  TweetShape shape;
  shape.extended = Lower(Param(params, "tweet_mode")) == "extended";
  shape.trim_user = Truthy(params, "trim_user");

  std::string out;
  out.reserve(ids.size() * 5200 + 16);
  JsonWriter w(out);
  w.BeginArray();
  for (const uint64_t id : ids) {
    const auto ref = corpus.FindTweet(id);
    if (!ref || ShareTakes(deleted_share, id, kDeletedSalt)) continue;
    // What a timeline refuses to show, a lookup does not show either.
    if (ref->timeline && corpus.Key(ref->user).is_protected) continue;
    WriteTweet(w, corpus, corpus.TweetAt(*ref), shape);
  }
  w.EndArray();
  return {200, std::move(out)};
}

}  // namespace wf::apisim
