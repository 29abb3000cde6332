#include <gtest/gtest.h>
#include <httplib.h>

#include "apisim/options.h"
#include "apisim/server.h"
#include "support-apisim/mini_json.h"
#include "support-apisim/test_server.h"

namespace wf::apisim {
namespace {

httplib::Result Get(TestServer& s, const std::string& target, const std::string& token) {
  httplib::Client client("127.0.0.1", s.port());
  client.set_read_timeout(10, 0);
  httplib::Headers headers;
  if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
  return client.Get(target.c_str(), headers);
}

test::JValue Body(const httplib::Result& r) {
  std::string error;
  auto v = test::ParseJson(r->body, &error);
  EXPECT_TRUE(v) << error << "\n" << r->body.substr(0, 200);
  return v.value_or(test::JValue{});
}

// One request of each v2 family (and the v1.1 lookup by id), with the window it reports.
struct Probe {
  Family family;
  std::string target;
  const char* limit;
};

std::vector<Probe> Probes(const Server& s) {
  const std::string team = std::to_string(s.corpus().Key(accounts::kTeam).id);
  const std::string tweet = std::to_string(s.corpus().StreamId(0));
  return {
      {Family::kSearchRecent, "/2/tweets/search/recent?query=skein", "450"},
      {Family::kSearchAll, "/2/tweets/search/all?query=skein", "300"},
      {Family::kUsersTweets, "/2/users/" + team + "/tweets", "1500"},
      {Family::kUsersBy, "/2/users/by?usernames=skein_team", "300"},
      {Family::kUserByUsername, "/2/users/by/username/skein_team", "300"},
      {Family::kUsersIds, "/2/users?ids=" + team, "300"},
      {Family::kUsersFollowers, "/2/users/" + team + "/followers", "15"},
      {Family::kUsersFollowing, "/2/users/" + team + "/following", "15"},
      {Family::kTweetsLookup, "/2/tweets?ids=" + tweet, "300"},
      {Family::kStatusesLookup, "/1.1/statuses/lookup.json?id=" + tweet, "300"},
  };
}

TEST(V2ServerTest, EveryFamilyAnswersWithItsOwnWindow) {
  TestServer s;
  for (const Probe& p : Probes(s.server())) {
    SCOPED_TRACE(p.target);
    EXPECT_EQ(FamilyByPath(p.target.substr(0, p.target.find('?'))), p.family);
    const auto r = Get(s, p.target, s.Token());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->get_header_value("x-rate-limit-limit"), p.limit);
    EXPECT_EQ(r->get_header_value("x-rate-limit-remaining"),
              std::to_string(std::stoi(p.limit) - 1));
    EXPECT_TRUE(r->has_header("x-rate-limit-reset"));
    const bool v2 = p.target.rfind("/2/", 0) == 0;
    EXPECT_EQ(r->get_header_value("Content-Type"),
              v2 ? "application/json; charset=utf-8" : "application/json;charset=utf-8");
    const test::JValue body = Body(r);
    EXPECT_TRUE(!v2 || body.Find("data"));
  }
  EXPECT_FALSE(FamilyByPath("/2/users/1/likes"));
  EXPECT_FALSE(FamilyByPath("/2/users/by/username/"));
  EXPECT_EQ(FamilyByName("2/users/:id/tweets"), Family::kUsersTweets);
  EXPECT_FALSE(FamilyByName(""));
  EXPECT_FALSE(FamilyByName("tweets"));
  EXPECT_EQ(FamilyByName("2/tweets"), Family::kTweetsLookup);
}

TEST(V2ServerTest, AuthUnknownPathsAndSpentWindowsAnswerWithProblems) {
  ServerConfig config;
  config.limits[static_cast<size_t>(Family::kSearchRecent)] = 1;
  TestServer s(config);
  const auto none = Get(s, "/2/tweets/search/recent?query=skein", "");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->status, 401);
  EXPECT_EQ(
      none->body,
      R"({"title":"Unauthorized","detail":"Unauthorized","type":"about:blank","status":401})");
  EXPECT_EQ(none->get_header_value("x-rate-limit-remaining"), "1");
  const auto unknown = Get(s, "/2/spaces/search?query=skein", s.Token());
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->status, 404);
  EXPECT_EQ(Body(unknown)["status"].text, "404");

  ASSERT_EQ(Get(s, "/2/tweets/search/recent?query=skein", s.Token())->status, 200);
  const auto spent = Get(s, "/2/tweets/search/recent?query=skein", s.Token());
  ASSERT_TRUE(spent);
  EXPECT_EQ(spent->status, 429);
  EXPECT_EQ(spent->body, R"({"title":"Too Many Requests","detail":"Too Many Requests",)"
                         R"("type":"about:blank","status":429})");
  EXPECT_EQ(spent->get_header_value("x-rate-limit-remaining"), "0");
  // The v1.1 search keeps its own window.
  EXPECT_EQ(Get(s, "/1.1/search/tweets.json?q=skein", s.Token())->status, 200);

  const auto bad = Get(s, "/2/tweets/search/all?query=skein&max_results=501", s.Token());
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->status, 400);
  EXPECT_EQ(Body(bad)["title"].text, "Invalid Request");
}

