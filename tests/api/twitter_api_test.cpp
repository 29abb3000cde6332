#include "api/twitter_api.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>

#include "fake_http.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

constexpr const char* kBase = "http://127.0.0.1:9";
const std::string kToken = R"({"token_type":"bearer","access_token":"AAAA%2Fxyz"})";

struct Client {
  test::FakeHttp http;
  test::ScriptedUi ui;
  TwitterAPI api{http, &ui, std::string(kBase) + "/"};

  void Authenticate() {
    http.answers.push_back(test::FakeHttp::Ok(kToken));
    ASSERT_EQ(api.AuthAppAccess("MyApp", "key", "secret"), "AAAA%2Fxyz");
  }
  std::string Path(std::size_t i) const {
    return http.sent.at(i).url.substr(std::string(kBase).size());
  }
};

TEST(TwitterApiAuth, TokenRequestAndAnswers) {
  Client c;
  const std::string long_key(60, 'k');
  c.http.answers.push_back(test::FakeHttp::Ok(kToken));
  EXPECT_EQ(c.api.AuthAppAccess("MyApp", long_key, "secret"), "AAAA%2Fxyz");
  const auto& sent = c.http.sent.at(0);
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(c.Path(0), "/oauth2/token?grant_type=client_credentials");
  ASSERT_EQ(sent.headers.size(), 4u);
  EXPECT_EQ(sent.headers[0], (std::pair<std::string, std::string>{"User-Agent", "MyApp"}));
  EXPECT_EQ(sent.headers[1].first, "Authorization");
  EXPECT_EQ(sent.headers[1].second.rfind("Basic ", 0), 0u);
  EXPECT_EQ(sent.headers[1].second.find_first_of("\r\n"), std::string::npos);  // 72+ characters
  EXPECT_EQ(sent.headers[2].second, "application/x-www-form-urlencoded;charset=UTF-8");
  EXPECT_EQ(sent.headers[3], (std::pair<std::string, std::string>{"Content-Length", "29"}));
  EXPECT_EQ(sent.body.size(), 29u);
  EXPECT_EQ(sent.wait, 5);
  EXPECT_EQ(c.api.BearerToken(), "AAAA%2Fxyz");

  // A token of another type, a refusal and a dead line all leave the token as it was.
  c.http.answers.push_back(test::FakeHttp::Ok(R"({"token_type":"mac","access_token":"zzzz"})"));
  c.http.answers.push_back(test::FakeHttp::Status(403, "Forbidden"));
  c.http.answers.push_back(test::FakeHttp::Unreachable());
  EXPECT_EQ(c.api.AuthAppAccess("Other", "k", "s"), "");
  EXPECT_EQ(c.api.AuthAppAccess("Other", "k", "s"), "");
  EXPECT_EQ(c.api.AuthAppAccess("Other", "k", "s"), "");
  EXPECT_TRUE(c.http.sent[2].aborted);
  EXPECT_EQ(c.api.BearerToken(), "AAAA%2Fxyz");
  EXPECT_EQ(c.api.ApplicationName(), "MyApp");
  EXPECT_TRUE(c.ui.messages.empty());
}

TEST(TwitterApiResources, AddressesAndHeaders) {
  Client c;
  std::string count = "500";
  EXPECT_EQ(c.api.GetSearch("skein", "", "", "", "", count, false, "recent"), "");
  EXPECT_TRUE(c.http.sent.empty());  // no token: nothing is sent
  c.Authenticate();

  const std::string page = test::ReadTestdata("rtweet/search_1.json");
  c.http.answers.push_back(test::FakeHttp::Ok(page));
  EXPECT_EQ(c.api.GetSearch("skein AND #twitter", "en", "", "9", "8", count, false, "recent"),
            page);
  EXPECT_EQ(count, "100");
  EXPECT_EQ(c.Path(1),
            "/1.1/search/tweets.json?q=skein%20AND%20%23twitter&count=100&lang=en&geocode=&result_"
            "type=recent&tweet_mode=extended&max_id=8&since_id=9");
  EXPECT_EQ(c.http.sent[1].headers[0].second, "MyApp");
  EXPECT_EQ(c.http.sent[1].headers[1].second, "Bearer AAAA%2Fxyz");
  EXPECT_EQ(c.http.sent[1].wait, 10);
  EXPECT_EQ(c.api.Tweets().Count(), 100);
  EXPECT_EQ(c.api.LastResponseCount(), 100);
  EXPECT_EQ(c.api.LastResponseCode(), "200:OK");

  for (const auto& [given, sent] :
       std::vector<std::pair<std::string, std::string>>{{"5", "10"}, {"50", "50"}, {"x", "10"}}) {
    count = given;
    c.http.answers.push_back(test::FakeHttp::Ok(page));
    c.api.GetSearch("a", "", "", "", "", count, true, "recent");
    EXPECT_EQ(count, sent);
    EXPECT_NE(c.http.sent.back().url.find("&count=" + sent + "&"), std::string::npos);
  }

  c.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/timeline_3.json")));
  c.api.GetUserTimeLine("rOpenSci", true, "", "", "200", false);
  EXPECT_EQ(c.http.sent.back().url.substr(std::string(kBase).size()),
            "/1.1/statuses/user_timeline.json?&count=200&tweet_mode=extended&screen_name=rOpenSci");
  EXPECT_EQ(c.api.Tweets().Count(), 20);

  c.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/users_lookup_1.json")));
  c.api.GetUsersLookUp("1,2,", "a,b", false);
  EXPECT_EQ(c.http.sent.back().url.substr(std::string(kBase).size()),
            "/1.1/users/lookup.json?user_id=1,2,");
  EXPECT_EQ(c.api.Users().Count(), 4);

  const std::size_t before = c.http.sent.size();
  EXPECT_EQ(c.api.GetUsersLookUp("", "", true), "");
  EXPECT_EQ(c.http.sent.size(), before);
  EXPECT_EQ(c.api.LastResponseCount(), -1);
}

