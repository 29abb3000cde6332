#include "records/collection_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "records/tweet_set.h"
#include "records/user_set.h"
#include "support/test_paths.h"

namespace wf {
namespace {

constexpr std::string_view kTweet =
    R"({"created_at":"Wed Aug 27 13:08:45 +0000 2008","id_str":"7","text":"hi there",)"
    R"("user":{"screen_name":"ann","name":"Ann"}})";

std::string SearchPage(std::string_view tweets) {
  return "{\"statuses\":[" + std::string(tweets) + "],\"search_metadata\":{}}";
}

CollectionShape ShapeOf(std::string_view json) {
  CollectionReader reader(CollectionKind::kTweets);
  return reader.Shape(json);
}

TEST(CollectionReader, RecognisesEachShapeByItsContent) {
  EXPECT_EQ(ShapeOf(SearchPage(kTweet)), CollectionShape::kSearchPage);
  EXPECT_EQ(ShapeOf("[" + std::string(kTweet) + "]"), CollectionShape::kTimeline);
  EXPECT_EQ(ShapeOf("[]"), CollectionShape::kTimeline);
  EXPECT_EQ(ShapeOf(kTweet), CollectionShape::kSingleTweet);
  EXPECT_EQ(ShapeOf(R"([{"id_str":"1","screen_name":"ann"}])"), CollectionShape::kUserLookup);
  EXPECT_EQ(ShapeOf(R"({"users":[],"next_cursor_str":"0"})"), CollectionShape::kUserPage);
  EXPECT_EQ(ShapeOf(R"({"data":[{"id":"1","text":"x"}],"__twarc":{}})"), CollectionShape::kV2Page);
  EXPECT_EQ(ShapeOf(R"({"id":"1","text":"x","author":{"username":"ann"}})"),
            CollectionShape::kFlatTweet);
  EXPECT_EQ(ShapeOf(R"({"time":"t","url":"https://x/1.1/search/tweets.json","status":200,)"
                    R"("body":"{}"})"),
            CollectionShape::kArchiveLine);
  EXPECT_EQ(ShapeOf(R"({"errors":[{"code":215,"message":"Bad"}]})"), CollectionShape::kApiError);
  EXPECT_EQ(ShapeOf(R"({"a":1})"), CollectionShape::kUnknown);
  EXPECT_EQ(ShapeOf("[1,2]"), CollectionShape::kUnknown);
  EXPECT_EQ(ShapeOf(R"({"statuses":[)"), CollectionShape::kNotJson);
  EXPECT_EQ(ShapeOf(""), CollectionShape::kNotJson);
}

TEST(CollectionReader, PagesOfTheKindAskedFor) {
  CollectionReader tweets(CollectionKind::kTweets);
  CollectionReader users(CollectionKind::kUsers);
  std::vector<CollectionPage> pages;
  // A single tweet is wrapped as a one-tweet search page.
  ASSERT_TRUE(tweets.Read(kTweet, pages));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].text, "{\"statuses\":[" + std::string(kTweet) + "]}");
  EXPECT_TRUE(pages[0].ignore_top_level);
  // Users are not tweets, and tweets not users.
  EXPECT_FALSE(tweets.Read(R"({"users":[{"screen_name":"a"}]})", pages));
  EXPECT_FALSE(users.Read(SearchPage(kTweet), pages));
  EXPECT_FALSE(users.Read(kTweet, pages));
  EXPECT_TRUE(users.Read(R"([{"id_str":"1","screen_name":"ann"}])", pages));
  EXPECT_FALSE(pages.back().ignore_top_level);
  // An archive line gives its answer when it is one of the resources asked for; failed
  // answers and other resources give nothing and are not counted as unknown lines.
  const std::string archived =
      R"({"time":"t","url":"https://api.twitter.com/1.1/search/tweets.json?q=a","status":200,)"
      R"("body":"{\"statuses\":[]}"})";
  pages.clear();
  EXPECT_TRUE(tweets.Read(archived, pages));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].text, R"({"statuses":[]})");
  pages.clear();
  EXPECT_TRUE(users.Read(archived, pages));
  EXPECT_TRUE(pages.empty());
}

TEST(CollectionReader, CompactJsonRemovesOnlyWhitespaceOutsideStrings) {
  EXPECT_EQ(CompactJson("{ \"a b\" : [ 1 ,\n\t2 ] ,\r\n \"c\": \"x, y\" }"),
            R"({"a b":[1,2],"c":"x, y"})");
  const std::string compact = SearchPage(kTweet);
  EXPECT_EQ(CompactJson(compact), compact);
}

struct FileRead {
  CollectionFileResult result;
  std::vector<CollectionPage> pages;
};

FileRead ReadFile(const std::string& path, CollectionKind kind = CollectionKind::kTweets) {
  FileRead read;
  std::string error;
  const auto result = ReadCollectionFile(
      path, kind, [&](CollectionPage&& p) { read.pages.push_back(std::move(p)); }, {}, &error);
  EXPECT_TRUE(result) << error;
  if (result) read.result = *result;
  return read;
}

