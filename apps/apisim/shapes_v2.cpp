#include "apisim/shapes_v2.h"

#include <algorithm>
#include <array>

#include "apisim/pools.h"
#include "apisim/query.h"
#include "apisim/random.h"

namespace wf::apisim::v2 {

namespace {

struct Named {
  std::string_view name;
  uint32_t bit;  // 0: accepted, never written
};

constexpr Named kTweetFields[] = {
    {"attachments", 0},
    {"author_id", kAuthorId},
    {"card_uri", 0},
    {"context_annotations", 0},
    {"conversation_id", kConversationId},
    {"created_at", kCreatedAt},
    {"edit_controls", 0},
    {"edit_history_tweet_ids", 0},
    {"entities", kEntities},
    {"geo", kGeo},
    {"id", 0},
    {"in_reply_to_user_id", kInReplyToUserId},
    {"lang", kLang},
    {"non_public_metrics", 0},
    {"note_tweet", kNoteTweet},
    {"organic_metrics", 0},
    {"possibly_sensitive", kPossiblySensitive},
    {"promoted_metrics", 0},
    {"public_metrics", kPublicMetrics},
    {"referenced_tweets", kReferencedTweets},
    {"reply_settings", 0},
    {"source", kSource},
    {"text", 0},
    {"withheld", 0},
};

constexpr Named kUserFields[] = {
    {"affiliation", 0},
    {"connection_status", 0},
    {"created_at", kUserCreatedAt},
    {"description", kDescription},
    {"entities", kUserEntities},
    {"id", 0},
    {"location", kLocation},
    {"most_recent_tweet_id", 0},
    {"name", 0},
    {"pinned_tweet_id", 0},
    {"profile_banner_url", 0},
    {"profile_image_url", kProfileImageUrl},
    {"protected", kProtected},
    {"public_metrics", kUserPublicMetrics},
    {"receives_your_dm", 0},
    {"subscription_type", 0},
    {"url", kUrl},
    {"username", 0},
    {"verified", kVerified},
    {"verified_type", 0},
    {"withheld", 0},
};

constexpr std::string_view kTweetExpansions[] = {
    "attachments.media_keys", "attachments.poll_ids",       "author_id",
    "edit_history_tweet_ids", "entities.mentions.username", "geo.place_id",
    "in_reply_to_user_id",    "referenced_tweets.id",       "referenced_tweets.id.author_id",
};
constexpr std::string_view kUserExpansions[] = {"affiliation.user_id", "most_recent_tweet_id",
                                                "pinned_tweet_id"};

template <typename T, typename NameOf>
std::string Listing(const T& items, NameOf name_of) {
  std::string out = "[";
  for (const auto& item : items) {
    if (out.size() > 1) out += ',';
    out += name_of(item);
  }
  return out + "]";
}

// Splits a comma list; false with the first name `known` refuses.
template <typename Known>
bool EachName(const std::string& list, Known known, std::string& bad) {
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    const std::string name = list.substr(pos, comma - pos);
    pos = comma + 1;
    if (!known(name)) {
      bad = name;
      return false;
    }
  }
  return true;
}

void WriteUrls(JsonWriter& w, const std::vector<UrlEntity>& urls, int limit) {
  w.Key("urls").BeginArray();
  for (const auto& u : urls) {
    if (u.end > limit) continue;
    w.BeginObject().Num("start", u.start).Num("end", u.end);
    w.Str("url", u.url).Str("expanded_url", u.expanded).Str("display_url", u.display);
    w.EndObject();
  }
  w.EndArray();
}

// v2 lists hashtags, mentions and links; photos are left out of "urls" so that a row built
// from them names the same link as the v1.1 tweet, whose photos sit in "media".
void WriteTweetEntities(JsonWriter& w, const Corpus& corpus, const Tweet& t, int limit) {
  auto within = [limit](const auto& e) { return e.end <= limit; };
  const bool tags = std::any_of(t.hashtags.begin(), t.hashtags.end(), within);
  const bool mentions = std::any_of(t.mentions.begin(), t.mentions.end(), within);
  const bool urls = std::any_of(t.urls.begin(), t.urls.end(), within);
  w.BeginObject();
  if (tags) {
    w.Key("hashtags").BeginArray();
    for (const auto& h : t.hashtags) {
      if (h.end > limit) continue;
      w.BeginObject().Num("start", h.start).Num("end", h.end).Str("tag", h.text).EndObject();
    }
    w.EndArray();
  }
  if (mentions) {
    w.Key("mentions").BeginArray();
    for (const auto& m : t.mentions) {
      if (m.end > limit) continue;
      const UserKey& k = corpus.Key(m.user);
      w.BeginObject().Num("start", m.start).Num("end", m.end);
      w.Str("username", k.screen_name).Str("id", std::to_string(k.id)).EndObject();
    }
    w.EndArray();
  }
  if (urls) WriteUrls(w, t.urls, limit);
  w.EndObject();
}

bool HasEntities(const Tweet& t, int limit) {
  auto within = [limit](const auto& e) { return e.end <= limit; };
  return std::any_of(t.hashtags.begin(), t.hashtags.end(), within) ||
         std::any_of(t.mentions.begin(), t.mentions.end(), within) ||
         std::any_of(t.urls.begin(), t.urls.end(), within);
}

std::string PlainSource(std::string_view html) {
  const size_t open = html.find('>');
  const size_t close = html.rfind("</");
  if (open == std::string_view::npos || close == std::string_view::npos || close < open)
    return std::string(html);
  return std::string(html.substr(open + 1, close - open - 1));
}

constexpr char kDigits36[] = "0123456789abcdefghijklmnopqrstuvwxyz";

void AppendBase36(std::string& out, uint64_t value, int width) {
  std::string digits(static_cast<size_t>(width), '0');
  for (int i = width - 1; i >= 0; --i) {
    digits[static_cast<size_t>(i)] = kDigits36[value % 36];
    value /= 36;
  }
  out += digits;
}

std::optional<uint64_t> ReadBase36(std::string_view text) {
  uint64_t value = 0;
  for (const char c : text) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'a' && c <= 'z') d = c - 'a' + 10;
    if (d < 0 || value > (UINT64_MAX - 35) / 36) return std::nullopt;
    value = value * 36 + static_cast<uint64_t>(d);
  }
  return value;
}

