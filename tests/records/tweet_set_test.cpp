#include "records/tweet_set.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "json/json_deserializer.h"
#include "records/user_set.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "util/date_time.h"
#include "util/escapes.h"

namespace wf {
namespace {

std::string Tweet(const std::string& id, const std::string& date, const std::string& extra = "") {
  return R"({"created_at":")" + date + R"(","id_str":")" + id + R"(","text":"short",)" + extra +
         R"("user":{"id_str":"9","name":"N","screen_name":"sn)" + id +
         R"(","location":"L","description":"D","followers_count":5,"friends_count":6,"utc_offset":-3600,"statuses_count":77},"geo":null,"coordinates":null,"retweet_count":4})";
}

std::string Search(const std::string& tweets) {
  return R"({"statuses":[)" + tweets + R"(],"search_metadata":{"count":100}})";
}

TEST(TweetSet, SearchPageFieldsAndMetadataSkipped) {
  test::ScriptedUi ui;
  TweetSet tweets(&ui);
  tweets.SetData(
      Search(
          Tweet("20", "Wed Aug 27 13:08:45 +0000 2008",
                R"("full_text":"Long \u201cquoted\u201d &amp; more",)") +
          "," +
          Tweet(
              "1000", "Wed Aug 27 12:00:00 +0000 2008",
              R"("entities":{"urls":[{"expanded_url":"http:\/\/a.org"},{"expanded_url":"http:\/\/b.org"}]},)")),
      false, true);
  ASSERT_EQ(tweets.Count(), 2);
  EXPECT_EQ(tweets.LastSetDataSize(), 2);
  EXPECT_EQ(tweets.Text(1), "Long \"quoted\" & more");  // full_text wins over text
  EXPECT_EQ(tweets.Text(2), "short");
  EXPECT_EQ(tweets.ScreenName(1), "sn20");
  EXPECT_EQ(tweets.Followers(1), 5);
  EXPECT_EQ(tweets.Following(1), 6);
  EXPECT_EQ(tweets.UTC_Offset(1), "-1");
  EXPECT_EQ(tweets.UserTweets(1), 77);
  EXPECT_EQ(tweets.GeoCoords(1), "null");
  EXPECT_EQ(tweets.Retweeted(1), 4);
  EXPECT_EQ(tweets.LinkURL(2), "http://b.org");  // the last URL entity wins
  EXPECT_EQ(tweets.OldestTweetId(false), "1000");
  EXPECT_EQ(tweets.OldestTweetId(true), "0999");
  EXPECT_EQ(tweets.GetVBDateTime(1), "27/08/08 13:08:45");
  EXPECT_EQ(tweets.Text(0), "");
  EXPECT_EQ(tweets.Followers(3), 0);
  EXPECT_TRUE(ui.messages.empty());

  // Metadata is not a tweet even where a re-serialized response puts it first.
  TweetSet reordered;
  reordered.SetData(R"({"search_metadata":{"count":1},"statuses":[)" +
                        Tweet("5", "Wed Aug 27 13:08:45 +0000 2008") + "]}",
                    false, true);
  ASSERT_EQ(reordered.Count(), 1);
  EXPECT_EQ(reordered.TweetID(1), "5");
}

TEST(TweetSet, AppendKeepsOrderAndEmptyPagesReport) {
  test::ScriptedUi ui;
  TweetSet tweets(&ui);
  tweets.SetData(test::ReadTestdata("rtweet/search_1.json"), false, true);
  ASSERT_EQ(tweets.Count(), 100);
  const TweetRecord first = tweets.At(1);
  const TweetRecord last = tweets.At(100);
  tweets.SetData(test::ReadTestdata("rtweet/search_2.json"), true, true);
  EXPECT_EQ(tweets.Count(), 168);
  EXPECT_EQ(tweets.LastSetDataSize(), 68);
  EXPECT_EQ(tweets.At(1), first);
  EXPECT_EQ(tweets.At(100), last);
  EXPECT_EQ(tweets.OldestTweetId(false), "1586889046655401984");

  tweets.SetData(test::ReadTestdata("rtweet/search_3.json"), true, true);  // end of results
  EXPECT_EQ(tweets.Count(), 168);
  EXPECT_EQ(tweets.LastSetDataSize(), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "JSON response contained no records");
  tweets.SetData(test::ReadTestdata("rtweet/search_3.json"), false, true);
  EXPECT_EQ(tweets.Count(), 0);
}

