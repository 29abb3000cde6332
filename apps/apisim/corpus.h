#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace wf::apisim {

// Twitter's snowflake epoch (ms since 1970): ids carry their creation time in the top bits,
// so "newest first" and "max_id" paging are plain numeric comparisons.
constexpr int64_t kTwitterEpochMs = 1288834974657;
uint64_t SnowflakeId(int64_t created_ms, uint32_t low22);
int64_t SnowflakeMs(uint64_t id);

struct CorpusConfig {
  uint64_t data_seed = 1;
  int64_t now = 0;                 // epoch seconds the corpus is dated against
  uint32_t users = 40000;          // accounts in the pool
  uint32_t search_tweets = 32000;  // tweets in the searchable stream
  int search_days = 10;            // how far back the stream reaches
};

// The accounts with fixed names that the demo, the docs and the tests use.
namespace accounts {
constexpr uint32_t kTeam = 0;     // skein_team: the followers command's default account
constexpr uint32_t kPrivate = 1;  // skein_private: protected
constexpr uint32_t kQuiet = 2;    // skein_quiet: has never tweeted
constexpr uint32_t kSmall = 3;    // skein_small: a handful of everything
constexpr uint32_t kTeamFollowers = 5237;
constexpr uint32_t kTeamFriends = 300;
constexpr uint32_t kTeamStatuses = 4812;
// skein_big: a list long enough for bulk benchmarks. It takes the pool's last place, so the
// other accounts keep their places, and exists only in a pool that can hold its followers.
constexpr uint32_t kBigFollowers = 10000;
constexpr uint32_t kBigFriends = 150;
constexpr uint32_t kBigMinUsers = kBigFollowers + 1;
inline std::optional<uint32_t> BigAccount(uint32_t users) {
  if (users < kBigMinUsers) return std::nullopt;
  return users - 1;
}
}  // namespace accounts

constexpr uint32_t kTimelineCap = 3200;  // user_timeline never reaches further back

struct UrlEntity {
  std::string url;  // the t.co link as it stands in the text
  std::string expanded;
  std::string display;
  int start = 0, end = 0;  // character offsets in the text
};

struct HashtagEntity {
  std::string text;
  int start = 0, end = 0;
};

struct MentionEntity {
  uint32_t user = 0;
  int start = 0, end = 0;
};

struct MediaEntity {
  uint64_t id = 0;
  std::string key;  // file stem under pbs.twimg.com/media/
  std::string url;  // t.co
  int start = 0, end = 0;
  int width = 1200, height = 675;
};

struct Tweet {
  uint64_t id = 0;
  int64_t created_at = 0;  // epoch seconds
  uint32_t author = 0;
  std::string text;     // full text, HTML entities (&amp; &lt; &gt;) as Twitter stores them
  int text_length = 0;  // in characters, entities counting as one
  int display_start = 0, display_end = 0;
  std::vector<HashtagEntity> hashtags;
  std::vector<MentionEntity> mentions;
  std::vector<UrlEntity> urls;
  std::optional<MediaEntity> media;
  std::string lang;
  uint8_t source = 0;
  uint64_t reply_to_status = 0;
  uint32_t reply_to_user = 0;
  bool is_reply = false;
  int place = -1;  // index into the place pool
  bool has_point = false;
  int64_t lat = 0, lon = 0;  // 1e-7 degree
  uint32_t retweet_count = 0;
  uint32_t favorite_count = 0;
  std::unique_ptr<Tweet> retweeted;
  std::unique_ptr<Tweet> quoted;
  std::string quoted_permalink;  // t.co link to the quoted tweet
};

// What every account has up front: enough to index, count and page without building profiles.
struct UserKey {
  uint64_t id = 0;
  int64_t created_at = 0;
  std::string screen_name;
  uint32_t followers = 0, friends = 0, statuses = 0, favourites = 0, listed = 0;
  bool is_protected = false;
  bool verified = false;
  int64_t newest_ms = 0;  // time of the newest timeline tweet
  int64_t gap_ms = 0;     // mean spacing of the timeline
};

struct UserProfile {
  const UserKey* key = nullptr;
  uint32_t index = 0;
  std::string name;
  std::string location;
  std::string description;
  std::vector<UrlEntity> description_urls;
  std::optional<UrlEntity> url;  // profile URL; offsets are into the URL member itself
  std::optional<int32_t> utc_offset;
  std::string time_zone;
  std::string lang;  // empty: null
  bool geo_enabled = false;
  bool default_profile = false;
  bool default_profile_image = false;
  std::string image_stem;  // profile_images/<n>/<stem>_normal.<ext>
  uint64_t image_dir = 0;
  std::string image_ext;
  int64_t banner_stamp = 0;  // 0: no banner
  std::string background;    // empty: null
  std::string background_color, link_color, sidebar_border, sidebar_fill, text_color;
  bool use_background_image = true;
  bool background_tile = false;
  bool has_extended_profile = false;
};