uint64_t TokenCheck(uint64_t data_seed, TokenKind kind, uint64_t owner, uint64_t value) {
  return Hash(data_seed, 0x70ce2 + static_cast<uint64_t>(kind), owner, value) & 0xffffffffffULL;
}

}  // namespace

std::optional<Fields> ReadFields(const Params& params, bool tweets, Answer* refusal) {
  Fields fields;
  std::string bad;
  auto refuse = [&](const char* parameter, const std::string& allowed) {
    *refusal = InvalidRequest(parameter, bad,
                              std::string("The `") + parameter + "` query parameter value [" + bad +
                                  "] is not one of " + allowed);
    return std::nullopt;
  };
  auto lookup = [](const auto& table, const std::string& name, uint32_t& bits) {
    for (const Named& n : table) {
      if (n.name == name) {
        bits |= n.bit;
        return true;
      }
    }
    return false;
  };
  auto name_of = [](const Named& n) { return std::string(n.name); };
  if (params.count("tweet.fields") &&
      !EachName(
          params.find("tweet.fields")->second,
          [&](const std::string& n) { return lookup(kTweetFields, n, fields.tweet); }, bad))
    return refuse("tweet.fields", Listing(kTweetFields, name_of));
  if (params.count("user.fields") &&
      !EachName(
          params.find("user.fields")->second,
          [&](const std::string& n) { return lookup(kUserFields, n, fields.user); }, bad))
    return refuse("user.fields", Listing(kUserFields, name_of));
  if (params.count("expansions")) {
    auto known = [&](const std::string& n) {
      if (tweets) {
        if (n == "author_id") fields.expand_authors = true;
        return std::find(std::begin(kTweetExpansions), std::end(kTweetExpansions), n) !=
               std::end(kTweetExpansions);
      }
      return std::find(std::begin(kUserExpansions), std::end(kUserExpansions), n) !=
             std::end(kUserExpansions);
    };
    auto plain = [](std::string_view s) { return std::string(s); };
    if (!EachName(params.find("expansions")->second, known, bad))
      return refuse("expansions",
                    tweets ? Listing(kTweetExpansions, plain) : Listing(kUserExpansions, plain));
  }
  return fields;
}

