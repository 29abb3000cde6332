// A tweet read through v2 must make the row its v1.1 answer makes: the same text, date,
// links, place, counts and author, field by field as the mapping to v1.1 reads them.

#include <gtest/gtest.h>

#include <map>

#include "apisim/endpoints.h"
#include "apisim/endpoints_v2.h"
#include "apisim/shapes_v2.h"
#include "support-apisim/mini_json.h"

namespace wf::apisim {
namespace {

using test::JValue;

constexpr int64_t kNow = 1667941331;

const Corpus& Shared() {
  static const Corpus corpus(CorpusConfig{.data_seed = 11, .now = kNow});
  return corpus;
}

JValue Parse(const std::string& body) {
  std::string error;
  auto v = test::ParseJson(body, &error);
  EXPECT_TRUE(v) << error;
  return v.value_or(JValue{});
}

Params V2Fields(Params p) {
  p.emplace("tweet.fields",
            "created_at,public_metrics,entities,geo,lang,author_id,note_tweet,referenced_tweets");
  p.emplace("expansions", "author_id");
  p.emplace("user.fields",
            "created_at,description,entities,location,public_metrics,profile_image_url,"
            "protected,url,verified");
  return p;
}

std::string V1Date(const std::string& iso) {
  const auto t = v2::ReadTime(iso);
  EXPECT_TRUE(t) << iso;
  return t ? TwitterDate(*t) : std::string();
}

// (url, expanded_url, display_url) of each link, in order.
std::vector<std::string> Links(const JValue* urls) {
  std::vector<std::string> out;
  if (urls == nullptr) return out;
  for (const JValue& u : urls->items)
    out.push_back(u["url"].text + " " + u["expanded_url"].text + " " + u["display_url"].text);
  return out;
}

void ExpectSameUser(const JValue& v1, const JValue& v2user) {
  SCOPED_TRACE(v1["screen_name"].text);
  EXPECT_EQ(v2user["id"].text, v1["id_str"].text);
  EXPECT_EQ(v2user["username"].text, v1["screen_name"].text);
  EXPECT_EQ(v2user["name"].text, v1["name"].text);
  EXPECT_EQ(v2user["location"].text, v1["location"].text);
  EXPECT_EQ(v2user["description"].text, v1["description"].text);
  EXPECT_EQ(v2user["url"].text, v1["url"].IsNull() ? "" : v1["url"].text);
  const JValue& e1 = v1["entities"];
  const JValue* e2 = v2user.Find("entities");
  const JValue none;
  EXPECT_EQ(Links(e1["url"].Find("urls")), Links((e2 ? *e2 : none)["url"].Find("urls")));
  EXPECT_EQ(Links(e1["description"].Find("urls")),
            Links((e2 ? *e2 : none)["description"].Find("urls")));
  EXPECT_EQ(v2user["protected"].boolean, v1["protected"].boolean);
  EXPECT_EQ(v2user["verified"].boolean, v1["verified"].boolean);
  const JValue& m = v2user["public_metrics"];
  EXPECT_EQ(m["followers_count"].text, v1["followers_count"].text);
  EXPECT_EQ(m["following_count"].text, v1["friends_count"].text);
  EXPECT_EQ(m["listed_count"].text, v1["listed_count"].text);
  EXPECT_EQ(m["like_count"].text, v1["favourites_count"].text);
  EXPECT_EQ(m["tweet_count"].text, v1["statuses_count"].text);
  EXPECT_EQ(V1Date(v2user["created_at"].text), v1["created_at"].text);
}

// Compares the v1.1 tweets with a v2 page of the same tweets; returns how many were compared.
size_t ExpectSameTweets(const std::vector<JValue>& v1, const JValue& page) {
  std::map<std::string, const JValue*> authors;
  for (const JValue& u : page["includes"]["users"].items) authors[u["id"].text] = &u;
  const auto& data = page["data"].items;
  EXPECT_EQ(data.size(), v1.size());
  for (size_t i = 0; i < std::min(data.size(), v1.size()); ++i) {
    const JValue& a = v1[i];
    const JValue& b = data[i];
    SCOPED_TRACE(a["id_str"].text);
    EXPECT_EQ(b["id"].text, a["id_str"].text);
    EXPECT_EQ(V1Date(b["created_at"].text), a["created_at"].text);
    const JValue* note = b.Find("note_tweet");
    EXPECT_EQ(note ? (*note)["text"].text : b["text"].text, a["full_text"].text);
    EXPECT_EQ(Links((note ? (*note)["entities"] : b["entities"]).Find("urls")),
              Links(a["entities"].Find("urls")));
    const JValue* point = b["geo"].Find("coordinates");
    if (a["coordinates"].IsNull()) {
      EXPECT_FALSE(point);
    } else if (point != nullptr) {
      const auto& lonlat = (*point)["coordinates"].items;
      const auto& expected = a["coordinates"]["coordinates"].items;
      EXPECT_EQ(lonlat.size(), 2u);
      if (lonlat.size() != 2) continue;
      EXPECT_EQ(lonlat[0].text, expected[0].text);
      EXPECT_EQ(lonlat[1].text, expected[1].text);
    } else {
      ADD_FAILURE() << "v2 lost the point";
    }
    EXPECT_EQ(b["public_metrics"]["retweet_count"].text, a["retweet_count"].text);
    EXPECT_EQ(b["public_metrics"]["like_count"].text, a["favorite_count"].text);
    EXPECT_EQ(b["lang"].text, a["lang"].text);
    const auto author = authors.find(b["author_id"].text);
    if (author == authors.end()) {
      ADD_FAILURE() << "author missing from includes";
    } else {
      ExpectSameUser(a["user"], *author->second);
    }
  }
  return data.size();
}

TEST(V2EquivalenceTest, SearchPagesGiveTheV1Rows) {
  const Corpus& corpus = Shared();
  Params v1 = {{"q", "skein AND twitter"}, {"count", "100"}, {"tweet_mode", "extended"}};
  Params v2p = V2Fields({{"query", "skein twitter"}, {"max_results", "100"}});
  size_t compared = 0, points = 0, links = 0;
  for (int page = 0; page < 4; ++page) {
    const JValue a = Parse(SearchTweets(corpus, v1).body);
    const JValue b = Parse(v2::Search(corpus, v2p, false).body);
    compared += ExpectSameTweets(a["statuses"].items, b);
    for (const JValue& t : a["statuses"].items) {
      points += !t["coordinates"].IsNull();
      links += !t["entities"]["urls"].items.empty();
    }
    const std::string next = a["search_metadata"]["next_results"].text;
    v1.erase("max_id");
    v1.emplace("max_id", next.substr(8, next.find('&') - 8));
    v2p.erase("next_token");
    v2p.emplace("next_token", b["meta"]["next_token"].text);
  }
  EXPECT_EQ(compared, 400u);
  EXPECT_GT(points, 5u) << "the pages hold tweets with a point";
  EXPECT_GT(links, 50u);
}

TEST(V2EquivalenceTest, TimelinesAndLookupsGiveTheV1Rows) {
  const Corpus& corpus = Shared();
  for (const uint32_t user : {accounts::kTeam, accounts::kSmall, 77u, 1234u}) {
    if (corpus.Key(user).is_protected || corpus.TimelineSize(user) == 0) continue;
    const std::string id = std::to_string(corpus.Key(user).id);
    const JValue a = Parse(
        UserTimeline(corpus, {{"user_id", id}, {"count", "100"}, {"tweet_mode", "extended"}}).body);
    const JValue b = Parse(v2::UserTweets(corpus, id, V2Fields({{"max_results", "100"}})).body);
    EXPECT_GT(ExpectSameTweets(a.items, b), 0u);
  }
  // A lookup of a search page's ids answers as the search did.
  const JValue page = Parse(
      SearchTweets(corpus, {{"q", "skein"}, {"count", "100"}, {"tweet_mode", "extended"}}).body);
  std::string ids;
  for (const JValue& t : page["statuses"].items) ids += (ids.empty() ? "" : ",") + t["id_str"].text;
  const JValue v1 = Parse(StatusesLookup(corpus, {{"id", ids}, {"tweet_mode", "extended"}}).body);
  const JValue v2page = Parse(v2::TweetsLookup(corpus, V2Fields({{"ids", ids}})).body);
  EXPECT_EQ(ExpectSameTweets(v1.items, v2page), 100u);
  ASSERT_EQ(v1.items.size(), 100u);
  for (size_t i = 0; i < v1.items.size(); ++i)
    EXPECT_EQ(v1.items[i]["full_text"].text, page["statuses"].items[i]["full_text"].text);
}

}  // namespace
}  // namespace wf::apisim
