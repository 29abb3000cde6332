#include <gtest/gtest.h>

#include <sstream>

#include "cli_run.h"
#include "command.h"
#include "support/test_paths.h"
#include "tweettable/skein_data.h"

namespace wf::cli {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  EXPECT_EQ(from, text.size()) << "text does not end with CR LF";
  return lines;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t from = 0;
  for (auto at = line.find('\t'); at != std::string::npos; at = line.find('\t', from)) {
    cells.push_back(line.substr(from, at - from));
    from = at + 1;
  }
  cells.push_back(line.substr(from));
  return cells;
}

TEST(TableCommand, SearchPagesBecomeTheSavedTable) {
  test::TempDir dir;
  const std::string out = dir.File("tweets.txt");
  const CliRun r = Cli({"table", "--headers", test::TestdataPath("rtweet/search_1.json"),
                        test::TestdataPath("rtweet/search_2.json"), "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "168 tweets written to " + out + "\n");
  const auto lines = Lines(test::ReadBytes(out));
  ASSERT_EQ(lines.size(), 169u);
  EXPECT_EQ(lines[0],
            "DateTime\tUserScreenName\tTweet\tTweetID\tUserRealName\tUserFollowers\tUserFriends\t"
            "UserLocation\tUserUTC_Offset\tGeoCoords\tUserTweets\tRetweets\tLinkURL\tSent+\tSent-"
            "\tUserDescription");
  const auto first = Split(lines[1]);
  ASSERT_EQ(first.size(), 17u);  // sixteen cells, each followed by a TAB
  EXPECT_EQ(first[16], "");
  EXPECT_EQ(first[0], "Tue Nov 08 21:02:11 0000 2022");  // "+" removed
  EXPECT_EQ(first[1], "Hydroviv_h2o");
  EXPECT_EQ(first[3], "1590087310565339136");
  EXPECT_EQ(first[13], "0");
  EXPECT_EQ(first[14], "0");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto cells = Split(lines[i]);
    ASSERT_EQ(cells.size(), 17u) << "line " << i;
    for (int c = 1; c < 16; ++c) {
      EXPECT_TRUE(cells[c].empty() || (cells[c].front() != ' ' && cells[c].back() != ' '))
          << "line " << i << " cell " << c << " not trimmed";
    }
  }
}

TEST(TableCommand, TimelinesAndEmptyResults) {
  test::TempDir dir;
  const CliRun timeline = Cli({"table", "--timeline", test::TestdataPath("rtweet/timeline_3.json"),
                               "-o", dir.File("t.txt")});
  ASSERT_EQ(timeline.code, 0) << timeline.err;
  EXPECT_EQ(Lines(test::ReadBytes(dir.File("t.txt"))).size(), 20u);

  const CliRun empty = Cli(
      {"table", "--headers", test::TestdataPath("rtweet/search_3.json"), "-o", dir.File("e.txt")});
  ASSERT_EQ(empty.code, 0);
  EXPECT_NE(empty.err.find("JSON response contained no records"), std::string::npos);
  EXPECT_NE(empty.err.find("only the header line"), std::string::npos);
  EXPECT_EQ(Lines(test::ReadBytes(dir.File("e.txt"))).size(), 1u);
}

// A tweet whose text Windows-1252 cannot hold (raw UTF-8 in the answer) is kept whole: the
// table is written as UTF-8 behind a byte-order mark and loads back unchanged. Every other
// table stays Windows-1252.
TEST(TableCommand, TextWindows1252CannotHoldIsSavedAsMarkedUtf8) {
  test::TempDir dir;
  const std::string plain = dir.File("plain.txt");
  ASSERT_EQ(
      Cli({"table", "--timeline", test::TestdataPath("rtweet/timeline_3.json"), "-o", plain}).code,
      0);
  const std::string plain_bytes = test::ReadBytes(plain);
  EXPECT_NE(plain_bytes.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_NE(plain_bytes.find("\xA1Hoy es el \xFAltimo"), std::string::npos);  // "¡", "ú"

  std::string response = test::ReadBytes(test::TestdataPath("rtweet/timeline_3.json"));
  const std::string key = "\"full_text\":\"";
  const std::size_t at = response.find(key);
  ASSERT_NE(at, std::string::npos);
  const std::string foreign =
      "\xE6\x97\xA5\xE6\x9C\xAC \xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1 ";
  response.insert(at + key.size(), foreign);
  test::WriteBytes(dir.File("wide.json"), response);
  const std::string wide = dir.File("wide.txt");
  const CliRun r = Cli({"table", "--timeline", dir.File("wide.json"), "-o", wide});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string bytes = test::ReadBytes(wide);
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_NE(bytes.find("\xC2\xA1Hoy es el \xC3\xBAltimo"), std::string::npos);

  SkeinData back;
  ASSERT_TRUE(back.Load(wide));
  SkeinData before;
  ASSERT_TRUE(before.Load(plain));
  ASSERT_EQ(back.RecordCount(), before.RecordCount());
  EXPECT_EQ(back.Value(1, 3), foreign + before.Value(1, 3));
  for (std::int32_t row = 2; row <= back.RecordCount(); ++row) {
    for (int c = 1; c <= 16; ++c) EXPECT_EQ(back.Value(row, c), before.Value(row, c)) << row;
  }
}

TEST(TableCommand, BadInputNamesTheFileAndKeepsTheOldOutput) {
  test::TempDir dir;
  const std::string out = dir.File("keep.txt");
  test::WriteBytes(out, "good table\r\n");

  const CliRun wrongKind = Cli({"table", test::TestdataPath("rtweet/timeline_1.json"), "-o", out});
  EXPECT_EQ(wrongKind.code, 1);
  EXPECT_NE(wrongKind.err.find("timeline_1.json: not a search response"), std::string::npos);

  const CliRun apiError = Cli({"table", test::TestdataPath("rtweet/search_1.json"),
                               test::TestdataPath("tweepy/error_400_1.json"), "-o", out});
  EXPECT_EQ(apiError.code, 1);
  EXPECT_NE(apiError.err.find("error_400_1.json: the API answered with an error"),
            std::string::npos);

  const CliRun missing = Cli({"table", dir.File("nope.json"), "-o", out});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("nope.json"), std::string::npos);

  const CliRun unwritable = Cli({"table", test::TestdataPath("rtweet/search_1.json"), "-o",
                                 dir.File("no/such/folder/t.txt")});
  EXPECT_EQ(unwritable.code, 1);

  EXPECT_EQ(test::ReadBytes(out), "good table\r\n");
}

TEST(TableCommand, Usage) {
  EXPECT_EQ(Cli({}).code, 2);
  EXPECT_EQ(Cli({"frobnicate"}).code, 2);
  EXPECT_EQ(Cli({"table", "x.json"}).code, 2);       // no -o
  EXPECT_EQ(Cli({"table", "-o", "x.txt"}).code, 2);  // no input
  EXPECT_EQ(Cli({"table", "--bogus", "a", "-o", "b"}).code, 2);
  const CliRun help = Cli({"table", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Usage: wrenfold-cli table"), std::string::npos);
  // The overview becomes the manual page through help2man: commands and summaries in two
  // columns lined up with spaces (a TAB breaks the columns there).
  const CliRun overview = Cli({"--help"});
  EXPECT_EQ(overview.code, 0);
  EXPECT_EQ(overview.out.find('\t'), std::string::npos);
  const std::size_t auth = overview.out.find("\n  auth ");
  const std::size_t usertable = overview.out.find("\n  usertable ");
  ASSERT_NE(auth, std::string::npos);
  ASSERT_NE(usertable, std::string::npos);
  EXPECT_EQ(overview.out.find_first_not_of(' ', auth + 7) - auth,
            overview.out.find_first_not_of(' ', usertable + 12) - usertable);
  EXPECT_EQ(Cli({"--version"}).out, "wrenfold-cli " WF_VERSION "\n");
}

}  // namespace
}  // namespace wf::cli
