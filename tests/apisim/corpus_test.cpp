#include "apisim/corpus.h"

#include <gtest/gtest.h>

#include <set>
#include <unordered_set>

#include "apisim/json_writer.h"
#include "apisim/shapes.h"

namespace wf::apisim {
namespace {

constexpr int64_t kNow = 1667941331;  // Tue Nov 08 21:02:11 2022

const Corpus& Shared() {
  static const Corpus corpus(CorpusConfig{.data_seed = 7, .now = kNow});
  return corpus;
}

std::string TweetJson(const Corpus& c, const Tweet& t) {
  std::string out;
  JsonWriter w(out);
  WriteTweet(w, c, t, TweetShape{});
  return out;
}

// The text between two character offsets, counting entities as one character.
std::string Slice(const std::string& text, int start, int end) {
  const size_t from = PrefixBytes(text, start);
  return text.substr(from, PrefixBytes(text, end) - from);
}

TEST(CorpusTest, SameSeedSameCorpusOtherSeedOtherCorpus) {
  const Corpus again(CorpusConfig{.data_seed = 7, .now = kNow});
  const Corpus other(CorpusConfig{.data_seed = 8, .now = kNow});
  const Corpus& c = Shared();
  int differing = 0;
  for (uint32_t i : {0u, 1u, 517u, 20000u}) {
    EXPECT_EQ(TweetJson(c, c.StreamTweet(i)), TweetJson(again, again.StreamTweet(i)));
    differing += TweetJson(c, c.StreamTweet(i)) != TweetJson(other, other.StreamTweet(i));
  }
  EXPECT_EQ(TweetJson(c, c.TimelineTweet(0, 3199)), TweetJson(again, again.TimelineTweet(0, 3199)));
  EXPECT_EQ(differing, 4);
  EXPECT_EQ(c.Key(4711).screen_name, again.Key(4711).screen_name);
}

TEST(CorpusTest, FixedAccountsHaveTheAdvertisedSizes) {
  const Corpus& c = Shared();
  EXPECT_EQ(c.FindUserByName("skein_team"), accounts::kTeam);
  EXPECT_EQ(c.FindUserByName("SKEIN_TEAM"), accounts::kTeam);
  EXPECT_GE(c.FollowerCount(accounts::kTeam), 5000u);
  EXPECT_EQ(c.FollowerCount(accounts::kTeam), c.Key(accounts::kTeam).followers);
  EXPECT_EQ(c.FriendCount(accounts::kTeam), 300u);
  EXPECT_GT(c.Key(accounts::kTeam).statuses, kTimelineCap);
  EXPECT_EQ(c.TimelineSize(accounts::kTeam), kTimelineCap);
  EXPECT_TRUE(c.Key(accounts::kPrivate).is_protected);
  EXPECT_EQ(c.TimelineSize(accounts::kQuiet), 0u);
  EXPECT_EQ(c.FindUserByName("skein_small"), accounts::kSmall);
}

// skein_big takes the last place of a pool large enough for its list, and no other account
// changes because of it.
TEST(CorpusTest, BigAccountListsTenThousandFollowersWhenThePoolHoldsThem) {
  const Corpus& c = Shared();
  const auto big = c.FindUserByName("skein_big");
  ASSERT_TRUE(big.has_value());
  EXPECT_EQ(*big, c.UserCount() - 1);
  EXPECT_EQ(c.FollowerCount(*big), accounts::kBigFollowers);
  EXPECT_EQ(c.Key(*big).followers, accounts::kBigFollowers);
  std::unordered_set<uint32_t> members;
  for (uint32_t p = 0; p < c.FollowerCount(*big); ++p) {
    const uint32_t m = c.FollowerAt(*big, p);
    ASSERT_NE(m, *big);
    ASSERT_TRUE(members.insert(m).second) << "position " << p;
  }

  const Corpus small(
      CorpusConfig{.data_seed = 7, .now = kNow, .users = accounts::kBigMinUsers - 1});
  EXPECT_FALSE(small.FindUserByName("skein_big").has_value());
  const Corpus just(CorpusConfig{.data_seed = 7, .now = kNow, .users = accounts::kBigMinUsers});
  ASSERT_TRUE(just.FindUserByName("skein_big").has_value());
  EXPECT_EQ(just.FollowerCount(*just.FindUserByName("skein_big")), accounts::kBigFollowers);

  // Every other account is what it would be without skein_big: same name, id and counts.
  for (uint32_t u = 0; u < small.UserCount(); ++u) {
    ASSERT_EQ(small.Key(u).screen_name, just.Key(u).screen_name) << u;
    ASSERT_EQ(small.Key(u).id, just.Key(u).id) << u;
    ASSERT_EQ(small.Key(u).followers, just.Key(u).followers) << u;
    ASSERT_EQ(small.Key(u).statuses, just.Key(u).statuses) << u;
  }
}

TEST(CorpusTest, AccountsAreUniqueAndFindable) {
  const Corpus& c = Shared();
  std::unordered_set<std::string> names;
  std::unordered_set<uint64_t> ids;
  for (uint32_t u = 0; u < c.UserCount(); ++u) {
    const UserKey& k = c.Key(u);
    std::string lower = k.screen_name;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    ASSERT_TRUE(names.insert(lower).second) << k.screen_name;
    ASSERT_TRUE(ids.insert(k.id).second) << k.id;
    ASSERT_LE(k.screen_name.size(), 15u);
    for (const char ch : k.screen_name)
      ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_');
    ASSERT_EQ(c.FindUserById(k.id), u);
    ASSERT_LE(k.created_at, kNow);
  }
  EXPECT_FALSE(c.FindUserById(1));
  EXPECT_FALSE(c.FindUserByName("no_such_user_x"));
}

TEST(CorpusTest, DatesAndSnowflakesAgreeWithRecordedData) {
  // From rtweet/search_1.json: id 1590087310565339136 was created "Tue Nov 08 21:02:11 2022".
  EXPECT_EQ(SnowflakeMs(1590087310565339136ULL) / 1000, 1667941331);
  EXPECT_EQ(TwitterDate(1667941331), "Tue Nov 08 21:02:11 +0000 2022");
  EXPECT_EQ(TwitterDate(951782400), "Tue Feb 29 00:00:00 +0000 2000");
  EXPECT_EQ(TwitterLength("caf\u00e9 &amp; \U0001F600"), 8);
}

TEST(CorpusTest, StreamIsNewestFirstWithinItsDaysAndSeekable) {
  const Corpus& c = Shared();
  const int64_t oldest_allowed = kNow - 10 * 86400;
  uint64_t previous = UINT64_MAX;
  for (uint32_t i = 0; i < c.StreamSize(); i += 7) {
    const uint64_t id = c.StreamId(i);
    ASSERT_LT(id, previous);
    previous = id;
    ASSERT_GE(SnowflakeMs(id) / 1000, oldest_allowed);
    ASSERT_LT(SnowflakeMs(id) / 1000, kNow);
  }
  for (uint32_t i : {0u, 1u, 999u, c.StreamSize() - 1}) {
    const uint64_t id = c.StreamId(i);
    EXPECT_EQ(c.StreamSeek(id), i);
    EXPECT_EQ(c.StreamSeek(id - 1), i + 1);
    EXPECT_EQ(c.StreamSeek(id + 1), i);
  }
  EXPECT_EQ(c.StreamSeek(0), c.StreamSize());
}

TEST(CorpusTest, TimelinesAreNewestFirstAndSeekable) {
  const Corpus& c = Shared();
  for (uint32_t u : {accounts::kTeam, accounts::kSmall, 4711u}) {
    uint64_t previous = UINT64_MAX;
    for (uint32_t j = 0; j < c.TimelineSize(u); ++j) {
      const uint64_t id = c.TimelineId(u, j);
      ASSERT_LT(id, previous) << u << " " << j;
      previous = id;
    }
    if (c.TimelineSize(u) > 2) {
      EXPECT_EQ(c.TimelineSeek(u, c.TimelineId(u, 2)), 2u);
      EXPECT_EQ(c.TimelineSeek(u, c.TimelineId(u, 2) - 1), 3u);
    }
    EXPECT_EQ(c.TimelineTweet(u, 0).author, u);
  }
}

TEST(CorpusTest, FollowerListsHoldDistinctOtherAccounts) {
  const Corpus& c = Shared();
  std::set<uint32_t> seen;
  for (uint32_t i = 0; i < c.FollowerCount(accounts::kTeam); ++i) {
    const uint32_t f = c.FollowerAt(accounts::kTeam, i);
    ASSERT_NE(f, accounts::kTeam);
    ASSERT_LT(f, c.UserCount());
    ASSERT_TRUE(seen.insert(f).second);
  }
  std::set<uint32_t> friends;
  for (uint32_t i = 0; i < c.FriendCount(accounts::kTeam); ++i)
    friends.insert(c.FriendAt(accounts::kTeam, i));
  EXPECT_EQ(friends.size(), 300u);
}

TEST(CorpusTest, CursorsAreOpaqueLargeAndChecked) {
  const Corpus& c = Shared();
  const int64_t next = c.ForwardCursor(accounts::kTeam, 0, 200);
  const int64_t back = c.BackwardCursor(accounts::kTeam, 0, 200);
  EXPECT_GT(next, int64_t{1} << 53);
  EXPECT_LT(back, -(int64_t{1} << 53));
  EXPECT_NE(back, -next);
  EXPECT_GT(next, c.ForwardCursor(accounts::kTeam, 0, 400));  // decreasing, like the real ones

  const auto fwd = c.DecodeCursor(accounts::kTeam, 0, next);
  ASSERT_TRUE(fwd);
  EXPECT_EQ(fwd->position, 200u);
  EXPECT_FALSE(fwd->backward);
  const auto bwd = c.DecodeCursor(accounts::kTeam, 0, back);
  ASSERT_TRUE(bwd);
  EXPECT_EQ(bwd->position, 200u);
  EXPECT_TRUE(bwd->backward);

  EXPECT_FALSE(c.DecodeCursor(accounts::kTeam, 0, next + 1));
  EXPECT_FALSE(c.DecodeCursor(accounts::kTeam, 1, next));  // a followers cursor on friends
  EXPECT_FALSE(c.DecodeCursor(accounts::kSmall, 0, next));
  EXPECT_FALSE(c.DecodeCursor(accounts::kTeam, 0, 12345));
}

TEST(CorpusTest, EntityOffsetsPointAtTheirText) {
  const Corpus& c = Shared();
  for (uint32_t i = 0; i < 3000; ++i) {
    const Tweet t = c.StreamTweet(i);
    const Tweet& base = t.retweeted ? *t.retweeted : t;
    for (const Tweet* tw : {&t, &base}) {
      SCOPED_TRACE(tw->text);
      ASSERT_EQ(tw->text_length, TwitterLength(tw->text));
      ASSERT_LE(tw->display_end, tw->text_length);
      for (const auto& h : tw->hashtags) ASSERT_EQ(Slice(tw->text, h.start, h.end), "#" + h.text);
      for (const auto& u : tw->urls) ASSERT_EQ(Slice(tw->text, u.start, u.end), u.url);
      for (const auto& m : tw->mentions)
        ASSERT_EQ(Slice(tw->text, m.start, m.end), "@" + c.Key(m.user).screen_name);
      if (tw->media) {
        ASSERT_EQ(Slice(tw->text, tw->media->start, tw->media->end), tw->media->url);
      }
    }
    if (t.retweeted) {
      EXPECT_LE(t.text_length, 140);
      EXPECT_EQ(t.text.rfind("RT @", 0), 0u);
      EXPECT_LT(t.retweeted->id, t.id);
    }
  }
}

TEST(CorpusTest, TextsIncludeWhatBreaksNaiveTools) {
  const Corpus& c = Shared();
  std::string all;
  for (uint32_t i = 0; i < 2000; ++i) {
    all += c.StreamTweet(i).text;
    const UserProfile p = c.Profile(i);
    all += p.name + p.description + p.location;
  }
  for (const char* needle : {"{", "}", "\"", "\\", "\t", "\n", "\r\n", "&amp;", "&lt;",
                             "\U0001F600", "\u2764", "\u2708", "\u0416", "\u05e9"})
    EXPECT_NE(all.find(needle), std::string::npos) << needle;
}

}  // namespace
}  // namespace wf::apisim
