#include <gtest/gtest.h>

#include <set>

#include "apisim/endpoints_v2.h"
#include "apisim/shapes.h"
#include "apisim/shapes_v2.h"
#include "support-apisim/mini_json.h"
#include "support/test_paths.h"

namespace wf::apisim {
namespace {

using test::JValue;

constexpr int64_t kNow = 1667941331;
constexpr char kTweetFields[] =
    "created_at,public_metrics,entities,geo,lang,author_id,note_tweet,referenced_tweets";
constexpr char kUserFields[] =
    "created_at,description,entities,location,public_metrics,profile_image_url,protected,url,"
    "verified";

const Corpus& Shared() {
  static const Corpus corpus(CorpusConfig{.data_seed = 3, .now = kNow});
  return corpus;
}

JValue Parse(const Answer& a) {
  std::string error;
  auto v = test::ParseJson(a.body, &error);
  EXPECT_TRUE(v) << error << "\n" << a.body.substr(0, 300);
  return v.value_or(JValue{});
}

JValue Recorded(const char* name) {
  std::string error;
  auto v = test::ParseJson(wf::test::ReadTestdata(std::string("../v2/tweepy/") + name), &error);
  EXPECT_TRUE(v) << error;
  return v.value_or(JValue{});
}

Params ClientFields(Params p) {
  p.emplace("tweet.fields", kTweetFields);
  p.emplace("expansions", "author_id");
  p.emplace("user.fields", kUserFields);
  return p;
}

// Every page of a v2 listing, following next_token (or pagination_token) to the end.
template <typename Call>
std::vector<JValue> AllPages(Params p, const char* token_param, Call call) {
  std::vector<JValue> pages;
  for (int guard = 0; guard < 1000; ++guard) {
    const Answer a = call(p);
    EXPECT_EQ(a.status, 200) << a.body.substr(0, 300);
    if (a.status != 200) break;
    pages.push_back(Parse(a));
    const JValue* next = pages.back()["meta"].Find("next_token");
    if (!next) break;
    p.erase(token_param);
    p.emplace(token_param, next->text);
  }
  return pages;
}

std::vector<std::string> Ids(const std::vector<JValue>& pages) {
  std::vector<std::string> ids;
  for (const JValue& page : pages)
    for (const JValue& item : page["data"].items) ids.push_back(item["id"].text);
  return ids;
}

void ExpectInvalid(const Answer& a, const std::string& parameter) {
  EXPECT_EQ(a.status, 400);
  const JValue v = Parse(a);
  EXPECT_EQ(v["title"].text, "Invalid Request");
  EXPECT_EQ(v["type"].text, "https://api.twitter.com/2/problems/invalid-request");
  ASSERT_EQ(v["errors"].items.size(), 1u) << a.body;
  EXPECT_TRUE(v["errors"].items[0]["parameters"].Find(parameter)) << a.body;
}

TEST(V2SearchTest, RecentPagesReachSevenDaysAndHoldTheV1Results) {
  const Corpus& corpus = Shared();
  const auto pages = AllPages({{"query", "skein twitter"}, {"max_results", "100"}}, "next_token",
                              [&](const Params& p) { return v2::Search(corpus, p, false); });
  ASSERT_GT(pages.size(), 150u);
  for (size_t i = 0; i + 1 < pages.size(); ++i) {
    const JValue& meta = pages[i]["meta"];
    ASSERT_EQ(pages[i]["data"].items.size(), 100u);
    EXPECT_EQ(meta["result_count"].text, "100");
    EXPECT_EQ(meta["newest_id"].text, pages[i]["data"].items.front()["id"].text);
    EXPECT_EQ(meta["oldest_id"].text, pages[i]["data"].items.back()["id"].text);
  }
  EXPECT_FALSE(pages.back()["meta"].Find("next_token"));
  const std::vector<std::string> ids = Ids(pages);

  // The v1.1 search of the same query, cut at the recent search's reach.
  std::vector<std::string> expected;
  const uint64_t earliest = SnowflakeId((kNow - 7 * 86400) * 1000, 0);
  const auto query = Query::Parse("skein twitter");
  for (uint32_t i = 0; i < corpus.StreamSize(); ++i) {
    const uint64_t id = corpus.StreamId(i);
    if (id < earliest) break;
    if (query->Matches(MakeSearchDoc(corpus, corpus.StreamTweet(i))))
      expected.push_back(std::to_string(id));
  }
  EXPECT_EQ(ids, expected);
}

TEST(V2SearchTest, OperatorsBoundsAndPagingParameters) {
  const Corpus& corpus = Shared();
  auto search = [&](Params p, bool all = false) { return v2::Search(corpus, p, all); };
  // lang: and point_radius: pick what the v1.1 lang and geocode parameters pick.
  Params v1 = {{"q", "skein"}, {"count", "100"}, {"lang", "de"}, {"tweet_mode", "extended"}};
  const JValue german = JValue(test::ParseJson(SearchTweets(corpus, v1).body).value());
  const JValue german2 = Parse(search({{"query", "skein lang:de"}, {"max_results", "100"}}));
  ASSERT_FALSE(german["statuses"].items.empty());
  ASSERT_EQ(german["statuses"].items.size(), german2["data"].items.size());
  for (size_t i = 0; i < german2["data"].items.size(); ++i)
    EXPECT_EQ(german["statuses"].items[i]["id_str"].text, german2["data"].items[i]["id"].text);
  v1 = {{"q", "skein"}, {"count", "100"}, {"geocode", "55.95,-3.19,300km"}};
  const JValue near = JValue(test::ParseJson(SearchTweets(corpus, v1).body).value());
  const JValue near2 = Parse(
      search({{"query", "skein point_radius:[-3.19 55.95 300km]"}, {"max_results", "100"}}, true));
  ASSERT_FALSE(near["statuses"].items.empty());
  ASSERT_EQ(near["statuses"].items.size(), near2["data"].items.size());
  for (size_t i = 0; i < near2["data"].items.size(); ++i)
    EXPECT_EQ(near["statuses"].items[i]["id_str"].text, near2["data"].items[i]["id"].text);
  ExpectInvalid(search({{"query", "skein point_radius:[-3.19 55.95]"}}), "query");

  ExpectInvalid(search({{"query", ""}}), "query");
  ExpectInvalid(search({{"query", "skein"}, {"max_results", "9"}}), "max_results");
  ExpectInvalid(search({{"query", "skein"}, {"max_results", "101"}}), "max_results");
  EXPECT_EQ(Parse(search({{"query", "skein"}, {"max_results", "500"}}, true))["data"].items.size(),
            500u);
  EXPECT_EQ(Parse(search({{"query", "skein"}}))["data"].items.size(), 10u);
  ExpectInvalid(search({{"query", "skein"}, {"next_token", "b26v89c19zqg8o3fnotatoken"}}),
                "next_token");
  ExpectInvalid(search({{"query", "skein"}, {"tweet.fields", "created_at,colour"}}),
                "tweet.fields");

  // start_time: recent refuses what lies beyond its reach, full-archive serves it.
  const std::string old = IsoDate(kNow - 9 * 86400);
  ExpectInvalid(search({{"query", "skein"}, {"start_time", old}}), "start_time");
  ExpectInvalid(search({{"query", "skein"}, {"start_time", "2022-11-01 10:00"}}), "start_time");
  const JValue before =
      Parse(search({{"query", "skein"}, {"end_time", old}, {"tweet.fields", "created_at"}}, true));
  ASSERT_FALSE(before["data"].items.empty());
  for (const JValue& t : before["data"].items)
    EXPECT_LT(v2::ReadTime(t["created_at"].text).value(), kNow - 9 * 86400);

  // since_id and until_id are exclusive bounds.
  const JValue first = Parse(search({{"query", "skein"}, {"max_results", "20"}}));
  const std::string top = first["data"].items[0]["id"].text;
  const std::string tenth = first["data"].items[9]["id"].text;
  const JValue between =
      Parse(search({{"query", "skein"}, {"since_id", tenth}, {"until_id", top}}));
  ASSERT_EQ(between["data"].items.size(), 8u);
  EXPECT_EQ(between["data"].items[0]["id"].text, first["data"].items[1]["id"].text);
  EXPECT_FALSE(between["meta"].Find("next_token"));
  const JValue none = Parse(search({{"query", "skein"}, {"since_id", top}}));
  EXPECT_FALSE(none.Find("data"));
  EXPECT_EQ(none["meta"].Keys(), std::vector<std::string>{"result_count"});
}

TEST(V2ShapeTest, DefaultFieldsAndMemberOrderFollowTheRecordedAnswers) {
  const Corpus& corpus = Shared();
  const JValue mine = Parse(v2::Search(corpus, {{"query", "skein"}}, false));
  const JValue recorded = Recorded("search_recent.json");
  EXPECT_EQ(mine.Keys(), recorded.Keys());
  EXPECT_EQ(mine["meta"].Keys(), recorded["meta"].Keys());
  EXPECT_EQ(mine["data"].items[0].Keys(), recorded["data"].items[0].Keys());
  EXPECT_EQ(mine["data"].items[0]["edit_history_tweet_ids"].items[0].text,
            mine["data"].items[0]["id"].text);
  const JValue timeline = Parse(v2::UserTweets(
      corpus, std::to_string(corpus.Key(accounts::kTeam).id), {{"max_results", "5"}}));
  EXPECT_EQ(timeline["meta"].Keys(), Recorded("users_tweets.json")["meta"].Keys());

  const JValue users = Parse(v2::UsersByNames(corpus, {{"usernames", "skein_team,skein_small"}}));
  EXPECT_EQ(users.Keys(), Recorded("users_by.json").Keys());
  EXPECT_EQ(users["data"].items[1].Keys(), Recorded("users_by.json")["data"].items[1].Keys());
  EXPECT_EQ(users["data"].items[0]["username"].text, "skein_team");
  const JValue one = Parse(v2::UserByName(corpus, "SKEIN_SMALL", {}));
  EXPECT_EQ(one.Keys(), Recorded("user_by_username.json").Keys());
  EXPECT_EQ(one["data"]["username"].text, "skein_small");

  // Asked-for fields appear; raw UTF-8, upper-case surrogate escapes, "/" unescaped.
  const Answer full = v2::UserByName(corpus, "skein_team", {{"user.fields", kUserFields}});
  const JValue team = Parse(full);
  EXPECT_EQ(team["data"].Keys(),
            (std::vector<std::string>{"id", "name", "username", "created_at", "description",
                                      "entities", "location", "profile_image_url", "protected",
                                      "public_metrics", "url", "verified"}));
  EXPECT_NE(full.body.find("Skein \u2014 questions"), std::string::npos);
  EXPECT_NE(full.body.find("\"https://t.co/"), std::string::npos);
  EXPECT_EQ(team["data"]["public_metrics"]["followers_count"].text, "5237");
  std::string out;
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.String("a\"\\/\t\x01 \u00e9 \U0001F941");
  EXPECT_EQ(out, "\"a\\\"\\\\/\\t\\u0001 \u00e9 \\uD83E\\uDD41\"");
}

TEST(V2ShapeTest, LongPostsCarryANoteWithTheWholeText) {
  const Corpus& corpus = Shared();
  Tweet t = corpus.StreamTweet(0);
  std::string text;
  while (TwitterLength(text) < 300) text += "skein \u00e9t\u00e9 ";
  const int at = TwitterLength(text);
  text += "https://t.co/abcdefghij";
  t.text = text;
  t.text_length = TwitterLength(text);
  t.hashtags.clear();
  t.mentions.clear();
  t.urls = {UrlEntity{"https://t.co/abcdefghij", "https://example.org/long", "example.org/long", at,
                      at + 23}};
  std::string out;
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  v2::Fields fields;
  fields.tweet = v2::kNoteTweet | v2::kEntities;
  v2::WriteTweet(w, corpus, t, fields);
  const JValue v = test::ParseJson(out).value();
  EXPECT_EQ(TwitterLength(v["text"].text), v2::kNoteThreshold);
  EXPECT_EQ(v["text"].text.substr(v["text"].text.size() - 3), "\u2026");
  EXPECT_FALSE(v.Find("entities")) << "the link lies beyond the cut";
  EXPECT_EQ(v["note_tweet"]["text"].text, text);
  EXPECT_EQ(v["note_tweet"]["entities"]["urls"].items[0]["expanded_url"].text,
            "https://example.org/long");
  fields.tweet = 0;
  out.clear();
  JsonWriter plain(out, JsonWriter::Strings::kUtf8);
  v2::WriteTweet(plain, corpus, t, fields);
  EXPECT_FALSE(test::ParseJson(out).value().Find("note_tweet"));
}

TEST(V2TimelineTest, PagesTheV1TimelineToItsReach) {
  const Corpus& corpus = Shared();
  const std::string team = std::to_string(corpus.Key(accounts::kTeam).id);
  const auto pages = AllPages({{"max_results", "100"}}, "pagination_token", [&](const Params& p) {
    return v2::UserTweets(corpus, team, ClientFields(p));
  });
  const std::vector<std::string> ids = Ids(pages);
  ASSERT_EQ(ids.size(), kTimelineCap);
  EXPECT_EQ(pages.size(), 32u);
  for (uint32_t i = 0; i < kTimelineCap; i += 97)
    EXPECT_EQ(ids[i], std::to_string(corpus.TimelineId(accounts::kTeam, i)));
  EXPECT_EQ(pages[0]["includes"]["users"].items.size(), 1u);

  const JValue since = Parse(v2::UserTweets(corpus, team, {{"since_id", ids[7]}}));
  EXPECT_EQ(since["meta"]["result_count"].text, "7");
  EXPECT_FALSE(since["meta"].Find("next_token"));
  const JValue own = Parse(v2::UserTweets(corpus, team,
                                          {{"max_results", "100"},
                                           {"exclude", "retweets,replies"},
                                           {"tweet.fields", "referenced_tweets"}}));
  for (const JValue& t : own["data"].items)
    for (const JValue& r : t["referenced_tweets"].items)
      EXPECT_EQ(r["type"].text, "quoted") << "no retweets or replies";
  ExpectInvalid(v2::UserTweets(corpus, team, {{"max_results", "4"}}), "max_results");
  ExpectInvalid(v2::UserTweets(corpus, "skein_team", {}), "id");

  const JValue locked =
      Parse(v2::UserTweets(corpus, std::to_string(corpus.Key(accounts::kPrivate).id), {}));
  EXPECT_FALSE(locked.Find("data"));
  EXPECT_EQ(locked["errors"].items[0]["title"].text, "Authorization Error");
  const JValue unknown = Parse(v2::UserTweets(corpus, "12", {}));
  EXPECT_EQ(unknown["errors"].items[0]["title"].text, "Not Found Error");
  EXPECT_EQ(unknown["errors"].items[0]["detail"].text, "Could not find user with id: [12].");
  EXPECT_EQ(
      Parse(v2::UserTweets(corpus, std::to_string(corpus.Key(accounts::kQuiet).id), {})).Keys(),
      std::vector<std::string>{"meta"});
}

TEST(V2FollowsTest, ListsPageInTheOrderOfTheV1Lists) {
  const Corpus& corpus = Shared();
  const std::string team = std::to_string(corpus.Key(accounts::kTeam).id);
  for (const bool following : {false, true}) {
    const auto pages =
        AllPages({{"max_results", "1000"}}, "pagination_token",
                 [&](const Params& p) { return v2::Follows(corpus, team, p, following); });
    const std::vector<std::string> ids = Ids(pages);
    const uint32_t total = following ? accounts::kTeamFriends : accounts::kTeamFollowers;
    ASSERT_EQ(ids.size(), total);
    EXPECT_EQ(pages.size(), (total + 999) / 1000);
    for (uint32_t i = 0; i < total; ++i) {
      const uint32_t member =
          following ? corpus.FriendAt(accounts::kTeam, i) : corpus.FollowerAt(accounts::kTeam, i);
      ASSERT_EQ(ids[i], std::to_string(corpus.Key(member).id)) << i;
    }
  }
  const JValue small = Parse(v2::Follows(corpus, std::to_string(corpus.Key(accounts::kSmall).id),
                                         {{"user.fields", "verified"}}, false));
  EXPECT_EQ(small["meta"].Keys(), std::vector<std::string>{"result_count"});
  EXPECT_EQ(small["data"].items.size(), 12u);
  EXPECT_TRUE(small["data"].items[0].Find("verified"));
  ExpectInvalid(v2::Follows(corpus, team, {{"max_results", "1001"}}, false), "max_results");
  ExpectInvalid(v2::Follows(corpus, team, {{"pagination_token", "7140dibdnow9c7bt"}}, true),
                "pagination_token");
}

TEST(V2UsersTest, LookupsListWhatTheyCannotFindAndPartialTakesAShare) {
  const Corpus& corpus = Shared();
  const JValue by = Parse(v2::UsersByNames(corpus, {{"usernames", "skein_team,no_such_name"}}));
  ASSERT_EQ(by["data"].items.size(), 1u);
  ASSERT_EQ(by["errors"].items.size(), 1u);
  const JValue& e = by["errors"].items[0];
  EXPECT_EQ(e.Keys(), (std::vector<std::string>{"value", "detail", "title", "resource_type",
                                                "parameter", "resource_id", "type"}));
  EXPECT_EQ(e["detail"].text, "Could not find user with usernames: [no_such_name].");
  EXPECT_EQ(e["parameter"].text, "usernames");
  EXPECT_EQ(e["type"].text, "https://api.twitter.com/2/problems/resource-not-found");
  const JValue missing_only = Parse(v2::UsersByIds(corpus, {{"ids", "12,13"}}));
  EXPECT_EQ(missing_only.Keys(), std::vector<std::string>{"errors"});
  ExpectInvalid(v2::UsersByNames(corpus, {{"usernames", "skein team"}}), "usernames");
  ExpectInvalid(v2::UsersByIds(corpus, {{"ids", "12,x"}}), "ids");

  std::string names, ids;
  for (uint32_t u = 10; u < 110; ++u) {
    names += (names.empty() ? "" : ",") + corpus.Key(u).screen_name;
    ids += (ids.empty() ? "" : ",") + std::to_string(corpus.Key(u).id);
  }
  ExpectInvalid(v2::UsersByIds(corpus, {{"ids", ids + ",12"}}), "ids");
  v2::Knobs knobs;
  knobs.partial = 0.3;
  const JValue a = Parse(v2::UsersByNames(corpus, {{"usernames", names}}, knobs));
  const JValue b = Parse(v2::UsersByIds(corpus, {{"ids", ids}}, knobs));
  const size_t lost = a["errors"].items.size();
  EXPECT_GT(lost, 15u);
  EXPECT_LT(lost, 45u);
  EXPECT_EQ(a["data"].items.size() + lost, 100u);
  // The same accounts go missing whichever way they are asked for.
  ASSERT_EQ(b["data"].items.size(), a["data"].items.size());
  for (size_t i = 0; i < lost; ++i) {
    const auto user = corpus.FindUserByName(a["errors"].items[i]["value"].text);
    ASSERT_TRUE(user);
    EXPECT_EQ(b["errors"].items[i]["value"].text, std::to_string(corpus.Key(*user).id));
  }
}

TEST(V2LookupTest, FindsEveryStreamAndTimelineTweetById) {
  const Corpus& corpus = Shared();
  for (uint32_t i = 0; i < corpus.StreamSize(); i += 331) {
    const auto ref = corpus.FindTweet(corpus.StreamId(i));
    ASSERT_TRUE(ref) << i;
    EXPECT_FALSE(ref->timeline);
    EXPECT_EQ(ref->position, i);
  }
  int checked = 0;
  for (uint32_t u = 0; u < corpus.UserCount(); u += 97) {
    const uint32_t size = corpus.TimelineSize(u);
    for (uint32_t p = 0; p < size; p += 1 + size / 5) {
      const uint64_t id = corpus.TimelineId(u, p);
      const auto ref = corpus.FindTweet(id);
      ASSERT_TRUE(ref) << u << " " << p;
      EXPECT_TRUE(ref->timeline);
      EXPECT_EQ(corpus.TweetAt(*ref).id, id);
      ++checked;
    }
  }
  EXPECT_GT(checked, 1000);
  EXPECT_FALSE(corpus.FindTweet(corpus.StreamId(3) + 1));
  EXPECT_FALSE(corpus.FindTweet(17));
}

TEST(V2LookupTest, TweetsByIdInBothVersions) {
  const Corpus& corpus = Shared();
  const uint64_t s0 = corpus.StreamId(5), s1 = corpus.StreamId(900);
  const uint64_t t0 = corpus.TimelineId(accounts::kSmall, 3);
  const uint64_t locked = corpus.TimelineId(accounts::kPrivate, 0);
  const std::string list = std::to_string(s0) + "," + std::to_string(t0) + ",123," +
                           std::to_string(locked) + "," + std::to_string(s1) + "," +
                           std::to_string(s0);
  const JValue v2page = Parse(v2::TweetsLookup(corpus, ClientFields({{"ids", list}})));
  ASSERT_EQ(v2page["data"].items.size(), 3u);
  EXPECT_EQ(v2page["data"].items[0]["id"].text, std::to_string(s0));
  EXPECT_EQ(v2page["data"].items[1]["id"].text, std::to_string(t0));
  EXPECT_EQ(v2page["data"].items[2]["id"].text, std::to_string(s1));
  EXPECT_EQ(v2page["includes"]["users"].items.size(), 3u);
  ASSERT_EQ(v2page["errors"].items.size(), 2u);
  EXPECT_EQ(v2page["errors"].items[0]["detail"].text, "Could not find tweet with ids: [123].");
  EXPECT_EQ(v2page["errors"].items[1]["title"].text, "Authorization Error");

  const JValue v1 =
      test::ParseJson(StatusesLookup(corpus, {{"id", list}, {"tweet_mode", "extended"}}).body)
          .value();
  ASSERT_EQ(v1.items.size(), 3u);
  EXPECT_EQ(v1.items[1]["id_str"].text, std::to_string(t0));
  EXPECT_TRUE(v1.items[1].Find("full_text"));
  EXPECT_EQ(StatusesLookup(corpus, {{"id", ""}}).status, 400);

  // deleted: the same ids go in both versions, listed as deleted in v2.
  std::string many;
  for (uint32_t i = 0; i < 100; ++i) many += (i ? "," : "") + std::to_string(corpus.StreamId(i));
  v2::Knobs knobs;
  knobs.deleted = 0.25;
  const JValue kept = Parse(v2::TweetsLookup(corpus, {{"ids", many}}, knobs));
  const JValue kept1 = test::ParseJson(StatusesLookup(corpus, {{"id", many}}, 0.25).body).value();
  const size_t gone = kept["errors"].items.size();
  EXPECT_GT(gone, 10u);
  EXPECT_LT(gone, 40u);
  ASSERT_EQ(kept1.items.size(), 100 - gone);
  for (size_t i = 0; i < kept1.items.size(); ++i)
    EXPECT_EQ(kept1.items[i]["id_str"].text, kept["data"].items[i]["id"].text);
  EXPECT_NE(kept["errors"].items[0]["detail"].text.find("deleted"), std::string::npos);
  EXPECT_EQ(kept["errors"].items[0]["title"].text, "Not Found Error");
  ExpectInvalid(v2::TweetsLookup(corpus, {{"ids", many + ",1"}}), "ids");
}

}  // namespace
}  // namespace wf::apisim
