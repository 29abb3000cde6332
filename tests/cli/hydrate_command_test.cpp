// wrenfold-cli hydrate against the API simulator: the ids of a search come back as its rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "cli_run.h"
#include "command.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"
#include "util/file_io.h"

namespace wf::cli {
namespace {

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

std::string Cell(const std::string& row, int n) {
  std::size_t from = 0;
  for (int i = 1; i < n; ++i) from = row.find('\t', from) + 1;
  return row.substr(from, row.find('\t', from) - from);
}

std::string Trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> out;
  const std::string text = test::ReadBytes(file);
  std::size_t from = 0;
  for (auto at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
    out.push_back(text.substr(from, at - from));
    from = at + 1;
  }
  return out;
}

void HydratesInFileOrderWithMissingIds(const std::string& version) {
  apisim::ServerConfig config;
  config.corpus.users = 2000;
  config.corpus.search_tweets = 2500;
  config.faults.deleted = 0.2;
  apisim::TestServer server(config);
  test::TempDir dir;
  const std::vector<std::string> service = {"--api",          server.BaseUrl(), "--data-dir",
                                            dir.File("data"), "--api-version",  version};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), service.begin(), service.end());
    return args;
  };
  ASSERT_EQ(
      Cli(with({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret"})).code,
      0);
  CliRun r = Cli(with({"search", "skein AND twitter", "-o", dir.File("s.txt")}));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto searched = Rows(dir.File("s.txt"));
  ASSERT_GT(searched.size(), 250u);

  // Oldest first (the search is newest first), as a CSV with a header, quotes, CR LF and blank
  // lines, plus two ids the service never had.
  std::map<std::string, std::string> by_id;
  std::string ids = "tweet_id,note\r\n";
  std::vector<std::string> order;
  for (auto it = searched.rbegin(); it != searched.rend(); ++it) {
    const std::string id = Trimmed(Cell(*it, 4));
    by_id[id] = *it;
    order.push_back(id);
    ids += (order.size() % 3 == 0 ? "\"" + id + "\"" : id) + ",x\r\n";
    if (order.size() % 50 == 0) ids += "\r\n";
  }
  ids += "1\r\n2\r\n";
  ASSERT_TRUE(WriteFileAtomically(dir.File("ids.csv"), ids));

  r = Cli(with({"hydrate", dir.File("ids.csv"), "-o", dir.File("h.txt"), "--missing",
                dir.File("missing.txt")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("Hydration initiated @"), std::string::npos) << r.err;
  const auto hydrated = Rows(dir.File("h.txt"));
  const auto missing = Lines(dir.File("missing.txt"));
  // Every id is either a row or missing, and the deleted share is missing.
  EXPECT_EQ(hydrated.size() + missing.size(), order.size() + 2);
  std::size_t deleted = 0;
  for (const std::string& m : missing) deleted += m.find("\tdeleted") != std::string::npos;
  if (version == "2") {
    EXPECT_GT(deleted, order.size() / 10);
    EXPECT_NE(std::find(missing.begin(), missing.end(), "1\tnot found"), missing.end());
  } else {
    EXPECT_EQ(deleted, 0u);  // v1.1 leaves them out without a word
    EXPECT_GT(missing.size(), order.size() / 10);
    EXPECT_NE(std::find(missing.begin(), missing.end(), "2\tnot found"), missing.end());
  }
  // The rows found are the search's rows, in the order of the file.
  std::size_t next = 0;
  for (const std::string& row : hydrated) {
    const std::string id = Trimmed(Cell(row, 4));
    const auto at = std::find(order.begin() + static_cast<std::ptrdiff_t>(next), order.end(), id);
    ASSERT_NE(at, order.end()) << id << " out of order";
    next = static_cast<std::size_t>(at - order.begin()) + 1;
    EXPECT_EQ(row, by_id[id]);
  }
  const std::string summary = std::to_string(hydrated.size()) + " tweets found, " +
                              std::to_string(missing.size()) + " missing";
  EXPECT_NE(r.err.find(summary), std::string::npos) << r.err;
}

TEST(HydrateCommand, V11RowsAsTheSearchInFileOrder) {
  HydratesInFileOrderWithMissingIds("1.1");
}

TEST(HydrateCommand, V2RowsAsTheSearchInFileOrder) {
  HydratesInFileOrderWithMissingIds("2");
}

TEST(HydrateCommand, AnIdsFileWithLostDigitsIsRefusedWithItsLine) {
  apisim::TestServer server(apisim::ServerConfig{});
  test::TempDir dir;
  const std::vector<std::string> service = {"--api", server.BaseUrl(), "--data-dir",
                                            dir.File("data")};
  CliRun r = Cli({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret",
                  "--api", server.BaseUrl(), "--data-dir", dir.File("data")});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_TRUE(WriteFileAtomically(dir.File("ids.txt"), "id\r\n1001\r\n1.23E+18\r\n"));
  r = Cli({"hydrate", dir.File("ids.txt"), "-o", dir.File("h.txt"), "--api", server.BaseUrl(),
           "--data-dir", dir.File("data")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("line 3"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("h.txt")));
  EXPECT_EQ(Cli({"hydrate", "-o", dir.File("h.txt")}).code, 2);
}

}  // namespace
}  // namespace wf::cli
