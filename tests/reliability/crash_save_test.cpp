// A program killed in the middle of saving leaves the file it was replacing as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "api/response_archive.h"
#include "records/collection_reader.h"
#include "support/test_paths.h"
#include "tweettable/skein_data.h"
#include "util/file_io.h"

namespace wf {
namespace {

namespace fs = std::filesystem;

// A tweet table in the exact form Save writes (every cell followed by a TAB, CR LF), so the
// saved file is as long as this text.
std::string BigTable(std::size_t rows) {
  std::string out;
  out.reserve(rows * 220);
  for (std::size_t r = 0; r < rows; ++r) {
    const std::string id = std::to_string(1'600'000'000'000'000'000ull + r);
    out += "Tue Dec 08 10:00:00 0000 2026\tuser" + std::to_string(r % 977) +
           "\tA tweet long enough to make the file big, number " + std::to_string(r) + "\t" + id +
           "\tReal Name\t12\t34\tSomewhere\t0\t\t567\t0\thttps://example.com/" + id +
           "\t0\t0\tA description of the account\t\r\n";
  }
  return out;
}

// The temporary files of saves to `target`.
std::set<fs::path> TemporariesOf(const fs::path& target) {
  const std::string prefix = "." + target.filename().string() + ".";
  std::set<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(target.parent_path(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().string().rfind(prefix, 0) == 0) found.insert(it->path());
  }
  return found;
}

enum class KillOutcome { MidSave, AfterSave, NeverStarted };

// Forks a child that loads `input` and saves it over `target`, and SIGKILLs it as soon as its
// temporary file holds at least `kill_at` bytes (0: as soon as it exists).
KillOutcome SaveAndKill(const std::string& input, const fs::path& target, std::uintmax_t kill_at) {
  // Those of earlier killed saves are not this one's.
  const std::set<fs::path> before = TemporariesOf(target);
  const pid_t pid = ::fork();
  if (pid == 0) {
    SkeinData data;
    const bool ok = data.Load(input) && data.Save(target.string(), false);
    ::_exit(ok ? 0 : 1);
  }
  EXPECT_GT(pid, 0);
  KillOutcome outcome = KillOutcome::NeverStarted;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      outcome = KillOutcome::AfterSave;
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      return outcome;
    }
    bool reached = false;
    for (const fs::path& tmp : TemporariesOf(target)) {
      std::error_code ec;
      const auto size = fs::file_size(tmp, ec);
      if (!before.count(tmp) && !ec && size >= kill_at) reached = true;
    }
    if (reached) break;
    if (std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  // It may have finished between the look and the signal.
  if (WIFSIGNALED(status)) outcome = KillOutcome::MidSave;
  if (WIFEXITED(status)) outcome = KillOutcome::AfterSave;
  return outcome;
}

TEST(CrashSave, KilledSaveLeavesTheOldTableIntact) {
  test::TempDir dir;
  const std::string input = dir.File("input.txt");
  const std::string big = BigTable(160'000);  // about 30 MB
  test::WriteBytes(input, big);
  const fs::path target = dir.path() / "table.txt";
  const std::string good = BigTable(3);
  ASSERT_TRUE(WriteFileAtomically(target.string(), good));

  // As soon as the temporary file exists, a third and two thirds in, and with every byte
  // written (the flush and the rename still to come).
  const std::uintmax_t points[] = {0, big.size() / 3, big.size() * 2 / 3, big.size()};
  int mid_save = 0;
  for (const std::uintmax_t at : points) {
    const KillOutcome outcome = SaveAndKill(input, target, at);
    const std::string now = test::ReadBytes(target.string());
    if (outcome == KillOutcome::AfterSave) {
      // Too late to interrupt: then the new table stands whole, and is the base from here.
      ASSERT_EQ(now.size(), big.size()) << "kill point " << at;
      ASSERT_TRUE(now == big);
      ASSERT_TRUE(WriteFileAtomically(target.string(), good));
      continue;
    }
    ASSERT_EQ(outcome, KillOutcome::MidSave);
    ++mid_save;
    ASSERT_EQ(now, good) << "kill point " << at;
  }
  // The first three points come long before such a file can be written and flushed.
  RecordProperty("kills_mid_save", mid_save);
  EXPECT_GE(mid_save, 3);

  // The killed saves left their temporary files; the next save clears those that are old
  // enough to be nobody's work in progress, and not a save still under way.
  std::vector<fs::path> leftovers;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    if (e.path().filename().string().rfind(".table.txt.", 0) == 0) leftovers.push_back(e.path());
  }
  EXPECT_EQ(static_cast<int>(leftovers.size()), mid_save);
  for (const auto& p : leftovers) {
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::minutes(5));
  }
  const fs::path in_progress = dir.path() / ".table.txt.ABC123";
  test::WriteBytes(in_progress.string(), "being written");
  ASSERT_TRUE(WriteFileAtomically(target.string(), good));
  for (const auto& p : leftovers) EXPECT_FALSE(fs::exists(p)) << p;
  EXPECT_TRUE(fs::exists(in_progress));
  EXPECT_EQ(test::ReadBytes(target.string()), good);
}

TEST(CrashSave, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  test::TempDir dir;
  const fs::path target = dir.path() / "prefs";
  ASSERT_TRUE(WriteFileAtomically(target.string(), "LA-en\r\n"));
  // A folder standing where the file should go: the rename fails after the data is written.
  const fs::path blocked = dir.path() / "blocked";
  fs::create_directories(blocked / "inside");
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(blocked.string(), "data", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);
  EXPECT_EQ(test::ReadBytes(target.string()), "LA-en\r\n");
}

// The response archive is appended to, not replaced: a crash mid-append cuts its last line.
TEST(CrashSave, ACutOffArchiveLineCostsOnlyThatResponse) {
  test::TempDir dir;
  const std::string path = dir.File("raw.jsonl");
  const std::string page = test::ReadTestdata("rtweet/search_1.json");
  const std::string url = "https://api.twitter.com/1.1/search/tweets.json?q=x";
  {
    ResponseArchive archive;
    ASSERT_TRUE(archive.Open(path));
    ASSERT_TRUE(archive.Append(url, 200, page));
    ASSERT_TRUE(archive.Append(url, 200, page));
  }
  // The program killed in the middle of the third response.
  std::string third = "{\"time\":\"2026-12-08T14:00:00Z\",\"url\":" + JsonQuote(url) +
                      ",\"status\":200,\"body\":" + JsonQuote(page) + "}\n";
  test::WriteBytes(path, test::ReadBytes(path) + third.substr(0, third.size() / 2));

  // The next run appends on a line of its own; the window's move of a pending archive beside a
  // tweet file does the same.
  {
    ResponseArchive archive;
    ASSERT_TRUE(archive.Open(path));
    ASSERT_TRUE(archive.Append(url, 200, page));
  }
  const std::string text = test::ReadBytes(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);

  auto read = [&path]() {
    std::string error;
    auto result = ReadCollectionFile(
        path, CollectionKind::kTweets, [](CollectionPage&&) {}, {}, &error);
    EXPECT_TRUE(result) << error;
    return result.value_or(CollectionFileResult{});
  };
  CollectionFileResult result = read();
  EXPECT_EQ(result.pages, 3u);
  EXPECT_EQ(result.skipped, 1u);

  // Cut at its very end too, without a line end.
  test::WriteBytes(path, text + third.substr(0, 80));
  result = read();
  EXPECT_EQ(result.pages, 3u);
  EXPECT_EQ(result.skipped, 2u);

  // A line that is not a response at all is counted with them, and costs nothing else.
  test::WriteBytes(path, text + "not a response\n");
  result = read();
  EXPECT_EQ(result.pages, 3u);
  EXPECT_EQ(result.skipped, 2u);
}

}  // namespace
}  // namespace wf
