#include <gtest/gtest.h>

#include "apisim/faults.h"
#include "apisim/options.h"
#include "apisim/rate_limiter.h"

namespace wf::apisim {
namespace {

TEST(RateLimiterTest, SpendsAWindowThenRefusesUntilItResets) {
  int64_t now_ms = 1'700'000'000'500;
  Limits limits = DefaultLimits();
  limits[static_cast<size_t>(Family::kSearch)] = 3;
  RateLimiter limiter(60, limits, [&] { return now_ms; });

  RateLimiter::Quota q;
  const RateLimiter::Quota fresh = limiter.Peek(Family::kSearch);
  EXPECT_EQ(fresh.remaining, 3);
  for (int expected = 2; expected >= 0; --expected) {
    ASSERT_TRUE(limiter.Spend(Family::kSearch, q));
    EXPECT_EQ(q.limit, 3);
    EXPECT_EQ(q.remaining, expected);
    EXPECT_EQ(q.reset, 1'700'000'061);  // first request + 60 s, rounded up to a second
    now_ms += 1000;
  }
  EXPECT_FALSE(limiter.Spend(Family::kSearch, q));
  EXPECT_EQ(q.remaining, 0);
  EXPECT_EQ(limiter.Peek(Family::kSearch).remaining, 0);

  // Other families keep their own windows and the real app-only limits.
  ASSERT_TRUE(limiter.Spend(Family::kUserTimeline, q));
  EXPECT_EQ(q.limit, 1500);
  EXPECT_EQ(q.remaining, 1499);

  now_ms = 1'700'000'060'499;
  EXPECT_FALSE(limiter.Spend(Family::kSearch, q));
  now_ms = 1'700'000'060'500;
  EXPECT_EQ(limiter.Peek(Family::kSearch).remaining, 3);
  ASSERT_TRUE(limiter.Spend(Family::kSearch, q));
  EXPECT_EQ(q.remaining, 2);
  EXPECT_EQ(q.reset, 1'700'000'121);
}

TEST(RateLimiterTest, FamiliesByNameAndPath) {
  EXPECT_EQ(FamilyByName("followers_list"), Family::kFollowersList);
  EXPECT_EQ(FamilyByName("statuses/user_timeline"), Family::kUserTimeline);
  EXPECT_FALSE(FamilyByName("timeline"));
  EXPECT_EQ(FamilyByPath("/1.1/users/lookup.json"), Family::kUsersLookup);
  EXPECT_EQ(FamilyByPath("/1.1/followers/ids.json"), Family::kFollowersIds);
  EXPECT_FALSE(FamilyByPath("/1.1/friends/ids.json"));
  EXPECT_FALSE(FamilyByPath("/1.1/search/tweets"));
  const Limits d = DefaultLimits();
  EXPECT_EQ(d, (Limits{450, 1500, 15, 15, 300, 15}));
}

TEST(FaultTest, SharesAreSpreadEvenlyAndScoped) {
  FaultConfig config;
  std::string error;
  ASSERT_TRUE(ApplyFault("status503=25%", config, &error)) << error;
  ASSERT_TRUE(ApplyFault("drop=0.5", config, &error)) << error;
  ASSERT_TRUE(ApplyFault("scope=search", config, &error)) << error;
  FaultPlan plan(config);
  std::string pattern;
  for (int i = 0; i < 8; ++i) {
    const FaultDecision d = plan.Next(Family::kSearch);
    pattern += d.status503 ? (d.drop ? 'B' : 'S') : (d.drop ? 'D' : '.');
    EXPECT_FALSE(plan.Next(Family::kUsersLookup).drop);  // out of scope, and not counted
  }
  EXPECT_EQ(pattern, ".D.B.D.B");

  FaultConfig always;
  ASSERT_TRUE(ApplyFault("truncate=1", always, nullptr));
  FaultPlan every(always);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(every.Next(Family::kFriendsList).truncate);
}

TEST(FaultTest, ParsesEveryFaultAndRejectsNonsense) {
  FaultConfig c;
  for (const char* ok :
       {"latency=250", "cut=0.1", "status500=1", "noquota=50%", "oversize=300", "token_type=mac"})
    EXPECT_TRUE(ApplyFault(ok, c, nullptr)) << ok;
  EXPECT_EQ(c.latency_ms, 250);
  EXPECT_DOUBLE_EQ(c.cut, 0.1);
  EXPECT_DOUBLE_EQ(c.noquota, 0.5);
  EXPECT_EQ(c.oversize, 300u);
  EXPECT_EQ(c.token_type, "mac");
  for (const char* bad : {"latency", "latency=-1", "drop=1.5", "drop=abc", "scope=tweets",
                          "explode=1", "oversize=x"}) {
    std::string error;
    EXPECT_FALSE(ApplyFault(bad, c, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(CommandLineTest, ReadsEveryOption) {
  std::string error;
  const auto cl = ParseCommandLine({"--port",
                                    "8123",
                                    "--tls",
                                    "--cert=/tmp/c.pem",
                                    "--key",
                                    "k1",
                                    "--secret",
                                    "s1",
                                    "--seed",
                                    "42",
                                    "--window-seconds",
                                    "5",
                                    "--limit",
                                    "search=7",
                                    "--limit=friends/list=2",
                                    "--fault",
                                    "latency=10",
                                    "--fault",
                                    "drop=0.2",
                                    "--search-tweets",
                                    "1000",
                                    "--users",
                                    "9000",
                                    "--log",
                                    "/tmp/l.txt"},
                                   &error);
  ASSERT_TRUE(cl) << error;
  const ServerConfig& c = cl->config;
  EXPECT_EQ(c.port, 8123);
  EXPECT_TRUE(c.tls);
  EXPECT_EQ(c.cert_file, "/tmp/c.pem");
  EXPECT_EQ(c.app_key, "k1");
  EXPECT_EQ(c.app_secret, "s1");
  EXPECT_EQ(c.corpus.data_seed, 42u);
  EXPECT_EQ(c.window_seconds, 5);
  EXPECT_EQ(c.limits[static_cast<size_t>(Family::kSearch)], 7);
  EXPECT_EQ(c.limits[static_cast<size_t>(Family::kFriendsList)], 2);
  EXPECT_EQ(c.limits[static_cast<size_t>(Family::kUsersLookup)], 300);
  EXPECT_EQ(c.faults.latency_ms, 10);
  EXPECT_DOUBLE_EQ(c.faults.drop, 0.2);
  EXPECT_EQ(c.corpus.search_tweets, 1000u);
  EXPECT_EQ(c.corpus.users, 9000u);
  EXPECT_EQ(c.log_file, "/tmp/l.txt");

  const auto defaults = ParseCommandLine({}, &error);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->config.port, 0);
  EXPECT_EQ(defaults->config.app_key, "demo-key");
  EXPECT_EQ(defaults->config.app_secret, "demo-secret");
  EXPECT_EQ(defaults->config.window_seconds, 900);
}

TEST(CommandLineTest, RejectsBadArguments) {
  const std::vector<std::vector<std::string>> bad = {
      {"--port"},
      {"--port", "70000"},
      {"--port", "12x"},
      {"--tls"},
      {"--cert", "x.pem"},
      {"--limit", "search"},
      {"--limit", "tweets=3"},
      {"--fault", "nope=1"},
      {"--window-seconds", "0"},
      {"--bogus"},
      {"--tls=yes", "--cert", "c"},
      {"--users", "10"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

}  // namespace
}  // namespace wf::apisim
