// A real wrenfold-cli hydration killed midway and taken up again with --resume.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli_process.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"
#include "util/file_io.h"
#include "workflows/recovery_log.h"

namespace wf {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

std::vector<std::string> FileIds(const std::string& path) {
  std::vector<std::string> ids;
  const std::string text = test::ReadBytes(path);
  for (std::size_t from = 0; from < text.size();) {
    std::size_t end = text.find("\r\n", from);
    if (end == std::string::npos) end = text.size();
    std::size_t cell = from;
    for (int i = 0; i < 3; ++i) cell = text.find('\t', cell) + 1;
    std::string id = text.substr(cell, text.find('\t', cell) - cell);
    id.erase(0, id.find_first_not_of(' '));
    id.erase(id.find_last_not_of(' ') + 1);
    ids.push_back(id);
    from = end + 2;
  }
  return ids;
}

std::string IsoDaysAgo(int days) {
  const std::time_t t = std::time(nullptr) - days * 86400;
  std::tm tm{};
  ::localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M", &tm);
  return buf;
}

TEST(RecoveryCli, KilledHydrationResumesToTheSameTableAndMissingList) {
  // The child to kill: the server does it as the fourth lookup after the child is named
  // arrives, before answering it, so the journal then holds the batches before it.
  std::atomic<pid_t> victim{0};
  std::atomic<int> lookups{0};
  apisim::ServerConfig config;
  config.on_request = [&](const std::string& path) {
    const pid_t p = victim.load();
    if (p != 0 && path.find("statuses/lookup") != std::string::npos && ++lookups == 4) {
      ::kill(p, SIGKILL);
    }
  };
  config.corpus.users = 2000;
  config.corpus.search_tweets = 4000;
  config.faults.latency_ms = 60;
  config.faults.deleted = 0.1;
  apisim::TestServer server(config);
  ASSERT_TRUE(server.ok());
  test::TempDir dir;
  const std::string data = dir.File("data");
  const std::string log = dir.File("cli.log");
  const std::vector<std::string> service = {"--api", server.BaseUrl(), "--data-dir", data};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), service.begin(), service.end());
    return args;
  };
  ASSERT_EQ(
      RunCli(with({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret"}),
             log),
      0)
      << test::ReadBytes(log);
  ASSERT_EQ(RunCli(with({"search", "skein AND twitter", "--since", IsoDaysAgo(6), "-o",
                         dir.File("s.txt")}),
                   log),
            0)
      << test::ReadBytes(log);
  const auto searched = FileIds(dir.File("s.txt"));
  ASSERT_GT(searched.size(), 600u);
  std::string ids = "id\r\n";
  for (const std::string& id : searched) ids += id + "\r\n";
  ids += "17\r\n";  // never had
  ASSERT_TRUE(WriteFileAtomically(dir.File("ids.txt"), ids));

  // What an uninterrupted run makes.
  const std::vector<std::string> hydrate = {"hydrate", dir.File("ids.txt")};
  auto args = hydrate;
  args.insert(args.end(), {"-o", dir.File("whole.txt"), "--missing", dir.File("whole.miss")});
  ASSERT_EQ(RunCli(with(args), log), 0) << test::ReadBytes(log);
  const std::string journal = RecoveryLog::PathIn(data);
  EXPECT_FALSE(fs::exists(journal));

  // Killed once its journal holds three batches.
  args = hydrate;
  args.insert(args.end(), {"-o", dir.File("killed.txt"), "--missing", dir.File("killed.miss")});
  const pid_t pid = test::SpawnCli(with(args), log);
  victim = pid;
  int status = 0;
  ::waitpid(pid, &status, 0);
  victim = 0;
  ASSERT_TRUE(WIFSIGNALED(status)) << "the hydration ended before it could be killed";
  ASSERT_TRUE(fs::exists(journal));
  const std::optional<RecoveredRetrieval> seen = ParseRecoveryJournal(test::ReadBytes(journal));
  ASSERT_TRUE(seen && seen->pages >= 3);
  ASSERT_EQ(seen->header.kind, RecoveryHeader::Kind::Hydrate);
  EXPECT_FALSE(fs::exists(dir.File("killed.txt")));

  // A new hydration does not start over the journal; a search cannot take it up either.
  args = hydrate;
  args.insert(args.end(), {"-o", dir.File("other.txt")});
  EXPECT_EQ(RunCli(with(args), log), 1);
  EXPECT_NE(test::ReadBytes(log).find("--resume"), std::string::npos);
  EXPECT_EQ(RunCli(with({"search", "--resume", "-o", dir.File("other.txt")}), log), 1);
  EXPECT_TRUE(fs::exists(journal));
  EXPECT_FALSE(fs::exists(dir.File("other.txt")));

  // Resumed: the same table and the same missing ids, and the journal gone.
  ASSERT_EQ(RunCli(with({"hydrate", "--resume", "-o", dir.File("resumed.txt"), "--missing",
                         dir.File("resumed.miss")}),
                   log),
            0)
      << test::ReadBytes(log);
  EXPECT_TRUE(test::ReadBytes(dir.File("resumed.txt")) == test::ReadBytes(dir.File("whole.txt")));
  const std::string missing = test::ReadBytes(dir.File("resumed.miss"));
  EXPECT_EQ(missing, test::ReadBytes(dir.File("whole.miss")));
  EXPECT_NE(missing.find("17"), std::string::npos);
  EXPECT_FALSE(fs::exists(journal));
  EXPECT_EQ(RunCli(with({"hydrate", "--resume", "-o", dir.File("again.txt")}), log), 1);
}

}  // namespace
}  // namespace wf
