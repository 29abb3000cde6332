#include "tweettable/tweet_table_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_paths.h"
#include "tweettable/skein_data.h"

namespace wf {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

using Grid = std::vector<TweetRow>;

TweetCellSource CellsOf(const Grid& grid) {
  return [&grid](std::size_t row, int column) -> std::string_view {
    return grid[row][static_cast<std::size_t>(column - 1)];
  };
}

TweetRow PaddedRow() {
  // As the view holds them: numbers right-aligned with spaces.
  return {" Wed Aug 27 13:08:45 0000 2008 ",
          "  alice",
          "hello world  ",
          "1234",
          "Alice A.",
          "     42",
          "      7",
          " Leeds ",
          "",
          "",
          "    100",
          "      0",
          "",
          "      0",
          "      0",
          "  bio  "};
}

TEST(TweetTableFileTest, HeaderLineAndTrimmedRecordLines) {
  const Grid grid = {PaddedRow(), TweetRow{}};
  const std::string header =
      "DateTime\tUserScreenName\tTweet\tTweetID\tUserRealName\tUserFollowers\tUserFriends\t"
      "UserLocation\tUserUTC_Offset\tGeoCoords\tUserTweets\tRetweets\tLinkURL\tSent+\tSent-\t"
      "UserDescription\r\n";
  // The first cell keeps its spaces; the others lose them at both ends only.
  const std::string row1 =
      " Wed Aug 27 13:08:45 0000 2008 \talice\thello world\t1234\tAlice A.\t42\t7\tLeeds\t\t\t"
      "100\t0\t\t0\t0\tbio\t\r\n";
  const std::string row2 = std::string(16, '\t') + "\r\n";

  EXPECT_EQ(FormatTweetTableFile(2, CellsOf(grid), true), header + row1 + row2);
  EXPECT_EQ(FormatTweetTableFile(2, CellsOf(grid), false), row1 + row2);
  EXPECT_EQ(FormatTweetTableFile(0, CellsOf(grid), true), header);
  EXPECT_EQ(FormatTweetTableFile(0, CellsOf(grid), false), "");
}

TEST(TweetTableFileTest, SavedTableLoadsBackAsTheSameRows) {
  TempDir dir;
  Grid grid = {PaddedRow(), PaddedRow()};
  grid[1][2] = "d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x94 \xE6\x97\xA5";  // "déjà vu — 日"
  grid[1][15] = "two\r\nlines\tand a tab";  // must not split the row or shift fields
  const std::string path = dir.File("tweets.stwt");
  ASSERT_TRUE(WriteTweetTableFile(path, grid.size(), CellsOf(grid), true));

  // "日" is beyond Windows-1252: the file is UTF-8 behind a byte-order mark, nothing lost.
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF"
                        "DateTime\t",
                        0),
            0u);
  EXPECT_NE(bytes.find("d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x94 \xE6\x97\xA5\t"), std::string::npos);

  SkeinData table;
  ASSERT_TRUE(table.Load(path));
  ASSERT_EQ(table.RecordCount(), 3);
  // The header line is an ordinary row to the store.
  for (int f = 1; f <= kTweetColumnCount; ++f) {
    EXPECT_EQ(table.Value(1, f), kTweetColumnNames[static_cast<std::size_t>(f - 1)]);
  }
  EXPECT_EQ(table.Value(2, 1), " Wed Aug 27 13:08:45 0000 2008 ");
  EXPECT_EQ(table.Value(2, 6), "42");
  EXPECT_EQ(table.Value(2, 16), "bio");
  EXPECT_EQ(table.Value(3, 3), "d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x94 \xE6\x97\xA5");
  EXPECT_EQ(table.Value(3, 16), "two  lines and a tab");

  // Text that Windows-1252 holds is written in it, as tables always were.
  grid[1][2] = "d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x94";
  ASSERT_TRUE(WriteTweetTableFile(path, grid.size(), CellsOf(grid), true));
  const std::string ansi = ReadBytes(path);
  EXPECT_EQ(ansi.rfind("DateTime\t", 0), 0u);
  EXPECT_NE(ansi.find("d\xE9j\xE0 vu \x97\t"), std::string::npos) << "not Windows-1252";
  ASSERT_TRUE(table.Load(path));
  EXPECT_EQ(table.Value(3, 3), "d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x94");
}

// Lets a test make every write beyond `bytes` fail, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  sighandler_t old_handler_;
};

TEST(TweetTableFileTest, FailedSaveLeavesTheExistingFileAlone) {
  TempDir dir;
  const std::string path = dir.File("tweets.txt");
  const std::string good = "the good file\r\n";
  WriteBytes(path, good);

  Grid grid(200, PaddedRow());
  SkeinData table;
  WriteBytes(dir.File("big.txt"), FormatTweetTableFile(grid.size(), CellsOf(grid), false));
  ASSERT_TRUE(table.Load(dir.File("big.txt")));
  {
    FileSizeLimit limit(4096);
    std::string error;
    EXPECT_FALSE(WriteTweetTableFile(path, grid.size(), CellsOf(grid), true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(table.Save(path, false));
    EXPECT_FALSE(table.LastError().empty());
  }
  EXPECT_EQ(ReadBytes(path), good);
  // No temporary file is left behind either.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2u);
}

}  // namespace
}  // namespace wf
