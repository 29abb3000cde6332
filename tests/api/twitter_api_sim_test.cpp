// TwitterAPI over the real HTTP stack (libcurl) against the simulated v1.1 service on loopback:
// what the server received, what the client made of the answers, and how trouble on the line
// reaches the user.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "api/curl_http.h"
#include "api/twitter_api.h"
#include "support-apisim/mini_json.h"
#include "support-apisim/test_server.h"
#include "support-apisim/tiny_proxy.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

using apisim::ReceivedRequest;
using apisim::ServerConfig;
using apisim::TestServer;
namespace accounts = apisim::accounts;

constexpr char kAppName[] = "WFD sim test";
constexpr char kTrouble[] = "WFD is having trouble contacting the server. Try again?";
constexpr char kSearchTrouble[] = "WFD is having trouble accessing the API server. Try again?";

// A corpus just big enough for every fixed account, so a server starts in moments.
ServerConfig SmallWorld() {
  ServerConfig config;
  config.corpus.users = 6000;
  config.corpus.search_tweets = 3000;
  config.threads = 4;
  return config;
}

apisim::test::JValue Parse(const std::string& body) {
  std::string error;
  auto value = apisim::test::ParseJson(body, &error);
  EXPECT_TRUE(value.has_value()) << error;
  return value.value_or(apisim::test::JValue{});
}

// The client wired to its own simulator. Members are built in order: server, HTTP, UI, API.
struct SimClient {
  explicit SimClient(ServerConfig config = SmallWorld(), CurlHttpOptions options = {})
      : sim(std::move(config)), http(std::move(options)), api(http, &ui, sim.BaseUrl()) {}

  void Authenticate() {
    ASSERT_EQ(api.AuthAppAccess(kAppName, "demo-key", "demo-secret"), Token());
  }
  std::string Token() const { return sim.Token(); }
  const apisim::Corpus& corpus() { return sim.server().corpus(); }
  void SetFaults(const apisim::FaultConfig& faults) { sim.server().SetFaults(faults); }

