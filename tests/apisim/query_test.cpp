#include "apisim/query.h"

#include <gtest/gtest.h>

namespace wf::apisim {
namespace {

SearchDoc Doc(std::string_view text) {
  SearchDoc doc;
  doc.words = SearchWords(text);
  doc.author = "ana_sousa";
  doc.lang = "en";
  doc.created_at = 1667900000;  // 2022-11-08
  return doc;
}

bool Match(std::string_view query, const SearchDoc& doc) {
  const auto q = Query::Parse(query);
  EXPECT_TRUE(q) << query;
  return q && q->Matches(doc);
}

TEST(SearchWordsTest, SplitsOnPunctuationSymbolsAndEmoji) {
  EXPECT_EQ(SearchWords("\u201cSkein makes Twitter\u2019s day\u201d \u2764\uFE0F#rstats"),
            (std::vector<std::string>{"skein", "makes", "twitter", "s", "day", "rstats"}));
  EXPECT_EQ(SearchWords("Twitter-Daten\tSkein&amp;co \U0001F9F6yarn"),
            (std::vector<std::string>{"twitter", "daten", "skein", "co", "yarn"}));
  EXPECT_EQ(SearchWords("Caf\u00e9 \u6771\u4eac @skein_team"),
            (std::vector<std::string>{"caf\u00e9", "\u6771\u4eac", "skein_team"}));
}

TEST(QueryTest, WordsAndExplicitAndAreConjunctions) {
  const SearchDoc doc = Doc("Pulled tweets with Skein. Twitter search is fast");
  EXPECT_TRUE(Match("skein AND twitter", doc));
  EXPECT_TRUE(Match("SKEIN twitter", doc));
  EXPECT_FALSE(Match("skein AND knitting", doc));
  EXPECT_FALSE(Match("skei", doc));  // whole words only
}

TEST(QueryTest, PhrasesNeedAdjacentWordsInOrder) {
  const SearchDoc doc = Doc("A skein of geese flew over");
  EXPECT_TRUE(Match("\"skein of geese\"", doc));
  EXPECT_FALSE(Match("\"geese of skein\"", doc));
  EXPECT_FALSE(Match("\"skein geese\"", doc));
  EXPECT_TRUE(Match("\"skein of geese", doc));  // an unclosed quote runs to the end
}

TEST(QueryTest, OrBindsTighterThanAnd) {
  EXPECT_TRUE(Match("skein twitter OR wool", Doc("skein and wool")));
  EXPECT_FALSE(Match("skein twitter OR wool", Doc("twitter and wool")));
  EXPECT_TRUE(Match("(skein twitter) OR wool", Doc("just wool")));
  EXPECT_TRUE(Match("a OR b OR c", Doc("c")));
}

TEST(QueryTest, ExclusionAppliesToWordsPhrasesGroupsAndOperators) {
  const SearchDoc doc = Doc("skein of merino wool");
  EXPECT_TRUE(Match("skein -twitter", doc));
  EXPECT_FALSE(Match("skein -wool", doc));
  EXPECT_FALSE(Match("skein -\"merino wool\"", doc));
  EXPECT_FALSE(Match("skein -(cotton OR merino)", doc));
  EXPECT_FALSE(Match("skein -from:ana_sousa", doc));
  EXPECT_TRUE(Match("skein -lang:fr", doc));
}

TEST(QueryTest, OperatorsReadTheirFields) {
  SearchDoc doc = Doc("skein release notes");
  doc.hashtags = {"skein"};
  doc.mentions = {"skein_team"};
  doc.is_retweet = true;
  doc.has_links = true;
  EXPECT_TRUE(Match("from:Ana_Sousa", doc));
  EXPECT_TRUE(Match("from:@ana_sousa", doc));
  EXPECT_FALSE(Match("from:skein_team", doc));
  EXPECT_TRUE(Match("#Skein", doc));
  EXPECT_FALSE(Match("#release", doc));  // a plain word is not a hashtag
  EXPECT_TRUE(Match("@skein_team notes", doc));
  EXPECT_TRUE(Match("to:skein_team", doc));
  EXPECT_TRUE(Match("lang:en skein", doc));
  EXPECT_TRUE(Match("skein filter:retweets filter:links", doc));
  EXPECT_FALSE(Match("skein -filter:retweets", doc));
  EXPECT_FALSE(Match("skein filter:media", doc));
  EXPECT_TRUE(Match("skein since:2022-11-08 until:2022-11-09", doc));
  EXPECT_FALSE(Match("skein since:2022-11-09", doc));
  EXPECT_FALSE(Match("skein until:2022-11-08", doc));
}

TEST(QueryTest, RejectsQueriesWithoutAPositiveTerm) {
  for (const char* q : {"", "   ", "-twitter", "OR", "-(a b)", "!!!"}) {
    std::string error;
    EXPECT_FALSE(Query::Parse(q, &error)) << q;
    EXPECT_FALSE(error.empty()) << q;
  }
  EXPECT_TRUE(Query::Parse("skein)"));  // a stray parenthesis is not fatal
}

TEST(GeocodeTest, ParsesMilesAndKilometresAndMeasuresDistance) {
  const auto km = Geocode::Parse("55.9533,-3.1883,10km");
  ASSERT_TRUE(km);
  EXPECT_DOUBLE_EQ(km->radius_km, 10);
  EXPECT_TRUE(km->Contains(55.9, -3.2));         // Edinburgh
  EXPECT_FALSE(km->Contains(55.8642, -4.2518));  // Glasgow, ~67 km away

  const auto mi = Geocode::Parse("38.8951,-77.0364,50mi");
  ASSERT_TRUE(mi);
  EXPECT_NEAR(mi->radius_km, 80.4672, 1e-9);
  EXPECT_TRUE(mi->Contains(39.2904, -76.6122));   // Baltimore, ~56 km
  EXPECT_FALSE(mi->Contains(39.9526, -75.1652));  // Philadelphia, ~199 km

  for (const char* bad :
       {"", "1,2", "1,2,3", "1,2,3yd", "91,0,1km", "0,181,1km", "a,b,1km", "1,2,-5km"})
    EXPECT_FALSE(Geocode::Parse(bad)) << bad;
}

}  // namespace
}  // namespace wf::apisim
