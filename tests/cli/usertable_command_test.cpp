// wrenfold-cli usertable against the API simulator, in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli_run.h"
#include "command.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"

namespace wf::cli {
namespace {

std::vector<std::vector<std::string>> Rows(const std::string& file) {
  std::vector<std::vector<std::string>> rows;
  const std::string text = test::ReadBytes(file);
  std::size_t from = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
    std::vector<std::string> cells;
    const std::string line = text.substr(from, at - from);
    std::size_t c = 0;
    for (auto tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', c)) {
      cells.push_back(line.substr(c, tab - c));
      c = tab + 1;
    }
    cells.push_back(line.substr(c));
    rows.push_back(std::move(cells));
    from = at + 2;
  }
  return rows;
}

class UserTableCommandTest : public ::testing::Test {
 protected:
  UserTableCommandTest() : server_(Config()) {
    const CliRun r =
        Cli(With({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret"}));
    EXPECT_EQ(r.code, 0) << r.err;
  }
  static apisim::ServerConfig Config() {
    apisim::ServerConfig config;
    config.corpus.users = 2000;
    config.corpus.search_tweets = 600;
    return config;
  }
  std::vector<std::string> With(std::vector<std::string> args) const {
    args.insert(args.end(), {"--api", server_.BaseUrl(), "--data-dir", dir_.File("data")});
    return args;
  }
  std::string File(const std::string& name) const { return dir_.File(name); }

  test::TempDir dir_;
  apisim::TestServer server_;
};

TEST_F(UserTableCommandTest, BuildsOneRowPerAuthorWithTheirTweetCountsAndSamples) {
  CliRun r =
      Cli(With({"search", "skein AND twitter", "--since", "2000-01-01", "-o", File("t.txt")}));
  ASSERT_EQ(r.code, 0) << r.err;
  // Authors of the tweet table, and how many tweets each wrote.
  std::map<std::string, int> tweets_by;
  std::vector<std::string> order;
  for (const auto& row : Rows(File("t.txt"))) {
    ASSERT_GT(row.size(), 2u);
    if (tweets_by[row[1]]++ == 0) order.push_back(row[1]);
  }
  ASSERT_GT(order.size(), 3u);

  r = Cli(With({"usertable", File("t.txt"), "-o", File("u.sut")}));
  ASSERT_EQ(r.code, 0) << r.err;
  auto users = Rows(File("u.sut"));
  ASSERT_EQ(users.size(), order.size());
  for (std::size_t i = 0; i < users.size(); ++i) {
    ASSERT_EQ(users[i].size(), 37u);
    EXPECT_EQ(users[i][1], order[i]);  // first appearance order
    EXPECT_FALSE(users[i][0].empty());
    // Tw_NoTwts, padded to five.
    EXPECT_EQ(users[i][31].size(), 5u) << users[i][31];
    EXPECT_EQ(std::stoi(users[i][31]), tweets_by[order[i]]) << order[i];
    EXPECT_TRUE(users[i][22].empty());  // no timeline sample asked for
  }

  r = Cli(With({"usertable", File("t.txt"), "--timelines", "3", "-o", File("s.sut")}));
  ASSERT_EQ(r.code, 0) << r.err;
  users = Rows(File("s.sut"));
  ASSERT_EQ(users.size(), order.size());
  int with_sample = 0;
  int without_sample = 0;
  int protected_rows = 0;
  for (const auto& row : users) {
    ASSERT_EQ(row.size(), 37u);
    // A protected account's timeline is refused: its row keeps what it had (nothing) and the
    // run names it.
    if (row[16] == "True") {
      EXPECT_EQ(row[27], "") << row[1];
      EXPECT_NE(r.err.find("Timeline sample of [" + row[1] + "] failed: 401:"), std::string::npos);
      ++protected_rows;
      continue;
    }
    // Every sampled row has its timeline figures, padded to their widths.
    EXPECT_EQ(row[27].size(), 4u) << row[1];
    EXPECT_EQ(row[28].size(), 3u) << row[1];
    const std::string& sample = row[22];
    if (sample.empty()) {
      ++without_sample;
      continue;
    }
    ++with_sample;
    EXPECT_EQ(sample.back(), '|');
    EXPECT_LE(std::count(sample.begin(), sample.end(), '|'), 3) << row[1];
  }
  EXPECT_GT(with_sample, 0);
  EXPECT_GT(protected_rows, 0);  // the generated pool has protected accounts among the authors
  EXPECT_NE(r.err.find(std::to_string(users.size() - static_cast<std::size_t>(protected_rows)) +
                       " of " + std::to_string(users.size()) + " rows sampled, " +
                       std::to_string(protected_rows) + " failed"),
            std::string::npos);

  // The Profilo input is refused while a row lacks its sample, and nothing is written.
  r = Cli(With({"usertable", File("t.txt"), "--timelines", "3", "--layout", "profilo", "-o",
                File("p.spro")}));
  if (without_sample > 0) {
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("required by Profilo"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(File("p.spro")));
  } else {
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Rows(File("p.spro")).front().size(), 22u);
  }

  r = Cli(With({"usertable", File("t.txt"), "--layout", "keys", "-o", File("k.suk")}));
  ASSERT_EQ(r.code, 0) << r.err;
  users = Rows(File("k.suk"));
  ASSERT_EQ(users.size(), order.size());
  EXPECT_EQ(users.front().size(), 2u);
}

TEST_F(UserTableCommandTest, RefusesWrongUsageAndUnreadableInputWithoutWriting) {
  EXPECT_EQ(Cli(With({"usertable", "-o", File("u.sut")})).code, 2);
  EXPECT_EQ(Cli(With({"usertable", File("t.txt")})).code, 2);
  EXPECT_EQ(Cli(With({"usertable", File("t.txt"), "-o", File("u"), "--layout", "x"})).code, 2);
  EXPECT_EQ(Cli(With({"usertable", File("t.txt"), "-o", File("u"), "--timelines", "-1"})).code, 2);
  // The Profilo input needs the timeline samples.
  EXPECT_EQ(Cli(With({"usertable", File("t.txt"), "-o", File("u"), "--layout", "profilo"})).code,
            2);
  const CliRun r = Cli(With({"usertable", File("missing.txt"), "-o", File("u.sut")}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(File("u.sut")));
}

}  // namespace
}  // namespace wf::cli
