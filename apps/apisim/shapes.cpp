#include "apisim/shapes.h"

#include <algorithm>
#include <optional>
#include <string>

#include "apisim/pools.h"

namespace wf::apisim {

namespace {

void WriteIndices(JsonWriter& w, int start, int end) {
  w.Key("indices").BeginArray().Int(start).Int(end).EndArray();
}

void WriteUrl(JsonWriter& w, const UrlEntity& u) {
  w.BeginObject();
  w.Str("url", u.url).Str("expanded_url", u.expanded).Str("display_url", u.display);
  WriteIndices(w, u.start, u.end);
  w.EndObject();
}

void WriteMedia(JsonWriter& w, const Corpus& corpus, const Tweet& t) {
  const MediaEntity& m = *t.media;
  const std::string code = m.url.substr(m.url.rfind('/') + 1);
  w.BeginArray().BeginObject();
  w.Id("id", m.id);
  WriteIndices(w, m.start, m.end);
  w.Str("media_url", "http://pbs.twimg.com/media/" + m.key + ".jpg");
  w.Str("media_url_https", "https://pbs.twimg.com/media/" + m.key + ".jpg");
  w.Str("url", m.url).Str("display_url", "pic.twitter.com/" + code);
  w.Str("expanded_url", "https://twitter.com/" + corpus.Key(t.author).screen_name + "/status/" +
                            std::to_string(t.id) + "/photo/1");
  w.Str("type", "photo");
  w.Key("sizes").BeginObject();
  auto size = [&](const char* name, int width, int height, const char* resize) {
    w.Key(name).BeginObject().Num("w", width).Num("h", height).Str("resize", resize).EndObject();
  };
  const auto fit = [&](int limit) {
    const int longest = std::max(m.width, m.height);
    return longest <= limit ? 1.0 : static_cast<double>(limit) / longest;
  };
  size("large", m.width, m.height, "fit");
  size("thumb", 150, 150, "crop");
  size("small", static_cast<int>(m.width * fit(680)), static_cast<int>(m.height * fit(680)), "fit");
  size("medium", static_cast<int>(m.width * fit(1200)), static_cast<int>(m.height * fit(1200)),
       "fit");
  w.EndObject();
  w.EndObject().EndArray();
}

// Entities of the text as sent: in compatibility mode a long tweet is cut and gains a link to
// itself, and only the entities left whole survive.
struct CompatText {
  std::string text;
  bool truncated = false;
  int limit = 1 << 30;
  std::optional<UrlEntity> self_link;
};

CompatText MakeCompat(const Corpus& corpus, const Tweet& t) {
  CompatText c;
  if (t.retweeted || t.text_length <= 140) {
    c.text = t.text;
    return c;
  }
  constexpr int kKeep = 115;
  c.truncated = true;
  c.limit = kKeep;
  UrlEntity self;
  self.url = corpus.ShortLink(t.id ^ 0x5e1f);
  self.expanded = "https://twitter.com/i/web/status/" + std::to_string(t.id);
  self.display = "twitter.com/i/web/status/1\u2026";
  c.text = t.text.substr(0, PrefixBytes(t.text, kKeep));
  while (!c.text.empty() && c.text.back() == ' ') c.text.pop_back();
  const int kept = TwitterLength(c.text);
  c.limit = kept;
  c.text += "\u2026 ";
  self.start = kept + 2;
  c.text += self.url;
  self.end = self.start + TwitterLength(self.url);
  c.self_link = std::move(self);
  return c;
}

void WriteEntities(JsonWriter& w, const Corpus& corpus, const Tweet& t, int limit,
                   const std::optional<UrlEntity>& extra_url, bool with_media) {
  w.Key("entities").BeginObject();
  w.Key("hashtags").BeginArray();
  for (const auto& h : t.hashtags) {
    if (h.end > limit) continue;
    w.BeginObject().Str("text", h.text);
    WriteIndices(w, h.start, h.end);
    w.EndObject();
  }
  w.EndArray();
  w.Key("symbols").BeginArray().EndArray();
  w.Key("user_mentions").BeginArray();
  for (const auto& m : t.mentions) {
    if (m.end > limit) continue;
    const UserProfile p = corpus.Profile(m.user);
    w.BeginObject().Str("screen_name", p.key->screen_name).Str("name", p.name).Id("id", p.key->id);
    WriteIndices(w, m.start, m.end);
    w.EndObject();
  }
  w.EndArray();
  w.Key("urls").BeginArray();
  for (const auto& u : t.urls)
    if (u.end <= limit) WriteUrl(w, u);
  if (extra_url) WriteUrl(w, *extra_url);
  w.EndArray();
  if (with_media) {
    w.Key("media");
    WriteMedia(w, corpus, t);
  }
  w.EndObject();
}

void WriteGeo(JsonWriter& w, const Tweet& t) {
  if (!t.has_point) {
    w.Nil("geo").Nil("coordinates");
  } else {
    const std::string lat = FixedDecimal(t.lat, 7), lon = FixedDecimal(t.lon, 7);
    w.Key("geo").BeginObject().Str("type", "Point");
    w.Key("coordinates").BeginArray().Raw(lat).Raw(lon).EndArray().EndObject();
    w.Key("coordinates").BeginObject().Str("type", "Point");
    w.Key("coordinates").BeginArray().Raw(lon).Raw(lat).EndArray().EndObject();
  }
  if (t.place < 0) {
    w.Nil("place");
    return;
  }
  const auto& p = pools::Places()[static_cast<size_t>(t.place)];
  w.Key("place").BeginObject();
  w.Str("id", p.id).Str("url", "https://api.twitter.com/1.1/geo/id/" + std::string(p.id) + ".json");
  w.Str("place_type", p.place_type).Str("name", p.name).Str("full_name", p.full_name);
  w.Str("country_code", p.country_code).Str("country", p.country);
  w.Key("contained_within").BeginArray().EndArray();
  const std::string west = FixedDecimal(p.west, 7), east = FixedDecimal(p.east, 7);
  const std::string south = FixedDecimal(p.south, 7), north = FixedDecimal(p.north, 7);
  w.Key("bounding_box").BeginObject().Str("type", "Polygon");
  w.Key("coordinates").BeginArray().BeginArray();
  w.BeginArray().Raw(west).Raw(south).EndArray();
  w.BeginArray().Raw(east).Raw(south).EndArray();
  w.BeginArray().Raw(east).Raw(north).EndArray();
  w.BeginArray().Raw(west).Raw(north).EndArray();
  w.EndArray().EndArray().EndObject();
  w.Key("attributes").BeginObject().EndObject();
  w.EndObject();
}

void WriteReplyFields(JsonWriter& w, const Corpus& corpus, const Tweet& t) {
  if (!t.is_reply) {
    w.Nil("in_reply_to_status_id").Nil("in_reply_to_status_id_str");
    w.Nil("in_reply_to_user_id").Nil("in_reply_to_user_id_str").Nil("in_reply_to_screen_name");
    return;
  }
  const UserKey& to = corpus.Key(t.reply_to_user);
  w.Id("in_reply_to_status_id", t.reply_to_status);
  w.Id("in_reply_to_user_id", to.id);
  w.Str("in_reply_to_screen_name", to.screen_name);
}

void WriteProfile(JsonWriter& w, const Corpus& corpus, const UserProfile& p, bool with_status,
                  bool extended_status) {
  const UserKey& k = *p.key;
  w.BeginObject();
  w.Id("id", k.id).Str("name", p.name).Str("screen_name", k.screen_name);
  w.Str("location", p.location).Str("description", p.description);
  if (p.url) {
    w.Str("url", p.url->url);
  } else {
    w.Nil("url");
  }
  w.Key("entities").BeginObject();
  if (p.url) {
    w.Key("url").BeginObject().Key("urls").BeginArray();
    WriteUrl(w, *p.url);
    w.EndArray().EndObject();
  }
  w.Key("description").BeginObject().Key("urls").BeginArray();
  for (const auto& u : p.description_urls) WriteUrl(w, u);
  w.EndArray().EndObject();
  w.EndObject();
  w.Flag("protected", k.is_protected);
  w.UNum("followers_count", k.followers).UNum("friends_count", k.friends);
  w.UNum("listed_count", k.listed).Str("created_at", TwitterDate(k.created_at));
  w.UNum("favourites_count", k.favourites);
  if (p.utc_offset) {
    w.Num("utc_offset", *p.utc_offset).Str("time_zone", p.time_zone);
  } else {
    w.Nil("utc_offset").Nil("time_zone");
  }
  w.Flag("geo_enabled", p.geo_enabled).Flag("verified", k.verified);
  w.UNum("statuses_count", k.statuses);
  if (p.lang.empty()) {
    w.Nil("lang");
  } else {
    w.Str("lang", p.lang);
  }
  if (with_status && !k.is_protected && corpus.TimelineSize(p.index) > 0) {
    w.Key("status");
    TweetShape shape;
    shape.extended = extended_status;
    shape.omit_user = true;
    WriteTweet(w, corpus, corpus.TimelineTweet(p.index, 0), shape);
  }
  w.Flag("contributors_enabled", false).Flag("is_translator", false);
  w.Flag("is_translation_enabled", false);
  w.Str("profile_background_color", p.background_color);
  if (p.background.empty()) {
    w.Nil("profile_background_image_url").Nil("profile_background_image_url_https");
  } else {
    std::string https = p.background;
    https.replace(0, 4, "https");
    w.Str("profile_background_image_url", p.background);
    w.Str("profile_background_image_url_https", https);
  }
  w.Flag("profile_background_tile", p.background_tile);
  if (p.default_profile_image) {
    w.Str("profile_image_url",
          "http://abs.twimg.com/sticky/default_profile_images/default_profile_normal.png");
    w.Str("profile_image_url_https",
          "https://abs.twimg.com/sticky/default_profile_images/default_profile_normal.png");
  } else {
    const std::string tail = "pbs.twimg.com/profile_images/" + std::to_string(p.image_dir) + "/" +
                             p.image_stem + "_normal." + p.image_ext;
    w.Str("profile_image_url", "http://" + tail).Str("profile_image_url_https", "https://" + tail);
  }
  if (p.banner_stamp != 0) {
    w.Str("profile_banner_url", "https://pbs.twimg.com/profile_banners/" + std::to_string(k.id) +
                                    "/" + std::to_string(p.banner_stamp));
  }
  w.Str("profile_link_color", p.link_color);
  w.Str("profile_sidebar_border_color", p.sidebar_border);
  w.Str("profile_sidebar_fill_color", p.sidebar_fill);
  w.Str("profile_text_color", p.text_color);
  w.Flag("profile_use_background_image", p.use_background_image);
  w.Flag("has_extended_profile", p.has_extended_profile);
  w.Flag("default_profile", p.default_profile)
      .Flag("default_profile_image", p.default_profile_image);
  w.Flag("following", false).Flag("follow_request_sent", false).Flag("notifications", false);
  w.Str("translator_type", "none");
  w.Key("withheld_in_countries").BeginArray().EndArray();
  w.EndObject();
}

}  // namespace

void WriteUser(JsonWriter& w, const Corpus& corpus, uint32_t user, bool with_status,
               bool extended_status) {
  WriteProfile(w, corpus, corpus.Profile(user), with_status, extended_status);
}

void WriteTweet(JsonWriter& w, const Corpus& corpus, const Tweet& t, const TweetShape& shape) {
  w.BeginObject();
  w.Str("created_at", TwitterDate(t.created_at)).Id("id", t.id);
  int limit = 1 << 30;
  std::optional<UrlEntity> self_link;
  bool with_media = t.media.has_value();
  if (shape.extended) {
    w.Str("full_text", t.text).Flag("truncated", false);
    w.Key("display_text_range").BeginArray().Int(t.display_start).Int(t.display_end).EndArray();
  } else {
    CompatText c = MakeCompat(corpus, t);
    w.Str("text", c.text).Flag("truncated", c.truncated);
    limit = c.limit;
    self_link = std::move(c.self_link);
    if (c.truncated) with_media = false;
  }
  WriteEntities(w, corpus, t, limit, self_link, with_media);
  if (with_media) {
    w.Key("extended_entities").BeginObject().Key("media");
    WriteMedia(w, corpus, t);
    w.EndObject();
  }
  if (shape.search) {
    w.Key("metadata").BeginObject().Str("iso_language_code", t.lang);
    w.Str("result_type", "recent").EndObject();
  }
  w.Str("source", pools::Sources()[t.source]);
  WriteReplyFields(w, corpus, t);
  if (shape.omit_user) {
    // nothing: the enclosing profile is the author
  } else if (shape.trim_user) {
    const UserKey& k = corpus.Key(t.author);
    w.Key("user").BeginObject().Id("id", k.id).EndObject();
  } else {
    w.Key("user");
    WriteProfile(w, corpus, corpus.Profile(t.author), false, false);
  }
  WriteGeo(w, t);
  w.Nil("contributors");
  TweetShape nested = shape;
  nested.omit_user = false;
  if (t.retweeted) {
    w.Key("retweeted_status");
    WriteTweet(w, corpus, *t.retweeted, nested);
  }
  w.Flag("is_quote_status", t.quoted != nullptr);
  if (t.quoted) {
    w.Id("quoted_status_id", t.quoted->id);
    w.Key("quoted_status_permalink").BeginObject().Str("url", t.quoted_permalink);
    const std::string link = "https://twitter.com/" + corpus.Key(t.quoted->author).screen_name +
                             "/status/" + std::to_string(t.quoted->id);
    w.Str("expanded", link);
    std::string display = link.substr(8);
    if (display.size() > 29) display = display.substr(0, 29) + "\u2026";
    w.Str("display", display).EndObject();
    w.Key("quoted_status");
    WriteTweet(w, corpus, *t.quoted, nested);
  }
  w.UNum("retweet_count", t.retweet_count).UNum("favorite_count", t.favorite_count);
  w.Flag("favorited", false).Flag("retweeted", false);
  if (!t.retweeted && (!t.urls.empty() || t.media)) w.Flag("possibly_sensitive", false);
  w.Str("lang", t.lang);
  w.EndObject();
}

SearchDoc MakeSearchDoc(const Corpus& corpus, const Tweet& tweet) {
  auto lower = [](std::string text) {
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
  };
  // A retweet is found by its original's words, as on the real service.
  const Tweet& source = tweet.retweeted ? *tweet.retweeted : tweet;
  SearchDoc doc;
  doc.words = SearchWords(source.text);
  for (const auto& h : source.hashtags) doc.hashtags.push_back(lower(h.text));
  for (const auto& m : source.mentions)
    doc.mentions.push_back(lower(corpus.Key(m.user).screen_name));
  if (tweet.retweeted) {
    std::string name = lower(corpus.Key(tweet.retweeted->author).screen_name);
    doc.mentions.push_back(name);
    doc.words.insert(doc.words.begin(), {"rt", std::move(name)});
  }
  const UserKey& author = corpus.Key(tweet.author);
  doc.author = lower(author.screen_name);
  doc.lang = tweet.lang;
  doc.created_at = tweet.created_at;
  doc.is_retweet = tweet.retweeted != nullptr;
  doc.is_reply = tweet.is_reply;
  doc.is_quote = tweet.quoted != nullptr;
  doc.has_links = !source.urls.empty();
  doc.has_media = source.media.has_value();
  doc.verified = author.verified;
  return doc;
}

}  // namespace wf::apisim