  // The requests for `path` the server has seen. A dropped connection is logged just after
  // the client notices, so wait briefly for at least `expected` before taking the list.
  std::vector<ReceivedRequest> Requests(const std::string& path, std::size_t expected = 0) {
    std::vector<ReceivedRequest> out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    do {
      out.clear();
      for (auto& r : sim.server().Received())
        if (r.path == path) out.push_back(std::move(r));
      if (out.size() >= expected) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return out;
  }
  ReceivedRequest Last() {
    const auto all = sim.server().Received();
    return all.empty() ? ReceivedRequest{} : all.back();
  }

  TestServer sim;
  CurlHttpClient http;
  test::ScriptedUi ui;
  TwitterAPI api;
};

std::string Param(const ReceivedRequest& r, const std::string& name) {
  const auto it = r.params.find(name);
  return it == r.params.end() ? std::string("<absent>") : it->second;
}

std::string Search(TwitterAPI& api, const std::string& query, bool append,
                   const std::string& max_id = "", const std::string& since_id = "") {
  std::string count = "100";
  return api.GetSearch(query, "", "", since_id, max_id, count, append, "recent");
}

// The local time zone for the length of a test.
class ZoneOverride {
 public:
  explicit ZoneOverride(const char* tz) {
    if (const char* old = getenv("TZ")) saved_ = old;
    had_ = getenv("TZ") != nullptr;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ZoneOverride() {
    if (had_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

std::time_t CivilAsUtc(const CivilDateTime& c) {
  std::tm tm{};
  tm.tm_year = c.year - 1900;
  tm.tm_mon = c.month - 1;
  tm.tm_mday = c.day;
  tm.tm_hour = c.hour;
  tm.tm_min = c.minute;
  tm.tm_sec = c.second;
  return timegm(&tm);
}

TEST(TwitterApiSim, TokenExchange) {
  // A key long enough that a line-wrapping Base64 encoder would break the header.
  ServerConfig config = SmallWorld();
  config.app_key = "wfd-" + std::string(60, 'k');
  SimClient c(config);

  EXPECT_EQ(c.api.AuthAppAccess(kAppName, "demo-key", "demo-secret"), "");  // not this app's
  EXPECT_EQ(c.Last().status, 403);
  EXPECT_EQ(c.api.BearerToken(), "");

  ASSERT_EQ(c.api.AuthAppAccess(kAppName, config.app_key, "demo-secret"), c.Token());
  const ReceivedRequest sent = c.Last();
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.target, "/oauth2/token?grant_type=client_credentials");
  EXPECT_EQ(sent.Header("User-Agent"), kAppName);
  EXPECT_EQ(sent.Header("Authorization").rfind("Basic ", 0), 0u);
  EXPECT_EQ(sent.Header("Content-Type"), "application/x-www-form-urlencoded;charset=UTF-8");
  EXPECT_EQ(sent.status, 200);
  EXPECT_EQ(c.api.BearerToken(), c.Token());

  // A token of another type and a refusal both leave the first token and application name.
  apisim::FaultConfig other_type;
  other_type.token_type = "mac";
  c.SetFaults(other_type);
  EXPECT_EQ(c.api.AuthAppAccess("Other app", config.app_key, "demo-secret"), "");
  EXPECT_EQ(c.Last().status, 200);
  c.SetFaults({});
  EXPECT_EQ(c.api.AuthAppAccess("Other app", config.app_key, "wrong"), "");
  EXPECT_EQ(c.Last().status, 403);
  EXPECT_EQ(c.api.BearerToken(), c.Token());
  EXPECT_EQ(c.api.ApplicationName(), kAppName);
  EXPECT_TRUE(c.ui.messages.empty());

  // The kept token, sent back with its "%2F" and "%3D" intact, still opens the resources.
  EXPECT_NE(Search(c.api, "skein", false), kFailed);
  EXPECT_EQ(c.Last().status, 200);
  EXPECT_EQ(c.Last().Header("User-Agent"), kAppName);
}

TEST(TwitterApiSim, SearchAddressPagingAndRecordSet) {
  SimClient c;
  c.Authenticate();

  std::string count = "500";
  const std::string body =
      c.api.GetSearch("skein AND twitter", "en", "", "", "", count, false, "recent");
  EXPECT_EQ(count, "100");
  const ReceivedRequest first = c.Last();
  EXPECT_EQ(first.method, "GET");
  EXPECT_EQ(first.target,
            "/1.1/search/tweets.json?q=skein%20AND%20twitter&count=100&lang=en&geocode="
            "&result_type=recent&tweet_mode=extended");
  EXPECT_EQ(first.Header("User-Agent"), kAppName);
  EXPECT_EQ(first.status, 200);

  // The record set holds exactly the statuses of the body, in the server's order.
  EXPECT_EQ(body, c.api.ResponseText());
  EXPECT_EQ(c.api.LastResponseCode(), "200:OK");
  const auto statuses = Parse(body)["statuses"].items;
  ASSERT_EQ(statuses.size(), 100u);
  ASSERT_EQ(c.api.Tweets().Count(), 100);
  EXPECT_EQ(c.api.LastResponseCount(), 100);
  for (int i = 1; i <= 100; ++i)
    EXPECT_EQ(c.api.Tweets().TweetID(i), statuses[i - 1]["id_str"].text) << i;
  EXPECT_EQ(c.api.Tweets().ScreenName(1), statuses[0]["user"]["screen_name"].text);

  // The next page goes below the oldest tweet; since_id bounds it from beneath.
  const std::string max_id = c.api.Tweets().OldestTweetId(true);
  const std::string since_id = std::to_string(c.corpus().StreamId(c.corpus().StreamSize() - 1));
  Search(c.api, "skein AND twitter", true, max_id, since_id);
  const ReceivedRequest second = c.Last();
  const std::string tail = "&tweet_mode=extended&max_id=" + max_id + "&since_id=" + since_id;
  EXPECT_EQ(second.target.substr(second.target.size() - tail.size()), tail);
  ASSERT_EQ(c.api.Tweets().Count(), 200);
  EXPECT_EQ(c.api.LastResponseCount(), 100);
  std::set<std::string> ids;
  for (int i = 1; i <= 200; ++i) ids.insert(c.api.Tweets().TweetID(i));
  EXPECT_EQ(ids.size(), 200u);  // no tweet twice across the page boundary
  EXPECT_LT(std::stoull(c.api.Tweets().TweetID(101)), std::stoull(c.api.Tweets().TweetID(100)));

  // Punctuation goes by its own escape and non-ASCII letters as UTF-8 bytes, so the server
  // decodes exactly what the user typed.
  const std::string query = "#skein \"caf\xC3\xA9 cr\xC3\xA8me\" -wool";
  Search(c.api, query, false);
  const ReceivedRequest typed = c.Last();
  EXPECT_EQ(Param(typed, "q"), query);
  EXPECT_NE(typed.target.find("q=%23skein%20%22caf%C3%A9%20cr%C3%A8me%22%20"), std::string::npos)
      << typed.target;
  EXPECT_EQ(typed.status, 200);
}

TEST(TwitterApiSim, TimelineLookupAndFollowerIds) {
  SimClient c;
  c.Authenticate();
  const auto& corpus = c.corpus();
  const std::string small_id = std::to_string(corpus.Key(accounts::kSmall).id);

  c.api.GetUserTimeLine("skein_small", true, "", "", "200", false);
  EXPECT_EQ(
      c.Last().target,
      "/1.1/statuses/user_timeline.json?&count=200&tweet_mode=extended&screen_name=skein_small");
  ASSERT_EQ(c.api.Tweets().Count(), static_cast<int>(corpus.TimelineSize(accounts::kSmall)));
  EXPECT_EQ(c.api.Tweets().TweetID(1), std::to_string(corpus.TimelineId(accounts::kSmall, 0)));
  EXPECT_EQ(c.api.Tweets().ScreenName(1), "skein_small");

  // By id, within an id range: max_id is inclusive, since_id exclusive.
  const std::string max_id = std::to_string(corpus.TimelineId(accounts::kSmall, 10));
  const std::string since_id = std::to_string(corpus.TimelineId(accounts::kSmall, 40));
  c.api.GetUserTimeLine(small_id, false, since_id, max_id, "200", false);
  const ReceivedRequest by_id = c.Last();
  EXPECT_EQ(by_id.target,
            "/1.1/statuses/user_timeline.json?&count=200&tweet_mode=extended"
            "&user_id=" +
                small_id + "&max_id=" + max_id + "&since_id=" + since_id);
  EXPECT_EQ(Param(by_id, "user_id"), small_id);
  ASSERT_EQ(c.api.Tweets().Count(), 30);
  EXPECT_EQ(c.api.Tweets().TweetID(1), max_id);
  EXPECT_EQ(c.api.UTLRateLimit(), 1500);
  EXPECT_EQ(c.api.UTLRateLimitRemaining(), 1498);

  // Lookup: ids win over names; a trailing comma and an unknown id are taken in stride.
  const std::string team_id = std::to_string(corpus.Key(accounts::kTeam).id);
  const std::string ids = team_id + "," + small_id + ",1,";
  c.api.GetUsersLookUp(ids, "skein_quiet", false);
  EXPECT_EQ(c.Last().target, "/1.1/users/lookup.json?user_id=" + ids);
  ASSERT_EQ(c.api.Users().Count(), 2);
  std::set<std::string> names{c.api.Users().ScreenName(1), c.api.Users().ScreenName(2)};
  EXPECT_EQ(names, (std::set<std::string>{"skein_team", "skein_small"}));
  EXPECT_EQ(c.api.Users().Followers(c.api.Users().FindUserIndex("skein_team", "")),
            static_cast<int>(accounts::kTeamFollowers));

  c.api.GetUsersLookUp("", "skein_quiet,SKEIN_PRIVATE", true);
  EXPECT_EQ(c.Last().target, "/1.1/users/lookup.json?screen_name=skein_quiet,SKEIN_PRIVATE");
  EXPECT_EQ(c.api.Users().Count(), 4);
  EXPECT_TRUE(c.api.Users().Protected(c.api.Users().FindUserIndex("skein_private", "")));
  EXPECT_EQ(c.api.ULRateLimit(), 300);
  EXPECT_EQ(c.api.ULRateLimitRemaining(), 298);

  // Follower ids are only handed back: no record set, no quota.
  const std::int16_t ul_before = c.api.ULRateLimitRemaining();
  const std::string body = c.api.GetFollowerIds("skein_small");
  EXPECT_EQ(c.Last().target,
            "/1.1/followers/ids.json?cursor=-1&screen_name=skein_small&count=5000");
  EXPECT_EQ(body, c.api.ResponseText());
  EXPECT_EQ(Parse(body)["ids"].items.size(), corpus.FollowerCount(accounts::kSmall));
  EXPECT_EQ(c.api.Users().Count(), 4);
  EXPECT_EQ(c.api.Tweets().Count(), 30);
  EXPECT_EQ(c.api.ULRateLimitRemaining(), ul_before);
  EXPECT_FALSE(c.api.LastRequestFailed());
  EXPECT_TRUE(c.ui.messages.empty());
}

TEST(TwitterApiSim, FollowerAndFriendListsPageThroughToTheEnd) {
  SimClient c;
  c.Authenticate();
  const auto& corpus = c.corpus();

  // Each page asks for the cursor the previous answer gave, until the list reports none.
  std::vector<std::string> cursors_given{"-1"};
  int pages = 0;
  for (bool append = false; pages < 10; append = true) {
    ASSERT_NE(c.api.GetFollowersList("", "skein_small", "5", append), kFailed);
    ++pages;
    cursors_given.push_back(Parse(c.api.ResponseText())["next_cursor_str"].text);
    if (c.api.Users().NextCursor() == "0") break;
  }
  EXPECT_EQ(cursors_given.back(), "0");
  const auto sent = c.Requests("/1.1/followers/list.json");
  ASSERT_EQ(static_cast<int>(sent.size()), pages);
  for (int i = 0; i < pages; ++i) {
    EXPECT_EQ(Param(sent[i], "cursor"), cursors_given[i]) << "page " << i;
    EXPECT_EQ(Param(sent[i], "screen_name"), "skein_small");
    EXPECT_EQ(Param(sent[i], "count"), "5");
  }
  const auto followers = corpus.FollowerCount(accounts::kSmall);
  EXPECT_EQ(pages, static_cast<int>((followers + 4) / 5));
  ASSERT_EQ(c.api.Users().Count(), static_cast<int>(followers));
  for (std::uint32_t i = 0; i < followers; ++i) {
    const auto& expected = corpus.Key(corpus.FollowerAt(accounts::kSmall, i));
    EXPECT_EQ(c.api.Users().Id(static_cast<int>(i) + 1), std::to_string(expected.id));
  }
  EXPECT_EQ(c.api.FLRateLimit(), 15);
  EXPECT_EQ(c.api.FLRateLimitRemaining(), 15 - pages);

  // A new list starts over from the first page, here by user id.
  const std::string small_id = std::to_string(corpus.Key(accounts::kSmall).id);
  c.api.GetFriendsList(small_id, "", "2", false);
  EXPECT_EQ(c.Last().target,
            "/1.1/friends/list.json?screen_name=&user_id=" + small_id + "&count=2&cursor=-1");
  EXPECT_EQ(c.api.Users().Count(), 2);
  const std::string next = Parse(c.api.ResponseText())["next_cursor_str"].text;
  c.api.GetFriendsList(small_id, "", "2", true);
  EXPECT_EQ(Param(c.Last(), "cursor"), next);
  EXPECT_EQ(c.api.Users().Count(), static_cast<int>(corpus.FriendCount(accounts::kSmall)));
  EXPECT_EQ(c.api.Users().NextCursor(), "0");
  EXPECT_EQ(c.api.FrRateLimitRemaining(), 13);
  EXPECT_EQ(c.api.FLRateLimitRemaining(), 15 - pages);  // each family keeps its own
}

TEST(TwitterApiSim, QuotaFromHeadersAndA429WhenTheWindowIsSpent) {
  // Half-hour zone: the reset must come out in real local time, not whole hours off UTC.
  ZoneOverride zone("IST-5:30");
  ServerConfig config = SmallWorld();
  config.window_seconds = 2;
  config.limits[static_cast<std::size_t>(apisim::Family::kSearch)] = 2;
  SimClient c(config);
  c.Authenticate();
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), 450);  // nothing reported yet

  const std::time_t before = std::time(nullptr);
  ASSERT_NE(Search(c.api, "skein", false), kFailed);
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(c.api.SearchRateLimit(), 2);
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), 1);
  const std::time_t reset = CivilAsUtc(c.api.SearchNextLimitReset()) - (5 * 3600 + 30 * 60);
  EXPECT_GE(reset, before + 2);
  EXPECT_LE(reset, after + 3);