void WriteTweet(JsonWriter& w, const Corpus& corpus, const Tweet& t, const Fields& fields) {
  const std::string id = std::to_string(t.id);
  const bool note = t.text_length > kNoteThreshold;
  // A long post's text stops at the threshold, the last character an ellipsis.
  const int limit = note ? kNoteThreshold - 1 : 1 << 30;
  w.BeginObject();
  w.Key("edit_history_tweet_ids").BeginArray().String(id).EndArray();
  w.Str("id", id);
  if (note) {
    w.Str("text", t.text.substr(0, PrefixBytes(t.text, limit)) + "\u2026");
  } else {
    w.Str("text", t.text);
  }
  const uint32_t f = fields.tweet;
  if (f & kAuthorId) w.Str("author_id", std::to_string(corpus.Key(t.author).id));
  if (f & kConversationId)
    w.Str("conversation_id", std::to_string(t.is_reply ? t.reply_to_status : t.id));
  if (f & kCreatedAt) w.Str("created_at", IsoDate(t.created_at));
  if ((f & kEntities) && HasEntities(t, limit)) {
    w.Key("entities");
    WriteTweetEntities(w, corpus, t, limit);
  }
  if ((f & kGeo) && (t.place >= 0 || t.has_point)) {
    w.Key("geo").BeginObject();
    if (t.has_point) {
      w.Key("coordinates").BeginObject().Str("type", "Point");
      w.Key("coordinates").BeginArray().Raw(FixedDecimal(t.lon, 7)).Raw(FixedDecimal(t.lat, 7));
      w.EndArray().EndObject();
    }
    if (t.place >= 0) w.Str("place_id", pools::Places()[static_cast<size_t>(t.place)].id);
    w.EndObject();
  }
  if ((f & kInReplyToUserId) && t.is_reply)
    w.Str("in_reply_to_user_id", std::to_string(corpus.Key(t.reply_to_user).id));
  if (f & kLang) w.Str("lang", t.lang);
  if ((f & kNoteTweet) && note) {
    w.Key("note_tweet").BeginObject().Str("text", t.text);
    if (HasEntities(t, 1 << 30)) {
      w.Key("entities");
      WriteTweetEntities(w, corpus, t, 1 << 30);
    }
    w.EndObject();
  }
  if (f & kPossiblySensitive) w.Flag("possibly_sensitive", false);
  if (f & kPublicMetrics) {
    w.Key("public_metrics").BeginObject();
    w.UNum("retweet_count", t.retweet_count).UNum("reply_count", t.favorite_count / 7);
    w.UNum("like_count", t.favorite_count).UNum("quote_count", t.retweet_count / 9);
    w.EndObject();
  }
  if ((f & kReferencedTweets) && (t.retweeted || t.quoted || t.is_reply)) {
    w.Key("referenced_tweets").BeginArray();
    auto ref = [&w](const char* type, uint64_t ref_id) {
      w.BeginObject().Str("type", type).Str("id", std::to_string(ref_id)).EndObject();
    };
    if (t.retweeted) ref("retweeted", t.retweeted->id);
    if (t.is_reply) ref("replied_to", t.reply_to_status);
    if (t.quoted) ref("quoted", t.quoted->id);
    w.EndArray();
  }
  if (f & kSource) w.Str("source", PlainSource(pools::Sources()[t.source]));
  w.EndObject();
}

