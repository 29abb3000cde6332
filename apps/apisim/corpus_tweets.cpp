#include <algorithm>
#include <cmath>

#include "apisim/corpus.h"
#include "apisim/corpus_internal.h"
#include "apisim/pools.h"
#include "apisim/random.h"

// The corpus's tweets: texts, the searchable stream and the timelines.
namespace wf::apisim {

using namespace corpus_detail;

uint32_t Corpus::PickUser(uint64_t salt, uint32_t not_user) const {
  Rng rng(Hash(config_.data_seed, salt, 0x9157));
  // Skewed: a few voices are heard often, most rarely.
  const uint32_t n = UserCount();
  uint32_t u = 1 + static_cast<uint32_t>((n - 1) * std::pow(rng.Unit(), 1.7));
  if (u >= n) u = n - 1;
  if (u == not_user) u = u + 1 < n ? u + 1 : 1;
  return u;
}

void Corpus::FillText(Tweet& tweet, std::string_view pattern, uint64_t salt) const {
  Rng rng(Hash(config_.data_seed, salt, 0x7e47));
  TextBuilder b;
  b.Add(tweet.text);  // a reply prefix, if any
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      size_t end = pattern.find('%', i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      b.Add(pattern.substr(i, end - i));
      i = end;
      continue;
    }
    const char code = pattern[i + 1];
    i += 2;
    switch (code) {
      case 'm': {
        const uint32_t who = PickUser(Hash(salt, i, 0x6d), tweet.author);
        MentionEntity m{who, b.Length(), 0};
        b.Add("@");
        b.Add(keys_[who].screen_name);
        m.end = b.Length();
        tweet.mentions.push_back(m);
        break;
      }
      case 'l': {
        UrlEntity e;
        e.url = ShortLink(Hash(salt, i, 0x6c));
        e.expanded = std::string(PickFrom(rng, pools::Links()));
        e.display = DisplayUrl(e.expanded);
        e.start = b.Length();
        b.Add(e.url);
        e.end = b.Length();
        tweet.urls.push_back(std::move(e));
        break;
      }
      case 't':
        b.Add(PickFrom(rng, pools::Topics()));
        break;
      case 'a':
        b.Add(PickFrom(rng, pools::Adjectives()));
        break;
      case 'e':
        b.Add(PickFrom(rng, pools::Emoji()));
        break;
      case 'n':
        b.Add(std::to_string(rng.Between(2, 5000)));
        break;
      case 'T':
      case '#': {
        std::string tag;
        if (code == 'T') {
          tag = std::string(PickFrom(rng, pools::TopicTags()));
        } else {
          const size_t end = WordEnd(pattern, i);
          tag = std::string(pattern.substr(i, end - i));
          i = end;
        }
        HashtagEntity h{tag, b.Length(), 0};
        b.Add("#");
        b.Add(tag);
        h.end = b.Length();
        tweet.hashtags.push_back(std::move(h));
        break;
      }
      default:
        b.Add(pattern.substr(i - 2, 2));
        break;
    }
  }
  tweet.text = std::move(b.Text());
  tweet.text_length = b.Length();
  tweet.display_end = tweet.text_length;
}