  Search(c.api, "skein", true);
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), 0);
  const std::string last_good = c.api.ResponseText();
  const int held = c.api.Tweets().Count();

  EXPECT_EQ(Search(c.api, "skein", true), kFailed);
  EXPECT_EQ(c.Last().status, 429);
  EXPECT_EQ(c.api.LastResponseCode(), "429:Too Many Requests");
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  EXPECT_EQ(c.api.ResponseText(), last_good);
  EXPECT_EQ(c.api.Tweets().Count(), held);
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), 0);
  EXPECT_TRUE(c.ui.messages.empty());  // a status is the caller's to report

  // Once the reset instant has passed, a new window opens.
  std::this_thread::sleep_until(std::chrono::system_clock::from_time_t(reset) +
                                std::chrono::milliseconds(50));
  EXPECT_EQ(Search(c.api, "skein", false), c.api.ResponseText());
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), 1);
  EXPECT_GE(CivilAsUtc(c.api.SearchNextLimitReset()) - (5 * 3600 + 30 * 60), reset + 2);
}

TEST(TwitterApiSim, UnauthorisedRequests) {
  SimClient c;
  std::string count = "100";
  // Without a token a search is not even sent; a lookup is, and the server refuses it.
  EXPECT_EQ(c.api.GetSearch("skein", "", "", "", "", count, false, "recent"), "");
  EXPECT_TRUE(c.sim.server().Received().empty());
  EXPECT_EQ(c.api.GetUsersLookUp("", "skein_team", false), kFailed);
  EXPECT_EQ(c.Last().status, 401);
  EXPECT_EQ(c.api.LastResponseCode(), "401:Unauthorized");
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  EXPECT_EQ(c.api.ULRateLimit(), 0);  // a refused answer updates no quota

  // A token from another service (other generated data) is refused the same way.
  ServerConfig elsewhere = SmallWorld();
  elsewhere.corpus.data_seed = 2;
  SimClient other(elsewhere);
  ASSERT_NE(other.Token(), c.Token());
  other.Authenticate();
  ASSERT_NE(other.api.BearerToken(), "");
  other.api.SetApiBase(c.sim.BaseUrl());
  EXPECT_EQ(other.api.GetUsersLookUp("", "skein_team", false), kFailed);
  EXPECT_EQ(other.api.LastResponseCode(), "401:Unauthorized");
  other.api.SetApiBase(other.sim.BaseUrl());
  EXPECT_NE(other.api.GetUsersLookUp("", "skein_team", false), kFailed);
  EXPECT_TRUE(c.ui.messages.empty());
  EXPECT_TRUE(other.ui.messages.empty());
}

