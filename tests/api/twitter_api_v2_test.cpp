#include "api/twitter_api_v2.h"

#include <gtest/gtest.h>

#include "api/twitter_api.h"
#include "fake_http.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

constexpr const char* kBase = "http://127.0.0.1:9";
const std::string kToken = R"({"token_type":"bearer","access_token":"AAAA"})";
const std::string kTweetFields(kV2TweetFields);
const std::string kUserFields(kV2UserFields);

std::string V2Body(const std::string& name) {
  return test::ReadBytes(std::string(WF_TESTDATA_DIR) + "/v2/" + name);
}

test::FakeHttp::Answer Problem(int status, std::string text, std::string body) {
  test::FakeHttp::Answer a = test::FakeHttp::Status(status, std::move(text));
  a.body = std::move(body);
  return a;
}

struct Client {
  test::FakeHttp http;
  test::ScriptedUi ui;
  TwitterAPI api{http, &ui, kBase};

  Client() {
    http.answers.push_back(test::FakeHttp::Ok(kToken));
    api.AuthAppAccess("MyApp", "key", "secret");
    api.SetApiVersion(2);
  }
  std::string Path(std::size_t i) const {
    return http.sent.at(i).url.substr(std::string(kBase).size());
  }
};

TEST(TwitterApiV2, SearchRequestsAndPaging) {
  Client c;
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/search_recent.json"), 449, 450));
  c.api.GetSearchV2("cats -dogs", "en", "51.5,-0.12,10km", "1000", "", "2021-05-18T19:24:56Z", "",
                    false);
  EXPECT_EQ(
      c.Path(1),
      "/2/tweets/search/"
      "recent?query=cats%20%2Ddogs%20lang%3Aen%20point%5Fradius%3A%5B%2D0%2E12%2051%2E5%2010km%5D"
      "&max_results=100&" +
          kTweetFields + "&" + kUserFields + "&start_time=2021-05-18T19:24:56Z&since_id=1000");
  EXPECT_EQ(c.http.sent[1].headers.at(1).second, "Bearer AAAA");
  EXPECT_EQ(c.api.LastResponseCount(), 10);
  EXPECT_EQ(c.api.Tweets().Count(), 10);
  EXPECT_EQ(c.api.Tweets().TweetID(1), "1578516068309794817");
  EXPECT_EQ(c.api.NextToken(), "b26v89c19zqg8o3fpzbn1e0ffhxjiofzw6po136rvbnul");
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), 449);
  EXPECT_EQ(c.api.SearchRateLimit(), 450);

  // The next page by its token; the last page has none; a page without data ends quietly.
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/search_all.json")));
  c.api.SetFullArchive(true);
  c.api.GetSearchV2("cats", "", "", "", "", "", c.api.NextToken(), true);
  EXPECT_EQ(c.Path(2), "/2/tweets/search/all?query=cats&max_results=500&" + kTweetFields + "&" +
                           kUserFields +
                           "&next_token=b26v89c19zqg8o3fpzbn1e0ffhxjiofzw6po136rvbnul");
  EXPECT_EQ(c.api.Tweets().Count(), 20);
  c.http.answers.push_back(test::FakeHttp::Ok(R"({"meta":{"result_count":0}})"));
  c.api.GetSearchV2("cats", "", "", "", "", "", "x", true);
  EXPECT_EQ(c.api.LastResponseCount(), 0);
  EXPECT_FALSE(c.api.LastRequestFailed());
  EXPECT_TRUE(c.api.NextToken().empty());
  EXPECT_EQ(c.api.Tweets().Count(), 20);
  EXPECT_TRUE(c.ui.messages.empty());

  // The v1.1 call pages by max_id: v2 asks for the tweets below the oldest one.
  std::string count = "100";
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/search_recent.json")));
  c.api.GetSearch("cats", "", "", "", "1578511538419212287", count, false, "recent");
  EXPECT_NE(c.Path(4).find("&until_id=1578511538419212288"), std::string::npos);
  EXPECT_EQ(c.api.Tweets().Count(), 10);
}

