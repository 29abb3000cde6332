// wrenfold-cli auth and search against the API simulator, run in-process.
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

#include "cli_run.h"
#include "command.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"

namespace wf::cli {
namespace {

apisim::ServerConfig Small() {
  apisim::ServerConfig config;
  config.corpus.users = 2000;
  config.corpus.search_tweets = 2500;
  return config;
}

std::vector<std::string> Rows(const std::string& file) {
  std::vector<std::string> rows;
  const std::string text = test::ReadBytes(file);
  std::size_t from = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
    rows.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  return rows;
}

// A row without its sentiment cells (14 and 15), which depend on the classifier being found.
std::string WithoutScores(const std::string& row) {
  std::string out;
  int cell = 1;
  for (char c : row) {
    if (c == '\t') ++cell;
    if (cell != 14 && cell != 15) out.push_back(c);
  }
  return out;
}

TEST(SearchCommand, AuthenticatesSearchesAndArchives) {
  apisim::TestServer server(Small());
  test::TempDir dir;
  const std::string data = dir.File("data");
  const std::vector<std::string> service = {"--api", server.BaseUrl(), "--data-dir", data};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), service.begin(), service.end());
    return args;
  };

  // No credentials yet; wrong ones are refused and nothing is stored.
  CliRun r = Cli(with({"search", "skein AND twitter", "-o", dir.File("t.txt")}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("run 'wrenfold-cli auth' first"), std::string::npos);
  r = Cli(with({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "wrong"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(std::filesystem::exists(data + "/appcred"));
  r = Cli(with({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(std::filesystem::status(data + "/appcred").permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  r = Cli(with({"search", "skein AND twitter", "-o", dir.File("t.txt"), "--headers", "--archive",
                dir.File("raw.jsonl")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("terminated at user threshold date"), std::string::npos) << r.err;
  const auto rows = Rows(dir.File("t.txt"));
  ASSERT_GT(rows.size(), 1000u);
  EXPECT_EQ(rows[0].rfind("DateTime\t", 0), 0u);

  // The archive converts back into the same table.
  r = Cli({"table", "--headers", dir.File("raw.jsonl"), "-o", dir.File("again.txt")});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto again = Rows(dir.File("again.txt"));
  // The archive holds every page fetched, also the tweets past the threshold that the search
  // trimmed away from its last page.
  ASSERT_GE(again.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(WithoutScores(again[i]), WithoutScores(rows[i])) << "row " << i;
  }

  // The update finds nothing newer and keeps what the file held.
  r = Cli(with(
      {"search", "skein AND twitter", "--update", dir.File("t.txt"), "-o", dir.File("u.txt")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Rows(dir.File("u.txt")).size(), rows.size() - 1);  // no header asked for

  // A server that cannot be reached is a failure with the reason.
  r = Cli(
      {"search", "x", "-o", dir.File("n.txt"), "--api", "http://127.0.0.1:1", "--data-dir", data});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("authentication failed"), std::string::npos);
}

TEST(SearchCommand, ExitStatusFollowsTheRetrievalsOutcome) {
  apisim::ServerConfig config = Small();
  config.faults.status503 = 0.25;  // the fourth request fails
  apisim::TestServer server(config);
  test::TempDir dir;
  const std::string data = dir.File("data");
  ASSERT_EQ(Cli({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret", "--api",
                 server.BaseUrl(), "--data-dir", data})
                .code,
            0);
  // A failed request ends the search as a failure; what came before it is saved.
  CliRun r = Cli({"search", "skein AND twitter", "-o", dir.File("f.txt"), "--api", server.BaseUrl(),
                  "--data-dir", data});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find("the search failed: 503:"), std::string::npos) << r.err;
  EXPECT_EQ(Rows(dir.File("f.txt")).size(), 300u);
  // With nothing failing, the search that reaches the threshold date succeeds.
  server.server().SetFaults({});
  r = Cli({"search", "skein AND twitter", "-o", dir.File("ok.txt"), "--api", server.BaseUrl(),
           "--data-dir", data});
  EXPECT_EQ(r.code, 0) << r.err;
}

TEST(SearchCommand, InterruptSavesWhatWasCollected) {
  std::atomic<bool> interrupted{false};
  apisim::ServerConfig config = Small();
  // Ctrl-C while the third page is on its way: that page still counts, the fourth is never asked.
  config.on_request = apisim::RaiseOnRequest(interrupted, "search/tweets", 3);
  apisim::TestServer server(config);
  test::TempDir dir;
  const std::string data = dir.File("data");
  ASSERT_EQ(Cli({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret", "--api",
                 server.BaseUrl(), "--data-dir", data})
                .code,
            0);
  const CliRun r = Cli({"search", "skein AND twitter", "-o", dir.File("part.txt"), "--api",
                        server.BaseUrl(), "--data-dir", data},
                       &interrupted);
  EXPECT_EQ(r.code, 130) << r.err;
  EXPECT_NE(r.err.find("interrupted"), std::string::npos);
  const auto rows = Rows(dir.File("part.txt"));
  EXPECT_GT(rows.size(), 0u);
  EXPECT_LT(rows.size(), 1700u);
}

TEST(SearchCommand, Usage) {
  EXPECT_EQ(Cli({"search"}).code, 2);
  EXPECT_EQ(Cli({"search", "q"}).code, 2);  // no -o
  EXPECT_EQ(Cli({"search", "q", "-o", "x", "--since", "yesterday"}).code, 2);
  EXPECT_EQ(Cli({"auth", "--app-name", "a"}).code, 2);
  EXPECT_EQ(Cli({"search", "--help"}).code, 0);
}

}  // namespace
}  // namespace wf::cli
