// wrenfold-cli timeline, lookup, followers and friends against the API simulator, in-process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "apisim/corpus.h"
#include "apisim/rate_limiter.h"
#include "cli_run.h"
#include "command.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"

namespace wf::cli {
namespace {

using Clock = std::chrono::steady_clock;

apisim::ServerConfig Small() {
  apisim::ServerConfig config;
  config.corpus.users = 2000;
  config.corpus.search_tweets = 2500;
  return config;
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  const std::string text = test::ReadBytes(file);
  std::size_t from = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  return lines;
}

std::string Cell(const std::string& row, int index) {
  std::size_t from = 0;
  for (int i = 0; i < index; ++i) from = row.find('\t', from) + 1;
  return row.substr(from, row.find('\t', from) - from);
}

// A simulator with stored credentials in a data folder, and the service options to reach it.
class Service {
 public:
  explicit Service(apisim::ServerConfig config) : server_(std::move(config)) {
    const CliRun r =
        Cli(With({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret"}));
    EXPECT_EQ(r.code, 0) << r.err;
  }
  std::vector<std::string> With(std::vector<std::string> args) const {
    args.insert(args.end(), {"--api", server_.BaseUrl(), "--data-dir", dir_.File("data")});
    return args;
  }
  std::string File(const std::string& name) const { return dir_.File(name); }
  apisim::Server& server() { return server_.server(); }

  int Requests(std::string_view path) {
    int n = 0;
    for (const auto& r : server_.server().Received()) n += r.path == path ? 1 : 0;
    return n;
  }

 private:
  test::TempDir dir_;
  apisim::TestServer server_;
};

TEST(TimelineCommand, CollectsTheTimelinesOfSeveralAccountsAndReportsOneThatFails) {
  Service s(Small());
  CliRun r = Cli(s.With({"timeline", "skein_small", "skein_quiet", "--since", "2000-01-01", "-o",
                         s.File("t.txt"), "--headers"}));
  ASSERT_EQ(r.code, 0) << r.err;
  auto rows = Lines(s.File("t.txt"));
  ASSERT_EQ(rows.size(), 58u);  // header and skein_small's 57 tweets; skein_quiet has none
  EXPECT_EQ(rows[0].rfind("DateTime\t", 0), 0u);
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(Cell(rows[i], 1), "skein_small");

  // The threshold date cuts the timeline; the protected account's failure is the exit status,
  // and the other account's tweets are saved all the same.
  r = Cli(s.With({"timeline", "skein_small", "skein_private", "--since", "2023-01-01", "-o",
                  s.File("p.txt")}));
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find("could not be retrieved"), std::string::npos) << r.err;
  rows = Lines(s.File("p.txt"));
  EXPECT_GT(rows.size(), 0u);
  EXPECT_LT(rows.size(), 57u);
  // "Thu Apr 25 10:11:12 +0000 2024": the year ends the cell.
  for (const auto& row : rows) {
    const std::string date = Cell(row, 0);
    EXPECT_GE(date.substr(date.size() - 4), "2023") << date;
  }
}

TEST(TimelineCommand, TakesTheAccountsFromASavedUserTable) {
  Service s(Small());
  CliRun r = Cli(s.With({"lookup", "skein_small", "-o", s.File("users.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  // The table's ScreenName column names the accounts; with --ids its first column does.
  for (const bool ids : {false, true}) {
    s.server().ClearReceived();
    std::vector<std::string> args = {"timeline",   "--users", s.File("users.tsv"), "--since",
                                     "2000-01-01", "-o",      s.File("t.txt")};
    if (ids) args.push_back("--ids");
    r = Cli(s.With(args));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(s.File("t.txt")).size(), 57u);
    ASSERT_EQ(s.Requests("/1.1/users/lookup.json"), 1);
    for (const auto& q : s.server().Received()) {
      if (q.path != "/1.1/users/lookup.json") continue;
      EXPECT_EQ(q.params.count("user_id"), ids ? 1u : 0u) << q.target;
      EXPECT_EQ(q.params.count("screen_name"), ids ? 0u : 1u) << q.target;
    }
  }
}

// A numeric-looking entry is a screen name like the others, and does not make the whole file
// a list of ids; --ids does.
TEST(AccountCommands, ListEntriesAreScreenNamesUnlessIdsIsGiven) {
  Service s(Small());
  test::WriteBytes(s.File("names.txt"), "skein_small\r\n2000\r\n");
  CliRun r = Cli(s.With({"lookup", "--users", s.File("names.txt"), "-o", s.File("l.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto rows = Lines(s.File("l.tsv"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Cell(rows[1], 1), "skein_small");
  for (const auto& q : s.server().Received()) {
    if (q.path != "/1.1/users/lookup.json") continue;
    EXPECT_EQ(q.params.count("user_id"), 0u) << q.target;
    EXPECT_EQ(q.params.find("screen_name")->second, "skein_small,2000,");
  }

  s.server().ClearReceived();
  r = Cli(s.With({"timeline", "--users", s.File("names.txt"), "--since", "2000-01-01", "-o",
                  s.File("t.txt")}));
  EXPECT_EQ(Lines(s.File("t.txt")).size(), 57u) << r.err;
  int small = 0;
  for (const auto& q : s.server().Received()) {
    if (q.path != "/1.1/statuses/user_timeline.json") continue;
    EXPECT_EQ(q.params.count("user_id"), 0u) << q.target;
    small +=
        q.params.count("screen_name") != 0 && q.params.find("screen_name")->second == "skein_small";
  }
  EXPECT_GT(small, 0);

  test::WriteBytes(s.File("ids.txt"), Cell(rows[1], 0) + "\r\n");
  r = Cli(s.With({"lookup", "--users", s.File("ids.txt"), "--ids", "-o", s.File("i.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Lines(s.File("i.tsv")), rows);
}

TEST(LookupCommand, LooksUpByNameAndByIdInBatchesOfAHundred) {
  Service s(Small());
  CliRun r = Cli(s.With({"followers", "skein_team", "--profiles", "-o", s.File("f.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto followers = Lines(s.File("f.tsv"));
  ASSERT_GT(followers.size(), 150u);

  // 100 ids, then 101: one request, then two, every profile in the order asked for.
  for (const std::size_t n : {100u, 101u}) {
    std::string ids;
    for (std::size_t i = 1; i <= n; ++i) ids += Cell(followers[i], 0) + "\n";
    test::WriteBytes(s.File("ids.txt"), ids);
    s.server().ClearReceived();
    r = Cli(s.With({"lookup", "--users", s.File("ids.txt"), "--ids", "-o", s.File("l.tsv")}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(s.Requests("/1.1/users/lookup.json"), n == 100 ? 1 : 2);
    const auto rows = Lines(s.File("l.tsv"));
    ASSERT_EQ(rows.size(), n + 1);
    EXPECT_EQ(rows[0], followers[0]);  // the same header as the followers' profiles
    for (std::size_t i = 1; i <= n; ++i) EXPECT_EQ(rows[i], followers[i]) << i;
  }

  // An unknown id is named and skipped, not fatal.
  r = Cli(s.With({"lookup", "--ids", Cell(followers[1], 0), "1", Cell(followers[2], 0), "-o",
                  s.File("u.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("No profile found for: 1"), std::string::npos) << r.err;
  EXPECT_EQ(Lines(s.File("u.tsv")),
            (std::vector<std::string>{followers[0], followers[1], followers[2]}));

  r = Cli(s.With({"lookup", "SKEIN_team", "skein_small", "-o", s.File("n.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto rows = Lines(s.File("n.tsv"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Cell(rows[1], 1), "skein_team");
  EXPECT_EQ(Cell(rows[2], 1), "skein_small");

  // Names that are all numbers are names unless --ids says otherwise.
  r = Cli(s.With({"lookup", "--ids", Cell(followers[1], 0), "-o", s.File("i.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Lines(s.File("i.tsv")).at(1), followers[1]);
  r = Cli(s.With({"lookup", Cell(followers[1], 0), "-o", s.File("i.tsv")}));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(Lines(s.File("i.tsv")).size(), 1u);  // the header alone
}

TEST(FollowListCommands, PageThroughWholeLists) {
  Service s(Small());
  CliRun r = Cli(s.With({"followers", "skein_team", "-o", s.File("f.txt")}));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto names = Lines(s.File("f.txt"));
  // The pool of 2,000 holds 1,999 other accounts: ten pages of 200.
  EXPECT_EQ(names.size(), 1999u);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
  EXPECT_EQ(s.Requests("/1.1/followers/list.json"), 10);

  r = Cli(s.With({"friends", "skein_team", "-o", s.File("fr.txt"), "--profiles"}));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto friends = Lines(s.File("fr.txt"));
  ASSERT_EQ(friends.size(), 301u);
  EXPECT_EQ(friends[0].rfind("UserId\tScreenName\t", 0), 0u);

  r = Cli(s.With({"followers", "nobody_at_all_x", "-o", s.File("none.txt")}));
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Lines(s.File("none.txt")).empty());
}

TEST(AccountCommands, WaitOutASpentQuota) {
  apisim::ServerConfig config = Small();
  config.window_seconds = 2;
  config.limits[static_cast<std::size_t>(apisim::Family::kFollowersList)] = 4;
  config.limits[static_cast<std::size_t>(apisim::Family::kUsersLookup)] = 1;
  Service s(config);

  auto start = Clock::now();
  CliRun r = Cli(s.With({"followers", "skein_team", "-o", s.File("f.txt")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_GE(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_NE(r.err.find("quota spent on GET FOLLOWERS/LIST"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("waited for the next quota window"), std::string::npos);
  const auto names = Lines(s.File("f.txt"));
  ASSERT_EQ(names.size(), 1999u);

  // A lookup with its quota spent waits before the second batch instead of being refused.
  std::string list;
  for (std::size_t i = 0; i < 150; ++i) list += names[i] + "\n";
  test::WriteBytes(s.File("names.txt"), list);
  start = Clock::now();
  r = Cli(s.With({"lookup", "--users", s.File("names.txt"), "-o", s.File("l.tsv")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_GE(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_NE(r.err.find("quota spent on USER_LOOKUP"), std::string::npos) << r.err;
  EXPECT_EQ(Lines(s.File("l.tsv")).size(), 151u);
}

TEST(AccountCommands, CtrlCEndsAQuotaWaitAndKeepsWhatWasCollected) {
  std::atomic<bool> interrupted{false};
  apisim::ServerConfig config = Small();
  config.window_seconds = 600;  // a wait nobody sits out: only the Ctrl-C can end it
  config.limits[static_cast<std::size_t>(apisim::Family::kFollowersList)] = 2;
  // The third page is refused for the quota, and the wait that follows finds Ctrl-C pressed.
  config.on_request = apisim::RaiseOnRequest(interrupted, "followers/list", 3);
  Service s(config);
  const CliRun r = Cli(s.With({"followers", "skein_team", "-o", s.File("f.txt")}), &interrupted);
  EXPECT_EQ(r.code, 130) << r.err;
  EXPECT_NE(r.err.find("interrupted"), std::string::npos);
  EXPECT_EQ(Lines(s.File("f.txt")).size(), 400u);  // the two pages the window allowed
}

TEST(AccountCommands, CtrlCDuringTimelinesSavesTheTweetsSoFar) {
  std::atomic<bool> interrupted{false};
  apisim::ServerConfig config = Small();
  config.on_request = apisim::RaiseOnRequest(interrupted, "statuses/user_timeline", 2);
  Service s(config);
  const CliRun r =
      Cli(s.With({"timeline", "skein_team", "--since", "2000-01-01", "-o", s.File("t.txt")}),
          &interrupted);
  EXPECT_EQ(r.code, 130) << r.err;
  const auto rows = Lines(s.File("t.txt"));
  EXPECT_GT(rows.size(), 0u);
  EXPECT_LT(rows.size(), apisim::kTimelineCap);
}

TEST(AccountCommands, Usage) {
  EXPECT_EQ(Cli({"timeline", "-o", "x"}).code, 2);                          // no accounts
  EXPECT_EQ(Cli({"timeline", "a"}).code, 2);                                // no -o
  EXPECT_EQ(Cli({"timeline", "a", "-o", "x", "--since", "soon"}).code, 2);  // bad date
  EXPECT_EQ(Cli({"lookup", "a", "--users", "f", "-o", "x"}).code, 2);       // both
  EXPECT_EQ(Cli({"followers", "a", "b", "-o", "x"}).code, 2);               // one account
  EXPECT_EQ(Cli({"friends", "-o", "x"}).code, 2);
  EXPECT_EQ(Cli({"lookup", "--users", "/nonexistent/list", "-o", "x"}).code, 1);
  for (const char* c : {"timeline", "lookup", "followers", "friends"}) {
    EXPECT_EQ(Cli({c, "--help"}).code, 0) << c;
  }
}

}  // namespace
}  // namespace wf::cli
