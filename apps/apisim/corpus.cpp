#include "apisim/corpus.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

#include "apisim/pools.h"
#include "apisim/random.h"

namespace wf::apisim {

namespace {

constexpr int64_t kEarliestAccount = 1172707200;  // 2007-03-01
constexpr int64_t kSnowflakeUsers = 1383264000;   // 2013-11-01: user ids turn into snowflakes
constexpr int64_t kEarliestTweetMs = kTwitterEpochMs + 86400000;
constexpr uint64_t kCursorStride = 100000000007ULL;

// Salts that keep the families of draws apart.
enum Salt : uint64_t {
  kSaltKey = 0x4b4559,
  kSaltProfile = 0x50524f46,
  kSaltStream = 0x53545245,
  kSaltStreamTime = 0x53544d,
  kSaltStreamLow = 0x53544c,
  kSaltTimeline = 0x544c4e,
  kSaltTimelineTime = 0x544c54,
  kSaltTimelineLow = 0x544c4c,
  kSaltGraph = 0x47524150,
  kSaltCursor = 0x43555253,
  kSaltLink = 0x4c494e4b,
};

constexpr char kAlnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomToken(Rng& rng, int length) {
  std::string out;
  out.reserve(static_cast<size_t>(length));
  for (int k = 0; k < length; ++k) out.push_back(kAlnum[rng.Below(62)]);
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

template <typename T>
const T& PickFrom(Rng& rng, std::span<const T> items) {
  return items[rng.Below(items.size())];
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// Builds a tweet or profile text while keeping the character offsets of its entities.
class TextBuilder {
 public:
  void Add(std::string_view s) {
    text_.append(s);
    length_ += TwitterLength(s);
  }
  int Length() const { return length_; }
  std::string& Text() { return text_; }

 private:
  std::string text_;
  int length_ = 0;
};

size_t WordEnd(std::string_view text, size_t i) {
  while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
    ++i;
  return i;
}

std::string DisplayUrl(std::string_view expanded) {
  std::string_view rest = expanded;
  for (std::string_view scheme : {"https://", "http://"})
    if (rest.substr(0, scheme.size()) == scheme) rest.remove_prefix(scheme.size());
  if (rest.substr(0, 4) == "www.") rest.remove_prefix(4);
  if (TwitterLength(rest) <= 30) return std::string(rest);
  // Cut on a character boundary; links are ASCII here but stay safe for any input.
  size_t cut = 0;
  int chars = 0;
  while (cut < rest.size() && chars < 29) {
    ++cut;
    while (cut < rest.size() && (static_cast<unsigned char>(rest[cut]) & 0xc0) == 0x80) ++cut;
    ++chars;
  }
  return std::string(rest.substr(0, cut)) + "\u2026";
}

}  // namespace

uint64_t SnowflakeId(int64_t created_ms, uint32_t low22) {
  return (static_cast<uint64_t>(created_ms - kTwitterEpochMs) << 22) | (low22 & 0x3fffff);
}

int64_t SnowflakeMs(uint64_t id) {
  return static_cast<int64_t>(id >> 22) + kTwitterEpochMs;
}

size_t PrefixBytes(std::string_view text, int chars) {
  size_t i = 0;
  int count = 0;
  while (i < text.size() && count < chars) {
    if (text[i] == '&') {
      for (std::string_view entity : {"&amp;", "&lt;", "&gt;"}) {
        if (text.substr(i, entity.size()) == entity) {
          i += entity.size() - 1;
          break;
        }
      }
    }
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xc0) == 0x80) ++i;
    ++count;
  }
  return i;
}

int TwitterLength(std::string_view text) {
  int length = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xc0) != 0x80) ++length;
    if (b == '&') {
      if (text.substr(i, 5) == "&amp;") {
        length -= 4;
      } else if (text.substr(i, 4) == "&lt;" || text.substr(i, 4) == "&gt;") {
        length -= 3;
      }
    }
  }
  return length;
}

std::string TwitterDate(int64_t epoch_seconds) {
  static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int64_t days = epoch_seconds / 86400;
  int64_t secs = epoch_seconds % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  int y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  const int64_t weekday = ((days % 7) + 7) % 7;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s %s %02u %02d:%02d:%02d +0000 %04d", kDays[weekday],
                kMonths[m - 1], d, static_cast<int>(secs / 3600),
                static_cast<int>((secs / 60) % 60), static_cast<int>(secs % 60), y);
  return buf;
}

Corpus::Corpus(const CorpusConfig& config) : config_(config) {
  if (config_.users < 100) config_.users = 100;
  if (config_.search_days < 1) config_.search_days = 1;
  now_ = config_.now;
  if (now_ == 0) {
    now_ = std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
               .count();
  }
  BuildAccounts();
}