// Where a tweet of the corpus lives: a place in the searchable stream or in a timeline.
struct TweetRef {
  bool timeline = false;
  uint32_t user = 0;  // timelines only
  uint32_t position = 0;
};

// Direction of a cursor: a forward page starts at the position, a backward page ends at it.
struct CursorPosition {
  uint32_t position = 0;
  bool backward = false;
};

class Corpus {
 public:
  explicit Corpus(const CorpusConfig& config);

  const CorpusConfig& config() const { return config_; }
  int64_t now() const { return now_; }

  // Accounts.
  uint32_t UserCount() const { return static_cast<uint32_t>(keys_.size()); }
  const UserKey& Key(uint32_t user) const { return keys_[user]; }
  std::optional<uint32_t> FindUserById(uint64_t id) const;
  std::optional<uint32_t> FindUserByName(std::string_view screen_name) const;  // any case
  UserProfile Profile(uint32_t user) const;

  // Follower graph: position 0 is the most recent follower.
  uint32_t FollowerCount(uint32_t user) const;
  uint32_t FriendCount(uint32_t user) const;
  uint32_t FollowerAt(uint32_t user, uint32_t position) const;
  uint32_t FriendAt(uint32_t user, uint32_t position) const;
  // Opaque cursors above 2^53; 0 means "no page", as in the real API.
  int64_t ForwardCursor(uint32_t user, uint32_t list_kind, uint32_t position) const;
  int64_t BackwardCursor(uint32_t user, uint32_t list_kind, uint32_t position) const;
  std::optional<CursorPosition> DecodeCursor(uint32_t user, uint32_t list_kind,
                                             int64_t cursor) const;

  // Timelines: position 0 is the newest tweet; at most kTimelineCap positions exist.
  uint32_t TimelineSize(uint32_t user) const;
  uint64_t TimelineId(uint32_t user, uint32_t position) const;
  Tweet TimelineTweet(uint32_t user, uint32_t position) const;
  // First position whose id is <= max_id (TimelineSize when none).
  uint32_t TimelineSeek(uint32_t user, uint64_t max_id) const;

  // The searchable stream, newest first.
  uint32_t StreamSize() const { return config_.search_tweets; }
  uint64_t StreamId(uint32_t position) const;
  Tweet StreamTweet(uint32_t position) const;
  uint32_t StreamSeek(uint64_t max_id) const;

  // The stream or timeline tweet with this id, for lookups by id. Tweets that only appear
  // inside others (retweeted or quoted originals) are not found.
  std::optional<TweetRef> FindTweet(uint64_t id) const;
  Tweet TweetAt(const TweetRef& ref) const;

  // The t.co link for a URL seen in `salt`'s context.
  std::string ShortLink(uint64_t salt) const;

 private:
  void BuildAccounts();
  UserKey MakeKey(uint32_t user) const;
  void FillText(Tweet& tweet, std::string_view pattern, uint64_t salt) const;
  void DecorateRandom(Tweet& tweet, uint64_t salt, bool allow_geo) const;
  std::unique_ptr<Tweet> MakeOriginal(uint64_t salt, int64_t before_s, uint32_t not_author,
                                      bool topic, const std::string& lang) const;
  void MakeRetweet(Tweet& tweet, std::unique_ptr<Tweet> original) const;
  int64_t StreamMs(uint32_t position) const;
  int64_t TimelineMs(uint32_t user, uint32_t position) const;
  uint32_t PickUser(uint64_t salt, uint32_t not_user) const;
  uint32_t GraphMember(uint32_t user, uint32_t list_kind, uint32_t position) const;

  CorpusConfig config_;
  int64_t now_ = 0;
  std::vector<UserKey> keys_;
  std::unordered_map<uint64_t, uint32_t> by_id_;
  std::unordered_map<std::string, uint32_t> by_name_;  // lowercase
};

// "Tue Nov 08 21:02:11 +0000 2022".
std::string TwitterDate(int64_t epoch_seconds);
// "2022-11-08T21:02:11.000Z", as API v2 writes dates.
std::string IsoDate(int64_t epoch_seconds);
// Number of characters the API counts in `text` (UTF-8; &amp; &lt; &gt; count as one).
int TwitterLength(std::string_view text);
// Bytes taken by the first `chars` characters of `text`; an entity is never split.
size_t PrefixBytes(std::string_view text, int chars);

}  // namespace wf::apisim