TEST(TwitterApiV2, TimelinesResolveNamesOncePerRun) {
  Client c;
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_by.json")));
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_tweets.json"), 1499, 1500));
  c.api.GetUserTimeLineV2("twitter", true, "", "", "", false);
  EXPECT_EQ(c.Path(1), "/2/users/by?usernames=twitter");
  EXPECT_EQ(c.Path(2),
            "/2/users/783214/tweets?max_results=100&" + kTweetFields + "&" + kUserFields);
  EXPECT_EQ(c.api.Tweets().Count(), 2);
  EXPECT_EQ(c.api.NextToken(), "7140dibdnow9c7btw4232poeq0wapgnwgwqwvuwn3peex");
  EXPECT_EQ(c.api.UTLRateLimitRemaining(), 1499);

  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_tweets.json")));
  c.api.GetUserTimeLineV2("Twitter", true, "5", "", c.api.NextToken(), true);
  EXPECT_EQ(c.Path(3),
            "/2/users/783214/tweets?max_results=100&" + kTweetFields + "&" + kUserFields +
                "&since_id=5&pagination_token=7140dibdnow9c7btw4232poeq0wapgnwgwqwvuwn3peex");
  EXPECT_EQ(c.api.Tweets().Count(), 4);

  // Many names: 100 a request, the known ones not asked again.
  std::vector<std::string> names{"TwitterDev", "twitter"};
  for (int i = 0; i < 150; ++i) names.push_back("n" + std::to_string(i));
  c.http.answers.push_back(test::FakeHttp::Ok(R"({"data":[{"id":"7","username":"n0"}]})"));
  c.http.answers.push_back(test::FakeHttp::Ok(R"({"errors":[{"value":"n149"}]})"));
  EXPECT_TRUE(c.api.ResolveUserIds(names));
  ASSERT_EQ(c.http.sent.size(), 6u);
  EXPECT_EQ(c.Path(4).rfind("/2/users/by?usernames=n0,n1,", 0), 0u);
  EXPECT_EQ(c.api.ResolvedUserId("N0"), "7");
  EXPECT_EQ(c.api.ResolvedUserId("twitterdev"), "2244994945");

  // An unknown name fails the request without asking for a timeline.
  c.http.answers.push_back(test::FakeHttp::Ok(R"({"errors":[{"value":"nobody"}]})"));
  EXPECT_EQ(c.api.GetUserTimeLineV2("nobody", true, "", "", "", true), "Failed");
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  EXPECT_EQ(c.api.LastResponseCode(), "Unknown account: nobody");
  EXPECT_EQ(c.http.sent.size(), 7u);
}

TEST(TwitterApiV2, LookupsKeepTheFoundAndNameTheMissing) {
  Client c;
  c.http.answers.push_back(test::FakeHttp::Ok(
      R"({"data":[{"id":"783214","name":"Twitter","username":"Twitter"}],"errors":[{"value":"gone1",)"
      R"("detail":"Could not find user with usernames: [gone1].","title":"Not Found Error",)"
      R"("resource_type":"user","parameter":"usernames","resource_id":"gone1",)"
      R"("type":"https://api.twitter.com/2/problems/resource-not-found"}]})"));
  c.api.GetUsersLookUp("", "Twitter,gone1,", false);
  EXPECT_EQ(c.Path(1), "/2/users/by?usernames=Twitter,gone1&" + kUserFields);
  EXPECT_FALSE(c.api.LastRequestFailed());
  ASSERT_EQ(c.api.Users().Count(), 1);
  EXPECT_EQ(c.api.Users().ScreenName(1), "Twitter");
  EXPECT_EQ(c.api.LastMissing(), std::vector<std::string>{"gone1"});

  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("twarc2/users_a.jsonl"), 899, 900));
  c.api.GetUsersLookUp("1,2,", "", true);
  EXPECT_EQ(c.Path(2), "/2/users?ids=1,2&" + kUserFields);
  EXPECT_EQ(c.api.Users().Count(), 49);
  EXPECT_EQ(c.api.ULRateLimitRemaining(), 899);
}

TEST(TwitterApiV2, FollowerPagesPageByToken) {
  Client c;
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_followers.json"), 14, 15));
  c.api.GetFollowersList("783214", "", "200", false);
  EXPECT_EQ(c.Path(1), "/2/users/783214/followers?max_results=1000&" + kUserFields);
  EXPECT_EQ(c.api.Users().Count(), 100);
  EXPECT_EQ(c.api.Users().NextCursor(), "5CS0O0C6II61EZZZ");
  EXPECT_EQ(c.api.FLRateLimitRemaining(), 14);
  c.http.answers.push_back(test::FakeHttp::Ok(R"({"meta":{"result_count":0}})"));
  c.api.GetFollowersList("783214", "", "200", true);
  EXPECT_EQ(c.Path(2), "/2/users/783214/followers?max_results=1000&" + kUserFields +
                           "&pagination_token=5CS0O0C6II61EZZZ");
  EXPECT_EQ(c.api.Users().NextCursor(), "0");
  EXPECT_EQ(c.api.Users().Count(), 100);
  EXPECT_TRUE(c.ui.messages.empty());

  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_by.json")));
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_following.json")));
  c.api.GetFriendsList("", "TwitterDev", "200", false);
  EXPECT_EQ(c.Path(4), "/2/users/2244994945/following?max_results=1000&" + kUserFields);
  EXPECT_EQ(c.api.Users().Count(), 35);
  EXPECT_EQ(c.api.Users().NextCursor(), "0");
}