UserKey Corpus::MakeKey(uint32_t user) const {
  Rng rng(Hash(config_.data_seed, kSaltKey, user));
  UserKey key;
  key.created_at = rng.Between(kEarliestAccount, now_ - 40 * 86400);

  const auto first = PickFrom(rng, pools::FirstNames());
  const auto last = PickFrom(rng, pools::LastNames());
  const auto words = pools::HandleWords();
  std::string name;
  switch (rng.Below(4)) {
    case 0:
      name = std::string(first.handle) + "_" + std::string(last.handle);
      break;
    case 1: {
      std::string a(PickFrom(rng, words)), b(PickFrom(rng, words));
      a[0] = static_cast<char>(a[0] - 'a' + 'A');
      b[0] = static_cast<char>(b[0] - 'a' + 'A');
      name = a + b;
      break;
    }
    case 2:
      name =
          std::string(first.handle) + std::string(last.handle) + std::to_string(rng.Between(1, 99));
      break;
    default:
      name = std::string(PickFrom(rng, words)) + "_" + std::to_string(rng.Between(10, 9999));
      break;
  }
  if (name.size() > 15) name.resize(15);
  key.screen_name = std::move(name);

  const double reach = rng.Unit();
  key.verified = rng.Chance(0.02);
  key.followers = static_cast<uint32_t>(std::exp(2.0 + 9.0 * std::pow(reach, 1.5)));
  if (key.verified) key.followers = static_cast<uint32_t>(std::exp(rng.Between(110, 140) / 10.0));
  key.friends = static_cast<uint32_t>(std::exp(1.0 + 7.0 * rng.Unit()));
  key.statuses = rng.Chance(0.03) ? 0 : static_cast<uint32_t>(std::exp(10.5 * rng.Unit()));
  key.favourites = static_cast<uint32_t>(std::exp(9.0 * rng.Unit())) - 1;
  key.listed = static_cast<uint32_t>(key.followers * rng.Unit() / 40.0);
  key.is_protected = rng.Chance(0.015);
  const double idle_s = std::exp(rng.Unit() * std::log(60.0 * 86400.0));
  key.newest_ms = (now_ - static_cast<int64_t>(idle_s) - 60) * 1000 + rng.Between(0, 999);
  return key;
}

void Corpus::BuildAccounts() {
  const uint32_t count = config_.users;
  keys_.reserve(count);
  by_id_.reserve(count);
  by_name_.reserve(count);
  for (uint32_t u = 0; u < count; ++u) keys_.push_back(MakeKey(u));

  struct Fixed {
    uint32_t index;
    const char* name;
    int64_t created;
    uint32_t followers, friends, statuses;
    bool is_protected;
    int64_t idle_s;
  };
  const Fixed fixed[] = {
      {accounts::kTeam, "skein_team", 1336996800, accounts::kTeamFollowers, accounts::kTeamFriends,
       accounts::kTeamStatuses, false, 7200},
      {accounts::kPrivate, "skein_private", 1420070400, 48, 61, 120, true, 86400},
      {accounts::kQuiet, "skein_quiet", 1483228800, 7, 15, 0, false, 0},
      {accounts::kSmall, "skein_small", 1546300800, 12, 3, 57, false, 3 * 86400},
  };
  std::vector<Fixed> all(std::begin(fixed), std::end(fixed));
  if (const auto big = accounts::BigAccount(count)) {
    all.push_back({*big, "skein_big", 1388534400, accounts::kBigFollowers, accounts::kBigFriends,
                   2400, false, 5400});
  }
  for (const Fixed& f : all) {
    UserKey& key = keys_[f.index];
    key.screen_name = f.name;
    key.created_at = f.created;
    key.followers = f.followers;
    key.friends = f.friends;
    key.statuses = f.statuses;
    key.is_protected = f.is_protected;
    key.verified = f.index == accounts::kTeam;
    key.listed = f.followers / 25;
    key.newest_ms = (now_ - f.idle_s) * 1000 - 417;
  }

  for (uint32_t u = 0; u < count; ++u) {
    UserKey& key = keys_[u];
    Rng rng(Hash(config_.data_seed, kSaltKey, u, 1));
    if (key.created_at < kSnowflakeUsers) {
      key.id =
          600000 + static_cast<uint64_t>(key.created_at - kEarliestAccount) * 10 + rng.Below(10);
    } else {
      key.id = SnowflakeId(key.created_at * 1000 + rng.Between(0, 999), u);
    }
    while (!by_id_.emplace(key.id, u).second) ++key.id;

    std::string lower = Lower(key.screen_name);
    for (uint32_t attempt = 0; by_name_.count(lower) != 0; ++attempt) {
      const std::string suffix = std::to_string(u + attempt);
      std::string stem = key.screen_name.substr(0, 15 - std::min<size_t>(suffix.size(), 14));
      key.screen_name = stem + suffix;
      lower = Lower(key.screen_name);
    }
    by_name_.emplace(std::move(lower), u);

    // Spread the account's statuses evenly over its life; the timeline shows the newest ones.
    if (key.statuses == 0) {
      key.newest_ms = 0;
      key.gap_ms = 0;
      continue;
    }
    const int64_t earliest_ms = std::max(key.created_at * 1000, kEarliestTweetMs);
    if (key.newest_ms <= earliest_ms) key.newest_ms = earliest_ms + 86400000;
    const int64_t span = key.newest_ms - earliest_ms;
    key.gap_ms = std::max<int64_t>(2000, span / static_cast<int64_t>(key.statuses + 1));
  }
}