void Corpus::DecorateRandom(Tweet& tweet, uint64_t salt, bool allow_geo) const {
  Rng rng(Hash(config_.data_seed, salt, 0xdec0));
  tweet.source = static_cast<uint8_t>(rng.Below(pools::Sources().size()));
  tweet.favorite_count = static_cast<uint32_t>(std::exp(6.0 * rng.Unit() * rng.Unit())) - 1;
  tweet.retweet_count = static_cast<uint32_t>(std::exp(5.0 * rng.Unit() * rng.Unit())) - 1;
  if (allow_geo) {
    const double g = rng.Unit();
    if (g < 0.16) {
      tweet.place = static_cast<int>(rng.Below(pools::Places().size()));
      if (g < 0.06) {
        const auto& place = pools::Places()[static_cast<size_t>(tweet.place)];
        tweet.has_point = true;
        tweet.lon = rng.Between(place.west, place.east);
        tweet.lat = rng.Between(place.south, place.north);
      }
    }
  }
  if (rng.Chance(0.1)) {
    MediaEntity m;
    m.id = SnowflakeId(tweet.created_at * 1000 - rng.Between(1000, 60000),
                       static_cast<uint32_t>(rng.Next()));
    m.key = RandomToken(rng, 15);
    m.url = ShortLink(Hash(salt, 0x3ed1a));
    static constexpr int kSizes[][2] = {{1200, 675}, {1080, 1350}, {2048, 1536}, {640, 640}};
    const auto& size = rng.Pick(kSizes);
    m.width = size[0];
    m.height = size[1];
    tweet.text += " ";
    m.start = tweet.text_length + 1;
    tweet.text += m.url;
    m.end = m.start + TwitterLength(m.url);
    tweet.text_length = m.end;
    tweet.media = std::move(m);
  }
}

std::unique_ptr<Tweet> Corpus::MakeOriginal(uint64_t salt, int64_t before_s, uint32_t not_author,
                                            bool topic, const std::string& lang) const {
  Rng rng(Hash(config_.data_seed, salt, 0x0419));
  auto t = std::make_unique<Tweet>();
  const int64_t earliest_ms = kEarliestTweetMs + 60000;
  const int64_t created_ms =
      std::max(earliest_ms, before_s * 1000 - rng.Between(30000, 3 * 86400000LL));
  t->created_at = created_ms / 1000;
  t->id = SnowflakeId(created_ms, static_cast<uint32_t>(rng.Next()) | 0x200000u);
  t->author = PickUser(Hash(salt, 0xa0), not_author);
  t->lang = lang;
  const pools::Language* language = &pools::Languages()[0];
  for (const auto& l : pools::Languages())
    if (l.code == lang) language = &l;
  const auto texts = topic ? language->topic : language->other;
  FillText(*t, PickFrom(rng, texts), Hash(salt, 0x7e));
  DecorateRandom(*t, Hash(salt, 0xd), true);
  t->retweet_count = static_cast<uint32_t>(std::exp(8.0 * rng.Unit()));
  t->favorite_count = t->retweet_count * static_cast<uint32_t>(rng.Between(1, 6));
  return t;
}

void Corpus::MakeRetweet(Tweet& tweet, std::unique_ptr<Tweet> original) const {
  const std::string& name = keys_[original->author].screen_name;
  TextBuilder b;
  b.Add("RT @");
  b.Add(name);
  b.Add(": ");
  const int prefix = b.Length();
  tweet.mentions.clear();
  tweet.hashtags.clear();
  tweet.urls.clear();
  tweet.mentions.push_back({original->author, 3, prefix - 2});
  int limit = 140;
  if (prefix + original->text_length <= 140) {
    b.Add(original->text);
  } else {
    // The retweet's own text is cut to 140 characters, the last one an ellipsis.
    limit = 139;
    b.Add(std::string_view(original->text).substr(0, PrefixBytes(original->text, 139 - prefix)));
    b.Add("\u2026");
  }
  for (const auto& h : original->hashtags)
    if (prefix + h.end <= limit)
      tweet.hashtags.push_back({h.text, prefix + h.start, prefix + h.end});
  for (const auto& m : original->mentions)
    if (prefix + m.end <= limit)
      tweet.mentions.push_back({m.user, prefix + m.start, prefix + m.end});
  for (const auto& u : original->urls) {
    if (prefix + u.end > limit) continue;
    UrlEntity e = u;
    e.start += prefix;
    e.end += prefix;
    tweet.urls.push_back(std::move(e));
  }
  tweet.text = std::move(b.Text());
  tweet.text_length = b.Length();
  tweet.display_start = 0;
  tweet.display_end = tweet.text_length;
  tweet.lang = original->lang;
  tweet.retweet_count = original->retweet_count;
  tweet.favorite_count = 0;
  tweet.media.reset();
  tweet.place = -1;
  tweet.has_point = false;
  tweet.is_reply = false;
  tweet.retweeted = std::move(original);
}