void WriteUser(JsonWriter& w, const Corpus& corpus, uint32_t user, const Fields& fields) {
  const UserProfile p = corpus.Profile(user);
  const UserKey& k = *p.key;
  const uint32_t f = fields.user;
  w.BeginObject();
  w.Str("id", std::to_string(k.id)).Str("name", p.name).Str("username", k.screen_name);
  if (f & kUserCreatedAt) w.Str("created_at", IsoDate(k.created_at));
  if (f & kDescription) w.Str("description", p.description);
  if ((f & kUserEntities) && (p.url || !p.description_urls.empty())) {
    w.Key("entities").BeginObject();
    if (p.url) {
      w.Key("url").BeginObject();
      WriteUrls(w, {*p.url}, 1 << 30);
      w.EndObject();
    }
    if (!p.description_urls.empty()) {
      w.Key("description").BeginObject();
      WriteUrls(w, p.description_urls, 1 << 30);
      w.EndObject();
    }
    w.EndObject();
  }
  if ((f & kLocation) && !p.location.empty()) w.Str("location", p.location);
  if (f & kProfileImageUrl) {
    if (p.default_profile_image) {
      w.Str("profile_image_url",
            "https://abs.twimg.com/sticky/default_profile_images/default_profile_normal.png");
    } else {
      w.Str("profile_image_url", "https://pbs.twimg.com/profile_images/" +
                                     std::to_string(p.image_dir) + "/" + p.image_stem + "_normal." +
                                     p.image_ext);
    }
  }
  if (f & kProtected) w.Flag("protected", k.is_protected);
  if (f & kUserPublicMetrics) {
    w.Key("public_metrics").BeginObject();
    w.UNum("followers_count", k.followers).UNum("following_count", k.friends);
    w.UNum("tweet_count", k.statuses).UNum("listed_count", k.listed);
    w.UNum("like_count", k.favourites).EndObject();
  }
  if (f & kUrl) w.Str("url", p.url ? p.url->url : std::string());
  if (f & kVerified) w.Flag("verified", k.verified);
  w.EndObject();
}

void WriteAuthorIncludes(JsonWriter& w, const Corpus& corpus, const std::vector<Tweet>& tweets,
                         const Fields& fields) {
  if (!fields.expand_authors || tweets.empty()) return;
  std::vector<uint32_t> authors;
  for (const Tweet& t : tweets)
    if (std::find(authors.begin(), authors.end(), t.author) == authors.end())
      authors.push_back(t.author);
  w.Key("includes").BeginObject().Key("users").BeginArray();
  for (const uint32_t a : authors) WriteUser(w, corpus, a, fields);
  w.EndArray().EndObject();
}

std::string Problem(std::string_view title, std::string_view detail, std::string_view type,
                    int status) {
  std::string out;
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject().Str("title", title).Str("detail", detail).Str("type", type);
  w.Num("status", status).EndObject();
  return out;
}

Answer InvalidRequest(std::string_view parameter, std::string_view value,
                      std::string_view message) {
  std::string out;
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject().Key("errors").BeginArray().BeginObject();
  w.Key("parameters").BeginObject().Key(parameter).BeginArray().String(value).EndArray();
  w.EndObject().Str("message", message).EndObject().EndArray();
  w.Str("title", "Invalid Request");
  w.Str("detail", "One or more parameters to your request was invalid.");
  w.Str("type", "https://api.twitter.com/2/problems/invalid-request");
  w.EndObject();
  return {400, std::move(out)};
}

std::string ClientForbiddenBody() {
  std::string out;
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject().Str("client_id", "26148471");
  w.Str("detail",
        "When authenticating requests to the Twitter API v2 endpoints, you must use keys and "
        "tokens from a Twitter developer App that is attached to a Project. You can create a "
        "project via the developer portal.");
  w.Str("registration_url", "https://developer.twitter.com/en/docs/projects/overview");
  w.Str("title", "Client Forbidden");
  w.Str("required_enrollment", "Appropriate Level of API Access");
  w.Str("reason", "client-not-enrolled");
  w.Str("type", "https://api.twitter.com/2/problems/client-forbidden");
  w.Num("status", 403).EndObject();
  return out;
}