TEST(TwitterApiSim, TroubleOnTheLineAsksTheUser) {
  SimClient c;
  c.Authenticate();
  apisim::FaultConfig faults;

  // Every second search is dropped: after Yes the search goes out again and succeeds.
  faults.drop = 0.5;
  faults.scope = apisim::Family::kSearch;
  c.SetFaults(faults);
  ASSERT_NE(Search(c.api, "skein", false), kFailed);
  c.ui.answers = {MsgAnswer::Yes};
  const std::string body = Search(c.api, "skein", true);
  EXPECT_EQ(body, c.api.ResponseText());
  EXPECT_EQ(c.api.Tweets().Count(), 200);
  ASSERT_EQ(c.ui.messages.size(), 1u);
  EXPECT_EQ(c.ui.messages[0].text, kSearchTrouble);
  EXPECT_EQ(c.ui.messages[0].caption, "Recoverable error within GetSearch");
  EXPECT_EQ(c.ui.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(c.Requests("/1.1/search/tweets.json", 3).size(), 3u);

  // Every search dropped: Yes, then No.
  faults.drop = 1;
  c.SetFaults(faults);
  c.ui.messages.clear();
  c.ui.answers = {MsgAnswer::Yes, MsgAnswer::No};
  EXPECT_EQ(Search(c.api, "skein", true), kFailed);
  EXPECT_EQ(c.ui.messages.size(), 2u);
  EXPECT_EQ(c.api.LastResponseCode(), "Couldn't access the API server");
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  EXPECT_EQ(c.api.ResponseText(), body);
  EXPECT_EQ(c.Requests("/1.1/search/tweets.json", 5).size(), 5u);

  // A timeline answer without quota headers is trouble; a search answer without them is not.
  faults = {};
  c.SetFaults(faults);
  c.api.GetUserTimeLine("skein_small", true, "", "", "200", false);
  const std::int16_t utl_remaining = c.api.UTLRateLimitRemaining();
  const std::int16_t search_remaining = c.api.SearchRateLimitRemaining();
  faults.noquota = 1;
  c.SetFaults(faults);
  c.ui.messages.clear();
  c.ui.answers = {MsgAnswer::Yes, MsgAnswer::No};
  EXPECT_EQ(c.api.GetUserTimeLine("skein_small", true, "", "", "200", false), kFailed);
  ASSERT_EQ(c.ui.messages.size(), 2u);
  EXPECT_EQ(c.ui.messages[0].text, kTrouble);
  EXPECT_EQ(c.ui.messages[0].caption, "Recoverable error within GetUserTimeLine");
  EXPECT_EQ(c.api.UTLRateLimitRemaining(), utl_remaining);
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  c.ui.messages.clear();
  EXPECT_NE(Search(c.api, "skein", false), kFailed);
  EXPECT_TRUE(c.ui.messages.empty());
  EXPECT_EQ(c.api.SearchRateLimitRemaining(), search_remaining);
  EXPECT_EQ(c.api.LastResponseCount(), 100);

  // A body cut short of its length is trouble too, never a partial record set.
  faults = {};
  faults.cut = 1;
  c.SetFaults(faults);
  const int held = c.api.Users().Count();
  c.ui.answers = {MsgAnswer::No};
  EXPECT_EQ(c.api.GetUsersLookUp("", "skein_team,skein_small", true), kFailed);
  ASSERT_EQ(c.ui.messages.size(), 1u);
  EXPECT_EQ(c.ui.messages[0].caption, "Recoverable error within GetUsersLookUp");
  EXPECT_EQ(c.api.Users().Count(), held);

  // Followers after Yes get exactly one more attempt; failing again ends it without asking.
  faults = {};
  faults.drop = 1;
  c.SetFaults(faults);
  c.ui.messages.clear();
  c.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  EXPECT_EQ(c.api.GetFollowersList("", "skein_small", "5", false), kFailed);
  ASSERT_EQ(c.ui.messages.size(), 1u);
  EXPECT_EQ(c.ui.messages[0].caption, "Recoverable error within GetFollowersList");
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  c.SetFaults({});
  EXPECT_NE(c.api.GetFollowersList("", "skein_small", "5", false), kFailed);
  EXPECT_EQ(c.Requests("/1.1/followers/list.json", 3).size(), 3u);
}

TEST(TwitterApiSim, HttpsTrustsExactlyTheSimulatorsCertificate) {
  test::TempDir dir;
  ServerConfig config = SmallWorld();
  config.tls = true;
  config.cert_file = dir.File("apisim.pem");
  SimClient c(config, CurlHttpOptions{config.cert_file});
  ASSERT_EQ(c.sim.BaseUrl().rfind("https://127.0.0.1:", 0), 0u);
  c.Authenticate();
  EXPECT_NE(Search(c.api, "skein AND twitter", false), kFailed);
  EXPECT_EQ(c.api.Tweets().Count(), 100);
  EXPECT_EQ(c.Last().Header("User-Agent"), kAppName);
  EXPECT_NE(c.api.GetFollowersList("", "skein_small", "200", false), kFailed);
  EXPECT_EQ(c.api.Users().Count(), static_cast<int>(c.corpus().FollowerCount(accounts::kSmall)));

  // The system's store does not know the certificate, nor does a client that trusts another
  // simulator's: the handshake fails before any request, as trouble on the line.
  ServerConfig second = config;
  second.cert_file = dir.File("other.pem");
  TestServer other(second);
  for (const std::string& ca : {std::string(), second.cert_file}) {
    CurlHttpClient http(CurlHttpOptions{ca});
    test::ScriptedUi ui;
    TwitterAPI api(http, &ui, c.sim.BaseUrl());
    const std::size_t seen = c.sim.server().Received().size();
    EXPECT_EQ(api.AuthAppAccess(kAppName, "demo-key", "demo-secret"), "") << ca;
    EXPECT_TRUE(ui.messages.empty());
    ui.answers = {MsgAnswer::No};
    EXPECT_EQ(api.GetUsersLookUp("", "skein_team", false), kFailed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kTrouble);
    EXPECT_EQ(c.sim.server().Received().size(), seen);
  }
}

TEST(TwitterApiSim, SearchGoesThroughTheProxyOverHttpAndHttps) {
  test::TempDir dir;
  for (const bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "https" : "http");
    ServerConfig config = SmallWorld();
    config.tls = tls;
    config.cert_file = tls ? dir.File("apisim.pem") : "";
    SimClient c(config, CurlHttpOptions{config.cert_file});
    apisim::TinyProxy proxy;
    ASSERT_TRUE(proxy.ok());
    c.Authenticate();
    c.api.SetProxyServer("127.0.0.1:" + std::to_string(proxy.port()));

    EXPECT_NE(Search(c.api, "skein AND twitter", false), kFailed);
    EXPECT_EQ(c.api.Tweets().Count(), 100);
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].text, "Testing connection via proxy");
    const auto lines = proxy.RequestLines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string authority = "127.0.0.1:" + std::to_string(c.sim.port());
    if (tls) {
      EXPECT_EQ(lines[0], "CONNECT " + authority + " HTTP/1.1");
    } else {
      EXPECT_EQ(lines[0].rfind("GET http://" + authority +
                                   "/1.1/search/tweets.json?q=skein%20AND"
                                   "%20twitter&count=100",
                               0),
                0u)
          << lines[0];
    }
    EXPECT_EQ(c.Last().path, "/1.1/search/tweets.json");
    EXPECT_EQ(c.Last().status, 200);

    // The other requests take the proxy too, without the notice.
    c.api.GetUserTimeLine("skein_small", true, "", "", "20", false);
    EXPECT_EQ(c.Last().status, 200);
    EXPECT_EQ(proxy.RequestLines().size(), 2u);
    EXPECT_EQ(c.ui.messages.size(), 1u);
  }
}