TEST(TwitterApiResources, FollowerPagesFollowTheCursor) {
  Client c;
  c.Authenticate();
  const std::string page = test::ReadTestdata("python-twitter/friends_list_1.json");
  c.http.answers.push_back(test::FakeHttp::Ok(
      R"({"users":[{"id_str":"1","screen_name":"a"}],"next_cursor":77,"next_cursor_str":"77"})"));
  c.http.answers.push_back(test::FakeHttp::Ok(page));
  c.api.GetFollowersList("", "skein_team", "200", false);
  EXPECT_EQ(c.Path(1),
            "/1.1/followers/list.json?screen_name=skein_team&user_id=&count=200&cursor=-1");
  c.api.GetFollowersList("", "skein_team", "200", true);
  EXPECT_EQ(c.Path(2),
            "/1.1/followers/list.json?screen_name=skein_team&user_id=&count=200&cursor=77");
  EXPECT_EQ(c.api.Users().Count(), 2);
  EXPECT_EQ(c.api.Users().NextCursor(), "0");
  EXPECT_EQ(c.api.FLRateLimitRemaining(), 170);
  c.http.answers.push_back(test::FakeHttp::Ok(page));
  c.api.GetFriendsList("12", "", "200", false);  // a new list starts again
  EXPECT_EQ(c.Path(3), "/1.1/friends/list.json?screen_name=&user_id=12&count=200&cursor=-1");
  EXPECT_EQ(c.api.Users().Count(), 1);
}

TEST(TwitterApiFailures, StatusOtherThan200) {
  Client c;
  c.Authenticate();
  std::string count = "100";
  c.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/search_1.json")));
  c.api.GetSearch("a", "", "", "", "", count, false, "recent");
  const std::string previous = c.api.ResponseText();
  c.http.answers.push_back(test::FakeHttp::Status(429, "Too Many Requests"));
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, true, "recent"), "Failed");
  EXPECT_EQ(c.api.LastResponseCode(), "429:Too Many Requests");
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  EXPECT_EQ(c.api.ResponseText(), previous);
  EXPECT_EQ(c.api.Tweets().Count(), 100);
  EXPECT_TRUE(c.http.sent.back().aborted);
  EXPECT_TRUE(c.ui.messages.empty());  // the caller decides what to say

  c.api.Clear();
  EXPECT_EQ(c.api.Tweets().Count(), 0);
  EXPECT_EQ(c.api.ResponseText(), previous);
  EXPECT_EQ(c.api.BearerToken(), "AAAA%2Fxyz");
}