TEST(TweetSetRealData, SearchRecordMatchesTheResponse) {
  TweetSet tweets;
  tweets.SetData(test::ReadTestdata("rtweet/search_1.json"), false, true);
  EXPECT_EQ(tweets.DateTime(1), "Tue Nov 08 21:02:11 +0000 2022");
  EXPECT_EQ(tweets.TweetID(1), "1590087310565339136");
  EXPECT_EQ(tweets.ScreenName(1), "Hydroviv_h2o");
  // Plain quotes go with the value rule; curly quotes come back as plain ones.
  EXPECT_EQ(
      tweets.Text(1).substr(0, 83),
      "It turns out that legislation w/its new definition of \"advanced recycling\" exempted");
  EXPECT_NE(tweets.Text(1).find("permit & other"), std::string::npos);
  EXPECT_EQ(tweets.LinkURL(1),
            "https://insideclimatenews.org/news/06092022/"
            "chemical-advanced-recycling-plastics-pennsylvania/");
  EXPECT_EQ(tweets.GeoCoords(1), "null");
  for (int i = 1; i <= tweets.Count(); ++i) {
    EXPECT_EQ(tweets.Text(i).find_first_of("\t\r\n\\"), std::string::npos) << i;
    EXPECT_FALSE(tweets.ScreenName(i).empty()) << i;
  }

  TweetSet geo;
  geo.SetData(test::ReadTestdata("rtweet/search_5.json"), false, true);
  EXPECT_EQ(geo.GeoCoords(3), "38.8743,-77.00899");  // the geo point: latitude first
}

TEST(TweetSetRealData, RetweetCountIsTheTweetsOwn) {
  // Each of these is a retweet or quote whose nested tweet has another count.
  struct Case {
    const char* file;
    bool search;
    int record;
    int count;
  };
  for (const Case& c :
       {Case{"rtweet/search_2.json", true, 55, 1}, Case{"rtweet/search_5.json", true, 9, 0},
        Case{"tweepy/timeline_4.json", false, 12, 1778},
        Case{"twitteroauth/timeline_1.json", false, 14, 113},
        Case{"rtweet/timeline_3.json", false, 9, 1}}) {
    TweetSet tweets;
    tweets.SetData(test::ReadTestdata(c.file), false, c.search);
    EXPECT_EQ(tweets.Retweeted(c.record), c.count) << c.file;
  }
}

TEST(TweetSetRealData, TimelineWithBracesInTexts) {
  TweetSet tweets;
  tweets.SetData(test::ReadTestdata("rtweet/timeline_3.json"), false, false);
  ASSERT_EQ(tweets.Count(), 20);
  EXPECT_EQ(tweets.Text(7).substr(0, 30), "RT @mdsumner: #rstats {tidync}");
  EXPECT_EQ(tweets.Text(17).substr(0, 23), "October News  #RStatsnn");  // emoji vanish
  for (int i = 1; i <= 20; ++i) EXPECT_NE(tweets.DateTime(i).find("+0000"), std::string::npos);
}