TEST(CollectionReader, JsonLinesWithBadLinesAreReadLineByLine) {
  test::TempDir dir;
  const std::string path = dir.File("c.jsonl");
  // A byte-order mark, CR LF line ends, a blank line, a cut-off line, other JSON, text.
  test::WriteBytes(path, "\xEF\xBB\xBF" + SearchPage(kTweet) + "\r\n\r\n" +
                             R"({"statuses":[{"text":"cut)" + "\r\n" + R"({"other":true})" +
                             "\r\nnot json at all\r\n" + std::string(kTweet));
  const FileRead read = ReadFile(path);
  EXPECT_EQ(read.result.texts, 5u);
  EXPECT_EQ(read.result.skipped, 3u);
  EXPECT_EQ(read.result.pages, 2u);
  EXPECT_FALSE(read.result.one_document);
  EXPECT_EQ(read.result.first_shape, CollectionShape::kSearchPage);
  TweetSet tweets;
  for (const CollectionPage& p : read.pages) tweets.SetData(p.text, true, p.ignore_top_level);
  ASSERT_EQ(tweets.Count(), 2);
  EXPECT_EQ(tweets.Text(1), "hi there");
  EXPECT_EQ(tweets.ScreenName(2), "ann");
}

TEST(CollectionReader, PrettyPrintedDocumentGivesTheRecordsOfItsCompactForm) {
  const std::string dir = std::string(WF_TESTDATA_DIR);
  const FileRead pretty = ReadFile(dir + "/collections/search_1.pretty.json");
  EXPECT_TRUE(pretty.result.one_document);
  EXPECT_EQ(pretty.result.skipped, 0u);
  ASSERT_EQ(pretty.pages.size(), 1u);
  TweetSet from_pretty;
  from_pretty.SetData(pretty.pages[0].text, false, true);
  TweetSet from_answer;
  from_answer.SetData(test::ReadTestdata("tweepy/search_1.json"), false, true);
  ASSERT_GT(from_answer.Count(), 0);
  EXPECT_EQ(from_pretty.Records(), from_answer.Records());

  const FileRead users =
      ReadFile(dir + "/collections/users_lookup_1.pretty.json", CollectionKind::kUsers);
  ASSERT_EQ(users.pages.size(), 1u);
  UserSet from_users;
  from_users.SetData(users.pages[0].text, false, users.pages[0].ignore_top_level);
  UserSet from_lookup;
  from_lookup.SetData(test::ReadTestdata("tweepy/users_lookup_1.json"), false, false);
  ASSERT_GT(from_lookup.Count(), 0);
  // Pretty-printed, "geo_enabled": true read as False and values were cut at ", ".
  EXPECT_EQ(from_users.Records(), from_lookup.Records());
}

TEST(CollectionReader, ProgressCanStopTheReadingAndKeepWhatWasRead) {
  test::TempDir dir;
  const std::string path = dir.File("big.jsonl");
  {
    std::ofstream out(path, std::ios::binary);
    const std::string line = SearchPage(kTweet) + "\n";
    for (std::size_t written = 0; written < (std::size_t{3} << 20); written += line.size()) {
      out << line;
    }
  }
  std::uint64_t pages = 0;
  std::string error;
  const auto result = ReadCollectionFile(
      path, CollectionKind::kTweets, [&](CollectionPage&&) { ++pages; },
      [](std::uint64_t done, std::uint64_t total) {
        EXPECT_LE(done, total);
        return false;
      },
      &error);
  ASSERT_TRUE(result) << error;
  EXPECT_TRUE(result->stopped);
  EXPECT_GT(pages, 0u);
  EXPECT_EQ(result->pages, pages);
  EXPECT_LT(result->texts * (SearchPage(kTweet).size() + 1), std::uint64_t{3} << 20);
}

TEST(CollectionReader, MissingFileAndFolderAreErrors) {
  test::TempDir dir;
  std::string error;
  EXPECT_FALSE(ReadCollectionFile(
      dir.File("none.jsonl"), CollectionKind::kTweets, [](CollectionPage&&) {}, {}, &error));
  EXPECT_NE(error.find("none.jsonl"), std::string::npos);
  EXPECT_FALSE(ProbeCollectionFile(dir.path().string(), &error));
}

TEST(CollectionReader, A200MegabyteLineIsReadWhole) {
  test::TempDir dir;
  const std::string path = dir.File("long.jsonl");
  const std::size_t text_size = std::size_t{200} << 20;
  {
    std::ofstream out(path, std::ios::binary);
    out << R"({"statuses":[{"id_str":"1","text":")";
    const std::string block(1 << 20, 'a');
    for (std::size_t i = 0; i < text_size / block.size(); ++i) out << block;
    out << "\"}]}\n" << kTweet << "\n";
  }
  std::vector<std::size_t> sizes;
  std::string error;
  const auto result = ReadCollectionFile(
      path, CollectionKind::kTweets, [&](CollectionPage&& p) { sizes.push_back(p.text.size()); },
      {}, &error);
  ASSERT_TRUE(result) << error;
  EXPECT_EQ(result->skipped, 0u);
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_GT(sizes[0], text_size);
}

}  // namespace
}  // namespace wf
