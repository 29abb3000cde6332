#include <gtest/gtest.h>

#include <string>

#include "json/json_deserializer.h"
#include "support/test_paths.h"

namespace wf {
namespace {

int CountOccurrences(const std::string& s, const std::string& what) {
  int n = 0;
  for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

TEST(JsonReaderRealData, TimelineWithBracesInTweetTextsKeepsEveryTweet) {
  // Five tweets of this page have "{...}" in their texts.
  const std::string json = test::ReadTestdata("rtweet/timeline_3.json");
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, false));
  int top = 0;
  for (int k = 1; k <= r.ObjectCount(); ++k) {
    if (r.ObjectLevel(k) == 1) {
      ++top;
      EXPECT_FALSE(r.GetElementInObject(k, "id_str").empty()) << "object " << k;
      EXPECT_NE(r.GetElementInObject(k, "created_at").find("+0000"), std::string::npos);
    }
  }
  // Every tweet has exactly one "retweeted" member of its own.
  EXPECT_EQ(top, CountOccurrences(json, "\"in_reply_to_status_id_str\"") -
                     CountOccurrences(json, "\"retweeted_status\":{") -
                     CountOccurrences(json, "\"quoted_status\":{"));
  EXPECT_GT(top, 0);
}

TEST(JsonReaderRealData, SearchPageLevelsAndMetadata) {
  const std::string json = test::ReadTestdata("rtweet/search_1.json");
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, true));
  int tweets = 0;
  int metadata = 0;
  for (int k = 1; k <= r.ObjectCount(); ++k) {
    if (r.ObjectLevel(k) != 1) continue;
    if (r.ObjectName(k) == "statuses") ++tweets;
    if (r.ObjectName(k) == "search_metadata") ++metadata;
  }
  EXPECT_EQ(metadata, 1);
  EXPECT_EQ(tweets, 100);
  EXPECT_EQ(r.ObjectName(r.ObjectIndex("statuses", 1) + 0), "statuses");
  const int meta = r.ObjectIndex("search_metadata", 1);
  EXPECT_NE(r.GetElementInObject(meta, "next_results").find("max_id="), std::string::npos);
}

TEST(JsonReaderRealData, FollowersPageCursorSitsInObjectOnesText) {
  const std::string json = test::ReadTestdata("python-twitter/followers_list_1.json");
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, true));
  const auto cursors = r.GetAllElementsInObject(1, "next_cursor_str");
  ASSERT_GE(cursors.size(), 2u);
  // This file was re-serialized with ": " separators: the value keeps its leading space.
  EXPECT_EQ(cursors[1], " 1516850034842747602");
}

}  // namespace
}  // namespace wf
