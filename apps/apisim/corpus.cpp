#include "apisim/corpus.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numeric>

#include "apisim/corpus_internal.h"
#include "apisim/pools.h"
#include "apisim/random.h"

namespace wf::apisim {

using namespace corpus_detail;

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