// After an exchange that brought no answer, the code names that failure, never the status of
// the earlier request that did answer.
TEST(TwitterApiFailures, AFailureWithoutAnswerNamesItselfInTheCode) {
  Client c;
  c.Authenticate();
  c.http.answers = {test::FakeHttp::Ok(test::ReadTestdata("rtweet/timeline_3.json"))};
  c.api.GetUserTimeLine("1", false, "", "", "200", false);
  ASSERT_EQ(c.api.LastResponseCode(), "200:OK");
  EXPECT_EQ(c.api.LastTransportError(), "");

  c.http.answers = {test::FakeHttp::Unreachable()};
  c.ui.answers = {MsgAnswer::No};
  EXPECT_EQ(c.api.GetUserTimeLine("1", false, "", "", "200", true), "Failed");
  EXPECT_EQ(c.api.LastResponseCode(), "Couldn't access the API server (scripted failure)");
  EXPECT_EQ(c.api.LastTransportError(), "scripted failure");
  EXPECT_EQ(c.api.LastResponseCount(), -1);

  auto bare = test::FakeHttp::Ok("[]");
  bare.headers.clear();
  c.http.answers = {bare};
  c.ui.answers = {MsgAnswer::No};
  c.api.GetUsersLookUp("", "a", false);
  EXPECT_EQ(c.api.LastResponseCode(),
            "Couldn't access the API server (the answer carried no rate-limit headers)");

  // The one extra attempt of a list: its own failure decides.
  c.http.answers = {test::FakeHttp::Unreachable(), test::FakeHttp::Status(503, "Unavailable")};
  c.ui.answers = {MsgAnswer::Yes};
  c.api.GetFollowersList("", "a", "200", false);
  EXPECT_EQ(c.api.LastResponseCode(), "503:Unavailable");
  EXPECT_EQ(c.api.LastTransportError(), "");
  c.http.answers = {test::FakeHttp::UntrustedCertificate()};
  c.ui.answers = {MsgAnswer::No};
  c.api.GetFollowersList("", "a", "200", false);
  EXPECT_EQ(c.api.LastResponseCode(),
            "Couldn't access the API server (SSL certificate problem: self-signed certificate)");
}

TEST(TwitterApiFailures, RetryQuestions) {
  Client c;
  c.Authenticate();
  std::string count = "100";
  const std::string page = test::ReadTestdata("rtweet/search_1.json");
  c.http.answers = {test::FakeHttp::Unreachable(), test::FakeHttp::Unreachable(),
                    test::FakeHttp::Ok(page)};
  c.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, false, "recent"), page);
  ASSERT_EQ(c.ui.messages.size(), 2u);
  EXPECT_EQ(c.ui.messages[0].text, "WFD is having trouble accessing the API server. Try again?");
  EXPECT_EQ(c.ui.messages[0].caption, "Recoverable error within GetSearch");
  EXPECT_EQ(c.ui.messages[0].buttons, MsgButtons::YesNo);

  c.http.answers = {test::FakeHttp::Unreachable()};
  c.ui.answers = {MsgAnswer::No};
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, true, "recent"), "Failed");
  EXPECT_EQ(c.api.LastResponseCode(), "Couldn't access the API server");
  EXPECT_EQ(c.api.LastResponseCount(), -1);

  // A timeline answer without its quota headers counts as trouble on the line.
  auto bare = test::FakeHttp::Ok("[]");
  bare.headers.clear();
  c.http.answers = {bare};
  c.ui.answers = {MsgAnswer::No};
  EXPECT_EQ(c.api.GetUserTimeLine("1", false, "", "", "200", false), "Failed");
  EXPECT_EQ(c.ui.messages.back().text, "WFD is having trouble contacting the server. Try again?");
  EXPECT_EQ(c.ui.messages.back().caption, "Recoverable error within GetUserTimeLine");
  EXPECT_EQ(c.api.UTLRateLimitRemaining(), 300);  // unchanged

  // A search answer without them is taken; the quota keeps its old values.
  const auto remaining = c.api.SearchRateLimitRemaining();
  auto bare_search = test::FakeHttp::Ok(page);
  bare_search.headers.clear();
  c.http.answers = {bare_search};
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, false, "recent"), page);
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), remaining);

  // Friends and followers try once more after Yes, then give up.
  const std::size_t asked = c.ui.messages.size();
  const std::size_t sent = c.http.sent.size();
  c.http.answers = {test::FakeHttp::Unreachable(), test::FakeHttp::Unreachable()};
  c.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  EXPECT_EQ(c.api.GetFriendsList("", "a", "200", false), "Failed");
  EXPECT_EQ(c.ui.messages.size(), asked + 1);
  EXPECT_EQ(c.http.sent.size(), sent + 2);
  EXPECT_EQ(c.api.LastResponseCount(), -1);
}