TEST(TweetSet, DatesTrimmingAndAuthors) {
  TweetSet tweets;
  tweets.SetData(Search(Tweet("3", "Sat Aug 30 10:00:00 +0000 2008") + "," +
                        Tweet("2", "Fri Aug 29 10:00:00 +0000 2008") + "," +
                        Tweet("1", "Thu Aug 28 09:59:59 +0000 2008")),
                 false, true);
  ASSERT_EQ(tweets.Count(), 3);
  EXPECT_EQ(tweets.GetUserArr(), (std::vector<std::string>{"sn3", "sn2", "sn1"}));
  EXPECT_FALSE(tweets.TrimToDateRange("28/08/2008 09:59:59", ""));  // inclusive ends
  EXPECT_TRUE(tweets.TrimToDateRange("29/08/08 10:00:00", "30/08/2008 09:00:00"));
  ASSERT_EQ(tweets.Count(), 1);
  EXPECT_EQ(tweets.TweetID(1), "2");

  tweets.SetVBDateTimes();
  EXPECT_TRUE(tweets.VBDateTimes());
  EXPECT_EQ(tweets.DateTime(1), "29/08/08 10:00:00");
  EXPECT_EQ(tweets.GetVBDateTime(1), "29/08/08 10:00:00");
  tweets.Clear();
  EXPECT_EQ(tweets.Count(), 0);
  EXPECT_FALSE(tweets.TrimToDateRange("01/01/2000 00:00:00", ""));
  EXPECT_EQ(tweets.OldestTweetId(true), "");
}

TEST(TweetSet, TrimmingPageAfterPageReadsOnlyTheNewRecords) {
  TweetSet tweets;
  tweets.SetData(Search(Tweet("4", "Sat Aug 30 10:00:00 +0000 2008") + "," +
                        Tweet("3", "Fri Aug 29 10:00:00 +0000 2008")),
                 false, true);
  EXPECT_FALSE(tweets.TrimToDateRange("29/08/2008 00:00:00", ""));
  tweets.SetData(Search(Tweet("2", "Fri Aug 29 01:00:00 +0000 2008") + "," +
                        Tweet("1", "Thu Aug 28 10:00:00 +0000 2008")),
                 true, true);
  EXPECT_TRUE(tweets.TrimToDateRange("29/08/2008 00:00:00", ""));
  ASSERT_EQ(tweets.Count(), 3);
  EXPECT_EQ(tweets.OldestTweetId(false), "2");
  // Another threshold looks at every record again.
  EXPECT_TRUE(tweets.TrimToDateRange("29/08/2008 05:00:00", ""));
  EXPECT_EQ(tweets.Count(), 2);
  tweets.Clear();
  tweets.SetData(Search(Tweet("9", "Thu Aug 28 10:00:00 +0000 2008")), false, true);
  EXPECT_TRUE(tweets.TrimToDateRange("29/08/2008 05:00:00", ""));
}

}  // namespace
}  // namespace wf

namespace wf {
namespace {

// A tweet's author fields are what a user set reads from its user object on its own.
void ExpectAuthorsReadAsUserSetsDo(const std::string& json, bool search) {
  TweetSet tweets;
  tweets.SetData(json, false, search);
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, search));
  std::int32_t row = 0;
  int authors = 0;
  for (std::int32_t k = 1; k <= r.ObjectCount(); ++k) {
    if (r.ObjectLevel(k) == 1 && r.ObjectName(k) != "search_metadata") ++row;
    if (row == 0 || r.ObjectLevel(k) != 2 || r.ObjectName(k) != "user") continue;
    UserSet alone;
    alone.SetData("{\"Users\":[{" + r.ObjectText(k) + "}]}", false, true);
    ASSERT_EQ(alone.Count(), 1) << "object " << k;
    const UserRecord& u = alone.At(1);
    SCOPED_TRACE("row " + std::to_string(row));
    EXPECT_EQ(tweets.ScreenName(row), u.ScreenName);
    EXPECT_EQ(tweets.RealName(row), u.RealName);
    EXPECT_EQ(tweets.Followers(row), u.Followers);
    EXPECT_EQ(tweets.Following(row), u.Friends);
    EXPECT_EQ(tweets.Location(row), u.Location);
    EXPECT_EQ(tweets.UTC_Offset(row), std::to_string(u.UTC_Offset));
    EXPECT_EQ(tweets.UserTweets(row), u.StatusCount);
    EXPECT_EQ(tweets.Description(row), u.Description);
    ++authors;
  }
  EXPECT_GT(authors, 0);
}