std::optional<uint32_t> Corpus::FindUserById(uint64_t id) const {
  const auto it = by_id_.find(id);
  if (it == by_id_.end()) return std::nullopt;
  return it->second;
}

std::optional<uint32_t> Corpus::FindUserByName(std::string_view screen_name) const {
  const auto it = by_name_.find(Lower(screen_name));
  if (it == by_name_.end()) return std::nullopt;
  return it->second;
}

std::string Corpus::ShortLink(uint64_t salt) const {
  Rng rng(Hash(config_.data_seed, kSaltLink, salt));
  return "https://t.co/" + RandomToken(rng, 10);
}

UserProfile Corpus::Profile(uint32_t user) const {
  const UserKey& key = keys_[user];
  Rng rng(Hash(config_.data_seed, kSaltProfile, user));
  UserProfile p;
  p.key = &key;
  p.index = user;

  const auto first = PickFrom(rng, pools::FirstNames());
  const auto last = PickFrom(rng, pools::LastNames());
  const uint64_t style = rng.Below(20);
  if (style < 12) {
    p.name = std::string(first.display) + " " + std::string(last.display);
  } else if (style < 15) {
    p.name = std::string(first.display) + " " + std::string(PickFrom(rng, pools::Emoji()));
  } else {
    p.name = std::string(PickFrom(rng, pools::OrgNames()));
  }
  p.location = std::string(PickFrom(rng, pools::Locations()));

  // Descriptions carry raw "&" (unlike tweet texts) and only link entities.
  const std::string_view pattern = PickFrom(rng, pools::Descriptions());
  TextBuilder desc;
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      size_t end = pattern.find('%', i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      desc.Add(pattern.substr(i, end - i));
      i = end;
      continue;
    }
    const char code = pattern[i + 1];
    i += 2;
    if (code == 't') {
      desc.Add(PickFrom(rng, pools::Topics()));
    } else if (code == 'a') {
      desc.Add(PickFrom(rng, pools::Adjectives()));
    } else if (code == 'l') {
      UrlEntity e;
      e.url = ShortLink(Hash(user, 0xde5c));
      e.expanded = std::string(PickFrom(rng, pools::Links()));
      e.display = DisplayUrl(e.expanded);
      e.start = desc.Length();
      desc.Add(e.url);
      e.end = desc.Length();
      p.description_urls.push_back(std::move(e));
    } else if (code == '#') {
      const size_t end = WordEnd(pattern, i);
      desc.Add("#");
      desc.Add(pattern.substr(i, end - i));
      i = end;
    } else {
      desc.Add(pattern.substr(i - 2, 2));
    }
  }
  p.description = std::move(desc.Text());

  if (rng.Chance(0.45)) {
    UrlEntity e;
    e.url = ShortLink(Hash(user, 0x0a7));
    e.expanded = rng.Chance(0.5) ? std::string(PickFrom(rng, pools::Links()))
                                 : "https://" + key.screen_name + ".example.com";
    e.display = DisplayUrl(e.expanded);
    e.start = 0;
    e.end = TwitterLength(e.url);
    p.url = std::move(e);
  }
  if (rng.Chance(0.65)) {
    const auto& zone = PickFrom(rng, pools::TimeZones());
    p.utc_offset = zone.utc_offset;
    p.time_zone = std::string(zone.name);
  }
  static constexpr std::string_view kLangs[] = {"en", "en", "en", "es", "de", "fr", "ja", "pt"};
  if (rng.Chance(0.5)) p.lang = std::string(rng.Pick(kLangs));
  p.geo_enabled = rng.Chance(0.4);
  p.default_profile = rng.Chance(0.5);
  p.default_profile_image = rng.Chance(0.05);
  p.image_dir = 1000000000000000000ULL + rng.Below(600000000000000000ULL);
  p.image_stem = RandomToken(rng, 8);
  static constexpr std::string_view kExts[] = {"jpg", "jpg", "png", "jpeg"};
  p.image_ext = std::string(rng.Pick(kExts));
  if (rng.Chance(0.8)) p.banner_stamp = rng.Between(key.created_at, now_ - 86400);
  if (rng.Chance(0.85)) p.background = std::string(PickFrom(rng, pools::BackgroundImages()));
  const auto colors = pools::ProfileColors();
  p.background_color = std::string(PickFrom(rng, colors));
  p.link_color = std::string(PickFrom(rng, colors));
  p.sidebar_border = std::string(PickFrom(rng, colors));
  p.sidebar_fill = std::string(PickFrom(rng, colors));
  p.text_color = std::string(PickFrom(rng, colors));
  p.use_background_image = rng.Chance(0.7);
  p.background_tile = rng.Chance(0.1);
  p.has_extended_profile = rng.Chance(0.3);

  if (user == accounts::kTeam) {
    p.name = "Skein Wrenfold";
    p.location = "Edinburgh, Scotland";
    p.description =
        "Collect tweets, score sentiment, export tables. Tips & releases from the team behind "
        "Skein \u2014 questions welcome!\n#skein";
    p.description_urls.clear();
    UrlEntity e;
    e.url = ShortLink(0x7ea3);
    e.expanded = "https://skein.example.org";
    e.display = "skein.example.org";
    e.start = 0;
    e.end = TwitterLength(e.url);
    p.url = std::move(e);
    p.utc_offset = 0;
    p.time_zone = "Edinburgh";
    p.lang = "en";
    p.banner_stamp = 1600000000;
  } else if (user <= accounts::kSmall) {
    static constexpr const char* kNames[] = {"", "Skein (private)", "Skein Quiet", "Skein Small"};
    p.name = kNames[user];
  }
  return p;
}

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