int64_t Corpus::StreamMs(uint32_t position) const {
  const int64_t span = int64_t{config_.search_days} * 86400000;
  const int64_t slot = std::max<int64_t>(4, span / std::max<uint32_t>(1, config_.search_tweets));
  const auto jitter = static_cast<int64_t>(Hash(config_.data_seed, kSaltStreamTime, position) %
                                           static_cast<uint64_t>(slot / 2));
  return now_ * 1000 - 1000 - int64_t{position} * slot - jitter;
}

uint64_t Corpus::StreamId(uint32_t position) const {
  return SnowflakeId(StreamMs(position),
                     static_cast<uint32_t>(Hash(config_.data_seed, kSaltStreamLow, position)));
}

uint32_t Corpus::StreamSeek(uint64_t max_id) const {
  uint32_t lo = 0, hi = StreamSize();
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (StreamId(mid) <= max_id) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

Tweet Corpus::StreamTweet(uint32_t position) const {
  const uint64_t salt = Hash(kSaltStream, position);
  Rng rng(Hash(config_.data_seed, salt));
  Tweet t;
  t.id = StreamId(position);
  t.created_at = StreamMs(position) / 1000;
  t.author = PickUser(Hash(salt, 0xa), accounts::kTeam);

  const auto languages = pools::Languages();
  const pools::Language& language =
      rng.Chance(0.78) ? languages[0] : languages[1 + rng.Below(languages.size() - 1)];
  t.lang = std::string(language.code);
  const bool topic = rng.Chance(0.92);
  const auto texts = topic ? language.topic : language.other;
  const double kind = rng.Unit();

  if (kind < 0.22) {
    DecorateRandom(t, Hash(salt, 0xd), false);
    MakeRetweet(t, MakeOriginal(Hash(salt, 0x0), t.created_at, t.author, topic, t.lang));
    return t;
  }
  if (kind < 0.27) {
    // A reply: the leading mention is outside the displayed range, as in extended mode.
    t.is_reply = true;
    t.reply_to_user = PickUser(Hash(salt, 0xe), t.author);
    t.reply_to_status = SnowflakeId(StreamMs(position) - rng.Between(60000, 2 * 86400000LL),
                                    static_cast<uint32_t>(rng.Next()));
    t.text = "@" + keys_[t.reply_to_user].screen_name + " ";
    t.mentions.push_back({t.reply_to_user, 0, TwitterLength(t.text) - 1});
    FillText(t, PickFrom(rng, texts), Hash(salt, 0x7e));
    t.display_start = TwitterLength("@" + keys_[t.reply_to_user].screen_name + " ");
  } else {
    FillText(t, PickFrom(rng, texts), Hash(salt, 0x7e));
  }
  DecorateRandom(t, Hash(salt, 0xd), true);
  if (kind > 0.94) {
    t.quoted = MakeOriginal(Hash(salt, 0x9), t.created_at, t.author, topic, t.lang);
    t.quoted_permalink = ShortLink(Hash(salt, 0x9e));
  }
  return t;
}

uint32_t Corpus::TimelineSize(uint32_t user) const {
  return std::min(keys_[user].statuses, kTimelineCap);
}

int64_t Corpus::TimelineMs(uint32_t user, uint32_t position) const {
  const UserKey& key = keys_[user];
  const auto jitter =
      static_cast<int64_t>(Hash(config_.data_seed, kSaltTimelineTime, user, position) %
                           static_cast<uint64_t>(key.gap_ms / 2));
  return key.newest_ms - int64_t{position} * key.gap_ms - jitter;
}

uint64_t Corpus::TimelineId(uint32_t user, uint32_t position) const {
  return SnowflakeId(
      TimelineMs(user, position),
      static_cast<uint32_t>(Hash(config_.data_seed, kSaltTimelineLow, user, position)));
}

uint32_t Corpus::TimelineSeek(uint32_t user, uint64_t max_id) const {
  uint32_t lo = 0, hi = TimelineSize(user);
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (TimelineId(user, mid) <= max_id) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

Tweet Corpus::TimelineTweet(uint32_t user, uint32_t position) const {
  const uint64_t salt = Hash(kSaltTimeline, user, position);
  Rng rng(Hash(config_.data_seed, salt));
  Tweet t;
  t.id = TimelineId(user, position);
  t.created_at = TimelineMs(user, position) / 1000;
  t.author = user;
  const auto languages = pools::Languages();
  const pools::Language& language =
      rng.Chance(0.85) ? languages[0] : languages[1 + rng.Below(languages.size() - 1)];
  t.lang = std::string(language.code);
  const bool team = user == accounts::kTeam;
  const double kind = rng.Unit();

  if (kind < (team ? 0.10 : 0.20)) {
    DecorateRandom(t, Hash(salt, 0xd), false);
    MakeRetweet(t, MakeOriginal(Hash(salt, 0x0), t.created_at, user, rng.Chance(0.3), t.lang));
    return t;
  }
  std::string_view pattern;
  if (team) {
    pattern = PickFrom(rng, pools::TeamTexts());
    t.lang = "en";
  } else if (kind < 0.30) {
    t.is_reply = true;
    t.reply_to_user = PickUser(Hash(salt, 0xe), user);
    t.reply_to_status = SnowflakeId(
        std::max(kEarliestTweetMs, TimelineMs(user, position) - rng.Between(60000, 86400000LL)),
        static_cast<uint32_t>(rng.Next()));
    t.text = "@" + keys_[t.reply_to_user].screen_name + " ";
    t.mentions.push_back({t.reply_to_user, 0, TwitterLength(t.text) - 1});
    pattern = PickFrom(rng, pools::ReplyTexts());
  } else if (rng.Chance(0.15)) {
    pattern = PickFrom(rng, language.topic);
  } else if (language.code == "en") {
    pattern = PickFrom(rng, pools::TimelineTexts());
  } else {
    pattern = PickFrom(rng, language.other);
  }
  const int prefix = TwitterLength(t.text);
  FillText(t, pattern, Hash(salt, 0x7e));
  t.display_start = prefix;
  DecorateRandom(t, Hash(salt, 0xd), true);
  if (kind > 0.95) {
    t.quoted = MakeOriginal(Hash(salt, 0x9), t.created_at, user, rng.Chance(0.5), t.lang);
    t.quoted_permalink = ShortLink(Hash(salt, 0x9e));
  }
  return t;
}

std::optional<TweetRef> Corpus::FindTweet(uint64_t id) const {
  const uint32_t at = StreamSeek(id);
  if (at < StreamSize() && StreamId(at) == id) return TweetRef{false, 0, at};
  // A timeline tweet k sits at newest - k * gap - jitter with jitter below gap / 2, so the id's
  // time names the only place it can have in each timeline.
  const int64_t ms = SnowflakeMs(id);
  for (uint32_t u = 0; u < UserCount(); ++u) {
    const UserKey& key = keys_[u];
    if (key.gap_ms <= 0 || ms > key.newest_ms) continue;
    const int64_t back = key.newest_ms - ms;
    const int64_t position = back / key.gap_ms;
    if (position >= TimelineSize(u) || back - position * key.gap_ms >= key.gap_ms / 2) continue;
    const auto p = static_cast<uint32_t>(position);
    if (TimelineId(u, p) == id) return TweetRef{true, u, p};
  }
  return std::nullopt;
}

Tweet Corpus::TweetAt(const TweetRef& ref) const {
  return ref.timeline ? TimelineTweet(ref.user, ref.position) : StreamTweet(ref.position);
}

}  // namespace wf::apisim