TEST(TwitterApiSim, AnswerLaterThanTheWaitIsATransportFailure) {
  SimClient c;
  c.Authenticate();
  // Every answer is held back for a minute (released when the server stops), far beyond the 5 s
  // a timeline waits, so the failure can only come from the client's own wait.
  apisim::FaultConfig slow;
  slow.stall = 1.0;
  slow.stall_ms = 60000;
  c.SetFaults(slow);
  c.ui.answers = {MsgAnswer::No};
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(c.api.GetUserTimeLine("skein_small", true, "", "", "20", false), kFailed);
  const auto waited = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(c.ui.messages.size(), 1u);
  EXPECT_EQ(c.ui.messages[0].caption, "Recoverable error within GetUserTimeLine");
  EXPECT_EQ(c.api.LastResponseCount(), -1);
  EXPECT_EQ(c.api.UTLRateLimitRemaining(), 300);
  // It gave up at its own wait rather than at once or after the answer. Only a lower bound on
  // the wait is exact; the upper one leaves a loaded machine half the stall to spare.
  EXPECT_GE(waited, std::chrono::milliseconds(4500));
  EXPECT_LT(waited, std::chrono::seconds(30));
}

// ---- A slow server ----------------------------------------------------------------------------

ServerConfig Slow(int latency_ms) {
  ServerConfig config = SmallWorld();
  config.faults.latency_ms = latency_ms;
  return config;
}