uint32_t Corpus::FollowerCount(uint32_t user) const {
  return std::min(keys_[user].followers, UserCount() - 1);
}

uint32_t Corpus::FriendCount(uint32_t user) const {
  return std::min(keys_[user].friends, UserCount() - 1);
}

// Lists are affine permutations of the other accounts, so member k is found in O(1) and no
// account appears twice in one list.
uint32_t Corpus::GraphMember(uint32_t user, uint32_t list_kind, uint32_t position) const {
  const uint64_t others = UserCount() - 1;
  uint64_t a = Hash(config_.data_seed, kSaltGraph, user, list_kind) % (others - 1) + 1;
  while (std::gcd(a, others) != 1) a = a % (others - 1) + 1;
  const uint64_t b = Hash(config_.data_seed, kSaltGraph, user, list_kind + 2) % others;
  const auto v = static_cast<uint32_t>((a * position + b) % others);
  return v >= user ? v + 1 : v;
}

uint32_t Corpus::FollowerAt(uint32_t user, uint32_t position) const {
  return GraphMember(user, 0, position);
}

uint32_t Corpus::FriendAt(uint32_t user, uint32_t position) const {
  return GraphMember(user, 1, position);
}

int64_t Corpus::ForwardCursor(uint32_t user, uint32_t list_kind, uint32_t position) const {
  const uint64_t base =
      1500000000000000000ULL +
      Hash(config_.data_seed, kSaltCursor, user, list_kind) % 200000000000000000ULL;
  const uint64_t check =
      Hash(config_.data_seed, kSaltCursor, position, list_kind) % (kCursorStride / 2);
  return static_cast<int64_t>(base - position * kCursorStride - check);
}

int64_t Corpus::BackwardCursor(uint32_t user, uint32_t list_kind, uint32_t position) const {
  const uint64_t base =
      1500000000000000000ULL +
      Hash(config_.data_seed, kSaltCursor, user, list_kind) % 200000000000000000ULL;
  const uint64_t check =
      kCursorStride / 2 +
      Hash(config_.data_seed, kSaltCursor, position, list_kind + 7) % (kCursorStride / 2);
  return -static_cast<int64_t>(base - position * kCursorStride - check);
}

std::optional<CursorPosition> Corpus::DecodeCursor(uint32_t user, uint32_t list_kind,
                                                   int64_t cursor) const {
  if (cursor == 0 || cursor == std::numeric_limits<int64_t>::min()) return std::nullopt;
  const bool backward = cursor < 0;
  const auto value = static_cast<uint64_t>(backward ? -cursor : cursor);
  const uint64_t base =
      1500000000000000000ULL +
      Hash(config_.data_seed, kSaltCursor, user, list_kind) % 200000000000000000ULL;
  if (value > base) return std::nullopt;
  const uint64_t offset = base - value;
  const uint64_t position = offset / kCursorStride;
  if (position > UserCount()) return std::nullopt;
  const auto pos = static_cast<uint32_t>(position);
  const int64_t expected =
      backward ? BackwardCursor(user, list_kind, pos) : ForwardCursor(user, list_kind, pos);
  if (expected != cursor) return std::nullopt;
  return CursorPosition{pos, backward};
}

}  // namespace wf::apisim