TEST(TwitterApiV2, RefusalsThatStopAndThoseThatDoNot) {
  Client c;
  std::string count = "100";
  c.http.answers.push_back(Problem(401, "Unauthorized",
                                   R"({"title":"Unauthorized","type":"about:blank","status":401,)"
                                   R"("detail":"Unauthorized"})"));
  EXPECT_EQ(c.api.GetSearchV2("a", "", "", "", "", "", "", false), "Failed");
  EXPECT_EQ(c.api.LastResponseCode(), "401:Unauthorized");
  EXPECT_TRUE(c.api.StopReason().empty());

  c.api.SetFullArchive(true);
  c.http.answers.push_back(Problem(
      403, "Forbidden",
      R"({"client_id":"1","detail":"When authenticating requests to the Twitter API v2 endpoints, )"
      R"(you must use keys and tokens from a Twitter developer App that is attached to a Project.",)"
      R"("registration_url":"https://developer.twitter.com/","title":"Client Forbidden",)"
      R"("required_enrollment":"Appropriate Level of API Access","reason":"client-not-enrolled",)"
      R"("type":"https://api.twitter.com/2/problems/client-forbidden"})"));
  c.http.answers.push_back(test::FakeHttp::Ok("{}"));  // never asked for
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, false, "recent"), "Failed");
  EXPECT_EQ(c.api.StopReason(),
            "The access level of this API key does not include GET /2/tweets/search/all: \"When "
            "authenticating requests to the Twitter API v2 endpoints, you must use keys and tokens "
            "from a Twitter developer App that is attached to a Project.\"");
  EXPECT_EQ(c.http.answers.size(), 1u);
  EXPECT_TRUE(c.ui.messages.empty());

  c.http.answers.clear();
  c.http.answers.push_back(Problem(
      403, "Forbidden",
      R"({"title":"Forbidden","type":"https://api.twitter.com/2/problems/client-forbidden",)"
      R"("status":403,"detail":"no followers for you"})"));
  c.api.GetFollowersList("1", "", "200", false);
  EXPECT_EQ(c.api.StopReason(),
            "The access level of this API key does not include GET "
            "/2/users/:id/followers: \"no followers for you\"");

  c.http.answers.push_back(Problem(429, "Too Many Requests",
                                   R"({"title":"Too Many Requests","detail":"Too Many Requests",)"
                                   R"("type":"about:blank","status":429})"));
  c.api.GetUsersLookUp("1,", "", false);
  EXPECT_EQ(c.api.LastResponseCode(), "429:Too Many Requests");
  EXPECT_TRUE(c.api.StopReason().empty());  // an ordinary window: the caller waits

  c.http.answers.push_back(Problem(
      429, "Too Many Requests",
      R"({"account_id":1,"product_name":"standard-basic","title":"UsageCapExceeded",)"
      R"("period":"Monthly","scope":"Product","detail":"Usage cap exceeded: Monthly product cap",)"
      R"("type":"https://api.twitter.com/2/problems/usage-capped"})"));
  c.api.GetUserTimeLineV2("12", false, "", "", "", false);
  EXPECT_EQ(c.api.StopReason(),
            "The project's monthly usage cap of the API is reached; no more requests until it "
            "is renewed: \"Usage cap exceeded: Monthly product cap\"");
  // The next successful request clears it.
  c.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_tweets.json")));
  c.api.GetUserTimeLineV2("12", false, "", "", "", false);
  EXPECT_TRUE(c.api.StopReason().empty());
}

TEST(TwitterApiV2, IdsAndPointsInV2Form) {
  EXPECT_EQ(NextId("0999"), "1000");
  EXPECT_EQ(NextId("99"), "100");
  EXPECT_EQ(NextId("1578511538419212287"), "1578511538419212288");
  EXPECT_EQ(NextId("0123"), "124");
  EXPECT_EQ(NextId("12a"), "12a");
  EXPECT_EQ(PointRadius("51.5,-0.12,10km"), "point_radius:[-0.12 51.5 10km]");
  EXPECT_EQ(PointRadius("51.5,-0.12"), "");
  EXPECT_EQ(PointRadius("1,2,3,4"), "");
  EXPECT_EQ(PointRadius(""), "");
}

}  // namespace
}  // namespace wf