std::string UsageCappedBody() {
  std::string out;
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject().Str("title", "UsageCapExceeded");
  w.Str("detail", "Usage cap exceeded: Monthly product cap");
  w.Str("type", "https://api.twitter.com/2/problems/usage-capped");
  w.Str("period", "Monthly").Str("scope", "Product").Num("status", 429).EndObject();
  return out;
}

void WriteErrors(JsonWriter& w, const std::vector<ResourceError>& errors) {
  if (errors.empty()) return;
  w.Key("errors").BeginArray();
  for (const ResourceError& e : errors) {
    w.BeginObject().Str("value", e.value).Str("detail", e.detail).Str("title", e.title);
    w.Str("resource_type", e.resource_type).Str("parameter", e.parameter);
    w.Str("resource_id", e.value).Str("type", e.type).EndObject();
  }
  w.EndArray();
}

std::string MakeToken(uint64_t data_seed, TokenKind kind, uint64_t owner, uint64_t value) {
  std::string out = kind == TokenKind::kSearch ? "b26v89c19zqg8o3f" : "7140dibdnow9c7bt";
  AppendBase36(out, value, 13);
  AppendBase36(out, TokenCheck(data_seed, kind, owner, value), 8);
  return out;
}

std::optional<uint64_t> ReadToken(uint64_t data_seed, TokenKind kind, uint64_t owner,
                                  std::string_view token) {
  constexpr size_t kStem = 16;
  if (token.size() != kStem + 21) return std::nullopt;
  const auto value = ReadBase36(token.substr(kStem, 13));
  const auto check = ReadBase36(token.substr(kStem + 13));
  if (!value || !check || *check != TokenCheck(data_seed, kind, owner, *value) ||
      MakeToken(data_seed, kind, owner, *value) != token)
    return std::nullopt;
  return value;
}

std::optional<uint32_t> ReadMaxResults(const Params& params, uint32_t fallback, uint32_t low,
                                       uint32_t high, Answer* refusal) {
  const auto it = params.find("max_results");
  if (it == params.end()) return fallback;
  uint64_t v = 0;
  bool digits = !it->second.empty() && it->second.size() <= 9;
  for (const char c : it->second) {
    if (c < '0' || c > '9') digits = false;
    if (digits) v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (!digits || v < low || v > high) {
    *refusal = InvalidRequest("max_results", it->second,
                              "The `max_results` query parameter value [" + it->second +
                                  "] is not between " + std::to_string(low) + " and " +
                                  std::to_string(high));
    return std::nullopt;
  }
  return static_cast<uint32_t>(v);
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    std::string item = list.substr(pos, comma - pos);
    pos = comma + 1;
    while (!item.empty() && item.front() == ' ') item.erase(0, 1);
    while (!item.empty() && item.back() == ' ') item.pop_back();
    if (!item.empty()) out.push_back(std::move(item));
  }
  return out;
}

std::optional<int64_t> ReadTime(std::string_view text) {
  // YYYY-MM-DDTHH:MM:SS, then optional fractions, then Z or +00:00.
  if (text.size() < 20 || text[10] != 'T' || text[13] != ':' || text[16] != ':')
    return std::nullopt;
  const auto day = DayStart(text.substr(0, 10));
  if (!day) return std::nullopt;
  auto two = [&](size_t at) -> int {
    const char a = text[at], b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    return (a - '0') * 10 + (b - '0');
  };
  const int h = two(11), m = two(14), s = two(17);
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return std::nullopt;
  std::string_view rest = text.substr(19);
  if (!rest.empty() && rest.front() == '.') {
    rest.remove_prefix(1);
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0) return std::nullopt;
    rest.remove_prefix(digits);
  }
  if (rest != "Z" && rest != "+00:00") return std::nullopt;
  return *day + h * 3600 + m * 60 + s;
}

}  // namespace wf::apisim::v2