// At the client's 20 ms pace a 2 s wait gives about a hundred turns; ten (one per 200 ms) holds
// on a machine busy with other work, and is far above libcurl's own progress pace while no
// data moves (about one call a second).
constexpr int kTurnsInTwoSeconds = 10;

TEST(ApiSimSlowServer, TheTokenRequestGivesTheWindowItsTurnsWhileItWaits) {
  TestServer server(Slow(2000));
  int turns = 0;
  CurlHttpOptions options;
  options.while_waiting = [&] { ++turns; };
  CurlHttpClient http(options);
  TwitterAPI api(http, nullptr, server.BaseUrl());
  EXPECT_EQ(api.AuthAppAccess(kAppName, "demo-key", "demo-secret"), server.Token());
  EXPECT_GE(turns, kTurnsInTwoSeconds);
}

TEST(ApiSimSlowServer, ATickThatAsksToStopGivesTheRequestUp) {
  TestServer server(Slow(2000));
  int turns = 0;
  CurlHttpOptions options;
  options.while_waiting = [&] { ++turns; };
  CurlHttpClient http(options);
  auto request = http.CreateRequest();
  int ticks = 0;
  request->SetTransferTick([&] { return ++ticks < 3; });
  request->Open("GET", server.BaseUrl() + "/1.1/search/tweets.json?q=skein", false);
  request->Send();
  EXPECT_FALSE(request->WaitForResponse(10));
  EXPECT_TRUE(request->Cancelled());
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(turns, 3);  // the window's turn comes first, so a Cancel taken there counts at once
  EXPECT_EQ(request->Status(), 0);
  EXPECT_TRUE(request->ResponseText().empty());
  EXPECT_FALSE(request->ErrorText().empty());

  // The same request object asks again, and with a tick that lets it run, it is answered.
  ticks = -1000;
  EXPECT_TRUE(request->WaitForResponse(10));
  EXPECT_FALSE(request->Cancelled());
  EXPECT_EQ(request->Status(), 401);  // no token sent
  EXPECT_GE(ticks, -1000 + kTurnsInTwoSeconds);
}

}  // namespace
}  // namespace wf
