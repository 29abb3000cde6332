#include "api/response_archive.h"

#include <gtest/gtest.h>

#include "support/test_paths.h"

namespace wf {
namespace {

TEST(ResponseArchive, LinesRoundTripEveryBody) {
  test::TempDir dir;
  const std::string path = dir.File("raw.jsonl");
  const std::string page = test::ReadTestdata("rtweet/search_1.json");
  const std::string odd = std::string("tab\there \"quoted\" back\\slash\r\nnew \x01 caf\xC3\xA9");
  {
    ResponseArchive archive;
    ASSERT_TRUE(archive.Open(path));
    ASSERT_TRUE(archive.Append("http://127.0.0.1:1/1.1/search/tweets.json?q=a", 200, page));
    ASSERT_TRUE(archive.Append("u2", 200, odd));
  }
  const std::string text = test::ReadBytes(path);
  const std::size_t nl = text.find('\n');
  ASSERT_NE(nl, std::string::npos);
  EXPECT_EQ(text.back(), '\n');
  const auto first = ParseArchiveLine(text.substr(0, nl));
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->url, "http://127.0.0.1:1/1.1/search/tweets.json?q=a");
  EXPECT_EQ(first->status, 200);
  EXPECT_EQ(first->body, page);
  EXPECT_EQ(first->time.size(), 20u);  // 2026-12-08T14:00:00Z
  const auto second = ParseArchiveLine(text.substr(nl + 1, text.size() - nl - 2));
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->body, odd);

  // Escapes another writer may use decode too, surrogate pairs included.
  const auto other = ParseArchiveLine(R"({"url":"x","status":200,"body":"\ud83d\ude00 \u00e9\/"})");
  ASSERT_TRUE(other.has_value());
  EXPECT_EQ(other->body, "\xF0\x9F\x98\x80 \xC3\xA9/");
  for (const char* bad : {"", "[]", R"({"url":"x"})", R"({"url":"x","body":"unterminated})",
                          R"({"url":"x","body":"\q"})"}) {
    EXPECT_FALSE(ParseArchiveLine(bad).has_value()) << bad;
  }
  ResponseArchive nowhere;
  std::string error;
  EXPECT_FALSE(nowhere.Open(dir.File("no/such/dir/raw.jsonl"), &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace wf