TEST(V2ServerTest, FullArchiveSearchAlsoHasAPerSecondLimit) {
  ServerConfig config;
  config.limits[static_cast<size_t>(Family::kSearchAllPerSecond)] = 0;
  TestServer s(config);
  const auto r = Get(s, "/2/tweets/search/all?query=skein", s.Token());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 429);
  EXPECT_EQ(r->get_header_value("x-rate-limit-limit"), "0");
  s.server().SetLimits(DefaultLimits());
  EXPECT_EQ(Get(s, "/2/tweets/search/all?query=skein", s.Token())->status, 200);

  int64_t now_ms = 1'700'000'000'000;
  RateLimiter limiter(900, DefaultLimits(), [&] { return now_ms; });
  RateLimiter::Quota q;
  EXPECT_TRUE(limiter.Spend(Family::kSearchAllPerSecond, q));
  EXPECT_FALSE(limiter.Spend(Family::kSearchAllPerSecond, q));
  EXPECT_EQ(q.reset, 1'700'000'001);
  now_ms += 1000;
  EXPECT_TRUE(limiter.Spend(Family::kSearchAllPerSecond, q));
}

TEST(V2ServerTest, ForbidAndUsageCapRefuseWithTheirBodies) {
  ServerConfig config;
  std::string error;
  ASSERT_TRUE(ApplyFault("forbid=search_all", config.faults, &error)) << error;
  ASSERT_TRUE(ApplyFault("forbid=search", config.faults, &error)) << error;
  EXPECT_FALSE(ApplyFault("forbid=everything", config.faults, &error));
  EXPECT_FALSE(ApplyFault("usagecap=yes", config.faults, &error));
  TestServer s(config);
  const auto all = Get(s, "/2/tweets/search/all?query=skein", s.Token());
  ASSERT_TRUE(all);
  EXPECT_EQ(all->status, 403);
  const test::JValue forbidden = Body(all);
  EXPECT_EQ(forbidden["type"].text, "https://api.twitter.com/2/problems/client-forbidden");
  EXPECT_EQ(forbidden["reason"].text, "client-not-enrolled");
  EXPECT_EQ(forbidden["title"].text, "Client Forbidden");
  EXPECT_FALSE(forbidden["detail"].text.empty());
  const auto v1 = Get(s, "/1.1/search/tweets.json?q=skein", s.Token());
  ASSERT_TRUE(v1);
  EXPECT_EQ(v1->status, 403);
  EXPECT_EQ(Body(v1)["errors"].items[0]["code"].text, "453");
  EXPECT_EQ(Get(s, "/2/tweets/search/recent?query=skein", s.Token())->status, 200);

  FaultConfig capped;
  ASSERT_TRUE(ApplyFault("usagecap=1", capped, &error)) << error;
  s.server().SetFaults(capped);
  for (const Probe& p : Probes(s.server())) {
    const auto r = Get(s, p.target, s.Token());
    ASSERT_TRUE(r);
    if (p.family == Family::kStatusesLookup) {
      EXPECT_EQ(r->status, 200) << "v1.1 has no usage cap";
      continue;
    }
    EXPECT_EQ(r->status, 429) << p.target;
    const test::JValue body = Body(r);
    EXPECT_EQ(body["title"].text, "UsageCapExceeded");
    EXPECT_EQ(body["type"].text, "https://api.twitter.com/2/problems/usage-capped");
    // Not a spent window: the headers still show requests left.
    const int spent = p.family == Family::kSearchRecent ? 1 : 0;  // the request above
    EXPECT_EQ(r->get_header_value("x-rate-limit-remaining"),
              std::to_string(std::stoi(p.limit) - spent))
        << p.target;
  }
}

