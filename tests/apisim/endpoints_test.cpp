#include "apisim/endpoints.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support-apisim/mini_json.h"
#include "support/test_paths.h"

namespace wf::apisim {
namespace {

using test::JValue;

constexpr int64_t kNow = 1667941331;

const Corpus& Shared() {
  static const Corpus corpus(CorpusConfig{.data_seed = 3, .now = kNow});
  return corpus;
}

JValue Parse(const std::string& body) {
  std::string error;
  auto v = test::ParseJson(body, &error);
  EXPECT_TRUE(v) << error << "\n" << body.substr(0, 300);
  return v.value_or(JValue{});
}

JValue Recorded(const char* name) {
  return Parse(wf::test::ReadTestdata(name));
}

uint64_t IdOf(const JValue& v) {
  return std::stoull(v["id_str"].text);
}

// Members present in both objects stand in the same order in both, and every member of
// `mine` is one the real service sends somewhere.
void ExpectOrderLike(const JValue& mine, const JValue& reference,
                     const std::set<std::string>& optional = {}) {
  std::vector<std::string> a, b;
  for (const auto& k : mine.Keys())
    if (reference.Find(k)) a.push_back(k);
  for (const auto& k : reference.Keys())
    if (mine.Find(k)) b.push_back(k);
  EXPECT_EQ(a, b);
  for (const auto& k : mine.Keys())
    EXPECT_TRUE(reference.Find(k) || optional.count(k)) << "unexpected member " << k;
  for (const auto& k : reference.Keys())
    EXPECT_TRUE(mine.Find(k) || optional.count(k)) << "missing member " << k;
}

Answer Search(const Params& p) {
  return SearchTweets(Shared(), p);
}

Params DefaultSearch() {
  return {{"q", "skein AND twitter"}, {"count", "100"},          {"lang", ""}, {"geocode", ""},
          {"result_type", "Recent"},  {"tweet_mode", "extended"}};
}

TEST(SearchEndpointTest, DefaultQuerySpansTwoHundredPagesBeforeSevenDays) {
  Params p = DefaultSearch();
  std::set<uint64_t> seen;
  uint64_t previous = UINT64_MAX;
  int pages = 0, pages_before_threshold = 0;
  const int64_t threshold = kNow - 7 * 86400;
  while (true) {
    const Answer a = Search(p);
    ASSERT_EQ(a.status, 200);
    const JValue page = Parse(a.body);
    const auto& statuses = page["statuses"].items;
    const JValue& meta = page["search_metadata"];
    if (statuses.empty()) {
      EXPECT_FALSE(meta.Find("next_results")) << "the end carries no next_results";
      break;
    }
    ++pages;
    ASSERT_LE(statuses.size(), 100u);
    for (const auto& t : statuses) {
      const uint64_t id = IdOf(t);
      ASSERT_LT(id, previous);
      ASSERT_TRUE(seen.insert(id).second);
      previous = id;
    }
    if (SnowflakeMs(previous) / 1000 >= threshold) pages_before_threshold = pages;
    EXPECT_EQ(meta["max_id_str"].text, statuses.front()["id_str"].text);
    const std::string next = meta["next_results"].text;
    ASSERT_EQ(next.rfind("?max_id=" + std::to_string(previous - 1) + "&q=skein%20AND%20twitter", 0),
              0u)
        << next;
    p.erase("max_id");
    p.emplace("max_id", std::to_string(previous - 1));
  }
  EXPECT_GE(seen.size(), 20000u);
  EXPECT_GE(pages_before_threshold, 200);
  EXPECT_GT(pages, pages_before_threshold);
  EXPECT_GE(SnowflakeMs(previous) / 1000, kNow - 10 * 86400);
}

// Paging back by next_results keeps giving full pages; the time one takes is measured by
// bench/apisim_page_bench.
TEST(SearchEndpointTest, PagesBackSixtyTimesByNextResults) {
  Params p = DefaultSearch();
  uint64_t previous = UINT64_MAX;
  for (int page = 0; page < 60; ++page) {
    const Answer a = Search(p);
    ASSERT_EQ(a.status, 200);
    const JValue parsed = Parse(a.body);
    const auto& statuses = parsed["statuses"].items;
    ASSERT_EQ(statuses.size(), 100u) << "page " << page;
    EXPECT_LT(IdOf(statuses.front()), previous);
    previous = IdOf(statuses.back());
    const size_t at = a.body.find("\"next_results\":\"?max_id=");
    ASSERT_NE(at, std::string::npos);
    p.erase("max_id");
    p.emplace("max_id", a.body.substr(at + 24, a.body.find('&', at) - at - 24));
  }
}

TEST(SearchEndpointTest, ShapeFollowsRecordedResponses) {
  const JValue page = Parse(Search(DefaultSearch()).body);
  const JValue real = Recorded("rtweet/search_1.json");
  ExpectOrderLike(page, real);
  ExpectOrderLike(page["search_metadata"], real["search_metadata"]);
  EXPECT_EQ(page["search_metadata"]["query"].text, "skein+AND+twitter");
  EXPECT_EQ(page["search_metadata"]["count"].text, "100");

  const JValue& plain = real["statuses"].items[0];
  const JValue quote = Recorded("rtweet/timeline_3.json");
  const JValue* real_quote = nullptr;
  for (const auto& t : quote.items)
    if (t.Find("quoted_status_permalink")) real_quote = &t;
  ASSERT_TRUE(real_quote);
  const JValue* real_retweet = nullptr;
  const JValue timeline = Recorded("rtweet/timeline_2.json");
  for (const auto& t : timeline.items)
    if (t.Find("retweeted_status")) real_retweet = &t;
  ASSERT_TRUE(real_retweet);
  const JValue* real_place = nullptr;
  for (const auto& t : real["statuses"].items)
    if (!t["place"].IsNull()) real_place = &t["place"];
  ASSERT_TRUE(real_place);

  const std::set<std::string> optional = {
      "possibly_sensitive",      "extended_entities", "quoted_status_id", "quoted_status_id_str",
      "quoted_status_permalink", "quoted_status",     "retweeted_status", "metadata"};
  int retweets = 0, quotes = 0, places = 0;
  for (const auto& t : page["statuses"].items) {
    SCOPED_TRACE(t["id_str"].text);
    ExpectOrderLike(t, plain, optional);
    ExpectOrderLike(t["user"], plain["user"], {"profile_banner_url"});
    ExpectOrderLike(t["entities"], plain["entities"], {"media"});
    if (t.Find("retweeted_status")) {
      ++retweets;
      ExpectOrderLike(t, *real_retweet, optional);
      EXPECT_LE(t["full_text"].text.size(), 140u * 4);
      EXPECT_EQ(t["retweeted_status"]["metadata"]["result_type"].text, "recent");
    }
    if (t.Find("quoted_status")) {
      ++quotes;
      ExpectOrderLike(t, *real_quote, optional);
      ExpectOrderLike(t["quoted_status_permalink"], (*real_quote)["quoted_status_permalink"]);
    }
    if (!t["place"].IsNull()) {
      ++places;
      ExpectOrderLike(t["place"], *real_place);
      ExpectOrderLike(t["place"]["bounding_box"], (*real_place)["bounding_box"]);
    }
  }
  EXPECT_GT(retweets, 0);
  EXPECT_GT(quotes, 0);
  EXPECT_GT(places, 0);
}

TEST(SearchEndpointTest, BodiesAreSevenBitWithTwitterEscapes) {
  Params p = DefaultSearch();
  std::string bodies;
  for (int page = 0; page < 5; ++page) {
    const std::string body = Search(p).body;
    bodies += body;
    const JValue v = Parse(body);
    p.erase("max_id");
    p.emplace("max_id", std::to_string(IdOf(v["statuses"].items.back()) - 1));
  }
  for (const char c : bodies) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
  for (const char* needle :
       {"\\/", "\\\"", "\\\\", "\\n", "\\t", "&amp;", "\\u003ca href", "\\ud83", "\\u007b"})
    EXPECT_NE(bodies.find(needle), std::string::npos) << needle;
}

TEST(SearchEndpointTest, FiltersAndLimits) {
  Params p = DefaultSearch();
  p.erase("lang");
  p.emplace("lang", "es");
  const JValue spanish = Parse(Search(p).body);
  EXPECT_FALSE(spanish["statuses"].items.empty());
  for (const auto& t : spanish["statuses"].items) EXPECT_EQ(t["lang"].text, "es");

  p = DefaultSearch();
  p.erase("geocode");
  p.emplace("geocode", "55.9533,-3.1883,25km");
  const JValue near = Parse(Search(p).body);
  EXPECT_FALSE(near["statuses"].items.empty());
  for (const auto& t : near["statuses"].items) EXPECT_EQ(t["place"]["name"].text, "Edinburgh");
  EXPECT_NE(near["search_metadata"]["next_results"].text.find("&geocode=55.9533%2C-3.1883%2C25km"),
            std::string::npos);

  p = DefaultSearch();
  p.erase("count");
  p.emplace("count", "500");
  EXPECT_EQ(Parse(Search(p).body)["statuses"].items.size(), 100u);
  p.erase("count");
  EXPECT_EQ(Parse(Search(p).body)["statuses"].items.size(), 15u);

  // since_id ends the page at that tweet, newest first.
  const JValue first = Parse(Search(DefaultSearch()).body);
  p = DefaultSearch();
  p.emplace("since_id", first["statuses"].items[10]["id_str"].text);
  EXPECT_EQ(Parse(Search(p).body)["statuses"].items.size(), 10u);

  p = DefaultSearch();
  p.erase("q");
  const Answer missing = Search(p);
  EXPECT_EQ(missing.status, 400);
  EXPECT_EQ(missing.body, R"({"errors":[{"code":25,"message":"Query parameters are missing."}]})");
  p = DefaultSearch();
  p.erase("geocode");
  p.emplace("geocode", "55.9,-3.1,far");
  EXPECT_EQ(Search(p).status, 400);

  p = DefaultSearch();
  p.erase("q");
  p.emplace("q", "\"skein of geese\" -twitter");
  const JValue geese = Parse(Search(p).body);
  EXPECT_FALSE(geese["statuses"].items.empty());
  for (const auto& t : geese["statuses"].items) {
    EXPECT_NE(t["full_text"].text.find("skein of geese"), std::string::npos) << t["full_text"].text;
    EXPECT_EQ(t["full_text"].text.find("Twitter"), std::string::npos);
  }
}

TEST(SearchEndpointTest, CompatibilityModeCutsLongTextsAndLinksToThemselves) {
  Params p = DefaultSearch();
  p.erase("tweet_mode");
  int truncated = 0;
  const JValue compat = Parse(Search(p).body);
  for (const auto& t : compat["statuses"].items) {
    EXPECT_FALSE(t.Find("full_text"));
    EXPECT_FALSE(t.Find("display_text_range"));
    if (t["truncated"].boolean) {
      ++truncated;
      const auto& urls = t["entities"]["urls"].items;
      ASSERT_FALSE(urls.empty());
      EXPECT_EQ(urls.back()["expanded_url"].text,
                "https://twitter.com/i/web/status/" + t["id_str"].text);
    }
  }
  EXPECT_GT(truncated, 0);
}

TEST(TimelineEndpointTest, PagesBackToTheNewest3200) {
  Params p = {{"count", "200"}, {"tweet_mode", "extended"}, {"screen_name", "skein_team"}};
  size_t total = 0;
  int pages = 0;
  uint64_t previous = UINT64_MAX;
  while (true) {
    const Answer a = UserTimeline(Shared(), p);
    ASSERT_EQ(a.status, 200);
    const JValue page = Parse(a.body);
    if (page.items.empty()) {
      EXPECT_EQ(a.body, "[]");
      break;
    }
    ++pages;
    for (const auto& t : page.items) {
      ASSERT_LT(IdOf(t), previous);
      previous = IdOf(t);
      ASSERT_EQ(t["user"]["screen_name"].text, "skein_team");
      ASSERT_FALSE(t.Find("metadata"));
    }
    total += page.items.size();
    p.erase("max_id");
    p.emplace("max_id", std::to_string(previous - 1));
  }
  EXPECT_EQ(total, 3200u);
  EXPECT_EQ(pages, 16);

  // The same account by id, with a larger count than allowed.
  const std::string id = std::to_string(Shared().Key(accounts::kTeam).id);
  const JValue by_id = Parse(UserTimeline(Shared(), {{"user_id", id}, {"count", "900"}}).body);
  EXPECT_EQ(by_id.items.size(), 200u);
  EXPECT_TRUE(by_id.items[0].Find("text"));  // no tweet_mode: compatibility shape
}

TEST(TimelineEndpointTest, ErrorsAndEmptyTimelines) {
  const Answer locked = UserTimeline(Shared(), {{"screen_name", "skein_private"}});
  EXPECT_EQ(locked.status, 401);
  EXPECT_EQ(locked.body,
            R"({"request":"\/1.1\/statuses\/user_timeline.json","error":"Not authorized."})");
  const Answer unknown = UserTimeline(Shared(), {{"screen_name", "nobody_at_all_x"}});
  EXPECT_EQ(unknown.status, 404);
  EXPECT_EQ(unknown.body,
            R"({"errors":[{"code":34,"message":"Sorry, that page does not exist."}]})");
  EXPECT_EQ(UserTimeline(Shared(), {{"screen_name", "skein_quiet"}}).body, "[]");
  const JValue no_rts = Parse(
      UserTimeline(Shared(),
                   {{"screen_name", "skein_team"}, {"count", "200"}, {"include_rts", "false"}})
          .body);
  EXPECT_LT(no_rts.items.size(), 200u);
  for (const auto& t : no_rts.items) EXPECT_FALSE(t.Find("retweeted_status"));
}

TEST(FollowListEndpointTest, CursorsWalkTheWholeListAndBack) {
  Params p = {{"screen_name", "skein_team"}, {"user_id", ""}, {"count", "200"}, {"cursor", "-1"}};
  std::set<std::string> ids;
  std::vector<std::string> previous_cursors;
  std::vector<std::string> first_ids;
  int pages = 0;
  while (true) {
    const JValue page = Parse(FollowList(Shared(), p, false).body);
    ++pages;
    ExpectOrderLike(page, Recorded("tweepy/followers_list_1.json"));
    EXPECT_EQ(page["next_cursor"].text, page["next_cursor_str"].text);
    EXPECT_EQ(page["previous_cursor"].text, page["previous_cursor_str"].text);
    previous_cursors.push_back(page["previous_cursor_str"].text);
    first_ids.push_back(page["users"].items.at(0)["id_str"].text);
    for (const auto& u : page["users"].items) ASSERT_TRUE(ids.insert(u["id_str"].text).second);
    const std::string next = page["next_cursor_str"].text;
    if (next == "0") break;
    EXPECT_GT(std::stoull(next), 1ULL << 53);
    p.erase("cursor");
    p.emplace("cursor", next);
  }
  EXPECT_EQ(ids.size(), Shared().Key(accounts::kTeam).followers);
  EXPECT_EQ(pages, 27);
  EXPECT_EQ(previous_cursors[0], "0");
  // The previous cursor of page 3 leads back to page 2.
  p.erase("cursor");
  p.emplace("cursor", previous_cursors[2]);
  EXPECT_EQ(Parse(FollowList(Shared(), p, false).body)["users"].items.at(0)["id_str"].text,
            first_ids[1]);

  p.erase("cursor");
  p.emplace("cursor", "1234567890123456789");
  const JValue forged = Parse(FollowList(Shared(), p, false).body);
  EXPECT_TRUE(forged["users"].items.empty());
  EXPECT_EQ(forged["next_cursor_str"].text, "0");
}

TEST(FollowListEndpointTest, FriendsIdsAndEmbeddedStatus) {
  const JValue friends =
      Parse(FollowList(Shared(), {{"screen_name", "skein_team"}, {"count", "200"}}, true).body);
  EXPECT_EQ(friends["users"].items.size(), 200u);
  const JValue real_user = Recorded("rtweet/users_lookup_1.json").items[0];
  int with_status = 0;
  for (const auto& u : friends["users"].items) {
    ExpectOrderLike(u, real_user, {"status", "profile_banner_url"});
    if (u.Find("status")) {
      ++with_status;
      ExpectOrderLike(u["status"], real_user["status"],
                      {"retweeted_status", "quoted_status_id", "quoted_status_id_str",
                       "quoted_status_permalink", "quoted_status", "possibly_sensitive",
                       "extended_entities", "place"});
      EXPECT_TRUE(u["status"].Find("text"));
    }
  }
  EXPECT_GT(with_status, 150);
  const JValue skip = Parse(
      FollowList(Shared(), {{"screen_name", "skein_team"}, {"skip_status", "true"}}, true).body);
  for (const auto& u : skip["users"].items) EXPECT_FALSE(u.Find("status"));

  const JValue ids = Parse(
      FollowerIds(Shared(), {{"cursor", "-1"}, {"screen_name", "skein_team"}, {"count", "5000"}})
          .body);
  ExpectOrderLike(ids, Recorded("rtweet/followers_ids_1.json"));
  ASSERT_EQ(ids["ids"].items.size(), 5000u);
  EXPECT_EQ(ids["ids"].items[0].kind, JValue::kNumber);
  const JValue list =
      Parse(FollowList(Shared(), {{"screen_name", "skein_team"}, {"count", "1"}}, false).body);
  EXPECT_EQ(ids["ids"].items[0].text, list["users"].items[0]["id_str"].text);
  const JValue rest = Parse(FollowerIds(Shared(), {{"cursor", ids["next_cursor_str"].text},
                                                   {"screen_name", "skein_team"},
                                                   {"stringify_ids", "true"}})
                                .body);
  EXPECT_EQ(rest["ids"].items.size(), Shared().Key(accounts::kTeam).followers - 5000);
  EXPECT_EQ(rest["ids"].items[0].kind, JValue::kString);
  EXPECT_EQ(rest["next_cursor_str"].text, "0");
}

TEST(LookupEndpointTest, NamesIdsAndMisses) {
  const Answer a = UsersLookup(Shared(), {{"screen_name",
                                           "SKEIN_team,nobody_at_all_x,skein_small,"
                                           "skein_private,skein_team,"}});
  ASSERT_EQ(a.status, 200);
  const JValue users = Parse(a.body);
  ASSERT_EQ(users.items.size(), 3u);
  EXPECT_EQ(users.items[0]["screen_name"].text, "skein_team");
  EXPECT_EQ(users.items[1]["screen_name"].text, "skein_small");
  EXPECT_TRUE(users.items[0].Find("status"));
  EXPECT_FALSE(users.items[2].Find("status"));  // protected
  EXPECT_TRUE(users.items[2]["protected"].boolean);

  const std::string ids =
      std::to_string(Shared().Key(5).id) + "," + std::to_string(Shared().Key(6).id) + ",1,";
  EXPECT_EQ(Parse(UsersLookup(Shared(), {{"user_id", ids}}).body).items.size(), 2u);

  const Answer none = UsersLookup(Shared(), {{"screen_name", "nobody_at_all_x,"}});
  EXPECT_EQ(none.status, 404);
  EXPECT_EQ(none.body,
            R"({"errors":[{"code":17,"message":"No user matches for specified terms."}]})");
  std::string many;
  for (int i = 0; i < 101; ++i)
    many += std::to_string(Shared().Key(static_cast<uint32_t>(i)).id) + ",";
  EXPECT_EQ(UsersLookup(Shared(), {{"user_id", many}}).status, 403);
}

}  // namespace
}  // namespace wf::apisim
