#include "records/v2_mapping.h"

#include <gtest/gtest.h>

#include <sstream>

#include "records/tweet_set.h"
#include "records/user_set.h"
#include "support/test_paths.h"

namespace wf {
namespace {

std::vector<std::string> Lines(const std::string& relative) {
  std::istringstream in(test::ReadBytes(std::string(WF_TESTDATA_DIR) + "/v2/" + relative));
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST(V2Mapping, RecordedSearchPageGivesTheV1TextAndRow) {
  V2Mapping m;
  V2PageInfo info;
  const auto page = m.SearchPage(Lines("twarc2/two_tweets.jsonl").at(0), &info);
  ASSERT_TRUE(page);
  EXPECT_EQ(
      *page,
      R"({"statuses":[{"created_at":"Tue May 18 19:24:56 +0000 2021","id":1394735776701816833,)"
      R"("id_str":"1394735776701816833","full_text":"RT @bibaigna96: #POIUYTREWQ","truncated":false,)"
      R"("entities":{"urls":[]},"user":{"id":1379899464345923590,"id_str":"1379899464345923590",)"
      R"("name":"Veronica Lachi","screen_name":"LachiVeronica","location":"","description":"",)"
      R"("url":null,"entities":{"url":{"urls":[]},"description":{"urls":[]}},"protected":false,)"
      R"("followers_count":0,"friends_count":4,"listed_count":0,)"
      R"("created_at":"Wed Apr 07 20:50:54 +0000 2021","favourites_count":0,"utc_offset":null,)"
      R"("time_zone":null,"geo_enabled":false,"verified":false,"statuses_count":2,"lang":null,)"
      R"("profile_image_url":"https://abs.twimg.com/sticky/default_profile_images/default_profile_normal.png"},)"
      R"("geo":null,"coordinates":null,"retweet_count":1,"favorite_count":0,"lang":"und"}],)"
      R"("search_metadata":{}})");
  EXPECT_EQ(info.rows, 1u);
  EXPECT_EQ(info.newest_id, "1394735776701816833");
  EXPECT_TRUE(info.next_token.empty());
  TweetSet tweets;
  tweets.SetData(*page, false, true);
  ASSERT_EQ(tweets.Count(), 1);
  EXPECT_EQ(tweets.ScreenName(1), "LachiVeronica");
  EXPECT_EQ(tweets.Following(1), 4);
  EXPECT_EQ(tweets.UserTweets(1), 2);
  EXPECT_EQ(tweets.Retweeted(1), 1);
  EXPECT_EQ(tweets.GetVBDateTime(1), "18/05/21 19:24:56");
}

TEST(V2Mapping, GeoPointSwapsForGeoAndKeepsOrderForCoordinates) {
  V2Mapping m;
  const auto lines = Lines("twarc2/geo_tweets.jsonl");
  const auto page = m.SearchPage(lines.at(0));
  ASSERT_TRUE(page);
  EXPECT_NE(page->find(R"("geo":{"type":"Point","coordinates":[88.01785747,42.77810097]},)"
                       R"("coordinates":{"type":"Point","coordinates":[42.77810097,88.01785747]})"),
            std::string::npos);
  TweetSet tweets;
  tweets.SetData(*page, false, true);
  ASSERT_EQ(tweets.Count(), 1);
  EXPECT_EQ(tweets.ScreenName(1), "kamanonickname");
  EXPECT_EQ(tweets.Followers(1), 69);
  EXPECT_EQ(tweets.LinkURL(1), "https://www.instagram.com/p/B-7ItQwBJ93/?igshid=187dqx4b5lu2y");
  // Non-ASCII goes out as lower-case escapes.
  EXPECT_NE(page->find(R"(Mr\u00f3z is busy)"), std::string::npos);
  // A place without coordinates is no point; surrogate pairs for characters above U+FFFF.
  const auto placed = m.SearchPage(lines.at(1));
  ASSERT_TRUE(placed);
  EXPECT_NE(placed->find(R"("geo":null,"coordinates":null)"), std::string::npos);
  EXPECT_NE(placed->find(R"("name":"Igor Brigadir \ud83c\uddfa\ud83c\udde6")"), std::string::npos);
  EXPECT_NE(
      placed->find(R"("url":"https://t.co/rT5vLfqHOC","entities":{"url":{"urls":[{"url":)"
                   R"("https://t.co/rT5vLfqHOC","expanded_url":"https://ukrainewar.carrd.co/",)"
                   R"("display_url":"ukrainewar.carrd.co"}]},"description":{"urls":[]}})"),
      std::string::npos);
}

TEST(V2Mapping, PagesWithPartialErrorsKeepEveryRowInOrder) {
  V2Mapping m;
  const auto lines = Lines("twarc2/2sets.jsonl");
  V2PageInfo info;
  const auto page = m.SearchPage(lines.at(0), &info);
  ASSERT_TRUE(page);
  EXPECT_EQ(info.rows, 100u);
  EXPECT_EQ(info.next_token, "b26v89c19zqg8o3fpds60ssjlg8rrux0bxoa7beulbhbx");
  ASSERT_EQ(info.missing.size(), 1u);
  EXPECT_EQ(info.missing[0], "leeseunggi");
  TweetSet tweets;
  tweets.SetData(*page, false, true);
  ASSERT_EQ(tweets.Count(), 100);
  EXPECT_EQ(tweets.TweetID(1), "1440717170493689866");
  EXPECT_EQ(tweets.ScreenName(1), "ximerios12_");
  EXPECT_EQ(tweets.Location(2), "327");
  EXPECT_EQ(tweets.TweetID(100), "1440715923816546309");
  for (int i = 1; i <= 100; ++i) EXPECT_FALSE(tweets.ScreenName(i).empty()) << i;
  // The same page as a timeline gives the same rows.
  const auto timeline = m.TimelinePage(lines.at(0));
  ASSERT_TRUE(timeline);
  TweetSet same;
  same.SetData(*timeline, false, false);
  ASSERT_EQ(same.Count(), 100);
  for (int i = 1; i <= 100; ++i) EXPECT_EQ(same.Text(i), tweets.Text(i));
}

TEST(V2Mapping, RecordedUserLookupGivesUserRows) {
  V2Mapping m;
  V2PageInfo info;
  const auto page = m.UserPage(Lines("twarc2/users_a.jsonl").at(0), &info);
  ASSERT_TRUE(page);
  EXPECT_EQ(info.rows, 48u);
  EXPECT_FALSE(info.missing.empty());
  EXPECT_EQ(info.missing[0], "851951598326689792");
  UserSet users;
  users.SetData(*page, false, true);
  ASSERT_EQ(users.Count(), 48);
  EXPECT_EQ(users.Id(1), "119369819");
  EXPECT_EQ(users.ScreenName(1), "DoDirty78");
  EXPECT_EQ(users.RealName(1), "DoDirtysHouse");
  EXPECT_EQ(users.Location(1), "NC");
  EXPECT_EQ(users.Followers(1), 580);
  EXPECT_EQ(users.Friends(1), 518);
  EXPECT_EQ(users.StatusCount(1), 55186);
  EXPECT_EQ(users.ListedCount(1), 12);
  EXPECT_EQ(users.CreatedAt(1), "Wed Mar 03 12:49:24 +0000 2010");
  EXPECT_EQ(users.ScreenName(2), "jduc_hoang");
}

TEST(V2Mapping, FlattenedTweetsTakeTheirInlinedAuthor) {
  V2Mapping m;
  const auto tweet = m.Tweet(Lines("twarc2/flat.jsonl").at(0));
  ASSERT_TRUE(tweet);
  TweetSet tweets;
  tweets.SetData("[" + *tweet + "]", false, false);
  ASSERT_EQ(tweets.Count(), 1);
  EXPECT_EQ(tweets.ScreenName(1), "Alexandravm12");
  EXPECT_EQ(tweets.TweetID(1), "1380242611781386245");
}

TEST(V2Mapping, NoteTextEscapesAndMissingMembers) {
  V2Mapping m;
  const std::string t =
      "{\"id\":\"12x\",\"text\":\"short\",\"author_id\":\"9\",\"created_at\":\"bad\","
      "\"note_tweet\":{\"text\":\"a \\\"q\\\" \\\\ /\\n\\t\\u0001\xC3\xA9\xF0\x9F\x98\x80\","
      "\"entities\":{\"urls\":[{\"url\":\"https://t.co/x\"}]}},"
      "\"entities\":{\"urls\":[{\"url\":\"https://t.co/y\",\"expanded_url\":\"https://y\"}]},"
      "\"geo\":{\"coordinates\":{\"type\":\"Point\",\"coordinates\":[-0.5,51]}}}";
  const auto out = m.Tweet(t, R"([{"id":"8","username":"other"},{"id":"9","username":"me"}])");
  ASSERT_TRUE(out);
  EXPECT_EQ(
      out->substr(0, out->find(",\"user\":")),
      R"({"created_at":"","id":0,"id_str":"12x","full_text":"a \"q\" \\ /\n\t\u0001\u00e9\ud83d\ude00",)"
      R"("truncated":false,"entities":{"urls":[{"url":"https://t.co/x","expanded_url":"https://t.co/x",)"
      R"("display_url":""}]})");
  EXPECT_NE(out->find(R"("screen_name":"me")"), std::string::npos);
  EXPECT_NE(
      out->find(
          R"("geo":{"type":"Point","coordinates":[51,-0.5]},"coordinates":{"type":"Point","coordinates":[-0.5,51]},)"
          R"("retweet_count":0,"favorite_count":0,"lang":""})"),
      std::string::npos);
  // Ids keep their text; the number form has no leading zeros, so the text stays JSON.
  const auto zeros = m.User(R"({"id":"0042","username":"z"})");
  ASSERT_TRUE(zeros);
  EXPECT_EQ(zeros->substr(0, 28), R"({"id":42,"id_str":"0042","na)");
  EXPECT_EQ(m.User(R"({"id":"000"})")->substr(0, 25), R"({"id":0,"id_str":"000","n)");
  // No author found: no user member at all.
  const auto alone = m.Tweet(R"({"id":"5","text":"x","author_id":"77"})");
  ASSERT_TRUE(alone);
  EXPECT_EQ(alone->find("\"user\""), std::string::npos);
}

TEST(V2Mapping, PagesWithoutDataAndBadInput) {
  V2Mapping m;
  V2PageInfo info;
  const auto empty = m.SearchPage(R"({"meta":{"result_count":0}})", &info);
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, R"({"statuses":[],"search_metadata":{}})");
  EXPECT_EQ(info.rows, 0u);
  EXPECT_TRUE(info.next_token.empty());
  // users/by/username answers one object as `data`.
  const auto one = m.UserPage(
      test::ReadBytes(std::string(WF_TESTDATA_DIR) + "/v2/tweepy/user_by_username.json"));
  ASSERT_TRUE(one);
  UserSet users;
  users.SetData(*one, false, true);
  EXPECT_EQ(users.Count(), 1);
  EXPECT_FALSE(m.SearchPage("{\"data\":[").has_value());
  EXPECT_FALSE(m.UserPage("[1,2]").has_value());
  EXPECT_FALSE(m.Info("not json").parsed);
  const V2PageInfo problem = m.Info(
      R"({"client_id":"1","detail":"When authenticating requests...","registration_url":"x",)"
      R"("title":"Client Forbidden","required_enrollment":"Appropriate Level of API Access",)"
      R"("reason":"client-not-enrolled","type":"https://api.twitter.com/2/problems/client-forbidden"})");
  EXPECT_EQ(problem.reason, "client-not-enrolled");
  EXPECT_EQ(problem.title, "Client Forbidden");
  EXPECT_EQ(problem.detail, "When authenticating requests...");
}

TEST(V2Mapping, RecordedTweepyBodiesWithRawUtf8) {
  V2Mapping m;
  V2PageInfo info;
  const auto page = m.SearchPage(
      test::ReadBytes(std::string(WF_TESTDATA_DIR) + "/v2/tweepy/search_recent.json"), &info);
  ASSERT_TRUE(page);
  EXPECT_GT(info.rows, 0u);
  EXPECT_FALSE(info.next_token.empty());
  for (const char c : *page) EXPECT_GE(static_cast<signed char>(c), 0) << "non-ASCII byte out";
  TweetSet tweets;
  tweets.SetData(*page, false, true);
  EXPECT_EQ(static_cast<std::size_t>(tweets.Count()), info.rows);
}

}  // namespace
}  // namespace wf