TEST(TweetSetAuthors, RecordedPagesReadAuthorsAsUserSetsDo) {
  for (const auto& [file, search] :
       std::vector<std::pair<const char*, bool>>{{"rtweet/search_1.json", true},
                                                 {"rtweet/timeline_3.json", false},
                                                 {"python-twitter/search_1.json", true},
                                                 {"python-twitter/timeline_1.json", false},
                                                 {"TwitterSearch/search_1.json", true}}) {
    SCOPED_TRACE(file);
    ExpectAuthorsReadAsUserSetsDo(test::ReadTestdata(file), search);
  }
}

TEST(TweetSetAuthors, OddUserObjectsReadAsUserSetsDo) {
  // The last member's value runs to the end of the own text (where the re-read object's
  // closing "}]" stands); a child's text repeats in a member; a child "]" takes a byte of
  // that closing.
  ExpectAuthorsReadAsUserSetsDo(
      Search(R"({"id_str":"1","user":{"name":"a","followers_count":3,"screen_name":bare}})"), true);
  ExpectAuthorsReadAsUserSetsDo(
      Search(R"({"id_str":"1","user":{"e":{"u":[]},"description":"\"u\":[]","location":x,)"
             R"("statuses_count":12}})"),
      true);
  ExpectAuthorsReadAsUserSetsDo(
      Search(R"({"id_str":"1","user":{"c":{]},"friends_count":5,"utc_offset":7200}})"), true);
}

TEST(TweetSet, TextsAreCleanedAsCleanEscapesCleansThem) {
  // Escapes that stand for a backslash, or leave one next to a "u", form new escapes once
  // replaced; the rest are replaced where they stand.
  for (const std::string raw :
       {R"(caf\u00e9 \u2019x\u2019 &amp; more)", R"(\u005cu0041 b)", R"(\u0000u0041)",
        R"(a\\u0041)", R"(\ud83d\ude4f \ud83d\ude4f!)", R"(cut \u00)", R"(\u0026amp;)",
        R"(&amp;amp;)", R"(\uZZZZ tail)", R"(\u00E9\u00e9\n)"}) {
    SCOPED_TRACE(raw);
    TweetSet tweets;
    tweets.SetData(Search(R"({"id_str":"1","text":")" + raw + R"(","user":{"name":")" + raw +
                          R"("},"retweet_count":1})"),
                   false, true);
    ASSERT_EQ(tweets.Count(), 1);
    const std::string expected = CleanEscapes(raw);
    EXPECT_EQ(tweets.Text(1), expected);
    EXPECT_EQ(tweets.RealName(1), expected);
  }
}

TEST(TweetSet, FirstTweetsRetweetCountWhereverItsDigitsFall) {
  // A search page's first object runs to the end of the page and is read from its start
  // first; the count's digits fall on both sides of where that start ends.
  std::string rest;
  for (int i = 0; i < 30; ++i)
    rest += "," + Tweet(std::to_string(i + 10), "Wed Aug 27 13:08:45 +0000 2008",
                        R"("pad":")" + std::string(3000, 'p') + R"(",)");
  for (std::size_t pad = 32700; pad < 32790; pad += 7) {
    SCOPED_TRACE("pad " + std::to_string(pad));
    const std::string first = R"({"id_str":"1","long":")" + std::string(pad, 'x') +
                              R"(","retweet_count":123456789,"user":{"name":"n"}})";
    TweetSet tweets;
    tweets.SetData(Search(first + rest), false, true);
    ASSERT_EQ(tweets.Count(), 31);
    EXPECT_EQ(tweets.Retweeted(1), 123456789);
    EXPECT_EQ(tweets.Retweeted(2), 4);
  }
}

}  // namespace
}  // namespace wf