TEST(V2ServerTest, ShareFaultsAndOversizeApplyToV2) {
  ServerConfig config;
  config.faults.status503 = 0.5;
  config.faults.scope = Family::kUsersTweets;
  TestServer s(config);
  const std::string target =
      "/2/users/" + std::to_string(s.server().corpus().Key(accounts::kTeam).id) + "/tweets";
  const auto first = Get(s, target, s.Token());
  const auto second = Get(s, target, s.Token());
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->status, 200);
  EXPECT_EQ(second->status, 503);
  EXPECT_EQ(Body(second)["title"].text, "Service Unavailable");
  EXPECT_EQ(Get(s, "/2/users/by?usernames=skein_team", s.Token())->status, 200);

  FaultConfig faults;
  faults.truncate = 1;
  faults.oversize = 7;
  s.server().SetFaults(faults);
  const auto cut = Get(s, target + "?max_results=100", s.Token());
  ASSERT_TRUE(cut);
  EXPECT_FALSE(test::ParseJson(cut->body));
  faults.truncate = 0;
  s.server().SetFaults(faults);
  const auto seven = Get(s, target + "?max_results=100", s.Token());
  ASSERT_TRUE(seven);
  EXPECT_EQ(Body(seven)["meta"]["result_count"].text, "7");
}

TEST(V2ServerTest, CommandLineNamesTheNewFamiliesAndFaults) {
  std::string error;
  const auto cl =
      ParseCommandLine({"--limit", "search_all=5", "--limit", "2/users/:id/followers=2", "--limit",
                        "search_all_per_second=0", "--fault", "partial=10%", "--fault",
                        "deleted=0.2", "--fault", "forbid=users_by", "--fault", "usagecap=1"},
                       &error);
  ASSERT_TRUE(cl) << error;
  const ServerConfig& c = cl->config;
  EXPECT_EQ(c.limits[static_cast<size_t>(Family::kSearchAll)], 5);
  EXPECT_EQ(c.limits[static_cast<size_t>(Family::kUsersFollowers)], 2);
  EXPECT_EQ(c.limits[static_cast<size_t>(Family::kSearchAllPerSecond)], 0);
  EXPECT_EQ(c.limits[static_cast<size_t>(Family::kTweetsLookup)], 300);
  EXPECT_DOUBLE_EQ(c.faults.partial, 0.1);
  EXPECT_DOUBLE_EQ(c.faults.deleted, 0.2);
  EXPECT_TRUE(c.faults.forbid[static_cast<size_t>(Family::kUsersBy)]);
  EXPECT_FALSE(c.faults.forbid[static_cast<size_t>(Family::kUsersIds)]);
  EXPECT_TRUE(c.faults.usagecap);
  EXPECT_FALSE(ParseCommandLine({"--fault", "partial=2"}, &error));
  EXPECT_NE(UsageText().find("search_recent"), std::string::npos);
}

}  // namespace
}  // namespace wf::apisim
