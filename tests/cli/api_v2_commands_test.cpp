// The commands through API v2 against the simulator: the same tables as through v1.1 (the
// UTC-offset column aside), the archive round trip, and the refusals that end a command.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "apisim/server.h"
#include "cli_run.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"
#include "util/date_time.h"

namespace wf::cli {
namespace {

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

// A tweet row without the cells the versions may differ in: the UTC offset (9, which v2 does
// not have) and the sentiment scores (14, 15), which depend on the classifier being found.
std::string Comparable(const std::string& row) {
  std::string out;
  int cell = 1;
  for (char c : row) {
    if (c == '\t') ++cell;
    if (cell != 9 && cell != 14 && cell != 15) out.push_back(c);
  }
  return out;
}

std::vector<std::string> ComparableRows(const std::string& file) {
  std::vector<std::string> rows;
  for (const auto& l : Lines(file)) rows.push_back(Comparable(l));
  return rows;
}

class Service {
 public:
  explicit Service(apisim::ServerConfig config = Small()) : server_(std::move(config)) {
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
  int Requests(std::string_view prefix, std::string_view suffix = "") {
    int n = 0;
    for (const auto& r : server_.server().Received()) {
      n += r.path.rfind(prefix, 0) == 0 && r.path.size() >= suffix.size() &&
                   r.path.compare(r.path.size() - suffix.size(), suffix.size(), suffix) == 0
               ? 1
               : 0;
    }
    return n;
  }

 private:
  test::TempDir dir_;
  apisim::TestServer server_;
};

// A threshold inside the recent search's reach, as --since takes it.
std::string DaysAgo(int days) {
  const CivilDateTime t = FromSerialSeconds(ToSerialSeconds(NowLocal()) - days * 86400);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return buf;
}

TEST(ApiV2Commands, SearchGivesTheV1TableAndItsArchiveRebuildsIt) {
  Service s;
  const std::string since = DaysAgo(5);
  CliRun r = Cli(s.With({"search", "skein AND twitter", "--since", since, "-o", s.File("v1.txt"),
                         "--api-version", "1.1"}));
  ASSERT_EQ(r.code, 0) << r.err;
  r = Cli(s.With({"search", "skein AND twitter", "--since", since, "-o", s.File("v2.txt"),
                  "--api-version", "2", "--archive", s.File("raw.jsonl")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_GT(s.Requests("/2/tweets/search/recent"), 1);
  const auto v1 = ComparableRows(s.File("v1.txt"));
  const auto v2 = ComparableRows(s.File("v2.txt"));
  ASSERT_GT(v1.size(), 100u);
  EXPECT_EQ(v1, v2);

  r = Cli({"table", s.File("raw.jsonl"), "-o", s.File("again.txt")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ComparableRows(s.File("again.txt")), v2);
}

TEST(ApiV2Commands, TimelinesGiveTheV1Table) {
  Service s;
  CliRun r = Cli(s.With({"timeline", "skein_small", "skein_quiet", "--since", "2000-01-01", "-o",
                         s.File("v1.txt"), "--api-version", "1.1"}));
  ASSERT_EQ(r.code, 0) << r.err;
  r = Cli(s.With({"timeline", "skein_small", "skein_quiet", "--since", "2000-01-01", "-o",
                  s.File("v2.txt"), "--api-version", "2"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_GE(s.Requests("/2/users/", "/tweets"), 2);
  const auto v1 = ComparableRows(s.File("v1.txt"));
  ASSERT_GT(v1.size(), 10u);
  EXPECT_EQ(v1, ComparableRows(s.File("v2.txt")));
}

TEST(ApiV2Commands, FollowersAndLookupsWithAccountsMissing) {
  apisim::ServerConfig config = Small();
  config.faults.partial = 0.25;
  Service s(config);
  CliRun r = Cli(s.With({"followers", "skein_team", "-o", s.File("f.txt"), "--api-version", "2"}));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto names = Lines(s.File("f.txt"));
  EXPECT_EQ(names.size(), 1999u);
  EXPECT_EQ(s.Requests("/2/users/", "/followers"), 2);  // 1,000 a page

  std::string list;
  for (std::size_t i = 0; i < 40; ++i) list += names[i] + "\n";
  test::WriteBytes(s.File("names.txt"), list);
  r = Cli(s.With(
      {"lookup", "--users", s.File("names.txt"), "-o", s.File("l.tsv"), "--api-version", "2"}));
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("Not returned (not found, suspended or deleted): "), std::string::npos)
      << r.err;
  const auto rows = Lines(s.File("l.tsv"));
  EXPECT_GT(rows.size(), 10u);
  EXPECT_LT(rows.size(), 40u);
}

TEST(ApiV2Commands, RefusalsEndTheCommandWithTheirReason) {
  apisim::ServerConfig config = Small();
  config.faults.forbid[static_cast<std::size_t>(apisim::Family::kSearchAll)] = true;
  Service s(config);
  CliRun r = Cli(
      s.With({"search", "skein", "-o", s.File("t.txt"), "--api-version", "2", "--full-archive"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("The access level of this API key does not include GET "
                       "/2/tweets/search/all: \"When authenticating requests"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(s.Requests("/2/tweets/search/all"), 1);

  apisim::FaultConfig cap;
  cap.usagecap = true;
  s.server().SetFaults(cap);
  r = Cli(s.With({"search", "skein", "-o", s.File("t.txt"), "--api-version", "2"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("monthly usage cap"), std::string::npos) << r.err;
  r = Cli(s.With({"timeline", "skein_small", "-o", s.File("t.txt"), "--api-version", "2"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("monthly usage cap"), std::string::npos) << r.err;

  r = Cli(s.With({"search", "skein", "-o", s.File("t.txt"), "--api-version", "3"}));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--api-version takes 1.1 or 2, not 3"), std::string::npos);
}

}  // namespace
}  // namespace wf::cli