// Cancel pressed while a request waits: the stop signal rises during the request's ticks.
TEST(TwitterApiCancel, AStopDuringTheWaitGivesTheRequestUpWithoutARetryQuestion) {
  Client c;
  c.Authenticate();
  bool stop = false;
  int asked = 0;
  c.api.SetStopSignal([&] {
    ++asked;
    if (asked == 3) stop = true;
    return stop;
  });
  std::string count = "100";
  const std::string page = test::ReadTestdata("rtweet/search_1.json");
  c.http.answers = {test::FakeHttp::Ok(page)};
  ASSERT_EQ(c.api.GetSearch("a", "", "", "", "", count, true, "recent"), page);
  const std::int32_t kept = c.api.Tweets().Count();
  ASSERT_GT(kept, 0);

  auto slow = test::FakeHttp::Ok(page);
  slow.ticks = 10;
  c.http.answers = {slow};
  asked = 0;
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, true, "recent"), "Failed");
  EXPECT_EQ(asked, 3);  // once before the request, then each tick until the stop
  EXPECT_TRUE(c.api.LastRequestCancelled());
  EXPECT_TRUE(c.api.LastRequestFailed());
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  EXPECT_EQ(c.api.LastResponseCode(), "Request cancelled by the user");
  EXPECT_TRUE(c.ui.messages.empty());
  EXPECT_EQ(c.api.Tweets().Count(), kept);

  // The one more attempt of the follower lists is given up the same way.
  stop = false;
  asked = 0;
  auto slow_list = test::FakeHttp::Ok(R"({"users":[],"next_cursor_str":"0"})");
  slow_list.ticks = 10;
  c.http.answers = {test::FakeHttp::Unreachable(), slow_list};
  c.ui.answers = {MsgAnswer::Yes};
  EXPECT_EQ(c.api.GetFollowersList("", "a", "200", false), "Failed");
  EXPECT_TRUE(c.api.LastRequestCancelled());
  EXPECT_EQ(c.ui.messages.size(), 1u);

  // The next request is a request like any other.
  c.api.SetStopSignal([] { return false; });
  auto ticking = test::FakeHttp::Ok(page);
  ticking.ticks = 10;
  c.http.answers = {ticking};
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, false, "recent"), page);
  EXPECT_FALSE(c.api.LastRequestCancelled());
}

TEST(TwitterApiCancel, AStopAskedForBeforeTheRequestLeavesItToTheLoop) {
  Client c;
  c.Authenticate();
  c.api.SetStopSignal([] { return true; });
  std::string count = "100";
  const std::string page = test::ReadTestdata("rtweet/search_1.json");
  auto slow = test::FakeHttp::Ok(page);
  slow.ticks = 5;
  c.http.answers = {slow};
  EXPECT_EQ(c.api.GetSearch("a", "", "", "", "", count, false, "recent"), page);
  EXPECT_FALSE(c.api.LastRequestCancelled());
}

TEST(TwitterApiQuota, HeadersAndLocalResetTimes) {
  const char* old_tz = getenv("TZ");
  const std::string saved = old_tz != nullptr ? old_tz : "";
  setenv("TZ", "Etc/GMT-2", 1);  // two hours ahead of UTC
  tzset();
  Client c;
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), 450);
  EXPECT_EQ(c.api.UTLRateLimitRemaining(), 300);
  EXPECT_EQ(c.api.ULNextLimitReset(), (CivilDateTime{1970, 1, 1, 2, 0, 0}));
  c.Authenticate();
  c.http.answers.push_back(
      test::FakeHttp::Ok(test::ReadTestdata("rtweet/timeline_3.json"), 1499, 1500, 1500000000));
  c.api.GetUserTimeLine("1", false, "", "", "200", false);
  EXPECT_EQ(c.api.UTLRateLimitRemaining(), 1499);
  EXPECT_EQ(c.api.UTLRateLimit(), 1500);
  EXPECT_EQ(c.api.UTLNextLimitReset(), (CivilDateTime{2017, 7, 14, 4, 40, 0}));
  EXPECT_EQ(TwitterAPI::GetLocalUTCOffset(), 2);
  if (old_tz != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(TwitterApiProxy, SearchGoesThroughTheProxyAfterSaying) {
  Client c;
  c.Authenticate();
  c.api.SetProxyServer("127.0.0.1:3128");
  std::string count = "100";
  c.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/search_1.json")));
  c.api.GetSearch("a", "", "", "", "", count, false, "recent");
  EXPECT_EQ(c.http.sent.back().proxy, "127.0.0.1:3128");
  ASSERT_EQ(c.ui.messages.size(), 1u);
  EXPECT_EQ(c.ui.messages[0].text, "Testing connection via proxy");
  EXPECT_EQ(c.ui.messages[0].caption, "Test");
  c.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/timeline_3.json")));
  c.api.GetUserTimeLine("1", false, "", "", "200", false);
  // Every request takes it; only a search says so first.
  EXPECT_EQ(c.http.sent.back().proxy, "127.0.0.1:3128");
  EXPECT_EQ(c.ui.messages.size(), 1u);
  c.http.answers.push_back(test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"B"})"));
  EXPECT_EQ(c.api.AuthAppAccess("app", "key", "secret"), "B");
  EXPECT_EQ(c.http.sent.back().proxy, "127.0.0.1:3128");
  EXPECT_EQ(c.ui.messages.size(), 1u);
}

}  // namespace
}  // namespace wf
